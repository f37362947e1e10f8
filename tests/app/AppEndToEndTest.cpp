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
#include <vector>

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

// A visible top-level window of that class in the process, or null.
HWND ProcessWindowOfClass(DWORD processId, const char* className)
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId && IsWindowVisible(w) && testsupport::WindowClassName(w) == className)
            return w;
    }
    return nullptr;
}

// The entries of a REG_MULTI_SZ value of the application key; none when it is missing.
std::vector<std::string> StoredList(const char* value)
{
    std::vector<std::string> entries;
    char data[8192] = {};
    DWORD size = sizeof data - 2;
    if (RegGetValueA(HKEY_CURRENT_USER, kAppKey, value, RRF_RT_REG_MULTI_SZ, nullptr, data, &size) == ERROR_SUCCESS)
        for (const char* p = data; *p; p += strlen(p) + 1)
            entries.push_back(p);
    return entries;
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
    testsupport::WaitUntil([&] { return testsupport::ReadStatusBarText(statusBar, 0, &pane) && pane == "Bereit"; });
    EXPECT_EQ(pane, "Bereit");

    // The toolbar window, raised as "FlatMode" 0 says; the command makes it flat.
    HWND toolbar = testsupport::FindChildWindow(frame, "ToolbarExWindow32");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(IsWindowVisible(toolbar));
    EXPECT_EQ(GetDlgCtrlID(toolbar), AFX_IDW_TOOLBAR);
    EXPECT_EQ(GetWindowLongA(toolbar, GWL_STYLE) & TBSTYLE_FLAT, 0);
    PostMessageA(frame, WM_COMMAND, ID_FLAT_TOOLBAR, 0);
    testsupport::WaitUntil([&] { return (GetWindowLongA(toolbar, GWL_STYLE) & TBSTYLE_FLAT) != 0; });
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

TEST(AppEndToEnd, LoadImageShowsTheExtendedFileDialog)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    ASSERT_NE(GetFileAttributesA(ProgramPath().c_str()), INVALID_FILE_ATTRIBUTES);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "sl-app-ofn";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"\\abbild1.bin", "\\abbild2.bin", "\\other.bin"}) {
        HANDLE h = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }

    testsupport::ProcessWindow program;
    ASSERT_TRUE(program.Start("\"" + ProgramPath() + "\""));
    HWND frame = program.WaitForWindow(nullptr, nullptr, 60000);
    ASSERT_NE(frame, nullptr) << "no main window appeared";

    // "Eine Image-Datei laden": the file-name field is the history combo box, the system's
    // field stays hidden under its new id.
    PostMessageA(frame, WM_COMMAND, ID_LOAD_IMAGE, 0);
    HWND dialog = program.WaitForWindow("#32770", nullptr, 30000);
    ASSERT_NE(dialog, nullptr) << "no file dialog appeared";
    HWND combo = nullptr;
    testsupport::WaitUntil([&] { return (combo = testsupport::FindChildWindow(dialog, "ComboBox", 1152)) != nullptr; });
    ASSERT_NE(combo, nullptr);
    bool hiddenField = false;
    for (const testsupport::ChildWindowInfo& child : testsupport::ListChildWindows(dialog))
        if (child.id == 20949 && !child.visible)
            hiddenField = true;
    EXPECT_TRUE(hiddenField);

    // A folder typed and confirmed is kept in the history of the "bin" dialogs...
    SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    std::vector<std::string> history;
    testsupport::WaitUntil([&] { return !(history = StoredList("OfnListBin")).empty(); });
    ASSERT_FALSE(history.empty());
    EXPECT_TRUE(ContainsNoCase(history[0], "sl-app-ofn\\")) << history[0];

    // ... and a name begun in it offers the matching entries in the popup.
    HWND edit = testsupport::FindChildWindow(combo, "Edit");
    ASSERT_NE(edit, nullptr);
    PostMessageA(edit, WM_CHAR, 'a', 1);
    HWND popup = nullptr;
    LRESULT offered = 0;
    testsupport::WaitUntil([&] {
        popup = ProcessWindowOfClass(program.ProcessId(), "SektorlupeSuggestList");
        offered = popup ? SendMessageA(popup, LB_GETCOUNT, 0, 0) : 0;
        return offered >= 2;
    });
    EXPECT_EQ(2, offered);

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    testsupport::WaitUntil([&] { return !IsWindow(dialog); });
    DWORD exitCode = 1;
    ASSERT_TRUE(program.CloseAndWait(frame, 30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
    for (const char* name : {"\\abbild1.bin", "\\abbild2.bin", "\\other.bin"})
        DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

// A file named like a physical drive, given on the command line by its name in the current
// folder, is opened as that file: the program remembers it by its full path (recent list,
// last image) and as an image, not as physical drive 1.
TEST(AppEndToEnd, AFileNamedLikeADriveOnTheCommandLineOpensAsThatFile)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string image = testsupport::BinaryDir() + "\\fixtures\\fat16.img";
    if (GetFileAttributesA(image.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "fat16.img was not made";
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "sl-app-physical";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"Physical1", "physical backup.img"}) {
        SCOPED_TRACE(name);
        const std::string file = folder + "\\" + name;
        ASSERT_TRUE(CopyFileA(image.c_str(), file.c_str(), FALSE));
        testsupport::ProcessWindow program;
        ASSERT_TRUE(program.Start("\"" + ProgramPath() + "\" \"" + name + "\"", folder));
        HWND frame = program.WaitForWindow(nullptr, nullptr, 60000);
        ASSERT_NE(frame, nullptr) << "no main window appeared";
        DWORD exitCode = 1;
        ASSERT_TRUE(program.CloseAndWait(frame, 30000, &exitCode));
        char recent[MAX_PATH] = {}, last[MAX_PATH] = {};
        DWORD size = sizeof recent, lastSize = sizeof last, drive = 0, driveSize = sizeof drive;
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, (std::string(kAppKey) + "\\Recent File List").c_str(), "File1",
                               RRF_RT_REG_SZ, nullptr, recent, &size),
                  ERROR_SUCCESS);
        EXPECT_STRCASEEQ(recent, file.c_str());
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kAppKey, "LastDrive", RRF_RT_REG_DWORD, nullptr, &drive, &driveSize),
                  ERROR_SUCCESS);
        EXPECT_EQ(drive, 0xC000u) << "not opened as an image file";
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kAppKey, "LastImageFile", RRF_RT_REG_SZ, nullptr, last, &lastSize),
                  ERROR_SUCCESS);
        EXPECT_STRCASEEQ(last, file.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
        DeleteFileA(file.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}
