// Middle-button auto-scroll: a modal loop holds the mouse, shows an anchor icon at the
// press point and a direction cursor, while a worker thread posts scroll messages to the
// window every 200 ms at a speed that grows with the pointer's distance from the anchor.
// Only one auto-scroll runs at a time; the loop and the worker share process-wide words.
#pragma once
#include <windows.h>

enum {
    AUTOSCROLL_HORIZONTAL = 1,
    AUTOSCROLL_VERTICAL = 2,
    AUTOSCROLL_BOTH = 3
};

// Runs the auto-scroll on the window from the press point (client coordinates) and returns
// 1 when it ran; 0 for directions outside 1-3, a window that does not exist, or while
// another auto-scroll runs. Returns only after the worker has ended; the window then finds
// one WM_HSCROLL and one WM_VSCROLL (SB_THUMBPOSITION, its present positions) in its queue.
int AutoScroll(HWND window, int x, int y, int directions);

// The direction code of a pointer dx, dy from the anchor (3 * h + v; h 1 right, 2 left;
// v 1 down, 2 up; 0 within 20 pixels), kept to the allowed directions.
int AutoScrollDirection(int dx, int dy, int directions);
// Cells per worker tick for the pointer dx, dy from the anchor: the distances in steps of
// 16 pixels, added by magnitude over the allowed directions, so that a diagonal pull moves
// as fast as the sum of its parts.
int AutoScrollPointerSpeed(int dx, int dy, int directions);

// Grey-level anchor image (32 x 32, two 4-bit levels a byte, the first in the high nibble)
// converted to the colour bits of a device of the given depth, rows word-aligned as
// CreateIcon wants them. Returns the byte count written (0 when `out` is smaller than
// needed); other depths are treated as 1 bit. A pure function for the tests.
int ConvertGreyImage(const unsigned char* grey, int depth, unsigned char* out, int outSize);
// The depth actually used for a requested one (1, 4, 8, 15, 16, 24 or 32).
int AutoScrollIconDepth(int depth);
