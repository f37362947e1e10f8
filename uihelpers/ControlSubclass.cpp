#include "uihelpers/ControlSubclass.h"

#include <shellapi.h>
#include <string.h>

#include "classlib/Wnd.h"

namespace {

// The system classes' own procedures and the property atom, made once for the process.
WNDPROC g_editClassProc = nullptr;
WNDPROC g_comboClassProc = nullptr;
ATOM g_ceDataAtom = 0;

void InitCeData()
{
    WNDCLASSA wc;
    if (::GetClassInfoA(nullptr, "EDIT", &wc))
        g_editClassProc = wc.lpfnWndProc;
    if (::GetClassInfoA(nullptr, "COMBOBOX", &wc))
        g_comboClassProc = wc.lpfnWndProc;
    g_ceDataAtom = ::GlobalAddAtomW(L"CeData");
}

LPCWSTR CeDataName()
{
    if (!g_ceDataAtom)
        InitCeData();
    return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(g_ceDataAtom));
}

WNDPROC EditClassProc()
{
    CeDataName();
    return g_editClassProc;
}

WNDPROC ComboClassProc()
{
    CeDataName();
    return g_comboClassProc;
}

WNDPROC PreviousProc(HWND window)
{
    return reinterpret_cast<WNDPROC>(::GetPropW(window, CeDataName()));
}

// The attach and detach protocol, the same for every procedure; `classProc` stands in when
// the procedure finds itself already installed, so that it never chains to itself.
LRESULT Attach(HWND window, WNDPROC self, WNDPROC classProc, LPARAM lParam)
{
    WNDPROC previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (previous == self)
        previous = classProc;
    if (lParam)
        previous = reinterpret_cast<WNDPROC>(lParam);
    else
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self));
    ::SetPropW(window, CeDataName(), reinterpret_cast<HANDLE>(previous));
    return 1;
}

LRESULT Detach(HWND window, LPARAM lParam)
{
    WNDPROC previous = PreviousProc(window);
    if (!lParam && previous)
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    ::RemovePropW(window, CeDataName());
    return reinterpret_cast<LRESULT>(previous);
}

// Passes a message on to the previous procedure (the class's when the property is gone).
LRESULT Forward(HWND window, WNDPROC classProc, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC previous = PreviousProc(window);
    if (!previous)
        previous = classProc ? classProc : ::DefWindowProcA;
    if (message == WM_NCDESTROY)
        ::RemovePropW(window, CeDataName());
    return ::CallWindowProcA(previous, window, message, wParam, lParam);
}

// Handles attach and detach; true when the message was one of them.
bool Protocol(HWND window, WNDPROC self, WNDPROC classProc, UINT message, LPARAM lParam, LRESULT* result)
{
    if (message == CE_MSG_ATTACH)
    {
        *result = Attach(window, self, classProc, lParam);
        return true;
    }
    if (message == CE_MSG_DETACH)
    {
        *result = Detach(window, lParam);
        return true;
    }
    return false;
}

HWND InnerEdit(HWND combo)
{
    return ::FindWindowExA(combo, nullptr, "Edit", nullptr);
}

int ControlId(HWND window)
{
    return static_cast<int>(::GetWindowLongPtrA(window, GWLP_ID));
}

HWND Partner(HWND control)
{
    HWND dialog = ::GetParent(control);
    return dialog ? ::GetDlgItem(dialog, ControlId(control) ^ CE_PARTNER_XOR) : nullptr;
}

void SendCommand(HWND dialog, int id, WORD code, HWND control)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

void PostCommand(HWND dialog, int id, WORD code, HWND control)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

// Sends the key record as WM_NOTIFY from `source` to its parent; the receiver's answer.
LRESULT SendKeyRecord(HWND source, NMKEY* record)
{
    record->hdr.hwndFrom = source;
    record->hdr.idFrom = static_cast<UINT_PTR>(ControlId(source));
    return ::SendMessageA(::GetParent(source), WM_NOTIFY, record->hdr.idFrom, reinterpret_cast<LPARAM>(record));
}

// Offers a key to the parent of `source` with the notification code; true when it was
// handled (by the answer, and with `markCounts` also by the CE_KEY_HANDLED mark).
bool OfferKey(HWND source, int code, WPARAM key, LPARAM keyData, bool markCounts)
{
    NMKEY record;
    memset(&record, 0, sizeof(record));
    record.hdr.code = static_cast<UINT>(code);
    record.nVKey = static_cast<UINT>(key);
    record.uFlags = static_cast<UINT>(keyData);
    return (markCounts ? NotifyKeyDown(source, &record) : SendKeyRecord(source, &record)) != 0;
}

// Offers a key to the dialog as NM_KEYDOWN from `source`; true when it was handled.
bool KeyHandled(HWND source, WPARAM key, LPARAM keyData)
{
    return OfferKey(source, NM_KEYDOWN, key, keyData, true);
}

bool IsKeyMessage(UINT message)
{
    return message >= WM_KEYDOWN && message <= 0x108;
}

// A key the dialog handled is remembered, so that the messages that follow its press (the
// WM_CHAR that TranslateMessage makes of it, its WM_KEYUP) never reach the control: an Enter
// that closed the dialog must not also be typed. Every key procedure has its own word.
UINT g_comboEditHandledKey = 0;
UINT g_comboHandledKey = 0;
UINT g_editHandledKey = 0;

bool FollowsHandledKey(UINT message, WPARAM key, UINT remembered)
{
    return remembered != 0 && message != WM_KEYDOWN && key == remembered;
}

// Offers the key and keeps the memory: the key when it was handled, else none.
bool OfferRememberedKey(HWND source, int code, WPARAM key, LPARAM keyData, bool markCounts, UINT* remembered)
{
    bool handled = OfferKey(source, code, key, keyData, markCounts);
    *remembered = handled ? static_cast<UINT>(key) : 0;
    return handled;
}

// Tab and Enter of a combo box (or its inner edit): the list closes first, then the dialog
// is asked on behalf of the combo box.
bool OfferComboKey(HWND combo, int code, WPARAM key, LPARAM keyData, UINT* remembered)
{
    ::SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    return OfferRememberedKey(combo, code, key, keyData, true, remembered);
}

// Down opens a closed list that holds items; true when it did. Only the key press counts:
// a WM_CHAR of 40 is a typed "(".
bool OpenClosedList(HWND combo, UINT message, WPARAM key)
{
    if (message != WM_KEYDOWN || key != VK_DOWN || ::SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) ||
        ::SendMessageA(combo, CB_GETCOUNT, 0, 0) <= 0)
        return false;
    ::SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    return true;
}

// The keys of a combo box or its inner edit: what follows a handled key is dropped, Tab (and
// Enter, with `withEnter`) is offered on behalf of the combo box, Down opens its list. True
// when the message goes no further.
bool HandleComboKey(HWND combo, UINT message, WPARAM key, LPARAM keyData, bool withEnter, UINT* remembered)
{
    if (!IsKeyMessage(message))
        return false;
    if (FollowsHandledKey(message, key, *remembered))
        return true;
    if (key == VK_TAB || (withEnter && key == VK_RETURN))
        return OfferComboKey(combo, key == VK_TAB ? NM_KEYDOWN : NM_RETURN, key, keyData, remembered);
    return OpenClosedList(combo, message, key);
}

// The messages by which a user changes an edit's text: cut, paste, clear, undo (the
// context menu's "Rückgängig" would bring back a text the program replaced), typing,
// Backspace and Delete. Ctrl+C arrives as the character 3 and only copies, so it stays.
// Shift+Insert pastes straight from the key press, without a WM_PASTE, so the press itself
// is refused (Ctrl+Insert copies and stays).
bool ChangesEditText(UINT message, WPARAM wParam)
{
    if (message == WM_KEYDOWN && wParam == VK_INSERT)
        return ::GetKeyState(VK_SHIFT) < 0 && ::GetKeyState(VK_CONTROL) >= 0;
    switch (message)
    {
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
        return true;
    case WM_CHAR:
        return wParam != 3;
    case WM_KEYDOWN:
        return wParam == VK_BACK || wParam == VK_DELETE;
    default:
        return false;
    }
}

bool IsEditMessage(UINT message)
{
    return message >= 0xB0 && message <= 0xD9;
}

// The edit notifications the file-name combo box hands on to its dialog.
bool IsForwardedEditCode(WORD code)
{
    static const WORD kCodes[] = { 0x0300, 0x0705, 0x0703, 0x0500, 0x0200, 0x0501,
                                   0x0702, 0x0100, 0x0706, 0x0400, 0x0602, 0x0601 };
    for (WORD c : kCodes)
        if (c == code)
            return true;
    return false;
}

// The first dropped name, or false for a drop without names; the drop is finished.
bool TakeDroppedName(HDROP drop, char* name, int size)
{
    bool named = ::DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0) >= 1 &&
                 ::DragQueryFileA(drop, 0, name, static_cast<UINT>(size)) > 0;
    ::DragFinish(drop);
    return named;
}

// A drop procedure: the first dropped name becomes the window's text (a combo box's list
// selection cleared first), and the parent of `control` is posted `changeCode` and
// CE_EN_FILE_DROPPED under the control's id.
LRESULT DropProc(HWND window, WNDPROC self, WNDPROC classProc, UINT message, WPARAM wParam, LPARAM lParam,
                 HWND control, WORD changeCode)
{
    LRESULT result = 0;
    if (Protocol(window, self, classProc, message, lParam, &result))
        return result;
    if (message != WM_DROPFILES)
        return Forward(window, classProc, message, wParam, lParam);
    char name[260];
    if (!TakeDroppedName(reinterpret_cast<HDROP>(wParam), name, sizeof(name)))
        return 0;
    if (classProc == ComboClassProc())
        ::SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    HWND dialog = ::GetParent(control);
    PostCommand(dialog, ControlId(control), changeCode, control);
    PostCommand(dialog, ControlId(control), CE_EN_FILE_DROPPED, control);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Installing

int InstallSubclass(HWND window, WNDPROC procedure)
{
    CeDataName();
    if (procedure)
        ::CallWindowProcA(procedure, window, CE_MSG_ATTACH, 0, 0);
    return 1;
}

int InstallWndSubclass(CWnd* window, WNDPROC procedure)
{
    return InstallSubclass(window ? window->m_hWnd : nullptr, procedure);
}

int InstallSubclassChecked(HWND window, WNDPROC procedure)
{
    if (!procedure)
        return 0;
    CeDataName();
    return static_cast<int>(::CallWindowProcA(procedure, window, CE_MSG_ATTACH, 0, 0));
}

int SubclassWindowSimple(HWND window, WNDPROC procedure)
{
    if (!procedure)
        return 0;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, ::GetWindowLongPtrA(window, GWLP_WNDPROC));
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    return 1;
}

LRESULT NotifyKeyDown(HWND window, NMKEY* record)
{
    if (!record)
        return 0;
    LRESULT answer = SendKeyRecord(window, record);
    return record->hdr.idFrom == CE_KEY_HANDLED ? 1 : answer;
}

// ---------------------------------------------------------------------------------------------
// Combo box and its inner edit

LRESULT CALLBACK CeComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeComboProc, ComboClassProc(), message, lParam, &result))
    {
        if (message == CE_MSG_ATTACH)
        {
            HWND edit = InnerEdit(window);
            if (edit)
                InstallSubclass(edit, CeComboEditProc);
        }
        return result;
    }
    switch (message)
    {
    case WM_CTLCOLOREDIT:
    {
        // The dialog sees the combo box as the control, so it colours the edit by the combo's id.
        HWND dialog = ::GetParent(window);
        WNDPROC dialogProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(dialog, GWLP_WNDPROC));
        if (dialogProc)
            return ::CallWindowProcA(dialogProc, dialog, message, wParam, reinterpret_cast<LPARAM>(window));
        break;
    }
    case CB_GETEDITSEL:
    {
        HWND edit = InnerEdit(window);
        HWND focus = ::GetFocus();
        if (edit && focus != window && focus != edit)
        {
            DWORD saved = static_cast<DWORD>(::GetWindowLongPtrA(edit, GWLP_ID));
            if (wParam)
                *reinterpret_cast<DWORD*>(wParam) = LOWORD(saved);
            if (lParam)
                *reinterpret_cast<DWORD*>(lParam) = HIWORD(saved);
            return static_cast<LRESULT>(saved);
        }
        break;
    }
    default:
        break;
    }
    return Forward(window, ComboClassProc(), message, wParam, lParam);
}

LRESULT CALLBACK CeComboEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeComboEditProc, EditClassProc(), message, lParam, &result))
    {
        // The id field holds the selection from now on (the combo box knows its edit by
        // handle): start it with the selection there is, so that a combo box that never had
        // the focus answers a real one.
        if (message == CE_MSG_ATTACH)
            ::SetWindowLongPtrA(window, GWLP_ID, static_cast<LONG_PTR>(::SendMessageA(window, EM_GETSEL, 0, 0)));
        return result;
    }
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS)
    {
        HWND combo = ::GetParent(window);
        SendCommand(::GetParent(combo), ControlId(combo), message == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS, window);
        if (message == WM_KILLFOCUS)
            ::SetWindowLongPtrA(window, GWLP_ID, static_cast<LONG_PTR>(::SendMessageA(window, EM_GETSEL, 0, 0)));
    }
    return Forward(window, EditClassProc(), message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// File-name combo box and its hidden partner

LRESULT CALLBACK CeFileNameComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeFileNameComboProc, ComboClassProc(), message, lParam, &result))
        return result;
    HWND edit = InnerEdit(window);
    HWND dialog = ::GetParent(window);
    const int id = ControlId(window);
    switch (message)
    {
    case WM_COMMAND:
        if (edit && reinterpret_cast<HWND>(lParam) == edit && IsForwardedEditCode(HIWORD(wParam)))
        {
            result = Forward(window, ComboClassProc(), message, wParam, lParam);
            WORD code = HIWORD(wParam);
            SendCommand(dialog, id, code, edit);
            if (code == EN_CHANGE)
            {
                char text[260];
                text[0] = 0;
                ::GetWindowTextA(edit, text, sizeof(text));
                HWND partner = Partner(window);
                if (partner)
                    ::SendMessageA(partner, CE_MSG_PARTNER_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
                Forward(window, ComboClassProc(), WM_COMMAND, MAKEWPARAM(ControlId(edit), 0x0180),
                        reinterpret_cast<LPARAM>(edit));
            }
            return result;
        }
        break;
    case WM_SETTEXT:
    {
        result = Forward(window, ComboClassProc(), message, wParam, lParam);
        const char* text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        HWND partner = Partner(window);
        if (partner)
        {
            char shown[259];
            shown[0] = 0;
            ::SendMessageA(partner, CE_MSG_PARTNER_GETTEXT, sizeof(shown), reinterpret_cast<LPARAM>(shown));
            shown[sizeof(shown) - 1] = 0;
            if (strcmp(shown, text) != 0)
                ::SendMessageA(partner, CE_MSG_PARTNER_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        }
        if (edit)
            ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
        return result;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    {
        LRESULT selected = ::SendMessageA(window, CB_GETCURSEL, 0, 0);
        if (selected < 0)
            return edit ? ::SendMessageA(edit, message, wParam, lParam) : Forward(window, ComboClassProc(), message, wParam, lParam);
        LRESULT length = ::SendMessageA(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
        if (message == WM_GETTEXTLENGTH)
            return length < 0 ? 0 : length;
        char* out = reinterpret_cast<char*>(lParam);
        if (!out || wParam == 0)
            return 0;
        out[0] = 0;
        // Items of 1024 characters or more are not read: the fixed buffer keeps the stack small.
        char item[1024];
        if (length <= 0 || length >= static_cast<LRESULT>(sizeof(item)) ||
            ::SendMessageA(window, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(item)) < 0)
            return 0;
        size_t n = static_cast<size_t>(length) < wParam - 1 ? static_cast<size_t>(length) : wParam - 1;
        memcpy(out, item, n);
        out[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_DROPFILES:
    {
        if (!(::GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
            break;
        char name[260];
        if (!TakeDroppedName(reinterpret_cast<HDROP>(wParam), name, sizeof(name)))
            return 0;
        ::SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ::SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        PostCommand(dialog, id, CBN_EDITCHANGE, window);
        PostCommand(dialog, id, EN_CHANGE, window);
        PostCommand(dialog, id, CE_EN_FILE_DROPPED, window);
        return 0;
    }
    case WM_KEYDOWN:
        if (KeyHandled(window, wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY:
    {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && edit && header->hwndFrom == edit)
        {
            result = Forward(window, ComboClassProc(), message, wParam, lParam);
            ::SendMessageA(dialog, WM_NOTIFY, wParam, lParam);
            return result;
        }
        break;
    }
    default:
        if (IsEditMessage(message) && edit)
            return ::SendMessageA(edit, message, wParam, lParam);
        break;
    }
    return Forward(window, ComboClassProc(), message, wParam, lParam);
}

LRESULT CALLBACK CeFileNameEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeFileNameEditProc, EditClassProc(), message, lParam, &result))
        return result;
    HWND visible = Partner(window);
    switch (message)
    {
    case CE_MSG_PARTNER_SETTEXT:
        return Forward(window, EditClassProc(), WM_SETTEXT, wParam, lParam);
    case CE_MSG_PARTNER_GETTEXT:
        return Forward(window, EditClassProc(), WM_GETTEXT, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN && visible && KeyHandled(visible, wParam, lParam))
            return 0;
        break;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        result = Forward(window, EditClassProc(), message, wParam, lParam);
        return visible ? ::SendMessageA(visible, message, wParam, lParam) : result;
    default:
        if (IsEditMessage(message))
        {
            result = Forward(window, EditClassProc(), message, wParam, lParam);
            return visible ? ::SendMessageA(visible, message, wParam, lParam) : result;
        }
        break;
    }
    return Forward(window, EditClassProc(), message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Keys offered to the dialog

LRESULT CALLBACK CeComboKeyEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeComboKeyEditProc, EditClassProc(), message, lParam, &result))
        return result;
    if (HandleComboKey(::GetParent(window), message, wParam, lParam, true, &g_comboEditHandledKey))
        return 0;
    return Forward(window, EditClassProc(), message, wParam, lParam);
}

LRESULT CALLBACK CeComboKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeComboKeyProc, ComboClassProc(), message, lParam, &result))
        return result;
    if (HandleComboKey(window, message, wParam, lParam, false, &g_comboHandledKey))
        return 0;
    return Forward(window, ComboClassProc(), message, wParam, lParam);
}

LRESULT CALLBACK CeEditKeyNotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeEditKeyNotifyProc, EditClassProc(), message, lParam, &result))
        return result;
    if (IsKeyMessage(message))
    {
        if (FollowsHandledKey(message, wParam, g_editHandledKey))
            return 0;
        if ((wParam == VK_TAB || wParam == VK_RETURN) &&
            OfferRememberedKey(window, NM_KEYDOWN, wParam, lParam, false, &g_editHandledKey))
            return 0;
    }
    return Forward(window, EditClassProc(), message, wParam, lParam);
}

LRESULT CALLBACK CeEditPartnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeEditPartnerProc, EditClassProc(), message, lParam, &result))
        return result;
    if (message == WM_SETTEXT)
    {
        result = Forward(window, EditClassProc(), message, wParam, lParam);
        HWND combo = ::GetParent(window);
        HWND partner = combo ? Partner(combo) : nullptr;
        if (result && partner)
        {
            const char* text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            char shown[1024];
            shown[0] = 0;
            ::SendMessageA(partner, CE_MSG_PARTNER_GETTEXT, sizeof(shown), reinterpret_cast<LPARAM>(shown));
            shown[sizeof(shown) - 1] = 0;
            if (strcmp(shown, text) != 0)
            {
                ::SendMessageA(partner, CE_MSG_PARTNER_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
                SendCommand(::GetParent(combo), ControlId(combo), EN_CHANGE, combo);
            }
        }
        return result;
    }
    if (message == WM_KEYDOWN && KeyHandled(window, wParam, lParam))
        return 0;
    return Forward(window, EditClassProc(), message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Files dropped from the shell

LRESULT CALLBACK CeComboEditDropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DropProc(window, CeComboEditDropProc, EditClassProc(), message, wParam, lParam, ::GetParent(window),
                    CBN_EDITCHANGE);
}

LRESULT CALLBACK CeComboDropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DropProc(window, CeComboDropProc, ComboClassProc(), message, wParam, lParam, window, CBN_EDITCHANGE);
}

LRESULT CALLBACK CeEditDropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DropProc(window, CeEditDropProc, EditClassProc(), message, wParam, lParam, window, EN_CHANGE);
}

// ---------------------------------------------------------------------------------------------
// Fields that look enabled or refuse changes

LRESULT CALLBACK CeEditDisabledLookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeEditDisabledLookProc, EditClassProc(), message, lParam, &result))
        return result;
    if (!::IsWindowEnabled(window))
    {
        // Answering as a static control takes the field out of the dialog's Tab order.
        if (message == WM_GETDLGCODE)
            return DLGC_STATIC;
        if (message == WM_SETFOCUS)
            return 0;
    }
    // The edit paints greyed from what WM_ENABLE told it, so it is only ever told "enabled".
    if (message == WM_ENABLE)
        wParam = TRUE;
    return Forward(window, EditClassProc(), message, wParam, lParam);
}

LRESULT CALLBACK CeEditLockWhenDisabledProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeEditLockWhenDisabledProc, EditClassProc(), message, lParam, &result))
        return result;
    bool enabled = ::IsWindowEnabled(window) != FALSE;
    if (message == WM_GETDLGCODE && enabled)
        return DLGC_WANTARROWS;
    if (!enabled && ChangesEditText(message, wParam))
        return 0;
    if (message == WM_ENABLE)
        wParam = TRUE;
    // The previous procedure is in the user data (SubclassWindowSimple). Attached through
    // CE_MSG_ATTACH instead, the user data may hold anything: the property is taken then;
    // installed twice, the user data holds this very procedure and the class's stands in.
    WNDPROC previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (PreviousProc(window) || !previous || previous == CeEditLockWhenDisabledProc)
        return Forward(window, EditClassProc(), message, wParam, lParam);
    return ::CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK CeEditBlockChangesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Protocol(window, CeEditBlockChangesProc, EditClassProc(), message, lParam, &result))
        return result;
    if (message == WM_GETDLGCODE)
        return DLGC_WANTARROWS;
    if (ChangesEditText(message, wParam))
        return 0;
    return Forward(window, EditClassProc(), message, wParam, lParam);
}
