// The ext superblock printer on the superblocks of the fixture images, compared with what
// `dumpe2fs -h` reports about the same images (tests/disk/make-images.sh saves its output
// as <image>.dumpe2fs.txt).
#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>
#include <time.h>

#include "PrinterTestSupport.h"
#include "textlib/SiNumber.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kExtSuperblock = 21;

// The value text of the line with the label ("  Label  : value").
std::string ExtValue(const TestPrinter& p, const std::string& label)
{
    const int line = p.FindLine("  " + label + " ");
    return line < 0 ? std::string("<no line " + label + ">") : FieldValue(p.Line(line));
}



// "Mon Dec  7 00:10:42 2026" (what dumpe2fs prints) as the printer's "2026-12-07 00:10:42";
// dumpe2fs's "n/a" for a time of 0 as that second in local time, from the run-time's own
// conversion.
std::string YmdTimeOf(const std::string& text)
{
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char out[32];
    if (text == "n/a") {
        __time32_t zero = 0;
        const struct tm* t = _localtime32(&zero);
        if (!t)
            return "<no local time for 0>";
        StrPrintf(out, "%04d-%02d-%02d %02d:%02d:%02d", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_hour,
                  t->tm_min, t->tm_sec);
        return out;
    }
    char wday[8], mon[8];
    int day = 0, h = 0, m = 0, s = 0, year = 0;
    if (sscanf(text.c_str(), "%7s %7s %d %d:%d:%d %d", wday, mon, &day, &h, &m, &s, &year) != 7)
        return "<bad time " + text + ">";
    int month = 0;
    for (int i = 0; i < 12; ++i) {
        if (strcmp(mon, months[i]) == 0)
            month = i + 1;
    }
    StrPrintf(out, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, h, m, s);
    return out;
}

// A UUID as dumpe2fs prints it, in the upper case the printer shows.
std::string UpperOf(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string SiText(uint64_t bytes)
{
    char text[32];
    FormatSiNumber(static_cast<DWORD>(bytes), static_cast<DWORD>(bytes >> 32), text, SIN_PRINTER_SIZE, 1, nullptr);
    return text;
}

// The exponent in front of a log-size text ("2  (4,0 KB)") and the text in brackets.
void SplitLogSize(const std::string& value, uint32_t* exponent, std::string* size)
{
    *exponent = static_cast<uint32_t>(atoi(value.c_str()));
    size_t open = value.find('(');
    size_t close = value.rfind(')');
    *size = (open == std::string::npos || close == std::string::npos) ? std::string()
                                                                       : value.substr(open + 1, close - open - 1);
}

class ExtSuperblockFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(ExtSuperblockFixture, FieldsEqualDumpe2fs)
{
    const std::string image = FixturePath(std::string(GetParam()) + ".img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".dumpe2fs.txt", report);

    // The superblock is at byte 1024: sectors 2 and 3 of the image.
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, 1024, 512, &sector));
    TestPrinter p;
    ASSERT_TRUE(p.OpenImage(image));
    p.currentSector = 2;
    p.Run(kExtSuperblock, sector);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(1), " SUPERBLOCK");

    uint64_t v = 0;
    struct {
        const char* tool;
        const char* label;
    } numbers[] = {
        {"Inode count:", "InodesCount"},           {"Block count:", "BlocksCountLo"},
        {"Reserved block count:", "ReservedBlocksCountLo"}, {"Free blocks:", "FreeBlocksCountLo"},
        {"Free inodes:", "FreeInodesCount"},       {"First block:", "FirstDataBlock"},
        {"Blocks per group:", "BlocksPerGroup"},   {"Fragments per group:", "FragsPerGroup"},
        {"Inodes per group:", "InodesPerGroup"},   {"Mount count:", "MountCount"},
        {"Filesystem revision #:", "RevLevel"},    {"First inode:", "FirstInode"},
        {"Inode size:", "InodeSize"},              {"Reserved GDT blocks:", "ReservedGdtBlocks"},
        {"Journal inode:", "JournalInodeNumber"},  {"Required extra isize:", "MinExtraInodeSize"},
        {"Desired extra isize:", "WantExtraIsize"}, {"Group descriptor size:", "DescSize"},
        {"Overhead clusters:", "OverheadClusters"},
    };
    int compared = 0;
    for (const auto& n : numbers) {
        if (!NumberAfter(report, n.tool, &v))
            continue;   // dumpe2fs leaves out what the file system does not use
        EXPECT_EQ(ExtValue(p, n.label), Dec(v)) << n.tool;
        ++compared;
    }
    EXPECT_GE(compared, 14);

    // The journal inode is 0 on ext2, whose report has no such line.
    if (report.find("Journal inode:") == std::string::npos) {
        EXPECT_EQ(ExtValue(p, "JournalInodeNumber"), "0");
    }

    ASSERT_TRUE(NumberAfter(report, "Filesystem magic number:", &v));
    EXPECT_EQ(v, 0xEF53u);
    EXPECT_EQ(ExtValue(p, "Magic"), "EF53h");

    // dumpe2fs prints the 16-bit maximum mount count signed.
    std::string text;
    ASSERT_TRUE(TextAfter(report, "Maximum mount count:", &text));
    EXPECT_EQ(ExtValue(p, "MaxMountCount"), Dec(static_cast<uint16_t>(atoi(text.c_str()))));

    // Block and cluster sizes count from 1024 bytes.
    uint32_t exponent = 0;
    std::string size;
    ASSERT_TRUE(NumberAfter(report, "Block size:", &v));
    SplitLogSize(ExtValue(p, "LogBlockSize"), &exponent, &size);
    EXPECT_EQ(1024ull << exponent, v);
    EXPECT_EQ(size, SiText(v));
    ASSERT_TRUE(NumberAfter(report, "Fragment size:", &v) || NumberAfter(report, "Cluster size:", &v));
    SplitLogSize(ExtValue(p, "LogClusterSize"), &exponent, &size);
    EXPECT_EQ(1024ull << exponent, v);
    EXPECT_EQ(size, SiText(v));
    if (NumberAfter(report, "Flex block group size:", &v)) {
        SplitLogSize(ExtValue(p, "LogGroupsPerFlex"), &exponent, &size);
        EXPECT_EQ(1ull << exponent, v);
        EXPECT_EQ(size, SiText(v));
    }

    ASSERT_TRUE(TextAfter(report, "Filesystem volume name:", &text));
    EXPECT_EQ(ExtValue(p, "VolumeName"), "'" + text + "'");
    // The UUIDs are byte strings: shown as dumpe2fs (and blkid) shows them, byte by byte,
    // in upper case.
    ASSERT_TRUE(TextAfter(report, "Filesystem UUID:", &text));
    EXPECT_EQ(ExtValue(p, "Uuid"), UpperOf(text));
    if (std::string(GetParam()) == "ext2odd")
        ASSERT_TRUE(TextAfter(report, "Journal UUID:", &text)) << "the image was made without its journal UUID";
    else if (!TextAfter(report, "Journal UUID:", &text))
        text = "00000000-0000-0000-0000-000000000000";
    EXPECT_EQ(ExtValue(p, "JournalUuid[12]"), UpperOf(text));
    const struct {
        const char* tool;
        const char* label;
    } times[] = {
        {"Filesystem created:", "MkfsTime"},
        {"Last write time:", "WriteTime"},
        {"Last mount time:", "MountTime"},
        {"Last checked:", "LastCheckTime"},
    };
    for (const auto& t : times) {
        ASSERT_TRUE(TextAfter(report, t.tool, &text)) << t.tool;
        EXPECT_EQ(ExtValue(p, t.label), YmdTimeOf(text)) << t.tool;
    }
    // The error times, which dumpe2fs shows once an error was counted.
    const bool errors = NumberAfter(report, "FS Error count:", &v) && v != 0;
    const char* const errorTimes[][2] = {{"First error time:", "FirstErrorTime"}, {"Last error time:", "LastErrorTime"}};
    for (const auto& t : errorTimes) {
        EXPECT_EQ(errors, TextAfter(report, t[0], &text)) << t[0];
        if (errors) {
            EXPECT_EQ(ExtValue(p, t[1]), YmdTimeOf(text)) << t[0];
        }
    }
    if (NumberAfter(report, "Checksum:", &v)) {
        char hex[16];
        StrPrintf(hex, "%08X", static_cast<uint32_t>(v));
        EXPECT_EQ(ExtValue(p, "Checksum"), hex);
    }

    // The neighbour came from the image: one unit, the sector behind the current one.
    ASSERT_EQ(p.reads.size(), 1u);
    EXPECT_EQ(p.reads[0].first, 3u);
    EXPECT_EQ(p.reads[0].second, 1u);
}

// ext2hi: high words of the block counts on a volume without the 64bit feature, which the
// counts do not include. ext4late: times from 2040 to 2100, past 2^31 seconds.
INSTANTIATE_TEST_SUITE_P(Images, ExtSuperblockFixture,
                         ::testing::Values("ext2", "ext3", "ext4", "ext2odd", "ext2hi", "ext4late"));

TEST(ExtSuperblock, SecondHalfShowsTheSameLinesAndMarksOnlyItsOwnFields)
{
    const std::string image = FixturePath("ext4.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(LoadBytes(image, 1024, 512, &first));
    ASSERT_TRUE(LoadBytes(image, 1536, 512, &second));
    TestPrinter a, b;
    ASSERT_TRUE(a.OpenImage(image));
    ASSERT_TRUE(b.OpenImage(image));
    a.currentSector = 2;
    a.Run(kExtSuperblock, first);
    b.currentSector = 3;
    b.Run(kExtSuperblock, second);
    EXPECT_EQ(a.Text(), b.Text());
    ASSERT_EQ(b.reads.size(), 1u);
    EXPECT_EQ(b.reads[0].first, 2u);

    // InodesCount (offset 0) lies in the first half, MountOpts (512) and Checksum (1020) in
    // the second.
    const int inodes = a.FindLine("  InodesCount ");
    const int mountOpts = a.FindLine("  MountOpts ");
    const int checksum = a.FindLine("  Checksum ");
    ASSERT_GE(inodes, 0);
    ASSERT_GE(mountOpts, 0);
    ASSERT_GE(checksum, 0);
    ASSERT_NE(a.MarkAt(inodes, 5), nullptr);
    EXPECT_EQ(a.MarkAt(inodes, 5)->byteOffset, 0);
    EXPECT_EQ(a.MarkAt(inodes, 5)->byteLength, 4);
    EXPECT_EQ(a.MarkAt(checksum, 5), nullptr);
    EXPECT_EQ(b.MarkAt(inodes, 5), nullptr);
    ASSERT_NE(b.MarkAt(mountOpts, 5), nullptr);
    EXPECT_EQ(b.MarkAt(mountOpts, 5)->byteOffset, 0);
    EXPECT_EQ(b.MarkAt(mountOpts, 5)->byteLength, 64);
    ASSERT_NE(b.MarkAt(checksum, 5), nullptr);
    EXPECT_EQ(b.MarkAt(checksum, 5)->byteOffset, 508);
}

TEST(ExtSuperblock, LargeSectorHoldsTheWholeSuperblockAtByte1024)
{
    const std::string image = FixturePath("ext4.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> big;
    ASSERT_TRUE(LoadBytes(image, 0, 4096, &big));
    std::vector<uint8_t> first;
    ASSERT_TRUE(LoadBytes(image, 1024, 512, &first));
    TestPrinter p, ref;
    ASSERT_TRUE(ref.OpenImage(image));
    ref.currentSector = 2;
    ref.Run(kExtSuperblock, first);
    p.unitsPerSector = 8;
    p.Run(kExtSuperblock, big);
    EXPECT_EQ(p.Text(), ref.Text());
    EXPECT_TRUE(p.reads.empty());
    const int inodes = p.FindLine("  InodesCount ");
    ASSERT_NE(p.MarkAt(inodes, 5), nullptr);
    EXPECT_EQ(p.MarkAt(inodes, 5)->byteOffset, 1024);
}

TEST(ExtSuperblock, MissingNeighbourShowsZeros)
{
    const std::string image = FixturePath("ext4.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> first;
    ASSERT_TRUE(LoadBytes(image, 1024, 512, &first));
    TestPrinter p;
    ASSERT_TRUE(p.OpenImage(image));
    p.failReads = true;
    p.currentSector = 2;
    p.Run(kExtSuperblock, first);
    EXPECT_EQ(ExtValue(p, "Magic"), "EF53h");
    EXPECT_EQ(ExtValue(p, "Checksum"), "00000000");
    EXPECT_EQ(ExtValue(p, "MountOpts"), "''");

    // Without a document nothing is read at all.
    TestPrinter none;
    none.hasDocument = false;
    none.currentSector = 2;
    none.Run(kExtSuperblock, first);
    EXPECT_EQ(ExtValue(none, "Magic"), "EF53h");
    EXPECT_EQ(ExtValue(none, "Checksum"), "00000000");
}

TEST(ExtSuperblock, SectorZeroWithoutMagicReadsNoPreviousSector)
{
    std::vector<uint8_t> sector(512, 0);
    TestPrinter p;
    p.currentSector = 0;
    p.Run(kExtSuperblock, sector);
    EXPECT_TRUE(p.reads.empty());
    EXPECT_EQ(ExtValue(p, "InodesCount"), "0");
    EXPECT_EQ(ExtValue(p, "LogBlockSize"), "0  (1,0 KB)");
    EXPECT_EQ(ExtValue(p, "LogGroupsPerFlex"), "0  (1 Byte)");
}

TEST(ExtSuperblock, HighWordsJoinTheBlockCountsAndTextsStopAtTheirWidth)
{
    std::vector<uint8_t> sb(1024, 0);
    sb[56] = 0x53;
    sb[57] = 0xEF;
    sb[4] = 16;        // BlocksCountLo
    sb[336] = 1;       // BlocksCountHi
    sb[96] = 0x80;     // the 64bit feature, which makes it part of the count
    sb[28] = 2;        // LogClusterSize
    sb[372] = 4;       // LogGroupsPerFlex
    memset(&sb[48], 0xFF, 4);   // WriteTime past what a signed 32-bit time holds: 2106
    memset(&sb[120], 'V', 16);   // a volume name without its terminator ...
    memset(&sb[136], 'L', 64);   // ... followed by the last mounted path
    sb[104] = 0x01;
    sb[105] = 0x02;
    sb[106] = 0x03;
    sb[107] = 0x04;
    sb[108] = 0x05;
    sb[109] = 0x06;
    sb[110] = 0x07;
    sb[111] = 0x08;
    for (int i = 8; i < 16; ++i)
        sb[104 + i] = static_cast<uint8_t>(0x10 + i);

    TestPrinter p;
    p.hasDocument = false;
    p.Run(kExtSuperblock, sb);
    EXPECT_EQ(ExtValue(p, "BlocksCountLo"), Dec((1ull << 32) + 16));
    EXPECT_EQ(ExtValue(p, "BlocksCountHi"), "0001h");
    EXPECT_EQ(ExtValue(p, "LogClusterSize"), "2  (" + SiText(4096) + ")");
    EXPECT_EQ(ExtValue(p, "LogGroupsPerFlex"), "4  (" + SiText(16) + ")");
    EXPECT_EQ(ExtValue(p, "VolumeName"), "'" + std::string(16, 'V') + "'");
    EXPECT_EQ(ExtValue(p, "LastMounted"), "'" + std::string(64, 'L') + "'");
    EXPECT_EQ(ExtValue(p, "Uuid"), "01020304-0506-0708-1819-1A1B1C1D1E1F");
    // A time of 0 is the first second of 1970 in local time; the last a field holds, 2^32 - 1
    // seconds, is in February 2106 (as dumpe2fs shows it), not a time before 1970.
    EXPECT_EQ(ExtValue(p, "MountTime"), YmdTimeOf("n/a"));
    __time64_t last = 0xFFFFFFFFll;
    const struct tm* t = _localtime64(&last);
    ASSERT_NE(t, nullptr);
    char expect[32];
    StrPrintf(expect, "%04d-%02d-%02d %02d:%02d:%02d", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_hour,
              t->tm_min, t->tm_sec);
    EXPECT_EQ(ExtValue(p, "WriteTime"), expect);
}

TEST(ExtSuperblock, ColoursLabelColonAndValue)
{
    std::vector<uint8_t> sb(512, 0);
    sb[56] = 0x53;
    sb[57] = 0xEF;
    TestPrinter p;
    p.hasDocument = false;
    p.Run(kExtSuperblock, sb);
    const int magic = p.FindLine("  Magic ");
    ASSERT_GE(magic, 3);
    EXPECT_TRUE(p.CellHasColour(1, 3, PC_BLUE));
    EXPECT_TRUE(p.CellHasColour(magic, 25, PC_GREEN));
    EXPECT_TRUE(p.CellHasColour(magic, 27, PC_RED));
}

}  // namespace
