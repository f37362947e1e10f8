#include "disk/NtfsRuns.h"
#include <gtest/gtest.h>
#include <random>
#include <string.h>
#include <vector>

TEST(DecodeDataRuns, StopsWhenNoClustersRemain)
{
    // Header 0x21: one length byte (0x18 = 24 clusters), two offset bytes (0x5634, positive).
    // The 24 clusters are used up by the first run, so nothing behind it is read.
    const uint8_t runs[] = { 0x21, 0x18, 0x34, 0x56, 0x11, 0x01, 0x01 };
    uint64_t off[8] = {}, len[8] = {};
    ASSERT_EQ(DecodeDataRuns(24, runs, sizeof runs, off, len, 8), 1);
    EXPECT_EQ(len[0], 0x18u);
    EXPECT_EQ(off[0], 0x5634u);
}

TEST(DecodeDataRuns, OffsetsAreSignedAndRelativeToThePreviousRun)
{
    // Run 1: 16 clusters at 0x010000. Run 2: 8 clusters, offset bytes 00 FF = -256, so at
    // 0x010000 - 0x100 = 0xFF00. Run 3: 4 clusters, offset 0x7F = +127: 0xFF7F.
    const uint8_t runs[] = { 0x31, 0x10, 0x00, 0x00, 0x01, 0x21, 0x08, 0x00, 0xFF, 0x11, 0x04, 0x7F, 0x00 };
    uint64_t off[8] = {}, len[8] = {};
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
    uint64_t off[8] = {}, len[8] = {};
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
        uint64_t off[8] = {}, len[8] = {};
        ASSERT_EQ(DecodeDataRuns(total, bytes.data(), static_cast<uint32_t>(bytes.size()), off, len, 8), n);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(off[i], wantOff[i]) << round << "/" << i;
            EXPECT_EQ(len[i], wantLen[i]);
        }
        // One cluster fewer than the runs hold: the last run is not counted.
        EXPECT_EQ(DecodeDataRuns(total - 1, bytes.data(), static_cast<uint32_t>(bytes.size()), off, len, 8), n - 1);
    }
}

TEST(DecodeDataRuns, ClusterNumbersAndLengthsPast32BitsStayWhole)
{
    // A hole of 2^33 clusters (no offset bytes), then 5 clusters at 0x1_2345_6789, then 2^32 +
    // 3 clusters 0x100 before it: each number as the run list holds it.
    const uint8_t runs[] = { 0x05, 0x00, 0x00, 0x00, 0x00, 0x02,
                             0x51, 0x05, 0x89, 0x67, 0x45, 0x23, 0x01,
                             0x25, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0xFF, 0x00 };
    uint64_t off[8] = {}, len[8] = {};
    const int64_t total = (1ll << 33) + 5 + (1ll << 32) + 3;
    ASSERT_EQ(DecodeDataRuns(total, runs, sizeof runs, off, len, 8), 3);
    EXPECT_EQ(len[0], 1ull << 33);
    EXPECT_EQ(off[1], 0x123456789ull);
    EXPECT_EQ(len[1], 5u);
    EXPECT_EQ(off[2], 0x123456789ull - 0x100);
    EXPECT_EQ(len[2], (1ull << 32) + 3);
}

namespace {

// A 1024-byte record with its update sequence array at 48: the number 0x0A0B, and the bytes
// each stride's last two bytes held before NTFS wrote the number there.
std::vector<uint8_t> RecordWithUpdateSequence()
{
    std::vector<uint8_t> rec(1024, 0);
    rec[4] = 48;
    rec[6] = 3;
    const uint8_t array[] = { 0x0B, 0x0A, 0x11, 0x22, 0x33, 0x44 };
    memcpy(&rec[48], array, sizeof array);
    rec[510] = rec[1022] = 0x0B;
    rec[511] = rec[1023] = 0x0A;
    return rec;
}

}  // namespace

TEST(PutBackUpdateSequence, EachStrideGetsItsBytesBackUnlessItOrTheArrayIsDamaged)
{
    struct Patch {
        uint32_t at, bytes, value;   // bytes 0: none
    };
    struct Case {
        const char* what;
        Patch patches[2];
        uint32_t putBack;
        uint8_t end1[2], end2[2];    // bytes 510-511 and 1022-1023 afterwards
    };
    const Case cases[] = {
        { "a whole record", {}, 2, { 0x11, 0x22 }, { 0x33, 0x44 } },
        { "a torn second stride", { { 1022, 2, 0x0A0C } }, 1, { 0x11, 0x22 }, { 0x0C, 0x0A } },
        // The first 1024 bytes of a record of 4096: the strides read get their bytes.
        { "more strides than the bytes read", { { 6, 2, 9 } }, 2, { 0x11, 0x22 }, { 0x33, 0x44 } },
        { "an array at an odd offset", { { 4, 2, 49 } }, 0, { 0x0B, 0x0A }, { 0x0B, 0x0A } },
        { "an array behind the record", { { 4, 2, 0xFFFE } }, 0, { 0x0B, 0x0A }, { 0x0B, 0x0A } },
        { "an array too long for the record", { { 6, 2, 0x1F0 } }, 0, { 0x0B, 0x0A }, { 0x0B, 0x0A } },
        // Its entries would be read from bytes its own put-back changes.
        { "an array over a stride's end", { { 4, 2, 506 }, { 506, 2, 0x0A0B } }, 0, { 0x0B, 0x0A }, { 0x0B, 0x0A } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> rec = RecordWithUpdateSequence();
        for (const Patch& p : c.patches)
            for (uint32_t i = 0; i < p.bytes; ++i)
                rec[p.at + i] = static_cast<uint8_t>(p.value >> (8 * i));
        const std::vector<uint8_t> before = rec;
        EXPECT_EQ(PutBackUpdateSequence(rec.data(), 1024), c.putBack);
        EXPECT_EQ(rec[510], c.end1[0]);
        EXPECT_EQ(rec[511], c.end1[1]);
        EXPECT_EQ(rec[1022], c.end2[0]);
        EXPECT_EQ(rec[1023], c.end2[1]);
        // Nothing else of the record changes.
        for (size_t i = 0; i < rec.size(); ++i) {
            if (i != 510 && i != 511 && i != 1022 && i != 1023) {
                ASSERT_EQ(rec[i], before[i]) << i;
            }
        }
    }
    EXPECT_EQ(PutBackUpdateSequence(nullptr, 1024), 0u);
}
