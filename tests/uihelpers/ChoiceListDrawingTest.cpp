// The check-mark rows of the choice list drawn by the dialog against the same row drawn here
// from its description: the row filled in the highlight or window colour, an 11 x 11 box with
// a black frame and a white inside 3 pixels in and 2 down, the mark as a 2-pixel dark green
// stroke under a 1-pixel green one, the text 30 pixels in; and the row height, which makes
// room for the dialog font.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "uihelpers/ChoiceListDialog.h"
#include "TestWindows.h"

using uitest::ModalSteps;

namespace {

const int kWidth = 160, kHeight = 20;

struct Row {
    const char* text;
    bool marked;
    bool selected;
};

// The row as it ought to look, drawn with plain GDI calls at the documented places.
void DrawReference(HDC dc, const Row& row, int top)
{
    RECT rc = { 0, top, kWidth, top + kHeight };
    FillRect(dc, &rc, GetSysColorBrush(row.selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    RECT box = { 3, top + 2, 14, top + 13 };
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (row.marked) {
        HPEN dark = CreatePen(PS_SOLID, 2, RGB(0, 128, 0));
        HPEN light = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
        HGDIOBJ old = SelectObject(dc, dark);
        MoveToEx(dc, 2, top + 6, NULL);
        LineTo(dc, 6, top + 10);
        LineTo(dc, 16, top + 3);
        SelectObject(dc, light);
        MoveToEx(dc, 3, top + 5, NULL);
        LineTo(dc, 6, top + 8);
        LineTo(dc, 16, top + 3);
        SelectObject(dc, old);
        DeleteObject(dark);
        DeleteObject(light);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(row.selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = rc;
    text.left = 30;
    DrawTextA(dc, row.text, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

std::vector<COLORREF> Pixels(HDC dc)
{
    std::vector<COLORREF> p;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            p.push_back(GetPixel(dc, x, y));
    return p;
}

// Where two drawings differ first, for the message.
std::string FirstDifference(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            return "x " + std::to_string(i % kWidth) + " y " + std::to_string(i / kWidth);
    return "none";
}

}  // namespace

TEST(ChoiceListDrawing, RowsMatchTheirDescriptionPixelForPixel)
{
    const Row kRows[] = {
        { "markiert", true, false },
        { "leer", false, false },
        { "markiert und gew\xE4hlt", true, true },
        { "gew\xE4hlt", false, true },
    };
    CChoiceListDialog dlg;
    for (const Row& r : kRows)
        dlg.AppendItem(r.text, r.marked ? 1 : 0);
    dlg.SetMode(CChoiceListDialog::MODE_CHECK_MANY);
    std::vector<std::vector<COLORREF>> drawn, wanted;
    UINT measured = 0, wantHeight = 0;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND lb = GetDlgItem(d, CChoiceListDialog::IDC_CHOICE_CHECK_MANY);
        HDC screen = GetDC(NULL);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, kWidth, kHeight);
        HGDIOBJ oldBmp = SelectObject(dc, bmp);
        for (UINT i = 0; i < sizeof kRows / sizeof kRows[0]; ++i) {
            DRAWITEMSTRUCT dis = {};
            dis.CtlType = ODT_LISTBOX;
            dis.CtlID = CChoiceListDialog::IDC_CHOICE_CHECK_MANY;
            dis.itemID = i;
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = kRows[i].selected ? ODS_SELECTED : 0;
            dis.hwndItem = lb;
            dis.hDC = dc;
            SetRect(&dis.rcItem, 0, 0, kWidth, kHeight);
            const int saved = SaveDC(dc);
            SendMessageA(d, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
            RestoreDC(dc, saved);
            drawn.push_back(Pixels(dc));
            const int again = SaveDC(dc);
            DrawReference(dc, kRows[i], 0);
            RestoreDC(dc, again);
            wanted.push_back(Pixels(dc));
        }
        SelectObject(dc, oldBmp);
        DeleteObject(bmp);
        DeleteDC(dc);

        // The row height: 16 pixels, or the dialog font's height and 2 when that is more.
        MEASUREITEMSTRUCT mis = {};
        mis.CtlType = ODT_LISTBOX;
        mis.CtlID = CChoiceListDialog::IDC_CHOICE_CHECK_MANY;
        SendMessageA(d, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
        measured = mis.itemHeight;
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(lb, WM_GETFONT, 0, 0));
        HGDIOBJ oldFont = SelectObject(screen, font);
        TEXTMETRICA tm = {};
        GetTextMetricsA(screen, &tm);
        SelectObject(screen, oldFont);
        wantHeight = static_cast<UINT>(tm.tmHeight + 2 > 16 ? tm.tmHeight + 2 : 16);
        ReleaseDC(NULL, screen);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    uitest::RunWatched(steps, [&] { return dlg.DoModal(); });
    ASSERT_EQ(drawn.size(), wanted.size());
    for (size_t i = 0; i < drawn.size(); ++i)
        EXPECT_TRUE(drawn[i] == wanted[i]) << kRows[i].text << ": first difference at " << FirstDifference(drawn[i], wanted[i]);
    EXPECT_EQ(wantHeight, measured);
}
