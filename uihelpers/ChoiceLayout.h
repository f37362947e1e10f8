// The frame the choice dialogs share (the list and the tree-list choice dialogs): a list
// window over a bottom row of "OK" and "Abbrechen", measured from the dialog template when
// it opens, laid out again on every resize, never smaller than its minimum, reopened at the
// size it had when it last closed and at the last closing position of its dialog class.
#pragma once
#include <windows.h>

// The last closing position of one dialog class, kept for the run.
struct ChoicePlacement {
    POINT position;
    bool valid;
};

// The caption (an empty one keeps the template's) and the prompt line (an empty one is
// hidden) of a choice dialog.
void SetChoiceTexts(HWND dialog, LPCSTR caption, LPCSTR prompt, int promptId) noexcept;

class ChoiceLayout {
public:
    // Takes the margins of the list to the client edges, the size of "OK", the gap to
    // "Abbrechen" and the minimum size (the buttons' row plus 40 by the buttons plus 100).
    void Measure(HWND dialog, HWND list, bool cancelAllowed) noexcept;
    // An empty prompt line: the list starts 20 pixels higher.
    void ShiftForEmptyPrompt() noexcept;
    // Moves the dialog to the class's last position when that is on the screen, and gives
    // it the size it had when this object last closed, or the size the factors ask for (see
    // PopupSize.h, divisors 347 and 301), never below the minimum.
    void Place(HWND dialog, const ChoicePlacement& last, int widthFactor, int heightFactor) const noexcept;
    // The list inside its margins, the buttons centred on the bottom row ("OK" alone
    // without Cancel).
    void LayOut(HWND dialog, HWND list, int cx, int cy) const noexcept;
    // WM_SIZING: keeps the minimum size, moving the edge being dragged.
    void Sizing(WPARAM edge, RECT* rect) const noexcept;
    // Remembers this object's size and the class's last position.
    void Remember(HWND dialog, ChoicePlacement* last) noexcept;
    bool Measured() const noexcept { return buttonWidth > 0; }

    int marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
    int buttonWidth = 0, buttonHeight = 0, buttonGap = 0, buttonsToBottom = 0;
    int minWidth = 0, minHeight = 0;
    bool cancelAllowed = true;
    int rememberedWidth = 0, rememberedHeight = 0;
    bool remembered = false;
};
