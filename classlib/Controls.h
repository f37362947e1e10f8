// The standard and common controls as thin CWnd classes (each member is one message), plus
// the image list and menu wrappers. A control object is bound to its window by Create, by
// SubclassDlgItem or by DDX_Control; the members then send to m_hWnd.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "classlib/Wnd.h"
#include "classlib/Gdi.h"

class CImageList;
class CHeaderCtrl;

// ---------------------------------------------------------------------------------------------

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() noexcept {}
    BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
    HICON SetIcon(HICON hIcon) noexcept { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0)); }
    HICON GetIcon() const noexcept { return reinterpret_cast<HICON>(SendMessage(STM_GETICON, 0, 0)); }
    HBITMAP SetBitmap(HBITMAP hBitmap) noexcept
    { return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap))); }
    HBITMAP GetBitmap() const noexcept { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() noexcept {}
    BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    UINT GetState() const noexcept { return static_cast<UINT>(SendMessage(BM_GETSTATE, 0, 0)); }
    void SetState(BOOL bHighlight) noexcept { SendMessage(BM_SETSTATE, bHighlight, 0); }
    int GetCheck() const noexcept { return static_cast<int>(SendMessage(BM_GETCHECK, 0, 0)); }
    void SetCheck(int nCheck) noexcept { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck), 0); }
    UINT GetButtonStyle() const noexcept { return static_cast<UINT>(GetStyle() & 0xFFFF); }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) noexcept { SendMessage(BM_SETSTYLE, nStyle, bRedraw); }
    HICON SetIcon(HICON hIcon) noexcept
    { return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(hIcon))); }
    HICON GetIcon() const noexcept { return reinterpret_cast<HICON>(SendMessage(BM_GETIMAGE, IMAGE_ICON, 0)); }
    HBITMAP SetBitmap(HBITMAP hBitmap) noexcept
    { return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap))); }
    HBITMAP GetBitmap() const noexcept { return reinterpret_cast<HBITMAP>(SendMessage(BM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
public:
    CEdit() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Start in the low word, end in the high word.
    DWORD GetSel() const noexcept { return static_cast<DWORD>(SendMessage(EM_GETSEL, 0, 0)); }
    void GetSel(int& nStartChar, int& nEndChar) const noexcept;
    // Selects and, unless bNoScroll, scrolls the caret into view. (0, -1) selects all,
    // (-1, 0) removes the selection.
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE) noexcept;
    void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE) noexcept
    { SetSel(static_cast<short>(LOWORD(dwSelection)), static_cast<short>(HIWORD(dwSelection)), bNoScroll); }
    void ReplaceSel(LPCSTR lpszNewText, BOOL bCanUndo = FALSE) noexcept
    { SendMessage(EM_REPLACESEL, bCanUndo, reinterpret_cast<LPARAM>(lpszNewText ? lpszNewText : "")); }
    // 0: the control's largest limit.
    void LimitText(int nChars = 0) noexcept { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0); }
    void SetLimitText(UINT nMax) noexcept { SendMessage(EM_SETLIMITTEXT, nMax, 0); }
    UINT GetLimitText() const noexcept { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT, 0, 0)); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) noexcept { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, bReadOnly, 0)); }
    // Copies line nIndex into lpszBuffer (nMaxLength bytes with the terminator, which is
    // always written when nMaxLength >= 1); the result is the characters copied.
    int GetLine(int nIndex, LPSTR lpszBuffer, int nMaxLength) const noexcept;
    int GetLineCount() const noexcept { return static_cast<int>(SendMessage(EM_GETLINECOUNT, 0, 0)); }
    // -1: the line of the caret (or of the selection's start).
    int LineFromChar(int nIndex = -1) const noexcept { return static_cast<int>(SendMessage(EM_LINEFROMCHAR, static_cast<WPARAM>(nIndex), 0)); }
    int LineIndex(int nLine = -1) const noexcept { return static_cast<int>(SendMessage(EM_LINEINDEX, static_cast<WPARAM>(nLine), 0)); }
    int LineLength(int nLine = -1) const noexcept { return static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(nLine), 0)); }
    void LineScroll(int nLines, int nChars = 0) noexcept { SendMessage(EM_LINESCROLL, static_cast<WPARAM>(nChars), nLines); }
    int GetFirstVisibleLine() const noexcept { return static_cast<int>(SendMessage(EM_GETFIRSTVISIBLELINE, 0, 0)); }
    BOOL GetModify() const noexcept { return static_cast<BOOL>(SendMessage(EM_GETMODIFY, 0, 0)); }
    void SetModify(BOOL bModified = TRUE) noexcept { SendMessage(EM_SETMODIFY, bModified, 0); }
    void GetRect(LPRECT lpRect) const noexcept { SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(lpRect)); }
    void SetRect(LPCRECT lpRect) noexcept { SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(lpRect)); }
    void SetPasswordChar(char ch) noexcept { SendMessage(EM_SETPASSWORDCHAR, static_cast<BYTE>(ch), 0); }
    char GetPasswordChar() const noexcept { return static_cast<char>(SendMessage(EM_GETPASSWORDCHAR, 0, 0)); }
    void SetMargins(UINT nLeft, UINT nRight) noexcept
    { SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(nLeft, nRight)); }
    BOOL SetTabStops(int nTabStops, const int* rgTabStops) noexcept
    { return static_cast<BOOL>(SendMessage(EM_SETTABSTOPS, static_cast<WPARAM>(nTabStops), reinterpret_cast<LPARAM>(rgTabStops))); }
    int CharFromPos(CPoint pt) const noexcept { return static_cast<int>(SendMessage(EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y))); }
    CPoint PosFromChar(UINT nChar) const noexcept { return CPoint(static_cast<DWORD>(SendMessage(EM_POSFROMCHAR, nChar, 0))); }
    BOOL CanUndo() const noexcept { return static_cast<BOOL>(SendMessage(EM_CANUNDO, 0, 0)); }
    BOOL Undo() noexcept { return static_cast<BOOL>(SendMessage(EM_UNDO, 0, 0)); }
    void EmptyUndoBuffer() noexcept { SendMessage(EM_EMPTYUNDOBUFFER, 0, 0); }
    void Clear() noexcept { SendMessage(WM_CLEAR, 0, 0); }
    void Copy() noexcept { SendMessage(WM_COPY, 0, 0); }
    void Cut() noexcept { SendMessage(WM_CUT, 0, 0); }
    void Paste() noexcept { SendMessage(WM_PASTE, 0, 0); }
};

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
public:
    CListBox() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCount() const noexcept { return static_cast<int>(SendMessage(LB_GETCOUNT, 0, 0)); }
    int AddString(LPCSTR lpszItem) noexcept { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, TextParam(lpszItem))); }
    int InsertString(int nIndex, LPCSTR lpszItem) noexcept
    { return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), TextParam(lpszItem))); }
    int DeleteString(UINT nIndex) noexcept { return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex, 0)); }
    void ResetContent() noexcept { SendMessage(LB_RESETCONTENT, 0, 0); }
    int GetCurSel() const noexcept { return static_cast<int>(SendMessage(LB_GETCURSEL, 0, 0)); }
    int SetCurSel(int nSelect) noexcept { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect), 0)); }
    // The caller's buffer must hold GetTextLen(nIndex) + 1 bytes.
    int GetText(int nIndex, LPSTR lpszBuffer) const noexcept;
    void GetText(int nIndex, CString& rString) const noexcept;
    int GetTextLen(int nIndex) const noexcept { return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0)); }
    DWORD_PTR GetItemData(int nIndex) const noexcept { return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0)); }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) noexcept
    { return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData))); }
    void* GetItemDataPtr(int nIndex) const noexcept { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) noexcept { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    // Searches start after nStartAfter (-1: from the top) and wrap around.
    int FindString(int nStartAfter, LPCSTR lpszItem) const noexcept
    { return static_cast<int>(SendMessage(LB_FINDSTRING, static_cast<WPARAM>(nStartAfter), TextParam(lpszItem))); }
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const noexcept
    { return static_cast<int>(SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), TextParam(lpszFind))); }
    int SelectString(int nStartAfter, LPCSTR lpszItem) noexcept
    { return static_cast<int>(SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), TextParam(lpszItem))); }
    // Selection state of one item (also in multiple-selection lists).
    int GetSel(int nIndex) const noexcept { return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(nIndex), 0)); }
    // Multiple-selection lists; nIndex -1 means every item.
    int SetSel(int nIndex, BOOL bSelect = TRUE) noexcept { return static_cast<int>(SendMessage(LB_SETSEL, bSelect, nIndex)); }
    int GetSelCount() const noexcept { return static_cast<int>(SendMessage(LB_GETSELCOUNT, 0, 0)); }
    int GetSelItems(int nMaxItems, LPINT rgIndex) const noexcept
    { return static_cast<int>(SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(nMaxItems), reinterpret_cast<LPARAM>(rgIndex))); }
    int SelItemRange(BOOL bSelect, int nFirstItem, int nLastItem) noexcept
    { return static_cast<int>(SendMessage(LB_SELITEMRANGEEX, static_cast<WPARAM>(bSelect ? nFirstItem : nLastItem),
                                          bSelect ? nLastItem : nFirstItem)); }
    int GetTopIndex() const noexcept { return static_cast<int>(SendMessage(LB_GETTOPINDEX, 0, 0)); }
    int SetTopIndex(int nIndex) noexcept { return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(nIndex), 0)); }
    int GetItemRect(int nIndex, LPRECT lpRect) const noexcept
    { return static_cast<int>(SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect))); }
    // The nearest item to pt (client coordinates); bOutside tells that pt is not on it.
    UINT ItemFromPoint(CPoint pt, BOOL& bOutside) const noexcept;
    int GetItemHeight(int nIndex) const noexcept { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex), 0)); }
    int SetItemHeight(int nIndex, UINT cyItemHeight) noexcept
    { return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), MAKELONG(cyItemHeight, 0))); }
    int GetCaretIndex() const noexcept { return static_cast<int>(SendMessage(LB_GETCARETINDEX, 0, 0)); }
    int SetCaretIndex(int nIndex, BOOL bScroll = TRUE) noexcept
    { return static_cast<int>(SendMessage(LB_SETCARETINDEX, static_cast<WPARAM>(nIndex), MAKELONG(bScroll, 0))); }
    int GetHorizontalExtent() const noexcept { return static_cast<int>(SendMessage(LB_GETHORIZONTALEXTENT, 0, 0)); }
    void SetHorizontalExtent(int cxExtent) noexcept { SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(cxExtent), 0); }
    void SetColumnWidth(int cxWidth) noexcept { SendMessage(LB_SETCOLUMNWIDTH, static_cast<WPARAM>(cxWidth), 0); }
    BOOL SetTabStops(int nTabStops, const int* rgTabStops) noexcept
    { return static_cast<BOOL>(SendMessage(LB_SETTABSTOPS, static_cast<WPARAM>(nTabStops), reinterpret_cast<LPARAM>(rgTabStops))); }

protected:
    static LPARAM TextParam(LPCSTR text) noexcept { return reinterpret_cast<LPARAM>(text ? text : ""); }
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
public:
    CComboBox() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetCount() const noexcept { return static_cast<int>(SendMessage(CB_GETCOUNT, 0, 0)); }
    int AddString(LPCSTR lpszString) noexcept { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, TextParam(lpszString))); }
    int InsertString(int nIndex, LPCSTR lpszString) noexcept
    { return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), TextParam(lpszString))); }
    int DeleteString(UINT nIndex) noexcept { return static_cast<int>(SendMessage(CB_DELETESTRING, nIndex, 0)); }
    void ResetContent() noexcept { SendMessage(CB_RESETCONTENT, 0, 0); }
    int GetCurSel() const noexcept { return static_cast<int>(SendMessage(CB_GETCURSEL, 0, 0)); }
    int SetCurSel(int nSelect) noexcept { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect), 0)); }
    // The caller's buffer must hold GetLBTextLen(nIndex) + 1 bytes.
    int GetLBText(int nIndex, LPSTR lpszText) const noexcept;
    void GetLBText(int nIndex, CString& rString) const noexcept;
    int GetLBTextLen(int nIndex) const noexcept { return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0)); }
    DWORD_PTR GetItemData(int nIndex) const noexcept { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0)); }
    int SetItemData(int nIndex, DWORD_PTR dwItemData) noexcept
    { return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData))); }
    void* GetItemDataPtr(int nIndex) const noexcept { return reinterpret_cast<void*>(GetItemData(nIndex)); }
    int SetItemDataPtr(int nIndex, void* pData) noexcept { return SetItemData(nIndex, reinterpret_cast<DWORD_PTR>(pData)); }
    int FindString(int nStartAfter, LPCSTR lpszString) const noexcept
    { return static_cast<int>(SendMessage(CB_FINDSTRING, static_cast<WPARAM>(nStartAfter), TextParam(lpszString))); }
    int FindStringExact(int nIndexStart, LPCSTR lpszFind) const noexcept
    { return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), TextParam(lpszFind))); }
    int SelectString(int nStartAfter, LPCSTR lpszString) noexcept
    { return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), TextParam(lpszString))); }
    int GetTopIndex() const noexcept { return static_cast<int>(SendMessage(CB_GETTOPINDEX, 0, 0)); }
    int SetTopIndex(int nIndex) noexcept { return static_cast<int>(SendMessage(CB_SETTOPINDEX, static_cast<WPARAM>(nIndex), 0)); }
    // Selection of the edit field: start in the low word, end in the high word.
    DWORD GetEditSel() const noexcept { return static_cast<DWORD>(SendMessage(CB_GETEDITSEL, 0, 0)); }
    // -1 as the start removes the selection; -1 as the end selects to the end of the text.
    BOOL SetEditSel(int nStartChar, int nEndChar) noexcept
    { return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELONG(static_cast<WORD>(nStartChar), static_cast<WORD>(nEndChar)))); }
    BOOL LimitText(int nMaxChars) noexcept { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(nMaxChars), 0)); }
    void ShowDropDown(BOOL bShowIt = TRUE) noexcept { SendMessage(CB_SHOWDROPDOWN, bShowIt, 0); }
    BOOL GetDroppedState() const noexcept { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE, 0, 0)); }
    void GetDroppedControlRect(LPRECT lprect) const noexcept { SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(lprect)); }
    int GetDroppedWidth() const noexcept { return static_cast<int>(SendMessage(CB_GETDROPPEDWIDTH, 0, 0)); }
    int SetDroppedWidth(UINT nWidth) noexcept { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, nWidth, 0)); }
    // nIndex -1: the selection field.
    int GetItemHeight(int nIndex) const noexcept { return static_cast<int>(SendMessage(CB_GETITEMHEIGHT, static_cast<WPARAM>(nIndex), 0)); }
    int SetItemHeight(int nIndex, UINT cyItemHeight) noexcept
    { return static_cast<int>(SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(nIndex), MAKELONG(cyItemHeight, 0))); }
    int SetExtendedUI(BOOL bExtended = TRUE) noexcept { return static_cast<int>(SendMessage(CB_SETEXTENDEDUI, bExtended, 0)); }
    BOOL GetExtendedUI() const noexcept { return static_cast<BOOL>(SendMessage(CB_GETEXTENDEDUI, 0, 0)); }
    void Clear() noexcept { SendMessage(WM_CLEAR, 0, 0); }
    void Copy() noexcept { SendMessage(WM_COPY, 0, 0); }
    void Cut() noexcept { SendMessage(WM_CUT, 0, 0); }
    void Paste() noexcept { SendMessage(WM_PASTE, 0, 0); }

protected:
    static LPARAM TextParam(LPCSTR text) noexcept { return reinterpret_cast<LPARAM>(text ? text : ""); }
};

class CScrollBar : public CWnd {
    DECLARE_DYNAMIC(CScrollBar)
public:
    CScrollBar() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetScrollPos() const noexcept { return ::GetScrollPos(m_hWnd, SB_CTL); }
    int SetScrollPos(int nPos, BOOL bRedraw = TRUE) noexcept { return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw); }
    void GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const noexcept;
    void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE) noexcept { ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw); }
    void ShowScrollBar(BOOL bShow = TRUE) noexcept { ::ShowScrollBar(m_hWnd, SB_CTL, bShow); }
    BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH) noexcept { return ::EnableScrollBar(m_hWnd, SB_CTL, nArrowFlags); }
    BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE) noexcept;
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL) noexcept;
    // The largest position the thumb can reach (maximum - page + 1, not below the minimum).
    int GetScrollLimit() noexcept;
};

// ---------------------------------------------------------------------------------------------

class CImageList : public CObject {
    DECLARE_DYNAMIC(CImageList)
public:
    CImageList() noexcept : m_hImageList(NULL) {}
    ~CImageList() override;          // ImageList_Destroy of a held list

    HIMAGELIST m_hImageList;

    operator HIMAGELIST() const noexcept { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const noexcept;   // NULL also through a NULL pointer
    static CImageList* FromHandle(HIMAGELIST hImageList) noexcept;
    static void DeleteTempMap() noexcept;
    BOOL Attach(HIMAGELIST hImageList) noexcept;
    HIMAGELIST Detach() noexcept;
    BOOL DeleteImageList() noexcept;

    // nFlags: ILC_COLOR* | ILC_MASK ...
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) noexcept;
    // From a bitmap strip in the resources, images cx wide; crMask marks the transparent
    // colour (CLR_NONE: none).
    BOOL Create(UINT nBitmapID, int cx, int nGrow, COLORREF crMask) noexcept;
    BOOL Create(LPCSTR lpszBitmapID, int cx, int nGrow, COLORREF crMask) noexcept;

    int GetImageCount() const noexcept { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }
    // The index of the first image added, -1 on failure.
    int Add(CBitmap* pbmImage, CBitmap* pbmMask) noexcept;
    int Add(CBitmap* pbmImage, COLORREF crMask) noexcept;
    int Add(HICON hIcon) noexcept { return m_hImageList ? ImageList_ReplaceIcon(m_hImageList, -1, hIcon) : -1; }
    BOOL Replace(int nImage, CBitmap* pbmImage, CBitmap* pbmMask) noexcept;
    int Replace(int nImage, HICON hIcon) noexcept { return m_hImageList ? ImageList_ReplaceIcon(m_hImageList, nImage, hIcon) : -1; }
    // -1 removes every image.
    BOOL Remove(int nImage) noexcept { return m_hImageList ? ImageList_Remove(m_hImageList, nImage) : FALSE; }
    BOOL Draw(CDC* pDC, int nImage, POINT pt, UINT nStyle) noexcept;
    // A new icon the caller destroys (DestroyIcon).
    HICON ExtractIcon(int nImage) noexcept { return m_hImageList ? ImageList_GetIcon(m_hImageList, nImage, ILD_NORMAL) : NULL; }
    COLORREF SetBkColor(COLORREF cr) noexcept { return m_hImageList ? ImageList_SetBkColor(m_hImageList, cr) : CLR_NONE; }
    COLORREF GetBkColor() const noexcept { return m_hImageList ? ImageList_GetBkColor(m_hImageList) : CLR_NONE; }
    BOOL GetImageInfo(int nImage, IMAGEINFO* pImageInfo) const noexcept
    { return m_hImageList && pImageInfo ? ImageList_GetImageInfo(m_hImageList, nImage, pImageInfo) : FALSE; }
    BOOL GetIconSize(int* cx, int* cy) const noexcept
    { return m_hImageList && cx && cy ? ImageList_GetIconSize(m_hImageList, cx, cy) : FALSE; }
};

// ---------------------------------------------------------------------------------------------

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    CListCtrl() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetItemCount() const noexcept { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT, 0, 0)); }
    void SetItemCount(int nItems) noexcept { SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(nItems), 0); }
    BOOL SetItemCountEx(int iCount, DWORD dwFlags = LVSICF_NOINVALIDATEALL) noexcept
    { return static_cast<BOOL>(SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(iCount), static_cast<LPARAM>(dwFlags))); }

    // Columns. nWidth -1 leaves the width to the control; nSubItem -1 leaves it unset.
    int InsertColumn(int nCol, const LVCOLUMNA* pColumn) noexcept
    { return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(pColumn))); }
    int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1, int nSubItem = -1) noexcept;
    BOOL DeleteColumn(int nCol) noexcept { return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(nCol), 0)); }
    BOOL GetColumn(int nCol, LVCOLUMNA* pColumn) const noexcept
    { return static_cast<BOOL>(SendMessage(LVM_GETCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(pColumn))); }
    BOOL SetColumn(int nCol, const LVCOLUMNA* pColumn) noexcept
    { return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNA, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(pColumn))); }
    int GetColumnWidth(int nCol) const noexcept { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(nCol), 0)); }
    BOOL SetColumnWidth(int nCol, int cx) noexcept { return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nCol), MAKELPARAM(cx, 0))); }
    CHeaderCtrl* GetHeaderCtrl() const noexcept;

    // Items; the result of InsertItem is the new item's index or -1.
    int InsertItem(const LVITEMA* pItem) noexcept
    { return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(pItem))); }
    int InsertItem(int nItem, LPCSTR lpszItem) noexcept;
    int InsertItem(int nItem, LPCSTR lpszItem, int nImage) noexcept;
    int InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam) noexcept;
    BOOL DeleteItem(int nItem) noexcept { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(nItem), 0)); }
    BOOL DeleteAllItems() noexcept { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS, 0, 0)); }
    BOOL GetItem(LVITEMA* pItem) const noexcept { return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(pItem))); }
    BOOL SetItem(const LVITEMA* pItem) noexcept { return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(pItem))); }
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText) noexcept;
    // Into a buffer of nLen bytes (terminated when nLen >= 1); the result is the length.
    int GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const noexcept;
    CString GetItemText(int nItem, int nSubItem) const noexcept;
    DWORD_PTR GetItemData(int nItem) const noexcept;
    BOOL SetItemData(int nItem, DWORD_PTR dwData) noexcept;
    UINT GetItemState(int nItem, UINT nMask) const noexcept
    { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(nItem), static_cast<LPARAM>(nMask))); }
    // nItem -1: every item.
    BOOL SetItemState(int nItem, UINT nState, UINT nMask) noexcept;
    BOOL SetItemState(int nItem, LVITEMA* pItem) noexcept
    { return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pItem))); }
    // The next item after nItem (-1: from the start) with the LVNI_ flags, or -1.
    int GetNextItem(int nItem, int nFlags) const noexcept
    { return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), MAKELPARAM(nFlags, 0))); }
    UINT GetSelectedCount() const noexcept { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT, 0, 0)); }
    int GetSelectionMark() const noexcept { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK, 0, 0)); }
    int SetSelectionMark(int iIndex) noexcept { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, iIndex)); }
    BOOL EnsureVisible(int nItem, BOOL bPartialOK) noexcept
    { return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(nItem), bPartialOK)); }
    BOOL GetItemRect(int nItem, LPRECT lpRect, UINT nCode) const noexcept;
    int HitTest(CPoint pt, UINT* pFlags = NULL) const noexcept;
    int GetTopIndex() const noexcept { return static_cast<int>(SendMessage(LVM_GETTOPINDEX, 0, 0)); }
    int GetCountPerPage() const noexcept { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE, 0, 0)); }
    BOOL RedrawItems(int nFirst, int nLast) noexcept
    { return static_cast<BOOL>(SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(nFirst), nLast)); }
    BOOL Update(int nItem) noexcept { return static_cast<BOOL>(SendMessage(LVM_UPDATE, static_cast<WPARAM>(nItem), 0)); }
    BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) noexcept
    { return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, dwData, reinterpret_cast<LPARAM>(pfnCompare))); }

    // nImageList: LVSIL_NORMAL, LVSIL_SMALL or LVSIL_STATE; the result is the list before.
    CImageList* GetImageList(int nImageList) const noexcept;
    CImageList* SetImageList(CImageList* pImageList, int nImageListType) noexcept;
    DWORD GetExtendedStyle() const noexcept { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); }
    DWORD SetExtendedStyle(DWORD dwNewStyle) noexcept
    { return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(dwNewStyle))); }
    COLORREF GetBkColor() const noexcept { return static_cast<COLORREF>(SendMessage(LVM_GETBKCOLOR, 0, 0)); }
    BOOL SetBkColor(COLORREF cr) noexcept { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(cr))); }
    COLORREF GetTextColor() const noexcept { return static_cast<COLORREF>(SendMessage(LVM_GETTEXTCOLOR, 0, 0)); }
    BOOL SetTextColor(COLORREF cr) noexcept { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(cr))); }
    COLORREF GetTextBkColor() const noexcept { return static_cast<COLORREF>(SendMessage(LVM_GETTEXTBKCOLOR, 0, 0)); }
    BOOL SetTextBkColor(COLORREF cr) noexcept { return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(cr))); }
};

class CTreeCtrl : public CWnd {
    DECLARE_DYNAMIC(CTreeCtrl)
public:
    CTreeCtrl() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    HTREEITEM InsertItem(LPTVINSERTSTRUCTA lpInsertStruct) noexcept
    { return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(lpInsertStruct))); }
    HTREEITEM InsertItem(LPCSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST) noexcept;
    HTREEITEM InsertItem(LPCSTR lpszItem, int nImage, int nSelectedImage,
                         HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST) noexcept;
    HTREEITEM InsertItem(UINT nMask, LPCSTR lpszItem, int nImage, int nSelectedImage, UINT nState,
                         UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) noexcept;
    BOOL DeleteItem(HTREEITEM hItem) noexcept { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(hItem))); }
    BOOL DeleteAllItems() noexcept { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT))); }
    UINT GetCount() const noexcept { return static_cast<UINT>(SendMessage(TVM_GETCOUNT, 0, 0)); }

    // nCode: TVGN_NEXT, TVGN_CHILD, TVGN_PARENT, TVGN_CARET, ...
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const noexcept
    { return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem))); }
    HTREEITEM GetChildItem(HTREEITEM hItem) const noexcept { return GetNextItem(hItem, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const noexcept { return GetNextItem(hItem, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM hItem) const noexcept { return GetNextItem(hItem, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM hItem) const noexcept { return GetNextItem(hItem, TVGN_PARENT); }
    HTREEITEM GetRootItem() const noexcept { return GetNextItem(NULL, TVGN_ROOT); }
    HTREEITEM GetSelectedItem() const noexcept { return GetNextItem(NULL, TVGN_CARET); }
    HTREEITEM GetFirstVisibleItem() const noexcept { return GetNextItem(NULL, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM hItem) const noexcept { return GetNextItem(hItem, TVGN_NEXTVISIBLE); }
    BOOL ItemHasChildren(HTREEITEM hItem) const noexcept;

    BOOL GetItem(TVITEMA* pItem) const noexcept { return static_cast<BOOL>(SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(pItem))); }
    BOOL SetItem(TVITEMA* pItem) noexcept { return static_cast<BOOL>(SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(pItem))); }
    CString GetItemText(HTREEITEM hItem) const noexcept;
    BOOL SetItemText(HTREEITEM hItem, LPCSTR lpszItem) noexcept;
    DWORD_PTR GetItemData(HTREEITEM hItem) const noexcept;
    BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData) noexcept;
    UINT GetItemState(HTREEITEM hItem, UINT nStateMask) const noexcept;
    BOOL SetItemState(HTREEITEM hItem, UINT nState, UINT nStateMask) noexcept;
    BOOL GetItemImage(HTREEITEM hItem, int& nImage, int& nSelectedImage) const noexcept;
    BOOL SetItemImage(HTREEITEM hItem, int nImage, int nSelectedImage) noexcept;
    // With bTextOnly the rectangle of the label alone.
    BOOL GetItemRect(HTREEITEM hItem, LPRECT lpRect, BOOL bTextOnly) const noexcept;

    // nCode: TVE_EXPAND, TVE_COLLAPSE, TVE_TOGGLE ...
    BOOL Expand(HTREEITEM hItem, UINT nCode) noexcept
    { return static_cast<BOOL>(SendMessage(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem))); }
    BOOL Select(HTREEITEM hItem, UINT nCode) noexcept
    { return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, nCode, reinterpret_cast<LPARAM>(hItem))); }
    BOOL SelectItem(HTREEITEM hItem) noexcept { return Select(hItem, TVGN_CARET); }
    BOOL EnsureVisible(HTREEITEM hItem) noexcept { return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hItem))); }
    HTREEITEM HitTest(CPoint pt, UINT* pFlags = NULL) const noexcept;
    BOOL SortChildren(HTREEITEM hItem) noexcept { return static_cast<BOOL>(SendMessage(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(hItem))); }
    UINT GetIndent() const noexcept { return static_cast<UINT>(SendMessage(TVM_GETINDENT, 0, 0)); }
    void SetIndent(UINT nIndent) noexcept { SendMessage(TVM_SETINDENT, nIndent, 0); }

    // nImageList: TVSIL_NORMAL or TVSIL_STATE; the result is the list before.
    CImageList* GetImageList(int nImageList) const noexcept;
    CImageList* SetImageList(CImageList* pImageList, int nImageListType) noexcept;
};

class CHeaderCtrl : public CWnd {
    DECLARE_DYNAMIC(CHeaderCtrl)
public:
    CHeaderCtrl() noexcept {}
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    int GetItemCount() const noexcept { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT, 0, 0)); }
    int InsertItem(int nPos, HDITEMA* phdi) noexcept
    { return static_cast<int>(SendMessage(HDM_INSERTITEMA, static_cast<WPARAM>(nPos), reinterpret_cast<LPARAM>(phdi))); }
    BOOL DeleteItem(int nPos) noexcept { return static_cast<BOOL>(SendMessage(HDM_DELETEITEM, static_cast<WPARAM>(nPos), 0)); }
    BOOL GetItem(int nPos, HDITEMA* pHeaderItem) const noexcept
    { return static_cast<BOOL>(SendMessage(HDM_GETITEMA, static_cast<WPARAM>(nPos), reinterpret_cast<LPARAM>(pHeaderItem))); }
    BOOL SetItem(int nPos, HDITEMA* pHeaderItem) noexcept
    { return static_cast<BOOL>(SendMessage(HDM_SETITEMA, static_cast<WPARAM>(nPos), reinterpret_cast<LPARAM>(pHeaderItem))); }
    BOOL GetItemRect(int nIndex, LPRECT lpRect) const noexcept
    { return static_cast<BOOL>(SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect))); }
    BOOL Layout(HDLAYOUT* pHeaderLayout) noexcept { return static_cast<BOOL>(SendMessage(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(pHeaderLayout))); }
    int OrderToIndex(int nOrder) const noexcept { return static_cast<int>(SendMessage(HDM_ORDERTOINDEX, static_cast<WPARAM>(nOrder), 0)); }
    CImageList* GetImageList() const noexcept;
    CImageList* SetImageList(CImageList* pImageList) noexcept;
};

// ---------------------------------------------------------------------------------------------

class CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)
public:
    CMenu() noexcept : m_hMenu(NULL) {}
    ~CMenu() override;               // DestroyMenu of a held menu; Detach one that must stay

    HMENU m_hMenu;

    operator HMENU() const noexcept { return m_hMenu; }
    HMENU GetSafeHmenu() const noexcept;   // NULL also through a NULL pointer
    static CMenu* FromHandle(HMENU hMenu) noexcept;
    static void DeleteTempMap() noexcept;
    BOOL Attach(HMENU hMenu) noexcept;
    HMENU Detach() noexcept;

    BOOL CreateMenu() noexcept { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() noexcept { return Attach(::CreatePopupMenu()); }
    // From the application's resource module.
    BOOL LoadMenu(LPCSTR lpszResourceName) noexcept;
    BOOL LoadMenu(UINT nIDResource) noexcept { return LoadMenu(MAKEINTRESOURCEA(nIDResource)); }
    BOOL LoadMenuIndirect(const void* lpMenuTemplate) noexcept
    { return lpMenuTemplate ? Attach(::LoadMenuIndirectA(lpMenuTemplate)) : FALSE; }
    BOOL DestroyMenu() noexcept;

    // nIDNewItem is a command id, or the HMENU of a popup with MF_POPUP.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL) noexcept
    { return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem); }
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const CBitmap* pBmp) noexcept;
    BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL) noexcept
    { return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem); }
    BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = NULL) noexcept
    { return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem); }
    BOOL DeleteMenu(UINT nPosition, UINT nFlags) noexcept { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
    BOOL RemoveMenu(UINT nPosition, UINT nFlags) noexcept { return ::RemoveMenu(m_hMenu, nPosition, nFlags); }
    // The previous state, or (UINT)-1 when the item does not exist.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) noexcept { return ::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable); }
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck) noexcept { return ::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }
    BOOL CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags) noexcept
    { return ::CheckMenuRadioItem(m_hMenu, nIDFirst, nIDLast, nIDItem, nFlags); }
    UINT GetMenuState(UINT nID, UINT nFlags) const noexcept { return ::GetMenuState(m_hMenu, nID, nFlags); }
    int GetMenuItemCount() const noexcept { return ::GetMenuItemCount(m_hMenu); }
    // (UINT)-1 for a popup item, 0 for a separator.
    UINT GetMenuItemID(int nPos) const noexcept { return ::GetMenuItemID(m_hMenu, nPos); }
    // Into a buffer of nMaxCount bytes; the result is the length copied.
    int GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const noexcept;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const noexcept;
    CMenu* GetSubMenu(int nPos) const noexcept { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }
    BOOL SetMenuItemBitmaps(UINT nPosition, UINT nFlags, const CBitmap* pBmpUnchecked, const CBitmap* pBmpChecked) noexcept;
    BOOL GetMenuItemInfo(UINT uItem, LPMENUITEMINFOA lpMenuItemInfo, BOOL fByPos = FALSE) noexcept
    { return ::GetMenuItemInfoA(m_hMenu, uItem, fByPos, lpMenuItemInfo); }
    BOOL SetMenuItemInfo(UINT uItem, LPMENUITEMINFOA lpMenuItemInfo, BOOL fByPos = FALSE) noexcept
    { return ::SetMenuItemInfoA(m_hMenu, uItem, fByPos, lpMenuItemInfo); }
    // With TPM_RETURNCMD the chosen command (0 for none); otherwise success.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = NULL) noexcept;
};
