// The settings group that all text views of one view name share: the font with its eight
// style variants, the cell size measured for it, and the table of colour formats the views
// colour characters and backgrounds with; loaded from and saved to the registry under the
// view name ("Font" and the "Colors" key). A group lives as long as a view of its name.
//
// The group keeps its own copy of the view name: the first view's name may be a temporary
// of its caller, and the group outlives that view when others of the name remain.
#pragma once
#include <windows.h>
#include <stdint.h>

// AnsiFontInfo flags.
enum AnsiFontFlags : uint32_t
{
    AFF_BOLD = 0x01,          // weight 700, else 400
    AFF_ITALIC = 0x02,
    AFF_UNDERLINE = 0x04,
    AFF_FIXED_PITCH = 0x08,   // else variable pitch
    AFF_CLIP_STROKE = 0x10,   // clip precision 15, else 2
};

// The stored font description; also the 44-byte binary registry value "Font".
struct AnsiFontInfo
{
    int32_t width;     // lfWidth
    int32_t height;    // lfHeight
    uint32_t flags;    // AnsiFontFlags
    char faceName[32];
};
static_assert(sizeof(AnsiFontInfo) == 44, "the registry value \"Font\" is 44 bytes");

const COLORREF kSystemColor = 0xFFFFFFFFu;   // the system window (text) colour

// One row of the colour format table.
struct ColorFormat
{
    COLORREF background;   // kSystemColor: the system window colour
    COLORREF text;         // kSystemColor: the system window-text colour
    int32_t id;
    uint32_t style;        // bits 0-2 pick a style font; 0 or negative: the normal font
    char* name;            // own heap copy; NULL ends the table
};

struct AnsiViewSettings
{
    int useCount;
    int groupId;
    HFONT normalFont;
    HFONT styleFonts[8];        // index style & 7; a variant of another cell is the normal font
    int formatCount;
    AnsiFontInfo font;
    ColorFormat* formats;       // formatCount + 1 rows, the last with a NULL name
    uint8_t* formatMap;         // id -> row + 1, built on demand, freed when a row is added
    char* registryPath;         // key of the last load, with the view name; default for saving
    char* viewName;             // own copy
    int forcedCharWidth;
    int forcedLineHeight;
    // Bit s: styleFonts[s] (0 the normal font) advances every byte by exactly gridCellWidth
    // pixels, so that text in it needs no advance per character to keep the cells.
    uint32_t gridFonts;
    int gridCellWidth;
};

// The group of a view name: a live one (use count + 1) or a new one (use count 1, the next
// group id, font flags 8, row 0 "Standard" with id 1 and system colours). A NULL name is the
// empty name. NULL only when memory runs out.
AnsiViewSettings* JoinSettingsGroup(const char* viewName);
// One view less; at 0 the fonts, formats, map, path, name and the group itself are freed.
void LeaveSettingsGroup(AnsiViewSettings* settings);
// Live groups (for the views that walk their group).
int SettingsGroupCount();

// Appends a row; a negative id asks for the row of id -id (-5: id 5) and returns it when it
// exists (nothing added), else appends the row with id -id. A duplicate id is stored as 0. Returns the row index, -1 when
// memory runs out or the settings are NULL.
int AddColorFormat(AnsiViewSettings* settings, COLORREF text, COLORREF background, const char* name, int id,
                   uint32_t style);
// 1 with the row's values, 0 for an index outside the table.
int GetColorFormat(const AnsiViewSettings* settings, int index, COLORREF* text, COLORREF* background,
                   uint32_t* style);
// Row by id (id not 0) or by exact name; -1 when none.
int FindColorFormat(const ColorFormat* table, const char* name, int id);
// The row FindColorFormat finds takes colours, id and style (its name stays): 1, else 0.
int UpdateColorFormat(ColorFormat* table, COLORREF text, COLORREF background, const char* name, int id,
                      uint32_t style);
// A zeroed 256-byte map (the caller frees it with free()): map[id] = row + 1 for ids 0..255
// of the rows up to the NULL name or 257 rows.
uint8_t* BuildColorFormatMap(const ColorFormat* table);
// The row a format pair's low (text) or high (background) byte names: an index past the
// table is row 0; a high byte of 0 means the low byte's row.
int FormatPairTextRow(const AnsiViewSettings* settings, int pair);
int FormatPairBackgroundRow(const AnsiViewSettings* settings, int pair);

// A font from a description (ANSI character set, output precision 6).
HFONT CreateAnsiFont(const AnsiFontInfo& info);

// SetFont's choice of description: with a height the given face at that height (6..48),
// width 0, flags 8; with height 0 the stored description. `faces` receives the faces to try
// in order (the chosen one, "Courier", "Terminal", "Fixedsys", ""); returns their count.
int FontCandidates(int height, const char* face, const AnsiFontInfo& stored, AnsiFontInfo* request,
                   const char* faces[5]);

// The registry path of a view's settings (see the implementation for the parts); 0 and an
// empty buffer when it does not fit; 0 for a size below 1.
int GetViewRegistryPath(char* buffer, int size, const char* name, const char* ownPath);

// Reads "Font" and the "Colors" key from path + "\" + view name (or from ownPath), in the
// machine's hive (machine != 0) or the user's. *fontLoaded tells whether "Font" was taken
// (the window then applies it). 1 when the key and "Colors" were read, else 0.
int LoadViewSettings(AnsiViewSettings* settings, const char* path, int machine, const char* ownPath,
                     bool* fontLoaded);
// Writes them to path, else ownPath, else the stored registry path, in the user's hive.
int SaveViewSettings(const AnsiViewSettings* settings, const char* path, const char* ownPath);
