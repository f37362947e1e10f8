// The hex tool dialogs run modally from the view's commands and driven as a user would: a
// thread timer finds the dialog by its caption, types into its fields, clicks and closes it.
// Expected values come from the bytes and from the window-free models, never from the
// dialog itself.
#include "views/HexToolDialogs.h"
#include "views/HexView.h"

#include "services/Registry.h"
#include "tests/views/GuardedBuffer.h"
#include "tests/views/ViewWindowSupport.h"
#include "uihelpers/ClipboardText.h"
#include "views/FindValueDialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace viewtest;

namespace {

// A step runs on a timer tick with the dialog; it returns false to be asked again later.
typedef std::function<bool(HWND)> Step;
std::vector<Step> g_steps;
size_t g_next = 0;
DWORD g_deadline = 0;   // a step that never succeeds ends the dialog then, not a tick count
const char* g_caption = nullptr;

BOOL CALLBACK FindCaption(HWND window, LPARAM found)
{
    char title[80] = { 0 };
    ::GetWindowTextA(window, title, sizeof(title));
    if (::IsWindowVisible(window) && strcmp(title, g_caption) == 0)
    {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindCaption, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    if (static_cast<LONG>(::GetTickCount() - g_deadline) > 0 || g_next >= g_steps.size())
    {
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);   // a failed step must not hang the run
        return;
    }
    if (g_steps[g_next](dialog))
        ++g_next;
}

// Runs `command` while the steps drive the dialog of that caption; every step must run.
void Drive(const char* caption, std::vector<Step> steps, const std::function<void()>& command)
{
    g_caption = caption;
    g_steps = std::move(steps);
    g_next = 0;
    g_deadline = ::GetTickCount() + 60000;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 30, Tick);
    command();
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_next, g_steps.size()) << caption << ": not every step ran";
}

std::string Text(HWND d, int id)
{
    char text[512] = { 0 };
    ::GetWindowTextA(::GetDlgItem(d, id), text, sizeof(text));
    return text;
}

void Type(HWND d, int id, const char* text, UINT code)
{
    HWND field = ::GetDlgItem(d, id);
    ::SetWindowTextA(field, text);
    ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(field));
}

void Click(HWND d, int id)
{
    HWND button = ::GetDlgItem(d, id);
    if (::GetWindowLongA(button, GWL_STYLE) & (BS_AUTORADIOBUTTON | BS_AUTOCHECKBOX))
        ::SendMessageA(button, BM_CLICK, 0, 0);
    else
        ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Which brush the dialog paints a field with.
HBRUSH FieldBrush(HWND d, int id)
{
    HWND field = ::GetDlgItem(d, id);
    HDC dc = ::GetDC(field);
    HBRUSH brush = reinterpret_cast<HBRUSH>(::SendMessageA(d, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(field)));
    ::ReleaseDC(field, dc);
    return brush;
}

std::vector<std::string> g_messages;
int RecordMessage(HWND, const char* text, UINT)
{
    g_messages.push_back(text);
    return IDOK;
}

class HexToolDialogs : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        for (int i = 0; i < 256; ++i)
            m_bytes[i] = static_cast<uint8_t>(i * 29 + 7);
        m_data = m_buffer.AtEnd(m_bytes, 256);
        ASSERT_TRUE(m_view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_parent, 4098));
        m_view.SetData(m_data, 256, 0x2000, HDF_WRITABLE);
        g_messages.clear();
        SetHexFindMessageSeam(RecordMessage);
    }
    void TearDown() override
    {
        SetHexFindMessageSeam(nullptr);
        m_view.DestroyWindow();
        ViewWindowTest::TearDown();
    }
    void Select(int from, int count)
    {
        m_view.SetCursorAddress(from, false);
        m_view.SetSelectionEnd(from + count, false);
    }

    uint8_t m_bytes[256];
    GuardedBuffer m_buffer{ 256 };
    uint8_t* m_data = nullptr;
    CHexView m_view;
};

TEST_F(HexToolDialogs, GoToAddressEvaluatesTheTextAndKeepsAHistory)
{
    int result = 0;
    Drive("Cursor setzen",
          { [](HWND d) {
               EXPECT_EQ(Text(d, IDC_HT_PROMPT), "Neue Adresse :");
               EXPECT_EQ(Text(d, IDC_HT_VALUE), "0x2000");
               // The history's list opens, empty as it still is.
               EXPECT_TRUE(::SendMessageA(::GetDlgItem(d, IDC_HT_VALUE), CB_GETDROPPEDSTATE, 0, 0));
               Type(d, IDC_HT_VALUE, "0x2000 + 0x10*2", CBN_EDITCHANGE);
               ::PostMessageA(d, WM_COMMAND, IDOK, 0);
               return true;
           } },
          [&] { result = m_view.OnGotoAddress(); });
    EXPECT_EQ(result, 0x2020);
    EXPECT_EQ(m_view.GetCursorAddress(false), 0x20);

    // The bytes of a selection as an address below the base count from the base; the text
    // entered before stands in the list, also after another sector came. Cancel moves nothing.
    m_view.SetData(m_data, 256, 0x2000, HDF_WRITABLE);
    m_data[0x40] = 0x30;
    m_data[0x41] = 0x00;
    Select(0x40, 2);
    Drive("Cursor setzen",
          { [](HWND d) {
               EXPECT_EQ(Text(d, IDC_HT_VALUE), "0x2030");
               HWND combo = ::GetDlgItem(d, IDC_HT_VALUE);
               char item[64] = { 0 };
               ::SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
               EXPECT_STREQ(item, "0x2000 + 0x10*2");
               ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
               return true;
           } },
          [&] { result = m_view.OnGotoAddress(); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(m_view.GetCursorAddress(false), 0x40);

    // A number that does not fit is no whole expression either: OK takes it as address 0
    // (HexToolsTest has the table), the dialog does not stay.
    Drive("Cursor setzen",
          { [](HWND d) {
               Type(d, IDC_HT_VALUE, "65536*65536+3", CBN_EDITCHANGE);
               return ::PostMessageA(d, WM_COMMAND, IDOK, 0) != 0;
           } },
          [&] { result = m_view.OnGotoAddress(); });
    EXPECT_EQ(result, 0);
}

TEST_F(HexToolDialogs, ValueInputShowsTheCursorsValueAndWritesTheChosenSize)
{
    char shown[32];
    snprintf(shown, sizeof(shown), "0x%X",
             static_cast<unsigned>(m_data[8] | m_data[9] << 8 | m_data[10] << 16 | m_data[11] << 24));
    const std::string expected = shown;
    Drive("Wert eingeben",
          { [&](HWND d) {
               EXPECT_EQ(Text(d, IDC_HT_VALUE), expected);
               EXPECT_EQ(::SendMessageA(::GetDlgItem(d, IDC_HT_SIZE_FIRST + 2), BM_GETCHECK, 0, 0), BST_CHECKED);
               // A number beyond 64 bits, or text that is no number, is refused in words, never
               // written as all ones or as 0.
               for (const char* refused : { "18446744073709551616", "-18446744073709551616", "1<<64", "abc" }) {
                   g_messages.clear();
                   Type(d, IDC_HT_VALUE, refused, EN_CHANGE);
                   ::SendMessageA(d, WM_COMMAND, IDOK, 0);
                   EXPECT_TRUE(::IsWindow(d)) << refused << " was taken";
                   EXPECT_EQ(g_messages, std::vector<std::string>{ "Der Wert ist keine Zahl, die in die gewählte Größe passt !" })
                       << refused;
               }
               g_messages.clear();
               Type(d, IDC_HT_VALUE, ":11 22", EN_CHANGE);
               Click(d, IDC_HT_SIZE_FIRST + 1);
               Click(d, IDC_HT_BIG_ENDIAN);
               ::PostMessageA(d, WM_COMMAND, IDOK, 0);
               return true;
           } },
          [&] {
              m_view.SetCursorAddress(8, false);
              m_view.OnValueInput();
          });
    EXPECT_EQ(m_data[8], 0x22);
    EXPECT_EQ(m_data[9], 0x11);
    EXPECT_EQ(m_data[10], m_bytes[10]);

    m_view.SetModeFlags(HVM_PROTECTED, HVM_PROTECTED);
    Drive("Wert eingeben", { [](HWND d) { return ::PostMessageA(d, WM_COMMAND, IDOK, 0) != 0; } },
          [&] { m_view.OnValueInput(); });
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "Die Daten sind schreibgeschützt !");
    EXPECT_EQ(m_data[8], 0x22);
}

TEST_F(HexToolDialogs, CopyAsSourcePreviewsTheFirstLineAndCopiesTheWholeChoice)
{
    Select(16, 40);
    auto firstLine = [&](int size, uint32_t flags, int perLine) {
        char out[256];
        FormatCppArray(m_data + 16, 40, size, flags, perLine, out, sizeof(out));
        std::string s = out;
        return s.substr(0, s.find('\n'));
    };
    CppCopySettings opening = DefaultCppCopySettings();
    opening.valueSize = 4;
    opening.lineSize = 8;
    opening.format = CAF_C;
    opening.bigEndian = 0;
    SaveCppCopySettings(opening);
    Drive("Kopiere im C++ Format",
          { [&](HWND d) {
               EXPECT_EQ(Text(d, IDC_HT_PROMPT), "Spaltenbreite");
               // The choices as they open are previewed after the countdown's three ticks.
               for (int tick = 0; tick < 3; ++tick)
                   ::SendMessageA(d, WM_TIMER, HEX_PREVIEW_TIMER, 0);
               EXPECT_EQ(Text(d, IDC_HT_PREVIEW), firstLine(4, CAF_C, 8));
               Click(d, IDC_HT_SIZE_FIRST);
               Type(d, IDC_HT_VALUE, "16", EN_CHANGE);
               return true;
           },
            [&](HWND d) { return Text(d, IDC_HT_PREVIEW) == firstLine(1, CAF_C, 16); },
            [&](HWND d) {
                Click(d, IDC_HT_FORMAT_FIRST + 2);
                EXPECT_EQ(Text(d, IDC_HT_SIZE_FIRST), "Base 64");
                EXPECT_EQ(Text(d, IDC_HT_SIZE_FIRST + 3), "Chars");
                Click(d, IDC_HT_FORMAT_FIRST + 1);
                Click(d, IDC_HT_SIZE_FIRST + 1);
                Type(d, IDC_HT_VALUE, "3", EN_CHANGE);
                return true;
            },
            [&](HWND d) { return Text(d, IDC_HT_PREVIEW) == firstLine(2, CAF_ASSEMBLER, 3); },
            [](HWND d) { return ::PostMessageA(d, WM_COMMAND, IDOK, 0) != 0; } },
          [&] { m_view.OnCopyCpp(); });
    std::string whole(4096, '\0');
    whole.resize(static_cast<size_t>(FormatCppArray(m_data + 16, 40, 2, CAF_ASSEMBLER, 3, &whole[0], 4096)));
    char* clip = ClipboardGetText(nullptr);
    EXPECT_EQ(std::string(clip ? clip : ""), whole);
    free(clip);
    CppCopySettings stored = DefaultCppCopySettings();
    LoadCppCopySettings(&stored);
    EXPECT_EQ(stored.format, CAF_ASSEMBLER);
    EXPECT_EQ(stored.valueSize, 2);
    EXPECT_EQ(stored.lineSize, 3);

    // The dump names no fourth size, which stays a choice all the same; a column width that
    // is no number is taken as 0, which the copy makes 16 values a line.
    Drive("Kopiere im C++ Format",
          { [&](HWND d) {
               Click(d, IDC_HT_FORMAT_FIRST + 3);
               EXPECT_EQ(Text(d, IDC_HT_SIZE_FIRST + 3), "");
               EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_HT_SIZE_FIRST + 3)));
               Type(d, IDC_HT_VALUE, "abc", EN_CHANGE);
               return ::PostMessageA(d, WM_COMMAND, IDOK, 0) != 0;
           } },
          [&] { m_view.OnCopyCpp(); });
    whole.assign(4096, '\0');
    whole.resize(static_cast<size_t>(FormatCppArray(m_data + 16, 40, 2, CAF_DUMP, 16, &whole[0], 4096)));
    clip = ClipboardGetText(nullptr);
    EXPECT_EQ(std::string(clip ? clip : ""), whole);
    free(clip);
    LoadCppCopySettings(&stored);
    EXPECT_EQ(stored.format, CAF_DUMP);
    EXPECT_EQ(stored.lineSize, 0);
}

TEST_F(HexToolDialogs, ChecksumsOfTheSelectionInBothByteOrders)
{
    memcpy(m_data + 4, "\x01\x02\x03", 3);
    Select(4, 3);
    Drive("Checksumme",
          { [](HWND d) {
               EXPECT_EQ(Text(d, IDC_HT_SUM_FIRST), "00000006");
               EXPECT_EQ(Text(d, IDC_HT_SUM_FIRST + 1), "FFFFFFFA");
               EXPECT_EQ(Text(d, IDC_HT_SUM_FIRST + 3), "00000204");   // 0201 + 0003
               EXPECT_EQ(Text(d, IDC_HT_SUM_FIRST + 6), "00030201");
               Click(d, IDC_HT_BIG_ENDIAN);
               EXPECT_EQ(Text(d, IDC_HT_SUM_FIRST + 3), "00000402");   // 0102 + 0300
               EXPECT_EQ(Text(d, IDC_HT_SUM_FIRST + 6), "01020300");
               EXPECT_EQ(FieldBrush(d, IDC_HT_SUM_FIRST), HexToolResultBrush());
               ::PostMessageA(d, WM_COMMAND, IDOK, 0);
               return true;
           } },
          [&] { m_view.OnChecksum(); });
}

// A tool dialog opens where it was last closed, unless that place is off the screen now.
TEST_F(HexToolDialogs, ADialogReopensWhereItWasClosedWhenThatIsOnTheScreen)
{
    auto closeAt = [](int x, int y) {
        return [x, y](HWND d) {
            ::SetWindowPos(d, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            return ::PostMessageA(d, WM_COMMAND, IDOK, 0) != 0;
        };
    };
    RECT first = {};
    Drive("Checksumme", { [&](HWND d) { ::GetWindowRect(d, &first); return closeAt(37, 23)(d); } },
          [&] { m_view.OnChecksum(); });
    RECT shown = {};
    const int offScreen = ::GetSystemMetrics(SM_CXSCREEN) + 50;
    Drive("Checksumme", { [&](HWND d) { ::GetWindowRect(d, &shown); return closeAt(offScreen, 23)(d); } },
          [&] { m_view.OnChecksum(); });
    EXPECT_EQ(shown.left, 37);
    EXPECT_EQ(shown.top, 23);
    Drive("Checksumme", { [&](HWND d) { ::GetWindowRect(d, &shown); return closeAt(37, 23)(d); } },
          [&] { m_view.OnChecksum(); });
    EXPECT_EQ(shown.left, first.left) << "a place off the screen is not taken";
    EXPECT_EQ(shown.top, first.top);
}

TEST_F(HexToolDialogs, CalculatorShowsResultsPaintsBadInputRedAndKeepsItsHistory)
{
    RegDeleteValueA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\Views\\CalculatorLast");
    memcpy(m_data, "\x10\x00\x00\x00", 4);
    Select(0, 4);
    Drive("Zahlen umwandeln",
          { [](HWND d) {
               EXPECT_EQ(Text(d, IDC_HT_CALC_INPUT), "0x10");
               EXPECT_TRUE(::IsChild(::GetDlgItem(d, IDC_HT_CALC_INPUT), ::GetFocus())) << "the input has the focus";
               EXPECT_EQ(Text(d, IDC_HT_RESULT_FIRST), "16");
               EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(d, IDCANCEL)));
               Type(d, IDC_HT_CALC_INPUT, "rgb(1,2,3)", CBN_EDITCHANGE);
               EXPECT_EQ(Text(d, IDC_HT_RESULT_FIRST), "66051");
               EXPECT_EQ(Text(d, IDC_HT_RESULT_FIRST + 1), "0x10203");
               // The combo box's edit asks its parent, the combo box, which answers with the
               // dialog's colour for the combo box's id.
               Type(d, IDC_HT_CALC_INPUT, "7/0", CBN_EDITCHANGE);
               HWND combo = ::GetDlgItem(d, IDC_HT_CALC_INPUT);
               HWND edit = ::GetWindow(combo, GW_CHILD);
               HDC dc = ::GetDC(edit);
               LRESULT brush = ::SendMessageA(combo, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                              reinterpret_cast<LPARAM>(edit));
               ::ReleaseDC(edit, dc);
               EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), HexToolErrorBrush());
               EXPECT_EQ(Text(d, IDC_HT_RESULT_FIRST), "66051") << "the last good result stays";
               Type(d, IDC_HT_CALC_INPUT, "BTOL(0x11223344)", CBN_EDITCHANGE);
               EXPECT_EQ(Text(d, IDC_HT_RESULT_FIRST + 1), "0x44332211");
               ::PostMessageA(d, WM_COMMAND, IDOK, 0);
               return true;
           } },
          [&] { m_view.OnNumberConverter(); });
    CRegistry registry;
    ASSERT_TRUE(registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ));
    char list[256] = { 0 };
    ASSERT_TRUE(registry.ReadValue(list, sizeof(list), "CalculatorLast", REG_MULTI_SZ));
    EXPECT_STREQ(list, "BTOL(0x11223344)");
}

TEST_F(HexToolDialogs, FloatConverterRewritesEveryOtherFieldAndMarksBadInput)
{
    memcpy(m_data + 32, "\x00\x00\x80\x3F", 4);
    Select(32, 4);
    Drive("Flieskommakonverter",
          { [](HWND d) {
               const int hex = IDC_HT_FLOAT_FIRST + FF_HEX;
               const int dbl = IDC_HT_FLOAT_FIRST + FF_DOUBLE;
               EXPECT_EQ(Text(d, IDC_HT_FLOAT_FIRST + FF_FLOAT), "1");
               Type(d, hex, ":00 00 00 40", EN_CHANGE);
               EXPECT_EQ(Text(d, IDC_HT_FLOAT_FIRST + FF_FLOAT), "2");
               EXPECT_EQ(Text(d, hex), ":00 00 00 40") << "the field typed in is not rewritten";
               Click(d, IDC_HT_SWAP_QWORDS);
               EXPECT_EQ(Text(d, hex), ":00 00 00 00 00 00 00 40");
               EXPECT_EQ(Text(d, dbl), "2");
               Type(d, dbl, "zz", EN_CHANGE);
               EXPECT_EQ(FieldBrush(d, dbl), HexToolErrorBrush());
               EXPECT_EQ(Text(d, hex), ":00 00 00 00 00 00 00 40");
               Type(d, dbl, "-0.5", EN_CHANGE);
               EXPECT_NE(FieldBrush(d, dbl), HexToolErrorBrush());
               EXPECT_EQ(Text(d, hex), ":00 00 00 00 00 00 E0 BF");
               ::PostMessageA(d, WM_COMMAND, IDOK, 0);
               return true;
           } },
          [&] { m_view.OnFloatConverter(); });
}

// The two tools of the context menu that live apart from this file open from their commands.
TEST_F(HexToolDialogs, SettingsAndCrcCommandsOpenTheirDialogs)
{
    for (UINT id : { ID_HEX_SETTINGS, ID_HEX_CRC })
        Drive(id == ID_HEX_CRC ? "CRC-Summe berechnen" : "Konfiguration",
              { [](HWND d) { return ::PostMessageA(d, WM_COMMAND, IDCANCEL, 0) != 0; } },
              [&] { m_view.SendMessage(WM_COMMAND, id, 0); });
}

}  // namespace
