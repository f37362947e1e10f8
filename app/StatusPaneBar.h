// The main frame's status bar with coloured panes. A coloured pane is an owner-drawn part
// (SBT_OWNERDRAW | SBT_POPOUT) whose 32-bit data points to a PaneColorRecord; the bar owns
// those records and frees one as soon as the control stops referring to it: when the part
// gets new text, when SB_SETPARTS drops the part, and when the window goes. The message
// pane (the menu and toolbar prompts) gets the room its text needs from the other panes.
#pragma once
#include "classlib/Afx.h"

#include <stdint.h>
#include <vector>

// Heap block: the colours, the text length and the text with its terminating zero.
struct PaneColorRecord {
    int32_t background;   // COLORREF; negative: the system's
    int32_t textColor;    // COLORREF; negative: the system's
    uint32_t length;
    char text[1];
};

// The draw type of the records this bar owns; other owner-drawn parts are not ours.
const UINT kColorPaneType = 0x1200;   // SBT_OWNERDRAW | SBT_POPOUT

PaneColorRecord* NewPaneColorRecord(const char* text, int32_t background, int32_t textColor);
void FreePaneColorRecord(PaneColorRecord* record);

class CStatusPaneBar : public CStatusBar {
    DECLARE_DYNAMIC(CStatusPaneBar)
public:
    CStatusPaneBar() noexcept;
    ~CStatusPaneBar() override;

    // The part's draw type (high word of SB_GETTEXTLENGTH); 0 without a window.
    UINT PartType(int part) const;
    // The record of a coloured part; null for every other part. The data word is read only
    // from a part of our own owner-drawn type: SB_GETTEXT on a plain part would copy its text
    // into whatever the pointer argument addresses.
    PaneColorRecord* PartRecord(int part) const;
    // Makes the part coloured with a new record; the old record, if any, goes.
    BOOL SetPartRecord(int part, PaneColorRecord* record);
    // Number of records alive in this process (for the checks of the tests).
    static int LiveRecordCount();
    // The width a part needs to show the text whole: the text in the bar's font and the room
    // the bar leaves around a pane's text. 0 for no text.
    int TextNeed(const char* text) const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FreeAllRecords();
    // A pane of fixed width too narrow for the text it is given grows to fit it.
    void WidenPaneToFit(int part, const char* text);
    // The part's text as the bar shows it: a coloured part's from its record.
    const char* PartText(int part) const;
    // The edges of SB_SETPARTS with room for the whole text of the message pane.
    std::vector<int> EdgesWithRoomForMessage(const int* edges, int count);

    // What the message pane's text needed when the parts were last set.
    int m_messageNeed = 0;
};
