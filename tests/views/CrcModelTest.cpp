// The CRC calculator's model: published check values of "123456789", bit-by-bit CRCs written
// here, the formula both ways, the recalculation's field rules, and the generated C source,
// which a CTest step after this suite compiles with the host's gcc (crc-sources.sh).
#include "views/CrcModel.h"

#include "services/ByteUtils.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

namespace {

const uint8_t kCheck[] = { '1', '2', '3', '4', '5', '6', '7', '8', '9' };

// The calculator over "123456789" after the user typed these texts (or chose a preset).
CCrcCalculator Calculated(int preset, const char* width, const char* reflected, const char* start, int invert)
{
    CCrcCalculator c;
    c.data = kCheck;
    c.length = sizeof kCheck;
    c.invert = invert;
    c.preset = preset;
    c.widthText = width;
    c.reflectedText = reflected;
    c.normalText = "";
    c.startText = start;
    c.Recalculate(preset > 0 ? CRC_TRIGGER_PRESET : CRC_TRIGGER_ALL);
    return c;
}

// Bit by bit, the textbook way, for the random comparisons.
uint64_t BitwiseReflected(uint64_t poly, uint64_t crc, const std::vector<uint8_t>& data)
{
    for (uint8_t byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ poly : crc >> 1;
    }
    return crc;
}

uint64_t BitwiseNormal(uint64_t poly, unsigned width, uint64_t crc, const std::vector<uint8_t>& data)
{
    const uint64_t top = 1ull << (width - 1);
    const uint64_t mask = width == 64 ? ~0ull : (1ull << width) - 1;
    for (uint8_t byte : data) {
        for (int bit = 7; bit >= 0; --bit) {
            bool in = ((byte >> bit) & 1) != 0;
            bool out = (crc & top) != 0;
            crc = (crc << 1) & mask;
            if (in != out) crc ^= poly;
        }
    }
    return crc;
}

std::string Hex(uint64_t v)
{
    char text[24];
    snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(v));
    return text;
}

std::vector<std::string> Lines(const char* text)
{
    std::vector<std::string> lines;
    std::string s = text;
    size_t at = 0;
    for (size_t end; (end = s.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(s.substr(at, end - at));
    lines.push_back(s.substr(at));
    return lines;
}

}  // namespace

TEST(CrcModel, CatalogueCheckValues)
{
    struct Case { int preset; const char* width; const char* poly; int algorithm; const char* start; int invert; const char* expect; };
    const Case cases[] = {
        { 16, "", "", 0, "0xFFFFFFFF", 1, "CBF43926" },                 // CRC-32
        { 16, "", "", 0, "0xFFFFFFFF", 0, "340BC6D9" },
        { 0, "32", "0x82F63B78", 0, "0xFFFFFFFF", 1, "E3069283" },    // CRC-32C
        { 11, "", "", 0, "0", 0, "BB3D" },                              // CRC-16/ARC
        { 11, "", "", 0, "0xFFFF", 0, "4B37" },                         // CRC-16/MODBUS
        { 10, "", "", 0, "0", 0, "2189" },                              // KERMIT
        { 10, "", "", 1, "0", 0, "31C3" },                              // XMODEM
        { 10, "", "", 1, "0xFFFF", 0, "29B1" },                         // CCITT-FALSE
        { 5, "", "", 0, "0", 0, "A1" },                                 // CRC-8/MAXIM
        { 4, "", "", 2, "0", 0, "75" },                                 // CRC-7/MMC
        { 2, "", "", 0, "0x1F", 1, "19" },                              // CRC-5/USB
        { 0, "24", "0xDA6000", 0, "0xAAAAAA", 0, "C25A56" },          // CRC-24/BLE
        { 18, "", "", 0, "0xFFFFFFFFFFFFFFFF", 1, "995DC9BBDF1939FA" }, // CRC-64/XZ
        // Algorithm B, most significant bit first, across the widths.
        { 0, "3", "0x6", 1, "0", 1, "4" },                              // CRC-3/GSM
        { 0, "6", "0x39", 1, "0x3F", 0, "D" },                          // CRC-6/CDMA2000-A
        { 4, "", "", 1, "0", 0, "75" },                                 // CRC-7/MMC
        { 6, "", "", 1, "0", 0, "F4" },                                 // CRC-8/SMBUS
        { 8, "", "", 1, "0", 0, "F5B" },                                // CRC-12/DECT
        { 9, "", "", 1, "0", 0, "59E" },                                // CRC-15/CAN
        { 12, "", "", 1, "0", 0, "31C3" },                              // the XModem row: XMODEM
        { 15, "", "", 1, "0xB704CE", 0, "21CF02" },                     // CRC-24/OPENPGP
        { 16, "", "", 1, "0xFFFFFFFF", 0, "376E6E7" },                  // CRC-32/MPEG-2
        { 16, "", "", 1, "0xFFFFFFFF", 1, "FC891918" },                 // CRC-32/BZIP2
        { 0, "40", "0x9000412000", 1, "0", 1, "D4164FC646" },           // CRC-40/GSM
        { 18, "", "", 1, "0", 0, "6C40DF5F0B497347" },                  // CRC-64/ECMA-182
        { 18, "", "", 1, "0xFFFFFFFFFFFFFFFF", 1, "62EC59E3F1A4F00A" }, // CRC-64/WE
    };
    for (const Case& k : cases) {
        CCrcCalculator c = Calculated(k.preset, k.width, k.poly, k.start, k.invert);
        EXPECT_EQ(Hex(c.results[k.algorithm * 3]), k.expect) << "preset " << k.preset << " " << k.poly;
    }
    // The start variants are the same runs from 0 and from all ones.
    CCrcCalculator c = Calculated(16, "", "", "0", 1);
    EXPECT_EQ(Hex(c.results[2]), "CBF43926");
    EXPECT_EQ(c.results[1], c.results[0]);
}

TEST(CrcModel, TablesAgreeWithBitwiseCrcs)
{
    std::mt19937_64 rng(5130);
    for (unsigned width = 1; width <= 64; ++width) {
        const uint64_t mask = width == 64 ? ~0ull : (1ull << width) - 1;
        std::vector<uint8_t> data(rng() % 300);
        for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
        uint64_t poly = rng() & mask;
        uint64_t start = rng() & mask;
        uint64_t table[256];
        BuildCrcTableA(poly, table);
        ASSERT_EQ(RunCrcA(table, start, data.data(), static_cast<int>(data.size())), BitwiseReflected(poly, start, data)) << width;
        // B is the most-significant-bit-first CRC at every width, not at 16 bits alone.
        BuildCrcTableB(poly, width, table);
        EXPECT_EQ(RunCrcB(table, width, start, data.data(), static_cast<int>(data.size())), BitwiseNormal(poly, width, start, data))
            << width;
        if (width == 7) {
            BuildCrcTableC(poly, 7, table);
            EXPECT_EQ(RunCrcC(table, start, data.data(), static_cast<int>(data.size())), BitwiseNormal(poly, 7, start, data));
        }
    }
}

TEST(CrcModel, AMegabyteAndHugeTexts)
{
    std::vector<uint8_t> data(1 << 20);
    std::mt19937 rng(1);
    for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
    CCrcCalculator c = Calculated(16, "", "", "0xFFFFFFFF", 1);
    c.data = data.data();
    c.length = static_cast<int>(data.size());
    c.Recalculate(CRC_TRIGGER_ALL);
    EXPECT_EQ(c.results[0], BitwiseReflected(0xEDB88320, 0xFFFFFFFF, data) ^ 0xFFFFFFFF);

    // Texts far longer than a field holds read as far as they parse, and nothing breaks.
    const std::string digits(100000, '9'), letters(100000, 'x');
    std::string terms;
    for (int i = 0; i < 20000; ++i) terms += "x^3+";
    terms += "1";
    c.data = kCheck;
    c.length = sizeof kCheck;
    c.widthText = digits.c_str();
    c.reflectedText = letters.c_str();
    c.startText = digits.c_str();
    c.Recalculate(CRC_TRIGGER_ALL);
    EXPECT_GE(c.width, 1u);
    EXPECT_LE(c.width, 64u);
    EXPECT_EQ(c.reflected, 0u);
    c.formulaText = terms.c_str();
    c.Recalculate(CRC_TRIGGER_FORMULA);
    EXPECT_EQ(c.formulaError, 0);
    EXPECT_EQ(c.width, 3u);
    EXPECT_EQ(c.normal, 0x1u);   // x^3 + 1: the top term is the width
    EXPECT_EQ(c.reflected, 0x4u);
    c.formulaText = (terms + "Q").c_str();
    c.Recalculate(CRC_TRIGGER_FORMULA);
    EXPECT_EQ(c.formulaError, 1);
}

// The field being typed in is marked red while it holds no whole number of the width, and
// unmarked again when it does or another field is typed in.
TEST(CrcModel, TypedFieldsThatAreNoNumberOfTheWidthAreMarked)
{
    struct Case {
        int trigger;
        const char* text;
        unsigned error;
    } cases[] = {
        {CRC_TRIGGER_REFLECTED, "0xA001", 0},         {CRC_TRIGGER_REFLECTED, "0xA001 x", CRCW_REFLECTED},
        {CRC_TRIGGER_REFLECTED, "0x1A001", CRCW_REFLECTED}, {CRC_TRIGGER_NORMAL, "abc", CRCW_NORMAL},
        {CRC_TRIGGER_START, "99999999999999999999", CRCW_START}, {CRC_TRIGGER_START, " 0xFFFF ", 0},
        {CRC_TRIGGER_START, "-0xFFFFFFFFFFFFFFFF", CRCW_START}, {CRC_TRIGGER_NORMAL, "-18446744073709551614", CRCW_NORMAL},
        {CRC_TRIGGER_WIDTH, "16-Bit", 0},             {CRC_TRIGGER_WIDTH, "16", 0},
        {CRC_TRIGGER_WIDTH, "1.5", CRCW_WIDTH},       {CRC_TRIGGER_WIDTH, "65", CRCW_WIDTH},
    };
    for (const Case& k : cases) {
        CCrcCalculator c = Calculated(0, "16", "0xA001", "0", 0);
        ASSERT_EQ(c.fieldError, 0u);
        CString* field = k.trigger == CRC_TRIGGER_REFLECTED ? &c.reflectedText
                         : k.trigger == CRC_TRIGGER_NORMAL  ? &c.normalText
                         : k.trigger == CRC_TRIGGER_START   ? &c.startText
                                                            : &c.widthText;
        *field = k.text;
        const unsigned writes = c.Recalculate(k.trigger);
        EXPECT_EQ(c.fieldError, k.error) << k.text;
        EXPECT_EQ((writes & CRCW_FIELD_COLOR) != 0, k.error != 0) << k.text;
        c.Recalculate(CRC_TRIGGER_ALL);
        EXPECT_EQ(c.fieldError, 0u) << k.text;
    }
}

TEST(CrcModel, NarrowTableCKeepsToItsWidth)
{
    // Unmasked, the index bits above one bit stayed in the entries: a 1-bit CRC showed 0x1C01.
    for (unsigned width = 1; width <= 8; ++width) {
        CCrcCalculator c = Calculated(0, std::to_string(width).c_str(), "0x1", "0", 0);
        for (uint64_t entry : c.tables[2]) ASSERT_EQ(entry & ~c.mask, 0u) << width;
        for (int i = 6; i < 9; ++i) EXPECT_EQ(c.results[i] & ~c.mask, 0u) << width;
    }
}

TEST(CrcModel, FormulaBothWays)
{
    for (const char* text : { "x^3+x+1", "x'3+x+1", "x3+x+1", "x^{3} + x + 1", " X^3 +\tx+ 1 = 0x0B" }) {
        CrcFormula f = ParseCrcFormula(text);
        EXPECT_FALSE(f.error) << text;
        EXPECT_EQ(f.width, 3u) << text;
        EXPECT_EQ(f.bits, 0xBu) << text;
    }
    for (const char* text : { "x^3+y", "x^3+12", "xy", "{3}", "x^-3" })
        EXPECT_TRUE(ParseCrcFormula(text).error) << text;
    EXPECT_EQ(ParseCrcFormula("x^64+x^4+x^3+x+1").width, 64u);
    EXPECT_EQ(ParseCrcFormula("x^64+x^4+x^3+x+1").bits, 0x1Bu);
    EXPECT_EQ(ParseCrcFormula("x^99+x^5").width, 5u);
    EXPECT_EQ(ParseCrcFormula("x^99+x^5").bits, 0x20u);

    // The text written for a polynomial reads back as the same polynomial, top term included.
    std::mt19937_64 rng(64);
    for (unsigned width = 2; width <= 64; ++width) {
        uint64_t reflected = rng() & (width == 64 ? ~0ull : (1ull << width) - 1);
        CString text = CrcFormulaText(reflected, width);
        CrcFormula f = ParseCrcFormula(text);
        ASSERT_FALSE(f.error) << text;
        EXPECT_EQ(f.width, width) << text;
        uint64_t top = width < 64 ? 1ull << width : 0;
        EXPECT_EQ(f.bits, ReverseBits(reflected, static_cast<int>(width)) | top) << text;
    }
}

TEST(CrcModel, RecalculationKeepsTheFieldsInStep)
{
    // The formula x^16 + x^12 + x^5 + 1 is the CCITT polynomial.
    CCrcCalculator c = Calculated(0, "32-Bit", "0xEDB88320", "0xFFFFFFFF", 0);
    EXPECT_EQ(c.preset, 16);
    c.formulaText = "x^16 + x^12 + x^5 + 1";
    unsigned writes = c.Recalculate(CRC_TRIGGER_FORMULA);
    EXPECT_FALSE(writes & CRCW_FORMULA);
    EXPECT_EQ(c.width, 16u);
    EXPECT_STREQ(c.normalText, "0x1021");
    EXPECT_STREQ(c.reflectedText, "0x8408");
    EXPECT_STREQ(c.widthText, "16-Bit");
    EXPECT_EQ(c.preset, 10);
    EXPECT_STREQ(c.startText, "0xFFFF");

    // A bad formula turns the field red and leaves the polynomial alone; a good one clears it.
    c.formulaText = "x^16 + Q";
    EXPECT_TRUE(c.Recalculate(CRC_TRIGGER_FORMULA) & CRCW_FORMULA_COLOR);
    EXPECT_EQ(c.formulaError, 1);
    EXPECT_EQ(c.reflected, 0x8408u);
    EXPECT_TRUE(c.Recalculate(CRC_TRIGGER_ALL) & CRCW_FORMULA_COLOR);
    EXPECT_EQ(c.formulaError, 0);

    // Width 32 -> 16 -> 32 gives back what was typed, and both polynomial forms agree.
    c = Calculated(16, "", "", "0xFFFFFFFF", 0);
    uint64_t b32 = c.results[3];
    c.widthText = "16";
    c.Recalculate(CRC_TRIGGER_WIDTH);
    EXPECT_STREQ(c.startText, "0xFFFF");
    EXPECT_STREQ(c.reflectedText, "0x8320");
    c.widthText = "32-Bit";
    c.Recalculate(CRC_TRIGGER_WIDTH);
    EXPECT_STREQ(c.startText, "0xFFFFFFFF");
    EXPECT_STREQ(c.reflectedText, "0xEDB88320");
    EXPECT_STREQ(c.normalText, "0x04C11DB7");
    EXPECT_EQ(c.results[3], b32);

    // Junk and out-of-range texts: width 0 and 999, unparsable values, no data.
    for (const char* width : { "0", "999", "Bits", "-5" }) {
        CCrcCalculator j = Calculated(0, width, "zz", "\x80\xff", 1);
        EXPECT_TRUE(j.width == 32 || j.width == 64) << width;
        j.data = nullptr;
        j.Recalculate(CRC_TRIGGER_ALL);
        // No data: every result is its start (the value, 0, all ones), inverted.
        const uint64_t starts[3] = { j.start, 0, j.mask };
        for (int k = 0; k < 9; ++k) EXPECT_EQ(j.results[k], starts[k % 3] ^ j.mask) << width;
    }
    // Preset 0 keeps the values; typing a preset's polynomial selects it.
    c = Calculated(16, "", "", "0", 0);
    c.preset = 0;
    c.Recalculate(CRC_TRIGGER_PRESET);
    EXPECT_EQ(c.reflected, 0xEDB88320u);
    c.reflectedText = "0xA001";
    c.widthText = "16";
    c.Recalculate(CRC_TRIGGER_REFLECTED);
    EXPECT_EQ(c.preset, 11);
}

// "CRC-CCITT (CRC-16)" and "XModem-CRC-16" hold one polynomial: the row chosen stays through
// the recalculations that follow, and a polynomial typed or given as a formula finds the first.
TEST(CrcModel, RowsOfOnePolynomialStayAsChosen)
{
    struct Case {
        int chosen;
        int trigger;
        const char* text;  // what the user typed into the trigger's field
        int expect;
    } cases[] = {
        {12, CRC_TRIGGER_ALL, nullptr, 12},
        {12, CRC_TRIGGER_START, "0x1D0F", 12},
        {12, CRC_TRIGGER_WIDTH, "16-Bit", 12},
        {12, CRC_TRIGGER_NORMAL, "0x1021", 12},
        {10, CRC_TRIGGER_ALL, nullptr, 10},
        {12, CRC_TRIGGER_REFLECTED, "0xA001", 11},
        {16, CRC_TRIGGER_FORMULA, "x^16 + x^12 + x^5 + 1", 10},
        {16, CRC_TRIGGER_ALL, nullptr, 16},
    };
    for (const Case& k : cases) {
        CCrcCalculator c = Calculated(k.chosen, "", "", "0", 0);
        ASSERT_EQ(c.preset, k.chosen);
        CString* field = k.trigger == CRC_TRIGGER_START       ? &c.startText
                         : k.trigger == CRC_TRIGGER_WIDTH     ? &c.widthText
                         : k.trigger == CRC_TRIGGER_NORMAL    ? &c.normalText
                         : k.trigger == CRC_TRIGGER_REFLECTED ? &c.reflectedText
                         : k.trigger == CRC_TRIGGER_FORMULA   ? &c.formulaText
                                                              : nullptr;
        if (field) *field = k.text;
        c.Recalculate(k.trigger);
        EXPECT_EQ(c.preset, k.expect) << k.chosen << " " << (k.text ? k.text : "");
    }
}

TEST(CrcModel, SourceSamples)
{
    CCrcCalculator c = Calculated(16, "", "", "0xFFFFFFFF", 0);
    c.algorithm = CRC_ALGO_A;
    c.ForgetCachedWidth();
    ASSERT_TRUE(c.Recalculate(CRC_TRIGGER_ALL) & CRCW_SOURCE);
    std::vector<std::string> lines = Lines(c.source);
    EXPECT_EQ(lines[0], "typedef unsigned int CrcType;");
    EXPECT_EQ(lines[2], "CrcType aCrcTable[256] =");
    EXPECT_EQ(lines[3], "    {");
    EXPECT_EQ(lines[4], "    0x00000000 , 0x77073096 , 0xEE0E612C , 0x990951BA , ");
    EXPECT_EQ(lines[67], "    0xB40BBE37 , 0xC30C8EA1 , 0x5A05DF1B , 0x2D02EF8D , ");
    EXPECT_EQ(lines[68], "    };");
    EXPECT_EQ(lines[77], "        uCrc = aCrcTable[(uCrc^*pPtr)&0xFF] ^ (uCrc>>8);");
    EXPECT_EQ(lines[87], "#define     POLYNOM 0xEDB88320");
    EXPECT_EQ(lines.size(), 104u);
    EXPECT_EQ(lines.back(), "}");

    // Eight bits: twelve entries a line, a last line of four, then the tail on a line of its own.
    c = Calculated(5, "", "", "0", 0);
    c.algorithm = CRC_ALGO_B;
    c.ForgetCachedWidth();
    c.Recalculate(CRC_TRIGGER_ALL);
    lines = Lines(c.source);
    EXPECT_EQ(lines[24].size(), 4 + 12 * 7u);
    EXPECT_EQ(lines[25].size(), 4 + 4 * 7u);
    EXPECT_EQ(lines[26], "    };");
    EXPECT_EQ(lines[35], "        {");
    EXPECT_EQ(lines[36], "        ucByte  = (unsigned char)(uCrc^*pPtr);");
    EXPECT_EQ(lines[37], "        uCrc    = aCrcTable[ucByte];");
    EXPECT_EQ(lines[42], "return uCrc;");

    // Algorithm B at widths that are no whole bytes: the mask stands right after the loop's
    // brace and on return; the register's top byte meets the data byte (shifted down by the
    // width less 8, or up to the byte's top bit below 8 bits) and a whole byte leaves it.
    const struct {
        int preset;
        std::vector<const char*> pieces;
    } narrow[] = {
        {8,
         {"    while(iLen>0)\r\n        {\r\n        uCrc   &= 0xFFF;\r\n        ucByte  = (unsigned char)((uCrc>>4)^*pPtr);\r\n"
          "        uCrc    = aCrcTable[ucByte]^(uCrc<<8);\r\n",
          "\r\nreturn uCrc&0xFFF;\r\n", "\r\n        uXor = uPos<<4;\r\n", "\r\n            if((uVal^uXor)&0x800)\r\n"}},
        {2,
         {"        uCrc   &= 0x1F;\r\n        ucByte  = (unsigned char)((uCrc<<3)^*pPtr);\r\n        uCrc    = aCrcTable[ucByte];\r\n",
          "\r\n        uXor = uPos<<0;\r\n", "\r\n            if(((uVal<<3)^uXor)&0x80)\r\n", "\r\n        aCrcTable[uPos] = uVal&0x1F;\r\n"}},
        {15, {"        uCrc    = aCrcTable[ucByte]^(uCrc<<8);\r\n", "\r\n        uXor = uPos<<16;\r\n"}},
    };
    for (const auto& k : narrow) {
        c = Calculated(k.preset, "", "", "0", 0);
        c.algorithm = CRC_ALGO_B;
        c.ForgetCachedWidth();
        c.Recalculate(CRC_TRIGGER_ALL);
        const std::string text = static_cast<const char*>(c.source);
        for (const char* piece : k.pieces)
            EXPECT_NE(text.find(piece), std::string::npos) << k.preset << ": " << piece;
    }

    // POLYNOM of A and B is the text the polynomial field holds: typed there, as typed;
    // written by the dialog, in the width's value format. C's has the extra top bit. A typed
    // text that is not the number the tables were built from (more digits than the width,
    // words behind it) or that C reads otherwise is the value in the width's format.
    c = Calculated(8, "", "", "0", 0);
    const struct {
        int algorithm;
        int trigger;
        const char* typed;
        const char* define;
    } defines[] = {
        {CRC_ALGO_A, CRC_TRIGGER_REFLECTED, "0x1A001 Polynom", "0x001"},
        {CRC_ALGO_A, CRC_TRIGGER_REFLECTED, "0x1A01", "0xA01"},
        {CRC_ALGO_B, CRC_TRIGGER_NORMAL, "0x1080F", "0x80F"},
        {CRC_ALGO_A, CRC_TRIGGER_REFLECTED, "0100", "0x064"},
        {CRC_ALGO_B, CRC_TRIGGER_NORMAL, "0d2061", "0x80D"},
        {CRC_ALGO_A, CRC_TRIGGER_REFLECTED, " 2561 ", " 2561 "},
        {CRC_ALGO_B, CRC_TRIGGER_NORMAL, "0x80f", "0x80f"},
        {CRC_ALGO_A, CRC_TRIGGER_NORMAL, "0x80d", "0xB01"},
        {CRC_ALGO_B, CRC_TRIGGER_REFLECTED, "0xa01", "0x805"},
        {CRC_ALGO_C, CRC_TRIGGER_NORMAL, "0x80B", "0x180B"},
    };
    for (const auto& d : defines) {
        c.algorithm = d.algorithm;
        c.ForgetCachedWidth();
        (d.trigger == CRC_TRIGGER_NORMAL ? c.normalText : c.reflectedText) = d.typed;
        ASSERT_TRUE(c.Recalculate(d.trigger) & CRCW_SOURCE) << d.typed;
        EXPECT_EQ(c.width, 12u);
        EXPECT_NE(std::string(static_cast<const char*>(c.source)).find(std::string("\r\n#define     POLYNOM ") + d.define + "\r\n"),
                  std::string::npos) << d.typed;
    }

    // "keiner" writes nothing.
    c.algorithm = CRC_ALGO_NONE;
    c.ForgetCachedWidth();
    EXPECT_FALSE(c.Recalculate(CRC_TRIGGER_ALL) & CRCW_SOURCE);

    // Above 32 bits the index is widened before it is shifted by 32 or more.
    c = Calculated(17, "", "", "0", 0);
    c.algorithm = CRC_ALGO_B;
    c.ForgetCachedWidth();
    c.Recalculate(CRC_TRIGGER_ALL);
    EXPECT_NE(std::string(static_cast<const char*>(c.source)).find("\r\n        uXor = (CrcType)uPos<<56;\r\n"), std::string::npos);
}

// Every width with every algorithm (random polynomials and starts, and the presets), written
// as one C file in which each source keeps its own names, with the results the calculator
// showed. crc-sources.sh compiles it with the host's gcc (warnings as errors, undefined
// behaviour trapped), rebuilds each table with the source's own generator and compares.
TEST(CrcModel, GeneratedSourcesForTheHostCompiler)
{
    std::string dir = testsupport::BinaryDir();
    if (dir.empty()) GTEST_SKIP() << "SL_BINARY_DIR is not set";
    dir += "\\crc-sources";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::string program = "#include <stdio.h>\n#include <string.h>\n";
    std::string expected;
    std::string checks;
    std::mt19937_64 rng(5131);
    int n = 0;
    // `typed`: the polynomial as the user typed it into the field of the trigger, left as
    // typed by the recalculation.
    auto add = [&](CCrcCalculator& c, int algorithm, int trigger = CRC_TRIGGER_ALL, const char* typed = nullptr) {
        c.algorithm = algorithm;
        c.ForgetCachedWidth();
        if (typed)
            (trigger == CRC_TRIGGER_NORMAL ? c.normalText : c.reflectedText) = typed;
        c.Recalculate(trigger);
        std::string id = "_" + std::to_string(n++);
        for (const char* name : { "CrcType", "aCrcTable", "CrcCalc", "CrcGenerateTable" })
            program += std::string("#define ") + name + " " + name + id + "\n";
        program += static_cast<const char*>(c.source);
        program += "\n#undef POLYNOM\n#undef CrcType\n#undef aCrcTable\n#undef CrcCalc\n#undef CrcGenerateTable\n";
        checks += "    Check(aCrcTable" + id + ", sizeof aCrcTable" + id + ", CrcGenerateTable" + id + ", \"" + id +
                  "\");\n    printf(\"" + id + " %llX\\n\", (unsigned long long)CrcCalc" + id + "(\"123456789\", 9));\n";
        expected += id + " " + Hex(c.results[(algorithm - 1) * 3]) + "\n";
        // What the source must give is the CRC itself: B against the bit-by-bit one.
        if (algorithm == CRC_ALGO_B) {
            const std::vector<uint8_t> check(kCheck, kCheck + sizeof kCheck);
            EXPECT_EQ(c.results[3], BitwiseNormal(c.normal, c.width, c.start, check)) << id << " width " << c.width;
        }
    };
    for (unsigned width = 1; width <= 64; ++width) {
        for (int algorithm = CRC_ALGO_A; algorithm <= CRC_ALGO_C; ++algorithm) {
            char poly[24], start[24];
            snprintf(poly, sizeof poly, "0x%llX", static_cast<unsigned long long>(rng()));
            snprintf(start, sizeof start, "0x%llX", static_cast<unsigned long long>(rng()));
            CCrcCalculator c = Calculated(0, std::to_string(width).c_str(), poly, start, 0);
            add(c, algorithm);
        }
    }
    for (int preset = 1; preset < kCrcPresetCount; ++preset) {
        for (int algorithm = CRC_ALGO_A; algorithm <= CRC_ALGO_C; ++algorithm) {
            CCrcCalculator c = Calculated(preset, "", "", "0xFFFFFFFFFFFFFFFF", 0);
            add(c, algorithm);
        }
    }
    // Polynomials typed into either field with more digits than the width, or in a spelling
    // C reads as another number: the source must still rebuild the table it holds.
    for (unsigned width : { 3u, 5u, 12u, 16u, 24u, 31u, 32u, 40u }) {
        for (int algorithm = CRC_ALGO_A; algorithm <= CRC_ALGO_C; ++algorithm) {
            for (int trigger : { CRC_TRIGGER_REFLECTED, CRC_TRIGGER_NORMAL }) {
                char poly[24];
                snprintf(poly, sizeof poly, "0x%llX", static_cast<unsigned long long>(rng() | (1ull << 63)));
                for (const char* typed : { static_cast<const char*>(poly), "0100", "0d77" }) {
                    CCrcCalculator c = Calculated(0, std::to_string(width).c_str(), "0x1", "0x5", 0);
                    add(c, algorithm, trigger, typed);
                }
            }
        }
    }
    program +=
        "static void Check(void *table, size_t size, void (*generate)(void), const char *id)\n"
        "{\n    unsigned char saved[256 * 8];\n    memcpy(saved, table, size);\n    memset(table, 0, size);\n"
        "    generate();\n    if (memcmp(saved, table, size) != 0) printf(\"%s table differs\\n\", id);\n}\n\n"
        "int main(void)\n{\n" + checks + "    return 0;\n}\n";
    FILE* f = fopen((dir + "\\crc-all.c").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(program.data(), 1, program.size(), f);
    fclose(f);
    f = fopen((dir + "\\expected.txt").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(expected.data(), 1, expected.size(), f);
    fclose(f);
}
