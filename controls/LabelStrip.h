// The arithmetic of the label strip, without windows: label widths and names, the splitter,
// which labels show when the strip scrolls, what a click hits, and the edge pieces drawn
// between labels (a slanted tab edge, anti-aliased, coloured per neighbour pair).
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

// Width of a label: its fixed width, or E + text width (at most 200) + 4; then 10 to 256.
int LabelDrawnWidth(int fixedWidth, int textWidth, int edgeWidth) noexcept;
// "<prefix> <number>": the prefix cut to 58 characters and a blank added unless it ends in one.
std::string LabelPrefixText(const char* prefix, int number);
// The edge-piece width and the label height of a strip of height h.
int LabelEdgeWidth(int height) noexcept;

// Where the splitter stands for a strip `width` wide (style 0x0002): half the width while it
// follows, else where it was; at most width - W - 4 and at least W; the full width without a
// splitter or when too narrow.
int LabelSplitterPosition(int width, int arrowWidth, bool hasSplitter, bool followsHalf, int current) noexcept;

// The rectangle the labels are drawn in: the label area widened by one pixel on each side
// that has no border line (`lines`: the strip's line styles 0x10 top, 0x20 bottom, 0x40
// left, 0x80 right), so that a label meets the strip's edge there instead of a gap.
RECT LabelDrawingRect(const RECT& area, unsigned lines) noexcept;

// The scroll position of the labels: the first label shown and the pixels of it scrolled past.
struct LabelScroll {
    int first = 0;
    int offset = 0;
    bool operator==(const LabelScroll& o) const noexcept { return first == o.first && offset == o.offset; }
};
// Keeps label `current` in view in `space` pixels (see the strip's description); spans are
// label width + E.
LabelScroll LabelKeepVisible(const std::vector<int>& widths, int edge, int current, int space, LabelScroll now);
// The label under x (pixels from the label area's left); left of the first shown one the one
// before it (or label 0); -1 right of the last label.
int LabelAtPoint(const std::vector<int>& widths, int edge, LabelScroll scroll, int x) noexcept;

// The edge pieces: 8 pieces of E x H pixels side by side, 32-bit top-down, for the colours
// (label, current label, strip, line). Piece 1/2 opens the first label (normal/current), 4/5
// follow a normal label, 7 follows the current one, 3/6 close the row after a normal/current.
std::vector<uint32_t> LabelEdgePieces(int edgeWidth, int height, COLORREF label, COLORREF current, COLORREF strip,
                                      COLORREF line);
