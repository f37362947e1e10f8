#include "views/TextLayout.h"

#include <windows.h>

namespace {

const int kMaxMargin = 2000;

int MaxInt(int a, int b)
{
    return a > b ? a : b;
}

int MinInt(int a, int b)
{
    return a < b ? a : b;
}

// Division rounding towards minus infinity: a point left of or above the text area belongs
// to the cell before it, not to cell 0.
int FloorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

}  // namespace

CTextLayout::CTextLayout(int columnCount, int lineCountArgument)
    : m_charWidth(10),
      m_lineHeight(13),
      m_hBarHeight(0),
      m_vBarWidth(0),
      m_clientWidth(0),
      m_clientHeight(0),
      m_textWidth(0),
      m_textHeight(0),
      m_windowColumns(1),
      m_windowLines(1),
      m_partialColumn(0),
      m_partialLine(0),
      m_marginWidth(0),
      m_scrollColumn(0),
      m_scrollLine(0),
      m_caretColumn(0),
      m_caretLine(0),
      m_lineCount(MaxInt(lineCountArgument + 100, 0)),
      m_columnCount(MaxInt(columnCount, 1)),
      m_options(0),
      m_previousOptions(0),
      m_caretMode(2),
      m_previousCaretMode(2),
      m_laidCaretColumn(0),
      m_laidCaretLine(0),
      m_laidOriginColumn(0),
      m_laidOriginLine(0),
      m_previousWindowColumns(-1),
      m_previousWindowLines(-1),
      m_barColumnCount(-1),
      m_barLineCount(-1),
      m_barWindowColumns(-1),
      m_barWindowLines(-1),
      m_panX(0),
      m_panY(0),
      m_sizeDepth(0),
      m_repaint(0)
{
    m_bar[0] = ScrollBarState{ 0, 0, 0, false, false };
    m_bar[1] = ScrollBarState{ 0, 0, 0, false, false };
}

void CTextLayout::SetCellSize(int charWidth, int lineHeight)
{
    m_charWidth = MaxInt(charWidth, 1);
    m_lineHeight = MaxInt(lineHeight, 1);
    m_windowColumns = MaxInt((m_textWidth - m_marginWidth + m_charWidth - 1) / m_charWidth, 1);
    m_windowLines = MaxInt((m_textHeight + m_lineHeight - 1) / m_lineHeight, 1);
    m_partialColumn = m_windowColumns * m_charWidth > m_textWidth + 2 - m_marginWidth ? 1 : 0;
    m_partialLine = m_windowLines * m_lineHeight > m_textHeight + 2 ? 1 : 0;
    m_repaint |= RP_ALL;
}

void CTextLayout::SetBarMetrics(int horizontalBarHeight, int verticalBarWidth)
{
    m_hBarHeight = MaxInt(horizontalBarHeight, 0);
    m_vBarWidth = MaxInt(verticalBarWidth, 0);
}

// Steps 1-4 of the size handling: text area and window cells from the client size.
void CTextLayout::SizeText(int clientWidth, int clientHeight)
{
    m_clientWidth = clientWidth;
    m_clientHeight = clientHeight;
    int barHeight = m_bar[0].shown ? m_hBarHeight : 0;
    int barWidth = m_bar[1].shown ? m_vBarWidth : 0;
    int textWidth = MaxInt(clientWidth - barWidth, 0);
    int textHeight = MaxInt(clientHeight - barHeight, 0);
    if (textWidth != m_textWidth)
    {
        if (textWidth > m_textWidth)
            m_repaint |= RP_ALL;
        m_textWidth = textWidth;
        m_windowColumns = MaxInt((m_textWidth - m_marginWidth + m_charWidth - 1) / m_charWidth, 1);
        m_partialColumn = m_windowColumns * m_charWidth > m_textWidth + 2 - m_marginWidth ? 1 : 0;
    }
    if (textHeight != m_textHeight)
    {
        m_textHeight = textHeight;
        m_windowLines = MaxInt((m_textHeight + m_lineHeight - 1) / m_lineHeight, 1);
        m_partialLine = m_windowLines * m_lineHeight > m_textHeight + 2 ? 1 : 0;
    }
}

void CTextLayout::OnSize(int clientWidth, int clientHeight)
{
    ++m_sizeDepth;
    SizeText(MaxInt(clientWidth, 0), MaxInt(clientHeight, 0));
    if (m_sizeDepth == 1 && m_clientWidth >= 1 && m_clientHeight >= 1)
    {
        uint32_t batch = m_repaint & RP_BATCH;
        m_repaint |= RP_BATCH;
        UpdateLayout(0);
        m_repaint = (m_repaint & ~RP_BATCH) | batch;
        if (!batch && m_repaint)
            Repaint();
    }
    --m_sizeDepth;
}

// Steps 9 and 10 of the layout for one bar; true when its shown state changed.
bool CTextLayout::UpdateBar(int index, bool force)
{
    ScrollBarState& bar = m_bar[index];
    bool horizontal = index == 0;
    int count = horizontal ? m_columnCount : m_lineCount;
    int cells = horizontal ? m_windowColumns : m_windowLines;
    int& kept = horizontal ? m_barColumnCount : m_barLineCount;
    int& keptCells = horizontal ? m_barWindowColumns : m_barWindowLines;
    if (!force && count == kept && cells == keptCells)
        return false;
    int oldCount = kept;
    int oldCells = keptCells;
    uint32_t noScroll = horizontal ? TVO_NO_HSCROLL : TVO_NO_VSCROLL;
    uint32_t noOver = horizontal ? TVO_NO_HOVERSCROLL : TVO_NO_VOVERSCROLL;
    uint32_t disable = horizontal ? TVO_HBAR_DISABLE : TVO_VBAR_DISABLE;
    int range = 0;
    if (!(m_options & noScroll))
    {
        range = count;
        if (!(m_options & noOver))
            range += horizontal ? cells / 2 - 1 : cells / 2 - 2;
        range = MaxInt(range, 0);
    }
    int& scroll = horizontal ? m_scrollColumn : m_scrollLine;
    if (scroll > range - cells)
    {
        // Lines are pulled back so that half a window stays below the last line. That mark
        // can lie below the scroll line it is meant to lower (11 lines in a 20-line window
        // would push line 0 out of sight, with no bar to bring it back): it only ever lowers,
        // and when the lines with their over-scroll fit the window, they show from the top.
        if (horizontal)
            scroll = MaxInt(range - cells, 0);
        else if (range - cells < 0)
            scroll = 0;
        else
            scroll = MinInt(scroll, MaxInt(m_lineCount - m_windowLines / 2, 0));
        (horizontal ? m_laidOriginColumn : m_laidOriginLine) = scroll;
        m_repaint |= RP_ALL;
    }
    bool wasShown = bar.shown;
    bar.range = range;
    bar.page = cells;
    bar.position = scroll;
    bar.disableOnly = (m_options & disable) != 0;
    bar.shown = cells < range || bar.disableOnly;
    kept = count;
    keptCells = cells;
    if (horizontal)
    {
        if (bar.shown == wasShown && oldCells >= 0 && cells > oldCells)
            m_repaint |= RP_ALL;
    }
    else if (oldCells >= 0 && cells > oldCells && oldCount >= 0)
    {
        InvalidateFromLine(oldCount);
    }
    return bar.shown != wasShown;
}

void CTextLayout::UpdateLayout(int flags)
{
    uint32_t batchAtEntry = m_repaint & RP_BATCH;
    m_repaint |= RP_BATCH;

    // 1. How far the origin may run past the last column and line.
    int allowColumns = m_windowColumns / 2 - m_partialColumn;
    int allowLines = m_windowLines / 2 - m_partialLine;

    // 2. The caret may stand on the line after the last one.
    m_caretLine = MaxInt(MinInt(m_caretLine, m_lineCount), 0);
    m_caretColumn = MaxInt(MinInt(m_caretColumn, m_columnCount - 1), 0);

    // 3. Option changes.
    bool forceH = false;
    bool forceV = false;
    uint32_t changed = m_options ^ m_previousOptions;
    if (changed)
    {
        forceH = (changed & TVO_HORIZONTAL_BITS) != 0;
        forceV = (changed & TVO_VERTICAL_BITS) != 0;
        m_previousOptions = m_options;
    }
    if (m_options & TVO_FIX_COLUMN)
        m_scrollColumn = 0;
    if (m_options & TVO_FIX_LINE)
        m_scrollLine = 0;

    // 4. Horizontal caret tracking.
    if (m_caretColumn != m_laidCaretColumn)
    {
        m_repaint |= RP_CARET;
        m_laidCaretColumn = m_caretColumn;
        if (m_caretLine == m_laidCaretLine)
            m_laidCaretLine = m_caretLine + 10;
        if (m_textWidth > 0)
        {
            int w = m_windowColumns - m_partialColumn;
            if (m_caretColumn >= m_scrollColumn + w)
                m_scrollColumn = m_caretColumn - w + 1;
            if (m_caretColumn < m_scrollColumn)
                m_scrollColumn = m_caretColumn;
        }
    }

    // 5. Vertical caret tracking; after a jump (flags bit 0) the caret lands half a window
    // from the edge it entered by, and that distance is also the over-scroll allowance.
    if (m_caretLine != m_laidCaretLine)
    {
        m_repaint |= RP_CARET;
        int d = m_laidCaretLine - m_caretLine;
        m_laidCaretLine = m_caretLine;
        if (m_textHeight > 0)
        {
            int h = m_windowLines - m_partialLine;
            if (!(flags & TLF_CENTRE_JUMP) || d == 1 || d == -1 || d == m_windowLines || d == -m_windowLines)
                d = 0;
            if (d != 0)
                d = m_windowLines / 2;
            if (m_caretLine >= m_scrollLine + h)
                m_scrollLine = m_caretLine + d - h + 1;
            if (m_caretLine < m_scrollLine)
                m_scrollLine = m_caretLine - d;
            allowLines = d;
        }
    }

    // 6. Clamp the origin.
    int column = MaxInt(MinInt(m_scrollColumn, m_columnCount - allowColumns), 0);
    if (column != m_scrollColumn)
    {
        m_scrollColumn = column;
        m_panX = 0;
    }
    int line = MaxInt(MinInt(m_scrollLine, m_lineCount - allowLines), 0);
    if (line != m_scrollLine)
    {
        m_scrollLine = line;
        m_panY = 0;
    }

    // 7. Origin moved.
    bool moved = false;
    if (m_scrollColumn != m_laidOriginColumn)
    {
        if (m_options & TVO_FIX_COLUMN)
            m_scrollColumn = 0;
        if (m_scrollColumn != m_laidOriginColumn)
        {
            m_bar[0].position = m_scrollColumn;
            m_laidOriginColumn = m_scrollColumn;
            m_repaint |= RP_ALL;
            moved = true;
        }
    }
    if (m_scrollLine != m_laidOriginLine)
    {
        if (m_options & TVO_FIX_LINE)
            m_scrollLine = 0;
        if (m_scrollLine != m_laidOriginLine)
        {
            m_bar[1].position = m_scrollLine;
            m_laidOriginLine = m_scrollLine;
            m_repaint |= RP_ALL;
            moved = true;
        }
    }
    if (moved && !(flags & TLF_QUIET))
    {
        OnLayoutChanged();
        OnOriginMoved(m_scrollColumn, m_scrollLine);
    }

    // 8. Caret mode.
    if (m_caretMode != m_previousCaretMode)
    {
        OnCaretRecreate();
        m_previousCaretMode = m_caretMode;
        m_repaint |= RP_CARET;
    }

    // 9-11. Bars. Showing or hiding a bar changes the text area and so perhaps the other
    // bar; three rounds settle every combination of two bars.
    bool barsTouched = false;
    for (int round = 0; round < 3; ++round)
    {
        bool h = UpdateBar(0, forceH);
        bool v = UpdateBar(1, forceV);
        barsTouched = barsTouched || h || v || forceH || forceV || round == 0;
        forceH = forceV = false;
        if (!h && !v)
            break;
        SizeText(m_clientWidth, m_clientHeight);
    }
    if (barsTouched)
        OnBarsChanged();
    if (m_windowColumns != m_previousWindowColumns || m_windowLines != m_previousWindowLines)
    {
        int dc = m_previousWindowColumns < 0 ? 0 : m_windowColumns - m_previousWindowColumns;
        int dl = m_previousWindowLines < 0 ? 0 : m_windowLines - m_previousWindowLines;
        m_previousWindowColumns = m_windowColumns;
        m_previousWindowLines = m_windowLines;
        OnSizeChanged(m_windowColumns, m_windowLines, dc, dl);
    }

    // 12. Paint unless an outer caller will.
    m_repaint = (m_repaint & ~RP_BATCH) | batchAtEntry;
    if (!batchAtEntry && !(flags & TLF_NO_REPAINT) && m_repaint)
        Repaint();
}

bool CTextLayout::SetMarginWidth(int width)
{
    if (width < 0 || width > kMaxMargin)
        width = 0;
    if (width == m_marginWidth)
        return false;
    m_marginWidth = width;
    m_repaint |= RP_ALL;
    m_windowColumns = MaxInt((m_textWidth - m_marginWidth + m_charWidth - 1) / m_charWidth, 1);
    m_partialColumn = m_windowColumns * m_charWidth > m_textWidth + 2 - m_marginWidth ? 1 : 0;
    // A different margin changes the bar pages: have the next layout give them again.
    m_laidOriginColumn = -1;
    m_laidOriginLine = -1;
    m_barWindowColumns = -1;
    return true;
}

int CTextLayout::HitTest(int x, int y, int* column, int* line, int flags) const
{
    // Rounded down, not towards zero: a truncating division puts a point a few pixels above
    // the first visible line into that line (a hit in the text where there is none), and the
    // cell left of the text area onto the first visible column.
    int c = FloorDiv(x + ((flags & 1) ? m_charWidth / 2 : 0) - m_marginWidth, m_charWidth) + m_scrollColumn;
    int l = FloorDiv(y, m_lineHeight) + m_scrollLine;
    int result = (x >= 0 && x < m_marginWidth) ? 2 : 1;
    if (l < 0)
    {
        c = 0;
        l = 0;
        result = 0;
    }
    else if (l >= m_lineCount)
    {
        c = 0;
        l = m_lineCount;
        result = 0;
    }
    if (c < 0)
        c = 0;
    if (column)
        *column = c;
    if (line)
        *line = l;
    return result;
}

void CTextLayout::MouseCell(int x, int y, int* column, int* line) const
{
    if (column)
        *column = (x - m_marginWidth + m_charWidth / 2) / m_charWidth + m_scrollColumn;
    if (line)
        *line = m_scrollLine + y / m_lineHeight;
}

uint32_t CTextLayout::SetViewFlags(uint32_t value, uint32_t mask)
{
    uint32_t old = m_options;
    m_options = (m_options & ~mask) | (value & mask);
    if (m_options != old)
        UpdateLayout(0);
    return old;
}

void CTextLayout::MarkCaretMoved(int flags)
{
    m_laidCaretColumn = m_caretColumn - ((flags & 1) ? 1 : 0);
    m_laidCaretLine = m_caretLine - ((flags & 2) ? 1 : 0);
}

void CTextLayout::MarkCaretLaidOut()
{
    m_laidCaretColumn = m_caretColumn;
    m_laidCaretLine = m_caretLine;
}

void CTextLayout::SetScrollOrigin(int column, int line, bool redraw)
{
    m_scrollColumn = column;
    m_scrollLine = line;
    UpdateLayout(TLF_QUIET | (redraw ? 0 : TLF_NO_REPAINT));
}

uint32_t CTextLayout::SetCaretMode(uint32_t mode)
{
    uint32_t old = m_caretMode;
    if (mode <= 3)
    {
        m_caretMode = mode;
        m_previousCaretMode = mode;
        // A caret that appears needs its cell drawn under it; otherwise re-placing it is enough.
        m_repaint |= ((mode & 2) && !(old & 2)) ? RP_ALL : RP_CARET;
    }
    OnCaretRecreate();
    return old;
}

void CTextLayout::PlaceCaret(int column, int line, bool relative)
{
    if (relative)
    {
        m_caretColumn += column;
        m_caretLine += line;
    }
    else
    {
        m_caretColumn = column;
        m_caretLine = line;
    }
}

void CTextLayout::ScrollBy(int columns, int lines)
{
    m_scrollColumn += columns;
    m_scrollLine += lines;
}

void CTextLayout::SetOriginRaw(int column, int line)
{
    m_scrollColumn = column;
    m_scrollLine = line;
}

void CTextLayout::SetPanOffsets(int x, int y)
{
    m_panX = MaxInt(x, 0);
    m_panY = MaxInt(y, 0);
}

TextKeyAction MapNavigationKey(int virtualKey, uint32_t keyState, bool caretShown, int windowLines,
                               int columnCount, int lineCount, int caretColumn)
{
    TextKeyAction action = { TextKeyAction::NONE, 0, 0, 0, 0, 0, 0 };
    bool shift = (keyState & 1) != 0;
    bool ctrl = (keyState & 2) != 0;
    switch (virtualKey)
    {
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        break;
    default:
        return action;
    }
    if (ctrl && (virtualKey == VK_END || virtualKey == VK_HOME))
    {
        action.kind = TextKeyAction::MOVE;
        action.column = 0;
        action.line = virtualKey == VK_END ? lineCount : 0;
        action.flags = shift ? MCF_EXTEND : 0;
        return action;
    }
    int page = windowLines - 1;
    if ((keyState & 3) != 2 && caretShown)
    {
        action.kind = TextKeyAction::MOVE;
        action.flags = MCF_RELATIVE | (shift ? MCF_EXTEND : 0) | (ctrl ? MCF_CTRL : 0);
        switch (virtualKey)
        {
        case VK_PRIOR: action.scrollLines = -page; action.line = -page; break;
        case VK_NEXT: action.scrollLines = page; action.line = page; break;
        case VK_END: action.column = columnCount - caretColumn; break;
        case VK_HOME: action.column = -caretColumn; break;
        case VK_LEFT: action.column = -1; action.flags |= MCF_ARROW_STEP; break;
        case VK_UP: action.line = -1; action.flags |= MCF_ARROW_STEP; break;
        case VK_RIGHT: action.column = 1; action.flags |= MCF_ARROW_STEP; break;
        default: action.line = 1; action.flags |= MCF_ARROW_STEP; break;
        }
        return action;
    }
    switch (virtualKey)
    {
    case VK_PRIOR: action.scrollLines = -page; break;
    case VK_NEXT: action.scrollLines = page; break;
    case VK_LEFT: action.scrollColumns = -1; break;
    case VK_RIGHT: action.scrollColumns = 1; break;
    case VK_UP: action.scrollLines = -1; break;
    case VK_DOWN: action.scrollLines = 1; break;
    default: return action;   // End and Home scroll nothing
    }
    action.kind = TextKeyAction::SCROLL;
    action.scrolledKey = virtualKey;
    return action;
}

void AutoScrollSpeed(int x, int y, int marginWidth, int textWidth, int textHeight, int charWidth,
                     int lineHeight, int* speedX, int* speedY)
{
    int sx = 0;
    int sy = 0;
    // Arithmetic shifts: left of and above the text the speeds are negative, and a pointer
    // just outside still moves one cell.
    if (x < marginWidth)
        sx = (x - marginWidth) >> 3;
    else if (x >= textWidth - charWidth)
        sx = ((x - textWidth + charWidth) >> 3) | 1;
    if (y < 0)
        sy = y >> 3;
    else if (y >= textHeight - lineHeight)
        sy = ((y - textHeight + lineHeight) >> 3) | 1;
    if (speedX)
        *speedX = sx;
    if (speedY)
        *speedY = sy;
}

void PanOrigin(int startColumn, int startLine, int dx, int dy, int charWidth, int lineHeight,
               int* column, int* line, int* offsetX, int* offsetY)
{
    if (charWidth < 1)
        charWidth = 1;
    if (lineHeight < 1)
        lineHeight = 1;
    int cells = FloorDiv(dx, charWidth);
    int restX = dx - cells * charWidth;
    int lines = FloorDiv(dy, lineHeight);
    int restY = dy - lines * lineHeight;
    int c = startColumn + cells;
    int l = startLine + lines;
    if (c < 0)
    {
        c = 0;
        restX = 0;
    }
    if (l < 0)
    {
        l = 0;
        restY = 0;
    }
    if (column)
        *column = c;
    if (line)
        *line = l;
    if (offsetX)
        *offsetX = restX;
    if (offsetY)
        *offsetY = restY;
}

int ScrollBarTarget(int code, int current, int windowCells, int position16, int track32, int lineCount,
                    bool vertical)
{
    int page = windowCells - 1;
    switch (code)
    {
    case SB_LINEUP: return current - 1;
    case SB_LINEDOWN: return current + 1;
    case SB_PAGEUP: return current - page;
    case SB_PAGEDOWN: return current + page;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        if (vertical && lineCount >= 32512)
            return track32;
        return position16 & 0xFFFF;
    default: return current;
    }
}

