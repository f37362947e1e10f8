// What the user sees of "Sektoren speichern" and "Sektoren laden" while they run: the bar's
// range and its positions in sectors (also where a sector holds four 512-byte units), the
// buttons and icons of the workers' questions, the transfer size on the floppy drives, and
// the start options dialog's own texts.
#include "SectorJobsTestSupport.h"
#include "ScanTestSupport.h"
#include "disk/SectorJobs.h"
#include "disk/StartOptionsDialog.h"
#include "tests/support/ModalScript.h"
#include <gtest/gtest.h>
#include <memory>

using namespace doctest;

namespace {

// A progress sink that also keeps the button and icon flags of every question.
class FlagProgress : public jobtest::FakeProgress {
public:
    std::vector<UINT> types;
    int AskUser(const char* text, const char* caption, UINT type) override
    {
        types.push_back(type);
        return FakeProgress::AskUser(text, caption, type);
    }
};

// The range dialog as the other copy tests answer it, and the progress runs kept: their
// range and the positions the worker set, with the worker run on the test's thread.
class RangeDialogs : public jobtest::JobDialogs {
public:
    std::vector<std::pair<uint64_t, uint64_t>> bars;
    FlagProgress flagged;
    INT_PTR RunProgress(const ProgressRun& run) override
    {
        bars.push_back({ run.start, run.end });
        flagged.run = &run;
        run.worker(&flagged, run.params);
        flagged.run = nullptr;
        return IDOK;
    }
};

std::string Questions(const std::vector<std::string>& asked)
{
    std::string all;
    for (const std::string& q : asked)
        all += q + "|";
    return all;
}

}  // namespace

// The bar runs from the range's first sector to its end, and each chunk sets the sector it
// starts at: on 512-byte sectors and on the CD image's 2048-byte ones, saving and loading.
TEST(SectorCopyProgress, TheBarCountsSectorsOfTheRange)
{
    struct Case {
        const char* image;
        uint32_t bytesPerSector;
        bool load;
        uint64_t first;
    } cases[] = {
        { "fat16.img", 512, false, 3 },
        { "fat16.img", 512, true, 3 },
        { "iso9660.img", 2048, false, 2 },
        { "iso9660.img", 2048, true, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.image) + (c.load ? " load" : " save"));
        const std::string source = scantest::FixturePath(c.image);
        if (!scantest::FileExists(source))
            GTEST_SKIP() << c.image << " was not made";
        const std::string image = TempPath("progress-image.img");
        ASSERT_TRUE(CopyFileTo(source, image));
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        ScriptedPrompts prompts;
        RangeDialogs dialogs;
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        ASSERT_EQ(doc->GetBytesPerSector(), c.bytesPerSector);
        const uint32_t u = c.bytesPerSector / 512;
        const uint64_t chunk = SectorChunkUnits(doc->GetSectorCount(), u, DRIVECODE_IMAGE, ~0ull) / u;
        ASSERT_GT(chunk, 1u);
        const uint64_t count = 2 * chunk + 1;   // two whole chunks and one sector
        const std::string file = TempPath("progress-dump.bin");
        if (c.load) {
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(ReadFileBytes(source, c.first * c.bytesPerSector, static_cast<uint32_t>(count * c.bytesPerSector),
                                      &bytes));
            FILE* f = fopen(file.c_str(), "wb");
            ASSERT_TRUE(f != nullptr);
            fwrite(bytes.data(), 1, bytes.size(), f);
            fclose(f);
            prompts.boxAnswers.push_back(IDOK);     // "Sollen die Sektoren wirklich ..."
        } else {
            DeleteFileA(file.c_str());
        }
        dialogs.ranges.push_back({ file, std::to_string(c.first), std::to_string(count) });
        if (c.load)
            doc->OnLoadSectors();
        else
            doc->OnSaveSectors();
        ASSERT_EQ(dialogs.bars.size(), 1u);
        EXPECT_EQ(dialogs.bars[0].first, c.first);
        EXPECT_EQ(dialogs.bars[0].second, c.first + count);
        const std::vector<uint64_t> expected = { c.first, c.first + chunk, c.first + 2 * chunk };
        EXPECT_EQ(dialogs.flagged.positions, expected);
        EXPECT_EQ(Questions(dialogs.flagged.questions), "");
        EXPECT_EQ(prompts.unexpected, 0);
        doc.reset();
        DeleteFileA(file.c_str());
        DeleteFileA(image.c_str());
    }
}

// The workers' questions: a medium that keeps failing asks Abort/Retry/Ignore with the error
// icon; a dump that cannot be written and a source file that ends early are told with OK and
// the error icon, once.
TEST(SectorCopyProgress, WorkerQuestionsHaveTheirButtons)
{
    const std::string fat16 = scantest::FixturePath("fat16.img");
    if (!scantest::FileExists(fat16))
        GTEST_SKIP() << "fat16.img was not made";
    FakeDiskAccess fake;
    AccessScope scope(&fake);
    const std::string disk = TempPath("progress-physical5.img");
    ASSERT_TRUE(MakeSparseDisk(fat16, disk, 64ull << 20));
    fake.files["\\\\.\\PhysicalDrive5"] = disk;
    const std::string shortFile = TempPath("progress-short.bin");
    const std::string dump = TempPath("progress-failing.bin");
    {
        FILE* f = fopen(shortFile.c_str(), "wb");
        ASSERT_TRUE(f != nullptr);
        fputs("not even one sector", f);
        fclose(f);
    }
    enum Way { SAVE_FAILING_DISK, LOAD_FAILING_DISK, SAVE_UNWRITABLE_DUMP, LOAD_SHORT_FILE };
    const struct Case {
        Way way;
        const char* question;
        UINT type;
    } cases[] = {
        { SAVE_FAILING_DISK, "Fehler: Fehler beim Lesen vom Laufwerk !|", MB_ABORTRETRYIGNORE | MB_ICONERROR },
        { LOAD_FAILING_DISK, "Fehler: Fehler beim Schreiben aufs Laufwerk !|", MB_ABORTRETRYIGNORE | MB_ICONERROR },
        { SAVE_UNWRITABLE_DUMP, "Fehler: Fehler beim schreiben in die Zieldatei.|", MB_OK | MB_ICONERROR },
        { LOAD_SHORT_FILE, "Fehler: Fehler beim Lesen aus der Datei !|", MB_OK | MB_ICONERROR },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question);
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        ScriptedPrompts prompts;
        RangeDialogs dialogs;
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
        ASSERT_TRUE(doc->OnOpenDocument("Physical5"));
        FlagProgress progress;
        progress.answers.push_back(IDABORT);
        fake.failingUnits.clear();
        switch (c.way) {
        case SAVE_FAILING_DISK:
        case LOAD_FAILING_DISK:
            fake.failingUnits[101] = -1;
            dialogs.ranges.push_back({ c.way == SAVE_FAILING_DISK ? dump : fat16, "100", "4" });
            dialogs.flagged = progress;
            if (c.way == SAVE_FAILING_DISK) {
                DeleteFileA(dump.c_str());
                doc->OnSaveSectors();
            } else {
                prompts.boxAnswers.push_back(IDOK);
                doc->OnLoadSectors();
            }
            progress = dialogs.flagged;
            break;
        case SAVE_UNWRITABLE_DUMP: {
            // A stream open for reading refuses every write.
            FILE* f = fopen(shortFile.c_str(), "rb");
            ASSERT_TRUE(f != nullptr);
            doc->SaveSectorsWork(progress, f, 0, 4);
            break;
        }
        case LOAD_SHORT_FILE: {
            FILE* f = fopen(shortFile.c_str(), "rb");
            ASSERT_TRUE(f != nullptr);
            doc->LoadSectorsWork(progress, f, 200, 4, doc->CurrentMedium());
            break;
        }
        }
        EXPECT_EQ(Questions(progress.questions), c.question);
        EXPECT_EQ(progress.types, std::vector<UINT>(1, c.type));
        EXPECT_EQ(prompts.unexpected, 0);
    }
    fake.failingUnits.clear();
    DeleteFileA(dump.c_str());
    DeleteFileA(shortFile.c_str());
}

// Drives A and B move 4096 bytes a chunk (whole sectors still, and never below one sector);
// drive C and every other medium the share of the medium.
TEST(SectorCopyProgress, FloppyDrivesMoveSmallChunks)
{
    const struct {
        uint64_t sectors;
        uint32_t unitsPerSector, driveCode;
        uint32_t units;
    } cases[] = {
        // 2880 sectors: a 128th is 22 units, cut to 8 on A: and B:.
        { 2880, 1, 0, 8 },  { 2880, 1, 1, 8 },  { 2880, 1, 2, 22 }, { 2880, 1, 0xC000, 22 },
        // a CD in drive B: two of its sectors are 8 units, still 4096 bytes.
        { 50000, 4, 1, 8 }, { 50000, 4, 2, 388 },
        // 64 KB sectors: one whole sector rather than a part of one.
        { 1000, 128, 1, 128 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(SectorChunkUnits(c.sectors, c.unitsPerSector, c.driveCode, ~0ull), c.units)
            << c.sectors << " sectors, drive " << c.driveCode;
}

// The start options dialog says what it offers: its caption, the group and the four
// choices in the order of their modes, and its two buttons.
TEST(StartOptionsTexts, CaptionGroupChoicesAndButtons)
{
    CStartOptionsDlg dlg;
    std::vector<std::string> seen;
    testsupport::ModalScript script;
    script.Add([&](HWND d) {
        char text[128];
        GetWindowTextA(d, text, sizeof text);
        seen.push_back(text);
        // The group box has no id of its own: it is the child that holds "Laufwerk".
        for (HWND child = GetWindow(d, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(child) == 0xFFFF || GetDlgCtrlID(child) == -1) {
                GetWindowTextA(child, text, sizeof text);
                seen.push_back(text);
            }
        }
        for (int id : { 1035, 1036, 1037, 1038, IDOK, IDCANCEL }) {
            GetDlgItemTextA(d, id, text, sizeof text);
            seen.push_back(text);
        }
        return testsupport::Click(d, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    const std::vector<std::string> expected = { "Startoptionen",        "Zu öffnentes Laufwerk",
                                                "Immer C: öffnen",      "Immer D: öffnen",
                                                "Kein Laufwerk öffnen", "Letztes Laufwerk öffnen",
                                                "OK",                   "Cancel" };
    EXPECT_EQ(seen, expected);
}
