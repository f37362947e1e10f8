// Deleting a selection that starts right of its line's text (free caret) and pasting short
// copy slots: the text that moves up keeps the caret's column, and undo and redo restore
// both states.
#include "tests/editor/EditorTestSupport.h"

using namespace edittest;

namespace {

class TextEditSelection : public EditorTest
{
};

}  // namespace

TEST_F(TextEditSelection, MultiLineDeleteRightOfTheTextRefillsTheGap)
{
    CTextEdit edit(2048, 50000, 0, "SelectionTest");
    edit.InsertString("ab\ncdef\ngh", 0, TE_LINE_APPEND, 0);
    ASSERT_NE(EditOptions & EO_FREE_CARET, 0u);
    edit.SetCursorPos(5, 0);
    edit.SetCursorPos(2, 1, MCF_EXTEND);
    ASSERT_EQ(edit.HasSelection(), 2);
    ASSERT_EQ(edit.DeleteSelection(0), 1);
    // Column 2 to 5: a TAB to the stop at 4 and one blank, then the rest of "cdef".
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab\t ef", "gh" }));
    EXPECT_EQ(edit.GetCursorPos().x, 5);
    EXPECT_EQ(edit.GetCursorPos().y, 0);
    EXPECT_EQ(edit.HasSelection(), 0);
    EXPECT_EQ(edit.Undo(-1), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab", "cdef", "gh" }));
    EXPECT_EQ(edit.Undo(1), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab\t ef", "gh" }));
    EXPECT_EQ(edit.Undo(-1), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab", "cdef", "gh" }));
}

TEST_F(TextEditSelection, GapUpToATabStopIsOneTabAndInsideTheTextNoGap)
{
    CTextEdit edit(2048, 50000, 0, "SelectionTest");
    edit.InsertString("ab\ncdef\ngh", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(4, 0);
    edit.SetCursorPos(1, 2, MCF_EXTEND);
    ASSERT_EQ(edit.DeleteSelection(0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab\th" }));
    EXPECT_EQ(edit.GetCursorPos().x, 4);
    EXPECT_EQ(edit.Undo(-1), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab", "cdef", "gh" }));

    // Starting inside the text: joined as it stands.
    edit.SetCursorPos(1, 0);
    edit.SetCursorPos(1, 1, MCF_EXTEND);
    ASSERT_EQ(edit.DeleteSelection(0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "adef", "gh" }));
    EXPECT_EQ(edit.GetCursorPos().x, 1);

    // Without the free caret the caret cannot stand right of the text: no gap either.
    EditOptions &= ~EO_FREE_CARET;
    edit.SetCursorPos(9, 0);
    edit.SetCursorPos(1, 1, MCF_EXTEND);
    ASSERT_EQ(edit.DeleteSelection(0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "adefh" }));
}

TEST_F(TextEditSelection, CopySlotPastesFromTwoBytesOn)
{
    CTextEdit edit(2048, 50000, 0, "SelectionTest");
    edit.InsertString("xyz", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(1, 0);
    edit.SetCursorPos(2, 0, MCF_EXTEND);
    ASSERT_EQ(edit.CopySelection(7), 1);
    edit.SetCursorPos(3, 0);
    // One byte is too little for a slot to paste.
    EXPECT_EQ(edit.Paste(7), 0);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "xyz" }));
    edit.SetCursorPos(1, 0);
    edit.SetCursorPos(3, 0, MCF_EXTEND);
    ASSERT_EQ(edit.CopySelection(7), 2);
    edit.SetCursorPos(3, 0);
    EXPECT_EQ(edit.Paste(7), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "xyzyz" }));
    // An empty slot pastes nothing.
    EXPECT_EQ(edit.Paste(8), 0);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "xyzyz" }));
    EditOptions &= ~EO_CHANGED;
}
