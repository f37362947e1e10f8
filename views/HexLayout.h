// The line layout of the hex view without its window: which character column of a line
// holds the address, each byte's two hex digits and its text character, for every setting
// of line width, value groups, blanks, inverted groups and hidden columns; the reverse
// mapping for clicks; and the automatic line width that fits a window.
//
// A line is: address digits and two blanks | the hex column (two digits a byte, a blank
// after each value group with insert space, one more after every extra interval, two at the
// end) | the text column (one character a byte). Hidden columns take no room.
#pragma once
#include <stdint.h>

// Mode word of the hex view.
enum HexViewMode : uint32_t
{
    HVM_PROTECTED = 0x0001,      // no typing, paste, value input, undo or redo
    HVM_AUTO_WIDTH = 0x0002,     // the line width follows the window width
    HVM_RASTER = 0x0004,         // line starts are kept on the raster
    HVM_WIDTH_RASTER = 0x0008,   // bytes per line is a multiple of the width raster
    HVM_NO_HEX = 0x0010,
    HVM_NO_TEXT = 0x0020,
    HVM_NO_ADDRESS = 0x0040,
    HVM_SAVE_SETTINGS = 0x0080,  // settings saved when the view goes
    HVM_OWNS_DATA = 0x0100,
    HVM_LAYOUT_STALE = 0x4000,
    HVM_MODIFIED = 0x8000,

    HVM_PUBLIC_MASK = 0x807F,    // the bits SetModeFlags and GetModeFlags deal in
    HVM_LAYOUT_BITS = 0x4076,    // the bits whose change needs a new layout
};

// Cursor areas.
enum HexArea
{
    HEX_AREA_HEX = 0,
    HEX_AREA_TEXT = 1,
    HEX_AREA_ADDRESS = 2,
};

// What lies under a column of a line.
struct HexColumnHit
{
    int area;         // HexArea: left of address width - 2 the address, before the text the hex
    int byteIndex;    // byte in the line (0 .. bytes per line - 1), inversion applied
    bool secondDigit; // hex column: the column lies after the byte's first digit
    int pastFirst;    // hex column: columns from the byte's first digit (2 and more: a blank)
};

class CHexLayout
{
public:
    static const int kNoExtraInterval = 4096;   // an extra interval of 0 is kept as this
    static const int kMaxBytesPerLine = 256;

    CHexLayout();

    // Lays the line out again; a negative argument keeps the current request. Returns
    // false when nothing that decides the layout changed (including the mode bits
    // HVM_LAYOUT_BITS since the last layout), true when it was recomputed.
    bool Layout(int bytesPerLine, int extraInterval, int insertSpace, int addressDigits, int groupLog2,
                int invert, uint32_t mode);

    // Raster requests (taken at the next layout): below 1 they become 1.
    void SetRasterRequests(int raster, int widthRaster);

    // Column of byte `index` of a line: in the hex column its first digit, in the text
    // column its character. -1 when that column is hidden or the index is outside the line.
    int HexColumnOf(int index) const;
    int TextColumnOf(int index) const;

    // The byte under a column (clamped into the line).
    HexColumnHit HitColumn(int column) const;

    // Lines for `size` bytes whose first line starts `alignment` bytes before offset 0.
    int LineCount(int size, int alignment) const;

    // Bytes per line that fit `windowColumns` columns, at least 1 (not yet rounded to the
    // groups and rasters: the layout does that); the current width when no column is shown
    // that bytes fill.
    int AutoBytesPerLine(int windowColumns) const;

    // Effective values.
    int BytesPerLine() const { return m_bytesPerLine; }
    int ExtraInterval() const { return m_extraInterval; }
    int InsertSpace() const { return m_insertSpace; }
    int GroupLog2() const { return m_groupLog2; }
    int GroupSize() const { return 1 << m_groupLog2; }
    int InvertMask() const { return m_invertMask; }
    int Raster() const { return m_raster; }
    int WidthRaster() const { return m_widthRaster; }
    int AddressDigits() const { return m_addressDigits; }
    int AddressWidth() const { return m_addressWidth; }
    int HexWidth() const { return m_hexWidth; }
    int TextWidth() const { return m_textWidth; }
    int HexStart() const { return m_hexStart; }
    int TextStart() const { return m_textStart; }
    int LineLength() const { return m_lineLength; }
    uint32_t Mode() const { return m_mode; }

    // Requested values (the settings as stored).
    int RequestedBytesPerLine() const { return m_requestedBytesPerLine; }
    int RequestedExtraInterval() const { return m_requestedExtraInterval; }
    int RequestedRaster() const { return m_requestedRaster; }
    int RequestedWidthRaster() const { return m_requestedWidthRaster; }
    bool InvertRequested() const { return m_invert != 0; }

private:
    int SlotColumn(int slot) const;   // hex column of display slot j, relative to hex start
    int AutoBytesUnclamped(int windowColumns) const;

    int m_requestedBytesPerLine;
    int m_requestedExtraInterval;
    int m_requestedRaster;
    int m_requestedWidthRaster;
    int m_invert;
    int m_bytesPerLine;
    int m_extraInterval;
    int m_insertSpace;
    int m_groupLog2;
    int m_invertMask;
    int m_raster;
    int m_widthRaster;
    int m_addressDigits;
    int m_addressWidth;
    int m_hexWidth;
    int m_textWidth;
    int m_hexStart;
    int m_textStart;
    int m_lineLength;
    uint32_t m_mode;
    bool m_laidOut;
    int m_laidInsertSpace;
    int m_laidGroupLog2;
};
