// The bookkeeping of the status bar's panes behind WM_STATUSPANE, without a window: which
// positions hold base panes, which group each later pane belongs to, and the pane lists the
// frame hands to its status bar after each request.
//
// Layout of the bar: pane 0 is the class library's message pane; positions 1 .. base count
// hold the base panes of the view with the focus; after them the groups, the newest first.
#pragma once
#include <stdint.h>
#include <string>
#include <vector>

struct StatusPaneSlot {
    uint32_t id = 0;
    uint32_t style = 0;
    int width = 0;        // pixels
    std::string text;
    int tag = 0;          // 0 the message pane, 1 a base pane, else the group's tag
};

// Count of a request: null ids mean none; a negative count means the leading non-zero ids,
// at most 8; the result never exceeds `limit` (when the limit is not negative).
int FixPaneRequestCount(const uint32_t* ids, int count, int limit);

// Position of pane `index` of a request in a bar of `paneCount` panes: index i >= 0 is
// pane i + 1 (the message pane is not addressed that way), a negative one counts from the
// end. -1 when the position does not exist.
int MapPaneRequestIndex(int index, int paneCount);

// Pixels per character (as a negative number) for widths given in characters: the
// icon-title font's width, else two thirds of its height, else 7; at most 25.
int PaneCharacterFactor(bool haveFont, int fontWidth, int fontHeight);

// Negative widths (characters) become pixels: each is multiplied by the negative factor.
void ScalePaneWidths(int32_t* widths, int count, int factor);

// Room for a text wider than its part, such as a menu item's prompt in the message pane: the
// widths of the bar's parts after part `wide` got its need, as far as the others can give it.
// The others give first what they have beyond their own needs, then, while the text still
// does not fit, the rest of their widths; the last part gives first each time. The sum of the
// widths stays. A part without an entry in `needs` needs all it has.
std::vector<int> WidenPartAtOthersCost(const std::vector<int>& widths, const std::vector<int>& needs,
                                       int wide);

// The same on the right edges of SB_SETPARTS, parts `gap` pixels apart in a bar `barWidth`
// wide; a negative edge (the bar's end) stays as it is. The edges come back unchanged when
// part `wide` fits already.
std::vector<int> FitPartEdges(const std::vector<int>& edges, const std::vector<int>& needs, int wide,
                              int barWidth, int gap);

class CStatusPaneLayout {
public:
    static constexpr int kMaxPanes = 32;
    static constexpr int kMaxBasePanes = 8;
    // Panes besides the base panes, the message pane included.
    static constexpr int kMaxOtherPanes = 24;
    static constexpr int kDefaultWidth = 50;
    static constexpr int kFirstTag = 2;

    CStatusPaneLayout() { Reset(); }

    int BasePaneCount() const { return m_basePaneCount; }
    int FirstGroupPane() const { return m_firstGroupPane; }
    int NextTag() const { return m_nextTag; }
    int TagAt(int position) const;

    // Whenever the bar has fewer than 2 panes nothing of the old bookkeeping can hold.
    void ResetIfFewerThanTwo(int paneCount);

    // `current` lists the bar's panes as they are (tags are taken from this object). Each
    // returns the new list; the caller shows it. `widths` are pixels already.
    std::vector<StatusPaneSlot> ReplaceBasePanes(const std::vector<StatusPaneSlot>& current,
                                                 const uint32_t* ids, const int32_t* widths,
                                                 int count);
    // The group goes in front of the older groups; `handle` gets its PaneGroupHandle.
    std::vector<StatusPaneSlot> InsertGroup(const std::vector<StatusPaneSlot>& current,
                                            const uint32_t* ids, const int32_t* widths,
                                            int count, int32_t* handle);
    std::vector<StatusPaneSlot> RemoveGroup(const std::vector<StatusPaneSlot>& current,
                                            int32_t handle);

    // How many panes a group request may still insert into a bar of `paneCount` panes.
    int InsertLimit(int paneCount, int count) const;

private:
    void Reset();
    void TakeTags(const std::vector<StatusPaneSlot>& panes);
    int FirstGroupWithin(int paneCount) const;

    int m_basePaneCount = 0;
    int m_firstGroupPane = 1;
    int m_nextTag = kFirstTag;
    int m_tags[kMaxPanes];
};
