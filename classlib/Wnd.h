// CWnd: a C++ object attached to a window handle, with the message map dispatch.
//
// Creating dialogs and other windows made by Win32 on the object's behalf: call
// AfxHookWindowCreate(this) immediately before the creating call (CreateWindowEx,
// DialogBoxIndirectParamA, CreateDialogIndirectParamA, ...) and AfxUnhookWindowCreate()
// immediately after it returns. The next window created on this thread is attached to the
// object (permanent handle map) and subclassed with the library's window procedure before
// it receives its first message, so WM_NCCREATE, WM_CREATE, WM_SETFONT and WM_INITDIALOG
// reach the message map; the object's Default()/DefWindowProc() call the procedure the window
// had before (for a dialog, the system's dialog procedure). For a modal dialog pass a
// DLGPROC that returns FALSE for every message (AfxDlgProcPassThrough below): WM_INITDIALOG
// is then answered by the message map, whose result the subclass procedure returns to the
// dialog manager (TRUE lets it set the focus). AfxUnhookWindowCreate() returns true when the
// hook did attach a window; after a modal dialog returns, the window is already destroyed and
// detached again (PostNcDestroy ran), so the object can be reused.
//
// The handle maps do not use GWLP_USERDATA or the window's extra bytes: the program's own
// windows use them.
#pragma once
#include <windows.h>
#include "classlib/CmdTarget.h"
#include "classlib/Geometry.h"
#include "classlib/String.h"

class CFrameWnd;
class CScrollBar;
class CDC;
class CCreateContext;

struct AFX_SIZEPARENTPARAMS {
    HDWP hDWP;       // deferred positioning, or null to move at once
    RECT rect;       // the room left; each bar takes its part from an edge
    SIZE sizeTotal;  // the bars' total size, for the layout query
    BOOL bStretch;   // bars stretch over the whole width or height
};

// CWnd::RepositionBars flags.
enum { reposDefault = 0, reposQuery = 1, reposExtra = 2, reposNoPosLeftOver = 0x8000 };

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd() noexcept {}
    // A window still attached is destroyed with its object (DestroyWindow).
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    operator HWND() const noexcept { return m_hWnd; }
    bool operator==(const CWnd& other) const noexcept { return other.m_hWnd == m_hWnd; }
    bool operator!=(const CWnd& other) const noexcept { return other.m_hWnd != m_hWnd; }
    // Safe on a null object pointer (then null), the common way of asking "is it there".
    HWND GetSafeHwnd() const noexcept;

    // --- handle maps
    // The object attached to hWnd; for a window without one, a temporary object that lives
    // until the thread's next idle time (or DeleteTempMap). Null for a null handle.
    static CWnd* FromHandle(HWND hWnd) noexcept;
    static CWnd* FromHandlePermanent(HWND hWnd) noexcept;
    // Frees this thread's temporary objects.
    static void DeleteTempMap() noexcept;

    BOOL Attach(HWND hWndNew) noexcept;
    HWND Detach() noexcept;
    // Attaches and puts the library's window procedure in front of the window's own.
    BOOL SubclassWindow(HWND hWnd) noexcept;
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent) noexcept;
    HWND UnsubclassWindow() noexcept;

    // --- creation and destruction
    // Without a class name the library's default class ("SektorlupeWnd") is used.
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID,
                        CCreateContext* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName,
                          DWORD dwStyle, int x, int y, int nWidth, int nHeight,
                          HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();

    // --- overridables
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    virtual void PreSubclassWindow();
    // After WM_NCDESTROY, with the window already detached: frames and views delete
    // themselves here.
    virtual void PostNcDestroy();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // A notification the parent received about this control, offered here first.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual CScrollBar* GetScrollBarCtrl(int nBar) const;
    enum AdjustType { adjustBorder = 0, adjustOutside = 1 };
    virtual void CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType = adjustBorder);
    virtual BOOL IsFrameWnd() const;

    // The current message passed on to the previous window procedure.
    LRESULT Default();
    // Offers pMsg to PreTranslateMessage of its window and then of each parent, up to and
    // including hWndStop; TRUE as soon as one of them took it.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
    // Runs the update handlers of pTarget's route for every child control (push buttons
    // without a handler are disabled when bDisableIfNoHndler is set).
    void UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
    // The message being handled on this thread (its time and position as GetMessage gave).
    static const MSG* GetCurrentMessage() noexcept;

    // --- relatives
    CWnd* GetParent() const noexcept { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* SetParent(CWnd* pWndNewParent) noexcept
    {
        return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
    }
    CWnd* GetOwner() const noexcept;
    void SetOwner(CWnd* pOwnerWnd) noexcept { m_hWndOwner = pOwnerWnd ? pOwnerWnd->m_hWnd : nullptr; }
    // The nearest frame among the parents (not this window itself), or null.
    CFrameWnd* GetParentFrame() const noexcept;
    CFrameWnd* GetTopLevelFrame() const noexcept;
    CWnd* GetTopLevelParent() const noexcept;
    CWnd* GetParentOwner() const noexcept;
    BOOL IsChild(const CWnd* pWnd) const noexcept { return pWnd && ::IsChild(m_hWnd, pWnd->m_hWnd); }
    CWnd* GetDlgItem(int nID) const noexcept { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
    void GetDlgItem(int nID, HWND* phWnd) const noexcept { if (phWnd) *phWnd = ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const noexcept { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) noexcept
    {
        return static_cast<int>(::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID));
    }
    // A child (at any depth) with this id, or null.
    CWnd* GetDescendantWindow(int nID, BOOL bOnlyPerm = FALSE) const noexcept;
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                                  BOOL bDeep = TRUE, BOOL bOnlyPerm = FALSE) noexcept;
    CWnd* GetWindow(UINT nCmd) const noexcept { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
    CWnd* GetTopWindow() const noexcept { return FromHandle(::GetTopWindow(m_hWnd)); }
    CWnd* GetLastActivePopup() const noexcept { return FromHandle(::GetLastActivePopup(m_hWnd)); }
    static CWnd* GetDesktopWindow() noexcept { return FromHandle(::GetDesktopWindow()); }
    static CWnd* GetActiveWindow() noexcept { return FromHandle(::GetActiveWindow()); }
    static CWnd* GetForegroundWindow() noexcept { return FromHandle(::GetForegroundWindow()); }
    static CWnd* FindWindow(LPCSTR cls, LPCSTR name) noexcept { return FromHandle(::FindWindowA(cls, name)); }
    static CWnd* WindowFromPoint(POINT pt) noexcept { return FromHandle(::WindowFromPoint(pt)); }
    CWnd* ChildWindowFromPoint(POINT pt) const noexcept { return FromHandle(::ChildWindowFromPoint(m_hWnd, pt)); }

    // --- dialog items
    void SetDlgItemText(int nID, LPCSTR text) noexcept { ::SetDlgItemTextA(m_hWnd, nID, text ? text : ""); }
    int GetDlgItemText(int nID, LPSTR buffer, int maxCount) const noexcept;
    int GetDlgItemText(int nID, CString& text) const noexcept;
    void SetDlgItemInt(int nID, UINT value, BOOL bSigned = TRUE) noexcept { ::SetDlgItemInt(m_hWnd, nID, value, bSigned); }
    UINT GetDlgItemInt(int nID, BOOL* pTrans = nullptr, BOOL bSigned = TRUE) const noexcept
    {
        return ::GetDlgItemInt(m_hWnd, nID, pTrans, bSigned);
    }
    void CheckDlgButton(int nID, UINT nCheck) noexcept { ::CheckDlgButton(m_hWnd, nID, nCheck); }
    void CheckRadioButton(int first, int last, int check) noexcept { ::CheckRadioButton(m_hWnd, first, last, check); }
    UINT IsDlgButtonChecked(int nID) const noexcept { return ::IsDlgButtonChecked(m_hWnd, nID); }
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept
    {
        return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
    }
    CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const noexcept
    {
        return FromHandle(::GetNextDlgTabItem(m_hWnd, pWndCtl ? pWndCtl->m_hWnd : nullptr, bPrevious));
    }
    CWnd* GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const noexcept
    {
        return FromHandle(::GetNextDlgGroupItem(m_hWnd, pWndCtl ? pWndCtl->m_hWnd : nullptr, bPrevious));
    }

    // --- text
    void SetWindowText(LPCSTR text) noexcept { ::SetWindowTextA(m_hWnd, text ? text : ""); }
    int GetWindowText(LPSTR buffer, int maxCount) const noexcept;
    void GetWindowText(CString& text) const noexcept;
    int GetWindowTextLength() const noexcept { return ::GetWindowTextLengthA(m_hWnd); }

    // --- geometry
    void GetClientRect(LPRECT rect) const noexcept { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(LPRECT rect) const noexcept { ::GetWindowRect(m_hWnd, rect); }
    void ClientToScreen(LPPOINT pt) const noexcept { ::ClientToScreen(m_hWnd, pt); }
    void ClientToScreen(LPRECT rect) const noexcept { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(rect), 2); }
    void ScreenToClient(LPPOINT pt) const noexcept { ::ScreenToClient(m_hWnd, pt); }
    void ScreenToClient(LPRECT rect) const noexcept { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(rect), 2); }
    void MapWindowPoints(CWnd* pwndTo, LPPOINT pts, UINT count) const noexcept
    {
        ::MapWindowPoints(m_hWnd, pwndTo ? pwndTo->m_hWnd : nullptr, pts, count);
    }
    void MapWindowPoints(CWnd* pwndTo, LPRECT rect) const noexcept
    {
        ::MapWindowPoints(m_hWnd, pwndTo ? pwndTo->m_hWnd : nullptr, reinterpret_cast<LPPOINT>(rect), 2);
    }
    void MoveWindow(int x, int y, int w, int h, BOOL bRepaint = TRUE) noexcept { ::MoveWindow(m_hWnd, x, y, w, h, bRepaint); }
    void MoveWindow(LPCRECT rect, BOOL bRepaint = TRUE) noexcept
    {
        if (rect)
            ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, bRepaint);
    }
    // pWndInsertAfter: a window, or &wndTop, &wndBottom, &wndTopMost, &wndNoTopMost.
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) noexcept;
    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;
    BOOL GetWindowPlacement(WINDOWPLACEMENT* wp) const noexcept { wp->length = sizeof(*wp); return ::GetWindowPlacement(m_hWnd, wp); }
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* wp) noexcept { return ::SetWindowPlacement(m_hWnd, wp); }
    // Centres on the owner (or pAlternateOwner), or on the work area without one.
    void CenterWindow(CWnd* pAlternateOwner = nullptr) noexcept;
    BOOL IsIconic() const noexcept { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const noexcept { return ::IsZoomed(m_hWnd); }

    // --- state
    BOOL ShowWindow(int nCmdShow) noexcept { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const noexcept { return ::IsWindowVisible(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) noexcept { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const noexcept { return ::IsWindowEnabled(m_hWnd); }
    DWORD GetStyle() const noexcept { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const noexcept { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)); }
    // nFlags: SetWindowPos flags to apply the new frame style (0: none).
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) noexcept;
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) noexcept;
    static BOOL ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) noexcept;
    static BOOL ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) noexcept;
    BOOL SetForegroundWindow() noexcept { return ::SetForegroundWindow(m_hWnd); }
    void BringWindowToTop() noexcept { ::BringWindowToTop(m_hWnd); }
    CWnd* SetActiveWindow() noexcept { return FromHandle(::SetActiveWindow(m_hWnd)); }

    // --- painting
    void Invalidate(BOOL bErase = TRUE) noexcept { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(LPCRECT rect, BOOL bErase = TRUE) noexcept { ::InvalidateRect(m_hWnd, rect, bErase); }
    void InvalidateRgn(HRGN rgn, BOOL bErase = TRUE) noexcept { ::InvalidateRgn(m_hWnd, rgn, bErase); }
    void ValidateRect(LPCRECT rect) noexcept { ::ValidateRect(m_hWnd, rect); }
    void UpdateWindow() noexcept { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT rect = nullptr, HRGN rgn = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) noexcept
    {
        return ::RedrawWindow(m_hWnd, rect, rgn, flags);
    }
    BOOL GetUpdateRect(LPRECT rect, BOOL bErase = FALSE) noexcept { return ::GetUpdateRect(m_hWnd, rect, bErase); }
    void SetRedraw(BOOL bRedraw = TRUE) noexcept { ::SendMessageA(m_hWnd, WM_SETREDRAW, bRedraw, 0); }
    // Device contexts as handles; CClientDC/CWindowDC wrap them.
    HDC GetDC() noexcept { return ::GetDC(m_hWnd); }
    HDC GetWindowDC() noexcept { return ::GetWindowDC(m_hWnd); }
    int ReleaseDC(HDC hDC) noexcept { return ::ReleaseDC(m_hWnd, hDC); }
    void ScrollWindow(int dx, int dy, LPCRECT lpRect = nullptr, LPCRECT lpClipRect = nullptr) noexcept
    {
        ::ScrollWindow(m_hWnd, dx, dy, lpRect, lpClipRect);
    }
    int ScrollWindowEx(int dx, int dy, LPCRECT lpRectScroll, LPCRECT lpRectClip, HRGN hrgnUpdate,
                       LPRECT lpRectUpdate, UINT flags) noexcept
    {
        return ::ScrollWindowEx(m_hWnd, dx, dy, lpRectScroll, lpRectClip, hrgnUpdate, lpRectUpdate, flags);
    }

    // --- fonts (the handle; CFont wraps it)
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE) noexcept
    {
        ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
    }
    HFONT GetFont() const noexcept { return reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)); }

    // --- timers, focus, capture, caret
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC proc = nullptr) noexcept
    {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, proc);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) noexcept { return ::KillTimer(m_hWnd, nIDEvent); }
    CWnd* SetFocus() noexcept { return FromHandle(::SetFocus(m_hWnd)); }
    static CWnd* GetFocus() noexcept { return FromHandle(::GetFocus()); }
    CWnd* SetCapture() noexcept { return FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* GetCapture() noexcept { return FromHandle(::GetCapture()); }
    static BOOL ReleaseCapture() noexcept { return ::ReleaseCapture(); }
    void CreateSolidCaret(int nWidth, int nHeight) noexcept { ::CreateCaret(m_hWnd, nullptr, nWidth, nHeight); }
    void CreateGrayCaret(int nWidth, int nHeight) noexcept
    {
        ::CreateCaret(m_hWnd, reinterpret_cast<HBITMAP>(1), nWidth, nHeight);
    }
    void CreateCaret(HBITMAP hBitmap) noexcept { ::CreateCaret(m_hWnd, hBitmap, 0, 0); }
    void ShowCaret() noexcept { ::ShowCaret(m_hWnd); }
    void HideCaret() noexcept { ::HideCaret(m_hWnd); }
    static void SetCaretPos(POINT pt) noexcept { ::SetCaretPos(pt.x, pt.y); }
    static CPoint GetCaretPos() noexcept { POINT pt = {0, 0}; ::GetCaretPos(&pt); return CPoint(pt); }

    // --- scroll bars (the window's own; a derived class may name a scroll bar control
    // instead through GetScrollBarCtrl)
    int SetScrollInfo(int nBar, LPSCROLLINFO info, BOOL bRedraw = TRUE) noexcept;
    BOOL GetScrollInfo(int nBar, LPSCROLLINFO info, UINT nMask = SIF_ALL) noexcept;
    int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE) noexcept;
    int GetScrollPos(int nBar) const noexcept;
    void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE) noexcept;
    void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const noexcept;
    int GetScrollLimit(int nBar) noexcept;
    void ShowScrollBar(UINT nBar, BOOL bShow = TRUE) noexcept { ::ShowScrollBar(m_hWnd, nBar, bShow); }
    BOOL EnableScrollBar(int nSBFlags, UINT nArrowFlags = ESB_ENABLE_BOTH) noexcept
    {
        return ::EnableScrollBar(m_hWnd, nSBFlags, nArrowFlags);
    }

    // --- messages
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }

    // --- menus (handles; CMenu wraps them)
    HMENU GetMenu() const noexcept { return ::GetMenu(m_hWnd); }
    BOOL SetMenu(HMENU hMenu) noexcept { return ::SetMenu(m_hWnd, hMenu); }
    void DrawMenuBar() noexcept { ::DrawMenuBar(m_hWnd); }
    HMENU GetSystemMenu(BOOL bRevert) const noexcept { return ::GetSystemMenu(m_hWnd, bRevert); }

    // --- odds and ends
    // Caption null: the application's name.
    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK) noexcept;
    void DragAcceptFiles(BOOL bAccept = TRUE) noexcept { ::DragAcceptFiles(m_hWnd, bAccept); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) noexcept
    {
        return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL,
                                                      reinterpret_cast<LPARAM>(hIcon)));
    }
    BOOL IsWindow() const noexcept { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    BOOL FlashWindow(BOOL bInvert) noexcept { return ::FlashWindow(m_hWnd, bInvert); }

    // Lays out the control bars with ids nIDFirst..nIDLast (WM_SIZEPARENT) and gives the
    // rest to the child nIDLeftOver. reposQuery only computes lpRectParam (the room left).
    void RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlag = reposDefault,
                        LPRECT lpRectParam = nullptr, LPCRECT lpRectClient = nullptr,
                        BOOL bStretch = TRUE) noexcept;

    // --- default handlers (each passes the message on: Default())
protected:
    afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    afx_msg BOOL OnNcCreate(LPCREATESTRUCTA lpCreateStruct);
    afx_msg void OnDestroy();
    // Passes the message on, detaches the window and calls PostNcDestroy.
    afx_msg void OnNcDestroy();
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnSizing(UINT fwSide, LPRECT pRect);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnKillFocus(CWnd* pNewWnd);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnSysChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnRButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnMButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnMButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnXButtonDown(UINT nFlags, UINT nButton, CPoint point);
    afx_msg void OnXButtonUp(UINT nFlags, UINT nButton, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    afx_msg int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnInitMenu(CMenu* pMenu);
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    afx_msg void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    afx_msg void OnEnterMenuLoop(BOOL bIsTrackPopupMenu);
    afx_msg void OnExitMenuLoop(BOOL bIsTrackPopupMenu);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnNcPaint();
    afx_msg void OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* lpncsp);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnNcLButtonUp(UINT nHitTest, CPoint point);
    afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
    afx_msg void OnNcRButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnNcMouseMove(UINT nHitTest, CPoint point);
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus);
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    afx_msg void OnActivateApp(BOOL bActive, DWORD dwThreadID);
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    afx_msg void OnCaptureChanged(CWnd* pWnd);
    afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    afx_msg void OnWindowPosChanged(WINDOWPOS* lpwndpos);
    afx_msg void OnSettingChange(UINT uFlags, LPCSTR lpszSection);
    afx_msg void OnSysColorChange();
    afx_msg UINT OnGetDlgCode();
    afx_msg void OnEnterIdle(UINT nWhy, CWnd* pWho);
    afx_msg void OnEnable(BOOL bEnable);
    afx_msg void OnCancelMode();
    afx_msg void OnStyleChanged(int nStyleType, LPSTYLESTRUCT lpStyleStruct);
    afx_msg void OnStyleChanging(int nStyleType, LPSTYLESTRUCT lpStyleStruct);
    afx_msg void OnExitSizeMove();
    afx_msg void OnEnterSizeMove();
    afx_msg BOOL OnHelpInfo(HELPINFO* pHelpInfo);
    afx_msg BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
    afx_msg BOOL OnQueryEndSession();
    afx_msg void OnEndSession(BOOL bEnding);
    afx_msg void OnParentNotify(UINT message, LPARAM lParam);

    // WM_DELETEITEM, WM_COMPAREITEM, WM_VKEYTOITEM, WM_CHARTOITEM: offered to the control.
    afx_msg LRESULT OnReflectedOwnerMessage(WPARAM wParam, LPARAM lParam);

    // The message passed to the child's object for OnChildNotify; TRUE when it took it.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);

    WNDPROC m_pfnSuper = nullptr;   // the window's procedure before the library's
    HWND m_hWndOwner = nullptr;     // owner set with SetOwner (bars notify it)

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT AfxCallWndProc(CWnd*, HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);
    friend class CHandleMapAccess;

private:
    // Only for the insert-after markers (wndTop and its siblings).
    explicit CWnd(HWND marker) noexcept : m_hWnd(marker) {}

protected:

    DECLARE_MESSAGE_MAP()
};

// The library's window procedure: looks the object up in the permanent map and calls its
// WindowProc.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Moves hWnd to lpRect (parent client coordinates) as part of the layout: deferred when
// the layout has a deferred-positioning handle, else at once.
void AfxRepositionWindow(AFX_SIZEPARENTPARAMS* lpLayout, HWND hWnd, LPCRECT lpRect);

// The creation hook (see the note at the top).
void AfxHookWindowCreate(CWnd* pWnd);
bool AfxUnhookWindowCreate();

// A DLGPROC for dialogs whose object handles WM_INITDIALOG through the subclass.
INT_PTR CALLBACK AfxDlgProcPassThrough(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) a window class with these attributes and the procedure DefWindowProc
// and returns its name, valid for the life of the process; null when registration fails.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr,
                           HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);
// The class of frames and views: double clicks, redrawn when sized, arrow cursor, window
// background.
LPCSTR AfxRegisterDocumentWndClass();

// Another temporary map (menus, device contexts, GDI objects) freed with the windows' one
// at idle time: the function is called on the thread whose temporaries are due.
void AfxRegisterTempMapCleanup(void (*cleanup)());
// Frees the temporary objects of this thread (what the idle loop does).
void AfxDeleteTempMaps();

#include "classlib/WndMsgMap.h"
