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
#include <stdint.h>

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

// Waits until what was drawn has reached the display: the time taken around a paint then
// includes the work the system hands on to the display server.
void FinishDrawing();

// A 32-bit top-down DIB section in a memory context of its own, filled with one colour,
// for comparing what two painters drew.
class Surface
{
public:
    Surface(int width, int height, uint32_t fill);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    uint32_t Pixel(int x, int y) const;   // 0x00RRGGBB
    const uint32_t* Bits() const { return static_cast<const uint32_t*>(m_bits); }

private:
    int m_width;
    int m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    void* m_bits;
};

// The number of pixels in which two surfaces of one size differ, and the first of them
// (row by row) in *first.
int CountDifferences(const Surface& a, const Surface& b, POINT* first);

}  // namespace plainpaint
