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

char MenuItemLetter(const char* text)
{
    for (const char* p = text; p && *p; ++p) {
        if (*p != '&')
            continue;
        if (p[1] != '&')
            return p[1];
        ++p;
    }
    return 0;
}

namespace {
// Letters of code page 1252 as the menu compares them (Ä and ä are one letter).
char FoldLetter(char c)
{
    return static_cast<char>(reinterpret_cast<UINT_PTR>(::CharUpperA(reinterpret_cast<LPSTR>(
        static_cast<UINT_PTR>(static_cast<unsigned char>(c))))));
}
}  // namespace

MenuLetterChoice ChooseMenuItemByLetter(const char* const* texts, int count, int highlighted, char letter)
{
    MenuLetterChoice choice = {-1, false};
    if (!texts || count <= 0 || !letter)
        return choice;
    const char wanted = FoldLetter(letter);
    int matches = 0;
    int first = -1;
    int afterHighlight = -1;
    for (int i = 0; i < count; ++i) {
        const char own = MenuItemLetter(texts[i]);
        if (!own || FoldLetter(own) != wanted)
            continue;
        ++matches;
        if (first < 0)
            first = i;
        if (afterHighlight < 0 && i > highlighted)
            afterHighlight = i;
    }
    if (matches == 0)
        return choice;
    choice.execute = matches == 1;
    choice.index = matches == 1 || afterHighlight < 0 ? first : afterHighlight;
    return choice;
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
