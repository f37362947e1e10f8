// What the DibImage files share: the block header in front of every image, the geometry of
// DIB rows and colour tables, and the readability checks of foreign data.
#pragma once
#include <windows.h>
#include "uihelpers/DibImage.h"

namespace dib {

struct Block {
    HANDLE heap;
    HBITMAP bitmap;
    void* bits;
    HDC dc;
    DWORD check;
};
static_assert(sizeof(Block) == 20, "the block header is five 32-bit words");

const DWORD kMaxSide = 65535;

inline Block* BlockOf(const void* image)
{
    return reinterpret_cast<Block*>(const_cast<BYTE*>(static_cast<const BYTE*>(image)) - sizeof(Block));
}

// The block of a live image, or null (the pointer is probed before the check word is read).
const Block* ReadableBlock(const void* image);
Block* WritableBlock(const void* image);

// Bytes of one pixel row: 15 bits count as 16, rows padded to 4 bytes.
inline DWORD RowStride(DWORD width, int depth)
{
    if (depth == 15)
        depth = 16;
    return static_cast<DWORD>(((static_cast<unsigned long long>(width) * depth + 31) / 32) * 4);
}

inline bool IsPaletteDepth(int depth)
{
    return depth >= 1 && depth <= 8;
}

// 1, 2, 4, 8, 15, 16, 24 or 32.
bool IsKnownDepth(int depth);

// Colour entries of a header: biClrUsed or 2^depth (the smaller, 0 meaning all) for 1-8 bits,
// 3 masks for BI_BITFIELDS, none otherwise.
DWORD ColourEntries(const BITMAPINFOHEADER* h);
// Where the colour table (or masks) begins: behind the header, except that a header of 52
// bytes or more carries the three bit-field masks itself.
const BYTE* TableOf(const BITMAPINFOHEADER* h);
// Bytes from the header to the pixels of a packed DIB: header, masks and colour table. Above
// 8 bits biClrUsed may still announce a table (a palette for screens of 256 colours), and the
// pixels stand behind it. Counted wide: a hostile biClrUsed cannot wrap it; check the range
// before PixelsBehind is used.
unsigned long long PixelOffset(const BITMAPINFOHEADER* h);
// Where the pixels of a packed DIB begin: behind header, colour table or masks.
inline const BYTE* PixelsBehind(const BITMAPINFOHEADER* h)
{
    return reinterpret_cast<const BYTE*>(h) + static_cast<size_t>(PixelOffset(h));
}
inline RGBQUAD* PaletteOf(BITMAPINFOHEADER* h)
{
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(h) + h->biSize);
}
inline const RGBQUAD* PaletteOf(const BITMAPINFOHEADER* h)
{
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(h) + h->biSize);
}

// The standard palette of a 1- to 8-bit image this library builds (see DibCreateBlank).
void FillStandardPalette(RGBQUAD* table, int depth, HDC dc);

// Width and height of a header as the pixel operations take them: 1..65535 with a positive
// (bottom-up) height, else false.
bool ImageSize(const BITMAPINFOHEADER* h, DWORD* width, DWORD* height);

// A COLORREF (0x00BBGGRR) as the blue, green, red bytes of a pixel (0x00RRGGBB); the top
// byte is kept.
inline DWORD ColorToQuad(COLORREF c)
{
    return (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
}
inline COLORREF QuadToColor(DWORD q)
{
    return ColorToQuad(q);
}

// The lowest set bit of a bit-field mask: how far its channel is shifted up (0 for no bits).
inline int LowestBit(DWORD mask)
{
    int shift = 0;
    while (mask && !(mask & 1))
    {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Pixel index of a 1- to 8-bit row at column x.
inline DWORD GetIndex(const BYTE* row, DWORD x, int depth)
{
    DWORD bit = x * depth;
    DWORD shift = 8 - depth - (bit & 7);
    return (row[bit >> 3] >> shift) & ((1u << depth) - 1);
}
inline void SetIndex(BYTE* row, DWORD x, int depth, DWORD index)
{
    DWORD bit = x * depth;
    DWORD shift = 8 - depth - (bit & 7);
    BYTE mask = static_cast<BYTE>(((1u << depth) - 1) << shift);
    row[bit >> 3] = static_cast<BYTE>((row[bit >> 3] & ~mask) | ((index << shift) & mask));
}

// A bounded view of foreign data: with a known size every range is checked against it,
// without one it is probed with IsBadReadPtr.
struct Source {
    const BYTE* base;
    DWORD size;
    bool sized;
    bool CanRead(const void* p, unsigned long long count) const;
};

// The screen DC for a null hdc, released by the destructor.
class ScreenDc {
public:
    explicit ScreenDc(HDC dc) : m_own(dc ? NULL : ::GetDC(NULL)), m_dc(dc ? dc : m_own) {}
    ~ScreenDc() { if (m_own) ::ReleaseDC(NULL, m_own); }
    HDC Get() const { return m_dc; }
private:
    ScreenDc(const ScreenDc&);
    ScreenDc& operator=(const ScreenDc&);
    HDC m_own;
    HDC m_dc;
};

// A new image: block with `header` (biSize 40) and `entries` colour entries copied from
// `table` (may be null), a section made on the DC. Null with ERROR_INVALID_DATA when the
// section fails.
DibImage* MakeImage(HDC dc, const BITMAPINFOHEADER& header, const void* table, DWORD entries, void** bits);

// The core conversion with a bounded source (resource data carries its size).
DibImage* ConvertPackedDib(HDC hdc, const Source& source, DWORD flags, void** bits);

}  // namespace dib
