// Integer parsing with the number forms the program's users type: C, assembler and
// Ada-style radix notations.
//
// IntParseFlags, low byte = radix mode:
//   0        automatic: decimal; after a leading 0 the prefixes 0x, 0d, 0o, 0b (either case)
//            choose hexadecimal, decimal, octal, binary ("012" is decimal 12)
//   1        decimal unless a suffix H, B or O (either case) follows the digits
//            ("0FFh" = 255, "101b" = 5, "17o" = 15)
//   2..250   that radix; digits 0-9 then A-Z/a-z for 10..35 (a digit counts when its value is
//            below the radix, so radices above 36 read the same 36 digits)
//   251, 252 the letters x, o, d, b after a leading 0, the prefixes 16#, 10#, 8#, 2# and the
//            suffixes H, B, O (the two modes read the same forms)
//   253      only the # prefixes (decimal otherwise)
//   254      C style: 0x, 0b, and a leading 0 for octal
//   255      C style without 0b
// Where a letter may be both a digit and a marker, a trailing H wins ("0B1h" = 0xB1, "0d12h" =
// 0xD12), then a 0x/0o/0d/0b or # prefix, then a trailing B or O over a run of binary or
// octal digits. A prefix counts only when a digit of its radix follows it: "0x" alone reads
// as the number 0 followed by "x".
//   0x0400 / 0x0800  digit separators "_" / "'" (both may be allowed); a separator is taken
//            only between two digits of the number
//   0x1000   blanks, TABs, CR and LF behind the number count as consumed
//   0x2000   no blanks allowed between the sign and the digits
//   0x4000   no sign: neither "-" nor "+" is read
//   0x8000   no leading blanks and TABs are skipped
//
// Reading: leading blanks and TABs (unless 0x8000), an optional "-" or "+" (unless 0x4000),
// blanks and TABs (unless 0x2000), then the number; reading stops at the first character
// that continues no number, so "32-Bit" gives 32. When no digit is found the value is 0 and
// NOTHING counts as consumed, not the blanks, not the sign: callers test the count to learn
// whether a number stood there. Otherwise the count covers the skipped blanks, the sign, a
// prefix, the digits and a suffix letter (and with 0x1000 the trailing white space).
//
// Overflow: the magnitude is read as an unsigned number of the result's width (32 or 64 bits);
// a magnitude beyond it saturates and the result is all ones (-1), whatever the sign, the
// way strtoul/strtoull report it. Within the range a minus sign negates modulo 2^width, so
// "4294967295" and "-1" both give -1 from ParseInteger, and "-4294967295" gives 1. A number
// too large therefore never turns into a small, plausible sector number.
// The 64-bit parse also counts a negative number below the smallest signed value (a magnitude
// above 2^63) as an overflow: "-0xFFFFFFFFFFFFFFFF" gives all ones and reports the overflow
// instead of wrapping round to 1, so the fields that refuse numbers past the width refuse it.
// A NULL text gives 0 with 0 consumed. `consumed` may be NULL.
#pragma once

enum IntParseFlags : unsigned
{
    IPF_RADIX_AUTO = 0,
    IPF_RADIX_SUFFIX = 1,
    IPF_RADIX_ASM = 252,
    IPF_RADIX_HASH = 253,
    IPF_RADIX_C = 254,
    IPF_RADIX_C_NOBIN = 255,
    IPF_RADIX_MASK = 0xFF,
    IPF_SEP_UNDERSCORE = 0x0400,
    IPF_SEP_APOSTROPHE = 0x0800,
    IPF_EAT_TRAILING = 0x1000,
    IPF_SIGN_ADJACENT = 0x2000,
    IPF_NO_SIGN = 0x4000,
    IPF_NO_LEADING_BLANKS = 0x8000,
};

int ParseInteger(const char* text, unsigned flags, int* consumed);
long long ParseInteger64(const char* text, unsigned flags, int* consumed);
// ParseInteger64 that also tells whether the number was beyond 64 bits, a negative one below
// -2^63 included (the value is then all ones, as ParseInteger64 gives it); `overflow` may be NULL.
long long ParseInteger64Overflow(const char* text, unsigned flags, int* consumed, bool* overflow);
