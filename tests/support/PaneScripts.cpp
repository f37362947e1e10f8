#include "tests/support/PaneScripts.h"

#include "views/HexLineComposer.h"
#include "views/HexView.h"

#include <algorithm>
#include <vector>

namespace plainpaint {

namespace {

COLORREF SystemOr(COLORREF color, int systemIndex)
{
    return color == kSystemColor ? ::GetSysColor(systemIndex) : color;
}

// The colours and font a format pair selects, as the views' format selection takes them.
void PairLook(const AnsiViewSettings* settings, int pair, COLORREF* text, COLORREF* back, HFONT* font)
{
    *text = ::GetSysColor(COLOR_WINDOWTEXT);
    *back = ::GetSysColor(COLOR_WINDOW);
    *font = settings ? settings->normalFont : nullptr;
    if (!settings || !settings->formats)
        return;
    const ColorFormat& t = settings->formats[FormatPairTextRow(settings, pair)];
    const ColorFormat& b = settings->formats[FormatPairBackgroundRow(settings, pair)];
    *text = SystemOr(t.text, COLOR_WINDOWTEXT);
    *back = SystemOr(b.background, COLOR_WINDOW);
    const int style = static_cast<int>(t.style) < 0 ? 0 : static_cast<int>(t.style);
    if (style > 0 && settings->styleFonts[style & 7])
        *font = settings->styleFonts[style & 7];
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r = { std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom) };
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

Run Fill(const RECT& rect, COLORREF color)
{
    Run run;
    run.rect = rect;
    run.x = rect.left;
    run.y = rect.top;
    run.text = color;
    run.back = color;
    run.font = nullptr;
    run.align = TA_LEFT | TA_TOP;
    run.advance = 0;
    return run;
}

// Whether every byte of the font advances by exactly the cell width: a plain painter then
// needs no advance array to keep the cells.
bool KeepsCells(HFONT font, int cellWidth)
{
    if (!font)
        return false;
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    INT widths[256];
    bool keeps = ::GetCharWidth32A(dc, 0, 255, widths) != FALSE;
    for (int c = 0; keeps && c < 256; ++c)
        keeps = widths[c] == cellWidth;
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return keeps;
}

}  // namespace

Script BuildPaneScript(const CAnsiView& view, const ComposeCells& compose, const ComposeMargin& margin)
{
    const CTextLayout& L = view.Layout();
    const AnsiViewSettings* settings = view.Settings();
    const int cw = L.CharWidth();
    const int lh = L.LineHeight();
    const int marginWidth = L.MarginWidth();
    const int panX = L.PanOffsetX();
    const int panY = L.PanOffsetY();
    const int tw = L.TextWidth();
    const int th = L.TextHeight();
    const int columns = L.WindowColumns() + (panX ? 1 : 0);
    const int windowLines = L.WindowLines() + (panY ? 1 : 0);

    Script script;
    script.clip = { 0, 0, L.ClientWidth(), L.ClientHeight() };
    const RECT textArea = { marginWidth, 0, tw, th };
    const RECT marginArea = { 0, 0, marginWidth, th };
    COLORREF text0, back0;
    HFONT font0;
    PairLook(settings, 0, &text0, &back0, &font0);

    std::vector<char> cells(static_cast<size_t>(columns) + 2);
    std::vector<uint16_t> pairs(static_cast<size_t>(columns) + 2);
    for (int line = L.ScrollLine(); line <= L.ScrollLine() + windowLines; ++line)
    {
        const int top = (line - L.ScrollLine()) * lh - panY;
        const int left = marginWidth - panX;
        int drawn = compose(line, L.ScrollColumn(), columns, cells.data(), pairs.data());
        drawn = std::max(0, drawn);
        const int shown = std::min(drawn, columns);
        for (int i = 0; i < shown;)
        {
            int j = i;
            while (j < shown && pairs[j] == pairs[i])
                ++j;
            Run run;
            PairLook(settings, pairs[i], &run.text, &run.back, &run.font);
            RECT cellsRect = { left + i * cw, top, left + j * cw, top + lh };
            run.rect = Intersect(cellsRect, textArea);
            run.x = left + i * cw;
            run.y = top;
            run.align = TA_LEFT | TA_TOP;
            run.advance = KeepsCells(run.font, cw) ? 0 : cw;
            run.chars.assign(cells.data() + i, cells.data() + j);
            if (run.rect.left < run.rect.right && run.rect.top < run.rect.bottom)
                script.runs.push_back(run);
            i = j;
        }
        if (drawn < columns)
        {
            RECT rest = { left + drawn * cw, top, tw + (panX ? cw : 0), top + lh };
            rest = Intersect(rest, textArea);
            if (rest.left < rest.right && rest.top < rest.bottom)
                script.runs.push_back(Fill(rest, back0));
        }
        if (marginWidth > 0 && margin)
        {
            const size_t before = script.runs.size();
            RECT m = { 0, top, marginWidth, top + lh };
            margin(script, m, line);
            for (size_t k = before; k < script.runs.size(); ++k)
                script.runs[k].rect = Intersect(script.runs[k].rect, marginArea);
        }
    }
    if (L.Bar(0).shown && L.Bar(1).shown)
    {
        const COLORREF face = ::GetSysColor(COLOR_3DFACE);
        const int r = GetRValue(face), g = GetGValue(face), b = GetBValue(face);
        RECT box = { tw, th, L.ClientWidth(), L.ClientHeight() };
        script.runs.push_back(Fill(box, RGB(r - (r >> 3), g - (g >> 3), b - (b >> 3))));
    }
    return script;
}

Script BuildHexPaneScript(const CHexView& view)
{
    const CHexModel& model = view.Model();
    const AnsiViewSettings* settings = view.Settings();
    int rows[8];
    for (int i = 0; i < 8; ++i)
    {
        const int row = settings ? FindColorFormat(settings->formats, nullptr, i + 1) : -1;
        rows[i] = row < 0 ? 0 : row;
    }
    int markCount = 0;
    const uint32_t* marks = view.GetBitMarks(&markCount);
    HexLineSource source = { model.Data(), model.Size(), model.Base(), model.Alignment(),
                             model.Slots(), marks, markCount };
    auto cells = [&](int line, int first, int count, char* text, uint16_t* pairs) {
        if (line < 0 || line >= view.Layout().LineCount() || first < 0 || count <= 0)
            return 0;
        char composed[2048];
        uint8_t colors[2048];
        const int length = ComposeHexLine(model.Layout(), source, line, 0, composed, colors, 2048);
        const int end = std::min(first + count, length);
        if (end <= first)
            return 0;
        for (int i = first; i < end; ++i)
        {
            text[i - first] = composed[i];
            pairs[i - first] = static_cast<uint16_t>(rows[colors[i] & 7]);
        }
        return end - first;
    };
    auto margin = [](Script& script, const RECT& rect, int) {
        script.runs.push_back(Fill(rect, RGB(0xFF, 0xFF, 0xFF)));
    };
    return BuildPaneScript(view, cells, margin);
}

}  // namespace plainpaint
