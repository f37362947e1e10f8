// The repaint word of the text views: one 32-bit word that says what must be redrawn at the
// next paint, so that a caret step redraws only the caret's surroundings and an inserted line
// only what follows it. Handlers add requests while they run; the paint reads and clears it.
//
// Line requests come in three kinds (one line, a range, "from a line to the bottom"); only
// one kind can be pending, because the word has room for one line number. A request that
// cannot be merged into the pending one becomes a full repaint, which is always correct.
#pragma once
#include <stdint.h>

enum RepaintBits : uint32_t
{
    RP_ALL = 0x80000000u,          // every visible line and the size-box corner
    RP_CARET = 0x40000000u,        // hide and re-place the system caret
    RP_CARET_LINE = 0x20000000u,   // the caret line
    RP_BELOW_CARET = 0x10000000u,  // every line after the caret line to the bottom
    RP_CARET_RIGHT = 0x08000000u,  // the caret line from two columns left of the caret on
    RP_LINE_RANGE = 0x04000000u,   // lines (bits 0-16) to (bits 0-16) + (bits 17-21)
    RP_FROM_LINE = 0x02000000u,    // from the line in bits 0-21 to the bottom
    RP_ONE_LINE = 0x01000000u,     // the line in bits 0-21
    RP_BATCH = 0x00400000u,        // a handler or layout runs: its outermost caller paints

    RP_LINE_KINDS = RP_LINE_RANGE | RP_FROM_LINE | RP_ONE_LINE,
    RP_CARET_BITS = RP_CARET | RP_CARET_LINE | RP_BELOW_CARET | RP_CARET_RIGHT,
    RP_LINE_MASK = 0x003FFFFFu,    // bits 0-21
    RP_RANGE_FIRST_MASK = 0x0001FFFFu,
    RP_RANGE_COUNT_SHIFT = 17,
    RP_RANGE_COUNT_MAX = 31,
};

// Everything from line n to the bottom. A pending "from" request keeps the smaller start;
// with no line request pending the word takes this one; any other pending kind (or a line
// that does not fit the word) makes it a full repaint.
inline void RepaintFromLine(uint32_t& word, int line)
{
    if (line < 0)
        line = 0;
    if (word & RP_ALL)
        return;
    if (static_cast<uint32_t>(line) > RP_LINE_MASK)
    {
        word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_ALL;
        return;
    }
    if (word & RP_FROM_LINE)
    {
        if (static_cast<uint32_t>(line) < (word & RP_LINE_MASK))
            word = (word & ~RP_LINE_MASK) | static_cast<uint32_t>(line);
        return;
    }
    if (word & (RP_LINE_RANGE | RP_ONE_LINE))
    {
        word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_ALL;
        return;
    }
    word |= RP_FROM_LINE | static_cast<uint32_t>(line);
}

// One line. The same line pending again changes nothing; another line or another kind
// becomes a full repaint.
inline void RepaintOneLine(uint32_t& word, int line)
{
    if (word & RP_ALL)
        return;
    if (line < 0 || static_cast<uint32_t>(line) > RP_LINE_MASK)
    {
        word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_ALL;
        return;
    }
    if (word & RP_LINE_KINDS)
    {
        if ((word & RP_ONE_LINE) && (word & RP_LINE_MASK) == static_cast<uint32_t>(line))
            return;
        word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_ALL;
        return;
    }
    word |= RP_ONE_LINE | static_cast<uint32_t>(line);
}

// Lines first .. last (both included, either order). A pending range is widened to cover
// both when the union still fits the word (32 lines); anything else becomes a full repaint.
inline void RepaintLineRange(uint32_t& word, int first, int last)
{
    if (first > last)
    {
        int t = first;
        first = last;
        last = t;
    }
    if (word & RP_ALL)
        return;
    if (first < 0)
        first = 0;
    if (last < first)
        last = first;
    if (word & RP_LINE_RANGE)
    {
        int pendingFirst = static_cast<int>(word & RP_RANGE_FIRST_MASK);
        int pendingLast = pendingFirst + static_cast<int>((word >> RP_RANGE_COUNT_SHIFT) & RP_RANGE_COUNT_MAX);
        if (pendingFirst < first)
            first = pendingFirst;
        if (pendingLast > last)
            last = pendingLast;
    }
    else if (word & (RP_ONE_LINE | RP_FROM_LINE))
    {
        word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_ALL;
        return;
    }
    if (static_cast<uint32_t>(first) > RP_RANGE_FIRST_MASK || last - first > static_cast<int>(RP_RANGE_COUNT_MAX))
    {
        word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_ALL;
        return;
    }
    word = (word & ~(RP_LINE_KINDS | RP_LINE_MASK)) | RP_LINE_RANGE | static_cast<uint32_t>(first) |
           (static_cast<uint32_t>(last - first) << RP_RANGE_COUNT_SHIFT);
}

// The caret line from two columns left of the caret: when the caret stands within two
// columns of the left edge that is the whole visible line.
inline void RepaintCaretRight(uint32_t& word, int caretColumn, int scrollColumn)
{
    word |= (caretColumn - scrollColumn < 2) ? RP_CARET_LINE : RP_CARET_RIGHT;
}

// What one paint draws, resolved from the word against the window (absolute line numbers).
struct RepaintPlan
{
    int firstLine;       // first line of the main run; firstLine > lastLine: no run
    int lastLine;        // last line, included
    bool caretLine;      // the caret line is drawn after the run (it was not in it)
    bool caretRight;     // the caret line is drawn from two columns left of the caret
    bool hideCaret;      // the system caret is hidden before it is placed again
    bool sizeBox;        // the size-box corner is filled
};

// Resolves a word (the paint clears it afterwards). The window shows lines scrollLine ..
// scrollLine + windowLines; a full repaint draws one line more than the visible count so
// that a partly visible last line is covered.
inline RepaintPlan PlanRepaint(uint32_t word, int scrollLine, int windowLines, int caretLine)
{
    RepaintPlan plan = { 0, -1, false, false, false, false };
    int top = scrollLine;
    int bottom = scrollLine + (windowLines > 0 ? windowLines : 0);
    int first = bottom + 1;
    int last = top - 1;
    if (word & RP_ALL)
    {
        first = top;
        last = bottom;
        plan.sizeBox = true;
    }
    else if (word & RP_FROM_LINE)
    {
        first = static_cast<int>(word & RP_LINE_MASK);
        last = bottom;
    }
    else if (word & RP_LINE_RANGE)
    {
        first = static_cast<int>(word & RP_RANGE_FIRST_MASK);
        last = first + static_cast<int>((word >> RP_RANGE_COUNT_SHIFT) & RP_RANGE_COUNT_MAX);
    }
    else if (word & RP_ONE_LINE)
    {
        first = last = static_cast<int>(word & RP_LINE_MASK);
    }
    if ((word & RP_BELOW_CARET) && caretLine + 1 <= bottom)
    {
        if (first > last || caretLine + 1 < first)
            first = caretLine + 1;
        last = bottom;
    }
    if (first < top)
        first = top;
    if (last > bottom)
        last = bottom;
    plan.firstLine = first;
    plan.lastLine = last;
    bool caretVisible = caretLine >= top && caretLine <= bottom;
    bool caretInRun = first <= last && caretLine >= first && caretLine <= last;
    if ((word & RP_CARET_LINE) && caretVisible && !caretInRun)
        plan.caretLine = true;
    // Drawing the caret line whole covers the partial redraw of its right part.
    if ((word & RP_CARET_RIGHT) && caretVisible && !caretInRun && !plan.caretLine)
        plan.caretRight = true;
    plan.hideCaret = (word & RP_CARET) != 0;
    return plan;
}
