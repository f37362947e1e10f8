#include "views/HexLineComposer.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// Control characters and the C1 range would be drawn as boxes or move the pen: shown as ".".
char DisplayChar(uint8_t byte)
{
    if (byte < 32 || (byte >= 127 && byte <= 159))
        return '.';
    return static_cast<char>(byte);
}

bool BitMarked(const HexLineSource& source, int offset)
{
    if (!source.bitMarks || offset < 0 || offset >= source.bitMarkCount)
        return false;
    return (source.bitMarks[offset >> 5] >> (offset & 31)) & 1;
}

// Writes one column when it lies inside the capacity.
void Put(char* text, uint8_t* colors, int capacity, int column, char ch, uint8_t color)
{
    if (column < 0 || column >= capacity)
        return;
    text[column] = ch;
    if (colors)
        colors[column] = color;
}

void Paint(uint8_t* colors, int capacity, int column, int count, uint8_t color)
{
    if (!colors)
        return;
    for (int i = 0; i < count; ++i)
        if (column + i >= 0 && column + i < capacity)
            colors[column + i] = color;
}

}  // namespace

int HexLineFirstOffset(const CHexLayout& layout, int alignment, int line)
{
    int bpl = layout.BytesPerLine();
    int head = alignment % bpl;
    if (head < 0)
        head += bpl;
    return line * bpl - head;
}

int ComposeHexLine(const CHexLayout& layout, const HexLineSource& source, int line, int flags, char* text,
                   uint8_t* colors, int capacity)
{
    int size = source.data ? source.size : 0;
    if (size < 0)
        size = 0;
    if (!text || capacity < 1 || line < 0 || line >= layout.LineCount(size, source.alignment))
        return 0;
    int length = layout.LineLength();
    int count = length < capacity ? length : capacity;
    for (int i = 0; i < count; ++i)
    {
        text[i] = ' ';
        if (colors)
            colors[i] = i < layout.HexStart() ? HCI_ADDRESS : (i < layout.TextStart() ? HCI_HEX : HCI_TEXT);
    }

    int bpl = layout.BytesPerLine();
    int first = HexLineFirstOffset(layout, source.alignment, line);
    if (layout.AddressWidth() > 0)
    {
        uint32_t address = source.base + static_cast<uint32_t>(first);
        int digits = layout.AddressDigits();
        for (int d = 0; d < digits; ++d)
            Put(text, colors, count, d, kHexDigits[(address >> (4 * (digits - 1 - d))) & 15], HCI_ADDRESS);
    }

    for (int i = 0; i < bpl; ++i)
    {
        int offset = first + i;
        if (offset < 0 || offset >= size)
            continue;
        uint8_t byte = source.data[offset];
        bool marked = !(flags & 1) && BitMarked(source, offset);
        int hex = layout.HexColumnOf(i);
        if (hex >= 0)
        {
            Put(text, colors, count, hex, kHexDigits[byte >> 4], marked ? HCI_BITMARK_HEX : HCI_HEX);
            Put(text, colors, count, hex + 1, kHexDigits[byte & 15], marked ? HCI_BITMARK_HEX : HCI_HEX);
        }
        int tc = layout.TextColumnOf(i);
        if (tc >= 0)
            Put(text, colors, count, tc, DisplayChar(byte), marked ? HCI_BITMARK_TEXT : HCI_TEXT);
    }

    // Ranges from the last slot down, so the selection (slot 0) is painted last and wins.
    if (!(flags & 1) && source.slots && colors)
    {
        int last = first + bpl - 1;
        for (int s = HEX_SLOT_COUNT - 1; s >= 0; --s)
        {
            const HexRangeSlot& slot = source.slots[s];
            if (!slot.active)
                continue;
            int lo = slot.start < slot.end ? slot.start : slot.end;
            int hi = slot.start < slot.end ? slot.end : slot.start;
            if (lo < first)
                lo = first;
            if (hi > last)
                hi = last;
            if (lo < 0)
                lo = 0;
            if (hi >= size)
                hi = size - 1;
            for (int offset = lo; offset <= hi; ++offset)
            {
                int i = offset - first;
                int hex = layout.HexColumnOf(i);
                if (hex >= 0)
                    Paint(colors, count, hex, 2, slot.color);
                int tc = layout.TextColumnOf(i);
                if (tc >= 0)
                    Paint(colors, count, tc, 1, slot.color);
            }
        }
    }
    return count;
}
