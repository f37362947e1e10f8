// The core conversion of packed DIBs into DibImages, and the loaders built on it: icon and
// cursor groups, icon images with their AND masks, PNG icon entries, program resources and
// device bitmaps made with a conversion.
#include "uihelpers/DibImage.h"

#include <string.h>

#include "uihelpers/DibInternal.h"
#include "uihelpers/DibPixels.h"

using namespace dib;

namespace {

const BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const DWORD kOptionBits = DIBF_TRANSPARENT_MASK | DIBF_MAP_3D_COLORS | DIBF_BLEND_ON_BK;
const DWORD kMaxGroupEntries = 32;

DibImage* Fail(DWORD error, void** bits)
{
    if (bits)
        *bits = NULL;
    ::SetLastError(error);
    return NULL;
}

// Data that runs past its known size is malformed; memory that cannot be read was never
// a valid argument.
DWORD UnreadableError(const Source& source)
{
    return source.sized ? ERROR_BAD_FORMAT : ERROR_INVALID_PARAMETER;
}

bool HeaderIsValid(const BITMAPINFOHEADER* h)
{
    // Any depth up to 32 passes: one GDI cannot draw (3 bits, say) fails where it is drawn,
    // and the pixel operations refuse depths they do not know.
    return h->biSize >= 40 && h->biSize <= 124 && h->biWidth >= 1 && static_cast<DWORD>(h->biWidth) <= kMaxSide &&
           h->biHeight >= 1 && static_cast<DWORD>(h->biHeight) <= kMaxSide && h->biBitCount <= 32;
}

int NormalDepth(int depth)
{
    return depth == 15 ? 16 : depth;
}

// The target depth of bits 16-20 (0 = 32, 31 = the screen's), 0 when it is no depth.
int TargetDepth(DWORD flags)
{
    int depth = static_cast<int>((flags & DIBF_DEPTH_MASK) >> DIBF_DEPTH_SHIFT);
    if (depth == 0)
        return 32;
    if (depth == 31)
        return DibScreenDepth();
    return IsKnownDepth(depth) ? NormalDepth(depth) : 0;
}

DWORD ReadWord(const BYTE* p)
{
    return p[0] | (p[1] << 8);
}

DWORD ReadBigEndian(const BYTE* p)
{
    return (static_cast<DWORD>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// An icon or cursor group directory: reserved word 0, type 1 or 2, at most 32 entries of
// 14 bytes (width and height bytes, colour count, reserved, planes, bit count, byte size,
// id; a cursor has 16-bit width and height instead of the first four bytes). The chosen
// entry is loaded from the module held in *bits.
DibImage* FromGroup(HDC hdc, const Source& source, DWORD flags, void** bits)
{
    const BYTE* p = source.base;
    if (!source.CanRead(p, 6))
        return Fail(ERROR_BAD_FORMAT, bits);
    DWORD type = ReadWord(p + 2);
    DWORD count = ReadWord(p + 4);
    if (ReadWord(p) != 0 || (type != 1 && type != 2) || count > kMaxGroupEntries ||
        !source.CanRead(p, 6 + 14ull * count))
        return Fail(ERROR_BAD_FORMAT, bits);
    DWORD wantedDepth = (flags & DIBF_DEPTH_MASK) >> DIBF_DEPTH_SHIFT;
    DWORD low = flags & DIBF_ENTRY_MASK;
    int chosen = -1;
    DWORD chosenArea = 0, chosenDepth = 0;
    for (DWORD i = 0; i < count; ++i)
    {
        const BYTE* e = p + 6 + 14 * i;
        DWORD width = type == 1 ? e[0] : ReadWord(e);
        DWORD height = type == 1 ? e[1] : ReadWord(e + 2);
        DWORD depth = ReadWord(e + 6);
        if (depth == 0)
            depth = 1;
        if (!(flags & DIBF_BY_SIZE))
        {
            if (i == low)
                chosen = static_cast<int>(i);
            continue;
        }
        if (wantedDepth == 0 ? depth != 32 : (wantedDepth < 29 && depth != wantedDepth))
            continue;
        // A size byte of 0 stands for 256.
        if (width == 0)
            width = 256;
        if (height == 0)
            height = 256;
        DWORD area = width * height;
        bool better;
        if (low == DIBF_LARGEST)
            better = chosen < 0 || area > chosenArea || (area == chosenArea && depth > chosenDepth);
        else
            better = (height & 0xFF) * 256 + (width & 0xFF) == low && (chosen < 0 || depth > chosenDepth);
        if (better)
        {
            chosen = static_cast<int>(i);
            chosenArea = area;
            chosenDepth = depth;
        }
    }
    if (chosen < 0)
        return Fail(ERROR_OBJECT_NOT_FOUND, bits);
    // The entry's own load: "any depth" becomes 32 bits (29), no conversion (30), or the
    // screen's depth (31).
    DWORD entryFlags = flags;
    if (wantedDepth == 29)
        entryFlags &= ~DIBF_DEPTH_MASK;
    else if (wantedDepth == 30)
        entryFlags &= ~(DIBF_DEPTH_MASK | DIBF_CONVERT);
    DWORD id = ReadWord(p + 6 + 14 * chosen + 12);
    HMODULE module = static_cast<HMODULE>(*bits);
    return DibLoadResourceA(hdc, module, MAKEINTRESOURCEA(id), type == 1 ? RT_ICON : RT_CURSOR, entryFlags, bits);
}

// The palette index of the top-left pixel of a 1- to 8-bit image.
DWORD TopLeftIndex(const DibImage* image, const void* bits)
{
    const BYTE* row = static_cast<const BYTE*>(bits) +
                      static_cast<size_t>(image->biHeight - 1) * RowStride(image->biWidth, image->biBitCount);
    return GetIndex(row, 0, image->biBitCount);
}

}  // namespace

namespace dib {

DibImage* ConvertPackedDib(HDC hdc, const Source& given, DWORD flags, void** bits)
{
    if (!bits)
        return Fail(ERROR_INVALID_PARAMETER, bits);
    if (!given.base)
        return Fail(ERROR_INVALID_PARAMETER, bits);
    const bool bitsGiven = (flags & DIBF_BITS_GIVEN_TEST) == DIBF_BITS_GIVEN;
    const DWORD kind = bitsGiven ? 0 : flags & DIBF_KIND_MASK;
    Source source = given;
    if (kind == DIBF_KIND_CURSOR)
    {
        // A cursor image begins with its hot spot, always: the header is not looked for in
        // front of it first (a hot spot x of 40 to 124 would pass for a header size), and the
        // caller's conversion and options still apply to the image behind it.
        if (source.sized && source.size < 4)
            return Fail(ERROR_BAD_FORMAT, bits);
        source.base += 4;
        source.size -= source.sized ? 4 : 0;
    }
    if (!source.sized && !source.CanRead(source.base, 44))
        return Fail(ERROR_INVALID_PARAMETER, bits);
    const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(source.base);
    if (!source.CanRead(h, sizeof(BITMAPINFOHEADER)) || !HeaderIsValid(h))
    {
        if (kind == DIBF_KIND_GROUP)
            return FromGroup(hdc, source, flags, bits);
        return Fail(ERROR_BAD_FORMAT, bits);
    }

    // Resource data is never one of our images; anything else may be.
    const Block* block = kind == DIBF_KIND_CURSOR || source.sized ? NULL : ReadableBlock(h);
    const DWORD width = static_cast<DWORD>(h->biWidth);
    const int depth = h->biBitCount;
    const DWORD stride = RowStride(width, depth);
    const DWORD entries = ColourEntries(h);
    const BYTE* table = TableOf(h);
    if (!source.CanRead(reinterpret_cast<const BYTE*>(h), h->biSize) || !source.CanRead(table, 4ull * entries) ||
        !source.CanRead(h, PixelOffset(h)))
        return Fail(UnreadableError(source), bits);
    const bool plain = h->biCompression == BI_RGB || h->biCompression == BI_BITFIELDS;
    if (!plain && h->biSizeImage == 0)
        return Fail(ERROR_BAD_FORMAT, bits);

    // Where the pixels are: given by the caller, in a DibImage's section, or behind the table.
    const BYTE* pixels;
    if (bitsGiven)
        pixels = static_cast<const BYTE*>(*bits);
    else if (block)
        pixels = static_cast<const BYTE*>(block->bits);
    else
        pixels = PixelsBehind(h);

    // An icon or cursor image holds the colour rows of half its height and the AND mask
    // behind them; its size field counts both, the colour rows alone, or is 0. Icon writers
    // fill it in all three ways, and an image whose mask is not split off would show the
    // mask stacked on the picture.
    DWORD rows = static_cast<DWORD>(h->biHeight);
    const BYTE* mask = NULL;
    DWORD maskBytes = 0;
    if ((kind == DIBF_KIND_ICON || kind == DIBF_KIND_CURSOR) && h->biCompression == BI_RGB && !(rows & 1))
    {
        DWORD half = rows / 2;
        DWORD colourBytes = stride * half;
        DWORD andBytes = RowStride(width, 1) * half;
        if (h->biSizeImage == 0 || h->biSizeImage == colourBytes || h->biSizeImage == colourBytes + andBytes)
        {
            rows = half;
            mask = pixels + colourBytes;
            maskBytes = andBytes;
        }
    }
    const unsigned long long pixelBytes = plain ? static_cast<unsigned long long>(stride) * rows : h->biSizeImage;
    if (pixels)
    {
        bool readable = (bitsGiven || block) ? Source{NULL, 0, false}.CanRead(pixels, pixelBytes + maskBytes)
                                             : source.CanRead(pixels, pixelBytes + maskBytes);
        if (!readable)
            return Fail(bitsGiven || block ? ERROR_INVALID_PARAMETER : UnreadableError(source), bits);
    }

    const DWORD options = flags & kOptionBits;
    int target = NormalDepth(depth);
    if (flags & DIBF_CONVERT)
    {
        target = TargetDepth(flags);
        if (!target)
            return Fail(ERROR_INVALID_PARAMETER, bits);
    }
    else if (options)
        target = NormalDepth(DibScreenDepth());
    const bool depthChange = target != NormalDepth(depth);
    // A DibImage given in is copied even when nothing changes: handing the same block back
    // would let the caller free one pointer twice (DibFromIconResource frees its source).
    if (!depthChange && !options && !mask && !block)
    {
        // Nothing to change: the packed DIB itself serves (it is no DibImage and stays the
        // caller's).
        *bits = const_cast<BYTE*>(pixels);
        return const_cast<DibImage*>(reinterpret_cast<const DibImage*>(h));
    }

    ScreenDc dc(hdc);
    BITMAPINFOHEADER nh;
    memcpy(&nh, h, sizeof nh);
    nh.biSize = sizeof nh;
    nh.biHeight = static_cast<LONG>(rows);
    RGBQUAD outTable[256];
    DWORD outEntries = entries;
    memcpy(outTable, table, 4 * entries);
    if (depthChange || !plain)
    {
        nh.biBitCount = static_cast<WORD>(target);
        nh.biCompression = BI_RGB;
        outEntries = 0;
        if (IsPaletteDepth(target))
        {
            // The standard palette, with two mends of the rule "keep the source's palette when
            // it has at least the target's depth, else the standard one":
            // - a smaller palette source keeps its colours in the first entries: on the
            //   standard palette alone a 4-bit picture of its own colours came out in other
            //   colours at 8 bits, though 8 bits hold every one of them;
            // - a larger one is not cut to its first entries: those may all be dark (a gray
            //   ramp), and GDI maps every pixel to the nearest colour left, so a light picture
            //   came out black.
            outEntries = 1u << target;
            FillStandardPalette(outTable, target, dc.Get());
            if (IsPaletteDepth(depth) && depth <= target)
                memcpy(outTable, table, 4 * entries);
        }
    }
    nh.biClrUsed = IsPaletteDepth(nh.biBitCount) ? outEntries : 0;
    nh.biSizeImage = RowStride(width, nh.biBitCount) * rows;
    void* outBits = NULL;
    DibImage* image = MakeImage(dc.Get(), nh, outTable, outEntries, &outBits);
    if (!image)
        return Fail(ERROR_INVALID_DATA, bits);
    if (pixels && !depthChange && plain)
        memcpy(outBits, pixels, static_cast<size_t>(pixelBytes));
    else if (pixels)
    {
        // Another depth or a compressed source: GDI draws it into the section.
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD table[256];
        } info;
        memcpy(&info.header, h, sizeof info.header);
        info.header.biSize = sizeof info.header;
        info.header.biHeight = static_cast<LONG>(rows);
        if (plain)
            info.header.biSizeImage = static_cast<DWORD>(pixelBytes);
        info.header.biClrUsed = IsPaletteDepth(depth) ? entries : 0;
        memcpy(info.table, table, 4 * entries);
        HDC memory = DibGetDC(image);
        int drawn = memory ? ::SetDIBitsToDevice(memory, 0, 0, width, rows, 0, 0, 0, rows, pixels,
                                                 reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS)
                           : 0;
        ::GdiFlush();
        DibReleaseDC(image);
        if (drawn <= 0)
        {
            DibFree(image);
            return Fail(ERROR_INVALID_DATA, bits);
        }
    }

    const COLORREF background = ::GetBkColor(dc.Get()) & 0xFFFFFF;
    if (flags & DIBF_MAP_3D_COLORS)
        DibMap3dColors(image, outBits);
    // A 32-bit result from a source without alpha makes every pixel but the replaced ones
    // opaque: from 16- and 24-bit sources as from palette ones, since their converted pixels
    // carry alpha 0 as well. Left at 0, every pixel of such a picture was transparent to an
    // alpha blend, and the picture vanished wherever it was drawn by its alpha.
    const DWORD opaqueOthers = nh.biBitCount == 32 && depth < 32 ? 0x40000000u : 0;
    switch (flags & DIBF_TRANSPARENT_MASK)
    {
    case DIBF_TRANSPARENT_CORNER:
        if (IsPaletteDepth(nh.biBitCount))
            DibReplaceColor(image, outBits, 0x80000000u | TopLeftIndex(image, outBits), background);
        else
            DibReplaceColor(image, outBits, (DibGetTopLeftColor(image, outBits) & 0xFFFFFF) | opaqueOthers, background);
        break;
    case DIBF_TRANSPARENT_TEXT:
        DibReplaceColor(image, outBits, (::GetTextColor(dc.Get()) & 0xFFFFFF) | opaqueOthers, background);
        break;
    case DIBF_TRANSPARENT_MASK:
        // The mask split off an icon image, else the 1-bit rows behind the pixel rows.
        if (!mask && pixels && plain)
        {
            const BYTE* behind = pixels + pixelBytes;
            DWORD bytes = RowStride(width, 1) * rows;
            bool readable = (bitsGiven || block) ? Source{NULL, 0, false}.CanRead(behind, bytes)
                                                 : source.CanRead(behind, bytes);
            if (readable)
                mask = behind;
        }
        if (!mask)
        {
            DibFree(image);
            return Fail(ERROR_BAD_FORMAT, bits);
        }
        DibApplyMask(image, outBits, mask, background);
        break;
    default:
        break;
    }
    if ((flags & DIBF_BLEND_ON_BK) && nh.biBitCount == 32)
        DibBlendOnColor(image, outBits, background);
    *bits = outBits;
    return image;
}

}  // namespace dib

DibImage* DibFromPackedDib(HDC hdc, const BITMAPINFOHEADER* header, DWORD flags, void** bits)
{
    Source source = {reinterpret_cast<const BYTE*>(header), 0, false};
    return ConvertPackedDib(hdc, source, flags, bits);
}

DibImage* DibFromIconResource(HDC hdc, const void* data, DWORD size, DWORD flags, void** bits)
{
    if (!data || ::IsBadReadPtr(data, size))
        return Fail(ERROR_INVALID_PARAMETER, bits);
    const BYTE* p = static_cast<const BYTE*>(data);
    // The signature, then the IHDR chunk (length 13) with width and height.
    if (size < 8 + 8 + 13 + 4 || memcmp(p, kPngSignature, 8) != 0 || ReadBigEndian(p + 8) != 13 ||
        memcmp(p + 12, "IHDR", 4) != 0)
        return Fail(ERROR_BAD_FORMAT, bits);
    DWORD width = ReadBigEndian(p + 16);
    DWORD height = ReadBigEndian(p + 20);
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        return Fail(ERROR_BAD_FORMAT, bits);
    if (!bits)
    {
        DibImage* image = DibAlloc(sizeof(BITMAPINFOHEADER));
        if (!image)
            return NULL;
        image->biSize = sizeof(BITMAPINFOHEADER);
        image->biWidth = static_cast<LONG>(width);
        image->biHeight = static_cast<LONG>(height);
        image->biPlanes = 1;
        image->biBitCount = 32;
        image->biCompression = BI_PNG;
        image->biSizeImage = size;
        return image;
    }
    HICON icon = ::CreateIconFromResourceEx(const_cast<BYTE*>(p), size, TRUE, 0x30000, static_cast<int>(width),
                                            static_cast<int>(height), LR_DEFAULTCOLOR);
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info) || !info.hbmColor)
    {
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
        if (icon)
            ::DestroyIcon(icon);
        return Fail(ERROR_INVALID_DATA, bits);
    }
    const bool maskAsked = (flags & DIBF_TRANSPARENT_MASK) == DIBF_TRANSPARENT_MASK;
    DWORD colourFlags = flags & ~(0x800000u | 0x1234u | (maskAsked ? static_cast<DWORD>(DIBF_TRANSPARENT_MASK) : 0u));
    colourFlags = (colourFlags & ~DIBF_ENTRY_MASK) | DIBF_BITS_GIVEN;
    void* colourBits = NULL;
    DibImage* image = NULL;
    DibImage* colour = DibFromBitmap(hdc, info.hbmColor, &colourBits);
    DWORD error = ::GetLastError();
    if (colour)
    {
        image = DibFromPackedDib(hdc, colour, colourFlags, &colourBits);
        error = ::GetLastError();
        DibFree(colour);
    }
    if (image && maskAsked)
    {
        void* maskBits = NULL;
        DibImage* mask = DibFromBitmap(hdc, info.hbmMask, &maskBits);
        if (mask && mask->biBitCount == 1 && mask->biWidth == image->biWidth && mask->biHeight == image->biHeight)
        {
            ScreenDc dc(hdc);
            DibApplyMask(image, colourBits, maskBits, ::GetBkColor(dc.Get()) & 0xFFFFFF);
        }
        if (mask)
            DibFree(mask);
    }
    ::DeleteObject(info.hbmColor);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    ::DestroyIcon(icon);
    *bits = image ? colourBits : NULL;
    ::SetLastError(image ? ERROR_SUCCESS : error);
    return image;
}

namespace {

DWORD KindOfType(ULONG_PTR type)
{
    switch (type)
    {
    case 1: return DIBF_KIND_CURSOR;            // RT_CURSOR
    case 3: return DIBF_KIND_ICON;              // RT_ICON
    case 12: case 14: return DIBF_KIND_GROUP;   // RT_GROUP_CURSOR, RT_GROUP_ICON
    default: return 0;
    }
}

DibImage* FromResourceData(HDC hdc, HMODULE module, HRSRC resource, ULONG_PTR type, DWORD flags, void** bits)
{
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : NULL;
    const void* data = loaded ? ::LockResource(loaded) : NULL;
    DWORD size = resource ? ::SizeofResource(module, resource) : 0;
    if (!data)
    {
        if (bits)
            *bits = NULL;
        return NULL;
    }
    void* local = NULL;
    if (type < 16)
    {
        if (!bits)
            bits = &local;
        *bits = module;
        flags = (flags & ~DIBF_KIND_MASK) | KindOfType(type);
    }
    if (size >= 8 && memcmp(data, kPngSignature, 8) == 0)
        return DibFromIconResource(hdc, data, size, flags, bits);
    Source source = {static_cast<const BYTE*>(data), size, true};
    return ConvertPackedDib(hdc, source, flags, bits);
}

// A standard type as its number, any named type as a value no standard type has.
ULONG_PTR TypeNumber(const void* type)
{
    return IS_INTRESOURCE(type) ? reinterpret_cast<ULONG_PTR>(type) : 0x10000;
}

}  // namespace

DibImage* DibLoadResourceA(HDC hdc, HMODULE module, LPCSTR name, LPCSTR type, DWORD flags, void** bits)
{
    HRSRC resource = ::FindResourceA(module, name, type);
    return FromResourceData(hdc, module, resource, TypeNumber(type), flags, bits);
}

DibImage* DibLoadResourceW(HDC hdc, HMODULE module, LPCWSTR name, LPCWSTR type, DWORD flags, void** bits)
{
    HRSRC resource = ::FindResourceW(module, name, type);
    return FromResourceData(hdc, module, resource, TypeNumber(type), flags, bits);
}

HBITMAP DibCreateDeviceBitmap(HDC hdc, const BITMAPINFOHEADER* header, const void* bits, DWORD flags)
{
    if (!header || ::IsBadReadPtr(header, sizeof(BITMAPINFOHEADER)))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (header->biSize != sizeof(BITMAPINFOHEADER) || !HeaderIsValid(header))
    {
        ::SetLastError(ERROR_BAD_FORMAT);
        return NULL;
    }
    const DWORD entries = ColourEntries(header);
    const unsigned long long offset = PixelOffset(header);
    if (::IsBadReadPtr(header, sizeof(BITMAPINFOHEADER) + 4 * entries) || (!bits && offset > 0x7FFFFFFF))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (!bits)
        bits = PixelsBehind(header);
    const bool plain = header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS;
    unsigned long long pixelBytes = plain ? static_cast<unsigned long long>(RowStride(header->biWidth, header->biBitCount)) *
                                                static_cast<DWORD>(header->biHeight)
                                          : header->biSizeImage;
    if (pixelBytes == 0 || pixelBytes > 0x7FFFFFFF || ::IsBadReadPtr(bits, static_cast<UINT_PTR>(pixelBytes)))
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    const bool convert = (flags & DIBF_CONVERT) && TargetDepth(flags) != NormalDepth(header->biBitCount);
    if (!convert && !(flags & kOptionBits))
    {
        // A copy whose colour count says what was checked.
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD table[256];
        } info;
        memcpy(&info, header, sizeof(BITMAPINFOHEADER) + 4 * entries);
        info.header.biClrUsed = IsPaletteDepth(header->biBitCount) ? entries : 0;
        ScreenDc dc(hdc);
        HBITMAP bitmap = ::CreateDIBitmap(dc.Get(), &info.header, CBM_INIT, bits,
                                          reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
        if (!bitmap)
            ::SetLastError(ERROR_INVALID_DATA);
        return bitmap;
    }
    void* pixels = const_cast<void*>(bits);
    DibImage* image = DibFromPackedDib(hdc, header, (flags & ~0x801234u) | 0xA060EDCBu, &pixels);
    if (!image)
        return NULL;
    Block* block = BlockOf(image);
    if (block->dc)
        ::DeleteDC(block->dc);
    block->dc = NULL;
    HBITMAP bitmap = block->bitmap;
    block->bitmap = NULL;
    DibFree(image);
    return bitmap;
}
