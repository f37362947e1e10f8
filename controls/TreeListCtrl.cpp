#include "controls/TreeListCtrl.h"

#include <new>
#include <string.h>
#include "classlib/WinApp.h"

// The run-time class names the tree-control class as its base, as the C++ class has it:
// named after the plain window class, IsKindOf(RUNTIME_CLASS(CTreeCtrl)) and DYNAMIC_DOWNCAST
// to the tree-control class would deny a tree list that is one.
IMPLEMENT_DYNAMIC(CTreeListCtrl, CTreeCtrl)

namespace {

HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

TreeListInsert MakeInsert(UINT mask, LPCSTR text, int image, int selectedImage, UINT state, UINT stateMask, LPARAM data,
                          HTREEITEM parent, HTREEITEM after)
{
    TreeListInsert ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = mask;
    ins.item.pszText = const_cast<LPSTR>(text ? text : "");
    ins.item.cchTextMax = text ? 256 : 0;
    ins.item.iImage = image;
    ins.item.iSelectedImage = selectedImage;
    ins.item.state = state;
    ins.item.stateMask = stateMask;
    ins.item.lParam = data;
    return ins;
}

}  // namespace

int CALLBACK TreeListTextCompare(HWND, UINT, LPCSTR siblingText, LPCSTR newText, LPARAM, LPARAM stringCompare)
{
    TreeListStringCompare compare = reinterpret_cast<TreeListStringCompare>(stringCompare);
    return compare ? compare(newText ? newText : "", siblingText ? siblingText : "") : 0;
}

BOOL CTreeListCtrl::Create(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!RegisterTreeListClass(AfxGetInstanceHandle()))
        return FALSE;
    return CreateEx(dwExStyle, TREELIST_CLASS, nullptr, dwStyle | 0x40300000, rect, pParentWnd, nID);
}

int CTreeListCtrl::CreateOverControl(DWORD dwExStyle, DWORD dwStyle, UINT nControlId, CWnd* pParentWnd, UINT nID)
{
    if (!pParentWnd || !pParentWnd->m_hWnd || !RegisterTreeListClass(AfxGetInstanceHandle()))
        return 0;
    HWND placeholder = ::GetDlgItem(pParentWnd->m_hWnd, static_cast<int>(nControlId));
    if (!placeholder)
        return 0;
    RECT rc;
    ::GetWindowRect(placeholder, &rc);
    ::MapWindowPoints(nullptr, pParentWnd->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    if (!CreateEx(dwExStyle, TREELIST_CLASS, nullptr, dwStyle | 0x50300000, rc, pParentWnd, nID))
        return 0;
    ::SetWindowPos(m_hWnd, placeholder, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return 1;
}

int CTreeListCtrl::InsertColumn(int nColumn, LPCSTR lpszText, int nFormat, int nWidth, int nMinimum) noexcept
{
    LVCOLUMNA col = {};
    if (lpszText) {
        col.mask |= LVCF_TEXT;
        col.pszText = const_cast<LPSTR>(lpszText);
        col.cchTextMax = 256;
    }
    if (nFormat >= 0) {
        col.mask |= 0x90000001;
        col.fmt = nFormat;
    }
    if (nMinimum != kNoMinimum) {
        col.mask |= LVCF_ORDER;
        col.iOrder = nMinimum;
    }
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    } else {
        col.mask |= LVCF_SUBITEM;
        col.cx = -nWidth;
    }
    return static_cast<int>(SendMessage(TLM_INSERTCOLUMN, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col)));
}

HTREEITEM CTreeListCtrl::InsertItem(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                    UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) noexcept
{
    TreeListInsert ins = MakeInsert(nMask, lpszItem, nImage, nSelectedImage, nState, nStateMask, lParam, hParent, hInsertAfter);
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM CTreeListCtrl::InsertItemSorted(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                          UINT nStateMask, LPARAM lParam, TreeListInsertCompare compare,
                                          HTREEITEM hParent) noexcept
{
    TreeListInsert ins = MakeInsert(nMask, lpszItem, nImage, nSelectedImage, nState, nStateMask, lParam, hParent,
                                    Handle(TLI_COMPARE));
    ins.item.hItem = reinterpret_cast<HTREEITEM>(compare);
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM CTreeListCtrl::InsertItemByText(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                          UINT nStateMask, LPARAM lParam, TreeListStringCompare compare,
                                          HTREEITEM hParent) noexcept
{
    TreeListInsert ins = MakeInsert(nMask, lpszItem, nImage, nSelectedImage, nState, nStateMask,
                                    reinterpret_cast<LPARAM>(compare), hParent, Handle(TLI_COMPARE));
    if (nMask & TVIF_PARAM) {
        ins.item.mask = (nMask & ~static_cast<UINT>(TVIF_PARAM)) | TLIF_PARAM2;
        ins.data2 = lParam;
    }
    ins.item.hItem = reinterpret_cast<HTREEITEM>(&TreeListTextCompare);
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM CTreeListCtrl::InsertItemByCompare(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                             UINT nStateMask, LPARAM lParam, TreeListInsertCompare compare,
                                             HTREEITEM hParent, LPARAM context) noexcept
{
    TreeListInsert ins = MakeInsert((nMask & ~static_cast<UINT>(TVIF_PARAM)) | TLIF_PARAM2, lpszItem, nImage,
                                    nSelectedImage, nState, nStateMask, context, hParent, Handle(TLI_COMPARE));
    ins.data2 = (nMask & TVIF_PARAM) ? lParam : 0;
    ins.item.hItem = reinterpret_cast<HTREEITEM>(compare);
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

int CTreeListCtrl::InsertRow(int nRow, LPCSTR lpszText, int nImage, int nState, UINT nStateMask) noexcept
{
    UINT at = static_cast<UINT>(SendMessage(TLM_GETITEMOFROW, 0, nRow));
    TreeListInsert ins = {};
    if (at) {
        ins.hParent = Handle(at);
        ins.hInsertAfter = Handle(TLI_BEFOREPARENT);
    } else {
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_ROOT;
    }
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    ins.item.cchTextMax = 256;
    if (nImage >= 0) {
        ins.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        ins.item.iImage = ins.item.iSelectedImage = nImage;
    }
    if (nState >= 0) {
        ins.item.mask |= TVIF_STATE;
        ins.item.state = static_cast<UINT>(nState);
        ins.item.stateMask = nStateMask & 0xFF13;
    }
    LRESULT item = SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
    return static_cast<int>(SendMessage(TLM_GETROWOFITEM, 0, item));
}

BOOL CTreeListCtrl::SetRow(int nRow, int nColumn, LPCSTR lpszText, int nImage, int nState, UINT nStateMask) noexcept
{
    UINT at = static_cast<UINT>(SendMessage(TLM_GETITEMOFROW, 0, nRow));
    if (!at)
        return FALSE;
    TVITEMA item = {};
    item.mask = TLIF_CELL | TVIF_HANDLE;
    item.hItem = Handle(at);
    item.cChildren = nColumn;
    if (lpszText) {
        item.mask |= TVIF_TEXT;
        item.pszText = const_cast<LPSTR>(lpszText);
        item.cchTextMax = 256;
    }
    if (nImage >= 0) {
        item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        item.iImage = item.iSelectedImage = nImage;
    }
    if (nState >= 0) {
        item.mask |= TVIF_STATE;
        item.state = static_cast<UINT>(nState);
        item.stateMask = nStateMask & 0x13;
    }
    return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CTreeListCtrl::GetRowText(int nRow, LPSTR lpszBuffer, int nSize, int nColumn) const noexcept
{
    UINT at = static_cast<UINT>(SendMessage(TLM_GETITEMOFROW, 0, nRow));
    if (!at || nSize <= 0 || !lpszBuffer)
        return 0;
    memset(lpszBuffer, 0, static_cast<size_t>(nSize));
    TVITEMA item = {};
    item.mask = TLIF_CELL | TVIF_TEXT;
    item.hItem = Handle(at);
    item.pszText = lpszBuffer;
    item.cchTextMax = nSize;
    item.cChildren = nColumn;
    return static_cast<int>(SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CTreeListCtrl::SetItems(HTREEITEM hItem, int nColumn, UINT nMask, LPCSTR lpszText, int nImage, int nSelectedImage,
                            UINT nState, UINT nStateMask, LPARAM lParam) noexcept
{
    TVITEMA item = {};
    item.mask = nMask | TLIF_CELL;
    item.hItem = hItem;
    item.cChildren = nColumn;
    item.pszText = const_cast<LPSTR>(lpszText);
    item.cchTextMax = lpszText ? 256 : 0;
    item.iImage = nImage;
    item.iSelectedImage = nSelectedImage;
    item.state = nState;
    item.stateMask = nStateMask;
    item.lParam = lParam;
    return static_cast<int>(SendMessage(TLM_SETITEMS, 0, reinterpret_cast<LPARAM>(&item)));
}

int CTreeListCtrl::CountItems(HTREEITEM hItem, UINT nFlags, UINT nState, UINT nStateMask, LPARAM lParam,
                              int nImage) const noexcept
{
    TreeListCount count = {};
    count.flags = nFlags;
    count.hItem = hItem;
    count.state = nState;
    count.stateMask = nStateMask;
    count.image = nImage;
    count.data = lParam;
    return static_cast<int>(SendMessage(TLM_COUNTITEMS, 0, reinterpret_cast<LPARAM>(&count)));
}

HTREEITEM CTreeListCtrl::FindItem(HTREEITEM hStart, UINT nFlags, int nColumn, LPCSTR lpszText, LPARAM lParam,
                                  UINT nState, UINT nStateMask) const noexcept
{
    TreeListFind find = { nFlags, nColumn, nState, nStateMask, lParam, lpszText };
    return reinterpret_cast<HTREEITEM>(SendMessage(TLM_FINDITEM, reinterpret_cast<WPARAM>(hStart), reinterpret_cast<LPARAM>(&find)));
}

BOOL CTreeListCtrl::SetColumnText(int nColumn, LPCSTR lpszText) noexcept
{
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    col.cchTextMax = static_cast<int>(strlen(col.pszText));
    return static_cast<BOOL>(SendMessage(TLM_SETCOLUMN, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col)));
}

namespace {

// Reads the header item's format, lets `change` set the picture's format bit and field, and
// writes both back with the side the picture goes on.
template <class Change>
BOOL ChangeHeaderPicture(HWND header, int column, int onRight, UINT field, Change change)
{
    if (!header)
        return FALSE;
    HDITEMA hd = {};
    hd.mask = HDI_FORMAT;
    ::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd));
    change(hd);
    if (onRight & 1)
        hd.fmt |= HDF_BITMAP_ON_RIGHT;
    else
        hd.fmt &= ~HDF_BITMAP_ON_RIGHT;
    hd.mask = HDI_FORMAT | field;
    return static_cast<BOOL>(::SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd)));
}

}  // namespace

BOOL CTreeListCtrl::SetHeaderImage(int nColumn, int nImage, int nOnRight) noexcept
{
    return ChangeHeaderPicture(GetHeader(), nColumn, nOnRight, HDI_IMAGE, [nImage](HDITEMA& hd) {
        if (nImage < -1)
            hd.fmt &= ~HDF_IMAGE;
        else
            hd.fmt |= HDF_IMAGE;
        hd.iImage = nImage;
    });
}

BOOL CTreeListCtrl::SetHeaderBitmap(int nColumn, HBITMAP hBitmap, int nOnRight) noexcept
{
    return ChangeHeaderPicture(GetHeader(), nColumn, nOnRight, HDI_BITMAP, [hBitmap](HDITEMA& hd) {
        if (hBitmap)
            hd.fmt |= HDF_BITMAP;
        else
            hd.fmt &= ~HDF_BITMAP;
        hd.hbm = hBitmap;
    });
}

BOOL CTreeListCtrl::SetColumnFlagA(int nColumn, BOOL bOn) noexcept
{
    LVCOLUMNA col = {};
    col.mask = TLCF_COLORED;
    col.fmt = bOn ? static_cast<int>(TLCF_COLORED) : 0;
    return static_cast<BOOL>(SendMessage(TLM_SETCOLUMN, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col)));
}

BOOL CTreeListCtrl::SetColumnFlagB(int nColumn, BOOL bOn) noexcept
{
    LVCOLUMNA col = {};
    col.mask = TLCF_OWNERDRAW;
    col.fmt = bOn ? static_cast<int>(TLCF_OWNERDRAW) : 0;
    return static_cast<BOOL>(SendMessage(TLM_SETCOLUMN, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col)));
}

BOOL CTreeListCtrl::SetColumnLayout(int nColumn, BOOL bHide, int nWidth, int nFill) noexcept
{
    LVCOLUMNA col = {};
    col.mask = TLCF_HIDDEN;
    col.fmt = bHide ? static_cast<int>(TLCF_HIDDEN) : 0;
    if (nWidth >= 0) {
        col.mask |= LVCF_WIDTH;
        col.cx = nWidth;
    }
    if (nFill >= 0) {
        col.mask |= TLCF_FILL;
        if (nFill > 0)
            col.fmt |= static_cast<int>(TLCF_FILL);
    }
    return static_cast<BOOL>(SendMessage(TLM_SETCOLUMN, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col)));
}

CImageList* CTreeListCtrl::CreateDragImage(HTREEITEM hItem, WPARAM wParam)
{
    HIMAGELIST list = reinterpret_cast<HIMAGELIST>(SendMessage(TVM_CREATEDRAGIMAGE, wParam, reinterpret_cast<LPARAM>(hItem)));
    if (!list)
        return nullptr;
    CImageList* object = new (std::nothrow) CImageList;
    if (!object) {
        ImageList_Destroy(list);
        return nullptr;
    }
    object->Attach(list);
    return object;
}

CImageList* CTreeListCtrl::SetImageList(CImageList* pImageList, int nImageListType) noexcept
{
    HIMAGELIST h = pImageList ? pImageList->m_hImageList : nullptr;
    return CImageList::FromHandle(reinterpret_cast<HIMAGELIST>(
        SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(nImageListType) | 0x40000000, reinterpret_cast<LPARAM>(h))));
}
