// The arithmetic of a dock row of sizing bars, without windows: fitting the bars to the
// row's length and sharing a dragged edge between the bars on both sides of it.
//
// Lengths are along the row (widths in a top or bottom dock bar, heights at the sides),
// cross sizes across it. Neighbouring bars overlap by two pixels, so a row of lengths
// l1..ln fills sum(li - 2) pixels of the row length.
#pragma once
#include <vector>

struct RowBarSpan {
    int length = 0;      // docked length; for other bars their window's extent
    int minLength = 0;   // sizing bars only
    int cross = 0;       // sizing bars only
    int minCross = 0;    // sizing bars only
    bool sizing = false; // a sizing bar (the others keep their length)
    bool justShown = false;
};

struct RowFitResult {
    int splitBefore = -1;   // the bar that must start a new row, -1 for none
    bool changed = false;   // a length or cross size changed, or the row splits
};

// Fits the row to rowLength. When the bars do not fit even at their minimum lengths, the row
// splits before the first bar that does not; when that is already the first bar, it shrinks
// to its minimum instead and nothing else changes. Otherwise every sizing
// bar gets at least the largest minimum cross size of the row, and the sizing bars share the
// difference: a single one takes all of it; several take it one pixel each per pass, in
// order, skipping a bar at its minimum when shrinking and a bar just shown (until a pass
// changes nothing; then those marks are cleared and the sharing goes on). Ends for any
// input; a bar never goes below its minimum.
RowFitResult FitRowSpans(std::vector<RowBarSpan>& bars, int rowLength);

// The largest minimum cross size of the sizing bars of a row (0 without any).
int RowMinCross(const std::vector<RowBarSpan>& bars);

// A drag of the edge between bars split-1 and split (split 1..n-1): the range of positions
// around pos that the bars' spare lengths allow.
void RowTrackBounds(const std::vector<RowBarSpan>& bars, int split, int pos, int* pLow, int* pHigh);

// Moves that edge by delta: the nearest sizing bar on the growing side gains what the sizing
// bars on the other side give up, nearest first, each down to its minimum. Returns the
// distance actually moved.
int ApplyRowTrack(std::vector<RowBarSpan>& bars, int split, int delta);
