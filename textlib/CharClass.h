// Character classes of 8-bit text (code page 1252) and the scanners built on them.
//
// `CharClassTable` holds one 32-bit flag word per byte value; each bit is one class, and a
// scanner takes a mask of classes. Every byte belongs to at least one class:
//   bit  0 CC_DIGIT       0-9              bit 16 CC_BINDIGIT    0-1
//   bit  1 CC_UPPER       A-Z              bit 17 CC_OCTDIGIT    0-7
//   bit  2 CC_LOWER       a-z              bit 18 CC_HEXLETTER   A-F and a-f
//   bit  3 CC_UNDERSCORE  _                bit 19 CC_HASH        #
//   bit  4 CC_HIGHOTHER   0x80-0xBF, 0xDE, 0xFE, 0xFF
//   bit  5 CC_TAB         TAB              bit 20 CC_BACKSLASH   backslash
//   bit  6 CC_LINEEND     CR and LF        bit 21 CC_SLASH       /
//   bit  7 CC_SPACE       blank            bit 22 CC_COLON       :
//   bit  8 CC_DQUOTE      "                bit 23 CC_ASTERISK    *
//   bit  9 CC_PERIOD      .                bit 24 CC_QUESTION    ?
//   bit 10 CC_APOSTROPHE  '                bit 25 CC_MINUS       -
//   bit 11 CC_DOLLAR      $                bit 26 CC_PLUS        +
//   bit 12 CC_COMMA       ,                bit 27 CC_PERCENT     %
//   bit 13 CC_SEMICOLON   ;                bit 28 CC_ACCENT1     0xC0-0xDD (accented capitals)
//   bit 14 CC_AT          @                bit 29 CC_ACCENT2     0xDF-0xFD (accented small letters)
//   bit 15 CC_AMPERSAND   &                bit 30 CC_OTHER       the other control bytes, DEL and
//                                                                the other punctuation ! ( ) < = > [ ] ^ ` { | } ~
//   bit 31 CC_NUL         the NUL byte alone
// The digits carry bit 0 and, where they fit, bits 16 and 17; hexadecimal letters carry bit 18
// besides their letter bit, so the hexadecimal digits are CCM_HEXDIGITS = 0x70001.
//
// Word characters depend on the reader: the editor and the dialogs use CCM_WORD (0x3000000F:
// digits, letters, "_" and the accented letters of bits 28 and 29), while the module compiler
// treats every byte from 0x80 up as part of a word and uses CCM_MODULEWORD (0x3000001F, which
// adds bit 4 and so 0x80-0xBF, 0xDE, 0xFE and 0xFF).
//
// NUL handling: a scanner that runs "up to" a class tests the bytes with bit 31 of the mask
// inverted, so the terminating NUL ends the scan unless the caller's mask names bit 31; the
// bounded forms can thus step over NUL bytes inside binary data. The unbounded forms never
// run past a NUL, whatever the mask: they have no other end. A NULL text is an empty text.
#pragma once

enum CharClassBits : unsigned
{
    CC_DIGIT = 0x00000001u,
    CC_UPPER = 0x00000002u,
    CC_LOWER = 0x00000004u,
    CC_UNDERSCORE = 0x00000008u,
    CC_HIGHOTHER = 0x00000010u,
    CC_TAB = 0x00000020u,
    CC_LINEEND = 0x00000040u,
    CC_SPACE = 0x00000080u,
    CC_DQUOTE = 0x00000100u,
    CC_PERIOD = 0x00000200u,
    CC_APOSTROPHE = 0x00000400u,
    CC_DOLLAR = 0x00000800u,
    CC_COMMA = 0x00001000u,
    CC_SEMICOLON = 0x00002000u,
    CC_AT = 0x00004000u,
    CC_AMPERSAND = 0x00008000u,
    CC_BINDIGIT = 0x00010000u,
    CC_OCTDIGIT = 0x00020000u,
    CC_HEXLETTER = 0x00040000u,
    CC_HASH = 0x00080000u,
    CC_BACKSLASH = 0x00100000u,
    CC_SLASH = 0x00200000u,
    CC_COLON = 0x00400000u,
    CC_ASTERISK = 0x00800000u,
    CC_QUESTION = 0x01000000u,
    CC_MINUS = 0x02000000u,
    CC_PLUS = 0x04000000u,
    CC_PERCENT = 0x08000000u,
    CC_ACCENT1 = 0x10000000u,
    CC_ACCENT2 = 0x20000000u,
    CC_OTHER = 0x40000000u,
    CC_NUL = 0x80000000u,
};

// Masks the callers pass.
enum CharClassMasks : unsigned
{
    CCM_BLANKS = 0xA0u,             // blank and TAB
    CCM_WHITESPACE = 0xE0u,         // blank, TAB, CR and LF
    CCM_LINEEND = 0x40u,            // CR and LF
    CCM_DIGITS = 0x1u,              // 0-9
    CCM_HEXDIGITS = 0x70001u,       // 0-9, A-F, a-f
    CCM_ALNUM = 0x40007u,           // letters and digits
    CCM_WORD = 0x3000000Fu,         // digits, letters, "_", accented letters
    CCM_MODULEWORD = 0x3000001Fu,   // digits, letters, "_", every byte from 0x80 up
    CCM_WIDE = 0x40000000u,         // UTF-16 forms: a unit above 255 belongs to the mask
};

extern const unsigned CharClassTable[256];

// The byte's flag word AND the mask: nonzero when the byte is in one of the classes.
inline unsigned IsCharClass(unsigned char ch, unsigned mask)
{
    return CharClassTable[ch] & mask;
}

// Length of the leading run of bytes in the classes of the mask. Ends at the first byte
// outside them, and always at the NUL (even when the mask has bit 31).
int SkipCharClass(const char* text, unsigned mask);

// The same over at most `length` bytes (length below 1: 0). With bit 31 in the mask NUL
// bytes are part of the run.
int SkipCharClassN(const char* text, unsigned mask, int length);

// Length of the leading run of bytes NOT in the classes of the mask; the NUL ends the run.
// With mask CCM_LINEEND it is the length of the first line of a text.
int SkipToCharClass(const char* text, unsigned mask);

// The same over at most `length` bytes; the NUL ends the run unless the mask has bit 31.
int SkipToCharClassN(const char* text, unsigned mask, int length);

// UTF-16 twin of SkipToCharClassN (length in units): a unit up to 255 is tested by the
// table, a unit above 255 counts as a member only when the mask has bit 30 (CCM_WIDE).
int SkipToCharClassNW(const wchar_t* text, unsigned mask, int length);

// Length of a token of at most `length` bytes. When the top byte of `modeAndStop` is 0x57
// ('W') the token runs while the bytes are in the mask (the NUL ends it unless the mask has
// bit 31); otherwise it runs up to a byte of the mask or the NUL. A byte equal to the low
// byte of `modeAndStop` ends the token and is counted; a low byte of 0 means no stop byte.
int ScanTokenN(unsigned mask, const char* text, unsigned modeAndStop, int length);

// Value of a hexadecimal digit (0-9, A-F, a-f), -1 for any other byte.
inline int HexDigitValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
