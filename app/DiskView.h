// The view of the sector document: the current sector twice, as an editable hex dump above
// a splitter bar and, below it, as the on-disk structure it belongs to, decoded into a
// read-only text pane by the structure printers. It also writes the medium and the position
// of the sector into two panes of the main frame's status bar.
#pragma once
#include "app/printers/StructurePrinter.h"
#include "classlib/Afx.h"
#include "editor/MarkTextView.h"
#include "views/HexView.h"

#include <stdint.h>

class CDiskDoc;

class CDiskView : public CView, public CStructurePrinter {
    DECLARE_DYNCREATE(CDiskView)
public:
    enum { IDC_HEX_VIEW = 4098, IDC_TEXT_PANE = 4099 };
    // The ids of the two status panes.
    enum { ID_MEDIUM_PANE = 64, ID_POSITION_PANE = 65 };

    CDiskView();
    ~CDiskView() override;

    CDiskDoc* GetDocument() const;
    CHexView* GetHexView() { return &m_hexView; }
    CMarkTextView* GetTextPane() { return &m_textPane; }

    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    void OnDraw(CDC* pDC) override;

    // The number the user has selected: in the decoded-text pane (while it has the focus, a
    // selection, and the hex view none) the selected text evaluated as an expression; else
    // up to 8 selected bytes of the hex view as a little-endian number. False when nothing
    // is selected; *value is then unchanged.
    bool GetSelectedNumber(uint64_t* value);

    // Reprints the current sector as `infoType` would have it, or its own type for 0.
    void PrintCurrentSector(int infoType);

    int GetSplitPosition() const { return m_splitPosition; }
    int GetFocusedPane() const { return m_focusedPane; }
    int GetChosenInfoType() const { return m_chosenInfoType; }
    void SetChosenInfoType(int infoType) { m_chosenInfoType = infoType; }
    int32_t GetPaneGroupHandle() const { return m_paneGroupHandle; }
    bool StatusPanesCreated() const { return m_panesCreated != 0; }

    // The "Info Ansicht" choice after the dialog: list position 0 to 20, or -1 for none.
    void ApplyInfoViewChoice(int position);

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnDestroy();
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnHexViewFocus(NMHDR* pNotify, LRESULT* pResult);
    afx_msg void OnTextPaneFocus(NMHDR* pNotify, LRESULT* pResult);
    afx_msg void OnMarkRange();
    afx_msg void OnInfoView();
    afx_msg void OnUpdateInfoView(CCmdUI* pCmdUI);
    // The edit and find commands go to the pane that has the focus, the hex tools to the hex
    // view; the CHS converter and the MBR creation are the view's own.
    afx_msg void OnEditCopy();
    afx_msg void OnUpdateEditCopy(CCmdUI* pCmdUI);
    afx_msg void OnEditPaste();
    afx_msg void OnFind();
    afx_msg void OnFindNext();
    afx_msg void OnFindWord();
    afx_msg void OnCopyCpp();
    afx_msg void OnUpdateCopyCpp(CCmdUI* pCmdUI);
    afx_msg void OnNumberConverter();
    afx_msg void OnChecksum();
    afx_msg void OnGotoAddress();
    afx_msg void OnChsConvert();
    afx_msg void OnCreateMbr();
    DECLARE_MESSAGE_MAP()

private:
    void LayOutPanes(bool dragged = false);
    void SelectRange(int offset, int length);
    void WriteStatusPanes();
    void ClearTextPane();
    void FinishPrinting();
    bool TextPaneFocused() const { return m_focusedPane == 1; }

    int m_splitPosition;
    int32_t m_paneGroupHandle;
    int m_focusedPane;
    int m_chosenInfoType;
    int m_panesCreated;
    CHexView m_hexView;
    CMarkTextView m_textPane;
};
