#include "classlib/WinApp.h"
#include "classlib/AfxInternal.h"
#include "classlib/AfxRes.h"
#include "classlib/DocView.h"
#include "classlib/FrameWnd.h"
#include "classlib/RecentFileList.h"
#include "classlib/Wnd.h"
#include "services/AppIdentity.h"

#include <commctrl.h>
#include <ole2.h>
#include <process.h>
#include <cstdlib>
#include <cstring>

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_resourceHandle = nullptr;
thread_local CWinThread* t_currentThread = nullptr;

char* DuplicateText(LPCSTR text)
{
    if (!text)
        return nullptr;
    size_t length = strlen(text);
    char* copy = static_cast<char*>(malloc(length + 1));
    if (copy)
        memcpy(copy, text, length + 1);
    return copy;
}

// The top-level window of hWnd, following parents and then owners.
HWND TopLevelOf(HWND hWnd)
{
    while (hWnd) {
        HWND next = (::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hWnd)
                                                                     : ::GetWindow(hWnd, GW_OWNER);
        if (!next)
            break;
        hWnd = next;
    }
    return hWnd;
}

}  // namespace

// --------------------------------------------------------------------------------------
// Globals

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    CWinThread* thread = t_currentThread ? t_currentThread : g_app;
    return thread ? thread->GetMainWnd() : nullptr;
}

LPCSTR AfxGetAppName()
{
    CWinApp* app = g_app;
    if (!app)
        return "";
    if (!app->m_pszAppName) {
        CString title;
        if (title.LoadString(AFX_IDS_APP_TITLE)) {
            // Only the title's first part names the application ("name\nmore").
            CString name;
            AfxExtractSubString(name, title, 0);
            app->m_pszOwnedAppName = DuplicateText(name);
            app->m_pszAppName = app->m_pszOwnedAppName;
        }
    }
    return app->m_pszAppName ? app->m_pszAppName : "";
}

HINSTANCE AfxGetInstanceHandle()
{
    if (g_app && g_app->m_hInstance)
        return g_app->m_hInstance;
    return ::GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return g_resourceHandle ? g_resourceHandle : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hInstResource)
{
    g_resourceHandle = hInstResource;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    if (g_app)
        return g_app->DoMessageBox(lpszText, nType, nIDHelp);
    return ::MessageBoxA(::GetActiveWindow(), lpszText ? lpszText : "", AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp == static_cast<UINT>(-1) ? nIDPrompt : nIDHelp);
}

BOOL AfxOleInit()
{
    HRESULT hr = ::OleInitialize(nullptr);
    if (FAILED(hr))
        return FALSE;
    if (g_app) {
        if (g_app->m_bOleInitialized)
            ::OleUninitialize();   // initialised before: keep the count at one
        else
            g_app->m_bOleInitialized = TRUE;
    }
    return TRUE;
}

void AfxEnableControlContainer()
{
}

// --------------------------------------------------------------------------------------
// Threads

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread() noexcept
{
}

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) noexcept
    : m_pfnThreadProc(pfnThreadProc), m_pThreadParams(pParam)
{
}

CWinThread::~CWinThread()
{
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

unsigned __stdcall AfxThreadEntry(void* param)
{
    CWinThread* thread = static_cast<CWinThread*>(param);
    t_currentThread = thread;
    UINT result;
    if (thread->m_pfnThreadProc) {
        result = thread->m_pfnThreadProc(thread->m_pThreadParams);
    } else if (thread->InitInstance()) {
        result = static_cast<UINT>(thread->Run());
    } else {
        result = static_cast<UINT>(thread->ExitInstance());
    }
    AfxDeleteTempMaps();
    t_currentThread = nullptr;
    if (thread->m_bAutoDelete)
        thread->Delete();
    return result;
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (m_hThread)
        return FALSE;
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(lpSecurityAttrs, nStackSize, &AfxThreadEntry, this,
                                      dwCreateFlags, &id);
    if (!handle)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_nThreadID = id;
    return TRUE;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (!pfnThreadProc)
        return nullptr;
    CWinThread* thread = new (std::nothrow) CWinThread(pfnThreadProc, pParam);
    if (!thread)
        return nullptr;
    // Suspended first, so the priority is set before the function runs and the object
    // cannot delete itself before the caller has it.
    if (!thread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}

void AfxEndThread(UINT nExitCode, BOOL bDelete)
{
    CWinThread* thread = t_currentThread;
    AfxDeleteTempMaps();
    t_currentThread = nullptr;
    if (thread && bDelete && thread->m_bAutoDelete)
        thread->Delete();
    _endthreadex(nExitCode);
}

void CWinThread::Delete()
{
    delete this;
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

CWnd* CWinThread::GetMainWnd()
{
    return m_pMainWnd;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg)
{
    if (!pMsg)
        return FALSE;
    if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
        // The system repeats mouse moves without moving; those are no reason to update.
        if (m_ptCursorLast == pMsg->pt && pMsg->message == m_nMsgLast)
            return FALSE;
        m_ptCursorLast = pMsg->pt;
        m_nMsgLast = pMsg->message;
        return TRUE;
    }
    return pMsg->message != WM_PAINT && pMsg->message != 0x0118;   // 0x0118: the caret's timer
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    if (!pMsg || !pMsg->hwnd)
        return FALSE;   // a thread message
    CWnd* mainWnd = GetMainWnd();
    HWND hWndMain = mainWnd ? mainWnd->m_hWnd : nullptr;
    if (CWnd::WalkPreTranslateTree(hWndMain, pMsg))
        return TRUE;
    // Keys typed into another top-level window of the thread still reach the main window's
    // accelerators.
    if (hWndMain && ::IsWindow(hWndMain) && TopLevelOf(pMsg->hwnd) != hWndMain)
        return mainWnd->PreTranslateMessage(pMsg);
    return FALSE;
}

BOOL CWinThread::PumpMessage()
{
    BOOL got = ::GetMessageA(&m_msgCur, nullptr, 0, 0);
    if (got == 0 || got == -1)
        return FALSE;
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

BOOL CWinThread::OnIdle(LONG lCount)
{
    if (lCount <= 0) {
        CWnd* mainWnd = GetMainWnd();
        if (mainWnd && mainWnd->m_hWnd && ::IsWindowVisible(mainWnd->m_hWnd)) {
            // The frame refreshes its title and status line, the bars their buttons and
            // panes; wParam TRUE asks them to grey commands that nobody handles.
            AfxCallWndProc(mainWnd, mainWnd->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
            mainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
        }
        return TRUE;
    }
    if (lCount == 1)
        AfxDeleteTempMaps();
    return FALSE;
}

int CWinThread::Run()
{
    BOOL idle = TRUE;
    LONG idleCount = 0;
    for (;;) {
        MSG peek;
        while (idle && !::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = FALSE;
        }
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                idle = TRUE;
                idleCount = 0;
            }
        } while (::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

int CWinThread::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

// --------------------------------------------------------------------------------------
// The command line

CCommandLineInfo::~CCommandLineInfo()
{
}

void CCommandLineInfo::ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL bLast)
{
    if (!pszParam)
        pszParam = "";
    if (bFlag)
        ParseParamFlag(pszParam);
    else
        ParseParamNotFlag(pszParam);
    ParseLast(bLast);
}

void CCommandLineInfo::ParseParamFlag(LPCSTR pszParam)
{
    if (lstrcmpiA(pszParam, "pt") == 0) {
        m_nShellCommand = FilePrintTo;
    } else if (lstrcmpiA(pszParam, "p") == 0) {
        m_nShellCommand = FilePrint;
    } else if (lstrcmpiA(pszParam, "Unregister") == 0 || lstrcmpiA(pszParam, "Unregserver") == 0) {
        m_nShellCommand = AppUnregister;
    } else if (lstrcmpiA(pszParam, "dde") == 0) {
        m_nShellCommand = FileDDE;
    } else if (lstrcmpiA(pszParam, "Embedding") == 0) {
        m_bRunEmbedded = TRUE;
        m_bShowSplash = FALSE;
    } else if (lstrcmpiA(pszParam, "Automation") == 0) {
        m_bRunAutomated = TRUE;
        m_bShowSplash = FALSE;
    }
}

void CCommandLineInfo::ParseParamNotFlag(LPCSTR pszParam)
{
    if (m_strFileName.IsEmpty())
        m_strFileName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.IsEmpty())
        m_strPrinterName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.IsEmpty())
        m_strDriverName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.IsEmpty())
        m_strPortName = pszParam;
}

void CCommandLineInfo::ParseLast(BOOL bLast)
{
    if (!bLast)
        return;
    if (m_nShellCommand == FileNew && !m_strFileName.IsEmpty())
        m_nShellCommand = FileOpen;
    m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
}

// --------------------------------------------------------------------------------------
// The application

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
    ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE16, OnOpenRecentFile)
    ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) noexcept
{
    if (lpszAppName && *lpszAppName) {
        m_pszOwnedAppName = DuplicateText(lpszAppName);
        m_pszAppName = m_pszOwnedAppName;
    }
    m_nThreadID = ::GetCurrentThreadId();
    m_bAutoDelete = FALSE;
    g_app = this;
}

CWinApp::~CWinApp()
{
    for (CDocTemplate* t : m_templates)
        delete t;
    m_templates.clear();
    delete m_pRecentFileList;
    m_pRecentFileList = nullptr;
    if (m_hDevMode)
        ::GlobalFree(m_hDevMode);
    if (m_hDevNames)
        ::GlobalFree(m_hDevNames);
    if (m_bOleInitialized) {
        ::OleUninitialize();
        m_bOleInitialized = FALSE;
    }
    free(m_pszOwnedAppName);
    free(m_pszOwnedRegistryKey);
    free(m_pszOwnedProfileName);
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::SetAppName(LPCSTR name)
{
    char* copy = DuplicateText(name);
    if (!copy)
        return;
    free(m_pszOwnedAppName);
    m_pszOwnedAppName = copy;
    m_pszAppName = copy;
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = g_app;
    if (!app)
        return FALSE;
    app->m_hInstance = hInstance ? hInstance : ::GetModuleHandleA(nullptr);
    app->m_hPrevInstance = hPrevInstance;
    app->m_lpCmdLine = lpCmdLine;
    app->m_nCmdShow = nCmdShow;
    app->m_nThreadID = ::GetCurrentThreadId();
    AfxGetAppName();   // resolves the name from the string table when none was given
    if (!app->m_pszProfileName) {
        CString ini(app->m_pszAppName ? app->m_pszAppName : "");
        ini += ".INI";
        app->m_pszOwnedProfileName = DuplicateText(ini);
        app->m_pszProfileName = app->m_pszOwnedProfileName;
    }
    return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* app = g_app;
    int result = -1;
    if (app && AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow)) {
        if (app->InitApplication() && app->InitInstance()) {
            result = app->Run();
        } else {
            if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd)
                app->m_pMainWnd->DestroyWindow();
            result = app->ExitInstance();
        }
    }
    AfxDeleteTempMaps();
    if (g_app && g_app->m_bOleInitialized) {
        ::OleUninitialize();
        g_app->m_bOleInitialized = FALSE;
    }
    return result;
}

// In the same object file as the application's constructor, so a program that defines an
// application object always links it.
extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    // Without a main window nothing could ever end the loop.
    if (!m_pMainWnd || !m_pMainWnd->m_hWnd)
        ::PostQuitMessage(0);
    return CWinThread::Run();
}

BOOL CWinApp::OnIdle(LONG lCount)
{
    return CWinThread::OnIdle(lCount);
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    return static_cast<int>(m_msgCur.wParam);
}

void CWinApp::DoWaitCursor(int nCode)
{
    AfxDefaultWaitCursor(nCode);
}

int CWinApp::DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT)
{
    // Owned by the window the user works in, or the main window; a disabled owner (under
    // a modal dialog) hands over to its last active popup.
    HWND owner = ::GetActiveWindow();
    if (!owner && m_pMainWnd)
        owner = m_pMainWnd->m_hWnd;
    if (owner) {
        owner = TopLevelOf(owner);
        owner = ::GetLastActivePopup(owner);
    }
    // No icon given: the usual one for the kind of question.
    if ((nType & MB_ICONMASK) == 0) {
        switch (nType & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONQUESTION;
            break;
        default:
            break;
        }
    }
    return ::MessageBoxA(owner, lpszPrompt ? lpszPrompt : "", AfxGetAppName(), nType);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const noexcept
{
    return ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

HICON CWinApp::LoadIcon(UINT nIDResource) const noexcept
{
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
}

BOOL CWinApp::Enable3dControlsStatic()
{
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    return ::InitCommonControlsEx(&icc);
}

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey)
{
    if (!lpszRegistryKey)
        return;
    char* key = DuplicateText(lpszRegistryKey);
    char* profile = DuplicateText(AfxGetAppName());
    if (!key || !profile) {
        free(key);
        free(profile);
        return;
    }
    free(m_pszOwnedRegistryKey);
    free(m_pszOwnedProfileName);
    m_pszOwnedRegistryKey = key;
    m_pszOwnedProfileName = profile;
    m_pszRegistryKey = key;
    m_pszProfileName = profile;
    SetAppIdentity(m_pszRegistryKey, m_pszProfileName);
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey)
{
    CString key;
    if (key.LoadString(nIDRegistryKey))
        SetRegistryKey(static_cast<LPCSTR>(key));
}

void CWinApp::AddToRecentFileList(LPCSTR lpszPathName)
{
    if (m_pRecentFileList)
        m_pRecentFileList->Add(lpszPathName);
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU)
{
    if (nMaxMRU != 0) {
        delete m_pRecentFileList;
        m_pRecentFileList = new (std::nothrow)
            CRecentFileList(0, "Recent File List", "File%d", static_cast<int>(nMaxMRU > 16 ? 16 : nMaxMRU));
        if (m_pRecentFileList)
            m_pRecentFileList->ReadList();
    }
    m_nNumPreviewPages = static_cast<int>(GetProfileInt("Settings", "PreviewPages", 0));
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_pRecentFileList)
        m_pRecentFileList->WriteList();
    if (m_nNumPreviewPages != 0)
        WriteProfileInt("Settings", "PreviewPages", m_nNumPreviewPages);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI)
{
    if (!m_pRecentFileList)
        pCmdUI->Enable(FALSE);
    else
        m_pRecentFileList->UpdateMenu(pCmdUI);
}

BOOL CWinApp::OnOpenRecentFile(UINT nID)
{
    if (!m_pRecentFileList)
        return FALSE;
    int index = static_cast<int>(nID) - ID_FILE_MRU_FILE1;
    if (index < 0 || index >= m_pRecentFileList->GetSize())
        return FALSE;
    CString path = (*m_pRecentFileList)[index];
    if (path.IsEmpty())
        return FALSE;
    if (!OpenDocumentFile(path))
        m_pRecentFileList->Remove(index);
    return TRUE;
}
