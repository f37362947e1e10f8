// The ON_WM_ entries of window message maps and the thunks that unpack each message into
// its handler's arguments. Included at the end of Wnd.h.
//
// Handler signatures are fixed per message (see CWnd's default handlers); the thunk assigns
// the handler to a member pointer of exactly that type, so a mismatch fails to compile.
// CDC and CMenu are named through AfxLate and need their headers only where a map uses
// them.
#pragma once

// The 16-bit message number stands for the whole WM_CTLCOLORxxx family in maps.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

#define AFX_WM_THUNK(name, Sig, call) \
    template<auto pmf> BOOL name(CCmdTarget* t, AfxMsgCall& c) \
    { \
        using C = AFX_THUNK_CLASS(pmf); \
        Sig = pmf; \
        C* w = static_cast<C*>(t); \
        (void)c; \
        call; \
        return TRUE; \
    }

#define AFX_PT_LPARAM(l) CPoint(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)))
#define AFX_WND(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))

AFX_WM_THUNK(AfxThunk_v_v, void (C::*fn)(), (w->*fn)())
AFX_WM_THUNK(AfxThunk_i_cs, int (C::*fn)(LPCREATESTRUCTA),
             c.result = (w->*fn)(reinterpret_cast<LPCREATESTRUCTA>(c.lParam)))
AFX_WM_THUNK(AfxThunk_b_cs, BOOL (C::*fn)(LPCREATESTRUCTA),
             c.result = (w->*fn)(reinterpret_cast<LPCREATESTRUCTA>(c.lParam)))
AFX_WM_THUNK(AfxThunk_size, void (C::*fn)(UINT, int, int),
             (w->*fn)(static_cast<UINT>(c.wParam), LOWORD(c.lParam), HIWORD(c.lParam)))
AFX_WM_THUNK(AfxThunk_sizing, void (C::*fn)(UINT, LPRECT),
             (w->*fn)(static_cast<UINT>(c.wParam), reinterpret_cast<LPRECT>(c.lParam)); c.result = TRUE)
AFX_WM_THUNK(AfxThunk_move, void (C::*fn)(int, int),
             (w->*fn)(static_cast<short>(LOWORD(c.lParam)), static_cast<short>(HIWORD(c.lParam))))
AFX_WM_THUNK(AfxThunk_erase, BOOL (C::*fn)(CDC*),
             c.result = (w->*fn)(AfxLate<C, CDC>::type::FromHandle(reinterpret_cast<HDC>(c.wParam))))
AFX_WM_THUNK(AfxThunk_timer, void (C::*fn)(UINT_PTR), (w->*fn)(static_cast<UINT_PTR>(c.wParam)))
AFX_WM_THUNK(AfxThunk_wnd_w, void (C::*fn)(CWnd*), (w->*fn)(AFX_WND(c.wParam)))
AFX_WM_THUNK(AfxThunk_wnd_l, void (C::*fn)(CWnd*), (w->*fn)(AFX_WND(c.lParam)))
AFX_WM_THUNK(AfxThunk_key, void (C::*fn)(UINT, UINT, UINT),
             (w->*fn)(static_cast<UINT>(c.wParam), LOWORD(c.lParam), HIWORD(c.lParam)))
AFX_WM_THUNK(AfxThunk_mouse, void (C::*fn)(UINT, CPoint),
             (w->*fn)(static_cast<UINT>(c.wParam), AFX_PT_LPARAM(c.lParam)))
AFX_WM_THUNK(AfxThunk_xbutton, void (C::*fn)(UINT, UINT, CPoint),
             (w->*fn)(LOWORD(c.wParam), HIWORD(c.wParam), AFX_PT_LPARAM(c.lParam)); c.result = TRUE)
AFX_WM_THUNK(AfxThunk_wheel, BOOL (C::*fn)(UINT, short, CPoint),
             c.result = (w->*fn)(LOWORD(c.wParam), static_cast<short>(HIWORD(c.wParam)), AFX_PT_LPARAM(c.lParam)))
AFX_WM_THUNK(AfxThunk_mouseactivate, int (C::*fn)(CWnd*, UINT, UINT),
             c.result = (w->*fn)(AFX_WND(c.wParam), LOWORD(c.lParam), HIWORD(c.lParam)))
AFX_WM_THUNK(AfxThunk_scroll, void (C::*fn)(UINT, UINT, CScrollBar*),
             (w->*fn)(LOWORD(c.wParam), HIWORD(c.wParam), reinterpret_cast<CScrollBar*>(AFX_WND(c.lParam))))
AFX_WM_THUNK(AfxThunk_contextmenu, void (C::*fn)(CWnd*, CPoint),
             (w->*fn)(AFX_WND(c.wParam), AFX_PT_LPARAM(c.lParam)))
AFX_WM_THUNK(AfxThunk_setcursor, BOOL (C::*fn)(CWnd*, UINT, UINT),
             c.result = (w->*fn)(AFX_WND(c.wParam), LOWORD(c.lParam), HIWORD(c.lParam)))
AFX_WM_THUNK(AfxThunk_initmenu, void (C::*fn)(CMenu*),
             (w->*fn)(AfxLate<C, CMenu>::type::FromHandle(reinterpret_cast<HMENU>(c.wParam))))
AFX_WM_THUNK(AfxThunk_initmenupopup, void (C::*fn)(CMenu*, UINT, BOOL),
             (w->*fn)(AfxLate<C, CMenu>::type::FromHandle(reinterpret_cast<HMENU>(c.wParam)),
                      LOWORD(c.lParam), HIWORD(c.lParam)))
AFX_WM_THUNK(AfxThunk_menuselect, void (C::*fn)(UINT, UINT, HMENU),
             (w->*fn)(LOWORD(c.wParam), HIWORD(c.wParam), reinterpret_cast<HMENU>(c.lParam)))
AFX_WM_THUNK(AfxThunk_b, void (C::*fn)(BOOL), (w->*fn)(static_cast<BOOL>(c.wParam)))
AFX_WM_THUNK(AfxThunk_ctlcolor, HBRUSH (C::*fn)(CDC*, CWnd*, UINT),
             c.result = reinterpret_cast<LRESULT>((w->*fn)(
                 AfxLate<C, CDC>::type::FromHandle(reinterpret_cast<HDC>(c.wParam)), AFX_WND(c.lParam),
                 c.message - WM_CTLCOLORMSGBOX)))
AFX_WM_THUNK(AfxThunk_dropfiles, void (C::*fn)(HDROP), (w->*fn)(reinterpret_cast<HDROP>(c.wParam)))
AFX_WM_THUNK(AfxThunk_nchittest, LRESULT (C::*fn)(CPoint), c.result = (w->*fn)(AFX_PT_LPARAM(c.lParam)))
AFX_WM_THUNK(AfxThunk_nccalcsize, void (C::*fn)(BOOL, NCCALCSIZE_PARAMS*),
             (w->*fn)(static_cast<BOOL>(c.wParam), reinterpret_cast<NCCALCSIZE_PARAMS*>(c.lParam)))
AFX_WM_THUNK(AfxThunk_minmax, void (C::*fn)(MINMAXINFO*), (w->*fn)(reinterpret_cast<MINMAXINFO*>(c.lParam)))
AFX_WM_THUNK(AfxThunk_showwindow, void (C::*fn)(BOOL, UINT),
             (w->*fn)(static_cast<BOOL>(c.wParam), static_cast<UINT>(c.lParam)))
AFX_WM_THUNK(AfxThunk_activate, void (C::*fn)(UINT, CWnd*, BOOL),
             (w->*fn)(LOWORD(c.wParam), AFX_WND(c.lParam), HIWORD(c.wParam)))
AFX_WM_THUNK(AfxThunk_activateapp, void (C::*fn)(BOOL, DWORD),
             (w->*fn)(static_cast<BOOL>(c.wParam), static_cast<DWORD>(c.lParam)))
AFX_WM_THUNK(AfxThunk_syscommand, void (C::*fn)(UINT, LPARAM), (w->*fn)(static_cast<UINT>(c.wParam), c.lParam))
AFX_WM_THUNK(AfxThunk_drawitem, void (C::*fn)(int, LPDRAWITEMSTRUCT),
             (w->*fn)(static_cast<int>(c.wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(c.lParam)); c.result = TRUE)
AFX_WM_THUNK(AfxThunk_measureitem, void (C::*fn)(int, LPMEASUREITEMSTRUCT),
             (w->*fn)(static_cast<int>(c.wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(c.lParam)); c.result = TRUE)
AFX_WM_THUNK(AfxThunk_winpos, void (C::*fn)(WINDOWPOS*), (w->*fn)(reinterpret_cast<WINDOWPOS*>(c.lParam)))
AFX_WM_THUNK(AfxThunk_settingchange, void (C::*fn)(UINT, LPCSTR),
             (w->*fn)(static_cast<UINT>(c.wParam), reinterpret_cast<LPCSTR>(c.lParam)))
AFX_WM_THUNK(AfxThunk_getdlgcode, UINT (C::*fn)(), c.result = (w->*fn)())
AFX_WM_THUNK(AfxThunk_b_v, BOOL (C::*fn)(), c.result = (w->*fn)())
AFX_WM_THUNK(AfxThunk_enteridle, void (C::*fn)(UINT, CWnd*),
             (w->*fn)(static_cast<UINT>(c.wParam), AFX_WND(c.lParam)))
AFX_WM_THUNK(AfxThunk_style, void (C::*fn)(int, LPSTYLESTRUCT),
             (w->*fn)(static_cast<int>(c.wParam), reinterpret_cast<LPSTYLESTRUCT>(c.lParam)))
AFX_WM_THUNK(AfxThunk_helpinfo, BOOL (C::*fn)(HELPINFO*), c.result = (w->*fn)(reinterpret_cast<HELPINFO*>(c.lParam)))
AFX_WM_THUNK(AfxThunk_copydata, BOOL (C::*fn)(CWnd*, COPYDATASTRUCT*),
             c.result = (w->*fn)(AFX_WND(c.wParam), reinterpret_cast<COPYDATASTRUCT*>(c.lParam)))
AFX_WM_THUNK(AfxThunk_parentnotify, void (C::*fn)(UINT, LPARAM), (w->*fn)(LOWORD(c.wParam), c.lParam))

#define AFX_WM_ENTRY(message, thunk, memberFxn) \
    { static_cast<UINT>(message), 0, 0, 0, nullptr, &thunk<&ThisClass::memberFxn> },

#define ON_WM_CREATE()            AFX_WM_ENTRY(WM_CREATE, AfxThunk_i_cs, OnCreate)
#define ON_WM_NCCREATE()          AFX_WM_ENTRY(WM_NCCREATE, AfxThunk_b_cs, OnNcCreate)
#define ON_WM_DESTROY()           AFX_WM_ENTRY(WM_DESTROY, AfxThunk_v_v, OnDestroy)
#define ON_WM_NCDESTROY()         AFX_WM_ENTRY(WM_NCDESTROY, AfxThunk_v_v, OnNcDestroy)
#define ON_WM_CLOSE()             AFX_WM_ENTRY(WM_CLOSE, AfxThunk_v_v, OnClose)
#define ON_WM_SIZE()              AFX_WM_ENTRY(WM_SIZE, AfxThunk_size, OnSize)
#define ON_WM_SIZING()            AFX_WM_ENTRY(WM_SIZING, AfxThunk_sizing, OnSizing)
#define ON_WM_MOVE()              AFX_WM_ENTRY(WM_MOVE, AfxThunk_move, OnMove)
#define ON_WM_PAINT()             AFX_WM_ENTRY(WM_PAINT, AfxThunk_v_v, OnPaint)
#define ON_WM_ERASEBKGND()        AFX_WM_ENTRY(WM_ERASEBKGND, AfxThunk_erase, OnEraseBkgnd)
#define ON_WM_TIMER()             AFX_WM_ENTRY(WM_TIMER, AfxThunk_timer, OnTimer)
#define ON_WM_SETFOCUS()          AFX_WM_ENTRY(WM_SETFOCUS, AfxThunk_wnd_w, OnSetFocus)
#define ON_WM_KILLFOCUS()         AFX_WM_ENTRY(WM_KILLFOCUS, AfxThunk_wnd_w, OnKillFocus)
#define ON_WM_KEYDOWN()           AFX_WM_ENTRY(WM_KEYDOWN, AfxThunk_key, OnKeyDown)
#define ON_WM_KEYUP()             AFX_WM_ENTRY(WM_KEYUP, AfxThunk_key, OnKeyUp)
#define ON_WM_CHAR()              AFX_WM_ENTRY(WM_CHAR, AfxThunk_key, OnChar)
#define ON_WM_SYSKEYDOWN()        AFX_WM_ENTRY(WM_SYSKEYDOWN, AfxThunk_key, OnSysKeyDown)
#define ON_WM_SYSKEYUP()          AFX_WM_ENTRY(WM_SYSKEYUP, AfxThunk_key, OnSysKeyUp)
#define ON_WM_SYSCHAR()           AFX_WM_ENTRY(WM_SYSCHAR, AfxThunk_key, OnSysChar)
#define ON_WM_LBUTTONDOWN()       AFX_WM_ENTRY(WM_LBUTTONDOWN, AfxThunk_mouse, OnLButtonDown)
#define ON_WM_LBUTTONUP()         AFX_WM_ENTRY(WM_LBUTTONUP, AfxThunk_mouse, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK()     AFX_WM_ENTRY(WM_LBUTTONDBLCLK, AfxThunk_mouse, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN()       AFX_WM_ENTRY(WM_RBUTTONDOWN, AfxThunk_mouse, OnRButtonDown)
#define ON_WM_RBUTTONUP()         AFX_WM_ENTRY(WM_RBUTTONUP, AfxThunk_mouse, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK()     AFX_WM_ENTRY(WM_RBUTTONDBLCLK, AfxThunk_mouse, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN()       AFX_WM_ENTRY(WM_MBUTTONDOWN, AfxThunk_mouse, OnMButtonDown)
#define ON_WM_MBUTTONUP()         AFX_WM_ENTRY(WM_MBUTTONUP, AfxThunk_mouse, OnMButtonUp)
#define ON_WM_MBUTTONDBLCLK()     AFX_WM_ENTRY(WM_MBUTTONDBLCLK, AfxThunk_mouse, OnMButtonDblClk)
#define ON_WM_XBUTTONDOWN()       AFX_WM_ENTRY(WM_XBUTTONDOWN, AfxThunk_xbutton, OnXButtonDown)
#define ON_WM_XBUTTONUP()         AFX_WM_ENTRY(WM_XBUTTONUP, AfxThunk_xbutton, OnXButtonUp)
#define ON_WM_MOUSEMOVE()         AFX_WM_ENTRY(WM_MOUSEMOVE, AfxThunk_mouse, OnMouseMove)
#define ON_WM_MOUSELEAVE()        AFX_WM_ENTRY(WM_MOUSELEAVE, AfxThunk_v_v, OnMouseLeave)
#define ON_WM_MOUSEWHEEL()        AFX_WM_ENTRY(WM_MOUSEWHEEL, AfxThunk_wheel, OnMouseWheel)
#define ON_WM_MOUSEACTIVATE()     AFX_WM_ENTRY(WM_MOUSEACTIVATE, AfxThunk_mouseactivate, OnMouseActivate)
#define ON_WM_HSCROLL()           AFX_WM_ENTRY(WM_HSCROLL, AfxThunk_scroll, OnHScroll)
#define ON_WM_VSCROLL()           AFX_WM_ENTRY(WM_VSCROLL, AfxThunk_scroll, OnVScroll)
#define ON_WM_CONTEXTMENU()       AFX_WM_ENTRY(WM_CONTEXTMENU, AfxThunk_contextmenu, OnContextMenu)
#define ON_WM_SETCURSOR()         AFX_WM_ENTRY(WM_SETCURSOR, AfxThunk_setcursor, OnSetCursor)
#define ON_WM_INITMENU()          AFX_WM_ENTRY(WM_INITMENU, AfxThunk_initmenu, OnInitMenu)
#define ON_WM_INITMENUPOPUP()     AFX_WM_ENTRY(WM_INITMENUPOPUP, AfxThunk_initmenupopup, OnInitMenuPopup)
#define ON_WM_MENUSELECT()        AFX_WM_ENTRY(WM_MENUSELECT, AfxThunk_menuselect, OnMenuSelect)
#define ON_WM_ENTERMENULOOP()     AFX_WM_ENTRY(WM_ENTERMENULOOP, AfxThunk_b, OnEnterMenuLoop)
#define ON_WM_EXITMENULOOP()      AFX_WM_ENTRY(WM_EXITMENULOOP, AfxThunk_b, OnExitMenuLoop)
// One entry for all WM_CTLCOLORxxx messages; nCtlColor is CTLCOLOR_MSGBOX..CTLCOLOR_STATIC.
#define ON_WM_CTLCOLOR()          AFX_WM_ENTRY(WM_CTLCOLOR, AfxThunk_ctlcolor, OnCtlColor)
#define ON_WM_DROPFILES()         AFX_WM_ENTRY(WM_DROPFILES, AfxThunk_dropfiles, OnDropFiles)
#define ON_WM_NCHITTEST()         AFX_WM_ENTRY(WM_NCHITTEST, AfxThunk_nchittest, OnNcHitTest)
#define ON_WM_NCPAINT()           AFX_WM_ENTRY(WM_NCPAINT, AfxThunk_v_v, OnNcPaint)
#define ON_WM_NCCALCSIZE()        AFX_WM_ENTRY(WM_NCCALCSIZE, AfxThunk_nccalcsize, OnNcCalcSize)
#define ON_WM_NCLBUTTONDOWN()     AFX_WM_ENTRY(WM_NCLBUTTONDOWN, AfxThunk_mouse, OnNcLButtonDown)
#define ON_WM_NCLBUTTONUP()       AFX_WM_ENTRY(WM_NCLBUTTONUP, AfxThunk_mouse, OnNcLButtonUp)
#define ON_WM_NCLBUTTONDBLCLK()   AFX_WM_ENTRY(WM_NCLBUTTONDBLCLK, AfxThunk_mouse, OnNcLButtonDblClk)
#define ON_WM_NCRBUTTONDOWN()     AFX_WM_ENTRY(WM_NCRBUTTONDOWN, AfxThunk_mouse, OnNcRButtonDown)
#define ON_WM_NCMOUSEMOVE()       AFX_WM_ENTRY(WM_NCMOUSEMOVE, AfxThunk_mouse, OnNcMouseMove)
#define ON_WM_GETMINMAXINFO()     AFX_WM_ENTRY(WM_GETMINMAXINFO, AfxThunk_minmax, OnGetMinMaxInfo)
#define ON_WM_SHOWWINDOW()        AFX_WM_ENTRY(WM_SHOWWINDOW, AfxThunk_showwindow, OnShowWindow)
#define ON_WM_ACTIVATE()          AFX_WM_ENTRY(WM_ACTIVATE, AfxThunk_activate, OnActivate)
#define ON_WM_ACTIVATEAPP()       AFX_WM_ENTRY(WM_ACTIVATEAPP, AfxThunk_activateapp, OnActivateApp)
#define ON_WM_SYSCOMMAND()        AFX_WM_ENTRY(WM_SYSCOMMAND, AfxThunk_syscommand, OnSysCommand)
#define ON_WM_DRAWITEM()          AFX_WM_ENTRY(WM_DRAWITEM, AfxThunk_drawitem, OnDrawItem)
#define ON_WM_MEASUREITEM()       AFX_WM_ENTRY(WM_MEASUREITEM, AfxThunk_measureitem, OnMeasureItem)
#define ON_WM_CAPTURECHANGED()    AFX_WM_ENTRY(WM_CAPTURECHANGED, AfxThunk_wnd_l, OnCaptureChanged)
#define ON_WM_WINDOWPOSCHANGING() AFX_WM_ENTRY(WM_WINDOWPOSCHANGING, AfxThunk_winpos, OnWindowPosChanging)
#define ON_WM_WINDOWPOSCHANGED()  AFX_WM_ENTRY(WM_WINDOWPOSCHANGED, AfxThunk_winpos, OnWindowPosChanged)
#define ON_WM_SETTINGCHANGE()     AFX_WM_ENTRY(WM_SETTINGCHANGE, AfxThunk_settingchange, OnSettingChange)
#define ON_WM_SYSCOLORCHANGE()    AFX_WM_ENTRY(WM_SYSCOLORCHANGE, AfxThunk_v_v, OnSysColorChange)
#define ON_WM_GETDLGCODE()        AFX_WM_ENTRY(WM_GETDLGCODE, AfxThunk_getdlgcode, OnGetDlgCode)
#define ON_WM_ENTERIDLE()         AFX_WM_ENTRY(WM_ENTERIDLE, AfxThunk_enteridle, OnEnterIdle)
#define ON_WM_ENABLE()            AFX_WM_ENTRY(WM_ENABLE, AfxThunk_b, OnEnable)
#define ON_WM_CANCELMODE()        AFX_WM_ENTRY(WM_CANCELMODE, AfxThunk_v_v, OnCancelMode)
#define ON_WM_STYLECHANGED()      AFX_WM_ENTRY(WM_STYLECHANGED, AfxThunk_style, OnStyleChanged)
#define ON_WM_STYLECHANGING()     AFX_WM_ENTRY(WM_STYLECHANGING, AfxThunk_style, OnStyleChanging)
#define ON_WM_EXITSIZEMOVE()      AFX_WM_ENTRY(WM_EXITSIZEMOVE, AfxThunk_v_v, OnExitSizeMove)
#define ON_WM_ENTERSIZEMOVE()     AFX_WM_ENTRY(WM_ENTERSIZEMOVE, AfxThunk_v_v, OnEnterSizeMove)
#define ON_WM_HELPINFO()          AFX_WM_ENTRY(WM_HELP, AfxThunk_helpinfo, OnHelpInfo)
#define ON_WM_COPYDATA()          AFX_WM_ENTRY(WM_COPYDATA, AfxThunk_copydata, OnCopyData)
#define ON_WM_QUERYENDSESSION()   AFX_WM_ENTRY(WM_QUERYENDSESSION, AfxThunk_b_v, OnQueryEndSession)
#define ON_WM_ENDSESSION()        AFX_WM_ENTRY(WM_ENDSESSION, AfxThunk_b, OnEndSession)
#define ON_WM_PARENTNOTIFY()      AFX_WM_ENTRY(WM_PARENTNOTIFY, AfxThunk_parentnotify, OnParentNotify)
