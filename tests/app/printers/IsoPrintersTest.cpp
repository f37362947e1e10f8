// The ISO 9660 printers on the sectors of the fixture image made by xorriso (or genisoimage),
// compared with what `isoinfo -d` and `isoinfo -l` / `isoinfo -J -l` report about it
// (tests/disk/make-images.sh saves them as iso9660.img.isoinfo.txt, .isolist.txt and
// .isolistj.txt).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kVolumeDescriptor = 12;
const int kPathTable = 13;
const int kDirectory = 14;
const uint32_t kCdSector = 2048;

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(' ');
    size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string IsoValue(const TestPrinter& p, const std::string& label)
{
    const int line = p.FindLine("  " + label + " ");
    return line < 0 ? std::string("<no line " + label + ">") : FieldValue(p.Line(line));
}

// One entry of an `isoinfo -l` listing.
struct ListedFile {
    std::string dir;    // "/", "/SUB/"
    std::string name;   // as isoinfo shows it (with ";1", "." and "..")
    uint64_t size;
    uint32_t extent;
    bool directory;
};

std::vector<ListedFile> ParseListing(const std::string& text)
{
    std::vector<ListedFile> files;
    std::string dir;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.compare(0, 21, "Directory listing of ") == 0) {
            dir = Trim(line.substr(21));
            continue;
        }
        size_t open = line.find('[');
        size_t close = line.find(']');
        if (line.size() < 10 || open == std::string::npos || close == std::string::npos)
            continue;
        ListedFile f;
        f.dir = dir;
        f.directory = line[0] == 'd';
        f.extent = static_cast<uint32_t>(strtoul(line.c_str() + open + 1, nullptr, 10));
        f.name = Trim(line.substr(close + 1));
        // The size is the number in front of the month name.
        std::string head = line.substr(0, open);
        size_t month = head.find_first_of("ADFJMNOS", 10);
        std::string before = Trim(head.substr(0, month));
        size_t lastBlank = before.find_last_of(' ');
        f.size = strtoull(before.c_str() + (lastBlank == std::string::npos ? 0 : lastBlank + 1), nullptr, 10);
        files.push_back(f);
    }
    return files;
}

std::string StripVersion(const std::string& name)
{
    return name.size() > 2 && name.compare(name.size() - 2, 2, ";1") == 0 ? name.substr(0, name.size() - 2) : name;
}

bool LoadCdSector(const std::string& image, uint32_t sector, std::vector<uint8_t>* bytes)
{
    return LoadBytes(image, static_cast<uint64_t>(sector) * kCdSector, kCdSector, bytes);
}

TEST(IsoVolumeDescriptor, PrimaryDescriptorEqualsIsoinfo)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".isoinfo.txt", report);
    std::vector<uint8_t> vd;
    ASSERT_TRUE(LoadCdSector(image, 16, &vd));
    TestPrinter p;
    p.Run(kVolumeDescriptor, vd);
    SCOPED_TRACE(p.Text());

    EXPECT_EQ(p.Line(1), " VOLUME DESKRIPTOR");
    EXPECT_EQ(IsoValue(p, "Descriptor Type"), "01h");
    EXPECT_EQ(IsoValue(p, "Descriptor ID"), "CD001");
    std::string text;
    struct {
        const char* tool;
        const char* label;
    } texts[] = {{"System id:", "System Identifier"},   {"Volume id:", "Volume Identifier"},
                 {"Volume set id:", "VolumeSet ID"},    {"Publisher id:", "Publisher ID"},
                 {"Data preparer id:", "DataPreparer ID"}, {"Application id:", "Application ID"},
                 {"Copyright File id:", "Copyright File ID"}, {"Abstract File id:", "Abstract File ID"},
                 {"Bibliographic File id:", "Bibliographic ID"}};
    for (const auto& t : texts) {
        ASSERT_TRUE(TextAfter(report, t.tool, &text)) << t.tool;
        EXPECT_EQ(Trim(IsoValue(p, t.label)), Trim(text)) << t.tool;
    }
    uint64_t v = 0;
    struct {
        const char* tool;
        const char* label;
    } numbers[] = {{"Volume size is:", "Volume Size"},
                   {"Logical block size is:", "Logical Block Size"},
                   {"Volume set size is:", "VolumeSet Size"},
                   {"Volume set sequence number is:", "VolumeSet Seq.Nr."}};
    for (const auto& n : numbers) {
        ASSERT_TRUE(NumberAfter(report, n.tool, &v)) << n.tool;
        EXPECT_EQ(IsoValue(p, n.label), std::to_string(v)) << n.tool;
    }

    // The root directory record: its extent and size are those of "." in the root listing.
    std::string listing;
    NEED_REPORT(image + ".isolist.txt", listing);
    std::vector<ListedFile> files = ParseListing(listing);
    ASSERT_FALSE(files.empty());
    ASSERT_EQ(files[0].name, ".");
    char expect[64];
    StrPrintf(expect, "Sec=%7u Len=%12u", files[0].extent, static_cast<uint32_t>(files[0].size));
    EXPECT_NE(IsoValue(p, "Root Directory").find(expect), std::string::npos);
    // A directory without a name: the D letter ends the line.
    const std::string rootText = IsoValue(p, "Root Directory");
    EXPECT_EQ(rootText.substr(rootText.size() - 4), "_D  ");

    // The dates of a made image are digit dates.
    EXPECT_EQ(IsoValue(p, "Volume Creation").size(), strlen("07.Dec.2026  00:10:42.000"));
}

TEST(IsoVolumeDescriptor, JolietAndTerminatorDescriptors)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".isoinfo.txt", report);
    std::string volumeId;
    ASSERT_TRUE(TextAfter(report, "Volume id:", &volumeId));
    bool sawJoliet = false, sawTerminator = false;
    for (uint32_t s = 16; s < 32 && !sawTerminator; ++s) {
        std::vector<uint8_t> vd;
        ASSERT_TRUE(LoadCdSector(image, s, &vd));
        TestPrinter p;
        p.Run(kVolumeDescriptor, vd);
        if (vd[0] == 2) {
            // The 16-bit big-endian identifiers of Joliet show as 8-bit text.
            sawJoliet = true;
            EXPECT_EQ(Trim(IsoValue(p, "Volume Identifier")), Trim(volumeId)) << p.Text();
            EXPECT_EQ(IsoValue(p, "Descriptor ID"), "CD001");
        } else if (vd[0] == 255) {
            sawTerminator = true;
            EXPECT_EQ(p.LineCount(), 7) << p.Text();
            EXPECT_EQ(IsoValue(p, "Descriptor Type"), "FFh");
            EXPECT_EQ(p.FindLine("  Volume Identifier "), -1);
        }
    }
    EXPECT_TRUE(sawJoliet);
    EXPECT_TRUE(sawTerminator);
}

TEST(IsoVolumeDescriptor, NumbersOfAllThirtyTwoBitsShowUnsigned)
{
    // A primary descriptor whose 32-bit fields hold values of 2^31 and more: a volume of
    // more than 4 TiB, path tables that large and that far in.
    const char* const labels[4] = {"Volume Size", "PathTable Size", "PathTable 1", "PathTable 2"};
    const uint32_t offsets[4] = {80, 132, 140, 144};
    const uint32_t values[4] = {0x89ABCDEFu, 0x87654321u, 0x80000001u, 0xFFFFFFFFu};
    std::vector<uint8_t> vd(2048, 0);
    vd[0] = 1;
    memcpy(&vd[1], "CD001", 5);
    vd[6] = 1;
    for (int i = 0; i < 4; ++i)
        PutU32(&vd[offsets[i]], values[i]);
    TestPrinter p;
    p.Run(kVolumeDescriptor, vd);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(IsoValue(p, labels[i]), Dec(values[i])) << p.Text();
}

TEST(IsoVolumeDescriptor, ShortLoadShowsOnlyTheFieldsItHolds)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> vd;
    ASSERT_TRUE(LoadCdSector(image, 16, &vd));
    TestPrinter full, part;
    full.Run(kVolumeDescriptor, vd);
    part.Run(kVolumeDescriptor, vd.data(), 512);
    // Up to the publisher identifier (318 + 128 = 446) everything is in the first 512 bytes.
    for (int line = 0; line < part.LineCount(); ++line)
        EXPECT_EQ(part.Line(line), full.Line(line));
    EXPECT_GE(part.FindLine("  Publisher ID "), 0);
    EXPECT_EQ(part.FindLine("  DataPreparer ID "), -1);
    EXPECT_EQ(part.FindLine("  FileStructure Ver. "), -1);

    TestPrinter empty;
    empty.Run(kVolumeDescriptor, vd.data(), 0);
    EXPECT_EQ(empty.LineCount(), 3);
}

// The lines of a directory sector as isoinfo lists the directory.
void ExpectDirectoryAsListed(const std::string& image, const std::string& listingName, const std::string& dir,
                             bool joliet)
{
    std::string listing;
    ASSERT_TRUE(LoadText(image + listingName, &listing));
    std::vector<ListedFile> all = ParseListing(listing);
    std::vector<ListedFile> files;
    for (const ListedFile& f : all) {
        if (f.dir == dir)
            files.push_back(f);
    }
    ASSERT_GE(files.size(), 3u);
    ASSERT_EQ(files[0].name, ".");
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadCdSector(image, files[0].extent, &sector));
    TestPrinter p;
    p.Run(kDirectory, sector);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(1), " CD VERZEICHNIS");
    ASSERT_EQ(p.LineCount(), 3 + static_cast<int>(files.size()));
    for (size_t i = 0; i < files.size(); ++i) {
        const ListedFile& f = files[i];
        const std::string line = p.Line(3 + static_cast<int>(i));
        char expect[64];
        StrPrintf(expect, "  Ex=  0 Sec=%7u Len=%12u  ", f.extent, static_cast<uint32_t>(f.size));
        EXPECT_EQ(line.substr(0, strlen(expect)), expect) << f.name;
        ASSERT_GE(line.size(), 66u) << f.name;
        EXPECT_EQ(line[63], f.directory ? 'D' : '_') << f.name;
        // The records of the directory itself and of its parent end in the "." and ".." that
        // isoinfo shows for them; files show their name without the version ";1".
        EXPECT_EQ(line.substr(66), StripVersion(f.name)) << (joliet ? "Joliet" : "ISO 9660");
    }
}

TEST(IsoDirectory, RecordsEqualIsoinfoListing)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    if (!FileExists(image + ".isolist.txt"))
        GTEST_SKIP() << "no isoinfo listing";
    ExpectDirectoryAsListed(image, ".isolist.txt", "/", false);
    ExpectDirectoryAsListed(image, ".isolist.txt", "/SUB/", false);
    // The same image with README.TXT grown to 3 GiB in its record: its size unsigned.
    const std::string big = FixturePath("isobig.img");
    NEED_FIXTURE(big);
    if (!FileExists(big + ".isolist.txt"))
        GTEST_SKIP() << "no isoinfo listing of isobig.img";
    ExpectDirectoryAsListed(big, ".isolist.txt", "/", false);
}

TEST(IsoDirectory, JolietRecordsEqualIsoinfoJolietListing)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    if (!FileExists(image + ".isolistj.txt"))
        GTEST_SKIP() << "no isoinfo listing";
    ExpectDirectoryAsListed(image, ".isolistj.txt", "/", true);
    ExpectDirectoryAsListed(image, ".isolistj.txt", "/sub/", true);
}

TEST(IsoDirectory, FindsTheFirstRecordInsideASectorAndStopsAtZeroLength)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    std::string listing;
    NEED_REPORT(image + ".isolist.txt", listing);
    std::vector<ListedFile> files = ParseListing(listing);
    ASSERT_FALSE(files.empty());
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadCdSector(image, files[0].extent, &sector));
    TestPrinter whole;
    whole.Run(kDirectory, sector);
    // Start the data in the middle of the first record: the search skips to the second.
    std::vector<uint8_t> shifted(sector.begin() + 10, sector.end());
    TestPrinter p;
    p.Run(kDirectory, shifted);
    ASSERT_EQ(p.LineCount(), whole.LineCount() - 1) << p.Text();
    for (int i = 3; i < p.LineCount(); ++i)
        EXPECT_EQ(p.Line(i), whole.Line(i + 1));

    // A loaded size of 0, or too small for one record, lists nothing and reads nothing.
    for (uint32_t size : {0u, 1u, 8u, 33u}) {
        TestPrinter q;
        q.Run(kDirectory, sector.data(), size);
        EXPECT_EQ(q.LineCount(), 3) << size;
    }
}

// A directory record of 34 bytes with a one-byte identifier.
void PutDirRecord(uint8_t* r, uint32_t extent, uint32_t length, uint8_t flags, uint8_t year, uint8_t id)
{
    memset(r, 0, 34);
    r[0] = 34;
    for (int i = 0; i < 4; ++i) {
        r[2 + i] = static_cast<uint8_t>(extent >> (8 * i));
        r[9 - i] = static_cast<uint8_t>(extent >> (8 * i));
        r[10 + i] = static_cast<uint8_t>(length >> (8 * i));
        r[17 - i] = static_cast<uint8_t>(length >> (8 * i));
    }
    if (year) {
        r[18] = year;
        r[19] = 9;
        r[20] = 30;
        r[21] = 12;
        r[22] = 34;
        r[23] = 56;
    }
    r[25] = flags;
    r[28] = 1;
    r[31] = 1;
    r[32] = 1;
    r[33] = id;
}

TEST(IsoDirectory, FirstRecordNeedsAPlausibleDateUnlessAnUndatedDirectory)
{
    std::vector<uint8_t> sector(2048, 0);
    PutDirRecord(&sector[0], 40, 100, 0, 40, 'A');     // a file dated 1940: not a first record
    PutDirRecord(&sector[34], 41, 200, 0, 123, 'B');   // 2023
    PutDirRecord(&sector[68], 42, 300, 0, 20, 'C');    // listed without a check
    TestPrinter p;
    p.Run(kDirectory, sector);
    ASSERT_EQ(p.LineCount(), 5) << p.Text();
    EXPECT_EQ(p.Line(3), "  Ex=  0 Sec=     41 Len=         200  30.Sep.2023  12:34:56  __  B");
    EXPECT_EQ(p.Line(4).substr(p.Line(4).size() - 1), "C");

    // A directory whose date bytes are all zero may start the listing.
    PutDirRecord(&sector[0], 40, 2048, 2, 0, 0);
    TestPrinter q;
    q.Run(kDirectory, sector);
    ASSERT_EQ(q.LineCount(), 6) << q.Text();
    EXPECT_EQ(q.Line(3), "  Ex=  0 Sec=     40 Len=        2048  00.000.1900  00:00:00  _D  .");

    // A data length of 2^31 or more is unsigned, as the medium holds it.
    PutDirRecord(&sector[0], 40, 0x80000000u, 0, 100, 'X');
    TestPrinter r;
    r.Run(kDirectory, sector);
    EXPECT_NE(r.Line(3).find("Len=  " + Dec(0x80000000u) + "  "), std::string::npos) << r.Text();

    // An extent 2^24 sectors or more into the disc is shown whole, and the rest of the line
    // keeps its colours one column further on.
    PutDirRecord(&sector[0], 0x01234567u, 0xFFFFFFFFu, 2, 100, 'X');
    TestPrinter t;
    t.Run(kDirectory, sector);
    EXPECT_EQ(t.Line(3), "  Ex=  0 Sec=" + Dec(0x01234567u) + " Len=  " + Dec(0xFFFFFFFFu) +
                             "  30.Sep.2000  12:34:56  _D  X") << t.Text();
    EXPECT_TRUE(t.CellHasColour(3, 20, PC_RED));         // the eighth digit
    EXPECT_TRUE(t.CellHasColour(3, 25, PC_GREEN));       // the '=' behind "Len"
    EXPECT_TRUE(t.CellHasColour(3, 42, PC_STANDARD));    // the '.' behind the day
    EXPECT_TRUE(t.CellHasColour(3, 64, PC_STANDARD));    // the D letter
    EXPECT_TRUE(t.CellHasColour(3, 67, PC_CYAN));        // the identifier
    EXPECT_TRUE(t.CellHasColour(4, 41, PC_STANDARD));    // the next record's line is not moved
}

TEST(IsoDirectory, VersionSuffixMonthNamesAndFlags)
{
    std::vector<uint8_t> sector(2048, 0);
    PutDirRecord(&sector[0], 41, 200, 3, 123, 'B');   // hidden directory
    // ";1" alone stays; "A;1" loses its version.
    PutDirRecord(&sector[34], 42, 10, 0, 123, ';');
    sector[34] = 36;
    sector[34 + 32] = 2;
    sector[34 + 34] = '1';
    PutDirRecord(&sector[70], 43, 10, 0, 123, 'A');
    sector[70] = 36;
    sector[70 + 32] = 3;
    sector[70 + 34] = ';';
    sector[70 + 35] = '1';
    // Month values outside 1 to 12: 0 shows "000", 13 to 15 "???".
    PutDirRecord(&sector[106], 44, 10, 0, 123, 'C');
    sector[106 + 19] = 13;
    PutDirRecord(&sector[140], 45, 10, 0, 123, 'D');
    sector[140 + 19] = 0;
    TestPrinter p;
    p.Run(kDirectory, sector);
    SCOPED_TRACE(p.Text());
    ASSERT_EQ(p.LineCount(), 8);
    EXPECT_EQ(p.Line(3), "  Ex=  0 Sec=     41 Len=         200  30.Sep.2023  12:34:56  HD  B");
    EXPECT_EQ(p.Line(4), "  Ex=  0 Sec=     42 Len=          10  30.Sep.2023  12:34:56  __  ;1");
    EXPECT_EQ(p.Line(5), "  Ex=  0 Sec=     43 Len=          10  30.Sep.2023  12:34:56  __  A");
    EXPECT_EQ(p.Line(6), "  Ex=  0 Sec=     44 Len=          10  30.???.2023  12:34:56  __  C");
    EXPECT_EQ(p.Line(7), "  Ex=  0 Sec=     45 Len=          10  30.000.2023  12:34:56  __  D");

}

TEST(IsoPathTable, TypeLAndTypeMListTheDirectoriesOfTheListing)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    std::string listing;
    NEED_REPORT(image + ".isolist.txt", listing);
    std::vector<ListedFile> files = ParseListing(listing);
    // The directories in path table order (root, then its subdirectories): each "." entry.
    std::vector<ListedFile> dirs;
    for (const ListedFile& f : files) {
        if (f.name == ".")
            dirs.push_back(f);
    }
    ASSERT_EQ(dirs.size(), 2u);

    std::vector<uint8_t> vd;
    ASSERT_TRUE(LoadCdSector(image, 16, &vd));
    const uint32_t typeL = vd[140] | (vd[141] << 8) | (vd[142] << 16) | (static_cast<uint32_t>(vd[143]) << 24);
    const uint32_t typeM = (static_cast<uint32_t>(vd[148]) << 24) | (vd[149] << 16) | (vd[150] << 8) | vd[151];
    for (uint32_t location : {typeL, typeM}) {
        std::vector<uint8_t> table;
        ASSERT_TRUE(LoadCdSector(image, location, &table));
        TestPrinter p;
        p.Run(kPathTable, table);
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(p.Line(1), " CD PFAD TABELLE");
        ASSERT_EQ(p.LineCount(), 3 + 2);
        char expect[80];
        StrPrintf(expect, "  Ex=  0 Sec=%7u Parent=    1  ", dirs[0].extent);
        EXPECT_EQ(p.Line(3), expect);
        StrPrintf(expect, "  Ex=  0 Sec=%7u Parent=    1  SUB", dirs[1].extent);
        EXPECT_EQ(p.Line(4), expect);
    }
}

TEST(IsoPathTable, OddIdentifierIsFollowedByPaddingAndSizeZeroReadsNothing)
{
    // Root (identifier 0x00, one byte, padded), "ABC" (odd, padded), "DE" (even), and "F"
    // 2^24 sectors and more into the disc.
    const uint8_t table[] = {1, 0, 20, 0, 0, 0, 1, 0, 0, 0,
                             3, 0, 21, 0, 0, 0, 1, 0, 'A', 'B', 'C', 0,
                             2, 0, 30, 0, 0, 0, 2, 0, 'D', 'E',
                             1, 0, 0x67, 0x45, 0x23, 0x01, 3, 0, 'F', 0};
    std::vector<uint8_t> sector(table, table + sizeof(table));
    sector.resize(2048, 0);
    TestPrinter p;
    p.Run(kPathTable, sector);
    ASSERT_EQ(p.LineCount(), 7) << p.Text();
    EXPECT_EQ(p.Line(4), "  Ex=  0 Sec=     21 Parent=    1  ABC");
    EXPECT_EQ(p.Line(5), "  Ex=  0 Sec=     30 Parent=    2  DE");
    EXPECT_EQ(p.Line(6), "  Ex=  0 Sec=" + Dec(0x01234567u) + " Parent=    3  F");
    EXPECT_TRUE(p.CellHasColour(6, 28, PC_GREEN));       // the '=' behind "Parent", one column on
    EXPECT_TRUE(p.CellHasColour(6, 36, PC_CYAN));        // the identifier
    for (uint32_t size : {0u, 1u, 7u, 8u}) {
        TestPrinter q;
        q.Run(kPathTable, sector.data(), size);
        EXPECT_EQ(q.LineCount(), 3) << size;
    }
}

}  // namespace
