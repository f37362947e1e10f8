#include "uihelpers/MouseTracking.h"

#include "classlib/Wnd.h"

#include "uihelpers/FrameDrawing.h"
#include "tests/uihelpers/TestWindows.h"

#include <gtest/gtest.h>

namespace {

RECT MakeRect(int l, int t, int r, int b)
{
    RECT rc = {l, t, r, b};
    return rc;
}

void ExpectRect(const RECT& expected, const RECT& actual)
{
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
}

} // namespace

TEST(DragRectEdges, MovingEdgesStopAtTheMinimum)
{
    RECT r = MakeRect(100, 100, 300, 200);
    ExpectRect(MakeRect(90, 100, 300, 200), DragRectEdges(r, EDGE_LEFT, -10, 50, 50, 50));
    // The left edge stops 50 pixels before the right one.
    ExpectRect(MakeRect(250, 100, 300, 200), DragRectEdges(r, EDGE_LEFT, 190, 0, 50, 50));
    ExpectRect(MakeRect(100, 100, 150, 200), DragRectEdges(r, EDGE_RIGHT, -190, 0, -50, 50));
    ExpectRect(MakeRect(100, 100, 320, 140), DragRectEdges(r, EDGE_RIGHT | EDGE_BOTTOM, 20, -90, 10, 40));
    ExpectRect(MakeRect(100, 150, 300, 200), DragRectEdges(r, EDGE_TOP, 0, 80, 10, 50));
    // All four edges: the whole rectangle moves.
    ExpectRect(MakeRect(105, 93, 305, 193), DragRectEdges(r, 15, 5, -7, 500, 500));
}

TEST(ClampSplitPosition, StaysInsideTheArea)
{
    EXPECT_EQ(0, ClampSplitPosition(-20, 300, 5));
    EXPECT_EQ(295, ClampSplitPosition(400, 300, 5));
    EXPECT_EQ(120, ClampSplitPosition(120, 300, 5));
}

class TrackingWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 50, 50, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window);
        GetClientRect(window, &area);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    }
    void TearDown() override
    {
        if (GetCapture())
            ReleaseCapture();
        DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    HWND window = nullptr;
    RECT area = {};
};

TEST_F(TrackingWindow, SplitterRefusedWhileAnotherWindowHoldsTheCapture)
{
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetCapture(other);
    EXPECT_EQ(0, TrackSplitter(window, SPLIT_HORIZONTAL_BAR, area, 100, area.left + 10, area.top + 103, 7, 5,
                               TRACK_CENTRED));
    EXPECT_EQ(other, GetCapture());
    ReleaseCapture();
    DestroyWindow(other);
}

TEST_F(TrackingWindow, EscapeLeavesTheSplitUnchanged)
{
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 160));
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0, TrackSplitter(window, SPLIT_HORIZONTAL_BAR, area, 100, area.left + 10, area.top + 103, 7, 5,
                               TRACK_CENTRED));
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(TrackingWindow, ReleasingTheButtonAcceptsTheMove)
{
    // Grabbed 3 pixels into the bar at line 100; moved to client y 160: the bar starts at
    // 157, 57 below where it was. Other keys are dropped on the way.
    PostMessageA(window, WM_KEYDOWN, 'X', 0);
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 160));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 160));
    EXPECT_EQ(57, TrackSplitter(window, SPLIT_HORIZONTAL_BAR, area, 100, area.left + 10, area.top + 103, 7, 5, 0));
    // Far below the area: kept inside it (height - thickness).
    int height = area.bottom - area.top;
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 2000));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 2000));
    EXPECT_EQ(height - 5 - 100, TrackSplitter(window, SPLIT_HORIZONTAL_BAR, area, 100, area.left + 10,
                                              area.top + 103, 7, 5, 0));
    // A cross packs both offsets.
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(60, 40));
    PostMessageA(window, WM_LBUTTONUP, 0, 0);
    int packed = TrackSplitter(window, SPLIT_CROSS, area, MAKELONG(50, 50), area.left + 50, area.top + 50, 7, 7, 0);
    EXPECT_EQ(10, static_cast<short>(LOWORD(packed)));
    EXPECT_EQ(-10, static_cast<short>(HIWORD(packed)));
}

TEST_F(TrackingWindow, RectDragSizesByTheEdgeUnderThePress)
{
    RECT frame = MakeRect(area.left + 50, area.top + 50, area.left + 250, area.top + 200);
    RECT before = frame;
    // The middle is not on the frame.
    EXPECT_EQ(0, TrackRectDrag(window, &frame, area.left + 150, area.top + 120, 20, 20));
    // Right edge (middle height) pulled 30 to the right.
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(279, 120));
    PostMessageA(window, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(1, TrackRectDrag(window, &frame, area.left + 249, area.top + 120, 20, 20));
    RECT expected = before;
    expected.right += 30;
    ExpectRect(expected, frame);
    // Left and right excluded: the right edge's press is no longer on the frame.
    EXPECT_EQ(0, TrackRectDrag(window, &frame, area.left + 279, area.top + 120, -20, 20));
    // A right press cancels and keeps the rectangle.
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
    PostMessageA(window, WM_RBUTTONDOWN, 0, 0);
    EXPECT_EQ(0, TrackRectDrag(window, &frame, area.left + 51, area.top + 51, 20, 20));
    ExpectRect(expected, frame);
}

TEST(WindowPlacement, MovingAndSizingWithinTheWorkArea)
{
    RECT work;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    HWND top = CreateWindowExA(0, "STATIC", "", WS_POPUP, work.left + 10, work.top + 20, 200, 150, nullptr,
                               nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, top);
    POINT origin = GetWindowOrigin(top);
    EXPECT_EQ(work.left + 10, origin.x);
    EXPECT_EQ(work.top + 20, origin.y);
    EXPECT_TRUE(MoveWindowTo(top, 5, 7, TRUE));
    origin = GetWindowOrigin(top);
    EXPECT_EQ(work.left + 15, origin.x);
    EXPECT_EQ(work.top + 27, origin.y);
    EXPECT_TRUE(MoveWindowTo(top, work.left + 40, work.top + 30, FALSE));
    EXPECT_TRUE(ResizeWindow(top, 10, -20, TRUE));
    RECT r;
    // A top-level window has no parent: 0 and its screen rectangle.
    EXPECT_EQ(0, GetWindowRectInParent(top, &r));
    ExpectRect(MakeRect(work.left + 40, work.top + 30, work.left + 250, work.top + 160), r);
    EXPECT_TRUE(ResizeWindow(top, 120, 80, FALSE));
    GetWindowRect(top, &r);
    ExpectRect(MakeRect(work.left + 40, work.top + 30, work.left + 160, work.top + 110), r);
    // The window-object form sizes the object's window the same way.
    CWnd object;
    object.Attach(top);
    EXPECT_TRUE(ResizeWnd(&object, 5, 6, TRUE));
    GetWindowRect(top, &r);
    ExpectRect(MakeRect(work.left + 40, work.top + 30, work.left + 165, work.top + 116), r);
    object.Detach();
    EXPECT_FALSE(ResizeWnd(nullptr, 1, 1, FALSE));
    EXPECT_GE(r.left, work.left);
    EXPECT_LE(r.bottom, work.bottom);

    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 12, 14, 30, 20, top, nullptr, nullptr, nullptr);
    EXPECT_EQ(1, GetWindowRectInParent(child, &r));
    ExpectRect(MakeRect(12, 14, 42, 34), r);
    EXPECT_TRUE(MoveWindowTo(child, 3, -4, TRUE));
    GetWindowRectInParent(child, &r);
    ExpectRect(MakeRect(15, 10, 45, 30), r);
    EXPECT_EQ(0, GetWindowRectInParent(nullptr, &r));
    EXPECT_FALSE(MoveWindowTo(nullptr, 0, 0, FALSE));
    EXPECT_FALSE(ResizeWindow(nullptr, 0, 0, FALSE));
    DestroyWindow(top);
}

TEST(WindowPlacement, DialogItems)
{
    uitest::HostDialog host("STATIC", WS_CHILD | WS_VISIBLE);
    HWND dialog = host.Dialog();
    ASSERT_NE(nullptr, dialog);
    HWND second = CreateWindowExA(0, "STATIC", "", WS_CHILD, 70, 80, 25, 15, dialog,
                                  reinterpret_cast<HMENU>(101), nullptr, nullptr);
    ASSERT_NE(nullptr, second);
    RECT r;
    EXPECT_EQ(1, GetDlgItemRect(dialog, 101, &r));
    ExpectRect(MakeRect(70, 80, 95, 95), r);
    EXPECT_EQ(0, GetDlgItemRect(dialog, 999, &r));
    EXPECT_EQ(0, GetDlgItemRect(nullptr, 101, &r));
    RECT reference;
    ASSERT_EQ(1, GetDlgItemRect(dialog, 100, &reference));
    EXPECT_EQ(1, MoveDlgItemOnto(dialog, 101, 100));
    GetDlgItemRect(dialog, 101, &r);
    ExpectRect(reference, r);
    EXPECT_EQ(0, MoveDlgItemOnto(dialog, 101, 999));
    EXPECT_EQ(0, MoveDlgItemOnto(dialog, 999, 100));
}
