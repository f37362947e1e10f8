#include "classlib/Controls.h"
#include "classlib/ObjectMap.h"
#include "classlib/WinApp.h"

namespace {

struct ImageListTraits {
    static HIMAGELIST& HandleOf(CImageList* object) noexcept { return object->m_hImageList; }
};
typedef CObjectHandleMap<CImageList, HIMAGELIST, ImageListTraits> ImageListMap;

struct MenuTraits {
    static HMENU& HandleOf(CMenu* object) noexcept { return object->m_hMenu; }
};
typedef CObjectHandleMap<CMenu, HMENU, MenuTraits> MenuMap;

template<class T> const T* Launder(const T* p) noexcept
{
    // See GetSafeHandle in Gdi.cpp: the compiler may otherwise drop the null test of "this".
    const T* volatile copy = p;
    return copy;
}

// The common control classes are registered by comctl32 on request.
void EnsureCommonControls(DWORD classes) noexcept
{
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof icc;
    icc.dwICC = classes;
    InitCommonControlsEx(&icc);
}

// A text of unknown length read in growing steps: the controls report how much they copied,
// and a copy that filled the buffer may have been cut.
template<class Fetch>
CString ReadGrowing(Fetch fetch) noexcept
{
    CString text;
    for (int size = 256; size <= (1 << 24); size *= 4) {
        LPSTR p = text.GetBuffer(size);
        if (!p) return CString();
        p[0] = 0;
        int n = fetch(p, size + 1);
        if (n < 0) n = 0;
        if (n < size) {
            text.ReleaseBuffer(n);
            return text;
        }
        text.ReleaseBuffer(0);
    }
    return text;
}

}  // namespace

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)
IMPLEMENT_DYNAMIC(CImageList, CObject)
IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)
IMPLEMENT_DYNAMIC(CHeaderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CMenu, CObject)

// ---------------------------------------------------------------------------------------------
// Creation

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("EDIT", NULL, dwStyle, rect, pParentWnd, nID);
}

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("LISTBOX", NULL, dwStyle, rect, pParentWnd, nID);
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("COMBOBOX", NULL, dwStyle, rect, pParentWnd, nID);
}

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create("SCROLLBAR", NULL, dwStyle, rect, pParentWnd, nID);
}

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    EnsureCommonControls(ICC_LISTVIEW_CLASSES);
    return CWnd::Create(WC_LISTVIEWA, NULL, dwStyle, rect, pParentWnd, nID);
}

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    EnsureCommonControls(ICC_TREEVIEW_CLASSES);
    return CWnd::Create(WC_TREEVIEWA, NULL, dwStyle, rect, pParentWnd, nID);
}

BOOL CHeaderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    EnsureCommonControls(ICC_LISTVIEW_CLASSES);
    return CWnd::Create(WC_HEADERA, NULL, dwStyle, rect, pParentWnd, nID);
}

// ---------------------------------------------------------------------------------------------
// Edit, list box, combo box, scroll bar

void CEdit::GetSel(int& nStartChar, int& nEndChar) const noexcept
{
    DWORD start = 0, end = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) noexcept
{
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
    if (!bNoScroll) SendMessage(EM_SCROLLCARET, 0, 0);
}

int CEdit::GetLine(int nIndex, LPSTR lpszBuffer, int nMaxLength) const noexcept
{
    if (!lpszBuffer || nMaxLength < 1) return 0;
    // EM_GETLINE takes the room in the buffer's first word and writes no terminator; one
    // byte is kept for it, and a buffer too small for the word gets only the terminator.
    if (nMaxLength < 3) {
        lpszBuffer[0] = 0;
        return 0;
    }
    int room = nMaxLength - 1;
    if (room > 0xFFFF) room = 0xFFFF;
    *reinterpret_cast<WORD*>(lpszBuffer) = static_cast<WORD>(room);
    int n = static_cast<int>(SendMessage(EM_GETLINE, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
    if (n < 0) n = 0;
    if (n > room) n = room;
    lpszBuffer[n] = 0;
    return n;
}

int CListBox::GetText(int nIndex, LPSTR lpszBuffer) const noexcept
{
    if (!lpszBuffer) return LB_ERR;
    return static_cast<int>(SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
}

void CListBox::GetText(int nIndex, CString& rString) const noexcept
{
    rString.Empty();
    int len = GetTextLen(nIndex);
    if (len == LB_ERR || len < 0) return;
    // An owner-drawn list without strings writes its item data, a pointer's size.
    LPSTR p = rString.GetBuffer(len + static_cast<int>(sizeof(ULONG_PTR)));
    if (!p) return;
    int got = static_cast<int>(SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(p)));
    rString.ReleaseBuffer(got == LB_ERR ? 0 : -1);
}

UINT CListBox::ItemFromPoint(CPoint pt, BOOL& bOutside) const noexcept
{
    DWORD r = static_cast<DWORD>(SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y)));
    bOutside = HIWORD(r) != 0;
    return LOWORD(r);
}

int CComboBox::GetLBText(int nIndex, LPSTR lpszText) const noexcept
{
    if (!lpszText) return CB_ERR;
    return static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}

void CComboBox::GetLBText(int nIndex, CString& rString) const noexcept
{
    rString.Empty();
    int len = GetLBTextLen(nIndex);
    if (len == CB_ERR || len < 0) return;
    LPSTR p = rString.GetBuffer(len + static_cast<int>(sizeof(ULONG_PTR)));
    if (!p) return;
    int got = static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(p)));
    rString.ReleaseBuffer(got == CB_ERR ? 0 : -1);
}

void CScrollBar::GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const noexcept
{
    int lo = 0, hi = 0;
    ::GetScrollRange(m_hWnd, SB_CTL, &lo, &hi);
    if (lpMinPos) *lpMinPos = lo;
    if (lpMaxPos) *lpMaxPos = hi;
}

BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw) noexcept
{
    if (!lpScrollInfo) return FALSE;
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw);
    return TRUE;
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask) noexcept
{
    if (!lpScrollInfo) return FALSE;
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
}

int CScrollBar::GetScrollLimit() noexcept
{
    SCROLLINFO si;
    ZeroMemory(&si, sizeof si);
    if (!GetScrollInfo(&si, SIF_RANGE | SIF_PAGE)) return 0;
    int limit = si.nMax - (si.nPage ? static_cast<int>(si.nPage) - 1 : 0);
    return limit < si.nMin ? si.nMin : limit;
}

// ---------------------------------------------------------------------------------------------
// CImageList

CImageList::~CImageList()
{
    DeleteImageList();
}

HIMAGELIST CImageList::GetSafeHandle() const noexcept
{
    const CImageList* self = Launder(this);
    return self ? self->m_hImageList : NULL;
}

CImageList* CImageList::FromHandle(HIMAGELIST hImageList) noexcept
{
    return ImageListMap::FromHandle<CImageList>(hImageList);
}

void CImageList::DeleteTempMap() noexcept
{
    ImageListMap::DeleteTemporaries();
}

BOOL CImageList::Attach(HIMAGELIST hImageList) noexcept
{
    if (!hImageList || m_hImageList) return FALSE;
    m_hImageList = hImageList;
    ImageListMap::SetPermanent(hImageList, this);
    return TRUE;
}

HIMAGELIST CImageList::Detach() noexcept
{
    HIMAGELIST h = m_hImageList;
    if (h) ImageListMap::RemovePermanent(h, this);
    m_hImageList = NULL;
    return h;
}

BOOL CImageList::DeleteImageList() noexcept
{
    if (!m_hImageList) return FALSE;
    return ImageList_Destroy(Detach());
}

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) noexcept
{
    if (m_hImageList) return FALSE;
    return Attach(ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
}

BOOL CImageList::Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) noexcept
{
    return Create(MAKEINTRESOURCEA(nBitmapID), cx, nGrow, crMask);
}

BOOL CImageList::Create(LPCSTR lpszBitmapID, int cx, int nGrow, COLORREF crMask) noexcept
{
    if (m_hImageList || !lpszBitmapID) return FALSE;
    return Attach(ImageList_LoadImageA(AfxGetResourceHandle(), lpszBitmapID, cx, nGrow, crMask,
                                       IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

int CImageList::Add(CBitmap* pbmImage, CBitmap* pbmMask) noexcept
{
    if (!m_hImageList || !pbmImage || !pbmImage->m_hObject) return -1;
    return ImageList_Add(m_hImageList, static_cast<HBITMAP>(pbmImage->m_hObject),
                         pbmMask ? static_cast<HBITMAP>(pbmMask->m_hObject) : NULL);
}

int CImageList::Add(CBitmap* pbmImage, COLORREF crMask) noexcept
{
    if (!m_hImageList || !pbmImage || !pbmImage->m_hObject) return -1;
    return ImageList_AddMasked(m_hImageList, static_cast<HBITMAP>(pbmImage->m_hObject), crMask);
}

BOOL CImageList::Replace(int nImage, CBitmap* pbmImage, CBitmap* pbmMask) noexcept
{
    if (!m_hImageList || !pbmImage || !pbmImage->m_hObject) return FALSE;
    return ImageList_Replace(m_hImageList, nImage, static_cast<HBITMAP>(pbmImage->m_hObject),
                             pbmMask ? static_cast<HBITMAP>(pbmMask->m_hObject) : NULL);
}

BOOL CImageList::Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle) noexcept
{
    if (!m_hImageList || !pDC || !pDC->m_hDC) return FALSE;
    return ImageList_Draw(m_hImageList, nImage, pDC->m_hDC, pt.x, pt.y, nStyle);
}

// ---------------------------------------------------------------------------------------------
// CListCtrl

CHeaderCtrl* CListCtrl::GetHeaderCtrl() const noexcept
{
    HWND h = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER, 0, 0));
    // A header attached to a CHeaderCtrl object is that object; otherwise a temporary CWnd
    // stands for it, whose members are the header's as long as it adds no data.
    return static_cast<CHeaderCtrl*>(CWnd::FromHandle(h));
}

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem) noexcept
{
    LVCOLUMNA col;
    ZeroMemory(&col, sizeof col);
    col.mask = LVCF_TEXT | LVCF_FMT;
    col.fmt = nFormat;
    col.pszText = const_cast<LPSTR>(lpszColumnHeading ? lpszColumnHeading : "");
    if (nWidth != -1) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    if (nSubItem != -1) {
        col.mask |= LVCF_SUBITEM;
        col.iSubItem = nSubItem;
    }
    return InsertColumn(nCol, &col);
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem) noexcept
{
    return InsertItem(LVIF_TEXT, nItem, lpszItem, 0, 0, 0, 0);
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem, int nImage) noexcept
{
    return InsertItem(LVIF_TEXT | LVIF_IMAGE, nItem, lpszItem, 0, 0, nImage, 0);
}

int CListCtrl::InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask,
                          int nImage, LPARAM lParam) noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = nMask;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem ? lpszItem : "");
    item.state = nState;
    item.stateMask = nStateMask;
    item.iImage = nImage;
    item.lParam = lParam;
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText) noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const noexcept
{
    if (!lpszText || nLen < 1) return 0;
    lpszText[0] = 0;
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = nSubItem;
    item.pszText = lpszText;
    item.cchTextMax = nLen;
    int n = static_cast<int>(SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
    if (n < 0) n = 0;
    if (n > nLen - 1) n = nLen - 1;
    lpszText[n] = 0;
    return n;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const noexcept
{
    return ReadGrowing([&](LPSTR p, int size) { return GetItemText(nItem, nSubItem, p, size); });
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    if (!GetItem(&item)) return 0;
    return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = static_cast<LPARAM>(dwData);
    return SetItem(&item);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) noexcept
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.state = nState;
    item.stateMask = nMask;
    return SetItemState(nItem, &item);
}

BOOL CListCtrl::GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const noexcept
{
    if (!lpRect) return FALSE;
    lpRect->left = static_cast<LONG>(nCode);
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(lpRect)));
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const noexcept
{
    LVHITTESTINFO info;
    ZeroMemory(&info, sizeof info);
    info.pt = pt;
    int n = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (pFlags) *pFlags = info.flags;
    return n;
}

CImageList* CListCtrl::GetImageList(int nImageList) const noexcept
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(nImageList), 0)));
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) noexcept
{
    HIMAGELIST h = pImageList ? pImageList->m_hImageList : NULL;
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(
        SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(nImageListType), reinterpret_cast<LPARAM>(h))));
}

// ---------------------------------------------------------------------------------------------
// CTreeCtrl

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter) noexcept
{
    return InsertItem(TVIF_TEXT, lpszItem, 0, 0, 0, 0, 0, hParent, hInsertAfter);
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, int nImage, int nSelectedImage, HTREEITEM hParent,
                                HTREEITEM hInsertAfter) noexcept
{
    return InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, lpszItem, nImage, nSelectedImage,
                      0, 0, 0, hParent, hInsertAfter);
}

HTREEITEM CTreeCtrl::InsertItem(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) noexcept
{
    TVINSERTSTRUCTA tvis;
    ZeroMemory(&tvis, sizeof tvis);
    tvis.hParent = hParent;
    tvis.hInsertAfter = hInsertAfter;
    tvis.item.mask = nMask;
    tvis.item.pszText = const_cast<LPSTR>(lpszItem ? lpszItem : "");
    tvis.item.iImage = nImage;
    tvis.item.iSelectedImage = nSelectedImage;
    tvis.item.state = nState;
    tvis.item.stateMask = nStateMask;
    tvis.item.lParam = lParam;
    return InsertItem(&tvis);
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM hItem) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = hItem;
    if (!hItem || !GetItem(&item)) return FALSE;
    return item.cChildren != 0;
}

CString CTreeCtrl::GetItemText(HTREEITEM hItem) const noexcept
{
    if (!hItem) return CString();
    return ReadGrowing([&](LPSTR p, int size) -> int {
        TVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.mask = TVIF_TEXT | TVIF_HANDLE;
        item.hItem = hItem;
        item.pszText = p;
        item.cchTextMax = size;
        if (!GetItem(&item)) return 0;
        // The control may answer with its own buffer instead of filling ours.
        LPCSTR text = item.pszText ? item.pszText : "";
        if (text != p) lstrcpynA(p, text, size);
        p[size - 1] = 0;
        return lstrlenA(p);
    });
}

BOOL CTreeCtrl::SetItemText(HTREEITEM hItem, LPCSTR lpszItem) noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = const_cast<LPSTR>(lpszItem ? lpszItem : "");
    return hItem ? SetItem(&item) : FALSE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = hItem;
    if (!hItem || !GetItem(&item)) return 0;
    return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData) noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = hItem;
    item.lParam = static_cast<LPARAM>(dwData);
    return hItem ? SetItem(&item) : FALSE;
}

UINT CTreeCtrl::GetItemState(HTREEITEM hItem, UINT nStateMask) const noexcept
{
    if (!hItem) return 0;
    return static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hItem), static_cast<LPARAM>(nStateMask)));
}

BOOL CTreeCtrl::SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_STATE | TVIF_HANDLE;
    item.hItem = hItem;
    item.state = nState;
    item.stateMask = nStateMask;
    return hItem ? SetItem(&item) : FALSE;
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = hItem;
    if (!hItem || !GetItem(&item)) return FALSE;
    nImage = item.iImage;
    nSelectedImage = item.iSelectedImage;
    return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage) noexcept
{
    TVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = hItem;
    item.iImage = nImage;
    item.iSelectedImage = nSelectedImage;
    return hItem ? SetItem(&item) : FALSE;
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM hItem, LPRECT lpRect, BOOL bTextOnly) const noexcept
{
    if (!hItem || !lpRect) return FALSE;
    // TVM_GETITEMRECT takes the item handle in the rectangle's first bytes.
    *reinterpret_cast<HTREEITEM*>(lpRect) = hItem;
    return static_cast<BOOL>(SendMessage(TVM_GETITEMRECT, bTextOnly, reinterpret_cast<LPARAM>(lpRect)));
}

HTREEITEM CTreeCtrl::HitTest(CPoint pt, UINT* pFlags) const noexcept
{
    TVHITTESTINFO info;
    ZeroMemory(&info, sizeof info);
    info.pt = pt;
    HTREEITEM h = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (pFlags) *pFlags = info.flags;
    return h;
}

CImageList* CTreeCtrl::GetImageList(int nImageList) const noexcept
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(TVM_GETIMAGELIST, static_cast<WPARAM>(nImageList), 0)));
}

CImageList* CTreeCtrl::SetImageList(CImageList* pImageList, int nImageListType) noexcept
{
    HIMAGELIST h = pImageList ? pImageList->m_hImageList : NULL;
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(
        SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(nImageListType), reinterpret_cast<LPARAM>(h))));
}

// ---------------------------------------------------------------------------------------------
// CHeaderCtrl

CImageList* CHeaderCtrl::GetImageList() const noexcept
{
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(HDM_GETIMAGELIST, 0, 0)));
}

CImageList* CHeaderCtrl::SetImageList(CImageList* pImageList) noexcept
{
    HIMAGELIST h = pImageList ? pImageList->m_hImageList : NULL;
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(SendMessage(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(h))));
}

// ---------------------------------------------------------------------------------------------
// CMenu

CMenu::~CMenu()
{
    DestroyMenu();
}

HMENU CMenu::GetSafeHmenu() const noexcept
{
    const CMenu* self = Launder(this);
    return self ? self->m_hMenu : NULL;
}

CMenu* CMenu::FromHandle(HMENU hMenu) noexcept
{
    return MenuMap::FromHandle<CMenu>(hMenu);
}

void CMenu::DeleteTempMap() noexcept
{
    MenuMap::DeleteTemporaries();
}

BOOL CMenu::Attach(HMENU hMenu) noexcept
{
    if (!hMenu || m_hMenu) return FALSE;
    m_hMenu = hMenu;
    MenuMap::SetPermanent(hMenu, this);
    return TRUE;
}

HMENU CMenu::Detach() noexcept
{
    HMENU h = m_hMenu;
    if (h) MenuMap::RemovePermanent(h, this);
    m_hMenu = NULL;
    return h;
}

BOOL CMenu::DestroyMenu() noexcept
{
    if (!m_hMenu) return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::LoadMenu(LPCSTR lpszResourceName) noexcept
{
    if (!lpszResourceName) return FALSE;
    return Attach(::LoadMenuA(AfxGetResourceHandle(), lpszResourceName));
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const CBitmap* pBmp) noexcept
{
    if (!pBmp || !pBmp->m_hObject) return FALSE;
    return ::AppendMenuA(m_hMenu, nFlags | MF_BITMAP, nIDNewItem, reinterpret_cast<LPCSTR>(pBmp->m_hObject));
}

int CMenu::GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const noexcept
{
    if (!lpString || nMaxCount < 1) return 0;
    lpString[0] = 0;
    int n = ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
    if (n < 0) n = 0;
    if (n > nMaxCount - 1) n = nMaxCount - 1;
    lpString[n] = 0;
    return n;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const noexcept
{
    rString.Empty();
    int len = ::GetMenuStringA(m_hMenu, nIDItem, NULL, 0, nFlags);
    if (len <= 0) return 0;
    LPSTR p = rString.GetBuffer(len);
    if (!p) return 0;
    int n = ::GetMenuStringA(m_hMenu, nIDItem, p, len + 1, nFlags);
    if (n < 0) n = 0;
    if (n > len) n = len;
    rString.ReleaseBuffer(n);
    return n;
}

BOOL CMenu::SetMenuItemBitmaps(UINT nPosition, UINT nFlags, const CBitmap* pBmpUnchecked,
                               const CBitmap* pBmpChecked) noexcept
{
    return ::SetMenuItemBitmaps(m_hMenu, nPosition, nFlags,
                                pBmpUnchecked ? static_cast<HBITMAP>(pBmpUnchecked->m_hObject) : NULL,
                                pBmpChecked ? static_cast<HBITMAP>(pBmpChecked->m_hObject) : NULL);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) noexcept
{
    HWND owner = pWnd ? pWnd->m_hWnd : NULL;
    if (!m_hMenu || !owner) return FALSE;
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, owner, lpRect);
}
