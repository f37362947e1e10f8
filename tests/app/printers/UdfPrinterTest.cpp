// The ECMA-167 descriptor printer on the descriptors of the fixture UDF images (mkudffs and
// genisoimage -udf), compared with what `udfinfo` reports about them and with the names
// `isoinfo -J -l` lists (tests/disk/make-images.sh saves both beside the images).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <set>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kUdf = 17;
const uint32_t kBlock = 2048;

std::string UdfValue(const TestPrinter& p, const std::string& label, int from = 0)
{
    const int line = p.FindLine("  " + label + " ", from);
    return line < 0 ? std::string("<no line " + label + ">") : FieldValue(p.Line(line));
}

// "start=96, blocks=16, type=MVDS" of udfinfo.
bool UdfExtent(const std::string& report, const std::string& type, uint32_t* start, uint32_t* blocks)
{
    size_t at = report.find(", type=" + type + "\n");
    if (at == std::string::npos)
        return false;
    size_t line = report.rfind('\n', at);
    line = line == std::string::npos ? 0 : line + 1;
    unsigned s = 0, b = 0;
    if (sscanf(report.c_str() + line, "start=%u, blocks=%u", &s, &b) != 2)
        return false;
    *start = s;
    *blocks = b;
    return true;
}

std::string ToolText(const std::string& report, const std::string& key)
{
    std::string value;
    return TextAfter(report, "\n" + key + "=", &value) ? value : std::string("<no " + key + ">");
}

const std::string kOk = std::string(StatusMarkerText) + "OK";
const std::string kWrong = std::string(StatusMarkerText) + "WRONG";

void ExpectVerdicts(const TestPrinter& p, int from, const std::string& checksum, const std::string& crc)
{
    const std::string header = UdfValue(p, "Header CRC", from);
    const std::string descriptor = UdfValue(p, "Descriptor CRC", from);
    EXPECT_EQ(header.substr(header.size() - checksum.size()), checksum) << p.Text();
    EXPECT_EQ(descriptor.substr(descriptor.size() - crc.size()), crc) << p.Text();
}

class UdfImage : public ::testing::TestWithParam<const char*> {};

TEST_P(UdfImage, AnchorPointsWhereUdfinfoFindsTheSequences)
{
    const std::string image = FixturePath(std::string(GetParam()) + ".img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".udfinfo.txt", report);
    uint32_t mainStart = 0, mainBlocks = 0, reserveStart = 0, reserveBlocks = 0;
    ASSERT_TRUE(UdfExtent(report, "MVDS", &mainStart, &mainBlocks));
    ASSERT_TRUE(UdfExtent(report, "RVDS", &reserveStart, &reserveBlocks));
    // udfinfo lists the anchors it found (256 and the last block of the medium).
    std::vector<uint32_t> anchors;
    for (size_t at = report.find("type=ANCHOR"); at != std::string::npos; at = report.find("type=ANCHOR", at + 1)) {
        size_t line = report.rfind('\n', at) + 1;
        anchors.push_back(static_cast<uint32_t>(strtoul(report.c_str() + line + 6, nullptr, 10)));
    }
    ASSERT_FALSE(anchors.empty());
    for (uint32_t anchor : anchors) {
        std::vector<uint8_t> block;
        ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(anchor) * kBlock, kBlock, &block));
        TestPrinter p;
        p.Run(kUdf, block);
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(p.Line(1), " ECMA ANCHOR VOLUME DESCRIPTOR");
        EXPECT_EQ(UdfValue(p, "Tag Identifier"), "0002h(2)");
        ExpectVerdicts(p, 0, kOk, kOk);
        EXPECT_EQ(UdfValue(p, "Location"), std::to_string(anchor));
        EXPECT_EQ(UdfValue(p, "Main Volume Loc"), std::to_string(mainStart));
        EXPECT_EQ(UdfValue(p, "Main Volume Len"), std::to_string(mainBlocks * kBlock));
        EXPECT_EQ(UdfValue(p, "Reserve Volume Loc"), std::to_string(reserveStart));
        EXPECT_EQ(UdfValue(p, "Reserve Volume Len"), std::to_string(reserveBlocks * kBlock));
        // Title, seven tag lines, an empty line and four extent lines: one descriptor only.
        EXPECT_EQ(p.LineCount(), 15);
    }
}

TEST_P(UdfImage, MainSequenceEqualsUdfinfo)
{
    const std::string image = FixturePath(std::string(GetParam()) + ".img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".udfinfo.txt", report);
    uint32_t start = 0, blocks = 0, partStart = 0, partBlocks = 0;
    ASSERT_TRUE(UdfExtent(report, "MVDS", &start, &blocks));
    ASSERT_TRUE(UdfExtent(report, "PSPACE", &partStart, &partBlocks));
    std::set<std::string> titles;
    for (uint32_t b = start; b < start + blocks; ++b) {
        std::vector<uint8_t> block;
        ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(b) * kBlock, kBlock, &block));
        TestPrinter p;
        p.Run(kUdf, block);
        SCOPED_TRACE(p.Text());
        const std::string title = p.Line(1);
        titles.insert(title);
        if (title == " ECMA TAG")
            continue;   // the unused rest of the sequence
        ExpectVerdicts(p, 0, kOk, kOk);
        EXPECT_EQ(UdfValue(p, "Location"), std::to_string(b));
        if (title == " ECMA PRIMARY VOLUME DESCRIPTOR") {
            EXPECT_EQ(UdfValue(p, "Identifier String"), ToolText(report, "vid"));
            EXPECT_EQ(Upper(UdfValue(p, "Volume Set Ident.")), Upper(ToolText(report, "fullvsid")));
            EXPECT_EQ(UdfValue(p, "Implementation Id"), ToolText(report, "impid"));
            EXPECT_EQ(UdfValue(p, "Application Id"), ToolText(report, "appid"));
        } else if (title == " ECMA LOGICAL VOLUME DESCRIPTOR") {
            EXPECT_EQ(UdfValue(p, "Volume Identifier"), ToolText(report, "lvid"));
            EXPECT_EQ(UdfValue(p, "Logical Block Size"), ToolText(report, "blocksize"));
        } else if (title == " ECMA PARTITION DESCRIPTOR") {
            EXPECT_EQ(UdfValue(p, "Partition Location"), std::to_string(partStart));
            EXPECT_EQ(UdfValue(p, "Partition Length"), std::to_string(partBlocks));
        }
    }
    EXPECT_TRUE(titles.count(" ECMA PRIMARY VOLUME DESCRIPTOR"));
    EXPECT_TRUE(titles.count(" ECMA LOGICAL VOLUME DESCRIPTOR"));
    EXPECT_TRUE(titles.count(" ECMA PARTITION DESCRIPTOR"));
    EXPECT_TRUE(titles.count(" ECMA TERMINATING DESCRIPTOR"));
}

TEST_P(UdfImage, IntegrityDescriptorIsClosed)
{
    const std::string image = FixturePath(std::string(GetParam()) + ".img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".udfinfo.txt", report);
    uint32_t start = 0, blocks = 0;
    ASSERT_TRUE(UdfExtent(report, "LVID", &start, &blocks));
    ASSERT_EQ(ToolText(report, "integrity"), "closed");
    std::vector<uint8_t> block;
    ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(start) * kBlock, kBlock, &block));
    TestPrinter p;
    p.Run(kUdf, block);
    EXPECT_EQ(p.Line(1), " ECMA LOGICAL VOLUME INTEGRITY") << p.Text();
    ExpectVerdicts(p, 0, kOk, kOk);
    EXPECT_EQ(UdfValue(p, "Integrity Type"), "0001h");
}

// udffull: identifiers that fill their d-string fields up to the length byte.
INSTANTIATE_TEST_SUITE_P(Images, UdfImage, ::testing::Values("udf", "isoudf", "udffull"));

TEST(UdfDescriptor, DirectoryListsTheNamesIsoinfoShows)
{
    const std::string image = FixturePath("isoudf.img");
    NEED_FIXTURE(image);
    std::string report, listing;
    NEED_REPORT(image + ".udfinfo.txt", report);
    NEED_REPORT(image + ".isolistj.txt", listing);
    uint32_t partStart = 0, partBlocks = 0;
    ASSERT_TRUE(UdfExtent(report, "PSPACE", &partStart, &partBlocks));
    // The directories are the blocks of the partition that begin with a file identifier.
    std::set<std::string> names;
    int directories = 0;
    for (uint32_t b = partStart; b < partStart + partBlocks; ++b) {
        std::vector<uint8_t> block;
        ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(b) * kBlock, kBlock, &block));
        if (block[0] != 1 || block[1] != 1)
            continue;
        ++directories;
        TestPrinter p;
        p.Run(kUdf, block);
        SCOPED_TRACE(p.Text());
        int descriptors = 0;
        for (int line = p.FindLine("  Tag Identifier "); line >= 0; line = p.FindLine("  Tag Identifier ", line + 1)) {
            ++descriptors;
            const std::string value = FieldValue(p.Line(line));
            if (descriptors == 1)
                EXPECT_EQ(value, "0101h(257)");
            else
                EXPECT_EQ(value.substr(0, 13), "0101h(257) at");
            ExpectVerdicts(p, line, kOk, kOk);
            const std::string name = UdfValue(p, "Filename", line);
            if (!name.empty())
                names.insert(name);
        }
        // Parent, and at least one entry of each directory.
        EXPECT_GE(descriptors, 2);
    }
    EXPECT_EQ(directories, 2);
    for (const char* n : {"readme.txt", "sub", "numbers.txt"}) {
        EXPECT_NE(listing.find(std::string("  ") + n), std::string::npos) << n;
        EXPECT_TRUE(names.count(n)) << n;
    }
}

std::vector<uint8_t> LoadAnchor()
{
    std::vector<uint8_t> block;
    LoadBytes(FixturePath("udf.img"), 256ull * kBlock, kBlock, &block);
    return block;
}

TEST(UdfDescriptor, CrcLengthBeyondTheLoadedBytesIsWrong)
{
    std::vector<uint8_t> block = LoadAnchor();
    if (block.empty())
        GTEST_SKIP() << "no udf.img";
    const uint32_t crcLength = block[10] | (block[11] << 8);
    ASSERT_GT(crcLength, 100u);
    TestPrinter p;
    p.Run(kUdf, block.data(), 100);
    ExpectVerdicts(p, 0, kOk, kWrong);
    TestPrinter q;
    q.Run(kUdf, block.data(), crcLength + 16);
    ExpectVerdicts(q, 0, kOk, kOk);
}

TEST(UdfDescriptor, ZeroSectorIsAnUnknownTagWithTwoWrongVerdicts)
{
    std::vector<uint8_t> zero(2048, 0);
    for (uint32_t size : {2048u, 0u}) {
        TestPrinter p;
        p.Run(kUdf, zero.data(), size);
        EXPECT_EQ(p.Line(1), " ECMA TAG");
        ExpectVerdicts(p, 0, kWrong, kWrong);
        EXPECT_EQ(p.LineCount(), 11);
    }
}

// Sets the tag checksum and the descriptor CRC of a made-up descriptor.
void SealTag(uint8_t* d, uint32_t crcLength)
{
    d[10] = static_cast<uint8_t>(crcLength);
    d[11] = static_cast<uint8_t>(crcLength >> 8);
    const uint16_t crc = Crc16Ccitt(d + 16, crcLength);
    d[8] = static_cast<uint8_t>(crc);
    d[9] = static_cast<uint8_t>(crc >> 8);
    d[4] = TagChecksum(d);
}

TEST(UdfDescriptor, DStringStopsAtItsFieldWidth)
{
    // A volume identifier that fills its 128 bytes: 126 characters and the length byte 127,
    // followed by non-zero bytes. Neither the length byte nor what follows is text.
    std::vector<uint8_t> d(2048, 0);
    d[0] = 6;   // logical volume descriptor
    d[84] = 8;
    memset(&d[85], 'A', 126);
    d[211] = 127;
    memset(&d[212], 'B', 4);
    SealTag(d.data(), 440 - 16);
    TestPrinter p;
    p.Run(kUdf, d);
    ExpectVerdicts(p, 0, kOk, kOk);
    EXPECT_EQ(UdfValue(p, "Volume Identifier"), std::string(126, 'A'));

    // The length byte counts the characters: what stands behind them is no part of the text.
    // A length of 0 or one that claims the length byte itself leaves the bytes before it.
    const struct {
        uint8_t length;
        size_t shown;
    } lengths[] = {{11, 10}, {0, 126}, {128, 126}, {255, 126}};
    for (const auto& l : lengths) {
        d[211] = l.length;
        SealTag(d.data(), 440 - 16);
        TestPrinter q;
        q.Run(kUdf, d);
        EXPECT_EQ(UdfValue(q, "Volume Identifier"), std::string(l.shown, 'A')) << int(l.length);
    }
}

TEST(UdfDescriptor, FileEntrySizesPast32BitsShowWhole)
{
    // A file of more than 4 GiB: its information length, its blocks and its unique id are
    // 64-bit numbers.
    const struct {
        uint32_t offset;
        const char* label;
        uint64_t value;
    } fields[] = {
        {56, "Information Length", 0x123456789Aull},
        {64, "Blocks Recorded", 0x100000005ull},
        {160, "Unique Id", 0xFFFFFFFF00000001ull},
    };
    std::vector<uint8_t> d(2048, 0);
    d[0] = 5;   // tag 261
    d[1] = 1;
    d[16 + 11] = 5;
    for (const auto& f : fields)
        PutU64(&d[f.offset], f.value);
    SealTag(d.data(), 176 - 16);
    TestPrinter p;
    p.Run(kUdf, d);
    SCOPED_TRACE(p.Text());
    ASSERT_EQ(p.Line(1), " ECMA FILE ENTRY");
    for (const auto& f : fields)
        EXPECT_EQ(UdfValue(p, f.label), Dec(f.value));
}

TEST(UdfDescriptor, UnallocatedSpaceListsAtMostSixteenExtents)
{
    std::vector<uint8_t> d(2048, 0);
    d[0] = 7;
    d[20] = 20;   // twenty allocations
    for (int i = 0; i < 20; ++i) {
        d[24 + 8 * i] = static_cast<uint8_t>(i + 1);     // length
        d[28 + 8 * i] = static_cast<uint8_t>(100 + i);   // location
    }
    SealTag(d.data(), 24 + 8 * 20 - 16);
    TestPrinter p;
    p.Run(kUdf, d);
    EXPECT_EQ(UdfValue(p, "Number of Allocations"), "20");
    EXPECT_EQ(p.FindLine("    Loc[16]"), -1);
    const int loc15 = p.FindLine("    Loc[15]");
    ASSERT_GT(loc15, 0) << p.Text();
    EXPECT_EQ(FieldValue(p.Line(loc15)), "115");
    EXPECT_EQ(FieldValue(p.Line(loc15 + 1)), "16");
    EXPECT_EQ(p.Line(p.LineCount() - 1).substr(0, 11), "    Len[15]");
}

TEST(UdfDescriptor, FollowingIdentifiersEndAtABadOne)
{
    // Three file identifier descriptors of 40 bytes (L_FI 2: compression id and one letter).
    std::vector<uint8_t> d(512, 0);
    for (int i = 0; i < 3; ++i) {
        uint8_t* f = &d[40 * i];
        f[0] = 1;
        f[1] = 1;
        f[19] = 2;
        f[38] = 8;
        f[39] = static_cast<uint8_t>('X' + i);
        SealTag(f, 40 - 16);
    }
    TestPrinter p;
    p.Run(kUdf, d);
    EXPECT_EQ(UdfValue(p, "Filename"), "X");
    EXPECT_EQ(UdfValue(p, "Tag Identifier", p.FindLine("  Filename") + 1), "0101h(257) at 40");
    EXPECT_EQ(UdfValue(p, "Tag Identifier", p.FindLine("  Filename               : Y")), "0101h(257) at 80");
    EXPECT_GE(p.FindLine("  Filename               : Z"), 0);
    EXPECT_EQ(p.FindLine(" ECMA TAG"), -1);

    // A wrong checksum in the second ends the listing after the first.
    d[44] ^= 1;
    TestPrinter q;
    q.Run(kUdf, d);
    EXPECT_EQ(q.FindLine("  Filename               : Y"), -1) << q.Text();
    EXPECT_GE(q.FindLine("  Filename               : X"), 0);

    // One that runs past the loaded data is not listed either.
    d[44] ^= 1;
    TestPrinter r;
    r.Run(kUdf, d.data(), 110);
    EXPECT_GE(r.FindLine("  Filename               : Y"), 0) << r.Text();
    EXPECT_EQ(r.FindLine("  Filename               : Z"), -1);

}

TEST(UdfDescriptor, FileCharacteristicsAndUnknownCompression)
{
    std::vector<uint8_t> d(512, 0);
    d[0] = 1;
    d[1] = 1;
    d[18] = 0x0A;
    d[19] = 3;
    d[38] = 9;   // neither 8 nor 16
    d[39] = 'Q';
    d[40] = 'R';
    SealTag(d.data(), 44 - 16);
    TestPrinter p;
    p.Run(kUdf, d);
    EXPECT_EQ(UdfValue(p, "File Characteristics"), "0Ah  DIR PARENT ");
    EXPECT_EQ(UdfValue(p, "Filename"), "???");
}

TEST(UdfDescriptor, ExtendedDirectoryEntryShowsItsTagAlone)
{
    // mkudffs writes a new directory with its file identifiers inside its extended file
    // entry; that entry is shown with its title and tag lines, and nothing it holds.
    const std::string image = FixturePath("udf.img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".udfinfo.txt", report);
    uint32_t partStart = 0, partBlocks = 0;
    ASSERT_TRUE(UdfExtent(report, "PSPACE", &partStart, &partBlocks));
    // The file set descriptor names the root directory's entry (long_ad at 400).
    uint32_t rootBlock = 0;
    bool haveFileSet = false;
    for (uint32_t b = partStart; b < partStart + partBlocks && !haveFileSet; ++b) {
        std::vector<uint8_t> block;
        ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(b) * kBlock, kBlock, &block));
        if (block[0] == 0 && block[1] == 1) {
            haveFileSet = true;
            rootBlock = block[404] | (block[405] << 8) | (block[406] << 16) | (static_cast<uint32_t>(block[407]) << 24);
        }
    }
    ASSERT_TRUE(haveFileSet);
    std::vector<uint8_t> root;
    ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(partStart + rootBlock) * kBlock, kBlock, &root));
    TestPrinter p;
    p.Run(kUdf, root);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(1), " ECMA EXTENDED FILE ENTRY");
    ExpectVerdicts(p, 0, kOk, kOk);
    EXPECT_EQ(p.FindLine(" ECMA FILE IDENTIFIER DESCRIPTOR"), -1);
    // Title block, seven tag lines and the empty line behind them.
    EXPECT_EQ(p.LineCount(), 11);
}

TEST(UdfDescriptor, EmbeddedIdentifiersStayInsideTheirArea)
{
    // A file entry of a directory (file type 4) with data in the ICB (allocation type 3),
    // 8 bytes of extended attributes, and two identifiers of 40 bytes in its 80-byte area;
    // a third identifier stands behind the area.
    std::vector<uint8_t> d(2048, 0);
    d[0] = 5;   // tag 261
    d[1] = 1;
    d[16 + 11] = 4;
    d[16 + 18] = 3;
    d[168] = 8;    // L_EA
    d[172] = 80;   // L_AD
    const uint32_t area = 176 + 8;
    for (int i = 0; i < 3; ++i) {
        uint8_t* f = &d[area + 40 * i];
        f[0] = 1;
        f[1] = 1;
        f[19] = 2;
        f[38] = 8;
        f[39] = static_cast<uint8_t>('K' + i);
        SealTag(f, 40 - 16);
    }
    SealTag(d.data(), area + 80 - 16);
    TestPrinter p;
    p.Run(kUdf, d);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(1), " ECMA FILE ENTRY");
    const int first = p.FindLine("  Filename               : K");
    const int second = p.FindLine("  Filename               : L");
    ASSERT_GT(first, 0);
    ASSERT_GT(second, first);
    EXPECT_EQ(UdfValue(p, "Tag Identifier", p.FindLine(" ECMA FILE IDENTIFIER DESCRIPTOR")),
              "0101h(257) at " + std::to_string(area));
    EXPECT_EQ(p.FindLine("  Filename               : M"), -1);
    // The descriptors' marks lead to their own bytes.
    const MarkRange* mark = p.MarkAt(second, 30);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->byteOffset, area + 40 + 38);

    // Allocation descriptors of their own (type 0): the identifiers are elsewhere.
    d[16 + 18] = 0;
    SealTag(d.data(), area + 80 - 16);
    TestPrinter q;
    q.Run(kUdf, d);
    EXPECT_EQ(q.FindLine(" ECMA FILE IDENTIFIER DESCRIPTOR"), -1) << q.Text();

    // A plain file (type 5) whose data happens to look like identifiers is not a directory.
    d[16 + 18] = 3;
    d[16 + 11] = 5;
    SealTag(d.data(), area + 80 - 16);
    TestPrinter r;
    r.Run(kUdf, d);
    EXPECT_EQ(r.FindLine(" ECMA FILE IDENTIFIER DESCRIPTOR"), -1) << r.Text();

    // An area length beyond the loaded bytes is cut there: the first identifier alone fits.
    d[16 + 11] = 4;
    d[172] = 0xFF;
    d[173] = 0xFF;
    SealTag(d.data(), area + 80 - 16);
    TestPrinter t;
    t.Run(kUdf, d.data(), area + 40 + 20);
    EXPECT_GE(t.FindLine("  Filename               : K"), 0) << t.Text();
    EXPECT_EQ(t.FindLine("  Filename               : L"), -1);
}

TEST(UdfDescriptor, FileEntriesPointWhereIsoinfoListsTheFiles)
{
    // genisoimage -udf shares each file's data between both file systems: the short
    // allocation descriptor of a UDF file entry, counted from the partition start, is the
    // extent isoinfo lists, and its length and the information length are the file's size.
    const std::string image = FixturePath("isoudf.img");
    NEED_FIXTURE(image);
    std::string report, listing;
    NEED_REPORT(image + ".udfinfo.txt", report);
    NEED_REPORT(image + ".isolistj.txt", listing);
    uint32_t partStart = 0, partBlocks = 0;
    ASSERT_TRUE(UdfExtent(report, "PSPACE", &partStart, &partBlocks));
    // "----------   0    0    0              21 Dec  7 2026 [    277 00]  readme.txt"
    std::vector<std::pair<uint32_t, uint64_t>> files;   // extent, size
    for (size_t pos = 0; pos < listing.size();) {
        size_t end = listing.find('\n', pos);
        if (end == std::string::npos)
            end = listing.size();
        const std::string line = listing.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty() || line[0] != '-' || line.find('[') == std::string::npos)
            continue;
        char perm[16];
        unsigned a, b, c;
        unsigned long long size = 0;
        ASSERT_EQ(sscanf(line.c_str(), "%15s %u %u %u %llu", perm, &a, &b, &c, &size), 5) << line;
        files.push_back(std::make_pair(static_cast<uint32_t>(strtoul(line.c_str() + line.find('[') + 1, nullptr, 10)),
                                       static_cast<uint64_t>(size)));
    }
    ASSERT_EQ(files.size(), 2u);

    size_t matched = 0;
    for (uint32_t blk = partStart; blk < partStart + partBlocks; ++blk) {
        std::vector<uint8_t> block;
        ASSERT_TRUE(LoadBytes(image, static_cast<uint64_t>(blk) * kBlock, kBlock, &block));
        if (block[0] != 5 || block[1] != 1)
            continue;
        TestPrinter p;
        p.Run(kUdf, block);
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(p.Line(1), " ECMA FILE ENTRY");
        ExpectVerdicts(p, 0, kOk, kOk);
        if (UdfValue(p, "ICB Tag").find("FTyp5 ") == std::string::npos)
            continue;   // a directory
        const int adLine = p.FindLine("  Length  [0]");
        ASSERT_GT(adLine, 0);
        EXPECT_EQ(p.Line(adLine - 1), "");
        EXPECT_EQ(p.FindLine("  Length  [1]"), -1);
        const uint32_t location = static_cast<uint32_t>(strtoul(UdfValue(p, "Location[0]").c_str(), nullptr, 10));
        for (const auto& f : files) {
            if (f.first != partStart + location)
                continue;
            ++matched;
            EXPECT_EQ(UdfValue(p, "Information Length"), std::to_string(f.second));
            EXPECT_EQ(UdfValue(p, "Length  [0]"), std::to_string(f.second));
        }
        // The descriptor's marks lead to its bytes: the first allocation descriptor at 176.
        ASSERT_NE(p.MarkAt(adLine, 4), nullptr);
        EXPECT_EQ(p.MarkAt(adLine, 4)->byteOffset, 176u);
        EXPECT_EQ(p.MarkAt(adLine + 1, 4)->byteOffset, 180u);
    }
    EXPECT_EQ(matched, files.size());
}

TEST(UdfDescriptor, EntriesWithoutFieldsShowTitleAndTag)
{
    const struct {
        uint16_t id;
        const char* title;
    } kinds[] = {{8, " ECMA TERMINATING DESCRIPTOR"},           {263, " ECMA UNALLOCATED SPACE ENTRY"},
                 {264, " ECMA SPACE BITMAP DESCRIPTOR"},        {265, " ECMA PARTITION INTEGRITY ENTRY"},
                 {266, " ECMA EXTENDED FILE ENTRY"},            {300, " ECMA TAG"}};
    for (const auto& k : kinds) {
        std::vector<uint8_t> d(512, 0x11);   // fields that would show if they were decoded
        memset(d.data(), 0, 16);
        d[0] = static_cast<uint8_t>(k.id);
        d[1] = static_cast<uint8_t>(k.id >> 8);
        d[12] = 7;
        SealTag(d.data(), 100);
        TestPrinter p;
        p.Run(kUdf, d);
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(p.Line(1), k.title);
        // Title block, seven tag lines and the empty line behind them.
        EXPECT_EQ(p.LineCount(), 11);
        EXPECT_EQ(UdfValue(p, "Location"), "7");
        ExpectVerdicts(p, 0, kOk, kOk);
    }
}

// The extents of a file entry without extended attributes stand at 176; short descriptors
// (type 0) are length and position, a long one (type 1) is shown whole, with its partition
// reference number above the 32 bits of the block number. An entry with extended attributes
// lists no extent (the attribute bytes are 0xEE, so extents read in their place would show
// 4008636142).
TEST(UdfDescriptor, FileEntryExtentsAreListedOnlyWithoutExtendedAttributes)
{
    struct Line {
        const char* label;
        std::string value;
        uint32_t markOffset, markLength;
    };
    const struct Case {
        const char* what;
        uint8_t allocationType;
        uint32_t eaLength, adLength;
        std::vector<uint32_t> words;   // the descriptor area, u32 by u32
        std::vector<Line> lines;       // an empty list: no extent is listed
    } cases[] = {
        {"two short extents, no attributes", 0, 0, 16, {2048, 33, 4096, 40},
         {{"Length  [0]", "2048", 176, 4}, {"Location[0]", "33", 180, 4},
          {"Length  [1]", "4096", 184, 4}, {"Location[1]", "40", 188, 4}}},
        {"one short extent behind 12 attribute bytes", 0, 12, 8, {6144, 77}, {}},
        {"one long extent, no attributes", 1, 0, 16, {8192, 50, 1, 0},
         {{"Long AD [0]", "8192 - " + Dec(50 + (1ull << 32)), 176, 16}}},
        {"one long extent behind 4 attribute bytes", 1, 4, 16, {8192, 50, 1, 0}, {}},
        {"a descriptor area shorter than one extent", 0, 0, 4, {2048}, {}},
        // The top two bits of a length are the extent's type: allocated but not recorded (1),
        // neither (2), the next extent of descriptors (3). The length is the rest.
        {"a short extent allocated but not recorded", 0, 0, 8, {(1u << 30) | 6144, 90},
         {{"Length  [0]", "6144", 176, 4}, {"Location[0]", "90", 180, 4}}},
        {"a long extent neither allocated nor recorded", 1, 0, 16, {(2u << 30) | 10240, 70, 0, 0},
         {{"Long AD [0]", "10240 - 70", 176, 16}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> d(2048, 0);
        d[0] = 5;   // tag 261
        d[1] = 1;
        d[16 + 11] = 5;   // a plain file
        d[16 + 18] = c.allocationType;
        PutU32(&d[168], c.eaLength);
        PutU32(&d[172], c.adLength);
        memset(&d[176], 0xEE, c.eaLength);
        for (size_t i = 0; i < c.words.size(); ++i)
            PutU32(&d[176 + c.eaLength + 4 * i], c.words[i]);
        SealTag(d.data(), 176 + c.eaLength + c.adLength - 16);
        TestPrinter p;
        p.Run(kUdf, d);
        SCOPED_TRACE(p.Text());
        ASSERT_EQ(p.Line(1), " ECMA FILE ENTRY");
        for (const Line& l : c.lines) {
            const int line = p.FindLine(std::string("  ") + l.label + " ");
            ASSERT_GT(line, 0) << l.label;
            EXPECT_EQ(FieldValue(p.Line(line)), l.value);
            const MarkRange* mark = p.MarkAt(line, 5);
            ASSERT_NE(mark, nullptr);
            EXPECT_EQ(mark->byteOffset, l.markOffset);
            EXPECT_EQ(mark->byteLength, l.markLength);
        }
        // Nothing more is listed than the descriptors the area holds, and a long one is not
        // split into short ones.
        const bool isShort = c.allocationType == 0;
        const size_t next = isShort ? c.lines.size() / 2 : c.lines.size();
        EXPECT_EQ(p.FindLine(std::string(isShort ? "  Length  [" : "  Long AD [") + std::to_string(next) + "]"), -1);
        if (!isShort) {
            EXPECT_EQ(p.FindLine("  Length  [0]"), -1);
        }
    }
}

}  // namespace
