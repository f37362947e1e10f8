// "Kopiere im C++ Format": bytes as source text — C array values, assembler data lines,
// text forms (Base64, "\x" strings, C literals, character literals) and a hex dump. The
// copy command and the live preview of its dialog both write through FormatCppArray.
#pragma once
#include <stdint.h>

// Formats (flags bits 0 and 1) and the big-endian flag.
enum CppArrayFormatFlags : uint32_t
{
    CAF_C = 0,              // 0x01,0x02,
    CAF_ASSEMBLER = 1,      // DB<TAB>001h,002h
    CAF_TEXT_FORMS = 2,     // by value size: 1 Base64, 2 "\x01", 4 C literal, 8 '\x01',
    CAF_DUMP = 3,           // hex dump lines, groups of the value size (at most 4)
    CAF_FORMAT_MASK = 3,
    CAF_BIG_ENDIAN = 128,   // values in memory order instead of little-endian
};

// Writes `count` bytes as values of `valueSize` bytes (1, 2, 4 or 8; another size counts as
// 1), `valuesPerLine` to a line (below 1: 16; the text forms count bytes), into `output` of
// `capacity` bytes and terminates it. A last value that the bytes do not fill is padded with
// zero bytes behind them. Writing stops before a value that would not fit, so a small
// capacity gives the first values (a string form is closed all the same); Base64 cuts its
// input to what fits. Returns the length written; a capacity below 4 writes nothing.
int FormatCppArray(const uint8_t* bytes, int count, int valueSize, uint32_t flags, int valuesPerLine,
                   char* output, int capacity);

// A capacity that holds FormatCppArray's whole output for these arguments in every format.
int CppArrayCapacity(int count, int valueSize, int valuesPerLine);

// The copy-as-source choices, kept under the application key in "CppCopyDlg".
struct CppCopySettings
{
    int valueSize;    // "ValueSize": 1, 2, 4 or 8
    int lineSize;     // "LineSize": values per line
    int format;       // "Format": CAF_C .. CAF_DUMP
    int bigEndian;    // "BigEndian": the number form of the dialog's field (1 hex), kept as read
};

CppCopySettings DefaultCppCopySettings();
// Reads the values that exist; the others keep their defaults.
void LoadCppCopySettings(CppCopySettings* settings);
// 0 when the key cannot be created.
int SaveCppCopySettings(const CppCopySettings& settings);
