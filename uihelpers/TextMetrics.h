// Text widths in pixels and the shortening of a path with "...\" so that it fits a width.
// The progress dialog shows file names this way; the measuring routines also serve the
// splitter and grip code. A width table holds the width of each 8-bit character code in
// one font (cut to its low byte); routines given no table count one pixel a character.
#pragma once
#include <windows.h>

// Extent of `length` characters of the text (-1: up to its NUL) in the font on a screen
// device context; *height (when given) receives its height. 0 and height 0 when the text
// is NULL or cannot be measured.
int GetFontTextExtent(const char* text, HFONT font, int length, int* height);
// The same with the window's own font (WM_GETFONT) on the window's device context.
int GetWindowTextExtent(const char* text, HWND window, int length, int* height);

// Sum of the table widths of the characters up to `count` or the first NUL, CR or LF;
// without a table the number of those characters. A count below 1 gives 0.
int TextWidthByTable(const char* text, const unsigned char* table, int count);

// Widths of the character codes 0-255 in the dc's current font (256 bytes). Returns 256,
// 0 when the dc or the table is missing.
int GetCharWidthTable(HDC dc, unsigned char* table);
// The same in a stock font (-1: the stock ANSI variable font) or in the given font, each
// measured on a screen device context.
int GetStockFontWidthTable(unsigned char* table, int stockFont);
int GetFontWidthTable(unsigned char* table, HFONT font);

// Shortens the path to the width: the root and then `frontCount` leading components are
// kept (as far as they fit), the middle becomes "...\", and as many trailing components as
// fit follow; the file name always stays. Writes at most size - 1 characters and the
// terminator; returns the output length (0 when size is below 2).
int CompactPathToWidth(const char* path, char* out, int size, int width, const unsigned char* table,
                       int frontCount);
// The same after taking from the width the width of a text shown before the path (up to
// beforeLength characters, or only up to where the path begins when the path lies inside
// that text) and of a text shown after it (afterLength characters; -1 up to the NUL).
int CompactPathToWidthEx(const char* path, char* out, int size, int width, const unsigned char* table,
                         int frontCount, const char* before, const char* after, int afterLength,
                         int beforeLength);
