// The "TreeList" window in its finer points: what setting a column leaves in the header,
// redrawing switched back on, making items visible, expanding, the drag image and the label
// rectangle, painting details, Shift+click ranges and the in-place editor.
#include <gtest/gtest.h>

#include <functional>
#include <string.h>
#include <string>
#include <vector>
#include "controls/TreeListCtrl.h"
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

// A 16 x 16 image list of `count` images in one colour, owned by the caller.
HIMAGELIST SolidImages(COLORREF color, int count = 1)
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, count, 1);
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
    for (int i = 0; i < count; ++i)
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

// The record that sets a cell's text; the caller adds what else it sets.
TVITEMA CellText(HTREEITEM item, int column, const char* text)
{
    TVITEMA cell = {};
    cell.mask = TLIF_CELL | TVIF_TEXT;
    cell.hItem = item;
    cell.cChildren = column;
    cell.pszText = const_cast<char*>(text);
    return cell;
}

RECT ItemRect(const tltest::Parent& p, HTREEITEM item, UINT flags)
{
    RECT rc = {};
    memcpy(&rc, &item, sizeof item);
    p.Send(TVM_GETITEMRECT, flags, reinterpret_cast<LPARAM>(&rc));
    return rc;
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
            TVITEMA cell = CellText(item, 1, "cell");
            cell.mask |= TVIF_IMAGE;
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

TEST(TreeListDetail, PaintsOwnRowColoursCursorFramesCheckCellsStateImageZeroAndTheDropHighlight)
{
    const COLORREF own = RGB(0, 160, 80), red = RGB(255, 0, 0), green = RGB(0, 255, 0);
    const COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
    // Each case sets a tree up and names a pixel column (x, from y0 to y1) in which the colour
    // is to be found, at most `most` times.
    struct Case {
        const char* name;
        DWORD exStyle;
        int most;
        std::function<COLORREF(tltest::Parent&, std::vector<HIMAGELIST>&, int*, int*, int*)> setup;
    } cases[] = {
        { "own background over the ancestor strip", 0, 100,
          [&](tltest::Parent& p, std::vector<HIMAGELIST>&, int* x, int* y0, int* y1) {
              HTREEITEM top = p.Insert(TVI_ROOT, TVI_LAST, "top");
              HTREEITEM child = p.Insert(top, TVI_LAST, "child");
              p.Send(TVM_EXPAND, TVE_EXPAND, L(top));
              p.Send(TLM_SETBKCOLOR, reinterpret_cast<WPARAM>(child), static_cast<LPARAM>(own));
              RECT rc = ItemRect(p, child, 0);
              *x = 1;
              *y0 = rc.top;
              *y1 = rc.bottom;
              return own;
          } },
        { "cursor frame without the focus", TLX_MULTISELECT, 100,
          [&](tltest::Parent& p, std::vector<HIMAGELIST>&, int* x, int* y0, int* y1) {
              p.Insert(TVI_ROOT, TVI_LAST, "first");
              HTREEITEM second = p.Insert(TVI_ROOT, TVI_LAST, "second");
              RECT rc = ItemRect(p, second, 1);
              const LPARAM at = MAKELPARAM(rc.left + 5, (rc.top + rc.bottom) / 2);
              for (int i = 0; i < 2; ++i) {   // selected and deselected again: the cursor stays
                  p.Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
                  p.Send(WM_LBUTTONUP, MK_CONTROL, at);
              }
              p.Send(WM_KILLFOCUS);
              *x = rc.left;
              *y0 = rc.top;
              *y1 = rc.bottom;
              return shadow;
          } },
        // The blend leaves some of the image's 16 rows of pixels in their own colour at most.
        { "check-box cell of a real list: the cut bit blends it", 0, 15,
          [&](tltest::Parent& p, std::vector<HIMAGELIST>& lists, int* x, int* y0, int* y1) {
              AddColumns(p, 2, 100);
              p.Send(TLM_SETCOLUMNOPTIONS, (1u << 11) | (TLE_CHECK << 8));
              lists.push_back(SolidImages(red, 3));
              p.Send(TVM_SETIMAGELIST, 0x40000000 | 3, reinterpret_cast<LPARAM>(lists.back()));
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "item");
              TVITEMA cell = CellText(item, 1, "x");
              cell.mask |= TVIF_STATE;
              cell.state = 0x1000 | TVIS_CUT;
              cell.stateMask = 0xF000 | TVIS_CUT;
              p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell));
              RECT rc = ItemRect(p, item, 0x80 | (1u << 24));
              *x = rc.left + 2 + 8;
              *y0 = rc.top;
              *y1 = rc.bottom;
              return red;
          } },
        { "state image 0 of a real list", 0, 100,
          [&](tltest::Parent& p, std::vector<HIMAGELIST>& lists, int* x, int* y0, int* y1) {
              lists.push_back(SolidImages(green));
              p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_STATE, reinterpret_cast<LPARAM>(lists.back()));
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "item");
              RECT rc = ItemRect(p, item, 1);
              *x = rc.left - 8;   // the middle of the state image before the label
              *y0 = rc.top;
              *y1 = rc.bottom;
              return green;
          } },
        { "drop highlight on the caret item's label, the caret in a cell", TLX_CELLSELECT, 100,
          [&](tltest::Parent& p, std::vector<HIMAGELIST>&, int* x, int* y0, int* y1) {
              AddColumns(p, 2, 100);
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "item");
              p.Send(TLM_SELECTCELL, 1, L(item));
              p.Send(TVM_SELECTITEM, TVGN_DROPHILITE, L(item));
              RECT rc = ItemRect(p, item, 1);
              *x = rc.left;
              *y0 = rc.top + 1;
              *y1 = rc.top + 2;
              return face;
          } },
    };
    for (Case& c : cases) {
        tltest::Parent p(TREELIST_CLASS, kStyle);
        p.Send(TVM_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(c.exStyle));
        std::vector<HIMAGELIST> lists;
        int x = 0, y0 = 0, y1 = 0;
        const COLORREF wanted = c.setup(p, lists, &x, &y0, &y1);
        Pixels px(300, 100);
        px.Paint(p);
        int found = 0;
        for (int y = y0; y < y1 && y < px.height; ++y)
            found += px.At(x, y) == wanted;
        EXPECT_GT(found, 0) << c.name;
        EXPECT_LE(found, c.most) << c.name;
        p.Send(TVM_SETIMAGELIST, 0x40000000 | TVSIL_STATE, 0);
        p.Send(TVM_SETIMAGELIST, 0x40000000 | 3, 0);
        for (HIMAGELIST l : lists)
            ImageList_Destroy(l);
    }
}

namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

void FocusTree(const tltest::Parent& p)
{
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    ShowWindow(p.Window(), SW_SHOW);
    SetForegroundWindow(p.Window());
    SetFocus(p.Tree());
}

int TextWidth(HWND tree, const char* text)
{
    HDC dc = GetDC(tree);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(tree, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(tree, dc);
    return size.cx;
}

RECT EditorRect(const tltest::Parent& p, HWND editor)
{
    RECT rc = {};
    GetWindowRect(editor, &rc);
    MapWindowPoints(nullptr, p.Tree(), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

TEST(TreeListDetail, TheEditorsCaretRightKeyAlignmentAndDialogCode)
{
    tltest::Parent p(TREELIST_CLASS, kStyle | TVS_EDITLABELS);
    ASSERT_EQ(AddColumns(p, 2, 100), 2);
    p.Send(TVM_SETEXTENDEDSTYLE, TLX_KEEPODDHEIGHT, TLX_KEEPODDHEIGHT);
    HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "abc");
    FocusTree(p);
    // A click at a pixel offset (offsets from 5 on lose 4) on the first character's left half
    // puts the caret before it; one beyond the text selects the whole text.
    const int abc = TextWidth(p.Tree(), "abc");
    struct CaretCase {
        int sent;
        DWORD start, end;
    } carets[] = { { 1, 0, 0 }, { abc + 4 + 6, 0, 3 } };
    for (const CaretCase& c : carets) {
        const UINT code = (1u << 26) | (static_cast<UINT>(c.sent) << 8);
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, code, L(item)));
        ASSERT_NE(editor, nullptr);
        DWORD start = 0, end = 0;
        SendMessageA(editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, c.start) << c.sent;
        EXPECT_EQ(end, c.end) << c.sent;
        // The editor wants every key, and only that.
        EXPECT_EQ(SendMessageA(editor, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
        p.Send(TVM_ENDEDITLABELNOW, 1);
    }
    // Right leaves the editor (under the arrow-key style) when the caret, the selection's
    // end, is at or past the line's length.
    struct RightCase {
        DWORD start, end;
        bool leaves;
    } rights[] = { { 0, 3, true }, { 1, 1, false }, { 3, 3, true } };
    for (const RightCase& r : rights) {
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, 0, L(item)));
        ASSERT_NE(editor, nullptr);
        SendMessageA(editor, EM_SETSEL, r.start, r.end);
        SendMessageA(editor, WM_KEYDOWN, VK_RIGHT, 0);
        Pump();
        EXPECT_EQ(!IsWindowVisible(editor), r.leaves) << r.start << "-" << r.end;
        p.Send(TVM_ENDEDITLABELNOW, 1);
    }
    // Option bits 25-26 align the editor in its cell: fitted, by its place; filling the cell,
    // by the edit style. The same for a cell never written (no record, an empty text to edit).
    TVITEMA cell = CellText(item, 1, "x");
    p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell));
    HTREEITEM bare = p.Insert(TVI_ROOT, TVI_LAST, "def");
    struct AlignCase {
        HTREEITEM target;
        UINT align;
        bool fill;
    } aligns[] = { { item, 0, false }, { item, 1, false }, { item, 2, false }, { item, 1, true }, { item, 2, true },
                   { bare, 0, false }, { bare, 1, false }, { bare, 2, false }, { bare, 1, true }, { bare, 2, true } };
    for (const AlignCase& c : aligns) {
        SCOPED_TRACE(c.target == bare ? "cell without record" : "cell with text");
        const RECT rc = ItemRect(p, c.target, 0x81 | (1u << 24));
        p.Send(TLM_SETCOLUMNOPTIONS, TreeListOption(1, TLE_TEXT, 0) | (c.align << 25));
        HWND editor = reinterpret_cast<HWND>(p.Send(TVM_EDITLABELA, 1 | (c.fill ? 0x80000000u : 0), L(c.target)));
        ASSERT_NE(editor, nullptr);
        const RECT e = EditorRect(p, editor);
        const LONG style = GetWindowLongA(editor, GWL_STYLE);
        if (c.fill) {
            EXPECT_EQ(style & (ES_CENTER | ES_RIGHT), c.align == 1 ? ES_CENTER : ES_RIGHT) << c.align;
        } else if (c.align == 0) {
            EXPECT_EQ(e.left, rc.left + 2);
        } else if (c.align == 2) {
            EXPECT_EQ(e.right, rc.right + 2);
        } else {
            EXPECT_LE(abs((e.left + e.right) / 2 - 2 - (rc.left + rc.right) / 2), 1);
        }
        p.Send(TVM_ENDEDITLABELNOW, 1);
    }
}

namespace {

// A window that stands in for the control under the wrapper: it records the item records the
// wrapper sends and shows item 7 in every row.
struct Recorded {
    UINT message = 0;
    TVITEMA item = {};
};
Recorded g_recorded;

LRESULT CALLBACK RecorderProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case TVM_SETITEMA:
    case TLM_SETITEMS:
        g_recorded.message = message;
        g_recorded.item = *reinterpret_cast<const TVITEMA*>(lParam);
        return 1;
    case TLM_GETITEMOFROW:
        return 7;
    default:
        return DefWindowProcA(w, message, wParam, lParam);
    }
}

}  // namespace

TEST(TreeListDetail, TheWrapperSendsTheItemRecordsItsMembersName)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TreeListRecorder";
    RegisterClassA(&wc);
    HWND recorder = CreateWindowA("TreeListRecorder", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(recorder, nullptr);
    CTreeListCtrl tl;
    ASSERT_TRUE(tl.Attach(recorder));
    HTREEITEM item = reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(7));
    struct Case {
        const char* name;
        std::function<void()> call;
        UINT message;
        UINT mask;
        int textSize;
        int column;
    } cases[] = {
        { "SetRow without text", [&] { tl.SetRow(0, 2, nullptr, -1, -1, 0); }, TVM_SETITEMA, TLIF_CELL | TVIF_HANDLE, 0, 2 },
        { "SetRow with all", [&] { tl.SetRow(0, 1, "t", 3, TVIS_BOLD, 0xFF); }, TVM_SETITEMA,
          TLIF_CELL | TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE, 256, 1 },
        { "SetItems without text", [&] { tl.SetItems(item, 2, TVIF_IMAGE, nullptr, 1, 1, 0, 0, 0); }, TLM_SETITEMS,
          TLIF_CELL | TVIF_IMAGE, 0, 2 },
        { "SetItems with text", [&] { tl.SetItems(item, 3, TVIF_TEXT, "x", 1, 1, 0, 0, 0); }, TLM_SETITEMS,
          TLIF_CELL | TVIF_TEXT, 256, 3 },
    };
    for (const Case& c : cases) {
        g_recorded = Recorded();
        c.call();
        EXPECT_EQ(g_recorded.message, c.message) << c.name;
        EXPECT_EQ(g_recorded.item.mask, c.mask) << c.name;
        EXPECT_EQ(g_recorded.item.cchTextMax, c.textSize) << c.name;
        EXPECT_EQ(g_recorded.item.cChildren, c.column) << c.name;
        EXPECT_EQ(g_recorded.item.hItem, item) << c.name;
    }
    EXPECT_EQ(g_recorded.item.stateMask, 0u);
    tl.Detach();
    DestroyWindow(recorder);
}

TEST(TreeListDetail, EnterTellsTheKeysLParamAndRightUnderCellSelectionOnlyMovesBetweenColumns)
{
    // Right on a collapsed item with a child: it opens, except under cell selection, where
    // Right goes to a next column and, with none, stays.
    struct RightCase {
        DWORD exStyle;
        int columns;
        bool opens;
    } rights[] = { { 0, 0, true }, { 0, 2, true }, { TLX_CELLSELECT, 0, false }, { TLX_CELLSELECT, 1, false } };
    for (const RightCase& r : rights) {
        tltest::Parent p(TREELIST_CLASS, kStyle);
        if (r.columns) {
            ASSERT_EQ(AddColumns(p, r.columns, 80), r.columns);
        }
        p.Send(TVM_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(r.exStyle));
        HTREEITEM top = p.Insert(TVI_ROOT, TVI_LAST, "top");
        p.Insert(top, TVI_LAST, "child");
        FocusTree(p);
        p.Send(TVM_SELECTITEM, TVGN_CARET, L(top));
        p.Send(WM_KEYDOWN, VK_RIGHT, 0x014D0001);
        EXPECT_EQ((p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(top), 0) & TVIS_EXPANDED) != 0, r.opens)
            << std::hex << r.exStyle << " " << r.columns;
    }
    // NM_RETURN carries the key and the whole lParam of the key message.
    tltest::Parent p(TREELIST_CLASS, kStyle);
    HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "item");
    FocusTree(p);
    p.Send(TVM_SELECTITEM, TVGN_CARET, L(item));
    NMKEY told = {};
    p.answer = [&told](NMHDR* h) -> LRESULT {
        if (static_cast<int>(h->code) == static_cast<int>(NM_RETURN))
            told = *reinterpret_cast<NMKEY*>(h);
        return 0;
    };
    p.Send(WM_KEYDOWN, VK_RETURN, 0x001C0001);
    p.answer = nullptr;
    EXPECT_EQ(told.nVKey, static_cast<UINT>(VK_RETURN));
    EXPECT_EQ(told.uFlags, 0x001C0001u);
}
