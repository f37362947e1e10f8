#include "views/CrcModel.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "services/ByteUtils.h"
#include "textlib/IntParse.h"

const CrcPreset CrcPresetTable[kCrcPresetCount] = {
    { "Frei definiert", 0, 0x0 },
    { "CRC-CCITT (CRC-4)", 4, 0xC },
    { "USB (CRC-5)", 5, 0x14 },
    { "Bluetooth", 5, 0x15 },
    { "SD/MMC-Card (CRC-7)", 7, 0x48 },
    { "CRC-8 (Dallas/Maxim 1-Wire Bus)", 8, 0x8C },
    { "CRC-8 (ITU-T)", 8, 0xE0 },
    { "CRC-8 (SAE-J1850)", 8, 0xB8 },
    { "CRC-12", 12, 0xF01 },
    { "CAN-CRC", 15, 0x4CD1 },
    { "CRC-CCITT (CRC-16)", 16, 0x8408 },
    { "IBM-CRC-16", 16, 0xA001 },
    // XModem's polynomial is 0x1021 in the normal form; held so here, algorithm B ran with
    // 0x8408 and no check value of XModem came out.
    { "XModem-CRC-16", 16, 0x8408 },
    { "CRC-DNP (CRC-16)", 16, 0xA6BC },
    { "CRC-16 VÖV 04.05.1", 16, 0xC6F6 },
    { "CRC-24 (IETF RFC2440)", 24, 0xDF3261 },
    { "CRC-32 (IEEE 802.3)", 32, 0xEDB88320 },
    { "CRC-64 (ISO 3309)", 64, 0xD800000000000000ull },
    { "CRC-64 (ECMA-182)", 64, 0xC96C5795D7870F42ull },
};

uint64_t CrcShiftLeft(uint64_t value, unsigned count)
{
    return count >= 64 ? 0 : value << count;
}

uint64_t CrcShiftRight(uint64_t value, unsigned count)
{
    return count >= 64 ? 0 : value >> count;
}

uint64_t CrcMask(unsigned width)
{
    return width >= 64 ? ~0ull : CrcShiftLeft(1, width) - 1;
}

int FormatCrcValue(uint64_t value, unsigned width, char* out)
{
    return snprintf(out, 19, "0x%0*llX", static_cast<int>((width + 3) / 4), static_cast<unsigned long long>(value));
}

// ---------------------------------------------------------------------------------------------
// Tables and runs

void BuildCrcTableA(uint64_t reflected, uint64_t table[256])
{
    for (unsigned i = 0; i < 256; ++i)
    {
        uint64_t v = i;
        for (int k = 0; k < 8; ++k)
            v = (v >> 1) ^ ((v & 1) ? reflected : 0);
        table[i] = v;
    }
}

void BuildCrcTableB(uint64_t normal, unsigned width, uint64_t table[256])
{
    const uint64_t top = CrcShiftLeft(1, width - 1);
    const uint64_t mask = CrcMask(width);
    for (unsigned i = 0; i < 256; ++i)
    {
        uint64_t v = 0;
        // The byte enters at the register's top bit. A register narrower than a byte cannot
        // hold it there, so its top bit is lifted to the byte's instead.
        uint64_t x = width < 8 ? i : CrcShiftLeft(i, width - 8);
        for (int k = 0; k < 8; ++k)
        {
            const bool feed = width < 8 ? ((CrcShiftLeft(v, 8 - width) ^ x) & 0x80) != 0 : ((v ^ x) & top) != 0;
            v = feed ? (v << 1) ^ normal : v << 1;
            x <<= 1;
        }
        table[i] = v & mask;
    }
}

void BuildCrcTableC(uint64_t normal, unsigned width, uint64_t table[256])
{
    const uint64_t t = CrcShiftLeft(1, width);
    const uint64_t p = width < 64 ? normal | t : normal;
    // Below 7 bits the index bits above the width are never reduced: they go.
    const uint64_t widthMask = CrcMask(width);
    for (unsigned i = 0; i < 256; ++i)
    {
        uint64_t v = (i & t) ? i ^ p : i;
        for (int k = 0; k < 7; ++k)
        {
            v <<= 1;
            if (v & t)
                v ^= p;
        }
        table[i] = v & widthMask;
    }
}

uint64_t RunCrcA(const uint64_t table[256], uint64_t crc, const uint8_t* data, int count)
{
    for (int i = 0; data && i < count; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint64_t RunCrcB(const uint64_t table[256], unsigned width, uint64_t crc, const uint8_t* data, int count)
{
    const uint64_t mask = CrcMask(width);
    for (int i = 0; data && i < count; ++i)
    {
        const uint64_t c = crc & mask;
        // The register's top byte meets the data byte and a whole byte leaves the register.
        // Shifting both by the width rounded to bytes, less 8, was right at 16 bits only.
        const uint64_t top = width < 8 ? CrcShiftLeft(c, 8 - width) : CrcShiftRight(c, width - 8);
        crc = table[(top ^ data[i]) & 0xFF] ^ CrcShiftLeft(c, 8);
    }
    return crc & mask;
}

uint64_t RunCrcC(const uint64_t table[256], uint64_t crc, const uint8_t* data, int count)
{
    for (int i = 0; data && i < count; ++i)
        crc = table[((crc << 1) & 0xFF) ^ data[i]];
    return crc;
}

// ---------------------------------------------------------------------------------------------
// Formula

namespace {

bool IsFormulaBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

const char* SkipFormulaBlanks(const char* p)
{
    while (IsFormulaBlank(*p))
        ++p;
    return p;
}

}  // namespace

CrcFormula ParseCrcFormula(const char* text)
{
    CrcFormula f = { 1, 0, false };
    const char* p = text ? text : "";
    for (;;)
    {
        p = SkipFormulaBlanks(p);
        if (!*p || *p == '=')
            break;
        if (*p == '+')
        {
            ++p;
            continue;
        }
        if ((*p == 'x' || *p == 'X') && !IsLetter(p[1]))
        {
            ++p;
            if (!IsDigit(*p))
                p = SkipFormulaBlanks(p);
            bool exponent = IsDigit(*p);
            if (*p == '^' || *p == '\'')
            {
                p = SkipFormulaBlanks(p + 1);
                exponent = true;
            }
            if (!exponent)
            {
                f.bits |= 2;
                if (f.width < 2)
                    f.width = 2;
                continue;
            }
            if (*p == '{')
                ++p;
            // An exponent takes no sign: "x^-3" names a bit below bit 0, which no shift can
            // set, and stays a formula that does not parse instead of a term quietly lost.
            int used = 0;
            unsigned e = static_cast<unsigned>(ParseInteger(p, 10 | IPF_NO_SIGN, &used));
            p += used;
            if (*p == '}')
                ++p;
            if (e < 64)
                f.bits |= CrcShiftLeft(1, e);
            if (e > f.width && e <= 64)
                f.width = e;
            continue;
        }
        if (*p == '1' && !IsDigit(p[1]) && !IsLetter(p[1]))
        {
            f.bits |= 1;
            ++p;
            continue;
        }
        f.error = true;
        break;
    }
    return f;
}

CString CrcFormulaText(uint64_t reflected, unsigned width)
{
    CString text;
    char term[16];
    snprintf(term, sizeof(term), "x^%u", width);
    text = term;
    uint64_t p = reflected;
    for (unsigned i = width - 1; i >= 2 && i < width; --i)
    {
        if (p & 1)
        {
            snprintf(term, sizeof(term), " + x^%u", i);
            text += term;
        }
        p >>= 1;
    }
    if ((p & 1) && width >= 2)
        text += " + x";
    if (p & 2)
        text += " + 1";
    return text;
}

// ---------------------------------------------------------------------------------------------
// Recalculation

CCrcCalculator::CCrcCalculator()
    : invert(0), algorithm(CRC_ALGO_NONE), preset(0), reflected(0xEDB88320), normal(0x04C11DB7),
      mask(0xFFFFFFFF), start(~0ull), width(32), data(nullptr), length(0), formulaError(0), fieldError(0),
      m_rememberedPoly(0), m_rememberedStart(0), m_cachedReflected(0), m_cachedWidth(0)
{
    memset(results, 0, sizeof(results));
    memset(tables, 0, sizeof(tables));
}

void CCrcCalculator::ClearCache()
{
    m_cachedReflected = 0;
    m_cachedWidth = 0;
}

namespace {

uint64_t ParseValue(const CString& text)
{
    return static_cast<uint64_t>(ParseInteger64(text, IPF_RADIX_AUTO, nullptr));
}

const char* SkipTextBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// One whole number whose bits lie within `mask`; the width field may say "-Bit" behind it.
bool IsWholeNumber(const CString& text, uint64_t mask, bool width)
{
    const char* p = SkipTextBlanks(text);
    int consumed = 0;
    bool overflow = false;
    const uint64_t value = static_cast<uint64_t>(ParseInteger64Overflow(p, IPF_RADIX_AUTO, &consumed, &overflow));
    if (consumed <= 0 || overflow)
        return false;
    p += consumed;
    if (width && _strnicmp(p, "-Bit", 4) == 0)
        p += 4;
    if (*SkipTextBlanks(p))
        return false;
    return width ? value >= 1 && value <= 64 : (value & ~mask) == 0;
}

bool PresetFits(int row, uint64_t reflected, unsigned width)
{
    return CrcPresetTable[row].polynomial == reflected && CrcPresetTable[row].width == width;
}

CString ValueText(uint64_t value, unsigned width)
{
    char text[20];
    FormatCrcValue(value, width, text);
    return CString(text);
}

// A number C reads as the field reads it: "0x" and hexadecimal digits, or decimal digits
// without a leading 0 ("0100" is octal to C, "0d12" and "0o17" no C at all).
bool IsCNumberText(const char* p)
{
    p = SkipTextBlanks(p);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isxdigit(static_cast<unsigned char>(p[2])))
    {
        for (p += 2; isxdigit(static_cast<unsigned char>(*p)); ++p)
        {
        }
    }
    else if (p[0] == '0')
        ++p;
    else
    {
        if (!isdigit(static_cast<unsigned char>(*p)))
            return false;
        while (isdigit(static_cast<unsigned char>(*p)))
            ++p;
    }
    return *SkipTextBlanks(p) == 0;
}

// The POLYNOM of a generated source: the field's text in the user's own spelling while it is
// the number the tables were built from, written so that C reads it, else that number in the
// width's format. A typed polynomial with more digits than the width ("0x1A001" at 12 bits) is
// cut to the width for the tables; its text would make the source's generator build another
// table than the one the source holds and the calculator shows results of.
CString SourcePolynomText(const CString& text, uint64_t value, uint64_t mask, unsigned width)
{
    return IsWholeNumber(text, mask, false) && IsCNumberText(text) ? text : ValueText(value, width);
}

}  // namespace

void CCrcCalculator::UpdateRemembered(int trigger)
{
    // A width change takes back the polynomial and the start value as they were typed, so
    // that narrowing the width and widening it again restores them.
    if (trigger == CRC_TRIGGER_WIDTH)
    {
        if (m_rememberedPoly)
        {
            reflected = ParseValue(m_rememberedPolyText) & mask;
            // The normal form follows the polynomial taken back, or the two fields would
            // show different polynomials and algorithms B and C would run on a stale one.
            normal = ReverseBits(reflected, static_cast<int>(width));
        }
        else
        {
            m_rememberedPolyText = reflectedText;
            m_rememberedPoly = 1;
        }
    }
    if (trigger == CRC_TRIGGER_PRESET || trigger == CRC_TRIGGER_FORMULA || trigger == CRC_TRIGGER_START)
        m_rememberedPoly = 0;
    if (trigger == CRC_TRIGGER_REFLECTED)
    {
        m_rememberedPolyText = reflectedText;
        m_rememberedPoly = 1;
    }
    if (trigger == CRC_TRIGGER_WIDTH || trigger == CRC_TRIGGER_PRESET || trigger == CRC_TRIGGER_FORMULA)
    {
        if (m_rememberedStart)
        {
            start = ParseValue(m_rememberedStartText) & mask;
        }
        else
        {
            m_rememberedStartText = startText;
            m_rememberedStart = 1;
        }
    }
    if (trigger == CRC_TRIGGER_NORMAL)
    {
        m_rememberedStartText = startText;
        m_rememberedStart = 1;
    }
    if (trigger == CRC_TRIGGER_START)
        m_rememberedStart = 0;
}

unsigned CCrcCalculator::Recalculate(int trigger)
{
    unsigned writes = 0;
    start = ParseValue(startText);
    width = static_cast<unsigned>(ParseInteger(widthText, IPF_RADIX_AUTO, nullptr));
    reflected = ParseValue(reflectedText);
    normal = ParseValue(normalText);

    if (trigger == CRC_TRIGGER_FORMULA)
    {
        CrcFormula f = ParseCrcFormula(formulaText);
        if (static_cast<int>(f.error) != formulaError)
        {
            formulaError = f.error ? 1 : 0;
            writes |= CRCW_FORMULA_COLOR;
        }
        if (!f.error)
        {
            width = f.width;
            normal = f.bits;
            reflected = ReverseBits(normal, static_cast<int>(width));
        }
    }
    if (trigger == CRC_TRIGGER_PRESET && preset > 0 && preset < kCrcPresetCount)
    {
        width = CrcPresetTable[preset].width;
        reflected = CrcPresetTable[preset].polynomial;
        normal = ReverseBits(reflected, static_cast<int>(width));
    }
    if (trigger == CRC_TRIGGER_START && algorithm != CRC_ALGO_NONE)
        m_cachedWidth = 0;
    if (width == 0)
        width = 32;
    if (width > 64)
        width = 64;
    if (trigger == CRC_TRIGGER_NORMAL)
        reflected = ReverseBits(normal, static_cast<int>(width));
    else
        normal = ReverseBits(reflected, static_cast<int>(width));
    mask = CrcMask(width);
    // Mends results shown for a number the field does not show: the field being typed in keeps
    // its text until it is left, so "1.5" (read as 1), "12 x" (read as 12) or "0x1FFFF" at 16
    // bits (cut to 0xFFFF) would stand unmarked beside results of another number. Marked red
    // until the field holds a whole number of the width or is rewritten on leaving it.
    unsigned error = 0;
    if (trigger == CRC_TRIGGER_WIDTH && !IsWholeNumber(widthText, mask, true))
        error = CRCW_WIDTH;
    else if (trigger == CRC_TRIGGER_REFLECTED && !IsWholeNumber(reflectedText, mask, false))
        error = CRCW_REFLECTED;
    else if (trigger == CRC_TRIGGER_NORMAL && !IsWholeNumber(normalText, mask, false))
        error = CRCW_NORMAL;
    else if (trigger == CRC_TRIGGER_START && !IsWholeNumber(startText, mask, false))
        error = CRCW_START;
    if (error != fieldError)
    {
        fieldError = error;
        writes |= CRCW_FIELD_COLOR;
    }
    reflected &= mask;
    normal &= mask;
    start &= mask;
    UpdateRemembered(trigger);

    if (trigger != CRC_TRIGGER_PRESET)
    {
        // Two rows share one polynomial ("CRC-CCITT (CRC-16)" and "XModem-CRC-16"): the row
        // chosen stays while it fits, and a typed polynomial finds the first row that fits.
        if (preset < 1 || preset >= kCrcPresetCount || !PresetFits(preset, reflected, width))
        {
            preset = 0;
            for (int row = 1; row < kCrcPresetCount && !preset; ++row)
                if (PresetFits(row, reflected, width))
                    preset = row;
        }
        writes |= CRCW_PRESET;
    }
    if (trigger != CRC_TRIGGER_WIDTH)
    {
        char text[16];
        snprintf(text, sizeof(text), "%u-Bit", width);
        widthText = text;
        writes |= CRCW_WIDTH;
    }
    if (trigger != CRC_TRIGGER_REFLECTED)
    {
        reflectedText = ValueText(reflected, width);
        writes |= CRCW_REFLECTED;
    }
    if (trigger != CRC_TRIGGER_NORMAL)
    {
        normalText = ValueText(normal, width);
        writes |= CRCW_NORMAL;
    }
    if (trigger != CRC_TRIGGER_FORMULA)
    {
        formulaText = CrcFormulaText(reflected, width);
        if (formulaError)
        {
            formulaError = 0;
            writes |= CRCW_FORMULA_COLOR;
        }
        writes |= CRCW_FORMULA;
    }
    if (trigger != CRC_TRIGGER_START)
    {
        startText = ValueText(start, width);
        writes |= CRCW_START;
    }

    if (reflected != m_cachedReflected || width != m_cachedWidth)
    {
        m_cachedReflected = reflected;
        m_cachedWidth = width;
        BuildCrcTableA(reflected, tables[0]);
        BuildCrcTableB(normal, width, tables[1]);
        BuildCrcTableC(normal, width, tables[2]);
        if (algorithm >= CRC_ALGO_A && algorithm <= CRC_ALGO_C)
        {
            source = BuildCrcSource(algorithm, width, start, SourcePolynomText(reflectedText, reflected, mask, width),
                                    SourcePolynomText(normalText, normal, mask, width), normal,
                                    tables[algorithm - 1]);
            writes |= CRCW_SOURCE;
        }
    }

    const uint64_t starts[3] = { start, 0, mask };
    const int count = data ? length : 0;
    for (int k = 0; k < 3; ++k)
    {
        results[k] = RunCrcA(tables[0], starts[k], data, count);
        results[3 + k] = RunCrcB(tables[1], width, starts[k], data, count);
        results[6 + k] = RunCrcC(tables[2], starts[k], data, count);
    }
    for (uint64_t& r : results)
        if (invert)
            r ^= mask;
    return writes;
}
