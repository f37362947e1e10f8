// Font measurements of the text view: the metrics of a font, and the cell size of a font
// description stored in the registry, each compared with the font measured directly.
#include <gtest/gtest.h>

#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"
#include "views/AnsiView.h"
#include "views/ViewSettings.h"

#include <string.h>

namespace {

// The reference: GDI's own metrics of the font in a screen context.
void MeasureOnScreen(const AnsiFontInfo& info, int* width, int* height)
{
    HFONT font = CreateAnsiFont(info);
    ASSERT_NE(font, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm = {};
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    *width = tm.tmAveCharWidth;
    *height = tm.tmHeight;
}

AnsiFontInfo Courier(int height)
{
    AnsiFontInfo info = {};
    info.height = height;
    info.flags = AFF_FIXED_PITCH;
    strcpy(info.faceName, "Courier");
    return info;
}

}  // namespace

TEST(AnsiViewFontQueries, MetricsOfAFontMatchGdiAndNullGivesZeros)
{
    SetAppIdentity("SektorlupeTests", "Views");
    CAnsiView view("FontQueries", 80, 25);   // no window: the screen is measured
    const AnsiFontInfo info = Courier(20);
    HFONT font = CreateAnsiFont(info);
    ASSERT_NE(font, nullptr);
    int metrics[3] = {-1, -1, -1};
    EXPECT_EQ(view.GetFontMetrics(font, metrics), 1);
    int width = 0, height = 0;
    MeasureOnScreen(info, &width, &height);
    EXPECT_EQ(metrics[0], width);
    EXPECT_EQ(metrics[1], height);

    HDC dc = CreateCompatibleDC(nullptr);
    int inDc[3] = {-1, -1, -1};
    EXPECT_EQ(view.GetFontMetrics(font, inDc, dc), 1);
    EXPECT_EQ(inDc[1], metrics[1]);
    DeleteDC(dc);
    DeleteObject(font);

    int none[3] = {-1, -1, -1};
    EXPECT_EQ(view.GetFontMetrics(nullptr, none), 0);
    EXPECT_EQ(none[0], 0);
    EXPECT_EQ(none[1], 0);
    EXPECT_EQ(none[2], 0);
}

TEST(AnsiViewFontQueries, StoredCellSizeReadsTheFontValue)
{
    testsupport::ScratchKey key("FontQueries");
    HKEY h = key.Open();
    ASSERT_NE(h, nullptr);
    const AnsiFontInfo stored = Courier(27);
    ASSERT_EQ(RegSetValueExA(h, "Font", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&stored),
                             sizeof(stored)),
              ERROR_SUCCESS);
    RegCloseKey(h);

    int width = 0, height = 0, refWidth = 0, refHeight = 0;
    ASSERT_EQ(CAnsiView::GetStoredFontCellSize(key.Path().c_str(), &width, &height), 1);
    MeasureOnScreen(stored, &refWidth, &refHeight);
    EXPECT_EQ(width, refWidth);
    EXPECT_EQ(height, refHeight);

    // Without a path: Courier of height 15.
    ASSERT_EQ(CAnsiView::GetStoredFontCellSize(nullptr, &width, &height), 1);
    MeasureOnScreen(Courier(15), &refWidth, &refHeight);
    EXPECT_EQ(width, refWidth);
    EXPECT_EQ(height, refHeight);
}

TEST(AnsiViewFontQueries, StoredCellSizeRefusesMissingOrMisSizedValues)
{
    testsupport::ScratchKey key("FontQueriesBad");
    HKEY h = key.Open();
    ASSERT_NE(h, nullptr);
    int width = 5, height = 5;
    EXPECT_EQ(CAnsiView::GetStoredFontCellSize(key.Path().c_str(), &width, &height), 0);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);

    const char shortValue[10] = "Courier";
    ASSERT_EQ(RegSetValueExA(h, "Font", 0, REG_BINARY, reinterpret_cast<const BYTE*>(shortValue),
                             sizeof(shortValue)),
              ERROR_SUCCESS);
    RegCloseKey(h);
    EXPECT_EQ(CAnsiView::GetStoredFontCellSize(key.Path().c_str(), &width, &height), 0);
}
