#include "disk/NtfsRuns.h"
#include <gtest/gtest.h>
#include <random>
#include <vector>

TEST(DecodeDataRuns, StopsWhenNoClustersRemain)
{
    // Header 0x21: one length byte (0x18 = 24 clusters), two offset bytes (0x5634, positive).
    // The 24 clusters are used up by the first run, so nothing behind it is read.
    const uint8_t runs[] = { 0x21, 0x18, 0x34, 0x56, 0x11, 0x01, 0x01 };
    uint32_t off[8] = {}, len[8] = {};
    ASSERT_EQ(DecodeDataRuns(24, runs, sizeof runs, off, len, 8), 1);
    EXPECT_EQ(len[0], 0x18u);
    EXPECT_EQ(off[0], 0x5634u);
}

TEST(DecodeDataRuns, OffsetsAreSignedAndRelativeToThePreviousRun)
{
    // Run 1: 16 clusters at 0x010000. Run 2: 8 clusters, offset bytes 00 FF = -256, so at
    // 0x010000 - 0x100 = 0xFF00. Run 3: 4 clusters, offset 0x7F = +127: 0xFF7F.
    const uint8_t runs[] = { 0x31, 0x10, 0x00, 0x00, 0x01, 0x21, 0x08, 0x00, 0xFF, 0x11, 0x04, 0x7F, 0x00 };
    uint32_t off[8] = {}, len[8] = {};
    ASSERT_EQ(DecodeDataRuns(1000, runs, sizeof runs, off, len, 8), 3);
    EXPECT_EQ(off[0], 0x10000u);
    EXPECT_EQ(len[0], 16u);
    EXPECT_EQ(off[1], 0xFF00u);
    EXPECT_EQ(len[1], 8u);
    EXPECT_EQ(off[2], 0xFF7Fu);
    EXPECT_EQ(len[2], 4u);
}

TEST(DecodeDataRuns, EndMarkBytesAndMaximumBoundTheList)
{
    uint32_t off[8] = {}, len[8] = {};
    // A header byte 0 ends the list even with clusters left.
    const uint8_t withEnd[] = { 0x11, 0x04, 0x10, 0x00, 0x11, 0x04, 0x20 };
    EXPECT_EQ(DecodeDataRuns(100, withEnd, sizeof withEnd, off, len, 8), 1);
    // A run cut off by the end of the bytes is not counted; nothing is read behind them.
    const uint8_t cut[] = { 0x11, 0x04, 0x10, 0x44, 0x01, 0x02 };
    EXPECT_EQ(DecodeDataRuns(100, cut, sizeof cut, off, len, 8), 1);
    EXPECT_EQ(DecodeDataRuns(100, cut, 0, off, len, 8), 0);
    EXPECT_EQ(DecodeDataRuns(100, nullptr, 5, off, len, 8), 0);
    // The maximum.
    const uint8_t many[] = { 0x11, 1, 1, 0x11, 1, 1, 0x11, 1, 1, 0x11, 1, 1 };
    EXPECT_EQ(DecodeDataRuns(100, many, sizeof many, off, len, 2), 2);
    EXPECT_EQ(DecodeDataRuns(0, many, sizeof many, off, len, 8), 0);
    EXPECT_EQ(DecodeDataRuns(-5, many, sizeof many, off, len, 8), 0);
    // Nibbles of 15 bytes: the run does not fit in 12 bytes.
    const uint8_t wide[] = { 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 };
    EXPECT_EQ(DecodeDataRuns(100, wide, sizeof wide, off, len, 8), 0);
}

namespace {

// An independent encoder: the shortest little-endian two's-complement forms.
void AppendRun(std::vector<uint8_t>& out, uint32_t length, int64_t delta)
{
    uint8_t lb[8], ob[8];
    int ln = 0, on = 0;
    uint64_t l = length;
    do { lb[ln++] = static_cast<uint8_t>(l); l >>= 8; } while (l);
    if (lb[ln - 1] & 0x80)
        lb[ln++] = 0;       // lengths are read unsigned, but keep the top bit clear as NTFS does
    int64_t d = delta;
    for (;;) {
        ob[on++] = static_cast<uint8_t>(d);
        int64_t rest = d >> 8;
        bool signClear = (ob[on - 1] & 0x80) == 0;
        if ((rest == 0 && signClear) || (rest == -1 && !signClear))
            break;
        d = rest;
    }
    out.push_back(static_cast<uint8_t>(ln | (on << 4)));
    out.insert(out.end(), lb, lb + ln);
    out.insert(out.end(), ob, ob + on);
}

}  // namespace

TEST(DecodeDataRuns, RoundTripOfRandomRunLists)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 2000; ++round) {
        int n = 1 + rng() % 8;
        std::vector<uint8_t> bytes;
        std::vector<uint32_t> wantOff, wantLen;
        int64_t cluster = 0, total = 0;
        for (int i = 0; i < n; ++i) {
            uint32_t length = 1 + rng() % (i % 2 ? 70000 : 200);
            int64_t target = static_cast<int64_t>(rng() % 0x7FFFFFFF);
            AppendRun(bytes, length, target - cluster);
            cluster = target;
            total += length;
            wantOff.push_back(static_cast<uint32_t>(target));
            wantLen.push_back(length);
        }
        bytes.push_back(0);
        uint32_t off[8] = {}, len[8] = {};
        ASSERT_EQ(DecodeDataRuns(total, bytes.data(), static_cast<uint32_t>(bytes.size()), off, len, 8), n);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(off[i], wantOff[i]) << round << "/" << i;
            EXPECT_EQ(len[i], wantLen[i]);
        }
        // One cluster fewer than the runs hold: the last run is not counted.
        EXPECT_EQ(DecodeDataRuns(total - 1, bytes.data(), static_cast<uint32_t>(bytes.size()), off, len, 8), n - 1);
    }
}
