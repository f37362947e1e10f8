// The text <-> number conversions of the dialog data exchange, checked against the C
// library's own conversions (strtoll, strtoull, strtod, snprintf) as the reference.
#include <gtest/gtest.h>
#include <windows.h>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include "classlib/Ddx.h"

namespace {

// Reference: the C library reads the digits; the exchange's rules about blanks and signs
// are applied around it.
bool ReferenceSigned(const std::string& text, long long* out)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    errno = 0;
    char* end = nullptr;
    long long v = strtoll(text.c_str() + start, &end, 10);
    if (errno == ERANGE) return false;
    for (const char* p = end; *p; ++p)
        if (*p != ' ' && *p != '\t') return false;
    *out = v;
    return true;
}

std::string RandomNumberText(std::mt19937& rng)
{
    static const char kChars[] = "0123456789  +-x.\t";
    std::string s;
    int n = static_cast<int>(rng() % 24);
    for (int i = 0; i < n; ++i) s += kChars[rng() % (sizeof kChars - 1)];
    return s;
}

}  // namespace

TEST(DdxParse, SignedAgreesWithStrtoll)
{
    std::mt19937 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        std::string text = RandomNumberText(rng);
        long long expect = 0;
        bool expectOk = ReferenceSigned(text, &expect);
        __int64 got = 0;
        BOOL ok = DdxParseSigned(text.c_str(), INT64_MIN, INT64_MAX, &got);
        ASSERT_EQ(expectOk, !!ok) << "'" << text << "'";
        if (ok) {
            ASSERT_EQ(expect, got) << "'" << text << "'";
        }
    }
}

TEST(DdxParse, SignedBoundsAndShapes)
{
    __int64 v = 7;
    EXPECT_TRUE(DdxParseSigned("2147483647", INT_MIN, INT_MAX, &v));
    EXPECT_EQ(INT_MAX, v);
    EXPECT_TRUE(DdxParseSigned("-2147483648", INT_MIN, INT_MAX, &v));
    EXPECT_EQ(INT_MIN, v);
    v = 7;
    EXPECT_FALSE(DdxParseSigned("2147483648", INT_MIN, INT_MAX, &v));
    EXPECT_FALSE(DdxParseSigned("-2147483649", INT_MIN, INT_MAX, &v));
    EXPECT_EQ(7, v);   // untouched on failure
    EXPECT_TRUE(DdxParseSigned("-9223372036854775808", INT64_MIN, INT64_MAX, &v));
    EXPECT_EQ(INT64_MIN, v);
    EXPECT_FALSE(DdxParseSigned("9223372036854775808", INT64_MIN, INT64_MAX, &v));
    EXPECT_FALSE(DdxParseSigned("99999999999999999999999", INT64_MIN, INT64_MAX, &v));
    EXPECT_TRUE(DdxParseSigned(" \t+12\t ", INT_MIN, INT_MAX, &v));
    EXPECT_EQ(12, v);
    for (const char* bad : { "", " ", "+", "-", "- 5", "12abc", "0x10", "1 2", "1.0", "1\xA0" })
        EXPECT_FALSE(DdxParseSigned(bad, INT_MIN, INT_MAX, &v)) << bad;
    EXPECT_FALSE(DdxParseSigned(nullptr, INT_MIN, INT_MAX, &v));
    EXPECT_FALSE(DdxParseSigned("1", INT_MIN, INT_MAX, nullptr));
    EXPECT_FALSE(DdxParseSigned("5", 10, 1, &v));   // an empty range accepts nothing
}

TEST(DdxParse, UnsignedAgreesWithStrtoull)
{
    unsigned __int64 v = 0;
    EXPECT_TRUE(DdxParseUnsigned("4294967295", UINT_MAX, &v));
    EXPECT_EQ(UINT_MAX, v);
    EXPECT_FALSE(DdxParseUnsigned("4294967296", UINT_MAX, &v));
    EXPECT_FALSE(DdxParseUnsigned("-1", UINT_MAX, &v));
    EXPECT_FALSE(DdxParseUnsigned("-0", UINT_MAX, &v));
    EXPECT_TRUE(DdxParseUnsigned("+0", UINT_MAX, &v));
    EXPECT_EQ(0u, v);
    EXPECT_TRUE(DdxParseUnsigned("18446744073709551615", UINT64_MAX, &v));
    EXPECT_EQ(UINT64_MAX, v);
    EXPECT_FALSE(DdxParseUnsigned("18446744073709551616", UINT64_MAX, &v));
    std::mt19937_64 rng(99);
    for (int i = 0; i < 5000; ++i) {
        unsigned long long x = rng() >> (rng() % 64);
        char text[32];
        snprintf(text, sizeof text, "%llu", x);
        ASSERT_TRUE(DdxParseUnsigned(text, UINT64_MAX, &v)) << text;
        ASSERT_EQ(strtoull(text, nullptr, 10), v);
        ASSERT_EQ(x <= UINT_MAX, !!DdxParseUnsigned(text, UINT_MAX, &v)) << text;
    }
}

TEST(DdxFormat, IntegersAgreeWithSnprintf)
{
    std::mt19937_64 rng(7);
    char got[32], expect[32];
    long long specials[] = { 0, 1, -1, 9, 10, -10, INT_MIN, INT_MAX, INT64_MIN, INT64_MAX };
    for (long long x : specials) {
        snprintf(expect, sizeof expect, "%lld", x);
        ASSERT_EQ(static_cast<int>(strlen(expect)), DdxFormatSigned(x, got, sizeof got));
        ASSERT_STREQ(expect, got);
    }
    for (int i = 0; i < 5000; ++i) {
        long long x = static_cast<long long>(rng() >> (rng() % 64));
        if (rng() & 1) x = -x;
        snprintf(expect, sizeof expect, "%lld", x);
        DdxFormatSigned(x, got, sizeof got);
        ASSERT_STREQ(expect, got);
        __int64 back = 0;
        ASSERT_TRUE(DdxParseSigned(got, INT64_MIN, INT64_MAX, &back));
        ASSERT_EQ(x, back);
        unsigned long long u = rng();
        snprintf(expect, sizeof expect, "%llu", u);
        DdxFormatUnsigned(u, got, sizeof got);
        ASSERT_STREQ(expect, got);
    }
}

TEST(DdxFormat, SmallBuffers)
{
    char buf[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(-1, DdxFormatSigned(-123, buf, 4));   // needs 5 bytes
    EXPECT_STREQ("", buf);
    EXPECT_EQ(3, DdxFormatUnsigned(123, buf, 4));
    EXPECT_STREQ("123", buf);
    EXPECT_EQ(-1, DdxFormatSigned(1, buf, 0));
    EXPECT_EQ(-1, DdxFormatSigned(1, nullptr, 10));
    EXPECT_EQ(-1, DdxFormatDouble(1.5, 15, buf, 2));
    EXPECT_STREQ("", buf);
}

TEST(DdxParse, DoubleAgreesWithStrtod)
{
    const char* good[] = { "0", "1.5", "-1.5e-3", " .5 ", "1.", "+2E+10", "123456789012345678901234567890", "1e-320" };
    for (const char* text : good) {
        double v = 0;
        ASSERT_TRUE(DdxParseDouble(text, &v)) << text;
        EXPECT_EQ(strtod(text, nullptr), v) << text;
    }
    const char* bad[] = { "", ".", "e5", "1e", "1e+", "inf", "nan", "0x1p3", "1,5", "1.5.2", "1e999", "-1e999", "--1", "1 2" };
    for (const char* text : bad) {
        double v = 42;
        EXPECT_FALSE(DdxParseDouble(text, &v)) << text;
        EXPECT_EQ(42, v) << text;
    }
}

TEST(DdxFormat, DoubleRoundTrips)
{
    std::mt19937_64 rng(3);
    char text[64];
    for (int i = 0; i < 5000; ++i) {
        uint64_t bits = rng();
        double x;
        memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) continue;
        // 17 significant digits identify every double.
        ASSERT_GT(DdxFormatDouble(x, 17, text, sizeof text), 0);
        double back = 0;
        ASSERT_TRUE(DdxParseDouble(text, &back)) << text;
        ASSERT_EQ(0, memcmp(&x, &back, sizeof x)) << text;
    }
    DdxFormatDouble(0.1, 15, text, sizeof text);
    EXPECT_STREQ("0.1", text);
    DdxFormatDouble(-2.5e-7, 15, text, sizeof text);
    char expect[64];
    snprintf(expect, sizeof expect, "%.15g", -2.5e-7);
    EXPECT_STREQ(expect, text);
}
