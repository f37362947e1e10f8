#include "textlib/CQuote.h"
#include "textlib/CharClass.h"
#include "textlib/Utf.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

inline bool IsHexDigitChar(unsigned c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

inline bool IsOctDigitChar(unsigned c)
{
    return c >= '0' && c <= '7';
}

// The letter of a named escape for a control character, 0 when it has none.
char EscapeLetter(unsigned c)
{
    switch (c)
    {
    case '\t': return 't';
    case '\r': return 'r';
    case '\n': return 'n';
    case 7: return 'a';
    case 8: return 'b';
    case 12: return 'f';
    case 11: return 'v';
    default: return 0;
    }
}

// Steps through the characters of the text handed to QuoteCString in its three forms.
class QuoteSource
{
public:
    QuoteSource(const void* text, int length, unsigned flags)
        : bytes_(static_cast<const char*>(text)), wide_(static_cast<const wchar_t*>(text)),
          length_(length), pos_(0), utf16_((flags & CQF_UTF16) != 0),
          utf8_(!utf16_ && (flags & CQF_UTF8) != 0)
    {
        if (!text)
            length_ = 0;
    }

    // The character at the current position and its size; false at the end.
    bool Peek(unsigned* cp, int* size) const
    {
        return PeekAt(pos_, cp, size);
    }

    // Whether the character after the current one (of `size` units) satisfies `test`.
    bool NextIs(int size, bool (*test)(unsigned)) const
    {
        unsigned cp;
        int nextSize;
        return PeekAt(pos_ + size, &cp, &nextSize) && test(cp);
    }

    void Advance(int size)
    {
        pos_ += size;
    }

private:
    bool PeekAt(int pos, unsigned* cp, int* size) const
    {
        if (length_ >= 0 && pos >= length_)
            return false;
        if (utf16_)
        {
            if (length_ < 0 && wide_[pos] == 0)
                return false;
            *size = DecodeUtf16CharBounded(wide_ + pos, length_ < 0 ? 2 : length_ - pos, cp);
            return true;
        }
        if (length_ < 0 && bytes_[pos] == 0)
            return false;
        if (utf8_)
        {
            *size = DecodeUtf8CharBounded(bytes_ + pos, length_ < 0 ? 4 : length_ - pos, cp);
            return true;
        }
        *cp = static_cast<unsigned char>(bytes_[pos]);
        *size = 1;
        return true;
    }

    const char* bytes_;
    const wchar_t* wide_;
    int length_;
    int pos_;
    bool utf16_;
    bool utf8_;
};

bool IsOctDigitCp(unsigned cp) { return IsOctDigitChar(cp); }

// Builds the text of one character of a string literal; returns its length (at most 10).
int QuoteOneChar(unsigned cp, unsigned flags, bool octalDigitFollows, char* out, bool* isHexEscape)
{
    const bool allHex = (flags & CQF_ALL_HEX) != 0;
    const bool hexNumbers = allHex || (flags & CQF_HEX_BYTES) != 0;
    *isHexEscape = false;

    bool numeric = false;
    char letter = 0;
    if (cp == '\\' || cp == '"')
        letter = static_cast<char>(cp);
    else if (cp < 32 || cp == 127)
    {
        letter = EscapeLetter(cp);
        if ((flags & CQF_MINIMAL) && cp != '\r' && cp != '\n')
            letter = 0;
        numeric = letter == 0;
    }
    else if (cp >= 128 && cp <= 255)
        numeric = (flags & CQF_HEX_BYTES) != 0;
    else if (cp > 255)
    {
        const int digits = cp > 0xFFFF ? 8 : 4;
        int n = 0;
        out[n++] = '\\';
        out[n++] = cp > 0xFFFF ? 'U' : 'u';
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            out[n++] = kHexDigits[(cp >> shift) & 15];
        return n;
    }
    if (letter && allHex)
        numeric = true;

    if (!numeric && !letter)
    {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (!numeric)
    {
        out[0] = '\\';
        out[1] = letter;
        return 2;
    }
    if (hexNumbers)
    {
        out[0] = '\\';
        out[1] = 'x';
        out[2] = kHexDigits[(cp >> 4) & 15];
        out[3] = kHexDigits[cp & 15];
        *isHexEscape = true;
        return 4;
    }
    // Octal: a reader takes up to three digits, so a following digit forces all three.
    int n = 0;
    out[n++] = '\\';
    if (octalDigitFollows || cp >= 64)
        out[n++] = static_cast<char>('0' + ((cp >> 6) & 7));
    if (octalDigitFollows || cp >= 8)
        out[n++] = static_cast<char>('0' + ((cp >> 3) & 7));
    out[n++] = static_cast<char>('0' + (cp & 7));
    return n;
}

} // namespace

int QuoteCString(char* buffer, int size, const void* text, int length, unsigned flags)
{
    if (!buffer || size < 1)
        return 0;
    const bool quoted = !(flags & CQF_NO_QUOTES);
    if (quoted && size < 3)
    {
        buffer[0] = 0;
        return 0;
    }
    int n = 0;
    if (quoted)
        buffer[n++] = '"';
    const int reserve = quoted ? 2 : 1;   // closing quote and terminator

    QuoteSource source(text, length, flags);
    bool previousHexEscape = false;
    unsigned cp;
    int charSize;
    while (source.Peek(&cp, &charSize))
    {
        char chunk[16];
        int chunkLength = 0;
        if (previousHexEscape && IsHexDigitChar(cp))
        {
            chunk[chunkLength++] = '"';
            chunk[chunkLength++] = '"';
        }
        bool isHexEscape;
        chunkLength += QuoteOneChar(cp, flags, source.NextIs(charSize, IsOctDigitCp),
                                  chunk + chunkLength, &isHexEscape);
        if (n + chunkLength + reserve > size)
            break;
        for (int i = 0; i < chunkLength; ++i)
            buffer[n++] = chunk[i];
        previousHexEscape = isHexEscape;
        source.Advance(charSize);
    }
    if (quoted)
        buffer[n++] = '"';
    buffer[n] = 0;
    return n;
}

int QuoteCChar(int character, char* buffer, int noQuotes)
{
    if (!buffer)
        return 0;
    const unsigned c = static_cast<unsigned char>(character);
    int n = 0;
    if (!noQuotes)
        buffer[n++] = '\'';
    const char letter = EscapeLetter(c);
    if (letter)
    {
        buffer[n++] = '\\';
        buffer[n++] = letter;
    }
    else if (c == '\\' || c == '\'' || c == '"')
    {
        buffer[n++] = '\\';
        buffer[n++] = static_cast<char>(c);
    }
    else if (c < 32)
    {
        buffer[n++] = '\\';
        buffer[n++] = 'x';
        // Without quotes the escape may be followed by anything: the leading 0 keeps the
        // form recognisable, three digits in all.
        if (noQuotes)
            buffer[n++] = '0';
        buffer[n++] = kHexDigits[c >> 4];
        buffer[n++] = kHexDigits[c & 15];
    }
    else
        buffer[n++] = static_cast<char>(c);
    if (!noQuotes)
        buffer[n++] = '\'';
    buffer[n] = 0;
    return n;
}

int DecodeCEscape(const char* text, int* consumed)
{
    int used = 0;
    int value = 0;
    if (text)
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
        if (p[0] == 0)
        {
            used = 0;
            value = 0;
        }
        else if (p[0] != '\\')
        {
            used = 1;
            value = p[0];
        }
        else
        {
            const unsigned char c = p[1];
            used = 2;
            switch (c)
            {
            case 'a': value = 7; break;
            case 'b': value = 8; break;
            case 'f': value = 12; break;
            case 'n': value = 10; break;
            case 'r': value = 13; break;
            case 't': value = 9; break;
            case 'v': value = 11; break;
            case '\\': case '\'': case '"': case '?': value = c; break;
            case 'x': case 'X':
                // Each digit is tested before the next is read; a NUL is no digit.
                while (used < 5 && HexDigitValue(p[used]) >= 0)
                    value = value * 16 + HexDigitValue(p[used++]);
                break;
            default:
                if (IsOctDigitChar(c))
                {
                    used = 1;
                    while (used < 4 && IsOctDigitChar(p[used]))
                        value = value * 8 + (p[used++] - '0');
                }
                else
                {
                    used = 1;
                    value = '\\';
                }
                break;
            }
        }
    }
    if (consumed)
        *consumed = used;
    return value;
}

int ParseCStringLiteral(void* buffer, unsigned sizeAndMode, const char* text, int* consumed)
{
    if (consumed)
        *consumed = 0;
    const unsigned mode = sizeAndMode & CLM_MODE_MASK;
    int size = static_cast<int>(sizeAndMode & ~CLM_MODE_MASK);
    if (!buffer || size < 0)
        size = 0;
    const bool wide = (mode & CLM_UTF16) != 0;
    const bool utf8 = !wide && (mode & CLM_UTF8) != 0;
    unsigned char* out = static_cast<unsigned char*>(buffer);
    // Room for characters once the terminator is set aside.
    const int terminatorSize = wide ? 2 : 1;
    const int room = size >= terminatorSize ? size - terminatorSize : -1;

    int written = 0;
    int pos = 0;
    if (text && ((mode & CLM_NO_OPENING_QUOTE) || text[0] == '"'))
    {
        if (!(mode & CLM_NO_OPENING_QUOTE))
            pos = 1;
        for (;;)
        {
            const unsigned char c = static_cast<unsigned char>(text[pos]);
            if (c == 0)
                break;
            if (c == '"')
            {
                // QuoteCString closes and reopens the literal after a \x escape that a hex
                // digit follows; ending at that quote would cut such a text short and drop
                // the rest of its bytes.
                if (text[pos + 1] == '"')
                {
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            int used = 1;
            const unsigned ch = c == '\\' ? static_cast<unsigned>(DecodeCEscape(text + pos, &used)) : c;
            char encoded[4];
            int need;
            if (wide)
                need = 2;
            else if (utf8)
                need = EncodeUtf8Char(encoded, ch);
            else
                need = 1;
            if (written + need > room)
                break;
            if (wide)
            {
                out[written] = static_cast<unsigned char>(ch & 0xFF);
                out[written + 1] = static_cast<unsigned char>((ch >> 8) & 0xFF);
            }
            else if (utf8)
                for (int i = 0; i < need; ++i)
                    out[written + i] = static_cast<unsigned char>(encoded[i]);
            else
                out[written] = static_cast<unsigned char>(ch);
            written += need;
            pos += used;
        }
    }
    if (room >= 0)
    {
        out[written] = 0;
        if (wide)
            out[written + 1] = 0;
    }
    if (consumed)
        *consumed = pos;
    return written;
}
