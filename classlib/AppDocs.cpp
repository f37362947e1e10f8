// The application's document commands: templates, new, open, recent files, print set-up
// and the shell command of the command line.
#include "classlib/WinApp.h"
#include "classlib/DocView.h"
#include "classlib/FileDialog.h"
#include "classlib/FrameWnd.h"
#include "classlib/RecentFileList.h"

#include <commdlg.h>
#include <cstdlib>

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate)
{
    if (!pTemplate)
        return;
    for (CDocTemplate* known : m_templates) {
        if (known == pTemplate)
            return;
    }
    m_templates.push_back(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const noexcept
{
    return m_templates.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1));
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const noexcept
{
    UINT_PTR index = reinterpret_cast<UINT_PTR>(pos);
    if (index == 0 || index > m_templates.size()) {
        pos = nullptr;
        return nullptr;
    }
    pos = index < m_templates.size() ? reinterpret_cast<POSITION>(index + 1) : nullptr;
    return m_templates[index - 1];
}

int CWinApp::GetOpenDocumentCount()
{
    int count = 0;
    for (CDocTemplate* t : m_templates) {
        for (POSITION pos = t->GetFirstDocPosition(); pos;) {
            if (t->GetNextDoc(pos))
                ++count;
        }
    }
    return count;
}

BOOL CWinApp::SaveAllModified()
{
    for (CDocTemplate* t : m_templates) {
        if (!t->SaveAllModified())
            return FALSE;
    }
    return TRUE;
}

void CWinApp::CloseAllDocuments(BOOL bEndSession)
{
    for (CDocTemplate* t : m_templates)
        t->CloseAllDocuments(bEndSession);
}

CDocument* CWinApp::OpenDocumentFile(LPCSTR lpszFileName)
{
    if (!lpszFileName || !*lpszFileName)
        return nullptr;
    // The path is used as given: expanding "D:" would give that drive's current folder.
    CString path(lpszFileName);
    CDocTemplate* best = nullptr;
    CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
    CDocument* openDoc = nullptr;
    for (CDocTemplate* t : m_templates) {
        CDocument* match = nullptr;
        CDocTemplate::Confidence confidence = t->MatchDocType(path, match);
        if (confidence > bestMatch) {
            bestMatch = confidence;
            best = t;
            if (confidence == CDocTemplate::yesAlreadyOpen) {
                openDoc = match;
                break;
            }
        }
    }
    if (openDoc) {
        // Already open: show it instead of opening it twice.
        POSITION pos = openDoc->GetFirstViewPosition();
        CView* view = openDoc->GetNextView(pos);
        CFrameWnd* frame = view ? view->GetParentFrame() : nullptr;
        if (frame)
            frame->ActivateFrame();
        return openDoc;
    }
    if (!best)
        return nullptr;
    return best->OpenDocumentFile(path);
}

void CWinApp::OnFileNew()
{
    // The first template makes the new document; this program has only one.
    if (!m_templates.empty())
        m_templates.front()->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    CString fileName;
    if (!DoPromptFileName(fileName, 0, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, nullptr))
        return;
    OpenDocumentFile(fileName);
}

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate)
{
    // Filter: one line per template with a file type, then every file.
    CString filter;
    CString defaultExt;
    for (CDocTemplate* t : m_templates) {
        if (pTemplate && t != pTemplate)
            continue;
        CString name;
        CString ext;
        if (!t->GetDocString(name, CDocTemplate::filterName) || name.IsEmpty() ||
            !t->GetDocString(ext, CDocTemplate::filterExt) || ext.IsEmpty())
            continue;
        if (ext[0] != '.')
            ext = "." + ext;
        if (defaultExt.IsEmpty())
            defaultExt = ext.Mid(1);
        filter += name + "|*" + ext + "|";
    }
    filter += "Alle Dateien (*.*)|*.*||";

    CString title;
    if (nIDSTitle == 0 || !title.LoadString(nIDSTitle))
        title = bOpenFileDialog ? "Öffnen" : "Speichern unter";

    CFileDialog dialog(bOpenFileDialog, defaultExt.IsEmpty() ? nullptr : static_cast<LPCSTR>(defaultExt),
                       fileName.IsEmpty() ? nullptr : static_cast<LPCSTR>(fileName), lFlags, filter,
                       AfxGetMainWnd());
    dialog.m_ofn.lpstrTitle = title;
    if (dialog.DoModal() != IDOK)
        return FALSE;
    fileName = dialog.GetPathName();
    return !fileName.IsEmpty();
}

void CWinApp::OnFilePrintSetup()
{
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    pd.Flags = PD_PRINTSETUP;
    pd.hDevMode = m_hDevMode;
    pd.hDevNames = m_hDevNames;
    ::PrintDlgA(&pd);
    // The dialog may have replaced the blocks even when cancelled.
    m_hDevMode = pd.hDevMode;
    m_hDevNames = pd.hDevNames;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    for (int i = 1; i < __argc; ++i) {
        LPCSTR param = __argv[i];
        if (!param)
            continue;
        BOOL flag = FALSE;
        if (param[0] == '-' || param[0] == '/') {
            flag = TRUE;
            ++param;
        }
        rCmdInfo.ParseParam(param, flag, i == __argc - 1);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo)
{
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        // A derived application may map ID_FILE_NEW to a handler of its own.
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr))
            OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
        // Print without showing the program, then end.
        m_nCmdShow = SW_HIDE;
        CDocument* doc = OpenDocumentFile(rCmdInfo.m_strFileName);
        if (doc && m_pMainWnd)
            m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT);
        return FALSE;
    }
    case CCommandLineInfo::FileDDE:
    case CCommandLineInfo::AppUnregister:
        // The program registers no document types and serves no DDE: nothing to do, and
        // nothing to stay open for.
        return FALSE;
    case CCommandLineInfo::FileNothing:
    default:
        return TRUE;
    }
}
