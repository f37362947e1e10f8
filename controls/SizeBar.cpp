#include "controls/SizeBar.h"

#include <algorithm>

IMPLEMENT_DYNCREATE(CSizeBarBase, CControlBar)
IMPLEMENT_DYNCREATE(CSizeBar, CSizeBarBase)

BEGIN_MESSAGE_MAP(CSizeBarBase, CControlBar)
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_WM_PAINT()
    ON_WM_CREATE()
    ON_WM_NCPAINT()
    ON_WM_NCHITTEST()
    ON_WM_MOUSEMOVE()
    ON_WM_NCCALCSIZE()
    ON_WM_SETTINGCHANGE()
    ON_WM_CAPTURECHANGED()
    ON_WM_WINDOWPOSCHANGING()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_NCLBUTTONDOWN()
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CSizeBar, CSizeBarBase)
    ON_WM_NCLBUTTONUP()
    ON_WM_NCHITTEST()
END_MESSAGE_MAP()

namespace {

// Style bits kept apart from the bar style: 0x80000 and 0x40000 (rows), the gripper and the
// close button (8 with CBRS_GRIPPER).
const DWORD kVertRowsStyle = 0x80000;
const DWORD kHorzRowsStyle = 0x40000;
const DWORD kGripperStyle = CBRS_GRIPPER | 0x8;
const DWORD kCloseStyle = 0x8;
// What Create takes out of the window style: the bar style and the two row bits (8 stays).
const DWORD kNotWindowStyle = 0x4CFFF7;

bool IsDockSideId(UINT id)
{
    return id >= AFX_IDW_DOCKBAR_TOP && id <= AFX_IDW_DOCKBAR_BOTTOM;
}

int AlongOf(const CSize& s, bool horz)
{
    return horz ? s.cx : s.cy;
}

int CrossOf(const CSize& s, bool horz)
{
    return horz ? s.cy : s.cx;
}

void FillSolid(HDC dc, const CRect& r, int sysColor)
{
    ::FillRect(dc, &r, ::GetSysColorBrush(sysColor));
}

// A raised 3-D rectangle (or sunken with the colours swapped).
void Frame3d(HDC dc, const CRect& r, int topLeft, int bottomRight)
{
    FillSolid(dc, CRect(r.left, r.top, r.right - 1, r.top + 1), topLeft);
    FillSolid(dc, CRect(r.left, r.top, r.left + 1, r.bottom - 1), topLeft);
    FillSolid(dc, CRect(r.right - 1, r.top, r.right, r.bottom), bottomRight);
    FillSolid(dc, CRect(r.left, r.bottom - 1, r.right, r.bottom), bottomRight);
}

}  // namespace

CSizeBarBase::CSizeBarBase()
{
}

CSizeBarBase::~CSizeBarBase()
{
}

// --- creation

BOOL CSizeBarBase::Create(LPCSTR lpszTitle, CWnd* pParentWnd, UINT nID, DWORD dwStyle)
{
    LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!cls)
        return FALSE;
    m_nBarID = nID;
    m_dwVertRows = dwStyle & kVertRowsStyle;
    m_dwHorzRows = dwStyle & kHorzRowsStyle;
    m_dwGripper = dwStyle & kGripperStyle;
    m_dwCloseButton = m_dwGripper ? (dwStyle & kCloseStyle) : 0;
    m_dwStyle = dwStyle & CBRS_ALL;
    DWORD windowStyle = (dwStyle & ~kNotWindowStyle) | WS_CLIPCHILDREN;
    return CWnd::Create(cls, lpszTitle ? lpszTitle : "", windowStyle, CRect(0, 0, 0, 0), pParentWnd, nID);
}

BOOL CSizeBarBase::Create(LPCSTR lpszTitle, CWnd* pParentWnd, int cx, int cy, UINT nID, DWORD dwStyle)
{
    SetSizes(CSize(cx, cy));
    return Create(lpszTitle, pParentWnd, nID, dwStyle);
}

int CSizeBarBase::OnCreate(LPCREATESTRUCTA lpcs)
{
    if (CControlBar::OnCreate(lpcs) == -1)
        return -1;
    BOOL full = FALSE;
    ::SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    m_bDragFullWindows = full;
    return 0;
}

void CSizeBarBase::OnSettingChange(UINT uFlags, LPCSTR lpszSection)
{
    CControlBar::OnSettingChange(uFlags, lpszSection);
    BOOL full = FALSE;
    ::SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
    m_bDragFullWindows = full;
}

// --- state

BOOL CSizeBarBase::IsDocked() const noexcept
{
    return m_pDockBar && !m_pDockBar->m_bFloating && m_pDockBar->m_hWnd &&
           IsDockSideId(static_cast<UINT>(::GetDlgCtrlID(m_pDockBar->m_hWnd)));
}

BOOL CSizeBarBase::IsHorzDocked() const noexcept
{
    return m_pDockBar ? m_pDockBar->IsHorzDock() : (m_dwStyle & CBRS_ORIENT_VERT) == 0;
}

void CSizeBarBase::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
}

void CSizeBarBase::DelayShow(BOOL bShow)
{
    if (!bShow) {
        m_bDelayShowPair[0] = m_bDelayShowPair[1] = FALSE;
    } else if (!m_hWnd || !(GetStyle() & WS_VISIBLE)) {
        m_bDelayShowPair[0] = TRUE;
        m_bDelayShowPair[1] = IsDocked();
    }
    CControlBar::DelayShow(bShow);
}

BOOL CSizeBarBase::ShowsGripper() const
{
    return FALSE;
}

void CSizeBarBase::ReadBarState(LPCSTR lpszProfileName)
{
    CWinApp* app = AfxGetApp();
    if (!app || !lpszProfileName)
        return;
    CString section;
    section.Format("%s-SCBar-%d", lpszProfileName, static_cast<int>(m_nBarID));
    auto read = [&](LPCSTR name, LONG& value, LONG minimum) {
        value = std::max<LONG>(static_cast<int>(app->GetProfileInt(section, name, value)), minimum);
    };
    read("sizeHorzCX", m_szHorz.cx, m_szMinHorz.cx);
    read("sizeHorzCY", m_szHorz.cy, m_szMinHorz.cy);
    read("sizeVertCX", m_szVert.cx, m_szMinVert.cx);
    read("sizeVertCY", m_szVert.cy, m_szMinVert.cy);
    read("sizeFloatCX", m_szFloat.cx, m_szMinFloat.cx);
    read("sizeFloatCY", m_szFloat.cy, m_szMinFloat.cy);
    // The double click toggles: only a docked bar is floated by it, a floating one stays.
    if (app->GetProfileInt(section, "Floating", 0) != 0 && m_hWnd && IsDocked())
        SendMessage(WM_LBUTTONDBLCLK);
}

void CSizeBarBase::WriteBarState(LPCSTR lpszProfileName)
{
    CWinApp* app = AfxGetApp();
    if (!app || !lpszProfileName)
        return;
    CString section;
    section.Format("%s-SCBar-%d", lpszProfileName, static_cast<int>(m_nBarID));
    app->WriteProfileInt(section, "Floating", IsDocked() ? 0 : 1);
    app->WriteProfileInt(section, "sizeHorzCX", m_szHorz.cx);
    app->WriteProfileInt(section, "sizeHorzCY", m_szHorz.cy);
    app->WriteProfileInt(section, "sizeVertCX", m_szVert.cx);
    app->WriteProfileInt(section, "sizeVertCY", m_szVert.cy);
    app->WriteProfileInt(section, "sizeFloatCX", m_szFloat.cx);
    app->WriteProfileInt(section, "sizeFloatCY", m_szFloat.cy);
}

void SizeBarLoadStates(CFrameWnd* pFrame, LPCSTR lpszProfileName)
{
    if (!pFrame)
        return;
    std::vector<CControlBar*> bars = pFrame->GetControlBars();
    for (CControlBar* bar : bars) {
        if (bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase)))
            static_cast<CSizeBarBase*>(bar)->ReadBarState(lpszProfileName);
    }
}

void SizeBarSaveStates(CFrameWnd* pFrame, LPCSTR lpszProfileName)
{
    if (!pFrame)
        return;
    std::vector<CControlBar*> bars = pFrame->GetControlBars();
    for (CControlBar* bar : bars) {
        if (bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase)))
            static_cast<CSizeBarBase*>(bar)->WriteBarState(lpszProfileName);
    }
}

// --- layout

void CSizeBarBase::GetRowBars(std::vector<CControlBar*>& bars, int* pThis) const
{
    bars.clear();
    if (pThis)
        *pThis = -1;
    if (!m_pDockBar)
        return;
    int at = m_pDockBar->FindBar(this);
    if (at < 0)
        return;
    int first = 0, end = 0;
    m_pDockBar->GetRowBounds(at, &first, &end);
    for (int i = first; i < end; ++i) {
        CControlBar* bar = m_pDockBar->m_arrBars[i];
        if (!bar->m_hWnd || !bar->IsVisible())
            continue;
        if (bar == this && pThis)
            *pThis = static_cast<int>(bars.size());
        bars.push_back(bar);
    }
}

RowBarSpan CSizeBarBase::SpanOf(CControlBar* bar, bool horz) const
{
    RowBarSpan span;
    if (bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase))) {
        CSizeBarBase* s = static_cast<CSizeBarBase*>(bar);
        span.sizing = true;
        span.length = AlongOf(horz ? s->m_szHorz : s->m_szVert, horz);
        span.minLength = AlongOf(horz ? s->m_szMinHorz : s->m_szMinVert, horz);
        span.cross = CrossOf(horz ? s->m_szHorz : s->m_szVert, horz);
        span.minCross = CrossOf(horz ? s->m_szMinHorz : s->m_szMinVert, horz);
        span.justShown = s->m_bJustShown != FALSE;
    } else {
        CRect r;
        bar->GetWindowRect(&r);
        span.length = horz ? r.Width() : r.Height();
    }
    return span;
}

void CSizeBarBase::StoreSpan(CControlBar* bar, const RowBarSpan& span, bool horz)
{
    if (!span.sizing || !bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase)))
        return;
    CSizeBarBase* s = static_cast<CSizeBarBase*>(bar);
    CSize& size = horz ? s->m_szHorz : s->m_szVert;
    if (horz) {
        size.cx = span.length;
        size.cy = span.cross;
    } else {
        size.cy = span.length;
        size.cx = span.cross;
    }
    s->m_bJustShown = span.justShown;
}

BOOL CSizeBarBase::FitRow()
{
    if (!m_pDockBar)
        return FALSE;
    const bool horz = IsHorzDocked() != FALSE;
    std::vector<CControlBar*> bars;
    GetRowBars(bars, nullptr);
    CRect room = m_pDockBar->m_rectLayout;
    if (room.IsRectEmpty() && m_pDockSite && m_pDockSite->m_hWnd)
        m_pDockSite->GetClientRect(&room);
    const int length = horz ? room.Width() + 2 : room.Height() - 2;
    std::vector<RowBarSpan> spans;
    for (CControlBar* bar : bars)
        spans.push_back(SpanOf(bar, horz));
    RowFitResult fit = FitRowSpans(spans, length);
    for (size_t i = 0; i < bars.size(); ++i)
        StoreSpan(bars[i], spans[i], horz);
    if (fit.splitBefore > 0) {
        m_pDockBar->InsertRowBreak(m_pDockBar->FindBar(bars[fit.splitBefore]));
        // The two rows fit at the next layout.
        if (m_pDockSite)
            m_pDockSite->DelayRecalcLayout();
    }
    return fit.changed;
}

void CSizeBarBase::PlaceRowBars()
{
    if (!m_pDockBar || !m_pDockBar->m_hWnd)
        return;
    const bool horz = IsHorzDocked() != FALSE;
    std::vector<CControlBar*> bars;
    GetRowBars(bars, nullptr);
    CRect mine;
    GetWindowRect(&mine);
    m_pDockBar->ScreenToClient(&mine);
    const int crossPos = horz ? mine.top : mine.left;
    int along = m_pDockBar->RowOrigin();
    bool moved = false;
    for (CControlBar* bar : bars) {
        CRect now;
        bar->GetWindowRect(&now);
        m_pDockBar->ScreenToClient(&now);
        CSize size = now.Size();
        if (bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase))) {
            CSizeBarBase* s = static_cast<CSizeBarBase*>(bar);
            size = horz ? s->m_szHorz : s->m_szVert;
        }
        CRect want = horz ? CRect(CPoint(along, crossPos), size) : CRect(CPoint(crossPos, along), size);
        if (want != now) {
            bar->SetWindowPos(nullptr, want.left, want.top, want.Width(), want.Height(),
                              SWP_NOZORDER | SWP_NOACTIVATE);
            moved = true;
        }
        along += AlongOf(size, horz) - 2;
    }
    if (moved && m_pDockSite)
        m_pDockSite->DelayRecalcLayout();
}

CSize CSizeBarBase::CalcFixedLayout(BOOL bStretch, BOOL bHorz)
{
    if (bStretch)
        return bHorz ? CSize(32767, m_szHorz.cy) : CSize(m_szVert.cx, 32767);
    if (m_pDockBar) {
        const bool query = m_pDockBar->m_bLayoutQuery != FALSE;
        // The other sizing bars of the row show or hide now as they are about to, so that
        // the row is fitted to the bars that will be there.
        int at = m_pDockBar->FindBar(this);
        if (at >= 0) {
            int first = 0, end = 0;
            m_pDockBar->GetRowBounds(at, &first, &end);
            AFX_SIZEPARENTPARAMS pending = {};
            if (!query && !m_pDockBar->m_bFloating)
                pending.hDWP = ::BeginDeferWindowPos(end - first);
            for (int i = first; i < end && i < static_cast<int>(m_pDockBar->m_arrBars.size()); ++i) {
                CControlBar* bar = m_pDockBar->m_arrBars[i];
                if (bar && bar->m_hWnd && bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase)))
                    bar->RecalcDelayShow(query ? nullptr : &pending);
            }
            if (pending.hDWP)
                ::EndDeferWindowPos(pending.hDWP);
        }
        std::vector<CControlBar*> row;
        int me = -1;
        GetRowBars(row, &me);
        if (!query && IsVisible() && IsDocked() && m_bRowChanged && me == 0) {
            if (FitRow())
                PlaceRowBars();
        }
    }
    m_bRowChanged = FALSE;
    CSize size = bHorz ? m_szHorz : m_szVert;
    const CSize& minimum = bHorz ? m_szMinHorz : m_szMinVert;
    size.cx = std::max(size.cx, minimum.cx);
    size.cy = std::max(size.cy, minimum.cy);
    return size;
}

CSize CSizeBarBase::CalcDynamicLayout(int nLength, DWORD nMode)
{
    if (nMode & (LM_HORZDOCK | LM_VERTDOCK)) {
        if (nLength == -1)
            m_bRowChanged = TRUE;
        return CalcFixedLayout((nMode & LM_STRETCH) != 0, (nMode & LM_HORZ) != 0);
    }
    const int hit = m_pDockContext ? m_pDockContext->m_nHitTest : HTNOWHERE;
    if (hit == HTTOPLEFT || hit == HTTOPRIGHT || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) {
        m_szFloat = m_pDockContext->ResizeTrackSize();
    } else if (nLength == -1 || (nMode & LM_MRUWIDTH)) {
        // The class library asks this way for the size a floating bar has; taking -1 for a
        // width would shrink the bar to its minimum at every layout.
    } else if (nMode & LM_LENGTHY) {
        m_szFloat.cy = nLength;
    } else {
        m_szFloat.cx = nLength;
    }
    m_szFloat.cx = std::max(m_szFloat.cx, m_szMinFloat.cx);
    m_szFloat.cy = std::max(m_szFloat.cy, m_szMinFloat.cy);
    return m_szFloat;
}

// --- non-client area

void CSizeBarBase::CalcClientEdges(CRect& rc)
{
    rc.left += 3;
    rc.top += 5;
    rc.right -= 3;
    rc.bottom -= 3;
    if (!IsFloating())
        rc.bottom -= 2;
    m_nActiveEdges = 0;
    if (IsDocked() && (m_nEdgeFlags & SizeBarSizedByEdges)) {
        // The edge that faces the frame's inside.
        switch (m_nDockBarID) {
        case AFX_IDW_DOCKBAR_TOP:
            m_nActiveEdges = SizeBarEdgeBottom;
            break;
        case AFX_IDW_DOCKBAR_BOTTOM:
            m_nActiveEdges = SizeBarEdgeTop;
            break;
        case AFX_IDW_DOCKBAR_LEFT:
            m_nActiveEdges = SizeBarEdgeRight;
            break;
        case AFX_IDW_DOCKBAR_RIGHT:
            m_nActiveEdges = SizeBarEdgeLeft;
            break;
        default:
            break;
        }
        m_nActiveEdges &= ~m_nHiddenEdges;
        // And the one toward the next bar of the row.
        std::vector<CControlBar*> row;
        int me = -1;
        GetRowBars(row, &me);
        if (me >= 0 && me + 1 < static_cast<int>(row.size()))
            m_nActiveEdges |= IsHorzDocked() ? SizeBarEdgeRight : SizeBarEdgeBottom;
    }
    if (m_nActiveEdges & SizeBarEdgeLeft)
        rc.left += m_cxEdge;
    if (m_nActiveEdges & SizeBarEdgeTop)
        rc.top += m_cxEdge;
    if (m_nActiveEdges & SizeBarEdgeRight)
        rc.right -= m_cxEdge;
    if (m_nActiveEdges & SizeBarEdgeBottom)
        rc.bottom -= m_cxEdge;
}

void CSizeBarBase::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS* lpncsp)
{
    if (!IsDocked() && IsFloating()) {
        // A floating frame that may not be sized at its corners would keep the bar from
        // following a corner drag.
        CFrameWnd* frame = GetParentFrame();
        if (frame && frame->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)) && (frame->GetStyle() & MFS_4THICKFRAME))
            frame->ModifyStyle(MFS_4THICKFRAME, WS_CLIPCHILDREN);
    }
    if (!lpncsp)
        return;
    CRect window(lpncsp->rgrc[0]);
    CRect client(0, 0, window.Width(), window.Height());
    CalcClientEdges(client);
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    client.OffsetRect(window.left, window.top);
    lpncsp->rgrc[0] = client;
}

CRect CSizeBarBase::EdgeRect(UINT nHitTest) const
{
    UINT edge = 0;
    switch (nHitTest) {
    case HTLEFT:
        edge = SizeBarEdgeLeft;
        break;
    case HTRIGHT:
        edge = SizeBarEdgeRight;
        break;
    case HTTOP:
        edge = SizeBarEdgeTop;
        break;
    case HTBOTTOM:
        edge = SizeBarEdgeBottom;
        break;
    default:
        return CRect(0, 0, 0, 0);
    }
    if (!(m_nActiveEdges & edge) || !m_hWnd)
        return CRect(0, 0, 0, 0);
    CRect w;
    GetWindowRect(&w);
    if (m_nEdgeFlags & SizeBarSizedByEdges)
        w.DeflateRect(1, 1);
    const int ew = m_cxEdge;
    CRect r = w;
    switch (edge) {
    case SizeBarEdgeLeft:
    case SizeBarEdgeRight:
        if (edge == SizeBarEdgeLeft)
            r.right = r.left + ew;
        else
            r.left = r.right - ew;
        if (m_nActiveEdges & SizeBarEdgeTop)
            r.top += ew - 2;
        if (m_nActiveEdges & SizeBarEdgeBottom)
            r.bottom -= edge == SizeBarEdgeLeft ? ew - 2 : ew - 1;
        break;
    case SizeBarEdgeTop:
        r.bottom = r.top + ew;
        break;
    default:
        r.top = r.bottom - ew;
        break;
    }
    return r;
}

LRESULT CSizeBarBase::OnNcHitTest(CPoint point)
{
    if (!IsDocked())
        return HTCLIENT;
    static const UINT order[] = {HTLEFT, HTTOP, HTRIGHT, HTBOTTOM};
    for (UINT hit : order) {
        if (EdgeRect(hit).PtInRect(point))
            return hit;
    }
    return HTCLIENT;
}

void CSizeBarBase::OnNcPaint()
{
    CRect window;
    HDC windowDC = AfxGetNonClientDC(m_hWnd, &window);
    if (!windowDC)
        return;

    // Everything into a picture first, shown at once.
    HDC mem = ::CreateCompatibleDC(windowDC);
    HBITMAP bitmap = ::CreateCompatibleBitmap(windowDC, std::max<int>(1, window.Width()), std::max<int>(1, window.Height()));
    if (mem && bitmap) {
        HGDIOBJ oldBitmap = ::SelectObject(mem, bitmap);
        HBRUSH background = reinterpret_cast<HBRUSH>(::GetClassLongPtrA(m_hWnd, GCLP_HBRBACKGROUND));
        ::FillRect(mem, &window, background ? background : ::GetSysColorBrush(COLOR_BTNFACE));
        if (m_nEdgeFlags & SizeBarSizedByEdges) {
            CRect screen;
            GetWindowRect(&screen);
            static const UINT edges[] = {HTLEFT, HTTOP, HTRIGHT, HTBOTTOM};
            for (UINT hit : edges) {
                CRect r = EdgeRect(hit);
                if (r.IsRectEmpty())
                    continue;
                r.OffsetRect(-screen.left, -screen.top);
                // A raised splitter along the edge: light outside, shadow inside.
                FillSolid(mem, r, COLOR_BTNFACE);
                if (hit == HTLEFT || hit == HTRIGHT) {
                    FillSolid(mem, CRect(r.left + 1, r.top, r.left + 2, r.bottom), COLOR_3DLIGHT);
                    FillSolid(mem, CRect(r.right - 2, r.top, r.right - 1, r.bottom), COLOR_BTNSHADOW);
                } else {
                    FillSolid(mem, CRect(r.left, r.top + 1, r.right, r.top + 2), COLOR_3DLIGHT);
                    FillSolid(mem, CRect(r.left, r.bottom - 2, r.right, r.bottom - 1), COLOR_BTNSHADOW);
                }
            }
        }
        PaintCaptionArea(mem, window);
        ::BitBlt(windowDC, 0, 0, window.Width(), window.Height(), mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, oldBitmap);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    if (mem)
        ::DeleteDC(mem);
    ::ReleaseDC(m_hWnd, windowDC);
}

void CSizeBarBase::PaintCaptionArea(HDC, const CRect&)
{
}

void CSizeBarBase::OnPaint()
{
    PAINTSTRUCT ps;
    ::BeginPaint(m_hWnd, &ps);
    ::EndPaint(m_hWnd, &ps);
}

// --- messages

void CSizeBarBase::OnSize(UINT nType, int cx, int cy)
{
    CControlBar::OnSize(nType, cx, cy);
    m_szClient = CSize(cx, cy);
    if (m_nEdgeFlags & SizeBarSizesChild) {
        HWND child = ::GetWindow(m_hWnd, GW_CHILD);
        if (child)
            ::MoveWindow(child, 0, 0, cx, cy, TRUE);
    }
}

void CSizeBarBase::OnClose()
{
    // Only the close button hides the bar.
}

void CSizeBarBase::OnWindowPosChanging(WINDOWPOS* lpwndpos)
{
    CControlBar::OnWindowPosChanging(lpwndpos);
    m_nDockBarID = m_pDockBar && m_pDockBar->m_hWnd ? static_cast<UINT>(::GetDlgCtrlID(m_pDockBar->m_hWnd)) : 0;
    if (!lpwndpos)
        return;
    // The edges depend on the place: the non-client area is computed again.
    lpwndpos->flags |= SWP_FRAMECHANGED;
    if ((lpwndpos->flags & SWP_SHOWWINDOW) && IsDocked())
        m_bJustShown = TRUE;
}

LRESULT CSizeBarBase::OnSetText(WPARAM, LPARAM lParam)
{
    LRESULT result = Default();
    if (IsFloating() && m_pDockBar && m_pDockBar->m_hWnd) {
        CFrameWnd* frame = GetParentFrame();
        if (frame && frame->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd))) {
            m_pDockBar->SetWindowText(reinterpret_cast<LPCSTR>(lParam));
            frame->DelayRecalcLayout();
        }
    }
    return result;
}

void CSizeBarBase::OnLButtonDown(UINT nFlags, CPoint point)
{
    if (m_pDockBar && m_pDockContext) {
        ClientToScreen(&point);
        m_pDockContext->StartDrag(point);
        return;
    }
    CControlBar::OnLButtonDown(nFlags, point);
}

void CSizeBarBase::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    if (m_pDockBar && m_pDockContext) {
        m_pDockContext->ToggleDocking();
        return;
    }
    CControlBar::OnLButtonDblClk(nFlags, point);
}

void CSizeBarBase::OnLButtonUp(UINT nFlags, CPoint point)
{
    if (m_bTracking) {
        ClientToScreen(&point);
        TrackToPoint(point);
        EndEdgeTrack();
        return;
    }
    CControlBar::OnLButtonUp(nFlags, point);
}

void CSizeBarBase::OnRButtonDown(UINT nFlags, CPoint point)
{
    if (m_bTracking) {
        EndEdgeTrack();
        return;
    }
    CControlBar::OnRButtonDown(nFlags, point);
}

void CSizeBarBase::OnMouseMove(UINT nFlags, CPoint point)
{
    if (m_bTracking) {
        ClientToScreen(&point);
        TrackToPoint(point);
        return;
    }
    CControlBar::OnMouseMove(nFlags, point);
}

void CSizeBarBase::OnNcLButtonDown(UINT nHitTest, CPoint point)
{
    if (m_bTracking)
        return;
    if (IsDocked() && (nHitTest == HTLEFT || nHitTest == HTTOP || nHitTest == HTRIGHT || nHitTest == HTBOTTOM)) {
        BeginEdgeTrack(nHitTest, point);
        return;
    }
    if (nHitTest == HTCLOSE)
        return;   // the release on it counts (CSizeBar)
    CControlBar::OnNcLButtonDown(nHitTest, point);
}

void CSizeBarBase::OnCaptureChanged(CWnd* pWnd)
{
    if (m_bTracking && (!pWnd || pWnd->m_hWnd != m_hWnd))
        EndEdgeTrack();
    CControlBar::OnCaptureChanged(pWnd);
}

// --- edge tracking

BOOL CSizeBarBase::IsEdgeInRow(UINT nHitTest) const noexcept
{
    if (IsHorzDocked())
        return nHitTest == HTLEFT || nHitTest == HTRIGHT;
    return nHitTest == HTTOP || nHitTest == HTBOTTOM;
}

void CSizeBarBase::BeginEdgeTrack(UINT nHitTest, CPoint pt)
{
    if (!IsDocked() || m_bTracking)
        return;
    CRect edge = EdgeRect(nHitTest);
    if (edge.IsRectEmpty())
        return;
    SetCapture();
    if (!m_bDragFullWindows)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME | RDW_ALLCHILDREN);
    m_htEdge = nHitTest;
    const bool acrossX = nHitTest == HTLEFT || nHitTest == HTRIGHT;
    m_nTrackPos = acrossX ? pt.x : pt.y;
    m_nTrackEdgeOfs = m_nTrackPos - (acrossX ? (edge.left + edge.right) / 2 : (edge.top + edge.bottom) / 2);
    m_nTrackPosMin = m_nTrackPosMax = m_nTrackPos;
    m_rectTrackLine = edge;
    m_rectTrackLine.OffsetRect(acrossX ? m_nTrackEdgeOfs : 0, acrossX ? 0 : m_nTrackEdgeOfs);

    const bool horz = IsHorzDocked() != FALSE;
    int me = -1;
    GetRowBars(m_trackRow, &me);
    std::vector<RowBarSpan> spans;
    for (CControlBar* bar : m_trackRow)
        spans.push_back(SpanOf(bar, horz));
    if (IsEdgeInRow(nHitTest)) {
        m_nTrackSplit = (nHitTest == HTRIGHT || nHitTest == HTBOTTOM) ? me + 1 : me;
        for (size_t i = 0; i < m_trackRow.size(); ++i) {
            if (!m_trackRow[i]->IsKindOf(RUNTIME_CLASS(CSizeBarBase)))
                continue;
            CSizeBarBase* s = static_cast<CSizeBarBase*>(m_trackRow[i]);
            s->m_bChanged = TRUE;
            s->m_bSplitBar = static_cast<int>(i) == m_nTrackSplit;
        }
        if (m_nTrackSplit > 0 && m_nTrackSplit < static_cast<int>(m_trackRow.size()))
            RowTrackBounds(spans, m_nTrackSplit, m_nTrackPos, &m_nTrackPosMin, &m_nTrackPosMax);
    } else {
        m_nTrackSplit = -1;
        const int cross = CrossOf(horz ? m_szHorz : m_szVert, horz);
        const int shrink = std::max(0, cross - std::max(RowMinCross(spans), CrossOf(horz ? m_szMinHorz : m_szMinVert, horz)));
        int grow = 0;
        if (m_pDockSite && m_pDockSite->m_hWnd) {
            CRect free(0, 0, 0, 0);
            m_pDockSite->RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST, reposQuery, &free);
            grow = std::max(0, (horz ? free.Height() : free.Width()) - 2);
        }
        if (nHitTest == HTTOP || nHitTest == HTLEFT) {
            m_nTrackPosMin -= grow;
            m_nTrackPosMax += shrink;
        } else {
            m_nTrackPosMax += grow;
            m_nTrackPosMin -= shrink;
        }
    }
    m_bTracking = TRUE;
    m_bTrackLineShown = FALSE;
    InvertTrackLine();
}

void CSizeBarBase::TrackToPoint(CPoint pt)
{
    if (!m_bTracking)
        return;
    const bool acrossX = m_htEdge == HTLEFT || m_htEdge == HTRIGHT;
    int pos = std::min(std::max(static_cast<int>(acrossX ? pt.x : pt.y), m_nTrackPosMin), m_nTrackPosMax);
    if (pos == m_nTrackPos)
        return;
    if (m_bTrackLineShown)
        InvertTrackLine();
    const int delta = pos - m_nTrackPos;
    m_nTrackPos = pos;
    m_rectTrackLine.OffsetRect(acrossX ? delta : 0, acrossX ? 0 : delta);
    const bool horz = IsHorzDocked() != FALSE;
    if (m_nTrackSplit < 0) {
        // The edge faces the frame: this bar's cross size follows it; the other bars of the
        // row keep theirs.
        const int change = (m_htEdge == HTLEFT || m_htEdge == HTTOP) ? -delta : delta;
        CSize& mine = horz ? m_szHorz : m_szVert;
        const int cross = std::max(CrossOf(mine, horz) + change, CrossOf(horz ? m_szMinHorz : m_szMinVert, horz));
        (horz ? mine.cy : mine.cx) = cross;
    } else if (m_nTrackSplit > 0 && m_nTrackSplit < static_cast<int>(m_trackRow.size())) {
        std::vector<RowBarSpan> spans;
        for (CControlBar* bar : m_trackRow)
            spans.push_back(SpanOf(bar, horz));
        ApplyRowTrack(spans, m_nTrackSplit, delta);
        for (size_t i = 0; i < m_trackRow.size(); ++i)
            StoreSpan(m_trackRow[i], spans[i], horz);
    }
    if (m_bDragFullWindows) {
        if (m_pDockSite)
            m_pDockSite->DelayRecalcLayout();
    } else {
        InvertTrackLine();
    }
}

void CSizeBarBase::InvertTrackLine()
{
    if (m_bDragFullWindows || !m_pDockSite || !m_pDockSite->m_hWnd)
        return;
    // Drawn over the frame's window, so that it shows where the edge would go also beyond
    // the dock bar.
    HDC dc = ::GetWindowDC(m_pDockSite->m_hWnd);
    if (!dc)
        return;
    CRect frame;
    m_pDockSite->GetWindowRect(&frame);
    CRect r = m_rectTrackLine;
    r.OffsetRect(-frame.left, -frame.top);
    HGDIOBJ old = ::SelectObject(dc, AfxGetHalftoneBrush());
    ::PatBlt(dc, r.left, r.top, r.Width(), r.Height(), PATINVERT);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_pDockSite->m_hWnd, dc);
    m_bTrackLineShown = !m_bTrackLineShown;
}

void CSizeBarBase::EndEdgeTrack()
{
    if (!m_bTracking)
        return;
    m_bTracking = FALSE;
    if (m_bTrackLineShown)
        InvertTrackLine();
    m_bTrackLineShown = FALSE;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    if (m_pDockSite)
        m_pDockSite->DelayRecalcLayout();
    for (CControlBar* bar : m_trackRow) {
        if (bar->IsKindOf(RUNTIME_CLASS(CSizeBarBase))) {
            static_cast<CSizeBarBase*>(bar)->m_bChanged = FALSE;
            static_cast<CSizeBarBase*>(bar)->m_bSplitBar = FALSE;
        }
    }
    m_trackRow.clear();
    m_nTrackSplit = -1;
}

// ---------------------------------------------------------------------------------------------
// CSizeBar: gripper and close button

CSizeBar::CSizeBar()
{
}

BOOL CSizeBar::ShowsGripper() const
{
    return IsDocked() && m_dwGripper != 0;
}

void CSizeBar::CalcClientEdges(CRect& rc)
{
    CSizeBarBase::CalcClientEdges(rc);
    m_bCloseShown = FALSE;
    if (!ShowsGripper())
        return;
    if (IsHorzDocked()) {
        rc.left += m_cyGripper;
        m_ptClose = CPoint(rc.left - m_cyGripper, rc.top + 1);
    } else {
        rc.top += m_cyGripper;
        m_ptClose = CPoint(rc.right - kCloseSize, rc.top - m_cyGripper);
    }
    m_bCloseShown = m_dwCloseButton != 0;
}

CRect CSizeBar::CloseButtonRect() const
{
    if (!m_bCloseShown || !ShowsGripper())
        return CRect(0, 0, 0, 0);
    return CRect(m_ptClose, CSize(kCloseSize, kCloseSize));
}

LRESULT CSizeBar::OnNcHitTest(CPoint point)
{
    LRESULT hit = CSizeBarBase::OnNcHitTest(point);
    if (hit == HTCLIENT && m_dwCloseButton) {
        CRect close = CloseButtonRect();
        CRect window;
        GetWindowRect(&window);
        close.OffsetRect(window.left, window.top);
        if (close.PtInRect(point))
            return HTCLOSE;
    }
    return hit;
}

void CSizeBar::OnNcLButtonUp(UINT nHitTest, CPoint point)
{
    if (nHitTest == HTCLOSE && m_dwCloseButton && m_pDockSite) {
        m_bClosePushed = m_bCloseHot = FALSE;
        m_pDockSite->ShowControlBar(this, FALSE, FALSE);
        return;
    }
    CSizeBarBase::OnNcLButtonUp(nHitTest, point);
}

void CSizeBar::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
    if (!m_dwCloseButton || !ShowsGripper() || !m_hWnd)
        return;
    CRect close = CloseButtonRect();
    CRect window;
    GetWindowRect(&window);
    close.OffsetRect(window.left, window.top);
    POINT pt;
    ::GetCursorPos(&pt);
    const bool over = close.PtInRect(pt) != FALSE;
    const bool down = (::GetKeyState(::GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) & 0x8000) != 0;
    const BOOL pushed = over && down;
    const BOOL hot = over && !down;
    if (pushed != m_bClosePushed || hot != m_bCloseHot) {
        m_bClosePushed = pushed;
        m_bCloseHot = hot;
        RedrawWindow(nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void CSizeBar::PaintCaptionArea(HDC hdc, const CRect& rcWindow)
{
    if (!ShowsGripper())
        return;
    CRect client;
    GetClientRect(&client);
    ClientToScreen(&client);
    CRect window;
    GetWindowRect(&window);
    client.OffsetRect(-window.left, -window.top);
    const bool horz = IsHorzDocked() != FALSE;
    CRect close = CloseButtonRect();

    // Two raised lines three pixels apart along the gripper strip.
    CRect strip = horz ? CRect(client.left - m_cyGripper, client.top, client.left, client.bottom)
                       : CRect(client.left, client.top - m_cyGripper, client.right, client.top);
    if (!close.IsRectEmpty()) {
        if (horz)
            strip.top = close.bottom + 2;
        else
            strip.right = close.left - 2;
    }
    for (int line = 0; line < 2; ++line) {
        CRect r = horz ? CRect(strip.left + 2 + 3 * line, strip.top, strip.left + 5 + 3 * line, strip.bottom)
                       : CRect(strip.left, strip.top + 2 + 3 * line, strip.right, strip.top + 5 + 3 * line);
        if (r.Width() > 0 && r.Height() > 0)
            Frame3d(hdc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    }
    (void)rcWindow;

    if (close.IsRectEmpty())
        return;
    if (m_bClosePushed)
        Frame3d(hdc, close, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    else if (m_bCloseHot)
        Frame3d(hdc, close, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    const int dpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
    const int tenths = ::MulDiv(60, 96, dpi > 0 ? dpi : 96);
    HFONT font = ::CreateFontA(-::MulDiv(tenths, dpi > 0 ? dpi : 96, 720), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                               FALSE, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH, "Marlett");
    if (!font)
        return;
    HGDIOBJ oldFont = ::SelectObject(hdc, font);
    int oldMode = ::SetBkMode(hdc, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(hdc, ::GetSysColor(COLOR_BTNTEXT));
    ::TextOutA(hdc, close.left + 2, close.top + 2, "r", 1);
    ::SetTextColor(hdc, oldColor);
    ::SetBkMode(hdc, oldMode);
    ::SelectObject(hdc, oldFont);
    ::DeleteObject(font);
}
