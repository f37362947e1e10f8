// The master boot record and GPT printers on the disks made by sfdisk and sgdisk, checked
// against what `sfdisk -J`, `sgdisk -p`, `sgdisk -i N`, `sgdisk -v` and zlib.crc32 (python3)
// report about them (tests/disk/make-images.sh saves those reports).
#include <gtest/gtest.h>

#include <string.h>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kMbr = 1;
const int kGptHeader = 18;
const int kGptEntries = 19;


// One partition of `sfdisk -J`: the number of its node ("mbr.img5" -> 5), start, size, type.
struct SfdiskPartition {
    int number;
    uint64_t start, size, type;
};

std::vector<SfdiskPartition> ParseSfdiskJson(const std::string& json)
{
    std::vector<SfdiskPartition> parts;
    size_t at = 0;
    while ((at = json.find("\"node\":", at)) != std::string::npos) {
        SfdiskPartition p = {};
        size_t q = json.find("\"", at + 7);
        size_t end = json.find("\"", q + 1);
        std::string node = json.substr(q + 1, end - q - 1);
        size_t digits = node.find_last_not_of("0123456789");
        p.number = atoi(node.c_str() + digits + 1);
        NumberAfter(json, "\"start\":", &p.start, at);
        NumberAfter(json, "\"size\":", &p.size, at);
        std::string type;
        TextAfter(json, "\"type\":", &type, at);
        p.type = strtoull(type.c_str() + 1, nullptr, 16);   // "6" or "83": hexadecimal
        parts.push_back(p);
        at = end;
    }
    return parts;
}

// The size of an entry as the MBR line gives it: kilobytes of 512-byte sectors with one
// truncated decimal, in megabytes below 1000 MB, gigabytes below 1000 GB, else terabytes.
std::string MbrSizeText(uint64_t sectors)
{
    const uint64_t kb = sectors / 2;
    const uint64_t scaled = kb < 1024000 ? kb : kb < 1048576000 ? kb / 1024 : kb / 1048576;
    const char* unit = kb < 1024000 ? "MB" : kb < 1048576000 ? "GB" : "TB";
    char text[32];
    snprintf(text, sizeof(text), "(%3u.%01u %s)", static_cast<unsigned>(scaled / 1024),
             static_cast<unsigned>((scaled % 1024) * 10 / 1024), unit);
    return text;
}

// A number right-aligned in ten columns, as the MBR line gives LBAs and counts.
std::string Right10(uint64_t value)
{
    const std::string digits = std::to_string(static_cast<unsigned long long>(value));
    return std::string(digits.size() < 10 ? 10 - digits.size() : 0, ' ') + digits;
}

// The start and length of the n-th line of `mmls` whose description holds `what` ("Extended
// Table", "DOS Extended"); false when there are fewer.
bool MmlsLine(const std::string& mmls, const char* what, int n, uint64_t* start, uint64_t* length)
{
    size_t at = 0;
    for (int i = 0; i < n; ++i) {
        at = mmls.find(what, at);
        if (at == std::string::npos)
            return false;
        at += strlen(what);
    }
    const size_t line = mmls.rfind('\n', at) + 1;
    unsigned long long s = 0, e = 0, l = 0;
    char slot[16], kind[16];
    if (sscanf(mmls.c_str() + line, "%15s %15s %llu %llu %llu", slot, kind, &s, &e, &l) != 5)
        return false;
    *start = s;
    *length = l;
    return true;
}

}  // namespace

// sfdisk's disks: mbr.img (small), and mbr2t.img, a 2 TiB disk whose entries use all 32 bits:
// a primary partition starting behind 3.3 billion sectors, an extended one 3.3 billion long,
// logical ones of 2.2 billion sectors and 2.2 billion sectors into the extended partition.
TEST(MbrPrinter, EntriesAndSignatureMatchSfdisk)
{
    const struct Disk {
        const char* image;
        int primaries;
        const char* name1;   // the type names of the first two entries
        const char* name2;
    } disks[] = {
        {"mbr.img", 2, "   FAT16 (max. 2 GB)", "   extended DOS-Partition  (max. 2 GB)"},
        {"mbr2t.img", 3, "   FAT32 (LBA Adressierung)", "   extended DOS-Partition  (max. 2 GB)"},
    };
    for (const Disk& disk : disks) {
        SCOPED_TRACE(disk.image);
        const std::string image = FixturePath(disk.image);
        NEED_FIXTURE(image);
        std::string json;
        NEED_REPORT(image + ".sfdisk.txt", json);
        TestPrinter p;
        ASSERT_TRUE(p.RunImageSector(kMbr, image, 0));
        EXPECT_EQ(" MASTER-BOOT-RECORD", p.Line(1));
        EXPECT_EQ("", p.Line(3));

        // The disk identifier is the 32-bit signature at byte 440.
        uint64_t id = 0;
        ASSERT_TRUE(NumberAfter(json, "\"id\":", &id));
        const int sigLine = p.FindLine("  Signature              : ");
        ASSERT_GE(sigLine, 0) << p.Text();
        EXPECT_EQ(Format("  Signature              : %04I64Xh", id), p.Line(sigLine));
        EXPECT_EQ(" ", p.Line(sigLine - 1));

        std::vector<SfdiskPartition> parts = ParseSfdiskJson(json);
        ASSERT_GE(parts.size(), 2u);
        int primaries = 0;
        for (const SfdiskPartition& part : parts) {
            if (part.number < 1 || part.number > 4)
                continue;   // logical partitions live in the extended boot records
            ++primaries;
            const std::string line = p.Line(3 + part.number);
            SCOPED_TRACE(line);
            EXPECT_NE(std::string::npos, line.find("Off:" + Right10(part.start)));
            EXPECT_NE(std::string::npos, line.find("Size:" + Right10(part.size)));
            EXPECT_NE(std::string::npos, line.find(Format("Type=%02I64Xh", part.type)));
            EXPECT_NE(std::string::npos, line.find(MbrSizeText(part.size)));
            // The start LBA's mark leads back to bytes 8 to 11 of the entry, the count's to 12
            // to 15: the columns stand where they stand for every value.
            const MarkRange* mark = p.MarkAt(3 + part.number, 65);
            ASSERT_NE(nullptr, mark);
            EXPECT_EQ(446 + 16 * (part.number - 1) + 8, mark->byteOffset);
            EXPECT_EQ(4, mark->byteLength);
            mark = p.MarkAt(3 + part.number, 101);
            ASSERT_NE(nullptr, mark);
            EXPECT_EQ(446 + 16 * (part.number - 1) + 12, mark->byteOffset);
        }
        EXPECT_EQ(disk.primaries, primaries);
        EXPECT_NE(std::string::npos, p.Line(4).find(disk.name1));
        EXPECT_NE(std::string::npos, p.Line(5).find(disk.name2));
        // Unused entries print as zeros without a type name.
        EXPECT_EQ("  ----  S:  0 H:  0 C:   0  Type=00h  S:  0 H:  0 C:   0   Off:         0   Size:         0 (  0.0 MB) ",
                  p.Line(7));
    }
}

TEST(MbrPrinter, ExtendedBootRecordShowsStartsRelativeToTheExtendedPartition)
{
    for (const char* name : {"mbr.img", "mbr2t.img"}) {
        SCOPED_TRACE(name);
        const std::string image = FixturePath(name);
        NEED_FIXTURE(image);
        std::string json, mmls;
        NEED_REPORT(image + ".sfdisk.txt", json);
        NEED_REPORT(image + ".mmls.txt", mmls);
        std::vector<SfdiskPartition> parts = ParseSfdiskJson(json);
        uint64_t extendedStart = 0;
        const SfdiskPartition* firstLogical = nullptr;
        for (const SfdiskPartition& part : parts) {
            if (part.type == 5)
                extendedStart = part.start;
            if (part.number == 5)
                firstLogical = &part;
        }
        ASSERT_NE(0u, extendedStart);
        ASSERT_NE(nullptr, firstLogical);
        TestPrinter p;
        ASSERT_TRUE(p.RunImageSector(kMbr, image, extendedStart));
        EXPECT_NE(std::string::npos, p.Line(4).find(Format("Off:%10I64u", firstLogical->start - extendedStart)))
            << p.Line(4);
        EXPECT_NE(std::string::npos, p.Line(4).find(Format("Size:%10I64u", firstLogical->size)));
        // The second entry leads to the next extended boot record: mmls's second extended
        // partition, counted from the first one's start.
        uint64_t next = 0, length = 0;
        ASSERT_TRUE(MmlsLine(mmls, "DOS Extended", 2, &next, &length)) << mmls;
        EXPECT_NE(std::string::npos, p.Line(5).find("Off:" + Right10(next - extendedStart))) << p.Line(5);
        EXPECT_NE(std::string::npos, p.Line(5).find("Size:" + Right10(length))) << p.Line(5);
    }
}

TEST(MbrPrinter, ChsAndSizeEdgeValues)
{
    std::vector<uint8_t> sector(512, 0);
    uint8_t* e = &sector[446];
    e[0] = 0x80;
    e[1] = 254;
    e[2] = 0xFF;    // sector 63, cylinder bits 8-9 set
    e[3] = 0xFF;
    e[4] = 0x0C;
    e[12] = 0xE8;   // 1000 sectors: 500 KB -> "0.4 MB"
    e[13] = 0x03;
    sector[510] = 0x55;
    sector[511] = 0xAA;
    TestPrinter p;
    p.Run(kMbr, sector);
    const std::string line = p.Line(4);
    EXPECT_EQ(0u, line.find("  BOOT  S: 63 H:254 C:1023  Type=0Ch ")) << line;
    EXPECT_NE(std::string::npos, line.find("(  0.4 MB)    FAT32 (LBA Adressierung)")) << line;
    // 4 TB and more are shown in terabytes.
    e[12] = e[13] = e[14] = e[15] = 0xFF;
    p.Run(kMbr, sector);
    EXPECT_NE(std::string::npos, p.Line(4).find("(  1.9 TB)")) << p.Line(4);
}

// sgdisk's disks: gpt.img (small) and gpt3t.img, a 3 TiB disk whose backup header, last
// usable sector and partition starts lie past 2^32; its backup header, in the disk's last
// sector, is read too, with its array 32 sectors before it.
TEST(GptHeaderPrinter, FieldsMatchSgdiskAndCrcsMatchZlib)
{
    const struct Header {
        const char* image;
        bool backup;
    } headers[] = {{"gpt.img", false}, {"gpt3t.img", false}, {"gpt3t.img", true}};
    for (const Header& h : headers) {
        SCOPED_TRACE(std::string(h.image) + (h.backup ? ", backup header" : ""));
        const std::string image = FixturePath(h.image);
        NEED_FIXTURE(image);
        std::string sgdisk, verify, crcs;
        NEED_REPORT(image + ".sgdisk.txt", sgdisk);
        NEED_REPORT(image + ".sgdiskv.txt", verify);
        NEED_REPORT(image + ".zlibcrc.txt", crcs);
        ASSERT_NE(std::string::npos, verify.find("No problems found")) << verify;
        uint64_t sectors = 0, entries = 0, tableStart = 0, firstUsable = 0, lastUsable = 0;
        ASSERT_TRUE(NumberAfter(sgdisk, "holds up to", &entries));
        ASSERT_TRUE(NumberAfter(sgdisk, "table begins at sector", &tableStart));
        ASSERT_TRUE(NumberAfter(sgdisk, "First usable sector is", &firstUsable));
        ASSERT_TRUE(NumberAfter(sgdisk, "last usable sector is", &lastUsable));
        // "Disk gpt.img: 139264 sectors": the backup header is the disk's last sector, its
        // array of 128-byte entries ends just before it.
        std::string diskLine;
        ASSERT_TRUE(TextAfter(sgdisk, "Disk ", &diskLine));
        ASSERT_TRUE(NumberAfter(diskLine, ": ", &sectors));
        const uint64_t own = h.backup ? sectors - 1 : 1;
        const uint64_t other = h.backup ? 1 : sectors - 1;
        const uint64_t array = h.backup ? sectors - 1 - entries * 128 / 512 : tableStart;
        TestPrinter p;
        ASSERT_TRUE(p.OpenImage(image));
        ASSERT_TRUE(p.RunImageSector(kGptHeader, image, own));
        const std::string text = p.Text();
        SCOPED_TRACE(text);
        EXPECT_EQ(" GUID PARTITION TABLE", p.Line(1));
        EXPECT_EQ("  Signatur           : EFI PART", p.Line(4));
        EXPECT_EQ("  Revision           : 0.0.1.0", p.Line(5));
        EXPECT_EQ("  LbaPosition        : " + std::to_string(own), p.Line(9));

        std::string diskGuid;
        ASSERT_TRUE(TextAfter(sgdisk, "Disk identifier (GUID):", &diskGuid));
        EXPECT_EQ("  DiskGuid           : " + diskGuid, p.Line(13));
        EXPECT_EQ("  BackupPosition     : " + std::to_string(other), p.Line(10));
        EXPECT_EQ("  FirstLba           : " + std::to_string(firstUsable), p.Line(11));
        EXPECT_EQ("  LastLba            : " + std::to_string(lastUsable), p.Line(12));
        EXPECT_EQ("  PartitionTab       : " + std::to_string(array), p.Line(14));
        EXPECT_EQ("  UsedEntries        : " + std::to_string(entries), p.Line(15));
        EXPECT_EQ("  EntrySize          : 128", p.Line(16));

        // The report gives the CRCs as eight hexadecimal digits.
        std::string headerText, arrayText;
        const std::string prefix = h.backup ? "backup " : "";
        ASSERT_TRUE(TextAfter(crcs, prefix + "header", &headerText));
        ASSERT_TRUE(TextAfter(crcs, prefix + "array", &arrayText));
        EXPECT_EQ("  HeaderCrc          : " + headerText + "h\xA0 OK", p.Line(7));
        EXPECT_EQ("  PartitionCrc       : " + arrayText + "h\xA0 OK", p.Line(17));
        // 128 entries of 128 bytes on 512-byte sectors: 32 units from the table's LBA.
        ASSERT_EQ(1u, p.reads.size());
        EXPECT_EQ(array, p.reads[0].first);
        EXPECT_EQ(32u, p.reads[0].second);

        // Each field line leads back to its bytes.
        const MarkRange* mark = p.MarkAt(14, 30);
        ASSERT_NE(nullptr, mark);
        EXPECT_EQ(72, mark->byteOffset);
        EXPECT_EQ(8, mark->byteLength);
    }
}

TEST(GptHeaderPrinter, DamageShowsWrongAndUnknown)
{
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, 512, 512, &sector));

    {   // A changed byte inside the header: the header CRC fails, the array is still right.
        std::vector<uint8_t> bad = sector;
        bad[40] ^= 1;
        TestPrinter p;
        ASSERT_TRUE(p.OpenImage(image));
        p.Run(kGptHeader, bad);
        EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 WRONG")) << p.Line(7);
        EXPECT_NE(std::string::npos, p.Line(17).find("\xA0 OK")) << p.Line(17);
    }
    {   // A changed byte behind the header size (but inside the sector) changes nothing.
        std::vector<uint8_t> tail = sector;
        tail[300] ^= 0x55;
        TestPrinter p;
        ASSERT_TRUE(p.OpenImage(image));
        p.Run(kGptHeader, tail);
        EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 OK")) << p.Line(7);
    }
    {   // Reads that fail, and no document at all: the array cannot be checked.
        TestPrinter p;
        ASSERT_TRUE(p.OpenImage(image));
        p.failReads = true;
        p.Run(kGptHeader, sector);
        EXPECT_NE(std::string::npos, p.Line(17).find("\xA0 UNKNOWN")) << p.Line(17);
        TestPrinter none;
        none.hasDocument = false;
        none.Run(kGptHeader, sector);
        EXPECT_NE(std::string::npos, none.Line(17).find("\xA0 UNKNOWN"));
        EXPECT_TRUE(none.reads.empty());
    }
    {   // An entry array of 2^32-1 entries of 2^32-1 bytes: its 64-bit size is far above
        // what is read, so nothing is read (a 32-bit product would wrap to a small size).
        std::vector<uint8_t> huge = sector;
        memset(&huge[80], 0xFF, 8);
        TestPrinter p;
        ASSERT_TRUE(p.OpenImage(image));
        p.Run(kGptHeader, huge);
        EXPECT_TRUE(p.reads.empty());
        EXPECT_NE(std::string::npos, p.Line(17).find("\xA0 UNKNOWN"));
        // 0x80000001 entries of 32 bytes wrap to 32 bytes in 32 bits.
        huge[80] = 1; huge[81] = 0; huge[82] = 0; huge[83] = 0x80;
        huge[84] = 32; huge[85] = 0; huge[86] = 0; huge[87] = 0;
        p.reads.clear();
        p.Run(kGptHeader, huge);
        EXPECT_TRUE(p.reads.empty());
    }
    {   // A header that claims more bytes than were loaded cannot be right.
        std::vector<uint8_t> big = sector;
        big[12] = 0x00;
        big[13] = 0x04;   // 1024 bytes
        TestPrinter p;
        p.Run(kGptHeader, big);
        EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 WRONG"));
    }
}

TEST(GptHeaderPrinter, HeaderLongerThan256BytesIsCheckedOverTheLoadedSector)
{
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, 512, 512, &sector));
    // A header of 400 bytes whose CRC, taken with its own field as 0, is right.
    sector[12] = 400 & 0xFF;
    sector[13] = 400 >> 8;
    sector[14] = sector[15] = 0;
    sector[350] = 0x5A;   // inside the header, beyond the first 256 bytes
    memset(&sector[16], 0, 4);
    uint32_t crc = BitwiseCrc32(sector.data(), 400);
    memcpy(&sector[16], &crc, 4);
    TestPrinter p;
    ASSERT_TRUE(p.OpenImage(image));
    p.Run(kGptHeader, sector);
    EXPECT_EQ("  HeaderSize         : 400", p.Line(6));
    EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 OK")) << p.Line(7);
    // A byte changed at 350 is covered by the check; one at 450 lies behind the header.
    std::vector<uint8_t> changed = sector;
    changed[350] ^= 1;
    p.Run(kGptHeader, changed);
    EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 WRONG")) << p.Line(7);
    changed = sector;
    changed[450] ^= 1;
    p.Run(kGptHeader, changed);
    EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 OK")) << p.Line(7);
    // The same header loaded with only 256 bytes: what was not loaded cannot be checked.
    p.Run(kGptHeader, sector.data(), 256);
    EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 WRONG")) << p.Line(7);
}

// The limits of the header printer's two checks. A header is checked over its whole size or
// not at all: one longer than the 16384 bytes that are read shows WRONG even when its CRC is
// that of its first 16384 bytes, and one shorter than its own 92 bytes of fields shows WRONG
// even when its CRC is that of its bytes (at size 0 the CRC of no bytes, 0, which a wiped
// header holds). An array of no entries, or of entries of no bytes, is not read and shows
// WRONG whatever its CRC: the CRC of no bytes (zlib.crc32(b"") == 0) vouches for nothing. An
// array LBA whose 512-byte unit number does not fit 64 bits is not read at a wrapped place.
TEST(GptHeaderPrinter, ReadLimitsAndAnEmptyArray)
{
    const struct Case {
        const char* what;
        uint32_t loaded;       // bytes of the loaded sector
        uint32_t headerSize;
        uint32_t crcBytes;     // bytes the stored header CRC is taken over
        uint32_t entries;
        uint32_t entrySize;
        uint64_t arrayLba;
        uint32_t units;        // 512-byte units per sector
        uint32_t arrayCrc;
        const char* headerWord;
        const char* arrayWord;
        int reads;             // -1: one read, at the unit `firstUnit`
        uint64_t firstUnit;
    } cases[] = {
        {"a header of the whole read limit", 16384, 16384, 16384, 0, 128, 2, 1, 0, "OK", "WRONG", 0, 0},
        {"one byte more, CRC over all of it", 32768, 16385, 16385, 0, 128, 2, 1, 0, "WRONG", "WRONG", 0, 0},
        {"one byte more, CRC over its first 16384", 32768, 16385, 16384, 0, 128, 2, 1, 0, "WRONG", "WRONG", 0, 0},
        {"no entries, a CRC that is not 0", 512, 92, 92, 0, 128, 2, 1, 0x12345678, "OK", "WRONG", 0, 0},
        {"no entries, the CRC of no bytes", 512, 92, 92, 0, 128, 2, 1, 0, "OK", "WRONG", 0, 0},
        {"entries of no bytes, the CRC of no bytes", 512, 92, 92, 4, 0, 2, 1, 0, "OK", "WRONG", 0, 0},
        {"a header of size 0, the CRC of no bytes", 512, 0, 0, 4, 128, 2, 1, 0, "WRONG", "UNKNOWN", -1, 2},
        {"a header of 91 bytes, CRC over them", 512, 91, 91, 4, 128, 2, 1, 0, "WRONG", "UNKNOWN", -1, 2},
        {"LBA 2 of 2048-byte sectors", 2048, 92, 92, 4, 128, 2, 4, 0, "OK", "UNKNOWN", -1, 8},
        {"LBA 2^62 of 2048-byte sectors", 2048, 92, 92, 4, 128, 1ull << 62, 4, 0, "OK", "UNKNOWN", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> sector(c.loaded, 0);
        for (uint32_t i = 92; i < c.loaded; ++i)
            sector[i] = static_cast<uint8_t>(i * 13 + 1);
        memcpy(&sector[0], "EFI PART", 8);
        sector[10] = 1;
        PutU32(&sector[12], c.headerSize);
        PutU64(&sector[72], c.arrayLba);
        PutU32(&sector[80], c.entries);
        PutU32(&sector[84], c.entrySize);
        PutU32(&sector[88], c.arrayCrc);
        PutU32(&sector[16], BitwiseCrc32(sector.data(), c.crcBytes));
        TestPrinter p;   // a document with nothing open: every read fails
        p.unitsPerSector = c.units;
        p.loadedSize = c.loaded;
        p.Run(kGptHeader, sector);
        const std::string header = p.Line(7), array = p.Line(17);
        EXPECT_EQ(header.substr(header.find('\xA0')), std::string("\xA0 ") + c.headerWord) << header;
        EXPECT_EQ(array.substr(array.find('\xA0')), std::string("\xA0 ") + c.arrayWord) << array;
        if (c.reads < 0) {
            ASSERT_EQ(p.reads.size(), 1u);
            EXPECT_EQ(p.reads[0].first, c.firstUnit);
        } else {
            EXPECT_EQ(p.reads.size(), static_cast<size_t>(c.reads));
        }
    }
}

// sgdisk's verdict on headers with one flaw each (made by make-printer-images.sh from one
// small disk): a header of 60 bytes whose CRC is that of those 60, a header of 0 entries whose
// array CRC is that of no bytes (0), and the backup header wiped to zeros while the primary
// still names it. Where `sgdisk -v` says ERROR the printer shows WRONG, where it finds no
// fault OK. sgdisk rebuilds a wiped backup's table from the primary and calls that table OK;
// the wiped header itself names no entries, so its array shows WRONG.
TEST(GptHeaderPrinter, ChecksumWordsAgreeWithSgdisk)
{
    const struct Flaw {
        const char* image;
        bool backup;
        const char* headerLabel;   // sgdisk's line for the header and for its table
        const char* tableLabel;    // null: the array word is `arrayWord`
        const char* arrayWord;
    } flaws[] = {
        {"gptflaw.img", false, "Main header:", "Main partition table:", nullptr},
        {"gptflaw-size60.img", false, "Main header:", "Main partition table:", nullptr},
        {"gptflaw-noentries.img", false, "Main header:", "Main partition table:", nullptr},
        {"gptflaw-zeroback.img", true, "Backup header:", nullptr, "WRONG"},
    };
    // sgdisk's word for a line; a disk without faults has no such lines.
    auto word = [](const std::string& report, const char* label) {
        std::string w;
        if (!TextAfter(report, label, &w))
            return std::string("OK");
        return std::string(w == "ERROR" ? "WRONG" : w);
    };
    for (const Flaw& f : flaws) {
        SCOPED_TRACE(f.image);
        const std::string image = FixturePath(f.image);
        NEED_FIXTURE(image);
        std::string verify;
        NEED_REPORT(image + ".sgdiskv.txt", verify);
        FILE* file = fopen(image.c_str(), "rb");
        ASSERT_NE(nullptr, file);
        _fseeki64(file, 0, SEEK_END);
        const uint64_t sectors = static_cast<uint64_t>(_ftelli64(file)) / 512;
        fclose(file);
        TestPrinter p;
        ASSERT_TRUE(p.OpenImage(image));
        ASSERT_TRUE(p.RunImageSector(kGptHeader, image, f.backup ? sectors - 1 : 1));
        const std::string header = p.Line(7), array = p.Line(17);
        ASSERT_NE(std::string::npos, header.find('\xA0')) << p.Text();
        EXPECT_EQ(header.substr(header.find('\xA0')), "\xA0 " + word(verify, f.headerLabel)) << verify;
        EXPECT_EQ(array.substr(array.find('\xA0')),
                  "\xA0 " + (f.tableLabel ? word(verify, f.tableLabel) : std::string(f.arrayWord)))
            << verify;
        // A word other than OK is red.
        const int column = static_cast<int>(header.find('\xA0')) + 2;
        EXPECT_TRUE(p.CellHasColour(7, column, header.compare(column, 2, "OK") == 0 ? PC_OK : PC_ERROR));
    }
}

// Header fields as large as their bytes hold: 32-bit counts of 2^31 and more and 64-bit LBAs
// of 2^63 and more, shown digit for digit as the unsigned numbers they are, red to the last
// digit.
TEST(GptHeaderPrinter, FieldsAsLargeAsTheirBytes)
{
    const struct Field {
        uint32_t offset, width;
        uint64_t value;
        int line;
    } fields[] = {
        {12, 4, 0x80000000u, 6},                 // HeaderSize
        {24, 8, 1ull << 63, 9},                  // LbaPosition
        {32, 8, ~0ull, 10},                      // BackupPosition
        {40, 8, (1ull << 63) + 1, 11},           // FirstLba
        {48, 8, 0xFFFFFFFF00000000ull, 12},      // LastLba
        {72, 8, 0x8000000000001234ull, 14},      // PartitionTab
        {80, 4, 0xFFFFFFFFu, 15},                // UsedEntries
        {84, 4, 0x80000001u, 16},                // EntrySize
    };
    std::vector<uint8_t> sector(512, 0);
    memcpy(&sector[0], "EFI PART", 8);
    for (const Field& f : fields) {
        for (uint32_t i = 0; i < f.width; ++i)
            sector[f.offset + i] = static_cast<uint8_t>(f.value >> (8 * i));
    }
    TestPrinter p;
    p.Run(kGptHeader, sector);
    for (const Field& f : fields) {
        const std::string digits = std::to_string(static_cast<unsigned long long>(f.value));
        SCOPED_TRACE(digits);
        EXPECT_EQ(digits, FieldValue(p.Line(f.line))) << p.Text();
        EXPECT_TRUE(p.CellHasColour(f.line, 23 + static_cast<int>(digits.size()) - 1, PC_RED));
    }
}

TEST(GptHeaderPrinter, LargeSectorsReadTheArrayAtUnitsOfTheLba)
{
    // A 2048-byte-sector medium: LBA 2 is unit 8, and 16 KB of entries are 8 sectors, 32
    // units. The CRC comes out right when those units are the array.
    std::vector<uint8_t> medium(2048 * 16, 0);
    for (size_t i = 0; i < 16384; ++i)
        medium[2048 * 2 + i] = static_cast<uint8_t>(i * 7 + 3);
    std::vector<uint8_t> header(2048, 0);
    memcpy(&header[0], "EFI PART", 8);
    header[10] = 1;
    header[12] = 92;
    header[72] = 2;     // array LBA
    header[80] = 128;   // entries
    header[84] = 128;   // entry size
    const uint32_t crc = BitwiseCrc32(&medium[2048 * 2], 16384);
    memcpy(&header[88], &crc, 4);

    class MediumPrinter : public TestPrinter {
    public:
        std::vector<uint8_t>* bytes = nullptr;
    protected:
        bool DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const override
        {
            reads.push_back(std::make_pair(firstUnit, count));
            if ((firstUnit + count) * 512 > bytes->size())
                return false;
            memcpy(buffer, bytes->data() + firstUnit * 512, count * 512);
            return true;
        }
    } p;
    p.bytes = &medium;
    p.unitsPerSector = 4;
    p.Run(kGptHeader, header);
    ASSERT_EQ(1u, p.reads.size());
    EXPECT_EQ(8u, p.reads[0].first);
    EXPECT_EQ(32u, p.reads[0].second);
    EXPECT_NE(std::string::npos, p.Line(17).find("\xA0 OK")) << p.Text();
}

// The entries of gpt.img and of gpt3t.img, whose second and third partitions start behind
// 2^32 sectors, as `sgdisk -i N` reports them.
TEST(GptEntriesPrinter, EntriesMatchSgdisk)
{
    const struct Disk {
        const char* image;
        int partitions;
    } disks[] = {{"gpt.img", 4}, {"gpt3t.img", 3}};
    for (const Disk& disk : disks) {
        SCOPED_TRACE(disk.image);
        const std::string image = FixturePath(disk.image);
        NEED_FIXTURE(image);
        std::string sgdisk;
        NEED_REPORT(image + ".sgdisk.txt", sgdisk);
        uint64_t tableStart = 0;
        ASSERT_TRUE(NumberAfter(sgdisk, "table begins at sector", &tableStart));
        TestPrinter p;
        ASSERT_TRUE(p.RunImageSector(kGptEntries, image, tableStart));
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(" GUID PARTITION ENTRIES", p.Line(1));
        for (int n = 1; n <= disk.partitions; ++n) {
            std::string info;
            NEED_REPORT(image + ".sgdisk" + std::to_string(n) + ".txt", info);
            const int title = 3 + 9 * (n - 1);
            EXPECT_EQ(" Entry " + std::to_string(n), p.Line(title));
            std::string typeGuid, uniqueGuid, attributes;
            uint64_t first = 0, last = 0;
            ASSERT_TRUE(TextAfter(info, "Partition GUID code:", &typeGuid));
            typeGuid = typeGuid.substr(0, 36);
            ASSERT_TRUE(TextAfter(info, "Partition unique GUID:", &uniqueGuid));
            ASSERT_TRUE(NumberAfter(info, "First sector:", &first));
            ASSERT_TRUE(NumberAfter(info, "Last sector:", &last));
            ASSERT_TRUE(TextAfter(info, "Attribute flags:", &attributes));
            EXPECT_EQ(0u, p.Line(title + 2).find("  PartitionsTyp      : " + typeGuid + " "));
            EXPECT_EQ("  PartitionsGuid     : " + uniqueGuid, p.Line(title + 3));
            EXPECT_EQ("  StartLba           : " + std::to_string(first), p.Line(title + 4));
            EXPECT_EQ("  EndLba             : " + std::to_string(last), p.Line(title + 5));
            EXPECT_EQ("  Attributes         : " + Upper(attributes) + "h ", p.Line(title + 6));
            // sgdisk made the partitions without names.
            EXPECT_EQ("  PartitionName      : ", p.Line(title + 7));
            // The whole entry is marked on its title line.
            const MarkRange* mark = p.MarkAt(title, 3);
            ASSERT_NE(nullptr, mark);
            EXPECT_EQ(128 * (n - 1), mark->byteOffset);
            EXPECT_EQ(128, mark->byteLength);
        }
        // Type names: the basic data GUID (0700) and the Linux one (8300).
        EXPECT_EQ("  PartitionsTyp      : EBD0A0A2-B9E5-4433-87C0-68B6B72699C7 Basic Data Partition", p.Line(5));
        EXPECT_EQ("  PartitionsTyp      : 0FC63DAF-8483-4772-8E79-3D69D8477DE4 Linux Datapartition",
                  p.Line(disk.partitions == 4 ? 23 : 14));

        // The next sector of the array holds unused entries.
        ASSERT_TRUE(p.RunImageSector(kGptEntries, image, tableStart + 1));
        EXPECT_EQ("  PartitionsTyp      : 00000000-0000-0000-0000-000000000000 Unbenutzt", p.Line(5));
    }
}

TEST(GptEntriesPrinter, AttributesAndNames)
{
    std::vector<uint8_t> sector(512, 0);
    uint8_t* e = &sector[0];
    e[48] = 0x07;                 // system, EFI-hidden, bootable
    e[48 + 7] = 0xD0;             // bits 60, 62, 63
    const char* name = "EFI System Partition with a name longer than thirty-six";
    for (int i = 0; name[i] && i < 36; ++i)
        e[56 + 2 * i] = static_cast<uint8_t>(name[i]);
    // LBAs as large as their eight bytes hold.
    const uint64_t start = 1ull << 63, end = ~0ull;
    PutU64(e + 32, start);
    PutU64(e + 40, end);
    TestPrinter p;
    p.Run(kGptEntries, sector);
    EXPECT_EQ("  Attributes         : D000000000000007h System EFI-Hidden Bootable ReadOnly Hidden NotMount",
              p.Line(9));
    EXPECT_EQ("  PartitionName      : EFI System Partition with a name lon", p.Line(10));
    EXPECT_EQ("  StartLba           : " + std::to_string(static_cast<unsigned long long>(start)), p.Line(7));
    EXPECT_EQ("  EndLba             : " + std::to_string(static_cast<unsigned long long>(end)), p.Line(8));
    // The entry blocks stand where the colour pattern expects them: the title turquoise, the
    // attribute value red over its 40 cells and its flag words behind them in the standard
    // colours, none of them cut in colour.
    EXPECT_TRUE(p.CellHasColour(3, 1, PC_CYAN));
    EXPECT_TRUE(p.CellHasColour(9, 39, PC_RED));
    for (int column = 40; column < static_cast<int>(p.Line(9).size()); ++column)
        EXPECT_FALSE(p.CellHasColour(9, column, PC_RED)) << "column " << column;
}

TEST(GptTypeNames, MixedEndianCaseInsensitiveFirstRowWins)
{
    // The German names first, in their order: the basic data GUID is also listed later as
    // an old Linux type.
    EXPECT_STREQ("Basic Data Partition", GptTypeNameOf("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"));
    EXPECT_STREQ("Basic Data Partition", GptTypeNameOf("ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"));
    EXPECT_STREQ("EFI-Systempartition (ESP)", GptTypeNameOf("C12A7328-F81F-11D2-BA4B-00A0C93EC93B"));
    EXPECT_STREQ("BIOS-Bootpartition", GptTypeNameOf("21686148-6449-6E6F-744E-656564454649"));
    EXPECT_STREQ("Solaris Boot partition", GptTypeNameOf("6A82CB45-1DD2-11B2-99A6-080020736631"));
    // The stored order of the fourth group's bytes is not the GUID text.
    EXPECT_STREQ("", GptTypeNameOf("C12A7328-F81F-11D2-4BBA-00A0C93EC93B"));
    // Types only the second list knows.
    EXPECT_STREQ("Chromebook", GptTypeNameOf("FE3A2A5D-4F32-41A7-B725-ACCC3285A309"));
    EXPECT_STREQ("Linux x86-64 root", GptTypeNameOf("4f68bce3-e8cd-4db1-96e7-fbcaf984b709"));
    // A text shorter than a GUID matches nothing.
    EXPECT_STREQ("", GptTypeNameOf("6A82CB45-1DD2-11B2-99A6-08002073663"));
    EXPECT_STREQ("", GptTypeNameOf("12345678-1234-1234-1234-123456789ABC"));
}
