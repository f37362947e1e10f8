// The list under keys, characters, the wheel, a header drag, in-place editing and the cell-kind
// action, each seen by a recording parent.
#include <gtest/gtest.h>
#include "controls/FastListImpl.h"
#include "controls/FastListModel.h"
#include "tests/controls/FastListTestSupport.h"

#include <cstring>

using namespace fltest;

namespace {

DWORD g_now = 50000;
DWORD Clock()
{
    return g_now;
}

// Holds Ctrl and Shift as the list will read them.
void Keys(bool ctrl, bool shift)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
}

int Focused(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int Top(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
}

struct ListFixture : ::testing::Test {
    Parent parent;
    Texts texts;
    HWND list = nullptr;
    void Make(DWORD style, int items)
    {
        list = MakeFastList(parent.hwnd, style, &texts, 0, 0, 300, 200);
        AddColumn(list, 0, 120);
        AddColumn(list, 1, 120);
        SendMessageA(list, FLM_APPENDRUN, items, 0);
    }
    void TearDown() override
    {
        Keys(false, false);
        if (list)
            DestroyWindow(list);
        Drain();
    }
};

}  // namespace

TEST_F(ListFixture, CtrlKeysAndTheWheelScrollWithoutMovingTheFocus)
{
    Make(0, 100);
    SetState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const int whole = static_cast<int>(SendMessageA(list, FLM_GETWHOLEROWS, 0, 0));
    ASSERT_GT(whole, 2);
    Keys(true, false);
    SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Top(list), 1);
    SendMessageA(list, WM_KEYDOWN, VK_NEXT, 0);
    EXPECT_EQ(Top(list), 1 + whole - 1);
    EXPECT_EQ(Focused(list), 0);
    SendMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(Top(list), 0);
    Keys(false, false);
    // A notch of 120 is two rows; Shift three times, Ctrl nine times that; 59 is nothing.
    SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(Top(list), 2);
    SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(Top(list), 8);
    SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(Top(list), 26);
    SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(0, 59), 0);
    EXPECT_EQ(Top(list), 26);
    SendMessageA(list, WM_MOUSEWHEEL, MAKEWPARAM(MK_LBUTTON, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(Top(list), 26);   // a button held: ignored
    // Down moves the focus and the selection; Shift+End selects from the anchor.
    SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Focused(list), 1);
    Keys(false, true);
    SendMessageA(list, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(Focused(list), 99);
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 99);
}

TEST_F(ListFixture, TypeAheadThroughCharactersAndTheParentsKeyAnswer)
{
    FastListTypeAhead::SetClock(&Clock);
    FastListTypeAhead::Shared().Reset();
    texts.custom = [](DWORD data, int column, FastListTextRequest* r) {
        static const char* names[] = {"Anton", "Berta", "Bruno", "Bernd", "Caesar"};
        std::strcpy(r->text, column == 0 ? names[data % 5] : "");
    };
    Make(0, 5);
    SetState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    for (int expected : {1, 2, 3}) {
        g_now += 400;
        SendMessageA(list, WM_CHAR, 'b', 1);
        EXPECT_EQ(Focused(list), expected);
    }
    char prefix[20] = {};
    EXPECT_EQ(SendMessageA(list, LVM_GETISEARCHSTRINGA, 0, reinterpret_cast<LPARAM>(prefix)), 1);
    EXPECT_STREQ(prefix, "BBB");
    g_now += 751;
    EXPECT_EQ(SendMessageA(list, LVM_GETISEARCHSTRINGA, 0, reinterpret_cast<LPARAM>(prefix)), 0);
    // An answer of 1 to LVN_KEYDOWN keeps the character from searching.
    parent.react = [](NMHDR* hdr) -> LRESULT { return hdr->code == LVN_KEYDOWN; };
    SendMessageA(list, WM_KEYDOWN, 'C', 0);
    g_now += 2000;
    SendMessageA(list, WM_CHAR, 'c', 1);
    EXPECT_EQ(Focused(list), 3);
    parent.react = nullptr;
    SendMessageA(list, WM_KEYDOWN, 'C', 0);
    SendMessageA(list, WM_CHAR, 'c', 1);
    EXPECT_EQ(Focused(list), 4);
    FastListTypeAhead::SetClock(nullptr);
}

TEST_F(ListFixture, HeaderDragOrdersTheColumnsAsTheOrderMessageDoes)
{
    Make(0, 3);
    AddColumn(list, 2, 50);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, FLS_EX_COLUMNNOTIFY, FLS_EX_COLUMNNOTIFY);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    HDITEMA item = {};
    item.mask = HDI_ORDER;
    item.iOrder = 0;
    NMHEADERA drag = {};
    drag.hdr.hwndFrom = header;
    drag.hdr.code = HDN_ENDDRAG;
    drag.iItem = 2;
    drag.pitem = &item;
    parent.notes.clear();
    SendMessageA(list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&drag));
    int order[3] = {};
    SendMessageA(list, LVM_GETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order));
    EXPECT_EQ(std::vector<int>(order, order + 3), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(parent.Of(FLN_COLUMNCHANGED).size(), 3u);
}

TEST_F(ListFixture, InPlaceEditingAsksTheParentAndReportsTheText)
{
    Make(LVS_EDITLABELS, 3);
    // A key handed to the editing routine asks the parent first (LVM_EDITLABELA's own form
    // opens the editor without asking).
    SendMessageA(list, FLM_FOCUSSTATE, 0x40000000 | 0xFFFF, 1);
    SendMessageA(list, FLM_FOCUSSTATE, 1, 1);
    const LPARAM keyReturn = static_cast<LPARAM>(0xF5A5A50Du);
    EXPECT_EQ(SendMessageA(list, LVM_EDITLABELA, 0, keyReturn), 1);
    HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    char cls[16] = {};
    GetClassNameA(edit, cls, sizeof cls);
    EXPECT_STREQ(cls, "Edit");
    char shown[32] = {};
    GetWindowTextA(edit, shown, sizeof shown);
    EXPECT_STREQ(shown, "1.1");
    SetWindowTextA(edit, "neu");
    std::string reported;
    parent.react = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == LVN_SETDISPINFOA)
            reported = reinterpret_cast<NMLVDISPINFOA*>(hdr)->item.pszText;
        return 0;
    };
    SendMessageA(list, FLM_ENDEDIT, 0, 0);
    EXPECT_EQ(reported, "neu");
    EXPECT_EQ(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0), 0);
    std::vector<int> codes = parent.codes;
    const int expected[] = {FLN_EDITREQUEST, static_cast<int>(LVN_BEGINLABELEDITA),
                            static_cast<int>(LVN_ENDLABELEDITA), static_cast<int>(LVN_SETDISPINFOA)};
    size_t at = 0;
    for (int code : codes)
        if (at < 4 && code == expected[at])
            ++at;
    EXPECT_EQ(at, 4u);
    // Refused by the parent: no editor.
    parent.react = [](NMHDR* hdr) -> LRESULT { return static_cast<int>(hdr->code) == FLN_EDITREQUEST ? static_cast<LRESULT>(FLE_REFUSE) : 0; };
    EXPECT_EQ(SendMessageA(list, LVM_EDITLABELA, 0, keyReturn), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0), 0);
    parent.react = nullptr;
    // Without LVS_EDITLABELS nothing edits.
    SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) & ~LVS_EDITLABELS);
    EXPECT_EQ(SendMessageA(list, LVM_EDITLABELA, 0, 0), 0);
}

TEST_F(ListFixture, TheCellKindActionStepsThroughTheColumnsChoices)
{
    static const char choices[] = "Ja|Nein|Vielleicht";
    texts.custom = [](DWORD, int column, FastListTextRequest* r) { std::strcpy(r->text, column == 1 ? "Nein" : "x"); };
    Make(LVS_EDITLABELS, 2);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, FLS_EX_CELLFOCUS, FLS_EX_CELLFOCUS);
    const WPARAM kind = (1 << 8) | (1 << 11) | (static_cast<WPARAM>('|') << 17);
    ASSERT_EQ(SendMessageA(list, FLM_SETCELLKIND, kind, reinterpret_cast<LPARAM>(choices)), 1);
    ASSERT_EQ(SendMessageA(list, FLM_FOCUSCELL, 1, 0), 1);
    std::string chosen;
    parent.react = [&](NMHDR* hdr) -> LRESULT {
        if (static_cast<int>(hdr->code) == FLN_CELLVALUE)
            chosen = reinterpret_cast<FastListCellValue*>(hdr)->text;
        return 0;
    };
    SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(chosen, "Vielleicht");
    SendMessageA(list, WM_CHAR, 'j', 1);
    EXPECT_EQ(chosen, "Ja");
    parent.react = nullptr;
    // A check column (kind 7) reports the cell's new state, its own bits kept, in uNewState
    // and in uOldState, as a click on an item's check box does.
    texts.custom = [](DWORD, int column, FastListTextRequest* r) {
        std::strcpy(r->text, "x");
        if (column == 1)
            r->state = 0x1000 | LVIS_CUT;
    };
    ASSERT_EQ(SendMessageA(list, FLM_SETCELLKIND, (7 << 8) | (1 << 11), 0), 1);
    parent.notes.clear();
    SendMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
    std::vector<Note> told = parent.Of(FLN_CHECKCHANGED);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].column, 1);
    EXPECT_EQ(told[0].newState, 0x2000u | LVIS_CUT);
    EXPECT_EQ(told[0].oldState, told[0].newState);
}

// A press on one of several selected items waits for the release and is then handled as
// the plain press it was: the focus goes to the item and the column it hit.
TEST_F(ListFixture, AReleasedPendingPressFocusesTheCellItHit)
{
    Make(0, 4);
    const DWORD ex = FLS_EX_CELLFOCUS | LVS_EX_FULLROWSELECT;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    auto at = [&](int item, int column) {
        RECT r = {};
        r.top = column;
        r.left = LVIR_BOUNDS | 0x80;
        SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
        return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at(1, 0));
    SendMessageA(list, WM_LBUTTONUP, MK_CONTROL, at(1, 0));
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at(2, 0));
    SendMessageA(list, WM_LBUTTONUP, MK_CONTROL, at(2, 0));
    ASSERT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(1, 1));
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 2) << "kept until the release";
    SendMessageA(list, WM_LBUTTONUP, 0, at(1, 1));
    EXPECT_EQ(Focused(list), 1);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), 0x101), 1) << "the focused column";
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ListFixture, TheHeadersOwnDividerDragReachesTheListAsAnsiNotices)
{
    Make(0, 3);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(SendMessageA(header, HDM_GETUNICODEFORMAT, 0, 0), 0);   // it tells its parent in ANSI
    RECT first = {};
    ASSERT_TRUE(SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)));
    const int y = (first.top + first.bottom) / 2;
    // The divider between columns 0 and 1 pulled 40 pixels right with the mouse.
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.right, y));
    SendMessageA(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(first.right + 40, y));
    SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM(first.right + 40, y));
    Drain();
    RECT cell = {};
    cell.top = 1;                     // the column
    cell.left = LVIR_BOUNDS | 0x80;   // measured as a cell
    ASSERT_TRUE(SendMessageA(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell)));
    EXPECT_EQ(cell.left, first.right + 40);
}

TEST_F(ListFixture, PasteKeysAskForAnEditOnlyWithTextOnTheClipboard)
{
    Make(LVS_EDITLABELS, 3);
    SetState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    std::vector<int> asked;
    parent.react = [&](NMHDR* hdr) -> LRESULT {
        if (static_cast<int>(hdr->code) == FLN_EDITREQUEST) {
            const FastListEditRequest* r = reinterpret_cast<const FastListEditRequest*>(hdr);
            asked.push_back(r->item.iItem * 0x100000 + r->code);
            return FLE_REFUSE;
        }
        return 0;
    };
    auto paste = [&](bool ctrl, bool shift, WPARAM key) {
        Keys(ctrl, shift);
        SendMessageA(list, WM_KEYDOWN, key, 0);
        Keys(false, false);
    };
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    paste(true, false, 'V');
    EXPECT_TRUE(asked.empty()) << "no text on the clipboard";
    ASSERT_TRUE(OpenClipboard(nullptr));
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(text), "abc", 4);
    GlobalUnlock(text);
    SetClipboardData(CF_TEXT, text);
    CloseClipboard();
    paste(true, false, 'V');
    paste(false, true, VK_INSERT);
    paste(false, false, 'V');   // a plain V is a character's business
    EXPECT_EQ(asked, (std::vector<int>{0x100000 + 0x10004, 0x100000 + 0x10004}));
    parent.react = nullptr;
}

TEST_F(ListFixture, ATooltipIsMeasuredAndShownInTheFontOfItsCell)
{
    // One text in two rows, bold in the second: a first column between its normal and its
    // bold width cuts only the bold one, which alone gets a tooltip, in the bold font, over
    // the label after the row's tree glyph.
    const char* kText = "Sektor 123456 im Datentraeger, Bootsektor der Partition 2";
    texts.custom = [kText](DWORD data, int column, FastListTextRequest* r) {
        std::strcpy(r->text, column == 0 ? "\x01" : "");
        if (column == 0)
            std::strcat(r->text, kText);
        if (data == 1)
            r->state |= 0x80;
    };
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
    list = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 600, 200);
    SendMessageA(list, FLM_APPENDRUN, 2, 0);
    HFONT font = CreateFontA(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    FastListBlock* b = FastListOf(list);
    ASSERT_NE(b, nullptr);
    int widths[2] = {};
    HDC dc = GetDC(list);
    for (int bold = 0; bold < 2; ++bold) {
        HGDIOBJ old = SelectObject(dc, b->fonts[bold]);
        SIZE size = {};
        GetTextExtentPoint32A(dc, kText, static_cast<int>(std::strlen(kText)), &size);
        widths[bold] = size.cx;
        SelectObject(dc, old);
    }
    ReleaseDC(list, dc);
    ASSERT_GT(widths[1], widths[0] + 12);
    const int glyph = 16;
    AddColumn(list, 0, glyph + 4 + (widths[0] + widths[1]) / 2);
    UpdateWindow(parent.hwnd);
    for (int item = 0; item < 2; ++item) {
        RECT cell = {LVIR_LABEL, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
        POINT at = {cell.left + glyph + 8, (cell.top + cell.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        EXPECT_EQ(b->index.tooltip, item == 1 ? 1 : -1) << "item " << item;
        SendMessageA(list, WM_TIMER, kFastListTooltipTimer, 0);
        EXPECT_EQ(b->tipShown, item == 1) << "item " << item;
        if (item == 1) {
            // The tooltip keeps a copy of the font it is given.
            LOGFONTA shown = {}, cell = {};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(b->tooltip, WM_GETFONT, 0, 0)), sizeof shown, &shown);
            GetObjectA(b->fonts[1], sizeof cell, &cell);
            EXPECT_EQ(shown.lfWeight, cell.lfWeight);
            EXPECT_STREQ(shown.lfFaceName, cell.lfFaceName);
            POINT label = {};
            RECT row = {LVIR_LABEL, 0, 0, 0};
            SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
            label = {row.left + glyph, row.top};
            ClientToScreen(list, &label);
            POINT tip = {0, 0};   // the tooltip's client area starts at the place it was given
            ClientToScreen(b->tooltip, &tip);
            EXPECT_EQ(tip.x, label.x);
        }
    }
    SetCursorPos(0, 0);
    DestroyWindow(list);
    list = nullptr;
    DeleteObject(font);
}

// The tooltip's label leaves room for the item image only in a row that shows one: the same
// text that fits beside no image is cut where an image stands before it.
TEST_F(ListFixture, ATooltipLeavesRoomForAnImageOnlyWhereTheRowHasOne)
{
    const char* kText = "Bootsektor der Partition 2";
    texts.custom = [kText](DWORD data, int column, FastListTextRequest* r) {
        std::strcpy(r->text, column == 0 ? kText : "");
        if (column == 0 && data == 0)
            r->image = 0;
    };
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
    list = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 400, 200);
    SendMessageA(list, FLM_APPENDRUN, 2, 0);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    SendMessageA(list, LVM_SETIMAGELIST, 1 | 0x40000000, reinterpret_cast<LPARAM>(images));
    FastListBlock* b = FastListOf(list);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->images[FLIL_ITEM].cx, 16);
    HDC dc = GetDC(list);
    const int width = FastListCellTextWidth(b, dc, kText, static_cast<int>(std::strlen(kText)), false);
    ReleaseDC(list, dc);
    // Four pixels of the label's room and three to spare: less than the image takes.
    AddColumn(list, 0, width + 4 + 3);
    UpdateWindow(parent.hwnd);
    const struct {
        int item;
        bool tip;
        int textAt;   // where the label starts in the cell
    } cases[] = {
        {0, true, 16 + 1},
        {1, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        RECT cell = {LVIR_BOUNDS, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(c.item), reinterpret_cast<LPARAM>(&cell));
        SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 30, (cell.top + cell.bottom) / 2));
        EXPECT_EQ(b->index.tooltip, c.tip ? c.item : -1);
        if (c.tip) {
            EXPECT_EQ(b->tipRect.left, cell.left + c.textAt);
        }
        SendMessageA(list, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));   // off the rows: the tip goes
    }
    DestroyWindow(list);
    list = nullptr;
    ImageList_Destroy(images);
}

TEST_F(ListFixture, ADividerDoubleClickFitsTheColumnInTheFontItsCellsArePaintedIn)
{
    // Bit 0x80 of a cell's state paints it bold; higher bits alone leave it in the normal
    // font, and the fitted width follows the font the cell is painted in.
    UINT cellState = 0;
    texts.custom = [&cellState](DWORD, int column, FastListTextRequest* r) {
        std::strcpy(r->text, column == 1 ? "Sektor 123456 im Datentraeger, Bootsektor" : "x");
        r->state = cellState;
    };
    Make(0, 1);
    ASSERT_NE(SendMessageA(list, LVM_GETHEADER, 0, 0), 0);
    auto fit = [&](UINT state) {
        cellState = state;
        DoubleClickDivider(list, 1);
        return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
    };
    const int normal = fit(0), bold = fit(0x80);
    ASSERT_GT(bold, normal) << "the bold font is wider for this text";
    for (UINT state : {0x100u, 0x7F00u, 0x8100u, 0x180u, 0x7F80u})
        EXPECT_EQ(fit(state), (state & 0x80) ? bold : normal) << "cell state " << std::hex << state;
}

namespace {

// Where the list has cell (item, column), also off the page (code bit 0x100), in its client.
RECT CellOf(HWND list, int item, int column)
{
    RECT r = {static_cast<LONG>(0x180u | (static_cast<DWORD>(column) << 24)), 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
    return r;
}

RECT ClientRectOf(HWND child, HWND parent)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

// A scroll the program makes while a cell is edited leaves the edit open on its record, with
// what was typed so far: the editor moves with the cell, nothing is handed on, and the user's
// own end of the edit later hands the text to that record.
TEST_F(ListFixture, AScrollTheProgramMakesKeepsAnOpenEditOnItsRecord)
{
    const struct {
        const char* what;
        int kind;   // 0 LVM_SCROLL, 1 LVM_ENSUREVISIBLE, 2 a follow-tail insertion, 3 FLM_SCROLLTOROW,
                    // 4 an append scrolling its last item into view, 5 LVM_SCROLL to the right,
                    // 6 an insertion at 0, 7 a deletion at 0, 8 a deferred follow-tail insertion
    } cases[] = {
        {"LVM_SCROLL three rows down", 0},
        {"scrolling the last item into view", 1},
        {"an insertion following the tail", 2},
        {"scrolling to a row", 3},
        {"an append scrolling its last item into view", 4},
        {"LVM_SCROLL to the right", 5},
        {"an insertion above the edited record", 6},
        {"a deletion above the edited record", 7},
        {"a deferred insertion following the tail, at its refresh", 8},
    };
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);   // an editor in a hidden window is no edit running
    for (const auto& c : cases) {
        Make(LVS_EDITLABELS, 0);
        const int whole = static_cast<int>(SendMessageA(list, FLM_GETWHOLEROWS, 0, 0));
        ASSERT_GT(whole, 3) << c.what;
        // As many items as whole rows: the next one at the end lies within the page's last two rows.
        SendMessageA(list, FLM_APPENDRUN, static_cast<WPARAM>(c.kind == 2 || c.kind == 8 ? whole : 3 * whole), 0);
        ASSERT_EQ(SendMessageA(list, LVM_EDITLABELA, 1, 0), 1) << c.what;
        HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
        ASSERT_NE(edit, nullptr) << c.what;
        ASSERT_TRUE(IsWindowVisible(edit)) << c.what;
        SetWindowTextA(edit, "nicht bestaetigt");
        std::vector<std::pair<int, std::string>> handedOn;
        parent.react = [&](NMHDR* hdr) -> LRESULT {
            const NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(hdr);
            if ((hdr->code == LVN_ENDLABELEDITA || hdr->code == LVN_SETDISPINFOA) && info->item.pszText)
                handedOn.push_back({static_cast<int>(info->item.lParam), info->item.pszText});
            return 0;
        };
        // The edited record's cell: data word 1, wherever the record went.
        auto recordCell = [&] {
            FastListFind record = {FLF_DATA, 0, 0, 0, 1, nullptr};
            return CellOf(list, static_cast<int>(SendMessageA(list, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&record))), 0);
        };
        const RECT before = recordCell();
        EXPECT_EQ(ClientRectOf(edit, list).top, before.top) << c.what;
        const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        const int rowHeight = static_cast<int>(SendMessageA(list, FLM_GETROWHEIGHT, 0, 0));
        switch (c.kind) {
        case 0: SendMessageA(list, LVM_SCROLL, 0, 3 * rowHeight); break;
        case 1: SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), 0); break;
        case 2: SendMessageA(list, FLM_APPENDRUN, 1 | FLI_FOLLOWTAIL, 0); break;
        case 3: SendMessageA(list, FLM_SCROLLTOROW, 5, 0); break;
        case 4: SendMessageA(list, FLM_APPENDRUN, 2 * whole | FLI_ENSUREVISIBLE, 0); break;
        case 5: SendMessageA(list, LVM_SCROLL, 50, 0); break;
        case 6: InsertData(list, 0, 999); break;
        case 7: SendMessageA(list, LVM_DELETEITEM, 0, 0); break;
        default:
            SendMessageA(list, FLM_APPENDRUN, 1 | FLI_FOLLOWTAIL | FLI_DEFERRED, 0);
            SendMessageA(list, WM_TIMER, kFastListRefreshTimer, 0);
            break;
        }
        const RECT after = recordCell();
        EXPECT_FALSE(EqualRect(&before, &after)) << c.what;   // the view did move
        EXPECT_TRUE(handedOn.empty()) << c.what << ": " << (handedOn.empty() ? "" : handedOn[0].second);
        ASSERT_EQ(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0)), edit) << c.what;
        char typed[32] = {};
        GetWindowTextA(edit, typed, sizeof typed);
        EXPECT_STREQ(typed, "nicht bestaetigt") << c.what;
        const RECT now = ClientRectOf(edit, list);
        EXPECT_EQ(now.left, after.left) << c.what;   // over its record's cell, wherever that went
        EXPECT_EQ(now.top, after.top) << c.what;
        // The user's Return ends it: the text reaches the record edited.
        SendMessageA(list, FLM_ENDEDIT, 0, 0);
        ASSERT_EQ(handedOn.size(), 2u) << c.what;
        for (const auto& h : handedOn) {
            EXPECT_EQ(h.first, 1) << c.what;   // the record's data word
            EXPECT_EQ(h.second, "nicht bestaetigt") << c.what;
        }
        parent.react = nullptr;
        DestroyWindow(list);
        list = nullptr;
        Drain();
    }
}

namespace {

// The order the list had, turned round: data words from FLM_APPENDRUN count up from 0.
int __stdcall Descending(DWORD a, DWORD b, LPARAM)
{
    return a < b ? 1 : (a > b ? -1 : 0);
}

}  // namespace

// A sort while a cell is edited: the editor stays open over the record it edits, wherever the
// sort put it, and its end hands the text to that record's cell, not to the one now in its old
// row nor to none.
TEST_F(ListFixture, ASortKeepsAnOpenEditWithTheRecordItEdits)
{
    struct Case {
        const char* what;
        int pages;      // items: as many pages of whole rows
        int scrolled;   // whole pages scrolled down before the edit starts
        int row;        // the edited item's row in the view
        int column;
    } cases[] = {
        {"a record moving down within the page", 0, 0, 1, 1},
        {"a record moving to the end, far past the page", 3, 0, 1, 0},
        {"a record moving to the start, far above the page", 3, 2, 1, 1},
    };
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);   // an editor in a hidden window is no edit running
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Make(LVS_EDITLABELS, 0);
        const int whole = static_cast<int>(SendMessageA(list, FLM_GETWHOLEROWS, 0, 0));
        ASSERT_GT(whole, 3);
        const int count = c.pages ? c.pages * whole : 5;
        SendMessageA(list, FLM_APPENDRUN, static_cast<WPARAM>(count), 0);
        SendMessageA(list, FLM_SCROLLTOROW, static_cast<WPARAM>(c.scrolled * whole), 0);
        const int item = Top(list) + c.row;
        ASSERT_EQ(SendMessageA(list, LVM_EDITLABELA, static_cast<WPARAM>(item), c.column), 1);
        HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
        ASSERT_TRUE(edit && IsWindowVisible(edit));
        SetWindowTextA(edit, "neu");
        ASSERT_TRUE(SendMessageA(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&Descending)));
        const int now = count - 1 - item;   // where the reversed order puts the record
        // Still open, and over the record's cell, which is in view.
        ASSERT_EQ(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0)), edit);
        EXPECT_TRUE(IsWindowVisible(edit));
        RECT cell = {};
        cell.top = c.column;
        cell.left = LVIR_BOUNDS | 0x80;   // the cell, not the row
        ASSERT_EQ(SendMessageA(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(now), reinterpret_cast<LPARAM>(&cell)), 1)
            << "the record's row is out of view";
        RECT placed;
        GetWindowRect(edit, &placed);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.top, cell.top);
        EXPECT_EQ(placed.left, cell.left);
        // Its end names the record and its cell, with the text.
        std::vector<NMLVDISPINFOA> ends;
        std::vector<std::string> texts;
        parent.react = [&](NMHDR* hdr) -> LRESULT {
            const NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(hdr);
            if (hdr->code == LVN_ENDLABELEDITA || hdr->code == LVN_SETDISPINFOA) {
                ends.push_back(*info);
                texts.push_back(info->item.pszText ? info->item.pszText : "(none)");
            }
            return 0;
        };
        SendMessageA(list, FLM_ENDEDIT, 0, 0);
        parent.react = nullptr;
        ASSERT_EQ(ends.size(), 2u);
        for (size_t i = 0; i < ends.size(); ++i) {
            EXPECT_EQ(ends[i].item.iItem, now);
            EXPECT_EQ(ends[i].item.iSubItem, c.column);
            EXPECT_EQ(ends[i].item.lParam, static_cast<LPARAM>(item));   // the record's own data word
            EXPECT_EQ(texts[i], "neu");
        }
        DestroyWindow(list);
        list = nullptr;
        Drain();
    }
}
