// What the data window shows of a slot's output rows, without a window: the one-word list
// items (top-level rows first, children inserted when a row is opened), the cell texts the
// list asks for, and the text a copied row puts on the clipboard.
//
// An item word: bits 0-13 the row index in the slot's output list; 0x8000 the row has
// indented rows below it; 0x4000 collapsed (a row with children) or inside an opened subtree
// (a leaf); bits 16-23 the "a sibling follows" marks of the row (bit 16) and of its ancestors
// (one bit further up a level); bit 24 a line at the row's own level.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

class CModulSet;

enum : uint32_t {
    DW_ROW_MASK = 0x3FFF,
    DW_HAS_CHILDREN = 0x8000,
    DW_COLLAPSED = 0x4000,
    DW_SIBLING_FOLLOWS = 0x10000,
    DW_LINE_AT_LEVEL = 0x1000000,
};

enum { DW_MAX_OPEN_INDENT = 8, DW_TYPE_TEXT = 256 };

enum DataColumn { DW_COL_TYPE = 0, DW_COL_VALUE, DW_COL_OFFSET, DW_COL_SIZE, DW_COL_ADDRESS, DW_COLUMNS };

// What a slot hands the texts besides its rows.
struct DataSlotView {
    int slot;
    uint64_t address;   // of the data's first byte
    int startOffset;
};

// The top-level rows of the slot (indent 0), a row with indented rows behind it collapsed.
void BuildTopItems(const CModulSet& set, int slot, std::vector<uint32_t>* items);

// Opens (mode 1), closes (mode 2) or toggles (mode 0) the row of items[item]. Only a row
// with children changes; a row at indent 8 or deeper turns open but brings in no rows below
// it. True when the items changed.
bool ToggleItem(const CModulSet& set, int slot, std::vector<uint32_t>* items, int item, int mode);

// The text of one cell into `text` (at most `size` - 1 bytes, terminated); the result is the
// length, which counts the code bytes (some of them 0) at the start of the "Typ" text.
int FormatCell(const CModulSet& set, const DataSlotView& view, uint32_t word, int column, char* text, int size);

// A row as the clipboard gets it: the chosen columns' texts joined by TABs, as the list shows
// them ("Typ" without its codes). `columns` is a bit per DataColumn.
std::string RowClipboardText(const CModulSet& set, const DataSlotView& view, uint32_t word, unsigned columns);
