// The progress dialog's arithmetic without a window: the bar, the text throttle on an
// injected clock, and the taskbar's pass rule.
#include "uihelpers/ProgressModel.h"

#include <gtest/gtest.h>
#include <random>

TEST(ProgressBarRange, HundredThousandUnitsGetAnExtraTwoHundredFiftySixthAndShiftSeven)
{
    ProgressBarRange bar;
    EXPECT_TRUE(bar.SetRange(5000, 105000));
    EXPECT_EQ(bar.BarRange(), 100390u);
    EXPECT_EQ(bar.Shift(), 7u);
    EXPECT_TRUE(bar.SetPos(55000));
    EXPECT_EQ(bar.Value(), 390u);
    EXPECT_FALSE(bar.SetPos(55001));        // same bar value: nothing to post
}

// For any span: the value never exceeds the maximum, reaches it only at the end, and the
// shift is the smallest that brings the range to 1024 steps.
TEST(ProgressBarRange, ValueStaysBelowTheTopUntilTheEndForRandomSpans)
{
    std::mt19937_64 random(20240607);
    for (int round = 0; round < 2000; ++round) {
        const uint64_t start = random() >> (random() % 64);
        const uint64_t span = 1 + (random() >> (1 + random() % 63));
        ProgressBarRange bar;
        bar.SetRange(start, start + span);
        ASSERT_LE(bar.Maximum(), 1024u);
        if (bar.Shift() > 0) {
            ASSERT_GT(bar.BarRange() >> (bar.Shift() - 1), 1024u) << span;
        }
        for (int k = 0; k < 20; ++k) {
            const uint64_t relative = k == 0 ? span - 1 : random() % span;
            bar.SetPos(start + relative);
            ASSERT_LT(bar.Value(), bar.Maximum()) << "span " << span << " at " << relative;
        }
        bar.SetPos(start + span);
        ASSERT_EQ(bar.Value(), bar.Maximum());
    }
}

// Ten texts 8 ms apart: the first is shown at once, the last within 50 ms of being set.
TEST(ProgressTextThrottle, TenTextsInEightyMillisecondsShowFirstAtOnceAndLastWithinFifty)
{
    ProgressTextThrottle throttle;
    DWORD now = 100000;
    throttle.Reset(now);
    DWORD flushAt = 0;
    DWORD lastShown = 0;
    int shows = 0;
    // The window's side: a posted "show" is handled at once; an armed flush fires 50 ms later.
    auto runUntil = [&](DWORD t) {
        if (flushAt && flushAt <= t) {
            if (throttle.Flush() & 1) {
                throttle.Shown(0, flushAt);
                lastShown = flushAt;
                ++shows;
            }
            flushAt = 0;
        }
    };
    DWORD lastSet = 0;
    for (int i = 0; i < 10; ++i, now += 8) {
        runUntil(now);
        switch (throttle.TextChanged(0, now)) {
        case ProgressTextThrottle::SHOW_NOW:
            EXPECT_TRUE(i == 0 || now - lastShown >= 80) << i;
            throttle.Shown(0, now);
            lastShown = now;
            ++shows;
            break;
        case ProgressTextThrottle::ARM_FLUSH:
            EXPECT_EQ(flushAt, 0u);
            flushAt = now + ProgressTextThrottle::kFlushDelay;
            break;
        default:
            EXPECT_NE(flushAt, 0u) << "a waiting line needs an armed flush";
            break;
        }
        if (i == 0) {
            EXPECT_EQ(shows, 1);
        }
        lastSet = now;
    }
    runUntil(now + 1000);
    EXPECT_GE(lastShown, lastSet);
    EXPECT_LE(lastShown - lastSet, 50u);
    EXPECT_LT(shows, 10);
}

// Three passes of one bar each: the button climbs through all three; a bar that starts its
// pass again is held until it is well under way, and a value below the last is never shown.
TEST(TaskbarProgressRule, PassesClimbAndARestartedPassIsHeld)
{
    TaskbarProgressRule rule;
    uint64_t value = 0, maximum = 0;
    ASSERT_TRUE(rule.Next(300, 1000, &value, &maximum));
    EXPECT_EQ(value, 300u);
    EXPECT_EQ(maximum, 1000u);

    rule.SetPasses(3, 1);
    ASSERT_TRUE(rule.Next(500, 1000, &value, &maximum));
    EXPECT_EQ(value, 1024u + 512u);
    EXPECT_EQ(maximum, 3072u);
    EXPECT_FALSE(rule.Next(400, 1000, &value, &maximum));   // below the last: not shown
    EXPECT_FALSE(rule.Next(10, 1000, &value, &maximum));    // into the first 65 steps: held
    rule.SetPasses(3, 0);
    EXPECT_FALSE(rule.Next(60, 1000, &value, &maximum));    // 61 of 3072: not above 1/32 yet
    ASSERT_TRUE(rule.Next(200, 1000, &value, &maximum));    // 204: released, shown though lower
    EXPECT_EQ(value, 204u);
}
