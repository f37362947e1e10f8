#include "controls/SizeBarRow.h"

#include <algorithm>

int RowMinCross(const std::vector<RowBarSpan>& bars)
{
    int floor = 0;
    for (const RowBarSpan& b : bars) {
        if (b.sizing)
            floor = std::max(floor, b.minCross);
    }
    return floor;
}

RowFitResult FitRowSpans(std::vector<RowBarSpan>& bars, int rowLength)
{
    RowFitResult result;
    const int n = static_cast<int>(bars.size());
    // The row splits only where even the smallest the bars can get does not fit; up to that
    // point the sizing bars give way. Splitting where the bars' present lengths overrun the
    // row instead sent a bar into a row of its own each time the frame was made a little
    // narrower, and rows are never joined again: the user lost the arrangement for good.
    long long least = 0;
    for (int k = 0; k < n; ++k) {
        least += (bars[k].sizing ? bars[k].minLength : bars[k].length) - 2;
        if (least <= rowLength)
            continue;
        if (k > 0) {
            result.splitBefore = k;
            result.changed = true;
            return result;
        }
        // The first bar is too long even alone, so a split would not help it: it gives up
        // all it can.
        if (bars[0].sizing && bars[0].length > bars[0].minLength) {
            bars[0].length = bars[0].minLength;
            result.changed = true;
        }
        return result;   // and the row stays together
    }
    long long sum = 0;
    for (const RowBarSpan& b : bars)
        sum += b.length - 2;

    int sizingCount = 0;
    for (const RowBarSpan& b : bars)
        sizingCount += b.sizing;
    if (sizingCount == 0)
        return result;
    const int floor = RowMinCross(bars);
    for (RowBarSpan& b : bars) {
        if (b.sizing && b.cross < floor) {
            b.cross = floor;
            result.changed = true;
        }
    }

    long long diff = rowLength - sum;
    if (sizingCount == 1) {
        for (RowBarSpan& b : bars) {
            if (!b.sizing)
                continue;
            long long wanted = std::max<long long>(b.length + diff, b.minLength);
            int length = static_cast<int>(std::min<long long>(wanted, 0x7FFFFFFF));
            if (length != b.length) {
                b.length = length;
                result.changed = true;
            }
            b.justShown = false;
        }
        return result;
    }
    bool marksCleared = false;
    while (diff != 0) {
        bool moved = false;
        for (RowBarSpan& b : bars) {
            if (diff == 0)
                break;
            if (!b.sizing || b.justShown)
                continue;
            if (diff < 0) {
                if (b.length <= b.minLength)
                    continue;
                --b.length;
                ++diff;
            } else {
                ++b.length;
                --diff;
            }
            moved = true;
            result.changed = true;
        }
        if (moved)
            continue;
        // Nothing more to share with the bars left; the just-shown ones join in now.
        if (marksCleared)
            break;
        bool anyMarked = false;
        for (RowBarSpan& b : bars) {
            anyMarked |= b.justShown;
            b.justShown = false;
        }
        marksCleared = true;
        if (!anyMarked)
            break;
    }
    for (RowBarSpan& b : bars)
        b.justShown = false;
    return result;
}

void RowTrackBounds(const std::vector<RowBarSpan>& bars, int split, int pos, int* pLow, int* pHigh)
{
    int low = pos;
    int high = pos;
    for (int i = 0; i < static_cast<int>(bars.size()); ++i) {
        const RowBarSpan& b = bars[i];
        if (!b.sizing)
            continue;
        int spare = std::max(0, b.length - b.minLength);
        if (i >= split)
            high += spare;
        else
            low -= spare;
    }
    *pLow = low;
    *pHigh = high;
}

int ApplyRowTrack(std::vector<RowBarSpan>& bars, int split, int delta)
{
    const int n = static_cast<int>(bars.size());
    if (delta == 0 || split <= 0 || split >= n)
        return 0;
    // The edge moves toward the side that gives: after the split when delta > 0. The
    // nearest sizing bar on the other side takes what is given.
    const bool forward = delta > 0;
    int grower = -1;
    if (forward) {
        for (int i = split - 1; i >= 0 && grower < 0; --i)
            grower = bars[i].sizing ? i : -1;
    } else {
        for (int i = split; i < n && grower < 0; ++i)
            grower = bars[i].sizing ? i : -1;
    }
    if (grower < 0)
        return 0;
    const int want = forward ? delta : -delta;
    int given = 0;
    const int step = forward ? 1 : -1;
    for (int i = forward ? split : split - 1; i >= 0 && i < n && given < want; i += step) {
        RowBarSpan& b = bars[i];
        if (!b.sizing)
            continue;
        int take = std::min(want - given, std::max(0, b.length - b.minLength));
        b.length -= take;
        given += take;
    }
    bars[grower].length += given;
    return forward ? given : -given;
}
