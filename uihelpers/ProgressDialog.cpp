#include "uihelpers/ProgressDialog.h"

#include <commctrl.h>
#include <string.h>
#include "classlib/DlgTemplate.h"
#include "classlib/WinApp.h"

namespace {

// Opcodes of command 6545.
enum {
    OP_SHOW_LINE = 1,
    OP_POSITION = 2,
    OP_STEP_BAR = 3,
    OP_RANGE = 4,
    OP_ARM_FLUSH = 5,
    OP_TIMER_CALLBACK = 7,
    OP_GROW = 8,
};

enum { TASKBAR_NOT_TRIED = 0, TASKBAR_AVAILABLE = 1, TASKBAR_UNAVAILABLE = 2 };

// Shared by every progress dialog of the process; touched on the user-interface thread only.
struct ProgressShared {
    RECT lastRect;
    bool rectKnown;
    int textWidth;
    int taskbarState;
};
ProgressShared g_shared = {{0, 0, 0, 0}, false, 0, TASKBAR_NOT_TRIED};
ProgressQuestionHook g_questionHook = nullptr;
ProgressTaskbarFactory g_taskbarFactory = nullptr;

const DWORD kWorkerStack = 0x20000;
const int kOffScreen = 28672;

const DLGTEMPLATE* ProgressTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        built = b.Begin("Dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 327, 71,
                        "MS Sans Serif", 8, FALSE)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 135, 45, 50, 14)
            && b.AddControl(PROGRESS_CLASSA, IDC_PROGRESS_BAR, WS_BORDER, 0, 35, 30, 280, 9, "Progress1")
            && b.AddStatic(IDC_PROGRESS_TEXT0, "", SS_LEFT | SS_NOPREFIX | WS_GROUP, 40, 15, 275, 8)
            && b.AddStatic(IDC_PROGRESS_ICON, "", SS_ICON, 5, 15, 20, 20);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

HRESULT CreateSystemTaskbar(ITaskbarList3** taskbar)
{
    return CoCreateInstance(CLSID_TaskbarList, NULL, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                            reinterpret_cast<void**>(taskbar));
}

// Moves a child control by dy pixels.
void MoveControlDown(HWND dialog, int id, int dy)
{
    HWND control = ::GetDlgItem(dialog, id);
    if (!control)
        return;
    RECT rc;
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rc), 2);
    ::SetWindowPos(control, NULL, rc.left, rc.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void SetProgressQuestionHook(ProgressQuestionHook hook)
{
    g_questionHook = hook;
}

void SetProgressTaskbarFactory(ProgressTaskbarFactory factory)
{
    g_taskbarFactory = factory;
}

void ResetProgressTaskbarState()
{
    g_shared.taskbarState = TASKBAR_NOT_TRIED;
}

int GetProgressTaskbarState()
{
    return g_shared.taskbarState;
}

// ---------------------------------------------------------------- the owner

CProgressDialog::CProgressDialog(CWnd* pParent)
{
    m_pParentWnd = pParent;
    InitModalIndirect(ProgressTemplate(), pParent);
    InitializeCriticalSection(&m_lock);
    memset(m_lines, 0, sizeof m_lines);
    m_title[0] = 0;
    m_throttle.Reset(GetTickCount());
    // Taken at once: the worker waits on it for every answer, and each answer releases it
    // once.
    m_answerReady = CreateSemaphoreA(NULL, 1, 0x7F000000, NULL);
    if (m_answerReady)
        WaitForSingleObject(m_answerReady, 0);
}

CProgressDialog::~CProgressDialog()
{
    // A worker still waiting for an answer goes on (its question gets no answer) and is
    // waited for: it uses this object until it returns.
    if (m_answerReady)
        ReleaseSemaphore(m_answerReady, 1, NULL);
    if (m_thread) {
        while (WaitForSingleObject(m_thread, 50) == WAIT_TIMEOUT) {
        }
        CloseHandle(m_thread);
    }
    if (m_answerReady)
        CloseHandle(m_answerReady);
    DeleteCriticalSection(&m_lock);
}

void CProgressDialog::SetTitle(const char* title)
{
    lstrcpynA(m_title, title ? title : "", sizeof m_title);
}

void CProgressDialog::SetRange(uint64_t start, uint64_t end)
{
    EnterCriticalSection(&m_lock);
    bool changed = m_bar.SetRange(start, end);
    LeaveCriticalSection(&m_lock);
    if (changed)
        PostOpcode(OP_RANGE, 0);
}

void CProgressDialog::SetWorker(ProgressWorkerFunc worker, DWORD_PTR p0, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3,
                                DWORD_PTR p4)
{
    m_worker = worker;
    m_params[0] = p0;
    m_params[1] = p1;
    m_params[2] = p2;
    m_params[3] = p3;
    m_params[4] = p4;
}

void CProgressDialog::SetCancelHandler(ProgressCallbackFunc handler, void* argument)
{
    m_cancelHandler = handler;
    m_cancelArgument = argument;
}

void CProgressDialog::SetTimerCallback(ProgressCallbackFunc callback, UINT intervalMs, void* argument)
{
    m_timerCallback = callback;
    m_timerArgument = argument;
    m_timerInterval = callback ? intervalMs : 0;
    PostOpcode(OP_TIMER_CALLBACK, 0);
}

INT_PTR CProgressDialog::DoModal()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    InterlockedExchange(&m_finished, 0);
    return CDialog::DoModal();
}

// ---------------------------------------------------------------- the worker

DWORD WINAPI CProgressDialog::ThreadEntry(void* param)
{
    CProgressDialog* self = static_cast<CProgressDialog*>(param);
    InterlockedExchange(&self->m_workerResult, -1);
    if (self->m_worker)
        InterlockedExchange(&self->m_workerResult, static_cast<LONG>(self->m_worker(self, self->m_params)));
    InterlockedExchange(&self->m_running, 0);
    self->PostCommand(PROGRESS_CMD_DONE, 0);
    return 0;
}

bool CProgressDialog::PostCommand(UINT id, LPARAM lParam)
{
    // A window that no longer exists refuses the post; asking IsWindow first would cost a
    // round trip to the system on every position of a fast worker.
    HWND target = m_target;
    return target && ::PostMessageA(target, WM_COMMAND, id, lParam) != FALSE;
}

void CProgressDialog::PostPosition()
{
    // One position on its way is enough: the window shows the latest value when it comes.
    if (InterlockedExchange(&m_positionPosted, 1) == 0 && !PostCommand(PROGRESS_CMD_OPCODE, OP_POSITION))
        InterlockedExchange(&m_positionPosted, 0);
}

void CProgressDialog::SetPos(uint64_t position)
{
    EnterCriticalSection(&m_lock);
    bool changed = m_bar.SetPos(position);
    LeaveCriticalSection(&m_lock);
    if (changed)
        PostPosition();
}

void CProgressDialog::Step()
{
    EnterCriticalSection(&m_lock);
    bool changed = m_bar.Step();
    LeaveCriticalSection(&m_lock);
    if (changed)
        PostPosition();
}

void CProgressDialog::StepBar()
{
    PostOpcode(OP_STEP_BAR, 0);
}

void CProgressDialog::SetText(int line, const char* text)
{
    // A negative line is refused like one above 3: it would index before the text lines and
    // write over the fields in front of them.
    if (line < 0 || line > 3)
        return;
    if (!text)
        text = "";
    int grow = 0;
    ProgressTextThrottle::Action action = ProgressTextThrottle::NOTHING;
    EnterCriticalSection(&m_lock);
    if (line >= m_linesAsked) {
        m_linesAsked = line + 1;
        grow = m_linesAsked;
    }
    bool same = strncmp(m_lines[line], text, sizeof m_lines[line] - 1) == 0;
    if (!same) {
        lstrcpynA(m_lines[line], text, sizeof m_lines[line]);
        if (m_target)
            action = m_throttle.TextChanged(line, GetTickCount());
    }
    LeaveCriticalSection(&m_lock);
    if (grow)
        PostOpcode(OP_GROW, grow);
    if (action != ProgressTextThrottle::NOTHING)
        PostOpcode(action, line);
}

int CProgressDialog::AskUser(const char* text, const char* caption, UINT type)
{
    m_questionText = text ? text : "";
    m_questionCaption = caption;
    m_questionType = type;
    InterlockedExchange(&m_answer, IDCANCEL);
    // No window to ask in (the dialog has finished): waiting for an answer that never comes
    // would hang the worker, so the question gets the safe answer at once.
    if (!PostCommand(PROGRESS_CMD_ASK, 0))
        return IDCANCEL;
    WaitForSingleObject(m_answerReady, INFINITE);
    return static_cast<int>(InterlockedCompareExchange(&m_answer, 0, 0));
}

INT_PTR CProgressDialog::RunModalDialog(CDialog* dialog)
{
    if (!dialog)
        return -1;
    m_dialogToRun = dialog;
    InterlockedExchange(&m_answer, -1);
    if (!PostCommand(PROGRESS_CMD_RUN_DIALOG, 0))
        return -1;
    WaitForSingleObject(m_answerReady, INFINITE);
    return static_cast<INT_PTR>(InterlockedCompareExchange(&m_answer, 0, 0));
}

void CProgressDialog::Cancel()
{
    InterlockedExchange(&m_cancelled, 1);
    PostCommand(IDCANCEL, 0);
}

// ---------------------------------------------------------------- the window

void CProgressDialog::PlaceAtRememberedRect()
{
    if (!g_shared.rectKnown)
        return;
    RECT work;
    MONITORINFO info;
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(&g_shared.lastRect, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoA(monitor, &info))
        work = info.rcWork;
    else
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const RECT& r = g_shared.lastRect;
    // Only where the dialog can still be seen and grabbed.
    if (r.left > work.left - 100 && r.left < work.right - 100 && r.top > work.top - 10 && r.top < work.bottom - 100)
        SetWindowPos(NULL, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CProgressDialog::OnInitDialog()
{
    const DWORD now = GetTickCount();
    EnterCriticalSection(&m_lock);
    m_throttle.Reset(now);
    const int linesAsked = m_linesAsked;
    LeaveCriticalSection(&m_lock);
    InterlockedExchange(&m_finished, 0);
    m_lineCount = 1;
    m_cancelHandled = false;
    PlaceAtRememberedRect();

    HWND line0 = ::GetDlgItem(m_hWnd, IDC_PROGRESS_TEXT0);
    if (line0) {
        RECT rc;
        ::GetClientRect(line0, &rc);
        m_lineHeight = rc.bottom - rc.top + 2;
        m_textWidth = rc.right - rc.left;
        g_shared.textWidth = m_textWidth;
    }
    GrowLines(linesAsked);
    CDialog::OnInitDialog();
    if (m_iconId) {
        HICON icon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_iconId));
        if (icon)
            SendDlgItemMessage(IDC_PROGRESS_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
    if (m_title[0])
        SetWindowText(m_title);

    m_target = m_hWnd;
    RunOpcode(OP_RANGE, 0);
    // Every line the owner filled before the window existed, not line 0 alone: a text set
    // for lines 1 to 3 before DoModal is posted nowhere, and would stay blank until the
    // worker happened to change it.
    for (int line = 0; line < m_lineCount; ++line)
        ShowLine(line);
    if (m_timerInterval)
        ::SetTimer(m_hWnd, PROGRESS_TIMER_CALLBACK, m_timerInterval, NULL);

    InterlockedExchange(&m_running, 1);
    m_thread = ::CreateThread(NULL, kWorkerStack, &CProgressDialog::ThreadEntry, this, CREATE_SUSPENDED, NULL);
    if (m_thread) {
        if (m_priority)
            ::SetThreadPriority(m_thread, m_priority);
        ::ResumeThread(m_thread);
    } else {
        // No thread, no work: the dialog closes as after a worker that returned at once.
        InterlockedExchange(&m_running, 0);
        PostCommand(PROGRESS_CMD_DONE, 0);
    }

    if (m_showDelay) {
        GetWindowRect(&m_shownRect);
        ::EnableWindow(m_hWnd, FALSE);
        ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
        ::SetTimer(m_hWnd, PROGRESS_TIMER_SHOW, m_showDelay, NULL);
        SetWindowPos(NULL, kOffScreen, kOffScreen, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

void CProgressDialog::OnCancel()
{
    InterlockedExchange(&m_cancelled, 1);
    if (!m_cancelHandled) {
        m_cancelHandled = true;
        if (m_cancelHandler)
            m_cancelHandler(m_cancelArgument);
    }
    if (HWND button = ::GetDlgItem(m_hWnd, IDCANCEL))
        ::EnableWindow(button, FALSE);
    // The dialog stays until the worker returns.
}

void CProgressDialog::OnOK()
{
    // The dialog manager turns Enter into IDOK. Ended here, the dialog would report success
    // while the worker still reads and writes, with no window left to show its questions
    // and errors or to cancel it.
    return;   // only the worker's return ends the dialog
}

BOOL CProgressDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case PROGRESS_CMD_OPCODE:
        if (!InterlockedCompareExchange(&m_finished, 0, 0))
            RunOpcode(static_cast<int>(lParam & 0xFF), static_cast<int>(lParam >> 8));
        return TRUE;
    case PROGRESS_CMD_ASK: {
        const UINT icon = m_questionType & MB_ICONMASK;
        SetTaskbarState(icon == MB_ICONERROR ? TBPF_ERROR : TBPF_PAUSED);
        int answer = g_questionHook ? g_questionHook(m_hWnd, m_questionText, m_questionCaption, m_questionType)
                                    : MessageBox(m_questionText, m_questionCaption, m_questionType);
        SetTaskbarState(TBPF_NORMAL);
        InterlockedExchange(&m_answer, answer);
        ReleaseSemaphore(m_answerReady, 1, NULL);
        return TRUE;
    }
    case PROGRESS_CMD_RUN_DIALOG: {
        SetTaskbarState(TBPF_PAUSED);
        INT_PTR result = m_dialogToRun ? m_dialogToRun->DoModal() : -1;
        SetTaskbarState(TBPF_NOPROGRESS);
        InterlockedExchange(&m_answer, static_cast<LONG>(result));
        ReleaseSemaphore(m_answerReady, 1, NULL);
        return TRUE;
    }
    case PROGRESS_CMD_DONE:
        // A second "done" (the thread that could not start) finds the dialog finished.
        if (!InterlockedCompareExchange(&m_finished, 0, 0))
            Finish();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CProgressDialog::Finish()
{
    RECT rc;
    // Whatever the place, also off-screen after a show delay that never ended: the next
    // dialog checks it against the work area and opens at its own place when it is off.
    if (::GetWindowRect(m_hWnd, &rc)) {
        g_shared.lastRect = rc;
        g_shared.rectKnown = true;
    }
    InterlockedExchange(&m_finished, 1);
    m_target = NULL;
    ::KillTimer(m_hWnd, PROGRESS_TIMER_FLUSH);
    ::KillTimer(m_hWnd, PROGRESS_TIMER_CALLBACK);
    ::KillTimer(m_hWnd, PROGRESS_TIMER_SHOW);
    ReleaseTaskbar();
    EndDialog(IsCancelled() ? IDCANCEL : IDOK);
}

LRESULT CProgressDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_TIMER)
        return CDialog::WindowProc(message, wParam, lParam);
    switch (wParam) {
    case PROGRESS_TIMER_FLUSH: {
        EnterCriticalSection(&m_lock);
        unsigned lines = m_throttle.Flush();
        LeaveCriticalSection(&m_lock);
        ::KillTimer(m_hWnd, PROGRESS_TIMER_FLUSH);
        for (int i = 0; i < 4; ++i)
            if (lines & (1u << i))
                PostOpcode(OP_SHOW_LINE, i);
        return 0;
    }
    case PROGRESS_TIMER_CALLBACK:
        if (m_timerCallback)
            m_timerCallback(m_timerArgument);
        return 0;
    case PROGRESS_TIMER_SHOW:
        ::KillTimer(m_hWnd, PROGRESS_TIMER_SHOW);
        ::SetCursor(::LoadCursor(NULL, IDC_ARROW));
        ::EnableWindow(m_hWnd, TRUE);
        SetWindowPos(NULL, m_shownRect.left, m_shownRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowLine(0);
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CProgressDialog::RunOpcode(int opcode, int value)
{
    switch (opcode) {
    case OP_SHOW_LINE:
        ShowLine(value & 3);
        break;
    case OP_POSITION:
        ShowBarPosition();
        break;
    case OP_STEP_BAR:
        SendDlgItemMessage(IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
        break;
    case OP_RANGE: {
        EnterCriticalSection(&m_lock);
        uint32_t maximum = m_bar.Maximum();
        uint32_t position = m_bar.Value();
        LeaveCriticalSection(&m_lock);
        SendDlgItemMessage(IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, maximum);
        SendDlgItemMessage(IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
        break;
    }
    case OP_ARM_FLUSH:
        ::SetTimer(m_hWnd, PROGRESS_TIMER_FLUSH, ProgressTextThrottle::kFlushDelay, NULL);
        break;
    case OP_TIMER_CALLBACK:
        if (m_timerInterval)
            ::SetTimer(m_hWnd, PROGRESS_TIMER_CALLBACK, m_timerInterval, NULL);
        else
            ::KillTimer(m_hWnd, PROGRESS_TIMER_CALLBACK);
        break;
    case OP_GROW:
        GrowLines(value);
        break;
    default:
        break;                              // polling and marquee have no sender here
    }
}

void CProgressDialog::ShowLine(int line)
{
    char text[512];
    EnterCriticalSection(&m_lock);
    m_throttle.Shown(line, GetTickCount());
    memcpy(text, m_lines[line], sizeof text);
    LeaveCriticalSection(&m_lock);
    text[sizeof text - 1] = 0;
    SetDlgItemText(IDC_PROGRESS_TEXT0 + line, text);
}

void CProgressDialog::GrowLines(int count)
{
    if (count > 4)
        count = 4;
    if (count <= m_lineCount || m_lineHeight <= 0)
        return;
    const int dy = (count - m_lineCount) * m_lineHeight;
    RECT rc;
    GetWindowRect(&rc);
    SetWindowPos(NULL, 0, 0, rc.right - rc.left, rc.bottom - rc.top + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveControlDown(m_hWnd, IDCANCEL, dy);
    MoveControlDown(m_hWnd, IDC_PROGRESS_BAR, dy);
    HWND line0 = ::GetDlgItem(m_hWnd, IDC_PROGRESS_TEXT0);
    RECT first;
    ::GetWindowRect(line0, &first);
    ::MapWindowPoints(NULL, m_hWnd, reinterpret_cast<POINT*>(&first), 2);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(line0, WM_GETFONT, 0, 0));
    for (int line = m_lineCount; line < count; ++line) {
        HWND text = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, first.left,
                                      first.top + line * m_lineHeight, m_textWidth, m_lineHeight, m_hWnd,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS_TEXT0 + line)),
                                      AfxGetInstanceHandle(), NULL);
        if (text && font)
            ::SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    m_lineCount = count;
}

void CProgressDialog::ShowBarPosition()
{
    InterlockedExchange(&m_positionPosted, 0);
    EnterCriticalSection(&m_lock);
    const uint32_t value = m_bar.Value();
    const uint32_t maximum = m_bar.Maximum();
    LeaveCriticalSection(&m_lock);
    SendDlgItemMessage(IDC_PROGRESS_BAR, PBM_SETPOS, value, 0);

    if (!m_taskbar && g_shared.taskbarState < TASKBAR_UNAVAILABLE) {
        HRESULT com = CoInitialize(NULL);
        ITaskbarList3* taskbar = nullptr;
        HRESULT hr = E_FAIL;
        if (SUCCEEDED(com)) {
            hr = g_taskbarFactory ? g_taskbarFactory(&taskbar) : CreateSystemTaskbar(&taskbar);
            if (SUCCEEDED(hr) && taskbar && FAILED(taskbar->HrInit())) {
                taskbar->Release();
                hr = E_FAIL;
            }
        }
        if (SUCCEEDED(hr) && taskbar) {
            g_shared.taskbarState = TASKBAR_AVAILABLE;
            m_taskbar = taskbar;
            m_comStarted = true;
            // The dialog is an owned popup without a taskbar button of its own: the button
            // that shows the progress is the one of the window that owns it.
            m_taskbarWindow = ::GetAncestor(m_hWnd, GA_ROOTOWNER);
            m_taskbar->SetProgressState(m_taskbarWindow, TBPF_NORMAL);
        } else {
            // Tried once per process: a system without the object does not get asked on
            // every position.
            g_shared.taskbarState = TASKBAR_UNAVAILABLE;
            if (SUCCEEDED(com))
                CoUninitialize();
        }
    }
    uint64_t shown = 0, top = 0;
    if (m_taskbar && m_taskbarRule.Next(value, maximum, &shown, &top))
        m_taskbar->SetProgressValue(m_taskbarWindow, shown, top);
}

void CProgressDialog::SetTaskbarState(int state)
{
    if (m_taskbar)
        m_taskbar->SetProgressState(m_taskbarWindow, static_cast<TBPFLAG>(state));
}

void CProgressDialog::ReleaseTaskbar()
{
    if (!m_taskbar)
        return;
    m_taskbar->SetProgressState(m_taskbarWindow, TBPF_NOPROGRESS);
    m_taskbar->Release();
    m_taskbar = nullptr;
    if (m_comStarted)
        CoUninitialize();
    m_comStarted = false;
}

INT_PTR RunProgressDialog(CWnd* parent, const ProgressRun& run)
{
    CProgressDialog dialog(parent);
    dialog.SetTitle(run.title);
    dialog.SetRange(run.start, run.end);
    dialog.SetWorker(run.worker, run.params[0], run.params[1], run.params[2], run.params[3], run.params[4]);
    dialog.SetCancelHandler(run.cancelHandler, run.cancelArgument);
    return dialog.DoModal();
}
