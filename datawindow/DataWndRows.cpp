#include "datawindow/DataWndRows.h"

#include "datawindow/ModulSet.h"
#include "textlib/IntFormat.h"

#include <cstring>

namespace {

const OutputRow* RowOf(const CModulSet& set, int slot, int row, const char** name = nullptr,
                       const char** value = nullptr)
{
    return set.GetRow(slot, row, name, value, nullptr, nullptr);
}

// The "Offset" column: rows of the outermost block count from the cursor, rows inside a
// loop or call from their block. A row of a called block counts its offset from that block's
// base already; taking the cursor's start offset from it as well would show a place that is
// none (below 0 for a block near the data start).
int32_t ShownOffset(const OutputRow& row, const DataSlotView& view)
{
    return row.offset == row.dataOffset ? row.offset - view.startOffset : row.offset;
}

int IndentOf(const CModulSet& set, int slot, int row)
{
    const OutputRow* r = RowOf(set, slot, row);
    return r ? r->indent : -1;
}

}  // namespace

void BuildTopItems(const CModulSet& set, int slot, std::vector<uint32_t>* items)
{
    items->clear();
    const int count = set.GetRowCount(slot);
    for (int row = 0; row < count && row <= static_cast<int>(DW_ROW_MASK); ++row) {
        if (IndentOf(set, slot, row) != 0)
            continue;
        uint32_t word = static_cast<uint32_t>(row);
        if (row + 1 < count && IndentOf(set, slot, row + 1) != 0)
            word |= DW_HAS_CHILDREN | DW_COLLAPSED;
        items->push_back(word);
    }
}

bool ToggleItem(const CModulSet& set, int slot, std::vector<uint32_t>* items, int item, int mode)
{
    if (item < 0 || item >= static_cast<int>(items->size()))
        return false;
    uint32_t& word = (*items)[static_cast<size_t>(item)];
    if (!(word & DW_HAS_CHILDREN))
        return false;
    const int row = static_cast<int>(word & DW_ROW_MASK);
    const int indent = IndentOf(set, slot, row);
    const bool collapsed = (word & DW_COLLAPSED) != 0;
    if ((mode == 1 && !collapsed) || (mode == 2 && collapsed))
        return false;
    if (!collapsed) {
        // Close: the items of the deeper rows behind it go.
        size_t end = static_cast<size_t>(item) + 1;
        while (end < items->size() && IndentOf(set, slot, static_cast<int>((*items)[end] & DW_ROW_MASK)) > indent)
            ++end;
        word |= DW_COLLAPSED;
        items->erase(items->begin() + item + 1, items->begin() + static_cast<ptrdiff_t>(end));
        return true;
    }
    word &= ~DW_COLLAPSED;
    // The list nests rows at most 8 deep: a row at indent 8 shows itself open, with nothing
    // brought in below it.
    if (indent >= DW_MAX_OPEN_INDENT)
        return true;
    const uint32_t marks = ((word >> 16) & 0x7F) << 17;
    const int count = set.GetRowCount(slot);
    std::vector<uint32_t> children;
    for (int r = row + 1; r < count && r <= static_cast<int>(DW_ROW_MASK); ++r) {
        const int level = IndentOf(set, slot, r);
        if (level <= indent)
            break;
        if (level != indent + 1)
            continue;
        uint32_t child = marks | DW_LINE_AT_LEVEL | DW_SIBLING_FOLLOWS | DW_COLLAPSED | static_cast<uint32_t>(r);
        if (r + 1 < count && IndentOf(set, slot, r + 1) > level)
            child |= DW_HAS_CHILDREN;
        children.push_back(child);
    }
    if (!children.empty())
        children.back() &= ~DW_SIBLING_FOLLOWS;
    items->insert(items->begin() + item + 1, children.begin(), children.end());
    return true;
}

int FormatCell(const CModulSet& set, const DataSlotView& view, uint32_t word, int column, char* text, int size)
{
    if (size <= 0)
        return 0;
    text[0] = 0;
    const char* name = "";
    const char* value = "";
    const OutputRow* row = RowOf(set, view.slot, static_cast<int>(word & DW_ROW_MASK), &name, &value);
    if (!row)
        return 0;
    int length = 0;
    auto put = [&](const char* s, int n) {
        if (n > size - 1 - length)
            n = size - 1 - length;
        if (n > 0) {
            std::memcpy(text + length, s, static_cast<size_t>(n));
            length += n;
        }
    };
    char number[INT_FORMAT_MAX_TEXT];
    switch (column) {
    case DW_COL_TYPE: {
        // One tree-line code per ancestor level, the node code, then the name.
        char codes[DW_MAX_OPEN_INDENT + 2];
        int n = 0;
        const int depth = row->indent < 0 ? 0 : row->indent > DW_MAX_OPEN_INDENT ? static_cast<int>(DW_MAX_OPEN_INDENT) : row->indent;
        for (int level = 1; level <= depth; ++level) {
            const bool sibling = (word >> (16 + depth - level)) & 1;
            const bool own = level == depth && (word & DW_LINE_AT_LEVEL);
            codes[n++] = static_cast<char>((sibling ? 1 : 0) | (own ? 2 : 0));
        }
        if (!(word & DW_HAS_CHILDREN))
            codes[n++] = (word & DW_COLLAPSED) ? 4 : 0;
        else if (row->indent == 0)
            codes[n++] = (word & DW_COLLAPSED) ? 23 : 13;
        else
            codes[n++] = (word & DW_COLLAPSED) ? 20 : 14;
        const int room = size - 1 < DW_TYPE_TEXT ? size - 1 : DW_TYPE_TEXT;
        put(codes, n < room ? n : room);
        const int nameLength = static_cast<int>(std::strlen(name));
        put(name, nameLength < room - length ? nameLength : room - length);
        break;
    }
    case DW_COL_VALUE:
        put(value, static_cast<int>(std::strlen(value)));
        break;
    case DW_COL_OFFSET:
        put(number, FormatInteger(ShownOffset(*row, view), number, IFF_HEX));
        break;
    case DW_COL_SIZE:
        put(number, FormatInteger(row->size, number, IFF_HEX));
        break;
    case DW_COL_ADDRESS: {
        const uint64_t address = view.address + static_cast<uint64_t>(static_cast<int64_t>(row->dataOffset));
        put(number, FormatInteger64(static_cast<unsigned>(address), static_cast<unsigned>(address >> 32), number, IFF_HEX));
        break;
    }
    default:
        break;
    }
    text[length] = 0;
    return length;
}

std::string RowClipboardText(const CModulSet& set, const DataSlotView& view, uint32_t word, unsigned columns)
{
    std::string out;
    const char* name = "";
    const char* value = "";
    const OutputRow* row = RowOf(set, view.slot, static_cast<int>(word & DW_ROW_MASK), &name, &value);
    if (!row)
        return out;
    char number[INT_FORMAT_MAX_TEXT];
    auto add = [&](const std::string& field) {
        if (!out.empty())
            out += '\t';
        out += field;
    };
    if (columns & (1u << DW_COL_TYPE))
        add(name);
    if (columns & (1u << DW_COL_VALUE))
        add(value);
    if (columns & (1u << DW_COL_OFFSET)) {
        FormatInteger(ShownOffset(*row, view), number, IFF_HEX);
        add(number);
    }
    if (columns & (1u << DW_COL_SIZE)) {
        FormatInteger(row->size, number, IFF_HEX | IFF_DIGITS(2));
        add(number);
    }
    if (columns & (1u << DW_COL_ADDRESS)) {
        const uint64_t address = view.address + static_cast<uint64_t>(static_cast<int64_t>(row->dataOffset));
        FormatInteger64(static_cast<unsigned>(address), static_cast<unsigned>(address >> 32), number,
                        IFF_HEX | IFF_DIGITS(2));
        add(number);
    }
    return out;
}
