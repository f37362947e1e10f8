#include "textlib/IntParse.h"

namespace {

typedef unsigned long long u64;

struct NumberRead
{
    int length;      // characters of the number (prefix, digits, separators, suffix); 0: none
    u64 value;       // the magnitude, saturated at the limit
    bool overflow;
};

// What DigitValue gives for a character that is no digit: above every radix a caller may ask
// for (up to 250), so that neither the NUL nor any other byte ever reads as a digit.
const unsigned kNoDigit = 0xFFFF;

// Digit value of a character in the radix notations: 0-9, then A-Z and a-z for 10..35.
inline unsigned DigitValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    return kNoDigit;
}

inline bool IsDigitOf(unsigned char c, unsigned radix)
{
    return DigitValue(c) < radix;
}

inline unsigned char Lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

class NumberReader
{
public:
    NumberReader(unsigned flags, u64 limit) : limit_(limit)
    {
        sepUnderscore_ = (flags & IPF_SEP_UNDERSCORE) != 0;
        sepApostrophe_ = (flags & IPF_SEP_APOSTROPHE) != 0;
    }

    // The run of digits of the radix at p, separators allowed between two digits.
    NumberRead Digits(const unsigned char* p, unsigned radix) const
    {
        NumberRead run = { 0, 0, false };
        int digits = 0;
        for (;;)
        {
            const unsigned char c = p[run.length];
            const unsigned d = DigitValue(c);
            if (d < radix)
            {
                if (run.value > (limit_ - d) / radix)
                {
                    run.overflow = true;
                    run.value = limit_;
                }
                else if (!run.overflow)
                    run.value = run.value * radix + d;
                ++run.length;
                ++digits;
                continue;
            }
            // p[length] is not NUL here, so looking one further stays inside the text.
            if (digits > 0 && IsSeparator(c) && IsDigitOf(p[run.length + 1], radix))
            {
                ++run.length;
                continue;
            }
            break;
        }
        return run;
    }

    // A digit run behind a prefix of `skip` characters, or nothing when no digit follows.
    NumberRead Prefixed(const unsigned char* p, int skip, unsigned radix) const
    {
        NumberRead run = { 0, 0, false };
        if (!IsDigitOf(p[skip], radix))
            return run;
        run = Digits(p + skip, radix);
        run.length += skip;
        return run;
    }

    // "0x", "0d", "0o", "0b" (either case); `allowBinary` false leaves "0b" out.
    NumberRead LetterPrefix(const unsigned char* p, bool allowBinary) const
    {
        NumberRead none = { 0, 0, false };
        if (p[0] != '0')
            return none;
        switch (Lower(p[1]))
        {
        case 'x': return Prefixed(p, 2, 16);
        case 'd': return Prefixed(p, 2, 10);
        case 'o': return Prefixed(p, 2, 8);
        case 'b': return allowBinary ? Prefixed(p, 2, 2) : none;
        default: return none;
        }
    }

    // "16#", "10#", "8#", "2#".
    NumberRead HashPrefix(const unsigned char* p) const
    {
        NumberRead none = { 0, 0, false };
        if (p[0] == '1' && p[1] == '6' && p[2] == '#')
            return Prefixed(p, 3, 16);
        if (p[0] == '1' && p[1] == '0' && p[2] == '#')
            return Prefixed(p, 3, 10);
        if (p[0] == '8' && p[1] == '#')
            return Prefixed(p, 2, 8);
        if (p[0] == '2' && p[1] == '#')
            return Prefixed(p, 2, 2);
        return none;
    }

    // Assembler-style number: trailing H, then prefixes, then trailing B or O, else decimal.
    NumberRead WithSuffixes(const unsigned char* p, bool prefixes) const
    {
        NumberRead run;
        if (prefixes)
        {
            run = HashPrefix(p);
            if (run.length)
                return run;
        }
        const NumberRead hex = Digits(p, 16);
        if (hex.length > 0 && Lower(p[hex.length]) == 'h')
        {
            NumberRead withSuffix = hex;
            ++withSuffix.length;
            return withSuffix;
        }
        if (prefixes)
        {
            run = LetterPrefix(p, true);
            if (run.length)
                return run;
        }
        // The B of a binary suffix is itself a hexadecimal digit, so it must end the hex run.
        run = Digits(p, 2);
        if (run.length > 0 && Lower(p[run.length]) == 'b' && run.length + 1 == hex.length)
        {
            ++run.length;
            return run;
        }
        run = Digits(p, 8);
        if (run.length > 0 && Lower(p[run.length]) == 'o')
        {
            ++run.length;
            return run;
        }
        return Digits(p, 10);
    }

    NumberRead Read(const unsigned char* p, unsigned mode) const
    {
        NumberRead run = { 0, 0, false };
        switch (mode)
        {
        case IPF_RADIX_AUTO:
            run = LetterPrefix(p, true);
            return run.length ? run : Digits(p, 10);
        case IPF_RADIX_SUFFIX:
            return WithSuffixes(p, false);
        case 251:
        case IPF_RADIX_ASM:
            return WithSuffixes(p, true);
        case IPF_RADIX_HASH:
            run = HashPrefix(p);
            return run.length ? run : Digits(p, 10);
        case IPF_RADIX_C:
        case IPF_RADIX_C_NOBIN:
            if (p[0] == '0')
            {
                if (Lower(p[1]) == 'x')
                    run = Prefixed(p, 2, 16);
                else if (Lower(p[1]) == 'b' && mode == IPF_RADIX_C)
                    run = Prefixed(p, 2, 2);
                // The leading 0 itself is an octal digit: "0", "007", and "08" reads as 0.
                return run.length ? run : Digits(p, 8);
            }
            return Digits(p, 10);
        default:
            return Digits(p, mode);
        }
    }

private:
    bool IsSeparator(unsigned char c) const
    {
        return (c == '_' && sepUnderscore_) || (c == '\'' && sepApostrophe_);
    }

    u64 limit_;
    bool sepUnderscore_;
    bool sepApostrophe_;
};

// `negativeLimit` is the largest magnitude a minus sign may stand before; a negative number
// beyond it is an overflow like a magnitude beyond `limit`.
u64 ParseWithLimit(const char* text, unsigned flags, int* consumed, u64 limit, u64 negativeLimit,
                   bool* overflow = nullptr)
{
    if (overflow)
        *overflow = false;
    if (consumed)
        *consumed = 0;
    if (!text)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int pos = 0;
    if (!(flags & IPF_NO_LEADING_BLANKS))
        while (p[pos] == ' ' || p[pos] == '\t')
            ++pos;
    bool negative = false;
    if (!(flags & IPF_NO_SIGN) && (p[pos] == '-' || p[pos] == '+'))
    {
        negative = p[pos] == '-';
        ++pos;
        if (!(flags & IPF_SIGN_ADJACENT))
            while (p[pos] == ' ' || p[pos] == '\t')
                ++pos;
    }
    const NumberReader reader(flags, limit);
    const NumberRead number = reader.Read(p + pos, flags & IPF_RADIX_MASK);
    if (number.length == 0)
        return 0;
    pos += number.length;
    if (flags & IPF_EAT_TRAILING)
        while (p[pos] == ' ' || p[pos] == '\t' || p[pos] == '\r' || p[pos] == '\n')
            ++pos;
    if (consumed)
        *consumed = pos;
    const bool beyond = number.overflow || (negative && number.value > negativeLimit);
    if (overflow)
        *overflow = beyond;
    if (beyond)
        return limit;
    return (negative ? 0 - number.value : number.value) & limit;
}

} // namespace

int ParseInteger(const char* text, unsigned flags, int* consumed)
{
    return static_cast<int>(static_cast<unsigned>(ParseWithLimit(text, flags, consumed, 0xFFFFFFFFull, 0xFFFFFFFFull)));
}

// A 64-bit minus sign stops at the smallest signed value: "-0xFFFFFFFFFFFFFFFF" negated
// modulo 2^64 would be 1, a small and plausible offset or CRC value from a number far past
// the width, where its callers refuse numbers past the width.
const u64 kNegativeLimit64 = 0x8000000000000000ull;

long long ParseInteger64(const char* text, unsigned flags, int* consumed)
{
    return static_cast<long long>(ParseWithLimit(text, flags, consumed, ~0ull, kNegativeLimit64));
}

long long ParseInteger64Overflow(const char* text, unsigned flags, int* consumed, bool* overflow)
{
    return static_cast<long long>(ParseWithLimit(text, flags, consumed, ~0ull, kNegativeLimit64, overflow));
}
