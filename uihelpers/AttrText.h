// Text with one attribute byte per character: colour, background, underline and one of four
// fonts chosen per character, drawn and measured in runs. The list control paints its cells
// with it.
//
// Attribute byte: bits 0-4 a colour field, split by the flags' bits 28-29 into n = 5 - split
// low bits of text colour index (0 = the default text colour) and 5 - n bits of background
// index b (0 = no background of its own, else colour table entry 32 - b); bit 5 underline;
// bits 6-7 the font index (ignored without fonts).
//
// Flags word of the drawing functions: bits 0-23 ExtTextOut options (ETO_OPAQUE and
// ETO_CLIPPED are read too); bits 24-26 how many fonts are measured for the common baseline
// (0: those the attributes use; above 4 counts as 4); bits 28-29 the colour split; bit 30 x
// and y count from the rectangle's top-left corner; bit 31 the default text colour is table
// entry 0 instead of the device context's text colour.
#pragma once
#include <windows.h>

// The colour table used when a caller gives none (0x00BBGGRR).
extern const COLORREF DefaultAttrColors[32];

enum : DWORD {
    ATTR_FONT_COUNT_SHIFT = 24,
    ATTR_FONT_COUNT_MASK = 0x07000000,
    ATTR_SPLIT_SHIFT = 28,
    ATTR_SPLIT_MASK = 0x30000000,
    ATTR_RELATIVE = 0x40000000,
    ATTR_DEFAULT_FROM_TABLE = 0x80000000
};
enum : BYTE {
    ATTR_UNDERLINE = 0x20,
    ATTR_FONT_SHIFT = 6
};

// --- The window-free rules ------------------------------------------------------------------

// Bits of text colour index under the flags' colour split (5, 4, 3 or 2).
int AttrTextBits(DWORD flags);
// The text colour index and the background index of an attribute.
int AttrTextIndex(BYTE attribute, DWORD flags);
int AttrBackgroundIndex(BYTE attribute, DWORD flags);
// Length of the run that starts at `start`: characters whose attribute (masked) equals the
// first one's, and blanks (0x20, 0xA0) whose attribute differs from it only in the text
// colour bits.
int AttrRunLength(const char* text, const BYTE* attributes, int start, int count, BYTE mask, DWORD flags);
int AttrRunLength(const wchar_t* text, const BYTE* attributes, int start, int count, BYTE mask, DWORD flags);

// The fonts of one line on a common baseline: ascent and height of each of the four fonts
// (only those marked measured count). The baseline lies the largest ascent below the line's
// top, or, for a line aligned to the bottom, the largest descent above the line's height
// (the largest height); each font's run starts offset[i] below the line's top, so that its
// own ascent ends on the baseline. A font not measured counts with the largest ascent.
struct FontLine {
    int offset[4];
    int ascent;    // the largest ascent
    int height;    // the largest height
    int baseline;  // below the line's top
};
FontLine AttrFontLine(const int ascent[4], const int height[4], const bool measured[4], bool bottom);

// Tab stops of a tabbed line: listed stops (a negative one right-aligns what follows at its
// absolute value) and, past them, every `spacing` pixels counted from `origin`.
struct AttrTabStops {
    int count;
    const int* stops;
    int origin;
    int spacing;
};
// Where the text after one TAB starts when the TAB is met at x and the text is `width` wide.
int NextTabPosition(int x, int width, const AttrTabStops& tabs);

// --- Drawing and measuring -----------------------------------------------------------------------

// Draws one line of attributed text at (x, y) with ExtTextOut; `rect` is ExtTextOut's
// clipping or opaque rectangle; colours a table of 32 or null (DefaultAttrColors); fonts an
// array of four or null. Returns the x after the last run. Without attributes it is a plain
// ExtTextOut (in fonts[0] when given) and returns ExtTextOut's result. Runs of fonts of
// different ascent share one baseline; underlines lie one pixel below it.
int DrawAttrTextA(HDC dc, int x, int y, DWORD flags, const RECT* rect, const char* text, int count,
                  const BYTE* attributes, const COLORREF* colours, const HFONT* fonts);
int DrawAttrTextW(HDC dc, int x, int y, DWORD flags, const RECT* rect, const wchar_t* text, int count,
                  const BYTE* attributes, const COLORREF* colours, const HFONT* fonts);

// The same per run with DrawTextExW: one line, no prefix; DT_CENTER, DT_RIGHT, DT_VCENTER and
// DT_BOTTOM of `format` place the whole text in the rectangle. Returns the line height;
// with DT_CALCRECT only measures (the rectangle gets the text's size).
int DrawAttrTextExW(HDC dc, RECT* rect, DWORD flags, UINT format, const wchar_t* text, int count,
                    const BYTE* attributes, const COLORREF* colours, const HFONT* fonts);

// GetTextExtentExPoint over text whose characters use the fonts of their attributes (runs of
// one font index); the fit count stops inside the first run that does not fit whole, and
// no partial extents are written beyond it. Returns 1; without attributes or fonts, or for
// a count below 1, it is the plain call in the current font and returns its result. Bits
// 28-30 of the count are ignored in the attributed case.
int MeasureAttrTextA(HDC dc, const char* text, int count, int maxExtent, int* fit, int* partial, SIZE* size,
                     const BYTE* attributes, const HFONT* fonts);
int MeasureAttrTextW(HDC dc, const wchar_t* text, int count, int maxExtent, int* fit, int* partial, SIZE* size,
                     const BYTE* attributes, const HFONT* fonts);

// The width a tabbed single line takes drawn from x: each TAB moves to the next stop
// (NextTabPosition); one tab stop given is the spacing, else the spacing is 8 average
// characters. Count below 1 gives 0.
int GetTabbedAttrTextExtentA(HDC dc, int x, const char* text, const BYTE* attributes, int count, int tabCount,
                             const int* tabStops, int tabOrigin, const HFONT* fonts);
int GetTabbedAttrTextExtentW(HDC dc, int x, const wchar_t* text, const BYTE* attributes, int count, int tabCount,
                             const int* tabStops, int tabOrigin, const HFONT* fonts);

// Sets the background colour of the attribute's background index and returns it; without a
// background index (or with the colour split leaving none) the current background colour
// stays and is returned.
COLORREF SetAttrBkColor(HDC dc, DWORD flags, BYTE attribute, const COLORREF* colours);
