#include "classlib/DocView.h"
#include "classlib/FrameWnd.h"
#include "classlib/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    ON_COMMAND(ID_FILE_CLOSE, OnFileClose)
    ON_COMMAND(ID_FILE_SAVE, OnFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

CDocument::CDocument() noexcept
{
}

CDocument::~CDocument()
{
    // Views still attached lose their document rather than point at a dead one.
    for (CView* view : m_viewList)
        view->m_pDocument = nullptr;
    m_viewList.clear();
    if (m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCSTR lpszTitle)
{
    m_strTitle = lpszTitle;
    UpdateFrameCounts();
}

void CDocument::SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU)
{
    m_strPathName = lpszPathName;
    // The title is the path's last part ("C:\x\disk.img" → "disk.img"); a path that ends
    // in a separator ("D:\") is its own title.
    CString title = m_strPathName;
    int cut = -1;
    for (int i = 0; i < title.GetLength(); ++i) {
        if (title[i] == '\\' || title[i] == '/')
            cut = i;
    }
    if (cut >= 0 && cut + 1 < title.GetLength())
        title = title.Mid(cut + 1);
    SetTitle(title);
    if (bAddToMRU && !m_strPathName.IsEmpty()) {
        CWinApp* app = AfxGetApp();
        if (app)
            app->AddToRecentFileList(m_strPathName);
    }
}

BOOL CDocument::IsModified()
{
    return m_bModified;
}

void CDocument::SetModifiedFlag(BOOL bModified)
{
    m_bModified = bModified;
}

POSITION CDocument::GetFirstViewPosition() const
{
    // Positions count from 1, so that null ends the iteration.
    return m_viewList.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1));
}

CView* CDocument::GetNextView(POSITION& rPosition) const
{
    UINT_PTR index = reinterpret_cast<UINT_PTR>(rPosition);
    if (index == 0 || index > m_viewList.size()) {
        rPosition = nullptr;
        return nullptr;
    }
    CView* view = m_viewList[index - 1];
    rPosition = index < m_viewList.size() ? reinterpret_cast<POSITION>(index + 1) : nullptr;
    return view;
}

void CDocument::AddView(CView* pView)
{
    if (!pView || std::find(m_viewList.begin(), m_viewList.end(), pView) != m_viewList.end())
        return;
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView)
{
    auto it = std::find(m_viewList.begin(), m_viewList.end(), pView);
    if (it == m_viewList.end())
        return;
    m_viewList.erase(it);
    pView->m_pDocument = nullptr;
    OnChangedViewList();   // may delete this
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint)
{
    // A view may change the list while it updates; work on a copy and skip views that left.
    std::vector<CView*> views = m_viewList;
    for (CView* view : views) {
        if (view != pSender && std::find(m_viewList.begin(), m_viewList.end(), view) != m_viewList.end())
            view->OnUpdate(pSender, lHint, pHint);
    }
}

void CDocument::OnChangedViewList()
{
    // The last view gone: the document goes too.
    if (m_viewList.empty() && m_bAutoDelete) {
        OnCloseDocument();
        return;
    }
    UpdateFrameCounts();
}

void CDocument::UpdateFrameCounts()
{
    std::vector<CFrameWnd*> frames;
    for (CView* view : m_viewList) {
        CFrameWnd* frame = view->m_hWnd ? view->GetParentFrame() : nullptr;
        if (frame && std::find(frames.begin(), frames.end(), frame) == frames.end())
            frames.push_back(frame);
    }
    for (CFrameWnd* frame : frames)
        frame->OnUpdateFrameTitle(TRUE);
}

void CDocument::DeleteContents()
{
}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCSTR lpszPathName)
{
    HANDLE file = ::CreateFileA(lpszPathName ? lpszPathName : "", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        CString text;
        text.Format("Die Datei \"%s\" kann nicht geöffnet werden.", lpszPathName ? lpszPathName : "");
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    DeleteContents();
    SetModifiedFlag(TRUE);   // half-read until Serialize is through
    CArchive ar(file, CArchive::load);
    ar.m_pDocument = this;
    Serialize(ar);
    ::CloseHandle(file);
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCSTR lpszPathName)
{
    HANDLE file = ::CreateFileA(lpszPathName ? lpszPathName : "", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        CString text;
        text.Format("Die Datei \"%s\" kann nicht gespeichert werden.", lpszPathName ? lpszPathName : "");
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    CArchive ar(file, CArchive::store);
    ar.m_pDocument = this;
    Serialize(ar);
    ::CloseHandle(file);
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument()
{
    // Destroying a frame removes its views, which would close this document again.
    BOOL autoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    while (!m_viewList.empty()) {
        size_t before = m_viewList.size();
        CView* view = m_viewList.front();
        CFrameWnd* frame = view->m_hWnd ? view->GetParentFrame() : nullptr;
        if (frame) {
            PreCloseFrame(frame);
            frame->DestroyWindow();
        } else if (view->m_hWnd) {
            view->DestroyWindow();
        }
        if (m_viewList.size() == before && !m_viewList.empty() && m_viewList.front() == view)
            RemoveView(view);   // a view that would not go is at least let go
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::PreCloseFrame(CFrameWnd*)
{
}

BOOL CDocument::CanCloseFrame(CFrameWnd* pFrame)
{
    // Another frame on the same document keeps it open: no need to ask.
    for (CView* view : m_viewList) {
        CFrameWnd* frame = view->m_hWnd ? view->GetParentFrame() : nullptr;
        if (frame && frame != pFrame)
            return TRUE;
    }
    return SaveModified();
}

BOOL CDocument::SaveModified()
{
    if (!IsModified())
        return TRUE;
    CString name = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
    CString text;
    text.Format("Änderungen in \"%s\" speichern?", static_cast<LPCSTR>(name));
    switch (AfxMessageBox(text, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
        return FALSE;
    case IDYES:
        return DoFileSave();
    default:
        return TRUE;
    }
}

BOOL CDocument::DoFileSave()
{
    if (m_strPathName.IsEmpty())
        return DoSave(nullptr, TRUE);
    return DoSave(m_strPathName, TRUE);
}

BOOL CDocument::DoSave(LPCSTR lpszPathName, BOOL bReplace)
{
    CString path(lpszPathName);
    if (path.IsEmpty()) {
        CWinApp* app = AfxGetApp();
        path = m_strTitle;
        if (!app || !app->DoPromptFileName(path, 0, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, FALSE, m_pDocTemplate))
            return FALSE;
    }
    if (!OnSaveDocument(path))
        return FALSE;
    if (bReplace)
        SetPathName(path);
    return TRUE;
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocTemplate ? m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}

void CDocument::OnFileClose()
{
    if (SaveModified())
        OnCloseDocument();
}

void CDocument::OnFileSave()
{
    DoFileSave();
}

void CDocument::OnFileSaveAs()
{
    DoSave(nullptr);
}
