// Bounded copy, append, length, search and small in-place edits of 8-bit text.
//
// Sizes count characters including the terminator; lengths never include it. A NULL source
// or searched text counts as an empty text; a NULL destination receives nothing (result 0).
// No function reads a source past its terminating NUL or past a length it was given, and
// none writes past the size it was given.
#pragma once

// Copies at most size - 1 characters of `source` and terminates the destination whenever
// the size is at least 1. Returns the characters copied; a size below 1 writes nothing and
// gives 0.
int CopyTextLimited(char* dest, const char* source, int size);

// The same, copying at most `count` characters of the source (a count below 0 copies none);
// the destination is terminated whenever the size is at least 1.
int CopyTextNLimited(char* dest, const char* source, int size, int count);

// Appends as much of `text` as fits into a buffer of `size` characters and terminates it.
// Returns the resulting length. A buffer that holds no NUL within its size is left as it is
// and the size is returned (also for a size below 1, which gives 0 when it is 0): there is
// no safe place to terminate someone else's unterminated data.
int AppendTextLimited(char* buffer, const char* text, int size);

// Length of the text, or `bound` when no NUL lies within the first `bound` characters
// (a bound below 0 counts as 0).
int TextLengthLimited(const char* text, int bound);
int TextLengthLimitedW(const wchar_t* text, int bound);

// Offset of the first occurrence of the byte (its low 8 bits), or of the terminating NUL
// when it does not occur; searching for 0 finds the terminator.
int FindCharOffset(const char* text, int byte);

// The same within `length` characters: the offset of the byte or of a NUL, or `length` when
// neither occurs within it (a length below 0 counts as 0).
int FindCharOffsetN(const char* text, int byte, int length);

// Offset of the first occurrence of `find` in `text`, -1 when there is none; an empty text
// to find is found at 0.
int FindTextOffset(const char* text, const char* find);

// The same with the letters A-Z matched without regard to case (other bytes, accented
// letters among them, compare exactly).
int FindTextOffsetNoCase(const char* text, const char* find);

// Removes leading and trailing blanks, TABs, CR and LF in place; returns the new length.
int TrimSpacesInPlace(char* text);

// Writes the TABs and blanks that advance the display from column `from` to column `to`
// with TAB stops every `tabWidth` columns, and terminates the buffer. Blanks only when the
// tab width is below 1 or both columns lie in one tab cell; otherwise TABs up to the tab
// stop at or below `to`, then blanks. Nothing but the terminator when `to` <= `from`;
// negative columns count as 0. Returns the bytes written without the terminator; the
// buffer must hold to - from + 1 bytes.
int FillColumnGap(char* buffer, int from, int to, int tabWidth);

// Value of the hexadecimal digits (0-9, A-F, a-f) that follow leading blanks and TABs, up
// to the first other character. At most `count` characters are looked at, the blanks
// included; a count below 1 gives 0. More than 8 digits keep the low 32 bits.
unsigned ParseHexN(const char* text, int count);
