// Thousands of randomly damaged boot sectors, partition tables, GPT headers, MFT records and
// descriptors fed through the scan: it must end quickly, read within its bounds and leave
// tables that keep their own rules. The damage is done to the sectors the scan of the
// undamaged image reads, so every change lands where the scan looks.
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <random>
#include <vector>

using namespace scantest;

namespace {

// Remembers every unit it hands out.
class RecordingSource : public SectorSource
{
public:
    explicit RecordingSource(SectorSource& inner) : m_inner(inner) {}
    bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) override
    {
        bool ok = m_inner.ReadUnits(firstUnit, count, buffer);
        if (ok)
            for (uint32_t i = 0; i < count; ++i)
                units.push_back(firstUnit + i);
        return ok;
    }
    std::vector<uint64_t> units;
private:
    SectorSource& m_inner;
};

bool LoadImage(const std::string& path, std::vector<uint8_t>* bytes)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    bytes->resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes->data()), size);
    return static_cast<bool>(in);
}

void CheckInvariants(const VolumeScanResult& r, const std::string& what)
{
    ASSERT_LE(r.areas.count, AreaTable::kCapacity) << what;
    ASSERT_LE(r.regions.count, ClusterRegionTable::kCapacity) << what;
    ASSERT_LE(r.partitionStarts.count, PartitionStartList::kCapacity) << what;
    for (uint32_t i = 1; i < r.partitionStarts.count; ++i)
        ASSERT_LE(r.partitionStarts.start[i - 1], r.partitionStarts.start[i]) << what;
    for (uint32_t i = 1; i < r.regions.count; ++i)
        ASSERT_LE(r.regions.regionStart[i - 1], r.regions.regionStart[i]) << what;
    for (uint32_t i = 1; i < r.areas.count; ++i)
        ASSERT_LE(r.areas.first[i - 1], r.areas.first[i]) << what;
    for (uint32_t i = 0; i < r.areas.count; ++i)
        ASSERT_NE(r.areas.DisplayName(i), nullptr);
}

// The most reads a scan may make: the walk's 32 table sectors, each with four recognisers
// whose boot-sector search stops at sector 1024, the GPT's bounded entries with theirs, and
// the fixed walks of NTFS (16 records) and UDF (129 entries of at most 33 sectors).
const uint64_t kMaxReadsPerScan = 32 * 4 * 1100 + VolumeScanner::kMaxGptEntries * 1100 + 129 * 33 + 64;

}  // namespace

TEST(ScanMutation, DamagedStructuresNeverCrashHangOrOverread)
{
    const char* images[] = { "fat12.img", "fat16.img", "fat32.img", "exfat.img", "ntfs.img", "ext2.img",
                             "ext4.img",  "iso9660.img", "isoudf.img", "udf.img", "mbr.img", "gpt.img" };
    const int kRoundsPerImage = 400;
    std::mt19937 rng(20261206);
    DWORD started = GetTickCount();
    int scanned = 0, images_ = 0;
    uint64_t mostReads = 0;
    for (const char* name : images) {
        std::vector<uint8_t> img;
        if (!LoadImage(FixturePath(name), &img))
            continue;
        ++images_;
        // The sectors the undamaged scan reads.
        std::vector<uint64_t> hot;
        {
            MemorySectorSource mem(img.data(), img.size());
            RecordingSource rec(mem);
            VolumeScanResult r;
            r.driveCode = DRIVECODE_IMAGE;
            r.sectorCount = img.size() / 512;
            VolumeScanner(rec, r).AnalyzeVolume();
            hot = rec.units;
            std::sort(hot.begin(), hot.end());
            hot.erase(std::unique(hot.begin(), hot.end()), hot.end());
        }
        ASSERT_FALSE(hot.empty()) << name;
        uint8_t saved[2][512];
        for (int round = 0; round < kRoundsPerImage; ++round) {
            // Damage one or two of those sectors.
            int damaged = 1 + (rng() % 4 == 0);
            uint64_t which[2] = { hot[rng() % hot.size()], hot[rng() % hot.size()] };
            if (damaged == 2 && which[1] == which[0])
                damaged = 1;
            for (int d = 0; d < damaged; ++d) {
                uint8_t* s = img.data() + which[d] * 512;
                memcpy(saved[d], s, 512);
                switch (rng() % 4) {
                case 0:                                 // a few random bytes
                    for (int k = 1 + rng() % 8; k > 0; --k)
                        s[rng() % 512] = static_cast<uint8_t>(rng());
                    break;
                case 1: {                               // a field at an extreme
                    static const uint32_t kValues[] = { 0, 1, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF };
                    uint32_t v = kValues[rng() % 7];
                    uint32_t off = rng() % 509;
                    memcpy(s + off, &v, 4);
                    break;
                }
                case 2:                                 // a whole sector of noise, signature kept
                    for (int k = 0; k < 510; ++k)
                        s[k] = static_cast<uint8_t>(rng());
                    break;
                default: {                              // bytes from elsewhere in the sector
                    uint32_t from = rng() % 256, to = rng() % 256, n = 1 + rng() % 200;
                    memmove(s + to, s + from, n);
                    break;
                }
                }
            }
            // Sometimes the image is cut short too.
            size_t size = img.size();
            if (rng() % 8 == 0)
                size = static_cast<size_t>(hot[rng() % hot.size()]) * 512 + rng() % 512;
            MemorySectorSource mem(img.data(), size);
            VolumeScanResult r;
            r.driveCode = DRIVECODE_IMAGE;
            r.sectorCount = size / 512;
            VolumeScanner(mem, r).AnalyzeVolume();
            r.areas.Sort();
            ++scanned;
            mostReads = std::max(mostReads, mem.ReadCalls());
            ASSERT_LE(mem.ReadCalls(), kMaxReadsPerScan) << name << " round " << round;
            CheckInvariants(r, std::string(name) + " round " + std::to_string(round));
            for (int d = damaged - 1; d >= 0; --d)
                memcpy(img.data() + which[d] * 512, saved[d], 512);
        }
    }
    DWORD took = GetTickCount() - started;
    if (images_ == 0)
        GTEST_SKIP() << "no fixture images";
    printf("%d damaged scans over %d images in %lu ms, at most %llu reads in one scan\n", scanned, images_,
           static_cast<unsigned long>(took), static_cast<unsigned long long>(mostReads));
    // Every scan's work is bounded by its reads (above), not by the clock of a machine that
    // may be carrying any load.
}

TEST(ScanMutation, RandomBytesAsWholeMedia)
{
    // Small media of pure noise, with the signatures and magic words the scan keys on
    // planted at random, so that every recogniser and the partition walk get their turn.
    std::mt19937 rng(77);
    std::vector<uint8_t> img(2048 * 512);
    uint64_t areasFound = 0;
    for (int round = 0; round < 2000; ++round) {
        size_t size = (rng() % 2048 + 1) * 512 - (rng() % 4 == 0 ? rng() % 512 : 0);
        for (size_t i = 0; i < size; i += 4) {
            uint32_t v = rng();
            memcpy(&img[i], &v, std::min<size_t>(4, size - i));
        }
        for (int k = 0; k < 6; ++k) {
            uint32_t unit = rng() % 80;
            if ((unit + 1) * 512 > size)
                continue;
            uint8_t* s = &img[unit * 512];
            switch (rng() % 8) {
            case 0: s[510] = 0x55; s[511] = 0xAA; break;
            case 1: memcpy(s + 3, "NTFS    ", 8); s[510] = 0x55; s[511] = 0xAA; break;
            case 2: memcpy(s + 3, "EXFAT   ", 8); s[510] = 0x55; s[511] = 0xAA; break;
            case 3: memcpy(s + 54, "FAT", 3); s[510] = 0x55; s[511] = 0xAA; break;
            case 4: memcpy(s, "EFI PART", 8); break;
            case 5: s[56] = 0x53; s[57] = 0xEF; break;
            case 6: s[0] = 1; memcpy(s + 1, "CD001", 5); break;
            default: memcpy(s, "FILE", 4); break;
            }
        }
        if (size >= 65 * 512 && rng() % 4 == 0) {
            img[64 * 512] = 1;
            memcpy(&img[64 * 512 + 1], "CD001", 5);
        }
        MemorySectorSource mem(img.data(), size);
        VolumeScanResult r;
        r.driveCode = DRIVECODE_IMAGE;
        r.sectorCount = size / 512;
        VolumeScanner(mem, r).AnalyzeVolume();
        r.areas.Sort();
        ASSERT_LE(mem.ReadCalls(), kMaxReadsPerScan);
        CheckInvariants(r, "noise round " + std::to_string(round));
        areasFound += r.areas.count;
    }
    // The planted signatures do reach the recognisers (the many areas their noise places
    // behind the end of these small media are left out).
    EXPECT_GT(areasFound, 500u);
}
