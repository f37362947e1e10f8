// Three small steps of the main frame on the fat16 fixture: a docked data bar is docked again
// where it is when the frame changes size (it fills the new width and stays in its dock bar),
// the frame always shows itself in its normal state whatever show command it is activated
// with, and "Springe zu Adresse" gives the hex view the focus from either pane.
#include <gtest/gtest.h>

#include "tests/app/DiskViewTestSupport.h"
#include "tests/classlib/ModalScript.h"

#include <cstdlib>
#include <string>

using diskviewtest::DrainQueue;

namespace {

class QuietPrompts : public DiskDocPrompts {
public:
    int Box(const char*, const char*, UINT) override { return IDNO; }
    bool AskText(const char*, const char*, CString*, bool) override { return false; }
};

class FrameSteps : public diskviewtest::FrameOnFat16<CWinApp, QuietPrompts> {
protected:
    FrameSteps() : FrameOnFat16("FrameSteps") {}

    // The dock bar's id the data bar sits in; 0 when it floats.
    int DockBarId()
    {
        CChildBar& bar = frame->m_wndChildBar;
        return bar.m_pDockBar && !bar.IsFloating() ? bar.m_pDockBar->GetDlgCtrlID() : 0;
    }
};

}  // namespace

// Shown at the bottom, the bar spans the frame's client width at each size; docked on the
// right (the dock command twice), it stays there through a resize and spans the height
// between the toolbar and the status bar.
TEST_F(FrameSteps, ADockedDataBarFollowsTheFrameAndKeepsItsSide)
{
    CChildBar& bar = frame->m_wndChildBar;
    frame->ShowWindow(SW_SHOW);
    frame->ShowControlBar(&bar, TRUE, FALSE);
    DrainQueue();
    ASSERT_EQ(DockBarId(), AFX_IDW_DOCKBAR_BOTTOM);
    const struct {
        int width, height;
    } sizes[] = { { 1000, 700 }, { 700, 650 }, { 1100, 760 } };
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.width);
        frame->MoveWindow(0, 0, s.width, s.height, TRUE);
        DrainQueue();
        EXPECT_EQ(DockBarId(), AFX_IDW_DOCKBAR_BOTTOM);
        CRect client, shown, dock;
        frame->GetClientRect(&client);
        bar.GetWindowRect(&shown);
        bar.m_pDockBar->GetWindowRect(&dock);
        // The whole row: from the dock bar's left to its right edge.
        EXPECT_EQ(dock.Width(), client.Width());
        EXPECT_LE(std::abs(shown.Width() - dock.Width()), 8) << "the bar kept its old width";
    }

    frame->SendMessage(WM_COMMAND, ID_DOCK_DATA_WINDOW);
    ASSERT_TRUE(bar.IsFloating());
    frame->SendMessage(WM_COMMAND, ID_DOCK_DATA_WINDOW);
    DrainQueue();
    ASSERT_EQ(DockBarId(), AFX_IDW_DOCKBAR_RIGHT);
    for (const auto& s : sizes) {
        SCOPED_TRACE(s.height);
        frame->MoveWindow(0, 0, s.width, s.height, TRUE);
        DrainQueue();
        EXPECT_EQ(DockBarId(), AFX_IDW_DOCKBAR_RIGHT) << "the resize moved the bar to another side";
        EXPECT_TRUE(bar.IsVisible());
    }
}

// Whatever show command the template hands it, the frame comes up shown, neither minimised
// nor maximised.
TEST_F(FrameSteps, ActivationAlwaysShowsTheFrameNormally)
{
    const int commands[] = { SW_HIDE, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_MINIMIZE, SW_SHOWNORMAL };
    for (int command : commands) {
        SCOPED_TRACE(command);
        frame->ShowWindow(SW_HIDE);
        frame->ShowWindow(SW_RESTORE);
        frame->ShowWindow(SW_HIDE);
        DrainQueue();
        ASSERT_FALSE(frame->IsWindowVisible());
        frame->ActivateFrame(command);
        DrainQueue();
        EXPECT_TRUE(frame->IsWindowVisible());
        EXPECT_FALSE(frame->IsIconic());
        EXPECT_FALSE(frame->IsZoomed());
    }
}

// The go-to dialog is the hex view's: the hex view takes the focus before it opens, from the
// decoded text as from the hex view itself, and keeps it after the dialog is cancelled.
TEST_F(FrameSteps, GoToAddressFocusesTheHexView)
{
    frame->ShowWindow(SW_SHOW);
    DrainQueue();
    CHexView* hex = view->GetHexView();
    CMarkTextView* text = view->GetTextPane();
    hex->SetFocus();
    DrainQueue();
    if (::GetFocus() != hex->m_hWnd)
        GTEST_SKIP() << "the display gives no focus to the test's window";
    const struct {
        const char* from;
        HWND focused;
    } starts[] = { { "decoded text", text->m_hWnd }, { "hex view", hex->m_hWnd } };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.from);
        ::SetFocus(s.focused);
        DrainQueue();
        ASSERT_EQ(::GetFocus(), s.focused);
        const std::string caption =
            diskviewtest::CaptionOfDialog([&] { view->SendMessage(WM_COMMAND, ID_GOTO_ADDRESS); });
        EXPECT_EQ(caption, "Cursor setzen");
        EXPECT_EQ(::GetFocus(), hex->m_hWnd);
        EXPECT_EQ(view->GetFocusedPane(), 0);
    }
}
