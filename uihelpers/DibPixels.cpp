#include "uihelpers/DibPixels.h"

#include <string.h>

#include <vector>

#include "uihelpers/DibInternal.h"

using namespace dib;

namespace {

// One image as the operations walk it.
struct View {
    DWORD width;
    DWORD height;
    int depth;
    DWORD stride;
    BYTE* bits;
    BITMAPINFOHEADER* header;
    DWORD entries;  // colour entries of a 1- to 8-bit image
    BYTE* Row(DWORD yFromTop) const { return bits + static_cast<size_t>(height - 1 - yFromTop) * stride; }
    DWORD* Pixel32(DWORD x, DWORD yFromTop) const { return reinterpret_cast<DWORD*>(Row(yFromTop)) + x; }
    bool IsRgb32() const
    {
        return depth == 32 && (header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS);
    }
    bool IsRgb24() const { return depth == 24 && header->biCompression == BI_RGB; }
    bool IsPalette() const { return IsPaletteDepth(depth); }
    DWORD* Palette() const { return reinterpret_cast<DWORD*>(PaletteOf(header)); }
};

bool MakeView(const BITMAPINFOHEADER* header, const void* bits, View* view)
{
    if (!header || !bits || ::IsBadReadPtr(header, sizeof(BITMAPINFOHEADER)))
        return false;
    if (!ImageSize(header, &view->width, &view->height))
        return false;
    view->depth = header->biBitCount;
    if (!IsKnownDepth(view->depth))
        return false;
    view->stride = RowStride(view->width, view->depth);
    view->bits = static_cast<BYTE*>(const_cast<void*>(bits));
    view->header = const_cast<BITMAPINFOHEADER*>(header);
    view->entries = view->IsPalette() ? ColourEntries(header) : 0;
    return true;
}

// The bits of an image, or of its DibImage block when none are given.
const void* BitsOrOwn(const BITMAPINFOHEADER* header, const void* bits)
{
    if (bits || !header)
        return bits;
    const Block* block = ReadableBlock(header);
    return block ? block->bits : NULL;
}

// Cuts a run of `length` starting at `start` to `limit`; false when it starts outside or is
// empty.
bool CutSpan(UINT start, UINT* length, DWORD limit)
{
    if (start >= limit || *length == 0)
        return false;
    if (*length > limit - start)
        *length = limit - start;
    return true;
}

// A source of another depth than 32 as a temporary 32-bit image (freed by the destructor).
class Source32 {
public:
    Source32(const BITMAPINFOHEADER* header, const void* bits) : m_converted(NULL)
    {
        if (!MakeView(header, bits, &m_view))
        {
            m_ok = false;
            return;
        }
        m_ok = true;
        if (m_view.depth == 32 && header->biCompression != BI_JPEG && header->biCompression != BI_PNG)
            return;
        void* converted = const_cast<void*>(bits);
        m_converted = DibFromPackedDib(NULL, header, DIBF_BITS_GIVEN | DIBF_CONVERT, &converted);
        m_ok = m_converted && MakeView(m_converted, converted, &m_view);
    }
    ~Source32()
    {
        if (m_converted)
            DibFree(m_converted);
    }
    bool Ok() const { return m_ok; }
    const View& Get() const { return m_view; }

private:
    Source32(const Source32&);
    Source32& operator=(const Source32&);
    View m_view;
    DibImage* m_converted;
    bool m_ok;
};

inline BYTE Channel(DWORD pixel, int shift)
{
    return static_cast<BYTE>(pixel >> shift);
}

// The part of the source (in 1/256 pixel units, `total` long) that destination pixel
// `index` of `count` covers: at least one whole source pixel, never past the end.
void CoveredSpan(unsigned long long total, UINT index, UINT count, unsigned long long* from,
                 unsigned long long* to)
{
    *from = total * index / count;
    *to = total * (index + 1) / count;
    if (*to < *from + 256)
        *to = *from + 256;
    if (*to > total)
        *to = total;
}

// How much of source pixel `pixel` lies within [from, to), in 1/256 units.
unsigned long long CoveredPart(unsigned long long pixel, unsigned long long from, unsigned long long to)
{
    unsigned long long start = pixel * 256 > from ? pixel * 256 : from;
    unsigned long long end = pixel * 256 + 256 < to ? pixel * 256 + 256 : to;
    return end - start;
}

// The recolouring of one pixel's blue, green and red toward the colour (c as pixel word).
void RecolourBgr(BYTE* b, BYTE* g, BYTE* r, DWORD c)
{
    DWORD lum = (static_cast<DWORD>(*b) * 128 + static_cast<DWORD>(*g) * 85 + static_cast<DWORD>(*r) * 44) / 256;
    BYTE* channels[3] = {b, g, r};
    for (int i = 0; i < 3; ++i)
    {
        DWORD target = (c >> (8 * i)) & 0xFF;
        DWORD value;
        if (lum > 192)
            value = target + (256 - target) * ((lum - 192) / 4) / 64;
        else
            value = (lum / 3 + 192) * target / 256;
        *channels[i] = static_cast<BYTE>(value > 255 ? 255 : value);
    }
}

// A palette index given by the caller, or -1 when the colour table has no such entry. The
// table holds biClrUsed entries, often fewer than the depth could address: checked against
// 2^depth, an 8-bit image with four entries took index 16 and its pixel read behind the table.
int GivenIndex(const View& v, DWORD index)
{
    return index < v.entries ? static_cast<int>(index) : -1;
}

// The palette index holding the colour (COLORREF; top byte 0x80: the index in the low byte),
// or -1.
int PaletteIndex(const View& v, COLORREF colour)
{
    if ((colour >> 24) == 0x80)
        return GivenIndex(v, colour & 0xFF);
    DWORD quad = ColorToQuad(colour) & 0xFFFFFF;
    const DWORD* palette = v.Palette();
    for (DWORD i = 0; i < v.entries; ++i)
        if ((palette[i] & 0xFFFFFF) == quad)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

int DibColorize(BITMAPINFOHEADER* header, void* bits, COLORREF colour, COLORREF transparent)
{
    View v;
    if (!MakeView(header, bits, &v))
        return 0;
    DWORD c = ColorToQuad(colour);
    DWORD t = ColorToQuad(transparent);
    if (v.IsPalette())
    {
        DWORD* palette = v.Palette();
        for (DWORD i = 0; i < v.entries; ++i)
            if (palette[i] != t)
            {
                BYTE* p = reinterpret_cast<BYTE*>(palette + i);
                RecolourBgr(p, p + 1, p + 2, c);
            }
        return 1;
    }
    if (v.depth != 24 && v.depth != 32)
        return 0;
    bool onlyVisible = (transparent & 0x80000000u) != 0;
    for (DWORD y = 0; y < v.height; ++y)
    {
        BYTE* p = v.Row(y);
        for (DWORD x = 0; x < v.width; ++x, p += v.depth / 8)
        {
            if (v.depth == 24)
            {
                DWORD pixel = p[0] | (p[1] << 8) | (static_cast<DWORD>(p[2]) << 16);
                if (pixel != (t & 0xFFFFFF))
                    RecolourBgr(p, p + 1, p + 2, c);
                continue;
            }
            DWORD pixel;
            memcpy(&pixel, p, 4);
            if (pixel == t || (onlyVisible && (pixel >> 24) == 0))
                continue;
            RecolourBgr(p, p + 1, p + 2, c);
        }
    }
    return 1;
}

int DibStretch(DibImage* dest, void* destBits, const BITMAPINFOHEADER* source, const void* sourceBits,
               UINT sourceX, UINT sourceY, UINT sourceWidth, UINT sourceHeight,
               UINT destX, UINT destY, UINT destWidth, UINT destHeight)
{
    View d;
    if (!MakeView(dest, BitsOrOwn(dest, destBits), &d) || !d.IsRgb32())
        return 0;
    if (sourceWidth > kMaxSide || sourceHeight > kMaxSide || destWidth > kMaxSide || destHeight > kMaxSide)
        return 0;
    Source32 src(source, BitsOrOwn(source, sourceBits));
    if (!src.Ok())
        return 0;
    const View& s = src.Get();
    if (!CutSpan(sourceX, &sourceWidth, s.width) || !CutSpan(sourceY, &sourceHeight, s.height) ||
        !CutSpan(destX, &destWidth, d.width) || !CutSpan(destY, &destHeight, d.height))
        return 0;
    if (sourceWidth == destWidth && sourceHeight == destHeight)
    {
        for (UINT y = 0; y < destHeight; ++y)
            memmove(d.Pixel32(destX, destY + y), s.Pixel32(sourceX, sourceY + y), destWidth * 4);
        return 1;
    }
    // Without any alpha in the source every pixel counts as opaque.
    bool anyAlpha = false;
    for (UINT y = 0; y < sourceHeight && !anyAlpha; ++y)
        for (UINT x = 0; x < sourceWidth && !anyAlpha; ++x)
            anyAlpha = (*s.Pixel32(sourceX + x, sourceY + y) >> 24) != 0;

    // Positions in 1/256 of a source pixel. Each destination pixel covers a span of source
    // rows and columns (at least one whole pixel when enlarging); a partly covered pixel
    // counts with the covered part. Colours are averaged over the visible pixels only, alpha
    // over the whole span; the sums stay exact until the one division at the end.
    struct Column {
        unsigned long long colour[3];
        unsigned long long weight;
        unsigned long long alpha;
    };
    std::vector<Column> columns(sourceWidth);
    std::vector<DWORD> result(destWidth);
    const unsigned long long totalY = static_cast<unsigned long long>(sourceHeight) * 256;
    const unsigned long long totalX = static_cast<unsigned long long>(sourceWidth) * 256;
    for (UINT j = 0; j < destHeight; ++j)
    {
        unsigned long long y0, y1;
        CoveredSpan(totalY, j, destHeight, &y0, &y1);
        memset(columns.data(), 0, columns.size() * sizeof(Column));
        for (unsigned long long row = y0 / 256; row * 256 < y1; ++row)
        {
            unsigned long long wy = CoveredPart(row, y0, y1);
            const DWORD* p = s.Pixel32(sourceX, sourceY + static_cast<DWORD>(row));
            for (UINT x = 0; x < sourceWidth; ++x)
            {
                DWORD pixel = p[x];
                DWORD a = anyAlpha ? pixel >> 24 : 255;
                Column& c = columns[x];
                c.alpha += wy * a;
                if (!a)
                    continue;
                c.weight += wy;
                for (int k = 0; k < 3; ++k)
                    c.colour[k] += wy * Channel(pixel, 8 * k);
            }
        }
        for (UINT i = 0; i < destWidth; ++i)
        {
            unsigned long long x0, x1;
            CoveredSpan(totalX, i, destWidth, &x0, &x1);
            unsigned long long colour[3] = {0, 0, 0};
            unsigned long long weight = 0;
            unsigned long long alpha = 0;
            for (unsigned long long col = x0 / 256; col * 256 < x1; ++col)
            {
                unsigned long long wx = CoveredPart(col, x0, x1);
                const Column& c = columns[col];
                for (int k = 0; k < 3; ++k)
                    colour[k] += wx * c.colour[k];
                weight += wx * c.weight;
                alpha += wx * c.alpha;
            }
            unsigned long long span = (y1 - y0) * (x1 - x0);
            DWORD pixel = 0;
            // A span over transparent pixels only has no colour to average: it stays 0.
            if (weight)
                for (int k = 0; k < 3; ++k)
                    pixel |= static_cast<DWORD>((colour[k] + weight / 2) / weight) << (8 * k);
            pixel |= static_cast<DWORD>((alpha + span / 2) / span) << 24;
            result[i] = pixel;
        }
        memcpy(d.Pixel32(destX, destY + j), result.data(), destWidth * 4);
    }
    return 1;
}

int DibAlphaBlend(DibImage* dest, void* destBits, UINT x, UINT y, const BITMAPINFOHEADER* source,
                  const void* sourceBits, UINT sourceX, UINT sourceY, UINT width, UINT height)
{
    View d;
    if (!MakeView(dest, BitsOrOwn(dest, destBits), &d) || !d.IsRgb32())
        return 0;
    if (width > kMaxSide || height > kMaxSide)
        return 0;
    Source32 src(source, BitsOrOwn(source, sourceBits));
    if (!src.Ok())
        return 0;
    const View& s = src.Get();
    if (!CutSpan(sourceX, &width, s.width) || !CutSpan(sourceY, &height, s.height) || !CutSpan(x, &width, d.width) ||
        !CutSpan(y, &height, d.height))
        return 0;
    for (UINT row = 0; row < height; ++row)
    {
        const DWORD* from = s.Pixel32(sourceX, sourceY + row);
        DWORD* to = d.Pixel32(x, y + row);
        for (UINT col = 0; col < width; ++col)
        {
            DWORD a = from[col] >> 24;
            if (a == 0)
                continue;
            if (a == 255)
            {
                to[col] = (to[col] & 0xFF000000u) | (from[col] & 0xFFFFFF);
                continue;
            }
            DWORD mixed = to[col] & 0xFF000000u;
            for (int k = 0; k < 3; ++k)
                mixed |= ((Channel(to[col], 8 * k) * (256 - a) + Channel(from[col], 8 * k) * (a + 1)) / 256) << (8 * k);
            to[col] = mixed;
        }
    }
    return 1;
}

int DibReplaceColor(BITMAPINFOHEADER* header, void* bits, COLORREF oldColour, COLORREF newColour, const RECT* rect)
{
    View v;
    if (!MakeView(header, bits, &v))
        return 0;
    if (oldColour == newColour)
        return 1;
    DWORD left = 0, top = 0, right = v.width, bottom = v.height;
    if (rect)
    {
        if (rect->left >= rect->right || rect->top >= rect->bottom || rect->right <= 0 || rect->bottom <= 0 ||
            rect->left >= static_cast<LONG>(v.width) || rect->top >= static_cast<LONG>(v.height))
            return 0;
        left = rect->left > 0 ? rect->left : 0;
        top = rect->top > 0 ? rect->top : 0;
        right = static_cast<DWORD>(rect->right) < v.width ? rect->right : v.width;
        bottom = static_cast<DWORD>(rect->bottom) < v.height ? rect->bottom : v.height;
    }
    DWORD from = ColorToQuad(oldColour);
    DWORD to = ColorToQuad(newColour);
    if (v.IsPalette())
    {
        // A palette entry colours the whole image; a part of it cannot change alone.
        if (left != 0 || top != 0 || right != v.width || bottom != v.height)
            return 0;
        DWORD* palette = v.Palette();
        if ((oldColour >> 24) == 0x80)
        {
            DWORD index = oldColour & 0xFF;
            if (index < v.entries)
                palette[index] = to;
            return 1;
        }
        for (DWORD i = 0; i < v.entries; ++i)
            if (palette[i] == from)
                palette[i] = to;
        return 1;
    }
    if (v.IsRgb24())
    {
        for (DWORD y = top; y < bottom; ++y)
        {
            BYTE* p = v.Row(y) + left * 3;
            for (DWORD x = left; x < right; ++x, p += 3)
                if ((p[0] | (p[1] << 8) | (static_cast<DWORD>(p[2]) << 16)) == (from & 0xFFFFFF))
                {
                    p[0] = static_cast<BYTE>(to);
                    p[1] = static_cast<BYTE>(to >> 8);
                    p[2] = static_cast<BYTE>(to >> 16);
                }
        }
        return 1;
    }
    if (!v.IsRgb32())
        return 0;
    bool keepAlpha = (oldColour & 0x80000000u) != 0;
    bool othersOpaque = (oldColour & 0x40000000u) != 0;
    for (DWORD y = top; y < bottom; ++y)
    {
        DWORD* p = v.Pixel32(left, y);
        for (DWORD x = left; x < right; ++x, ++p)
        {
            if ((*p & 0xFFFFFF) == (from & 0xFFFFFF))
                *p = (to & 0xFFFFFF) | (keepAlpha ? *p & 0xFF000000u : to & 0xFF000000u);
            else if (othersOpaque)
                *p |= 0xFF000000u;
        }
    }
    return 1;
}

COLORREF MapSysColor3d(COLORREF colour)
{
    switch (colour)
    {
    case 0x808080: return ::GetSysColor(COLOR_BTNSHADOW);
    case 0xC0C0C0: return ::GetSysColor(COLOR_BTNFACE);
    case 0xDFDFDF: return ::GetSysColor(COLOR_3DLIGHT);
    default: return colour;
    }
}

int DibMap3dColors(BITMAPINFOHEADER* header, void* bits)
{
    View v;
    if (!MakeView(header, bits, &v))
        return 0;
    auto map = [](DWORD pixel) {
        return (pixel & 0xFF000000u) | (ColorToQuad(MapSysColor3d(QuadToColor(pixel & 0xFFFFFF))) & 0xFFFFFF);
    };
    if (v.IsPalette())
    {
        DWORD* palette = v.Palette();
        for (DWORD i = 0; i < v.entries; ++i)
            palette[i] = map(palette[i]);
        return 1;
    }
    bool rgb24 = v.depth == 24 && (header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS);
    if (!rgb24 && !v.IsRgb32())
        return 0;
    int step = v.depth / 8;
    for (DWORD y = 0; y < v.height; ++y)
    {
        BYTE* p = v.Row(y);
        for (DWORD x = 0; x < v.width; ++x, p += step)
        {
            DWORD pixel = 0;
            memcpy(&pixel, p, step);
            pixel = map(pixel);
            memcpy(p, &pixel, step);
        }
    }
    return 1;
}

int DibBlendOnColor(BITMAPINFOHEADER* header, void* bits, COLORREF background)
{
    View v;
    if (!MakeView(header, bits, &v) || !v.IsRgb32())
        return 0;
    DWORD bg = ColorToQuad(background);
    for (DWORD y = 0; y < v.height; ++y)
    {
        DWORD* p = v.Pixel32(0, y);
        for (DWORD x = 0; x < v.width; ++x, ++p)
        {
            DWORD a = *p >> 24;
            if (a == 255)
                continue;
            if (a == 0)
            {
                *p = bg & 0xFFFFFF;
                continue;
            }
            DWORD mixed = a << 24;
            for (int k = 0; k < 3; ++k)
                mixed |= ((Channel(*p, 8 * k) * a + (255 - a) * Channel(bg, 8 * k)) * 257 / 65536) << (8 * k);
            *p = mixed;
        }
    }
    return 1;
}

int DibApplyMask(BITMAPINFOHEADER* header, void* bits, const void* mask, COLORREF colour)
{
    View v;
    if (!MakeView(header, bits, &v) || !mask)
        return 0;
    DWORD maskStride = RowStride(v.width, 1);
    if (::IsBadReadPtr(mask, static_cast<UINT_PTR>(maskStride) * v.height))
        return 0;
    int index = -1;
    if (v.depth == 1 || v.depth == 4 || v.depth == 8)
    {
        index = PaletteIndex(v, colour);
        if (index < 0)
            return 0;
    }
    else if (!v.IsRgb24() && !v.IsRgb32())
        return 0;
    DWORD quad = ColorToQuad(colour) & 0xFFFFFF;
    const BYTE* maskBytes = static_cast<const BYTE*>(mask);
    for (DWORD y = 0; y < v.height; ++y)
    {
        const BYTE* maskRow = maskBytes + static_cast<size_t>(v.height - 1 - y) * maskStride;
        BYTE* row = v.Row(y);
        for (DWORD x = 0; x < v.width; ++x)
        {
            bool set = (maskRow[x >> 3] >> (7 - (x & 7))) & 1;
            if (v.depth == 32)
            {
                DWORD* p = reinterpret_cast<DWORD*>(row) + x;
                *p = set ? quad : (*p | 0xFF000000u);
            }
            else if (!set)
                continue;
            else if (v.depth == 24)
            {
                row[3 * x] = static_cast<BYTE>(quad);
                row[3 * x + 1] = static_cast<BYTE>(quad >> 8);
                row[3 * x + 2] = static_cast<BYTE>(quad >> 16);
            }
            else
                SetIndex(row, x, v.depth, static_cast<DWORD>(index));
        }
    }
    return 1;
}

int DibSmooth(DibImage* image, void* bits, UINT x, UINT y, UINT width, UINT height)
{
    View v;
    if (!MakeView(image, bits, &v) || !v.IsRgb32())
        return 0;
    if (!CutSpan(x, &width, v.width) || !CutSpan(y, &height, v.height))
        return 0;
    // The rectangle with a border of one pixel, read before anything changes; the border
    // repeats the edge pixel where the image ends.
    DWORD cw = width + 2;
    std::vector<DWORD> copy(static_cast<size_t>(cw) * (height + 2));
    for (DWORD j = 0; j < height + 2; ++j)
        for (DWORD i = 0; i < cw; ++i)
        {
            long sx = static_cast<long>(x) + static_cast<long>(i) - 1;
            long sy = static_cast<long>(y) + static_cast<long>(j) - 1;
            sx = sx < 0 ? 0 : (sx >= static_cast<long>(v.width) ? static_cast<long>(v.width) - 1 : sx);
            sy = sy < 0 ? 0 : (sy >= static_cast<long>(v.height) ? static_cast<long>(v.height) - 1 : sy);
            copy[j * cw + i] = *v.Pixel32(static_cast<DWORD>(sx), static_cast<DWORD>(sy));
        }
    for (DWORD j = 0; j < height; ++j)
        for (DWORD i = 0; i < width; ++i)
        {
            const DWORD* c = &copy[(j + 1) * cw + i + 1];
            DWORD out = 0;
            for (int k = 0; k < 32; k += 8)
            {
                DWORD sum = 52 * Channel(c[0], k) +
                            2 * (Channel(c[-1], k) + Channel(c[1], k) + Channel(c[-static_cast<long>(cw)], k) +
                                 Channel(c[cw], k)) +
                            Channel(c[-static_cast<long>(cw) - 1], k) + Channel(c[-static_cast<long>(cw) + 1], k) +
                            Channel(c[cw - 1], k) + Channel(c[cw + 1], k);
                out |= (sum / 64) << k;
            }
            *v.Pixel32(x + i, y + j) = out;
        }
    return 1;
}

int DibDraw(const BITMAPINFOHEADER* header, const void* bits, int x, int y, DibImage* target)
{
    View v;
    if (!MakeView(header, bits, &v))
        return 0;
    return DibDrawPart(header, bits, x, y, 0, 0, v.width, v.height, target);
}

int DibDrawPart(const BITMAPINFOHEADER* header, const void* bits, int x, int y, UINT sourceX, UINT sourceY,
                UINT width, UINT height, DibImage* target)
{
    View v;
    if (!MakeView(header, bits, &v) || width > kMaxSide)
        return 0;
    if (!CutSpan(sourceX, &width, v.width) || !CutSpan(sourceY, &height, v.height))
        return 0;
    HDC dc = DibGetDC(target);
    if (!dc)
        return 0;
    // SetDIBitsToDevice counts the source y of a bottom-up image from the bottom.
    int drawn = ::SetDIBitsToDevice(dc, x, y, width, height, sourceX, v.height - sourceY - height, 0, v.height, bits,
                                    reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
    ::GdiFlush();
    return drawn > 0 ? 1 : 0;
}

int DibSetPixel(BITMAPINFOHEADER* header, void* bits, COLORREF colour, UINT x, UINT y)
{
    View v;
    if (!MakeView(header, bits, &v) || x >= v.width || y >= v.height)
        return 0;
    BYTE* row = v.Row(y);
    if (v.depth == 32)
    {
        memcpy(row + 4 * x, &colour, 4);
        return 1;
    }
    if (v.depth == 24)
    {
        memcpy(row + 3 * x, &colour, 3);
        return 1;
    }
    if (!v.IsPalette())
        return 0;
    int index;
    if ((colour & 0xFF000000u) == 0x80000000u)
        index = GivenIndex(v, colour & 0xFFFFFF);
    else
        index = PaletteIndex(v, colour & 0xFFFFFF);
    if (index < 0)
        return 0;
    SetIndex(row, x, v.depth, static_cast<DWORD>(index));
    return 1;
}

COLORREF DibGetTopLeftColor(const BITMAPINFOHEADER* header, const void* bits)
{
    View v;
    if (!MakeView(header, bits, &v))
        return 0x80000000u;
    const BYTE* row = v.Row(0);
    if (v.depth == 32)
    {
        DWORD pixel;
        memcpy(&pixel, row, 4);
        return QuadToColor(pixel);
    }
    if (v.depth == 24)
        return QuadToColor(row[0] | (row[1] << 8) | (static_cast<DWORD>(row[2]) << 16));
    if (!v.IsPalette())
        return 0x80000000u;
    DWORD index = GetIndex(row, 0, v.depth);
    if (index >= v.entries)
        return 0x80000000u;
    return QuadToColor(v.Palette()[index] & 0xFFFFFF);
}

int DibCopyRect(const DibImage* source, DibImage* dest, UINT x, UINT y, UINT width, UINT height,
                UINT sourceX, UINT sourceY, DWORD flags)
{
    View s, d;
    if (flags != 0 || !ReadableBlock(source) || !ReadableBlock(dest) || !MakeView(source, DibGetBits(source), &s) ||
        !MakeView(dest, DibGetBits(dest), &d) || s.depth != d.depth || s.header->biCompression != d.header->biCompression ||
        (s.header->biCompression != BI_RGB && s.header->biCompression != BI_BITFIELDS) ||
        !CutSpan(sourceX, &width, s.width) || !CutSpan(sourceY, &height, s.height) || !CutSpan(x, &width, d.width) ||
        !CutSpan(y, &height, d.height))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int depth = s.depth == 15 ? 16 : s.depth;
    // Within one image the rows run against the direction of the move, so none is read after
    // it was written.
    bool upward = source == dest && y > sourceY;
    for (UINT step = 0; step < height; ++step)
    {
        UINT row = upward ? height - 1 - step : step;
        const BYTE* from = s.Row(sourceY + row);
        BYTE* to = d.Row(y + row);
        if (depth >= 8)
            memmove(to + x * (depth / 8), from + sourceX * (depth / 8), width * (depth / 8));
        else if (source == dest && y == sourceY && x > sourceX)
            for (UINT col = width; col-- > 0;)
                SetIndex(to, x + col, depth, GetIndex(from, sourceX + col, depth));
        else
            for (UINT col = 0; col < width; ++col)
                SetIndex(to, x + col, depth, GetIndex(from, sourceX + col, depth));
    }
    return 1;
}
