#include "classlib/ControlBar.h"
#include "classlib/FrameWnd.h"

#include <commctrl.h>
#include <cstring>

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
    ON_WM_SIZE()
    ON_MESSAGE(WM_SETTEXT, OnSetText)
    ON_MESSAGE(WM_GETTEXT, OnGetText)
    ON_MESSAGE(WM_GETTEXTLENGTH, OnGetTextLength)
END_MESSAGE_MAP()

namespace {

// Room around a pane's text: the sunken border and a little air on both sides.
const int kPaneMargin = 8;
const int kMaxPanes = 255;

// The pane state an update handler sets: enabled shows the text, checked pops it out.
class CStatusCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnableChanged = TRUE;
        CStatusBar* bar = static_cast<CStatusBar*>(m_pOther);
        UINT style = bar->GetPaneStyle(static_cast<int>(m_nIndex)) & ~static_cast<UINT>(SBPS_DISABLED);
        if (!bOn)
            style |= SBPS_DISABLED;
        bar->SetPaneStyle(static_cast<int>(m_nIndex), style);
    }
    void SetCheck(int nCheck) override
    {
        CStatusBar* bar = static_cast<CStatusBar*>(m_pOther);
        UINT style = bar->GetPaneStyle(static_cast<int>(m_nIndex)) & ~static_cast<UINT>(SBPS_POPOUT);
        if (nCheck)
            style |= SBPS_POPOUT;
        bar->SetPaneStyle(static_cast<int>(m_nIndex), style);
    }
    void SetRadio(BOOL bOn) override { SetCheck(bOn ? 1 : 0); }
    void SetText(LPCSTR text) override
    {
        static_cast<CStatusBar*>(m_pOther)->SetPaneText(static_cast<int>(m_nIndex), text);
    }
};

WPARAM DrawFlags(UINT style)
{
    return style & (SBT_NOBORDERS | SBT_POPOUT | SBT_RTLREADING);
}

}  // namespace

CStatusBar::CStatusBar() noexcept
{
    m_cxLeftBorder = 0;
    m_cxRightBorder = 0;
    m_cyTopBorder = 0;
    m_cyBottomBorder = 0;
}

CStatusBar::~CStatusBar()
{
}

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return CreateEx(pParentWnd, 0, dwStyle, nID);
}

BOOL CStatusBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, UINT nID)
{
    if (!pParentWnd || !pParentWnd->m_hWnd)
        return FALSE;
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_BAR_CLASSES;
    ::InitCommonControlsEx(&icc);

    m_dwStyle = dwStyle & CBRS_ALL;
    // The frame lays the bar out itself (WM_SIZEPARENT), so the control must not.
    DWORD windowStyle = (dwStyle & ~static_cast<DWORD>(CBRS_ALL)) | dwCtrlStyle | WS_CHILD |
                        CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NODIVIDER | CCS_NORESIZE;
    if (pParentWnd->GetStyle() & WS_THICKFRAME)
        windowStyle |= SBARS_SIZEGRIP;
    if (!CWnd::Create(STATUSCLASSNAMEA, nullptr, windowStyle, CRect(0, 0, 0, 0), pParentWnd, nID))
        return FALSE;
    ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return TRUE;
}

int CStatusBar::TextWidth(LPCSTR text) const
{
    if (!text || !*text)
        return 0;
    HDC dc = ::GetDC(m_hWnd);
    if (!dc)
        return 0;
    HFONT font = m_hWnd ? reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
    if (!font)
        font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    return size.cx;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount)
{
    if (nIDCount < 0 || nIDCount > kMaxPanes || (nIDCount > 0 && !lpIDArray))
        return FALSE;
    std::vector<Pane> panes(static_cast<size_t>(nIDCount));
    for (int i = 0; i < nIDCount; ++i) {
        Pane& pane = panes[static_cast<size_t>(i)];
        pane.nID = lpIDArray[i];
        pane.nStyle = SBPS_NORMAL;
        pane.cxText = 0;
        if (pane.nID == ID_SEPARATOR) {
            pane.nStyle = SBPS_NOBORDERS | SBPS_STRETCH;
        } else if (pane.strText.LoadString(pane.nID)) {
            // The indicator's string gives its text and the width it needs.
            pane.cxText = TextWidth(pane.strText);
        }
    }
    m_panes.swap(panes);
    m_nCount = nIDCount;
    UpdateAllPanes(TRUE, TRUE);
    return TRUE;
}

BOOL CStatusBar::IsOwnerDrawnPart(int nIndex) const
{
    if (!m_hWnd || nIndex < 0)
        return FALSE;
    LRESULT info = ::SendMessageA(m_hWnd, SB_GETTEXTLENGTHA, static_cast<WPARAM>(nIndex), 0);
    return (HIWORD(info) & SBT_OWNERDRAW) != 0;
}

void CStatusBar::UpdateAllPanes(BOOL bUpdateRects, BOOL bUpdateText)
{
    if (!m_hWnd)
        return;
    int count = static_cast<int>(m_panes.size());
    if (bUpdateRects) {
        if (count == 0) {
            int edge = -1;
            ::SendMessageA(m_hWnd, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
        } else {
            int borders[3] = {0, 0, 0};
            ::SendMessageA(m_hWnd, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
            RECT client;
            ::GetClientRect(m_hWnd, &client);
            int avail = client.right - client.left;
            if (GetStyle() & SBARS_SIZEGRIP)
                avail -= ::GetSystemMetrics(SM_CXVSCROLL);
            int fixed = 0;
            int stretchCount = 0;
            for (const Pane& pane : m_panes) {
                fixed += pane.cxText + kPaneMargin;
                if (pane.nStyle & SBPS_STRETCH)
                    ++stretchCount;
            }
            fixed += (count - 1) * borders[2];
            int extra = avail - fixed;
            if (extra < 0 || stretchCount == 0)
                extra = 0;
            std::vector<int> edges(static_cast<size_t>(count));
            int right = 0;
            int stretchSeen = 0;
            for (int i = 0; i < count; ++i) {
                const Pane& pane = m_panes[static_cast<size_t>(i)];
                int width = pane.cxText + kPaneMargin;
                if (pane.nStyle & SBPS_STRETCH) {
                    // The slack is shared; the last stretching pane takes the remainder.
                    ++stretchSeen;
                    width += stretchSeen == stretchCount ? extra - (extra / stretchCount) * (stretchCount - 1)
                                                         : extra / stretchCount;
                }
                right += width;
                edges[static_cast<size_t>(i)] = right;
                right += borders[2];
            }
            edges[static_cast<size_t>(count - 1)] = -1;   // to the right edge
            ::SendMessageA(m_hWnd, SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data()));
        }
    }
    if (bUpdateText) {
        for (int i = 0; i < count; ++i) {
            const Pane& pane = m_panes[static_cast<size_t>(i)];
            // Parts the owner draws itself are its own.
            if ((pane.nStyle & SBPS_OWNERDRAW) || IsOwnerDrawnPart(i))
                continue;
            LPCSTR text = (pane.nStyle & SBPS_DISABLED) ? "" : static_cast<LPCSTR>(pane.strText);
            ::SendMessageA(m_hWnd, SB_SETTEXTA, static_cast<WPARAM>(i) | DrawFlags(pane.nStyle),
                           reinterpret_cast<LPARAM>(text));
        }
    }
}

int CStatusBar::CommandToIndex(UINT nIDFind) const noexcept
{
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i].nID == nIDFind)
            return static_cast<int>(i);
    }
    return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const noexcept
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size()))
        return 0;
    return m_panes[static_cast<size_t>(nIndex)].nID;
}

void CStatusBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    if (!lpRect)
        return;
    ::SetRectEmpty(lpRect);
    if (m_hWnd && nIndex >= 0 && nIndex < static_cast<int>(m_panes.size()))
        ::SendMessageA(m_hWnd, SB_GETRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
}

void CStatusBar::GetPaneText(int nIndex, CString& rString) const
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size()))
        rString.Empty();
    else
        rString = m_panes[static_cast<size_t>(nIndex)].strText;
}

CString CStatusBar::GetPaneText(int nIndex) const
{
    CString text;
    GetPaneText(nIndex, text);
    return text;
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCSTR lpszNewText, BOOL bUpdate)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size()))
        return FALSE;
    Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    CString text(lpszNewText ? lpszNewText : "");
    BOOL drawnByOwner = IsOwnerDrawnPart(nIndex);
    if (pane.strText == text && !drawnByOwner)
        return TRUE;
    pane.strText = text;
    if (m_hWnd && !(pane.nStyle & SBPS_OWNERDRAW)) {
        LPCSTR shown = (pane.nStyle & SBPS_DISABLED) ? "" : static_cast<LPCSTR>(pane.strText);
        ::SendMessageA(m_hWnd, SB_SETTEXTA, static_cast<WPARAM>(nIndex) | DrawFlags(pane.nStyle),
                       reinterpret_cast<LPARAM>(shown));
        if (bUpdate)
            ::UpdateWindow(m_hWnd);
    }
    return TRUE;
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) {
        nID = 0;
        nStyle = 0;
        cxWidth = 0;
        return;
    }
    const Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    nID = pane.nID;
    nStyle = pane.nStyle;
    cxWidth = pane.cxText;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size()))
        return;
    if (cxWidth < 0)
        cxWidth = 0;
    Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    pane.nID = nID;
    BOOL layoutChanged = pane.cxText != cxWidth || ((pane.nStyle ^ nStyle) & SBPS_STRETCH);
    BOOL lookChanged = pane.nStyle != nStyle;
    pane.nStyle = nStyle;
    pane.cxText = cxWidth;
    if (layoutChanged)
        UpdateAllPanes(TRUE, FALSE);
    if (lookChanged && m_hWnd && !(nStyle & SBPS_OWNERDRAW) && !IsOwnerDrawnPart(nIndex)) {
        LPCSTR shown = (nStyle & SBPS_DISABLED) ? "" : static_cast<LPCSTR>(pane.strText);
        ::SendMessageA(m_hWnd, SB_SETTEXTA, static_cast<WPARAM>(nIndex) | DrawFlags(nStyle),
                       reinterpret_cast<LPARAM>(shown));
    }
}

UINT CStatusBar::GetPaneStyle(int nIndex) const
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size()))
        return 0;
    return m_panes[static_cast<size_t>(nIndex)].nStyle;
}

void CStatusBar::SetPaneStyle(int nIndex, UINT nStyle)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size()))
        return;
    const Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    SetPaneInfo(nIndex, pane.nID, nStyle, pane.cxText);
}

CSize CStatusBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz)
{
    CSize size = CControlBar::CalcFixedLayout(bStretch, bHorz);
    // One line of the bar's font inside the control's borders.
    int borders[3] = {0, 0, 0};
    if (m_hWnd)
        ::SendMessageA(m_hWnd, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    HDC dc = ::GetDC(m_hWnd);
    int textHeight = 13;
    if (dc) {
        HFONT font = m_hWnd ? reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
        if (!font)
            font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        HGDIOBJ old = ::SelectObject(dc, font);
        TEXTMETRICA tm = {};
        if (::GetTextMetricsA(dc, &tm))
            textHeight = tm.tmHeight;
        ::SelectObject(dc, old);
        ::ReleaseDC(m_hWnd, dc);
    }
    int height = textHeight + 2 * (borders[1] + 2) + 2;
    if (height < m_nMinHeight)
        height = m_nMinHeight;
    size.cy = height;
    return size;
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler)
{
    CStatusCmdUI state;
    state.m_pOther = this;
    state.m_nIndexMax = static_cast<UINT>(m_panes.size());
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; state.m_nIndex++) {
        state.m_nID = m_panes[state.m_nIndex].nID;
        if (state.m_nID != ID_SEPARATOR)
            state.DoUpdate(pTarget, FALSE);   // indicators are never greyed for want of a handler
        state.m_nIndexMax = static_cast<UINT>(m_panes.size());
    }
    UpdateDialogControls(pTarget, bDisableIfNoHndler);
}

void CStatusBar::OnSize(UINT nType, int cx, int cy)
{
    CControlBar::OnSize(nType, cx, cy);
    UpdateAllPanes(TRUE, FALSE);
}

LRESULT CStatusBar::OnSetText(WPARAM, LPARAM lParam)
{
    // The window's text is the message pane's.
    int index = CommandToIndex(ID_SEPARATOR);
    if (index < 0)
        return FALSE;
    return SetPaneText(index, reinterpret_cast<LPCSTR>(lParam));
}

LRESULT CStatusBar::OnGetText(WPARAM wParam, LPARAM lParam)
{
    char* buffer = reinterpret_cast<char*>(lParam);
    int size = static_cast<int>(wParam);
    if (!buffer || size < 1)
        return 0;
    buffer[0] = '\0';
    int index = CommandToIndex(ID_SEPARATOR);
    if (index < 0)
        return 0;
    const CString& text = m_panes[static_cast<size_t>(index)].strText;
    int length = text.GetLength() < size - 1 ? text.GetLength() : size - 1;
    memcpy(buffer, static_cast<LPCSTR>(text), static_cast<size_t>(length));
    buffer[length] = '\0';
    return length;
}

LRESULT CStatusBar::OnGetTextLength(WPARAM, LPARAM)
{
    int index = CommandToIndex(ID_SEPARATOR);
    return index < 0 ? 0 : m_panes[static_cast<size_t>(index)].strText.GetLength();
}
