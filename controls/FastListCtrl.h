// CFastListCtrl: a "FastList" window owned through the class library's list control class,
// so that every CListCtrl member works on it; the members here fill the records the way the
// list expects them (own column and format bits, the find record, insertion by data word).
#pragma once
#include "classlib/Afx.h"
#include "controls/FastList.h"

class CFastListCtrl : public CListCtrl {
    DECLARE_DYNAMIC(CFastListCtrl)
public:
    CFastListCtrl() noexcept {}

    // Each creating member registers the window class first. Create adds WS_VSCROLL and
    // WS_HSCROLL, CreateEx also WS_CHILD.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    BOOL CreateEx(DWORD dwExStyle, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // In the place of a placeholder control of a dialog (which stays), visible, right after
    // it in the tab order. 1, or 0 when the window could not be made.
    BOOL CreateOverControl(DWORD dwExStyle, DWORD dwStyle, UINT nPlaceholderID, CWnd* pParentWnd, UINT nID);

    // nFormat below 0: none; nWidth below 0: a stretch column of that weight; nOrder 32768:
    // none (otherwise the column's minimum width).
    int InsertColumn(int nCol, LPCSTR lpszText, int nFormat, int nWidth, int nOrder = 32768);
    BOOL SetItem(int nItem, int nSubItem, UINT nMask, LPCSTR lpszItem, int nImage, UINT nState, UINT nStateMask,
                 LPARAM lParam);
    int FindItem(int nStart, UINT nFlags, LPCSTR lpszText, UINT nStateMask, UINT nState, DWORD dwData, int nColumn);
    int InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam);
    // An item whose texts come from the owner's callback.
    int InsertItem(int nItem, DWORD dwData, UINT nMask = 0);
    BOOL SetColumnText(int nCol, LPCSTR lpszText);
    // nImage below -1 removes the image.
    BOOL SetHeaderImage(int nCol, int nImage, BOOL bRight);
    BOOL SetHeaderBitmap(int nCol, HBITMAP hBitmap, BOOL bRight);
    BOOL SetColumnFlag(int nCol, BOOL bOn);
    // nWidth below 0 keeps the width, nAdjust below 0 leaves the others, above 0 lets them
    // follow the change.
    BOOL SetColumnState(int nCol, BOOL bHidden, int nWidth, int nAdjust);
    // A new image list object attached to the list's drag image, or null.
    CImageList* CreateDragImage(int nItem, LPPOINT lpPoint);
};
