#include "classlib/CmdTarget.h"
#include "classlib/Wnd.h"
#include "classlib/WinApp.h"
#include "classlib/AfxInternal.h"

// CCmdTarget has no base map; every chain ends here.
const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY s_entries[] = { { 0, 0, 0, 0, nullptr, nullptr } };
    static const AFX_MSGMAP s_map = { nullptr, s_entries };
    return &s_map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

AFX_IMPLEMENT_RUNTIMECLASS(CCmdTarget, CObject, 0xFFFF, nullptr)

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // WM_NOTIFY codes arrive as MAKELONG(code, WM_NOTIFY) and a reflected update question as
    // MAKELONG(CN_UPDATE_COMMAND_UI, WM_COMMAND + WM_REFLECT_BASE); everything else is WM_COMMAND.
    UINT message = WM_COMMAND;
    UINT code = static_cast<UINT>(nCode);
    if (nCode != CN_UPDATE_COMMAND_UI && (HIWORD(code) == WM_NOTIFY || HIWORD(code) == WM_COMMAND + WM_REFLECT_BASE)) {
        message = HIWORD(code);
        code = LOWORD(code);
    }
    const bool update = nCode == CN_UPDATE_COMMAND_UI ||
                        (message == WM_COMMAND + WM_REFLECT_BASE && code == LOWORD(CN_UPDATE_COMMAND_UI));
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage != 0; ++e) {
            if (e->nMessage != message || e->nCode != code || nID < e->nID || nID > e->nLastID)
                continue;
            if (pHandlerInfo) {
                pHandlerInfo->pTarget = this;
                pHandlerInfo->pfn = e->pfn;
                return TRUE;
            }
            AfxMsgCall call = { message, 0, 0, nID, nCode, pExtra, 0 };
            if (update) {
                // The handler may pass the question on with ContinueRouting.
                CCmdUI* ui = static_cast<CCmdUI*>(pExtra);
                if (!ui)
                    return FALSE;
                ui->m_bContinueRouting = FALSE;
                e->pfn(this, call);
                return !ui->m_bContinueRouting;
            }
            if (message == WM_NOTIFY && !pExtra)
                return FALSE;
            return e->pfn(this, call);
        }
    }
    return FALSE;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT message) noexcept
{
    if (message == 0 || message == WM_COMMAND || message == WM_NOTIFY)
        return nullptr;
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage != 0; ++e) {
            if (e->pnRegistered) {
                if (*e->pnRegistered == message && message >= 0xC000)
                    return e;
            } else if (e->nMessage == message && e->nCode == 0 && e->nID == 0 && e->nLastID == 0) {
                return e;
            }
        }
    }
    return nullptr;
}

void CCmdTarget::BeginWaitCursor()
{
    AfxDoWaitCursor(1);
}

void CCmdTarget::EndWaitCursor()
{
    AfxDoWaitCursor(-1);
}

void CCmdTarget::RestoreWaitCursor()
{
    AfxDoWaitCursor(0);
}

// --- wait cursor

namespace {
int s_waitCount = 0;
HCURSOR s_cursorBeforeWait = nullptr;

// The system's cursors are shared and live as long as the process; looking one up costs a
// resource search each time (tens of microseconds under Wine, on every sector load).
HCURSOR WaitCursor()
{
    static const HCURSOR cursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514));   // IDC_WAIT
    return cursor;
}

HCURSOR ArrowCursor()
{
    static const HCURSOR cursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    return cursor;
}
}

void AfxDefaultWaitCursor(int code)
{
    if (code > 0) {
        if (s_waitCount++ == 0)
            s_cursorBeforeWait = ::SetCursor(WaitCursor());
        else
            ::SetCursor(WaitCursor());
    } else if (code < 0) {
        if (s_waitCount > 0 && --s_waitCount == 0) {
            ::SetCursor(s_cursorBeforeWait ? s_cursorBeforeWait : ArrowCursor());
            s_cursorBeforeWait = nullptr;
        }
    } else if (s_waitCount > 0) {
        ::SetCursor(WaitCursor());
    }
}

void AfxDoWaitCursor(int code)
{
    CWinApp* app = AfxGetApp();
    if (app)
        app->DoWaitCursor(code);
    else
        AfxDefaultWaitCursor(code);
}

int AfxGetWaitCursorCount()
{
    return s_waitCount;
}

CWaitCursor::CWaitCursor()
{
    AfxDoWaitCursor(1);
}

CWaitCursor::~CWaitCursor()
{
    AfxDoWaitCursor(-1);
}

void CWaitCursor::Restore()
{
    AfxDoWaitCursor(0);
}

// --- command UI

void CCmdUI::Enable(BOOL bOn)
{
    if (m_hMenu) {
        if (m_pSubMenu)
            return;   // a popup's own item is left as the menu resource made it
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther && m_pOther->m_hWnd) {
        HWND hWnd = m_pOther->m_hWnd;
        // A control that loses its enabled state while it has the focus would leave the
        // keyboard stuck; hand the focus on first.
        if (!bOn && ::GetFocus() == hWnd) {
            HWND parent = ::GetParent(hWnd);
            if (parent)
                ::SendMessageA(parent, WM_NEXTDLGCTL, 0, FALSE);
        }
        ::EnableWindow(hWnd, bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck)
{
    if (m_hMenu) {
        if (m_pSubMenu)
            return;
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_pOther && m_pOther->m_hWnd) {
        HWND hWnd = m_pOther->m_hWnd;
        if (::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON)
            ::SendMessageA(hWnd, BM_SETCHECK, static_cast<WPARAM>(nCheck), 0);
    }
}

void CCmdUI::SetRadio(BOOL bOn)
{
    if (m_hMenu) {
        if (m_pSubMenu)
            return;
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        if (!::GetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info))
            return;
        if (bOn) {
            info.fType |= MFT_RADIOCHECK;
            info.fState |= MFS_CHECKED;
        } else {
            info.fState &= ~MFS_CHECKED;
        }
        ::SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
    } else {
        SetCheck(bOn ? 1 : 0);
    }
}

void CCmdUI::SetText(LPCSTR text)
{
    if (!text)
        text = "";
    if (m_hMenu) {
        if (m_pSubMenu)
            return;
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<LPSTR>(text);
        ::SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
    } else if (m_pOther && m_pOther->m_hWnd) {
        ::SetWindowTextA(m_pOther->m_hWnd, text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    if (!pTarget)
        return FALSE;
    m_bEnableChanged = FALSE;
    BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (bDisableIfNoHndler && !m_bEnableChanged) {
        // No update handler decided: the item is enabled exactly when some target along
        // the route would handle the command.
        AFX_CMDHANDLERINFO info = { nullptr, nullptr };
        BOOL hasHandler = pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info);
        Enable(hasHandler);
    }
    return handled;
}
