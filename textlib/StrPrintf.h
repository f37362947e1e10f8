// The program's own printf-style formatting engine. One formatting core writes through a
// sink callback; the functions below are that core bound to a caller's buffer (unbounded or
// bounded), a growing heap block, a C stream, standard output or a sink of the caller's own.
// It does not depend on the C run-time's printf, whose Windows flavour differs from C99 in
// "%S", "%I64" and the exponent digits depending on which msvcrt a machine carries.
//
// Conversions
//   %d %i    signed decimal            %u       unsigned decimal
//   %x %X    hexadecimal, a-f / A-F    %o       octal
//   %c       one byte (%lc: one UTF-16 unit, converted as %S converts)
//   %s       8-bit text; a NULL pointer prints "(null)" (cut by the precision like any text)
//   %S       UTF-16 text (const wchar_t*) as 8-bit text, also written %ls; see below
//   %e       d.dddddde+XX              %f       ddd.dddddd
//   %g       %e or %f, whichever C's rule picks, trailing zeros removed
//   %p       the pointer as 8 hexadecimal digits A-F (the Windows run-time's form)
//   %%       a percent sign
// Flags "-" (left-align), "0" (pad numbers with zeros after the sign; ignored with "-" and,
// for integers, with a precision; texts are always padded with blanks), "+" and " " (sign
// of a positive signed or floating value). "#" is not supported.
// Width and precision are numbers or "*" (an int argument; a negative width means "-" and
// its magnitude, a negative precision counts as none). The precision is the minimum digit
// count of an integer (".0" with the value 0 prints no digit), the maximum number of
// characters (or UTF-16 units for %S) read from a text, the digits after the point for %e
// and %f, and the significant digits for %g (0 counts as 1; default 6 for e, f and g).
// Length prefixes: "I64" and "ll" take a 64-bit argument for d, i, u, x, X and o; "l" and
// "h" are accepted and change nothing for integers ("h" does not narrow the value); "l"
// before c or s reads a UTF-16 character or text.
// Anything else after "%" (an unknown conversion such as "%n", "%y" or "%#x", or a format
// that ends inside a conversion) is copied to the output as it stands, from the "%" up to
// and including the first character that is no flag, width, precision or prefix.
//
// Floating-point values are converted exactly (all decimal digits of the binary value are
// computed with integer arithmetic) and rounded once, half to even on an exact tie, as
// C99 library printf does on Windows with __USE_MINGW_ANSI_STDIO and on glibc. The exponent
// has at least two digits, three from 100 on ("1.5e+03", "1e-300"). Infinity prints "inf"
// and "-inf", a NaN "nan" whatever its sign bit; "+" and " " give them a sign as they do
// numbers, and "0" pads them with blanks.
//
// UTF-16 text (%S, %lc): a unit 0 ends the text; units up to 0xFF become the byte of the same
// value (ISO-8859-1); a unit above 0xFF becomes its byte in Windows code page 1252 where that
// page has the character (U+20AC -> 0x80 and the other 26 characters of 0x80..0x9F), every
// other character "?" (a surrogate pair is one character, one "?"). The precision counts
// UTF-16 units read, and no unit beyond it is read, even to complete a surrogate pair.
//
// Largest output of one conversion without width: 11 characters for 32-bit integers
// ("-2147483648"), 22 for 64-bit ones (octal "1777777777777777777777"), 8 for %p, 6 for
// "(null)", precision + 8 for %e ("-1.797693e+308"), precision + 8 for %g, precision + 311
// for %f (a double reaches 1.8e308), strlen or the precision for %s and %S. A width
// raises it to the width; a precision above those counts raises an integer to precision + 1.
//
// Return values count the characters the destination took (for the terminating forms the
// terminator is not counted). A %c of value 0 is written and counted like any character.
// A NULL format is an empty one. Counts beyond INT_MAX are returned as INT_MAX.
#pragma once
#include <cstdarg>
#include <cstdio>

// A destination of formatted text: takes `length` characters at `text` (not terminated) and
// returns how many it took. Taking fewer than offered (0 included) ends the formatting: the
// core stops reading the format and the arguments and returns the total taken so far.
typedef int (*StrPrintfSinkFn)(void* context, const char* text, int length);

#if defined(__GNUC__)
#define STRPRINTF_FORMAT(fmt, first) __attribute__((format(ms_printf, fmt, first)))
#else
#define STRPRINTF_FORMAT(fmt, first)
#endif

// Formats into `buffer`, which must be large enough (see the largest outputs above), and
// terminates it. Returns the length written; a NULL buffer gets nothing and gives 0.
int StrPrintf(char* buffer, const char* format, ...) STRPRINTF_FORMAT(2, 3);
int StrVPrintf(char* buffer, const char* format, va_list args);

// Formats at most size - 1 characters into `buffer` and terminates it; the rest of the text
// is dropped. Returns the length written (not the length the whole text would have). A size
// below 1 or a NULL buffer writes nothing and gives 0.
int StrNPrintf(char* buffer, int size, const char* format, ...) STRPRINTF_FORMAT(3, 4);
int StrVNPrintf(char* buffer, int size, const char* format, va_list args);

// Formats into a block from malloc that grows as needed; stores it in *out (the caller frees
// it with free()) and returns the length. On allocation failure (or a NULL `out`) *out is
// NULL and the result -1.
int StrPrintfAlloc(char** out, const char* format, ...) STRPRINTF_FORMAT(2, 3);
int StrVPrintfAlloc(char** out, const char* format, va_list args);

// Writes to a C stream; returns the characters the stream accepted (a NULL stream takes none).
int StrFPrintf(FILE* stream, const char* format, ...) STRPRINTF_FORMAT(2, 3);
int StrVFPrintf(FILE* stream, const char* format, va_list args);

// Writes to stdout.
int StrPrintfOut(const char* format, ...) STRPRINTF_FORMAT(1, 2);
int StrVPrintfOut(const char* format, va_list args);

// Writes through the caller's sink; returns the characters the sink took. A NULL sink takes
// nothing.
int StrPrintfSink(StrPrintfSinkFn sink, void* context, const char* format, ...)
    STRPRINTF_FORMAT(3, 4);
int StrVPrintfSink(StrPrintfSinkFn sink, void* context, const char* format, va_list args);
