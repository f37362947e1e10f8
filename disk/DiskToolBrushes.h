// The two field colours of the disk tool dialogs: light red for a value that does not parse
// or lies out of its range, light yellow for a result the user only reads. The brushes live
// for the whole run of the program.
#pragma once
#include <windows.h>

namespace DiskToolBrushes {

const COLORREF kInvalid = RGB(255, 128, 128);
const COLORREF kOutput = RGB(255, 255, 128);

// Sets the background colour of the control's text and returns the brush of that colour
// (one of the two above).
HBRUSH Paint(HDC dc, COLORREF color);

}  // namespace DiskToolBrushes
