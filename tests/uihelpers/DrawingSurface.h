// A 32-bit drawing surface for the drawing tests: a DibImage with its memory DC, filled
// with a marker colour, read back pixel by pixel (top-down) as COLORREF.
#pragma once
#include <windows.h>

#include "uihelpers/DibImage.h"

namespace drawtest {

const COLORREF kMarker = RGB(0x12, 0x34, 0x56);

class Surface {
public:
    Surface(int width, int height) : m_width(width), m_height(height)
    {
        m_image = DibCreateBlank(NULL, width, height, 32, reinterpret_cast<void**>(&m_bits));
        m_dc = DibGetDC(m_image);
        Fill(kMarker);
    }
    ~Surface() { DibFree(m_image); }
    HDC Dc() const { return m_dc; }
    void Fill(COLORREF colour)
    {
        for (int i = 0; i < m_width * m_height; ++i)
            m_bits[i] = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD p = m_bits[(m_height - 1 - y) * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // True when no pixel outside the rectangle differs from the marker.
    bool UntouchedOutside(const RECT& r) const
    {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if ((x < r.left || x >= r.right || y < r.top || y >= r.bottom) && At(x, y) != kMarker)
                    return false;
        return true;
    }
    bool ChangedInside(const RECT& r) const
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) != kMarker)
                    return true;
        return false;
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width, m_height;
    DibImage* m_image;
    DWORD* m_bits = nullptr;
    HDC m_dc;
};

}  // namespace drawtest
