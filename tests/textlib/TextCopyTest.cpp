#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include "textlib/TextCopy.h"
#include "tests/support/GuardedBuffer.h"

namespace {

const char kGuard = '\xCC';

struct Guarded
{
    char bytes[80];
    Guarded() { memset(bytes, kGuard, sizeof bytes); }
    // Everything from `from` on is still the guard pattern.
    bool UntouchedFrom(int from) const
    {
        for (int i = from; i < static_cast<int>(sizeof bytes); ++i)
            if (bytes[i] != kGuard)
                return false;
        return true;
    }
};

} // namespace

TEST(TextCopy, CopyAtEverySize)
{
    const char* source = "Sektorlupe";
    const int length = static_cast<int>(strlen(source));
    for (int size = -2; size < 20; ++size)
    {
        Guarded g;
        const int n = CopyTextLimited(g.bytes, source, size);
        if (size < 1)
        {
            EXPECT_EQ(n, 0);
            EXPECT_TRUE(g.UntouchedFrom(0));
            continue;
        }
        const int expected = std::min(length, size - 1);
        EXPECT_EQ(n, expected);
        EXPECT_EQ(std::string(g.bytes), std::string(source, expected));
        EXPECT_TRUE(g.UntouchedFrom(size)) << size;
    }
    Guarded g;
    EXPECT_EQ(CopyTextLimited(g.bytes, nullptr, 5), 0);
    EXPECT_EQ(g.bytes[0], 0);
    EXPECT_EQ(CopyTextLimited(nullptr, "abc", 5), 0);
}

TEST(TextCopy, CopyNAtEverySizeAndCount)
{
    const char* source = "Partition";
    const int length = static_cast<int>(strlen(source));
    for (int size = 0; size < 14; ++size)
        for (int count = -1; count < 14; ++count)
        {
            Guarded g;
            const int n = CopyTextNLimited(g.bytes, source, size, count);
            const int expected = size < 1 ? 0 : std::min(std::min(length, size - 1), std::max(count, 0));
            EXPECT_EQ(n, expected) << size << " " << count;
            if (size >= 1)
            {
                EXPECT_EQ(std::string(g.bytes), std::string(source, expected));
            }
            EXPECT_TRUE(g.UntouchedFrom(size < 1 ? 0 : size));
        }
}

TEST(TextCopy, AppendAtEverySizeAndStartLength)
{
    const std::string tail = "xyz12";
    for (int start = 0; start < 8; ++start)
        for (int size = 0; size < 16; ++size)
        {
            Guarded g;
            const std::string head(start, 'a');
            memcpy(g.bytes, head.c_str(), head.size() + 1);
            const int n = AppendTextLimited(g.bytes, tail.c_str(), size);
            if (start >= size)
            {
                // No NUL within the size: the buffer is someone else's and stays as it is.
                EXPECT_EQ(n, size);
                EXPECT_EQ(std::string(g.bytes), head);
                continue;
            }
            const std::string expected = (head + tail).substr(0, size - 1);
            EXPECT_EQ(n, static_cast<int>(expected.size()));
            EXPECT_EQ(std::string(g.bytes), expected);
            EXPECT_TRUE(g.UntouchedFrom(std::max(size, start + 1)));
        }
    char unterminated[4] = { 'a', 'b', 'c', 'd' };
    EXPECT_EQ(AppendTextLimited(unterminated, "e", 4), 4);
    EXPECT_EQ(memcmp(unterminated, "abcd", 4), 0);
    char buffer[8] = "ab";
    EXPECT_EQ(AppendTextLimited(buffer, nullptr, 8), 2);
}

TEST(TextCopy, LengthAgreesWithStrnlen)
{
    const char text[] = "abc\0def";
    for (int bound = -1; bound < 10; ++bound)
        EXPECT_EQ(TextLengthLimited(text, bound), bound < 0 ? 0 : static_cast<int>(strnlen(text, bound)));
    const wchar_t wide[] = L"ab\x20AC\0x";
    for (int bound = -1; bound < 7; ++bound)
        EXPECT_EQ(TextLengthLimitedW(wide, bound), bound < 0 ? 0 : static_cast<int>(wcsnlen(wide, bound)));
    EXPECT_EQ(TextLengthLimited(nullptr, 5), 0);
    EXPECT_EQ(TextLengthLimitedW(nullptr, 5), 0);

    GuardedBuffer page;
    ASSERT_TRUE(page.Ok());
    const char* end = reinterpret_cast<const char*>(page.AtEnd("abcd", 4));   // no NUL at all before the guard page
    EXPECT_EQ(TextLengthLimited(end, 4), 4);
    EXPECT_EQ(FindCharOffsetN(end, 'z', 4), 4);
}

TEST(TextSearch, CharOffsetsAgreeWithStrchrAndMemchr)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i)
    {
        std::string text(rng() % 20, ' ');
        for (char& c : text)
            c = static_cast<char>("ab\xA0\xFF\x00"[rng() % 5]);
        const int byte = static_cast<int>("ab\xA0\xFFz"[rng() % 5]);
        const char* found = strchr(text.c_str(), static_cast<unsigned char>(byte));
        const int expected = found ? static_cast<int>(found - text.c_str()) : static_cast<int>(strlen(text.c_str()));
        EXPECT_EQ(FindCharOffset(text.c_str(), byte), expected);

        const int length = static_cast<int>(rng() % (text.size() + 1));
        int expectedN = length;
        for (int k = 0; k < length; ++k)
            if (text[k] == 0 || text[k] == static_cast<char>(byte))
            {
                expectedN = k;
                break;
            }
        EXPECT_EQ(FindCharOffsetN(text.data(), byte, length), expectedN);
    }
    // The status marker of the structure printers.
    EXPECT_EQ(FindCharOffset("  Status \xA0OK", 0xA0), 9);
    EXPECT_EQ(FindCharOffset("abc", 0), 3);
    EXPECT_EQ(FindCharOffset(nullptr, 'a'), 0);
}

TEST(TextSearch, TextOffsetsAgreeWithStrstr)
{
    std::mt19937 rng(8);
    for (int i = 0; i < 5000; ++i)
    {
        std::string text(rng() % 16, ' ');
        std::string find(rng() % 4, ' ');
        for (char& c : text)
            c = "aAbB\xE4\xC4"[rng() % 6];
        for (char& c : find)
            c = "aAbB\xE4\xC4"[rng() % 6];
        const char* hit = strstr(text.c_str(), find.c_str());
        EXPECT_EQ(FindTextOffset(text.c_str(), find.c_str()), hit ? static_cast<int>(hit - text.c_str()) : -1);

        // Folding only A-Z: upper-case both with a table that leaves the umlauts alone.
        std::string ut = text, uf = find;
        for (char& c : ut)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        for (char& c : uf)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        const char* hitNoCase = strstr(ut.c_str(), uf.c_str());
        EXPECT_EQ(FindTextOffsetNoCase(text.c_str(), find.c_str()),
                  hitNoCase ? static_cast<int>(hitNoCase - ut.c_str()) : -1);
    }
    EXPECT_EQ(FindTextOffsetNoCase("100 gb", "GB"), 4);
    EXPECT_EQ(FindTextOffsetNoCase("\xE4", "\xC4"), -1);   // ä and Ä are not folded
    EXPECT_EQ(FindTextOffset("abc", ""), 0);
    EXPECT_EQ(FindTextOffset(nullptr, "a"), -1);
    EXPECT_EQ(FindTextOffset("abc", nullptr), 0);
}

TEST(TextEdit, TrimSpaces)
{
    const struct { const char* in; const char* out; } cases[] = {
        { "  \t abc \r\n", "abc" }, { "abc", "abc" }, { " \t\r\n", "" }, { "", "" },
        { " a b ", "a b" }, { "\x0B" "a\x0B", "\x0B" "a\x0B" },   // VT is not trimmed
    };
    for (const auto& c : cases)
    {
        char buffer[32];
        strcpy(buffer, c.in);
        EXPECT_EQ(TrimSpacesInPlace(buffer), static_cast<int>(strlen(c.out)));
        EXPECT_STREQ(buffer, c.out);
    }
    EXPECT_EQ(TrimSpacesInPlace(nullptr), 0);
}

TEST(TextEdit, FillColumnGapReachesTheTargetColumn)
{
    for (int tab = -1; tab <= 9; ++tab)
        for (int from = 0; from < 30; ++from)
            for (int to = 0; to < 30; ++to)
            {
                Guarded g;
                const int n = FillColumnGap(g.bytes, from, to, tab);
                ASSERT_EQ(n, static_cast<int>(strlen(g.bytes)));
                EXPECT_TRUE(g.UntouchedFrom(n + 1));
                // Replay the output on a display with tab stops every `tab` columns.
                int column = from;
                bool blankSeen = false;
                int tabs = 0;
                for (int i = 0; i < n; ++i)
                {
                    if (g.bytes[i] == '\t')
                    {
                        EXPECT_FALSE(blankSeen) << "TAB after a blank";
                        ASSERT_GE(tab, 1);
                        column = (column / tab + 1) * tab;
                        ++tabs;
                    }
                    else
                    {
                        ASSERT_EQ(g.bytes[i], ' ');
                        blankSeen = true;
                        ++column;
                    }
                }
                if (to <= from)
                {
                    EXPECT_EQ(n, 0);
                    continue;
                }
                EXPECT_EQ(column, to) << from << "->" << to << " tab " << tab;
                const bool oneCell = tab < 1 || from / tab == to / tab;
                EXPECT_EQ(tabs, oneCell ? 0 : to / tab - from / tab);
                // Never more blanks than a cell holds once TABs are used.
                if (tabs > 0)
                {
                    EXPECT_LT(n - tabs, tab);
                }
            }
}

TEST(TextParse, ParseHexNAgreesWithStrtoul)
{
    std::mt19937 rng(9);
    for (int i = 0; i < 3000; ++i)
    {
        std::string text(rng() % 3, ' ');
        for (char& c : text)
            c = (rng() % 2) ? ' ' : '\t';
        const int digits = static_cast<int>(rng() % 9);
        for (int k = 0; k < digits; ++k)
            text += "0123456789abcdefABCDEF"[rng() % 22];
        text += "xg; "[rng() % 4];
        const int count = static_cast<int>(rng() % (text.size() + 2));
        const std::string visible = text.substr(0, std::min<size_t>(count, text.size()));
        // strtoul would also take a sign or "0x": only digits and blanks are generated.
        const unsigned long expected = strtoul(visible.c_str(), nullptr, 16);
        EXPECT_EQ(ParseHexN(text.c_str(), count), static_cast<unsigned>(expected)) << text << " " << count;
    }
    EXPECT_EQ(ParseHexN("123456789", 9), 0x23456789u);   // the low 32 bits
    EXPECT_EQ(ParseHexN("FF", 0), 0u);
    EXPECT_EQ(ParseHexN(nullptr, 4), 0u);
}
