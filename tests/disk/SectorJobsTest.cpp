// The arithmetic of the long sector commands without a medium: chunk sizes, when a search
// shows the progress dialog, and a property of the sliding search window: every group of
// values within the distance lies wholly inside one searched stretch.
#include "disk/SectorJobs.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

TEST(SectorJobs, ChunkSizesFollowTheMediumAndStayWholeSectors)
{
    struct Case {
        uint64_t sectors;
        uint32_t unitsPerSector, driveCode;
        uint64_t rangeUnits;
        uint32_t units;
    } cases[] = {
        { 16384, 1, 0xC000, 100000, 128 },      // a 128th of an 8 MB image
        { 10485760, 1, 0xC000, 100000, 512 },   // at most 512 units
        { 20, 1, 0xC000, 100, 2 },              // at least two sectors
        { 2880, 1, 0, 2880, 8 },                // drive A: 4096 bytes
        { 50000, 4, 0xC000, 200000, 388 },      // 390 units cut to whole CD sectors
        { 1000, 128, 2, 128000, 256 },          // two sectors of 64 KB
        { 16384, 1, 0xC000, 3, 3 },             // never more than the range
    };
    for (const Case& c : cases)
        EXPECT_EQ(SectorChunkUnits(c.sectors, c.unitsPerSector, c.driveCode, c.rangeUnits), c.units) << c.sectors;
}

TEST(SectorJobs, ShortSearchesRunWithoutTheDialog)
{
    EXPECT_FALSE(SearchNeedsProgressDialog(10, 2));      // ten sectors on drive C
    EXPECT_FALSE(SearchNeedsProgressDialog(15, 2));
    EXPECT_TRUE(SearchNeedsProgressDialog(16, 2));
    EXPECT_TRUE(SearchNeedsProgressDialog(1023, 2));
    EXPECT_FALSE(SearchNeedsProgressDialog(1023, 3));    // drive D and beyond
    EXPECT_FALSE(SearchNeedsProgressDialog(1023, 0xC000));
    EXPECT_TRUE(SearchNeedsProgressDialog(1024, 0xC000));
}

// The search's window walk over random ranges and distances, as the loop does it without a
// hit: each stretch searched is [current, window end) of a window of at most 2048 units. Any
// first match m whose group reaches m - distance and m + distance + 256 bytes must lie in
// one stretch that holds the whole group; and the walk ends.
TEST(SectorJobs, EveryGroupLiesWhollyInOneSearchedStretch)
{
    std::mt19937_64 random(77);
    for (int round = 0; round < 200; ++round) {
        const uint64_t first = random() % 100000;
        const uint64_t end = first + 1 + random() % 20000;
        const int distance = round % 3 == 0 ? 0 : static_cast<int>(random() % 300000);
        const uint32_t overlap = SearchOverlapUnits(distance);
        SearchWindowSpan window;
        window.base = random() % 200000;         // a window held from an earlier search
        window.units = random() % (SEARCH_WINDOW_UNITS + 1);
        uint64_t current = first;
        window.Follow(current);
        std::vector<std::pair<uint64_t, uint64_t>> stretches;   // in bytes
        for (int steps = 0; current < end; ++steps) {
            ASSERT_LT(steps, 100000) << "the walk does not end";
            if (window.NeedsRead(current, end, overlap)) {
                SearchRefill r = PlanSearchRefill(window, current, end);
                window.base = current;
                window.units = r.keepUnits + r.readUnits;
                ASSERT_EQ(r.readUnit, current + r.keepUnits);
            }
            ASSERT_LE(window.units, static_cast<uint64_t>(SEARCH_WINDOW_UNITS));
            ASSERT_LE(window.base, current);
            stretches.push_back({ current * 512, window.SearchEndUnit(end) * 512 });
            const uint64_t next = window.NextUnit(current, end, overlap);
            ASSERT_GT(next, current);
            current = next;
        }
        // Groups of up to 128 KB either side are covered; wider ones are not promised.
        const uint64_t reach = distance <= 131072 ? static_cast<uint64_t>(distance) : 0;
        for (int k = 0; k < 300; ++k) {
            const uint64_t lo = first * 512 + reach, hi = end * 512;
            if (lo + reach + 256 > hi)
                break;
            const uint64_t m = lo + random() % (hi - lo - reach - 256 + 1);
            bool covered = false;
            for (const auto& s : stretches)
                covered = covered || (s.first <= m - reach && m + reach + 256 <= s.second);
            ASSERT_TRUE(covered) << "distance " << distance << " match at " << m;
        }
    }
}
