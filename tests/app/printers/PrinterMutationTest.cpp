// Every structure printer on damaged sectors: real sectors of the fixture images with bytes
// changed at random, cut to every loaded size, on a medium that answers reads with garbage or
// fails them. A printer must neither crash nor hang nor read outside the loaded bytes: each
// buffer ends (or starts) at a page that cannot be read, so one byte too far is an access
// violation that ends the test program.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string.h>

#include "PrinterTestSupport.h"

using namespace printertest;

namespace {

const uint32_t kPage = 4096;
const uint32_t kMaxSize = 2 * kPage;

// A buffer of up to kMaxSize bytes with an unreadable page right behind its end or right
// before its start.
class GuardedBuffer {
public:
    GuardedBuffer()
    {
        m_base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (m_base) {
            VirtualProtect(m_base, kPage, PAGE_NOACCESS, &old);
            VirtualProtect(m_base + 3 * kPage, kPage, PAGE_NOACCESS, &old);
        }
    }
    ~GuardedBuffer()
    {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    bool Ok() const { return m_base != nullptr; }
    // Copies `size` bytes so that they end at the rear guard (atEnd) or start after the front one.
    uint8_t* Place(const uint8_t* data, uint32_t size, bool atEnd)
    {
        uint8_t* at = atEnd ? m_base + 3 * kPage - size : m_base + kPage;
        memcpy(at, data, size);
        return at;
    }

private:
    uint8_t* m_base = nullptr;
};

// A medium whose reads fail or bring random bytes, with a random place of the sector in its
// FAT and random sector sizes.
class ChaosPrinter : public TestPrinter {
public:
    explicit ChaosPrinter(uint32_t seed) : random(seed) {}
    std::mt19937 random;

    void Shake()
    {
        hasDocument = (random() % 8) != 0;
        currentSector = (random() % 4) ? random() % 100000 : (static_cast<uint64_t>(random()) << 32) | random();
        fatStart = random() % 4 ? random() % 64 : (static_cast<uint64_t>(random()) << 32) | random();
        static const uint32_t perFat[] = {0, 1, 2, 3, 9, 64, 0xFFFFFFFFu};
        sectorsPerFat = perFat[random() % 7];
        static const uint32_t units[] = {1, 1, 1, 2, 4, 8, 128};
        unitsPerSector = units[random() % 7];
        failReads = (random() % 3) == 0;
    }

protected:
    bool DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const override
    {
        reads.push_back(std::make_pair(firstUnit, count));
        if (failReads || count > 256)
            return false;
        // The caller's buffer must hold all the units it asked for: fill every byte.
        uint8_t* out = static_cast<uint8_t*>(buffer);
        std::mt19937& r = const_cast<std::mt19937&>(random);
        for (uint32_t i = 0; i < count * 512; ++i)
            out[i] = static_cast<uint8_t>(r());
        return true;
    }
    uint32_t DocGetMftRecord(uint8_t* record1024, uint8_t** place) const override
    {
        if (failReads)
            return 0;
        std::mt19937& r = const_cast<std::mt19937&>(random);
        for (int i = 0; i < 1024; ++i)
            record1024[i] = static_cast<uint8_t>(r());
        // A plausible header now and then, so the attribute walk gets going.
        if (r() % 2) {
            memcpy(record1024, "FILE", 4);
            record1024[20] = static_cast<uint8_t>(r() % 2 ? 0x38 : r());
            record1024[21] = 0;
        }
        if (place)
            *place = record1024 + ((currentSector & 1) ? 512 : 0);
        return 1024;
    }
};

struct Seed {
    const char* image;
    uint64_t offset;
};

// Sectors of every kind the printers know, from the fixtures that exist.
std::vector<std::vector<uint8_t>> LoadSeeds()
{
    static const Seed seeds[] = {
        {"mbr.img", 0},           {"mbr.img", 18432 * 512ull}, {"gpt.img", 512},
        {"gpt.img", 1024},        {"fat12.img", 0},            {"fat12.img", 512},
        {"fat12.img", 19 * 512},  {"fat16.img", 0},            {"fat32.img", 0},
        {"fat32.img", 512},       {"fat32.img", 32 * 512},     {"fatlfn.img", 129 * 512},
        {"exfat.img", 0},         {"exfat.img", 2048 * 512},   {"exfat.img", (4096 + 24) * 512},
        {"ntfs.img", 0},          {"ntfs.img", 4 * 4096},      {"ntfs.img", 4 * 4096 + 5 * 1024},
        {"ext2.img", 1024},       {"ext4.img", 1024},          {"iso9660.img", 16 * 2048},
        {"iso9660.img", 17 * 2048}, {"iso9660.img", 19 * 2048}, {"iso9660.img", 20 * 2048},
        {"isoudf.img", 16 * 2048}, {"udf.img", 256 * 2048},    {"udf.img", 257 * 2048},
    };
    std::vector<std::vector<uint8_t>> out;
    for (const Seed& s : seeds) {
        std::vector<uint8_t> bytes;
        if (LoadBytes(FixturePath(s.image), s.offset, kMaxSize, &bytes))
            out.push_back(bytes);
    }
    // Plain patterns as well: all zero, all ones.
    out.push_back(std::vector<uint8_t>(kMaxSize, 0));
    out.push_back(std::vector<uint8_t>(kMaxSize, 0xFF));
    return out;
}

std::vector<int> PrinterTypes()
{
    std::vector<int> types;
    for (int t = 0; t < CStructurePrinter::INFO_TYPE_COUNT; ++t) {
        if (CStructurePrinter::GetStructurePrinter(t))
            types.push_back(t);
    }
    return types;
}

}  // namespace

TEST(PrinterMutation, EveryLoadedSizeOfRealSectors)
{
    GuardedBuffer guard;
    ASSERT_TRUE(guard.Ok());
    const std::vector<std::vector<uint8_t>> seeds = LoadSeeds();
    const std::vector<int> types = PrinterTypes();
    ASSERT_GE(types.size(), 13u);
    ChaosPrinter p(1);
    const DWORD start = GetTickCount();
    for (int type : types) {
        for (uint32_t size = 0; size <= 2048; ++size) {
            const std::vector<uint8_t>& seed = seeds[(size + type) % seeds.size()];
            p.Shake();
            const uint8_t* data = guard.Place(seed.data(), size, (size & 1) == 0);
            p.Run(type, data, size);
            ASSERT_LE(p.LineCount(), 50000);
        }
        SCOPED_TRACE(type);
    }
    // A printer that loops on damaged data would have taken far longer.
    EXPECT_LT(GetTickCount() - start, 240000u);
}

TEST(PrinterMutation, RandomlyDamagedSectors)
{
    GuardedBuffer guard;
    ASSERT_TRUE(guard.Ok());
    const std::vector<std::vector<uint8_t>> seeds = LoadSeeds();
    const std::vector<int> types = PrinterTypes();
    std::mt19937 random(20261207);
    ChaosPrinter p(7);
    std::vector<uint8_t> damaged;
    for (int round = 0; round < 6000; ++round) {
        damaged = seeds[random() % seeds.size()];
        const int changes = 1 + static_cast<int>(random() % 64);
        for (int c = 0; c < changes; ++c) {
            const uint32_t at = random() % kMaxSize;
            switch (random() % 4) {
            case 0: damaged[at] = 0; break;
            case 1: damaged[at] = 0xFF; break;
            case 2: damaged[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
            default: damaged[at] = static_cast<uint8_t>(random()); break;
            }
        }
        // Mostly the usual sector sizes, sometimes any length up to two pages.
        static const uint32_t sizes[] = {512, 2048, 1024, 4096};
        const uint32_t size = random() % 3 ? sizes[random() % 4] : random() % (kMaxSize + 1);
        const int type = types[random() % types.size()];
        p.Shake();
        const uint8_t* data = guard.Place(damaged.data(), size, (round & 1) == 0);
        p.Run(type, data, size);
        ASSERT_LE(p.LineCount(), 50000) << "type " << type << " round " << round;
    }
}
