// CMbrCreateDlg ("MBR - Erstellen"): the user lays out up to four primary partitions on a
// disk of the given geometry; after OK the dialog holds a complete 512-byte master boot
// record with the program's own boot code. Nothing is written to any medium here.
#pragma once
#include <windows.h>
#include <winioctl.h>
#include <stdint.h>

#include "classlib/Dialog.h"
#include "disk/MbrLayout.h"

class CMbrCreateDlg : public CDialog {
public:
    enum {
        IDD = 191,
        IDC_BOOT_CHOICE = 1030,
        IDC_ROUND_CYLINDER = 1035,
        IDC_ROUND_HEAD = 1036,
        IDC_ROUND_4KB = 1112,
        IDC_ROUND_NONE = 1113,
        IDC_TYPE1 = 1037,          // .. 1040
        IDC_CYLINDERS = 1041,
        IDC_HEADS = 1042,
        IDC_SECTORS = 1043,
        IDC_TOTAL = 1044,
        IDC_FIRST_OUTPUT = 1045,   // .. 1076: C, H, S, first sector / count, start then end
        IDC_LAST_OUTPUT = 1076,
        IDC_SIZE1 = 1077,          // .. 1080
        IDC_START = 1081,
        IDC_SIZE_SHOW1 = 1082,     // .. 1085
        IDC_SIZE_TOTAL = 1086,
    };

    explicit CMbrCreateDlg(CWnd* pParent = NULL);

    // Filled by the caller before the run.
    DISK_GEOMETRY m_geometry;
    uint64_t m_totalSectors;

    // The user's choices, kept from the fields at every recomputation.
    char m_startText[64];
    int m_rounding;
    int m_bootChoice;
    char m_sizeTexts[MBR_PARTITIONS][64];
    int m_typeChoices[MBR_PARTITIONS];

    // The partitions as last computed, and the record after OK.
    MbrLayout m_layout;
    uint8_t m_mbr[MBR_RECORD_SIZE];
    int m_busy;

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    afx_msg void OnFieldChanged(UINT nID);
    afx_msg void OnFieldLeft(UINT nID);
    afx_msg void OnRoundingClicked(UINT nID);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    // `changed`: the field whose text the user changed, 0 for any other cause (a field left,
    // a rounding choice, OK).
    void Recompute(int changed);
    void ReadChoices();
    int MarkOfControl(int id) const;
    static int ControlOfMark(int mark);

    bool m_marked[MBR_MARK_COUNT];
};
