// Row fitting and edge sharing of sizing bars, without windows: random rows against the
// properties the layout relies on.
#include <gtest/gtest.h>
#include "controls/SizeBarRow.h"

#include <numeric>
#include <random>

namespace {

int Filled(const std::vector<RowBarSpan>& bars)
{
    int sum = 0;
    for (const RowBarSpan& b : bars)
        sum += b.length - 2;
    return sum;
}

std::vector<RowBarSpan> RandomRow(std::mt19937& rng, int n)
{
    std::uniform_int_distribution<int> len(0, 700), minimum(1, 60), coin(0, 3);
    std::vector<RowBarSpan> bars(n);
    for (RowBarSpan& b : bars) {
        b.sizing = coin(rng) != 0;
        b.minLength = b.sizing ? minimum(rng) : 0;
        b.length = std::max(len(rng), b.minLength);
        b.minCross = minimum(rng);
        b.cross = std::max(len(rng) / 4, b.minCross);
        b.justShown = coin(rng) == 0;
    }
    return bars;
}

}  // namespace

TEST(SizeBarRow, FittingEndsAndFillsTheRowOrSplitsIt)
{
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> count(1, 6), length(-50, 1500);
    for (int round = 0; round < 3000; ++round) {
        std::vector<RowBarSpan> bars = RandomRow(rng, count(rng));
        const std::vector<RowBarSpan> before = bars;
        const int rowLength = length(rng);
        RowFitResult fit = FitRowSpans(bars, rowLength);
        for (size_t i = 0; i < bars.size(); ++i) {
            ASSERT_GE(bars[i].length, bars[i].minLength);
            if (!bars[i].sizing) {
                ASSERT_EQ(bars[i].length, before[i].length);
            }
        }
        auto least = [&](int i) { return (bars[i].sizing ? bars[i].minLength : bars[i].length) - 2; };
        if (least(0) > rowLength) {
            // A first bar too long even alone shrinks to its minimum; nothing else changes.
            ASSERT_EQ(fit.splitBefore, -1) << "round " << round;
            ASSERT_EQ(bars[0].length, bars[0].sizing ? bars[0].minLength : before[0].length);
            for (size_t i = 1; i < bars.size(); ++i)
                ASSERT_EQ(bars[i].length, before[i].length);
            continue;
        }
        if (fit.splitBefore >= 0) {
            // Split only where the bars before it fit at their least and this one does not.
            ASSERT_GT(fit.splitBefore, 0);
            int upTo = 0;
            for (int i = 0; i < fit.splitBefore; ++i)
                upTo += least(i);
            ASSERT_LE(upTo, rowLength);
            ASSERT_GT(upTo + least(fit.splitBefore), rowLength);
            continue;
        }
        const int floor = RowMinCross(bars);
        bool allAtMin = true;
        bool anySizing = false;
        for (const RowBarSpan& b : bars) {
            if (!b.sizing)
                continue;
            anySizing = true;
            ASSERT_GE(b.cross, floor);
            allAtMin &= b.length == b.minLength;
        }
        // The sizing bars take up the whole difference unless they are all at their minimum.
        if (anySizing && (!allAtMin || Filled(bars) < rowLength)) {
            ASSERT_EQ(Filled(bars), rowLength) << "round " << round;
        }
    }
}

TEST(SizeBarRow, ARowTooShortSplitsBehindTheLastBarThatFitsOrShrinksAFirstBarTooLongAlone)
{
    // Lengths and minimums along the row; a minimum of 0 marks a bar that is not a sizing
    // bar. Bars overlap by two pixels, so a row of lengths l1..ln needs sum(li - 2).
    struct Case {
        std::vector<int> lengths, minimums;
        int rowLength;
        std::vector<int> wantLengths;
        int wantSplit;
        bool wantChanged;
    };
    const Case cases[] = {
        // 298 > 200 alone: the first bar shrinks to 300 and stays in the row with the second.
        {{400, 100}, {300, 33}, 200, {300, 100}, -1, true},
        // Already at its minimum: nothing to give, no split either.
        {{300, 50}, {300, 33}, 100, {300, 50}, -1, false},
        // A toolbar first and too long alone keeps its length; the row stays together.
        {{250, 100}, {0, 33}, 200, {250, 100}, -1, false},
        // 48 + 178 > 200: the second bar starts a new row, the lengths wait for that layout.
        {{100, 200}, {50, 180}, 200, {100, 200}, 1, true},
        // 48 + 31 + 98 > 150: the third does not fit behind the first two at their least.
        {{100, 100, 100}, {50, 33, 100}, 150, {100, 100, 100}, 2, true},
    };
    for (const Case& c : cases) {
        std::vector<RowBarSpan> bars(c.lengths.size());
        for (size_t i = 0; i < bars.size(); ++i) {
            bars[i].sizing = c.minimums[i] != 0;
            bars[i].length = c.lengths[i];
            bars[i].minLength = c.minimums[i];
        }
        const RowFitResult fit = FitRowSpans(bars, c.rowLength);
        EXPECT_EQ(fit.splitBefore, c.wantSplit) << "row " << c.rowLength;
        EXPECT_EQ(fit.changed, c.wantChanged) << "row " << c.rowLength;
        for (size_t i = 0; i < bars.size(); ++i)
            EXPECT_EQ(bars[i].length, c.wantLengths[i]) << "row " << c.rowLength << " bar " << i;
    }
}

TEST(SizeBarRow, TwoEqualBarsShareAnOddGrowthOnePixelApartAndJustShownWaits)
{
    std::vector<RowBarSpan> bars(2);
    for (RowBarSpan& b : bars) {
        b.sizing = true;
        b.length = 100;
        b.minLength = 33;
    }
    FitRowSpans(bars, 196 + 3);
    EXPECT_EQ(bars[0].length, 102);
    EXPECT_EQ(bars[1].length, 101);
    // A bar just shown keeps its length while the others can take the difference; a row
    // too long for the lengths but not for the minimums shrinks instead of splitting.
    bars[0].length = bars[1].length = 100;
    bars[1].justShown = true;
    EXPECT_EQ(FitRowSpans(bars, 196 - 20).splitBefore, -1);
    EXPECT_EQ(bars[0].length, 80);
    EXPECT_EQ(bars[1].length, 100);
    EXPECT_FALSE(bars[1].justShown);
    // At its minimum the first bar stops giving; then the just-shown one gives too.
    bars[1].justShown = true;
    FitRowSpans(bars, 100);
    EXPECT_EQ(bars[0].length, 33);
    EXPECT_EQ(bars[1].length, 100 - 76 + 47);
}

TEST(SizeBarRow, EdgeTrackingMovesLengthAcrossAndRespectsMinimums)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> count(2, 6), delta(-900, 900);
    for (int round = 0; round < 2000; ++round) {
        std::vector<RowBarSpan> bars = RandomRow(rng, count(rng));
        const int split = std::uniform_int_distribution<int>(1, static_cast<int>(bars.size()) - 1)(rng);
        const int total = Filled(bars);
        int low = 0, high = 0;
        RowTrackBounds(bars, split, 500, &low, &high);
        const int want = delta(rng);
        const int clamped = std::min(std::max(500 + want, low), high) - 500;
        const int moved = ApplyRowTrack(bars, split, clamped);
        ASSERT_EQ(Filled(bars), total);
        for (const RowBarSpan& b : bars)
            ASSERT_GE(b.length, b.minLength);
        // Within the bounds a move is carried out whole when the growing side has a bar.
        bool grower = false;
        for (int i = 0; i < static_cast<int>(bars.size()); ++i)
            grower |= bars[i].sizing && (clamped > 0 ? i < split : i >= split);
        if (grower) {
            ASSERT_EQ(moved, clamped);
        }
    }
}
