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
WPARAM W(HTREEITEM h) { return reinterpret_cast<WPARAM>(h); }

int HeaderFormat(HWND header, int column)
{
    HDITEMA hd = {};
    hd.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd));
    return hd.fmt;
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
