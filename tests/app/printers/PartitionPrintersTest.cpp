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

}  // namespace

TEST(MbrPrinter, EntriesAndSignatureMatchSfdisk)
{
    const std::string image = FixturePath("mbr.img");
    NEED_FIXTURE(image);
    std::string json;
    NEED_REPORT(image + ".sfdisk.txt", json);
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, 0, 512, &sector));

    TestPrinter p;
    p.Run(kMbr, sector);
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
        EXPECT_NE(std::string::npos, line.find(Format("Off:%10I64u", part.start)));
        EXPECT_NE(std::string::npos, line.find(Format("Size:%10I64u", part.size)));
        EXPECT_NE(std::string::npos, line.find(Format("Type=%02I64Xh", part.type)));
        // Sizes below a gigabyte in megabytes with one truncated decimal.
        const uint64_t kb = part.size / 2;
        char size[32];
        StrPrintf(size, "(%3i.%01i MB)", static_cast<int>(kb / 1024), static_cast<int>((kb % 1024) * 10 / 1024));
        EXPECT_NE(std::string::npos, line.find(size));
        // The start LBA's mark leads back to bytes 8 to 11 of the entry.
        const MarkRange* mark = p.MarkAt(3 + part.number, 65);
        ASSERT_NE(nullptr, mark);
        EXPECT_EQ(446 + 16 * (part.number - 1) + 8, mark->byteOffset);
        EXPECT_EQ(4, mark->byteLength);
    }
    EXPECT_EQ(2, primaries);
    EXPECT_NE(std::string::npos, p.Line(4).find("   FAT16 (max. 2 GB)"));
    EXPECT_NE(std::string::npos, p.Line(5).find("   extended DOS-Partition  (max. 2 GB)"));
    // Unused entries print as zeros without a type name.
    EXPECT_EQ("  ----  S:  0 H:  0 C:   0  Type=00h  S:  0 H:  0 C:   0   Off:         0   Size:         0 (  0.0 MB) ",
              p.Line(7));
}

TEST(MbrPrinter, ExtendedBootRecordShowsStartsRelativeToTheExtendedPartition)
{
    const std::string image = FixturePath("mbr.img");
    NEED_FIXTURE(image);
    std::string json;
    NEED_REPORT(image + ".sfdisk.txt", json);
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
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, extendedStart * 512, 512, &sector));
    TestPrinter p;
    p.Run(kMbr, sector);
    EXPECT_NE(std::string::npos, p.Line(4).find(Format("Off:%10I64u", firstLogical->start - extendedStart)))
        << p.Line(4);
    EXPECT_NE(std::string::npos, p.Line(4).find(Format("Size:%10I64u", firstLogical->size)));
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

TEST(GptHeaderPrinter, FieldsMatchSgdiskAndCrcsMatchZlib)
{
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    std::string sgdisk, verify, crcs;
    NEED_REPORT(image + ".sgdisk.txt", sgdisk);
    NEED_REPORT(image + ".sgdiskv.txt", verify);
    NEED_REPORT(image + ".zlibcrc.txt", crcs);
    ASSERT_NE(std::string::npos, verify.find("No problems found")) << verify;
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, 512, 512, &sector));

    TestPrinter p;
    ASSERT_TRUE(p.OpenImage(image));
    p.currentSector = 1;
    p.Run(kGptHeader, sector);
    const std::string text = p.Text();
    SCOPED_TRACE(text);
    EXPECT_EQ(" GUID PARTITION TABLE", p.Line(1));
    EXPECT_EQ("  Signatur           : EFI PART", p.Line(4));
    EXPECT_EQ("  Revision           : 0.0.1.0", p.Line(5));
    EXPECT_EQ("  LbaPosition        : 1", p.Line(9));

    std::string diskGuid;
    ASSERT_TRUE(TextAfter(sgdisk, "Disk identifier (GUID):", &diskGuid));
    EXPECT_EQ("  DiskGuid           : " + diskGuid, p.Line(13));
    uint64_t sectors = 0, entries = 0, tableStart = 0, firstUsable = 0, lastUsable = 0;
    ASSERT_TRUE(NumberAfter(sgdisk, "holds up to", &entries));
    ASSERT_TRUE(NumberAfter(sgdisk, "table begins at sector", &tableStart));
    ASSERT_TRUE(NumberAfter(sgdisk, "First usable sector is", &firstUsable));
    ASSERT_TRUE(NumberAfter(sgdisk, "last usable sector is", &lastUsable));
    // "Disk gpt.img: 139264 sectors": the backup header is the disk's last sector.
    std::string diskLine;
    ASSERT_TRUE(TextAfter(sgdisk, "Disk ", &diskLine));
    ASSERT_TRUE(NumberAfter(diskLine, ": ", &sectors));
    EXPECT_EQ(Format("  BackupPosition     : %I64u", sectors - 1), p.Line(10));
    EXPECT_EQ(Format("  FirstLba           : %I64u", firstUsable), p.Line(11));
    EXPECT_EQ(Format("  LastLba            : %I64u", lastUsable), p.Line(12));
    EXPECT_EQ(Format("  PartitionTab       : %I64u", tableStart), p.Line(14));
    EXPECT_EQ(Format("  UsedEntries        : %I64u", entries), p.Line(15));
    EXPECT_EQ("  EntrySize          : 128", p.Line(16));

    // The report gives the CRCs as eight hexadecimal digits.
    std::string headerText, arrayText;
    ASSERT_TRUE(TextAfter(crcs, "header", &headerText));
    ASSERT_TRUE(TextAfter(crcs, "array", &arrayText));
    EXPECT_EQ("  HeaderCrc          : " + headerText + "h\xA0 OK", p.Line(7));
    EXPECT_EQ("  PartitionCrc       : " + arrayText + "h\xA0 OK", p.Line(17));
    // 128 entries of 128 bytes on 512-byte sectors: 32 units from the table's LBA.
    ASSERT_EQ(1u, p.reads.size());
    EXPECT_EQ(tableStart, p.reads[0].first);
    EXPECT_EQ(32u, p.reads[0].second);

    // Each field line leads back to its bytes.
    const MarkRange* mark = p.MarkAt(14, 30);
    ASSERT_NE(nullptr, mark);
    EXPECT_EQ(72, mark->byteOffset);
    EXPECT_EQ(8, mark->byteLength);
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

namespace {

// Reflected CRC-32 (zlib's crc32), bit by bit: computed here apart from the printer's table.
uint32_t BitwiseCrc32(const uint8_t* bytes, size_t count)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
    }
    return ~crc;
}

}  // namespace

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
// that of its first 16384 bytes. An array of no entries is not read: its CRC-32 is that of no
// bytes, 0 (zlib.crc32(b"") == 0). An array LBA whose 512-byte unit number does not fit 64 bits
// is not read at a wrapped place.
TEST(GptHeaderPrinter, ReadLimitsAndAnEmptyArray)
{
    const struct Case {
        const char* what;
        uint32_t loaded;       // bytes of the loaded sector
        uint32_t headerSize;
        uint32_t crcBytes;     // bytes the stored header CRC is taken over
        uint32_t entries;      // of 128 bytes each
        uint64_t arrayLba;
        uint32_t units;        // 512-byte units per sector
        uint32_t arrayCrc;
        const char* headerWord;
        const char* arrayWord;
        int reads;             // -1: one read, at the unit `firstUnit`
        uint64_t firstUnit;
    } cases[] = {
        {"a header of the whole read limit", 16384, 16384, 16384, 0, 2, 1, 0, "OK", "OK", 0, 0},
        {"one byte more, CRC over all of it", 32768, 16385, 16385, 0, 2, 1, 0, "WRONG", "OK", 0, 0},
        {"one byte more, CRC over its first 16384", 32768, 16385, 16384, 0, 2, 1, 0, "WRONG", "OK", 0, 0},
        {"no entries, a CRC that is not 0", 512, 92, 92, 0, 2, 1, 0x12345678, "OK", "WRONG", 0, 0},
        {"LBA 2 of 2048-byte sectors", 2048, 92, 92, 4, 2, 4, 0, "OK", "UNKNOWN", -1, 8},
        {"LBA 2^62 of 2048-byte sectors", 2048, 92, 92, 4, 1ull << 62, 4, 0, "OK", "UNKNOWN", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> sector(c.loaded, 0);
        for (uint32_t i = 92; i < c.loaded; ++i)
            sector[i] = static_cast<uint8_t>(i * 13 + 1);
        memcpy(&sector[0], "EFI PART", 8);
        sector[10] = 1;
        PutU32(&sector[12], c.headerSize);
        PutU32(&sector[72], static_cast<uint32_t>(c.arrayLba));
        PutU32(&sector[76], static_cast<uint32_t>(c.arrayLba >> 32));
        PutU32(&sector[80], c.entries);
        PutU32(&sector[84], 128);
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

TEST(GptEntriesPrinter, EntriesMatchSgdisk)
{
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    std::string sgdisk;
    NEED_REPORT(image + ".sgdisk.txt", sgdisk);
    uint64_t tableStart = 0;
    ASSERT_TRUE(NumberAfter(sgdisk, "table begins at sector", &tableStart));
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, tableStart * 512, 512, &sector));

    TestPrinter p;
    p.Run(kGptEntries, sector);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(" GUID PARTITION ENTRIES", p.Line(1));
    for (int n = 1; n <= 4; ++n) {
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
        EXPECT_EQ(Format("  StartLba           : %I64u", first), p.Line(title + 4));
        EXPECT_EQ(Format("  EndLba             : %I64u", last), p.Line(title + 5));
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
    EXPECT_EQ("  PartitionsTyp      : 0FC63DAF-8483-4772-8E79-3D69D8477DE4 Linux Datapartition", p.Line(23));

    // The next sector of the array holds unused entries.
    std::vector<uint8_t> unused;
    ASSERT_TRUE(LoadBytes(image, (tableStart + 1) * 512, 512, &unused));
    p.Run(kGptEntries, unused);
    EXPECT_EQ("  PartitionsTyp      : 00000000-0000-0000-0000-000000000000 Unbenutzt", p.Line(5));
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
    TestPrinter p;
    p.Run(kGptEntries, sector);
    EXPECT_EQ("  Attributes         : D000000000000007h System EFI-Hidden Bootable ReadOnly Hidden NotMount",
              p.Line(9));
    EXPECT_EQ("  PartitionName      : EFI System Partition with a name lon", p.Line(10));
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
