// The editor without a window: random edits against a plain list of strings, undo and
// redo over whole sessions, the journal's capacity, and the edge cases of typing.
#include "tests/editor/EditorTestSupport.h"

#include <random>

using namespace edittest;

namespace {

class CModelRun
{
public:
    CModelRun(CTextEdit& edit, std::mt19937& random) : m_edit(edit), m_random(random) {}

    std::vector<std::string> ref;

    int Pick(int n) { return n <= 0 ? 0 : static_cast<int>(m_random() % static_cast<unsigned>(n)); }

    // A random byte position of the reference; the editor's caret goes there.
    void Place(size_t* line, size_t* index)
    {
        *line = static_cast<size_t>(Pick(static_cast<int>(ref.size())));
        *index = static_cast<size_t>(Pick(static_cast<int>(ref[*line].size()) + 1));
        m_edit.SetCursorPos(RefColumn(ref[*line], *index), static_cast<int>(*line));
    }
    void Select(size_t* l1, size_t* i1, size_t* l2, size_t* i2)
    {
        Place(l1, i1);
        size_t bl = static_cast<size_t>(Pick(static_cast<int>(ref.size())));
        size_t bi = static_cast<size_t>(Pick(static_cast<int>(ref[bl].size()) + 1));
        m_edit.SetCursorPos(RefColumn(ref[bl], bi), static_cast<int>(bl), MCF_EXTEND);
        *l2 = bl;
        *i2 = bi;
        if (*l2 < *l1 || (*l2 == *l1 && *i2 < *i1))
        {
            std::swap(*l1, *l2);
            std::swap(*i1, *i2);
        }
    }
    std::string RandomText()
    {
        static const char* const parts[] = { "ab", "Xy", "7", " ", "\t", "\r\n", "\n", "\r", "\r\r\n", "q_z", "." };
        std::string text;
        int n = 1 + Pick(5);
        for (int i = 0; i < n; ++i)
            text += parts[Pick(11)];
        return text;
    }

    // One random journaled edit on both sides. Returns a name for failure messages.
    std::string Step()
    {
        if (ref.empty())
        {
            // Typing into an empty text opens its first line.
            char c = static_cast<char>('a' + Pick(26));
            m_edit.SetCursorPos(0, 0);
            m_edit.InsertChar(c, 1);
            ref.push_back(std::string(1, c));
            return "first character";
        }
        size_t l, i, l2, i2;
        switch (Pick(10))
        {
        case 0:
        case 1:
        {
            static const char typed[] = "abcXYZ019 _.,;-";
            char c = typed[Pick(15)];
            Place(&l, &i);
            m_edit.InsertChar(static_cast<unsigned char>(c), 1);
            ref[l].insert(i, 1, c);
            return std::string("type ") + c;
        }
        case 2:
            Place(&l, &i);
            m_edit.InsertChar(8, 1);
            if (i > 0)
                ref[l].erase(i - 1, 1);
            else if (l > 0)
                RefErase(ref, l - 1, ref[l - 1].size(), l, 0);
            return "backspace";
        case 3:
            Place(&l, &i);
            m_edit.InsertChar(7, 1);
            if (i < ref[l].size())
                ref[l].erase(i, 1);
            else if (l + 1 < ref.size())
                RefErase(ref, l, i, l + 1, 0);
            return "delete";
        case 4:
        {
            Place(&l, &i);
            m_edit.InsertChar(13, 1);
            // The new line takes the indent (whole TABs, then blanks) unless the caret stood
            // inside it.
            size_t lead = ref[l].find_first_not_of(" \t");
            if (lead == std::string::npos)
                lead = ref[l].size();
            int indent = RefColumn(ref[l], lead);
            std::string prefix;
            if (RefColumn(ref[l], i) >= indent)
                prefix = std::string(static_cast<size_t>(indent / 4), '\t') + std::string(static_cast<size_t>(indent % 4), ' ');
            std::string tail = ref[l].substr(i);
            ref[l].resize(i);
            ref.insert(ref.begin() + static_cast<long>(l) + 1, prefix + tail);
            return "enter";
        }
        case 5:
        {
            Place(&l, &i);
            m_edit.InsertChar(9, 1);
            if (i == ref[l].size())
                return "tab at the end (caret only)";
            int room = RefColumn(ref[l], i) % 4;
            size_t blanks = 0;
            while (static_cast<int>(blanks) < room && i > blanks && ref[l][i - blanks - 1] == ' ')
                ++blanks;
            if (blanks)
                ref[l].replace(i - blanks, blanks, "\t");
            else
                ref[l].insert(i, 1, '\t');
            return "tab";
        }
        case 6:
            Select(&l, &i, &l2, &i2);
            m_edit.DeleteSelection(0);
            if (l != l2 || i != i2)
                RefErase(ref, l, i, l2, i2);
            return "delete selection";
        case 7:
        {
            std::string text = RandomText();
            Place(&l, &i);
            m_edit.InsertAtCaret(text.c_str(), 0);
            RefInsert(ref, l, i, text);
            return "insert " + text;
        }
        case 8:
        {
            std::string text = RandomText();
            Select(&l, &i, &l2, &i2);
            m_edit.InsertAtCaret(text.c_str(), 0);
            if (l != l2 || i != i2)
                RefErase(ref, l, i, l2, i2);
            RefInsert(ref, l, i, text);
            return "replace by " + text;
        }
        default:
        {
            Select(&l, &i, &l2, &i2);
            if (l == l2)
                return "no block";
            int unindent = Pick(2);
            m_edit.IndentBlock(unindent);
            size_t end = RefColumn(ref[l2], i2) > 0 ? l2 + 1 : l2;
            for (size_t k = l; k < end && k < ref.size(); ++k)
            {
                std::string& s = ref[k];
                if (!unindent)
                    s.insert(s.begin(), '\t');
                else if (!s.empty() && s[0] == '\t')
                    s.erase(0, 1);
                else
                {
                    size_t n = 0;
                    while (n < s.size() && n < 4 && s[n] == ' ')
                        ++n;
                    s.erase(0, n);
                }
            }
            return unindent ? "unindent block" : "indent block";
        }
        }
    }

private:
    CTextEdit& m_edit;
    std::mt19937& m_random;
};

class TextEditModel : public EditorTest
{
};


// 120 sessions of 30 random edits; after each edit the text equals the reference and an
// undo followed by a redo changes nothing; after each session undoing everything gives the
// session's first text and redoing everything its last.
void RunRandomSessions(unsigned seed)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    std::mt19937 random(seed);
    CModelRun run(edit, random);
    edit.InsertString("first line\r\n\tindented text\r\n    four blanks\r\nlast", 0, TE_LINE_APPEND, 0);
    run.ref = Lines(edit);
    ASSERT_EQ(run.ref.size(), 4u);
    int steps = 0;
    for (int session = 0; session < 120; ++session)
    {
        edit.ClearUndo();
        const std::vector<std::string> initial = run.ref;
        for (int k = 0; k < 30; ++k, ++steps)
        {
            std::string what = run.Step();
            ASSERT_EQ(Lines(edit), run.ref) << "step " << steps << ": " << what;
            // Undo then redo is the identity.
            if (edit.Undo(-1) > 0)
            {
                edit.Undo(1);
                ASSERT_EQ(Lines(edit), run.ref) << "undo/redo after step " << steps << ": " << what;
            }
        }
        const std::vector<std::string> final_ = run.ref;
        int guard = 0;
        while (edit.Undo(-1) > 0 && ++guard < 1000)
        {
        }
        ASSERT_EQ(Lines(edit), initial) << "undo all, session " << session;
        guard = 0;
        while (edit.Undo(1) > 0 && ++guard < 1000)
        {
        }
        ASSERT_EQ(Lines(edit), final_) << "redo all, session " << session;
    }
    EXPECT_EQ(steps, 3600);
}

}  // namespace

TEST_F(TextEditModel, RandomEditsMatchThePlainReferenceAndUndoRestoresEveryStep)
{
    for (unsigned seed : { 20261207u, 7u, 1234567u, 99u })
    {
        SCOPED_TRACE(seed);
        RunRandomSessions(seed);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(TextEditModel, JournalKeepsTheLast128EditsAndDropsOlderOnes)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    edit.InsertString("x", 0, TE_LINE_APPEND, 0);
    // Each character typed at column 0: no two form a run, so every one is its own step.
    for (int k = 0; k < 130; ++k)
    {
        edit.SetCursorPos(0, 0);
        edit.InsertChar('A' + k % 26, 1);
    }
    EXPECT_EQ(edit.Journal().UndoableCount(), CUndoRing::kCapacity);
    int undone = 0;
    while (edit.Undo(-1) > 0)
        ++undone;
    EXPECT_EQ(undone, 128);
    // The two oldest typed characters ('A' then 'B' in front of it) stay.
    EXPECT_EQ(Lines(edit), std::vector<std::string>{ "BAx" });
    int redone = 0;
    while (edit.Undo(1) > 0)
        ++redone;
    EXPECT_EQ(redone, 128);
    EXPECT_EQ(edit.GetLine(0)->length, 131);
    // A new edit after an undo leaves nothing to redo.
    edit.Undo(-1);
    EXPECT_TRUE(edit.CanRedo());
    edit.InsertChar('!', 1);
    EXPECT_FALSE(edit.CanRedo());
}

TEST_F(TextEditModel, TypedWordIsUndoneAsOneStepAndRedoBringsCaretBack)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    edit.InsertString("go ", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(3, 0);
    for (const char* p = "word"; *p; ++p)
        edit.InsertChar(*p, 1);
    EXPECT_EQ(Lines(edit)[0], "go word");
    EXPECT_EQ(edit.Undo(-1), 4);
    EXPECT_EQ(Lines(edit)[0], "go ");
    EXPECT_EQ(edit.Undo(1), 4);
    EXPECT_EQ(Lines(edit)[0], "go word");
    EXPECT_EQ(edit.GetCursorPos().x, 7);
    // Read-only: nothing to undo.
    edit.SetEditable(0);
    EXPECT_EQ(edit.Undo(-1), 0);
}

// Typed over in overwrite mode, a word (or a run of blanks) goes back and comes again as one
// step, like a typed one; a word typed partly over, partly behind the text too.
TEST_F(TextEditModel, OverwrittenWordIsUndoneAsOneStep)
{
    struct Case
    {
        const char* typed;
        int column;
        const char* after;
        int entries;   // replayed by one undo
    };
    const Case cases[] = {
        { "word", 0, "word yz", 4 },
        { "ab", 5, "xxxx ab", 2 },
        { "  ", 1, "x  x yz", 2 },
        { "abc", 6, "xxxx yabc", 3 },
        { "a b", 0, "a bx yz", 1 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        CTextEdit edit(2048, 50000, 0, "ModelTest");
        edit.InsertString("xxxx yz", 0, TE_LINE_APPEND, 0);
        edit.Layout().SetCaretMode(edit.Layout().CaretMode() & ~1u);
        edit.SetCursorPos(c.column, 0);
        for (const char* p = c.typed; *p; ++p)
            edit.InsertChar(static_cast<unsigned char>(*p), 1);
        EXPECT_EQ(Lines(edit)[0], c.after);
        EXPECT_EQ(edit.Undo(-1), c.entries);
        EXPECT_EQ(edit.Undo(1), c.entries);
        EXPECT_EQ(Lines(edit)[0], c.after);
    }
}

TEST_F(TextEditModel, EnterTabBackspaceAndCaretRules)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    // Enter in an indented line: the new line gets the indent as one TAB and two blanks.
    edit.InsertString("\t  abc def", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(10, 0);
    edit.InsertChar(13, 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "\t  abc ", "\t  def" }));
    EXPECT_EQ(edit.GetCursorPos().x, 6);
    EXPECT_EQ(edit.GetCursorPos().y, 1);
    // Enter inside the indent: no indent.
    edit.ClearAll();
    edit.InsertString("    ab", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(2, 0);
    edit.InsertChar(13, 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "  ", "  ab" }));
    EXPECT_EQ(edit.GetCursorPos().x, 0);
    // TAB after two blanks at column 6: the blanks become one TAB, caret at 8; one undo
    // step takes both entries back, and both carry the group bit.
    edit.ClearAll();
    edit.InsertString("abcd  x", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(6, 0);
    edit.InsertChar(9, 1);
    EXPECT_EQ(Lines(edit)[0], "abcd\tx");
    EXPECT_EQ(edit.GetCursorPos().x, 8);
    EXPECT_EQ(edit.Journal().UndoableCount(), 2);
    edit.Undo(-1);
    EXPECT_EQ(Lines(edit)[0], "abcd  x");
    EXPECT_EQ(edit.Journal().UndoableCount(), 0);
    // At the end of a line with the free caret, TAB only moves the caret.
    edit.SetCursorPos(7, 0);
    edit.InsertChar(9, 1);
    EXPECT_EQ(Lines(edit)[0], "abcd  x");
    EXPECT_EQ(edit.GetCursorPos().x, 8);
    // Backspace at column 0 of line 3 joins it to line 2; the caret at line 2's old width.
    edit.ClearAll();
    edit.InsertString("l0\nl1\nline2\nl3", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(0, 3);
    edit.InsertChar(8, 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "l0", "l1", "line2l3" }));
    EXPECT_EQ(edit.GetCursorPos().x, 5);
    EXPECT_EQ(edit.GetCursorPos().y, 2);
    // Backspace at the very start beeps and changes nothing.
    int beeps = g_beeps;
    edit.SetCursorPos(0, 0);
    EXPECT_EQ(edit.InsertChar(8, 1), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
    // Without the free caret a vertical move through a short line comes back to the column.
    EditOptions &= ~EO_FREE_CARET;
    edit.ClearAll();
    edit.InsertString("long line here\nab\nanother long one", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(10, 0);
    edit.MoveCursor(0, 1, MCF_RELATIVE);
    EXPECT_EQ(edit.GetCursorPos().x, 2);
    edit.MoveCursor(0, 1, MCF_RELATIVE);
    EXPECT_EQ(edit.GetCursorPos().x, 10);
    // Into the middle of a TAB: to its start, or to the next stop when stepping right.
    edit.ClearAll();
    edit.InsertString("a\tb", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(2, 0);
    EXPECT_EQ(edit.GetCursorPos().x, 1);
    edit.MoveCursor(1, 0, MCF_RELATIVE);
    EXPECT_EQ(edit.GetCursorPos().x, 4);
    // Read-only: typing beeps.
    edit.SetEditable(0);
    beeps = g_beeps;
    EXPECT_EQ(edit.InsertChar('x', 1), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
}

TEST_F(TextEditModel, LineCountLimitRefusesTheNextLine)
{
    CTextEdit edit(64, 3, 0, "ModelTest");
    EXPECT_EQ(edit.InsertLine(0, "a", 1), 1);
    EXPECT_EQ(edit.InsertLine(1, "b", 1), 1);
    EXPECT_EQ(edit.InsertLine(2, "c", 1), 1);
    EXPECT_EQ(edit.InsertLine(3, "d", 1), 0);
    int beeps = g_beeps;
    edit.SetCursorPos(1, 2);
    EXPECT_EQ(edit.InsertChar(13, 1), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
    EXPECT_EQ(edit.GetLineCount(), 3);
    // Appending past the limit keeps what fitted and reports the failure.
    EXPECT_EQ(edit.InsertString("x\ny", 0, TE_LINE_APPEND, 0), -1);
    EXPECT_EQ(edit.GetLineCount(), 3);
}

TEST_F(TextEditModel, BlockIndentIsUndoneFromTheJournaledLines)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    edit.InsertString("one\n    two\nthree\nfour", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(1, 0);
    edit.SetCursorPos(2, 2, MCF_EXTEND);
    EXPECT_EQ(edit.IndentBlock(0), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "\tone", "\t    two", "\tthree", "four" }));
    EXPECT_EQ(edit.GetSelectionMode(), 2);
    EXPECT_EQ(edit.IndentBlock(1), 1);
    EXPECT_EQ(edit.IndentBlock(1), 1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "one", "two", "three", "four" }));
    edit.Undo(-1);
    edit.Undo(-1);
    edit.Undo(-1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "one", "    two", "three", "four" }));
    edit.Undo(1);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "\tone", "\t    two", "\tthree", "four" }));
}

// A block indent that would make one of its lines longer than a line may be beeps and
// changes nothing at all; lines outside the block, and an unindent, are not held back.
TEST_F(TextEditModel, BlockIndentRefusesWholeWhenALineWouldGrowTooLong)
{
    struct Case
    {
        const char* what;
        int firstLine, endLine, endColumn;   // the selection from column 0 of the first line
        int unindent;
        int result;
        int beeps;
        std::vector<std::string> after;
    };
    const std::vector<std::string> before = { "abc", "12345678", "\tx", "y" };
    const Case cases[] = {
        { "a full line in the block", 0, 2, 100, 0, 0, 1, before },
        { "the full line alone", 1, 2, 0, 0, 0, 1, before },
        { "the full line outside the block", 2, 3, 100, 0, 1, 0, { "abc", "12345678", "\t\tx", "\ty" } },
        { "unindent past the full line", 1, 2, 100, 1, 1, 0, { "abc", "12345678", "x", "y" } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTextEdit edit(8, 50000, 0, "ModelTest");
        edit.InsertString("abc\n12345678\n\tx\ny", 0, TE_LINE_APPEND, 0);
        edit.ClearUndo();
        edit.SetModified(0);
        edit.SetCursorPos(0, c.firstLine);
        edit.SetCursorPos(c.endColumn, c.endLine, MCF_EXTEND);
        const POINT caret = edit.GetCaretPos();
        g_beeps = 0;
        EXPECT_EQ(edit.IndentBlock(c.unindent), c.result);
        EXPECT_EQ(g_beeps, c.beeps);
        EXPECT_EQ(Lines(edit), c.after);
        if (c.result == 0)
        {
            EXPECT_EQ(edit.IsModified(), 0);
            EXPECT_FALSE(edit.Journal().CanUndo());
            EXPECT_EQ(edit.GetCaretPos().x, caret.x);
            EXPECT_EQ(edit.GetCaretPos().y, caret.y);
            EXPECT_EQ(edit.GetSelectionMode(), 2);
        }
    }
}

TEST_F(TextEditModel, CopySlotsMarkTheSettingsOnlyForShortTexts)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    std::string big(300, 'q');
    edit.InsertString(big.c_str(), 0, TE_LINE_APPEND, 0);
    EditOptions &= ~EO_CHANGED;
    edit.SetCursorPos(0, 0);
    edit.SetCursorPos(300, 0, MCF_EXTEND);
    EXPECT_EQ(edit.CopySelection(3), 300);
    EXPECT_EQ(EditOptions & EO_CHANGED, 0u);
    edit.SetCursorPos(0, 0);
    edit.SetCursorPos(10, 0, MCF_EXTEND);
    EXPECT_EQ(edit.CopySelection(4), 10);
    EXPECT_NE(EditOptions & EO_CHANGED, 0u);
    // The slot pastes back at the caret.
    edit.SetCursorPos(300, 0);
    EXPECT_EQ(edit.Paste(4), 1);
    EXPECT_EQ(edit.GetLine(0)->length, 310);
    EditOptions &= ~EO_CHANGED;
}

TEST_F(TextEditModel, DeleteRightOfTheLineFillsTheGapAndUndoesAsOne)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    edit.InsertString("ab\ncd", 0, TE_LINE_APPEND, 0);
    edit.SetCursorPos(5, 0);
    edit.InsertChar(7, 1);
    // From column 2 to 5: a TAB to the stop at 4, then one blank.
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab\t cd" }));
    EXPECT_EQ(edit.Undo(-1), 2);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab", "cd" }));
    EXPECT_EQ(edit.Undo(1), 2);
    EXPECT_EQ(Lines(edit), (std::vector<std::string>{ "ab\t cd" }));
    // Delete at the end of the last line beeps.
    int beeps = g_beeps;
    edit.SetCursorPos(7, 0);
    EXPECT_EQ(edit.InsertChar(7, 1), 0);
    EXPECT_EQ(g_beeps, beeps + 1);
}

namespace {

struct HookLog
{
    int inserted = 0;
    int deleting = 0;
    int caretMoves = 0;
    int allow = 1;
};

int CountInserted(CTextEdit*, void* context, int, int, int)
{
    ++static_cast<HookLog*>(context)->inserted;
    return 1;
}
int CountDeleting(CTextEdit*, void* context, int, int, int)
{
    ++static_cast<HookLog*>(context)->deleting;
    return 1;
}
int CountCaret(CTextEdit*, void* context, int, int, int)
{
    ++static_cast<HookLog*>(context)->caretMoves;
    return 1;
}
int Veto(CTextEdit*, void* context, int, int, int)
{
    return static_cast<HookLog*>(context)->allow;
}

}  // namespace

TEST_F(TextEditModel, HooksSeeLinesAndCaretAndMayVetoChanges)
{
    CTextEdit edit(2048, 50000, 0, "ModelTest");
    HookLog log;
    EXPECT_EQ(edit.SetHook(TEH_LINE_INSERTED, CountInserted, &log), nullptr);
    edit.SetHook(TEH_LINE_DELETING, CountDeleting, &log);
    edit.SetHook(TEH_CARET_MOVED, CountCaret, &log);
    edit.SetHook(TEH_BEFORE_CHANGE, Veto, &log);
    EXPECT_EQ(edit.SetHook(9, Veto, &log), nullptr);
    edit.AppendText("a\nb\nc");
    EXPECT_EQ(log.inserted, 3);
    edit.DeleteText(0, 1, 0, TE_LINE_ALL, 0);
    EXPECT_EQ(log.deleting, 2);
    edit.SetCursorPos(1, 0);
    EXPECT_GE(log.caretMoves, 1);
    log.allow = 0;
    EXPECT_EQ(edit.InsertChar('x', 1), 0);
    EXPECT_EQ(Lines(edit), std::vector<std::string>{ "a" });
    log.allow = 1;
    EXPECT_EQ(edit.InsertChar('x', 1), 1);
    log.allow = 0;
    EXPECT_EQ(edit.Undo(-1), 0);
    EXPECT_EQ(Lines(edit), std::vector<std::string>{ "ax" });
    // A selection that fits the caret: resetting the caret never extends it.
    log.allow = 1;
    edit.SetCursorPos(0, 0);
    edit.SetCursorPos(2, 0, MCF_EXTEND);
    EXPECT_EQ(edit.HasSelection(), 1);
    edit.SetCursorPos(0, 0);
    EXPECT_EQ(edit.HasSelection(), 0);
}

// The before-change hook is asked once a change is certain: never for Backspace, for a TAB
// that only moves the free caret, or for a key that is refused anyway; a veto leaves the text.
TEST_F(TextEditModel, BeforeChangeHookIsAskedOnlyWhereAChangeFollows)
{
    struct Case
    {
        const char* name;
        int maxLength, maxLines;
        int column, anchorColumn;   // caret, and the selection's other end (-1: none)
        int ch;
        int asked;
        const char* line;   // line 0 afterwards
    };
    const Case cases[] = {
        { "printable", 64, 10, 1, -1, 'x', 1, "ab" },
        { "line full", 2, 10, 1, -1, 'x', 0, "ab" },
        { "selection", 64, 10, 1, 0, 'x', 1, "ab" },
        { "backspace", 64, 10, 1, -1, 8, 0, "b" },
        { "delete", 64, 10, 0, -1, 7, 1, "ab" },
        { "tab inside", 64, 10, 1, -1, 9, 1, "ab" },
        { "tab at end", 64, 10, 2, -1, 9, 0, "ab" },
        { "enter", 64, 10, 1, -1, 13, 1, "ab" },
        { "enter at limit", 64, 1, 1, -1, 13, 0, "ab" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTextEdit edit(c.maxLength, c.maxLines, 0, "ModelTest");
        edit.AppendText("ab");
        edit.SetCursorPos(c.anchorColumn < 0 ? c.column : c.anchorColumn, 0);
        edit.SetCursorPos(c.column, 0, MCF_EXTEND);
        int asked = 0;
        edit.SetHook(
            TEH_BEFORE_CHANGE, [](CTextEdit*, void* context, int, int, int) { return ++*static_cast<int*>(context), 0; },
            &asked);
        edit.InsertChar(c.ch, 1);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(Lines(edit)[0], c.line);
    }
}
