// The pane bookkeeping behind the main frame's status-pane requests, without a window:
// request counts, pane indexes, character widths, base panes, groups and their handles.
#include <gtest/gtest.h>

#include "uihelpers/StatusPane.h"
#include "app/StatusPaneLayout.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A bar with the message pane only, as the frame creates it.
std::vector<StatusPaneSlot> MessagePaneOnly()
{
    StatusPaneSlot message;
    message.text = "Bereit";
    return {message};
}

std::vector<uint32_t> Ids(const std::vector<StatusPaneSlot>& panes)
{
    std::vector<uint32_t> ids;
    for (const StatusPaneSlot& slot : panes)
        ids.push_back(slot.id);
    return ids;
}

std::vector<int> Tags(const std::vector<StatusPaneSlot>& panes)
{
    std::vector<int> tags;
    for (const StatusPaneSlot& slot : panes)
        tags.push_back(slot.tag);
    return tags;
}

}  // namespace

TEST(StatusPaneRequest, CountsFollowTheIdsAndTheLimit)
{
    const uint32_t ids[] = {64, 0, 65};
    EXPECT_EQ(FixPaneRequestCount(nullptr, 5, 8), 0);
    EXPECT_EQ(FixPaneRequestCount(ids, -1, 8), 1);        // up to the first id 0
    EXPECT_EQ(FixPaneRequestCount(ids, 3, 8), 3);
    EXPECT_EQ(FixPaneRequestCount(ids, 3, 2), 2);
    const uint32_t many[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0};
    EXPECT_EQ(FixPaneRequestCount(many, -1, -1), 8);      // leading non-zero ids, at most 8
    EXPECT_EQ(FixPaneRequestCount(many, 10, 8), 8);
}

TEST(StatusPaneRequest, IndexesSkipTheMessagePaneOrCountFromTheEnd)
{
    EXPECT_EQ(MapPaneRequestIndex(0, 4), 1);
    EXPECT_EQ(MapPaneRequestIndex(2, 4), 3);
    EXPECT_EQ(MapPaneRequestIndex(3, 4), -1);
    EXPECT_EQ(MapPaneRequestIndex(-1, 4), 3);
    EXPECT_EQ(MapPaneRequestIndex(-2, 4), 2);
    EXPECT_EQ(MapPaneRequestIndex(-4, 4), 0);
    EXPECT_EQ(MapPaneRequestIndex(-5, 4), -1);
}

TEST(StatusPaneRequest, CharacterWidthsComeFromTheIconTitleFont)
{
    EXPECT_EQ(PaneCharacterFactor(false, 0, 0), -7);
    EXPECT_EQ(PaneCharacterFactor(true, 8, -13), -8);
    EXPECT_EQ(PaneCharacterFactor(true, 0, -12), -8);     // two thirds of the height
    EXPECT_EQ(PaneCharacterFactor(true, 0, 12), -8);
    EXPECT_EQ(PaneCharacterFactor(true, 0, 1), -7);       // 2/3 of 1 is 0: the default
    EXPECT_EQ(PaneCharacterFactor(true, 30, 0), -25);

    int32_t widths[] = {-20, 175, 0};
    ScalePaneWidths(widths, 3, PaneCharacterFactor(true, 8, 0));
    EXPECT_EQ(widths[0], 160);
    EXPECT_EQ(widths[1], 175);
    EXPECT_EQ(widths[2], 0);
    int32_t wide[] = {-4};
    ScalePaneWidths(wide, 1, PaneCharacterFactor(true, 30, 0));
    EXPECT_EQ(wide[0], 100);
}

TEST(StatusPaneLayout, BasePanesReplaceEachOtherAndKeepTheGroups)
{
    CStatusPaneLayout layout;
    const uint32_t base[] = {0, 0};
    const int32_t widths[] = {140, 161};
    std::vector<StatusPaneSlot> panes = layout.ReplaceBasePanes(MessagePaneOnly(), base, widths, 2);
    ASSERT_EQ(panes.size(), 3u);
    EXPECT_EQ(panes[0].text, "Bereit");
    EXPECT_EQ(panes[1].width, 140);
    EXPECT_EQ(panes[2].width, 161);
    EXPECT_EQ(Tags(panes), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(layout.BasePaneCount(), 2);
    EXPECT_EQ(layout.FirstGroupPane(), 3);

    const uint32_t group[] = {64, 65};
    int32_t handle = 0;
    panes = layout.InsertGroup(panes, group, nullptr, 2, &handle);
    ASSERT_EQ(panes.size(), 5u);
    EXPECT_EQ(Ids(panes), (std::vector<uint32_t>{0, 0, 0, 64, 65}));
    EXPECT_EQ(panes[3].width, CStatusPaneLayout::kDefaultWidth);
    panes[3].text = "(Img) Sektor 0 ";

    // One base pane now: the group moves up one place with its text and tag.
    const uint32_t one[] = {77};
    panes = layout.ReplaceBasePanes(panes, one, nullptr, 1);
    EXPECT_EQ(Ids(panes), (std::vector<uint32_t>{0, 77, 64, 65}));
    EXPECT_EQ(Tags(panes), (std::vector<int>{0, 1, PaneGroupTag(handle), PaneGroupTag(handle)}));
    EXPECT_EQ(panes[2].text, "(Img) Sektor 0 ");
    // The handle's index from the end still finds the group's first pane.
    EXPECT_EQ(MapPaneRequestIndex(PaneGroupFirstIndex(handle), static_cast<int>(panes.size())), 2);

    // No base panes: the group follows the message pane.
    panes = layout.ReplaceBasePanes(panes, nullptr, nullptr, 0);
    EXPECT_EQ(Ids(panes), (std::vector<uint32_t>{0, 64, 65}));
    EXPECT_EQ(layout.FirstGroupPane(), 1);
}

TEST(StatusPaneLayout, InsertionsStopAtTwentyFourPanesBesidesTheBase)
{
    CStatusPaneLayout layout;
    const uint32_t base[] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<StatusPaneSlot> panes = layout.ReplaceBasePanes(MessagePaneOnly(), base, nullptr, 8);
    std::vector<uint32_t> ids(40, 99);
    int32_t handle = 0;
    panes = layout.InsertGroup(panes, ids.data(), nullptr, 40, &handle);
    EXPECT_EQ(panes.size(), 32u);   // 8 base panes, the message pane and 23 group panes
    EXPECT_NE(handle, -1);
    const size_t before = panes.size();
    panes = layout.InsertGroup(panes, ids.data(), nullptr, 1, &handle);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(panes.size(), before);
}

TEST(StatusPaneLayout, TagsWrapAfter65535)
{
    CStatusPaneLayout layout;
    std::vector<StatusPaneSlot> panes = layout.ReplaceBasePanes(MessagePaneOnly(), nullptr, nullptr, 0);
    const uint32_t id[] = {64};
    int32_t handle = 0;
    for (int i = 2; i <= 65535; ++i) {
        panes = layout.InsertGroup(panes, id, nullptr, 1, &handle);
        panes = layout.RemoveGroup(panes, handle);
    }
    EXPECT_EQ(PaneGroupTag(handle), 65535);
    panes = layout.InsertGroup(panes, id, nullptr, 1, &handle);
    EXPECT_EQ(PaneGroupTag(handle), 2);
}

TEST(StatusPaneLayout, FewerThanTwoPanesForgetTheOldBookkeeping)
{
    CStatusPaneLayout layout;
    const uint32_t base[] = {5, 6};
    layout.ReplaceBasePanes(MessagePaneOnly(), base, nullptr, 2);
    ASSERT_EQ(layout.BasePaneCount(), 2);
    layout.ResetIfFewerThanTwo(2);
    EXPECT_EQ(layout.BasePaneCount(), 2);
    layout.ResetIfFewerThanTwo(1);
    EXPECT_EQ(layout.BasePaneCount(), 0);
    EXPECT_EQ(layout.FirstGroupPane(), 1);
    EXPECT_EQ(layout.NextTag(), 2);
    EXPECT_EQ(layout.TagAt(1), 0);
}

TEST(StatusPaneLayout, APartWiderTextTakesRoomFromTheOthersLastFirst)
{
    // Part widths and what their texts need; the parts are laid out `kGap` apart, the last
    // one to the end of the bar, and handed over as SB_SETPARTS edges.
    const int kGap = 2;
    struct Case {
        std::vector<int> widths, needs;
        int wide;
    };
    const Case cases[] = {
        {{178, 148, 175, 183, 200}, {60, 67, 175, 81, 75}, 0},      // fits already
        {{178, 148, 175, 183, 200}, {372, 67, 175, 81, 75}, 0},     // the last ones' spare room
        {{178, 148, 175, 183, 200}, {300, 67, 175, 81, 75}, 0},     // the last one's alone
        {{178, 148, 175, 183, 200}, {600, 67, 175, 81, 75}, 0},     // more than all spare room
        {{178, 148, 175, 183, 200}, {2000, 67, 175, 81, 75}, 0},    // more than the whole bar
        {{100, 150, 90}, {40, 400, 30}, 1},                         // a part in the middle
        {{120, 80, 90}, {300, 20}, 0},                              // the last part's need unknown
        {{120, 80}, {500, 20}, 5},                                  // no such part
    };
    for (const Case& c : cases) {
        const int count = static_cast<int>(c.widths.size());
        SCOPED_TRACE(testing::Message() << "need " << c.needs[0] << " / " << c.needs[1] << ", part " << c.wide);
        std::vector<int> edges;
        int right = -kGap;
        for (int width : c.widths) {
            right += kGap + width;
            edges.push_back(right);
        }
        const int barWidth = edges.back();
        edges.back() = -1;
        const std::vector<int> fitted = FitPartEdges(edges, c.needs, c.wide, barWidth, kGap);
        ASSERT_EQ(fitted.size(), edges.size());
        EXPECT_EQ(fitted.back(), -1);
        std::vector<int> widths;
        int left = 0;
        for (int edge : fitted) {
            const int end = edge < 0 ? barWidth : edge;
            widths.push_back(end - left);
            left = end + kGap;
        }

        auto need = [&](int part) { return part < static_cast<int>(c.needs.size()) ? c.needs[part] : c.widths[part]; };
        int total = 0;
        int spare = 0;   // what the others have beyond their texts
        for (int part = 0; part < count; ++part) {
            total += c.widths[part];
            if (part != c.wide && c.widths[part] > need(part))
                spare += c.widths[part] - need(part);
        }
        if (c.wide < 0 || c.wide >= count || need(c.wide) <= c.widths[c.wide]) {
            EXPECT_EQ(fitted, edges);
            continue;
        }
        const int wanted = need(c.wide) < total ? need(c.wide) : total;
        const int missing = wanted - c.widths[c.wide];
        int sum = 0;
        for (int part = 0; part < count; ++part) {
            sum += widths[part];
            EXPECT_GE(widths[part], 0) << part;
            if (part == c.wide)
                continue;
            EXPECT_LE(widths[part], c.widths[part]) << part;
            // While the spare room suffices, nobody gives up room its own text needs; when
            // it does not, everybody gives all the spare room and some more. Either way a
            // part gives only when every later one has given all it can.
            const int ownText = std::min(c.widths[part], need(part));
            const bool enough = spare >= missing;
            if (enough) {
                EXPECT_GE(widths[part], ownText) << part;
            } else {
                EXPECT_LE(widths[part], ownText) << part;
            }
            if (widths[part] >= (enough ? c.widths[part] : ownText))
                continue;
            for (int later = part + 1; later < count; ++later) {
                if (later == c.wide)
                    continue;
                EXPECT_EQ(widths[later], enough ? std::min(c.widths[later], need(later)) : 0)
                    << part << " gave before " << later;
            }
        }
        EXPECT_EQ(widths[c.wide], wanted);
        EXPECT_EQ(sum, total);
    }
}
