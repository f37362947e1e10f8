// The editor against positions far outside the text, over-long joins and insertions, a full
// line table, and random edits at such places: nothing crashes, no line grows past its
// limit, no old text is lost, and undo and redo take every edit back and forth exactly.
#include "tests/editor/EditorTestSupport.h"

#include <limits.h>
#include <random>

using namespace edittest;

namespace {

class TextEditRobustness : public EditorTest
{
};

// Undo until nothing is left, then redo until nothing is left; the texts after each.
void UndoRedoAll(CTextEdit& edit, std::vector<std::string>* undone, std::vector<std::string>* redone)
{
    for (int guard = 0; guard < 400 && edit.Undo(-1) > 0; ++guard)
    {
    }
    *undone = Lines(edit);
    for (int guard = 0; guard < 400 && edit.Undo(1) > 0; ++guard)
    {
    }
    *redone = Lines(edit);
}

}  // namespace

TEST_F(TextEditRobustness, PositionsFarOutsideTheTextAreClampedOrRefused)
{
    const int values[] = { INT_MIN, -1, 0, 2, 5, 100000, INT_MAX };
    for (int a : values)
        for (int b : values)
            for (int c : values)
                for (int d : values)
                {
                    // Read-only, as the disk view's pane: the access functions still work.
                    CTextEdit edit(64, 100, 1, "Robust");
                    edit.AppendText("ab\tc\n\tdef\nxyz\n");
                    const std::vector<std::string> before = Lines(edit);
                    char* out = nullptr;
                    EXPECT_GE(edit.GetTextRange(&out, a, b, c, d, 0), 0);
                    free(out);
                    int done = edit.DeleteText(a, b, c, d, 0);
                    // A range wholly above the first line is empty: line 0 keeps its text.
                    if (b < 0 && d < 0)
                    {
                        EXPECT_EQ(done, 0) << a << "," << b << " " << c << "," << d;
                        EXPECT_EQ(Lines(edit), before) << a << "," << b << " " << c << "," << d;
                    }
                    edit.SetCursorPos(a, b);
                    edit.MoveCursor(c, d, MCF_RELATIVE);
                    edit.MoveCursor(c, d, MCF_EXTEND);
                    EXPECT_GE(edit.Layout().CaretLine(), 0);
                    EXPECT_LE(edit.Layout().CaretLine(), edit.GetLineCount());
                    EXPECT_GE(edit.Layout().CaretColumn(), 0);
                    EXPECT_LE(edit.Layout().CaretColumn(), 64);
                    edit.IsInSelection(a, b);
                    edit.GetWordAt(a, b, 0);
                    edit.SelectWordAt(c, d);
                    EXPECT_GE(edit.InsertText("q\r\nr", a, b, 0, 4), -1);
                    edit.SetLineText("s", b, 1, 0);
                    for (const std::string& line : Lines(edit))
                        ASSERT_LE(line.size(), 64u);
                }
}

TEST_F(TextEditRobustness, DeletingFromRightOfAnEmptyLastLineUndoesExactly)
{
    // Free caret: a selection that starts right of an empty line's end and runs past the
    // last line takes the line, so there is nothing to fill up to the caret column.
    EditOptions = 0x1849;
    CTextEdit edit(64, 100, 0, "Robust");
    edit.AppendText("ab\tc\n\n");
    edit.ClearUndo();
    edit.SetCursorPos(1, 1);
    edit.MoveCursor(0, 2, MCF_EXTEND);
    ASSERT_EQ(edit.GetSelectionMode(), 2);
    ASSERT_EQ(edit.InsertChar('z', 1), 1);
    const std::vector<std::string> typed = Lines(edit);
    ASSERT_EQ(typed.size(), 2u);
    EXPECT_EQ(typed[0], "ab\tc");
    EXPECT_EQ(typed[1].back(), 'z');
    std::vector<std::string> undone, redone;
    UndoRedoAll(edit, &undone, &redone);
    EXPECT_EQ(undone, (std::vector<std::string>{ "ab\tc", "" }));
    EXPECT_EQ(redone, typed);
}

TEST_F(TextEditRobustness, WrappingInsertKeepsTheOldTailWholeAndUndoesExactly)
{
    CTextEdit edit(16, 100, 0, "Robust");
    edit.AppendText("abcdefghijklmnop\n");
    edit.ClearUndo();
    edit.SetCursorPos(4, 0);
    edit.InsertAtCaret("XY", 0);
    // Head and new text, then the old tail on a line of its own: the line cannot hold all.
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "abcdXY", "efghijklmnop" }));
    std::vector<std::string> undone, redone;
    UndoRedoAll(edit, &undone, &redone);
    EXPECT_EQ(undone, std::vector<std::string>{ "abcdefghijklmnop" });
    EXPECT_EQ(redone, (std::vector<std::string>{ "abcdXY", "efghijklmnop" }));

    // A long new text wraps inside itself, never inside the old head.
    CTextEdit wide(16, 100, 0, "Robust");
    wide.AppendText("aaaa bbbb cccc\n");
    wide.ClearUndo();
    wide.SetCursorPos(14, 0);
    wide.InsertAtCaret("0123456789", 0);
    std::vector<std::string> lines = Lines(wide);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "aaaa bbbb cccc01");
    EXPECT_EQ(lines[1], "23456789");
    UndoRedoAll(wide, &undone, &redone);
    EXPECT_EQ(undone, std::vector<std::string>{ "aaaa bbbb cccc" });
    EXPECT_EQ(redone, lines);
}

TEST_F(TextEditRobustness, OverlongJoinIsRefusedWithTheSelectionKept)
{
    CTextEdit edit(16, 100, 0, "Robust");
    edit.AppendText("aaaaaaaaaaaa\nbbbbbbbbbbbb\n");
    edit.ClearUndo();
    const std::vector<std::string> before = Lines(edit);
    // 10 bytes of the first line and 11 of the second would make a line of 21.
    edit.SetCursorPos(10, 0);
    edit.MoveCursor(1, 1, MCF_EXTEND);
    const int beeps = g_beeps;
    EXPECT_EQ(edit.DeleteSelection(0), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
    EXPECT_EQ(Lines(edit), before);
    EXPECT_EQ(edit.GetSelectionMode(), 2);
    // Typing over it changes nothing either, and leaves nothing to undo.
    EXPECT_EQ(edit.InsertChar('x', 1), 0);
    EXPECT_EQ(Lines(edit), before);
    EXPECT_FALSE(edit.CanUndo());
    // A join that fits is done.
    edit.SetCursorPos(2, 0);
    edit.MoveCursor(2, 1, MCF_EXTEND);
    EXPECT_EQ(edit.DeleteSelection(0), 1);
    EXPECT_EQ(Lines(edit), std::vector<std::string>{ "aabbbbbbbbbb" });
}

TEST_F(TextEditRobustness, FullTableKeepsTheOldTailAndUndoesWhatWentIn)
{
    CTextEdit edit(64, 3, 0, "Robust");
    edit.AppendText("abc\n");
    edit.ClearUndo();
    edit.SetCursorPos(1, 0);
    const int beeps = g_beeps;
    EXPECT_EQ(edit.InsertText("1\r\n2\r\n3\r\n4", 0, 0, TIF_AT_CARET | TIF_JOURNAL | TIF_COMMIT, 10), -1);
    EXPECT_GT(g_beeps, beeps);
    const std::vector<std::string> lines = Lines(edit);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "a1");
    EXPECT_EQ(lines[1], "2");
    // The table is full: the tail "bc" is joined to the last line that went in.
    EXPECT_EQ(lines[2], "3bc");
    std::vector<std::string> undone, redone;
    UndoRedoAll(edit, &undone, &redone);
    EXPECT_EQ(undone, std::vector<std::string>{ "abc" });
}

TEST_F(TextEditRobustness, EditsAtCaretsFarOutsideTheTextUndoAndRedoExactly)
{
    const int values[] = { -1, 0, 3, 100000 };
    const int keys[] = { 'a', 9, 8, 7, 13 };
    for (uint32_t options : { 0x1849u, 0x184Bu })
        for (int a : values)
            for (int b : values)
                for (int c : values)
                    for (int d : values)
                        for (int key : keys)
                        {
                            EditOptions = options;
                            CTextEdit edit(64, 100, 0, "Robust");
                            edit.AppendText("ab\tc\n\tdef\n  xyz\n");
                            edit.ClearUndo();
                            const std::vector<std::string> before = Lines(edit);
                            edit.SetCursorPos(a, b);
                            edit.MoveCursor(c, d, MCF_EXTEND);
                            edit.InsertChar(key, 1);
                            edit.SetCursorPos(c, d);
                            edit.MoveCursor(a, b, MCF_EXTEND);
                            if (key == 9)
                                edit.IndentBlock(a & 1);
                            else
                                edit.InsertChar('z', 1);
                            const std::vector<std::string> after = Lines(edit);
                            std::vector<std::string> undone, redone;
                            UndoRedoAll(edit, &undone, &redone);
                            ASSERT_EQ(undone, before) << options << " " << a << "," << b << " " << c << "," << d
                                                      << " key " << key;
                            ASSERT_EQ(redone, after) << options << " " << a << "," << b << " " << c << "," << d
                                                     << " key " << key;
                        }
}

TEST_F(TextEditRobustness, RandomEditsAtOddPlacesUndoAndRedoExactly)
{
    std::mt19937 rng(1234);
    const uint32_t options[] = { 0x1849u, 0x1848u, 0x184Bu, 0x184Fu, 0x184Du, 0x1840u };
    const char* texts[] = { "ab\tc\n\tdef\n  xyz\n", "", "x", "\t\t\n\n\n  a  \n",
                            "0123456789012345678901234567890123456789012345678901234567890\nq" };
    const int typed[] = { 'a', ' ', 9, 8, 7, 13, '_' };
    for (int round = 0; round < 2500; ++round)
    {
        EditOptions = options[rng() % 6];
        const int tabWidths[] = { 1, 3, 4, 8, 32 };
        TabWidth = tabWidths[rng() % 5];
        // A short table and lines, so that wrapping and a full table come up often; the copy
        // slots carry over from round to round through the settings.
        CTextEdit edit(64, 12, 0, "Robust");
        edit.AppendText(texts[rng() % 5]);
        edit.ClearUndo();
        const std::vector<std::string> before = Lines(edit);
        std::string log;
        auto place = [&]() {
            int r = static_cast<int>(rng() % 10);
            return r < 7 ? static_cast<int>(rng() % 8) : r == 7 ? -3 : r == 8 ? 70 : 1000;
        };
        for (int step = 0; step < 8; ++step)
        {
            int op = static_cast<int>(rng() % 10);
            int a = place();
            int b = place();
            log += std::to_string(op) + "(" + std::to_string(a) + "," + std::to_string(b) + ") ";
            switch (op)
            {
            case 0: edit.SetCursorPos(a, b); break;
            case 1: edit.MoveCursor(a, b, MCF_EXTEND); break;
            case 2: edit.InsertChar(typed[rng() % 7], 1); break;
            case 3: edit.CopySelection(1); break;
            case 4: edit.Paste(1); break;
            case 5: edit.CutSelection(2); break;
            case 6: edit.Paste(2); break;
            case 7: edit.IndentBlock(a & 1); break;
            case 8: edit.DeleteSelection(0); break;
            default: edit.MoveCursor(a - 4, b - 4, MCF_RELATIVE | ((a & 1) ? MCF_EXTEND : 0u)); break;
            }
            for (const std::string& line : Lines(edit))
                ASSERT_LE(line.size(), 64u) << log;
            ASSERT_LE(edit.GetLineCount(), 12) << log;
        }
        const std::vector<std::string> after = Lines(edit);
        std::vector<std::string> undone, redone;
        UndoRedoAll(edit, &undone, &redone);
        ASSERT_EQ(undone, before) << "options " << EditOptions << " round " << round << ": " << log;
        ASSERT_EQ(redone, after) << "options " << EditOptions << " round " << round << ": " << log;
    }
}

TEST_F(TextEditRobustness, CharacterThatChangesNothingAfterTheLastLineOpensNoLine)
{
    EditOptions = 0x1849;   // free caret
    CTextEdit edit(64, 3, 0, "Robust");
    edit.AppendText("abc\n");
    edit.ClearUndo();
    // A TAB after the last line only moves the free caret: no line, no journal entry.
    edit.SetCursorPos(0, 1);
    EXPECT_EQ(edit.InsertChar(9, 1), 1);
    EXPECT_EQ(Lines(edit), std::vector<std::string>{ "abc" });
    EXPECT_FALSE(edit.CanUndo());
    EXPECT_EQ(edit.Layout().CaretLine(), 1);
    EXPECT_EQ(edit.Layout().CaretColumn(), 4);
    EXPECT_EQ(edit.IsModified(), 0);
    // Enter there with room for one more line only: refused, and again nothing is left.
    edit.AppendText("def\n");
    edit.ClearUndo();
    edit.SetCursorPos(0, 2);
    const int beeps = g_beeps;
    EXPECT_EQ(edit.InsertChar(13, 1), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "abc", "def" }));
    EXPECT_FALSE(edit.CanUndo());
    // A character that does go in opens the line, and one undo step takes both back.
    EXPECT_EQ(edit.InsertChar('x', 1), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "abc", "def", "x" }));
    EXPECT_EQ(edit.Undo(-1), 2);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "abc", "def" }));
    EXPECT_FALSE(edit.CanUndo());
}
