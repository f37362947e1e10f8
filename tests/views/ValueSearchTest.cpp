#include "views/ValueSearch.h"
#include "views/ValueSearchLists.h"

#include "tests/support/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Parse(const char* text, uint32_t capacity = VS_SLOT_SIZE, int maskFlag = 0, int* result = nullptr)
{
    uint8_t buffer[1024];
    memset(buffer, 0xCC, sizeof buffer);
    int n = ParseSearchText(text, buffer, capacity, maskFlag);
    if (result)
        *result = n;
    return n > 0 ? Bytes(buffer, buffer + n) : Bytes();
}

Bytes B(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char pair[4];
    for (uint8_t b : bytes)
    {
        snprintf(pair, sizeof pair, "%02X", b);
        out += pair;
    }
    return out;
}

// A pattern list as a block: the distance, the entry lines, the closing empty text.
std::string PatternList(const std::string& distance, const std::vector<std::string>& lines)
{
    std::string block = distance;
    block.push_back('\0');
    for (const std::string& line : lines)
    {
        block += line;
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

// ---------------------------------------------------------------------------------------
// The reference searches: written from the description of the search, one position at a
// time, with nothing shared with the code under test.

bool RefMatchAt(const Bytes& data, size_t p, const Bytes& value, const Bytes& mask, int mode)
{
    for (size_t i = 0; i < value.size(); ++i)
    {
        uint8_t d = data[p + i], v = value[i];
        if (mode == SEARCH_MASKED)
        {
            if ((d & mask[i]) != (v & mask[i]))
                return false;
        }
        else if (mode == SEARCH_IGNORE_CASE)
        {
            if (d >= 'A' && d <= 'Z')
                d = static_cast<uint8_t>(d - 'A' + 'a');
            if (v >= 'A' && v <= 'Z')
                v = static_cast<uint8_t>(v - 'A' + 'a');
            if (d != v)
                return false;
        }
        else if (d != v)
        {
            return false;
        }
    }
    return true;
}

int RefSearch(const Bytes& data, const Bytes& value, const Bytes& mask, int start, int count, int mode)
{
    if (value.empty())
        return start;
    const int step = count > 0 ? 1 : -1;
    const long long positions = count > 0 ? count : -static_cast<long long>(count);
    for (long long k = 0; k < positions; ++k)
    {
        long long p = start + step * k;
        if (p < 0 || p + static_cast<long long>(value.size()) > static_cast<long long>(data.size()))
            continue;
        if (RefMatchAt(data, static_cast<size_t>(p), value, mask, mode))
            return static_cast<int>(p);
    }
    return -1;
}

struct RefEntry
{
    Bytes value, mask;
    int mode;
    int size() const { return static_cast<int>(value.size()); }
};

bool RefEntryAt(const Bytes& data, long long p, const RefEntry& e)
{
    return p >= 0 && p + e.size() <= static_cast<long long>(data.size()) &&
           RefMatchAt(data, static_cast<size_t>(p), e.value, e.mask, e.mode);
}

// Is there any chain of the entries 1.. behind the first match at m, each starting at or
// after the end of the one before and no later than min(m + distance, hi)? Tries every
// placement, not only the earliest.
bool RefOrderedChain(const Bytes& data, const std::vector<RefEntry>& entries, size_t i, long long from,
                     long long last)
{
    if (i == entries.size())
        return true;
    for (long long p = from; p <= last; ++p)
        if (RefEntryAt(data, p, entries[i]) && RefOrderedChain(data, entries, i + 1, p + entries[i].size(), last))
            return true;
    return false;
}

// The group the search must report: the first candidate in search order whose further
// entries can all be placed; for an unordered group each entry independently, the nearest
// one after the first match, else the nearest one before it.
int RefGroupSearch(const Bytes& data, const std::vector<RefEntry>& entries, int distance, int start,
                   int count, bool ordered, std::vector<int>* placed)
{
    long long lo = count > 0 ? start : static_cast<long long>(start) + count + 1;
    long long hi = count > 0 ? static_cast<long long>(start) + count - 1 : start;
    if (lo < 0)
        lo = 0;
    if (hi > static_cast<long long>(data.size()) - 1)
        hi = static_cast<long long>(data.size()) - 1;
    const long long n = hi - lo + 1;
    for (long long k = 0; k < n; ++k)
    {
        long long m = count > 0 ? lo + k : hi - k;
        if (!RefEntryAt(data, m, entries[0]))
            continue;
        const long long last = std::min(m + distance, hi);
        placed->assign(1, static_cast<int>(m));
        if (ordered)
        {
            // An ordered chain is bounded by the data alone, not by the range searched.
            const long long chainLast = std::min(m + distance, static_cast<long long>(data.size()) - 1);
            if (RefOrderedChain(data, entries, 1, m + entries[0].size(), chainLast))
                return static_cast<int>(m);
            continue;
        }
        bool all = true;
        for (size_t i = 1; i < entries.size() && all; ++i)
        {
            long long found = -1;
            for (long long p = m + entries[0].size(); p <= last && found < 0; ++p)
                if (RefEntryAt(data, p, entries[i]))
                    found = p;
            for (long long p = m - 1; p >= std::max(m - distance, lo) && found < 0; --p)
                if (RefEntryAt(data, p, entries[i]))
                    found = p;
            all = found >= 0;
            placed->push_back(static_cast<int>(found));
        }
        if (all)
            return static_cast<int>(m);
    }
    placed->clear();
    return -1;
}

// The entry line a user would get for these bytes, in the form the dialog writes.
std::string EntryLine(const RefEntry& e)
{
    if (e.mode == SEARCH_MASKED)
        return "M:" + std::to_string(2 * e.size()) + "\t:" + Hex(e.value) + Hex(e.mask) + "\t(mask)";
    std::string options = e.mode == SEARCH_IGNORE_CASE ? " /G" : "";
    return "T:" + std::to_string(e.size()) + options + "\t:" + Hex(e.value) + "\t\t(text)";
}

// Data from a small alphabet, so that short values occur often, with letters of both cases
// and bytes that differ only in their high nibble.
Bytes RandomData(std::mt19937& rng, size_t size)
{
    static const uint8_t alphabet[] = {'A', 'B', 'a', 'b', 0x15, 0xF5, 0x05, 0x00};
    Bytes data(size);
    for (uint8_t& b : data)
        b = alphabet[rng() % sizeof alphabet];
    return data;
}

RefEntry RandomEntry(std::mt19937& rng, int maxSize, const Bytes* source)
{
    RefEntry e;
    e.mode = static_cast<int>(rng() % 3);
    int size = 1 + static_cast<int>(rng() % maxSize);
    Bytes base = RandomData(rng, size);
    if (source && source->size() >= static_cast<size_t>(size) && rng() % 2)
    {
        size_t at = rng() % (source->size() - size + 1);
        base.assign(source->begin() + at, source->begin() + at + size);
    }
    e.value = base;
    e.mask.assign(size, 0xFF);
    if (e.mode == SEARCH_MASKED)
        for (uint8_t& m : e.mask)
            m = static_cast<uint8_t>("\x00\x0F\xFF\xFF\xDF"[rng() % 5]);   // 0: a wildcard byte
    return e;
}

// ---------------------------------------------------------------------------------------

TEST(ParseSearchText, NumbersLittleEndian)
{
    // The examples of the search dialog: hex, and nine hex digits giving 8 bytes.
    EXPECT_EQ(Parse("0x12345678"), B({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Parse("0x123456789"), B({0x89, 0x67, 0x45, 0x23, 0x01, 0, 0, 0}));
    EXPECT_EQ(Parse("1234"), B({0xD2, 0x04, 0, 0}));                  // 1234 = 0x04D2
    EXPECT_EQ(Parse("0b101"), B({5, 0, 0, 0}));
    EXPECT_EQ(Parse("0o17"), B({15, 0, 0, 0}));
    EXPECT_EQ(Parse("-1"), B({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Parse("-0x10"), B({0xF0, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Parse("  \t42"), B({42, 0, 0, 0}));
    // The digit count decides the width, not the value: leading zeros count, the prefix
    // does not.
    EXPECT_EQ(Parse("000000001").size(), 8u);
    EXPECT_EQ(Parse("0x00000001").size(), 4u);
    EXPECT_EQ(Parse("0b111111111").size(), 8u);
    // A number is the whole text (blanks and line ends aside): one followed by a word, or too
    // large for 64 bits, gives no bytes at all rather than a number nobody typed.
    for (const char* text : {"32-Bit", "1.5", "12 GB", "7/0", "0x1G", "99999999999999999999", "-99999999999999999999",
                             "0x10000000000000000", "-0x8000000000000001", "-18446744073709551615"})
        EXPECT_TRUE(Parse(text).empty()) << text;
    EXPECT_EQ(Parse("-9223372036854775808"), B({0, 0, 0, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(Parse("18446744073709551615"), B({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Parse("42 \r\n"), B({42, 0, 0, 0}));
    // At the edges of one byte: -128 and 255 fit it, -129 and 256 do not.
    EXPECT_EQ(Parse("-128", 1), B({0x80}));
    EXPECT_EQ(Parse("255", 1), B({0xFF}));
    EXPECT_TRUE(Parse("-129", 1).empty());
    EXPECT_TRUE(Parse("256", 1).empty());
}

TEST(ParseSearchText, NumbersCrossCheckedWithPrintf)
{
    std::mt19937_64 rng(7);
    for (int i = 0; i < 2000; ++i)
    {
        unsigned long long v = rng() >> (rng() % 64);
        bool negative = rng() % 3 == 0;
        int form = static_cast<int>(rng() % 3);
        char digits[80];
        if (form == 0)
            snprintf(digits, sizeof digits, "%llu", v);
        else if (form == 1)
            snprintf(digits, sizeof digits, "%llx", v);
        else
            snprintf(digits, sizeof digits, "%llo", v);
        std::string text = std::string(negative ? "-" : "") + (form == 1 ? "0x" : form == 2 ? "0o" : "") + digits;
        unsigned long long expectedValue = negative ? 0 - v : v;
        size_t width = strlen(digits) > 8 ? 8 : 4;
        // Whether the magnitude keeps its meaning in `bytes` bytes: a negative one within the
        // signed range, any other within the unsigned one.
        // Hex and octal may also give the pattern of a negative 32-bit or 64-bit number.
        auto fits = [&](size_t bytes) {
            if (bytes == 8)
                return !negative || v <= (1ull << 63);
            const unsigned long long half = 1ull << (8 * bytes - 1);
            if (negative && v != 0)
                return v <= half;
            if (v < 2 * half)
                return true;
            const unsigned long long top = v < (1ull << 32) ? 1ull << 32 : 0;   // 0: 2^64
            return form != 0 && v >= (top ? top / 2 : 1ull << 63) && top - v <= half;
        };
        Bytes expected;
        for (size_t k = 0; k < width; ++k)
            expected.push_back(static_cast<uint8_t>(expectedValue >> (8 * k)));
        ASSERT_EQ(Parse(text.c_str()), fits(width) ? expected : Bytes()) << text;
        // A smaller capacity takes the low bytes of a number that fits them, and nothing of one
        // that does not.
        int cap = 1 + static_cast<int>(rng() % 3);
        ASSERT_EQ(Parse(text.c_str(), cap), fits(cap) ? Bytes(expected.begin(), expected.begin() + cap) : Bytes())
            << text << " in " << cap;
    }
}

TEST(ParseSearchText, QuotedAndPlainText)
{
    EXPECT_EQ(Parse("abc"), B({'a', 'b', 'c'}));
    EXPECT_EQ(Parse("\"a\\tb\""), B({'a', 9, 'b'}));
    EXPECT_EQ(Parse("\"x\\x41\\101\""), B({'x', 'A', 'A'}));
    EXPECT_EQ(Parse("  \"ab\" trailing"), B({'a', 'b'}));
    EXPECT_EQ(Parse("\"Größe\""), B({'G', 'r', 0xF6, 0xDF, 'e'}));   // code page 1252
    // Unbalanced quotes: the literal runs to the end of the text.
    EXPECT_EQ(Parse("\"abc"), B({'a', 'b', 'c'}));
    EXPECT_EQ(Parse("ab\"c"), B({'a', 'b'}));
    int n = 99;
    EXPECT_TRUE(Parse("\"", VS_SLOT_SIZE, 0, &n).empty());
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(Parse("\"\"", VS_SLOT_SIZE, 0, &n).empty());
    EXPECT_EQ(n, 0);
    // Stray wildcard characters outside a hex dump are plain text.
    EXPECT_EQ(Parse("??"), B({'?', '?'}));
    EXPECT_EQ(Parse("#"), B({'#'}));
    // UTF-16: each character one 16-bit unit, little-endian.
    EXPECT_EQ(Parse("\"AB\"", VS_SLOT_SIZE | VS_CAPACITY_UTF16), B({'A', 0, 'B', 0}));
    EXPECT_EQ(Parse("Ä", VS_SLOT_SIZE | VS_CAPACITY_UTF16), B({0xC4, 0}));
    // The whole capacity is used (the literal reader's terminator is not needed here), and
    // an odd capacity never splits a unit.
    EXPECT_EQ(Parse("abcdef", 3), B({'a', 'b', 'c'}));
    EXPECT_EQ(Parse("\"ABC\"", 3 | VS_CAPACITY_UTF16), B({'A', 0}));
}

TEST(ParseSearchText, HexDumps)
{
    EXPECT_EQ(Parse(":41 42 43"), B({0x41, 0x42, 0x43}));
    EXPECT_EQ(Parse(":414243"), B({0x41, 0x42, 0x43}));
    EXPECT_EQ(Parse("  :\t0a Ff"), B({0x0A, 0xFF}));
    // A "(" before any further ":" or "#" keeps it a plain dump, also with the mask flag:
    // the dialog puts the typed text in parentheses behind the hex.
    EXPECT_EQ(Parse(":41 42\t\t(\"x:#\")", VS_SLOT_SIZE, 1), B({0x41, 0x42}));
    // Masked dump: "1?" is value 0x10 mask 0xF0; "#0101????" value 0x50 mask 0xF0.
    EXPECT_EQ(Parse(":1? #0101????", VS_SLOT_SIZE, 1), B({0x10, 0x50, 0xF0, 0xF0}));
    EXPECT_EQ(Parse(":41 :00001111", VS_SLOT_SIZE, 1), B({0x41, 0x0F, 0xFF, 0xFF}));
    // Without the mask flag the same text is read as a plain dump: "1" then the "?" ends it.
    EXPECT_EQ(Parse(":1? #0101????", VS_SLOT_SIZE, 0), B({0x01}));
    // Each half of a masked read gets half the capacity.
    EXPECT_EQ(Parse(":11 22 33 #00000000", 4, 1), B({0x11, 0x22, 0xFF, 0xFF}));
    int n = 99;
    EXPECT_TRUE(Parse(":", VS_SLOT_SIZE, 0, &n).empty());
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(Parse(":zz", VS_SLOT_SIZE, 1, &n).empty());
    EXPECT_EQ(n, 0);
}

TEST(ParseSearchText, EmptyAndUnparsable)
{
    uint8_t buffer[8] = {};
    EXPECT_EQ(ParseSearchText(nullptr, buffer, 8, 0), -1);
    EXPECT_EQ(ParseSearchText("", buffer, 8, 0), -1);
    EXPECT_EQ(ParseSearchText(" \t ", buffer, 8, 0), -1);
    EXPECT_EQ(ParseSearchText("-", buffer, 8, 0), 0);
    EXPECT_EQ(ParseSearchText("- 5", buffer, 8, 0), 0);
    EXPECT_EQ(ParseSearchText("-abc", buffer, 8, 0), 0);
    EXPECT_EQ(ParseSearchText("abc", buffer, 0, 0), 0);
    EXPECT_EQ(ParseSearchText("abc", nullptr, 8, 0), 0);
    EXPECT_EQ(ParseSearchText("abc", buffer, 0x80000008u, 0), 0);   // a negative capacity
}

TEST(ParseSearchText, NeverWritesOrReadsOutsideItsBuffers)
{
    GuardedBuffer textPage(4096), outPage(4096);
    ASSERT_TRUE(textPage.Ok() && outPage.Ok());
    // An over-long hex dump into a slot that ends at the fence.
    std::string dump = ":";
    for (int i = 0; i < 600; ++i)
        dump += "A5 ";
    for (int cap : {0, 1, 2, 3, 255, 256})
    {
        uint8_t* out = outPage.OutputAtEnd(cap);
        int n = ParseSearchText(textPage.TextAtEnd(dump.c_str()), out, cap, 1);
        EXPECT_EQ(n, cap);
        std::string masked = ":" + std::string(900, '?');
        n = ParseSearchText(textPage.TextAtEnd(masked.c_str()), out, cap, 1);
        EXPECT_LE(n, cap);
        EXPECT_EQ(n % 2, 0);
    }
    // Random texts from the characters the forms are made of.
    std::mt19937 rng(11);
    const char alphabet[] = ":#?()\"\\-0xbo19AaFfGg \t,";
    for (int i = 0; i < 5000; ++i)
    {
        std::string text;
        int length = static_cast<int>(rng() % 40);
        for (int k = 0; k < length; ++k)
            text.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
        int cap = static_cast<int>(rng() % 12);
        uint8_t* out = outPage.OutputAtEnd(cap);
        uint32_t flags = rng() % 2 ? VS_CAPACITY_UTF16 : 0;
        int n = ParseSearchText(textPage.TextAtEnd(text.c_str()), out, cap | flags, static_cast<int>(rng() % 2));
        ASSERT_GE(n, -1) << text;
        ASSERT_LE(n, cap) << text;
    }
}

// ---------------------------------------------------------------------------------------

TEST(SearchBytes, AgainstNaiveReferenceAtSizeBoundaries)
{
    std::mt19937 rng(3);
    GuardedBuffer page(65536 + 16);
    ASSERT_TRUE(page.Ok());
    for (int round = 0; round < 400; ++round)
    {
        RefEntry e = RandomEntry(rng, 6, nullptr);
        const int m = e.size();
        const size_t sizes[] = {0, 1, static_cast<size_t>(m - 1), static_cast<size_t>(m),
                                static_cast<size_t>(m + 1), 37, 65536};
        size_t size = sizes[rng() % (sizeof sizes / sizeof sizes[0])];
        if (size == 65536 && round % 8)
            size = 300;   // the large buffer in every eighth round only, to keep the run short
        Bytes data = RandomData(rng, size);
        if (size >= static_cast<size_t>(m) && rng() % 2)   // plant the value at an edge
        {
            size_t at = rng() % 2 ? 0 : size - m;
            std::copy(e.value.begin(), e.value.end(), data.begin() + at);
        }
        Bytes slot = e.value;
        slot.insert(slot.end(), e.mask.begin(), e.mask.end());
        // The data against either fence: a read past the end or before the start faults.
        const uint8_t* p = rng() % 2 ? page.AtEnd(data.data(), data.size()) : page.AtStart(data.data(), data.size());
        for (int trial = 0; trial < 6; ++trial)
        {
            int span = static_cast<int>(size) + 8;
            int start = static_cast<int>(rng() % (span + 1)) - 4;
            int count = static_cast<int>(rng() % (2 * span + 1)) - span;
            if (trial == 0)
            {
                start = static_cast<int>(size) - 1;   // backwards from the last byte over more
                count = -(span + 100);                // positions than there are
            }
            int expected = RefSearch(data, e.value, e.mask, start, count, e.mode);
            int got = SearchBytes(p, static_cast<int>(size), slot.data(), m, start, count, e.mode);
            ASSERT_EQ(got, expected) << "size " << size << " start " << start << " count " << count
                                     << " mode " << e.mode << " value " << Hex(e.value);
        }
    }
}

TEST(SearchBytes, EdgeRules)
{
    const uint8_t data[] = {'x', 'a', 'b', 'c'};
    const uint8_t abc[] = {'A', 'B', 'C'};
    EXPECT_EQ(SearchBytes(data, 4, abc, 0, 77, 1, SEARCH_EXACT), 77);   // size below 1: start
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 0, 4, SEARCH_EXACT), -1);
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 0, 4, SEARCH_IGNORE_CASE), 1);
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 3, -4, SEARCH_IGNORE_CASE), 1);
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 0, 0, SEARCH_IGNORE_CASE), -1);   // no positions
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 2, 2, SEARCH_IGNORE_CASE), -1);   // would run past the end
    EXPECT_EQ(SearchBytes(nullptr, 0, abc, 3, 0, 10, SEARCH_EXACT), -1);
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 0x7FFFFFF0, 0x7FFFFFF0, SEARCH_IGNORE_CASE), -1);
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, -0x7FFFFFF0, -0x7FFFFFF0, SEARCH_IGNORE_CASE), -1);
    EXPECT_EQ(SearchBytes(data, 4, abc, 3, 0x7FFFFFF0, -0x7FFFFFFF, SEARCH_IGNORE_CASE), 1);
    // Only A-Z fold: 0xC4 and 0xE4 (Ä, ä) stay different.
    const uint8_t umlaut[] = {0xE4};
    const uint8_t capital[] = {0xC4};
    EXPECT_EQ(SearchBytes(umlaut, 1, capital, 1, 0, 1, SEARCH_IGNORE_CASE), -1);
}

// Offsets of the same values in a generated file, found by grep. The 4096 bytes come from
// the generator below (also in the test), made with:
//   python3 -c 'a=b"ABCabc\x15\xF5";s=20261206;o=bytearray()
//   for i in range(4096): s=(s*1103515245+12345)&0x7FFFFFFF; o.append(a[(s>>16)%8])
//   open("lcg4096.bin","wb").write(o)'
//   LC_ALL=C grep -obUaP 'ABC' lcg4096.bin             (and '(?i)abc', '[\x15\xF5]A[Bb]')
// None of the three values can overlap itself, so grep's non-overlapping matches are all
// the matches.
TEST(SearchBytes, AgreesWithGrep)
{
    Bytes data;
    const uint8_t alphabet[] = {'A', 'B', 'C', 'a', 'b', 'c', 0x15, 0xF5};
    unsigned long long state = 20261206;
    for (int i = 0; i < 4096; ++i)
    {
        state = (state * 1103515245ull + 12345) & 0x7FFFFFFF;
        data.push_back(alphabet[(state >> 16) % 8]);
    }
    const std::vector<int> exact = {259, 630, 771, 1687, 2311, 2969, 2989, 3116, 3485, 3668};
    const std::vector<int> noCase = {
        68, 174, 202, 259, 382, 422, 426, 522, 630, 771, 870, 984, 1033, 1118, 1163,
        1177, 1206, 1373, 1388, 1481, 1687, 1745, 1818, 1912, 1967, 2271, 2297, 2303, 2311, 2360,
        2438, 2463, 2590, 2608, 2611, 2747, 2775, 2830, 2879, 2926, 2969, 2989, 3020, 3116, 3173,
        3197, 3420, 3423, 3485, 3559, 3574, 3581, 3599, 3629, 3668, 3723, 3855, 3879, 4031};
    const std::vector<int> masked = {75, 201, 400, 436, 452, 471, 645, 770, 807, 1210,
                                     1437, 1503, 1518, 1686, 1744, 1808, 1837, 2014, 2310, 2379,
                                     2400, 3375, 3484, 3523, 3541, 3863, 3878, 3952, 4018};
    struct Case
    {
        const char* text;
        int maskFlag;
        int mode;
        const std::vector<int>* offsets;
    } cases[] = {
        {"ABC", 0, SEARCH_EXACT, &exact},
        {"abc", 0, SEARCH_IGNORE_CASE, &noCase},
        {":?5 41 #01?00010", 1, SEARCH_MASKED, &masked},   // 05/0F 41/FF 42/DF
    };
    GuardedBuffer page(4096);
    ASSERT_TRUE(page.Ok());
    const uint8_t* p = page.AtEnd(data.data(), data.size());
    for (const Case& c : cases)
    {
        uint8_t value[VS_SLOT_SIZE];
        int n = ParseSearchText(c.text, value, VS_SLOT_SIZE, c.maskFlag);
        int size = c.mode == SEARCH_MASKED ? n / 2 : n;
        ASSERT_EQ(size, 3);
        std::vector<int> forward, backward;
        for (int at = 0; (at = SearchBytes(p, 4096, value, size, at, 4096 - at, c.mode)) >= 0; ++at)
            forward.push_back(at);
        for (int at = 4095; (at = SearchBytes(p, 4096, value, size, at, -(at + 1), c.mode)) >= 0; --at)
            backward.insert(backward.begin(), at);
        EXPECT_EQ(forward, *c.offsets) << c.text;
        EXPECT_EQ(backward, *c.offsets) << c.text;
    }
}

// ---------------------------------------------------------------------------------------

TEST(CompileSearchPattern, EntryLines)
{
    SearchPattern pattern;
    std::string list = PatternList("", {"T:3 /G\t:41 42 43\t\t\t(\"ABC\")"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(pattern.distance, 0);
    EXPECT_EQ(pattern.entries[0].type, 'T');
    EXPECT_EQ(pattern.entries[0].size, 3);
    EXPECT_EQ(pattern.entries[0].mode, SEARCH_IGNORE_CASE);
    // The selection pattern's form: count in hex after "0x", " /G" in front of the ":".
    list = PatternList("5", {"T:0x0005 /G :48656C6C6F"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(pattern.distance, 5);
    EXPECT_EQ(pattern.entries[0].size, 5);
    EXPECT_EQ(pattern.entries[0].mode, SEARCH_IGNORE_CASE);
    EXPECT_EQ(Bytes(pattern.entries[0].value, pattern.entries[0].value + 5), B({'H', 'e', 'l', 'l', 'o'}));
    // A mask entry: declared count 4 is 2 values and 2 masks.
    list = PatternList("1000", {"D:4\t:01 00 00 00", "M:4\t:05 41 0F FF\t(x)"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 2);
    EXPECT_EQ(pattern.distance, 1000);
    EXPECT_EQ(pattern.entries[0].mode, SEARCH_EXACT);
    EXPECT_EQ(pattern.entries[1].mode, SEARCH_MASKED);
    EXPECT_EQ(pattern.entries[1].size, 2);
    EXPECT_EQ(Bytes(pattern.entries[1].value, pattern.entries[1].value + 4), B({0x05, 0x41, 0x0F, 0xFF}));
    // A mask entry written as a masked dump.
    list = PatternList("", {"M:4\t:1? :0100????"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(Bytes(pattern.entries[0].value, pattern.entries[0].value + 4), B({0x10, 0x40, 0xF0, 0xF0}));
}

TEST(CompileSearchPattern, MalformedListsGiveNothingToSearch)
{
    SearchPattern pattern;
    EXPECT_EQ(CompileSearchPattern(nullptr, &pattern), 0);
    EXPECT_EQ(CompileSearchPattern("x", nullptr), 0);
    const std::vector<std::vector<std::string>> bad = {
        {},                         // no entries
        {"T"},                      // no ":"
        {"T:3"},                    // no value ":"
        {"T:3\t41 42 43"},          // no value ":"
        {"T:0\t:41"},               // count 0
        {"T:x\t:41"},               // count unreadable
        {"T:3\t:"},                 // no bytes
        {"T:3\t:zz"},               // no bytes
        {"M:1\t:41"},               // a mask entry of less than one value byte
        {"T:3\t:41", "   "},        // a blank entry line
        {"T:1\t:41", "M:2\t:"},     // a bad second entry spoils the group
    };
    GuardedBuffer page(4096);
    ASSERT_TRUE(page.Ok());
    for (const auto& lines : bad)
    {
        std::string list = PatternList("10", lines);
        const char* fenced = reinterpret_cast<const char*>(page.AtEnd(list.data(), list.size()));
        EXPECT_EQ(CompileSearchPattern(fenced, &pattern), 0) << (lines.empty() ? "" : lines[0]);
        EXPECT_EQ(pattern.entryCount, 0);
        const uint8_t data[] = {0x41, 0x42, 0x43};
        EXPECT_EQ(FindPatternInData(data, 3, fenced, 0, 3, 0, nullptr), -1);
    }
    // The smallest list: an empty distance and no entries, at the very end of the page.
    const char* empty = reinterpret_cast<const char*>(page.AtEnd("\0", 2));
    EXPECT_EQ(CompileSearchPattern(empty, &pattern), 0);
    // More than 16 entries are cut to 16.
    std::vector<std::string> many(20, "T:1\t:41");
    std::string list = PatternList("3", many);
    EXPECT_EQ(CompileSearchPattern(list.data(), &pattern), VS_MAX_ENTRIES);
    // A negative distance counts as 0.
    list = PatternList("-5", {"T:1\t:41"});
    EXPECT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(pattern.distance, 0);
}

// The count in an entry line may come from the registry and need not match the bytes its
// value gives: the compare never reaches past the parsed bytes, so a search for "T:200"
// with one byte finds that byte even in the last byte of the data, reading nothing beyond.
TEST(CompileSearchPattern, CompareLengthClampedToParsedBytes)
{
    SearchPattern pattern;
    std::string list = PatternList("", {"T:200\t:41"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(pattern.entries[0].declaredCount, 200);
    EXPECT_EQ(pattern.entries[0].size, 1);
    GuardedBuffer page(4096);
    ASSERT_TRUE(page.Ok());
    const uint8_t bytes[] = {0x00, 0x00, 0x41};
    const uint8_t* p = page.AtEnd(bytes, 3);
    SearchMatch match[VS_MAX_ENTRIES];
    EXPECT_EQ(FindPatternInData(p, 3, list.data(), 0, 3, 0, match), 2);
    EXPECT_EQ(match[0].length, 1);
    // A mask entry declaring more than its text holds: the masks stay those of the text.
    list = PatternList("", {"M:200\t:05 0F"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(pattern.entries[0].size, 1);
    const uint8_t nibble[] = {0x00, 0xF5};
    EXPECT_EQ(FindPatternInData(page.AtEnd(nibble, 2), 2, list.data(), 0, 2, 0, nullptr), 1);
    // A smaller declared count is kept: only the first two bytes are compared.
    list = PatternList("", {"T:2\t:41 42 43"});
    ASSERT_EQ(CompileSearchPattern(list.data(), &pattern), 1);
    EXPECT_EQ(pattern.entries[0].size, 2);
}

TEST(FindPattern, ExamplesOfTheSearchDialog)
{
    // With ignore case, ABC finds abc.
    const char text[] = "xxabcxx";
    const uint8_t* data = reinterpret_cast<const uint8_t*>(text);
    std::string list = PatternList("", {"T:3 /G\t:41 42 43"});
    EXPECT_EQ(FindPatternInData(data, 7, list.data(), 0, 7, 0, nullptr), 2);
    list = PatternList("", {"T:3\t:41 42 43"});
    EXPECT_EQ(FindPatternInData(data, 7, list.data(), 0, 7, 0, nullptr), -1);
    // A mask byte 0x0F matches any high nibble.
    const uint8_t nibbles[] = {0x00, 0xA7, 0x35};
    list = PatternList("", {"M:2\t:05 0F"});
    EXPECT_EQ(FindPatternInData(nibbles, 3, list.data(), 0, 3, 0, nullptr), 2);
    EXPECT_EQ(FindPatternInData(nibbles, 3, list.data(), 2, -3, 0, nullptr), 2);
    // Group without order: the second value 3 bytes before and 3 bytes after the first
    // match takes the one after.
    const uint8_t group[] = {0, 0xBB, 0, 0, 0xAA, 0, 0, 0xBB, 0};
    list = PatternList("10", {"H:1\t:AA", "H:1\t:BB"});
    SearchMatch match[VS_MAX_ENTRIES];
    EXPECT_EQ(FindPatternInData(group, 9, list.data(), 0, 9, 0, match), 4);
    EXPECT_EQ(match[1].offset, 7);
    // Only one before it: that one.
    EXPECT_EQ(FindPatternInData(group, 7, list.data(), 0, 7, 0, match), 4);
    EXPECT_EQ(match[1].offset, 1);
    // In order it must follow.
    EXPECT_EQ(FindPatternInData(group, 7, list.data(), 0, 7, VSF_KEEP_ORDER, match), -1);
    EXPECT_EQ(FindPatternInData(group, 9, list.data(), 0, 9, VSF_KEEP_ORDER, match), 4);
    // Beyond the distance it is not part of the group.
    list = PatternList("2", {"H:1\t:AA", "H:1\t:BB"});
    EXPECT_EQ(FindPatternInData(group, 9, list.data(), 0, 9, 0, match), -1);
}

// Backwards from the last byte over far more positions than there are, with the data
// against the lower fence: no position below 0 is tried.
TEST(FindPattern, BackwardSearchStaysInsideTheData)
{
    GuardedBuffer page(4096);
    ASSERT_TRUE(page.Ok());
    const uint8_t bytes[] = {0x41, 0x42, 0x00, 0x41};
    const uint8_t* p = page.AtStart(bytes, 4);
    std::string list = PatternList("", {"T:2\t:41 42"});
    EXPECT_EQ(FindPatternInData(p, 4, list.data(), 3, -1000, 0, nullptr), 0);
    EXPECT_EQ(FindPatternInData(p, 4, list.data(), 3, -0x7FFFFFFF, 0, nullptr), 0);
    list = PatternList("", {"T:2\t:42 41"});
    EXPECT_EQ(FindPatternInData(p, 4, list.data(), 3, -1000, 0, nullptr), -1);
    // A group whose second entry would be looked for before the start.
    list = PatternList("100", {"T:1\t:41", "T:1\t:77"});
    EXPECT_EQ(FindPatternInData(p, 4, list.data(), 3, -1000, 0, nullptr), -1);
    EXPECT_EQ(FindPatternInData(p, 4, list.data(), 0, 1000, 0, nullptr), -1);
}

TEST(FindPattern, GroupsAgainstReference)
{
    std::mt19937 rng(5);
    GuardedBuffer page(256);
    ASSERT_TRUE(page.Ok());
    for (int round = 0; round < 1500; ++round)
    {
        size_t size = rng() % 120;
        Bytes data = RandomData(rng, size);
        int entryCount = 1 + static_cast<int>(rng() % 3);
        std::vector<RefEntry> entries;
        std::vector<std::string> lines;
        for (int i = 0; i < entryCount; ++i)
        {
            entries.push_back(RandomEntry(rng, 3, &data));
            lines.push_back(EntryLine(entries.back()));
        }
        int distance = static_cast<int>(rng() % 20);
        std::string list = PatternList(std::to_string(distance), lines);
        bool ordered = rng() % 2;
        int span = static_cast<int>(size) + 4;
        int start = static_cast<int>(rng() % (span + 1)) - 2;
        int count = static_cast<int>(rng() % (2 * span + 1)) - span;
        const uint8_t* p = rng() % 2 ? page.AtEnd(data.data(), size) : page.AtStart(data.data(), size);
        std::vector<int> placed;
        int expected = RefGroupSearch(data, entries, distance, start, count, ordered, &placed);
        SearchMatch match[VS_MAX_ENTRIES];
        int got = FindPatternInData(p, static_cast<int>(size), list.data(), start, count,
                                    ordered ? static_cast<uint32_t>(VSF_KEEP_ORDER) : 0u, match);
        ASSERT_EQ(got, expected) << "round " << round << " start " << start << " count " << count;
        if (got < 0)
            continue;
        if (ordered)
        {
            // Any valid chain may be reported; check that this one is valid.
            long long end = got + entries[0].size();
            for (int i = 1; i < entryCount; ++i)
            {
                ASSERT_TRUE(RefEntryAt(data, match[i].offset, entries[i]));
                ASSERT_GE(match[i].offset, end);
                ASSERT_LE(match[i].offset, got + distance);
                end = match[i].offset + entries[i].size();
            }
        }
        else
        {
            for (int i = 1; i < entryCount; ++i)
                ASSERT_EQ(match[i].offset, placed[i]) << "round " << round << " entry " << i;
        }
        for (int i = 0; i < entryCount; ++i)
            ASSERT_EQ(match[i].length, entries[i].size());
    }
}

TEST(FindPattern, AbortWordEndsTheSearch)
{
    const uint8_t data[] = {1, 2, 3, 1, 2, 3};
    const uint8_t value[] = {2, 3};
    volatile long abort = 0;
    EXPECT_EQ(SearchBytes(data, 6, value, 2, 0, 6, SEARCH_EXACT, &abort), 1);
    std::string list = PatternList("", {"T:2\t:02 03"});
    EXPECT_EQ(FindPatternInData(data, 6, list.data(), 5, -6, 0, nullptr, &abort), 4);
    abort = 1;
    EXPECT_EQ(SearchBytes(data, 6, value, 2, 0, 6, SEARCH_EXACT, &abort), -1);
    EXPECT_EQ(FindPatternInData(data, 6, list.data(), 5, -6, 0, nullptr, &abort), -1);
}

TEST(FindPattern, SelectionPatternFindsTheSelection)
{
    const char text[] = "....Hello, hello.";
    const uint8_t* data = reinterpret_cast<const uint8_t*>(text);
    const uint8_t hello[] = {'H', 'e', 'l', 'l', 'o'};
    char* exact = MakeSelectionPattern(hello, 5, 0);
    char* noCase = MakeSelectionPattern(hello, 5, VSF_IGNORE_CASE);
    ASSERT_TRUE(exact && noCase);
    EXPECT_EQ(FindPatternInData(data, 17, exact, 5, 12, 0, nullptr), -1);
    EXPECT_EQ(FindPatternInData(data, 17, noCase, 5, 12, 0, nullptr), 11);
    EXPECT_EQ(FindPatternInData(data, 17, noCase, 16, -17, 0, nullptr), 11);
    EXPECT_EQ(FindPatternInData(data, 17, exact, 16, -17, 0, nullptr), 4);
    free(exact);
    free(noCase);
}

}  // namespace

// The range a search is split into at the cursor does not bound an ordered group's later
// entries (only the distance and the data do); a byte window of the search in sectors does.
TEST(FindPattern, OrderedGroupReachesPastTheSplitRange)
{
    Bytes data(16, 0x00);
    data[5] = 0xAA;
    data[8] = 0xBB;
    const struct
    {
        const char* what;
        const char* distance;
        int start, count;
        uint32_t flags;
        int found, second;
    } cases[] = {
        {"wrap part from 0 to the cursor 6", "10", 0, 7, VSF_KEEP_ORDER, 5, 8},
        {"backwards from the cursor 6", "10", 5, -16, VSF_KEEP_ORDER, 5, 8},
        {"the distance still bounds it", "2", 0, 7, VSF_KEEP_ORDER, -1, -1},
        {"entry starting right at the distance", "3", 0, 7, VSF_KEEP_ORDER, 5, 8},
        {"unordered stays inside the range", "10", 0, 7, 0, -1, -1},
        {"a byte window keeps its bounds", "10", 0, 7, VSF_KEEP_ORDER | VSF_WHOLE_ENTRIES, -1, -1},
        {"a byte window holding both", "10", 0, 9, VSF_KEEP_ORDER | VSF_WHOLE_ENTRIES, 5, 8},
    };
    for (const auto& c : cases)
    {
        std::string list = PatternList(c.distance, {"H:1\t:AA", "H:1\t:BB"});
        SearchMatch match[VS_MAX_ENTRIES] = {};
        EXPECT_EQ(FindPatternInData(data.data(), 16, list.data(), c.start, c.count, c.flags, match), c.found) << c.what;
        if (c.found >= 0)
        {
            EXPECT_EQ(match[1].offset, c.second) << c.what;
        }
    }
}
