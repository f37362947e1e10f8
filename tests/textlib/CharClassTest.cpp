#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <random>
#include <string>
#include "textlib/CharClass.h"
#include "tests/support/GuardedBuffer.h"

namespace {

// The class bits of a byte rebuilt from the C library's <ctype> predicates (C locale,
// ASCII range) and plain character lists, independent of the table's own construction.
unsigned ExpectedFlags(unsigned c)
{
    if (c == 0)
        return 0x80000000u;
    unsigned f = 0;
    if (c >= 0x80)
    {
        if ((c >= 0x80 && c <= 0xBF) || c == 0xDE || c == 0xFE || c == 0xFF)
            f |= 1u << 4;
        if (c >= 0xC0 && c <= 0xDD)
            f |= 1u << 28;
        if (c >= 0xDF && c <= 0xFD)
            f |= 1u << 29;
        return f;
    }
    if (isdigit(c))
        f |= 1u << 0;
    if (isupper(c))
        f |= 1u << 1;
    if (islower(c))
        f |= 1u << 2;
    if (isxdigit(c) && isalpha(c))
        f |= 1u << 18;
    if (c == '0' || c == '1')
        f |= 1u << 16;
    if (isdigit(c) && c < '8')
        f |= 1u << 17;
    if (c == '\t')
        f |= 1u << 5;
    if (c == '\r' || c == '\n')
        f |= 1u << 6;
    if (c == ' ')
        f |= 1u << 7;
    // Bits 8..15 and 19..27 and 3 name one punctuation character each.
    static const char named[] = "\".'$,;@&";            // bits 8..15
    static const char named2[] = "#\\/:*?-+%";           // bits 19..27
    if (const char* p = c ? strchr(named, static_cast<int>(c)) : nullptr)
        f |= 1u << (8 + (p - named));
    if (const char* p = c ? strchr(named2, static_cast<int>(c)) : nullptr)
        f |= 1u << (19 + (p - named2));
    if (c == '_')
        f |= 1u << 3;
    const bool namedPunct = c == '_' || strchr(named, static_cast<int>(c)) || strchr(named2, static_cast<int>(c));
    if ((iscntrl(c) && c != '\t' && c != '\r' && c != '\n') || (ispunct(c) && !namedPunct))
        f |= 1u << 30;
    return f;
}

// A byte set for strspn/strcspn holding the bytes 1..255 that meet the mask.
std::string SetOf(unsigned mask)
{
    std::string set;
    for (unsigned c = 1; c < 256; ++c)
        if (ExpectedFlags(c) & mask)
            set += static_cast<char>(c);
    return set;
}

std::string RandomText(std::mt19937& rng, size_t maxLength, bool withNul)
{
    std::string s(rng() % (maxLength + 1), ' ');
    for (char& ch : s)
    {
        ch = static_cast<char>(rng() % 256);
        if (!withNul && ch == 0)
            ch = 'x';
    }
    return s;
}

unsigned RandomMask(std::mt19937& rng)
{
    static const unsigned common[] = { 0xA0, 0xE0, 0x40, 0x1, 0x70001, 0x40007, 0x3000000F,
                                       0x3000001F, 0x80000001, 0x800000A0 };
    return (rng() % 3) ? common[rng() % 10] : static_cast<unsigned>(rng());
}

} // namespace

TEST(CharClassTable, EveryByteMatchesCtypeAndItsLists)
{
    for (unsigned c = 0; c < 256; ++c)
    {
        EXPECT_EQ(CharClassTable[c], ExpectedFlags(c)) << "byte " << c;
        EXPECT_NE(CharClassTable[c], 0u) << "byte " << c << " has no class";
        EXPECT_EQ(IsCharClass(static_cast<unsigned char>(c), 0xFFFFFFFFu), CharClassTable[c]);
    }
}

TEST(CharClassTable, CallerMasks)
{
    for (unsigned c = 0; c < 256; ++c)
    {
        const unsigned char b = static_cast<unsigned char>(c);
        const bool alnum = c < 128 && isalnum(c);
        // The module compiler's words: letters, digits, "_" and every byte from 0x80 up.
        EXPECT_EQ(IsCharClass(b, CCM_MODULEWORD) != 0, alnum || c == '_' || c >= 0x80) << c;
        // The editor's words: accented letters only, not 0x80..0xBF, 0xDE, 0xFE, 0xFF.
        const bool accented = c >= 0xC0 && c <= 0xFD && c != 0xDE;
        EXPECT_EQ(IsCharClass(b, CCM_WORD) != 0, alnum || c == '_' || accented) << c;
        EXPECT_EQ(IsCharClass(b, CCM_HEXDIGITS) != 0, c < 128 && isxdigit(c) != 0) << c;
        EXPECT_EQ(IsCharClass(b, CCM_ALNUM) != 0, alnum) << c;
        EXPECT_EQ(IsCharClass(b, CCM_BLANKS) != 0, c == ' ' || c == '\t') << c;
        EXPECT_EQ(IsCharClass(b, CCM_WHITESPACE) != 0, c == ' ' || c == '\t' || c == '\r' || c == '\n') << c;
    }
    EXPECT_EQ(static_cast<unsigned>(CCM_MODULEWORD), 0x3000001Fu);
    EXPECT_EQ(static_cast<unsigned>(CCM_WORD), 0x3000000Fu);
}

TEST(CharClassScan, UnboundedFormsAgreeWithStrspnAndStrcspn)
{
    std::mt19937 rng(1);
    for (int i = 0; i < 4000; ++i)
    {
        const std::string text = RandomText(rng, 40, false);
        const unsigned mask = RandomMask(rng);
        const std::string set = SetOf(mask);
        EXPECT_EQ(SkipCharClass(text.c_str(), mask), static_cast<int>(strspn(text.c_str(), set.c_str())));
        // Up to a class: the NUL ends the run in the unbounded form whatever the mask says.
        EXPECT_EQ(SkipToCharClass(text.c_str(), mask), static_cast<int>(strcspn(text.c_str(), set.c_str())));
    }
    EXPECT_EQ(SkipToCharClass("first line\r\nsecond", CCM_LINEEND), 10);
    EXPECT_EQ(SkipCharClass(" \t x", CCM_BLANKS), 3);
    EXPECT_EQ(SkipCharClass(nullptr, 1), 0);
    EXPECT_EQ(SkipToCharClass(nullptr, 1), 0);
}

TEST(CharClassScan, BoundedFormsHonourLengthAndBit31)
{
    std::mt19937 rng(2);
    for (int i = 0; i < 4000; ++i)
    {
        const std::string text = RandomText(rng, 40, true);
        const unsigned mask = RandomMask(rng);
        const int length = static_cast<int>(rng() % (text.size() + 1));
        int skip = 0;
        while (skip < length && (ExpectedFlags(static_cast<unsigned char>(text[skip])) & mask))
            ++skip;
        int to = 0;
        while (to < length)
        {
            const unsigned char c = static_cast<unsigned char>(text[to]);
            const bool inMask = (ExpectedFlags(c) & mask) != 0;
            // The NUL stops unless the mask names the NUL class, which then lets it pass.
            if (c == 0 ? !(mask & 0x80000000u) : inMask)
                break;
            ++to;
        }
        EXPECT_EQ(SkipCharClassN(text.data(), mask, length), skip);
        EXPECT_EQ(SkipToCharClassN(text.data(), mask, length), to);
    }
    const char binary[] = { 'a', 0, 'b', ':', 'c' };
    EXPECT_EQ(SkipToCharClassN(binary, CC_COLON, 5), 1);
    EXPECT_EQ(SkipToCharClassN(binary, CC_COLON | CC_NUL, 5), 3);
    EXPECT_EQ(SkipCharClassN(binary, CC_LOWER | CC_NUL, 5), 3);
    EXPECT_EQ(SkipCharClassN("abc", CC_LOWER, 0), 0);
    EXPECT_EQ(SkipCharClassN("abc", CC_LOWER, -5), 0);
    EXPECT_EQ(SkipToCharClassN(nullptr, 1, 10), 0);
}

TEST(CharClassScan, WideFormTreatsUnitsAbove255ByBit30)
{
    std::mt19937 rng(3);
    for (int i = 0; i < 4000; ++i)
    {
        std::wstring text(rng() % 30, L' ');
        for (wchar_t& w : text)
            w = static_cast<wchar_t>((rng() % 2) ? rng() % 256 : rng() % 65536);
        const unsigned mask = RandomMask(rng) | ((rng() % 2) ? 0x40000000u : 0);
        const int length = static_cast<int>(rng() % (text.size() + 1));
        int to = 0;
        while (to < length)
        {
            const unsigned u = static_cast<unsigned short>(text[to]);
            const bool member = u > 255 ? (mask & 0x40000000u) != 0
                              : u == 0 ? (mask & 0x80000000u) == 0
                                       : (ExpectedFlags(u) & mask) != 0;
            if (member)
                break;
            ++to;
        }
        EXPECT_EQ(SkipToCharClassNW(text.data(), mask, length), to);
    }
    EXPECT_EQ(SkipToCharClassNW(L"ab\x20AC:", CC_COLON, 4), 3);
    EXPECT_EQ(SkipToCharClassNW(L"ab\x20AC:", CC_COLON | CCM_WIDE, 4), 2);
}

TEST(CharClassScan, TokensOfThePatternMatcher)
{
    const unsigned whileIn = 0x57000000u;
    // "\#1F#": the hexadecimal mask digits run up to the closing mark, which is counted.
    EXPECT_EQ(ScanTokenN(CCM_HEXDIGITS, "1F#rest", whileIn | '#', 7), 3);
    EXPECT_EQ(ScanTokenN(CCM_HEXDIGITS, "1F$rest", whileIn | '#', 7), 2);
    EXPECT_EQ(ScanTokenN(CCM_HEXDIGITS, "1F#rest", whileIn | '#', 2), 2);
    EXPECT_EQ(ScanTokenN(CCM_HEXDIGITS, "abc", whileIn, 10), 3);
    // Other mode: up to a byte of the mask or the NUL.
    EXPECT_EQ(ScanTokenN(CCM_DIGITS, "abc1", '&', 10), 3);
    EXPECT_EQ(ScanTokenN(CCM_DIGITS, "ab&c1", '&', 10), 3);
    EXPECT_EQ(ScanTokenN(CCM_DIGITS, "abc", '&', 10), 3);
    EXPECT_EQ(ScanTokenN(CCM_DIGITS, nullptr, '&', 10), 0);

    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    const char* text = page.TextAtEnd("abcdef");
    EXPECT_EQ(ScanTokenN(CCM_DIGITS, text, 0, 1000), 6);
    EXPECT_EQ(ScanTokenN(CC_LOWER, text, whileIn, 1000), 6);
    EXPECT_EQ(SkipCharClass(text, 0xFFFFFFFFu), 6);
    EXPECT_EQ(SkipToCharClass(text, CC_NUL), 6);
}
