// CToolBar over the system's common toolbar in a frame: its frame of borders and gripper,
// sizes, the command under the mouse, and the buttons' states kept by the update rule.
#include <gtest/gtest.h>
#include "classlib/Afx.h"
#include "classlib/DockBar.h"
#include "classlib/ToolBar.h"

namespace {

const UINT kCmdHandled = 1201;
const UINT kCmdChecked = 1202;
const UINT kCmdNobody = 1203;

class CToolFrame : public CFrameWnd {
public:
    afx_msg void OnHandled() {}
    afx_msg void OnChecked() {}
    afx_msg void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CToolFrame, CFrameWnd)
    ON_COMMAND(kCmdHandled, OnHandled)
    ON_COMMAND(kCmdChecked, OnChecked)
    ON_UPDATE_COMMAND_UI(kCmdChecked, OnUpdateChecked)
END_MESSAGE_MAP()

class ToolBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new CToolFrame;
        ASSERT_TRUE(frame->Create(nullptr, "Bars", WS_OVERLAPPEDWINDOW, CRect(20, 20, 620, 420)));
        ASSERT_TRUE(bar.Create(frame, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER));
        TBBUTTON buttons[4] = {};
        const int ids[] = {kCmdHandled, 0, kCmdChecked, kCmdNobody};
        for (int i = 0; i < 4; ++i) {
            buttons[i].iBitmap = ids[i] ? I_IMAGENONE : 8;
            buttons[i].idCommand = ids[i];
            buttons[i].fsState = TBSTATE_ENABLED;
            buttons[i].fsStyle = ids[i] ? (ids[i] == kCmdChecked ? BTNS_CHECK : BTNS_BUTTON) : BTNS_SEP;
        }
        bar.SendMessage(TB_ADDBUTTONSA, 4, reinterpret_cast<LPARAM>(buttons));
        bar.EnableDocking(CBRS_ALIGN_ANY);
        frame->EnableDocking(CBRS_ALIGN_ANY);
        frame->DockControlBar(&bar);
    }
    void TearDown() override
    {
        if (frame && frame->m_hWnd)
            frame->DestroyWindow();
    }
    CToolFrame* frame = nullptr;
    CToolBar bar;
};

}  // namespace

TEST_F(ToolBarTest, TheClientAreaIsTheWindowLessBordersAndGripper)
{
    char name[64] = {};
    GetClassNameA(bar.m_hWnd, name, sizeof name);
    EXPECT_STREQ(name, TOOLBARCLASSNAMEA);
    EXPECT_EQ(bar.GetBarStyle() & CBRS_ALIGN_ANY, static_cast<DWORD>(CBRS_ALIGN_TOP));
    EXPECT_FALSE(bar.GetStyle() & CBRS_ALIGN_TOP);   // the bar style is not the window's
    CRect window, client;
    bar.GetWindowRect(&window);
    bar.GetClientRect(&client);
    const CRect borders = bar.GetBorders();
    EXPECT_EQ(client.Width(), window.Width() - borders.left - borders.right - CToolBar::kGripperSize);
    EXPECT_EQ(client.Height(), window.Height() - borders.top - borders.bottom);
    EXPECT_FALSE(bar.GetGripperRect().IsRectEmpty());
    // Docked at the side the gripper lies on top; floating there is none.
    frame->DockControlBar(&bar, AFX_IDW_DOCKBAR_LEFT);
    bar.GetWindowRect(&window);
    bar.GetClientRect(&client);
    EXPECT_EQ(client.Height(), window.Height() - borders.top - borders.bottom - CToolBar::kGripperSize);
    frame->FloatControlBar(&bar, CPoint(100, 100), CBRS_ALIGN_TOP);
    EXPECT_TRUE(bar.GetGripperRect().IsRectEmpty());
    bar.GetWindowRect(&window);
    bar.GetClientRect(&client);
    EXPECT_EQ(client.Width(), window.Width() - borders.left - borders.right);
}

TEST_F(ToolBarTest, SizesItemsAndTheCommandUnderTheMouse)
{
    bar.SetSizes(CSize(30, 28), CSize(20, 18));
    EXPECT_EQ(bar.SendMessage(TB_GETBUTTONSIZE), MAKELONG(30, 28));
    EXPECT_EQ(bar.m_sizeImage, CSize(20, 18));
    EXPECT_EQ(bar.CommandToIndex(kCmdChecked), 2);
    EXPECT_EQ(bar.GetItemID(3), kCmdNobody);
    EXPECT_EQ(bar.GetItemID(9), 0u);
    CRect item;
    bar.GetItemRect(2, &item);
    TOOLINFOA info = {};
    EXPECT_EQ(bar.OnToolHitTest(item.CenterPoint(), &info), static_cast<INT_PTR>(kCmdChecked));
    EXPECT_EQ(info.uId, kCmdChecked);
    EXPECT_EQ(CRect(info.rect), item);
    bar.GetItemRect(1, &item);   // the separator
    EXPECT_EQ(bar.OnToolHitTest(item.CenterPoint(), &info), -1);
    // The fixed size holds the last button and the borders.
    bar.GetItemRect(3, &item);
    const CSize size = bar.CalcFixedLayout(FALSE, TRUE);
    const CRect borders = bar.GetBorders();
    EXPECT_EQ(size.cx, item.right + borders.left + borders.right + CToolBar::kGripperSize);
}

TEST_F(ToolBarTest, ButtonStatesFollowTheUpdateRule)
{
    bar.OnUpdateCmdUI(frame, TRUE);
    EXPECT_TRUE(bar.SendMessage(TB_ISBUTTONENABLED, kCmdHandled));
    EXPECT_TRUE(bar.SendMessage(TB_ISBUTTONCHECKED, kCmdChecked));
    EXPECT_FALSE(bar.SendMessage(TB_ISBUTTONENABLED, kCmdNobody));
    // Without the rule a command nobody handles keeps its state.
    bar.SendMessage(TB_ENABLEBUTTON, kCmdNobody, TRUE);
    bar.OnUpdateCmdUI(frame, FALSE);
    EXPECT_TRUE(bar.SendMessage(TB_ISBUTTONENABLED, kCmdNobody));
}
