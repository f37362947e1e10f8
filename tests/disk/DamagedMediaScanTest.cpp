// The scan of tool-made images damaged at test time: an EBR that links to itself. Every
// area is listed once.
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
