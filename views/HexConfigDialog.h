// "Konfiguration": the hex view's line layout and status-pane options in a dialog. The
// fields and their rules (filling, ranges, the options that exclude each other, what OK hands
// to the view) are plain functions; the dialog only exchanges and enables.
#pragma once
#include <windows.h>
#include <stdint.h>

class CHexView;

// The indexes of CHexView::GetSetting.
enum HexSettingIndex
{
    HEXSET_BYTES_PER_LINE = 0,
    HEXSET_EXTRA_INTERVAL = 1,
    HEXSET_INSERT_SPACE = 2,
    HEXSET_RASTER = 3,
    HEXSET_WIDTH_RASTER = 4,
    HEXSET_MODE = 5,
    HEXSET_STATUS_MODE = 6,
    HEXSET_ADDRESS_DIGITS = 7,
    HEXSET_GROUP_LOG2 = 8,
    HEXSET_INVERT_MASK = 9,
    HEXSET_SELECTION_RASTER = 10,
    HEXSET_COUNT = 11,
};

enum HexConfigControl
{
    IDC_HC_INSERT_SPACE = 1001,
    IDC_HC_EXTRA_ON = 1002,
    IDC_HC_EXTRA = 1003,
    IDC_HC_FIXED_ON = 1004,
    IDC_HC_FIXED = 1005,
    IDC_HC_RASTER_ON = 1006,
    IDC_HC_RASTER = 1007,
    IDC_HC_WIDTH_RASTER_ON = 1008,
    IDC_HC_WIDTH_RASTER = 1009,
    IDC_HC_DIGITS = 1010,
    IDC_HC_FORMAT_FIRST = 1011,   // 1011..1014 Byte, Word, DWord, QWord
    IDC_HC_VALUE_FIRST = 1015,    // 1015..1017 Byte, Word, DWord
    IDC_HC_POSITIVE = 1018,
    IDC_HC_BIG_ENDIAN = 1019,
    IDC_HC_HEX_DISTANCES = 1020,
    IDC_HC_INVERT = 1021,
    IDC_HC_SELECTION_RASTER = 1022,
};

// The dialog's fields.
struct HexConfigFields
{
    int insertSpace;
    int extraOn;
    int interval;
    int fixedOn;
    int lineWidth;
    int rasterOn;
    int raster;
    int widthRasterOn;
    int widthRaster;
    int digits;
    int groupLog2;       // 0..3
    int valueSize;       // 0..2
    int positive;
    int bigEndian;
    int hexDistances;
    int invert;
    int selectionRaster;
    uint32_t statusMode; // the status mode the fields came from (its other bits are kept)
};

// The fields of a view's settings (the values of GetSetting, indexed by HexSettingIndex).
HexConfigFields FillHexConfig(const int settings[HEXSET_COUNT]);
// After a change: numbers into their ranges (1..256, digits 1..8); `switchedOn` names the
// check box just switched on (IDC_HC_FIXED_ON or IDC_HC_WIDTH_RASTER_ON switch the other off).
void ValidateHexConfig(HexConfigFields* fields, int switchedOn);

// What OK hands to the view: the layout, then the rasters.
struct HexConfigResult
{
    int lineWidth;
    int interval;          // 0: none
    int insertSpace;
    int digits;
    int groupLog2;
    int invert;
    int widthOrFixed;      // width raster, 0 (follow the window), or minus a fixed line width
    int raster;            // 0: off
    uint32_t statusMode;
    int selectionRaster;
};
HexConfigResult HexConfigToSettings(const HexConfigFields& fields);

// Runs the dialog on the view and, on OK, lays the view out anew, sets its rasters and tells
// its parent (notification 11254). The dialog's result.
INT_PTR RunHexConfigDialog(CHexView* view);
