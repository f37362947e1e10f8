#include "uihelpers/ThemedDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "tests/uihelpers/DrawingSurface.h"
#include "uihelpers/ThemeApi.h"
#include "uihelpers/UiFonts.h"

using drawtest::kMarker;
using drawtest::Surface;

namespace {

COLORREF Sys(int index)
{
    return GetSysColor(index) & 0xFFFFFF;
}

}  // namespace

TEST(DrawFrame3d, StripsPixelExact)
{
    const int X = 2, Y = 3, W = 6, H = 4;
    for (UINT flags : {0u, 1u, 2u, 3u, 7u, 8u, 9u})
    {
        Surface s(12, 10);
        SetBkColor(s.Dc(), RGB(1, 2, 3));
        DrawFrame3d(s.Dc(), X, Y, W, H, flags);
        COLORREF light = RGB(255, 255, 255), dark = Sys(COLOR_BTNSHADOW);
        COLORREF first = (flags & 1) ? dark : light, second = (flags & 1) ? light : dark;
        if (flags & 8)
            first = second = RGB(1, 2, 3);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x)
            {
                int i = x - X, j = y - Y;
                COLORREF want = kMarker;
                if (i < 0 || j < 0 || i >= W || j >= H)
                    want = kMarker;
                else if (j == H - 1 || (i == W - 1))
                    want = second;  // bottom row and right column
                else if (j == 0 || i == 0)
                    want = first;   // top row and left column
                else if (flags & 2)
                    want = Sys((flags & 4) ? COLOR_3DLIGHT : COLOR_BTNFACE);
                EXPECT_EQ(want, s.At(x, y)) << "flags " << flags << " at " << x << "," << y;
            }
        EXPECT_EQ(RGB(1, 2, 3), GetBkColor(s.Dc()));
    }
    Surface s(4, 4);
    DrawFrame3d(s.Dc(), 0, 0, 0, 4, 7);
    DrawFrame3d(s.Dc(), 0, 0, 4, -1, 7);
    EXPECT_TRUE(s.UntouchedOutside(RECT{0, 0, 0, 0}));
}

TEST(DrawThemedGlyph, ClassicTreeBoxesPixelExact)
{
    // A 9 x 9 box at (1, 1): black outline, white inside, a grey bar across the middle row
    // (a pen-less GDI rectangle leaves out its right column and bottom row), for state 1 also
    // a grey bar down the middle column.
    const RECT box = {1, 1, 10, 10};
    const int midX = 5, midY = 5;
    for (int state : {1, 2})
    {
        Surface s(12, 12);
        ASSERT_EQ(1, DrawThemedGlyph(s.Dc(), &box, GLYPH_TREE_BOX | GLYPH_CLASSIC | state, 0));
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
            {
                COLORREF want;
                bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
                bool edge = x == box.left || x == box.right - 1 || y == box.top || y == box.bottom - 1;
                bool minus = y == midY && x >= box.left + 2 && x < box.right - 2;
                bool plus = state == 1 && x == midX && y >= box.top + 2 && y < box.bottom - 2;
                if (!inside)
                    want = kMarker;
                else if (edge)
                    want = RGB(0, 0, 0);
                else if (minus || plus)
                    want = RGB(128, 128, 128);
                else
                    want = RGB(255, 255, 255);
                EXPECT_EQ(want, s.At(x, y)) << "state " << state << " at " << x << "," << y;
            }
    }
    // An inset of 2 draws the same box two pixels smaller on each side.
    Surface s(12, 12);
    const RECT outer = {0, 0, 12, 12};
    DrawThemedGlyph(s.Dc(), &outer, GLYPH_TREE_BOX | GLYPH_CLASSIC | GLYPH_INSET_XY | 2, 0x00020002);
    EXPECT_EQ(kMarker, s.At(1, 1));
    EXPECT_EQ(RGB(0, 0, 0), s.At(2, 2));
    EXPECT_TRUE(s.UntouchedOutside(RECT{2, 2, 10, 10}));
}

TEST(DrawThemedGlyph, MarlettGlyphsAndTheirFontCache)
{
    Surface s(40, 40);
    const RECT nothing = {2, 2, 14, 14};
    EXPECT_EQ(0, DrawThemedGlyph(s.Dc(), &nothing, GLYPH_MENU_CHECK | GLYPH_CLASSIC, 0));
    EXPECT_EQ(0, DrawThemedGlyph(s.Dc(), &nothing, 0x50 | GLYPH_CLASSIC | 1, 0));
    EXPECT_TRUE(s.UntouchedOutside(RECT{0, 0, 0, 0}));

    // Heights 10 and 12 are kept; 10 used again, then 14 replaces 12, and 12 replaces 10.
    auto draw = [&](int height) {
        RECT r = {0, 0, height, height};
        return DrawThemedGlyph(s.Dc(), &r, GLYPH_MENU_CHECK | GLYPH_CLASSIC | 1, 0);
    };
    int heights[2];
    auto kept = [&]() {
        GetGlyphFontHeights(heights);
        return std::make_pair(std::min(heights[0], heights[1]), std::max(heights[0], heights[1]));
    };
    ASSERT_EQ(1, draw(10));
    ASSERT_EQ(1, draw(12));
    EXPECT_EQ(std::make_pair(10, 12), kept());
    draw(10);
    int fonts = GetFontCacheCount();
    draw(14);
    EXPECT_EQ(std::make_pair(10, 14), kept());
    draw(10);
    draw(14);
    EXPECT_EQ(fonts + 1, GetFontCacheCount());  // asking for a kept height makes no font
    draw(12);
    EXPECT_EQ(std::make_pair(12, 14), kept());

    // A drop-down arrow stays inside its rectangle; erasing fills it first.
    Surface arrow(30, 30);
    SetBkColor(arrow.Dc(), RGB(255, 255, 255));
    const RECT r = {5, 5, 25, 25};
    EXPECT_EQ(1, DrawThemedGlyph(arrow.Dc(), &r, GLYPH_DROP_ARROW | GLYPH_CLASSIC | GLYPH_ERASE | 6, 0));
    EXPECT_TRUE(arrow.UntouchedOutside(r));
    EXPECT_EQ(RGB(255, 255, 255), arrow.At(5, 5));
}

TEST(DrawThemedGlyph, HotArrowColourHalvesEachChannel)
{
    struct Case {
        COLORREF a, b, want;
    } cases[] = {{RGB(255, 255, 255), RGB(255, 255, 255), RGB(254, 254, 254)},
                 {RGB(1, 3, 5), RGB(1, 3, 5), RGB(0, 2, 4)},
                 {RGB(10, 20, 30), RGB(0, 0, 0), RGB(5, 10, 15)},
                 {RGB(0, 0, 128), RGB(255, 0, 0), RGB(127, 0, 64)}};
    for (const Case& c : cases)
        EXPECT_EQ(c.want, MixHalfColors(c.a, c.b));
}

TEST(DrawDisabledText, PlacesTheTextAndRefusesEmptyRectangles)
{
    const RECT rect = {0, 0, 100, 20};
    const SIZE text = {40, 10};
    struct Case {
        UINT align;
        POINT want;
    } cases[] = {{0, {0, 0}}, {DT_CENTER, {30, 0}}, {DT_RIGHT, {59, 0}}, {DT_VCENTER, {0, 5}},
                 {DT_BOTTOM, {0, 9}}, {DT_CENTER | DT_VCENTER, {30, 5}}};
    for (const Case& c : cases)
    {
        POINT at = DisabledTextOrigin(rect, text, c.align);
        EXPECT_EQ(c.want.x, at.x) << c.align;
        EXPECT_EQ(c.want.y, at.y) << c.align;
    }
    POINT wide = DisabledTextOrigin(rect, SIZE{100, 30}, DT_RIGHT | DT_BOTTOM);
    EXPECT_EQ(0, wide.x);
    EXPECT_EQ(0, wide.y);

    Surface s(120, 30);
    const RECT empty = {5, 5, 5, 20};
    EXPECT_EQ(0, DrawDisabledTextA(s.Dc(), "Text", -1, &empty, 0));
    const RECT r = {10, 5, 110, 25};
    EXPECT_EQ(1, DrawDisabledTextA(s.Dc(), "", -1, &r, 0));
    EXPECT_TRUE(s.UntouchedOutside(RECT{0, 0, 0, 0}));
    // A count of 0 draws the empty text, in the wide form too, never the whole string.
    DrawDisabledTextA(s.Dc(), "Text", 0, &r, 0);
    DrawDisabledTextW(s.Dc(), L"Text", 0, &r, 0);
    EXPECT_FALSE(s.ChangedInside(r));
    EXPECT_NE(0, DrawDisabledTextW(s.Dc(), L"&Datei", -1, &r, DT_CENTER | DT_VCENTER));
    EXPECT_TRUE(s.ChangedInside(r));
}

TEST(ThemedDrawing, ButtonsBoxesAndMenuItemsStayInTheirRectangle)
{
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    HBITMAP picture = CreateBitmap(16, 16, 1, 32, nullptr);
    ImageList_Add(images, picture, nullptr);
    const RECT r = {10, 8, 70, 32};
    for (int classic = 0; classic < 2; ++classic)
    {
        if (classic)
            ReloadThemeApi("sektorlupe-no-such-theme.dll");
        for (int what = 0; what < 7; ++what)
        {
            Surface s(80, 40);
            SelectObject(s.Dc(), GetUiFont(UIFONT_NORMAL));
            RECT box = r;
            switch (what)
            {
            case 0: EXPECT_EQ(1, DrawThemedButton(s.Dc(), &r, L"&OK", -1, 1, DT_CENTER | DT_VCENTER | DT_SINGLELINE)); break;
            case 1: EXPECT_EQ(1, DrawThemedButton(s.Dc(), &r, L"Aus", -1, 4, DT_CENTER | DT_SINGLELINE)); break;
            case 2: EXPECT_EQ(1, DrawThemedComboButton(s.Dc(), &r, 3)); break;
            case 3: EXPECT_EQ(1, DrawThemedMenuItem(s.Dc(), &r, L"&Datei", -1, images, 0, nullptr, MENUITEM_SELECTED)); break;
            case 4: EXPECT_EQ(1, DrawThemedMenuItem(s.Dc(), &r, L"Aus", -1, nullptr, 0, picture, MENUITEM_DISABLED)); break;
            case 5: EXPECT_EQ(1, DrawThemedMenuItem(s.Dc(), &r, L"Haken", -1, nullptr, 0, nullptr, MENUITEM_CHECKED)); break;
            default:
            {
                SIZE size;
                GetThemeGlyphSize(0, &size);
                box = RECT{10, 8, 10 + size.cx, 8 + size.cy};
                EXPECT_NE(0, DrawThemedCheckBox(s.Dc(), 10, 8, 5, FALSE));
            }
            }
            EXPECT_TRUE(s.UntouchedOutside(box)) << what << (classic ? " classic" : " themed");
            EXPECT_TRUE(s.ChangedInside(box)) << what << (classic ? " classic" : " themed");
        }
    }
    ReloadThemeApi(nullptr);
    ImageList_Destroy(images);
    DeleteObject(picture);
}

// With the tests' stand-in theme library in place of UxTheme.dll: the glyph sizes are the
// library's answers for the "Button" parts, and each themed drawing asks for its class's
// part in the given state, in the rectangle it was meant for.
TEST(ThemedDrawing, StandInThemeAnswersSizesAndParts)
{
    const char* const library = "sl-standin-uxtheme.dll";
    HMODULE standIn = LoadLibraryA(library);
    ASSERT_NE(nullptr, standIn);
    typedef HRESULT(WINAPI * PartSizeFn)(HANDLE, HDC, int, int, const RECT*, int, SIZE*);
    typedef int(WINAPI * LastDrawFn)(int*, int*, RECT*);
    auto partSize = reinterpret_cast<PartSizeFn>(reinterpret_cast<void*>(GetProcAddress(standIn, "GetThemePartSize")));
    auto lastDraw = reinterpret_cast<LastDrawFn>(reinterpret_cast<void*>(GetProcAddress(standIn, "StandInThemeLastDraw")));
    ASSERT_NE(nullptr, partSize);
    ASSERT_NE(nullptr, lastDraw);
    ReloadThemeApi(library);
    const ThemeApi& api = LoadThemeApi();
    ASSERT_NE(nullptr, api.button);
    // What the library itself answers for the check box (3) and the radio button (2).
    SIZE answered[2];
    const RECT small = {0, 0, 3, 3};
    ASSERT_EQ(S_OK, partSize(api.button, nullptr, 3, 1, &small, TS_TRUE, &answered[0]));
    ASSERT_EQ(S_OK, partSize(api.button, nullptr, 2, 1, &small, TS_TRUE, &answered[1]));
    for (int kind = 0; kind < 2; ++kind)
    {
        SIZE size;
        ASSERT_EQ(1, GetThemeGlyphSize(kind, &size));
        EXPECT_EQ(answered[kind].cx, size.cx) << kind;
        EXPECT_EQ(answered[kind].cy, size.cy) << kind;
    }
    // The library has no GetCurrentThemeName: no name is known.
    wchar_t name[8] = L"x";
    EXPECT_EQ(0, QueryThemeNameW(name, 8));
    EXPECT_EQ(0, name[0]);

    const RECT r = {4, 3, 20, 19};
    struct Case {
        int what;  // 0 check box, 1 radio button, 2 glyph, 3 combo button
        UINT flags;
        HTHEME theme;
        int part, state;
        int sizeKind;  // glyph size of the box, or -1: the rectangle r
    } cases[] = {
        {0, 5, api.button, 3, 5, 0},
        {1, 1, api.button, 2, 1, 1},
        {2, GLYPH_TREE_BOX | 1, api.treeView, 2, 1, -1},
        {2, GLYPH_MENU_CHECK | 2, api.menu, 11, 2, -1},
        {2, GLYPH_DROP_ARROW | 3, api.toolBar, 7, 3, -1},
        {3, 2, api.comboBox, 1, 2, -1},
    };
    for (const Case& c : cases)
    {
        Surface s(40, 40);
        int before = lastDraw(nullptr, nullptr, nullptr);
        switch (c.what)
        {
        case 0: EXPECT_EQ(1, DrawThemedCheckBox(s.Dc(), r.left, r.top, static_cast<int>(c.flags), FALSE)); break;
        case 1: EXPECT_EQ(1, DrawThemedCheckBox(s.Dc(), r.left, r.top, static_cast<int>(c.flags), TRUE)); break;
        case 2: EXPECT_EQ(1, DrawThemedGlyph(s.Dc(), &r, c.flags, 0)); break;
        default: EXPECT_EQ(1, DrawThemedComboButton(s.Dc(), &r, static_cast<int>(c.flags))); break;
        }
        int part = 0, state = 0;
        RECT drawn = {};
        ASSERT_EQ(before + 1, lastDraw(&part, &state, &drawn)) << c.what << " " << c.flags;
        RECT want = r;
        if (c.sizeKind >= 0)
            want = RECT{r.left, r.top, r.left + answered[c.sizeKind].cx, r.top + answered[c.sizeKind].cy};
        EXPECT_EQ(c.part, part) << c.what << " " << c.flags;
        EXPECT_EQ(c.state, state) << c.what << " " << c.flags;
        EXPECT_TRUE(EqualRect(&want, &drawn)) << c.what << " " << c.flags << ": " << drawn.right << "x" << drawn.bottom;
        EXPECT_TRUE(s.UntouchedOutside(want)) << c.what << " " << c.flags;
        EXPECT_EQ(RGB(0, 0, 0), s.At(want.right - 1, want.bottom - 1)) << c.what << " " << c.flags;
    }
    // Bit 10 never asks the theme.
    int before = lastDraw(nullptr, nullptr, nullptr);
    Surface s(40, 40);
    EXPECT_EQ(1, DrawThemedGlyph(s.Dc(), &r, GLYPH_TREE_BOX | GLYPH_CLASSIC | 1, 0));
    EXPECT_EQ(before, lastDraw(nullptr, nullptr, nullptr));
    ReloadThemeApi(nullptr);
    FreeLibrary(standIn);
}
