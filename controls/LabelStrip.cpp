#include "controls/LabelStrip.h"

#include <algorithm>
#include <cmath>
#include <cstring>

int LabelDrawnWidth(int fixedWidth, int textWidth, int edgeWidth) noexcept
{
    int width = fixedWidth > 0 ? fixedWidth : edgeWidth + std::min(std::max(textWidth, 0), 200) + 4;
    return std::min(std::max(width, 10), 256);
}

std::string LabelPrefixText(const char* prefix, int number)
{
    std::string text(prefix ? prefix : "");
    if (text.size() > 58)
        text.resize(58);
    if (text.empty() || text.back() != ' ')
        text.push_back(' ');
    return text + std::to_string(number);
}

int LabelEdgeWidth(int height) noexcept
{
    return height / 2 + 2;
}

int LabelSplitterPosition(int width, int arrowWidth, bool hasSplitter, bool followsHalf, int current) noexcept
{
    if (!hasSplitter || width <= arrowWidth)
        return width;
    int position = followsHalf ? width / 2 : current;
    position = std::min(position, width - arrowWidth - 4);
    return std::max(position, arrowWidth);
}

LabelScroll LabelKeepVisible(const std::vector<int>& widths, int edge, int current, int space, LabelScroll now)
{
    const int count = static_cast<int>(widths.size());
    if (count == 0)
        return LabelScroll();
    space = std::max(space, 0);
    current = std::min(std::max(current, 0), count - 1);
    long long total = edge + 10;
    std::vector<long long> start(count + 1, 0);
    for (int i = 0; i < count; ++i) {
        start[i + 1] = start[i] + widths[i] + edge;
        total += widths[i] + edge;
    }
    const int first = std::min(std::max(now.first, 0), count - 1);
    long long position = start[first] + now.offset;
    if (current == 0) {
        position = 0;
    } else {
        long long s = start[current];
        long long e = s + widths[current] + edge + edge;
        if (space >= e - s) {
            long long m = std::min<long long>(edge, ((space - (e - s)) / 2) / 2);
            s -= m;
            e += m;
        }
        position = std::max(position, e - space);
        position = std::min(position, s);
    }
    position = std::min(position, total - space);
    position = std::max<long long>(position, 0);
    // Back to the first label not wholly scrolled past and the pixels left of it.
    LabelScroll out;
    int i = 0;
    while (i + 1 < count && start[i + 1] <= position)
        ++i;
    out.first = i;
    out.offset = static_cast<int>(position - start[i]);
    return out;
}

int LabelAtPoint(const std::vector<int>& widths, int edge, LabelScroll scroll, int x) noexcept
{
    const int count = static_cast<int>(widths.size());
    if (count == 0)
        return -1;
    const int first = std::min(std::max(scroll.first, 0), count - 1);
    int position = -scroll.offset + edge / 2;
    if (x < position)
        return std::max(first - 1, 0);
    for (int i = first; i < count; ++i) {
        int span = widths[i] + edge;
        if (x < position + span)
            return i;
        position += span;
    }
    return -1;
}

namespace {

uint32_t Pixel(COLORREF c)
{
    return 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// One part of a and `parts` parts of b, channel by channel.
COLORREF Blend(COLORREF a, COLORREF b, int parts)
{
    const int total = parts + 1;
    return RGB((GetRValue(a) + GetRValue(b) * parts) / total, (GetGValue(a) + GetGValue(b) * parts) / total,
               (GetBValue(a) + GetBValue(b) * parts) / total);
}

struct PieceLook {
    int left;     // 0 label, 1 current, 2 strip
    int right;
    bool back;    // the slant runs "/" (the left neighbour in front) instead of "\"
};

}  // namespace

std::vector<uint32_t> LabelEdgePieces(int edgeWidth, int height, COLORREF label, COLORREF current, COLORREF strip,
                                      COLORREF line)
{
    const int e = std::max(edgeWidth, 1);
    const int h = std::max(height, 1);
    const COLORREF colours[3] = {label, current, strip};
    static const PieceLook looks[8] = {
        {2, 2, false}, {2, 0, false}, {2, 1, false}, {0, 2, true},
        {0, 0, false}, {0, 1, false}, {1, 2, true},  {1, 0, true},
    };
    std::vector<uint32_t> pixels(static_cast<size_t>(8) * e * h, Pixel(strip));
    // The slant of the 19 x 34 pattern, centred on the piece: half a pixel per row.
    const double shiftX = (35 - h) / 4.0;
    const double shiftY = (35 - h) / 2.0;
    for (int piece = 0; piece < 8; ++piece) {
        const PieceLook& look = looks[piece];
        for (int y = 0; y < h; ++y) {
            const double py = y + shiftY;
            const double centre = 9.0 + (py - 17.0) * 0.5;
            for (int x = 0; x < e; ++x) {
                double px = x + shiftX + 0.5;
                if (look.back)
                    px = 19.0 - px;
                const double d = px - centre;
                const int sideIndex = d < 0 ? (look.back ? look.right : look.left) : (look.back ? look.left : look.right);
                const COLORREF side = colours[sideIndex];
                COLORREF c = side;
                const double a = std::fabs(d);
                if (piece == 0)
                    c = strip;
                else if (a < 0.5)
                    c = line;
                else if (a < 1.0)
                    c = Blend(line, side, 3);
                else if (a < 1.5)
                    c = Blend(line, side, 7);
                // The open side of a label carries the line.
                if (y == h - 1 && piece != 0 && sideIndex != 2)
                    c = line;
                pixels[static_cast<size_t>(y) * 8 * e + piece * e + x] = Pixel(c);
            }
        }
    }
    return pixels;
}

RECT LabelDrawingRect(const RECT& area, unsigned lines) noexcept
{
    RECT r = area;
    r.top -= (lines & 0x10) ? 0 : 1;
    r.bottom += (lines & 0x20) ? 0 : 1;
    r.left -= (lines & 0x40) ? 0 : 1;
    r.right += (lines & 0x80) ? 0 : 1;
    return r;
}
