#include "views/HexLayout.h"

namespace {

int ClampInt(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

int RoundUpTo(int value, int step)
{
    return (value + step - 1) / step * step;
}

}  // namespace

CHexLayout::CHexLayout()
    : m_requestedBytesPerLine(16),
      m_requestedExtraInterval(4),
      m_requestedRaster(4),
      m_requestedWidthRaster(4),
      m_invert(0),
      m_bytesPerLine(16),
      m_extraInterval(4),
      m_insertSpace(1),
      m_groupLog2(0),
      m_invertMask(0),
      m_raster(4),
      m_widthRaster(4),
      m_addressDigits(6),
      m_addressWidth(8),
      m_hexWidth(0),
      m_textWidth(0),
      m_hexStart(0),
      m_textStart(0),
      m_lineLength(0),
      m_mode(HVM_AUTO_WIDTH | HVM_RASTER | HVM_WIDTH_RASTER),
      m_laidOut(false),
      m_laidInsertSpace(-1),
      m_laidGroupLog2(-1)
{
    Layout(-1, -1, -1, -1, -1, -1, m_mode | HVM_LAYOUT_STALE);
}

void CHexLayout::SetRasterRequests(int raster, int widthRaster)
{
    m_requestedRaster = raster < 1 ? 1 : raster;
    m_requestedWidthRaster = widthRaster < 1 ? 1 : widthRaster;
}

bool CHexLayout::Layout(int bytesPerLine, int extraInterval, int insertSpace, int addressDigits,
                        int groupLog2, int invert, uint32_t mode)
{
    if (bytesPerLine >= 0)
        m_requestedBytesPerLine = bytesPerLine;
    if (extraInterval >= 0)
        m_requestedExtraInterval = extraInterval == 0 ? kNoExtraInterval : extraInterval;
    if (insertSpace >= 0)
        m_insertSpace = insertSpace ? 1 : 0;
    // An address of no digits is no address; hiding it is the mode bit's job.
    int digits = addressDigits >= 0 ? ClampInt(addressDigits, 1, 8) : m_addressDigits;
    if (groupLog2 >= 0)
        m_groupLog2 = groupLog2 & 3;
    if (invert >= 0)
        m_invert = invert ? 1 : 0;

    int g = 1 << m_groupLog2;
    int raster = m_requestedRaster < 1 ? 1 : m_requestedRaster;
    int widthRaster = m_requestedWidthRaster < 1 ? 1 : m_requestedWidthRaster;
    int bytes = m_requestedBytesPerLine;
    int extra = m_requestedExtraInterval < 1 ? kNoExtraInterval : m_requestedExtraInterval;
    if (mode & HVM_WIDTH_RASTER)
        bytes = bytes / widthRaster * widthRaster;
    int invertMask = 0;
    if (g > 1)
    {
        bytes = bytes / g * g;
        if (bytes < g)
            bytes = g;
        extra = RoundUpTo(extra, g);
        raster = RoundUpTo(raster, g);
        widthRaster = RoundUpTo(widthRaster, g);
        invertMask = m_invert ? g - 1 : 0;
    }
    bytes = ClampInt(bytes, 1, kMaxBytesPerLine);

    bool same = m_laidOut && bytes == m_bytesPerLine && extra == m_extraInterval && raster == m_raster &&
                widthRaster == m_widthRaster && invertMask == m_invertMask && digits == m_addressDigits &&
                m_insertSpace == m_laidInsertSpace && m_groupLog2 == m_laidGroupLog2 &&
                !(mode & HVM_LAYOUT_STALE) && ((mode ^ m_mode) & HVM_LAYOUT_BITS) == 0;
    m_bytesPerLine = bytes;
    m_extraInterval = extra;
    m_raster = raster;
    m_widthRaster = widthRaster;
    m_invertMask = invertMask;
    m_addressDigits = digits;
    m_mode = mode & ~HVM_LAYOUT_STALE;
    if (same)
        return false;
    m_laidOut = true;
    m_laidInsertSpace = m_insertSpace;
    m_laidGroupLog2 = m_groupLog2;

    m_addressWidth = (mode & HVM_NO_ADDRESS) ? 0 : digits + 2;
    m_hexWidth = 0;
    if (!(mode & HVM_NO_HEX))
    {
        m_hexWidth = 2 * bytes + 2;
        if (m_insertSpace)
            m_hexWidth += bytes / g - 1;
        m_hexWidth += bytes / extra;
        if (bytes % extra == 0)
            m_hexWidth -= 1;
    }
    m_textWidth = (mode & HVM_NO_TEXT) ? 0 : bytes;
    m_hexStart = m_addressWidth;
    m_textStart = m_hexStart + m_hexWidth;
    m_lineLength = m_textStart + m_textWidth;
    return true;
}

int CHexLayout::SlotColumn(int slot) const
{
    return 2 * slot + (m_insertSpace ? (slot >> m_groupLog2) : 0) + slot / m_extraInterval;
}

int CHexLayout::HexColumnOf(int index) const
{
    if (m_hexWidth == 0 || index < 0 || index >= m_bytesPerLine)
        return -1;
    return m_hexStart + SlotColumn(index ^ m_invertMask);
}

int CHexLayout::TextColumnOf(int index) const
{
    if (m_textWidth == 0 || index < 0 || index >= m_bytesPerLine)
        return -1;
    return m_textStart + index;
}

HexColumnHit CHexLayout::HitColumn(int column) const
{
    HexColumnHit hit = { HEX_AREA_TEXT, 0, false, 0 };
    if (m_addressWidth > 0 && column < m_addressWidth - 2)
    {
        hit.area = HEX_AREA_ADDRESS;
        return hit;
    }
    if (column < m_textStart && m_hexWidth > 0)
    {
        hit.area = HEX_AREA_HEX;
        int rel = column - m_hexStart;
        if (rel < 0)
            rel = 0;
        // Every byte takes at least two and at most five columns (two digits, a group
        // blank, an extra blank, the trailing blanks): start from the two-column estimate
        // and walk to the slot whose first digit is the last one at or left of the column.
        int slot = rel / 2;
        if (slot >= m_bytesPerLine)
            slot = m_bytesPerLine - 1;
        while (slot > 0 && SlotColumn(slot) > rel)
            --slot;
        while (slot + 1 < m_bytesPerLine && SlotColumn(slot + 1) <= rel)
            ++slot;
        hit.pastFirst = rel - SlotColumn(slot);
        hit.secondDigit = hit.pastFirst > 0;
        hit.byteIndex = slot ^ m_invertMask;
        return hit;
    }
    if (m_textWidth == 0)
    {
        // No text column: what is right of the hex column belongs to its last byte.
        hit.area = m_hexWidth > 0 ? HEX_AREA_HEX : HEX_AREA_ADDRESS;
        if (m_hexWidth > 0)
        {
            int slot = m_bytesPerLine - 1;
            hit.byteIndex = slot ^ m_invertMask;
            hit.pastFirst = column - m_hexStart - SlotColumn(slot);
            hit.secondDigit = true;
        }
        return hit;
    }
    hit.byteIndex = ClampInt(column - m_textStart, 0, m_bytesPerLine - 1);
    return hit;
}

int CHexLayout::LineCount(int size, int alignment) const
{
    if (size <= 0)
        return 0;
    int head = alignment % m_bytesPerLine;
    if (head < 0)
        head += m_bytesPerLine;
    return static_cast<int>((static_cast<int64_t>(size) + head + m_bytesPerLine - 1) / m_bytesPerLine);
}

int CHexLayout::AutoBytesPerLine(int windowColumns) const
{
    int bytes = AutoBytesUnclamped(windowColumns);
    // A window too narrow for one byte still shows one: a negative count would read as
    // "keep the current width" to the layout.
    return bytes < 1 ? 1 : bytes;
}

int CHexLayout::AutoBytesUnclamped(int windowColumns) const
{
    bool hex = m_hexWidth > 0;
    bool text = m_textWidth > 0;
    if (!hex && !text)
        return m_bytesPerLine;
    int w = windowColumns - m_addressWidth - 1;
    if (hex && text)
        w -= 2;
    int k = hex && text ? 3 : (hex ? 2 : 1);
    if (!hex)
        return w / k;
    int64_t e = m_extraInterval;
    int64_t g = 1 << m_groupLog2;
    int64_t W = w;
    if (e != kNoExtraInterval)
    {
        if (m_insertSpace)
            return static_cast<int>((W * e * g + e * g) / (k * e * g + e + g));
        return static_cast<int>((W * e + e) / (k * e + 1));
    }
    if (m_insertSpace)
        return static_cast<int>(g * (W + 1) / (k * g + 1));
    return w / k;
}
