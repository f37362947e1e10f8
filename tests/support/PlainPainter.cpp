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

void FinishDrawing(HDC dc)
{
    ::GdiFlush();
    if (dc)
        ::GetPixel(dc, 0, 0);
}

}  // namespace plainpaint
