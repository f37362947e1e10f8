// CChsConvertDlg ("CHS - Sektor Konvertierung"): converts a sector number to a cylinder,
// head and sector address of the disk's geometry and back, live as the user types. The
// caller fills the geometry and the sector number and runs it modally; nothing is returned.
#pragma once
#include <windows.h>
#include <winioctl.h>
#include <stdint.h>

#include "classlib/Dialog.h"
#include "disk/ChsConversion.h"

class CChsConvertDlg : public CDialog {
public:
    enum { IDD = 190, IDC_FIRST_FIELD = 1041, IDC_LAST_FIELD = 1047 };

    explicit CChsConvertDlg(CWnd* pParent = NULL);

    DISK_GEOMETRY m_geometry;
    uint64_t m_sector;
    int m_busy;

    // The error marks of the seven fields, shared by every instance.
    static bool s_marked[CHS_FIELD_COUNT];

    BOOL OnInitDialog() override;

protected:
    afx_msg void OnFieldChanged(UINT nID);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    void Recompute();
};
