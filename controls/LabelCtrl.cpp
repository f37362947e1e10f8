#include "controls/LabelCtrl.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CLabelCtrl, CWnd)

BEGIN_MESSAGE_MAP(CLabelCtrl, CWnd)
    ON_WM_SIZE()
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_HSCROLL()
    ON_WM_DESTROY()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDOWN()
    ON_WM_RBUTTONDOWN()
    ON_WM_SYSCOLORCHANGE()
END_MESSAGE_MAP()

namespace {

const char kClassName[] = "LabelCtrl";
const int kMaxLabels = 32;

// Made once for the process by the first strip.
struct Shared {
    bool made = false;
    bool classOk = false;
    HCURSOR sizeWE = nullptr;
    HCURSOR arrow = nullptr;
    int arrowWidth = 32;
    int height = 16;
    HFONT font = nullptr;
};

Shared& TheShared()
{
    static Shared shared;
    if (shared.made)
        return shared;
    shared.made = true;
    shared.sizeWE = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32644));
    shared.arrow = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    shared.arrowWidth = 2 * ::GetSystemMetrics(SM_CXHSCROLL);
    shared.height = std::max(::GetSystemMetrics(SM_CYHSCROLL), 16);
    const int H = shared.height;
    if (LOBYTE(LOWORD(::GetVersion())) >= 6) {
        LOGFONTA lf = {};
        if (::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) {
            // The icon-title font, brought nearer to the strip's height.
            const int h = lf.lfHeight;
            int v;
            if (h >= 0) {
                v = h + 5 > H ? H - 7 : h - 2;
                v = std::max(v, 13);
            } else {
                v = 5 - h > H ? 7 - H : h + 2;
                v = std::min(v, -13);
            }
            lf.lfHeight = v;
            shared.font = ::CreateFontIndirectA(&lf);
        }
    }
    if (!shared.font)
        shared.font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = shared.arrow;
    wc.lpszClassName = kClassName;
    WNDCLASSA existing = {};
    // A failed registration is remembered and Create answers 0, which the host's creation
    // checks. Mends a crash: thrown from the first constructor (a member of the host), the
    // failure met no handler in this exception-free code and ended the program.
    shared.classOk = ::GetClassInfoA(wc.hInstance, kClassName, &existing) || ::RegisterClassA(&wc);
    return shared;
}

// The hook procedure's links into hooked windows' chains. A link finds its record here, never
// through the window's user data: a hook released under another subclass stays in the chain
// after the window has its own user data back, and that data was then taken for a record.
struct HookLink {
    HWND hwnd;
    void* record;      // the strip's hook record; null once released (the link only passes on)
    WNDPROC previous;  // the procedure below the link
};

std::vector<HookLink>& HookLinks()
{
    static std::vector<HookLink> links;
    return links;
}

// The newest link into the window's chain, null.
HookLink* FindHookLink(HWND hwnd)
{
    std::vector<HookLink>& links = HookLinks();
    for (size_t i = links.size(); i-- > 0;) {
        if (links[i].hwnd == hwnd)
            return &links[i];
    }
    return nullptr;
}

void DropHookLink(HWND hwnd)
{
    std::vector<HookLink>& links = HookLinks();
    for (size_t i = links.size(); i-- > 0;) {
        if (links[i].hwnd == hwnd) {
            links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

std::string DefaultText(int i)
{
    return "Fenster " + std::to_string(i + 1);
}

bool IsEditWindow(HWND hwnd)
{
    char cls[16] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, "Edit") == 0;
}

}  // namespace

int CLabelCtrl::ArrowWidth() noexcept
{
    return TheShared().arrowWidth;
}

CLabelCtrl::CLabelCtrl()
{
    const Shared& shared = TheShared();
    m_height = shared.height;
    m_edge = m_height / 4 * 2 + 3;
    for (int i = 0; i < 5; ++i) {
        m_requested[i] = CLR_NONE;
        m_colours[i] = (i == 2 || i == 4) ? 0 : 0xC0C0C0;
    }
}

CLabelCtrl::~CLabelCtrl()
{
    ReleaseHook();
    if (m_piecesDC) {
        ::SelectObject(m_piecesDC, m_piecesOld);
        ::DeleteDC(m_piecesDC);
    }
    if (m_pieces)
        ::DeleteObject(m_pieces);
}

// --- creation

int CLabelCtrl::Create(int count, const void* widths, const void* texts, CWnd* const* windows, const RECT& rect,
                       CWnd* pParentWnd, DWORD dwStyle, UINT nID, DWORD flags)
{
    const Shared& shared = TheShared();
    if (!shared.classOk || m_hWnd)
        return 0;
    if (!widths)
        flags &= ~LCF_WIDTHARRAY;
    if (!texts)
        flags &= ~LCF_TEXTARRAY;
    m_style = dwStyle & 0xFFFF;
    SetLabelCount(count, FALSE);
    if (flags & LCF_WIDTHARRAY)
        SetLabelWidths(count, static_cast<const int*>(widths), FALSE);
    else
        SetAllLabelWidths(static_cast<int>(reinterpret_cast<intptr_t>(widths)));
    if (flags & LCF_TEXTARRAY)
        SetLabelTexts(count, static_cast<const LPCSTR*>(texts), FALSE);
    else if (texts)
        SetLabelTextPrefix(static_cast<LPCSTR>(texts), FALSE);
    DWORD style = dwStyle & 0xFFFF0000u;
    if (flags & LCF_CHILD)
        style |= WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    const int extraY = (m_style & LCS_LINETOP) ? 1 : 0;
    const int extraX = (m_style & LCS_LINERIGHT) ? 1 : 0;
    if (!CWnd::CreateEx(0, kClassName, "", style, rect.left, rect.top, shared.arrowWidth + extraX, m_height + extraY,
                        pParentWnd ? pParentWnd->m_hWnd : nullptr,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID))))
        return 0;
    const CRect none(0, 0, 0, 0);
    m_arrows.Create(WS_CHILD | SBS_HORZ | ((m_style & LCS_NOARROWS) ? 0 : WS_VISIBLE), none, this, kLabelArrowId);
    m_scrollBar.Create(WS_CHILD | SBS_HORZ | ((m_style & LCS_SPLITTER) ? WS_VISIBLE : 0), none, this, kLabelScrollId);
    m_dragBar.Create("STATIC", "", WS_CHILD | SS_GRAYRECT, none, this, 0xFFFF);
    BuildColours();
    m_created = TRUE;
    // The given size, the strip's own height.
    SetWindowPos(nullptr, rect.left, rect.top, std::max<LONG>(rect.right - rect.left, shared.arrowWidth + extraX),
                 m_height + extraY, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    UpdateArrows();
    if (m_style & LCS_SCROLLTAKEOVER)
        SetTimer(kLabelFitTimer, 256, nullptr);
    if (windows) {
        for (int i = 0; i < GetLabelCount(); ++i)
            SetLabelWindow(i, windows[i], nullptr);
    }
    // Label 0 becomes current: its window shows and the others' hide. Selecting the label that
    // is already current does nothing, so without this the windows given here all stayed as
    // they came: another label's window could lie over label 0's, which the strip named current.
    if (!m_labels.empty()) {
        for (size_t i = 1; i < m_labels.size(); ++i) {
            if (m_labels[i].window && m_labels[i].window->GetSafeHwnd())
                m_labels[i].window->ShowWindow(SW_HIDE);
        }
        if (m_labels[m_current].window && m_labels[m_current].window->GetSafeHwnd())
            m_labels[m_current].window->ShowWindow(SW_SHOW);
    }
    return 1;
}

int CLabelCtrl::Create(int count, int width, LPCSTR prefix, const RECT& rect, CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    return Create(count, reinterpret_cast<const void*>(static_cast<intptr_t>(width)), prefix, nullptr, rect, pParentWnd,
                  dwStyle, nID, LCF_CHILD);
}

// --- labels

void CLabelCtrl::Measure(int i)
{
    Label& label = m_labels[i];
    int textWidth = 0;
    if (!label.fixed && m_hWnd && !label.text.empty()) {
        HDC dc = ::GetDC(m_hWnd);
        HGDIOBJ old = ::SelectObject(dc, TheShared().font);
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(dc, label.text.c_str(), static_cast<int>(label.text.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(m_hWnd, dc);
        textWidth = size.cx;
    }
    label.drawn = label.fixed || m_hWnd ? LabelDrawnWidth(label.fixed, textWidth, m_edge) : 10;
}

void CLabelCtrl::Redraw(BOOL redraw)
{
    if (redraw && m_created && m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

int CLabelCtrl::SetLabelCount(int count, BOOL redraw)
{
    const int old = GetLabelCount();
    count = std::min(std::max(count, 0), kMaxLabels);
    if (m_current >= count && m_current != 0)
        SelectLabel(0, FALSE);
    const int before = GetLabelCount();
    m_labels.resize(count);
    for (int i = before; i < count; ++i) {
        m_labels[i].text = DefaultText(i);
        m_labels[i].drawn = 10;   // until a text or width of its own is set
    }
    if (m_current >= count)
        m_current = 0;
    if (m_created) {
        KeepCurrentVisible(FALSE);
        UpdateArrows();
    }
    Redraw(redraw);
    return old;
}

int CLabelCtrl::SetLabelText(int i, LPCSTR text, BOOL redraw)
{
    if (i < 0 || i >= GetLabelCount())
        return -1;
    m_labels[i].text = text ? std::string(text, strnlen(text, 4096)) : DefaultText(i);
    if (!m_labels[i].fixed)
        Measure(i);
    if (m_created)
        KeepCurrentVisible(FALSE);
    Redraw(redraw);
    return 0;
}

int CLabelCtrl::SetLabelTexts(int n, const LPCSTR* texts, BOOL redraw)
{
    if (!texts)
        return -1;
    for (int i = 0; i < std::min(n, GetLabelCount()); ++i) {
        if (texts[i])
            SetLabelText(i, texts[i], FALSE);
    }
    Redraw(redraw);
    return 0;
}

int CLabelCtrl::SetLabelTextList(const LPCSTR* texts, BOOL redraw)
{
    if (!texts)
        return -1;
    for (int i = 0; i < GetLabelCount() && texts[i] && texts[i][0]; ++i)
        SetLabelText(i, texts[i], FALSE);
    Redraw(redraw);
    return 0;
}

int CLabelCtrl::SetLabelTextPrefix(LPCSTR prefix, BOOL redraw)
{
    if (!prefix)
        return -1;
    for (int i = 0; i < GetLabelCount(); ++i)
        SetLabelText(i, LabelPrefixText(prefix, i + 1).c_str(), FALSE);
    Redraw(redraw);
    return 0;
}

const char* CLabelCtrl::GetLabelText(int i) const noexcept
{
    return i >= 0 && i < GetLabelCount() ? m_labels[i].text.c_str() : nullptr;
}

int CLabelCtrl::SetLabelWidth(int i, int width, BOOL redraw)
{
    if (i < 0 || i >= GetLabelCount() || width < 0)
        return -1;
    const int old = m_labels[i].fixed;
    m_labels[i].fixed = width;
    Measure(i);
    if (m_created)
        KeepCurrentVisible(FALSE);
    Redraw(redraw);
    return old;
}

int CLabelCtrl::SetAllLabelWidths(int width)
{
    if (m_labels.empty())
        return -1;
    const int old = m_labels[0].fixed;
    for (int i = 0; i < GetLabelCount(); ++i) {
        if (m_labels[i].fixed != width)
            SetLabelWidth(i, width, FALSE);   // which refuses a negative width
    }
    return old;
}

int CLabelCtrl::SetLabelWidths(int n, const int* widths, BOOL redraw)
{
    if (!widths || m_labels.empty())
        return -1;
    const int old = m_labels[0].fixed;
    for (int i = 0; i < std::min(n, GetLabelCount()); ++i) {
        if (m_labels[i].fixed != widths[i] && widths[i] >= 0)
            SetLabelWidth(i, widths[i], FALSE);
    }
    Redraw(redraw);
    return old;
}

int CLabelCtrl::GetLabelWidth(int i) const noexcept
{
    return i >= 0 && i < GetLabelCount() ? m_labels[i].fixed : -1;
}

int CLabelCtrl::GetDrawnWidth(int i) const noexcept
{
    return i >= 0 && i < GetLabelCount() ? m_labels[i].drawn : -1;
}

int CLabelCtrl::SetLabelWindow(int i, CWnd* window, LabelMessageFilter filter)
{
    if (i < 0 || i >= GetLabelCount())
        return -1;
    Label& label = m_labels[i];
    if (i == m_current && m_hook.window == label.window && label.window != window)
        ReleaseHook();
    label.window = window;
    label.filter = filter;
    label.border = window && window->GetSafeHwnd() && IsEditWindow(window->m_hWnd) ? 0 : 2;
    if (i == m_current && m_created) {
        if (m_style & LCS_SCROLLTAKEOVER)
            HookWindow(i);
        Notify();
    }
    return 0;
}

int CLabelCtrl::AttachWindows(int n, CWnd* first, size_t objectSize, LabelMessageFilter filter)
{
    if (n < 0)
        return -1;
    char* at = reinterpret_cast<char*>(first);
    for (int i = 0; i < std::min(n, GetLabelCount()); ++i)
        SetLabelWindow(i, first ? reinterpret_cast<CWnd*>(at + objectSize * static_cast<size_t>(i)) : nullptr, filter);
    return 0;
}

int CLabelCtrl::AttachWindowList(int n, CWnd* const* windows, LabelMessageFilter filter)
{
    if (n < 0 || !windows)
        return -1;
    for (int i = 0; i < std::min(n, GetLabelCount()); ++i)
        SetLabelWindow(i, windows[i], filter);
    return 0;
}

CWnd* CLabelCtrl::GetLabelWindow(int i) const noexcept
{
    return i >= 0 && i < GetLabelCount() ? m_labels[i].window : nullptr;
}

int CLabelCtrl::FindLabelByWindow(const CWnd* window) const noexcept
{
    for (int i = 0; i < GetLabelCount(); ++i) {
        if (window && m_labels[i].window == window)
            return i;
    }
    return -1;
}

int CLabelCtrl::FindLabelById(UINT id) const noexcept
{
    for (int i = 0; i < GetLabelCount(); ++i) {
        HWND h = m_labels[i].window ? m_labels[i].window->GetSafeHwnd() : nullptr;
        if (h && ::IsWindow(h) && static_cast<UINT>(::GetDlgCtrlID(h)) == id)
            return i;
    }
    return -1;
}

CWnd* CLabelCtrl::FindWindowById(UINT id) const noexcept
{
    int i = FindLabelById(id);
    return i >= 0 ? m_labels[i].window : nullptr;
}

int CLabelCtrl::SetLabelBorder(int i, int pixels)
{
    if (i < 0 || i >= GetLabelCount())
        return -1;
    const int old = m_labels[i].border;
    m_labels[i].border = pixels;
    if (i == m_current) {
        m_hook.border = pixels;
        FitHooked();
    }
    return old;
}

int CLabelCtrl::SelectLabel(int i, BOOL updateArrows)
{
    const int old = m_current;
    if (i == m_current || i < 0 || i >= GetLabelCount())
        return old;
    m_current = i;
    if ((m_style & LCS_SCROLLTAKEOVER) && m_created) {
        ReleaseHook();
        HookWindow(i);
        SyncScrollBar();
        if ((m_style & LCS_KEEPSPLITTER) && !(m_labels[i].window && m_labels[i].window->GetSafeHwnd()) &&
            m_savedSplitter >= 0) {
            m_splitter = m_savedSplitter;
            m_savedSplitter = -1;
            Layout();
        }
    }
    CWnd* now = m_labels[i].window;
    CWnd* before = old < GetLabelCount() ? m_labels[old].window : nullptr;
    if (now && now->GetSafeHwnd() && ::IsWindow(now->m_hWnd))
        now->ShowWindow(SW_SHOW);
    if (before && before != now && before->GetSafeHwnd() && ::IsWindow(before->m_hWnd))
        before->ShowWindow(SW_HIDE);
    if (m_created) {
        KeepCurrentVisible(FALSE);
        Redraw(TRUE);
        Notify();
    }
    if (updateArrows)
        UpdateArrows();
    return old;
}

DWORD CLabelCtrl::SetStyle(DWORD style)
{
    style &= 0xFFFF;
    if (((m_style ^ style) & LCS_SCROLLTAKEOVER) && (m_style & LCS_SCROLLTAKEOVER)) {
        ReleaseHook();
        if (m_hWnd)
            KillTimer(kLabelFitTimer);
    }
    const bool takeOver = !(m_style & LCS_SCROLLTAKEOVER) && (style & LCS_SCROLLTAKEOVER);
    m_style = style;
    if (m_created) {
        if (m_arrows.m_hWnd)
            m_arrows.ShowWindow((m_style & LCS_NOARROWS) ? SW_HIDE : SW_SHOW);
        if (m_scrollBar.m_hWnd)
            m_scrollBar.ShowWindow((m_style & LCS_SPLITTER) ? SW_SHOW : SW_HIDE);
        if (takeOver) {
            HookWindow(m_current);
            SetTimer(kLabelFitTimer, 256, nullptr);
        }
        Layout();
    }
    Redraw(TRUE);
    return m_style;
}

COLORREF CLabelCtrl::SetColour(int index, COLORREF colour)
{
    if (index < 0 || index > 4)
        return CLR_NONE;
    COLORREF old = m_requested[index];
    if (old == colour)
        return old;
    m_requested[index] = colour;
    BuildColours();
    Redraw(TRUE);
    return old;
}

COLORREF CLabelCtrl::GetColour(int index) const noexcept
{
    return index >= 0 && index <= 4 ? m_requested[index] : CLR_NONE;
}

void CLabelCtrl::RecalcLayout()
{
    FitHooked();
}

void CLabelCtrl::SetChildArea(int x, int y, int cx, int cy)
{
    m_childArea = CRect(x, y, x + std::max(cx, 0), y + std::max(cy, 0));
}

CScrollBar* CLabelCtrl::GetScrollBar(int bar)
{
    return bar == SB_HORZ ? &m_scrollBar : nullptr;
}

// --- colours and layout

void CLabelCtrl::BuildColours()
{
    static const int defaults[5] = {COLOR_3DLIGHT, COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_3DLIGHT, -1};
    for (int i = 0; i < 5; ++i) {
        if (m_requested[i] != CLR_NONE)
            m_colours[i] = m_requested[i] & 0xFFFFFF;
        else
            m_colours[i] = defaults[i] >= 0 ? ::GetSysColor(defaults[i]) : RGB(0, 0, 0);
    }
    m_edge = LabelEdgeWidth(m_height);
    for (int i = 0; i < GetLabelCount(); ++i)
        Measure(i);
    if (!m_hWnd)
        return;
    std::vector<uint32_t> pixels = LabelEdgePieces(m_edge, m_height, m_colours[0], m_colours[1], m_colours[3], m_colours[4]);
    if (m_piecesDC) {
        ::SelectObject(m_piecesDC, m_piecesOld);
        ::DeleteDC(m_piecesDC);
        m_piecesDC = nullptr;
    }
    if (m_pieces)
        ::DeleteObject(m_pieces);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 8 * m_edge;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_pieces = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_pieces && bits) {
        std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));
        m_piecesDC = ::CreateCompatibleDC(nullptr);
        m_piecesOld = ::SelectObject(m_piecesDC, m_pieces);
    }
}

void CLabelCtrl::Layout()
{
    if (!m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    const int oldWidth = m_width;
    const int oldSplitter = m_splitter;
    m_width = client.Width();
    m_heightClient = client.Height();
    const int W = TheShared().arrowWidth;
    m_splitter = LabelSplitterPosition(m_width, W, (m_style & LCS_SPLITTER) != 0, m_splitterFollows, m_splitter);
    m_areaLeft = ((m_style & LCS_NOARROWS) ? 0 : W) + ((m_style & LCS_LINELEFT) ? 1 : 0);
    m_areaTop = (m_style & LCS_LINETOP) ? 1 : 0;
    m_labelArea = CRect(m_areaLeft, m_areaTop, std::max(m_areaLeft, m_splitter), m_areaTop + m_height);
    if (m_created) {
        if (m_arrows.m_hWnd)
            m_arrows.MoveWindow(0, m_areaTop, W, m_height, TRUE);
        if (m_scrollBar.m_hWnd)
            m_scrollBar.MoveWindow(m_splitter + 4, m_areaTop, std::max(0, m_width - m_splitter - 4), m_height, TRUE);
        UpdateArrows();
        if (m_style & LCS_SCROLLTAKEOVER)
            FitHooked();
    }
    if (oldWidth != m_width || oldSplitter != m_splitter)
        KeepCurrentVisible(TRUE);
}

void CLabelCtrl::KeepCurrentVisible(BOOL redraw)
{
    if (m_labels.empty())
        return;
    std::vector<int> widths;
    for (const Label& l : m_labels)
        widths.push_back(l.drawn);
    LabelScroll next = LabelKeepVisible(widths, m_edge, m_current, m_splitter - m_areaLeft - 10, m_scroll);
    if (!(next == m_scroll)) {
        m_scroll = next;
        if (redraw && m_hWnd)
            InvalidateRect(&m_labelArea, FALSE);
    }
}

void CLabelCtrl::UpdateArrows()
{
    if (!m_created || !m_arrows.m_hWnd)
        return;
    const int count = GetLabelCount();
    if (m_lastArrowPos != m_current || m_lastArrowPos < 0 || m_lastArrowCount != count) {
        SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS};
        si.nMin = 0;
        si.nMax = std::max(count - 1, 0);
        si.nPage = 1;
        si.nPos = m_current;
        m_arrows.SetScrollInfo(&si, TRUE);
        m_lastArrowPos = m_current;
        m_lastArrowCount = count;
    }
    const int state = count < 2 ? 3 : (m_current == 0 ? 1 : (m_current == count - 1 ? 2 : 0));
    if (state != m_arrowState) {
        m_arrowState = state;
        m_arrows.EnableScrollBar(ESB_ENABLE_BOTH);
        if (state == 1)
            m_arrows.EnableScrollBar(ESB_DISABLE_LEFT);
        else if (state == 2)
            m_arrows.EnableScrollBar(ESB_DISABLE_RIGHT);
        else if (state == 3)
            m_arrows.EnableScrollBar(ESB_DISABLE_BOTH);
    }
}

void CLabelCtrl::Notify()
{
    if (!m_created || !m_hWnd)
        return;
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return;
    LabelNotify n = {};
    n.hdr.hwndFrom = m_hWnd;
    n.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    n.hdr.code = 1;
    n.stripData = ::GetWindowLongPtrA(m_hWnd, GWLP_USERDATA);
    CWnd* window = m_current < GetLabelCount() ? m_labels[m_current].window : nullptr;
    HWND h = window ? window->GetSafeHwnd() : nullptr;
    if (h && !::IsWindow(h))
        h = nullptr;
    n.windowData = h ? ::GetWindowLongPtrA(h, GWLP_USERDATA) : 0;
    n.current = m_current;
    n.window = h;
    ::SendMessageA(parent, WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
}

// --- scroll take-over

bool CLabelCtrl::IsHookedAlive() const noexcept
{
    return m_hook.hwnd && ::IsWindow(m_hook.hwnd);
}

void CLabelCtrl::HookWindow(int i)
{
    if (i < 0 || i >= GetLabelCount())
        return;
    CWnd* window = m_labels[i].window;
    HWND hwnd = window ? window->GetSafeHwnd() : nullptr;
    if (!hwnd || !::IsWindow(hwnd))
        return;
    if (m_hook.hwnd && m_hook.hwnd != hwnd)
        ReleaseHook();
    if (m_hook.hwnd == hwnd)
        return;
    // A window another strip holds stays with it: one hook procedure a window, or the
    // second link would call itself for every message until the stack runs out.
    if (const HookLink* held = FindHookLink(hwnd)) {
        if (held->record)
            return;
    }
    m_hook.window = window;
    m_hook.hwnd = hwnd;
    m_hook.owner = this;
    m_hook.filter = m_labels[i].filter;
    m_hook.border = m_labels[i].border;
    m_hook.savedStyle = ::GetWindowLongA(hwnd, GWL_STYLE);
    m_hook.hadHScroll = (m_hook.savedStyle & WS_HSCROLL) != 0;
    if (!(m_hook.savedStyle & WS_CLIPSIBLINGS))
        ::SetWindowLongA(hwnd, GWL_STYLE, m_hook.savedStyle | WS_CLIPSIBLINGS);
    // Brought up above its siblings: the other labels' windows share its place.
    ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    char cls[32] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    m_scrollMethod = lstrcmpiA(cls, "SysListView32") == 0 ? 1 : 0;
    // The window's own user data is kept and given back when the hook lets go.
    m_hook.previousUserData = ::GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_hook));
    HookLink* link = FindHookLink(hwnd);
    if (link && !link->record) {
        // Our procedure still sits in the chain under another subclass: that link serves again.
        link->record = &m_hook;
        m_hook.previous = link->previous;
    } else {
        m_hook.previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CLabelCtrl::HookProc)));
        HookLinks().push_back({hwnd, &m_hook, m_hook.previous});
    }
    SyncScrollBar();
    ::SendMessageA(hwnd, WM_LABELSYNC, 0, 0);
}

void CLabelCtrl::ReleaseHook()
{
    HWND hwnd = m_hook.hwnd;
    if (!hwnd)
        return;
    if (::IsWindow(hwnd)) {
        ::SetWindowLongA(hwnd, GWL_STYLE, m_hook.savedStyle);
        if (!m_childArea.IsRectEmpty())
            ::SetWindowPos(hwnd, nullptr, m_childArea.left, m_childArea.top, m_childArea.Width(), m_childArea.Height(),
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC)) == &CLabelCtrl::HookProc) {
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_hook.previous));
            DropHookLink(hwnd);
        } else if (HookLink* link = FindHookLink(hwnd)) {
            link->record = nullptr;   // under another subclass: the link stays and passes on
        }
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, m_hook.previousUserData);
    } else {
        DropHookLink(hwnd);
    }
    if (m_scrollBar.m_hWnd) {
        SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS};
        m_scrollBar.SetScrollInfo(&si, TRUE);
    }
    m_hook = Hook();
}

void CLabelCtrl::SyncScrollBar()
{
    if (!IsHookedAlive() || !m_scrollBar.m_hWnd)
        return;
    SCROLLINFO window = {sizeof window, SIF_ALL};
    if (!::GetScrollInfo(m_hook.hwnd, SB_HORZ, &window)) {
        window.nMin = window.nMax = window.nPos = 0;
        window.nPage = 0;
    }
    SCROLLINFO mine = {sizeof mine, SIF_ALL};
    m_scrollBar.GetScrollInfo(&mine, SIF_ALL);
    if (mine.nMin != window.nMin || mine.nMax != window.nMax || mine.nPage != window.nPage || mine.nPos != window.nPos) {
        window.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        m_scrollBar.SetScrollInfo(&window, TRUE);
    }
}

void CLabelCtrl::FitHooked()
{
    if (!(m_style & LCS_SCROLLTAKEOVER))
        return;
    if (m_hook.hwnd && !::IsWindow(m_hook.hwnd)) {
        DropHookLink(m_hook.hwnd);
        m_hook = Hook();   // gone: dropped
        return;
    }
    if (!(m_style & LCS_SPLITTER) || !m_hook.hwnd || m_childArea.IsRectEmpty())
        return;
    HWND hwnd = m_hook.hwnd;
    const bool scrollBar = (::GetWindowLongA(hwnd, GWL_STYLE) & WS_HSCROLL) != 0;
    if (m_style & LCS_KEEPSPLITTER) {
        if (m_hook.hadHScroll && !scrollBar) {
            m_savedSplitter = m_splitter;
            m_hook.hadHScroll = false;
            Layout();
            Redraw(TRUE);
        } else if (!m_hook.hadHScroll && scrollBar) {
            if (m_savedSplitter >= 0) {
                m_splitter = m_savedSplitter;
                m_savedSplitter = -1;
            }
            m_hook.hadHScroll = true;
            Layout();
            Redraw(TRUE);
        }
    }
    CRect area = m_childArea;
    if (scrollBar) {
        // The window's own scroll bar lies just below the area; the strip's replaces it.
        CRect window, client;
        ::GetWindowRect(hwnd, &window);
        ::GetClientRect(hwnd, &client);
        const int nonClient = window.Height() - client.Height();
        area.bottom = area.top + nonClient + m_childArea.Height() + m_hook.border;
    }
    CRect now;
    ::GetWindowRect(hwnd, &now);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&now), 2);
    if (now != area)
        ::SetWindowPos(hwnd, nullptr, area.left, area.top, area.Width(), area.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK CLabelCtrl::HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    const HookLink* link = FindHookLink(hwnd);
    if (!link)
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    if (!link->record) {
        // Released under another subclass: the window's own procedure gets everything.
        const WNDPROC previous = link->previous;
        if (msg == WM_NCDESTROY)
            DropHookLink(hwnd);
        return ::CallWindowProcA(previous, hwnd, msg, wp, lp);
    }
    Hook* hook = static_cast<Hook*>(link->record);
    if (hook->hwnd != hwnd || !hook->owner)
        return ::CallWindowProcA(link->previous, hwnd, msg, wp, lp);
    return hook->owner->HookMessage(msg, wp, lp);
}

LRESULT CLabelCtrl::HookMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    const HWND hwnd = m_hook.hwnd;
    const WNDPROC previous = m_hook.previous;
    CWnd* object = m_hook.window;
    const LabelMessageFilter filter = m_hook.filter;
    auto pass = [&]() {
        return filter ? filter(previous, hwnd, msg, wp, lp, object) : ::CallWindowProcA(previous, hwnd, msg, wp, lp);
    };
    if (msg == WM_NCDESTROY) {
        // The window goes: its procedure and data are its own again.
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, m_hook.previousUserData);
        DropHookLink(hwnd);
        m_hook = Hook();
        return ::CallWindowProcA(previous, hwnd, msg, wp, lp);
    }
    if (m_hook.busy)
        return pass();
    m_hook.busy = true;
    LRESULT result = pass();
    if (m_hook.hwnd != hwnd) {
        return result;   // released meanwhile
    }
    switch (msg) {
    case WM_NCCALCSIZE:
        if ((m_style & LCS_KEEPSPLITTER) && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_HSCROLL) && lp &&
            !m_childArea.IsRectEmpty()) {
            RECT* r = reinterpret_cast<RECT*>(lp);
            r->bottom = r->top + m_childArea.Height() + m_hook.border;
        }
        break;
    case WM_SHOWWINDOW:
    case WM_ERASEBKGND:
    case WM_SIZE:
        SyncScrollBar();
        FitHooked();
        break;
    case WM_HSCROLL:
        if (lp == 0)
            SyncScrollBar();
        break;
    case WM_PAINT:
    case WM_NOTIFY:
    case WM_TIMER:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LABELSYNC:
        SyncScrollBar();
        break;
    default:
        if (msg >= 0x201 && msg <= 0x209)
            SyncScrollBar();
        break;
    }
    if (m_hook.hwnd == hwnd)
        m_hook.busy = false;
    return result;
}

// --- messages

void CLabelCtrl::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    Layout();
}

void CLabelCtrl::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kLabelArrowTimer) {
        KillTimer(kLabelArrowTimer);
        m_lastArrowPos = -1;
        m_arrowState = -1;
        UpdateArrows();
        if (m_arrows.m_hWnd)
            m_arrows.Invalidate();
        return;
    }
    if (nIDEvent == kLabelFitTimer) {
        FitHooked();
        return;
    }
    CWnd::OnTimer(nIDEvent);
}

BOOL CLabelCtrl::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void CLabelCtrl::OnPaint()
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    if (!dc)
        return;
    PaintStrip(dc);
    ::EndPaint(m_hWnd, &ps);
}

void CLabelCtrl::PaintStrip(HDC dc)
{
    CRect client;
    GetClientRect(&client);
    auto fill = [dc](const RECT& r, COLORREF c) {
        ::SetBkColor(dc, c);
        ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    };
    // The whole strip, then the labels from the first shown one.
    fill(client, m_colours[3]);
    const RECT area = LabelDrawingRect(m_labelArea, m_style);
    HGDIOBJ oldFont = ::SelectObject(dc, TheShared().font);
    HRGN clip = ::CreateRectRgn(area.left, area.top, area.right, area.bottom);
    ::SelectClipRgn(dc, clip);
    const int count = GetLabelCount();
    int x = m_labelArea.left - m_scroll.offset;
    int i = std::min(m_scroll.first, std::max(count - 1, 0));
    const int top = m_labelArea.top;
    RECT joined = {0, 0, 0, 0};
    for (; i < count && x < m_labelArea.right; ++i) {
        const bool current = i == m_current;
        int piece;
        if (i == 0)
            piece = current ? 2 : 1;
        else if (i - 1 == m_current)
            piece = 7;
        else
            piece = current ? 5 : 4;
        if (m_piecesDC)
            ::BitBlt(dc, x, top, m_edge, m_height, m_piecesDC, piece * m_edge, 0, SRCCOPY);
        x += m_edge;
        const Label& label = m_labels[i];
        RECT body = {x, top, x + label.drawn, top + m_height};
        ::SetTextColor(dc, m_colours[2]);
        ::SetBkColor(dc, current ? m_colours[1] : m_colours[0]);
        SIZE size = {0, 0};
        ::GetTextExtentPoint32A(dc, label.text.c_str(), static_cast<int>(label.text.size()), &size);
        int y = top + (m_height - size.cy) / 2 - ((current && (m_style & LCS_JOINCURRENT)) ? 1 : 0);
        RECT textRect = body;
        textRect.bottom -= 1;
        ::ExtTextOutA(dc, x + 2, y, ETO_OPAQUE | ETO_CLIPPED, &textRect, label.text.c_str(),
                      static_cast<UINT>(label.text.size()), nullptr);
        fill(RECT{body.left, body.bottom - 1, body.right, body.bottom}, m_colours[4]);
        if (current && (m_style & LCS_JOINCURRENT))
            joined = RECT{std::max(body.left - m_edge, area.left), 0, std::min(body.right + m_edge, area.right), 1};
        x += label.drawn;
    }
    if (i >= count && count > 0 && m_piecesDC)
        ::BitBlt(dc, x, top, m_edge, m_height, m_piecesDC, ((count - 1) == m_current ? 6 : 3) * m_edge, 0, SRCCOPY);
    ::SelectClipRgn(dc, nullptr);
    ::DeleteObject(clip);
    ::SelectObject(dc, oldFont);
    // Border lines and the splitter's grip.
    if (m_style & LCS_LINETOP)
        fill(RECT{0, 0, client.right, 1}, m_colours[4]);
    if (m_style & LCS_LINEBOTTOM)
        fill(RECT{0, client.bottom - 1, client.right, client.bottom}, m_colours[4]);
    if (m_style & LCS_LINELEFT)
        fill(RECT{0, 0, 1, client.bottom}, m_colours[4]);
    if (m_style & LCS_LINERIGHT)
        fill(RECT{client.right - 1, 0, client.right, client.bottom}, m_colours[4]);
    // The current label opens into the window above: its top edge, the top line included,
    // takes its own background.
    if (joined.right > joined.left)
        fill(joined, m_colours[1]);
    if (m_style & LCS_SPLITTER) {
        RECT grip = {m_splitter, top, m_splitter + 4, top + m_height};
        fill(grip, ::GetSysColor(COLOR_3DLIGHT));
        fill(RECT{grip.left + 1, grip.top + 2, grip.left + 2, grip.bottom - 2}, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        fill(RECT{grip.left + 2, grip.top + 2, grip.left + 3, grip.bottom - 2}, ::GetSysColor(COLOR_BTNSHADOW));
    }
}

void CLabelCtrl::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    HWND from = pScrollBar ? pScrollBar->m_hWnd : nullptr;
    if (from && from == m_arrows.m_hWnd) {
        if (nSBCode == SB_LINEUP)
            SelectLabel(m_current - 1, TRUE);
        else if (nSBCode == SB_LINEDOWN)
            SelectLabel(m_current + 1, TRUE);
        SetTimer(kLabelArrowTimer, 150, nullptr);
        return;
    }
    if (from && from == m_scrollBar.m_hWnd && IsHookedAlive()) {
        HWND hwnd = m_hook.hwnd;
        SCROLLINFO si = {sizeof si, SIF_ALL};
        if (!::GetScrollInfo(hwnd, SB_HORZ, &si))
            return;
        int pos = si.nPos;
        switch (nSBCode) {
        case SB_LINELEFT: pos -= 1; break;
        case SB_LINERIGHT: pos += 1; break;
        case SB_PAGELEFT: pos -= static_cast<int>(si.nPage); break;
        case SB_PAGERIGHT: pos += static_cast<int>(si.nPage); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: pos = static_cast<int>(nPos); break;
        case SB_LEFT: pos = si.nMin; break;
        case SB_RIGHT: pos = si.nMax; break;
        default: return;
        }
        const int highest = std::max(si.nMin, si.nMax - std::max(static_cast<int>(si.nPage), 1) + 1);
        pos = std::min(std::max(pos, si.nMin), highest);
        if (m_scrollMethod == 1) {
            ::SendMessageA(hwnd, LVM_SCROLL, static_cast<WPARAM>(pos - si.nPos), 0);
        } else {
            SCROLLINFO set = {sizeof set, SIF_POS};
            set.nPos = pos;
            ::SetScrollInfo(hwnd, SB_HORZ, &set, TRUE);
            ::SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(nSBCode, pos), 0);
        }
        SyncScrollBar();
        return;
    }
    CWnd::OnHScroll(nSBCode, nPos, pScrollBar);
}

void CLabelCtrl::OnDestroy()
{
    if (m_style & LCS_SCROLLTAKEOVER)
        KillTimer(kLabelFitTimer);
    ReleaseHook();
    m_created = FALSE;
    m_labels.clear();
    m_current = 0;
    if (m_piecesDC) {
        ::SelectObject(m_piecesDC, m_piecesOld);
        ::DeleteDC(m_piecesDC);
        m_piecesDC = nullptr;
    }
    if (m_pieces)
        ::DeleteObject(m_pieces);
    m_pieces = nullptr;
    CWnd::OnDestroy();
}

void CLabelCtrl::OnMouseMove(UINT nFlags, CPoint point)
{
    if (m_dragging) {
        const int W = TheShared().arrowWidth;
        m_dragPos = std::min(std::max(static_cast<int>(point.x), W), m_width - W - 4);
        if (m_dragBar.m_hWnd)
            m_dragBar.MoveWindow(m_dragPos, m_areaTop, 4, m_height, TRUE);
        return;
    }
    const bool onSplitter = (m_style & LCS_SPLITTER) && point.x >= m_splitter && point.x < m_splitter + 4;
    ::SetCursor(onSplitter ? TheShared().sizeWE : TheShared().arrow);
    CWnd::OnMouseMove(nFlags, point);
}

void CLabelCtrl::OnLButtonDown(UINT nFlags, CPoint point)
{
    (void)nFlags;
    if (point.x < m_areaLeft || point.y < m_areaTop)
        return;
    if ((m_style & LCS_SPLITTER) && point.x >= m_splitter && point.x < m_splitter + 4 && point.y < m_areaTop + m_height) {
        m_dragging = true;
        m_dragStart = point;
        m_dragPos = m_splitter;
        SetCapture();
        if (m_dragBar.m_hWnd) {
            m_dragBar.MoveWindow(m_splitter, m_areaTop, 4, m_height, TRUE);
            m_dragBar.ShowWindow(SW_SHOW);
        }
        return;
    }
    if (point.x >= m_splitter)
        return;
    std::vector<int> widths;
    for (const Label& l : m_labels)
        widths.push_back(l.drawn);
    const int hit = LabelAtPoint(widths, m_edge, m_scroll, point.x - m_areaLeft);
    if (hit >= 0)
        SelectLabel(hit, TRUE);
}

void CLabelCtrl::OnLButtonUp(UINT nFlags, CPoint point)
{
    if (!m_dragging) {
        CWnd::OnLButtonUp(nFlags, point);
        return;
    }
    m_dragging = false;
    if (m_dragBar.m_hWnd)
        m_dragBar.ShowWindow(SW_HIDE);
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    if (m_dragPos != m_splitter) {
        m_splitter = m_dragPos;
        m_splitterFollows = false;
        Layout();
        Redraw(TRUE);
        CWnd* window = m_current < GetLabelCount() ? m_labels[m_current].window : nullptr;
        if (window && window->GetSafeHwnd())
            ::RedrawWindow(window->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void CLabelCtrl::OnRButtonDown(UINT nFlags, CPoint point)
{
    if (point.x >= m_areaLeft && point.y >= m_areaTop && point.x < m_splitter) {
        std::vector<int> widths;
        for (const Label& l : m_labels)
            widths.push_back(l.drawn);
        const int hit = LabelAtPoint(widths, m_edge, m_scroll, point.x - m_areaLeft);
        if (hit >= 0)
            SelectLabel(hit, TRUE);
    }
    if (m_style & LCS_NORIGHTCLICK)
        return;
    CWnd* window = m_current < GetLabelCount() ? m_labels[m_current].window : nullptr;
    HWND target = window ? window->GetSafeHwnd() : nullptr;
    if (!target || !::IsWindow(target))
        return;
    // At the mouse position, kept one pixel inside the window's client area.
    POINT pt = point;
    ::MapWindowPoints(m_hWnd, target, &pt, 1);
    RECT client;
    ::GetClientRect(target, &client);
    pt.x = std::min(std::max(pt.x, client.left + 1), std::max(client.left + 1, client.right - 2));
    pt.y = std::min(std::max(pt.y, client.top + 1), std::max(client.top + 1, client.bottom - 2));
    // Both carry the key state of the press as it came.
    ::PostMessageA(target, WM_RBUTTONDOWN, nFlags, MAKELPARAM(pt.x, pt.y));
    ::PostMessageA(target, WM_RBUTTONUP, nFlags, MAKELPARAM(pt.x, pt.y));
}

void CLabelCtrl::OnSysColorChange()
{
    CWnd::OnSysColorChange();
    BuildColours();
    Redraw(TRUE);
}
