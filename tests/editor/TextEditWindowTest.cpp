// The editor as a window under the test display: typing, selection by keys and mouse, copy
// through the clipboard, focus notifications to the parent, the mark command and drawing a
// coloured line into a memory context.
#include "tests/editor/EditorTestSupport.h"

#include "tests/support/ModalScript.h"
#include "uihelpers/ClipboardText.h"

#include <stdlib.h>

using namespace edittest;

namespace {

// A hidden parent that records what its children send and post.
class CEditorParent : public CWnd
{
public:
    std::vector<UINT> notices;
    std::vector<UINT> commands;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NOTIFY && lParam)
        {
            notices.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
            return 0;
        }
        if (message == WM_COMMAND)
        {
            commands.push_back(LOWORD(wParam));
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int Count(UINT code) const
    {
        int n = 0;
        for (UINT c : notices)
            n += c == code ? 1 : 0;
        return n;
    }
};

class TextEditWindow : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "Editor-Test", WS_POPUP, 0, 0, 640, 400, nullptr,
                                      nullptr));
    }
    void TearDown() override
    {
        m_parent.DestroyWindow();
        EditorTest::TearDown();
    }
    LPARAM CellPoint(CTextEdit& edit, int column, int line)
    {
        int x = edit.Layout().MarginWidth() + column * edit.Layout().CharWidth() + 1;
        int y = line * edit.Layout().LineHeight() + edit.Layout().LineHeight() / 2;
        return MAKELPARAM(x, y);
    }
    void Type(CTextEdit& edit, const char* text)
    {
        for (; *text; ++text)
            edit.SendMessage(WM_CHAR, static_cast<unsigned char>(*text), 1);
    }
    void Key(CTextEdit& edit, UINT key)
    {
        edit.SendMessage(WM_KEYDOWN, key, 1);
        edit.SendMessage(WM_KEYUP, key, 0xC0000001);
    }
    CEditorParent m_parent;
};

uint32_t DibPixel(COLORREF colour)
{
    return (static_cast<uint32_t>(GetRValue(colour)) << 16) | (static_cast<uint32_t>(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

}  // namespace

TEST_F(TextEditWindow, TypingKeysAndCopyThroughTheClipboard)
{
    CTextEdit edit(2048, 50000, 0, "WindowTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, 4100));
    edit.SetFocus();
    Type(edit, "hello world\rsecond");
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "hello world", "second" }));
    // Shift+Home selects back to the line start; Ctrl+C copies it.
    g_keys[VK_SHIFT] = true;
    Key(edit, VK_HOME);
    g_keys[VK_SHIFT] = false;
    EXPECT_EQ(edit.HasSelection(), 1);
    g_keys[VK_CONTROL] = true;
    Key(edit, 'C');
    g_keys[VK_CONTROL] = false;
    char* clip = ClipboardGetText(nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip, "second");
    free(clip);
    // Ctrl+Left jumps a word, Shift+Right extends by one; the copy command copies that.
    // Up with a selection first goes to its start and ends it, then moves.
    Key(edit, VK_UP);
    EXPECT_EQ(edit.GetCursorPos().y, 1);
    EXPECT_EQ(edit.HasSelection(), 0);
    Key(edit, VK_UP);
    EXPECT_EQ(edit.GetCursorPos().y, 0);
    edit.SetCursorPos(11, 0);
    g_keys[VK_CONTROL] = true;
    Key(edit, VK_LEFT);
    g_keys[VK_CONTROL] = false;
    EXPECT_EQ(edit.GetCursorPos().x, 6);
    g_keys[VK_SHIFT] = true;
    Key(edit, VK_RIGHT);
    Key(edit, VK_RIGHT);
    g_keys[VK_SHIFT] = false;
    edit.SendMessage(WM_COMMAND, ID_EDIT_COPY, 0);
    clip = ClipboardGetText(nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip, "wo");
    free(clip);
    // Typing over the selection, Backspace, Delete, and Ctrl+Z taking the word back.
    Type(edit, "W");
    EXPECT_EQ(Lines(edit)[0], "hello Wrld");
    Key(edit, VK_DELETE);
    EXPECT_EQ(Lines(edit)[0], "hello Wld");
    Type(edit, "\b");
    EXPECT_EQ(Lines(edit)[0], "hello ld");
    g_keys[VK_CONTROL] = true;
    Key(edit, 'Z');
    Key(edit, 'Z');
    Key(edit, 'Z');
    Key(edit, 'Z');
    g_keys[VK_CONTROL] = false;
    EXPECT_EQ(Lines(edit)[0], "hello world");
    // Home goes to the indent, then to column 0, then back.
    edit.ClearAll();
    Type(edit, "    indented");
    Key(edit, VK_HOME);
    EXPECT_EQ(edit.GetCursorPos().x, 4);
    Key(edit, VK_HOME);
    EXPECT_EQ(edit.GetCursorPos().x, 0);
    Key(edit, VK_HOME);
    EXPECT_EQ(edit.GetCursorPos().x, 4);
    // A Ctrl letter shortcut swallows the control character that follows it: Ctrl+H opens
    // "Ändern" (closed here), and the Backspace after it erases nothing.
    g_keys[VK_CONTROL] = true;
    testsupport::ModalScript script;
    std::string caption;
    script.Add([&](HWND d) {
        caption = testsupport::WindowText(d);
        return testsupport::Click(d, IDCANCEL);
    });
    script.Run([&] { return edit.SendMessage(WM_KEYDOWN, 'H', 1); });
    EXPECT_EQ(caption, "Ändern");
    edit.SendMessage(WM_CHAR, 8, 1);
    g_keys[VK_CONTROL] = false;
    EXPECT_EQ(Lines(edit)[0], "    indented");
    // Key flags with 0x2000 (Alt held) are never a Ctrl shortcut: no select-all.
    edit.SetCursorPos(2, 0);
    g_keys[VK_CONTROL] = true;
    edit.SendMessage(WM_KEYDOWN, 'A', 1 | (0x2000 << 16));
    g_keys[VK_CONTROL] = false;
    EXPECT_EQ(edit.HasSelection(), 0);
    edit.DestroyWindow();
}

TEST_F(TextEditWindow, MouseSelectsDragsAndTripleClicks)
{
    CTextEdit edit(2048, 50000, 0, "WindowTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, 4101));
    edit.AppendText("alpha beta gamma\nsecond line");
    edit.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(edit, 2, 0));
    edit.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, CellPoint(edit, 4, 1));
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 4, 1));
    EXPECT_EQ(edit.HasSelection(), 2);
    char buffer[64];
    EXPECT_EQ(edit.GetText(buffer, sizeof(buffer), 96), 20);
    EXPECT_STREQ(buffer, "pha beta gamma\r\nseco");
    // A click inside the selection without a move places the caret on release.
    edit.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(edit, 8, 0));
    EXPECT_EQ(edit.HasSelection(), 2);
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 8, 0));
    EXPECT_EQ(edit.HasSelection(), 0);
    EXPECT_EQ(edit.GetCursorPos().x, 8);
    // A double click selects the word; a third click on the same cell within 300 ms the line.
    edit.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(edit, 7, 0));
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 7, 0));
    edit.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(edit, 7, 0));
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 7, 0));
    EXPECT_EQ(edit.GetText(buffer, sizeof(buffer), 96), 4);
    EXPECT_STREQ(buffer, "beta");
    g_tick += 300;
    edit.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(edit, 7, 0));
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 7, 0));
    EXPECT_EQ(edit.GetText(buffer, sizeof(buffer), 96), 16);
    // 301 ms after a double click the press is an ordinary click.
    edit.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(edit, 1, 1));
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 1, 1));
    g_tick += 301;
    edit.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(edit, 9, 1));
    edit.SendMessage(WM_LBUTTONUP, 0, CellPoint(edit, 9, 1));
    EXPECT_EQ(edit.HasSelection(), 0);
    edit.DestroyWindow();
}

TEST_F(TextEditWindow, FocusNotifiesTheParent)
{
    CTextEdit edit(2048, 50000, 0, "WindowTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 4102));
    CTextEdit other(2048, 50000, 0, "WindowTest");
    ASSERT_TRUE(other.Create(WS_CHILD | WS_VISIBLE, CRect(300, 0, 600, 200), &m_parent, 4103));
    edit.SetFocus();
    EXPECT_EQ(m_parent.Count(TEXTEDIT_NOTIFY_SETFOCUS), 1);
    EXPECT_EQ(m_parent.Count(ANSIVIEW_NOTIFY_SETFOCUS), 1);
    other.SetFocus();
    EXPECT_EQ(m_parent.Count(TEXTEDIT_NOTIFY_KILLFOCUS), 1);
    EXPECT_EQ(m_parent.Count(ANSIVIEW_NOTIFY_KILLFOCUS), 1);
    EXPECT_EQ(m_parent.Count(TEXTEDIT_NOTIFY_SETFOCUS), 2);
    other.DestroyWindow();
    edit.DestroyWindow();
}

TEST_F(TextEditWindow, ReadOnlyPaneDrawsColoursAndPostsTheMarkCommand)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    ASSERT_TRUE(pane.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, 4104));
    pane.SetEditable(0);
    int row = pane.AddColorFormat(0x000000, RGB(0, 160, 0), "Gruen", 9, 0);
    pane.AppendText("   x  y\nzweite");
    const uint8_t colours[] = { 9, 9, 9 };
    ASSERT_EQ(pane.SetLineColors(0, colours, 3, -1, 1), 1);
    pane.AddMark(0x20, 4, 0, 0, 3);
    // Typing into the read-only pane beeps and changes nothing.
    Type(pane, "q");
    EXPECT_EQ(Lines(pane)[0], "   x  y");
    EXPECT_GE(g_beeps, 1);
    // Drawing line 0 into a memory context: the coloured blanks show the format's
    // background, the selected cells the selection's.
    pane.SetCursorPos(5, 0);
    pane.SetCursorPos(7, 0, MCF_EXTEND);
    int cw = pane.Layout().CharWidth();
    int lh = pane.Layout().LineHeight();
    {
        BITMAPINFO bmi;
        memset(&bmi, 0, sizeof(bmi));
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = 20 * cw;
        bmi.bmiHeader.biHeight = -lh;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        ::ReleaseDC(nullptr, screen);
        void* bits = nullptr;
        HBITMAP bitmap = ::CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        CDC dc;
        dc.Attach(memory);
        RECT rect = { 0, 0, 20 * cw, lh };
        EXPECT_EQ(pane.PrintLine(&dc, rect, 0, 0, 20, 0), 20);
        EXPECT_EQ(pane.PrintLine(&dc, rect, 5, 0, 20, 0), 0);
        ::GdiFlush();
        auto pixel = [&](int x) { return static_cast<const uint32_t*>(bits)[x + (lh / 2) * 20 * cw] & 0xFFFFFF; };
        COLORREF selectionBack = 0;
        pane.GetColorFormat(1, nullptr, &selectionBack, nullptr);
        COLORREF standardBack = 0;
        pane.GetColorFormat(0, nullptr, &standardBack, nullptr);
        EXPECT_EQ(pixel(cw + cw / 2), DibPixel(RGB(0, 160, 0)));
        EXPECT_EQ(pixel(5 * cw + 1), DibPixel(selectionBack));
        EXPECT_EQ(pixel(12 * cw + cw / 2), DibPixel(standardBack));
        // The margin: grey, with the line number (from 1) right-aligned in grey text.
        RECT margin = { 0, 0, 32, lh };
        pane.PrintMargin(&dc, margin, 41);
        ::GdiFlush();
        EXPECT_EQ(pixel(1), DibPixel(RGB(0xC0, 0xC0, 0xC0)));
        int textPixels = 0;
        for (int y = 0; y < lh; ++y)
            for (int x = 0; x < 32; ++x)
                textPixels += (static_cast<const uint32_t*>(bits)[x + y * 20 * cw] & 0xFFFFFF) ==
                              DibPixel(RGB(0x80, 0x80, 0x80));
        EXPECT_GT(textPixels, 0);
        dc.Detach();
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
    }
    (void)row;
    // The mark command goes to the parent (posted), and the chosen mark names the bytes.
    EXPECT_EQ(pane.ChooseMarkAt(1, 0), 4u);
    pane.SendMessage(WM_COMMAND, ID_MARKTEXT_MARK_RANGE, 0);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
    ASSERT_EQ(m_parent.commands.size(), 1u);
    EXPECT_EQ(m_parent.commands[0], ID_MARKTEXT_MARK_RANGE);
    uint32_t offset = 0;
    EXPECT_EQ(pane.GetChosenMark(&offset), 4u);
    EXPECT_EQ(offset, 0x20u);
    // Copy works in the read-only pane.
    pane.OnEditCopy();
    char* clip = ClipboardGetText(nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip, " y");
    free(clip);
    pane.DestroyWindow();
}

TEST_F(TextEditWindow, ClearKeyPastesDownAndCountsNumbersUp)
{
    CTextEdit edit(2048, 50000, 0, "WindowTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, 4105));
    edit.AppendText("id ....\nid ....\nid ....");
    ClipboardSetText("0x0F");
    edit.SetCursorPos(3, 0);
    edit.SetCursorPos(7, 0, MCF_EXTEND);
    g_keys[VK_CONTROL] = true;
    g_keys[VK_SHIFT] = true;
    Key(edit, VK_CLEAR);
    EXPECT_EQ(Lines(edit)[0], "id 0x0F");
    EXPECT_EQ(edit.GetCursorPos().y, 1);
    EXPECT_EQ(edit.HasSelection(), 1);
    char* clip = ClipboardGetText(nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip, "0x10");
    free(clip);
    Key(edit, VK_CLEAR);
    EXPECT_EQ(Lines(edit)[1], "id 0x10");
    // Decimal keeps its digit count.
    ClipboardSetText("009");
    edit.SetCursorPos(3, 2);
    edit.SetCursorPos(7, 2, MCF_EXTEND);
    Key(edit, VK_CLEAR);
    g_keys[VK_CONTROL] = false;
    g_keys[VK_SHIFT] = false;
    EXPECT_EQ(Lines(edit)[2], "id 009");
    clip = ClipboardGetText(nullptr);
    ASSERT_NE(clip, nullptr);
    EXPECT_STREQ(clip, "010");
    free(clip);
    edit.DestroyWindow();
}

TEST_F(TextEditWindow, ContextMenuEntryIsGreyedAwayFromMarks)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    ASSERT_TRUE(pane.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, 4106));
    pane.AppendText("Feld: 1234\nnichts");
    pane.AddMark(0x10, 2, 0, 6, 10);
    HMENU menu = ::CreatePopupMenu();
    LPARAM onMark = CellPoint(pane, 7, 0);
    EXPECT_EQ(pane.AddMarkMenuItems(menu, LOWORD(onMark), HIWORD(onMark)), 2u);
    EXPECT_EQ(::GetMenuItemCount(menu), 2);
    EXPECT_EQ(::GetMenuState(menu, ID_MARKTEXT_MARK_RANGE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    char text[64] = "";
    ::GetMenuStringA(menu, ID_MARKTEXT_MARK_RANGE, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Bereich markieren");
    ::DestroyMenu(menu);
    menu = ::CreatePopupMenu();
    LPARAM away = CellPoint(pane, 2, 1);
    EXPECT_EQ(pane.AddMarkMenuItems(menu, LOWORD(away), HIWORD(away)), 0u);
    EXPECT_NE(::GetMenuState(menu, ID_MARKTEXT_MARK_RANGE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    ::DestroyMenu(menu);
    uint32_t offset = 5;
    EXPECT_EQ(pane.GetChosenMark(&offset), 0u);
    pane.DestroyWindow();
}

// Cut, paste and block indent as the core does them, one row each: a read-only editor still
// hands its selection out (Ctrl+X, Shift+Delete, a cut to a slot) and beeps for the deletion;
// a slot pastes only from 2 bytes on; a paste over a selection inside one line is undone in
// one step with the deletion, over several lines in two; the caret after a block indent
// follows "caret to the start" (option bit 2).
TEST_F(TextEditWindow, CoreCutPasteAndIndentCases)
{
    enum Action
    {
        kCtrlX,
        kShiftDelete,
        kCutToSlot5,
        kCopySlot2ThenPaste,
        kPasteClipboard,
        kIndent,
    };
    struct Case
    {
        const char* what;
        bool readOnly;
        uint32_t options;
        POINT anchor, caret;           // the selection before the action
        Action action;
        std::vector<std::string> after;
        const char* handedOut;         // clipboard (or slot 5) afterwards; null: unchanged "-"
        int beeps;
        POINT caretAfter, anchorAfter;
        std::vector<std::string> afterOneUndo;
    };
    const std::vector<std::string> start = { "abcd", "efgh", "ijkl" };
    const Case cases[] = {
        { "read-only Ctrl+X copies, then beeps", true, 0x1849, { 1, 0 }, { 3, 0 }, kCtrlX, start, "bc", 1,
          { 3, 0 }, { 1, 0 }, start },
        { "read-only Shift+Delete copies, then beeps", true, 0x1849, { 1, 0 }, { 3, 0 }, kShiftDelete, start, "bc", 1,
          { 3, 0 }, { 1, 0 }, start },
        { "read-only cut to a slot fills it, then beeps", true, 0x1849, { 0, 1 }, { 2, 2 }, kCutToSlot5, start,
          "efgh\r\nij", 1, { 2, 2 }, { 0, 1 }, start },
        { "editable Ctrl+X moves the text out", false, 0x1849, { 1, 0 }, { 3, 0 }, kCtrlX,
          { "ad", "efgh", "ijkl" }, "bc", 0, { 1, 0 }, { 1, 0 }, start },
        { "a slot of one byte pastes nothing", false, 0x1849, { 0, 0 }, { 1, 0 }, kCopySlot2ThenPaste, start,
          nullptr, 0, { 4, 2 }, { 4, 2 }, start },
        { "a slot of two bytes pastes", false, 0x1849, { 0, 0 }, { 2, 0 }, kCopySlot2ThenPaste,
          { "abcd", "efgh", "ijklab" }, nullptr, 0, { 6, 2 }, { 6, 2 }, start },
        { "paste over one line: one undo step", false, 0x1849, { 1, 0 }, { 3, 0 }, kPasteClipboard,
          { "aXYd", "efgh", "ijkl" }, nullptr, 0, { 3, 0 }, { 3, 0 }, start },
        { "paste over two lines: the insertion is undone alone", false, 0x1849, { 1, 0 }, { 2, 1 },
          kPasteClipboard, { "aXYgh", "ijkl" }, nullptr, 0, { 3, 0 }, { 3, 0 }, { "agh", "ijkl" } },
        { "indent: caret after the block", false, 0x1849, { 1, 0 }, { 1, 1 }, kIndent,
          { "\tabcd", "\tefgh", "ijkl" }, nullptr, 0, { 0, 2 }, { 0, 0 }, start },
        { "indent, caret to the start: caret on the first line", false, 0x1849 | EO_CARET_TO_START, { 1, 0 },
          { 1, 1 }, kIndent, { "\tabcd", "\tefgh", "ijkl" }, nullptr, 0, { 0, 0 }, { 0, 2 }, start },
    };
    int id = 4200;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_beeps = 0;
        CTextEdit edit(2048, 50000, 0, "WindowTest");
        // After construction: an earlier row's editor may have stored its options.
        EditOptions = c.options;
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, id++));
        edit.AppendText("abcd\nefgh\nijkl");
        ClipboardSetText(c.action == kPasteClipboard ? "XY" : "-");
        if (c.action == kCopySlot2ThenPaste)
        {
            edit.SetCursorPos(c.anchor.x, c.anchor.y);
            edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
            edit.CopySelection(2);
            edit.SetCursorPos(4, 2);
        }
        else
        {
            edit.SetCursorPos(c.anchor.x, c.anchor.y);
            edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        }
        edit.SetEditable(c.readOnly ? 0 : 1);
        switch (c.action)
        {
        case kCtrlX:
            g_keys[VK_CONTROL] = true;
            Key(edit, 'X');
            g_keys[VK_CONTROL] = false;
            break;
        case kShiftDelete:
            g_keys[VK_SHIFT] = true;
            Key(edit, VK_DELETE);
            g_keys[VK_SHIFT] = false;
            break;
        case kCutToSlot5: edit.CutSelection(5); break;
        case kCopySlot2ThenPaste: edit.Paste(2); break;
        case kPasteClipboard: edit.Paste(-1); break;
        case kIndent: edit.IndentBlock(0); break;
        }
        EXPECT_EQ(Lines(edit), c.after);
        EXPECT_EQ(g_beeps, c.beeps);
        if (c.action == kCutToSlot5)
        {
            const CopySlot& slot = edit.GetCopySlot(5);
            EXPECT_EQ(std::string(slot.text ? slot.text : "", static_cast<size_t>(slot.length)), c.handedOut);
        }
        else
        {
            char* clip = ClipboardGetText(nullptr);
            EXPECT_STREQ(clip, c.handedOut ? c.handedOut : (c.action == kPasteClipboard ? "XY" : "-"));
            free(clip);
        }
        EXPECT_EQ(edit.GetCaretPos().x, c.caretAfter.x);
        EXPECT_EQ(edit.GetCaretPos().y, c.caretAfter.y);
        EXPECT_EQ(edit.GetAnchor().x, c.anchorAfter.x);
        EXPECT_EQ(edit.GetAnchor().y, c.anchorAfter.y);
        edit.Undo(-1);
        EXPECT_EQ(Lines(edit), c.afterOneUndo);
        edit.DestroyWindow();
    }
    EditOptions = 0x1849;
}

// F3 through the window as the program's accelerator table turns it into the find-next
// command: with wrap on every press selects the next match of the text, round its end twice,
// without a beep; the matches are counted on the lines here.
TEST_F(TextEditWindow, F3FindsTheNextMatchAtEveryPress)
{
    CTextEdit edit(2048, 50000, 0, "WindowTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 500, 300), &m_parent, 4110));
    EditOptions = 0x1849 | 0x40;
    edit.AppendText("eins zwei eins\ndrei eins vier\n");
    edit.SetSearchText("eins");
    edit.SetCursorPos(0, 0, 0);
    std::vector<POINT> hits;
    const std::vector<std::string> lines = Lines(edit);
    for (size_t l = 0; l < lines.size(); ++l)
        for (size_t at = lines[l].find("eins"); at != std::string::npos; at = lines[l].find("eins", at + 1))
            hits.push_back({ static_cast<LONG>(at), static_cast<LONG>(l) });
    ASSERT_EQ(hits.size(), 3u);
    ACCEL f3 = { FVIRTKEY, VK_F3, static_cast<WORD>(ID_TEXTEDIT_FIND_NEXT) };
    HACCEL table = CreateAcceleratorTableA(&f3, 1);
    ASSERT_NE(table, nullptr);
    g_beeps = 0;
    // Find next starts behind the caret: the first press finds the second match.
    for (size_t press = 0; press < 2 * hits.size() + 1; ++press)
    {
        SCOPED_TRACE(press);
        ASSERT_TRUE(edit.PostMessage(WM_KEYDOWN, VK_F3, 1));
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (!TranslateAcceleratorA(edit.m_hWnd, table, &msg))
            {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        const POINT want = hits[(press + 1) % hits.size()];
        EXPECT_EQ(edit.GetCaretPos().x, want.x);
        EXPECT_EQ(edit.GetCaretPos().y, want.y);
        EXPECT_EQ(edit.GetAnchor().x, want.x + 4);
    }
    EXPECT_EQ(g_beeps, 0);
    DestroyAcceleratorTable(table);
    edit.DestroyWindow();
}
