#include "uihelpers/AutoScroll.h"

#include <string.h>

namespace {

// The words the loop writes and the worker reads.
struct AutoScrollShared {
    volatile LONG running;      // guards one auto-scroll at a time
    volatile LONG stop;
    volatile LONG ended;
    volatile LONG code;
    volatile LONG speed;
    HWND volatile target;
};
AutoScrollShared g_autoScroll = {0, 0, 0, 0, 0, NULL};

const int kImageSide = 32;
const int kMaskBytes = kImageSide * kImageSide / 8;   // 128
const int kGreyBytes = kImageSide * kImageSide / 2;   // 512
const DWORD kTickMs = 200;
const DWORD kWaitStepMs = 50;

// A 32 x 32 on/off raster the cursor and icon images are drawn into.
struct Raster {
    bool px[kImageSide][kImageSide];
};

void ClearRaster(Raster& r)
{
    memset(&r, 0, sizeof(r));
}

// An arrowhead pointing along (ux, uy) from the centre, each -1, 0 or 1.
void DrawArrowHead(Raster& r, int ux, int uy)
{
    if (!ux && !uy)
        return;
    bool diagonal = ux && uy;
    for (int y = 0; y < kImageSide; ++y)
        for (int x = 0; x < kImageSide; ++x)
        {
            int px = x - 16;
            int py = y - 16;
            int along = px * ux + py * uy;
            int across = px * uy - py * ux;
            if (across < 0)
                across = -across;
            if (diagonal)
            {
                // Diagonal projections are longer by the square root of two: compare in
                // the scaled units (along and across both grow by about 1.41).
                if (along >= 8 && along <= 18 && across <= 18 - along)
                    r.px[y][x] = true;
            }
            else if (along >= 6 && along <= 13 && across <= 13 - along)
                r.px[y][x] = true;
        }
}

void DrawDot(Raster& r, int radius)
{
    for (int y = 0; y < kImageSide; ++y)
        for (int x = 0; x < kImageSide; ++x)
            if ((x - 16) * (x - 16) + (y - 16) * (y - 16) <= radius * radius)
                r.px[y][x] = true;
}

// Cursor image: 0 both directions, 9 horizontal only, 10 vertical only, 1-8 a direction
// code (an arrowhead towards it).
void DrawCursorShape(Raster& r, int image)
{
    ClearRaster(r);
    DrawDot(r, 2);
    if (image >= 1 && image <= 8)
    {
        int h = image / 3;
        int v = image % 3;
        DrawArrowHead(r, h == 1 ? 1 : (h == 2 ? -1 : 0), v == 1 ? 1 : (v == 2 ? -1 : 0));
        return;
    }
    if (image != 10)
    {
        DrawArrowHead(r, 1, 0);
        DrawArrowHead(r, -1, 0);
    }
    if (image != 9)
    {
        DrawArrowHead(r, 0, 1);
        DrawArrowHead(r, 0, -1);
    }
}

bool Outline(const Raster& r, int x, int y)
{
    if (r.px[y][x])
        return false;
    for (int ny = y - 1; ny <= y + 1; ++ny)
        for (int nx = x - 1; nx <= x + 1; ++nx)
            if (nx >= 0 && ny >= 0 && nx < kImageSide && ny < kImageSide && r.px[ny][nx])
                return true;
    return false;
}

// Monochrome cursor planes: the shape black with a white outline, the rest transparent.
void MakeCursorPlanes(const Raster& r, unsigned char* xorPlane, unsigned char* andPlane)
{
    memset(xorPlane, 0, kMaskBytes);
    memset(andPlane, 0xFF, kMaskBytes);
    for (int y = 0; y < kImageSide; ++y)
        for (int x = 0; x < kImageSide; ++x)
        {
            unsigned char bit = static_cast<unsigned char>(0x80 >> (x & 7));
            int index = y * 4 + x / 8;
            bool outline = Outline(r, x, y);
            if (r.px[y][x] || outline)
                andPlane[index] = static_cast<unsigned char>(andPlane[index] & ~bit);
            if (outline)
                xorPlane[index] = static_cast<unsigned char>(xorPlane[index] | bit);
        }
}

// The anchor icon in grey levels: a ring, a dot and the arrowheads of the directions.
void MakeAnchorImage(int directions, unsigned char* grey, unsigned char* andPlane)
{
    Raster shape;
    DrawCursorShape(shape, directions == AUTOSCROLL_HORIZONTAL ? 9 : (directions == AUTOSCROLL_VERTICAL ? 10 : 0));
    memset(grey, 0, kGreyBytes);
    memset(andPlane, 0xFF, kMaskBytes);
    for (int y = 0; y < kImageSide; ++y)
        for (int x = 0; x < kImageSide; ++x)
        {
            int d2 = (x - 16) * (x - 16) + (y - 16) * (y - 16);
            bool ring = d2 <= 15 * 15;
            if (!ring)
                continue;
            int level = 15;                 // white disc
            if (d2 >= 14 * 14)
                level = 8;                  // grey rim
            if (shape.px[y][x])
                level = 0;                  // black marks
            unsigned char bit = static_cast<unsigned char>(0x80 >> (x & 7));
            andPlane[y * 4 + x / 8] = static_cast<unsigned char>(andPlane[y * 4 + x / 8] & ~bit);
            int index = (y * kImageSide + x) / 2;
            if (x & 1)
                grey[index] = static_cast<unsigned char>(grey[index] | level);
            else
                grey[index] = static_cast<unsigned char>(grey[index] | (level << 4));
        }
}

int GreyAt(const unsigned char* grey, int x, int y)
{
    unsigned char b = grey[(y * kImageSide + x) / 2];
    return (x & 1) ? (b & 0x0F) : (b >> 4);
}

int RowBytes(int depth)
{
    int bits = kImageSide * (depth == 15 ? 16 : depth);
    return ((bits + 15) / 16) * 2;
}

// Scroll bar controls of the window (a text view has its own as children); NULL when the
// window uses its standard bars.
HWND FindBarControl(HWND window, bool vertical)
{
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        char name[16];
        if (!::GetClassNameA(child, name, sizeof(name)) || lstrcmpiA(name, "ScrollBar") != 0)
            continue;
        bool isVertical = (::GetWindowLongA(child, GWL_STYLE) & SBS_VERT) != 0;
        if (isVertical == vertical)
            return child;
    }
    return NULL;
}

bool ReadBar(HWND window, HWND bar, bool vertical, SCROLLINFO* info)
{
    memset(info, 0, sizeof(*info));
    info->cbSize = sizeof(*info);
    info->fMask = SIF_ALL;
    if (bar)
        return ::GetScrollInfo(bar, SB_CTL, info) != 0;
    return ::GetScrollInfo(window, vertical ? SB_VERT : SB_HORZ, info) != 0;
}

void PostScroll(HWND window, bool vertical, int code, int position, HWND bar)
{
    ::PostMessageA(window, vertical ? WM_VSCROLL : WM_HSCROLL,
                   MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(position)), reinterpret_cast<LPARAM>(bar));
}

void PostTrackStep(HWND window, bool vertical, int delta)
{
    HWND bar = FindBarControl(window, vertical);
    SCROLLINFO info;
    if (!ReadBar(window, bar, vertical, &info))
        return;
    // A thumb message carries 16 unsigned bits: a position pushed below the start would
    // wrap to the far end, so the step stops at the bar's ends.
    int last = info.nMax - (info.nPage > 0 ? static_cast<int>(info.nPage) - 1 : 0);
    int position = info.nPos + delta;
    if (position > last)
        position = last;
    if (position < info.nMin)
        position = info.nMin;
    if (position == info.nPos)
        return;
    PostScroll(window, vertical, SB_THUMBTRACK, position, bar);
}

DWORD WINAPI AutoScrollThread(LPVOID)
{
    while (!g_autoScroll.stop)
    {
        HWND window = g_autoScroll.target;
        int code = g_autoScroll.code;
        int speed = g_autoScroll.speed;
        int h = code / 3;
        int v = code % 3;
        if (h > 0)
            PostTrackStep(window, false, h == 1 ? speed : -speed);
        if (v > 0)
            PostTrackStep(window, true, v == 1 ? speed : -speed);
        ::Sleep(kTickMs);
    }
    ::InterlockedExchange(&g_autoScroll.ended, 1);
    return 0;
}

HICON MakeAnchorIcon(int directions)
{
    unsigned char grey[kGreyBytes];
    unsigned char andPlane[kMaskBytes];
    MakeAnchorImage(directions, grey, andPlane);
    HDC screen = ::GetDC(NULL);
    int depth = screen ? ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES) : 1;
    if (screen)
        ::ReleaseDC(NULL, screen);
    depth = AutoScrollIconDepth(depth);
    static unsigned char colour[kImageSide * 128];
    if (!ConvertGreyImage(grey, depth, colour, sizeof(colour)))
        return NULL;
    return ::CreateIcon(::GetModuleHandleA(NULL), kImageSide, kImageSide, 1, static_cast<BYTE>(depth == 15 ? 16 : depth),
                        andPlane, colour);
}

HCURSOR MakeCursor(int image)
{
    Raster shape;
    DrawCursorShape(shape, image);
    unsigned char xorPlane[kMaskBytes];
    unsigned char andPlane[kMaskBytes];
    MakeCursorPlanes(shape, xorPlane, andPlane);
    return ::CreateCursor(::GetModuleHandleA(NULL), 16, 16, kImageSide, kImageSide, andPlane, xorPlane);
}

int NeutralImage(int directions)
{
    return directions == AUTOSCROLL_HORIZONTAL ? 9 : (directions == AUTOSCROLL_VERTICAL ? 10 : 0);
}

} // namespace

int AutoScrollIconDepth(int depth)
{
    switch (depth)
    {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32: return depth;
    default: return 1;
    }
}

int ConvertGreyImage(const unsigned char* grey, int depth, unsigned char* out, int outSize)
{
    depth = AutoScrollIconDepth(depth);
    int stride = RowBytes(depth);
    int needed = stride * kImageSide;
    if (!grey || !out || outSize < needed)
        return 0;
    memset(out, 0, static_cast<size_t>(needed));
    for (int y = 0; y < kImageSide; ++y)
    {
        unsigned char* row = out + y * stride;
        for (int x = 0; x < kImageSide; ++x)
        {
            int level = GreyAt(grey, x, y);
            switch (depth)
            {
            case 1:
                if (level == 15)
                    row[x / 8] = static_cast<unsigned char>(row[x / 8] | (0x80 >> (x & 7)));
                break;
            case 4:
                row[x / 2] = static_cast<unsigned char>(row[x / 2] | ((x & 1) ? level : level << 4));
                break;
            case 8:
                row[x] = static_cast<unsigned char>(level);
                break;
            case 15:
            case 16:
            {
                unsigned c = static_cast<unsigned>(2 * level + 1);
                // 5-6-5 devices have one more green bit: the level fills it the same way.
                unsigned word = depth == 15 ? (c << 10) | (c << 5) | c : (c << 11) | (((c << 1) | 1) << 5) | c;
                row[2 * x] = static_cast<unsigned char>(word & 0xFF);
                row[2 * x + 1] = static_cast<unsigned char>(word >> 8);
                break;
            }
            default:
            {
                unsigned char c = static_cast<unsigned char>(16 * level + 15);
                int bytes = depth / 8;
                for (int k = 0; k < 3; ++k)
                    row[bytes * x + k] = c;
                break;
            }
            }
        }
    }
    return needed;
}

int AutoScrollDirection(int dx, int dy, int directions)
{
    if (dx == 0)
        dx = 1;
    if (dy == 0)
        dy = 1;
    long long d2 = static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
    if (d2 < 400)
        return 0;
    long long r = 100LL * dy / dx;
    int code;
    if (dx > 0)
        code = r <= -240 ? 2 : (r <= -40 ? 5 : (r <= 40 ? 3 : (r <= 240 ? 4 : 1)));
    else
        code = r <= -240 ? 1 : (r <= -40 ? 7 : (r <= 40 ? 6 : (r <= 240 ? 8 : 2)));
    if (directions == AUTOSCROLL_HORIZONTAL)
        code -= code % 3;
    else if (directions == AUTOSCROLL_VERTICAL)
        code %= 3;
    return code;
}

int AutoScrollPointerSpeed(int dx, int dy, int directions)
{
    // Adding the signed steps first would cancel a pull up and to the right to nothing;
    // the magnitudes are added instead.
    int sx = dx >> 4;
    int sy = dy >> 4;
    if (sx < 0)
        sx = -sx;
    if (sy < 0)
        sy = -sy;
    int speed = 0;
    if (directions & AUTOSCROLL_HORIZONTAL)
        speed += sx;
    if (directions & AUTOSCROLL_VERTICAL)
        speed += sy;
    return speed;
}

int AutoScroll(HWND window, int x, int y, int directions)
{
    if (directions < 1 || directions > 3 || !window || !::IsWindow(window))
        return 0;
    if (::InterlockedCompareExchange(&g_autoScroll.running, 1, 0) != 0)
        return 0;
    g_autoScroll.stop = 0;
    g_autoScroll.code = 0;
    g_autoScroll.ended = 0;
    g_autoScroll.speed = 1;
    g_autoScroll.target = window;
    HANDLE worker = ::CreateThread(NULL, 0, AutoScrollThread, NULL, 0, NULL);
    if (!worker)
    {
        g_autoScroll.running = 0;
        return 0;
    }

    HCURSOR cursors[9];
    cursors[0] = MakeCursor(NeutralImage(directions));
    for (int i = 1; i < 9; ++i)
        cursors[i] = MakeCursor(i);
    HICON icon = MakeAnchorIcon(directions);

    ::SetCapture(window);
    // The window paints itself at every step, with device contexts of its own that cover
    // its children unless its style clips them: the anchor would be painted over at the
    // first step and stay gone, as nothing asks a static to paint again. While the loop
    // runs the window clips its children; its own style comes back at the end.
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    if (!(style & WS_CLIPCHILDREN))
        ::SetWindowLongA(window, GWL_STYLE, style | WS_CLIPCHILDREN);
    HWND anchor = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_ICON, x - 16, y - 16, kImageSide, kImageSide,
                                    window, NULL, ::GetModuleHandleA(NULL), NULL);
    if (anchor)
    {
        if (icon)
            ::SendMessageA(anchor, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        ::SetWindowPos(anchor, HWND_TOP, x - 16, y - 16, kImageSide, kImageSide, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }
    HCURSOR previous = ::SetCursor(cursors[0]);
    HWND focus = ::GetFocus();
    int shown = 0;

    MSG msg;
    bool done = false;
    while (!done && ::GetCapture() == window)
    {
        int got = ::GetMessageA(&msg, NULL, 0, 0);
        if (got == 0)
        {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        switch (msg.message)
        {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            done = true;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (msg.wParam == VK_ESCAPE)
                done = true;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
            break;
        case WM_MOUSEMOVE:
            if (msg.hwnd == window)
            {
                int dx = static_cast<short>(LOWORD(msg.lParam)) - x;
                int dy = static_cast<short>(HIWORD(msg.lParam)) - y;
                int code = AutoScrollDirection(dx, dy, directions);
                g_autoScroll.speed = AutoScrollPointerSpeed(dx == 0 ? 1 : dx, dy == 0 ? 1 : dy, directions);
                g_autoScroll.code = code;
                if (code != shown)
                {
                    shown = code;
                    ::SetCursor(cursors[code]);
                }
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
            break;
        default:
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
            break;
        }
        // Losing the focus (a sent WM_KILLFOCUS, never seen in the queue) ends the drag.
        if (::GetFocus() != focus)
            done = true;
    }

    ::InterlockedExchange(&g_autoScroll.stop, 1);
    while (!g_autoScroll.ended)
    {
        // The worker may be asking a scroll bar of this thread for its position: answer
        // sent messages while waiting so neither side blocks the other.
        MSG pending;
        ::PeekMessageA(&pending, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        ::MsgWaitForMultipleObjects(1, &worker, FALSE, kWaitStepMs, QS_SENDMESSAGE);
    }
    ::WaitForSingleObject(worker, INFINITE);
    ::CloseHandle(worker);
    g_autoScroll.code = 0;
    ::SetCursor(previous);
    if (::GetCapture() == window)
        ::ReleaseCapture();
    if (anchor)
        ::DestroyWindow(anchor);
    if (!(style & WS_CLIPCHILDREN) && ::IsWindow(window))
        ::SetWindowLongA(window, GWL_STYLE, ::GetWindowLongA(window, GWL_STYLE) & ~WS_CLIPCHILDREN);
    if (icon)
        ::DestroyIcon(icon);
    for (int i = 0; i < 9; ++i)
        if (cursors[i])
            ::DestroyCursor(cursors[i]);

    if (::IsWindow(window))
    {
        // Let the view settle where the tracking left it.
        for (int pass = 0; pass < 2; ++pass)
        {
            bool vertical = pass == 1;
            HWND bar = FindBarControl(window, vertical);
            SCROLLINFO info;
            int position = ReadBar(window, bar, vertical, &info) ? info.nPos : 0;
            PostScroll(window, vertical, SB_THUMBPOSITION, position, bar);
        }
    }
    g_autoScroll.target = NULL;
    ::InterlockedExchange(&g_autoScroll.running, 0);
    return 1;
}
