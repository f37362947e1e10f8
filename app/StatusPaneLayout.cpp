#include "app/StatusPaneLayout.h"

int FixPaneRequestCount(const uint32_t* ids, int count, int limit)
{
    if (!ids)
        return 0;
    if (count < 0) {
        count = 0;
        while (count < CStatusPaneLayout::kMaxBasePanes && ids[count] != 0)
            ++count;
    }
    if (limit >= 0 && count > limit)
        count = limit;
    return count;
}

int MapPaneRequestIndex(int index, int paneCount)
{
    int position = index >= 0 ? index + 1 : paneCount + index;
    if (position < 0 || position >= paneCount)
        return -1;
    return position;
}

int PaneCharacterFactor(bool haveFont, int fontWidth, int fontHeight)
{
    int factor = -7;
    if (haveFont) {
        if (fontWidth != 0)
            factor = fontWidth;
        else if (fontHeight * 2 / 3 != 0)
            factor = fontHeight * 2 / 3;
    }
    if (factor > 0)
        factor = -factor;
    if (factor < -25)
        factor = -25;
    return factor;
}

void ScalePaneWidths(int32_t* widths, int count, int factor)
{
    if (!widths)
        return;
    for (int i = 0; i < count; ++i)
        if (widths[i] < 0)
            widths[i] *= factor;
}

std::vector<int> WidenPartAtOthersCost(const std::vector<int>& widths, const std::vector<int>& needs,
                                       int wide)
{
    std::vector<int> result = widths;
    const int count = static_cast<int>(result.size());
    if (wide < 0 || wide >= count)
        return result;
    auto needOf = [&](int part) {
        return part < static_cast<int>(needs.size()) ? needs[static_cast<size_t>(part)]
                                                      : result[static_cast<size_t>(part)];
    };
    int missing = needOf(wide) - result[static_cast<size_t>(wide)];
    for (int round = 0; round < 2 && missing > 0; ++round) {
        for (int part = count - 1; part >= 0 && missing > 0; --part) {
            if (part == wide)
                continue;
            const int keep = round == 0 ? needOf(part) : 0;
            const int spare = result[static_cast<size_t>(part)] - (keep > 0 ? keep : 0);
            if (spare <= 0)
                continue;
            const int taken = spare < missing ? spare : missing;
            result[static_cast<size_t>(part)] -= taken;
            result[static_cast<size_t>(wide)] += taken;
            missing -= taken;
        }
    }
    return result;
}

std::vector<int> FitPartEdges(const std::vector<int>& edges, const std::vector<int>& needs, int wide,
                              int barWidth, int gap)
{
    std::vector<int> widths;
    int left = 0;
    for (int edge : edges) {
        const int right = edge < 0 ? barWidth : edge;
        widths.push_back(right > left ? right - left : 0);
        left = right + gap;
    }
    const std::vector<int> fitted = WidenPartAtOthersCost(widths, needs, wide);
    if (fitted == widths)
        return edges;
    std::vector<int> result;
    left = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        const int right = left + fitted[i];
        result.push_back(edges[i] < 0 ? edges[i] : right);
        left = right + gap;
    }
    return result;
}

int CStatusPaneLayout::TagAt(int position) const
{
    if (position < 0 || position >= kMaxPanes)
        return 0;
    return m_tags[position];
}

void CStatusPaneLayout::Reset()
{
    m_basePaneCount = 0;
    m_firstGroupPane = 1;
    m_nextTag = kFirstTag;
    for (int& tag : m_tags)
        tag = 0;
}

void CStatusPaneLayout::ResetIfFewerThanTwo(int paneCount)
{
    if (paneCount < 2)
        Reset();
}

void CStatusPaneLayout::TakeTags(const std::vector<StatusPaneSlot>& panes)
{
    for (int i = 0; i < kMaxPanes; ++i)
        m_tags[i] = i < static_cast<int>(panes.size()) ? panes[static_cast<size_t>(i)].tag : 0;
}

int CStatusPaneLayout::FirstGroupWithin(int paneCount) const
{
    // The bar may have lost panes behind our back (the frame rebuilt it); never walk past it.
    return m_firstGroupPane < paneCount ? m_firstGroupPane : paneCount;
}

std::vector<StatusPaneSlot> CStatusPaneLayout::ReplaceBasePanes(
    const std::vector<StatusPaneSlot>& current, const uint32_t* ids, const int32_t* widths,
    int count)
{
    const int paneCount = static_cast<int>(current.size());
    std::vector<StatusPaneSlot> panes;
    if (paneCount > 0) {
        panes.push_back(current[0]);
        panes.back().tag = 0;
    }
    for (int i = 0; i < count; ++i) {
        StatusPaneSlot slot;
        slot.id = ids[i];
        slot.width = widths ? widths[i] : kDefaultWidth;
        slot.tag = 1;
        panes.push_back(slot);
    }
    for (int i = FirstGroupWithin(paneCount); i < paneCount && panes.size() < kMaxPanes; ++i) {
        panes.push_back(current[static_cast<size_t>(i)]);
        panes.back().tag = TagAt(i);
    }
    m_basePaneCount = count;
    m_firstGroupPane = 1 + count;
    TakeTags(panes);
    return panes;
}

int CStatusPaneLayout::InsertLimit(int paneCount, int count) const
{
    if (count + paneCount - m_basePaneCount > kMaxOtherPanes)
        count = kMaxOtherPanes - (paneCount - m_basePaneCount);
    return count;
}

std::vector<StatusPaneSlot> CStatusPaneLayout::InsertGroup(
    const std::vector<StatusPaneSlot>& current, const uint32_t* ids, const int32_t* widths,
    int count, int32_t* handle)
{
    const int paneCount = static_cast<int>(current.size());
    count = InsertLimit(paneCount, count);
    if (count < 1) {
        *handle = -1;
        return current;
    }
    const int tag = m_nextTag;
    const int firstGroup = FirstGroupWithin(paneCount);
    std::vector<StatusPaneSlot> panes;
    for (int i = 0; i < firstGroup; ++i) {
        panes.push_back(current[static_cast<size_t>(i)]);
        panes.back().tag = TagAt(i);
    }
    for (int i = 0; i < count; ++i) {
        StatusPaneSlot slot;
        slot.id = ids[i];
        slot.width = widths ? widths[i] : kDefaultWidth;
        slot.tag = tag;
        panes.push_back(slot);
    }
    for (int i = firstGroup; i < paneCount; ++i) {
        panes.push_back(current[static_cast<size_t>(i)]);
        panes.back().tag = TagAt(i);
    }
    TakeTags(panes);
    const int fromEnd = firstGroup - static_cast<int>(panes.size());
    *handle = static_cast<int32_t>((static_cast<uint32_t>(fromEnd) << 16) | static_cast<uint32_t>(tag));
    m_nextTag = m_nextTag >= 65535 ? kFirstTag : m_nextTag + 1;
    return panes;
}

std::vector<StatusPaneSlot> CStatusPaneLayout::RemoveGroup(
    const std::vector<StatusPaneSlot>& current, int32_t handle)
{
    const int paneCount = static_cast<int>(current.size());
    const int tag = static_cast<int>(static_cast<uint32_t>(handle) & 0xFFFF);
    const int firstGroup = FirstGroupWithin(paneCount);
    std::vector<StatusPaneSlot> panes;
    for (int i = 0; i < paneCount; ++i) {
        if (i >= firstGroup && TagAt(i) == tag)
            continue;
        panes.push_back(current[static_cast<size_t>(i)]);
        panes.back().tag = TagAt(i);
    }
    TakeTags(panes);
    return panes;
}
