#include "app/MainFrm.h"

#include "app/res/resource.h"
#include "services/Registry.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_SIZE()
    ON_WM_CREATE()
    ON_MESSAGE(WM_TEXTEDIT_QUERY, OnTextViewQuery)
    // The data window's commands (32801 show/hide with its check mark, 32873 dock/float,
    // 32808 refresh) join here with the data window.
    ON_COMMAND(ID_FLAT_TOOLBAR, OnFlatToolbar)
    ON_UPDATE_COMMAND_UI(ID_FLAT_TOOLBAR, OnUpdateFlatToolbar)
    // The coloured status panes (WM_STATUSPANE 0x524, WM_DRAWCOLORPANE 0x523) and the menu
    // icons (WM_DRAWITEM, WM_MEASUREITEM, WM_INITMENUPOPUP, 0x5E96) join here with theirs.
    ON_MESSAGE(WM_MENUICONPROBE, OnMenuIconProbe)
    // WM_GOTOHEXOFFSET (0x4923) from the data window's rows joins here with the hex view.
END_MESSAGE_MAP()

namespace {

const char kSettingsKey[] = "Settings";
const char kFlatModeValue[] = "FlatMode";

}  // namespace

CMainFrame::CMainFrame()
{
    CRegistry reg;
    if (reg.OpenAppKey() && reg.OpenSubKey(kSettingsKey)) {
        DWORD flat = static_cast<DWORD>(FlatMode);
        if (reg.ReadDword(&flat, kFlatModeValue))
            FlatMode = static_cast<int>(flat);
    }
}

CMainFrame::~CMainFrame()
{
    CRegistry reg;
    if (reg.OpenAppKey() && reg.OpenSubKey(kSettingsKey))
        reg.WriteDword(static_cast<DWORD>(FlatMode), kFlatModeValue);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    return CFrameWnd::PreCreateWindow(cs);
}

void CMainFrame::ActivateFrame(int /*nCmdShow*/)
{
    CFrameWnd::ActivateFrame(SW_SHOW);
}

int CMainFrame::OnCreate(LPCREATESTRUCTA lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;

    // The toolbar (flat when FlatMode is above 0), the sizing bar docked at the bottom with
    // the data window, their docking and the menu icons are created here with the controls.

    static const UINT indicators[] = {ID_SEPARATOR};
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(indicators, 1))
        return -1;

    // Copy stays grey until a view with something to copy enables it.
    if (HMENU menu = ::GetMenu(m_hWnd))
        ::EnableMenuItem(menu, ID_EDIT_COPY, MF_BYCOMMAND | MF_GRAYED);
    return 0;
}

void CMainFrame::OnSize(UINT nType, int cx, int cy)
{
    CFrameWnd::OnSize(nType, cx, cy);
    // The docked sizing bar is laid out anew here once it exists.
}

LRESULT CMainFrame::OnTextViewQuery(WPARAM wParam, LPARAM lParam)
{
    CView* view = GetActiveView();
    if (!view || !view->GetSafeHwnd())
        return 0;
    return view->SendMessage(WM_TEXTEDIT_QUERY, wParam, lParam);
}

void CMainFrame::OnFlatToolbar()
{
    // The toolbar window's TBSTYLE_FLAT follows this switch once the toolbar is created here.
    FlatMode = FlatMode > 0 ? 0 : 1;
}

void CMainFrame::OnUpdateFlatToolbar(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(FlatMode != 0);
}

LRESULT CMainFrame::OnMenuIconProbe(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    return kMenuIconProbeAnswer;
}
