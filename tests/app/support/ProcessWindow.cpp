#include "tests/app/support/ProcessWindow.h"
#include "tests/support/TestSupport.h"

#include <commctrl.h>
#include <string.h>

namespace testsupport {

namespace {

struct WindowQuery {
    DWORD processId;
    const char* className;
    const char* title;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchTopLevelWindow(HWND hwnd, LPARAM param)
{
    WindowQuery* query = reinterpret_cast<WindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != query->processId)
        return TRUE;
    if (query->visibleOnly && !IsWindowVisible(hwnd))
        return TRUE;
    if (query->className && *query->className &&
        lstrcmpiA(WindowClassName(hwnd).c_str(), query->className) != 0)
        return TRUE;
    if (query->title && *query->title && WindowText(hwnd) != query->title)
        return TRUE;
    query->found = hwnd;
    return FALSE;
}

BOOL CALLBACK CollectChildWindow(HWND hwnd, LPARAM param)
{
    std::vector<ChildWindowInfo>* list = reinterpret_cast<std::vector<ChildWindowInfo>*>(param);
    ChildWindowInfo info;
    info.hwnd = hwnd;
    info.parent = GetParent(hwnd);
    info.className = WindowClassName(hwnd);
    info.text = WindowText(hwnd);
    info.id = GetDlgCtrlID(hwnd);
    info.visible = IsWindowVisible(hwnd) != FALSE;
    list->push_back(info);
    return TRUE;
}

// Memory in another process, freed on every way out.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, SIZE_T size)
        : m_process(process),
          m_address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBuffer() { if (m_address) VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE); }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    void* Address() const { return m_address; }

private:
    HANDLE m_process;
    void* m_address;
};

}  // namespace

ProcessWindow::~ProcessWindow()
{
    Terminate();
    CloseHandles();
}

void ProcessWindow::CloseHandles()
{
    if (m_info.hThread)
        CloseHandle(m_info.hThread);
    if (m_info.hProcess)
        CloseHandle(m_info.hProcess);
    m_info = PROCESS_INFORMATION();
}

bool ProcessWindow::Start(const std::string& commandLine, const std::string& workingFolder)
{
    if (IsRunning()) {
        SetLastError(ERROR_BUSY);
        return false;
    }
    CloseHandles();
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingFolder.empty() ? nullptr : workingFolder.c_str(),
                          &startup, &m_info) != FALSE;
}

HWND ProcessWindow::WaitForWindow(const char* className, const char* title, DWORD timeoutMs,
                                  bool visibleOnly) const
{
    if (!m_info.hProcess)
        return nullptr;
    DWORD start = GetTickCount();
    for (;;) {
        WindowQuery query = {m_info.dwProcessId, className, title, visibleOnly, nullptr};
        EnumWindows(MatchTopLevelWindow, reinterpret_cast<LPARAM>(&query));
        if (query.found)
            return query.found;
        if (!IsRunning() || GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

bool ProcessWindow::CloseAndWait(HWND window, DWORD timeoutMs, DWORD* exitCode)
{
    if (!m_info.hProcess)
        return false;
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForExit(timeoutMs, exitCode))
        return true;
    Terminate();
    return false;
}

bool ProcessWindow::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!m_info.hProcess)
        return false;
    if (WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(m_info.hProcess, exitCode);
    return true;
}

bool ProcessWindow::Terminate()
{
    if (!IsRunning())
        return false;
    TerminateProcess(m_info.hProcess, 0xDEAD);
    WaitForSingleObject(m_info.hProcess, 5000);
    return true;
}

bool ProcessWindow::IsRunning() const
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<ChildWindowInfo> ListChildWindows(HWND window)
{
    std::vector<ChildWindowInfo> list;
    if (window)
        EnumChildWindows(window, CollectChildWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND FindChildWindow(HWND window, const char* className, int id)
{
    for (const ChildWindowInfo& child : ListChildWindows(window)) {
        if (className && lstrcmpiA(child.className.c_str(), className) != 0)
            continue;
        if (id != -1 && child.id != id)
            continue;
        return child.hwnd;
    }
    return nullptr;
}

std::string WindowText(HWND window)
{
    // WM_GETTEXTLENGTH may overstate the length (it may count a double-byte form); the
    // copy's own result is what counts.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return std::string();
    std::vector<char> buffer(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return std::string();
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string WindowClassName(HWND window)
{
    char name[256] = "";
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

std::string CopiedPaneText(HWND pane, std::initializer_list<UINT> copyCommands)
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    for (UINT command : copyCommands)
        SendMessageA(pane, WM_COMMAND, command, 0);
    std::string text;
    for (int i = 0; i < 50 && text.empty(); ++i) {
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
                    text = chars;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        }
        if (text.empty())
            Sleep(50);
    }
    return text;
}

int StatusBarPartCount(HWND statusBar)
{
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(statusBar, SB_GETPARTS, 0, 0, SMTO_ABORTIFHUNG, 2000, &count))
        return 0;
    return int(count);
}

bool ReadStatusBarText(HWND statusBar, int part, std::string* text, bool* ownerDrawn)
{
    if (!text)
        return false;
    text->clear();
    if (ownerDrawn)
        *ownerDrawn = false;
    if (!IsWindow(statusBar) || part < 0 || part > 255)
        return false;

    DWORD_PTR lengthAndType = 0;
    if (!SendMessageTimeoutA(statusBar, SB_GETTEXTLENGTHA, WPARAM(part), 0, SMTO_ABORTIFHUNG, 2000,
                             &lengthAndType))
        return false;
    if (HIWORD(lengthAndType) & SBT_OWNERDRAW) {
        if (ownerDrawn)
            *ownerDrawn = true;
        return true;
    }
    SIZE_T length = LOWORD(lengthAndType);

    DWORD pid = 0;
    GetWindowThreadProcessId(statusBar, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return false;
    bool ok = false;
    {
        // SB_GETTEXTA writes the text without asking for a size: the buffer holds the length
        // reported a moment ago plus a page for a text that grew meanwhile.
        SIZE_T size = length + 1 + 4096;
        RemoteBuffer remote(process, size);
        if (remote.Address()) {
            DWORD_PTR result = 0;
            if (SendMessageTimeoutA(statusBar, SB_GETTEXTA, WPARAM(part),
                                    reinterpret_cast<LPARAM>(remote.Address()), SMTO_ABORTIFHUNG, 2000,
                                    &result)) {
                std::vector<char> local(size, '\0');
                SIZE_T read = 0;
                if (ReadProcessMemory(process, remote.Address(), local.data(), size, &read)) {
                    text->assign(local.data(), strnlen(local.data(), read));
                    ok = true;
                }
            }
        }
    }
    CloseHandle(process);
    return ok;
}

bool BringToFront(HWND frame, HWND focus, DWORD timeoutMs)
{
    const DWORD thread = GetWindowThreadProcessId(frame, nullptr);
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() != frame)
                SetForegroundWindow(frame);
            // The foreground changes at once; the program's thread takes the activation, and
            // gives the focus back to the window that had it, only when it gets to its queue.
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            return GetForegroundWindow() == frame && GetGUIThreadInfo(thread, &info) && info.hwndActive == frame &&
                   (focus ? info.hwndFocus == focus : info.hwndFocus != nullptr);
        },
        timeoutMs);
}

}  // namespace testsupport
