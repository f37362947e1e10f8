// The application object: start-up joins the sector document, the main frame and the disk
// view in one single-document template and opens the medium named on the command line.
#pragma once
#include "classlib/Afx.h"

class CDiskApp : public CWinApp {
public:
    CDiskApp();

    BOOL InitInstance() override;
    // Opens a medium by its name (recent list, command line, a drop on the frame). A medium
    // already shown under that name is opened again like any other switch: behind the same
    // name another disk may sit now, whose size and typed-"OK" rule must be measured.
    CDocument* OpenDocumentFile(LPCSTR lpszFileName) override;

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
