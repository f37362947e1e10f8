// The search-pattern matcher of the text editor's find engine, as plain functions of the
// pattern, the text and the editor's two byte tables, so that they are tested without an
// editor.
//
// A pattern holds literal bytes ("?" any one byte), "*" (any run, shortest first) and
// backslash tokens: \w word, \z number, \_ blanks, \. blanks or nothing, \a line start,
// \e text end, \f word end, \g word start, \m letter, \p digit, \o letter or digit, the set
// tokens \[..] \(..) \{..} \<..> \|..| , the class tokens \#hex# \&hex& \$hex$ , the
// characters themselves behind a backslash (star, question mark, backslash), and the C
// escapes (\t, \x41, \101, ...).
#pragma once
#include <stdint.h>

// Flags of MatchWildPattern.
enum WildPatternFlags : uint32_t
{
    WPF_FOLD = 0x01,          // compare through the case table
    WPF_CUT_DOT_STAR = 0x02,  // a pattern of 3 bytes or more loses a trailing ".*"
    WPF_LENGTH = 0x04,        // the result is the length matched (0 on failure)
    WPF_NOT_LINE_START = 0x08,// the text does not start a line
    WPF_WORD_BEFORE = 0x10,   // the byte before the text is a word character
    WPF_LENGTH_OR_FAIL = 0x20,// the result is the length matched, -1 on failure
};

// The tables the matcher reads: the upper-case form of each byte, and the class bits of
// each byte (bit 0 digit, bit 1 letter; a word character has either).
struct WildPatternTables
{
    const uint8_t* caseTable;
    const uint8_t* classTable;
};

// Matches the pattern against the text from its start. Without WPF_LENGTH and
// WPF_LENGTH_OR_FAIL: 0 when the pattern matches the whole text (or ends in "*" and matches
// a head of it), 1 otherwise. With them: the number of bytes matched (the whole text when the
// pattern ends in "*"; after a "*" the shortest match wins), 0 or -1 when it does not match.
// A pattern length below 1 gives 0. Each (pattern position, text position) pair behind a
// "*" or a \|..| token is decided once per call, so the work grows with the text's length
// times the number of those tokens, never faster. User-interface thread only: the decisions
// are kept in a buffer shared by all calls.
int MatchWildPattern(const char* pattern, int patternLength, const char* text, int textLength, uint32_t flags,
                     const WildPatternTables& tables);

// The length of the leading run of bytes that belong to any of the groups: 0x01 digits;
// 0x02 and 0x04 letters (A-Z, a-z and the bytes the class table marks as letters); 0x08
// "_"; 0x20 blank and TAB; 0x40 CR and LF; 0x80 double and single quote; 0x100 punctuation
// (33-47, 58-64, above 122); 0x200 any byte; 0x1000 round, 0x2000 square, 0x4000 curly and
// 0x8000 angle brackets; 0x10000000 accented capitals (0xC0-0xDD) and 0x20000000 accented
// small letters (0xDF-0xFD), as in CharClassTable.
int SpanCharSet(const char* text, uint32_t groups, int length, const uint8_t* classTable);

// The groups of a word run (digits, letters, "_", accented letters).
const uint32_t SPAN_WORD = 0x3000000F;
const uint32_t SPAN_BLANKS = 0x20;

// Counts the matcher's steps (token decisions and candidate positions) for tests; null
// stops counting.
void SetWildPatternStepCounter(uint64_t* counter);
