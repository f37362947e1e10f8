#include "uihelpers/ThemedDrawing.h"

#include <string.h>
#include <wchar.h>

#include "uihelpers/ThemeApi.h"
#include "uihelpers/UiFonts.h"

namespace {

void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT r = {left, top, right, bottom};
    ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, NULL, 0, NULL);
}

size_t Length(const char* s)
{
    return strlen(s);
}
size_t Length(const wchar_t* s)
{
    return wcslen(s);
}
BOOL Extent(HDC dc, const char* s, int n, SIZE* size)
{
    return ::GetTextExtentPoint32A(dc, s, n, size);
}
BOOL Extent(HDC dc, const wchar_t* s, int n, SIZE* size)
{
    return ::GetTextExtentPoint32W(dc, s, n, size);
}
BOOL State(HDC dc, const char* s, int n, int x, int y, int cx, int cy, UINT flags)
{
    return ::DrawStateA(dc, NULL, NULL, reinterpret_cast<LPARAM>(s), static_cast<WPARAM>(n), x, y, cx, cy, flags);
}
BOOL State(HDC dc, const wchar_t* s, int n, int x, int y, int cx, int cy, UINT flags)
{
    return ::DrawStateW(dc, NULL, NULL, reinterpret_cast<LPARAM>(s), static_cast<WPARAM>(n), x, y, cx, cy, flags);
}

template <typename Char>
int DrawDisabled(HDC dc, const Char* text, int count, const RECT* rect, UINT align, bool emptyDrawn)
{
    if (!dc || !rect || ::IsRectEmpty(rect))
        return 0;
    static const Char kNothing[1] = {0};
    if (!text)
        text = kNothing;
    if (count < 0)
        count = static_cast<int>(Length(text));
    if (count == 0 && !emptyDrawn)
        return 1;
    SIZE size = {0, 0};
    if (align & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM))
    {
        Extent(dc, text, count, &size);
        if (!(align & DT_NOPREFIX))
        {
            // An "&" only marks the accelerator; it takes no room.
            const Char amp[1] = {'&'};
            SIZE ampSize = {0, 0};
            Extent(dc, amp, 1, &ampSize);
            for (int i = 0; i < count; ++i)
                if (text[i] == '&')
                    size.cx -= ampSize.cx;
        }
    }
    POINT at = DisabledTextOrigin(*rect, size, align);
    UINT kind = (align & DT_NOPREFIX) ? DST_TEXT : DST_PREFIXTEXT;
    // DrawState takes a length of 0 as "up to the NUL": the empty text the caller asked for
    // is passed as the empty string itself, or the whole text would be drawn.
    if (count == 0)
        text = kNothing;   // the empty string itself
    return State(dc, text, count, at.x, at.y, rect->right - rect->left, rect->bottom - rect->top, kind | DSS_DISABLED);
}

// The two Marlett fonts of the classic glyphs, by height, the less recently used replaced.
struct GlyphFont {
    HFONT font;
    int height;
    DWORD stamp;
};
GlyphFont g_glyphFonts[2];
DWORD g_glyphUses = 0;

HFONT MarlettFont(int height)
{
    for (GlyphFont& f : g_glyphFonts)
        if (f.font && f.height == height)
        {
            f.stamp = ++g_glyphUses;
            return f.font;
        }
    GlyphFont& victim = g_glyphFonts[g_glyphFonts[0].stamp <= g_glyphFonts[1].stamp ? 0 : 1];
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy(lf.lfFaceName, L"Marlett");
    // The font cache owns the fonts; a replaced one stays there.
    HFONT font = CreateCachedFontW(&lf);
    if (!font)
        return NULL;
    victim.font = font;
    victim.height = height;
    victim.stamp = ++g_glyphUses;
    return font;
}

void DrawTreeBox(HDC dc, const RECT& r, int state)
{
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(BLACK_PEN));
    ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    ::SelectObject(dc, ::GetStockObject(GRAY_BRUSH));
    ::SelectObject(dc, ::GetStockObject(NULL_PEN));
    int midY = (r.top + r.bottom) / 2;
    int midX = (r.left + r.right) / 2;
    ::Rectangle(dc, r.left + 2, midY, r.right - 1, midY + 2);
    if (state == 1)
        ::Rectangle(dc, midX, r.top + 2, midX + 2, r.bottom - 1);
    ::SelectObject(dc, oldPen);
    ::SelectObject(dc, oldBrush);
}

// A check mark, bullet or arrow from the Marlett font, centred in the rectangle.
int DrawMarlettGlyph(HDC dc, RECT r, int kind, int state)
{
    wchar_t glyph;
    COLORREF colour;
    if (kind == 1)
    {
        if (state == 1 || state == 2)
            glyph = L'a';
        else if (state == 3 || state == 4)
            glyph = L'h';
        else
            return 0;
        colour = ::GetSysColor((state & 1) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    }
    else
    {
        glyph = L'u';
        if (state == 2 || state == 6)
            colour = MixHalfColors(::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_WINDOWTEXT));
        else if (state == 4)
            colour = ::GetSysColor(COLOR_GRAYTEXT);
        else
            colour = ::GetSysColor(COLOR_WINDOWTEXT);
        if (state == 3 || state == 5 || state == 6)
            ::OffsetRect(&r, 1, 1);
    }
    int width = r.right - r.left, height = r.bottom - r.top;
    HFONT font = MarlettFont(width < height ? width : height);
    if (!font)
        return 0;
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    COLORREF oldColour = ::SetTextColor(dc, colour);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, &glyph, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColour);
    ::SelectObject(dc, oldFont);
    return 1;
}

bool Themed(HTHEME theme, const ThemeApi& api)
{
    return theme && api.DrawThemeBackground;
}

}  // namespace

POINT DisabledTextOrigin(const RECT& rect, SIZE text, UINT align)
{
    POINT at = {rect.left, rect.top};
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (align & DT_CENTER)
        at.x += (width - text.cx) / 2;
    else if ((align & DT_RIGHT) && width - text.cx - 1 > 0)
        at.x += width - text.cx - 1;
    if (align & DT_VCENTER)
        at.y += (height - text.cy) / 2;
    else if ((align & DT_BOTTOM) && height - text.cy - 1 > 0)
        at.y += height - text.cy - 1;
    return at;
}

int DrawDisabledTextA(HDC dc, const char* text, int count, const RECT* rect, UINT align)
{
    return DrawDisabled(dc, text, count, rect, align, false);
}

int DrawDisabledTextW(HDC dc, const wchar_t* text, int count, const RECT* rect, UINT align)
{
    return DrawDisabled(dc, text, count, rect, align, true);
}

void DrawFrame3d(HDC dc, int x, int y, int width, int height, UINT flags)
{
    if (!dc || width < 1 || height < 1)
        return;
    COLORREF saved = ::GetBkColor(dc);
    COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    COLORREF light = RGB(255, 255, 255);
    COLORREF topLeft = (flags & FRAME3D_SUNKEN) ? shadow : light;
    COLORREF bottomRight = (flags & FRAME3D_SUNKEN) ? light : shadow;
    if (flags & FRAME3D_BK_COLOR)
        topLeft = bottomRight = saved;
    FillSolid(dc, x, y, x + width - 1, y + 1, topLeft);
    FillSolid(dc, x, y + 1, x + 1, y + height - 1, topLeft);
    FillSolid(dc, x, y + height - 1, x + width, y + height, bottomRight);
    FillSolid(dc, x + width - 1, y, x + width, y + height - 1, bottomRight);
    if (flags & FRAME3D_FILL)
        FillSolid(dc, x + 1, y + 1, x + width - 1, y + height - 1,
                  ::GetSysColor((flags & FRAME3D_FILL_LIGHT) ? COLOR_3DLIGHT : COLOR_BTNFACE));
    ::SetBkColor(dc, saved);
}

COLORREF MixHalfColors(COLORREF a, COLORREF b)
{
    return RGB(GetRValue(a) / 2 + GetRValue(b) / 2, GetGValue(a) / 2 + GetGValue(b) / 2,
               GetBValue(a) / 2 + GetBValue(b) / 2);
}

void GetGlyphFontHeights(int heights[2])
{
    for (int i = 0; i < 2; ++i)
        heights[i] = g_glyphFonts[i].font ? g_glyphFonts[i].height : 0;
}

int DrawThemedGlyph(HDC dc, const RECT* rect, UINT flags, int inset)
{
    if (!dc || !rect)
        return 0;
    const ThemeApi& api = LoadThemeApi();
    if (flags & GLYPH_ERASE)
        ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, rect, NULL, 0, NULL);
    RECT r = *rect;
    int dx = inset, dy = inset;
    if (flags & GLYPH_INSET_XY)
    {
        dx = static_cast<short>(inset & 0xFFFF);
        dy = static_cast<short>((static_cast<DWORD>(inset) >> 16) & 0xFFFF);
    }
    if (dx || dy)
        ::InflateRect(&r, -dx, -dy);
    const int state = flags & 0x0F;
    const int kind = (flags >> 4) & 0x0F;
    if (kind > 2 || (kind == 1 && state == 0))
        return 0;
    if (api.treeView && !(flags & GLYPH_CLASSIC) && api.DrawThemeBackground)
    {
        // Tree view glyph (part 2), popup check (part 11), tool bar drop-down glyph (part 7).
        HTHEME theme = kind == 0 ? api.treeView : (kind == 1 ? api.menu : api.toolBar);
        int part = kind == 0 ? 2 : (kind == 1 ? 11 : 7);
        if (theme && SUCCEEDED(api.DrawThemeBackground(theme, dc, part, state, &r, NULL)))
            return 1;
    }
    if (kind == 0)
    {
        DrawTreeBox(dc, r, state);
        return 1;
    }
    return DrawMarlettGlyph(dc, r, kind, state);
}

int DrawThemedButton(HDC dc, const RECT* rect, const wchar_t* text, int count, int state, UINT textFormat)
{
    if (!dc || !rect)
        return 0;
    const ThemeApi& api = LoadThemeApi();
    if (count < 0 && text)
        count = static_cast<int>(wcslen(text));
    if (Themed(api.button, api) && SUCCEEDED(api.DrawThemeBackground(api.button, dc, 1, state, rect, NULL)))
    {
        RECT content = *rect;
        if (api.GetThemeBackgroundContentRect)
            api.GetThemeBackgroundContentRect(api.button, dc, 1, state, rect, &content);
        if (text && count > 0 && api.DrawThemeText)
            api.DrawThemeText(api.button, dc, 1, state, text, count, textFormat, 0, &content);
        return 1;
    }
    RECT r = *rect;
    ::DrawEdge(dc, &r, state == 3 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    if (!text || count <= 0)
        return 1;
    if (state == 3)
        ::OffsetRect(&r, 1, 1);
    if (state == 4)
        return DrawDisabledTextW(dc, text, count, &r, textFormat) != 0;
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::DrawTextW(dc, text, count, &r, textFormat);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    return 1;
}

int DrawThemedCheckBox(HDC dc, int x, int y, int state, BOOL radio)
{
    if (!dc)
        return 0;
    const ThemeApi& api = LoadThemeApi();
    SIZE size;
    GetThemeGlyphSize(radio ? 1 : 0, &size);
    RECT r = {x, y, x + size.cx, y + size.cy};
    // Button part 3 is the check box, part 2 the radio button, each at its own glyph size.
    // Drawing a check box as part 2 would put a round radio button on screen where the
    // classic fallback draws a square box; part 2 with the radio size is the radio form.
    if (Themed(api.button, api) && SUCCEEDED(api.DrawThemeBackground(api.button, dc, radio ? 2 : 3, state, &r, NULL)))
        return 1;
    UINT classic = radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (state >= 9)
        classic = DFCS_BUTTON3STATE | DFCS_CHECKED;
    else if (state >= 5)
        classic |= DFCS_CHECKED;
    int look = (state - 1) % 4;  // 0 normal, 1 hot, 2 pressed, 3 disabled
    if (look == 2)
        classic |= DFCS_PUSHED;
    else if (look == 3)
        classic |= DFCS_INACTIVE;
    return ::DrawFrameControl(dc, &r, DFC_BUTTON, classic);
}

int DrawThemedComboButton(HDC dc, const RECT* rect, int state)
{
    if (!dc || !rect)
        return 0;
    const ThemeApi& api = LoadThemeApi();
    if (Themed(api.comboBox, api) && SUCCEEDED(api.DrawThemeBackground(api.comboBox, dc, 1, state, rect, NULL)))
        return 1;
    DrawFrame3d(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
                state == 3 ? FRAME3D_SUNKEN | FRAME3D_FILL : FRAME3D_FILL);
    // Arrow states: 1 normal, 2 hot, 3 pressed, 4 disabled.
    int arrow = state >= 1 && state <= 4 ? state : 1;
    return DrawThemedGlyph(dc, rect, GLYPH_DROP_ARROW | GLYPH_CLASSIC | arrow, 2);
}

int DrawThemedMenuItem(HDC dc, const RECT* rect, const wchar_t* text, int count, HIMAGELIST images, int image,
                       HBITMAP bitmap, UINT state)
{
    if (!dc || !rect)
        return 0;
    const ThemeApi& api = LoadThemeApi();
    const bool disabled = (state & MENUITEM_DISABLED) != 0;
    const bool selected = (state & MENUITEM_SELECTED) != 0;
    if (text && count < 0)
        count = static_cast<int>(wcslen(text));
    // Popup items are part 14 (states 1 normal, 2 hot, 3 disabled, 4 disabled hot), bar
    // items part 3.
    const int part = (state & MENUITEM_BAR) ? 3 : 14;
    const int themeState = disabled ? (selected ? 4 : 3) : (selected ? 2 : 1);
    const bool themed = Themed(api.menu, api) &&
                        SUCCEEDED(api.DrawThemeBackground(api.menu, dc, part, themeState, rect, NULL));
    if (!themed)
        FillSolid(dc, rect->left, rect->top, rect->right, rect->bottom,
                  ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    // The image column is a square of the item's height.
    const int side = rect->bottom - rect->top;
    RECT column = {rect->left, rect->top, rect->left + side, rect->bottom};
    int imageWidth = 0, imageHeight = 0;
    if (images && image >= 0 && ImageList_GetIconSize(images, &imageWidth, &imageHeight))
        ImageList_DrawEx(images, image, dc, column.left + (side - imageWidth) / 2, column.top + (side - imageHeight) / 2,
                         0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT | (disabled ? ILD_BLEND50 : 0));
    else if (bitmap)
    {
        BITMAP bm = {};
        ::GetObjectA(bitmap, sizeof bm, &bm);
        ::DrawStateA(dc, NULL, NULL, reinterpret_cast<LPARAM>(bitmap), 0, column.left + (side - bm.bmWidth) / 2,
                     column.top + (side - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight,
                     DST_BITMAP | (disabled ? DSS_DISABLED : DSS_NORMAL));
    }
    else if (state & MENUITEM_CHECKED)
    {
        if (themed)
            DrawThemedGlyph(dc, &column, GLYPH_MENU_CHECK | (disabled ? 2 : 1), 0);
        else
        {
            RECT box = column;
            ::InflateRect(&box, -2, -2);
            ::DrawFrameControl(dc, &box, DFC_MENU, DFCS_MENUCHECK | (disabled ? DFCS_INACTIVE : 0));
        }
    }
    if (!text || count <= 0)
        return 1;
    RECT textRect = {column.right + 4, rect->top, rect->right - 4, rect->bottom};
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (themed && api.DrawThemeText)
    {
        api.DrawThemeText(api.menu, dc, part, themeState, text, count, format, 0, &textRect);
        return 1;
    }
    if (disabled)
    {
        SIZE size = {0, 0};
        ::GetTextExtentPoint32W(dc, text, count, &size);
        int y = textRect.top + (textRect.bottom - textRect.top - size.cy) / 2;
        ::DrawStateW(dc, NULL, NULL, reinterpret_cast<LPARAM>(text), static_cast<WPARAM>(count), textRect.left, y,
                     textRect.right - textRect.left, size.cy, DST_PREFIXTEXT | DSS_DISABLED);
        return 1;
    }
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    ::DrawTextW(dc, text, count, &textRect, format);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
    return 1;
}
