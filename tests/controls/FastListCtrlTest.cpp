// The wrapper's members that fill records for the list and its header, each seen from the
// side that receives the record: the list's items and columns, the header's items, and the
// window placed over a dialog's placeholder.
#include <gtest/gtest.h>
#include "controls/FastListCtrl.h"
#include "tests/controls/FastListTestSupport.h"

#include <climits>
#include <functional>

using namespace fltest;

namespace {

HDITEMA HeaderItem(CFastListCtrl& list, int column)
{
    HDITEMA hd = {};
    hd.mask = HDI_FORMAT | HDI_IMAGE | HDI_BITMAP;
    SendMessageA(reinterpret_cast<HWND>(list.SendMessage(LVM_GETHEADER)), HDM_GETITEMA, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&hd));
    return hd;
}

int ColumnFormat(CFastListCtrl& list, int column)
{
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT;
    list.SendMessage(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
    return col.fmt;
}

}  // namespace

// The run-time class: its own name, the size of a window wrapper, CWnd as its base.
TEST(FastListCtrl, RunTimeClassNamesCWndAsItsBase)
{
    const CRuntimeClass* cls = RUNTIME_CLASS(CFastListCtrl);
    EXPECT_STREQ(cls->m_lpszClassName, "CFastListCtrl");
    EXPECT_EQ(cls->m_nObjectSize, static_cast<int>(sizeof(CWnd)));
    EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(CWnd));
    CFastListCtrl list;
    EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(list.IsKindOf(RUNTIME_CLASS(CListCtrl)));
}

TEST(FastListCtrl, MembersFillTheRecordsTheListAndItsHeaderRead)
{
    Parent parent;
    CWnd host;
    host.Attach(parent.hwnd);
    // A placeholder of a dialog with a control after it in the tab order.
    HWND placeholder = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 20, 30, 100, 60, parent.hwnd,
                                     reinterpret_cast<HMENU>(40), GetModuleHandleA(nullptr), nullptr);
    HWND after = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent.hwnd,
                               reinterpret_cast<HMENU>(41), GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(placeholder && after);
    CFastListCtrl list, bare, over;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE, CRect(200, 0, 600, 300), &host, 5));
    ASSERT_TRUE(bare.Create(WS_CHILD, CRect(0, 0, 50, 50), &host, 6));
    Texts texts;
    list.SendMessage(FLM_PROPERTY, FLP_TEXTCONTEXT | FLP_WRITE, reinterpret_cast<LPARAM>(&texts));
    list.SendMessage(FLM_PROPERTY, FLP_TEXTCALLBACK | FLP_WRITE, reinterpret_cast<LPARAM>(&Texts::Callback));
    ASSERT_EQ(list.InsertColumn(0, "Name", 0, 80), 0);
    ASSERT_EQ(list.InsertColumn(1, "Wert", 0, 60), 1);
    ASSERT_EQ(list.InsertColumn(2, "Rest", LVCFMT_RIGHT, 60), 2);
    for (DWORD d = 10; d < 14; ++d)
        list.InsertItem(99, d);
    // States that no selection rule moves: cut and drop-highlighted.
    const UINT both = LVIS_CUT | LVIS_DROPHILITED;
    SetState(list.m_hWnd, 1, both, both);
    SetState(list.m_hWnd, 2, LVIS_CUT, both);
    SetState(list.m_hWnd, 3, LVIS_CUT, both);
    auto data = [&](int item) { return static_cast<DWORD>(list.GetItemData(item)); };
    auto state = [&](int item) { return list.GetItemState(item, 0x0F); };
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, nullptr);

    const struct {
        const char* what;
        std::function<void()> check;
    } cases[] = {
        { "SetHeaderImage: on the right, at the left, none; nothing without a header", [&] {
              ASSERT_TRUE(list.SetHeaderImage(1, 3, TRUE));
              HDITEMA hd = HeaderItem(list, 1);
              EXPECT_EQ(hd.fmt & (HDF_IMAGE | HDF_BITMAP_ON_RIGHT | HDF_STRING), HDF_IMAGE | HDF_BITMAP_ON_RIGHT | HDF_STRING);
              EXPECT_EQ(hd.iImage, 3);
              list.SetHeaderImage(1, -1, FALSE);   // (the header reads image -1 as asking its parent)
              EXPECT_EQ(HeaderItem(list, 1).fmt & (HDF_IMAGE | HDF_BITMAP_ON_RIGHT), HDF_IMAGE);
              list.SetHeaderImage(1, -2, FALSE);
              EXPECT_EQ(HeaderItem(list, 1).fmt & HDF_IMAGE, 0);
              EXPECT_FALSE(bare.SetHeaderImage(0, 1, FALSE));
          } },
        { "SetHeaderBitmap: on the right, then none", [&] {
              ASSERT_TRUE(list.SetHeaderBitmap(2, bitmap, TRUE));
              HDITEMA hd = HeaderItem(list, 2);
              EXPECT_EQ(hd.fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT | HDF_RIGHT), HDF_BITMAP | HDF_BITMAP_ON_RIGHT | HDF_RIGHT);
              EXPECT_EQ(hd.hbm, bitmap);
              list.SetHeaderBitmap(2, nullptr, FALSE);
              EXPECT_EQ(HeaderItem(list, 2).fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT), 0);
          } },
        { "SetColumnFlag: the own format bit alone, the alignment kept", [&] {
              ASSERT_TRUE(list.SetColumnFlag(2, TRUE));
              EXPECT_EQ(ColumnFormat(list, 2), LVCFMT_RIGHT | FLCFMT_FLAGGED);
              list.SetColumnFlag(2, FALSE);
              EXPECT_EQ(ColumnFormat(list, 2), LVCFMT_RIGHT);
          } },
        { "FindItem: state value under its mask, text of a column, data from a start", [&] {
              EXPECT_EQ(list.FindItem(0, FLF_STATE, nullptr, both, LVIS_CUT, 0, 0), 2);
              EXPECT_EQ(list.FindItem(0, FLF_TEXT, "12.2", 0, 0, 0, 2), 2);
              EXPECT_EQ(list.FindItem(1, FLF_DATA, nullptr, 0, 0, 11, 0), 1);
              EXPECT_EQ(list.FindItem(2, FLF_DATA, nullptr, 0, 0, 11, 0), -1);
          } },
        { "SetItem: the data word and the state bits under the mask", [&] {
              ASSERT_TRUE(list.SetItem(3, 0, LVIF_PARAM | LVIF_STATE, nullptr, 0, both, LVIS_DROPHILITED, 99));
              EXPECT_EQ(data(3), 99u);
              EXPECT_EQ(state(3), both);
              EXPECT_EQ(data(0), 10u);
          } },
        { "InsertItem: at the index, with its data word and state", [&] {
              EXPECT_EQ(list.InsertItem(LVIF_PARAM | LVIF_STATE, 1, "x", both, LVIS_CUT, 0, 77), 1);
              EXPECT_EQ(list.GetItemCount(), 5);
              EXPECT_EQ(data(1), 77u);
              EXPECT_EQ(data(2), 11u);
              EXPECT_EQ(state(1), static_cast<UINT>(LVIS_CUT));
          } },
        { "CreateDragImage: an image list of the row, at the row's place; none for no item", [&] {
              POINT at = { -1, -1 };
              CImageList* image = list.CreateDragImage(2, &at);
              ASSERT_NE(image, nullptr);
              EXPECT_EQ(ImageList_GetImageCount(image->m_hImageList), 1);
              RECT row = { LVIR_BOUNDS, 0, 0, 0 };
              list.SendMessage(LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
              EXPECT_EQ(at.y, row.top);
              delete image;
              EXPECT_EQ(list.CreateDragImage(50, &at), nullptr);
          } },
        { "A width beyond the column record's 16 bits is cut to the largest it holds", [&] {
              ASSERT_EQ(list.InsertColumn(3, "Breit", 0, 40000), 3);
              EXPECT_EQ(list.GetColumnWidth(3), SHRT_MAX);
          } },
        { "CreateOverControl: the placeholder's place, visible, next in the tab order", [&] {
              EXPECT_FALSE(over.CreateOverControl(0, 0, 49, &host, 50));
              ASSERT_TRUE(over.CreateOverControl(0, 0, 40, &host, 50));
              CRect mine, its;
              GetWindowRect(over.m_hWnd, &mine);
              GetWindowRect(placeholder, &its);
              EXPECT_TRUE(mine == its);
              EXPECT_TRUE(over.GetStyle() & WS_VISIBLE);
              EXPECT_EQ(over.GetDlgCtrlID(), 50);
              EXPECT_EQ(GetWindow(placeholder, GW_HWNDNEXT), over.m_hWnd);
              EXPECT_TRUE(IsWindow(placeholder));
          } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.check();
    }
    over.DestroyWindow();
    bare.DestroyWindow();
    list.DestroyWindow();
    DeleteObject(bitmap);
    host.Detach();
}
