// The ISO 9660, ECMA-167, master file table, exFAT directory and ext superblock printers on
// damaged data: the sectors of these kinds from the fixture images, cut to every loaded size
// and changed at random, with a medium that answers the printers' own reads (the rest of an
// MFT record, the other half of a superblock) with damaged or failed reads.
//
// Each sector lies against a page that cannot be read (behind its last byte or before its
// first), so a printer that reads one byte outside the loaded data ends the test program with
// an access violation. Lengths and offsets taken from the data (record lengths, CRC lengths,
// identifier lengths, attribute and run list offsets) are what the damage aims at.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string.h>

#include "PrinterTestSupport.h"

using namespace printertest;

namespace {

const uint32_t kPage = 4096;
const uint32_t kMaxSize = 4096;

const int kIsoDescriptor = 12;
const int kIsoPathTable = 13;
const int kIsoDirectory = 14;
const int kMft = 15;
const int kMftMirror = 16;
const int kUdf = 17;
const int kExFatDirectory = 20;
const int kExt = 21;

// Room for kMaxSize bytes between two pages without access.
class GuardedSector {
public:
    GuardedSector()
    {
        m_base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        if (m_base) {
            VirtualProtect(m_base, kPage, PAGE_NOACCESS, &old);
            VirtualProtect(m_base + 2 * kPage, kPage, PAGE_NOACCESS, &old);
        }
    }
    ~GuardedSector()
    {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    bool Ok() const { return m_base != nullptr; }
    const uint8_t* Place(const uint8_t* data, uint32_t size, bool againstEnd)
    {
        uint8_t* at = againstEnd ? m_base + 2 * kPage - size : m_base + kPage;
        memcpy(at, data, size);
        return at;
    }

private:
    uint8_t* m_base = nullptr;
};

std::vector<uint8_t> Load(const char* image, uint64_t offset)
{
    std::vector<uint8_t> bytes;
    if (!LoadBytes(FixturePath(image), offset, kMaxSize, &bytes))
        bytes.clear();
    return bytes;
}

// Changes a few bytes, mostly among the first 256 where the lengths and offsets are.
void Damage(std::vector<uint8_t>& bytes, std::mt19937& random, int changes)
{
    for (int c = 0; c < changes; ++c) {
        const uint32_t at = (random() % 2 ? random() % 256 : random()) % bytes.size();
        switch (random() % 5) {
        case 0: bytes[at] = 0; break;
        case 1: bytes[at] = 0xFF; break;
        case 2: bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
        case 3: bytes[at] = static_cast<uint8_t>(random() % 64); break;
        default: bytes[at] = static_cast<uint8_t>(random()); break;
        }
    }
}

// The medium of the printers' own reads: damaged copies of real data, or failures.
class DamagedMediumPrinter : public TestPrinter {
public:
    std::mt19937 random{1};
    std::vector<std::vector<uint8_t>> records;   // MFT records (1024 bytes each)
    std::vector<std::vector<uint8_t>> units;     // neighbours of superblocks (512 bytes)
    int damage = 8;

    void Shake()
    {
        hasDocument = random() % 8 != 0;
        failReads = random() % 4 == 0;
        currentSector = random() % 4 ? random() % 4096 : (static_cast<uint64_t>(random()) << 32) | random();
        static const uint32_t perSector[] = {1, 1, 1, 4, 8};
        unitsPerSector = perSector[random() % 5];
    }

protected:
    bool DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const override
    {
        reads.push_back(std::make_pair(firstUnit, count));
        if (failReads || count > 128)
            return false;
        std::mt19937& r = const_cast<std::mt19937&>(random);
        uint8_t* out = static_cast<uint8_t*>(buffer);
        for (uint32_t u = 0; u < count; ++u) {
            std::vector<uint8_t> unit = units.empty() ? std::vector<uint8_t>(512, 0) : units[r() % units.size()];
            unit.resize(512);
            Damage(unit, r, damage);
            memcpy(out + 512 * u, unit.data(), 512);
        }
        return true;
    }
    uint32_t DocGetMftRecord(uint8_t* record1024, uint8_t** place) const override
    {
        if (failReads)
            return 0;
        std::mt19937& r = const_cast<std::mt19937&>(random);
        std::vector<uint8_t> rec = records.empty() ? std::vector<uint8_t>(1024, 0) : records[r() % records.size()];
        rec.resize(1024);
        Damage(rec, r, damage);
        memcpy(record1024, rec.data(), 1024);
        if (place)
            *place = record1024 + ((currentSector & 1) ? 512 : 0);
        return 1024;
    }
};

struct TypedSeeds {
    int type;
    std::vector<std::vector<uint8_t>> sectors;
};

std::vector<TypedSeeds> LoadTypedSeeds()
{
    std::vector<TypedSeeds> all;
    auto add = [&](int type, std::initializer_list<std::pair<const char*, uint64_t>> places) {
        TypedSeeds s;
        s.type = type;
        for (const auto& pl : places) {
            std::vector<uint8_t> bytes = Load(pl.first, pl.second);
            if (!bytes.empty())
                s.sectors.push_back(bytes);
        }
        s.sectors.push_back(std::vector<uint8_t>(kMaxSize, 0));
        all.push_back(s);
    };
    add(kIsoDescriptor, {{"iso9660.img", 16 * 2048}, {"iso9660.img", 17 * 2048}, {"iso9660.img", 18 * 2048},
                         {"udf.img", 16 * 2048}});
    add(kIsoPathTable, {{"iso9660.img", 22 * 2048}, {"iso9660.img", 23 * 2048}});
    add(kIsoDirectory, {{"iso9660.img", 19 * 2048}, {"iso9660.img", 21 * 2048}, {"iso9660.img", 24 * 2048},
                        {"iso9660.img", 19 * 2048 + 512}});
    add(kMft, {{"ntfs.img", 4 * 4096}, {"ntfs.img", 4 * 4096 + 512}});
    add(kMftMirror, {{"ntfs.img", 2047 * 4096}});
    add(kUdf, {{"udf.img", 256 * 2048}, {"udf.img", 96 * 2048}, {"udf.img", 97 * 2048}, {"udf.img", 98 * 2048},
               {"udf.img", 128 * 2048}, {"udf.img", 257 * 2048}, {"udf.img", 258 * 2048}, {"isoudf.img", 275 * 2048},
               {"isoudf.img", 261 * 2048}, {"isoudf.img", 263 * 2048}, {"udf.img", 260 * 2048}});
    add(kExFatDirectory, {{"exfat.img", (4096 + 24) * 512}});
    add(kExt, {{"ext2.img", 1024}, {"ext4.img", 1024}, {"ext4.img", 1536}, {"ext3.img", 0}});
    return all;
}

void LoadMediumData(DamagedMediumPrinter& p)
{
    std::vector<uint8_t> mft;
    if (LoadBytes(FixturePath("ntfs.img"), 4 * 4096, 16 * 1024, &mft)) {
        for (int i = 0; i < 16; ++i)
            p.records.push_back(std::vector<uint8_t>(mft.begin() + 1024 * i, mft.begin() + 1024 * (i + 1)));
    }
    if (LoadBytes(FixturePath("ntfsfrag.img"), 4 * 4096 + 64 * 1024, 3 * 1024, &mft)) {
        for (int i = 0; i < 3; ++i)
            p.records.push_back(std::vector<uint8_t>(mft.begin() + 1024 * i, mft.begin() + 1024 * (i + 1)));
    }
    for (const char* image : {"ext2.img", "ext3.img", "ext4.img"}) {
        std::vector<uint8_t> sb;
        if (LoadBytes(FixturePath(image), 1024, 1024, &sb)) {
            p.units.push_back(std::vector<uint8_t>(sb.begin(), sb.begin() + 512));
            p.units.push_back(std::vector<uint8_t>(sb.begin() + 512, sb.end()));
        }
    }
}

TEST(IsoUdfMftExFatExtMutation, EveryLoadedSizeOfRealSectors)
{
    GuardedSector guard;
    ASSERT_TRUE(guard.Ok());
    DamagedMediumPrinter p;
    LoadMediumData(p);
    const DWORD start = GetTickCount();
    for (const TypedSeeds& seeds : LoadTypedSeeds()) {
        ASSERT_NE(CStructurePrinter::GetStructurePrinter(seeds.type), nullptr) << seeds.type;
        for (size_t s = 0; s < seeds.sectors.size(); ++s) {
            for (uint32_t size = 0; size <= kMaxSize; ++size) {
                p.Shake();
                p.damage = static_cast<int>(size % 4);
                p.Run(seeds.type, guard.Place(seeds.sectors[s].data(), size, (size & 1) != (s & 1)), size);
                ASSERT_LE(p.LineCount(), 50000) << "type " << seeds.type << " size " << size;
            }
        }
    }
    // A printer that loops on some length would take far longer.
    EXPECT_LT(GetTickCount() - start, 300000u);
}

TEST(IsoUdfMftExFatExtMutation, ThousandsOfDamagedSectorsPerPrinter)
{
    GuardedSector guard;
    ASSERT_TRUE(guard.Ok());
    DamagedMediumPrinter p;
    LoadMediumData(p);
    std::mt19937 random(20261207);
    static const uint32_t usualSizes[] = {512, 2048, 1024, 4096};
    for (const TypedSeeds& seeds : LoadTypedSeeds()) {
        for (int round = 0; round < 4000; ++round) {
            std::vector<uint8_t> sector = seeds.sectors[random() % seeds.sectors.size()];
            Damage(sector, random, 1 + static_cast<int>(random() % 48));
            const uint32_t size = random() % 3 ? usualSizes[random() % 4] : random() % (kMaxSize + 1);
            p.Shake();
            p.damage = static_cast<int>(random() % 32);
            p.Run(seeds.type, guard.Place(sector.data(), size, round & 1), size);
            ASSERT_LE(p.LineCount(), 50000) << "type " << seeds.type << " round " << round;
        }
    }
}

TEST(IsoUdfMftExFatExtMutation, RandomBytesOfEveryLength)
{
    GuardedSector guard;
    ASSERT_TRUE(guard.Ok());
    DamagedMediumPrinter p;
    std::mt19937 random(99);
    std::vector<uint8_t> noise(kMaxSize);
    for (int type : {kIsoDescriptor, kIsoPathTable, kIsoDirectory, kMft, kUdf, kExFatDirectory, kExt}) {
        for (int round = 0; round < 1500; ++round) {
            // Small values make lengths and counts that stay inside the data more often.
            const uint32_t limit = round % 2 ? 256 : 48;
            for (uint8_t& b : noise)
                b = static_cast<uint8_t>(random() % limit);
            const uint32_t size = random() % (kMaxSize + 1);
            p.Shake();
            p.Run(type, guard.Place(noise.data(), size, round & 1), size);
            ASSERT_LE(p.LineCount(), 50000) << "type " << type << " round " << round;
        }
    }
}

}  // namespace
