// The middle button on a text view: the auto-scroll loop runs on the view and the
// positions its worker posts move the view's scroll origin.
#include "views/AnsiView.h"

#include "tests/views/ViewWindowSupport.h"

#include <gtest/gtest.h>

using namespace viewtest;

namespace {

using AnsiViewAutoScroll = ViewWindowTest;

HWND g_pressTarget = nullptr;
CAnsiView* g_watched = nullptr;
int g_stopAtLine = 0;   // the scroll line that ends the auto-scroll, once reached or passed
bool g_upwards = false;
DWORD g_deadline = 0;   // a view that never gets there fails instead of hanging

// Asked every 20 ms inside the auto-scroll's loop: the left press that ends it comes once
// the view has scrolled far enough, however long the steps take to arrive.
void CALLBACK PressLeftOnceScrolled(HWND, UINT, UINT_PTR id, DWORD)
{
    const int line = g_watched->GetScrollOrigin().y;
    const bool lapsed = static_cast<LONG>(GetTickCount() - g_deadline) > 0;
    if (!lapsed && (g_upwards ? line > g_stopAtLine : line < g_stopAtLine))
        return;
    KillTimer(nullptr, id);
    PostMessageA(g_pressTarget, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
}

// Runs the middle-button auto-scroll from (x, y) until the scroll line reaches `stopAt`.
void ScrollUntil(CAnsiView& view, int x, int y, int stopAt)
{
    g_pressTarget = view.m_hWnd;
    g_watched = &view;
    g_stopAtLine = stopAt;
    g_upwards = stopAt < view.GetScrollOrigin().y;
    g_deadline = GetTickCount() + 60000;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, &PressLeftOnceScrolled);
    view.SendMessage(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(x, y));
    KillTimer(nullptr, timer);
    g_watched = nullptr;
}

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

}  // namespace

TEST_F(AnsiViewAutoScroll, MiddlePressScrollsTowardsThePointer)
{
    CAnsiView view("AutoScrollTest", 120, 400);
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    view.SetFocus();
    Drain();
    ASSERT_EQ(0, view.GetScrollOrigin().y);
    // Anchor at (200, 60), pointer 176 pixels below: 176 >> 4 = 11 lines a tick.
    view.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(200, 236));
    ScrollUntil(view, 200, 60, 22);
    EXPECT_EQ(nullptr, GetCapture());
    Drain();
    int top = view.GetScrollOrigin().y;
    EXPECT_GT(top, 0);
    EXPECT_EQ(0, top % 11);
    EXPECT_EQ(0, view.GetScrollOrigin().x);
}

TEST_F(AnsiViewAutoScroll, MiddleClickWithoutMovementLeavesTheViewWhereItWas)
{
    CAnsiView view("AutoScrollTest", 120, 400);
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    view.SetScrollOrigin(3, 40);
    Drain();
    POINT before = view.GetScrollOrigin();
    view.PostMessage(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
    view.SendMessage(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 100));
    Drain();
    EXPECT_EQ(before.x, view.GetScrollOrigin().x);
    EXPECT_EQ(before.y, view.GetScrollOrigin().y);
}

TEST_F(AnsiViewAutoScroll, LongTextsScrollBeyondSixteenBitPositions)
{
    // 100000 lines: the bar's positions no longer fit the message's 16 bits.
    CAnsiView view("AutoScrollTest", 120, 100000);
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent, 4099));
    view.SetFocus();
    view.SetScrollOrigin(0, 70000);
    Drain();
    ASSERT_EQ(70000, view.GetScrollOrigin().y);
    // 160 pixels above the anchor: 10 lines a tick upwards.
    view.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(200, 40));
    ScrollUntil(view, 200, 200, 70000 - 20);
    Drain();
    int top = view.GetScrollOrigin().y;
    EXPECT_LT(top, 70000);
    EXPECT_GT(top, 69000);
    EXPECT_EQ(0, (70000 - top) % 10);
}
