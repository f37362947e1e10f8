// The extended file dialog on the system's own dialog under Wine: the import patch, the
// name combo with its history and suggestions, the copy command, the dialog without
// history, quick rounds of dialogs, a folder of 259 characters; and the history values.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shellapi.h>
#include <ctype.h>
#include <stdio.h>
#include <memory>
#include <string>
#include <vector>
#include "services/AppIdentity.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/FileDialogEx.h"
#include "uihelpers/FileDialogExRules.h"
#include "tests/support/TestSupport.h"
#include "TestWindows.h"

using uitest::ModalSteps;
using uitest::RemoveTree;
using uitest::Touch;
using uitest::WindowText;

namespace {

const char kKey[] = "Software\\SektorlupeTests\\Uihelpers";

std::string TempFolder(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}



// An empty temporary folder of that name, holding one empty file when a name is given.
std::string FreshFolder(const char* name, const char* file = NULL)
{
    std::string folder = TempFolder(name);
    RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), NULL);
    if (file) Touch(folder + "\\" + file);
    return folder;
}

// The stored history entries of a value of the test key; none when it is missing.
std::vector<std::string> StoredHistory(const char* value)
{
    std::vector<std::string> entries;
    char data[8192] = {};
    DWORD size = sizeof data - 2, type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return entries;
    if (RegQueryValueExA(key, value, NULL, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        for (const char* p = data; *p; p += strlen(p) + 1) entries.push_back(p);
    RegCloseKey(key);
    return entries;
}

HWND Popup()
{
    return FindWindowExA(NULL, NULL, "SektorlupeSuggestList", NULL);
}

int g_hookInits = 0, g_hookDestroys = 0;
UINT_PTR CALLBACK CallerHook(HWND, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) ++g_hookInits;
    if (message == WM_DESTROY) ++g_hookDestroys;
    return 0;
}

struct OpenRecord {
    OPENFILENAMEA ofn = {};
    char file[MAX_PATH] = "";
    OpenRecord(const char* folder, DWORD flags, const char* filter)
    {
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFile = file;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrFilter = filter;
        ofn.lpstrDefExt = "BIN";
        ofn.lpstrInitialDir = folder;
        ofn.Flags = OFN_EXPLORER | flags;
    }
};

BOOL RunOpen(OpenRecord& r, ModalSteps& steps)
{
    steps.Start(20000);
    BOOL chosen = GetOpenFileNameA(&r.ofn);
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return chosen;
}

// A step that waits `n` timer ticks.
ModalSteps::Step Pause(int n)
{
    auto left = std::make_shared<int>(n);
    return [left](HWND) { return --*left <= 0; };
}

// A step that takes the first entry of the shown popup, or gives up after about two seconds.
ModalSteps::Step FirstSuggestion(std::string* out)
{
    auto waited = std::make_shared<int>(0);
    return [out, waited](HWND) {
        HWND popup = Popup();
        if (popup && IsWindowVisible(popup) && SendMessageA(popup, LB_GETCOUNT, 0, 0) > 0) {
            char text[MAX_PATH] = {};
            SendMessageA(popup, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
            *out = text;
            return true;
        }
        return ++*waited > 100;
    };
}

class FileDialogExTest : public ::testing::Test {
protected:
    FileDialogExTest() : m_scratch("Uihelpers") { SetAppIdentity("SektorlupeTests", "Uihelpers"); }
    static void SetUpTestSuite() { PatchFileDialogImports(NULL); }
    testsupport::ScratchKey m_scratch;
};

}  // namespace

TEST_F(FileDialogExTest, ImportsLeadToTheExtendedFunctions)
{
    EXPECT_EQ(reinterpret_cast<void*>(&::GetOpenFileNameA), reinterpret_cast<void*>(&GetOpenFileNameEx));
    EXPECT_EQ(reinterpret_cast<void*>(&::GetSaveFileNameA), reinterpret_cast<void*>(&GetSaveFileNameEx));
    // Patching again, or a module without those imports, changes nothing.
    EXPECT_EQ(1, PatchFileDialogImports(NULL));
    EXPECT_EQ(1, PatchFileDialogImports("kernel32.dll"));
    EXPECT_EQ(reinterpret_cast<void*>(&::GetOpenFileNameA), reinterpret_cast<void*>(&GetOpenFileNameEx));
}

TEST_F(FileDialogExTest, OpenDialogWithCaptionHistoryAndSuggestions)
{
    std::string folder = FreshFolder("sl-ofn-dialog");
    CreateDirectoryA((folder + "\\sub").c_str(), NULL);
    Touch(folder + "\\sub\\inner.bin");
    for (int i = 0; i < 130; ++i) {
        char name[16];
        sprintf(name, "\\a%03d.bin", i);
        Touch(folder + name);
    }
    Touch(folder + "\\b.bin");

    OpenRecord r(folder.c_str(), OFN_ENABLEHOOK | 0x80000000, "Sektoren@Abbilder\0*.bin\0\0");
    r.ofn.lpfnHook = &CallerHook;
    const OPENFILENAMEA before = r.ofn;
    g_hookInits = g_hookDestroys = 0;
    std::string checkText, typeText, hiddenClass, firstSuggestion, afterUp, afterDown, copied, menuText, inFolder;
    DWORD comboStyle = 0, popupStyle = 0;
    int selectedAfterUp = 0;
    UINT menuId = 0;
    RECT frameRect = {};
    bool hiddenVisible = true, comboIsCombo = false;
    int suggestions = 0;
    ModalSteps steps;
    steps.Add(Pause(3));
    steps.Add([&](HWND frame) {
        HWND combo = GetDlgItem(frame, 1152);
        char cls[32] = {};
        GetClassNameA(combo, cls, sizeof cls);
        comboIsCombo = lstrcmpiA(cls, "ComboBox") == 0;
        HWND hidden = GetDlgItem(frame, 20949);
        GetClassNameA(hidden, cls, sizeof cls);
        hiddenClass = cls;
        hiddenVisible = IsWindowVisible(hidden) != FALSE;
        checkText = WindowText(GetDlgItem(frame, 1040));
        typeText = WindowText(GetDlgItem(frame, cmb1));
        GetWindowRect(frame, &frameRect);
        PostMessageA(GetWindow(combo, GW_CHILD), WM_CHAR, 'A', 1);
        return true;
    });
    steps.Add([&](HWND) {    // the worker fills the popup and asks the frame to show it
        HWND popup = Popup();
        suggestions = popup ? static_cast<int>(SendMessageA(popup, LB_GETCOUNT, 0, 0)) : 0;
        return popup && IsWindowVisible(popup) && suggestions >= 100;
    });
    steps.Add(Pause(5));     // nothing beyond the hundredth arrives
    steps.Add([&](HWND frame) {
        HWND popup = Popup();
        suggestions = static_cast<int>(SendMessageA(popup, LB_GETCOUNT, 0, 0));
        char text[MAX_PATH] = {};
        SendMessageA(popup, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
        firstSuggestion = text;
        // The combo and the popup carry the styles of their kinds: no scroll bar style on
        // the combo, no border on the popup.
        comboStyle = static_cast<DWORD>(GetWindowLongA(GetDlgItem(frame, 1152), GWL_STYLE));
        popupStyle = static_cast<DWORD>(GetWindowLongA(popup, GWL_STYLE));
        // Up with nothing selected moves to no entry.
        PostMessageA(GetWindow(GetDlgItem(frame, 1152), GW_CHILD), WM_KEYDOWN, VK_UP, 1);
        return true;
    });
    steps.Add([&](HWND frame) {
        afterUp = WindowText(GetDlgItem(frame, 1152));
        selectedAfterUp = static_cast<int>(SendMessageA(Popup(), LB_GETCURSEL, 0, 0));
        PostMessageA(GetWindow(GetDlgItem(frame, 1152), GW_CHILD), WM_KEYDOWN, VK_DOWN, 1);
        return true;
    });
    steps.Add([&](HWND frame) {    // the frame's context menu offers the copy command
        afterDown = WindowText(GetDlgItem(frame, 1152));
        RECT rc;
        GetWindowRect(frame, &rc);
        PostMessageA(frame, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(frame), MAKELPARAM(rc.left + 5, rc.top + 5));
        return true;
    });
    steps.Add([&]() {
        HWND shown = FindWindowA("#32768", NULL);
        if (!shown || !IsWindowVisible(shown)) return false;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(shown, MN_GETHMENU, 0, 0));
        char text[64] = {};
        GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
        menuText = text;
        menuId = GetMenuItemID(menu, 0);
        EndMenu();
        return true;
    });
    steps.Add([&](HWND frame) {
        SendMessageA(frame, WM_COMMAND, OFNX_COPY_PATH_ID, 0);
        char* clip = ClipboardGetText();
        copied = clip ? clip : "";
        free(clip);
        SetWindowTextA(GetDlgItem(frame, 1152), (folder + "/sub").c_str());
        PostMessageA(frame, WM_COMMAND, IDOK, 0);     // goes into the folder, which is kept
        return true;
    });
    steps.Add(Pause(3));
    steps.Add([&](HWND frame) {    // the worker follows the dialog into the folder
        HWND combo = GetDlgItem(frame, 1152);
        SetWindowTextA(combo, "");
        PostMessageA(GetWindow(combo, GW_CHILD), WM_CHAR, 'i', 1);
        return true;
    });
    steps.Add(FirstSuggestion(&inFolder));
    steps.Add([&](HWND frame) { PostMessageA(frame, WM_COMMAND, IDCANCEL, 0); return true; });
    EXPECT_FALSE(RunOpen(r, steps));

    EXPECT_TRUE(comboIsCombo);
    EXPECT_FALSE(hiddenVisible);
    EXPECT_FALSE(hiddenClass.empty());
    EXPECT_EQ("Sektoren", checkText);
    EXPECT_EQ("Abbilder", typeText);                  // the filter after the "@"
    if (GetSystemMetrics(SM_CXICON) <= 32) {           // the first dialog of the process
        EXPECT_EQ(600, frameRect.right - frameRect.left);
        EXPECT_EQ(450, frameRect.bottom - frameRect.top);
    }
    EXPECT_EQ(100, suggestions);
    EXPECT_EQ('a', tolower(firstSuggestion[0]));
    EXPECT_EQ("A", afterUp);
    EXPECT_EQ(-1, selectedAfterUp);
    EXPECT_EQ(firstSuggestion, afterDown);
    EXPECT_EQ(0u, comboStyle & WS_VSCROLL);
    EXPECT_EQ(0u, popupStyle & WS_BORDER);
    EXPECT_EQ("Kopiere aktuellen Pfad", menuText);
    EXPECT_EQ(static_cast<UINT>(OFNX_COPY_PATH_ID), menuId);
    EXPECT_EQ(0, lstrcmpiA(folder.c_str(), copied.c_str()));
    EXPECT_EQ("inner.bin", inFolder);
    EXPECT_EQ(1, g_hookInits);
    EXPECT_EQ(1, g_hookDestroys);        // the hook dialog's own, not a second one
    std::vector<std::string> history = StoredHistory("OfnListBin");
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(0, lstrcmpiA((folder + "\\sub\\").c_str(), history[0].c_str()));
    // The caller's record comes back as it was given.
    EXPECT_EQ(before.Flags, r.ofn.Flags);
    EXPECT_EQ(before.lpfnHook, r.ofn.lpfnHook);
    EXPECT_EQ(before.lpstrFilter, r.ofn.lpstrFilter);
    EXPECT_EQ(0, FileDialogExWorkers());

    // The next dialog offers the kept folder; choosing it from the list goes there at once.
    OpenRecord again(folder.c_str(), 0, "Abbilder\0*.bin\0\0");
    std::string offered, folderAfter;
    ModalSteps next;
    next.Add(Pause(3));
    next.Add([&](HWND frame) {
        HWND combo = GetDlgItem(frame, 1152);
        char text[MAX_PATH] = {};
        SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        offered = text;
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        SendMessageA(frame, WM_COMMAND, MAKEWPARAM(1152, CBN_CLOSEUP), reinterpret_cast<LPARAM>(combo));
        return true;
    });
    next.Add(Pause(5));
    next.Add([&](HWND frame) {
        char path[MAX_PATH] = {};
        SendMessageA(frame, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
        folderAfter = path;
        PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    RunOpen(again, next);
    EXPECT_EQ(history[0], offered);
    EXPECT_EQ(0, lstrcmpiA((folder + "\\sub").c_str(), folderAfter.c_str()));
    RemoveTree(folder);
}

TEST_F(FileDialogExTest, SaveDialogsAreExtendedAndACaptionAsksForSaveMode)
{
    std::string folder = TempFolder("");
    struct { DWORD flags; bool captioned; } cases[] = { { 0, false }, { 0x80000000, true } };
    for (const auto& c : cases) {
        OpenRecord r(folder.c_str(), c.flags | OFN_OVERWRITEPROMPT, "Dumps@Sektoren\0*.bin\0\0");
        std::string okText, checkText;
        bool extended = false;
        ModalSteps steps;
        steps.Add([&](HWND frame) {
            extended = GetDlgItem(frame, 20949) != NULL;
            okText = WindowText(GetDlgItem(frame, IDOK));
            checkText = WindowText(GetDlgItem(frame, 1040));
            PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        steps.Start(20000);
        EXPECT_FALSE(GetSaveFileNameA(&r.ofn));
        steps.Stop();
        EXPECT_TRUE(extended);
        if (c.captioned) {
            EXPECT_EQ("Dumps", checkText);
            EXPECT_TRUE(okText == "&Save" || okText == "&Speichern") << okText;
        }
        EXPECT_EQ(c.flags | OFN_EXPLORER | OFN_OVERWRITEPROMPT, r.ofn.Flags);
    }
}

TEST_F(FileDialogExTest, WithoutHistoryTheFieldStaysAndNothingIsWritten)
{
    std::string folder = FreshFolder("sl-ofn-plain", "x.bin");
    OpenRecord r(folder.c_str(), 0x70000000, "Abbilder\0*.bin\0\0");
    bool hasCombo = true, hasHidden = true;
    ModalSteps steps;
    steps.Add(Pause(3));
    steps.Add([&](HWND frame) {
        hasCombo = GetDlgItem(frame, 1152) != NULL;
        hasHidden = GetDlgItem(frame, 20949) != NULL;
        SendMessageA(frame, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("x.bin"));
        PostMessageA(frame, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_TRUE(RunOpen(r, steps));
    EXPECT_FALSE(hasCombo);
    EXPECT_FALSE(hasHidden);
    EXPECT_TRUE(Popup() == NULL);
    EXPECT_TRUE(StoredHistory("OfnListBin").empty());
    EXPECT_NE(std::string::npos, std::string(r.file).find("x.bin"));
    RemoveTree(folder);
}

TEST_F(FileDialogExTest, QuickRoundsNeverRunTwoWorkersAndALongFolderIsSafe)
{
    // A folder of 259 characters, made through the long-path form.
    std::string base = TempFolder("");
    std::string longFolder = base + std::string(259 - base.size(), 'q');
    std::wstring wide(L"\\\\?\\");
    for (char c : longFolder) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    RemoveDirectoryW(wide.c_str());
    CreateDirectoryW(wide.c_str(), NULL);
    // Wine's dialog cannot start in such a folder; it is typed and entered instead.
    for (int round = 0; round < 3; ++round) {
        OpenRecord r(base.c_str(), 0, "Alle\0*.*\0\0");
        std::string shownFolder;
        ModalSteps steps;
        steps.Add([&](HWND frame) {
            HWND combo = GetDlgItem(frame, 1152);
            if (!combo) return false;
            if (round == 1) {
                SetWindowTextA(combo, longFolder.c_str());
                PostMessageA(frame, WM_COMMAND, IDOK, 0);
            }
            return true;
        });
        steps.Add(Pause(round == 1 ? 4 : 0));
        steps.Add([&](HWND frame) {
            char path[MAX_PATH + 8] = {};
            SendMessageA(frame, CDM_GETFOLDERPATH, sizeof path, reinterpret_cast<LPARAM>(path));
            shownFolder = path;
            HWND combo = GetDlgItem(frame, 1152);
            PostMessageA(GetWindow(combo, GW_CHILD), WM_CHAR, 'q', 1);
            PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        EXPECT_FALSE(RunOpen(r, steps));
        EXPECT_EQ(0, FileDialogExWorkers());
        if (round == 1) {
            EXPECT_EQ(longFolder.size(), shownFolder.size());
        }
    }
    EXPECT_LE(FileDialogExMostWorkers(), 1);
    RemoveDirectoryW(wide.c_str());
}

namespace {

// What the popup saw when it went away: the workers still running then.
WNDPROC g_popupProcedure = NULL;
LONG g_workersAtPopupEnd = -1;
LRESULT CALLBACK WatchPopupEnd(HWND popup, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) g_workersAtPopupEnd = FileDialogExWorkers();
    return CallWindowProcA(g_popupProcedure, popup, message, wParam, lParam);
}

}  // namespace

TEST_F(FileDialogExTest, ATypedPathOf259CharactersIsOfferedWholeAndTheWorkerEndsFirst)
{
    // A file whose full path has 259 characters, typed in full, and a neighbour that
    // differs only in its last three.
    std::string folder = FreshFolder("sl-ofn-259");
    const size_t nameLength = 259 - folder.size() - 1;
    ASSERT_TRUE(nameLength >= 2 && nameLength <= 255) << folder;
    const std::string path = folder + "\\" + std::string(nameLength, 'n');
    Touch(path);
    Touch(path.substr(0, 256) + "mmm");
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));

    OpenRecord r(folder.c_str(), 0, "Alle\0*.*\0\0");
    std::vector<std::string> offered;
    g_popupProcedure = NULL;
    g_workersAtPopupEnd = -1;
    auto waited = std::make_shared<int>(0);
    ModalSteps steps;
    steps.Add(Pause(3));
    steps.Add([&](HWND frame) {
        HWND combo = GetDlgItem(frame, 1152);
        SetWindowTextA(combo, path.substr(0, 258).c_str());
        SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(258, 258));
        PostMessageA(GetWindow(combo, GW_CHILD), WM_CHAR, 'n', 1);
        return true;
    });
    steps.Add([&](HWND) {    // a suggestion, or give up after about two seconds
        HWND popup = Popup();
        return (popup && SendMessageA(popup, LB_GETCOUNT, 0, 0) > 0) || ++*waited > 100;
    });
    steps.Add(Pause(5));
    steps.Add([&](HWND) {
        HWND popup = Popup();
        int count = popup ? static_cast<int>(SendMessageA(popup, LB_GETCOUNT, 0, 0)) : 0;
        for (int i = 0; i < count; ++i) {
            char text[300] = {};
            if (SendMessageA(popup, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) < static_cast<LRESULT>(sizeof text))
                SendMessageA(popup, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            offered.push_back(text);
        }
        return true;
    });
    steps.Add([&](HWND frame) {
        // The worker is busy listing and matching while the dialog closes, and lingers
        // when it stops.
        HWND popup = Popup();
        if (popup)
            g_popupProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(popup, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchPopupEnd)));
        HWND combo = GetDlgItem(frame, 1152);
        SetWindowTextA(combo, (folder + "\\").c_str());
        SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(300, 300));
        PostMessageA(GetWindow(combo, GW_CHILD), WM_CHAR, 'n', 1);
        PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    SetFileDialogExWorkerLinger(300);
    EXPECT_FALSE(RunOpen(r, steps));
    SetFileDialogExWorkerLinger(0);
    EXPECT_EQ(std::vector<std::string>{ path }, offered);
    ASSERT_TRUE(g_popupProcedure != NULL);
    EXPECT_EQ(0, g_workersAtPopupEnd);      // the worker was waited for before the popup went
    EXPECT_EQ(0, uitest::SuggestTextsAllocated());   // and what it had posted was freed
    RemoveTree(folder);
}

TEST_F(FileDialogExTest, AHiddenDialogStopsItsWorkerAndShownAgainSuggestsAgain)
{
    std::string folder = FreshFolder("sl-ofn-hide", "wieder.bin");
    OpenRecord r(folder.c_str(), 0, "Alle\0*.*\0\0");
    int workersHidden = -1;
    std::string offered;
    ModalSteps steps;
    steps.Add(Pause(3));
    steps.Add([&](HWND frame) {
        ShowWindow(frame, SW_HIDE);
        workersHidden = FileDialogExWorkers();
        ShowWindow(frame, SW_SHOW);
        PostMessageA(GetWindow(GetDlgItem(frame, 1152), GW_CHILD), WM_CHAR, 'w', 1);
        return true;
    });
    steps.Add(FirstSuggestion(&offered));
    steps.Add([&](HWND frame) { PostMessageA(frame, WM_COMMAND, IDCANCEL, 0); return true; });
    EXPECT_FALSE(RunOpen(r, steps));
    EXPECT_EQ(0, workersHidden);
    EXPECT_EQ("wieder.bin", offered);
    EXPECT_EQ(0, FileDialogExWorkers());
    RemoveTree(folder);
}

TEST_F(FileDialogExTest, HistoryValuesAreBoundedBothWays)
{
    uitest::HostDialog host("ComboBox", CBS_DROPDOWN | WS_VSCROLL);
    HWND combo = host.Control();
    HKEY key = m_scratch.Open();
    ASSERT_TRUE(key != NULL);
    auto store = [&](const char* name, DWORD type, const std::string& data) {
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    };
    std::string many, oversize, longEntry = std::string(260, 'l') + '\0' + "kurz" + '\0';
    for (int i = 0; i < 40; ++i) many += "e" + std::to_string(i) + '\0';
    while (oversize.size() < 4200) oversize += std::string(99, 'o') + '\0';
    store("Many", REG_MULTI_SZ, many + '\0');
    store("Oversize", REG_MULTI_SZ, oversize + '\0');
    store("Text", REG_SZ, std::string("C:\\") + '\0');
    store("Long", REG_MULTI_SZ, longEntry + '\0');
    struct { const char* value; int loaded; const char* first; } loads[] = {
        { "Many", 32, "e0" }, { "Oversize", 0, "" }, { "Text", 0, "" }, { "Long", 1, "kurz" },
    };
    for (const auto& l : loads) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        std::string keyText = std::string(kKey) + "\\" + l.value;
        EXPECT_EQ(l.loaded, OfnHistoryLoadSave(combo, 0x40000000, keyText.c_str(), FALSE)) << l.value;
        EXPECT_EQ(l.loaded, SendMessageA(combo, CB_GETCOUNT, 0, 0)) << l.value;
        char first[300] = {};
        SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
        EXPECT_STREQ(l.first, first) << l.value;
    }

    // Saving: the first 16 entries, as long as they fit 4096 bytes; overlong entries left out.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 20; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(i == 2 ? 300 : 255, 'a' + i).c_str()));
    std::string target = std::string(kKey) + "\\Saved";
    int saved = OfnHistoryLoadSave(combo, 0x40000000, target.c_str(), TRUE);
    std::vector<std::string> stored = StoredHistory("Saved");
    EXPECT_EQ(15, saved);                              // 15 x 256 bytes + the final NUL fit
    ASSERT_EQ(15u, stored.size());
    EXPECT_EQ(std::string(255, 'b'), stored[1]);
    EXPECT_EQ(std::string(255, 'd'), stored[2]);
    // The fixed folder list is offered but never stored; no history stores nothing.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(2, OfnHistoryLoadSave(combo, 0x30000000, "C:\\a\0D:\\b\0", FALSE));
    EXPECT_EQ(0, OfnHistoryLoadSave(combo, 0x30000000, "C:\\a\0D:\\b\0", TRUE));
    EXPECT_EQ(0, OfnHistoryLoadSave(combo, 0x70000000, "bin", TRUE));
    RegCloseKey(key);
}
