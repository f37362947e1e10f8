// Integer to text in the radix notations the program shows.
//
// IntFormatFlags:
//   low byte, the form:  0 signed decimal       1 hexadecimal "0x1F"   2 binary "0b101"
//                        3 octal "0o17"          4 "1Fh"   5 "101b"   6 "17o"
//                        7 "16#1F"   8 "2#101"   9 "8#17"   10 "10#31"
//                        any other value (15 by convention) unsigned decimal
//   0x8000          the low byte is the radix itself (2..36), digits alone, no prefix or
//                   suffix; a radix outside 2..36 writes unsigned decimal
//   bits 8-13       minimum number of digits: zeros are added in front of the digits (after
//                   the sign and the prefix)
//   0x4000          that number is also the maximum: only the lowest digits are kept, so
//                   "99" + 1 in two digits shows "00" (a count of 0 sets no limit)
//   0x10000         instead of zeros, the whole text is right-aligned with blanks to a width
//                   of that number of characters
// Every form but 0 shows the value as unsigned (its two's complement bits). Digits above 9
// are capital letters.
//
// The text is terminated; the result is its length. The longest text is 66 characters
// (64 binary digits with "0b" or "2#", or 63 digits with "16#"), so a buffer of 67 bytes
// always suffices. A NULL buffer gives 0.
#pragma once

enum IntFormatFlags : unsigned
{
    IFF_SIGNED = 0,
    IFF_HEX = 1,
    IFF_BIN = 2,
    IFF_OCT = 3,
    IFF_HEX_SUFFIX = 4,
    IFF_BIN_SUFFIX = 5,
    IFF_OCT_SUFFIX = 6,
    IFF_HASH16 = 7,
    IFF_HASH2 = 8,
    IFF_HASH8 = 9,
    IFF_HASH10 = 10,
    IFF_UNSIGNED = 15,
    IFF_FORM_MASK = 0xFF,
    IFF_DIGITS_SHIFT = 8,
    IFF_DIGITS_MASK = 0x3F00,
    IFF_DIGITS_MAX = 0x4000,
    IFF_RADIX = 0x8000,
    IFF_RIGHT_ALIGN = 0x10000,
};

// Minimum digit count for the flags word: IFF_HEX | IFF_DIGITS(8).
constexpr unsigned IFF_DIGITS(unsigned count)
{
    return (count << IFF_DIGITS_SHIFT) & IFF_DIGITS_MASK;
}

enum { INT_FORMAT_MAX_TEXT = 67 };   // bytes a buffer needs for any value and flags

int FormatInteger(int value, char* buffer, unsigned flags);
int FormatInteger64(unsigned low, unsigned high, char* buffer, unsigned flags);
