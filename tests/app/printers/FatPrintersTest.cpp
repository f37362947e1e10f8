// The FAT table and directory printers on volumes made by mkfs.fat, mkfs.exfat and mtools,
// checked against `fsck.fat -v`, `minfo`, `istat` (the cluster chain of a file), `mdir` and
// `fls` (short and long names), and against the tables decoded here on their own.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string.h>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kFatDirectory = 6;
const int kFat12 = 8;
const int kFat16 = 9;
const int kFat32 = 10;
const int kExFat = 11;

std::vector<std::string> Tokens(const std::string& line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string t;
    while (in >> t)
        out.push_back(t);
    return out;
}

uint32_t HexValue(const std::string& text)
{
    return static_cast<uint32_t>(strtoul(text.c_str(), nullptr, 16));
}

// The 12-bit entries of a whole FAT, decoded here byte pair by byte pair.
std::vector<uint32_t> DecodeFat12(const std::vector<uint8_t>& fat)
{
    std::vector<uint32_t> entries;
    for (size_t n = 0; (n * 3) / 2 + 1 < fat.size(); ++n) {
        const size_t at = (n * 3) / 2;
        const uint32_t pair = fat[at] | (fat[at + 1] << 8);
        entries.push_back((n & 1) ? pair >> 4 : pair & 0xFFF);
    }
    return entries;
}


}  // namespace

TEST(FatTablePrinters, Fat12AcrossSectorsMatchesTheFatAndTheChainOfIstat)
{
    const std::string image = FixturePath("fat12.img");
    NEED_FIXTURE(image);
    std::string fsck, istat, minfo;
    NEED_REPORT(image + ".fsck.txt", fsck);
    NEED_REPORT(image + ".istat.txt", istat);
    NEED_REPORT(image + ".minfo.txt", minfo);
    // "First FAT starts at byte 512 (sector 1)"
    std::string fatLine;
    ASSERT_TRUE(TextAfter(fsck, "First FAT starts at byte", &fatLine));
    uint64_t fatStart = 0;
    ASSERT_TRUE(NumberAfter(fatLine, "(sector", &fatStart));
    const uint64_t sectorsPerFat = Need(minfo, "sectors per fat:");
    ASSERT_EQ(9u, sectorsPerFat);
    std::vector<uint8_t> fat;
    ASSERT_TRUE(LoadBytes(image, fatStart * 512, static_cast<uint32_t>(sectorsPerFat * 512), &fat));
    const std::vector<uint32_t> expected = DecodeFat12(fat);

    // Print every sector of the FAT and join the entries cut at the sector ends again.
    TestPrinter p;
    p.fatStart = fatStart;
    p.sectorsPerFat = static_cast<uint32_t>(sectorsPerFat);
    std::vector<uint32_t> printed;
    int pendingBits = 0;
    uint32_t pending = 0;
    for (uint64_t s = 0; s < sectorsPerFat; ++s) {
        p.currentSector = fatStart + s;
        p.Run(kFat12, fat.data() + s * 512, 512);
        ASSERT_EQ(" FAT12", p.Line(1));
        bool first = true;
        for (int line = 3; line < p.LineCount(); ++line) {
            if (line < p.LineCount() - 1) {
                EXPECT_EQ(80u, p.Line(line).size()) << "sixteen entries a row";
            }
            for (const std::string& t : Tokens(p.Line(line))) {
                ASSERT_EQ(3u, t.size()) << t;
                if (t.compare(1, 2, "??") == 0) {          // the top four bits of a cut entry
                    ASSERT_TRUE(first);
                    ASSERT_EQ(8, pendingBits);
                    printed.push_back(pending | (HexValue(t.substr(0, 1)) << 8));
                } else if (t[2] == '?') {                  // the top eight bits
                    ASSERT_TRUE(first);
                    ASSERT_EQ(4, pendingBits);
                    printed.push_back(pending | (HexValue(t.substr(0, 2)) << 4));
                } else if (t.compare(0, 2, "??") == 0) {   // the low four bits, at the end
                    pending = HexValue(t.substr(2));
                    pendingBits = 4;
                } else if (t[0] == '?') {                  // the low eight bits, at the end
                    pending = HexValue(t.substr(1));
                    pendingBits = 8;
                } else {
                    printed.push_back(HexValue(t));
                }
                first = false;
            }
        }
    }
    ASSERT_GE(printed.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(expected[i], printed[i]) << "entry " << i;
    // The first entry holds the media byte.
    EXPECT_EQ(0xF00 | Need(minfo, "media descriptor byte:"), printed[0]);

    // istat's sectors of numbers.txt: each cluster's entry names the next, the last ends it.
    std::string dataLine;
    ASSERT_TRUE(TextAfter(fsck, "Data area starts at byte", &dataLine));
    uint64_t firstDataSector = 0;
    ASSERT_TRUE(NumberAfter(dataLine, "(sector", &firstDataSector));
    const uint64_t sectorsPerCluster = Need(minfo, "cluster size:");
    std::vector<uint64_t> clusters;
    std::istringstream sectors(istat.substr(istat.find("Sectors:") + 8));
    uint64_t sector;
    while (sectors >> sector) {
        const uint64_t cluster = (sector - firstDataSector) / sectorsPerCluster + 2;
        if (clusters.empty() || clusters.back() != cluster)
            clusters.push_back(cluster);
    }
    ASSERT_GT(clusters.size(), 10u);
    for (size_t i = 0; i + 1 < clusters.size(); ++i)
        EXPECT_EQ(clusters[i + 1], printed[clusters[i]]) << "cluster " << clusters[i];
    EXPECT_GE(printed[clusters.back()], 0xFF8u);
}

TEST(FatTablePrinters, Fat12PhasesAndDegenerateFats)
{
    std::vector<uint8_t> sector(512);
    for (size_t i = 0; i < sector.size(); ++i)
        sector[i] = static_cast<uint8_t>(i * 37 + 11);
    TestPrinter p;
    p.fatStart = 1;
    p.sectorsPerFat = 9;
    // The first sector of the second FAT starts a FAT again.
    p.currentSector = 10;
    p.Run(kFat12, sector);
    char first[16];
    StrPrintf(first, "%03X", (sector[0] | (sector[1] << 8)) & 0xFFF);
    EXPECT_EQ(first, Tokens(p.Line(3))[0]);
    // Phase 2 (byte 512 of the FAT): the top eight bits of a cut entry, entries from bit 8,
    // and the low eight bits of the entry that the next sector ends.
    p.currentSector = 2;
    p.Run(kFat12, sector);
    char part[16];
    StrPrintf(part, "%02X?", sector[0]);
    EXPECT_EQ(part, Tokens(p.Line(3))[0]);
    StrPrintf(part, "?%02X", sector[511]);
    EXPECT_EQ(part, Tokens(p.Line(p.LineCount() - 1)).back());
    // Phase 1 (byte 1024): four bits, then entries from bit 4 that end with the sector.
    p.currentSector = 3;
    p.Run(kFat12, sector);
    StrPrintf(part, "%01X??", sector[0] & 15);
    EXPECT_EQ(part, Tokens(p.Line(3))[0]);
    StrPrintf(part, "%03X", (sector[510] >> 4) | (sector[511] << 4));
    EXPECT_EQ(part, Tokens(p.Line(p.LineCount() - 1)).back());

    // A FAT of 0 sectors does not divide: the sector is read as the start of a FAT.
    p.sectorsPerFat = 0;
    p.currentSector = 5;
    p.Run(kFat12, sector);
    EXPECT_EQ(first, Tokens(p.Line(3))[0]);
    // Nothing loaded: the title alone, no entry read.
    p.Run(kFat12, sector.data(), 0);
    EXPECT_EQ(3, p.LineCount());
    // One or two bytes: no bound wraps below zero.
    p.sectorsPerFat = 9;
    p.currentSector = 1;
    p.Run(kFat12, sector.data(), 1);
    EXPECT_EQ(4, p.LineCount());
    p.Run(kFat12, sector.data(), 2);
    EXPECT_EQ(4, p.LineCount());
    // Without a document the sector's place is unknown: nothing is printed.
    p.hasDocument = false;
    p.Run(kFat12, sector);
    EXPECT_EQ(0, p.LineCount());
}

TEST(FatTablePrinters, Fat16RowsMatchTheFat)
{
    const std::string image = FixturePath("fatlfn.img");
    NEED_FIXTURE(image);
    std::string fsck;
    NEED_REPORT(image + ".fsck.txt", fsck);
    const uint64_t fatStart = Need(fsck, "(sector");
    uint64_t media = Need(fsck, "Media byte");
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, fatStart * 512, 512, &sector));
    TestPrinter p;
    p.Run(kFat16, sector);
    ASSERT_EQ(3 + 1 + 16, p.LineCount()) << p.Text();
    EXPECT_EQ(" FAT16", p.Line(1));
    EXPECT_EQ("", p.Line(3));
    for (int row = 0; row < 16; ++row) {
        std::vector<std::string> t = Tokens(p.Line(4 + row));
        ASSERT_EQ(16u, t.size());
        for (int i = 0; i < 16; ++i) {
            const int n = row * 16 + i;
            EXPECT_EQ(static_cast<uint32_t>(sector[2 * n] | (sector[2 * n + 1] << 8)), HexValue(t[i]));
        }
    }
    EXPECT_EQ(0xFF00 | media, HexValue(Tokens(p.Line(4))[0]));
    EXPECT_EQ(0u, p.Line(4).find("  FFF8  FFFF  "));
}

TEST(FatTablePrinters, Fat32AndExFatRows)
{
    const std::string image = FixturePath("fat32.img");
    NEED_FIXTURE(image);
    std::string fsck, minfo;
    NEED_REPORT(image + ".fsck.txt", fsck);
    NEED_REPORT(image + ".minfo.txt", minfo);
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, Need(fsck, "(sector") * 512, 512, &sector));
    TestPrinter p;
    p.Run(kFat32, sector);
    ASSERT_EQ(3 + 1 + 16, p.LineCount()) << p.Text();
    EXPECT_EQ(" FAT32", p.Line(1));
    for (int row = 0; row < 16; ++row) {
        std::vector<std::string> t = Tokens(p.Line(4 + row));
        ASSERT_EQ(8u, t.size());
        for (int i = 0; i < 8; ++i) {
            const int n = row * 8 + i;
            uint32_t v;
            memcpy(&v, &sector[4 * n], 4);
            char expected[16];
            StrPrintf(expected, "%01X:%07X", v >> 28, v & 0x0FFFFFFF);
            EXPECT_EQ(expected, t[i]);
        }
    }
    // FAT[0] carries the media byte, the root directory's cluster ends its chain.
    char first[16];
    StrPrintf(first, "0:FFFFF%02X", static_cast<unsigned>(Need(minfo, "media descriptor byte:")));
    EXPECT_EQ(first, Tokens(p.Line(4))[0]);
    const uint64_t root = Need(minfo, "rootCluster=");
    EXPECT_GE(HexValue(Tokens(p.Line(4 + static_cast<int>(root / 8)))[root % 8].substr(2)), 0xFFFFFF8u);

    const std::string exfat = FixturePath("exfat.img");
    NEED_FIXTURE(exfat);
    std::string dump;
    NEED_REPORT(exfat + ".dumpexfat.txt", dump);
    ASSERT_TRUE(LoadBytes(exfat, Need(dump, "FAT Offset(sector offset):") * 512, 512, &sector));
    p.Run(kExFat, sector);
    ASSERT_EQ(3 + 1 + 16, p.LineCount()) << p.Text();
    EXPECT_EQ(" FATEX", p.Line(1));
    EXPECT_EQ(0u, p.Line(4).find("  FFFFFFF8  FFFFFFFF  "));
    // The root directory's chain ends in its cluster's entry.
    const uint64_t rootEx = Need(dump, "Root Cluster (cluster offset):");
    EXPECT_EQ("FFFFFFFF", Tokens(p.Line(4 + static_cast<int>(rootEx / 8)))[rootEx % 8]);
    // A short load: the rows stop with the last whole entry.
    p.Run(kExFat, sector.data(), 10);
    EXPECT_EQ(5, p.LineCount());
    EXPECT_EQ(2u, Tokens(p.Line(4)).size());
    // Nothing loaded (a read error) or too little for one entry: the title and its empty line,
    // as the row loop writes its (empty) last row; no entry is read.
    p.Run(kFat16, sector.data(), 0);
    EXPECT_EQ(4, p.LineCount());
    EXPECT_EQ("", p.Line(3));
    p.Run(kFat32, sector.data(), 3);
    EXPECT_EQ(4, p.LineCount());
    EXPECT_EQ("", p.Line(3));
    EXPECT_EQ(" FAT32", p.Line(1));
}

// The root directories of fatlfn.img (a FAT16 whose files have long names) and fatsizes.img
// (a FAT32 with files of 2 GiB and of 4 GiB - 1 bytes, the largest a directory entry holds),
// against mdir and fls.
TEST(FatDirectoryPrinter, ShortAndLongNamesMatchMdirAndFls)
{
    const struct Volume {
        const char* image;
        int files;
        bool longLabel;   // the label has more than eight letters ("LANGNAMEN")
    } volumes[] = {{"fatlfn.img", 3, true}, {"fatsizes.img", 3, false}};
    for (const Volume& v : volumes) {
        SCOPED_TRACE(v.image);
        const std::string image = FixturePath(v.image);
        NEED_FIXTURE(image);
        std::string mdir, fls;
        NEED_REPORT(image + ".mdir.txt", mdir);
        NEED_REPORT(image + ".fls.txt", fls);
        // The root directory: where fsck.fat puts a FAT16's, or fsstat a FAT32's first cluster.
        std::string fsck, fsstat, rootLine;
        uint64_t rootSector = 0;
        if (LoadText(image + ".fsck.txt", &fsck) && TextAfter(fsck, "Root directory starts at byte", &rootLine)) {
            ASSERT_TRUE(NumberAfter(rootLine, "(sector", &rootSector));
        } else {
            NEED_REPORT(image + ".fsstat.txt", fsstat);
            rootSector = Need(fsstat, "*** Root Directory:");
        }
        TestPrinter p;
        ASSERT_TRUE(p.RunImageSector(kFatDirectory, image, rootSector));
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(" DIRECTORY", p.Line(1));
        // The volume label comes first, with its attribute letter; its eleven bytes are split
        // into name and extension like a file's ("LANGNAMEN" -> "LANGNAME.N").
        std::string label;
        ASSERT_TRUE(TextAfter(fls, "r/r 3:", &label));
        label = label.substr(0, label.find_first_of(" \t"));
        if (v.longLabel) {
            ASSERT_GT(label.size(), 8u);
            label = label.substr(0, 8) + "." + label.substr(8);
        }
        char labelLine[64];
        StrPrintf(labelLine, "  %-14s  %10i ___V__", label.c_str(), 0);
        EXPECT_EQ(0u, p.Line(3).find(labelLine));

        // mdir: "EINLAN~1 TXT         7 2026-12-07   0:16  Ein langer Dateiname.txt"
        int files = 0;
        std::istringstream lines(mdir);
        std::string row;
        while (std::getline(lines, row)) {
            char base[16], ext[8], longName[128] = "";
            unsigned size = 0, year, month, day, hour, minute;
            int n = sscanf(row.c_str(), "%8s %3s %u %u-%u-%u %u:%u %127[^\n]", base, ext, &size, &year, &month,
                           &day, &hour, &minute, longName);
            if (n < 8)
                continue;
            ++files;
            const std::string shortName = std::string(base) + "." + ext;
            const int line = p.FindLine("  " + shortName + " ");
            ASSERT_GE(line, 0) << shortName;
            const std::string text = p.Line(line);
            // The size in its ten columns, whatever its value: the fields behind it keep theirs.
            const std::string digits = std::to_string(size);
            EXPECT_EQ(0u, text.find("  " + shortName + std::string(14 - shortName.size(), ' ') + "  " +
                                    std::string(10 - digits.size(), ' ') + digits + " "))
                << text;
            char expect[128];
            // The last write date and time as mdir shows them.
            StrPrintf(expect, "  %04u.%02u.%02u %02u:%02u:", year, month, day, hour, minute);
            EXPECT_EQ(56u, text.find(expect, 47)) << text;
            // fls -l (its rows carry times) gives the size behind the name and four times.
            if (fls.find("(UTC)") != std::string::npos) {
                const size_t flsRow = fls.find(":\t" + shortName + "\t");
                ASSERT_NE(std::string::npos, flsRow) << shortName;
                std::vector<std::string> columns;
                std::istringstream cells(fls.substr(flsRow + 2, fls.find('\n', flsRow) - flsRow - 2));
                std::string cell;
                while (std::getline(cells, cell, '\t'))
                    columns.push_back(cell);
                ASSERT_GT(columns.size(), 5u);
                EXPECT_EQ(digits, columns[5]);
            }
            // Long names: the entries before the short one, the nearest holding the start.
            std::string joined;
            int at = line - 1;
            while (at >= 3 && p.Line(at).find("-------------------  -------------------") != std::string::npos) {
                joined += p.Line(at).substr(2, 13);
                --at;
            }
            while (!joined.empty() && joined.back() == ' ')
                joined.pop_back();
            const std::string expectedLong = longName;
            if (expectedLong.empty()) {
                EXPECT_TRUE(joined.empty()) << shortName;
            } else {
                EXPECT_EQ(expectedLong, joined);
                EXPECT_NE(std::string::npos, fls.find(":\t" + expectedLong + "\n")) << "fls knows the same name";
                // The long-name entry leads back to all of its 32 bytes.
                const MarkRange* mark = p.MarkAt(line - 1, 40);
                ASSERT_NE(nullptr, mark);
                EXPECT_EQ(32, mark->byteLength);
                EXPECT_EQ(0, mark->byteOffset % 32);
            }
            // Marks of the short entry: name bytes, size, attributes and cluster.
            const MarkRange* nameMark = p.MarkAt(line, 3);
            ASSERT_NE(nullptr, nameMark);
            EXPECT_EQ(11, nameMark->byteLength);
            const MarkRange* sizeMark = p.MarkAt(line, 20);
            ASSERT_NE(nullptr, sizeMark);
            EXPECT_EQ(nameMark->byteOffset + 28, sizeMark->byteOffset);
            EXPECT_EQ(sizeMark, p.MarkAt(line, 27));
            const MarkRange* attributeMark = p.MarkAt(line, 29);
            ASSERT_NE(nullptr, attributeMark);
            EXPECT_EQ(nameMark->byteOffset + 11, attributeMark->byteOffset);
            const MarkRange* clusterMark = p.MarkAt(line, 95);
            ASSERT_NE(nullptr, clusterMark);
            EXPECT_EQ(nameMark->byteOffset + 26, clusterMark->byteOffset);
        }
        EXPECT_EQ(v.files, files);
    }
}

TEST(FatDirectoryPrinter, EntryEdgeCases)
{
    std::vector<uint8_t> sector(512, 0);
    // A six-letter name with a blank extension, created 2024-02-29 13:45:59.
    memcpy(&sector[0], "REPORT     ", 11);
    sector[11] = 0x21;                 // read-only, archive
    sector[13] = 100;                  // the odd second
    const uint16_t time = (13 << 11) | (45 << 5) | 29;
    const uint16_t date = ((2024 - 1980) << 9) | (2 << 5) | 29;
    memcpy(&sector[14], &time, 2);
    memcpy(&sector[16], &date, 2);
    sector[20] = 0x12;
    sector[21] = 0x00;
    sector[26] = 0x34;
    sector[27] = 0x56;
    sector[28] = 0x40;                 // 64 bytes
    // A deleted entry keeps its first byte.
    memcpy(&sector[32], "\xE5OLD    TXT", 11);
    // A long-name entry whose name ends after five characters.
    uint8_t* l = &sector[64];
    l[0] = 0x41;
    l[11] = 0x0F;
    const char* name = "abcde";
    static const int units[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (int i = 0; i < 13; ++i) {
        l[units[i]] = i < 5 ? static_cast<uint8_t>(name[i]) : (i == 5 ? 0 : 0xFF);
        l[units[i] + 1] = i <= 5 ? 0 : 0xFF;
    }
    TestPrinter p;
    p.Run(kFatDirectory, sector);
    ASSERT_EQ(6, p.LineCount()) << p.Text();
    EXPECT_EQ("  REPORT                  64 R____A  2024.02.29 13:45:59  1980.00.00 00:00:00  Cluster: 00125634h",
              p.Line(3));
    EXPECT_EQ(0u, p.Line(4).find("  \xE5OLD.TXT   "));
    EXPECT_EQ("  abcde                              -------------------  -------------------  -------- ---------",
              p.Line(5));
    // The third entry ends the directory when it starts with a zero byte.
    sector[64] = 0;
    p.Run(kFatDirectory, sector);
    EXPECT_EQ(5, p.LineCount());
    // Marks of the times and the cluster words.
    const MarkRange* created = p.MarkAt(3, 50);
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(13, created->byteOffset);
    EXPECT_EQ(3, created->byteLength);
    const MarkRange* low = p.MarkAt(3, 93);
    ASSERT_NE(nullptr, low);
    EXPECT_EQ(26, low->byteOffset);
    // A load shorter than one entry shows none.
    p.Run(kFatDirectory, sector.data(), 31);
    EXPECT_EQ(3, p.LineCount());

    // Control bytes in a name (a damaged or hostile sector) show as dots: a line feed would
    // break the entry's line and leave its fields and marks on no line of their own.
    memcpy(&sector[0], "AB\nCD\r  ", 8);
    sector[64] = 0x41;
    l[3] = '\n';
    p.Run(kFatDirectory, sector);
    ASSERT_EQ(6, p.LineCount()) << p.Text();
    EXPECT_EQ(0u, p.Line(3).find("  AB.CD.                  64 R____A"));
    EXPECT_EQ(0u, p.Line(5).find("  a.cde   "));
    const MarkRange* size = p.MarkAt(3, 20);
    ASSERT_NE(nullptr, size);
    EXPECT_EQ(28, size->byteOffset);
}
