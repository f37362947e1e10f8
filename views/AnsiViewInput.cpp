// CAnsiView: keys, mouse buttons, wheel, scroll bars, the drag timer and the focus.
#include "views/AnsiView.h"

#include "views/AnsiViewInternal.h"
#include "uihelpers/AutoScroll.h"

#include <stdlib.h>
#include <string.h>

using namespace ansiview_detail;

// ---------------------------------------------------------------------------------------------
// Messages

void CAnsiView::ReadKeyState()
{
    m_keyState = ((AnsiViewKeyState(VK_SHIFT) & 0x8000) ? 1u : 0u) | ((AnsiViewKeyState(VK_CONTROL) & 0x8000) ? 2u : 0u);
}

void CAnsiView::HandleCreate()
{
    COLORREF face = ::GetSysColor(COLOR_3DFACE);
    int r = GetRValue(face), g = GetGValue(face), b = GetBValue(face);
    m_sizeBoxColor = RGB(r - (r >> 3), g - (g >> 3), b - (b >> 3));
    RECT empty = { 0, 0, 0, 0 };
    m_bars[0].Create(WS_CHILD | SBS_HORZ | SBS_BOTTOMALIGN, empty, this, kBarIdHorizontal);
    m_bars[1].Create(WS_CHILD | SBS_VERT | SBS_RIGHTALIGN, empty, this, kBarIdVertical);
    // Created hidden with an empty place and no scroll information yet.
    memset(m_barWindows, 0, sizeof(m_barWindows));
    m_layout.SetBarMetrics(::GetSystemMetrics(SM_CYHSCROLL), ::GetSystemMetrics(SM_CXVSCROLL));
    if (m_settings && !m_settings->normalFont)
        SetFont(15, "Courier");
    else
        SetFont(0, "Courier");
    RecreateCaret();
    m_layout.RepaintWord() |= RP_ALL;
}

void CAnsiView::HandleSize(int width, int height)
{
    m_layout.OnSize(width, height);
    PlaceBars();
}

void CAnsiView::HandleKeyDown(UINT key, UINT repeat, UINT flags)
{
    ReadKeyState();
    if (repeat > 30)
        repeat = 30;
    if (repeat < 1)
        repeat = 1;
    uint32_t& word = m_layout.RepaintWord();
    uint32_t batch = word & RP_BATCH;
    for (UINT i = 0; i < repeat; ++i)
    {
        word |= RP_BATCH;
        if (OnKey(key, flags))
        {
            // fall through to the layout and paint
        }
        else if (key == VK_CLEAR)
        {
            if ((m_keyState & 3) == 0)
                PreLButtonDblClk(0, 0, 0, m_layout.CaretColumn(), m_layout.CaretLine());
        }
        else
        {
            TextKeyAction action = MapNavigationKey(static_cast<int>(key), m_keyState, (m_layout.CaretMode() & 2) != 0,
                                                    m_layout.WindowLines(), m_layout.ColumnCount(), m_layout.LineCount(),
                                                    m_layout.CaretColumn());
            if (action.kind == TextKeyAction::MOVE)
            {
                if (action.scrollLines || action.scrollColumns)
                    m_layout.ScrollBy(action.scrollColumns, action.scrollLines);
                MoveCursor(action.column, action.line, action.flags);
            }
            else if (action.kind == TextKeyAction::SCROLL)
            {
                m_layout.ScrollBy(action.scrollColumns, action.scrollLines);
                OnScrolled(action.scrolledKey);
            }
        }
        m_layout.UpdateLayout(0);
        word = (word & ~RP_BATCH) | batch;
        // Many repetitions paint whole windows only once, at the last.
        bool last = i + 1 == repeat;
        if (!batch && word && (last || repeat < 4 || !(word & RP_ALL)))
            PaintLines(nullptr);
    }
}

void CAnsiView::HandleLButtonDown(UINT keyFlags, int x, int y)
{
    if (::GetFocus() != m_hWnd)
        ::SetFocus(m_hWnd);
    const uint32_t outerBatch = BeginRepaintBatch();
    m_lastClick.x = x - m_layout.MarginWidth();
    m_lastClick.y = y;
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    bool handled = false;
    bool inMargin = !(keyFlags & 0x400) && x >= 0 && x < m_layout.MarginWidth();
    if (!(keyFlags & 0x400))
    {
        if (inMargin)
            handled = OnMarginMouse(0x4800 | (keyFlags & 0xFF), x, y, line) != 0;
        else
            handled = PreLButtonDown(keyFlags, x, y, column, line) != 0;
    }
    if (!handled)
    {
        StopDragTimer();
        // Where the press lands is told by its cell, rounded to the nearest cell boundary:
        // only a cell left of the scroll column is the margin's. A press near the margin's
        // right edge rounds to the first visible column and puts the caret there.
        if (column < m_layout.ScrollColumn())
        {
            m_leftMode = 2;
        }
        else
        {
            // The press itself never extends, Shift or not: the drag that follows does
            // (flags 10), and a view that wants Shift+click reads it in its hook.
            if (m_leftMode == 0)
                MoveCursor(column, line, MCF_MOUSE | MCF_MOUSE_PRESS);
            if (keyFlags & MK_CONTROL)
            {
                if (!PreLButtonDblClk(keyFlags, x, y, column, line))
                    m_leftMode = 1;
            }
            else
            {
                m_leftMode = 1;
            }
        }
        SetCapture();
        m_captureKind = CAPTURE_LEFT;
    }
    EndRepaintBatch(outerBatch);
}

void CAnsiView::HandleLButtonDblClk(UINT keyFlags, int x, int y)
{
    if (::GetFocus() != m_hWnd)
        ::SetFocus(m_hWnd);
    const uint32_t outerBatch = BeginRepaintBatch();
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    bool inMargin = !(keyFlags & 0x400) && x >= 0 && x < m_layout.MarginWidth();
    bool handled = false;
    if (!(keyFlags & 0x400))
        handled = inMargin ? OnMarginMouse(0x2800 | (keyFlags & 0xFF), x, y, line) != 0
                           : PreLButtonDblClk(keyFlags, x, y, column, line) != 0;
    if (!handled && !inMargin)
    {
        MoveCursor(column, line, MCF_MOUSE);
        const DWORD tick = AnsiViewTickCount();
        m_doubleClickGuard = tick ? tick : 1;
    }
    EndRepaintBatch(outerBatch);
}

void CAnsiView::HandleLButtonUp(UINT keyFlags, int x, int y)
{
    if (m_hWnd != ::GetFocus())
        ::SetFocus(m_hWnd);
    m_lastClick.x = x - m_layout.MarginWidth();
    m_lastClick.y = y;
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    bool inMargin = !(keyFlags & 0x400) && x >= 0 && x < m_layout.MarginWidth();
    bool handled = false;
    if (!(keyFlags & 0x400))
        handled = inMargin ? OnMarginMouse(0x8800 | (keyFlags & 0xFF), x, y, line) != 0
                           : PreLButtonUp(keyFlags, x, y, column, line) != 0;
    if (!handled)
    {
        m_leftMode = 0;
        StopDragTimer();
        if (m_captureKind == CAPTURE_LEFT)
        {
            m_captureKind = CAPTURE_NONE;
            if (::GetCapture() == m_hWnd)
                ReleaseCapture();
        }
    }
}

// Once passed the guard is dropped: kept, it would hold a drag back again for 300 ms when the
// tick count comes round to it 49.7 days later.
bool CAnsiView::DoubleClickGuardSpent()
{
    if (!DoubleClickGuardPassed(AnsiViewTickCount(), m_doubleClickGuard))
        return false;
    m_doubleClickGuard = 0;
    return true;
}

void CAnsiView::StopDragTimer()
{
    if (m_dragTimer != DRAG_NONE && HasWindow())
        KillTimer(kDragTimerId);
    m_dragTimer = DRAG_NONE;
}

void CAnsiView::StartPan()
{
    StopDragTimer();
    SetCursorShape(g_hand);
    m_panStart = GetScrollOrigin();
    m_rightMode = 3;
    m_captureKind = CAPTURE_PAN;
    SetCapture();
}

void CAnsiView::EndPan()
{
    if (m_captureKind == CAPTURE_PAN)
    {
        m_captureKind = CAPTURE_NONE;
        if (::GetCapture() == m_hWnd)
            ReleaseCapture();
    }
    SetCursorShape(static_cast<HCURSOR>(nullptr));
    if (m_layout.PanOffsetX() || m_layout.PanOffsetY())
    {
        m_layout.SetPanOffsets(0, 0);
        m_layout.RepaintWord() |= RP_ALL;
        PaintLines(nullptr);
    }
    m_rightMode = 0;
}

void CAnsiView::HandleMouseMove(UINT keyFlags, int x, int y)
{
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    m_lastMouseCell.x = column;
    m_lastMouseCell.y = line;
    if (m_leftMode == 2 && (keyFlags & MK_LBUTTON))
    {
        OnMarginMouse(0x1000 | (keyFlags & 0xFF), x, y, line);
        return;
    }
    // The move that starts a pan already moves the text: the pan counts from the press.
    if ((m_rightMode == 1 || m_rightMode == 2) &&
        (abs(x - m_rightPressPoint.x) > 3 || abs(y - m_rightPressPoint.y) > 3))
        StartPan();
    if (m_rightMode == 3)
    {
        if (!(keyFlags & MK_RBUTTON))
        {
            EndPan();
            return;
        }
        int c = 0, l = 0, ox = 0, oy = 0;
        PanOrigin(m_panStart.x, m_panStart.y, m_rightPressPoint.x - x, m_rightPressPoint.y - y, m_layout.CharWidth(),
                  m_layout.LineHeight(), &c, &l, &ox, &oy);
        POINT origin = GetScrollOrigin();
        m_layout.SetPanOffsets(ox, oy);
        if (c != origin.x || l != origin.y)
        {
            SetScrollOrigin(c, l);
        }
        else
        {
            m_layout.RepaintWord() |= RP_ALL;
            PaintLines(nullptr);
        }
        return;
    }
    if (!(keyFlags & MK_LBUTTON) || m_leftMode == 0)
    {
        PreMouseMove(keyFlags, x, y, column, line);
        return;
    }
    const uint32_t outerBatch = BeginRepaintBatch();
    AutoScrollSpeed(x, y, m_layout.MarginWidth(), m_layout.TextWidth(), m_layout.TextHeight(), m_layout.CharWidth(),
                    m_layout.LineHeight(), &m_speedX, &m_speedY);
    const bool guardPassed = DoubleClickGuardSpent();
    if (m_speedX == 0 && m_speedY == 0)
    {
        if (guardPassed)
            MoveCursor(column, line, MCF_MOUSE | MCF_EXTEND);
        StopDragTimer();
    }
    else
    {
        if (m_leftMode == 1 && m_speedY == 0 && guardPassed)
            MoveCursor(m_layout.CaretColumn(), line, MCF_MOUSE | MCF_EXTEND);
        if (m_dragTimer == DRAG_NONE)
        {
            SetTimer(kDragTimerId, kDragTimerMs);
            m_dragTimer = DRAG_AUTOSCROLL;
        }
    }
    EndRepaintBatch(outerBatch);
}

void CAnsiView::HandleTimer(UINT_PTR id)
{
    if (id != kDragTimerId)
        return;
    if (m_dragTimer == DRAG_AUTOSCROLL)
    {
        if (!DoubleClickGuardSpent())
            return;
        const uint32_t outerBatch = BeginRepaintBatch();
        MoveCursor(m_speedX, m_speedY, MCF_RELATIVE | MCF_EXTEND | MCF_MOUSE);
        EndRepaintBatch(outerBatch);
    }
    else if (m_dragTimer == DRAG_HOLD)
    {
        ++m_holdTicks;
        if (m_holdTicks >= 5 && (m_rightMode == 1 || m_rightMode == 2))
        {
            POINT pt;
            ::GetCursorPos(&pt);
            ScreenToClient(&pt);
            if (abs(pt.x - m_rightPressPoint.x) < 4 || abs(pt.y - m_rightPressPoint.y) < 4)
                StartPan();
        }
    }
}

void CAnsiView::HandleRButtonDown(UINT keyFlags, int x, int y)
{
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    m_rightPressCell.x = column;
    m_rightPressCell.y = line;
    m_rightPressPoint.x = x;
    m_rightPressPoint.y = y;
    bool inMargin = !(keyFlags & 0x400) && x >= 0 && x < m_layout.MarginWidth();
    bool handled = false;
    if (!(keyFlags & 0x400))
        handled = inMargin ? OnMarginMouse(0x4400 | (keyFlags & 0xFF), x, y, line) != 0
                           : PreRButtonDown(keyFlags, x, y, column, line) != 0;
    if (!handled)
    {
        m_rightMode = inMargin ? 2 : 1;
        if (inMargin)
            m_rightPressCell.x = x - m_layout.MarginWidth();
    }
    if (m_leftMode)
        m_rightMode = 0;
    if (m_rightMode && m_dragTimer == DRAG_NONE)
    {
        m_holdTicks = 0;
        SetTimer(kDragTimerId, kDragTimerMs);
        m_dragTimer = DRAG_HOLD;
    }
}

void CAnsiView::HandleRButtonUp(UINT keyFlags, int x, int y)
{
    if (m_dragTimer == DRAG_HOLD)
        StopDragTimer();
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    bool inMargin = !(keyFlags & 0x400) && x >= 0 && x < m_layout.MarginWidth();
    bool handled = false;
    if (!(keyFlags & 0x400))
        handled = inMargin ? OnMarginMouse(0x8400 | (keyFlags & 0xFF), x, y, line) != 0
                           : PreRButtonUp(keyFlags, x, y, column, line) != 0;
    int mode = m_rightMode;
    if (mode == 3)
        EndPan();
    else if (!handled && (mode == 1 || mode == 2))
        OnContextMenu(x, y, nullptr);
    m_rightMode = 0;
}

void CAnsiView::HandleRButtonDblClk(UINT keyFlags, int x, int y)
{
    int column = 0;
    int line = 0;
    m_layout.MouseCell(x, y, &column, &line);
    bool inMargin = !(keyFlags & 0x400) && x >= 0 && x < m_layout.MarginWidth();
    if (keyFlags & 0x400)
        return;
    if (inMargin)
        OnMarginMouse(0x2400 | (keyFlags & 0xFF), x, y, line);
    else
        PreRButtonDblClk(keyFlags, x, y, column, line);
}

void CAnsiView::HandleWheel(UINT keyFlags, int delta)
{
    if (PreMouseWheel(keyFlags, delta))
        return;
    int before = m_layout.ScrollLine();
    // With Ctrl one page; else 3 lines (9 with Shift), one at a time, each through the
    // vertical scroll handling.
    const bool down = delta < 0;
    if (keyFlags & MK_CONTROL)
    {
        HandleScroll(true, down ? SB_PAGEDOWN : SB_PAGEUP, 0);
    }
    else
    {
        const int lines = (keyFlags & MK_SHIFT) ? 9 : 3;
        for (int i = 0; i < lines; ++i)
            HandleScroll(true, down ? SB_LINEDOWN : SB_LINEUP, 0);
    }
    if (m_layout.ScrollLine() != before)
    {
        OnScrolled(0);
        if (keyFlags & MK_LBUTTON)
        {
            POINT pt;
            ::GetCursorPos(&pt);
            ScreenToClient(&pt);
            HandleMouseMove(keyFlags, pt.x, pt.y);
        }
    }
}

void CAnsiView::HandleMButtonDown(int x, int y)
{
    // A modal loop: it returns when the user ends the auto-scroll, after the worker has
    // stopped posting; the scroll messages it posted reach HandleScroll meanwhile.
    AutoScroll(m_hWnd, x, y, AUTOSCROLL_BOTH);
}

void CAnsiView::HandleScroll(bool vertical, int code, int position16)
{
    int track = 0;
    CScrollBar& bar = m_bars[vertical ? 1 : 0];
    if (bar.m_hWnd)
    {
        SCROLLINFO info;
        memset(&info, 0, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        if (bar.GetScrollInfo(&info, SIF_TRACKPOS))
            track = info.nTrackPos;
    }
    int current = vertical ? m_layout.ScrollLine() : m_layout.ScrollColumn();
    if (code == SB_THUMBTRACK && !(bar.m_hWnd && ::GetCapture() == bar.m_hWnd))
    {
        // A thumb-track message the bar did not send itself (the middle button's auto-scroll
        // posts small steps): the bar has no tracking position, so the 32-bit target is
        // the one nearest the current line that has the message's low 16 bits.
        track = current + static_cast<int16_t>(static_cast<uint16_t>(position16) - static_cast<uint16_t>(current));
    }
    int cells = vertical ? m_layout.WindowLines() : m_layout.WindowColumns();
    int target = ScrollBarTarget(code, current, cells, position16, track, m_layout.LineCount(), vertical);
    if (target == current)
        return;
    const uint32_t outerBatch = BeginRepaintBatch();
    if (vertical)
        m_layout.SetOriginRaw(m_layout.ScrollColumn(), target);
    else
        m_layout.SetOriginRaw(target, m_layout.ScrollLine());
    EndRepaintBatch(outerBatch);
}

void CAnsiView::HandleSetFocus()
{
    ReadKeyState();
    m_hasFocus = true;
    m_caretShown = false;
    m_caretCreated = false;
    RecreateCaret();
    m_layout.RepaintWord() |= RP_CARET;
    PaintLines(nullptr);
    SendNotify(ANSIVIEW_NOTIFY_SETFOCUS, 0, 0);
}

void CAnsiView::HandleKillFocus()
{
    if (m_caretShown)
        HideCaret();
    m_caretShown = false;
    if (m_caretCreated)
        ::DestroyCaret();
    m_caretCreated = false;
    m_hasFocus = false;
    SendNotify(ANSIVIEW_NOTIFY_KILLFOCUS, 0, 0);
}

LRESULT CAnsiView::HandleTextEditQuery(WPARAM code, LPARAM value)
{
    int column = 0;
    int line = 0;
    UnpackCell(static_cast<uint32_t>(value), &column, &line);
    POINT result = { 0, 0 };
    switch (code)
    {
    case 0: result = SetCursorPos(column, line, false); break;
    case 1: case 5: result = GetCursorPos(); break;
    case 2: result = SetScrollOrigin(column, line); break;
    case 3: result = GetScrollOrigin(); break;
    case 4: result = SetCursorPos(column, line, true); break;
    default: return 0;
    }
    return static_cast<LRESULT>(PackCell(result.x, result.y));
}
