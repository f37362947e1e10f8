// The scan of images made by mkfs.fat, mkfs.exfat, mkntfs, mke2fs, xorriso, genisoimage,
// mkudffs, sfdisk and sgdisk, checked against what fsck.fat, minfo, fsstat, ntfsinfo,
// dumpe2fs, isoinfo, udfinfo and mmls report. The expected areas follow the scan's own
// rules from the tools' numbers; where a rule names less than a tool reports (the root
// directory's first cluster, the first run of $MFT, the doubled path table) the rule wins.
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <vector>

using namespace scantest;

// Every fixture twice: through the scanner, and through the document opening the image as
// the program opens a path from its command line.
class FixtureScan : public ::testing::TestWithParam<ScanPath>
{
protected:
    void SetUp() override { SetScanPath(GetParam()); }
    void TearDown() override { SetScanPath(kThroughScanner); }
};

INSTANTIATE_TEST_SUITE_P(Scanner, FixtureScan, ::testing::Values(kThroughScanner));
INSTANTIATE_TEST_SUITE_P(Document, FixtureScan, ::testing::Values(kThroughDocument));

namespace {

// Loads the image's scan and one report; skips the test when make-images.sh could not make
// the image (a tool missing on this machine).
#define LOAD_OR_SKIP(image, reportName, resultVar, textVar)                                   \
    VolumeScanResult resultVar;                                                               \
    std::string textVar;                                                                      \
    do {                                                                                      \
        std::string img_ = FixturePath(image);                                                \
        if (!FileExists(img_))                                                                \
            GTEST_SKIP() << image << " was not made";                                         \
        if (!LoadText(img_ + "." reportName ".txt", &textVar))                                \
            GTEST_SKIP() << "no " << reportName << " report for " << image;                   \
        ASSERT_TRUE(ScanFixture(img_, &resultVar));                                           \
    } while (0)

// A further report of an image whose scan is loaded already.
#define LOAD_REPORT_OR_SKIP(image, reportName, textVar)                                       \
    do {                                                                                      \
        if (!LoadText(FixturePath(image) + "." reportName ".txt", &textVar))                  \
            GTEST_SKIP() << "no " << reportName << " report for " << image;                   \
    } while (0)

uint64_t Need(const std::string& text, const char* label, size_t from = 0)
{
    uint64_t v = 0;
    EXPECT_TRUE(NumberAfter(text, label, &v, from)) << "no \"" << label << "\" in the report";
    return v;
}

uint64_t NeedBefore(const std::string& text, const char* label)
{
    uint64_t v = 0;
    EXPECT_TRUE(NumberBefore(text, label, &v)) << "no number before \"" << label << "\"";
    return v;
}

// FAT12/16 from fsck.fat -v -n (byte offsets and sizes) and minfo (number of FATs).
void CheckFat1216(const char* image, uint32_t tableType)
{
    LOAD_OR_SKIP(image, "fsck", r, fsck);
    std::string minfo;
    LOAD_REPORT_OR_SKIP(image, "minfo", minfo);
    uint64_t fatStart = Need(fsck, "First FAT starts at byte") / 512;
    uint64_t perFat = Need(fsck, "bytes per FAT (=");
    uint64_t fats = Need(minfo, "fats:");
    uint64_t rootStart = Need(fsck, "Root directory starts at byte") / 512;
    uint64_t dataStart = Need(fsck, "Data area starts at byte") / 512;
    uint64_t spc = NeedBefore(fsck, "bytes per cluster") / 512;
    uint64_t clusters = NeedBefore(fsck, "data clusters");
    EXPECT_EQ(Need(minfo, "sectors per fat:"), perFat);
    EXPECT_EQ(Need(minfo, "cluster size:"), spc);

    SCOPED_TRACE(Describe(r));
    EXPECT_GE(FindArea(r, 0, 1, INFO_FAT_BOOT), 0);
    EXPECT_GE(FindArea(r, fatStart, fatStart + fats * perFat, tableType), 0);
    EXPECT_GE(FindArea(r, rootStart, dataStart, INFO_FAT_DIRECTORY), 0);
    EXPECT_EQ(r.areas.count, 3u);
    EXPECT_EQ(r.fatStart, fatStart);
    EXPECT_EQ(r.sectorsPerFat, perFat);
    ASSERT_EQ(r.regions.count, 1u);
    EXPECT_EQ(r.regions.regionStart[0], 0u);
    EXPECT_EQ(r.regions.dataStart[0], dataStart);
    EXPECT_EQ(r.regions.sectorsPerCluster[0], spc);
    EXPECT_EQ(r.regions.clusterCount[0], clusters);
    EXPECT_EQ(r.regions.firstCluster[0], 2u);
    EXPECT_EQ(r.partitionStarts.count, 0u);      // a bare volume: no partition table
    EXPECT_EQ(r.areas.TypeAt(0), static_cast<uint32_t>(INFO_FAT_BOOT));
}

}  // namespace

TEST_P(FixtureScan, Fat12Floppy) { CheckFat1216("fat12.img", INFO_FAT12_TABLE); }
TEST_P(FixtureScan, Fat16) { CheckFat1216("fat16.img", INFO_FAT16_TABLE); }

TEST_P(FixtureScan, Fat32)
{
    LOAD_OR_SKIP("fat32.img", "fsck", r, fsck);
    std::string fsstat;
    LOAD_REPORT_OR_SKIP("fat32.img", "fsstat", fsstat);
    uint64_t fatStart = Need(fsck, "First FAT starts at byte") / 512;
    uint64_t perFat = Need(fsck, "bytes per FAT (=");
    uint64_t fats = NeedBefore(fsck, "FATs, 32 bit entries");
    uint64_t dataStart = Need(fsck, "Data area starts at byte") / 512;
    uint64_t spc = NeedBefore(fsck, "bytes per cluster") / 512;
    uint64_t clusters = NeedBefore(fsck, "data clusters");
    uint64_t rootCluster = Need(fsck, "Root directory start at cluster");
    uint64_t info = Need(fsstat, "FS Info Sector");
    uint64_t backup = Need(fsstat, "Backup Boot Sector");
    ASSERT_EQ(spc, 1u);      // made with -s 1

    SCOPED_TRACE(Describe(r));
    EXPECT_GE(FindArea(r, 0, 1, INFO_FAT32_BOOT), 0);
    EXPECT_GE(FindArea(r, backup, backup + 1, INFO_FAT32_BOOT), 0);
    EXPECT_GE(FindArea(r, info, info + 1, INFO_FAT32_INFO), 0);
    EXPECT_GE(FindArea(r, fatStart, fatStart + fats * perFat, INFO_FAT32_TABLE), 0);
    // Only the root directory's first cluster.
    uint64_t root = dataStart + (rootCluster - 2) * spc;
    EXPECT_GE(FindArea(r, root, root + spc, INFO_FAT_DIRECTORY), 0);
    EXPECT_EQ(r.areas.count, 5u);
    EXPECT_EQ(r.fatStart, fatStart);
    EXPECT_EQ(r.sectorsPerFat, perFat);
    ASSERT_EQ(r.regions.count, 1u);
    EXPECT_EQ(r.regions.dataStart[0], dataStart);
    EXPECT_EQ(r.regions.clusterCount[0], clusters);
    EXPECT_EQ(r.regions.firstCluster[0], 2u);
}

// A 1.5 TB FAT32 of 16 KiB clusters, whose two FATs have more than 2^20 sectors together,
// as fsstat reads it.
TEST_P(FixtureScan, Fat32WithLargeFats)
{
    LOAD_OR_SKIP("fat32big.img", "fsstat", r, st);
    uint64_t fat0 = 0, fatLast = 0, data = 0, lastCluster = 0, root = 0, rootLast = 0;
    ASSERT_TRUE(NumberAfter(st, "* FAT 0:", &fat0));
    ASSERT_TRUE(NumberAfter(st, "-", &fatLast, st.find("* FAT 1:")));
    ASSERT_TRUE(NumberAfter(st, "** Cluster Area:", &data));
    ASSERT_TRUE(NumberAfter(st, "-", &lastCluster, st.find("Total Cluster Range:")));
    ASSERT_TRUE(NumberAfter(st, "*** Root Directory:", &root));
    ASSERT_TRUE(NumberAfter(st, "-", &rootLast, st.find("*** Root Directory:")));
    const uint64_t spc = Need(st, "Cluster Size:") / 512;
    ASSERT_GE(fatLast + 1 - fat0, 0x100000u) << "the image is meant to have FATs this large";

    SCOPED_TRACE(Describe(r));
    EXPECT_GE(FindArea(r, 0, 1, INFO_FAT32_BOOT), 0);
    EXPECT_GE(FindArea(r, fat0, fatLast + 1, INFO_FAT32_TABLE), 0);
    EXPECT_GE(FindArea(r, root, rootLast + 1, INFO_FAT_DIRECTORY), 0);
    EXPECT_EQ(r.fatStart, fat0);
    ASSERT_EQ(r.regions.count, 1u);
    EXPECT_EQ(r.regions.dataStart[0], data);
    EXPECT_EQ(r.regions.sectorsPerCluster[0], spc);
    EXPECT_EQ(r.regions.clusterCount[0], lastCluster - 1);
    EXPECT_EQ(r.regions.firstCluster[0], 2u);
}

TEST_P(FixtureScan, ExFat)
{
    LOAD_OR_SKIP("exfat.img", "fsstat", r, st);
    uint64_t fat = Need(st, "* FAT 1:");
    size_t p = st.find("* FAT 1:");
    uint64_t fatLast = 0;
    ASSERT_TRUE(NumberAfter(st, "-", &fatLast, p + 9));
    uint64_t heap = Need(st, "Cluster Heap:");
    uint64_t rootFirst = Need(st, "Root Directory:");
    uint64_t clusterBytes = Need(st, "Cluster Size:");
    size_t q = st.find("Cluster Range:");
    uint64_t lastCluster = 0;
    ASSERT_TRUE(NumberAfter(st, "-", &lastCluster, q));
    uint64_t upc = clusterBytes / 512;

    SCOPED_TRACE(Describe(r));
    // A bare exFAT volume is exFAT, not a partition table of boot code.
    EXPECT_EQ(FindAreaAt(r, 0, INFO_MBR), -1);
    EXPECT_GE(FindArea(r, 0, 1, INFO_EXFAT_BOOT), 0);
    EXPECT_GE(FindArea(r, fat, fatLast + 1, INFO_EXFAT_TABLE), 0);
    EXPECT_GE(FindArea(r, rootFirst, rootFirst + upc, INFO_EXFAT_DIRECTORY), 0);
    EXPECT_EQ(r.areas.count, 3u);
    ASSERT_EQ(r.regions.count, 1u);
    EXPECT_EQ(r.regions.dataStart[0], heap);
    EXPECT_EQ(r.regions.sectorsPerCluster[0], upc);
    EXPECT_EQ(r.regions.clusterCount[0], lastCluster - 1);
    EXPECT_EQ(r.regions.firstCluster[0], 2u);
}

namespace {

// The first run of the $DATA attribute in an ntfsinfo -v dump: "Runlist: VCN LCN Length"
// and then one line "0x0 0x4 0x7".
void FirstDataRun(const std::string& dump, uint64_t* lcn, uint64_t* length)
{
    size_t p = dump.find("Dumping attribute $DATA");
    ASSERT_NE(p, std::string::npos);
    p = dump.find("Runlist:", p);
    ASSERT_NE(p, std::string::npos);
    p = dump.find('\n', p);
    uint64_t vcn = 0;
    size_t next = 0;
    ASSERT_TRUE(NumberAfter(dump, "0x", &vcn, p, &next));
    ASSERT_EQ(vcn, 0u);
    // NumberAfter wants a label: the LCN and length follow as "0x..." again.
    ASSERT_TRUE(NumberAfter(dump, "\t", lcn, next, &next));
    ASSERT_TRUE(NumberAfter(dump, "\t", length, next, &next));
}

}  // namespace

namespace {

// `fsstatReads`: sleuthkit reads the volume (it does not read clusters above 64 KiB); ntfsinfo
// alone tells the numbers then.
void CheckNtfs(const char* image, bool fsstatReads = true)
{
    LOAD_OR_SKIP(image, "ntfsinfo", r, info);
    std::string mirr, st;
    LOAD_REPORT_OR_SKIP(image, "ntfsmirr", mirr);
    // In 512-byte units, whatever the volume's own sector size.
    uint64_t spc = Need(info, "Cluster Size:") / 512;
    uint64_t mftLcn = 0, mftLen = 0, mirrLcn = 0, mirrLen = 0;
    FirstDataRun(info, &mftLcn, &mftLen);
    FirstDataRun(mirr, &mirrLcn, &mirrLen);
    uint64_t clusters = Need(info, "Volume Size in Clusters:");
    if (fsstatReads) {
        LOAD_REPORT_OR_SKIP(image, "fsstat", st);
        EXPECT_EQ(Need(st, "First Cluster of MFT:"), mftLcn);
        EXPECT_EQ(Need(st, "First Cluster of MFT Mirror:"), mirrLcn);
        EXPECT_EQ(Need(st, "Cluster Size:"), spc * 512);
        size_t p = st.find("Total Sector Range:");
        uint64_t lastSector = 0;
        ASSERT_TRUE(NumberAfter(st, "-", &lastSector, p));
        // The boot sector's total excludes the backup boot sector: fsstat's last sector + 1,
        // in sectors of the volume's size.
        EXPECT_EQ(clusters, (lastSector + 1) * Need(st, "Sector Size:") / (spc * 512));
    }

    SCOPED_TRACE(Describe(r));
    EXPECT_GE(FindArea(r, 0, 1, INFO_NTFS_BOOT), 0);
    EXPECT_GE(FindArea(r, mftLcn * spc, (mftLcn + mftLen) * spc, INFO_NTFS_MFT), 0);
    EXPECT_GE(FindArea(r, mirrLcn * spc, (mirrLcn + mirrLen) * spc, INFO_NTFS_MFT_MIRROR), 0);
    EXPECT_EQ(r.areas.count, 3u);
    ASSERT_EQ(r.regions.count, 1u);
    EXPECT_EQ(r.regions.dataStart[0], 0u);
    EXPECT_EQ(r.regions.sectorsPerCluster[0], spc);
    EXPECT_EQ(r.regions.clusterCount[0], clusters);
    EXPECT_EQ(r.regions.firstCluster[0], 0u);
}

}  // namespace

TEST_P(FixtureScan, Ntfs) { CheckNtfs("ntfs.img"); }
// 64 KiB clusters: the sectors-per-cluster byte 0x80 is a count, not a power of two.
TEST_P(FixtureScan, NtfsWith64KiBClusters) { CheckNtfs("ntfs64k.img"); }
// 4096-byte sectors: clusters, $MFT and $MFTMirr in units of 512 bytes all the same.
TEST_P(FixtureScan, NtfsWith4096ByteSectors) { CheckNtfs("ntfs4k.img"); }
// 128 KiB clusters: the byte 0xF8 is 2^8 sectors.
TEST_P(FixtureScan, NtfsWith128KiBClusters) { CheckNtfs("ntfs128k.img", false); }

namespace {

void CheckExt(const char* image)
{
    LOAD_OR_SKIP(image, "dumpe2fs", r, d);
    EXPECT_EQ(Need(d, "Filesystem magic number:"), 0xEF53u);
    uint64_t blockSize = Need(d, "Block size:");
    uint64_t blocks = Need(d, "Block count:");
    uint64_t upb = blockSize / 512;
    SCOPED_TRACE(Describe(r));
    EXPECT_GE(FindArea(r, 2, 4, INFO_EXT_SUPERBLOCK), 0);
    EXPECT_EQ(r.areas.count, 1u);
    ASSERT_EQ(r.regions.count, 1u);
    EXPECT_EQ(r.regions.dataStart[0], upb);
    EXPECT_EQ(r.regions.sectorsPerCluster[0], upb);
    EXPECT_EQ(r.regions.clusterCount[0], blocks - 1);
    EXPECT_EQ(r.regions.firstCluster[0], 1u);
    // Block b at b * upb: block 1 of a 1024-byte-block volume is the superblock.
    EXPECT_EQ(r.regions.ClusterToSector(0, 1), upb);
}

}  // namespace

TEST_P(FixtureScan, Ext2) { CheckExt("ext2.img"); }
TEST_P(FixtureScan, Ext3) { CheckExt("ext3.img"); }
TEST_P(FixtureScan, Ext4With4096ByteBlocks) { CheckExt("ext4.img"); }
TEST_P(FixtureScan, Ext2WithABlockCountNoMultipleOfEight) { CheckExt("ext2odd.img"); }
// High words of the block count without the 64bit feature are no part of the count.
TEST_P(FixtureScan, Ext2WithHighWordsButNo64BitFeature) { CheckExt("ext2hi.img"); }

namespace {

// ISO 9660 from fsstat (one block per descriptor: path table location and root block),
// isoinfo -l (the root's size) and, with UDF, udfinfo (the recognition sequence).
void CheckIso(const char* image, bool withUdf)
{
    LOAD_OR_SKIP(image, "fsstat", r, st);
    std::string list, joliet;
    LOAD_REPORT_OR_SKIP(image, "isolist", list);
    LOAD_REPORT_OR_SKIP(image, "isolistj", joliet);
    list += joliet;
    SCOPED_TRACE(Describe(r));
    // The image switched to the disc's own sector size.
    std::string isoinfo;
    LOAD_REPORT_OR_SKIP(image, "isoinfo", isoinfo);
    EXPECT_EQ(r.bytesPerSector, Need(isoinfo, "Logical block size is:"));
    EXPECT_EQ(r.unitsPerSector, 4u);
    EXPECT_EQ(r.sectorCount, Need(isoinfo, "Volume size is:"));

    size_t p = 0;
    int descriptors = 0;
    while ((p = st.find("VOLUME DESCRIPTOR", p)) != std::string::npos) {
        ++descriptors;
        uint64_t path = 0, root = 0;
        ASSERT_TRUE(NumberAfter(st, "Path Table Location:", &path, p));
        ASSERT_TRUE(NumberAfter(st, "Root Directory Block:", &root, p));
        // fsstat names the big-endian (type M) table; the area begins at the little-endian
        // one, which the formatters put one table ahead (xorriso) or two, with a slot for
        // the optional copy (genisoimage). The tables of these small trees are under 2048
        // bytes, so the area is 2 x 1 sectors.
        bool found = false;
        for (uint64_t l = path - 2; l < path; ++l)
            found |= FindArea(r, l, l + 2, INFO_ISO_PATH_TABLE) >= 0;
        EXPECT_TRUE(found) << "no path table ahead of the M table at " << path;
        // The root directory record of "." in isoinfo -l: "<size> <date> [ <extent> 02]  . "
        char marker[32];
        snprintf(marker, sizeof marker, "[%7llu 02]  . ", static_cast<unsigned long long>(root));
        size_t m = list.find(marker);
        ASSERT_NE(m, std::string::npos) << marker;
        size_t lineStart = list.rfind('\n', m) + 1;
        uint64_t size = 0;
        ASSERT_TRUE(NumberAfter(list, "0    0    0", &size, lineStart));
        EXPECT_GE(FindArea(r, root, root + (size + 2047) / 2048, INFO_ISO_DIRECTORY), 0) << "root " << root;
        p += 10;
    }
    EXPECT_GE(descriptors, 2);      // primary and Joliet
    uint64_t endOfDescriptors = 16 + descriptors + 1;      // and the set terminator
    if (withUdf) {
        std::string udf;
        LOAD_REPORT_OR_SKIP(image, "udfinfo", udf);
        uint64_t vrs = 0, vrsBlocks = 0;
        size_t v = udf.find("type=VRS");
        ASSERT_NE(v, std::string::npos);
        size_t lineStart = udf.rfind('\n', v) + 1;
        ASSERT_TRUE(NumberAfter(udf, "start=", &vrs, lineStart));
        ASSERT_TRUE(NumberAfter(udf, "blocks=", &vrsBlocks, lineStart));
        // The ISO descriptors and the recognition sequence up to, not including, "TEA01".
        endOfDescriptors = vrs + vrsBlocks - 1;
        uint64_t anchor = 0;
        ASSERT_TRUE(NumberAfter(udf, "start=", &anchor, udf.find("type=ANCHOR") - 20));
        EXPECT_GE(FindAreaAt(r, 256, INFO_ECMA_TAG), 0);
    }
    EXPECT_GE(FindArea(r, 16, endOfDescriptors, INFO_ISO_DESCRIPTOR), 0);
}

}  // namespace

TEST_P(FixtureScan, Iso9660WithJoliet) { CheckIso("iso9660.img", false); }
TEST_P(FixtureScan, Iso9660WithUdf) { CheckIso("isoudf.img", true); }

namespace {

struct UdfExtent { uint64_t start, blocks; };

bool UdfExtentOf(const std::string& udf, const char* type, UdfExtent* e)
{
    size_t v = udf.find(std::string("type=") + type);
    if (v == std::string::npos)
        return false;
    size_t lineStart = udf.rfind('\n', v) + 1;
    return NumberAfter(udf, "start=", &e->start, lineStart) && NumberAfter(udf, "blocks=", &e->blocks, lineStart);
}

}  // namespace

TEST_P(FixtureScan, UdfOnly)
{
    LOAD_OR_SKIP("udf.img", "udfinfo", r, udf);
    SCOPED_TRACE(Describe(r));
    EXPECT_EQ(Need(udf, "blocksize="), 2048u);
    UdfExtent vrs, mvds, rvds, pspace;
    ASSERT_TRUE(UdfExtentOf(udf, "VRS", &vrs));
    ASSERT_TRUE(UdfExtentOf(udf, "MVDS", &mvds));
    ASSERT_TRUE(UdfExtentOf(udf, "RVDS", &rvds));
    ASSERT_TRUE(UdfExtentOf(udf, "PSPACE", &pspace));
    // No "CD001": the recognition sequence alone, "TEA01" not counted.
    EXPECT_GE(FindArea(r, 16, vrs.start + vrs.blocks - 1, INFO_ISO_DESCRIPTOR), 0);
    int anchor = FindArea(r, 256, 257, INFO_ECMA_TAG);
    ASSERT_GE(anchor, 0);
    EXPECT_STREQ(r.areas.name[anchor], "Emca-Volume Desc.");
    // Both descriptor sequences begin with their primary volume descriptor and each holds a
    // partition descriptor and a terminator.
    for (const UdfExtent& seq : { mvds, rvds }) {
        int pvd = FindArea(r, seq.start, seq.start + 1, INFO_ECMA_TAG);
        ASSERT_GE(pvd, 0) << seq.start;
        EXPECT_STREQ(r.areas.name[pvd], "Emca-Primary Volume");
        bool partition = false, terminator = false;
        for (uint32_t i = 0; i < r.areas.count; ++i) {
            if (r.areas.first[i] < seq.start || r.areas.first[i] >= seq.start + seq.blocks)
                continue;
            EXPECT_EQ(r.areas.type[i], static_cast<uint32_t>(INFO_ECMA_TAG));
            partition |= strcmp(r.areas.name[i], "Emca-Partition Desc.") == 0;
            terminator |= strcmp(r.areas.name[i], "Emca-Terminating Desc.") == 0;
        }
        EXPECT_TRUE(partition);
        EXPECT_TRUE(terminator);
    }
    // The partition is the cluster region; its file set descriptor leads to the root.
    int reg = FindRegion(r, pspace.start);
    ASSERT_GE(reg, 0);
    EXPECT_EQ(r.regions.dataStart[reg], pspace.start);
    EXPECT_EQ(r.regions.clusterCount[reg], pspace.blocks);
    EXPECT_EQ(r.regions.sectorsPerCluster[reg], 1u);
    EXPECT_EQ(r.regions.firstCluster[reg], 0u);
    EXPECT_GE(FindAreaAt(r, pspace.start, INFO_ECMA_TAG), 0);
    bool fileSet = false, root = false;
    for (uint32_t i = 0; i < r.areas.count; ++i) {
        if (r.areas.name[i] && strcmp(r.areas.name[i], "Emca-File Set") == 0)
            fileSet = r.areas.first[i] >= pspace.start && r.areas.first[i] < pspace.start + pspace.blocks;
        if (r.areas.name[i] && strcmp(r.areas.name[i], "Root-Verzeichnis") == 0) {
            root = true;
            EXPECT_GT(r.areas.first[i], pspace.start);
            EXPECT_LT(r.areas.first[i], pspace.start + pspace.blocks);
        }
    }
    EXPECT_TRUE(fileSet);
    EXPECT_TRUE(root);
}

namespace {

struct MmlsRow { uint64_t start, end, length; std::string slot, description; };

std::vector<MmlsRow> ParseMmls(const std::string& text)
{
    std::vector<MmlsRow> rows;
    size_t p = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string::npos)
            e = text.size();
        std::string line = text.substr(p, e - p);
        p = e + 1;
        char slot[32] = {}, desc[128] = {};
        unsigned long long s = 0, en = 0, len = 0;
        int idx = 0;
        if (sscanf(line.c_str(), "%d: %31s %llu %llu %llu %127[^\n]", &idx, slot, &s, &en, &len, desc) >= 5)
            rows.push_back({ s, en, len, slot, desc });
    }
    return rows;
}

}  // namespace

// mbr.img: a primary FAT16 and one extended partition with three logical partitions, made
// by sfdisk. mbr2ext.img: two extended partitions in the MBR, each with one logical FAT
// volume; the second counts from the MBR, not from the first extended partition.
TEST_P(FixtureScan, MbrWithExtendedPartitions)
{
    const struct {
        const char* image;
        int tables, fats, exts;
    } cases[] = {
        { "mbr.img", 4, 3, 1 },
        { "mbr2ext.img", 3, 2, 0 },
        // An extended partition from just below sector 2^32, its FAT12 behind 2^32.
        { "mbrhigh.img", 2, 1, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        LOAD_OR_SKIP(c.image, "mmls", r, mmls);
        SCOPED_TRACE(Describe(r));
        std::vector<MmlsRow> rows = ParseMmls(mmls);
        ASSERT_GE(rows.size(), static_cast<size_t>(2 * c.tables + 2));
        std::vector<uint64_t> starts;
        int tables = 0, fats = 0, exts = 0;
        for (const MmlsRow& row : rows) {
            if (row.description.find("Table") != std::string::npos) {
                // The MBR and each EBR.
                EXPECT_GE(FindArea(r, row.start, row.start + 1, INFO_MBR), 0) << row.start;
                ++tables;
            } else if (row.slot != "-------") {
                // Partitions, extended ones included, are partition starts.
                starts.push_back(row.start);
                if (row.description.find("FAT") != std::string::npos) {
                    EXPECT_GE(FindArea(r, row.start, row.start + 1, INFO_FAT_BOOT), 0) << row.start;
                    EXPECT_GE(FindRegion(r, row.start), 0);
                    ++fats;
                } else if (row.description.find("Linux") != std::string::npos) {
                    EXPECT_GE(FindArea(r, row.start + 2, row.start + 4, INFO_EXT_SUPERBLOCK), 0);
                    ++exts;
                }
                // Its last sector still lies in it: no start the tables do not name cuts
                // the partition (and its clusters) short.
                if (row.slot != "Meta") {
                    EXPECT_EQ(r.partitionStarts.StartOf(row.end), row.start) << row.description;
                }
            }
        }
        EXPECT_EQ(tables, c.tables);
        EXPECT_EQ(fats, c.fats);
        EXPECT_EQ(exts, c.exts);
        std::sort(starts.begin(), starts.end());
        ASSERT_EQ(r.partitionStarts.count, starts.size());
        for (size_t i = 0; i < starts.size(); ++i)
            EXPECT_EQ(r.partitionStarts.start[i], starts[i]);
        EXPECT_EQ(r.regions.count, static_cast<uint32_t>(fats + exts));      // ext numbers its blocks
        for (uint32_t i = 1; i < r.regions.count; ++i)
            EXPECT_LT(r.regions.regionStart[i - 1], r.regions.regionStart[i]);
    }
}

TEST_P(FixtureScan, GptWithFourFileSystems)
{
    LOAD_OR_SKIP("gpt.img", "mmls", r, mmls);
    SCOPED_TRACE(Describe(r));
    std::vector<MmlsRow> rows = ParseMmls(mmls);
    uint64_t sectors = r.sectorCount;
    uint64_t backupHeader = sectors - 1;      // sgdisk keeps the backup header in the last sector
    uint64_t entryFirst = 0, entrySectors = 0;
    std::vector<uint64_t> parts;
    for (const MmlsRow& row : rows) {
        if (row.description.find("Partition Table") != std::string::npos) {
            entryFirst = row.start;
            entrySectors = row.length;
        } else if (row.description.find("GPT Header") != std::string::npos) {
            EXPECT_GE(FindArea(r, row.start, row.start + 1, INFO_GPT_HEADER), 0);
        } else if (row.description.find("Safety Table") != std::string::npos) {
            EXPECT_GE(FindArea(r, row.start, row.start + 1, INFO_MBR), 0);
        } else if (row.slot != "-------" && row.slot != "Meta") {
            parts.push_back(row.start);
        }
    }
    ASSERT_EQ(parts.size(), 4u);
    ASSERT_GT(entrySectors, 0u);
    EXPECT_GE(FindArea(r, backupHeader, backupHeader + 1, INFO_GPT_HEADER), 0);
    EXPECT_GE(FindArea(r, entryFirst, entryFirst + entrySectors, INFO_GPT_ENTRIES), 0);
    EXPECT_GE(FindArea(r, backupHeader - entrySectors, backupHeader, INFO_GPT_ENTRIES), 0);
    // FAT32, NTFS, ext4 (no boot signature, in the middle) and exFAT behind it.
    EXPECT_GE(FindAreaAt(r, parts[0], INFO_FAT32_BOOT), 0);
    EXPECT_GE(FindAreaAt(r, parts[0] + 6, INFO_FAT32_BOOT), 0);
    EXPECT_GE(FindAreaAt(r, parts[0] + 1, INFO_FAT32_INFO), 0);
    EXPECT_GE(FindAreaAt(r, parts[1], INFO_NTFS_BOOT), 0);
    EXPECT_GE(FindAreaAt(r, parts[1], INFO_NTFS_BOOT), 0);
    EXPECT_GE(FindArea(r, parts[2] + 2, parts[2] + 4, INFO_EXT_SUPERBLOCK), 0);
    EXPECT_GE(FindAreaAt(r, parts[3], INFO_EXFAT_BOOT), 0);
    int mft = -1;
    for (uint32_t i = 0; i < r.areas.count; ++i)
        if (r.areas.type[i] == INFO_NTFS_MFT)
            mft = static_cast<int>(i);
    ASSERT_GE(mft, 0);
    EXPECT_GT(r.areas.first[mft], parts[1]);
    EXPECT_LT(r.areas.first[mft], parts[2]);
    // The protective MBR's one partition (from sector 1) is a partition start too.
    std::vector<uint64_t> starts = parts;
    starts.push_back(1);
    std::sort(starts.begin(), starts.end());
    ASSERT_EQ(r.partitionStarts.count, starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(r.partitionStarts.start[i], starts[i]);
    ASSERT_EQ(r.regions.count, 4u);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(r.regions.regionStart[i], parts[i]);
    // The status line's lookup: a sector inside the exFAT partition belongs to its region.
    EXPECT_EQ(r.regions.Find(parts[3] + 100), 3);
    EXPECT_EQ(r.partitionStarts.StartOf(parts[2] + 5), parts[2]);
}
