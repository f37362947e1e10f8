#include "services/ByteUtils.h"
#include "tests/support/GuardedBuffer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Bit-at-a-time reflected CRC-32, the textbook definition the table must reproduce.
uint32_t BitwiseCrc32(uint32_t crc, const unsigned char* data, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0u);
    }
    return crc;
}

std::vector<unsigned char> RandomBytes(std::mt19937& rng, size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(rng());
    return bytes;
}

// Independent Base64 decoder (ignores line feeds).
std::vector<unsigned char> DecodeBase64(const std::string& text)
{
    std::vector<unsigned char> out;
    uint32_t block = 0;
    int bits = 0;
    for (char ch : text) {
        int v;
        if (ch >= 'A' && ch <= 'Z') v = ch - 'A';
        else if (ch >= 'a' && ch <= 'z') v = ch - 'a' + 26;
        else if (ch >= '0' && ch <= '9') v = ch - '0' + 52;
        else if (ch == '+') v = 62;
        else if (ch == '/') v = 63;
        else continue;
        block = (block << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<unsigned char>(block >> bits));
        }
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CRC-32

TEST(Crc32, CheckValueOfTheStandardVector)
{
    // The published check value of CRC-32 (ISO-HDLC) for "123456789".
    EXPECT_EQ(~Crc32Update(0xFFFFFFFFu, "123456789", 9), 0xCBF43926u);
}

TEST(Crc32, MatchesBitwiseReferenceOnRandomBuffers)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        auto data = RandomBytes(rng, rng() % 3000);
        uint32_t start = rng();
        EXPECT_EQ(Crc32Update(start, data.data(), static_cast<int>(data.size())),
                  BitwiseCrc32(start, data.data(), data.size()));
    }
}

TEST(Crc32, EmptyAndNullInputKeepTheStart)
{
    EXPECT_EQ(Crc32Update(0x12345678u, "abc", 0), 0x12345678u);
    EXPECT_EQ(Crc32Update(0x12345678u, "abc", -5), 0x12345678u);
    EXPECT_EQ(Crc32Update(0x12345678u, nullptr, 100), 0x12345678u);
}

// ---------------------------------------------------------------------------------------
// Base64

TEST(Base64, Rfc4648Vectors)
{
    const char* vectors[][2] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                                {"foobar", "Zm9vYmFy"}};
    for (auto& v : vectors) {
        char out[32];
        memset(out, 'X', sizeof(out));
        int n = Base64Encode(v[0], static_cast<int>(strlen(v[0])), out, 0);
        EXPECT_EQ(n, static_cast<int>(strlen(v[1])));
        EXPECT_STREQ(out, v[1]);
    }
}

TEST(Base64, LineBreaksAfterEveryFullLine)
{
    std::mt19937 rng(7);
    for (int lineLength : {4, 64, 76, 5}) {
        for (int count : {0, 1, 2, 3, 47, 48, 49, 57, 100, 301}) {
            auto data = RandomBytes(rng, count);
            int encoded = (count + 2) / 3 * 4;
            std::vector<char> out(encoded + encoded / lineLength + 1 + 16, 'X');
            int n = Base64Encode(data.data(), count, out.data(), lineLength);
            ASSERT_EQ(n, encoded + encoded / lineLength);
            ASSERT_EQ(out[n], '\0');
            EXPECT_EQ(out[n + 1], 'X');   // nothing beyond the NUL
            std::string text(out.data(), n);
            // Every line but the last is exactly lineLength characters.
            size_t start = 0;
            for (size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', start)) {
                EXPECT_EQ(lf - start, static_cast<size_t>(lineLength));
                start = lf + 1;
            }
            EXPECT_LT(text.size() - start, static_cast<size_t>(lineLength));
            EXPECT_EQ(DecodeBase64(text), data);
        }
    }
}

// ---------------------------------------------------------------------------------------
// BytesToHexText / FormatBytesAsHex / HexPairsToBytes

TEST(HexText, HandChecked)
{
    const unsigned char bytes[] = {0x12, 0xAB, 0x00, 0xFF, 0x5C};
    char out[64];
    EXPECT_EQ(BytesToHexText(bytes, out, 5, 0x80002000u), 15);
    EXPECT_STREQ(out, "12 AB 00 FF 5C ");
    EXPECT_EQ(FormatBytesAsHex(out, bytes, 3, 0xA0002000u), 10);
    EXPECT_STREQ(out, ":12 AB 00 ");
    EXPECT_EQ(BytesToHexText(bytes, out, 5, 0x80000000u), 10);
    EXPECT_STREQ(out, "12AB00FF5C");
    // Groups of two with "-" between them, the last group short, nothing behind it.
    EXPECT_EQ(BytesToHexText(bytes, out, 5, 0x80000000u | HEXTEXT_GROUP(1) | HEXTEXT_SEPARATOR('-') |
                                                HEXTEXT_NO_TRAILING), 12);
    EXPECT_STREQ(out, "12AB-00FF-5C");
    // The same groups in reverse order within each group.
    BytesToHexText(bytes, out, 5, 0xC0000000u | HEXTEXT_GROUP(1) | HEXTEXT_SEPARATOR('-') | HEXTEXT_NO_TRAILING);
    EXPECT_STREQ(out, "AB12-FF00-5C");
    // Groups of one reversed: the whole sequence backwards.
    BytesToHexText(bytes, out, 5, 0xC0000000u | HEXTEXT_SEPARATOR(' ') | HEXTEXT_NO_TRAILING);
    EXPECT_STREQ(out, "5C FF 00 AB 12");
    // Interval 2 with "," separators: a blank after every second byte as well; with
    // HEXTEXT_BLANK_AT_INTERVAL only the blank there.
    BytesToHexText(bytes, out, 4, 0x80000000u | HEXTEXT_SEPARATOR(',') | 2);
    EXPECT_STREQ(out, "12,AB, 00,FF, ");
    BytesToHexText(bytes, out, 4, 0x80000000u | HEXTEXT_SEPARATOR(',') | 2 | HEXTEXT_BLANK_AT_INTERVAL);
    EXPECT_STREQ(out, "12,AB 00,FF ");
}

TEST(HexText, WritesNoNulWithoutTheFlagAndStaysInItsBound)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        int count = static_cast<int>(rng() % 40);
        auto data = RandomBytes(rng, count);
        uint32_t flags = (rng() & 0xFF000000u) | (rng() % 2 ? HEXTEXT_SEPARATOR(' ') : 0) | (rng() % 9);
        std::vector<char> out(count * 4 + 2 + 8, 'X');
        int n = BytesToHexText(data.data(), out.data(), count, flags);
        int bound = count * 4 + 2;
        ASSERT_LE(n + ((flags & HEXTEXT_TERMINATE) ? 1 : 0), bound);
        for (size_t i = bound; i < out.size(); ++i)
            ASSERT_EQ(out[i], 'X');
        if (flags & HEXTEXT_TERMINATE)
            EXPECT_EQ(out[n], '\0');
        else
            EXPECT_EQ(out[n], 'X');
    }
}

TEST(HexText, RoundTripsThroughHexPairs)
{
    std::mt19937 rng(11);
    const char separators[] = {0, ' ', ',', '-', '.', ':'};
    for (int round = 0; round < 2000; ++round) {
        int count = 1 + static_cast<int>(rng() % 64);
        auto data = RandomBytes(rng, count);
        char separator = separators[rng() % 6];
        int log2 = static_cast<int>(rng() % 4);
        uint32_t flags = HEXTEXT_TERMINATE | HEXTEXT_SEPARATOR(separator) | HEXTEXT_GROUP(log2) |
                         (rng() % 2 ? (rng() % 12) : 0) | (rng() & (HEXTEXT_BLANK_AT_INTERVAL |
                         HEXTEXT_NO_TRAILING | HEXTEXT_LEADING_COLON | HEXTEXT_REVERSE));
        std::vector<char> text(count * 4 + 2);
        int n = BytesToHexText(data.data(), text.data(), count, flags);

        uint32_t mode = static_cast<uint32_t>(count) | HEXPARSE_ALLOW_COMMA | HEXPARSE_ALLOW_MINUS |
                        HEXPARSE_ALLOW_PERIOD | HEXPARSE_ALLOW_COLON;
        std::vector<unsigned char> back(count + 1, 0xEE);
        int consumed = -1;
        int read = HexPairsToBytes(back.data(), mode, text.data(), &consumed);
        ASSERT_EQ(read, count) << text.data();
        EXPECT_EQ(back[count], 0xEE);   // capacity respected

        // Undo the reversal independently: groups of the group size (1 = the whole text).
        int group = separator ? 1 << log2 : 1;
        std::vector<unsigned char> expected = data;
        if (flags & HEXTEXT_REVERSE) {
            if (group == 1)
                std::reverse(expected.begin(), expected.end());
            else
                for (int g = 0; g < count; g += group)
                    std::reverse(expected.begin() + g, expected.begin() + std::min(count, g + group));
        }
        back.resize(count);
        EXPECT_EQ(back, expected) << text.data();
        // Everything but a trailing separator is read.
        if ((flags & HEXTEXT_NO_TRAILING) || separator == 0 || separator == ' ')
            EXPECT_EQ(consumed, n) << text.data();
        else
            EXPECT_LE(consumed, n);
    }
}

TEST(HexPairs, Forms)
{
    unsigned char out[16];
    int consumed;
    // Single digits give their value; pairs of either case; leading blanks and ":".
    EXPECT_EQ(HexPairsToBytes(out, 16, "  :1 2a 3  ", &consumed), 3);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x2A);
    EXPECT_EQ(out[2], 0x03);
    EXPECT_EQ(consumed, 11);   // trailing blanks counted
    // "123" is the pair 12 and the single 3.
    EXPECT_EQ(HexPairsToBytes(out, 16, "123", &consumed), 2);
    EXPECT_EQ(out[1], 0x03);
    // The ":" is not skipped with HEXPARSE_NO_COLON.
    EXPECT_EQ(HexPairsToBytes(out, 16 | HEXPARSE_NO_COLON, ":12", &consumed), 0);
    EXPECT_EQ(consumed, 0);
    // Reading stops at another character.
    EXPECT_EQ(HexPairsToBytes(out, 16, "12 34 xy", &consumed), 2);
    EXPECT_EQ(consumed, 6);
    // Separators only when allowed, one between pairs, and only when a pair follows.
    EXPECT_EQ(HexPairsToBytes(out, 16, "12,34", &consumed), 1);
    EXPECT_EQ(HexPairsToBytes(out, 16 | HEXPARSE_ALLOW_COMMA, "12 , 34,", &consumed), 2);
    EXPECT_EQ(consumed, 7);
    EXPECT_EQ(HexPairsToBytes(out, 16 | HEXPARSE_ALLOW_COMMA, "12,,34", &consumed), 1);
    // Quoted text.
    EXPECT_EQ(HexPairsToBytes(out, 16 | HEXPARSE_QUOTED, "41 \"bc\" 44", &consumed), 4);
    EXPECT_EQ(memcmp(out, "Abc\x44", 4), 0);
    EXPECT_EQ(HexPairsToBytes(out, 16, "41 \"bc\"", &consumed), 1);
    // The capacity stops reading; the fill completes it.
    EXPECT_EQ(HexPairsToBytes(out, 2, "11 22 33", &consumed), 2);
    EXPECT_EQ(consumed, 6);
    memset(out, 0, sizeof(out));
    EXPECT_EQ(HexPairsToBytes(out, 6 | HEXPARSE_FILL_BYTE(0xA5), "11 22", nullptr), 2);
    EXPECT_EQ(memcmp(out, "\x11\x22\xA5\xA5\xA5\xA5\x00", 7), 0);
    // NULL text and NULL output.
    EXPECT_EQ(HexPairsToBytes(out, 16, nullptr, &consumed), 0);
    EXPECT_EQ(consumed, 0);
    EXPECT_EQ(HexPairsToBytes(nullptr, 16, "12", &consumed), 0);
}

TEST(HexPairs, NeverReadsPastTheNul)
{
    const char* texts[] = {"1", "12 3", ":", "  ", "12,", "\"abc", "#101", "?", "\"a?"};
    unsigned char values[8];
    unsigned char masks[8];
    for (const char* t : texts) {
        GuardedBuffer fenced;
        const char* text = fenced.TextAtEnd(t);
        HexPairsToBytes(values, 8 | HEXPARSE_QUOTED | HEXPARSE_ALLOW_COMMA, text, nullptr);
        HexTextToBytes(values, masks, 8 | HEXPARSE_QUOTED, text, nullptr);
    }
    SUCCEED();
}

// ---------------------------------------------------------------------------------------
// Masked hex text

TEST(MaskedHex, HandChecked)
{
    const unsigned char values[] = {0x12, 0x3F, 0xA0, 0x05, 0xC3};
    const unsigned char masks[] = {0xFF, 0xF0, 0x00, 0x0F, 0x81};
    char out[64];
    int n = MaskedBytesToHexText(out, 64, values, masks, 5, HEXTEXT_TERMINATE | HEXTEXT_SEPARATOR(' '));
    EXPECT_STREQ(out, "12 3? ?? ?5 #1??????1 ");
    EXPECT_EQ(n, 22);
    MaskedBytesToHexText(out, 64, values, masks, 5,
                         HEXTEXT_TERMINATE | HEXTEXT_SEPARATOR(' ') | HEXTEXT_NO_TRAILING |
                             HEXTEXT_LEADING_COLON | HEXTEXT_MASKED_COLON | HEXTEXT_REVERSE);
    EXPECT_STREQ(out, "::1??????1 ?5 ?? 3? 12");

    unsigned char v[8], m[8];
    int consumed;
    EXPECT_EQ(HexTextToBytes(v, m, 8, " :12 3? #1??????1 ?", &consumed), 4);
    EXPECT_EQ(consumed, 19);
    EXPECT_EQ(v[1], 0x30);
    EXPECT_EQ(m[1], 0xF0);
    EXPECT_EQ(v[2] & m[2], 0x81);
    EXPECT_EQ(m[2], 0x81);
    EXPECT_EQ(m[3], 0xF0);   // a single "?": the low nibble open, the high one a known zero
    // Binary digits left out at the top are known zeros; a blank ends a byte early.
    EXPECT_EQ(HexTextToBytes(v, m, 8, "#1?1 A", nullptr), 2);
    EXPECT_EQ(v[0], 0x05);
    EXPECT_EQ(m[0], 0xFD);
    EXPECT_EQ(v[1], 0x0A);
    EXPECT_EQ(m[1], 0xFF);
    // Quoted text with "?" as any byte.
    EXPECT_EQ(HexTextToBytes(v, m, 8 | HEXPARSE_QUOTED, "\"a?b\" 0F", nullptr), 4);
    EXPECT_EQ(v[0], 'a');
    EXPECT_EQ(m[0], 0xFF);
    EXPECT_EQ(m[1], 0x00);
    EXPECT_EQ(v[3], 0x0F);
}

TEST(MaskedHex, RoundTripsThroughHexTextToBytes)
{
    std::mt19937 rng(21);
    const unsigned char maskChoices[] = {0xFF, 0xF0, 0x0F, 0x00};
    for (int round = 0; round < 2000; ++round) {
        int count = 1 + static_cast<int>(rng() % 32);
        auto values = RandomBytes(rng, count);
        std::vector<unsigned char> masks(count);
        for (auto& m : masks)
            m = rng() % 3 ? maskChoices[rng() % 4] : static_cast<unsigned char>(rng());
        char separator = "\0 \t"[rng() % 3];
        uint32_t flags = HEXTEXT_TERMINATE | HEXTEXT_SEPARATOR(separator) | (rng() % 2 ? rng() % 6 : 0) |
                         (rng() & (HEXTEXT_NO_TRAILING | HEXTEXT_LEADING_COLON | HEXTEXT_REVERSE |
                                   HEXTEXT_MASKED_COLON));
        // A ":" in front of a first binary byte would be taken as the leading ":".
        if (flags & HEXTEXT_MASKED_COLON)
            flags |= HEXTEXT_LEADING_COLON;
        char text[32 * 11 + 4];
        int n = MaskedBytesToHexText(text, sizeof(text), values.data(), masks.data(), count, flags);
        ASSERT_LT(n, static_cast<int>(sizeof(text)));

        std::vector<unsigned char> v(count + 1, 0xEE), m(count + 1, 0xEE);
        int consumed = -1;
        ASSERT_EQ(HexTextToBytes(v.data(), m.data(), static_cast<uint32_t>(count), text, &consumed), count) << text;
        EXPECT_EQ(consumed, n) << text;
        EXPECT_EQ(v[count], 0xEE);
        for (int i = 0; i < count; ++i) {
            int source = (flags & HEXTEXT_REVERSE) ? count - 1 - i : i;
            EXPECT_EQ(m[i], masks[source]) << text;
            EXPECT_EQ(v[i] & m[i], values[source] & masks[source]) << text;
        }
    }
}

TEST(MaskedHex, WritesOnlyWholeBytesWithinTheCapacity)
{
    const unsigned char values[] = {0x12, 0x34, 0x56};
    const unsigned char masks[] = {0xFF, 0x3C, 0xFF};
    for (int capacity = 0; capacity < 24; ++capacity) {
        char out[32];
        memset(out, 'X', sizeof(out));
        int n = MaskedBytesToHexText(out, capacity, values, masks, 3, HEXTEXT_TERMINATE | HEXTEXT_SEPARATOR(' '));
        EXPECT_LE(n + (capacity > 0 ? 1 : 0), capacity);
        for (int i = capacity; i < 32; ++i)
            ASSERT_EQ(out[i], 'X') << capacity;
        if (capacity > 0) {
            EXPECT_EQ(out[n], '\0');
        }
        // What was written is a prefix of the full text, cut after a whole byte text.
        std::string full = "12 #??1101?? 56 ";
        EXPECT_EQ(full.compare(0, n, out, n), 0);
        EXPECT_TRUE(n == 0 || out[n - 1] == ' ' || n == 2 || n == 12 || n == 15);
    }
}

// ---------------------------------------------------------------------------------------
// MaskedCompare, SwapMemory, ReverseBits

TEST(MaskedCompare, AgreesWithMemcmpOfMaskedCopies)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        int count = static_cast<int>(rng() % 8);
        auto data = RandomBytes(rng, count);
        auto value = RandomBytes(rng, count);
        auto mask = RandomBytes(rng, count);
        for (int i = 0; i < count; ++i)
            if (rng() % 2)
                value[i] = data[i];   // many equal bytes, so that 0 results occur
        std::vector<unsigned char> a(count), b(count);
        for (int i = 0; i < count; ++i) {
            a[i] = data[i] & mask[i];
            b[i] = value[i] & mask[i];
        }
        int expected = count ? memcmp(a.data(), b.data(), count) : 0;
        int got = MaskedCompare(data.data(), value.data(), mask.data(), count);
        EXPECT_EQ(got == 0, expected == 0);
        EXPECT_EQ(got < 0, expected < 0);
        if (got != 0) {
            int i = 0;
            while (a[i] == b[i])
                ++i;
            EXPECT_EQ(got, a[i] - b[i]);
        }
    }
    EXPECT_EQ(MaskedCompare("\x12", "\x13", "\xFE", 1), 0);
    EXPECT_EQ(MaskedCompare("\x12", "\x13", nullptr, 1), -1);
}

TEST(SwapMemory, ExchangesAndRestores)
{
    std::mt19937 rng(8);
    auto a = RandomBytes(rng, 100);
    auto b = RandomBytes(rng, 100);
    auto a0 = a, b0 = b;
    SwapMemory(a.data(), b.data(), 100);
    EXPECT_EQ(a, b0);
    EXPECT_EQ(b, a0);
    SwapMemory(a.data(), b.data(), 60);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + 60, a0.begin()));
    EXPECT_TRUE(std::equal(a.begin() + 60, a.end(), b0.begin() + 60));
    SwapMemory(a.data(), a.data(), 100);
    SwapMemory(nullptr, b.data(), 100);
}

TEST(ReverseBits, AgreesWithBitByBitReference)
{
    std::mt19937_64 rng(17);
    for (int round = 0; round < 2000; ++round) {
        uint64_t value = rng();
        int n = 1 + static_cast<int>(rng() % 64);
        uint64_t expected = 0;
        for (int i = 0; i < n; ++i)
            if (value & (1ull << i))
                expected |= 1ull << (n - 1 - i);
        ASSERT_EQ(ReverseBits(value, n), expected) << n;
        uint64_t low = n == 64 ? value : value & ((1ull << n) - 1);
        EXPECT_EQ(ReverseBits(ReverseBits(value, n), n), low);
    }
    EXPECT_EQ(ReverseBits(0xEDB88320u, 32), 0x04C11DB7u);   // the CRC-32 polynomial's two forms
    EXPECT_EQ(ReverseBits(~0ull, 0), 0u);
    EXPECT_EQ(ReverseBits(~0ull, 65), 0u);
    EXPECT_EQ(ReverseBits(~0ull, -1), 0u);
}
