#include "uihelpers/TextEntryDialog.h"

#include <string.h>
#include "classlib/DlgTemplate.h"
#include "uihelpers/PopupHelpers.h"
#include "uihelpers/PopupSize.h"

// The two templates differ only in the edit style; built once, kept for the whole run.
const DLGTEMPLATE* EntryTemplate(bool password)
{
    static CDlgTemplateBuilder builders[2];
    static bool built[2] = { false, false };
    CDlgTemplateBuilder& b = builders[password ? 1 : 0];
    if (!built[password ? 1 : 0]) {
        DWORD editStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | (password ? ES_PASSWORD : 0);
        bool ok = b.Begin("Dateinamen eingeben", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                          0, 0, 232, 58, "MS Sans Serif", 8, FALSE)
            && b.AddStatic(CTextEntryDialog::IDC_ENTRY_PROMPT, "", SS_LEFT, 5, 5, 220, 8)
            && b.AddEdit(CTextEntryDialog::IDC_ENTRY_EDIT, "", editStyle, 5, 15, 220, 13)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 35, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 175, 35, 50, 14);
        built[password ? 1 : 0] = ok;
        if (!ok)
            return NULL;
    }
    return b.GetTemplate();
}

CTextEntryDialog::CTextEntryDialog(CWnd* pParent, int variant)
    : m_bHideInput(0), m_bFocusEdit(0), m_nWidthFactor(0)
{
    m_pParentWnd = pParent;
    InitModalIndirect(EntryTemplate(variant != 0), pParent);
}

int CTextEntryDialog::CopyText(LPSTR buffer, int size) const
{
    return CopyTextToBuffer(m_strText, buffer, size);
}

void CTextEntryDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_ENTRY_EDIT, m_strText);
}

void PrepareEntryDialog(HWND dialog, LONG_PTR userData, int focusEdit, int* widthFactor, bool growPrompt)
{
    using Ids = CTextEntryDialog;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, userData);
    if (focusEdit) {
        HWND edit = ::GetDlgItem(dialog, Ids::IDC_ENTRY_EDIT);
        if (edit)
            PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    }
    if (*widthFactor != 0) {
        RECT rc;
        GetWindowRect(dialog, &rc);
        int d = PopupSizeDelta(rc.right - rc.left, *widthFactor, kEntryWidthDivisor);
        *widthFactor = d;
        SetWindowPos(dialog, NULL, 0, 0, rc.right - rc.left + d, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        OffsetDlgItem(dialog, Ids::IDC_ENTRY_EDIT, 0, 0, d, 0);
        if (growPrompt)
            OffsetDlgItem(dialog, Ids::IDC_ENTRY_PROMPT, 0, 0, d, 0);
        OffsetDlgItem(dialog, IDOK, d, 0, 0, 0);
        OffsetDlgItem(dialog, IDCANCEL, d, 0, 0, 0);
    }
}

BOOL CTextEntryDialog::OnInitDialog()
{
    if (m_bHideInput)
        RecreateAsPasswordEdit(m_hWnd, IDC_ENTRY_EDIT);
    PrepareEntryDialog(m_hWnd, kWindowUserData, m_bFocusEdit, &m_nWidthFactor, true);
    CDialog::OnInitDialog();
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    if (!m_strPrompt.IsEmpty())
        SetDlgItemText(IDC_ENTRY_PROMPT, m_strPrompt);
    return TRUE;
}
