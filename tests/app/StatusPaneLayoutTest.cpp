// The pane bookkeeping behind the main frame's status-pane requests, without a window:
// request counts, pane indexes, character widths, base panes, groups and their handles.
#include <gtest/gtest.h>

#include "uihelpers/StatusPane.h"
#include "app/StatusPaneLayout.h"

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
