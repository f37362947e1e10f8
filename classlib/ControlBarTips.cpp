// Tooltips and fly-by prompts of control bars: the bar asks itself which command lies under
// the mouse (OnToolHitTest); with CBRS_FLYBY the frame's status line shows that command's
// prompt, with CBRS_TOOLTIPS the bar's tooltip window shows the text after "\n" of the
// command's string once the mouse rests.
#include "classlib/ControlBar.h"
#include "classlib/String.h"

INT_PTR CControlBar::OnToolHitTest(CPoint, TOOLINFOA*) const
{
    return -1;
}

void CControlBar::DestroyToolTips()
{
    if (m_hWndToolTip && ::IsWindow(m_hWndToolTip))
        ::DestroyWindow(m_hWndToolTip);
    m_hWndToolTip = nullptr;
    m_nToolHit = -1;
}

void CControlBar::TrackToolTips(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_hWnd || !(m_dwStyle & (CBRS_TOOLTIPS | CBRS_FLYBY)))
        return;
    INT_PTR hit = -1;
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    if (message == WM_MOUSEMOVE) {
        const CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        hit = OnToolHitTest(point, &info);
        // Leaving the bar ends the prompt and the tooltip.
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
        ::TrackMouseEvent(&tme);
    } else if (message != WM_MOUSELEAVE) {
        hit = m_nToolHit;   // a click keeps the item; the tooltip goes away by itself
    }
    if (hit != m_nToolHit) {
        if (m_dwStyle & CBRS_FLYBY)
            SetStatusText(hit);
        if (m_dwStyle & CBRS_TOOLTIPS) {
            if (!m_hWndToolTip) {
                m_hWndToolTip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
            }
            if (m_hWndToolTip) {
                TOOLINFOA old = {};
                old.cbSize = sizeof old;
                old.hwnd = m_hWnd;
                old.uId = static_cast<UINT_PTR>(m_nToolHit);
                if (m_nToolHit != -1)
                    ::SendMessageA(m_hWndToolTip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&old));
                if (hit != -1) {
                    CString full;
                    CString tip;
                    if (full.LoadString(static_cast<UINT>(hit)))
                        AfxExtractSubString(tip, full, 1);
                    TOOLINFOA tool = {};
                    tool.cbSize = sizeof tool;
                    tool.uFlags = 0;
                    tool.hwnd = m_hWnd;
                    tool.uId = static_cast<UINT_PTR>(hit);
                    tool.rect = info.rect;
                    tool.lpszText = const_cast<LPSTR>(static_cast<LPCSTR>(tip));
                    if (!tip.IsEmpty())
                        ::SendMessageA(m_hWndToolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
                }
            }
        }
        m_nToolHit = hit;
    }
    if (m_hWndToolTip && message != WM_MOUSELEAVE) {
        MSG msg = {m_hWnd, message, wParam, lParam, 0, {}};
        ::SendMessageA(m_hWndToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
}
