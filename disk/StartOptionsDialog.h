// CStartOptionsDlg ("Startoptionen"): what the program opens when it starts without a path,
// the document's open mode ("OpenMode"): 0 drive C, 1 drive D, 2 nothing, 3 the last drive
// or image file.
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"

class CStartOptionsDlg : public CDialog {
public:
    enum {
        IDD = 193,
        IDC_OPEN_C = 1035,          // first of the radio group
        IDC_OPEN_D = 1036,
        IDC_OPEN_NOTHING = 1037,
        IDC_OPEN_LAST = 1038,
    };
    enum { OPENMODE_DRIVE_C = 0, OPENMODE_DRIVE_D = 1, OPENMODE_NOTHING = 2, OPENMODE_LAST = 3 };

    explicit CStartOptionsDlg(CWnd* pParent = NULL);

    // Preset by the caller (-1: no button checked); the choice after OK, -1 without one.
    int m_nOpenMode;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
