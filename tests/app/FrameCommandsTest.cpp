// What a new user meets first, run in the real frame: "Schriften einstellen" on the hex
// view answered OK without a change, a drag of the splitter between the panes, the About box,
// an image of any extension opened again from the recent file list and from the command line
// of the real program.
#include <gtest/gtest.h>

#include "app/DiskApp.h"
#include "app/DiskViewModel.h"
#include "classlib/RecentFileList.h"
#include "tests/app/DiskViewTestSupport.h"
#include "tests/app/support/ProcessWindow.h"
#include "tests/support/ModalScript.h"
#include "views/ViewSettings.h"

#include <commctrl.h>
#include <dlgs.h>

#include <functional>
#include <string>
#include <vector>

using diskviewtest::DrainQueue;

namespace {

// The window's text (the support's own WindowText would be defined twice in this program).
std::string TextOf(HWND w)
{
    char text[512] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

const char kTestAppName[] = "FrameCommands";
const UINT kChooseViewFont = 37425;

class RecordingPrompts : public DiskDocPrompts {
public:
    int Box(const char* text, const char*, UINT) override
    {
        boxes.push_back(text);
        return IDCANCEL;
    }
    std::vector<std::string> boxes;
};

// What the user sees of the hex view's font: the face and cell the system gave it, and the
// bytes that fit a line.
struct ShownFont {
    std::string face;
    int charWidth;
    int lineHeight;
    int bytesPerLine;
};

ShownFont FontShown(CHexView* hex)
{
    ShownFont shown;
    HDC dc = GetDC(hex->m_hWnd);
    HGDIOBJ old = SelectObject(dc, hex->Settings()->normalFont);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(hex->m_hWnd, dc);
    shown.face = face;
    shown.charWidth = hex->Layout().CharWidth();
    shown.lineHeight = hex->Layout().LineHeight();
    shown.bytesPerLine = hex->Model().Layout().BytesPerLine();
    return shown;
}

// Copies of the FAT16 fixture under names the image dialog lists only under "Alle Dateien".
std::vector<std::string> ImageCopies(const std::string& fixture)
{
    std::vector<std::string> copies;
    for (const char* ext : {".dd", ".raw", ""}) {
        const std::string copy = testsupport::BinaryDir() + "\\fixtures\\open-by-path-" +
                                 std::to_string(GetCurrentProcessId()) + ext;
        if (CopyFileA(fixture.c_str(), copy.c_str(), FALSE))
            copies.push_back(copy);
    }
    return copies;
}

class FrameCommandsTest : public ::testing::Test {
protected:
    FrameCommandsTest() : key(kTestAppName) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, kTestAppName, &prompts, &doc, &frame, &view));
        const std::string image = diskviewtest::FixtureImage("fat16.img");
        if (image.empty())
            GTEST_SKIP() << "fat16 fixture missing";
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        frame->SetActiveView(view);
        DrainQueue();
    }

    void TearDown() override
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
    }

    CDiskApp app;
    testsupport::ScratchKey key;
    RecordingPrompts prompts;
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;
};

}  // namespace

TEST_F(FrameCommandsTest, FontDialogAnsweredOkWithoutAChangeKeepsTheFont)
{
    CHexView* hex = view->GetHexView();
    const ShownFont before = FontShown(hex);
    ASSERT_GT(before.bytesPerLine, 0);

    testsupport::ModalScript script;
    std::string face = "(no dialog)";
    script.Add([&](HWND dialog) {
        face = TextOf(GetDlgItem(dialog, cmb1));
        return testsupport::Click(dialog, IDOK);
    });
    script.Run([&] { return hex->SendMessage(WM_COMMAND, kChooseViewFont); });
    DrainQueue();
    // The dialog starts on the face the view shows (the stored one may be a substitute's).
    EXPECT_EQ(face, before.face);

    const ShownFont after = FontShown(hex);
    EXPECT_EQ(after.face, before.face);
    EXPECT_EQ(after.charWidth, before.charWidth);
    EXPECT_EQ(after.lineHeight, before.lineHeight);
    EXPECT_EQ(after.bytesPerLine, before.bytesPerLine);
}

TEST_F(FrameCommandsTest, SplitterDragMovesTheBoundaryBetweenThePanes)
{
    const int split = view->GetSplitPosition();
    CRect hexBefore;
    view->GetHexView()->GetWindowRect(&hexBefore);
    // Pressed on the bar, moved 40 pixels down and released there: the tracking loop reads
    // the queued moves and the release.
    const int barY = split + kSplitterBarHeight / 2;
    view->PostMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, barY + 40));
    view->PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, barY + 40));
    view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, barY));
    DrainQueue();

    EXPECT_EQ(view->GetSplitPosition(), DragSplitPosition(split, 40, [&] {
                  CRect client;
                  view->GetClientRect(&client);
                  return client.Height();
              }()));
    CRect hexAfter, textAfter;
    view->GetHexView()->GetWindowRect(&hexAfter);
    view->GetTextPane()->GetWindowRect(&textAfter);
    EXPECT_EQ(hexAfter.Height(), hexBefore.Height() + 40);
    EXPECT_EQ(textAfter.top - hexAfter.bottom, kSplitterBarHeight);
}

TEST_F(FrameCommandsTest, AboutCommandShowsTheAboutBox)
{
    testsupport::ModalScript script;
    std::string caption, texts;
    script.Add([&](HWND dialog) {
        caption = TextOf(dialog);
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            texts += TextOf(c) + "|";
        return testsupport::Click(dialog, IDOK);
    });
    script.Run([&] { return frame->SendMessage(WM_COMMAND, ID_APP_ABOUT); });
    EXPECT_EQ(caption, "Info über Sektorlupe");
    EXPECT_NE(texts.find("|QN Sektorlupe Version "), std::string::npos) << texts;
    EXPECT_NE(texts.find("Sektoren von Laufwerken, physikalischen"), std::string::npos) << texts;
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(FrameCommandsTest, ImageOfAnyExtensionReopensFromTheRecentList)
{
    app.m_pRecentFileList = new CRecentFileList(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 8);
    const std::string fixture = diskviewtest::FixtureImage("fat16.img");
    const std::vector<std::string> copies = ImageCopies(fixture);
    ASSERT_EQ(copies.size(), 3u);
    for (const std::string& copy : copies) {
        // Opened once as "Eine Image-Datei laden" opens the file chosen, then left for the
        // fixture.
        ASSERT_TRUE(doc->SwitchMedium(DRIVECODE_IMAGE, copy.c_str(), nullptr, nullptr)) << copy;
        ASSERT_STRCASEEQ(app.GetRecentFile(0), copy.c_str());
        ASSERT_TRUE(doc->OnOpenDocument(fixture.c_str()));
        app.AddToRecentFileList(fixture.c_str());

        // The second entry is the copy: picked there it opens again and stays in the list.
        ASSERT_STRCASEEQ(app.GetRecentFile(1), copy.c_str());
        frame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE2);
        DrainQueue();
        EXPECT_TRUE(prompts.boxes.empty()) << copy << ": " << (prompts.boxes.empty() ? "" : prompts.boxes[0]);
        prompts.boxes.clear();
        EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), copy.c_str());
        EXPECT_EQ(doc->GetAreaType(), 2u) << copy;   // the FAT16 boot sector
        EXPECT_STRCASEEQ(app.GetRecentFile(0), copy.c_str());
    }
    ASSERT_TRUE(doc->OnOpenDocument(fixture.c_str()));   // lets go of the last copy
    for (const std::string& copy : copies)
        DeleteFileA(copy.c_str());
}

TEST(OpenByPath, ImageOfAnyExtensionOpensFromTheCommandLine)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string fixture = diskviewtest::FixtureImage("fat16.img");
    if (fixture.empty())
        GTEST_SKIP() << "fat16 fixture missing";
    const std::vector<std::string> copies = ImageCopies(fixture);
    ASSERT_EQ(copies.size(), 3u);
    const std::string program = testsupport::BinaryDir() + "\\Sektorlupe.exe";
    ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES);

    for (const std::string& copy : copies) {
        testsupport::ProcessWindow run;
        ASSERT_TRUE(run.Start("\"" + program + "\" \"" + copy + "\""));
        // The first window is the main one, showing the image: no box that says it could not
        // be opened (which would come first and end the program).
        HWND frame = run.WaitForWindow(nullptr, nullptr, 60000);
        ASSERT_NE(frame, nullptr) << copy;
        ASSERT_NE(testsupport::WindowClassName(frame), "#32770")
            << copy << ": " << testsupport::ListChildWindows(frame).back().text;
        HWND statusBar = testsupport::FindChildWindow(frame, "msctls_statusbar32");
        ASSERT_NE(statusBar, nullptr);
        bool shown = false;
        for (int i = 0; i < 100 && !shown; ++i, Sleep(100)) {
            const int parts = testsupport::StatusBarPartCount(statusBar);
            std::string pane;
            for (int part = 1; part < parts && !shown; ++part)
                shown = testsupport::ReadStatusBarText(statusBar, part, &pane) && pane == "(Img) Sektor 0 ";
        }
        EXPECT_TRUE(shown) << copy;
        DWORD exitCode = 1;
        EXPECT_TRUE(run.CloseAndWait(frame, 30000, &exitCode)) << copy;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QN\\Sektorlupe");
    for (const std::string& copy : copies)
        DeleteFileA(copy.c_str());
}
