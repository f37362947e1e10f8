// What the hex tool dialogs compute, apart from their windows: the checksum table, the
// number calculator's expressions and result texts, the value input's bytes and text, and
// the address input's evaluation and history. The dialogs only fill their fields from
// these and read them back.
#pragma once
#include <stdint.h>

// --- checksums

// The 15 sums of the checksum dialog, all 32-bit and wrapping: the bytes, and the 16-bit
// words and 32-bit double words read little-endian ([0]) and byte-swapped ([1]). A last
// word or double word that the bytes do not fill counts with the missing bytes as zeros
// behind them (swapped as a whole for [1]).
struct ChecksumSums
{
    uint32_t byteSum, byteNegated, byteXor;
    uint32_t wordSum[2], wordNegated[2], wordXor[2];
    uint32_t dwordSum[2], dwordNegated[2], dwordXor[2];
};
ChecksumSums ComputeChecksums(const uint8_t* bytes, int count);

// --- number calculator

// Evaluates the calculator's text as a 64-bit or 32-bit expression (a 32-bit result is
// sign-extended into *value) with the functions RGB(a,b,c), BGR(a,b,c), BTOL(x) and ABS(x)
// (names in any case). Returns 1 when the whole text evaluated, else 0 (*value then holds
// what was computed before the fault).
int EvalCalculatorText(const char* text, bool is64, long long* value);

enum { CALC_RESULT_SIZE = 80 };
// The five result fields: "Dezimal:", "Hexadezimal:", "Oktal:", "Binär:" (low 16 bits) and
// "Ansi:" (the low byte as a C character, without quotes).
struct CalcResultTexts
{
    char decimal[CALC_RESULT_SIZE];
    char hex[CALC_RESULT_SIZE];
    char octal[CALC_RESULT_SIZE];
    char binary[CALC_RESULT_SIZE];
    char ansi[CALC_RESULT_SIZE];
};
void FormatCalculatorResults(long long value, bool is64, CalcResultTexts* texts);

// The calculator's start value: the first up to 4 bytes, little-endian, as "0x..." text.
int FormatCalculatorStart(const uint8_t* bytes, int count, char* text, int size);

// --- value input

// The size radios: 0 Byte, 1 Word, 2 DWord, 3 QWort.
int ValueSizeChoiceOfCount(int count);
int ByteCountOfValueSizeChoice(int choice);

// Keeps the count in 0..8 and fills the bytes above it with the sign of the value: 0xFF
// when the top bit of its highest byte (count - 1; the bytes are little-endian) is set,
// else 0. Returns the count kept.
int SignExtendValueBytes(uint8_t value[8], int count);

// The value's text in an integer form (IntFormat.h; 1 hex with "0x"): a 64-bit number when
// the count is above 4, else a 32-bit one. Returns the length.
int FormatValueInputText(const uint8_t value[8], int count, unsigned form, char* text, int size);

// The typed text into 8 little-endian bytes: ":" and hex pairs as a dump (the rest zero),
// anything else as a 64-bit expression (0 when it does not evaluate).
void ParseValueInputText(const char* text, uint8_t value[8]);
// True when the text is one whole expression whose number fits `count` bytes (1 to 8) as a
// signed or unsigned number, or a dump of 1 to `count` hex pairs and nothing else. "abc",
// "12 GB", "1.5", "(3", an overflow or 300 for one byte would write a number nobody typed.
bool ValueInputTextFits(const char* text, int count = 8);

// --- address input

// The typed address as a 64-bit or 32-bit expression; 0 when it is no whole expression
// ("abc", "12 GB", "(3", an overflow), never a number read part of the way.
int64_t EvalAddressText(const char* text, bool is64);
// True only for one whole expression that fits the width: false for "abc", "12 GB", "(3" and
// for an overflow ("-18446744073709551616"), which the evaluator reports as an error.
bool AddressTextFits(const char* text, bool is64);
// The address's text: hex with "0x" or signed decimal, 64 or 32 bits.
int FormatAddressText(int64_t value, bool hex, bool is64, char* text, int size);
// The text goes to the top of the history; older equal texts go, at most 15 older texts
// stay, and the list stays below 2045 characters. 0 for an empty text or without memory.
int AddAddressHistory(char** list, const char* text);

// --- go to address

// The address a selection stands for: its first up to 8 bytes as a little-endian number,
// plus the base when that number is below the base.
int64_t AddressFromSelection(const uint8_t* bytes, int count, uint32_t base);
