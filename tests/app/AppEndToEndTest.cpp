// Starts the real Sektorlupe.exe under Wine, looks at its main window from outside, and
// closes it the way a user does.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "app/res/resource.h"
#include "tests/app/support/ProcessWindow.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

const char kAppKey[] = "Software\\QN\\Sektorlupe";
const char kSettingsKey[] = "Software\\QN\\Sektorlupe\\Settings";

bool ReadFlatMode(DWORD* value)
{
    DWORD size = sizeof(*value);
    return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, "FlatMode", RRF_RT_REG_DWORD, nullptr,
                        value, &size) == ERROR_SUCCESS;
}

void WriteFlatMode(DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "FlatMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
}

std::string ProgramPath()
{
    return testsupport::BinaryDir() + "\\Sektorlupe.exe";
}

// The text of a message box: its one static control that holds text (the icon's has none).
std::string MessageBoxText(HWND box)
{
    for (const testsupport::ChildWindowInfo& child : testsupport::ListChildWindows(box))
        if (_stricmp(child.className.c_str(), "Static") == 0 && !child.text.empty())
            return child.text;
    return std::string();
}

struct VisibleWindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindVisibleNonDialog(HWND hwnd, LPARAM param)
{
    VisibleWindowSearch* search = reinterpret_cast<VisibleWindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId && IsWindowVisible(hwnd) &&
        testsupport::WindowClassName(hwnd) != "#32770") {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// Whether the process shows a top-level window that is not a dialog box.
bool HasVisibleWindowBesideDialogs(DWORD processId)
{
    VisibleWindowSearch search = {processId, false};
    EnumWindows(FindVisibleNonDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    return text.size() >= part.size() &&
           std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

}  // namespace

TEST(AppEndToEnd, StartsShowsStatusBarAndSavesFlatModeOnClose)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    ASSERT_NE(GetFileAttributesA(ProgramPath().c_str()), INVALID_FILE_ATTRIBUTES);

    // A raised toolbar from the last run; the flat-toolbar command turns it flat again and
    // the frame must write that back when it is destroyed.
    WriteFlatMode(0);

    testsupport::ProcessWindow program;
    ASSERT_TRUE(program.Start("\"" + ProgramPath() + "\""));
    HWND frame = program.WaitForWindow(nullptr, nullptr, 60000);
    ASSERT_NE(frame, nullptr) << "no main window appeared";

    EXPECT_NE(testsupport::WindowText(frame).find("Sektorlupe"), std::string::npos)
        << testsupport::WindowText(frame);

    HWND statusBar = testsupport::FindChildWindow(frame, "msctls_statusbar32");
    ASSERT_NE(statusBar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(statusBar), AFX_IDW_STATUS_BAR);
    EXPECT_GE(testsupport::StatusBarPartCount(statusBar), 1);
    // The message pane shows the idle text once the program waits for input.
    std::string pane;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(testsupport::ReadStatusBarText(statusBar, 0, &pane));
        if (pane == "Bereit")
            break;
        Sleep(100);
    }
    EXPECT_EQ(pane, "Bereit");

    // The toolbar window, raised as "FlatMode" 0 says; the command makes it flat.
    HWND toolbar = testsupport::FindChildWindow(frame, "ToolbarExWindow32");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(IsWindowVisible(toolbar));
    EXPECT_EQ(GetDlgCtrlID(toolbar), AFX_IDW_TOOLBAR);
    EXPECT_EQ(GetWindowLongA(toolbar, GWL_STYLE) & TBSTYLE_FLAT, 0);
    PostMessageA(frame, WM_COMMAND, ID_FLAT_TOOLBAR, 0);
    for (int i = 0; i < 50 && !(GetWindowLongA(toolbar, GWL_STYLE) & TBSTYLE_FLAT); ++i)
        Sleep(100);
    EXPECT_NE(GetWindowLongA(toolbar, GWL_STYLE) & TBSTYLE_FLAT, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.CloseAndWait(frame, 30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);

    DWORD flat = 12345;
    ASSERT_TRUE(ReadFlatMode(&flat)) << "FlatMode was not written at shutdown";
    EXPECT_EQ(flat, 1u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
}

TEST(AppEndToEnd, ImagePathThatDoesNotOpenIsReportedAndEndsTheProgram)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    ASSERT_NE(GetFileAttributesA(ProgramPath().c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string missing = testsupport::BinaryDir() + "\\fixtures\\no-such-image-" +
                                std::to_string(GetCurrentProcessId()) + ".img";
    ASSERT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES);

    testsupport::ProcessWindow program;
    ASSERT_TRUE(program.Start("\"" + ProgramPath() + "\" \"" + missing + "\""));
    // The document's report, before any main window is shown.
    HWND box = program.WaitForWindow("#32770", "Fehler", 60000);
    ASSERT_NE(box, nullptr) << "no message box about the missing image";
    const std::string text = MessageBoxText(box);
    EXPECT_EQ(text.find("Das Medium konnte nicht geöffnet werden"), 0u) << text;
    // The path as typed (its folders may come back in their stored letter case).
    EXPECT_TRUE(ContainsNoCase(text, missing)) << text;
    EXPECT_FALSE(HasVisibleWindowBesideDialogs(program.ProcessId())) << "the main window appeared";

    // OK on the box: the start-up gives up and the program ends by itself.
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD exitCode = 12345;
    ASSERT_TRUE(program.WaitForExit(30000, &exitCode)) << "the program kept running";
    EXPECT_NE(exitCode, 12345u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
}
