#include "services/Eval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

// Knows the name "LBA" (62) at the start of an operand.
int KnowsLba(void* context, const char* text, long long* value)
{
    if (strncmp(text, "LBA", 3) != 0)
        return 0;
    ++*static_cast<int*>(context);
    *value = 62;
    return 3;
}

}  // namespace

TEST(Eval, WholeExpressions)
{
    int value = -1;
    ExprStatus status = 0;
    const char* text = "0x10 + 2*3";
    EXPECT_EQ(EvalInt(text, &value, &status), static_cast<int>(strlen(text)));
    EXPECT_EQ(value, 22);
    EXPECT_EQ(status, 1);

    long long big = 0;
    EXPECT_GT(EvalInt64("0x100000000 * 2 - 1", &big, &status), 0);
    EXPECT_EQ(big, 0x1FFFFFFFFLL);
    EXPECT_EQ(status, 1);

    int calls = 0;
    EXPECT_EQ(EvalInt("LBA + 1", &value, &status, KnowsLba, &calls), 7);
    EXPECT_EQ(value, 63);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(EvalInt64Value("LBA*LBA", KnowsLba, &calls), 62 * 62);

    // Whatever stops the evaluation clears the status.
    EvalInt("12 GB", &value, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(EvalInt(nullptr, &value, &status), 0);
    EXPECT_EQ(value, 0);
}

TEST(Eval, ValuesOfSizeTexts)
{
    // The partition dialog's size texts: a unit or "%" behind the number keeps the number,
    // "*" behind it gives 0 (the missing factor), no number gives 0.
    EXPECT_EQ(EvalIntValue("100 KB"), 100);
    EXPECT_EQ(EvalIntValue("50%"), 50);
    EXPECT_EQ(EvalIntValue("20*"), 0);
    EXPECT_EQ(EvalIntValue("GB"), 0);
    EXPECT_EQ(EvalIntValue(""), 0);
    EXPECT_EQ(EvalIntValue(nullptr), 0);
    EXPECT_EQ(EvalInt64Value("8 GB"), 8);
    EXPECT_EQ(EvalInt64Value("4096*1024*1024"), 4096LL * 1024 * 1024);
    EXPECT_EQ(EvalInt64Value("*"), 0);
    // A negative number too large to fit is all ones, as a too large positive one: never 1.
    EXPECT_EQ(EvalIntValue("-4294967296"), -1);
    EXPECT_EQ(EvalInt64Value("-18446744073709551616"), -1);
    ExprStatus status = 1;
    EvalInt64("-18446744073709551616", nullptr, &status);
    EXPECT_EQ(status, 0);
}

TEST(Eval, AsciiToDoubleIsCorrectlyRounded)
{
    // An integer and a power of ten are exact doubles, and IEEE division rounds once, so
    // digits / 10^k is the correctly rounded value of the decimal text.
    std::mt19937 rng(13);
    for (int round = 0; round < 2000; ++round) {
        long long digits = static_cast<long long>(rng() % 1000000000u);
        int k = static_cast<int>(rng() % 10);
        double power = 1;
        for (int i = 0; i < k; ++i)
            power *= 10;
        std::string text = std::to_string(digits);
        if (k > 0) {
            text.insert(0, static_cast<size_t>(std::max(0, k + 1 - static_cast<int>(text.size()))), '0');
            text.insert(text.size() - k, ".");
        }
        EXPECT_EQ(AsciiToDouble(text.c_str()), static_cast<double>(digits) / power) << text;
    }
    EXPECT_EQ(AsciiToDouble("  -2.5e3xyz"), -2500.0);
    EXPECT_EQ(AsciiToDouble("abc"), 0.0);
    EXPECT_EQ(AsciiToDouble(nullptr), 0.0);
}
