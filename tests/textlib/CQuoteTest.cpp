#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <string>
#include "textlib/CQuote.h"
#include "tests/support/GuardedBuffer.h"

namespace {

// Reads a quoted text back with the literal reader; the whole text must be taken.
std::string Unquote(const char* literal, unsigned mode)
{
    char out[1024];
    int consumed = -1;
    const int n = ParseCStringLiteral(out, sizeof out | mode, literal, &consumed);
    EXPECT_EQ(consumed, static_cast<int>(strlen(literal))) << literal;
    return std::string(out, n);
}

std::string Quote(const std::string& bytes, unsigned flags, int size = 1024)
{
    std::string out(size, '\x55');
    const int n = QuoteCString(&out[0], size, bytes.data(), static_cast<int>(bytes.size()), flags);
    EXPECT_EQ(n, static_cast<int>(strlen(out.c_str())));
    return out.substr(0, n);
}

const unsigned kFlagSets[] = { 0, CQF_HEX_BYTES, CQF_ALL_HEX, CQF_MINIMAL, CQF_MINIMAL | CQF_HEX_BYTES,
                               CQF_NO_QUOTES | CQF_HEX_BYTES, CQF_NO_QUOTES, CQF_ALL_HEX | CQF_HEX_BYTES };

unsigned ReadMode(unsigned quoteFlags)
{
    return (quoteFlags & CQF_NO_QUOTES) ? static_cast<unsigned>(CLM_NO_OPENING_QUOTE) : 0u;
}

} // namespace

TEST(CQuote, EveryByteRoundTripsInEveryFlagSet)
{
    // Each byte alone and before each kind of follower that could extend an escape.
    const char* followers[] = { "", "0", "7", "8", "9", "F", "f", "g", "\"", "\\", "\x01" };
    for (unsigned flags : kFlagSets)
        for (int b = 0; b < 256; ++b)
            for (const char* follower : followers)
            {
                std::string bytes(1, static_cast<char>(b));
                bytes += follower;
                const std::string literal = Quote(bytes, flags);
                EXPECT_EQ(Unquote(literal.c_str(), ReadMode(flags)), bytes)
                    << "byte " << b << " flags " << std::hex << flags << " literal " << literal;
                // Nothing but printable ASCII and, without CQF_HEX_BYTES, the high bytes.
                for (unsigned char c : literal)
                {
                    EXPECT_TRUE((c >= 32 && c < 127) || (c >= 128 && !(flags & CQF_HEX_BYTES))) << literal;
                }
            }
}

TEST(CQuote, RandomTextsRoundTrip)
{
    std::mt19937 rng(21);
    for (int i = 0; i < 3000; ++i)
    {
        std::string bytes(rng() % 40, ' ');
        for (char& c : bytes)
            c = static_cast<char>((rng() % 3) ? "0123456789abcdefABCDEF\\\"\n"[rng() % 25] : rng() % 256);
        const unsigned flags = kFlagSets[rng() % 8];
        EXPECT_EQ(Unquote(Quote(bytes, flags).c_str(), ReadMode(flags)), bytes);
    }
}

TEST(CQuote, EscapeForms)
{
    EXPECT_EQ(Quote(std::string("a\tb\"c\\d\n", 8), 0), "\"a\\tb\\\"c\\\\d\\n\"");
    EXPECT_EQ(Quote(std::string("\0", 1), 0), "\"\\0\"");
    EXPECT_EQ(Quote(std::string("\0" "1", 2), 0), "\"\\0001\"");     // a digit follows: all three
    EXPECT_EQ(Quote(std::string("\x1B" "9", 2), 0), "\"\\339\"");    // 8 and 9 are no octal digits
    EXPECT_EQ(Quote("\x7F", 0), "\"\\177\"");
    EXPECT_EQ(Quote("\x01" "A", CQF_HEX_BYTES), "\"\\x01\"\"A\"");
    EXPECT_EQ(Quote("\x01" "G", CQF_HEX_BYTES), "\"\\x01G\"");
    EXPECT_EQ(Quote("\xE4", 0), "\"\xE4\"");
    EXPECT_EQ(Quote("\xE4", CQF_NO_QUOTES | CQF_HEX_BYTES), "\\xE4");
    EXPECT_EQ(Quote("\n", CQF_ALL_HEX), "\"\\x0A\"");
    EXPECT_EQ(Quote("\t\r\n\\\"", CQF_MINIMAL), "\"\\11\\r\\n\\\\\\\"\"");
    // Negative length: up to the NUL.
    char buffer[16];
    EXPECT_EQ(QuoteCString(buffer, sizeof buffer, "ab", -1, 0), 4);
    EXPECT_STREQ(buffer, "\"ab\"");
    EXPECT_EQ(QuoteCString(buffer, sizeof buffer, nullptr, 5, 0), 2);
    EXPECT_STREQ(buffer, "\"\"");
}

TEST(CQuote, CutToFitKeepsAWellFormedLiteral)
{
    const std::string bytes = std::string("ab\x01" "C\n\\\"", 7) + std::string(1, '\0') + "z";
    for (unsigned flags : kFlagSets)
    {
        const std::string full = Quote(bytes, flags);
        for (int size = 0; size <= static_cast<int>(full.size()) + 2; ++size)
        {
            char buffer[64];
            memset(buffer, 0x55, sizeof buffer);
            const int n = QuoteCString(buffer, size, bytes.data(), static_cast<int>(bytes.size()), flags);
            for (int i = std::max(size, 0); i < 64; ++i)
                ASSERT_EQ(buffer[i], 0x55) << "written beyond size " << size;
            if (size < 1)
            {
                EXPECT_EQ(n, 0);
                continue;
            }
            EXPECT_LE(n, size - 1);
            EXPECT_EQ(n, static_cast<int>(strlen(buffer)));
            // Whatever fits reads back as a prefix of the bytes.
            const std::string back = Unquote(buffer, ReadMode(flags));
            EXPECT_EQ(back, bytes.substr(0, back.size())) << buffer;
            if (size > static_cast<int>(full.size()))
            {
                EXPECT_EQ(std::string(buffer), full);
            }
        }
    }
}

TEST(CQuote, WideAndUtf8Texts)
{
    char buffer[128];
    const wchar_t wide[] = L"A\x20AC\xE4\n\xD83D\xDE00";
    EXPECT_GT(QuoteCString(buffer, sizeof buffer, wide, 6, CQF_UTF16), 0);
    EXPECT_STREQ(buffer, "\"A\\u20AC\xE4\\n\\U0001F600\"");
    const char utf8[] = "A\xE2\x82\xAC\xC3\xA4\xFF";   // A, euro, a-umlaut, a stray byte
    QuoteCString(buffer, sizeof buffer, utf8, -1, CQF_UTF8);
    EXPECT_STREQ(buffer, "\"A\\u20AC\xE4\xFF\"");

    // Characters up to 255 round-trip through the 16-bit and UTF-8 reading modes.
    std::wstring all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<wchar_t>(c);
    char literal[2048];
    QuoteCString(literal, sizeof literal, all.c_str(), static_cast<int>(all.size()), CQF_UTF16);
    wchar_t units[600];
    int consumed = 0;
    const int bytes = ParseCStringLiteral(units, sizeof units | CLM_UTF16, literal, &consumed);
    EXPECT_EQ(bytes, 2 * 255);
    EXPECT_EQ(std::wstring(units, bytes / 2), all);
    EXPECT_EQ(units[bytes / 2], 0);

    const char latinInUtf8[] = "\xC3\xA4\xC3\x9F x";
    QuoteCString(literal, sizeof literal, latinInUtf8, -1, CQF_UTF8);
    char back[32];
    ParseCStringLiteral(back, sizeof back | CLM_UTF8, literal, &consumed);
    EXPECT_STREQ(back, latinInUtf8);
}

TEST(CQuote, CharLiteralsForAllBytes)
{
    for (int c = 0; c < 256; ++c)
    {
        char quoted[8], bare[8];
        const int nq = QuoteCChar(c, quoted, 0);
        const int nb = QuoteCChar(c, bare, 1);
        ASSERT_EQ(nq, static_cast<int>(strlen(quoted)));
        ASSERT_EQ(nb, static_cast<int>(strlen(bare)));
        EXPECT_LE(nq, 6);
        EXPECT_EQ(quoted[0], '\'');
        EXPECT_EQ(quoted[nq - 1], '\'');
        const bool unnamedControl = c < 32 && !memchr("\t\r\n\a\b\f\v", c, 7);
        if (!unnamedControl)
        {
            EXPECT_EQ(std::string(quoted + 1, nq - 2), bare) << c;
        }
        // The quoted form decodes back too.
        EXPECT_EQ(DecodeCEscape(quoted + 1, nullptr) & 0xFF, c) << quoted;
        // Both forms decode back to the byte.
        int used = 0;
        EXPECT_EQ(DecodeCEscape(bare, &used) & 0xFF, c) << bare;
        EXPECT_EQ(used, nb) << bare;
        if (unnamedControl)
        {
            EXPECT_EQ(nq, 6) << quoted;   // '\xHH'
            EXPECT_EQ(nb, 5) << bare;     // \x0HH
        }
    }
    char text[8];
    QuoteCChar('\t', text, 0);
    EXPECT_STREQ(text, "'\\t'");
    QuoteCChar('"', text, 0);
    EXPECT_STREQ(text, "'\\\"'");
    QuoteCChar(0x1F, text, 0);
    EXPECT_STREQ(text, "'\\x1F'");
    QuoteCChar(0x1F, text, 1);
    EXPECT_STREQ(text, "\\x01F");
    QuoteCChar(0x141, text, 0);   // the low 8 bits
    EXPECT_STREQ(text, "'A'");
    EXPECT_EQ(QuoteCChar('A', nullptr, 0), 0);
}

TEST(CQuote, DecodeEscapeAgreesWithTheCompiler)
{
    const struct { const char* text; int value; int used; } cases[] = {
        { "\\a", '\a', 2 }, { "\\b", '\b', 2 }, { "\\f", '\f', 2 }, { "\\n", '\n', 2 },
        { "\\r", '\r', 2 }, { "\\t", '\t', 2 }, { "\\v", '\v', 2 }, { "\\\\", '\\', 2 },
        { "\\'", '\'', 2 }, { "\\\"", '"', 2 }, { "\\?", '?', 2 },
        { "\\x41", '\x41', 4 }, { "\\X7e", 0x7E, 4 }, { "\\x4142", 0x414, 5 }, { "\\xg", 0, 2 },
        { "\\101", '\101', 4 }, { "\\0", '\0', 2 }, { "\\18", 1, 2 }, { "\\777", 0777, 4 }, { "\\1234", 0123, 4 },
        { "\\q", '\\', 1 }, { "\\", '\\', 1 }, { "a", 'a', 1 }, { "\xE4", 0xE4, 1 }, { "", 0, 0 },
    };
    for (const auto& c : cases)
    {
        int used = -1;
        EXPECT_EQ(DecodeCEscape(c.text, &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
    int used = -1;
    EXPECT_EQ(DecodeCEscape(nullptr, &used), 0);
    EXPECT_EQ(used, 0);

    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    EXPECT_EQ(DecodeCEscape(page.TextAtEnd("\\x1"), &used), 1);
    EXPECT_EQ(DecodeCEscape(page.TextAtEnd("\\7"), &used), 7);
    EXPECT_EQ(DecodeCEscape(page.TextAtEnd("\\"), &used), '\\');
}

TEST(CQuote, LiteralReaderModesAndLimits)
{
    char out[16];
    int consumed = -1;
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, "\"ab\\tc\" rest", &consumed), 4);
    EXPECT_EQ(consumed, 7);
    EXPECT_STREQ(out, "ab\tc");
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, "ab\"", &consumed), 0);   // no opening quote
    EXPECT_EQ(consumed, 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out | CLM_NO_OPENING_QUOTE, "ab\\n\"x", &consumed), 3);
    EXPECT_EQ(consumed, 5);
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, "\"a\"\"b\"", &consumed), 2);   // "" joins
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, "\"unterminated", &consumed), 12);
    EXPECT_EQ(consumed, 13);
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, "\"\\x141\"", &consumed), 1);   // low 8 bits
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0x41);
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out | CLM_UTF8, "\"\\xE4\"", &consumed), 2);
    EXPECT_STREQ(out, "\xC3\xA4");
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, nullptr, &consumed), 0);
    EXPECT_EQ(consumed, 0);

    // Every size: nothing beyond it, terminated, reading stops before what does not fit.
    const char* literal = "\"0123456789\"";
    for (int size = 0; size < 14; ++size)
    {
        char guarded[32];
        memset(guarded, 0x55, sizeof guarded);
        const int n = ParseCStringLiteral(guarded, static_cast<unsigned>(size), literal, &consumed);
        EXPECT_EQ(n, size < 1 ? 0 : std::min(size - 1, 10));
        for (int i = std::max(size, 0); i < 32; ++i)
            ASSERT_EQ(guarded[i], 0x55);
        if (size >= 1)
        {
            EXPECT_EQ(guarded[n], 0);
        }
        EXPECT_EQ(consumed, n == 10 ? 12 : 1 + n);
        wchar_t wide[16];
        memset(wide, 0x55, sizeof wide);
        const int bytes = ParseCStringLiteral(wide, static_cast<unsigned>(size) | CLM_UTF16, literal, &consumed);
        EXPECT_EQ(bytes, size < 2 ? 0 : 2 * std::min(size / 2 - 1, 10));
        for (int i = size; i < static_cast<int>(sizeof wide); ++i)
            ASSERT_EQ(reinterpret_cast<unsigned char*>(wide)[i], 0x55);
    }

    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    EXPECT_EQ(ParseCStringLiteral(out, sizeof out, page.TextAtEnd("\"ab\\"), &consumed), 3);
    EXPECT_EQ(consumed, 4);
}
