// The "TreeList" window under Xvfb: the font a cell's text is measured, painted, hit and
// edited in, the column geometry a width track reports, horizontal thumb positions past
// 32767, expand bits set without the expanded bit, drops onto pinned rows, and where a
// click that starts an edit puts the caret. Expected values come from the control's own
// rectangles or from GDI measuring the text in the control's font.
#include <gtest/gtest.h>

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

void SetState(const tltest::Parent& p, HTREEITEM item, int column, UINT state, UINT mask)
{
    tltest::SetItem(p, item, column, TVIF_STATE, state, mask);
}

// Text extents in a font, measured by the platform: width of the first n characters.
struct Measure {
    HDC dc;
    HGDIOBJ old;
    explicit Measure(HFONT font) : dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, font)) {}
    ~Measure()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    int Width(const char* text, int n) const
    {
        SIZE size = {};
        GetTextExtentPoint32A(dc, text, n, &size);
        return size.cx;
    }
};

HFONT TreeFont(const tltest::Parent& p)
{
    HFONT font = reinterpret_cast<HFONT>(p.Send(WM_GETFONT));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

// The item's bold bit is the label's; a cell keeps the bold bit it took when it was made.
// An item made bold after its cell was written: the cell is measured, painted, hit and
// edited in the normal font, exactly like the same cell of a plain item.
TEST(TreeListWindowRules, ACellIsMeasuredPaintedHitAndEditedInTheFontItIsDrawnIn)
{
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS, 400, 200);
    const char* text = "mmmmmmmmmmmm";
    const int length = static_cast<int>(strlen(text));
    HFONT font = TreeFont(p);
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    HFONT boldFont = CreateFontIndirectA(&lf);
    int normal = Measure(font).Width(text, length);
    int bold = Measure(boldFont).Width(text, length);
    DeleteObject(boldFont);
    ASSERT_GT(bold, normal + 8) << "the bold text must not fit where the normal one does";
    // Column 1 holds the normal text with 6 pixels to spare, not the bold one.
    ASSERT_EQ(tltest::AddColumns(p, 1, 120), 1);
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = normal + 8;
    ASSERT_EQ(p.Send(TLM_INSERTCOLUMN, 1, Ptr(&col)), 1);
    HTREEITEM plain = p.Insert(TVI_ROOT, TVI_LAST, "plain");
    HTREEITEM madeBold = p.Insert(TVI_ROOT, TVI_LAST, "bold");
    SetCellText(p, plain, 1, text);
    SetCellText(p, madeBold, 1, text);
    SetState(p, madeBold, 0, TVIS_BOLD, TVIS_BOLD);
    ASSERT_EQ(p.Send(TVM_GETITEMSTATE, static_cast<WPARAM>(Num(madeBold)), TVIS_BOLD) & TVIS_BOLD, static_cast<LRESULT>(TVIS_BOLD));

    // Painted: both cells show the whole text alike, no "..." in the bold item's row.
    const RECT plainCell = ItemOrCellRect(p, plain, 1), boldCell = ItemOrCellRect(p, madeBold, 1);
    ASSERT_LT(plainCell.left, plainCell.right);
    ASSERT_EQ(plainCell.left, boldCell.left);
    tltest::Pixels pixels(400, 200);
    pixels.Paint(p);
    int differing = 0, ink = 0;
    const COLORREF background = pixels.At(plainCell.left + 1, plainCell.top + 1);
    for (int y = 0; y < plainCell.bottom - plainCell.top; ++y)
        for (int x = plainCell.left; x < plainCell.right; ++x) {
            differing += pixels.At(x, plainCell.top + y) != pixels.At(x, boldCell.top + y);
            ink += pixels.At(x, plainCell.top + y) != background;
        }
    EXPECT_GT(ink, 0) << "the plain cell shows its text";
    EXPECT_EQ(differing, 0) << "the cell of the bold item is drawn like the plain one";

    // Hit: the text ends where the normal font ends it (5 pixels of slack behind it).
    struct Hit { HTREEITEM item; int offset; UINT flags; } hits[] = {
        { plain, normal + 4, TLHT_ONCELL | TLHT_ONCELLTEXT },
        { plain, normal + 5, TLHT_INCELL },
        { madeBold, normal + 4, TLHT_ONCELL | TLHT_ONCELLTEXT },
        { madeBold, normal + 5, TLHT_INCELL },
    };
    for (const Hit& h : hits) {
        const RECT cell = ItemOrCellRect(p, h.item, 1);
        TVHITTESTINFO info = {};
        info.pt = { cell.left + h.offset, (cell.top + cell.bottom) / 2 };
        EXPECT_EQ(p.Send(TVM_HITTEST, 0, Ptr(&info)), Num(h.item));
        EXPECT_EQ(info.flags & ~0xFF000000u, h.flags) << "offset " << h.offset;
        EXPECT_EQ(info.flags >> 24, 1u);
    }

    // Edited: the editor takes the font the cell is drawn in; a cell made bold itself takes
    // the bold one.
    ShowAndFocus(p);
    SetState(p, plain, 1, TVIS_BOLD, TVIS_BOLD);
    struct Edit { HTREEITEM item; bool bold; } edits[] = { { madeBold, false }, { plain, true } };
    for (const Edit& e : edits) {
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, 1, Num(e.item)));
        ASSERT_TRUE(editor != nullptr);
        HFONT used = reinterpret_cast<HFONT>(SendMessageA(editor, WM_GETFONT, 0, 0));
        EXPECT_EQ(used != font, e.bold);
        p.Send(TVM_ENDEDITLABELNOW, 1);
    }
}

// Keeping the total width, a track of one column makes the next shown one give or take the
// difference; both are reported (-438) with the geometry the control then draws them at.
TEST(TreeListWindowRules, AKeptTotalTrackReportsTheNextColumnWhereItNowStands)
{
    tltest::Parent p(TREELIST_CLASS, kStyle, 400, 200);
    const int widths[] = { 100, 80, 60, 50 };
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    for (int c = 0; c < 4; ++c) {
        col.cx = widths[c];
        ASSERT_EQ(p.Send(TLM_INSERTCOLUMN, static_cast<WPARAM>(c), Ptr(&col)), c);
    }
    HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_KEEPTOTAL | TLX_GEOMETRYNOTIFY, TLX_KEEPTOTAL | TLX_GEOMETRYNOTIFY);
    std::vector<TreeListColumnNotify> told;
    p.answer = [&](NMHDR* h) -> LRESULT {
        if (static_cast<int>(h->code) == TLN_COLUMNGEOMETRY)
            told.push_back(*reinterpret_cast<TreeListColumnNotify*>(h));
        return 0;
    };
    HWND header = reinterpret_cast<HWND>(p.Send(TLM_GETHEADER));
    struct Case { int column, width, next, nextWidth; } cases[] = {
        { 1, 50, 2, 90 },    // narrower: the next column takes the 30 pixels
        { 1, 70, 2, 70 },    // wider: it gives them back
        { 0, 130, 1, 40 },   // column 0: the column after it moves and shrinks
    };
    for (const Case& c : cases) {
        told.clear();
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH;
        hd.cxy = c.width;
        NMHEADERA nm = {};
        nm.hdr.hwndFrom = header;
        nm.hdr.idFrom = 1;
        nm.hdr.code = HDN_ENDTRACKA;
        nm.iItem = c.column;
        nm.pitem = &hd;
        p.Send(WM_NOTIFY, 1, Ptr(&nm));
        ASSERT_EQ(told.size(), 2u) << c.column << " to " << c.width;
        EXPECT_EQ(told[0].column, c.next);
        EXPECT_EQ(told[0].width, c.nextWidth);
        EXPECT_EQ(told[1].column, c.column);
        EXPECT_EQ(told[1].width, c.width);
        for (const TreeListColumnNotify& n : told) {
            EXPECT_EQ(n.width, p.Send(TLM_GETCOLUMNWIDTH, static_cast<WPARAM>(n.column)));
            EXPECT_EQ(n.left, ItemOrCellRect(p, item, n.column).left) << "column " << n.column;
        }
    }
    p.answer = nullptr;
}

// The thumb position of WM_HSCROLL is an unsigned 16-bit word.
TEST(TreeListWindowRules, AThumbPastThirtyTwoThousandPixelsScrollsThere)
{
    tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
    ASSERT_EQ(tltest::AddColumns(p, 2, 30000), 2);
    HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
    SCROLLINFO si = { sizeof si, SIF_RANGE | SIF_PAGE };
    ASSERT_TRUE(GetScrollInfo(p.Tree(), SB_HORZ, &si));
    ASSERT_GT(si.nMax - static_cast<int>(si.nPage), 50000) << "room to scroll past 32767";
    struct Case { WORD code; int position; } cases[] = {
        { SB_THUMBPOSITION, 1000 }, { SB_THUMBPOSITION, 32767 }, { SB_THUMBTRACK, 32768 },
        { SB_THUMBPOSITION, 40000 }, { SB_THUMBTRACK, 50000 }, { SB_THUMBPOSITION, 0 },
    };
    for (const Case& c : cases) {
        p.Send(WM_HSCROLL, MAKEWPARAM(c.code, c.position));
        EXPECT_EQ(ItemOrCellRect(p, item).left, -c.position) << c.position;
        si.fMask = SIF_POS;
        GetScrollInfo(p.Tree(), SB_HORZ, &si);
        EXPECT_EQ(si.nPos, c.position);
    }
}

// TVM_SETITEMA changes the expanded bit only where its mask names it: the expand-partial
// bit alone, or both under the single-expand style (which drops the expanded bit from the
// mask), leave an open item open with its children shown.
TEST(TreeListWindowRules, ExpandBitsOutsideTheMaskKeepTheirValue)
{
    struct Case { DWORD style; UINT opened; UINT state, mask; bool open; UINT partial; } cases[] = {
        { 0, TVE_EXPAND, TVIS_EXPANDPARTIAL, TVIS_EXPANDPARTIAL, true, TVIS_EXPANDPARTIAL },
        { 0, TVE_EXPAND | TVE_EXPANDPARTIAL, 0, TVIS_EXPANDPARTIAL, true, 0 },
        { TVS_SINGLEEXPAND, TVE_EXPAND, TVIS_EXPANDED | TVIS_EXPANDPARTIAL, TVIS_EXPANDED | TVIS_EXPANDPARTIAL, true, TVIS_EXPANDPARTIAL },
        { TVS_SINGLEEXPAND, TVE_EXPAND, 0, TVIS_EXPANDED, true, 0 },
        { 0, TVE_EXPAND, 0, TVIS_EXPANDED, false, 0 },   // the expanded bit in the mask still collapses
    };
    for (const Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle | c.style, 300, 200);
        HTREEITEM top = p.Insert(TVI_ROOT, TVI_LAST, "top");
        p.Insert(top, TVI_LAST, "child");
        ASSERT_TRUE(p.Send(TVM_EXPAND, c.opened, Num(top)));
        ASSERT_EQ(p.Send(TLM_GETROWCOUNT), 2);
        SetState(p, top, 0, c.state, c.mask);
        const UINT state = static_cast<UINT>(p.Send(TVM_GETITEMSTATE, static_cast<WPARAM>(Num(top)), 0xFF));
        const int index = static_cast<int>(&c - cases);
        EXPECT_EQ((state & TVIS_EXPANDED) != 0, c.open) << index;
        EXPECT_EQ(state & TVIS_EXPANDPARTIAL, c.partial) << index;
        EXPECT_EQ(p.Send(TLM_GETROWCOUNT), c.open ? 2 : 1) << index;
    }
}

// Drop option 0x10 keeps the pinned rows: a drop onto one (Ctrl) or between them moves
// nothing and reports no item moved; below them the drop works.
TEST(TreeListWindowRules, ADropOntoAPinnedRowMovesNothing)
{
    struct Case { int from, target; WPARAM keys; std::vector<std::string> top, childrenOfTarget; UINT action; } cases[] = {
        { 3, 0, MK_CONTROL, { "a", "b", "c", "d" }, {}, 0x1000000 },
        { 3, 1, 0, { "a", "b", "c", "d" }, {}, 0x1000000 },
        { 3, 2, MK_CONTROL, { "a", "b", "c" }, { "d" }, 0x1000001 },
        { 3, 2, 0, { "a", "b", "d", "c" }, {}, 0x1000001 },
    };
    for (const Case& c : cases) {
        const int index = static_cast<int>(&c - cases);
        tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
        const char* names[] = { "a", "b", "c", "d" };
        HTREEITEM items[4];
        for (int i = 0; i < 4; ++i)
            items[i] = p.Insert(TVI_ROOT, TVI_LAST, names[i]);
        p.Send(TLM_PROPERTY, TLP_PINNEDROWS | kPropertyWrite, 2);
        p.Send(TLM_PROPERTY, TLP_DROPOPTIONS | kPropertyWrite, TLD_PINNED);
        ShowAndFocus(p);
        const RECT from = ItemOrCellRect(p, items[c.from], -1, TRUE), to = ItemOrCellRect(p, items[c.target], -1, TRUE);
        p.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.left + 3, from.top + 2));
        p.Send(WM_MOUSEMOVE, MK_LBUTTON | c.keys, MAKELPARAM(to.left + 3, to.top + 2));
        p.Send(WM_MOUSEMOVE, MK_LBUTTON | c.keys, MAKELPARAM(to.left + 3, to.top + 3));
        p.notes.clear();
        p.Send(WM_LBUTTONUP, c.keys, MAKELPARAM(to.left + 3, to.top + 3));
        std::vector<std::string> top, children;
        char buf[16];
        TVITEMA get = {};
        get.mask = TVIF_TEXT;
        get.pszText = buf;
        get.cchTextMax = sizeof buf;
        auto collect = [&](HTREEITEM parent, std::vector<std::string>& into) {
            for (LRESULT h = p.Send(TVM_GETNEXTITEM, TVGN_CHILD, Num(parent)); h; h = p.Send(TVM_GETNEXTITEM, TVGN_NEXT, h)) {
                get.hItem = reinterpret_cast<HTREEITEM>(h);
                buf[0] = 0;
                p.Send(TVM_GETITEMA, 0, Ptr(&get));
                into.push_back(buf);
            }
        };
        collect(TVI_ROOT, top);
        collect(items[c.target], children);
        EXPECT_EQ(top, c.top) << index;
        EXPECT_EQ(children, c.childrenOfTarget) << index;
        ASSERT_FALSE(p.notes.empty()) << index;
        EXPECT_EQ(p.notes.back().code, TLN_DROP) << index;
        EXPECT_EQ(p.notes.back().action, c.action) << index;
        EXPECT_EQ(GetCapture(), nullptr) << index;
    }
}

// A click that starts an edit (caret mode 1: a pixel offset from the text start) puts the
// caret at the character boundary nearest the click; a click past the text selects it all.
TEST(TreeListWindowRules, AClickThatStartsAnEditPutsTheCaretAtTheClickedCharacter)
{
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS, 300, 200);
    const char* text = "ABCDEFGHIJKL";
    const int length = static_cast<int>(strlen(text));
    HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, text);
    ShowAndFocus(p);
    Measure measure(TreeFont(p));
    struct Case { int offset; DWORD start, end; };
    std::vector<Case> cases;
    for (int k : { 0, 3, 7, length - 1 }) {
        const int left = measure.Width(text, k), w = measure.Width(text, k + 1) - left;
        ASSERT_GE(w, 4);
        cases.push_back({ left + w / 4, static_cast<DWORD>(k), static_cast<DWORD>(k) });          // its left part
        cases.push_back({ left + 3 * w / 4, static_cast<DWORD>(k + 1), static_cast<DWORD>(k + 1) }); // its right part
    }
    cases.push_back({ measure.Width(text, length) + 6, 0, static_cast<DWORD>(length) });
    for (const Case& c : cases) {
        // Offsets of 5 and more are taken 4 pixels to the left: the click's offset is 4 more.
        const UINT code = (1u << 26) | (static_cast<UINT>(c.offset + 4) << 8);
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, code, Num(item)));
        ASSERT_TRUE(editor != nullptr);
        DWORD start = 0, end = 0;
        SendMessageA(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, c.start) << "offset " << c.offset;
        EXPECT_EQ(end, c.end) << "offset " << c.offset;
        p.Send(TVM_ENDEDITLABELNOW, 1);
    }
}

// Drop options 0x1, 0x2 and 0x4. Tree: a (a1, a2), b (b1), c, all open. 0x1 keeps Ctrl from
// switching to a drop onto the item: the band then marks the place after a2. 0x2 keeps a
// dropped item's level, also onto an item: a top-level item dropped onto a child goes after
// that child's parent; 0x4 also keeps its parent: a child dropped onto another parent stays.
TEST(TreeListWindowRules, DropOptionsKeepTheBandTheLevelAndTheParent)
{
    enum { A, A1, A2, B, B1, C };
    struct Case {
        const char* what;
        UINT options;
        int from, onto;
        WPARAM keys;
        std::vector<std::string> top, ofA, ofB, ofC;
        UINT moved;
    } cases[] = {
        { "Ctrl onto b", 0, C, B, MK_CONTROL, { "a", "b" }, { "a1", "a2" }, { "b1", "c" }, {}, 1 },
        { "Ctrl onto b, 0x1", TLD_COPYKEEPSBAND, C, B, MK_CONTROL, { "a", "b" }, { "a1", "a2", "c" }, { "b1" }, {}, 1 },
        { "a onto b1", 0, A, B1, MK_CONTROL, { "b", "c" }, { "a1", "a2" }, { "b1" }, {}, 1 },
        { "a onto b1, 0x2", TLD_KEEPLEVEL, A, B1, MK_CONTROL, { "b", "a", "c" }, { "a1", "a2" }, { "b1" }, {}, 1 },
        { "a1 onto c, 0x2", TLD_KEEPLEVEL, A1, C, MK_CONTROL, { "a", "b", "c" }, { "a2" }, { "b1" }, { "a1" }, 1 },
        { "a1 onto b, 0x2", TLD_KEEPLEVEL, A1, B, MK_CONTROL, { "a", "b", "c" }, { "a2" }, { "b1", "a1" }, {}, 1 },
        { "a1 onto b, 0x4", TLD_KEEPPARENT, A1, B, MK_CONTROL, { "a", "b", "c" }, { "a1", "a2" }, { "b1" }, {}, 0 },
        { "a1 onto a, 0x4", TLD_KEEPPARENT, A1, A, MK_CONTROL, { "a", "b", "c" }, { "a2", "a1" }, { "b1" }, {}, 1 },
        { "a2 onto b1, 0x4", TLD_KEEPPARENT, A2, B1, MK_CONTROL, { "a", "b", "c" }, { "a1", "a2" }, { "b1" }, {}, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
        HTREEITEM items[6];
        items[A] = p.Insert(TVI_ROOT, TVI_LAST, "a");
        items[A1] = p.Insert(items[A], TVI_LAST, "a1");
        items[A2] = p.Insert(items[A], TVI_LAST, "a2");
        items[B] = p.Insert(TVI_ROOT, TVI_LAST, "b");
        items[B1] = p.Insert(items[B], TVI_LAST, "b1");
        items[C] = p.Insert(TVI_ROOT, TVI_LAST, "c");
        p.Send(TVM_EXPAND, TVE_EXPAND, Num(items[A]));
        p.Send(TVM_EXPAND, TVE_EXPAND, Num(items[B]));
        p.Send(TLM_PROPERTY, TLP_DROPOPTIONS | kPropertyWrite, c.options);
        ShowAndFocus(p);
        const RECT from = ItemOrCellRect(p, items[c.from], -1, TRUE), to = ItemOrCellRect(p, items[c.onto], -1, TRUE);
        p.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.left + 3, from.top + 2));
        p.Send(WM_MOUSEMOVE, MK_LBUTTON | c.keys, MAKELPARAM(to.left + 3, to.top + 2));
        p.Send(WM_MOUSEMOVE, MK_LBUTTON | c.keys, MAKELPARAM(to.left + 3, to.top + 3));
        p.notes.clear();
        p.Send(WM_LBUTTONUP, c.keys, MAKELPARAM(to.left + 3, to.top + 3));
        auto children = [&](HTREEITEM parent) {
            std::vector<std::string> into;
            char buf[16];
            TVITEMA get = {};
            get.mask = TVIF_TEXT;
            get.pszText = buf;
            get.cchTextMax = sizeof buf;
            for (LRESULT h = p.Send(TVM_GETNEXTITEM, TVGN_CHILD, Num(parent)); h; h = p.Send(TVM_GETNEXTITEM, TVGN_NEXT, h)) {
                get.hItem = reinterpret_cast<HTREEITEM>(h);
                buf[0] = 0;
                p.Send(TVM_GETITEMA, 0, Ptr(&get));
                into.push_back(buf);
            }
            return into;
        };
        EXPECT_EQ(children(TVI_ROOT), c.top);
        EXPECT_EQ(children(items[A]), c.ofA);
        EXPECT_EQ(children(items[B]), c.ofB);
        EXPECT_EQ(children(items[C]), c.ofC);
        ASSERT_FALSE(p.notes.empty());
        EXPECT_EQ(p.notes.back().code, TLN_DROP);
        EXPECT_EQ(p.notes.back().action, 0x1000000u | c.moved);
    }
}
