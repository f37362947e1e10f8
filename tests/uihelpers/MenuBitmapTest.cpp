// Menu tiles cut from the strip that ImageMagick drew (res/make-bitmaps.sh): three 16 x 16
// tiles on magenta with a red, a green and a blue square from 2 to 13; toolbar 502 over it
// with items 100, separator, 101, 102; toolbar 503 claims more items than it holds.
#include <gtest/gtest.h>
#include <windows.h>
#include "classlib/Controls.h"
#include "uihelpers/MenuBitmap.h"

namespace {

const COLORREF kSquares[3] = { RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255) };
const COLORREF kMagenta = RGB(255, 0, 255);
const DWORD kResource = TILE_SOURCE_RESOURCE;

UINT_PTR Id(int id) { return static_cast<UINT_PTR>(id); }

// A pixel of a rendered bitmap as COLORREF and, for 32-bit DIB sections, its alpha byte.
struct Pixel {
    COLORREF color;
    int alpha;    // -1 when the bitmap is no DIB section
};

Pixel PixelAt(HBITMAP bitmap, int x, int y)
{
    DIBSECTION ds;
    Pixel p = { CLR_INVALID, -1 };
    if (GetObjectA(bitmap, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits && ds.dsBm.bmBitsPixel == 32) {
        // Top-down rows: row y starts y strides in.
        DWORD v = static_cast<const DWORD*>(ds.dsBm.bmBits)[y * ds.dsBm.bmWidth + x];
        p.color = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        p.alpha = static_cast<int>(v >> 24);
        return p;
    }
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, bitmap);
    p.color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return p;
}

SIZE SizeOf(HBITMAP bitmap)
{
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return { bm.bmWidth, bm.bmHeight };
}

}  // namespace

TEST(MenuBitmap, TilesOfAResourceStripOnTheBackground)
{
    const COLORREF background = RGB(10, 20, 30);
    for (int tile = 0; tile < 3; ++tile) {
        SCOPED_TRACE(tile);
        // Plain copy: the magenta stays, nothing is cached, the caller owns the bitmap.
        HBITMAP plain = RenderBitmapTile(Id(501), tile * 16, 0, 16, TILE_FULL_HEIGHT, kResource, 0);
        ASSERT_TRUE(plain != NULL);
        EXPECT_EQ(16, SizeOf(plain).cx);
        EXPECT_EQ(16, SizeOf(plain).cy);
        EXPECT_EQ(kMagenta, PixelAt(plain, 0, 0).color);
        EXPECT_EQ(kSquares[tile], PixelAt(plain, 7, 7).color);
        DeleteObject(plain);

        // The corner colour made transparent: magenta becomes the background with alpha 0,
        // the square keeps its colour and becomes opaque.
        HBITMAP clear = RenderBitmapTile(Id(501), tile * 16, 0, 16, TILE_FULL_HEIGHT,
                                         kResource | TILE_TRANSPARENT_CORNER, background);
        ASSERT_TRUE(clear != NULL);
        for (POINT at : { POINT{ 0, 0 }, POINT{ 15, 15 }, POINT{ 1, 8 } }) {
            Pixel p = PixelAt(clear, at.x, at.y);
            EXPECT_EQ(background, p.color);
            EXPECT_EQ(0, p.alpha);
        }
        EXPECT_EQ(kSquares[tile], PixelAt(clear, 2, 2).color);
        EXPECT_EQ(255, PixelAt(clear, 13, 13).alpha);
        DeleteObject(clear);
    }
    // An explicit transparent colour: the red square disappears, the magenta stays.
    HBITMAP noRed = RenderBitmapTile(Id(501), 0, 0, 16, 16, kResource | TILE_TRANSPARENT_COLOR | 0x0000FF, background);
    EXPECT_EQ(background, PixelAt(noRed, 7, 7).color);
    EXPECT_EQ(kMagenta, PixelAt(noRed, 0, 0).color);
    DeleteObject(noRed);
}

TEST(MenuBitmap, ScreensBelow32BitsGetACompatibleBitmapDrawnTransparently)
{
    int previous = SetTileScreenBitsOverride(24);
    const COLORREF background = RGB(200, 100, 50);
    HBITMAP tile = RenderBitmapTile(Id(501), 32, 0, 16, 16, kResource | TILE_TRANSPARENT_CORNER, background);
    SetTileScreenBitsOverride(previous);
    ASSERT_TRUE(tile != NULL);
    DIBSECTION ds;
    EXPECT_NE(static_cast<int>(sizeof ds), GetObjectA(tile, sizeof ds, &ds));   // no DIB section
    EXPECT_EQ(background, PixelAt(tile, 0, 0).color);
    EXPECT_EQ(kSquares[2], PixelAt(tile, 8, 8).color);
    DeleteObject(tile);
}

TEST(MenuBitmap, CachedTilesComeBackAsTheSameHandle)
{
    const DWORD cached = kResource | TILE_TRANSPARENT_CORNER | TILE_CACHE_TILE;
    HBITMAP first = RenderBitmapTile(Id(501), 16, 0, 16, TILE_FULL_HEIGHT, cached, RGB(1, 2, 3));
    ASSERT_TRUE(first != NULL);
    int records = MenuBitmapCacheCount();
    EXPECT_EQ(first, RenderBitmapTile(Id(501), 16, 0, 16, TILE_FULL_HEIGHT, cached, RGB(1, 2, 3)));
    EXPECT_EQ(records, MenuBitmapCacheCount());
    // Another background is another tile.
    HBITMAP other = RenderBitmapTile(Id(501), 16, 0, 16, TILE_FULL_HEIGHT, cached, RGB(3, 2, 1));
    EXPECT_NE(first, other);
    EXPECT_EQ(records + 1, MenuBitmapCacheCount());
    EXPECT_EQ(RGB(3, 2, 1), PixelAt(other, 0, 0).color);

    // A caller's own bitmap with its device context kept: it is used again while the DC
    // holds it, also by a call that does not ask to keep the DC.
    HDC screen = GetDC(NULL);
    HBITMAP own = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(NULL, screen);
    HBITMAP a = RenderBitmapTile(reinterpret_cast<UINT_PTR>(own), 0, 0, 8, 8, TILE_CACHE_TILE, 0);
    HBITMAP b = RenderBitmapTile(reinterpret_cast<UINT_PTR>(own), 0, 0, 4, 4, 0, 0);
    EXPECT_TRUE(a != NULL);
    EXPECT_TRUE(b != NULL);
    DeleteObject(b);
}

TEST(MenuBitmap, CachedTransparentTilesWithTheSameColourXorBackgroundStayApart)
{
    // The red tile (a red square on magenta) three times with a transparent colour and a
    // background whose XOR is the same yellow each time: three different pictures.
    const COLORREF yellow = RGB(255, 255, 0);
    struct Case { COLORREF see, back, centre, corner; } cases[] = {
        { kSquares[0], kSquares[0] ^ yellow, kSquares[0] ^ yellow, kMagenta },   // red goes
        { kSquares[1], kSquares[1] ^ yellow, kSquares[0], kMagenta },            // green: nothing goes
        { kMagenta, kMagenta ^ yellow, kSquares[0], kMagenta ^ yellow },         // magenta goes
    };
    HBITMAP seen[3] = {};
    for (int i = 0; i < 3; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        ASSERT_EQ(yellow, c.see ^ c.back);
        seen[i] = RenderBitmapTile(Id(501), 0, 0, 16, 16, kResource | TILE_TRANSPARENT_COLOR | TILE_CACHE_TILE | c.see,
                                   c.back);
        ASSERT_TRUE(seen[i] != NULL);
        EXPECT_EQ(c.centre, PixelAt(seen[i], 7, 7).color);
        EXPECT_EQ(c.corner, PixelAt(seen[i], 0, 0).color);
        for (int j = 0; j < i; ++j)
            EXPECT_NE(seen[j], seen[i]);
    }
}

TEST(MenuBitmap, ToolbarItemsSelectTheirTiles)
{
    struct Case { int command; int square; } cases[] = { { 100, 0 }, { 101, 1 }, { 102, 2 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        HBITMAP tile = RenderBitmapTile(Id(502), c.command, 0, 1, 1, TILE_SOURCE_TOOLBAR, 0);
        ASSERT_TRUE(tile != NULL);
        EXPECT_EQ(16, SizeOf(tile).cx);
        EXPECT_EQ(kSquares[c.square], PixelAt(tile, 7, 7).color);
        DeleteObject(tile);
    }
    // Missing items, the separator's id 0, a damaged toolbar, a missing resource.
    EXPECT_TRUE(RenderBitmapTile(Id(502), 999, 0, 1, 1, TILE_SOURCE_TOOLBAR, 0) == NULL);
    EXPECT_TRUE(RenderBitmapTile(Id(502), 0, 0, 1, 1, TILE_SOURCE_TOOLBAR, 0) == NULL);
    EXPECT_TRUE(RenderBitmapTile(Id(503), 100, 0, 1, 1, TILE_SOURCE_TOOLBAR, 0) == NULL);
    EXPECT_TRUE(RenderBitmapTile(Id(504), 100, 0, 1, 1, TILE_SOURCE_TOOLBAR, 0) == NULL);
}

TEST(MenuBitmap, RefusedRequests)
{
    struct Case { UINT_PTR source; int width, height; DWORD flags; } cases[] = {
        { 0, 16, 16, kResource },                 // no source
        { Id(501), 0, 16, kResource },            // empty sizes
        { Id(501), 16, -1, kResource },
        { Id(501), 16, 16, TILE_SOURCE_MASK },    // no source kind
        { Id(599), 16, 16, kResource },           // missing resource
        { Id(502), 0, 1, TILE_SOURCE_TOOLBAR },   // empty sizes also where the toolbar gives them
        { Id(502), 1, 0, TILE_SOURCE_TOOLBAR },
    };
    for (const Case& c : cases)
        EXPECT_TRUE(RenderBitmapTile(c.source, c.flags == TILE_SOURCE_TOOLBAR ? 100 : 0, 0, c.width, c.height,
                                     c.flags, 0) == NULL) << c.flags << " " << c.width << "x" << c.height;

    // The block check on its own: too short, a count past the end, zero sizes.
    const WORD good[] = { 1, 16, 15, 3, 7, 0, 9 };
    int x = -1, w = 0, h = 0;
    EXPECT_TRUE(ToolbarTilePlace(good, sizeof good, 9, &x, &w, &h));
    EXPECT_EQ(16, x);
    EXPECT_EQ(15, h);
    EXPECT_FALSE(ToolbarTilePlace(good, sizeof good - 2, 9, &x, &w, &h));
    EXPECT_FALSE(ToolbarTilePlace(good, 6, 7, &x, &w, &h));
    const WORD empty[] = { 1, 0, 16, 1, 7 };
    EXPECT_FALSE(ToolbarTilePlace(empty, sizeof empty, 7, &x, &w, &h));
}

TEST(MenuBitmap, MenuItemsTakeTheCachedTileByCommandAndByPosition)
{
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    AppendMenuA(menu, MF_STRING, 1000, "Eins");
    AppendMenuA(menu, MF_STRING, 1001, "Zwei");
    EXPECT_TRUE(SetMenuItemImage(&menu, 1000, MAKEINTRESOURCEA(501), 2, 16));
    EXPECT_TRUE(SetMenuItemImage(&menu, static_cast<int>(0x80000001u), MAKEINTRESOURCEA(501), 1, 16));

    HBITMAP expected[2] = {
        RenderBitmapTile(Id(501), 32, 0, 16, TILE_FULL_HEIGHT, 0x4B000000, GetSysColor(COLOR_MENU)),
        RenderBitmapTile(Id(501), 16, 0, 16, TILE_FULL_HEIGHT, 0x4B000000, GetSysColor(COLOR_MENU)),
    };
    for (UINT position = 0; position < 2; ++position) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        ASSERT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info));
        EXPECT_EQ(expected[position], info.hbmpUnchecked);
        EXPECT_TRUE(info.hbmpChecked == NULL);
        EXPECT_EQ(kSquares[2 - position], PixelAt(info.hbmpUnchecked, 7, 7).color);
    }
    EXPECT_FALSE(SetMenuItemImage(NULL, 1000, MAKEINTRESOURCEA(501), 0, 16));
    EXPECT_FALSE(SetMenuItemImage(&menu, 1000, MAKEINTRESOURCEA(599), 0, 16));
}
