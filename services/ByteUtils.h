// Byte utilities: hex text in both directions (plain and masked), Base64, masked compare,
// memory swap, bit reversal and CRC-32.
//
// Every function is bounded by its count or capacity; NULL inputs count as empty (nothing
// is read or written, the result is 0). Functions that write without a size take a buffer
// the caller has sized by the largest output given with each of them.
#pragma once
#include <stdint.h>

// Flags of BytesToHexText / FormatBytesAsHex and MaskedBytesToHexText.
enum HexTextFlags : uint32_t
{
    HEXTEXT_INTERVAL_MASK = 0x000000FFu,     // low byte: a blank after every that many bytes
    HEXTEXT_SEPARATOR_MASK = 0x0000FF00u,    // bits 8-15: separator character (0: none)
    HEXTEXT_MASKED_COLON = 0x01000000u,      // masked: ":" instead of "#" before binary bytes
    HEXTEXT_GROUP_MASK = 0x06000000u,        // bits 25-26: group size 1, 2, 4 or 8 bytes
    HEXTEXT_BLANK_AT_INTERVAL = 0x08000000u, // a blank instead of the separator at an interval
    HEXTEXT_NO_TRAILING = 0x10000000u,       // nothing behind the last byte
    HEXTEXT_LEADING_COLON = 0x20000000u,     // ":" first
    HEXTEXT_REVERSE = 0x40000000u,           // bytes of each group (or all) in reverse order
    HEXTEXT_TERMINATE = 0x80000000u,         // write the NUL
};

#define HEXTEXT_SEPARATOR(ch) (static_cast<uint32_t>(static_cast<unsigned char>(ch)) << 8)
#define HEXTEXT_GROUP(log2) (static_cast<uint32_t>((log2) & 3) << 25)

// Mode bits of HexPairsToBytes / HexTextToBytes (the capacity is the low 16 bits).
enum HexParseFlags : uint32_t
{
    HEXPARSE_CAPACITY_MASK = 0x0000FFFFu,
    HEXPARSE_ALLOW_COLON = 0x00010000u,      // ":" between pairs
    HEXPARSE_ALLOW_MINUS = 0x00020000u,      // "-" between pairs
    HEXPARSE_ALLOW_PERIOD = 0x00040000u,     // "." between pairs
    HEXPARSE_ALLOW_COMMA = 0x00080000u,      // "," between pairs
    HEXPARSE_FILL_BYTE_MASK = 0x0FF00000u,   // bits 20-27: the fill byte
    HEXPARSE_QUOTED = 0x10000000u,           // "text" gives its characters as bytes
    HEXPARSE_NO_COLON = 0x20000000u,         // no leading ":" is skipped
    HEXPARSE_FILL = 0x40000000u,             // fill the rest of the capacity
};

#define HEXPARSE_FILL_BYTE(byte) ((static_cast<uint32_t>((byte) & 0xFF) << 20) | HEXPARSE_FILL)

// Continues a reflected CRC-32 (polynomial 0xEDB88320) from `crc` over the bytes, without
// the final inversion: callers start with 0xFFFFFFFF and invert the result themselves.
uint32_t Crc32Update(uint32_t crc, const void* bytes, int count);

// Two capital hexadecimal digits a byte, with separators, group order and intervals chosen
// by the flags (HexTextFlags). Returns the characters written, the NUL not counted (it is
// written only with HEXTEXT_TERMINATE). Largest output: count * 4 + 2 characters with the
// NUL (two digits, a separator and an interval blank a byte, the ":" and the NUL).
int BytesToHexText(const void* bytes, char* text, int count, uint32_t flags);

// BytesToHexText with the first two arguments exchanged.
int FormatBytesAsHex(char* text, const void* bytes, int count, uint32_t flags);

// Reads a plain hex dump: leading blanks and TABs, then one ":" (unless HEXPARSE_NO_COLON),
// then pairs of hexadecimal digits (a single digit gives a byte of its value) with blanks and
// TABs between them; HexParseFlags add quoted text, one separator between pairs and the fill.
// Stops at the first other character or at the capacity; never reads past the NUL.
// *consumed (may be NULL) gets the characters read, trailing blanks included. Returns the
// number of bytes read (fill bytes not counted).
int HexPairsToBytes(void* bytes, uint32_t capacityAndMode, const char* text, int* consumed);

// Reads a masked hex dump into value and mask bytes: leading blanks, TABs and one ":"
// skipped; a byte is one or two hexadecimal digits or "?" (a nibble of any value: its mask
// bits 0), or after "#" or ":" up to eight binary digits "0", "1" or "?" (an open bit);
// digits left out at the top of a byte are known zeros. Blanks and TABs separate bytes.
// With HEXPARSE_QUOTED "text" gives its characters with full masks, "?" in it any byte.
// Stops at the first other character or the capacity (low 16 bits); never reads past the
// NUL. *consumed (may be NULL) as for HexPairsToBytes. Returns the number of bytes read.
int HexTextToBytes(void* values, void* masks, uint32_t capacityAndMode, const char* text,
                   int* consumed);

// The counterpart of HexTextToBytes: a byte whose mask is 0xFF, 0xF0, 0x0F or 0 as two
// hexadecimal digits ("?" for an open nibble), any other as "#" (":" with
// HEXTEXT_MASKED_COLON) and eight bits "0", "1" or "?". Flags: separator (bits 8-15) after
// each byte, interval blank (low byte), HEXTEXT_NO_TRAILING drops what follows the last
// byte, HEXTEXT_LEADING_COLON, HEXTEXT_REVERSE takes the bytes in reverse order,
// HEXTEXT_TERMINATE writes the NUL (the capacity keeps room for it). Only whole byte texts
// are written; the text ends where the next one would not fit. NULL masks are full masks.
// Returns the characters written, the NUL not counted.
int MaskedBytesToHexText(char* text, int capacity, const void* values, const void* masks,
                         int count, uint32_t flags);

// Standard Base64 (RFC 4648, with "=" padding) with a line feed after every `lineLength`
// characters (below 1: one line). Writes the terminating NUL. Returns the length written,
// the NUL not counted. Largest output: 4 * ceil(count / 3) characters, plus one line feed
// for every full line, plus the NUL.
int Base64Encode(const void* bytes, int count, char* text, int lineLength);

// 0 when (data AND mask) equals (value AND mask) over all count bytes, else the difference
// of the first unequal masked bytes (data's minus value's). NULL mask: every bit counts.
int MaskedCompare(const void* data, const void* value, const void* mask, int count);

// Exchanges the contents of two byte ranges of count bytes.
void SwapMemory(void* a, void* b, int count);

// The lowest n bits of the value in reverse order (bit 0 becomes bit n - 1); the bits at n
// and above are dropped; n below 1 or above 64 gives 0.
uint64_t ReverseBits(uint64_t value, int n);
