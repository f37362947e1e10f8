// CTreeListCtrl: the class through which dialogs use a "TreeList" window. It derives from
// the tree-control class, so that the tree-view members drive the window through the
// standard messages, and wraps the control's own messages (TreeList.h) with plain argument
// lists. It holds nothing beyond the window handle.
#pragma once
#include "classlib/Controls.h"
#include "controls/TreeList.h"

// The comparison of CTreeListCtrl::InsertItemByText: the caller's string comparison applied
// to (new text, sibling's text); the string comparison travels in the item-data field.
typedef int (*TreeListStringCompare)(LPCSTR, LPCSTR);
int CALLBACK TreeListTextCompare(HWND control, UINT sibling, LPCSTR siblingText, LPCSTR newText, LPARAM siblingData,
                                 LPARAM stringCompare);

class CTreeListCtrl : public CTreeCtrl {
    DECLARE_DYNAMIC(CTreeListCtrl)
public:
    CTreeListCtrl() noexcept {}
    ~CTreeListCtrl() override {}

    enum { kNoMinimum = 0x8000 };

    // Registers "TreeList" once and creates it with the style plus child and both scroll bars.
    BOOL Create(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Creates it, visible, over the rectangle the dialog control nControlId has in the parent,
    // directly after that control in the window order (which stays as it is). 1 or 0.
    int CreateOverControl(DWORD dwExStyle, DWORD dwStyle, UINT nControlId, CWnd* pParentWnd, UINT nID);

    // Width below 0: a fill column of that weight. Format below 0, minimum kNoMinimum and a
    // null text are not passed.
    int InsertColumn(int nColumn, LPCSTR lpszText, int nFormat, int nWidth, int nMinimum = kNoMinimum) noexcept;
    HTREEITEM InsertItem(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState, UINT nStateMask,
                         LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) noexcept;
    HTREEITEM InsertItemSorted(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                               UINT nStateMask, LPARAM lParam, TreeListInsertCompare compare, HTREEITEM hParent) noexcept;
    HTREEITEM InsertItemByText(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                               UINT nStateMask, LPARAM lParam, TreeListStringCompare compare, HTREEITEM hParent) noexcept;
    HTREEITEM InsertItemByCompare(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                                  UINT nStateMask, LPARAM lParam, TreeListInsertCompare compare, HTREEITEM hParent,
                                  LPARAM context) noexcept;
    // The row index of the new item (inserted before the item shown at nRow, or last).
    int InsertRow(int nRow, LPCSTR lpszText, int nImage, int nState, UINT nStateMask) noexcept;
    BOOL SetRow(int nRow, int nColumn, LPCSTR lpszText, int nImage, int nState, UINT nStateMask) noexcept;
    int GetRowText(int nRow, LPSTR lpszBuffer, int nSize, int nColumn) const noexcept;
    int SetItems(HTREEITEM hItem, int nColumn, UINT nMask, LPCSTR lpszText, int nImage, int nSelectedImage, UINT nState,
                 UINT nStateMask, LPARAM lParam) noexcept;
    int CountItems(HTREEITEM hItem, UINT nFlags, UINT nState, UINT nStateMask, LPARAM lParam, int nImage) const noexcept;
    HTREEITEM FindItem(HTREEITEM hStart, UINT nFlags, int nColumn, LPCSTR lpszText, LPARAM lParam, UINT nState,
                       UINT nStateMask) const noexcept;
    BOOL SetColumnText(int nColumn, LPCSTR lpszText) noexcept;
    BOOL SetHeaderImage(int nColumn, int nImage, int nOnRight) noexcept;
    BOOL SetHeaderBitmap(int nColumn, HBITMAP hBitmap, int nOnRight) noexcept;
    BOOL SetColumnFlagA(int nColumn, BOOL bOn) noexcept;
    BOOL SetColumnFlagB(int nColumn, BOOL bOn) noexcept;
    // Hide (or show), a width of 0 or more (kRestoreWidth: the width it had), a fill value
    // of 0 or more (above 0: the fill columns share the client width).
    BOOL SetColumnLayout(int nColumn, BOOL bHide, int nWidth, int nFill) noexcept;
    // A new image list object attached to the control's drag image, or null.
    CImageList* CreateDragImage(HTREEITEM hItem, WPARAM wParam = 0);
    // The control does not take the list over: a CImageList destroys its list itself.
    CImageList* SetImageList(CImageList* pImageList, int nImageListType) noexcept;

    HWND GetHeader() const noexcept { return reinterpret_cast<HWND>(SendMessage(TLM_GETHEADER, 0, 0)); }
    LRESULT Property(UINT nNumber, BOOL bWrite, LPARAM value) noexcept
    { return SendMessage(TLM_PROPERTY, nNumber | (bWrite ? kPropertyWrite : 0), value); }
};
