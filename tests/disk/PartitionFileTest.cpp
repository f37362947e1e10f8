// "Partitions.txt": the parser line by line, and "Partitionen laden" on a physical disk made
// of an image file whose partition table is empty, with the file in the root of drive P:.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include "disk/PartitionFile.h"
#include <gtest/gtest.h>
#include <memory>
#include <stdio.h>
#include <string.h>

using namespace doctest;

namespace {

PartitionFileRecord Parse(const char* const* lines, size_t n)
{
    PartitionFileParser p;
    for (size_t i = 0; i < n; ++i)
        p.Line(lines[i]);
    return p.Record();
}

}  // namespace

TEST(PartitionFileParser, NumbersAndSections)
{
    const char* lines[] = {
        "SECT=99",                  // before any header: ignored
        "[DRIVES]",
        "SIZE=0x1000",
        "Disk=123456\r\n",           // any key of the drive section; the last one wins
        "[PARTITION0]",
        "SECT=0x800\r\n",
        "SIZE=2048",
        "SHOW=1",
        "  [PARTITION1]",
        "\tSECT\t=\t2048",           // tabs around the key and after "="
        "SIZE=0xfFfF",
        "[PARTITION2]",
        "SECT= 2048",                // a blank after "=" gives 0
        "sect=777",                  // lower case is no key
        "SIZE=5",
        "[PARTITION3]",
        "SECT=18446744073709551617", // wraps past 2^64
        "SIZE 4",                    // no "=": skipped
        "[PARTITION4]",
        "SECT=1",                    // sections 4 to 15 are read and ignored
        "[PARTITION?]",
        "SIZE=1",
        "[SOMETHING]",               // another header keeps section 15
        "SECT=3",
    };
    PartitionFileRecord r = Parse(lines, sizeof lines / sizeof lines[0]);
    EXPECT_EQ(123456u, r.driveSize);
    EXPECT_EQ(2048u, r.sect[0]);
    EXPECT_EQ(2048u, r.size[0]);
    EXPECT_EQ(1u, r.show[0]);
    EXPECT_EQ(2048u, r.sect[1]);
    EXPECT_EQ(0xFFFFu, r.size[1]);
    EXPECT_EQ(0u, r.sect[2]);
    EXPECT_EQ(5u, r.size[2]);
    EXPECT_EQ(1u, r.sect[3]);
    EXPECT_EQ(0u, r.size[3]);
}

TEST(PartitionFileParser, HeaderCharactersAndNumberForms)
{
    PartitionFileParser p;
    p.Line("[PARTITION?]");
    EXPECT_EQ(15, p.Section());
    p.Line("[PARTITION/]");             // below "0": not a header, the section stays
    EXPECT_EQ(15, p.Section());
    p.Line("[PARTITION3");              // no closing bracket
    EXPECT_EQ(15, p.Section());
    p.Line("[drives]");                 // case as written only
    EXPECT_EQ(15, p.Section());
    p.Line("[DRIVES]");
    EXPECT_EQ(PartitionFileParser::kDriveSection, p.Section());
    EXPECT_EQ(0x1Fu, PartitionFileParser::ParseNumber("0X1fz"));
    EXPECT_EQ(12u, PartitionFileParser::ParseNumber("12abc"));
    EXPECT_EQ(0u, PartitionFileParser::ParseNumber("0x"));
    EXPECT_EQ(0u, PartitionFileParser::ParseNumber(""));
    EXPECT_EQ(0u, PartitionFileParser::ParseNumber("-5"));
}

namespace {

const char kDrive6[] = "\\\\.\\PhysicalDrive6";
const uint64_t kFirst = 2048;       // where fat16.img is written
const uint64_t kSecond = 40960;     // where fat12.img is written

class LoadPartitions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fat16 = scantest::FixturePath("fat16.img");
        fat12 = scantest::FixturePath("fat12.img");
        if (!scantest::FileExists(fat16) || !scantest::FileExists(fat12))
            GTEST_SKIP() << "fat16.img or fat12.img was not made";
        if (GetDriveTypeA("P:\\") == DRIVE_NO_ROOT_DIR)
            GTEST_SKIP() << "no drive P: in this prefix (wine-drives.sh not run)";
        disk = TempPath("physical6.img");
        ASSERT_TRUE(MakeSparseDisk("", disk, 64ull << 20));
        ASSERT_TRUE(Place(fat16, kFirst));
        ASSERT_TRUE(Place(fat12, kSecond));
        fake.files[kDrive6] = disk;
        scope.reset(new AccessScope(&fake));
        doc.reset(NewDocument());
        doc->SetPrompts(&prompts);
        ASSERT_TRUE(doc->OnOpenDocument("Physical6"));
        ASSERT_EQ(0x8006u, doc->GetDriveCode());
    }
    void TearDown() override
    {
        DeleteFileA("P:\\Partitions.txt");
        doc.reset();
        scope.reset();
    }

    bool Place(const std::string& image, uint64_t sector)
    {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(image, &bytes))
            return false;
        HANDLE h = CreateFileA(disk.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER pos;
        pos.QuadPart = static_cast<LONGLONG>(sector * 512);
        DWORD done = 0;
        bool ok = SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) &&
                  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
        CloseHandle(h);
        return ok;
    }

    static bool WriteText(const char* text)
    {
        FILE* f = fopen("P:\\Partitions.txt", "wb");
        if (!f)
            return false;
        fputs(text, f);
        return fclose(f) == 0;
    }

    std::string DriveSection() const
    {
        char line[64];
        snprintf(line, sizeof line, "[DRIVES]\r\nSIZE=%llu\r\n", static_cast<unsigned long long>(doc->GetSectorCount()));
        return line;
    }

    // Every area of the image's own scan, moved to `base`, is in the document's table.
    void ExpectVolumeAt(const std::string& image, uint64_t base)
    {
        VolumeScanResult alone;
        ASSERT_TRUE(scantest::ScanImage(image, &alone));
        ASSERT_GT(alone.areas.count, 0u);
        for (uint32_t i = 0; i < alone.areas.count; ++i) {
            bool found = false;
            const AreaTable& a = doc->GetAreas();
            for (uint32_t j = 0; j < a.count && !found; ++j)
                found = a.first[j] == alone.areas.first[i] + base && a.end[j] == alone.areas.end[i] + base &&
                        a.type[j] == alone.areas.type[i];
            EXPECT_TRUE(found) << "area " << alone.areas.first[i] << " of " << image << " not found at base " << base
                               << "\n" << scantest::Describe(doc->GetScan());
        }
    }

    std::string fat16, fat12, disk;
    FakeDiskAccess fake;
    std::unique_ptr<AccessScope> scope;
    ScriptedPrompts prompts;
    std::unique_ptr<CDiskDoc> doc;
};

}  // namespace

TEST_F(LoadPartitions, AddsTheDescribedPartitionsSortedAndScansThem)
{
    EXPECT_EQ(0u, doc->GetPartitionStarts().count) << "the empty disk has partitions already";
    // The second volume is listed first: the starts are kept in order all the same.
    std::string text = DriveSection() + "[PARTITION0]\r\nSECT=40960\r\nSIZE=2880\r\n"
                                        "[PARTITION1]\r\nSECT=0x800\r\nSIZE=16384\r\nSHOW=1\r\n"
                                        "[PARTITION2]\r\nSECT=60000\r\n"          // no size: skipped
                                        "[PARTITION3]\r\nSECT= 70000\r\nSIZE=1\r\n";  // start 0: skipped
    ASSERT_TRUE(WriteText(text.c_str()));
    EXPECT_EQ(2, doc->ReadPartitionFile('P' - 'A'));
    EXPECT_TRUE(prompts.boxes.empty()) << "the size matched, yet the document asked";
    doc->SortAreas();
    const PartitionStartList& starts = doc->GetPartitionStarts();
    ASSERT_EQ(2u, starts.count);
    EXPECT_EQ(kFirst, starts.start[0]);
    EXPECT_EQ(kSecond, starts.start[1]);
    ExpectVolumeAt(fat16, kFirst);
    ExpectVolumeAt(fat12, kSecond);
    // The lookups see both volumes.
    doc->SetCurrentSector(kSecond + 1);
    doc->LoadSector(0, 0);
    EXPECT_EQ(kSecond, doc->GetPartitionStart());
    doc->SetCurrentSector(kFirst + 1);
    doc->LoadSector(0, 0);
    EXPECT_EQ(kFirst, doc->GetPartitionStart());
    // Loading the same file again adds nothing.
    EXPECT_EQ(0, doc->ReadPartitionFile('P' - 'A'));
    EXPECT_EQ(2u, doc->GetPartitionStarts().count);
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(LoadPartitions, SizeQuestionAndRefusals)
{
    ASSERT_TRUE(WriteText("[DRIVES]\r\nSIZE=12345\r\n[PARTITION0]\r\nSECT=2048\r\nSIZE=16384\r\n"));
    prompts.boxAnswers.push_back(IDCANCEL);
    EXPECT_EQ(-5, doc->ReadPartitionFile('P' - 'A'));
    ASSERT_EQ(1u, prompts.boxes.size());
    char expected[400];
    snprintf(expected, sizeof expected,
             "Die Größe in P:\\Partitions.txt:\n    12345\nstimmt nicht mit der Größe des physikalischen "
             "Laufwerks 6:\n    %llu\nüberein, trotzdem weiter machen ?",
             static_cast<unsigned long long>(doc->GetSectorCount()));
    EXPECT_EQ(expected, prompts.boxes[0].text);
    EXPECT_EQ("Warnung", prompts.boxes[0].caption);
    EXPECT_EQ(0u, doc->GetPartitionStarts().count);
    prompts.boxAnswers.push_back(IDOK);
    EXPECT_EQ(1, doc->ReadPartitionFile('P' - 'A'));

    EXPECT_EQ(-1, doc->ReadPartitionFile(26));
    EXPECT_EQ(-1, doc->ReadPartitionFile(-1));
    DeleteFileA("P:\\Partitions.txt");
    EXPECT_EQ(-2, doc->ReadPartitionFile('P' - 'A'));

    // Anything but a physical drive is refused before the file is read.
    std::string image = TempPath("not-physical.img");
    ASSERT_TRUE(MakeSparseDisk("", image, 4096));
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    EXPECT_EQ(-4, doc->ReadPartitionFile('P' - 'A'));
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(LoadPartitions, StartsStayOrderedAndKnownOnesAreNotAddedAgain)
{
    std::string four = DriveSection();
    for (int n = 0; n < 4; ++n) {
        char section[80];
        snprintf(section, sizeof section, "[PARTITION%d]\r\nSECT=%d\r\nSIZE=1\r\n", n, 100 + n);
        four += section;
    }
    ASSERT_TRUE(WriteText(four.c_str()));
    EXPECT_EQ(4, doc->ReadPartitionFile('P' - 'A'));
    std::string more = DriveSection();
    for (int n = 0; n < 4; ++n) {
        char section[80];
        snprintf(section, sizeof section, "[PARTITION%d]\r\nSECT=%d\r\nSIZE=1\r\n", n, 50 - n);
        more += section;
    }
    ASSERT_TRUE(WriteText(more.c_str()));
    EXPECT_EQ(4, doc->ReadPartitionFile('P' - 'A'));
    const PartitionStartList& starts = doc->GetPartitionStarts();
    ASSERT_EQ(8u, starts.count);
    for (uint32_t i = 1; i < starts.count; ++i)
        EXPECT_LT(starts.start[i - 1], starts.start[i]);
    ASSERT_TRUE(WriteText((DriveSection() + "[PARTITION0]\r\nSECT=101\r\nSIZE=1\r\n").c_str()));
    EXPECT_EQ(0, doc->ReadPartitionFile('P' - 'A'));
    EXPECT_EQ(8u, starts.count);
    // With eight starts known a new one is not added either.
    ASSERT_TRUE(WriteText((DriveSection() + "[PARTITION0]\r\nSECT=300\r\nSIZE=1\r\n").c_str()));
    EXPECT_EQ(0, doc->ReadPartitionFile('P' - 'A'));
    EXPECT_EQ(8u, starts.count);
}
