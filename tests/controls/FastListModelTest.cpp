// The list's window-free parts: the item array and its indices against a plain vector, the
// sort with honest and lying comparisons, weight sharing, scrolling arithmetic and the
// type-ahead search with a clock of the test's own.
#include <gtest/gtest.h>
#include "controls/FastListModel.h"

#include <algorithm>
#include <random>

namespace {

// Items carry their own identity in the data word; the reference keeps the same order and
// the index holders as identities.
struct Reference {
    std::vector<DWORD> ids;
    DWORD focus = 0, anchor = 0, mark = 0, edit = 0;   // 0 = none
    int IndexOf(DWORD id) const
    {
        auto it = std::find(ids.begin(), ids.end(), id);
        return id && it != ids.end() ? static_cast<int>(it - ids.begin()) : -1;
    }
};

DWORD g_clockNow = 0;
DWORD TestClock()
{
    return g_clockNow;
}

}  // namespace

TEST(FastListModel, ItemsAndIndicesFollowInsertDeleteAndSortLikeAVector)
{
    std::mt19937 rng(4711);
    FastListItems items;
    ASSERT_TRUE(items.Init());
    FastListIndices index;
    Reference ref;
    DWORD next = 1;
    for (int step = 0; step < 4000; ++step) {
        const int count = items.Count();
        switch (rng() % 6) {
        case 0:
        case 1: {
            int pos = static_cast<int>(rng() % (count + 3)) - 1;   // past the count and negative too
            int n = 1 + static_cast<int>(rng() % 5);
            int at = items.InsertGap(pos, n);
            ASSERT_EQ(at, std::min(std::max(pos, 0), count));
            index.Inserted(at, n);
            for (int k = 0; k < n; ++k) {
                items[at + k].data = next;
                ref.ids.insert(ref.ids.begin() + at + k, next++);
            }
            break;
        }
        case 2: {
            if (!count)
                break;
            int first = static_cast<int>(rng() % count), n = 1 + static_cast<int>(rng() % 4);
            int end = std::min(first + n, count);
            index.Deleted(first, end - first);
            items.Erase(first, n);
            for (DWORD* id : {&ref.focus, &ref.anchor, &ref.mark, &ref.edit}) {
                int at = ref.IndexOf(*id);
                if (at >= first && at < end)
                    *id = 0;
            }
            ref.ids.erase(ref.ids.begin() + first, ref.ids.begin() + end);
            break;
        }
        case 3:
            if (count) {
                int i = static_cast<int>(rng() % count);
                int which = static_cast<int>(rng() % 4);
                (which == 0 ? index.focus : which == 1 ? index.anchor : which == 2 ? index.mark : index.edit) = i;
                (which == 0 ? ref.focus : which == 1 ? ref.anchor : which == 2 ? ref.mark : ref.edit) = ref.ids[i];
            }
            break;
        default: {
            // Honest half the time, else a comparison that contradicts itself.
            const bool honest = rng() % 2 == 0;
            std::mt19937 noise(rng());
            std::vector<int> moved;
            SortFastListItems(items.Data(), items.Count(), [&](DWORD a, DWORD b) {
                if (!honest)
                    return static_cast<int>(noise() % 3) - 1;
                return (a % 7 != b % 7) ? static_cast<int>(a % 7) - static_cast<int>(b % 7) : (a < b ? -1 : a > b);
            }, &moved);
            index.Sorted(moved);
            std::vector<DWORD> sorted;
            for (int i = 0; i < items.Count(); ++i)
                sorted.push_back(items[i].data);
            std::vector<DWORD> before = ref.ids;
            std::sort(before.begin(), before.end());
            std::vector<DWORD> after = sorted;
            std::sort(after.begin(), after.end());
            ASSERT_EQ(after, before);   // a permutation, whatever the comparison said
            if (honest) {
                ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](DWORD a, DWORD b) {
                    return a % 7 != b % 7 ? a % 7 < b % 7 : a < b;
                }));
            }
            ref.ids = sorted;
            break;
        }
        }
        ASSERT_EQ(items.Count(), static_cast<int>(ref.ids.size()));
        for (int i = 0; i < items.Count(); ++i)
            ASSERT_EQ(items[i].data, ref.ids[i]) << "step " << step;
        ASSERT_EQ(index.focus, ref.IndexOf(ref.focus)) << "step " << step;
        ASSERT_EQ(index.anchor, ref.IndexOf(ref.anchor));
        ASSERT_EQ(index.mark, ref.IndexOf(ref.mark));
        ASSERT_EQ(index.edit, ref.IndexOf(ref.edit)) << "the edited record, step " << step;
        ASSERT_GE(items.Capacity(), items.Count());
    }
}

TEST(FastListModel, WeightsShareEveryPixelAndOneToOneGrowingByThreeGivesTwoAndOne)
{
    EXPECT_EQ(DistributeByWeight({1, 1}, 3, 0), (std::vector<int>{2, 1}));
    std::mt19937 rng(3);
    for (int round = 0; round < 5000; ++round) {
        std::vector<int> weights(1 + rng() % 6);
        for (int& w : weights)
            w = 1 + static_cast<int>(rng() % 255);
        const int d = static_cast<int>(rng() % 4001) - 2000;
        std::vector<int> shares = DistributeByWeight(weights, d, static_cast<int>(rng() % 3000));
        int sum = 0;
        long long total = 0;
        for (int w : weights)
            total += w;
        for (size_t i = 0; i < shares.size(); ++i) {
            sum += shares[i];
            // Each share is within one pixel of its exact part.
            const double exact = static_cast<double>(d) * weights[i] / total;
            ASSERT_LE(std::abs(shares[i] - exact), 1.0 + 1e-9);
        }
        ASSERT_EQ(sum, d);
    }
    FastListColumns columns;
    for (int weight : {1, 1, 0}) {
        FastListColumn c;
        c.weight = weight;
        c.shown = weight ? 0 : 50;
        columns.Insert(columns.Count(), c);
    }
    for (int width : {50, 300, 301, 302, 303, 250, 999, 120}) {
        columns.Stretch(width);
        EXPECT_EQ(columns[0].shown + columns[1].shown, width - 50);
        EXPECT_EQ(columns.TotalWidth(), width);
    }
}

TEST(FastListModel, ScrollArithmeticKeepsTheItemOnThePage)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        FastListPage page;
        page.count = static_cast<int>(rng() % 200);
        page.wholeRows = static_cast<int>(rng() % 30);
        page.partialRows = page.wholeRows + static_cast<int>(rng() % 2);
        page.top = ClampTopRow(static_cast<int>(rng() % 250) - 20, page);
        ASSERT_GE(page.top, 0);
        ASSERT_LE(page.top, std::max(0, page.count - page.wholeRows + 1));
        if (!page.count || page.wholeRows < 1)
            continue;
        const int item = static_cast<int>(rng() % page.count);
        const int top = EnsureVisibleTop(item, 0, page);
        ASSERT_LE(top, item);
        ASSERT_GT(top + page.wholeRows, item) << "item " << item << " page " << page.wholeRows;
        // An item already on the page moves nothing.
        if (item >= page.top && item < page.top + page.wholeRows) {
            ASSERT_EQ(top, page.top);
        }
        ASSERT_EQ(EnsureVisibleTop(item, -2, page), ClampTopRow(item, page));
    }
    EXPECT_EQ(WheelRows(120, 0), 2);
    EXPECT_EQ(WheelRows(120, MK_SHIFT), 6);
    EXPECT_EQ(WheelRows(120, MK_CONTROL), 18);
    EXPECT_EQ(WheelRows(59, 0), 0);
    EXPECT_EQ(WheelRows(-120, 0), -2);
    EXPECT_EQ(ClampRowHeight(7, false), 6);
    EXPECT_EQ(ClampRowHeight(300, false), 256);
    EXPECT_EQ(ClampRowHeight(7, true), 7);
}

TEST(FastListModel, TypeAheadCyclesWaitsByPrefixLengthAndBelongsToOneList)
{
    FastListTypeAhead::SetClock(&TestClock);
    FastListTypeAhead& ta = FastListTypeAhead::Shared();
    ta.Reset();
    const std::vector<std::string> names = {"Apfel", "birne", "Banane", "Brot", "Dattel", "\xE4rger"};
    auto text = [&](int i) { return names[i]; };
    HWND a = reinterpret_cast<HWND>(0x100), b = reinterpret_cast<HWND>(0x200);
    g_clockNow = 10000;
    EXPECT_EQ(ta.Type(a, 'b', 0, 6, text), 1);
    g_clockNow += 700;   // within 750 ms of a one-character prefix
    EXPECT_EQ(ta.Type(a, 'b', 1, 6, text), 2);
    g_clockNow += 700;
    EXPECT_EQ(ta.Type(a, 'b', 2, 6, text), 3);
    EXPECT_EQ(ta.Prefix(), "BBB");
    g_clockNow += 751;
    EXPECT_EQ(ta.Prefix(), "");
    // A new prefix after a pause; "BR" matches whole.
    g_clockNow += 2000;
    EXPECT_EQ(ta.Type(a, 'B', 0, 6, text), 1);
    g_clockNow += 100;
    EXPECT_EQ(ta.Type(a, 'r', 1, 6, text), 3);
    // Continued in another list, the prefix starts anew there.
    g_clockNow += 100;
    EXPECT_EQ(ta.Type(b, 'd', 0, 6, text), 4);
    EXPECT_EQ(ta.Prefix(), "D");
    // Upper case of 0xE0..0xFE.
    g_clockNow += 5000;
    EXPECT_EQ(ta.Type(b, static_cast<unsigned char>(0xC4), 0, 6, text), 5);
    // A start past a list that shrank meanwhile: the search still ends.
    g_clockNow += 5000;
    EXPECT_EQ(ta.Type(a, 'x', 5, 6, text), -1);
    g_clockNow += 100;
    EXPECT_EQ(ta.Type(a, 'x', 5, 2, text), -1);
    g_clockNow += 100;
    EXPECT_EQ(ta.Type(a, 'a', 1, 1, text), -1);
    FastListTypeAhead::SetClock(nullptr);
    ta.Reset();
}

TEST(FastListModel, NextItemOwnCodes)
{
    FastListItem items[6] = {};
    items[2].state = LVIS_SELECTED;
    items[4].state = LVIS_CUT;
    FastListState s;
    s.items = items;
    s.count = 6;
    s.top = 1;
    s.wholeRows = 3;
    s.selected = 1;
    s.index.focus = 2;
    s.index.hot = 5;
    EXPECT_EQ(NextFastListItem(s, -1, 0), 0);
    EXPECT_EQ(NextFastListItem(s, 5, 0), -1);
    EXPECT_EQ(NextFastListItem(s, -1, LVNI_SELECTED), 2);
    EXPECT_EQ(NextFastListItem(s, 2, LVNI_SELECTED), -1);
    EXPECT_EQ(NextFastListItem(s, -1, LVNI_CUT), 4);
    EXPECT_EQ(NextFastListItem(s, 0, 0x102), 2);   // no mark: the focus
    EXPECT_EQ(NextFastListItem(s, 4, 0x105), 4);
    EXPECT_EQ(NextFastListItem(s, 5, 0x105), -1);
    EXPECT_EQ(NextFastListItem(s, 0, 0x107), 4);
    EXPECT_EQ(NextFastListItem(s, 0, 0x109), 5);
    EXPECT_EQ(NextFastListItem(s, 0, 0x10A), 1);
    EXPECT_EQ(NextFastListItem(s, 0, 0x400), -1);
    s.selected = 0;
    EXPECT_EQ(NextFastListItem(s, -1, LVNI_SELECTED), -1);
}

TEST(FastListModel, NextItemPageCodesCountFromAfterTheTopRow)
{
    // Top row 1 and 3 whole rows: the page of 0x105/0x106 is rows 2 to 4; a start on the
    // top row itself is not on it.
    struct Case { int start; UINT code; int focus; int expected; } cases[] = {
        {1, 0x105, 2, -1}, {2, 0x105, 2, 2}, {4, 0x105, 2, 4}, {5, 0x105, 2, -1},
        {2, 0x106, 2, -1}, {3, 0x106, 2, 2}, {5, 0x106, 2, 4},
        // one selected item (2) while the focus sits elsewhere: the scan finds it
        {-1, LVNI_SELECTED, 3, 2}, {2, LVNI_SELECTED, 3, -1},
    };
    for (const Case& c : cases) {
        FastListItem items[6] = {};
        items[2].state = LVIS_SELECTED;
        FastListState s;
        s.items = items;
        s.count = 6;
        s.top = 1;
        s.wholeRows = 3;
        s.selected = 1;
        s.index.focus = c.focus;
        EXPECT_EQ(NextFastListItem(s, c.start, c.code), c.expected) << c.start << " " << std::hex << c.code;
    }
}

TEST(FastListModel, ColourDefaultsComeFromTheSystemColoursAndSpareTheOwners)
{
    // Each channel on its own: 7/8 of one plus 1/8 of the other, 3/4 plus 1/4, and the
    // darkening that spares a channel whose high nibble is 0.
    auto mix = [](COLORREF a, COLORREF b, int shift) {
        auto ch = [&](int s) {
            const int x = (a >> s) & 0xFF, y = (b >> s) & 0xFF;
            return (x - (x >> shift) + (y >> shift)) << s;
        };
        return static_cast<COLORREF>(ch(0) | ch(8) | ch(16));
    };
    auto darken = [](COLORREF c) {
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        return RGB(r >= 16 ? r - 11 : r, g >= 16 ? g - 11 : g, b >= 16 ? b - 15 : b);
    };
    const FastListSysColours sys = {RGB(250, 240, 8), RGB(255, 255, 225), RGB(212, 208, 200), RGB(1, 2, 3),
                                    RGB(10, 36, 106), RGB(200, 200, 200)};
    bool owner[13] = {};
    COLORREF t[13] = {};
    ComputeFastListColours(sys, owner, t);
    const COLORREF expected[13] = {sys.window, sys.infoBk, sys.window, sys.btnFace, sys.windowText,
                                   RGB(1, 2, 3 ^ 0xFF), mix(sys.infoBk, sys.highlight, 3),
                                   mix(sys.window, sys.highlight, 3), darken(sys.window), darken(sys.infoBk),
                                   darken(sys.window), mix(sys.window, sys.scrollbar, 2),
                                   mix(sys.btnFace, sys.highlight, 2)};
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(t[i], expected[i]) << "entry " << i;
    EXPECT_EQ(darken(sys.window), RGB(239, 229, 8));
    // An alternate colour too near the background: the background with blue lowered by 8.
    FastListSysColours similar = sys;
    similar.infoBk = RGB(250, 243, 10);
    ComputeFastListColours(similar, owner, t);
    EXPECT_EQ(t[1], RGB(250, 240, 0));
    // Entries the owner set stay as they are; the others follow.
    owner[4] = owner[6] = true;
    t[4] = RGB(9, 9, 9);
    t[6] = RGB(7, 7, 7);
    ComputeFastListColours(sys, owner, t);
    EXPECT_EQ(t[4], RGB(9, 9, 9));
    EXPECT_EQ(t[6], RGB(7, 7, 7));
    EXPECT_EQ(t[1], sys.infoBk);
}
