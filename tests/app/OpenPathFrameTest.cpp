// A file named like a physical drive ("Physical1", "physical backup.img"), opened by the ways
// the frame opens a path: the file dialog's full path, the command line's name relative to
// the current folder, and the recent list afterwards from another folder. It is that file, and
// the recent list keeps its full path; the bare drive names the program writes itself still
// open the drive. In the frame, with a physical drive 1 made of a sparse file.
#include <gtest/gtest.h>

#include "app/DiskApp.h"
#include "app/ExpandLongPath.h"
#include "tests/app/DiskViewTestSupport.h"
#include "tests/disk/DiskDocTestSupport.h"

#include <string>

using diskviewtest::DrainQueue;

namespace {

const char kDrive1[] = "\\\\.\\PhysicalDrive1";

class OpenPathFrameTest : public ::testing::Test {
protected:
    OpenPathFrameTest() : key("OpenPathFrame") {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, "OpenPathFrame", &prompts, &doc, &frame, &view));
        app.LoadStdProfileSettings(8);
        folder = doctest::TempPath("open-named");
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(doctest::MakeSparseDisk("", doctest::TempPath("open-named-drive1.img"), 64ull << 20));
        fake.files[kDrive1] = doctest::TempPath("open-named-drive1.img");
        // Drive C: of the steps in between, a disk that opens.
        fake.files["\\\\.\\C:"] = doctest::TempPath("open-named-drive1.img");
        ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(saved);
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
    }

    testsupport::ScratchKey key;
    CDiskApp app;
    doctest::ScriptedPrompts prompts;
    doctest::FakeDiskAccess fake;
    doctest::AccessScope scope{ &fake };
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;
    std::string folder;
    char saved[MAX_PATH] = {};
};

}  // namespace

TEST_F(OpenPathFrameTest, AFileNamedLikeADriveIsThatFileByItsFullPath)
{
    const struct {
        const char* route;
        const char* file;           // made in the folder (null: none)
        std::string given;          // what the route hands over, the folder current
        bool commandLine;           // expanded as the start-up expands its argument
        uint32_t driveCode;
        std::string recent;         // the recent list's newest entry
    } cases[] = {
        { "Datei öffnen", "Physical1", folder + "\\Physical1", false, DRIVECODE_IMAGE, folder + "\\Physical1" },
        { "Befehlszeile", "Physical1", "Physical1", true, DRIVECODE_IMAGE, folder + "\\Physical1" },
        { "Befehlszeile", "physical backup.img", "physical backup.img", true, DRIVECODE_IMAGE,
          folder + "\\physical backup.img" },
        { "relativ", "physical backup.img", "physical backup.img", false, DRIVECODE_IMAGE,
          folder + "\\physical backup.img" },
        { "Befehlszeile, Laufwerk", nullptr, "Physical1", true, 0x8001u, "Physical1" },
        { "Laufwerksname", "Physical1", "Physical1", false, 0x8001u, "Physical1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.route) + ": " + c.given);
        const std::string made = c.file ? folder + "\\" + c.file : std::string();
        if (c.file) {
            ASSERT_TRUE(doctest::MakeSparseDisk("", made, 8192));
        }
        ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
        CString name = c.given.c_str();
        if (c.commandLine)
            ExpandLongPathOf(name);
        CDocument* opened = app.OpenDocumentFile(name);
        DrainQueue();
        SetCurrentDirectoryA(saved);
        ASSERT_EQ(opened, doc);
        EXPECT_EQ(doc->GetDriveCode(), c.driveCode);
        ASSERT_NE(app.GetRecentFile(0), nullptr);
        EXPECT_STRCASEEQ(app.GetRecentFile(0), c.recent.c_str());
        if (c.driveCode == DRIVECODE_IMAGE) {
            EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), made.c_str());
            EXPECT_EQ(doc->GetSectorCount(), 16u);
        }
        // Another medium, then the entry picked from the recent list in another folder: the
        // same medium again.
        ASSERT_EQ(app.OpenDocumentFile("c:"), doc);
        DrainQueue();
        frame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE2);
        DrainQueue();
        EXPECT_EQ(doc->GetDriveCode(), c.driveCode);
        EXPECT_STRCASEEQ(app.GetRecentFile(0), c.recent.c_str());
        if (c.driveCode == DRIVECODE_IMAGE) {
            EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), made.c_str());
        }
        ASSERT_EQ(app.OpenDocumentFile("c:"), doc);     // lets go of the image
        DrainQueue();
        if (c.file)
            DeleteFileA(made.c_str());
    }
    EXPECT_EQ(prompts.unexpected, 0);
}
