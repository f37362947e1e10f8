// Fonts of the user interface: a process-wide cache that hands out one GDI font per
// distinct description, the four interface fonts (normal, bold, fixed pitch, bold fixed
// pitch) with the interface character cell, bold and fixed-pitch variants of a font, text
// measuring with alignment of a rectangle around the text, the sizes of the themed check
// box and radio button glyphs, and the menu background colours. Fonts handed out here live
// until the process ends; callers never delete them. User-interface thread only.
//
// The main window and the controls know MeasureTextW as (dc or null, text, length, DrawText
// flags, font) giving width | height << 16: that is the form below with MEASURE_PACKED.
// With a dc its fifth argument is a RECT, not a font: such a caller selects the font into
// its dc itself and passes no rect, or passes a null dc and the font.
#pragma once
#include <windows.h>

// The cached font of the description, else a new one (CreateFontIndirectA) added to the
// cache; 0 when it cannot be created (nothing is cached then) or its height or width does
// not fit 16 bits. Descriptions match on face name (exact), height, width, weight, italic,
// underline, character set and pitch and family.
HFONT CreateCachedFont(const LOGFONTA* description);
// The same for a UTF-16 description; the face name is narrowed to the low byte of each unit
// (at most 31) in a copy.
HFONT CreateCachedFontW(const LOGFONTW* description);
// Number of fonts in the cache.
int GetFontCacheCount();

// The cached bold variant (weight 700, height minus the character height, width the average
// character width, escapement 1, output precision 5, face and style of the font); 0 for no
// font.
HFONT MakeBoldFont(HFONT font);
// A cached fixed-pitch font of the same character height with the face of the system's ANSI
// fixed font ("Courier" becomes "Courier New"); 0 for no font.
HFONT MakeFixedFont(HFONT font);

// Interface font kinds: bit 0 bold, bit 1 fixed pitch.
enum { UIFONT_NORMAL = 0, UIFONT_BOLD = 1, UIFONT_FIXED = 2, UIFONT_BOLD_FIXED = 3 };
// The interface font of the kind, built once; 0 for a kind above 3.
HFONT GetUiFont(int kind);
// The kind's average character width and height (either pointer may be null); returns the
// height. A kind above 3 gives zeros and 0.
int GetUiFontCell(int* width, int* height, int kind);

// Measuring flags of MeasureTextA/W beside the DrawText flags of bits 5-15 (DT_CALCRECT is
// always added; bits 0-4 only steer the alignment below).
enum : DWORD {
    MEASURE_CENTER = 0x1,        // with MEASURE_ALIGN_RECT: centre horizontally
    MEASURE_RIGHT = 0x2,         //   right-align
    MEASURE_VCENTER = 0x4,       //   centre vertically
    MEASURE_BOTTOM = 0x8,        //   align to the bottom
    MEASURE_ALIGN_RECT = 0x20000000,  // shrink the rect around the text
    MEASURE_SIZE_TO_RECT = 0x40000000,  // rect->left = width, rect->top = height
    MEASURE_PACKED = 0x80000000  // the result is width | height << 16
};
// Measures with DrawText and DT_CALCRECT. With a dc, `rectOrFont` is a RECT (or null) that
// starts the measuring (its width wraps DT_WORDBREAK text) and receives the result: with
// MEASURE_SIZE_TO_RECT the size, with MEASURE_ALIGN_RECT the aligned rect, else its left
// field the text height. Without a dc the screen's is used and `rectOrFont` is a font to
// select (or null). Returns the width, or the packed size with MEASURE_PACKED.
int MeasureTextA(HDC dc, const char* text, int length, DWORD flags, void* rectOrFont);
int MeasureTextW(HDC dc, const wchar_t* text, int length, DWORD flags, void* rectOrFont);
// What MeasureTextA/W do to the rect once the text measures width x height.
void ApplyTextMeasure(RECT* rect, int width, int height, DWORD flags);

// Width and height of the themed check box (kind 0) or radio button (kind 1) glyph: 1, or 0
// for another kind.
int GetThemeGlyphSize(int kind, SIZE* size);

// The character height of the font in the window's own device context; 0 when unreadable.
int GetWindowFontHeight(HWND window);

// The menu background colour: for COLOR_MENU (4) and the menu bar (31), with a visual style
// active, the colour at the centre of the themed popup or bar background; otherwise the
// system menu colour. Kept per index.
COLORREF GetMenuColor(int index);
