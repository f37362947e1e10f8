#include "views/HexCursor.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

namespace {

int MinInt(int a, int b)
{
    return a < b ? a : b;
}

int MaxInt(int a, int b)
{
    return a > b ? a : b;
}

// Walks the regions the memory manager reports over [data, data + size): every page must be
// committed and carry one of the protections in `wanted`, and none may be a guard page.
bool MemoryHas(const void* data, int size, DWORD wanted)
{
    if (!data)
        return false;
    if (size <= 0)
        return true;
    const char* p = static_cast<const char*>(data);
    const char* end = p + size;
    if (end < p)
        return false;
    while (p < end)
    {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(p, &info, sizeof info) != sizeof info)
            return false;
        if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(info.Protect & wanted))
            return false;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= p)
            return false;
        p = next;
    }
    return true;
}

const DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                        PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
const DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

}  // namespace

bool IsMemoryReadable(const void* data, int size)
{
    return MemoryHas(data, size, kReadable);
}

bool IsMemoryWritable(const void* data, int size)
{
    return MemoryHas(data, size, kWritable);
}

int ReadCursorValue(const uint8_t* data, int size, int offset, int bytes, bool bigEndian, uint32_t* value)
{
    if (value)
        *value = 0;
    if (!data || size <= 0 || offset < 0 || offset >= size || bytes <= 0)
        return 0;
    int count = MinInt(MinInt(bytes, 4), size - offset);
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
    {
        uint32_t b = data[offset + i];
        if (bigEndian)
            v = (v << 8) | b;
        else
            v |= b << (8 * i);
    }
    if (value)
        *value = v;
    return count;
}

// Protected from the start: the empty placeholder is never edited, and a caller's buffer
// says itself whether it may be written (SetData).
CHexModel::CHexModel()
    : m_data(m_placeholder),
      m_size(0),
      m_base(0),
      m_alignment(0),
      m_mode(HVM_AUTO_WIDTH | HVM_RASTER | HVM_WIDTH_RASTER | HVM_SAVE_SETTINGS | HVM_OWNS_DATA | HVM_PROTECTED),
      m_cursor(0),
      m_area(HEX_AREA_HEX),
      m_firstDigit(true),
      m_caretColumn(0),
      m_caretLine(0),
      m_mouseDownColumn(-1),
      m_mouseDownLine(-1),
      m_selectionRaster(false),
      m_ownRepaint(0),
      m_repaint(&m_ownRepaint)
{
    m_placeholder[0] = 0;
    for (int i = 0; i < HEX_SLOT_COUNT; ++i)
        m_slots[i] = HexRangeSlot{ 0, 0, 0, static_cast<uint8_t>(i == 0 ? HCI_SELECTION : HCI_RANGE) };
    m_layout.Layout(16, 4, 1, 6, 0, 0, m_mode | HVM_LAYOUT_STALE);
    PlaceCursor(0, HEX_AREA_HEX, true);
}

CHexModel::~CHexModel()
{
    ReleaseData();
}

void CHexModel::ReleaseData()
{
    if ((m_mode & HVM_OWNS_DATA) && m_data != m_placeholder)
        free(m_data);
    m_data = m_placeholder;
}

int CHexModel::SetData(const uint8_t* data, int size, uint32_t base, uint32_t flags)
{
    int previous = m_size;
    // A buffer that cannot be read (or written, when writing is promised) is shown as
    // empty; a NULL buffer gets the placeholder, so the view never holds a null pointer.
    if (size < 0 || !data || !IsMemoryReadable(data, size))
        size = 0;
    if ((flags & HDF_WRITABLE) && !IsMemoryWritable(data, size))
        size = 0;
    uint8_t* newData = data ? const_cast<uint8_t*>(data) : m_placeholder;
    // The same buffer attached again is kept, owned or not: freeing it would leave the view
    // on freed memory.
    if (newData != m_data && !(flags & HDF_KEEP_OLD))
        ReleaseData();
    m_data = newData;
    m_size = size;
    m_base = base;
    m_mode = (flags & HDF_TAKE_OWNERSHIP) && data ? (m_mode | HVM_OWNS_DATA) : (m_mode & ~HVM_OWNS_DATA);
    m_mode = (flags & HDF_WRITABLE) ? (m_mode & ~HVM_PROTECTED) : (m_mode | HVM_PROTECTED);
    SetHighlightRange(-2, 0, 0);
    m_mode |= HVM_LAYOUT_STALE;
    if (!(flags & HDF_LINES_ONLY))
        m_layout.Layout(-1, -1, -1, -1, -1, -1, m_mode);
    m_mode &= ~HVM_LAYOUT_STALE;
    // A column hidden since the last layout (SetModeFlags leaves that to this one) takes the
    // cursor with it: left there, the cursor would stand on no cell and swallow every key.
    const int shownArea = ShownArea();
    if (!(flags & HDF_KEEP_POSITION))
    {
        m_alignment = 0;
        ClearSelection();
        PlaceCursor(0, shownArea, true);
    }
    else
    {
        if (m_slots[0].active && (m_slots[0].start >= m_size || m_slots[0].end >= m_size))
            ClearSelection();
        PlaceCursor(MinInt(m_cursor, MaxInt(m_size - 1, 0)), shownArea, m_firstDigit);
    }
    if (!(flags & HDF_NO_REPAINT))
        RepaintWord() |= RP_ALL;
    OnDataAttached();
    return previous;
}

void CHexModel::SetAlignment(int alignment)
{
    int bpl = m_layout.BytesPerLine();
    alignment %= bpl;
    if (alignment < 0)
        alignment += bpl;
    if (alignment != m_alignment)
        RepaintWord() |= RP_ALL;
    m_alignment = alignment;
    PlaceCursor(m_cursor, m_area, m_firstDigit);
}

bool CHexModel::Relayout(int bytesPerLine, int extraInterval, int insertSpace, int addressDigits, int groupLog2,
                         int invert)
{
    bool changed = m_layout.Layout(bytesPerLine, extraInterval, insertSpace, addressDigits, groupLog2, invert, m_mode);
    m_mode &= ~HVM_LAYOUT_STALE;
    if (!changed)
        return false;
    const int area = ShownArea();
    if (m_selectionRaster && m_slots[0].active)
        WidenToGroups(m_slots[0]);
    PlaceCursor(m_cursor, area, m_firstDigit);
    RepaintWord() |= RP_ALL;
    return true;
}

int CHexModel::ShownArea() const
{
    int area = m_area;
    if (area == HEX_AREA_HEX && (m_mode & HVM_NO_HEX))
        area = HEX_AREA_TEXT;
    else if (area == HEX_AREA_TEXT && (m_mode & HVM_NO_TEXT))
        area = HEX_AREA_HEX;
    else if (area == HEX_AREA_ADDRESS && (m_mode & HVM_NO_ADDRESS))
        area = HEX_AREA_HEX;
    return area;
}

int CHexModel::LineOfOffset(int offset) const
{
    if (offset >= m_size)
        offset = m_size - 1;
    if (offset < 0)
        offset = 0;
    int bpl = m_layout.BytesPerLine();
    return (offset + m_alignment % bpl) / bpl;
}

void CHexModel::CellOfOffset(int offset, int area, bool firstDigit, int* column, int* line) const
{
    int bpl = m_layout.BytesPerLine();
    int position = offset + m_alignment % bpl;
    if (position < 0)
        position = 0;
    int l = position / bpl;
    int index = position % bpl;
    int c = 0;
    if (area == HEX_AREA_TEXT && m_layout.TextWidth() > 0)
        c = m_layout.TextColumnOf(index);
    else if (area == HEX_AREA_ADDRESS)
        c = 0;
    else if (m_layout.HexWidth() > 0)
        c = m_layout.HexColumnOf(index) + (firstDigit ? 0 : 1);
    else
        c = m_layout.TextColumnOf(index);
    if (column)
        *column = c;
    if (line)
        *line = l;
}

// The cursor's byte: clamped into the data (size 0 keeps it on 0, where nothing is read).
void CHexModel::PlaceCursor(int offset, int area, bool firstDigit)
{
    if (offset >= m_size)
    {
        offset = m_size - 1;
        firstDigit = false;
    }
    if (offset < 0)
    {
        offset = 0;
        firstDigit = true;
    }
    m_cursor = offset;
    m_area = area;
    m_firstDigit = firstDigit;
    CellOfOffset(offset, area, firstDigit, &m_caretColumn, &m_caretLine);
}

void CHexModel::RepaintOffsets(int low, int high)
{
    if (low > high)
    {
        int t = low;
        low = high;
        high = t;
    }
    int bpl = m_layout.BytesPerLine();
    int head = m_alignment % bpl;
    RepaintLineRange(RepaintWord(), MaxInt(low + head, 0) / bpl, MaxInt(high + head, 0) / bpl);
}

int CHexModel::GroupStart(int offset) const
{
    int g = m_layout.GroupSize();
    int head = m_alignment % m_layout.BytesPerLine();
    int position = offset + head;
    return (position >= 0 ? position / g * g : -((-position + g - 1) / g * g)) - head;
}

// Both ends of a selection out to whole value groups, in the direction it was made.
void CHexModel::WidenToGroups(HexRangeSlot& slot) const
{
    int g = m_layout.GroupSize();
    if (g <= 1 || m_size <= 0)
        return;
    int last = m_size - 1;
    if (slot.start <= slot.end)
    {
        slot.start = MaxInt(GroupStart(slot.start), 0);
        slot.end = MinInt(GroupStart(slot.end) + g - 1, last);
    }
    else
    {
        slot.start = MinInt(GroupStart(slot.start) + g - 1, last);
        slot.end = MaxInt(GroupStart(slot.end), 0);
    }
}

void CHexModel::ClearSelection()
{
    if (m_slots[0].active)
        RepaintOffsets(m_slots[0].start, m_slots[0].end);
    m_slots[0].active = 0;
}

int CHexModel::MoveCursor(int column, int line, uint32_t flags)
{
    const CHexLayout& L = m_layout;
    int bpl = L.BytesPerLine();
    int head = m_alignment % bpl;
    HexRangeSlot before = m_slots[0];
    int oldCursor = m_cursor;
    int oldCaretLine = m_caretLine;
    bool relative = (flags & MCF_RELATIVE) != 0;
    bool mouse = (flags & MCF_MOUSE) != 0;
    bool keep = (flags & MCF_KEEP_SELECTION) != 0;
    bool extend = (flags & MCF_EXTEND) != 0;
    bool active = m_slots[0].active != 0;

    int targetOffset = 0;
    int area = m_area;
    bool firstDigit = m_firstDigit;
    bool jumped = false;

    // 1. With a selection a horizontal step in the hex column is a whole byte, and a plain
    // step towards the selection's start lands on it.
    if (relative && active && !keep)
    {
        if (area == HEX_AREA_HEX && line == 0 && (column == 1 || column == -1))
            column *= 2;
        if (!(flags & (MCF_EXTEND | MCF_MOUSE | MCF_KEEP_SELECTION)))
        {
            int start = m_slots[0].start;
            bool back = column < 0 || line < 0;
            bool forward = column > 0 || line > 0;
            if ((back && start < m_cursor) || (forward && start > m_cursor))
            {
                targetOffset = start;
                firstDigit = true;
                jumped = true;
            }
        }
    }

    int newColumn = relative ? m_caretColumn + column : column;
    int newLine = relative ? m_caretLine + line : line;

    if (!jumped)
    {
        // 2. From the mouse the column decides the area.
        if (mouse)
        {
            if (flags & MCF_MOUSE_PRESS)
            {
                m_mouseDownColumn = newColumn;
                m_mouseDownLine = newLine;
            }
            else if (extend && newColumn == m_mouseDownColumn && newLine == m_mouseDownLine)
            {
                extend = false;
            }
            area = L.HitColumn(newColumn).area;
            if (area == HEX_AREA_HEX && L.HexWidth() == 0)
                area = HEX_AREA_TEXT;
        }
        if (area == HEX_AREA_HEX && L.HexWidth() == 0)
            area = HEX_AREA_TEXT;
        if (area == HEX_AREA_TEXT && L.TextWidth() == 0)
            area = HEX_AREA_HEX;

        int index = 0;
        if (area == HEX_AREA_HEX)
        {
            // 3. Hex column. Single keyboard steps walk the digits in display order, over
            // line ends; longer moves stop at the column's ends.
            bool singleStep = relative && !mouse && line == 0 && column != 0 && column >= -2 && column <= 2;
            if (singleStep)
            {
                int slot = (((m_cursor + head) % bpl + bpl) % bpl) ^ L.InvertMask();
                int64_t digits = static_cast<int64_t>(m_caretLine) * bpl * 2 + slot * 2 + (m_firstDigit ? 0 : 1);
                digits += column;
                int64_t lineDigits = static_cast<int64_t>(bpl) * 2;
                int64_t l = digits >= 0 ? digits / lineDigits : -1;
                int64_t rest = digits - l * lineDigits;
                newLine = static_cast<int>(l);
                index = static_cast<int>(rest / 2) ^ L.InvertMask();
                firstDigit = (rest % 2) == 0;
            }
            else
            {
                if (relative && column < -1 && newColumn < L.HexStart())
                    newColumn = L.HexStart();
                if (relative && column > 1 && newColumn >= L.TextStart())
                    newColumn = L.HexColumnOf((bpl - 1) ^ L.InvertMask()) + 1;
                HexColumnHit hit = L.HitColumn(MaxInt(newColumn, L.HexStart()));
                if (hit.area != HEX_AREA_HEX)
                    hit = L.HitColumn(L.HexColumnOf((bpl - 1) ^ L.InvertMask()) + 1);
                index = hit.byteIndex;
                firstDigit = !hit.secondDigit;
                int slot = index ^ L.InvertMask();
                // A click on a blank belongs to the next byte (the last byte keeps it).
                if (mouse && hit.pastFirst > 2 && slot + 1 < bpl)
                {
                    index = (slot + 1) ^ L.InvertMask();
                    firstDigit = true;
                }
            }
        }
        else if (area == HEX_AREA_TEXT)
        {
            // 4. Text column.
            int lineEnd = L.TextStart() + bpl - 1;
            if (relative && column < -1 && newColumn < L.TextStart())
                newColumn = L.TextStart();
            if (relative && column > 1 && newColumn > lineEnd)
                newColumn = lineEnd;
            // Past the line's end, by key or by a click right of the text, comes the next
            // line's first character; before the text start the previous line's last one.
            if (newColumn > lineEnd)
            {
                ++newLine;
                newColumn = L.TextStart();
            }
            else if (newColumn < L.TextStart())
            {
                --newLine;
                newColumn = lineEnd;
            }
            index = newColumn - L.TextStart();
        }
        else
        {
            // 5. Address column: past its digits the cursor enters the hex column.
            if (newColumn >= L.AddressWidth() - 2 && L.HexWidth() > 0)
            {
                area = HEX_AREA_HEX;
                firstDigit = true;
            }
            index = 0;
        }
        // 6. The byte of the cell, clamped into the data.
        int64_t offset = static_cast<int64_t>(newLine) * bpl + index - head;
        if (offset >= m_size)
        {
            offset = m_size - 1;
            firstDigit = false;
        }
        if (offset < 0)
        {
            offset = 0;
            firstDigit = true;
        }
        targetOffset = static_cast<int>(offset);
    }

    // 7. Selection.
    if (extend)
    {
        if (!m_slots[0].active)
        {
            m_slots[0].active = 1;
            m_slots[0].start = oldCursor;
        }
        m_slots[0].end = targetOffset;
    }
    else if (!keep)
    {
        m_slots[0].active = 0;
    }
    // 9. Selection raster (before the notification, so the parent hears the bytes shown).
    if (m_slots[0].active && m_selectionRaster)
        WidenToGroups(m_slots[0]);
    if (m_slots[0].active && area == HEX_AREA_HEX && !keep)
        firstDigit = true;

    bool wasActive = before.active != 0;
    bool isActive = m_slots[0].active != 0;
    bool changed = wasActive != isActive ||
                   (isActive && (before.start != m_slots[0].start || before.end != m_slots[0].end));
    if (changed)
    {
        if (wasActive)
            RepaintOffsets(before.start, before.end);
        if (isActive)
            RepaintOffsets(m_slots[0].start, m_slots[0].end);
    }

    int addressColumn = area == HEX_AREA_ADDRESS ? MaxInt(MinInt(newColumn, L.AddressWidth() - 3), 0) : 0;
    PlaceCursor(targetOffset, area, firstDigit);
    if (area == HEX_AREA_ADDRESS)
        m_caretColumn = addressColumn;
    if (m_caretLine != oldCaretLine)
        RepaintWord() |= RP_CARET;

    // 8. Notification.
    if (changed && !(flags & MCF_NO_NOTIFY))
    {
        if (isActive)
            OnSelectionChanged(MinInt(m_slots[0].start, m_slots[0].end), MaxInt(m_slots[0].start, m_slots[0].end), 1);
        else
            OnSelectionChanged(0, 0, 0);
    }
    // 10. Status panes.
    OnCursorMoved();
    return 1;
}

int CHexModel::SetCursorArea(int area)
{
    int old = m_area;
    if (area < 0 || area > 2 || area == m_area)
        return old;
    // A hidden address column takes no cursor either: the caret would stand where nothing is
    // drawn, and every key typed there would only beep.
    if ((area == HEX_AREA_HEX && (m_mode & HVM_NO_HEX)) || (area == HEX_AREA_TEXT && (m_mode & HVM_NO_TEXT)) ||
        (area == HEX_AREA_ADDRESS && (m_mode & HVM_NO_ADDRESS)))
        return old;
    PlaceCursor(m_cursor, area, true);
    RepaintWord() |= RP_CARET;
    return old;
}

int CHexModel::SetCursorAddress(int64_t address, bool absolute)
{
    int64_t offset = absolute ? address - static_cast<int64_t>(m_base) : address;
    int result = 1;
    if (offset < 0 || offset >= m_size)
    {
        result = 0;
        offset = offset < 0 ? 0 : m_size - 1;
        if (offset < 0)
            offset = 0;
    }
    bool had = m_slots[0].active != 0;
    ClearSelection();
    PlaceCursor(static_cast<int>(offset), m_area == HEX_AREA_ADDRESS ? HEX_AREA_HEX : m_area, true);
    RepaintWord() |= RP_CARET;
    if (had)
        OnSelectionChanged(0, 0, 0);
    OnCursorMoved();
    return result;
}

int CHexModel::MoveCursorToAddress(int64_t address, bool absolute, bool extend)
{
    if (!extend || m_size <= 0)
        return SetCursorAddress(address, absolute);
    int64_t offset = absolute ? address - static_cast<int64_t>(m_base) : address;
    const int result = offset >= 0 && offset < m_size ? 1 : 0;
    if (offset >= m_size)
        offset = m_size - 1;
    if (offset < 0)
        offset = 0;
    // Through the cell, so that the selection follows the rules of a Shift move: begun at
    // the old cursor, widened to groups, notified to the parent.
    int area = m_area == HEX_AREA_ADDRESS ? HEX_AREA_HEX : m_area;
    int column = 0;
    int line = 0;
    CellOfOffset(static_cast<int>(offset), area, true, &column, &line);
    MoveCursor(column, line, MCF_EXTEND);
    return result;
}

int CHexModel::CopyFromCursor(uint8_t* buffer, int count) const
{
    if (!buffer || count <= 0 || m_size <= 0)
        return 0;
    int from = m_slots[0].active ? MinInt(m_cursor, m_slots[0].start) : m_cursor;
    if (from < 0 || from >= m_size)
        return 0;
    int n = MinInt(count, m_size - from);
    memcpy(buffer, m_data + from, static_cast<size_t>(n));
    return n;
}

int64_t CHexModel::AddressOfCell(int column, int line) const
{
    int bpl = m_layout.BytesPerLine();
    HexColumnHit hit = m_layout.HitColumn(column);
    int index = hit.area == HEX_AREA_ADDRESS ? 0 : hit.byteIndex;
    int64_t offset = static_cast<int64_t>(line) * bpl + index - m_alignment % bpl;
    return offset + m_base;
}

int CHexModel::SetSelectionEnd(int64_t address, bool absolute)
{
    int64_t end = absolute ? address - static_cast<int64_t>(m_base) : address;
    int result = 1;
    if (end > m_size)
    {
        end = m_size - 1;
        result = 0;
    }
    if (end < 0)
    {
        end = 0;
        result = 0;
    }
    HexRangeSlot before = m_slots[0];
    if (before.active)
        RepaintOffsets(before.start, before.end);
    if (end > m_cursor)
        m_slots[0] = HexRangeSlot{ m_cursor, static_cast<int>(end) - 1, 1, m_slots[0].color };
    else if (end < m_cursor)
        m_slots[0] = HexRangeSlot{ static_cast<int>(end) + 1, m_cursor, 1, m_slots[0].color };
    else
        m_slots[0].active = 0;
    if (m_slots[0].active)
        RepaintOffsets(m_slots[0].start, m_slots[0].end);
    bool changed = before.active != m_slots[0].active ||
                   (m_slots[0].active && (before.start != m_slots[0].start || before.end != m_slots[0].end));
    if (changed)
    {
        if (m_slots[0].active)
            OnSelectionChanged(m_slots[0].start, m_slots[0].end, 1);
        else
            OnSelectionChanged(0, 0, 0);
    }
    return result;
}

int64_t CHexModel::GetCursorAddress(bool absolute) const
{
    int64_t offset = m_slots[0].active ? m_slots[0].start : m_cursor;
    return absolute ? offset + m_base : offset;
}

int64_t CHexModel::GetSelection(bool absolute, int* length) const
{
    int64_t low = m_cursor;
    int len = 0;
    if (m_slots[0].active)
    {
        low = MinInt(m_slots[0].start, m_slots[0].end);
        int64_t span = static_cast<int64_t>(MaxInt(m_slots[0].start, m_slots[0].end)) - low + 1;
        len = span > kMaxSelectionLength ? kMaxSelectionLength : static_cast<int>(span);
    }
    if (length)
        *length = len;
    return absolute ? low + m_base : low;
}

int CHexModel::SetHighlightRange(int index, int start, int length)
{
    if (index == -2)
    {
        for (int i = 1; i < HEX_SLOT_COUNT; ++i)
        {
            if (m_slots[i].active)
                RepaintOffsets(m_slots[i].start, m_slots[i].end);
            m_slots[i].active = 0;
        }
        return -2;
    }
    if (index == -1)
    {
        for (int i = 0; i < HEX_HIGHLIGHT_COUNT; ++i)
            if (!m_slots[i + 1].active)
            {
                index = i;
                break;
            }
    }
    if (index < 0 || index >= HEX_HIGHLIGHT_COUNT)
        return HEX_HIGHLIGHT_COUNT;
    HexRangeSlot& slot = m_slots[index + 1];
    if (length > 0)
    {
        int64_t last = static_cast<int64_t>(start) + length - 1;
        int end = last > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(last);
        if (slot.active && slot.start == start && slot.end == end)
            return index;
        if (slot.active)
            RepaintOffsets(slot.start, slot.end);
        slot.start = start;
        slot.end = end;
        slot.active = 1;
        slot.color = HCI_RANGE;
        RepaintOffsets(start, end);
    }
    else if (slot.active)
    {
        RepaintOffsets(slot.start, slot.end);
        slot.active = 0;
    }
    return index;
}

int64_t CHexModel::GetTopAddress(bool absolute, int topLine) const
{
    int bpl = m_layout.BytesPerLine();
    int64_t offset = static_cast<int64_t>(bpl) * topLine - m_alignment % bpl;
    return absolute ? offset + m_base : offset;
}

int64_t CHexModel::SetTopAddress(int64_t address, bool absolute, int* topLine)
{
    int current = topLine ? *topLine : 0;
    int64_t old = GetTopAddress(true, current);
    int bpl = m_layout.BytesPerLine();
    int64_t offset = absolute ? address - static_cast<int64_t>(m_base) : address;
    if (m_size <= 0)
        offset = 0;
    else if (offset < -(bpl - 1))
        offset = -(bpl - 1);
    else if (offset > m_size - 1)
        offset = m_size - 1;
    int raster = m_layout.Raster();
    if ((m_mode & HVM_RASTER) && raster > 1)
    {
        // Down to the raster, counted from the current top line's grid.
        int64_t rel = offset - static_cast<int64_t>(bpl) * current;
        int64_t rem = rel % raster;
        if (rem < 0)
            rem += raster;
        offset -= rem;
    }
    int64_t mod = offset % bpl;
    if (mod < 0)
        mod += bpl;
    int alignment = static_cast<int>((bpl - mod) % bpl);
    if ((m_mode & HVM_RASTER) && raster > 1)
        alignment %= raster;
    if (alignment != m_alignment)
        RepaintWord() |= RP_ALL;
    m_alignment = alignment;
    // The line that holds the address now (with the raster's alignment it need not begin
    // there), kept within the lines.
    int64_t line = offset + alignment;
    line = line >= 0 ? line / bpl : 0;
    int lines = LineCount();
    if (line > lines - 1)
        line = lines - 1;
    if (line < 0)
        line = 0;
    if (topLine)
        *topLine = static_cast<int>(line);
    PlaceCursor(m_cursor, m_area, m_firstDigit);
    RepaintWord() |= RP_ALL;
    return old;
}

int CHexModel::EnsureRangeVisible(int offset, int length, int windowLines, int topLine, int64_t* topAddress) const
{
    if (!topAddress || windowLines <= 0)
        return 0;
    if (offset < 0)
    {
        length += offset;
        offset = 0;
    }
    if (offset >= m_size)
        return 0;
    if (length < 1)
        length = 1;
    int64_t lastOffset = static_cast<int64_t>(offset) + length - 1;
    if (lastOffset > m_size - 1)
        lastOffset = m_size - 1;
    int first = LineOfOffset(offset);
    int last = LineOfOffset(static_cast<int>(lastOffset));
    if (first >= topLine && first < topLine + windowLines && last >= topLine && last < topLine + windowLines)
        return 0;
    const int bpl = m_layout.BytesPerLine();
    int span = last - first;
    int64_t top;
    if (span <= windowLines)
    {
        int margin = (windowLines - span) / 2;
        margin = margin < 0 ? 0 : (margin > 3 ? 3 : margin);
        top = static_cast<int64_t>(offset) - static_cast<int64_t>(margin) * bpl;
        // Lines of context above the first byte, but none before it: a top address below
        // offset 0 would start the first line with blanks and end it at the first byte.
        if (top < 0)
            top = 0;
    }
    else if (last <= topLine || first >= topLine + windowLines)
    {
        top = offset;
    }
    else
    {
        return 0;
    }
    *topAddress = top;
    return 1;
}

uint32_t CHexModel::SetModeFlags(uint32_t value, uint32_t mask, bool* refused)
{
    if (refused)
        *refused = false;
    uint32_t old = m_mode & HVM_PUBLIC_MASK;
    mask &= HVM_PUBLIC_MASK;
    uint32_t wanted = (m_mode & ~mask) | (value & mask);
    if (((wanted ^ m_mode) & mask) == 0)
        return old;
    if ((m_mode & HVM_PROTECTED) && !(wanted & HVM_PROTECTED) && m_size > 0 && !IsMemoryWritable(m_data, m_size))
    {
        wanted |= HVM_PROTECTED;
        if (refused)
            *refused = true;
    }
    if ((m_mode & HVM_PROTECTED) && !(wanted & HVM_PROTECTED) && m_data == m_placeholder)
        wanted |= HVM_PROTECTED;   // the empty placeholder is never edited
    m_mode = wanted | HVM_SAVE_SETTINGS;
    RepaintWord() |= RP_ALL;
    return old;
}

int CHexModel::SelectRange(int64_t address, int length, bool absolute, int windowLines, int* topLine)
{
    int64_t offset = absolute ? address - static_cast<int64_t>(m_base) : address;
    int result = 1;
    if (offset < 0 || offset > m_size - 1)
    {
        result = 0;
        offset = offset < 0 ? 0 : m_size - 1;
        if (offset < 0)
            offset = 0;
    }
    SetCursorAddress(offset, false);
    int span = 0;
    if (length > 0 && m_size > 0)
    {
        int64_t end = offset + length;
        if (end > m_size)
        {
            end = m_size;
            result = 0;
        }
        SetSelectionEnd(end, false);
        span = LineOfOffset(static_cast<int>(end - 1)) - LineOfOffset(static_cast<int>(offset));
    }
    if (topLine && windowLines > 0)
    {
        int first = LineOfOffset(static_cast<int>(offset));
        if (first < *topLine || first >= *topLine + windowLines)
        {
            int top = span > windowLines - 4 ? first - 1 : first - (windowLines - span) / 2;
            *topLine = top < 0 ? 0 : top;
        }
    }
    return result;
}

uint32_t CHexModel::SetBaseAddress(uint32_t base)
{
    uint32_t old = m_base;
    if (base == old)
        return old;
    HexRangeSlot selection = m_slots[0];
    uint32_t flags = HDF_KEEP_OLD | HDF_KEEP_POSITION;
    if (!(m_mode & HVM_PROTECTED))
        flags |= HDF_WRITABLE;
    if (m_mode & HVM_OWNS_DATA)
        flags |= HDF_TAKE_OWNERSHIP;
    bool wasProtected = (m_mode & HVM_PROTECTED) != 0;
    SetData(m_data == m_placeholder ? nullptr : m_data, m_size, base, flags);
    if (wasProtected)
        m_mode |= HVM_PROTECTED;
    m_slots[0] = selection;
    return old;
}

intptr_t HexViewQuery(CHexModel& model, unsigned code, intptr_t value, int* topLine)
{
    int length = 0;
    switch (code)
    {
    case 0: model.SetCursorAddress(value, false); return 1;
    case 1: return static_cast<intptr_t>(model.GetCursorAddress(false));
    case 2: model.SetTopAddress(value, false, topLine); return 1;
    case 3: return static_cast<intptr_t>(model.GetTopAddress(false, topLine ? *topLine : 0));
    case 4: model.SetSelectionEnd(value, false); return 1;
    case 5: return static_cast<intptr_t>(model.GetSelection(false, &length));
    case 6: model.SetBaseAddress(static_cast<uint32_t>(value)); return 1;
    case 7: return static_cast<intptr_t>(model.Base());
    case 8: return model.Size();
    default: return 0;
    }
}
