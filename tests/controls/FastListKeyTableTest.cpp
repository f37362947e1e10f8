// The list's navigation keys as one table: with Ctrl they scroll (a page less one row, the
// first row, the last page, one row, 16 pixels sideways) and leave the focus; Left and Right
// move the focused cell over the columns in display order, past hidden and empty ones, only
// with cell focus.
#include <gtest/gtest.h>
#include "controls/FastList.h"
#include "controls/FastListImpl.h"
#include "tests/controls/FastListTestSupport.h"

using namespace fltest;

namespace {

void HoldCtrl(bool ctrl)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
}

}  // namespace

TEST(FastListKeys, EachKeyDoesWhatItsRowSays)
{
    const int kPageDown = -1, kLastPage = -2;   // the top row after the key, in pages
    const struct Case {
        const char* name;
        DWORD exStyle;
        bool ctrl;
        UINT key;
        int top;                 // the top row before the key
        int origin;              // the horizontal scroll before the key
        int column;              // the focused column before the key
        int emptyColumn;         // -1, or a column made 0 wide
        int topAfter;            // a row, or kPageDown / kLastPage counted from `top`
        int originAfter;         // -1: as the focused cell's scrolling into view leaves it
        int columnAfter;         // the focused column after the key
    } cases[] = {
        { "Ctrl+PgUp", FLS_EX_CELLFOCUS, true, VK_PRIOR, 40, 0, 1, -1, kPageDown, 0, 1 },
        { "Ctrl+End", 0, true, VK_END, 0, 0, 0, -1, kLastPage, 0, 0 },
        { "Ctrl+Up", 0, true, VK_UP, 10, 0, 0, -1, 9, 0, 0 },
        { "Ctrl+Up at the top", 0, true, VK_UP, 0, 0, 0, -1, 0, 0, 0 },
        { "Ctrl+Right", FLS_EX_CELLFOCUS, true, VK_RIGHT, 0, 0, 1, -1, 0, 16, 1 },
        { "Ctrl+Left", FLS_EX_CELLFOCUS, true, VK_LEFT, 0, 32, 1, -1, 0, 16, 1 },
        { "Ctrl+Left at the left", 0, true, VK_LEFT, 0, 0, 0, -1, 0, 0, 0 },
        { "Right with cell focus", FLS_EX_CELLFOCUS, false, VK_RIGHT, 0, 0, 0, -1, 0, -1, 1 },
        { "Left with cell focus", FLS_EX_CELLFOCUS, false, VK_LEFT, 0, 0, 2, -1, 0, -1, 1 },
        { "Right past an empty column", FLS_EX_CELLFOCUS, false, VK_RIGHT, 0, 0, 0, 1, 0, -1, 2 },
        { "Left past an empty column", FLS_EX_CELLFOCUS, false, VK_LEFT, 0, 0, 2, 1, 0, -1, 0 },
        { "Right without cell focus", 0, false, VK_RIGHT, 0, 0, 0, -1, 0, 0, 0 },
        { "Right in the last column", FLS_EX_CELLFOCUS, false, VK_RIGHT, 0, 0, 2, -1, 0, -1, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Parent parent;
        Texts texts;
        HWND list = MakeFastList(parent.hwnd, 0, &texts, 0, 0, 300, 200);
        AddColumn(list, 0, 150);
        AddColumn(list, 1, 150);
        AddColumn(list, 2, 150);
        SendMessageA(list, FLM_APPENDRUN, 100, 0);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, c.exStyle, c.exStyle);
        if (c.emptyColumn >= 0)
            SendMessageA(list, LVM_SETCOLUMNWIDTH, c.emptyColumn, 0);
        const int whole = static_cast<int>(SendMessageA(list, FLM_GETWHOLEROWS, 0, 0));
        ASSERT_GT(whole, 2);
        ASSERT_LT(whole, 40);
        SetState(list, c.top, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageA(list, FLM_FOCUSSTATE, c.column, c.top);
        // The own scroll code 12 goes to the position in bits 4 to 31.
        SendMessageA(list, WM_VSCROLL, 12 | (c.top << 4), 0);
        SendMessageA(list, WM_HSCROLL, 12 | (c.origin << 4), 0);
        ASSERT_EQ(static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)), c.top);
        ASSERT_EQ(FastListOf(list)->originX, c.origin);
        parent.notes.clear();
        HoldCtrl(c.ctrl);
        SendMessageA(list, WM_KEYDOWN, c.key, 0);
        HoldCtrl(false);
        const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
        const int expectedTop = c.topAfter == kPageDown ? c.top - (whole - 1)
                                : c.topAfter == kLastPage ? 100 - whole : c.topAfter;
        EXPECT_EQ(top, expectedTop);
        if (c.originAfter >= 0) {
            EXPECT_EQ(FastListOf(list)->originX, c.originAfter);
        }
        // The focus stays on its item; only its column may move.
        EXPECT_EQ(static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)), c.top);
        EXPECT_EQ(static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), 0x101)), c.columnAfter);
        DestroyWindow(list);
        Drain();
    }
}
