// The main frame made by the application's own document template, in this process: its menu
// from the resources, the rule that a command nobody handles is greyed, the status bar, the
// "FlatMode" setting and the frame's answers to the private messages.
#include <gtest/gtest.h>

#include "app/DiskApp.h"
#include "app/DiskView.h"
#include "app/MainFrm.h"
#include "app/res/resource.h"
#include "disk/DiskDoc.h"
#include "classlib/RecentFileList.h"
#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"

#include <vector>

namespace {

const char kTestAppName[] = "AppFrame";

void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
}

// Every command id of a menu and its popups, with the popup that holds it.
void CollectCommands(HMENU menu, std::vector<std::pair<HMENU, UINT>>* out)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            CollectCommands(sub, out);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id != 0 && id != static_cast<UINT>(-1))
            out->push_back({menu, id});
    }
}

// Opens (as far as the frame can tell) every popup of the menu bar, so that the command
// states are brought up to date the way a user's click does.
void InitAllPopups(HWND frame, HMENU menu)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(i, FALSE));
            InitAllPopups(frame, sub);
        }
    }
}

// Records what a command's update handler says about it.
class ProbeCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        enabled = bOn != FALSE;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCSTR) override {}
    bool enabled = true;
};

class MainFrameTest : public ::testing::Test {
protected:
    // The scratch key stands in for the application key: Software\SektorlupeTests\AppFrame.
    MainFrameTest() : key(kTestAppName) {}

    void OpenFrame()
    {
        // No medium at start: drive C of the prefix is no raw device to read.
        HKEY appKey = key.Open();
        ASSERT_NE(appKey, nullptr);
        const DWORD nothing = 2;
        RegSetValueExA(appKey, "OpenMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nothing), 4);
        RegCloseKey(appKey);
        app.SetRegistryKey("SektorlupeTests");
        SetAppIdentity("SektorlupeTests", kTestAppName);
        app.m_pDocTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CDiskDoc),
                                                    RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CDiskView));
        app.AddDocTemplate(app.m_pDocTemplate);
        CDocument* doc = app.m_pDocTemplate->OpenDocumentFile(nullptr, FALSE);
        ASSERT_NE(doc, nullptr);
        frame = static_cast<CMainFrame*>(app.m_pMainWnd);
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(frame->IsKindOf(RUNTIME_CLASS(CMainFrame)));
        DrainQueue();
    }

    void CloseFrame()
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
        frame = nullptr;
    }

    void TearDown() override { CloseFrame(); }

    bool ReadFlatMode(DWORD* value)
    {
        DWORD size = sizeof(*value);
        return RegGetValueA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\AppFrame\\Settings",
                            "FlatMode", RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
    }

    testsupport::ScratchKey key;
    CDiskApp app;
    CMainFrame* frame = nullptr;
};

// Stands in for a text view that answers the find dialogs' query: the answer shows both
// arguments, so that a caller can see they arrived unchanged.
WNDPROC g_viewProc = nullptr;
LRESULT CALLBACK AnsweringViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TEXTEDIT_QUERY)
        return static_cast<LRESULT>(wParam * 1000 + static_cast<WPARAM>(lParam) + 1);
    return CallWindowProcA(g_viewProc, hwnd, message, wParam, lParam);
}

}  // namespace

TEST_F(MainFrameTest, PrivateMessagesAreAnsweredOrPassedToTheActiveView)
{
    OpenFrame();
    CView* view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    enum ViewState { kNoView, kDiskView, kAnsweringView };
    struct Case {
        const char* what;
        ViewState state;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT expected;
    };
    const Case cases[] = {
        {"menu icon probe", kDiskView, WM_MENUICONPROBE, 0, 0, kMenuIconProbeAnswer},
        {"query to a view that answers it", kAnsweringView, WM_TEXTEDIT_QUERY, 7, 42, 7 * 1000 + 42 + 1},
        {"query to the disk view, which does not answer", kDiskView, WM_TEXTEDIT_QUERY, 7, 42, 0},
        {"query without an active view", kNoView, WM_TEXTEDIT_QUERY, 7, 42, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frame->SetActiveView(c.state == kNoView ? nullptr : view);
        if (c.state == kAnsweringView)
            g_viewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                view->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnsweringViewProc)));
        EXPECT_EQ(frame->SendMessage(c.message, c.wParam, c.lParam), c.expected);
        if (c.state == kAnsweringView)
            SetWindowLongPtrA(view->m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_viewProc));
    }
    frame->SetActiveView(view);
}

TEST_F(MainFrameTest, CommandsWithoutHandlerAreGreyedAndHandledOnesEnabled)
{
    OpenFrame();
    HMENU menu = ::GetMenu(frame->m_hWnd);
    ASSERT_NE(menu, nullptr);
    InitAllPopups(frame->m_hWnd, menu);

    std::vector<std::pair<HMENU, UINT>> commands;
    CollectCommands(menu, &commands);
    ASSERT_GT(commands.size(), 20u);

    // Who handles a command is asked of the frame's own routing (view, document, frame,
    // application); the menu state must follow that answer for every item: greyed without a
    // handler, and with one as its update handler (if any) says.
    int enabled = 0;
    for (const auto& entry : commands) {
        const UINT id = entry.second;
        if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST)
            continue;   // the recent-file placeholder follows its own rule
        AFX_CMDHANDLERINFO info = {};
        const bool handled = frame->OnCmdMsg(id, CN_COMMAND, nullptr, &info) != FALSE;
        const UINT state = GetMenuState(entry.first, id, MF_BYCOMMAND);
        const bool greyed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
        if (id == ID_EDIT_COPY)
            continue;   // greyed by the frame at creation, and nobody handles it yet
        ProbeCmdUI probe;
        probe.m_nID = id;
        const bool hasUpdate = frame->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &probe, nullptr) != FALSE;
        const bool shouldBeEnabled = handled && (!hasUpdate || probe.enabled);
        EXPECT_EQ(greyed, !shouldBeEnabled) << "command " << id;
        enabled += shouldBeEnabled;
    }
    EXPECT_GE(enabled, 4);

    // Without a medium there is no sector to go to.
    EXPECT_NE(GetMenuState(menu, ID_GOTO_SECTOR, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(menu, ID_EDIT_COPY, MF_BYCOMMAND) & MF_GRAYED, 0u);
    // FlatMode starts at 1 without a registry value: the item is checked.
    EXPECT_NE(GetMenuState(menu, ID_FLAT_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

TEST_F(MainFrameTest, FlatModeIsReadAtCreationToggledAndWrittenAtClose)
{
    {
        HKEY settings = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\AppFrame\\Settings", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &settings, nullptr),
                  ERROR_SUCCESS);
        const DWORD zero = 0;
        RegSetValueExA(settings, "FlatMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
        RegCloseKey(settings);
    }
    OpenFrame();
    EXPECT_EQ(frame->FlatMode, 0);
    frame->SendMessage(WM_COMMAND, ID_FLAT_TOOLBAR);
    EXPECT_EQ(frame->FlatMode, 1);
    CloseFrame();

    DWORD flat = 12345;
    ASSERT_TRUE(ReadFlatMode(&flat));
    EXPECT_EQ(flat, 1u);
}

TEST_F(MainFrameTest, FlatModeIsWrittenEvenWhenNoSettingsExistYet)
{
    // A first start: the application key exists (OpenMode), its "Settings" does not.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\AppFrame\\Settings");
    OpenFrame();
    EXPECT_EQ(frame->FlatMode, 1);
    CloseFrame();
    DWORD flat = 12345;
    ASSERT_TRUE(ReadFlatMode(&flat)) << "the frame did not create Settings at close";
    EXPECT_EQ(flat, 1u);
}

TEST_F(MainFrameTest, RecentFileEntriesAndTheirCommands)
{
    app.m_pRecentFileList = new CRecentFileList(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 8);
    CRecentFileList& list = *app.m_pRecentFileList;
    list[0] = "C:\\first.img";
    list[1] = "C:\\second.img";
    EXPECT_STREQ(app.GetRecentFile(0), "C:\\first.img");
    EXPECT_STREQ(app.GetRecentFile(-3), "C:\\first.img");   // a negative index counts as 0
    EXPECT_STREQ(app.GetRecentFile(1), "C:\\second.img");
    EXPECT_EQ(app.GetRecentFile(2), nullptr);                // empty
    EXPECT_EQ(app.GetRecentFile(8), nullptr);                // past the list

    OpenFrame();
    EXPECT_EQ(app.GetFirstDocumentView()->GetDocument(), app.GetFirstDocument());
    // An empty entry's command does nothing, and nothing else may take it either.
    CDocument* before = app.GetFirstDocument();
    EXPECT_TRUE(app.OnCmdMsg(ID_FILE_MRU_FILE1 + 2, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(app.GetFirstDocument(), before);
    EXPECT_EQ(app.m_pMainWnd, frame);
}

TEST(DiskApp, RecentFileAccessWithoutAList)
{
    CDiskApp app;
    EXPECT_EQ(app.GetRecentFile(0), nullptr);
    EXPECT_EQ(app.GetRecentFile(-5), nullptr);
    EXPECT_EQ(app.GetFirstDocument(), nullptr);
    EXPECT_EQ(app.GetFirstDocumentView(), nullptr);
}

TEST_F(MainFrameTest, DataBarStartsHiddenInTheBottomDockBarAndKeepsItsPlace)
{
    OpenFrame();
    frame->MoveWindow(0, 0, 900, 700, TRUE);
    CChildBar& bar = frame->m_wndChildBar;
    ASSERT_NE(bar.GetSafeHwnd(), nullptr);
    EXPECT_EQ(bar.GetDlgCtrlID(), 18);
    ASSERT_NE(bar.m_pDockBar, nullptr);
    EXPECT_EQ(bar.m_pDockBar->GetDlgCtrlID(), AFX_IDW_DOCKBAR_BOTTOM);
    EXPECT_FALSE((bar.GetStyle() & WS_VISIBLE));

    // Shown: between the view and the status bar; hidden and shown again: the same place.
    frame->ShowControlBar(&bar, TRUE, FALSE);
    ASSERT_TRUE((bar.GetStyle() & WS_VISIBLE));
    CRect shown, view, status;
    bar.GetWindowRect(&shown);
    frame->GetActiveView()->GetWindowRect(&view);
    ::GetWindowRect(::GetDlgItem(frame->m_hWnd, AFX_IDW_STATUS_BAR), &status);
    EXPECT_LE(view.bottom, shown.top);
    EXPECT_LE(shown.bottom, status.top);
    frame->ShowControlBar(&bar, FALSE, FALSE);
    EXPECT_FALSE((bar.GetStyle() & WS_VISIBLE));
    frame->ShowControlBar(&bar, TRUE, FALSE);
    CRect again;
    bar.GetWindowRect(&again);
    EXPECT_EQ(again, shown);

    // A frame resize leaves a floating bar floating; its double click docks it back.
    frame->FloatControlBar(&bar, CPoint(100, 100), CBRS_ALIGN_TOP);
    ASSERT_TRUE(bar.IsFloating());
    frame->MoveWindow(0, 0, 800, 600, TRUE);
    EXPECT_TRUE(bar.IsFloating());
    bar.SendMessage(WM_LBUTTONDBLCLK);
    EXPECT_EQ(bar.m_pDockBar->GetDlgCtrlID(), AFX_IDW_DOCKBAR_BOTTOM);
    DrainQueue();
}
