#include "app/MainFrm.h"

#include "app/DiskView.h"
#include "app/res/resource.h"
#include "services/Registry.h"

#include <commctrl.h>

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_SIZE()
    ON_WM_CREATE()
    ON_MESSAGE(WM_TEXTEDIT_QUERY, OnTextViewQuery)
    ON_UPDATE_COMMAND_UI(ID_DATA_WINDOW, OnUpdateDataWindow)
    ON_COMMAND(ID_DATA_WINDOW, OnDataWindow)
    ON_COMMAND(ID_DOCK_DATA_WINDOW, OnDockDataWindow)
    ON_COMMAND(ID_REFRESH_DATA_WINDOW, OnRefreshDataWindow)
    ON_COMMAND(ID_FLAT_TOOLBAR, OnFlatToolbar)
    ON_UPDATE_COMMAND_UI(ID_FLAT_TOOLBAR, OnUpdateFlatToolbar)
    ON_MESSAGE(WM_STATUSPANE, OnStatusPane)
    ON_MESSAGE(WM_DRAWCOLORPANE, OnDrawColorPane)
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_INITMENUPOPUP()
    ON_MESSAGE(WM_MENUITEMRELEASE, OnMenuItemRelease)
    ON_MESSAGE(WM_MENUICONPROBE, OnMenuIconProbe)
    ON_MESSAGE(WM_MENUCHAR, OnMenuChar)
    ON_MESSAGE(WM_GOTOHEXOFFSET, OnGotoHexOffset)
END_MESSAGE_MAP()

namespace {

const char kSettingsKey[] = "Settings";
// The sizing bar of the data window.
const UINT kDataBarId = 18;
// The data window in it: 8 slots with labels showing their block names, the module list
// loaded at creation, the address column, fixed font, bordered lists with lines, and the
// state restored at creation and saved at the end.
const UINT kDataWindowId = 291;
const int kDataSlots = 8;
const DWORD kDataWindowStyle = 0xF93;
const char kFlatModeValue[] = "FlatMode";

// Set by the first request for base panes and never cleared: a view that only inserts groups
// or writes colours before any view has announced its base panes is refused.
const LRESULT kPanePermission = 0x12345678;
LRESULT g_panePermission = 0;

// Pixels per character of widths given in characters, from the icon-title font; computed
// once per process.
int PaneCharFactor()
{
    static int factor = 0;
    if (factor == 0) {
        LOGFONTA font = {};
        const bool have = ::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(font), &font, 0) != FALSE;
        factor = PaneCharacterFactor(have, font.lfWidth, font.lfHeight);
    }
    return factor;
}

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
    FreeMenuIcons();
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

    // The toolbar, flat while FlatMode is above 0, from toolbar resource 128.
    const DWORD toolbarStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                               CBRS_SIZE_DYNAMIC;
    if (!m_wndToolBar.CreateEx(this, FlatMode > 0 ? TBSTYLE_FLAT : 0, toolbarStyle, 2, 2, 2, 2, AFX_IDW_TOOLBAR))
        return -1;
    static const UINT_PTR toolbars[] = {IDR_MAINFRAME, 0};
    if (!m_wndToolBar.LoadToolBars(toolbars))
        return -1;

    // The sizing bar for the data window: gripper, bottom, hidden in place. Its style has no
    // WS_VISIBLE, so it starts hidden; the data window command shows it.
    if (!m_wndChildBar.Create(this, CBRS_GRIPPER | CBRS_BOTTOM | CBRS_HIDE_INPLACE, kDataBarId))
        return -1;
    const RECT none = {0, 0, 0, 0};
    if (!m_wndDataWnd.Create(kDataSlots, kDataWindowStyle, none, &m_wndChildBar, kDataWindowId))
        return -1;
    m_wndChildBar.SetChild(&m_wndDataWnd);

    static const UINT indicators[] = {ID_SEPARATOR};
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(indicators, 1))
        return -1;

    m_wndChildBar.SetBarStyle(m_wndChildBar.GetBarStyle() | CBRS_ALIGN_BOTTOM | CBRS_TOOLTIPS | CBRS_FLYBY |
                              CBRS_SIZE_DYNAMIC);
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);

    // Docking on every side; the dock bars come after the status bar, which stays lowest.
    m_wndChildBar.EnableDocking(CBRS_ALIGN_ANY);
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndChildBar, AFX_IDW_DOCKBAR_BOTTOM);
    DockControlBar(&m_wndToolBar);

    // Menus drawn with the toolbar's pictures; without them the menu stays as it is.
    static const UINT iconSources[] = {IDR_MAINFRAME};
    InitMenuIcons(iconSources, 1);

    // Copy stays grey until a view with something to copy enables it.
    if (HMENU menu = ::GetMenu(m_hWnd))
        ::EnableMenuItem(menu, ID_EDIT_COPY, MF_BYCOMMAND | MF_GRAYED);
    return 0;
}

void CMainFrame::OnSize(UINT nType, int cx, int cy)
{
    CFrameWnd::OnSize(nType, cx, cy);
    // Docking the bar again where it is makes its row fit the new width. Only a bar in one
    // of the frame's dock bars: a floating one stays floating.
    if (m_wndChildBar.GetSafeHwnd() && m_wndChildBar.IsDocked()) {
        CRect rect;
        m_wndChildBar.GetWindowRect(&rect);
        rect.right += 1;
        DockControlBar(&m_wndChildBar, 0, &rect);
    }
}

void CMainFrame::OnDataWindow()
{
    ShowControlBar(&m_wndChildBar, !m_wndChildBar.IsVisible(), FALSE);
}

void CMainFrame::OnUpdateDataWindow(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_wndChildBar.GetSafeHwnd() && m_wndChildBar.IsVisible() ? 1 : 0);
}

void CMainFrame::OnDockDataWindow()
{
    if (!m_wndChildBar.GetSafeHwnd())
        return;
    if (m_wndChildBar.IsDocked())
        FloatControlBar(&m_wndChildBar, CPoint(100, 100), CBRS_ALIGN_TOP);
    else if (m_wndChildBar.IsFloating())
        DockControlBar(&m_wndChildBar, AFX_IDW_DOCKBAR_RIGHT);
}

// The active hex view's bytes from the cursor (the selection, or the rest of the buffer) go
// to the data window's current slot, and its module runs over them.
void CMainFrame::OnRefreshDataWindow()
{
    CView* view = GetActiveView();
    if (!m_wndChildBar.GetSafeHwnd() || !m_wndChildBar.IsVisible() || !view || !view->IsKindOf(RUNTIME_CLASS(CDiskView)))
        return;
    CHexView* hex = static_cast<CDiskView*>(view)->GetHexView();
    int size = 0;
    uint32_t base = 0;
    const uint8_t* data = hex->GetData(&size, &base);
    int64_t cursor = hex->GetCursorAddress(0);
    int length = 0;
    // A selection is decoded from its lower end: the cursor of one made backwards (Shift+Left,
    // a drag to the left) stands at its far end, and the module would run on the bytes behind
    // the selection.
    if (hex->HasSelection())
        cursor = hex->GetSelection(0, &length);
    else
        length = static_cast<int>(size - cursor);
    // Asked for by the user, the module runs even when neither the place nor the bytes
    // changed: what else a run depends on, such as the module's PARAM_ values, is no part of
    // what SetData compares.
    if (!m_wndDataWnd.SetData(data, size, static_cast<int>(cursor), length, base, 0, -1))
        m_wndDataWnd.Refresh(true, -1);
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
    const bool flat = FlatMode <= 0;
    FlatMode = flat ? 1 : 0;
    if (!m_wndToolBar.GetSafeHwnd())
        return;
    m_wndToolBar.ModifyStyle(flat ? 0 : TBSTYLE_FLAT, flat ? TBSTYLE_FLAT : 0);
    // Hidden and shown again, the bar is laid out anew in its new look.
    if (m_wndToolBar.IsWindowVisible()) {
        ShowControlBar(&m_wndToolBar, FALSE, FALSE);
        ShowControlBar(&m_wndToolBar, TRUE, FALSE);
    }
}

void CMainFrame::OnUpdateFlatToolbar(CCmdUI* pCmdUI)
{
    // The check follows the look: a negative FlatMode starts raised, and a check for any
    // value but 0 would call that raised bar flat and stay on when the command flattens it.
    pCmdUI->SetCheck(FlatMode > 0);
}

LRESULT CMainFrame::OnMenuIconProbe(WPARAM /*wParam*/, LPARAM /*lParam*/)
{
    return kMenuIconProbeAnswer;
}

// ---------------------------------------------------------------------------------------------
// Status panes of the views

bool CMainFrame::StatusPanesEnabled()
{
    return g_panePermission == kPanePermission;
}

void CMainFrame::ForgetStatusPanePermission()
{
    g_panePermission = 0;
}

std::vector<StatusPaneSlot> CMainFrame::CurrentPanes() const
{
    std::vector<StatusPaneSlot> panes;
    const int count = m_wndStatusBar.GetCount();
    for (int i = 0; i < count; ++i) {
        StatusPaneSlot slot;
        UINT id = 0;
        UINT style = 0;
        int width = 0;
        m_wndStatusBar.GetPaneInfo(i, id, style, width);
        slot.id = id;
        slot.style = style;
        slot.width = width;
        // A coloured pane's text lives in its record; the bar's own copy is stale.
        if (const PaneColorRecord* record = m_wndStatusBar.PartRecord(i))
            slot.text = record->text;
        else
            slot.text = static_cast<LPCSTR>(m_wndStatusBar.GetPaneText(i));
        panes.push_back(slot);
    }
    return panes;
}

void CMainFrame::ShowPanes(const std::vector<StatusPaneSlot>& panes, bool keepTexts)
{
    std::vector<UINT> ids;
    for (const StatusPaneSlot& slot : panes)
        ids.push_back(slot.id);
    m_wndStatusBar.SetIndicators(ids.data(), static_cast<int>(ids.size()));
    for (size_t i = 0; i < panes.size(); ++i)
        m_wndStatusBar.SetPaneInfo(static_cast<int>(i), panes[i].id, panes[i].style, panes[i].width);
    for (size_t i = 0; i < panes.size(); ++i) {
        const int index = static_cast<int>(i);
        // The message pane keeps whatever it shows, coloured or not.
        if (index == 0 && m_wndStatusBar.PartRecord(0))
            continue;
        // A part that was coloured at this position becomes plain here, which frees its
        // record: the new pane at this place has nothing to do with it.
        const char* text = keepTexts || index == 0 ? panes[i].text.c_str() : "";
        m_wndStatusBar.SetPaneText(index, text, TRUE);
    }
}

bool CMainFrame::FrameDrawsColours()
{
    return SendMessage(WM_MENUICONPROBE) == kMenuIconProbeAnswer;
}

int CMainFrame::SetBasePanes(const uint32_t* ids, int32_t* widths, int count)
{
    if (!m_wndStatusBar.GetSafeHwnd())
        return 0;
    g_panePermission = kPanePermission;
    m_paneLayout.ResetIfFewerThanTwo(m_wndStatusBar.GetCount());
    count = FixPaneRequestCount(ids, count, CStatusPaneLayout::kMaxBasePanes);
    if (count < 0)
        count = 0;
    if (count > 0 && widths)
        ScalePaneWidths(widths, count, PaneCharFactor());
    ShowPanes(m_paneLayout.ReplaceBasePanes(CurrentPanes(), ids, widths, count), true);
    return count;
}

int32_t CMainFrame::InsertPanes(const uint32_t* ids, int32_t* widths, int count)
{
    if (!StatusPanesEnabled() || !m_wndStatusBar.GetSafeHwnd())
        return 0;
    const int paneCount = m_wndStatusBar.GetCount();
    m_paneLayout.ResetIfFewerThanTwo(paneCount);
    count = FixPaneRequestCount(ids, count, -1);
    count = m_paneLayout.InsertLimit(paneCount, count);
    if (count < 1)
        return -1;
    if (widths)
        ScalePaneWidths(widths, count, PaneCharFactor());
    int32_t handle = 0;
    std::vector<StatusPaneSlot> panes = m_paneLayout.InsertGroup(CurrentPanes(), ids, widths, count, &handle);
    if (handle == -1)
        return -1;
    // The senders write their texts again; every pane after the message pane starts plain.
    ShowPanes(panes, false);
    return handle;
}

int CMainFrame::RemovePaneGroup(int32_t handle)
{
    if (!StatusPanesEnabled() || !m_wndStatusBar.GetSafeHwnd())
        return 0;
    m_paneLayout.ResetIfFewerThanTwo(m_wndStatusBar.GetCount());
    std::vector<StatusPaneSlot> panes = m_paneLayout.RemoveGroup(CurrentPanes(), handle);
    ShowPanes(panes, true);
    return static_cast<int>(panes.size());
}

int CMainFrame::SetPaneColorText(int index, const char* text, int update, int32_t background,
                                 int32_t textColor)
{
    if (!StatusPanesEnabled() || !m_wndStatusBar.GetSafeHwnd())
        return 0;
    const int pane = MapPaneRequestIndex(index, m_wndStatusBar.GetCount());
    if (pane < 0)
        return 0;
    // A request without a text clears the pane rather than reading through a null pointer.
    if (!text)
        text = "";
    if (!FrameDrawsColours())
        background = textColor = -1;
    if (background < 0 && textColor < 0) {
        // Plain text; over a coloured part this also frees its record.
        m_wndStatusBar.SetPaneText(pane, text, update ? TRUE : FALSE);
        return 1;
    }
    // The update flag belongs to the plain-text path; a coloured part is drawn with the bar.
    if (!m_wndStatusBar.SetPartRecord(pane, NewPaneColorRecord(text, background, textColor)))
        return 0;
    return 1;
}

int CMainFrame::SetPaneColors(int index, int update, int32_t background, int32_t textColor)
{
    if (!StatusPanesEnabled() || !m_wndStatusBar.GetSafeHwnd())
        return 0;
    const int pane = MapPaneRequestIndex(index, m_wndStatusBar.GetCount());
    if (pane < 0)
        return 0;
    if (!FrameDrawsColours())
        return 0;
    std::string text;
    if (const PaneColorRecord* record = m_wndStatusBar.PartRecord(pane)) {
        if (record->background == background && record->textColor == textColor)
            return 1;
        text = record->text;
    } else {
        if (background < 0 && textColor < 0)
            return 1;
        if (m_wndStatusBar.PartType(pane) & SBT_OWNERDRAW) {
            // Someone else's owner-drawn part: its data word is no text of ours.
        } else {
            const LRESULT info = m_wndStatusBar.SendMessage(SB_GETTEXTLENGTHA, static_cast<WPARAM>(pane));
            char buffer[256] = {};
            if (LOWORD(info) < sizeof(buffer)) {
                m_wndStatusBar.SendMessage(SB_GETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(buffer));
                text = buffer;
            }
        }
    }
    if (background >= 0 || textColor >= 0) {
        if (!m_wndStatusBar.SetPartRecord(pane, NewPaneColorRecord(text.c_str(), background, textColor)))
            return 0;
    } else {
        m_wndStatusBar.SetPaneText(pane, text.c_str(), update ? TRUE : FALSE);
    }
    return 1;
}

LRESULT CMainFrame::OnStatusPane(WPARAM wParam, LPARAM lParam)
{
    StatusPaneRequest* request = reinterpret_cast<StatusPaneRequest*>(lParam);
    switch (wParam) {
    case StatusPaneSetBase:
        return request ? SetBasePanes(request->ids, request->widths, request->count) : 0;
    case StatusPaneSetText:
        return request ? SetPaneColorText(request->index, request->text, request->update,
                                          request->background, request->textColor)
                       : 0;
    case StatusPaneRemoveGroup:
        return RemovePaneGroup(static_cast<int32_t>(lParam));
    case StatusPaneInsertGroup:
        return request ? InsertPanes(request->ids, request->widths, request->count) : 0;
    case StatusPaneSetColors:
        return request ? SetPaneColors(request->index, request->update, request->background,
                                       request->textColor)
                       : 0;
    default:
        return 1;
    }
}

void CMainFrame::DrawColorPane(const DRAWITEMSTRUCT* item)
{
    if (!item || !item->hDC)
        return;
    const PaneColorRecord* record = m_wndStatusBar.PartRecord(static_cast<int>(item->itemID));
    if (!record)
        return;
    const COLORREF background = record->background >= 0 ? static_cast<COLORREF>(record->background)
                                                         : ::GetSysColor(COLOR_MENU);
    const COLORREF textColor = record->textColor >= 0 ? static_cast<COLORREF>(record->textColor)
                                                       : ::GetSysColor(COLOR_WINDOWTEXT);
    const RECT& rc = item->rcItem;
    const COLORREF oldBack = ::SetBkColor(item->hDC, background);
    const COLORREF oldText = ::SetTextColor(item->hDC, textColor);
    const UINT oldAlign = ::SetTextAlign(item->hDC, TA_CENTER | TA_BOTTOM);
    ::ExtTextOutA(item->hDC, (rc.left + rc.right) / 2, rc.bottom - 1, ETO_OPAQUE | ETO_CLIPPED, &rc,
                  record->text, record->length, nullptr);
    ::SetTextAlign(item->hDC, oldAlign);
    ::SetTextColor(item->hDC, oldText);
    ::SetBkColor(item->hDC, oldBack);
}

LRESULT CMainFrame::OnDrawColorPane(WPARAM /*wParam*/, LPARAM lParam)
{
    DrawColorPane(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

void CMainFrame::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (nIDCtl == AFX_IDW_STATUS_BAR && lpDrawItemStruct && lpDrawItemStruct->CtlType != ODT_MENU) {
        // Only our coloured parts carry the pop-out bit beside owner-draw.
        if (m_wndStatusBar.PartType(static_cast<int>(lpDrawItemStruct->itemID)) & SBT_POPOUT) {
            SendMessage(WM_DRAWCOLORPANE, reinterpret_cast<WPARAM>(lpDrawItemStruct->hwndItem),
                        reinterpret_cast<LPARAM>(lpDrawItemStruct));
        } else {
            SendMessage(WM_DRAWPLAINPANE, reinterpret_cast<WPARAM>(lpDrawItemStruct->hwndItem),
                        reinterpret_cast<LPARAM>(lpDrawItemStruct));
        }
        return;
    }
    if (lpDrawItemStruct && lpDrawItemStruct->CtlType == ODT_MENU) {
        DrawMenuItem(lpDrawItemStruct);
        return;
    }
    CFrameWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

LRESULT CMainFrame::OnGotoHexOffset(WPARAM wParam, LPARAM lParam)
{
    CView* view = GetActiveView();
    if (!view)
        return 0;
    if (view->GetSafeHwnd())
        view->SetFocus();
    if (!view->IsKindOf(RUNTIME_CLASS(CDiskView)))
        return 0;
    CHexView* hex = static_cast<CDiskView*>(view)->GetHexView();
    // The low half is the sender's id; only the row size in the high half counts. A row of
    // 256 bytes or more is no field to select, only a place to go to.
    const int64_t offset = static_cast<int64_t>(static_cast<uint32_t>(wParam));
    const unsigned length = static_cast<unsigned>(static_cast<uint32_t>(lParam) >> 16);
    hex->SetCursorAddress(offset, false);
    if (length >= 1 && length <= 255)
        hex->SetSelectionEnd(offset + length, false);
    return 0;
}
