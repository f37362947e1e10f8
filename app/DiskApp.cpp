#include "app/DiskApp.h"

#include "app/DiskView.h"
#include "app/ExpandLongPath.h"
#include "app/MainFrm.h"
#include "app/res/resource.h"
#include "disk/DiskDoc.h"
#include "uihelpers/FileDialogEx.h"

BEGIN_MESSAGE_MAP(CDiskApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
    ON_COMMAND(ID_FILE_NEW, CWinApp::OnFileNew)
    ON_COMMAND(ID_FILE_OPEN, CWinApp::OnFileOpen)
    ON_COMMAND(ID_FILE_PRINT_SETUP, CWinApp::OnFilePrintSetup)
    ON_COMMAND_EX_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 9, OnOpenRecentFile)
END_MESSAGE_MAP()

namespace {

const int kRecentFileCount = 8;

}  // namespace

CDiskApp::CDiskApp() : CWinApp("Sektorlupe")
{
}

BOOL CDiskApp::InitInstance()
{
    // Every open and save dialog of the program is the extended one: this module's import
    // entries of GetOpenFileNameA and GetSaveFileNameA are redirected before any dialog can
    // be shown (drops from processes of lower integrity are let through at the same time).
    PatchFileDialogImports(NULL);

    // The text panes' drag and drop runs on OLE. Where it cannot start, the program runs
    // without it: the panes then take no drops, and every sector is still shown and edited.
    AfxOleInit();
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    SetRegistryKey("QN");
    LoadStdProfileSettings(kRecentFileCount);

    m_pDocTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CDiskDoc),
                                            RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CDiskView));
    AddDocTemplate(m_pDocTemplate);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!cmdInfo.m_strFileName.IsEmpty())
        ExpandLongPathOf(cmdInfo.m_strFileName);

    if (!ProcessShellCommand(cmdInfo))
        return FALSE;

    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

CDocument* CDiskApp::OpenDocumentFile(LPCSTR lpszFileName)
{
    if (lpszFileName && *lpszFileName) {
        // The library would only show the document that has this name already. Picking the
        // same drive again after a disk or stick was swapped behind its letter would then keep
        // the old medium's sector count, area table and buffer on the screen, and the next
        // write-back would put the old medium's sector onto the new one: the name is opened
        // again instead, as every other pick is.
        for (POSITION pos = GetFirstDocTemplatePosition(); pos;) {
            CDocTemplate* docTemplate = GetNextDocTemplate(pos);
            for (POSITION docPos = docTemplate ? docTemplate->GetFirstDocPosition() : nullptr; docPos;) {
                CDocument* doc = docTemplate->GetNextDoc(docPos);
                if (doc && !doc->GetPathName().IsEmpty() && doc->GetPathName().CompareNoCase(lpszFileName) == 0)
                    return docTemplate->OpenDocumentFile(lpszFileName);
            }
        }
    }
    return CWinApp::OpenDocumentFile(lpszFileName);
}

const char* CDiskApp::GetRecentFile(int index) const
{
    if (!m_pRecentFileList)
        return nullptr;
    if (index < 0)
        index = 0;
    if (index >= m_pRecentFileList->GetSize())
        return nullptr;
    const CString& entry = (*m_pRecentFileList)[index];
    return entry.IsEmpty() ? nullptr : static_cast<const char*>(entry);
}

CDocument* CDiskApp::GetFirstDocument() const
{
    if (!m_pDocTemplate)
        return nullptr;
    POSITION pos = m_pDocTemplate->GetFirstDocPosition();
    return pos ? m_pDocTemplate->GetNextDoc(pos) : nullptr;
}

CView* CDiskApp::GetFirstDocumentView() const
{
    CDocument* doc = GetFirstDocument();
    if (!doc)
        return nullptr;
    POSITION pos = doc->GetFirstViewPosition();
    return pos ? doc->GetNextView(pos) : nullptr;
}

void CDiskApp::OnAppAbout()
{
    CDialog about(IDD_ABOUTBOX);
    about.DoModal();
}

BOOL CDiskApp::OnOpenRecentFile(UINT nID)
{
    // An empty or vanished entry does nothing; the command still counts as handled.
    if (!m_pRecentFileList || nID < ID_FILE_MRU_FILE1)
        return TRUE;
    const int index = static_cast<int>(nID - ID_FILE_MRU_FILE1);
    if (index >= m_pRecentFileList->GetSize() || (*m_pRecentFileList)[index].IsEmpty())
        return TRUE;
    const CString path = (*m_pRecentFileList)[index];
    if (OpenDocumentFile(path))
        return TRUE;
    // An entry goes only when its medium failed to open. A switch cancelled by the medium shown
    // (its changed sector could not be written, or it was busy) says nothing of the name: taken
    // away, the next pick would open another medium.
    bool cancelled = false;
    for (POSITION pos = GetFirstDocTemplatePosition(); pos;) {
        CDocTemplate* docTemplate = GetNextDocTemplate(pos);
        for (POSITION docPos = docTemplate ? docTemplate->GetFirstDocPosition() : nullptr; docPos;) {
            CDocument* shown = docTemplate->GetNextDoc(docPos);
            CDiskDoc* doc = DYNAMIC_DOWNCAST(CDiskDoc, shown);
            cancelled = cancelled || (doc && doc->WasSwitchCancelled());
        }
    }
    if (!cancelled)
        m_pRecentFileList->Remove(index);
    return TRUE;
}
