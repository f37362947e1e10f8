#include "classlib/DockBar.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDockBar, CControlBar)

BEGIN_MESSAGE_MAP(CDockBar, CControlBar)
    ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
    ON_WM_DESTROY()
    ON_WM_PAINT()
END_MESSAGE_MAP()

CDockBar::CDockBar(BOOL bFloating) noexcept : m_bFloating(bFloating)
{
    m_arrBars.push_back(nullptr);
    // Dock bars draw no border: their bars meet the frame's edges.
    m_cxLeftBorder = m_cxRightBorder = m_cyTopBorder = m_cyBottomBorder = 0;
}

CDockBar::~CDockBar()
{
    for (CControlBar* bar : m_arrBars) {
        if (bar && bar->m_pDockBar == this)
            bar->m_pDockBar = nullptr;
    }
}

BOOL CDockBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    m_dwStyle = dwStyle & CBRS_ALL;
    LPCSTR cls = AfxRegisterWndClass(0, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!cls)
        return FALSE;
    return CWnd::Create(cls, nullptr, dwStyle & ~CBRS_ALL, CRect(0, 0, 0, 0), pParentWnd, nID);
}

void CDockBar::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
}

BOOL CDockBar::IsDockBar() const
{
    return TRUE;
}

BOOL CDockBar::IsHorzDock() const noexcept
{
    return (m_dwStyle & CBRS_ORIENT_HORZ) != 0 || (m_dwStyle & CBRS_ORIENT_VERT) == 0;
}

// --- the bar list

int CDockBar::FindBar(const CControlBar* pBar) const noexcept
{
    if (!pBar)
        return -1;
    for (size_t i = 0; i < m_arrBars.size(); ++i) {
        if (m_arrBars[i] == pBar)
            return static_cast<int>(i);
    }
    return -1;
}

void CDockBar::GetRowBounds(int nPos, int* pFirst, int* pEnd) const noexcept
{
    int n = static_cast<int>(m_arrBars.size());
    int first = std::min(std::max(nPos, 0), n);
    while (first > 0 && m_arrBars[first - 1])
        --first;
    int end = std::max(first, std::min(nPos, n));
    while (end < n && m_arrBars[end])
        ++end;
    if (pFirst)
        *pFirst = first;
    if (pEnd)
        *pEnd = end;
}

void CDockBar::InsertRowBreak(int nPos)
{
    if (nPos <= 0 || nPos >= static_cast<int>(m_arrBars.size()) || !m_arrBars[nPos - 1] || !m_arrBars[nPos])
        return;
    m_arrBars.insert(m_arrBars.begin() + nPos, nullptr);
}

int CDockBar::GetDockedCount() const noexcept
{
    int n = 0;
    for (CControlBar* bar : m_arrBars)
        n += bar != nullptr;
    return n;
}

int CDockBar::GetDockedVisibleCount() const noexcept
{
    int n = 0;
    for (CControlBar* bar : m_arrBars)
        n += bar && bar->m_hWnd && bar->IsVisible();
    return n;
}

int CDockBar::InsertPosition(const CRect& rect) const
{
    // Rows in list order lie one below the other (or side by side for the side bars).
    const bool horz = IsHorzDock() != FALSE;
    const int cross = horz ? rect.top : rect.left;
    const int along = horz ? rect.left : rect.top;
    int n = static_cast<int>(m_arrBars.size());
    for (int first = 1; first < n;) {
        int end = first;
        GetRowBounds(first, nullptr, &end);
        int lo = INT_MAX, hi = INT_MIN;
        for (int i = first; i < end; ++i) {
            CControlBar* bar = m_arrBars[i];
            if (!bar->m_hWnd || !bar->IsVisible())
                continue;
            CRect r;
            bar->GetWindowRect(&r);
            ScreenToClient(&r);
            lo = std::min(lo, horz ? static_cast<int>(r.top) : static_cast<int>(r.left));
            hi = std::max(hi, horz ? static_cast<int>(r.bottom) : static_cast<int>(r.right));
        }
        if (lo <= hi) {
            if (cross < lo)
                return -first;   // a new row before this one
            if (cross < hi) {
                // In this row, before the first bar that starts further along.
                for (int i = first; i < end; ++i) {
                    CControlBar* bar = m_arrBars[i];
                    if (!bar->m_hWnd || !bar->IsVisible())
                        continue;
                    CRect r;
                    bar->GetWindowRect(&r);
                    ScreenToClient(&r);
                    if ((horz ? r.left : r.top) > along)
                        return i;
                }
                return end;
            }
        }
        first = end + 1;
    }
    return -n;   // a new last row
}

void CDockBar::DockControlBar(CControlBar* pBar, LPCRECT lpRect)
{
    if (!pBar || !pBar->m_hWnd || !m_hWnd || pBar == this)
        return;
    CDockBar* oldDock = pBar->m_pDockBar;
    // Out of this list first, so that its own place does not count.
    if (oldDock == this) {
        int at = FindBar(pBar);
        if (at >= 0) {
            m_arrBars.erase(m_arrBars.begin() + at);
            if (at > 0 && at < static_cast<int>(m_arrBars.size()) && !m_arrBars[at - 1] && !m_arrBars[at])
                m_arrBars.erase(m_arrBars.begin() + at);
        }
    }
    CRect rect;
    int pos = -static_cast<int>(m_arrBars.size());
    if (lpRect && !m_bFloating) {
        rect = *lpRect;
        ScreenToClient(&rect);
        pos = InsertPosition(rect);
    }
    if (pos < 0) {
        // A row of its own before the row at -pos (or at the end): bar, then a break.
        int at = -pos;
        m_arrBars.insert(m_arrBars.begin() + at, nullptr);
        m_arrBars.insert(m_arrBars.begin() + at, pBar);
    } else {
        m_arrBars.insert(m_arrBars.begin() + pos, pBar);
    }

    if (::GetParent(pBar->m_hWnd) != m_hWnd)
        pBar->SetParent(this);
    pBar->m_pDockBar = this;
    DWORD style = (pBar->m_dwStyle & ~(CBRS_ALIGN_ANY | CBRS_FLOATING)) | (m_dwStyle & CBRS_ALIGN_ANY);
    if (m_bFloating)
        style |= CBRS_FLOATING;
    pBar->SetBarStyle(style);
    if (lpRect && !m_bFloating)
        pBar->SetWindowPos(nullptr, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_bFloating) {
        // The floating frame shows the bar's name in its caption.
        CString title;
        pBar->GetWindowText(title);
        SetWindowText(title);
    }
    if (oldDock && oldDock != this)
        oldDock->RemoveControlBar(pBar);
}

BOOL CDockBar::RemoveControlBar(CControlBar* pBar)
{
    int at = FindBar(pBar);
    if (at < 0)
        return FALSE;
    m_arrBars.erase(m_arrBars.begin() + at);
    // An emptied row: two breaks meet; keep one.
    if (at > 0 && at < static_cast<int>(m_arrBars.size()) && !m_arrBars[at - 1] && !m_arrBars[at])
        m_arrBars.erase(m_arrBars.begin() + at);
    if (pBar->m_pDockBar == this)
        pBar->m_pDockBar = nullptr;
    if (m_bFloating && m_hWnd && GetDockedCount() == 0) {
        // The floating frame has nothing left to show: out of sight now, gone once the
        // message that emptied it is over.
        CWnd* frame = GetParent();
        if (frame && frame->m_hWnd) {
            frame->ShowWindow(SW_HIDE);
            frame->PostMessage(WM_DESTROYLATER);
        }
    }
    return TRUE;
}

// --- layout

LRESULT CDockBar::OnSizeParent(WPARAM wParam, LPARAM lParam)
{
    AFX_SIZEPARENTPARAMS* layout = reinterpret_cast<AFX_SIZEPARENTPARAMS*>(lParam);
    if (!layout)
        return 0;
    m_rectLayout = layout->rect;
    m_bLayoutQuery = layout->hDWP == nullptr;
    LRESULT result = CControlBar::OnSizeParent(wParam, lParam);
    m_bLayoutQuery = FALSE;
    return result;
}

CSize CDockBar::CalcFixedLayout(BOOL bStretch, BOOL)
{
    const bool horz = IsHorzDock() != FALSE;
    CSize room = m_rectLayout.Size();
    if ((room.cx <= 0 || room.cy <= 0) && !m_bFloating) {
        CWnd* parent = GetParent();
        CRect client;
        if (parent && parent->m_hWnd) {
            parent->GetClientRect(&client);
            room = client.Size();
        }
    }
    DWORD mode = m_bFloating ? (LM_MRUWIDTH | LM_COMMIT | (horz ? LM_HORZ : 0))
                             : (horz ? (LM_HORZ | LM_HORZDOCK) : LM_VERTDOCK);
    int cross = 0;
    int longest = 0;
    bool anyRow = false;
    // Bars may change the list while they are asked (a sizing bar splits its row after
    // itself): it is read afresh at every step.
    // Pending shows and hides of the bars take effect with a real layout.
    AFX_SIZEPARENTPARAMS pending = {};
    if (!m_bLayoutQuery)
        pending.hDWP = ::BeginDeferWindowPos(1);
    size_t i = 1;
    while (i < m_arrBars.size()) {
        int along = m_bFloating ? 0 : RowOrigin();
        int rowCross = 0;
        bool visible = false;
        for (; i < m_arrBars.size() && m_arrBars[i]; ++i) {
            CControlBar* bar = m_arrBars[i];
            if (!bar->m_hWnd || !(bar->RecalcDelayShow(&pending) & WS_VISIBLE))
                continue;   // keeps its place for when it is shown again
            CSize size = bar->CalcDynamicLayout(-1, mode);
            CRect rect = horz ? CRect(CPoint(along, cross), size) : CRect(CPoint(cross, along), size);
            if (!m_bLayoutQuery) {
                CRect now;
                bar->GetWindowRect(&now);
                ScreenToClient(&now);
                if (now != rect)
                    bar->SetWindowPos(nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                                      SWP_NOZORDER | SWP_NOACTIVATE);
            }
            int length = horz ? size.cx : size.cy;
            along += m_bFloating ? length : length - 2;
            rowCross = std::max(rowCross, static_cast<int>(horz ? size.cy : size.cx));
            visible = true;
        }
        if (visible) {
            cross += m_bFloating ? rowCross : rowCross - 2;
            longest = std::max(longest, along + (m_bFloating ? 0 : 2));
            anyRow = true;
        }
        ++i;   // the break that ends the row
    }
    if (pending.hDWP)
        ::EndDeferWindowPos(pending.hDWP);
    if (anyRow && !m_bFloating)
        cross += 2;
    if (!anyRow)
        cross = 0;
    if (horz)
        return CSize(bStretch && !m_bFloating ? room.cx : longest, cross);
    return CSize(cross, bStretch && !m_bFloating ? room.cy : longest);
}

void CDockBar::OnDestroy()
{
    // The bars go with the window; none of them may point here afterwards.
    for (CControlBar* bar : m_arrBars) {
        if (bar && bar->m_pDockBar == this)
            bar->m_pDockBar = nullptr;
    }
    m_arrBars.assign(1, nullptr);
    CControlBar::OnDestroy();
}

void CDockBar::OnPaint()
{
    PAINTSTRUCT ps;
    ::BeginPaint(m_hWnd, &ps);
    ::EndPaint(m_hWnd, &ps);
}
