// The cell grid of a text view without its window: cell size, visible cells, scroll origin,
// caret, the scroll bar ranges and the layout pass that clamps the caret and scrolls it into
// view. The window class feeds it sizes and requests, then applies what it decided (bar
// ranges, the repaint word) and draws; tests drive it directly.
//
// Hooks for what the window does at the matching points of a layout are virtual members
// with empty defaults, so a test can record them.
#pragma once
#include "views/RepaintWord.h"

#include <stdint.h>

// Option word of a text view.
enum TextViewOptions : uint32_t
{
    TVO_FIX_COLUMN = 0x001,         // the scroll column stays 0
    TVO_FIX_LINE = 0x002,           // the scroll line stays 0
    TVO_NO_HSCROLL = 0x004,         // horizontal bar range 0
    TVO_NO_VSCROLL = 0x008,         // vertical bar range 0
    TVO_NO_HOVERSCROLL = 0x010,     // no scrolling past the last column
    TVO_NO_VOVERSCROLL = 0x020,     // no scrolling past the last line
    TVO_HBAR_DISABLE = 0x100,       // keep the horizontal bar shown but disabled
    TVO_VBAR_DISABLE = 0x200,       // keep the vertical bar shown but disabled

    TVO_HORIZONTAL_BITS = TVO_FIX_COLUMN | TVO_NO_HSCROLL | TVO_NO_HOVERSCROLL,
    TVO_VERTICAL_BITS = TVO_FIX_LINE | TVO_NO_VSCROLL | TVO_NO_VOVERSCROLL,
};

// Flags of UpdateLayout.
enum TextLayoutFlags : int
{
    TLF_CENTRE_JUMP = 1,   // a caret that jumped is centred in the window
    TLF_QUIET = 2,         // no OnLayoutChanged, no origin notification
    TLF_NO_REPAINT = 4,    // leave the repaint to the caller
};

// Move flags of MoveCursor (base and derived views).
const uint32_t MCF_RELATIVE = 0x01;
const uint32_t MCF_EXTEND = 0x02;
const uint32_t MCF_CTRL = 0x04;
const uint32_t MCF_MOUSE = 0x08;
const uint32_t MCF_MOUSE_PRESS = 0x10;
const uint32_t MCF_KEEP_SELECTION = 0x20;   // hex view: the selection stays as it is
const uint32_t MCF_NO_NOTIFY = 0x40;        // hex view: no selection notification
const uint32_t MCF_ARROW_STEP = 0x80;

// Scroll information for one bar, as SetScrollInfo takes it (nMin 0).
struct ScrollBarState
{
    int range;        // nMax
    int page;         // nPage
    int position;     // nPos
    bool shown;
    bool disableOnly; // shown but disabled when nothing can scroll
};

class CTextLayout
{
public:
    CTextLayout(int columnCount, int lineCountArgument);
    virtual ~CTextLayout() {}

    // Cell size in pixels, each at least 1; recomputes the window cells.
    void SetCellSize(int charWidth, int lineHeight);
    // Scroll bar thickness the size handling takes off the client area while a bar shows.
    void SetBarMetrics(int horizontalBarHeight, int verticalBarWidth);

    // WM_SIZE: keeps the client size, works out text area and window cells and, when not
    // nested and the client is at least 1 x 1, runs a layout.
    void OnSize(int clientWidth, int clientHeight);

    // The layout pass: clamps caret and origin, scrolls the caret into view, updates the
    // bars. Flags are TextLayoutFlags.
    void UpdateLayout(int flags);

    // Left margin 0..2000 (other values become 0); false when it did not change.
    bool SetMarginWidth(int width);

    // Cell under a point: 2 in the margin, 1 in the text, 0 outside the lines. Flags bit 0
    // rounds to the nearest cell boundary (half a cell to the right).
    int HitTest(int x, int y, int* column, int* line, int flags) const;
    // The cell the mouse handlers work with: the nearest cell boundary under the pointer,
    // unclamped. Unlike HitTest a point below the last line keeps its column (a free caret
    // lands there), and the layout puts the caret back on the line after the last.
    void MouseCell(int x, int y, int* column, int* line) const;

    // Option bits in mask take value; a change runs a layout. Returns the old word.
    uint32_t SetViewFlags(uint32_t value, uint32_t mask);

    // The laid-out caret is put one step behind the caret (flags bit 0 a column, bit 1 a
    // line), so the next layout scrolls it into view as a step, not a jump.
    void MarkCaretMoved(int flags);
    // The next layout does not scroll to the caret.
    void MarkCaretLaidOut();

    // Origin with a quiet layout; returns nothing (callers read the old origin first).
    void SetScrollOrigin(int column, int line, bool redraw);

    // Repaint requests on the word.
    void InvalidateFromLine(int line) { RepaintFromLine(m_repaint, line); }

    // Line and column counts; a change is taken at the next layout.
    void SetLineCount(int lines) { m_lineCount = lines < 0 ? 0 : lines; }
    void SetColumnCount(int columns) { m_columnCount = columns < 1 ? 1 : columns; }

    // Caret mode 0..3 (bit 0 thin caret, bit 1 shown); other values only re-create the
    // caret. Returns the old mode.
    uint32_t SetCaretMode(uint32_t mode);

    // Fields, read by the window and the derived models.
    int CharWidth() const { return m_charWidth; }
    int LineHeight() const { return m_lineHeight; }
    int WindowColumns() const { return m_windowColumns; }
    int WindowLines() const { return m_windowLines; }
    int PartialColumn() const { return m_partialColumn; }
    int PartialLine() const { return m_partialLine; }
    int TextWidth() const { return m_textWidth; }
    int TextHeight() const { return m_textHeight; }
    int ClientWidth() const { return m_clientWidth; }
    int ClientHeight() const { return m_clientHeight; }
    int MarginWidth() const { return m_marginWidth; }
    int ScrollColumn() const { return m_scrollColumn; }
    int ScrollLine() const { return m_scrollLine; }
    int CaretColumn() const { return m_caretColumn; }
    int CaretLine() const { return m_caretLine; }
    int LineCount() const { return m_lineCount; }
    int ColumnCount() const { return m_columnCount; }
    uint32_t Options() const { return m_options; }
    uint32_t CaretMode() const { return m_caretMode; }
    const ScrollBarState& Bar(int index) const { return m_bar[index & 1]; }

    // The caret as the default MoveCursor places it (absolute or relative); the layout then
    // clamps and scrolls.
    void PlaceCaret(int column, int line, bool relative);
    // Raw origin change (the scroll handlers), clamped by the next layout.
    void ScrollBy(int columns, int lines);
    void SetOriginRaw(int column, int line);

    uint32_t& RepaintWord() { return m_repaint; }
    int PanOffsetX() const { return m_panX; }
    int PanOffsetY() const { return m_panY; }
    void SetPanOffsets(int x, int y);

protected:
    virtual void OnLayoutChanged() {}
    virtual void OnOriginMoved(int /*column*/, int /*line*/) {}         // notification 10228
    virtual void OnSizeChanged(int /*columns*/, int /*lines*/, int /*columnDelta*/, int /*lineDelta*/) {}
    virtual void OnCaretRecreate() {}
    virtual void OnBarsChanged() {}    // the window applies Bar(0) and Bar(1)
    virtual void Repaint() {}          // the window paints what the word holds

private:
    void SizeText(int clientWidth, int clientHeight);
    bool UpdateBar(int index, bool force);

    int m_charWidth;
    int m_lineHeight;
    int m_hBarHeight;
    int m_vBarWidth;
    int m_clientWidth;
    int m_clientHeight;
    int m_textWidth;
    int m_textHeight;
    int m_windowColumns;
    int m_windowLines;
    int m_partialColumn;
    int m_partialLine;
    int m_marginWidth;
    int m_scrollColumn;
    int m_scrollLine;
    int m_caretColumn;
    int m_caretLine;
    int m_lineCount;
    int m_columnCount;
    uint32_t m_options;
    uint32_t m_previousOptions;
    uint32_t m_caretMode;
    uint32_t m_previousCaretMode;
    int m_laidCaretColumn;
    int m_laidCaretLine;
    int m_laidOriginColumn;
    int m_laidOriginLine;
    int m_previousWindowColumns;
    int m_previousWindowLines;
    int m_barColumnCount;
    int m_barLineCount;
    int m_barWindowColumns;
    int m_barWindowLines;
    int m_panX;
    int m_panY;
    int m_sizeDepth;
    uint32_t m_repaint;
    ScrollBarState m_bar[2];
};

// What a navigation key does in the text view base (WM_KEYDOWN, after OnKey declined it).
struct TextKeyAction
{
    enum Kind { NONE, MOVE, SCROLL } kind;
    int column;        // MOVE: column argument of MoveCursor (delta or absolute)
    int line;          // MOVE: line argument
    uint32_t flags;    // MOVE: move flags
    int scrollColumns; // SCROLL (and PageUp/PageDown with a shown caret): origin change
    int scrollLines;
    int scrolledKey;   // SCROLL: the key OnScrolled is called with (0 for none)
};

// keyState bit 0 Shift, bit 1 Ctrl. The Clear key (keypad 5) is the window's: it is not here.
TextKeyAction MapNavigationKey(int virtualKey, uint32_t keyState, bool caretShown, int windowLines,
                               int columnCount, int lineCount, int caretColumn);

// Auto-scroll speed of a selection drag while the pointer is outside the text area, in
// cells per timer tick (0 while inside).
void AutoScrollSpeed(int x, int y, int marginWidth, int textWidth, int textHeight, int charWidth,
                     int lineHeight, int* speedX, int* speedY);

// Panning with the right button: the origin from the press distance, with the remainders
// as pixel offsets (a negative remainder borrows one cell); each at least 0.
void PanOrigin(int startColumn, int startLine, int dx, int dy, int charWidth, int lineHeight,
               int* column, int* line, int* offsetX, int* offsetY);

// A cell packed into one message word, as WM_TEXTEDIT_QUERY carries it: the column in the
// low 16 bits and the line in the high 16 bits, both signed.
inline uint32_t PackCell(int column, int line)
{
    return (static_cast<uint32_t>(column) & 0xFFFFu) | (static_cast<uint32_t>(line) << 16);
}
inline void UnpackCell(uint32_t packed, int* column, int* line)
{
    if (column)
        *column = static_cast<int16_t>(packed & 0xFFFFu);
    if (line)
        *line = static_cast<int16_t>(packed >> 16);
}

// The origin a scroll bar message asks for (before the layout clamps it): `code` is the
// SB_ code, `windowCells` the window's columns or lines, `position16` the message's thumb
// position and `track32` the bar's 32-bit tracking position, which a vertical bar uses when
// the line count is 32512 or more (the message's 16 bits would wrap). Returns `current` for
// codes that do not scroll.
int ScrollBarTarget(int code, int current, int windowCells, int position16, int track32, int lineCount,
                    bool vertical);

