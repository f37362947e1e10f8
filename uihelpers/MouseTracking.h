// Modal mouse loops that run their own message loop while the mouse is captured (a
// splitter drag drawn over the whole screen, a rectangle drag by the frame's edges), and
// the small routines that move, size and measure windows.
#pragma once
#include <windows.h>

class CWnd;

enum {
    SPLIT_HORIZONTAL_BAR = 0,   // the bar lies horizontally and moves up and down
    SPLIT_VERTICAL_BAR = 1,     // the bar stands and moves left and right
    SPLIT_CROSS = 2             // both at once; positions and result pack x low, y high
};
// "Put the grab point / the drawn bar in the middle of the bar."
const int TRACK_CENTRED = 12345;

// Drags a splitter bar of `barSize` pixels (drawn `thickness` pixels thick; 0 or less: the
// bar size) within the area (screen coordinates), starting `position` pixels from the
// area's top or left, grabbed at the screen point x, y. Returns how far the bar moved, 0
// when it was cancelled (Escape, right button) or another window holds the capture.
int TrackSplitter(HWND window, int orientation, const RECT& area, int position, int x, int y, int barSize,
                  int thickness, int grabOffset);

// Moves or sizes the rectangle (screen coordinates) by the frame edge under the screen
// point x, y. A negative minimum width keeps the left and right edges, a negative minimum
// height the top and bottom edges. 1 with the new rectangle stored; 0 when cancelled or the
// press is not on the frame.
int TrackRectDrag(HWND window, RECT* rect, int x, int y, int minWidth, int minHeight);

// The new rectangle of a drag that moved the edges in `edges` by dx, dy; a moving edge
// stops where the rectangle would get narrower or lower than the minimum (by magnitude).
RECT DragRectEdges(const RECT& start, int edges, int dx, int dy, int minWidth, int minHeight);
// A splitter position moved to `along` (grab point subtracted), kept inside the area.
int ClampSplitPosition(int position, int areaLength, int thickness);

// The top-left corner of the window's screen rectangle ({0, 0} for no window).
POINT GetWindowOrigin(HWND window);
// The window's rectangle in its parent's client coordinates; 1, or 0 with the rectangle in
// screen coordinates when it has no parent (or the window is missing).
int GetWindowRectInParent(HWND window, RECT* rect);
// The control's rectangle in the dialog's client coordinates; 0 when either is missing.
int GetDlgItemRect(HWND dialog, int id, RECT* rect);
// Places the control on the reference control's rectangle and repaints; 1, or 0.
int MoveDlgItemOnto(HWND dialog, int id, int referenceId);
// Sets the position without changing the size or z-order; `relative` adds to the present
// position in the parent.
BOOL MoveWindowTo(HWND window, int x, int y, BOOL relative);
// Sets the size without moving or changing z-order; `grow` adds to the present size.
BOOL ResizeWindow(HWND window, int cx, int cy, BOOL grow);
// The same on a class-library window object (FALSE without one).
BOOL ResizeWnd(CWnd* window, int cx, int cy, BOOL grow);
