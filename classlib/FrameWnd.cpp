#include "classlib/FrameWnd.h"
#include "classlib/AfxInternal.h"
#include "classlib/ControlBar.h"
#include "classlib/Controls.h"
#include "classlib/DockBar.h"
#include "classlib/DocView.h"
#include "classlib/WinApp.h"

#include <algorithm>
#include <shellapi.h>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_CLOSE()
    ON_WM_QUERYENDSESSION()
    ON_WM_SIZE()
    ON_WM_SETFOCUS()
    ON_WM_SETCURSOR()
    ON_WM_INITMENUPOPUP()
    ON_WM_MENUSELECT()
    ON_WM_ENTERIDLE()
    ON_WM_DROPFILES()
    ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
    ON_MESSAGE(WM_POPMESSAGESTRING, OnPopMessageString)
    ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
    ON_COMMAND_EX(ID_VIEW_STATUS_BAR, OnBarCheck)
    ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
    ON_COMMAND_EX(ID_VIEW_TOOLBAR, OnBarCheck)
    ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

CFrameWnd::CFrameWnd() noexcept
{
}

CFrameWnd::~CFrameWnd()
{
    for (CControlBar* bar : m_listControlBars) {
        if (bar->m_pDockSite == this)
            bar->m_pDockSite = nullptr;
    }
}

BOOL CFrameWnd::IsFrameWnd() const
{
    return TRUE;
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass && !(cs.lpszClass = AfxRegisterDocumentWndClass()))
        return FALSE;
    if (cs.style & FWS_ADDTOTITLE)
        cs.style |= FWS_PREFIXTITLE;
    return TRUE;
}

LPCSTR CFrameWnd::GetIconWndClass(DWORD dwDefaultStyle, UINT nIDResource)
{
    HICON icon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
    if (!icon)
        return nullptr;
    CREATESTRUCTA cs = {};
    cs.style = static_cast<LONG>(dwDefaultStyle);
    if (!PreCreateWindow(cs) || !cs.lpszClass)
        return nullptr;
    WNDCLASSA wc = {};
    if (!::GetClassInfoA(AfxGetInstanceHandle(), cs.lpszClass, &wc) || wc.hIcon == icon)
        return cs.lpszClass;
    return AfxRegisterWndClass(wc.style, wc.hCursor, wc.hbrBackground, icon);
}

BOOL CFrameWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext)
{
    // A missing menu resource leaves the frame without a menu bar.
    HMENU menu = lpszMenuName ? ::LoadMenuA(AfxGetResourceHandle(), lpszMenuName) : nullptr;
    m_strTitle = lpszWindowName;
    m_hMenuDefault = menu;
    int x = rect.left;
    int y = rect.top;
    int width = rect.right - (rect.left == CW_USEDEFAULT ? 0 : rect.left);
    int height = rect.bottom - (rect.top == CW_USEDEFAULT ? 0 : rect.top);
    if (rect.left == CW_USEDEFAULT) {
        width = CW_USEDEFAULT;
        height = CW_USEDEFAULT;
    }
    if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, width, height,
                  pParentWnd ? pParentWnd->m_hWnd : nullptr, menu, pContext)) {
        // The object may be gone (PostNcDestroy); only the local handle is looked at.
        if (menu && ::IsMenu(menu))
            ::DestroyMenu(menu);
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext)
{
    m_nIDHelp = nIDResource;
    CString full;
    if (full.LoadString(nIDResource))
        AfxExtractSubString(m_strTitle, full, 0);
    CString title = m_strTitle;
    LPCSTR cls = GetIconWndClass(dwDefaultStyle, nIDResource);
    if (!Create(cls, title, dwDefaultStyle, rectDefault, pParentWnd, MAKEINTRESOURCEA(nIDResource), 0, pContext))
        return FALSE;   // the frame has deleted itself
    m_hAccelTable = ::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
    if (!pContext)
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCTA lpcs)
{
    CCreateContext* context = lpcs ? static_cast<CCreateContext*>(lpcs->lpCreateParams) : nullptr;
    return OnCreateHelper(lpcs, context) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateHelper(LPCREATESTRUCTA lpcs, CCreateContext* pContext)
{
    if (CWnd::OnCreate(lpcs) == -1)
        return FALSE;
    if (!OnCreateClient(lpcs, pContext))
        return FALSE;
    // The status line starts with the idle message once the bars exist.
    PostMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    RecalcLayout();
    return TRUE;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCTA, CCreateContext* pContext)
{
    if (pContext && pContext->m_pNewViewClass)
        return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID)
{
    if (!pContext || !pContext->m_pNewViewClass)
        return nullptr;
    CObject* object = pContext->m_pNewViewClass->CreateObject();
    if (!object)
        return nullptr;
    if (!object->IsKindOf(RUNTIME_CLASS(CWnd))) {
        delete object;
        return nullptr;
    }
    CWnd* view = static_cast<CWnd*>(object);
    // A view that fails deletes itself (PostNcDestroy).
    if (!view->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext))
        return nullptr;
    return view;
}

void CFrameWnd::OnDestroy()
{
    m_pViewActive = nullptr;
    CWnd::OnDestroy();
}

void CFrameWnd::OnClose()
{
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this))
        return;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        // The main window takes every document with it; closing them destroys this frame.
        if (!doc && !app->SaveAllModified())
            return;
        app->CloseAllDocuments(FALSE);
        if (!app->m_pMainWnd)
            return;   // gone with its documents
    }
    doc = GetActiveDocument();
    if (doc)
        doc->PreCloseFrame(this);
    DestroyWindow();
}

BOOL CFrameWnd::OnQueryEndSession()
{
    // The end of the session closes the main window: its documents are asked as at
    // WM_CLOSE, and one that cannot let go (say, an edit whose write failed) keeps the
    // session going.
    CWinApp* app = AfxGetApp();
    if (!app || app->m_pMainWnd != this)
        return TRUE;
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this))
        return FALSE;
    return app->SaveAllModified();
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd)
{
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
    else
        CWnd::OnSetFocus(pOldWnd);
}

BOOL CFrameWnd::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message)
{
    // The hourglass stays over the whole frame while a wait cursor is up.
    if (AfxGetWaitCursorCount() > 0) {
        AfxDoWaitCursor(0);
        return TRUE;
    }
    return CWnd::OnSetCursor(pWnd, nHitTest, message);
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo)
{
    ::SetActiveWindow(m_hWnd);
    CWinApp* app = AfxGetApp();
    UINT count = ::DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = "";
        if (::DragQueryFileA(hDropInfo, i, path, sizeof(path)) && app)
            app->OpenDocumentFile(path);
    }
    ::DragFinish(hDropInfo);
}

// --- views and documents

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify)
{
    CView* old = m_pViewActive;
    if (pViewNew == old)
        return;
    m_pViewActive = nullptr;
    if (old && bNotify)
        old->OnActivateView(FALSE, pViewNew, old);
    m_pViewActive = pViewNew;
    if (pViewNew && bNotify)
        pViewNew->OnActivateView(TRUE, pViewNew, old);
}

CDocument* CFrameWnd::GetActiveDocument()
{
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible)
{
    CView* view = nullptr;
    if (!GetActiveView()) {
        CWnd* pane = GetDescendantWindow(AFX_IDW_PANE_FIRST, TRUE);
        if (pane && pane->IsKindOf(RUNTIME_CLASS(CView))) {
            view = static_cast<CView*>(pane);
            SetActiveView(view, FALSE);
        }
    }
    if (bMakeVisible) {
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
        if (view)
            view->OnActivateFrame(WA_INACTIVE, this);
        int nCmdShow = -1;
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this) {
            // The show command of the program's start is used once, for the first frame.
            nCmdShow = app->m_nCmdShow;
            app->m_nCmdShow = -1;
        }
        ActivateFrame(nCmdShow);
        if (view)
            view->OnActivateView(TRUE, view, view);
    }
    if (pDoc)
        pDoc->UpdateFrameCounts();
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int nCmdShow)
{
    if (nCmdShow == -1) {
        if (!IsWindowVisible())
            nCmdShow = SW_SHOWNORMAL;
        else if (IsIconic())
            nCmdShow = SW_RESTORE;
    }
    if (nCmdShow != -1)
        ShowWindow(nCmdShow);
    if (nCmdShow != SW_HIDE && nCmdShow != SW_MINIMIZE && nCmdShow != SW_SHOWMINNOACTIVE &&
        nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE)
        ::BringWindowToTop(m_hWnd);
}

// --- commands

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The view first (it passes on to its document), then the frame, then the application.
    CView* view = m_pViewActive;
    if (view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable &&
        ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, pMsg))
        return TRUE;
    return CWnd::PreTranslateMessage(pMsg);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
{
    CWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
    if (bSysMenu || !pPopupMenu || !pPopupMenu->m_hMenu)
        return;   // the system menu is the system's business
    HMENU menu = pPopupMenu->m_hMenu;
    CCmdUI state;
    state.m_pMenu = pPopupMenu;
    state.m_hMenu = menu;
    int count = ::GetMenuItemCount(menu);
    state.m_nIndexMax = count > 0 ? static_cast<UINT>(count) : 0;
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
        state.m_nID = ::GetMenuItemID(menu, static_cast<int>(state.m_nIndex));
        if (state.m_nID == 0)
            continue;   // a separator
        if (state.m_nID == static_cast<UINT>(-1)) {
            // A submenu: its handlers may see it through its first command.
            HMENU sub = ::GetSubMenu(menu, static_cast<int>(state.m_nIndex));
            state.m_pSubMenu = sub ? CMenu::FromHandle(sub) : nullptr;
            if (!sub || (state.m_nID = ::GetMenuItemID(sub, 0)) == 0 || state.m_nID == static_cast<UINT>(-1))
                continue;
            state.DoUpdate(this, FALSE);
        } else {
            state.m_pSubMenu = nullptr;
            state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
        }
        // A handler may have inserted or removed items (the recent-file list does).
        count = ::GetMenuItemCount(menu);
        UINT now = count > 0 ? static_cast<UINT>(count) : 0;
        if (now < state.m_nIndexMax) {
            UINT removed = state.m_nIndexMax - now;
            state.m_nIndex = state.m_nIndex >= removed ? state.m_nIndex - removed : 0;
            while (state.m_nIndex < now && ::GetMenuItemID(menu, static_cast<int>(state.m_nIndex)) == state.m_nID)
                state.m_nIndex++;
        }
        state.m_nIndexMax = now;
    }
}

// --- status line

CWnd* CFrameWnd::GetMessageBar()
{
    return GetDescendantWindow(AFX_IDW_STATUS_BAR, TRUE);
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const
{
    rMessage.Empty();
    CString full;
    if (full.LoadString(nID))
        AfxExtractSubString(rMessage, full, 0);
    else if (nID == AFX_IDS_IDLEMESSAGE)
        rMessage = "Bereit";
}

void CFrameWnd::SetMessageText(LPCSTR lpszText)
{
    SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(lpszText ? lpszText : ""));
}

void CFrameWnd::SetMessageText(UINT nID)
{
    SendMessage(WM_SETMESSAGESTRING, nID);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam)
{
    UINT last = m_nIDLastMessage;
    CWnd* bar = GetMessageBar();
    if (bar) {
        CString text;
        if (lParam)
            text = reinterpret_cast<LPCSTR>(lParam);
        else if (wParam)
            GetMessageString(static_cast<UINT>(wParam), text);
        bar->SetWindowText(text);
    }
    m_nIDLastMessage = static_cast<UINT>(wParam);
    m_nIDTracking = static_cast<UINT>(wParam);
    return last;
}

LRESULT CFrameWnd::OnPopMessageString(WPARAM wParam, LPARAM lParam)
{
    return SendMessage(WM_SETMESSAGESTRING, wParam, lParam);
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu)
{
    if (nFlags == 0xFFFF && !hSysMenu) {
        // The menu closed: back to the idle message.
        m_nIDTracking = AFX_IDS_IDLEMESSAGE;
        SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
        return;
    }
    UINT id;
    if (nFlags & (MF_SEPARATOR | MF_POPUP))
        id = 0;
    else if (nItemID >= 0xF000)
        id = 0;   // system commands have no prompt of ours
    else if (nItemID >= ID_FILE_MRU_FIRST && nItemID <= ID_FILE_MRU_LAST)
        id = ID_FILE_MRU_FILE1;   // one prompt for all recent files
    else
        id = nItemID;
    m_nIDTracking = id;
    SendMessage(WM_SETMESSAGESTRING, id);
}

void CFrameWnd::OnEnterIdle(UINT nWhy, CWnd* pWho)
{
    CWnd::OnEnterIdle(nWhy, pWho);
    if (nWhy == MSGF_MENU && m_nIDTracking != m_nIDLastMessage)
        SendMessage(WM_SETMESSAGESTRING, m_nIDTracking);
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM)
{
    if (m_bLayoutDirty) {
        m_bLayoutDirty = FALSE;
        RecalcLayout();
    }
    if (m_nIDTracking != m_nIDLastMessage)
        SendMessage(WM_SETMESSAGESTRING, m_nIDTracking);
    // Bars that are not children of the frame (floating ones) are not reached through the
    // frame's descendants.
    std::vector<CControlBar*> bars = m_listControlBars;
    for (CControlBar* bar : bars) {
        if (std::find(m_listControlBars.begin(), m_listControlBars.end(), bar) == m_listControlBars.end())
            continue;   // gone meanwhile
        if (bar->m_hWnd && !::IsChild(m_hWnd, bar->m_hWnd)) {
            // A floating frame's layout waits for the same idle time as ours.
            CFrameWnd* floating = bar->GetParentFrame();
            if (floating && floating != this && floating->m_bLayoutDirty) {
                floating->m_bLayoutDirty = FALSE;
                floating->RecalcLayout();
            }
            AfxCallWndProc(bar, bar->m_hWnd, WM_IDLEUPDATECMDUI, wParam, 0);
        }
    }
    return 0;
}

// --- title

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    if (!m_hWnd || (GetStyle() & FWS_ADDTOTITLE) == 0)
        return;
    CDocument* doc = GetActiveDocument();
    if (bAddToTitle && doc)
        UpdateFrameTitleForDocument(doc->GetTitle());
    else
        UpdateFrameTitleForDocument(nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCSTR lpszDocName)
{
    CString title;
    if (lpszDocName && *lpszDocName) {
        if (GetStyle() & FWS_PREFIXTITLE)
            title = CString(lpszDocName) + " - " + m_strTitle;
        else
            title = m_strTitle + " - " + lpszDocName;
    } else {
        title = m_strTitle;
    }
    CString current;
    GetWindowText(current);
    if (current != title)   // no flicker for the same text
        SetWindowText(title);
}

// --- bars and layout

void CFrameWnd::RecalcLayout(BOOL)
{
    if (m_bInRecalcLayout || !m_hWnd)
        return;
    m_bInRecalcLayout = TRUE;
    RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST);
    m_bInRecalcLayout = FALSE;
}

void CFrameWnd::AddControlBar(CControlBar* pBar)
{
    if (pBar && std::find(m_listControlBars.begin(), m_listControlBars.end(), pBar) == m_listControlBars.end())
        m_listControlBars.push_back(pBar);
}

void CFrameWnd::RemoveControlBar(CControlBar* pBar)
{
    auto it = std::find(m_listControlBars.begin(), m_listControlBars.end(), pBar);
    if (it != m_listControlBars.end())
        m_listControlBars.erase(it);
}

CControlBar* CFrameWnd::GetControlBar(UINT nID)
{
    for (CControlBar* bar : m_listControlBars) {
        if (bar->m_hWnd && static_cast<UINT>(::GetDlgCtrlID(bar->m_hWnd)) == nID)
            return bar;
    }
    CWnd* wnd = GetDescendantWindow(static_cast<int>(nID), TRUE);
    if (wnd && wnd->IsKindOf(RUNTIME_CLASS(CControlBar)))
        return static_cast<CControlBar*>(wnd);
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay)
{
    if (!pBar || !pBar->m_hWnd)
        return;
    pBar->DelayShow(bShow);
    // A floating bar is laid out by its floating frame, which also shows or hides itself.
    CFrameWnd* frame = pBar->IsFloating() ? pBar->GetDockingFrame() : this;
    if (!frame)
        frame = this;
    if (bDelay)
        frame->DelayRecalcLayout();   // applied at the next idle time
    else
        frame->RecalcLayout();
}

void CFrameWnd::DelayRecalcLayout(BOOL) noexcept
{
    m_bLayoutDirty = TRUE;
}

// --- docking

namespace {

struct DockSide {
    DWORD align;
    UINT id;
};
// The order in which the sides are made and laid out: top and bottom span the frame,
// left and right fill the height between them.
const DockSide kDockSides[] = {
    {CBRS_ALIGN_TOP, AFX_IDW_DOCKBAR_TOP},
    {CBRS_ALIGN_BOTTOM, AFX_IDW_DOCKBAR_BOTTOM},
    {CBRS_ALIGN_LEFT, AFX_IDW_DOCKBAR_LEFT},
    {CBRS_ALIGN_RIGHT, AFX_IDW_DOCKBAR_RIGHT},
};

CDockBar* FrameDockBar(CFrameWnd* frame, UINT id)
{
    CControlBar* bar = frame->GetControlBar(id);
    return bar && bar->IsKindOf(RUNTIME_CLASS(CDockBar)) ? static_cast<CDockBar*>(bar) : nullptr;
}

}  // namespace

void CFrameWnd::EnableDocking(DWORD dwDockStyle)
{
    m_pFloatingFrameClass = RUNTIME_CLASS(CMiniDockFrameWnd);
    for (const DockSide& side : kDockSides) {
        if (!(dwDockStyle & side.align) || FrameDockBar(this, side.id))
            continue;
        CDockBar* dock = new CDockBar(FALSE);
        dock->m_bAutoDelete = TRUE;
        if (!dock->Create(this, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | side.align, side.id))
            delete dock;
    }
}

void CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID, LPCRECT lpRect)
{
    if (!pBar || !pBar->m_hWnd)
        return;
    CDockBar* dock = nullptr;
    if (nDockBarID != 0) {
        dock = FrameDockBar(this, nDockBarID);
    } else if (pBar->m_pDockBar && !pBar->m_pDockBar->m_bFloating) {
        dock = pBar->m_pDockBar;
    } else {
        // The side the bar is aligned to, else the first side it may dock to.
        for (int pass = 0; pass < 2 && !dock; ++pass) {
            for (const DockSide& side : kDockSides) {
                DWORD want = pass == 0 ? (pBar->m_dwStyle & pBar->m_dwDockStyle) : pBar->m_dwDockStyle;
                if ((want & side.align) && (dock = FrameDockBar(this, side.id)) != nullptr)
                    break;
            }
        }
    }
    if (!dock)
        return;
    CFrameWnd* oldFrame = pBar->IsFloating() ? pBar->GetDockingFrame() : nullptr;
    dock->DockControlBar(pBar, lpRect);
    RecalcLayout();
    if (oldFrame && oldFrame != this)
        oldFrame->DelayRecalcLayout();
    if (CDockContext* context = pBar->m_pDockContext) {
        context->m_uMRUDockID = static_cast<UINT>(dock->GetDlgCtrlID());
        pBar->GetWindowRect(&context->m_rectMRUDockPos);
    }
}

void CFrameWnd::FloatControlBar(CControlBar* pBar, CPoint point, DWORD dwStyle)
{
    if (!pBar || !pBar->m_hWnd)
        return;
    DWORD orient = (dwStyle & CBRS_ORIENT_VERT) && !(dwStyle & CBRS_ORIENT_HORZ) ? (dwStyle & CBRS_ORIENT_VERT)
                                                                               : CBRS_ALIGN_TOP;
    if (CDockContext* context = pBar->m_pDockContext) {
        context->m_ptMRUFloatPos = point;
        context->m_dwMRUFloatStyle = orient | (dwStyle & CBRS_FLOAT_MULTI);
    }
    if (pBar->IsFloating()) {
        CFrameWnd* floating = pBar->GetDockingFrame();
        if (floating && floating != this) {
            pBar->SetBarStyle((pBar->m_dwStyle & ~CBRS_ALIGN_ANY) | orient | CBRS_FLOATING);
            floating->SetWindowPos(nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            floating->RecalcLayout();
            return;
        }
    }
    CRuntimeClass* frameClass = m_pFloatingFrameClass ? m_pFloatingFrameClass : RUNTIME_CLASS(CMiniDockFrameWnd);
    CObject* object = frameClass->CreateObject();
    if (!object)
        return;
    if (!object->IsKindOf(RUNTIME_CLASS(CMiniDockFrameWnd))) {
        delete object;
        return;
    }
    CMiniDockFrameWnd* floating = static_cast<CMiniDockFrameWnd*>(object);
    if (!floating->Create(this, pBar->m_dwStyle))
        return;   // the frame deleted itself
    floating->SetWindowPos(nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    floating->m_wndDockBar.SetBarStyle((floating->m_wndDockBar.m_dwStyle & ~CBRS_ALIGN_ANY) | orient);
    floating->m_wndDockBar.DockControlBar(pBar);
    pBar->SetBarStyle((pBar->m_dwStyle & ~CBRS_ALIGN_ANY) | orient | CBRS_FLOATING);
    floating->RecalcLayout();
    RecalcLayout();
}

BOOL CFrameWnd::OnBarCheck(UINT nID)
{
    CControlBar* bar = GetControlBar(nID);
    if (!bar)
        return FALSE;
    ShowControlBar(bar, (bar->GetStyle() & WS_VISIBLE) == 0, FALSE);
    return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI)
{
    CControlBar* bar = GetControlBar(pCmdUI->m_nID);
    if (bar) {
        pCmdUI->SetCheck((bar->GetStyle() & WS_VISIBLE) != 0);
        return;
    }
    pCmdUI->ContinueRouting();
}
