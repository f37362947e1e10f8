// CProgressDialog: the modal dialog behind the program's long operations. The owner sets a
// title, a range and a worker function and runs it modally; once the window is up the dialog
// starts the worker on a thread of its own (128 KB stack). The worker reports its position,
// changes the text lines and asks questions only by posting commands to the dialog, which
// carries them out on the user-interface thread; when the worker returns, the dialog closes
// itself. Cancel only sets a flag (and calls the cancel handler once): the worker decides
// when to stop. The application's taskbar button follows the bar where the system offers it.
//
// Threads: the text lines are written by the worker and read by the window under one lock,
// the flags are interlocked words, and a question blocks the worker on a semaphore until the
// user-interface thread has shown the box and stored the answer.
#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <stdint.h>
#include "classlib/Dialog.h"
#include "uihelpers/ProgressModel.h"

// The worker: runs on the dialog's thread with the dialog as its sink and the five parameter
// words the owner gave; its result is kept as the worker result.
typedef UINT (*ProgressWorkerFunc)(ProgressSink* progress, const DWORD_PTR* params);
typedef void (*ProgressCallbackFunc)(void* argument);

// Commands the dialog posts to itself (WM_COMMAND ids).
enum : UINT {
    PROGRESS_CMD_OPCODE = 6545,     // lParam: opcode + value * 256
    PROGRESS_CMD_ASK = 6546,        // show the pending question
    PROGRESS_CMD_DONE = 6547,       // the worker returned
    PROGRESS_CMD_RUN_DIALOG = 6551, // run the pending dialog
};

// Timers of the dialog.
enum : UINT {
    PROGRESS_TIMER_CALLBACK = 6548,
    PROGRESS_TIMER_SHOW = 6552,
    PROGRESS_TIMER_FLUSH = 6553,
};

// Controls of the dialog.
enum {
    IDC_PROGRESS_BAR = 1019,
    IDC_PROGRESS_TEXT0 = 1034,      // text line n is 1034 + n
    IDC_PROGRESS_ICON = 1099,
};

class CProgressDialog : public CDialog, public ProgressSink {
public:
    explicit CProgressDialog(CWnd* pParent = NULL);
    ~CProgressDialog() override;

    // --- the owner, before DoModal
    void SetTitle(const char* title);
    // The bar runs from start to end (see ProgressBarRange).
    void SetRange(uint64_t start, uint64_t end);
    void SetWorker(ProgressWorkerFunc worker, DWORD_PTR p0 = 0, DWORD_PTR p1 = 0, DWORD_PTR p2 = 0,
                   DWORD_PTR p3 = 0, DWORD_PTR p4 = 0);
    // Called once, on the user-interface thread, when the user first cancels.
    void SetCancelHandler(ProgressCallbackFunc handler, void* argument);
    // Called on every tick of a timer of that interval (0 stops it).
    void SetTimerCallback(ProgressCallbackFunc callback, UINT intervalMs, void* argument);
    // The dialog stays off-screen and disabled for this long (short operations never show).
    void SetShowDelay(UINT delayMs) { m_showDelay = delayMs; }
    // The worker thread's priority (THREAD_PRIORITY_*; 0 normal).
    void SetPriority(int priority) { m_priority = priority; }
    // Icon resource for control 1099 (0: none); 128 by default, the application's icon.
    void SetIcon(UINT iconId) { m_iconId = iconId; }
    // Several runs over one taskbar button: this run is pass `index` of `count`.
    void SetTaskbarPasses(uint32_t count, uint32_t index) { m_taskbarRule.SetPasses(count, index); }
    // IDOK when the worker ended normally, IDCANCEL when it ended after a cancel, -1 when the
    // window could not be made (the worker then never ran).
    INT_PTR DoModal() override;
    UINT GetWorkerResult() const { return static_cast<UINT>(m_workerResult); }

    // --- the worker, on its own thread
    void SetPos(uint64_t position) override;
    void SetText(int line, const char* text) override;
    bool IsCancelled() override { return InterlockedCompareExchange(&m_cancelled, 0, 0) != 0; }
    int AskUser(const char* text, const char* caption, UINT type) override;
    // Runs the dialog's DoModal on the user-interface thread; its result.
    INT_PTR RunModalDialog(CDialog* dialog);
    void Step();
    // Steps the bar control itself once (PBM_STEPIT), without a position.
    void StepBar();
    // Sets the cancelled flag and cancels as the button does.
    void Cancel();

    // --- the window
    BOOL OnInitDialog() override;
    void OnCancel() override;
    // Enter (IDOK) ends nothing: the dialog ends when the worker returns.
    void OnOK() override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static DWORD WINAPI ThreadEntry(void* param);
    // Posts a command when the window still exists; false when it does not.
    bool PostCommand(UINT id, LPARAM lParam);
    void PostOpcode(int opcode, int value) { PostCommand(PROGRESS_CMD_OPCODE, opcode + value * 256); }
    void PostPosition();
    // The user-interface side of the commands.
    void RunOpcode(int opcode, int value);
    void ShowLine(int line);
    void GrowLines(int count);
    void ShowBarPosition();
    void SetTaskbarState(int state);
    void ReleaseTaskbar();
    void Finish();
    void PlaceAtRememberedRect();

    CRITICAL_SECTION m_lock;            // text lines, throttle, bar and asked line count
    char m_lines[4][512];
    ProgressTextThrottle m_throttle;
    ProgressBarRange m_bar;
    int m_linesAsked = 1;               // lines the texts need (owner or worker)
    int m_lineCount = 1;                // lines the window shows (user-interface thread)

    HANDLE m_answerReady;               // the semaphore the worker waits on for answers
    char m_title[260];
    volatile LONG m_running = 0;
    HANDLE m_thread = NULL;
    HWND volatile m_target = NULL;      // where the worker posts; NULL once finished

    const char* m_questionText = nullptr;
    const char* m_questionCaption = nullptr;
    UINT m_questionType = 0;
    CDialog* m_dialogToRun = nullptr;
    volatile LONG m_answer = 0;

    volatile LONG m_finished = 0;
    volatile LONG m_positionPosted = 0; // a position command is on its way
    volatile LONG m_cancelled = 0;
    bool m_cancelHandled = false;
    int m_priority = 0;
    UINT m_iconId = 128;

    ProgressWorkerFunc m_worker = nullptr;
    DWORD_PTR m_params[5] = {};
    volatile LONG m_workerResult = -1;
    ProgressCallbackFunc m_cancelHandler = nullptr;
    void* m_cancelArgument = nullptr;
    ProgressCallbackFunc m_timerCallback = nullptr;
    UINT m_timerInterval = 0;
    void* m_timerArgument = nullptr;
    UINT m_showDelay = 0;
    RECT m_shownRect = {};

    ITaskbarList3* m_taskbar = nullptr;
    HWND m_taskbarWindow = NULL;
    bool m_comStarted = false;
    TaskbarProgressRule m_taskbarRule;

    int m_lineHeight = 0;
    int m_textWidth = 0;
};

// The questions of AskUser go through this function when it is set (tests and the benchmark
// answer without a box); it runs on the user-interface thread. NULL restores the box.
typedef int (*ProgressQuestionHook)(HWND dialog, const char* text, const char* caption, UINT type);
void SetProgressQuestionHook(ProgressQuestionHook hook);

// Where the taskbar object comes from (NULL: the system's TaskbarList). The factory runs on
// the user-interface thread after COM is started; it returns S_OK with an object whose
// reference the dialog takes over.
typedef HRESULT (*ProgressTaskbarFactory)(ITaskbarList3** taskbar);
void SetProgressTaskbarFactory(ProgressTaskbarFactory factory);
// Forgets whether the taskbar object was tried in this process (a failed creation is
// otherwise never repeated).
void ResetProgressTaskbarState();
// 0 not tried, 1 available, 2 not available.
int GetProgressTaskbarState();

// One run of a long operation as a record: title, range, worker with its five parameter
// words, cancel handler. The document's commands hand it to a seam that tests answer
// without a window.
struct ProgressRun {
    const char* title;
    uint64_t start, end;
    ProgressWorkerFunc worker;
    DWORD_PTR params[5];
    ProgressCallbackFunc cancelHandler;
    void* cancelArgument;
};
// Runs it behind a CProgressDialog; the result of DoModal.
INT_PTR RunProgressDialog(CWnd* parent, const ProgressRun& run);
