// "CRC-Summe berechnen": the CRC calculator over bytes the hex view hands in. The user picks
// a preset or types a polynomial (reflected, normal or as a formula), a width and a start
// value; the dialog keeps the forms in step and shows nine results, and on request writes C
// source for one algorithm. The logic is CCrcCalculator's; the dialog exchanges and draws.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "classlib/Dialog.h"
#include "views/CrcModel.h"

class CDlgTemplateBuilder;

enum CrcCalcControl
{
    IDC_CRC_PRESET = 1042,
    IDC_CRC_INVERT = 1043,
    IDC_CRC_FORMULA = 1055,
    IDC_CRC_C_ONES = 1056,
    IDC_CRC_B_ONES = 1057,
    IDC_CRC_LENGTH = 1058,
    IDC_CRC_SOURCE = 1059,
    IDC_CRC_C_START = 1062,
    IDC_CRC_C_ZERO = 1063,
    IDC_CRC_A_START = 1075,
    IDC_CRC_A_ZERO = 1077,
    IDC_CRC_A_ONES = 1105,
    IDC_CRC_B_START = 1106,
    IDC_CRC_B_ZERO = 1107,
    IDC_CRC_WIDTH = 1133,
    IDC_CRC_REFLECTED = 1134,
    IDC_CRC_NORMAL = 1135,
    IDC_CRC_START = 1136,
    IDC_CRC_ALGORITHM = 1137,
};

// The result fields in the order of CCrcCalculator::results.
extern const int kCrcResultIds[9];

class CCrcCalcDlg : public CDialog
{
public:
    explicit CCrcCalcDlg(CWnd* parent);
    ~CCrcCalcDlg() override;

    // Runs the dialog over `length` bytes at `data` (borrowed, never written): IDOK, IDCANCEL,
    // or -1 when it could not be created.
    INT_PTR Run(const uint8_t* data, int length);

    const CCrcCalculator& Calculator() const { return m_calc; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void Recalculate(int trigger);
    void OnAlgorithmChanged();
    void ApplyWrites(unsigned writes);
    void WriteCombo(int id, const char* text);

    CCrcCalculator m_calc;
    int m_sourceShown;
    CDlgTemplateBuilder* m_template;
};

// The hex view's CRC command: the dialog over the bytes, modal to `parent`.
INT_PTR RunCrcDialog(CWnd* parent, const uint8_t* data, int size);
