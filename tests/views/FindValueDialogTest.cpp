// The "Wert suchen" dialog run modally and driven as a user would: a thread timer finds the
// dialog, types into its fields, clicks its buttons and closes it. What the dialog leaves in
// the shared settings (history, group list, flags, pattern) is then checked by running the
// pattern on bytes and by the registry values it saves to.
#include "views/FindValueDialog.h"

#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchInput.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// Runs the dialog with one scripted step per action on it; the last one closes it.
INT_PTR RunSteps(ValueSearchSettings* settings, uint32_t flags, const char* initial,
                 std::vector<std::function<void(HWND)>> steps)
{
    testsupport::ModalScript script;
    for (auto& step : steps)
        script.Add([step](HWND d) {
            step(d);
            return true;
        });
    CFindValueDialog dialog(nullptr, settings, flags, initial);
    return script.Run([&] { return dialog.DoModal(); });
}

std::string TextOf(HWND d, int id)
{
    char text[1024] = {0};
    ::GetWindowTextA(::GetDlgItem(d, id), text, sizeof(text));
    return text;
}

void Type(HWND d, const char* text)
{
    HWND combo = ::GetDlgItem(d, IDC_FV_TEXT);
    ::SetWindowTextA(combo, text);
    ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_FV_TEXT, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(combo));
}

void Click(HWND d, int id)
{
    ::SendMessageA(::GetDlgItem(d, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND d, int id)
{
    return ::SendMessageA(::GetDlgItem(d, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND d, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(d, id)) != FALSE;
}

std::vector<std::string> Texts(const char* list)
{
    std::vector<std::string> texts;
    for (int i = 0; MultiTextAt(list, i) && *MultiTextAt(list, i); ++i)
        texts.push_back(MultiTextAt(list, i));
    return texts;
}

// Every offset at which `needle` stands in `data`, by a plain loop.
std::vector<int> NaiveOffsets(const std::vector<uint8_t>& data, const std::vector<uint8_t>& needle)
{
    std::vector<int> offsets;
    for (size_t i = 0; i + needle.size() <= data.size(); ++i)
        if (memcmp(&data[i], needle.data(), needle.size()) == 0)
            offsets.push_back(static_cast<int>(i));
    return offsets;
}

class FindValueDialogTest : public ::testing::Test
{
protected:
    FindValueDialogTest() : m_scratch("Views") {}
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "Views");
        ResetValueSearchSettings(&m_settings);
    }
    void TearDown() override { ResetValueSearchSettings(&m_settings); }

    testsupport::ScratchKey m_scratch;
    ValueSearchSettings m_settings = {nullptr, nullptr, nullptr, 0, 0, 0, 0, 0};
};

TEST_F(FindValueDialogTest, DecimalNumberBecomesPatternHistoryAndRegistry)
{
    m_settings.flags = VSF_WRAP;
    INT_PTR result = RunSteps(&m_settings, VSF_WRAP, nullptr, {
        [](HWND d) {
            Type(d, "305419896");   // 0x12345678
            // A digit says decimal; DWord stays the byte count.
            EXPECT_TRUE(IsChecked(d, IDC_FV_KIND_FIRST + SIK_DECIMAL));
            EXPECT_TRUE(IsChecked(d, IDC_FV_COUNT_FIRST + SBC_DWORD));
            ::PostMessageA(d, WM_COMMAND, IDOK, 0);
        },
    });
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(Texts(m_settings.history), std::vector<std::string>{"305419896"});
    ASSERT_NE(m_settings.pattern, nullptr);
    EXPECT_EQ(m_settings.pattern[0], 0);   // an empty distance: one value
    EXPECT_EQ(m_settings.pattern[1], 'D');
    EXPECT_EQ(m_settings.byteCountChoice, SBC_DWORD);
    EXPECT_EQ(m_settings.flags & VSF_STORED_MASK, static_cast<uint32_t>(VSF_WRAP));
    EXPECT_TRUE(m_settings.dialogPlaced != 0);

    // The pattern finds the little-endian bytes where a plain loop finds them.
    std::vector<uint8_t> data(600);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 13);
    const std::vector<uint8_t> value = {0x78, 0x56, 0x34, 0x12};
    memcpy(&data[77], value.data(), 4);
    memcpy(&data[401], value.data(), 4);
    std::vector<int> expected = NaiveOffsets(data, value);
    ASSERT_EQ(expected.size(), 2u);
    SearchMatch match[VS_MAX_ENTRIES];
    EXPECT_EQ(FindPatternInData(data.data(), 600, m_settings.pattern, 0, 600, 0, match), expected[0]);
    EXPECT_EQ(FindPatternInData(data.data(), 600, m_settings.pattern, expected[0] + 1, 600, 0, match),
              expected[1]);

    // What lands in the registry.
    {
        CRegistry registry;
        ASSERT_TRUE(registry.OpenAppKey());
        EXPECT_EQ(SaveValueSearchSettings(registry, m_settings), 1);
    }
    HKEY key = m_scratch.Open();
    ASSERT_NE(key, nullptr);
    char raw[256];
    DWORD type = 0, size = sizeof raw;
    ASSERT_EQ(RegQueryValueExA(key, "HexFind", nullptr, &type, reinterpret_cast<BYTE*>(raw), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(raw, size), std::string("305419896\0\0", 11));
    DWORD flags = 0;
    size = sizeof flags;
    ASSERT_EQ(RegQueryValueExA(key, "HexFindFlags", nullptr, &type, reinterpret_cast<BYTE*>(&flags), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(flags, static_cast<DWORD>(VSF_WRAP));
    RegCloseKey(key);
}

TEST_F(FindValueDialogTest, InitialTextHistoryAndKindChanges)
{
    AddToHistory(&m_settings.history, "older", VS_HISTORY_MAX);
    AddToHistory(&m_settings.history, "0x41424344", VS_HISTORY_MAX);
    std::string shownFirst, asText, prefixHex, asDump;
    int items = 0;
    INT_PTR result = RunSteps(&m_settings, 0, nullptr, {
        [&](HWND d) {
            shownFirst = TextOf(d, IDC_FV_TEXT);
            items = static_cast<int>(::SendMessageA(::GetDlgItem(d, IDC_FV_TEXT), CB_GETCOUNT, 0, 0));
            EXPECT_TRUE(IsChecked(d, IDC_FV_KIND_FIRST + SIK_HEX));
            // The same four bytes (44 43 42 41 in memory) shown as text and as a dump.
            Click(d, IDC_FV_KIND_FIRST + SIK_TEXT);
            asText = TextOf(d, IDC_FV_TEXT);
            EXPECT_TRUE(IsChecked(d, IDC_FV_COUNT_FIRST + SBC_VARIABLE));
            Click(d, IDC_FV_KIND_FIRST + SIK_DUMP);
            asDump = TextOf(d, IDC_FV_TEXT);
            Type(d, "");
            Click(d, IDC_FV_KIND_FIRST + SIK_HEX);
            prefixHex = TextOf(d, IDC_FV_TEXT);
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(shownFirst, "0x41424344");
    EXPECT_EQ(items, 2);
    EXPECT_EQ(asText, "\"DCBA\"");
    EXPECT_EQ(asDump, ":44 43 42 41");
    EXPECT_EQ(prefixHex, "0x");
    EXPECT_EQ(m_settings.pattern, nullptr);   // Cancel leaves the pattern alone

    // An initial text wins over the history.
    std::string shown;
    RunSteps(&m_settings, 0, "\"xyz\"", {
        [&](HWND d) {
            shown = TextOf(d, IDC_FV_TEXT);
            EXPECT_TRUE(IsChecked(d, IDC_FV_KIND_FIRST + SIK_TEXT));
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_EQ(shown, "\"xyz\"");
}

TEST_F(FindValueDialogTest, EnablingRules)
{
    RunSteps(&m_settings, VSF_NO_FIND_NEXT, "\"abc\"", {
        [](HWND d) {
            // Text: case and Unicode on, Motorola off; no selection, no range box.
            EXPECT_TRUE(IsEnabled(d, IDC_FV_IGNORE_CASE));
            EXPECT_TRUE(IsEnabled(d, IDC_FV_UNICODE));
            EXPECT_FALSE(IsEnabled(d, IDC_FV_MOTOROLA));
            EXPECT_FALSE(IsEnabled(d, IDC_FV_SELECTION_ONLY));
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDC_FV_FIND_AGAIN)));
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDC_FV_LIST)));
            Type(d, "1234");
            EXPECT_FALSE(IsEnabled(d, IDC_FV_IGNORE_CASE));
            EXPECT_TRUE(IsEnabled(d, IDC_FV_MOTOROLA));   // a number of DWord size
            Click(d, IDC_FV_COUNT_FIRST + SBC_BYTE);
            EXPECT_FALSE(IsEnabled(d, IDC_FV_MOTOROLA));
            // From the start fixes the direction.
            EXPECT_TRUE(IsEnabled(d, IDC_FV_BACKWARDS));
            Click(d, IDC_FV_FROM_START);
            EXPECT_FALSE(IsEnabled(d, IDC_FV_BACKWARDS));
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    RunSteps(&m_settings, VSF_HAS_SELECTION | VSF_FROM_START, "1", {
        [](HWND d) {
            EXPECT_TRUE(IsEnabled(d, IDC_FV_SELECTION_ONLY));
            EXPECT_TRUE(IsChecked(d, IDC_FV_FROM_START));
            Click(d, IDC_FV_SELECTION_ONLY);   // the two ranges exclude each other
            EXPECT_TRUE(IsChecked(d, IDC_FV_SELECTION_ONLY));
            EXPECT_FALSE(IsChecked(d, IDC_FV_FROM_START));
            Click(d, IDC_FV_FROM_START);
            EXPECT_FALSE(IsChecked(d, IDC_FV_SELECTION_ONLY));
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    // A fixed direction disables the buttons but keeps the stored direction, on OK too.
    RunSteps(&m_settings, VSF_FORWARD_ONLY | VSF_NO_GROUP | VSF_BACKWARDS, "1", {
        [](HWND d) {
            EXPECT_FALSE(IsEnabled(d, IDC_FV_BACKWARDS));
            EXPECT_FALSE(IsEnabled(d, IDC_FV_FORWARDS));
            EXPECT_TRUE(IsChecked(d, IDC_FV_BACKWARDS));
            EXPECT_FALSE(IsEnabled(d, IDC_FV_GROUP));
            ::PostMessageA(d, WM_COMMAND, IDOK, 0);
        },
    });
    EXPECT_NE(m_settings.flags & VSF_BACKWARDS, 0u);
}

TEST_F(FindValueDialogTest, GroupListButtonsAndFindAgain)
{
    INT_PTR result = RunSteps(&m_settings, 0, nullptr, {
        [](HWND d) {
            Click(d, IDC_FV_GROUP);
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d, IDC_FV_LIST)));
            EXPECT_EQ(TextOf(d, IDC_FV_DISTANCE), "1000");
            ::SetWindowTextA(::GetDlgItem(d, IDC_FV_DISTANCE), "50");
            HWND list = ::GetDlgItem(d, IDC_FV_LIST);
            const char* values[] = {"\"AB\"", "\"CD\"", "\"EF\""};
            for (const char* v : values)
            {
                Type(d, v);
                EXPECT_TRUE(IsEnabled(d, IDC_FV_ADD));
                Click(d, IDC_FV_ADD);
            }
            ASSERT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
            // The first line moved up goes round to the end.
            ::SendMessageA(list, LB_SETSEL, TRUE, 0);
            ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_FV_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            EXPECT_EQ(TextOf(d, IDC_FV_TEXT), "\"AB\"");   // the line is loaded back
            Click(d, IDC_FV_UP);
            char line[256] = {0};
            ::SendMessageA(list, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(line));
            EXPECT_NE(strstr(line, "(\"AB\")"), nullptr);
            // Delete the middle one ("EF" now at 1).
            ::SendMessageA(list, LB_SETSEL, FALSE, -1);
            ::SendMessageA(list, LB_SETSEL, TRUE, 1);
            Click(d, IDC_FV_DELETE);
            EXPECT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
            ::PostMessageA(d, WM_COMMAND, IDC_FV_FIND_AGAIN, 0);
        },
    });
    ASSERT_EQ(result, FIND_VALUE_AGAIN);
    std::vector<std::string> groups = Texts(m_settings.groups);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0], "50");
    EXPECT_NE(groups[1].find("(\"CD\")"), std::string::npos);
    EXPECT_NE(groups[2].find("(\"AB\")"), std::string::npos);
    EXPECT_EQ(MultiTextSize(m_settings.pattern), MultiTextSize(m_settings.groups));
    EXPECT_EQ(memcmp(m_settings.pattern, m_settings.groups, MultiTextSize(m_settings.groups)), 0);
    EXPECT_TRUE(m_settings.flags & VSF_GROUP);

    // The group found where a plain loop says: "CD" first, "AB" within 50 bytes.
    std::vector<uint8_t> data(300, '.');
    memcpy(&data[20], "CD", 2);     // no AB near it
    memcpy(&data[150], "CD", 2);
    memcpy(&data[170], "AB", 2);
    SearchMatch match[VS_MAX_ENTRIES];
    EXPECT_EQ(FindPatternInData(data.data(), 300, m_settings.pattern, 0, 300, m_settings.flags, match), 150);
    EXPECT_EQ(match[1].offset, 170);

    // Reopened, the group list comes back from the settings.
    int lines = 0;
    RunSteps(&m_settings, 0, nullptr, {
        [&](HWND d) {
            lines = static_cast<int>(::SendMessageA(::GetDlgItem(d, IDC_FV_LIST), LB_GETCOUNT, 0, 0));
            EXPECT_EQ(TextOf(d, IDC_FV_DISTANCE), "50");
            Click(d, IDC_FV_DELETE_ALL);
            EXPECT_EQ(::SendMessageA(::GetDlgItem(d, IDC_FV_LIST), LB_GETCOUNT, 0, 0), 0);
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_EQ(lines, 2);
}

TEST_F(FindValueDialogTest, PositionIsRememberedAndRestored)
{
    m_settings.dialogPlaced = 1;
    m_settings.dialogX = 30;
    m_settings.dialogY = 40;
    RECT rect = {0, 0, 0, 0};
    RunSteps(&m_settings, 0, "1", {
        [&](HWND d) {
            ::GetWindowRect(d, &rect);
            ::SetWindowPos(d, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(m_settings.dialogX, 60);
    EXPECT_EQ(m_settings.dialogY, 70);
    // A place off the screen is not used.
    m_settings.dialogX = -500;
    RunSteps(&m_settings, 0, "1", {
        [&](HWND d) {
            ::GetWindowRect(d, &rect);
            ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        },
    });
    EXPECT_NE(rect.left, -500);
}

std::vector<std::string> g_dialogMessages;

int RecordDialogMessage(HWND, const char* text, UINT)
{
    g_dialogMessages.push_back(text ? text : "");
    return IDOK;
}

// A typed text that gives nothing to search is refused in words by OK, "Weitersuchen" and
// "Hinzufügen" alike, in the words its form calls for: the dialog stays open, keeps the
// pattern it had and puts the text into no history. OK with an empty text then ends the
// dialog with no pattern (nothing is searched), and a "Bereich" that is no number becomes the
// default distance.
TEST_F(FindValueDialogTest, UnparsableTextIsRefusedInWordsAndAnEmptyOneGivesNoPattern)
{
    const struct
    {
        const char* text;
        const char* words;
    } cases[] = {
        {"12 GB", kTextIsNoNumber},
        {"1.5", kTextIsNoNumber},
        {":zz", kTextGivesNoValue},
        {"99999999999999999999", kNumberExceedsByteCount},
    };
    SetHexFindMessageSeam(RecordDialogMessage);
    for (const auto& c : cases) {
        g_dialogMessages.clear();
        MultiTextFree(&m_settings.pattern);
        MultiTextInsert(&m_settings.pattern, -1, "x");
        bool openAfterOk = false, openAfterAgain = false, patternKept = false;
        LRESULT linesAfterAdd = -1;
        INT_PTR result = RunSteps(&m_settings, 0, nullptr, {
            [&](HWND d) {
                Type(d, c.text);
                ::SendMessageA(d, WM_COMMAND, IDOK, 0);
                openAfterOk = ::IsWindow(d) && ::IsWindowVisible(d);
                ::SendMessageA(d, WM_COMMAND, IDC_FV_FIND_AGAIN, 0);
                openAfterAgain = ::IsWindow(d) && ::IsWindowVisible(d);
                patternKept = m_settings.pattern && strcmp(m_settings.pattern, "x") == 0;
                Click(d, IDC_FV_GROUP);
                Click(d, IDC_FV_ADD);
                linesAfterAdd = ::SendMessageA(::GetDlgItem(d, IDC_FV_LIST), LB_GETCOUNT, 0, 0);
                Click(d, IDC_FV_GROUP);
                Type(d, "");
                ::SetWindowTextA(::GetDlgItem(d, IDC_FV_DISTANCE), "abc");
                ::PostMessageA(d, WM_COMMAND, IDOK, 0);
            },
        });
        EXPECT_TRUE(openAfterOk) << c.text;
        EXPECT_TRUE(openAfterAgain) << c.text;
        EXPECT_TRUE(patternKept) << c.text;
        EXPECT_EQ(linesAfterAdd, 0) << c.text;
        EXPECT_EQ(g_dialogMessages, std::vector<std::string>(3, std::string(c.words))) << c.text;
        EXPECT_EQ(result, IDOK) << c.text;
        EXPECT_EQ(m_settings.pattern, nullptr) << c.text;
        ASSERT_NE(m_settings.groups, nullptr);
        EXPECT_EQ(Texts(m_settings.groups)[0], "1000") << c.text;
        EXPECT_EQ(Texts(m_settings.history), std::vector<std::string>{}) << c.text;
    }
    SetHexFindMessageSeam(nullptr);
}

// A number too large for the chosen size is refused in words, by OK, "Weitersuchen" and
// "Hinzufügen" alike: the dialog stays open and keeps the pattern it had; the number made to
// fit is then taken.
TEST_F(FindValueDialogTest, NumberTooLargeForItsSizeIsRefusedInWords)
{
    SetHexFindMessageSeam(RecordDialogMessage);
    g_dialogMessages.clear();
    MultiTextInsert(&m_settings.pattern, -1, "x");
    bool openAfterOk = false, openAfterAgain = false, patternKept = false;
    LRESULT linesAfterAdd = -1;
    INT_PTR result = RunSteps(&m_settings, 0, nullptr, {
        [&](HWND d) {
            Type(d, "300");
            Click(d, IDC_FV_COUNT_FIRST + SBC_BYTE);
            ::SendMessageA(d, WM_COMMAND, IDOK, 0);
            openAfterOk = ::IsWindow(d) && ::IsWindowVisible(d);
            ::SendMessageA(d, WM_COMMAND, IDC_FV_FIND_AGAIN, 0);
            openAfterAgain = ::IsWindow(d) && ::IsWindowVisible(d);
            patternKept = m_settings.pattern && strcmp(m_settings.pattern, "x") == 0;
            Click(d, IDC_FV_GROUP);
            Click(d, IDC_FV_ADD);
            linesAfterAdd = ::SendMessageA(::GetDlgItem(d, IDC_FV_LIST), LB_GETCOUNT, 0, 0);
            Click(d, IDC_FV_GROUP);
            Type(d, "200");
            ::PostMessageA(d, WM_COMMAND, IDOK, 0);
        },
    });
    SetHexFindMessageSeam(nullptr);
    EXPECT_TRUE(openAfterOk);
    EXPECT_TRUE(openAfterAgain);
    EXPECT_TRUE(patternKept);
    EXPECT_EQ(linesAfterAdd, 0);
    EXPECT_EQ(g_dialogMessages,
              std::vector<std::string>(3, std::string(kNumberExceedsByteCount)));
    ASSERT_EQ(result, IDOK);
    ASSERT_NE(m_settings.pattern, nullptr);
    const uint8_t data[] = {0x2C, 0x01, 200, 0x2C};
    EXPECT_EQ(FindPatternInData(data, sizeof data, m_settings.pattern, 0, sizeof data, 0, nullptr), 2);
    EXPECT_EQ(Texts(m_settings.history), std::vector<std::string>{"200"});
}

// A whole "Bereich" below 1 is no fault of the input: it becomes the default 1000 and OK ends
// the dialog; a distance of 1 or more is kept as typed.
TEST_F(FindValueDialogTest, DistanceBelowOneBecomesTheDefault)
{
    const struct { const char* typed; const char* kept; } cases[] = {
        {"0", "1000"}, {"-3", "1000"}, {"", "1000"}, {"1", "1"}, {"77", "77"},
    };
    for (const auto& c : cases) {
        INT_PTR result = RunSteps(&m_settings, 0, nullptr, {
            [&](HWND d) {
                Type(d, "5");
                ::SetWindowTextA(::GetDlgItem(d, IDC_FV_DISTANCE), c.typed);
                ::PostMessageA(d, WM_COMMAND, IDOK, 0);
            },
        });
        EXPECT_EQ(result, IDOK) << c.typed;
        ASSERT_NE(m_settings.groups, nullptr) << c.typed;
        EXPECT_EQ(Texts(m_settings.groups)[0], c.kept) << c.typed;
    }
}

}  // namespace
