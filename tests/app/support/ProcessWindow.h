// Drives another program from a test: starts it, finds its main window, looks at its child
// windows and status bar, and closes it again. Used for the end-to-end tests of the real
// Sektorlupe.exe and tested on a standard program of the system.
#pragma once
#include <windows.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

struct ChildWindowInfo {
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    std::string className;
    std::string text;
    int id = 0;            // GetDlgCtrlID
    bool visible = false;
};

class ProcessWindow {
public:
    ProcessWindow() = default;
    ~ProcessWindow();   // ends a process still running (a failed test leaves nothing behind)
    ProcessWindow(const ProcessWindow&) = delete;
    ProcessWindow& operator=(const ProcessWindow&) = delete;

    // CreateProcessA with the whole command line and a working folder (empty: the test's
    // own). False when a process is already running or the start failed (GetLastError).
    bool Start(const std::string& commandLine, const std::string& workingFolder = std::string());

    // Waits until the process has a top-level window whose class and title match (null or
    // empty: any); `visibleOnly` skips hidden windows. Null after the timeout or when the
    // process ended first.
    HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs,
                       bool visibleOnly = true) const;

    // Sends WM_CLOSE and waits for the process to end. On a timeout the process is
    // terminated and the result is false; `exitCode` gets the code of a regular end.
    bool CloseAndWait(HWND window, DWORD timeoutMs, DWORD* exitCode = nullptr);

    // Waits for the end without asking; false on a timeout (the process keeps running).
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);

    // Ends the process at once; true when it had been running.
    bool Terminate();

    bool IsRunning() const;
    DWORD ProcessId() const { return m_info.dwProcessId; }
    HANDLE Process() const { return m_info.hProcess; }

private:
    void CloseHandles();
    PROCESS_INFORMATION m_info = {};
};

// All descendants of `window`, in the order EnumChildWindows gives them.
std::vector<ChildWindowInfo> ListChildWindows(HWND window);

// The first descendant of that class (compared without regard to case) and, unless `id`
// is -1, that control id; null when there is none.
HWND FindChildWindow(HWND window, const char* className, int id = -1);

// Text of a window of any process (WM_GETTEXT is marshalled by the system).
std::string WindowText(HWND window);
std::string WindowClassName(HWND window);

// Reads the text of part `part` of a status bar that may belong to another process: the
// length comes from SB_GETTEXTLENGTHA, the text through a buffer allocated in the owner's
// address space (VirtualAllocEx) and read back with ReadProcessMemory. Owner-drawn parts
// have no text; then `ownerDrawn` is set, `text` is emptied and the result is true.
bool ReadStatusBarText(HWND statusBar, int part, std::string* text, bool* ownerDrawn = nullptr);

// Number of parts of a status bar of any process (SB_GETPARTS with a null array).
int StatusBarPartCount(HWND statusBar);

// Makes `frame` (a top-level window of another process) the foreground window and waits up
// to `timeoutMs` until it is, its thread has taken the activation, and the keyboard focus is
// on `focus` (or, when that is null, on any window of the thread); typed keys (SendInput) go
// there then. False when it never was.
bool BringToFront(HWND frame, HWND focus, DWORD timeoutMs = 60000);

// The text a pane of another process copies: empties the clipboard, sends `copyCommands`
// (WM_COMMAND ids, in order) to the pane, and waits up to 2.5 s for CF_TEXT.
std::string CopiedPaneText(HWND pane, std::initializer_list<UINT> copyCommands);

}  // namespace testsupport
