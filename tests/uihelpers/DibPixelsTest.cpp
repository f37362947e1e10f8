#include "uihelpers/DibPixels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/uihelpers/DibTestSupport.h"

using namespace dibtest;

namespace {

struct Image {
    Image(int w, int h, const std::vector<DWORD>& pixels) : width(w), height(h) { image = Image32(w, h, pixels, &bits); }
    Image(int w, int h, DWORD depth) : width(w), height(h) { image = DibCreateBlank(NULL, w, h, depth, &bits); }
    ~Image() { DibFree(image); }
    DWORD At(int x, int y) const { return Raw(image, bits, x, y); }
    int width, height;
    DibImage* image;
    void* bits = nullptr;
};

std::vector<DWORD> RandomOpaque(int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<DWORD> pixels(count);
    for (DWORD& p : pixels)
        p = 0xFF000000u | (random() & 0xFFFFFF);
    return pixels;
}

}  // namespace

TEST(DibStretch, IntegerReductionsGiveTheBoxAverage)
{
    const int W = 12, H = 8;
    Image source(W, H, RandomOpaque(W * H, 7));
    const int sizes[][2] = {{6, 4}, {4, 2}, {3, 2}, {2, 1}, {1, 1}, {12, 4}, {4, 8}, {6, 1}};
    for (const auto& size : sizes)
    {
        int dw = size[0], dh = size[1];
        Image dest(dw, dh, 32);
        ASSERT_EQ(1, DibStretch(dest.image, nullptr, source.image, nullptr, 0, 0, W, H, 0, 0, dw, dh));
        int bw = W / dw, bh = H / dh;
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                for (int k = 0; k < 3; ++k)
                {
                    int sum = 0;
                    for (int j = 0; j < bh; ++j)
                        for (int i = 0; i < bw; ++i)
                            sum += (source.At(x * bw + i, y * bh + j) >> (8 * k)) & 0xFF;
                    int count = bw * bh;
                    EXPECT_EQ((sum + count / 2) / count, static_cast<int>((dest.At(x, y) >> (8 * k)) & 0xFF))
                        << dw << "x" << dh << " at " << x << "," << y;
                    EXPECT_EQ(0xFFu, dest.At(x, y) >> 24);
                }
    }
}

TEST(DibStretch, EnlargingAlphaTransparencyAndRefusals)
{
    // One pixel becomes nine copies.
    Image dot(1, 1, std::vector<DWORD>{0x80123456});
    Image nine(3, 3, 32);
    ASSERT_EQ(1, DibStretch(nine.image, nullptr, dot.image, nullptr, 0, 0, 1, 1, 0, 0, 3, 3));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(0x80123456u, nine.At(i % 3, i / 3));

    // A source without any alpha counts as opaque.
    Image noAlpha(2, 2, {0x000000, 0x0000FF, 0x00FF00, 0x0000FF});
    Image one(1, 1, 32);
    ASSERT_EQ(1, DibStretch(one.image, nullptr, noAlpha.image, nullptr, 0, 0, 2, 2, 0, 0, 1, 1));
    EXPECT_EQ(0xFF004080u, one.At(0, 0));  // green (255 + 0 + 0 + 0) / 4 rounds to 64; blue 510 / 4 to 128

    // Colours average over the visible pixels; a pixel over transparent ones only is 0.
    Image halfClear(4, 1, {0x00FFFFFF, 0x00FFFFFF, 0xFF0000FF, 0x800000FF});
    Image two(2, 1, 32);
    ASSERT_EQ(1, DibStretch(two.image, nullptr, halfClear.image, nullptr, 0, 0, 4, 1, 0, 0, 2, 1));
    EXPECT_EQ(0u, two.At(0, 0));
    EXPECT_EQ(0xC00000FFu, two.At(1, 0));  // alpha (255 + 128) / 2 rounds to 192

    // Rectangles are cut to the images; starting outside one refuses.
    Image dest(4, 4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(1, DibStretch(dest.image, nullptr, dot.image, nullptr, 0, 0, 5, 5, 2, 3, 10, 10));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(i % 4 >= 2 && i / 4 == 3 ? 0x80123456u : 0u, dest.At(i % 4, i / 4)) << i;
    EXPECT_EQ(0, DibStretch(dest.image, nullptr, dot.image, nullptr, 1, 0, 1, 1, 0, 0, 2, 2));
    EXPECT_EQ(0, DibStretch(dest.image, nullptr, dot.image, nullptr, 0, 0, 1, 1, 4, 0, 2, 2));
    EXPECT_EQ(0, DibStretch(dest.image, nullptr, dot.image, nullptr, 0, 0, 0, 1, 0, 0, 2, 2));
    EXPECT_EQ(0, DibStretch(dest.image, nullptr, dot.image, nullptr, 0, 0, 1, 1, 0, 0, 65536, 2));
    Image eight(4, 4, 8);
    EXPECT_EQ(0, DibStretch(eight.image, nullptr, dot.image, nullptr, 0, 0, 1, 1, 0, 0, 2, 2));
    EXPECT_EQ(0, DibStretch(nullptr, nullptr, dot.image, nullptr, 0, 0, 1, 1, 0, 0, 2, 2));

    // An 8-bit source is converted for the call: its palette colours arrive.
    DibSetPixel(eight.image, eight.bits, RGB(255, 0, 0), 0, 0);
    Image big(8, 8, 32);
    ASSERT_EQ(1, DibStretch(big.image, nullptr, eight.image, nullptr, 0, 0, 1, 1, 0, 0, 8, 8));
    EXPECT_EQ(0xFF0000u, big.At(5, 5) & 0xFFFFFF);
}

TEST(DibAlphaBlend, MixesBySourceAlphaAndCutsToBothImages)
{
    Image dest(3, 2, {0x11000000, 0x22000000, 0x33000000, 0x44000000, 0x55000000, 0x66000000});
    Image source(2, 2, {0x80FFFFFF, 0x00FFFFFF, 0xFF0000FF, 0x40FF0000});
    // At (2, 1) only the source's top-left pixel fits.
    ASSERT_EQ(1, DibAlphaBlend(dest.image, nullptr, 2, 1, source.image, nullptr, 0, 0, 2, 2));
    EXPECT_EQ(0x66808080u, dest.At(2, 1));  // (0 * 128 + 255 * 129) / 256 = 128, alpha kept
    EXPECT_EQ(0x55000000u, dest.At(1, 1));
    ASSERT_EQ(1, DibAlphaBlend(dest.image, nullptr, 0, 0, source.image, nullptr, 0, 0, 2, 2));
    EXPECT_EQ(0x22000000u, dest.At(1, 0));  // alpha 0 leaves the destination
    EXPECT_EQ(0x440000FFu, dest.At(0, 1));  // alpha 255 copies the colour
    EXPECT_EQ(0x55400000u, dest.At(1, 1));  // 255 * 65 / 256 = 64.7
    EXPECT_EQ(0, DibAlphaBlend(dest.image, nullptr, 3, 0, source.image, nullptr, 0, 0, 1, 1));
    EXPECT_EQ(0, DibAlphaBlend(dest.image, nullptr, 0, 0, source.image, nullptr, 2, 0, 1, 1));
}

TEST(DibColorize, RecoloursTowardOneColourAndSparesTheTransparentOne)
{
    Image image(3, 1, {0xFFFFFFFF, 0x00C0C0C0, 0xFF000000});
    ASSERT_EQ(1, DibColorize(image.image, image.bits, RGB(255, 0, 0), 0x00C0C0C0));
    EXPECT_EQ(0xFFFF3C3Cu, image.At(0, 0));  // white: t = 15, 256 * 15 / 64 = 60
    EXPECT_EQ(0x00C0C0C0u, image.At(1, 0));
    EXPECT_EQ(0xFFBF0000u, image.At(2, 0));  // black: (0 / 3 + 192) * 255 / 256 = 191
    // Bit 31 of the transparent colour spares pixels without alpha.
    Image clear(1, 1, std::vector<DWORD>{0x00FFFFFF});
    DibColorize(clear.image, clear.bits, RGB(255, 0, 0), 0x80000001);
    EXPECT_EQ(0x00FFFFFFu, clear.At(0, 0));
    // The greyed look of a palette image: each entry moves toward RGB(223, 223, 223).
    Image pal(2, 1, 4);
    DWORD* table = reinterpret_cast<DWORD*>(pal.image + 1);
    ASSERT_EQ(1, DibColorize(pal.image, pal.bits, RGB(223, 223, 223), RGB(192, 192, 192)));
    EXPECT_EQ(0xC0C0C0u, table[7]);  // the transparent grey
    for (int i = 0; i < 16; ++i)  // every entry a grey
        EXPECT_EQ(((table[i] & 0xFF) * 0x010101u), table[i] & 0xFFFFFF) << i;
    EXPECT_EQ(0, DibColorize(nullptr, pal.bits, 0, 0));
    Image sixteen(2, 1, 16);
    EXPECT_EQ(0, DibColorize(sixteen.image, sixteen.bits, 0, 0));
}

TEST(DibReplaceColor, PaletteIndexesRectanglesAndAlpha)
{
    Image pal(2, 2, 8);
    DWORD* table = reinterpret_cast<DWORD*>(pal.image + 1);
    std::vector<DWORD> before(table, table + 256);
    ASSERT_EQ(1, DibReplaceColor(pal.image, pal.bits, 0x80000003, RGB(1, 2, 3)));
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(i == 3 ? 0x010203u : before[i], table[i]) << i;
    RECT part = {0, 0, 1, 1};
    EXPECT_EQ(0, DibReplaceColor(pal.image, pal.bits, RGB(1, 2, 3), 0, &part));
    EXPECT_EQ(1, DibReplaceColor(pal.image, pal.bits, 5, 5));

    // 32 bits: the replaced pixels take the new colour's top byte as alpha; bit 30 makes
    // all others opaque; the rectangle (top-down) limits both.
    Image image(3, 2, {0x000000FF, 0x000000FF, 0x00000001, 0x000000FF, 0x00000002, 0x000000FF});
    RECT right = {1, 0, 5, 2};
    ASSERT_EQ(1, DibReplaceColor(image.image, image.bits, 0x40FF0000, 0x7F00FF00, &right));
    const DWORD want[] = {0x000000FF, 0x7F00FF00, 0xFF000001, 0x000000FF, 0xFF000002, 0x7F00FF00};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(want[i], image.At(i % 3, i / 3)) << i;
    RECT outside = {3, 0, 4, 1};
    EXPECT_EQ(0, DibReplaceColor(image.image, image.bits, 1, 2, &outside));
    Image sixteen(2, 1, 16);
    EXPECT_EQ(0, DibReplaceColor(sixteen.image, sixteen.bits, 1, 2));
}

TEST(DibApplyMask, MaskedPixelsTakeTheColour)
{
    // Bottom-up mask rows of a 3 x 2 image: the top row's middle pixel and the bottom row's
    // first are masked.
    const BYTE mask[8] = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
    Image image(3, 2, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(1, DibApplyMask(image.image, image.bits, mask, RGB(9, 8, 7)));
    const DWORD want[] = {0xFF000001, 0x00090807, 0xFF000003, 0x00090807, 0xFF000005, 0xFF000006};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(want[i], image.At(i % 3, i / 3)) << i;
    Image pal(3, 2, 4);
    EXPECT_EQ(0, DibApplyMask(pal.image, pal.bits, mask, RGB(9, 8, 7)));  // not in the palette
    ASSERT_EQ(1, DibApplyMask(pal.image, pal.bits, mask, RGB(255, 0, 0)));
    EXPECT_EQ(0xFF0000u, Rgb(pal.image, pal.bits, 1, 0));
    EXPECT_EQ(0u, Rgb(pal.image, pal.bits, 0, 0));
    GuardedBytes guard;
    EXPECT_EQ(0, DibApplyMask(image.image, image.bits, guard.Place(std::vector<BYTE>(4), 4), 0));
}

TEST(DibPixels, GivenPaletteIndexesStayWithinTheColourTable)
{
    // Packed 4 x 1 images whose colour tables hold fewer entries than their depth could
    // address (biClrUsed): an index is taken only when the table has that entry.
    struct Case { WORD depth; DWORD used; DWORD index; bool taken; } cases[] = {
        { 8, 4, 3, true },  { 8, 4, 4, false }, { 8, 4, 16, false }, { 8, 4, 255, false },
        { 4, 2, 1, true },  { 4, 2, 2, false }, { 4, 0, 15, true },  { 1, 1, 1, false },
        { 8, 0, 255, true },
    };
    const BYTE allMasked[4] = { 0xF0, 0, 0, 0 };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.depth << " bits, " << c.used << " entries, index " << c.index);
        const DWORD entries = c.used ? c.used : 1u << c.depth;
        std::vector<BYTE> packed(sizeof(BITMAPINFOHEADER) + 4 * entries + 4, 0);
        BITMAPINFOHEADER* h = reinterpret_cast<BITMAPINFOHEADER*>(packed.data());
        h->biSize = sizeof *h;
        h->biWidth = 4;
        h->biHeight = 1;
        h->biPlanes = 1;
        h->biBitCount = c.depth;
        h->biClrUsed = c.used;
        void* bits = packed.data() + sizeof *h + 4 * entries;
        EXPECT_EQ(c.taken ? 1 : 0, DibSetPixel(h, bits, 0x80000000u | c.index, 1, 0));
        EXPECT_EQ(c.taken ? c.index : 0u, Raw(h, bits, 1, 0));
        EXPECT_EQ(c.taken ? 1 : 0, DibApplyMask(h, bits, allMasked, 0x80000000u | c.index));
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(c.taken ? c.index : 0u, Raw(h, bits, x, 0)) << x;
    }
}

TEST(DibPixels, SmoothingPixelsTopLeftAndDrawing)
{
    // A flat image stays flat; one bright pixel keeps 52/64 and gives 2/64 and 1/64 around.
    std::vector<DWORD> flat(25, 0x40404040);
    Image even(5, 5, flat);
    ASSERT_EQ(1, DibSmooth(even.image, even.bits, 0, 0, 5, 5));
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(0x40404040u, even.At(i % 5, i / 5));
    std::vector<DWORD> dark(25, 0);
    dark[12] = 0x40404040;
    Image spot(5, 5, dark);
    ASSERT_EQ(1, DibSmooth(spot.image, spot.bits, 1, 1, 3, 3));
    EXPECT_EQ(0x34343434u, spot.At(2, 2));
    EXPECT_EQ(0x02020202u, spot.At(2, 1));
    EXPECT_EQ(0x01010101u, spot.At(1, 1));
    EXPECT_EQ(0u, spot.At(0, 0));

    // Pixels by coordinates from the top; the top-left pixel is the first of the last row.
    Image pal(4, 3, 4);
    EXPECT_EQ(1, DibSetPixel(pal.image, pal.bits, RGB(0, 0, 255), 0, 0));
    EXPECT_EQ(RGB(0, 0, 255), DibGetTopLeftColor(pal.image, pal.bits));
    EXPECT_EQ(0, DibSetPixel(pal.image, pal.bits, RGB(1, 2, 3), 1, 0));
    EXPECT_EQ(1, DibSetPixel(pal.image, pal.bits, 0x8000000F, 3, 2));
    EXPECT_EQ(15u, Raw(pal.image, pal.bits, 3, 2));
    EXPECT_EQ(0, DibSetPixel(pal.image, pal.bits, 0, 4, 0));
    Image image(2, 2, 32);
    DibSetPixel(image.image, image.bits, 0x80112233, 0, 0);
    EXPECT_EQ(0x80332211u, DibGetTopLeftColor(image.image, image.bits));
    Image sixteen(2, 1, 16);
    EXPECT_EQ(0x80000000u, DibGetTopLeftColor(sixteen.image, sixteen.bits));

    // Drawing the 4-bit image into a 32-bit one through its memory DC; a part by its top.
    Image target(6, 6, std::vector<DWORD>(36, 0));
    ASSERT_EQ(1, DibDraw(pal.image, pal.bits, 1, 1, target.image));
    EXPECT_EQ(0x0000FFu, target.At(1, 1) & 0xFFFFFF);
    EXPECT_EQ(0xFFFFFFu, target.At(4, 3) & 0xFFFFFF);
    ASSERT_EQ(1, DibDrawPart(pal.image, pal.bits, 5, 5, 3, 2, 9, 9, target.image));
    EXPECT_EQ(0xFFFFFFu, target.At(5, 5) & 0xFFFFFF);
    EXPECT_EQ(0, DibDrawPart(pal.image, pal.bits, 0, 0, 4, 0, 1, 1, target.image));
    EXPECT_EQ(0, DibDraw(pal.image, pal.bits, 0, 0, nullptr));
}

TEST(DibCopyRect, CopiesBetweenImagesOfOneDepth)
{
    // 4 bits at odd columns: every nibble lands where the copy says.
    Image from(7, 3, 4), to(7, 3, 4);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            DibSetPixel(from.image, from.bits, 0x80000000u | ((x + 3 * y) % 16), x, y);
    ASSERT_EQ(1, DibCopyRect(from.image, to.image, 2, 1, 10, 10, 1, 0, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
        {
            bool copied = x >= 2 && y >= 1;
            EXPECT_EQ(copied ? Raw(from.image, from.bits, x - 1, y - 1) : 0u, Raw(to.image, to.bits, x, y)) << x << "," << y;
        }
    // Within one 32-bit image, overlapping.
    Image one(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    ASSERT_EQ(1, DibCopyRect(one.image, one.image, 1, 1, 2, 2, 0, 0, 0));
    const DWORD want[] = {1, 2, 3, 4, 1, 2, 7, 4, 5};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(want[i], one.At(i % 3, i / 3)) << i;
    SetLastError(0);
    EXPECT_EQ(0, DibCopyRect(one.image, to.image, 0, 0, 1, 1, 0, 0, 0));  // depths differ
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, DibCopyRect(one.image, one.image, 0, 0, 1, 1, 0, 0, 1));  // no flags defined
    EXPECT_EQ(0, DibCopyRect(one.image, one.image, 3, 0, 1, 1, 0, 0, 0));
    EXPECT_EQ(0, DibCopyRect(one.image, one.image, 0, 0, 1, 1, 0, 3, 0));
    std::vector<BYTE> foreign(80, 0);
    EXPECT_EQ(0, DibCopyRect(reinterpret_cast<DibImage*>(foreign.data() + 20), one.image, 0, 0, 1, 1, 0, 0, 0));
}

TEST(MapSysColor3d, GreysBecomeButtonColours)
{
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), MapSysColor3d(0x808080));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), MapSysColor3d(0xC0C0C0));
    EXPECT_EQ(GetSysColor(COLOR_3DLIGHT), MapSysColor3d(0xDFDFDF));
    EXPECT_EQ(0x818181u, MapSysColor3d(0x818181));
    Image pal(1, 1, 4);
    ASSERT_EQ(1, DibMap3dColors(pal.image, pal.bits));
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ((GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face),
              reinterpret_cast<DWORD*>(pal.image + 1)[7]);
}
