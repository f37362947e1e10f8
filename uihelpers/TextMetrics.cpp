#include "uihelpers/TextMetrics.h"

#include <string.h>

namespace {

int MeasureOnDc(HDC dc, const char* text, int length, int* height)
{
    if (height)
        *height = 0;
    if (!dc || !text)
        return 0;
    if (length < 0)
        length = static_cast<int>(strlen(text));
    SIZE size = {0, 0};
    if (!::GetTextExtentPoint32A(dc, text, length, &size))
        return 0;
    if (height)
        *height = size.cy;
    return size.cx;
}

// Width of exactly `count` characters; unlike TextWidthByTable it does not stop at line
// ends, because path components are measured by their boundaries.
int RangeWidth(const char* text, int count, const unsigned char* table)
{
    if (count <= 0)
        return 0;
    if (!table)
        return count;
    int width = 0;
    for (int i = 0; i < count; ++i)
        width += table[static_cast<unsigned char>(text[i])];
    return width;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

int CopyBounded(char* out, int used, int size, const char* text, int count)
{
    int room = size - 1 - used;
    if (count > room)
        count = room;
    if (count > 0)
    {
        memcpy(out + used, text, static_cast<size_t>(count));
        used += count;
    }
    return used;
}

const int kMaxComponents = 31;

} // namespace

int GetFontTextExtent(const char* text, HFONT font, int length, int* height)
{
    if (height)
        *height = 0;
    if (!text)
        return 0;
    HDC dc = ::GetDC(NULL);
    if (!dc)
        return 0;
    HGDIOBJ old = font ? ::SelectObject(dc, font) : NULL;
    int width = MeasureOnDc(dc, text, length, height);
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(NULL, dc);
    return width;
}

int GetWindowTextExtent(const char* text, HWND window, int length, int* height)
{
    if (height)
        *height = 0;
    if (!text || !window || !::IsWindow(window))
        return 0;
    HDC dc = ::GetDC(window);
    if (!dc)
        return 0;
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? ::SelectObject(dc, font) : NULL;
    int width = MeasureOnDc(dc, text, length, height);
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return width;
}

int TextWidthByTable(const char* text, const unsigned char* table, int count)
{
    if (!text || count < 1)
        return 0;
    int width = 0;
    for (int i = 0; i < count; ++i)
    {
        char c = text[i];
        if (c == '\0' || c == '\r' || c == '\n')
            break;
        width += table ? table[static_cast<unsigned char>(c)] : 1;
    }
    return width;
}

int GetCharWidthTable(HDC dc, unsigned char* table)
{
    if (!dc || !table)
        return 0;
    for (int code = 0; code < 256; ++code)
    {
        char c = static_cast<char>(code);
        SIZE size = {0, 0};
        if (!::GetTextExtentPoint32A(dc, &c, 1, &size))
            size.cx = 0;
        // A width above 255 does not fit the byte: only its low byte is kept.
        table[code] = static_cast<unsigned char>(size.cx & 0xFF);
    }
    return 256;
}

int GetFontWidthTable(unsigned char* table, HFONT font)
{
    if (!table)
        return 0;
    HDC dc = ::GetDC(NULL);
    if (!dc)
        return 0;
    HGDIOBJ old = font ? ::SelectObject(dc, font) : NULL;
    int result = GetCharWidthTable(dc, table);
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(NULL, dc);
    return result;
}

int GetStockFontWidthTable(unsigned char* table, int stockFont)
{
    if (stockFont == -1)
        stockFont = ANSI_VAR_FONT;
    return GetFontWidthTable(table, static_cast<HFONT>(::GetStockObject(stockFont)));
}

int CompactPathToWidth(const char* path, char* out, int size, int width, const unsigned char* table,
                       int frontCount)
{
    if (!out || size < 2)
    {
        if (out && size == 1)
            out[0] = '\0';
        return 0;
    }
    if (!path)
    {
        out[0] = '\0';
        return 0;
    }
    int length = static_cast<int>(strlen(path));
    int total = RangeWidth(path, length, table);

    // The root: one or two leading separators (a UNC server), then up to the next one.
    int rootEnd = 0;
    while (rootEnd < 2 && IsSeparator(path[rootEnd]))
        ++rootEnd;
    while (rootEnd < length && !IsSeparator(path[rootEnd]))
        ++rootEnd;
    // A path that fits is never shortened: the ellipsis is as wide as what it would leave
    // out, and the loop below would swap one component of a fitting path for "...\".
    if (rootEnd >= length || total <= width)
    {
        int used = CopyBounded(out, 0, size, path, length);
        out[used] = '\0';
        return used;
    }
    ++rootEnd;
    if (rootEnd < length && IsSeparator(path[rootEnd]))
        ++rootEnd; // "C:\\dir" is read as one separator after the root

    // Component starts; component i runs from start[i] to start[i + 1].
    int start[kMaxComponents + 1];
    int count = 0;
    start[count++] = 0;
    int pos = rootEnd;
    while (pos < length && count < kMaxComponents)
    {
        start[count++] = pos;
        while (pos < length && !IsSeparator(path[pos]))
            ++pos;
        if (pos < length)
            ++pos;
    }
    // With 31 components the last one takes the rest of the path.
    start[count] = length;
    if (count >= 2 && start[count] - start[count - 1] == 1)
    {
        --count; // a one-character file name stays with its folder
        start[count] = length;
    }
    int last = count - 1;
    int ellipsisWidth = table ? 3 * table[static_cast<unsigned char>('.')] + table[static_cast<unsigned char>('\\')] : 4;
    int budget = width - RangeWidth(path + start[last], length - start[last], table) - ellipsisWidth;

    int front = 0;      // next front candidate; components before it are kept
    int back = last;    // first kept back component
    int frontTaken = 0;
    while (budget > 0 && front < back)
    {
        bool fromFront = frontTaken < frontCount;
        int index = fromFront ? front : back - 1;
        int w = RangeWidth(path + start[index], start[index + 1] - start[index], table);
        if (w > budget)
        {
            // Kept components must join the path without gaps, so the first one that does
            // not fit ends the taking on its side.
            if (!fromFront)
                break;
            frontCount = frontTaken;
            budget -= w;
            continue;
        }
        budget -= w;
        if (fromFront)
        {
            ++front;
            ++frontTaken;
        }
        else
            --back;
    }

    int used = CopyBounded(out, 0, size, path, start[front]);
    if (front < back)
        used = CopyBounded(out, used, size, "...\\", 4);
    used = CopyBounded(out, used, size, path + start[back], length - start[back]);
    out[used] = '\0';
    return used;
}

int CompactPathToWidthEx(const char* path, char* out, int size, int width, const unsigned char* table,
                         int frontCount, const char* before, const char* after, int afterLength,
                         int beforeLength)
{
    if (before)
    {
        int count = beforeLength < 0 ? 0x7FFFFFFF : beforeLength;
        if (path && path >= before)
        {
            // The path shown inside the text before it: only the text up to it counts.
            size_t offset = static_cast<size_t>(path - before);
            if (offset < static_cast<size_t>(count))
                count = static_cast<int>(offset);
        }
        width -= TextWidthByTable(before, table, count);
    }
    if (after)
        width -= TextWidthByTable(after, table, afterLength < 0 ? 0x7FFFFFFF : afterLength);
    return CompactPathToWidth(path, out, size, width, table, frontCount);
}
