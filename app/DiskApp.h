// The application object: start-up joins the sector document, the main frame and the disk
// view in one single-document template and opens the medium named on the command line.
#pragma once
#include "classlib/Afx.h"

class CDiskApp : public CWinApp {
public:
    CDiskApp();

    BOOL InitInstance() override;

    // The text of recent-file entry `index` (negative counts as 0); null when there is no
    // list, the index is not below its size, or the entry is empty.
    const char* GetRecentFile(int index) const;
    // The template's first document and that document's first view, or null.
    CDocument* GetFirstDocument() const;
    CView* GetFirstDocumentView() const;

    CSingleDocTemplate* m_pDocTemplate = nullptr;

protected:
    afx_msg void OnAppAbout();
    afx_msg BOOL OnOpenRecentFile(UINT nID);
    DECLARE_MESSAGE_MAP()
};

// Lets WM_COPYGLOBALDATA, WM_COPYDATA and WM_DROPFILES reach our windows from processes of
// lower integrity: the program runs elevated, and Explorer would otherwise be unable to
// drop files on it. ChangeWindowMessageFilter exists from Vista on; it is looked up by name
// so that older systems (and Wine builds without it) simply skip this. Returns the number
// of messages let through.
int AllowDropMessagesFromLowerIntegrity();
