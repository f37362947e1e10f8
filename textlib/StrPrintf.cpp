// The formatting core and its sinks. Every conversion is produced here, the floating-point
// ones included: the C run-time's printf is not used, so the text does not change with the
// msvcrt a machine happens to carry.
#include "textlib/StrPrintf.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// ---------------------------------------------------------------------------------------------
// Output staging: conversions write single characters and short runs; the sink sees them in
// blocks. Once the sink takes less than it was offered, everything further is dropped and the
// core stops, so a huge width into a small bounded buffer ends at once instead of counting
// out two billion blanks.

class FormatOutput {
public:
    FormatOutput(StrPrintfSinkFn sink, void* context)
        : m_sink(sink), m_context(context), m_used(0), m_total(0), m_stopped(sink == NULL) {}

    bool Stopped() const { return m_stopped; }

    void Put(char c)
    {
        if (m_stopped)
            return;
        if (m_used == sizeof(m_stage))
            Flush();
        if (!m_stopped)
            m_stage[m_used++] = c;
    }

    void Write(const char* text, uint64_t length)
    {
        while (length > 0 && !m_stopped) {
            if (m_used == sizeof(m_stage)) {
                Flush();
                continue;
            }
            size_t n = sizeof(m_stage) - m_used;
            if (n > length)
                n = static_cast<size_t>(length);
            memcpy(m_stage + m_used, text, n);
            m_used += n;
            text += n;
            length -= n;
        }
    }

    void Repeat(char c, uint64_t count)
    {
        while (count > 0 && !m_stopped) {
            if (m_used == sizeof(m_stage)) {
                Flush();
                continue;
            }
            size_t n = sizeof(m_stage) - m_used;
            if (n > count)
                n = static_cast<size_t>(count);
            memset(m_stage + m_used, c, n);
            m_used += n;
            count -= n;
        }
    }

    int Finish()
    {
        Flush();
        return m_total > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(m_total);
    }

private:
    void Flush()
    {
        if (m_used > 0 && !m_stopped) {
            int taken = m_sink(m_context, m_stage, static_cast<int>(m_used));
            if (taken < 0)
                taken = 0;
            if (static_cast<size_t>(taken) > m_used)
                taken = static_cast<int>(m_used);
            m_total += static_cast<uint64_t>(taken);
            if (static_cast<size_t>(taken) < m_used)
                m_stopped = true;
        }
        m_used = 0;
    }

    StrPrintfSinkFn m_sink;
    void* m_context;
    char m_stage[256];
    size_t m_used;
    uint64_t m_total;
    bool m_stopped;
};

// One parsed conversion: "%" flags width .precision prefix conversion.
struct ConversionSpec {
    bool left;       // "-"
    bool plus;       // "+"
    bool space;      // " "
    bool zero;       // "0"
    int width;       // 0 = none
    int precision;   // -1 = none
    bool is64;       // "I64" or "ll"
    bool isLong;     // "l": wide character or text for c and s
};

// Reads a decimal count of the format; a value past INT_MAX stays at INT_MAX.
int ReadCount(const char*& p)
{
    int value = 0;
    while (*p >= '0' && *p <= '9') {
        int digit = *p - '0';
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
        p++;
    }
    return value;
}

uint64_t PaddingFor(const ConversionSpec& spec, uint64_t length)
{
    return static_cast<uint64_t>(spec.width) > length ? spec.width - length : 0;
}

// ---------------------------------------------------------------------------------------------
// Integers

void EmitInteger(FormatOutput& out, const ConversionSpec& spec, uint64_t magnitude, char sign,
                 unsigned radix, bool upper)
{
    const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[24];   // 22 octal digits of 2^64 - 1 at most
    int count = 0;
    while (magnitude != 0) {
        digits[sizeof(digits) - 1 - count] = digitSet[magnitude % radix];
        magnitude /= radix;
        count++;
    }
    uint64_t minDigits = spec.precision < 0 ? 1 : static_cast<uint64_t>(spec.precision);
    uint64_t zeros = minDigits > static_cast<uint64_t>(count) ? minDigits - count : 0;
    uint64_t length = (sign ? 1 : 0) + zeros + count;
    // The "0" flag fills the width with zeros between sign and digits; a precision already
    // fixes the digit count, so C lets it win over "0".
    if (spec.zero && !spec.left && spec.precision < 0) {
        zeros += PaddingFor(spec, length);
        length += PaddingFor(spec, length);
    }
    uint64_t pad = PaddingFor(spec, length);
    if (!spec.left)
        out.Repeat(' ', pad);
    if (sign)
        out.Put(sign);
    out.Repeat('0', zeros);
    out.Write(digits + sizeof(digits) - count, count);
    if (spec.left)
        out.Repeat(' ', pad);
}

// ---------------------------------------------------------------------------------------------
// Texts

void EmitText(FormatOutput& out, const ConversionSpec& spec, const char* text)
{
    if (text == NULL)
        text = "(null)";
    // Never look past the precision: "%.8s" is used on fixed-size fields without a NUL.
    uint64_t length = 0;
    if (spec.precision < 0) {
        length = strlen(text);
    } else {
        while (length < static_cast<uint64_t>(spec.precision) && text[length] != 0)
            length++;
    }
    uint64_t pad = PaddingFor(spec, length);
    if (!spec.left)
        out.Repeat(' ', pad);
    out.Write(text, length);
    if (spec.left)
        out.Repeat(' ', pad);
}

// The characters 0x80..0x9F of code page 1252, by byte; 0 where the page has none.
const unsigned short kCp1252Upper[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178
};

char WideUnitToAnsi(unsigned unit)
{
    if (unit <= 0xFF)
        return static_cast<char>(unit);
    for (int i = 0; i < 32; i++) {
        if (kCp1252Upper[i] == unit)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

bool IsHighSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Walks a UTF-16 text up to its zero unit or `limit` units; with `out` it writes the 8-bit
// form, without it only counts the characters that form has.
uint64_t ConvertWideText(const wchar_t* text, uint64_t limit, FormatOutput* out)
{
    uint64_t index = 0;
    uint64_t produced = 0;
    while (index < limit && text[index] != 0) {
        unsigned unit = static_cast<unsigned short>(text[index]);
        if (IsHighSurrogate(unit) && index + 1 < limit &&
            IsLowSurrogate(static_cast<unsigned short>(text[index + 1]))) {
            index += 2;   // a character beyond the BMP: none of them is in code page 1252
            unit = 0xFFFF;
        } else {
            index++;
        }
        if (out != NULL)
            out->Put(WideUnitToAnsi(unit));
        produced++;
    }
    return produced;
}

void EmitWideText(FormatOutput& out, const ConversionSpec& spec, const wchar_t* text)
{
    if (text == NULL) {
        EmitText(out, spec, NULL);
        return;
    }
    uint64_t limit = spec.precision < 0 ? UINT64_MAX : static_cast<uint64_t>(spec.precision);
    uint64_t length = ConvertWideText(text, limit, NULL);
    uint64_t pad = PaddingFor(spec, length);
    if (!spec.left)
        out.Repeat(' ', pad);
    ConvertWideText(text, limit, &out);
    if (spec.left)
        out.Repeat(' ', pad);
}

void EmitChar(FormatOutput& out, const ConversionSpec& spec, char c)
{
    uint64_t pad = PaddingFor(spec, 1);
    if (!spec.left)
        out.Repeat(' ', pad);
    out.Put(c);
    if (spec.left)
        out.Repeat(' ', pad);
}

// ---------------------------------------------------------------------------------------------
// Floating point. A finite double is m * 2^e with integer m below 2^53. For e >= 0 that is the
// integer m << e; for e < 0 it is (m * 5^-e) / 10^-e, so the decimal digits of the integer
// m * 5^-e are exactly the digits of the value. Computing them with a small big-number
// routine gives every digit exactly, and the one rounding that follows is correct.

// m * 5^1074 with m below 2^53 is the largest integer needed: 2548 bits, 80 words.
const int kBigWords = 84;
// ... and it has 768 decimal digits; the digits come out in groups of nine.
const int kMaxDigits = 800;

struct BigNumber {
    uint32_t words[kBigWords];   // least significant first
    int used;
};

void BigMultiply(BigNumber& n, uint32_t factor)
{
    uint64_t carry = 0;
    for (int i = 0; i < n.used; i++) {
        uint64_t product = static_cast<uint64_t>(n.words[i]) * factor + carry;
        n.words[i] = static_cast<uint32_t>(product);
        carry = product >> 32;
    }
    if (carry != 0 && n.used < kBigWords)
        n.words[n.used++] = static_cast<uint32_t>(carry);
}

void BigShiftLeft(BigNumber& n, int bits)
{
    int wordShift = bits / 32;
    int bitShift = bits % 32;
    if (n.used == 0)
        return;
    int newUsed = n.used + wordShift + 1;
    if (newUsed > kBigWords)
        newUsed = kBigWords;   // cannot happen for a double's exponent range
    for (int i = newUsed - 1; i >= 0; i--) {
        int source = i - wordShift;
        uint32_t high = (source >= 0 && source < n.used) ? n.words[source] : 0;
        uint32_t low = (source - 1 >= 0 && source - 1 < n.used) ? n.words[source - 1] : 0;
        n.words[i] = bitShift == 0 ? high : (high << bitShift) | (low >> (32 - bitShift));
    }
    n.used = newUsed;
    while (n.used > 0 && n.words[n.used - 1] == 0)
        n.used--;
}

uint32_t BigDivide(BigNumber& n, uint32_t divisor)
{
    uint64_t remainder = 0;
    for (int i = n.used - 1; i >= 0; i--) {
        uint64_t part = (remainder << 32) | n.words[i];
        n.words[i] = static_cast<uint32_t>(part / divisor);
        remainder = part % divisor;
    }
    while (n.used > 0 && n.words[n.used - 1] == 0)
        n.used--;
    return static_cast<uint32_t>(remainder);
}

// A non-negative decimal value: digits d0 d1 d2 ... meaning d0.d1d2... * 10^exponent.
// count 0 is the value zero (exponent 0 then).
struct DecimalValue {
    char digits[kMaxDigits];
    int count;
    int exponent;
};

void ToDecimal(uint64_t mantissa, int binaryExponent, DecimalValue& value)
{
    value.count = 0;
    value.exponent = 0;
    if (mantissa == 0)
        return;
    while ((mantissa & 1) == 0) {   // fewer factors of 5 to carry
        mantissa >>= 1;
        binaryExponent++;
    }
    BigNumber n;
    n.words[0] = static_cast<uint32_t>(mantissa);
    n.words[1] = static_cast<uint32_t>(mantissa >> 32);
    n.used = n.words[1] != 0 ? 2 : 1;
    if (binaryExponent > 0) {
        BigShiftLeft(n, binaryExponent);
    } else {
        int fives = -binaryExponent;
        while (fives >= 13) {
            BigMultiply(n, 1220703125u);   // 5^13, the largest power of 5 below 2^31
            fives -= 13;
        }
        uint32_t factor = 1;
        while (fives-- > 0)
            factor *= 5;
        BigMultiply(n, factor);
    }

    uint32_t groups[kMaxDigits / 9 + 1];
    int groupCount = 0;
    while (n.used > 0 && groupCount < kMaxDigits / 9)
        groups[groupCount++] = BigDivide(n, 1000000000u);

    // The top group without leading zeros, the others with all nine digits.
    char top[10];
    int topLength = 0;
    for (uint32_t g = groups[groupCount - 1]; g != 0; g /= 10)
        top[topLength++] = static_cast<char>('0' + g % 10);
    int count = 0;
    while (topLength > 0)
        value.digits[count++] = top[--topLength];
    for (int i = groupCount - 2; i >= 0; i--) {
        uint32_t g = groups[i];
        for (int k = 8; k >= 0; k--) {
            value.digits[count + k] = static_cast<char>('0' + g % 10);
            g /= 10;
        }
        count += 9;
    }
    value.count = count;
    value.exponent = count - 1 + (binaryExponent < 0 ? binaryExponent : 0);
}

// Keeps `keep` significant digits (the digit of weight 10^(exponent - keep + 1) is the last),
// rounding half to even. keep may be 0 or negative when the value lies below the last place
// kept; the value then becomes zero or one unit of that place.
void RoundDigits(DecimalValue& value, int64_t keep)
{
    if (value.count == 0 || keep >= value.count)
        return;
    bool up = false;
    if (keep >= 0) {
        char next = value.digits[keep];
        if (next > '5') {
            up = true;
        } else if (next == '5') {
            bool rest = false;
            for (int i = static_cast<int>(keep) + 1; i < value.count && !rest; i++)
                rest = value.digits[i] != '0';
            // On an exact tie the even neighbour wins; above the first digit that is 0.
            up = rest || (keep > 0 && ((value.digits[keep - 1] - '0') & 1) != 0);
        }
    }
    if (keep <= 0) {
        if (up) {
            value.exponent += static_cast<int>(1 - keep);   // keep is 0 here
            value.digits[0] = '1';
            value.count = 1;
        } else {
            value.count = 0;
            value.exponent = 0;
        }
        return;
    }
    value.count = static_cast<int>(keep);
    if (!up)
        return;
    int i = value.count - 1;
    while (i >= 0 && value.digits[i] == '9')
        value.digits[i--] = '0';
    if (i >= 0) {
        value.digits[i]++;
    } else {
        value.digits[0] = '1';   // 9.99 -> 10.0: the others are zeros already
        value.exponent++;
    }
}

int SignificantCount(const DecimalValue& value)
{
    int count = value.count;
    while (count > 0 && value.digits[count - 1] == '0')
        count--;
    return count;
}

void EmitSpecialFloat(FormatOutput& out, const ConversionSpec& spec, char sign, const char* text)
{
    uint64_t length = (sign ? 1 : 0) + 3;
    uint64_t pad = PaddingFor(spec, length);
    if (!spec.left)
        out.Repeat(' ', pad);
    if (sign)
        out.Put(sign);
    out.Write(text, 3);
    if (spec.left)
        out.Repeat(' ', pad);
}

// The fraction digits after the point: `first` is the index in value.digits of the first of
// them (negative for leading zeros of a small number).
void EmitFractionDigits(FormatOutput& out, const DecimalValue& value, int64_t first, uint64_t count)
{
    uint64_t done = 0;
    while (done < count && first + static_cast<int64_t>(done) < 0) {
        out.Put('0');
        done++;
    }
    while (done < count && first + static_cast<int64_t>(done) < value.count) {
        out.Put(value.digits[first + done]);
        done++;
    }
    out.Repeat('0', count - done);
}

void EmitFloat(FormatOutput& out, const ConversionSpec& spec, double number, char conversion)
{
    uint64_t bits;
    memcpy(&bits, &number, sizeof(bits));
    bool negative = (bits >> 63) != 0;
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t fraction = bits & ((static_cast<uint64_t>(1) << 52) - 1);
    char sign = negative ? '-' : spec.plus ? '+' : spec.space ? ' ' : 0;

    if (biased == 0x7FF) {
        if (fraction != 0) {
            // The sign bit of a NaN means nothing (the x87's own "indefinite" NaN has it set),
            // so it is not shown; "+" and " " still apply.
            EmitSpecialFloat(out, spec, spec.plus ? '+' : spec.space ? ' ' : 0, "nan");
        } else {
            EmitSpecialFloat(out, spec, sign, "inf");
        }
        return;
    }

    DecimalValue value;
    if (biased == 0)
        ToDecimal(fraction, -1074, value);   // subnormal
    else
        ToDecimal(fraction | (static_cast<uint64_t>(1) << 52), biased - 1075, value);

    int64_t precision = spec.precision < 0 ? 6 : spec.precision;
    bool exponential = conversion == 'e';
    int64_t fractionDigits = precision;
    if (conversion == 'e') {
        RoundDigits(value, precision + 1);
    } else if (conversion == 'f') {
        RoundDigits(value, value.exponent + 1 + precision);
    } else {
        // %g: round to P significant digits, then C's rule on the exponent X of the rounded
        // value: P > X >= -4 is fixed notation with P - 1 - X decimals, else exponential with
        // P - 1; trailing zeros go in both cases.
        int64_t significant = precision == 0 ? 1 : precision;
        RoundDigits(value, significant);
        int64_t x = value.exponent;
        int64_t kept = SignificantCount(value);
        if (x < -4 || x >= significant) {
            exponential = true;
            fractionDigits = significant - 1;
            if (fractionDigits > kept - 1)
                fractionDigits = kept > 0 ? kept - 1 : 0;
        } else {
            fractionDigits = significant - 1 - x;
            if (fractionDigits > kept - 1 - x)
                fractionDigits = kept - 1 - x > 0 ? kept - 1 - x : 0;
        }
    }

    int exponent = value.exponent;   // 0 for the value zero
    uint64_t length = (sign ? 1 : 0) + (fractionDigits > 0 ? 1 + fractionDigits : 0);
    int exponentDigits = 0;
    if (exponential) {
        exponentDigits = (exponent >= 100 || exponent <= -100) ? 3 : 2;
        length += 1 + 2 + exponentDigits;
    } else {
        length += (exponent > 0 ? exponent : 0) + 1;
    }

    uint64_t pad = PaddingFor(spec, length);
    uint64_t zeros = 0;
    if (spec.zero && !spec.left) {
        zeros = pad;
        pad = 0;
    }
    if (!spec.left)
        out.Repeat(' ', pad);
    if (sign)
        out.Put(sign);
    out.Repeat('0', zeros);

    if (exponential) {
        out.Put(value.count > 0 ? value.digits[0] : '0');
        if (fractionDigits > 0) {
            out.Put('.');
            EmitFractionDigits(out, value, 1, fractionDigits);
        }
        out.Put('e');
        int magnitude = exponent;
        if (magnitude < 0) {
            out.Put('-');
            magnitude = -magnitude;
        } else {
            out.Put('+');
        }
        if (exponentDigits == 3)
            out.Put(static_cast<char>('0' + magnitude / 100));
        out.Put(static_cast<char>('0' + magnitude / 10 % 10));
        out.Put(static_cast<char>('0' + magnitude % 10));
    } else {
        // Integer part: weights 10^max(X,0) .. 10^0, digit index X - weight.
        for (int weight = exponent > 0 ? exponent : 0; weight >= 0; weight--) {
            int index = exponent - weight;
            out.Put(index >= 0 && index < value.count ? value.digits[index] : '0');
        }
        if (fractionDigits > 0) {
            out.Put('.');
            EmitFractionDigits(out, value, static_cast<int64_t>(exponent) + 1, fractionDigits);
        }
    }
    if (spec.left)
        out.Repeat(' ', pad);
}

// ---------------------------------------------------------------------------------------------
// The core

int FormatCore(StrPrintfSinkFn sink, void* context, const char* format, va_list args)
{
    FormatOutput out(sink, context);
    if (format == NULL)
        return out.Finish();

    const char* p = format;
    while (*p != 0 && !out.Stopped()) {
        if (*p != '%') {
            const char* run = p;
            while (*p != 0 && *p != '%')
                p++;
            out.Write(run, p - run);
            continue;
        }

        const char* start = p++;
        ConversionSpec spec = {};
        spec.precision = -1;
        for (;; p++) {
            if (*p == '-')
                spec.left = true;
            else if (*p == '+')
                spec.plus = true;
            else if (*p == ' ')
                spec.space = true;
            else if (*p == '0')
                spec.zero = true;
            else
                break;
        }
        if (*p == '*') {
            p++;
            int width = va_arg(args, int);
            if (width < 0) {
                spec.left = true;
                spec.width = width == INT_MIN ? INT_MAX : -width;
            } else {
                spec.width = width;
            }
        } else {
            spec.width = ReadCount(p);
        }
        if (*p == '.') {
            p++;
            if (*p == '*') {
                p++;
                int precision = va_arg(args, int);
                spec.precision = precision < 0 ? -1 : precision;
            } else {
                spec.precision = ReadCount(p);
            }
        }
        for (;;) {
            if (*p == 'h') {
                p++;
            } else if (*p == 'l' && p[1] == 'l') {
                spec.is64 = true;
                p += 2;
            } else if (*p == 'l') {
                spec.isLong = true;
                p++;
            } else if (*p == 'I' && p[1] == '6' && p[2] == '4') {
                spec.is64 = true;
                p += 3;
            } else {
                break;
            }
        }

        char conversion = *p;
        if (conversion == 0) {   // the format ends inside the conversion
            out.Write(start, p - start);
            break;
        }
        p++;
        switch (conversion) {
        case 'd':
        case 'i': {
            int64_t value = spec.is64 ? static_cast<int64_t>(va_arg(args, long long))
                                      : static_cast<int64_t>(va_arg(args, int));
            // The magnitude of INT64_MIN does not fit an int64_t; it does fit unsigned.
            uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value)
                                           : static_cast<uint64_t>(value);
            char sign = value < 0 ? '-' : spec.plus ? '+' : spec.space ? ' ' : 0;
            EmitInteger(out, spec, magnitude, sign, 10, false);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            uint64_t value = spec.is64 ? static_cast<uint64_t>(va_arg(args, unsigned long long))
                                       : static_cast<uint64_t>(va_arg(args, unsigned int));
            unsigned radix = conversion == 'u' ? 10 : conversion == 'o' ? 8 : 16;
            EmitInteger(out, spec, value, 0, radix, conversion == 'X');
            break;
        }
        case 'p': {
            const void* pointer = va_arg(args, const void*);
            ConversionSpec pointerSpec = spec;
            if (pointerSpec.precision < 0)
                pointerSpec.precision = 2 * static_cast<int>(sizeof(void*));
            EmitInteger(out, pointerSpec, reinterpret_cast<uintptr_t>(pointer), 0, 16, true);
            break;
        }
        case 'c':
            if (spec.isLong)
                EmitChar(out, spec, WideUnitToAnsi(static_cast<unsigned short>(va_arg(args, int))));
            else
                EmitChar(out, spec, static_cast<char>(va_arg(args, int)));
            break;
        case 's':
            if (spec.isLong)
                EmitWideText(out, spec, va_arg(args, const wchar_t*));
            else
                EmitText(out, spec, va_arg(args, const char*));
            break;
        case 'S':
            EmitWideText(out, spec, va_arg(args, const wchar_t*));
            break;
        case 'e':
        case 'f':
        case 'g':
            EmitFloat(out, spec, va_arg(args, double), conversion);
            break;
        case '%':
            out.Put('%');
            break;
        default:
            out.Write(start, p - start);
            break;
        }
    }
    return out.Finish();
}

// ---------------------------------------------------------------------------------------------
// Sinks

int UnboundedSink(void* context, const char* text, int length)
{
    char** cursor = static_cast<char**>(context);
    memcpy(*cursor, text, length);
    *cursor += length;
    return length;
}

struct BoundedBuffer {
    char* next;
    int room;   // characters still free, the terminator's place not counted
};

int BoundedSink(void* context, const char* text, int length)
{
    BoundedBuffer* buffer = static_cast<BoundedBuffer*>(context);
    int taken = length < buffer->room ? length : buffer->room;
    memcpy(buffer->next, text, taken);
    buffer->next += taken;
    buffer->room -= taken;
    return taken;
}

struct HeapText {
    char* data;
    size_t capacity;
    size_t used;
    bool failed;
};

int HeapSink(void* context, const char* text, int length)
{
    HeapText* heap = static_cast<HeapText*>(context);
    size_t needed = heap->used + static_cast<size_t>(length) + 1;   // + terminator
    if (needed < heap->used) {
        heap->failed = true;
        return 0;
    }
    if (needed > heap->capacity) {
        size_t capacity = heap->capacity < 256 ? 256 : heap->capacity;
        while (capacity < needed) {
            if (capacity > SIZE_MAX / 2) {
                capacity = needed;
                break;
            }
            capacity *= 2;
        }
        char* grown = static_cast<char*>(realloc(heap->data, capacity));
        if (grown == NULL) {
            heap->failed = true;
            return 0;
        }
        heap->data = grown;
        heap->capacity = capacity;
    }
    memcpy(heap->data + heap->used, text, length);
    heap->used += length;
    return length;
}

int StreamSink(void* context, const char* text, int length)
{
    return static_cast<int>(fwrite(text, 1, length, static_cast<FILE*>(context)));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Public forms

int StrVPrintfSink(StrPrintfSinkFn sink, void* context, const char* format, va_list args)
{
    return FormatCore(sink, context, format, args);
}

int StrPrintfSink(StrPrintfSinkFn sink, void* context, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = FormatCore(sink, context, format, args);
    va_end(args);
    return length;
}

int StrVPrintf(char* buffer, const char* format, va_list args)
{
    if (buffer == NULL)
        return 0;
    char* cursor = buffer;
    int length = FormatCore(UnboundedSink, &cursor, format, args);
    *cursor = 0;
    return length;
}

int StrPrintf(char* buffer, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = StrVPrintf(buffer, format, args);
    va_end(args);
    return length;
}

int StrVNPrintf(char* buffer, int size, const char* format, va_list args)
{
    if (buffer == NULL || size < 1)
        return 0;
    BoundedBuffer bounded = { buffer, size - 1 };
    int length = FormatCore(BoundedSink, &bounded, format, args);
    *bounded.next = 0;
    return length;
}

int StrNPrintf(char* buffer, int size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = StrVNPrintf(buffer, size, format, args);
    va_end(args);
    return length;
}

int StrVPrintfAlloc(char** out, const char* format, va_list args)
{
    if (out == NULL)
        return -1;
    *out = NULL;
    HeapText heap = { NULL, 0, 0, false };
    int length = FormatCore(HeapSink, &heap, format, args);
    if (!heap.failed && heap.data == NULL) {   // empty text: still a block to free
        heap.data = static_cast<char*>(malloc(1));
        heap.failed = heap.data == NULL;
    }
    if (heap.failed) {
        free(heap.data);
        return -1;
    }
    heap.data[heap.used] = 0;
    *out = heap.data;
    return length;
}

int StrPrintfAlloc(char** out, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = StrVPrintfAlloc(out, format, args);
    va_end(args);
    return length;
}

int StrVFPrintf(FILE* stream, const char* format, va_list args)
{
    return FormatCore(stream != NULL ? StreamSink : NULL, stream, format, args);
}

int StrFPrintf(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = StrVFPrintf(stream, format, args);
    va_end(args);
    return length;
}

int StrVPrintfOut(const char* format, va_list args)
{
    return StrVFPrintf(stdout, format, args);
}

int StrPrintfOut(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = StrVFPrintf(stdout, format, args);
    va_end(args);
    return length;
}
