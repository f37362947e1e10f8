// Two corners of the subclass procedures: an attach where the caller has installed the
// window procedure itself and names the one to chain to, and Down, which opens a closed
// drop-down list only as a key press.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "classlib/DlgTemplate.h"
#include "uihelpers/ControlSubclass.h"
#include "TestWindows.h"

namespace {

const int kCombo = 300;
const int kList = 301;
const int kEdit = 302;

// A visible dialog with an editable combo box, a drop-down list and an edit field.
class KeyDialog {
public:
    KeyDialog()
    {
        CDlgTemplateBuilder b;
        b.Begin("Anhaengen", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120, "MS Sans Serif", 8, FALSE);
        b.AddComboBox(kCombo, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 5, 5, 150, 80);
        b.AddComboBox(kList, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 5, 30, 150, 80);
        b.AddEdit(kEdit, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 55, 150, 12);
        m_dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), b.GetTemplate(), NULL, &uitest::QuietDlgProc, 0);
        SetForegroundWindow(m_dialog);
    }
    ~KeyDialog() { DestroyWindow(m_dialog); }
    HWND Combo() const { return GetDlgItem(m_dialog, kCombo); }
    HWND InnerEdit() const { return FindWindowExA(Combo(), NULL, "Edit", NULL); }
    HWND List() const { return GetDlgItem(m_dialog, kList); }
    HWND Edit() const { return GetDlgItem(m_dialog, kEdit); }
    void AddItems(HWND combo) const
    {
        for (const char* s : { "eins", "zwei", "drei" })
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    }

private:
    HWND m_dialog = nullptr;
};

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The procedure a caller chains to: it counts the text requests it sees and passes all on
// to the window's class procedure.
WNDPROC g_chainedClass = nullptr;
int g_chainedCalls = 0;
LRESULT CALLBACK ChainedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETTEXTLENGTH)
        ++g_chainedCalls;
    return CallWindowProcA(g_chainedClass, window, message, wParam, lParam);
}

// The caller's own wrapper, installed as the window procedure: it hands every message to the
// subclass procedure it wraps.
WNDPROC g_wrapped = nullptr;
LRESULT CALLBACK WrapperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(g_wrapped, window, message, wParam, lParam);
}

}  // namespace

// With a procedure in lParam the attach only stores it as the one to chain to: the window
// procedure the caller installed stays, and what the subclass procedure passes on goes to
// the named procedure, which a detach with lParam also leaves installed.
TEST(ControlSubclassAttach, AttachWithAProcedureChainsToItAndLeavesTheWindowProcedure)
{
    enum Control { COMBO, INNER_EDIT, LIST, EDIT };
    const struct { WNDPROC proc; Control control; const char* cls; } cases[] = {
        { CeComboProc, COMBO, "COMBOBOX" },
        { CeComboEditProc, INNER_EDIT, "EDIT" },
        { CeComboKeyProc, LIST, "COMBOBOX" },
        { CeEditKeyNotifyProc, EDIT, "EDIT" },
        { CeEditBlockChangesProc, EDIT, "EDIT" },
        { CeFileNameEditProc, EDIT, "EDIT" },
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(row++);
        KeyDialog d;
        HWND w = c.control == COMBO ? d.Combo() : c.control == INNER_EDIT ? d.InnerEdit() : c.control == LIST ? d.List() : d.Edit();
        WNDCLASSA wc;
        ASSERT_TRUE(GetClassInfoA(NULL, c.cls, &wc));
        g_chainedClass = wc.lpfnWndProc;
        g_wrapped = c.proc;
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WrapperProc));
        EXPECT_EQ(1, SendMessageA(w, CE_MSG_ATTACH, 0, reinterpret_cast<LPARAM>(&ChainedProc)));
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(&WrapperProc), GetWindowLongPtrA(w, GWLP_WNDPROC));
        EXPECT_EQ(reinterpret_cast<HANDLE>(&ChainedProc), GetPropW(w, L"CeData"));
        // Chained to the wrong procedure, the wrapper and the subclass would call each other
        // without end on the next message: the window gets its class back before any.
        if (GetWindowLongPtrA(w, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&WrapperProc) ||
            GetPropW(w, L"CeData") != reinterpret_cast<HANDLE>(&ChainedProc)) {
            SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
            RemovePropW(w, L"CeData");
            continue;
        }
        g_chainedCalls = 0;
        SetWindowTextA(w, "kette");
        EXPECT_EQ(SendMessageA(w, WM_GETTEXTLENGTH, 0, 0), CallWindowProcA(wc.lpfnWndProc, w, WM_GETTEXTLENGTH, 0, 0));
        EXPECT_EQ(1, g_chainedCalls) << "the message did not go on to the named procedure";
        EXPECT_EQ(reinterpret_cast<LRESULT>(&ChainedProc), SendMessageA(w, CE_MSG_DETACH, 0, 1));
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(&WrapperProc), GetWindowLongPtrA(w, GWLP_WNDPROC));
        EXPECT_EQ(nullptr, GetPropW(w, L"CeData"));
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
    }
}

// Down (key code 40) opens a closed list that holds items only when it comes as a key press:
// its release and a typed "(" (the same code as a character) open nothing, an empty list
// stays closed, and in an open list Down goes on to move the selection.
TEST(ControlSubclassAttach, DownOpensAClosedListOnlyOnItsKeyPress)
{
    enum Control { INNER_EDIT, LIST };
    const struct { WNDPROC proc; Control control; UINT message; bool items; bool openFirst; bool opens; bool moves; } cases[] = {
        { CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, true, false, true, false },
        { CeComboKeyEditProc, INNER_EDIT, WM_KEYUP, true, false, false, false },
        { CeComboKeyEditProc, INNER_EDIT, WM_CHAR, true, false, false, false },
        { CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, false, false, false, false },
        { CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, true, true, true, true },
        { CeComboKeyProc, LIST, WM_KEYDOWN, true, false, true, false },
        { CeComboKeyProc, LIST, WM_KEYUP, true, false, false, false },
        { CeComboKeyProc, LIST, WM_CHAR, true, false, false, false },
        { CeComboKeyProc, LIST, WM_KEYDOWN, false, false, false, false },
        { CeComboKeyProc, LIST, WM_KEYDOWN, true, true, true, true },
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(row++);
        KeyDialog d;
        HWND combo = c.control == LIST ? d.List() : d.Combo();
        HWND w = c.control == LIST ? d.List() : d.InnerEdit();
        if (c.items)
            d.AddItems(combo);
        InstallSubclass(w, c.proc);
        SetFocus(w);
        if (c.openFirst)
            SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        ASSERT_EQ(c.openFirst, SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0);
        const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        SendMessageA(w, c.message, VK_DOWN, c.message == WM_KEYUP ? 0xC0000001 : 1);
        Pump();
        EXPECT_EQ(c.opens, SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0);
        EXPECT_EQ(c.moves, SendMessageA(combo, CB_GETCURSEL, 0, 0) != selected);
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
}
