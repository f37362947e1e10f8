// The hex view's own registry values (line layout, status pane mode, address digits, mode
// word) under the application key, next to the value search's lists and flags and the
// shared text-view group "Hex" (font and colours, ViewSettings.h).
#pragma once
#include "views/HexCursor.h"

#include <stdint.h>

struct ValueSearchSettings;

struct HexViewSettings
{
    int insertSpace;       // "InsertSpace": blank between value groups
    int extraSpace;        // "ExtraSpace": extra blank every n bytes (0 none)
    int lineWidth;         // "LineWidth": requested bytes per line
    int raster;            // "Raster": raster of line starts
    int widthRaster;       // "WidthRaster": raster of the line width
    int invertBytes;       // "InvertBytes": 0, else group size - 1
    int outputFormat;      // "OutputFormat": group size as log2
    int selectionRaster;   // "SelectionRaster"
    uint32_t statusbarMode;// "StatusbarMode"
    int addressLength;     // "AddressLength": address digits
    uint32_t hexFlags;     // "HexFlags": the mode word (on reading only bits 1 to 3 count)
};

// The values a view starts with.
HexViewSettings DefaultHexViewSettings();

// Reads the values that exist from the application key (plus `subkey` when given) into
// `settings`; "HexFlags" replaces only bits 1 to 3 of settings->hexFlags; a line width below
// 1 becomes 16. With `search` the value search's lists and flags are read from the same key.
// Returns 1 (also when the key is missing: the values stay as they were).
int LoadHexViewSettings(HexViewSettings* settings, const char* subkey, ValueSearchSettings* search);
// Writes every value (and the search's lists and flags with `search`); 0 when the key
// cannot be created, else 1.
int SaveHexViewSettings(const HexViewSettings& settings, const char* subkey, const ValueSearchSettings* search);

// The settings onto a model (mode bits 1 to 3, rasters, layout) and back.
void ApplyHexViewSettings(CHexModel& model, const HexViewSettings& settings);
HexViewSettings CollectHexViewSettings(const CHexModel& model, uint32_t statusbarMode);

// The configuration's raster step: `width` 0 lets the line width follow the window (width
// raster 1), above 0 follows it on a width raster of that many bytes, below 0 fixes the
// line width at -width (at most 256); `raster` below 1 switches line-start snapping off.
// The status mode is replaced unless the current one has bit 31 (a change sets 0x1000); a
// selection raster of 0 or more is stored. With the automatic width newly on, the width is
// fitted to `windowColumns`, else the layout is recomputed. Returns the requested bytes per
// line.
int SetHexRasters(CHexModel& model, int width, int raster, uint32_t* statusMode, uint32_t newStatusMode,
                  int selectionRaster, int windowColumns);
