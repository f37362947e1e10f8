// The "TreeList" window under Xvfb, where its work meets the parent window: the tool tip of
// a tree list that is a child window, the deferred-work queue against deletions made before
// it runs, column words and geometry notices across column changes, a width the header
// reports below the minimum, column 0 sized to texts whose items the parent deletes while
// answering for them, clicks on check-box cells and cell buttons, the combo editors, and
// the choice list and first image a column is given.
// Expected values come from the control's own rectangles, the header's own items, or the
// items the test made.
#include <gtest/gtest.h>

#include <algorithm>
#include <string.h>
#include <string>
#include <vector>
#include "controls/TreeList.h"
#include "tests/controls/TreeListSupport.h"

namespace {

const DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

using tltest::ItemOrCellRect;
using tltest::Num;
using tltest::Ptr;
using tltest::SetCellText;
using tltest::ShowAndFocus;

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

std::string TextOf(const tltest::Parent& p, HTREEITEM item, int column = 0)
{
    char buf[64] = {};
    TVITEMA get = {};
    get.mask = TVIF_TEXT | (column ? TLIF_CELL : 0);
    get.hItem = item;
    get.cChildren = column;
    get.pszText = buf;
    get.cchTextMax = sizeof buf;
    p.Send(TVM_GETITEMA, 0, Ptr(&get));
    return buf;
}

HTREEITEM InsertDeferred(const tltest::Parent& p, HTREEITEM parent, const char* text, LPARAM data)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TLIF_DEFERRED;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(p.Send(TVM_INSERTITEMA, 0, Ptr(&ins)));
}

}  // namespace

// The tip of a tree list inside another window: its owner is the top-level window, yet it
// shows the cut-off text of the label or cell under the cursor, and a click on the tip is a
// click on the row beneath it.
TEST(TreeListCornerCases, AChildTreeListShowsItsTipsAndTheTipPassesClicksOn)
{
    const char* longText = "a text far wider than the narrow column it sits in";
    struct Case { int column; } cases[] = { { 0 }, { 1 } };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
        ASSERT_EQ(GetParent(p.Tree()), p.Window()) << "the tree list is a child window";
        ASSERT_EQ(tltest::AddColumns(p, 2, 60), 2);
        p.Insert(TVI_ROOT, TVI_LAST, "first");
        HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, c.column ? "second" : longText);
        if (c.column)
            SetCellText(p, item, c.column, longText);
        ShowAndFocus(p);
        HWND tip = reinterpret_cast<HWND>(p.Send(TVM_GETTOOLTIPS));
        ASSERT_TRUE(tip != nullptr);
        ASSERT_NE(GetWindow(tip, GW_OWNER), p.Tree()) << "a pop-up is owned by the top-level window";
        const RECT label = c.column ? ItemOrCellRect(p, item, c.column) : ItemOrCellRect(p, item, -1, TRUE);
        p.Send(WM_MOUSEMOVE, 0, MAKELPARAM(label.left + 6, (label.top + label.bottom) / 2));
        EXPECT_TRUE(IsWindowVisible(tip)) << "column " << c.column;

        // A click on the tip: the row under that point, as the control's own hit test finds it.
        RECT shown = {};
        GetWindowRect(tip, &shown);
        POINT at = { shown.left + 3, shown.top + 3 };
        ScreenToClient(p.Tree(), &at);
        TVHITTESTINFO hit = {};
        hit.pt = at;
        const LRESULT under = p.Send(TVM_HITTEST, 0, Ptr(&hit));
        ASSERT_EQ(under, Num(item)) << "the tip lies over its own row";
        ASSERT_NE(p.Send(TVM_GETNEXTITEM, TVGN_CARET), under);
        SendMessageA(tip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(tip, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(p.Send(TVM_GETNEXTITEM, TVGN_CARET), under) << "column " << c.column;
    }
}

// Deferred work meets deletions made before the queue runs: a deleted selected item still
// reports the selection change, an item inserted after a sibling deleted meanwhile still
// gets its row, and the vertical bar counts every row once the queue has run.
TEST(TreeListCornerCases, TheDeferredQueueKeepsWhatADeletionBeforeItStillOwes)
{
    struct Case {
        const char* what;
        bool nested;           // the items are children of an expanded top-level item
        int plain, deferred;   // items inserted at once, then with the deferral bit
        int selected;          // plain item selected before, or -1
        std::vector<int> removed;   // plain items deleted before the queue runs
        WPARAM mode;           // TVM_DELETEITEM's wParam
    } cases[] = {
        { "a selected item deleted with deferral", false, 3, 0, 1, { 1 }, 0x89 },
        { "the last selected item deleted with deferral", false, 2, 0, 1, { 1 }, 0x89 },
        { "a deferred insert after a sibling deleted meanwhile", false, 2, 1, -1, { 1 }, 0 },
        { "deferred inserts after a sibling deleted with deferral", false, 3, 4, 0, { 2 }, 0x89 },
        { "a deferred child after its deleted siblings", true, 2, 1, -1, { 1, 0 }, 0 },
        { "deferred children after a deleted selected sibling", true, 3, 3, 2, { 2 }, 0x89 },
        { "one plain insert, then sixty deferred", false, 1, 60, -1, {}, 0 },
        { "sixty deferred after a deleted selected sibling", false, 2, 60, 1, { 1 }, 0x89 },
        { "sixty deferred children after a deleted sibling", true, 2, 60, -1, { 1 }, 0 },
    };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
        HTREEITEM parent = c.nested ? p.Insert(TVI_ROOT, TVI_LAST, "parent", 1) : TVI_ROOT;
        if (c.nested) {
            p.Insert(parent, TVI_LAST, "opened");
            ASSERT_TRUE(p.Send(TVM_EXPAND, TVE_EXPAND, Num(parent))) << c.what;
            ASSERT_TRUE(p.Send(TVM_DELETEITEM, 0, p.Send(TVM_GETNEXTITEM, TVGN_CHILD, Num(parent)))) << c.what;
        }
        std::vector<HTREEITEM> items;
        for (int i = 0; i < c.plain; ++i)
            items.push_back(p.Insert(parent, TVI_LAST, "plain", 100 + i));
        if (c.selected >= 0) {
            ASSERT_TRUE(p.Send(TVM_SELECTITEM, TVGN_CARET, Num(items[static_cast<size_t>(c.selected)]))) << c.what;
        }
        for (int i = 0; i < c.deferred; ++i)
            items.push_back(InsertDeferred(p, parent, "deferred", 200 + i));
        std::vector<LPARAM> reported;
        p.answer = [&](NMHDR* h) -> LRESULT {
            if (h->code == TVN_SELCHANGEDA)
                reported.push_back(reinterpret_cast<NMTREEVIEWA*>(h)->itemOld.lParam);
            return 0;
        };
        for (int removed : c.removed) {
            ASSERT_TRUE(p.Send(TVM_DELETEITEM, c.mode, Num(items[static_cast<size_t>(removed)]))) << c.what;
        }
        Pump();
        p.answer = nullptr;

        // The selection change of a deleted selected item, reported with its data.
        std::vector<LPARAM> expected;
        for (int removed : c.removed)
            if (removed == c.selected)
                expected.push_back(100 + removed);
        EXPECT_EQ(reported, expected) << c.what;
        // Every item left has its row, in the order made.
        const int rows = (c.nested ? 1 : 0) + c.plain + c.deferred - static_cast<int>(c.removed.size());
        EXPECT_EQ(p.Send(TLM_GETROWCOUNT), rows) << c.what;
        int row = c.nested ? 1 : 0;
        for (size_t i = 0; i < items.size(); ++i) {
            if (std::find(c.removed.begin(), c.removed.end(), static_cast<int>(i)) != c.removed.end())
                continue;
            EXPECT_EQ(p.Send(TLM_GETROWOFITEM, 0, Num(items[i])), row) << c.what << ", item " << i;
            ++row;
        }
        // The bar's range: every row, when they do not all fit.
        const int fit = static_cast<int>(p.Send(TVM_GETVISIBLECOUNT));
        ASSERT_GT(fit, 2) << c.what;
        SCROLLINFO si = { sizeof si, SIF_RANGE };
        GetScrollInfo(p.Tree(), SB_VERT, &si);
        EXPECT_EQ(si.nMax, rows > fit ? rows : 0) << c.what;
    }
}

namespace {

// Inserts a column: a fixed width, or (width below 0) a fill column of that weight; a
// minimum width of 0 leaves the default.
int AddColumn(const tltest::Parent& p, int index, int width, int minimum = 0)
{
    LVCOLUMNA col = {};
    if (width >= 0) {
        col.mask = LVCF_WIDTH;
        col.cx = width;
    } else {
        col.mask = LVCF_SUBITEM;
        col.cx = -width;
    }
    if (minimum) {
        col.mask |= LVCF_ORDER;
        col.iOrder = minimum;
    }
    return static_cast<int>(p.Send(TLM_INSERTCOLUMN, static_cast<WPARAM>(index), Ptr(&col)));
}

int HeaderWidth(const tltest::Parent& p, int column)
{
    HDITEMA hd = {};
    hd.mask = HDI_WIDTH;
    SendMessageA(reinterpret_cast<HWND>(p.Send(TLM_GETHEADER)), HDM_GETITEMA, static_cast<WPARAM>(column), Ptr(&hd));
    return hd.cxy;
}

}  // namespace

// Column changes that move other columns tell the parent (-438) where each column now
// stands: fill columns sharing a resize, an insertion and a deletion that narrow or widen
// them, and a column made a fill column. A column's text colour word goes with the column
// when one before it is deleted.
TEST(TreeListCornerCases, ColumnNoticesAndColourWordsFollowTheColumns)
{
    struct Case {
        const char* what;
        std::vector<int> widths;   // the columns made first (below 0: fill weight)
        int action;                // 0 resize the control, 1 insert a fixed column, 2 delete one, 3 set one to width 0 in fill mode
        int column, value;         // where, and the new client width or inserted width
        std::vector<int> told;     // the columns reported, in column order
    } cases[] = {
        { "a resize shared by two fill columns", { 100, -1, 50, -2 }, 0, 0, 460, { 1, 3 } },
        { "a narrower control shared by two fill columns", { 100, -1, 50, -2 }, 0, 0, 340, { 1, 3 } },
        { "a fixed column inserted before a fill column", { 100, 50, -1 }, 1, 1, 60, { 1, 3 } },
        { "a fill column deleted before another", { 100, -1, 50, -1 }, 2, 1, 0, { 2 } },
        { "a column laid out anew in fill mode", { 100, 50, -1, 60 }, 3, 1, 0, { 2 } },
    };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
        for (size_t i = 0; i < c.widths.size(); ++i)
            ASSERT_EQ(AddColumn(p, static_cast<int>(i), c.widths[i]), static_cast<int>(i)) << c.what;
        HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
        p.Send(TVM_SETEXTENDEDSTYLE, TLX_GEOMETRYNOTIFY, TLX_GEOMETRYNOTIFY);
        std::vector<TreeListColumnNotify> told;
        p.answer = [&](NMHDR* h) -> LRESULT {
            if (static_cast<int>(h->code) == TLN_COLUMNGEOMETRY)
                told.push_back(*reinterpret_cast<TreeListColumnNotify*>(h));
            return 0;
        };
        if (c.action == 0) {
            SetWindowPos(p.Tree(), nullptr, 0, 0, c.value, 200, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
        } else if (c.action == 1) {
            ASSERT_EQ(AddColumn(p, c.column, c.value), c.column) << c.what;
        } else if (c.action == 2) {
            ASSERT_TRUE(p.Send(TLM_DELETECOLUMN, static_cast<WPARAM>(c.column))) << c.what;
        } else {
            LVCOLUMNA col = {};
            col.mask = TLCF_FILL | LVCF_WIDTH;
            col.fmt = static_cast<int>(TLCF_FILL);
            col.cx = 0;
            ASSERT_TRUE(p.Send(TLM_SETCOLUMN, static_cast<WPARAM>(c.column), Ptr(&col))) << c.what;
        }
        p.answer = nullptr;
        std::vector<int> columns;
        for (const TreeListColumnNotify& n : told) {
            columns.push_back(n.column);
            EXPECT_EQ(n.left, ItemOrCellRect(p, item, n.column).left) << c.what << ", column " << n.column;
            EXPECT_EQ(n.width, p.Send(TLM_GETCOLUMNWIDTH, static_cast<WPARAM>(n.column))) << c.what;
            EXPECT_EQ(n.width, HeaderWidth(p, n.column)) << c.what;
        }
        std::sort(columns.begin(), columns.end());
        EXPECT_EQ(columns, c.told) << c.what;
    }

    // Colour words: column 2 of four goes, columns 3 and the unused 4 hand theirs down.
    tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
    ASSERT_EQ(tltest::AddColumns(p, 4, 60), 4);
    const int words[] = { -1, 0x0000FF, 0x00FF00, 0xFF0000, 0x808080 };
    for (int column = 1; column < 5; ++column)
        p.Send(TLM_COLUMNWORD, static_cast<WPARAM>(column) | 0x10000, words[column]);
    ASSERT_TRUE(p.Send(TLM_DELETECOLUMN, 2));
    const int after[] = { -1, words[1], words[3], words[4], -1 };
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(p.Send(TLM_COLUMNWORD, static_cast<WPARAM>(column) | 0x20000), after[column]) << "column " << column;
}

// A width the header takes below the column's minimum (TLM_SETCOLUMNWIDTH sets it through
// HDM_SETITEMA) is refused, and the header's item goes back to the column's width.
TEST(TreeListCornerCases, TheHeaderShowsTheWidthTheColumnKeeps)
{
    struct Case { int minimum; std::vector<int> sent; int kept; } cases[] = {
        { 40, { 10 }, 40 },
        { 40, { 10, 10 }, 40 },        // the second time the minimum is the width asked for
        { 40, { 10, 25, 60, 5 }, 40 },
        { 40, { 60 }, 60 },
        { 40, { 40, 12 }, 40 },
        { -40, { 10 }, 10 },           // a minimum given negative does not apply
    };
    for (const Case& c : cases) {
        const int index = static_cast<int>(&c - cases);
        tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
        ASSERT_EQ(AddColumn(p, 0, 100), 0);
        ASSERT_EQ(AddColumn(p, 1, 80, c.minimum), 1);
        ASSERT_EQ(AddColumn(p, 2, 70), 2);
        HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
        for (int width : c.sent)
            p.Send(TLM_SETCOLUMNWIDTH, 1, width);
        EXPECT_EQ(p.Send(TLM_GETCOLUMNWIDTH, 1), c.kept) << index;
        EXPECT_EQ(HeaderWidth(p, 1), c.kept) << index;
        EXPECT_EQ(ItemOrCellRect(p, item, 2).left - ItemOrCellRect(p, item, 1).left, c.kept) << index;
    }
}

// Column 0 sized to its texts, by property 15 or by a double click on its divider: a text
// asked of the parent whose answer deletes the item is not read after, and the rows after
// it are still measured. The items are large (4 MB of extra bytes each), so a freed one is
// given back to the system and reading it faults.
TEST(TreeListCornerCases, ContentWidthMeasuresPastAnItemDeletedWhileItsTextWasAsked)
{
    const char* wide = "the widest text of all the rows in this tree";
    struct Case { std::vector<const char*> texts; } cases[] = {   // nullptr: asked of the parent
        { { "a", nullptr, wide } },
        { { nullptr, "b", wide } },
        { { "a", nullptr, nullptr, wide } },
        { { "a", wide, nullptr } },
    };
    for (const char* way : { "property 15", "divider double click" }) {
        for (const Case& c : cases) {
            const int index = static_cast<int>(&c - cases);
            int widths[2] = {};
            for (int run = 0; run < 2; ++run) {   // with the asked items, then a tree without them
                tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
                ASSERT_EQ(p.Send(TLM_SETEXTRACOUNT, 0, 0x400000), 0x400000);
                ASSERT_EQ(AddColumn(p, 0, 30), 0);
                ASSERT_EQ(AddColumn(p, 1, 60), 1);
                int kept = 0;
                for (const char* text : c.texts) {
                    if (text) {
                        p.Insert(TVI_ROOT, TVI_LAST, text);
                        ++kept;
                    } else if (run == 0) {
                        p.Insert(TVI_ROOT, TVI_LAST, LPSTR_TEXTCALLBACKA);
                    }
                }
                p.answer = [&](NMHDR* h) -> LRESULT {
                    if (h->code == TVN_GETDISPINFOA) {
                        NMTVDISPINFOA* di = reinterpret_cast<NMTVDISPINFOA*>(h);
                        lstrcpynA(di->item.pszText, "asked", di->item.cchTextMax);
                        p.Send(TVM_DELETEITEM, 0, Num(di->item.hItem));
                    }
                    return 0;
                };
                if (way[0] == 'p') {
                    p.Send(TLM_PROPERTY, TLP_AUTOWIDTH | kPropertyWrite, 4);
                } else {
                    HDITEMA hd = {};
                    NMHEADERA nm = {};
                    nm.hdr.hwndFrom = reinterpret_cast<HWND>(p.Send(TLM_GETHEADER));
                    nm.hdr.idFrom = 1;
                    nm.hdr.code = HDN_DIVIDERDBLCLICKA;
                    nm.iItem = 0;
                    nm.pitem = &hd;
                    p.Send(WM_NOTIFY, 1, Ptr(&nm));
                }
                p.answer = nullptr;
                EXPECT_EQ(p.Send(TLM_GETROWCOUNT), kept) << way << ", " << index;
                EXPECT_EQ(p.Send(TVM_GETCOUNT), kept) << way << ", " << index;
                widths[run] = static_cast<int>(p.Send(TLM_GETCOLUMNWIDTH, 0));
            }
            EXPECT_GT(widths[1], 30) << way << ", " << index << ": the widest text widened the column";
            EXPECT_EQ(widths[0], widths[1]) << way << ", " << index;
        }
    }
}

// A click on the check box of a cell in a column with edit flag 0x40 ticks the clicked
// item's cell: with Ctrl, and on an item already selected, the caret stays elsewhere. A cell
// button (cell state 0x40) takes its click at the button up, on a selected item too.
TEST(TreeListCornerCases, ACheckBoxCellClickTicksTheClickedItem)
{
    struct Case { const char* what; DWORD exStyle; WPARAM keys; bool clickedSelected, button; } cases[] = {
        { "a plain click", 0, 0, false, false },
        { "a Ctrl+click", 0, MK_CONTROL, false, false },
        { "a plain click, multiple selection", TLX_MULTISELECT, 0, false, false },
        { "a Ctrl+click, multiple selection", TLX_MULTISELECT, MK_CONTROL, false, false },
        { "a click on a selected item, multiple selection", TLX_MULTISELECT, 0, true, false },
        { "a Ctrl+click on a selected item, multiple selection", TLX_MULTISELECT, MK_CONTROL, true, false },
        { "a cell button", 0, 0, false, true },
        { "a cell button, Ctrl", 0, MK_CONTROL, false, true },
        { "a cell button of a selected item, multiple selection", TLX_MULTISELECT, 0, true, true },
    };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
        p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT, c.exStyle);
        ASSERT_EQ(tltest::AddColumns(p, 2, 120), 2);
        p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_CHECK, TLO_CHECKINCELL));
        HTREEITEM caret = p.Insert(TVI_ROOT, TVI_LAST, "caret", 1);
        HTREEITEM clicked = p.Insert(TVI_ROOT, TVI_LAST, "clicked", 2);
        ASSERT_TRUE(p.Send(TVM_SELECTITEM, TVGN_CARET, Num(caret)));
        if (c.clickedSelected)
            tltest::SetItem(p, clicked, 0, TVIF_STATE, TVIS_SELECTED, TVIS_SELECTED);
        if (c.button)
            tltest::SetItem(p, clicked, 1, TVIF_STATE | TLIF_CELLSTATE, 0x40, 0x40);
        ShowAndFocus(p);
        const RECT cell = ItemOrCellRect(p, clicked, 1);
        const POINT at = { cell.left + 4, (cell.top + cell.bottom) / 2 };
        TVHITTESTINFO hit = {};
        hit.pt = at;
        ASSERT_EQ(p.Send(TVM_HITTEST, 0, Ptr(&hit)), Num(clicked)) << c.what;
        ASSERT_TRUE(hit.flags & TLHT_ONCELLBOX) << c.what;
        p.notes.clear();
        p.Send(WM_LBUTTONDOWN, MK_LBUTTON | c.keys, MAKELPARAM(at.x, at.y));
        p.Send(WM_LBUTTONUP, c.keys, MAKELPARAM(at.x, at.y));
        auto image = [&](HTREEITEM item) {
            TVITEMA get = {};
            get.mask = TVIF_STATE | TLIF_CELL;
            get.hItem = item;
            get.cChildren = 1;
            get.stateMask = TVIS_STATEIMAGEMASK;
            p.Send(TVM_GETITEMA, 0, Ptr(&get));
            return (get.state & TVIS_STATEIMAGEMASK) >> 12;
        };
        EXPECT_EQ(image(clicked), 1u) << c.what;
        EXPECT_EQ(image(caret), 0u) << c.what;
        std::vector<HTREEITEM> ticked;
        for (const tltest::Note& n : p.notes)
            if (n.code == TLN_CHECKED)
                ticked.push_back(n.newItem);
        EXPECT_EQ(ticked, std::vector<HTREEITEM>{ clicked }) << c.what;
    }
}

// The combo-box editors select the entry equal to the text, case and all, and a list-only
// box saved without a change keeps the text as it was, in the list or not.
TEST(TreeListCornerCases, AListOnlyComboKeepsTheTextItStartedWith)
{
    static const char* const kChoices[] = { "abc", "ABC", "Abc", nullptr };
    static const char kColumnString[] = "abc;ABC;Abc";
    static char kRequested[] = "abc|ABC|Abc";
    struct Case { const char* what; int kind; bool array; const char* text; int selected; } cases[] = {
        { "a list-only column", TLE_LIST, true, "ABC", 1 },
        { "a list-only column", TLE_LIST, true, "Abc", 2 },
        { "a list-only column", TLE_LIST, true, "abc", 0 },
        { "a list-only column, a text not listed", TLE_LIST, true, "aBC", -1 },
        { "a list-only column with a choice string", TLE_LIST, false, "ABC", 1 },
        { "a combo column", TLE_COMBO, true, "ABC", 1 },
        { "a combo column with a choice string", TLE_COMBO, false, "Abc", 2 },
        { "a list-only box the parent asked for", 0, false, "ABC", 1 },
        { "a list-only box the parent asked for, a text not listed", 0, false, "xyz", -1 },
    };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS, 400, 200);
        ASSERT_EQ(tltest::AddColumns(p, 2, 120), 2);
        p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT, TLX_CELLSELECT);
        if (c.kind && c.array) {
            p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, c.kind, TLO_ARRAY));
            p.Send(TLM_SETCOLUMNAUX, 1, reinterpret_cast<LPARAM>(kChoices));
        } else if (c.kind) {
            p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, c.kind, 0) | (UINT(';') << 17));
            p.Send(TLM_SETCOLUMNAUX, 1, reinterpret_cast<LPARAM>(kColumnString));
        }
        HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
        SetCellText(p, item, 1, c.text);
        ShowAndFocus(p);
        p.Send(TLM_SELECTCELL, 1, Num(item));
        p.answer = [&](NMHDR* h) -> LRESULT {
            if (static_cast<int>(h->code) != TLN_EDITREQUEST)
                return 0;
            reinterpret_cast<TreeListEditRequest*>(h)->choices = kRequested;
            return TLR_COMBO | TLR_LISTONLY | ('|' << 8);
        };
        if (c.kind)
            p.Send(WM_KEYDOWN, VK_RETURN, 0);
        else
            p.Send(TVM_EDITLABELA, 0xF5A5A500u | 1, 0);
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
        ASSERT_TRUE(editor && IsWindowVisible(editor)) << c.what << " " << c.text;
        EXPECT_EQ(SendMessageA(editor, CB_GETCOUNT, 0, 0), 3) << c.what;
        EXPECT_EQ(SendMessageA(editor, CB_GETCURSEL, 0, 0), c.selected) << c.what << " " << c.text;
        p.Send(TVM_ENDEDITLABELNOW, 0);
        p.answer = nullptr;
        EXPECT_EQ(TextOf(p, item, 1), c.text) << c.what;
    }
}

// A column's choice list and the image of its first entry come from TLM_SETCOLUMNAUX, which
// names the column by the whole wParam and answers only for a column with an editor kind.
// A cycle and the end of an edit then give the cell the image at the entry's place (two
// images an entry in a button cell; the one before the first for a text in no entry; the
// combo's chosen entry ahead of the text's place); the options set again take both away.
TEST(TreeListCornerCases, AColumnTakesItsChoicesAndFirstImageFromItsOwnMessage)
{
    {
        tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS, 400, 200);
        ASSERT_EQ(tltest::AddColumns(p, 3, 100), 3);
        p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_CYCLE, 0));
        struct Answer { const char* what; WPARAM which; LRESULT want; } answers[] = {
            { "a column with an editor kind takes a list", 1, 1 },
            { "a column with an editor kind takes a first image", 1 | TLA_IMAGEBASE, 1 },
            { "a column without an editor kind takes no list", 2, 0 },
            { "a column without an editor kind takes no first image", 2 | TLA_IMAGEBASE, 0 },
            { "a column past the count", 3, 0 },
            { "wParam is the column: 0x101 names none", 1 | 0x100, 0 },
        };
        static const char kList[] = "a;b";
        for (const Answer& a : answers)
            EXPECT_EQ(p.Send(TLM_SETCOLUMNAUX, a.which, Ptr(kList)), a.want) << a.what;
    }
    static const char* const kColours[] = { "rot", "grün", "blau", nullptr };
    static const char* const kTwice[] = { "x", "y", "x", nullptr };
    static const char kString[] = "a;b;a";
    static const char* const kArray[] = { "a", "b", "a", nullptr };
    enum How { Cycle, Type, Pick };
    const int kNone = -100;   // no first image given: the cell keeps its own (-2, none)
    struct Case {
        const char* what;
        int kind;
        bool array;
        const void* list;
        int base;
        bool button;
        bool reset;
        const char* start;
        How how;
        const char* typed;   // Type: the editor's text; Pick: the entry's index as a digit
        const char* text;
        int image;
    } cases[] = {
        { "a cycle takes the image at the entry's place", TLE_CYCLE, true, kColours, 10, false, false, "rot", Cycle, nullptr, "grün", 11 },
        { "after the last entry the first, and its image", TLE_CYCLE, true, kColours, 10, false, false, "blau", Cycle, nullptr, "rot", 10 },
        { "a button cell has two images an entry", TLE_CYCLE, true, kColours, 10, true, false, "rot", Cycle, nullptr, "grün", 12 },
        { "without a first image the cell keeps its own", TLE_CYCLE, true, kColours, kNone, false, false, "rot", Cycle, nullptr, "grün", -2 },
        { "the options set again take list and image away", TLE_CYCLE, true, kColours, 10, false, true, "rot", Cycle, nullptr, "rot", -2 },
        { "a typed text: the first equal entry of a string", TLE_TEXT, false, kString, 20, false, false, "b", Type, "a", "a", 20 },
        { "a typed text: the last equal entry of an array", TLE_TEXT, true, kArray, 20, false, false, "b", Type, "a", "a", 22 },
        { "a typed text in no entry: the image before the first", TLE_TEXT, false, kString, 20, false, false, "b", Type, "z", "z", 19 },
        { "a combo: the chosen entry, not the text's place", TLE_COMBO, true, kTwice, 30, false, false, "y", Pick, "0", "x", 30 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS, 400, 200);
        ASSERT_EQ(tltest::AddColumns(p, 2, 150), 2);
        p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT, TLX_CELLSELECT);
        const UINT options = TreeListOption(1, c.kind, c.array ? TLO_ARRAY : 0) | (c.array ? 0 : UINT(';') << 17);
        p.Send(TLM_SETCOLUMNOPTIONS, options);
        ASSERT_EQ(p.Send(TLM_SETCOLUMNAUX, 1, Ptr(c.list)), 1);
        if (c.base != kNone) {
            ASSERT_EQ(p.Send(TLM_SETCOLUMNAUX, 1 | TLA_IMAGEBASE, c.base), 1);
        }
        if (c.reset)
            p.Send(TLM_SETCOLUMNOPTIONS, options);
        HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
        SetCellText(p, item, 1, c.start);
        if (c.button)
            tltest::SetItem(p, item, 1, TVIF_STATE | TLIF_CELLSTATE, 0x40, 0x40);
        ShowAndFocus(p);
        p.Send(TLM_SELECTCELL, 1, Num(item));
        p.Send(WM_KEYDOWN, VK_RETURN, 0);
        if (c.how != Cycle) {
            HWND editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
            ASSERT_TRUE(editor && IsWindowVisible(editor));
            if (c.how == Type)
                SetWindowTextA(editor, c.typed);
            else
                SendMessageA(editor, CB_SETCURSEL, static_cast<WPARAM>(c.typed[0] - '0'), 0);
            p.Send(TVM_ENDEDITLABELNOW, 0);
        }
        EXPECT_EQ(TextOf(p, item, 1), c.text);
        TVITEMA get = {};
        get.mask = TLIF_CELL | TVIF_IMAGE;
        get.hItem = item;
        get.cChildren = 1;
        p.Send(TVM_GETITEMA, 0, Ptr(&get));
        EXPECT_EQ(get.iImage, c.image);
    }
}
