// Docking and sizing bars in a real frame: edges dragged through the bar's own messages, the
// drag loop fed with posted mouse messages, floating frames and the close button.
#include <gtest/gtest.h>
#include "classlib/WinApp.h"
#include "controls/ChildBar.h"
#include "tests/controls/DockingTestSupport.h"
#include "tests/support/TestSupport.h"

#include <climits>
#include <random>

namespace {

using dockingtest::ClientPoint;
using dockingtest::Drain;
using dockingtest::RectInParent;
using dockingtest::ScreenRect;

// Drags an edge of a docked bar the way the mouse does: press on the edge, move, release.
void DragEdge(CSizeBarBase& bar, UINT hit, CPoint from, CPoint to)
{
    ASSERT_EQ(bar.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(from.x, from.y)), static_cast<LRESULT>(hit));
    bar.SendMessage(WM_NCLBUTTONDOWN, hit, MAKELPARAM(from.x, from.y));
    ASSERT_TRUE(bar.IsTracking());
    bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(bar, to));
    bar.SendMessage(WM_LBUTTONUP, 0, ClientPoint(bar, to));
    ASSERT_FALSE(bar.IsTracking());
}

class DockingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CFrameWnd;
        ASSERT_TRUE(frame->Create(nullptr, "Docking", WS_OVERLAPPEDWINDOW, CRect(40, 40, 840, 640)));
        ASSERT_TRUE(view.Create("STATIC", "", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), frame, AFX_IDW_PANE_FIRST));
        ASSERT_TRUE(bar1.Create(frame, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, 18));
        ASSERT_TRUE(bar2.Create(frame, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, 19));
        ASSERT_TRUE(status.Create(frame));
        static const UINT pane[] = {ID_SEPARATOR};
        status.SetIndicators(pane, 1);
        for (CChildBar* bar : {&bar1, &bar2}) {
            bar->SetBarStyle(bar->GetBarStyle() | CBRS_SIZE_DYNAMIC);
            bar->EnableDocking(CBRS_ALIGN_ANY);
        }
        frame->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(&bar1, AFX_IDW_DOCKBAR_BOTTOM);
        frame->ShowWindow(SW_SHOWNORMAL);
        frame->ShowControlBar(&bar1, TRUE, FALSE);
        Drain();
        frame->RecalcLayout();
    }
    void TearDown() override
    {
        if (frame && frame->m_hWnd)
            frame->DestroyWindow();
        Drain();
    }
    CDockBar* Dock(UINT id) { return static_cast<CDockBar*>(frame->GetControlBar(id)); }

    CFrameWnd* frame = nullptr;   // deletes itself with its window
    CWnd view;
    CChildBar bar1, bar2;
    CStatusBar status;
};

}  // namespace

TEST_F(DockingTest, LoneBottomBarOffersOnlyItsTopEdgeAndGrowsIntoTheView)
{
    CDockBar* bottom = Dock(AFX_IDW_DOCKBAR_BOTTOM);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bar1.m_pDockBar, bottom);
    EXPECT_EQ(bar1.GetActiveEdges(), static_cast<UINT>(SizeBarEdgeTop));
    // Bottom to top: status bar, then the bottom dock bar, then the view.
    CRect statusRect = RectInParent(status), dockRect = RectInParent(*bottom), viewRect = RectInParent(view);
    EXPECT_EQ(dockRect.bottom, statusRect.top);
    EXPECT_EQ(viewRect.bottom, dockRect.top);
    CRect client;
    frame->GetClientRect(&client);
    // A lone bar spans the row, its borders two pixels outside on both sides.
    EXPECT_EQ(RectInParent(bar1), CRect(-2, 0, client.right + 2, 200));

    const CRect before = ScreenRect(bar1.m_hWnd);
    const CPoint top(before.CenterPoint().x, before.top + 3);
    EXPECT_EQ(bar1.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(before.left + 3, before.CenterPoint().y)), HTCLIENT);
    EXPECT_EQ(bar1.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(top.x, before.bottom - 3)), HTCLIENT);
    DragEdge(bar1, HTTOP, top, top - CPoint(0, 50));
    frame->RecalcLayout();
    EXPECT_EQ(ScreenRect(bar1.m_hWnd).Height(), before.Height() + 50);
    EXPECT_EQ(RectInParent(view).Height(), viewRect.Height() - 50);

    // Far beyond the frame: the view keeps two pixels.
    const CRect grown = ScreenRect(bar1.m_hWnd);
    DragEdge(bar1, HTTOP, CPoint(top.x, grown.top + 3), CPoint(top.x, grown.top - 5000));
    frame->RecalcLayout();
    EXPECT_EQ(RectInParent(view).Height(), 2);
}

TEST_F(DockingTest, TwoBarsShareARowAndTheSecondKeepsItsMinimumWidth)
{
    CRect r1 = ScreenRect(bar1.m_hWnd);
    CRect at(r1.left + r1.Width() / 2, r1.top, r1.right, r1.bottom);
    frame->DockControlBar(&bar2, AFX_IDW_DOCKBAR_BOTTOM, &at);
    frame->ShowControlBar(&bar2, TRUE, FALSE);
    frame->RecalcLayout();
    CRect client;
    frame->GetClientRect(&client);
    CRect a = RectInParent(bar1), b = RectInParent(bar2);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.left, -2);
    EXPECT_EQ(b.left, a.right - 2);
    EXPECT_EQ(b.right, client.right + 2);
    EXPECT_EQ(bar1.GetActiveEdges(), static_cast<UINT>(SizeBarEdgeTop | SizeBarEdgeRight));
    EXPECT_EQ(bar2.GetActiveEdges(), static_cast<UINT>(SizeBarEdgeTop));

    // The right edge of the first bar takes the second one's width down to 33.
    CRect s1 = ScreenRect(bar1.m_hWnd);
    CPoint edge(s1.right - 4, s1.CenterPoint().y);
    DragEdge(bar1, HTRIGHT, edge, edge + CPoint(3000, 0));
    frame->RecalcLayout();
    a = RectInParent(bar1);
    b = RectInParent(bar2);
    EXPECT_EQ(b.Width(), 33);
    EXPECT_EQ(b.left, a.right - 2);
    EXPECT_EQ(b.right, client.right + 2);

    // The top edge faces the view: it makes the first bar taller and leaves the second alone.
    const int height1 = a.Height(), height2 = b.Height();
    s1 = ScreenRect(bar1.m_hWnd);
    const CPoint top(s1.left + 60, s1.top + 3);
    DragEdge(bar1, HTTOP, top, top - CPoint(0, 40));
    frame->RecalcLayout();
    EXPECT_EQ(RectInParent(bar1).Height(), height1 + 40);
    EXPECT_EQ(RectInParent(bar2).Height(), height2);

    // Hidden, the second bar leaves the row to the first; shown, it is back at its place.
    frame->ShowControlBar(&bar2, FALSE, FALSE);
    frame->RecalcLayout();
    EXPECT_FALSE(bar2.IsWindowVisible());
    EXPECT_EQ(RectInParent(bar1).right, client.right + 2);
    frame->ShowControlBar(&bar2, TRUE, FALSE);
    frame->RecalcLayout();
    EXPECT_EQ(RectInParent(bar2).top, RectInParent(bar1).top);
    EXPECT_EQ(RectInParent(bar2).right, client.right + 2);
}

TEST_F(DockingTest, FloatToggleAndDockOnTheRight)
{
    frame->FloatControlBar(&bar1, CPoint(100, 100), CBRS_ALIGN_TOP);
    ASSERT_TRUE(bar1.IsFloating());
    CFrameWnd* floating = bar1.GetDockingFrame();
    ASSERT_TRUE(floating && floating->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd)));
    EXPECT_EQ(ScreenRect(floating->m_hWnd).TopLeft(), CPoint(100, 100));
    EXPECT_TRUE(floating->IsWindowVisible());
    EXPECT_EQ(Dock(AFX_IDW_DOCKBAR_BOTTOM)->GetDockedCount(), 0);
    // The floating frame wraps the bar's floating size.
    EXPECT_EQ(ScreenRect(bar1.m_hWnd).Size(), bar1.GetFloatSize());
    // The bar's title becomes the floating frame's at its next layout.
    bar1.SetWindowText("Daten");
    floating->RecalcLayout();
    char title[16] = {};
    ::GetWindowTextA(floating->m_hWnd, title, sizeof title);
    EXPECT_STREQ(title, "Daten");

    bar1.m_pDockContext->ToggleDocking();
    EXPECT_EQ(bar1.m_pDockBar, Dock(AFX_IDW_DOCKBAR_BOTTOM));
    Drain();   // the emptied floating frame goes away

    frame->FloatControlBar(&bar1, CPoint(100, 100), CBRS_ALIGN_TOP);
    frame->DockControlBar(&bar1, AFX_IDW_DOCKBAR_RIGHT);
    EXPECT_EQ(bar1.m_pDockBar, Dock(AFX_IDW_DOCKBAR_RIGHT));
    EXPECT_FALSE(bar1.IsHorzDocked());
    EXPECT_EQ(bar1.GetActiveEdges(), static_cast<UINT>(SizeBarEdgeLeft));
    CRect client;
    frame->GetClientRect(&client);
    EXPECT_EQ(RectInParent(*Dock(AFX_IDW_DOCKBAR_RIGHT)).right, client.right);
    EXPECT_EQ(RectInParent(view).right, RectInParent(*Dock(AFX_IDW_DOCKBAR_RIGHT)).left);
}

TEST_F(DockingTest, DragLoopDocksUnlessCtrlIsHeldAndCornerResizeKeepsTheMinimum)
{
    CRect r = ScreenRect(bar1.m_hWnd);
    CPoint grip(r.left + 6, r.top + 40);
    // Ctrl held: the bar floats where the pointer left it.
    bar1.PostMessage(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, ClientPoint(bar1, grip + CPoint(10, 5)));
    bar1.PostMessage(WM_LBUTTONUP, MK_CONTROL, ClientPoint(bar1, grip + CPoint(10, 5)));
    bar1.m_pDockContext->StartDrag(grip);
    ASSERT_TRUE(bar1.IsFloating());
    // Dragged back over the bottom dock bar without Ctrl, it docks again.
    CRect dockArea = ScreenRect(status.m_hWnd);
    CPoint onBottom(dockArea.CenterPoint().x, dockArea.top - 2);
    CRect fr = ScreenRect(bar1.GetDockingFrame()->m_hWnd);
    CPoint caption(fr.CenterPoint().x, fr.top + 4);
    bar1.PostMessage(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(bar1, onBottom));
    bar1.PostMessage(WM_LBUTTONUP, 0, ClientPoint(bar1, onBottom));
    bar1.m_pDockContext->StartDrag(caption);
    EXPECT_EQ(bar1.m_pDockBar, Dock(AFX_IDW_DOCKBAR_BOTTOM));
    Drain();

    // Floating again, the frame's corner pulled far inwards: no smaller than 37 x 32.
    frame->FloatControlBar(&bar1, CPoint(200, 150), CBRS_ALIGN_TOP);
    CFrameWnd* floating = bar1.GetDockingFrame();
    EXPECT_FALSE(floating->GetStyle() & MFS_4THICKFRAME);
    CRect f = ScreenRect(floating->m_hWnd);
    CPoint corner(f.right - 2, f.bottom - 2);
    EXPECT_EQ(floating->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTBOTTOMRIGHT);
    bar1.PostMessage(WM_MOUSEMOVE, MK_LBUTTON, ClientPoint(bar1, corner - CPoint(1000, 1000)));
    bar1.PostMessage(WM_LBUTTONUP, 0, ClientPoint(bar1, corner - CPoint(1000, 1000)));
    bar1.m_pDockContext->StartResize(HTBOTTOMRIGHT, corner);
    EXPECT_EQ(bar1.GetFloatSize(), CSize(37, 32));
    EXPECT_EQ(ScreenRect(bar1.m_hWnd).Size(), CSize(37, 32));
    EXPECT_EQ(ScreenRect(floating->m_hWnd).TopLeft(), f.TopLeft());
}

TEST_F(DockingTest, CloseButtonIsHotUnderThePointerPushedWhilePressedAndHidesOnRelease)
{
    CRect close = bar1.CloseButtonRect();
    ASSERT_FALSE(close.IsRectEmpty());
    close.OffsetRect(ScreenRect(bar1.m_hWnd).TopLeft());
    CPoint centre = close.CenterPoint();
    EXPECT_EQ(bar1.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTCLOSE);
    SetCursorPos(centre.x, centre.y);
    bar1.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_TRUE(bar1.IsCloseHot());
    EXPECT_FALSE(bar1.IsClosePushed());
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_LBUTTON] |= 0x80;
    SetKeyboardState(keys);
    bar1.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    keys[VK_LBUTTON] &= ~0x80;
    SetKeyboardState(keys);
    EXPECT_TRUE(bar1.IsClosePushed());
    bar1.SendMessage(WM_NCLBUTTONUP, HTCLOSE, MAKELPARAM(centre.x, centre.y));
    EXPECT_FALSE(bar1.IsWindowVisible());
    EXPECT_EQ(bar1.m_pDockBar, Dock(AFX_IDW_DOCKBAR_BOTTOM));   // hidden in place
    SetCursorPos(0, 0);
}

TEST_F(DockingTest, AnyOrderOfShowHideFloatDockAndSizesEndsWithConsistentRows)
{
    std::mt19937 rng(7);
    CChildBar* bars[] = {&bar1, &bar2};
    const UINT sides[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT};
    for (int step = 0; step < 120; ++step) {
        CChildBar* bar = bars[rng() % 2];
        switch (rng() % 5) {
        case 0:
            frame->ShowControlBar(bar, rng() % 2, FALSE);
            break;
        case 1:
            frame->FloatControlBar(bar, CPoint(rng() % 300, rng() % 300), rng() % 2 ? CBRS_ALIGN_TOP : CBRS_ALIGN_LEFT);
            break;
        case 2:
            frame->DockControlBar(bar, sides[rng() % 4]);
            break;
        case 3: {
            // Sizes down to an empty client area.
            int w = rng() % 3 == 0 ? 0 : static_cast<int>(rng() % 900);
            frame->SetWindowPos(nullptr, 0, 0, w, w / 2, SWP_NOZORDER | SWP_NOMOVE);
            break;
        }
        default:
            bar->SetSizes(CSize(static_cast<int>(rng() % 500) - 50, static_cast<int>(rng() % 500) - 50));
            break;
        }
        frame->RecalcLayout();
        Drain();
        // Every bar is in exactly one dock bar, whose list starts and ends with a row break
        // and has no empty rows.
        for (CChildBar* b : bars) {
            ASSERT_NE(b->m_pDockBar, nullptr);
            const std::vector<CControlBar*>& list = b->m_pDockBar->m_arrBars;
            ASSERT_GE(b->m_pDockBar->FindBar(b), 1);
            ASSERT_EQ(list.front(), nullptr);
            ASSERT_EQ(list.back(), nullptr);
            for (size_t i = 1; i < list.size(); ++i)
                ASSERT_FALSE(!list[i - 1] && !list[i]);
        }
    }
}

TEST_F(DockingTest, BarStatesGoThroughTheProfileAndAFloatingStateFloatsTheBar)
{
    testsupport::ScratchKey scratch("SizeBarState");
    struct App : CWinApp {
        App() : CWinApp("SizeBarState") { SetRegistryKey("SektorlupeTests"); }
    } app;
    auto value = [&](const char* section, const char* name) {
        DWORD v = 0, size = sizeof v;
        const std::string key = scratch.Path() + "\\" + section;
        if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
            return -1L;
        return static_cast<long>(v);
    };
    frame->FloatControlBar(&bar2, CPoint(300, 200), CBRS_ALIGN_TOP);
    SizeBarSaveStates(frame, "Leisten");
    // One section per bar, named after the profile and the bar's id.
    EXPECT_EQ(value("Leisten-SCBar-18", "Floating"), 0);
    EXPECT_EQ(value("Leisten-SCBar-19", "Floating"), 1);
    EXPECT_EQ(value("Leisten-SCBar-18", "sizeHorzCY"), bar1.GetHorzSize().cy);
    EXPECT_EQ(value("Leisten-SCBar-19", "sizeFloatCX"), bar2.GetFloatSize().cx);

    // Read back: sizes at least the minimum, and the floating state floats the docked bar.
    app.WriteProfileInt("Leisten-SCBar-18", "Floating", 1);
    app.WriteProfileInt("Leisten-SCBar-18", "sizeHorzCX", 5);
    app.WriteProfileInt("Leisten-SCBar-18", "sizeHorzCY", 123);
    app.WriteProfileInt("Leisten-SCBar-18", "sizeFloatCX", 250);
    app.WriteProfileInt("Leisten-SCBar-18", "sizeFloatCY", -7);
    bar1.ReadBarState("Leisten");
    EXPECT_TRUE(bar1.IsFloating());
    EXPECT_EQ(bar1.GetHorzSize(), CSize(33, 123));
    EXPECT_EQ(bar1.GetFloatSize(), CSize(250, 32));
    // Read again, the floating bar stays floating.
    bar1.ReadBarState("Leisten");
    EXPECT_TRUE(bar1.IsFloating());
    // A profile without the section keeps the sizes as they are.
    const CSize vert = bar1.GetVertSize();
    bar1.ReadBarState("Fehlt");
    EXPECT_EQ(bar1.GetVertSize(), vert);
    EXPECT_TRUE(bar1.IsFloating());
}

TEST_F(DockingTest, ChildBarKeepsOneChildFillingItsClientArea)
{
    CWnd a, b;
    ASSERT_TRUE(a.Create("STATIC", "a", WS_CHILD, CRect(5, 5, 25, 25), frame, 901));
    ASSERT_TRUE(b.Create("STATIC", "b", WS_CHILD, CRect(5, 5, 25, 25), frame, 902));
    auto inBar = [&](CWnd& w) { return RectInParent(w); };
    CRect client;
    bar1.GetClientRect(&client);
    ASSERT_FALSE(client.IsRectEmpty());
    // A resize gives the child the client area; the child joins the bar.
    EXPECT_EQ(bar1.SetChild(&a), nullptr);
    EXPECT_EQ(::GetParent(a.m_hWnd), bar1.m_hWnd);
    bar1.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    EXPECT_EQ(inBar(a), client);
    EXPECT_TRUE(a.GetStyle() & WS_VISIBLE);
    // The same child again: returned, and nothing done (a hidden child stays hidden).
    a.ShowWindow(SW_HIDE);
    EXPECT_EQ(bar1.SetChild(&a), &a);
    EXPECT_FALSE(a.GetStyle() & WS_VISIBLE);
    a.ShowWindow(SW_SHOW);
    // A size of 0 leaves the child where it was.
    bar1.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 40));
    EXPECT_EQ(inBar(a), client);
    // Another child: the old one is hidden and parked at (0, 0) with no size.
    EXPECT_EQ(bar1.SetChild(&b), &a);
    EXPECT_FALSE(a.GetStyle() & WS_VISIBLE);
    EXPECT_EQ(inBar(a), CRect(0, 0, 0, 0));
    EXPECT_EQ(inBar(b), client);
    EXPECT_TRUE(b.GetStyle() & WS_VISIBLE);
    // None: the old one parked and returned; detaching an empty bar gives nothing.
    EXPECT_EQ(bar1.SetChild(nullptr), &b);
    EXPECT_FALSE(b.GetStyle() & WS_VISIBLE);
    EXPECT_EQ(inBar(b), CRect(0, 0, 0, 0));
    EXPECT_EQ(bar1.DetachChild(), nullptr);
    bar1.SetChild(&a);
    EXPECT_EQ(bar1.DetachChild(), &a);
    EXPECT_FALSE(a.GetStyle() & WS_VISIBLE);
    EXPECT_EQ(bar1.SetChild(nullptr), nullptr);
}

namespace {

// A bar whose docked sizes differ in both directions, so that each is seen where it belongs.
struct StretchProbe : CSizeBarBase {
    StretchProbe(CSize horz, CSize vert)
    {
        m_szHorz = horz;
        m_szVert = vert;
    }
};

}  // namespace

TEST(SizeBarLayout, StretchedABarTakesTheWholeLengthAndKeepsItsDockedDepth)
{
    StretchProbe bar(CSize(300, 80), CSize(120, 400));
    EXPECT_EQ(bar.CalcFixedLayout(TRUE, TRUE), CSize(SHRT_MAX, 80));
    EXPECT_EQ(bar.CalcFixedLayout(TRUE, FALSE), CSize(120, SHRT_MAX));
}
