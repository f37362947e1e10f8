// The progress dialog on the display: one worker run that floods text line 0, asks for a
// third line, asks a question during which the user cancels, and moves the bar, with a
// taskbar object that writes down what it is told; then the per-process taskbar rule.
#include "uihelpers/ProgressDialog.h"

#include "classlib/DlgTemplate.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// An ITaskbarList3 that records what the dialog tells it.
class RecordingTaskbar : public ITaskbarList3 {
public:
    std::vector<int> states;
    std::vector<ULONGLONG> maxima;
    HWND window = nullptr;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG, ULONGLONG total) override
    {
        maxima.push_back(total);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND hwnd, TBPFLAG state) override
    {
        window = hwnd;
        states.push_back(state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }
};

RecordingTaskbar* g_taskbar = nullptr;
int g_factoryCalls = 0;

HRESULT GiveRecordingTaskbar(ITaskbarList3** out)
{
    ++g_factoryCalls;
    g_taskbar->AddRef();
    *out = g_taskbar;
    return S_OK;
}

HRESULT RefuseTaskbar(ITaskbarList3** out)
{
    ++g_factoryCalls;
    *out = nullptr;
    return REGDB_E_CLASSNOTREG;
}

// What the run saw on either side.
struct RunRecord {
    HANDLE uiReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND dialog = nullptr;
    int initialHeight = 0;
    int heightDuringQuestion = 0;
    int lineHeightSeen = 0;
    int tornTexts = 0;
    volatile LONG textsSeen = 0;
    int handlerCalls = 0;
    int handlerCallsDuringQuestion = -1;
    bool workerWaitedDuringCancel = false;
    int stateDuringQuestion = -1;
    int answer = 0;
    bool cancelSeenAfterAnswer = false;
};
RunRecord* g_run = nullptr;

int Height(HWND w)
{
    RECT rc;
    GetWindowRect(w, &rc);
    return rc.bottom - rc.top;
}

int TopIn(HWND dialog, int id)
{
    RECT rc;
    GetWindowRect(GetDlgItem(dialog, id), &rc);
    return rc.top;
}

BOOL CALLBACK FindDialog(HWND h, LPARAM out)
{
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0)
        *reinterpret_cast<HWND*>(out) = h;
    return TRUE;
}

// The user-interface side: reads text line 0 every few milliseconds; a text is torn when
// it is neither empty nor one letter repeated to its full length.
void CALLBACK WatchText(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !g_run)
        return;
    if (!g_run->dialog) {
        g_run->dialog = dialog;
        g_run->initialHeight = Height(dialog);
        SetEvent(g_run->uiReady);
    }
    char text[600] = {};
    int n = GetDlgItemTextA(dialog, IDC_PROGRESS_TEXT0, text, sizeof text);
    if (n == 0)
        return;
    InterlockedIncrement(&g_run->textsSeen);
    const size_t expected = text[0] == 'A' ? 300 : 150;
    if (std::string(text) != std::string(expected, text[0]))
        ++g_run->tornTexts;
}

void CountCancel(void* run)
{
    ++static_cast<RunRecord*>(run)->handlerCalls;
}

// The question: answered OK after the user cancelled twice while the box was up.
int AnswerAfterCancel(HWND dialog, const char*, const char*, UINT)
{
    g_run->stateDuringQuestion = g_taskbar->states.back();
    HWND line2 = GetDlgItem(dialog, IDC_PROGRESS_TEXT0 + 2);
    if (line2)
        g_run->lineHeightSeen = TopIn(dialog, IDC_PROGRESS_TEXT0 + 2) - TopIn(dialog, IDC_PROGRESS_TEXT0 + 1);
    g_run->heightDuringQuestion = Height(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    // A message box's own loop would dispatch them while it waits: here until a marker
    // posted behind them comes out of the queue, so both were handled.
    const WPARAM kMarker = 0x5EED;
    PostMessageA(dialog, WM_NULL, kMarker, 0);
    MSG msg;
    for (bool marked = false; !marked && GetMessageA(&msg, nullptr, 0, 0) > 0;) {
        marked = msg.message == WM_NULL && msg.hwnd == dialog && msg.wParam == kMarker;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_run->handlerCallsDuringQuestion = g_run->handlerCalls;
    return IDOK;
}

UINT FloodAskAndStop(ProgressSink* progress, const DWORD_PTR* params)
{
    RunRecord* run = reinterpret_cast<RunRecord*>(params[0]);
    WaitForSingleObject(run->uiReady, 60000);
    progress->SetPos(100);
    const std::string a(300, 'A'), b(150, 'B');
    // At least 400 ms of texts, and on until the window's thread has looked at a few of them
    // however seldom a busy machine lets it.
    const DWORD until = GetTickCount() + 400;
    const DWORD deadline = GetTickCount() + 60000;
    for (int i = 0; GetTickCount() < until || (run->textsSeen <= 3 && GetTickCount() < deadline); ++i)
        progress->SetText(0, (i & 1) ? b.c_str() : a.c_str());
    progress->SetPos(600);
    progress->SetText(2, "Zeile 2");
    run->answer = progress->AskUser("Weiter machen ?", "Frage", MB_OKCANCEL | MB_ICONWARNING);
    // The cancels came while the question was up: the flag is set by the time it is answered.
    run->cancelSeenAfterAnswer = progress->IsCancelled() != 0;
    return 7;
}

UINT MoveAndReturn(ProgressSink* progress, const DWORD_PTR*)
{
    progress->SetPos(10);
    progress->SetPos(900);
    return 0;
}

// Enter as the dialog manager gives it (IDOK) while the worker runs, after a cancel when
// params[2] says so: the dialog must still stand when the worker looks.
UINT PressEnterWhileRunning(ProgressSink*, const DWORD_PTR* params)
{
    CProgressDialog* owner = reinterpret_cast<CProgressDialog*>(params[0]);
    if (params[2])
        ::SendMessageA(owner->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    ::SendMessageA(owner->m_hWnd, WM_COMMAND, IDOK, 0);
    *reinterpret_cast<bool*>(params[1]) = ::IsWindow(owner->m_hWnd) != FALSE;
    return 9;
}

// A dialog the worker has run on the window's thread: it notes the taskbar state while it
// is up and closes itself with 77.
class SelfClosingDialog : public CDialog {
public:
    int stateWhileUp = -1;

    SelfClosingDialog()
    {
        static CDlgTemplateBuilder b;
        static bool built = b.Begin("Zwischenfrage", WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 100, 40,
                                    "MS Sans Serif", 8, FALSE)
                            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 25, 15, 50, 14);
        InitModalIndirect(built ? b.GetTemplate() : nullptr, nullptr);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        stateWhileUp = g_taskbar->states.empty() ? -1 : g_taskbar->states.back();
        ::PostMessageA(m_hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void OnOK() override { EndDialog(77); }
};

// The position comes first, so the taskbar object exists when the dialog is asked for.
UINT RunDialogFromWorker(ProgressSink* progress, const DWORD_PTR* params)
{
    progress->SetPos(500);
    CProgressDialog* owner = reinterpret_cast<CProgressDialog*>(params[0]);
    return static_cast<UINT>(owner->RunModalDialog(reinterpret_cast<CDialog*>(params[1])));
}

// Where a dialog titled `title` of this process is, and whether it takes input; the
// worker moves it to `moveTo` when given.
struct Placement {
    const char* title;
    POINT moveTo;
    bool move;
    UINT waitMs;                    // looked at again once it takes input and has moved, at most this long after
    RECT first, later;
    BOOL enabledFirst, enabledLater;
    DWORD firstLookAfter;           // ms from the worker's start to the first look
};

UINT PlaceAndLook(ProgressSink*, const DWORD_PTR* params)
{
    Placement* p = reinterpret_cast<Placement*>(params[0]);
    const DWORD started = GetTickCount();
    // The window's initialisation goes on after the start: it is done when the dialog shows.
    HWND w = nullptr;
    testsupport::WaitUntil([&] { return (w = FindWindowA("#32770", p->title)) != nullptr && IsWindowVisible(w); });
    GetWindowRect(w, &p->first);
    p->enabledFirst = IsWindowEnabled(w);
    p->firstLookAfter = GetTickCount() - started;
    if (p->move)
        SetWindowPos(w, nullptr, p->moveTo.x, p->moveTo.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The dialog is enabled and moved back by one handler: the look waits for both, however
    // long the window's thread takes to get from the one to the other.
    if (p->waitMs)
        testsupport::WaitUntil([&] {
            RECT now;
            return IsWindowEnabled(w) != FALSE && GetWindowRect(w, &now) &&
                   (now.left != p->first.left || now.top != p->first.top);
        }, p->waitMs);
    GetWindowRect(w, &p->later);
    p->enabledLater = IsWindowEnabled(w);
    return 0;
}

INT_PTR RunPlacement(Placement& p, UINT showDelay = 0)
{
    CProgressDialog dialog;
    dialog.SetTitle(p.title);
    dialog.SetShowDelay(showDelay);
    dialog.SetWorker(&PlaceAndLook, reinterpret_cast<DWORD_PTR>(&p));
    return dialog.DoModal();
}

class ProgressDialogRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProgressTaskbarState();
        g_factoryCalls = 0;
    }
    void TearDown() override
    {
        SetProgressTaskbarFactory(nullptr);
        SetProgressQuestionHook(nullptr);
        ResetProgressTaskbarState();
    }
};

}  // namespace

TEST_F(ProgressDialogRun, WorkerTextsQuestionCancelLinesAndTaskbarInOneRun)
{
    RecordingTaskbar taskbar;
    g_taskbar = &taskbar;
    RunRecord run;
    g_run = &run;
    SetProgressTaskbarFactory(&GiveRecordingTaskbar);
    SetProgressQuestionHook(&AnswerAfterCancel);
    UINT_PTR watch = SetTimer(nullptr, 0, 5, &WatchText);

    CProgressDialog dialog;
    dialog.SetTitle("Speichere Sektoren");
    dialog.SetRange(0, 1000);
    dialog.SetWorker(&FloodAskAndStop, reinterpret_cast<DWORD_PTR>(&run));
    dialog.SetCancelHandler(&CountCancel, &run);
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, watch);
    g_run = nullptr;

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.GetWorkerResult(), 7u);
    EXPECT_GT(run.textsSeen, 3);
    EXPECT_EQ(run.tornTexts, 0) << "a text line was shown half written";
    EXPECT_GT(run.lineHeightSeen, 0) << "text line 2 was not created below line 1";
    EXPECT_EQ(run.heightDuringQuestion - run.initialHeight, 2 * run.lineHeightSeen) << "lines 1 and 2 need room";
    // The question was answered although the user cancelled during it; the handler ran once
    // (two cancels), while the question was up, and the worker saw the cancel after it.
    EXPECT_EQ(run.answer, IDOK);
    EXPECT_EQ(run.handlerCallsDuringQuestion, 1);
    EXPECT_EQ(run.handlerCalls, 1);
    EXPECT_TRUE(run.cancelSeenAfterAnswer);
    // The taskbar: normal when made, paused during the warning question, normal again, and no
    // progress at the end; on the dialog's own window (it has no owner here).
    ASSERT_GE(taskbar.states.size(), 4u);
    EXPECT_EQ(taskbar.states.front(), TBPF_NORMAL);
    EXPECT_EQ(run.stateDuringQuestion, TBPF_PAUSED);
    EXPECT_EQ(taskbar.states[taskbar.states.size() - 2], TBPF_NORMAL);
    EXPECT_EQ(taskbar.states.back(), TBPF_NOPROGRESS);
    EXPECT_EQ(taskbar.window, run.dialog);
    ASSERT_FALSE(taskbar.maxima.empty());
    EXPECT_EQ(taskbar.maxima.back(), 1003u);       // 1000 + 1000 / 256
    EXPECT_EQ(taskbar.refs, 1) << "the dialog kept or lost a reference";
}

// A dialog run for the worker: its result goes back to the worker, the taskbar pauses while
// it is up and shows no progress after it.
TEST_F(ProgressDialogRun, WorkerRunsADialogOnTheWindowsThread)
{
    RecordingTaskbar taskbar;
    g_taskbar = &taskbar;
    SetProgressTaskbarFactory(&GiveRecordingTaskbar);
    SelfClosingDialog asked;
    CProgressDialog dialog;
    dialog.SetRange(0, 1000);
    dialog.SetWorker(&RunDialogFromWorker, reinterpret_cast<DWORD_PTR>(&dialog), reinterpret_cast<DWORD_PTR>(&asked));
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetWorkerResult(), 77u);
    EXPECT_EQ(asked.stateWhileUp, TBPF_PAUSED);
    EXPECT_EQ(taskbar.states, (std::vector<int>{ TBPF_NORMAL, TBPF_PAUSED, TBPF_NOPROGRESS, TBPF_NOPROGRESS }));
    EXPECT_EQ(taskbar.refs, 1);
}

TEST_F(ProgressDialogRun, EnterEndsNothingWhileTheWorkerRuns)
{
    SetProgressTaskbarFactory(&RefuseTaskbar);
    const struct { bool cancelFirst; INT_PTR result; } kCases[] = { { false, IDOK }, { true, IDCANCEL } };
    for (const auto& c : kCases) {
        bool standing = false;
        CProgressDialog dialog;
        dialog.SetRange(0, 1000);
        dialog.SetWorker(&PressEnterWhileRunning, reinterpret_cast<DWORD_PTR>(&dialog),
                         reinterpret_cast<DWORD_PTR>(&standing), c.cancelFirst ? 1 : 0);
        EXPECT_EQ(dialog.DoModal(), c.result) << c.cancelFirst;
        EXPECT_TRUE(standing) << c.cancelFirst;
        EXPECT_EQ(dialog.GetWorkerResult(), 9u);
    }
}

TEST_F(ProgressDialogRun, FailedTaskbarIsNotAskedAgainAndAQuickWorkerEndsWithOk)
{
    SetProgressTaskbarFactory(&RefuseTaskbar);
    for (int i = 0; i < 2; ++i) {
        CProgressDialog dialog;
        dialog.SetRange(0, 1000);
        dialog.SetWorker(&MoveAndReturn);
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    EXPECT_EQ(g_factoryCalls, 1);
    EXPECT_EQ(GetProgressTaskbarState(), 2);
}

// Wine's own TaskbarList: the dialog takes or leaves it without harm.
TEST_F(ProgressDialogRun, SystemTaskbarObjectSmoke)
{
    CProgressDialog dialog;
    dialog.SetRange(0, 1000);
    dialog.SetWorker(&MoveAndReturn);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_NE(GetProgressTaskbarState(), 0);
}

// A dialog opens where the last one closed, unless that place is off the screen; with a show
// delay it waits off-screen and disabled, then comes back to its place.
TEST_F(ProgressDialogRun, OpensWhereTheLastOneClosedAndWaitsOutItsShowDelay)
{
    SetProgressTaskbarFactory(&RefuseTaskbar);
    Placement moved = { "Platz 1", { 123, 87 }, true, 50, {}, {}, FALSE, FALSE, 0 };
    ASSERT_EQ(RunPlacement(moved), IDOK);
    Placement reopened = { "Platz 2", {}, false, 0, {}, {}, FALSE, FALSE, 0 };
    ASSERT_EQ(RunPlacement(reopened), IDOK);
    EXPECT_EQ(reopened.first.left, 123);
    EXPECT_EQ(reopened.first.top, 87);

    Placement gone = { "Platz 3", { -5000, -5000 }, true, 50, {}, {}, FALSE, FALSE, 0 };
    ASSERT_EQ(RunPlacement(gone), IDOK);
    // Long enough a delay that the first look comes before it on a busy machine too.
    Placement delayed = { "Platz 4", {}, false, 60000, {}, {}, FALSE, FALSE, 0 };
    ASSERT_EQ(RunPlacement(delayed, 2000), IDOK);
    // What the first look saw tells of the delay only when it came within it: a machine busy
    // enough to take longer has shown the dialog in its place already.
    if (delayed.firstLookAfter < 1500) {
        EXPECT_EQ(delayed.first.left, 28672) << "waits off-screen";
        EXPECT_FALSE(delayed.enabledFirst);
    }
    EXPECT_TRUE(delayed.enabledLater);
    EXPECT_GE(delayed.later.left, 0) << "the place of a dialog moved off the screen was taken";
    EXPECT_LT(delayed.later.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(delayed.later.top, 0);
}

// A dialog that ended before its show delay ran out closed off-screen: that is the place
// remembered, so the next dialog opens at its own place, not where an earlier one closed.
TEST_F(ProgressDialogRun, ADialogThatEndedOffScreenLeavesTheNextAtItsOwnPlace)
{
    SetProgressTaskbarFactory(&RefuseTaskbar);
    Placement moved = { "Platz 5", { 123, 87 }, true, 50, {}, {}, FALSE, FALSE, 0 };
    ASSERT_EQ(RunPlacement(moved), IDOK);
    {
        CProgressDialog hidden;
        hidden.SetShowDelay(60000);
        hidden.SetWorker(&MoveAndReturn);
        ASSERT_EQ(hidden.DoModal(), IDOK);
    }
    Placement next = { "Platz 6", {}, false, 0, {}, {}, FALSE, FALSE, 0 };
    ASSERT_EQ(RunPlacement(next), IDOK);
    EXPECT_FALSE(next.first.left == 123 && next.first.top == 87) << "opened where the dialog before the hidden one closed";
    EXPECT_LT(next.first.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(next.first.top, 0);
}
