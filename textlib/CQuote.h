// C string and character literals: writing bytes as literals with escapes, and reading them
// back.
#pragma once

enum CQuoteFlags : unsigned
{
    CQF_MINIMAL = 0x80000000u,      // name only backslash, double quote, CR and LF
    CQF_ALL_HEX = 0x40000000u,      // every escape as \x and two hexadecimal digits
    CQF_NO_QUOTES = 0x20000000u,    // no surrounding quotes (the caller writes its own)
    CQF_UTF16 = 0x10000000u,        // the text is UTF-16 (const wchar_t*, length in units)
    CQF_UTF8 = 0x08000000u,         // the text is UTF-8
    CQF_HEX_BYTES = 0x04000000u,    // unnamed bytes as \xHH, bytes from 0x80 up included
};

// Writes `length` characters of `text` (a length below 0: up to the NUL) as a C string
// literal, in double quotes unless CQF_NO_QUOTES, into a buffer of `size` bytes, and
// terminates it. Returns the length written without the terminator.
//
// Which characters are escaped:
//   - backslash and double quote always, as \\ and \";
//   - the bytes below 32 and DEL (127): TAB, CR, LF, BEL, BS, FF, VT by their names \t \r
//     \n \a \b \f \v; the others, and with CQF_MINIMAL all but CR and LF, by number;
//   - bytes 0x80-0xFF only with CQF_HEX_BYTES (the copy commands, so that C source carries
//     the exact bytes whatever code page it is later read in); otherwise they stay as they
//     are, so that umlauts of a search text read as such;
//   - with CQF_UTF16 or CQF_UTF8 the text is decoded first: characters up to 255 follow the
//     rules above, characters above 255 are written as C's universal character names \uXXXX
//     or \UXXXXXXXX (malformed UTF-8 bytes and lone surrogates count as their own values).
// A numeric escape is octal by default, as short as possible, with all three digits when
// an octal digit follows ("\0", "\0011"); with CQF_HEX_BYTES or CQF_ALL_HEX it is \x with
// two hexadecimal digits. CQF_ALL_HEX writes the named escapes by number as well.
// After a \x escape the literal is closed and opened again ("") when the next character is
// a hexadecimal digit, since a reader would otherwise take that digit into the escape.
//
// Cut to fit: nothing is written in part; an escape (with its "" break) that does not fit
// ends the text, and the closing quote is always kept, so the result stays a well-formed
// literal. A quoted literal needs a size of at least 3; a smaller size gives the empty text
// (terminated when the size is at least 1). A NULL text is empty.
int QuoteCString(char* buffer, int size, const void* text, int length, unsigned flags);

// Writes the low 8 bits of `character` as a C character literal, in single quotes unless
// `noQuotes` is nonzero, and terminates it: TAB, CR, LF, BEL, BS, FF, VT as \t \r \n \a \b
// \f \v; backslash, apostrophe and double quote behind a backslash; the other bytes below
// 32 as \xHH in quotes and \x0HH without; every other byte as it is. Returns the length
// written (at most 6, so a buffer of 7 bytes suffices). A NULL buffer gives 0.
int QuoteCChar(int character, char* buffer, int noQuotes);

// Reads one C escape at a backslash and returns its character: a b f n r t v give 7 8 12
// 10 13 9 11; backslash, apostrophe, double quote and question mark give themselves (2
// consumed); x or X with up to 3 hexadecimal digits gives their value, 0 without digits (2
// plus the digits consumed); up to 3 octal digits give their value, up to 0777 (1 plus the
// digits consumed); any other character after the backslash, the NUL included, gives the
// backslash with 1 consumed. A text not at a backslash gives its first byte with 1
// consumed, except the NUL, which gives 0 with 0 consumed so no caller steps over it. A
// NULL text gives 0 with 0 consumed. `consumed` may be NULL.
int DecodeCEscape(const char* text, int* consumed);

enum CLiteralModes : unsigned
{
    CLM_NO_OPENING_QUOTE = 0x20000000u,   // the text starts inside the literal
    CLM_UTF16 = 0x10000000u,              // each character as one 16-bit unit
    CLM_UTF8 = 0x08000000u,               // each character in its UTF-8 form
    CLM_MODE_MASK = 0x38000000u,
};

// Reads a C string literal from `text` into `buffer`; returns the number of BYTES written
// (twice the units with CLM_UTF16), the terminator not counted.
// `sizeAndMode`: the buffer size in bytes in the bits outside CLM_MODE_MASK (a negative
// size counts as 0), plus the mode bits. Without CLM_NO_OPENING_QUOTE the text must begin
// with a double quote, else nothing is read. The literal ends at an unescaped double quote
// (consumed) or at the NUL. A closing quote followed at once by an opening one (""), as
// QuoteCString writes after a \x escape, continues the literal. Escapes are read with
// DecodeCEscape; a raw byte is the character of its value. Characters are written as
// bytes (the low 8 bits of an escape's value), as 16-bit units with CLM_UTF16, or in UTF-8
// form with CLM_UTF8 (CLM_UTF16 wins when both are set).
// The output is terminated (a 0 byte, or a 0 unit with CLM_UTF16) whenever the size
// leaves room for the terminator; reading stops before a character that does not fit
// together with it, and `consumed` then counts the characters read so far.
// `consumed` (may be NULL) counts the text's characters taken, the quotes included.
int ParseCStringLiteral(void* buffer, unsigned sizeAndMode, const char* text, int* consumed);
