#include "classlib/DockBar.h"

#include <algorithm>

namespace {

// The window style of floating frames, for the border they put around a bar.
const DWORD kFloatingFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
const DWORD kFloatingFrameExStyle = WS_EX_TOOLWINDOW;

struct DockTarget {
    DWORD align;
    UINT id;
};
const DockTarget kTargets[] = {
    {CBRS_ALIGN_TOP, AFX_IDW_DOCKBAR_TOP},
    {CBRS_ALIGN_BOTTOM, AFX_IDW_DOCKBAR_BOTTOM},
    {CBRS_ALIGN_LEFT, AFX_IDW_DOCKBAR_LEFT},
    {CBRS_ALIGN_RIGHT, AFX_IDW_DOCKBAR_RIGHT},
};

UINT DockIdOfStyle(DWORD align)
{
    for (const DockTarget& t : kTargets) {
        if (align & t.align)
            return t.id;
    }
    return 0;
}

// Keeps the pointer inside a shape that replaces the bar's rectangle: the shape keeps the
// pointer's offset from the bar's corner where it fits, else centres on the pointer.
void KeepPointerInside(CRect& shape, CPoint pt)
{
    if (pt.x < shape.left || pt.x >= shape.right)
        shape.OffsetRect(pt.x - (shape.left + shape.Width() / 2), 0);
    if (pt.y < shape.top || pt.y >= shape.bottom)
        shape.OffsetRect(0, pt.y - (shape.top + shape.Height() / 2));
}

CPoint ScreenPointOf(const MSG& msg)
{
    POINT pt = {static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    if (msg.hwnd)
        ::ClientToScreen(msg.hwnd, &pt);
    return CPoint(pt);
}

}  // namespace

HBRUSH AfxGetHalftoneBrush() noexcept
{
    static HBRUSH brush = nullptr;
    if (!brush) {
        WORD pattern[8];
        for (int i = 0; i < 8; ++i)
            pattern[i] = static_cast<WORD>(0x5555 << (i & 1));
        HBITMAP bitmap = ::CreateBitmap(8, 8, 1, 1, pattern);
        if (bitmap) {
            brush = ::CreatePatternBrush(bitmap);
            ::DeleteObject(bitmap);
        }
    }
    return brush;
}

CDockContext::CDockContext(CControlBar* pBar) noexcept : m_pBar(pBar)
{
    if (pBar) {
        m_pDockSite = pBar->m_pDockSite;
        m_dwDockStyle = pBar->m_dwDockStyle;
    }
}

CDockContext::~CDockContext()
{
}

// --- drag

void CDockContext::StartDrag(CPoint pt)
{
    if (!m_pBar || !m_pBar->m_hWnd || m_bDragging)
        return;
    m_pDockSite = m_pBar->m_pDockSite;
    if (!m_pDockSite || !m_pDockSite->m_hWnd)
        return;
    m_dwDockStyle = m_pBar->m_dwDockStyle;
    m_dwStyle = m_pBar->m_dwStyle & CBRS_ALIGN_ANY;

    CRect rect;
    m_pBar->GetWindowRect(&rect);
    // The bar's shapes: docked along a top or bottom edge, along a side, and floating.
    CSize horz = m_pBar->CalcDynamicLayout(0, LM_HORZ | LM_HORZDOCK);
    CSize vert = m_pBar->CalcDynamicLayout(0, LM_VERTDOCK);
    m_rectDragHorz = CRect(rect.TopLeft(), horz);
    m_rectDragVert = CRect(rect.TopLeft(), vert);
    CRect frame(0, 0, 0, 0);
    ::AdjustWindowRectEx(&frame, kFloatingFrameStyle, FALSE, kFloatingFrameExStyle);
    CFrameWnd* floating = m_pBar->IsFloating() ? m_pBar->GetDockingFrame() : nullptr;
    if (floating && floating != m_pDockSite) {
        floating->GetWindowRect(&m_rectFrameDragHorz);
    } else {
        CSize size = m_pBar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
        m_rectFrameDragHorz = CRect(rect.left + frame.left, rect.top + frame.top,
                                    rect.left + size.cx + frame.right, rect.top + size.cy + frame.bottom);
    }
    m_rectFrameDragVert = m_rectFrameDragHorz;
    KeepPointerInside(m_rectDragHorz, pt);
    KeepPointerInside(m_rectDragVert, pt);
    KeepPointerInside(m_rectFrameDragHorz, pt);
    KeepPointerInside(m_rectFrameDragVert, pt);

    m_ptLast = m_ptStart = pt;
    m_bResizing = FALSE;
    m_bDragging = TRUE;
    m_dwOverDockStyle = CanDock((::GetKeyState(VK_CONTROL) & 0x8000) != 0);
    Track();
}

UINT CDockContext::CanDock(BOOL bCtrl) const
{
    if (bCtrl || !m_pDockSite)
        return 0;
    for (const DockTarget& t : kTargets) {
        if (!(m_dwDockStyle & t.align))
            continue;
        CControlBar* bar = m_pDockSite->GetControlBar(t.id);
        if (!bar || !bar->m_hWnd || !bar->IsKindOf(RUNTIME_CLASS(CDockBar)))
            continue;
        CRect dock;
        bar->GetWindowRect(&dock);
        const bool horzDock = (t.align & CBRS_ORIENT_HORZ) != 0;
        // An empty dock bar still catches a shape that reaches its edge.
        if (horzDock && dock.Height() <= 0)
            dock.InflateRect(0, 4);
        else if (!horzDock && dock.Width() <= 0)
            dock.InflateRect(4, 0);
        CRect hit;
        if (hit.IntersectRect(&dock, horzDock ? &m_rectDragHorz : &m_rectDragVert))
            return t.align;
    }
    return 0;
}

void CDockContext::Move(CPoint pt, BOOL bCtrl)
{
    CPoint delta = pt - m_ptLast;
    m_ptLast = pt;
    m_rectDragHorz.OffsetRect(delta);
    m_rectDragVert.OffsetRect(delta);
    m_rectFrameDragHorz.OffsetRect(delta);
    m_rectFrameDragVert.OffsetRect(delta);
    m_dwOverDockStyle = CanDock(bCtrl);
    DrawFocusRect(FALSE);
}

CRect CDockContext::CurrentRect(int* pThickness) const
{
    if (m_bResizing || !m_dwOverDockStyle) {
        *pThickness = 3;
        return m_rectFrameDragHorz;
    }
    *pThickness = 2;
    return (m_dwOverDockStyle & CBRS_ORIENT_HORZ) ? m_rectDragHorz : m_rectDragVert;
}

void CDockContext::DrawFocusRect(BOOL bRemove)
{
    HDC dc = ::GetDC(nullptr);
    if (!dc)
        return;
    HBRUSH old = static_cast<HBRUSH>(::SelectObject(dc, AfxGetHalftoneBrush()));
    auto invert = [dc](const CRect& r, int t) {
        ::PatBlt(dc, r.left, r.top, r.Width(), t, PATINVERT);
        ::PatBlt(dc, r.left, r.bottom - t, r.Width(), t, PATINVERT);
        ::PatBlt(dc, r.left, r.top + t, t, r.Height() - 2 * t, PATINVERT);
        ::PatBlt(dc, r.right - t, r.top + t, t, r.Height() - 2 * t, PATINVERT);
    };
    // Inverting twice restores the screen: the old frame goes before the new one comes.
    if (m_bShown)
        invert(m_rectLast, m_nLastThickness);
    m_bShown = FALSE;
    if (!bRemove) {
        m_rectLast = CurrentRect(&m_nLastThickness);
        invert(m_rectLast, m_nLastThickness);
        m_bShown = TRUE;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
}

BOOL CDockContext::Track()
{
    HWND capture = m_pBar->m_hWnd;
    ::SetCapture(capture);
    if (::GetCapture() != capture) {
        CancelLoop();
        return FALSE;
    }
    DrawFocusRect(FALSE);
    while (::GetCapture() == capture) {
        MSG msg;
        if (!::GetMessageA(&msg, nullptr, 0, 0)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        switch (msg.message) {
        case WM_MOUSEMOVE:
            if (m_bResizing)
                Stretch(ScreenPointOf(msg));
            else
                Move(ScreenPointOf(msg), (msg.wParam & MK_CONTROL) != 0);
            break;
        case WM_LBUTTONUP:
            if (m_bResizing) {
                Stretch(ScreenPointOf(msg));
                EndResize();
            } else {
                Move(ScreenPointOf(msg), (msg.wParam & MK_CONTROL) != 0);
                EndDrag();
            }
            return TRUE;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg.wParam == VK_ESCAPE && msg.message == WM_KEYDOWN) {
                CancelLoop();
                return FALSE;
            }
            if (msg.wParam == VK_CONTROL && !m_bResizing)
                Move(m_ptLast, msg.message == WM_KEYDOWN);
            break;
        case WM_RBUTTONDOWN:
            CancelLoop();
            return FALSE;
        default:
            ::DispatchMessageA(&msg);
            break;
        }
    }
    CancelLoop();
    return FALSE;
}

void CDockContext::CancelLoop()
{
    DrawFocusRect(TRUE);
    m_bDragging = FALSE;
    if (m_bResizing) {
        // Back to the size the bar had when the resize began.
        m_pBar->CalcDynamicLayout(m_sizeStartFloat.cx, LM_HORZ);
        m_pBar->CalcDynamicLayout(m_sizeStartFloat.cy, LM_HORZ | LM_LENGTHY);
        m_bResizing = FALSE;
    }
    m_nHitTest = HTNOWHERE;
    if (m_pBar->m_hWnd && ::GetCapture() == m_pBar->m_hWnd)
        ::ReleaseCapture();
}

void CDockContext::EndDrag()
{
    DrawFocusRect(TRUE);
    m_bDragging = FALSE;
    if (::GetCapture() == m_pBar->m_hWnd)
        ::ReleaseCapture();
    if (!m_pDockSite || !m_pDockSite->m_hWnd)
        return;
    if (UINT id = DockIdOfStyle(m_dwOverDockStyle)) {
        CRect rect = (m_dwOverDockStyle & CBRS_ORIENT_HORZ) ? m_rectDragHorz : m_rectDragVert;
        m_pDockSite->DockControlBar(m_pBar, id, &rect);
    } else {
        DWORD style = m_dwMRUFloatStyle ? m_dwMRUFloatStyle : CBRS_ALIGN_TOP;
        m_pDockSite->FloatControlBar(m_pBar, m_rectFrameDragHorz.TopLeft(), style);
    }
}

// --- resize of a floating frame

void CDockContext::StartResize(int nHitTest, CPoint pt)
{
    if (!m_pBar || !m_pBar->m_hWnd || m_bDragging || !m_pBar->IsFloating())
        return;
    if (nHitTest < HTLEFT || nHitTest > HTBOTTOMRIGHT)
        return;
    CFrameWnd* frame = m_pBar->GetDockingFrame();
    if (!frame || !frame->m_hWnd)
        return;
    m_pDockSite = m_pBar->m_pDockSite;
    frame->GetWindowRect(&m_rectStartFrame);
    CRect bar;
    m_pBar->GetWindowRect(&bar);
    m_sizeFrameExtra = m_rectStartFrame.Size() - bar.Size();
    m_sizeStartFloat = m_pBar->CalcDynamicLayout(-1, LM_HORZ | LM_MRUWIDTH);
    m_rectFrameDragHorz = m_rectFrameDragVert = m_rectStartFrame;
    m_nHitTest = nHitTest;
    m_ptLast = m_ptStart = pt;
    m_bResizing = TRUE;
    m_bDragging = TRUE;
    Track();
}

void CDockContext::Stretch(CPoint pt)
{
    m_ptLast = pt;
    const int dx = pt.x - m_ptStart.x;
    const int dy = pt.y - m_ptStart.y;
    const bool left = m_nHitTest == HTLEFT || m_nHitTest == HTTOPLEFT || m_nHitTest == HTBOTTOMLEFT;
    const bool right = m_nHitTest == HTRIGHT || m_nHitTest == HTTOPRIGHT || m_nHitTest == HTBOTTOMRIGHT;
    const bool top = m_nHitTest == HTTOP || m_nHitTest == HTTOPLEFT || m_nHitTest == HTTOPRIGHT;
    const bool bottom = m_nHitTest == HTBOTTOM || m_nHitTest == HTBOTTOMLEFT || m_nHitTest == HTBOTTOMRIGHT;
    CRect r = m_rectStartFrame;
    if (left)
        r.left = std::min(r.left + dx, r.right);
    if (right)
        r.right = std::max(r.right + dx, r.left);
    if (top)
        r.top = std::min(r.top + dy, r.bottom);
    if (bottom)
        r.bottom = std::max(r.bottom + dy, r.top);
    m_rectFrameDragHorz = r;
    CSize size;
    if (m_nHitTest == HTLEFT || m_nHitTest == HTRIGHT)
        size = m_pBar->CalcDynamicLayout(r.Width() - m_sizeFrameExtra.cx, LM_HORZ);
    else if (m_nHitTest == HTTOP || m_nHitTest == HTBOTTOM)
        size = m_pBar->CalcDynamicLayout(r.Height() - m_sizeFrameExtra.cy, LM_HORZ | LM_LENGTHY);
    else
        size = m_pBar->CalcDynamicLayout(0, LM_HORZ);   // a corner: the bar follows the frame
    // The frame around what the bar agreed to, kept at the sides that do not move.
    CRect shape(0, 0, size.cx + m_sizeFrameExtra.cx, size.cy + m_sizeFrameExtra.cy);
    shape.OffsetRect(left ? m_rectStartFrame.right - shape.Width() : m_rectStartFrame.left,
                     top ? m_rectStartFrame.bottom - shape.Height() : m_rectStartFrame.top);
    m_rectFrameDragHorz = m_rectFrameDragVert = shape;
    DrawFocusRect(FALSE);
}

void CDockContext::EndResize()
{
    DrawFocusRect(TRUE);
    m_bDragging = FALSE;
    m_bResizing = FALSE;
    m_nHitTest = HTNOWHERE;
    if (::GetCapture() == m_pBar->m_hWnd)
        ::ReleaseCapture();
    CFrameWnd* frame = m_pBar->GetDockingFrame();
    if (frame && frame->m_hWnd && frame != m_pDockSite) {
        frame->SetWindowPos(nullptr, m_rectFrameDragHorz.left, m_rectFrameDragHorz.top, 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        frame->RecalcLayout();
    }
}

// --- toggle

void CDockContext::ToggleDocking()
{
    if (!m_pBar || !m_pBar->m_hWnd)
        return;
    m_pDockSite = m_pBar->m_pDockSite;
    if (!m_pDockSite || !m_pDockSite->m_hWnd)
        return;
    m_dwDockStyle = m_pBar->m_dwDockStyle;
    if (m_pBar->IsFloating()) {
        UINT id = m_uMRUDockID;
        bool allowed = false;
        for (const DockTarget& t : kTargets) {
            if (t.id == id && (m_dwDockStyle & t.align))
                allowed = true;
        }
        if (allowed)
            m_pDockSite->DockControlBar(m_pBar, id, m_rectMRUDockPos.IsRectEmpty() ? nullptr : &m_rectMRUDockPos);
        else if (m_dwDockStyle & CBRS_ALIGN_ANY)
            m_pDockSite->DockControlBar(m_pBar, 0, nullptr);
        return;
    }
    CPoint pt = m_ptMRUFloatPos;
    if (pt.x == -1 && pt.y == -1) {
        CRect rect;
        m_pBar->GetWindowRect(&rect);
        pt = rect.TopLeft();
    }
    m_pDockSite->FloatControlBar(m_pBar, pt, m_dwMRUFloatStyle ? m_dwMRUFloatStyle : CBRS_ALIGN_TOP);
}
