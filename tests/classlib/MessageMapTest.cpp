// Message maps: dispatch through three levels of inheritance, every kind of entry, and the
// arguments each ON_WM_ entry unpacks (checked against the packed message values).
#include <gtest/gtest.h>
#include "classlib/Afx.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;

class CLevel1 : public CWnd {
public:
    int lastSize[3] = {0, 0, 0};
    int created = 0;
    afx_msg int OnCreate(LPCREATESTRUCTA cs)
    {
        ++created;
        g_calls.push_back("L1.OnCreate");
        return CWnd::OnCreate(cs);
    }
    afx_msg void OnSize(UINT type, int cx, int cy)
    {
        lastSize[0] = static_cast<int>(type);
        lastSize[1] = cx;
        lastSize[2] = cy;
        g_calls.push_back("L1.OnSize");
        CWnd::OnSize(type, cx, cy);
    }
    afx_msg void OnTimer(UINT_PTR id)
    {
        g_calls.push_back("L1.OnTimer" + std::to_string(id));
    }
    afx_msg void OnCmdA() { g_calls.push_back("L1.CmdA"); }
    afx_msg void OnCmdB() { g_calls.push_back("L1.CmdB"); }
    afx_msg LRESULT OnUser1(WPARAM w, LPARAM l)
    {
        g_calls.push_back("L1.User1");
        return static_cast<LRESULT>(w + l);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLevel1, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_COMMAND(100, OnCmdA)
    ON_COMMAND(101, OnCmdB)
    ON_MESSAGE(WM_USER + 1, OnUser1)
END_MESSAGE_MAP()

class CLevel2 : public CLevel1 {
public:
    // Overrides the command of level 1 for id 101; its own range covers 200..209.
    afx_msg void OnCmdB2() { g_calls.push_back("L2.CmdB"); }
    afx_msg void OnRange(UINT id) { g_calls.push_back("L2.Range" + std::to_string(id)); }
    afx_msg BOOL OnEx(UINT id)
    {
        g_calls.push_back("L2.Ex" + std::to_string(id));
        return id != 301;   // 301 declines
    }
    afx_msg void OnKeyDown(UINT ch, UINT rep, UINT flags)
    {
        g_calls.push_back("L2.Key" + std::to_string(ch) + "/" + std::to_string(rep) + "/" + std::to_string(flags));
    }
    afx_msg void OnLButtonDown(UINT flags, CPoint pt)
    {
        g_calls.push_back("L2.LDown" + std::to_string(flags) + "@" + std::to_string(pt.x) + "," + std::to_string(pt.y));
    }
    afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint pt)
    {
        g_calls.push_back("L2.Wheel" + std::to_string(flags) + "/" + std::to_string(delta) + "@" +
                          std::to_string(pt.x) + "," + std::to_string(pt.y));
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLevel2, CLevel1)
    ON_COMMAND(101, OnCmdB2)
    ON_COMMAND_RANGE(200, 209, OnRange)
    ON_COMMAND_EX(300, OnEx)
    ON_COMMAND_EX_RANGE(301, 302, OnEx)
    ON_WM_KEYDOWN()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

UINT g_registered = 0;

class CLevel3 : public CLevel2 {
public:
    afx_msg void OnSize(UINT type, int cx, int cy)
    {
        g_calls.push_back("L3.OnSize");
        CLevel1::OnSize(type, cx, cy);   // the base handler is an ordinary call
    }
    afx_msg void OnUpdate100(CCmdUI* ui)
    {
        g_calls.push_back("L3.Update100");
        ui->Enable(FALSE);
    }
    afx_msg void OnUpdateRange(CCmdUI* ui) { g_calls.push_back("L3.UpdateRange" + std::to_string(ui->m_nID)); }
    afx_msg void OnClicked() { g_calls.push_back("L3.Clicked"); }
    afx_msg void OnEnChange() { g_calls.push_back("L3.EnChange"); }
    afx_msg void OnCtlRange(UINT id) { g_calls.push_back("L3.CtlRange" + std::to_string(id)); }
    afx_msg void OnNotifyClick(NMHDR* hdr, LRESULT* result)
    {
        g_calls.push_back("L3.Notify" + std::to_string(hdr->idFrom));
        *result = 77;
    }
    afx_msg void OnNotifyRange(UINT id, NMHDR*, LRESULT* result)
    {
        g_calls.push_back("L3.NotifyRange" + std::to_string(id));
        *result = 78;
    }
    afx_msg LRESULT OnRegistered(WPARAM w, LPARAM)
    {
        g_calls.push_back("L3.Registered");
        return static_cast<LRESULT>(w * 2);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLevel3, CLevel2)
    ON_WM_SIZE()
    ON_UPDATE_COMMAND_UI(100, OnUpdate100)
    ON_UPDATE_COMMAND_UI_RANGE(200, 204, OnUpdateRange)
    ON_BN_CLICKED(400, OnClicked)
    ON_EN_CHANGE(401, OnEnChange)
    ON_CONTROL_RANGE(BN_DOUBLECLICKED, 410, 419, OnCtlRange)
    ON_NOTIFY(NM_CLICK, 500, OnNotifyClick)
    ON_NOTIFY_RANGE(NM_DBLCLK, 510, 519, OnNotifyRange)
    ON_REGISTERED_MESSAGE(g_registered, OnRegistered)
END_MESSAGE_MAP()

// A command target without a window: its map is searched by OnCmdMsg alone.
class CPlainTarget : public CCmdTarget {
public:
    afx_msg void OnCmd() { g_calls.push_back("Plain.Cmd"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPlainTarget, CCmdTarget)
    ON_COMMAND(42, OnCmd)
END_MESSAGE_MAP()

class MessageMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        if (!g_registered)
            g_registered = RegisterWindowMessageA("SektorlupeTests.MessageMap");
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "map", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
        g_calls.clear();
    }
    void TearDown() override { wnd.DestroyWindow(); }
    static LPARAM Pack(int low, int high)
    {
        return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(low), static_cast<WORD>(high)));
    }
    CLevel3 wnd;
};

}  // namespace

TEST_F(MessageMap, DerivedEntryWinsAndCallsBaseExplicitly)
{
    wnd.SendMessage(WM_SIZE, SIZE_RESTORED, Pack(120, 45));
    ASSERT_EQ(g_calls, (std::vector<std::string>{"L3.OnSize", "L1.OnSize"}));
    EXPECT_EQ(wnd.lastSize[0], SIZE_RESTORED);
    EXPECT_EQ(wnd.lastSize[1], 120);
    EXPECT_EQ(wnd.lastSize[2], 45);
}

TEST_F(MessageMap, BaseEntriesReachedThroughTwoLevels)
{
    wnd.SendMessage(WM_TIMER, 7, 0);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 1, 40, 2), 42);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L1.OnTimer7", "L1.User1"}));
}

TEST_F(MessageMap, CreateReachedTheObjectOnce)
{
    EXPECT_EQ(wnd.created, 1);
}

TEST_F(MessageMap, CommandsOverrideAndRanges)
{
    wnd.SendMessage(WM_COMMAND, 101, 0);   // level 2 overrides level 1
    wnd.SendMessage(WM_COMMAND, 205, 0);   // range of level 2
    wnd.SendMessage(WM_COMMAND, 210, 0);   // outside every range: nobody
    ASSERT_EQ(g_calls, (std::vector<std::string>{"L2.CmdB", "L2.Range205"}));
}

TEST_F(MessageMap, CommandExAnswersWhetherItTookTheCommand)
{
    EXPECT_TRUE(wnd.OnCmdMsg(300, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(wnd.OnCmdMsg(301, CN_COMMAND, nullptr, nullptr));
    EXPECT_TRUE(wnd.OnCmdMsg(302, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L2.Ex300", "L2.Ex301", "L2.Ex302"}));
}

TEST_F(MessageMap, HandlerInfoReportsWithoutCalling)
{
    AFX_CMDHANDLERINFO info = {nullptr, nullptr};
    EXPECT_TRUE(wnd.OnCmdMsg(100, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &wnd);
    EXPECT_NE(info.pfn, nullptr);
    EXPECT_FALSE(wnd.OnCmdMsg(999, CN_COMMAND, nullptr, &info));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MessageMap, UpdateHandlerDisablesAndBlocksTheMenuCommand)
{
    // Command 100 has a handler (level 1), but level 3's update handler disables it: a
    // WM_COMMAND from a menu or accelerator is then swallowed.
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L3.Update100"}));
    g_calls.clear();
    EXPECT_TRUE(wnd.OnCmdMsg(100, CN_COMMAND, nullptr, nullptr));   // direct routing still works
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L1.CmdA"}));
}

TEST_F(MessageMap, UpdateRangePassesTheId)
{
    CCmdUI ui;
    ui.m_nID = 203;
    EXPECT_TRUE(ui.DoUpdate(&wnd, FALSE));
    ui.m_nID = 205;   // outside the update range
    EXPECT_FALSE(ui.DoUpdate(&wnd, FALSE));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L3.UpdateRange203"}));
}

TEST_F(MessageMap, ControlNotifications)
{
    HWND button = CreateWindowExA(0, "BUTTON", "b", WS_CHILD, 0, 0, 10, 10, wnd.m_hWnd,
                                  reinterpret_cast<HMENU>(400), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    LPARAM control = reinterpret_cast<LPARAM>(button);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(400, BN_CLICKED), control);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(401, EN_CHANGE), control);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(401, EN_UPDATE), control);   // no entry
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(415, BN_DOUBLECLICKED), control);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(415, BN_CLICKED), control);   // wrong code
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L3.Clicked", "L3.EnChange", "L3.CtlRange415"}));
    DestroyWindow(button);
}

TEST_F(MessageMap, NotifyEntriesSetTheResult)
{
    NMHDR hdr = {};
    hdr.hwndFrom = wnd.m_hWnd;   // any window without an object of its own
    hdr.idFrom = 500;
    hdr.code = NM_CLICK;
    HWND raw = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, wnd.m_hWnd, nullptr, GetModuleHandleA(nullptr), nullptr);
    hdr.hwndFrom = raw;
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 500, reinterpret_cast<LPARAM>(&hdr)), 77);
    hdr.idFrom = 512;
    hdr.code = NM_DBLCLK;
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 512, reinterpret_cast<LPARAM>(&hdr)), 78);
    hdr.code = NM_RCLICK;   // no entry: the default result
    EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 512, reinterpret_cast<LPARAM>(&hdr)), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L3.Notify500", "L3.NotifyRange512"}));
    DestroyWindow(raw);
}

TEST_F(MessageMap, RegisteredMessage)
{
    EXPECT_EQ(wnd.SendMessage(g_registered, 21, 0), 42);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"L3.Registered"}));
}

TEST_F(MessageMap, InputMessagesUnpackSignedCoordinates)
{
    // Keys: repeat count in the low word of lParam, flags in the high word.
    wnd.SendMessage(WM_KEYDOWN, VK_F9, Pack(3, 0x4001));
    // Mouse: signed 16-bit coordinates (a point left of the window is negative).
    wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Pack(-5, 300));
    // Wheel: key state low, signed delta high.
    wnd.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), Pack(10, -20));
    EXPECT_EQ(g_calls, (std::vector<std::string>{
                           "L2.Key120/3/16385", "L2.LDown5@-5,300", "L2.Wheel8/-120@10,-20"}));
}

TEST(MessageMapPlain, TargetWithoutWindow)
{
    g_calls.clear();
    CPlainTarget target;
    EXPECT_TRUE(target.OnCmdMsg(42, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(target.OnCmdMsg(43, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(target.OnCmdMsg(42, BN_DOUBLECLICKED, nullptr, nullptr));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"Plain.Cmd"}));
}

TEST(MessageMapPlain, RuntimeClasses)
{
    CLevel3 level3;
    EXPECT_TRUE(level3.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_TRUE(level3.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_TRUE(level3.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(level3.IsKindOf(RUNTIME_CLASS(CFrameWnd)));
    EXPECT_FALSE(level3.IsKindOf(nullptr));
    EXPECT_STREQ(RUNTIME_CLASS(CFrameWnd)->m_lpszClassName, "CFrameWnd");
    EXPECT_EQ(RUNTIME_CLASS(CFrameWnd)->m_pBaseClass, RUNTIME_CLASS(CWnd));
    EXPECT_EQ(RUNTIME_CLASS(CFrameWnd)->m_nObjectSize, static_cast<int>(sizeof(CFrameWnd)));
    // Dynamic creation only where the class declares it.
    CObject* made = RUNTIME_CLASS(CWnd)->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CWnd)));
    delete made;
    EXPECT_EQ(RUNTIME_CLASS(CDocument)->CreateObject(), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CFrameWnd, &level3), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CWnd, &level3), &level3);
}
