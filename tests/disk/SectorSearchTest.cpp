// "Suche in Sektoren" and "Weiter in Sekoren" on an image with planted values: every hit of
// a walk lies exactly where grep finds the value in the same image, across sector and
// window ends; groups are found where their entries lie within the distance; a write empties
// the held window, a shorter range ends where it ends, and a hit selects the bytes compared.
#include "SectorJobsTestSupport.h"
#include "NavTestSupport.h"
#include "ScanTestSupport.h"
#include "disk/DiskCommands.h"
#include "views/ValueSearchLists.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <memory>

using namespace doctest;
using jobtest::JobDialogs;
using jobtest::PatternOf;

namespace {

const char kSlmarke[] = "T:7\t:53 4C 4D 41 52 4B 45";
const char kGruppe[] = "T:7\t:47 52 55 50 50 45 31";
const char kZweites[] = "T:7\t:5A 57 45 49 54 45 53";

class SectorSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!scantest::FileExists(scantest::FixturePath("search.img")))
            GTEST_SKIP() << "search.img was not made";
        image = TempPath("search-copy.img");
        ASSERT_TRUE(CopyFileTo(scantest::FixturePath("search.img"), image));
        doc.reset(NewDocument());
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        SetHexFindDialogSeam(&jobtest::AnswerFind);
    }
    void TearDown() override
    {
        SetHexFindDialogSeam(nullptr);
        doc.reset();
    }

    // The search over the sectors [first, first + count), then "Weiter" until nothing more
    // is found: the byte offset of every hit.
    std::vector<uint64_t> Walk(const std::string& pattern, uint32_t flags, uint64_t first = 0, uint64_t count = 32768)
    {
        jobtest::g_find = { pattern, flags };
        dialogs.ranges.push_back({ "", std::to_string(first), std::to_string(count) });
        doc->OnSearchSectors();
        std::vector<uint64_t> hits;
        while (doc->GetHitSector() != ~0ull && hits.size() < 100) {
            hits.push_back(doc->GetHitSector() * 512 + doc->GetHitOffset());
            EXPECT_EQ(doc->GetCurrentSector(), doc->GetHitSector());
            EXPECT_EQ(doc->GetHitLength(), 7u);
            doc->OnContinueSearch();
        }
        return hits;
    }

    static std::vector<uint64_t> Found(const char* name)
    {
        std::ifstream in(scantest::FixturePath(std::string("search.img.") + name + ".offsets"));
        std::vector<uint64_t> offsets;
        for (uint64_t at; in >> at;)
            offsets.push_back(at);
        return offsets;
    }

    std::string image;
    ScriptedPrompts prompts;
    JobDialogs dialogs;
    std::unique_ptr<CDiskDoc> doc;
};

}  // namespace

TEST_F(SectorSearch, WalksHitEveryPlaceGrepFinds)
{
    EXPECT_EQ(Walk(PatternOf("", { kSlmarke }), 0), Found("exact"));
    EXPECT_EQ(Walk(PatternOf("", { "T:7 /G\t:73 6C 6D 61 72 6B 65" }), 0), Found("nocase"));
    // A wildcard first byte: the hit still covers the seven bytes compared, not value and mask.
    EXPECT_EQ(Walk(PatternOf("", { "M:14\t:00 4C 4D 41 52 4B 45 00 FF FF FF FF FF FF" }), 0), Found("masked"));
    ASSERT_FALSE(Found("exact").empty());
    // Behind the real dialog, the scan runs on its worker thread.
    dialogs.realProgress = true;
    EXPECT_EQ(Walk(PatternOf("", { kSlmarke }), 0), Found("exact"));
    dialogs.realProgress = false;
    EXPECT_EQ(dialogs.titles.front(), "Suche in Sektoren");
    EXPECT_EQ(dialogs.infos.front(), "Sektoren von 0 bis 32768");
    EXPECT_EQ(dialogs.forms.front(), CSectorRangeDlg::FORM_RANGE);
    // The direction is fixed; "Weitersuchen" is offered, and ending the dialog with it keeps
    // the pattern but searches nothing: the sector stays and no hit is taken.
    EXPECT_EQ(jobtest::g_find.openedWith & (VSF_FORWARD_ONLY | VSF_NO_FIND_NEXT), static_cast<uint32_t>(VSF_FORWARD_ONLY));
    const uint64_t before = doc->GetCurrentSector();
    jobtest::g_find = { PatternOf("", { kSlmarke }), 0 };
    jobtest::g_find.result = FIND_VALUE_AGAIN;
    dialogs.ranges.push_back({ "", "0", "32768" });
    doc->OnSearchSectors();
    EXPECT_EQ(jobtest::g_find.runs, 1);
    EXPECT_EQ(doc->GetHitSector(), ~0ull);
    EXPECT_EQ(doc->GetCurrentSector(), before);
    // A range past the medium's end is cut there: the value in the image's last bytes is
    // found and nothing is read beyond them.
    EXPECT_EQ(Walk(PatternOf("", { kSlmarke }), 0, 32760, 100), std::vector<uint64_t>{ Found("exact").back() });
    // Nothing to search for: nothing found, no question.
    EXPECT_TRUE(Walk(PatternOf("", {}), 0).empty());
    EXPECT_EQ(prompts.unexpected, 0);
}

// The value dialog of the search in sectors is the hex view's: it opens where that one was
// left, with its byte count, and what is chosen in it holds for the hex view's next search.
TEST_F(SectorSearch, TheValueDialogSharesItsPlaceAndByteCountWithTheHexView)
{
    ValueSearchSettings& shared = GetValueSearchSettings();
    ResetValueSearchSettings(&shared);
    shared.dialogX = shared.dialogY = 40;
    shared.dialogPlaced = 1;
    shared.byteCountChoice = 1;
    jobtest::g_find = { PatternOf("", { kSlmarke }), 0 };
    jobtest::g_find.movedTo = 90;
    dialogs.ranges.push_back({ "", "0", "1" });
    doc->OnSearchSectors();
    EXPECT_EQ(jobtest::g_find.seenX, 40);
    EXPECT_EQ(jobtest::g_find.seenCount, 1);
    EXPECT_EQ(shared.dialogX, 90);
    EXPECT_EQ(shared.dialogPlaced, 1);
    EXPECT_EQ(shared.byteCountChoice, 0);
    // The lists stay the document's own.
    EXPECT_EQ(shared.pattern, nullptr);
    ResetValueSearchSettings(&shared);
}

// A first value with the second within 1000 bytes after it, or (without the order kept)
// before it.
TEST_F(SectorSearch, GroupsAreFoundWhereTheirEntriesLieWithinTheDistance)
{
    const std::vector<uint64_t> first = Found("first"), second = Found("second");
    for (bool ordered : { false, true }) {
        std::vector<uint64_t> expected;
        for (uint64_t m : first) {
            bool group = false;
            for (uint64_t z : second)
                group = group || (z >= m + 7 && z + 7 <= m + 1000) || (!ordered && z + 1000 >= m && z + 7 <= m);
            if (group)
                expected.push_back(m);
        }
        ASSERT_GE(expected.size(), 2u + (ordered ? 0 : 1));
        EXPECT_EQ(Walk(PatternOf("1000", { kGruppe, kZweites }), VSF_GROUP | (ordered ? static_cast<uint32_t>(VSF_KEEP_ORDER) : 0u)), expected)
            << (ordered ? "ordered" : "unordered");
    }
}

// A write empties the window the search holds, so "Weiter" reads the written sector anew;
// a new, shorter range ends at its own end even on a window that holds more.
TEST_F(SectorSearch, WritesAndShorterRangesDoNotSeeTheHeldWindow)
{
    std::vector<uint64_t> hits = Walk(PatternOf("", { kSlmarke }), 0);
    ASSERT_GE(hits.size(), 2u);
    jobtest::g_find = { PatternOf("", { kSlmarke }), 0 };
    dialogs.ranges.push_back({ "", "0", "32768" });
    doc->OnSearchSectors();
    ASSERT_EQ(doc->GetHitSector() * 512 + doc->GetHitOffset(), hits[0]);
    uint8_t sector[512] = { 'S', 'L', 'M', 'A', 'R', 'K', 'E' };
    ASSERT_TRUE(doc->WriteSectors(DRIVECODE_IMAGE, 2, 1, sector));
    doc->OnContinueSearch();
    EXPECT_EQ(doc->GetHitSector() * 512 + doc->GetHitOffset(), 1024u) << "the held window was searched";

    // Sectors 0 to 2 only: the value across the end of sector 0 and the one just written.
    const size_t runs = dialogs.titles.size();
    EXPECT_EQ(Walk(PatternOf("", { kSlmarke }), 0, 0, 3), (std::vector<uint64_t>{ hits[0], 1024 }));
    EXPECT_EQ(dialogs.titles.size(), runs) << "three sectors ran behind the progress dialog";
}

// Patterns that find nothing or cannot be read end the search quietly: an unreadable entry,
// sixteen entries of 256 bytes, a group of distance 0. A distance of 2^31 - 1 finds at
// least the groups of distance 1000, and only first values.
TEST_F(SectorSearch, OddPatternsEndCleanly)
{
    std::string bytes = "41";
    for (int i = 1; i < 256; ++i)
        bytes += " 41";
    const std::vector<std::string> sixteen(16, "U:256\t:" + bytes);
    doc->SetCurrentSector(5);
    ASSERT_TRUE(doc->LoadSector(0, 0));
    EXPECT_TRUE(Walk(PatternOf("", { "X" }), 0).empty());
    EXPECT_EQ(doc->GetCurrentSector(), 5u) << "a search without a hit moved";
    EXPECT_TRUE(Walk(PatternOf("0", sixteen), VSF_GROUP).empty());
    EXPECT_TRUE(Walk(PatternOf("0", { kGruppe, kZweites }), VSF_GROUP).empty());
    const std::vector<uint64_t> closeBy = Walk(PatternOf("1000", { kGruppe, kZweites }), VSF_GROUP);
    const std::vector<uint64_t> wide = Walk(PatternOf("2147483647", { kGruppe, kZweites }), VSF_GROUP);
    const std::vector<uint64_t> first = Found("first");
    ASSERT_FALSE(closeBy.empty());
    EXPECT_TRUE(std::includes(wide.begin(), wide.end(), closeBy.begin(), closeBy.end()));
    EXPECT_TRUE(std::includes(first.begin(), first.end(), wide.begin(), wide.end()));
    EXPECT_EQ(prompts.unexpected, 0);
}

// On 2048-byte sectors the search runs in 512-byte units: every hit of a walk names the
// sector and the byte within it where a plain scan of the image file finds the value (the
// volume descriptors' "CD001" at byte 1, a number of a file's text deep in its sector).
TEST(SectorSearchCd, HitsNameTheSectorAndByteOfLargeSectors)
{
    const std::string iso = scantest::FixturePath("iso9660.img");
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(iso, &bytes))
        GTEST_SKIP() << "iso9660.img was not made";
    ScriptedPrompts prompts;
    JobDialogs dialogs;
    std::unique_ptr<CDiskDoc> doc(NewDocument());
    doc->SetPrompts(&prompts);
    doc->SetNavDialogs(&dialogs);
    ASSERT_TRUE(doc->OnOpenDocument(iso.c_str()));
    ASSERT_EQ(doc->GetBytesPerSector(), 2048u);
    SetHexFindDialogSeam(&jobtest::AnswerFind);
    const struct {
        std::string value, line;
    } values[] = { { "CD001", "T:5\t:43 44 30 30 31" }, { "1000\n", "T:5\t:31 30 30 30 0A" } };
    bool deep = false;
    for (const auto& v : values) {
        SCOPED_TRACE(v.line);
        std::vector<uint64_t> expected;
        for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), v.value.begin(), v.value.end())) != bytes.end(); ++at) {
            expected.push_back(static_cast<uint64_t>(at - bytes.begin()));
            deep = deep || expected.back() % 2048 >= 512;
        }
        ASSERT_FALSE(expected.empty());
        jobtest::g_find = { PatternOf("", { v.line }), 0 };
        dialogs.ranges.push_back({ "", "0", std::to_string(doc->GetSectorCount()) });
        doc->OnSearchSectors();
        std::vector<uint64_t> hits;
        while (doc->GetHitSector() != ~0ull && hits.size() < 100) {
            hits.push_back(doc->GetHitSector() * 2048 + doc->GetHitOffset());
            EXPECT_EQ(doc->GetCurrentSector(), doc->GetHitSector());
            doc->OnContinueSearch();
        }
        EXPECT_EQ(hits, expected);
    }
    EXPECT_TRUE(deep) << "no value lies behind a sector's first unit";
    SetHexFindDialogSeam(nullptr);
    // "Weiter in Sekoren" goes on until the medium is opened again.
    EXPECT_EQ(navtest::EnabledState(*doc, ID_CONTINUE_SEARCH), 1);
    ASSERT_TRUE(doc->OnOpenDocument(iso.c_str()));
    EXPECT_EQ(navtest::EnabledState(*doc, ID_CONTINUE_SEARCH), 0);
    EXPECT_EQ(prompts.unexpected, 0);
}

// A medium that fails to read ends the search with "Lesefehler" (behind the progress dialog
// through its question, else in the document's box) and a beep, the current sector and the
// search's place kept: "Weiter in Sekoren" reads the same place again and finds the value.
// Behind the dialog its text line names the window's sector and the range's end.
TEST_F(SectorSearch, AReadErrorKeepsThePlaceForWeiter)
{
    const char kDrive5[] = "\\\\.\\PhysicalDrive5";
    FakeDiskAccess fake;
    AccessScope scope(&fake);
    const std::string disk = TempPath("search-physical5.img");
    ASSERT_TRUE(MakeSparseDisk(scantest::FixturePath("search.img"), disk, 64ull << 20));
    fake.files[kDrive5] = disk;
    ASSERT_TRUE(doc->OnOpenDocument("Physical5"));
    ASSERT_FALSE(Found("exact").empty());
    // A value far into the image; the range starts ten sectors before its sector.
    const uint64_t hit = Found("exact")[Found("exact").size() - 2];
    const uint64_t first = hit / 512 - 10;
    struct Case {
        uint64_t count;
        bool behindDialog;
    } const cases[] = { { 12, false }, { 2000, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        // Opened anew: the window the search holds goes with the medium.
        ASSERT_TRUE(doc->OnOpenDocument("Physical5"));
        doc->SetCurrentSector(3);
        doc->LoadSector(0, 0);
        prompts.boxes.clear();
        dialogs.progress = jobtest::FakeProgress();
        fake.failingUnits[first + 3] = 1;
        if (!c.behindDialog)
            prompts.boxAnswers.push_back(IDOK);
        jobtest::g_find = { PatternOf("", { kSlmarke }), 0 };
        dialogs.ranges.push_back({ "", std::to_string(first), std::to_string(c.count) });
        doc->OnSearchSectors();
        EXPECT_EQ(~0ull, doc->GetHitSector());
        EXPECT_EQ(3u, doc->GetCurrentSector());
        const std::vector<std::string> said = { "Fehler: Lesefehler" };
        if (c.behindDialog) {
            EXPECT_EQ(said, dialogs.progress.questions);
            EXPECT_TRUE(prompts.boxes.empty());
            ASSERT_FALSE(dialogs.progress.texts.empty());
            EXPECT_EQ("Sektor " + std::to_string(first) + " (bis " + std::to_string(first + c.count) + ")",
                      dialogs.progress.texts.front());
        } else {
            ASSERT_EQ(1u, prompts.boxes.size());
            EXPECT_EQ("Lesefehler", prompts.boxes[0].text);
            EXPECT_EQ("Fehler", prompts.boxes[0].caption);
            EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), prompts.boxes[0].type);
            EXPECT_TRUE(dialogs.progress.questions.empty());
        }
        // The failure is used up: the same place is read again and the value found.
        doc->OnContinueSearch();
        EXPECT_EQ(hit, doc->GetHitSector() * 512 + doc->GetHitOffset());
        EXPECT_EQ(hit / 512, doc->GetCurrentSector());
    }
    EXPECT_EQ(prompts.unexpected, 0);
}
