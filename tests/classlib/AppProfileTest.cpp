// The application's profile settings and recent-file list on a scratch registry key, the
// command line, the application name and the worker threads.
#include <gtest/gtest.h>
#include "classlib/Afx.h"
#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"

#include <cstring>
#include <string>

namespace {

// Reads a value with the registry API itself, independent of the library.
bool RawRead(const std::string& keyPath, const char* name, DWORD* type, std::string* data)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data->assign(size, '\0');
        rc = RegQueryValueExA(key, name, nullptr, type, size ? reinterpret_cast<BYTE*>(&(*data)[0]) : nullptr, &size);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool RawKeyExists(const std::string& keyPath)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// An application object whose settings live in HKCU\Software\SektorlupeTests\<name>.
class ScratchApp : public CWinApp {
public:
    explicit ScratchApp(const char* name) : CWinApp(name) { SetRegistryKey("SektorlupeTests"); }
};

}  // namespace

TEST(AppProfile, RegistryKeyAndNameComeFromTheProgram)
{
    testsupport::ScratchKey scratch("AppProfileKey");
    ScratchApp app("AppProfileKey");
    EXPECT_STREQ(AfxGetAppName(), "AppProfileKey");
    EXPECT_STREQ(app.m_pszRegistryKey, "SektorlupeTests");
    EXPECT_STREQ(app.m_pszProfileName, "AppProfileKey");
    // The services layer knows the same key, so CRegistry's application key matches.
    char path[300] = "";
    BuildAppKeyPath(path, sizeof(path));
    EXPECT_STREQ(path, "Software\\SektorlupeTests\\AppProfileKey");
    HKEY key = app.GetAppRegistryKey();
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    EXPECT_TRUE(RawKeyExists(scratch.Path()));
}

TEST(AppProfile, NameDoesNotComeFromTheProgramFile)
{
    CWinApp app;   // no name, and the test program has no string table
    EXPECT_STREQ(AfxGetAppName(), "");
    EXPECT_EQ(AfxGetApp(), &app);
}

TEST(AppProfile, IntegersRoundTripAsDwords)
{
    testsupport::ScratchKey scratch("AppProfileInt");
    ScratchApp app("AppProfileInt");
    EXPECT_EQ(app.GetProfileInt("Settings", "FlatMode", 7), 7u);   // missing: the default
    ASSERT_TRUE(app.WriteProfileInt("Settings", "FlatMode", 0));
    ASSERT_TRUE(app.WriteProfileInt("Settings", "Negative", -5));
    EXPECT_EQ(app.GetProfileInt("Settings", "FlatMode", 7), 0u);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("Settings", "Negative", 7)), -5);
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawRead(scratch.Path() + "\\Settings", "Negative", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(data.size(), 4u);
    DWORD raw = 0;
    memcpy(&raw, data.data(), 4);
    EXPECT_EQ(raw, 0xFFFFFFFBu);
    // A text where a number is expected is not a number.
    ASSERT_TRUE(app.WriteProfileString("Settings", "Text", "12"));
    EXPECT_EQ(app.GetProfileInt("Settings", "Text", 3), 3u);
    EXPECT_EQ(app.GetProfileInt(nullptr, "FlatMode", 9), 9u);
    EXPECT_EQ(app.GetProfileInt("Settings", nullptr, 9), 9u);
}

TEST(AppProfile, StringsRoundTripAndDelete)
{
    testsupport::ScratchKey scratch("AppProfileString");
    ScratchApp app("AppProfileString");
    EXPECT_STREQ(app.GetProfileString("Find", "Text", "vorgabe"), "vorgabe");
    EXPECT_STREQ(app.GetProfileString("Find", "Text"), "");
    ASSERT_TRUE(app.WriteProfileString("Find", "Text", "Größe 42"));
    EXPECT_STREQ(app.GetProfileString("Find", "Text", "vorgabe"), "Größe 42");
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawRead(scratch.Path() + "\\Find", "Text", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(data.c_str()), "Größe 42");
    ASSERT_TRUE(app.WriteProfileString("Find", "Empty", ""));
    EXPECT_STREQ(app.GetProfileString("Find", "Empty", "vorgabe"), "");
    // A null value deletes the entry, a null entry the section.
    ASSERT_TRUE(app.WriteProfileString("Find", "Text", nullptr));
    EXPECT_FALSE(RawRead(scratch.Path() + "\\Find", "Text", &type, &data));
    EXPECT_TRUE(app.WriteProfileString("Find", "Missing", nullptr));
    ASSERT_TRUE(app.WriteProfileString("Find", nullptr, nullptr));
    EXPECT_FALSE(RawKeyExists(scratch.Path() + "\\Find"));
}

TEST(AppProfile, BinaryRoundTrip)
{
    testsupport::ScratchKey scratch("AppProfileBinary");
    ScratchApp app("AppProfileBinary");
    BYTE bytes[300];
    for (int i = 0; i < 300; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + 3);
    ASSERT_TRUE(app.WriteProfileBinary("Bars", "State", bytes, sizeof(bytes)));
    BYTE* data = nullptr;
    UINT size = 0;
    ASSERT_TRUE(app.GetProfileBinary("Bars", "State", &data, &size));
    ASSERT_EQ(size, sizeof(bytes));
    EXPECT_EQ(memcmp(data, bytes, sizeof(bytes)), 0);
    delete[] data;
    ASSERT_TRUE(app.WriteProfileBinary("Bars", "Empty", nullptr, 0));
    ASSERT_TRUE(app.GetProfileBinary("Bars", "Empty", &data, &size));
    EXPECT_EQ(size, 0u);
    delete[] data;
    EXPECT_FALSE(app.GetProfileBinary("Bars", "Missing", &data, &size));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(app.WriteProfileBinary("Bars", "Bad", nullptr, 5));
}

TEST(RecentFiles, AddMovesToFrontAndDropsTheOldest)
{
    CRecentFileList list(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 3);
    EXPECT_EQ(list.GetSize(), 3);
    list.Add("C:\\a.img");
    list.Add("C:\\b.img");
    list.Add("C:\\c.img");
    list.Add("C:\\A.IMG");   // already there (case aside): moves up, keeps the new spelling
    EXPECT_STREQ(list[0], "C:\\A.IMG");
    EXPECT_STREQ(list[1], "C:\\c.img");
    EXPECT_STREQ(list[2], "C:\\b.img");
    list.Add("C:\\d.img");
    EXPECT_STREQ(list[0], "C:\\d.img");
    EXPECT_STREQ(list[2], "C:\\c.img");
    list.Add(nullptr);
    list.Add("");
    EXPECT_STREQ(list[0], "C:\\d.img");
    list.Remove(0);
    EXPECT_STREQ(list[0], "C:\\A.IMG");
    EXPECT_STREQ(list[2], "");
    list.Remove(17);
    EXPECT_STREQ(list[-1], "");
    EXPECT_STREQ(list[3], "");
}

TEST(RecentFiles, SavedAndReadThroughTheProfile)
{
    testsupport::ScratchKey scratch("AppProfileRecent");
    {
        ScratchApp app("AppProfileRecent");
        app.LoadStdProfileSettings(8);
        ASSERT_NE(app.m_pRecentFileList, nullptr);
        EXPECT_EQ(app.m_pRecentFileList->GetSize(), 8);
        app.AddToRecentFileList("D:");
        app.AddToRecentFileList("\\\\.\\PhysicalDrive0");
        app.AddToRecentFileList("C:\\Bilder\\disk.img");
        app.m_nNumPreviewPages = 2;
        app.ExitInstance();
    }
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawRead(scratch.Path() + "\\Recent File List", "File1", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(data.c_str()), "C:\\Bilder\\disk.img");
    ASSERT_TRUE(RawRead(scratch.Path() + "\\Recent File List", "File3", &type, &data));
    EXPECT_EQ(std::string(data.c_str()), "D:");   // kept as given, not expanded
    EXPECT_FALSE(RawRead(scratch.Path() + "\\Recent File List", "File4", &type, &data));
    ASSERT_TRUE(RawRead(scratch.Path() + "\\Settings", "PreviewPages", &type, &data));

    ScratchApp again("AppProfileRecent");
    again.LoadStdProfileSettings(8);
    ASSERT_NE(again.m_pRecentFileList, nullptr);
    EXPECT_STREQ((*again.m_pRecentFileList)[0], "C:\\Bilder\\disk.img");
    EXPECT_STREQ((*again.m_pRecentFileList)[1], "\\\\.\\PhysicalDrive0");
    EXPECT_STREQ((*again.m_pRecentFileList)[2], "D:");
    EXPECT_EQ(again.m_nNumPreviewPages, 2);
    // An entry removed from the list is removed from the registry at the next save.
    again.m_pRecentFileList->Remove(0);
    again.SaveStdProfileSettings();
    ASSERT_TRUE(RawRead(scratch.Path() + "\\Recent File List", "File1", &type, &data));
    EXPECT_EQ(std::string(data.c_str()), "\\\\.\\PhysicalDrive0");
    EXPECT_FALSE(RawRead(scratch.Path() + "\\Recent File List", "File3", &type, &data));
}

TEST(RecentFiles, UpdateMenuNumbersTheEntries)
{
    CRecentFileList list(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 4);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, ID_FILE_OPEN, "Ö&ffnen");
    AppendMenuA(menu, MF_STRING, ID_FILE_MRU_FILE1, "Letzte Datei");
    AppendMenuA(menu, MF_STRING, ID_APP_EXIT, "&Beenden");

    CCmdUI ui;
    ui.m_hMenu = menu;
    ui.m_nIndex = 1;
    ui.m_nID = ID_FILE_MRU_FILE1;
    ui.m_nIndexMax = 3;
    list.UpdateMenu(&ui);   // empty list: the placeholder stays, greyed
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_TRUE(GetMenuState(menu, ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED);

    list.Add("C:\\x\\R&D.img");
    list.Add("C:\\y.img");
    ui.m_nIndex = 1;
    ui.m_nID = ID_FILE_MRU_FILE1;
    list.UpdateMenu(&ui);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    char text[128] = "";
    GetMenuStringA(menu, 1, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "&1 C:\\y.img");
    GetMenuStringA(menu, 2, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "&2 C:\\x\\R&&D.img");   // the path's ampersand is no mnemonic
    EXPECT_EQ(GetMenuItemID(menu, 2), static_cast<UINT>(ID_FILE_MRU_FILE2));
    EXPECT_EQ(GetMenuItemID(menu, 3), static_cast<UINT>(ID_APP_EXIT));
    EXPECT_EQ(ui.m_nIndex, 2u);   // the caller's loop goes on behind the last entry
    EXPECT_TRUE(ui.m_bEnableChanged);

    // Back to empty: the placeholder text comes back.
    list.Remove(0);
    list.Remove(0);
    ui.m_nIndex = 1;
    ui.m_nID = ID_FILE_MRU_FILE1;
    list.UpdateMenu(&ui);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    GetMenuStringA(menu, 1, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "Letzte Datei");
    EXPECT_TRUE(GetMenuState(menu, ID_FILE_MRU_FILE1, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
}

TEST(RecentFiles, AbbreviatedNames)
{
    CString path("C:\\Programme\\Werkzeuge\\Sektorlupe\\Abbilder\\diskette.img");
    AfxAbbreviateName(path, 30, TRUE);
    EXPECT_LE(path.GetLength(), 30);
    EXPECT_STREQ(path, "C:\\...\\Abbilder\\diskette.img");
    CString shortPath("C:\\a.img");
    AfxAbbreviateName(shortPath, 30, TRUE);
    EXPECT_STREQ(shortPath, "C:\\a.img");
    CString longName("C:\\dir\\a_very_long_file_name_indeed.img");
    AfxAbbreviateName(longName, 10, TRUE);
    EXPECT_STREQ(longName, "a_very_long_file_name_indeed.img");   // the name stays whole
    CString unc("\\\\server\\share\\one\\two\\file.img");
    AfxAbbreviateName(unc, 28, TRUE);
    EXPECT_STREQ(unc, "\\\\server\\share\\...\\file.img");
}

TEST(CommandLine, FileAndSwitches)
{
    CCommandLineInfo info;
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileNew);
    info.ParseParam("D:", FALSE, TRUE);
    EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_STREQ(info.m_strFileName, "D:");

    CCommandLineInfo print;
    print.ParseParam("pt", TRUE, FALSE);
    print.ParseParam("a.img", FALSE, FALSE);
    print.ParseParam("Drucker", FALSE, FALSE);
    print.ParseParam("Treiber", FALSE, FALSE);
    print.ParseParam("LPT1:", FALSE, TRUE);
    EXPECT_EQ(print.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_STREQ(print.m_strFileName, "a.img");
    EXPECT_STREQ(print.m_strPrinterName, "Drucker");
    EXPECT_STREQ(print.m_strDriverName, "Treiber");
    EXPECT_STREQ(print.m_strPortName, "LPT1:");

    CCommandLineInfo embedded;
    embedded.ParseParam("Embedding", TRUE, TRUE);
    EXPECT_TRUE(embedded.m_bRunEmbedded);
    EXPECT_FALSE(embedded.m_bShowSplash);
    EXPECT_EQ(embedded.m_nShellCommand, CCommandLineInfo::FileNew);
    CCommandLineInfo nothing;
    nothing.ParseParam(nullptr, FALSE, TRUE);
    EXPECT_EQ(nothing.m_nShellCommand, CCommandLineInfo::FileNew);
}

TEST(CommandLine, ShellCommandsWithoutDocuments)
{
    CWinApp app("ShellCommandTest");
    CCommandLineInfo info;
    info.m_nShellCommand = CCommandLineInfo::FileNothing;
    EXPECT_TRUE(app.ProcessShellCommand(info));
    info.m_nShellCommand = CCommandLineInfo::FileNew;   // no template: no main window
    EXPECT_FALSE(app.ProcessShellCommand(info));
    info.m_nShellCommand = CCommandLineInfo::FileOpen;
    info.m_strFileName = "C:\\nothing.img";
    EXPECT_FALSE(app.ProcessShellCommand(info));
    info.m_nShellCommand = CCommandLineInfo::AppUnregister;
    EXPECT_FALSE(app.ProcessShellCommand(info));
}

namespace {

UINT __cdecl WorkerSquares(LPVOID param)
{
    int* value = static_cast<int*>(param);
    *value = *value * *value;
    return static_cast<UINT>(*value + 1);
}

struct SemaphoreJob {
    CSemaphore* semaphore;
    volatile LONG reached;
};

UINT __cdecl WorkerWaits(LPVOID param)
{
    SemaphoreJob* job = static_cast<SemaphoreJob*>(param);
    if (!job->semaphore->Lock(60000))
        return 1;
    InterlockedExchange(&job->reached, 1);
    return 0;
}

}  // namespace

TEST(Threads, BeginThreadRunsTheFunctionWithItsStackAndPriority)
{
    int value = 12;
    CWinThread* thread = AfxBeginThread(&WorkerSquares, &value, THREAD_PRIORITY_BELOW_NORMAL, 128 * 1024,
                                        CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(thread->m_hThread, nullptr);
    EXPECT_NE(thread->m_nThreadID, 0u);
    EXPECT_EQ(thread->GetThreadPriority(), THREAD_PRIORITY_BELOW_NORMAL);
    thread->m_bAutoDelete = FALSE;   // keep the object to read the result
    thread->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(thread->m_hThread, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread->m_hThread, &code);
    EXPECT_EQ(value, 144);
    EXPECT_EQ(code, 145u);
    delete thread;
    EXPECT_EQ(AfxBeginThread(nullptr, nullptr), nullptr);
}

TEST(Threads, SemaphoreHandsOver)
{
    CSemaphore semaphore(0, 1);
    EXPECT_FALSE(semaphore.Lock(0));   // nothing to take yet
    SemaphoreJob job = {&semaphore, 0};
    CWinThread* thread = AfxBeginThread(&WorkerWaits, &job, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    thread->ResumeThread();
    Sleep(50);
    EXPECT_EQ(job.reached, 0);
    EXPECT_TRUE(semaphore.Unlock());
    ASSERT_EQ(WaitForSingleObject(thread->m_hThread, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(job.reached, 1);
    delete thread;
    EXPECT_TRUE(semaphore.Unlock());
    EXPECT_FALSE(semaphore.Unlock());   // the count may not exceed its maximum
    EXPECT_TRUE(semaphore.Lock(0));
    EXPECT_FALSE(semaphore.Unlock(0));
}

TEST(RegistryCString, ReadKeepsValueWhenMissingAndWriteRoundTrips)
{
    testsupport::ScratchKey scratch("RegistryCString");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, scratch.Path().c_str(), REGISTRY_CREATE));
    CString value("bleibt");
    EXPECT_FALSE(reg.ReadCString(value, "Missing"));
    EXPECT_STREQ(value, "bleibt");
    ASSERT_TRUE(reg.WriteCString(CString("Größe"), "Name"));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawRead(scratch.Path(), "Name", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // (Whether the stored value carries a terminator is the registry's business: Windows
    // stores the five characters handed over, Wine adds one.)
    EXPECT_EQ(std::string(data.c_str()), "Größe");
    EXPECT_TRUE(reg.ReadCString(value, "Name"));
    EXPECT_STREQ(value, "Größe");
    ASSERT_TRUE(reg.WriteCString(CString(), "Empty"));
    value = "x";
    EXPECT_TRUE(reg.ReadCString(value, "Empty"));
    EXPECT_STREQ(value, "");
}

namespace {

struct BoxWatch {
    DWORD uiThread;
    char caption[64];
    char text[128];
};

BOOL CALLBACK FindBox(HWND hWnd, LPARAM param)
{
    char cls[16] = "";
    GetClassNameA(hWnd, cls, sizeof(cls));
    if (strcmp(cls, "#32770") != 0 || !IsWindowVisible(hWnd))
        return TRUE;
    BoxWatch* watch = reinterpret_cast<BoxWatch*>(param);
    GetWindowTextA(hWnd, watch->caption, sizeof(watch->caption));
    HWND textItem = GetDlgItem(hWnd, 0xFFFF);   // the static with the message
    if (textItem)
        GetWindowTextA(textItem, watch->text, sizeof(watch->text));
    PostMessageA(hWnd, WM_COMMAND, IDNO, 0);
    return FALSE;
}

DWORD WINAPI AnswerTheBox(LPVOID param)
{
    BoxWatch* watch = static_cast<BoxWatch*>(param);
    // Until the box is there, however long a busy machine takes to show it (a watchdog
    // minute at most: a box never answered would hold the test for good).
    const DWORD start = GetTickCount();
    while (!watch->caption[0] && GetTickCount() - start < 60000) {
        Sleep(25);
        EnumThreadWindows(watch->uiThread, &FindBox, reinterpret_cast<LPARAM>(watch));
    }
    return 0;
}

}  // namespace

TEST(AppMessageBox, CaptionIsTheApplicationName)
{
    CWinApp app("Sektorlupe Kapitän");
    BoxWatch watch = {GetCurrentThreadId(), "", ""};
    HANDLE answer = CreateThread(nullptr, 0, &AnswerTheBox, &watch, 0, nullptr);
    ASSERT_NE(answer, nullptr);
    int result = AfxMessageBox("Soll der Sektor geschrieben werden ?", MB_YESNO | MB_DEFBUTTON2);
    WaitForSingleObject(answer, INFINITE);
    CloseHandle(answer);
    EXPECT_EQ(result, IDNO);
    EXPECT_STREQ(watch.caption, "Sektorlupe Kapitän");
    EXPECT_STREQ(watch.text, "Soll der Sektor geschrieben werden ?");
}
