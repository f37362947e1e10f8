#include "classlib/ToolBar.h"
#include "classlib/DockBar.h"
#include "classlib/FrameWnd.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
    ON_WM_NCCALCSIZE()
    ON_WM_NCPAINT()
    ON_WM_NCHITTEST()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_WINDOWPOSCHANGING()
END_MESSAGE_MAP()

namespace {

// The button states an update handler asks for, sent to the toolbar control.
class CToolCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        m_pOther->SendMessage(TB_ENABLEBUTTON, m_nID, MAKELPARAM(bOn ? TRUE : FALSE, 0));
    }
    void SetCheck(int nCheck) override
    {
        m_pOther->SendMessage(TB_CHECKBUTTON, m_nID, MAKELPARAM(nCheck == 1, 0));
        m_pOther->SendMessage(TB_INDETERMINATE, m_nID, MAKELPARAM(nCheck == 2, 0));
    }
    void SetText(LPCSTR) override {}
};

}  // namespace

CToolBar::CToolBar() noexcept
{
    // Buttons sit close to the bar's edges.
    m_cxLeftBorder = m_cxRightBorder = 1;
    m_cyTopBorder = m_cyBottomBorder = 1;
}

CToolBar::~CToolBar()
{
    DestroyWindow();
}

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    static bool registered = false;
    if (!registered) {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
        registered = ::InitCommonControlsEx(&icc) != FALSE;
    }
    SetBarStyle(dwStyle & CBRS_ALL);
    const DWORD windowStyle = (dwStyle & ~CBRS_ALL) | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NODIVIDER | CCS_NORESIZE;
    const RECT none = {0, 0, 0, 0};
    if (!CWnd::Create(TOOLBARCLASSNAMEA, nullptr, windowStyle, none, pParentWnd, nID))
        return FALSE;
    SetOwner(pParentWnd);
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SetSizes(m_sizeButton, m_sizeImage);
    return TRUE;
}

void CToolBar::SetSizes(SIZE sizeButton, SIZE sizeImage)
{
    m_sizeButton = sizeButton;
    m_sizeImage = sizeImage;
    if (!m_hWnd)
        return;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(sizeImage.cx, sizeImage.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(sizeButton.cx, sizeButton.cy));
}

int CToolBar::CommandToIndex(UINT nIDFind) const
{
    return m_hWnd ? static_cast<int>(::SendMessageA(m_hWnd, TB_COMMANDTOINDEX, nIDFind, 0)) : -1;
}

UINT CToolBar::GetItemID(int nIndex) const
{
    TBBUTTON button = {};
    if (!m_hWnd || !::SendMessageA(m_hWnd, TB_GETBUTTON, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&button)))
        return 0;
    return static_cast<UINT>(button.idCommand);
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    if (!lpRect)
        return;
    *lpRect = CRect(0, 0, 0, 0);
    if (m_hWnd)
        ::SendMessageA(m_hWnd, TB_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
}

BOOL CToolBar::IsHorzBar() const
{
    if (m_dwStyle & CBRS_ORIENT_HORZ)
        return TRUE;
    return (m_dwStyle & CBRS_ORIENT_VERT) == 0;
}

void CToolBar::CalcInsideRect(CRect& rect, BOOL bHorz) const
{
    CControlBar::CalcInsideRect(rect, bHorz);
    if ((m_dwStyle & CBRS_GRIPPER) && !IsFloating()) {
        if (bHorz)
            rect.left += kGripperSize;
        else
            rect.top += kGripperSize;
    }
}

CRect CToolBar::GetGripperRect() const
{
    if (!m_hWnd || !(m_dwStyle & CBRS_GRIPPER) || IsFloating())
        return CRect(0, 0, 0, 0);
    CRect window;
    GetWindowRect(&window);
    window.OffsetRect(-window.left, -window.top);
    CRect inside = window;
    CControlBar::CalcInsideRect(inside, IsHorzBar());
    if (IsHorzBar())
        return CRect(inside.left, inside.top, inside.left + kGripperSize, inside.bottom);
    return CRect(inside.left, inside.top, inside.right, inside.top + kGripperSize);
}

CSize CToolBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz)
{
    CRect inside(0, 0, 0, 0);
    CalcInsideRect(inside, bHorz);
    CRect items(0, 0, 0, 0);
    const int count = m_hWnd ? static_cast<int>(SendMessage(TB_BUTTONCOUNT)) : 0;
    for (int i = 0; i < count; ++i) {
        CRect r;
        GetItemRect(i, &r);
        items.UnionRect(&items, &r);
    }
    CSize size(items.right - inside.Width(), items.bottom - inside.Height());
    if (bStretch) {
        if (bHorz)
            size.cx = 32767;
        else
            size.cy = 32767;
    }
    return size;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CToolCmdUI state;
    state.m_pOther = this;
    const int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
    state.m_nIndexMax = count > 0 ? static_cast<UINT>(count) : 0;
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
        TBBUTTON button = {};
        if (!SendMessage(TB_GETBUTTON, state.m_nIndex, reinterpret_cast<LPARAM>(&button)) || (button.fsStyle & BTNS_SEP))
            continue;
        state.m_nID = static_cast<UINT>(button.idCommand);
        if (state.m_nID == 0)
            continue;
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
    UpdateDialogControls(pTarget, bDisableIfNoHndler);
}

INT_PTR CToolBar::OnToolHitTest(CPoint point, TOOLINFOA* pTI) const
{
    if (!m_hWnd)
        return -1;
    const int index = static_cast<int>(::SendMessageA(m_hWnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
    if (index < 0)
        return -1;
    TBBUTTON button = {};
    if (!::SendMessageA(m_hWnd, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)) ||
        (button.fsStyle & BTNS_SEP) || button.idCommand == 0)
        return -1;
    if (pTI) {
        GetItemRect(index, &pTI->rect);
        pTI->hwnd = m_hWnd;
        pTI->uId = static_cast<UINT_PTR>(button.idCommand);
    }
    return button.idCommand;
}

// --- the non-client area: borders and gripper

void CToolBar::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS* lpncsp)
{
    if (!lpncsp)
        return;
    CRect window(lpncsp->rgrc[0]);
    CRect client(0, 0, window.Width(), window.Height());
    CalcInsideRect(client, IsHorzBar());
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    client.OffsetRect(window.left, window.top);
    // Nothing else: the window's scroll bar styles never take room.
    lpncsp->rgrc[0] = client;
}

LRESULT CToolBar::OnNcHitTest(CPoint point)
{
    CRect window;
    GetWindowRect(&window);
    return window.PtInRect(point) ? HTCLIENT : HTNOWHERE;
}

void CToolBar::OnNcPaint()
{
    CRect window;
    HDC dc = AfxGetNonClientDC(m_hWnd, &window);
    if (!dc)
        return;
    ::FillRect(dc, &window, ::GetSysColorBrush(COLOR_BTNFACE));
    // Borders: a shadow line over a highlight on the sides the bar style names.
    auto line = [dc](int l, int t, int r, int b, int colour) {
        RECT rc = {l, t, r, b};
        ::FillRect(dc, &rc, ::GetSysColorBrush(colour));
    };
    const int w = window.Width();
    const int h = window.Height();
    if (m_dwStyle & CBRS_BORDER_TOP) {
        line(0, 0, w, 1, COLOR_BTNSHADOW);
        line(0, 1, w, 2, COLOR_BTNHIGHLIGHT);
    }
    if (m_dwStyle & CBRS_BORDER_BOTTOM) {
        line(0, h - 2, w, h - 1, COLOR_BTNSHADOW);
        line(0, h - 1, w, h, COLOR_BTNHIGHLIGHT);
    }
    if (m_dwStyle & CBRS_BORDER_LEFT) {
        line(0, 0, 1, h, COLOR_BTNSHADOW);
        line(1, 0, 2, h, COLOR_BTNHIGHLIGHT);
    }
    if (m_dwStyle & CBRS_BORDER_RIGHT) {
        line(w - 2, 0, w - 1, h, COLOR_BTNSHADOW);
        line(w - 1, 0, w, h, COLOR_BTNHIGHLIGHT);
    }
    const CRect grip = GetGripperRect();
    if (!grip.IsRectEmpty()) {
        // Two raised ridges along the gripper.
        for (int k = 0; k < 2; ++k) {
            if (IsHorzBar()) {
                const int x = grip.left + 2 + 3 * k;
                line(x, grip.top + 2, x + 1, grip.bottom - 2, COLOR_BTNHIGHLIGHT);
                line(x + 1, grip.top + 2, x + 2, grip.bottom - 2, COLOR_BTNSHADOW);
            } else {
                const int y = grip.top + 2 + 3 * k;
                line(grip.left + 2, y, grip.right - 2, y + 1, COLOR_BTNHIGHLIGHT);
                line(grip.left + 2, y + 1, grip.right - 2, y + 2, COLOR_BTNSHADOW);
            }
        }
    }
    ::ReleaseDC(m_hWnd, dc);
}

void CToolBar::OnLButtonDown(UINT nFlags, CPoint point)
{
    CRect client;
    GetClientRect(&client);
    // A press outside the buttons' area (gripper, borders) drags the bar.
    if (!client.PtInRect(point) && m_pDockBar && m_pDockContext) {
        ClientToScreen(&point);
        m_pDockContext->StartDrag(point);
        return;
    }
    CControlBar::OnLButtonDown(nFlags, point);
}

void CToolBar::OnLButtonDblClk(UINT nFlags, CPoint point)
{
    CRect client;
    GetClientRect(&client);
    if (!client.PtInRect(point) && m_pDockBar && m_pDockContext) {
        m_pDockContext->ToggleDocking();
        return;
    }
    CControlBar::OnLButtonDblClk(nFlags, point);
}

void CToolBar::OnWindowPosChanging(WINDOWPOS* lpwndpos)
{
    CControlBar::OnWindowPosChanging(lpwndpos);
    // The gripper's side follows the bar's place: the non-client area is computed again.
    if (lpwndpos && !(lpwndpos->flags & SWP_NOSIZE))
        lpwndpos->flags |= SWP_FRAMECHANGED;
}
