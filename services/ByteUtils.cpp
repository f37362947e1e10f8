#include "services/ByteUtils.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// The byte-at-a-time table of the reflected CRC-32, built by the compiler.
struct Crc32Table
{
    uint32_t entry[256];

    constexpr Crc32Table() : entry()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t crc = i;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
            entry[i] = crc;
        }
    }
};

constexpr Crc32Table kCrc32Table;

inline bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

inline int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

inline const char* SkipBlanks(const char* p)
{
    while (IsBlank(*p))
        ++p;
    return p;
}

bool IsAllowedSeparator(char ch, uint32_t mode)
{
    switch (ch) {
    case ',': return (mode & HEXPARSE_ALLOW_COMMA) != 0;
    case '.': return (mode & HEXPARSE_ALLOW_PERIOD) != 0;
    case '-': return (mode & HEXPARSE_ALLOW_MINUS) != 0;
    case ':': return (mode & HEXPARSE_ALLOW_COLON) != 0;
    default: return false;
    }
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* bytes, int count)
{
    if (!bytes)
        return crc;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    for (int i = 0; i < count; ++i)
        crc = kCrc32Table.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

int BytesToHexText(const void* bytes, char* text, int count, uint32_t flags)
{
    if (!text)
        return 0;
    if (!bytes || count < 0)
        count = 0;
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    char separator = static_cast<char>((flags & HEXTEXT_SEPARATOR_MASK) >> 8);
    int group = separator ? 1 << ((flags & HEXTEXT_GROUP_MASK) >> 25) : 1;
    int interval = static_cast<int>(flags & HEXTEXT_INTERVAL_MASK);
    bool reverse = (flags & HEXTEXT_REVERSE) != 0;

    int n = 0;
    if (flags & HEXTEXT_LEADING_COLON)
        text[n++] = ':';
    for (int i = 0; i < count; ++i) {
        int source = i;
        if (reverse) {
            if (group == 1) {
                source = count - 1 - i;
            } else {
                int groupStart = i - i % group;
                int groupLength = count - groupStart < group ? count - groupStart : group;
                source = groupStart + groupLength - 1 - (i - groupStart);
            }
        }
        text[n++] = kHexDigits[data[source] >> 4];
        text[n++] = kHexDigits[data[source] & 15];

        int done = i + 1;
        bool last = done == count;
        if (last && (flags & HEXTEXT_NO_TRAILING))
            break;
        bool groupEnd = last || done % group == 0;
        bool intervalEnd = interval > 0 && done % interval == 0;
        if (groupEnd && separator) {
            if (intervalEnd && (flags & HEXTEXT_BLANK_AT_INTERVAL)) {
                text[n++] = ' ';
                continue;
            }
            text[n++] = separator;
        }
        if (intervalEnd)
            text[n++] = ' ';
    }
    if (flags & HEXTEXT_TERMINATE)
        text[n] = '\0';
    return n;
}

int FormatBytesAsHex(char* text, const void* bytes, int count, uint32_t flags)
{
    return BytesToHexText(bytes, text, count, flags);
}

int HexPairsToBytes(void* bytes, uint32_t capacityAndMode, const char* text, int* consumed)
{
    int capacity = bytes ? static_cast<int>(capacityAndMode & HEXPARSE_CAPACITY_MASK) : 0;
    unsigned char* out = static_cast<unsigned char*>(bytes);
    int n = 0;
    const char* p = text ? text : "";
    p = SkipBlanks(p);
    if (!(capacityAndMode & HEXPARSE_NO_COLON) && *p == ':')
        ++p;
    bool quoted = (capacityAndMode & HEXPARSE_QUOTED) != 0;

    for (;;) {
        p = SkipBlanks(p);
        if (n >= capacity)
            break;
        if (n > 0 && IsAllowedSeparator(*p, capacityAndMode)) {
            // One separator between pairs, taken only when a pair follows it.
            const char* next = SkipBlanks(p + 1);
            if (HexValue(*next) < 0 && !(quoted && *next == '"'))
                break;
            p = next;
        }
        if (HexValue(*p) >= 0) {
            int value = HexValue(*p++);
            if (HexValue(*p) >= 0)
                value = value * 16 + HexValue(*p++);
            out[n++] = static_cast<unsigned char>(value);
        } else if (quoted && *p == '"') {
            ++p;
            while (*p != '\0' && *p != '"' && n < capacity)
                out[n++] = static_cast<unsigned char>(*p++);
            if (*p == '"')
                ++p;
        } else {
            break;
        }
    }

    if (capacityAndMode & HEXPARSE_FILL) {
        unsigned char fill = static_cast<unsigned char>((capacityAndMode & HEXPARSE_FILL_BYTE_MASK) >> 20);
        for (int i = n; i < capacity; ++i)
            out[i] = fill;
    }
    if (consumed)
        *consumed = text ? static_cast<int>(p - text) : 0;
    return n;
}

int HexTextToBytes(void* values, void* masks, uint32_t capacityAndMode, const char* text,
                   int* consumed)
{
    int capacity = values && masks ? static_cast<int>(capacityAndMode & HEXPARSE_CAPACITY_MASK) : 0;
    unsigned char* valueOut = static_cast<unsigned char*>(values);
    unsigned char* maskOut = static_cast<unsigned char*>(masks);
    bool quoted = (capacityAndMode & HEXPARSE_QUOTED) != 0;
    int n = 0;
    const char* p = text ? text : "";
    p = SkipBlanks(p);
    if (*p == ':')
        ++p;

    for (;;) {
        p = SkipBlanks(p);
        if (n >= capacity)
            break;
        unsigned value = 0;
        unsigned mask = 0;
        if (*p == '#' || *p == ':') {
            const char* q = p + 1;
            int bits = 0;
            while (bits < 8 && (*q == '0' || *q == '1' || *q == '?')) {
                value = (value << 1) | (*q == '1' ? 1u : 0u);
                mask = (mask << 1) | (*q == '?' ? 0u : 1u);
                ++bits;
                ++q;
            }
            if (bits == 0)
                break;
            mask |= (0xFFu << bits) & 0xFFu;   // bits left out at the top are known zeros
            p = q;
        } else if (HexValue(*p) >= 0 || *p == '?') {
            int digits = 0;
            while (digits < 2 && (HexValue(*p) >= 0 || *p == '?')) {
                int digit = HexValue(*p);
                value = (value << 4) | (digit >= 0 ? static_cast<unsigned>(digit) : 0u);
                mask = (mask << 4) | (digit >= 0 ? 0xFu : 0u);
                ++digits;
                ++p;
            }
            if (digits == 1)
                mask |= 0xF0u;
        } else if (quoted && *p == '"') {
            ++p;
            while (*p != '\0' && *p != '"' && n < capacity) {
                bool any = *p == '?';
                valueOut[n] = any ? 0 : static_cast<unsigned char>(*p);
                maskOut[n] = any ? 0 : 0xFF;
                ++n;
                ++p;
            }
            if (*p == '"')
                ++p;
            continue;
        } else {
            break;
        }
        valueOut[n] = static_cast<unsigned char>(value);
        maskOut[n] = static_cast<unsigned char>(mask);
        ++n;
    }
    if (consumed)
        *consumed = text ? static_cast<int>(p - text) : 0;
    return n;
}

int MaskedBytesToHexText(char* text, int capacity, const void* values, const void* masks,
                         int count, uint32_t flags)
{
    if (!text || capacity < 1)
        return 0;
    if (!values || count < 0)
        count = 0;
    const unsigned char* valueIn = static_cast<const unsigned char*>(values);
    const unsigned char* maskIn = static_cast<const unsigned char*>(masks);
    char separator = static_cast<char>((flags & HEXTEXT_SEPARATOR_MASK) >> 8);
    int interval = static_cast<int>(flags & HEXTEXT_INTERVAL_MASK);
    int limit = (flags & HEXTEXT_TERMINATE) ? capacity - 1 : capacity;

    int n = 0;
    if ((flags & HEXTEXT_LEADING_COLON) && n < limit)
        text[n++] = ':';
    int afterLastByte = n;
    for (int i = 0; i < count; ++i) {
        int source = (flags & HEXTEXT_REVERSE) ? count - 1 - i : i;
        unsigned value = valueIn[source];
        unsigned mask = maskIn ? maskIn[source] : 0xFFu;
        if (mask == 0xFF || mask == 0xF0 || mask == 0x0F || mask == 0) {
            if (n + 2 > limit)
                break;
            text[n++] = (mask & 0xF0) ? kHexDigits[value >> 4] : '?';
            text[n++] = (mask & 0x0F) ? kHexDigits[value & 15] : '?';
        } else {
            if (n + 9 > limit)
                break;
            text[n++] = (flags & HEXTEXT_MASKED_COLON) ? ':' : '#';
            for (int bit = 7; bit >= 0; --bit) {
                if (!(mask & (1u << bit)))
                    text[n++] = '?';
                else
                    text[n++] = (value & (1u << bit)) ? '1' : '0';
            }
        }
        afterLastByte = n;
        if (separator && n < limit)
            text[n++] = separator;
        if (interval > 0 && (i + 1) % interval == 0 && n < limit)
            text[n++] = ' ';
    }
    if (flags & HEXTEXT_NO_TRAILING)
        n = afterLastByte;
    if (flags & HEXTEXT_TERMINATE)
        text[n] = '\0';
    return n;
}

int Base64Encode(const void* bytes, int count, char* text, int lineLength)
{
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (!text)
        return 0;
    if (!bytes || count < 0)
        count = 0;
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    int n = 0;
    int column = 0;
    auto put = [&](char ch) {
        text[n++] = ch;
        if (lineLength > 0 && ++column == lineLength) {
            text[n++] = '\n';
            column = 0;
        }
    };
    for (int i = 0; i < count; i += 3) {
        int left = count - i;
        uint32_t block = static_cast<uint32_t>(data[i]) << 16;
        if (left > 1)
            block |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (left > 2)
            block |= data[i + 2];
        put(kAlphabet[(block >> 18) & 63]);
        put(kAlphabet[(block >> 12) & 63]);
        put(left > 1 ? kAlphabet[(block >> 6) & 63] : '=');
        put(left > 2 ? kAlphabet[block & 63] : '=');
    }
    text[n] = '\0';
    return n;
}

int MaskedCompare(const void* data, const void* value, const void* mask, int count)
{
    if (!data || !value)
        return 0;
    const unsigned char* a = static_cast<const unsigned char*>(data);
    const unsigned char* b = static_cast<const unsigned char*>(value);
    const unsigned char* m = static_cast<const unsigned char*>(mask);
    for (int i = 0; i < count; ++i) {
        int bits = m ? m[i] : 0xFF;
        int x = a[i] & bits;
        int y = b[i] & bits;
        if (x != y)
            return x - y;
    }
    return 0;
}

void SwapMemory(void* a, void* b, int count)
{
    if (!a || !b || a == b)
        return;
    unsigned char* x = static_cast<unsigned char*>(a);
    unsigned char* y = static_cast<unsigned char*>(b);
    for (int i = 0; i < count; ++i) {
        unsigned char t = x[i];
        x[i] = y[i];
        y[i] = t;
    }
}

uint64_t ReverseBits(uint64_t value, int n)
{
    if (n < 1 || n > 64)
        return 0;
    uint64_t result = 0;
    for (int i = 0; i < n; ++i) {
        result = (result << 1) | (value & 1);
        value >>= 1;
    }
    return result;
}
