#include "uihelpers/ChoiceDialog.h"

#include <string.h>
#include "classlib/DlgTemplate.h"
#include "uihelpers/PopupHelpers.h"
#include "uihelpers/PopupSize.h"

namespace {

const DLGTEMPLATE* ChoiceComboTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        const DWORD combo = CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
        built = b.Begin("Auswahl", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 227, 76,
                        "MS Sans Serif", 8, FALSE)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 55, 50, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 115, 50, 50, 14)
            && b.AddStatic(CChoiceDialog::IDC_CHOICE_PROMPT, "", SS_LEFT, 15, 15, 195, 8)
            && b.AddComboBox(CChoiceDialog::IDC_CHOICE_DROPLIST, combo | CBS_DROPDOWNLIST, 15, 25, 195, 145)
            && b.AddComboBox(CChoiceDialog::IDC_CHOICE_EDITABLE, combo | CBS_DROPDOWN, 15, 25, 195, 145);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

int ChildWidth(HWND dialog, int id)
{
    RECT rc = { 0, 0, 0, 0 };
    GetWindowRect(GetDlgItem(dialog, id), &rc);
    return rc.right - rc.left;
}

}  // namespace

CChoiceDialog::CChoiceDialog(CWnd* pParent)
    : m_nResultValue(0), m_bEditable(0), m_bCancelAllowed(1), m_nSelection(0), m_ppItems(NULL),
      m_nItemCount(0), m_nCapacity(0), m_nWidthFactor(0), m_bFocusCombo(0)
{
    m_pParentWnd = pParent;
    InitModalIndirect(ChoiceComboTemplate(), pParent);
}

CChoiceDialog::~CChoiceDialog()
{
    FreeChoiceItems(m_ppItems, m_nItemCount);
}

int CChoiceDialog::AddItem(int index, DWORD value, LPCSTR text, int select)
{
    int at = InsertChoiceItem(&m_ppItems, &m_nItemCount, &m_nCapacity, index, value, text, 0);
    if (at >= 0 && select)
        m_nSelection = at;
    else if (at >= 0 && m_nSelection >= at)
        ++m_nSelection;   // the chosen item moved down: the choice stays with it, not its place
    return at;
}

LPCSTR CChoiceDialog::GetItemText(int index) const
{
    return index >= 0 && index < m_nItemCount ? m_ppItems[index]->text : NULL;
}

DWORD CChoiceDialog::GetItemValue(int index) const
{
    return index >= 0 && index < m_nItemCount ? m_ppItems[index]->value : 0;
}

DWORD CChoiceDialog::SetItemValue(int index, DWORD value)
{
    if (index < 0 || index >= m_nItemCount)
        return 0;
    DWORD old = m_ppItems[index]->value;
    m_ppItems[index]->value = value;
    return old;
}

int CChoiceDialog::FindItem(LPCSTR text, int ignoreCase)
{
    int at = FindChoiceItem(m_ppItems, m_nItemCount, text, ignoreCase);
    if (at >= 0)
        m_nSelection = at;
    return at;
}

int CChoiceDialog::CopyText(LPSTR buffer, int size) const
{
    return CopyTextToBuffer(m_strResult, buffer, size);
}

BOOL CChoiceDialog::OnInitDialog()
{
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, kWindowUserData);
    HWND combo = ::GetDlgItem(m_hWnd, ComboId());
    ::ShowWindow(::GetDlgItem(m_hWnd, m_bEditable ? IDC_CHOICE_DROPLIST : IDC_CHOICE_EDITABLE), SW_HIDE);
    if (m_bFocusCombo && combo)
        PostMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(combo), TRUE);
    for (int i = 0; i < m_nItemCount; ++i)
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_ppItems[i]->text));
    // A drop-down list cannot show a text of its own: without a valid item it shows item 0.
    if (m_nSelection >= m_nItemCount)
        m_nSelection = -1;
    if (m_nSelection < 0 && !m_bEditable)
        m_nSelection = 0;
    if (m_nSelection >= 0)
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(m_nSelection), 0);
    else
        ::SetWindowTextA(combo, m_strResult);
    ::ShowWindow(combo, SW_SHOW);

    if (m_nWidthFactor != 0) {
        RECT rc;
        GetWindowRect(&rc);
        int d = PopupSizeDelta(rc.right - rc.left, m_nWidthFactor, kChoiceWidthDivisor);
        m_nWidthFactor = d;
        SetWindowPos(NULL, 0, 0, rc.right - rc.left + d, rc.bottom - rc.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        OffsetDlgItem(m_hWnd, ComboId(), 0, 0, d, 0);
        OffsetDlgItem(m_hWnd, IDC_CHOICE_PROMPT, 0, 0, d, 0);
        OffsetDlgItem(m_hWnd, IDOK, d / 2, 0, 0, 0);
        OffsetDlgItem(m_hWnd, IDCANCEL, d / 2, 0, 0, 0);
    }
    if (!m_bCancelAllowed) {
        ::ShowWindow(::GetDlgItem(m_hWnd, IDCANCEL), SW_HIDE);
        OffsetDlgItem(m_hWnd, IDOK, ChildWidth(m_hWnd, IDOK) * 3 / 5, 0, 0, 0);
    }
    CDialog::OnInitDialog();
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    if (!m_strPrompt.IsEmpty())
        SetDlgItemText(IDC_CHOICE_PROMPT, m_strPrompt);
    ::SetFocus(combo);
    return FALSE;
}

void CChoiceDialog::OnOK()
{
    HWND combo = ::GetDlgItem(m_hWnd, ComboId());
    int chosen = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    CString typed;
    int length = ::GetWindowTextLengthA(combo);
    ::GetWindowTextA(combo, typed.GetBuffer(length + 1), length + 1);
    typed.ReleaseBuffer();
    // In the editable form the list keeps its selection while the user types over it: a
    // text that is no longer the selected item's is a text of the user's own. Taken by the
    // selection alone, the dialog answered with the item the user had typed over.
    if (chosen >= 0 && chosen < m_nItemCount && m_bEditable && strcmp(typed, m_ppItems[chosen]->text) != 0)
        chosen = -1;
    if (chosen >= 0 && chosen < m_nItemCount) {
        m_strResult = m_ppItems[chosen]->text;
        m_nResultValue = m_ppItems[chosen]->value;
        m_nSelection = chosen;
    } else {
        m_strResult = typed;
        m_nResultValue = 0;
        m_nSelection = -1;
    }
    EndDialog(IDOK);
}

void CChoiceDialog::OnCancel()
{
    if (!m_bCancelAllowed) {
        OnOK();
        return;
    }
    m_strResult.Empty();
    m_nSelection = -1;
    EndDialog(IDCANCEL);
}
