#include "controls/FrameImage.h"

#include "uihelpers/DibPixels.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Pixel (x, y), y counted from the top, of a 32-bit image whatever its row order.
uint32_t* PixelAt(const DibImage* image, void* bits, int x, int y)
{
    const int width = image->biWidth;
    const int height = std::abs(image->biHeight);
    const int row = image->biHeight > 0 ? height - 1 - y : y;
    return static_cast<uint32_t*>(bits) + static_cast<size_t>(row) * width + x;
}

uint32_t BlendOver(uint32_t pixel, COLORREF background)
{
    const uint32_t a = pixel >> 24;
    auto channel = [a](uint32_t src, uint32_t bg) { return (src * a + bg * (255 - a) + 127) / 255; };
    const uint32_t b = channel(pixel & 0xFF, GetBValue(background));
    const uint32_t g = channel((pixel >> 8) & 0xFF, GetGValue(background));
    const uint32_t r = channel((pixel >> 16) & 0xFF, GetRValue(background));
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// The three spans of one side: corner, stretched middle, corner.
struct Spans {
    int start[3];
    int size[3];
};

Spans SideSpans(int side, int corner)
{
    Spans s;
    s.start[0] = 0;
    s.size[0] = corner;
    s.start[1] = corner;
    s.size[1] = side - 2 * corner;
    s.start[2] = side - corner;
    s.size[2] = corner;
    return s;
}

// True when no pixel of the rectangle has any alpha. The stretch takes such a piece for an
// opaque one, while in a frame it is a hole (the open middle of the inactive frame) that must
// stay a hole: the new image is transparent to begin with, so such a piece is left out.
bool WhollyTransparent(const DibImage* image, void* bits, int x, int y, int width, int height)
{
    for (int row = y; row < y + height; ++row)
        for (int col = x; col < x + width; ++col)
            if (*PixelAt(image, bits, col, row) >> 24)
                return false;
    return true;
}

int CornerSize(int sourceSide, int targetSide)
{
    int corner = sourceSide >= 7 ? 3 : 2;
    if (targetSide < 2 * corner)
        corner = targetSide / 2;
    return std::min(corner, sourceSide / 2);
}

// --- the built-in frames: 7 x 7 pixels, drawn from a few colours per kind

const int kFrameSide = 7;

struct FrameLook {
    uint32_t border;    // outer ring (0xAARRGGBB)
    uint32_t lightIn;   // inner ring, top and left
    uint32_t darkIn;    // inner ring, bottom and right
    uint32_t fill;      // the middle
};

FrameLook LookOf(DWORD flags)
{
    const bool sunken = (flags & FRAMEIMAGE_SUNKEN) != 0;
    switch (flags & FRAMEIMAGE_KIND_MASK) {
    case FRAMEIMAGE_DROPDOWN:
        return sunken ? FrameLook{0xC0506070, 0x40000000, 0x30FFFFFF, 0x28000000}
                      : FrameLook{0xB0607890, 0x70FFFFFF, 0x30000000, 0x18FFFFFF};
    case FRAMEIMAGE_HIGHLIGHT:
        return sunken ? FrameLook{0xC0A06C30, 0x60C08040, 0x60C08040, 0x50D09858}
                      : FrameLook{0xA0C89850, 0x50F0D0A0, 0x50F0D0A0, 0x40F8E0B8};
    case FRAMEIMAGE_DISABLED:
        return FrameLook{0x70808080, 0x50FFFFFF, 0x20808080, 0x00000000};
    default:
        return sunken ? FrameLook{0xD0485868, 0x48000000, 0x38FFFFFF, 0x30000000}
                      : FrameLook{0xB86880A0, 0x80FFFFFF, 0x38000000, 0x20FFFFFF};
    }
}

uint32_t FramePixel(const FrameLook& look, int x, int y)
{
    const int last = kFrameSide - 1;
    const bool corner = (x == 0 || x == last) && (y == 0 || y == last);
    if (corner)
        return (look.border & 0x00FFFFFF) | ((look.border >> 26) << 24);   // a rounded corner
    const int ring = std::min(std::min(x, y), std::min(last - x, last - y));
    if (ring == 0)
        return look.border;
    if (ring == 1)
        return (x == 1 || y == 1) ? look.lightIn : look.darkIn;
    return look.fill;
}

}  // namespace

DibImage* StretchImageNineGrid(const DibImage* source, int width, int height, COLORREF background)
{
    if (!source || !DibIsImage(source) || source->biBitCount != 32 || source->biCompression != BI_RGB)
        return nullptr;
    if (width < 1 || height < 1 || width > 65535 || height > 65535)
        return nullptr;
    void* sourceBits = DibGetBits(source);
    const int sw = source->biWidth;
    const int sh = std::abs(source->biHeight);
    if (!sourceBits || sw < 1 || sh < 1)
        return nullptr;

    // The source blended over the background first, so that the stretch averages colours
    // as they will be seen.
    void* workBits = nullptr;
    DibImage* work = DibCreateBlank(nullptr, sw, sh, 32, &workBits);
    if (!work || !workBits) {
        DibFree(work);
        return nullptr;
    }
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            uint32_t p = *PixelAt(source, sourceBits, x, y);
            *PixelAt(work, workBits, x, y) = background == kNineGridNoBackground ? p : BlendOver(p, background);
        }
    }

    void* destBits = nullptr;
    DibImage* dest = DibCreateBlank(nullptr, width, height, 32, &destBits);
    if (!dest || !destBits) {
        DibFree(dest);
        DibFree(work);
        return nullptr;
    }
    const int cx = CornerSize(sw, width);
    const int cy = CornerSize(sh, height);
    Spans srcX = SideSpans(sw, cx), srcY = SideSpans(sh, cy);
    Spans dstX = SideSpans(width, cx), dstY = SideSpans(height, cy);
    // A source too small for a middle lends the last corner pixel to it.
    for (Spans* s : {&srcX, &srcY}) {
        if (s->size[1] <= 0) {
            s->start[1] = std::max(0, s->start[1] - 1);
            s->size[1] = 1;
        }
    }
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            if (dstX.size[i] <= 0 || dstY.size[j] <= 0)
                continue;
            if (WhollyTransparent(work, workBits, srcX.start[i], srcY.start[j], srcX.size[i], srcY.size[j]))
                continue;
            DibStretch(dest, destBits, work, workBits, srcX.start[i], srcY.start[j], srcX.size[i], srcY.size[j],
                       dstX.start[i], dstY.start[j], dstX.size[i], dstY.size[j]);
        }
    }
    DibFree(work);
    return dest;
}

const DibImage* GetFrameImage(DWORD flags)
{
    static DibImage* images[8] = {};
    const int index = static_cast<int>((flags & FRAMEIMAGE_SUNKEN) | ((flags & FRAMEIMAGE_KIND_MASK) >> 2));
    if (!images[index]) {
        void* bits = nullptr;
        DibImage* image = DibCreateBlank(nullptr, kFrameSide, kFrameSide, 32, &bits);
        if (!image || !bits) {
            DibFree(image);
            return nullptr;
        }
        const FrameLook look = LookOf(flags);
        for (int y = 0; y < kFrameSide; ++y) {
            for (int x = 0; x < kFrameSide; ++x)
                *PixelAt(image, bits, x, y) = FramePixel(look, x, y);
        }
        images[index] = image;
    }
    return images[index];
}

BOOL DrawFrameImage(DibImage* dest, int x, int y, int width, int height, DWORD flags, COLORREF colour)
{
    if (!dest || !DibIsImage(dest) || dest->biBitCount != 32 || width < 1 || height < 1)
        return FALSE;
    const DibImage* frame = GetFrameImage(flags);
    DibImage* stretched =
        StretchImageNineGrid(frame, width, height, (flags & FRAMEIMAGE_ON_COLOUR) ? colour : kNineGridNoBackground);
    if (!stretched)
        return FALSE;
    // A place partly left of or above the image draws the part that lies inside.
    const int sx = x < 0 ? -x : 0;
    const int sy = y < 0 ? -y : 0;
    BOOL ok = FALSE;
    if (sx < width && sy < height)
        ok = DibAlphaBlend(dest, nullptr, static_cast<UINT>(x + sx), static_cast<UINT>(y + sy), stretched, nullptr,
                           static_cast<UINT>(sx), static_cast<UINT>(sy), static_cast<UINT>(width - sx),
                           static_cast<UINT>(height - sy)) != 0;
    DibFree(stretched);
    return ok;
}
