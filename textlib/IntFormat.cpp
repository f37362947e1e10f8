#include "textlib/IntFormat.h"

namespace {

typedef unsigned long long u64;

struct NumberForm
{
    unsigned radix;
    const char* prefix;
    const char* suffix;
    bool isSigned;
};

NumberForm FormFor(unsigned flags)
{
    const unsigned low = flags & IFF_FORM_MASK;
    if (flags & IFF_RADIX)
    {
        const unsigned radix = (low >= 2 && low <= 36) ? low : 10;
        return NumberForm{ radix, "", "", false };
    }
    switch (low)
    {
    case IFF_SIGNED: return NumberForm{ 10, "", "", true };
    case IFF_HEX: return NumberForm{ 16, "0x", "", false };
    case IFF_BIN: return NumberForm{ 2, "0b", "", false };
    case IFF_OCT: return NumberForm{ 8, "0o", "", false };
    case IFF_HEX_SUFFIX: return NumberForm{ 16, "", "h", false };
    case IFF_BIN_SUFFIX: return NumberForm{ 2, "", "b", false };
    case IFF_OCT_SUFFIX: return NumberForm{ 8, "", "o", false };
    case IFF_HASH16: return NumberForm{ 16, "16#", "", false };
    case IFF_HASH2: return NumberForm{ 2, "2#", "", false };
    case IFF_HASH8: return NumberForm{ 8, "8#", "", false };
    case IFF_HASH10: return NumberForm{ 10, "10#", "", false };
    default: return NumberForm{ 10, "", "", false };
    }
}

int FormatBits(u64 bits, bool valueIsNegative, char* buffer, unsigned flags)
{
    if (!buffer)
        return 0;
    const NumberForm form = FormFor(flags);
    const bool negative = form.isSigned && valueIsNegative;
    u64 magnitude = negative ? 0 - bits : bits;

    char digits[64];   // least significant first; 64 binary digits at most
    int count = 0;
    do
    {
        const unsigned d = static_cast<unsigned>(magnitude % form.radix);
        digits[count++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        magnitude /= form.radix;
    } while (magnitude != 0);

    const int wanted = static_cast<int>((flags & IFF_DIGITS_MASK) >> IFF_DIGITS_SHIFT);
    if ((flags & IFF_DIGITS_MAX) && wanted > 0 && count > wanted)
        count = wanted;
    int zeros = 0;
    if (!(flags & IFF_RIGHT_ALIGN) && wanted > count)
        zeros = wanted - count;

    int prefixLength = 0;
    while (form.prefix[prefixLength])
        ++prefixLength;
    int suffixLength = 0;
    while (form.suffix[suffixLength])
        ++suffixLength;
    const int textLength = (negative ? 1 : 0) + prefixLength + zeros + count + suffixLength;
    int blanks = 0;
    if ((flags & IFF_RIGHT_ALIGN) && wanted > textLength)
        blanks = wanted - textLength;

    int n = 0;
    while (blanks-- > 0)
        buffer[n++] = ' ';
    if (negative)
        buffer[n++] = '-';
    for (int i = 0; i < prefixLength; ++i)
        buffer[n++] = form.prefix[i];
    while (zeros-- > 0)
        buffer[n++] = '0';
    while (count > 0)
        buffer[n++] = digits[--count];
    for (int i = 0; i < suffixLength; ++i)
        buffer[n++] = form.suffix[i];
    buffer[n] = 0;
    return n;
}

} // namespace

int FormatInteger(int value, char* buffer, unsigned flags)
{
    // Signed decimal needs the sign of the 32-bit value; every other form its 32 bits.
    const u64 bits = FormFor(flags).isSigned
        ? static_cast<u64>(static_cast<long long>(value))
        : static_cast<u64>(static_cast<unsigned>(value));
    return FormatBits(bits, value < 0, buffer, flags);
}

int FormatInteger64(unsigned low, unsigned high, char* buffer, unsigned flags)
{
    const u64 bits = (static_cast<u64>(high) << 32) | low;
    return FormatBits(bits, (high & 0x80000000u) != 0, buffer, flags);
}
