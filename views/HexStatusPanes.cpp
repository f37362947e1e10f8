#include "views/HexStatusPanes.h"

#include "textlib/IntFormat.h"
#include "textlib/StrPrintf.h"

int FormatHexAddressPane(const CHexModel& model, uint32_t statusMode, char* text, int size)
{
    if (!text || size < 1)
        return 0;
    const uint32_t address = static_cast<uint32_t>(model.Base() + static_cast<uint32_t>(model.Cursor()));
    char hex[INT_FORMAT_MAX_TEXT];
    char second[INT_FORMAT_MAX_TEXT + 8];
    FormatInteger(static_cast<int>(address), hex, IFF_HEX);
    if (model.HasSelection())
    {
        const HexRangeSlot& slot = model.Slots()[0];
        int length = 0;
        model.GetSelection(false, &length);
        char number[INT_FORMAT_MAX_TEXT];
        FormatInteger(length, number, (statusMode & HSM_HEX_LENGTH) ? IFF_HEX : IFF_SIGNED);
        StrNPrintf(second, sizeof(second), "M: %c%s", slot.start <= slot.end ? '+' : '-', number);
    }
    else
    {
        FormatInteger(static_cast<int>(address), second, IFF_UNSIGNED);
    }
    return StrNPrintf(text, size, " Adr: %s / %s", hex, second);
}

int FormatHexValuePane(const CHexModel& model, uint32_t statusMode, char* text, int size)
{
    if (!text || size < 1)
        return 0;
    static const int kSizes[4] = { 1, 2, 4, 4 };
    int offset = model.Cursor();
    int bytes = kSizes[statusMode & HSM_VALUE_SIZE_MASK];
    if (model.HasSelection())
    {
        int length = 0;
        offset = static_cast<int>(model.GetSelection(false, &length));
        bytes = length < 1 ? 1 : (length > 4 ? 4 : length);
    }
    uint32_t value = 0;
    int read = ReadCursorValue(model.Data(), model.Size(), offset, bytes, (statusMode & HSM_BIG_ENDIAN) != 0, &value);
    if (read <= 0)
        return StrNPrintf(text, size, " Wert:");
    const int bits = 8 * read;
    if (bits < 32)
        value &= (1u << bits) - 1;
    uint32_t extended = value;
    if (bits < 32 && (value >> (bits - 1)) & 1)
        extended |= ~0u << bits;
    char hex[INT_FORMAT_MAX_TEXT];
    char decimal[INT_FORMAT_MAX_TEXT];
    FormatInteger(static_cast<int>(value), hex, IFF_RADIX | 16);
    if (statusMode & HSM_UNSIGNED)
        FormatInteger(static_cast<int>(value), decimal, IFF_UNSIGNED);
    else
        FormatInteger(static_cast<int>(extended), decimal, IFF_SIGNED);
    return StrNPrintf(text, size, " Wert: 0x%s / %s", hex, decimal);
}
