// CAnsiView: colour formats, the group font and its variants, the registry and the line
// drawer of the text views.
#include "views/AnsiView.h"

#include "views/AnsiViewInternal.h"
#include "views/ColorsDialog.h"

#include <stdlib.h>
#include <string.h>

using namespace ansiview_detail;

// ---------------------------------------------------------------------------------------------
// Colour formats and fonts

int CAnsiView::AddColorFormat(COLORREF text, COLORREF background, const char* name, int id, uint32_t style)
{
    return ::AddColorFormat(m_settings, text, background, name, id, style);
}

int CAnsiView::GetColorFormat(int index, COLORREF* text, COLORREF* background, uint32_t* style) const
{
    return ::GetColorFormat(m_settings, index, text, background, style);
}

int CAnsiView::SelectColorFormat(CDC* dc, int pair)
{
    int old = m_lastPair;
    if (!dc || !m_settings || !m_settings->formats || pair == m_lastPair)
        return old;
    int textRow = FormatPairTextRow(m_settings, pair);
    int backRow = FormatPairBackgroundRow(m_settings, pair);
    const ColorFormat& text = m_settings->formats[textRow];
    const ColorFormat& back = m_settings->formats[backRow];
    dc->SetTextColor(SystemOr(text.text, COLOR_WINDOWTEXT));
    int style = static_cast<int>(text.style);
    if (style < 0)
        style = 0;
    if (style != m_lastStyle)
    {
        HFONT font = style > 0 ? m_settings->styleFonts[style & 7] : m_settings->normalFont;
        if (!font)
            font = m_settings->normalFont;
        if (font)
            ::SelectObject(dc->m_hDC, font);
        m_lastStyle = style;
    }
    dc->SetBkColor(SystemOr(back.background, COLOR_WINDOW));
    m_lastPair = pair;
    return old;
}

void CAnsiView::MeasureFont(HFONT font, int* width, int* height)
{
    int metrics[3];
    GetFontMetrics(font, metrics);
    *width = metrics[0];
    *height = metrics[1];
}

// A fixed-pitch font whose every byte is one cell wide draws a run of cells by itself;
// Wine spends more time on an advance array than on the glyphs.
void CAnsiView::MeasureGridFonts(int cellWidth)
{
    m_settings->gridFonts = 0;
    m_settings->gridCellWidth = cellWidth;
    HDC dc = ::GetDC(m_hWnd);
    if (!dc)
        return;
    HGDIOBJ old = ::GetCurrentObject(dc, OBJ_FONT);
    for (int s = 0; s < 8; ++s)
    {
        HFONT font = m_settings->styleFonts[s] ? m_settings->styleFonts[s] : m_settings->normalFont;
        if (!font)
            continue;
        ::SelectObject(dc, font);
        INT widths[256];
        bool grid = ::GetCharWidth32A(dc, 0, 255, widths) != FALSE;
        for (int c = 0; grid && c < 256; ++c)
            grid = widths[c] == cellWidth;
        if (grid)
            m_settings->gridFonts |= 1u << s;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

const INT* CAnsiView::CellAdvances()
{
    const int cw = m_layout.CharWidth();
    const int style = m_lastStyle < 0 ? -1 : (m_lastStyle & 7);
    if (m_settings && style >= 0 && m_settings->gridCellWidth == cw && ((m_settings->gridFonts >> style) & 1))
        return nullptr;
    if (m_advanceWidth != cw)
    {
        for (int i = 0; i < kMaxRunCells; ++i)
            m_advances[i] = cw;
        m_advanceWidth = cw;
    }
    return m_advances;
}

void CAnsiView::SetFont(int height, const char* face)
{
    if (!m_settings)
        return;
    AnsiFontInfo request;
    const char* faces[5];
    int count = FontCandidates(height, face, m_settings->font, &request, faces);
    HFONT font = nullptr;
    for (int i = 0; i < count && !font; ++i)
    {
        AnsiFontInfo info = request;
        memset(info.faceName, 0, sizeof(info.faceName));
        if (faces[i])
            strncpy(info.faceName, faces[i], sizeof(info.faceName) - 1);
        font = CreateAnsiFont(info);
        if (font)
            request = info;
    }
    if (font)
    {
        HFONT old = m_settings->normalFont;
        for (int s = 0; s < 8; ++s)
        {
            if (m_settings->styleFonts[s] && m_settings->styleFonts[s] != old)
                ::DeleteObject(m_settings->styleFonts[s]);
            m_settings->styleFonts[s] = nullptr;
        }
        if (old)
            ::DeleteObject(old);
        m_settings->font = request;
        m_settings->normalFont = font;
        m_settings->styleFonts[0] = font;
    }
    m_lastStyle = -1;
    if (HasWindow() && m_settings->normalFont)
    {
        int cw = 0;
        int lh = 0;
        MeasureFont(m_settings->normalFont, &cw, &lh);
        cw = MaxInt(cw, 1);
        lh = MaxInt(lh, 1);
        if (m_caretShown && (cw != m_layout.CharWidth() || lh != m_layout.LineHeight()))
        {
            HideCaret();
            m_caretShown = false;
        }
        m_layout.SetCellSize(cw, lh);
        m_settings->forcedCharWidth = cw;
        m_settings->forcedLineHeight = lh;
        for (int s = 1; s < 8; ++s)
        {
            if (m_settings->styleFonts[s] && m_settings->styleFonts[s] != m_settings->normalFont)
                ::DeleteObject(m_settings->styleFonts[s]);
            AnsiFontInfo variant = m_settings->font;
            variant.width = cw;
            variant.height = lh;
            variant.flags = AFF_FIXED_PITCH | (static_cast<uint32_t>(s) & (AFF_BOLD | AFF_ITALIC | AFF_UNDERLINE));
            HFONT styled = CreateAnsiFont(variant);
            int sw = 0;
            int sh = 0;
            MeasureFont(styled, &sw, &sh);
            // A variant that does not fit the cell would break the grid: the normal font
            // stands in for it.
            if (!styled || sw != cw || sh != lh)
            {
                if (styled)
                    ::DeleteObject(styled);
                styled = m_settings->normalFont;
            }
            m_settings->styleFonts[s] = styled;
        }
        MeasureGridFonts(cw);
    }
    else
    {
        m_settings->gridFonts = 0;
    }
    m_layout.SetCellSize(m_layout.CharWidth(), m_layout.LineHeight());
    m_layout.RepaintWord() |= RP_ALL;
    RecreateCaret();
    m_layout.UpdateLayout(TLF_QUIET);
    UpdateSharedViews();
}

// The font dialog starts from what the view shows, not from the stored description: the
// stored face may be one the system substitutes ("Courier" where only another fixed font is
// installed), which the dialog would not find in its list and replace by its first font at
// its smallest size; and a stored positive height is a cell height, which the dialog would
// take for a character height.
static void DescribeShownFont(HWND window, HFONT font, LOGFONTA* lf)
{
    HDC dc = font ? ::GetDC(window) : nullptr;
    if (!dc)
        return;
    HGDIOBJ old = ::SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    TEXTMETRICA tm;
    if (::GetTextFaceA(dc, sizeof(face), face) > 0 && face[0])
        memcpy(lf->lfFaceName, face, sizeof(lf->lfFaceName));
    if (::GetTextMetricsA(dc, &tm) && tm.tmHeight > tm.tmInternalLeading)
    {
        lf->lfHeight = -(tm.tmHeight - tm.tmInternalLeading);
        lf->lfWeight = tm.tmWeight;
        lf->lfItalic = tm.tmItalic;
        lf->lfUnderline = tm.tmUnderlined;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
}

int CAnsiView::ChooseViewFont()
{
    if (!m_settings || !HasWindow())
        return 0;
    LOGFONTA lf;
    memset(&lf, 0, sizeof(lf));
    lf.lfHeight = m_settings->font.height;
    lf.lfWeight = (m_settings->font.flags & AFF_BOLD) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (m_settings->font.flags & AFF_ITALIC) ? 1 : 0;
    lf.lfUnderline = (m_settings->font.flags & AFF_UNDERLINE) ? 1 : 0;
    lf.lfCharSet = ANSI_CHARSET;
    memcpy(lf.lfFaceName, m_settings->font.faceName, sizeof(lf.lfFaceName) - 1);
    DescribeShownFont(m_hWnd, m_settings->normalFont, &lf);
    CHOOSEFONTA cf;
    memset(&cf, 0, sizeof(cf));
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = m_hWnd;
    cf.lpLogFont = &lf;
    cf.Flags = CF_BOTH | CF_FIXEDPITCHONLY | CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT;
    cf.nSizeMin = 6;
    cf.nSizeMax = 48;
    cf.rgbColors = ::GetSysColor(COLOR_WINDOWTEXT);
    if (!::ChooseFontA(&cf))
    {
        if (m_layout.RepaintWord())
            PaintLines(nullptr);
        return 0;
    }
    m_settings->font.height = lf.lfHeight;
    m_settings->font.width = lf.lfWidth;
    m_settings->font.flags = AFF_FIXED_PITCH;
    memset(m_settings->font.faceName, 0, sizeof(m_settings->font.faceName));
    memcpy(m_settings->font.faceName, lf.lfFaceName, sizeof(m_settings->font.faceName) - 1);
    SetFont(0, "Courier");
    SaveSettings(nullptr);
    m_layout.RepaintWord() |= RP_ALL;
    RecreateCaret();
    PaintLines(nullptr);
    return 1;
}

int CAnsiView::RunColorsDialog(int initialRow, const uint8_t* usedRows)
{
    if (!m_settings || !m_settings->formats)
        return 0;
    CColorsDlg dialog(HasWindow() ? this : nullptr);
    INT_PTR result = dialog.Run(m_settings->formats, m_settings->normalFont, initialRow, usedRows);
    // The dialog took the focus and with it the caret.
    if (HasWindow())
        RecreateCaret();
    if (result == IDOK)
    {
        SaveSettings(nullptr);
        UpdateSharedViews();
        // Every view of the group, this one too, is drawn again in the new colours: the
        // closing dialog repaints only what it covered, and the rest of this view would go
        // on showing the old ones.
        NotifySharedViews(4);
    }
    return static_cast<int>(result);
}

void CAnsiView::UpdateSharedViews()
{
    if (!m_settings)
        return;
    // Each view keeps its own client size: its cells are worked out again from that, not
    // from the size of the view that changed the font.
    for (CAnsiView* view = g_chainHead; view; view = view->m_next)
    {
        if (view->m_settings != m_settings)
            continue;
        int cw = m_settings->forcedCharWidth;
        int lh = m_settings->forcedLineHeight;
        bool changed = false;
        if (cw > 0 && cw != view->m_layout.CharWidth())
            changed = true;
        if (lh > 0 && lh != view->m_layout.LineHeight())
            changed = true;
        if (changed)
        {
            view->m_layout.SetCellSize(cw > 0 ? cw : view->m_layout.CharWidth(),
                                       lh > 0 ? lh : view->m_layout.LineHeight());
            if (view->HasWindow())
            {
                view->RecreateCaret();
                view->m_layout.UpdateLayout(TLF_QUIET | TLF_NO_REPAINT);
            }
        }
        // The calling view too: a setting changed through it (brackets, line numbers, a
        // colour) would stay unpainted there until something else repainted it.
        if (view->HasWindow())
        {
            view->m_layout.RepaintWord() |= RP_ALL;
            view->PaintLines(nullptr);
        }
    }
}

void CAnsiView::NotifySharedViews(int flags)
{
    for (CAnsiView* view = g_chainHead; view; view = view->m_next)
    {
        if (view->m_settings != m_settings)
            continue;
        view->m_layout.RepaintWord() |= RP_ALL;
        view->OnSettingsChanged(flags);
    }
}

int CAnsiView::GetRegistryPath(char* buffer, int size, const char* name) const
{
    return GetViewRegistryPath(buffer, size, name, m_ownRegistryPath);
}

void CAnsiView::SetRegistryPath(const char* path)
{
    free(m_ownRegistryPath);
    m_ownRegistryPath = nullptr;
    if (path)
    {
        size_t n = strlen(path);
        m_ownRegistryPath = static_cast<char*>(malloc(n + 1));
        if (m_ownRegistryPath)
            memcpy(m_ownRegistryPath, path, n + 1);
    }
}

int CAnsiView::LoadSettings(const char* path, int machine)
{
    bool fontLoaded = false;
    int result = LoadViewSettings(m_settings, path, machine, m_ownRegistryPath, &fontLoaded);
    if (fontLoaded)
        SetFont(0, "Courier");
    if (!path)
        return 0;
    uint32_t& word = m_layout.RepaintWord();
    bool idle = word == 0;
    word |= RP_ALL;
    if (idle && HasWindow())
        PaintLines(nullptr);
    return result;
}

int CAnsiView::SaveSettings(const char* path)
{
    return SaveViewSettings(m_settings, path, m_ownRegistryPath);
}

namespace {

// Bit 7 of a cell's text format marks the cell (0xFF is no mark): a one-pixel line across
// it at 15/16 of the line height, under a TAB's cells and a UTF-8 character's cell as
// under any other.
void DrawCellMark(CDC* dc, const RECT& rect, int left, int right, uint16_t format)
{
    uint8_t tf = static_cast<uint8_t>(format & 0xFF);
    if ((tf & 0x80) && tf != 0xFF)
    {
        int lh = rect.bottom - rect.top;
        int y = rect.top + lh * 15 / 16;
        RECT mark = { left, y, right, y + 1 };
        dc->FillSolidRect(&mark, RGB(0xFF, 0x80, 0x80));
    }
}

}  // namespace

int CAnsiView::DrawTextLine(CDC* dc, const RECT& rect, const char* text, const uint16_t* formats, int count,
                            int flags, int tabWidth)
{
    if (!dc || rect.right <= rect.left || count < 0 || (count > 0 && (!text || !formats)))
        return 0;
    int cw = m_layout.CharWidth();
    if (tabWidth <= 0)
        tabWidth = 4;
    int origin = flags >> 12;   // arithmetic: a scrolled line starts left of the rect
    int fit = (rect.right - rect.left) / cw + 1;
    int limit = MinInt(kMaxDrawnChars, fit);
    if (count > limit)
    {
        count = limit;
        flags &= ~0x300;
    }
    int oldMode = dc->GetBkMode();
    dc->SetBkMode(OPAQUE);
    uint16_t mask = (flags & 0x800) ? 0x7F7F : 0xFFFF;
    int x = rect.left;
    // Each character sits in its own cell (ExtTextOut with one advance per cell), so that a
    // substitute font with other glyph widths keeps the grid.
    for (int i = 0; i < count && x < rect.right;)
    {
        uint16_t format = formats[i];
        SelectColorFormat(dc, format & mask);
        unsigned char c = static_cast<unsigned char>(text[i]);
        int cellLeft = x;
        if (c == '\t')
        {
            int cell = (x - origin) / cw;
            int next = (cell / tabWidth + 1) * tabWidth;
            int right = origin + next * cw;
            RECT r = { x, rect.top, MinInt(right, rect.right), rect.bottom };
            dc->FillSolidRect(&r, dc->GetBkColor());
            if (flags & 0x800)
                DrawCellMark(dc, rect, r.left, r.right, format);
            x = right;
            ++i;
        }
        else if ((flags & 0x400) && c >= 0xC0)
        {
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
            uint32_t cp = c & (0x3F >> extra);
            int j = 1;
            for (; j <= extra && i + j < count; ++j)
            {
                unsigned char d = static_cast<unsigned char>(text[i + j]);
                if ((d & 0xC0) != 0x80)
                    break;
                cp = (cp << 6) | (d & 0x3F);
            }
            wchar_t w = cp > 0xFFFF ? L'?' : static_cast<wchar_t>(cp);
            RECT r = { x, rect.top, x + cw, rect.bottom };
            ::ExtTextOutW(dc->m_hDC, x, rect.top, ETO_OPAQUE | ETO_CLIPPED, &r, &w, 1, nullptr);
            if (flags & 0x800)
                DrawCellMark(dc, rect, x, x + cw, format);
            x += cw;
            i += j;
        }
        else
        {
            // A run of plain characters of one format in one call.
            int j = i;
            while (j < count && formats[j] == format && text[j] != '\t' &&
                   !((flags & 0x400) && static_cast<unsigned char>(text[j]) >= 0xC0))
                ++j;
            RECT r = { x, rect.top, x + (j - i) * cw, rect.bottom };
            ::ExtTextOutA(dc->m_hDC, x, rect.top, ETO_OPAQUE | ETO_CLIPPED, &r, text + i, static_cast<UINT>(j - i),
                          CellAdvances());
            x += (j - i) * cw;
            if (flags & 0x800)
            {
                for (int k = i; k < j; ++k)
                    DrawCellMark(dc, rect, cellLeft + (k - i) * cw, cellLeft + (k - i + 1) * cw, formats[k]);
            }
            i = j;
        }
    }
    if (flags & 0x300)
    {
        uint16_t after = formats ? formats[count] : 0;
        SelectColorFormat(dc, after & mask);
        int right = (flags & 0x200) ? rect.right : MinInt(x + cw, rect.right);
        if (right > x)
        {
            RECT r = { x, rect.top, right, rect.bottom };
            dc->FillSolidRect(&r, dc->GetBkColor());
            x = right;
        }
    }
    dc->SetBkMode(oldMode);
    return x - rect.left;
}

int CAnsiView::DrawTextRuns(CDC* dc, int x, int y, const char* text, const uint8_t* formats, int count, int tabWidth)
{
    if (!dc || count <= 0 || !text || !formats)
        return 0;
    count = MinInt(count, kMaxDrawnChars);
    INT tabStop = (tabWidth > 0 ? tabWidth : 4) * m_layout.CharWidth();
    // The context is the caller's: what the cache says was selected may be another's.
    m_lastPair = -1;
    m_lastStyle = -1;
    int oldMode = dc->GetBkMode();
    dc->SetBkMode(OPAQUE);
    int left = x;
    for (int i = 0; i < count;)
    {
        int j = i + 1;
        while (j < count && formats[j] == formats[i])
            ++j;
        SelectColorFormat(dc, formats[i]);
        // The stops count from the line's start, not the run's, so a run after a format
        // change keeps the line's columns.
        LONG extent = ::TabbedTextOutA(dc->m_hDC, x, y, text + i, j - i, 1, &tabStop, left);
        x += LOWORD(extent);
        i = j;
    }
    dc->SetBkMode(oldMode);
    return x - left;
}
