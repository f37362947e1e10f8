// The real Sektorlupe.exe on the FAT16 fixture: the decoded-text pane takes the focus, shows
// its caret in the status bar, and Ctrl+F there opens "Text suchen", which finds
// "BytesPerSector" in the boot sector's text; the pane's status text then names the line and
// column the printer put it in, with the selected length.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/app/support/ProcessWindow.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <string>

namespace {

const char kAppKey[] = "Software\\QN\\Sektorlupe";
const int kTextPaneId = 4099;
const UINT kSelectAllCommand = 34890;
const UINT kCopyCommand = 57634;
const int kFindTextId = 1029;
const UINT kTextViewQuery = 0x27F3;

std::string PaneText(HWND statusBar, int part)
{
    std::string text;
    testsupport::ReadStatusBarText(statusBar, part, &text);
    return text;
}

// Waits until the pane's text is `wanted` (or begins with it, when `prefix` is set).
bool WaitForPane(HWND statusBar, int part, const std::string& wanted, std::string* last, bool prefix = false)
{
    return testsupport::WaitUntil([&] {
        *last = PaneText(statusBar, part);
        return *last == wanted || (prefix && last->compare(0, wanted.size(), wanted) == 0);
    });
}

// The program's top-level windows and where its focus is, for a failure message.
std::string WindowsAndFocus(const testsupport::ProcessWindow& program, HWND frame)
{
    struct Found {
        DWORD process;
        std::string text;
        static BOOL CALLBACK Each(HWND window, LPARAM context)
        {
            Found* found = reinterpret_cast<Found*>(context);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == found->process)
                found->text += testsupport::WindowClassName(window) + " \"" + testsupport::WindowText(window) +
                               (IsWindowVisible(window) ? "\" shown; " : "\" hidden; ");
            return TRUE;
        }
    } found = { program.ProcessId(), "windows: " };
    EnumWindows(Found::Each, reinterpret_cast<LPARAM>(&found));
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &info);
    char state[160];
    snprintf(state, sizeof state, "foreground %p, frame %p, active %p, focus %p, capture %p, menu owner %p",
             static_cast<void*>(GetForegroundWindow()), static_cast<void*>(frame), static_cast<void*>(info.hwndActive),
             static_cast<void*>(info.hwndFocus), static_cast<void*>(info.hwndCapture),
             static_cast<void*>(info.hwndMenuOwner));
    return found.text + state;
}

}  // namespace

TEST(TextPaneEndToEnd, CtrlFInTheDecodedPaneFindsAFieldAndTheStatusShowsIt)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string image = testsupport::BinaryDir() + "\\fixtures\\fat16.img";
    if (GetFileAttributesA(image.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "fat16.img is missing";
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);

    testsupport::ProcessWindow program;
    ASSERT_TRUE(program.Start("\"" + testsupport::BinaryDir() + "\\Sektorlupe.exe\" \"" + image + "\""));
    HWND frame = program.WaitForWindow(nullptr, nullptr, 60000);
    ASSERT_NE(frame, nullptr);
    HWND statusBar = testsupport::FindChildWindow(frame, "msctls_statusbar32");
    HWND pane = testsupport::FindChildWindow(frame, nullptr, kTextPaneId);
    ASSERT_NE(statusBar, nullptr);
    ASSERT_NE(pane, nullptr);

    // The boot sector's text, read through the clipboard; where the field stands in it.
    // The window may stand before its first sector is printed: the text is waited for, as
    // long as a loaded machine may take.
    std::string text;
    for (const DWORD start = GetTickCount();
         text.find("BytesPerSector") == std::string::npos && GetTickCount() - start < 60000;) {
        text = testsupport::CopiedPaneText(pane, { kSelectAllCommand, kCopyCommand });
        if (text.find("BytesPerSector") == std::string::npos)
            Sleep(100);
    }
    const size_t at = text.find("BytesPerSector");
    ASSERT_NE(at, std::string::npos) << text;
    int line = 0;
    size_t lineStart = 0;
    for (size_t i = 0; i < at; ++i)
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    const int column = static_cast<int>(at - lineStart);   // the printers' lines hold no TABs

    // A click gives the pane the focus: its caret panes come first in the bar.
    // (The frame comes to the front first: its activation gives the focus back to the pane
    // that had it before.)
    // The copy above left the caret at the end of the text: the pane scrolls back to the
    // top through the text view's position query (code 2: the scroll origin) first.
    ASSERT_TRUE(testsupport::BringToFront(frame, nullptr)) << WindowsAndFocus(program, frame);
    SendMessageA(pane, kTextViewQuery, 2, 0);
    PostMessageA(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 4));
    PostMessageA(pane, WM_LBUTTONUP, 0, MAKELPARAM(1, 4));
    std::string seen;
    ASSERT_TRUE(WaitForPane(statusBar, 1, " Zeile: 1  Spalte: ", &seen, true)) << seen;

    // Ctrl+F as the user types it, once the frame is in front with the pane focused (on a
    // busy display another window may hold the front a while). Ctrl is let go only after the
    // find dialog came.
    INPUT keys[4] = {};
    const WORD codes[4] = { VK_CONTROL, 'F', 'F', VK_CONTROL };
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    ASSERT_TRUE(testsupport::BringToFront(frame, pane)) << "the pane never had the focus in front; "
                                                        << WindowsAndFocus(program, frame);
    SendInput(2, keys, sizeof(INPUT));
    HWND dialog = program.WaitForWindow("#32770", "Text suchen", 60000);
    SendInput(2, keys + 2, sizeof(INPUT));
    ASSERT_NE(dialog, nullptr) << "Ctrl+F opened no find dialog; " << WindowsAndFocus(program, frame);
    HWND combo = GetDlgItem(dialog, kFindTextId);
    ASSERT_NE(combo, nullptr);
    SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("BytesPerSector"));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);

    const std::string wanted = " Zeile: " + std::to_string(line + 1) + "  Spalte: " + std::to_string(column + 1) +
                               " (X:14)";
    EXPECT_TRUE(WaitForPane(statusBar, 1, wanted, &seen)) << seen;
    EXPECT_EQ(PaneText(statusBar, 2), "Einf.");

    DWORD exitCode = 1;
    ASSERT_TRUE(program.CloseAndWait(frame, 30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
}
