#include "disk/DiskDoc.h"

IMPLEMENT_DYNCREATE(CDiskDoc, CDocument)

BEGIN_MESSAGE_MAP(CDiskDoc, CDocument)
END_MESSAGE_MAP()

CDiskDoc::CDiskDoc() = default;

CDiskDoc::~CDiskDoc() = default;

BOOL CDiskDoc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

BOOL CDiskDoc::OnOpenDocument(LPCSTR lpszPathName)
{
    return lpszPathName != nullptr && *lpszPathName != '\0';
}

void CDiskDoc::Serialize(CArchive& /*ar*/)
{
}

BOOL CDiskDoc::SaveModified()
{
    return TRUE;
}
