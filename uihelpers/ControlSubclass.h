// Subclass procedures for edit fields and combo boxes: a combo box that reports its inner
// edit's focus under its own id, keeps the edit selection over a loss of focus and lets its
// dialog colour the edit; the file-name combo box of the extended file dialog with its hidden
// partner field that mirrors the visible text.
//
// Every procedure keeps the window's previous procedure in the window property "CeData" and
// passes on what it does not handle, so procedures can be attached and detached at any time.
// They understand two messages of their own: CE_MSG_ATTACH (lParam 0: the procedure installs
// itself; else lParam is the previous procedure the caller already replaced) and
// CE_MSG_DETACH (lParam 0 restores the previous procedure; the result is that procedure).
#pragma once
#include <windows.h>
#include <commctrl.h>

class CWnd;

const UINT CE_MSG_ATTACH = 27133;   // 0x69FD
const UINT CE_MSG_DETACH = 27132;   // 0x69FC

// Text messages answered by a hidden partner field (the partner of a control is the control
// of the same dialog whose id is the control's id XOR CE_PARTNER_XOR).
const UINT CE_MSG_PARTNER_SETTEXT = 0x39AA;   // wParam 0, lParam the text
const UINT CE_MSG_PARTNER_GETTEXT = 0x39AB;   // wParam the buffer size, lParam the buffer
const int CE_PARTNER_XOR = 0x5555;

// Edit notification codes besides the standard ones.
const WORD CE_EN_FILE_DROPPED = 0x0703;

// A receiver of a key notification (WM_NOTIFY with an NMKEY, code NM_KEYDOWN or NM_RETURN)
// marks the key handled by answering non-zero or by setting hdr.idFrom to this value (a
// dialog procedure cannot always return a WM_NOTIFY answer).
const UINT_PTR CE_KEY_HANDLED = 0x12345678;

// Attaches `procedure` to the window (it installs itself); 1.
int InstallSubclass(HWND window, WNDPROC procedure);
// The same on a class-library window object.
int InstallWndSubclass(CWnd* window, WNDPROC procedure);
// 0 for a null procedure, else the procedure's answer to CE_MSG_ATTACH.
int InstallSubclassChecked(HWND window, WNDPROC procedure);
// Keeps the window's current procedure in its user data and installs `procedure` (for the
// procedures that chain through the user data); 0 for a null procedure, else 1.
int SubclassWindowSimple(HWND window, WNDPROC procedure);

// Sends the key record (code, nVKey and uFlags filled by the caller) as WM_NOTIFY from
// `window` to its parent; 1 when the receiver marked it with CE_KEY_HANDLED, else its answer.
LRESULT NotifyKeyDown(HWND window, NMKEY* record);

// Combo box: attaches CeComboEditProc to the inner edit; the dialog colours the inner edit
// by the combo's id (WM_CTLCOLOREDIT arrives with the combo as the control); CB_GETEDITSEL
// while neither the combo nor its edit has the focus answers the selection the edit had
// when it lost the focus.
LRESULT CALLBACK CeComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Inner edit of a combo box: sends the dialog EN_SETFOCUS and EN_KILLFOCUS under the combo's
// id (lParam the edit) and keeps the selection at the loss of focus in the edit's id field.
LRESULT CALLBACK CeComboEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Name combo box of the extended file dialog (its partner is a hidden edit field): edit
// notifications go to the dialog under the combo's id, its text goes to the partner, edit
// messages go to the inner edit, the text of a selected item is its text, files dropped on
// it become its text, key presses are offered to the dialog first.
LRESULT CALLBACK CeFileNameComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Hidden partner field of the extended file dialog: answers the partner text messages on
// itself, and passes edit and text messages on to its visible control; Enter is offered to
// the dialog on behalf of that control.
LRESULT CALLBACK CeFileNameEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Inner edit of a combo box: Tab and Enter close the drop-down list and are offered to the
// dialog on behalf of the combo (NM_KEYDOWN for Tab, NM_RETURN for Enter); a handled key is
// dropped together with the key messages that follow it (its WM_CHAR and WM_KEYUP). Down
// opens a closed list that holds items.
LRESULT CALLBACK CeComboKeyEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Drop-down list combo box: the same for Tab (NM_KEYDOWN) and Down.
LRESULT CALLBACK CeComboKeyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Edit: Tab and Enter are offered to the parent as NM_KEYDOWN; only a non-zero answer marks
// them handled, and a handled key is dropped with the key messages that follow it.
LRESULT CALLBACK CeEditKeyNotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Inner edit of a combo box with a partner field: a new text is given to the combo's partner
// and reported to the dialog (EN_CHANGE under the combo's id); key presses are offered to
// the combo as NM_KEYDOWN.
LRESULT CALLBACK CeEditPartnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Files dropped from the shell: the first name becomes the text of the inner edit of a combo
// box (CBN_EDITCHANGE and CE_EN_FILE_DROPPED posted under the combo's id), of a combo box
// (its list selection cleared; the same two codes) or of an edit (EN_CHANGE and
// CE_EN_FILE_DROPPED under its own id).
LRESULT CALLBACK CeComboEditDropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CeComboDropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CeEditDropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Edit that never paints greyed: while disabled the dialog's keyboard navigation skips it and
// it takes no focus.
LRESULT CALLBACK CeEditDisabledLookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Edit that stays readable while disabled but refuses changes (cut, paste, clear, typing,
// Backspace, Delete) then; it chains through the window's user data, so install it with
// SubclassWindowSimple.
LRESULT CALLBACK CeEditLockWhenDisabledProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Edit whose text can be selected and copied but never changed.
LRESULT CALLBACK CeEditBlockChangesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
