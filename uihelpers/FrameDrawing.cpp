#include "uihelpers/FrameDrawing.h"

#include "uihelpers/DibInternal.h"

#include <stdlib.h>
#include <string.h>

namespace {

int CornerZone(int side)
{
    return side < 40 ? side / 2 : 20;
}

void HorizontalLine(HDC dc, int x0, int x1, int y, COLORREF colour)
{
    RECT r = {x0, y, x1, y + 1};
    ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, NULL, 0, NULL);
}

void FillBox(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT r = {left, top, right, bottom};
    ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, NULL, 0, NULL);
}

COLORREF Mix(COLORREF a, int shiftA, COLORREF b, int shiftB)
{
    return RGB((GetRValue(a) >> shiftA) + (GetRValue(b) >> shiftB),
               (GetGValue(a) >> shiftA) + (GetGValue(b) >> shiftB),
               (GetBValue(a) >> shiftA) + (GetBValue(b) >> shiftB));
}

// One 20 x 6 grip: strips across the bar in three mixed tones, and the arrow on top.
void DrawGrip(HDC dc, int position, int length, DWORD offsetWord, bool horizontal)
{
    if (!dc)
        return;
    int start = GripStart(length, offsetWord);
    COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    COLORREF light = ::GetSysColor(COLOR_3DLIGHT);
    COLORREF tones[3] = {Mix(shadow, 1, light, 1), Mix(shadow, 2, light, 1), Mix(shadow, 1, light, 2)};
    int savedColour = ::GetBkColor(dc);
    for (int across = 0; across < 6; ++across)
    {
        COLORREF tone = tones[across < 2 ? 0 : (across < 4 ? 1 : 2)];
        if (horizontal)
            FillBox(dc, start, position + across, start + 20, position + across + 1, tone);
        else
            FillBox(dc, position + across, start, position + across + 1, start + 20, tone);
    }
    // The arrow: three rows narrowing to its point, turned over by bits 18-19.
    bool flipped = (offsetWord & 0xC0000u) != 0;
    for (int row = 0; row < 3; ++row)
    {
        int across = 1 + (flipped ? 2 - row : row);
        int half = 3 - row;
        int from = start + 10 - half;
        int to = start + 10 + half;
        if (horizontal)
            FillBox(dc, from, position + across, to, position + across + 1, light);
        else
            FillBox(dc, position + across, from, position + across + 1, to, light);
    }
    ::SetBkColor(dc, savedColour);
}

// A pixel format above 8 bits per pixel as three colour masks (red, green, blue): a
// bit-field DIB's own, else the fixed ones of the plain formats (5-5-5 for 16 bits). The
// three greys are looked for in that format: a 16-bit pixel compared with 0x808080 never
// matches, and a bit-field pixel read as 0x00RRGGBB would get its button colour with the
// channels swapped.
struct PixelFormat
{
    DWORD mask[3];
    DWORD colourBits;   // the three masks together
};

// Colour-table entries (and 24- and 32-bit pixels): blue, green, red from the low byte up.
const PixelFormat kQuadFormat = {{0xFF0000, 0x00FF00, 0x0000FF}, 0xFFFFFF};

using dib::LowestBit;

int FieldWidth(DWORD mask)
{
    mask >>= LowestBit(mask);
    int width = 0;
    while (mask & 1)
    {
        mask >>= 1;
        ++width;
    }
    return width;
}

// An 8-bit channel in a field: its top bits for a narrower field, shifted up for a wider
// one, as a 5-bit field holds 0xC0 as 0x18.
DWORD EncodeChannel(DWORD value, DWORD mask)
{
    int width = FieldWidth(mask);
    if (width == 0)
        return 0;
    DWORD field = width >= 8 ? value << (width - 8) : value >> (8 - width);
    return (field << LowestBit(mask)) & mask;
}

// A COLORREF in the pixel format.
DWORD EncodeColour(const PixelFormat& format, COLORREF colour)
{
    return EncodeChannel(GetRValue(colour), format.mask[0]) | EncodeChannel(GetGValue(colour), format.mask[1]) |
           EncodeChannel(GetBValue(colour), format.mask[2]);
}

// The button colour for a pixel of one of the three grey tones; the pixel unchanged for any
// other. For 32 bits the bits outside the colour fields must be 0 (an opaque-by-alpha pixel
// of that grey is a picture's own).
DWORD ReplaceButtonPixel(const PixelFormat& format, DWORD pixel, int bits)
{
    static const struct { COLORREF grey; int index; } kTones[] = {
        {RGB(0x80, 0x80, 0x80), COLOR_BTNSHADOW},
        {RGB(0xC0, 0xC0, 0xC0), COLOR_BTNFACE},
        {RGB(0xDF, 0xDF, 0xDF), COLOR_3DLIGHT},
    };
    DWORD others = pixel & ~format.colourBits;
    if (bits == 32 && others != 0)
        return pixel;
    for (const auto& tone : kTones)
        if ((pixel & format.colourBits) == EncodeColour(format, tone.grey))
            return others | EncodeColour(format, ::GetSysColor(tone.index));
    return pixel;
}

// Alpha of a 32-bit pixel in the byte the colour fields leave free: 0 becomes black, below
// 255 scales every colour field by alpha / 255. Formats without such a byte carry no alpha.
DWORD PremultiplyPixel(const PixelFormat& format, DWORD pixel)
{
    DWORD alphaMask = ~format.colourBits;
    if (FieldWidth(alphaMask) != 8 || (alphaMask >> LowestBit(alphaMask)) != 0xFFu)
        return pixel;
    DWORD alpha = (pixel & alphaMask) >> LowestBit(alphaMask);
    if (alpha == 0)
        return 0;
    if (alpha == 255)
        return pixel;
    DWORD result = pixel & alphaMask;
    for (DWORD mask : format.mask)
    {
        int shift = LowestBit(mask);
        DWORD field = (pixel & mask) >> shift;
        result |= ((field * alpha / 255) << shift) & mask;
    }
    return result;
}

} // namespace

int HitTestFrameEdge(const RECT& rect, int x, int y, int border, int excluded, HCURSOR* cursor)
{
    if (cursor)
        *cursor = NULL;
    POINT pt = {x, y};
    if (border != 0)
    {
        int b = border > 0 ? border : -border;
        RECT outer = rect;
        if (border < 0)
            ::InflateRect(&outer, b, b);
        RECT inner = rect;
        ::InflateRect(&inner, -b, -b);
        if (!::PtInRect(&outer, pt) || ::PtInRect(&inner, pt))
            return 0;
    }
    int zoneX = CornerZone(rect.right - rect.left);
    int zoneY = CornerZone(rect.bottom - rect.top);
    bool left = x < rect.left + zoneX;
    bool right = !left && x >= rect.right - zoneX;
    int code = 0;
    if (y < rect.top + zoneY)
        code = left ? 5 : (right ? 6 : 4);
    else if (y >= rect.bottom - zoneY)
        code = left ? 9 : (right ? 10 : 8);
    else
        code = left ? 1 : (right ? 2 : 0);
    code &= ~excluded;
    if (cursor)
    {
        LPCSTR shape = NULL;
        switch (code)
        {
        case 1: case 2: shape = IDC_SIZEWE; break;
        case 4: case 8: shape = IDC_SIZENS; break;
        case 5: case 10: shape = IDC_SIZENWSE; break;
        case 6: case 9: shape = IDC_SIZENESW; break;
        default: break;
        }
        if (shape)
            *cursor = ::LoadCursorA(NULL, shape);
    }
    return code;
}

int GripStart(int length, DWORD offsetWord)
{
    int offset = static_cast<short>(offsetWord & 0xFFFFu);
    switch ((offsetWord >> 16) & 3u)
    {
    case 1: return length / 2 + offset - 9;
    case 2: return offset + length - 19;
    default: return offset;
    }
}

int HitTestGrip(int position, int length, DWORD offsetWord, int across, int along)
{
    int start = GripStart(length, offsetWord);
    return across >= position && across <= position + 6 && along >= start && along < start + 19;
}

void DrawGripHorz(HDC dc, int position, int length, DWORD offsetWord)
{
    DrawGrip(dc, position, length, offsetWord, true);
}

void DrawGripVert(HDC dc, int position, int length, DWORD offsetWord)
{
    DrawGrip(dc, position, length, offsetWord, false);
}

int DrawSplitterBarAt(int start, HDC dc, int position, int length, BOOL horizontal)
{
    if (!dc)
        return 7;
    COLORREF colours[7] = {::GetSysColor(COLOR_3DLIGHT), RGB(255, 255, 255), ::GetSysColor(COLOR_BTNFACE),
                           ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNFACE),
                           ::GetSysColor(COLOR_BTNSHADOW), RGB(0, 0, 0)};
    COLORREF saved = ::GetBkColor(dc);
    for (int i = 0; i < 7; ++i)
    {
        if (horizontal)
            HorizontalLine(dc, start, length, position + i, colours[i]);
        else
            FillBox(dc, position + i, start, position + i + 1, length, colours[i]);
    }
    ::SetBkColor(dc, saved);
    return 7;
}

int DrawSplitterBar(HDC dc, int position, int length, BOOL horizontal)
{
    return DrawSplitterBarAt(0, dc, position, length, horizontal);
}

HBITMAP CreateBitmapFromPackedDib(const void* dib, DWORD dibSize, int flags, HWND window)
{
    // The DIB often comes from a resource or a file: its size travels with it, and every
    // header field that sizes the table or the pixels (width, height, bit count, image size)
    // is checked against it, so a damaged header cannot make this read or write past the
    // block.
    if (!dib || dibSize < sizeof(BITMAPINFOHEADER))
        return NULL;
    BITMAPINFOHEADER header;
    memcpy(&header, dib, sizeof(header));
    if (header.biSize != sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0)
        return NULL;
    int bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return NULL;
    long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    long long imageSize = header.biSizeImage;
    bool uncompressed = header.biCompression == BI_RGB;
    if (imageSize == 0)
    {
        if (!uncompressed)
            return NULL;
        imageSize = ((static_cast<long long>(bits) * header.biWidth + 31) / 32) * height * 4;
    }
    if (imageSize <= 0 || imageSize > 0x10000000LL)
        return NULL;

    long long tableBytes = 0;
    if (bits <= 8)
    {
        long long colours = header.biClrUsed;
        if (colours == 0 || colours > (1LL << bits))
            colours = 1LL << bits;
        tableBytes = colours * 4;
    }
    else
    {
        if (header.biCompression == BI_BITFIELDS)
            tableBytes = 12;
        else if (!uncompressed && (flags & DIB_SYSTEM_COLORS))
            return NULL; // only plain or bit-field pixels can have their colours replaced
        // Above 8 bits biClrUsed may still announce a table (a palette for screens of 256
        // colours); read at its place, the pixels began with the table.
        tableBytes += static_cast<long long>(header.biClrUsed) * 4;
    }
    long long needed = static_cast<long long>(sizeof(header)) + tableBytes + imageSize;
    if (needed > static_cast<long long>(dibSize))
        return NULL;

    // One copy of header, table and bits, so the caller's (often read-only resource) DIB is
    // never written.
    unsigned char* copy = static_cast<unsigned char*>(malloc(static_cast<size_t>(needed)));
    if (!copy)
        return NULL;
    memcpy(copy, dib, static_cast<size_t>(needed));
    BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(copy);
    unsigned char* table = copy + sizeof(header);
    unsigned char* pixels = table + tableBytes;
    if (bits <= 8)
    {
        h->biClrUsed = static_cast<DWORD>(tableBytes / 4);
        if (flags & DIB_SYSTEM_COLORS)
        {
            for (long long i = 0; i < tableBytes; i += 4)
            {
                DWORD quad;
                memcpy(&quad, table + i, 4);
                quad = ReplaceButtonPixel(kQuadFormat, quad, 24);
                memcpy(table + i, &quad, 4);
            }
        }
    }
    else if (uncompressed || header.biCompression == BI_BITFIELDS)
    {
        PixelFormat format;
        if (header.biCompression == BI_BITFIELDS)
            memcpy(format.mask, table, sizeof(format.mask));
        else if (bits == 16)
        {
            format.mask[0] = 0x7C00;
            format.mask[1] = 0x03E0;
            format.mask[2] = 0x001F;
        }
        else
            format = kQuadFormat;
        format.colourBits = format.mask[0] | format.mask[1] | format.mask[2];
        int stride = static_cast<int>(((static_cast<long long>(bits) * header.biWidth + 31) / 32) * 4);
        int bytesPerPixel = bits / 8;
        long long rows = imageSize / stride;
        if (rows > height)
            rows = height;
        for (long long row = 0; row < rows; ++row)
        {
            unsigned char* p = pixels + row * stride;
            for (int x = 0; x < header.biWidth; ++x, p += bytesPerPixel)
            {
                DWORD pixel = 0;
                memcpy(&pixel, p, static_cast<size_t>(bytesPerPixel));
                if (flags & DIB_SYSTEM_COLORS)
                    pixel = ReplaceButtonPixel(format, pixel, bits);
                if ((flags & DIB_PREMULTIPLY_ALPHA) && bits == 32)
                    pixel = PremultiplyPixel(format, pixel);
                memcpy(p, &pixel, static_cast<size_t>(bytesPerPixel));
            }
        }
    }
    HDC dc = ::GetDC(window);
    HBITMAP bitmap = NULL;
    if (dc)
    {
        bitmap = ::CreateDIBitmap(dc, h, CBM_INIT, pixels, reinterpret_cast<BITMAPINFO*>(h), DIB_RGB_COLORS);
        ::ReleaseDC(window, dc);
    }
    free(copy);
    return bitmap;
}
