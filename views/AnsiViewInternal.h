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

// A tick count compared as a signed distance, so that the guard survives the 49-day wrap.
inline bool TickPassed(DWORD now, DWORD guard)
{
    return static_cast<int32_t>(now - guard) >= 0;
}

}  // namespace ansiview_detail
