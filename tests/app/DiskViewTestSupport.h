// The application's frame, document and disk view built in the test process as the program
// builds them, for the tests that drive the view in its frame.
#pragma once
#include <gtest/gtest.h>

#include "app/DiskView.h"
#include "app/MainFrm.h"
#include "app/res/resource.h"
#include "disk/DiskDoc.h"
#include "services/AppIdentity.h"
#include "tests/classlib/ModalScript.h"
#include "tests/support/TestSupport.h"

#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>

namespace diskviewtest {

inline void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
}

inline bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Registers the single-document template and opens the empty document under the settings
// of `appName` (kept in the scratch key), with nothing open at start: drive C of the prefix
// is no raw device to read. The document asks through `prompts`. Use with
// ASSERT_NO_FATAL_FAILURE.
inline void BuildFrame(CWinApp& app, testsupport::ScratchKey& key, const char* appName, DiskDocPrompts* prompts,
                       CDiskDoc** doc, CMainFrame** frame, CDiskView** view)
{
    HKEY appKey = key.Open();
    ASSERT_NE(appKey, nullptr);
    const DWORD nothing = 2;
    RegSetValueExA(appKey, "OpenMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nothing), 4);
    RegCloseKey(appKey);

    app.SetRegistryKey("SektorlupeTests");
    SetAppIdentity("SektorlupeTests", appName);
    CSingleDocTemplate* docTemplate = new CSingleDocTemplate(
        IDR_MAINFRAME, RUNTIME_CLASS(CDiskDoc), RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CDiskView));
    app.AddDocTemplate(docTemplate);
    CDocument* document = docTemplate->OpenDocumentFile(nullptr, FALSE);
    ASSERT_NE(document, nullptr);
    *doc = static_cast<CDiskDoc*>(document);
    (*doc)->SetPrompts(prompts);
    *frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    ASSERT_NE(*frame, nullptr);
    POSITION pos = (*doc)->GetFirstViewPosition();
    *view = static_cast<CDiskView*>((*doc)->GetNextView(pos));
    ASSERT_NE(*view, nullptr);
    ASSERT_TRUE((*view)->IsKindOf(RUNTIME_CLASS(CDiskView)));
    (*frame)->MoveWindow(0, 0, 900, 700, TRUE);
    DrainQueue();
}

// Runs `action`; a dialog it opens is answered by cancel after its caption is taken.
inline std::string CaptionOfDialog(const std::function<void()>& action)
{
    std::string caption;
    modalscript::Script script;
    script.Add([&] {
        HWND d = modalscript::FindThreadDialog(nullptr);
        if (!d)
            return false;
        char title[128] = {};
        GetWindowTextA(d, title, sizeof title);
        caption = title;
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    script.Start();
    action();
    script.Stop();
    DrainQueue();
    return caption;
}

// A file dropped from the shell onto a window (WM_DROPFILES with a one-file block). Use with
// ASSERT_NO_FATAL_FAILURE.
inline void DropFile(CWnd* target, const std::string& path)
{
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + path.size() + 2);
    ASSERT_NE(drop, nullptr);
    DROPFILES* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    memcpy(files + 1, path.c_str(), path.size());
    GlobalUnlock(drop);
    target->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop));
}

// The path of a fixture image made by tests/disk/make-images.sh; empty when it is missing
// (the caller skips).
inline std::string FixtureImage(const char* name)
{
    const std::string path = testsupport::BinaryDir() + "\\fixtures\\" + name;
    return testsupport::BinaryDir().empty() || !FileExists(path) ? std::string() : path;
}

// A test on the program's frame with the FAT16 fixture open: built and opened in SetUp (the
// test skips without the fixture), closed in TearDown. `App` is the application object,
// `Prompts` answers the document's questions.
template <class App, class Prompts>
class FrameOnFat16 : public ::testing::Test {
protected:
    explicit FrameOnFat16(const char* appName) : key(appName), m_appName(appName) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(BuildFrame(app, key, m_appName, &prompts, &doc, &frame, &view));
        const std::string image = FixtureImage("fat16.img");
        if (image.empty())
            GTEST_SKIP() << "fat16.img is missing (run through ctest)";
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        DrainQueue();
    }
    void TearDown() override
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
    }

    App app;
    testsupport::ScratchKey key;
    Prompts prompts;
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;

private:
    const char* m_appName;
};

}  // namespace diskviewtest
