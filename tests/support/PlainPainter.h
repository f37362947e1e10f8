// The plain painter: what a plain Win32 program does to show lines of coloured fixed-pitch
// text. It draws a paint script (the runs of equal colour a pane shows, with their cells,
// colours and fonts) with one clip for the whole pane and one ExtTextOut per run, and
// changes the device context's colours, font and alignment only when a run needs others.
//
// It is the yardstick of the paint benchmark and the reference of the pixel tests: the
// scripts are built from the views' own line composers (PaneScripts.h), so that the plain
// painter draws exactly the lines and colour runs a view draws.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace plainpaint {

// One run: `rect` is filled with the background and holds the characters (none: only the
// fill), drawn from (x, y) with the alignment, `advance` pixels apart (0: the font's own).
struct Run
{
    RECT rect;
    int x;
    int y;
    COLORREF text;
    COLORREF back;
    HFONT font;
    UINT align;
    int advance;
    std::string chars;
};

struct Script
{
    RECT clip;
    std::vector<Run> runs;
};

// Draws the script into the device context; the context's state is the same afterwards.
void Paint(HDC dc, const Script& script);

// The pixels as a plain painter sees them: GdiFlush and one round trip to the display
// (a GetPixel on the context), so that a time taken around a paint includes the work the
// system hands on to the display server.
void FinishDrawing(HDC dc);

}  // namespace plainpaint
