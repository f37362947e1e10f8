// The hex view's find commands on a known 4 KB buffer: find next, the find dialog (answered
// through its seam), find with the selection, the wrap question and the "not found" message
// (both caught through the message seam). Where a match must be is computed by a plain loop
// over the same bytes.
#include "views/HexView.h"

#include "tests/views/ViewWindowSupport.h"
#include "views/FindValueDialog.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchInput.h"
#include "views/ValueSearchLists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace viewtest;

namespace {

const int kSize = 4096;

struct ShownMessage
{
    std::string text;
    UINT type;
};
std::vector<ShownMessage> g_messages;
int g_answer = IDOK;

int RecordMessage(HWND, const char* text, UINT type)
{
    g_messages.push_back({text ? text : "", type});
    return g_answer;
}

// The dialog's place: each call takes the next answer and may set flags and pattern.
struct DialogAnswer
{
    INT_PTR result;
    uint32_t flags;
    std::string entryText;   // built into a single-value pattern; empty: no change
};
std::vector<DialogAnswer> g_answers;
std::vector<uint32_t> g_dialogFlags;
std::vector<std::string> g_dialogTexts;

INT_PTR AnswerDialog(CWnd*, ValueSearchSettings* settings, uint32_t flags, const char* initialText)
{
    g_dialogFlags.push_back(flags);
    g_dialogTexts.push_back(initialText ? initialText : "");
    if (g_answers.empty())
        return IDCANCEL;
    DialogAnswer answer = g_answers.front();
    g_answers.erase(g_answers.begin());
    settings->flags = answer.flags;
    if (!answer.entryText.empty())
    {
        EntryLineOptions options = {InputKindOfText(answer.entryText.c_str()), SBC_VARIABLE, false, false, false};
        char line[VS_ENTRY_LINE_SIZE];
        EXPECT_GT(BuildEntryLine(answer.entryText.c_str(), options, line, sizeof line), 0);
        MultiTextFree(&settings->pattern);
        settings->pattern = MakeSinglePattern(line);
    }
    return answer.result;
}

std::vector<int> NaiveOffsets(const std::vector<uint8_t>& data, const char* needle)
{
    std::vector<int> offsets;
    size_t n = strlen(needle);
    for (size_t i = 0; i + n <= data.size(); ++i)
        if (memcmp(&data[i], needle, n) == 0)
            offsets.push_back(static_cast<int>(i));
    return offsets;
}

class HexViewFind : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ResetValueSearchSettings(&GetValueSearchSettings());
        SetHexFindMessageSeam(RecordMessage);
        SetHexFindDialogSeam(AnswerDialog);
        g_messages.clear();
        g_answers.clear();
        g_dialogFlags.clear();
        g_dialogTexts.clear();
        g_answer = IDOK;
        m_data.resize(kSize);
        // Bytes 0x80..0xFF only, so that no text occurs by chance; then the planted ones.
        for (int i = 0; i < kSize; ++i)
            m_data[i] = static_cast<uint8_t>(0x80 | ((i * 7) & 0x7F));
        for (int at : {100, 2000, 3500})
            memcpy(&m_data[at], "ABCD", 4);
        ASSERT_TRUE(m_view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 360), &m_parent, 4098));
        m_view.SetData(m_data.data(), kSize, 0, HDF_WRITABLE);
    }
    void TearDown() override
    {
        m_view.DestroyWindow();
        SetHexFindMessageSeam(nullptr);
        SetHexFindDialogSeam(nullptr);
        ResetValueSearchSettings(&GetValueSearchSettings());
        ViewWindowTest::TearDown();
    }
    void SetPattern(const char* text)
    {
        EntryLineOptions options = {InputKindOfText(text), SBC_VARIABLE, false, false, false};
        char line[VS_ENTRY_LINE_SIZE];
        ASSERT_GT(BuildEntryLine(text, options, line, sizeof line), 0);
        ValueSearchSettings& s = GetValueSearchSettings();
        MultiTextFree(&s.pattern);
        s.pattern = MakeSinglePattern(line);
    }
    int Cursor() const { return static_cast<int>(m_view.GetCursorAddress(false)); }
    void ExpectSelected(int offset, int length)
    {
        int selected = 0;
        EXPECT_EQ(m_view.GetSelection(false, &selected), offset);
        EXPECT_EQ(selected, length);
    }
    // The match stands in the upper half of the window.
    void ExpectUpperHalf(int offset)
    {
        int line = m_view.Model().LineOfOffset(offset);
        int top = m_view.Layout().ScrollLine();
        EXPECT_GE(line, top);
        EXPECT_LT(line - top, (m_view.Layout().WindowLines() + 1) / 2);
    }

    std::vector<uint8_t> m_data;
    CHexView m_view;
};

TEST_F(HexViewFind, FindNextWalksTheMatchesAndWrapsAfterAsking)
{
    std::vector<int> expected = NaiveOffsets(m_data, "ABCD");
    ASSERT_EQ(expected, (std::vector<int>{100, 2000, 3500}));
    SetPattern("\"ABCD\"");
    m_view.SetCursorAddress(0, false);
    for (int offset : expected)
    {
        m_view.OnFindNext();
        EXPECT_EQ(Cursor(), offset);
        ExpectSelected(offset, 4);
        ExpectUpperHalf(offset);
        EXPECT_TRUE(m_view.Model().Slots()[1].active);
    }
    EXPECT_TRUE(g_messages.empty());
    // Past the last: the question, then from the start.
    m_view.OnFindNext();
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, "Ende erreicht. Am Anfang weiter suchen ?");
    EXPECT_EQ(g_messages[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(Cursor(), expected[0]);
    // Declined, the cursor stays.
    m_view.SetCursorAddress(3600, false);
    g_answer = IDCANCEL;
    m_view.OnFindNext();
    EXPECT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(Cursor(), 3600);
}

TEST_F(HexViewFind, FindNextAtTheLastByteAsks)
{
    SetPattern("\"ABCD\"");
    m_view.SetCursorAddress(kSize - 1, false);
    m_view.OnFindNext();
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, "Ende erreicht. Am Anfang weiter suchen ?");
    EXPECT_EQ(Cursor(), 100);
}

TEST_F(HexViewFind, NotFoundIsReportedAndClearsHighlights)
{
    SetPattern("\"nowhere\"");
    m_view.SetCursorAddress(10, false);
    m_view.OnFindNext();
    ASSERT_EQ(g_messages.size(), 2u);   // the wrap question, then the result
    EXPECT_EQ(g_messages[1].text, "Bereich wurde nicht gefunden !");
    EXPECT_EQ(g_messages[1].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(Cursor(), 10);

    m_view.SetHighlightRange(0, 5, 3);
    g_messages.clear();
    g_answers.push_back({IDOK, VSF_WRAP, "\"zzzz\""});
    m_view.OnFind();
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, "Bereich wurde nicht gefunden !");
    EXPECT_FALSE(m_view.Model().Slots()[1].active);
}

TEST_F(HexViewFind, FindForwardAndBackwardWithWrap)
{
    // Forwards from the cursor, then round from the start.
    m_view.SetCursorAddress(2000, false);
    g_answers.push_back({IDOK, VSF_WRAP, "\"ABCD\""});
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 3500);
    m_view.SetCursorAddress(3600, false);
    g_answers.push_back({IDOK, VSF_WRAP, ""});
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 100);
    // Backwards: the nearest match below the cursor, then round from the end.
    m_view.SetCursorAddress(2500, false);
    g_answers.push_back({IDOK, VSF_WRAP | VSF_BACKWARDS, ""});
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 2000);
    ExpectSelected(2000, 4);
    m_view.SetCursorAddress(50, false);
    g_answers.push_back({IDOK, VSF_WRAP | VSF_BACKWARDS, ""});
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 3500);
    // Without the wrap nothing is found below 100.
    m_view.SetCursorAddress(50, false);
    g_answers.push_back({IDOK, VSF_BACKWARDS, ""});
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 50);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, "Bereich wurde nicht gefunden !");
    // From the start: the first match whatever the cursor.
    m_view.SetCursorAddress(3000, false);
    g_answers.push_back({IDOK, VSF_FROM_START, ""});
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 100);
}

TEST_F(HexViewFind, FindAgainReopensAndCancelEnds)
{
    m_view.SetCursorAddress(0, false);
    g_answers.push_back({FIND_VALUE_AGAIN, VSF_WRAP, "\"ABCD\""});
    g_answers.push_back({FIND_VALUE_AGAIN, VSF_WRAP, ""});
    // The third call finds no answer left and cancels.
    EXPECT_EQ(m_view.FindWithDialog(), 0);
    EXPECT_EQ(g_dialogFlags.size(), 3u);
    EXPECT_EQ(Cursor(), 2000);
    g_answers.push_back({IDOK, VSF_WRAP, ""});
    EXPECT_EQ(m_view.FindWithDialog(), 1);
    EXPECT_EQ(Cursor(), 3500);
}

TEST_F(HexViewFind, SelectionGivesInitialTextAndFlag)
{
    m_view.SelectRange(2000, 4, false);
    g_answers.push_back({IDCANCEL, VSF_WRAP, ""});
    m_view.OnFind();
    ASSERT_EQ(g_dialogTexts.size(), 1u);
    EXPECT_EQ(g_dialogTexts[0], "\"ABCD\"");
    EXPECT_TRUE(g_dialogFlags[0] & VSF_HAS_SELECTION);
    // Only within the selection: the bytes 1999..2004 hold one match.
    g_answers.push_back({IDOK, VSF_SELECTION_ONLY, "\"ABCD\""});
    m_view.SelectRange(1990, 20, false);
    m_view.OnFind();
    EXPECT_EQ(Cursor(), 2000);
    // Only a selection that becomes the search text (up to 64 bytes) offers the choice.
    for (int length : {64, 65, 1000})
    {
        m_view.SelectRange(1000, length, false);
        m_view.OnFind();
        EXPECT_EQ((g_dialogFlags.back() & VSF_HAS_SELECTION) != 0, length <= VS_SELECTION_MAX) << length;
        EXPECT_EQ(g_dialogTexts.back().empty(), length > VS_SELECTION_MAX) << length;
    }
    // No selection: no text, no flag.
    m_view.SetCursorAddress(5, false);
    m_view.Model().ClearSelection();
    m_view.OnFind();
    EXPECT_FALSE(g_dialogFlags.back() & VSF_HAS_SELECTION);
    EXPECT_EQ(g_dialogTexts.back(), "");
}

TEST_F(HexViewFind, FindSelectionSearchesTheSelectedBytes)
{
    m_view.SelectRange(100, 4, false);
    m_view.OnFindSelection();
    EXPECT_EQ(Cursor(), 2000);
    ExpectSelected(2000, 4);
    ValueSearchSettings& s = GetValueSearchSettings();
    EXPECT_STREQ(MultiTextAt(s.history, 0), "\"ABCD\"");
    ASSERT_NE(s.pattern, nullptr);
    EXPECT_STREQ(MultiTextAt(s.pattern, 0), "4");
    // Bytes that are not all printable become a hex dump in the history.
    m_view.SelectRange(10, 2, false);
    m_view.OnFindSelection();
    char expected[16];
    snprintf(expected, sizeof expected, ":%02X %02X", m_data[10], m_data[11]);
    EXPECT_STREQ(MultiTextAt(s.history, 0), expected);
    // Without a selection: a beep, nothing else.
    m_view.Model().ClearSelection();
    int beeps = g_beeps;
    m_view.OnFindSelection();
    EXPECT_EQ(g_beeps, beeps + 1);
}

TEST_F(HexViewFind, GroupMatchesBecomeHighlightRanges)
{
    ValueSearchSettings& s = GetValueSearchSettings();
    MultiTextInsert(&s.groups, -1, "40");
    const char* texts[] = {"\"ABCD\"", "\"XY\""};
    for (const char* text : texts)
    {
        EntryLineOptions options = {SIK_TEXT, SBC_VARIABLE, false, false, false};
        char line[VS_ENTRY_LINE_SIZE];
        ASSERT_GT(BuildEntryLine(text, options, line, sizeof line), 0);
        MultiTextInsert(&s.groups, -1, line);
    }
    s.pattern = MakeGroupPattern(s.groups);
    s.flags = VSF_GROUP;
    memcpy(&m_data[2020], "XY", 2);
    m_view.SetCursorAddress(0, false);
    m_view.OnFindNext();
    EXPECT_EQ(Cursor(), 2000);
    const HexRangeSlot* slots = m_view.Model().Slots();
    ASSERT_TRUE(slots[1].active);
    ASSERT_TRUE(slots[2].active);
    EXPECT_EQ(std::min(slots[2].start, slots[2].end), 2020);
}

TEST_F(HexViewFind, EmptyDataSearchesNothing)
{
    m_view.SetData(nullptr, 0, 0, 0);
    SetPattern("\"ABCD\"");
    m_view.OnFindNext();
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].text, "Bereich wurde nicht gefunden !");
    g_answers.push_back({IDOK, VSF_WRAP | VSF_BACKWARDS, ""});
    m_view.OnFind();
    EXPECT_EQ(g_messages.size(), 2u);
}

}  // namespace

// An ordered group whose first entry lies before the cursor and a later one behind it: the
// search is split at the cursor, and the later entry is looked for up to the first match plus
// the distance, not only up to the split.
TEST_F(HexViewFind, OrderedGroupAcrossTheCursorIsFound)
{
    const struct
    {
        const char* what;
        bool findNext;      // F3, else the dialog with these flags
        uint32_t flags;
        size_t questions;   // the wrap question of F3
    } cases[] = {
        {"find next, after the wrap question", true, VSF_GROUP | VSF_KEEP_ORDER, 1},
        {"find forwards with wrap", false, VSF_GROUP | VSF_KEEP_ORDER | VSF_WRAP, 0},
        {"find backwards", false, VSF_GROUP | VSF_KEEP_ORDER | VSF_BACKWARDS, 0},
    };
    m_data[5] = 'Q';
    m_data[8] = 'R';
    ASSERT_EQ(NaiveOffsets(m_data, "Q"), std::vector<int>{5});
    ASSERT_EQ(NaiveOffsets(m_data, "R"), std::vector<int>{8});
    for (const auto& c : cases)
    {
        ValueSearchSettings& s = GetValueSearchSettings();
        ResetValueSearchSettings(&s);
        MultiTextInsert(&s.groups, -1, "10");
        for (const char* text : {"\"Q\"", "\"R\""})
        {
            EntryLineOptions options = {SIK_TEXT, SBC_VARIABLE, false, false, false};
            char line[VS_ENTRY_LINE_SIZE];
            ASSERT_GT(BuildEntryLine(text, options, line, sizeof line), 0);
            MultiTextInsert(&s.groups, -1, line);
        }
        s.pattern = MakeGroupPattern(s.groups);
        s.flags = c.flags;
        g_messages.clear();
        m_view.SetHighlightRange(-2, 0, 0);
        m_view.SetCursorAddress(6, false);
        if (c.findNext)
        {
            m_view.OnFindNext();
        }
        else
        {
            g_answers.push_back({IDOK, c.flags, ""});
            m_view.OnFind();
        }
        EXPECT_EQ(g_messages.size(), c.questions) << c.what;
        EXPECT_EQ(Cursor(), 5) << c.what;
        const HexRangeSlot* slots = m_view.Model().Slots();
        ASSERT_TRUE(slots[2].active) << c.what;
        EXPECT_EQ(std::min(slots[2].start, slots[2].end), 8) << c.what;
    }
}
