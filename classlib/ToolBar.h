// CToolBar: a control bar whose window is a toolbar control (the system's common toolbar,
// or one that answers the same TB_* messages). The bar draws its borders and, while
// docked with CBRS_GRIPPER, a gripper in its non-client area, so the toolbar control keeps
// the client area to itself; a press on the gripper or on empty space drags the bar. Its
// buttons are enabled and checked at idle time by the command-update rule, and it names
// the command under the mouse for tooltips and fly-by prompts.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "classlib/ControlBar.h"

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar() noexcept;
    ~CToolBar() override;

    // A bar over the common toolbar "ToolbarWindow32". dwStyle: window style bits and the
    // bar style (CBRS_*), which the window never gets.
    virtual BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                        UINT nID = AFX_IDW_TOOLBAR);
    // Button and image sizes (TB_SETBUTTONSIZE and TB_SETBITMAPSIZE).
    void SetSizes(SIZE sizeButton, SIZE sizeImage);

    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;
    void GetItemRect(int nIndex, LPRECT lpRect) const;

    // The bar's own rectangle for the gripper; empty when none is shown.
    CRect GetGripperRect() const;

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    void CalcInsideRect(CRect& rect, BOOL bHorz) const override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    INT_PTR OnToolHitTest(CPoint point, TOOLINFOA* pTI) const override;

    // The class library's default sizes: buttons 23 x 22, images 16 x 15.
    CSize m_sizeButton{23, 22};
    CSize m_sizeImage{16, 15};
    static const int kGripperSize = 8;

protected:
    // Whether the bar lies horizontally (docked top or bottom, or floating that way).
    BOOL IsHorzBar() const;

    afx_msg void OnNcCalcSize(BOOL bCalcValidRects, NCCALCSIZE_PARAMS* lpncsp);
    afx_msg void OnNcPaint();
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT nFlags, CPoint point);
    afx_msg void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    DECLARE_MESSAGE_MAP()
};
