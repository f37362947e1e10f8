#include "textlib/CharClass.h"

namespace {

struct ClassTableBuilder
{
    unsigned flags[256];

    constexpr ClassTableBuilder() : flags()
    {
        for (unsigned c = 0; c < 256; ++c)
            flags[c] = Classify(c);
    }

    static constexpr unsigned Classify(unsigned c)
    {
        if (c == 0)
            return CC_NUL;
        if (c >= '0' && c <= '9')
            return CC_DIGIT | (c <= '7' ? CC_OCTDIGIT : 0u) | (c <= '1' ? CC_BINDIGIT : 0u);
        if (c >= 'A' && c <= 'Z')
            return CC_UPPER | (c <= 'F' ? CC_HEXLETTER : 0u);
        if (c >= 'a' && c <= 'z')
            return CC_LOWER | (c <= 'f' ? CC_HEXLETTER : 0u);
        if (c >= 0x80)
        {
            // 0xDE (capital thorn), 0xFE and 0xFF fall outside the two accented letter
            // ranges and join the other high bytes.
            if (c >= 0xC0 && c <= 0xDD)
                return CC_ACCENT1;
            if (c >= 0xDF && c <= 0xFD)
                return CC_ACCENT2;
            return CC_HIGHOTHER;
        }
        switch (c)
        {
        case '\t': return CC_TAB;
        case '\r': case '\n': return CC_LINEEND;
        case ' ': return CC_SPACE;
        case '"': return CC_DQUOTE;
        case '.': return CC_PERIOD;
        case '\'': return CC_APOSTROPHE;
        case '$': return CC_DOLLAR;
        case ',': return CC_COMMA;
        case ';': return CC_SEMICOLON;
        case '@': return CC_AT;
        case '&': return CC_AMPERSAND;
        case '_': return CC_UNDERSCORE;
        case '#': return CC_HASH;
        case '\\': return CC_BACKSLASH;
        case '/': return CC_SLASH;
        case ':': return CC_COLON;
        case '*': return CC_ASTERISK;
        case '?': return CC_QUESTION;
        case '-': return CC_MINUS;
        case '+': return CC_PLUS;
        case '%': return CC_PERCENT;
        default: return CC_OTHER;   // control bytes, DEL, ! ( ) < = > [ ] ^ ` { | } ~
        }
    }
};

constexpr ClassTableBuilder kBuiltTable;

} // namespace

// Spelled out element by element from the constexpr builder, so the table is constant data
// in the image and not filled by a start-up constructor that other globals might run after.
#define SL_CC_ROW(n) kBuiltTable.flags[n], kBuiltTable.flags[n + 1], kBuiltTable.flags[n + 2], \
    kBuiltTable.flags[n + 3], kBuiltTable.flags[n + 4], kBuiltTable.flags[n + 5], \
    kBuiltTable.flags[n + 6], kBuiltTable.flags[n + 7]
#define SL_CC_ROWS32(n) SL_CC_ROW(n), SL_CC_ROW(n + 8), SL_CC_ROW(n + 16), SL_CC_ROW(n + 24)

extern const unsigned CharClassTable[256] = {
    SL_CC_ROWS32(0), SL_CC_ROWS32(32), SL_CC_ROWS32(64), SL_CC_ROWS32(96),
    SL_CC_ROWS32(128), SL_CC_ROWS32(160), SL_CC_ROWS32(192), SL_CC_ROWS32(224),
};

#undef SL_CC_ROWS32
#undef SL_CC_ROW

int SkipCharClass(const char* text, unsigned mask)
{
    if (!text)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int n = 0;
    while (p[n] != 0 && (CharClassTable[p[n]] & mask))
        ++n;
    return n;
}

int SkipCharClassN(const char* text, unsigned mask, int length)
{
    if (!text || length < 1)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int n = 0;
    while (n < length && (CharClassTable[p[n]] & mask))
        ++n;
    return n;
}

int SkipToCharClass(const char* text, unsigned mask)
{
    if (!text)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned stop = mask ^ CC_NUL;
    int n = 0;
    while (p[n] != 0 && !(CharClassTable[p[n]] & stop))
        ++n;
    return n;
}

int SkipToCharClassN(const char* text, unsigned mask, int length)
{
    if (!text || length < 1)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned stop = mask ^ CC_NUL;
    int n = 0;
    while (n < length && !(CharClassTable[p[n]] & stop))
        ++n;
    return n;
}

int SkipToCharClassNW(const wchar_t* text, unsigned mask, int length)
{
    if (!text || length < 1)
        return 0;
    const unsigned stop = mask ^ CC_NUL;
    int n = 0;
    while (n < length)
    {
        const unsigned unit = static_cast<unsigned short>(text[n]);
        // Outside the 8-bit range only bit 30 speaks for the unit.
        const unsigned flags = unit > 255 ? CCM_WIDE : CharClassTable[unit];
        if (flags & stop)
            break;
        ++n;
    }
    return n;
}

int ScanTokenN(unsigned mask, const char* text, unsigned modeAndStop, int length)
{
    if (!text || length < 1)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const bool whileInMask = (modeAndStop >> 24) == 0x57;
    // A stop byte of 0 would be the terminator: counting it would lead the caller, who steps
    // on by the token's length, past the end of its text. So 0 names no stop byte.
    const unsigned stopByte = modeAndStop & 0xFF;
    int n = 0;
    while (n < length)
    {
        const unsigned c = p[n];
        if (stopByte != 0 && c == stopByte)
            return n + 1;
        if (whileInMask)
        {
            if (!(CharClassTable[c] & mask))
                break;
        }
        else if (c == 0 || (CharClassTable[c] & mask))
            break;
        ++n;
    }
    return n;
}
