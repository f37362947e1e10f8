// The window-free side of the main frame's owner-drawn menus: the record each drawn item
// carries, the three forms of an item's owner-draw data, the split of an item text into
// its text part and its accelerator, the command-id table that gives each toolbar command
// its image, and the colours the menus are drawn in.
#pragma once
#include <windows.h>
#include <cstdint>

// One owner-drawn command item; its address + 1 is the item's owner-draw data.
struct MenuItemRecord {
    char text[64];          // the whole text with tab and accelerator, at most 63 characters
    int32_t tabPosition;    // length of the text part; -1 when the text has no tab
    uint16_t image;         // 0xFFFF: no image
    uint16_t height;
    uint16_t width;         // text column width + accelerator width
    uint16_t textColumn;    // the text column's width, icon column included
};
static_assert(sizeof(MenuItemRecord) == 76, "the menu item record is 76 bytes");

const uint16_t kMenuNoImage = 0xFFFF;
const UINT kFirstRecentFileCommand = 57616;
const UINT kLastRecentFileCommand = 57631;
const int kMenuCommandTableSize = 512;
const int kMenuPopupStackDepth = 64;
// The owner-draw data of a popup that InsertPopup made (and RemovePopupById destroys).
const ULONG_PTR kInsertedPopupMark = 0xFF55AA88;

// --- owner-draw data
inline bool IsRecordData(ULONG_PTR data)
{
    return (data & 1) != 0;
}
inline MenuItemRecord* RecordOfData(ULONG_PTR data)
{
    return IsRecordData(data) ? reinterpret_cast<MenuItemRecord*>(data - 1) : nullptr;
}
inline ULONG_PTR DataOfRecord(const MenuItemRecord* record)
{
    return reinterpret_cast<ULONG_PTR>(record) + 1;
}
// A recent-file item: width in bits 16-31, height in bits 8-15, slot in bits 2-7.
DWORD MakeRecentFileData(int width, int height, UINT command);
inline int RecentDataWidth(ULONG_PTR data) { return static_cast<int>((data >> 16) & 0xFFFF); }
inline int RecentDataHeight(ULONG_PTR data) { return static_cast<int>((data >> 8) & 0xFF); }
inline int RecentDataSlot(ULONG_PTR data) { return static_cast<int>((data >> 2) & 0x3F); }

// --- texts
struct MenuTextParts {
    int textLength;      // up to the first tab or the end
    int tabPosition;     // the same, or -1 without a tab
    const char* accelerator;   // after the tab, or null
    bool endsWithNoBreakSpace; // the text part ends with 0xA0: never an icon
};
MenuTextParts SplitMenuText(const char* text);
// The accelerator column: the accelerator's width + 2, at least 24; 0 without one.
int AcceleratorColumnWidth(bool hasTab, int acceleratorWidth);
// Gives the record a new text column width (its item width moves along).
void ApplyMenuColumnWidth(MenuItemRecord* record, int width);

// --- menu letters
// The letter after the text's "&" ("&&" is a plain "&"), 0 without one.
char MenuItemLetter(const char* text);
// Which item a typed letter picks in a popup whose item texts are given (null for items
// without text), compared without regard to case. One item with that letter: it runs
// (`execute`); several: the next one after the highlighted item (-1 none) is selected,
// round from the end to the start; none: index -1.
struct MenuLetterChoice {
    int index;
    bool execute;
};
MenuLetterChoice ChooseMenuItemByLetter(const char* const* texts, int count, int highlighted, char letter);

// --- the command table: one entry per toolbar image, its index the image index
// Appends the non-zero ids, up to kMenuCommandTableSize entries; the new count.
int AppendToolbarCommands(uint16_t* table, int count, const WORD* ids, int idCount);
// The last index holding the command (a command with two buttons takes the later
// image), -1.
int LastCommandIndex(const uint16_t* table, int count, UINT command);

// --- colours (the halves are uihelpers' MixHalfColors)
// A quarter of `quarter` and three quarters of `rest`.
COLORREF MenuMixQuarter(COLORREF quarter, COLORREF rest);
struct MenuColours {
    COLORREF background;
    COLORREF selection;
    COLORREF iconSelection;
    COLORREF dark;
    COLORREF light;
    COLORREF selectedText;
    COLORREF text;
};
// From the system colours (COLOR_WINDOW, COLOR_HIGHLIGHT, COLOR_GRAYTEXT, ...).
MenuColours MenuColoursFrom(COLORREF window, COLORREF highlight, COLORREF grayText, COLORREF captionText,
                            COLORREF menuText);
