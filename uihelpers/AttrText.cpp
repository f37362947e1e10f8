#include "uihelpers/AttrText.h"

#include <string.h>
#include <wchar.h>

#include <vector>

const COLORREF DefaultAttrColors[32] = {
    0x00C0C0, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0x8080FF,
    0x404040, 0x400000, 0x004000, 0x404000, 0x000040, 0xFF0080, 0xC00040, 0xC00000,
    0x000000, 0xDEDEDE, 0xFFC8C8, 0xC0FFC0, 0xFFFF9B, 0xFFC0FF, 0xFFFFFF, 0x80FFFF};

namespace {

// The GDI calls of both character widths.
BOOL TextOutChars(HDC dc, int x, int y, UINT options, const RECT* r, const char* s, int n)
{
    return ::ExtTextOutA(dc, x, y, options, r, s, static_cast<UINT>(n), NULL);
}
BOOL TextOutChars(HDC dc, int x, int y, UINT options, const RECT* r, const wchar_t* s, int n)
{
    return ::ExtTextOutW(dc, x, y, options, r, s, static_cast<UINT>(n), NULL);
}
BOOL Extent(HDC dc, const char* s, int n, SIZE* size)
{
    return ::GetTextExtentPoint32A(dc, s, n, size);
}
BOOL Extent(HDC dc, const wchar_t* s, int n, SIZE* size)
{
    return ::GetTextExtentPoint32W(dc, s, n, size);
}
BOOL ExtentEx(HDC dc, const char* s, int n, int max, int* fit, int* dx, SIZE* size)
{
    return ::GetTextExtentExPointA(dc, s, n, max, fit, dx, size);
}
BOOL ExtentEx(HDC dc, const wchar_t* s, int n, int max, int* fit, int* dx, SIZE* size)
{
    return ::GetTextExtentExPointW(dc, s, n, max, fit, dx, size);
}

bool IsBlank(char c)
{
    return c == ' ' || static_cast<unsigned char>(c) == 0xA0;
}
bool IsBlank(wchar_t c)
{
    return c == L' ' || c == 0xA0;
}

template <typename Char>
int RunLength(const Char* text, const BYTE* attributes, int start, int count, BYTE mask, DWORD flags)
{
    if (start >= count)
        return 0;
    const BYTE run = attributes[start] & mask;
    const BYTE textBits = static_cast<BYTE>((1u << AttrTextBits(flags)) - 1);
    int i = start + 1;
    while (i < count)
    {
        BYTE a = attributes[i] & mask;
        if (a != run && !(IsBlank(text[i]) && ((a ^ run) & ~textBits) == 0))
            break;
        ++i;
    }
    return i - start;
}

FontLine MeasureFonts(HDC dc, const HFONT* fonts, DWORD flags, const BYTE* attributes, int count, bool bottom)
{
    int wanted = static_cast<int>((flags & ATTR_FONT_COUNT_MASK) >> ATTR_FONT_COUNT_SHIFT);
    if (wanted > 4)
        wanted = 4;
    bool use[4] = {};
    for (int i = 0; i < wanted; ++i)
        use[i] = true;
    for (int i = 0; wanted == 0 && attributes && i < count; ++i)
        use[attributes[i] >> ATTR_FONT_SHIFT] = true;
    int ascent[4] = {};
    int height[4] = {};
    bool measured[4] = {};
    HGDIOBJ saved = ::GetCurrentObject(dc, OBJ_FONT);
    for (int i = 0; i < 4; ++i)
    {
        TEXTMETRICA tm;
        if (!use[i] || !fonts[i] || !::SelectObject(dc, fonts[i]) || !::GetTextMetricsA(dc, &tm))
            continue;
        measured[i] = true;
        ascent[i] = tm.tmAscent;
        height[i] = tm.tmHeight;
    }
    ::SelectObject(dc, saved);
    return AttrFontLine(ascent, height, measured, bottom);
}

// The current font's ascent and height as a line of one font.
FontLine CurrentFontLine(HDC dc)
{
    int ascent[4] = {};
    int height[4] = {};
    bool measured[4] = {true, false, false, false};
    TEXTMETRICA tm;
    if (::GetTextMetricsA(dc, &tm))
    {
        ascent[0] = tm.tmAscent;
        height[0] = tm.tmHeight;
    }
    return AttrFontLine(ascent, height, measured, false);
}

void FillRect(HDC dc, const RECT* rect)
{
    if (rect)
        ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, rect, NULL, 0, NULL);
}

// The device context's colours and font as they were, put back by Restore().
struct SavedState {
    explicit SavedState(HDC d)
        : dc(d), text(::GetTextColor(d)), background(::GetBkColor(d)), mode(::GetBkMode(d)),
          font(::GetCurrentObject(d, OBJ_FONT))
    {
    }
    void Restore() const
    {
        ::SelectObject(dc, font);
        ::SetTextColor(dc, text);
        ::SetBkColor(dc, background);
        ::SetBkMode(dc, mode);
    }
    HDC dc;
    COLORREF text;
    COLORREF background;
    int mode;
    HGDIOBJ font;
};

// The colours of a run from its attribute.
struct RunColours {
    RunColours(HDC dc, DWORD flags, const COLORREF* colours, const SavedState& saved)
        : table(colours ? colours : DefaultAttrColors), textBits(AttrTextBits(flags)),
          textMask(static_cast<BYTE>((1u << textBits) - 1)), flags(flags),
          defaultText((flags & ATTR_DEFAULT_FROM_TABLE) ? table[0] : saved.text), savedBackground(saved.background)
    {
        if (textBits < 5 && saved.mode != OPAQUE)
            ::SetBkMode(dc, OPAQUE);
    }
    // Sets text and background colour; a run with a background of its own first fills a
    // rectangle still waiting for ETO_OPAQUE in the current background colour.
    void Apply(HDC dc, BYTE attribute, UINT* options, const RECT* rect) const
    {
        int index = attribute & textMask;
        ::SetTextColor(dc, index ? table[index] : defaultText);
        if (textBits == 5)
            return;
        int background = AttrBackgroundIndex(attribute, flags);
        if (!background)
        {
            ::SetBkColor(dc, savedBackground);
            return;
        }
        if (options && (*options & ETO_OPAQUE))
        {
            FillRect(dc, rect);
            *options &= ~ETO_OPAQUE;
        }
        ::SetBkColor(dc, table[32 - background]);
    }
    // A one-pixel bar under a run in the text colour entry of the attribute.
    void Underline(HDC dc, BYTE attribute, int x, int y, int width) const
    {
        COLORREF old = ::SetBkColor(dc, table[attribute & textMask]);
        RECT bar = {x, y, x + width, y + 1};
        FillRect(dc, &bar);
        ::SetBkColor(dc, old);
    }
    const COLORREF* table;
    int textBits;
    BYTE textMask;
    DWORD flags;
    COLORREF defaultText;
    COLORREF savedBackground;
};

template <typename Char>
int DrawAttr(HDC dc, int x, int y, DWORD flags, const RECT* rect, const Char* text, int count, const BYTE* attributes,
             const COLORREF* colours, const HFONT* fonts)
{
    if ((flags & ATTR_RELATIVE) && rect)
    {
        x += rect->left;
        y += rect->top;
    }
    UINT options = flags & 0xFFFFFF;
    if (!attributes)
    {
        HGDIOBJ old = fonts && fonts[0] ? ::SelectObject(dc, fonts[0]) : NULL;
        BOOL done = TextOutChars(dc, x, y, options, rect, text, count);
        if (old)
            ::SelectObject(dc, old);
        return done;
    }
    if (!dc || (!text && count > 0))
        return x;
    SavedState saved(dc);
    RunColours paint(dc, flags, colours, saved);
    const BYTE mask = fonts ? 0xFF : 0x3F;
    FontLine line = fonts ? MeasureFonts(dc, fonts, flags, attributes, count, false) : CurrentFontLine(dc);
    int font = count > 0 ? attributes[0] >> ATTR_FONT_SHIFT : 0;
    if (fonts && count > 0 && fonts[font])
        ::SelectObject(dc, fonts[font]);
    int runTop = y + line.offset[font];
    // One underline height for the whole line, one pixel under the common baseline. Measured
    // from each run's own top, a smaller font's underline sat lower by its baseline offset,
    // below the line's cells, and a run followed by another font took that font's top:
    // the underlines of one line at different heights.
    const int underlineY = y + line.baseline + 1;
    for (int start = 0; start < count;)
    {
        int length = RunLength(text, attributes, start, count, mask, flags);
        BYTE attribute = attributes[start] & mask;
        paint.Apply(dc, attribute, &options, rect);
        SIZE size = {0, 0};
        Extent(dc, text + start, length, &size);
        TextOutChars(dc, x, runTop, options, rect, text + start, length);
        start += length;
        if (fonts && start < count && (attributes[start] >> ATTR_FONT_SHIFT) != font)
        {
            int next = attributes[start] >> ATTR_FONT_SHIFT;
            runTop += line.offset[next] - line.offset[font];
            if (fonts[next])
                ::SelectObject(dc, fonts[next]);
            font = next;
        }
        if (attribute & ATTR_UNDERLINE)
            paint.Underline(dc, attribute, x, underlineY, size.cx);
        x += size.cx;
        options &= ~ETO_OPAQUE;
        if (rect && (options & ETO_CLIPPED) && x >= rect->right)
            break;
    }
    if ((options & ETO_OPAQUE) && count < 1)
        FillRect(dc, rect);
    saved.Restore();
    return x;
}

template <typename Char>
int MeasureAttr(HDC dc, const Char* text, int count, int maxExtent, int* fit, int* partial, SIZE* size,
                const BYTE* attributes, const HFONT* fonts)
{
    if (!attributes || !fonts || count < 1)
        return ExtentEx(dc, text, count, maxExtent, fit, partial, size);
    count &= ~0x70000000;
    HGDIOBJ saved = ::GetCurrentObject(dc, OBJ_FONT);
    int width = 0, height = 0, fitted = 0;
    bool fitting = true;
    std::vector<int> dx;
    for (int start = 0; start < count;)
    {
        int font = attributes[start] >> ATTR_FONT_SHIFT;
        int length = 1;
        while (start + length < count && (attributes[start + length] >> ATTR_FONT_SHIFT) == font)
            ++length;
        if (fonts[font])
            ::SelectObject(dc, fonts[font]);
        dx.assign(static_cast<size_t>(length), 0);
        int runFit = 0;
        SIZE runSize = {0, 0};
        // A run after one that overran the extent gets no room rather than a negative
        // extent, so that GDI still measures it for the total size.
        int room = maxExtent - width;
        if (!ExtentEx(dc, text + start, length, fitting && room > 0 ? room : 0, &runFit, dx.data(), &runSize))
            break;
        if (fitting)
        {
            // Extents count from the start of the text; none past a run that did not fit.
            for (int j = 0; partial && j < runFit; ++j)
                partial[start + j] = width + dx[j];
            fitted += runFit;
            fitting = runFit == length;
        }
        width += runSize.cx;
        height = runSize.cy;
        start += length;
    }
    ::SelectObject(dc, saved);
    if (fit)
        *fit = fitted;
    if (size)
    {
        size->cx = width;
        size->cy = height;
    }
    return 1;
}

int FloorDiv(int a, int b)
{
    int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

template <typename Char>
int TabbedExtent(HDC dc, int x, const Char* text, const BYTE* attributes, int count, int tabCount,
                 const int* tabStops, int tabOrigin, const HFONT* fonts)
{
    if (!dc || !text || count < 1)
        return 0;
    HGDIOBJ saved = ::GetCurrentObject(dc, OBJ_FONT);
    if (fonts && fonts[0])
        ::SelectObject(dc, fonts[0]);
    TEXTMETRICA tm;
    int average = ::GetTextMetricsA(dc, &tm) ? tm.tmAveCharWidth : 8;
    AttrTabStops tabs = {tabCount > 1 && tabStops ? tabCount : 0, tabStops, tabOrigin,
                         tabCount == 1 && tabStops ? tabStops[0] : 8 * average};
    // A single stop of 0 (or below) would be a spacing to divide by: the default spacing.
    if (tabs.spacing <= 0)
        tabs.spacing = 8 * average > 0 ? 8 * average : 64;
    const bool byFont = fonts && attributes;
    const int start = x;
    for (int i = 0; i < count;)
    {
        int tabsHere = 0;
        for (; i < count && text[i] == '\t'; ++i)
            ++tabsHere;
        int from = i;
        int font = byFont && i < count ? attributes[i] >> ATTR_FONT_SHIFT : 0;
        while (i < count && text[i] != '\t' && (!byFont || (attributes[i] >> ATTR_FONT_SHIFT) == font))
            ++i;
        SIZE size = {0, 0};
        if (i > from)
        {
            if (byFont && fonts[font])
                ::SelectObject(dc, fonts[font]);
            Extent(dc, text + from, i - from, &size);
        }
        // Every TAB moves on to its own stop, as tabbed text is drawn: moving once for a
        // row of TABs would measure "\t\tX" a stop short, and whatever a caller places
        // after that width would be drawn over the X.
        for (int t = 0; t < tabsHere; ++t)
            x = NextTabPosition(x, t == tabsHere - 1 ? size.cx : 0, tabs);
        x += size.cx;
    }
    ::SelectObject(dc, saved);
    return x - start;
}

}  // namespace

int AttrTextBits(DWORD flags)
{
    return 5 - static_cast<int>((flags & ATTR_SPLIT_MASK) >> ATTR_SPLIT_SHIFT);
}

int AttrTextIndex(BYTE attribute, DWORD flags)
{
    return attribute & ((1 << AttrTextBits(flags)) - 1);
}

int AttrBackgroundIndex(BYTE attribute, DWORD flags)
{
    return (attribute & 31) >> AttrTextBits(flags);
}

FontLine AttrFontLine(const int ascent[4], const int height[4], const bool measured[4], bool bottom)
{
    FontLine line = {};
    int descent = 0;
    for (int i = 0; i < 4; ++i)
    {
        if (!measured[i])
            continue;
        if (ascent[i] > line.ascent)
            line.ascent = ascent[i];
        if (height[i] > line.height)
            line.height = height[i];
        if (height[i] - ascent[i] > descent)
            descent = height[i] - ascent[i];
    }
    // A font not measured sits as if its ascent were the common one.
    line.baseline = bottom ? line.height - descent : line.ascent;
    for (int i = 0; i < 4; ++i)
        line.offset[i] = line.baseline - (measured[i] ? ascent[i] : line.ascent);
    return line;
}

int AttrRunLength(const char* text, const BYTE* attributes, int start, int count, BYTE mask, DWORD flags)
{
    return RunLength(text, attributes, start, count, mask, flags);
}

int AttrRunLength(const wchar_t* text, const BYTE* attributes, int start, int count, BYTE mask, DWORD flags)
{
    return RunLength(text, attributes, start, count, mask, flags);
}

int NextTabPosition(int x, int width, const AttrTabStops& tabs)
{
    for (int i = 0; i < tabs.count; ++i)
    {
        int stop = tabs.stops[i];
        int at = (stop < 0 ? -stop : stop) + tabs.origin;
        if (at > x)
            return stop < 0 ? at - width : at;
    }
    int spacing = tabs.spacing > 0 ? tabs.spacing : 1;
    return tabs.origin + (FloorDiv(x - tabs.origin, spacing) + 1) * spacing;
}

int DrawAttrTextA(HDC dc, int x, int y, DWORD flags, const RECT* rect, const char* text, int count,
                  const BYTE* attributes, const COLORREF* colours, const HFONT* fonts)
{
    return DrawAttr(dc, x, y, flags, rect, text, count, attributes, colours, fonts);
}

int DrawAttrTextW(HDC dc, int x, int y, DWORD flags, const RECT* rect, const wchar_t* text, int count,
                  const BYTE* attributes, const COLORREF* colours, const HFONT* fonts)
{
    return DrawAttr(dc, x, y, flags, rect, text, count, attributes, colours, fonts);
}

int DrawAttrTextExW(HDC dc, RECT* rect, DWORD flags, UINT format, const wchar_t* text, int count,
                    const BYTE* attributes, const COLORREF* colours, const HFONT* fonts)
{
    if (!dc || !rect || !text)
        return 0;
    if (count < 0)
        count = static_cast<int>(wcslen(text));
    SavedState saved(dc);
    const BYTE mask = fonts ? 0xFF : 0x3F;
    // Aligned to the bottom, the deepest descender of the line reaches the rectangle's
    // bottom, as DrawTextEx would put a line of that font.
    const bool bottom = (format & DT_BOTTOM) && !(format & DT_VCENTER);
    FontLine line =
        fonts && attributes ? MeasureFonts(dc, fonts, flags, attributes, count, bottom) : CurrentFontLine(dc);
    if (!line.height)
        line = CurrentFontLine(dc);
    // The runs and their widths first: the alignment needs the whole width.
    struct Run {
        int start, length, width, font;
    };
    std::vector<Run> runs;
    int total = 0;
    for (int start = 0; start < count;)
    {
        Run run = {start, attributes ? RunLength(text, attributes, start, count, mask, flags) : count, 0, 0};
        run.font = fonts && attributes ? attributes[start] >> ATTR_FONT_SHIFT : 0;
        if (fonts && fonts[run.font])
            ::SelectObject(dc, fonts[run.font]);
        SIZE size = {0, 0};
        ::GetTextExtentPoint32W(dc, text + start, run.length, &size);
        run.width = size.cx;
        total += size.cx;
        runs.push_back(run);
        start += run.length;
    }
    const int height = line.height;
    if (format & DT_CALCRECT)
    {
        rect->right = rect->left + total;
        rect->bottom = rect->top + height;
        saved.Restore();
        return height;
    }
    int x = rect->left;
    if (format & DT_CENTER)
        x += (rect->right - rect->left - total) / 2;
    else if (format & DT_RIGHT)
        x = rect->right - total;
    int top = rect->top;
    if (format & DT_VCENTER)
        top += (rect->bottom - rect->top - height) / 2;
    else if (format & DT_BOTTOM)
        top = rect->bottom - height;
    RunColours paint(dc, flags, colours, saved);
    for (const Run& run : runs)
    {
        BYTE attribute = attributes ? attributes[run.start] & mask : 0;
        paint.Apply(dc, attribute, NULL, NULL);
        if (fonts && fonts[run.font])
            ::SelectObject(dc, fonts[run.font]);
        RECT place = {x, top + line.offset[run.font], x + run.width, top + height};
        ::DrawTextExW(dc, const_cast<wchar_t*>(text + run.start), run.length, &place,
                      DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP | DT_NOCLIP, NULL);
        if (attribute & ATTR_UNDERLINE)
            paint.Underline(dc, attribute, x, top + line.baseline + 1, run.width);
        x += run.width;
    }
    saved.Restore();
    return height;
}

int MeasureAttrTextA(HDC dc, const char* text, int count, int maxExtent, int* fit, int* partial, SIZE* size,
                     const BYTE* attributes, const HFONT* fonts)
{
    return MeasureAttr(dc, text, count, maxExtent, fit, partial, size, attributes, fonts);
}

int MeasureAttrTextW(HDC dc, const wchar_t* text, int count, int maxExtent, int* fit, int* partial, SIZE* size,
                     const BYTE* attributes, const HFONT* fonts)
{
    return MeasureAttr(dc, text, count, maxExtent, fit, partial, size, attributes, fonts);
}

int GetTabbedAttrTextExtentA(HDC dc, int x, const char* text, const BYTE* attributes, int count, int tabCount,
                             const int* tabStops, int tabOrigin, const HFONT* fonts)
{
    return TabbedExtent(dc, x, text, attributes, count, tabCount, tabStops, tabOrigin, fonts);
}

int GetTabbedAttrTextExtentW(HDC dc, int x, const wchar_t* text, const BYTE* attributes, int count, int tabCount,
                             const int* tabStops, int tabOrigin, const HFONT* fonts)
{
    return TabbedExtent(dc, x, text, attributes, count, tabCount, tabStops, tabOrigin, fonts);
}

COLORREF SetAttrBkColor(HDC dc, DWORD flags, BYTE attribute, const COLORREF* colours)
{
    int background = AttrBackgroundIndex(attribute, flags);
    if (!(flags & 0x70000000) || AttrTextBits(flags) == 5 || !background)
        return ::GetBkColor(dc);
    COLORREF colour = (colours ? colours : DefaultAttrColors)[32 - background];
    // Both branches answer with the colour now in force (not SetBkColor's previous one), so
    // that a caller can keep the result whichever branch was taken.
    return ::SetBkColor(dc, colour) == CLR_INVALID ? CLR_INVALID : colour;
}
