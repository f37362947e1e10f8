// The find and replace engine on a windowless editor: every match found in order forwards and
// backwards against a plain scan written here, replace-all against sed (data/), undo, the
// limit, the shared options and tab width through WM_TEXTEDIT_QUERY, and refused requests.
#include "tests/editor/EditorTestSupport.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>

using namespace edittest;

namespace {

class TextEditFind : public EditorTest
{
};

struct Hit
{
    int line;
    int index;
    bool operator==(const Hit& o) const { return line == o.line && index == o.index; }
};

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
bool Alnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Every place the text occurs, overlapping ones too, in text order.
std::vector<Hit> PlainScan(const std::vector<std::string>& lines, const std::string& what, bool fold, bool words)
{
    std::vector<Hit> hits;
    for (size_t l = 0; l < lines.size(); ++l)
    {
        const std::string& s = lines[l];
        for (size_t i = 0; i + what.size() <= s.size(); ++i)
        {
            bool equal = true;
            for (size_t k = 0; k < what.size() && equal; ++k)
                equal = fold ? Upper(s[i + k]) == Upper(what[k]) : s[i + k] == what[k];
            if (equal && words && ((i > 0 && Alnum(s[i - 1])) || (i + what.size() < s.size() && Alnum(s[i + what.size()]))))
                equal = false;
            if (equal)
                hits.push_back({ static_cast<int>(l), static_cast<int>(i) });
        }
    }
    return hits;
}

Hit Selected(CTextEdit& edit)
{
    POINT caret = edit.GetCaretPos();
    const TextLine* record = edit.GetLine(caret.y);
    return { caret.y, CTextEdit::ColumnToIndex(caret.x, record->text, record->length) };
}

std::string ReadDataFile(const char* name)
{
    std::string path = testsupport::SourceDir() + "\\tests\\editor\\data\\" + name;
    std::string text;
    if (FILE* f = fopen(path.c_str(), "rb"))
    {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
            text.append(buffer, n);
        fclose(f);
    }
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

const char kSample[] = "ab aab\tAb xabx\n\nab_ab 1ab ab\nBAB aB\n";

}  // namespace

TEST_F(TextEditFind, FindsEveryMatchInOrderBothWaysAndFindNextWrapsAtEveryPress)
{
    struct Mode
    {
        const char* what;
        uint32_t options;
    };
    const Mode modes[] = { { "ab", 0 }, { "ab", 0x10 }, { "ab", 0x10 | 0x80 }, { "aB", 0x10 }, { "ab", 0x80 } };
    for (const Mode& mode : modes)
    {
        CTextEdit edit(2048, 50000, 0, "FindTest");
        edit.AppendText(kSample);
        const std::vector<Hit> expected = PlainScan(Lines(edit), mode.what, (mode.options & 0x10) != 0,
                                                    (mode.options & 0x80) != 0);
        ASSERT_GE(expected.size(), 2u) << mode.what;
        for (int backward = 0; backward < 2; ++backward)
        {
            EditOptions = (0x1849 & ~0x1F0u) | mode.options | 0x40 | (backward ? 0x20u : 0u);
            edit.SetCursorPos(backward ? 0 : 0, backward ? edit.GetLineCount() : 0, 0);
            g_beeps = 0;
            std::vector<Hit> found;
            ASSERT_EQ(edit.FindText(mode.what, 0), 1);
            found.push_back(Selected(edit));
            // Find next goes round the end at every press: twice round, every press a match,
            // none of them a "nothing more".
            for (size_t press = 0; press < 2 * expected.size(); ++press)
            {
                if (!edit.OnFindNext())
                    break;
                found.push_back(Selected(edit));
            }
            std::vector<Hit> want = expected;
            if (backward)
                std::reverse(want.begin(), want.end());
            std::vector<Hit> twiceRound;
            for (size_t k = 0; k <= 2 * want.size(); ++k)
                twiceRound.push_back(want[k % want.size()]);
            EXPECT_TRUE(found == twiceRound) << mode.what << " options " << mode.options << " backward " << backward;
            EXPECT_EQ(g_beeps, 0);
        }
        // Without wrap the search stops at the end and leaves the caret on the last match.
        EditOptions = (0x1849 & ~0x1F0u) | mode.options;
        edit.SetCursorPos(0, 0, 0);
        int n = 0;
        while (edit.FindText(mode.what, n ? static_cast<uint32_t>(FTF_AFTER_CARET) : 0u))
            ++n;
        EXPECT_EQ(n, static_cast<int>(expected.size()));
        EXPECT_TRUE(Selected(edit) == expected.back());
        EXPECT_EQ(edit.HasSelection(), 1);
    }
}

TEST_F(TextEditFind, PatternsWholeWordsUtf8AndTheSearchHistory)
{
    CTextEdit edit(2048, 50000, 0, "FindTest");
    edit.AppendText("abc xab ab\nzahl 4711 und 42\n\xe4pfel \xff\n");
    // Pattern and whole words: a pattern ending in a letter must end at a word end.
    EditOptions = 0x1849 | 0x100 | 0x80;
    ASSERT_EQ(edit.FindText("ab", 0), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 0, 8 }));
    ASSERT_EQ(edit.FindText("\\z", 0), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 1, 5 }));
    char selected[32];
    edit.GetText(selected, sizeof(selected), TRF_SELECTION);
    EXPECT_STREQ(selected, "4711");
    // A leading "*" starts only at a word start.
    EditOptions = 0x1849 | 0x100;
    edit.SetCursorPos(0, 0, 0);
    ASSERT_EQ(edit.FindText("*ab", 0), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 0, 0 }));
    edit.GetText(selected, sizeof(selected), TRF_SELECTION);
    EXPECT_STREQ(selected, "ab");
    // UTF-8: one byte a character, code points above 255 as 255, broken sequences as bytes.
    EditOptions = 0x1849;
    edit.SetCursorPos(0, 0, 0);
    ASSERT_EQ(edit.FindText("\xc3\xa4pfel", FTF_UTF8), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 2, 0 }));
    ASSERT_EQ(edit.FindText("\xe2\x82\xac", FTF_UTF8), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 2, 6 }));
    EXPECT_EQ(edit.FindText("\xc3", FTF_UTF8), 0);
    EXPECT_STREQ(edit.GetSearchText(), "\xc3");
    // Nothing to find: 0 and the selection stays.
    EXPECT_EQ(edit.FindText("nirgends", 0), 0);
    EXPECT_TRUE(Selected(edit) == (Hit{ 2, 6 }));
    EXPECT_EQ(edit.FindText("", 0), 0);
    // The history: newest first, no duplicates, at most 16; flag 2 records nothing.
    for (int i = 0; i < 20; ++i)
        edit.SetSearchText(("t" + std::to_string(i % 18)).c_str());
    edit.SetSearchText("t5");
    std::vector<std::string> history;
    for (const char* h = edit.GetFindHistory(); h && *h; h += strlen(h) + 1)
        history.push_back(h);
    ASSERT_EQ(history.size(), 16u);
    EXPECT_EQ(history[0], "t5");
    EXPECT_EQ(history[1], "t1");
    EXPECT_EQ(std::count(history.begin(), history.end(), "t5"), 1);
    edit.FindText("zahl", FTF_NO_HISTORY);
    EXPECT_STREQ(edit.GetSearchText(), "t5");
    // A null text is the last one.
    edit.SetCursorPos(0, 0, 0);
    edit.SetSearchText("und");
    ASSERT_EQ(edit.FindText(nullptr, 0), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 1, 10 }));
}

TEST_F(TextEditFind, ReplaceAllEqualsSedAndUndoRestoresTheText)
{
    const std::string input = ReadDataFile("replace-input.txt");
    if (input.empty())
        GTEST_SKIP() << "SL_SOURCE_DIR is not set (run through ctest)";
    struct Run
    {
        const char* expectedFile;
        const char* find;
        const char* replacement;
        uint32_t options;
    };
    const Run runs[] = { { "replace-expected-g.txt", "ab", "xyz", 0x40 },
                         { "replace-expected-gI.txt", "aB", "#", 0x40 | 0x10 },
                         { "replace-expected-delete.txt", "ab", "", 0x40 } };
    for (const Run& run : runs)
    {
        const std::vector<std::string> expected = SplitLines(ReadDataFile(run.expectedFile));
        CTextEdit edit(2048, 50000, 0, "FindTest");
        edit.AppendText(input.c_str());
        const std::vector<std::string> before = Lines(edit);
        ASSERT_EQ(before.size(), expected.size());
        const size_t count = PlainScan(before, run.find, (run.options & 0x10) != 0, false).size();
        EditOptions = (0x1849 & ~0x1F0u) | run.options;
        // The caret on a match in the middle of the text: the replacement goes to the end,
        // wraps, and stops at the start point.
        const Hit middle = PlainScan(before, run.find, (run.options & 0x10) != 0, false)[count / 2];
        edit.SetCursorPos(CTextEdit::IndexToColumn(middle.index, before[middle.line].data(),
                                                   static_cast<int>(before[middle.line].size())),
                          middle.line, 0);
        EXPECT_EQ(edit.ReplaceText(run.find, run.replacement, 2), static_cast<int>(count)) << run.expectedFile;
        EXPECT_TRUE(Lines(edit) == expected) << run.expectedFile;
        EXPECT_EQ(edit.IsModified(), 1);
        // Back at the start point, which moved with the replacements left of it on its line.
        const std::vector<Hit> hits = PlainScan(before, run.find, (run.options & 0x10) != 0, false);
        const int left = static_cast<int>(std::count_if(hits.begin(), hits.end(), [&](const Hit& h) {
            return h.line == middle.line && h.index < middle.index;
        }));
        const int delta = static_cast<int>(strlen(run.replacement)) - static_cast<int>(strlen(run.find));
        const Hit start = { middle.line, middle.index + left * delta };
        EXPECT_TRUE(Selected(edit) == start);
        EXPECT_STREQ(edit.GetSearchText(), run.find);
        EXPECT_EQ(EditOptions & 0x20, 0u);
        // Every replacement is one undo step (the journal keeps 128: the input has fewer).
        ASSERT_LT(count, 128u);
        EXPECT_EQ(edit.Undo(-static_cast<int>(count)), static_cast<int>(count));
        EXPECT_TRUE(Lines(edit) == before) << run.expectedFile;
        EXPECT_EQ(edit.IsModified(), 0);
        EXPECT_EQ(edit.Undo(1), 1);
    }
}

TEST_F(TextEditFind, ReplaceSelectionRangeLimitAndTermination)
{
    EditOptions = 0x1849 | 0x40;
    CTextEdit edit(2048, 50000, 0, "FindTest");
    edit.AppendText("eins zwei eins\ndrei eins\n");
    // Mode 1: find, then replace the selection; undo takes it back in one step.
    edit.SetCursorPos(0, 0, 0);
    EXPECT_EQ(edit.ReplaceText("eins", "EINS", 1), 1);
    EXPECT_EQ(Lines(edit)[0], "EINS zwei eins");
    EXPECT_STREQ(edit.GetReplaceText(), "EINS");
    edit.Undo(-1);
    EXPECT_EQ(Lines(edit)[0], "eins zwei eins");
    // Mode 0 without a one-line selection does nothing.
    edit.SetCursorPos(0, 0, 0);
    EXPECT_EQ(edit.ReplaceText("eins", "x", 0), 0);
    // A replacement holding the search text ends at the start point.
    edit.SetCursorPos(0, 0, 0);
    EXPECT_EQ(edit.ReplaceText("eins", "einseins", 2), 3);
    EXPECT_EQ(Lines(edit)[1], "drei einseins");
    // Inside the saved range only, the selection restored afterwards.
    edit.ClearAll();
    edit.AppendText("x x x\nx x x\nx x x\n");
    edit.SetCursorPos(2, 0, 0);
    edit.SetCursorPos(3, 1, MCF_EXTEND);
    EXPECT_EQ(edit.SaveSelectionRange(), 2);
    EXPECT_EQ(edit.ReplaceText("x", "yy", 0xC002), 4);
    const std::vector<std::string> want = { "x yy yy", "yy yy x", "x x x" };
    EXPECT_TRUE(Lines(edit) == want);
    EXPECT_EQ(edit.HasSelection(), 2);
    // The range's end moved with the two replacements left of it on its line.
    EXPECT_EQ(edit.GetCaretPos().x, 5);
    EXPECT_EQ(edit.GetCaretPos().y, 1);
    // Without wrap, a selection made downwards (the caret at its end) is still covered from
    // its start.
    EditOptions &= ~0x40u;
    edit.ClearAll();
    edit.AppendText("x x x\nx x x\n");
    edit.SetCursorPos(2, 0, 0);
    edit.SetCursorPos(3, 1, MCF_EXTEND);
    edit.SaveSelectionRange();
    EXPECT_EQ(edit.ReplaceText("x", "y", 0xC002), 4);
    EXPECT_EQ(Lines(edit)[0], "x y y");
    EXPECT_EQ(Lines(edit)[1], "y y x");
    EditOptions |= 0x40;
    // The limit: 10,000 replacements and no more.
    edit.ClearAll();
    std::string many;
    for (int i = 0; i < 101; ++i)
        many += std::string(100, 'q') + "\n";
    edit.AppendText(many.c_str());
    EXPECT_EQ(edit.ReplaceText("q", "r", 2), kReplaceAllLimit);
    EXPECT_EQ(Lines(edit)[100], std::string(100, 'q'));
    // A before-change hook that says no stops the replacement at the first match.
    edit.SetHook(TEH_BEFORE_CHANGE, [](CTextEdit*, void*, int, int, int) { return 0; }, nullptr);
    EXPECT_EQ(edit.ReplaceText("q", "r", 2), 0);
    EXPECT_EQ(Lines(edit)[100], std::string(100, 'q'));
    edit.SetHook(TEH_BEFORE_CHANGE, nullptr, nullptr);
    // A read-only editor beeps and replaces nothing.
    edit.SetEditable(0);
    g_beeps = 0;
    EXPECT_EQ(edit.ReplaceText("q", "r", 2), 0);
    EXPECT_EQ(g_beeps, 1);
}

namespace {

// The questions of an interactive replace as the replace dialog asks them: search (inside the
// saved range when asked), then "Ja" replaces the match and "Nein" goes on one column right
// of it; the last answer given stands for all further questions. Returns the number of
// questions; the cap stands for a search that never ends.
int AnswerEveryMatch(CTextEdit& edit, const char* find, const char* replacement, bool inRange, const char* answers)
{
    const int cap = 40;
    int questions = 0;
    uint32_t extra = 0;
    while (questions < cap && edit.FindText(find, (inRange ? FTF_IN_RANGE : 0u) | extra))
    {
        const char answer = answers[std::min(static_cast<size_t>(questions), strlen(answers) - 1)];
        ++questions;
        if (answer == 'J')
            edit.ReplaceText(find, replacement, 0), extra = 0;
        else
            extra = FTF_RIGHT_OF_CARET;
    }
    return questions;
}

// Every occurrence lying wholly between two offsets of the text, replaced when asked except
// the one at `keep`, and their count.
std::pair<std::string, int> ReplaceBetween(const std::string& text, const std::string& find,
                                           const std::string& replacement, size_t from, size_t to, bool replace,
                                           size_t keep)
{
    std::string out;
    int n = 0;
    for (size_t i = 0; i < text.size();)
    {
        if (i >= from && i + find.size() <= to && text.compare(i, find.size(), find) == 0)
        {
            ++n;
            out += replace && i != keep ? replacement : find;
            i += find.size();
        }
        else
        {
            out += text[i++];
        }
    }
    return { out, n };
}

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\n" : "") + lines[i];
    return out;
}

size_t OffsetOf(const std::vector<std::string>& lines, POINT at)
{
    size_t offset = 0;
    for (int l = 0; l < at.y; ++l)
        offset += lines[static_cast<size_t>(l)].size() + 1;
    return offset + static_cast<size_t>(at.x);
}

}  // namespace

// An interactive replace asks once about every match it can reach and then finds nothing
// more: with wrap it goes round the end once and stops where it began, never finding the
// search text inside its own replacement; without wrap it stops at the end of the text (the
// start, backwards); inside the saved range it covers the range from its start, whichever
// end of the selection the caret stood on. What it reaches is counted on the text here.
TEST_F(TextEditFind, InteractiveReplaceAsksAboutEachMatchOnce)
{
    const std::vector<std::string> before = { "foo foo", "bar foo foo foo", "foo" };
    struct Case
    {
        const char* what;
        uint32_t options;
        POINT anchor, caret;
        bool inRange;
        const char* answers;   // "NJ": Nein to the first question (at the caret), Ja to the rest
        size_t from, to;       // the offsets the matches lie between (to 0: the end)
        const char* replacement = "foobarbazqux";
        int refusal = 0;       // 1: the editor is read-only, 2: a hook says no to every change
    };
    const POINT middle = { 4, 1 };
    const size_t atMiddle = OffsetOf(before, middle);
    const Case cases[] = {
        { "forward, wrap, from the start", 0x40, { 0, 0 }, { 0, 0 }, false, "J", 0, 0 },
        { "forward, wrap, from the middle", 0x40, middle, middle, false, "J", 0, 0 },
        { "forward, wrap, every Nein", 0x40, middle, middle, false, "N", 0, 0 },
        { "forward, wrap, longer replacements left of the start", 0x40, { 12, 1 }, { 12, 1 }, false, "NJ", 0, 0 },
        { "forward, no wrap, from the middle", 0, middle, middle, false, "J", atMiddle, 0 },
        { "backward, wrap, from the middle", 0x60, middle, middle, false, "J", 0, 0 },
        { "backward, wrap, every Nein", 0x60, middle, middle, false, "N", 0, 0 },
        { "backward, no wrap, from the middle", 0x20, middle, middle, false, "J", 0, atMiddle + 3 },
        { "selection made downwards, no wrap", 0, { 4, 0 }, { 12, 1 }, true, "J", 4, OffsetOf(before, { 12, 1 }) },
        { "selection made downwards, wrap", 0x40, { 4, 0 }, { 12, 1 }, true, "J", 4, OffsetOf(before, { 12, 1 }) },
        { "selection made upwards, backward", 0x20, { 12, 1 }, { 4, 0 }, true, "J", 4, OffsetOf(before, { 12, 1 }) },
        { "selection made downwards, every Nein", 0x40, { 4, 0 }, { 12, 1 }, true, "N", 4, OffsetOf(before, { 12, 1 }) },
        // Replacements that break the line: what lies behind them moves down, the pass's
        // origin and the selection's end with it.
        { "backward, wrap, the text at the replacement's end", 0x60, middle, middle, false, "J", 0, 0, "xfoo" },
        { "forward, wrap, the text at the replacement's end", 0x40, middle, middle, false, "J", 0, 0, "xfoo" },
        // A refused replacement answers its match all the same: the next question is about the
        // next match, and the pass ends round the end as ever. Every answer is "Ja" here; "N"
        // stands for the text the reference keeps.
        { "read-only, wrap, from the middle", 0x40, middle, middle, false, "N", 0, 0, "foobarbazqux", 1 },
        { "read-only, backward, no wrap", 0x20, middle, middle, false, "N", 0, atMiddle + 3, "foobarbazqux", 1 },
        { "a hook says no, wrap, from the middle", 0x40, middle, middle, false, "N", 0, 0, "foobarbazqux", 2 },
        { "line break, forward, wrap, from the middle", 0x40, middle, middle, false, "J", 0, 0, "foo\r\nfoo" },
        { "line break, backward, wrap, from the middle", 0x60, middle, middle, false, "J", 0, 0, "foo\r\nfoo" },
        { "line break, selection made downwards, wrap", 0x40, { 4, 0 }, { 12, 1 }, true, "J", 4,
          OffsetOf(before, { 12, 1 }), "x\ny" },
        { "line break, selection made upwards, backward", 0x20, { 12, 1 }, { 4, 0 }, true, "J", 4,
          OffsetOf(before, { 12, 1 }), "foo\rfoo" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTextEdit edit(2048, 50000, 0, "FindTest");
        EditOptions = (0x1849 & ~0x1F0u) | c.options;
        edit.AppendText(JoinLines(before).c_str());
        edit.SetCursorPos(c.anchor.x, c.anchor.y);
        edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        edit.SaveSelectionRange();
        if (c.refusal == 1)
            edit.SetEditable(0);
        if (c.refusal == 2)
            edit.SetHook(TEH_BEFORE_CHANGE, [](CTextEdit*, void*, int, int, int) { return 0; }, nullptr);
        const std::string text = JoinLines(before);
        const bool replace = strcmp(c.answers, "N") != 0;
        const size_t keep = c.answers[0] == 'N' ? OffsetOf(before, c.caret) : std::string::npos;
        const auto want = ReplaceBetween(text, "foo", JoinLines(RefSplit(c.replacement)), c.from,
                                         c.to ? c.to : text.size(), replace, keep);
        EXPECT_EQ(AnswerEveryMatch(edit, "foo", c.replacement, c.inRange, c.refusal ? "J" : c.answers), want.second);
        EXPECT_EQ(JoinLines(Lines(edit)), want.first);
    }
}

// Where occurrences overlap, a replace-all and the questions of an interactive replace take
// each occurrence of the text as it was, never one that a replacement wrote or joined: not
// left of a replacement going backwards, not round the end into the first replacement, not
// one column into the latest when each replacement steps back (flag 4). A replacement longer
// than a line goes in whole, wrapped. The reference replaces from the caret to the end and,
// with wrap, from the start to the caret, each part on its own (backwards: on the mirrored
// text); the rows put the caret where that is the text as it was.
TEST_F(TextEditFind, ReplacementsGoInWholeAndAreNeverMatchedAgain)
{
    struct Case
    {
        const char* what;
        const char* text;
        size_t caret;
        uint32_t options;
        uint32_t flags;   // of a replace-all; 0 for the questions
        const char* find;
        std::string replacement;
        uint32_t maxLength = 2048;
    };
    const Case cases[] = {
        { "replace-all, wrap, from column 2", "xaaay", 2, 0x40, 2, "aa", "ab" },
        { "replace-all, wrap, an empty replacement joins what it leaves", "aabb", 1, 0x40, 2, "ab", "" },
        { "replace-all stepping back one column", "a a", 0, 0, 2 | RTF_STEP_BACK, "a", "ba" },
        { "asked, backward, from the end", "aaa", 3, 0x20, 0, "aa", "ab" },
        { "asked, backward, empty replacements from the middle", "aaaa", 2, 0x20, 0, "a", "" },
        { "asked, backward, wrap, empty replacements from the middle", "aaaa", 2, 0x60, 0, "a", "" },
        { "asked, wrap, from column 2", "xaaay", 2, 0x40, 0, "aa", "ab" },
        { "replace-all, a replacement longer than a line", "a X b X", 0, 0, 2, "X", std::string(40, 'r'), 16 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const bool backward = (c.options & 0x20) != 0;
        auto replaced = [&](std::string part) {
            std::string find = c.find, replacement = c.replacement;
            for (std::string* t : { &part, &find, &replacement })
                if (backward)
                    std::reverse(t->begin(), t->end());
            auto out = ReplaceBetween(part, find, replacement, 0, part.size(), true, std::string::npos);
            if (backward)
                std::reverse(out.first.begin(), out.first.end());
            return out;
        };
        // Backwards the first candidate is the match that starts at the caret.
        const std::string text = c.text;
        const size_t split = backward ? std::min(text.size(), c.caret + strlen(c.find)) : static_cast<size_t>(c.caret);
        const auto head = backward || (c.options & 0x40) ? replaced(text.substr(0, split))
                                                         : std::make_pair(text.substr(0, split), 0);
        const auto tail = !backward || (c.options & 0x40) ? replaced(text.substr(split)) : std::make_pair(text.substr(split), 0);
        CTextEdit edit(c.maxLength, 50000, 0, "FindTest");
        EditOptions = (0x1849 & ~0x1F0u) | c.options;
        edit.AppendText(c.text);
        edit.SetCursorPos(static_cast<int>(c.caret), 0, 0);
        EXPECT_EQ(c.flags ? edit.ReplaceText(c.find, c.replacement.c_str(), c.flags)
                          : AnswerEveryMatch(edit, c.find, c.replacement.c_str(), false, "J"),
                  head.second + tail.second);
        // The lines the editor wrapped are read as one, and none is longer than a line may be.
        std::string got;
        for (const std::string& line : Lines(edit))
            got += line.size() <= c.maxLength ? line : "(too long)";
        EXPECT_EQ(got, head.first + tail.first);
    }
}

// Replace-all, then undo all of it, redo all of it and undo all of it again: each way ends at
// exactly the text it should. The two runs the texts start with, then random ones from a fixed
// seed: empty replacements, line breaks, lines of 12 bytes, line tables the text fills (so
// that a replacement with a line break goes in only in part).
TEST_F(TextEditFind, ReplaceAllRoundTripsThroughUndoAndRedo)
{
    const char* const pieces[] = { "ab X7 cd", "four bla", "X", "a", "ab", "bla", " ", "\t", "\n", "", "l\r\nx", "Y",
                                   "bla bla bla bla bla bla" };
    uint32_t seed = 20240611u;
    auto next = [&](uint32_t below) { return ((seed = seed * 1103515245u + 12345u) >> 8) % below; };
    for (int run = 0; run < 200; ++run)
    {
        std::string text = pieces[run % 2];
        for (uint32_t w = run < 2 ? 0 : next(30); w > 0; --w)
            text += pieces[2 + next(7)];
        const char* find = run < 2 ? pieces[2 + run] : pieces[2 + next(6)];
        const char* replacement = run < 2 ? pieces[9 + run] : pieces[8 + next(5)];
        const uint32_t shape = run < 2 ? run * 2 : next(3);   // 1: short lines, 2: a full table
        CTextEdit probe(shape == 1 ? 12 : 2048, 50000, 0, "FindTest");
        probe.AppendText(text.c_str());
        CTextEdit edit(shape == 1 ? 12 : 2048, shape == 2 ? std::max(1, probe.GetLineCount()) : 50000, 0, "FindTest");
        edit.AppendText(text.c_str());
        const std::vector<std::string> before = Lines(edit);
        EditOptions = (0x1849 & ~0x1F0u) | (next(2) ? 0x40u : 0u);
        const int line = static_cast<int>(next(static_cast<uint32_t>(std::max<size_t>(1, before.size()))));
        edit.SetCursorPos(static_cast<int>(next(1000)), line, 0);
        const int replaced = edit.ReplaceText(find, replacement, 2);
        const std::vector<std::string> after = Lines(edit);
        SCOPED_TRACE("run " + std::to_string(run) + ": \"" + text + "\", \"" + find + "\" -> \"" + replacement + "\"");
        ASSERT_LT(replaced, 128);   // the journal's size
        EXPECT_EQ(edit.Undo(-1000), replaced);
        EXPECT_EQ(JoinLines(Lines(edit)), JoinLines(before));
        EXPECT_EQ(edit.Undo(1000), replaced);
        EXPECT_EQ(JoinLines(Lines(edit)), JoinLines(after));
        EXPECT_EQ(edit.Undo(-1000), replaced);
        EXPECT_EQ(JoinLines(Lines(edit)), JoinLines(before));
    }
}

// The stored search text may itself be the text to find: it is replaced by the replacement
// on the way, so the search must not read the text it freed.
TEST_F(TextEditFind, TheStoredSearchTextCanBeTheTextToFind)
{
    EditOptions = 0x1849 | 0x40;
    CTextEdit edit(2048, 50000, 0, "FindTest");
    edit.AppendText("eins zwei eins\nzwei drei\n");
    edit.SetSearchText("zwei");
    edit.SetCursorPos(0, 0, 0);
    EXPECT_EQ(edit.ReplaceText(edit.GetSearchText(), "ZWEI", 2), 2);
    EXPECT_EQ(Lines(edit)[0], "eins ZWEI eins");
    EXPECT_EQ(Lines(edit)[1], "ZWEI drei");
}

namespace {

// The match a search that goes on behind `from` finds in `lines`: the first one after it in
// text order, round the end to the first one of all when wrapping (itself when it is the
// only one); none without.
bool NextHit(const std::vector<std::string>& lines, const std::string& what, Hit from, bool wrap, Hit* next)
{
    const std::vector<Hit> hits = PlainScan(lines, what, false, false);
    for (const Hit& h : hits)
        if (h.line > from.line || (h.line == from.line && h.index > from.index))
            return *next = h, true;
    if (!wrap || hits.empty())
        return false;
    *next = hits.front();
    return true;
}

}  // namespace

// A search sees the text as it is at the time, whatever the searches before it found: after
// an edit between two finds, find next (flag 4) and the "Nein" of an interactive replace
// (flag 16, which otherwise ends with the pass that went round once) find the next match of
// the changed text, counted here on the editor's lines.
TEST_F(TextEditFind, AnEditBetweenTwoFindsIsSeenByTheNext)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> lines;
        POINT caret;
        uint32_t options;
        uint32_t request;     // of every search after the first
        int pressesBefore;    // searches after the first and before the edit
        int editLine;         // the line the edit sets (past the last: a new line)
        const char* edited;
    };
    const Case cases[] = {
        { "Nein, wrapped: a new match behind the origin", { "foo", "foo" }, { 0, 1 }, 0x40, FTF_RIGHT_OF_CARET, 1, 1,
          "bar foo" },
        { "find next, wrapped: a new match behind the origin", { "foo", "foo" }, { 0, 1 }, 0x40, FTF_AFTER_CARET, 1,
          1, "bar foo" },
        { "Nein: the next match taken away", { "foo foo", "x foo", "foo" }, { 0, 0 }, 0x40, FTF_RIGHT_OF_CARET, 1,
          1, "x" },
        { "Nein, no wrap: a match on a new last line", { "foo", "bar" }, { 0, 0 }, 0, FTF_RIGHT_OF_CARET, 0, 2,
          "foo" },
        { "find next: a match on a new last line", { "foo", "bar" }, { 0, 0 }, 0, FTF_AFTER_CARET, 0, 2, "x foo" },
        { "find next, backward, wrapped: a new match before the origin", { "foo", "foo" }, { 3, 0 }, 0x60,
          FTF_AFTER_CARET, 1, 0, "foo foo" },
    };
    const char* const find = "foo";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTextEdit edit(2048, 50000, 0, "FindTest");
        EditOptions = (0x1849 & ~0x1F0u) | c.options;
        edit.AppendText(JoinLines(c.lines).c_str());
        edit.SetCursorPos(c.caret.x, c.caret.y, 0);
        ASSERT_EQ(edit.FindText(find, 0), 1);
        for (int p = 0; p < c.pressesBefore; ++p)
            ASSERT_EQ(edit.FindText(find, c.request), 1);
        const Hit before = Selected(edit);
        ASSERT_GE(edit.SetLineText(c.edited, c.editLine, static_cast<int>(strlen(c.edited)), 0), 0);
        std::vector<std::string> lines = Lines(edit);
        Hit want = {};
        const bool backward = (c.options & 0x20) != 0;
        bool found = false;
        if (!backward)
        {
            found = NextHit(lines, find, before, (c.options & 0x40) != 0, &want);
        }
        else
        {
            // Backwards is forwards on the mirrored text.
            std::vector<std::string> mirrored(lines.rbegin(), lines.rend());
            for (std::string& l : mirrored)
                std::reverse(l.begin(), l.end());
            std::string what = find;
            std::reverse(what.begin(), what.end());
            const int line = static_cast<int>(lines.size()) - 1 - before.line;
            const Hit from = { line, static_cast<int>(mirrored[static_cast<size_t>(line)].size()) - before.index -
                                         static_cast<int>(what.size()) };
            found = NextHit(mirrored, what, from, (c.options & 0x40) != 0, &want);
            want.line = static_cast<int>(lines.size()) - 1 - want.line;
            want.index = static_cast<int>(lines[static_cast<size_t>(want.line)].size()) - want.index -
                         static_cast<int>(what.size());
        }
        ASSERT_TRUE(found);
        ASSERT_EQ(edit.FindText(find, c.request), 1);
        EXPECT_TRUE(Selected(edit) == want) << Selected(edit).line << ":" << Selected(edit).index;
    }
}

// Query code 19, mode 1 (find, then replace what was found) and mode 0 (replace the
// selection): a find that fails leaves the text and the selection as they were; the text
// after a replacement is the plain-string reference's first occurrence at or behind the caret
// replaced.
TEST_F(TextEditFind, ReplaceRequestsChangeOnlyWhatWasFound)
{
    const std::string text = "eins zwei eins";
    struct Case
    {
        const char* what;
        POINT anchor, caret;
        uint32_t mode;
        const char* find;
    };
    const Case cases[] = {
        { "mode 1, nothing found, a selection", { 5, 0 }, { 9, 0 }, 1, "sieben" },
        { "mode 1, nothing found, no selection", { 2, 0 }, { 2, 0 }, 1, "sieben" },
        { "mode 1, found behind the selection", { 9, 0 }, { 5, 0 }, 1, "eins" },
        { "mode 1, found behind the caret", { 1, 0 }, { 1, 0 }, 1, "zwei" },
        { "mode 0, the selection", { 5, 0 }, { 9, 0 }, 0, "beliebig" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTextEdit edit(2048, 50000, 0, "FindTest");
        EditOptions = 0x1849 & ~0x40u;
        edit.AppendText(text.c_str());
        edit.SetCursorPos(c.anchor.x, c.anchor.y, 0);
        edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        char selectedBefore[64] = {};
        edit.GetText(selectedBefore, sizeof(selectedBefore), TRF_SELECTION);
        ReplaceRequest request = { c.mode, 0, c.find, "X" };
        const LRESULT result = edit.WindowProc(WM_TEXTEDIT_QUERY, 19, reinterpret_cast<LPARAM>(&request));
        // The reference: mode 0 replaces the selection, mode 1 the first occurrence from the
        // selection's start (or the caret) on.
        std::string want = text;
        const size_t start = static_cast<size_t>(std::min(c.anchor.x, c.caret.x));
        const size_t at = c.mode == 0 ? start : text.find(c.find, start);
        if (at != std::string::npos)
            want.replace(at, c.mode == 0 ? static_cast<size_t>(std::abs(c.caret.x - c.anchor.x)) : strlen(c.find), "X");
        EXPECT_EQ(result, at != std::string::npos ? 1 : 0);
        EXPECT_EQ(Lines(edit)[0], want);
        if (at == std::string::npos)
        {
            char selectedAfter[64] = {};
            edit.GetText(selectedAfter, sizeof(selectedAfter), TRF_SELECTION);
            EXPECT_STREQ(selectedAfter, selectedBefore);
            EXPECT_EQ(edit.GetCaretPos().x, c.caret.x);
            EXPECT_EQ(edit.GetAnchor().x, c.anchor.x);
        }
    }
}

// Replace-all with replacements that break the line replaces every match it reaches, as a
// plain-string replacement of the text counts them: the start point and the selection's end
// move down with the lines put in before them.
TEST_F(TextEditFind, ReplaceAllWithLineBreaksReplacesEveryMatch)
{
    struct Case
    {
        const char* what;
        std::vector<std::string> lines;
        POINT anchor, caret;   // a selection for the rows inside the saved range
        uint32_t options;
        uint32_t flags;
        const char* replacement;
    };
    const Case cases[] = {
        { "caret in the middle, wrap", { "a a a" }, { 4, 0 }, { 4, 0 }, 0x40, 2, "x\r\ny" },
        { "caret at the start, wrap", { "a a a" }, { 0, 0 }, { 0, 0 }, 0x40, 2, "x\r\ny" },
        { "two breaks each", { "a a a", "b a" }, { 2, 0 }, { 2, 0 }, 0x40, 2, "x\ny\rz" },
        { "only a line break", { "a b a", "a a" }, { 2, 1 }, { 2, 1 }, 0x40, 2, "\r\n" },
        { "the replacement holds the text", { "a a a" }, { 4, 0 }, { 4, 0 }, 0x40, 2, "a\r\na" },
        { "no wrap, from the middle", { "a a a", "a" }, { 2, 0 }, { 2, 0 }, 0, 2, "x\r\ny" },
        { "inside the selection", { "a a a", "a a a", "a" }, { 2, 0 }, { 3, 1 }, 0x40, 0xC002, "x\r\ny" },
        { "inside the selection, no wrap, made upwards", { "a a a", "a a a" }, { 5, 1 }, { 0, 0 }, 0, 0xC002,
          "x\r\ny\r\n" },
    };
    const std::string find = "a";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTextEdit edit(2048, 50000, 0, "FindTest");
        EditOptions = (0x1849 & ~0x1F0u) | c.options;
        const std::string text = JoinLines(c.lines);
        edit.AppendText(text.c_str());
        edit.SetCursorPos(c.anchor.x, c.anchor.y, 0);
        edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        edit.SaveSelectionRange();
        const bool inRange = (c.flags & RTF_IN_RANGE) != 0;
        const POINT first = (c.anchor.y < c.caret.y || (c.anchor.y == c.caret.y && c.anchor.x < c.caret.x)) ? c.anchor
                                                                                                               : c.caret;
        const POINT last = first.x == c.anchor.x && first.y == c.anchor.y ? c.caret : c.anchor;
        // The reference: every match from the start point on (from the text's start with wrap),
        // inside the selection for those rows.
        const size_t from = inRange || !(c.options & 0x40) ? OffsetOf(c.lines, first) : 0;
        const size_t to = inRange ? OffsetOf(c.lines, last) : text.size();
        const std::string replacement = JoinLines(RefSplit(c.replacement));
        const auto want = ReplaceBetween(text, find, replacement, from, to, true, std::string::npos);
        EXPECT_EQ(edit.ReplaceText(find.c_str(), c.replacement, c.flags), want.second);
        EXPECT_EQ(JoinLines(Lines(edit)), want.first);
        if (inRange)
        {
            // The selection comes back over the replaced range, its end moved down with it.
            char* selected = nullptr;
            const int length = edit.GetTextAlloc(&selected, TRF_SELECTION);
            std::string got(selected ? selected : "", static_cast<size_t>(length));
            free(selected);
            const size_t end = to + static_cast<size_t>(want.second) * replacement.size() -
                               static_cast<size_t>(want.second) * find.size();
            EXPECT_EQ(JoinLines(RefSplit(got)), want.first.substr(from, end - from));
        }
    }
}

TEST_F(TextEditFind, OptionsTabWidthAndRequestsThroughTheMessage)
{
    CTextEdit edit(2048, 50000, 0, "FindTest");
    edit.AppendText("alpha beta\n");
    auto query = [&](WPARAM code, LPARAM value) { return edit.WindowProc(WM_TEXTEDIT_QUERY, code, value); };
    // Code 16: value under mask; mask 0 changes nothing; a null record only reads.
    OptionMask set = { 0x1F0, 0x30 };
    EXPECT_EQ(static_cast<uint32_t>(query(16, reinterpret_cast<LPARAM>(&set))), 0x1849u);
    EXPECT_EQ(EditOptions, 0x1849u | 0x30u | EO_CHANGED);
    EditOptions &= ~EO_CHANGED;
    OptionMask none = { 0xFFFFFFFF, 0 };
    const uint32_t now = EditOptions;
    EXPECT_EQ(static_cast<uint32_t>(query(16, reinterpret_cast<LPARAM>(&none))), now);
    EXPECT_EQ(EditOptions, now);
    EXPECT_EQ(static_cast<uint32_t>(query(16, 0)), now);
    EXPECT_EQ(static_cast<uint32_t>(query(17, 0)), now);
    // Line numbers through code 16 set the margin.
    OptionMask numbers = { 0x400, 0x400 };
    query(16, reinterpret_cast<LPARAM>(&numbers));
    EXPECT_GT(edit.Layout().MarginWidth(), 0);
    numbers.value = 0;
    query(16, reinterpret_cast<LPARAM>(&numbers));
    EXPECT_EQ(edit.Layout().MarginWidth(), 0);
    // Word stops follow bits 12 to 15.
    OptionMask stops = { 0x8000, 0xF000 };
    query(16, reinterpret_cast<LPARAM>(&stops));
    EXPECT_EQ(edit.GetWordStopMask(), 0x73E318u);
    // Code 21: 1..32 only; the previous width is answered either way.
    for (LPARAM bad : { 0, 33, -1 })
    {
        EXPECT_EQ(query(21, bad), 4);
        EXPECT_EQ(TabWidth, 4);
    }
    EXPECT_EQ(query(21, 32), 4);
    EXPECT_EQ(TabWidth, 32);
    // Codes 18 and 19 with a record, and without one.
    EditOptions = 0x1849;
    FindRequest find = { 0, 0, "beta" };
    EXPECT_EQ(query(18, reinterpret_cast<LPARAM>(&find)), 1);
    EXPECT_EQ(query(18, 0), 0);
    EXPECT_EQ(query(19, 0), 0);
    // Code 5: the anchor while a selection is active.
    EXPECT_EQ(static_cast<uint32_t>(query(5, 0)), PackTextPosition(10, 0));
    EXPECT_EQ(static_cast<uint32_t>(query(1, 0)), PackTextPosition(6, 0));
    ReplaceRequest replace = { 0, 0, "beta", "gamma" };
    EXPECT_EQ(query(19, reinterpret_cast<LPARAM>(&replace)), 1);
    EXPECT_EQ(Lines(edit)[0], "alpha gamma");
    EXPECT_EQ(query(22, reinterpret_cast<LPARAM>(&find)), 0);
    EXPECT_EQ(query(23, 0), 0);
    EXPECT_EQ(query(12, 0), 0);
}

TEST_F(TextEditFind, FindNextAndFindWordCommands)
{
    CTextEdit edit(2048, 50000, 0, "FindTest");
    edit.AppendText("wort und wort und wort\n");
    EditOptions = 0x1849 & ~0x40u;
    // Find next without a search text beeps.
    EXPECT_EQ(edit.OnFindNext(), 0);
    EXPECT_EQ(g_beeps, 1);
    // Find word: the word at the caret, then find next moves on.
    edit.SetCursorPos(1, 0, 0);
    EXPECT_EQ(edit.OnFindWord(), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 0, 9 }));
    EXPECT_EQ(edit.OnFindNext(), 1);
    EXPECT_TRUE(Selected(edit) == (Hit{ 0, 18 }));
    EXPECT_EQ(edit.OnFindNext(), 0);
    EXPECT_EQ(g_beeps, 2);
}
