// Control bars: windows that a frame lays out along its edges (toolbars, the status bar,
// the sizing bars). CControlBar keeps the bar style (CBRS_*), answers the frame's layout
// message WM_SIZEPARENT with its size, updates its items at idle time and passes the
// commands and notifications of its controls on to its owner. A docked bar lives in one of
// the frame's dock bars (m_pDockBar, see classlib/DockBar.h); its frame is m_pDockSite, and
// its dock context (made by EnableDocking) moves it between dock bars and floating frames.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <vector>
#include "classlib/AfxRes.h"
#include "classlib/Wnd.h"

class CFrameWnd;
class CDockBar;
class CDockContext;

// Bar styles (m_dwStyle); the window itself never gets them.
#define CBRS_ALIGN_LEFT     0x1000L
#define CBRS_ALIGN_TOP      0x2000L
#define CBRS_ALIGN_RIGHT    0x4000L
#define CBRS_ALIGN_BOTTOM   0x8000L
#define CBRS_ALIGN_ANY      0xF000L
#define CBRS_BORDER_LEFT    0x0100L
#define CBRS_BORDER_TOP     0x0200L
#define CBRS_BORDER_RIGHT   0x0400L
#define CBRS_BORDER_BOTTOM  0x0800L
#define CBRS_BORDER_ANY     0x0F00L
#define CBRS_TOOLTIPS       0x0010L
#define CBRS_FLYBY          0x0020L
#define CBRS_FLOAT_MULTI    0x0040L
#define CBRS_BORDER_3D      0x0080L
#define CBRS_HIDE_INPLACE   0x0008L
#define CBRS_SIZE_DYNAMIC   0x0004L
#define CBRS_SIZE_FIXED     0x0002L
#define CBRS_FLOATING       0x0001L
#define CBRS_GRIPPER        0x00400000L
#define CBRS_ORIENT_HORZ    (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)
#define CBRS_ORIENT_VERT    (CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT)
#define CBRS_ORIENT_ANY     (CBRS_ORIENT_HORZ | CBRS_ORIENT_VERT)
#define CBRS_ALL            0x0040FFFFL
#define CBRS_NOALIGN        0x00000000L
#define CBRS_LEFT           (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP            (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT          (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM         (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

// Layout modes of CalcDynamicLayout.
#define LM_STRETCH   0x01
#define LM_HORZ      0x02
#define LM_MRUWIDTH  0x04
#define LM_HORZDOCK  0x08
#define LM_VERTDOCK  0x10
#define LM_LENGTHY   0x20
#define LM_COMMIT    0x40

class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    ~CControlBar() override;

    // Items of the bar (panes, buttons).
    int GetCount() const noexcept { return m_nCount; }
    DWORD GetBarStyle() const noexcept { return m_dwStyle; }
    void SetBarStyle(DWORD dwStyle);
    void SetBorders(int cxLeft = 0, int cyTop = 0, int cxRight = 0, int cyBottom = 0) noexcept;
    void SetBorders(LPCRECT lpRect) noexcept;
    CRect GetBorders() const noexcept;
    // The frame whose layout holds the bar: its floating frame while it floats.
    CFrameWnd* GetDockingFrame() const;
    // In a floating frame's dock bar (or, for a dock bar, being one).
    BOOL IsFloating() const noexcept;
    // Sides the bar may be docked to (CBRS_ALIGN_*, plus CBRS_FLOAT_MULTI); any side makes
    // the dock context that drags it, 0 takes docking away.
    void EnableDocking(DWORD dwDockStyle);

    // --- overridables
    virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);
    virtual CSize CalcDynamicLayout(int nLength, DWORD nMode);
    // Updates the bar's items through pTarget's command route.
    virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) = 0;
    // Shows or hides at the next layout (ShowControlBar with bDelay).
    virtual void DelayShow(BOOL bShow);
    virtual BOOL IsVisible() const;
    // The style the layout should use, with a pending show or hide applied.
    virtual DWORD RecalcDelayShow(AFX_SIZEPARENTPARAMS* lpLayout);
    virtual BOOL IsDockBar() const;
    virtual void OnBarStyleChange(DWORD dwOldStyle, DWORD dwNewStyle);
    virtual void DoPaint(CDC* pDC);
    // The client area without the bar's borders.
    virtual void CalcInsideRect(CRect& rect, BOOL bHorz) const;
    // The status line for the item under the mouse (a command id), or back to the idle
    // message for -1; sent to the owner frame.
    virtual BOOL SetStatusText(INT_PTR nHit);
    // The command under the point (client coordinates) for tooltips and fly-by prompts, with
    // its rectangle in pTI->rect; -1 over nothing.
    virtual INT_PTR OnToolHitTest(CPoint point, TOOLINFOA* pTI) const;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    BOOL m_bAutoDelete = FALSE;   // delete the object with its window
    DWORD m_dwStyle = 0;          // CBRS_* bar style
    DWORD m_dwDockStyle = 0;
    CFrameWnd* m_pDockSite = nullptr;
    CDockBar* m_pDockBar = nullptr;
    CDockContext* m_pDockContext = nullptr;
    int m_cxLeftBorder = 6;
    int m_cxRightBorder = 6;
    int m_cyTopBorder = 1;
    int m_cyBottomBorder = 1;
    int m_cxDefaultGap = 2;
    int m_nMRUWidth = 32767;

protected:
    CControlBar() noexcept {}

    enum StateFlags { delayHide = 1, delayShow = 2 };
    UINT m_nStateFlags = 0;
    int m_nCount = 0;
    // Tooltips (CBRS_TOOLTIPS) and status-line prompts (CBRS_FLYBY) for the item under the
    // mouse: the bar's own tooltip window holds one tool, the item last hit.
    void TrackToolTips(UINT message, WPARAM wParam, LPARAM lParam);
    void DestroyToolTips();
    HWND m_hWndToolTip = nullptr;
    INT_PTR m_nToolHit = -1;

    afx_msg int OnCreate(LPCREATESTRUCTA lpcs);
    afx_msg void OnDestroy();
    afx_msg LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};

// The window DC of a bar with its client area clipped away, for painting its frame;
// *window receives the window rectangle in the DC's coordinates (origin 0, 0). Null when
// there is none; the caller releases it with ReleaseDC.
HDC AfxGetNonClientDC(HWND hWnd, CRect* window);

// Pane styles of the status bar; the low word is the common control's own drawing type.
#define SBPS_NORMAL     0x0000
#define SBPS_NOBORDERS  SBT_NOBORDERS
#define SBPS_POPOUT     SBT_POPOUT
#define SBPS_OWNERDRAW  SBT_OWNERDRAW
#define SBPS_DISABLED   0x04000000
#define SBPS_STRETCH    0x08000000

// The status bar over the common control "msctls_statusbar32". Pane 0 is normally the
// message pane (indicator ID_SEPARATOR), which takes the room the others leave.
class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar() noexcept;
    ~CStatusBar() override;

    virtual BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                        UINT nID = AFX_IDW_STATUS_BAR);
    virtual BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = 0,
                          DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);

    // One pane per id. An id with a string resource gets that text and its width; one
    // without gets no text and width 0 (SetPaneInfo gives it one); ID_SEPARATOR is the
    // stretching message pane. FALSE for a null array with a positive count.
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);

    // -1 when no pane has the id.
    int CommandToIndex(UINT nIDFind) const noexcept;
    UINT GetItemID(int nIndex) const noexcept;
    void GetItemRect(int nIndex, LPRECT lpRect) const;

    // Out-of-range indexes: empty text, zeros, nothing set.
    void GetPaneText(int nIndex, CString& rString) const;
    CString GetPaneText(int nIndex) const;
    // Writes the text even over a pane the owner made owner-drawn.
    BOOL SetPaneText(int nIndex, LPCSTR lpszNewText, BOOL bUpdate = TRUE);
    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    UINT GetPaneStyle(int nIndex) const;
    void SetPaneStyle(int nIndex, UINT nStyle);

    // The status bar control is this window.
    CWnd& GetStatusBarCtrl() noexcept { return *this; }

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

protected:
    struct Pane {
        UINT nID;
        UINT nStyle;
        int cxText;       // width of the text area in pixels
        CString strText;
    };
    // Sets the parts of the control; texts too when bUpdateText (except over panes the
    // owner has made owner-drawn).
    void UpdateAllPanes(BOOL bUpdateRects, BOOL bUpdateText);
    int TextWidth(LPCSTR text) const;

    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnGetText(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnGetTextLength(WPARAM wParam, LPARAM lParam);
    BOOL IsOwnerDrawnPart(int nIndex) const;

    std::vector<Pane> m_panes;
    int m_nMinHeight = 0;

    DECLARE_MESSAGE_MAP()
};
