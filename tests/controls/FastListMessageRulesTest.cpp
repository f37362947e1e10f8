// Single messages of the fast list and what each leaves behind: one fresh list a case.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include "FastListTestSupport.h"
#include "controls/FastListImpl.h"

using namespace fltest;

namespace {

int CountOf(const Parent& p, int code)
{
    return static_cast<int>(std::count(p.codes.begin(), p.codes.end(), code));
}

// The first point of row `item` that hit-tests as its check box, or {-1, -1}.
POINT CheckBoxPoint(HWND fl, int item)
{
    RECT row = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(fl, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
    for (int x = std::max<LONG>(row.left, 0); x < row.right; ++x) {
        LVHITTESTINFO info = {};
        info.pt = {x, (row.top + row.bottom) / 2};
        SendMessageA(fl, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
        if (info.iItem == item && info.flags == LVHT_ONITEMSTATEICON)
            return info.pt;
    }
    return {-1, -1};
}

}  // namespace

TEST(FastListMessageRules, EachMessageLeavesWhatItsRuleSays)
{
    InitCommonControls();
    struct Case {
        const char* what;
        DWORD style;
        DWORD exStyle;
        std::function<LRESULT(HWND fl, Parent& parent, Texts& texts)> act;
        LRESULT expected;
    } cases[] = {
        {"0x109D names the focused column also without cell focus", 0, 0,
         [](HWND fl, Parent&, Texts&) {
             SendMessageA(fl, FLM_FOCUSSTATE, 2, 0);
             return SendMessageA(fl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), 0x101);
         },
         2},
        {"the finder compares the cell text with its glyphs", 0, 0,
         [](HWND fl, Parent&, Texts& texts) {
             texts.custom = [](DWORD data, int, FastListTextRequest* r) {
                 std::strcpy(r->text, data == 3 ? "\x01\x11Name" : "Other");
             };
             FastListFind bare = {FLF_TEXT, 0, 0, 0, 0, "Name"};
             FastListFind glyphs = {FLF_TEXT, 0, 0, 0, 0, "\x01\x11name"};
             return SendMessageA(fl, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&bare)) * 100 +
                    SendMessageA(fl, LVM_FINDITEMA, 0, reinterpret_cast<LPARAM>(&glyphs));
         },
         -100 + 2},
        {"a state change tells the changed bits as uChanged", 0, 0,
         [](HWND fl, Parent& parent, Texts&) {
             SetState(fl, 1, LVIS_CUT, LVIS_CUT);
             std::vector<Note> changing = parent.Of(static_cast<int>(LVN_ITEMCHANGING));
             std::vector<Note> changed = parent.Of(static_cast<int>(LVN_ITEMCHANGED));
             if (changing.size() != 1 || changed.size() != 1)
                 return static_cast<LRESULT>(-1);
             return static_cast<LRESULT>(changing[0].changed * 16 + changed[0].changed);
         },
         LVIS_CUT * 16 + LVIS_CUT},
        {"LVM_SETBKCOLOR stores the value as given", 0, 0,
         [](HWND fl, Parent&, Texts&) {
             SendMessageA(fl, LVM_SETBKCOLOR, 3, static_cast<LPARAM>(0x01123456));
             return SendMessageA(fl, LVM_GETBKCOLOR, 3, 0);
         },
         0x01123456},
        {"scrolling right stops at the columns' total width", 0, 0,
         [](HWND fl, Parent&, Texts&) {
             SendMessageA(fl, LVM_SCROLL, 5000, 0);
             return static_cast<LRESULT>(FastListOf(fl)->originX);
         },
         3 * 150},
        {"a right press on a check box toggles it and tells the parent", 0, LVS_EX_CHECKBOXES,
         [](HWND fl, Parent& parent, Texts&) {
             const POINT pt = CheckBoxPoint(fl, 1);
             if (pt.x < 0)
                 return static_cast<LRESULT>(-1);
             SendMessageA(fl, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
             SendMessageA(fl, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
             return static_cast<LRESULT>((SendMessageA(fl, LVM_GETITEMSTATE, 1, 0xF000) & 0xF000) +
                                         CountOf(parent, FLN_CHECKCHANGED));
         },
         0x2000 + 1},
        {"a space in a check cell of kind 7 changes nothing", LVS_EDITLABELS, FLS_EX_CELLFOCUS,
         [](HWND fl, Parent& parent, Texts&) {
             SendMessageA(fl, FLM_SETCELLKIND, (7 << 8) | (1 << 11), 0);
             SendMessageA(fl, FLM_FOCUSCELL, 1, 1);
             SendMessageA(fl, WM_CHAR, ' ', 1);
             return static_cast<LRESULT>(CountOf(parent, FLN_CHECKCHANGED));
         },
         0},
        {"a letter in a check cell of kind 7 toggles it", LVS_EDITLABELS, FLS_EX_CELLFOCUS,
         [](HWND fl, Parent& parent, Texts&) {
             SendMessageA(fl, FLM_SETCELLKIND, (7 << 8) | (1 << 11), 0);
             SendMessageA(fl, FLM_FOCUSCELL, 1, 1);
             SendMessageA(fl, WM_CHAR, 'x', 1);
             return static_cast<LRESULT>(CountOf(parent, FLN_CHECKCHANGED));
         },
         1},
        {"LVM_EDITLABELA opens the editor without asking the parent", LVS_EDITLABELS, 0,
         [](HWND fl, Parent& parent, Texts&) {
             const LRESULT started = SendMessageA(fl, LVM_EDITLABELA, 1, 0);
             const bool open = SendMessageA(fl, LVM_GETEDITCONTROL, 0, 0) != 0;
             return static_cast<LRESULT>(started * 100 + (open ? 10 : 0) + CountOf(parent, FLN_EDITREQUEST));
         },
         100 + 10},
        {"a typed character still asks the parent first", LVS_EDITLABELS, 0,
         [](HWND fl, Parent& parent, Texts&) {
             SendMessageA(fl, FLM_FOCUSCELL, 0, 1);
             SendMessageA(fl, WM_CHAR, 'a', 1);
             return static_cast<LRESULT>(CountOf(parent, FLN_EDITREQUEST));
         },
         1},
        // The focus index, then the item with the focus bit: both stay on item 1.
        {"a keyboard move the parent refuses leaves the focus where it was", 0, 0,
         [](HWND fl, Parent& parent, Texts&) {
             SendMessageA(fl, FLM_FOCUSCELL, 0, 1);
             parent.react = [](NMHDR* hdr) -> LRESULT {
                 return hdr->code == LVN_ITEMCHANGING && reinterpret_cast<NMLISTVIEW*>(hdr)->iItem == 2;
             };
             SendMessageA(fl, WM_KEYDOWN, VK_DOWN, 0);
             parent.react = nullptr;
             return SendMessageA(fl, LVM_GETSELECTIONMARK, 0, 0) * 10 +
                    SendMessageA(fl, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
         },
         1 * 10 + 1},
        {"a selection request the parent refuses answers 0", 0, 0,
         [](HWND fl, Parent& parent, Texts&) {
             parent.react = [](NMHDR* hdr) -> LRESULT { return hdr->code == LVN_ITEMCHANGING; };
             const LRESULT answer = SetState(fl, 3, LVIS_SELECTED, LVIS_SELECTED);
             parent.react = nullptr;
             return answer * 10 + SendMessageA(fl, LVM_GETITEMSTATE, 3, LVIS_SELECTED);
         },
         0},
        // Columns shown as 1, 0, 2: column 1 lies left of the span from column 0 to column 2.
        {"0x10A8 invalidates each named column's cells in another display order", 0, 0,
         [](HWND fl, Parent&, Texts&) {
             const int order[] = {1, 0, 2};
             SendMessageA(fl, LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order));
             UpdateWindow(fl);
             ValidateRect(fl, nullptr);
             const LRESULT answer = SendMessageA(fl, FLM_REDRAWCELLS, 1, 1 | (3 << 24));
             RECT cell = {static_cast<LONG>(0x80u | (1u << 24)), 0, 0, 0};
             SendMessageA(fl, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
             HRGN dirty = CreateRectRgn(0, 0, 0, 0);
             GetUpdateRgn(fl, dirty, FALSE);
             const bool column1 = PtInRegion(dirty, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2) != 0;
             DeleteObject(dirty);
             return answer * 10 + (column1 ? 1 : 0);
         },
         1 * 10 + 1},
        // The header item while hidden, then the column's width when shown again.
        {"LVM_SETCOLUMNWIDTH on a hidden column keeps its header item closed", 0, 0,
         [](HWND fl, Parent&, Texts&) {
             LVCOLUMNA hide = {};
             hide.mask = FLCF_HIDDEN;
             hide.fmt = FLCFMT_HIDDEN;
             SendMessageA(fl, LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&hide));
             SendMessageA(fl, LVM_SETCOLUMNWIDTH, 0, 80);
             const LRESULT hidden = SendMessageA(fl, LVM_GETCOLUMNWIDTH, 0, 0);
             hide.fmt = 0;   // shown again
             SendMessageA(fl, LVM_SETCOLUMNA, 0, reinterpret_cast<LPARAM>(&hide));
             return hidden * 1000 + SendMessageA(fl, LVM_GETCOLUMNWIDTH, 0, 0);
         },
         0 * 1000 + 80},
        {"a divider double-click without rows keeps the column's width", 0, 0,
         [](HWND fl, Parent&, Texts&) {
             SendMessageA(fl, LVM_DELETEALLITEMS, 0, 0);
             DoubleClickDivider(fl, 1);
             return SendMessageA(fl, LVM_GETCOLUMNWIDTH, 1, 0);
         },
         150},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Parent parent;
        ShowWindow(parent.hwnd, SW_SHOW);
        Texts texts;
        HWND fl = MakeFastList(parent.hwnd, c.style, &texts, 0, 0, 300, 200);
        ASSERT_NE(fl, nullptr);
        if (c.exStyle)
            SendMessageA(fl, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(c.exStyle));
        for (int col = 0; col < 3; ++col)
            ASSERT_EQ(AddColumn(fl, col, 150), col);
        SendMessageA(fl, FLM_APPENDRUN, 5, 1);
        parent.codes.clear();
        parent.notes.clear();
        EXPECT_EQ(c.act(fl, parent, texts), c.expected);
        DestroyWindow(fl);
        Drain();
    }
}
