// The main window: the frame of the single-document template, with the status bar, the
// "FlatMode" setting of the toolbar and the forwarding of the text views' private query.
#pragma once
#include "classlib/Afx.h"

// Sent by the find and replace dialogs to a text view; the frame passes it to the active view.
const UINT WM_TEXTEDIT_QUERY = 0x27F3;
// A menu-item owner asks whether the frame draws menu icons; answered with kMenuIconProbeAnswer.
const UINT WM_MENUICONPROBE = 0x5E97;
const LRESULT kMenuIconProbeAnswer = 0x12345678;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    // The frame opens with SW_SHOW whatever show command the start-up passes.
    void ActivateFrame(int nCmdShow = -1) override;

    CStatusBar m_wndStatusBar;
    // The toolbar (CToolBarNew), the sizing bar at the bottom (CChildBar) and the data window
    // in it (CDataWnd) join here with the controls and the data window.

    // The toolbar is flat while this is above 0; kept in "Settings"/"FlatMode".
    int FlatMode = 1;

protected:
    afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg LRESULT OnTextViewQuery(WPARAM wParam, LPARAM lParam);
    afx_msg void OnFlatToolbar();
    afx_msg void OnUpdateFlatToolbar(CCmdUI* pCmdUI);
    afx_msg LRESULT OnMenuIconProbe(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};
