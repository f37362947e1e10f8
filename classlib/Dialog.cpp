#include "classlib/Dialog.h"
#include "classlib/WinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() noexcept
    : m_lpszTemplateName(NULL), m_lpDialogTemplate(NULL), m_pParentWnd(NULL),
      m_bModal(FALSE), m_bLockNotify(FALSE)
{
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd) noexcept
    : m_lpszTemplateName(NULL), m_lpDialogTemplate(NULL), m_pParentWnd(pParentWnd),
      m_bModal(FALSE), m_bLockNotify(FALSE)
{
    if (lpszTemplateName && !IS_INTRESOURCE(lpszTemplateName)) {
        // The caller's text need not outlive the constructor.
        m_strTemplateName = lpszTemplateName;
        m_lpszTemplateName = m_strTemplateName;
    } else {
        m_lpszTemplateName = lpszTemplateName;
    }
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) noexcept
    : m_lpszTemplateName(nIDTemplate ? MAKEINTRESOURCEA(nIDTemplate) : NULL), m_lpDialogTemplate(NULL),
      m_pParentWnd(pParentWnd), m_bModal(FALSE), m_bLockNotify(FALSE)
{
}

CDialog::~CDialog()
{
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd) noexcept
{
    if (!lpDialogTemplate) return FALSE;
    m_lpDialogTemplate = lpDialogTemplate;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    return TRUE;
}

LPCDLGTEMPLATE CDialog::FindTemplate() const noexcept
{
    if (m_lpDialogTemplate) return m_lpDialogTemplate;
    if (!m_lpszTemplateName) return NULL;
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceA(hInst, m_lpszTemplateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!hRes) return NULL;
    HGLOBAL hGlobal = ::LoadResource(hInst, hRes);
    // A resource stays mapped with its module; nothing to free.
    return hGlobal ? static_cast<LPCDLGTEMPLATE>(::LockResource(hGlobal)) : NULL;
}

HWND CDialog::OwnerWindow() const noexcept
{
    CWnd* pParent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    HWND hWnd = pParent ? pParent->m_hWnd : NULL;
    if (!hWnd || !::IsWindow(hWnd)) return NULL;
    // A dialog is owned by a top-level window; a child given as parent means its frame.
    HWND root = ::GetAncestor(hWnd, GA_ROOT);
    return root ? root : hWnd;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd) return -1;
    LPCDLGTEMPLATE tmpl = FindTemplate();
    if (!tmpl) return -1;
    HWND hOwner = OwnerWindow();

    m_bModal = TRUE;
    AfxHookWindowCreate(this);
    INT_PTR result = ::DialogBoxIndirectParamA(AfxGetResourceHandle(), tmpl, hOwner,
                                               AfxDlgProcPassThrough, 0);
    AfxUnhookWindowCreate();
    m_bModal = FALSE;

    return result;
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    if (!lpszTemplateName) return FALSE;
    if (!IS_INTRESOURCE(lpszTemplateName)) {
        m_strTemplateName = lpszTemplateName;
        m_lpszTemplateName = m_strTemplateName;
    } else {
        m_lpszTemplateName = lpszTemplateName;
    }
    m_lpDialogTemplate = NULL;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    LPCDLGTEMPLATE tmpl = FindTemplate();
    return tmpl ? CreateIndirect(tmpl, pParentWnd) : FALSE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return nIDTemplate ? Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd) : FALSE;
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd)
{
    if (m_hWnd || !lpDialogTemplate) return FALSE;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    HWND hParent = (m_pParentWnd && m_pParentWnd->m_hWnd) ? m_pParentWnd->m_hWnd : OwnerWindow();
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), lpDialogTemplate, hParent,
                                            AfxDlgProcPassThrough, 0);
    AfxUnhookWindowCreate();
    return hWnd != NULL && m_hWnd == hWnd;
}

void CDialog::EndDialog(int nResult) noexcept
{
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    if (!m_hWnd) return FALSE;
    CDataExchange dx(this, bSaveAndValidate);
    BOOL wasLocked = m_bLockNotify;
    m_bLockNotify = TRUE;
    DoDataExchange(&dx);
    m_bLockNotify = wasLocked;
    return !dx.m_bFailed;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) noexcept
{
    if (m_hWnd && pWndCtrl && pWndCtrl->m_hWnd)
        ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}

void CDialog::NextDlgCtrl() const noexcept
{
    if (m_hWnd) ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0);
}

void CDialog::PrevDlgCtrl() const noexcept
{
    if (m_hWnd) ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 1, 0);
}

void CDialog::SetDefID(UINT nID) noexcept
{
    if (m_hWnd) ::SendMessageA(m_hWnd, DM_SETDEFID, nID, 0);
}

DWORD CDialog::GetDefID() const noexcept
{
    return m_hWnd ? static_cast<DWORD>(::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0)) : 0;
}

void CDialog::MapDialogRect(LPRECT lpRect) const noexcept
{
    if (m_hWnd && lpRect) ::MapDialogRect(m_hWnd, lpRect);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    return OnInitDialog();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // A notification raised by UpdateData's own writes is not the user's doing.
    if (m_bLockNotify && lParam != 0) return TRUE;
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (m_bLockNotify) {
        if (pResult) *pResult = 0;
        return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, pResult);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    // Menu commands (ids 0x8000 and up, below the system commands) that the dialog does not
    // handle go on to the owner and then to the application; control ids and notifications
    // stay with the dialog.
    if (nCode != CN_COMMAND && nCode != CN_UPDATE_COMMAND_UI) return FALSE;
    if (nID < 0x8000 || nID >= 0xF000) return FALSE;
    CWnd* pOwner = GetParent();
    if (pOwner && pOwner != this && pOwner->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // A modal dialog's keyboard is handled by the dialog manager's own loop; a modeless one
    // needs IsDialogMessage from the application's loop for Tab, Enter and Escape.
    if (!pMsg || !m_hWnd || m_bModal) return FALSE;
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}
