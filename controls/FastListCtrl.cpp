#include "controls/FastListCtrl.h"

#include <cstring>

// The run-time class names CWnd as the base: the members of CListCtrl work on the list
// through its messages, but it is no system list view.
IMPLEMENT_DYNAMIC(CFastListCtrl, CWnd)

namespace {

// An item record with the fields the list reads when it sets or inserts an item.
LVITEMA ItemRecord(UINT mask, int item, int subItem, LPCSTR text, int textMax, int image, UINT state, UINT stateMask,
                   LPARAM data)
{
    LVITEMA record;
    std::memset(&record, 0, sizeof record);
    record.mask = mask;
    record.iItem = item;
    record.iSubItem = subItem;
    record.pszText = const_cast<LPSTR>(text);
    record.cchTextMax = textMax;
    record.iImage = image;
    record.state = state;
    record.stateMask = stateMask;
    record.lParam = data;
    return record;
}

}  // namespace

BOOL CFastListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!RegisterFastListClass(AfxGetInstanceHandle()))
        return FALSE;
    return CWnd::Create("FastList", nullptr, dwStyle | WS_VSCROLL | WS_HSCROLL, rect, pParentWnd, nID);
}

BOOL CFastListCtrl::CreateEx(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!RegisterFastListClass(AfxGetInstanceHandle()))
        return FALSE;
    return CWnd::CreateEx(dwExStyle, "FastList", nullptr, dwStyle | WS_CHILD | WS_VSCROLL | WS_HSCROLL, rect,
                          pParentWnd, nID);
}

BOOL CFastListCtrl::CreateOverControl(DWORD dwExStyle, DWORD dwStyle, UINT nPlaceholderID, CWnd* pParentWnd, UINT nID)
{
    if (!pParentWnd || !pParentWnd->m_hWnd)
        return FALSE;
    // Without the placeholder there is no rectangle to take: the list would be made at
    // whatever a failed GetWindowRect left, so it is not made at all.
    HWND placeholder = ::GetDlgItem(pParentWnd->m_hWnd, static_cast<int>(nPlaceholderID));
    if (!placeholder)
        return FALSE;
    CRect rect;
    ::GetWindowRect(placeholder, &rect);
    pParentWnd->ScreenToClient(&rect);
    if (!CreateEx(dwExStyle, dwStyle | 0x50300000, rect, pParentWnd, nID))
        return FALSE;
    // The tab order follows the placeholder.
    ::SetWindowPos(m_hWnd, placeholder, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
    return TRUE;
}

int CFastListCtrl::InsertColumn(int nCol, LPCSTR lpszText, int nFormat, int nWidth, int nOrder)
{
    LVCOLUMNA col;
    std::memset(&col, 0, sizeof col);
    if (lpszText) {
        col.mask |= LVCF_TEXT;
        col.pszText = const_cast<LPSTR>(lpszText);
        col.cchTextMax = 256;
    }
    if (nFormat >= 0) {
        col.mask |= LVCF_FMT | FLCF_OWNFORMAT;
        col.fmt = nFormat;
    }
    if (nOrder != 32768) {
        col.mask |= LVCF_ORDER;
        col.iOrder = nOrder;
    }
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    } else {
        col.mask |= FLCF_STRETCH;
        col.cx = -nWidth;
    }
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

BOOL CFastListCtrl::SetItem(int nItem, int nSubItem, UINT nMask, LPCSTR lpszItem, int nImage, UINT nState,
                            UINT nStateMask, LPARAM lParam)
{
    LVITEMA item = ItemRecord(nMask, nItem, nSubItem, lpszItem, lpszItem ? 256 : 0, nImage, nState, nStateMask, lParam);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CFastListCtrl::FindItem(int nStart, UINT nFlags, LPCSTR lpszText, UINT nStateMask, UINT nState, DWORD dwData,
                            int nColumn)
{
    FastListFind find = {nFlags, nColumn, nState, nStateMask, dwData, lpszText};
    return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(nStart), reinterpret_cast<LPARAM>(&find)));
}

int CFastListCtrl::InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask, int nImage,
                              LPARAM lParam)
{
    LVITEMA item = ItemRecord(nMask, nItem, 0, lpszItem, 0, nImage, nState, nStateMask, lParam);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CFastListCtrl::InsertItem(int nItem, DWORD dwData, UINT nMask)
{
    LVITEMA item;
    std::memset(&item, 0, sizeof item);
    item.mask = nMask | LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = static_cast<LPARAM>(dwData);
    item.pszText = const_cast<LPSTR>("");
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CFastListCtrl::SetColumnText(int nCol, LPCSTR lpszText)
{
    LVCOLUMNA col;
    std::memset(&col, 0, sizeof col);
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    col.cchTextMax = static_cast<int>(std::strlen(col.pszText));
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

namespace {

// Reads a header item's format, clears `clear`, sets `set` and writes it back with the
// item fields of `extraMask` taken from `item`.
BOOL UpdateHeaderItem(HWND header, int nCol, int clear, int set, UINT extraMask, HDITEMA item)
{
    if (!header)
        return FALSE;
    HDITEMA hd;
    std::memset(&hd, 0, sizeof hd);
    hd.mask = HDI_FORMAT;
    if (!::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&hd)))
        return FALSE;
    item.fmt = (hd.fmt & ~clear) | set;
    item.mask = HDI_FORMAT | extraMask;
    return static_cast<BOOL>(::SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&item)));
}

}  // namespace

BOOL CFastListCtrl::SetHeaderImage(int nCol, int nImage, BOOL bRight)
{
    HDITEMA item;
    std::memset(&item, 0, sizeof item);
    item.iImage = nImage;
    const int set = nImage < -1 ? 0 : HDF_IMAGE | (bRight ? HDF_BITMAP_ON_RIGHT : 0);
    return UpdateHeaderItem(reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)), nCol, HDF_IMAGE | HDF_BITMAP_ON_RIGHT,
                            set, HDI_IMAGE, item);
}

BOOL CFastListCtrl::SetHeaderBitmap(int nCol, HBITMAP hBitmap, BOOL bRight)
{
    HDITEMA item;
    std::memset(&item, 0, sizeof item);
    item.hbm = hBitmap;
    const int set = !hBitmap ? 0 : HDF_BITMAP | (bRight ? HDF_BITMAP_ON_RIGHT : 0);
    return UpdateHeaderItem(reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)), nCol, HDF_BITMAP | HDF_BITMAP_ON_RIGHT,
                            set, HDI_BITMAP, item);
}

BOOL CFastListCtrl::SetColumnFlag(int nCol, BOOL bOn)
{
    LVCOLUMNA col;
    std::memset(&col, 0, sizeof col);
    col.mask = FLCF_OWNFORMAT;
    col.fmt = bOn ? FLCFMT_FLAGGED : 0;
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

BOOL CFastListCtrl::SetColumnState(int nCol, BOOL bHidden, int nWidth, int nAdjust)
{
    LVCOLUMNA col;
    std::memset(&col, 0, sizeof col);
    col.mask = FLCF_HIDDEN;
    col.fmt = bHidden ? FLCFMT_HIDDEN : 0;
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    if (nAdjust >= 0) {
        col.mask |= FLCF_ADJUST;
        if (nAdjust > 0)
            col.fmt |= FLCFMT_ADJUST;
    }
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&col)));
}

CImageList* CFastListCtrl::CreateDragImage(int nItem, LPPOINT lpPoint)
{
    HIMAGELIST list = reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_CREATEDRAGIMAGE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(lpPoint)));
    if (!list)
        return nullptr;
    CImageList* image = new CImageList;
    image->Attach(list);
    return image;
}
