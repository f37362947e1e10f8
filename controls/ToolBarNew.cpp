#include "controls/ToolBarNew.h"

#include "classlib/DocView.h"
#include "classlib/FrameWnd.h"
#include "classlib/WinApp.h"

#include <algorithm>
#include <cstring>
#include <vector>

IMPLEMENT_DYNCREATE(CToolBarNew, CToolBar)

BEGIN_MESSAGE_MAP(CToolBarNew, CToolBar)
    ON_WM_TIMER()
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

const char* const CToolBarNew::kMenuTexts[5] = {"Kleine Icons", "Mittler Icons", "Große Icons", "Flache Symbolleiste",
                                                "ausblenden"};

namespace {

const UINT kTrackTimer = 6527;
// The control's own window style bits every toolbar of ours has: no parent alignment, no
// divider, no resizing by the control (the bar places it), and the two scroll bar bits,
// which the bar's non-client area never shows.
const DWORD kControlWindowStyle = 0x4030004E;
const WORD kFitRow = 17000;

HWND MainWindow()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

// Where the commands and notifications of embedded controls go: the main window, then its
// active view.
void ControlTargets(HWND main, HWND targets[2])
{
    targets[0] = main;
    targets[1] = nullptr;
    CWnd* wnd = CWnd::FromHandlePermanent(main);
    if (wnd && wnd->IsFrameWnd()) {
        if (CWnd* view = static_cast<CFrameWnd*>(wnd)->GetActiveView())
            targets[1] = view->GetSafeHwnd();
    }
}

// Appends a button for the command at the end, showing `image`; command 0 is a separator.
bool AppendCommandButton(CWnd* bar, int command, int image)
{
    TBBUTTON b = {};
    b.idCommand = command;
    b.iBitmap = command ? image : -1;
    b.fsStyle = command ? 0 : BTNS_SEP;
    b.fsState = command ? TBSTATE_ENABLED : 0;
    return bar->SendMessage(TBX_ADDBUTTONS, 0x53FF0001, reinterpret_cast<LPARAM>(&b)) != 0;
}

// The button states the update handlers ask for, sent to the toolbar window by index.
class CToolBarNewCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        m_pOther->SendMessage(TBX_SETSTATESTYLE, TbxRefIndex(static_cast<int>(m_nIndex)),
                              bOn ? 0x04040000 : 0x06000000);
    }
    void SetCheck(int nCheck) override
    {
        // A check button, checked (1) or indeterminate (2); the other state bits stay.
        const DWORD state = nCheck == 1 ? TBSTATE_CHECKED : (nCheck == 2 ? TBSTATE_INDETERMINATE : 0);
        const DWORD mask = TBSTATE_CHECKED | TBSTATE_INDETERMINATE;
        m_pOther->SendMessage(TBX_SETSTATESTYLE, TbxRefIndex(static_cast<int>(m_nIndex)),
                              (mask << 24) | (state << 16) | (BTNS_CHECK << 8) | BTNS_CHECK);
    }
    void SetText(LPCSTR) override {}
};

}  // namespace

bool ParseToolbarResource(const void* data, DWORD size, ToolbarResourceData* out)
{
    if (!data || size < 8 || !out)
        return false;
    const WORD* words = static_cast<const WORD*>(data);
    out->version = words[0];
    out->width = words[1];
    out->height = words[2];
    const DWORD room = (size - 8) / 2;
    out->count = static_cast<WORD>(std::min<DWORD>(words[3], room));
    out->ids = words + 4;
    return true;
}

bool FindToolbarResource(HMODULE module, UINT id, ToolbarResourceData* out)
{
    HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(kToolbarResourceTypeId));
    if (!info)
        return false;
    HGLOBAL block = ::LoadResource(module, info);
    const void* data = block ? ::LockResource(block) : nullptr;
    return data && ParseToolbarResource(data, ::SizeofResource(module, info), out);
}

CToolBarNew::CToolBarNew() noexcept
{
}

int CToolBarNew::ButtonSizeForIcon(int cxIcon)
{
    return std::min(std::max(2 * (cxIcon - 32) + 28, 16), 48);
}

BOOL CToolBarNew::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, int cxLeft, int cyTop, int cxRight,
                           int cyBottom, UINT nID)
{
    m_menuMask = dwCtrlStyle & 0xFFFF0000;
    const DWORD control = dwCtrlStyle & 0xFFFF;
    {
        // The class library's toolbar made once and at once destroyed, as its own
        // toolbars would be made (the common controls are loaded by it).
        CToolBar temporary;
        if (temporary.Create(pParentWnd, 0x50002800, AFX_IDW_TOOLBAR))
            temporary.DestroyWindow();
    }
    m_buttonSize = ButtonSizeForIcon(::GetSystemMetrics(SM_CXICON));
    if (!RegisterToolbarExClass(AfxGetInstanceHandle()))
        return FALSE;
    SetBorders(cxLeft, cyTop, cxRight, cyBottom);
    DWORD barStyle = dwStyle & 0x40FFFF;
    if (nID == AFX_IDW_TOOLBAR)
        barStyle |= CBRS_HIDE_INPLACE;
    SetBarStyle(barStyle);
    // The window bits of the given style (WS_VISIBLE among them) stay with the window: the
    // bar style has no room for them, and taken from it the toolbar window was made hidden
    // and the frame's toolbar never showed.
    const DWORD windowStyle = (dwStyle & ~0x40FFB1u) | control | kControlWindowStyle;
    const RECT none = {0, 0, 0, 0};
    if (!CWnd::Create(TOOLBAREX_CLASSNAME, nullptr, windowStyle, none, pParentWnd, nID))
        return FALSE;
    // Prompts, command states and the bar's own commands go to the frame, also while the
    // bar sits in a dock bar or a floating frame.
    SetOwner(pParentWnd);
    if (HWND main = MainWindow())
        SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(main), 0x12340001);
    SendMessage(TB_SETPARENT, static_cast<WPARAM>(-1), 0x12340002);
    SetSizes(m_sizeButton, m_sizeImage);
    return TRUE;
}

BOOL CToolBarNew::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, TBSTYLE_FLAT, dwStyle, 2, 2, 2, 2, nID);
}

BOOL CToolBarNew::LoadToolBars(const UINT_PTR* sources, const UINT* buttons, int buttonCount,
                               const BYTE* sourceFlags, int scale)
{
    if (!m_hWnd || !sources)
        return FALSE;
    std::vector<UINT> kept;
    if (buttonCount == kToolbarKeepButtons) {
        const LRESULT n = SendMessage(TB_BUTTONCOUNT);
        if (n < 0)
            return FALSE;
        std::vector<UINT32> ids(static_cast<size_t>(n) + 1);
        const LRESULT got = SendMessage(TBX_LISTCOMMANDS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(ids.data()));
        if (got < 0)
            return FALSE;
        kept.assign(ids.begin(), ids.begin() + got);
        buttons = kept.data();
        buttonCount = static_cast<int>(kept.size());
    }
    SendMessage(TBX_DELETERANGE, 0, 0xFFFF);
    SendMessage(TBX_REMOVEBITMAPS);

    BOOL ok = TRUE;
    std::vector<WORD> sourceIds;   // every id of the sources added, in order
    for (int s = 0; s < 8 && sources[s]; ++s) {
        ToolbarAddBitmapRecord record = {};
        const WORD* ids = nullptr;
        int count = 0;
        if (sourceFlags && sourceFlags[s]) {
            const ToolbarSourceRecord* r = reinterpret_cast<const ToolbarSourceRecord*>(sources[s]);
            record.module = r->module;
            record.id = r->id;
            record.flags = static_cast<WORD>(r->flags | TBXBM_BYWIDTH | 0x10);
            record.scale = static_cast<WORD>(r->scale ? r->scale : scale);
            record.width = r->width;
            ids = r->ids;
            count = r->count;
        } else {
            ToolbarResourceData data = {};
            HMODULE module = AfxGetResourceHandle();
            if (!FindToolbarResource(module, static_cast<UINT>(sources[s]), &data)) {
                ok = FALSE;
                break;
            }
            record.module = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(module));
            record.id = static_cast<DWORD>(sources[s]);
            record.flags = TBXBM_EVEN | TBXBM_BYWIDTH | 0x10;
            record.width = data.width;
            record.scale = static_cast<WORD>(scale);
            ids = data.ids;
            count = data.count;
        }
        const WORD width = record.width;
        if (SendMessage(TB_ADDBITMAP, 0x12340000, reinterpret_cast<LPARAM>(&record)) < 0) {
            ok = FALSE;
            break;
        }
        if (width != TBXBM_VARYING_WIDTH && (s == 0 || m_imageWidth == 0))
            m_imageWidth = width;
        sourceIds.insert(sourceIds.end(), ids, ids + count);
    }

    if (!buttons) {
        int image = 0;
        for (WORD id : sourceIds)
            AppendCommandButton(this, id, id ? image++ : -1);
    } else {
        for (int i = 0; i < buttonCount; ++i) {
            int image = 0;
            int position = 0;
            for (WORD id : sourceIds) {
                if (!id)
                    continue;
                if (id == buttons[i]) {
                    image = position;
                    break;
                }
                ++position;
            }
            AppendCommandButton(this, static_cast<int>(buttons[i]), image);
        }
    }

    CWnd* parent = GetParent();
    CRect window;
    GetWindowRect(&window);
    const bool popupParent = parent && (parent->GetStyle() & WS_POPUP);
    if (popupParent || window.Width() <= 1 || window.Height() <= 1) {
        const DWORD size = static_cast<DWORD>(SendMessage(TBX_FIT, kFitRow, TBXFIT_KEEP));
        const int width = std::max<int>(LOWORD(size), popupParent ? m_buttonSize : 1);
        SetWindowPos(nullptr, 0, 0, width, HIWORD(size), SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    return ok;
}

// --- sizes

DWORD CToolBarNew::Fit(int target, DWORD flags) const
{
    return m_hWnd ? static_cast<DWORD>(::SendMessageA(m_hWnd, TBX_FIT, static_cast<WPARAM>(target), flags)) : 0;
}

CSize CToolBarNew::WithBorders(DWORD fitted, BOOL bHorz) const
{
    CRect inside(0, 0, 0, 0);
    CalcInsideRect(inside, bHorz);
    return CSize(LOWORD(fitted) - inside.Width(), HIWORD(fitted) - inside.Height());
}

CSize CToolBarNew::CalcFixedLayout(BOOL, BOOL bHorz)
{
    // A vertical dock gets one column: the window's fit to target 0.
    return WithBorders(Fit(bHorz ? kFitRow : 0, 0), bHorz);
}

CSize CToolBarNew::CalcDynamicLayout(int nLength, DWORD nMode)
{
    if (nMode & (LM_HORZDOCK | LM_VERTDOCK)) {
        const BOOL horz = (nMode & LM_HORZDOCK) != 0;
        // The dock bars lay their bars out without LM_COMMIT: a request for the orientation
        // the bar has now is its real layout, and the window keeps that arrangement. Not
        // kept, the window went on laying its buttons out in the arrangement it had before,
        // and a bar docked at the side showed a cut row in its column.
        const bool current = !IsFloating() && ((m_dwStyle & CBRS_ORIENT_HORZ) ? horz : !horz);
        const DWORD keep = (nMode & LM_COMMIT) || current ? DWORD(TBXFIT_KEEP) : DWORD(0);
        return WithBorders(Fit(horz ? kFitRow : 0, keep), horz);
    }
    const DWORD keep = (nMode & LM_COMMIT) ? DWORD(TBXFIT_KEEP) : DWORD(0);
    CSize size;
    if (nMode & LM_LENGTHY) {
        size = WithBorders(Fit(std::max(nLength, 1), TBXFIT_HEIGHT | keep), TRUE);
    } else {
        int width = (nMode & LM_MRUWIDTH) ? m_nMRUWidth : nLength;
        CRect inside(0, 0, 0, 0);
        CalcInsideRect(inside, TRUE);
        width += inside.Width();   // the fit measures the window's client width
        size = WithBorders(Fit(std::max(width, 5), keep), TRUE);
    }
    if (size.cx < m_buttonSize)
        size.cx = m_buttonSize;
    if (nMode & LM_COMMIT)
        m_nMRUWidth = size.cx;
    return size;
}

// --- commands and their states

void CToolBarNew::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CToolBarNewCmdUI state;
    state.m_pOther = this;
    const int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
    state.m_nIndexMax = count > 0 ? static_cast<UINT>(count) : 0;
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
        BYTE record[52] = {};
        TBBUTTONINFOA& info = *reinterpret_cast<TBBUTTONINFOA*>(record);
        info.cbSize = sizeof record;
        info.dwMask = TBIF_STYLE | TBIF_COMMAND | TBIF_BYINDEX;
        if (SendMessage(TB_GETBUTTONINFOA, state.m_nIndex, reinterpret_cast<LPARAM>(record)) < 0)
            continue;
        if (info.fsStyle & BTNS_SEP)
            continue;
        state.m_nID = static_cast<UINT>(info.idCommand);
        // The bar's own handlers first: its reflected one for every button, then the one of the id.
        if (CWnd::OnCmdMsg(0, static_cast<int>(MAKELONG(LOWORD(CN_UPDATE_COMMAND_UI), WM_COMMAND + WM_REFLECT_BASE)),
                           &state, nullptr))
            continue;
        if (CWnd::OnCmdMsg(state.m_nID, CN_UPDATE_COMMAND_UI, &state, nullptr))
            continue;
        if (state.m_nID != 0 && state.m_nID < 0xFFFF)
            state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
    UpdateDialogControls(pTarget, bDisableIfNoHndler);
}

BOOL CToolBarNew::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    HWND main = MainWindow();
    // "ausblenden" hides the bar, whoever sends it.
    if (message == WM_COMMAND && LOWORD(wParam) == m_menuIds[4] && main) {
        if (CFrameWnd* frame = GetDockingFrame())
            frame->ShowControlBar(this, FALSE, FALSE);
        if (pResult)
            *pResult = 0;
        return TRUE;
    }
    if (message == WM_COMMAND && lParam && SendMessage(TBX_FINDCONTROL, 0, lParam) >= 0) {
        HWND control = reinterpret_cast<HWND>(lParam);
        const LRESULT second =
            HIWORD(wParam) == CBN_SELCHANGE ? TbxComboSelectionCommand(control) : static_cast<LRESULT>(wParam);
        HWND targets[2];
        ControlTargets(main, targets);
        for (HWND t : targets) {
            if (!t)
                continue;
            ::PostMessageA(t, WM_COMMAND, wParam, lParam);
            if (second >= 0)
                ::PostMessageA(t, WM_COMMAND, static_cast<WPARAM>(second), lParam);
        }
        if (pResult)
            *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY && lParam) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom && SendMessage(TBX_FINDCONTROL, 0, reinterpret_cast<LPARAM>(header->hwndFrom)) >= 0) {
            LRESULT result = 0;
            HWND targets[2];
            ControlTargets(main, targets);
            for (HWND t : targets) {
                if (!t)
                    continue;
                const LRESULT r = ::SendMessageA(t, WM_NOTIFY, wParam, lParam);
                if (r)
                    result = r;
            }
            if (pResult)
                *pResult = result;
            return TRUE;
        }
    }
    return CToolBar::OnWndMsg(message, wParam, lParam, pResult);
}

void CToolBarNew::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kTrackTimer) {
        SendMessage(TBX_RETRACK);
        return;
    }
    Default();
}

HMENU CToolBarNew::BuildContextMenu() const
{
    if (!(m_menuMask & 0x1F0000))
        return nullptr;
    char resourceTexts[5][64] = {};
    bool haveResource = false;
    CString all;
    if (all.LoadString(0x4001)) {
        haveResource = true;
        for (int i = 0; i < 5; ++i) {
            CString part;
            AfxExtractSubString(part, all, i);
            lstrcpynA(resourceTexts[i], part, sizeof resourceTexts[i]);
        }
    }
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return nullptr;
    const bool flat = m_hWnd && (GetStyle() & TBSTYLE_FLAT);
    bool anySize = false;
    for (int i = 0; i < 5; ++i) {
        if (!(m_menuMask & (0x10000u << i)))
            continue;
        if ((i == 3 && anySize) || (i == 4 && ::GetMenuItemCount(menu) > 0))
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        const char* text = m_menuTexts[i] ? m_menuTexts[i] : (haveResource ? resourceTexts[i] : kMenuTexts[i]);
        UINT flags = MF_STRING;
        if ((i < 3 && m_sizeChoice == i) || (i == 3 && flat))
            flags |= MF_CHECKED;
        ::AppendMenuA(menu, flags, m_menuIds[i], text);
        if (i < 3)
            anySize = true;
    }
    return menu;
}

void CToolBarNew::OnContextMenu(CWnd* pWnd, CPoint pos)
{
    HMENU menu = BuildContextMenu();
    HWND main = MainWindow();
    if (!menu) {
        Default();
        return;
    }
    (void)pWnd;
    const UINT chosen = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pos.x, pos.y, 0,
                                         main ? main : m_hWnd, nullptr);
    ::DestroyMenu(menu);
    if (chosen && main)
        ::SendMessageA(main, WM_COMMAND, chosen, 0);
}

// --- further operations

HWND CToolBarNew::GetSlotControl(int slot) const
{
    if (slot < 0 || slot > 127 || !m_hWnd)
        return nullptr;
    const DWORD ref = 0x12802E7Eu | (static_cast<DWORD>(slot) << 16);
    return reinterpret_cast<HWND>(::SendMessageA(m_hWnd, TBX_GETDATA, ref, 0));
}

HWND CToolBarNew::GetNthControl(UINT controlId, int n) const
{
    const int count = m_hWnd ? static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0)) : 0;
    for (int slot = 0; slot < 128 && slot < count; ++slot) {
        HWND control = GetSlotControl(slot);
        if (!control)
            break;
        if (static_cast<UINT>(::GetDlgCtrlID(control)) == controlId && n-- == 0)
            return control;
    }
    return nullptr;
}

BOOL CToolBarNew::SetButtonControl(UINT commandId, int occurrence, HWND control)
{
    if (!m_hWnd || !::IsWindow(control))
        return FALSE;
    const DWORD ref = TbxRefNthCommand(static_cast<int>(commandId), occurrence);
    if (SendMessage(TBX_SETOWNFLAGS, ref, MAKELPARAM(TBXF_CONTROL, TBXF_CONTROL)) < 0)
        return FALSE;
    SendMessage(TBX_SETDATA, ref, reinterpret_cast<LPARAM>(control));
    char name[16] = {};
    ::GetClassNameA(control, name, sizeof name);
    if (lstrcmpiA(name, "ComboBox") == 0 || lstrcmpiA(name, "Edit") == 0)
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    // The control cells the toolbar has now.
    SendMessage(TBX_COUNTBYFLAGS, MAKEWPARAM(0, 0xFFFF), MAKELPARAM(TBXF_CONTROL, TBXF_CONTROL));
    return TRUE;
}

int CToolBarNew::SetButtonsData(UINT firstId, int count, const DWORD* values, COLORREF keyColour)
{
    if (!m_hWnd || !values)
        return 0;
    int set = 0;
    for (int i = 0; i < count; ++i) {
        const DWORD ref = TbxRefCommand(static_cast<int>(firstId) + i);
        if (SendMessage(TBX_GETOWNFLAGS, ref) >= 0) {
            SendMessage(TBX_SETDATA, ref, static_cast<LPARAM>(values[i]));
            ++set;
        }
    }
    SendMessage(TBX_KEYCOLOR, 0x80000000, static_cast<LPARAM>(keyColour));
    return set;
}

DWORD CToolBarNew::SetButtonData(UINT commandId, DWORD value, BOOL asColour16)
{
    if (asColour16) {
        const DWORD r = GetRValue(value) >> 3;
        const DWORD g = GetGValue(value) >> 2;
        const DWORD b = GetBValue(value) >> 3;
        value = (r << 11) | (g << 5) | b;
    }
    return m_hWnd ? static_cast<DWORD>(SendMessage(TBX_SETDATA, TbxRefCommand(static_cast<int>(commandId)),
                                                   static_cast<LPARAM>(value)))
                  : 0;
}

void CToolBarNew::SetKeyColors(COLORREF first, COLORREF second)
{
    if (!m_hWnd)
        return;
    SendMessage(TBX_KEYCOLOR, 0x80000000, static_cast<LPARAM>(first));
    SendMessage(TBX_KEYCOLOR, 0x80000001, static_cast<LPARAM>(second));
}

BOOL CToolBarNew::SetButton(int index, UINT commandId, DWORD stateStyle, int image, int ownFlags)
{
    if (!m_hWnd || index < 0 || index >= SendMessage(TB_BUTTONCOUNT))
        return FALSE;
    const DWORD ref = TbxRefIndex(index);
    SendMessage(TBX_SETCOMMAND, ref, static_cast<LPARAM>(commandId));
    SendMessage(TBX_SETSTATESTYLE, ref, static_cast<LPARAM>(0xFF00FF00u | (stateStyle & 0x00FF00FFu)));
    SendMessage(TBX_SETIMAGE, ref, image);
    if (ownFlags >= 0)
        SendMessage(TBX_SETOWNFLAGS, ref, MAKELPARAM(ownFlags, 0xFFFF));
    return TRUE;
}

BOOL CToolBarNew::GetButton(int index, UINT* commandId, DWORD* stateStyle, DWORD* data) const
{
    if (!m_hWnd)
        return FALSE;
    BYTE record[52] = {};
    TBBUTTONINFOA& info = *reinterpret_cast<TBBUTTONINFOA*>(record);
    info.cbSize = sizeof record;
    info.dwMask = TBIF_BYINDEX | TBIF_COMMAND | TBIF_STATE | TBIF_STYLE | TBIF_LPARAM;
    if (::SendMessageA(m_hWnd, TB_GETBUTTONINFOA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(record)) < 0)
        return FALSE;
    if (commandId)
        *commandId = static_cast<UINT>(info.idCommand);
    if (stateStyle)
        *stateStyle = (static_cast<DWORD>(info.fsState) << 16) | info.fsStyle;
    if (data)
        *data = static_cast<DWORD>(info.lParam);
    return TRUE;
}

void CToolBarNew::SetControlStyle(DWORD style, BOOL bAdd)
{
    if (!m_hWnd)
        return;
    const DWORD now = GetStyle();
    const DWORD next = bAdd ? (now | (style & 0xFFFF)) : ((now & ~0xFFFFu) | (style & 0xFFFF) | (kControlWindowStyle & 0xFFFF));
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(next));
    RequestRelayout();
}

int CToolBarNew::SetImageScale(int bitmap, int scale)
{
    return m_hWnd ? static_cast<int>(SendMessage(TBX_IMAGESCALE, static_cast<WPARAM>(bitmap), scale)) : -1;
}

BOOL CToolBarNew::SetButtons(const UINT* ids, int count)
{
    if (!m_hWnd || !ids || count < 0)
        return FALSE;
    SendMessage(TBX_DELETERANGE, 0, 0xFFFF);
    int image = 0;
    for (int i = 0; i < count; ++i) {
        if (!AppendCommandButton(this, static_cast<int>(ids[i]), ids[i] ? image++ : -1))
            return FALSE;
    }
    RequestRelayout();
    return TRUE;
}

int CToolBarNew::MakeRadioGroup(int first, int end)
{
    if (!m_hWnd)
        return 0;
    const WORD style = BTNS_CHECK | BTNS_GROUP;
    return static_cast<int>(SendMessage(TBX_SETSTYLES, MAKEWPARAM(first, end), MAKELPARAM(style, style)));
}

int CToolBarNew::AddBitmap(HMODULE module, UINT_PTR idOrHandle, int imageWidth, BOOL takeOwnership)
{
    if (!m_hWnd)
        return -1;
    // Images of varying width are counted first: a bitmap without any is refused.
    if (imageWidth == TBXBM_VARYING_WIDTH) {
        const WPARAM kind = module ? static_cast<WPARAM>(idOrHandle) : 0xFFFF;
        const LPARAM source = module ? reinterpret_cast<LPARAM>(module) : static_cast<LPARAM>(idOrHandle);
        if (SendMessage(TBX_COUNTIMAGES, kind, source) <= 0)
            return -1;
    }
    // A source that is there already is replaced in place.
    const int bitmaps = 64;
    ToolbarBitmapInfo infos[bitmaps] = {};
    const int n = static_cast<int>(SendMessage(TBX_DESCRIBEBITMAPS, MAKEWPARAM(0, bitmaps), reinterpret_cast<LPARAM>(infos)));
    for (int i = 0; i < n; ++i) {
        if (infos[i].module == static_cast<DWORD>(reinterpret_cast<UINT_PTR>(module)) &&
            infos[i].id == static_cast<DWORD>(idOrHandle)) {
            TBREPLACEBITMAP r = {reinterpret_cast<HINSTANCE>(module), idOrHandle, reinterpret_cast<HINSTANCE>(module),
                                 idOrHandle, infos[i].count};
            SendMessage(TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&r));
            break;
        }
    }
    ToolbarAddBitmapRecord record = {};
    record.module = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(module));
    record.id = static_cast<DWORD>(idOrHandle);
    record.flags = static_cast<WORD>(TBXBM_COUNTNOW | (imageWidth != TBXBM_VARYING_WIDTH ? TBXBM_BYWIDTH : 0) |
                                     (takeOwnership && !module ? TBXBM_OWN : 0));
    record.width = static_cast<WORD>(imageWidth);
    return static_cast<int>(SendMessage(TB_ADDBITMAP, 0x12340000, reinterpret_cast<LPARAM>(&record)));
}

BOOL CToolBarNew::AddOverlayText(DWORD ref, LPCSTR text, int x, int y, BYTE flags, BYTE id)
{
    if (!m_hWnd)
        return FALSE;
    ToolbarOverlayRecord record = {};
    record.ref = ref;
    record.x = static_cast<short>(x);
    record.y = static_cast<short>(y);
    record.flags = flags;
    record.id = id;
    return SendMessage(TBX_ADDOVERLAYA, reinterpret_cast<WPARAM>(&record), reinterpret_cast<LPARAM>(text)) != 0;
}

void CToolBarNew::RequestRelayout()
{
    if (!m_hWnd)
        return;
    SendMessage(TBX_RELAYOUT, 0x07, 0);
    CFrameWnd* frame = GetDockingFrame();
    if (frame && (GetStyle() & WS_VISIBLE) && MainWindow()) {
        frame->ShowControlBar(this, FALSE, FALSE);
        frame->ShowControlBar(this, TRUE, FALSE);
    }
}
