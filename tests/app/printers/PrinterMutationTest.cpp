// Every structure printer on damaged data: real sectors of the fixture images, cut to every
// loaded size and changed at random, and random bytes, on a medium that answers the printers'
// own reads (the rest of an MFT record, the other half of a superblock, a GPT entry array)
// with damaged copies of real data, random bytes or failures. A printer must neither crash
// nor hang nor read outside the loaded bytes: each sector lies against a page that cannot be
// read (behind its last byte or before its first), so one byte too far ends the test program.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string.h>

#include "PrinterChaos.h"
#include "tests/support/GuardedBuffer.h"

using namespace printertest;

namespace {

const uint32_t kMaxSize = kChaosMaxSize;

void RunPlaced(ChaosPrinter& p, GuardedBuffer& guard, int type, const std::vector<uint8_t>& bytes,
               uint32_t size, bool atEnd)
{
    p.Run(type, atEnd ? guard.AtEnd(bytes.data(), size) : guard.AtStart(bytes.data(), size), size);
    ASSERT_LE(p.LineCount(), 50000) << "type " << type << " size " << size;
}

}  // namespace

TEST(PrinterMutation, EveryLoadedSizeOfRealSectors)
{
    GuardedBuffer guard(kMaxSize);
    ASSERT_TRUE(guard.Ok());
    ChaosPrinter p(1);
    const ChaosSeeds seeds = LoadChaosSeeds(p);
    const std::vector<int> types = PrinterTypes();
    ASSERT_GE(types.size(), 13u);
    const DWORD start = GetTickCount();
    for (int type : types) {
        for (uint32_t size = 0; size <= 2048; ++size) {
            p.Shake();
            RunPlaced(p, guard, type, seeds.common[(size + type) % seeds.common.size()], size, (size & 1) == 0);
        }
        for (size_t s = 0; s < seeds.own[type].size(); ++s) {
            for (uint32_t size = 0; size <= 4096; ++size) {
                p.Shake();
                p.damage = static_cast<int>(size % 4);
                RunPlaced(p, guard, type, seeds.own[type][s], size, (size & 1) != (s & 1));
            }
        }
    }
    // A printer that loops on some length would take far longer.
    EXPECT_LT(GetTickCount() - start, 300000u);
}

TEST(PrinterMutation, RandomlyDamagedSectors)
{
    GuardedBuffer guard(kMaxSize);
    ASSERT_TRUE(guard.Ok());
    ChaosPrinter p(7);
    const ChaosSeeds seeds = LoadChaosSeeds(p);
    std::mt19937 random(20261207);
    static const uint32_t usualSizes[] = {512, 2048, 1024, 4096};
    for (int type : PrinterTypes()) {
        const auto& own = seeds.own[type];
        for (int round = 0; round < 1800; ++round) {
            std::vector<uint8_t> sector =
                !own.empty() && random() % 3 ? own[random() % own.size()] : seeds.common[random() % seeds.common.size()];
            Damage(sector, random, 1 + static_cast<int>(random() % 64));
            const uint32_t size = random() % 3 ? usualSizes[random() % 4] : random() % (kMaxSize + 1);
            p.Shake();
            p.damage = static_cast<int>(random() % 32);
            RunPlaced(p, guard, type, sector, size, round & 1);
        }
    }
}

TEST(PrinterMutation, RandomBytesOfEveryLength)
{
    GuardedBuffer guard(kMaxSize);
    ASSERT_TRUE(guard.Ok());
    ChaosPrinter p(99);
    LoadChaosSeeds(p);
    std::mt19937 random(99);
    std::vector<uint8_t> noise(4096);
    for (int type : PrinterTypes()) {
        for (int round = 0; round < 600; ++round) {
            // Small values make lengths and counts that stay inside the data more often.
            const uint32_t limit = round % 2 ? 256 : 48;
            for (uint8_t& b : noise)
                b = static_cast<uint8_t>(random() % limit);
            p.Shake();
            RunPlaced(p, guard, type, noise, random() % 4097, round & 1);
        }
    }
}
