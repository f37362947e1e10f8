// Nine-part stretching checked against the system's own AlphaBlend of the same pixels, and
// the frames drawn from the built-in images.
#include <gtest/gtest.h>
#include "controls/FrameImage.h"
#include "uihelpers/DibPixels.h"

#include <cstdint>
#include <random>
#include <vector>

namespace {

uint32_t& At(DibImage* image, int x, int y)
{
    const int h = std::abs(image->biHeight);
    const int row = image->biHeight > 0 ? h - 1 - y : y;
    return static_cast<uint32_t*>(DibGetBits(image))[row * image->biWidth + x];
}

int Part(int v, int side, int corner)
{
    return v < corner ? 0 : (v >= side - corner ? 2 : 1);
}

// A source whose corners are noise and whose stretched parts only vary across the direction
// they are stretched in, so that any resampling gives the same pixels.
DibImage* MakeSource(std::mt19937& rng, int w, int h, int cx, int cy)
{
    void* bits = nullptr;
    DibImage* image = DibCreateBlank(nullptr, w, h, 32, &bits);
    std::vector<uint32_t> rows(h), cols(w);
    for (uint32_t& v : rows)
        v = rng();
    for (uint32_t& v : cols)
        v = rng();
    const uint32_t centre = rng();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int i = Part(x, w, cx), j = Part(y, h, cy);
            uint32_t v = (i != 1 && j != 1) ? static_cast<uint32_t>(rng()) : i == 1 && j == 1 ? centre : i == 1 ? rows[y] : cols[x];
            At(image, x, y) = v;
        }
    }
    return image;
}

// The same nine parts drawn by msimg32: premultiplied source, AlphaBlend per part onto the
// background.
std::vector<uint32_t> SystemNineGrid(DibImage* source, int w, int h, int cx, int cy, COLORREF bk)
{
    const int sw = source->biWidth, sh = std::abs(source->biHeight);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = sw;
    info.bmiHeader.biHeight = -sh;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* sbits = nullptr;
    HBITMAP sbmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &sbits, nullptr, 0);
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            uint32_t p = At(source, x, y), a = p >> 24;
            uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
            static_cast<uint32_t*>(sbits)[y * sw + x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    void* dbits = nullptr;
    HBITMAP dbmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &dbits, nullptr, 0);
    const uint32_t fill = (GetRValue(bk) << 16) | (GetGValue(bk) << 8) | GetBValue(bk);
    std::fill(static_cast<uint32_t*>(dbits), static_cast<uint32_t*>(dbits) + w * h, fill);
    HDC sdc = CreateCompatibleDC(nullptr), ddc = CreateCompatibleDC(nullptr);
    HGDIOBJ so = SelectObject(sdc, sbmp), dold = SelectObject(ddc, dbmp);
    const int sx[3] = {0, cx, sw - cx}, swd[3] = {cx, sw - 2 * cx, cx};
    const int sy[3] = {0, cy, sh - cy}, shd[3] = {cy, sh - 2 * cy, cy};
    const int dx[3] = {0, cx, w - cx}, dwd[3] = {cx, w - 2 * cx, cx};
    const int dy[3] = {0, cy, h - cy}, dhd[3] = {cy, h - 2 * cy, cy};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            if (dwd[i] > 0 && dhd[j] > 0)
                AlphaBlend(ddc, dx[i], dy[j], dwd[i], dhd[j], sdc, sx[i], sy[j], swd[i], shd[j], blend);
    GdiFlush();
    std::vector<uint32_t> out(static_cast<uint32_t*>(dbits), static_cast<uint32_t*>(dbits) + w * h);
    SelectObject(sdc, so);
    SelectObject(ddc, dold);
    DeleteDC(sdc);
    DeleteDC(ddc);
    DeleteObject(sbmp);
    DeleteObject(dbmp);
    return out;
}

}  // namespace

TEST(FrameImage, NineGridMatchesAlphaBlendAndKeepsCornersExactly)
{
    std::mt19937 rng(2024);
    struct Case {
        int sw, sh, w, h, cx, cy;   // corners: 3 from 7 pixels up, else 2, at most half the target
    } cases[] = {
        {7, 7, 40, 23, 3, 3}, {6, 9, 17, 4, 2, 2}, {12, 5, 5, 30, 2, 2}, {7, 8, 3, 64, 1, 3},
        {9, 9, 9, 9, 3, 3},   {5, 4, 100, 2, 2, 1}, {8, 7, 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " -> " << c.w << "x" << c.h);
        DibImage* source = MakeSource(rng, c.sw, c.sh, c.cx, c.cy);
        const COLORREF bk = RGB(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF);
        DibImage* ours = StretchImageNineGrid(source, c.w, c.h, bk);
        ASSERT_NE(ours, nullptr);
        std::vector<uint32_t> system = SystemNineGrid(source, c.w, c.h, c.cx, c.cy, bk);
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < c.w; ++x) {
                uint32_t a = At(ours, x, y), b = system[y * c.w + x];
                ASSERT_EQ(a >> 24, 0xFFu);
                for (int shift = 0; shift < 24; shift += 8)
                    ASSERT_NEAR(static_cast<int>((a >> shift) & 0xFF), static_cast<int>((b >> shift) & 0xFF), 1)
                        << "pixel " << x << "," << y;
            }
        }
        DibFree(ours);
        // Without a background the corners are the source's pixels, alpha and all.
        DibImage* plain = StretchImageNineGrid(source, c.w, c.h, kNineGridNoBackground);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                if (Part(x, c.w, c.cx) != 1 && Part(y, c.h, c.cy) != 1) {
                    int sx = x < c.cx ? x : c.sw - (c.w - x), sy = y < c.cy ? y : c.sh - (c.h - y);
                    ASSERT_EQ(At(plain, x, y), At(source, sx, sy)) << "corner pixel " << x << "," << y;
                }
        DibFree(plain);
        DibFree(source);
    }
    void* bits = nullptr;
    DibImage* small = DibCreateBlank(nullptr, 4, 4, 24, &bits);
    EXPECT_EQ(StretchImageNineGrid(small, 10, 10, 0), nullptr);
    DibFree(small);
}

TEST(FrameImage, FramesChangeOnlyTheirRectangleAndNeedA32BitImage)
{
    void* bits = nullptr;
    DibImage* dest = DibCreateBlank(nullptr, 30, 20, 32, &bits);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            At(dest, x, y) = 0xFF102030;
    for (DWORD flags : {0x00u, 0x01u, 0x08u, 0x09u, 0x10u, 0x11u, 0x18u, 0x1Bu}) {
        ASSERT_TRUE(DrawFrameImage(dest, 5, 4, 12, 9, flags, RGB(200, 10, 10)));
        int changed = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                bool inside = x >= 5 && x < 17 && y >= 4 && y < 13;
                if (!inside) {
                    ASSERT_EQ(At(dest, x, y), 0xFF102030u) << x << "," << y;
                }
                changed += inside && At(dest, x, y) != 0xFF102030u;
                At(dest, x, y) = 0xFF102030;
            }
        EXPECT_GT(changed, 0) << flags;
    }
    EXPECT_TRUE(DrawFrameImage(dest, -4, -3, 8, 8, 0));
    EXPECT_FALSE(DrawFrameImage(dest, 0, 0, 0, 5, 0));
    DibImage* narrow = DibCreateBlank(nullptr, 8, 8, 24, &bits);
    EXPECT_FALSE(DrawFrameImage(narrow, 0, 0, 4, 4, 0));
    DibFree(narrow);
    DibFree(dest);
}
