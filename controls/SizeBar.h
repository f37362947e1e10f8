// Sizing control bars. CSizeBarBase is a control bar that the user resizes by dragging its
// inner edge while it is docked, that shares the length of its dock row with the other
// sizing bars there, and that keeps a size each for horizontal docking, vertical docking and
// floating. CSizeBar adds a gripper and a close button ("r" of the Marlett font).
#pragma once
#include <windows.h>
#include <vector>
#include "classlib/Afx.h"
#include "classlib/DockBar.h"
#include "controls/SizeBarRow.h"

// Edge flags of a sizing bar.
enum SizeBarEdge : UINT {
    SizeBarEdgeLeft = 1,
    SizeBarEdgeRight = 2,
    SizeBarEdgeTop = 4,
    SizeBarEdgeBottom = 8,
    SizeBarEdgesAll = 15,
    SizeBarSizedByEdges = 16,   // edges are offered at all
    SizeBarSizesChild = 32,     // the first child window follows the client area
};

class CSizeBarBase : public CControlBar {
    DECLARE_DYNCREATE(CSizeBarBase)
public:
    CSizeBarBase();
    ~CSizeBarBase() override;

    // --- control bar overrides
    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    CSize CalcDynamicLayout(int nLength, DWORD nMode) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    void DelayShow(BOOL bShow) override;

    // --- own virtual operations
    // dwStyle: bar style (CBRS_*) plus CBRS_GRIPPER, 0x80000 and 0x40000; created with an
    // empty rectangle and without WS_VISIBLE unless the style asks for it.
    virtual BOOL Create(LPCSTR lpszTitle, CWnd* pParentWnd, UINT nID, DWORD dwStyle);
    virtual BOOL Create(LPCSTR lpszTitle, CWnd* pParentWnd, int cx, int cy, UINT nID, DWORD dwStyle);
    // Section "<profile>-SCBar-<id>" of the application's profile.
    virtual void ReadBarState(LPCSTR lpszProfileName);
    virtual void WriteBarState(LPCSTR lpszProfileName);
    // Edge dragging; pt in screen coordinates.
    virtual void BeginEdgeTrack(UINT nHitTest, CPoint pt);
    virtual void EndEdgeTrack();
    virtual void TrackToPoint(CPoint pt);
    virtual void InvertTrackLine();
    // Draws the caption area (gripper, close button) into the non-client picture.
    virtual void PaintCaptionArea(HDC hdc, const CRect& rcWindow);
    // Takes the sizing edges (and, in CSizeBar, the gripper) from rcClient, given in the
    // window's coordinates.
    virtual void CalcClientEdges(CRect& rcClient);
    // Places the visible bars of this bar's row one after the other.
    virtual void PlaceRowBars();
    virtual BOOL ShowsGripper() const;

    // All three sizes at once (horizontal, vertical and floating).
    void SetSizes(CSize size) noexcept { m_szHorz = m_szVert = m_szFloat = size; }
    CSize GetHorzSize() const noexcept { return m_szHorz; }
    CSize GetVertSize() const noexcept { return m_szVert; }
    CSize GetFloatSize() const noexcept { return m_szFloat; }
    UINT GetEdgeFlags() const noexcept { return m_nEdgeFlags; }
    void SetEdgeFlags(UINT flags) noexcept { m_nEdgeFlags = flags; }
    // Edges never offered (SizeBarEdge bits).
    void SetHiddenEdges(UINT mask) noexcept { m_nHiddenEdges = mask & SizeBarEdgesAll; }
    // The edges offered now (SizeBarEdge bits), as the last non-client computation left them.
    UINT GetActiveEdges() const noexcept { return m_nActiveEdges; }
    UINT GetDockBarID() const noexcept { return m_nDockBarID; }
    BOOL IsTracking() const noexcept { return m_bTracking; }
    // In one of the frame's four dock bars.
    BOOL IsDocked() const noexcept;
    BOOL IsHorzDocked() const noexcept;

    static const int kEdgeWidth = 8;

protected:
    // The visible bars of this bar's row and where this bar is among them (-1: not there).
    void GetRowBars(std::vector<CControlBar*>& bars, int* pThis) const;
    RowBarSpan SpanOf(CControlBar* bar, bool horz) const;
    void StoreSpan(CControlBar* bar, const RowBarSpan& span, bool horz);
    // Fits this bar's row to the dock bar's length; TRUE when something changed.
    BOOL FitRow();
    // The rectangle of an edge in screen coordinates (hit codes HTLEFT, HTTOP, HTRIGHT,
    // HTBOTTOM), empty when the edge is not offered.
    CRect EdgeRect(UINT nHitTest) const;
    BOOL IsEdgeInRow(UINT nHitTest) const noexcept;

    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnClose();
    afx_msg void OnPaint();
    afx_msg int OnCreate(LPCREATESTRUCTA lpcs);
    afx_msg void OnNcPaint();
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* lpncsp);
    afx_msg void OnSettingChange(UINT uFlags, LPCSTR lpszSection);
    afx_msg void OnCaptureChanged(CWnd* pWnd);
    afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg LRESULT OnSetText(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    CSize m_szClient{0, 0};
    CSize m_szHorz{200, 200};
    CSize m_szVert{200, 200};
    CSize m_szFloat{200, 200};
    CSize m_szMinHorz{33, 32};
    CSize m_szMinVert{33, 32};
    CSize m_szMinFloat{37, 32};
    // Tracking of an edge.
    UINT m_htEdge = 0;
    int m_nTrackPosMin = 0;
    int m_nTrackPosMax = 0;
    int m_nTrackPos = 0;
    int m_nTrackEdgeOfs = 0;
    // Marks.
    BOOL m_bSplitBar = FALSE;
    BOOL m_bChanged = FALSE;
    BOOL m_bDelayShowPair[2] = {FALSE, FALSE};
    BOOL m_bTracking = FALSE;
    BOOL m_bJustShown = FALSE;
    BOOL m_bRowChanged = FALSE;
    UINT m_nDockBarID = 0;
    UINT m_nEdgeFlags = 0;
    UINT m_nHiddenEdges = 0;
    UINT m_nActiveEdges = 0;
    BOOL m_bDragFullWindows = FALSE;
    // From Create.
    UINT m_nBarID = 0;
    DWORD m_dwVertRows = 0;     // style bit 0x80000
    DWORD m_dwHorzRows = 0;     // style bit 0x40000
    DWORD m_dwGripper = 0;      // style & (CBRS_GRIPPER | 8)
    DWORD m_dwCloseButton = 0;  // style & 8 while there is a gripper
    int m_cxEdge = kEdgeWidth;
    // The row of the current edge drag: the bars and where the edge splits them.
    std::vector<CControlBar*> m_trackRow;
    int m_nTrackSplit = -1;
    BOOL m_bTrackLineShown = FALSE;
    CRect m_rectTrackLine;
};

class CSizeBar : public CSizeBarBase {
    DECLARE_DYNCREATE(CSizeBar)
public:
    CSizeBar();

    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    void PaintCaptionArea(HDC hdc, const CRect& rcWindow) override;
    void CalcClientEdges(CRect& rcClient) override;
    BOOL ShowsGripper() const override;

    // The close button in window coordinates (empty without one).
    CRect CloseButtonRect() const;
    BOOL IsCloseHot() const noexcept { return m_bCloseHot; }
    BOOL IsClosePushed() const noexcept { return m_bClosePushed; }

    static const int kGripperSize = 12;
    static const int kCloseSize = 11;

protected:
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnNcLButtonUp(UINT nHitTest, CPoint point);
    DECLARE_MESSAGE_MAP()

    int m_cyGripper = kGripperSize;
    BOOL m_bClosePushed = FALSE;
    BOOL m_bCloseHot = FALSE;
    CPoint m_ptClose{0, 0};
    BOOL m_bCloseShown = FALSE;
};

// Calls ReadBarState or WriteBarState of every sizing bar whose dock site is pFrame.
void SizeBarLoadStates(CFrameWnd* pFrame, LPCSTR lpszProfileName);
void SizeBarSaveStates(CFrameWnd* pFrame, LPCSTR lpszProfileName);
