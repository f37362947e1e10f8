// The "TreeList" painter into a memory DC: clip regions made once per paint (counted through
// the painter's own count), tree lines in the class's alternate-dot pen, the label of a row
// whose caret sits in another column, and images that keep inside a row lower than they are.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>
#include "controls/TreeListImpl.h"
#include "tests/controls/TreeListSupport.h"

namespace {

using tltest::Parent;
using tltest::Pixels;

const COLORREF kWhite = RGB(255, 255, 255), kBlue = RGB(0, 0, 255);

using tltest::AddColumns;

HTREEITEM Row(const Parent& p, int image = -2)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<char*>("row");
    ins.item.iImage = ins.item.iSelectedImage = image;
    return reinterpret_cast<HTREEITEM>(p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

using tltest::SetItem;

RECT ItemRect(const Parent& p, HTREEITEM item, bool label)
{
    RECT rc = {};
    rc.left = static_cast<LONG>(reinterpret_cast<UINT_PTR>(item));
    p.Send(TVM_GETITEMRECT, label, reinterpret_cast<LPARAM>(&rc));
    return rc;
}

int CountColour(const Pixels& px, const RECT& area, COLORREF c)
{
    int n = 0;
    for (int y = area.top < 0 ? 0 : area.top; y < area.bottom && y < px.height; ++y)
        for (int x = area.left < 0 ? 0 : area.left; x < area.right && x < px.width; ++x)
            n += px.At(x, y) == c;
    return n;
}

// A 16 x 16 list of one image, all blue; the test keeps it (the control is told not to own it).
struct BlueList {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    BlueList()
    {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all = { 0, 0, 16, 16 };
        HBRUSH blue = CreateSolidBrush(kBlue);
        FillRect(dc, &all, blue);
        DeleteObject(blue);
        SelectObject(dc, old);
        DeleteDC(dc);
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    ~BlueList() { ImageList_Destroy(list); }
    BlueList(const BlueList&) = delete;
    BlueList& operator=(const BlueList&) = delete;
};

}  // namespace

TEST(TreeListPaint, RegionsLinesLabelsAndImagesOfOnePaint)
{
    const struct Case {
        const char* what;
        DWORD style;
        std::function<void(Parent&, Pixels&)> run;
    } cases[] = {
        { "one clip region per display position and one right of them, per paint, whatever the rows", 0,
          [](Parent& p, Pixels& px) {
              for (int i = 0; i < 20; ++i)
                  Row(p);
              LONG before = TreeListPaintRegions();
              px.Paint(p);
              EXPECT_EQ(TreeListPaintRegions() - before, 1) << "no columns: the update rectangle alone";
              ASSERT_EQ(AddColumns(p, 3, 80), 3);
              before = TreeListPaintRegions();
              px.Paint(p);
              EXPECT_EQ(TreeListPaintRegions() - before, 3 + 1);
          } },
        { "columns a text callback adds in the middle of a paint get regions of their own", 0,
          [](Parent& p, Pixels& px) {
              ASSERT_EQ(AddColumns(p, 1, 80), 1);
              TVINSERTSTRUCTA ins = {};
              ins.hParent = TVI_ROOT;
              ins.hInsertAfter = TVI_LAST;
              ins.item.mask = TVIF_TEXT;
              ins.item.pszText = LPSTR_TEXTCALLBACKA;
              p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
              bool added = false;
              p.answer = [&](NMHDR* h) -> LRESULT {
                  if (static_cast<int>(h->code) == static_cast<int>(TVN_GETDISPINFOA)) {
                      if (!added) {
                          // Positions 1 and 2, unknown to the paint.
                          LVCOLUMNA col = {};
                          col.mask = LVCF_WIDTH;
                          col.cx = 60;
                          added = p.Send(TLM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&col)) >= 0 &&
                                  p.Send(TLM_INSERTCOLUMN, 2, reinterpret_cast<LPARAM>(&col)) >= 0;
                      }
                      lstrcpynA(reinterpret_cast<NMTVDISPINFOA*>(h)->item.pszText, "x",
                                reinterpret_cast<NMTVDISPINFOA*>(h)->item.cchTextMax);
                  }
                  return 0;
              };
              const LONG before = TreeListPaintRegions();
              px.Paint(p);
              p.answer = nullptr;
              ASSERT_TRUE(added);
              // 1 + 1 built; after the change every clip of the row is made anew, for positions
              // 0, 1 and 2 (reading past the built ones would take handles that are not there).
              EXPECT_EQ(TreeListPaintRegions() - before, 2 + 3);
          } },
        { "a span's union region is made once for all the rows that share the span", 0,
          [](Parent& p, Pixels& px) {
              ASSERT_EQ(AddColumns(p, 4, 60), 4);
              p.Send(TLM_PROPERTY, kPropertyWrite | TLP_SPANMASK, 0x3);
              std::vector<HTREEITEM> rows;
              for (int i = 0; i < 12; ++i)
                  rows.push_back(Row(p));
              // Rows 0-4 span columns 0 and 1, rows 5-7 columns 1 and 2: two spans.
              for (int i = 0; i < 8; ++i)
                  SetItem(p, rows[static_cast<size_t>(i)], 0, TVIF_STATE, i < 5 ? TLIS_SPAN0 : TLIS_SPAN0 << 1,
                          TLIS_SPAN0 | TLIS_SPAN0 << 1);
              const LONG before = TreeListPaintRegions();
              px.Paint(p);
              EXPECT_EQ(TreeListPaintRegions() - before, 4 + 1 + 2);
          } },
        { "tree lines are the class pen's dots, every other pixel from an odd one", TVS_HASLINES | TVS_LINESATROOT,
          [](Parent& p, Pixels& px) {
              HTREEITEM first = Row(p);
              Row(p);
              px.Paint(p);
              const RECT row = ItemRect(p, first, false);
              const COLORREF pen = GetSysColor(COLOR_BTNSHADOW);
              const int cx = 7, mid = row.top + (row.bottom - row.top) / 2;
              // The first root item has a sibling below: its line runs through the whole row.
              for (int y = row.top; y < row.bottom; ++y)
                  EXPECT_EQ(px.At(cx, y), (y & 1) ? pen : kWhite) << "vertical line at y " << y;
              const int indent = static_cast<int>(p.Send(TVM_GETINDENT));
              for (int x = cx + 1; x < indent; ++x)
                  EXPECT_EQ(px.At(x, mid), (x & 1) ? pen : kWhite) << "horizontal line at x " << x;
          } },
        { "the caret in another column takes the label's selection, but for multiple cell selection, "
          "where every selected row shows its cell of the caret column", 0,
          [](Parent& p, Pixels& px) {
              ASSERT_EQ(AddColumns(p, 2, 140), 2);
              const COLORREF face = GetSysColor(COLOR_BTNFACE);   // a selected label without focus
              for (DWORD ex : { DWORD(TLX_CELLSELECT), DWORD(TLX_CELLSELECT | TLX_MULTISELECT) }) {
                  const bool multi = (ex & TLX_MULTISELECT) != 0;
                  p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
                  p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT | TLX_MULTISELECT, ex);
                  HTREEITEM item = Row(p), other = Row(p);
                  for (HTREEITEM h : { item, other }) {
                      TVITEMA cell = {};
                      cell.mask = TVIF_TEXT | TLIF_CELL;
                      cell.hItem = h;
                      cell.cChildren = 1;
                      cell.pszText = const_cast<char*>("cell");
                      p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell));
                  }
                  ASSERT_EQ(p.Send(TLM_SELECTCELL, 1, reinterpret_cast<LPARAM>(item)), 1);
                  ASSERT_TRUE(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_SELECTED) & TVIS_SELECTED);
                  if (multi) {
                      SetItem(p, other, 0, TVIF_STATE, TVIS_SELECTED, TVIS_SELECTED);
                      ASSERT_TRUE(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(other), TVIS_SELECTED) & TVIS_SELECTED);
                      ASSERT_TRUE(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_SELECTED) & TVIS_SELECTED);
                  }
                  px.Paint(p);
                  EXPECT_EQ(CountColour(px, ItemRect(p, item, true), face) > 0, multi) << "extended style " << std::hex << ex;
                  const RECT row = ItemRect(p, item, false), second = ItemRect(p, other, false);
                  EXPECT_GT(CountColour(px, { 140, row.top, 280, row.bottom }, face), 0) << "the caret cell";
                  EXPECT_EQ(CountColour(px, { 140, second.top, 280, second.bottom }, face) > 0, multi)
                      << "the other row's cell, extended style " << std::hex << ex;
              }
          } },
        { "reading a cell never written makes no record of it: the row looks the same after", 0,
          [](Parent& p, Pixels& px) {
              ASSERT_EQ(AddColumns(p, 2, 140), 2);
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT | TLX_MULTISELECT, TLX_CELLSELECT | TLX_MULTISELECT);
              HTREEITEM item = Row(p), other = Row(p);
              ASSERT_EQ(p.Send(TLM_SELECTCELL, 1, reinterpret_cast<LPARAM>(item)), 1);
              SetItem(p, other, 0, TVIF_STATE, TVIS_SELECTED, TVIS_SELECTED);
              const RECT row = ItemRect(p, other, false);
              auto cellPixels = [&]() {
                  px.Paint(p);
                  std::vector<COLORREF> v;
                  for (int y = row.top; y < row.bottom; ++y)
                      for (int x = 140; x < 280; ++x)
                          v.push_back(px.At(x, y));
                  return v;
              };
              const std::vector<COLORREF> before = cellPixels();
              char buf[8] = "x";
              TVITEMA get = {};
              get.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_STATE | TLIF_CELL;
              get.hItem = other;
              get.cChildren = 1;
              get.pszText = buf;
              get.cchTextMax = sizeof buf;
              get.stateMask = 0xFFFF;
              ASSERT_EQ(p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get)), 1);
              EXPECT_STREQ(buf, "");
              EXPECT_EQ(get.iImage, -2);
              EXPECT_EQ(get.state & TVIS_SELECTED, static_cast<UINT>(TVIS_SELECTED)) << "the row's selection";
              EXPECT_TRUE(cellPixels() == before);
          } },
        { "with focus the caret's dotted frame goes round the label only while the caret is in the tree column", 0,
          [](Parent& p, Pixels& px) {
              ASSERT_EQ(AddColumns(p, 2, 140), 2);
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT | TLX_MULTISELECT, TLX_CELLSELECT | TLX_MULTISELECT);
              HTREEITEM item = Row(p);
              ShowWindow(p.Window(), SW_SHOW);
              SetForegroundWindow(p.Window());
              SetFocus(p.Tree());
              const COLORREF pen = GetSysColor(COLOR_BTNSHADOW);
              for (int column : { 0, 1 }) {
                  ASSERT_EQ(p.Send(TLM_SELECTCELL, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(item)), 1);
                  px.Paint(p);
                  RECT label = ItemRect(p, item, true);
                  const RECT edge = { label.left, label.top, label.right, label.top + 1 };
                  EXPECT_EQ(CountColour(px, edge, pen) > 0, column == 0) << "caret in column " << column;
                  const RECT cellEdge = { 140, label.top, 280, label.top + 1 };
                  EXPECT_EQ(CountColour(px, cellEdge, pen) > 0, column == 1) << "caret in column " << column;
              }
          } },
        { "the cursor of multiple selection gets a dotted frame, no fill, round its unselected cell or label", 0,
          [](Parent& p, Pixels& px) {
              ASSERT_EQ(AddColumns(p, 2, 140), 2);
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT | TLX_MULTISELECT, TLX_CELLSELECT | TLX_MULTISELECT);
              HTREEITEM item = Row(p), other = Row(p);
              tltest::SetCellText(p, other, 1, "cell");
              ShowWindow(p.Window(), SW_SHOW);
              SetForegroundWindow(p.Window());
              SetFocus(p.Tree());
              const COLORREF pen = GetSysColor(COLOR_BTNSHADOW), highlight = GetSysColor(COLOR_HIGHLIGHT);
              for (int column : { 1, 0 }) {
                  ASSERT_EQ(p.Send(TLM_SELECTCELL, 0, reinterpret_cast<LPARAM>(item)), 1);
                  // Ctrl+click twice on the other row: selected and unselected again, the cursor stays.
                  const RECT label = ItemRect(p, other, true);
                  const POINT at = { column ? 150 : label.left + 3, (label.top + label.bottom) / 2 };
                  for (int i = 0; i < 2; ++i) {
                      p.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(at.x, at.y));
                      p.Send(WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(at.x, at.y));
                  }
                  ASSERT_EQ(p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(other), TVIS_SELECTED) & TVIS_SELECTED, 0);
                  px.Paint(p);
                  const RECT labelEdge = { label.left, label.top, label.right, label.top + 1 };
                  const RECT cellEdge = { 140, label.top, 280, label.top + 1 };
                  EXPECT_EQ(CountColour(px, cellEdge, pen) > 0, column == 1) << "cursor in column " << column;
                  EXPECT_EQ(CountColour(px, labelEdge, pen) > 0, column == 0) << "cursor in column " << column;
                  EXPECT_EQ(CountColour(px, { 0, label.top, 280, label.bottom }, highlight), 0) << "cursor in column " << column;
              }
          } },
        { "a disabled window under its colour style shows its rows in the column colours, the area below in the "
          "disabled colour", 0,
          [](Parent& p, Pixels& px) {
              const COLORREF column = RGB(0, 160, 0), disabled = RGB(200, 0, 0);
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_DISABLEDCOLORS, TLX_DISABLEDCOLORS);
              p.Send(TVM_SETBKCOLOR, TLCOL_COLUMN, column);
              p.Send(TVM_SETBKCOLOR, TLCOL_DISABLED, disabled);
              HTREEITEM item = Row(p);
              EnableWindow(p.Tree(), FALSE);
              px.Paint(p);
              const RECT row = ItemRect(p, item, false);
              EXPECT_EQ(px.At(250, (row.top + row.bottom) / 2), column);
              EXPECT_EQ(px.At(250, row.bottom + 20), disabled);
          } },
        { "the expand button shows where the item's button flag says, not where children are",
          TVS_HASBUTTONS | TVS_LINESATROOT,
          [](Parent& p, Pixels& px) {
              // Told "a button" without children, and "no button" with a child.
              struct Kind { int children; bool child; bool button; } kinds[] = { { 1, false, true }, { 0, true, false } };
              std::vector<HTREEITEM> rows;
              for (const Kind& k : kinds) {
                  TVINSERTSTRUCTA ins = {};
                  ins.hParent = TVI_ROOT;
                  ins.hInsertAfter = TVI_LAST;
                  ins.item.mask = TVIF_TEXT | TVIF_CHILDREN;
                  ins.item.pszText = const_cast<char*>("row");
                  ins.item.cChildren = k.children;
                  HTREEITEM h = reinterpret_cast<HTREEITEM>(p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
                  if (k.child)
                      p.Insert(h, TVI_LAST, "child");
                  rows.push_back(h);
              }
              px.Paint(p);
              for (size_t i = 0; i < rows.size(); ++i) {
                  const RECT row = ItemRect(p, rows[i], false), label = ItemRect(p, rows[i], true);
                  const RECT strip = { 0, row.top, label.left, row.bottom };
                  const int area = (strip.right - strip.left) * (strip.bottom - strip.top);
                  ASSERT_GT(area, 0);
                  EXPECT_EQ(area - CountColour(px, strip, kWhite) > 0, kinds[i].button) << "row " << i;
              }
          } },
        { "item images from 0x40000000 come from list 4, with bit 0x20000000 too", 0,
          [](Parent& p, Pixels& px) {
              BlueList images;
              p.Send(TVM_SETIMAGELIST, 4 | 0x40000000, reinterpret_cast<LPARAM>(images.list));
              const int values[] = { 0x40000000, 0x60000000 };
              std::vector<HTREEITEM> rows;
              for (int v : values)
                  rows.push_back(Row(p, v));
              px.Paint(p);
              for (size_t i = 0; i < rows.size(); ++i) {
                  const RECT row = ItemRect(p, rows[i], false);
                  EXPECT_GT(CountColour(px, row, kBlue), 0) << std::hex << values[i];
              }
              p.Send(TVM_SETIMAGELIST, 4 | 0x40000000, 0);
          } },
        { "item and cell images in a row lower than they are stay inside it", 0,
          [](Parent& p, Pixels& px) {
              BlueList images;
              ASSERT_EQ(AddColumns(p, 2, 140), 2);
              p.Send(TVM_SETIMAGELIST, TVSIL_NORMAL | 0x40000000, reinterpret_cast<LPARAM>(images.list));
              p.Send(TVM_SETIMAGELIST, 4 | 0x40000000, reinterpret_cast<LPARAM>(images.list));
              p.Send(TVM_SETITEMHEIGHT, 10);
              Row(p);
              HTREEITEM second = Row(p, 0);
              SetItem(p, second, 1, TVIF_IMAGE, 0, 0, 0);
              px.Paint(p);
              const RECT row = ItemRect(p, second, false);
              ASSERT_EQ(row.bottom - row.top, 10);
              for (const RECT column : { RECT{ 0, 0, 140, 0 }, RECT{ 140, 0, 280, 0 } }) {
                  EXPECT_GT(CountColour(px, { column.left, row.top, column.right, row.bottom }, kBlue), 0)
                      << "no image in the column from " << column.left;
                  EXPECT_EQ(CountColour(px, { column.left, 0, column.right, row.top }, kBlue), 0)
                      << "the image of the column from " << column.left << " ran into the row above";
              }
              p.Send(TVM_SETIMAGELIST, TVSIL_NORMAL | 0x40000000, 0);
              p.Send(TVM_SETIMAGELIST, 4 | 0x40000000, 0);
          } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Parent p(TREELIST_CLASS, c.style, 300, 200);
        p.Send(TVM_SETBKCOLOR, TLCOL_BACKGROUND, kWhite);
        Pixels px(300, 200);
        c.run(p, px);
    }
}
