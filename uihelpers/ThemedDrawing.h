// Small drawing services with a visual style where one is active and a classic form
// otherwise: embossed (disabled) text, the one-pixel 3-D frame, control glyphs (tree expand
// box, menu check mark and bullet, drop-down arrow; classically from the "Marlett" symbol
// font), and push buttons, check boxes, combo-box buttons and menu items. User-interface
// thread only.
//
// The main window and the controls call DrawThemedGlyph with (x, y, width, height): that is
// the rectangle form below with an inset of 0; their DrawDisabledTextW flags are DrawText's,
// whose DT_CENTER, DT_RIGHT, DT_VCENTER, DT_BOTTOM and DT_NOPREFIX are the align bits here;
// DrawFrame3d's flags mean the same for them (7: sunken, filled with COLOR_3DLIGHT).
#pragma once
#include <windows.h>
#include <commctrl.h>

// Disabled text drawn with DrawState in the rectangle. Align bits: 1 centre, 2 right, 4
// centre vertically, 8 bottom, 0x800 no prefix processing (else "&" marks an accelerator
// and does not count in the width). Count below 0: up to the NUL. An empty rectangle gives
// 0; an empty text 1 (8-bit form) or an empty DrawState (wide form); else DrawState's result.
int DrawDisabledTextA(HDC dc, const char* text, int count, const RECT* rect, UINT align);
int DrawDisabledTextW(HDC dc, const wchar_t* text, int count, const RECT* rect, UINT align);
// Where the text of that size starts in the rectangle under those align bits.
POINT DisabledTextOrigin(const RECT& rect, SIZE text, UINT align);

enum : UINT {
    FRAME3D_SUNKEN = 1,      // dark top-left, light bottom-right (else raised)
    FRAME3D_FILL = 2,        // fill the inside with COLOR_BTNFACE
    FRAME3D_FILL_LIGHT = 4,  //   with COLOR_3DLIGHT instead
    FRAME3D_BK_COLOR = 8     // both edges in the device context's background colour
};
// A one-pixel 3-D frame of four opaque strips; nothing when width or height is below 1.
void DrawFrame3d(HDC dc, int x, int y, int width, int height, UINT flags);

// Glyph flags: bits 0-3 the state, bits 4-7 the kind, and:
enum : UINT {
    GLYPH_TREE_BOX = 0x00,     // states 1 closed (plus), 2 open (minus)
    GLYPH_MENU_CHECK = 0x10,   // states 1, 2 check mark (2 disabled), 3, 4 bullet (4 disabled)
    GLYPH_DROP_ARROW = 0x20,   // states 2, 6 hot; 3, 5, 6 pressed or checked; 4 disabled
    GLYPH_ERASE = 0x200,       // fill the rectangle in the background colour first
    GLYPH_CLASSIC = 0x400,     // never use the visual style
    GLYPH_INSET_XY = 0x800     // the inset holds two signed 16-bit values (low x, high y)
};
// Draws one glyph into the rectangle shrunk by the inset on both sides. Returns 1 when a
// glyph was drawn; kinds above 2 and the check glyph's state 0 draw none.
int DrawThemedGlyph(HDC dc, const RECT* rect, UINT flags, int inset);
// The colour of a hot drop-down arrow: each channel of both colours halved and added.
COLORREF MixHalfColors(COLORREF a, COLORREF b);
// The heights of the two Marlett fonts the classic glyphs keep (0: none yet).
void GetGlyphFontHeights(int heights[2]);

// A push button face with its text. States as the style's: 1 normal, 2 hot, 3 pressed, 4
// disabled, 5 default. Classic: DrawEdge, and disabled text embossed.
int DrawThemedButton(HDC dc, const RECT* rect, const wchar_t* text, int count, int state, UINT textFormat);
// A check box (or radio button) glyph of the themed glyph size at (x, y). States as the
// style's: 1-4 unchecked (normal, hot, pressed, disabled), 5-8 checked, 9-12 mixed.
int DrawThemedCheckBox(HDC dc, int x, int y, int state, BOOL radio);
// The drop-down button of a combo box. States: 1 normal, 2 hot, 3 pressed, 4 disabled.
int DrawThemedComboButton(HDC dc, const RECT* rect, int state);

enum : UINT {
    MENUITEM_CHECKED = 1,
    MENUITEM_DISABLED = 2,
    MENUITEM_SELECTED = 4,
    MENUITEM_BAR = 8  // an item of the menu bar rather than of a popup
};
// A menu item: background, an image (from the image list, else the bitmap, else the check
// glyph when checked) in a square column at the left, and the text ("&" marks the
// accelerator).
int DrawThemedMenuItem(HDC dc, const RECT* rect, const wchar_t* text, int count, HIMAGELIST images, int image,
                       HBITMAP bitmap, UINT state);
