#include "classlib/Wnd.h"
#include "classlib/AfxInternal.h"
#include "classlib/FrameWnd.h"
#include "classlib/Gdi.h"
#include "classlib/WinApp.h"

#include <cstdio>
#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

// --------------------------------------------------------------------------------------
// Handle maps
//
// The permanent map (handle → the object that owns the window) is one for the process, so a
// worker thread can find the user-interface thread's windows; a lock guards it. Temporary
// wrappers belong to the thread that made them and die at that thread's idle time. Nothing
// here touches GWLP_USERDATA or the window's extra bytes.

namespace {

SRWLOCK g_mapLock = SRWLOCK_INIT;

struct Maps {
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, WNDPROC> superProcs;
    std::unordered_map<DWORD, std::unordered_map<HWND, CWnd*>> temporary;   // by thread id
};

// Made on first use and never destroyed: windows may still be detached while the runtime
// runs the destructors of global objects.
Maps& TheMaps()
{
    static Maps* maps = new Maps;
    return *maps;
}

class MapLock {
public:
    MapLock() { AcquireSRWLockExclusive(&g_mapLock); }
    ~MapLock() { ReleaseSRWLockExclusive(&g_mapLock); }
    MapLock(const MapLock&) = delete;
    MapLock& operator=(const MapLock&) = delete;
};

// Per-thread state of the window procedure and the creation hook.
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hHookCbt = nullptr;
thread_local MSG t_lastSent = {};

SRWLOCK g_cleanupLock = SRWLOCK_INIT;
std::vector<void (*)()>& CleanupFunctions()
{
    static std::vector<void (*)()>* list = new std::vector<void (*)()>;
    return *list;
}

void SetSuperProc(HWND hWnd, WNDPROC proc)
{
    MapLock lock;
    if (proc)
        TheMaps().superProcs[hWnd] = proc;
    else
        TheMaps().superProcs.erase(hWnd);
}

}  // namespace

WNDPROC AfxGetSuperProc(HWND hWnd)
{
    MapLock lock;
    auto it = TheMaps().superProcs.find(hWnd);
    return it == TheMaps().superProcs.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) noexcept
{
    if (!hWnd)
        return nullptr;
    MapLock lock;
    auto it = TheMaps().permanent.find(hWnd);
    return it == TheMaps().permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) noexcept
{
    if (!hWnd)
        return nullptr;
    MapLock lock;
    Maps& maps = TheMaps();
    auto it = maps.permanent.find(hWnd);
    if (it != maps.permanent.end())
        return it->second;
    auto& temps = maps.temporary[GetCurrentThreadId()];
    auto jt = temps.find(hWnd);
    if (jt != temps.end())
        return jt->second;
    CWnd* wnd = new (std::nothrow) CWnd;
    if (!wnd)
        return nullptr;
    wnd->m_hWnd = hWnd;
    temps[hWnd] = wnd;
    return wnd;
}

void CWnd::DeleteTempMap() noexcept
{
    std::unordered_map<HWND, CWnd*> doomed;
    {
        MapLock lock;
        auto it = TheMaps().temporary.find(GetCurrentThreadId());
        if (it == TheMaps().temporary.end())
            return;
        doomed.swap(it->second);
        TheMaps().temporary.erase(it);
    }
    for (auto& entry : doomed) {
        entry.second->m_hWnd = nullptr;   // the window is not the wrapper's to destroy
        delete entry.second;
    }
}

void AfxRegisterTempMapCleanup(void (*cleanup)())
{
    if (!cleanup)
        return;
    AcquireSRWLockExclusive(&g_cleanupLock);
    auto& list = CleanupFunctions();
    bool known = false;
    for (auto fn : list)
        known = known || fn == cleanup;
    if (!known)
        list.push_back(cleanup);
    ReleaseSRWLockExclusive(&g_cleanupLock);
}

void AfxDeleteTempMaps()
{
    CWnd::DeleteTempMap();
    AcquireSRWLockShared(&g_cleanupLock);
    std::vector<void (*)()> list = CleanupFunctions();
    ReleaseSRWLockShared(&g_cleanupLock);
    for (auto fn : list)
        fn();
}

BOOL CWnd::Attach(HWND hWndNew) noexcept
{
    if (!hWndNew || m_hWnd || !::IsWindow(hWndNew))
        return FALSE;
    MapLock lock;
    auto& permanent = TheMaps().permanent;
    if (permanent.find(hWndNew) != permanent.end())
        return FALSE;   // another object owns it
    permanent[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() noexcept
{
    HWND hWnd = m_hWnd;
    if (hWnd) {
        MapLock lock;
        auto& permanent = TheMaps().permanent;
        auto it = permanent.find(hWnd);
        if (it != permanent.end() && it->second == this)
            permanent.erase(it);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) noexcept
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    WNDPROC old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (!old) {
        Detach();
        return FALSE;
    }
    // A window still carrying the library's procedure from an earlier object keeps the
    // procedure recorded then.
    m_pfnSuper = old == &AfxWndProc ? AfxGetSuperProc(hWnd) : old;
    SetSuperProc(hWnd, m_pfnSuper);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) noexcept
{
    if (!pParent || !pParent->m_hWnd)
        return FALSE;
    HWND hWnd = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hWnd ? SubclassWindow(hWnd) : FALSE;
}

HWND CWnd::UnsubclassWindow() noexcept
{
    if (!m_hWnd)
        return nullptr;
    if (m_pfnSuper)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    SetSuperProc(m_hWnd, nullptr);
    m_pfnSuper = nullptr;
    return Detach();
}

HWND CWnd::GetSafeHwnd() const noexcept
{
    // Callers use this on pointers that may be null; keep the compiler from assuming
    // "this" is valid and folding the test away.
    const CWnd* self = this;
    __asm__("" : "+r"(self));
    return self ? self->m_hWnd : nullptr;
}

// --------------------------------------------------------------------------------------
// The window procedure and the creation hook

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) {
        // Detached but still subclassed: the window keeps working with its own procedure.
        WNDPROC super = AfxGetSuperProc(hWnd);
        if (message == WM_NCDESTROY)
            SetSuperProc(hWnd, nullptr);
        return super ? ::CallWindowProcA(super, hWnd, message, wParam, lParam)
                     : ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG saved = t_lastSent;
    t_lastSent.hwnd = hWnd;
    t_lastSent.message = message;
    t_lastSent.wParam = wParam;
    t_lastSent.lParam = lParam;
    t_lastSent.time = static_cast<DWORD>(::GetMessageTime());
    DWORD pos = ::GetMessagePos();
    t_lastSent.pt.x = static_cast<short>(LOWORD(pos));
    t_lastSent.pt.y = static_cast<short>(HIWORD(pos));

    LRESULT result = pWnd->WindowProc(message, wParam, lParam);

    if (message == WM_NCDESTROY) {
        // A handler that did not pass WM_NCDESTROY on to CWnd::OnNcDestroy still must not
        // leave a dead handle in the map. The object is only touched while it is mapped
        // (OnNcDestroy may have deleted it).
        SetSuperProc(hWnd, nullptr);
        if (CWnd::FromHandlePermanent(hWnd) == pWnd) {
            pWnd->Detach();
            pWnd->m_pfnSuper = nullptr;
            pWnd->PostNcDestroy();
        }
    }
    t_lastSent = saved;
    return result;
}

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HCBT_CREATEWND || !t_pWndInit)
        return ::CallNextHookEx(t_hHookCbt, code, wParam, lParam);
    HWND hWnd = reinterpret_cast<HWND>(wParam);
    // The system may create its input-method window on the thread's first window; it is
    // not the one being waited for.
    char cls[8] = "";
    if (::GetClassNameA(hWnd, cls, sizeof(cls)) > 0 && lstrcmpiA(cls, "IME") == 0)
        return ::CallNextHookEx(t_hHookCbt, code, wParam, lParam);

    CWnd* pWnd = t_pWndInit;
    t_pWndInit = nullptr;
    if (pWnd->Attach(hWnd)) {
        pWnd->PreSubclassWindow();
        WNDPROC old = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
        pWnd->m_pfnSuper = (old && old != &AfxWndProc) ? old : nullptr;
        SetSuperProc(hWnd, pWnd->m_pfnSuper);
    }
    return ::CallNextHookEx(t_hHookCbt, code, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* pWnd)
{
    if (!t_hHookCbt)
        t_hHookCbt = ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
    t_pWndInit = pWnd;
}

bool AfxUnhookWindowCreate()
{
    if (t_hHookCbt) {
        ::UnhookWindowsHookEx(t_hHookCbt);
        t_hHookCbt = nullptr;
    }
    bool attached = t_pWndInit == nullptr;
    t_pWndInit = nullptr;
    return attached;
}

INT_PTR CALLBACK AfxDlgProcPassThrough(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

const MSG* CWnd::GetCurrentMessage() noexcept
{
    return &t_lastSent;
}

// --------------------------------------------------------------------------------------
// Window classes

LPCSTR AfxRegisterDocumentWndClass()
{
    return AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                               ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)),
                               reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static SRWLOCK lock = SRWLOCK_INIT;
    static std::list<std::string>* names = new std::list<std::string>;
    HINSTANCE instance = AfxGetInstanceHandle();
    char name[96];
    snprintf(name, sizeof(name), "Sektorlupe:%p:%x:%p:%p:%p", static_cast<void*>(instance), nClassStyle,
             static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));

    AcquireSRWLockExclusive(&lock);
    LPCSTR result = nullptr;
    for (const std::string& known : *names) {
        if (known == name)
            result = known.c_str();
    }
    if (!result) {
        WNDCLASSA wc = {};
        if (!::GetClassInfoA(instance, name, &wc)) {
            wc.style = nClassStyle;
            wc.lpfnWndProc = &::DefWindowProcA;   // the creation hook puts AfxWndProc in front
            wc.hInstance = instance;
            wc.hCursor = hCursor;
            wc.hbrBackground = hbrBackground;
            wc.hIcon = hIcon;
            wc.lpszClassName = name;
            if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
                ReleaseSRWLockExclusive(&lock);
                return nullptr;
            }
        }
        names->push_back(name);
        result = names->back().c_str();
    }
    ReleaseSRWLockExclusive(&lock);
    return result;
}

// The class of plain windows made by CWnd::Create without a class name.
static LPCSTR DefaultWndClass()
{
    static const char kName[] = "SektorlupeWnd";
    HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSA wc = {};
    if (::GetClassInfoA(instance, kName, &wc))
        return kName;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));   // IDC_ARROW
    wc.lpszClassName = kName;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return kName;
}

// --------------------------------------------------------------------------------------
// CWnd

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_NCDESTROY()
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_CTLCOLOR()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_MESSAGE(WM_DELETEITEM, OnReflectedOwnerMessage)
    ON_MESSAGE(WM_COMPAREITEM, OnReflectedOwnerMessage)
    ON_MESSAGE(WM_VKEYTOITEM, OnReflectedOwnerMessage)
    ON_MESSAGE(WM_CHARTOITEM, OnReflectedOwnerMessage)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        CWnd::DestroyWindow();
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass) {
        cs.lpszClass = DefaultWndClass();
        if (!cs.lpszClass)
            return FALSE;
    }
    return TRUE;
}

void CWnd::PreSubclassWindow()
{
}

void CWnd::PostNcDestroy()
{
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    if (m_hWnd)
        return FALSE;   // one object, one window
    CREATESTRUCTA cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style),
                                  cs.x, cs.y, cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                  cs.lpCreateParams);
    // A window that was never attached never reaches WM_NCDESTROY through us: clean up as
    // if it had. When it was attached and failed in WM_CREATE, PostNcDestroy already ran and
    // the object may be gone: nothing of it is touched here.
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow()
{
    HWND hWnd = m_hWnd;
    if (!hWnd)
        return FALSE;
    BOOL result = ::DestroyWindow(hWnd);
    // A window that was only attached (not subclassed) got its WM_NCDESTROY elsewhere. The
    // comparison uses the pointer value only: a subclassed object may already be deleted.
    if (FromHandlePermanent(hWnd) == this)
        Detach();
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        result = 1;
    } else if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || !OnNotify(wParam, lParam, &result))
            return FALSE;
    } else {
        const AFX_MSGMAP* map = GetMessageMap();
        const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(map, message);
        // The colour messages of the 32-bit API share one map entry.
        if (!entry && message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
            entry = FindMessageEntry(map, WM_CTLCOLOR);
        if (!entry)
            return FALSE;
        AfxMsgCall call = { message, wParam, lParam, 0, 0, nullptr, 0 };
        entry->pfn(this, call);   // may delete this (WM_NCDESTROY): only locals from here
        result = call.result;
    }
    if (pResult)
        *pResult = result;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = t_lastSent;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

namespace {

// The update question asked before a menu or accelerator command runs: only an explicit
// Enable(FALSE) of an update handler stops the command.
class CTestCmdUI : public CCmdUI {
public:
    BOOL m_bEnabled = TRUE;
    void Enable(BOOL bOn) override { m_bEnabled = bOn; m_bEnableChanged = TRUE; }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCSTR) override {}
};

}  // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (!hWndCtrl) {
        if (nID == 0)
            return FALSE;
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled)
            return TRUE;   // disabled: swallowed, as if the menu item had been grey
        nCode = CN_COMMAND;
    } else {
        if (ReflectLastMsg(hWndCtrl))
            return TRUE;   // the control's own object took its notification
        if (nID == 0)
            return FALSE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return FALSE;
    if (header->hwndFrom && ReflectLastMsg(header->hwndFrom, pResult))
        return TRUE;
    UINT nID = static_cast<UINT>(header->idFrom);
    int nCode = static_cast<int>(MAKELONG(LOWORD(header->code), WM_NOTIFY));
    LRESULT dummy = 0;
    AFX_NOTIFY notify = { pResult ? pResult : &dummy, header };
    return OnCmdMsg(nID, nCode, &notify, nullptr);
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* child = FromHandlePermanent(hWndChild);
    if (!child)
        return FALSE;
    const MSG& msg = t_lastSent;
    return child->OnChildNotify(msg.message, msg.wParam, msg.lParam, pResult);
}

CScrollBar* CWnd::GetScrollBarCtrl(int) const
{
    return nullptr;
}

void CWnd::CalcWindowRect(LPRECT lpClientRect, UINT nAdjustType)
{
    if (!lpClientRect)
        return;
    DWORD exStyle = GetExStyle();
    if (nAdjustType == adjustBorder)
        exStyle &= ~WS_EX_CLIENTEDGE;
    ::AdjustWindowRectEx(lpClientRect, GetStyle(), FALSE, exStyle);
}

BOOL CWnd::IsFrameWnd() const
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    if (!pMsg)
        return FALSE;
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

void CWnd::UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    if (!pTarget || !m_hWnd)
        return;
    CCmdUI state;
    CWnd wndTemp;   // an unmapped stand-in, so that no temporary object is made per child
    for (HWND hWndChild = ::GetTopWindow(m_hWnd); hWndChild; hWndChild = ::GetWindow(hWndChild, GW_HWNDNEXT)) {
        wndTemp.m_hWnd = hWndChild;
        state.m_nID = static_cast<UINT>(::GetDlgCtrlID(hWndChild));
        state.m_pOther = &wndTemp;
        if (state.m_nID == 0 || state.m_nID == 0xFFFF)
            continue;
        if (CWnd::OnCmdMsg(state.m_nID, CN_UPDATE_COMMAND_UI, &state, nullptr))
            continue;
        // Only push buttons are disabled for want of a handler; check boxes and radio
        // buttons keep the state the user gave them.
        BOOL disable = bDisableIfNoHndler;
        if (disable) {
            if ((::SendMessageA(hWndChild, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) == 0) {
                disable = FALSE;
            } else {
                UINT style = static_cast<UINT>(::GetWindowLongPtrA(hWndChild, GWL_STYLE) & 0x0F);
                if (style == BS_AUTOCHECKBOX || style == BS_AUTO3STATE || style == BS_GROUPBOX ||
                    style == BS_AUTORADIOBUTTON)
                    disable = FALSE;
            }
        }
        state.DoUpdate(pTarget, disable);
    }
    wndTemp.m_hWnd = nullptr;
}

// --- relatives

static HWND ParentOrOwner(HWND hWnd)
{
    if (::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD)
        return ::GetParent(hWnd);
    return ::GetWindow(hWnd, GW_OWNER);
}

CWnd* CWnd::GetOwner() const noexcept
{
    return m_hWndOwner ? FromHandle(m_hWndOwner) : GetParent();
}

CFrameWnd* CWnd::GetParentFrame() const noexcept
{
    if (!m_hWnd)
        return nullptr;
    for (HWND hWnd = ::GetParent(m_hWnd); hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->IsFrameWnd())
            return static_cast<CFrameWnd*>(pWnd);
    }
    return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const noexcept
{
    if (!m_hWnd)
        return nullptr;
    CFrameWnd* frame = IsFrameWnd() ? static_cast<CFrameWnd*>(const_cast<CWnd*>(this)) : GetParentFrame();
    while (frame) {
        CFrameWnd* next = frame->GetParentFrame();
        if (!next)
            break;
        frame = next;
    }
    return frame;
}

CWnd* CWnd::GetTopLevelParent() const noexcept
{
    if (!m_hWnd)
        return nullptr;
    HWND top = m_hWnd;
    for (HWND next; (next = ParentOrOwner(top)) != nullptr;)
        top = next;
    return FromHandle(top);
}

CWnd* CWnd::GetParentOwner() const noexcept
{
    if (!m_hWnd)
        return nullptr;
    HWND hWnd = m_hWnd;
    while (hWnd && (::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    return FromHandle(hWnd);
}

CWnd* CWnd::GetDescendantWindow(int nID, BOOL bOnlyPerm) const noexcept
{
    if (!m_hWnd)
        return nullptr;
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetDlgCtrlID(child) == nID) {
            CWnd* pWnd = bOnlyPerm ? FromHandlePermanent(child) : FromHandle(child);
            if (pWnd)
                return pWnd;
        }
    }
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::GetTopWindow(child)) {
            CWnd probe;
            probe.m_hWnd = child;
            CWnd* found = probe.GetDescendantWindow(nID, bOnlyPerm);
            probe.m_hWnd = nullptr;
            if (found)
                return found;
        }
    }
    return nullptr;
}

static void SendToDescendants(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep,
                              BOOL bOnlyPerm)
{
    for (HWND child = ::GetTopWindow(hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (bOnlyPerm) {
            CWnd* pWnd = CWnd::FromHandlePermanent(child);
            if (pWnd)
                AfxCallWndProc(pWnd, child, message, wParam, lParam);
        } else {
            ::SendMessageA(child, message, wParam, lParam);
        }
        if (bDeep && ::IsWindow(child) && ::GetTopWindow(child))
            SendToDescendants(child, message, wParam, lParam, bDeep, bOnlyPerm);
    }
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep,
                                    BOOL bOnlyPerm) noexcept
{
    if (m_hWnd)
        SendToDescendants(m_hWnd, message, wParam, lParam, bDeep, bOnlyPerm);
}

// --- text

int CWnd::GetWindowText(LPSTR buffer, int maxCount) const noexcept
{
    if (!buffer || maxCount < 1)
        return 0;
    buffer[0] = '\0';
    return ::GetWindowTextA(m_hWnd, buffer, maxCount);
}

void CWnd::GetWindowText(CString& text) const noexcept
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    char* buffer = text.GetBuffer(length > 0 ? length : 0);
    if (!buffer) {
        text.Empty();
        return;
    }
    buffer[0] = '\0';
    if (length > 0)
        ::GetWindowTextA(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int nID, LPSTR buffer, int maxCount) const noexcept
{
    if (!buffer || maxCount < 1)
        return 0;
    buffer[0] = '\0';
    return static_cast<int>(::GetDlgItemTextA(m_hWnd, nID, buffer, maxCount));
}

int CWnd::GetDlgItemText(int nID, CString& text) const noexcept
{
    HWND item = ::GetDlgItem(m_hWnd, nID);
    if (!item) {
        text.Empty();
        return 0;
    }
    CWnd probe;
    probe.m_hWnd = item;
    probe.GetWindowText(text);
    probe.m_hWnd = nullptr;
    return text.GetLength();
}

// --- geometry and state

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) noexcept
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) noexcept
{
    if (!m_hWnd)
        return;
    HWND owner = pAlternateOwner ? pAlternateOwner->m_hWnd : nullptr;
    DWORD style = GetStyle();
    if (!owner)
        owner = (style & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);

    RECT self;
    ::GetWindowRect(m_hWnd, &self);
    RECT area;
    RECT center;
    if (style & WS_CHILD) {
        // Within the parent's client area, in its coordinates.
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        center = area;
        if (owner && owner != parent) {
            ::GetWindowRect(owner, &center);
            ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&center), 2);
        }
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&self), 2);
    } else {
        HMONITOR monitor = ::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (!::GetMonitorInfoA(monitor, &info))
            ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
        area = info.rcWork;
        center = area;
        if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
            ::GetWindowRect(owner, &center);
    }
    int width = self.right - self.left;
    int height = self.bottom - self.top;
    int left = (center.left + center.right) / 2 - width / 2;
    int top = (center.top + center.bottom) / 2 - height / 2;
    // Keep it within the area it may occupy.
    if (left + width > area.right)
        left = area.right - width;
    if (left < area.left)
        left = area.left;
    if (top + height > area.bottom)
        top = area.bottom - height;
    if (top < area.top)
        top = area.top;
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) noexcept
{
    if (!hWnd)
        return FALSE;
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hWnd, GWL_STYLE));
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrA(hWnd, GWL_STYLE, static_cast<LONG_PTR>(newStyle));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) noexcept
{
    if (!hWnd)
        return FALSE;
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hWnd, GWL_EXSTYLE));
    DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrA(hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(newStyle));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) noexcept
{
    return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) noexcept
{
    return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags);
}

// --- scroll bars

static HWND ScrollTarget(const CWnd* wnd, int& nBar)
{
    CScrollBar* control = (nBar == SB_HORZ || nBar == SB_VERT) ? wnd->GetScrollBarCtrl(nBar) : nullptr;
    if (control) {
        nBar = SB_CTL;
        return reinterpret_cast<CWnd*>(control)->m_hWnd;
    }
    return wnd->m_hWnd;
}

int CWnd::SetScrollInfo(int nBar, LPSCROLLINFO info, BOOL bRedraw) noexcept
{
    if (!info)
        return 0;
    info->cbSize = sizeof(SCROLLINFO);
    HWND target = ScrollTarget(this, nBar);
    return ::SetScrollInfo(target, nBar, info, bRedraw);
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO info, UINT nMask) noexcept
{
    if (!info)
        return FALSE;
    info->cbSize = sizeof(SCROLLINFO);
    info->fMask = nMask;
    HWND target = ScrollTarget(this, nBar);
    return ::GetScrollInfo(target, nBar, info);
}

int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw) noexcept
{
    HWND target = ScrollTarget(this, nBar);
    return ::SetScrollPos(target, nBar, nPos, bRedraw);
}

int CWnd::GetScrollPos(int nBar) const noexcept
{
    HWND target = ScrollTarget(this, nBar);
    return ::GetScrollPos(target, nBar);
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) noexcept
{
    HWND target = ScrollTarget(this, nBar);
    ::SetScrollRange(target, nBar, nMinPos, nMaxPos, bRedraw);
}

void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const noexcept
{
    int minPos = 0;
    int maxPos = 0;
    HWND target = ScrollTarget(this, nBar);
    ::GetScrollRange(target, nBar, &minPos, &maxPos);
    if (lpMinPos)
        *lpMinPos = minPos;
    if (lpMaxPos)
        *lpMaxPos = maxPos;
}

int CWnd::GetScrollLimit(int nBar) noexcept
{
    SCROLLINFO info = {};
    if (!GetScrollInfo(nBar, &info, SIF_RANGE | SIF_PAGE))
        return 0;
    int page = info.nPage > 0 ? static_cast<int>(info.nPage) - 1 : 0;
    int limit = info.nMax - page;
    return limit < info.nMin ? info.nMin : limit;
}

// --- odds and ends

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) noexcept
{
    return ::MessageBoxA(m_hWnd, lpszText ? lpszText : "", lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

void AfxRepositionWindow(AFX_SIZEPARENTPARAMS* lpLayout, HWND hWnd, LPCRECT lpRect)
{
    if (!hWnd || !lpRect)
        return;
    HWND parent = ::GetParent(hWnd);
    RECT old;
    ::GetWindowRect(hWnd, &old);
    if (parent)
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&old), 2);
    if (::EqualRect(&old, lpRect))
        return;   // already there: no repaint for nothing
    int width = lpRect->right - lpRect->left;
    int height = lpRect->bottom - lpRect->top;
    if (lpLayout && lpLayout->hDWP) {
        lpLayout->hDWP = ::DeferWindowPos(lpLayout->hDWP, hWnd, nullptr, lpRect->left, lpRect->top,
                                          width, height, SWP_NOACTIVATE | SWP_NOZORDER);
    } else {
        ::SetWindowPos(hWnd, nullptr, lpRect->left, lpRect->top, width, height, SWP_NOACTIVATE | SWP_NOZORDER);
    }
}

void CWnd::RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, UINT nFlag, LPRECT lpRectParam,
                          LPCRECT lpRectClient, BOOL bStretch) noexcept
{
    if (!m_hWnd)
        return;
    AFX_SIZEPARENTPARAMS layout = {};
    layout.bStretch = bStretch;
    if (lpRectClient)
        layout.rect = *lpRectClient;
    else
        ::GetClientRect(m_hWnd, &layout.rect);
    bool query = (nFlag & ~reposNoPosLeftOver) == reposQuery;
    if (!query)
        layout.hDWP = ::BeginDeferWindowPos(8);

    HWND hWndLeftOver = nullptr;
    for (HWND child = ::GetTopWindow(m_hWnd); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
        if (id == nIDLeftOver)
            hWndLeftOver = child;
        else if (id >= nIDFirst && id <= nIDLast && FromHandlePermanent(child))
            ::SendMessageA(child, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }

    if (query) {
        if (lpRectParam) {
            if (bStretch)
                *lpRectParam = layout.rect;
            else
                ::SetRect(lpRectParam, 0, 0, layout.sizeTotal.cx, layout.sizeTotal.cy);
        }
        return;
    }
    if ((nFlag & ~reposNoPosLeftOver) == reposExtra && lpRectParam) {
        // Extra borders the caller keeps for itself.
        layout.rect.left += lpRectParam->left;
        layout.rect.top += lpRectParam->top;
        layout.rect.right -= lpRectParam->right;
        layout.rect.bottom -= lpRectParam->bottom;
    }
    if (nIDLeftOver != 0 && hWndLeftOver && !(nFlag & reposNoPosLeftOver)) {
        CWnd* leftOver = FromHandle(hWndLeftOver);
        if (leftOver)
            leftOver->CalcWindowRect(&layout.rect);
        if (layout.rect.right < layout.rect.left)
            layout.rect.right = layout.rect.left;
        if (layout.rect.bottom < layout.rect.top)
            layout.rect.bottom = layout.rect.top;
        AfxRepositionWindow(&layout, hWndLeftOver, &layout.rect);
    }
    if (layout.hDWP)
        ::EndDeferWindowPos(layout.hDWP);
}
