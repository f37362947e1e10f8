// Docking: the four dock bars a frame lays out along its edges (CDockBar), the drag and
// resize loops that move a control bar between them or into a floating frame
// (CDockContext), and that small floating frame (CMiniDockFrameWnd).
//
// A dock bar keeps its bars in rows: m_arrBars is a list of bars in which null entries
// separate the rows; it always starts and ends with a null. A hidden bar keeps its entry, so
// showing it again puts it back where it was. Bars of a row are laid out one after the other,
// each overlapping the one before by two pixels (their borders meet), and rows likewise.
#pragma once
#include <windows.h>
#include <vector>
#include "classlib/ControlBar.h"
#include "classlib/FrameWnd.h"

// Posted to a floating frame whose last bar left it: it destroys itself outside the
// message that emptied it.
#define WM_DESTROYLATER   0x0376

// Styles of the floating frame, in the low word of its window style.
#define MFS_SYNCACTIVE    0x00000100L
#define MFS_4THICKFRAME   0x00000200L   // sized by its sides only, not by its corners
#define MFS_THICKFRAME    0x00000400L
#define MFS_MOVEFRAME     0x00000800L
#define MFS_BLOCKSYSMENU  0x00001000L

class CDockBar : public CControlBar {
    DECLARE_DYNAMIC(CDockBar)
public:
    explicit CDockBar(BOOL bFloating = FALSE) noexcept;
    ~CDockBar() override;

    // dwStyle: window style bits plus the side (CBRS_ALIGN_*) as bar style.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID);

    // Takes pBar in (out of any dock bar it was in). lpRect (screen) chooses row and place:
    // the row its top (left for the side bars) falls in, or a new row before the first row
    // that lies below it; without it the bar starts a new last row.
    void DockControlBar(CControlBar* pBar, LPCRECT lpRect = nullptr);
    // Takes pBar out; its row closes up when it was the last bar in it. A floating dock bar
    // left empty hides its frame, which then goes away. FALSE when pBar was not here.
    BOOL RemoveControlBar(CControlBar* pBar);

    int FindBar(const CControlBar* pBar) const noexcept;
    // The row around position nPos: the index of its first and one past its last bar.
    void GetRowBounds(int nPos, int* pFirst, int* pEnd) const noexcept;
    // A row break before nPos (the bar there starts a new row); nothing when one is there.
    void InsertRowBreak(int nPos);
    int GetDockedCount() const noexcept;
    int GetDockedVisibleCount() const noexcept;
    // Where a row starts along the dock bar: across the frame's width the outer borders of
    // the first and last bar lie outside it.
    int RowOrigin() const noexcept { return IsHorzDock() ? -2 : 0; }
    BOOL IsHorzDock() const noexcept;

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    BOOL IsDockBar() const override;

    std::vector<CControlBar*> m_arrBars;
    BOOL m_bFloating;
    // The room the frame offered at the last layout (client coordinates of the frame).
    CRect m_rectLayout;
    // Set during a layout that only asks for sizes (nothing is moved).
    BOOL m_bLayoutQuery = FALSE;

protected:
    int InsertPosition(const CRect& rectClient) const;
    afx_msg LRESULT OnSizeParent(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};

// The drag of a bar with the mouse: an inverted rectangle follows the pointer and shows
// where the bar lands (docked horizontally, vertically or floating); holding Ctrl keeps it
// from docking; Escape or the right button cancels. Also the resize of a floating bar's
// frame from its border, and the switch between docked and floating.
class CDockContext {
public:
    explicit CDockContext(CControlBar* pBar) noexcept;
    virtual ~CDockContext();

    // pt: the pointer in screen coordinates. Both loops run until the button is released.
    virtual void StartDrag(CPoint pt);
    virtual void StartResize(int nHitTest, CPoint pt);
    // Floats a docked bar at its last floating place, or docks a floating one where it was
    // docked last.
    virtual void ToggleDocking();

    CControlBar* m_pBar;
    CFrameWnd* m_pDockSite = nullptr;
    DWORD m_dwDockStyle = 0;      // the sides the bar may dock to
    DWORD m_dwStyle = 0;          // orientation of the bar when the drag started
    DWORD m_dwOverDockStyle = 0;  // the side under the pointer, 0 for floating

    // Where the bar was docked and floated last.
    UINT m_uMRUDockID = 0;
    CRect m_rectMRUDockPos;
    DWORD m_dwMRUFloatStyle = CBRS_ALIGN_TOP;
    CPoint m_ptMRUFloatPos{-1, -1};

    // The shapes that follow the pointer (screen coordinates).
    CRect m_rectDragHorz;
    CRect m_rectDragVert;
    CRect m_rectFrameDragHorz;    // floating: the floating frame's window rectangle
    CRect m_rectFrameDragVert;
    CSize m_sizeMinTrack{0, 0};
    CPoint m_ptLast;
    // While a floating frame is resized from a corner: the size the bar should take, from
    // the frame's tracked rectangle.
    CSize ResizeTrackSize() const noexcept { return m_rectFrameDragHorz.Size() - m_sizeFrameExtra; }
    // The sizing border being dragged (HTLEFT ... HTBOTTOMRIGHT) while StartResize runs,
    // else HTNOWHERE.
    int m_nHitTest = HTNOWHERE;
    BOOL m_bDragging = FALSE;

protected:
    // The dock bar id under the drag rectangles, 0 when none (or Ctrl is held).
    UINT CanDock(BOOL bCtrl) const;
    void Move(CPoint pt, BOOL bCtrl);
    void Stretch(CPoint pt);
    void EndDrag();
    void EndResize();
    void CancelLoop();
    void DrawFocusRect(BOOL bRemove);
    // The rectangle the focus frame shows now, and how thick its frame is.
    CRect CurrentRect(int* pThickness) const;
    BOOL Track();
    CRect m_rectLast;
    int m_nLastThickness = 0;
    BOOL m_bShown = FALSE;
    BOOL m_bResizing = FALSE;
    CSize m_sizeFrameExtra{0, 0};   // the floating frame's border around the bar
    CSize m_sizeStartFloat{0, 0};
    CRect m_rectStartFrame;
    CPoint m_ptStart;
};

// The floating frame of a bar: a small tool window whose client area is one floating dock
// bar. Closing it hides its bars; its caption drags them, a double click docks them again.
class CMiniDockFrameWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMiniDockFrameWnd)
public:
    CMiniDockFrameWnd() noexcept;

    // dwBarStyle: the bar style of the bar to float (CBRS_SIZE_DYNAMIC allows sizing).
    virtual BOOL Create(CWnd* pParent, DWORD dwBarStyle);
    // Fits the frame around its dock bar and shows it while a bar in it is visible.
    void RecalcLayout(BOOL bNotify = TRUE) override;
    // The first bar floating in it.
    CControlBar* GetFloatingBar() const noexcept;

    CDockBar m_wndDockBar;

protected:
    afx_msg void OnClose();
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnNcLButtonDown(UINT nHitTest, CPoint point);
    afx_msg void OnNcLButtonDblClk(UINT nHitTest, CPoint point);
    afx_msg LRESULT OnDestroyLater(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
    friend class CDockBar;
};

// A brush of alternating pixels for inverted drag shapes (PatBlt with PATINVERT); made once.
HBRUSH AfxGetHalftoneBrush() noexcept;
