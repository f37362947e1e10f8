#include "PrinterChaos.h"

#include <string.h>

namespace printertest {

void Damage(std::vector<uint8_t>& bytes, std::mt19937& random, int changes)
{
    for (int c = 0; c < changes && !bytes.empty(); ++c) {
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

namespace {

// `size` bytes: when there are real pieces, half the time a damaged copy of one of them
// (*copied true), else random bytes.
std::vector<uint8_t> DamagedOrRandom(const std::vector<std::vector<uint8_t>>& real, size_t size, std::mt19937& r,
                                     int damage, bool* copied = nullptr)
{
    std::vector<uint8_t> bytes(size);
    const bool copy = !real.empty() && r() % 2;
    if (copy) {
        bytes = real[r() % real.size()];
        bytes.resize(size);
        Damage(bytes, r, damage);
    } else {
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(r());
    }
    if (copied)
        *copied = copy;
    return bytes;
}

}  // namespace

void ChaosPrinter::Shake()
{
    hasDocument = (random() % 8) != 0;
    currentSector = (random() % 4) ? random() % 100000 : (static_cast<uint64_t>(random()) << 32) | random();
    fatStart = random() % 4 ? random() % 64 : (static_cast<uint64_t>(random()) << 32) | random();
    static const uint32_t perFat[] = {0, 1, 2, 3, 9, 64, 0xFFFFFFFFu};
    sectorsPerFat = perFat[random() % 7];
    static const uint32_t perSector[] = {1, 1, 1, 2, 4, 8, 128};
    unitsPerSector = perSector[random() % 7];
    failReads = (random() % 3) == 0;
}

// The caller's buffer must hold all the units it asked for: every byte is filled.
bool ChaosPrinter::DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const
{
    reads.push_back(std::make_pair(firstUnit, count));
    if (failReads || count > 256)
        return false;
    std::mt19937& r = const_cast<std::mt19937&>(random);
    uint8_t* out = static_cast<uint8_t*>(buffer);
    for (uint32_t u = 0; u < count; ++u)
        memcpy(out + 512 * u, DamagedOrRandom(units, 512, r, damage).data(), 512);
    return true;
}

uint32_t ChaosPrinter::DocGetMftRecord(uint8_t* record1024, uint8_t** place) const
{
    if (failReads)
        return 0;
    std::mt19937& r = const_cast<std::mt19937&>(random);
    bool copied = false;
    std::vector<uint8_t> rec = DamagedOrRandom(records, 1024, r, damage, &copied);
    // Random bytes get a plausible header now and then, so the attribute walk gets going.
    if (!copied && r() % 2) {
        memcpy(rec.data(), "FILE", 4);
        rec[20] = static_cast<uint8_t>(r() % 2 ? 0x38 : r());
        rec[21] = 0;
    }
    memcpy(record1024, rec.data(), 1024);
    if (place)
        *place = record1024 + ((currentSector & 1) ? 512 : 0);
    return 1024;
}

// Sectors of every kind the printers know; those with a type are that printer's own.
const ChaosSeed kChaosSeeds[] = {
    {0, "mbr.img", 0}, {0, "mbr.img", 18432 * 512ull}, {0, "gpt.img", 512}, {0, "gpt.img", 1024},
    {0, "fat12.img", 0}, {0, "fat12.img", 512}, {0, "fat12.img", 19 * 512}, {0, "fat16.img", 0},
    {0, "fat32.img", 0}, {0, "fat32.img", 512}, {0, "fat32.img", 32 * 512}, {0, "fatlfn.img", 129 * 512},
    {0, "exfat.img", 0}, {0, "exfat.img", 2048 * 512}, {0, "exfat.img", (4096 + 24) * 512},
    {0, "ntfs.img", 0}, {0, "ntfs.img", 4 * 4096}, {0, "ntfs.img", 4 * 4096 + 5 * 1024},
    {0, "ext2.img", 1024}, {0, "ext4.img", 1024}, {0, "iso9660.img", 16 * 2048},
    {0, "iso9660.img", 17 * 2048}, {0, "iso9660.img", 19 * 2048}, {0, "iso9660.img", 20 * 2048},
    {0, "isoudf.img", 16 * 2048}, {0, "udf.img", 256 * 2048}, {0, "udf.img", 257 * 2048},
    {12, "iso9660.img", 16 * 2048}, {12, "iso9660.img", 17 * 2048}, {12, "iso9660.img", 18 * 2048},
    {12, "udf.img", 16 * 2048}, {13, "iso9660.img", 22 * 2048}, {13, "iso9660.img", 23 * 2048},
    {14, "iso9660.img", 19 * 2048}, {14, "iso9660.img", 21 * 2048}, {14, "iso9660.img", 24 * 2048},
    {14, "iso9660.img", 19 * 2048 + 512}, {15, "ntfs.img", 4 * 4096}, {15, "ntfs.img", 4 * 4096 + 512},
    {16, "ntfs.img", 2047 * 4096}, {17, "udf.img", 256 * 2048}, {17, "udf.img", 96 * 2048},
    {17, "udf.img", 97 * 2048}, {17, "udf.img", 98 * 2048}, {17, "udf.img", 128 * 2048},
    {17, "udf.img", 257 * 2048}, {17, "udf.img", 258 * 2048}, {17, "isoudf.img", 275 * 2048},
    {17, "isoudf.img", 261 * 2048}, {17, "isoudf.img", 263 * 2048}, {17, "udf.img", 260 * 2048},
    {20, "exfat.img", (4096 + 24) * 512}, {21, "ext2.img", 1024}, {21, "ext4.img", 1024},
    {21, "ext4.img", 1536}, {21, "ext3.img", 0},
    // A second EBR whose link may come to name itself, a small GPT whose header fields may
    // point behind its 8192 sectors, a FAT with 4096-byte sectors, and two FAT12 volumes.
    {0, "mbr.img", 28672 * 512ull}, {0, "gptsmall.img", 512}, {0, "fat4k.img", 0}, {9, "fat4k.img", 8 * 512},
    {0, "fat12pair.img", 0}, {8, "fat12pair.img", 2050 * 512ull}, {8, "fat12pair.img", 10242 * 512ull},
};
const size_t kChaosSeedCount = sizeof(kChaosSeeds) / sizeof(kChaosSeeds[0]);

ChaosSeeds LoadChaosSeeds(ChaosPrinter& p)
{
    ChaosSeeds seeds;
    for (size_t i = 0; i < kChaosSeedCount; ++i) {
        const ChaosSeed& s = kChaosSeeds[i];
        std::vector<uint8_t> bytes;
        if (LoadBytes(FixturePath(s.image), s.offset, kChaosMaxSize, &bytes))
            (s.type ? seeds.own[s.type] : seeds.common).push_back(bytes);
    }
    seeds.common.push_back(std::vector<uint8_t>(kChaosMaxSize, 0));
    seeds.common.push_back(std::vector<uint8_t>(kChaosMaxSize, 0xFF));
    for (auto& own : seeds.own)
        if (!own.empty())
            own.push_back(std::vector<uint8_t>(kChaosMaxSize, 0));
    // The medium's own data: MFT records and superblock halves.
    std::vector<uint8_t> mft;
    if (LoadBytes(FixturePath("ntfs.img"), 4 * 4096, 16 * 1024, &mft))
        for (int i = 0; i < 16; ++i)
            p.records.push_back(std::vector<uint8_t>(mft.begin() + 1024 * i, mft.begin() + 1024 * (i + 1)));
    if (LoadBytes(FixturePath("ntfsfrag.img"), 4 * 4096 + 64 * 1024, 3 * 1024, &mft))
        for (int i = 0; i < 3; ++i)
            p.records.push_back(std::vector<uint8_t>(mft.begin() + 1024 * i, mft.begin() + 1024 * (i + 1)));
    for (const char* image : {"ext2.img", "ext3.img", "ext4.img"}) {
        std::vector<uint8_t> sb;
        if (LoadBytes(FixturePath(image), 1024, 1024, &sb)) {
            p.units.push_back(std::vector<uint8_t>(sb.begin(), sb.begin() + 512));
            p.units.push_back(std::vector<uint8_t>(sb.begin() + 512, sb.end()));
        }
    }
    return seeds;
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

}  // namespace printertest
