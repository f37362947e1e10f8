// The main window: the frame of the single-document template, with the status bar and its
// panes for the views (WM_STATUSPANE), the "FlatMode" setting of the toolbar and the
// forwarding of the text views' private query.
#pragma once
#include "uihelpers/StatusPane.h"
#include "app/StatusPaneBar.h"
#include "app/StatusPaneLayout.h"
#include "classlib/Afx.h"
#include "controls/ChildBar.h"
#include "datawindow/DataWnd.h"
// WM_TEXTEDIT_QUERY: sent by the find and replace dialogs to a text view; the frame passes
// it to the active view.
#include "views/AnsiView.h"
// A menu-item owner asks whether the frame draws menu icons; answered with kMenuIconProbeAnswer.
const UINT WM_MENUICONPROBE = 0x5E97;
const LRESULT kMenuIconProbeAnswer = 0x12345678;
// Posted by the data window on a double click on one of its rows: wParam the byte offset in
// the hex view, lParam the sender's id in the low and the row's size in the high 16 bits.
const UINT WM_GOTOHEXOFFSET = 0x4923;
// Offered to the frame for the status bar's owner-drawn parts that are not our coloured
// panes; nothing answers it, so such parts stay as their owner left them.
const UINT WM_DRAWPLAINPANE = 0x593;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    // The frame opens with SW_SHOW whatever show command the start-up passes.
    void ActivateFrame(int nCmdShow = -1) override;

    CStatusPaneBar m_wndStatusBar;
    // The toolbar (CToolBarNew) joins here with the toolbar control.
    // The sizing bar docked at the bottom (id 18) that holds the data window.
    CChildBar m_wndChildBar;
    // The data window in it (id 291, 8 output slots).
    CDataWnd m_wndDataWnd;

    // The toolbar is flat while this is above 0; kept in "Settings"/"FlatMode".
    int FlatMode = 1;

    // The WM_STATUSPANE operations; see uihelpers/StatusPane.h for the request words.
    int SetBasePanes(const uint32_t* ids, int32_t* widths, int count);
    int SetPaneColorText(int index, const char* text, int update, int32_t background, int32_t textColor);
    int RemovePaneGroup(int32_t handle);
    int32_t InsertPanes(const uint32_t* ids, int32_t* widths, int count);
    int SetPaneColors(int index, int update, int32_t background, int32_t textColor);
    // Draws a coloured pane from its record.
    void DrawColorPane(const DRAWITEMSTRUCT* item);
    const CStatusPaneLayout& PaneLayout() const { return m_paneLayout; }

    // Whether any view has asked for base panes in this process; until then coloured text
    // and group insertions are refused.
    static bool StatusPanesEnabled();
    // Back to the state of a fresh process (the tests start each case there).
    static void ForgetStatusPanePermission();

protected:
    afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg LRESULT OnTextViewQuery(WPARAM wParam, LPARAM lParam);
    afx_msg void OnFlatToolbar();
    afx_msg void OnUpdateFlatToolbar(CCmdUI* pCmdUI);
    afx_msg LRESULT OnMenuIconProbe(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnStatusPane(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnDrawColorPane(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg LRESULT OnGotoHexOffset(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDataWindow();
    afx_msg void OnUpdateDataWindow(CCmdUI* pCmdUI);
    afx_msg void OnDockDataWindow();
    afx_msg void OnRefreshDataWindow();
    DECLARE_MESSAGE_MAP()

private:
    std::vector<StatusPaneSlot> CurrentPanes() const;
    // Shows a pane list: ids, styles and widths, and the texts as plain text (kept texts, or
    // empty ones when `keepTexts` is false). Coloured records of replaced parts are freed by
    // the bar as the parts become plain.
    void ShowPanes(const std::vector<StatusPaneSlot>& panes, bool keepTexts);
    bool FrameDrawsColours();

    CStatusPaneLayout m_paneLayout;
};
