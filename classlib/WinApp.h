// The application and its threads: CWinThread (a thread with its own message loop, or a
// worker function), CWinApp (the program's one application object: start-up through the
// library's WinMain, the message pump with idle processing, the profile settings in the
// registry, the recent-file list and the document templates) and the global Afx functions.
//
// The program defines one global object of a class derived from CWinApp; its constructor
// makes it the application (AfxGetApp). The library's WinMain then calls InitInstance, Run
// and ExitInstance. Test programs without WinMain may create an application object too, or
// none: windows, message maps and the profile functions of an object work without WinMain.
#pragma once
#include <windows.h>
#include <vector>
#include "classlib/CmdTarget.h"
#include "classlib/Geometry.h"
#include "classlib/String.h"

class CWnd;
class CDocument;
class CDocTemplate;
class CRecentFileList;
class CCommandLineInfo;

typedef UINT (__cdecl* AFX_THREADPROC)(LPVOID);

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread() noexcept;
    // A worker: CreateThread runs pfnThreadProc(pParam) and the thread ends with its result.
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) noexcept;
    ~CWinThread() override;

    // Starts the thread (suspended with CREATE_SUSPENDED). nStackSize 0: the program's
    // default.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0,
                      LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

    CWnd* m_pMainWnd = nullptr;
    CWnd* m_pActiveWnd = nullptr;
    BOOL m_bAutoDelete = TRUE;       // a worker deletes its object when it ends
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    operator HANDLE() const noexcept { return m_hThread; }

    int GetThreadPriority() const noexcept { return ::GetThreadPriority(m_hThread); }
    BOOL SetThreadPriority(int nPriority) noexcept { return ::SetThreadPriority(m_hThread, nPriority); }
    DWORD SuspendThread() noexcept { return ::SuspendThread(m_hThread); }
    DWORD ResumeThread() noexcept { return ::ResumeThread(m_hThread); }
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept
    {
        return ::PostThreadMessageA(m_nThreadID, message, wParam, lParam);
    }

    virtual BOOL InitInstance();
    // The message loop: pumps until WM_QUIT, running OnIdle while the queue is empty, and
    // returns ExitInstance's result.
    virtual int Run();
    // Offers a message to its window and that window's parents (PreTranslateMessage), then
    // to the main window when the message is for another top-level window.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL PumpMessage();
    // lCount 0: updates the command state of the main window's bars and its status line
    // (WM_IDLEUPDATECMDUI); 1: frees the temporary handle maps. TRUE while more idle work
    // is wanted.
    virtual BOOL OnIdle(LONG lCount);
    // Messages after which idle processing starts again (not a repeated mouse move, paint
    // or the caret's timer).
    virtual BOOL IsIdleMessage(MSG* pMsg);
    virtual int ExitInstance();
    virtual CWnd* GetMainWnd();
    virtual void Delete();

    MSG m_msgCur = {};

protected:
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
    CPoint m_ptCursorLast;
    UINT m_nMsgLast = 0;

    friend unsigned __stdcall AfxThreadEntry(void* param);
};

// Starts a worker thread running pfnThreadProc(pParam). Returns the thread object (it
// deletes itself when the function returns, unless m_bAutoDelete is cleared before the
// thread is resumed), or null when the thread could not be made.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// Ends the calling worker thread (its object is deleted when auto-delete is set).
void AfxEndThread(UINT nExitCode, BOOL bDelete = TRUE);

// The command line in the form the library understands: an optional file and the standard
// switches "/p" (print), "/pt printer driver port" (print to), "/dde", "/Embedding",
// "/Automation", "/Unregister" ("/Unregserver"); "-" works as well as "/".
class CCommandLineInfo : public CObject {
public:
    CCommandLineInfo() noexcept {}
    ~CCommandLineInfo() override;

    // One argument; bFlag when it began with "/" or "-" (then without it); bLast for the
    // final one.
    virtual void ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL bLast);

    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 } m_nShellCommand = FileNew;
    CString m_strFileName;
    CString m_strPrinterName;
    CString m_strDriverName;
    CString m_strPortName;

protected:
    void ParseParamFlag(LPCSTR pszParam);
    void ParseParamNotFlag(LPCSTR pszParam);
    void ParseLast(BOOL bLast);
};

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    // The name shows in captions and names the registry key; without one it is the string
    // AFX_IDS_APP_TITLE of the resources, never the file name of the program.
    explicit CWinApp(LPCSTR lpszAppName = nullptr) noexcept;
    ~CWinApp() override;

    LPCSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    HINSTANCE m_hPrevInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    LPCSTR m_pszRegistryKey = nullptr;   // null: profile settings go to an .INI file
    LPCSTR m_pszProfileName = nullptr;   // the application's key (or .INI file) name
    CRecentFileList* m_pRecentFileList = nullptr;
    int m_nNumPreviewPages = 0;          // "PreviewPages" in "Settings" when not 0
    HGLOBAL m_hDevMode = nullptr;        // the printer chosen in the print set-up
    HGLOBAL m_hDevNames = nullptr;

    // --- overridables
    virtual BOOL InitApplication();
    BOOL InitInstance() override;
    // Saves the standard profile settings; returns the exit code of WM_QUIT.
    int ExitInstance() override;
    int Run() override;
    BOOL OnIdle(LONG lCount) override;
    virtual void DoWaitCursor(int nCode);
    // Shows a message box owned by the main window (or the active one), caption the
    // application's name.
    virtual int DoMessageBox(LPCSTR lpszPrompt, UINT nType, UINT nIDPrompt);
    virtual CDocument* OpenDocumentFile(LPCSTR lpszFileName);
    virtual void AddToRecentFileList(LPCSTR lpszPathName);
    virtual BOOL SaveAllModified();
    virtual void CloseAllDocuments(BOOL bEndSession);

    // --- registry and profile settings
    // Settings then live under HKEY_CURRENT_USER\Software\<key>\<application name>; the
    // services layer learns the same key and name (SetAppIdentity).
    void SetRegistryKey(LPCSTR lpszRegistryKey);
    void SetRegistryKey(UINT nIDRegistryKey);
    LPCSTR GetRegistryKey() const noexcept { return m_pszRegistryKey; }
    // HKCU\Software\<key>\<profile>, and a section below it; created when missing (null
    // without a registry key or on failure). The caller closes them.
    HKEY GetAppRegistryKey();
    HKEY GetSectionKey(LPCSTR lpszSection);
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
    CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr);
    // A null value deletes the entry; a null entry deletes the whole section.
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
    // *ppData: a new[] block the caller delete[]s (null and 0 bytes when missing).
    BOOL GetProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, BYTE** ppData, UINT* pBytes);
    BOOL WriteProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, LPBYTE pData, UINT nBytes);

    // Reads the recent-file list of nMaxMRU entries (0: none) and "PreviewPages".
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void SaveStdProfileSettings();

    // --- documents
    // The application owns the template from here on.
    void AddDocTemplate(CDocTemplate* pTemplate);
    POSITION GetFirstDocTemplatePosition() const noexcept;
    CDocTemplate* GetNextDocTemplate(POSITION& pos) const noexcept;
    int GetOpenDocumentCount();

    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    // Carries out the command of the command line: a new or opened document, printing, or
    // nothing. FALSE ends the program (InitInstance returns it).
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    // The open or save dialog for a document file name.
    BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                          CDocTemplate* pTemplate);

    HCURSOR LoadCursor(UINT nIDResource) const noexcept;
    HCURSOR LoadStandardCursor(LPCSTR lpszCursorName) const noexcept { return ::LoadCursorA(nullptr, lpszCursorName); }
    HICON LoadIcon(UINT nIDResource) const noexcept;
    HICON LoadStandardIcon(LPCSTR lpszIconName) const noexcept { return ::LoadIconA(nullptr, lpszIconName); }

    // The common controls the library's windows use; nothing else is needed today.
    BOOL Enable3dControlsStatic();
    BOOL Enable3dControls() { return Enable3dControlsStatic(); }

    // --- the standard commands
    afx_msg void OnFileNew();
    afx_msg void OnFileOpen();
    afx_msg void OnFilePrintSetup();
    afx_msg void OnAppExit();
    afx_msg BOOL OnOpenRecentFile(UINT nID);
    afx_msg void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);

    BOOL m_bOleInitialized = FALSE;     // AfxOleInit succeeded: OleUninitialize at exit

protected:
    void SetAppName(LPCSTR name);
    std::vector<CDocTemplate*> m_templates;
    char* m_pszOwnedAppName = nullptr;
    char* m_pszOwnedRegistryKey = nullptr;
    char* m_pszOwnedProfileName = nullptr;

    friend LPCSTR AfxGetAppName();
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    friend BOOL AfxWinInit(HINSTANCE, HINSTANCE, LPSTR, int);

    DECLARE_MESSAGE_MAP()
};

// The application object (null before its constructor and after its destructor).
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// Never null: the application's name, or "" without an application.
LPCSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);

// Fills the application's start-up fields (instance, command line, show command, name,
// profile name). The library's WinMain calls it; a test program may call it itself.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
// What WinMain does: AfxWinInit, InitInstance, Run (or ExitInstance after a failed start).
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// A message box with the application's name as caption; returns the button (IDOK, ...).
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text is the string nIDPrompt of the resources.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

// OLE for this thread (OleInitialize), undone when the program ends.
BOOL AfxOleInit();
// Nothing to do for a program that hosts no controls.
void AfxEnableControlContainer();
