// The tree list's keys as one table: Tab with and without the style that hands the focus to
// the parent, the paste keys (Insert, Ctrl+V, not Shift+Insert, nothing without text on the
// clipboard), the Ctrl keys that scroll without moving the caret, Left and Right over the
// tree (collapse, parent, expand, first child) and across cells, and Backspace.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "controls/TreeList.h"
#include "TreeListSupport.h"

namespace {

const DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS;

void SetKeys(std::initializer_list<int> down)
{
    BYTE keys[256] = {};
    for (int k : down)
        keys[k] = 0x80;
    SetKeyboardState(keys);
}

// Puts the text on the clipboard, or empties it for null.
void Clipboard(const char* text)
{
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    if (text) {
        const size_t n = strlen(text) + 1;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
        memcpy(GlobalLock(h), text, n);
        GlobalUnlock(h);
        SetClipboardData(CF_TEXT, h);
    }
    CloseClipboard();
}

}  // namespace

TEST(TreeListKeys, EachKeyDoesWhatItsRowSays)
{
    // Items 0 to 29 at the root; 30 and 31 the children of item 1.
    enum { R1 = 1, C0 = 30, C1 = 31, NONE = -1 };
    const int kSame = -2;                // the first visible row does not move
    enum Mods { PLAIN, CTRL, SHIFT };
    const struct Case {
        const char* name;
        DWORD exStyle;
        int caret, caretColumn;
        bool expanded;                   // item 1 open before the key
        int first;                       // first visible row before (with Ctrl: before the key)
        Mods mods;
        UINT key;
        const char* clipboard;
        int zeroWidthColumn;             // NONE, or a column made 0 wide
        // What holds after the key.
        int caretAfter, columnAfter;
        int firstAfter;                  // kSame, a row, -101 a page down from 0, -201 a page up
        bool expandedAfter;
        bool parentFocused;
        UINT editKey;                    // the key of the edit request, 0 for none
    } cases[] = {
        { "Tab with the style", TLX_TABTOPARENT, 3, 0, false, 0, PLAIN, VK_TAB, nullptr, NONE, 3, 0, kSame, false, true, 0 },
        { "Tab without it", 0, 3, 0, false, 0, PLAIN, VK_TAB, nullptr, NONE, 3, 0, kSame, false, false, 0 },
        { "Insert pastes", 0, 3, 0, false, 0, PLAIN, VK_INSERT, "x", NONE, 3, 0, kSame, false, false, 0x10004 },
        { "Ctrl+V pastes", 0, 3, 0, false, 0, CTRL, 'V', "x", NONE, 3, 0, kSame, false, false, 0x10004 },
        { "Shift+Insert does not", 0, 3, 0, false, 0, SHIFT, VK_INSERT, "x", NONE, 3, 0, kSame, false, false, 0 },
        { "Insert without text", 0, 3, 0, false, 0, PLAIN, VK_INSERT, nullptr, NONE, 3, 0, kSame, false, false, 0 },
        { "Ctrl+PgDn", 0, 0, 0, false, 0, CTRL, VK_NEXT, nullptr, NONE, 0, 0, -101, false, false, 0 },
        { "Ctrl+PgUp", 0, 0, 0, false, 20, CTRL, VK_PRIOR, nullptr, NONE, 0, 0, -201, false, false, 0 },
        { "Ctrl+Home", 0, 9, 0, false, 5, CTRL, VK_HOME, nullptr, NONE, 9, 0, 0, false, false, 0 },
        { "Ctrl+Up", 0, 9, 0, false, 5, CTRL, VK_UP, nullptr, NONE, 9, 0, 4, false, false, 0 },
        { "Ctrl+Space opens the caret item", 0, R1, 0, false, 0, CTRL, VK_SPACE, nullptr, NONE, R1, 0, kSame, true, false, 0 },
        { "Left closes an open item", 0, R1, 0, true, 0, PLAIN, VK_LEFT, nullptr, NONE, R1, 0, kSame, false, false, 0 },
        { "Left on a child goes to its parent", 0, C1, 0, true, 0, PLAIN, VK_LEFT, nullptr, NONE, R1, 0, kSame, true, false, 0 },
        { "Right opens a closed item", 0, R1, 0, false, 0, PLAIN, VK_RIGHT, nullptr, NONE, R1, 0, kSame, true, false, 0 },
        { "Right steps into the first child", 0, R1, 0, true, 0, PLAIN, VK_RIGHT, nullptr, NONE, C0, 0, kSame, true, false, 0 },
        { "Backspace goes to the parent", 0, C0, 0, true, 0, PLAIN, VK_BACK, nullptr, NONE, R1, 0, kSame, true, false, 0 },
        { "Left across cells", TLX_CELLSELECT, 3, 2, false, 0, PLAIN, VK_LEFT, nullptr, NONE, 3, 1, kSame, false, false, 0 },
        { "Right across cells", TLX_CELLSELECT, 3, 1, false, 0, PLAIN, VK_RIGHT, nullptr, NONE, 3, 2, kSame, false, false, 0 },
        { "Right in the last cell", TLX_CELLSELECT, 3, 2, false, 0, PLAIN, VK_RIGHT, nullptr, NONE, 3, 2, kSame, false, false, 0 },
        { "Right over a hidden column", TLX_CELLSELECT, 3, 0, false, 0, PLAIN, VK_RIGHT, nullptr, 1, 3, 2, kSame, false, false, 0 },
        { "Left over a hidden column", TLX_CELLSELECT, 3, 2, false, 0, PLAIN, VK_LEFT, nullptr, 1, 3, 0, kSame, false, false, 0 },
        { "Right on a cell opens nothing", TLX_CELLSELECT, R1, 2, false, 0, PLAIN, VK_RIGHT, nullptr, NONE, R1, 2, kSame, false, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetKeys({});
        tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
        std::vector<HTREEITEM> items;
        for (int i = 0; i < 30; ++i)
            items.push_back(p.Insert(TVI_ROOT, TVI_LAST, ("r" + std::to_string(i)).c_str()));
        items.push_back(p.Insert(items[R1], TVI_LAST, "c0"));
        items.push_back(p.Insert(items[R1], TVI_LAST, "c1"));
        ASSERT_EQ(tltest::AddColumns(p, 3, 250), 3);
        p.Send(TVM_SETEXTENDEDSTYLE, 0, c.exStyle);
        if (c.zeroWidthColumn != NONE)
            p.Send(TLM_SETCOLUMNWIDTH, c.zeroWidthColumn, 0);
        if (c.expanded)
            p.Send(TVM_EXPAND, TVE_EXPAND, tltest::Num(items[R1]));
        ShowWindow(p.Window(), SW_SHOW);
        SetForegroundWindow(p.Window());
        SetFocus(p.Tree());
        if (GetFocus() != p.Tree())
            GTEST_SKIP() << "the display gives no focus to the test's window";
        p.Send(TVM_SELECTITEM, TVGN_CARET, tltest::Num(items[c.caret]));
        p.Send(TLM_SELECTCELL, c.caretColumn, tltest::Num(items[c.caret]));
        p.Send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, tltest::Num(items[c.first]));
        const HTREEITEM firstBefore = reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE));
        const int fullRows = static_cast<int>(p.Send(TVM_GETVISIBLECOUNT));
        ASSERT_GT(fullRows, 2);
        ASSERT_LT(fullRows, 20);
        Clipboard(c.clipboard);
        ASSERT_EQ(IsClipboardFormatAvailable(CF_TEXT) != FALSE, c.clipboard != nullptr);
        UINT editKey = 0;
        p.answer = [&](NMHDR* h) -> LRESULT {
            if (static_cast<int>(h->code) == TLN_EDITREQUEST)
                editKey = reinterpret_cast<TreeListEditRequest*>(h)->key;
            return 0;
        };
        SetKeys(c.mods == CTRL ? std::initializer_list<int>{ VK_CONTROL }
                               : c.mods == SHIFT ? std::initializer_list<int>{ VK_SHIFT } : std::initializer_list<int>{});
        p.Send(WM_KEYDOWN, c.key, 0);
        SetKeys({});

        EXPECT_EQ(p.Send(TVM_GETNEXTITEM, TVGN_CARET), tltest::Num(items[c.caretAfter]));
        EXPECT_EQ(p.Send(TVM_GETNEXTITEM, 13), c.columnAfter) << "the caret column";
        const HTREEITEM first = reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE));
        const HTREEITEM firstExpected = c.firstAfter == kSame ? firstBefore
                                        : c.firstAfter == -101 ? items[fullRows]
                                        : c.firstAfter == -201 ? items[c.first - fullRows]
                                                               : items[c.firstAfter];
        EXPECT_EQ(first, firstExpected);
        const UINT state = static_cast<UINT>(p.Send(TVM_GETITEMSTATE, tltest::Num(items[R1]), TVIS_EXPANDED));
        EXPECT_EQ((state & TVIS_EXPANDED) != 0, c.expandedAfter);
        EXPECT_EQ(GetFocus() == p.Window(), c.parentFocused);
        EXPECT_EQ(editKey, c.editKey);
        p.answer = nullptr;
    }
    Clipboard(nullptr);
}
