#include "disk/StartOptionsDialog.h"

#include "classlib/DlgTemplate.h"

namespace {

const DLGTEMPLATE* StartOptionsTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        // The radio buttons are one group (WS_GROUP on the first and on the control behind the
        // last), so the exchange walks exactly these four.
        built = b.Begin("Startoptionen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 186, 95,
                        "MS Sans Serif", 8, FALSE)
            && b.AddButton(0xFFFF, "Zu öffnentes Laufwerk", BS_GROUPBOX, 7, 7, 112, 80)
            && b.AddButton(CStartOptionsDlg::IDC_OPEN_C, "Immer C: öffnen", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
                           15, 22, 100, 10)
            && b.AddButton(CStartOptionsDlg::IDC_OPEN_D, "Immer D: öffnen", BS_AUTORADIOBUTTON, 15, 37, 100, 10)
            && b.AddButton(CStartOptionsDlg::IDC_OPEN_NOTHING, "Kein Laufwerk öffnen", BS_AUTORADIOBUTTON, 15, 52, 100, 10)
            && b.AddButton(CStartOptionsDlg::IDC_OPEN_LAST, "Letztes Laufwerk öffnen", BS_AUTORADIOBUTTON, 15, 67, 100, 10)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 129, 7, 50, 14)
            && b.AddButton(IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 129, 24, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

}  // namespace

CStartOptionsDlg::CStartOptionsDlg(CWnd* pParent) : m_nOpenMode(-1)
{
    m_pParentWnd = pParent;
    InitModalIndirect(StartOptionsTemplate(), pParent);
}

void CStartOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Radio(pDX, IDC_OPEN_C, m_nOpenMode);
}
