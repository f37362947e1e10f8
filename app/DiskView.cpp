#include "app/DiskView.h"

#include "disk/DiskDoc.h"

IMPLEMENT_DYNCREATE(CDiskView, CView)

BEGIN_MESSAGE_MAP(CDiskView, CView)
END_MESSAGE_MAP()

CDiskView::CDiskView() = default;

CDiskView::~CDiskView() = default;

CDiskDoc* CDiskView::GetDocument() const
{
    return static_cast<CDiskDoc*>(m_pDocument);
}

void CDiskView::OnDraw(CDC* /*pDC*/)
{
}
