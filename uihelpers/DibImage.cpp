#include "uihelpers/DibImage.h"

#include <string.h>

#include "uihelpers/DibInternal.h"
#include "uihelpers/DibPixels.h"

namespace {

int g_screenDepth = 0;

// The first 16 entries of every palette this library builds, as pixel words (0x00RRGGBB).
const DWORD kStandardColours[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

}  // namespace

namespace dib {

const Block* ReadableBlock(const void* image)
{
    if (!image)
        return NULL;
    const Block* block = BlockOf(image);
    if (::IsBadReadPtr(block, sizeof(Block)) || block->check != kDibCheckWord)
        return NULL;
    return block;
}

Block* WritableBlock(const void* image)
{
    const Block* block = ReadableBlock(image);
    if (!block || ::IsBadWritePtr(const_cast<Block*>(block), sizeof(Block)))
        return NULL;
    return const_cast<Block*>(block);
}

bool IsKnownDepth(int depth)
{
    switch (depth)
    {
    case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

DWORD ColourEntries(const BITMAPINFOHEADER* h)
{
    if (IsPaletteDepth(h->biBitCount))
    {
        DWORD all = 1u << h->biBitCount;
        return h->biClrUsed != 0 && h->biClrUsed < all ? h->biClrUsed : all;
    }
    return h->biCompression == BI_BITFIELDS ? 3 : 0;
}

unsigned long long PixelOffset(const BITMAPINFOHEADER* h)
{
    unsigned long long offset = h->biSize;
    if (IsPaletteDepth(h->biBitCount))
        return offset + 4ull * ColourEntries(h);
    if (h->biCompression == BI_BITFIELDS && h->biSize < 52)
        offset += 12;
    // A picture of more than 8 bits read at the table's place showed the table as its first pixels.
    return offset + 4ull * h->biClrUsed;
}

const BYTE* TableOf(const BITMAPINFOHEADER* h)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(h);
    if (h->biCompression == BI_BITFIELDS && h->biSize >= 52)
        return p + 40;
    return p + h->biSize;
}

void FillStandardPalette(RGBQUAD* table, int depth, HDC dc)
{
    DWORD count = 1u << depth;
    DWORD* words = reinterpret_cast<DWORD*>(table);
    for (DWORD i = 0; i < count; ++i)
        words[i] = i < 16 ? kStandardColours[i] : 0;
    if (count > 16 && dc)
    {
        // A palette screen gives its own entries; a true-colour one gives none and the rest
        // stays black.
        PALETTEENTRY entries[240];
        UINT got = ::GetSystemPaletteEntries(dc, 16, count - 16, entries);
        for (UINT i = 0; i < got && i < count - 16; ++i)
            words[16 + i] = (static_cast<DWORD>(entries[i].peRed) << 16) |
                            (static_cast<DWORD>(entries[i].peGreen) << 8) | entries[i].peBlue;
    }
    if (depth <= 2)
        words[count - 1] = 0xFFFFFF;
}

bool ImageSize(const BITMAPINFOHEADER* h, DWORD* width, DWORD* height)
{
    if (h->biWidth < 1 || h->biHeight < 1 || static_cast<DWORD>(h->biWidth) > kMaxSide ||
        static_cast<DWORD>(h->biHeight) > kMaxSide)
        return false;
    *width = static_cast<DWORD>(h->biWidth);
    *height = static_cast<DWORD>(h->biHeight);
    return true;
}

bool Source::CanRead(const void* p, unsigned long long count) const
{
    const BYTE* b = static_cast<const BYTE*>(p);
    if (sized)
        return b >= base && static_cast<unsigned long long>(b - base) + count <= size;
    if (count > 0x7FFFFFFFull)
        return false;
    return count == 0 || !::IsBadReadPtr(p, static_cast<UINT_PTR>(count));
}

DibImage* MakeImage(HDC dc, const BITMAPINFOHEADER& header, const void* table, DWORD entries, void** bits)
{
    DibImage* image = DibAlloc(sizeof(BITMAPINFOHEADER) + 4 * entries);
    if (!image)
        return NULL;
    *image = header;
    image->biSize = sizeof(BITMAPINFOHEADER);
    if (table && entries)
        memcpy(image + 1, table, 4 * entries);
    void* pixels = NULL;
    HBITMAP section = ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(image), DIB_RGB_COLORS, &pixels, NULL, 0);
    if (!section || !pixels)
    {
        if (section)
            ::DeleteObject(section);
        DibFree(image);
        ::SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    Block* block = BlockOf(image);
    block->bitmap = section;
    block->bits = pixels;
    if (bits)
        *bits = pixels;
    return image;
}

}  // namespace dib

using namespace dib;

int DibScreenDepth()
{
    if (g_screenDepth)
        return g_screenDepth;
    HDC screen = ::GetDC(NULL);
    int depth = screen ? ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES) : 32;
    if (screen)
        ::ReleaseDC(NULL, screen);
    return IsKnownDepth(depth) ? depth : 32;
}

void SetDibScreenDepth(int bitsPerPixel)
{
    g_screenDepth = IsKnownDepth(bitsPerPixel) ? bitsPerPixel : 0;
}

DibImage* DibAlloc(DWORD size)
{
    if (size > 0x7FFFFF00u)
    {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HANDLE heap = ::GetProcessHeap();
    Block* block = static_cast<Block*>(::HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(Block) + size));
    if (!block)
    {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    block->heap = heap;
    block->check = kDibCheckWord;
    return reinterpret_cast<DibImage*>(block + 1);
}

BOOL DibFree(DibImage* image)
{
    Block* block = WritableBlock(image);
    if (!block)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (block->dc)
        ::DeleteDC(block->dc);
    if (block->bitmap)
        ::DeleteObject(block->bitmap);
    block->dc = NULL;
    block->bitmap = NULL;
    block->bits = NULL;
    block->check = 0;
    return ::HeapFree(block->heap, 0, block);
}

BOOL DibIsImage(const void* image)
{
    return ReadableBlock(image) != NULL;
}

HBITMAP DibGetBitmap(const DibImage* image)
{
    const Block* block = ReadableBlock(image);
    if (!block)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (!block->bitmap)
        ::SetLastError(ERROR_INVALID_DATA);
    return block->bitmap;
}

void* DibGetBits(const DibImage* image)
{
    const Block* block = ReadableBlock(image);
    if (!block)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return block->bits;
}

void* DibGetBitsAndDC(DibImage* image, HDC* dc)
{
    if (dc)
        *dc = NULL;
    Block* block = WritableBlock(image);
    if (!block)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (!block->bitmap || !block->bits)
    {
        ::SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    if (!block->dc)
    {
        HDC memory = ::CreateCompatibleDC(NULL);
        if (!memory)
        {
            ::SetLastError(ERROR_INVALID_DATA);
            return NULL;
        }
        ::SelectObject(memory, block->bitmap);
        block->dc = memory;
    }
    if (dc)
        *dc = block->dc;
    return block->bits;
}

HDC DibGetDC(DibImage* image)
{
    HDC dc = NULL;
    DibGetBitsAndDC(image, &dc);
    return dc;
}

BOOL DibReleaseDC(DibImage* image)
{
    Block* block = WritableBlock(image);
    if (!block)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!block->dc)
    {
        ::SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    ::DeleteDC(block->dc);
    block->dc = NULL;
    return TRUE;
}

DibImage* DibCreateBlank(HDC hdc, int width, int height, DWORD depthWord, void** bits)
{
    if (bits)
        *bits = NULL;
    if (width < 1 || height < 1 || static_cast<DWORD>(width) > kMaxSide || static_cast<DWORD>(height) > kMaxSide)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    int depth = static_cast<int>(depthWord & 0xFF);
    if (depth == 0)
        depth = 32;
    if (depth == 31 || (depthWord & 0x3000000) == 0x3000000)
        depth = DibScreenDepth();
    if (!IsKnownDepth(depth))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    // 15 bits are the 5-5-5 layout of a plain 16-bit DIB.
    header.biBitCount = static_cast<WORD>(depth == 15 ? 16 : depth);
    header.biCompression = BI_RGB;
    header.biSizeImage = RowStride(width, depth) * static_cast<DWORD>(height);
    ScreenDc dc(hdc);
    RGBQUAD palette[256];
    DWORD entries = 0;
    if (IsPaletteDepth(depth))
    {
        entries = 1u << depth;
        header.biClrUsed = entries;
        FillStandardPalette(palette, depth, dc.Get());
    }
    void* pixels = NULL;
    DibImage* image = MakeImage(dc.Get(), header, palette, entries, &pixels);
    if (!image)
        return NULL;
    if (depth == 32 && (depthWord & 0x40000000))
    {
        DWORD* p = static_cast<DWORD*>(pixels);
        for (DWORD i = 0, n = static_cast<DWORD>(width) * static_cast<DWORD>(height); i < n; ++i)
            p[i] = 0xFF000000u;
    }
    if (bits)
        *bits = pixels;
    return image;
}

DibImage* DibFromBitmap(HDC hdc, HBITMAP bitmap, void** bits)
{
    if (bits)
        *bits = NULL;
    if (!bitmap)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    ScreenDc dc(hdc);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD table[256];
    } info;
    memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    if (!::GetDIBits(dc.Get(), bitmap, 0, 0, NULL, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) ||
        info.header.biWidth < 1 || info.header.biHeight == 0 || !IsKnownDepth(info.header.biBitCount))
    {
        ::SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    BITMAPINFOHEADER& h = info.header;
    if (h.biHeight < 0)
        h.biHeight = -h.biHeight;
    if (static_cast<DWORD>(h.biWidth) > kMaxSide || static_cast<DWORD>(h.biHeight) > kMaxSide)
    {
        ::SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    if (h.biCompression == BI_BITFIELDS && h.biBitCount == 16)
    {
        // Ask again with the format fixed so that the masks are filled in; a bitmap without
        // masks is the plain 5-5-5 layout.
        memset(info.table, 0, sizeof info.table);
        ::GetDIBits(dc.Get(), bitmap, 0, 0, NULL, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        const DWORD* masks = reinterpret_cast<const DWORD*>(info.table);
        if (!masks[0] || !masks[1] || !masks[2])
            h.biCompression = BI_RGB;
    }
    else
        h.biCompression = BI_RGB;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biPlanes = 1;
    h.biSizeImage = RowStride(h.biWidth, h.biBitCount) * static_cast<DWORD>(h.biHeight);
    h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
    h.biClrImportant = 0;
    DWORD entries = 0;
    if (IsPaletteDepth(h.biBitCount))
    {
        entries = 1u << h.biBitCount;
        h.biClrUsed = entries;
        // The colour table comes with the format request.
        ::GetDIBits(dc.Get(), bitmap, 0, 0, NULL, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        h.biClrUsed = entries;
    }
    else
    {
        h.biClrUsed = 0;
        if (h.biCompression == BI_BITFIELDS)
            entries = 3;
    }
    if (!bits)
    {
        DibImage* image = DibAlloc(sizeof(BITMAPINFOHEADER) + 4 * entries);
        if (image)
            memcpy(image, &info, sizeof(BITMAPINFOHEADER) + 4 * entries);
        return image;
    }
    void* pixels = NULL;
    DibImage* image = MakeImage(dc.Get(), h, info.table, entries, &pixels);
    if (!image)
        return NULL;
    if (::GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(h.biHeight), pixels, reinterpret_cast<BITMAPINFO*>(image),
                    DIB_RGB_COLORS) != h.biHeight)
    {
        DibFree(image);
        ::SetLastError(ERROR_INVALID_DATA);
        return NULL;
    }
    *bits = pixels;
    return image;
}

namespace {

// The XOR half of a mask-only (monochrome) icon: its mask bitmap holds the AND rows above
// the XOR rows, so in bottom-up order the XOR rows come first.
DibImage* MonochromeIcon(HDC hdc, HBITMAP mask, void** bits, COLORREF maskColour)
{
    void* maskBits = NULL;
    DibImage* both = DibFromBitmap(hdc, mask, &maskBits);
    if (!both)
        return NULL;
    DibImage* image = NULL;
    if (both->biBitCount != 1 || both->biHeight < 2 || (both->biHeight & 1))
        ::SetLastError(ERROR_INVALID_DATA);
    else
    {
        BITMAPINFOHEADER h = *both;
        h.biHeight /= 2;
        DWORD half = RowStride(h.biWidth, 1) * static_cast<DWORD>(h.biHeight);
        h.biSizeImage = half;
        if (bits)
        {
            ScreenDc dc(hdc);
            void* pixels = NULL;
            image = MakeImage(dc.Get(), h, both + 1, 2, &pixels);
            if (image)
            {
                memcpy(pixels, maskBits, half);
                DibApplyMask(image, pixels, static_cast<BYTE*>(maskBits) + half, maskColour);
                *bits = pixels;
            }
        }
        else if ((image = DibAlloc(sizeof(BITMAPINFOHEADER) + 8)) != NULL)
        {
            *image = h;
            memcpy(image + 1, both + 1, 8);
        }
    }
    DibFree(both);
    return image;
}

}  // namespace

DibImage* DibFromIcon(HDC hdc, HICON icon, void** bits, COLORREF maskColour)
{
    if (bits)
        *bits = NULL;
    ICONINFO info;
    if (!icon || !::GetIconInfo(icon, &info))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    DibImage* image = NULL;
    if (!info.hbmColor)
        image = MonochromeIcon(hdc, info.hbmMask, bits, maskColour);
    else if ((image = DibFromBitmap(hdc, info.hbmColor, bits)) != NULL && bits)
    {
        void* maskBits = NULL;
        DibImage* mask = DibFromBitmap(hdc, info.hbmMask, &maskBits);
        if (mask && mask->biBitCount == 1 && mask->biWidth == image->biWidth && mask->biHeight == image->biHeight)
            DibApplyMask(image, *bits, maskBits, maskColour);
        if (mask)
            DibFree(mask);
    }
    DWORD error = ::GetLastError();
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    ::SetLastError(error);
    return image;
}
