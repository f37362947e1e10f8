// The end-to-end harness tested on programs of its own making and on Wine's notepad.
#include "tests/app/support/ProcessWindow.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

namespace {

using testsupport::ProcessWindow;

const char kHelperVariable[] = "SL_PROCESSWINDOW_HELPER";
const char kHelperClass[] = "SlProcessWindowHelper";
const char kHelperTitle[] = "Hilfsfenster f\xFCr den Test";
const int kStatusBarId = 4711;

// ---- The helper: this same test program started again with one test selected ----------

bool g_ignoreClose = false;

LRESULT CALLBACK HelperWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        if (g_ignoreClose)
            return 0;
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Runs only in the child process, where the variable says which behaviour to show: a
// window with a status bar of three parts (the last owner-drawn) that closes on WM_CLOSE,
// or ("stubborn") one that ignores WM_CLOSE.
TEST(ProcessWindowHelper, StatusBarWindow)
{
    const char* mode = getenv(kHelperVariable);
    if (!mode)
        GTEST_SKIP() << "runs only as the child of the ProcessWindow tests";
    g_ignoreClose = strcmp(mode, "stubborn") == 0;

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HelperWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kHelperClass;
    ASSERT_NE(0, RegisterClassA(&wc));
    HWND frame = CreateWindowA(kHelperClass, kHelperTitle, WS_OVERLAPPEDWINDOW, 10, 10, 400, 200,
                               nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, frame);
    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, frame,
                                  reinterpret_cast<HMENU>(kStatusBarId), wc.hInstance, nullptr);
    ASSERT_NE(nullptr, status);
    int edges[3] = {120, 260, -1};
    SendMessageA(status, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Bereit"));
    SendMessageA(status, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(" Gr\xF6\xDF" "e: 512"));
    SendMessageA(status, SB_SETTEXTA, 2 | SBT_OWNERDRAW, 0x12345678);
    ShowWindow(frame, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// ---- The tests, in the parent ----------------------------------------------------------

std::string OwnPath()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, n);
}

// Starts this program as the helper in the given mode.
bool StartHelper(ProcessWindow* process, const char* mode)
{
    SetEnvironmentVariableA(kHelperVariable, mode);
    bool started = process->Start("\"" + OwnPath() + "\" --gtest_brief=1 "
                                  "--gtest_filter=ProcessWindowHelper.StatusBarWindow");
    SetEnvironmentVariableA(kHelperVariable, nullptr);
    return started;
}

TEST(ProcessWindow, FindsWindowAndReadsStatusBarOfAnotherProcess)
{
    ProcessWindow helper;
    ASSERT_TRUE(StartHelper(&helper, "normal")) << GetLastError();
    HWND frame = helper.WaitForWindow(kHelperClass, nullptr, 20000);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(kHelperTitle, testsupport::WindowText(frame));
    // The title is a second way to find it; a wrong title finds nothing.
    EXPECT_EQ(frame, helper.WaitForWindow(nullptr, kHelperTitle, 1000));
    EXPECT_EQ(nullptr, helper.WaitForWindow(kHelperClass, "anders", 300));

    std::vector<testsupport::ChildWindowInfo> children = testsupport::ListChildWindows(frame);
    ASSERT_EQ(1u, children.size());
    EXPECT_STRCASEEQ(STATUSCLASSNAMEA, children[0].className.c_str());
    EXPECT_EQ(kStatusBarId, children[0].id);
    EXPECT_EQ(frame, children[0].parent);
    HWND status = testsupport::FindChildWindow(frame, STATUSCLASSNAMEA, kStatusBarId);
    ASSERT_EQ(children[0].hwnd, status);
    EXPECT_EQ(nullptr, testsupport::FindChildWindow(frame, STATUSCLASSNAMEA, kStatusBarId + 1));

    EXPECT_EQ(3, testsupport::StatusBarPartCount(status));
    std::string text;
    bool ownerDrawn = true;
    ASSERT_TRUE(testsupport::ReadStatusBarText(status, 0, &text, &ownerDrawn));
    EXPECT_EQ("Bereit", text);
    EXPECT_FALSE(ownerDrawn);
    ASSERT_TRUE(testsupport::ReadStatusBarText(status, 1, &text, &ownerDrawn));
    EXPECT_EQ(" Gr\xF6\xDF" "e: 512", text);
    ASSERT_TRUE(testsupport::ReadStatusBarText(status, 2, &text, &ownerDrawn));
    EXPECT_TRUE(ownerDrawn);
    EXPECT_EQ("", text);
    EXPECT_FALSE(testsupport::ReadStatusBarText(status, -1, &text));
    EXPECT_FALSE(testsupport::ReadStatusBarText(nullptr, 0, &text));

    DWORD exitCode = 1;
    EXPECT_TRUE(helper.CloseAndWait(frame, 20000, &exitCode));
    EXPECT_EQ(0u, exitCode);   // the helper's test passed and its message loop ended
    EXPECT_FALSE(helper.IsRunning());
}

TEST(ProcessWindow, CloseTimeoutTerminatesAndReportsFailure)
{
    ProcessWindow helper;
    ASSERT_TRUE(StartHelper(&helper, "stubborn"));
    HWND frame = helper.WaitForWindow(kHelperClass, nullptr, 20000);
    ASSERT_NE(nullptr, frame);
    EXPECT_FALSE(helper.CloseAndWait(frame, 500));
    EXPECT_FALSE(helper.IsRunning());
    // Once it has ended, waiting for a window gives up at once.
    DWORD start = GetTickCount();
    EXPECT_EQ(nullptr, helper.WaitForWindow(kHelperClass, nullptr, 10000));
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST(ProcessWindow, StartFailsForAMissingProgram)
{
    ProcessWindow process;
    EXPECT_FALSE(process.Start("gibt-es-nicht-7c1e.exe"));
    EXPECT_FALSE(process.IsRunning());
    EXPECT_EQ(nullptr, process.WaitForWindow(nullptr, nullptr, 100));
    EXPECT_FALSE(process.CloseAndWait(nullptr, 100));
}

TEST(ProcessWindow, NotepadWindowEditChildAndClose)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof(windows)), 0u);
    ProcessWindow notepad;
    ASSERT_TRUE(notepad.Start("notepad.exe", windows)) << GetLastError();
    HWND frame = notepad.WaitForWindow("Notepad", nullptr, 30000);
    ASSERT_NE(nullptr, frame);
    HWND edit = testsupport::FindChildWindow(frame, "Edit");
    ASSERT_NE(nullptr, edit);
    // WM_SETTEXT and WM_GETTEXT are carried across processes by the system; setting the
    // text this way leaves the edit unmodified, so notepad closes without asking.
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Sektor 0 \xFC" "ber alles"));
    EXPECT_EQ("Sektor 0 \xFC" "ber alles", testsupport::WindowText(edit));
    SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
    bool listed = false;
    for (const testsupport::ChildWindowInfo& child : testsupport::ListChildWindows(frame))
        listed = listed || (child.hwnd == edit && child.text == "Sektor 0 \xFC" "ber alles");
    EXPECT_TRUE(listed);
    EXPECT_TRUE(notepad.CloseAndWait(frame, 20000));
}

}  // namespace
