// Sizing bars docked on the frame's left and right and at the bottom: the edge each offers,
// its drags both ways down to the minimum (left and top edges shrink the bar when dragged
// into it), a row of two bars one above the other, the three ways an edge drag ends, and a
// child bar given its child before it has a window.
#include <gtest/gtest.h>
#include "classlib/WinApp.h"
#include "controls/ChildBar.h"
#include "tests/controls/DockingTestSupport.h"

namespace {

using dockingtest::ClientPoint;
using dockingtest::Drain;
using dockingtest::RectInParent;
using dockingtest::ScreenRect;

// A point inside the edge of the hit code: 3 pixels in from that side of the window, in the
// middle along it.
CPoint OnEdge(const CRect& r, UINT hit)
{
    switch (hit) {
    case HTLEFT: return CPoint(r.left + 3, r.CenterPoint().y);
    case HTRIGHT: return CPoint(r.right - 4, r.CenterPoint().y);
    case HTTOP: return CPoint(r.CenterPoint().x, r.top + 3);
    default: return CPoint(r.CenterPoint().x, r.bottom - 4);
    }
}

// A frame with a view and two child bars that may dock on any side, shown; each case builds
// its own, so that a bar starts docked where the case puts it.
struct Rig {
    Rig()
    {
        frame = new CFrameWnd;
        ok = frame->Create(nullptr, "Edges", WS_OVERLAPPEDWINDOW, CRect(40, 40, 840, 640)) &&
             view.Create("STATIC", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), frame, AFX_IDW_PANE_FIRST) &&
             bar1.Create(frame, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, 18) &&
             bar2.Create(frame, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, 19);
        if (!ok)
            return;
        for (CChildBar* bar : { &bar1, &bar2 }) {
            bar->SetBarStyle(bar->GetBarStyle() | CBRS_SIZE_DYNAMIC);
            bar->EnableDocking(CBRS_ALIGN_ANY);
        }
        frame->EnableDocking(CBRS_ALIGN_ANY);
        frame->ShowWindow(SW_SHOWNORMAL);
        Drain();
    }
    ~Rig()
    {
        if (frame && frame->m_hWnd)
            frame->DestroyWindow();
        Drain();
    }
    void DockAndShow(CChildBar& bar, UINT dockBar, const CRect* at = nullptr)
    {
        frame->DockControlBar(&bar, dockBar, at);
        frame->ShowControlBar(&bar, TRUE, FALSE);
        frame->RecalcLayout();
        Drain();
    }
    // Presses the edge and moves the pointer to `to`; the drag goes on.
    void StartDrag(CSizeBarBase& bar, UINT hit, CPoint to)
    {
        const CPoint from = OnEdge(ScreenRect(bar.m_hWnd), hit);
        ASSERT_EQ(bar.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(from.x, from.y)), static_cast<LRESULT>(hit));
        bar.SendMessage(WM_NCLBUTTONDOWN, hit, MAKELPARAM(from.x, from.y));
        ASSERT_TRUE(bar.IsTracking());
        bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(bar, to));
        lastPoint = to;
    }
    // Releases the left button where the pointer last went.
    void Release(CSizeBarBase& bar) { bar.SendMessage(WM_LBUTTONUP, 0, ClientPoint(bar, lastPoint)); }
    void Drag(CSizeBarBase& bar, UINT hit, CPoint by)
    {
        StartDrag(bar, hit, OnEdge(ScreenRect(bar.m_hWnd), hit) + by);
        Release(bar);
        frame->RecalcLayout();
    }

    bool ok = false;
    CFrameWnd* frame = nullptr;   // deletes itself with its window
    CWnd view;
    CChildBar bar1, bar2;
    CPoint lastPoint;
};

}  // namespace

// The edge facing the view, dragged out and in: on the right the left edge, on the left the
// right edge, at the bottom the top edge. Out, the bar grows by the distance and the view
// shrinks by it; far out, the view keeps two pixels; far in, the bar keeps its minimum depth
// (33 wide docked on a side, 32 high at the bottom).
TEST(SizeBarEdges, TheEdgeFacingTheViewGrowsAndShrinksTheBar)
{
    const struct Case {
        const char* where;
        UINT dockBar, edge, active;
        CPoint out;          // the way that grows the bar
        int minimum;
    } cases[] = {
        { "right", AFX_IDW_DOCKBAR_RIGHT, HTLEFT, SizeBarEdgeLeft, CPoint(-40, 0), 33 },
        { "left", AFX_IDW_DOCKBAR_LEFT, HTRIGHT, SizeBarEdgeRight, CPoint(40, 0), 33 },
        { "bottom", AFX_IDW_DOCKBAR_BOTTOM, HTTOP, SizeBarEdgeTop, CPoint(0, -40), 32 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        Rig r;
        ASSERT_TRUE(r.ok);
        r.DockAndShow(r.bar1, c.dockBar);
        ASSERT_EQ(r.bar1.GetDockBarID(), c.dockBar);
        EXPECT_EQ(r.bar1.GetActiveEdges(), c.active);
        const bool across = c.out.x != 0;
        auto depth = [&](const CRect& rect) { return across ? rect.Width() : rect.Height(); };
        const CRect before = ScreenRect(r.bar1.m_hWnd), viewBefore = RectInParent(r.view);

        r.Drag(r.bar1, c.edge, c.out);
        EXPECT_FALSE(r.bar1.IsTracking());
        EXPECT_EQ(depth(ScreenRect(r.bar1.m_hWnd)), depth(before) + 40);
        EXPECT_EQ(depth(RectInParent(r.view)), depth(viewBefore) - 40);

        // Far out: the bar takes the view down to its last two pixels.
        r.Drag(r.bar1, c.edge, CPoint(c.out.x * 100, c.out.y * 100));
        EXPECT_EQ(depth(RectInParent(r.view)), 2);

        r.Drag(r.bar1, c.edge, CPoint(-c.out.x * 100, -c.out.y * 100));
        const CSize docked = across ? r.bar1.GetVertSize() : r.bar1.GetHorzSize();
        EXPECT_EQ(across ? docked.cx : docked.cy, c.minimum);
        EXPECT_EQ(depth(RectInParent(r.view)), depth(viewBefore) + depth(before) - c.minimum);
    }
}

// Two bars one above the other on the right: the upper one offers its bottom edge, which
// moves length between them and leaves the lower one at least its minimum height of 32; the
// lower one offers only the edge facing the view.
TEST(SizeBarEdges, AVerticalRowSharesItsLengthAtTheBottomEdge)
{
    Rig r;
    ASSERT_TRUE(r.ok);
    r.DockAndShow(r.bar1, AFX_IDW_DOCKBAR_RIGHT);
    const CRect r1 = ScreenRect(r.bar1.m_hWnd);
    const CRect at(r1.left, r1.top + r1.Height() / 2, r1.right, r1.bottom);
    r.DockAndShow(r.bar2, AFX_IDW_DOCKBAR_RIGHT, &at);
    CRect a = RectInParent(r.bar1), b = RectInParent(r.bar2);
    ASSERT_EQ(a.left, b.left) << "the second bar went into a row of its own";
    EXPECT_EQ(b.top, a.bottom - 2);
    EXPECT_EQ(r.bar1.GetActiveEdges(), static_cast<UINT>(SizeBarEdgeLeft | SizeBarEdgeBottom));
    EXPECT_EQ(r.bar2.GetActiveEdges(), static_cast<UINT>(SizeBarEdgeLeft));
    const int total = a.Height() + b.Height();

    // Up by 30: the lower bar gains what the upper one gives.
    r.Drag(r.bar1, HTBOTTOM, CPoint(0, -30));
    EXPECT_EQ(RectInParent(r.bar1).Height(), a.Height() - 30);
    EXPECT_EQ(RectInParent(r.bar2).Height(), b.Height() + 30);

    // Far down: the lower bar keeps 32, the upper one takes the rest.
    r.Drag(r.bar1, HTBOTTOM, CPoint(0, 3000));
    a = RectInParent(r.bar1);
    b = RectInParent(r.bar2);
    EXPECT_EQ(b.Height(), 32);
    EXPECT_EQ(b.top, a.bottom - 2);
    EXPECT_EQ(a.Height() + b.Height(), total);
}

// An edge drag ends on the left button's release, on a press of the right button and when
// another window takes the capture: the bar gives up the capture, and the distance moved
// until then stays.
TEST(SizeBarEdges, ADragEndsOnReleaseRightClickOrLostCapture)
{
    Rig r;
    ASSERT_TRUE(r.ok);
    r.DockAndShow(r.bar1, AFX_IDW_DOCKBAR_BOTTOM);
    enum End { RELEASE, RIGHT_CLICK, CAPTURE_TAKEN };
    for (End end : { RELEASE, RIGHT_CLICK, CAPTURE_TAKEN }) {
        SCOPED_TRACE(end);
        const CRect before = ScreenRect(r.bar1.m_hWnd);
        r.StartDrag(r.bar1, HTTOP, OnEdge(before, HTTOP) - CPoint(0, 20));
        EXPECT_EQ(::GetCapture(), r.bar1.m_hWnd);
        if (end == RELEASE)
            r.Release(r.bar1);
        else if (end == RIGHT_CLICK)
            r.bar1.SendMessage(WM_RBUTTONDOWN, 0, ClientPoint(r.bar1, r.lastPoint));
        else
            ::SetCapture(r.view.m_hWnd);
        EXPECT_FALSE(r.bar1.IsTracking());
        EXPECT_NE(::GetCapture(), r.bar1.m_hWnd);
        ::ReleaseCapture();
        // Moves after the end change nothing.
        r.bar1.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(r.bar1, OnEdge(before, HTTOP) - CPoint(0, 90)));
        r.frame->RecalcLayout();
        Drain();
        EXPECT_EQ(ScreenRect(r.bar1.m_hWnd).Height(), before.Height() + 20);
    }
}

// A child given to a bar that has no window yet stays where it is, with its parent and its
// visibility; once the bar has its window, the child joins it.
TEST(SizeBarEdges, AChildGivenBeforeTheBarExistsStaysWhereItWas)
{
    Rig r;
    ASSERT_TRUE(r.ok);
    CWnd child;
    ASSERT_TRUE(child.Create("STATIC", "c", WS_CHILD | WS_VISIBLE, CRect(5, 6, 25, 27), r.frame, 903));
    CChildBar later;
    EXPECT_EQ(later.SetChild(&child), nullptr);
    EXPECT_EQ(::GetParent(child.m_hWnd), r.frame->m_hWnd);
    EXPECT_EQ(RectInParent(child), CRect(5, 6, 25, 27));
    EXPECT_TRUE(child.GetStyle() & WS_VISIBLE);
    EXPECT_EQ(later.SetChild(&child), &child);

    ASSERT_TRUE(later.Create(r.frame, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, 20));
    later.SetChild(nullptr);
    EXPECT_EQ(later.SetChild(&child), nullptr);
    EXPECT_EQ(::GetParent(child.m_hWnd), later.m_hWnd);
}
