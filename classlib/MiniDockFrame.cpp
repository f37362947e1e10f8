#include "classlib/DockBar.h"

IMPLEMENT_DYNCREATE(CMiniDockFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMiniDockFrameWnd, CFrameWnd)
    ON_WM_CLOSE()
    ON_WM_NCHITTEST()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_NCLBUTTONDBLCLK()
    ON_MESSAGE(WM_DESTROYLATER, OnDestroyLater)
END_MESSAGE_MAP()

CMiniDockFrameWnd::CMiniDockFrameWnd() noexcept : m_wndDockBar(TRUE)
{
}

BOOL CMiniDockFrameWnd::Create(CWnd* pParent, DWORD dwBarStyle)
{
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | MFS_MOVEFRAME | MFS_4THICKFRAME |
                  MFS_SYNCACTIVE | MFS_BLOCKSYSMENU | FWS_SNAPTOBARS;
    if (dwBarStyle & CBRS_SIZE_DYNAMIC)
        style |= WS_THICKFRAME | MFS_THICKFRAME;
    LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!cls || !CWnd::CreateEx(WS_EX_TOOLWINDOW, cls, "", style, 0, 0, 0, 0,
                                pParent ? pParent->m_hWnd : nullptr, nullptr))
        return FALSE;
    if (!m_wndDockBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, AFX_IDW_DOCKBAR_FLOAT)) {
        DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

CControlBar* CMiniDockFrameWnd::GetFloatingBar() const noexcept
{
    for (CControlBar* bar : m_wndDockBar.m_arrBars) {
        if (bar)
            return bar;
    }
    return nullptr;
}

void CMiniDockFrameWnd::RecalcLayout(BOOL)
{
    if (!m_hWnd || !m_wndDockBar.m_hWnd || m_bInRecalcLayout)
        return;
    m_bInRecalcLayout = TRUE;
    CSize size = m_wndDockBar.CalcFixedLayout(FALSE, m_wndDockBar.IsHorzDock());
    m_wndDockBar.SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    // The class-specific low word of the style means nothing to the border computation.
    CRect rect(0, 0, size.cx, size.cy);
    ::AdjustWindowRectEx(&rect, GetStyle() & 0xFFFF0000, FALSE, GetExStyle());
    SetWindowPos(nullptr, 0, 0, rect.Width(), rect.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CString title, shown;
    m_wndDockBar.GetWindowText(title);
    GetWindowText(shown);
    if (title != shown)
        SetWindowText(title);
    const bool anyVisible = m_wndDockBar.GetDockedVisibleCount() > 0;
    if (anyVisible && !IsWindowVisible())
        ShowWindow(SW_SHOWNOACTIVATE);
    else if (!anyVisible && IsWindowVisible())
        ShowWindow(SW_HIDE);
    m_bInRecalcLayout = FALSE;
}

void CMiniDockFrameWnd::OnClose()
{
    // Closing hides the bars; the frame goes out of sight with them and stays for the
    // next time they are shown.
    std::vector<CControlBar*> bars = m_wndDockBar.m_arrBars;
    for (CControlBar* bar : bars) {
        if (!bar || !bar->m_hWnd)
            continue;
        if (CFrameWnd* site = bar->m_pDockSite)
            site->ShowControlBar(bar, FALSE, FALSE);
        else
            bar->ShowWindow(SW_HIDE);
    }
    RecalcLayout();
}

LRESULT CMiniDockFrameWnd::OnNcHitTest(CPoint point)
{
    LRESULT hit = CFrameWnd::OnNcHitTest(point);
    if (hit < HTLEFT || hit > HTBOTTOMRIGHT)
        return hit;
    CControlBar* bar = GetFloatingBar();
    if (!bar || !(bar->m_dwStyle & CBRS_SIZE_DYNAMIC))
        return HTBORDER;
    if (GetStyle() & MFS_4THICKFRAME) {
        // Sides only: a corner counts as the side it lies on left or right.
        switch (hit) {
        case HTTOPLEFT:
        case HTBOTTOMLEFT:
            return HTLEFT;
        case HTTOPRIGHT:
        case HTBOTTOMRIGHT:
            return HTRIGHT;
        default:
            break;
        }
    }
    return hit;
}

void CMiniDockFrameWnd::OnNcLButtonDown(UINT nHitTest, CPoint point)
{
    CControlBar* bar = GetFloatingBar();
    if (bar && bar->m_pDockContext) {
        if (nHitTest == HTCAPTION) {
            ::SetActiveWindow(m_hWnd);
            bar->m_pDockContext->StartDrag(point);
            return;
        }
        if (nHitTest >= HTLEFT && nHitTest <= HTBOTTOMRIGHT && (bar->m_dwStyle & CBRS_SIZE_DYNAMIC)) {
            bar->m_pDockContext->StartResize(static_cast<int>(nHitTest), point);
            return;
        }
    }
    CFrameWnd::OnNcLButtonDown(nHitTest, point);
}

void CMiniDockFrameWnd::OnNcLButtonDblClk(UINT nHitTest, CPoint point)
{
    CControlBar* bar = GetFloatingBar();
    if (nHitTest == HTCAPTION && bar && bar->m_pDockContext) {
        bar->m_pDockContext->ToggleDocking();
        return;
    }
    CFrameWnd::OnNcLButtonDblClk(nHitTest, point);
}

LRESULT CMiniDockFrameWnd::OnDestroyLater(WPARAM, LPARAM)
{
    if (m_wndDockBar.GetDockedCount() == 0)
        DestroyWindow();
    return 0;
}
