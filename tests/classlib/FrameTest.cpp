// The document/view set: a single-document template making document, frame and view;
// command routing view → document → frame → application; the rule that a menu command
// nobody handles is greyed; the status bar with menu prompts; bar layout; idle updates;
// closing; and the message pump with accelerators.
#include <gtest/gtest.h>
#include "classlib/Afx.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_route;
int g_docsAlive = 0;
int g_viewsAlive = 0;
int g_framesAlive = 0;
int g_preCloseCalls = 0;
int g_paneUpdates = 0;

const UINT kCmdAll = 1001;         // declined by view, document and frame; the application takes it
const UINT kCmdApp = 1002;         // only the application
const UINT kCmdNobody = 1003;      // no handler anywhere
const UINT kCmdChecked = 1004;     // the frame's update handler checks it
const UINT kCmdDoc = 1005;         // only the document
const UINT kCmdRenamed = 1006;     // the view's update handler renames it
const UINT kCmdVetoed = 1007;      // handled by the view, disabled by the document's update handler
const UINT kCmdPassed = 1008;      // the view's update handler passes the question on
const UINT kPaneIndicator = 0xE701;

class CRouteDoc : public CDocument {
    DECLARE_DYNCREATE(CRouteDoc)
public:
    CRouteDoc() { ++g_docsAlive; }
    ~CRouteDoc() override { --g_docsAlive; }
    int newCalls = 0;
    BOOL OnNewDocument() override
    {
        ++newCalls;
        return CDocument::OnNewDocument();
    }
    void PreCloseFrame(CFrameWnd* frame) override
    {
        ++g_preCloseCalls;
        CDocument::PreCloseFrame(frame);
    }
    afx_msg BOOL OnAll(UINT) { g_route.push_back("doc"); return FALSE; }
    afx_msg void OnDoc() { g_route.push_back("doc-only"); }
    afx_msg void OnUpdateVetoed(CCmdUI* ui) { ui->Enable(FALSE); }
    afx_msg void OnUpdatePassed(CCmdUI* ui) { ui->SetCheck(1); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRouteDoc, CDocument)
BEGIN_MESSAGE_MAP(CRouteDoc, CDocument)
    ON_COMMAND_EX(kCmdAll, OnAll)
    ON_COMMAND(kCmdDoc, OnDoc)
    ON_UPDATE_COMMAND_UI(kCmdVetoed, OnUpdateVetoed)
    ON_UPDATE_COMMAND_UI(kCmdPassed, OnUpdatePassed)
END_MESSAGE_MAP()

class CRouteView : public CView {
    DECLARE_DYNCREATE(CRouteView)
public:
    CRouteView() { ++g_viewsAlive; }
    ~CRouteView() override { --g_viewsAlive; }
    std::vector<LPARAM> hints;
    int initialUpdates = 0;
    void OnDraw(CDC*) override {}
    void OnInitialUpdate() override
    {
        ++initialUpdates;
        CView::OnInitialUpdate();
    }
    void OnUpdate(CView* sender, LPARAM hint, CObject* object) override
    {
        hints.push_back(hint);
        CView::OnUpdate(sender, hint, object);
    }
    afx_msg BOOL OnAll(UINT) { g_route.push_back("view"); return FALSE; }
    afx_msg void OnVetoed() { g_route.push_back("vetoed"); }
    afx_msg void OnUpdateRenamed(CCmdUI* ui) { ui->SetText("Neu &benannt"); }
    afx_msg void OnUpdatePassed(CCmdUI* ui) { ui->ContinueRouting(); }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRouteView, CView)
BEGIN_MESSAGE_MAP(CRouteView, CView)
    ON_COMMAND_EX(kCmdAll, OnAll)
    ON_COMMAND(kCmdVetoed, OnVetoed)
    ON_UPDATE_COMMAND_UI(kCmdRenamed, OnUpdateRenamed)
    ON_UPDATE_COMMAND_UI(kCmdPassed, OnUpdatePassed)
END_MESSAGE_MAP()

class CRouteFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CRouteFrame)
public:
    CRouteFrame() { ++g_framesAlive; }
    ~CRouteFrame() override { --g_framesAlive; }
    CStatusBar m_wndStatusBar;
    bool closeOnTimer = false;

    afx_msg int OnCreate(LPCREATESTRUCTA cs)
    {
        if (CFrameWnd::OnCreate(cs) == -1)
            return -1;
        static const UINT indicators[] = {ID_SEPARATOR, kPaneIndicator};
        if (!m_wndStatusBar.Create(this) || !m_wndStatusBar.SetIndicators(indicators, 2))
            return -1;
        m_wndStatusBar.SetPaneInfo(1, kPaneIndicator, SBPS_NORMAL, 60);
        return 0;
    }
    afx_msg BOOL OnAll(UINT) { g_route.push_back("frame"); return FALSE; }
    afx_msg void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
    afx_msg void OnUpdatePane(CCmdUI* ui)
    {
        ++g_paneUpdates;
        ui->SetText("Leerlauf");
    }
    // Closes the frame once the loop has handled the key and has been idle; until then the
    // timer asks again, however long a busy machine takes to get there.
    afx_msg void OnTimer(UINT_PTR id)
    {
        if (closeOnTimer && (g_route.empty() || g_paneUpdates < 1))
            return;
        KillTimer(id);
        if (closeOnTimer)
            PostMessage(WM_CLOSE);
    }
    DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRouteFrame, CFrameWnd)
BEGIN_MESSAGE_MAP(CRouteFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_TIMER()
    ON_COMMAND_EX(kCmdAll, OnAll)
    ON_UPDATE_COMMAND_UI(kCmdChecked, OnUpdateChecked)
    ON_UPDATE_COMMAND_UI(kPaneIndicator, OnUpdatePane)
END_MESSAGE_MAP()

class CRouteApp : public CWinApp {
public:
    CRouteApp() : CWinApp("SektorlupeRouteTest") {}
    afx_msg BOOL OnAll(UINT) { g_route.push_back("app"); return TRUE; }
    afx_msg void OnApp() { g_route.push_back("app-only"); }
    afx_msg void OnChecked() {}
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouteApp, CWinApp)
    ON_COMMAND_EX(kCmdAll, OnAll)
    ON_COMMAND(kCmdApp, OnApp)
    ON_COMMAND(kCmdChecked, OnChecked)
    ON_COMMAND(kCmdRenamed, OnChecked)
    ON_COMMAND(kCmdPassed, OnChecked)
END_MESSAGE_MAP()

struct WatchdogJob {
    DWORD uiThread;
    HANDLE done;
};

DWORD WINAPI Watchdog(LPVOID param)
{
    WatchdogJob* job = static_cast<WatchdogJob*>(param);
    if (WaitForSingleObject(job->done, 60000) == WAIT_TIMEOUT)
        PostThreadMessageA(job->uiThread, WM_QUIT, 99, 0);
    return 0;
}

void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
    }
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_route.clear();
        g_preCloseCalls = 0;
        g_paneUpdates = 0;
        tmpl = new CSingleDocTemplate(1, RUNTIME_CLASS(CRouteDoc), RUNTIME_CLASS(CRouteFrame), RUNTIME_CLASS(CRouteView));
        app.AddDocTemplate(tmpl);
        // Hidden: under Wine without a window manager hiding a shown window costs seconds,
        // so only the tests that need a visible frame show it.
        doc = static_cast<CRouteDoc*>(tmpl->OpenDocumentFile(nullptr, FALSE));
        ASSERT_NE(doc, nullptr);
        frame = static_cast<CRouteFrame*>(app.m_pMainWnd);
        ASSERT_NE(frame, nullptr);
        view = static_cast<CRouteView*>(frame->GetActiveView());
        ASSERT_NE(view, nullptr);
        DrainQueue();
    }
    void TearDown() override
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
        EXPECT_EQ(g_framesAlive, 0);
        EXPECT_EQ(g_viewsAlive, 0);
        EXPECT_EQ(g_docsAlive, 0);
    }
    UINT StateOf(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND); }

    CRouteApp app;
    CSingleDocTemplate* tmpl = nullptr;
    CRouteDoc* doc = nullptr;
    CRouteFrame* frame = nullptr;
    CRouteView* view = nullptr;
};

}  // namespace

TEST_F(FrameTest, TemplateJoinsDocumentFrameAndView)
{
    EXPECT_EQ(g_docsAlive, 1);
    EXPECT_EQ(g_viewsAlive, 1);
    EXPECT_EQ(g_framesAlive, 1);
    EXPECT_EQ(view->GetDocument(), doc);
    EXPECT_EQ(frame->GetActiveDocument(), doc);
    EXPECT_EQ(doc->GetDocTemplate(), tmpl);
    EXPECT_EQ(doc->newCalls, 1);
    EXPECT_EQ(view->initialUpdates, 0);
    EXPECT_FALSE(frame->IsWindowVisible());
    tmpl->InitialUpdateFrame(frame, doc, TRUE);
    EXPECT_EQ(view->initialUpdates, 1);
    EXPECT_EQ(view->GetDlgCtrlID(), AFX_IDW_PANE_FIRST);
    EXPECT_EQ(view->GetParentFrame(), frame);
    EXPECT_TRUE(frame->IsWindowVisible());
    POSITION pos = doc->GetFirstViewPosition();
    EXPECT_EQ(doc->GetNextView(pos), view);
    EXPECT_EQ(pos, nullptr);
    POSITION tpos = app.GetFirstDocTemplatePosition();
    EXPECT_EQ(app.GetNextDocTemplate(tpos), tmpl);
    EXPECT_EQ(app.GetOpenDocumentCount(), 1);
    // A second "new" reuses the single document and its frame.
    EXPECT_EQ(tmpl->OpenDocumentFile(nullptr, FALSE), doc);
    EXPECT_EQ(doc->newCalls, 2);
    EXPECT_EQ(g_framesAlive, 1);
}

TEST_F(FrameTest, UpdateAllViewsSkipsTheSender)
{
    view->hints.clear();
    doc->UpdateAllViews(nullptr, 0x1234);
    doc->UpdateAllViews(view, 0x5678);
    EXPECT_EQ(view->hints, (std::vector<LPARAM>{0x1234}));
}

TEST_F(FrameTest, TitleShowsDocumentThenApplication)
{
    frame->SetTitle("Sektorlupe");
    doc->SetTitle("disk.img");
    CString title;
    frame->GetWindowText(title);
    EXPECT_STREQ(title, "disk.img - Sektorlupe");
    doc->SetPathName("C:\\images\\floppy.img", FALSE);
    frame->GetWindowText(title);
    EXPECT_STREQ(title, "floppy.img - Sektorlupe");
    EXPECT_STREQ(doc->GetPathName(), "C:\\images\\floppy.img");
    doc->SetPathName("D:", FALSE);   // a drive stays as it is: no current folder is put in
    EXPECT_STREQ(doc->GetPathName(), "D:");
    EXPECT_STREQ(doc->GetTitle(), "D:");
}

TEST_F(FrameTest, CommandsTravelViewDocumentFrameApplication)
{
    EXPECT_TRUE(frame->OnCmdMsg(kCmdAll, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(g_route, (std::vector<std::string>{"view", "doc", "frame", "app"}));
    g_route.clear();
    frame->SendMessage(WM_COMMAND, kCmdDoc);
    frame->SendMessage(WM_COMMAND, kCmdApp);
    frame->SendMessage(WM_COMMAND, kCmdNobody);
    EXPECT_EQ(g_route, (std::vector<std::string>{"doc-only", "app-only"}));
}

TEST_F(FrameTest, MenuItemsWithoutHandlerAreGreyed)
{
    HMENU menu = CreatePopupMenu();
    for (UINT id : {kCmdAll, kCmdApp, kCmdNobody, kCmdChecked, kCmdDoc, kCmdRenamed, kCmdVetoed, kCmdPassed})
        AppendMenuA(menu, MF_STRING, id, "Eintrag");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    EnableMenuItem(menu, kCmdApp, MF_BYCOMMAND | MF_GRAYED);   // a handler makes it usable again
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));

    EXPECT_FALSE(StateOf(menu, kCmdAll) & MF_GRAYED);
    EXPECT_FALSE(StateOf(menu, kCmdApp) & MF_GRAYED);
    EXPECT_TRUE(StateOf(menu, kCmdNobody) & MF_GRAYED);
    EXPECT_FALSE(StateOf(menu, kCmdDoc) & MF_GRAYED);
    EXPECT_TRUE(StateOf(menu, kCmdChecked) & MF_CHECKED);
    EXPECT_TRUE(StateOf(menu, kCmdVetoed) & MF_GRAYED);
    EXPECT_TRUE(StateOf(menu, kCmdPassed) & MF_CHECKED);   // the document answered after the view
    char text[64] = "";
    GetMenuStringA(menu, kCmdRenamed, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "Neu &benannt");

    // A disabled command does not run when it arrives from a menu or accelerator.
    g_route.clear();
    frame->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdVetoed, 1), 0);
    EXPECT_TRUE(g_route.empty());
    DestroyMenu(menu);
}

TEST_F(FrameTest, WithoutAutoMenuEnableNothingIsGreyed)
{
    frame->m_bAutoMenuEnable = FALSE;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kCmdNobody, "Niemand");
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    EXPECT_FALSE(StateOf(menu, kCmdNobody) & MF_GRAYED);
    DestroyMenu(menu);
}

TEST_F(FrameTest, StatusBarShowsPromptsAndIdleMessage)
{
    CStatusBar& bar = frame->m_wndStatusBar;
    EXPECT_EQ(bar.GetCount(), 2);
    EXPECT_EQ(bar.CommandToIndex(kPaneIndicator), 1);
    EXPECT_EQ(bar.CommandToIndex(4711), -1);
    EXPECT_EQ(frame->GetMessageBar(), &bar);
    UINT id = 0;
    UINT style = 0;
    int width = 0;
    bar.GetPaneInfo(1, id, style, width);
    EXPECT_EQ(id, kPaneIndicator);
    EXPECT_EQ(width, 60);
    bar.GetPaneInfo(7, id, style, width);   // out of range: zeros
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(width, 0);

    frame->SetMessageText("Hallo Welt");
    char shown[64] = "";
    bar.SendMessage(SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, "Hallo Welt");
    EXPECT_STREQ(bar.GetPaneText(0), "Hallo Welt");

    // A menu item without a prompt string empties the line; a closed menu shows the idle text.
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(kCmdApp, MF_STRING), 1);
    EXPECT_STREQ(bar.GetPaneText(0), "");
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_STREQ(bar.GetPaneText(0), "Bereit");
    bar.SendMessage(SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, "Bereit");

    EXPECT_TRUE(bar.SetPaneText(1, "Sektor 5"));
    EXPECT_FALSE(bar.SetPaneText(2, "x"));
    bar.SendMessage(SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ(shown, "Sektor 5");
}

TEST_F(FrameTest, IdleUpdatesTheBars)
{
    frame->ShowWindow(SW_SHOWNA);   // idle time serves only a visible main window
    EXPECT_TRUE(app.OnIdle(0));
    EXPECT_GE(g_paneUpdates, 1);
    EXPECT_STREQ(frame->m_wndStatusBar.GetPaneText(1), "Leerlauf");
    EXPECT_FALSE(app.OnIdle(1));
}

TEST_F(FrameTest, BarsTakeTheirRoomAndTheViewTheRest)
{
    frame->MoveWindow(0, 0, 400, 300);
    frame->RecalcLayout();
    CRect client;
    frame->GetClientRect(&client);
    CRect barRect;
    frame->m_wndStatusBar.GetWindowRect(&barRect);
    frame->ScreenToClient(&barRect);
    CRect viewRect;
    view->GetWindowRect(&viewRect);
    frame->ScreenToClient(&viewRect);
    EXPECT_EQ(barRect.bottom, client.bottom);
    EXPECT_EQ(barRect.Width(), client.Width());
    EXPECT_GT(barRect.Height(), 0);
    EXPECT_EQ(viewRect.top, client.top);
    EXPECT_EQ(viewRect.bottom, barRect.top);
    EXPECT_EQ(viewRect.Width(), client.Width());

    // "Statusleiste" hides the bar, the view grows, the menu item loses its check.
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, ID_VIEW_STATUS_BAR, "S&tatusleiste");
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(StateOf(menu, ID_VIEW_STATUS_BAR) & MF_CHECKED);
    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame->m_wndStatusBar.GetStyle() & WS_VISIBLE);
    view->GetWindowRect(&viewRect);
    frame->ScreenToClient(&viewRect);
    EXPECT_EQ(viewRect.bottom, client.bottom);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_FALSE(StateOf(menu, ID_VIEW_STATUS_BAR) & MF_CHECKED);
    EXPECT_FALSE(StateOf(menu, ID_VIEW_STATUS_BAR) & MF_GRAYED);
    frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(frame->m_wndStatusBar.GetStyle() & WS_VISIBLE);
    // No toolbar: its command has a handler but no bar; nothing happens.
    frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    DestroyMenu(menu);
}

TEST_F(FrameTest, ClosingTheMainFrameClosesTheDocumentOnce)
{
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(g_preCloseCalls, 1);
    EXPECT_EQ(g_framesAlive, 0);
    EXPECT_EQ(g_viewsAlive, 0);
    EXPECT_EQ(g_docsAlive, 0);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    // The main window's end asks the message loop to stop.
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(FrameTest, MessagePumpRoutesAcceleratorsAndEndsWithTheMainWindow)
{
    ACCEL accel = {FVIRTKEY, VK_F5, static_cast<WORD>(kCmdApp)};
    frame->m_hAccelTable = CreateAcceleratorTableA(&accel, 1);
    ASSERT_NE(frame->m_hAccelTable, nullptr);
    // The key goes to the view; the frame's accelerator turns it into the command, which
    // only the application handles. Then a timer closes the frame after the loop was idle.
    frame->ShowWindow(SW_SHOWNA);
    view->PostMessage(WM_KEYDOWN, VK_F5, 1);
    frame->closeOnTimer = true;
    frame->SetTimer(1, 100);
    HACCEL table = frame->m_hAccelTable;
    // A watchdog ends the loop should the frame never close.
    WatchdogJob job = {GetCurrentThreadId(), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE watchdog = CreateThread(nullptr, 0, &Watchdog, &job, 0, nullptr);
    int result = app.Run();
    SetEvent(job.done);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
    CloseHandle(job.done);
    DestroyAcceleratorTable(table);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_route, (std::vector<std::string>{"app-only"}));
    EXPECT_GE(g_paneUpdates, 1);   // the idle time updated the status bar
    EXPECT_EQ(g_framesAlive, 0);
}
