// UTF-8 and UTF-16 coding of single characters and the text conversions built on them.
//
// Decoding never fails: a byte that does not start a well-formed UTF-8 sequence (a stray
// continuation byte, a lead byte whose continuation bytes are missing or cut off by a NUL or
// by the length, an overlong form, a surrogate code point, or a code point above 0x10FFFF)
// gives the byte itself as the code point with length 1; a lone UTF-16 surrogate gives the
// unit itself. No decoder reads past a NUL. Encoders write U+FFFD for a value that is no
// Unicode scalar (a surrogate or above 0x10FFFF) in UTF-8, and for one above 0x10FFFF in
// UTF-16 (a surrogate value is written as its single unit, as text with a lone surrogate
// decodes). Out pointers for the code point may be NULL; a NULL text decodes as 0 with
// length 0.
#pragma once

// Reads one UTF-8 sequence; returns its length (1 to 4; 1 for the NUL).
int DecodeUtf8Char(const char* text, unsigned* codePoint);

// The same, reading at most `available` bytes (0 when `available` is below 1).
int DecodeUtf8CharBounded(const char* text, int available, unsigned* codePoint);

// Writes the code point's UTF-8 form (not terminated); returns the bytes written, 1 to 4.
int EncodeUtf8Char(char* buffer, unsigned codePoint);

// The bytes EncodeUtf8Char writes for the code point.
int Utf8CharLength(unsigned codePoint);

// Reads one UTF-16 character; returns the units read (2 for a surrogate pair, 1 for the 0).
int DecodeUtf16Char(const wchar_t* text, unsigned* codePoint);

// The same, reading at most `available` units.
int DecodeUtf16CharBounded(const wchar_t* text, int available, unsigned* codePoint);

// Writes one unit, or a surrogate pair for a code point above 0xFFFF; returns the units.
int EncodeUtf16Char(wchar_t* buffer, unsigned codePoint);

// Converts at most `length` bytes of UTF-8 text (a length below 0: up to the NUL; a NUL
// within the length ends the text too) into a buffer of `size` UTF-16 units, terminated
// whenever the size is at least 1. A character whose units do not fit ends the conversion
// (no half surrogate pair). Returns the units written without the terminator.
int Utf8ToWideN(wchar_t* buffer, const char* text, int size, int length);

// Converts at most `length` units of UTF-16 text (below 0: up to the 0 unit) into 8-bit
// text of at most size - 1 bytes, terminated whenever the size is at least 1; each unit up
// to 255 becomes that byte and each unit above 255 (each half of a surrogate pair too)
// becomes 0xFF. Returns the bytes written without the terminator.
int WideToLatin1N(char* buffer, const wchar_t* text, int size, int length);

// Converts terminated UTF-8 text into 8-bit text of at most size - 1 bytes, terminated
// whenever the size is at least 1: code points up to 255 become that byte, code points
// above 255 become 0xFF, malformed bytes stay as they are. Returns the length written.
int Utf8ToLatin1(char* buffer, const char* text, int size);
