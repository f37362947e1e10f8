// A running load and a question about writing own the medium shown: a recent-file pick, a
// dropped file, a step to another sector, closing the window, "Schließen" and the end of the
// session, dispatched by the message loop of the progress dialog or of a question, are all
// refused, and every sector lands on the medium the user confirmed. A medium picked again by
// its name is measured again. In the frame, on copies of a FAT image and on a physical disk
// made of a sparse file.
#include <gtest/gtest.h>

#include "app/DiskApp.h"
#include "disk/DiskCommands.h"
#include "tests/app/DiskViewTestSupport.h"
#include "tests/disk/SectorJobsTestSupport.h"

#include <string>
#include <vector>

using diskviewtest::DrainQueue;

namespace {

const char kLastLoadQuestion[] = "Sollen die Sektoren wirklich überschrieben werden ?";
const char kChangedQuestion[] = "Der Sektor wurde verändert ?\nSoll ergeschrieben werden ?";
const char kDrive5[] = "\\\\.\\PhysicalDrive5";

using doctest::HookedPrompts;
using jobtest::HookedDialogs;

class DiskViewBusyTest : public ::testing::Test {
protected:
    DiskViewBusyTest() : key("DiskViewBusy") {}

    void SetUp() override
    {
        source = diskviewtest::FixtureImage("fat16.img");
        if (source.empty())
            GTEST_SKIP() << "fat16.img was not made (run through ctest)";
        ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, "DiskViewBusy", &prompts, &doc, &frame, &view));
        doc->SetNavDialogs(&dialogs);
        app.LoadStdProfileSettings(8);
        a = doctest::TempPath("busy-a.img");
        b = doctest::TempPath("busy-b.img");
        dump = doctest::TempPath("busy-load.bin");
    }

    void TearDown() override
    {
        prompts.during = nullptr;
        dialogs.hooked.during = nullptr;
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
    }

    // Fresh copies of the image as A and B, A open; a dump of `sectors` noise sectors.
    void FreshMedia(uint32_t sectors)
    {
        doc->CloseImageHandle();                    // the copies replace the files it reads
        ASSERT_TRUE(doctest::CopyFileTo(source, a));
        ASSERT_TRUE(doctest::CopyFileTo(source, b));
        ASSERT_EQ(app.OpenDocumentFile(a.c_str()), doc);
        ASSERT_EQ(std::string(doc->GetImagePath()), a);
        noise.resize(sectors * 512);
        uint32_t seed = sectors;
        for (uint8_t& byte : noise)
            byte = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
        FILE* file = fopen(dump.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        fwrite(noise.data(), 1, noise.size(), file);
        fclose(file);
        aBefore = Bytes(a);
        bWhole = doctest::HashOutside(b, 0, 0);
        app.AddToRecentFileList(b.c_str());         // the pick of the tests: entry 1
        prompts = HookedPrompts();
    }

    static std::vector<uint8_t> Bytes(const std::string& path)
    {
        std::vector<uint8_t> bytes;
        doctest::ReadWholeFile(path, &bytes);
        return bytes;
    }

    // Everything by which a user could reach another medium or another sector meanwhile.
    void TrySwitchesTo(const std::string& path)
    {
        const uint64_t sector = doc->GetCurrentSector();
        frame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
        diskviewtest::DropFile(view, path);
        diskviewtest::DropFile(frame, path);
        app.OpenDocumentFile(path.c_str());
        frame->SendMessage(WM_COMMAND, ID_NEXT_SECTOR);
        EXPECT_EQ(std::string(doc->GetImagePath()), a) << "the medium switched under the operation";
        EXPECT_EQ(doc->GetCurrentSector(), sector);
    }

    // Everything that would close the document or end the program meanwhile.
    void TryClosing()
    {
        const HWND window = frame->m_hWnd;
        frame->SendMessage(WM_CLOSE);
        frame->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
        frame->SendMessage(WM_COMMAND, ID_APP_EXIT);
        EXPECT_TRUE(IsWindow(window));
        if (IsWindow(window)) {
            EXPECT_EQ(frame->SendMessage(WM_QUERYENDSESSION), 0) << "the session may end under the operation";
        }
    }

    // Loads the dump at sector 0 of A; `during` runs under the progress dialog or under the
    // last question.
    void LoadDump(bool underQuestion, std::function<void()> during)
    {
        dialogs.ranges.push_back({ dump, "0", std::to_string(noise.size() / 512) });
        prompts.boxAnswers.push_back(IDOK);
        if (underQuestion) {
            prompts.trigger = kLastLoadQuestion;
            prompts.during = during;
        } else {
            dialogs.hooked.during = during;
        }
        frame->SendMessage(WM_COMMAND, ID_LOAD_SECTORS);
        DrainQueue();
        EXPECT_EQ(dialogs.titles.back(), "Lade Sektoren");
        EXPECT_EQ(prompts.unexpected, 0);
    }

    // The dump landed on A, in its place only; B and the window's names are as before.
    void ExpectLoadedOntoA()
    {
        std::vector<uint8_t> expected = aBefore;
        std::copy(noise.begin(), noise.end(), expected.begin());
        EXPECT_TRUE(Bytes(a) == expected) << "the load did not land on the medium confirmed";
        EXPECT_EQ(doctest::HashOutside(b, 0, 0), bWhole) << "a sector reached the other medium";
        EXPECT_EQ(std::string(doc->GetPathName()), a);
        EXPECT_EQ(std::string(doc->GetTitle()), a.substr(a.rfind('\\') + 1));
    }

    testsupport::ScratchKey key;
    CDiskApp app;
    HookedPrompts prompts;
    HookedDialogs dialogs;
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;
    std::string source, a, b, dump;
    std::vector<uint8_t> noise, aBefore;
    uint64_t bWhole = 0;
};

}  // namespace

// Another medium picked, dropped or stepped to while "Lade Sektoren" runs or while its last
// question is up: refused, and every sector goes to the image confirmed.
TEST_F(DiskViewBusyTest, NoSwitchUnderALoadOrItsLastQuestion)
{
    for (bool underQuestion : { false, true }) {
        SCOPED_TRACE(underQuestion ? "under the last question" : "under the progress dialog");
        ASSERT_NO_FATAL_FAILURE(FreshMedia(64));
        LoadDump(underQuestion, [this] { TrySwitchesTo(b); });
        ExpectLoadedOntoA();
    }
}

// Closing the window, "Schließen", "Beenden" and the end of the session during a load are
// refused: the worker keeps its document, nothing of the load is lost.
TEST_F(DiskViewBusyTest, NoCloseOrLogOffUnderALoad)
{
    ASSERT_NO_FATAL_FAILURE(FreshMedia(48));
    LoadDump(false, [this] { TryClosing(); });
    ExpectLoadedOntoA();
    EXPECT_NE(frame->SendMessage(WM_QUERYENDSESSION), 0) << "after the load the session may end";
}

// A switch or a close dispatched while the write-back question is up does not settle the
// edit a second time inside it: the one answer writes the edit to the image it came from.
TEST_F(DiskViewBusyTest, NoSwitchOrCloseUnderTheWriteBackQuestion)
{
    ASSERT_NO_FATAL_FAILURE(FreshMedia(1));
    doc->SetCurrentSector(5);
    doc->LoadSector(0, 0);
    prompts.boxAnswers = { IDOK, IDYES };       // protection off; "yes" to the write-back
    frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
    ASSERT_TRUE(doc->IsWriteEnabled());
    doc->GetSectorBuffer()[0x77] ^= 0x5A;
    prompts.trigger = kChangedQuestion;
    prompts.during = [this] {
        TrySwitchesTo(b);
        TryClosing();
        frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
    };
    frame->SendMessage(WM_COMMAND, ID_NEXT_SECTOR);
    DrainQueue();
    ASSERT_EQ(prompts.boxes.size(), 2u) << "a second question inside the first";
    EXPECT_EQ(prompts.boxes[1].text, kChangedQuestion);
    std::vector<uint8_t> expected = aBefore;
    expected[5 * 512 + 0x77] ^= 0x5A;
    EXPECT_TRUE(Bytes(a) == expected);
    EXPECT_EQ(doctest::HashOutside(b, 0, 0), bWhole);
    EXPECT_EQ(doc->GetCurrentSector(), 6u);
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ(std::string(doc->GetPathName()), a);
}

// A physical drive picked again from the recent list is measured again: a 512 MB stick
// swapped for a 2 GB disk behind the same number needs the typed "OK" before a write.
TEST_F(DiskViewBusyTest, APhysicalDrivePickedAgainIsMeasuredAgain)
{
    doctest::FakeDiskAccess fake;
    doctest::AccessScope scope(&fake);
    const std::string small = doctest::TempPath("busy-small.img"), big = doctest::TempPath("busy-big.img");
    ASSERT_TRUE(doctest::MakeSparseDisk(source, small, 512ull << 20));
    ASSERT_TRUE(doctest::MakeSparseDisk(source, big, 2048ull << 20));
    fake.files[kDrive5] = small;
    ASSERT_EQ(app.OpenDocumentFile("Physical5"), doc);
    EXPECT_FALSE(doc->GetAskBeforeWrite());
    fake.files[kDrive5] = big;
    const uint64_t bigWhole = doctest::HashOutside(big, 0, 0, 64ull << 20);
    frame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);     // "Physical5", the newest entry
    DrainQueue();
    EXPECT_EQ(doc->GetSectorCount(), (2048ull << 20) / 512);
    EXPECT_TRUE(doc->GetAskBeforeWrite());

    doc->SetCurrentSector(3);
    doc->LoadSector(0, 0);
    prompts.boxAnswers = { IDOK, IDYES };
    prompts.typedAnswers.push_back({ false, "" });         // the typed "OK" is cancelled
    frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
    doc->GetSectorBuffer()[100] ^= 0x81;
    frame->SendMessage(WM_COMMAND, ID_NEXT_SECTOR);
    DrainQueue();
    EXPECT_EQ(prompts.typed.size(), 1u) << "no typed OK was asked";
    EXPECT_EQ(doctest::HashOutside(big, 0, 0, 64ull << 20), bigWhole);
    app.m_pMainWnd->SendMessage(WM_CLOSE);
    DrainQueue();
    DeleteFileA(small.c_str());
    DeleteFileA(big.c_str());
}

// A recent-file pick whose switch the medium shown cancels (its changed sector is refused,
// since another program put another file under its name) keeps the entry in its place: the
// name picked is not to blame, and the next pick opens the same image. A pick that fails for
// its own name (the file is gone) still takes the entry away.
TEST_F(DiskViewBusyTest, ASwitchCancelledByItsPendingWriteKeepsTheRecentEntry)
{
    const char kWriteFailed[] = "Der Sektor konnte nicht geschrieben werden!";
    const struct {
        const char* name;
        bool edit;          // a changed sector of A, whose write is refused
        bool bGone;
        UINT pick;
        std::vector<std::string> listAfter, said;
    } cases[] = {
        { "A picked again", true, false, ID_FILE_MRU_FILE2, { b, a }, { kChangedQuestion, kWriteFailed } },
        { "B picked", true, false, ID_FILE_MRU_FILE1, { b, a }, { kChangedQuestion, kWriteFailed } },
        { "B gone", false, true, ID_FILE_MRU_FILE1, { a }, { "Das Medium konnte nicht geöffnet werden :\n" + b } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(FreshMedia(1));
        ASSERT_STRCASEEQ(app.GetRecentFile(0), b.c_str());
        ASSERT_STRCASEEQ(app.GetRecentFile(1), a.c_str());
        if (c.edit) {
            doc->SetCurrentSector(5);
            doc->LoadSector(0, 0);
            prompts.boxAnswers = { IDOK };
            frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
            ASSERT_TRUE(doc->IsWriteEnabled());
            doc->GetSectorBuffer()[0x77] ^= 0x5A;
            doc->CloseImageHandle();
            ASSERT_TRUE(doctest::CopyFileTo(source, a + ".new"));
            ASSERT_TRUE(MoveFileExA((a + ".new").c_str(), a.c_str(), MOVEFILE_REPLACE_EXISTING));
        }
        if (c.bGone) {
            ASSERT_TRUE(DeleteFileA(b.c_str()));
        }
        prompts.boxes.clear();
        prompts.boxAnswers = { IDYES, IDOK, IDOK };
        frame->SendMessage(WM_COMMAND, c.pick);
        DrainQueue();
        std::vector<std::string> said, list;
        for (const auto& box : prompts.boxes)
            said.push_back(box.text);
        if (c.edit)
            said.resize(said.size() < 2 ? said.size() : 2);       // then why, as the disk suite tests
        EXPECT_EQ(said, c.said);
        for (int i = 0; app.GetRecentFile(i); ++i)
            list.push_back(app.GetRecentFile(i));
        ASSERT_EQ(list.size(), c.listAfter.size());
        for (size_t i = 0; i < list.size(); ++i)
            EXPECT_STRCASEEQ(list[i].c_str(), c.listAfter[i].c_str());
        EXPECT_EQ(std::string(doc->GetImagePath()), a);
        EXPECT_EQ(doc->IsWriteEnabled() != FALSE, c.edit) << "the edit was lost";
        if (c.edit) {
            prompts.boxAnswers = { IDNO };          // dropped, so that the copies can be made again
            EXPECT_TRUE(doc->CanCloseFrame(frame));
        }
        EXPECT_EQ(prompts.unexpected, 0);
    }
}
