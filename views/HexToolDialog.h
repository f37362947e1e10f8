// What the hex tool dialogs (address and value input, checksum, calculator, float converter,
// CRC calculator) share: each reopens at the screen position it was last closed at during
// this run, result fields the user only reads are light yellow, and an input that does not
// parse is light red.
#pragma once
#include <windows.h>

const COLORREF kHexToolResultColor = 0x9BFFFF;   // light yellow
const COLORREF kHexToolErrorColor = 0x8080FF;    // light red

// The brushes of the two colours, made on first use and kept for the whole run.
HBRUSH HexToolResultBrush();
HBRUSH HexToolErrorBrush();

// The last position of one dialog class (a static of its own).
struct ToolDialogPosition
{
    int x;
    int y;
    bool known;
};

// Moves the dialog to the remembered position when there is one that is still on the screen
// (x from -99 to the screen width - 101, y from -9 to the screen height - 101).
void PlaceToolDialog(HWND dialog, const ToolDialogPosition& position);
// Remembers where the dialog stands now.
void RememberToolDialog(HWND dialog, ToolDialogPosition* position);

// Sets the colours of a WM_CTLCOLOR request and gives the brush to answer it with.
HBRUSH PaintToolField(HDC dc, bool error);
