#include "uihelpers/MouseTracking.h"

#include "classlib/Wnd.h"
#include "uihelpers/FrameDrawing.h"

namespace {

const COLORREF kDragColour = 0xFFFFC0;  // light cyan
const int kFrameWidth = 4;

// Screen-wide XOR drawing: the desktop locked against updates, so what is drawn stays
// above every window and a second drawing erases it.
class DesktopDrawing {
public:
    DesktopDrawing()
    {
        m_desktop = ::GetDesktopWindow();
        m_locked = ::LockWindowUpdate(m_desktop) != 0;
        m_dc = ::GetDCEx(m_desktop, NULL, DCX_WINDOW | DCX_CACHE | (m_locked ? DCX_LOCKWINDOWUPDATE : 0));
        static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
        m_bitmap = ::CreateBitmap(8, 8, 1, 1, pattern);
        m_brush = m_bitmap ? ::CreatePatternBrush(m_bitmap) : NULL;
    }
    ~DesktopDrawing()
    {
        if (m_dc)
            ::ReleaseDC(m_desktop, m_dc);
        if (m_locked)
            ::LockWindowUpdate(NULL);
        if (m_brush)
            ::DeleteObject(m_brush);
        if (m_bitmap)
            ::DeleteObject(m_bitmap);
    }
    DesktopDrawing(const DesktopDrawing&) = delete;
    DesktopDrawing& operator=(const DesktopDrawing&) = delete;

    // A halftone rectangle, or only its frame of `frame` pixels.
    void Invert(const RECT& r, int frame)
    {
        if (!m_dc || !m_brush || r.right <= r.left || r.bottom <= r.top)
            return;
        // Screen coordinates map onto the desktop's window DC directly.
        HGDIOBJ old = ::SelectObject(m_dc, m_brush);
        COLORREF oldText = ::SetTextColor(m_dc, kDragColour);
        COLORREF oldBack = ::SetBkColor(m_dc, RGB(0, 0, 0));
        int w = r.right - r.left;
        int h = r.bottom - r.top;
        if (frame <= 0 || 2 * frame >= w || 2 * frame >= h)
            ::PatBlt(m_dc, r.left, r.top, w, h, PATINVERT);
        else
        {
            ::PatBlt(m_dc, r.left, r.top, w, frame, PATINVERT);
            ::PatBlt(m_dc, r.left, r.bottom - frame, w, frame, PATINVERT);
            ::PatBlt(m_dc, r.left, r.top + frame, frame, h - 2 * frame, PATINVERT);
            ::PatBlt(m_dc, r.right - frame, r.top + frame, frame, h - 2 * frame, PATINVERT);
        }
        ::SetTextColor(m_dc, oldText);
        ::SetBkColor(m_dc, oldBack);
        ::SelectObject(m_dc, old);
    }

private:
    HWND m_desktop;
    bool m_locked;
    HDC m_dc;
    HBITMAP m_bitmap;
    HBRUSH m_brush;
};

// Pending paints first, so the XOR drawing does not land on windows about to repaint.
// False when a quit message arrived (it is posted again).
bool FlushPaints()
{
    MSG msg;
    while (::PeekMessageA(&msg, NULL, WM_PAINT, WM_PAINT, PM_REMOVE))
    {
        if (msg.message == WM_QUIT)
        {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::DispatchMessageA(&msg);
    }
    return true;
}

POINT MessageScreenPoint(const MSG& msg)
{
    POINT pt = {static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    ::ClientToScreen(msg.hwnd, &pt);
    return pt;
}

enum LoopEvent { LOOP_MOVE, LOOP_ACCEPT, LOOP_CANCEL, LOOP_OTHER };

// One message of a drag loop: what it means for the drag. Quit messages are posted again
// and cancel; keys other than Escape are dropped.
LoopEvent NextDragEvent(MSG* msg)
{
    int got = ::GetMessageA(msg, NULL, 0, 0);
    if (got == 0)
    {
        ::PostQuitMessage(static_cast<int>(msg->wParam));
        return LOOP_CANCEL;
    }
    if (got < 0)
        return LOOP_CANCEL;
    switch (msg->message)
    {
    case WM_LBUTTONUP: return LOOP_ACCEPT;
    case WM_RBUTTONDOWN: return LOOP_CANCEL;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        return msg->wParam == VK_ESCAPE ? LOOP_CANCEL : LOOP_OTHER;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
        return LOOP_OTHER;
    case WM_MOUSEMOVE: return LOOP_MOVE;
    default:
        ::DispatchMessageA(msg);
        return LOOP_OTHER;
    }
}

RECT BarRect(const RECT& area, int orientation, int posX, int posY, int thickness, int drawOffset)
{
    RECT r = area;
    if (orientation != SPLIT_HORIZONTAL_BAR)
    {
        r.left = area.left + posX + drawOffset;
        r.right = r.left + thickness;
    }
    if (orientation != SPLIT_VERTICAL_BAR)
    {
        r.top = area.top + posY + drawOffset;
        r.bottom = r.top + thickness;
    }
    return r;
}

void InvertBars(DesktopDrawing& drawing, const RECT& area, int orientation, int posX, int posY, int thickness,
                int drawOffset)
{
    if (orientation == SPLIT_CROSS)
    {
        drawing.Invert(BarRect(area, SPLIT_VERTICAL_BAR, posX, posY, thickness, drawOffset), 0);
        RECT h = BarRect(area, SPLIT_HORIZONTAL_BAR, posX, posY, thickness, drawOffset);
        // The crossing square would be inverted twice: draw the horizontal bar around it.
        RECT left = h, right = h;
        left.right = area.left + posX + drawOffset;
        right.left = left.right + thickness;
        drawing.Invert(left, 0);
        drawing.Invert(right, 0);
        return;
    }
    drawing.Invert(BarRect(area, orientation, posX, posY, thickness, drawOffset), 0);
}

} // namespace

int ClampSplitPosition(int position, int areaLength, int thickness)
{
    if (position > areaLength - thickness)
        position = areaLength - thickness;
    if (position < 0)
        position = 0;
    return position;
}

RECT DragRectEdges(const RECT& start, int edges, int dx, int dy, int minWidth, int minHeight)
{
    if (minWidth < 0)
        minWidth = -minWidth;
    if (minHeight < 0)
        minHeight = -minHeight;
    RECT r = start;
    bool all = (edges & 15) == 15;
    if (all)
    {
        ::OffsetRect(&r, dx, dy);
        return r;
    }
    if (edges & EDGE_LEFT)
    {
        r.left = start.left + dx;
        if (r.right - r.left < minWidth)
            r.left = r.right - minWidth;
    }
    else if (edges & EDGE_RIGHT)
    {
        r.right = start.right + dx;
        if (r.right - r.left < minWidth)
            r.right = r.left + minWidth;
    }
    if (edges & EDGE_TOP)
    {
        r.top = start.top + dy;
        if (r.bottom - r.top < minHeight)
            r.top = r.bottom - minHeight;
    }
    else if (edges & EDGE_BOTTOM)
    {
        r.bottom = start.bottom + dy;
        if (r.bottom - r.top < minHeight)
            r.bottom = r.top + minHeight;
    }
    return r;
}

int TrackSplitter(HWND window, int orientation, const RECT& area, int position, int x, int y, int barSize,
                  int thickness, int grabOffset)
{
    if (!window || !::IsWindow(window) || orientation < 0 || orientation > 2 || ::GetCapture())
        return 0;
    if (barSize < 1)
        barSize = 1;
    if (thickness <= 0)
        thickness = barSize;
    int drawOffset = grabOffset == TRACK_CENTRED ? (barSize - thickness) / 2 : grabOffset;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    int startX = 0, startY = 0;
    if (orientation == SPLIT_CROSS)
    {
        startX = static_cast<short>(LOWORD(position));
        startY = static_cast<short>(HIWORD(position));
    }
    else if (orientation == SPLIT_VERTICAL_BAR)
        startX = position;
    else
        startY = position;
    startX = ClampSplitPosition(startX, width, thickness);
    startY = ClampSplitPosition(startY, height, thickness);
    // Where the bar was grabbed, measured from its start.
    int grabX = x == TRACK_CENTRED && y == TRACK_CENTRED ? barSize / 2 : x - (area.left + startX);
    int grabY = x == TRACK_CENTRED && y == TRACK_CENTRED ? barSize / 2 : y - (area.top + startY);

    DesktopDrawing drawing;
    if (!FlushPaints())
        return 0;
    ::SetCapture(window);
    int posX = startX, posY = startY;
    InvertBars(drawing, area, orientation, posX, posY, thickness, drawOffset);
    bool accepted = false;
    MSG msg;
    while (::GetCapture() == window)
    {
        LoopEvent event = NextDragEvent(&msg);
        if (event == LOOP_ACCEPT)
        {
            accepted = true;
            break;
        }
        if (event == LOOP_CANCEL)
            break;
        if (event != LOOP_MOVE)
            continue;
        POINT pt = MessageScreenPoint(msg);
        int nx = orientation != SPLIT_HORIZONTAL_BAR ? ClampSplitPosition(pt.x - area.left - grabX, width, thickness) : posX;
        int ny = orientation != SPLIT_VERTICAL_BAR ? ClampSplitPosition(pt.y - area.top - grabY, height, thickness) : posY;
        if (nx == posX && ny == posY)
            continue;
        InvertBars(drawing, area, orientation, posX, posY, thickness, drawOffset);
        posX = nx;
        posY = ny;
        InvertBars(drawing, area, orientation, posX, posY, thickness, drawOffset);
    }
    InvertBars(drawing, area, orientation, posX, posY, thickness, drawOffset);
    if (::GetCapture() == window)
        ::ReleaseCapture();
    if (!accepted)
        return 0;
    int movedX = posX - startX;
    int movedY = posY - startY;
    if (orientation == SPLIT_CROSS)
        return static_cast<int>((static_cast<DWORD>(movedX) & 0xFFFFu) | (static_cast<DWORD>(movedY) << 16));
    return orientation == SPLIT_VERTICAL_BAR ? movedX : movedY;
}

int TrackRectDrag(HWND window, RECT* rect, int x, int y, int minWidth, int minHeight)
{
    if (!window || !rect || !::IsWindow(window) || ::GetCapture())
        return 0;
    int excluded = (minWidth < 0 ? EDGE_LEFT | EDGE_RIGHT : 0) | (minHeight < 0 ? EDGE_TOP | EDGE_BOTTOM : 0);
    HCURSOR cursor = NULL;
    int edges = HitTestFrameEdge(*rect, x, y, 0, excluded, &cursor);
    if (!edges)
        return 0;
    DesktopDrawing drawing;
    if (!FlushPaints())
        return 0;
    ::SetCapture(window);
    HCURSOR previous = cursor ? ::SetCursor(cursor) : NULL;
    RECT start = *rect;
    RECT current = start;
    drawing.Invert(current, kFrameWidth);
    bool accepted = false;
    MSG msg;
    while (::GetCapture() == window)
    {
        LoopEvent event = NextDragEvent(&msg);
        if (event == LOOP_ACCEPT)
        {
            accepted = true;
            break;
        }
        if (event == LOOP_CANCEL)
            break;
        if (event != LOOP_MOVE)
            continue;
        POINT pt = MessageScreenPoint(msg);
        RECT next = DragRectEdges(start, edges, pt.x - x, pt.y - y, minWidth, minHeight);
        if (::EqualRect(&next, &current))
            continue;
        drawing.Invert(current, kFrameWidth);
        current = next;
        drawing.Invert(current, kFrameWidth);
    }
    drawing.Invert(current, kFrameWidth);
    if (cursor)
        ::SetCursor(previous);
    if (::GetCapture() == window)
        ::ReleaseCapture();
    if (!accepted)
        return 0;
    *rect = current;
    return 1;
}

POINT GetWindowOrigin(HWND window)
{
    POINT pt = {0, 0};
    RECT r;
    if (window && ::GetWindowRect(window, &r))
    {
        pt.x = r.left;
        pt.y = r.top;
    }
    return pt;
}

int GetWindowRectInParent(HWND window, RECT* rect)
{
    if (!rect)
        return 0;
    if (!window || !::GetWindowRect(window, rect))
    {
        ::SetRectEmpty(rect);
        return 0;
    }
    // GetParent answers the owner for a popup; only a child has a parent client area.
    // Mapped into its owner's client area, a popup's rectangle came back in the coordinates
    // of another window and was reported as found.
    HWND parent = (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? ::GetParent(window) : NULL;
    if (!parent)
        return 0;
    ::MapWindowPoints(NULL, parent, reinterpret_cast<POINT*>(rect), 2);
    return 1;
}

int GetDlgItemRect(HWND dialog, int id, RECT* rect)
{
    if (!rect)
        return 0;
    HWND item = dialog ? ::GetDlgItem(dialog, id) : NULL;
    if (!item || !::GetWindowRect(item, rect))
        return 0;
    ::MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(rect), 2);
    return 1;
}

int MoveDlgItemOnto(HWND dialog, int id, int referenceId)
{
    RECT r;
    HWND item = dialog ? ::GetDlgItem(dialog, id) : NULL;
    if (!item || !GetDlgItemRect(dialog, referenceId, &r))
        return 0;
    return ::MoveWindow(item, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE) ? 1 : 0;
}

BOOL MoveWindowTo(HWND window, int x, int y, BOOL relative)
{
    if (!window)
        return FALSE;
    if (relative)
    {
        RECT r;
        if (!GetWindowRectInParent(window, &r) && !::GetWindowRect(window, &r))
            return FALSE;
        x += r.left;
        y += r.top;
    }
    return ::SetWindowPos(window, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ResizeWindow(HWND window, int cx, int cy, BOOL grow)
{
    if (!window)
        return FALSE;
    if (grow)
    {
        RECT r;
        if (!::GetWindowRect(window, &r))
            return FALSE;
        cx += r.right - r.left;
        cy += r.bottom - r.top;
    }
    return ::SetWindowPos(window, NULL, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ResizeWnd(CWnd* window, int cx, int cy, BOOL grow)
{
    return ResizeWindow(window ? window->m_hWnd : nullptr, cx, cy, grow);
}
