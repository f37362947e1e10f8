// What the editor shows and takes outside its text: the status panes against a frame that
// records WM_STATUSPANE, the context menu's items, pictures and greying, the key texts of
// "Accel" on a scratch key, and text dropped through an in-process OLE data object.
#include "tests/editor/EditorTestSupport.h"

#include "classlib/Ole.h"
#include "services/Registry.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/StatusPane.h"
#include "uihelpers/WindowServices.h"

#include <string.h>

using namespace edittest;

namespace {

struct PaneCall
{
    WPARAM code;
    int count;
    std::vector<int> widths;
    int index;
    std::string text;
};
std::vector<PaneCall> g_panes;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_STATUSPANE)
        return DefWindowProcA(window, message, wParam, lParam);
    const StatusPaneRequest* r = reinterpret_cast<const StatusPaneRequest*>(lParam);
    PaneCall call = { wParam, 0, {}, 0, "" };
    if (wParam == StatusPaneSetBase)
    {
        call.count = r->ids ? r->count : 0;
        for (int i = 0; r->widths && i < r->count; ++i)
            call.widths.push_back(r->widths[i]);
    }
    else if (wParam == StatusPaneSetText)
    {
        call.index = r->index;
        call.text = r->text ? r->text : "";
    }
    g_panes.push_back(call);
    return 1;
}

class TextEditMenu : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        m_frame = CreateStandInWindow("StatusPaneRecorder", FrameProc);
        ASSERT_NE(m_frame, nullptr);
        m_frameWnd.Attach(m_frame);
        g_panes.clear();
    }
    void TearDown() override
    {
        m_frameWnd.Detach();
        DestroyWindow(m_frame);
        SetDragRunner(nullptr);
        EditorTest::TearDown();
    }
    // The last text written into a pane, "" when none since the last clear.
    std::string PaneText(int index) const
    {
        for (size_t i = g_panes.size(); i-- > 0;)
            if (g_panes[i].code == StatusPaneSetText && g_panes[i].index == index)
                return g_panes[i].text;
        return "";
    }
    LPARAM CellPoint(CTextEdit& edit, int column, int line)
    {
        return MAKELPARAM(edit.Layout().MarginWidth() + column * edit.Layout().CharWidth() + 1,
                          line * edit.Layout().LineHeight() + edit.Layout().LineHeight() / 2);
    }
    CPoint Cell(CTextEdit& edit, int column, int line)
    {
        LPARAM p = CellPoint(edit, column, line);
        return CPoint(LOWORD(p), HIWORD(p));
    }
    HWND m_frame = nullptr;
    CWnd m_frameWnd;
};

// A data object offering one global block in one format.
void Offer(COleDataSource& source, CLIPFORMAT format, const void* bytes, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (size)
    {
        memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
    }
    source.CacheGlobalData(format, block);
}

CTextEdit* g_dragEditor = nullptr;
CPoint g_dropPoint;
DROPEFFECT g_dragEffect = 0;
DWORD DropIntoTheEditor(COleDataSource* source, DWORD)
{
    COleDataObject data;
    data.Attach(source->GetDataObject(TRUE), TRUE);
    CTextDropTarget& target = g_dragEditor->DropTarget();
    g_dragEffect = target.OnDragEnter(g_dragEditor, &data, 0, g_dropPoint);
    target.OnDragOver(g_dragEditor, &data, 0, g_dropPoint);
    target.OnDrop(g_dragEditor, &data, g_dragEffect, g_dropPoint);
    return g_dragEffect;
}

int g_statusHookCalls = 0;
int StatusHook(CTextEdit*, void*, int, int line, int, char* text)
{
    ++g_statusHookCalls;
    snprintf(text, kTextStatusTextSize, "Zeile %d", line);
    return line;
}
HMENU g_hookMenu = nullptr;
int MenuHook(CTextEdit*, void*, HMENU menu, int, int, int)
{
    g_hookMenu = menu;
    return 1;
}

}  // namespace

TEST(TextStatusText, CaretSelectionAndMode)
{
    char text[kTextStatusTextSize];
    const struct
    {
        TextStatusState state;
        const char* expected;
    } cases[] = {
        { { 0, 0, 0, 0, 0, 3 }, " Zeile: 1  Spalte: 1" },
        { { 3, 1, 0, 0, 2, 3 }, " Zeile: 2  Spalte: 4 (Y:2)" },
        { { 0, 1, 0, 0, 2, 3 }, " Zeile: 2  Spalte: 1 (Y:1)" },
        { { 5, 0, 2, 3, 2, 3 }, " Zeile: 1  Spalte: 6 (Y:4)" },
        { { 7, 4, 2, 4, 1, 3 }, " Zeile: 5  Spalte: 8 (X:5)" },
        { { 2, 4, 7, 4, 1, 3 }, " Zeile: 5  Spalte: 3 (X:5)" },
    };
    for (const auto& c : cases)
    {
        FormatTextStatus(c.state, text, sizeof(text));
        EXPECT_STREQ(text, c.expected);
    }
    EXPECT_STREQ(TextStatusModeText(3), "Einf.");
    EXPECT_STREQ(TextStatusModeText(2), "Über.");
    // A small buffer is cut, never overrun.
    char small[8];
    memset(small, 'G', sizeof(small));
    FormatTextStatus({ 3, 1, 0, 0, 2, 3 }, small, 6);
    EXPECT_STREQ(small, " Zeil");
    EXPECT_EQ(small[6], 'G');
}

TEST_F(TextEditMenu, StatusPanesFollowTheFocusCaretAndSelection)
{
    CTextEdit edit(20000, 50000, 0, "MenuTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_frameWnd, 4301));
    edit.AppendText("eins\nzwei\ndrei\n");
    edit.SetCursorPos(0, 0, 0);
    edit.SendMessage(WM_SETFOCUS, 0, 0);
    ASSERT_GE(g_panes.size(), 3u);
    EXPECT_EQ(g_panes[0].code, static_cast<WPARAM>(StatusPaneSetBase));
    EXPECT_EQ(g_panes[0].count, 2);
    EXPECT_TRUE(g_panes[0].widths == (std::vector<int>{ -22, -4 }));
    EXPECT_EQ(PaneText(0), " Zeile: 1  Spalte: 1");
    EXPECT_EQ(PaneText(1), "Einf.");

    edit.SetCursorPos(3, 1, MCF_EXTEND);
    EXPECT_EQ(PaneText(0), " Zeile: 2  Spalte: 4 (Y:2)");
    // Unchanged state writes nothing.
    size_t before = g_panes.size();
    edit.UpdateStatusBar();
    EXPECT_EQ(g_panes.size(), before);
    // A click on the caret's own cell ends the selection: the pane follows, though caret
    // and mode stay.
    edit.SetCursorPos(0, 0, 0);
    edit.SetCursorPos(3, 0, MCF_EXTEND);
    EXPECT_EQ(PaneText(0), " Zeile: 1  Spalte: 4 (X:3)");
    edit.MoveCursor(3, 0, 0);
    EXPECT_EQ(PaneText(0), " Zeile: 1  Spalte: 4");
    // Columns from 16384 on are not mistaken for the next line.
    edit.SetLineText(std::string(17000, 'x').c_str(), 0, 17000, 0);
    edit.MoveCursor(16384, 0, 0);
    EXPECT_EQ(PaneText(0), " Zeile: 1  Spalte: 16385");
    edit.MoveCursor(0, 1, 0);
    EXPECT_EQ(PaneText(0), " Zeile: 2  Spalte: 1");
    // The timer tick refreshes (overwrite mode set without an update); other timers do not.
    edit.Layout().SetCaretMode(2);
    before = g_panes.size();
    edit.SendMessage(WM_TIMER, 4711, 0);
    EXPECT_EQ(g_panes.size(), before);
    edit.SendMessage(WM_TIMER, kTextStatusTimer, 0);
    EXPECT_EQ(PaneText(1), "Über.");
    // A status hook decides the key and may write the text.
    edit.SetHook(TEH_STATUS, TextEditStatusHookAsHook(StatusHook), nullptr);
    edit.MoveCursor(1, 2, 0);
    EXPECT_EQ(PaneText(0), "Zeile 2");
    before = g_panes.size();
    edit.MoveCursor(3, 2, 0);
    EXPECT_EQ(g_panes.size(), before);   // same line, same key: nothing written
    EXPECT_GE(g_statusHookCalls, 2);
    edit.SetHook(TEH_STATUS, nullptr, nullptr);

    // Losing the focus gives the panes back with the empty request; then nothing more.
    edit.SendMessage(WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(g_panes.back().code, static_cast<WPARAM>(StatusPaneSetBase));
    EXPECT_EQ(g_panes.back().count, 0);
    EXPECT_FALSE(edit.IsStatusActive());
    before = g_panes.size();
    edit.MoveCursor(0, 0, 0);
    EXPECT_EQ(g_panes.size(), before);
    edit.DestroyWindow();
}

TEST_F(TextEditMenu, ContextMenuItemsPicturesAndGreying)
{
    CTextEdit edit(2048, 50000, 0, "MenuTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_frameWnd, 4302));
    edit.AppendText("wort   \n");
    auto state = [](HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND); };
    auto text = [](HMENU menu, UINT id) {
        char t[64] = {};
        GetMenuStringA(menu, id, t, sizeof(t), MF_BYCOMMAND);
        return std::string(t);
    };
    ClipboardSetText("x");
    for (int readOnly = 0; readOnly < 2; ++readOnly)
    {
        edit.SetEditable(!readOnly);
        HMENU menu = CreatePopupMenu();
        const CPoint onWord = Cell(edit, 1, 0);
        edit.AddEditMenuItems(menu, onWord.x, onWord.y);
        EXPECT_EQ(GetMenuItemCount(menu), 9);
        EXPECT_EQ(text(menu, ID_TEXTEDIT_COPY_WORD), "&Kopiere Wort");
        EXPECT_FALSE(state(menu, ID_TEXTEDIT_COPY_WORD) & MF_GRAYED);
        EXPECT_TRUE(state(menu, ID_EDIT_CUT) & MF_GRAYED);
        EXPECT_TRUE(state(menu, ID_EDIT_CLEAR) & MF_GRAYED);
        EXPECT_EQ((state(menu, ID_EDIT_REPLACE) & MF_GRAYED) != 0, readOnly == 1);
        EXPECT_EQ((state(menu, ID_EDIT_PASTE) & MF_GRAYED) != 0, readOnly == 1);
        EXPECT_EQ(text(menu, ID_EDIT_REPLACE), "&Erset&zen");
        EXPECT_EQ(text(menu, ID_TEXTEDIT_OPTIONS), "&Einstellungen");
        // The five pictures from the bitmap strip.
        for (UINT id : { UINT(ID_EDIT_CUT), UINT(ID_EDIT_PASTE), ID_TEXTEDIT_COPY_WORD, UINT(ID_EDIT_CLEAR), UINT(ID_EDIT_FIND) })
        {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_CHECKMARKS;
            ASSERT_TRUE(GetMenuItemInfoA(menu, id, FALSE, &info));
            EXPECT_NE(info.hbmpUnchecked, nullptr) << id;
        }
        DestroyMenu(menu);
        // Right of the text there is no word to copy.
        menu = CreatePopupMenu();
        const CPoint offWord = Cell(edit, 6, 0);
        edit.AddEditMenuItems(menu, offWord.x, offWord.y);
        EXPECT_EQ(text(menu, ID_TEXTEDIT_COPY_WORD), "&Kopieren");
        EXPECT_TRUE(state(menu, ID_TEXTEDIT_COPY_WORD) & MF_GRAYED);
        DestroyMenu(menu);
    }
    // With a selection: the plain copy command, cut and delete enabled.
    edit.SetEditable(1);
    edit.SetCursorPos(0, 0, 0);
    edit.SetCursorPos(4, 0, MCF_EXTEND);
    HMENU menu = CreatePopupMenu();
    edit.AddEditMenuItems(menu, 0, 0);
    EXPECT_EQ(text(menu, ID_EDIT_COPY), "&Kopieren");
    EXPECT_FALSE(state(menu, ID_EDIT_CUT) & MF_GRAYED);
    EXPECT_FALSE(state(menu, ID_EDIT_CLEAR) & MF_GRAYED);
    DestroyMenu(menu);
    // The context-menu hook takes the menu first; a nonzero answer shows nothing.
    edit.SetHook(TEH_CONTEXT_MENU, TextEditMenuHookAsHook(MenuHook), nullptr);
    edit.OnContextMenu(5, 5, nullptr);
    EXPECT_NE(g_hookMenu, nullptr);
    EXPECT_FALSE(IsMenu(g_hookMenu));   // the menu made for the call is gone again
    edit.DestroyWindow();
}

TEST_F(TextEditMenu, KeyTextsFromAccel)
{
    const std::string view = m_scratch.Path() + "\\AccelView";
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, view.c_str(), REGISTRY_CREATE));
        reg.WriteString("def", ".txt");
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (view + "\\DEF\\Accel").c_str(), REGISTRY_CREATE));
        reg.WriteString("A:abc", "v1");
        reg.WriteString("\xdf:scharf\\tS", "v2");
        reg.WriteString("!:bang", "v3");
        reg.WriteString("B:", "v4");
        reg.WriteString("kein Doppelpunkt", "v5");
        reg.WriteDword(7, "v6");
        reg.WriteString("0:\\x41\\\"", "v7");
        reg.WriteString("A:neu", "v8");
    }
    CTextEdit edit(2048, 50000, 0, "AccelView");
    for (const char* name : { "DEF", ".txt" })
    {
        ASSERT_EQ(edit.LoadAccel(name), 1) << name;
        EXPECT_STREQ(edit.GetKeyText(17), "neu");   // the later value for the same key wins
        EXPECT_STREQ(edit.GetKeyText(51), "scharf\tS");
        EXPECT_STREQ(edit.GetKeyText(0), "A\"");
        int set = 0;
        for (int i = 0; i < 55; ++i)
            set += edit.GetKeyText(i) ? 1 : 0;
        EXPECT_EQ(set, 3);
    }
    // A key text is typed with Ctrl and its key.
    edit.Paste('A');
    EXPECT_EQ(Lines(edit)[0], "neu");
    EXPECT_EQ(edit.LoadAccel("NIRGENDS"), 0);
    EXPECT_EQ(edit.GetKeyText(17), nullptr);
    edit.LoadAccel("DEF");
    EXPECT_EQ(edit.LoadAccel(nullptr), 0);
    EXPECT_EQ(edit.GetKeyText(17), nullptr);
    EXPECT_EQ(edit.GetKeyText(55), nullptr);
}

TEST_F(TextEditMenu, DroppedTextGoesInMovesAndUndoes)
{
    OleInitialize(nullptr);
    CTextEdit edit(2048, 50000, 0, "MenuTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_frameWnd, 4303));
    edit.AppendText("alpha beta gamma\n");
    CTextDropTarget& target = edit.DropTarget();

    // Text from elsewhere: a move effect, inserted at the cell, undone in one step.
    {
        COleDataSource source;
        Offer(source, CF_TEXT, "NEU", 4);
        COleDataObject data;
        data.Attach(source.GetDataObject(TRUE), TRUE);
        EXPECT_EQ(target.OnDragEnter(&edit, &data, 0, Cell(edit, 2, 0)), static_cast<DROPEFFECT>(DROPEFFECT_MOVE));
        EXPECT_EQ(CTextEdit::CurrentDropEditor(), &edit);
        EXPECT_EQ(target.OnDragScroll(&edit, 0, Cell(edit, 2, 0)), static_cast<DROPEFFECT>(DROPEFFECT_MOVE));
        EXPECT_TRUE(target.OnDrop(&edit, &data, DROPEFFECT_MOVE, Cell(edit, 2, 0)));
        EXPECT_EQ(Lines(edit)[0], "alNEUpha beta gamma");
        EXPECT_EQ(edit.IsModified(), 1);
        edit.Undo(-1);
        EXPECT_EQ(Lines(edit)[0], "alpha beta gamma");
        // Read-only, not accepting, or disabled: no effect and nothing taken.
        edit.SetEditable(0);
        EXPECT_EQ(target.OnDragOver(&edit, &data, 0, Cell(edit, 2, 0)), static_cast<DROPEFFECT>(DROPEFFECT_NONE));
        EXPECT_FALSE(target.OnDrop(&edit, &data, DROPEFFECT_MOVE, Cell(edit, 2, 0)));
        edit.SetEditable(1);
        edit.SetAcceptDrops(false);
        EXPECT_EQ(target.OnDragOver(&edit, &data, 0, Cell(edit, 2, 0)), static_cast<DROPEFFECT>(DROPEFFECT_NONE));
        edit.SetAcceptDrops(true);
        edit.SetDropDisabled(1);
        EXPECT_EQ(target.OnDragEnter(&edit, &data, 0, Cell(edit, 2, 0)), static_cast<DROPEFFECT>(DROPEFFECT_NONE));
        EXPECT_EQ(CTextEdit::CurrentDropEditor(), nullptr);
        edit.SetDropDisabled(0);
        target.OnDragLeave(&edit);
        EXPECT_EQ(CTextEdit::CurrentDropEditor(), nullptr);
        EXPECT_EQ(Lines(edit)[0], "alpha beta gamma");
    }
    // A before-change hook may refuse the drop.
    {
        COleDataSource source;
        Offer(source, CF_TEXT, "NEU", 4);
        COleDataObject data;
        data.Attach(source.GetDataObject(TRUE), TRUE);
        edit.SetHook(TEH_BEFORE_CHANGE, [](CTextEdit*, void*, int, int, int) { return 0; }, nullptr);
        target.OnDragEnter(&edit, &data, 0, Cell(edit, 2, 0));
        EXPECT_FALSE(target.OnDrop(&edit, &data, DROPEFFECT_MOVE, Cell(edit, 2, 0)));
        edit.SetHook(TEH_BEFORE_CHANGE, nullptr, nullptr);
        EXPECT_EQ(Lines(edit)[0], "alpha beta gamma");
    }
    // Wide text is preferred; an unterminated block ends with the block.
    {
        COleDataSource source;
        Offer(source, CF_UNICODETEXT, L"\u00e4\u20ac", 4);
        Offer(source, CF_TEXT, "nicht", 6);
        COleDataObject data;
        data.Attach(source.GetDataObject(TRUE), TRUE);
        target.OnDragEnter(&edit, &data, 0, Cell(edit, 0, 0));
        EXPECT_TRUE(target.OnDrop(&edit, &data, DROPEFFECT_MOVE, Cell(edit, 0, 0)));
        EXPECT_EQ(Lines(edit)[0], "\xe4\xff" "alpha beta gamma");
        edit.Undo(-1);
    }
    // Empty and unlockable blocks, and data without text, insert nothing.
    for (int kind = 0; kind < 3; ++kind)
    {
        COleDataSource source;
        if (kind == 0)
            Offer(source, CF_TEXT, "", 1);
        else if (kind == 1)
            source.CacheGlobalData(CF_TEXT, GlobalAlloc(GMEM_MOVEABLE, 0));
        else
            Offer(source, CF_HDROP, "x", 2);
        COleDataObject data;
        data.Attach(source.GetDataObject(TRUE), TRUE);
        DROPEFFECT effect = target.OnDragEnter(&edit, &data, 0, Cell(edit, 1, 0));
        EXPECT_EQ(effect, kind == 2 ? static_cast<DROPEFFECT>(DROPEFFECT_NONE) : static_cast<DROPEFFECT>(DROPEFFECT_MOVE));
        EXPECT_FALSE(target.OnDrop(&edit, &data, effect, Cell(edit, 1, 0))) << kind;
        EXPECT_EQ(Lines(edit)[0], "alpha beta gamma");
    }

    // The editor's own selection dragged right of itself moves there (the drop cell corrected
    // for the removed text); undo puts it back in one step. With Ctrl it is copied.
    SetDragRunner(DropIntoTheEditor);
    g_dragEditor = &edit;
    for (int copy = 0; copy < 2; ++copy)
    {
        g_keys[VK_CONTROL] = copy == 1;
        edit.SetCursorPos(6, 0, 0);
        edit.SetCursorPos(10, 0, MCF_EXTEND);
        g_dropPoint = Cell(edit, 16, 0);
        EXPECT_EQ(edit.StartDrag(), 1);
        EXPECT_FALSE(edit.IsDragSource());
        EXPECT_EQ(g_dragEffect, copy ? static_cast<DROPEFFECT>(DROPEFFECT_COPY) : static_cast<DROPEFFECT>(DROPEFFECT_MOVE));
        EXPECT_EQ(Lines(edit)[0], copy ? "alpha beta gammabeta" : "alpha  gammabeta");
        edit.Undo(-1);
        EXPECT_EQ(Lines(edit)[0], "alpha beta gamma");
    }
    g_keys[VK_CONTROL] = false;
    // Onto its own selection: nothing changes.
    edit.SetCursorPos(6, 0, 0);
    edit.SetCursorPos(10, 0, MCF_EXTEND);
    g_dropPoint = Cell(edit, 8, 0);
    EXPECT_EQ(edit.StartDrag(), 1);
    EXPECT_EQ(Lines(edit)[0], "alpha beta gamma");
    // No selection, or dragging not allowed: no drag.
    edit.SetCursorPos(0, 0, 0);
    EXPECT_EQ(edit.StartDrag(), 0);
    edit.DestroyWindow();
    OleUninitialize();
}
