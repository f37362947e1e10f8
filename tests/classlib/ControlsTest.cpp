// Control wrappers on real controls in a test window, the image list and the menu.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "classlib/Controls.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_WIN95_CLASSES };
        InitCommonControlsEx(&icc);
        ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "Steuerelemente", WS_POPUP,
                                    0, 0, 400, 300, nullptr, nullptr));
    }
    void TearDown() override { parent.DestroyWindow(); }
    CWnd parent;
};

// A 16x16 bitmap strip of n images, image i filled with colours[i].
HBITMAP MakeStrip(const COLORREF* colours, int n)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 16 * n, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    for (int i = 0; i < n; ++i) {
        HBRUSH b = CreateSolidBrush(colours[i]);
        RECT r = { 16 * i, 0, 16 * i + 16, 16 };
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bmp;
}

}  // namespace

// The wrappers' own work: texts cut to the caller's buffer and terminated, null pointers
// refused, long texts read whole, and items found again through the wrappers.
TEST_F(ControlsTest, TextsAreCutToTheirBuffersAndNullsRefused)
{
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, CRect(0, 0, 200, 100), &parent, 100));
    edit.SetWindowText("abc\r\ndefgh\r\nij");
    EXPECT_EQ(5, edit.LineIndex(1));
    EXPECT_EQ(1, edit.LineFromChar(6));
    char buf[16];
    EXPECT_EQ(5, edit.GetLine(1, buf, sizeof buf));
    EXPECT_STREQ("defgh", buf);
    EXPECT_EQ(3, edit.GetLine(1, buf, 4));      // cut to the room, terminated
    EXPECT_STREQ("def", buf);
    EXPECT_EQ(0, edit.GetLine(1, buf, 2));      // no room for the length word
    EXPECT_STREQ("", buf);
    EXPECT_EQ(0, edit.GetLine(1, nullptr, 10));
    edit.SetSel(1, 3);
    int s = -1, e = -1;
    edit.GetSel(s, e);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(s, e)), edit.GetSel());
    edit.ReplaceSel("XY");
    edit.ReplaceSel(nullptr);                    // nothing inserted, no crash
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(CString("aXY\r\ndefgh\r\nij"), text);

    CListBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY, CRect(0, 0, 100, 100), &parent, 101));
    EXPECT_EQ(0, list.AddString("Alpha"));
    EXPECT_EQ(1, list.InsertString(1, "Alphorn"));
    EXPECT_NE(LB_ERR, list.AddString(nullptr));  // an empty item, no crash
    list.GetText(1, text);
    EXPECT_EQ(CString("Alphorn"), text);
    list.GetText(99, text);
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_NE(LB_ERR, list.SetItemData(1, 0xDEADBEEF));
    EXPECT_EQ(static_cast<DWORD_PTR>(0xDEADBEEF), list.GetItemData(1));

    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_AUTOHSCROLL, CRect(0, 0, 120, 150), &parent, 103));
    combo.AddString("Sektor");
    EXPECT_EQ(1, combo.InsertString(1, "Bereich"));
    combo.GetLBText(1, text);
    EXPECT_EQ(CString("Bereich"), text);
    EXPECT_EQ(6, combo.GetLBText(0, buf));
    EXPECT_STREQ("Sektor", buf);
    EXPECT_EQ(CB_ERR, combo.GetLBText(0, nullptr));
    combo.SetWindowText("freier Text");
    EXPECT_TRUE(combo.SetEditSel(2, 5));
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(2, 5)), combo.GetEditSel());

    CListCtrl report;
    ASSERT_TRUE(report.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), &parent, 106));
    EXPECT_EQ(0, report.InsertColumn(0, "Name", LVCFMT_LEFT, 100));
    EXPECT_EQ(1, report.InsertColumn(1, "Größe", LVCFMT_RIGHT, 60, 1));
    EXPECT_EQ(0, report.InsertItem(0, "boot.img"));
    EXPECT_TRUE(report.SetItemText(0, 1, "1 440 KB"));
    EXPECT_EQ(CString("1 440 KB"), report.GetItemText(0, 1));
    char small[4];
    EXPECT_EQ(3, report.GetItemText(0, 0, small, sizeof small));
    EXPECT_STREQ("boo", small);
    std::string longText(1000, 'L');
    report.SetItemText(0, 1, longText.c_str());
    EXPECT_EQ(1000, report.GetItemText(0, 1).GetLength());
    EXPECT_TRUE(report.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(0, report.GetNextItem(-1, LVNI_SELECTED));
    ASSERT_NE(nullptr, report.GetHeaderCtrl());
    EXPECT_EQ(2, report.GetHeaderCtrl()->GetItemCount());
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32, 4, 4));
    EXPECT_EQ(nullptr, report.SetImageList(&images, LVSIL_SMALL));
    EXPECT_EQ(&images, report.GetImageList(LVSIL_SMALL));
    report.SetImageList(nullptr, LVSIL_SMALL);
}

TEST_F(ControlsTest, TreeItemsAndTheirPlaces)
{
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASLINES, CRect(0, 0, 200, 200), &parent, 107));
    HTREEITEM root = tree.InsertItem("Laufwerke");
    HTREEITEM c = tree.InsertItem("C:", root);
    HTREEITEM d = tree.InsertItem("D:", 1, 2, root);
    ASSERT_TRUE(root && c && d);
    EXPECT_EQ(c, tree.GetChildItem(root));
    EXPECT_EQ(d, tree.GetNextSiblingItem(c));
    EXPECT_EQ(root, tree.GetParentItem(d));
    EXPECT_TRUE(tree.SetItemText(c, "Systemlaufwerk"));
    EXPECT_EQ(CString("Systemlaufwerk"), tree.GetItemText(c));
    EXPECT_TRUE(tree.SetItemData(d, 0x1234));
    EXPECT_EQ(0x1234u, tree.GetItemData(d));
    int img = -1, sel = -1;
    EXPECT_TRUE(tree.GetItemImage(d, img, sel));
    EXPECT_EQ(1, img);
    EXPECT_EQ(2, sel);
    EXPECT_TRUE(tree.Expand(root, TVE_EXPAND));
    CRect r;
    EXPECT_TRUE(tree.GetItemRect(d, &r, TRUE));
    UINT flags = 0;
    EXPECT_EQ(d, tree.HitTest(CPoint(r.left + 2, r.top + 2), &flags));
    EXPECT_TRUE(tree.GetItemText(nullptr).IsEmpty());
    EXPECT_EQ(0u, tree.GetItemData(nullptr));
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(0u, tree.GetCount());

    CScrollBar bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | SBS_HORZ, CRect(0, 30, 200, 46), &parent, 105));
    SCROLLINFO si = {};
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 20;
    EXPECT_TRUE(bar.SetScrollInfo(&si));
    EXPECT_EQ(90, bar.GetScrollLimit());
    bar.GetScrollRange(nullptr, nullptr);
    EXPECT_FALSE(bar.SetScrollInfo(nullptr));

    CHeaderCtrl header;
    ASSERT_TRUE(header.Create(WS_CHILD | WS_VISIBLE | HDS_HORZ, CRect(0, 0, 300, 20), &parent, 108));
    HDITEMA item = {};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.cxy = 80;
    item.pszText = const_cast<char*>("Offset");
    EXPECT_EQ(0, header.InsertItem(0, &item));
    item.cxy = 50;
    EXPECT_EQ(1, header.InsertItem(1, &item));
    CRect column;
    EXPECT_TRUE(header.GetItemRect(1, &column));
    EXPECT_EQ(80, column.left);
    EXPECT_EQ(130, column.right);
}

TEST(ImageList, AddReplaceDrawAndHandleMaps)
{
    CImageList images;
    EXPECT_EQ(0, images.GetImageCount());
    EXPECT_EQ(-1, images.Add(static_cast<CBitmap*>(nullptr), RGB(0, 0, 0)));
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 4));
    EXPECT_FALSE(images.Create(16, 16, ILC_COLOR24, 1, 1));   // holds one already
    const COLORREF colours[3] = { RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255) };
    CBitmap strip;
    ASSERT_TRUE(strip.Attach(MakeStrip(colours, 3)));
    EXPECT_EQ(0, images.Add(&strip, RGB(255, 0, 255)));        // a strip adds three images
    EXPECT_EQ(3, images.GetImageCount());
    CBitmap one;
    const COLORREF grey[1] = { RGB(128, 128, 128) };
    ASSERT_TRUE(one.Attach(MakeStrip(grey, 1)));
    EXPECT_EQ(3, images.Add(&one, static_cast<CBitmap*>(nullptr)));
    EXPECT_TRUE(images.Replace(0, &one, nullptr));

    // Draw image 2 (blue) and image 0 (now grey) into a memory bitmap and read the pixels.
    HDC screen = GetDC(nullptr);
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(CDC::FromHandle(screen)));
    CBitmap target;
    ASSERT_TRUE(target.CreateCompatibleBitmap(CDC::FromHandle(screen), 32, 16));
    ReleaseDC(nullptr, screen);
    CBitmap* old = dc.SelectObject(&target);
    dc.FillSolidRect(0, 0, 32, 16, RGB(255, 255, 255));
    EXPECT_TRUE(images.Draw(&dc, 2, CPoint(0, 0), ILD_NORMAL));
    EXPECT_TRUE(images.Draw(&dc, 0, CPoint(16, 0), ILD_NORMAL));
    EXPECT_EQ(RGB(0, 0, 255), dc.GetPixel(5, 5));
    EXPECT_EQ(RGB(128, 128, 128), dc.GetPixel(20, 5));
    EXPECT_FALSE(images.Draw(nullptr, 0, CPoint(0, 0), ILD_NORMAL));
    dc.SelectObject(old);
    HICON icon = images.ExtractIcon(1);
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(4, images.Add(icon));
    DestroyIcon(icon);
    EXPECT_TRUE(images.Remove(-1));
    EXPECT_EQ(0, images.GetImageCount());

    // Handle maps: the owner answers for its handle, a detached handle gets a temporary.
    EXPECT_EQ(&images, CImageList::FromHandle(images.m_hImageList));
    HIMAGELIST h = images.Detach();
    CImageList* temp = CImageList::FromHandle(h);
    ASSERT_NE(nullptr, temp);
    EXPECT_NE(&images, temp);
    AfxDeleteTempMaps();
    EXPECT_EQ(0, ImageList_GetImageCount(h));   // still a valid list
    EXPECT_TRUE(images.Attach(h));
    EXPECT_TRUE(images.DeleteImageList());
    EXPECT_FALSE(images.DeleteImageList());
}

TEST(Menu, TextsSubmenusAndTemporaries)
{
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 100, "&Öffnen"));
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 101, "Speichern"));
    CMenu sub;
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 200, "Hex");
    sub.AppendMenu(MF_STRING, 201, "Text");
    EXPECT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "Ansicht"));
    EXPECT_EQ(static_cast<UINT>(MF_ENABLED), menu.EnableMenuItem(101, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_EQ(static_cast<UINT>(-1), menu.EnableMenuItem(4711, MF_BYCOMMAND | MF_GRAYED));
    CMenu* popup = menu.GetSubMenu(2);
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ(popup, menu.GetSubMenu(2));                       // one temporary per handle
    EXPECT_EQ(nullptr, menu.GetSubMenu(0));
    EXPECT_TRUE(popup->CheckMenuRadioItem(200, 201, 201, MF_BYCOMMAND));
    EXPECT_TRUE(popup->GetMenuState(201, MF_BYCOMMAND) & MF_CHECKED);

    CString text;
    EXPECT_EQ(7, menu.GetMenuString(100, text, MF_BYCOMMAND));
    EXPECT_EQ(CString("&Öffnen"), text);
    char small[4];
    EXPECT_EQ(3, menu.GetMenuString(100, small, sizeof small, MF_BYCOMMAND));
    EXPECT_STREQ("&Öf", small);
    EXPECT_EQ(0, menu.GetMenuString(100, small, 0, MF_BYCOMMAND));
    EXPECT_TRUE(menu.ModifyMenu(101, MF_BYCOMMAND | MF_STRING, 102, "Sichern"));
    EXPECT_EQ(7, menu.GetMenuString(102, text, MF_BYCOMMAND));

    EXPECT_EQ(&menu, CMenu::FromHandle(menu.m_hMenu));
    HMENU h = menu.m_hMenu;
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(IsMenu(h));
    EXPECT_FALSE(menu.DestroyMenu());
    CMenu* nothing = nullptr;
    EXPECT_EQ(nullptr, nothing->GetSafeHmenu());

    // A temporary for a foreign menu does not destroy it when the temporaries go.
    h = CreatePopupMenu();
    CMenu* temp = CMenu::FromHandle(h);
    ASSERT_NE(nullptr, temp);
    AfxDeleteTempMaps();
    EXPECT_TRUE(IsMenu(h));
    CMenu owner;
    EXPECT_TRUE(owner.Attach(h));
    EXPECT_EQ(&owner, CMenu::FromHandle(h));
    EXPECT_EQ(h, owner.Detach());
    DestroyMenu(h);
}
