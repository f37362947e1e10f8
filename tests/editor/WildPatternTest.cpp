// The search-pattern matcher without an editor: "*" and "?" against Python's fnmatch and re
// (the table and the command that made it are in data/), the tokens on their edge cases,
// hostile patterns, and the work one call may do.
#include "editor/WildPattern.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

struct TableRow
{
    const char* pattern;
    const char* text;
    int whole;    // fnmatchcase
    int length;   // end of re.match, -1 for none
};
const TableRow kTable[] = {
#include "tests/editor/data/WildPatternTable.inc"
};

// The editor's tables without a syntax definition: "a"-"z" fold to upper case; digits bit 0,
// letters bit 1, blanks bit 2.
struct DefaultTables
{
    uint8_t caseTable[256];
    uint8_t classTable[256];
    DefaultTables()
    {
        for (int i = 0; i < 256; ++i)
        {
            caseTable[i] = static_cast<uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
            classTable[i] = (i >= '0' && i <= '9') ? 1 : ((i >= 'A' && i <= 'Z') || (i >= 'a' && i <= 'z')) ? 2 : 0;
        }
        classTable[' '] = classTable['\t'] = 4;
    }
    WildPatternTables Get() const { return { caseTable, classTable }; }
};
const DefaultTables kTables;

int Match(const std::string& pattern, const std::string& text, uint32_t flags)
{
    return MatchWildPattern(pattern.data(), static_cast<int>(pattern.size()), text.data(),
                            static_cast<int>(text.size()), flags, kTables.Get());
}

}  // namespace

TEST(WildPattern, StarAndQuestionMarkAgreeWithPythonsMatchers)
{
    for (const TableRow& row : kTable)
    {
        const std::string p = row.pattern, t = row.text;
        EXPECT_EQ(Match(p, t, 0), row.whole ? 0 : 1) << p << " / " << t;
        EXPECT_EQ(Match(p, t, WPF_LENGTH | WPF_LENGTH_OR_FAIL), row.length) << p << " / " << t;
        EXPECT_EQ(Match(p, t, WPF_LENGTH), row.length < 0 ? 0 : row.length) << p << " / " << t;
    }
}

TEST(WildPattern, TokensOnTheirEdgeCases)
{
    struct Case
    {
        const char* pattern;
        const char* text;
        uint32_t flags;
        int expected;
    };
    const uint32_t L = WPF_LENGTH | WPF_LENGTH_OR_FAIL;
    const Case cases[] = {
        { "a?c", "abc", 0, 0 }, { "a?c", "a-c", 0, 0 }, { "a?c", "ac", 0, 1 },
        // \w needs a word start; the flag tells the byte before the text.
        { "\\w xyz", "ab xyz", 0, 0 }, { "\\w xyz", "ab xyz", WPF_WORD_BEFORE, 1 },
        { "\\z", "12ab", L, 4 }, { "\\z", "x12", L, -1 },
        // A word runs on over the accented letters of the text functions' class table.
        { "\\w", "M\xfcller!", L, 6 }, { "\\w\\e", "\xc4rger", 0, 0 },
        // \a: the start of a candidate at the start of a line, nothing consumed.
        { "\\aab", "ab", 0, 0 }, { "\\aab", "ab", WPF_NOT_LINE_START, 1 }, { "a\\ab", "ab", 0, 1 },
        // \_ needs a blank except at the very start of a line.
        { "\\_x", "x", 0, 0 }, { "\\_x", "x", WPF_NOT_LINE_START, 1 }, { "\\_x", " \tx", WPF_NOT_LINE_START, 0 },
        { "a\\.b", "ab", 0, 0 }, { "a\\.b", "a  b", 0, 0 },
        { "\\[abc]", "d", 0, 1 }, { "\\[abc]", "b", 0, 0 }, { "\\(abc)d", "d", 0, 0 }, { "\\(abc)d", "ad", 0, 0 },
        { "\\{abc}", "d", 0, 0 }, { "\\{abc}", "a", 0, 1 },
        { "\\<ab>c", "abbac", 0, 0 }, { "\\<ab>", "xy", L, 0 },
        { "\\|;|;x", "abc;x", 0, 0 }, { "\\|;|", "abc;x", L, 3 }, { "\\|;|c", "abc;c", L, 3 },
        // The closing character behind a backslash belongs to the set.
        { "\\[\\]x]", "]", 0, 0 }, { "\\[\\tx]", "\t", 0, 0 },
        // \#1# runs over bytes of CharClassTable class 1 (digits).
        { "\\#1#", "123x", L, 3 }, { "\\#1#", "x", L, 0 }, { "\\&1&", "5", 0, 0 }, { "\\&1&", "x", 0, 1 },
        { "\\$1$x", "x", 0, 0 }, { "\\$1$x", "7x", 0, 0 },
        { "\\t", "\t", 0, 0 }, { "\\t", "t", 0, 1 }, { "\\x41", "A", 0, 0 }, { "\\101", "A", 0, 0 },
        { "\\*", "*", 0, 0 }, { "\\*", "a", 0, 1 }, { "a\\*", "ab", 0, 1 }, { "a\\*", "a*", L, 2 }, { "\\?", "?", 0, 0 }, { "\\\\", "\\", 0, 0 },
        { "abc*", "abcdef", WPF_LENGTH, 6 }, { "ab.*", "abxy", WPF_CUT_DOT_STAR | WPF_LENGTH, 2 },
        { "ab.*", "ab.y", 0, 0 }, { "ab.*", "abxy", 0, 1 },
        // Word end and start by the class table.
        { "ab\\f", "ab", 0, 0 }, { "ab\\f", "abc", L, -1 }, { "ab\\f", "ab c", L, 2 },
        { "x\\gab", "xab", 0, 1 }, { "x \\gab", "x ab", 0, 0 },
        { "\\m\\p\\o", "a1b", 0, 0 }, { "\\m", "1", 0, 1 }, { "ab\\e", "ab", 0, 0 }, { "ab\\e", "abc", 0, 1 },
        // After a "*" the match must still use up the text: "*a" matches "aba".
        { "*a", "aba", 0, 0 }, { "*a", "ab", 0, 1 }, { "*ab*a", "abxaba", 0, 0 },
        // Case through the table, but \* \? \\ exactly.
        { "ABC", "abc", WPF_FOLD, 0 }, { "ABC", "abc", 0, 1 }, { "\\[X]", "x", WPF_FOLD, 0 },
        // Hostile input: unclosed tokens are literals, a trailing backslash is itself, a bare
        // \x is NUL, octal above 255 keeps its low byte, empty texts and patterns.
        { "\\[ab", "\\[ab", 0, 0 }, { "\\#1f", "\\#1f", 0, 0 }, { "ab\\", "ab\\", 0, 0 },
        { "\\777", "\xff", 0, 0 }, { "a", "", 0, 1 }, { "*", "", 0, 0 }, { "", "abc", 0, 0 },
        { "\\(", "", L, -1 }, { "\\##", "abc", L, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Match(c.pattern, c.text, c.flags), c.expected) << c.pattern << " / " << c.text << " / " << c.flags;
    // "\x" without digits stands for the NUL byte.
    EXPECT_EQ(Match("a\\x", std::string("a\0", 2), 0), 0);
    // Patterns and texts of any length, NULs included, are read within their lengths.
    const std::string stars(300, '*');
    EXPECT_EQ(Match(stars + "b", std::string(2048, 'a'), 0), 1);
    EXPECT_EQ(Match(stars, std::string(2048, 'a'), WPF_LENGTH), 2048);
    EXPECT_EQ(MatchWildPattern(nullptr, 3, "abc", 3, 0, kTables.Get()), 0);
    EXPECT_EQ(MatchWildPattern("abc", 3, nullptr, 3, 0, kTables.Get()), 1);
}

TEST(WildPattern, WorkGrowsWithTheTextNotFaster)
{
    const std::string pattern = "a*a*a*a*a*a*a*b";
    uint64_t steps[3] = {};
    const int lengths[3] = { 512, 1024, 2048 };
    for (int i = 0; i < 3; ++i)
    {
        uint64_t counter = 0;
        SetWildPatternStepCounter(&counter);
        EXPECT_EQ(Match(pattern, std::string(static_cast<size_t>(lengths[i]), 'a'), 0), 1);
        EXPECT_EQ(Match(pattern, std::string(static_cast<size_t>(lengths[i]), 'a') + "b", 0) , 0);
        SetWildPatternStepCounter(nullptr);
        steps[i] = counter;
    }
    ASSERT_GT(steps[0], 0u);
    EXPECT_LE(steps[1] * 2, steps[0] * 5) << steps[0] << " " << steps[1];
    EXPECT_LE(steps[2] * 2, steps[1] * 5) << steps[1] << " " << steps[2];
}

TEST(WildPattern, SpanCharSetGroups)
{
    const uint8_t* cls = kTables.classTable;
    struct Case
    {
        const char* text;
        uint32_t groups;
        int expected;
    };
    const Case cases[] = {
        { "ab_1 x", SPAN_WORD, 4 }, { "\xc4\xe4\xde", SPAN_WORD, 2 }, { " \t x", SPAN_BLANKS, 3 },
        { "\r\n\rx", 0x40, 3 },     { "\"'x", 0x80, 2 },              { "!/:@{\xff" "a", 0x100, 6 },
        { "([{<>}])x", 0xF000, 8 }, { "anything", 0x200, 8 },       { "123", 0x02, 0 },
        { "Ab", 0x04, 2 },          { "", SPAN_WORD, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpanCharSet(c.text, c.groups, static_cast<int>(strlen(c.text)), cls), c.expected) << c.text;
    // The length bounds the run, NULs included.
    EXPECT_EQ(SpanCharSet("aaaa", SPAN_WORD, 2, cls), 2);
    EXPECT_EQ(SpanCharSet("a\0a", 0x200, 3, cls), 3);
    EXPECT_EQ(SpanCharSet(nullptr, 0x200, 3, cls), 0);
}
