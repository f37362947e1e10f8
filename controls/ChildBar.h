// CChildBar: a sizing bar with gripper and close button that hosts one child window and
// keeps it filling its client area. The child stays owned by whoever made it: the bar never
// destroys its object.
#pragma once
#include "controls/SizeBar.h"

class CChildBar : public CSizeBar {
    DECLARE_DYNCREATE(CChildBar)
public:
    CChildBar();

    using CSizeBarBase::Create;
    // An empty title; sized by its edges.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID);
    // Hosts pWnd (may be null) and returns the child before; the same child again changes
    // nothing. The old child is hidden and parked at 0 x 0.
    CWnd* SetChild(CWnd* pWnd);
    CWnd* DetachChild();
    CWnd* GetChild() const noexcept { return m_pChild; }
    const CRect& GetChildRect() const noexcept { return m_rectChild; }

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

    void ParkChild(CWnd* pWnd);

    CWnd* m_pChild = nullptr;
    CRect m_rectChild{0, 0, 0, 0};
};
