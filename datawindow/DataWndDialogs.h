// The data window's two dialogs: "Daten Fenster Optionen" (view options, row budget, the
// current slot's start offset, length, module and block) and "Modul Fehler" (the error text
// of a module load).
#pragma once
#include <windows.h>

#include "classlib/Dialog.h"
#include "classlib/String.h"

class CModulSet;

class CDataOptionsDlg : public CDialog {
public:
    enum {
        IDC_OFFSET = 1055, IDC_LENGTH = 1075, IDC_MAX_ROWS = 1077, IDC_MODULES = 1042, IDC_BLOCKS = 1049,
        IDC_SHOW_OFFSETS = 1043, IDC_SHOW_LENGTHS = 1044, IDC_SHOW_ADDRESSES = 1045, IDC_FIXED_FONT = 1046,
        IDC_LINES = 1097,
    };

    explicit CDataOptionsDlg(CWnd* pParent = NULL);

    int m_showOffsets;
    int m_showLengths;
    int m_showAddresses;
    int m_fixedFont;
    int m_lines;
    int m_maxRows;
    int m_length;
    const CModulSet* m_modules;
    int m_startOffset;
    int m_entry;
    int m_source;

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void FillBlocks();
    void ReadChoices();
    static int InsertSorted(HWND combo, const char* text, int data);
};

class CModulErrorDlg : public CDialog {
public:
    enum { IDC_TEXT = 1055 };

    explicit CModulErrorDlg(CWnd* pParent = NULL);

    CString m_caption;   // empty: the template's
    CString m_text;

    BOOL OnInitDialog() override;
};
