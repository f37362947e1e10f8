#include "textlib/Utf.h"

namespace {

const unsigned kReplacement = 0xFFFD;

inline bool IsSurrogate(unsigned cp)
{
    return cp >= 0xD800 && cp <= 0xDFFF;
}

inline bool IsScalar(unsigned cp)
{
    return cp <= 0x10FFFF && !IsSurrogate(cp);
}

inline void Store(unsigned* out, unsigned value)
{
    if (out)
        *out = value;
}

} // namespace

int DecodeUtf8CharBounded(const char* text, int available, unsigned* codePoint)
{
    Store(codePoint, 0);
    if (!text || available < 1)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned lead = p[0];
    Store(codePoint, lead);
    if (lead < 0x80)
        return 1;

    int length;
    unsigned cp;
    unsigned minimum;
    if (lead >= 0xC2 && lead <= 0xDF)
    {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    }
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    }
    else
        return 1;   // continuation byte, C0/C1 (always overlong) or F5..FF

    if (length > available)
        return 1;
    // Each continuation byte is checked before the next is read: a NUL is no continuation
    // byte, so the scan stops at it.
    for (int i = 1; i < length; ++i)
    {
        const unsigned c = p[i];
        if ((c & 0xC0) != 0x80)
            return 1;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || !IsScalar(cp))
        return 1;
    Store(codePoint, cp);
    return length;
}

int DecodeUtf8Char(const char* text, unsigned* codePoint)
{
    // Four bytes at most are looked at, and the continuation check stops at a NUL.
    return DecodeUtf8CharBounded(text, 4, codePoint);
}

int EncodeUtf8Char(char* buffer, unsigned codePoint)
{
    if (!buffer)
        return 0;
    // A value above 0x10FFFF would need a lead byte of 0xF5 or more, and a surrogate gives a
    // sequence every decoder refuses: both would put bytes into the text that no reader
    // turns back into a character, so U+FFFD stands in for them.
    unsigned cp = IsScalar(codePoint) ? codePoint : kReplacement;
    unsigned char* out = reinterpret_cast<unsigned char*>(buffer);
    if (cp < 0x80)
    {
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800)
    {
        out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000)
    {
        out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 4;
}

int Utf8CharLength(unsigned codePoint)
{
    if (!IsScalar(codePoint))
        return 3;   // U+FFFD
    if (codePoint < 0x80)
        return 1;
    if (codePoint < 0x800)
        return 2;
    return codePoint < 0x10000 ? 3 : 4;
}

int DecodeUtf16CharBounded(const wchar_t* text, int available, unsigned* codePoint)
{
    Store(codePoint, 0);
    if (!text || available < 1)
        return 0;
    const unsigned first = static_cast<unsigned short>(text[0]);
    Store(codePoint, first);
    if (first >= 0xD800 && first <= 0xDBFF && available >= 2)
    {
        const unsigned second = static_cast<unsigned short>(text[1]);
        if (second >= 0xDC00 && second <= 0xDFFF)
        {
            Store(codePoint, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
            return 2;
        }
    }
    return 1;
}

int DecodeUtf16Char(const wchar_t* text, unsigned* codePoint)
{
    // The second unit is only read after a high surrogate, which is not 0.
    return DecodeUtf16CharBounded(text, 2, codePoint);
}

int EncodeUtf16Char(wchar_t* buffer, unsigned codePoint)
{
    if (!buffer)
        return 0;
    const unsigned cp = codePoint > 0x10FFFF ? kReplacement : codePoint;
    if (cp < 0x10000)
    {
        buffer[0] = static_cast<wchar_t>(cp);
        return 1;
    }
    buffer[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
    buffer[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    return 2;
}

int Utf8ToWideN(wchar_t* buffer, const char* text, int size, int length)
{
    if (!buffer || size < 1)
        return 0;
    int written = 0;
    if (text)
    {
        int pos = 0;
        while ((length < 0 || pos < length) && text[pos] != 0)
        {
            unsigned cp;
            const int available = length < 0 ? 4 : length - pos;
            const int read = DecodeUtf8CharBounded(text + pos, available, &cp);
            wchar_t units[2];
            const int count = EncodeUtf16Char(units, cp);
            if (written + count > size - 1)
                break;
            for (int i = 0; i < count; ++i)
                buffer[written++] = units[i];
            pos += read;
        }
    }
    buffer[written] = 0;
    return written;
}

int WideToLatin1N(char* buffer, const wchar_t* text, int size, int length)
{
    if (!buffer || size < 1)
        return 0;
    int written = 0;
    if (text)
        while (written < size - 1 && (length < 0 || written < length) && text[written] != 0)
        {
            const unsigned unit = static_cast<unsigned short>(text[written]);
            buffer[written] = static_cast<char>(unit > 255 ? 0xFF : unit);
            ++written;
        }
    buffer[written] = 0;
    return written;
}

int Utf8ToLatin1(char* buffer, const char* text, int size)
{
    if (!buffer || size < 1)
        return 0;
    int written = 0;
    if (text)
    {
        int pos = 0;
        while (written < size - 1 && text[pos] != 0)
        {
            unsigned cp;
            pos += DecodeUtf8Char(text + pos, &cp);
            buffer[written++] = static_cast<char>(cp > 255 ? 0xFF : cp);
        }
    }
    buffer[written] = 0;
    return written;
}
