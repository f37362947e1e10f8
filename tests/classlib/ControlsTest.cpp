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

TEST_F(ControlsTest, EditSelectionAndLines)
{
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, CRect(0, 0, 200, 100), &parent, 100));
    edit.SetWindowText("abc\r\ndefgh\r\nij");
    EXPECT_EQ(3, edit.GetLineCount());
    EXPECT_EQ(5, edit.LineIndex(1));
    EXPECT_EQ(5, edit.LineLength(5));
    EXPECT_EQ(1, edit.LineFromChar(6));
    char buf[16];
    EXPECT_EQ(5, edit.GetLine(1, buf, sizeof buf));
    EXPECT_STREQ("defgh", buf);
    EXPECT_EQ(3, edit.GetLine(1, buf, 4));      // cut to the room, terminated
    EXPECT_STREQ("def", buf);
    buf[0] = 'x';
    EXPECT_EQ(0, edit.GetLine(1, buf, 2));      // no room for the length word
    EXPECT_STREQ("", buf);
    EXPECT_EQ(0, edit.GetLine(1, nullptr, 10));
    edit.SetSel(1, 3);
    int s = -1, e = -1;
    edit.GetSel(s, e);
    EXPECT_EQ(1, s);
    EXPECT_EQ(3, e);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(1, 3)), edit.GetSel());
    edit.ReplaceSel("XY");
    CString text;
    edit.GetWindowText(text);
    EXPECT_EQ(CString("aXY\r\ndefgh\r\nij"), text);
    edit.ReplaceSel(nullptr);                    // nothing inserted, no crash
    edit.LimitText(5);
    EXPECT_EQ(5u, edit.GetLimitText());
    EXPECT_TRUE(edit.SetReadOnly(TRUE));
    EXPECT_TRUE(edit.GetStyle() & ES_READONLY);
    edit.SetModify(TRUE);
    EXPECT_TRUE(edit.GetModify());
}

TEST_F(ControlsTest, ListBoxItems)
{
    CListBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY, CRect(0, 0, 100, 100), &parent, 101));
    EXPECT_EQ(0, list.AddString("Alpha"));
    EXPECT_EQ(1, list.AddString("Beta"));
    EXPECT_EQ(1, list.InsertString(1, "Alphorn"));
    EXPECT_EQ(3, list.GetCount());
    EXPECT_EQ(0, list.AddString(nullptr) == LB_ERR);   // an empty item, no crash
    EXPECT_EQ(4, list.GetCount());
    EXPECT_EQ(3, list.DeleteString(3));
    CString s;
    list.GetText(1, s);
    EXPECT_EQ(CString("Alphorn"), s);
    EXPECT_EQ(7, list.GetTextLen(1));
    list.GetText(99, s);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(0, list.FindString(-1, "alp"));            // prefix, case-blind
    EXPECT_EQ(1, list.FindString(0, "alp"));
    EXPECT_EQ(2, list.FindStringExact(-1, "beta"));
    EXPECT_EQ(LB_ERR, list.FindStringExact(-1, "Bet"));
    EXPECT_EQ(2, list.SelectString(-1, "B"));
    EXPECT_EQ(2, list.GetCurSel());
    EXPECT_EQ(0, list.SetCurSel(0));
    EXPECT_EQ(0, list.GetCurSel());
    EXPECT_GT(list.GetSel(0), 0);
    EXPECT_NE(LB_ERR, list.SetItemData(1, 0xDEADBEEF));
    EXPECT_EQ(static_cast<DWORD_PTR>(0xDEADBEEF), list.GetItemData(1));
    CRect r;
    EXPECT_NE(LB_ERR, list.GetItemRect(1, &r));
    BOOL outside = TRUE;
    EXPECT_EQ(1u, list.ItemFromPoint(CPoint(r.left + 2, r.top + 1), outside));
    EXPECT_FALSE(outside);
    EXPECT_EQ(0, list.GetTopIndex());
    list.ResetContent();
    EXPECT_EQ(0, list.GetCount());
}

TEST_F(ControlsTest, MultipleSelectionListBox)
{
    CListBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | LBS_MULTIPLESEL, CRect(0, 0, 100, 100), &parent, 102));
    for (const char* t : { "a", "b", "c", "d" }) list.AddString(t);
    EXPECT_NE(LB_ERR, list.SetSel(1));
    EXPECT_NE(LB_ERR, list.SetSel(3));
    EXPECT_EQ(2, list.GetSelCount());
    int items[4] = {};
    EXPECT_EQ(2, list.GetSelItems(4, items));
    EXPECT_EQ(1, items[0]);
    EXPECT_EQ(3, items[1]);
    EXPECT_NE(LB_ERR, list.SetSel(-1, FALSE));
    EXPECT_EQ(0, list.GetSelCount());
}

TEST_F(ControlsTest, ComboBoxItemsAndEditField)
{
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_AUTOHSCROLL, CRect(0, 0, 120, 150), &parent, 103));
    combo.AddString("Sektor");
    combo.AddString("Cluster");
    EXPECT_EQ(2, combo.GetCount());
    EXPECT_EQ(1, combo.InsertString(1, "Bereich"));
    CString s;
    combo.GetLBText(1, s);
    EXPECT_EQ(CString("Bereich"), s);
    EXPECT_EQ(7, combo.GetLBTextLen(1));
    char buf[32];
    EXPECT_EQ(6, combo.GetLBText(0, buf));
    EXPECT_STREQ("Sektor", buf);
    EXPECT_EQ(CB_ERR, combo.GetLBText(0, nullptr));
    EXPECT_EQ(2, combo.FindStringExact(-1, "cluster"));
    EXPECT_EQ(1, combo.SelectString(-1, "Ber"));
    EXPECT_EQ(1, combo.GetCurSel());
    combo.SetItemData(2, 77);
    EXPECT_EQ(77u, combo.GetItemData(2));
    combo.SetWindowText("freier Text");
    EXPECT_TRUE(combo.SetEditSel(2, 5));
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(2, 5)), combo.GetEditSel());
    combo.LimitText(4);   // the result differs between systems (always TRUE on Windows)
    EXPECT_FALSE(combo.GetDroppedState());
    EXPECT_EQ(0, combo.DeleteString(0) == CB_ERR);
    combo.ResetContent();
    EXPECT_EQ(0, combo.GetCount());
}

TEST_F(ControlsTest, ButtonsAndScrollBar)
{
    CButton check;
    ASSERT_TRUE(check.Create("Prüfen", WS_CHILD | BS_AUTOCHECKBOX, CRect(0, 0, 80, 20), &parent, 104));
    EXPECT_EQ(BST_UNCHECKED, check.GetCheck());
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, check.GetCheck());
    EXPECT_EQ(static_cast<UINT>(BS_AUTOCHECKBOX), check.GetButtonStyle());
    check.SetButtonStyle(BS_AUTO3STATE);
    EXPECT_EQ(static_cast<UINT>(BS_AUTO3STATE), check.GetButtonStyle());
    check.SetCheck(BST_INDETERMINATE);
    EXPECT_EQ(BST_INDETERMINATE, check.GetCheck());
    check.SetState(TRUE);
    EXPECT_TRUE(check.GetState() & BST_PUSHED);

    CScrollBar bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | SBS_HORZ, CRect(0, 30, 200, 46), &parent, 105));
    SCROLLINFO si = {};
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 20;
    EXPECT_TRUE(bar.SetScrollInfo(&si));
    EXPECT_EQ(90, bar.GetScrollLimit());
    EXPECT_EQ(20, bar.GetScrollPos());
    bar.SetScrollPos(95);
    EXPECT_EQ(90, bar.GetScrollPos());     // clamped by the page
    int lo = -1, hi = -1;
    bar.GetScrollRange(&lo, &hi);
    EXPECT_EQ(0, lo);
    EXPECT_EQ(99, hi);
    bar.GetScrollRange(nullptr, nullptr);
    EXPECT_FALSE(bar.SetScrollInfo(nullptr));
}

TEST_F(ControlsTest, ListCtrlReportView)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), &parent, 106));
    EXPECT_EQ(0, list.InsertColumn(0, "Name", LVCFMT_LEFT, 100));
    EXPECT_EQ(1, list.InsertColumn(1, "Größe", LVCFMT_RIGHT, 60, 1));
    EXPECT_EQ(100, list.GetColumnWidth(0));
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(list.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(0, list.InsertItem(0, "boot.img"));
    EXPECT_EQ(1, list.InsertItem(1, "mbr.bin"));
    EXPECT_TRUE(list.SetItemText(0, 1, "1 440 KB"));
    EXPECT_EQ(CString("1 440 KB"), list.GetItemText(0, 1));
    EXPECT_EQ(CString("mbr.bin"), list.GetItemText(1, 0));
    char small[4];
    EXPECT_EQ(3, list.GetItemText(0, 0, small, sizeof small));
    EXPECT_STREQ("boo", small);
    std::string longText(1000, 'L');
    list.SetItemText(1, 1, longText.c_str());
    EXPECT_EQ(1000, list.GetItemText(1, 1).GetLength());
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_TRUE(list.SetItemData(1, 4711));
    EXPECT_EQ(4711u, list.GetItemData(1));
    EXPECT_TRUE(list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(static_cast<UINT>(LVIS_SELECTED), list.GetItemState(1, LVIS_SELECTED));
    EXPECT_EQ(1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(-1, list.GetNextItem(1, LVNI_SELECTED));
    EXPECT_EQ(1u, list.GetSelectedCount());
    EXPECT_TRUE(list.EnsureVisible(1, FALSE));
    CHeaderCtrl* header = list.GetHeaderCtrl();
    ASSERT_NE(nullptr, header);
    EXPECT_EQ(2, header->GetItemCount());
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR32, 4, 4));
    EXPECT_EQ(nullptr, list.SetImageList(&images, LVSIL_SMALL));
    EXPECT_EQ(&images, list.GetImageList(LVSIL_SMALL));
    list.SetImageList(nullptr, LVSIL_SMALL);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(1, list.GetItemCount());
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST_F(ControlsTest, TreeCtrlBasics)
{
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASLINES, CRect(0, 0, 200, 200), &parent, 107));
    HTREEITEM root = tree.InsertItem("Laufwerke");
    ASSERT_NE(nullptr, root);
    HTREEITEM c = tree.InsertItem("C:", root);
    HTREEITEM d = tree.InsertItem("D:", 1, 2, root);
    ASSERT_NE(nullptr, c);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(3u, tree.GetCount());
    EXPECT_EQ(root, tree.GetRootItem());
    EXPECT_EQ(c, tree.GetChildItem(root));
    EXPECT_EQ(d, tree.GetNextSiblingItem(c));
    EXPECT_EQ(c, tree.GetPrevSiblingItem(d));
    EXPECT_EQ(root, tree.GetParentItem(d));
    EXPECT_EQ(d, tree.GetNextItem(c, TVGN_NEXT));
    EXPECT_EQ(CString("C:"), tree.GetItemText(c));
    EXPECT_TRUE(tree.SetItemText(c, "Systemlaufwerk"));
    EXPECT_EQ(CString("Systemlaufwerk"), tree.GetItemText(c));
    EXPECT_TRUE(tree.SetItemData(d, 0x1234));
    EXPECT_EQ(0x1234u, tree.GetItemData(d));
    int img = -1, sel = -1;
    EXPECT_TRUE(tree.GetItemImage(d, img, sel));
    EXPECT_EQ(1, img);
    EXPECT_EQ(2, sel);
    EXPECT_TRUE(tree.ItemHasChildren(root) || tree.GetChildItem(root) != nullptr);
    EXPECT_TRUE(tree.Expand(root, TVE_EXPAND));
    EXPECT_TRUE(tree.GetItemState(root, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_TRUE(tree.SelectItem(d));
    EXPECT_EQ(d, tree.GetSelectedItem());
    CRect r;
    EXPECT_TRUE(tree.GetItemRect(d, &r, TRUE));
    UINT flags = 0;
    EXPECT_EQ(d, tree.HitTest(CPoint(r.left + 2, r.top + 2), &flags));
    EXPECT_TRUE(flags & TVHT_ONITEM);
    EXPECT_TRUE(tree.GetItemText(nullptr).IsEmpty());
    EXPECT_EQ(0u, tree.GetItemData(nullptr));
    EXPECT_TRUE(tree.DeleteItem(c));
    EXPECT_EQ(2u, tree.GetCount());
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(0u, tree.GetCount());
}

TEST_F(ControlsTest, HeaderCtrlItems)
{
    CHeaderCtrl header;
    ASSERT_TRUE(header.Create(WS_CHILD | WS_VISIBLE | HDS_HORZ, CRect(0, 0, 300, 20), &parent, 108));
    HDITEMA item = {};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.cxy = 80;
    item.pszText = const_cast<char*>("Offset");
    EXPECT_EQ(0, header.InsertItem(0, &item));
    item.pszText = const_cast<char*>("Wert");
    item.cxy = 50;
    EXPECT_EQ(1, header.InsertItem(1, &item));
    EXPECT_EQ(2, header.GetItemCount());
    char text[32] = {};
    HDITEMA got = {};
    got.mask = HDI_TEXT | HDI_WIDTH;
    got.pszText = text;
    got.cchTextMax = sizeof text;
    EXPECT_TRUE(header.GetItem(1, &got));
    EXPECT_STREQ("Wert", text);
    EXPECT_EQ(50, got.cxy);
    got.mask = HDI_WIDTH;
    got.cxy = 70;
    EXPECT_TRUE(header.SetItem(1, &got));
    CRect r;
    EXPECT_TRUE(header.GetItemRect(1, &r));
    EXPECT_EQ(80, r.left);
    EXPECT_EQ(150, r.right);
    RECT area = { 0, 0, 300, 200 };
    WINDOWPOS wp = {};
    HDLAYOUT layout = { &area, &wp };
    EXPECT_TRUE(header.Layout(&layout));
    EXPECT_GT(wp.cy, 0);
    EXPECT_EQ(wp.cy, area.top);            // the header takes its height from the top
}

TEST(ImageList, AddReplaceDraw)
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
    EXPECT_EQ(4, images.GetImageCount());
    EXPECT_TRUE(images.Replace(0, &one, nullptr));
    int cx = 0, cy = 0;
    EXPECT_TRUE(images.GetIconSize(&cx, &cy));
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);

    // Draw image 2 (blue) and image 0 (now grey) into a memory bitmap and read the pixels.
    HDC screen = GetDC(nullptr);
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(CDC::FromHandle(screen)));
    CBitmap target;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = 16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    ASSERT_TRUE(target.Attach(CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)));
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
    EXPECT_EQ(5, images.Add(icon) + 1);
    DestroyIcon(icon);
    EXPECT_TRUE(images.Remove(-1));
    EXPECT_EQ(0, images.GetImageCount());

    // Handle maps: the owner answers for its handle, a detached handle gets a temporary.
    EXPECT_EQ(&images, CImageList::FromHandle(images.m_hImageList));
    HIMAGELIST h = images.Detach();
    EXPECT_EQ(nullptr, images.GetSafeHandle());
    CImageList* temp = CImageList::FromHandle(h);
    ASSERT_NE(nullptr, temp);
    EXPECT_NE(&images, temp);
    AfxDeleteTempMaps();
    EXPECT_EQ(0, ImageList_GetImageCount(h));   // still a valid list
    EXPECT_TRUE(images.Attach(h));
    EXPECT_TRUE(images.DeleteImageList());
    EXPECT_FALSE(images.DeleteImageList());
}

TEST(Menu, BuildEnableCheck)
{
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 100, "&Öffnen"));
    EXPECT_TRUE(menu.AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 101, "Speichern"));
    CMenu sub;
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 200, "Hex");
    sub.AppendMenu(MF_STRING, 201, "Text");
    sub.AppendMenu(MF_STRING, 202, "Beides");
    EXPECT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "Ansicht"));
    EXPECT_TRUE(menu.InsertMenu(0, MF_BYPOSITION | MF_STRING, 99, "Neu"));
    EXPECT_EQ(5, menu.GetMenuItemCount());
    EXPECT_EQ(99u, menu.GetMenuItemID(0));
    EXPECT_EQ(0u, menu.GetMenuItemID(2));                       // separator
    EXPECT_EQ(static_cast<UINT>(-1), menu.GetMenuItemID(4));    // popup

    EXPECT_EQ(static_cast<UINT>(MF_ENABLED), menu.EnableMenuItem(101, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_TRUE(menu.GetMenuState(101, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), menu.EnableMenuItem(101, MF_BYCOMMAND | MF_ENABLED));
    EXPECT_FALSE(menu.GetMenuState(101, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(static_cast<UINT>(-1), menu.EnableMenuItem(4711, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_EQ(static_cast<UINT>(-1), menu.GetMenuState(4711, MF_BYCOMMAND));

    EXPECT_EQ(static_cast<UINT>(MF_UNCHECKED), menu.CheckMenuItem(100, MF_BYCOMMAND | MF_CHECKED));
    EXPECT_TRUE(menu.GetMenuState(100, MF_BYCOMMAND) & MF_CHECKED);

    CMenu* popup = menu.GetSubMenu(4);
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ(popup, menu.GetSubMenu(4));                       // one temporary per handle
    EXPECT_EQ(nullptr, menu.GetSubMenu(0));
    EXPECT_TRUE(popup->CheckMenuRadioItem(200, 202, 201, MF_BYCOMMAND));
    EXPECT_TRUE(popup->GetMenuState(201, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(popup->GetMenuState(200, MF_BYCOMMAND) & MF_CHECKED);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    EXPECT_TRUE(popup->GetMenuItemInfo(201, &info));
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    EXPECT_TRUE(info.fState & MFS_CHECKED);
    info.fMask = MIIM_STATE;
    info.fState = MFS_GRAYED;
    EXPECT_TRUE(popup->SetMenuItemInfo(202, &info));
    EXPECT_TRUE(popup->GetMenuState(202, MF_BYCOMMAND) & MF_GRAYED);

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
    EXPECT_TRUE(menu.DeleteMenu(0, MF_BYPOSITION));
    EXPECT_EQ(4, menu.GetMenuItemCount());
    HMENU h = menu.m_hMenu;
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(IsMenu(h));
    EXPECT_FALSE(menu.DestroyMenu());
    CMenu* nothing = nullptr;
    EXPECT_EQ(nullptr, nothing->GetSafeHmenu());
}

TEST(Menu, TemporariesDoNotDestroyTheMenu)
{
    HMENU h = CreatePopupMenu();
    CMenu* temp = CMenu::FromHandle(h);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(h, temp->m_hMenu);
    AfxDeleteTempMaps();
    EXPECT_TRUE(IsMenu(h));
    CMenu owner;
    EXPECT_TRUE(owner.Attach(h));
    EXPECT_EQ(&owner, CMenu::FromHandle(h));
    EXPECT_EQ(h, owner.Detach());
    EXPECT_TRUE(IsMenu(h));
    DestroyMenu(h);
    EXPECT_EQ(nullptr, CMenu::FromHandle(nullptr));
}
