#include "classlib/ControlBar.h"
#include "classlib/FrameWnd.h"
#include "classlib/DockBar.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

HDC AfxGetNonClientDC(HWND hWnd, CRect* window)
{
    HDC dc = ::GetWindowDC(hWnd);
    if (!dc)
        return nullptr;
    CRect outer;
    ::GetWindowRect(hWnd, &outer);
    CRect client;
    ::GetClientRect(hWnd, &client);
    ::MapWindowPoints(hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    client.OffsetRect(-outer.left, -outer.top);
    outer.OffsetRect(-outer.left, -outer.top);
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (window)
        *window = outer;
    return dc;
}

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

CControlBar::~CControlBar()
{
    if (m_pDockBar)
        m_pDockBar->RemoveControlBar(this);
    m_pDockBar = nullptr;
    delete m_pDockContext;
    m_pDockContext = nullptr;
    if (m_pDockSite)
        m_pDockSite->RemoveControlBar(this);
    m_pDockSite = nullptr;
}

void CControlBar::SetBarStyle(DWORD dwStyle)
{
    DWORD old = m_dwStyle;
    m_dwStyle = dwStyle & CBRS_ALL;
    if (old != m_dwStyle)
        OnBarStyleChange(old, m_dwStyle);
}

void CControlBar::SetBorders(int cxLeft, int cyTop, int cxRight, int cyBottom) noexcept
{
    m_cxLeftBorder = cxLeft;
    m_cyTopBorder = cyTop;
    m_cxRightBorder = cxRight;
    m_cyBottomBorder = cyBottom;
}

void CControlBar::SetBorders(LPCRECT lpRect) noexcept
{
    if (lpRect)
        SetBorders(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

CRect CControlBar::GetBorders() const noexcept
{
    return CRect(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder);
}

CFrameWnd* CControlBar::GetDockingFrame() const
{
    CFrameWnd* frame = GetParentFrame();
    return frame ? frame : m_pDockSite;
}

BOOL CControlBar::IsFloating() const noexcept
{
    if (IsDockBar())
        return static_cast<const CDockBar*>(this)->m_bFloating;
    return m_pDockBar ? m_pDockBar->m_bFloating : (m_dwStyle & CBRS_FLOATING) != 0;
}

void CControlBar::EnableDocking(DWORD dwDockStyle)
{
    m_dwDockStyle = dwDockStyle & (CBRS_ALIGN_ANY | CBRS_FLOAT_MULTI);
    if ((m_dwDockStyle & CBRS_ALIGN_ANY) && !m_pDockContext)
        m_pDockContext = new CDockContext(this);
    if (m_pDockContext)
        m_pDockContext->m_dwDockStyle = m_dwDockStyle;
    if (!m_pDockSite)
        m_pDockSite = GetParentFrame();
}

CSize CControlBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz)
{
    // A bar without items of its own: the whole length when stretched, nothing across.
    return CSize(bStretch && bHorz ? 32767 : 0, bStretch && !bHorz ? 32767 : 0);
}

CSize CControlBar::CalcDynamicLayout(int, DWORD nMode)
{
    return CalcFixedLayout((nMode & LM_STRETCH) != 0, (nMode & LM_HORZ) != 0);
}

void CControlBar::DelayShow(BOOL bShow)
{
    m_nStateFlags &= ~static_cast<UINT>(delayHide | delayShow);
    BOOL visible = m_hWnd && (GetStyle() & WS_VISIBLE) != 0;
    if (bShow && !visible)
        m_nStateFlags |= delayShow;
    else if (!bShow && visible)
        m_nStateFlags |= delayHide;
}

BOOL CControlBar::IsVisible() const
{
    if (m_nStateFlags & delayHide)
        return FALSE;
    return (m_nStateFlags & delayShow) || (m_hWnd && (GetStyle() & WS_VISIBLE));
}

DWORD CControlBar::RecalcDelayShow(AFX_SIZEPARENTPARAMS* lpLayout)
{
    BOOL visible = m_hWnd && (GetStyle() & WS_VISIBLE) != 0;
    if (m_nStateFlags & (delayHide | delayShow)) {
        BOOL show = (m_nStateFlags & delayShow) != 0;
        // Only a real layout (not a query) applies the pending change.
        if (lpLayout && lpLayout->hDWP) {
            ::ShowWindow(m_hWnd, show ? SW_SHOWNOACTIVATE : SW_HIDE);
            m_nStateFlags &= ~static_cast<UINT>(delayHide | delayShow);
        }
        visible = show;
    }
    return (m_dwStyle & CBRS_ALL) | (visible ? WS_VISIBLE : 0);
}

BOOL CControlBar::IsDockBar() const
{
    return FALSE;
}

void CControlBar::OnBarStyleChange(DWORD, DWORD)
{
}

void CControlBar::DoPaint(CDC*)
{
}

void CControlBar::CalcInsideRect(CRect& rect, BOOL) const
{
    rect.left += m_cxLeftBorder;
    rect.top += m_cyTopBorder;
    rect.right -= m_cxRightBorder;
    rect.bottom -= m_cyBottomBorder;
}

BOOL CControlBar::SetStatusText(INT_PTR nHit)
{
    CWnd* owner = GetOwner();
    if (!owner || !owner->m_hWnd)
        return FALSE;
    if (nHit == -1)
        owner->SendMessage(WM_POPMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    else
        owner->SendMessage(WM_SETMESSAGESTRING, static_cast<WPARAM>(nHit));
    return TRUE;
}

void CControlBar::PostNcDestroy()
{
    if (m_bAutoDelete)
        delete this;
}

int CControlBar::OnCreate(LPCREATESTRUCTA lpcs)
{
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    m_pDockSite = GetParentFrame();
    if (m_pDockSite)
        m_pDockSite->AddControlBar(this);
    return 0;
}

void CControlBar::OnDestroy()
{
    DestroyToolTips();
    if (m_pDockBar && m_pDockBar != this)
        m_pDockBar->RemoveControlBar(this);
    m_pDockBar = nullptr;
    if (m_pDockSite)
        m_pDockSite->RemoveControlBar(this);
    m_pDockSite = nullptr;
    CWnd::OnDestroy();
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE || (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK))
        TrackToolTips(message, wParam, lParam);
    // The bar's own controls talk to the bar; what the bar does not take goes to its
    // owner, the frame, where the commands are handled.
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: {
        LRESULT result = 0;
        if (OnWndMsg(message, wParam, lParam, &result))
            return result;
        CWnd* owner = GetOwner();
        if (owner && owner->m_hWnd && owner->m_hWnd != m_hWnd)
            return owner->SendMessage(message, wParam, lParam);
        break;
    }
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam)
{
    AFX_SIZEPARENTPARAMS* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    if (!layout)
        return 0;
    DWORD style = RecalcDelayShow(layout);
    if (!(style & WS_VISIBLE) || (style & CBRS_ALIGN_ANY) == 0)
        return 0;

    CRect rect(layout->rect);
    CSize avail = rect.Size();
    DWORD mode = layout->bStretch ? LM_STRETCH : 0;
    if (style & CBRS_ORIENT_HORZ)
        mode |= LM_HORZ | LM_HORZDOCK;
    else
        mode |= LM_VERTDOCK;
    CSize size = CalcDynamicLayout(-1, mode);
    if (size.cx > avail.cx)
        size.cx = avail.cx > 0 ? avail.cx : 0;
    if (size.cy > avail.cy)
        size.cy = avail.cy > 0 ? avail.cy : 0;

    if (style & CBRS_ORIENT_HORZ) {
        layout->sizeTotal.cy += size.cy;
        if (layout->sizeTotal.cx < size.cx)
            layout->sizeTotal.cx = size.cx;
        if (style & CBRS_ALIGN_TOP) {
            layout->rect.top += size.cy;
        } else if (style & CBRS_ALIGN_BOTTOM) {
            rect.top = rect.bottom - size.cy;
            layout->rect.bottom -= size.cy;
        }
    } else {
        layout->sizeTotal.cx += size.cx;
        if (layout->sizeTotal.cy < size.cy)
            layout->sizeTotal.cy = size.cy;
        if (style & CBRS_ALIGN_LEFT) {
            layout->rect.left += size.cx;
        } else if (style & CBRS_ALIGN_RIGHT) {
            rect.left = rect.right - size.cx;
            layout->rect.right -= size.cx;
        }
    }
    rect.right = rect.left + size.cx;
    rect.bottom = rect.top + size.cy;
    if (layout->hDWP)
        AfxRepositionWindow(layout, m_hWnd, &rect);
    return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM)
{
    if (!m_hWnd || !(GetStyle() & WS_VISIBLE))
        return 0;
    CWnd* owner = GetOwner();
    CFrameWnd* target = (owner && owner->IsFrameWnd()) ? static_cast<CFrameWnd*>(owner) : GetParentFrame();
    if (target)
        OnUpdateCmdUI(target, static_cast<BOOL>(wParam));
    return 0;
}
