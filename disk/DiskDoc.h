// The sector document: the one open medium of the application.
//
// It is the document of the single-document template. The medium access, the sector
// buffer with its write-back and the area table join it with the disk access layer; until
// then it accepts the path it is opened with and shows it as its title.
#pragma once
#include "classlib/Afx.h"

class CDiskDoc : public CDocument {
    DECLARE_DYNCREATE(CDiskDoc)
public:
    CDiskDoc();
    ~CDiskDoc() override;

    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(LPCSTR lpszPathName) override;
    // The document keeps nothing in files of its own: sectors go to the medium directly.
    void Serialize(CArchive& ar) override;
    // A sector is written back only after its own confirmation, never through the
    // library's "save changes?" question, so the document never reports itself modified.
    BOOL SaveModified() override;

    DECLARE_MESSAGE_MAP()
};
