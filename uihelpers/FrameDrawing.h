// Frame edges, splitter bars, grips and button bitmaps: the hit test that picks the edge
// or corner of a rectangle under the mouse (with its sizing cursor), the 7-pixel bar the
// disk view draws between its panes, a small grip with an arrow, and a device bitmap made
// from a packed DIB with the system's button colours put in.
#pragma once
#include <windows.h>

// Edge codes: bit 0 left, bit 1 right, bit 2 top, bit 3 bottom (corners combine two).
enum {
    EDGE_LEFT = 1, EDGE_RIGHT = 2, EDGE_TOP = 4, EDGE_BOTTOM = 8
};

// The edge code of the point: with border > 0 the point must lie in the rect but not in
// the rect shrunk by the border, with border < 0 in the rect grown by -border but not in
// the rect shrunk by -border; border 0 tests no band. Corner zones are 20 pixels (half the
// side when that is below 40). Excluded bits are cleared; *cursor (when given) receives
// the matching sizing cursor, NULL for none.
int HitTestFrameEdge(const RECT& rect, int x, int y, int border, int excluded, HCURSOR* cursor);

// Grip offset word: low 16 bits a signed offset along the bar, bits 16-17 the anchor (0
// the start, 1 the centre, 2 the end), bits 18-19 turn the arrow over.
int GripStart(int length, DWORD offsetWord);
// 1 when the point lies within position .. position + 6 across and the grip's 19 pixels
// along.
int HitTestGrip(int position, int length, DWORD offsetWord, int across, int along);
void DrawGripHorz(HDC dc, int position, int length, DWORD offsetWord);
void DrawGripVert(HDC dc, int position, int length, DWORD offsetWord);

// A 7-pixel bar across the length, drawn as one-pixel lines at offsets 0..6 from the
// position (3-D light, white, three of button face, shadow, black). A horizontal bar spans
// x start..length with the offsets running down, a vertical one y start..length with the
// offsets running right. Returns 7, the bar's thickness.
int DrawSplitterBar(HDC dc, int position, int length, BOOL horizontal);
int DrawSplitterBarAt(int start, HDC dc, int position, int length, BOOL horizontal);

enum {
    DIB_SYSTEM_COLORS = 1,      // 0x808080, 0xC0C0C0, 0xDFDFDF become the button colours
    DIB_PREMULTIPLY_ALPHA = 2   // 32-bit pixels: alpha 0 black, others scaled by alpha
};
// A device bitmap from a packed DIB (40-byte header, colour table, bits) of `dibSize`
// bytes, created on the window's device context (the screen's for NULL). 0 when the DIB is
// malformed, shorter than its header says, or the bitmap cannot be made.
HBITMAP CreateBitmapFromPackedDib(const void* dib, DWORD dibSize, int flags, HWND window);
