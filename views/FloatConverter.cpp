#include "views/FloatConverter.h"

#include "services/ByteUtils.h"
#include "services/Eval.h"
#include "textlib/IntParse.h"
#include "textlib/StrPrintf.h"

#include <stdlib.h>
#include <string.h>

namespace {

const uint64_t kDoubleMantissa = (1ull << 52) - 1;
const uint32_t kFloatMantissa = (1u << 23) - 1;

// A field's number part: the text up to any ">" without the blanks around it.
int NumberPart(const char* text, char* out, int size)
{
    const char* p = text ? text : "";
    while (*p == ' ' || *p == '\t')
        ++p;
    int n = 0;
    while (p[n] && p[n] != '>' && n < size - 1)
    {
        out[n] = p[n];
        ++n;
    }
    while (n > 0 && (out[n - 1] == ' ' || out[n - 1] == '\t'))
        --n;
    out[n] = 0;
    return n;
}

bool IsPlainInteger(const char* text)
{
    const char* p = text;
    if (*p == '-')
        ++p;
    if (!*p)
        return false;
    for (; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

// A value field: a plain integer converted exactly, anything else as a decimal number that
// must be read to its end.
bool ParseValueField(const char* text, double* value)
{
    char number[FLOAT_FIELD_SIZE * 2];
    if (NumberPart(text, number, sizeof(number)) == 0)
        return false;
    if (IsPlainInteger(number) && strlen(number) <= 18)
    {
        *value = static_cast<double>(ParseInteger64(number, IPF_RADIX_AUTO, nullptr));
        return true;
    }
    char* end = nullptr;
    double v = strtod(number, &end);
    if (!end || end == number || *end)
        return false;
    *value = v;
    return true;
}

// A mantissa or exponent field: the number after ">" as the field shows it (hex with "h",
// the stored bits), or, without ">", the whole text as the user typed it. *stored tells
// which of the two it was.
bool ParseBitsField(const char* text, long long* value, bool* stored)
{
    const char* p = text ? text : "";
    const char* marker = strchr(p, '>');
    *stored = marker != nullptr;
    char number[FLOAT_FIELD_SIZE * 2];
    int n = NumberPart(marker ? marker + 1 : p, number + 1, sizeof(number) - 1);
    if (n == 0)
        return false;
    // "FFh": an assembler number must begin with a digit.
    const char* expression = number + 1;
    char first = number[1];
    if ((first >= 'A' && first <= 'F') || (first >= 'a' && first <= 'f'))
    {
        number[0] = '0';
        expression = number;
    }
    ExprStatus status = 0;
    long long v = 0;
    EvalInt64(expression, &v, &status);
    if (!status)
        return false;
    *value = v;
    return true;
}

}  // namespace

CFloatConverter::CFloatConverter()
    : m_count(8), m_source(FS_BYTES)
{
    memset(m_bytes, 0, sizeof(m_bytes));
    for (bool& v : m_valid)
        v = true;
}

void CFloatConverter::Open(const uint8_t* bytes, int count, int kind)
{
    memset(m_bytes, 0, sizeof(m_bytes));
    if (!bytes || count < 0)
        count = 0;
    if (count > 8)
        count = 8;
    // Only the bytes given are read: a double or float from fewer is the bytes there, with
    // the rest cleared, not bytes from behind the caller's data.
    if (kind == FS_FLOAT)
        count = count < 4 ? count : 4;
    if (bytes)
        memcpy(m_bytes, bytes, static_cast<size_t>(count));
    m_source = kind == FS_DOUBLE || kind == FS_FLOAT ? kind : FS_BYTES;
    m_count = kind == FS_FLOAT ? 4 : (kind == FS_DOUBLE ? 8 : count);
    for (bool& v : m_valid)
        v = true;
}

uint64_t CFloatConverter::DoubleBits() const
{
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<uint64_t>(m_bytes[i]) << (8 * i);
    return bits;
}

uint32_t CFloatConverter::FloatBits() const
{
    return static_cast<uint32_t>(DoubleBits());
}

void CFloatConverter::SetDoubleBits(uint64_t bits)
{
    for (int i = 0; i < 8; ++i)
        m_bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    m_source = FS_DOUBLE;
    m_count = 8;
}

void CFloatConverter::SetFloatBits(uint32_t bits)
{
    memset(m_bytes, 0, sizeof(m_bytes));
    for (int i = 0; i < 4; ++i)
        m_bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    m_source = FS_FLOAT;
    m_count = 4;
}

double CFloatConverter::DoubleValue() const
{
    double d;
    memcpy(&d, m_bytes, sizeof(d));
    return d;
}

float CFloatConverter::FloatValue() const
{
    float f;
    memcpy(&f, m_bytes, sizeof(f));
    return f;
}

void CFloatConverter::FieldText(int field, char* text) const
{
    const uint64_t d = DoubleBits();
    const uint32_t f = FloatBits();
    text[0] = 0;
    switch (field)
    {
    case FF_DOUBLE:
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%g", DoubleValue());
        break;
    case FF_FLOAT:
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%g", static_cast<double>(FloatValue()));
        break;
    case FF_HEX:
    {
        char hex[8 * 4 + 2];
        int n = m_source == FS_FLOAT ? 4 : 8;
        BytesToHexText(m_bytes, hex, n, HEXTEXT_SEPARATOR(' ') | HEXTEXT_NO_TRAILING | HEXTEXT_TERMINATE);
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%s", hex);
        break;
    }
    case FF_DOUBLE_MANTISSA:
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%I64i  >%04I64Xh", static_cast<long long>(d & kDoubleMantissa),
                   static_cast<long long>(d & kDoubleMantissa));
        break;
    case FF_DOUBLE_EXPONENT:
    {
        int biased = static_cast<int>((d >> 52) & 0x7FF);
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%i  >%03Xh", biased - 1023, biased);
        break;
    }
    case FF_FLOAT_MANTISSA:
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%i  >%04Xh", static_cast<int>(f & kFloatMantissa),
                   static_cast<unsigned>(f & kFloatMantissa));
        break;
    case FF_FLOAT_EXPONENT:
    {
        int biased = static_cast<int>((f >> 23) & 0xFF);
        StrNPrintf(text, FLOAT_FIELD_SIZE, "%i  >%02Xh", biased - 127, biased);
        break;
    }
    default:
        break;
    }
}

bool CFloatConverter::Edit(int field, const char* text)
{
    if (field < 0 || field >= FF_COUNT)
        return false;
    bool ok = false;
    switch (field)
    {
    case FF_DOUBLE:
    case FF_FLOAT:
    {
        double v = 0;
        ok = ParseValueField(text, &v);
        if (ok && field == FF_DOUBLE)
        {
            uint64_t bits;
            memcpy(&bits, &v, sizeof(bits));
            SetDoubleBits(bits);
        }
        else if (ok)
        {
            float f = static_cast<float>(v);
            uint32_t bits;
            memcpy(&bits, &f, sizeof(bits));
            SetFloatBits(bits);
        }
        break;
    }
    case FF_HEX:
    {
        uint8_t bytes[8] = { 0 };
        int n = HexPairsToBytes(bytes, 8, text ? text : "", nullptr);
        ok = n > 0;
        if (ok)
        {
            memcpy(m_bytes, bytes, sizeof(m_bytes));
            m_count = n;
            m_source = FS_BYTES;
        }
        break;
    }
    default:
    {
        long long v = 0;
        bool stored = false;
        if (!ParseBitsField(text, &v, &stored))
            break;
        const bool isDouble = field == FF_DOUBLE_MANTISSA || field == FF_DOUBLE_EXPONENT;
        const bool mantissa = field == FF_DOUBLE_MANTISSA || field == FF_FLOAT_MANTISSA;
        if (mantissa)
        {
            if (isDouble)
            {
                ok = v >= 0 && static_cast<uint64_t>(v) <= kDoubleMantissa;
                if (ok)
                    SetDoubleBits((DoubleBits() & ~kDoubleMantissa) | static_cast<uint64_t>(v));
            }
            else
            {
                ok = true;
                SetFloatBits((FloatBits() & ~kFloatMantissa) | (static_cast<uint32_t>(v) & kFloatMantissa));
            }
            break;
        }
        // The field shows the exponent without its bias; a number typed there means the
        // same, while the hex after ">" is the stored field. Taking the typed number as the
        // stored bits would turn the "0" shown for 1.0, typed again, into a zero exponent.
        const long long bias = isDouble ? 1023 : 127;
        const long long top = isDouble ? 0x7FF : 0xFF;
        long long biased = stored ? v : v + bias;
        ok = biased >= 0 && biased <= top;
        if (!ok)
            break;
        if (isDouble)
            SetDoubleBits((DoubleBits() & ~(0x7FFull << 52)) | (static_cast<uint64_t>(biased) << 52));
        else
            SetFloatBits((FloatBits() & ~(0xFFu << 23)) | (static_cast<uint32_t>(biased) << 23));
        break;
    }
    }
    m_valid[field] = ok;
    return ok;
}

void CFloatConverter::SwapBytes()
{
    for (int i = 0; i < 8; i += 2)
    {
        uint8_t t = m_bytes[i];
        m_bytes[i] = m_bytes[i + 1];
        m_bytes[i + 1] = t;
    }
}

void CFloatConverter::SwapWords()
{
    for (int i = 0; i < 8; i += 4)
        for (int j = 0; j < 2; ++j)
        {
            uint8_t t = m_bytes[i + j];
            m_bytes[i + j] = m_bytes[i + 2 + j];
            m_bytes[i + 2 + j] = t;
        }
}

void CFloatConverter::SwapQWords()
{
    for (int j = 0; j < 4; ++j)
    {
        uint8_t t = m_bytes[j];
        m_bytes[j] = m_bytes[4 + j];
        m_bytes[4 + j] = t;
    }
}

int CFloatConverter::TextOnEntry(int field, const char* text, char* out, int size)
{
    if (!out || size < 1)
        return 0;
    const char* p = text ? text : "";
    int n = 0;
    const bool cut = field == FF_DOUBLE_MANTISSA || field == FF_DOUBLE_EXPONENT || field == FF_FLOAT_MANTISSA ||
                     field == FF_FLOAT_EXPONENT;
    const char* end = cut ? strstr(p, " >") : nullptr;
    int length = end ? static_cast<int>(end - p) : static_cast<int>(strlen(p));
    while (end && length > 0 && (p[length - 1] == ' ' || p[length - 1] == '\t'))
        --length;
    for (; n < length && n < size - 1; ++n)
        out[n] = p[n];
    out[n] = 0;
    return n;
}
