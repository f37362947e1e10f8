// "Farben einstellen": background, text colour and style of each colour format of a text
// view group, picked from two grids of 63 colours (or the system's colour dialog), with a
// sample drawn in the view's font. Works on a copy; OK writes every row back.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "classlib/Dialog.h"
#include "views/ViewSettings.h"

class CDlgTemplateBuilder;

enum ColorsDialogControl
{
    IDC_COL_SAMPLE = 1025,
    IDC_COL_BACK_GROUP = 1026,
    IDC_COL_TEXT_GROUP = 1027,
    IDC_COL_LIST = 1028,
    IDC_COL_BOLD = 1030,
    IDC_COL_ITALIC = 1031,
    IDC_COL_UNDERLINE = 1032,
    IDC_COL_USED_ONLY = 1033,
    IDC_COL_BACK_DEFINE = 1037,
    IDC_COL_TEXT_DEFINE = 1049,
    IDC_COL_BACK_GRID = 1052,
    IDC_COL_TEXT_GRID = 1053,
};

const int kColorGridCells = 63;     // 7 columns of 9, filled top to bottom
const int kColorGridColumns = 7;
const int kColorsDialogMaxRows = 256;

// The palette in cell order; kSystemColor is the system window (text) colour.
extern const COLORREF kColorPalette[kColorGridCells];

// The cell showing `color`, or -1 when no cell does.
int PaletteCellOf(COLORREF color);
// The cell size of a grid of this client height: a ninth (a twelfth from 282 pixels), at
// least 11.
int ColorGridCellSize(int clientHeight);
// A length rounded to whole cells: up when more than half a cell is left over, else down.
int RoundToCells(int length, int cell);
// The rows the format list shows: with `onlyUsed` the rows whose bit is set in `used` (bit r
// of byte r / 8); all rows when that lists none or only row 0. Returns the count.
int ListedColorRows(const uint8_t* used, int rowCount, bool onlyUsed, int rows[kColorsDialogMaxRows]);

class CColorsDlg : public CDialog
{
public:
    explicit CColorsDlg(CWnd* parent);
    ~CColorsDlg() override;

    // formats: a table ended by a null name (rows past 256 are left alone); font: the sample
    // font (null: the stock fixed-pitch font); used: the rows to offer when "Nur für aktelles
    // Format" is checked (null disables that box). IDOK writes all rows back.
    INT_PTR Run(ColorFormat* formats, HFONT font, int initialRow, const uint8_t* used);

    BOOL OnInitDialog() override;
    void OnOK() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int CurrentRow() const { return m_current; }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void SetupGrid(int id);
    void FillList();
    void SelectRow(int row);
    void ShowRow();
    void SelectGridCell(int id, COLORREF color);
    COLORREF CellColor(int id, int cell) const;
    void OnGridChosen(int id);
    void OnStyleChanged();
    void DefineColor(bool background);
    void DrawCell(const DRAWITEMSTRUCT& item);
    void DrawSample(const DRAWITEMSTRUCT& item);
    void RedrawSample();

    ColorFormat* m_callerFormats;
    ColorFormat* m_rows;        // working copy, m_count + 1 rows
    int m_count;
    int m_current;
    COLORREF m_customBack;
    COLORREF m_customText;
    bool m_hasCustomBack;
    bool m_hasCustomText;
    HFONT m_font;
    const uint8_t* m_used;
    int m_cellSize;
    CDlgTemplateBuilder* m_template;
};
