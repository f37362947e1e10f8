#include "uihelpers/AttrText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/uihelpers/DrawingSurface.h"

using drawtest::Surface;

namespace {

HFONT Arial(int height)
{
    LOGFONTA lf = {};
    lf.lfHeight = height;
    strcpy(lf.lfFaceName, "Arial");
    return CreateFontIndirectA(&lf);
}

int TextWidth(HDC dc, HFONT font, const char* text, int count)
{
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, count, &size);
    SelectObject(dc, old);
    return size.cx;
}

// The lowest row in the columns [from, to) that holds a dark pixel, or -1.
int LowestInk(const Surface& s, int from, int to)
{
    for (int y = s.Height() - 1; y >= 0; --y)
        for (int x = from; x < to; ++x)
            if (GetGValue(s.At(x, y)) < 128)
                return y;
    return -1;
}

}  // namespace

TEST(AttrText, RunsJoinBlanksThatDifferOnlyInTextColour)
{
    const DWORD split3 = 3u << ATTR_SPLIT_SHIFT;  // 2 text colour bits, 3 background bits
    struct Case {
        const char* text;
        std::vector<BYTE> attributes;
        DWORD flags;
        BYTE mask;
        std::vector<int> runs;
    } cases[] = {
        {"ab cd", {1, 1, 2, 2, 2}, 0, 0x3F, {3, 2}},                  // the blank joins "ab"
        {"ab\xA0" "cd", {1, 1, 2, 2, 2}, 0, 0x3F, {3, 2}},            // so does a no-break space
        {"ab cd", {1, 1, 0x21, 1, 1}, 0, 0x3F, {2, 1, 2}},            // an underlined blank does not
        {"ab cd", {1, 1, 0x05, 1, 1}, split3, 0x3F, {2, 1, 2}},       // nor one of another background
        {"ab cd", {1, 1, 0x02, 1, 1}, split3, 0x3F, {5}},             // another text colour joins
        {"abcd", {0x41, 0x01, 0x81, 0xC1}, 0, 0x3F, {4}},             // no fonts: font bits ignored
        {"abcd", {0x41, 0x01, 0x81, 0xC1}, 0, 0xFF, {1, 1, 1, 1}},    // with fonts they split runs
        {"a  b", {1, 2, 3, 4}, 0, 0x3F, {3, 1}},
    };
    for (const Case& c : cases)
    {
        int count = static_cast<int>(strlen(c.text));
        std::vector<int> runs;
        for (int start = 0; start < count;)
        {
            int length = AttrRunLength(c.text, c.attributes.data(), start, count, c.mask, c.flags);
            ASSERT_GT(length, 0);
            runs.push_back(length);
            start += length;
        }
        EXPECT_EQ(c.runs, runs) << c.text;
        std::wstring wide;
        for (int i = 0; i < count; ++i)
            wide.push_back(static_cast<unsigned char>(c.text[i]));
        EXPECT_EQ(c.runs[0], AttrRunLength(wide.c_str(), c.attributes.data(), 0, count, c.mask, c.flags)) << c.text;
    }
}

TEST(AttrText, ColourSplitsAndBackgroundEntries)
{
    struct Case {
        DWORD split;
        int text, background;
    } cases[] = {{0, 28, 0}, {1, 12, 1}, {2, 4, 3}, {3, 0, 7}};
    for (const Case& c : cases)
    {
        DWORD flags = c.split << ATTR_SPLIT_SHIFT;
        EXPECT_EQ(c.text, AttrTextIndex(0x1C, flags)) << c.split;
        EXPECT_EQ(c.background, AttrBackgroundIndex(0x1C, flags)) << c.split;
    }
    // Split 3, attribute 0x1C: a blank drawn over table entry 32 - 7 = 25.
    Surface s(40, 30);
    const DWORD flags = 3u << ATTR_SPLIT_SHIFT;
    const BYTE attribute = 0x1C;
    RECT rect = {0, 0, 40, 30};
    int end = DrawAttrTextA(s.Dc(), 2, 2, flags, &rect, "  ", 2, &attribute, nullptr, nullptr);
    EXPECT_GT(end, 2);
    EXPECT_EQ(DefaultAttrColors[25], s.At(3, 4));
    EXPECT_EQ(drawtest::kMarker, s.At(1, 1));
    // The device context keeps its colours and mode.
    EXPECT_EQ(static_cast<int>(OPAQUE), GetBkMode(s.Dc()));
    COLORREF before = GetBkColor(s.Dc());
    EXPECT_EQ(before, SetAttrBkColor(s.Dc(), 0, attribute, nullptr));
    EXPECT_EQ(DefaultAttrColors[25], SetAttrBkColor(s.Dc(), flags, attribute, nullptr));
    EXPECT_EQ(DefaultAttrColors[25], GetBkColor(s.Dc()));
}

TEST(AttrText, EmptyOpaqueTextFillsTheRectangle)
{
    Surface s(20, 10);
    SetBkColor(s.Dc(), RGB(200, 100, 50));
    RECT rect = {2, 2, 12, 8};
    const BYTE attribute = 0;
    EXPECT_EQ(5, DrawAttrTextA(s.Dc(), 5, 3, ETO_OPAQUE, &rect, "", 0, &attribute, nullptr, nullptr));
    EXPECT_EQ(RGB(200, 100, 50), s.At(2, 2));
    EXPECT_EQ(RGB(200, 100, 50), s.At(11, 7));
    EXPECT_TRUE(s.UntouchedOutside(rect));
    // Relative coordinates count from the rectangle's corner.
    EXPECT_EQ(7, DrawAttrTextW(s.Dc(), 5, 3, ETO_OPAQUE | ATTR_RELATIVE, &rect, L"", 0, &attribute, nullptr, nullptr));
}

TEST(AttrText, FontsOfDifferentAscentShareOneBaseline)
{
    HFONT fonts[4] = {Arial(-36), Arial(-12), nullptr, nullptr};
    Surface s(160, 60);
    s.Fill(RGB(255, 255, 255));
    SetTextColor(s.Dc(), RGB(0, 0, 0));
    SetBkMode(s.Dc(), TRANSPARENT);
    const BYTE attributes[2] = {0x00, 0x40};
    int end = DrawAttrTextA(s.Dc(), 4, 4, 0, nullptr, "HH", 2, attributes, nullptr, fonts);
    int big = TextWidth(s.Dc(), fonts[0], "H", 1);
    int small = TextWidth(s.Dc(), fonts[1], "H", 1);
    EXPECT_EQ(4 + big + small, end);
    int bottomBig = LowestInk(s, 4, 4 + big);
    int bottomSmall = LowestInk(s, 4 + big, 4 + big + small);
    EXPECT_GT(bottomBig, 10);
    EXPECT_EQ(bottomBig, bottomSmall);
    // Without attributes: a plain ExtTextOut in the first font.
    EXPECT_NE(0, DrawAttrTextA(s.Dc(), 0, 0, 0, nullptr, "H", 1, nullptr, nullptr, fonts));
    // The wide per-run form measures the line as the taller font's.
    RECT calc = {0, 0, 0, 0};
    TEXTMETRICA tm;
    HGDIOBJ old = SelectObject(s.Dc(), fonts[0]);
    GetTextMetricsA(s.Dc(), &tm);
    SelectObject(s.Dc(), old);
    EXPECT_EQ(tm.tmHeight, DrawAttrTextExW(s.Dc(), &calc, 0, DT_CALCRECT, L"HH", 2, attributes, nullptr, fonts));
    EXPECT_EQ(big + small, calc.right);

    // Underlined, both runs have their bar in the row under the common baseline: the bottom
    // of both is one pixel below the taller font's ascent.
    COLORREF black[32] = {};
    const BYTE underlined[2] = {0x20, 0x60};
    s.Fill(RGB(255, 255, 255));
    DrawAttrTextA(s.Dc(), 4, 4, 0, nullptr, "HH", 2, underlined, black, fonts);
    EXPECT_EQ(4 + tm.tmAscent + 1, LowestInk(s, 4, 4 + big));
    EXPECT_EQ(4 + tm.tmAscent + 1, LowestInk(s, 4 + big, 4 + big + small));
    DeleteObject(fonts[0]);
    DeleteObject(fonts[1]);
}

TEST(AttrText, MeasuringStopsInsideTheRunThatDoesNotFit)
{
    HFONT fonts[4] = {Arial(-12), Arial(-24), nullptr, nullptr};
    HDC dc = CreateCompatibleDC(NULL);
    const char text[] = "abcdefghij";
    const BYTE attributes[10] = {0, 0, 0, 0, 0x40, 0x40, 0x40, 0x40, 0x40, 0x40};
    int first = TextWidth(dc, fonts[0], text, 4);
    int second = TextWidth(dc, fonts[1], text + 4, 6);
    int limit = first + second / 2;
    // What GDI fits of the second run alone in the room that is left.
    HGDIOBJ old = SelectObject(dc, fonts[1]);
    int secondFit = 0;
    SIZE ignored;
    GetTextExtentExPointA(dc, text + 4, 6, limit - first, &secondFit, nullptr, &ignored);
    SelectObject(dc, old);
    ASSERT_GT(secondFit, 0);
    ASSERT_LT(secondFit, 6);

    int fit = -1;
    std::vector<int> partial(10, -7);
    SIZE size;
    EXPECT_EQ(1, MeasureAttrTextA(dc, text, 10, limit, &fit, partial.data(), &size, attributes, fonts));
    EXPECT_EQ(4 + secondFit, fit);
    EXPECT_EQ(first + second, size.cx);
    EXPECT_EQ(first, partial[3]);
    for (int i = 1; i < fit; ++i)
        EXPECT_LT(partial[i - 1], partial[i]);
    EXPECT_LE(partial[fit - 1], limit);
    for (int i = fit; i < 10; ++i)
        EXPECT_EQ(-7, partial[i]) << i;
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    DeleteDC(dc);
    DeleteObject(fonts[0]);
    DeleteObject(fonts[1]);
}

TEST(AttrText, TabWalkAgreesWithGdi)
{
    const int stops[] = {10, -30, 50};
    AttrTabStops tabs = {3, stops, 0, 8};
    struct Case {
        int x, width, origin, want;
    } cases[] = {{0, 5, 0, 10}, {10, 5, 0, 25}, {29, 5, 0, 25}, {30, 5, 0, 50}, {50, 5, 0, 56}, {0, 5, 3, 13},
                 {60, 0, 3, 67}};
    for (const Case& c : cases)
    {
        tabs.origin = c.origin;
        EXPECT_EQ(c.want, NextTabPosition(c.x, c.width, tabs)) << c.x << " " << c.origin;
    }
    AttrTabStops none = {0, nullptr, 0, 8};
    EXPECT_EQ(0, NextTabPosition(-5, 0, none));
    EXPECT_EQ(16, NextTabPosition(8, 0, none));

    // Plain tabbed text measures as GDI's own tabbed extent.
    HDC dc = CreateCompatibleDC(NULL);
    const char* texts[] = {"a\tbb\tc", "\t\tx", "abc", "long text\tq"};
    const int twoStops[] = {40, 100};
    const int oneStop[] = {30};
    for (const char* text : texts)
    {
        int n = static_cast<int>(strlen(text));
        EXPECT_EQ(static_cast<int>(LOWORD(GetTabbedTextExtentA(dc, text, n, 2, twoStops))),
                  GetTabbedAttrTextExtentA(dc, 0, text, nullptr, n, 2, twoStops, 0, nullptr))
            << text;
        EXPECT_EQ(static_cast<int>(LOWORD(GetTabbedTextExtentA(dc, text, n, 1, oneStop))),
                  GetTabbedAttrTextExtentA(dc, 0, text, nullptr, n, 1, oneStop, 0, nullptr))
            << text;
    }
    EXPECT_EQ(0, GetTabbedAttrTextExtentW(dc, 0, L"x", nullptr, 0, 1, oneStop, 0, nullptr));
    DeleteDC(dc);
}

// One line of up to four fonts: whatever the fonts, every measured font's run ends its
// ascent on one baseline; at the top that baseline lies the largest ascent down, aligned to
// the bottom it lies the largest descent above the line's height, so that the deepest
// descender reaches the bottom.
TEST(AttrText, FontsShareTheBaselineAtTheTopAndAtTheBottom)
{
    struct Case {
        int ascent[4], height[4];
        bool measured[4];
    } cases[] = {
        {{13, 10, 0, 0}, {16, 16, 0, 0}, {true, true, false, false}},   // same height, other descent
        {{15, 10, 0, 0}, {18, 16, 0, 0}, {true, true, false, false}},   // the taller font descends less
        {{29, 11, 0, 0}, {36, 14, 0, 0}, {true, true, false, false}},   // one font larger in both
        {{12, 0, 20, 0}, {15, 0, 30, 0}, {true, false, true, false}},   // an unmeasured font between
        {{9, 0, 0, 0}, {12, 0, 0, 0}, {true, false, false, false}},
    };
    for (const Case& c : cases)
    {
        int ascent = 0, height = 0, descent = 0;
        for (int i = 0; i < 4; ++i)
            if (c.measured[i])
            {
                ascent = std::max(ascent, c.ascent[i]);
                height = std::max(height, c.height[i]);
                descent = std::max(descent, c.height[i] - c.ascent[i]);
            }
        for (bool bottom : {false, true})
        {
            FontLine line = AttrFontLine(c.ascent, c.height, c.measured, bottom);
            EXPECT_EQ(ascent, line.ascent);
            EXPECT_EQ(height, line.height);
            EXPECT_EQ(bottom ? height - descent : ascent, line.baseline) << c.ascent[0] << " " << bottom;
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(line.baseline, line.offset[i] + (c.measured[i] ? c.ascent[i] : ascent))
                    << c.ascent[0] << " font " << i << " " << bottom;
        }
    }
    // Drawn to the bottom of a rectangle: both fonts' "H" stand on the row above the
    // baseline, which lies the larger descent above the rectangle's bottom.
    HFONT fonts[4] = {Arial(-30), Arial(-12), nullptr, nullptr};
    Surface s(160, 60);
    s.Fill(RGB(255, 255, 255));
    SetTextColor(s.Dc(), RGB(0, 0, 0));
    SetBkMode(s.Dc(), TRANSPARENT);
    int descent = 0;
    for (int i = 0; i < 2; ++i)
    {
        TEXTMETRICA tm;
        HGDIOBJ old = SelectObject(s.Dc(), fonts[i]);
        GetTextMetricsA(s.Dc(), &tm);
        SelectObject(s.Dc(), old);
        descent = std::max(descent, static_cast<int>(tm.tmDescent));
    }
    const BYTE attributes[2] = {0x00, 0x40};
    RECT rect = {4, 2, 150, 55};
    DrawAttrTextExW(s.Dc(), &rect, 0, DT_BOTTOM, L"HH", 2, attributes, nullptr, fonts);
    int big = TextWidth(s.Dc(), fonts[0], "H", 1);
    int small = TextWidth(s.Dc(), fonts[1], "H", 1);
    EXPECT_EQ(rect.bottom - descent - 1, LowestInk(s, 4, 4 + big));
    EXPECT_EQ(rect.bottom - descent - 1, LowestInk(s, 4 + big, 4 + big + small));
    DeleteObject(fonts[0]);
    DeleteObject(fonts[1]);
}
