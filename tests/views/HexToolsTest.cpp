// The hex tools without their dialogs: checksums against sums the test takes its own way,
// the calculator's functions, the float converter against the compiler's own bits and the
// C99 "%g", and the status pane texts.
#include "views/FloatConverter.h"
#include "views/HexStatusPanes.h"
#include "views/HexTools.h"

#include "tests/views/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(HexTools, ChecksumsAgreeWithWordsReadByTheMachine)
{
    const uint8_t three[] = { 1, 2, 3 };
    ChecksumSums t = ComputeChecksums(three, 3);
    EXPECT_EQ(t.byteSum, 6u);
    EXPECT_EQ(t.wordSum[0], 0x0201u + 3u);
    EXPECT_EQ(t.dwordSum[0], 0x030201u);
    EXPECT_EQ(t.byteNegated, 0u - 6u);

    std::mt19937 random(5);
    for (int round = 0; round < 50; ++round)
    {
        std::vector<uint8_t> bytes(random() % 70);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(random());
        // The machine is little-endian: zero-padded memory read as words is the [0] variant.
        std::vector<uint8_t> padded = bytes;
        padded.resize((bytes.size() + 3) / 4 * 4, 0);
        uint32_t sums[5] = { 0 }, xors[5] = { 0 };
        for (size_t i = 0; i < bytes.size(); ++i)
            sums[0] += bytes[i], xors[0] ^= bytes[i];
        for (size_t i = 0; i < (bytes.size() + 1) / 2; ++i)
        {
            uint16_t w;
            memcpy(&w, &padded[2 * i], 2);
            sums[1] += w, xors[1] ^= w;
            sums[2] += __builtin_bswap16(w), xors[2] ^= __builtin_bswap16(w);
        }
        for (size_t i = 0; i < padded.size() / 4; ++i)
        {
            uint32_t d;
            memcpy(&d, &padded[4 * i], 4);
            sums[3] += d, xors[3] ^= d;
            sums[4] += __builtin_bswap32(d), xors[4] ^= __builtin_bswap32(d);
        }
        ChecksumSums s = ComputeChecksums(bytes.data(), static_cast<int>(bytes.size()));
        const uint32_t gotSums[5] = { s.byteSum, s.wordSum[0], s.wordSum[1], s.dwordSum[0], s.dwordSum[1] };
        const uint32_t gotXors[5] = { s.byteXor, s.wordXor[0], s.wordXor[1], s.dwordXor[0], s.dwordXor[1] };
        const uint32_t gotNeg[5] = { s.byteNegated, s.wordNegated[0], s.wordNegated[1], s.dwordNegated[0],
                                     s.dwordNegated[1] };
        for (int k = 0; k < 5; ++k)
        {
            EXPECT_EQ(gotSums[k], sums[k]) << "row " << k << " size " << bytes.size();
            EXPECT_EQ(gotXors[k], xors[k]) << "row " << k;
            EXPECT_EQ(gotNeg[k] + sums[k], 0u) << "row " << k;
        }
    }
}

TEST(HexTools, CalculatorFunctionsAndFaults)
{
    struct Case
    {
        const char* text;
        bool is64;
        int ok;
        long long value;
    };
    const Case cases[] = {
        { "RGB(1,2,3)", false, 1, 3 + 2 * 256 + 65536 },
        { "bgr(1, 2, 3)", false, 1, 1 + 2 * 256 + 3 * 65536 },
        { "BTOL(0x11223344)", false, 1, 0x44332211 },
        { "BTOL(0x1122334455667788)", true, 1, static_cast<long long>(0x8877665544332211ull) },
        { "Abs(-5)", false, 1, 5 },
        { "ABS(RGB(0,0,1) - 10) * 2", false, 1, 18 },
        { "BTOL(BTOL((0x12345678)))", false, 1, 0x12345678 },
        { "RGB(1,2)", false, 0, 0 },
        { "RGB(1,2,x)", false, 0, 0 },
        { "RGB(-1,2,3)", false, 1, 3 + 2 * 256 - 65536 },
        { "RGB(- 1,2,3)", false, 0, 0 },
        { "FOO(1)", false, 0, 0 },
        { "ABS(", false, 0, 0 },
        // The smallest number has no absolute value of its width: an overflow, not itself.
        { "ABS(0x80000000)", false, 0, 0 },
        { "ABS(0x8000000000000000)", true, 0, 0 },
        { "ABS(0x80000001)", false, 1, 0x7FFFFFFF },
        { "ABS(0x8000000000000001)", true, 1, 0x7FFFFFFFFFFFFFFFll },
        { "ABS(0x80000000)", true, 1, 0x80000000ll },
        // Numbers that begin with a letter are no unknown names.
        { "FFh", false, 1, 255 },
        { "ABh+1", true, 1, 0xAC },
        { "ABS(-0BEh) + CAh", false, 1, 0xBE + 0xCA },
        { "7 / 0", false, 0, 7 },
        { "", false, 0, 0 },
    };
    for (const Case& c : cases)
    {
        long long value = -99;
        EXPECT_EQ(EvalCalculatorText(c.text, c.is64, &value), c.ok) << c.text;
        if (c.ok || c.value)
        {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    // An argument of more than 255 characters is no argument.
    std::string longArgument = "ABS(" + std::string(253, ' ') + "-1)";
    EXPECT_EQ(EvalCalculatorText(longArgument.c_str(), false, nullptr), 1);
    longArgument = "ABS(" + std::string(254, ' ') + "-1)";
    EXPECT_EQ(EvalCalculatorText(longArgument.c_str(), false, nullptr), 0);

    CalcResultTexts t;
    FormatCalculatorResults(-1, false, &t);
    EXPECT_STREQ(t.decimal, "-1");
    EXPECT_STREQ(t.hex, "0xFFFFFFFF");
    EXPECT_STREQ(t.octal, "0o37777777777");
    EXPECT_STREQ(t.binary, "0b1111111111111111");
    FormatCalculatorResults(0x10A, true, &t);
    EXPECT_STREQ(t.ansi, "\\n");
    EXPECT_STREQ(t.decimal, "266");
}

std::string C99g(double value)
{
    char text[64];
    __mingw_snprintf(text, sizeof(text), "%g", value);
    return text;
}

std::string Field(const CFloatConverter& c, int field)
{
    char text[FLOAT_FIELD_SIZE];
    c.FieldText(field, text);
    return text;
}

TEST(FloatConverter, FieldsShowTheMachinesBitsAndEachEditedBackKeepsThem)
{
    CFloatConverter c;
    const uint8_t one[] = { 0x00, 0x00, 0x80, 0x3F };
    c.Open(one, 4, FS_BYTES);
    EXPECT_EQ(Field(c, FF_FLOAT), "1");
    EXPECT_EQ(Field(c, FF_FLOAT_EXPONENT), "0  >7Fh");

    std::mt19937_64 random(99);
    for (int round = 0; round < 400; ++round)
    {
        uint64_t bits = random();
        double d;
        memcpy(&d, &bits, 8);
        if (std::isnan(d))
            continue;
        c.Open(reinterpret_cast<const uint8_t*>(&bits), 8, FS_DOUBLE);
        ASSERT_EQ(Field(c, FF_DOUBLE), C99g(d));
        float f;
        memcpy(&f, &bits, 4);
        if (!std::isnan(f))
        {
            ASSERT_EQ(Field(c, FF_FLOAT), C99g(f));
        }
        ASSERT_EQ(std::stoll(Field(c, FF_DOUBLE_MANTISSA)), static_cast<long long>(bits & ((1ull << 52) - 1)));
        if (std::isnormal(d))
        {
            ASSERT_EQ(std::stoi(Field(c, FF_DOUBLE_EXPONENT)), std::ilogb(d));
        }
        if (std::isnormal(f))
        {
            ASSERT_EQ(std::stoi(Field(c, FF_FLOAT_EXPONENT)), std::ilogb(f));
        }
        // Every field that shows all of its bits gives them back unchanged.
        for (int field : { FF_HEX, FF_DOUBLE_MANTISSA, FF_DOUBLE_EXPONENT })
        {
            std::string text = Field(c, field);
            ASSERT_TRUE(c.Edit(field, text.c_str())) << text;
            ASSERT_EQ(0, memcmp(c.Bytes(), &bits, 8)) << "field " << field << " " << text;
        }
        uint32_t low = static_cast<uint32_t>(bits);
        c.Open(reinterpret_cast<const uint8_t*>(&low), 4, FS_FLOAT);
        for (int field : { FF_HEX, FF_FLOAT_MANTISSA, FF_FLOAT_EXPONENT })
        {
            std::string text = Field(c, field);
            ASSERT_TRUE(c.Edit(field, text.c_str())) << text;
            ASSERT_EQ(0, memcmp(c.Bytes(), &low, 4)) << "field " << field << " " << text;
        }
        // Values that "%g" shows whole come back through the value fields too.
        double shown = static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) / 4;
        if (std::fabs(shown) < 10000)
        {
            ASSERT_TRUE(c.Edit(FF_DOUBLE, C99g(shown).c_str()));
            ASSERT_EQ(c.DoubleValue(), shown);
            ASSERT_TRUE(c.Edit(FF_FLOAT, C99g(shown).c_str()));
            ASSERT_EQ(c.FloatValue(), static_cast<float>(shown));
            ASSERT_EQ(c.Source(), FS_FLOAT);
        }
    }
}

TEST(FloatConverter, TypedNumbersAndBadInput)
{
    CFloatConverter c;
    double one = 1.0;
    c.Open(reinterpret_cast<const uint8_t*>(&one), 8, FS_DOUBLE);
    // On entry the field keeps only its number; a number typed there is the exponent shown.
    char entry[FLOAT_FIELD_SIZE];
    CFloatConverter::TextOnEntry(FF_DOUBLE_EXPONENT, Field(c, FF_DOUBLE_EXPONENT).c_str(), entry, sizeof(entry));
    EXPECT_STREQ(entry, "0");
    ASSERT_TRUE(c.Edit(FF_DOUBLE_EXPONENT, "3"));
    EXPECT_EQ(c.DoubleValue(), 8.0);
    ASSERT_TRUE(c.Edit(FF_DOUBLE_MANTISSA, "1 << 51"));
    EXPECT_EQ(c.DoubleValue(), 12.0);
    ASSERT_TRUE(c.Edit(FF_DOUBLE, "9007199254740993"));   // the integer, not a rounded text
    EXPECT_EQ(c.DoubleValue(), 9007199254740992.0);
    ASSERT_TRUE(c.Edit(FF_DOUBLE, "-inf"));
    EXPECT_TRUE(std::isinf(c.DoubleValue()));
    // Not-a-number and the infinities, typed or as bytes, fill every field like any value.
    for (const char* text : { "nan", "-nan", "inf", "1e999" })
    {
        ASSERT_TRUE(c.Edit(FF_DOUBLE, text)) << text;
        EXPECT_EQ(std::isnan(c.DoubleValue()), std::isnan(strtod(text, nullptr))) << text;
        for (int f = 0; f < FF_COUNT; ++f)
            EXPECT_FALSE(Field(c, f).empty()) << text << " field " << f;
    }
    c.Open(reinterpret_cast<const uint8_t*>("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"), 8, FS_BYTES);
    EXPECT_TRUE(std::isnan(c.DoubleValue()));
    for (int f = 0; f < FF_COUNT; ++f)
        EXPECT_FALSE(Field(c, f).empty()) << "all ones, field " << f;

    const uint8_t before[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    const char* bad[][2] = { { "", "double" }, { "1.5x", "double" }, { "zz", "hex" }, { "4503599627370496", "mantissa" },
                             { "2000", "exponent" }, { "1/0", "mantissa" } };
    const int fields[] = { FF_DOUBLE, FF_DOUBLE, FF_HEX, FF_DOUBLE_MANTISSA, FF_DOUBLE_EXPONENT, FF_DOUBLE_MANTISSA };
    for (int i = 0; i < 6; ++i)
    {
        c.Open(before, 8, FS_BYTES);
        EXPECT_FALSE(c.Edit(fields[i], bad[i][0])) << bad[i][0];
        EXPECT_FALSE(c.Valid(fields[i]));
        EXPECT_EQ(0, memcmp(c.Bytes(), before, 8)) << bad[i][0];
    }
    c.Open(before, 8, FS_BYTES);
    c.SwapBytes();
    EXPECT_EQ(0, memcmp(c.Bytes(), "\x02\x01\x04\x03\x06\x05\x08\x07", 8));
    c.Open(before, 8, FS_BYTES);
    c.SwapWords();
    EXPECT_EQ(0, memcmp(c.Bytes(), "\x03\x04\x01\x02\x07\x08\x05\x06", 8));
    c.Open(before, 8, FS_BYTES);
    c.SwapQWords();
    EXPECT_EQ(0, memcmp(c.Bytes(), "\x05\x06\x07\x08\x01\x02\x03\x04", 8));
    c.Open(before, 3, FS_BYTES);
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(Field(c, FF_HEX), "01 02 03 00 00 00 00 00");
    // A double or float from fewer bytes reads those alone, the rest cleared, and nothing
    // behind the caller's data (the fence ends them).
    GuardedBuffer fence(3);
    for (int kind : { FS_DOUBLE, FS_FLOAT })
    {
        c.Open(fence.AtEnd(before, 3), 3, kind);
        EXPECT_EQ(0, memcmp(c.Bytes(), "\x01\x02\x03\0\0\0\0\0", 8)) << kind;
    }
}

TEST(HexStatusPanes, AddressAndValueTextsNearTheEndAndOverSelections)
{
    std::vector<uint8_t> data(16, 0);
    data[14] = 0x34;
    data[15] = 0x92;
    CHexModel m;
    m.SetData(data.data(), 16, 0x1000, 0);
    char text[HEX_STATUS_TEXT_SIZE];
    struct Case
    {
        uint32_t mode;
        const char* value;
    };
    // A double word 2 bytes before the end reads those 2 bytes only.
    const Case cases[] = {
        { 2, " Wert: 0x9234 / -28108" },
        { 2 | HSM_UNSIGNED, " Wert: 0x9234 / 37428" },
        { 2 | HSM_BIG_ENDIAN, " Wert: 0x3492 / 13458" },
        { 0, " Wert: 0x34 / 52" },
    };
    m.SetCursorAddress(14, false);
    for (const Case& c : cases)
    {
        FormatHexValuePane(m, c.mode, text, sizeof(text));
        EXPECT_STREQ(text, c.value);
    }
    FormatHexAddressPane(m, 0, text, sizeof(text));
    EXPECT_STREQ(text, " Adr: 0x100E / 4110");
    m.SetCursorAddress(15, false);
    m.SetSelectionEnd(12, false);   // bytes 13..15, stored from the lower end
    FormatHexAddressPane(m, 0, text, sizeof(text));
    EXPECT_STREQ(text, " Adr: 0x100F / M: +3");
    m.SetCursorAddress(15, false);
    m.MoveCursor(-2, 0, MCF_RELATIVE | MCF_EXTEND);   // Shift+Left twice: one byte back
    FormatHexAddressPane(m, HSM_HEX_LENGTH, text, sizeof(text));
    EXPECT_STREQ(text, " Adr: 0x100E / M: -0x2");
    FormatHexValuePane(m, 0, text, sizeof(text));
    EXPECT_STREQ(text, " Wert: 0x9234 / -28108");

    CHexModel empty;
    FormatHexValuePane(empty, 2, text, sizeof(text));
    EXPECT_STREQ(text, " Wert:");
}


// "Wert eingeben" takes one whole expression that fits its width, or a dump of at most that
// many pairs; anything else is refused and writes nothing. "Cursor setzen" takes an address
// that is no whole expression of its width as 0.
TEST(HexTools, TypedNumbersMustBeWholeAndFitTheirWidth)
{
    struct Case
    {
        const char* text;
        int count;          // the value's bytes
        bool value;         // ValueInputTextFits
        bool address;       // AddressTextFits, 64-bit
    };
    const Case cases[] = {
        { "0x1F * 2", 8, true, true },        { "-1", 1, true, true },
        { "255", 1, true, true },             { "-128", 1, true, true },
        { "256", 1, false, true },            { "-129", 1, false, true },
        { "65535", 2, true, true },           { "0x80000000", 4, true, true },
        { "-2147483648", 4, true, true },     { "4294967296", 4, false, true },
        { "abc", 8, false, false },           { "12 GB", 8, false, false },
        { "1.5", 8, false, false },           { "(3", 8, false, false },
        { "7/0", 8, false, false },           { "", 8, false, false },
        { "-99999999999999999999", 8, false, false },
        { "99999999999999999999", 8, false, false },
        { ":01 02", 2, true, false },         { ":01 02 03", 2, false, false },
        { ":", 8, false, false },             { ":01 zz", 8, false, false },
        // A byte or word shown sign-extended as a 32-bit number is that number.
        { "0xFFFFFF80", 1, true, true },      { "0xFFFF8000", 2, true, true },
        { "0xFFFFFF7F", 1, false, true },     { "0xFFFF7FFF", 2, false, true },
        { "0x1FFFFFF80", 1, false, true },
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(ValueInputTextFits(c.text, c.count), c.value) << c.text << " in " << c.count;
        EXPECT_EQ(AddressTextFits(c.text, true), c.address) << c.text;
        // Go to address takes what is no whole expression as address 0, and the value input's
        // parser, through which the copy as source reads its column width, as the number 0;
        // neither takes the part read ("12 GB" as 12).
        if (!c.address)
        {
            EXPECT_EQ(EvalAddressText(c.text, true), 0) << c.text;
            uint8_t bytes[8];
            ParseValueInputText(c.text, bytes);
            if (c.text[0] != ':')
            {
                EXPECT_EQ(0, memcmp(bytes, "\0\0\0\0\0\0\0\0", 8)) << c.text;
            }
        }
    }
    // 32-bit addresses take the 32-bit range.
    EXPECT_TRUE(AddressTextFits("0xFFFFFFFF", false));
    EXPECT_FALSE(AddressTextFits("0x100000000", false));
    for (const char* tooLarge : { "0x100000000", "-4294967296", "65536*65536+3" })
        EXPECT_EQ(EvalAddressText(tooLarge, false), 0) << tooLarge;
    EXPECT_EQ(EvalAddressText("-18446744073709551616", true), 0);
    EXPECT_EQ(EvalAddressText("0x2000 + 0x10*2", false), 0x2020);
}

// The value input's proposal for the bytes at the cursor, taken back unchanged, fits the size
// it was made for and gives the same bytes: OK without an edit writes what was there.
TEST(HexTools, TheValueInputsOwnProposalIsTakenBack)
{
    std::mt19937 random(5119);
    for (int count : { 1, 2, 4, 8 })
    {
        for (int round = 0; round < 600; ++round)
        {
            uint8_t bytes[8];
            // Every byte value once, then random ones.
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(round < 256 ? round : random());
            uint8_t value[8];
            memcpy(value, bytes, 8);
            SignExtendValueBytes(value, count);
            char text[64];
            FormatValueInputText(value, count, 1, text, sizeof(text));
            ASSERT_TRUE(ValueInputTextFits(text, count)) << text << " in " << count;
            uint8_t back[8];
            ParseValueInputText(text, back);
            EXPECT_EQ(0, memcmp(back, bytes, static_cast<size_t>(count))) << text << " in " << count;
        }
    }
}

}  // namespace
