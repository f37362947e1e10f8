#include "views/ValueSearchInput.h"
#include "views/ValueSearch.h"

#include "services/ByteUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Parse(const char* text, uint32_t capacity, int maskFlag = 0)
{
    uint8_t buffer[VS_SLOT_SIZE];
    int n = ParseSearchText(text, buffer, capacity, maskFlag);
    return n > 0 ? Bytes(buffer, buffer + n) : Bytes();
}

std::string Format(const Bytes& bytes, int kind)
{
    char text[VS_INPUT_TEXT_SIZE];
    int n = FormatAsInput(bytes.data(), static_cast<int>(bytes.size()), text, sizeof text, kind);
    EXPECT_EQ(n, static_cast<int>(strlen(text)));
    return text;
}

std::string Line(const char* text, int kind, int choice, bool unicode = false, bool noCase = false,
                 bool motorola = false)
{
    EntryLineOptions options = {kind, choice, unicode, noCase, motorola};
    char line[VS_ENTRY_LINE_SIZE];
    int n = BuildEntryLine(text, options, line, sizeof line);
    EXPECT_EQ(n, static_cast<int>(strlen(line)));
    return line;
}

TEST(InputKind, FromTheTextsForm)
{
    EXPECT_EQ(InputKindOfText("0x1F"), SIK_HEX);
    EXPECT_EQ(InputKindOfText("-0X1F"), SIK_HEX);
    EXPECT_EQ(InputKindOfText("0x"), SIK_HEX);   // the prefix the empty field gets
    EXPECT_EQ(InputKindOfText("0b1"), SIK_BINARY);
    EXPECT_EQ(InputKindOfText("0o7"), SIK_OCTAL);
    EXPECT_EQ(InputKindOfText(" 12"), SIK_DECIMAL);
    EXPECT_EQ(InputKindOfText("-"), SIK_DECIMAL);
    EXPECT_EQ(InputKindOfText("\"0x1\""), SIK_TEXT);
    EXPECT_EQ(InputKindOfText(":41 42"), SIK_DUMP);
    EXPECT_EQ(InputKindOfText(":41 42 (a:b)"), SIK_DUMP);
    EXPECT_EQ(InputKindOfText(":4? #0101????"), SIK_MASK);
    EXPECT_EQ(InputKindOfText("abc"), SIK_TEXT);
    EXPECT_EQ(InputKindOfText(""), SIK_TEXT);
    EXPECT_EQ(InputKindOfText(nullptr), SIK_TEXT);
    // The prefixes the field gets bring it back to the same kind.
    for (int kind = SIK_HEX; kind <= SIK_DUMP; ++kind)
        EXPECT_EQ(InputKindOfText(InputKindPrefix(kind)), kind);
    EXPECT_STREQ(InputKindPrefix(SIK_MASK), ":");
    EXPECT_STREQ(InputKindPrefix(SIK_DECIMAL), "");
}

TEST(FormatAsInput, Numbers)
{
    EXPECT_EQ(Format({0xFB}, SIK_DECIMAL), "-5");          // sign-extended from its top byte
    EXPECT_EQ(Format({0xFB}, SIK_HEX), "0xFFFFFFFB");
    EXPECT_EQ(Format({0xFB, 0x00}, SIK_DECIMAL), "251");
    EXPECT_EQ(Format({5, 0, 0, 0}, SIK_BINARY), "0b101");
    EXPECT_EQ(Format({15}, SIK_OCTAL), "0o17");
    EXPECT_EQ(Format({0x78, 0x56, 0x34, 0x12, 0x99}, SIK_HEX), "0x12345678");   // 4 bytes at most
    EXPECT_EQ(Format({}, SIK_DECIMAL), "");
    // Against printf for random values of 1, 2 and 4 bytes; and back through the parser
    // at that size.
    std::mt19937 rng(17);
    for (int i = 0; i < 3000; ++i)
    {
        int count = 1 << (rng() % 3);
        Bytes bytes(count);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(rng());
        int32_t value = 0;
        for (int k = 0; k < count; ++k)
            value |= static_cast<int32_t>(static_cast<uint32_t>(bytes[k]) << (8 * k));
        int shift = 32 - 8 * count;
        value = static_cast<int32_t>(static_cast<uint32_t>(value) << shift) >> shift;
        char expected[32];
        snprintf(expected, sizeof expected, "%d", static_cast<int>(value));
        ASSERT_EQ(Format(bytes, SIK_DECIMAL), expected);
        snprintf(expected, sizeof expected, "0x%X", static_cast<unsigned>(value));
        ASSERT_EQ(Format(bytes, SIK_HEX), expected);
        for (int kind = SIK_DECIMAL; kind <= SIK_OCTAL; ++kind)
            ASSERT_EQ(Parse(Format(bytes, kind).c_str(), count), bytes) << kind;
    }
}

TEST(FormatAsInput, TextDumpsAndMasks)
{
    EXPECT_EQ(Format({'a', 'b', 0, 0}, SIK_TEXT), "\"ab\"");
    EXPECT_EQ(Format({'a', 0, 'b'}, SIK_TEXT), "\"a\\0b\"");
    EXPECT_EQ(Format({'A', 0, 'B', 0, 0, 0}, SIK_UTF16_TEXT), "\"AB\"");
    EXPECT_EQ(Format({'A', 0, 'B'}, SIK_UTF16_TEXT), "\"A\"");   // odd last byte dropped
    EXPECT_EQ(Format({0x41, 0xAB}, SIK_DUMP), ":41 AB");
    EXPECT_EQ(Format({0x10, 0x50, 0xF0, 0xF0}, SIK_MASK), ":1? 5?");
    EXPECT_EQ(Format({0x41, 0x42, 0xFF, 0xDF}, SIK_MASK), ":41 #01?00010");
    char small[4];
    EXPECT_EQ(FormatAsInput(reinterpret_cast<const uint8_t*>("\x41\x42"), 2, small, 4, SIK_DUMP), 3);
    EXPECT_STREQ(small, ":41");
    EXPECT_EQ(FormatAsInput(nullptr, 5, small, 4, SIK_DUMP), 1);
    EXPECT_EQ(FormatAsInput(reinterpret_cast<const uint8_t*>("a"), 1, nullptr, 4, SIK_TEXT), 0);
    // Back through the parser: text (no trailing NUL), UTF-16 text of units up to 255, dumps.
    std::mt19937 rng(19);
    for (int i = 0; i < 2000; ++i)
    {
        int count = 1 + static_cast<int>(rng() % 60);
        Bytes bytes(count);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(rng());
        bytes.back() |= 1;
        ASSERT_EQ(Parse(Format(bytes, SIK_TEXT).c_str(), VS_SLOT_SIZE), bytes);
        ASSERT_EQ(Parse(Format(bytes, SIK_DUMP).c_str(), VS_SLOT_SIZE), bytes);
        Bytes wide;
        for (uint8_t b : bytes)
        {
            wide.push_back(b);
            wide.push_back(0);
        }
        ASSERT_EQ(Parse(Format(wide, SIK_UTF16_TEXT).c_str(), VS_SLOT_SIZE | VS_CAPACITY_UTF16), wide);
        Bytes masked = bytes;
        for (int k = 0; k < count; ++k)
        {
            static const uint8_t masks[] = {0xFF, 0xF0, 0x0F, 0x00, 0xDF, 0x81};
            masked.push_back(masks[rng() % 6]);
        }
        for (int k = 0; k < count; ++k)   // open bits read back as 0
            masked[k] &= masked[count + k];
        // A masked dump of nibble masks alone holds no "#", so only the masked reader
        // itself (which the dialog uses for this kind) reads it back as such.
        std::string text = Format(masked, SIK_MASK);
        uint8_t values[VS_SLOT_SIZE], masks[VS_SLOT_SIZE];
        int n = HexTextToBytes(values, masks, VS_SLOT_SIZE, text.c_str(), nullptr);
        ASSERT_EQ(n, count) << text;
        Bytes back(values, values + n);
        back.insert(back.end(), masks, masks + n);
        ASSERT_EQ(back, masked) << text;
    }
}

TEST(EntryLine, Build)
{
    // Four bytes: 6 less 1 for each of 4 < 7, < 10, < 13 gives 3 TABs; two bytes 2 TABs.
    EXPECT_EQ(Line("0x1234", SIK_HEX, SBC_DWORD), "H:4\t:34 12 00 00\t\t\t(0x1234)");
    EXPECT_EQ(Line("0x1234", SIK_HEX, SBC_WORD), "H:2\t:34 12\t\t(0x1234)");
    EXPECT_EQ(Line("0x1234", SIK_HEX, SBC_WORD, false, false, true), "H:2 /B\t:12 34\t\t(0x1234)");
    EXPECT_EQ(Line("0x12", SIK_HEX, SBC_BYTE, false, false, true), "H:1\t:12\t\t(0x12)");   // not reversed
    // A number that does not fit the chosen size is no entry (300 would search for 2C).
    EXPECT_EQ(Line("300", SIK_DECIMAL, SBC_BYTE), "");
    EXPECT_EQ(Line("0x12C", SIK_HEX, SBC_BYTE), "");
    EXPECT_EQ(Line("0xFFFFFFF1", SIK_HEX, SBC_BYTE), "H:1\t:F1\t\t(0xFFFFFFF1)");   // the dialog's own form
    EXPECT_EQ(Line("  abc", SIK_TEXT, SBC_DWORD, false, true), "T:3 /G\t:61 62 63\t\t\t(abc)");
    EXPECT_EQ(Line("abc", SIK_TEXT, SBC_VARIABLE, true, true), "N:6 /G\t:61 00 62 00 63 00\t\t\t(abc)");
    EXPECT_EQ(Line("abc", SIK_UTF16_TEXT, SBC_VARIABLE), "N:6\t:61 00 62 00 63 00\t\t\t(abc)");
    EXPECT_EQ(Line(":1? #0101????", SIK_MASK, SBC_VARIABLE), "M:4\t:10 50 F0 F0\t\t\t(:1? #0101????" ")");
    EXPECT_EQ(Line(":1? 5?", SIK_MASK, SBC_VARIABLE), "M:4\t:10 50 F0 F0\t\t\t(:1? 5?)");
    EXPECT_EQ(Line("12345678901234", SIK_DECIMAL, SBC_VARIABLE).substr(0, 4), "D:8\t");
    // Ignore case belongs to text only.
    EXPECT_EQ(Line("1", SIK_DECIMAL, SBC_BYTE, false, true), "D:1\t:01\t\t(1)");
    // Nothing to search.
    EXPECT_EQ(Line("", SIK_TEXT, SBC_VARIABLE), "");
    EXPECT_EQ(Line(":", SIK_DUMP, SBC_VARIABLE), "");
    EXPECT_EQ(Line("-", SIK_DECIMAL, SBC_DWORD), "");
    EntryLineOptions options = {SIK_TEXT, SBC_VARIABLE, false, false, false};
    char tiny[8];
    EXPECT_EQ(BuildEntryLine("abc", options, tiny, sizeof tiny), 0);
    EXPECT_STREQ(tiny, "");
    // The longest: 256 bytes of hex and a long text in parentheses.
    std::string dump = ":" + std::string(600, 'A');
    EXPECT_GT(Line(dump.c_str(), SIK_DUMP, SBC_VARIABLE).size(), 768u);
}

// A number too large for its byte count is refused; one that fits is cut to it, and what is no
// number (or has no byte count) never counts as too large. Decimal cases are checked against
// the range of the chosen size, worked out apart from the parser.
TEST(EntryLine, NumberTooLargeForItsByteCount)
{
    const struct
    {
        const char* text;
        int kind, choice;
        bool refused;
    } cases[] = {
        {"300", SIK_DECIMAL, SBC_BYTE, true},          {"255", SIK_DECIMAL, SBC_BYTE, false},
        {"-128", SIK_DECIMAL, SBC_BYTE, false},        {"-129", SIK_DECIMAL, SBC_BYTE, true},
        {"65536", SIK_DECIMAL, SBC_WORD, true},        {"65535", SIK_DECIMAL, SBC_WORD, false},
        {"5000000000", SIK_DECIMAL, SBC_DWORD, true},  {"4294967295", SIK_DECIMAL, SBC_DWORD, false},
        {"5000000000", SIK_DECIMAL, SBC_VARIABLE, false},
        {"0x12C", SIK_HEX, SBC_BYTE, true},            {"0xFFFFFFF1", SIK_HEX, SBC_BYTE, false},
        {"0b100000000", SIK_BINARY, SBC_BYTE, true},   {"0o377", SIK_OCTAL, SBC_BYTE, false},
        {"0x123456789", SIK_HEX, SBC_DWORD, true},
        {"12 GB", SIK_DECIMAL, SBC_BYTE, false},       {"-", SIK_DECIMAL, SBC_BYTE, false},
        {"\"300\"", SIK_TEXT, SBC_BYTE, false},       {"", SIK_DECIMAL, SBC_BYTE, false},
    };
    for (const auto& c : cases)
    {
        EntryLineOptions options = {c.kind, c.choice, false, false, false};
        EXPECT_EQ(NumberExceedsByteCount(c.text, options), c.refused) << c.text;
        // A refused number builds no line; one that fits builds a line of the chosen size.
        if (c.refused) {
            EXPECT_EQ(Line(c.text, c.kind, c.choice), "") << c.text;
        }
        if (c.kind == SIK_DECIMAL && c.choice != SBC_VARIABLE && strspn(c.text, "-0123456789") == strlen(c.text) &&
            strcmp(c.text, "-") != 0 && *c.text)
        {
            const int bits = 8 * ByteCountLimit(c.choice);
            const long long v = strtoll(c.text, nullptr, 10);
            const bool fits = v >= -(1LL << (bits - 1)) && v <= (1LL << bits) - 1;
            EXPECT_EQ(c.refused, !fits) << c.text;
            if (fits) {
                EXPECT_EQ(Line(c.text, c.kind, c.choice).substr(0, 3),
                          std::string("D:") + std::to_string(bits / 8))
                    << c.text;
            }
        }
    }
    EntryLineOptions options = {SIK_DECIMAL, SBC_BYTE, false, false, false};
    EXPECT_FALSE(NumberExceedsByteCount(nullptr, options));
}

// A typed text that gives nothing to search is refused in words, never searched as nothing:
// the words follow the text's form. A text that gives bytes, and an empty one, are not.
TEST(EntryLine, TextThatGivesNoValueIsRefusedInWords)
{
    const struct
    {
        const char* text;
        int kind, choice;
        const char* refusal;
    } cases[] = {
        {"12 GB", SIK_DECIMAL, SBC_DWORD, kTextIsNoNumber},      {"12 GB", SIK_TEXT, SBC_VARIABLE, kTextIsNoNumber},
        {"1.5", SIK_DECIMAL, SBC_DWORD, kTextIsNoNumber},        {"0x1G", SIK_HEX, SBC_DWORD, kTextIsNoNumber},
        {"-", SIK_DECIMAL, SBC_BYTE, kTextIsNoNumber},           {"32-Bit", SIK_DECIMAL, SBC_VARIABLE, kTextIsNoNumber},
        {"- 5", SIK_DECIMAL, SBC_DWORD, kTextIsNoNumber},
        {"300", SIK_DECIMAL, SBC_BYTE, kNumberExceedsByteCount},
        {"99999999999999999999", SIK_DECIMAL, SBC_VARIABLE, kNumberExceedsByteCount},
        {"-9223372036854775809", SIK_DECIMAL, SBC_VARIABLE, kNumberExceedsByteCount},
        {"99999999999999999999 GB", SIK_DECIMAL, SBC_DWORD, kNumberExceedsByteCount},
        {":", SIK_DUMP, SBC_VARIABLE, kTextGivesNoValue},        {":zz", SIK_DUMP, SBC_VARIABLE, kTextGivesNoValue},
        {"\"\"", SIK_TEXT, SBC_VARIABLE, kTextGivesNoValue},
        // The main path: numbers in every form, text, dumps and masks.
        {"12", SIK_DECIMAL, SBC_DWORD, nullptr},                 {"-12", SIK_DECIMAL, SBC_WORD, nullptr},
        {" 12 ", SIK_DECIMAL, SBC_BYTE, nullptr},                {"0x12345678", SIK_HEX, SBC_DWORD, nullptr},
        {"0x123456789", SIK_HEX, SBC_VARIABLE, nullptr},         {"0b101", SIK_BINARY, SBC_BYTE, nullptr},
        {"0o17", SIK_OCTAL, SBC_BYTE, nullptr},                  {"-9223372036854775808", SIK_DECIMAL, SBC_VARIABLE, nullptr},
        {"abc", SIK_TEXT, SBC_VARIABLE, nullptr},                {"\"12 GB\"", SIK_TEXT, SBC_VARIABLE, nullptr},
        {":12 34", SIK_DUMP, SBC_VARIABLE, nullptr},             {":12:0F", SIK_MASK, SBC_VARIABLE, nullptr},
        {"", SIK_DECIMAL, SBC_DWORD, nullptr},                   {" \t", SIK_TEXT, SBC_VARIABLE, nullptr},
    };
    for (const auto& c : cases)
    {
        EntryLineOptions options = {c.kind, c.choice, false, false, false};
        const char* refusal = SearchTextRefusal(c.text, options);
        EXPECT_STREQ(refusal, c.refusal) << c.text;
        // Refused exactly when the text builds no entry line, that is, when nothing would be searched.
        if (*c.text && c.text[strspn(c.text, " \t")]) {
            EXPECT_EQ(Line(c.text, c.kind, c.choice).empty(), c.refusal != nullptr) << c.text;
        }
    }
    EntryLineOptions options = {SIK_DECIMAL, SBC_DWORD, false, false, false};
    EXPECT_EQ(SearchTextRefusal(nullptr, options), nullptr);
}

// "Bereich" as OK reads it: the number at the start, 1000 for no number or one below 1.
TEST(GroupDistance, TypedTextBecomesTheDistance)
{
    const struct
    {
        const char* typed;
        int distance;
    } cases[] = {
        {"77", 77},      {"1", 1},        {"5x", 5},         {" 12 ", 12},  {"0", 1000},
        {"-3", 1000},    {"", 1000},      {"abc", 1000},     {nullptr, 1000},
        {"99999999999", INT_MAX},         {"-99999999999999999999", 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GroupDistanceOfText(c.typed), c.distance) << (c.typed ? c.typed : "(null)");
}

TEST(EntryLine, BuiltLinesSearchWhatWasTyped)
{
    const uint8_t data[] = {0, 'x', 'A', 0, 'b', 0, 'C', 0, 0x34, 0x12, 0x00, 0x00, 0x12, 0x34, 0x95};
    struct Case
    {
        const char* text;
        int kind, choice;
        bool unicode, noCase, motorola;
        int expected;
    } cases[] = {
        {"0x1234", SIK_HEX, SBC_DWORD, false, false, false, 8},
        {"0x1234", SIK_HEX, SBC_WORD, false, false, true, 12},
        {"abc", SIK_TEXT, SBC_VARIABLE, true, true, false, 2},
        {"abc", SIK_TEXT, SBC_VARIABLE, true, false, false, -1},
        {":?5", SIK_MASK, SBC_VARIABLE, false, false, false, 14},
    };
    for (const Case& c : cases)
    {
        std::string line = Line(c.text, c.kind, c.choice, c.unicode, c.noCase, c.motorola);
        std::string list = std::string("\0", 1) + line + std::string("\0\0", 2);
        EXPECT_EQ(FindPatternInData(data, sizeof data, list.data(), 0, sizeof data, 0, nullptr), c.expected)
            << line;
    }
}

TEST(EntryLine, DecodeBack)
{
    DecodedEntryLine d;
    ASSERT_EQ(DecodeEntryLine("H:2 /B\t:12 34\t\t(0x1234)", &d), 1);
    EXPECT_EQ(d.kind, SIK_HEX);
    EXPECT_EQ(d.byteCountChoice, SBC_WORD);
    EXPECT_TRUE(d.reversed);
    EXPECT_STREQ(d.text, "0x1234");
    ASSERT_EQ(DecodeEntryLine("N:6 /G\t:61 00 62 00 63 00\t\t\t(abc)", &d), 1);
    EXPECT_EQ(d.kind, SIK_TEXT);
    EXPECT_TRUE(d.unicode);
    EXPECT_TRUE(d.ignoreCase);
    EXPECT_EQ(d.byteCountChoice, SBC_VARIABLE);
    EXPECT_STREQ(d.text, "\"abc\"");
    ASSERT_EQ(DecodeEntryLine("M:4\t:10 50 F0 F0\t\t\t(x)", &d), 1);
    EXPECT_EQ(d.kind, SIK_MASK);
    EXPECT_STREQ(d.text, ":1? 5?");
    ASSERT_EQ(DecodeEntryLine("X:2\t:41 42", &d), 1);
    EXPECT_EQ(d.kind, SIK_DUMP);
    EXPECT_STREQ(d.text, ":41 42");
    ASSERT_EQ(DecodeEntryLine("D:200\t:FF", &d), 1);   // the count is never trusted beyond the bytes
    EXPECT_EQ(d.byteCountChoice, SBC_VARIABLE);
    EXPECT_STREQ(d.text, "-1");
    EXPECT_EQ(DecodeEntryLine("T:3", &d), 0);
    EXPECT_EQ(DecodeEntryLine("", &d), 0);
    EXPECT_EQ(DecodeEntryLine(nullptr, &d), 0);
    EXPECT_EQ(DecodeEntryLine("T:0\t:41", &d), 0);
    EXPECT_EQ(DecodeEntryLine("T:1\t:41", nullptr), 0);
    // Build then decode: the number comes back with its size and order, the text in its
    // kind parses to the bytes typed.
    std::mt19937 rng(23);
    for (int i = 0; i < 1000; ++i)
    {
        int kind = static_cast<int>(rng() % 4);
        int choice = static_cast<int>(rng() % 3);
        bool motorola = rng() % 2;
        int count = 1 << choice;
        Bytes bytes(count);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(rng());
        std::string typed = Format(bytes, kind);
        std::string line = Line(typed.c_str(), kind, choice, false, false, motorola);
        ASSERT_EQ(DecodeEntryLine(line.c_str(), &d), 1) << line;
        ASSERT_EQ(d.kind, kind);
        ASSERT_EQ(d.byteCountChoice, choice);
        ASSERT_EQ(d.reversed, motorola && count > 1);
        ASSERT_EQ(Parse(d.text, count), bytes) << line;
    }
}

TEST(FindRangeOfCommands, DirectionsSelectionAndWrap)
{
    FindRange r = ComputeFindRange(VSF_WRAP, 10, 100, 0, 0);
    EXPECT_EQ(r.start, 11);
    EXPECT_EQ(r.count, 100);
    EXPECT_EQ(r.wrapStart, 0);
    EXPECT_EQ(r.wrapCount, 11);
    r = ComputeFindRange(VSF_WRAP | VSF_BACKWARDS, 10, 100, 0, 0);
    EXPECT_EQ(r.start, 9);
    EXPECT_EQ(r.count, -100);
    EXPECT_EQ(r.wrapStart, 99);
    EXPECT_EQ(r.wrapCount, -90);
    r = ComputeFindRange(VSF_BACKWARDS, 10, 100, 0, 0);
    EXPECT_EQ(r.wrapCount, 0);
    r = ComputeFindRange(VSF_FROM_START | VSF_WRAP | VSF_BACKWARDS, 10, 100, 0, 0);
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.count, 100);
    EXPECT_EQ(r.wrapCount, 0);
    r = ComputeFindRange(VSF_SELECTION_ONLY | VSF_WRAP, 10, 100, 20, 5);
    EXPECT_EQ(r.start, 20);
    EXPECT_EQ(r.count, 5);
    EXPECT_EQ(r.wrapCount, 0);
    r = ComputeFindRange(VSF_SELECTION_ONLY | VSF_BACKWARDS, 10, 100, 20, 5);
    EXPECT_EQ(r.start, 24);
    EXPECT_EQ(r.count, -5);
    r = ComputeFindRange(VSF_SELECTION_ONLY, 10, 100, 98, 50);   // cut to the data
    EXPECT_EQ(r.count, 2);
    r = ComputeFindRange(VSF_SELECTION_ONLY, 10, 100, 0, 0);     // no selection: the cursor
    EXPECT_EQ(r.start, 11);
    r = ComputeFindRange(VSF_WRAP, 0, 0, 0, 0);                  // no data, no positions
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.wrapCount, 0);
    r = ComputeFindNextRange(99, 100);
    EXPECT_EQ(r.start, 100);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.wrapStart, 0);
    EXPECT_EQ(r.wrapCount, 100);
    r = ComputeFindNextRange(0, 0);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.wrapCount, 0);

    // Forward and wrap together cover every position exactly once, backward likewise.
    for (int size = 1; size < 40; ++size)
        for (int cursor = 0; cursor < size; ++cursor)
            for (uint32_t flags : {static_cast<uint32_t>(VSF_WRAP), static_cast<uint32_t>(VSF_WRAP | VSF_BACKWARDS)})
            {
                r = ComputeFindRange(flags, cursor, size, 0, 0);
                std::vector<int> seen(size, 0);
                auto mark = [&](int start, int count) {
                    int step = count > 0 ? 1 : -1;
                    for (int k = 0; k < (count > 0 ? count : -count); ++k)
                    {
                        int p = start + step * k;
                        if (p >= 0 && p < size)
                            ++seen[p];
                    }
                };
                mark(r.start, r.count);
                mark(r.wrapStart, r.wrapCount);
                for (int p = 0; p < size; ++p)
                    ASSERT_EQ(seen[p], 1) << size << " " << cursor << " " << p;
            }
}

}  // namespace
