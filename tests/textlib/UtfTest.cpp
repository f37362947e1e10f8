#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "textlib/Utf.h"
#include "tests/support/GuardedBuffer.h"

namespace {

bool IsScalar(unsigned cp)
{
    return cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

// The system's own converter as the independent reference.
std::string SystemUtf8(const std::wstring& wide)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}

} // namespace

TEST(Utf, EveryScalarEncodesAsTheSystemDoesAndDecodesBack)
{
    // Walk all code points in blocks; each block is compared with WideCharToMultiByte.
    for (unsigned start = 0; start <= 0x10FFFF; start += 0x8000)
    {
        std::wstring wide;
        std::string ours;
        for (unsigned cp = start; cp < start + 0x8000 && cp <= 0x10FFFF; ++cp)
        {
            if (!IsScalar(cp))
                continue;
            wchar_t units[2];
            const int nu = EncodeUtf16Char(units, cp);
            ASSERT_EQ(nu, cp > 0xFFFF ? 2 : 1);
            wide.append(units, nu);
            unsigned back = 0;
            ASSERT_EQ(DecodeUtf16Char(units, &back), nu);
            ASSERT_EQ(back, cp);

            char bytes[4];
            const int n = EncodeUtf8Char(bytes, cp);
            ASSERT_EQ(n, Utf8CharLength(cp)) << cp;
            ASSERT_EQ(n, cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4);
            ours.append(bytes, n);
            std::string terminated(bytes, n);
            ASSERT_EQ(DecodeUtf8Char(terminated.c_str(), &back), cp ? n : 1) << cp;
            ASSERT_EQ(back, cp);
        }
        ASSERT_EQ(ours, SystemUtf8(wide)) << "block " << start;
    }
}

TEST(Utf, NonScalarsEncodeAsReplacement)
{
    char bytes[4];
    for (unsigned cp : { 0xD800u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu })
    {
        EXPECT_EQ(EncodeUtf8Char(bytes, cp), 3);
        EXPECT_EQ(std::string(bytes, 3), "\xEF\xBF\xBD");
        EXPECT_EQ(Utf8CharLength(cp), 3);
    }
    wchar_t units[2];
    EXPECT_EQ(EncodeUtf16Char(units, 0x110000), 1);
    EXPECT_EQ(units[0], 0xFFFD);
    EXPECT_EQ(EncodeUtf16Char(units, 0xDC00), 1);   // a lone surrogate stays itself
    EXPECT_EQ(units[0], 0xDC00);
    EXPECT_EQ(EncodeUtf8Char(nullptr, 'a'), 0);
}

TEST(Utf, MalformedSequencesGiveTheFirstByte)
{
    const char* bad[] = {
        "\x80", "\xBF", "\xC0\x80", "\xC1\xBF",        // continuation bytes, overlong 2-byte
        "\xE0\x80\x80", "\xE0\x9F\xBF",                  // overlong 3-byte
        "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF",          // overlong 4-byte
        "\xED\xA0\x80", "\xED\xBF\xBF",                  // surrogates
        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF",  // beyond U+10FFFF
        "\xC3", "\xE2\x82", "\xF0\x9F\x98",              // cut off by the NUL
        "\xC3\x41", "\xE2\x28\xA1", "\xF0\x9F\x41\x41",  // interrupted
    };
    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    for (const char* text : bad)
    {
        // At the end of readable memory: one byte too far is an access violation.
        const char* placed = page.TextAtEnd(text);
        unsigned cp = 0;
        EXPECT_EQ(DecodeUtf8Char(placed, &cp), 1) << std::hex << (unsigned char)text[0];
        EXPECT_EQ(cp, static_cast<unsigned char>(text[0]));
    }
    // Every two-byte combination against the system's strict decoder.
    for (unsigned a = 0x80; a < 0x100; ++a)
        for (unsigned b = 0; b < 0x100; ++b)
        {
            const char text[3] = { static_cast<char>(a), static_cast<char>(b), 0 };
            unsigned cp = 0;
            const int n = DecodeUtf8Char(text, &cp);
            wchar_t w[4];
            const int system = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, 2, w, 4);
            if (n == 2)
            {
                ASSERT_EQ(system, 1) << a << " " << b;
                EXPECT_EQ(cp, static_cast<unsigned>(w[0]));
            }
            else
            {
                EXPECT_EQ(n, 1);
                EXPECT_EQ(cp, a);
            }
        }
    unsigned cp = 7;
    EXPECT_EQ(DecodeUtf8Char(nullptr, &cp), 0);
    EXPECT_EQ(cp, 0u);
    EXPECT_EQ(DecodeUtf8CharBounded("\xE2\x82\xAC", 2, &cp), 1);
    EXPECT_EQ(cp, 0xE2u);
}

TEST(Utf, Utf16Decoding)
{
    const wchar_t pair[] = { 0xD83D, 0xDE00, 0 };
    unsigned cp = 0;
    EXPECT_EQ(DecodeUtf16Char(pair, &cp), 2);
    EXPECT_EQ(cp, 0x1F600u);
    EXPECT_EQ(DecodeUtf16CharBounded(pair, 1, &cp), 1);   // the pair's second half is outside
    EXPECT_EQ(cp, 0xD83Du);
    const wchar_t lone[] = { 0xD83D, 0x41, 0 };
    EXPECT_EQ(DecodeUtf16Char(lone, &cp), 1);
    EXPECT_EQ(cp, 0xD83Du);
    const wchar_t low[] = { 0xDE00, 0 };
    EXPECT_EQ(DecodeUtf16Char(low, &cp), 1);
    EXPECT_EQ(cp, 0xDE00u);
    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    const wchar_t highThenEnd[] = { 0xD83D, 0 };
    EXPECT_EQ(DecodeUtf16Char(page.WideAtEnd(highThenEnd, 2), &cp), 1);
    EXPECT_EQ(DecodeUtf16CharBounded(page.WideAtEnd(highThenEnd, 1), 1, &cp), 1);
}

TEST(Utf, ConversionsAgreeWithTheSystemAndStayInBounds)
{
    std::mt19937 rng(31);
    for (int i = 0; i < 2000; ++i)
    {
        std::wstring wide;
        for (int k = static_cast<int>(rng() % 12); k > 0; --k)
        {
            unsigned cp;
            do
                cp = (rng() % 2) ? 1 + rng() % 0x7FF : 1 + rng() % 0x10FFFF;
            while (!IsScalar(cp));
            wchar_t units[2];
            wide.append(units, EncodeUtf16Char(units, cp));
        }
        const std::string utf8 = SystemUtf8(wide);
        for (int size = 0; size <= static_cast<int>(wide.size()) + 1; ++size)
        {
            wchar_t out[40];
            wmemset(out, 0x5555, 40);
            const int n = Utf8ToWideN(out, utf8.c_str(), size, -1);
            for (int k = size; k < 40; ++k)
                ASSERT_EQ(out[k], 0x5555);
            if (size < 1)
            {
                EXPECT_EQ(n, 0);
                continue;
            }
            EXPECT_LE(n, size - 1);
            EXPECT_EQ(out[n], 0);
            // A prefix of whole characters: never half a surrogate pair.
            EXPECT_EQ(std::wstring(out, n), wide.substr(0, n));
            if (n > 0)
            {
                EXPECT_FALSE(out[n - 1] >= 0xD800 && out[n - 1] <= 0xDBFF);
            }
            if (size > static_cast<int>(wide.size()))
            {
                EXPECT_EQ(n, static_cast<int>(wide.size()));
            }
        }
        // Latin-1 views of the same text.
        std::string latin;
        for (size_t k = 0; k < wide.size(); ++k)
            latin += static_cast<char>(static_cast<unsigned>(wide[k]) > 255 ? 0xFF : wide[k]);
        char out8[40];
        EXPECT_EQ(WideToLatin1N(out8, wide.c_str(), sizeof out8, -1), static_cast<int>(latin.size()));
        EXPECT_EQ(std::string(out8), latin);
        std::string perCodePoint;
        for (size_t k = 0; k < wide.size(); ++k)
        {
            unsigned cp;
            k += DecodeUtf16Char(wide.c_str() + k, &cp) - 1;
            perCodePoint += static_cast<char>(cp > 255 ? 0xFF : cp);
        }
        EXPECT_EQ(Utf8ToLatin1(out8, utf8.c_str(), sizeof out8), static_cast<int>(perCodePoint.size()));
        EXPECT_EQ(std::string(out8), perCodePoint);
    }
}

TEST(Utf, ConversionEdges)
{
    wchar_t wide[8];
    // The length cuts a sequence: the cut lead byte stands for itself.
    EXPECT_EQ(Utf8ToWideN(wide, "a\xC3\xA4", 8, 2), 2);
    EXPECT_EQ(wide[1], 0xC3);
    EXPECT_EQ(Utf8ToWideN(wide, "ab\0cd", 8, 5), 2);   // the NUL ends the text
    EXPECT_EQ(Utf8ToWideN(wide, nullptr, 8, -1), 0);
    EXPECT_EQ(wide[0], 0);
    char narrow[4];
    EXPECT_EQ(WideToLatin1N(narrow, L"abcdef", 4, -1), 3);
    EXPECT_STREQ(narrow, "abc");
    EXPECT_EQ(WideToLatin1N(narrow, L"abcdef", 4, 2), 2);
    EXPECT_STREQ(narrow, "ab");
    EXPECT_EQ(Utf8ToLatin1(narrow, "\xE2\x82\xAC\xC3\xA4\x80", 4), 3);
    EXPECT_STREQ(narrow, "\xFF\xE4\x80");
    EXPECT_EQ(Utf8ToLatin1(narrow, "abc", 0), 0);

    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    EXPECT_EQ(Utf8ToWideN(wide, page.TextAtEnd("x\xF0\x9F\x98"), 8, -1), 4);
    EXPECT_EQ(Utf8ToLatin1(narrow, page.TextAtEnd("\xE2\x82"), 4), 2);
}
