#include "disk/AreaTable.h"
#include <gtest/gtest.h>
#include <string.h>
#include <algorithm>
#include <random>
#include <vector>

TEST(AreaTable, DefaultNames)
{
    EXPECT_STREQ(DefaultAreaName(INFO_MBR), "MasterBootRecord");
    EXPECT_STREQ(DefaultAreaName(INFO_FAT32_TABLE), "FAT32");
    EXPECT_STREQ(DefaultAreaName(INFO_GPT_HEADER), "GUID Partitionstablle");
    // CP1252 ä is one byte 0xE4.
    EXPECT_STREQ(DefaultAreaName(INFO_GPT_ENTRIES), "GUID Partitioneintr\xE4ge");
    EXPECT_STREQ(DefaultAreaName(INFO_EXT_SUPERBLOCK), "EXT Superblock");
    EXPECT_STREQ(DefaultAreaName(0), "???");
    EXPECT_STREQ(DefaultAreaName(22), "???");
    EXPECT_STREQ(DefaultAreaName(0xFFFFFFFF), "???");
}

TEST(AreaTable, EmptyAndBehindEverythingGiveNone)
{
    AreaTable t;
    EXPECT_EQ(t.TypeAt(0), 0u);
    t.Add(10, 20, INFO_FAT16_TABLE);
    EXPECT_EQ(t.TypeAt(20), 0u);
    EXPECT_EQ(t.TypeAt(~0ull), 0u);
    EXPECT_EQ(t.TypeAt(19), INFO_FAT16_TABLE);
    EXPECT_EQ(t.TypeAt(9), 0u);
}

TEST(AreaTable, EmptyRangeMatchesNothing)
{
    AreaTable t;
    t.Add(5, 5, INFO_FAT_DIRECTORY);
    EXPECT_EQ(t.Find(5), -1);
    EXPECT_FALSE(t.HasAreaStartingAt(6));
    EXPECT_TRUE(t.HasAreaStartingAt(5));
}

TEST(AreaTable, FullTableTakesNoMore)
{
    AreaTable t;
    for (uint32_t i = 0; i < 128; ++i)
        EXPECT_TRUE(t.Add(i, i + 1, INFO_MBR));
    EXPECT_TRUE(t.IsFull());
    EXPECT_FALSE(t.Add(500, 501, INFO_FAT12_TABLE));
    EXPECT_EQ(t.count, 128u);
    EXPECT_EQ(t.TypeAt(500), 0u);
}

TEST(AreaTable, SortIsStableAndFirstAddedWins)
{
    AreaTable t;
    static const char kA[] = "A";
    static const char kB[] = "B";
    t.Add(100, 200, INFO_NTFS_MFT, kA);
    t.Add(50, 60, INFO_NTFS_BOOT);
    t.Add(100, 150, INFO_NTFS_MFT_MIRROR, kB);
    t.Sort();
    ASSERT_EQ(t.count, 3u);
    EXPECT_EQ(t.first[0], 50u);
    EXPECT_EQ(t.name[1], kA);
    EXPECT_EQ(t.name[2], kB);
    EXPECT_EQ(t.TypeAt(120), INFO_NTFS_MFT);
    EXPECT_STREQ(t.DisplayName(0), "Boot-Sektor NTFS");
    EXPECT_STREQ(t.DisplayName(1), "A");
    EXPECT_STREQ(t.DisplayName(99), "???");
}

// The sort against std::stable_sort of random tables, and the lookup against a direct scan.
TEST(AreaTable, SortMatchesStableSortOnRandomTables)
{
    std::mt19937 rng(4711);
    for (int round = 0; round < 200; ++round) {
        AreaTable t;
        struct Item { uint64_t f, e; uint32_t ty; uint32_t seq; };
        std::vector<Item> ref;
        uint32_t n = rng() % 129;
        for (uint32_t i = 0; i < n; ++i) {
            uint64_t f = rng() % 40;
            uint64_t e = f + rng() % 6;
            t.Add(f, e, i, nullptr);
            ref.push_back({ f, e, i, i });
        }
        t.Sort();
        std::stable_sort(ref.begin(), ref.end(), [](const Item& a, const Item& b) { return a.f < b.f; });
        ASSERT_EQ(t.count, ref.size());
        for (uint32_t i = 0; i < n; ++i) {
            EXPECT_EQ(t.first[i], ref[i].f);
            EXPECT_EQ(t.type[i], ref[i].ty);
        }
        for (uint64_t s = 0; s < 48; ++s) {
            uint32_t want = 0;
            for (const Item& it : ref)
                if (it.f <= s && s < it.e) { want = it.ty; break; }
            EXPECT_EQ(t.TypeAt(s), want);
        }
    }
}

TEST(ClusterRegionTable, ResetMarksNoNumbering)
{
    ClusterRegionTable r;
    EXPECT_EQ(r.Find(0), -1);
    for (uint32_t i = 0; i < ClusterRegionTable::kCapacity; ++i)
        EXPECT_EQ(r.sectorsPerCluster[i], 0xFFFFFFFFu);
}

TEST(ClusterRegionTable, KeptSortedWhateverTheOrderOfAdding)
{
    // Added back to front, as a partition table may list them.
    ClusterRegionTable r;
    r.Add(3000, 3100, 8, 100, 1);
    r.Add(1000, 1050, 4, 500, 2);
    r.Add(2000, 2000, 1, 77, 0);
    ASSERT_EQ(r.count, 3u);
    EXPECT_EQ(r.regionStart[0], 1000u);
    EXPECT_EQ(r.regionStart[1], 2000u);
    EXPECT_EQ(r.regionStart[2], 3000u);
    EXPECT_EQ(r.Find(2500), 1);
    EXPECT_EQ(r.Find(5000), 2);
    EXPECT_EQ(r.Find(1500), 0);
    EXPECT_EQ(r.Find(10), 0);       // below every start: region 0
    // Cluster 5 of the FAT region: 1050 + (5 - 2) * 4.
    EXPECT_EQ(r.ClusterToSector(0, 5), 1062u);
    // Block 3 of the ext region lies at base + 3 * 8 (block 1 at data start 3100 - 8 * 0).
    EXPECT_EQ(r.ClusterToSector(2, 3), 3116u);
    for (uint32_t i = 0; !r.IsFull(); ++i)
        ASSERT_TRUE(r.Add(100 * (i % 40), 0, 1, 1, 0));
    EXPECT_FALSE(r.Add(1, 1, 1, 1, 1));
    for (uint32_t i = 1; i < r.count; ++i)
        EXPECT_LE(r.regionStart[i - 1], r.regionStart[i]);
}

TEST(PartitionStartList, SortedInsertAndLookup)
{
    PartitionStartList p;
    EXPECT_EQ(p.StartOf(12345), 0u);
    uint64_t starts[] = { 133120, 2048, 116736, 83968 };
    for (uint64_t s : starts)
        p.Add(s);
    ASSERT_EQ(p.count, 4u);
    EXPECT_EQ(p.start[0], 2048u);
    EXPECT_EQ(p.start[3], 133120u);
    EXPECT_EQ(p.StartOf(2047), 0u);
    EXPECT_EQ(p.StartOf(2048), 2048u);
    EXPECT_EQ(p.StartOf(100000), 83968u);
    EXPECT_EQ(p.StartOf(~0ull), 133120u);
    // Room for every partition the walk can name: 1024 GPT entries, 32 tables of four.
    EXPECT_GE(PartitionStartList::kCapacity, 1024u + 32 * 4);
    for (uint32_t i = 0; !p.IsFull(); ++i)
        ASSERT_TRUE(p.Add(10 + i));
    EXPECT_FALSE(p.Add(1));
    EXPECT_EQ(p.count, PartitionStartList::kCapacity);
}
