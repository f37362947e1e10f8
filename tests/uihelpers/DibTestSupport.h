// Helpers of the bitmap tests: images filled from a table of pixel words, pixel reading
// written apart from the library's own, and memory whose end borders an unreadable page.
#pragma once
#include <windows.h>

#include <cstring>
#include <vector>

#include "uihelpers/DibImage.h"

namespace dibtest {

inline DWORD Stride(int width, int depth)
{
    return static_cast<DWORD>(((width * depth + 31) / 32) * 4);
}

// The pixel word (0xAARRGGBB) at (x, y from the top) of a 24- or 32-bit image, or the palette
// index of a 1- to 8-bit one.
inline DWORD Raw(const BITMAPINFOHEADER* h, const void* bits, int x, int y)
{
    const BYTE* row = static_cast<const BYTE*>(bits) + Stride(h->biWidth, h->biBitCount) * (h->biHeight - 1 - y);
    switch (h->biBitCount)
    {
    case 32: { DWORD p; memcpy(&p, row + 4 * x, 4); return p; }
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 8: return row[x];
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    default: return 0xFFFFFFFF;
    }
}

// The colour (0x00RRGGBB) at (x, y) through the palette where there is one.
inline DWORD Rgb(const BITMAPINFOHEADER* h, const void* bits, int x, int y)
{
    DWORD raw = Raw(h, bits, x, y);
    if (h->biBitCount <= 8)
    {
        DWORD entry;
        memcpy(&entry, reinterpret_cast<const BYTE*>(h) + h->biSize + 4 * raw, 4);
        return entry & 0xFFFFFF;
    }
    return raw & 0xFFFFFF;
}

// A new 32-bit image whose pixels are the words given, row by row from the top.
inline DibImage* Image32(int width, int height, const std::vector<DWORD>& pixels, void** bits)
{
    DibImage* image = DibCreateBlank(NULL, width, height, 32, bits);
    if (image)
        for (int y = 0; y < height; ++y)
            memcpy(static_cast<BYTE*>(*bits) + 4 * width * (height - 1 - y), &pixels[y * width], 4 * width);
    return image;
}

// Bytes placed so that they end where an unreadable page begins: reading one byte more
// faults, which the library must notice before it reads.
class GuardedBytes {
public:
    GuardedBytes()
    {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        m_page = si.dwPageSize;
        m_base = static_cast<BYTE*>(VirtualAlloc(NULL, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old);
    }
    ~GuardedBytes() { VirtualFree(m_base, 0, MEM_RELEASE); }
    // The data copied to the end of the readable page; the first `keep` bytes only.
    BYTE* Place(const std::vector<BYTE>& data, size_t keep)
    {
        BYTE* at = m_base + m_page - keep;
        memcpy(at, data.data(), keep);
        return at;
    }
    BYTE* Unreadable() const { return m_base + m_page; }

private:
    BYTE* m_base;
    DWORD m_page;
};

}  // namespace dibtest
