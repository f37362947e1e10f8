#include "views/ColorsDialog.h"

#include <commdlg.h>
#include <stdlib.h>
#include <string.h>

#include "classlib/DlgTemplate.h"

const COLORREF kColorPalette[kColorGridCells] = {
    kSystemColor, 0x400020, 0x400040, 0x000040, 0x002040, 0x004040, 0x004000, 0x404000, 0x400000,
    0x000000, 0x800040, 0x800080, 0x000080, 0x004080, 0x008080, 0x008000, 0x808000, 0x800000,
    0x343434, 0xC00060, 0xC000C0, 0x0000C0, 0x0060C0, 0x00C0C0, 0x00C000, 0xC0C000, 0xC00000,
    0x676767, 0xFF0080, 0xFF00FF, 0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000,
    0x9A9A9A, 0xFF40A0, 0xFF40FF, 0x4040FF, 0x40A0FF, 0x40FFFF, 0x40FF40, 0xFFFF40, 0xFF4040,
    0xCDCDCD, 0xFF80C0, 0xFF80FF, 0x8080FF, 0x80C0FF, 0x80FFFF, 0x80FF80, 0xFFFF80, 0xFF8080,
    0xFFFFFF, 0xFFC0E0, 0xFFC0FF, 0xC0C0FF, 0xC0EFFF, 0xC0FFFF, 0xC0FFC0, 0xFFFFC0, 0xFFC0C0,
};

namespace {

const DWORD kLabel = static_cast<DWORD>(-1);
const int kCustomCell = kColorGridCells - 1;   // a colour of no cell shows in the last one
const COLORREF kFallbackGrey = 0xC8C8C8;
char kFallbackName[] = "keine Farben vorhanden";

COLORREF SystemOr(COLORREF color, int index)
{
    return color == kSystemColor ? ::GetSysColor(index) : color;
}

bool BuildColorsTemplate(CDlgTemplateBuilder& b)
{
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    const DWORD grid = LBS_OWNERDRAWFIXED | LBS_MULTICOLUMN | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP;
    return b.Begin("Farben einstellen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 247, 274,
                   "MS Sans Serif", 8, FALSE)
        && b.AddListBox(IDC_COL_LIST, LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 110, 118)
        && b.AddButton(IDC_COL_BOLD, "Fett", check, 125, 7, 115, 10)
        && b.AddButton(IDC_COL_ITALIC, "Kursiv", check, 125, 19, 115, 10)
        && b.AddButton(IDC_COL_UNDERLINE, "Unterstreichen", check, 125, 31, 115, 10)
        && b.AddButton(IDC_COL_USED_ONLY, "Nur für aktelles Format", check, 125, 43, 115, 10)
        && b.AddStatic(IDC_COL_SAMPLE, "", SS_OWNERDRAW, 125, 58, 115, 44, WS_EX_STATICEDGE)
        && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 125, 111, 55, 14)
        && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 185, 111, 55, 14)
        && b.AddButton(IDC_COL_BACK_GROUP, "Hintergrundfarbe", BS_GROUPBOX, 7, 132, 115, 136)
        && b.AddListBox(IDC_COL_BACK_GRID, grid, 19, 143, 82, 100)
        && b.AddButton(IDC_COL_BACK_DEFINE, "Farbe defienieren", BS_PUSHBUTTON | WS_TABSTOP, 14, 249, 101, 14)
        && b.AddButton(IDC_COL_TEXT_GROUP, "Textfarbe", BS_GROUPBOX, 125, 132, 115, 136)
        && b.AddListBox(IDC_COL_TEXT_GRID, grid, 137, 143, 82, 100)
        && b.AddButton(IDC_COL_TEXT_DEFINE, "Farbe definieren", BS_PUSHBUTTON | WS_TABSTOP, 132, 249, 101, 14);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Rules without a window

int PaletteCellOf(COLORREF color)
{
    for (int i = 0; i < kColorGridCells; ++i)
        if (kColorPalette[i] == color)
            return i;
    return -1;
}

int ColorGridCellSize(int clientHeight)
{
    int cell = clientHeight < 282 ? clientHeight / 9 : clientHeight / 12;
    return cell < 11 ? 11 : cell;
}

int RoundToCells(int length, int cell)
{
    if (cell <= 0)
        return length;
    int whole = length / cell;
    if (length - whole * cell > cell / 2)
        ++whole;
    return whole * cell;
}

int ListedColorRows(const uint8_t* used, int rowCount, bool onlyUsed, int rows[kColorsDialogMaxRows])
{
    if (rowCount > kColorsDialogMaxRows)
        rowCount = kColorsDialogMaxRows;
    int n = 0;
    if (used && onlyUsed)
    {
        for (int r = 0; r < rowCount; ++r)
            if (used[r / 8] & (1u << (r % 8)))
                rows[n++] = r;
    }
    // Nothing but the standard format is no choice: then every row is offered.
    if (n == 0 || (n == 1 && rows[0] == 0))
    {
        n = 0;
        for (int r = 0; r < rowCount; ++r)
            rows[n++] = r;
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// The dialog

CColorsDlg::CColorsDlg(CWnd* parent)
    : m_callerFormats(nullptr), m_rows(nullptr), m_count(0), m_current(0), m_customBack(0), m_customText(0),
      m_hasCustomBack(false), m_hasCustomText(false), m_font(nullptr), m_used(nullptr), m_cellSize(18),
      m_template(new CDlgTemplateBuilder)
{
    m_pParentWnd = parent;
}

CColorsDlg::~CColorsDlg()
{
    free(m_rows);
    delete m_template;
}

INT_PTR CColorsDlg::Run(ColorFormat* formats, HFONT font, int initialRow, const uint8_t* used)
{
    m_callerFormats = formats;
    m_count = 0;
    while (formats && m_count < kColorsDialogMaxRows && formats[m_count].name)
        ++m_count;
    free(m_rows);
    m_rows = static_cast<ColorFormat*>(calloc(static_cast<size_t>(m_count) + 1, sizeof(ColorFormat)));
    if (!m_rows || !m_template || !BuildColorsTemplate(*m_template) ||
        !InitModalIndirect(m_template->GetTemplate(), m_pParentWnd))
        return -1;
    if (m_count > 0)
        memcpy(m_rows, formats, sizeof(ColorFormat) * static_cast<size_t>(m_count));
    m_rows[m_count].background = kFallbackGrey;
    m_rows[m_count].text = kFallbackGrey;
    m_rows[m_count].name = kFallbackName;
    m_current = initialRow >= 0 && initialRow < m_count ? initialRow : 0;
    m_font = font ? font : static_cast<HFONT>(::GetStockObject(ANSI_FIXED_FONT));
    m_used = used;
    m_cellSize = 18;
    return DoModal();
}

BOOL CColorsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    RECT rect;
    ::GetClientRect(::GetDlgItem(m_hWnd, IDC_COL_BACK_GRID), &rect);
    m_cellSize = ColorGridCellSize(rect.bottom - rect.top);
    SetupGrid(IDC_COL_BACK_GRID);
    SetupGrid(IDC_COL_TEXT_GRID);
    if (m_used)
        CheckDlgButton(IDC_COL_USED_ONLY, BST_CHECKED);
    else
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_COL_USED_ONLY), FALSE);
    FillList();
    ShowRow();
    return TRUE;
}

void CColorsDlg::SetupGrid(int id)
{
    HWND grid = ::GetDlgItem(m_hWnd, id);
    RECT client;
    RECT window;
    ::GetClientRect(grid, &client);
    ::GetWindowRect(grid, &window);
    const int cell = m_cellSize;
    // The cell follows the grid's height; the width is the palette's seven columns. Rounding
    // the template's width as the height is rounded leaves an eighth, empty column where the
    // font's dialog units are wider than they are high (Wine's substitute for MS Sans Serif).
    int width = kColorGridColumns * cell;
    int height = RoundToCells(client.bottom, cell);
    ::SetWindowPos(grid, nullptr, 0, 0, window.right - window.left + width - client.right,
                   window.bottom - window.top + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageA(grid, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(cell), 0);
    ::SendMessageA(grid, LB_SETITEMHEIGHT, 0, MAKELPARAM(cell, 0));
    ::SendMessageA(grid, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < kColorGridCells; ++i)
        ::SendMessageA(grid, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
}

void CColorsDlg::FillList()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_COL_LIST);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    int rows[kColorsDialogMaxRows];
    const bool onlyUsed = IsDlgButtonChecked(IDC_COL_USED_ONLY) == BST_CHECKED;
    const int n = ListedColorRows(m_used, m_count, onlyUsed, rows);
    int selected = -1;
    int rowZero = -1;
    for (int i = 0; i < n; ++i)
    {
        LRESULT item = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_rows[rows[i]].name));
        if (item < 0)
            continue;
        ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), rows[i]);
        if (rows[i] == m_current)
            selected = rows[i];
        if (rows[i] == 0)
            rowZero = 0;
    }
    SelectRow(selected >= 0 ? selected : rowZero >= 0 ? rowZero : (n > 0 ? rows[0] : 0));
}

// Makes `row` current and selects its list entry.
void CColorsDlg::SelectRow(int row)
{
    m_current = row;
    HWND list = ::GetDlgItem(m_hWnd, IDC_COL_LIST);
    const int items = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < items; ++i)
    {
        if (static_cast<int>(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == row)
        {
            ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
            break;
        }
    }
}

void CColorsDlg::ShowRow()
{
    const ColorFormat& row = m_rows[m_current];
    const uint32_t style = row.style;
    CheckDlgButton(IDC_COL_BOLD, (style & 1) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_COL_ITALIC, (style & 2) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_COL_UNDERLINE, (style & 4) ? BST_CHECKED : BST_UNCHECKED);
    SelectGridCell(IDC_COL_BACK_GRID, row.background);
    SelectGridCell(IDC_COL_TEXT_GRID, row.text);
    RedrawSample();
}

void CColorsDlg::SelectGridCell(int id, COLORREF color)
{
    int cell = PaletteCellOf(color);
    if (cell < 0)
    {
        cell = kCustomCell;
        if (id == IDC_COL_BACK_GRID)
        {
            m_customBack = color;
            m_hasCustomBack = true;
        }
        else
        {
            m_customText = color;
            m_hasCustomText = true;
        }
    }
    HWND grid = ::GetDlgItem(m_hWnd, id);
    ::SendMessageA(grid, LB_SETCURSEL, static_cast<WPARAM>(cell), 0);
    ::InvalidateRect(grid, nullptr, FALSE);
}

COLORREF CColorsDlg::CellColor(int id, int cell) const
{
    if (cell == kCustomCell)
    {
        if (id == IDC_COL_BACK_GRID && m_hasCustomBack)
            return m_customBack;
        if (id == IDC_COL_TEXT_GRID && m_hasCustomText)
            return m_customText;
    }
    return cell >= 0 && cell < kColorGridCells ? kColorPalette[cell] : kColorPalette[0];
}

void CColorsDlg::OnGridChosen(int id)
{
    int cell = static_cast<int>(::SendDlgItemMessageA(m_hWnd, id, LB_GETCURSEL, 0, 0));
    if (cell < 0 || cell >= kColorGridCells)
        return;
    if (id == IDC_COL_BACK_GRID)
        m_rows[m_current].background = CellColor(id, cell);
    else
        m_rows[m_current].text = CellColor(id, cell);
    RedrawSample();
}

void CColorsDlg::OnStyleChanged()
{
    m_rows[m_current].style = (IsDlgButtonChecked(IDC_COL_BOLD) == BST_CHECKED ? 1u : 0u) |
                              (IsDlgButtonChecked(IDC_COL_ITALIC) == BST_CHECKED ? 2u : 0u) |
                              (IsDlgButtonChecked(IDC_COL_UNDERLINE) == BST_CHECKED ? 4u : 0u);
    RedrawSample();
}

void CColorsDlg::DefineColor(bool background)
{
    ColorFormat& row = m_rows[m_current];
    COLORREF current = background ? SystemOr(row.background, COLOR_WINDOW) : SystemOr(row.text, COLOR_WINDOWTEXT);
    COLORREF custom[16];
    for (COLORREF& c : custom)
        c = current;
    CHOOSECOLORA cc;
    memset(&cc, 0, sizeof(cc));
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = current;
    cc.lpCustColors = custom;
    cc.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    if (!::ChooseColorA(&cc))
        return;
    if (background)
        row.background = cc.rgbResult;
    else
        row.text = cc.rgbResult;
    SelectGridCell(background ? IDC_COL_BACK_GRID : IDC_COL_TEXT_GRID, cc.rgbResult);
    RedrawSample();
}

void CColorsDlg::RedrawSample()
{
    HWND sample = ::GetDlgItem(m_hWnd, IDC_COL_SAMPLE);
    ::InvalidateRect(sample, nullptr, FALSE);
    ::UpdateWindow(sample);
}

void CColorsDlg::DrawSample(const DRAWITEMSTRUCT& item)
{
    const ColorFormat& row = m_rows[m_current];
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    HBRUSH brush = ::CreateSolidBrush(SystemOr(row.background, COLOR_WINDOW));
    ::FillRect(dc, &r, brush);
    ::DeleteObject(brush);
    HGDIOBJ old = ::SelectObject(dc, m_font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, SystemOr(row.text, COLOR_WINDOWTEXT));
    ::DrawTextA(dc, "AbcXyz", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(dc, old);
}

void CColorsDlg::DrawCell(const DRAWITEMSTRUCT& item)
{
    if (static_cast<int>(item.itemID) < 0)
        return;
    const int id = static_cast<int>(item.CtlID);
    const int cell = static_cast<int>(item.itemID);
    const COLORREF color = CellColor(id, cell);
    const COLORREF shown = SystemOr(color, id == IDC_COL_BACK_GRID ? COLOR_WINDOW : COLOR_WINDOWTEXT);
    HDC dc = item.hDC;
    const RECT r = item.rcItem;
    HBRUSH fill = ::CreateSolidBrush(shown);
    ::FillRect(dc, &r, fill);
    ::DeleteObject(fill);
    if (color == kSystemColor)
    {
        // The system colour is marked by a dotted cross from corner to corner.
        const int w = r.right - r.left;
        const int h = r.bottom - r.top;
        const int n = w < h ? w : h;
        for (int i = 0; i < n; i += 2)
        {
            ::SetPixel(dc, r.left + i * w / n, r.top + i * h / n, 0x404040);
            ::SetPixel(dc, r.right - 1 - i * w / n, r.top + i * h / n, 0x404040);
        }
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int sum = GetRValue(shown) + GetGValue(shown) + GetBValue(shown);
    const COLORREF edge = selected ? (sum < 721 ? 0xFFFFFF : 0xC0C0C0) : 0x404040;
    HBRUSH edgeBrush = ::CreateSolidBrush(edge);
    RECT strips[4] = { { r.left, r.top, r.left + 2, r.bottom }, { r.left, r.top, r.right, r.top + 2 },
                       { r.right - 1, r.top, r.right, r.bottom }, { r.left, r.bottom - 1, r.right, r.bottom } };
    for (const RECT& s : strips)
        ::FillRect(dc, &s, edgeBrush);
    ::DeleteObject(edgeBrush);
    if (selected)
    {
        // An inverted halftone frame two pixels wide inside the edges.
        static const WORD kHalftone[8] = { 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA };
        HBITMAP pattern = ::CreateBitmap(8, 8, 1, 1, kHalftone);
        HBRUSH halftone = ::CreatePatternBrush(pattern);
        HGDIOBJ old = ::SelectObject(dc, halftone);
        const int x = r.left + 2, y = r.top + 2, w = r.right - 1 - x, h = r.bottom - 1 - y;
        ::PatBlt(dc, x, y, w, 2, PATINVERT);
        ::PatBlt(dc, x, y + h - 2, w, 2, PATINVERT);
        ::PatBlt(dc, x, y + 2, 2, h - 4, PATINVERT);
        ::PatBlt(dc, x + w - 2, y + 2, 2, h - 4, PATINVERT);
        ::SelectObject(dc, old);
        ::DeleteObject(halftone);
        ::DeleteObject(pattern);
    }
}

BOOL CColorsDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (m_bLockNotify && lParam)
        return TRUE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id)
    {
    case IDC_COL_LIST:
        if (code == LBN_SELCHANGE)
        {
            HWND list = ::GetDlgItem(m_hWnd, IDC_COL_LIST);
            LRESULT item = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
            if (item >= 0)
            {
                int row = static_cast<int>(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(item), 0));
                m_current = row >= m_count ? (m_count > 0 ? m_count - 1 : 0) : row < 0 ? 0 : row;
                ShowRow();
            }
        }
        return TRUE;
    case IDC_COL_BACK_GRID:
    case IDC_COL_TEXT_GRID:
        if (code == LBN_SELCHANGE)
            OnGridChosen(id);
        return TRUE;
    case IDC_COL_BOLD:
    case IDC_COL_ITALIC:
    case IDC_COL_UNDERLINE:
        if (code == BN_CLICKED)
            OnStyleChanged();
        return TRUE;
    case IDC_COL_USED_ONLY:
        if (code == BN_CLICKED)
        {
            FillList();
            ShowRow();
        }
        return TRUE;
    case IDC_COL_BACK_DEFINE:
    case IDC_COL_TEXT_DEFINE:
        if (code == BN_CLICKED)
            DefineColor(id == IDC_COL_BACK_DEFINE);
        return TRUE;
    default:
        break;
    }
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CColorsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM && lParam)
    {
        const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID == IDC_COL_SAMPLE)
        {
            DrawSample(item);
            return TRUE;
        }
        if (item.CtlID == IDC_COL_BACK_GRID || item.CtlID == IDC_COL_TEXT_GRID)
        {
            DrawCell(item);
            return TRUE;
        }
    }
    if (message == WM_MEASUREITEM && lParam)
    {
        MEASUREITEMSTRUCT& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item.CtlID == IDC_COL_BACK_GRID || item.CtlID == IDC_COL_TEXT_GRID)
        {
            item.itemWidth = static_cast<UINT>(m_cellSize);
            item.itemHeight = static_cast<UINT>(m_cellSize);
            return TRUE;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CColorsDlg::OnOK()
{
    if (m_callerFormats && m_count > 0)
        memcpy(m_callerFormats, m_rows, sizeof(ColorFormat) * static_cast<size_t>(m_count));
    EndDialog(IDOK);
}
