// The scan of tool-made images damaged at test time: fields that point behind the medium or
// wrap, an EBR that links to itself, and a FAT volume whose sectors are larger than the
// medium's. Every area stays on the medium and is listed once; the FAT is mapped in its own
// sector size, as fsck.fat reports it.
#include "NavTestSupport.h"
#include <string.h>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <tuple>

using namespace navtest;

namespace {

struct Patch
{
    uint64_t offset;
    uint32_t width;     // bytes, little-endian
    uint64_t value;
};

bool LoadImage(const std::string& image, std::vector<uint8_t>* bytes)
{
    std::ifstream in(scantest::FixturePath(image).c_str(), std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !bytes->empty();
}

void Apply(std::vector<uint8_t>& bytes, const std::vector<Patch>& patches)
{
    for (const Patch& p : patches)
        for (uint32_t i = 0; i < p.width; ++i)
            bytes.at(p.offset + i) = static_cast<uint8_t>(p.value >> (8 * i));
}

uint32_t U32(const std::vector<uint8_t>& b, uint64_t off)
{
    uint32_t v = 0;
    memcpy(&v, b.data() + off, 4);
    return v;
}

}  // namespace

TEST(DamagedMedia, EveryAreaLiesOnTheMediumAndChoosingItShowsOneOfItsSectors)
{
    const uint64_t gpt = 512, pvd = 16 * 2048, svd = 17 * 2048;
    const uint64_t kMediumEnd = 0xE0DE0DE0DE0ull;      // stands for the image's own sector count
    const struct {
        const char* image;
        std::vector<Patch> patches;
    } cases[] = {
        { "gptsmall.img", { { gpt + 80, 4, 0xFFFFFFFFu } } },                  // entry count
        { "gptsmall.img", { { gpt + 32, 8, ~0ull } } },                        // alternate header
        { "gptsmall.img", { { gpt + 32, 8, 1 } } },
        { "gptsmall.img", { { gpt + 72, 8, ~0ull - 1 } } },                    // entry start
        { "gptsmall.img", { { gpt + 72, 8, kMediumEnd } } },                   // entries just behind the end
        { "iso9660.img", { { pvd + 132, 4, 0xFFFFFFFFu }, { pvd + 140, 4, 0xFFFFFFF0u }, { pvd + 144, 4, 0xFFFFFFFFu },
                           { pvd + 158, 4, 0xFFFFFFFEu }, { pvd + 166, 4, 0xFFFFFFFFu }, { svd + 158, 4, 0xFFFFF000u } } },
        { "fat32.img", { { 13, 1, 128 }, { 19, 2, 0 }, { 32, 4, 0 } } },     // no total, large clusters
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes;
        if (!LoadImage(c.image, &bytes))
            GTEST_SKIP() << c.image << " was not made";
        std::vector<Patch> patches = c.patches;
        for (Patch& p : patches)
            if (p.value == kMediumEnd)
                p.value = bytes.size() / 512;
        Apply(bytes, patches);
        const std::string path = scantest::FixturePath("damaged.tmp.img");
        std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        SCOPED_TRACE(std::string(c.image) + ", patch at " + std::to_string(c.patches[0].offset));
        Prompts prompts;
        ScriptedDialogs dialogs;
        std::unique_ptr<TestDoc> doc(new TestDoc);
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
        ASSERT_TRUE(doc->OnOpenDocument(path.c_str()));
        const uint64_t sectors = doc->GetSectorCount();
        const AreaTable& areas = doc->GetAreas();
        const ClusterRegionTable& regions = doc->GetClusterRegions();
        SCOPED_TRACE(scantest::Describe(doc->GetScan()));
        for (uint32_t i = 0; i < regions.count; ++i)
            EXPECT_LE(regions.dataStart[i] + regions.clusterCount[i] * regions.sectorsPerCluster[i], sectors);
        for (uint32_t i = 0; i < areas.count; ++i) {
            EXPECT_LT(areas.first[i], sectors);
            EXPECT_LE(areas.end[i], sectors);
            EXPECT_LE(areas.first[i], areas.end[i]);
            dialogs.choices.push_back(static_cast<int>(i));
            doc->OnGotoArea();
            EXPECT_EQ(areas.first[i], doc->GetCurrentSector());
            EXPECT_EQ(doc->GetCurrentSector(), doc->GetLastSectorRead());
            doc->OnPrevSector();
            EXPECT_LT(doc->GetCurrentSector(), sectors);
        }
        // An area behind the end that came by other means is refused, and no step goes on
        // from a sector behind the end.
        const uint64_t shown = doc->GetCurrentSector();
        doc->Scan().areas.Add(sectors, sectors + 1, INFO_MBR);
        dialogs.choices.push_back(static_cast<int>(areas.count) - 1);
        prompts.boxAnswers.push_back(IDOK);
        doc->OnGotoArea();
        EXPECT_EQ(shown, doc->GetCurrentSector());
        EXPECT_EQ("Falsche Sektornummer !", prompts.boxes.empty() ? "" : prompts.boxes.back().text);
        doc->SetCurrentSector(sectors + 1);
        doc->OnPrevSector();
        EXPECT_EQ(sectors + 1, doc->GetCurrentSector());
        EXPECT_EQ(0, prompts.unexpected);
        EXPECT_EQ(0, dialogs.unexpected);
        doc.reset();
        DeleteFileA(path.c_str());
    }
}

namespace {

// Counts the reads of every unit.
struct CountingSource : MemorySectorSource
{
    using MemorySectorSource::MemorySectorSource;
    std::map<uint64_t, int> reads;
    bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) override
    {
        ++reads[firstUnit];
        return MemorySectorSource::ReadUnits(firstUnit, count, buffer);
    }
};

}  // namespace

TEST(DamagedMedia, SelfLinkedEbrEndsTheWalkAndEveryAreaIsAddedOnce)
{
    // The link of the second EBR of mbr.img made to name that EBR itself (extended base +
    // its own offset), and the MBR's third entry a copy of its first.
    std::vector<uint8_t> bytes;
    if (!LoadImage("mbr.img", &bytes))
        GTEST_SKIP() << "mbr.img was not made";
    uint64_t extended = 0;
    for (int k = 0; k < 4; ++k)
        if (bytes[446 + 16 * k + 4] == 0x05)
            extended = U32(bytes, 446 + 16 * k + 8);
    ASSERT_NE(0u, extended);
    const uint32_t second = U32(bytes, extended * 512 + 446 + 16 + 8);
    Apply(bytes, { { (extended + second) * 512 + 446 + 16 + 8, 4, second } });
    memcpy(&bytes[446 + 32], &bytes[446], 16);

    VolumeScanResult r;
    CountingSource src(bytes.data(), bytes.size());
    r.driveCode = DRIVECODE_IMAGE;
    r.sectorCount = bytes.size() / 512;
    VolumeScanner(src, r).AnalyzeVolume();
    SCOPED_TRACE(scantest::Describe(r));
    std::set<std::tuple<uint64_t, uint64_t, uint32_t>> areas;
    uint32_t tables = 0;
    for (uint32_t i = 0; i < r.areas.count; ++i) {
        EXPECT_TRUE(areas.insert(std::make_tuple(r.areas.first[i], r.areas.end[i], r.areas.type[i])).second);
        tables += r.areas.type[i] == INFO_MBR;
    }
    EXPECT_EQ(3u, tables);      // the MBR, the first EBR and the looping one
    EXPECT_EQ(1, src.reads[extended + second]);
    std::set<uint64_t> starts(r.partitionStarts.start, r.partitionStarts.start + r.partitionStarts.count);
    EXPECT_EQ(r.partitionStarts.count, starts.size());
}

TEST(DamagedMedia, FatWith4096ByteSectorsIsMappedInItsOwnSectorSize)
{
    std::string fsck;
    auto need = [&](const char* label) { uint64_t v = 0; EXPECT_TRUE(scantest::NumberAfter(fsck, label, &v)) << label; return v; };
    auto before = [&](const char* label) { uint64_t v = 0; EXPECT_TRUE(scantest::NumberBefore(fsck, label, &v)) << label; return v; };
    Prompts prompts;
    std::unique_ptr<TestDoc> doc(new TestDoc);
    doc->SetPrompts(&prompts);
    const std::string path = scantest::FixturePath("fat4k.img");
    if (!scantest::LoadText(path + ".fsck.txt", &fsck) || !doc->OnOpenDocument(path.c_str()))
        GTEST_SKIP() << "fat4k.img or its report was not made";
    const uint64_t ups = before("bytes per logical sector") / 512;
    const uint64_t fatStart = need("First FAT starts at byte") / 512;
    const uint64_t perFat = need("bytes per FAT (=") * ups;
    const uint64_t fats = before("FATs, 16 bit entries");
    const uint64_t rootStart = need("Root directory starts at byte") / 512;
    const uint64_t dataStart = need("Data area starts at byte") / 512;
    const uint64_t upc = before("bytes per cluster") / 512;
    ASSERT_EQ(8u, ups);
    const VolumeScanResult& r = doc->GetScan();
    SCOPED_TRACE(scantest::Describe(r));
    EXPECT_GE(scantest::FindArea(r, fatStart, fatStart + fats * perFat, INFO_FAT16_TABLE), 0);
    EXPECT_GE(scantest::FindArea(r, rootStart, dataStart, INFO_FAT_DIRECTORY), 0);
    EXPECT_EQ(fatStart, r.FatStartOf(fatStart + perFat));
    EXPECT_EQ(perFat, r.SectorsPerFatOf(fatStart));
    ASSERT_EQ(1u, r.regions.count);
    EXPECT_EQ(dataStart, r.regions.dataStart[0]);
    EXPECT_EQ(upc, r.regions.sectorsPerCluster[0]);
    EXPECT_EQ(before("data clusters"), r.regions.clusterCount[0]);
    // "Springe zu Cluster" and the status bar's cluster count in the same units.
    prompts.Type("3");
    doc->OnGotoCluster();
    EXPECT_EQ(dataStart + upc, doc->GetCurrentSector());
    EXPECT_EQ(upc, doc->GetSectorsPerCluster());
    EXPECT_EQ(dataStart, doc->GetClusterAreaStart());

    // A sector size FAT does not know leaves the volume unrecognised rather than mismapped.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(LoadImage("fat4k.img", &bytes));
    for (uint64_t size : { 0u, 256u, 3000u, 8192u }) {
        Apply(bytes, { { 11, 2, size } });
        VolumeScanResult odd;
        MemorySectorSource src(bytes.data(), bytes.size());
        odd.driveCode = DRIVECODE_IMAGE;
        odd.sectorCount = bytes.size() / 512;
        VolumeScanner(src, odd).AnalyzeVolume();
        EXPECT_EQ(0u, odd.regions.count) << size;
        EXPECT_EQ(1u, odd.areas.count) << size;
    }
}

// exFAT counts its offsets in its own sectors: the same volume described in 4096-byte sectors
// (mkfs.exfat's layout divided by 8, the cluster size kept) maps to the very units it maps to
// in 512-byte sectors. A sector size exFAT does not know maps nothing but the boot sector.
TEST(DamagedMedia, ExFatIsMappedInItsOwnSectorSize)
{
    std::vector<uint8_t> bytes;
    if (!LoadImage("exfat.img", &bytes))
        GTEST_SKIP() << "exfat.img was not made";
    auto scan = [&](VolumeScanResult* r) {
        MemorySectorSource src(bytes.data(), bytes.size());
        r->driveCode = DRIVECODE_IMAGE;
        r->sectorCount = bytes.size() / 512;
        VolumeScanner(src, *r).AnalyzeVolume();
    };
    VolumeScanResult small, large;
    scan(&small);
    ASSERT_EQ(1u, small.regions.count);
    ASSERT_EQ(9, bytes[108]);
    ASSERT_GE(bytes[109], 3);
    for (uint64_t field : { 72u, 80u, 84u, 88u })
        ASSERT_EQ(0u, U32(bytes, field) % 8) << field;
    Apply(bytes, { { 72, 8, U32(bytes, 72) / 8 }, { 80, 4, U32(bytes, 80) / 8 }, { 84, 4, U32(bytes, 84) / 8 },
                   { 88, 4, U32(bytes, 88) / 8 }, { 108, 1, 12 }, { 109, 1, bytes[109] - 3u } });
    scan(&large);
    EXPECT_EQ(scantest::Describe(small), scantest::Describe(large));
    for (uint64_t shift : { 8u, 13u }) {
        Apply(bytes, { { 108, 1, shift } });
        VolumeScanResult odd;
        scan(&odd);
        EXPECT_EQ(0u, odd.regions.count) << shift;
        EXPECT_EQ(1u, odd.areas.count) << shift;
    }
}

namespace {

uint64_t U64(const std::vector<uint8_t>& b, uint64_t off)
{
    uint64_t v = 0;
    memcpy(&v, b.data() + off, 8);
    return v;
}

// The scan of an image on a medium of `sectors`, and the units it read.
VolumeScanResult ScanBytes(const std::vector<uint8_t>& bytes, uint64_t sectors, std::map<uint64_t, int>* reads = nullptr)
{
    CountingSource src(bytes.data(), bytes.size());
    VolumeScanResult r;
    r.driveCode = DRIVECODE_IMAGE;
    r.sectorCount = sectors;
    VolumeScanner(src, r).AnalyzeVolume();
    if (reads)
        *reads = src.reads;
    return r;
}

}  // namespace

// mkntfs's $MFT record with its $DATA header moved across the end of the first 512-byte
// stride (the attribute before it grown), where NTFS writes the update sequence number and
// keeps the two bytes it covers in the update sequence array: the walk puts them back and
// finds $MFT as in the record as made.
TEST(DamagedMedia, MftRecordIsWalkedWithItsUpdateSequencePutBack)
{
    std::vector<uint8_t> bytes;
    if (!LoadImage("ntfs.img", &bytes))
        GTEST_SKIP() << "ntfs.img was not made";
    const std::string made = scantest::Describe(ScanBytes(bytes, bytes.size() / 512));
    ASSERT_NE(std::string::npos, made.find("Master File Table"));
    uint8_t* rec = &bytes.at(U64(bytes, 48) * bytes[13] * 512);
    auto u16 = [&](uint32_t at) { return static_cast<uint32_t>(rec[at] | (rec[at + 1] << 8)); };
    auto put16 = [&](uint32_t at, uint32_t v) { rec[at] = static_cast<uint8_t>(v); rec[at + 1] = static_cast<uint8_t>(v >> 8); };
    const uint32_t array = u16(4), used = u16(24);
    ASSERT_EQ(3u, u16(6));
    for (uint32_t i = 1; i <= 2; ++i)
        put16(i * 512 - 2, u16(array + 2 * i));
    uint32_t off = u16(20), previous = 0;
    for (; u16(off) != 0x80 && off < 504; off += u16(off + 4))
        previous = off;
    ASSERT_LT(off, 504u);
    const uint32_t grow = 504 - off;
    memmove(rec + off + grow, rec + off, used - off);
    memset(rec + off, 0, grow);
    put16(previous + 4, u16(previous + 4) + grow);
    put16(24, used + grow);
    for (uint32_t i = 1; i <= 2; ++i) {
        put16(array + 2 * i, u16(i * 512 - 2));
        put16(i * 512 - 2, u16(array));
    }
    EXPECT_EQ(made, scantest::Describe(ScanBytes(bytes, bytes.size() / 512)));
}

// udf.img's file set descriptor with a type in the top two bits of its root directory's
// extent length (allocated but not recorded, neither, the next extent of descriptors): the
// length is the low 30 bits, and the root directory's area stays the one of the disc as made.
TEST(DamagedMedia, UdfRootExtentLengthLeavesOutItsType)
{
    std::vector<uint8_t> bytes;
    if (!LoadImage("udf.img", &bytes))
        GTEST_SKIP() << "udf.img was not made";
    const std::string made = scantest::Describe(ScanBytes(bytes, bytes.size() / 512));
    ASSERT_NE(std::string::npos, made.find("Root-Verzeichnis")) << made;
    // The file set descriptor: the block whose tag names 256 and whose checksum holds.
    size_t fsd = 0;
    for (size_t b = 2048; b + 2048 <= bytes.size() && fsd == 0; b += 2048) {
        uint8_t sum = 0;
        for (size_t i = 0; i < 16; ++i)
            sum = static_cast<uint8_t>(sum + (i == 4 ? 0 : bytes[b + i]));
        if (bytes[b] == 0 && bytes[b + 1] == 1 && sum == bytes[b + 4])
            fsd = b;
    }
    ASSERT_NE(0u, fsd);
    const uint32_t length = U32(bytes, fsd + 400);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, 1u << 30);
    for (uint64_t type : { 1u, 2u, 3u }) {
        Apply(bytes, { { fsd + 400, 4, (type << 30) | length } });
        EXPECT_EQ(made, scantest::Describe(ScanBytes(bytes, bytes.size() / 512))) << type;
    }
}

// Places as large as their file systems hold them, on a medium declared 2^40 sectors large:
// an exFAT root directory and an NTFS master file table 2^32 units (2 TiB) into the volume
// are looked for there, not 2 TiB nearer its start; FAT32 takes FATs up to the 1 GiB that
// 2^28 clusters need, and no larger.
TEST(DamagedMedia, PlacesAndSizesAsLargeAsTheFileSystemHoldsThem)
{
    const uint64_t kLarge = 1ull << 40;
    std::vector<uint8_t> exfat, ntfs, fat32;
    if (!LoadImage("exfat.img", &exfat) || !LoadImage("ntfs.img", &ntfs) || !LoadImage("fat32.img", &fat32))
        GTEST_SKIP() << "exfat.img, ntfs.img or fat32.img was not made";
    ASSERT_EQ(9, exfat[108]);
    const uint64_t upc = 1ull << exfat[109], heap = U32(exfat, 88);
    Apply(exfat, { { 96, 4, 2 + (1ull << 32) / upc + 5 } });
    const VolumeScanResult x = ScanBytes(exfat, kLarge);
    const uint64_t root = heap + (1ull << 32) + 5 * upc;
    EXPECT_GE(scantest::FindArea(x, root, root + upc, INFO_EXFAT_DIRECTORY), 0) << scantest::Describe(x);

    const uint64_t spc = ntfs[13], mft = U64(ntfs, 48) * spc;
    Apply(ntfs, { { 48, 8, U64(ntfs, 48) + (1ull << 32) / spc } });
    std::map<uint64_t, int> reads;
    const VolumeScanResult n = ScanBytes(ntfs, kLarge, &reads);
    EXPECT_EQ(1, reads[mft + (1ull << 32)]);
    EXPECT_EQ(0u, reads.count(mft)) << scantest::Describe(n);

    ASSERT_EQ(512u, fat32[11] | (fat32[12] << 8));
    const uint64_t fatStart = fat32[14] | (fat32[15] << 8), kLargestFat = 0x10000000ull * 4 / 512;
    for (uint64_t perFat : { kLargestFat, kLargestFat + 1, 0xFFFFFFFFull }) {
        Apply(fat32, { { 13, 1, 128 }, { 16, 1, 1 }, { 32, 4, 0xFFFFFFF0u }, { 36, 4, perFat } });
        const VolumeScanResult f = ScanBytes(fat32, kLarge);
        EXPECT_EQ(perFat == kLargestFat, scantest::FindArea(f, fatStart, fatStart + perFat, INFO_FAT32_TABLE) >= 0)
            << perFat << scantest::Describe(f);
    }
}
