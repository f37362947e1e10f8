#include "views/TextLayout.h"
#include "views/RepaintWord.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <set>
#include <vector>

namespace {

// A layout that records its hooks.
class RecordingLayout : public CTextLayout
{
public:
    RecordingLayout(int columns, int lineArgument) : CTextLayout(columns, lineArgument) {}
    std::vector<std::pair<int, int>> origins;
    std::vector<std::vector<int>> sizes;
    int repaints = 0;
    int layoutChanged = 0;

protected:
    void OnLayoutChanged() override { ++layoutChanged; }
    void OnOriginMoved(int column, int line) override { origins.push_back({ column, line }); }
    void OnSizeChanged(int c, int l, int dc, int dl) override { sizes.push_back({ c, l, dc, dl }); }
    void Repaint() override
    {
        ++repaints;
        RepaintWord() = 0;
    }
};

// A view of exactly `lines` lines of 13 pixels and 80 columns of 10 pixels, no bars taking
// room (bar metrics 0), so the window cells are what the test says.
void Size(CTextLayout& layout, int columns, int lines)
{
    layout.SetBarMetrics(0, 0);
    layout.OnSize(columns * 10, lines * 13);
}

TEST(TextLayout, WindowCellsCountAPartlyVisibleCell)
{
    RecordingLayout layout(80, 0);
    Size(layout, 40, 20);
    EXPECT_EQ(layout.WindowColumns(), 40);
    EXPECT_EQ(layout.WindowLines(), 20);
    EXPECT_EQ(layout.PartialLine(), 0);
    layout.OnSize(405, 20 * 13 + 5);
    EXPECT_EQ(layout.WindowColumns(), 41);   // 405 px: 40 whole cells and half of one
    EXPECT_EQ(layout.WindowLines(), 21);
    EXPECT_EQ(layout.PartialLine(), 1);       // 21 * 13 = 273 > 265 + 2
    EXPECT_EQ(layout.PartialColumn(), 1);
    layout.OnSize(1, 1);
    EXPECT_EQ(layout.WindowColumns(), 1);
    EXPECT_EQ(layout.WindowLines(), 1);
    layout.OnSize(0, 0);
    EXPECT_GE(layout.WindowColumns(), 1);
    EXPECT_GE(layout.WindowLines(), 1);
}

TEST(TextLayout, JumpIsCentredAndAStepScrollsOneLine)
{
    RecordingLayout layout(80, 900);   // 1000 lines
    Size(layout, 80, 40);
    layout.PlaceCaret(0, 10, false);
    layout.UpdateLayout(0);
    ASSERT_EQ(layout.ScrollLine(), 0);
    layout.PlaceCaret(0, 500, false);
    layout.UpdateLayout(TLF_CENTRE_JUMP);
    EXPECT_EQ(layout.ScrollLine(), 481);                        // line 500 is the 20th visible
    EXPECT_EQ(layout.CaretLine() - layout.ScrollLine() + 1, 20);

    RecordingLayout step(80, 900);
    Size(step, 80, 40);
    step.PlaceCaret(0, 39, false);
    step.UpdateLayout(TLF_CENTRE_JUMP);
    ASSERT_EQ(step.ScrollLine(), 0);
    step.PlaceCaret(0, 40, false);
    step.UpdateLayout(TLF_CENTRE_JUMP);
    EXPECT_EQ(step.ScrollLine(), 1);
}

TEST(TextLayout, JumpUpwardsLeavesHalfAWindowAbove)
{
    RecordingLayout layout(80, 900);
    Size(layout, 80, 40);
    layout.PlaceCaret(0, 900, false);
    layout.UpdateLayout(TLF_CENTRE_JUMP);
    layout.PlaceCaret(0, 300, false);
    layout.UpdateLayout(TLF_CENTRE_JUMP);
    EXPECT_EQ(layout.ScrollLine(), 280);
}

TEST(TextLayout, CaretStaysVisibleAfterEveryMove)
{
    std::mt19937 rng(5);
    RecordingLayout layout(200, 400);
    Size(layout, 30, 17);
    for (int i = 0; i < 3000; ++i)
    {
        int kind = static_cast<int>(rng() % 3);
        if (kind == 0)
            layout.PlaceCaret(static_cast<int>(rng() % 400) - 100, static_cast<int>(rng() % 700) - 100, false);
        else
            layout.PlaceCaret(static_cast<int>(rng() % 3) - 1, static_cast<int>(rng() % 3) - 1, true);
        layout.UpdateLayout(rng() % 2 ? TLF_CENTRE_JUMP : 0);
        ASSERT_GE(layout.CaretLine(), 0);
        ASSERT_LE(layout.CaretLine(), layout.LineCount());
        ASSERT_GE(layout.CaretColumn(), 0);
        ASSERT_LT(layout.CaretColumn(), layout.ColumnCount());
        int h = layout.WindowLines() - layout.PartialLine();
        int w = layout.WindowColumns() - layout.PartialColumn();
        ASSERT_GE(layout.CaretLine(), layout.ScrollLine()) << i;
        ASSERT_LT(layout.CaretLine(), layout.ScrollLine() + h) << i;
        ASSERT_GE(layout.CaretColumn(), layout.ScrollColumn()) << i;
        ASSERT_LT(layout.CaretColumn(), layout.ScrollColumn() + w) << i;
        ASSERT_GE(layout.ScrollLine(), 0);
        ASSERT_GE(layout.ScrollColumn(), 0);
    }
}

TEST(TextLayout, OriginNotificationUnlessQuiet)
{
    RecordingLayout layout(80, 900);
    Size(layout, 80, 40);
    layout.origins.clear();
    layout.ScrollBy(0, 7);
    layout.UpdateLayout(0);
    ASSERT_EQ(layout.origins.size(), 1u);
    EXPECT_EQ(layout.origins[0], std::make_pair(0, 7));
    EXPECT_EQ(layout.Bar(1).position, 7);
    layout.SetScrollOrigin(0, 9, true);   // quiet
    EXPECT_EQ(layout.origins.size(), 1u);
    EXPECT_EQ(layout.ScrollLine(), 9);
}

TEST(TextLayout, OriginClampedWithOverscroll)
{
    RecordingLayout layout(80, 0);   // 100 lines
    Size(layout, 80, 40);
    layout.SetOriginRaw(0, 5000);
    layout.UpdateLayout(0);
    EXPECT_EQ(layout.ScrollLine(), 100 - 20);   // half a window may stand below the last line
    layout.SetOriginRaw(-4, -9);
    layout.UpdateLayout(0);
    EXPECT_EQ(layout.ScrollLine(), 0);
    EXPECT_EQ(layout.ScrollColumn(), 0);
}

// A bar update lowers a scroll line that lies beyond range - page towards half a window
// below the last line, and never raises it. In a 20-line window without bars taking room the
// vertical range is lines + 20 / 2 - 2 and the page 20, so range - page = lines - 12; the
// mark is lines - 10. The caret stands on the scroll line so that the layout's own clamp
// (scroll line at most the line count) keeps it; the bar update comes with the first layout.
TEST(TextLayout, ScrollLineBeyondTheBarRangeIsOnlyLowered)
{
    const struct { int lines; int scroll; int expected; } cases[] = {
        { 11, 0, 0 },     // range - page = -1: the mark (1) would push line 0 out of sight
        { 11, 5, 0 },     // every line and its over-scroll fit: shown from the top
        { 100, 89, 89 },  // beyond 88, but below the mark 90: stays
        { 100, 99, 90 },  // beyond the mark: lowered to it
        { 15, 10, 5 },    // range - page = 3, mark 5
        { 100, 50, 50 },  // within the range: untouched
    };
    for (const auto& c : cases)
    {
        RecordingLayout layout(80, c.lines - 100);
        layout.SetOriginRaw(0, c.scroll);
        layout.PlaceCaret(0, c.scroll, false);
        Size(layout, 80, 20);
        ASSERT_EQ(layout.LineCount(), c.lines);
        EXPECT_EQ(layout.ScrollLine(), c.expected) << c.lines << " lines from " << c.scroll;
        EXPECT_EQ(layout.Bar(1).position, c.expected) << c.lines << " lines from " << c.scroll;
    }
}

TEST(TextLayout, FixedOriginOptions)
{
    RecordingLayout layout(300, 900);
    Size(layout, 30, 10);
    layout.SetOriginRaw(40, 50);
    layout.UpdateLayout(0);
    EXPECT_EQ(layout.ScrollColumn(), 40);
    layout.SetViewFlags(TVO_FIX_COLUMN | TVO_FIX_LINE, TVO_FIX_COLUMN | TVO_FIX_LINE);
    EXPECT_EQ(layout.ScrollColumn(), 0);
    EXPECT_EQ(layout.ScrollLine(), 0);
}

TEST(TextLayout, ScrollBarsShowOnlyWhenNeeded)
{
    RecordingLayout layout(80, 0);   // 80 columns, 100 lines
    layout.SetBarMetrics(16, 16);
    layout.OnSize(800 + 16, 40 * 13);
    EXPECT_TRUE(layout.Bar(1).shown);
    EXPECT_EQ(layout.Bar(1).page, layout.WindowLines());
    EXPECT_EQ(layout.Bar(1).range, 100 + layout.WindowLines() / 2 - 2);
    // Half a window of over-scroll makes the horizontal range wider than the page.
    EXPECT_TRUE(layout.Bar(0).shown);
    EXPECT_EQ(layout.Bar(0).range, 80 + layout.WindowColumns() / 2 - 1);
    layout.SetViewFlags(TVO_NO_HOVERSCROLL, TVO_NO_HOVERSCROLL);
    EXPECT_FALSE(layout.Bar(0).shown);   // 80 columns fit the 800 px left beside the bar
    layout.SetViewFlags(TVO_NO_VSCROLL, TVO_NO_VSCROLL);
    EXPECT_EQ(layout.Bar(1).range, 0);
    EXPECT_FALSE(layout.Bar(1).shown);
    // The disable bit is not one that forces a bar update: it shows at the next change.
    layout.SetViewFlags(TVO_VBAR_DISABLE, TVO_VBAR_DISABLE);
    layout.SetLineCount(101);
    layout.UpdateLayout(0);
    EXPECT_TRUE(layout.Bar(1).shown);
    EXPECT_TRUE(layout.Bar(1).disableOnly);
}

TEST(TextLayout, SizeChangeReportsDeltas)
{
    RecordingLayout layout(80, 0);
    Size(layout, 40, 20);
    layout.sizes.clear();
    Size(layout, 42, 17);
    ASSERT_FALSE(layout.sizes.empty());
    EXPECT_EQ(layout.sizes.back(), (std::vector<int>{ 42, 17, 2, -3 }));
}

TEST(TextLayout, MarginWidth)
{
    RecordingLayout layout(80, 0);
    Size(layout, 40, 20);
    EXPECT_TRUE(layout.SetMarginWidth(20));
    EXPECT_EQ(layout.WindowColumns(), 38);
    EXPECT_FALSE(layout.SetMarginWidth(20));
    EXPECT_TRUE(layout.SetMarginWidth(2500));
    EXPECT_EQ(layout.MarginWidth(), 0);
    EXPECT_TRUE(layout.SetMarginWidth(7));
    EXPECT_TRUE(layout.SetMarginWidth(-5));
    EXPECT_EQ(layout.MarginWidth(), 0);
}

TEST(TextLayout, HitTest)
{
    RecordingLayout layout(80, 0);   // 100 lines
    Size(layout, 40, 20);
    layout.SetMarginWidth(20);
    int c = -1, l = -1;
    EXPECT_EQ(layout.HitTest(5, 5, &c, &l, 0), 2);
    EXPECT_EQ(layout.HitTest(20 + 35, 13 * 3 + 1, &c, &l, 0), 1);
    EXPECT_EQ(c, 3);
    EXPECT_EQ(l, 3);
    EXPECT_EQ(layout.HitTest(20 + 36, 0, &c, &l, 1), 1);   // nearer the boundary after cell 3
    EXPECT_EQ(c, 4);
    EXPECT_EQ(layout.HitTest(30, 13 * 500, &c, &l, 0), 0);   // below the last line
    EXPECT_EQ(c, 0);
    EXPECT_EQ(l, 100);
    EXPECT_EQ(layout.HitTest(30, -3, &c, &l, 0), 0);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(layout.HitTest(-50, 13, &c, &l, 0), 1);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(l, 1);
    EXPECT_EQ(layout.HitTest(30, 30, nullptr, nullptr, 0), 1);
    // Against a plain computation over a grid of points, scrolled.
    layout.SetOriginRaw(3, 11);
    layout.UpdateLayout(TLF_QUIET);
    for (int y = 0; y < 20 * 13; y += 3)
        for (int x = 20; x < 420; x += 7)
        {
            ASSERT_EQ(layout.HitTest(x, y, &c, &l, 0), 1);
            ASSERT_EQ(c, (x - 20) / 10 + layout.ScrollColumn());
            ASSERT_EQ(l, y / 13 + layout.ScrollLine());
        }
}

TEST(TextLayout, NavigationKeys)
{
    // Shift+Ctrl+Right with the caret shown: one column with flags 7 | 0x80.
    TextKeyAction a = MapNavigationKey(VK_RIGHT, 3, true, 40, 80, 100, 5);
    EXPECT_EQ(a.kind, TextKeyAction::MOVE);
    EXPECT_EQ(a.column, 1);
    EXPECT_EQ(a.flags, 7u | 0x80u);
    // Ctrl+Right alone scrolls and leaves the caret.
    a = MapNavigationKey(VK_RIGHT, 2, true, 40, 80, 100, 5);
    EXPECT_EQ(a.kind, TextKeyAction::SCROLL);
    EXPECT_EQ(a.scrollColumns, 1);
    // PageDown with a hidden caret scrolls by window lines - 1 and reports key 34.
    a = MapNavigationKey(VK_NEXT, 0, false, 40, 80, 100, 5);
    EXPECT_EQ(a.kind, TextKeyAction::SCROLL);
    EXPECT_EQ(a.scrollLines, 39);
    EXPECT_EQ(a.scrolledKey, 34);
    a = MapNavigationKey(VK_END, 2 | 1, true, 40, 80, 100, 5);
    EXPECT_EQ(a.kind, TextKeyAction::MOVE);
    EXPECT_EQ(a.line, 100);
    EXPECT_EQ(a.flags, MCF_EXTEND);
    a = MapNavigationKey(VK_HOME, 0, true, 40, 80, 100, 5);
    EXPECT_EQ(a.column, -5);
    EXPECT_EQ(a.flags, MCF_RELATIVE);
    a = MapNavigationKey(VK_HOME, 0, false, 40, 80, 100, 5);
    EXPECT_EQ(a.kind, TextKeyAction::NONE);
    a = MapNavigationKey('A', 0, true, 40, 80, 100, 5);
    EXPECT_EQ(a.kind, TextKeyAction::NONE);
}

TEST(TextLayout, AutoScrollAndPan)
{
    int sx = 0, sy = 0;
    AutoScrollSpeed(100, 100, 0, 400, 260, 10, 13, &sx, &sy);
    EXPECT_EQ(sx, 0);
    EXPECT_EQ(sy, 0);
    AutoScrollSpeed(100, 260, 0, 400, 260, 10, 13, &sx, &sy);
    EXPECT_EQ(sx, 0);
    EXPECT_GE(sy, 1);   // at least one line per tick below the window
    AutoScrollSpeed(100, -1, 0, 400, 260, 10, 13, &sx, &sy);
    EXPECT_EQ(sy, -1);
    AutoScrollSpeed(-30, 100, 0, 400, 260, 10, 13, &sx, &sy);
    EXPECT_EQ(sx, -4);   // floor(-30 / 8)
    int c, l, ox, oy;
    PanOrigin(10, 10, 25, -5, 10, 13, &c, &l, &ox, &oy);
    EXPECT_EQ(c, 12);
    EXPECT_EQ(ox, 5);
    EXPECT_EQ(l, 9);    // -5 px borrows one line
    EXPECT_EQ(oy, 8);
    PanOrigin(0, 0, -25, -25, 10, 13, &c, &l, &ox, &oy);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(ox, 0);
    EXPECT_EQ(oy, 0);
}

// ---- repaint word ----

TEST(RepaintWord, KindsAndMerging)
{
    uint32_t w = 0;
    RepaintFromLine(w, 30);
    RepaintFromLine(w, 12);
    EXPECT_EQ(w, RP_FROM_LINE | 12u);
    RepaintFromLine(w, 40);
    EXPECT_EQ(w, RP_FROM_LINE | 12u);

    w = 0;
    RepaintLineRange(w, 5, 8);
    RepaintOneLine(w, 6);   // another kind while a range is pending
    EXPECT_EQ(w, RP_ALL);

    w = RP_CARET;
    RepaintOneLine(w, 3);
    RepaintOneLine(w, 3);
    EXPECT_EQ(w, RP_CARET | RP_ONE_LINE | 3u);
    RepaintFromLine(w, 1);
    EXPECT_EQ(w, RP_CARET | RP_ALL);   // caret bits combine with any kind

    w = 0;
    RepaintLineRange(w, 10, 12);
    RepaintLineRange(w, 20, 14);
    EXPECT_EQ(w, RP_LINE_RANGE | 10u | (10u << 17));
    RepaintLineRange(w, 100, 100);
    EXPECT_EQ(w, RP_ALL);

    w = 0;
    RepaintCaretRight(w, 1, 0);
    EXPECT_EQ(w, RP_CARET_LINE);
    w = 0;
    RepaintCaretRight(w, 9, 0);
    EXPECT_EQ(w, RP_CARET_RIGHT);
}

// Whatever the requests, the plan draws every requested visible line.
TEST(RepaintWord, PlanCoversEveryRequestedLine)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 4000; ++round)
    {
        int scroll = static_cast<int>(rng() % 50);
        int window = 1 + static_cast<int>(rng() % 30);
        int caret = static_cast<int>(rng() % 100);
        uint32_t w = 0;
        std::set<int> wanted;
        bool below = false;
        int n = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i)
        {
            int a = static_cast<int>(rng() % 100);
            int b = a + static_cast<int>(rng() % 40);
            switch (rng() % 5)
            {
            case 0: RepaintOneLine(w, a); wanted.insert(a); break;
            case 1: RepaintLineRange(w, a, b); for (int k = a; k <= b; ++k) wanted.insert(k); break;
            case 2: RepaintFromLine(w, a); for (int k = a; k < 200; ++k) wanted.insert(k); break;
            case 3: w |= RP_CARET_LINE; wanted.insert(caret); break;
            default: w |= RP_BELOW_CARET; below = true; break;
            }
        }
        if (below)
            for (int k = caret + 1; k < 200; ++k)
                wanted.insert(k);
        RepaintPlan plan = PlanRepaint(w, scroll, window, caret);
        for (int line : wanted)
        {
            if (line < scroll || line > scroll + window)
                continue;
            bool drawn = (line >= plan.firstLine && line <= plan.lastLine) || (plan.caretLine && line == caret);
            ASSERT_TRUE(drawn) << "round " << round << " line " << line << " word " << std::hex << w;
        }
        ASSERT_GE(plan.firstLine, scroll);
        ASSERT_LE(plan.lastLine, scroll + window);
    }
}

TEST(RepaintWord, FullRepaintDrawsOneLineMoreThanVisible)
{
    RepaintPlan plan = PlanRepaint(RP_ALL, 10, 40, 0);
    EXPECT_EQ(plan.firstLine, 10);
    EXPECT_EQ(plan.lastLine, 50);
    EXPECT_TRUE(plan.sizeBox);
    plan = PlanRepaint(RP_CARET_LINE | RP_ONE_LINE | 12u, 10, 40, 12);
    EXPECT_EQ(plan.firstLine, 12);
    EXPECT_EQ(plan.lastLine, 12);
    EXPECT_FALSE(plan.caretLine);   // already in the run
    plan = PlanRepaint(RP_CARET_RIGHT, 10, 40, 15);
    EXPECT_TRUE(plan.caretRight);
    EXPECT_GT(plan.firstLine, plan.lastLine);
}

}  // namespace

namespace {

TEST(TextLayout, PackedCellsAreSigned)
{
    for (int c : { 0, 1, -1, 32767, -32768, 500 })
        for (int l : { 0, 7, -3, 32767, -32768 })
        {
            int column = 99, line = 99;
            UnpackCell(PackCell(c, l), &column, &line);
            ASSERT_EQ(column, c);
            ASSERT_EQ(line, l);
        }
    EXPECT_EQ(PackCell(-1, 2), 0x0002FFFFu);
}

TEST(TextLayout, ScrollBarAndWheel)
{
    EXPECT_EQ(ScrollBarTarget(SB_LINEDOWN, 10, 40, 0, 0, 100, true), 11);
    EXPECT_EQ(ScrollBarTarget(SB_PAGEUP, 100, 40, 0, 0, 1000, true), 61);
    EXPECT_EQ(ScrollBarTarget(SB_ENDSCROLL, 100, 40, 0, 0, 1000, true), 100);
    // With 40 000 lines the message's 16 bits are not enough: the 32-bit position is used,
    // so the thumb near the end reaches the last lines.
    CTextLayout layout(80, 40000 - 100);
    layout.SetBarMetrics(0, 0);
    layout.OnSize(800, 40 * 13);
    int target = ScrollBarTarget(SB_THUMBTRACK, 0, 40, 39990 & 0xFFFF, 39990, layout.LineCount(), true);
    EXPECT_EQ(target, 39990);
    layout.SetOriginRaw(0, target);
    layout.UpdateLayout(0);
    EXPECT_GE(layout.ScrollLine() + layout.WindowLines(), 40000);
    EXPECT_EQ(ScrollBarTarget(SB_THUMBTRACK, 0, 40, 300, 70000, 1000, true), 300);
}

}  // namespace

namespace {

TEST(TextLayout, CaretModeRepaints)
{
    CTextLayout layout(80, 0);
    EXPECT_EQ(layout.CaretMode(), 2u);
    layout.RepaintWord() = 0;
    EXPECT_EQ(layout.SetCaretMode(0), 2u);
    EXPECT_EQ(layout.RepaintWord(), RP_CARET);
    layout.RepaintWord() = 0;
    layout.SetCaretMode(3);   // newly shown
    EXPECT_EQ(layout.RepaintWord(), RP_ALL);
    layout.RepaintWord() = 0;
    EXPECT_EQ(layout.SetCaretMode(9), 3u);   // above 3: only re-created
    EXPECT_EQ(layout.CaretMode(), 3u);
}

}  // namespace
