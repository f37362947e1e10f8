#include "app/MenuIconModel.h"

#include "uihelpers/ThemedDrawing.h"

#include <algorithm>
#include <cstring>

DWORD MakeRecentFileData(int width, int height, UINT command)
{
    const DWORD slot = (command - kFirstRecentFileCommand) & 0x3F;
    return (static_cast<DWORD>(std::min(std::max(width, 0), 0xFFFF)) << 16) |
           (static_cast<DWORD>(std::min(std::max(height, 0), 0xFF)) << 8) | (slot << 2);
}

MenuTextParts SplitMenuText(const char* text)
{
    MenuTextParts parts = {0, -1, nullptr, false};
    if (!text)
        return parts;
    const char* tab = std::strchr(text, '\t');
    parts.textLength = static_cast<int>(tab ? tab - text : std::strlen(text));
    if (tab) {
        parts.tabPosition = parts.textLength;
        parts.accelerator = tab + 1;
    }
    parts.endsWithNoBreakSpace =
        parts.textLength > 0 && static_cast<unsigned char>(text[parts.textLength - 1]) == 0xA0;
    return parts;
}

int AcceleratorColumnWidth(bool hasTab, int acceleratorWidth)
{
    return hasTab ? std::max(acceleratorWidth + 2, 24) : 0;
}

void ApplyMenuColumnWidth(MenuItemRecord* record, int width)
{
    if (!record)
        return;
    const int item = record->width - record->textColumn + width;
    record->width = static_cast<uint16_t>(std::min(std::max(item, 0), 0xFFFF));
    record->textColumn = static_cast<uint16_t>(std::min(std::max(width, 0), 0xFFFF));
}

int AppendToolbarCommands(uint16_t* table, int count, const WORD* ids, int idCount)
{
    for (int i = 0; i < idCount && count < kMenuCommandTableSize; ++i) {
        if (ids[i])
            table[count++] = ids[i];
    }
    return count;
}

int LastCommandIndex(const uint16_t* table, int count, UINT command)
{
    for (int i = count - 1; i >= 0; --i) {
        if (table[i] == command)
            return i;
    }
    return -1;
}

COLORREF MenuMixQuarter(COLORREF quarter, COLORREF rest)
{
    const COLORREF q = (rest & 0xFCFCFC) >> 2;
    return ((quarter & 0xFCFCFC) >> 2) + q + q + q;
}

MenuColours MenuColoursFrom(COLORREF window, COLORREF highlight, COLORREF grayText, COLORREF captionText,
                            COLORREF menuText)
{
    MenuColours c;
    c.background = window;
    c.selection = MixHalfColors(highlight, window);
    c.iconSelection = MixHalfColors(c.selection, highlight);
    c.dark = MenuMixQuarter(window, grayText);
    c.light = MenuMixQuarter(grayText, window);
    c.selectedText = captionText;
    c.text = menuText;
    return c;
}
