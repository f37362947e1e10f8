#include "views/AnsiView.h"

#include "views/AnsiViewInternal.h"

#include <stdlib.h>
#include <string.h>

using namespace ansiview_detail;

namespace ansiview_detail {

CAnsiView* g_chainHead = nullptr;
HCURSOR g_ibeam = nullptr;
HCURSOR g_hand = nullptr;

}  // namespace ansiview_detail

namespace {

AnsiViewSystemSeam g_seam = { ::GetAsyncKeyState, ::GetTickCount, ::MessageBeep, ::GetKeyState };
int g_liveViews = 0;
const char* g_className = nullptr;

}  // namespace

void SetAnsiViewSystemSeam(const AnsiViewSystemSeam* seam)
{
    g_seam.getAsyncKeyState = (seam && seam->getAsyncKeyState) ? seam->getAsyncKeyState : ::GetAsyncKeyState;
    g_seam.getTickCount = (seam && seam->getTickCount) ? seam->getTickCount : ::GetTickCount;
    g_seam.messageBeep = (seam && seam->messageBeep) ? seam->messageBeep : ::MessageBeep;
    g_seam.getKeyState = (seam && seam->getKeyState) ? seam->getKeyState : ::GetKeyState;
}

// Shift and Ctrl as the keyboard holds them now. A key the asynchronous state calls released
// while the message being handled came with it held counts as held: that state can lag behind
// the queue (Wine answers a thread's repeated asks from a copy up to 50 ms old, and does not
// renew it for keys pressed in another process), and a Ctrl+F typed right after the focus came
// was taken as a plain F. A key let go before that message was sent is never seen as held by
// this.
SHORT AnsiViewKeyState(int key)
{
    const SHORT now = g_seam.getAsyncKeyState(key);
    if (now & 0x8000)
        return now;
    return static_cast<SHORT>(now | (g_seam.getKeyState(key) & 0x8000));
}

DWORD AnsiViewTickCount()
{
    return g_seam.getTickCount();
}

void AnsiViewBeep(UINT type)
{
    g_seam.messageBeep(type);
}

// ---------------------------------------------------------------------------------------------
// Construction and creation

CAnsiView::CAnsiView(const char* viewName, int columnCount, int lineCountArgument)
    : m_layout(this, columnCount, lineCountArgument),
      m_settings(JoinSettingsGroup(viewName)),
      m_cursorShape(nullptr),
      m_keyState(0),
      m_lastPair(-1),
      m_lastStyle(-1),
      m_rightPressCell{ 0, 0 },
      m_rightPressPoint{ 0, 0 },
      m_panStart{ 0, 0 },
      m_lastClick{ 0, 0 },
      m_lastMouseCell{ 0, 0 },
      m_rightMode(0),
      m_leftMode(0),
      m_captureKind(CAPTURE_NONE),
      m_holdTicks(0),
      m_dragTimer(DRAG_NONE),
      m_speedX(0),
      m_speedY(0),
      m_doubleClickGuard(0),
      m_hasFocus(false),
      m_caretShown(false),
      m_caretY(0),
      m_caretCreated(false),
      m_ownRegistryPath(nullptr),
      m_sizeBoxColor(::GetSysColor(COLOR_3DFACE)),
      m_next(g_chainHead),
      m_previous(nullptr),
      m_barsMoved(false),
      m_advanceWidth(0)
{
    if (!g_ibeam)
        g_ibeam = ::LoadCursor(nullptr, IDC_IBEAM);
    if (!g_hand)
        g_hand = ::LoadCursor(nullptr, IDC_HAND);
    m_cursorShape = g_ibeam;
    memset(m_barWindows, 0, sizeof(m_barWindows));
    if (!g_className)
        g_className = AfxRegisterWndClass(CS_DBLCLKS, g_ibeam, nullptr, nullptr);
    if (g_chainHead)
        g_chainHead->m_previous = this;
    g_chainHead = this;
    ++g_liveViews;
}

CAnsiView::~CAnsiView()
{
    if (HasWindow())
        DestroyWindow();
    free(m_ownRegistryPath);
    m_ownRegistryPath = nullptr;
    LeaveSettingsGroup(m_settings);
    m_settings = nullptr;
    if (m_previous)
        m_previous->m_next = m_next;
    else if (g_chainHead == this)
        g_chainHead = m_next;
    if (m_next)
        m_next->m_previous = m_previous;
    // The class itself stays registered: the class library keeps its name for the process.
    --g_liveViews;
}

BOOL CAnsiView::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return Create(0, style, rect, parent, id);
}

BOOL CAnsiView::Create(DWORD exStyle, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!g_className)
        return FALSE;
    return CWnd::CreateEx(exStyle, g_className, "AnsiWnd", style | WS_CHILD, rect, parent, id);
}

// ---------------------------------------------------------------------------------------------
// Repaint batches: the requests of one input message are collected and painted once at its
// end, unless an outer batch (a message sent from inside another) paints them later.

uint32_t CAnsiView::BeginRepaintBatch()
{
    uint32_t& word = m_layout.RepaintWord();
    const uint32_t outer = word & RP_BATCH;
    word |= RP_BATCH;
    return outer;
}

void CAnsiView::EndRepaintBatch(uint32_t outerBatch)
{
    m_layout.UpdateLayout(0);
    uint32_t& word = m_layout.RepaintWord();
    word = (word & ~RP_BATCH) | outerBatch;
    if (!outerBatch && word)
        PaintLines(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Default overridables

int CAnsiView::EditColors()
{
    return RunColorsDialog(0, nullptr);
}

int CAnsiView::SetMarginWidth(int width)
{
    if (width < 0 || width > 2000)
        width = 0;
    if (width == m_layout.MarginWidth())
        return 0;
    for (CAnsiView* view = g_chainHead; view; view = view->m_next)
    {
        if (view->m_settings != m_settings)
            continue;
        view->m_layout.RepaintWord() |= RP_ALL;
        view->m_layout.SetMarginWidth(width);
        // A view without a window has nothing to lay out; stopping at it would leave the views
        // behind it, the caller too, without the margin while 1 says it was set.
        if (!view->HasWindow())
            continue;
        uint32_t& word = view->m_layout.RepaintWord();
        uint32_t batch = word & RP_BATCH;
        word |= RP_BATCH;
        // Each view is sized again with its own client size: the height of the view that
        // changed the margin would give a view of another height the wrong window lines.
        view->m_layout.OnSize(view->m_layout.ClientWidth(), view->m_layout.ClientHeight());
        view->m_layout.UpdateLayout(0);
        word = (word & ~RP_BATCH) | batch;
        if (!batch)
            view->PaintLines(nullptr);
    }
    return 1;
}

void CAnsiView::OnSettingsChanged(int)
{
}

int CAnsiView::PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int, int)
{
    if (!dc || line >= m_layout.LineCount())
        return 0;
    static const char kText[] = "CAnsiView::PrintLine() wurde nicht abgeleitet !";
    int length = static_cast<int>(sizeof(kText)) - 1;
    if (firstColumn < 0 || firstColumn >= length)
        return 0;
    RECT r = rect;
    dc->DrawText(kText + firstColumn, length - firstColumn, &r, DT_NOPREFIX | DT_NOCLIP);
    return length - firstColumn;
}

void CAnsiView::PrintMargin(CDC* dc, const RECT& rect, int)
{
    if (dc)
        dc->FillSolidRect(&rect, RGB(0xC0, 0xC0, 0xC0));
}

void CAnsiView::OnContextMenu(int x, int y, HMENU menu)
{
    if (!HasWindow())
        return;
    bool own = menu == nullptr;
    if (own)
        menu = ::CreatePopupMenu();
    if (!menu)
        return;
    ::AppendMenuA(menu, MF_STRING, ID_ANSIVIEW_EDIT_COLORS, "&Farben einstellen");
    ::AppendMenuA(menu, MF_STRING, ID_ANSIVIEW_CHOOSE_FONT, "Schri&ften einstellen");
    POINT pt = { x, y };
    ClientToScreen(&pt);
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    if (own)
        ::DestroyMenu(menu);
}

int CAnsiView::MoveCursor(int column, int line, uint32_t flags)
{
    m_layout.PlaceCaret(column, line, (flags & MCF_RELATIVE) != 0);
    return 1;
}

int CAnsiView::GetLineLength(int)
{
    return 0;
}

void CAnsiView::OnLayoutChanged()
{
}

void CAnsiView::OnSizeChanged(int, int, int, int)
{
}

int CAnsiView::OnScrolled(int)
{
    return 0;
}

int CAnsiView::OnCharInput(UINT character, UINT)
{
    // Ctrl+Tab would move the focus to the next pane; no view moves it yet.
    (void)character;
    return 0;
}

int CAnsiView::OnKeyRelease(UINT, UINT)
{
    return 0;
}

int CAnsiView::OnKey(UINT, UINT)
{
    return 0;
}

int CAnsiView::PreLButtonDblClk(UINT, int, int, int, int) { return 0; }
int CAnsiView::PreRButtonDblClk(UINT, int, int, int, int) { return 0; }
int CAnsiView::PreLButtonDown(UINT, int, int, int, int) { return 0; }
int CAnsiView::PreRButtonDown(UINT, int, int, int, int) { return 0; }
int CAnsiView::PreLButtonUp(UINT, int, int, int, int) { return 0; }
int CAnsiView::PreRButtonUp(UINT, int, int, int, int) { return 0; }
int CAnsiView::PreMouseMove(UINT, int, int, int, int) { return 0; }
int CAnsiView::OnMarginMouse(UINT, int, int, int) { return 0; }
int CAnsiView::OnSpareHook(int, int, int) { return 0; }
int CAnsiView::PreMouseWheel(UINT, int) { return 0; }

CScrollBar* CAnsiView::GetScrollBar(int index)
{
    return &m_bars[index & 1];
}

// ---------------------------------------------------------------------------------------------
// Programmatic interface

POINT CAnsiView::SetCursorPos(int column, int line, bool extend)
{
    POINT old = GetCursorPos();
    uint32_t& word = m_layout.RepaintWord();
    uint32_t batch = word & RP_BATCH;
    word |= RP_BATCH;
    MoveCursor(column, line, extend ? MCF_EXTEND : 0);
    m_layout.UpdateLayout(TLF_QUIET);
    word = (word & ~RP_BATCH) | batch;
    if (!batch && word)
        PaintLines(nullptr);
    return old;
}

POINT CAnsiView::GetCursorPos() const
{
    POINT p = { m_layout.CaretColumn(), m_layout.CaretLine() };
    return p;
}

POINT CAnsiView::GetScrollOrigin() const
{
    POINT p = { m_layout.ScrollColumn(), m_layout.ScrollLine() };
    return p;
}

POINT CAnsiView::GetWindowCells() const
{
    POINT p = { m_layout.WindowColumns(), m_layout.WindowLines() };
    return p;
}

POINT CAnsiView::SetScrollOrigin(int column, int line)
{
    return SetScrollOriginEx(column, line, true);
}

POINT CAnsiView::SetScrollOriginEx(int column, int line, bool redraw)
{
    POINT old = GetScrollOrigin();
    m_layout.SetScrollOrigin(column, line, redraw);
    return old;
}

uint32_t CAnsiView::SetViewFlags(uint32_t value, uint32_t mask)
{
    return m_layout.SetViewFlags(value, mask);
}

uint32_t CAnsiView::SetCaretMode(uint32_t mode)
{
    uint32_t& word = m_layout.RepaintWord();
    bool idle = word == 0;
    uint32_t old = m_layout.SetCaretMode(mode);
    if (idle && HasWindow())
        PaintLines(nullptr);
    return old;
}

int CAnsiView::HitTest(int x, int y, int* column, int* line, int flags) const
{
    return m_layout.HitTest(x, y, column, line, flags);
}

void CAnsiView::RequestUpdate(int force)
{
    if (!force)
    {
        m_layout.RepaintWord() |= RP_ALL;
        PaintLines(nullptr);
    }
    else if (m_layout.RepaintWord())
    {
        PaintLines(nullptr);
    }
}

BOOL CAnsiView::GetScrollBarInfo(int bar, SCROLLINFO* info, UINT mask)
{
    if (!info)
        return FALSE;
    CScrollBar* sb = GetScrollBar(bar);
    if (!sb || !sb->m_hWnd)
        return FALSE;
    info->cbSize = sizeof(SCROLLINFO);
    return sb->GetScrollInfo(info, mask);
}

HCURSOR CAnsiView::SetCursorShape(HCURSOR cursor)
{
    HCURSOR old = m_cursorShape;
    m_cursorShape = cursor ? cursor : g_ibeam;
    ::SetCursor(m_cursorShape);
    return old;
}

HCURSOR CAnsiView::SetCursorShape(LPCSTR systemCursorId)
{
    return SetCursorShape(::LoadCursor(nullptr, systemCursorId));
}

void CAnsiView::SendNotify(UINT code, int32_t a, int32_t b)
{
    int32_t values[2] = { a, b };
    SendNotifyValues(code, values, 2);
}

void CAnsiView::SendNotifyValues(UINT code, const int32_t* values, int count)
{
    if (!HasWindow())
        return;
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return;
    AnsiViewNotify block;
    memset(&block, 0, sizeof(block));
    block.header.hwndFrom = m_hWnd;
    block.header.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
    block.header.code = code;
    for (int i = 0; values && i < count && i < 3; ++i)
        block.values[i] = values[i];
    ::SendMessageA(parent, WM_NOTIFY, block.header.idFrom, reinterpret_cast<LPARAM>(&block));
}

// ---------------------------------------------------------------------------------------------
// Caret and scroll bars

void CAnsiView::RecreateCaret()
{
    if (!HasWindow() || !m_hasFocus)
        return;
    if (m_caretShown)
    {
        HideCaret();
        m_caretShown = false;
    }
    if (m_caretCreated)
        ::DestroyCaret();
    uint32_t mode = m_layout.CaretMode();
    int width = (mode & 1) ? 2 : m_layout.CharWidth() + 1;
    CreateSolidCaret(width, m_layout.LineHeight());
    m_caretCreated = true;
    m_layout.RepaintWord() |= RP_CARET;
}

void CAnsiView::BarPlaces(RECT places[2]) const
{
    const int tw = m_layout.TextWidth();
    const int th = m_layout.TextHeight();
    places[0] = RECT{ 0, th, tw, th + ::GetSystemMetrics(SM_CYHSCROLL) };
    places[1] = RECT{ tw, 0, tw + ::GetSystemMetrics(SM_CXVSCROLL), th };
}

// Every change of a scroll bar window costs Wine a trip to the server and the themed bar a
// redraw that takes longer than a pane of text: a bar is only given what changed, a hidden
// bar stays where it is until it is shown again, and a bar that is moved or shown is drawn
// once, by that.
void CAnsiView::PlaceBars()
{
    if (!HasWindow())
        return;
    RECT places[2];
    BarPlaces(places);
    for (int i = 0; i < 2; ++i)
    {
        HWND bar = m_bars[i].m_hWnd;
        if (!bar)
            continue;
        BarWindowState& applied = m_barWindows[i];
        const RECT& r = places[i];
        const bool shown = m_layout.Bar(i).shown;
        const bool move = shown && !::EqualRect(&applied.place, &r);
        const bool show = shown != applied.shown;
        if (!move && !show)
            continue;
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (!move)
            flags |= SWP_NOMOVE | SWP_NOSIZE;
        if (show)
            flags |= shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
        ::SetWindowPos(bar, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
        m_barsMoved = true;
        if (move)
            applied.place = r;
        applied.shown = shown;
        // A move alone may keep the old pixels of the bar: new scroll information is drawn.
        if (shown && applied.unpainted)
            ::InvalidateRect(bar, nullptr, FALSE);
        applied.unpainted = false;
    }
}

void CAnsiView::ApplyBars()
{
    if (!HasWindow())
        return;
    RECT places[2];
    BarPlaces(places);
    for (int i = 0; i < 2; ++i)
    {
        if (!m_bars[i].m_hWnd)
            continue;
        const ScrollBarState& state = m_layout.Bar(i);
        BarWindowState& applied = m_barWindows[i];
        if (applied.valid && applied.range == state.range && applied.page == state.page &&
            applied.position == state.position && applied.disableOnly == state.disableOnly)
            continue;
        SCROLLINFO info;
        memset(&info, 0, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL | (state.disableOnly ? SIF_DISABLENOSCROLL : 0);
        info.nMin = 0;
        info.nMax = state.range;
        info.nPage = static_cast<UINT>(MaxInt(state.page, 0));
        info.nPos = state.position;
        const bool staysInPlace = state.shown && applied.shown && ::EqualRect(&applied.place, &places[i]);
        m_bars[i].SetScrollInfo(&info, staysInPlace ? TRUE : FALSE);
        applied.unpainted = !staysInPlace;
        applied.valid = true;
        applied.range = state.range;
        applied.page = state.page;
        applied.position = state.position;
        applied.disableOnly = state.disableOnly;
    }
    PlaceBars();
}

// ---------------------------------------------------------------------------------------------
// Painting

void CAnsiView::PaintLines(PAINTSTRUCT* paint)
{
    if (!HasWindow())
        return;
    uint32_t& word = m_layout.RepaintWord();
    if (paint)
    {
        word |= RP_ALL;
        CDC dc;
        dc.Attach(paint->hdc);
        DrawLines(dc, word & ~RP_BATCH);
        dc.Detach();
    }
    else
    {
        HDC hdc = ::GetDC(m_hWnd);
        if (!hdc)
            return;
        CDC dc;
        dc.Attach(hdc);
        DrawLines(dc, word & ~RP_BATCH);
        dc.Detach();
        ::ReleaseDC(m_hWnd, hdc);
        // Everything outside the scroll bars has just been drawn: what a bar that was moved,
        // shown or hidden left to be painted would only be drawn a second time.
        if ((word & RP_ALL) && m_barsMoved)
        {
            ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
            m_barsMoved = false;
        }
    }
    word &= RP_BATCH;
}

void CAnsiView::PrintClient(CDC* dc)
{
    if (!dc)
        return;
    DrawLines(*dc, RP_ALL);
}

void CAnsiView::DrawLines(CDC& dc, uint32_t word)
{
    const CTextLayout& L = m_layout;
    int cw = L.CharWidth();
    int lh = L.LineHeight();
    int margin = L.MarginWidth();
    int panX = L.PanOffsetX();
    int panY = L.PanOffsetY();
    int tw = L.TextWidth();
    int th = L.TextHeight();
    int columns = L.WindowColumns() + (panX ? 1 : 0);
    int windowLines = L.WindowLines() + (panY ? 1 : 0);

    RepaintPlan plan = PlanRepaint(word, L.ScrollLine(), windowLines, L.CaretLine());
    auto lineTop = [&](int line) { return (line - L.ScrollLine()) * lh - panY; };
    // The system caret inverts its cell: it is hidden before the line it stands on is drawn
    // (its block would be left in the fresh cells) and when it moves, and shown afterwards.
    if (m_caretShown)
    {
        auto covers = [&](int first, int last) {
            return first <= last && lineTop(first) < m_caretY + lh && m_caretY < lineTop(last) + lh;
        };
        if ((word & (RP_CARET | RP_ALL)) || covers(plan.firstLine, plan.lastLine) ||
            ((plan.caretLine || plan.caretRight) && covers(L.CaretLine(), L.CaretLine())))
        {
            HideCaret();
            m_caretShown = false;
        }
    }
    int saved = dc.SaveDC();
    m_lastPair = -1;
    m_lastStyle = -1;
    SelectColorFormat(&dc, 0);
    if (m_settings && m_settings->normalFont)
        ::SelectObject(dc.m_hDC, m_settings->normalFont);
    m_lastStyle = 0;

    int x0 = margin - cw * L.ScrollColumn() - panX;
    int flags = static_cast<int>(static_cast<uint32_t>(x0) << 12) | 2;
    RECT lineRect;
    lineRect.left = margin - panX;
    lineRect.right = tw + (panX ? cw : 0);

    // All lines are drawn under one clip of the text area, and their margins afterwards
    // under one clip of the margin: a save, clip and restore of the context per line cost
    // Wine more than the line's text. PrintLine changes the context only through the format
    // selection, which keeps the colour cache true, and PrintMargin leaves the context as it
    // found it.
    ::IntersectClipRect(dc.m_hDC, margin, 0, tw, th);
    auto drawLine = [&](int line, int firstColumn, int count) {
        int top = lineTop(line);
        RECT r = lineRect;
        r.top = top;
        r.bottom = top + lh;
        if (firstColumn != L.ScrollColumn())
            r.left = margin + (firstColumn - L.ScrollColumn()) * cw - panX;
        int drawn = PrintLine(&dc, r, line, firstColumn, count, flags);
        if (drawn < 0)
            drawn = 0;
        if (drawn < count)
        {
            // The rest in the context's present background, as an opaque empty text.
            RECT rest = r;
            rest.left = r.left + drawn * cw;
            if (rest.left < rest.right)
                ::ExtTextOutA(dc.m_hDC, rest.left, rest.top, ETO_OPAQUE, &rest, "", 0, nullptr);
        }
        SelectColorFormat(&dc, 0);
    };
    for (int line = plan.firstLine; line <= plan.lastLine; ++line)
        drawLine(line, L.ScrollColumn(), columns);
    int extraLine = -1;
    if (plan.caretLine)
    {
        drawLine(L.CaretLine(), L.ScrollColumn(), columns);
        extraLine = L.CaretLine();
    }
    else if (plan.caretRight)
    {
        int n = columns + L.ScrollColumn() - L.CaretColumn() + 2;
        int first = L.CaretColumn() - 2;
        if (first < 0)
        {
            n += first;
            first = 0;
        }
        if (n > 0)
        {
            drawLine(L.CaretLine(), first, n);
            extraLine = L.CaretLine();
        }
    }
    dc.RestoreDC(saved);
    m_lastPair = -1;
    m_lastStyle = -1;
    if (margin > 0)
    {
        saved = dc.SaveDC();
        ::IntersectClipRect(dc.m_hDC, 0, 0, margin, th);
        SelectColorFormat(&dc, 0);
        auto drawMargin = [&](int line) {
            int top = lineTop(line);
            RECT m = { 0, top, margin, top + lh };
            PrintMargin(&dc, m, line);
        };
        for (int line = plan.firstLine; line <= plan.lastLine; ++line)
            drawMargin(line);
        if (extraLine >= 0)
            drawMargin(extraLine);
        dc.RestoreDC(saved);
        m_lastPair = -1;
        m_lastStyle = -1;
    }
    if ((word & RP_ALL) && L.Bar(0).shown && L.Bar(1).shown)
    {
        RECT box = { tw, th, L.ClientWidth(), L.ClientHeight() };
        dc.FillSolidRect(&box, m_sizeBoxColor);
    }

    // The caret is shown again when its cell is in the window.
    int cc = L.CaretColumn() - L.ScrollColumn();
    int cl = L.CaretLine() - L.ScrollLine();
    if (!m_caretShown && m_caretCreated && m_hasFocus && (L.CaretMode() & 2) && cc >= 0 &&
        cc <= L.WindowColumns() && cl >= 0 && cl <= L.WindowLines())
    {
        m_caretY = lh * cl - panY;
        ::SetCaretPos(cw * cc - panX + margin, m_caretY);
        ShowCaret();
        m_caretShown = true;
    }
}

// ---------------------------------------------------------------------------------------------
// Messages

LRESULT CAnsiView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    int x = static_cast<short>(LOWORD(lParam));
    int y = static_cast<short>(HIWORD(lParam));
    UINT keyFlags = static_cast<UINT>(wParam);
    switch (message)
    {
    case WM_CREATE:
    {
        LRESULT r = CWnd::WindowProc(message, wParam, lParam);
        if (r != -1)
            HandleCreate();
        return r;
    }
    case WM_SIZE:
        HandleSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        if (::BeginPaint(m_hWnd, &ps))
        {
            PaintLines(&ps);
            ::EndPaint(m_hWnd, &ps);
        }
        return 0;
    }
    case WM_SETFOCUS:
        HandleSetFocus();
        return 0;
    case WM_KILLFOCUS:
        HandleKillFocus();
        return 0;
    case WM_KEYDOWN:
        HandleKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_KEYUP:
    {
        ReadKeyState();
        // A repeat count of 0 only comes from a sender that did not fill it in: one key.
        UINT repeat = LOWORD(lParam) ? LOWORD(lParam) : 1;
        for (UINT i = 0; i < repeat; ++i)
            OnKeyRelease(static_cast<UINT>(wParam), HIWORD(lParam));
        return 0;
    }
    case WM_CHAR:
    {
        UINT repeat = LOWORD(lParam) ? LOWORD(lParam) : 1;
        const uint32_t outerBatch = BeginRepaintBatch();
        for (UINT n = 0; n < repeat; ++n)
            OnCharInput(static_cast<UINT>(wParam), HIWORD(lParam));
        EndRepaintBatch(outerBatch);
        return 0;
    }
    case WM_LBUTTONDOWN: HandleLButtonDown(keyFlags, x, y); return 0;
    case WM_LBUTTONDBLCLK: HandleLButtonDblClk(keyFlags, x, y); return 0;
    case WM_LBUTTONUP: HandleLButtonUp(keyFlags, x, y); return 0;
    case WM_RBUTTONDOWN: HandleRButtonDown(keyFlags, x, y); return 0;
    case WM_RBUTTONUP: HandleRButtonUp(keyFlags, x, y); return 0;
    case WM_RBUTTONDBLCLK: HandleRButtonDblClk(keyFlags, x, y); return 0;
    case WM_MOUSEMOVE: HandleMouseMove(keyFlags, x, y); return 0;
    case WM_MOUSEWHEEL:
        HandleWheel(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 1;
    case WM_MBUTTONDOWN: HandleMButtonDown(x, y); return 0;
    case WM_XBUTTONDOWN:
    {
        UINT key = HIWORD(wParam) == XBUTTON2 ? VK_PRIOR : VK_NEXT;
        HandleKeyDown(key, 1, 0);
        OnKeyRelease(key, 0);
        return 1;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
        HandleScroll(message == WM_VSCROLL, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 0;
    case WM_TIMER:
        HandleTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == m_hWnd)
        {
            ::SetCursor(m_cursorShape);
            return TRUE;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
        m_sizeBoxColor = ::GetSysColor(COLOR_3DFACE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_ANSIVIEW_EDIT_COLORS && lParam == 0)
        {
            EditColors();
            return 0;
        }
        if (LOWORD(wParam) == ID_ANSIVIEW_CHOOSE_FONT && lParam == 0)
        {
            ChooseViewFont();
            return 0;
        }
        break;
    case WM_TEXTEDIT_QUERY:
        return HandleTextEditQuery(wParam, lParam);
    case WM_CAPTURECHANGED:
        // A capture taken away (a message box, another program's window) ends the drag: the
        // drag timer would otherwise go on extending the selection and scrolling with the
        // button long released.
        if (reinterpret_cast<HWND>(lParam) != m_hWnd)
        {
            m_captureKind = CAPTURE_NONE;
            StopDragTimer();
        }
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
