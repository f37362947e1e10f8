// CChoiceDialog: the user picks one of a list of texts, each carrying a 32-bit value, from
// a combo box, or types a text of their own in its editable form. The compact sibling of
// the choice list dialog, built from an in-memory template ("Auswahl").
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"
#include "uihelpers/ChoiceListDialog.h"

class CChoiceDialog : public CDialog {
public:
    enum {
        IDC_CHOICE_PROMPT = 1131,
        IDC_CHOICE_DROPLIST = 1132,     // not editable: a drop-down list
        IDC_CHOICE_EDITABLE = 1133,     // editable drop-down
        kWindowUserData = 198
    };

    explicit CChoiceDialog(CWnd* pParent = NULL);
    ~CChoiceDialog() override;
    CChoiceDialog(const CChoiceDialog&) = delete;
    CChoiceDialog& operator=(const CChoiceDialog&) = delete;

    // The index rules of CChoiceListDialog::AddItem (INSERT_BY_TEXT, INSERT_BY_VALUE, out
    // of range appends); a nonzero `select` makes the new item the selection. The index,
    // -1 without memory.
    int AddItem(int index, DWORD value, LPCSTR text, int select);
    DWORD GetItemValue(int index) const;              // 0 out of range
    DWORD SetItemValue(int index, DWORD value);       // the old value, 0 out of range
    // The first item whose text equals `text` becomes the selection; its index or -1.
    int FindItem(LPCSTR text, int ignoreCase);
    void SetCaption(LPCSTR text) { m_strCaption = text ? text : ""; }
    int CopyText(LPSTR buffer, int size) const;       // the result text
    int GetItemCount() const { return m_nItemCount; }
    LPCSTR GetItemText(int index) const;              // NULL out of range

    CString m_strResult;     // preset of the editable form; the chosen or typed text after OK
    CString m_strCaption;    // empty keeps "Auswahl"
    CString m_strPrompt;     // static 1131
    DWORD m_nResultValue;    // the chosen item's value after OK; 0 for a typed text
    int m_bEditable;         // 0: drop-down list 1132; 1: editable combo 1133
    int m_bCancelAllowed;    // 0 hides "Abbrechen"; Cancel and Escape then act as OK
    int m_nSelection;        // preselected item; the chosen one after OK, -1 for none
    ChoiceItem** m_ppItems;
    int m_nItemCount;
    int m_nCapacity;
    int m_nWidthFactor;      // see PopupSize.h (divisor 347)
    int m_bFocusCombo;       // nonzero: the focus moves to the combo on opening

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    int ComboId() const { return m_bEditable ? IDC_CHOICE_EDITABLE : IDC_CHOICE_DROPLIST; }
};
