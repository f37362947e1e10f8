// What the docking tests share: the message drain and the rectangles and points of bars.
#pragma once
#include "classlib/WinApp.h"

namespace dockingtest {

inline void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

inline CRect ScreenRect(HWND h)
{
    CRect r;
    GetWindowRect(h, &r);
    return r;
}

// The rectangle of a window in its parent's client coordinates.
inline CRect RectInParent(const CWnd& w)
{
    CRect r = ScreenRect(w.m_hWnd);
    MapWindowPoints(nullptr, GetParent(w.m_hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A screen point in the window's client coordinates, packed as a mouse message takes it.
inline LPARAM ClientPoint(const CWnd& w, CPoint screen)
{
    ScreenToClient(w.m_hWnd, &screen);
    return MAKELPARAM(screen.x, screen.y);
}

}  // namespace dockingtest
