// The view of the sector document. Its hex view and decoded-text pane join it with the
// text views; until then it is the frame's empty client.
#pragma once
#include "classlib/Afx.h"

class CDiskDoc;

class CDiskView : public CView {
    DECLARE_DYNCREATE(CDiskView)
public:
    CDiskView();
    ~CDiskView() override;

    CDiskDoc* GetDocument() const;
    void OnDraw(CDC* pDC) override;

    DECLARE_MESSAGE_MAP()
};
