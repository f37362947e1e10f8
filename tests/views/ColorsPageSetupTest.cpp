// The colours dialog and the page setup dialog: their rules without a window, then both
// dialogs driven through their controls from a timer inside the modal loop.
#include "views/ColorsDialog.h"
#include "views/PageSetupDialog.h"

#include "tests/uihelpers/TestWindows.h"
#include "uihelpers/WindowServices.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

// A table of `count` rows named "F<n>", background n, text 0, ended by a null name.
struct FormatTable {
    explicit FormatTable(int count) : names(static_cast<size_t>(count)), rows(static_cast<size_t>(count) + 1)
    {
        for (int i = 0; i < count; ++i) {
            names[static_cast<size_t>(i)] = "F" + std::to_string(1000 + i);
            rows[static_cast<size_t>(i)] = { static_cast<COLORREF>(i), 0, i + 1, 0, &names[static_cast<size_t>(i)][0] };
        }
        rows.back() = { 0, 0, 0, 0, nullptr };
    }
    std::vector<std::string> names;
    std::vector<ColorFormat> rows;
};

void Pick(HWND d, int id, int item)
{
    SendDlgItemMessageA(d, id, LB_SETCURSEL, item, 0);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

int Count(HWND d, int id)
{
    return static_cast<int>(SendDlgItemMessageA(d, id, LB_GETCOUNT, 0, 0));
}

INT_PTR RunColors(FormatTable& t, int initial, const uint8_t* used, uitest::ModalSteps::Step step)
{
    uitest::ModalSteps script;
    script.Add(step);
    script.Start();
    CColorsDlg dialog(nullptr);
    INT_PTR result = dialog.Run(t.rows.data(), nullptr, initial, used);
    EXPECT_TRUE(script.Finished());
    return result;
}

std::string Inserted(const char* text, int at, const char* code, int* caret = nullptr)
{
    char out[300];
    int c = InsertFieldCode(text, at, code, out, sizeof out);
    if (caret) *caret = c;
    return out;
}

// The page setup dialog rather than a message box in front of it.
bool IsPageSetup(HWND d)
{
    return uitest::WindowText(d) == "Seite einrichten";
}

}  // namespace

TEST(ColorsDialog, GridRules)
{
    EXPECT_EQ(PaletteCellOf(0x123456), -1);
    EXPECT_EQ(PaletteCellOf(kSystemColor), 0);
    EXPECT_EQ(PaletteCellOf(0xFFC0C0), kColorGridCells - 1);
    EXPECT_EQ(ColorGridCellSize(90), 11);
    EXPECT_EQ(ColorGridCellSize(281), 31);
    EXPECT_EQ(ColorGridCellSize(282), 23);
    EXPECT_EQ(RoundToCells(46, 18), 54);   // 10 left over: more than half a cell
    EXPECT_EQ(RoundToCells(44, 18), 36);
    int rows[kColorsDialogMaxRows];
    const uint8_t onlyZero[1] = { 0x01 };
    EXPECT_EQ(ListedColorRows(onlyZero, 5, true, rows), 5);
    const uint8_t some[1] = { 0x24 };   // rows 2 and 5
    ASSERT_EQ(ListedColorRows(some, 8, true, rows), 2);
    EXPECT_EQ(rows[1], 5);
    EXPECT_EQ(ListedColorRows(some, 300, false, rows), kColorsDialogMaxRows);
}

TEST(ColorsDialog, EditsTheChosenRowOfAtMost256AndOkWritesBack)
{
    FormatTable t(300);
    t.rows[3].background = 0x123456;
    t.rows[3].style = 2;
    FormatTable before = t;
    INT_PTR result = RunColors(t, 3, nullptr, [](HWND d) {
        EXPECT_EQ(Count(d, IDC_COL_LIST), kColorsDialogMaxRows);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_COL_USED_ONLY)));
        // Each grid shows its 63 cells as seven whole columns of nine.
        for (int grid : { IDC_COL_BACK_GRID, IDC_COL_TEXT_GRID }) {
            RECT client;
            GetClientRect(GetDlgItem(d, grid), &client);
            const int cell = static_cast<int>(SendDlgItemMessageA(d, grid, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_GT(cell, 0);
            EXPECT_EQ(client.right, 7 * cell) << grid;
            EXPECT_EQ(client.bottom, 9 * cell) << grid;
        }
        HWND list = GetDlgItem(d, IDC_COL_LIST);
        EXPECT_EQ(SendMessageA(list, LB_GETITEMDATA, SendMessageA(list, LB_GETCURSEL, 0, 0), 0), 3);
        // A colour of no cell shows in the last one; the style in the boxes.
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_COL_BACK_GRID, LB_GETCURSEL, 0, 0), kColorGridCells - 1);
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_COL_ITALIC), BST_CHECKED);
        Pick(d, IDC_COL_TEXT_GRID, 30);   // 0x0000FF
        SendDlgItemMessageA(d, IDC_COL_BOLD, BM_CLICK, 0, 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(t.rows[3].text, 0x0000FFu);
    EXPECT_EQ(t.rows[3].background, 0x123456u);   // untouched until the user picks another
    EXPECT_EQ(t.rows[3].style, 3u);
    for (size_t i = 0; i < t.rows.size(); ++i) {
        if (i != 3) {
            EXPECT_EQ(memcmp(&t.rows[i], &before.rows[i], sizeof(ColorFormat)), 0) << i;
        }
    }

    // Only the used rows, unless the box is cleared; cancel keeps the table.
    const uint8_t used[32] = { 0x24 };   // rows 2 and 5 of 256
    result = RunColors(t, 0, used, [](HWND d) {
        EXPECT_EQ(Count(d, IDC_COL_LIST), 2);
        SendDlgItemMessageA(d, IDC_COL_USED_ONLY, BM_CLICK, 0, 0);
        EXPECT_EQ(Count(d, IDC_COL_LIST), kColorsDialogMaxRows);
        Pick(d, IDC_COL_BACK_GRID, 9);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(t.rows[0].background, 0u);

    // No rows at all: the grey fallback stands in, and OK has nothing to write.
    FormatTable empty(0);
    result = RunColors(empty, 5, nullptr, [](HWND d) {
        EXPECT_EQ(Count(d, IDC_COL_LIST), 0);
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_COL_BACK_GRID, LB_GETCURSEL, 0, 0), kColorGridCells - 1);
        Pick(d, IDC_COL_TEXT_GRID, 3);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(empty.rows[0].name, nullptr);
}

namespace {

// The sample as the dialog draws it, into a bitmap of our own.
std::vector<DWORD> DrawnSample(HWND d)
{
    HWND sample = GetDlgItem(d, IDC_COL_SAMPLE);
    RECT r;
    GetClientRect(sample, &r);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_STATIC;
    item.CtlID = IDC_COL_SAMPLE;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = sample;
    item.hDC = dc;
    item.rcItem = r;
    SendMessageA(d, WM_DRAWITEM, IDC_COL_SAMPLE, reinterpret_cast<LPARAM>(&item));
    std::vector<DWORD> pixels;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

}  // namespace

TEST(ColorsDialog, TheSampleShowsTheColoursInTheSampleFont)
{
    // The style boxes change the row, not the sample's font.
    FormatTable t(2);
    std::vector<DWORD> plain, styled;
    INT_PTR result = RunColors(t, 1, nullptr, [&](HWND d) {
        plain = DrawnSample(d);
        for (int box : { IDC_COL_BOLD, IDC_COL_ITALIC, IDC_COL_UNDERLINE })
            SendDlgItemMessageA(d, box, BM_CLICK, 0, 0);
        styled = DrawnSample(d);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(t.rows[1].style, 7u);
    ASSERT_FALSE(plain.empty());
    EXPECT_TRUE(plain == styled);
}

TEST(PageSetup, FieldCodesAndLimits)
{
    int caret = 0;
    EXPECT_EQ(Inserted("Text", 0, "&D", &caret), "&D Text");
    EXPECT_EQ(caret, 2);
    EXPECT_EQ(Inserted("Text", 0, "&L"), "&LText");
    EXPECT_EQ(Inserted("abcd", 2, "Seite &N", &caret), "ab Seite &N cd");
    EXPECT_EQ(caret, 11);
    EXPECT_EQ(Inserted("ab ", 3, "&C"), "ab &C");
    EXPECT_EQ(Inserted("x", 99, "\\n"), "x\\n");
    std::string longText(400, 'a');
    EXPECT_EQ(Inserted(longText.c_str(), 300, "&T").size(), 255u + 3u);

    // The numbers of the margin and line fields: an integer up to where it stops, 0 without
    // digits, never refused.
    const struct { const char* text; int value; } numbers[] = {
        { "", 0 }, { "abc", 0 }, { "12x", 12 }, { " 7", 7 }, { "1.5", 1 }, { "-3", -3 }, { "0x10", 16 },
    };
    for (const auto& n : numbers)
        EXPECT_EQ(ReadPageSetupNumber(n.text), n.value) << n.text;

    int margins[4] = { 101, 0, 200, 0 };
    int focus = -1;
    EXPECT_EQ(CheckPageSetup(margins, 60, &focus), 1);
    EXPECT_EQ(focus, 0);
    int negative[4] = { 0, 0, 0, -1 };
    EXPECT_EQ(CheckPageSetup(negative, 60, &focus), 1);
    EXPECT_EQ(focus, 3);
    int good[4] = { 0, 100, 10, 10 };
    EXPECT_EQ(CheckPageSetup(good, 19, &focus), 2);
    EXPECT_EQ(CheckPageSetup(good, 251, &focus), 2);
    EXPECT_EQ(CheckPageSetup(good, 250, &focus), 0);
}

TEST(PageSetup, BadValuesKeepTheDialogOpenAndOkRebuildsTheRecord)
{
    PageSetupInfo r = { 60, 10, 10, 15, 15, PSF_GREY | PSF_FRAME, strdup("Kopf"), strdup("Fuss") };
    std::vector<std::string> messages;
    uitest::ModalSteps script;
    auto answerBox = [&](HWND d) {
        // The message box in front of the dialog: note it and close it.
        if (IsPageSetup(d)) return false;
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char cls[16] = {};
            GetClassNameA(c, cls, sizeof cls);
            if (lstrcmpiA(cls, "Static") == 0 && !uitest::WindowText(c).empty()) messages.push_back(uitest::WindowText(c));
        }
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    };
    script.Add([](HWND d) {
        // The field buttons carry their bitmap (without themes, as the button's own image).
        EXPECT_NE(SendDlgItemMessageA(d, IDC_PS_HEADER_CODES, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_NE(SendDlgItemMessageA(d, IDC_PS_FOOTER_CODES, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_PS_TOP)), "10");
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_PS_GREY), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_PS_FRAME), BST_CHECKED);
        SetDlgItemTextA(d, IDC_PS_TOP, "101");
        SetDlgItemTextA(d, IDC_PS_LEFT, "200");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Add(answerBox);
    script.Add([](HWND d) {
        // Wait until the box is gone and the dialog has set the focus again.
        if (!IsPageSetup(d) || uitest::ThreadDialog(d) || !IsChild(d, GetFocus())) return false;
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_PS_TOP));
        SetDlgItemTextA(d, IDC_PS_TOP, "5");
        SetDlgItemTextA(d, IDC_PS_LEFT, "0");
        SetDlgItemTextA(d, IDC_PS_LINES, "19");
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Add(answerBox);
    script.Add([](HWND d) {
        // Margins that hold no number read as 0 and are taken; one that begins with a
        // number is that number.
        if (!IsPageSetup(d) || uitest::ThreadDialog(d)) return false;
        SetDlgItemTextA(d, IDC_PS_LEFT, "abc");
        SetDlgItemTextA(d, IDC_PS_BOTTOM, "");
        SetDlgItemTextA(d, IDC_PS_RIGHT, "12x");
        SetDlgItemTextA(d, IDC_PS_LINES, "250");
        SetDlgItemTextA(d, IDC_PS_HEADER, "&D Seite &N");
        SendDlgItemMessageA(d, IDC_PS_COLOR, BM_CLICK, 0, 0);
        SendDlgItemMessageA(d, IDC_PS_WRAP, BM_CLICK, 0, 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Start();
    const int themed = SetButtonThemeOverride(0);
    CPageSetupDlg dialog(nullptr);
    EXPECT_EQ(dialog.Run(&r), IDOK);
    SetButtonThemeOverride(themed);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(messages, (std::vector<std::string>{ "Die Ränder müssen zwischen 0 und 100 mm liegen !",
                                                   "Die Zeilenanzahl muss zwischen 20 und 250 liegen !" }));
    EXPECT_EQ(r.linesPerPage, 250);
    EXPECT_EQ(r.topMargin, 5);
    EXPECT_EQ(r.leftMargin, 0);
    EXPECT_EQ(r.bottomMargin, 0);
    EXPECT_EQ(r.rightMargin, 12);
    EXPECT_EQ(r.flags, static_cast<uint32_t>(PSF_COLOR | PSF_FRAME | PSF_WRAP));
    EXPECT_STREQ(r.header, "&D Seite &N");
    EXPECT_STREQ(r.footer, "Fuss");
    free(r.header);
    free(r.footer);
}
