#include "tests/support/PlainPainter.h"

namespace plainpaint {

void Paint(HDC dc, const Script& script)
{
    if (!dc)
        return;
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, script.clip.left, script.clip.top, script.clip.right, script.clip.bottom);
    ::SetBkMode(dc, OPAQUE);
    HFONT font = nullptr;
    COLORREF text = CLR_INVALID;
    COLORREF back = CLR_INVALID;
    UINT align = TA_LEFT | TA_TOP;
    ::SetTextAlign(dc, align);
    std::vector<INT> advances;
    for (const Run& run : script.runs)
    {
        if (run.font && run.font != font)
        {
            ::SelectObject(dc, run.font);
            font = run.font;
        }
        if (run.text != text)
        {
            ::SetTextColor(dc, run.text);
            text = run.text;
        }
        if (run.back != back)
        {
            ::SetBkColor(dc, run.back);
            back = run.back;
        }
        if (run.align != align)
        {
            ::SetTextAlign(dc, run.align);
            align = run.align;
        }
        const UINT count = static_cast<UINT>(run.chars.size());
        const INT* dx = nullptr;
        if (run.advance > 0 && count > 0)
        {
            if (advances.size() < count)
                advances.resize(count);
            for (UINT i = 0; i < count; ++i)
                advances[i] = run.advance;
            dx = advances.data();
        }
        ::ExtTextOutA(dc, run.x, run.y, ETO_OPAQUE | ETO_CLIPPED, &run.rect, run.chars.data(), count, dx);
    }
    ::RestoreDC(dc, saved);
}

void FinishDrawing()
{
    ::GdiFlush();
    // Wine draws into a window surface of its own and hands the changed part to the X
    // server when a thread waits; a GetPixel on the window would read the surface. A wait
    // of no time hands it over, and a GetPixel on the screen is a round trip after which
    // the server has done it.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    HDC screen = ::GetDC(nullptr);
    if (screen)
    {
        ::GetPixel(screen, 0, 0);
        ::ReleaseDC(nullptr, screen);
    }
}

Surface::Surface(int width, int height, uint32_t fill)
    : m_width(width), m_height(height), m_dc(nullptr), m_bitmap(nullptr), m_old(nullptr), m_bits(nullptr)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    HDC screen = ::GetDC(nullptr);
    m_dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    m_bitmap = ::CreateDIBSection(m_dc, &bmi, DIB_RGB_COLORS, &m_bits, nullptr, 0);
    m_old = ::SelectObject(m_dc, m_bitmap);
    uint32_t* pixels = static_cast<uint32_t*>(m_bits);
    for (int i = 0; pixels && i < width * height; ++i)
        pixels[i] = fill;
}

Surface::~Surface()
{
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

uint32_t Surface::Pixel(int x, int y) const
{
    ::GdiFlush();
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return static_cast<const uint32_t*>(m_bits)[y * m_width + x] & 0xFFFFFF;
}

int CountDifferences(const Surface& a, const Surface& b, POINT* first)
{
    ::GdiFlush();
    int count = 0;
    for (int y = 0; y < a.Height() && y < b.Height(); ++y)
    {
        for (int x = 0; x < a.Width() && x < b.Width(); ++x)
        {
            if (((a.Bits()[y * a.Width() + x] ^ b.Bits()[y * b.Width() + x]) & 0xFFFFFF) == 0)
                continue;
            if (count == 0 && first)
                *first = POINT{ x, y };
            ++count;
        }
    }
    return count;
}

}  // namespace plainpaint
