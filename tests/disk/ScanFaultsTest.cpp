// The scan on hand-made media: the edge cases of the recognisers and the partition walk,
// and the faults it must not have (divisions by zero, unbounded loops, reads outside a
// record, a small FAT32 typed as FAT12, a bare exFAT taken for an MBR).
#include "disk/NtfsRuns.h"
#include "disk/VolumeScan.h"
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <string.h>
#include <vector>

using namespace scantest;

namespace {

struct Image
{
    std::vector<uint8_t> bytes;
    explicit Image(uint32_t units) : bytes(static_cast<size_t>(units) * 512, 0) {}
    uint8_t* Sector(uint32_t s) { return bytes.data() + static_cast<size_t>(s) * 512; }
    void Put8(uint32_t s, uint32_t off, uint8_t v) { Sector(s)[off] = v; }
    void Put16(uint32_t s, uint32_t off, uint16_t v) { memcpy(Sector(s) + off, &v, 2); }
    void Put32(uint32_t s, uint32_t off, uint32_t v) { memcpy(Sector(s) + off, &v, 4); }
    void Put64(uint32_t s, uint32_t off, uint64_t v) { memcpy(Sector(s) + off, &v, 8); }
    void Text(uint32_t s, uint32_t off, const char* t) { memcpy(Sector(s) + off, t, strlen(t)); }
    void Signature(uint32_t s) { Put8(s, 510, 0x55); Put8(s, 511, 0xAA); }
    // An MBR or EBR entry.
    void Entry(uint32_t s, int k, uint8_t type, uint32_t start, uint32_t count)
    {
        Put8(s, 446 + 16 * k + 4, type);
        Put32(s, 446 + 16 * k + 8, start);
        Put32(s, 446 + 16 * k + 12, count);
        Signature(s);
    }
};

// A FAT12/16 boot sector.
void FatBoot(Image& img, uint32_t s, uint16_t bytesPerSector, uint8_t spc, uint16_t reserved, uint8_t fats,
             uint16_t rootEntries, uint32_t total, uint16_t perFat)
{
    img.Put8(s, 0, 0xEB);
    img.Text(s, 3, "MSWIN4.1");
    img.Put16(s, 11, bytesPerSector);
    img.Put8(s, 13, spc);
    img.Put16(s, 14, reserved);
    img.Put8(s, 16, fats);
    img.Put16(s, 17, rootEntries);
    if (total < 65536)
        img.Put16(s, 19, static_cast<uint16_t>(total));
    else
        img.Put32(s, 32, total);
    img.Put16(s, 22, perFat);
    img.Text(s, 54, "FAT16   ");
    img.Signature(s);
}

struct Scan
{
    VolumeScanResult r;
    MemorySectorSource src;
    VolumeScanner scanner;
    explicit Scan(const Image& img, uint32_t code = DRIVECODE_IMAGE)
        : src(img.bytes.data(), img.bytes.size()), scanner(src, r)
    {
        r.driveCode = code;
        r.sectorCount = img.bytes.size() / 512;
    }
};

}  // namespace

TEST(FatRecognizer, Fat16WithFat32ClusterCountGetsFat32TableType)
{
    // 65530 clusters: total = 1 reserved + 2 x 256 FAT + 32 root (512 entries) + 65530.
    // The image holds the tables: areas end at the medium's end.
    Image img(514);
    FatBoot(img, 0, 512, 1, 1, 2, 512, 1 + 512 + 32 + 65530, 256);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeFat(0), 1u);
    EXPECT_GE(FindArea(s.r, 1, 513, INFO_FAT32_TABLE), 0) << Describe(s.r);
    EXPECT_EQ(s.r.regions.clusterCount[0], 65530u);
}

TEST(FatRecognizer, ZeroBytesPerSectorGivesUpAndKeepsTheBootSector)
{
    Image img(2);
    FatBoot(img, 0, 0, 4, 1, 2, 512, 20000, 20);
    Scan s(img);
    s.r.Reset();
    EXPECT_EQ(s.scanner.AnalyzeFat(0), 0u);
    EXPECT_EQ(s.r.areas.count, 1u);
    EXPECT_GE(FindArea(s.r, 0, 1, INFO_FAT_BOOT), 0);
    EXPECT_EQ(s.r.regions.count, 0u);
    EXPECT_EQ(s.r.fatStart, 0u);
    EXPECT_EQ(s.r.sectorsPerFat, 1u);
}

TEST(FatRecognizer, ZeroSectorsPerClusterIsTakenAsOne)
{
    Image img(33);
    FatBoot(img, 0, 512, 0, 1, 2, 224, 2880, 9);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeFat(0), 1u);
    ASSERT_EQ(s.r.regions.count, 1u);
    EXPECT_EQ(s.r.regions.sectorsPerCluster[0], 1u);
    // 2880 - 1 - 18 - 14 root sectors (224 x 32 / 512).
    EXPECT_EQ(s.r.regions.clusterCount[0], 2847u);
    EXPECT_GE(FindArea(s.r, 1, 19, INFO_FAT12_TABLE), 0);
}

TEST(FatRecognizer, SmallFat32IsStillTypedFat32AndFieldsFFFFAreIgnored)
{
    // A FAT32 boot sector (root entries 0, 16-bit FAT size 0) over only 2000 clusters.
    Image img(65);
    img.Text(0, 3, "MSWIN4.1");
    img.Put16(0, 11, 512);
    img.Put8(0, 13, 1);
    img.Put16(0, 14, 32);
    img.Put8(0, 16, 2);
    img.Put32(0, 32, 32 + 2 * 16 + 2000);
    img.Put32(0, 36, 16);
    img.Put32(0, 44, 2);
    img.Put16(0, 48, 0xFFFF);
    img.Put16(0, 50, 0);
    img.Text(0, 82, "FAT32   ");
    img.Signature(0);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    EXPECT_GE(FindArea(s.r, 32, 64, INFO_FAT32_TABLE), 0) << Describe(s.r);
    EXPECT_EQ(FindAreaAt(s.r, 0, INFO_MBR), -1);
    int boots = 0, infos = 0;
    for (uint32_t i = 0; i < s.r.areas.count; ++i) {
        boots += s.r.areas.type[i] == INFO_FAT32_BOOT;
        infos += s.r.areas.type[i] == INFO_FAT32_INFO;
    }
    EXPECT_EQ(boots, 1);
    EXPECT_EQ(infos, 0);
}

TEST(FatRecognizer, BootSectorSearchEndsAtSector1024)
{
    // No signature anywhere: 1025 sectors looked at from 0, not one more.
    Image img(3000);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeFat(0), 0u);
    EXPECT_LE(s.src.ReadCalls(), 1026u + 1);
    // From a base beyond 1024 the search gives up after the first sector.
    Scan t(img);
    EXPECT_EQ(t.scanner.AnalyzeNtfs(2000), 0u);
    EXPECT_EQ(t.src.ReadCalls(), 1u);
}

TEST(FatRecognizer, EachSectorOfTheBootSectorSearchIsReadOnce)
{
    // The search begins with the base sector the recogniser has already read: sectors base
    // to 1024 are read once each (the FAT12 volume at 0 costs its boot sector alone).
    Image empty(3000);
    Image fat12(33);
    FatBoot(fat12, 0, 512, 1, 1, 2, 224, 2880, 9);
    Image late(40);
    FatBoot(late, 30, 512, 1, 1, 2, 16, 10, 1);
    const struct {
        const char* what;
        const Image* img;
        uint64_t base;
        uint32_t result;
        uint64_t reads;         // sectors base .. found (or .. 1024)
    } kCases[] = {
        {"no signature from 0", &empty, 0, 0, 1025},
        {"no signature from 1000", &empty, 1000, 0, 25},
        {"base behind sector 1024", &empty, 2000, 0, 1},
        {"FAT12 boot sector at the base", &fat12, 0, 1, 1},
        {"boot sector 30 sectors behind the base", &late, 0, 1, 31},
    };
    for (const auto& c : kCases) {
        Scan s(*c.img);
        EXPECT_EQ(s.scanner.AnalyzeFat(c.base), c.result) << c.what;
        EXPECT_EQ(s.src.ReadCalls(), c.reads) << c.what;
    }
}

TEST(ExtRecognizer, BlockSizeShiftOf31GivesUpWithoutDividing)
{
    Image img(8);
    img.Put16(2, 56, 0xEF53);
    img.Put32(2, 24, 31);          // 2 << 31 is 0 in 32 bits
    img.Put32(2, 4, 1000);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeExt(0), 0u);
    EXPECT_GE(FindArea(s.r, 2, 4, INFO_EXT_SUPERBLOCK), 0);
    EXPECT_EQ(s.r.regions.count, 0u);
    // 63 is the same shift modulo 32.
    img.Put32(2, 24, 63);
    Scan t(img);
    EXPECT_EQ(t.scanner.AnalyzeExt(0), 0u);
    EXPECT_EQ(t.r.regions.count, 0u);
}

TEST(ExFatRecognizer, BareExFatIsNotAnMbr)
{
    Image img(64);
    img.Text(0, 3, "EXFAT   ");
    img.Put32(0, 80, 24);
    img.Put32(0, 84, 8);
    img.Put32(0, 88, 40);
    img.Put32(0, 92, 3);
    img.Put32(0, 96, 4);
    img.Put8(0, 108, 9);
    img.Put8(0, 109, 3);
    // Boot code that would read as a partition entry of type 7.
    img.Entry(0, 0, 0x07, 8, 16);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    EXPECT_EQ(FindAreaAt(s.r, 0, INFO_MBR), -1) << Describe(s.r);
    EXPECT_GE(FindArea(s.r, 0, 1, INFO_EXFAT_BOOT), 0);
    EXPECT_GE(FindArea(s.r, 24, 32, INFO_EXFAT_TABLE), 0);
    // Root cluster 4 with 8 units a cluster: 40 + 2 * 8.
    EXPECT_GE(FindArea(s.r, 56, 64, INFO_EXFAT_DIRECTORY), 0);
    EXPECT_EQ(s.r.partitionStarts.count, 0u);
}

TEST(PartitionWalk, NtfsEntryWithExFatBootSectorIsScannedAsExFat)
{
    Image img(200);
    img.Entry(0, 0, 0x07, 100, 100);
    img.Text(100, 3, "EXFAT   ");
    img.Put32(100, 80, 10);
    img.Put32(100, 84, 2);
    img.Put8(100, 108, 9);
    img.Signature(100);
    Scan s(img);
    s.scanner.AnalyzeVolume();
    EXPECT_GE(FindArea(s.r, 100, 101, INFO_EXFAT_BOOT), 0) << Describe(s.r);
    EXPECT_GE(FindArea(s.r, 110, 112, INFO_EXFAT_TABLE), 0);
    EXPECT_EQ(FindAreaAt(s.r, 100, INFO_NTFS_BOOT), -1);
}

TEST(PartitionWalk, LoopingEbrChainStopsAfter32TableSectors)
{
    Image img(300);
    img.Entry(0, 0, 0x05, 100, 150);
    img.Entry(100, 1, 0x05, 1, 10);       // next EBR at 100 + 1
    img.Entry(101, 1, 0x05, 1, 10);       // points to itself
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    int tables = 0;
    for (uint32_t i = 0; i < s.r.areas.count; ++i)
        tables += s.r.areas.type[i] == INFO_MBR;
    // The walk ends where it comes back to a table sector: 0, 100 and 101 once each.
    EXPECT_EQ(tables, 3);
    EXPECT_LE(s.src.ReadCalls(), 40u);
}

TEST(PartitionWalk, NestedLinkFallsBackToTheSectorRelativeToItsEbr)
{
    // A chain whose second link counts from its own EBR (not from the first extended
    // partition): 100 -> 100 + 50 = 150; read as relative to the extended start (100 + 50)
    // it is the same, so put the second link where only the EBR-relative reading works.
    Image img(400);
    img.Entry(0, 0, 0x05, 100, 250);
    img.Entry(100, 0, 0x06, 10, 20);
    img.Entry(100, 1, 0x05, 50, 100);     // EBR at 150 either way
    img.Entry(150, 0, 0x06, 10, 20);
    img.Entry(150, 1, 0x05, 100, 50);     // 100 + 100 = 200 is empty, 150 + 100 = 250 holds it
    img.Entry(250, 0, 0x83, 10, 20);
    Scan s(img);
    s.scanner.AnalyzeVolume();
    EXPECT_GE(FindArea(s.r, 250, 251, INFO_MBR), 0) << Describe(s.r);
    EXPECT_EQ(FindAreaAt(s.r, 200, INFO_MBR), -1);
}

TEST(PartitionWalk, UnreadableTableSectorSkipsOnlyThatEntry)
{
    // An extended partition far behind the end of the image, and a GPT that still counts.
    Image img(64);
    img.Entry(0, 0, 0x05, 0x10000000, 100);
    img.Entry(0, 1, 0xEE, 1, 63);
    img.Text(1, 0, "EFI PART");
    img.Put64(1, 32, 63);
    img.Put64(1, 72, 2);
    img.Put32(1, 80, 4);
    img.Put64(2, 32, 40);
    img.Put64(2, 40, 50);
    img.Entry(40, 0, 0x06, 0, 0);          // a signature, no FAT: scanned as FAT and refused
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    EXPECT_GE(FindArea(s.r, 1, 2, INFO_GPT_HEADER), 0) << Describe(s.r);
    EXPECT_GE(FindArea(s.r, 2, 3, INFO_GPT_ENTRIES), 0);
    EXPECT_GE(FindArea(s.r, 62, 63, INFO_GPT_ENTRIES), 0);
    ASSERT_EQ(s.r.partitionStarts.count, 3u);
    EXPECT_EQ(s.r.partitionStarts.start[0], 1u);
    EXPECT_EQ(s.r.partitionStarts.start[1], 40u);
    EXPECT_EQ(s.r.partitionStarts.start[2], 0x10000000u);
}

TEST(PartitionWalk, HugeGptEntryCountIsBounded)
{
    Image img(2048);
    img.Entry(0, 0, 0xEE, 1, 2047);
    img.Text(1, 0, "EFI PART");
    img.Put64(1, 32, 2047);
    img.Put64(1, 72, 2);
    img.Put32(1, 80, 0xFFFFFFFFu);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    // The work is bounded by what is read, not timed: a loaded machine may take any time.
    EXPECT_LE(s.src.ReadCalls(), 10u + VolumeScanner::kMaxGptEntries / 4);
    // The entry area spans what the header claims, (2^32 - 1 + 3) / 4 sectors without a
    // 32-bit wrap to 0, cut at the medium's end.
    EXPECT_GE(FindArea(s.r, 2, 2048, INFO_GPT_ENTRIES), 0) << Describe(s.r);
    // On a medium of unknown size nothing cuts the areas: the backup entries, which would
    // begin 2^30 sectors before the backup header at 2047, are left out rather than wrapped.
    Scan t(img);
    t.r.sectorCount = 0;
    t.scanner.AnalyzeVolume();
    for (uint32_t i = 0; i < t.r.areas.count; ++i)
        EXPECT_LE(t.r.areas.first[i], 2047u) << Describe(t.r);
    // A backup header exactly as far from the start as its entries are long: they begin at
    // sector 0 and are kept.
    img.Put32(1, 80, 4 * 2047);
    Scan u(img);
    u.scanner.AnalyzeVolume();
    EXPECT_GE(FindArea(u.r, 0, 2047, INFO_GPT_ENTRIES), 0) << Describe(u.r);
}

// An area whose end wraps past 2^64 keeps its sectors up to the medium's end, not to 0: on a
// medium of unknown size (a disk whose length the system does not tell), entries placed by a
// damaged header at 2^64 - 2 end at the last sector number there is.
TEST(PartitionWalk, AnEndThatWrapsPast2To64StopsAtTheMediumsEnd)
{
    Image img(2048);
    img.Entry(0, 0, 0xEE, 1, 2047);
    img.Text(1, 0, "EFI PART");
    img.Put64(1, 32, 2047);
    img.Put64(1, 72, ~0ull - 1);
    img.Put32(1, 80, 8);                    // two sectors of entries: their end 2^64 wraps to 0
    Scan s(img);
    s.r.sectorCount = 0;
    s.scanner.AnalyzeVolume();
    EXPECT_GE(FindArea(s.r, ~0ull - 1, ~0ull, INFO_GPT_ENTRIES), 0) << Describe(s.r);
    for (uint32_t i = 0; i < s.r.areas.count; ++i)
        EXPECT_LT(s.r.areas.first[i], s.r.areas.end[i]) << Describe(s.r);
    // On a medium of known size the same entries lie behind its end and name no area.
    Scan known(img);
    known.scanner.AnalyzeVolume();
    for (uint32_t i = 0; i < known.r.areas.count; ++i)
        EXPECT_LE(known.r.areas.end[i], 2048u) << Describe(known.r);
}

namespace {

// An NTFS volume of 8 sectors a cluster with the MFT at cluster 4 (sector 32); record 0 is
// $MFT with one data run of 7 clusters at cluster 4, record 1 $MFTMirr with 1 at cluster 20.
Image NtfsImage(const uint8_t* mftRuns = nullptr, uint32_t mftRunBytes = 0, uint64_t mftClusters = 7)
{
    Image img(256);
    img.Text(0, 3, "NTFS    ");
    img.Put16(0, 11, 512);
    img.Put8(0, 13, 8);
    img.Put64(0, 40, 255);
    img.Put32(0, 48, 4);
    img.Signature(0);
    const char* names[2] = { "$MFT", "$MFTMirr" };
    const uint8_t runs[2][4] = { { 0x11, 0x07, 0x04, 0x00 }, { 0x11, 0x01, 0x14, 0x00 } };
    for (int k = 0; k < 2; ++k) {
        uint32_t s = 32 + 2 * k;
        img.Text(s, 0, "FILE");
        img.Put16(s, 20, 56);
        // $FILE_NAME, resident, value at +24.
        uint32_t a = 56;
        uint32_t len = 24 + 66 + 2 * static_cast<uint32_t>(strlen(names[k]));
        len = (len + 7) & ~7u;
        img.Put32(s, a, 0x30);
        img.Put32(s, a + 4, len);
        img.Put16(s, a + 20, 24);
        img.Put8(s, a + 24 + 64, static_cast<uint8_t>(strlen(names[k])));
        for (size_t i = 0; i < strlen(names[k]); ++i)
            img.Put16(s, a + 24 + 66 + 2 * static_cast<uint32_t>(i), static_cast<uint8_t>(names[k][i]));
        a += len;
        // $DATA, non-resident, runs at +64.
        img.Put32(s, a, 0x80);
        img.Put32(s, a + 4, 72);
        img.Put8(s, a + 8, 1);
        img.Put64(s, a + 16, 0);
        img.Put64(s, a + 24, runs[k][1] - 1);
        img.Put16(s, a + 32, 64);
        if (k == 0 && mftRuns) {
            img.Put64(s, a + 24, mftClusters - 1);
            memcpy(img.Sector(s) + a + 64, mftRuns, mftRunBytes);
        } else {
            memcpy(img.Sector(s) + a + 64, runs[k], 4);
        }
        a += 72;
        img.Put32(s, a, 0xFFFFFFFFu);
    }
    return img;
}

}  // namespace

TEST(NtfsRecognizer, MftAndMirrorFromTheirFirstRuns)
{
    Image img = NtfsImage();
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    EXPECT_GE(FindArea(s.r, 0, 1, INFO_NTFS_BOOT), 0) << Describe(s.r);
    EXPECT_GE(FindArea(s.r, 32, 88, INFO_NTFS_MFT), 0);
    EXPECT_GE(FindArea(s.r, 160, 168, INFO_NTFS_MFT_MIRROR), 0);
    ASSERT_EQ(s.r.regions.count, 1u);
    EXPECT_EQ(s.r.regions.clusterCount[0], 255u / 8);
}

TEST(NtfsRecognizer, FragmentedMftNamesOnlyItsFirstRun)
{
    // 3 clusters at 4, then 4 clusters 16 further on (at 20): the area is [32, 56) only.
    const uint8_t runs[] = { 0x11, 0x03, 0x04, 0x11, 0x04, 0x10, 0x00 };
    Image img = NtfsImage(runs, sizeof runs, 7);
    Scan s(img);
    s.scanner.AnalyzeVolume();
    EXPECT_GE(FindArea(s.r, 32, 56, INFO_NTFS_MFT), 0) << Describe(s.r);
    EXPECT_EQ(s.r.areas.TypeAt(160), static_cast<uint32_t>(INFO_NTFS_MFT_MIRROR));
    EXPECT_EQ(s.r.areas.TypeAt(56), 0u);
}

TEST(NtfsRecognizer, HostileRecordOffsetsStayInsideTheRecord)
{
    // Attribute offsets, lengths, value offsets, name lengths and run offsets pointing to the
    // record's end or beyond: the walk ends or skips, and nothing outside 1024 bytes is read
    // (the image ends right behind the record, so a stray read would leave the buffer).
    const uint32_t probes[][3] = {
        { 20, 2, 1000 }, { 20, 2, 1023 }, { 20, 2, 0xFFFF }, { 60, 4, 0xFFFFFFFF }, { 60, 4, 1000 },
        { 60, 4, 21 }, { 76, 2, 0xFFFF }, { 56 + 24 + 64, 1, 255 }, { 56 + 112 + 32, 2, 0xFFFF },
        { 56 + 112 + 32, 2, 71 }, { 56 + 112 + 4, 4, 1024 }, { 56 + 112 + 64, 1, 0xFF },
    };
    for (const auto& p : probes) {
        Image img = NtfsImage();
        img.bytes.resize(34 * 512);     // record 0 is the last thing in the image
        uint8_t* rec = img.Sector(32);
        memcpy(rec + p[0], &p[2], p[1]);
        std::vector<uint8_t> copy(img.bytes.begin() + 32 * 512, img.bytes.end());
        Scan s(img);
        s.scanner.AnalyzeVolume();
        EXPECT_LE(s.r.areas.count, 3u);
        // And the record walk itself, on a record at the very end of a heap block.
        uint64_t off[8], len[8];
        EXPECT_LE(DecodeDataRuns(7, copy.data() + 1020, 4, off, len, 8), 1);
    }
}

TEST(IsoRecognizer, SwitchesImagesAndPhysicalDrivesTo2048ByteSectors)
{
    // A primary descriptor, then the set terminator. Its path table of 5000 bytes takes
    // three sectors, recorded twice: 6 sectors from 20; the optional copy from 30; the root
    // directory of 4097 bytes takes 3 sectors from 40.
    Image img(176);
    for (uint32_t k = 0; k < 2; ++k) {
        uint8_t* d = img.Sector(64 + 4 * k);
        d[0] = k ? 255 : 1;
        memcpy(d + 1, "CD001", 5);
        d[6] = 1;
    }
    img.Put32(64, 132, 5000);
    img.Put32(64, 140, 20);
    img.Put32(64, 144, 30);
    img.Put32(64, 158, 40);
    img.Put32(64, 166, 4097);
    Scan s(img);
    s.r.sectorCount = 176;
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    EXPECT_EQ(s.r.bytesPerSector, 2048u);
    EXPECT_EQ(s.r.unitsPerSector, 4u);
    EXPECT_EQ(s.r.sectorCount, 44u);
    EXPECT_GE(FindArea(s.r, 16, 18, INFO_ISO_DESCRIPTOR), 0) << Describe(s.r);
    EXPECT_GE(FindArea(s.r, 20, 26, INFO_ISO_PATH_TABLE), 0);
    EXPECT_GE(FindArea(s.r, 30, 36, INFO_ISO_PATH_TABLE), 0);
    EXPECT_GE(FindArea(s.r, 40, 43, INFO_ISO_DIRECTORY), 0);
    EXPECT_EQ(s.r.areas.count, 4u);
    // A drive the system calls "CDFS" without a descriptor at sector 16: nothing is
    // recognised, and the descriptors' area is listed empty, so no sector lies in it.
    Image blank(176);
    Scan cd(blank, 3);
    EXPECT_EQ(cd.scanner.AnalyzeByFileSystemName("CDFS"), 0u);
    EXPECT_EQ(cd.r.areas.count, 1u);
    EXPECT_GE(FindArea(cd.r, 16, 16, INFO_ISO_DESCRIPTOR), 0) << Describe(cd.r);
    // A partition code is opened but not scanned at all.
    Scan t(img, DRIVECODE_PARTITION + 16 + 1);
    EXPECT_EQ(t.scanner.AnalyzeVolume(), 0u);
    EXPECT_EQ(t.r.areas.count, 0u);
}

TEST(UdfRecognizer, DamagedTagIsNotFollowedAndLongSequencesStopAt33)
{
    // Anchor at 256 (4 units a sector) pointing to a sequence at 300 of 40 valid tags of
    // type 7 without a terminator, and a reserve sequence at 400 with a bad checksum.
    Image img(4 * 460);
    auto tag = [&](uint32_t sector, uint16_t id, bool good) {
        uint8_t* t = img.Sector(sector * 4);
        memset(t, 0, 16);
        memcpy(t, &id, 2);
        t[4] = static_cast<uint8_t>(UdfTagChecksum(t) + (good ? 0 : 1));
    };
    tag(256, 2, true);
    img.Put32(256 * 4, 20, 300);
    img.Put32(256 * 4, 28, 400);
    tag(256, 2, true);
    for (uint32_t i = 0; i < 40; ++i)
        tag(300 + i, 7, true);
    tag(400, 1, false);
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeUdf(), 1u);
    int inSequence = 0;
    for (uint32_t i = 0; i < s.r.areas.count; ++i)
        inSequence += s.r.areas.first[i] >= 300 && s.r.areas.first[i] < 340;
    EXPECT_EQ(inSequence, 33);
    EXPECT_EQ(FindAreaAt(s.r, 400, INFO_ECMA_TAG), -1);
    EXPECT_STREQ(UdfTagName(7), "Emca-Unallocated Scace");
    EXPECT_STREQ(UdfTagName(1000), "Emca-Tag");
}

TEST(VolumeScan, DriveLetterNameChoosesTheRecognizer)
{
    Image img(8);
    img.Put16(2, 56, 0xEF53);
    img.Put32(2, 4, 100);
    Scan s(img, 3);
    EXPECT_EQ(s.scanner.AnalyzeByFileSystemName("ext4"), 1u);
    EXPECT_GE(FindArea(s.r, 2, 4, INFO_EXT_SUPERBLOCK), 0);
    Scan t(img, 3);
    EXPECT_EQ(t.scanner.AnalyzeByFileSystemName("fat32"), 0u);
    EXPECT_EQ(t.r.areas.count, 0u);
    Scan u(img, 3);
    EXPECT_EQ(u.scanner.AnalyzeByFileSystemName(nullptr), 1u);
    Scan none(img, DRIVECODE_NONE);
    EXPECT_EQ(none.scanner.AnalyzeVolume(), 0u);
}

TEST(PartitionWalk, PartitionsListedOutOfDiskOrderGiveSortedTables)
{
    // GPT entries in reverse disk order, each holding an ext superblock: the regions and the
    // partition starts come out ordered, so the lookups find the right volume.
    Image img(200);
    img.Entry(0, 0, 0xEE, 1, 199);
    img.Text(1, 0, "EFI PART");
    img.Put64(1, 72, 2);
    img.Put32(1, 80, 3);
    const uint32_t starts[3] = { 150, 40, 100 };
    for (uint32_t j = 0; j < 3; ++j) {
        img.Put64(2, 128 * j + 32, starts[j]);
        img.Put64(2, 128 * j + 40, starts[j] + 30);
        img.Put16(starts[j] + 2, 56, 0xEF53);
        img.Put32(starts[j] + 2, 4, 12);
    }
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    ASSERT_EQ(s.r.regions.count, 3u) << Describe(s.r);
    EXPECT_EQ(s.r.regions.regionStart[0], 40u);
    EXPECT_EQ(s.r.regions.regionStart[1], 100u);
    EXPECT_EQ(s.r.regions.regionStart[2], 150u);
    EXPECT_EQ(s.r.regions.Find(120), 1);
    ASSERT_EQ(s.r.partitionStarts.count, 4u);      // with the protective entry at 1
    EXPECT_EQ(s.r.partitionStarts.start[0], 1u);
    EXPECT_EQ(s.r.partitionStarts.start[1], 40u);
    EXPECT_EQ(s.r.partitionStarts.StartOf(149), 100u);
}

TEST(PartitionWalk, AFullAreaTableStillNamesEveryPartition)
{
    // 300 GPT partitions, each an ext volume: the areas fill up long before the last, whose
    // start must still be known (its sectors are counted from it).
    const uint32_t kParts = 300;
    Image img(80 + 8 * kParts);
    img.Entry(0, 0, 0xEE, 1, 79 + 8 * kParts);
    img.Text(1, 0, "EFI PART");
    img.Put64(1, 72, 2);
    img.Put32(1, 80, kParts);
    for (uint32_t j = 0; j < kParts; ++j) {
        const uint32_t start = 80 + 8 * j;
        img.Put64(2 + j / 4, 128 * (j % 4) + 32, start);
        img.Put64(2 + j / 4, 128 * (j % 4) + 40, start + 7);
        img.Put16(start + 2, 56, 0xEF53);
        img.Put32(start + 2, 4, 7);
    }
    Scan s(img);
    EXPECT_EQ(s.scanner.AnalyzeVolume(), 1u);
    EXPECT_TRUE(s.r.areas.IsFull());
    ASSERT_EQ(s.r.partitionStarts.count, kParts + 1);
    EXPECT_EQ(s.r.partitionStarts.StartOf(80 + 8 * kParts - 1), 80 + 8 * (kParts - 1));
    EXPECT_LT(s.r.regions.count, kParts) << "recognisers ran with the area table full";
}

TEST(VolumeScan, DriveLetterIsScannedByTheNameTheSystemReports)
{
    // Under Wine drive C: reports "NTFS" whatever lies behind it; here the sectors come
    // from the NTFS fixture, as they would through the drive's raw path.
    std::vector<uint8_t> bytes;
    std::string path = FixturePath("ntfs.img");
    if (!FileExists(path))
        GTEST_SKIP() << "ntfs.img was not made";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    bytes.resize(64 * 1024);
    DWORD got = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(h);
    ASSERT_EQ(got, bytes.size());
    VolumeScanResult r;
    r.driveCode = 2;
    MemorySectorSource src(bytes.data(), bytes.size());
    uint32_t found = VolumeScanner(src, r).AnalyzeVolume();
    char fsName[33] = {};
    ASSERT_TRUE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, fsName, 32));
    EXPECT_STREQ(r.fileSystemName, fsName);
    printf("drive C: reports the file system \"%s\"\n", fsName);
    if (lstrcmpiA(fsName, "NTFS") == 0) {
        EXPECT_EQ(found, 1u);
        EXPECT_GE(FindArea(r, 0, 1, INFO_NTFS_BOOT), 0) << Describe(r);
    }
    // A letter that does not exist: the system call fails and nothing is scanned.
    VolumeScanResult none;
    none.driveCode = 'Y' - 'A';
    if (GetDriveTypeA("Y:\\") == DRIVE_NO_ROOT_DIR) {
        EXPECT_EQ(VolumeScanner(src, none).AnalyzeVolume(), 0u);
        EXPECT_EQ(none.areas.count, 0u);
    }
}
