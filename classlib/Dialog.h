// CDialog: a dialog window whose object receives its messages through the message map,
// from a dialog resource or from a template built in memory (DLGTEMPLATE or DLGTEMPLATEEX).
//
// Modal run: DoModal creates the dialog with DialogBoxIndirectParam, so the system's dialog
// manager runs the modal loop, disables the owner while the dialog is up and enables it
// again. Enter and Escape arrive as the commands IDOK and IDCANCEL and go through the message
// map to the virtual OnOK and OnCancel, so a derived class's overrides run.
#pragma once
#include <windows.h>
#include "classlib/Wnd.h"
#include "classlib/Ddx.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    // For a template given later with InitModalIndirect.
    CDialog() noexcept;
    // A dialog resource of the application's resource module, by name or id.
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = NULL) noexcept;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL) noexcept;
    ~CDialog() override;

    // Uses an in-memory template for the modal run (either form; the caller keeps it alive
    // while the dialog runs). FALSE for a NULL template.
    BOOL InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = NULL) noexcept;

    // IDOK, IDCANCEL or the value given to EndDialog; -1 when the dialog could not be
    // created (no template, the object already has a window, a broken template).
    virtual INT_PTR DoModal();

    // Modeless dialogs, which the caller destroys with DestroyWindow.
    virtual BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = NULL);
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    virtual BOOL CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = NULL);

    void EndDialog(int nResult) noexcept;

    // Runs DoDataExchange: bSaveAndValidate TRUE reads the controls into the variables
    // (validating), FALSE loads the controls. FALSE when the exchange failed; the focus is
    // then on the offending control and the dialog stays open. Control notifications that
    // the exchange itself raises (EN_CHANGE while loading a text, say) are not dispatched.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Moves the focus to a control as the dialog manager does (the default button follows).
    void GotoDlgCtrl(CWnd* pWndCtrl) noexcept;
    void NextDlgCtrl() const noexcept;
    void PrevDlgCtrl() const noexcept;
    void SetDefID(UINT nID) noexcept;
    // The default button's id in the low word, DC_HASDEFID in the high word.
    DWORD GetDefID() const noexcept;
    // Dialog units -> pixels of this dialog's font.
    void MapDialogRect(LPRECT lpRect) const noexcept;

    // WM_INITDIALOG: loads the controls (UpdateData(FALSE)); TRUE lets the dialog manager
    // focus the first control.
    virtual BOOL OnInitDialog();
    // OK: reads the controls and closes with IDOK; a failed exchange keeps the dialog open.
    virtual void OnOK();
    virtual void OnCancel();

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // The template for the run: the in-memory one, else the resource; NULL when neither.
    LPCDLGTEMPLATE FindTemplate() const noexcept;
    // The window that owns a dialog of this object: the parent given, else the main window.
    HWND OwnerWindow() const noexcept;

    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    LPCSTR m_lpszTemplateName;          // resource name or MAKEINTRESOURCE id, or NULL
    CString m_strTemplateName;          // the copy a string name points into
    LPCDLGTEMPLATE m_lpDialogTemplate;  // in-memory template, or NULL
    CWnd* m_pParentWnd;
    BOOL m_bModal;                      // a DoModal is running
    BOOL m_bLockNotify;                 // UpdateData is running

    DECLARE_MESSAGE_MAP()
};
