#include "controls/ChildBar.h"

IMPLEMENT_DYNCREATE(CChildBar, CSizeBar)

BEGIN_MESSAGE_MAP(CChildBar, CSizeBar)
    ON_WM_SIZE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CChildBar::CChildBar()
{
}

BOOL CChildBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    if (!CSizeBarBase::Create("", pParentWnd, nID, dwStyle))
        return FALSE;
    m_nEdgeFlags = (m_nEdgeFlags & ~static_cast<UINT>(SizeBarEdgesAll)) | SizeBarSizedByEdges;
    return TRUE;
}

void CChildBar::ParkChild(CWnd* pWnd)
{
    if (pWnd && pWnd->m_hWnd && ::IsWindow(pWnd->m_hWnd)) {
        pWnd->ShowWindow(SW_HIDE);
        pWnd->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

CWnd* CChildBar::SetChild(CWnd* pWnd)
{
    if (pWnd == m_pChild)
        return m_pChild;
    CWnd* old = m_pChild;
    ParkChild(old);
    m_pChild = pWnd;
    // Only a bar with a window takes the child in: SetParent to no window made the child a
    // top-level window of its own on the desktop.
    if (pWnd && pWnd->m_hWnd && ::IsWindow(pWnd->m_hWnd) && m_hWnd) {
        pWnd->SetParent(this);
        pWnd->MoveWindow(&m_rectChild, TRUE);
        pWnd->ShowWindow(SW_SHOW);
    }
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return old;
}

CWnd* CChildBar::DetachChild()
{
    CWnd* old = m_pChild;
    ParkChild(old);
    m_pChild = nullptr;
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return old;
}

void CChildBar::OnSize(UINT nType, int cx, int cy)
{
    CSizeBar::OnSize(nType, cx, cy);
    if (cx >= 1 && cy >= 1 && m_pChild && m_pChild->m_hWnd && ::IsWindow(m_pChild->m_hWnd)) {
        GetClientRect(&m_rectChild);
        m_pChild->MoveWindow(&m_rectChild, TRUE);
        m_pChild->ShowWindow(SW_SHOW);
    }
}

void CChildBar::OnDestroy()
{
    // The child goes with the window; its object stays with its owner.
    CSizeBar::OnDestroy();
}
