// What the "Wert suchen" dialog does with its texts, apart from the window: the input kind
// of a text, a value shown in another kind, the entry line built from the typed text and
// read back from a group list, and the range a find command searches. The dialog only fills
// its controls from these and reads them back.
#pragma once
#include <stdint.h>

// The "Eingabe Art" radio buttons, and 7 for text with "Unicode Text".
enum SearchInputKind
{
    SIK_DECIMAL = 0,
    SIK_HEX = 1,
    SIK_BINARY = 2,
    SIK_OCTAL = 3,
    SIK_TEXT = 4,
    SIK_DUMP = 5,
    SIK_MASK = 6,
    SIK_UTF16_TEXT = 7,
};

// The "Byte-Anzahl" radio buttons.
enum SearchByteCount
{
    SBC_BYTE = 0,
    SBC_WORD = 1,
    SBC_DWORD = 2,
    SBC_VARIABLE = 3,
};

enum
{
    VS_INPUT_TEXT_SIZE = 1100,   // holds FormatAsInput's longest text for up to 256 bytes
    VS_ENTRY_LINE_SIZE = 2048,   // holds any entry line for a typed text of up to 512 bytes
};

// The bytes a byte-count choice lets a value have: 1, 2, 4, or 256 for "Variabel".
int ByteCountLimit(int byteCountChoice);

// The input kind a text's form says (SIK_DECIMAL to SIK_MASK; never SIK_UTF16_TEXT, which
// only the "Unicode Text" box chooses): "0x" hex, "0b" binary, "0o" octal (each also after
// "-"), a digit or "-" decimal, ":" a hex dump or, with a further ":" or "#" before any "(",
// a bit mask; anything else, the empty text included, text.
int InputKindOfText(const char* text);

// The text put into the empty field when the kind changes: "0x", "0b", "0o", a double
// quote, ":" or ":", nothing for decimal.
const char* InputKindPrefix(int kind);

// Shows bytes in an input kind, cut to `size` and terminated:
//   SIK_DECIMAL..SIK_OCTAL  the first up to 4 bytes as a little-endian number, sign-extended
//                           from its top byte, as "-5", "0xFFFFFFFB", "0b101", "0o17"
//   SIK_TEXT                a quoted C literal, trailing NUL bytes dropped
//   SIK_UTF16_TEXT          the same for UTF-16 units (an odd last byte is dropped)
//   SIK_DUMP                ":" and hex pairs separated by blanks
//   SIK_MASK                the first half as values, the second as masks, as a masked dump
// Returns the length written.
int FormatAsInput(const uint8_t* bytes, int count, char* output, int size, int kind);

// Options of an entry line.
struct EntryLineOptions
{
    int kind;               // SearchInputKind (SIK_TEXT with unicode set is UTF-16 text)
    int byteCountChoice;    // SearchByteCount
    bool unicode;           // "Unicode Text"
    bool ignoreCase;        // "Groß/Kleinschreibung ignorieren" (text only)
    bool motorola;          // "Zahlen im Motorola Format suchen" (numbers of 2 or 4 bytes)
};

// Builds the entry line for a typed text: the value parsed with the byte-count limit
// (numbers of Byte or Word size take that size, UTF-16 text takes up to 128 characters, a
// bit mask its values and masks), Motorola order reverses numbers of 2 or 4 bytes; then the
// type letter, ":", the count, " /G" (text ignoring case), " /B" (reversed), a TAB, ":" and
// the bytes as hex pairs, TABs to align, and the typed text in parentheses. Returns the
// length, 0 when the text gives no bytes (nothing to search) or the line does not fit.
int BuildEntryLine(const char* text, const EntryLineOptions& options, char* line, int size);

// True when the text is a number that does not fit the byte count chosen for it ("300" for
// Byte, "5000000000" for DWord): such a number is refused with words instead of being
// searched as nothing. A number that fits is cut to that size as it is ("-1" for Byte is FF,
// "0xFFFFFFF1", the dialog's own form of the byte F1, is F1); text and dumps never exceed.
bool NumberExceedsByteCount(const char* text, const EntryLineOptions& options);

// The dialog's words for such a number.
extern const char kNumberExceedsByteCount[];
// ... for a text written as a number that is none ("12 GB", "1.5", "0x1G", "-").
extern const char kTextIsNoNumber[];
// ... for any other text that gives no bytes (":", ":zz", an empty quote "\"\"").
extern const char kTextGivesNoValue[];

// What the dialog says instead of ending with a typed text that gives nothing to search:
// kNumberExceedsByteCount for a number too large for its byte count or for 64 bits,
// kTextIsNoNumber for a text whose form is a number but which is none, kTextGivesNoValue for
// another text that gives no bytes. NULL for a text that gives bytes, and for an empty (or
// blank) text, which leaves no pattern.
const char* SearchTextRefusal(const char* text, const EntryLineOptions& options);

// An entry line read back into the dialog's fields.
struct DecodedEntryLine
{
    int kind;               // from the type letter: D H B O T M as their kinds, N text with
                            // unicode set, any other letter a hex dump
    int byteCountChoice;    // 1 Byte, 2 Word, 4 DWord by the count, else Variabel (text,
                            // dumps and masks always Variabel)
    bool unicode;
    bool ignoreCase;        // " /G"
    bool reversed;          // " /B": the bytes were turned back
    char text[VS_INPUT_TEXT_SIZE];   // the value shown in its kind
};

// The group distance typed into "Bereich": the number at the text's start (trailing text is
// ignored), 1000 for a text that is no number or a number below 1. A number beyond the int
// range counts as the largest int, where a wrapped one would search some other distance.
int GroupDistanceOfText(const char* text);

// Reads an entry line back. Returns 1, or 0 for a line that is malformed or gives no bytes.
int DecodeEntryLine(const char* line, DecodedEntryLine* decoded);

// The positions one find command searches: first `count` positions from `start` (negative
// count: backwards), then, when wrapCount is not 0, wrapCount positions from wrapStart.
struct FindRange
{
    int start;
    int count;
    int wrapStart;
    int wrapCount;
};

// The range of the find dialog's search (ValueSearchFlags): backwards from cursor - 1, else
// forwards from cursor + 1, over the data size; VSF_FROM_START from 0 over the whole data
// with no wrap; VSF_SELECTION_ONLY with a selection (length above 0) its bytes, in the
// chosen direction, with no wrap; otherwise VSF_WRAP lets the search go on once from the
// other end up to the cursor. An empty data gives no positions.
FindRange ComputeFindRange(uint32_t flags, int cursor, int dataSize, int selectionStart,
                           int selectionLength);

// Find next: forwards from cursor + 1 to the end, then (after the user agreed) from 0 up to
// the cursor.
FindRange ComputeFindNextRange(int cursor, int dataSize);
