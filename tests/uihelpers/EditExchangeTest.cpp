// The exchange routines on real controls, and the decimal texts against the C library's own
// rounding.
#include <gtest/gtest.h>
#include <windows.h>
#include <math.h>
#include <stdio.h>
#include <random>
#include <string>
#include "classlib/Ddx.h"
#include "classlib/DlgTemplate.h"
#include "classlib/String.h"
#include "classlib/Wnd.h"
#include "uihelpers/ControlSubclass.h"
#include "uihelpers/EditExchange.h"
#include "TestWindows.h"

namespace {

int g_changes = 0;

INT_PTR CALLBACK CountingDlgProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (HIWORD(wParam) == EN_CHANGE || HIWORD(wParam) == CBN_EDITCHANGE))
        ++g_changes;
    return FALSE;
}

// A hidden dialog: combo 10, edit 11, and a range group 20 (from), label, 21 (to), label,
// three radio buttons.
class ExchangeDialog {
public:
    ExchangeDialog()
    {
        CDlgTemplateBuilder b;
        b.Begin("Exchange", WS_POPUP | WS_CAPTION, 0, 0, 200, 150, "MS Sans Serif", 8, FALSE);
        b.AddComboBox(10, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 5, 5, 150, 80);
        b.AddEdit(11, "", WS_BORDER | ES_AUTOHSCROLL, 5, 25, 150, 12);
        b.AddEdit(20, "", WS_BORDER, 5, 45, 40, 12);
        b.AddStatic(-1, "?", 0, 50, 45, 30, 8);
        b.AddEdit(21, "", WS_BORDER, 85, 45, 40, 12);
        b.AddStatic(-1, "?", 0, 130, 45, 30, 8);
        b.AddButton(30, "eins", BS_AUTORADIOBUTTON | WS_GROUP, 5, 65, 40, 10);
        b.AddButton(31, "zwei", BS_AUTORADIOBUTTON, 5, 75, 40, 10);
        b.AddButton(32, "drei", BS_AUTORADIOBUTTON, 5, 85, 40, 10);
        b.AddButton(IDOK, "OK", WS_GROUP, 5, 100, 40, 12);
        m_dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), b.GetTemplate(), NULL, &CountingDlgProc, 0);
        m_wnd.Attach(m_dialog);
    }
    ~ExchangeDialog()
    {
        m_wnd.Detach();
        DestroyWindow(m_dialog);
    }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    CDataExchange Save() { return CDataExchange(&m_wnd, TRUE); }
    CDataExchange Load() { return CDataExchange(&m_wnd, FALSE); }
private:
    HWND m_dialog = nullptr;
    CWnd m_wnd;
};

std::string Grouped(double value, int decimals)
{
    char text[48];
    FormatGroupedDecimal(value, decimals, text, sizeof text);
    return text;
}

}  // namespace

TEST(EditExchange, ComboTextPrefersTheSelectedItemAndSparesAnEqualControl)
{
    ExchangeDialog d;
    HWND combo = d.Item(10);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("16-Bit"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("32-Bit"));
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    // The user picked an item, the edit has not followed yet: the item counts.
    SetWindowTextA(combo, "12-Bit");
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    CString value;
    CDataExchange save = d.Save();
    DdxComboText(&save, 10, value);
    EXPECT_STREQ(value, "32-Bit");

    // Loading the same text changes nothing: no notification, the edit selection stays.
    SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(1, 3));
    g_changes = 0;
    CDataExchange load = d.Load();
    DdxComboText(&load, 10, value);
    EXPECT_EQ(g_changes, 0);
    DWORD start = 0, end = 0;
    SendMessageA(combo, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);

    // Without a selection the window text is read and a new text is written.
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    value = "0x1021";
    DdxComboText(&load, 10, value);
    EXPECT_EQ(uitest::WindowText(combo), "0x1021");
    CString back;
    DdxComboText(&save, 10, back);
    EXPECT_STREQ(back, "0x1021");

    // Another text loaded over a selected item lets the selection go: the next save hands
    // back the text loaded, not the old item.
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    value = "0x8005";
    DdxComboText(&load, 10, value);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    DdxComboText(&save, 10, back);
    EXPECT_STREQ(back, "0x8005");

    // A selected item longer than the comparison buffer is stored whole, not the edit text.
    const std::string longItem(1500, 'x');
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longItem.c_str()));
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    SetWindowTextA(combo, "edit");
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    DdxComboText(&save, 10, back);
    EXPECT_EQ(std::string(static_cast<LPCSTR>(back)), longItem);
}

TEST(EditExchange, IntegersTextsAndRanges)
{
    ExchangeDialog d;
    CDataExchange save = d.Save();
    CDataExchange load = d.Load();
    SetWindowTextA(d.Item(11), "12abc");
    int n = 0;
    DdxInt(&save, 11, n);
    EXPECT_EQ(n, 12);
    g_changes = 0;
    n = 12;
    SetWindowTextA(d.Item(11), "12");
    g_changes = 0;
    DdxInt(&load, 11, n);
    EXPECT_EQ(g_changes, 0);
    n = -7;
    DdxInt(&load, 11, n);
    EXPECT_EQ(uitest::WindowText(d.Item(11)), "-7");

    char buffer[6] = "Hallo";
    DdxText(&load, 11, buffer, sizeof buffer);
    EXPECT_EQ(uitest::WindowText(d.Item(11)), "Hallo");
    SetWindowTextA(d.Item(11), "ein langer Text");
    DdxText(&save, 11, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "ein l");

    // Allowed modes 0, 2 and 5: radio index 1 is mode 2, index 2 mode 5.
    const unsigned allowed = (1u << 0) | (1u << 2) | (1u << 5);
    int from = 3, to = 9, mode = 5;
    DdxRange(&load, 20, from, to, mode, allowed);
    HWND label1 = GetWindow(d.Item(20), GW_HWNDNEXT);
    HWND label2 = GetWindow(d.Item(21), GW_HWNDNEXT);
    EXPECT_EQ(uitest::WindowText(label1), "Von :");
    EXPECT_EQ(uitest::WindowText(label2), "Bis :");
    EXPECT_TRUE(IsWindowEnabled(d.Item(21)));
    EXPECT_EQ(SendMessageA(d.Item(32), BM_GETCHECK, 0, 0), BST_CHECKED);
    mode = 2;
    DdxRange(&load, 20, from, to, mode, allowed);
    EXPECT_EQ(uitest::WindowText(label1), "Wert :");
    EXPECT_EQ(uitest::WindowText(label2), "");
    EXPECT_FALSE(IsWindowEnabled(d.Item(21)));
    EXPECT_TRUE(IsWindowEnabled(d.Item(20)));
    SetWindowTextA(d.Item(20), "44");
    SendMessageA(d.Item(31), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(d.Item(30), BM_SETCHECK, BST_CHECKED, 0);
    DdxRange(&save, 20, from, to, mode, allowed);
    EXPECT_EQ(from, 44);
    EXPECT_EQ(mode, 0);
    DdxRange(&load, 20, from, to, mode, allowed);
    EXPECT_FALSE(IsWindowEnabled(d.Item(20)));
}

TEST(EditExchange, DecimalTextsAgreeWithTheCLibrary)
{
    EXPECT_EQ(Grouped(1234567.891, 2), "1 234 567.89");
    EXPECT_EQ(Grouped(-0.5, 2), "-0.50");
    EXPECT_DOUBLE_EQ(ParseGroupedDecimal("1 234,5", 2), 1234.5);
    EXPECT_DOUBLE_EQ(ParseGroupedDecimal(" - 12.3456", 2), -12.34);
    // Blanks are the grouping and are skipped; a TAB is none and ends the number.
    const struct { const char* text; double value; } kStops[] = {
        {"12\t3", 12}, {"\t5", 0}, {"1.2\t5", 1.2}, {"1 2.3 4", 12.34},
    };
    for (const auto& c : kStops)
        EXPECT_DOUBLE_EQ(ParseGroupedDecimal(c.text, 2), c.value) << c.text;

    // Random values: the digits are those of printf's %.*f (which rounds the same way for
    // values away from a tie), the blanks fall every three digits, and the text reads back.
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    for (int i = 0; i < 2000; ++i) {
        int decimals = static_cast<int>(rng() % 10);
        // Within 12 digits the product with 10^decimals is exact to far below a unit.
        int magnitude = static_cast<int>(rng() % static_cast<unsigned>(13 - decimals > 10 ? 10 : 13 - decimals));
        double value = mantissa(rng) * pow(10.0, magnitude);
        char expect[64];
        snprintf(expect, sizeof expect, "%.*f", decimals, value);
        double scaled = fabs(value) * pow(10.0, decimals);
        if (fabs(scaled - floor(scaled) - 0.5) < 1e-3) continue;   // ties round apart
        std::string text = Grouped(value, decimals);
        std::string digits;
        for (char c : text) if (c != ' ') digits += c;
        std::string want = expect;
        if (value < 0 && want[0] != '-') want = "-" + want;
        ASSERT_EQ(digits, want) << value << " with " << decimals;
        size_t point = text.find('.');
        std::string whole = text.substr(text[0] == '-' ? 1 : 0, point == std::string::npos ? std::string::npos : point - (text[0] == '-' ? 1 : 0));
        for (size_t k = 0; k < whole.size(); ++k)
            ASSERT_EQ(whole[k] == ' ', (whole.size() - k) % 4 == 0) << text;
        EXPECT_NEAR(ParseGroupedDecimal(text.c_str(), decimals), atof(expect), 1e-9 * (1 + fabs(value)));
    }
}

TEST(EditExchange, DecimalTextsOfUnrepresentableValuesAreClamped)
{
    // Past 64 bits the digits stop at the largest 64-bit magnitude; only the last 15 digits
    // are grouped.
    EXPECT_EQ(Grouped(1e300, 0), "9223372 036 854 775 807");
    EXPECT_EQ(Grouped(-INFINITY, 2), "-92233 720 368 547 758.07");
    EXPECT_EQ(Grouped(NAN, 3), "0.000");
    ExchangeDialog d;
    CDataExchange load = d.Load();
    double huge = HUGE_VAL;
    DdxDouble(&load, 11, huge, 9);
    EXPECT_EQ(uitest::WindowText(d.Item(11)), "9 223 372 036.854775807");
}

TEST(EditExchange, FloatsThroughTheDecimalTextOfTheField)
{
    ExchangeDialog d;
    HWND field = d.Item(11);
    HWND other = d.Item(20);
    CDataExchange save = d.Save();
    CDataExchange load = d.Load();
    // Loading: the value (times the factor) rounded to the places, grouped in threes.
    const struct { bool scaled; double factor; int decimals; float value; const char* shown; } loads[] = {
        {false, 1, 3, 1234567.891f, "1 234 567.875"},   // what the float holds
        {false, 1, 9, 0.1f, "0.100000001"},
        {false, 1, 2, -0.5f, "-0.50"},
        {false, 1, 0, 41.75f, "42"},
        {true, 1000, 1, 0.25f, "250.0"},
        {true, -4, 3, 1.5f, "-6.000"},
        {true, 0.001, 2, 1234567.0f, "1 234.57"},
    };
    for (auto& c : loads) {
        // The expected text is printf's rounding of the same product, blanks aside.
        char plain[64];
        snprintf(plain, sizeof plain, "%.*f", c.decimals, static_cast<double>(c.value) * c.factor);
        std::string digits;
        for (const char* p = c.shown; *p; ++p) if (*p != ' ') digits += *p;
        ASSERT_EQ(digits, plain) << c.shown;
        SetWindowTextA(field, "");
        float value = c.value;
        if (c.scaled) DdxFloatScaled(&load, 11, value, c.factor, c.decimals);
        else DdxFloat(&load, 11, value, c.decimals);
        EXPECT_EQ(uitest::WindowText(field), c.shown);
        EXPECT_EQ(value, c.value);
        // The same value again leaves the field alone.
        g_changes = 0;
        if (c.scaled) DdxFloatScaled(&load, 11, value, c.factor, c.decimals);
        else DdxFloat(&load, 11, value, c.decimals);
        EXPECT_EQ(g_changes, 0) << c.shown;
    }

    // Saving: blanks anywhere, a point or a comma, at most `decimals` places; what is no
    // number reads as far as it goes, and the exchange neither fails nor takes the focus.
    const struct { bool scaled; double factor; int decimals; const char* text; double read; } saves[] = {
        {false, 1, 2, "1 234,5", 1234.5},
        {false, 1, 2, " - 12.3456", -12.34},
        {false, 1, 2, "abc", 0},
        {false, 1, 3, "7x.5", 7},
        {true, 1000, 1, "250,5", 250.5},
        {true, 8, 3, "3.14159", 3.141},
        {true, 100, 2, "12 Sektoren", 12},
        {true, -2, 0, "  ", 0},
    };
    for (auto& c : saves) {
        SetWindowTextA(field, c.text);
        SendMessageA(field, EM_SETSEL, 1, 2);
        SetFocus(other);
        float value = -99.0f;
        if (c.scaled) DdxFloatScaled(&save, 11, value, c.factor, c.decimals);
        else DdxFloat(&save, 11, value, c.decimals);
        EXPECT_FLOAT_EQ(value, static_cast<float>(c.read / c.factor)) << c.text;
        EXPECT_FALSE(save.m_bFailed) << c.text;
        EXPECT_EQ(GetFocus(), other) << c.text;
        DWORD start = 0, end = 0;
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(MAKELONG(start, end), MAKELONG(1, 2)) << c.text;
        EXPECT_EQ(uitest::WindowText(field), c.text);
    }
}

TEST(EditExchange, ComboRefreshWritesTheSelectedTextAndKeepsTheEditSelection)
{
    // The file-name combo box answers its text from the selected item even while its edit
    // shows something else; a plain combo box answers the edit's text.
    const struct { bool itemText; int selected; const char* shown; } cases[] = {
        {true, 1, "32-Bit"},
        {true, -1, "getippt"},
        {false, 1, "getippt"},
    };
    for (auto& c : cases) {
        ExchangeDialog d;
        HWND combo = d.Item(10);
        HWND edit = FindWindowExA(combo, NULL, "Edit", NULL);
        if (c.itemText) InstallSubclass(combo, CeFileNameComboProc);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("16-Bit"));
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("32-Bit"));
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(c.selected), 0);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("getippt"));
        ASSERT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), c.selected);
        SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(2, 5));
        ComboRefreshEditText(combo);
        EXPECT_EQ(uitest::WindowText(edit), c.shown);
        DWORD start = 0, end = 0;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(MAKELONG(start, end), MAKELONG(2, 5)) << c.shown;
    }
}
