// Damaged sectors for the structure printers: real sectors of the fixture images, changed at
// random, and a medium that answers the printers' own reads (the rest of an MFT record, the
// other half of a superblock, a GPT entry array) with damaged copies of real data, random
// bytes or failures. The printer mutation tests and the sector fuzzer share them.
#pragma once
#include <stdint.h>

#include <random>
#include <vector>

#include "PrinterTestSupport.h"

namespace printertest {

// The most bytes a damaged sector holds (a 4 KB sector and what a printer might read on).
const uint32_t kChaosMaxSize = 8192;

// Changes a few bytes, mostly among the first 256 where the lengths and offsets are.
void Damage(std::vector<uint8_t>& bytes, std::mt19937& random, int changes);

// A medium whose reads fail, bring random bytes or damaged real data, with a random place of
// the sector in its FAT and random sector sizes.
class ChaosPrinter : public TestPrinter {
public:
    explicit ChaosPrinter(uint32_t seed) : random(seed) {}
    std::mt19937 random;
    std::vector<std::vector<uint8_t>> records;   // MFT records (1024 bytes each)
    std::vector<std::vector<uint8_t>> units;     // halves of superblocks (512 bytes)
    int damage = 8;

    // Draws a new document state: current sector, FAT place, sector size, failing reads.
    void Shake();

protected:
    bool DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const override;
    uint32_t DocGetMftRecord(uint8_t* record1024, uint8_t** place) const override;
};

// Where a sector of some structure lies in a fixture image; type 0 marks a sector that every
// printer is given, another type the printer whose own structure it is.
struct ChaosSeed {
    int type;
    const char* image;
    uint64_t offset;
};
extern const ChaosSeed kChaosSeeds[];
extern const size_t kChaosSeedCount;

struct ChaosSeeds {
    std::vector<std::vector<uint8_t>> common;
    std::vector<std::vector<uint8_t>> own[CStructurePrinter::INFO_TYPE_COUNT];
};

// Loads the seed sectors of the fixtures that exist, plus all-zero and all-ones sectors, and
// gives the printer the medium's own data (MFT records, superblock halves).
ChaosSeeds LoadChaosSeeds(ChaosPrinter& p);

// The info types that have a printer.
std::vector<int> PrinterTypes();

}  // namespace printertest
