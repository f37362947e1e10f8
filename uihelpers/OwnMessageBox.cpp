#include "uihelpers/OwnMessageBox.h"

#include <stdlib.h>
#include <string.h>
#include "classlib/DlgTemplate.h"
#include "uihelpers/MessageBoxTexts.h"

namespace {

const int kNoCentre = 34661;
POINT g_lastCentre = { kNoCentre, kNoCentre };

const int kIconId = 1088;
const int kTextId = 0xFFFF;
const char kStateProp[] = "ROS_MSGBOX";
const int kMaxButtons = 5;

struct BoxState {
    MessageBoxParams* params;
    DWORD style;
    DWORD timeout;
    int buttons[kMaxButtons];
    int buttonCount;
    int defaultIndex;
    WCHAR* text;
    WCHAR* caption;
    HICON icon;
};

// The buttons of the style's low four bits.
int ButtonsOfStyle(DWORD style, int* ids)
{
    switch (style & 0xF) {
    case MB_OKCANCEL: ids[0] = IDOK; ids[1] = IDCANCEL; return 2;
    case MB_ABORTRETRYIGNORE: ids[0] = IDABORT; ids[1] = IDRETRY; ids[2] = IDIGNORE; return 3;
    case MB_YESNOCANCEL: ids[0] = IDYES; ids[1] = IDNO; ids[2] = IDCANCEL; return 3;
    case MB_YESNO: ids[0] = IDYES; ids[1] = IDNO; return 2;
    case MB_RETRYCANCEL: ids[0] = IDRETRY; ids[1] = IDCANCEL; return 2;
    case MB_CANCELTRYCONTINUE: ids[0] = IDCANCEL; ids[1] = IDTRYAGAIN; ids[2] = IDCONTINUE; return 3;
    default: ids[0] = IDOK; return 1;
    }
}

// Styles whose box has no way to cancel: Close, Escape and the system menu do nothing.
bool CannotCancel(DWORD style)
{
    DWORD kind = style & 0xF;
    return kind == MB_ABORTRETRYIGNORE || kind == MB_YESNO;
}

// The label of a button: the system's own string of user32, else the German label. The
// strings are not present in every user32 (Wine has none of them).
void ButtonLabel(int id, WCHAR* out, int size)
{
    if (id == 13 || id == 15) {
        LPCWSTR t = GetMessageBoxTextW(id == 13 ? MBT_NEVER : MBT_ALWAYS);
        lstrcpynW(out, t ? t : (id == 13 ? L"Niemals" : L"Immer"), size);
        return;
    }
    UINT stringId = 0;
    if (id >= IDOK && id <= IDNO)
        stringId = 800 + static_cast<UINT>(id) - 1;
    else if (id == IDHELP)
        stringId = 808;
    else if (id == IDTRYAGAIN)
        stringId = 809;
    else if (id == IDCONTINUE)
        stringId = 810;
    if (stringId && LoadStringW(GetModuleHandleA("user32.dll"), stringId, out, size) > 0)
        return;
    static const struct { int id; const WCHAR* label; } kLabels[] = {
        { IDOK, L"OK" }, { IDCANCEL, L"Abbrechen" }, { IDABORT, L"&Abbrechen" },
        { IDRETRY, L"&Wiederholen" }, { IDIGNORE, L"&Ignorieren" }, { IDYES, L"&Ja" },
        { IDNO, L"&Nein" }, { IDHELP, L"&Hilfe" }, { IDTRYAGAIN, L"&Wiederholen" },
        { IDCONTINUE, L"&Weiter" },
    };
    out[0] = 0;
    for (const auto& l : kLabels)
        if (l.id == id)
            lstrcpynW(out, l.label, size);
}

// The record's text or string id as a new UTF-16 block (caller frees); the control
// characters that the attributed display would interpret are dropped, except the line
// breaks and tabs that a plain text shows.
WCHAR* LoadBoxText(HINSTANCE module, LPCSTR text)
{
    const WCHAR* source = NULL;
    int length = 0;
    WCHAR* converted = NULL;
    if (text && IS_INTRESOURCE(text)) {
        length = LoadStringW(module, static_cast<UINT>(reinterpret_cast<UINT_PTR>(text)),
                             reinterpret_cast<LPWSTR>(&source), 0);
        if (length <= 0 || !source)
            length = 0;
    } else if (text) {
        length = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
        converted = length > 0 ? static_cast<WCHAR*>(malloc(static_cast<size_t>(length) * sizeof(WCHAR))) : NULL;
        if (converted) {
            MultiByteToWideChar(CP_ACP, 0, text, -1, converted, length);
            source = converted;
            --length;
        } else {
            length = 0;
        }
    }
    WCHAR* out = static_cast<WCHAR*>(malloc((static_cast<size_t>(length) + 1) * sizeof(WCHAR)));
    if (out) {
        int n = 0;
        for (int i = 0; i < length; ++i) {
            WCHAR c = source[i];
            if (c >= 32 || c == L'\n' || c == L'\r' || c == L'\t')
                out[n++] = c;
        }
        out[n] = 0;
    }
    free(converted);
    return out;
}

// The work area of the monitor nearest to the point, or the screen less 32 pixels in height.
RECT AreaAt(POINT pt)
{
    MONITORINFO mi;
    mi.cbSize = sizeof mi;
    HMONITOR mon = MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST);
    if (mon && GetMonitorInfoA(mon, &mi))
        return mi.rcWork;
    RECT rc = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 32 };
    return rc;
}

// The point the box is centred on, and the area it must stay inside.
void ChooseCentre(const BoxState& st, POINT* centre, RECT* area)
{
    if (st.style & MBX_POSITION) {
        centre->x = static_cast<short>(LOWORD(st.params->dwPosition));
        centre->y = static_cast<short>(HIWORD(st.params->dwPosition));
        *area = AreaAt(*centre);
        return;
    }
    if (g_lastCentre.x != kNoCentre || g_lastCentre.y != kNoCentre) {
        *centre = g_lastCentre;
        *area = AreaAt(*centre);
        return;
    }
    HWND owner = st.params->hwndOwner ? st.params->hwndOwner : GetActiveWindow();
    MONITORINFO mi;
    mi.cbSize = sizeof mi;
    HMONITOR mon = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                         : MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY);
    if (mon && GetMonitorInfoA(mon, &mi)) {
        *area = mi.rcWork;
    } else {
        RECT rc = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 32 };
        *area = rc;
    }
    centre->x = (area->left + area->right) / 2;
    centre->y = (area->top + area->bottom) / 2;
}

void RememberCentre(HWND dialog, BoxState* st)
{
    RECT rc;
    if (!GetWindowRect(dialog, &rc))
        return;
    g_lastCentre.x = (rc.left + rc.right) / 2;
    g_lastCentre.y = (rc.top + rc.bottom) / 2;
    if (st && (st->style & MBX_POSITION))
        st->params->dwPosition = MAKELONG(static_cast<WORD>(g_lastCentre.x), static_cast<WORD>(g_lastCentre.y));
}

void Close(HWND dialog, BoxState* st, int id)
{
    RememberCentre(dialog, st);
    if (st && st->timeout)
        KillTimer(dialog, 1);
    EndDialog(dialog, id);
}

BOOL CALLBACK SetFontProc(HWND child, LPARAM font)
{
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

// Sizes the box to its text (within the screen), lays out icon, text and buttons, and
// centres it.
void LayOut(HWND dialog, BoxState* st)
{
    RECT du = { 7, 7, 50, 14 };
    MapDialogRect(dialog, &du);
    RECT gapRect = { 4, 0, 0, 0 };
    MapDialogRect(dialog, &gapRect);
    const int margin = du.left, marginY = du.top, buttonMinW = du.right, buttonH = du.bottom;
    const int gap = gapRect.left;

    POINT centre;
    RECT area;
    ChooseCentre(*st, &centre, &area);

    HDC dc = GetDC(dialog);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : NULL;
    int maxTextW = (area.right - area.left) * 3 / 5;
    if (maxTextW < 100)
        maxTextW = 100;
    RECT tr = { 0, 0, maxTextW, 0 };
    DrawTextW(dc, st->text ? st->text : L"", -1, &tr,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    int buttonW[kMaxButtons];
    int buttonsTotal = 0;
    for (int i = 0; i < st->buttonCount; ++i) {
        WCHAR label[64];
        ButtonLabel(st->buttons[i], label, 64);
        SIZE sz = { 0, 0 };
        GetTextExtentPoint32W(dc, label, lstrlenW(label), &sz);
        buttonW[i] = sz.cx + 2 * margin > buttonMinW ? sz.cx + 2 * margin : buttonMinW;
        buttonsTotal += buttonW[i] + (i ? gap : 0);
    }
    if (oldFont)
        SelectObject(dc, oldFont);
    ReleaseDC(dialog, dc);

    const int iconW = st->icon ? GetSystemMetrics(SM_CXICON) : 0;
    const int iconH = st->icon ? GetSystemMetrics(SM_CYICON) : 0;
    const int textX = margin + (st->icon ? iconW + margin : 0);
    int textW = tr.right - tr.left;
    int textH = tr.bottom - tr.top;
    int clientW = textX + textW + margin;
    if (buttonsTotal + 2 * margin > clientW)
        clientW = buttonsTotal + 2 * margin;

    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
    RECT frame = { 0, 0, 0, 0 };
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int frameH = frame.bottom - frame.top;
    // A long text must not push the buttons off the screen.
    int maxWindowH = GetSystemMetrics(SM_CYSCREEN) - 32;
    int topH = textH > iconH ? textH : iconH;
    int clientH = marginY + topH + marginY + buttonH + marginY;
    if (clientH + frameH > maxWindowH) {
        int excess = clientH + frameH - maxWindowH;
        textH = textH - excess > 0 ? textH - excess : 0;
        topH = textH > iconH ? textH : iconH;
        clientH = marginY + topH + marginY + buttonH + marginY;
    }
    const int windowW = clientW + frame.right - frame.left;
    const int windowH = clientH + frameH;

    HWND iconCtl = GetDlgItem(dialog, kIconId);
    if (iconCtl)
        SetWindowPos(iconCtl, NULL, margin, marginY, iconW, iconH, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND textCtl = GetDlgItem(dialog, kTextId);
    if (textCtl)
        SetWindowPos(textCtl, NULL, textX, marginY + (topH - textH) / 2, textW, textH, SWP_NOZORDER | SWP_NOACTIVATE);
    int x = (clientW - buttonsTotal) / 2;
    const int y = marginY + topH + marginY;
    for (int i = 0; i < st->buttonCount; ++i) {
        HWND b = GetDlgItem(dialog, st->buttons[i]);
        if (b)
            SetWindowPos(b, NULL, x, y, buttonW[i], buttonH, SWP_NOZORDER | SWP_NOACTIVATE);
        x += buttonW[i] + gap;
    }

    // Centred on the point, kept inside the area with an 8-pixel border.
    int left = centre.x - windowW / 2;
    int top = centre.y - windowH / 2;
    if (left + windowW > area.right - 8)
        left = area.right - 8 - windowW;
    if (top + windowH > area.bottom - 8)
        top = area.bottom - 8 - windowH;
    if (left < area.left + 8)
        left = area.left + 8;
    if (top < area.top + 8)
        top = area.top + 8;
    SetWindowPos(dialog, NULL, left, top, windowW, windowH, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL InitBox(HWND dialog, BoxState* st)
{
    if (!GetPropA(dialog, kStateProp))
        SetPropA(dialog, kStateProp, st);
    HWND iconCtl = GetDlgItem(dialog, kIconId);
    if (iconCtl) {
        if (st->icon)
            SendMessageW(iconCtl, STM_SETICON, reinterpret_cast<WPARAM>(st->icon), 0);
        else
            ShowWindow(iconCtl, SW_HIDE);
    }
    SetWindowContextHelpId(dialog, static_cast<DWORD>(st->params->dwContextHelpId));
    SetWindowTextW(dialog, st->caption ? st->caption : L"");
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    HWND textCtl = CreateWindowExW(0, L"STATIC", st->text ? st->text : L"",
                                   WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL,
                                   0, 0, 10, 10, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), NULL);
    (void)textCtl;
    for (int i = 0; i < st->buttonCount; ++i) {
        WCHAR label[64];
        ButtonLabel(st->buttons[i], label, 64);
        SetDlgItemTextW(dialog, st->buttons[i], label);
    }
    if (font)
        EnumChildWindows(dialog, &SetFontProc, reinterpret_cast<LPARAM>(font));
    LayOut(dialog, st);
    if (CannotCancel(st->style)) {
        HMENU sys = GetSystemMenu(dialog, FALSE);
        if (sys)
            DeleteMenu(sys, SC_CLOSE, MF_BYCOMMAND);
    }
    HWND def = GetDlgItem(dialog, st->buttons[st->defaultIndex]);
    if (def) {
        SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(st->buttons[st->defaultIndex]), 0);
        SetFocus(def);
    }
    if (st->timeout)
        SetTimer(dialog, 1, st->timeout, NULL);
    return FALSE;   // the focus is set
}

BoxState* StateOf(HWND dialog)
{
    return static_cast<BoxState*>(GetPropA(dialog, kStateProp));
}

bool HasButton(const BoxState* st, int id)
{
    for (int i = 0; i < st->buttonCount; ++i)
        if (st->buttons[i] == id)
            return true;
    return false;
}

}  // namespace

BOOL GetLastMessageBoxCentre(POINT* centre)
{
    if (g_lastCentre.x == kNoCentre && g_lastCentre.y == kNoCentre)
        return FALSE;
    if (centre)
        *centre = g_lastCentre;
    return TRUE;
}

INT_PTR CALLBACK MessageBoxDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitBox(dialog, reinterpret_cast<BoxState*>(lParam));
    case WM_TIMER:
        if (wParam == 1) {
            KillTimer(dialog, 1);
            EndDialog(dialog, MBX_TIMED_OUT);
            return TRUE;
        }
        break;
    case WM_COMMAND: {
        BoxState* st = StateOf(dialog);
        if (!st)
            break;
        int id = LOWORD(wParam);
        switch (id) {
        case IDCANCEL:
            // Escape arrives as IDCANCEL even when the box has no Cancel button.
            if (!HasButton(st, IDCANCEL) && CannotCancel(st->style))
                return TRUE;
            Close(dialog, st, id);
            return TRUE;
        case IDOK: case IDABORT: case IDRETRY: case IDIGNORE: case IDYES: case IDNO:
        case IDTRYAGAIN: case IDCONTINUE: case 13: case 15:
            Close(dialog, st, id);
            return TRUE;
        case IDHELP: {
            HELPINFO hi;
            memset(&hi, 0, sizeof hi);
            hi.cbSize = sizeof hi;
            hi.iContextType = HELPINFO_WINDOW;
            hi.iCtrlId = IDHELP;
            hi.hItemHandle = GetDlgItem(dialog, IDHELP);
            hi.dwContextId = st->params->dwContextHelpId;
            GetCursorPos(&hi.MousePos);
            SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
            return TRUE;
        }
        default:
            break;
        }
        break;
    }
    case WM_CLOSE: {
        BoxState* st = StateOf(dialog);
        if (st && CannotCancel(st->style))
            return TRUE;
        Close(dialog, st, IDCANCEL);
        return TRUE;
    }
    case WM_HELP: {
        BoxState* st = StateOf(dialog);
        if (!st || !lParam)
            return TRUE;
        if (st->params->lpfnMsgBoxCallback)
            st->params->lpfnMsgBoxCallback(reinterpret_cast<HELPINFO*>(lParam));
        else if (st->params->hwndOwner)
            SendMessageW(st->params->hwndOwner, WM_HELP, wParam, lParam);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    case WM_DESTROY:
        RemovePropA(dialog, kStateProp);
        break;
    default:
        break;
    }
    return FALSE;
}

int RunMessageBoxDialog(MessageBoxParams* params, DWORD reserved, DWORD markedTimeout)
{
    (void)reserved;
    if (!params || params->cbSize < sizeof(MessageBoxParams))
        return 0;
    BoxState st;
    memset(&st, 0, sizeof st);
    st.params = params;
    st.style = params->dwStyle;
    if ((markedTimeout >> 24) == 0x65) {
        st.timeout = markedTimeout & 0xFFFFFF;
        st.style |= MBX_TIMEOUT;
    } else if (st.style & MBX_TIMEOUT) {
        st.timeout = markedTimeout & 0xFFFFFF;
    }
    st.buttonCount = ButtonsOfStyle(st.style, st.buttons);
    if (st.style & MB_HELP)
        st.buttons[st.buttonCount++] = IDHELP;
    int defaultIndex = static_cast<int>((st.style & MB_DEFMASK) >> 8);
    st.defaultIndex = defaultIndex < st.buttonCount ? defaultIndex : 0;

    HINSTANCE module = params->hInstance ? params->hInstance : GetModuleHandleA(NULL);
    UINT beep = 0;
    switch (st.style & MB_ICONMASK) {
    case MB_ICONHAND: st.icon = LoadIconA(NULL, IDI_HAND); beep = MB_ICONHAND; break;
    case MB_ICONQUESTION: st.icon = LoadIconA(NULL, IDI_QUESTION); beep = MB_ICONQUESTION; break;
    case MB_ICONEXCLAMATION: st.icon = LoadIconA(NULL, IDI_EXCLAMATION); beep = MB_ICONEXCLAMATION; break;
    case MB_ICONASTERISK: st.icon = LoadIconA(NULL, IDI_ASTERISK); beep = MB_ICONASTERISK; break;
    case MB_USERICON: st.icon = params->lpszIcon ? LoadIconA(module, params->lpszIcon) : NULL; break;
    default: break;
    }
    if (beep && !(st.style & MBX_NOBEEP))
        MessageBeep(beep);

    st.text = LoadBoxText(module, params->lpszText);
    st.caption = LoadBoxText(module, params->lpszCaption);

    NONCLIENTMETRICSA ncm;
    memset(&ncm, 0, sizeof ncm);
    ncm.cbSize = sizeof ncm;
    char face[LF_FACESIZE] = "MS Shell Dlg";
    WORD points = 8;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0) && ncm.lfMessageFont.lfFaceName[0]) {
        lstrcpynA(face, ncm.lfMessageFont.lfFaceName, LF_FACESIZE);
        HDC dc = GetDC(NULL);
        int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc)
            ReleaseDC(NULL, dc);
        LONG h = ncm.lfMessageFont.lfHeight;
        int pt = h < 0 ? MulDiv(-h, 72, dpi > 0 ? dpi : 96) : (h > 0 ? MulDiv(h, 72, dpi > 0 ? dpi : 96) : 8);
        points = static_cast<WORD>(pt > 0 && pt < 72 ? pt : 8);
    }

    DWORD exStyle = 0x10101 | ((st.style & MBX_TOPMOST) ? WS_EX_TOPMOST : 0)
                    | ((st.style & MBX_POSITION) ? WS_EX_RIGHT : 0);
    CDlgTemplateBuilder b;
    bool ok = b.Begin(NULL, 0x94C80980, 0, 0, 100, 50, face, points, FALSE, exStyle)
              && b.AddStatic(kIconId, NULL, SS_ICON, 0, 0, 0, 0);
    for (int i = 0; ok && i < st.buttonCount; ++i) {
        DWORD bs = WS_TABSTOP | (i == st.defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (i == 0 ? WS_GROUP : 0);
        ok = b.AddButton(static_cast<DWORD>(st.buttons[i]), "", bs, 0, 0, 50, 14) != FALSE;
    }
    int result = 0;
    if (ok && b.GetTemplate() && st.text && st.caption) {
        INT_PTR r = DialogBoxIndirectParamW(module, b.GetTemplate(), params->hwndOwner,
                                            &MessageBoxDialogProc, reinterpret_cast<LPARAM>(&st));
        result = r > 0 ? static_cast<int>(r) : 0;
    }
    free(st.text);
    free(st.caption);
    // LoadIcon hands out shared icons: nothing to destroy.
    return result;
}

int ShowMessageBox(MessageBoxParams* params, DWORD reserved, DWORD timeoutMs)
{
    if (!params)
        return 0;
    DWORD t = timeoutMs;
    if (t == 0xFFFFFFFF)
        t = 0;
    if (t >= 0x1000000)
        t = 0xFFFFFF;
    if (t && !(params->dwStyle & (MBX_NOMARK | MBX_TIMEOUT)))
        t |= 0x65000000;
    return RunMessageBoxDialog(params, reserved, t);
}
