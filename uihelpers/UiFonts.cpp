#include "uihelpers/UiFonts.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "services/SystemInfo.h"
#include "uihelpers/DibImage.h"
#include "uihelpers/ThemeApi.h"

namespace {

// One cached font and the fields of its description that tell it apart.
struct CacheEntry {
    HFONT font;
    BYTE italic;
    BYTE underline;
    BYTE charSet;
    BYTE pitchAndFamily;
    WORD weight;
    SHORT height;
    SHORT width;
    char face[32];
};
static_assert(sizeof(CacheEntry) == 48, "a cache entry is 48 bytes");

CacheEntry* g_cache = NULL;
int g_count = 0;
int g_capacity = 0;

// The release at process exit, newest font first.
void ReleaseCache()
{
    for (int i = g_count; i-- > 0;)
        ::DeleteObject(g_cache[i].font);
    free(g_cache);
    g_cache = NULL;
    g_count = g_capacity = 0;
}

bool GrowCache()
{
    int capacity = g_capacity + g_capacity / 2 + 8;
    CacheEntry* grown = static_cast<CacheEntry*>(calloc(static_cast<size_t>(capacity), sizeof(CacheEntry)));
    if (!grown)
        return false;
    if (g_cache)
        memcpy(grown, g_cache, static_cast<size_t>(g_count) * sizeof(CacheEntry));
    else
        atexit(ReleaseCache);
    free(g_cache);
    g_cache = grown;
    g_capacity = capacity;
    return true;
}

void FaceOf(const char* face, char (&out)[32])
{
    memset(out, 0, sizeof out);
    for (int i = 0; i < 31 && face[i]; ++i)
        out[i] = face[i];
}

// Interface fonts by kind, their average character width and height, and the cell.
HFONT g_uiFonts[4];
BYTE g_uiWidth[4];
BYTE g_uiHeight[4];
int g_cellWidth = 0;
int g_cellHeight = 0;

struct FontMetrics {
    bool ok;
    TEXTMETRICA tm;
    char face[32];
};

FontMetrics MetricsOf(HFONT font)
{
    FontMetrics m = {};
    HDC dc = ::GetDC(NULL);
    if (!dc)
        return m;
    HGDIOBJ old = ::SelectObject(dc, font);
    m.ok = ::GetTextMetricsA(dc, &m.tm) != FALSE;
    ::GetTextFaceA(dc, sizeof m.face, m.face);
    m.face[31] = 0;
    ::SelectObject(dc, old);
    ::ReleaseDC(NULL, dc);
    return m;
}

// The font's description and metrics, its height made minus the character height.
bool Describe(HFONT font, LOGFONTA* lf, FontMetrics* m)
{
    if (!font || !::GetObjectA(font, sizeof *lf, lf))
        return false;
    *m = MetricsOf(font);
    lf->lfHeight = -(m->tm.tmHeight - m->tm.tmInternalLeading);
    return m->ok;
}

// The face of the system's ANSI fixed font.
void AnsiFixedFace(char (&face)[32])
{
    LOGFONTA lf = {};
    face[0] = 0;
    if (::GetObjectA(::GetStockObject(ANSI_FIXED_FONT), sizeof lf, &lf))
        FaceOf(lf.lfFaceName, face);
}

BYTE ByteOf(int value)
{
    return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

HFONT BuildUiFont(int kind)
{
    HFONT font = NULL;
    LOGFONTA lf;
    if (GetWindowsVersion() >= 0x60000 && ::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0))
    {
        lf.lfWeight = (kind & UIFONT_BOLD) ? FW_BOLD : FW_NORMAL;
        if (kind & UIFONT_FIXED)
        {
            if (g_cellHeight == 0)
                GetUiFont(UIFONT_NORMAL);
            lf.lfHeight = g_cellHeight ? -g_cellHeight : -15;
            char face[32];
            AnsiFixedFace(face);
            memcpy(lf.lfFaceName, face, sizeof face);
            // Asked as fixed pitch too, so that a system without the face maps it to a
            // fixed-pitch substitute rather than to the interface's proportional one.
            lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
            font = ::CreateFontIndirectA(&lf);
            // The old "Courier" comes in few sizes; when it misses the interface height,
            // "Courier New" is taken.
            if (font && strcmp(face, "Courier") == 0 && MetricsOf(font).tm.tmHeight != g_uiHeight[UIFONT_NORMAL])
            {
                strcpy(lf.lfFaceName, "Courier New");
                HFONT second = ::CreateFontIndirectA(&lf);
                if (second)
                {
                    ::DeleteObject(font);
                    font = second;
                }
            }
        }
        else
            font = ::CreateFontIndirectA(&lf);
    }
    if (!font)
    {
        font = static_cast<HFONT>(::GetStockObject((kind & UIFONT_FIXED) ? ANSI_FIXED_FONT : ANSI_VAR_FONT));
        if (kind & UIFONT_BOLD)
        {
            HFONT bold = MakeBoldFont(font);
            if (bold)
                font = bold;
        }
    }
    FontMetrics m = MetricsOf(font);
    g_uiWidth[kind] = ByteOf(m.ok ? m.tm.tmAveCharWidth : 10);
    g_uiHeight[kind] = ByteOf(m.ok ? m.tm.tmHeight : 13);
    if (kind == UIFONT_NORMAL)
    {
        LOGFONTA desc;
        int width = 10, height = 13;
        if (::GetObjectA(font, sizeof desc, &desc))
        {
            width = abs(desc.lfWidth);
            height = abs(desc.lfHeight);
        }
        if (width == 0)
            width = height * 2 / 3 ? height * 2 / 3 : 7;
        if (height == 0)
            height = width * 3 / 2;
        g_cellWidth = width;
        g_cellHeight = height;
    }
    return font;
}

// Shrinks [start, end) around a text of `size`: centred, at the far end, or at the start.
void AlignSpan(LONG* start, LONG* end, int size, bool centre, bool atEnd)
{
    int room = *end - *start - size;
    if (room < 1)
        return;
    if (centre)
    {
        *start += room / 2;
        *end -= (room + 1) / 2;
    }
    else if (atEnd)
        *start += room;
    else
        *end -= room;
}

template <typename Char, typename DrawFn>
int Measure(HDC dc, const Char* text, int length, DWORD flags, void* rectOrFont, DrawFn draw)
{
    if (!text)
        return 0;
    HDC use = dc;
    HGDIOBJ old = NULL;
    RECT* rect = dc ? static_cast<RECT*>(rectOrFont) : NULL;
    if (!dc)
    {
        use = ::GetDC(NULL);
        if (!use)
            return 0;
        if (rectOrFont)
            old = ::SelectObject(use, static_cast<HFONT>(rectOrFont));
    }
    RECT calc = rect ? *rect : RECT{0, 0, 0, 0};
    draw(use, text, length, &calc, (flags & 0xFFE0u) | DT_CALCRECT);
    int width = calc.right - calc.left;
    int height = calc.bottom - calc.top;
    if (rect)
        ApplyTextMeasure(rect, width, height, flags);
    if (!dc)
    {
        if (old)
            ::SelectObject(use, old);
        ::ReleaseDC(NULL, use);
    }
    return (flags & MEASURE_PACKED) ? static_cast<int>((width & 0xFFFF) | (static_cast<DWORD>(height) << 16)) : width;
}

}  // namespace

HFONT CreateCachedFont(const LOGFONTA* d)
{
    // The entry keeps height and width in 16 bits and the weight in 16: a description
    // outside them would be cut on the way in and later match a font of another size, so
    // it gets no font at all.
    if (!d || d->lfHeight < -32768 || d->lfHeight > 32767 || d->lfWidth < -32768 || d->lfWidth > 32767 ||
        d->lfWeight < 0 || d->lfWeight > 0xFFFF)
        return NULL;
    char face[32];
    FaceOf(d->lfFaceName, face);
    for (int i = 0; i < g_count; ++i)
    {
        const CacheEntry& e = g_cache[i];
        if (e.height == d->lfHeight && e.width == d->lfWidth && e.weight == d->lfWeight && e.italic == d->lfItalic &&
            e.underline == d->lfUnderline && e.charSet == d->lfCharSet && e.pitchAndFamily == d->lfPitchAndFamily &&
            strcmp(e.face, face) == 0)
            return e.font;
    }
    HFONT font = ::CreateFontIndirectA(d);
    if (!font)
        return NULL;
    if (g_count == g_capacity && !GrowCache())
        return font;  // it cannot be kept; the caller still gets the font it asked for
    CacheEntry& e = g_cache[g_count++];
    e.font = font;
    e.italic = d->lfItalic;
    e.underline = d->lfUnderline;
    e.charSet = d->lfCharSet;
    e.pitchAndFamily = d->lfPitchAndFamily;
    e.weight = static_cast<WORD>(d->lfWeight);
    e.height = static_cast<SHORT>(d->lfHeight);
    e.width = static_cast<SHORT>(d->lfWidth);
    memcpy(e.face, face, sizeof face);
    return font;
}

HFONT CreateCachedFontW(const LOGFONTW* d)
{
    if (!d)
        return NULL;
    LOGFONTA narrow;
    memcpy(&narrow, d, offsetof(LOGFONTA, lfFaceName));
    memset(narrow.lfFaceName, 0, sizeof narrow.lfFaceName);
    for (int i = 0; i < 31 && d->lfFaceName[i]; ++i)
        narrow.lfFaceName[i] = static_cast<char>(d->lfFaceName[i]);
    return CreateCachedFont(&narrow);
}

int GetFontCacheCount()
{
    return g_count;
}

HFONT MakeBoldFont(HFONT font)
{
    LOGFONTA lf;
    FontMetrics m;
    if (!Describe(font, &lf, &m))
        return NULL;
    lf.lfWidth = m.tm.tmAveCharWidth;
    lf.lfEscapement = 1;
    lf.lfWeight = FW_BOLD;
    lf.lfOutPrecision = 5;
    FaceOf(m.face, reinterpret_cast<char(&)[32]>(lf.lfFaceName));
    return CreateCachedFont(&lf);
}

HFONT MakeFixedFont(HFONT font)
{
    LOGFONTA source;
    FontMetrics m;
    if (!Describe(font, &source, &m))
        return NULL;
    LOGFONTA lf = {};
    lf.lfHeight = source.lfHeight;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = source.lfCharSet;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    char face[32];
    AnsiFixedFace(face);
    bool courier = strcmp(face, "Courier") == 0;
    memcpy(lf.lfFaceName, courier ? "Courier New" : face, courier ? sizeof "Courier New" : sizeof face);
    HFONT fixed = CreateCachedFont(&lf);
    if (!fixed && courier)
    {
        memcpy(lf.lfFaceName, face, sizeof face);
        fixed = CreateCachedFont(&lf);
    }
    return fixed;
}

HFONT GetUiFont(int kind)
{
    if (kind < 0 || kind > 3)
        return NULL;
    if (!g_uiFonts[kind])
        g_uiFonts[kind] = BuildUiFont(kind);
    return g_uiFonts[kind];
}

int GetUiFontCell(int* width, int* height, int kind)
{
    int w = 0, h = 0;
    if (GetUiFont(kind))
    {
        w = g_uiWidth[kind];
        h = g_uiHeight[kind];
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
    return h;
}

void ApplyTextMeasure(RECT* rect, int width, int height, DWORD flags)
{
    if (flags & MEASURE_SIZE_TO_RECT)
    {
        rect->left = width;
        rect->top = height;
        return;
    }
    if (!(flags & MEASURE_ALIGN_RECT))
    {
        rect->left = height;
        return;
    }
    AlignSpan(&rect->left, &rect->right, width, (flags & MEASURE_CENTER) != 0, (flags & MEASURE_RIGHT) != 0);
    AlignSpan(&rect->top, &rect->bottom, height, (flags & MEASURE_VCENTER) != 0, (flags & MEASURE_BOTTOM) != 0);
}

int MeasureTextA(HDC dc, const char* text, int length, DWORD flags, void* rectOrFont)
{
    return Measure(dc, text, length, flags, rectOrFont, ::DrawTextA);
}

int MeasureTextW(HDC dc, const wchar_t* text, int length, DWORD flags, void* rectOrFont)
{
    return Measure(dc, text, length, flags, rectOrFont, ::DrawTextW);
}

int GetThemeGlyphSize(int kind, SIZE* size)
{
    if (kind != 0 && kind != 1)
        return 0;
    const ThemeApi& api = LoadThemeApi();
    if (size)
        *size = api.glyphSize[kind];
    return 1;
}

int GetWindowFontHeight(HWND window)
{
    HDC dc = ::GetDC(window);
    if (!dc)
        return 0;
    TEXTMETRICA tm;
    int height = ::GetTextMetricsA(dc, &tm) ? tm.tmHeight - tm.tmInternalLeading : 0;
    ::ReleaseDC(window, dc);
    return height;
}

COLORREF GetMenuColor(int index)
{
    static COLORREF cached[32];
    static bool known[32];
    static DWORD generation = 0;
    if (generation != ThemeApiGeneration())
    {
        memset(known, 0, sizeof known);
        generation = ThemeApiGeneration();
    }
    bool cacheable = index >= 0 && index < 32;
    if (cacheable && known[index])
        return cached[index];
    COLORREF colour = ::GetSysColor(COLOR_MENU);
    const ThemeApi& api = LoadThemeApi();
    if ((index == COLOR_MENU || index == 31) && api.menu && api.DrawThemeBackground)
    {
        // Part 9 is the popup background, part 7 the bar's; drawn 32 x 32, read at the centre.
        DibImage* surface = DibCreateBlank(NULL, 32, 32, 32, NULL);
        HDC dc = DibGetDC(surface);
        RECT r = {0, 0, 32, 32};
        if (dc && SUCCEEDED(api.DrawThemeBackground(api.menu, dc, index == COLOR_MENU ? 9 : 7, 0, &r, NULL)))
            colour = ::GetPixel(dc, 16, 16);
        if (surface)
            DibFree(surface);
    }
    if (cacheable)
    {
        cached[index] = colour;
        known[index] = true;
    }
    return colour;
}
