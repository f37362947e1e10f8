// The hex view's data, cursor and selection without a window: the buffer it shows (never a
// null pointer: an empty placeholder stands in), the cursor in its three columns (hex
// digits, text, address), the range slots (selection and highlight ranges), and the cursor
// movement that keys and mouse clicks turn into. The window class keeps its base's caret in
// step with CaretColumn()/CaretLine() and passes the repaint word on.
#pragma once
#include "views/HexLayout.h"
#include "views/HexLineComposer.h"
#include "views/TextLayout.h"

#include <stdint.h>

// Flags of SetData.
enum HexDataFlags : uint32_t
{
    HDF_WRITABLE = 0x001,       // the caller lets the view change the bytes
    HDF_TAKE_OWNERSHIP = 0x002, // the view frees the buffer (free()) when done with it
    HDF_KEEP_POSITION = 0x004,  // top line and cursor stay
    HDF_NO_REPAINT = 0x008,
    HDF_LINES_ONLY = 0x010,     // only the line count is recomputed
    HDF_KEEP_OLD = 0x100,       // the old buffer is not freed even when owned
};

class CHexModel
{
public:
    static const int kMaxSelectionLength = 0x400000;

    CHexModel();
    virtual ~CHexModel();

    // Attaches a buffer; returns the previous size. A pointer that is NULL or not readable
    // for `size` bytes (or not writable with HDF_WRITABLE) is shown as empty.
    int SetData(const uint8_t* data, int size, uint32_t base, uint32_t flags);
    const uint8_t* Data() const { return m_data; }
    uint8_t* WritableData() { return m_data; }
    int Size() const { return m_size; }
    uint32_t Base() const { return m_base; }
    int Alignment() const { return m_alignment; }
    void SetAlignment(int alignment);
    int LineCount() const { return m_layout.LineCount(m_size, m_alignment); }

    CHexLayout& Layout() { return m_layout; }
    const CHexLayout& Layout() const { return m_layout; }
    uint32_t Mode() const { return m_mode; }
    void SetModeBits(uint32_t value, uint32_t mask) { m_mode = (m_mode & ~mask) | (value & mask); }
    // The public mode bits (HVM_PUBLIC_MASK) under `mask` take `value`; returns the old public
    // bits. Removing the protection over memory that cannot be written is refused with
    // *refused set (the window beeps). A change marks the settings for saving.
    uint32_t SetModeFlags(uint32_t value, uint32_t mask, bool* refused);
    // Lays out with the current mode; a cursor in a hidden column goes to the other one.
    bool Relayout(int bytesPerLine, int extraInterval, int insertSpace, int addressDigits, int groupLog2,
                  int invert);

    // The cursor movement of keys and mouse (MoveCursorFlags); returns 1.
    int MoveCursor(int column, int line, uint32_t flags);
    // Moves the cursor to another column on the same byte; returns the old area.
    int SetCursorArea(int area);

    int Cursor() const { return m_cursor; }
    int Area() const { return m_area; }
    bool FirstDigit() const { return m_firstDigit; }
    int CaretColumn() const { return m_caretColumn; }
    int CaretLine() const { return m_caretLine; }
    void SetSelectionRaster(bool on) { m_selectionRaster = on; }
    bool SelectionRaster() const { return m_selectionRaster; }

    // Programmatic cursor and selection (offsets, or absolute addresses with `absolute`).
    int SetCursorAddress(int64_t address, bool absolute);
    int SetSelectionEnd(int64_t address, bool absolute);
    int64_t GetCursorAddress(bool absolute) const;
    int64_t GetSelection(bool absolute, int* length) const;
    bool HasSelection() const { return m_slots[0].active != 0; }
    void ClearSelection();
    // The cursor to an address as SetCursorAddress puts it there; with `extend` the
    // selection is extended to it instead of ended (begun at the old cursor when there was
    // none), as Shift and a move would. 1 when the address was inside the data, 0 when
    // clamped.
    int MoveCursorToAddress(int64_t address, bool absolute, bool extend);
    // Copies up to `count` bytes from the lower of the cursor and the selection's start (the
    // byte where it was begun), cut at the end of the data; the bytes copied.
    int CopyFromCursor(uint8_t* buffer, int count) const;
    // The absolute address of the byte under a cell; the address column stands for the
    // line's first byte. Cells before the first byte or after the last give addresses
    // outside the data: the caller decides what they mean.
    int64_t AddressOfCell(int column, int line) const;
    int SetHighlightRange(int index, int start, int length);
    const HexRangeSlot* Slots() const { return m_slots; }

    // Scrolling by addresses. The first visible line is the window's (its base's scroll
    // line): these take it and give the new one.
    // SetTopAddress: a line is made to begin at the address (clamped to -(bytes per line - 1)
    // .. size - 1; on the raster with HVM_RASTER) by a new alignment; *topLine becomes that
    // line. Returns the absolute address of the old top line.
    int64_t SetTopAddress(int64_t address, bool absolute, int* topLine);
    int64_t GetTopAddress(bool absolute, int topLine) const;
    // Where a range not wholly in the window of `windowLines` lines from `topLine` is shown
    // from: *topAddress (an offset, for SetTopAddress) is its start less up to three lines of
    // context, or its start when it is longer than the window; 0 when it needs no scrolling.
    int EnsureRangeVisible(int offset, int length, int windowLines, int topLine, int64_t* topAddress) const;

    // Cursor on the address and `length` bytes selected from it (clamped into the data: 1
    // when nothing was clamped); a first line outside the window scrolls the range to the
    // window's middle, or one line from the top when it is longer than the window less 4.
    int SelectRange(int64_t address, int length, bool absolute, int windowLines, int* topLine);
    // The same buffer under another base; cursor and selection stay on their offsets,
    // highlight ranges are cleared. Returns the old base.
    uint32_t SetBaseAddress(uint32_t base);

    // Line of an offset (clamped into the data) and the cell of a byte in an area.
    int LineOfOffset(int offset) const;
    void CellOfOffset(int offset, int area, bool firstDigit, int* column, int* line) const;

    // Where the caller's repaint requests go (the window's word); the model's own by default.
    void SetRepaintWord(uint32_t* word) { m_repaint = word ? word : &m_ownRepaint; }
    uint32_t& RepaintWord() { return *m_repaint; }
    // Marks the lines that hold the bytes low..high (either order) for repainting.
    void RepaintBytes(int low, int high) { RepaintOffsets(low, high); }

protected:
    // Notification 11253: the selection's lower end, upper end and active flag.
    virtual void OnSelectionChanged(int /*low*/, int /*high*/, int /*active*/) {}
    // The cursor moved: the status panes are refreshed.
    virtual void OnCursorMoved() {}
    // SetData (and so SetBaseAddress) attached a buffer: whatever was recorded about the old
    // bytes (the undo ring, the address history) no longer applies.
    virtual void OnDataAttached() {}

private:
    void ReleaseData();
    void PlaceCursor(int offset, int area, bool firstDigit);
    // The cursor's area, moved out of a column the mode bits hide.
    int ShownArea() const;
    void RepaintOffsets(int low, int high);
    void WidenToGroups(HexRangeSlot& slot) const;
    int GroupStart(int offset) const;

    uint8_t m_placeholder[1];
    uint8_t* m_data;
    int m_size;
    uint32_t m_base;
    int m_alignment;
    uint32_t m_mode;
    CHexLayout m_layout;
    int m_cursor;
    int m_area;
    bool m_firstDigit;
    int m_caretColumn;
    int m_caretLine;
    int m_mouseDownColumn;
    int m_mouseDownLine;
    bool m_selectionRaster;
    HexRangeSlot m_slots[HEX_SLOT_COUNT];
    uint32_t m_ownRepaint;
    uint32_t* m_repaint;
};

// WM_HEXVIEW_QUERY (wParam `code`, lParam `value`, offsets relative): 0 set cursor, 1 get
// cursor, 2 set top, 3 get top, 4 set selection end, 5 selection's lower end, 6 set base,
// 7 base, 8 size; other codes 0. *topLine is the window's first visible line.
const unsigned WM_HEXVIEW_QUERY = 0x27F4;
intptr_t HexViewQuery(CHexModel& model, unsigned code, intptr_t value, int* topLine);

// The value under the cursor for the status pane: up to 4 bytes at `offset`, little- or
// big-endian; near the end only the bytes that exist are read. Returns the bytes read (0 for
// an offset outside the data, a NULL pointer or size 0: then nothing is shown).
int ReadCursorValue(const uint8_t* data, int size, int offset, int bytes, bool bigEndian, uint32_t* value);

// Whether memory can be read (or written) for `size` bytes, asked of the memory manager
// page by page instead of by touching it.
bool IsMemoryReadable(const void* data, int size);
bool IsMemoryWritable(const void* data, int size);
