#include "services/PtrTable.h"
#include "services/RecordTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A 10-byte record like the marked text view's: the key field at offset 2.
#pragma pack(push, 1)
struct Mark
{
    uint16_t tag;
    uint32_t key;
    uint32_t extra;
};
#pragma pack(pop)
static_assert(sizeof(Mark) == 10, "record layout");

uint32_t KeyAt(const CRecordTable& table, int index)
{
    return static_cast<const Mark*>(table.GetAt(index))->key;
}

}  // namespace

TEST(RecordTable, InsertCopiesAndRemoves)
{
    CRecordTable table(sizeof(Mark));
    Mark marks[3] = {{1, 10, 0}, {2, 20, 0}, {3, 30, 0}};
    EXPECT_EQ(table.Insert(&marks[1]), 0);
    EXPECT_EQ(table.Insert(marks, 0, 1), 0);
    EXPECT_EQ(table.Insert(&marks[2], CRecordTable::kAppend), 2);
    EXPECT_EQ(table.Insert(marks, -5, 3), 0);          // clamped to 0, three records
    EXPECT_EQ(table.Insert(nullptr, 100, 2), 6);       // clamped to the count, zeroed
    ASSERT_EQ(table.GetCount(), 8);
    std::vector<uint32_t> keys;
    for (int i = 0; i < table.GetCount(); ++i)
        keys.push_back(KeyAt(table, i));
    EXPECT_EQ(keys, (std::vector<uint32_t>{10, 20, 30, 10, 20, 30, 0, 0}));
    // Copies, not the caller's records.
    marks[0].key = 99;
    EXPECT_EQ(KeyAt(table, 0), 10u);
    EXPECT_NE(table.GetAt(0), static_cast<void*>(&marks[0]));
    EXPECT_EQ(table.GetAt(8), nullptr);
    EXPECT_EQ(table.GetAt(-1), nullptr);
    EXPECT_EQ(table.Insert(marks, 0, 0), -1);

    EXPECT_EQ(table.RemoveRange(1, 3), 2);
    EXPECT_EQ(KeyAt(table, 1), 10u);
    EXPECT_EQ(table.RemoveRange(-2, 1), 1);
    EXPECT_EQ(table.RemoveRange(4, 99), 1);
    EXPECT_EQ(table.GetCount(), 4);
    EXPECT_EQ(table.RemoveRange(3, 2), 0);

    EXPECT_EQ(table.SetItemSize(4, 0), 0);   // not while records are there
    table.RemoveAll();
    EXPECT_EQ(table.SetItemSize(4, -1), 1);
    EXPECT_EQ(table.GetItemSize(), 4);
}

TEST(RecordTable, GrowthRule)
{
    // Step 0: (capacity + n) * 3 / 2, at least 16.
    CRecordTable table(4, 0);
    table.Insert(nullptr, CRecordTable::kAppend, 1);
    EXPECT_EQ(table.GetCapacity(), 16);                   // (0 + 1) * 3 / 2 -> at least 16
    table.Insert(nullptr, CRecordTable::kAppend, 15);
    EXPECT_EQ(table.GetCapacity(), 16);                   // 16 fit
    table.Insert(nullptr, CRecordTable::kAppend, 1);
    EXPECT_EQ(table.GetCapacity(), 25);                   // (16 + 1) * 3 / 2
    table.Insert(nullptr, CRecordTable::kAppend, 20);
    EXPECT_EQ(table.GetCapacity(), 67);                   // (25 + 20) * 3 / 2

    // A step: the next multiple of the step above capacity + n.
    CRecordTable stepped(4, 10);
    stepped.Insert(nullptr, CRecordTable::kAppend, 1);
    EXPECT_EQ(stepped.GetCapacity(), 10);                 // above 0 + 1
    stepped.Insert(nullptr, CRecordTable::kAppend, 9);
    EXPECT_EQ(stepped.GetCapacity(), 10);
    stepped.Insert(nullptr, CRecordTable::kAppend, 10);
    EXPECT_EQ(stepped.GetCapacity(), 30);                 // above 10 + 10
    stepped.Insert(nullptr, CRecordTable::kAppend, 13);
    EXPECT_EQ(stepped.GetCapacity(), 50);                 // above 30 + 13

    stepped.Insert(nullptr, CRecordTable::kAppend, 30);
    EXPECT_EQ(stepped.GetCapacity(), 90);                 // above 50 + 30

    // Shrinks when far larger than needed: to twice the count, at least 16.
    stepped.RemoveRange(0, 60);
    EXPECT_EQ(stepped.GetCount(), 3);
    EXPECT_EQ(stepped.GetCapacity(), 16);

    // With records present the size stays, but a new step is taken for the next growth.
    EXPECT_EQ(stepped.SetItemSize(8, 7), 0);
    EXPECT_EQ(stepped.GetItemSize(), 4);
    stepped.Insert(nullptr, CRecordTable::kAppend, 14);
    EXPECT_EQ(stepped.GetCapacity(), 35);                 // above 16 + 14 in sevens
    EXPECT_EQ(stepped.SetItemSize(8, -1), 0);             // a negative step keeps the seven
    stepped.Insert(nullptr, CRecordTable::kAppend, 20);
    EXPECT_EQ(stepped.GetCapacity(), 56);                 // above 35 + 20 in sevens
}

TEST(RecordTable, FindSortedAgreesWithStdBounds)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 300; ++round) {
        bool isUnsigned = round % 2 == 1;
        int count = static_cast<int>(rng() % 40);
        std::vector<uint32_t> keys(count);
        for (auto& k : keys)   // small range with negative and huge values: many equal keys
            k = static_cast<uint32_t>(static_cast<int>(rng() % 9) - 4) * 0x20000000u;
        auto less = [isUnsigned](uint32_t a, uint32_t b) {
            return isUnsigned ? a < b : static_cast<int32_t>(a) < static_cast<int32_t>(b);
        };
        std::sort(keys.begin(), keys.end(), less);
        CRecordTable table(sizeof(Mark), 3);
        for (uint32_t k : keys) {
            Mark m = {0, k, ~k};
            table.Insert(&m);
        }
        int first = static_cast<int>(rng() % (count + 3)) - 1;
        int end = static_cast<int>(rng() % (count + 5));
        for (int probe = -5; probe <= 5; ++probe) {
            uint32_t key = static_cast<uint32_t>(probe) * 0x20000000u + (rng() % 4 == 0 ? 1 : 0);
            int lo = std::max(first, 0);
            int hi = std::min(end, count);
            int lower = -1, upper = -1;
            if (lo <= hi) {
                lower = static_cast<int>(std::lower_bound(keys.begin() + lo, keys.begin() + hi, key, less) - keys.begin());
                upper = static_cast<int>(std::upper_bound(keys.begin() + lo, keys.begin() + hi, key, less) - keys.begin());
            }
            bool found = lo <= hi && lower < upper;
            int u = isUnsigned ? RECORD_FIND_UNSIGNED : 0;

            int any = table.FindSorted(key, first, end, 2, u);
            if (found) {
                ASSERT_GE(any, lower);
                ASSERT_LT(any, upper);
                EXPECT_EQ(KeyAt(table, any), key);
            } else {
                EXPECT_EQ(any, -1);
            }
            EXPECT_EQ(table.FindSorted(key, first, end, 2, u | RECORD_FIND_FIRST), found ? lower : -1);
            EXPECT_EQ(table.FindSorted(key, first, end, 2, u | RECORD_FIND_BEHIND), found ? upper : -1);
            int insert = table.FindSorted(key, first, end, 2, u | RECORD_FIND_INSERT);
            if (lo > hi)
                EXPECT_EQ(insert, count);
            else if (found)
                EXPECT_TRUE(insert >= lower && insert < upper);
            else
                EXPECT_EQ(insert, lower);
        }
    }
}

TEST(RecordTable, FieldMustLieInsideTheRecord)
{
    CRecordTable table(sizeof(Mark));
    Mark m = {0, 5, 6};
    table.Insert(&m);
    EXPECT_EQ(table.FindSorted(6, 0, 1, 6, 0), 0);      // the last 4 bytes
    EXPECT_EQ(table.FindSorted(6, 0, 1, 7, 8), -1);     // would read past the record
    EXPECT_EQ(table.FindSorted(6, 0, 1, -1, 8), -1);
}

TEST(PtrTable, BorrowedAndOwnedEntries)
{
    CPtrTable table;
    int borrowed = 5;
    char text[] = "owned";
    EXPECT_EQ(table.Add(&borrowed), 0);
    EXPECT_EQ(table.Add(text, sizeof(text)), 1);
    EXPECT_EQ(table.Insert(0, nullptr, 8), 0);          // a zeroed owned block first
    ASSERT_EQ(table.GetCount(), 3);
    EXPECT_EQ(table.GetAt(1), &borrowed);
    EXPECT_NE(table.GetAt(2), static_cast<void*>(text));
    text[0] = 'X';
    EXPECT_STREQ(static_cast<const char*>(table.GetAt(2)), "owned");
    EXPECT_EQ(memcmp(table.GetAt(0), "\0\0\0\0\0\0\0\0", 8), 0);
    EXPECT_EQ(table.GetAt(3), nullptr);
    EXPECT_EQ(table.GetAt(-1), nullptr);

    EXPECT_TRUE(table.RemoveAt(0));
    EXPECT_FALSE(table.RemoveAt(5));
    EXPECT_EQ(table.GetAt(0), &borrowed);
    EXPECT_EQ(borrowed, 5);   // borrowed objects are never freed or touched

    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(table.Add(&i, sizeof(i)), 2 + i);
    EXPECT_EQ(*static_cast<int*>(table.GetAt(101)), 99);
    table.RemoveAll();
    EXPECT_EQ(table.GetCount(), 0);
}
