// What the three source files of CAnsiView share (window, input, fonts): child ids, the
// drag timer, the process-wide view chain and cursors, and small arithmetic helpers. Not
// for other users of the view.
#pragma once
#include "views/AnsiView.h"

namespace ansiview_detail {

const UINT kBarIdHorizontal = 912;
const UINT kBarIdVertical = 913;
const UINT_PTR kDragTimerId = 34902;
const UINT kDragTimerMs = 165;
const int kMaxDrawnChars = 1024;

enum { DRAG_NONE = 0, DRAG_AUTOSCROLL = 1, DRAG_HOLD = 2 };
enum { CAPTURE_NONE = 0, CAPTURE_PAN = 3, CAPTURE_LEFT = 4 };

// The live views, newest first, and the cursors loaded once for all of them.
extern CAnsiView* g_chainHead;
extern HCURSOR g_ibeam;
extern HCURSOR g_hand;

inline int MaxInt(int a, int b)
{
    return a > b ? a : b;
}

inline int MinInt(int a, int b)
{
    return a < b ? a : b;
}

inline COLORREF SystemOr(COLORREF color, int systemIndex)
{
    return color == kSystemColor ? ::GetSysColor(systemIndex) : color;
}

// After a double click the drag that follows waits this long, so that the word the double
// click took is not stretched by the hand still moving.
const DWORD kDoubleClickGuardMs = 300;

// The guard holds the tick count of the double click, 0 for none (a double click at tick 0
// is kept as 1). Ticks are compared only by their unsigned difference: a signed compare
// against a guard of 0 held every drag back while the tick count had its top bit set (24.9
// to 49.7 days of uptime), and a sum "now + 300" goes wrong across the 49-day wrap.
inline bool DoubleClickGuardPassed(DWORD now, DWORD clickTick)
{
    return clickTick == 0 || now - clickTick >= kDoubleClickGuardMs;
}

}  // namespace ansiview_detail
