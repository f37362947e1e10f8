// One line of the hex view as characters and colour indexes, without a device context: the
// window draws runs of equal colour index, tests read the text. A colour index is the
// colour format id - 1 of the view's shared group ("Standard" 0, "Adressen" 1, ...).
#pragma once
#include "views/HexLayout.h"

#include <stdint.h>

enum HexColorIndex : uint8_t
{
    HCI_TEXT = 0,          // "Standard": the text column
    HCI_ADDRESS = 1,       // "Adressen"
    HCI_HEX = 2,           // "HEX-Bereich"
    HCI_SELECTION = 3,     // "Markierung"
    HCI_RANGE = 4,         // "Bereich": highlight ranges
    HCI_BITMARK_HEX = 5,   // "Bit-Marke"
    HCI_BITMARK_TEXT = 6,  // "Bit-Marke-Text"
};

// A range slot: slot 0 is the selection, slots 1 to 8 the highlight ranges 0 to 7. The
// bounds are byte offsets, both included, in either order.
struct HexRangeSlot
{
    int start;
    int end;
    uint8_t active;
    uint8_t color;
};

enum
{
    HEX_SLOT_COUNT = 9,
    HEX_HIGHLIGHT_COUNT = 8,
    HEX_MAX_BIT_MARKS = 0x4000000,
};

// What a line is drawn from.
struct HexLineSource
{
    const uint8_t* data;       // may be NULL only with size 0
    int size;
    uint32_t base;             // absolute address of offset 0
    int alignment;             // bytes the first line starts before offset 0
    const HexRangeSlot* slots; // HEX_SLOT_COUNT slots, or NULL
    const uint32_t* bitMarks;  // bit i of word i / 32 marks offset i, or NULL
    int bitMarkCount;          // bits in bitMarks
};

// Byte offset of the first byte of a line (negative for a first line that starts before
// the data).
int HexLineFirstOffset(const CHexLayout& layout, int alignment, int line);

// Composes one line: text[i] and colors[i] for each of the layout's LineLength() columns,
// at most `capacity` of them (colors may be NULL). Flags bit 0 leaves out bit marks and
// ranges (plain colours). Returns the number of columns written; 0 for a line outside the
// data's lines, for a NULL text or a capacity below 1. Bytes outside the data are blanks.
int ComposeHexLine(const CHexLayout& layout, const HexLineSource& source, int line, int flags, char* text,
                   uint8_t* colors, int capacity);
