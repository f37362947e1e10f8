// The "TreeList" window in its finer points: what setting a column leaves in the header,
// redrawing switched back on, making items visible, expanding, the drag image and the label
// rectangle, painting details, Shift+click ranges and the in-place editor.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>
#include "controls/TreeListImpl.h"
#include "tests/controls/TreeListSupport.h"

namespace {

const DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

using tltest::AddColumns;
using tltest::Pixels;

LPARAM L(HTREEITEM h) { return reinterpret_cast<LPARAM>(h); }

int HeaderFormat(HWND header, int column)
{
    HDITEMA hd = {};
    hd.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd));
    return hd.fmt;
}

// A 16 x 16 image list of one image in one colour, owned by the caller.
HIMAGELIST SolidImages(COLORREF color)
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(color);
    RECT rc = { 0, 0, 16, 16 };
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Add(list, bitmap, nullptr);
    DeleteObject(bitmap);
    return list;
}

HTREEITEM InsertImaged(const tltest::Parent& p, HTREEITEM parent, const char* text, int image)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.iImage = ins.item.iSelectedImage = image;
    return reinterpret_cast<HTREEITEM>(p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

int FirstVisibleRow(const tltest::Parent& p)
{
    return static_cast<int>(p.Send(TLM_GETROWOFITEM, 0, p.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

}  // namespace

TEST(TreeListDetail, SettingAColumnKeepsItsHeaderPictureAndRedrawResumesOnlyAfterASuspension)
{
    tltest::Parent p(TREELIST_CLASS, kStyle);
    ASSERT_EQ(AddColumns(p, 2, 100), 2);
    HWND header = reinterpret_cast<HWND>(p.Send(TLM_GETHEADER));
    ASSERT_NE(header, nullptr);
    // The header item's format before, the alignment set through the control, the format after.
    struct FormatCase {
        int before;
        int align;
        int after;
    } formats[] = {
        { HDF_STRING | HDF_IMAGE, LVCFMT_RIGHT, HDF_STRING | HDF_IMAGE | HDF_RIGHT },
        { HDF_STRING | HDF_IMAGE | HDF_BITMAP_ON_RIGHT, LVCFMT_LEFT, HDF_STRING | HDF_IMAGE | HDF_BITMAP_ON_RIGHT },
        { HDF_STRING, LVCFMT_CENTER, HDF_STRING | HDF_CENTER },
    };
    for (const FormatCase& f : formats) {
        HDITEMA hd = {};
        hd.mask = HDI_FORMAT | HDI_IMAGE;
        hd.fmt = f.before;
        hd.iImage = 0;
        SendMessageA(header, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&hd));
        LVCOLUMNA col = {};
        col.mask = LVCF_FMT;
        col.fmt = f.align;
        EXPECT_NE(p.Send(TLM_SETCOLUMN, 1, reinterpret_cast<LPARAM>(&col)), 0);
        const int keep = HDF_STRING | HDF_IMAGE | HDF_BITMAP_ON_RIGHT | HDF_JUSTIFYMASK;
        EXPECT_EQ(HeaderFormat(header, 1) & keep, f.after) << std::hex << f.before << " " << f.align;
    }
    // WM_SETREDRAW 1: the default procedure (which shows the window) runs only after a 0.
    struct RedrawCase {
        bool hideFirst;
        bool suspend;
        bool visibleAfter;
    } redraws[] = { { true, false, false }, { false, true, true } };
    for (const RedrawCase& r : redraws) {
        ShowWindow(p.Tree(), r.hideFirst ? SW_HIDE : SW_SHOW);
        if (r.suspend)
            p.Send(WM_SETREDRAW, 0);
        p.Send(WM_SETREDRAW, 1);
        EXPECT_EQ((GetWindowLongA(p.Tree(), GWL_STYLE) & WS_VISIBLE) != 0, r.visibleAfter) << r.hideFirst << r.suspend;
    }
}

TEST(TreeListDetail, ItemsMadeVisibleDragImagesAndLabelRectangles)
{
    // Made visible with the margin of three rows: below the window the margin is added, above
    // it the item becomes the first row without one.
    {
        tltest::Parent p(TREELIST_CLASS, kStyle);
        std::vector<HTREEITEM> items;
        for (int i = 0; i < 100; ++i)
            items.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
        const int full = static_cast<int>(p.Send(TVM_GETVISIBLECOUNT));
        const int margin = static_cast<int>(p.Send(TLM_PROPERTY, TLP_SCROLLMARGIN));
        ASSERT_GT(full, margin + 7);
        struct Case {
            int first;
            int row;
            int expected;
        } cases[] = {
            { 50, 20, 20 },
            { 50, 49, 49 },
            { 20, 80, 80 - full + 1 + margin },
            { 20, 99, 99 - full + 1 },   // no room left for the margin
            { 40, 45, 40 },
        };
        for (const Case& c : cases) {
            p.Send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, L(items[static_cast<size_t>(c.first)]));
            ASSERT_EQ(FirstVisibleRow(p), c.first);
            p.Send(TVM_ENSUREVISIBLE, 0, L(items[static_cast<size_t>(c.row)]));
            EXPECT_EQ(FirstVisibleRow(p), c.expected) << c.first << " -> " << c.row;
        }
    }
    // The drag image of a cell: the cell's image and 2 pixels before its text when it has one.
    {
        tltest::Parent p(TREELIST_CLASS, kStyle);
        HIMAGELIST images = SolidImages(RGB(255, 0, 0));
        p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        ASSERT_EQ(AddColumns(p, 2, 100), 2);
        HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "item");
        int widths[2] = {};
        for (int image : { -2, 0 }) {
            TVITEMA cell = {};
            cell.mask = TLIF_CELL | TVIF_TEXT | TVIF_IMAGE;
            cell.hItem = item;
            cell.cChildren = 1;
            cell.pszText = const_cast<char*>("cell");
            cell.iImage = image;
            ASSERT_EQ(p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell)), 1);
            HIMAGELIST drag = reinterpret_cast<HIMAGELIST>(p.Send(TVM_CREATEDRAGIMAGE, 1, L(item)));
            ASSERT_NE(drag, nullptr);
            int cx = 0, cy = 0;
            ImageList_GetIconSize(drag, &cx, &cy);
            widths[image + 2 ? 1 : 0] = cx;
            if (image == 0) {
                Pixels px(cx, cy);
                RECT all = { 0, 0, cx, cy };
                FillRect(px.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
                ImageList_Draw(drag, 0, px.dc, 0, 0, ILD_NORMAL);
                EXPECT_EQ(px.At(8, cy / 2), RGB(255, 0, 0));
            }
            ImageList_Destroy(drag);
        }
        EXPECT_EQ(widths[1] - widths[0], 16 + 2);
        p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_NORMAL, 0);
        ImageList_Destroy(images);
    }
    // The label's text rectangle: level x indent, one indent more with lines at root, the
    // state image, a pixel less without lines, 1 more (2 with an image) under grid lines, the
    // image. The painter puts the label there too.
    struct RectCase {
        DWORD style;
        DWORD exStyle;
        bool stateImages;
        bool image;
        bool child;
    } rects[] = {
        { kStyle, 0, false, false, true },
        { TVS_HASBUTTONS, 0, false, false, false },
        { TVS_HASLINES | TVS_LINESATROOT, TLX_GRIDLINES, false, true, true },
        { TVS_HASBUTTONS | TVS_LINESATROOT, TLX_GRIDLINES, true, true, false },
        { TVS_HASBUTTONS | TVS_LINESATROOT, 0, false, false, false },
    };
    HIMAGELIST images = SolidImages(RGB(0, 0, 255));
    for (const RectCase& c : rects) {
        tltest::Parent p(TREELIST_CLASS, c.style);
        p.Send(TVM_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(c.exStyle));
        p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
        if (c.stateImages)
            p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_STATE, reinterpret_cast<LPARAM>(images));
        HTREEITEM top = InsertImaged(p, TVI_ROOT, "top", c.image ? 0 : -2);
        HTREEITEM item = c.child ? InsertImaged(p, top, "child", c.image ? 0 : -2) : top;
        p.Send(TVM_EXPAND, TVE_EXPAND, L(top));
        const int indent = static_cast<int>(p.Send(TVM_GETINDENT));
        const bool linesAtRoot = (c.style & TVS_LINESATROOT) && (c.style & (TVS_HASLINES | TVS_HASBUTTONS));
        const int left = (c.child ? 1 : 0) * indent + (linesAtRoot ? indent : 0) + (c.stateImages ? 16 : 0) -
                         ((c.style & TVS_HASLINES) ? 0 : 1) + (c.exStyle & TLX_GRIDLINES ? (c.image ? 2 : 1) : 0) +
                         (c.image ? 16 : 0);
        RECT rc = {};
        memcpy(&rc, &item, sizeof item);
        ASSERT_EQ(p.Send(TVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc)), 1);
        EXPECT_EQ(rc.left, left) << std::hex << c.style << " " << c.exStyle << " " << c.stateImages << c.image << c.child;
        if (&c == &rects[4]) {
            // Selected without the focus: the label is filled in the button face from its left on.
            p.Send(TVM_SELECTITEM, TVGN_CARET, L(item));
            Pixels px(300, 100);
            px.Paint(p);
            EXPECT_EQ(px.At(rc.left, rc.top + 1), GetSysColor(COLOR_BTNFACE));
            EXPECT_NE(px.At(rc.left - 1, rc.top + 1), GetSysColor(COLOR_BTNFACE));
        }
    }
    ImageList_Destroy(images);
}
