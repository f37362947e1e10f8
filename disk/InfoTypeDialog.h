// CInfoTypeDlg ("Info-Typ wählen"): the user picks the structure as which a sector that lies
// in no area is shown. The list holds 21 positions; the caller maps them to and from the
// InfoType values (position 0 is "<default>", and the ext superblock has no position).
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"

class CInfoTypeDlg : public CDialog {
public:
    enum { IDD = 187, IDC_INFO_LIST = 1082, kEntryCount = 21 };

    explicit CInfoTypeDlg(CWnd* pParent = NULL);

    // The position to preselect before the run (-1: none); the chosen one after OK, -1
    // when nothing was selected.
    int m_nPosition;

    // The text of a list position, NULL outside 0 to 20.
    static const char* EntryText(int position);

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};
