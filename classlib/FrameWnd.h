// CFrameWnd: the main window of a document. It loads its menu, accelerators, icon and
// title from the template's resource id, creates its view from the creation context, lays
// out its control bars around the view (WM_SIZEPARENT), routes commands (active view, its
// document, the frame, the application), keeps the menus' enabled and checked state up to
// date, and shows menu prompts in its status bar.
#pragma once
#include <windows.h>
#include <vector>
#include "classlib/AfxRes.h"
#include "classlib/Wnd.h"

class CView;
class CDocument;
class CControlBar;
class CCreateContext;

// Frame styles, in the low word of the window style (free for a top-level window).
#define FWS_ADDTOTITLE   0x00008000L   // the title shows the document: "<document> - <title>"
#define FWS_PREFIXTITLE  0x00004000L   // the document's name first (always set with ADDTOTITLE)
#define FWS_SNAPTOBARS   0x00002000L

// The style of the view a frame creates from its context.
#define AFX_WS_DEFAULT_VIEW (WS_CHILD | WS_VISIBLE | WS_BORDER)

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() noexcept;
    ~CFrameWnd() override;

    static const CRect rectDefault;   // let the system choose position and size

    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCSTR lpszMenuName = nullptr,
                DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
    // Title from the first part of string nIDResource, menu, accelerators and icon of that
    // id (each optional). Without a context the new frame's views get WM_INITIALUPDATE.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);

    // --- views and documents
    CView* GetActiveView() const noexcept { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
    void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    // Shows (nCmdShow -1: normal or restored) and brings the frame to the top.
    virtual void ActivateFrame(int nCmdShow = -1);

    // --- layout and bars
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    CControlBar* GetControlBar(UINT nID);
    void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
    void AddControlBar(CControlBar* pBar);
    void RemoveControlBar(CControlBar* pBar);
    // The bars whose dock site this frame is, in the order they were made.
    const std::vector<CControlBar*>& GetControlBars() const noexcept { return m_listControlBars; }
    // Lays the frame out again at the next idle time.
    void DelayRecalcLayout(BOOL bNotify = TRUE) noexcept;

    // --- docking (classlib/DockBar.h)
    // Makes the dock bars of the sides in dwDockStyle (CBRS_ALIGN_*): top, bottom, left,
    // right, laid out after the bars made before them.
    void EnableDocking(DWORD dwDockStyle);
    // Docks pBar into dock bar nDockBarID; 0 means the dock bar of the frame it is docked
    // in, or for a floating bar the first side its alignment and dock style allow. lpRect
    // (screen) chooses the row and place.
    void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, LPCRECT lpRect = nullptr);
    // Floats pBar in a floating frame at point (screen); dwStyle CBRS_ALIGN_TOP or
    // CBRS_ALIGN_BOTTOM lays it out horizontally, the side alignments vertically. A bar
    // that floats already only moves there.
    void FloatControlBar(CControlBar* pBar, CPoint point, DWORD dwStyle = 0x2000L /* CBRS_ALIGN_TOP */);
    // The frame class made for floating bars (CMiniDockFrameWnd once docking is enabled).
    CRuntimeClass* m_pFloatingFrameClass = nullptr;
    // The bar with id AFX_IDW_STATUS_BAR that shows the messages, or null.
    virtual CWnd* GetMessageBar();
    // Pane 0 of the status bar: a text, or the prompt of a command (string id).
    void SetMessageText(LPCSTR lpszText);
    void SetMessageText(UINT nID);
    // The prompt of a command: its string up to "\n" (empty when there is none).
    virtual void GetMessageString(UINT nID, CString& rMessage) const;

    // --- title
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    void UpdateFrameTitleForDocument(LPCSTR lpszDocName);
    void SetTitle(LPCSTR lpszTitle) { m_strTitle = lpszTitle; }
    CString GetTitle() const { return m_strTitle; }

    // --- overrides
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL IsFrameWnd() const override;
    void PostNcDestroy() override;
    virtual BOOL OnCreateClient(LPCREATESTRUCTA lpcs, CCreateContext* pContext);

    // A command without any handler along the route is greyed in menus.
    BOOL m_bAutoMenuEnable = TRUE;
    HMENU m_hMenuDefault = nullptr;
    HACCEL m_hAccelTable = nullptr;

    // --- handlers
    afx_msg int OnCreate(LPCREATESTRUCTA lpcs);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg BOOL OnQueryEndSession();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    afx_msg void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    afx_msg void OnEnterIdle(UINT nWhy, CWnd* pWho);
    afx_msg void OnDropFiles(HDROP hDropInfo);
    afx_msg LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnPopMessageString(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
    afx_msg BOOL OnBarCheck(UINT nID);
    afx_msg void OnUpdateControlBarMenu(CCmdUI* pCmdUI);

protected:
    BOOL OnCreateHelper(LPCREATESTRUCTA lpcs, CCreateContext* pContext);
    LPCSTR GetIconWndClass(DWORD dwDefaultStyle, UINT nIDResource);

    CView* m_pViewActive = nullptr;
    CString m_strTitle;
    UINT m_nIDHelp = 0;
    UINT m_nIDTracking = AFX_IDS_IDLEMESSAGE;   // what the status line should show
    UINT m_nIDLastMessage = 0;                  // what it shows
    BOOL m_bInRecalcLayout = FALSE;
    BOOL m_bLayoutDirty = FALSE;   // a delayed ShowControlBar waits for the next idle time
    std::vector<CControlBar*> m_listControlBars;

    DECLARE_MESSAGE_MAP()
};
