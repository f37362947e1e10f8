#include "disk/InfoTypeDialog.h"

#include "classlib/DlgTemplate.h"

namespace {

const char* const kEntries[CInfoTypeDlg::kEntryCount] = {
    "<default>",
    "Bootsektor",
    "Bootsektor (FAT32)",
    "Bootsektor (NTFS)",
    "Bootsektor (EXFAT)",
    "FAT12",
    "FAT16",
    "FAT32",
    "FATEX",
    "Verzeichnis",
    "Infosektor",
    "MasterBootRecord",
    "VolumeDescriptor",
    "CD Pfad Tabelle",
    "CD Verzeichnis",
    "Master File Table",
    "Mirror MFT",
    "Ecma-Tag",
    "GUID Partitionstablle",
    "GUID Partitioneinträge",
    "EXFAT Verzeichnis",
};

const DLGTEMPLATE* InfoTypeTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        built = b.Begin("Info-Typ wählen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 160, 200,
                        "MS Sans Serif", 8, FALSE)
            && b.AddListBox(CInfoTypeDlg::IDC_INFO_LIST,
                            WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 5, 5, 150, 170)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 25, 180, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 85, 180, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

}  // namespace

CInfoTypeDlg::CInfoTypeDlg(CWnd* pParent) : m_nPosition(0)
{
    m_pParentWnd = pParent;
    InitModalIndirect(InfoTypeTemplate(), pParent);
}

const char* CInfoTypeDlg::EntryText(int position)
{
    return position >= 0 && position < kEntryCount ? kEntries[position] : NULL;
}

BOOL CInfoTypeDlg::OnInitDialog()
{
    // The list is filled before the exchange puts the caller's position into it. Filled
    // after, the empty list takes no selection: the caller's preset never shows, and OK
    // without a click hands back "nothing chosen", on which "Info Ansicht" empties the
    // decoded-text pane of a sector whose structure is known.
    HWND list = ::GetDlgItem(m_hWnd, IDC_INFO_LIST);
    for (int i = 0; list && i < kEntryCount; ++i)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kEntries[i]));
    return CDialog::OnInitDialog();
}

void CInfoTypeDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_LBIndex(pDX, IDC_INFO_LIST, m_nPosition);
}

BOOL CInfoTypeDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_INFO_LIST && HIWORD(wParam) == LBN_DBLCLK) {
        OnOK();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}
