#include "textlib/TextCopy.h"
#include "textlib/CharClass.h"

namespace {

inline unsigned char FoldAsciiUpper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

inline bool IsTrimByte(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

template <bool kFold>
int FindTextOffsetImpl(const char* text, const char* find)
{
    if (!find || !*find)
        return 0;
    if (!text)
        return -1;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* f = reinterpret_cast<const unsigned char*>(find);
    for (int start = 0; t[start] != 0; ++start)
    {
        int i = 0;
        // The comparison stops at the text's NUL because no byte of `find` is 0 there.
        while (f[i] != 0 &&
               (kFold ? FoldAsciiUpper(t[start + i]) == FoldAsciiUpper(f[i])
                      : t[start + i] == f[i]))
            ++i;
        if (f[i] == 0)
            return start;
    }
    return -1;
}

} // namespace

int CopyTextLimited(char* dest, const char* source, int size)
{
    if (!dest || size < 1)
        return 0;
    int n = 0;
    if (source)
        while (n < size - 1 && source[n] != 0)
        {
            dest[n] = source[n];
            ++n;
        }
    dest[n] = 0;
    return n;
}

int CopyTextNLimited(char* dest, const char* source, int size, int count)
{
    if (!dest || size < 1)
        return 0;
    int limit = size - 1;
    if (count < limit)
        limit = count < 0 ? 0 : count;
    int n = 0;
    if (source)
        while (n < limit && source[n] != 0)
        {
            dest[n] = source[n];
            ++n;
        }
    dest[n] = 0;
    return n;
}

int AppendTextLimited(char* buffer, const char* text, int size)
{
    if (!buffer || size < 1)
        return size < 0 ? 0 : size;
    int length = 0;
    while (length < size && buffer[length] != 0)
        ++length;
    if (length == size)
        return size;
    if (text)
        while (length < size - 1 && *text != 0)
            buffer[length++] = *text++;
    buffer[length] = 0;
    return length;
}

int TextLengthLimited(const char* text, int bound)
{
    if (!text || bound < 1)
        return 0;
    int n = 0;
    while (n < bound && text[n] != 0)
        ++n;
    return n;
}

int TextLengthLimitedW(const wchar_t* text, int bound)
{
    if (!text || bound < 1)
        return 0;
    int n = 0;
    while (n < bound && text[n] != 0)
        ++n;
    return n;
}

int FindCharOffset(const char* text, int byte)
{
    if (!text)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char wanted = static_cast<unsigned char>(byte);
    int n = 0;
    while (p[n] != 0 && p[n] != wanted)
        ++n;
    return n;
}

int FindCharOffsetN(const char* text, int byte, int length)
{
    if (!text || length < 1)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char wanted = static_cast<unsigned char>(byte);
    int n = 0;
    while (n < length && p[n] != 0 && p[n] != wanted)
        ++n;
    return n;
}

int FindTextOffset(const char* text, const char* find)
{
    return FindTextOffsetImpl<false>(text, find);
}

int FindTextOffsetNoCase(const char* text, const char* find)
{
    return FindTextOffsetImpl<true>(text, find);
}

int TrimSpacesInPlace(char* text)
{
    if (!text)
        return 0;
    int start = 0;
    while (IsTrimByte(text[start]))
        ++start;
    int end = start;
    while (text[end] != 0)
        ++end;
    while (end > start && IsTrimByte(text[end - 1]))
        --end;
    const int length = end - start;
    for (int i = 0; i < length; ++i)
        text[i] = text[start + i];
    text[length] = 0;
    return length;
}

int FillColumnGap(char* buffer, int from, int to, int tabWidth)
{
    if (!buffer)
        return 0;
    if (from < 0)
        from = 0;
    if (to < 0)
        to = 0;
    int n = 0;
    if (to > from)
    {
        int column = from;
        if (tabWidth >= 1 && from / tabWidth != to / tabWidth)
        {
            // Every TAB lands on the next stop; the last stop not beyond `to` is the last one.
            const int lastStop = to - to % tabWidth;
            while (column < lastStop)
            {
                buffer[n++] = '\t';
                column = (column / tabWidth + 1) * tabWidth;
            }
        }
        while (column < to)
        {
            buffer[n++] = ' ';
            ++column;
        }
    }
    buffer[n] = 0;
    return n;
}

unsigned ParseHexN(const char* text, int count)
{
    if (!text || count < 1)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int i = 0;
    while (i < count && (p[i] == ' ' || p[i] == '\t'))
        ++i;
    unsigned value = 0;
    for (; i < count; ++i)
    {
        const int digit = HexDigitValue(p[i]);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<unsigned>(digit);
    }
    return value;
}
