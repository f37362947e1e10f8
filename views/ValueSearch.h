// Value search of the hex view, the part that needs no window: the search-text parser, the
// primitive byte search and the matcher that runs a pattern list (one value, or a group of
// values that must lie near each other) over a byte buffer. The hex view's find commands and
// the document's search in sectors both run on these.
//
// A pattern list is a text list (see ValueSearchLists.h): the first text is the group
// distance in decimal (empty or 0 for a single value), each further text one entry line:
//
//     <type>:<count>[ /G][ /B]<TAB>:<value as hex>   free text the matcher ignores
//
// The first text is always there, even when it is empty, and the entry lines behind it end
// with an empty text, so the smallest pattern list is two NUL bytes.
//
// The type letter is one of "DHBOTUMN" (decimal, hex, binary, octal, text, hex dump, bit
// mask, UTF-16 text); only "M" changes the matching (value bytes followed by as many mask
// bytes, compared masked). A "G" between the count and the value's ":" compares without
// regard to case (letters A to Z only). The count is decimal or "0x" and hex.
#pragma once
#include <stdint.h>

// Search flags word: kept in the registry as "HexFindFlags" and shared by all hex views.
enum ValueSearchFlags : uint32_t
{
    VSF_BACKWARDS = 0x0001,        // search towards the start of the data
    VSF_SELECTION_ONLY = 0x0002,   // only within the selected bytes
    VSF_WRAP = 0x0004,             // wrap round to the other end once
    VSF_IGNORE_CASE = 0x0008,      // text compared without regard to case
    VSF_GROUP = 0x0010,            // group search
    VSF_KEEP_ORDER = 0x0020,       // group entries must follow each other in order
    VSF_FROM_START = 0x0040,       // search the whole data from offset 0
    VSF_UNICODE = 0x0080,          // text as UTF-16
    VSF_MOTOROLA = 0x0100,         // numbers big-endian
    VSF_STORED_MASK = 0x01FF,      // the bits the dialog writes back
    // Input-only bits: they tell the dialog what to offer and are never stored.
    VSF_NO_FIND_NEXT = 0x1000,     // hide the "Weitersuchen" button
    VSF_NO_GROUP = 0x2000,         // no group search
    VSF_FORWARD_ONLY = 0x4000,     // direction fixed forwards
    VSF_HAS_SELECTION = 0x8000,    // a selection exists
    // Matcher only: the range is a byte window, and every further entry of a group lies
    // wholly inside [max(m - distance, start), min(m + distance, start + count)) around the
    // first match m, entries searched backwards wholly before m (the search in sectors).
    VSF_WHOLE_ENTRIES = 0x10000,
};

enum
{
    VS_MAX_ENTRIES = 16,       // entries of one group
    VS_SLOT_SIZE = 256,        // value bytes one entry can hold (a mask entry: 128 + 128)
    VS_CAPACITY_UTF16 = 0x40000000,   // ParseSearchText: quoted and plain text as UTF-16
};

// Compare modes of SearchBytes.
enum SearchCompareMode
{
    SEARCH_EXACT = 0,
    SEARCH_IGNORE_CASE = 1,    // A-Z and a-z compare equal, nothing else is folded
    SEARCH_MASKED = 2,         // value bytes followed by as many mask bytes
};

// A text at ":": a masked dump when a further ":" or "#" follows before any "(" (the dialog
// writes the typed text in parentheses behind a plain dump, and that may hold anything).
bool LooksMasked(const char* colon);

// Turns one search text into bytes. Returns the number of bytes written, -1 for a text that
// is empty (or only blanks and TABs, or NULL), 0 for a text that gives no bytes.
//
// `capacityAndFlags`: the capacity of `buffer` in bytes, plus VS_CAPACITY_UTF16, with which
// quoted and plain text is written as 16-bit units. Forms, after leading blanks and TABs:
//   "text"           a C string literal with escapes; an unbalanced quote ends at the NUL
//   :12 34 AB        a hex dump of pairs (blanks allowed); it is also a plain dump when a "("
//                    comes before any further ":" or "#"
//   :1? #0101????    a masked hex dump when a ":" or "#" follows the first ":" (before any
//                    "("): with `maskFlag` nonzero the value bytes, then as many mask bytes
//                    (each half limited to half the capacity; twice the value count is
//                    returned); with it 0 the text is read as a plain hex dump
//   0x.. 0b.. 0o..   a number in hex, binary or octal, optionally after "-"
//   a digit or "-"   a decimal number
//   anything else    text, as if quoted
// Numbers are written little-endian in 4 bytes, or 8 when they have more than 8 digits (a
// prefix not counted), cut to the capacity; a "-" with no digits behind it gives 0 bytes.
// Nothing is ever written beyond the capacity; a capacity below 1 gives 0.
int ParseSearchText(const char* text, uint8_t* buffer, uint32_t capacityAndFlags, int maskFlag);

// The primitive search: tries the value at the positions start, start + 1, ... (count > 0)
// or start, start - 1, ... (count < 0), |count| positions in all, and returns the first
// position at which it matches, -1 when none does. Only positions p with 0 <= p and
// p + size <= dataSize are tried, so no byte outside the data is read, whatever start and
// count say. A size below 1 returns start. In SEARCH_MASKED mode `value` holds size value
// bytes followed by size mask bytes; a byte matches when data & mask == value & mask.
// `abort` (may be NULL) is read at least every 4096 positions: a nonzero word set by another
// thread (the cancel button of a long search in sectors) ends the search with -1.
// Forwards, the scan looks for one key byte of the value 16 positions at a time (SSE2, when
// the processor has it) and compares the whole value only where the key byte fits.
int SearchBytes(const uint8_t* data, int dataSize, const uint8_t* value, int size, int start,
                int count, int mode, const volatile long* abort = nullptr);

// One entry of a compiled pattern.
struct SearchEntry
{
    char type;              // the type letter
    int declaredCount;      // the count written in the line
    int size;               // bytes compared: the declared count (halved for "M"), never more
                            // than the line's value actually gave
    int mode;               // SearchCompareMode
    uint8_t value[VS_SLOT_SIZE];   // in SEARCH_MASKED mode: size values, then size masks
};

struct SearchPattern
{
    int distance;           // group distance (0 for a single value)
    int entryCount;         // 0: nothing to search
    SearchEntry entries[VS_MAX_ENTRIES];
};

// Where each entry of a found group lies.
struct SearchMatch
{
    int offset;
    int length;
};

// Compiles a pattern list (see the top of this file). Returns the number of entries (0 when
// there is nothing to search: a NULL list, no entry lines, or an entry line that is
// malformed or gives no bytes, since searching part of what the user asked for would report
// groups that are not there). More than 16 entries are cut to 16; a negative distance counts
// as 0.
int CompileSearchPattern(const char* patternList, SearchPattern* pattern);

// Runs a compiled pattern on the data: the first entry over count positions from start (count
// negative: backwards, as SearchBytes); with several entries each candidate is a group only
// when every further entry is found near it:
//   VSF_KEEP_ORDER in flags: entry i forwards from the end of entry i - 1's match, starting
//     no later than first match + distance, inside the data even where that is beyond the
//     range (a range split at the cursor must not cut a group in two);
//   otherwise: entry i forwards from the end of the first match up to first match + distance,
//     and only when that fails backwards from first match - 1 down to first match - distance.
// Every entry of an unordered group starts within the positions the search covers (the lower
// and the upper end of the range, whatever the direction), and with VSF_WHOLE_ENTRIES every
// entry of any group lies inside them. When a candidate fails the search goes on
// one position past it in the search direction. Returns the offset of the first entry's
// match, or -1; `matches` (may be NULL) receives entryCount places on success.
// `abort` as for SearchBytes.
int MatchSearchPattern(const uint8_t* data, int dataSize, const SearchPattern& pattern, int start,
                       int count, uint32_t flags, SearchMatch* matches,
                       const volatile long* abort = nullptr);

// CompileSearchPattern and MatchSearchPattern in one: -1 for a missing or empty pattern list.
int FindPatternInData(const uint8_t* data, int dataSize, const char* patternList, int start,
                      int count, uint32_t flags, SearchMatch* matches,
                      const volatile long* abort = nullptr);
