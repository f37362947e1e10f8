#include <gtest/gtest.h>
#include <cctype>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "textlib/IntFormat.h"
#include "textlib/IntParse.h"
#include "tests/support/GuardedBuffer.h"

namespace {

typedef unsigned long long u64;

u64 RandomValue(std::mt19937_64& rng)
{
    // Mostly spread over all bit lengths, sometimes the edges.
    static const u64 edges[] = { 0, 1, 2, 9, 10, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x100000000ull,
                                 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, ~0ull };
    if (rng() % 8 == 0)
        return edges[rng() % 12];
    return rng() >> (rng() % 64);
}

// The parse mode that reads a form back.
unsigned ParseModeFor(unsigned formFlags)
{
    if (formFlags & IFF_RADIX)
        return formFlags & 0xFF;
    switch (formFlags & 0xFF)
    {
    case IFF_HEX_SUFFIX: case IFF_BIN_SUFFIX: case IFF_OCT_SUFFIX: return IPF_RADIX_SUFFIX;
    case IFF_HASH16: case IFF_HASH2: case IFF_HASH8: case IFF_HASH10: return IPF_RADIX_HASH;
    default: return IPF_RADIX_AUTO;
    }
}

std::string Digits(u64 v, unsigned radix)
{
    std::string s;
    do
    {
        s.insert(s.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[v % radix]);
        v /= radix;
    } while (v);
    return s;
}

} // namespace

TEST(IntFormat, AgreesWithSnprintf)
{
    std::mt19937_64 rng(11);
    char ours[INT_FORMAT_MAX_TEXT];
    char ref[80];
    for (int i = 0; i < 20000; ++i)
    {
        const u64 v = RandomValue(rng);
        const unsigned low = static_cast<unsigned>(v), high = static_cast<unsigned>(v >> 32);
        const int digits = static_cast<int>(rng() % 24);
        const unsigned width = IFF_DIGITS(digits);

        snprintf(ref, sizeof ref, "%0*" PRId64, digits + (static_cast<long long>(v) < 0 ? 1 : 0), static_cast<int64_t>(v));
        EXPECT_EQ(FormatInteger64(low, high, ours, IFF_SIGNED | width), static_cast<int>(strlen(ref)));
        EXPECT_STREQ(ours, ref);
        snprintf(ref, sizeof ref, "0x%0*" PRIX64, digits, v);
        FormatInteger64(low, high, ours, IFF_HEX | width);
        EXPECT_STREQ(ours, ref);
        snprintf(ref, sizeof ref, "%0*" PRIo64 "o", digits, v);
        FormatInteger64(low, high, ours, IFF_OCT_SUFFIX | width);
        EXPECT_STREQ(ours, ref);
        snprintf(ref, sizeof ref, "%0*" PRIu64, digits, v);
        FormatInteger64(low, high, ours, IFF_UNSIGNED | width);
        EXPECT_STREQ(ours, ref);
        snprintf(ref, sizeof ref, "%*" PRId64, digits, static_cast<int64_t>(v));
        FormatInteger64(low, high, ours, IFF_SIGNED | width | IFF_RIGHT_ALIGN);
        EXPECT_STREQ(ours, ref);

        snprintf(ref, sizeof ref, "%0*d", digits + (static_cast<int>(low) < 0 ? 1 : 0), static_cast<int>(low));
        FormatInteger(static_cast<int>(low), ours, IFF_SIGNED | width);
        EXPECT_STREQ(ours, ref);
        snprintf(ref, sizeof ref, "16#%0*X", digits, low);
        FormatInteger(static_cast<int>(low), ours, IFF_HASH16 | width);
        EXPECT_STREQ(ours, ref);
        snprintf(ref, sizeof ref, "%u", low);
        FormatInteger(static_cast<int>(low), ours, IFF_UNSIGNED);
        EXPECT_STREQ(ours, ref);
    }
}

TEST(IntFormat, RadixFormsAndLimits)
{
    char text[INT_FORMAT_MAX_TEXT];
    EXPECT_EQ(FormatInteger(255, text, 0x8810), 8);
    EXPECT_STREQ(text, "000000FF");
    FormatInteger(-1, text, 0x8010);
    EXPECT_STREQ(text, "FFFFFFFF");
    FormatInteger(5, text, 0x8002);
    EXPECT_STREQ(text, "101");
    FormatInteger(8, text, 0x8008);
    EXPECT_STREQ(text, "10");
    FormatInteger(10, text, 0x201);
    EXPECT_STREQ(text, "0x0A");
    FormatInteger(35, text, 0x8024);
    EXPECT_STREQ(text, "Z");
    FormatInteger(35, text, 0x8001);   // radix 1 is no radix: decimal
    EXPECT_STREQ(text, "35");
    // The editor's "value + 1 in as many digits": digits counted at both ends.
    FormatInteger(100, text, IFF_SIGNED | IFF_DIGITS(2) | IFF_DIGITS_MAX);
    EXPECT_STREQ(text, "00");
    FormatInteger(0x100, text, IFF_HEX | IFF_DIGITS(2) | IFF_DIGITS_MAX);
    EXPECT_STREQ(text, "0x00");
    FormatInteger(-7, text, IFF_BIN);
    EXPECT_STREQ(text, "0b11111111111111111111111111111001");
    // The longest text of all.
    EXPECT_EQ(FormatInteger64(0xFFFFFFFF, 0xFFFFFFFF, text, IFF_BIN), 66);
    EXPECT_EQ(FormatInteger64(1, 0, text, IFF_HASH16 | IFF_DIGITS(63)), 66);
    EXPECT_EQ(FormatInteger64(1, 0, text, IFF_SIGNED | IFF_DIGITS(63) | IFF_RIGHT_ALIGN), 63);
    EXPECT_EQ(FormatInteger(1, nullptr, 0), 0);
}

TEST(IntParse, FormatThenParseRoundTripsInEveryForm)
{
    std::mt19937_64 rng(12);
    std::vector<unsigned> forms = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15 };
    for (unsigned radix = 2; radix <= 36; ++radix)
        forms.push_back(IFF_RADIX | radix);
    char text[INT_FORMAT_MAX_TEXT + 4];
    for (int i = 0; i < 3000; ++i)
        for (unsigned form : forms)
        {
            const u64 v = RandomValue(rng);
            const unsigned flags = form | IFF_DIGITS(rng() % 3 ? 0 : rng() % 40);
            const unsigned mode = ParseModeFor(flags);
            int consumed = -1;

            const int n64 = FormatInteger64(static_cast<unsigned>(v), static_cast<unsigned>(v >> 32), text, flags);
            EXPECT_EQ(static_cast<u64>(ParseInteger64(text, mode, &consumed)), v) << text << " form " << form;
            EXPECT_EQ(consumed, n64) << text;

            const unsigned v32 = static_cast<unsigned>(v);
            const int n32 = FormatInteger(static_cast<int>(v32), text, flags);
            EXPECT_EQ(static_cast<unsigned>(ParseInteger(text, mode, &consumed)), v32) << text << " form " << form;
            EXPECT_EQ(consumed, n32) << text;

            // The assembler mode reads the prefix, hash and suffix forms alike.
            if (!(form & IFF_RADIX) && form != 0 && form != 15)
            {
                FormatInteger64(static_cast<unsigned>(v), static_cast<unsigned>(v >> 32), text, flags);
                EXPECT_EQ(static_cast<u64>(ParseInteger64(text, IPF_RADIX_ASM, &consumed)), v) << text;
                EXPECT_EQ(consumed, static_cast<int>(strlen(text))) << text;
            }
        }
}

TEST(IntParse, AgreesWithStrtoullAndStrtoul)
{
    // C style (mode 255) is what strtoull reads with base 0; for a plain radix the texts
    // carry no "0x" that strtoull's base 16 would also take.
    std::mt19937_64 rng(13);
    for (int i = 0; i < 30000; ++i)
    {
        std::string text;
        for (int k = static_cast<int>(rng() % 3); k > 0; --k)
            text += (rng() % 2) ? ' ' : '\t';
        const int sign = static_cast<int>(rng() % 4);
        if (sign == 1)
            text += '-';
        else if (sign == 2)
            text += '+';
        const int shape = static_cast<int>(rng() % 6);
        unsigned base;
        if (shape == 0)
        {
            base = 0;
            text += (rng() % 2) ? "0x" : "0X";
        }
        else if (shape == 1)
        {
            base = 0;
            text += '0';   // octal
        }
        else if (shape == 2)
            base = 0;
        else
            base = shape == 3 ? 10 : shape == 4 ? 16 : static_cast<unsigned>(2 + rng() % 35);
        const int length = static_cast<int>(rng() % 26);   // sometimes past 64 bits
        for (int k = 0; k < length; ++k)
            text += "0123456789abcdefABCDEFxyz"[rng() % (shape == 2 ? 10 : 25)];
        text += " -+x"[rng() % 4];

        // An "0x" at the start of a plain base-16 text would be a prefix to strtoull.
        if (base == 16 && text.find_first_not_of(" \t+-") != std::string::npos)
        {
            const size_t at = text.find_first_not_of(" \t+-");
            if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0)
                continue;
        }
        const unsigned mode = base == 0 ? IPF_RADIX_C_NOBIN : base == 10 ? IPF_RADIX_AUTO : base;
        if (mode == IPF_RADIX_AUTO && text.find_first_not_of(" \t+-") != std::string::npos)
        {
            // Automatic radix reads 0x, 0d, 0o, 0b after a 0; strtoull base 10 does not.
            const size_t at = text.find_first_not_of(" \t+-");
            if (text[at] == '0' && strchr("xXdDoObB", text[at + 1]))
                continue;
        }
        // msvcrt's strtoull takes nothing of "0x" without a hex digit, where C takes the "0"
        // (and so do we): leave that case to the explicit tests.
        if (base == 0)
        {
            const size_t at = text.find_first_not_of(" \t+-");
            if (at != std::string::npos && text[at] == '0' && (text[at + 1] | 0x20) == 'x' &&
                !isxdigit(static_cast<unsigned char>(text[at + 2])))
                continue;
        }
        // strtoull allows no blanks between the sign and the digits.
        const unsigned flags = mode | IPF_SIGN_ADJACENT;

        // The magnitude, read without the sign, decides which reference applies below.
        std::string unsignedText = text;
        bool negative = false;
        for (char& c : unsignedText)
            if (c == '-' || c == '+')
            {
                negative = c == '-';
                c = ' ';
                break;
            }
        const unsigned long long magnitude = strtoull(unsignedText.c_str(), nullptr, base == 0 ? 0 : static_cast<int>(base));
        // Only a sign in front of the digits is one (the text may also end in "-").
        negative = negative && text[text.find_first_not_of(" \t")] == '-';

        // strtoull negates a magnitude above 2^63 modulo 2^64; the 64-bit parse takes such a
        // number below the smallest signed value as an overflow and gives all ones.
        char* end = nullptr;
        const unsigned long long strtoullValue = strtoull(text.c_str(), &end, base == 0 ? 0 : static_cast<int>(base));
        const unsigned long long ref64 = negative && magnitude > 0x8000000000000000ull ? ~0ull : strtoullValue;
        const int refConsumed = static_cast<int>(end - text.c_str());
        int consumed = -1;
        EXPECT_EQ(static_cast<unsigned long long>(ParseInteger64(text.c_str(), flags, &consumed)), ref64) << text;
        EXPECT_EQ(consumed, refConsumed) << text;

        // unsigned long is 32 bits on Windows. msvcrt's strtoul negates its overflow value
        // ULONG_MAX behind a minus sign (giving 1); C gives ULONG_MAX, and so do we.
        static_assert(sizeof(unsigned long) == 4, "32-bit long");
        const unsigned long ref32 = strtoul(text.c_str(), &end, base == 0 ? 0 : static_cast<int>(base));
        const unsigned expected32 = magnitude > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(ref32);
        EXPECT_EQ(static_cast<unsigned>(ParseInteger(text.c_str(), flags, &consumed)), expected32) << text;
        EXPECT_EQ(consumed, static_cast<int>(end - text.c_str())) << text;
    }
}

TEST(IntParse, CountIsZeroWithoutDigits)
{
    const char* none[] = { "", "   ", "-", " - x", "+", "x12", "\t-\t", "h", "#", "x" };
    for (const char* text : none)
    {
        int consumed = -1;
        EXPECT_EQ(ParseInteger(text, 0, &consumed), 0) << text;
        EXPECT_EQ(consumed, 0) << "'" << text << "'";
        EXPECT_EQ(ParseInteger64(text, IPF_RADIX_ASM, &consumed), 0) << text;
        EXPECT_EQ(consumed, 0) << "'" << text << "'";
    }
    int consumed = -1;
    EXPECT_EQ(ParseInteger(nullptr, 0, &consumed), 0);
    EXPECT_EQ(consumed, 0);
    EXPECT_EQ(ParseInteger("12", 0, nullptr), 12);
}

TEST(IntParse, FormsTheCallersUse)
{
    const struct { const char* text; unsigned flags; long long value; int consumed; } cases[] = {
        { "32-Bit", 0, 32, 2 },
        { "  -  12x", 0, -12, 7 },             // blanks between sign and digits are allowed
        { "  - 12", IPF_SIGN_ADJACENT, 0, 0 },
        { "\t+7", 0, 7, 3 },
        { "-5", IPF_NO_SIGN, 0, 0 },
        { " 5", 0xC000, 0, 0 },
        { "5 ", 0xC000, 5, 1 },
        { "12 \t\r\n,", 0x3000, 12, 6 },       // the calculator's colour arguments
        { "0x1F", 0, 31, 4 }, { "0X1f", 0, 31, 4 }, { "0d19", 0, 19, 4 }, { "0o17", 0, 15, 4 },
        { "0b101", 0, 5, 5 }, { "012", 0, 12, 3 }, { "0xg", 0, 0, 1 },
        { "0FFh", IPF_RADIX_SUFFIX, 255, 4 }, { "101b", IPF_RADIX_SUFFIX, 5, 4 },
        { "17o", IPF_RADIX_SUFFIX, 15, 3 }, { "19o", IPF_RADIX_SUFFIX, 19, 2 }, { "12AB", IPF_RADIX_SUFFIX, 12, 2 },
        { "0B1h", IPF_RADIX_ASM, 0xB1, 4 }, { "0b101", IPF_RADIX_ASM, 5, 5 }, { "16#ff", IPF_RADIX_ASM, 255, 5 },
        { "2#101", 251, 5, 5 }, { "8#17", IPF_RADIX_HASH, 15, 4 }, { "10#99", IPF_RADIX_HASH, 99, 5 },
        { "16#", IPF_RADIX_HASH, 16, 2 }, { "0x10", IPF_RADIX_HASH, 0, 1 },
        { "12 GB", IPF_RADIX_ASM, 12, 2 }, { "1KB", IPF_RADIX_ASM, 1, 1 },
        { "0b11", IPF_RADIX_C, 3, 4 }, { "0b11", IPF_RADIX_C_NOBIN, 0, 1 }, { "0777", IPF_RADIX_C, 511, 4 },
        { "08", IPF_RADIX_C, 0, 1 },
        { "zz", 36, 36 * 35 + 35, 2 }, { "zz", 40, 40 * 35 + 35, 2 },
        { "1_000_000", IPF_SEP_UNDERSCORE, 1000000, 9 }, { "1'000", IPF_SEP_APOSTROPHE, 1000, 5 },
        { "1_000'0", 0x0C00, 10000, 7 }, { "1__0", IPF_SEP_UNDERSCORE, 1, 1 }, { "1_", IPF_SEP_UNDERSCORE, 1, 1 },
        { "_1", IPF_SEP_UNDERSCORE, 0, 0 }, { "1_000", 0, 1, 1 },
    };
    for (const auto& c : cases)
    {
        int consumed = -1;
        EXPECT_EQ(ParseInteger64(c.text, c.flags, &consumed), c.value) << c.text << " flags " << c.flags;
        EXPECT_EQ(consumed, c.consumed) << c.text << " flags " << c.flags;
    }
}

// Radices above 36 read the same 36 digits; any other byte, the NUL too, ends the number in
// every radix up to 250. The texts end at a no-access page, so a read past the NUL faults.
TEST(IntParse, WideRadicesStopAtTheTextsEnd)
{
    GuardedBuffer fence;
    ASSERT_TRUE(fence.Ok());
    const struct { const char* text; unsigned radix; u64 value; int consumed; } cases[] = {
        { "zz", 100, 100 * 35 + 35, 2 }, { "10", 200, 200, 2 }, { "1z-", 250, 250 + 35, 2 },
        { "", 100, 0, 0 }, { "-", 200, 0, 0 }, { " 7", 250, 7, 2 }, { "9!", 250, 9, 1 },
    };
    for (const auto& c : cases)
    {
        const char* text = fence.TextAtEnd(c.text);
        int consumed = -1;
        EXPECT_EQ(static_cast<u64>(ParseInteger64(text, c.radix, &consumed)), c.value) << c.text << " radix " << c.radix;
        EXPECT_EQ(consumed, c.consumed) << c.text << " radix " << c.radix;
        EXPECT_EQ(static_cast<unsigned>(ParseInteger(text, c.radix, &consumed)), static_cast<unsigned>(c.value)) << c.text;
        EXPECT_EQ(consumed, c.consumed) << c.text << " radix " << c.radix;
    }
}

TEST(IntParse, OverflowSaturatesToAllOnes)
{
    int consumed = 0;
    EXPECT_EQ(ParseInteger("4294967295", 0, &consumed), -1);
    EXPECT_EQ(ParseInteger("4294967296", 0, &consumed), -1);
    EXPECT_EQ(consumed, 10);
    EXPECT_EQ(ParseInteger("-4294967295", 0, &consumed), 1);
    EXPECT_EQ(ParseInteger("-4294967296", 0, &consumed), -1);
    EXPECT_EQ(ParseInteger("-2147483648", 0, &consumed), INT_MIN);
    EXPECT_EQ(ParseInteger64("18446744073709551615", 0, &consumed), -1);
    EXPECT_EQ(ParseInteger64("99999999999999999999999", 0, &consumed), -1);
    EXPECT_EQ(consumed, 23);
    EXPECT_EQ(ParseInteger64("0x8000000000000000", 0, &consumed), LLONG_MIN);
    EXPECT_EQ(ParseInteger64("-9223372036854775808", 0, &consumed), LLONG_MIN);
    // A negative 64-bit number below the smallest signed value overflows instead of wrapping.
    const struct { const char* text; bool overflow; long long value; } negatives[] = {
        { "-0xFFFFFFFFFFFFFFFF", true, -1 }, { "-18446744073709551614", true, -1 },
        { "-9223372036854775809", true, -1 }, { "-0x8000000000000000", false, LLONG_MIN },
        { "-1", false, -1 }, { "-0x10000000000000000", true, -1 },
    };
    for (const auto& n : negatives)
    {
        bool overflow = !n.overflow;
        EXPECT_EQ(ParseInteger64Overflow(n.text, 0, &consumed, &overflow), n.value) << n.text;
        EXPECT_EQ(overflow, n.overflow) << n.text;
        EXPECT_EQ(consumed, static_cast<int>(strlen(n.text))) << n.text;
        EXPECT_EQ(ParseInteger64(n.text, 0, nullptr), n.value) << n.text;
    }
    // Binary: 65 ones is one too many.
    EXPECT_EQ(ParseInteger64(("0b1" + std::string(64, '0')).c_str(), 0, &consumed), -1);
    EXPECT_EQ(ParseInteger64(("0b" + std::string(64, '1')).c_str(), 0, &consumed), -1);
    EXPECT_EQ(ParseInteger64(("0b1" + std::string(63, '0')).c_str(), 0, &consumed), LLONG_MIN);
    EXPECT_EQ(Digits(static_cast<u64>(LLONG_MIN), 2), "1" + std::string(63, '0'));
}
