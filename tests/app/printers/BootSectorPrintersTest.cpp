// The boot sector printers on volumes made by mkfs.fat, mkntfs and mkfs.exfat, checked against
// `minfo -i`, `fsck.fat -v -n`, `fsstat`, `ntfsinfo -m` and `dump.exfat`.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "PrinterTestSupport.h"
#include "textlib/SiNumber.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kFatBoot = 2;
const int kFat32Boot = 3;
const int kNtfsBoot = 4;
const int kExFatBoot = 5;
const int kFat32Info = 7;

// The value of the first line whose label is `label` ("BytesPerSector"), from `from` on.
std::string Field(const TestPrinter& p, const char* label, int from = 3)
{
    char prefix[40];
    StrPrintf(prefix, "  %-19s: ", label);
    const int line = p.FindLine(prefix, from);
    return line < 0 ? std::string("<no ") + label + ">" : p.Line(line).substr(strlen(prefix));
}





// A quoted value of minfo (disk label="FLOPPY     "): the text between the quotes.
std::string Quoted(const std::string& report, const char* label)
{
    std::string v = NeedText(report, label);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

std::string SizeText(uint64_t bytes)
{
    char text[32];
    FormatSiNumber(static_cast<DWORD>(bytes), static_cast<DWORD>(bytes >> 32), text, SIN_PRINTER_SIZE, 1, nullptr);
    return text;
}

// The fields FAT12/16 and FAT32 share, as minfo reports them. minfo shows the hidden
// sectors as a signed number (a volume behind the first TiB of its disk comes out negative):
// they are taken from fsstat, and from minfo only where it shows them as the number they are.
void ExpectCommonBpb(const TestPrinter& p, const std::string& minfo, const std::string& fsstat)
{
    EXPECT_EQ(Quoted(minfo, "banner:"), Field(p, "OEMName"));
    EXPECT_EQ(Dec(Need(minfo, "sector size:")), Field(p, "BytesPerSector"));
    EXPECT_EQ(Dec(Need(minfo, "cluster size:")), Field(p, "SectorsPerCluster"));
    EXPECT_EQ(Dec(Need(minfo, "reserved (boot) sectors:")), Field(p, "ReservedSectors"));
    EXPECT_EQ(Dec(Need(minfo, "fats:")), Field(p, "NumberOfFATs"));
    EXPECT_EQ(Dec(Need(minfo, "max available root directory slots:")), Field(p, "DirEntries"));
    EXPECT_EQ(Dec(Need(minfo, "small size:")), Field(p, "SectorsOnDisk"));
    EXPECT_EQ(Format("%02I64Xh", Need(minfo, "media descriptor byte:")), Field(p, "MediaDescriptor"));
    EXPECT_EQ(Dec(Need(minfo, "sectors per fat:")), Field(p, "SectorsPerFAT"));
    EXPECT_EQ(Dec(Need(minfo, "sectors per track:")), Field(p, "SectorsPerTrack"));
    EXPECT_EQ(Dec(Need(minfo, "heads:")), Field(p, "NumberOfHeads"));
    EXPECT_EQ(std::to_string(Need(fsstat, "Sectors before file system:")), Field(p, "HiddenSectors"));
    uint64_t hidden = 0;
    if (NumberAfter(minfo, "hidden sectors:", &hidden)) {
        EXPECT_EQ(Dec(hidden), Field(p, "HiddenSectors"));
    }
    // minfo names the 32-bit count only where the volume uses it; fsstat counts the sectors
    // of either.
    uint64_t bigSize = 0;
    if (NumberAfter(minfo, "big size:", &bigSize)) {
        EXPECT_EQ(std::to_string(bigSize), Field(p, "TotalSectors"));
        EXPECT_EQ(std::to_string(Need(fsstat, "Total Range: 0 -") + 1), Field(p, "TotalSectors"));
    } else {
        EXPECT_NE(0u, Need(minfo, "small size:"));
    }
    EXPECT_EQ(Format("%02I64Xh", Need(minfo, "physical drive id:")), Field(p, "PhysicalDiskNumber"));
    EXPECT_EQ(Format("%02I64Xh", Need(minfo, "dos4=")), Field(p, "Signature"));
    EXPECT_EQ(NeedText(minfo, "serial number:") + "h", Field(p, "SerialNumber"));
    EXPECT_EQ(Quoted(minfo, "disk label="), Field(p, "Label"));
    EXPECT_EQ(Quoted(minfo, "disk type="), Field(p, "SystemID"));
}

// A volume of the fixtures: an image of its own, or partition `partition` of a disk, with the
// names of its reports (<image>.<name>.txt). The volumes in partitions of mbr2t.img (a 2 TiB
// disk made by sfdisk) know their partition's start as their hidden sectors.
struct Volume {
    const char* image;
    int partition;          // 0: the whole image
    const char* minfo;      // report names; null where there is none
    const char* fsck;
    const char* fsstat;
    const char* ntfsinfo;
};

// The first sector of a volume: 0, or its partition's start as sfdisk reports it; -1 and a
// failure when the report is missing.
int64_t VolumeStart(const Volume& v)
{
    if (v.partition == 0)
        return 0;
    const std::string image = FixturePath(v.image);
    std::string json;
    if (!LoadText(image + ".sfdisk.txt", &json))
        return -1;
    const size_t node = json.find(std::string(v.image) + std::to_string(v.partition) + "\"");
    uint64_t start = 0;
    EXPECT_TRUE(node != std::string::npos && NumberAfter(json, "\"start\":", &start, node)) << json;
    return static_cast<int64_t>(start);
}

std::string Report(const Volume& v, const char* name)
{
    std::string text;
    if (name)
        LoadText(FixturePath(v.image) + "." + name + ".txt", &text);
    return text;
}

std::string VolumeName(const Volume& v)
{
    return v.partition ? std::string(v.image) + ", partition " + std::to_string(v.partition) : v.image;
}

// True when the volume's image and every report it names were made on this machine.
bool VolumeMade(const Volume& v)
{
    for (const char* name : {v.minfo, v.fsck, v.fsstat, v.ntfsinfo}) {
        if (name && Report(v, name).empty())
            return false;
    }
    return FileExists(FixturePath(v.image));
}

// Runs the printer of the type on each volume, on its first sector or on the sector that its
// minfo report gives after `offsetLabel`, and hands the printer to `check` with the volume and
// its first sector. A volume not made on this machine skips the test.
template <size_t N, typename Check>
void ForEachVolume(const Volume (&volumes)[N], int type, const char* offsetLabel, Check check)
{
    for (const Volume& v : volumes) {
        SCOPED_TRACE(VolumeName(v));
        if (!VolumeMade(v))
            GTEST_SKIP() << VolumeName(v) << " or its reports were not made (tool missing)";
        const int64_t start = VolumeStart(v);
        ASSERT_GE(start, 0);
        const uint64_t offset = offsetLabel ? Need(Report(v, v.minfo), offsetLabel) : 0;
        TestPrinter p;
        ASSERT_TRUE(p.RunImageSector(type, FixturePath(v.image), static_cast<uint64_t>(start) + offset));
        SCOPED_TRACE(p.Text());
        check(v, p, start);
    }
}

}  // namespace

// mkfs.fat's FAT12 and FAT16 volumes, and a FAT16 in the third partition of mbr2t.img,
// which starts 3.3 billion sectors into the disk: its hidden sectors lie past 2^31.
TEST(BootSectorPrinters, Fat12AndFat16MatchMinfoAndFsck)
{
    const Volume volumes[] = {
        {"fat12.img", 0, "minfo", "fsck", "fsstat", nullptr},
        {"fat16.img", 0, "minfo", "fsck", "fsstat", nullptr},
        {"mbr2t.img", 3, "minfo3", nullptr, "fsstat3", nullptr},
    };
    ForEachVolume(volumes, kFatBoot, nullptr, [](const Volume& v, TestPrinter& p, int64_t start) {
        const std::string minfo = Report(v, v.minfo), fsck = Report(v, v.fsck), fsstat = Report(v, v.fsstat);
        EXPECT_EQ(" BOOT-SEKTOR FAT12/FAT16", p.Line(1));
        EXPECT_EQ("  OEMName            : mkfs.fat", p.Line(3));
        ExpectCommonBpb(p, minfo, fsstat);
        if (v.partition) {
            EXPECT_EQ(std::to_string(start), Field(p, "HiddenSectors"));
        }
        if (v.fsck) {
            // fsck.fat says the same in its own words.
            // "First FAT starts at byte 512 (sector 1)": the FAT follows the reserved sectors.
            EXPECT_EQ(Dec(Need(fsck, "(sector")), Field(p, "ReservedSectors"));
            EXPECT_EQ(Dec(Need(fsck, "Media byte")), Dec(strtoull(Field(p, "MediaDescriptor").c_str(), nullptr, 16)));
        }
        EXPECT_EQ("  Signature          : AA55h", p.Line(p.LineCount() - 1));
    });
}

// mkfs.fat's FAT32 of 34816 sectors, and one of 2.2 billion sectors (more than 2^31) in the
// fifth partition of mbr2t.img.
TEST(BootSectorPrinters, Fat32MatchesMinfo)
{
    const Volume volumes[] = {
        {"fat32.img", 0, "minfo", nullptr, "fsstat", nullptr},
        {"mbr2t.img", 5, "minfo5", nullptr, "fsstat5", nullptr},
    };
    ForEachVolume(volumes, kFat32Boot, nullptr, [](const Volume& v, TestPrinter& p, int64_t start) {
        const std::string minfo = Report(v, v.minfo), fsstat = Report(v, v.fsstat);
        EXPECT_EQ(" BOOT-SEKTOR FAT32", p.Line(1));
        ExpectCommonBpb(p, minfo, fsstat);
        if (v.partition) {
            EXPECT_EQ(std::to_string(start), Field(p, "HiddenSectors"));
        }
        // The 32-bit count follows the (zero) 16-bit one.
        const int first = p.FindLine("  SectorsPerFAT      : ");
        EXPECT_EQ("0", Field(p, "SectorsPerFAT"));
        EXPECT_EQ(Dec(Need(minfo, "Big fatlen=")), Field(p, "SectorsPerFAT", first + 1));
        EXPECT_EQ(Format("%04I64Xh", Need(minfo, "Extended flags=")), Field(p, "Flags"));
        EXPECT_EQ(Format("%04I64Xh", Need(minfo, "FS version=")), Field(p, "Version"));
        EXPECT_EQ(Format("%08I64Xh", Need(minfo, "rootCluster=")), Field(p, "RootDirCluster"));
        EXPECT_EQ(Dec(Need(minfo, "infoSector location=")), Field(p, "InfoSector"));
        EXPECT_EQ(Dec(Need(minfo, "backup boot sector=")), Field(p, "BackupBootSector"));
        EXPECT_EQ("  Signature          : AA55h", p.Line(p.LineCount() - 1));
        EXPECT_EQ(29, p.LineCount());
    });
}

TEST(BootSectorPrinters, Fat32InfoSectorMatchesMinfo)
{
    const Volume volumes[] = {
        {"fat32.img", 0, "minfo", nullptr, "fsstat", nullptr},
        {"mbr2t.img", 5, "minfo5", nullptr, "fsstat5", nullptr},
    };
    ForEachVolume(volumes, kFat32Info, "infoSector location=", [](const Volume& v, TestPrinter& p, int64_t) {
        const std::string minfo = Report(v, v.minfo), fsstat = Report(v, v.fsstat);
        EXPECT_EQ(" INFO-SEKTOR", p.Line(1));
        EXPECT_EQ(Format("%08I64Xh", Need(minfo, "signature=")), Field(p, "Signature1"));
        // The second signature and the trailing one are fixed by the format ("rrAa", 0xAA550000).
        EXPECT_EQ("61417272h", Field(p, "Signature2"));
        EXPECT_EQ(Dec(Need(minfo, "free clusters=")), Field(p, "FreeClusterCount"));
        // fsstat counts the free clusters of the info sector in sectors.
        EXPECT_EQ(std::to_string(Need(fsstat, "Free Sector Count (FS Info):") / Need(minfo, "cluster size:")),
                  Field(p, "FreeClusterCount"));
        EXPECT_EQ(Format("%08I64Xh", Need(minfo, "last allocated cluster=")), Field(p, "NextFreeCluster"));
        EXPECT_EQ("AA550000h", Field(p, "Signature"));
        EXPECT_EQ(8, p.LineCount());
    });
}

namespace {

// The cluster-count form of NTFS: a size of a cluster or more counts clusters, a smaller one is
// stored as the negative power of two (1024 bytes are -10, the byte 0xF6), shown as the
// unsigned value of the four bytes.
std::string NtfsClusterCount(uint64_t bytes, uint64_t clusterSize)
{
    if (bytes >= clusterSize)
        return std::to_string(bytes / clusterSize);
    int log2 = 0;
    while ((1ull << log2) < bytes)
        ++log2;
    return std::to_string(256 - log2);
}

}  // namespace

// mkntfs's volume of 4 KiB clusters, and one of 64 KiB clusters (128 sectors, the byte 0x80)
// in the sixth partition of mbr2t.img, 2.2 billion sectors into the disk.
TEST(BootSectorPrinters, NtfsMatchesFsstatAndNtfsinfo)
{
    const Volume volumes[] = {
        {"ntfs.img", 0, nullptr, nullptr, "fsstat", "ntfsinfo"},
        {"mbr2t.img", 6, nullptr, nullptr, "fsstat6", "ntfsinfo6"},
    };
    ForEachVolume(volumes, kNtfsBoot, nullptr, [](const Volume& v, TestPrinter& p, int64_t start) {
        const std::string fsstat = Report(v, v.fsstat), ntfsinfo = Report(v, v.ntfsinfo);
        EXPECT_EQ(" BOOT-SEKTOR NTFS", p.Line(1));
        EXPECT_EQ(NeedText(fsstat, "OEM Name:"), Field(p, "OEMName"));
        const uint64_t sectorSize = Need(fsstat, "Sector Size:");
        const uint64_t clusterSize = Need(fsstat, "Cluster Size:");
        EXPECT_EQ(Dec(sectorSize), Field(p, "BytesPerSector"));
        EXPECT_EQ(Dec(clusterSize / sectorSize), Field(p, "SectorsPerCluster"));
        std::string range;
        ASSERT_TRUE(TextAfter(fsstat, "Total Sector Range: 0 -", &range));
        EXPECT_EQ(std::to_string(strtoull(range.c_str(), nullptr, 10) + 1), Field(p, "TotalSectors"));
        EXPECT_EQ(std::to_string(Need(fsstat, "First Cluster of MFT:")), Field(p, "MtfCluster"));
        EXPECT_EQ(std::to_string(Need(fsstat, "First Cluster of MFT Mirror:")), Field(p, "MtfMirrorCluster"));
        EXPECT_EQ(NeedText(fsstat, "Volume Serial Number:") + "h", Field(p, "SerialNumber"));
        if (v.partition) {
            EXPECT_EQ(std::to_string(start), Field(p, "HiddenSectors"));
        }
        EXPECT_EQ(NtfsClusterCount(Need(ntfsinfo, "MFT Record Size:"), clusterSize), Field(p, "ClusterPerRecord"));
        EXPECT_EQ(NtfsClusterCount(Need(ntfsinfo, "Index Block Size:"), clusterSize), Field(p, "ClusterPerIndexBl."));
        // The checksum line stands before the serial number.
        EXPECT_LT(p.FindLine("CheckSum"), p.FindLine("SerialNumber"));
        EXPECT_EQ("00000000", Field(p, "CheckSum"));
    });
}

// mkfs.exfat's volume of 8 MiB, and one of 3 TiB whose length in sectors lies past 2^32.
TEST(BootSectorPrinters, ExFatMatchesDumpExfat)
{
    for (const char* name : {"exfat.img", "exfat3t.img"}) {
        SCOPED_TRACE(name);
        const std::string image = FixturePath(name);
        NEED_FIXTURE(image);
        std::string dump, fsstat;
        NEED_REPORT(image + ".dumpexfat.txt", dump);
        NEED_REPORT(image + ".fsstat.txt", fsstat);
        TestPrinter p;
        ASSERT_TRUE(p.RunImageSector(kExFatBoot, image, 0));
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(" BOOT-SEKTOR EXFAT", p.Line(1));
        EXPECT_EQ("EXFAT   ", Field(p, "OEMName"));
        // The old parameter block is zero on exFAT.
        EXPECT_EQ("0", Field(p, "BytesPerSector"));
        EXPECT_EQ("00000000h", Field(p, "RootDirClusterFAT"));
        EXPECT_EQ(std::to_string(Need(fsstat, "Partition Offset:")), Field(p, "SectorStart"));
        EXPECT_EQ(std::to_string(Need(dump, "Volume Length(sectors):")), Field(p, "SectorCount"));
        EXPECT_EQ(std::to_string(Need(fsstat, "Range: 0 -") + 1), Field(p, "SectorCount"));
        EXPECT_EQ(std::to_string(Need(dump, "FAT Offset(sector offset):")), Field(p, "FatSectorStart"));
        EXPECT_EQ(std::to_string(Need(dump, "FAT Length(sectors):")), Field(p, "FatSectorCount"));
        EXPECT_EQ(std::to_string(Need(dump, "Cluster Heap Offset (sector offset):")), Field(p, "ClusterSectorStart"));
        EXPECT_EQ(std::to_string(Need(dump, "Cluster Count:")), Field(p, "ClusterCount"));
        EXPECT_EQ(std::to_string(Need(dump, "Root Cluster (cluster offset):")), Field(p, "RootDirCluster"));
        EXPECT_EQ(Format("%08I64Xh", Need(dump, "Volume Serial:")), Field(p, "VolumeSerial"));
        const uint64_t sectorBits = Need(dump, "Sector Size Bits:");
        const uint64_t clusterBits = Need(dump, "Sector per Cluster bits:");
        EXPECT_EQ(Dec(sectorBits) + " (" + SizeText(1ull << sectorBits) + ")", Field(p, "SectorBits"));
        EXPECT_EQ(Dec(clusterBits) + " (" + SizeText(Need(dump, "Cluster size:")) + ")",
                  Field(p, "SectorsPerCluster", p.FindLine("SectorBits")));
        EXPECT_EQ("1.0", Field(p, "Version", p.FindLine("VolumeSerial")));
        EXPECT_EQ(38, p.LineCount());
    }
}

TEST(BootSectorPrinters, ExFatShiftsOf64AndMoreGiveSizeZero)
{
    std::vector<uint8_t> sector(512, 0);
    sector[108] = 9;
    sector[109] = 3;
    TestPrinter p;
    p.Run(kExFatBoot, sector);
    EXPECT_EQ("9 (512 Bytes)", Field(p, "SectorBits"));
    EXPECT_EQ("3 (4,0 KB)", Field(p, "SectorsPerCluster", p.FindLine("SectorBits")));
    sector[108] = 200;   // 200 bits: no such sector size
    sector[109] = 60;    // 200 mod 32 = 8, 8 + 60 = 68 bits
    p.Run(kExFatBoot, sector);
    EXPECT_EQ("200 (0 Bytes)", Field(p, "SectorBits"));
    EXPECT_EQ("60 (0 Bytes)", Field(p, "SectorsPerCluster", p.FindLine("SectorBits")));
    sector[108] = 12;
    sector[109] = 51;    // 2^63 bytes still fit
    p.Run(kExFatBoot, sector);
    EXPECT_EQ("51 (8,0 EB)", Field(p, "SectorsPerCluster", p.FindLine("SectorBits")));
}

TEST(BootSectorPrinters, TextFieldsEndAtTheirWidthOrAZeroByte)
{
    std::vector<uint8_t> sector(512, 0);
    memcpy(&sector[3], "ABCDEFGHIJKLMNOP", 16);   // no zero after the eight letters
    TestPrinter p;
    p.Run(kFatBoot, sector);
    EXPECT_EQ("ABCDEFGH", Field(p, "OEMName"));
    sector[6] = 0;
    p.Run(kFatBoot, sector);
    EXPECT_EQ("ABC", Field(p, "OEMName"));
}

TEST(BootSectorPrinters, ShortLoadsShowZerosAndKeepNoMarkBeyondThem)
{
    const std::string image = FixturePath("fat16.img");
    NEED_FIXTURE(image);
    std::vector<uint8_t> sector;
    ASSERT_TRUE(LoadBytes(image, 0, 64, &sector));   // only the first 64 bytes were read
    TestPrinter p;
    p.Run(kFatBoot, sector);
    const int last = p.LineCount() - 1;
    EXPECT_EQ("  Signature          : 0000h", p.Line(last));
    EXPECT_EQ(nullptr, p.MarkAt(last, 5));
    EXPECT_NE(nullptr, p.MarkAt(p.FindLine("BytesPerSector"), 5));
    // Nothing loaded: all fields zero, every line still there.
    p.Run(kFatBoot, sector.data(), 0);
    EXPECT_EQ(23, p.LineCount());
    EXPECT_EQ("", Field(p, "OEMName"));
    EXPECT_EQ(0, p.pane.GetMarkCount());
}

namespace {

// The bytes a mark leads to, as the number the line shows: little-endian and unsigned, as
// every count and sector number of a boot sector is on disk; only NTFS's two cluster counts
// at 64 and 68 are signed (a negative one is a power of two in bytes).
std::string MarkedNumber(const std::vector<uint8_t>& sector, const MarkRange& mark)
{
    uint64_t v = 0;
    for (int i = mark.byteLength - 1; i >= 0; --i)
        v = (v << 8) | sector[mark.byteOffset + i];
    return std::to_string(static_cast<unsigned long long>(v));
}

std::string MarkedSignedNumber(const std::vector<uint8_t>& sector, const MarkRange& mark)
{
    uint32_t v = 0;
    for (int i = mark.byteLength - 1; i >= 0; --i)
        v = (v << 8) | sector[mark.byteOffset + i];
    return std::to_string(static_cast<int32_t>(v));
}

}  // namespace

TEST(BootSectorPrinters, EveryFieldLineShowsTheBytesItsMarkLeadsTo)
{
    // Bytes that differ from field to field, so that a line reading the wrong offset or width
    // shows a value other than the one its mark selects; and every byte 0xFF, so that each
    // field holds the largest value of its width (4294967295 and 18446744073709551615).
    for (int pattern = 0; pattern < 2; ++pattern) {
        SCOPED_TRACE(pattern == 0 ? "bytes i * 7 + 3" : "bytes 0xFF");
        std::vector<uint8_t> sector(512);
        for (size_t i = 0; i < sector.size(); ++i)
            sector[i] = pattern == 0 ? static_cast<uint8_t>(i * 7 + 3) : 0xFF;
        for (int type : {kFatBoot, kFat32Boot, kNtfsBoot, kExFatBoot, kFat32Info}) {
            TestPrinter p;
            p.pane.SetMarkLimit(512);
            p.Run(type, sector);
            int checked = 0;
            for (int line = 3; line < p.LineCount(); ++line) {
                const std::string text = p.Line(line);
                SCOPED_TRACE(text);
                ASSERT_GT(text.size(), 23u);
                ASSERT_EQ(" : ", text.substr(20, 3));
                const MarkRange* mark = p.MarkAt(line, 2);
                ASSERT_NE(nullptr, mark);
                // The whole line leads to the field.
                EXPECT_EQ(mark, p.MarkAt(line, static_cast<int>(text.size()) - 1));
                const std::string label = text.substr(2, 18);
                const std::string value = text.substr(23);
                if (label.find("OEMName") == 0 || label.find("Label ") == 0 || label.find("SystemID") == 0) {
                    std::string expected;
                    for (uint32_t i = 0; i < mark->byteLength && sector[mark->byteOffset + i]; ++i)
                        expected += static_cast<char>(sector[mark->byteOffset + i]);
                    EXPECT_EQ(expected, value);
                    ++checked;
                    continue;
                }
                if (type == kExFatBoot && mark->byteOffset == 104) {
                    // The revision: major byte (105), a dot, minor byte (104).
                    EXPECT_EQ(0u, label.find("Version "));
                    EXPECT_EQ(std::to_string(sector[105]) + "." + std::to_string(sector[104]), value);
                    ++checked;
                    continue;
                }
                const std::string token = value.substr(0, value.find(' '));
                if (token.back() == 'h' || label.find("CheckSum") == 0) {
                    const std::string digits = token.back() == 'h' ? token.substr(0, token.size() - 1) : token;
                    // Hex fields show every digit of their width.
                    EXPECT_EQ(static_cast<size_t>(mark->byteLength * 2), digits.size());
                    EXPECT_EQ(MarkedNumber(sector, *mark), std::to_string(strtoull(digits.c_str(), nullptr, 16)));
                } else if (label.find("ClusterPer") == 0) {
                    EXPECT_EQ(MarkedSignedNumber(sector, *mark), token);
                } else {
                    EXPECT_EQ(MarkedNumber(sector, *mark), token);
                    // The value's digits are red over the value cells of the line (22 to 41).
                    for (int column = 23; column < 23 + static_cast<int>(token.size()) && column <= 41; ++column)
                        EXPECT_TRUE(p.CellHasColour(line, column, PC_RED)) << "column " << column;
                }
                ++checked;
            }
            // Every field of the layout was looked at: 20 lines for FAT12/16, 26 for FAT32, 20
            // for NTFS, 35 for exFAT, 5 for the info sector.
            const int expectedLines = type == kFatBoot ? 20 : type == kFat32Boot ? 26 : type == kNtfsBoot ? 20
                                      : type == kExFatBoot ? 35 : 5;
            EXPECT_EQ(expectedLines, checked) << type;
        }
    }
}
