#include "uihelpers/UiFonts.h"

#include <gtest/gtest.h>

#include <cstring>

#include "uihelpers/ThemeApi.h"

namespace {

LOGFONTA Description(const char* face, int height, int weight)
{
    LOGFONTA lf = {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    strcpy(lf.lfFaceName, face);
    return lf;
}

TEXTMETRICA MetricsOf(HFONT font)
{
    TEXTMETRICA tm = {};
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    return tm;
}

}  // namespace

TEST(FontCache, OneHandlePerDescription)
{
    LOGFONTA a = Description("Arial", -12, 400);
    HFONT first = CreateCachedFont(&a);
    ASSERT_NE(nullptr, first);
    int count = GetFontCacheCount();
    // Fields that are not compared do not make another font.
    LOGFONTA same = a;
    same.lfEscapement = 900;
    same.lfQuality = ANTIALIASED_QUALITY;
    same.lfStrikeOut = 1;
    EXPECT_EQ(first, CreateCachedFont(&same));
    LOGFONTW wide = {};
    wide.lfHeight = -12;
    wide.lfWeight = 400;
    wcscpy(wide.lfFaceName, L"Arial");
    EXPECT_EQ(first, CreateCachedFontW(&wide));
    EXPECT_EQ(count, GetFontCacheCount());
    // Each compared field does.
    LOGFONTA others[] = {Description("arial", -12, 400), Description("Arial", -13, 400), Description("Arial", -12, 700),
                         a, a, a, a};
    others[3].lfItalic = 1;
    others[4].lfUnderline = 1;
    others[5].lfCharSet = SYMBOL_CHARSET;
    others[6].lfWidth = 5;
    for (const LOGFONTA& other : others)
        EXPECT_NE(first, CreateCachedFont(&other));
    EXPECT_EQ(count + 7, GetFontCacheCount());
    // Many fonts make the cache grow; every one is found again.
    HFONT many[40];
    for (int i = 0; i < 40; ++i)
    {
        LOGFONTA lf = Description("Arial", -20 - i, 400);
        many[i] = CreateCachedFont(&lf);
    }
    for (int i = 0; i < 40; ++i)
    {
        LOGFONTA lf = Description("Arial", -20 - i, 400);
        EXPECT_EQ(many[i], CreateCachedFont(&lf));
    }
    LOGFONTA huge = Description("Arial", 40000, 400);
    EXPECT_EQ(nullptr, CreateCachedFont(&huge));
    EXPECT_EQ(nullptr, CreateCachedFont(nullptr));
}

TEST(UiFonts, KindsCellsAndVariants)
{
    EXPECT_EQ(nullptr, GetUiFont(4));
    EXPECT_EQ(nullptr, GetUiFont(-1));
    int width = 7, height = 7;
    EXPECT_EQ(0, GetUiFontCell(&width, &height, 5));
    EXPECT_EQ(0, width);
    EXPECT_EQ(0, height);
    for (int kind = 0; kind < 4; ++kind)
    {
        HFONT font = GetUiFont(kind);
        ASSERT_NE(nullptr, font);
        EXPECT_EQ(font, GetUiFont(kind));
        TEXTMETRICA tm = MetricsOf(font);
        EXPECT_EQ(kind & 1 ? FW_BOLD : FW_NORMAL, tm.tmWeight) << kind;
        // TMPF_FIXED_PITCH set means a variable pitch.
        EXPECT_EQ((kind & 2) == 0, (tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0) << kind;
        EXPECT_EQ(tm.tmHeight, GetUiFontCell(&width, &height, kind));
        EXPECT_EQ(tm.tmAveCharWidth, width);
    }
    HFONT bold = MakeBoldFont(GetUiFont(UIFONT_NORMAL));
    ASSERT_NE(nullptr, bold);
    EXPECT_EQ(bold, MakeBoldFont(GetUiFont(UIFONT_NORMAL)));
    EXPECT_EQ(FW_BOLD, MetricsOf(bold).tmWeight);
    HFONT fixed = MakeFixedFont(GetUiFont(UIFONT_NORMAL));
    ASSERT_NE(nullptr, fixed);
    EXPECT_EQ(0, MetricsOf(fixed).tmPitchAndFamily & TMPF_FIXED_PITCH);
    TEXTMETRICA normal = MetricsOf(GetUiFont(UIFONT_NORMAL));
    TEXTMETRICA fixedTm = MetricsOf(fixed);
    EXPECT_EQ(normal.tmHeight - normal.tmInternalLeading, fixedTm.tmHeight - fixedTm.tmInternalLeading);
    EXPECT_EQ(nullptr, MakeBoldFont(nullptr));
    EXPECT_EQ(nullptr, MakeFixedFont(nullptr));
}

TEST(MeasureText, AlignsTheRectAroundTheText)
{
    // A rect 100 wide around a text 41 wide: centring moves the left edge by 29 and the
    // right one by 30.
    struct Case {
        DWORD flags;
        RECT want;
    } cases[] = {
        {MEASURE_ALIGN_RECT | MEASURE_CENTER | MEASURE_VCENTER, {29, 8, 70, 21}},
        {MEASURE_ALIGN_RECT | MEASURE_RIGHT | MEASURE_BOTTOM, {59, 17, 100, 30}},
        {MEASURE_ALIGN_RECT, {0, 0, 41, 13}},
        {MEASURE_SIZE_TO_RECT, {41, 13, 100, 30}},
        {0, {13, 0, 100, 30}},
    };
    for (const Case& c : cases)
    {
        RECT r = {0, 0, 100, 30};
        ApplyTextMeasure(&r, 41, 13, c.flags);
        EXPECT_TRUE(EqualRect(&c.want, &r)) << std::hex << c.flags << ": " << r.left << "," << r.top << ","
                                            << r.right << "," << r.bottom;
    }
    // No free space leaves the rect.
    RECT tight = {0, 0, 41, 13};
    ApplyTextMeasure(&tight, 41, 13, MEASURE_ALIGN_RECT | MEASURE_CENTER);
    EXPECT_EQ(41, tight.right);

    // Measured as one line, the size is GDI's extent of the text in the font.
    HFONT font = GetUiFont(UIFONT_NORMAL);
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent;
    GetTextExtentPoint32A(dc, "Sektorlupe", 10, &extent);
    RECT r = {0, 0, 200, 40};
    int packed = MeasureTextA(dc, "Sektorlupe", -1, DT_SINGLELINE | MEASURE_PACKED | MEASURE_SIZE_TO_RECT, &r);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    EXPECT_EQ(extent.cx, packed & 0xFFFF);
    EXPECT_EQ(extent.cy, packed >> 16);
    EXPECT_EQ(extent.cx, r.left);
    EXPECT_EQ(extent.cy, r.top);
    EXPECT_EQ(extent.cx, MeasureTextW(NULL, L"Sektorlupe", 10, DT_SINGLELINE, font));
    EXPECT_EQ(0, MeasureTextA(NULL, nullptr, 3, 0, font));
}

TEST(ThemeApi, ClassicWithoutTheLibrary)
{
    char name[8] = "xxxxxxx";
    EXPECT_EQ(0, QueryThemeNameA(name, 0));
    EXPECT_EQ('x', name[0]);
    SIZE size;
    EXPECT_EQ(0, GetThemeGlyphSize(2, &size));
    ReloadThemeApi("sektorlupe-no-such-theme.dll");
    EXPECT_EQ(0, QueryThemeNameA(name, sizeof name));
    EXPECT_EQ('\0', name[0]);
    ASSERT_EQ(1, GetThemeGlyphSize(0, &size));
    EXPECT_EQ(13 * GetSystemMetrics(SM_CXICON) / 32, size.cx);
    EXPECT_EQ(13, size.cy);
    ASSERT_EQ(1, GetThemeGlyphSize(1, &size));
    EXPECT_EQ(13, size.cx);
    for (int index : {COLOR_MENU, 31, COLOR_WINDOW})
        EXPECT_EQ(GetSysColor(COLOR_MENU), GetMenuColor(index)) << index;
    EXPECT_EQ(nullptr, LoadThemeApi().OpenThemeData);
    ReloadThemeApi(nullptr);
    // With the library the two name forms agree, cut to the buffer.
    wchar_t wide[260];
    char narrow[260];
    int known = QueryThemeNameW(wide, 260);
    EXPECT_EQ(known, QueryThemeNameA(narrow, 260));
    EXPECT_EQ(wcslen(wide), strlen(narrow));
    if (known)
    {
        EXPECT_EQ(1, QueryThemeNameA(narrow, 3));
        EXPECT_EQ(2u, strlen(narrow));
        EXPECT_EQ(1, QueryThemeNameW(wide, 1));    // known, though nothing fits
        EXPECT_EQ(0, wide[0]);
    }
    EXPECT_EQ(1, GetThemeGlyphSize(0, &size));
    EXPECT_GT(size.cx, 0);
}
