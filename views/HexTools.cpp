#include "views/HexTools.h"

#include "services/ByteUtils.h"
#include "services/Eval.h"
#include "textlib/CQuote.h"
#include "textlib/IntFormat.h"
#include "textlib/IntParse.h"
#include "views/ValueSearchLists.h"

#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

uint32_t Swap16(uint32_t v)
{
    return ((v & 0xFF) << 8) | ((v >> 8) & 0xFF);
}

uint32_t Swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}

uint64_t ReverseBytes(uint64_t v, int bytes)
{
    uint64_t r = 0;
    for (int i = 0; i < bytes; ++i)
    {
        r = (r << 8) | (v & 0xFF);
        v >>= 8;
    }
    return r;
}

int CopyText(char* text, int size, const char* source)
{
    if (!text || size < 1)
        return 0;
    int n = 0;
    while (source[n] && n < size - 1)
    {
        text[n] = source[n];
        ++n;
    }
    text[n] = 0;
    return n;
}

bool SameNameNoCase(const char* text, const char* name, int length)
{
    for (int i = 0; i < length; ++i)
    {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != name[i])
            return false;
    }
    return true;
}

const char* SkipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// The calculator's functions, offered to the evaluator at every operand.
struct CalcContext
{
    bool is64;
};

const int kMaxArgument = 255;

int CalcSymbols(void* context, const char* text, long long* value);

// "(a,b,c)" of RGB and BGR: three plain integers, a minus sign right before the digits;
// anything else there makes the name unknown.
int ReadThreeNumbers(const char* open, long long numbers[3])
{
    const char* p = open + 1;
    for (int i = 0; i < 3; ++i)
    {
        int used = 0;
        numbers[i] = ParseInteger64(p, IPF_RADIX_AUTO | IPF_EAT_TRAILING | IPF_SIGN_ADJACENT, &used);
        if (used <= 0)
            return 0;
        p += used;
        char expected = i < 2 ? ',' : ')';
        if (*p != expected)
            return 0;
        ++p;
    }
    return static_cast<int>(p - open);
}

// "(expression)": the argument up to its matching parenthesis, at most 255 characters.
int ReadArgument(const char* open, const CalcContext& context, long long* value)
{
    int depth = 0;
    int length = -1;
    for (int i = 1; open[i] && i <= kMaxArgument + 1; ++i)
    {
        if (open[i] == '(')
            ++depth;
        else if (open[i] == ')')
        {
            if (depth == 0)
            {
                length = i - 1;
                break;
            }
            --depth;
        }
    }
    if (length < 0 || length > kMaxArgument)
        return 0;
    char argument[kMaxArgument + 1];
    memcpy(argument, open + 1, static_cast<size_t>(length));
    argument[length] = 0;
    CalcContext inner = context;
    ExprStatus status = 0;
    if (context.is64)
    {
        EvalInt64(argument, value, &status, CalcSymbols, &inner);
    }
    else
    {
        int v = 0;
        EvalInt(argument, &v, &status, CalcSymbols, &inner);
        *value = v;
    }
    return status ? length + 2 : 0;
}

int CalcSymbols(void* context, const char* text, long long* value)
{
    const CalcContext& c = *static_cast<const CalcContext*>(context);
    static const char* const kNames[] = { "RGB", "BGR", "BTOL", "ABS" };
    for (int f = 0; f < 4; ++f)
    {
        int length = static_cast<int>(strlen(kNames[f]));
        if (!SameNameNoCase(text, kNames[f], length))
            continue;
        const char* open = SkipBlanks(text + length);
        if (*open != '(')
            return 0;
        int used = 0;
        long long result = 0;
        if (f < 2)
        {
            long long n[3];
            used = ReadThreeNumbers(open, n);
            if (used <= 0)
                return 0;
            result = f == 0 ? n[2] + 256 * n[1] + 65536 * n[0] : n[0] + 256 * n[1] + 65536 * n[2];
        }
        else
        {
            long long x = 0;
            used = ReadArgument(open, c, &x);
            if (used <= 0)
                return 0;
            if (f == 2)
                result = static_cast<long long>(ReverseBytes(static_cast<uint64_t>(x), c.is64 ? 8 : 4));
            else if (x == (c.is64 ? LLONG_MIN : static_cast<long long>(INT32_MIN)))
                return 0;   // its magnitude does not fit: an overflow, not the number itself
            else
                result = x < 0 ? -x : x;
        }
        if (!c.is64)
            result = static_cast<int32_t>(static_cast<uint32_t>(result));
        if (value)
            *value = result;
        return static_cast<int>(open - text) + used;
    }
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Checksums

ChecksumSums ComputeChecksums(const uint8_t* bytes, int count)
{
    ChecksumSums s;
    memset(&s, 0, sizeof(s));
    if (!bytes || count < 0)
        count = 0;
    for (int i = 0; i < count; ++i)
    {
        s.byteSum += bytes[i];
        s.byteXor ^= bytes[i];
    }
    for (int i = 0; i < count; i += 2)
    {
        uint32_t w = bytes[i];
        if (i + 1 < count)
            w |= static_cast<uint32_t>(bytes[i + 1]) << 8;
        uint32_t words[2] = { w, Swap16(w) };
        for (int k = 0; k < 2; ++k)
        {
            s.wordSum[k] += words[k];
            s.wordXor[k] ^= words[k];
        }
    }
    for (int i = 0; i < count; i += 4)
    {
        uint32_t d = 0;
        for (int j = 0; j < 4 && i + j < count; ++j)
            d |= static_cast<uint32_t>(bytes[i + j]) << (8 * j);
        uint32_t dwords[2] = { d, Swap32(d) };
        for (int k = 0; k < 2; ++k)
        {
            s.dwordSum[k] += dwords[k];
            s.dwordXor[k] ^= dwords[k];
        }
    }
    s.byteNegated = 0u - s.byteSum;
    for (int k = 0; k < 2; ++k)
    {
        s.wordNegated[k] = 0u - s.wordSum[k];
        s.dwordNegated[k] = 0u - s.dwordSum[k];
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// Number calculator

int EvalCalculatorText(const char* text, bool is64, long long* value)
{
    CalcContext context = { is64 };
    ExprStatus status = 0;
    long long v = 0;
    if (is64)
    {
        EvalInt64(text, &v, &status, CalcSymbols, &context);
    }
    else
    {
        int v32 = 0;
        EvalInt(text, &v32, &status, CalcSymbols, &context);
        v = v32;
    }
    if (value)
        *value = v;
    return status ? 1 : 0;
}

void FormatCalculatorResults(long long value, bool is64, CalcResultTexts* texts)
{
    if (!texts)
        return;
    const uint64_t bits = static_cast<uint64_t>(value);
    const unsigned low = static_cast<unsigned>(bits);
    const unsigned high = static_cast<unsigned>(bits >> 32);
    if (is64)
    {
        FormatInteger64(low, high, texts->decimal, IFF_SIGNED);
        FormatInteger64(low, high, texts->hex, IFF_HEX);
        FormatInteger64(low, high, texts->octal, IFF_OCT);
    }
    else
    {
        FormatInteger(static_cast<int>(low), texts->decimal, IFF_SIGNED);
        FormatInteger(static_cast<int>(low), texts->hex, IFF_HEX);
        FormatInteger(static_cast<int>(low), texts->octal, IFF_OCT);
    }
    FormatInteger(static_cast<int>(low & 0xFFFF), texts->binary, IFF_BIN);
    QuoteCChar(static_cast<int>(low & 0xFF), texts->ansi, 1);
}

int FormatCalculatorStart(const uint8_t* bytes, int count, char* text, int size)
{
    uint32_t value = 0;
    for (int i = 0; bytes && i < count && i < 4; ++i)
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    char number[INT_FORMAT_MAX_TEXT];
    FormatInteger(static_cast<int>(value), number, IFF_HEX);
    return CopyText(text, size, number);
}

// ---------------------------------------------------------------------------------------------
// Value input

int ValueSizeChoiceOfCount(int count)
{
    switch (count)
    {
    case 8: return 3;
    case 2: return 1;
    case 1: return 0;
    default: return 2;
    }
}

int ByteCountOfValueSizeChoice(int choice)
{
    switch (choice)
    {
    case 0: return 1;
    case 1: return 2;
    case 3: return 8;
    default: return 4;
    }
}

int SignExtendValueBytes(uint8_t value[8], int count)
{
    if (count < 0)
        count = 0;
    if (count > 8)
        count = 8;
    // The bytes are little-endian: the sign is the top bit of the highest byte given. The
    // top bit of the first byte would show the word 0x0080 as 0xFFFF0080, a number the bytes
    // do not hold, whose FF bytes a larger size chosen on OK would write into the data.
    uint8_t fill = count > 0 && (value[count - 1] & 0x80) ? 0xFF : 0;
    for (int i = count; i < 8; ++i)
        value[i] = fill;
    return count;
}

int FormatValueInputText(const uint8_t value[8], int count, unsigned form, char* text, int size)
{
    char number[INT_FORMAT_MAX_TEXT];
    unsigned low = 0;
    unsigned high = 0;
    for (int i = 0; i < 4; ++i)
    {
        low |= static_cast<unsigned>(value[i]) << (8 * i);
        high |= static_cast<unsigned>(value[i + 4]) << (8 * i);
    }
    if (count > 4)
        FormatInteger64(low, high, number, form);
    else
        FormatInteger(static_cast<int>(low), number, form);
    return CopyText(text, size, number);
}

void ParseValueInputText(const char* text, uint8_t value[8])
{
    memset(value, 0, 8);
    if (!text)
        return;
    const char* p = SkipBlanks(text);
    if (*p == ':')
    {
        HexPairsToBytes(value, 8, p, nullptr);
        return;
    }
    ExprStatus status = 0;
    long long evaluated = 0;
    EvalInt64(text, &evaluated, &status);
    const uint64_t v = status ? static_cast<uint64_t>(evaluated) : 0;
    for (int i = 0; i < 8; ++i)
        value[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool ValueInputTextFits(const char* text, int count)
{
    if (!text)
        return true;
    if (count < 1 || count > 8)
        count = 8;
    const char* p = SkipBlanks(text);
    if (*p == ':')
    {
        // A dump is whole pairs, at least one and no more than the value's bytes.
        uint8_t bytes[8];
        int used = 0;
        const int n = HexPairsToBytes(bytes, static_cast<uint32_t>(count), p, &used);
        return n >= 1 && *SkipBlanks(p + used) == 0;
    }
    ExprStatus status = 0;
    long long value = 0;
    EvalInt64(text, &value, &status);
    if (!status)
        return false;
    if (count == 8)
        return true;
    // A byte or a word is shown as a 32-bit number, a negative one sign-extended
    // ("0xFFFFFF80" for 0x80): that text means the 32-bit number, or OK on the dialog's own
    // unchanged proposal would be refused.
    if (count < 4 && (static_cast<unsigned long long>(value) >> 32) == 0)
        value = static_cast<int32_t>(static_cast<uint32_t>(value));
    // The value's bytes must say the same number: a signed one sign-extends from its top bit,
    // an unsigned one has nothing above them.
    const int bits = 8 * count;
    const long long top = value >> (bits - 1);
    return top == 0 || top == -1 || (static_cast<unsigned long long>(value) >> bits) == 0;
}

// ---------------------------------------------------------------------------------------------
// Address input

namespace {

// The address's expression in its width; false when it is no whole expression.
bool EvalAddress(const char* text, bool is64, long long* value)
{
    ExprStatus status = 0;
    *value = 0;
    if (is64)
    {
        EvalInt64(text, value, &status);
    }
    else
    {
        int value32 = 0;
        EvalInt(text, &value32, &status);
        *value = value32;
    }
    // Only one whole expression is an address: "abc", "12 GB" or "(3" is none, and an
    // overflow has cleared the status as well.
    return status != 0;
}

}  // namespace

int64_t EvalAddressText(const char* text, bool is64)
{
    long long value = 0;
    return EvalAddress(text, is64, &value) ? value : 0;
}

bool AddressTextFits(const char* text, bool is64)
{
    long long value = 0;
    return EvalAddress(text, is64, &value);
}

int FormatAddressText(int64_t value, bool hex, bool is64, char* text, int size)
{
    char number[INT_FORMAT_MAX_TEXT];
    const unsigned form = hex ? IFF_HEX : IFF_SIGNED;
    if (is64)
        FormatInteger64(static_cast<unsigned>(value), static_cast<unsigned>(static_cast<uint64_t>(value) >> 32), number,
                        form);
    else
        FormatInteger(static_cast<int>(value), number, form);
    return CopyText(text, size, number);
}

int AddAddressHistory(char** list, const char* text)
{
    const int kMaxTexts = 16;      // the new text and 15 older ones
    const int kMaxCharacters = 2045;
    if (!AddToHistory(list, text, kMaxTexts))
        return 0;
    // Older texts go until the whole list fits.
    while (MultiTextCount(*list) > 1 && MultiTextSize(*list) >= kMaxCharacters)
        MultiTextRemove(*list, MultiTextCount(*list) - 1);
    return 1;
}

int64_t AddressFromSelection(const uint8_t* bytes, int count, uint32_t base)
{
    uint64_t v = 0;
    for (int i = 0; bytes && i < count && i < 8; ++i)
        v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    int64_t address = static_cast<int64_t>(v);
    if (v < base)
        address += base;
    return address;
}
