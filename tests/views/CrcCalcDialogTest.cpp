// The "CRC-Summe berechnen" dialog driven through its real controls from a timer inside its
// modal loop: the fields follow each other, results match the catalogue value, the formula
// field turns red, the source area comes and goes, and OK keeps the inputs in the registry.
#include "views/CrcCalcDialog.h"

#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"
#include "tests/uihelpers/TestWindows.h"
#include "views/HexToolDialog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const uint8_t kCheck[] = { '1', '2', '3', '4', '5', '6', '7', '8', '9' };

std::string Text(HWND d, int id)
{
    return uitest::WindowText(GetDlgItem(d, id));
}

void Notify(HWND d, int id, int code)
{
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

void Choose(HWND d, int id, int item)
{
    SendMessageA(GetDlgItem(d, id), CB_SETCURSEL, item, 0);
    Notify(d, id, CBN_SELCHANGE);
}

void Type(HWND d, int id, const char* text)
{
    HWND control = GetDlgItem(d, id);
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextA(control, text);
    Notify(d, id, id == IDC_CRC_FORMULA ? EN_CHANGE : CBN_EDITCHANGE);
}

HBRUSH BrushOf(HWND d, HWND control)
{
    HDC dc = GetDC(d);
    LRESULT brush = SendMessageA(d, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    ReleaseDC(d, dc);
    return reinterpret_cast<HBRUSH>(brush);
}

HBRUSH BrushOf(HWND d, int id)
{
    return BrushOf(d, GetDlgItem(d, id));
}

int Height(HWND d)
{
    RECT r;
    GetWindowRect(d, &r);
    return r.bottom - r.top;
}

std::string Stored(const char* name)
{
    CRegistry registry;
    char text[256] = {};
    if (registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ) && registry.OpenSubKey("HexCrcCalc"))
        registry.ReadString(text, sizeof text, name);
    return text;
}

class CrcCalcDialogTest : public ::testing::Test {
protected:
    CrcCalcDialogTest() : m_scratch("Views") { SetAppIdentity("SektorlupeTests", "Views"); }

    INT_PTR Run(std::vector<uitest::ModalSteps::Step> steps)
    {
        uitest::ModalSteps script;
        for (auto& s : steps) script.Add(s);
        script.Start();
        INT_PTR result = RunCrcDialog(nullptr, kCheck, sizeof kCheck);
        EXPECT_TRUE(script.Finished());
        EXPECT_FALSE(script.TimedOut());
        return result;
    }

    testsupport::ScratchKey m_scratch;
};

}  // namespace

TEST_F(CrcCalcDialogTest, FieldsFollowEachOtherAndOkKeepsTheInputs)
{
    int hiddenHeight = 0;
    INT_PTR result = Run({
        [&](HWND d) {
            // Defaults: CRC-32 over the nine digits, the source area hidden.
            EXPECT_EQ(Text(d, IDC_CRC_LENGTH), "9 / 0x0009");
            EXPECT_EQ(GetFocus(), GetDlgItem(d, IDOK));
            EXPECT_EQ(Text(d, IDC_CRC_WIDTH), "32-Bit");
            EXPECT_EQ(SendMessageA(GetDlgItem(d, IDC_CRC_PRESET), CB_GETCURSEL, 0, 0), 16);
            EXPECT_EQ(Text(d, IDC_CRC_NORMAL), "0x04C11DB7");
            EXPECT_EQ(Text(d, IDC_CRC_FORMULA).substr(0, 14), "x^32 + x^26 + ");
            EXPECT_EQ(Text(d, IDC_CRC_A_START), "0x340BC6D9");
            SendMessageA(GetDlgItem(d, IDC_CRC_INVERT), BM_CLICK, 0, 0);
            EXPECT_EQ(Text(d, IDC_CRC_A_START), "0xCBF43926");
            EXPECT_EQ(BrushOf(d, IDC_CRC_A_START), HexToolResultBrush());
            hiddenHeight = Height(d);
            return true;
        },
        [&](HWND d) {
            // A preset sets width, both polynomial forms and the start value.
            Choose(d, IDC_CRC_PRESET, 11);
            EXPECT_EQ(Text(d, IDC_CRC_WIDTH), "16-Bit");
            EXPECT_EQ(Text(d, IDC_CRC_REFLECTED), "0xA001");
            EXPECT_EQ(Text(d, IDC_CRC_START), "0xFFFF");
            EXPECT_EQ(Text(d, IDC_CRC_A_START), "0xB4C8");   // 0x4B37 inverted
            // An equal field is not rewritten: the caret and selection stay where they were.
            SendMessageA(GetDlgItem(d, IDC_CRC_START), CB_SETEDITSEL, 0, MAKELPARAM(2, 4));
            Notify(d, IDC_CRC_INVERT, BN_CLICKED);
            DWORD s = 0, e = 0;
            SendMessageA(GetDlgItem(d, IDC_CRC_START), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
            EXPECT_EQ(s, 2u);
            EXPECT_EQ(e, 4u);
            return true;
        },
        [&](HWND d) {
            // A list item chosen counts before the edit text has followed it.
            HWND width = GetDlgItem(d, IDC_CRC_WIDTH);
            SendMessageA(width, CB_SETCURSEL, 8, 0);   // "32-Bit"
            SetWindowTextA(FindWindowExA(width, NULL, "Edit", NULL), "7");
            Notify(d, IDC_CRC_WIDTH, CBN_SELCHANGE);
            EXPECT_EQ(Text(d, IDC_CRC_REFLECTED), "0x0000A001");
            // Typed polynomial of no preset: "Frei definiert".
            Type(d, IDC_CRC_REFLECTED, "0x82F63B78");
            EXPECT_EQ(SendMessageA(GetDlgItem(d, IDC_CRC_PRESET), CB_GETCURSEL, 0, 0), 0);
            Type(d, IDC_CRC_START, "0xFFFFFFFF");
            EXPECT_EQ(Text(d, IDC_CRC_A_START), "0xE3069283");
            return true;
        },
        [&](HWND d) {
            // A formula that does not parse is red and changes nothing.
            Type(d, IDC_CRC_FORMULA, "x^3+Q");
            EXPECT_EQ(BrushOf(d, IDC_CRC_FORMULA), HexToolErrorBrush());
            EXPECT_EQ(Text(d, IDC_CRC_REFLECTED), "0x82F63B78");
            Type(d, IDC_CRC_FORMULA, "x^16+x^12+x^5+1");
            EXPECT_NE(BrushOf(d, IDC_CRC_FORMULA), HexToolErrorBrush());
            EXPECT_EQ(Text(d, IDC_CRC_NORMAL), "0x1021");
            EXPECT_EQ(SendMessageA(GetDlgItem(d, IDC_CRC_PRESET), CB_GETCURSEL, 0, 0), 10);
            return true;
        },
        [&](HWND d) {
            // The source area opens with the source and closes again.
            Choose(d, IDC_CRC_ALGORITHM, 2);
            EXPECT_GT(Height(d), hiddenHeight + 100);
            EXPECT_EQ(Text(d, IDC_CRC_SOURCE).substr(0, 31), "typedef unsigned short CrcType;");
            Choose(d, IDC_CRC_ALGORITHM, 0);
            EXPECT_EQ(Height(d), hiddenHeight);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Stored("PolynomSize"), "16-Bit");
    EXPECT_EQ(Stored("PolynomValue"), "0x8408");
    EXPECT_EQ(Stored("StartValue"), "0xFFFF");

    // The next run starts from what was kept, its histories included; cancel keeps nothing.
    result = Run({
        [&](HWND d) {
            EXPECT_EQ(Text(d, IDC_CRC_WIDTH), "16-Bit");
            EXPECT_EQ(Text(d, IDC_CRC_REFLECTED), "0x8408");
            EXPECT_GE(SendMessageA(GetDlgItem(d, IDC_CRC_REFLECTED), CB_GETCOUNT, 0, 0), 1);
            // A history item chosen, then a preset: the preset's polynomial stays through the
            // next recalculation instead of the item that was selected before.
            Choose(d, IDC_CRC_REFLECTED, 0);
            Choose(d, IDC_CRC_PRESET, 18);
            Notify(d, IDC_CRC_INVERT, BN_CLICKED);
            EXPECT_EQ(Text(d, IDC_CRC_REFLECTED), "0xC96C5795D7870F42");
            EXPECT_EQ(Text(d, IDC_CRC_WIDTH), "64-Bit");
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return true;
        },
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(Stored("PolynomSize"), "16-Bit");
}

// Only the formula that does not parse is red by rule; a typed width or value that is read
// as another number is red as well, while the field keeps its text: the results beside it are
// those of the number read (here the same as for the value typed in full), and leaving the
// field writes that number and clears the mark.
TEST_F(CrcCalcDialogTest, TypedValueReadAsAnotherNumberIsRedUntilLeft)
{
    const struct {
        int id;
        const char* typed;
        const char* meant;    // the number the dialog reads, typed as such
    } cases[] = {
        { IDC_CRC_START, "0x1FFFF", "0xFFFF" },
        { IDC_CRC_START, "12 x", "12" },
        { IDC_CRC_REFLECTED, "0xA001 x", "0xA001" },
        { IDC_CRC_WIDTH, "1.5", "1" },
    };
    INT_PTR result = Run({
        [&](HWND d) {
            for (const auto& c : cases) {
                Choose(d, IDC_CRC_PRESET, 11);   // IBM-CRC-16
                HWND edit = FindWindowExA(GetDlgItem(d, c.id), NULL, "Edit", NULL);
                Type(d, c.id, c.meant);
                const std::string meantResult = Text(d, IDC_CRC_A_START);
                EXPECT_NE(BrushOf(d, edit), HexToolErrorBrush()) << c.meant;
                Choose(d, IDC_CRC_PRESET, 11);
                Type(d, c.id, c.typed);
                EXPECT_EQ(Text(d, c.id), c.typed);
                EXPECT_EQ(BrushOf(d, edit), HexToolErrorBrush()) << c.typed;
                EXPECT_EQ(Text(d, IDC_CRC_A_START), meantResult) << c.typed;
                EXPECT_NE(BrushOf(d, IDC_CRC_FORMULA), HexToolErrorBrush()) << c.typed;
                Notify(d, c.id, CBN_KILLFOCUS);
                EXPECT_NE(Text(d, c.id), c.typed);
                EXPECT_NE(BrushOf(d, edit), HexToolErrorBrush()) << c.typed;
            }
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return true;
        },
    });
    EXPECT_EQ(result, IDCANCEL);
}

// The template's size and the places of the controls in the first rows, in dialog units
// turned into pixels by the dialog's own font.
TEST_F(CrcCalcDialogTest, TemplatePlacesTheControls)
{
    const struct {
        int id;
        int x, y, cx;
    } places[] = {
        {IDC_CRC_PRESET, 5, 15, 310},    {IDC_CRC_WIDTH, 5, 45, 50},     {IDC_CRC_REFLECTED, 60, 45, 85},
        {IDC_CRC_NORMAL, 150, 45, 85},   {IDC_CRC_INVERT, 240, 46, 79},  {IDC_CRC_FORMULA, 5, 75, 310},
        {IDC_CRC_START, 5, 186, 100},    {IDC_CRC_ALGORITHM, 110, 186, 45}, {IDC_CRC_LENGTH, 160, 186, 50},
        {IDC_CRC_SOURCE, 5, 210, 310},
    };
    Run({
        [&](HWND d) {
            RECT size = {0, 0, 322, 368};
            MapDialogRect(d, &size);
            RECT client;
            GetClientRect(d, &client);
            EXPECT_EQ(client.right, size.right);
            for (const auto& p : places) {
                RECT want = {p.x, p.y, p.x + p.cx, p.y};
                MapDialogRect(d, &want);
                RECT got;
                GetWindowRect(GetDlgItem(d, p.id), &got);
                MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&got), 2);
                EXPECT_EQ(got.left, want.left) << p.id;
                EXPECT_EQ(got.top, want.top) << p.id;
                EXPECT_EQ(got.right - got.left, want.right - want.left) << p.id;
            }
            PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
            return true;
        },
    });
}
