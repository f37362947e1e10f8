#include "uihelpers/AutoScroll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// --- direction and speed

TEST(AutoScrollDirection, GridAgreesWithTheSignsAndTheDeadZone)
{
    for (int dy = -150; dy <= 150; dy += 3)
        for (int dx = -150; dx <= 150; dx += 3)
            for (int directions = 1; directions <= 3; ++directions)
            {
                int code = AutoScrollDirection(dx, dy, directions);
                ASSERT_GE(code, 0);
                ASSERT_LE(code, 8);
                int ex = dx == 0 ? 1 : dx;
                int ey = dy == 0 ? 1 : dy;
                if (ex * ex + ey * ey < 400)
                {
                    EXPECT_EQ(0, code) << dx << "," << dy;
                }
                int h = code / 3, v = code % 3;
                if (h == 1) { EXPECT_GT(ex, 0); }
                if (h == 2) { EXPECT_LT(ex, 0); }
                if (v == 1) { EXPECT_GT(ey, 0); }
                if (v == 2) { EXPECT_LT(ey, 0); }
                if (directions == AUTOSCROLL_HORIZONTAL) { EXPECT_EQ(0, v); }
                if (directions == AUTOSCROLL_VERTICAL) { EXPECT_EQ(0, h); }
                // Well away from an axis both parts show; close to one, only that one.
                if (directions == AUTOSCROLL_BOTH && ex * ex + ey * ey >= 400)
                {
                    if (std::abs(ey) * 100 <= std::abs(ex) * 39) { EXPECT_EQ(0, v) << dx << "," << dy; }
                    if (std::abs(ex) * 241 < std::abs(ey) * 100) { EXPECT_EQ(0, h) << dx << "," << dy; }
                }
            }
}

TEST(AutoScrollSpeed, ADiagonalPullIsNotSlowerThanAStraightOne)
{
    // Adding the signed 16-pixel steps first made a pull up and to the right cancel
    // itself: (64 >> 4) + (-64 >> 4) = 0.
    EXPECT_EQ(8, AutoScrollPointerSpeed(64, -64, AUTOSCROLL_BOTH));
    EXPECT_EQ(8, AutoScrollPointerSpeed(-64, 64, AUTOSCROLL_BOTH));
    EXPECT_EQ(8, AutoScrollPointerSpeed(128, 1, AUTOSCROLL_BOTH));
    for (int total = 32; total <= 400; total += 16)
        for (int part = 0; part <= total; part += 4)
            for (int sx : {-1, 1})
                for (int sy : {-1, 1})
                {
                    int straight = AutoScrollPointerSpeed(total, 0, AUTOSCROLL_BOTH);
                    int diagonal = AutoScrollPointerSpeed(sx * part, sy * (total - part), AUTOSCROLL_BOTH);
                    // Each part loses less than one 16-pixel step to the shift.
                    EXPECT_GE(diagonal, straight - 1) << part << " of " << total;
                }
    // Only the allowed directions count.
    EXPECT_EQ(4, AutoScrollPointerSpeed(64, -160, AUTOSCROLL_HORIZONTAL));
    EXPECT_EQ(10, AutoScrollPointerSpeed(64, -160, AUTOSCROLL_VERTICAL));
    EXPECT_EQ(0, AutoScrollPointerSpeed(5, 5, AUTOSCROLL_BOTH));
}

TEST(AutoScrollIcon, GreyLevelsConvertToEachDepth)
{
    unsigned char grey[512];
    // Row 0: levels 15, 7, 0, 15, ... (two a byte, the first in the high nibble).
    memset(grey, 0, sizeof grey);
    grey[0] = 0xF7;
    grey[1] = 0x0F;
    std::vector<unsigned char> out(32 * 128);
    EXPECT_EQ(0, ConvertGreyImage(grey, 32, out.data(), 32 * 128 - 1));
    EXPECT_EQ(0, ConvertGreyImage(nullptr, 32, out.data(), 32 * 128));
    ASSERT_EQ(32 * 128, ConvertGreyImage(grey, 32, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(255, out[0]);            // 16 * 15 + 15
    EXPECT_EQ(127, out[4]);            // 16 * 7 + 15
    EXPECT_EQ(15, out[8]);
    ASSERT_EQ(32 * 96, ConvertGreyImage(grey, 24, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(127, out[3]);
    ASSERT_EQ(32 * 64, ConvertGreyImage(grey, 15, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(0x7FFF, out[0] | (out[1] << 8)); // channels 2 * 15 + 1 = 31
    EXPECT_EQ((15u << 10) | (15u << 5) | 15u, static_cast<unsigned>(out[2] | (out[3] << 8)));
    ASSERT_EQ(32 * 32, ConvertGreyImage(grey, 8, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(15, out[0]);
    EXPECT_EQ(7, out[1]);
    ASSERT_EQ(32 * 16, ConvertGreyImage(grey, 4, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(0xF7, out[0]);
    // 1 bit: white only where the level is 15; an unknown depth is taken as 1 bit.
    ASSERT_EQ(32 * 4, ConvertGreyImage(grey, 1, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(0x90, out[0]);
    EXPECT_EQ(32 * 4, ConvertGreyImage(grey, 12, out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(1, AutoScrollIconDepth(12));
}

// --- the modal loop, driven by posted messages

struct ScrollRecord {
    UINT message;
    int code;
    int position;
};
std::vector<ScrollRecord> g_records;
WNDPROC g_staticProc = nullptr;
// Ends the loop (a left press) once the steps recorded satisfy it.
bool (*g_enough)() = nullptr;
HWND g_pressed = nullptr;

size_t TrackCount(UINT message)
{
    size_t n = 0;
    for (const ScrollRecord& r : g_records)
        n += r.message == message && r.code == SB_THUMBTRACK;
    return n;
}

LRESULT CALLBACK ScrollTargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_HSCROLL || message == WM_VSCROLL)
    {
        int code = LOWORD(wParam);
        int position = HIWORD(wParam);
        g_records.push_back({message, code, position});
        if (code == SB_THUMBTRACK)
            SetScrollPos(hwnd, message == WM_VSCROLL ? SB_VERT : SB_HORZ, position, FALSE);
        if (g_enough && g_pressed != hwnd && g_enough())
        {
            g_pressed = hwnd;
            PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
        }
        return 0;
    }
    return CallWindowProcA(g_staticProc, hwnd, message, wParam, lParam);
}

class AutoScrollLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A plain static window with standard scroll bars, subclassed to record what the
        // worker posts.
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_HSCROLL | WS_VSCROLL, 0, 0, 300, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        g_staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ScrollTargetProc)));
        SCROLLINFO info;
        memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        info.nMin = 0;
        info.nMax = 1009;
        info.nPage = 10;
        info.nPos = 500;
        SetScrollInfo(window, SB_VERT, &info, FALSE);
        SetScrollInfo(window, SB_HORZ, &info, FALSE);
        g_records.clear();
        Drain();
        g_records.clear();
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        KillTimer(nullptr, stopTimer);
        g_enough = nullptr;
        g_pressed = nullptr;
    }
    static void Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    static void CALLBACK PressLater(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        PostMessageA(s_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
    }
    // Runs the auto-scroll from (150, 150) with the pointer moved to (x, y), ended by a
    // button press once the steps recorded satisfy `enough`, or after `ms` when none is given
    // (a pull that must scroll nothing: a busy machine only makes that check weaker).
    int RunWithPointer(int x, int y, bool (*enough)(), UINT ms = 0, int directions = AUTOSCROLL_BOTH)
    {
        s_window = window;
        g_enough = enough;
        g_pressed = nullptr;
        PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        // With a condition the timer is only the watchdog of a loop whose steps never come.
        stopTimer = SetTimer(nullptr, 0, enough ? 60000 : ms, &PressLater);
        int result = AutoScroll(window, 150, 150, directions);
        g_enough = nullptr;
        Drain();
        return result;
    }
    std::vector<ScrollRecord> Tracks(UINT message) const
    {
        std::vector<ScrollRecord> out;
        for (const ScrollRecord& r : g_records)
            if (r.message == message && r.code == SB_THUMBTRACK)
                out.push_back(r);
        return out;
    }
    int Finals(UINT message) const
    {
        int n = 0;
        for (const ScrollRecord& r : g_records)
            n += r.message == message && r.code == SB_THUMBPOSITION;
        return n;
    }
    HWND window = nullptr;
    UINT_PTR stopTimer = 0;
    static HWND s_window;
};
HWND AutoScrollLoop::s_window = nullptr;

TEST_F(AutoScrollLoop, RefusesBadArguments)
{
    EXPECT_EQ(0, AutoScroll(window, 10, 10, 0));
    EXPECT_EQ(0, AutoScroll(window, 10, 10, 4));
    EXPECT_EQ(0, AutoScroll(nullptr, 10, 10, 3));
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(0, AutoScroll(gone, 10, 10, 3));
}

TEST_F(AutoScrollLoop, AClickWithoutMovementEndsAtTheNextPressWithOneFinalMessageEach)
{
    PostMessageA(window, WM_MBUTTONUP, 0, MAKELPARAM(150, 150));
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
    EXPECT_EQ(1, AutoScroll(window, 150, 150, AUTOSCROLL_BOTH));
    EXPECT_EQ(nullptr, GetCapture());
    Drain();
    EXPECT_TRUE(Tracks(WM_VSCROLL).empty());
    EXPECT_TRUE(Tracks(WM_HSCROLL).empty());
    EXPECT_EQ(1, Finals(WM_VSCROLL));
    EXPECT_EQ(1, Finals(WM_HSCROLL));
    for (const ScrollRecord& r : g_records)
        EXPECT_EQ(500, r.position);
}

TEST_F(AutoScrollLoop, EscapeEndsAndOtherKeysAreDropped)
{
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(1, AutoScroll(window, 150, 150, AUTOSCROLL_BOTH));
    Drain();
    EXPECT_EQ(1, Finals(WM_VSCROLL));
}

TEST_F(AutoScrollLoop, PullingDownScrollsDownAtTheDistanceSpeed)
{
    // 200 pixels below the anchor: 200 >> 4 = 12 lines a tick.
    EXPECT_EQ(1, RunWithPointer(150, 350, [] { return TrackCount(WM_VSCROLL) >= 3; }));
    std::vector<ScrollRecord> v = Tracks(WM_VSCROLL);
    ASSERT_GE(v.size(), 2u);
    EXPECT_TRUE(Tracks(WM_HSCROLL).empty());
    int previous = 500;
    for (const ScrollRecord& r : v)
    {
        EXPECT_EQ(previous + 12, r.position);
        previous = r.position;
    }
    EXPECT_EQ(1, Finals(WM_VSCROLL));
    EXPECT_EQ(previous, g_records.back().message == WM_VSCROLL ? g_records.back().position : previous);
}

TEST_F(AutoScrollLoop, WithinTheDeadZoneNothingScrolls)
{
    EXPECT_EQ(1, RunWithPointer(160, 160, nullptr, 700));
    EXPECT_TRUE(Tracks(WM_VSCROLL).empty());
    EXPECT_TRUE(Tracks(WM_HSCROLL).empty());
}

TEST_F(AutoScrollLoop, ADiagonalPullMovesBothWaysAtTheSummedSpeed)
{
    // 100 right and 100 up: (100 >> 4) + |-100 >> 4| = 6 + 7 = 13 cells a tick each way.
    EXPECT_EQ(1, RunWithPointer(250, 50, [] { return TrackCount(WM_HSCROLL) >= 1 && TrackCount(WM_VSCROLL) >= 1; }));
    std::vector<ScrollRecord> h = Tracks(WM_HSCROLL);
    std::vector<ScrollRecord> v = Tracks(WM_VSCROLL);
    ASSERT_FALSE(h.empty());
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(513, h[0].position);
    EXPECT_EQ(487, v[0].position);
}

TEST_F(AutoScrollLoop, HorizontalOnlyIgnoresTheVerticalPart)
{
    EXPECT_EQ(1, RunWithPointer(250, 350, [] { return TrackCount(WM_HSCROLL) >= 2; }, 0, AUTOSCROLL_HORIZONTAL));
    EXPECT_TRUE(Tracks(WM_VSCROLL).empty());
    std::vector<ScrollRecord> h = Tracks(WM_HSCROLL);
    ASSERT_FALSE(h.empty());
    EXPECT_EQ(506, h[0].position); // 100 >> 4 only
}

TEST_F(AutoScrollLoop, ScrollingUpStopsAtTheTopInsteadOfWrapping)
{
    SetScrollPos(window, SB_VERT, 5, FALSE);
    EXPECT_EQ(1, RunWithPointer(150, 0, [] { return TrackCount(WM_VSCROLL) >= 1; }));
    std::vector<ScrollRecord> v = Tracks(WM_VSCROLL);
    ASSERT_FALSE(v.empty());
    for (const ScrollRecord& r : v)
        EXPECT_EQ(0, r.position);
    EXPECT_EQ(0, GetScrollPos(window, SB_VERT));
}

// --- the anchor on a window that paints itself at every step

struct AnchorWatch {
    int steps = 0;
    int sampled = 0;       // pixels read around the anchor's middle at the second step
    int paintedOver = 0;   // of them, in the colour the window paints itself
};
AnchorWatch g_anchor;
const COLORREF kViewColour = RGB(255, 0, 0);

// A view's way of scrolling: a thumb step moves the bar and paints the whole client area
// at once through a device context of the window's own, the anchor's place included
// unless the window's style clips its children.
LRESULT CALLBACK PaintingTargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_VSCROLL && LOWORD(wParam) == SB_THUMBTRACK)
    {
        SetScrollPos(hwnd, SB_VERT, HIWORD(wParam), FALSE);
        HWND anchor = FindWindowExA(hwnd, nullptr, "Static", nullptr);
        // Whatever the anchor had still to paint, it paints now: after this only a window
        // that asks it to would draw it again.
        if (anchor)
            UpdateWindow(anchor);
        if (++g_anchor.steps == 2)
        {
            HDC dc = GetDCEx(hwnd, nullptr, DCX_CACHE);
            for (int y = 150 - 8; y < 150 + 8; ++y)
                for (int x = 150 - 8; x < 150 + 8; ++x)
                {
                    const COLORREF c = GetPixel(dc, x, y);
                    g_anchor.sampled += c != CLR_INVALID;
                    g_anchor.paintedOver += c == kViewColour;
                }
            ReleaseDC(hwnd, dc);
            PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
        }
        HDC dc = GetDC(hwnd);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH red = CreateSolidBrush(kViewColour);
        FillRect(dc, &client, red);
        DeleteObject(red);
        ReleaseDC(hwnd, dc);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND g_anchorTarget = nullptr;

// The watchdog of a loop whose steps never come.
void CALLBACK EndAnchorLoop(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostMessageA(g_anchorTarget, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
}

TEST(AutoScrollAnchor, StaysVisibleWhileTheWindowScrollsAndPaintsItself)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &PaintingTargetProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "AutoScrollPaintingTarget";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 0, 0, 300, 300,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    info.nMax = 1009;
    info.nPage = 10;
    info.nPos = 500;
    SetScrollInfo(window, SB_VERT, &info, FALSE);
    UpdateWindow(window);
    g_anchor = AnchorWatch();
    // 200 pixels below the anchor: a step every tick.
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(150, 350));
    g_anchorTarget = window;
    UINT_PTR watchdog = SetTimer(nullptr, 0, 60000, &EndAnchorLoop);
    EXPECT_EQ(1, AutoScroll(window, 150, 150, AUTOSCROLL_VERTICAL));
    KillTimer(nullptr, watchdog);
    EXPECT_GE(g_anchor.steps, 2);
    EXPECT_EQ(g_anchor.sampled, 16 * 16);
    EXPECT_EQ(g_anchor.paintedOver, 0) << "the window's first step painted over the anchor";
    // The window's own style is back.
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_CLIPCHILDREN, 0);
    DestroyWindow(window);
}

} // namespace
