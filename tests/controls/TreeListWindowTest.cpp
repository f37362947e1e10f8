// The "TreeList" window under Xvfb with a recording parent: where it answers unlike the
// platform's tree view on purpose, handlers that delete what a notification names, painting
// into a memory DC, keys, in-place editing, the drag band, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string.h>
#include <string>
#include <vector>
#include "controls/TreeListCtrl.h"
#include "controls/TreeListImpl.h"
#include "tests/controls/TreeListSupport.h"

namespace {

const DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

HTREEITEM Next(const tltest::Parent& p, UINT code, HTREEITEM item = nullptr)
{
    return reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

std::string Text(const tltest::Parent& p, HTREEITEM item)
{
    char buf[64] = {};
    TVITEMA get = {};
    get.mask = TVIF_TEXT;
    get.hItem = item;
    get.pszText = buf;
    get.cchTextMax = sizeof buf;
    return p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get)) ? buf : "<none>";
}

// The tree holds together: every item reached once through the links, as many as counted,
// and the rows the control lists are exactly the shown items in order.
void ExpectWhole(const tltest::Parent& p)
{
    std::vector<HTREEITEM> shown;
    UINT reached = 0;
    std::vector<std::pair<HTREEITEM, bool>> stack;
    std::vector<HTREEITEM> tops;
    for (HTREEITEM h = Next(p, TVGN_ROOT); h && reached < 10000; h = Next(p, TVGN_NEXT, h))
        tops.push_back(h);
    for (auto t = tops.rbegin(); t != tops.rend(); ++t)
        stack.push_back({ *t, true });
    while (!stack.empty() && reached < 10000) {
        auto [h, visible] = stack.back();
        stack.pop_back();
        ++reached;
        if (visible)
            shown.push_back(h);
        bool open = visible && (p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(h), TVIS_EXPANDED) & TVIS_EXPANDED);
        std::vector<HTREEITEM> kids;
        for (HTREEITEM c = Next(p, TVGN_CHILD, h); c && kids.size() < 10000; c = Next(p, TVGN_NEXT, c))
            kids.push_back(c);
        for (auto k = kids.rbegin(); k != kids.rend(); ++k)
            stack.push_back({ *k, open });
    }
    EXPECT_EQ(reached, static_cast<UINT>(p.Send(TVM_GETCOUNT)));
    ASSERT_EQ(static_cast<size_t>(p.Send(TLM_GETROWCOUNT)), shown.size());
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(p.Send(TLM_GETITEMOFROW, 0, static_cast<LPARAM>(i)), reinterpret_cast<LRESULT>(shown[i]));
}

using tltest::AddColumns;

void KeysUp()
{
    BYTE keys[256] = {};
    SetKeyboardState(keys);
}

void Focus(const tltest::Parent& p)
{
    ShowWindow(p.Window(), SW_SHOW);
    SetForegroundWindow(p.Window());
    SetFocus(p.Tree());
}

using tltest::Pixels;

}  // namespace

TEST(TreeListWindow, AnswersItsOwnWayWhereItDiffersFromTheTreeView)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    HTREEITEM b = p.Insert(a, TVI_LAST, "b");
    HTREEITEM c = p.Insert(TVI_ROOT, TVI_LAST, "c");
    // The whole state word, whatever the mask.
    TVITEMA set = {};
    set.mask = TVIF_STATE;
    set.hItem = a;
    set.state = TVIS_BOLD | 0x2000;
    set.stateMask = TVIS_BOLD | 0xF000;
    p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set));
    EXPECT_EQ(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(a), TVIS_BOLD), TVIS_BOLD | 0x2000);
    // Clamped indents and row heights; the new extended style word; effective colours.
    EXPECT_EQ(p.Send(TVM_SETINDENT, 3), 19);
    EXPECT_EQ(p.Send(TVM_GETINDENT), 5);
    p.Send(TVM_SETINDENT, 100);
    EXPECT_EQ(p.Send(TVM_GETINDENT), 64);
    for (auto hw : { std::pair<int, int>{ 17, 16 }, { 0, 1 }, { 1000, 256 } }) {
        p.Send(TVM_SETITEMHEIGHT, static_cast<WPARAM>(hw.first));
        EXPECT_EQ(p.Send(TVM_GETITEMHEIGHT), hw.second) << hw.first;
    }
    EXPECT_EQ(p.Send(TVM_SETEXTENDEDSTYLE, TLX_KEEPODDHEIGHT, TLX_KEEPODDHEIGHT), static_cast<LRESULT>(TLX_KEEPODDHEIGHT));
    p.Send(TVM_SETITEMHEIGHT, 17);
    EXPECT_EQ(p.Send(TVM_GETITEMHEIGHT), 17);
    EXPECT_EQ(p.Send(TVM_GETBKCOLOR, 18), -1);
    EXPECT_EQ(static_cast<COLORREF>(p.Send(TVM_GETBKCOLOR)), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(static_cast<COLORREF>(p.Send(TVM_GETTEXTCOLOR)), GetSysColor(COLOR_WINDOWTEXT));
    // Made visible: 0 after opening the branch, 1 when shown already, -1 for no item.
    EXPECT_EQ(p.Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(b)), 0);
    EXPECT_EQ(p.Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(b)), 1);
    EXPECT_EQ(p.Send(TVM_ENSUREVISIBLE, 0, 12345), -1);
    // Collapsing by message is announced too.
    p.notes.clear();
    EXPECT_EQ(p.Send(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(a)), 1);
    EXPECT_EQ(tltest::Codes(p.notes), (std::vector<int>{ static_cast<int>(TVN_ITEMEXPANDINGA), static_cast<int>(TVN_ITEMEXPANDEDA) }));
    EXPECT_EQ(p.Send(TLM_GETROWOFITEM, 0, reinterpret_cast<LPARAM>(b)), -1);
    EXPECT_EQ(p.Send(TLM_GETITEMOFROW, 0, p.Send(TLM_GETROWCOUNT)), 0);
    // The insertion mark is an item of its own.
    LRESULT mark = p.Send(TVM_SETINSERTMARK, TRUE, reinterpret_cast<LPARAM>(c));
    ASSERT_NE(mark, 0);
    EXPECT_EQ(p.Send(TVM_GETCOUNT), 4);
    EXPECT_EQ(reinterpret_cast<LRESULT>(Next(p, TVGN_NEXT, c)), mark);
    EXPECT_EQ(p.Send(TVM_SETINSERTMARK, 0, 0), 0);
    EXPECT_EQ(p.Send(TVM_GETCOUNT), 3);
    // Extra bytes only while empty, and not beyond 16 MB.
    EXPECT_EQ(p.Send(TLM_SETEXTRACOUNT, 0, 8), 0);
    EXPECT_EQ(p.Send(TLM_SETEXTRACOUNT, 0, 0x1000001), -1);
    // Deleting the selected item selects nothing.
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(c));
    p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(c));
    EXPECT_EQ(Next(p, TVGN_CARET), nullptr);
    EXPECT_EQ(p.Send(TLM_PROPERTY, TLP_SELECTEDCOUNT), 0);
    // The control is ANSI only.
    TVINSERTSTRUCTW wide = {};
    wide.hParent = TVI_ROOT;
    wide.hInsertAfter = TVI_LAST;
    wide.item.mask = TVIF_TEXT;
    wide.item.pszText = const_cast<wchar_t*>(L"w");
    EXPECT_EQ(p.Send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&wide)), 0);
    EXPECT_EQ(p.Send(CCM_GETUNICODEFORMAT), 0);
    EXPECT_EQ(p.Send(TVM_GETCOUNT), 2);
    // The key's own work comes first, TVN_KEYDOWN last.
    KeysUp();
    Focus(p);
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
    p.notes.clear();
    p.Send(WM_KEYDOWN, VK_RIGHT, 0);
    std::vector<int> codes = tltest::Codes(p.notes);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), static_cast<int>(TVN_KEYDOWN));
    EXPECT_EQ(codes.front(), static_cast<int>(TVN_ITEMEXPANDINGA));
}

TEST(TreeListWindow, HandlersThatDeleteWhatTheyAreToldAbout)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    std::vector<HTREEITEM> tops;
    for (int i = 0; i < 6; ++i) {
        tops.push_back(p.Insert(TVI_ROOT, TVI_LAST, "top"));
        for (int k = 0; k < 3; ++k)
            p.Insert(tops.back(), TVI_LAST, "child");
    }
    p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(tops[0]));
    // Deleting a sibling, and the item itself, while its deletion is announced.
    p.answer = [&](NMHDR* h) -> LRESULT {
        if (static_cast<int>(h->code) == static_cast<int>(TVN_DELETEITEMA)) {
            HTREEITEM dying = reinterpret_cast<NMTREEVIEWA*>(h)->itemOld.hItem;
            p.answer = nullptr;
            p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(dying));
            p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(tops[2]));
            p.Insert(dying, TVI_LAST, "late child");
        }
        return 0;
    };
    p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(tops[1]));
    ExpectWhole(p);
    EXPECT_EQ(p.Send(TVM_GETCOUNT), 16);
    // Deleting the item a selection change or an expansion is about.
    p.answer = [&](NMHDR* h) -> LRESULT {
        int code = static_cast<int>(h->code);
        if (code == static_cast<int>(TVN_SELCHANGINGA) || code == static_cast<int>(TVN_ITEMEXPANDINGA))
            p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(reinterpret_cast<NMTREEVIEWA*>(h)->itemNew.hItem));
        return 0;
    };
    EXPECT_EQ(p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(tops[3])), 0);
    EXPECT_EQ(Next(p, TVGN_CARET), nullptr);
    EXPECT_EQ(p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(tops[4])), 0);
    p.answer = nullptr;
    ExpectWhole(p);
    EXPECT_EQ(p.Send(TVM_GETCOUNT), 8);
    EXPECT_EQ(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(tops[3])), 0);
    // A parent that destroys the whole control while a selection change is announced.
    p.answer = [&](NMHDR* h) -> LRESULT {
        if (static_cast<int>(h->code) == static_cast<int>(TVN_SELCHANGEDA))
            DestroyWindow(p.Tree());
        return 0;
    };
    EXPECT_EQ(p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(tops[0])), 1);
    EXPECT_FALSE(IsWindow(p.Tree()));
}

TEST(TreeListWindow, PaintsClassicButtonsCutLabelsAndTheDropBand)
{
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0), red = RGB(255, 0, 0);
    const COLORREF frame = RGB(0, 0, 255), face = RGB(0, 255, 0);
    {
        tltest::Parent p(TREELIST_CLASS, kStyle, 200, 120);
        p.Send(TVM_SETBKCOLOR, TLCOL_BACKGROUND, white);
        p.Send(TVM_SETTEXTCOLOR, 0, black);
        // Own colours for the lines and the button switch the theme off.
        p.Send(TVM_SETLINECOLOR, 0, red);
        p.Send(TVM_SETBKCOLOR, TLCOL_BUTTONFRAME, frame);
        p.Send(TVM_SETBKCOLOR, TLCOL_BUTTONFACE, face);
        HTREEITEM top = p.Insert(TVI_ROOT, TVI_LAST, "branch");
        p.Insert(top, TVI_LAST, "leaf");
        Pixels px(200, 120);
        const int row = static_cast<int>(p.Send(TVM_GETITEMHEIGHT));
        const int cx = 7, cy = (row - 1) / 2 + (row % 2 ? 0 : 0);
        auto signAbove = [&]() {
            for (int y = 0; y < row / 2; ++y)
                if (px.At(cx, y) == red && y > cy - 4 && y < cy)
                    return true;
            return false;
        };
        px.Paint(p);
        bool sawFrame = false;
        for (int y = 0; y < row; ++y)
            for (int x = 0; x < 16; ++x)
                sawFrame = sawFrame || px.At(x, y) == frame;
        EXPECT_TRUE(sawFrame) << "no classic button drawn";
        EXPECT_TRUE(signAbove()) << "a closed branch shows a plus";
        p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
        px.Paint(p);
        EXPECT_FALSE(signAbove()) << "an open branch shows a minus";
        // The drop mark inverts its row through the checkerboard.
        std::vector<COLORREF> before;
        for (int x = 0; x < 200; ++x)
            before.push_back(px.At(x, row + row / 2));
        p.Send(TLM_SETDROPMARK, 0, reinterpret_cast<LPARAM>(Next(p, TVGN_CHILD, top)));
        px.Paint(p);
        int changed = 0;
        for (int x = 0; x < 200; ++x)
            changed += px.At(x, row + row / 2) != before[static_cast<size_t>(x)];
        EXPECT_GT(changed, 60);
        EXPECT_LT(changed, 140);
    }
    {
        // A label wider than its column ends inside it.
        tltest::Parent p(TREELIST_CLASS, 0, 300, 100);
        p.Send(TVM_SETBKCOLOR, TLCOL_BACKGROUND, white);
        p.Send(TVM_SETTEXTCOLOR, 0, black);
        LVCOLUMNA col = {};
        col.mask = LVCF_WIDTH | LVCF_TEXT;
        col.pszText = const_cast<char*>("Name");
        col.cx = 90;
        ASSERT_EQ(p.Send(TLM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col)), 0);
        col.cx = 150;
        ASSERT_EQ(p.Send(TLM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&col)), 1);
        p.Insert(TVI_ROOT, TVI_LAST, "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
        Pixels px(300, 100);
        px.Paint(p);
        RECT header;
        GetWindowRect(reinterpret_cast<HWND>(p.Send(TLM_GETHEADER)), &header);
        const int top = header.bottom - header.top;
        const int row = static_cast<int>(p.Send(TVM_GETITEMHEIGHT));
        int rightmost = -1;
        for (int y = top; y < top + row; ++y)
            for (int x = 0; x < 300; ++x)
                if (px.At(x, y) == black && x > rightmost)
                    rightmost = x;
        ASSERT_GE(rightmost, 0) << "no label drawn";
        EXPECT_LT(rightmost, 90) << "the label ran into the next column";
        EXPECT_GT(rightmost, 60) << "the cut label should end near the column end";
        // It ends in "...": the last pixels of the text are dots on the base line, no strokes.
        int inkTop = 1000, inkBottom = -1;
        for (int y = top; y < top + row; ++y)
            for (int x = 0; x < 90; ++x)
                if (px.At(x, y) == black) {
                    inkTop = y < inkTop ? y : inkTop;
                    inkBottom = y > inkBottom ? y : inkBottom;
                }
        for (int y = top; y < top + row; ++y)
            for (int x = rightmost - 2; x <= rightmost; ++x) {
                if (px.At(x, y) == black) {
                    EXPECT_GE(y, inkTop + (inkBottom - inkTop) * 2 / 3) << "a stroke at " << x << "," << y;
                }
            }
    }
}

TEST(TreeListWindow, KeysEditsAndTheDragAnswerAsTheParentSays)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "alpha");
    HTREEITEM b = p.Insert(TVI_ROOT, TVI_LAST, "beta");
    Focus(p);
    ASSERT_EQ(GetFocus(), p.Tree());
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
    // Enter: NM_RETURN, then the edit request, then TVN_KEYDOWN.
    p.notes.clear();
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(tltest::Codes(p.notes), (std::vector<int>{ static_cast<int>(NM_RETURN), TLN_EDITREQUEST, static_cast<int>(TVN_KEYDOWN) }));
    EXPECT_EQ(p.Send(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
    // An edit ended by Enter stores the text; by Escape or against the parent's veto not.
    UINT endMask = 0;
    bool veto = false;
    p.answer = [&](NMHDR* h) -> LRESULT {
        if (static_cast<int>(h->code) == static_cast<int>(TVN_ENDLABELEDITA)) {
            endMask = reinterpret_cast<NMTVDISPINFOA*>(h)->item.mask;
            return veto;
        }
        return 0;
    };
    struct Case { UINT key; bool veto; const char* expected; UINT mask; } cases[] = {
        { VK_RETURN, false, "neu", 0x801D | 0x10000000 | 0x20000000 },
        { VK_ESCAPE, false, "neu", 0x100801C },
        { VK_RETURN, true, "neu", 0x801D | 0x10000000 | 0x20000000 },
    };
    for (const Case& c : cases) {
        veto = c.veto;
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(b)));
        ASSERT_TRUE(editor != nullptr);
        EXPECT_EQ(GetFocus(), editor);
        SetWindowTextA(editor, c.veto ? "verworfen" : (c.key == VK_ESCAPE ? "abgebrochen" : "neu"));
        SendMessageA(editor, WM_KEYDOWN, c.key, 0);
        EXPECT_EQ(Text(p, b), c.expected);
        EXPECT_EQ(endMask, c.mask);
        EXPECT_FALSE(IsWindowVisible(editor));
    }
    p.answer = nullptr;
    // Escape during a drag ends it, releases the capture and, with option 0x80, reports it.
    p.Send(TLM_PROPERTY, TLP_DROPOPTIONS | kPropertyWrite, TLD_NOTIFYCANCEL);
    RECT rc;
    rc.left = static_cast<LONG>(reinterpret_cast<UINT_PTR>(b));
    ASSERT_TRUE(p.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc)));
    POINT at = { rc.left + 3, rc.top + 2 };
    ClientToScreen(p.Tree(), &at);
    SetCursorPos(at.x, at.y);
    ASSERT_EQ(p.Send(TLM_BEGINDRAG, 0x80, reinterpret_cast<LPARAM>(a)), 1);
    EXPECT_EQ(GetCapture(), p.Tree());
    // The band sits where the cursor is: between the rows, 3 pixels high.
    Pixels during(300, 400), after(300, 400);
    during.Paint(p);
    p.notes.clear();
    p.Send(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_NE(GetCapture(), p.Tree());
    after.Paint(p);
    std::vector<int> bandRows;
    for (int y = 0; y < 400; ++y) {
        int differing = 0;
        for (int x = 0; x < 300; ++x)
            differing += during.At(x, y) != after.At(x, y);
        if (differing > 75)
            bandRows.push_back(y);
    }
    EXPECT_EQ(bandRows, (std::vector<int>{ rc.top, rc.top + 1, rc.top + 2 }));
    ASSERT_FALSE(p.notes.empty());
    EXPECT_EQ(p.notes.front().code, TLN_DROP);
    EXPECT_EQ(p.notes.front().action, 0x5000000u | 0x20000001u);
    EXPECT_EQ(p.notes.front().newItem, a);
}

TEST(TreeListWindow, BadInputFailsWithoutChangingAnything)
{
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    HTREEITEM gone = p.Insert(a, TVI_LAST, "gone");
    p.Insert(a, TVI_LAST, "kept");
    p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(gone));
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = 20;
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(p.Send(TLM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col)), i);
    char buffer[8] = "intact";
    TVITEMA get = {};
    RECT rc = {};
    int repeats[32], noZeroFirst[32];
    for (int i = 0; i < 32; ++i) {
        repeats[i] = i == 5 ? 4 : i;
        noZeroFirst[i] = 31 - i;
    }
    auto getItem = [&](HTREEITEM h, int size, UINT mask) {
        get = {};
        get.mask = mask;
        get.hItem = h;
        get.pszText = buffer;
        get.cchTextMax = size;
        get.cChildren = 40;
        return p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
    };
    auto insertUnder = [&](HTREEITEM parent, HTREEITEM after) {
        TVINSERTSTRUCTA ins = {};
        ins.hParent = parent;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT;
        ins.item.pszText = const_cast<char*>("x");
        return p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
    };
    struct Row { const char* what; std::function<LRESULT()> send; LRESULT expected; };
    const LPARAM stale = reinterpret_cast<LPARAM>(gone);
    std::vector<Row> table = {
        { "get a stale item", [&] { return getItem(gone, 8, TVIF_TEXT); }, 0 },
        { "get item 0", [&] { return getItem(nullptr, 8, TVIF_TEXT); }, 0 },
        { "get past the capacity", [&] { return getItem(reinterpret_cast<HTREEITEM>(100000), 8, TVIF_TEXT); }, 0 },
        { "get TVI_ROOT", [&] { return getItem(TVI_ROOT, 8, TVIF_TEXT); }, 0 },
        { "get TVI_LAST", [&] { return getItem(TVI_LAST, 8, TVIF_TEXT); }, 0 },
        { "get a cell beyond the columns", [&] { return getItem(a, 8, TVIF_TEXT | TLIF_CELL); }, 0 },
        { "delete a stale item", [&] { return p.Send(TVM_DELETEITEM, 0, stale); }, 0 },
        { "delete item 0", [&] { return p.Send(TVM_DELETEITEM, 0, 0); }, 0 },
        { "expand TVI_FIRST", [&] { return p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(TVI_FIRST)); }, 0 },
        { "select a stale item", [&] { return p.Send(TVM_SELECTITEM, TVGN_CARET, stale); }, 0 },
        { "next of a stale item", [&] { return p.Send(TVM_GETNEXTITEM, TVGN_NEXT, stale); }, 0 },
        { "move a stale item", [&] { return p.Send(TLM_MOVEITEM, reinterpret_cast<WPARAM>(a), stale); }, 0 },
        { "move onto a stale item", [&] { return p.Send(TLM_MOVEITEM + 2, static_cast<WPARAM>(stale), reinterpret_cast<LPARAM>(a)); }, 0 },
        { "make a stale item visible", [&] { return p.Send(TVM_ENSUREVISIBLE, 0, stale); }, -1 },
        { "row of a stale item", [&] { return p.Send(TLM_GETROWOFITEM, 0, stale); }, -1 },
        { "visibility of a stale item", [&] { return p.Send(TLM_GETVISIBILITY, 0, stale); }, -1 },
        { "rectangle of a stale item", [&] { rc.left = static_cast<LONG>(stale); return p.Send(TVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)); }, 0 },
        { "data of a stale item", [&] { return p.Send(TLM_SETITEMDATA, 5, stale); }, 0 },
        { "drag image of a stale item", [&] { return p.Send(TVM_CREATEDRAGIMAGE, 0, stale); }, 0 },
        { "edit a stale item", [&] { return p.Send(TVM_EDITLABELA, 0, stale); }, 0 },
        { "insertion mark at a stale item", [&] { return p.Send(TVM_SETINSERTMARK, 0, stale); }, 0 },
        { "insert under TVI_LAST", [&] { return insertUnder(TVI_LAST, TVI_LAST); }, 0 },
        { "insert under a stale item", [&] { return insertUnder(gone, TVI_LAST); }, 0 },
        { "insert beside the root", [&] { return insertUnder(TVI_ROOT, reinterpret_cast<HTREEITEM>(TLI_AFTERPARENT)); }, 0 },
        { "a 33rd column", [&] { return p.Send(TLM_INSERTCOLUMN, 32, reinterpret_cast<LPARAM>(&col)); }, -1 },
        { "set a column beyond the count", [&] { return p.Send(TLM_SETCOLUMN, 40, reinterpret_cast<LPARAM>(&col)); }, 0 },
        { "delete a column beyond the count", [&] { return p.Send(TLM_DELETECOLUMN, 40); }, 0 },
        { "colour of a column beyond the count", [&] { return p.Send(TLM_SETTEXTCOLOR, reinterpret_cast<WPARAM>(a) | (40u << 24), 0); }, -1 },
        { "an order with a repeat", [&] { return p.Send(TLM_SETCOLUMNORDER, 32, reinterpret_cast<LPARAM>(repeats)); }, 0 },
        { "an order without 0 first", [&] { return p.Send(TLM_SETCOLUMNORDER, 32, reinterpret_cast<LPARAM>(noZeroFirst)); }, 0 },
        { "an order of the wrong length", [&] { return p.Send(TLM_SETCOLUMNORDER, 3, reinterpret_cast<LPARAM>(repeats)); }, 0 },
        { "extra bytes beyond 16 MB", [&] { return p.Send(TLM_SETEXTRACOUNT, 0, 0x1000001); }, -1 },
        { "a property number 0", [&] { return p.Send(TLM_PROPERTY, kPropertyWrite, 7); }, 0 },
        { "a property number 17", [&] { return p.Send(TLM_PROPERTY, 17 | kPropertyWrite, 7); }, 0 },
    };
    for (Row& r : table) {
        EXPECT_EQ(r.send(), r.expected) << r.what;
        EXPECT_STREQ(buffer, "intact") << r.what;
    }
    EXPECT_EQ(p.Send(TLM_GETCOLUMNCOUNT), 32);
    int order[32] = {};
    p.Send(TLM_GETCOLUMNORDER, 32, reinterpret_cast<LPARAM>(order));
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(order[i], i);
    // Text sizes of 0 or below copy nothing; 1 gives an empty text.
    EXPECT_EQ(getItem(a, 0, TVIF_TEXT), 1);
    EXPECT_EQ(getItem(a, -5, TVIF_TEXT), 1);
    EXPECT_STREQ(buffer, "intact");
    EXPECT_EQ(getItem(a, 1, TVIF_TEXT), 1);
    EXPECT_STREQ(buffer, "");
    // A text longer than 65535 bytes is cut to what the 16-bit length holds.
    std::string huge(70000, 'h');
    HTREEITEM big = p.Insert(TVI_ROOT, TVI_LAST, huge.c_str());
    TVITEMA pointer = {};
    pointer.mask = TVIF_TEXT | TLIF_TEXTPOINTER;
    pointer.hItem = big;
    ASSERT_EQ(p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&pointer)), 1);
    EXPECT_EQ(pointer.cchTextMax, 65536);
    EXPECT_EQ(strlen(pointer.pszText), 65535u);
    // A text asked of the parent that fills the whole buffer without a zero.
    TVINSERTSTRUCTA ins = {};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = LPSTR_TEXTCALLBACKA;
    HTREEITEM asked = reinterpret_cast<HTREEITEM>(p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    p.answer = [](NMHDR* h) -> LRESULT {
        if (static_cast<int>(h->code) == static_cast<int>(TVN_GETDISPINFOA)) {
            NMTVDISPINFOA* di = reinterpret_cast<NMTVDISPINFOA*>(h);
            memset(di->item.pszText, 'q', static_cast<size_t>(di->item.cchTextMax));
        }
        return 0;
    };
    char wide[400] = {};
    TVITEMA callback = {};
    callback.mask = TVIF_TEXT;
    callback.hItem = asked;
    callback.pszText = wide;
    callback.cchTextMax = sizeof wide;
    ASSERT_EQ(p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&callback)), 1);
    EXPECT_EQ(strlen(wide), 259u);
    // An edit request answered with a combo box but no choices gives an empty combo box.
    p.answer = [](NMHDR* h) -> LRESULT { return h->code == static_cast<UINT>(TLN_EDITREQUEST) ? TLR_COMBO : 0; };
    HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, 0xF5A5A500u | 0, 0));
    EXPECT_EQ(editor, nullptr);   // no caret item yet: nothing asked
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
    EXPECT_EQ(p.Send(TVM_EDITLABELA, 0xF5A5A500u | 1, 0), 1);
    editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
    ASSERT_TRUE(editor != nullptr);
    char cls[16] = {};
    GetClassNameA(editor, cls, sizeof cls);
    EXPECT_STREQ(cls, "ComboBox");
    EXPECT_EQ(SendMessageA(editor, CB_GETCOUNT, 0, 0), 0);
    p.Send(TVM_ENDEDITLABELNOW, TRUE);
    p.answer = nullptr;
    ExpectWhole(p);
}

namespace {

void Keys(std::initializer_list<int> down)
{
    BYTE keys[256] = {};
    for (int k : down)
        keys[k] = 0x80;
    SetKeyboardState(keys);
}

POINT LabelPoint(const tltest::Parent& p, HTREEITEM item)
{
    RECT rc = {};
    rc.left = static_cast<LONG>(reinterpret_cast<UINT_PTR>(item));
    p.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
    return { rc.left + 3, rc.top + 2 };
}

// n top-level rows, in order.
std::vector<HTREEITEM> TopRows(const tltest::Parent& p, int n)
{
    std::vector<HTREEITEM> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
    return rows;
}

std::vector<std::string> Texts(const tltest::Parent& p, HTREEITEM parent)
{
    std::vector<std::string> v;
    for (HTREEITEM h = Next(p, TVGN_CHILD, parent); h; h = Next(p, TVGN_NEXT, h))
        v.push_back(Text(p, h));
    return v;
}

}  // namespace

TEST(TreeListWindow, DraggingWithTheMouseMovesTheItem)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    HTREEITEM b = p.Insert(TVI_ROOT, TVI_LAST, "b");
    p.Insert(TVI_ROOT, TVI_LAST, "c");
    HTREEITEM d = p.Insert(TVI_ROOT, TVI_LAST, "d");
    Focus(p);
    auto drag = [&](HTREEITEM from, POINT to, WPARAM keys) {
        POINT start = LabelPoint(p, from);
        p.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
        p.Send(WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(to.x, to.y));
        p.Send(WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(to.x, to.y + 1));
        p.Send(WM_LBUTTONUP, keys, MAKELPARAM(to.x, to.y + 1));
    };
    // "a" dropped in the upper half of "d": before it.
    p.notes.clear();
    drag(a, LabelPoint(p, d), 0);
    EXPECT_EQ(Texts(p, TVI_ROOT), (std::vector<std::string>{ "b", "c", "a", "d" }));
    ASSERT_FALSE(p.notes.empty());
    EXPECT_EQ(p.notes.back().code, TLN_DROP);
    EXPECT_EQ(p.notes.back().action, 0x1000001u);
    EXPECT_EQ(GetCapture(), nullptr);
    // The same drop again puts "a" where it is: no item counts as moved.
    p.notes.clear();
    drag(a, LabelPoint(p, d), 0);
    ASSERT_FALSE(p.notes.empty());
    EXPECT_EQ(p.notes.back().action, 0x1000000u);
    // With Ctrl onto "b": it becomes b's child; onto its own child: refused.
    drag(d, LabelPoint(p, b), MK_CONTROL);
    EXPECT_EQ(Texts(p, TVI_ROOT), (std::vector<std::string>{ "b", "c", "a" }));
    EXPECT_EQ(Texts(p, b), (std::vector<std::string>{ "d" }));
    drag(b, LabelPoint(p, d), MK_CONTROL);
    EXPECT_EQ(Texts(p, b), (std::vector<std::string>{ "d" }));
    ExpectWhole(p);
}

TEST(TreeListWindow, ShiftArrowsGrowAndShrinkTheRangeInMultipleSelection)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT, TLX_MULTISELECT);
    std::vector<HTREEITEM> rows;
    for (int i = 0; i < 6; ++i)
        rows.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
    Focus(p);
    KeysUp();
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(rows[2]));
    auto selected = [&]() {
        std::vector<int> v;
        for (int i = 0; i < 6; ++i)
            if (p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[static_cast<size_t>(i)]), TVIS_SELECTED) & TVIS_SELECTED)
                v.push_back(i);
        return v;
    };
    Keys({ VK_SHIFT });
    p.Send(WM_KEYDOWN, VK_DOWN, 0);
    p.Send(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(selected(), (std::vector<int>{ 2, 3, 4 }));
    p.Send(WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(selected(), (std::vector<int>{ 2, 3 }));
    p.Send(WM_KEYDOWN, VK_UP, 0);
    p.Send(WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(selected(), (std::vector<int>{ 1, 2 }));
    KeysUp();
    p.Send(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(selected(), (std::vector<int>{ 2 }));
    EXPECT_EQ(p.Send(TLM_PROPERTY, TLP_SELECTEDCOUNT), 1);
}

TEST(TreeListWindow, ColumnEditorsTypeCycleAndTick)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS);
    ASSERT_EQ(AddColumns(p, 3, 80), 3);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT, TLX_CELLSELECT);
    static const char* const kCycle[] = { "rot", "grün", "blau", nullptr };
    p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_CYCLE, TLO_ARRAY));
    p.Send(TLM_SETCOLUMNAUX, 1, reinterpret_cast<LPARAM>(kCycle));
    p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(2, TLE_CHECK, 0));
    p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(0, TLE_TEXT, 0));
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    Focus(p);
    // Typing into the tree column starts its editor with the character in it.
    p.Send(TLM_SELECTCELL, 0, reinterpret_cast<LPARAM>(a));
    p.Send(WM_CHAR, 'x', 1);
    HWND editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
    ASSERT_TRUE(editor && IsWindowVisible(editor));
    char typed[16] = {};
    GetWindowTextA(editor, typed, sizeof typed);
    EXPECT_STREQ(typed, "x");
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Text(p, a), "x");
    // Enter in the cycling column takes the next entry and reports -434.
    auto cell = [&](int column) {
        char buf[16] = {};
        TVITEMA get = {};
        get.mask = TVIF_TEXT | TLIF_CELL | TVIF_STATE;
        get.hItem = a;
        get.pszText = buf;
        get.cchTextMax = sizeof buf;
        get.cChildren = column;
        get.stateMask = 0xF000;
        p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
        return std::string(buf) + "/" + std::to_string(get.state >> 12);
    };
    p.Send(TLM_SELECTCELL, 1, reinterpret_cast<LPARAM>(a));
    p.notes.clear();
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(cell(1), "rot/0");
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(cell(1), "rot/0") << "after the last entry the first";
    int cycled = 0;
    for (const tltest::Note& n : p.notes)
        cycled += n.code == TLN_CYCLED;
    EXPECT_EQ(cycled, 4);
    // Ctrl+Enter on the check-box column ticks and reports -433.
    p.Send(TLM_SELECTCELL, 2, reinterpret_cast<LPARAM>(a));
    p.notes.clear();
    Keys({ VK_CONTROL });
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(cell(2), "/1");
    p.Send(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(cell(2), "/2");
    KeysUp();
    int checked = 0;
    for (const tltest::Note& n : p.notes)
        checked += n.code == TLN_CHECKED;
    EXPECT_EQ(checked, 2);
}

TEST(TreeListWindow, HeaderTracksKeepMinimumsTotalsAndHiddenColumns)
{
    tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
    auto add = [&](int width, int minimum) {
        LVCOLUMNA col = {};
        col.mask = LVCF_WIDTH | (minimum ? LVCF_ORDER : 0);
        col.cx = width;
        col.iOrder = minimum;
        return p.Send(TLM_INSERTCOLUMN, 9, reinterpret_cast<LPARAM>(&col));
    };
    add(100, 0);
    add(80, 40);
    add(20, 0);
    add(60, 0);
    HWND header = reinterpret_cast<HWND>(p.Send(TLM_GETHEADER));
    auto track = [&](UINT code, int column, int width) {
        HDITEMA item = {};
        item.mask = HDI_WIDTH;
        item.cxy = width;
        NMHEADERA nm = {};
        nm.hdr.hwndFrom = header;
        nm.hdr.idFrom = 1;
        nm.hdr.code = code;
        nm.iItem = column;
        nm.pitem = &item;
        LRESULT r = p.Send(WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&nm));
        return std::pair<LRESULT, int>(r, item.cxy);
    };
    auto width = [&](int column) { return static_cast<int>(p.Send(TLM_GETCOLUMNWIDTH, static_cast<WPARAM>(column))); };
    // Below the minimum: raised, and the header is told the raised width.
    EXPECT_EQ(track(HDN_TRACKA, 1, 10).second, 40);
    EXPECT_EQ(width(1), 40);
    // Keeping the total: the next column gives what it has, no more.
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_KEEPTOTAL, TLX_KEEPTOTAL);
    EXPECT_EQ(track(HDN_ENDTRACKA, 1, 70).second, 60);
    EXPECT_EQ(width(1), 60);
    EXPECT_EQ(width(2), 0);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_KEEPTOTAL, 0);
    // A hidden column's divider is not taken; fixed widths refuse every track.
    LVCOLUMNA hide = {};
    hide.mask = TLCF_HIDDEN;
    hide.fmt = static_cast<int>(TLCF_HIDDEN);
    p.Send(TLM_SETCOLUMN, 3, reinterpret_cast<LPARAM>(&hide));
    EXPECT_EQ(width(3), 0);
    EXPECT_EQ(track(HDN_BEGINTRACKA, 3, 0).first, 1);
    EXPECT_EQ(track(HDN_BEGINTRACKA, 0, 0).first, 0);
    hide.mask = TLCF_HIDDEN | LVCF_WIDTH;
    hide.fmt = 0;
    hide.cx = kRestoreWidth;
    p.Send(TLM_SETCOLUMN, 3, reinterpret_cast<LPARAM>(&hide));
    EXPECT_EQ(width(3), 60);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_FIXEDWIDTHS, TLX_FIXEDWIDTHS);
    EXPECT_EQ(track(HDN_BEGINTRACKA, 0, 0).first, 1);
    // Column 0 is not dragged, and nothing without TLX_HEADERDRAG.
    EXPECT_EQ(track(HDN_BEGINDRAG, 2, 0).first, 1);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_HEADERDRAG, TLX_HEADERDRAG);
    EXPECT_EQ(track(HDN_BEGINDRAG, 2, 0).first, 0);
    EXPECT_EQ(track(HDN_BEGINDRAG, 0, 0).first, 1);
}

TEST(TreeListWindow, WrapperRowsFillColumnsAndHeaderImages)
{
    tltest::Parent host(TREELIST_CLASS, 0, 300, 200);
    CTreeListCtrl tl;
    ASSERT_TRUE(tl.Create(0, TVS_HASBUTTONS, CRect(0, 0, 240, 150), CWnd::FromHandle(host.Window()), 5));
    RECT client;
    ::GetClientRect(tl.m_hWnd, &client);
    // Weights 3 and 1 share the client width 3 : 1.
    EXPECT_EQ(tl.InsertColumn(0, "A", -1, -3), 0);
    EXPECT_EQ(tl.InsertColumn(1, "B", -1, -1), 1);
    int a = static_cast<int>(tl.SendMessage(TLM_GETCOLUMNWIDTH, 0)), b = static_cast<int>(tl.SendMessage(TLM_GETCOLUMNWIDTH, 1));
    EXPECT_EQ(a + b, client.right);
    EXPECT_NEAR(a, 3 * b, 3);
    // A row past the end appends; a row index inserts before that row.
    EXPECT_EQ(tl.InsertRow(99, "x", -1, -1, 0), 0);
    EXPECT_EQ(tl.InsertRow(0, "y", -1, -1, 0), 0);
    EXPECT_EQ(tl.InsertRow(7, "z", -1, -1, 0), 2);
    char buf[8];
    std::string rows;
    for (int r = 0; r < 3; ++r) {
        tl.GetRowText(r, buf, sizeof buf, 0);
        rows += buf;
    }
    EXPECT_EQ(rows, "yxz");
    EXPECT_TRUE(tl.SetRow(1, 1, "zelle", -1, -1, 0));
    EXPECT_EQ(tl.GetRowText(1, buf, sizeof buf, 1), 1);
    EXPECT_STREQ(buf, "zelle");
    EXPECT_EQ(tl.GetRowText(3, buf, sizeof buf, 0), 0);
    auto format = [&]() {
        HDITEMA hd = {};
        hd.mask = HDI_FORMAT;
        ::SendMessageA(tl.GetHeader(), HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&hd));
        return hd.fmt & HDF_IMAGE;
    };
    tl.SetHeaderImage(1, -1, 0);
    EXPECT_EQ(format(), HDF_IMAGE);
    tl.SetHeaderImage(1, -2, 0);
    EXPECT_EQ(format(), 0);
    tl.DestroyWindow();
}

TEST(TreeListWindow, HomeStepsOverPinnedRowsAndCtrlKeysScrollWithoutTheCaret)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
    std::vector<HTREEITEM> rows = TopRows(p, 40);
    ASSERT_EQ(AddColumns(p, 3, 250), 3);
    Focus(p);
    // Ctrl with the arrows moves the view, not the caret: a row down, 16 pixels right.
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(rows[0]));
    Keys({ VK_CONTROL });
    p.Send(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Next(p, TVGN_FIRSTVISIBLE), rows[1]);
    p.Send(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(GetScrollPos(p.Tree(), SB_HORZ), 16);
    p.Send(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(GetScrollPos(p.Tree(), SB_HORZ), 0);
    EXPECT_EQ(Next(p, TVGN_CARET), rows[0]);
    KeysUp();
    // With two pinned rows, Home goes to the first row below them, and from there to row 0.
    p.Send(TLM_PROPERTY, TLP_PINNEDROWS | kPropertyWrite, 2);
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(rows[10]));
    p.Send(WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(Next(p, TVGN_CARET), rows[2]);
    p.Send(WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(Next(p, TVGN_CARET), rows[0]);
}

TEST(TreeListWindow, TheDragCursorRefusesTheItemsOwnBranchAndOnRequestTheEmptyArea)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    HTREEITEM child = p.Insert(a, TVI_LAST, "a1");
    HTREEITEM second = p.Insert(a, TVI_LAST, "a2");
    HTREEITEM b = p.Insert(TVI_ROOT, TVI_LAST, "b");
    HTREEITEM c = p.Insert(TVI_ROOT, TVI_LAST, "c");
    p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a));
    Focus(p);
    const HCURSOR no = LoadCursorA(nullptr, MAKEINTRESOURCEA(32648));
    const HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    auto over = [&](POINT at, WPARAM keys = 0) {
        p.Send(WM_MOUSEMOVE, keys, MAKELPARAM(at.x, at.y));
        return GetCursor();
    };
    for (UINT options : { 0u, static_cast<UINT>(TLD_NOEMPTY) }) {
        p.Send(TLM_PROPERTY, TLP_DROPOPTIONS | kPropertyWrite, options);
        POINT start = LabelPoint(p, a);
        ASSERT_EQ(p.Send(TLM_BEGINDRAG, 0x80, reinterpret_cast<LPARAM>(a)), 1);
        // Between the children, or onto one with Ctrl: inside its own branch.
        EXPECT_EQ(over(LabelPoint(p, second)), no) << options;
        EXPECT_EQ(over(LabelPoint(p, child), MK_CONTROL), no) << options;
        // The upper half of "b" means after "a2", still inside; "c" is outside.
        EXPECT_EQ(over(LabelPoint(p, b)), no) << options;
        EXPECT_EQ(over(LabelPoint(p, c)), hand) << options;
        EXPECT_EQ(over(POINT{ start.x, 300 }), options ? no : hand) << options;
        p.Send(WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_NE(GetCapture(), p.Tree());
    }
    ExpectWhole(p);
}

TEST(TreeListWindow, DeletionModesTellEveryItemChildrenFirstOrNothingWhenDeferred)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    auto build = [&] {
        std::vector<HTREEITEM> v;
        for (int t = 0; t < 2; ++t) {
            HTREEITEM top = p.Insert(TVI_ROOT, TVI_LAST, "top");
            v.push_back(top);
            v.push_back(p.Insert(top, TVI_LAST, "child"));
            v.push_back(p.Insert(top, TVI_LAST, "child"));
        }
        p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(v[3]));
        p.notes.clear();
        return v;
    };
    auto told = [&] {
        std::vector<HTREEITEM> v;
        for (const tltest::Note& n : p.notes)
            if (n.code == static_cast<int>(TVN_DELETEITEMA))
                v.push_back(n.oldItem);
        return v;
    };
    // Plain and without row rebuilding: every item told, the last top first, children first.
    for (WPARAM mode : { static_cast<WPARAM>(0), static_cast<WPARAM>(0x87) }) {
        std::vector<HTREEITEM> items = build();
        ASSERT_EQ(p.Send(TVM_DELETEITEM, mode, reinterpret_cast<LPARAM>(TVI_ROOT)), 1);
        EXPECT_EQ(told(), (std::vector<HTREEITEM>{ items[5], items[4], items[3], items[2], items[1], items[0] })) << mode;
        EXPECT_EQ(p.Send(TVM_GETCOUNT), 0);
        ExpectWhole(p);
    }
    // Deferred: nobody is told; 0x8A takes only the children.
    std::vector<HTREEITEM> items = build();
    ASSERT_EQ(p.Send(TVM_DELETEITEM, 0x8A, reinterpret_cast<LPARAM>(items[3])), 1);
    ASSERT_EQ(p.Send(TVM_DELETEITEM, 0x89, reinterpret_cast<LPARAM>(items[0])), 1);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_TRUE(told().empty());
    EXPECT_EQ(p.Send(TVM_GETCOUNT), 1);
    EXPECT_EQ(Next(p, TVGN_ROOT), items[3]);
    EXPECT_EQ(Next(p, TVGN_CHILD, items[3]), nullptr);
    ExpectWhole(p);
}

TEST(TreeListWindow, PageEndsRightClicksCtrlClicksCollapsesAndRefusedScrolls)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
    std::vector<HTREEITEM> rows = TopRows(p, 40);
    HTREEITEM child = p.Insert(rows[1], TVI_LAST, "child");
    p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(rows[1]));
    Focus(p);
    // The next visible item after the last full row of the page is none, rows follow or not.
    const int full = static_cast<int>(p.Send(TVM_GETVISIBLECOUNT));
    ASSERT_GT(full, 3);
    HTREEITEM last = reinterpret_cast<HTREEITEM>(p.Send(TLM_GETITEMOFROW, 0, full - 1));
    EXPECT_EQ(Next(p, TVGN_NEXTVISIBLE, last), nullptr);
    EXPECT_NE(Next(p, TVGN_NEXTVISIBLE, rows[0]), nullptr);
    // Collapsing the branch that holds the caret selects the collapsed item.
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
    p.Send(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(rows[1]));
    EXPECT_EQ(Next(p, TVGN_CARET), rows[1]);
    // With extended style 0x100 a right click is told but selects nothing.
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_RCLICKKEEPS, TLX_RCLICKKEEPS);
    p.notes.clear();
    POINT at = LabelPoint(p, rows[3]);
    p.Send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    p.Send(WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    EXPECT_EQ(Next(p, TVGN_CARET), rows[1]);
    std::vector<int> codes = tltest::Codes(p.notes);
    EXPECT_NE(std::find(codes.begin(), codes.end(), static_cast<int>(NM_RCLICK)), codes.end());
    // In multiple selection a Ctrl+click on the caret item keeps it selected.
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT | TLX_RCLICKKEEPS, TLX_MULTISELECT);
    Keys({ VK_CONTROL });
    at = LabelPoint(p, rows[1]);
    p.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(at.x, at.y));
    p.Send(WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(at.x, at.y));
    KeysUp();
    EXPECT_TRUE(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[1])) & TVIS_SELECTED);
    // A scroll the parent refuses (-441) moves nothing; allowed, it moves.
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_SCROLLNOTIFY, TLX_SCROLLNOTIFY);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))   // the queued scroll-bar range
        DispatchMessageA(&msg);
    HTREEITEM first = Next(p, TVGN_FIRSTVISIBLE);
    const int pos = GetScrollPos(p.Tree(), SB_VERT);
    p.answer = [](NMHDR* h) -> LRESULT { return static_cast<int>(h->code) == TLN_BEFORESCROLL; };
    p.Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Next(p, TVGN_FIRSTVISIBLE), first);
    EXPECT_EQ(GetScrollPos(p.Tree(), SB_VERT), pos);
    p.answer = nullptr;
    p.Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_NE(Next(p, TVGN_FIRSTVISIBLE), first);
    EXPECT_EQ(GetScrollPos(p.Tree(), SB_VERT), pos + 1);
}

TEST(TreeListWindow, SortedInsertionsAndCellsNeverWritten)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    // Without regard to case; an equal text goes directly before the existing one.
    for (const char* t : { "b", "A", "c", "B" })
        ASSERT_NE(p.Insert(TVI_ROOT, TVI_SORT, t), nullptr);
    EXPECT_EQ(Texts(p, TVI_ROOT), (std::vector<std::string>{ "A", "B", "b", "c" }));
    // A cell never written: empty text and image -2; writing only its image makes the cell
    // with an empty text.
    ASSERT_EQ(AddColumns(p, 2, 60), 2);
    HTREEITEM a = Next(p, TVGN_ROOT);
    auto cell = [&](int& image) {
        char buf[8] = "x";
        TVITEMA get = {};
        get.mask = TVIF_TEXT | TVIF_IMAGE | TLIF_CELL;
        get.hItem = a;
        get.pszText = buf;
        get.cchTextMax = sizeof buf;
        get.cChildren = 1;
        EXPECT_EQ(p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get)), 1);
        image = get.iImage;
        return std::string(buf);
    };
    int image = 0;
    EXPECT_EQ(cell(image), "");
    EXPECT_EQ(image, -2);
    TVITEMA set = {};
    set.mask = TVIF_IMAGE | TLIF_CELL;
    set.hItem = a;
    set.iImage = 3;
    set.cChildren = 1;
    ASSERT_EQ(p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set)), 1);
    EXPECT_EQ(cell(image), "");
    EXPECT_EQ(image, 3);
}

// Messages that tell the caller what they did: a first row made visible only when it is
// shown, the header's list, a new font drawn at once, the caret leaving its cell with cell
// selection, the selection walked in tree order, and a drag begun by message for the left
// button that ends when it is up.
TEST(TreeListWindow, MessagesAnswerWhatTheyDid)
{
    static std::vector<HFONT> fonts;
    struct Case {
        const char* name;
        std::function<LRESULT(tltest::Parent&, HTREEITEM, HTREEITEM)> run;   // tree: a with child b
        LRESULT expected;
    };
    auto firstVisible = [](bool refuse) {
        return [refuse](tltest::Parent& p, HTREEITEM, HTREEITEM b) -> LRESULT {
            p.answer = [refuse](NMHDR* h) -> LRESULT { return refuse && h->code == TVN_ITEMEXPANDINGA; };
            return p.Send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(b)) * 10 + (p.Send(TLM_GETROWOFITEM, 0, reinterpret_cast<LPARAM>(b)) >= 0);
        };
    };
    auto leftDrag = [](WPARAM keys) {
        return [keys](tltest::Parent& p, HTREEITEM a, HTREEITEM) -> LRESULT {
            EXPECT_EQ(p.Send(TLM_BEGINDRAG, 1, reinterpret_cast<LPARAM>(a)), 1);
            p.Send(WM_MOUSEMOVE, keys, MAKELPARAM(40, 30));
            return GetCapture() == p.Tree();
        };
    };
    const Case cases[] = {
        { "first visible, expansion refused", firstVisible(true), 0 },
        { "first visible, expansion allowed", firstVisible(false), 11 },
        { "header list follows the normal one", [](tltest::Parent& p, HTREEITEM, HTREEITEM) -> LRESULT {
              HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
              LRESULT before = p.Send(TVM_GETIMAGELIST, 5);
              p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
              LRESULT after = p.Send(TVM_GETIMAGELIST, 5);
              p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_NORMAL, 0);
              ImageList_Destroy(list);
              return (before == 0) + 10 * (after == reinterpret_cast<LRESULT>(list));
          }, 11 },
        { "font with the same metrics, no redraw flag", [](tltest::Parent& p, HTREEITEM, HTREEITEM) -> LRESULT {
              LOGFONTA lf = {};
              GetObjectA(reinterpret_cast<HFONT>(p.Send(WM_GETFONT)), sizeof lf, &lf);
              fonts.push_back(CreateFontIndirectA(&lf));
              Focus(p);
              UpdateWindow(p.Tree());
              LRESULT height = p.Send(TVM_GETITEMHEIGHT);
              p.Send(WM_SETFONT, reinterpret_cast<WPARAM>(fonts.back()), FALSE);
              return GetUpdateRect(p.Tree(), nullptr, FALSE) + 10 * (p.Send(TVM_GETITEMHEIGHT) == height);
          }, 11 },
        { "cell selection switched off", [](tltest::Parent& p, HTREEITEM a, HTREEITEM) -> LRESULT {
              EXPECT_EQ(AddColumns(p, 3, 80), 3);
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT, TLX_CELLSELECT);
              p.Send(TLM_SELECTCELL, 2, reinterpret_cast<LPARAM>(a));
              p.notes.clear();
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT, 0);
              std::vector<int> codes = tltest::Codes(p.notes);
              return std::count(codes.begin(), codes.end(), static_cast<int>(TVN_SELCHANGEDA)) * 10 + p.Send(TVM_GETNEXTITEM, 13);
          }, 10 },
        { "selection walked through closed branches", [](tltest::Parent& p, HTREEITEM, HTREEITEM b) -> LRESULT {
              HTREEITEM d = p.Insert(p.Insert(TVI_ROOT, TVI_LAST, "c"), TVI_LAST, "d");
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT, TLX_MULTISELECT);
              for (HTREEITEM h : { b, d }) {
                  TVITEMA select = { TVIF_STATE, h, TVIS_SELECTED, TVIS_SELECTED, nullptr, 0, 0, 0, 0, 0 };
                  p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&select));
              }
              return (Next(p, TVGN_NEXTSELECTED, TVI_ROOT) == b) + 10 * (Next(p, TVGN_NEXTSELECTED, b) == d) +
                     100 * (Next(p, TVGN_NEXTSELECTED, d) == nullptr);
          }, 111 },
        { "left drag by message, button up", leftDrag(0), 0 },
        { "left drag by message, button held", leftDrag(MK_LBUTTON), 1 },
    };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle);
        HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
        HTREEITEM b = p.Insert(a, TVI_LAST, "b");
        EXPECT_EQ(c.run(p, a, b), c.expected) << c.name;
    }
    for (HFONT f : fonts)
        DeleteObject(f);
}

// Shift+click makes the rows from the anchor to the clicked one the selection, also after an
// earlier range; with Ctrl the range is added to what is selected.
TEST(TreeListWindow, ShiftClicksMakeTheRangeFromTheAnchorTheSelection)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle);
    std::vector<HTREEITEM> rows = TopRows(p, 8);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT, TLX_MULTISELECT);
    Focus(p);
    const struct { int row; WPARAM keys; unsigned selected; } clicks[] = {
        // Rows outside a new range keep their selection; with Ctrl too a Shift+click is a range.
        { 2, 0, 0x04 }, { 5, MK_SHIFT, 0x3C }, { 7, MK_SHIFT, 0xFC }, { 4, MK_SHIFT, 0xFC }, { 0, MK_SHIFT | MK_CONTROL, 0xFF },
    };
    for (const auto& c : clicks) {
        POINT pt = LabelPoint(p, rows[static_cast<size_t>(c.row)]);
        p.Send(WM_LBUTTONDOWN, MK_LBUTTON | c.keys, MAKELPARAM(pt.x, pt.y));
        p.Send(WM_LBUTTONUP, c.keys, MAKELPARAM(pt.x, pt.y));
        unsigned selected = 0;
        for (size_t r = 0; r < rows.size(); ++r)
            if (p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[r])) & TVIS_SELECTED)
                selected |= 1u << r;
        EXPECT_EQ(selected, c.selected) << "click on row " << c.row << " with keys " << c.keys;
    }
}

TEST(TreeListWindow, OwnNextItemCodesWalkTheTreeSelectionChecksAndLevels)
{
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_CHECKBOXES);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    HTREEITEM a1 = p.Insert(a, TVI_LAST, "a1");
    HTREEITEM a11 = p.Insert(a1, TVI_LAST, "a11");
    HTREEITEM a2 = p.Insert(a, TVI_LAST, "a2");
    HTREEITEM b = p.Insert(TVI_ROOT, TVI_LAST, "b");
    HTREEITEM c = p.Insert(TVI_ROOT, TVI_LAST, "c");
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT, TLX_MULTISELECT);
    for (HTREEITEM h : { a1, b }) {
        TVITEMA select = {};
        select.mask = TVIF_STATE;
        select.hItem = h;
        select.state = select.stateMask = TVIS_SELECTED;
        p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&select));
    }
    TVITEMA check = {};
    check.mask = TVIF_STATE;
    check.hItem = a2;
    check.state = 0x2000;
    check.stateMask = 0xF000;
    p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&check));
    p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a));
    p.Send(TLM_PROPERTY, TLP_PINNEDROWS | kPropertyWrite, 1);
    struct Row { UINT code; HTREEITEM from; LRESULT expected; };
    auto n = [](HTREEITEM h) { return reinterpret_cast<LRESULT>(h); };
    const Row table[] = {
        { 17, TVI_ROOT, n(a1) }, { 17, a1, n(b) }, { 17, b, 0 },          // selected, children included
        { 18, a, n(a2) }, { 18, TVI_ROOT, n(c) }, { 18, b, 0 },          // last child
        { 19, TVI_ROOT, n(a) }, { 19, a1, n(a11) }, { 19, a11, n(a2) },  // tree order
        { 19, a2, n(b) }, { 19, c, 0 },
        { 20, nullptr, n(a1) },                                          // the first row after the pinned ones
        { 21, TVI_ROOT, n(a2) }, { 21, a2, 0 },                         // checked
        { 22, a11, 2 }, { 22, a, 0 },                                    // levels
        { 23, a, 0 },                                                    // no such code
    };
    for (const Row& r : table)
        EXPECT_EQ(p.Send(TVM_GETNEXTITEM, r.code, reinterpret_cast<LPARAM>(r.from)), r.expected)
            << "code " << r.code << " from " << r.from;
}

TEST(TreeListWindow, LeftAtTheEditorsStartCommitsAndMovesACellLeft)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS);
    ASSERT_EQ(AddColumns(p, 2, 80), 2);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT | TLX_KEEPODDHEIGHT, TLX_CELLSELECT | TLX_KEEPODDHEIGHT);
    p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_TEXT, 0));
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    Focus(p);
    p.Send(TLM_SELECTCELL, 1, reinterpret_cast<LPARAM>(a));
    p.Send(WM_CHAR, 'q', 1);
    HWND editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
    ASSERT_TRUE(editor && IsWindowVisible(editor));
    // Not at the start: the key stays in the editor.
    SendMessageA(editor, WM_KEYDOWN, VK_LEFT, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_TRUE(IsWindowVisible(editor));
    SendMessageA(editor, EM_SETSEL, 0, 0);
    SendMessageA(editor, WM_KEYDOWN, VK_LEFT, 0);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindowVisible(editor));
    EXPECT_EQ(p.Send(TVM_GETNEXTITEM, 13, 0), 0) << "the caret column moved left";
    char buf[8] = {};
    TVITEMA get = {};
    get.mask = TVIF_TEXT | TLIF_CELL;
    get.hItem = a;
    get.pszText = buf;
    get.cchTextMax = sizeof buf;
    get.cChildren = 1;
    p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(buf, "q");
}

TEST(TreeListWindow, AlternatingRowsCountFromTheListsFirstRow)
{
    const COLORREF odd = RGB(10, 200, 30), even = RGB(200, 10, 30);
    tltest::Parent p(TREELIST_CLASS, 0, 200, 60);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_ALTROWS, TLX_ALTROWS);
    p.Send(TVM_SETBKCOLOR, TLCOL_ODDROW, odd);
    p.Send(TVM_SETBKCOLOR, TLCOL_EVENROW, even);
    TopRows(p, 20);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    const int row = static_cast<int>(p.Send(TVM_GETITEMHEIGHT));
    Pixels px(200, 60);
    auto screenRows = [&]() {
        px.Paint(p);
        return std::vector<COLORREF>{ px.At(150, row / 2), px.At(150, row + row / 2) };
    };
    const std::vector<COLORREF> first = screenRows();
    EXPECT_NE(first[0], first[1]);
    for (COLORREF c : first)
        EXPECT_TRUE(c == odd || c == even) << std::hex << c;
    // Scrolled by one row, the list's second row is at the top with its own colour.
    p.Send(WM_VSCROLL, SB_LINEDOWN);
    const std::vector<COLORREF> scrolled = screenRows();
    EXPECT_EQ(scrolled[0], first[1]);
    EXPECT_EQ(scrolled[1], first[0]);
}

TEST(TreeListWindow, ItemAndCellColoursAreSetReadAndRemoved)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    ASSERT_EQ(AddColumns(p, 3, 60), 3);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    const WPARAM item = reinterpret_cast<WPARAM>(a);
    const LRESULT none = -1;
    auto text = [&](int column) { return p.Send(TLM_GETTEXTCOLOR, item, column); };
    auto back = [&](int column) { return p.Send(TLM_GETBKCOLOR, item, column); };
    EXPECT_EQ(text(1), none);
    EXPECT_EQ(p.Send(TLM_SETTEXTCOLOR, item | (1u << 24), RGB(255, 0, 0)), none);
    EXPECT_EQ(text(1), RGB(255, 0, 0));
    EXPECT_EQ(text(0), none);
    // Column 255: the item and every cell.
    EXPECT_EQ(p.Send(TLM_SETBKCOLOR, item | (255u << 24), RGB(0, 0, 255)), none);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(back(c), RGB(0, 0, 255)) << c;
    // -1 removes a colour and answers the one it had.
    EXPECT_EQ(p.Send(TLM_SETBKCOLOR, item | (1u << 24), -1), RGB(0, 0, 255));
    EXPECT_EQ(back(1), none);
    EXPECT_EQ(back(2), RGB(0, 0, 255));
    // The record form: text colour of column 0.
    TreeListColorRecord record = { 0x1, 0, { 0, 0 }, RGB(0, 128, 0) };
    EXPECT_EQ(p.Send(TLM_SETCOLORREC, item, reinterpret_cast<LPARAM>(&record)), none);
    EXPECT_EQ(text(0), RGB(0, 128, 0));
    EXPECT_EQ(p.Send(TLM_GETTEXTCOLOR, 0x7777, 0), none);
}

TEST(TreeListWindow, FindWalksSiblingsOrTheSubtreeByTextDataAndState)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "Alpha", 1);
    HTREEITEM a1 = p.Insert(a, TVI_LAST, "Kind", 2);
    HTREEITEM a11 = p.Insert(a1, TVI_LAST, "Enkel", 3);
    HTREEITEM b = p.Insert(TVI_ROOT, TVI_LAST, "Beta", 4);
    HTREEITEM b1 = p.Insert(b, TVI_LAST, "kind", 5);
    p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(b));
    TVITEMA bold = {};
    bold.mask = TVIF_STATE;
    bold.hItem = b1;
    bold.state = bold.stateMask = TVIS_BOLD;
    p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&bold));
    struct Row { HTREEITEM start; TreeListFind find; HTREEITEM expected; const char* what; };
    const Row table[] = {
        { a, { TLF_TEXT, 0, 0, 0, 0, "Beta" }, b, "a sibling by its text" },
        { a, { TLF_TEXT, 0, 0, 0, 0, "Bet" }, nullptr, "the whole text, not a prefix" },
        { a, { TLF_TEXT, 0, 0, 0, 0, "beta" }, nullptr, "case counts" },
        { a, { TLF_TEXT | TLF_NOCASE, 0, 0, 0, 0, "beta" }, b, "unless asked not to" },
        { a, { TLF_TEXT | TLF_AFTER, 0, 0, 0, 0, "Alpha" }, nullptr, "after the start" },
        { a, { TLF_DATA, 0, 0, 0, 3, nullptr }, nullptr, "siblings only" },
        { a, { TLF_DATA | TLF_RECURSIVE | (2u << 8), 0, 0, 0, 3, nullptr }, a11, "the subtree, depth first" },
        { a, { TLF_DATA | TLF_RECURSIVE, 0, 0, 0, 3, nullptr }, nullptr, "a depth limit of 0 enters no children" },
        { a, { TLF_DATA | TLF_RECURSIVE | (1u << 8), 0, 0, 0, 3, nullptr }, nullptr, "one level deep" },
        { a, { TLF_DATA | TLF_RECURSIVE | TLF_SHOWNONLY | (2u << 8), 0, 0, 0, 3, nullptr }, nullptr, "shown branches only" },
        { TVI_ROOT, { TLF_STATE | TLF_RECURSIVE | (1u << 8), 0, TVIS_BOLD, TVIS_BOLD, 0, nullptr }, b1,
          "by state from the root" },
        { b, { TLF_TEXT | TLF_CHILDREN, 0, 0, 0, 0, "kind" }, b1, "among the children" },
        { TVI_ROOT, { TLF_DATA, 0, 0, 0, 4, nullptr }, nullptr, "the root needs a recursive walk" },
    };
    for (const Row& r : table) {
        TreeListFind find = r.find;
        EXPECT_EQ(p.Send(TLM_FINDITEM, reinterpret_cast<WPARAM>(r.start), reinterpret_cast<LPARAM>(&find)),
                  reinterpret_cast<LRESULT>(r.expected))
            << r.what;
    }
}

TEST(TreeListWindow, OwnScrollCodeTwelveAndTheDefaultColourByMinusOne)
{
    tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
    TopRows(p, 40);
    ASSERT_EQ(AddColumns(p, 3, 250), 3);
    // Code 12 carries its position in bits 4-31; from 1 on it no longer fits a low word of 12.
    const struct { UINT message; int bar; int position; } scrolls[] = {
        { WM_VSCROLL, SB_VERT, 1 }, { WM_VSCROLL, SB_VERT, 7 }, { WM_HSCROLL, SB_HORZ, 1 }, { WM_HSCROLL, SB_HORZ, 90 },
    };
    for (const auto& s : scrolls) {
        p.Send(s.message, static_cast<WPARAM>(s.position) << 4 | 12);
        EXPECT_EQ(GetScrollPos(p.Tree(), s.bar), s.position) << s.message << " to " << s.position;
    }
    // -1 gives an entry back to the system colour it follows; the setter tells the old one.
    const struct { UINT set, get; WPARAM index; int system; } colours[] = {
        { TVM_SETBKCOLOR, TVM_GETBKCOLOR, 0, COLOR_WINDOW },
        { TVM_SETTEXTCOLOR, TVM_GETTEXTCOLOR, 0, COLOR_WINDOWTEXT },
        { TVM_SETLINECOLOR, TVM_GETLINECOLOR, 0, COLOR_WINDOWTEXT },
        { TVM_SETINSERTMARKCOLOR, TVM_GETINSERTMARKCOLOR, 0, COLOR_INFOBK },
    };
    for (const auto& c : colours) {
        p.Send(c.set, c.index, RGB(1, 2, 3));
        EXPECT_EQ(static_cast<COLORREF>(p.Send(c.set, c.index, -1)), RGB(1, 2, 3)) << c.set;
        EXPECT_EQ(static_cast<COLORREF>(p.Send(c.get, c.index)), GetSysColor(c.system)) << c.set;
    }
}

TEST(TreeListWindow, ADropHighlightSetByMessageEndsWhenTheMouseLeaves)
{
    tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
    std::vector<HTREEITEM> rows = TopRows(p, 3);
    Focus(p);
    POINT over = LabelPoint(p, rows[0]);
    ClientToScreen(p.Tree(), &over);
    const struct { UINT message; WPARAM wParam; } ways[] = { { TVM_SELECTITEM, TVGN_DROPHILITE }, { TLM_SETDROPHILITE, 0 } };
    for (const auto& way : ways) {
        SetCursorPos(over.x, over.y);
        EXPECT_EQ(p.Send(way.message, way.wParam, reinterpret_cast<LPARAM>(rows[1])), 1) << way.message;
        EXPECT_TRUE(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[1])) & TVIS_DROPHILITED) << way.message;
        TRACKMOUSEEVENT asked = { sizeof asked, TME_QUERY, nullptr, 0 };
        _TrackMouseEvent(&asked);
        EXPECT_EQ(asked.hwndTrack, p.Tree()) << way.message;
        EXPECT_TRUE(asked.dwFlags & TME_LEAVE) << way.message;
        p.Send(WM_MOUSELEAVE);
        EXPECT_FALSE(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[1])) & TVIS_DROPHILITED) << way.message;
    }
}

TEST(TreeListWindow, AnEditStartsUnchangedWhateverTheLastOneLeft)
{
    KeysUp();
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS);
    p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(0, TLE_TEXT, TLO_ENTERMOVES));
    HTREEITEM a = p.Insert(TVI_ROOT, TVI_LAST, "a");
    p.Insert(TVI_ROOT, TVI_LAST, "b");
    Focus(p);
    UINT endMask = 0;
    p.answer = [&](NMHDR* h) -> LRESULT {
        if (h->code == TVN_ENDLABELEDITA)
            endMask = reinterpret_cast<NMTVDISPINFOA*>(h)->item.mask;
        return 0;
    };
    // Started by message and by Enter on the column's own editor: a text changed in an edit
    // that was cancelled does not count for the next, which leaves the text as it was.
    const std::function<void()> starts[] = {
        [&] { p.Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(a)); },
        [&] { p.Send(WM_KEYDOWN, VK_RETURN, 0); },
    };
    for (size_t way = 0; way < 2; ++way) {
        p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
        starts[way]();
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
        ASSERT_TRUE(editor && IsWindowVisible(editor)) << way;
        p.Send(WM_COMMAND, MAKEWPARAM(3, EN_CHANGE), reinterpret_cast<LPARAM>(editor));
        p.Send(TVM_ENDEDITLABELNOW, 1);
        starts[way]();
        editor = reinterpret_cast<HWND>(p.Send(TVM_GETEDITCONTROL));
        ASSERT_TRUE(editor && IsWindowVisible(editor)) << way;
        p.Send(WM_COMMAND, MAKEWPARAM(3, 0x1578), reinterpret_cast<LPARAM>(editor));
        EXPECT_EQ(endMask & 0x20000000u, 0u) << way;
        EXPECT_EQ(Next(p, TVGN_CARET), a) << "an unchanged text by Enter stays on its row, " << way;
    }
}

TEST(TreeListWindow, CtrlHomeAndCtrlEndExtendTheSelectionUnderTheirStyle)
{
    tltest::Parent p(TREELIST_CLASS, kStyle, 300, 400);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_MULTISELECT | TLX_CTRLHOMEEND, TLX_MULTISELECT | TLX_CTRLHOMEEND);
    const int n = 10, anchor = 3;
    std::vector<HTREEITEM> rows = TopRows(p, n);
    Focus(p);
    KeysUp();
    p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(rows[anchor]));
    // Each key goes to its end of the list and selects every row from the anchor to there.
    const struct { UINT key; int first, last; } keys[] = { { VK_END, anchor, n - 1 }, { VK_HOME, 0, anchor } };
    for (const auto& k : keys) {
        Keys({ VK_CONTROL });
        p.Send(WM_KEYDOWN, k.key, 0);
        KeysUp();
        EXPECT_EQ(Next(p, TVGN_CARET), rows[static_cast<size_t>(k.key == VK_END ? k.last : k.first)]);
        for (int i = 0; i < n; ++i) {
            const bool selected = p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[static_cast<size_t>(i)])) & TVIS_SELECTED;
            EXPECT_EQ(selected, i >= k.first && i <= k.last) << "key " << k.key << ", row " << i;
        }
    }
}

namespace {

// Sets the state image of an item (column 0) or of its cell; the state image read back.
UINT SetStateImage(tltest::Parent& p, HTREEITEM item, int column, UINT image)
{
    TVITEMA set = {};
    set.mask = TVIF_STATE | (column ? TLIF_CELL : 0);
    set.hItem = item;
    set.cChildren = column;
    set.state = INDEXTOSTATEIMAGEMASK(image);
    set.stateMask = TVIS_STATEIMAGEMASK;
    p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set));
    set.state = 0;
    p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&set));
    return set.state & TVIS_STATEIMAGEMASK;
}

// A theme library of the test's own: every class opens, nothing is drawn, and the check box
// states asked for are noted with their boxes. `g_themeLacks` takes a part away: the "BUTTON"
// theme or the DrawThemeBackground call.
std::vector<int> g_themedStates;
std::vector<RECT> g_themedBoxes;
std::wstring g_themeLacks;
SIZE g_partSize = {};   // the check box's part size the theme tells, when set
HTHEME WINAPI FakeOpenTheme(HWND, LPCWSTR name)
{
    return g_themeLacks == name ? nullptr : reinterpret_cast<HTHEME>(0x5150);
}
HRESULT WINAPI FakeCloseTheme(HTHEME)
{
    return S_OK;
}
HRESULT WINAPI FakeDrawTheme(HTHEME, HDC, int part, int state, const RECT* rc, const RECT*)
{
    if (part == 3) {
        g_themedStates.push_back(state);
        g_themedBoxes.push_back(*rc);
    }
    return S_OK;
}
HRESULT WINAPI FakePartSize(HTHEME, HDC, int part, int, const RECT*, THEMESIZE, SIZE* size)
{
    if (part != 3)
        return E_FAIL;
    *size = g_partSize;
    return S_OK;
}
HMODULE WINAPI FakeThemeLibrary(LPCSTR)
{
    return reinterpret_cast<HMODULE>(0x5150);
}
FARPROC WINAPI FakeThemeEntry(HMODULE, LPCSTR name)
{
    if (!lstrcmpA(name, "OpenThemeData"))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeOpenTheme));
    if (!lstrcmpA(name, "CloseThemeData"))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeCloseTheme));
    if (!lstrcmpA(name, "DrawThemeBackground") && g_themeLacks != L"DrawThemeBackground")
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeDrawTheme));
    if (!lstrcmpA(name, "GetThemePartSize") && g_partSize.cx > 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakePartSize));
    return nullptr;
}

}  // namespace

TEST(TreeListWindow, ThemedBoxesShowTwoStatesAndTheTreeLineRunsOnThroughTheOthers)
{
    ASSERT_EQ(TreeListClass().Users(), -1);
    TreeListClass().ForgetForTests();
    ThemeLoader old = SetThemeLoader({ &FakeThemeLibrary, &FakeThemeEntry });
    // The theme draws state images 1 and 2 (unchecked, checked); where state bit 0x1000
    // alone is the check (TLX_CHECKBIT), also 3, and 1 and 3 are the checked ones. In the
    // tree column every other image leaves the room of the box to the tree line; a cell of
    // a check-box column draws the same boxes and nothing for the others.
    const UINT images[] = { 0, 1, 2, 3, 4, 5, 9 };
    const struct { UINT exStyle; int faces[10]; } looks[] = {
        { 0, { 0, 1, 5, 0, 0, 0, 0, 0, 0, 0 } },
        { TLX_CHECKBIT, { 0, 5, 1, 5, 0, 0, 0, 0, 0, 0 } },
    };
    for (const auto& look : looks) {
        tltest::Parent p(TREELIST_CLASS, TVS_HASLINES | TVS_LINESATROOT, 300, 200);
        p.Send(TVM_SETIMAGELIST, TVSIL_STATE, 1);
        ASSERT_EQ(p.Send(TVM_GETIMAGELIST, TVSIL_STATE), 1);
        p.Send(TVM_SETEXTENDEDSTYLE, TLX_CHECKBIT, look.exStyle);
        // The tree line is the only ink in the box's room (the stand-in theme draws nothing).
        const COLORREF yellow = RGB(255, 255, 0);
        p.Send(TVM_SETBKCOLOR, TLCOL_BACKGROUND, yellow);
        ASSERT_EQ(AddColumns(p, 2, 140), 2);
        p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_CHECK, 0));
        ASSERT_EQ(p.Send(TVM_GETIMAGELIST, 3), 1) << "themed boxes in the cells too";
        const int indent = static_cast<int>(p.Send(TVM_GETINDENT));
        std::vector<HTREEITEM> items;
        std::vector<int> expected;
        for (UINT image : images) {
            items.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
            for (int column = 0; column < 2; ++column) {
                ASSERT_EQ(SetStateImage(p, items.back(), column, image), INDEXTOSTATEIMAGEMASK(image)) << "column " << column;
                if (look.faces[image])
                    expected.push_back(look.faces[image]);
            }
        }
        Pixels px(300, 200);
        g_themedStates.clear();
        px.Paint(p);
        EXPECT_EQ(g_themedStates, expected) << "extended style " << look.exStyle;
        for (size_t i = 0; i < items.size(); ++i) {
            RECT rc = {};
            rc.left = static_cast<LONG>(reinterpret_cast<UINT_PTR>(items[i]));
            p.Send(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
            int line = 0;
            for (int y = rc.top; y < rc.bottom; ++y)
                for (int x = indent + 2; x < indent + 14; ++x)
                    line += px.At(x, y) != yellow;
            EXPECT_EQ(line > 0, look.faces[images[i]] == 0)
                << "state image " << images[i] << ", extended style " << look.exStyle;
        }
    }
    SetThemeLoader(old);
    TreeListClass().ForgetForTests();
}

namespace {

// Rows with state images 1 (unchecked) and 2 (checked) in the tree column and in a cell of
// check-box column 1, both lists asked for as theme check boxes (the value 1).
std::vector<HTREEITEM> CheckBoxRows(tltest::Parent& p)
{
    p.Send(TVM_SETIMAGELIST, TVSIL_STATE, 1);
    EXPECT_EQ(AddColumns(p, 2, 140), 2);
    p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_CHECK, 0));
    p.Send(TVM_SETIMAGELIST, 3, 1);
    std::vector<HTREEITEM> rows;
    for (UINT image : { 1u, 2u }) {
        rows.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
        for (int column = 0; column < 2; ++column)
            EXPECT_EQ(SetStateImage(p, rows.back(), column, image), INDEXTOSTATEIMAGEMASK(image));
    }
    return rows;
}

RECT RowRect(const tltest::Parent& p, HTREEITEM item)
{
    RECT rc = {};
    rc.left = static_cast<LONG>(reinterpret_cast<UINT_PTR>(item));
    p.Send(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    return rc;
}

}  // namespace

// Wherever the theme cannot draw a check box (no "BUTTON" theme, no drawing call), the boxes
// of the tree column and of check-box cells are drawn the classic way, unchecked and checked
// told apart. Where it can, the room of a box (16 x 16, or the part size, 3 wider, when
// larger) is centred in a row taller than it and starts at the row's top in a lower one; the
// box sits in the middle of its room but never reaches out of its row, and the label keeps
// clear of it.
TEST(TreeListWindow, CheckBoxesFallBackToClassicAndStayInTheirRow)
{
    ASSERT_EQ(TreeListClass().Users(), -1);
    const COLORREF yellow = RGB(255, 255, 0);     // no part of a box
    TreeListClass().ForgetForTests();
    ThemeLoader old = SetThemeLoader({ &FakeThemeLibrary, &FakeThemeEntry });
    for (const std::string lacking : { "BUTTON", "DrawThemeBackground" }) {
        SCOPED_TRACE("lacking " + lacking);
        TreeListClass().ForgetForTests();
        g_themeLacks.assign(lacking.begin(), lacking.end());
        tltest::Parent p(TREELIST_CLASS, TVS_HASLINES | TVS_LINESATROOT, 300, 200);
        std::vector<HTREEITEM> rows = CheckBoxRows(p);
        // Without a "BUTTON" theme both lists hold the classic boxes, as images of their own.
        for (WPARAM list : { WPARAM(TVSIL_STATE), WPARAM(3) })
            EXPECT_EQ(p.Send(TVM_GETIMAGELIST, list) == 1, lacking != "BUTTON") << "list " << list;
        p.Send(TVM_SETBKCOLOR, TLCOL_BACKGROUND, yellow);
        p.Send(TVM_SETBKCOLOR, TLCOL_COLUMN, yellow);
        const int indent = static_cast<int>(p.Send(TVM_GETINDENT));
        Pixels px(300, 200);
        px.Paint(p);
        // The box's own pixels (not the background) and its dark ones (frame and tick).
        for (int left : { indent, 140 + 2 }) {
            int drawn[2] = {}, dark[2] = {};
            for (size_t r = 0; r < rows.size(); ++r) {
                const RECT rc = RowRect(p, rows[r]);
                for (int y = rc.top; y < rc.bottom; ++y)
                    for (int x = left; x < left + 16; ++x) {
                        const COLORREF c = px.At(x, y);
                        drawn[r] += c != yellow;
                        dark[r] += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 100;
                    }
            }
            EXPECT_GT(drawn[0], 13 * 4) << "no unchecked box at " << left;
            EXPECT_GT(drawn[1], 13 * 4) << "no checked box at " << left;
            EXPECT_GT(dark[1], dark[0]) << "checked and unchecked look alike at " << left;
        }
    }
    g_themeLacks.clear();
    TreeListClass().ForgetForTests();
    for (const SIZE part : { SIZE{ 0, 0 }, SIZE{ 20, 20 } }) {
        g_partSize = part;
        TreeListClass().ForgetForTests();
        const int box = part.cx ? part.cy : 13;          // 13 x 13 unless the theme tells
        const int slot = box > 16 ? box : 16;
        for (int height : { 10, 14, 15, 16, 17, 18, 19, 23, 24, 30 }) {
            SCOPED_TRACE("part " + std::to_string(part.cx) + ", row height " + std::to_string(height));
            tltest::Parent p(TREELIST_CLASS, TVS_HASLINES | TVS_LINESATROOT, 300, 200);
            std::vector<HTREEITEM> rows = CheckBoxRows(p);
            p.Send(TVM_SETEXTENDEDSTYLE, TLX_KEEPODDHEIGHT, TLX_KEEPODDHEIGHT);   // odd heights too
            p.Send(TVM_SETITEMHEIGHT, height);
            ASSERT_EQ(p.Send(TVM_GETITEMHEIGHT), height);
            Pixels px(300, 200);
            g_themedBoxes.clear();
            px.Paint(p);
            ASSERT_EQ(g_themedBoxes.size(), 4u);
            int top = (height > slot ? (height - slot) / 2 : 0) + (slot - box) / 2;
            top = top + box > height ? height - box : top;
            top = top < 0 ? 0 : top;
            for (size_t i = 0; i < g_themedBoxes.size(); ++i) {
                const RECT& drawn = g_themedBoxes[i];
                const RECT row = RowRect(p, rows[i / 2]);
                EXPECT_EQ(drawn.bottom - drawn.top, box);
                EXPECT_EQ(drawn.top - row.top, top) << "box " << i;
                EXPECT_GE(drawn.top, row.top) << "box " << i;
                if (height >= box) {
                    EXPECT_LE(drawn.bottom, row.bottom) << "box " << i;
                }
            }
            RECT label = {};
            label.left = static_cast<LONG>(reinterpret_cast<UINT_PTR>(rows[0]));
            p.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
            EXPECT_GE(label.left - g_themedBoxes[0].right, 3) << "the label runs into the box";
        }
    }
    g_partSize = {};
    SetThemeLoader(old);
    TreeListClass().ForgetForTests();
}

// A check box held down by the left button is drawn pressed (theme state 3 or 7) on its own
// row, wherever the caret is; ticking it does not move the caret. At the button up it is
// drawn released, still hot (2 or 6) under the mouse.
TEST(TreeListWindow, APressedCheckBoxIsDrawnPressedOnItsOwnRow)
{
    ASSERT_EQ(TreeListClass().Users(), -1);
    TreeListClass().ForgetForTests();
    ThemeLoader old = SetThemeLoader({ &FakeThemeLibrary, &FakeThemeEntry });
    const struct { int caret, pressed; } cases[] = { { 0, 1 }, { 2, 0 }, { 1, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE("caret " + std::to_string(c.caret) + ", box pressed " + std::to_string(c.pressed));
        tltest::Parent p(TREELIST_CLASS, TVS_CHECKBOXES | TVS_HASLINES | TVS_LINESATROOT, 300, 200);
        ASSERT_EQ(p.Send(TVM_GETIMAGELIST, TVSIL_STATE), 1) << "themed boxes";
        std::vector<HTREEITEM> rows;
        for (int i = 0; i < 3; ++i)
            rows.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
        p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(rows[static_cast<size_t>(c.caret)]));
        // The box: the first point of the pressed row that hits its state icon.
        const RECT row = RowRect(p, rows[static_cast<size_t>(c.pressed)]);
        TVHITTESTINFO hit = {};
        hit.pt.y = (row.top + row.bottom) / 2;
        for (hit.pt.x = 0; hit.pt.x < 100; ++hit.pt.x)
            if (p.Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) && (hit.flags & TVHT_ONITEMSTATEICON))
                break;
        ASSERT_EQ(hit.hItem, rows[static_cast<size_t>(c.pressed)]);
        auto states = [&](int pressedLook) {
            std::vector<int> want;
            for (size_t i = 0; i < rows.size(); ++i) {
                const UINT image = (static_cast<UINT>(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(rows[i]),
                                                             TVIS_STATEIMAGEMASK)) >> 12) & 0xF;
                want.push_back((image == 2 ? 5 : 1) + (static_cast<int>(i) == c.pressed ? pressedLook : 0));
            }
            return want;
        };
        p.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
        EXPECT_EQ(p.Send(TVM_GETNEXTITEM, TVGN_CARET), reinterpret_cast<LRESULT>(rows[static_cast<size_t>(c.caret)]));
        Pixels held(300, 200);
        g_themedStates.clear();
        held.Paint(p);
        EXPECT_EQ(g_themedStates, states(2)) << "while the button is held";
        p.Send(WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
        Pixels released(300, 200);
        g_themedStates.clear();
        released.Paint(p);
        EXPECT_EQ(g_themedStates, states(1)) << "after the button up";
    }
    SetThemeLoader(old);
    TreeListClass().ForgetForTests();
}
