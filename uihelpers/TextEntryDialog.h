// CTextEntryDialog: asks for one line of text under a one-line prompt, with OK and
// "Abbrechen". The document asks for sector and cluster numbers with it, and for the typed
// "OK" before writing to a hard disk. Built from an in-memory template; no resource.
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"

// The entry template: caption "Dateinamen eingeben", prompt 1034, edit 1008, "OK" and
// "Abbrechen"; with `password` the edit has ES_PASSWORD. Built once; NULL when it could not
// be built. The number entry dialog shares the plain one.
const DLGTEMPLATE* EntryTemplate(bool password);

// The opening steps the entry dialogs share: the window user data, the posted focus move
// to edit 1008, and the widening (*widthFactor becomes the pixels applied): the dialog,
// the edit (and with growPrompt the prompt) grow, the buttons move right.
void PrepareEntryDialog(HWND dialog, LONG_PTR userData, int focusEdit, int* widthFactor, bool growPrompt);

class CTextEntryDialog : public CDialog {
public:
    enum { IDC_ENTRY_PROMPT = 1034, IDC_ENTRY_EDIT = 1008, kWindowUserData = 195 };

    // variant 0: plain edit field; nonzero: password field.
    explicit CTextEntryDialog(CWnd* pParent = NULL, int variant = 0);

    void SetCaption(LPCSTR text) { m_strCaption = text ? text : ""; }
    void SetPrompt(LPCSTR text) { m_strPrompt = text ? text : ""; }
    void SetText(LPCSTR text) { m_strText = text ? text : ""; }
    // Valid while the dialog object lives.
    LPCSTR GetText() const { return m_strText; }
    // At most size - 1 characters and a terminator; the number copied. A size below 1
    // copies nothing and returns 0.
    int CopyText(LPSTR buffer, int size) const;

    CString m_strText;        // shown on opening; the entered text after OK
    CString m_strCaption;     // empty keeps "Dateinamen eingeben"
    CString m_strPrompt;      // empty leaves the prompt blank
    int m_bHideInput;         // nonzero: the edit becomes a password field on opening
    int m_bFocusEdit;         // nonzero: the focus moves to the edit on opening
    int m_nWidthFactor;       // widening (see PopupSize.h); the pixels applied after opening

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
