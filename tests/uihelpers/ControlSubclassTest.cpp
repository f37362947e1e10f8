// The combo-box and file-name subclass procedures on real controls of a dialog whose
// procedure records what reaches it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <string>
#include <vector>
#include "classlib/DlgTemplate.h"
#include "classlib/Wnd.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/ControlSubclass.h"
#include "TestWindows.h"

namespace {

const int kCombo = 200;
const int kOther = 201;
const int kList = 202;
const int kPartner = kCombo ^ CE_PARTNER_XOR;

struct Seen {
    std::vector<std::pair<int, int>> commands;   // (id, code)
    std::vector<int> colouredIds;                // ids of WM_CTLCOLOREDIT requests
    std::vector<int> staticIds;                  // ids of WM_CTLCOLORSTATIC requests
    std::vector<UINT> keys;                      // keys offered by WM_NOTIFY
    std::vector<UINT> keyCodes;                   // their notification codes
    bool markHandled = false;
    bool answerHandled = false;                  // handled by the dialog's answer
};
Seen g_seen;

INT_PTR CALLBACK RecordingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        g_seen.commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        return TRUE;
    case WM_CTLCOLOREDIT:
        g_seen.colouredIds.push_back(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        return FALSE;
    case WM_CTLCOLORSTATIC:
        g_seen.staticIds.push_back(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        return FALSE;
    case WM_NOTIFY: {
        NMKEY* key = reinterpret_cast<NMKEY*>(lParam);
        g_seen.keys.push_back(key->nVKey);
        g_seen.keyCodes.push_back(key->hdr.code);
        if (g_seen.markHandled) key->hdr.idFrom = CE_KEY_HANDLED;
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, g_seen.answerHandled);
        return g_seen.answerHandled;
    }
    default:
        return FALSE;
    }
}

// A visible dialog with an editable combo box, a second edit and a hidden partner edit.
class SubclassDialog {
public:
    SubclassDialog()
    {
        g_seen = Seen();
        CDlgTemplateBuilder b;
        b.Begin("Subclass", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120, "MS Sans Serif", 8, FALSE);
        b.AddComboBox(kCombo, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 5, 5, 150, 80);
        b.AddEdit(kOther, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 30, 150, 12);
        b.AddEdit(kPartner, "", ES_AUTOHSCROLL, 5, 50, 150, 12);
        b.AddComboBox(kList, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 5, 70, 150, 80);
        m_dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), b.GetTemplate(), NULL, &RecordingDlgProc, 0);
        ShowWindow(GetDlgItem(m_dialog, kPartner), SW_HIDE);
        SetForegroundWindow(m_dialog);
    }
    ~SubclassDialog() { DestroyWindow(m_dialog); }
    HWND Combo() const { return GetDlgItem(m_dialog, kCombo); }
    HWND Edit() const { return FindWindowExA(Combo(), NULL, "Edit", NULL); }
    HWND Partner() const { return GetDlgItem(m_dialog, kPartner); }
    HWND Other() const { return GetDlgItem(m_dialog, kOther); }
    HWND List() const { return GetDlgItem(m_dialog, kList); }
    HWND Dialog() const { return m_dialog; }
    void AddItems(std::initializer_list<const char*> items) const
    {
        for (const char* s : items)
            for (HWND combo : {Combo(), List()}) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    }
private:
    HWND m_dialog = nullptr;
};

// The partner's own text (its WM_GETTEXT answers with the visible control's).
std::string PartnerText(HWND partner)
{
    char text[300] = {};
    SendMessageA(partner, CE_MSG_PARTNER_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool Saw(int id, int code)
{
    for (auto& c : g_seen.commands)
        if (c.first == id && c.second == code) return true;
    return false;
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A shell drop of the given names, as Explorer hands it to WM_DROPFILES.
HDROP MakeDrop(const std::vector<std::string>& names)
{
    size_t chars = 1;
    for (auto& n : names) chars += n.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + chars);
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    char* p = reinterpret_cast<char*>(drop + 1);
    for (auto& n : names) {
        memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

// The messages a subclass procedure passed on: a recorder put under it as the window's
// procedure before the procedure is attached.
struct Reached { UINT message; WPARAM wParam; };
std::vector<Reached> g_reached;
WNDPROC g_recorderNext = nullptr;
LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_KEYDOWN && message <= WM_CHAR) g_reached.push_back({message, wParam});
    return CallWindowProcA(g_recorderNext, window, message, wParam, lParam);
}
void PutRecorderUnder(HWND window)
{
    g_reached.clear();
    g_recorderNext = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecorderProc)));
}
bool KeyReached(WPARAM key)
{
    for (auto& r : g_reached)
        if (r.wParam == key) return true;
    return false;
}

// A procedure left in a window's user data by someone else; attached procedures never call it.
int g_strayCalls = 0;
LRESULT CALLBACK StrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++g_strayCalls;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A key press as the keyboard driver posts it, so that TranslateMessage makes its WM_CHAR.
void PressKey(HWND window, UINT message, WPARAM key)
{
    PostMessageA(window, message, key, 1 | (MapVirtualKeyA(static_cast<UINT>(key), 0) << 16));
    Pump();
}

// The codes of the commands under `id` among the given ones, in arrival order.
std::vector<int> CodesFor(int id, std::initializer_list<int> wanted)
{
    std::vector<int> codes;
    for (auto& c : g_seen.commands)
        for (int w : wanted)
            if (c.first == id && c.second == w) codes.push_back(w);
    return codes;
}

// A procedure that declines to be attached: it answers 0 and leaves the window alone.
LRESULT CALLBACK DecliningProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == CE_MSG_ATTACH ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(ControlSubclass, InstallersAttachToTheirOwnWindowAndTheCheckedOneTellsTheAnswer)
{
    enum Installer { PLAIN, WND_OBJECT, CHECKED };
    const struct { Installer how; WNDPROC proc; int result; bool attached; } cases[] = {
        {WND_OBJECT, CeEditBlockChangesProc, 1, true},
        {CHECKED, CeEditBlockChangesProc, 1, true},
        {CHECKED, nullptr, 0, false},
        {CHECKED, DecliningProc, 0, false},
        {PLAIN, DecliningProc, 1, false},   // the plain form answers 1 whatever happened
    };
    int row = 0;
    for (auto& c : cases) {
        SCOPED_TRACE(row++);
        SubclassDialog d;
        HWND edit = d.Other();
        HWND bystander = d.Partner();
        const LONG_PTR before = GetWindowLongPtrA(edit, GWLP_WNDPROC);
        int result = -1;
        if (c.how == WND_OBJECT) {
            CWnd wnd;
            wnd.Attach(edit);
            result = InstallWndSubclass(&wnd, c.proc);
            wnd.Detach();
        } else {
            result = c.how == CHECKED ? InstallSubclassChecked(edit, c.proc) : InstallSubclass(edit, c.proc);
        }
        EXPECT_EQ(result, c.result);
        // Typing changes the field only when no blocking procedure was attached to it, and
        // never reaches past it to the field beside.
        for (HWND w : {edit, bystander}) {
            SetWindowTextA(w, "abc");
            SendMessageA(w, EM_SETSEL, 3, 3);
            SendMessageA(w, WM_CHAR, 'x', 1);
        }
        EXPECT_EQ(uitest::WindowText(edit), c.attached ? "abc" : "abcx");
        EXPECT_EQ(uitest::WindowText(bystander), "abcx");
        EXPECT_EQ(GetPropW(edit, L"CeData") != nullptr, c.attached);
        if (!c.attached) {
            EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), before);
        }
    }
}

TEST(ControlSubclass, AttachTwiceChainsToTheClassAndDetachRestores)
{
    SubclassDialog d;
    InstallSubclass(d.Combo(), CeComboProc);
    EXPECT_EQ(GetWindowLongPtrA(d.Combo(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&CeComboProc));
    // A second attach must not chain the procedure to itself: the text still round-trips
    // instead of recursing without end.
    InstallSubclass(d.Combo(), CeComboProc);
    SetWindowTextA(d.Combo(), "kette");
    EXPECT_EQ(uitest::WindowText(d.Combo()), "kette");
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(NULL, "COMBOBOX", &wc));
    LRESULT restored = SendMessageA(d.Combo(), CE_MSG_DETACH, 0, 0);
    EXPECT_EQ(restored, reinterpret_cast<LRESULT>(wc.lpfnWndProc));
    EXPECT_EQ(GetWindowLongPtrA(d.Combo(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
    EXPECT_EQ(GetPropW(d.Combo(), L"CeData"), nullptr);
}

TEST(ControlSubclass, ComboReportsItsEditUnderItsOwnIdAndKeepsTheSelection)
{
    SubclassDialog d;
    InstallSubclass(d.Combo(), CeComboProc);
    SetWindowTextA(d.Combo(), "0123456789");
    SetFocus(d.Other());
    SetFocus(d.Edit());
    Pump();
    EXPECT_TRUE(Saw(kCombo, EN_SETFOCUS));
    SendMessageA(d.Combo(), CB_SETEDITSEL, 0, MAKELPARAM(2, 7));
    SetFocus(d.Other());
    Pump();
    EXPECT_TRUE(Saw(kCombo, EN_KILLFOCUS));
    // The edit gave up its selection with the focus; the combo box still answers it.
    DWORD start = 0, end = 0;
    LRESULT packed = SendMessageA(d.Combo(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 7u);
    EXPECT_EQ(packed, MAKELRESULT(2, 7));

    // The inner edit is coloured by the dialog as the combo box.
    g_seen.colouredIds.clear();
    InvalidateRect(d.Edit(), NULL, TRUE);
    UpdateWindow(d.Edit());
    ASSERT_FALSE(g_seen.colouredIds.empty());
    for (int id : g_seen.colouredIds) EXPECT_EQ(id, kCombo);
}

TEST(ControlSubclass, FileNameComboMirrorsItsTextInThePartner)
{
    SubclassDialog d;
    InstallSubclass(d.Partner(), CeFileNameEditProc);
    InstallSubclass(d.Combo(), CeFileNameComboProc);
    d.AddItems({"C:\\eins.img", "D:\\zwei.bin"});

    SetWindowTextA(d.Combo(), "C:\\neu.iso");
    EXPECT_EQ(PartnerText(d.Partner()), "C:\\neu.iso");
    EXPECT_EQ(uitest::WindowText(d.Edit()), "C:\\neu.iso");

    // Typing in the inner edit reaches the dialog under the combo's id, and the partner.
    g_seen.commands.clear();
    SendMessageA(d.Edit(), EM_SETSEL, 0, -1);
    for (const char* p = "C:\\getippt"; *p; ++p) SendMessageA(d.Edit(), WM_CHAR, static_cast<BYTE>(*p), 1);
    EXPECT_TRUE(Saw(kCombo, EN_CHANGE));
    EXPECT_EQ(PartnerText(d.Partner()), "C:\\getippt");

    // A selected item is the combo's text, whatever the edit holds.
    SendMessageA(d.Combo(), CB_SETCURSEL, 1, 0);
    SendMessageA(d.Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("anders"));
    char small[5];
    EXPECT_EQ(SendMessageA(d.Combo(), WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 4);
    EXPECT_STREQ(small, "D:\\z");
    EXPECT_EQ(SendMessageA(d.Combo(), WM_GETTEXTLENGTH, 0, 0), 11);

    // The partner passes text and edit messages on to the visible combo box.
    SendMessageA(d.Combo(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(d.Partner(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("E:\\partner.fat"));
    EXPECT_EQ(uitest::WindowText(d.Edit()), "E:\\partner.fat");
    SendMessageA(d.Partner(), EM_SETSEL, 3, 6);
    DWORD s = 0, e = 0;
    SendMessageA(d.Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    EXPECT_EQ(s, 3u);
    EXPECT_EQ(e, 6u);
}

TEST(ControlSubclass, DroppedFilesAndKeysReachTheDialog)
{
    SubclassDialog d;
    InstallSubclass(d.Partner(), CeFileNameEditProc);
    InstallSubclass(d.Combo(), CeFileNameComboProc);
    d.AddItems({"alt"});
    SendMessageA(d.Combo(), CB_SETCURSEL, 0, 0);

    // Without the accept-files style a drop is not the combo's business.
    SendMessageA(d.Combo(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"Z:\\nein.bin"})), 0);
    EXPECT_EQ(uitest::WindowText(d.Edit()), "alt");

    SetWindowLongPtrA(d.Combo(), GWL_EXSTYLE, GetWindowLongPtrA(d.Combo(), GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    g_seen.commands.clear();
    SendMessageA(d.Combo(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"Z:\\erste.img", "Z:\\zweite.img"})), 0);
    Pump();
    EXPECT_EQ(SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(uitest::WindowText(d.Combo()), "Z:\\erste.img");
    EXPECT_EQ(PartnerText(d.Partner()), "Z:\\erste.img");
    std::vector<int> codes;
    for (auto& c : g_seen.commands)
        if (c.first == kCombo && (c.second == CBN_EDITCHANGE || c.second == EN_CHANGE || c.second == CE_EN_FILE_DROPPED))
            codes.push_back(c.second);
    // The posted three come last and in this order (the text change itself sends EN_CHANGE first).
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(std::vector<int>(codes.end() - 3, codes.end()), (std::vector<int>{CBN_EDITCHANGE, EN_CHANGE, CE_EN_FILE_DROPPED}));

    // Enter in the partner is offered for the visible combo; a handled key goes no further.
    g_seen.markHandled = true;
    SendMessageA(d.Partner(), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(d.Combo(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(g_seen.keys, (std::vector<UINT>{VK_RETURN, VK_DOWN}));
    // Down, had it gone on, would have selected the first item.
    EXPECT_EQ(SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST(ControlSubclass, EveryProcedureAttachedTwiceChainsToItsClass)
{
    enum Control { INNER_EDIT, COMBO, LIST, EDIT };
    const struct { WNDPROC proc; Control control; const char* cls; } cases[] = {
        {CeComboKeyEditProc, INNER_EDIT, "EDIT"},   {CeComboKeyProc, LIST, "COMBOBOX"},
        {CeEditKeyNotifyProc, EDIT, "EDIT"},        {CeEditPartnerProc, INNER_EDIT, "EDIT"},
        {CeComboEditDropProc, INNER_EDIT, "EDIT"},  {CeComboDropProc, COMBO, "COMBOBOX"},
        {CeEditDropProc, EDIT, "EDIT"},             {CeEditDisabledLookProc, EDIT, "EDIT"},
        {CeEditLockWhenDisabledProc, EDIT, "EDIT"}, {CeEditBlockChangesProc, EDIT, "EDIT"},
    };
    for (auto& c : cases) {
        SubclassDialog d;
        HWND w = c.control == INNER_EDIT ? d.Edit() : c.control == COMBO ? d.Combo() : c.control == LIST ? d.List() : d.Other();
        WNDCLASSA wc;
        ASSERT_TRUE(GetClassInfoA(NULL, c.cls, &wc));
        g_strayCalls = 0;
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&StrayProc));
        InstallSubclass(w, c.proc);
        InstallSubclass(w, c.proc);
        EXPECT_EQ(GetPropW(w, L"CeData"), reinterpret_cast<HANDLE>(wc.lpfnWndProc)) << c.cls;
        // A message passed on reaches the class and comes back instead of looping.
        EXPECT_EQ(SendMessageA(w, WM_GETTEXTLENGTH, 0, 0), CallWindowProcA(wc.lpfnWndProc, w, WM_GETTEXTLENGTH, 0, 0));
        EXPECT_EQ(g_strayCalls, 0);
        EXPECT_EQ(SendMessageA(w, CE_MSG_DETACH, 0, 0), reinterpret_cast<LRESULT>(wc.lpfnWndProc));
    }
}

TEST(ControlSubclass, KeysAreOfferedToTheDialogAndHandledOnesGoNoFurther)
{
    enum Control { INNER_EDIT, LIST, EDIT };
    enum Handling { NONE, MARK, ANSWER };
    const struct { WNDPROC proc; Control control; UINT message; WPARAM key; Handling handling; UINT offered; bool reaches; bool opens; } cases[] = {
        // A handled Enter is dropped with the WM_CHAR its translation makes.
        {CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, VK_RETURN, MARK, NM_RETURN, false, false},
        {CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, VK_TAB, ANSWER, NM_KEYDOWN, false, false},
        {CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, VK_RETURN, NONE, NM_RETURN, true, false},
        {CeComboKeyEditProc, INNER_EDIT, WM_KEYDOWN, VK_DOWN, NONE, 0u, false, true},
        // A typed "(" has the code of Down, and is only typed.
        {CeComboKeyEditProc, INNER_EDIT, WM_CHAR, '(', NONE, 0u, true, false},
        {CeComboKeyProc, LIST, WM_KEYDOWN, VK_TAB, MARK, NM_KEYDOWN, false, false},
        {CeComboKeyProc, LIST, WM_KEYDOWN, VK_RETURN, MARK, 0u, true, false},
        {CeComboKeyProc, LIST, WM_KEYDOWN, VK_DOWN, NONE, 0u, false, true},
        {CeEditKeyNotifyProc, EDIT, WM_KEYDOWN, VK_RETURN, ANSWER, NM_KEYDOWN, false, false},
        // The mark alone does not count for a plain edit.
        {CeEditKeyNotifyProc, EDIT, WM_KEYDOWN, VK_TAB, MARK, NM_KEYDOWN, true, false},
    };
    int row = 0;
    for (auto& c : cases) {
        SCOPED_TRACE(row++);
        SubclassDialog d;
        d.AddItems({"eins", "zwei"});
        HWND w = c.control == INNER_EDIT ? d.Edit() : c.control == LIST ? d.List() : d.Other();
        PutRecorderUnder(w);
        InstallSubclass(w, c.proc);
        g_seen.markHandled = c.handling == MARK;
        g_seen.answerHandled = c.handling == ANSWER;
        PressKey(w, c.message, c.key);
        EXPECT_EQ(g_seen.keyCodes.empty() ? 0u : g_seen.keyCodes[0], c.offered);
        if (c.offered && !c.reaches) {
            EXPECT_EQ(g_seen.keyCodes.size(), 1u);
        }
        EXPECT_EQ(KeyReached(c.key), c.reaches);
        HWND combo = c.control == LIST ? d.List() : d.Combo();
        EXPECT_EQ(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0, c.opens);
    }
}

TEST(ControlSubclass, PartnerEditMirrorsItsTextAndOffersKeysToTheCombo)
{
    SubclassDialog d;
    InstallSubclass(d.Partner(), CeFileNameEditProc);
    InstallSubclass(d.Edit(), CeEditPartnerProc);
    SetWindowTextA(d.Edit(), "C:\\spiegel.img");
    SetWindowTextA(d.Edit(), "C:\\spiegel.img");
    EXPECT_EQ(PartnerText(d.Partner()), "C:\\spiegel.img");
    // Reported once: the second text was the partner's already.
    EXPECT_EQ(CodesFor(kCombo, {EN_CHANGE}).size(), 1u);
    // A key the combo box marks handled does not move the caret.
    SubclassDialog keys;
    keys.AddItems({"eins"});
    InstallSubclass(keys.Combo(), CeFileNameComboProc);
    InstallSubclass(keys.Edit(), CeEditPartnerProc);
    g_seen.markHandled = true;
    SendMessageA(keys.Edit(), WM_KEYDOWN, VK_F4, 0);
    EXPECT_EQ(g_seen.keys, std::vector<UINT>{VK_F4});
    EXPECT_EQ(SendMessageA(keys.Combo(), CB_GETDROPPEDSTATE, 0, 0), 0);
}

TEST(ControlSubclass, DroppedFilesGiveTheFirstName)
{
    enum Control { INNER_EDIT, COMBO, EDIT };
    const struct { WNDPROC proc; Control control; int id; int change; } cases[] = {
        {CeComboEditDropProc, INNER_EDIT, kCombo, CBN_EDITCHANGE},
        {CeComboDropProc, COMBO, kCombo, CBN_EDITCHANGE},
        {CeEditDropProc, EDIT, kOther, EN_CHANGE},
    };
    for (auto& c : cases) {
        SubclassDialog d;
        d.AddItems({"alt"});
        SendMessageA(d.Combo(), CB_SETCURSEL, 0, 0);
        SetWindowTextA(d.Other(), "alt");
        HWND w = c.control == INNER_EDIT ? d.Edit() : c.control == COMBO ? d.Combo() : d.Other();
        HWND shown = c.control == EDIT ? d.Other() : d.Edit();
        InstallSubclass(w, c.proc);
        // A drop without names changes nothing.
        SendMessageA(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({})), 0);
        Pump();
        EXPECT_EQ(uitest::WindowText(shown), "alt");
        SendMessageA(w, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"Z:\\erste.img", "Z:\\zweite.img"})), 0);
        Pump();
        EXPECT_EQ(uitest::WindowText(shown), "Z:\\erste.img");
        std::vector<int> codes = CodesFor(c.id, {c.change, CE_EN_FILE_DROPPED});
        ASSERT_GE(codes.size(), 2u);
        EXPECT_EQ(std::vector<int>(codes.end() - 2, codes.end()), (std::vector<int>{c.change, CE_EN_FILE_DROPPED}));
        EXPECT_EQ(CodesFor(c.id, {CE_EN_FILE_DROPPED}).size(), 1u);
        if (c.control == COMBO) {
            EXPECT_EQ(SendMessageA(d.Combo(), CB_GETCURSEL, 0, 0), CB_ERR);
        }
    }
}

TEST(ControlSubclass, LockedFieldsRefuseChangesButCopy)
{
    // Each way a user changes the text; Ctrl+C (the character 3) and WM_COPY only copy.
    // Shift+Insert pastes from the key press itself, without a WM_PASTE; the context menu's
    // undo sends WM_UNDO (the last "f" was typed in with undo).
    const struct { UINT message; WPARAM wParam; bool shift; } changes[] = {
        {WM_CHAR, 'x', false}, {WM_CHAR, VK_BACK, false}, {WM_KEYDOWN, VK_DELETE, false}, {WM_PASTE, 0, false},
        {WM_CUT, 0, false}, {WM_CLEAR, 0, false}, {WM_KEYDOWN, VK_INSERT, true}, {WM_UNDO, 0, false},
        {EM_UNDO, 0, false},
    };
    // (procedure, disabled, whether the text may change)
    const struct { WNDPROC proc; bool disabled; bool changes; } fields[] = {
        {CeEditBlockChangesProc, false, false},
        {CeEditLockWhenDisabledProc, true, false},
        {CeEditLockWhenDisabledProc, false, true},
    };
    for (auto& f : fields)
        for (auto& c : changes) {
            SubclassDialog d;
            HWND edit = d.Other();
            SetWindowTextA(edit, "abcde");
            SendMessageA(edit, EM_SETSEL, 5, 5);
            SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("f"));
            ASSERT_EQ(uitest::WindowText(edit), "abcdef");
            if (f.proc == CeEditLockWhenDisabledProc) SubclassWindowSimple(edit, f.proc);
            else InstallSubclass(edit, f.proc);
            EnableWindow(edit, !f.disabled);
            for (UINT copy : {static_cast<UINT>(WM_COPY), static_cast<UINT>(WM_CHAR)}) {
                ClipboardSetText("leer");
                SendMessageA(edit, EM_SETSEL, 1, 3);
                SendMessageA(edit, copy, copy == WM_CHAR ? 3 : 0, 0);
                char clip[16] = {};
                ClipboardGetTextBuf(clip, sizeof clip);
                EXPECT_STREQ(clip, "bc");
            }
            ClipboardSetText("neu");
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            const BYTE shiftWas = keys[VK_SHIFT];
            keys[VK_SHIFT] = c.shift ? 0x80 : 0;
            SetKeyboardState(keys);
            SendMessageA(edit, c.message, c.wParam, 0);
            keys[VK_SHIFT] = shiftWas;
            SetKeyboardState(keys);
            EXPECT_EQ(uitest::WindowText(edit) != "abcdef", f.changes) << c.message << " " << c.wParam;
            EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0) == DLGC_WANTARROWS, !f.disabled);
        }
}

TEST(ControlSubclass, DisabledFieldNeverLooksGreyed)
{
    SubclassDialog d;
    HWND edit = d.Other();
    InstallSubclass(edit, CeEditDisabledLookProc);
    EnableWindow(edit, FALSE);
    EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    SendMessageA(edit, WM_SETFOCUS, 0, 0);
    EXPECT_FALSE(Saw(kOther, EN_SETFOCUS));
    // The edit still paints itself as an enabled field: the dialog colours it as one.
    g_seen.colouredIds.clear();
    InvalidateRect(edit, NULL, TRUE);
    UpdateWindow(edit);
    EXPECT_NE(std::find(g_seen.colouredIds.begin(), g_seen.colouredIds.end(), kOther), g_seen.colouredIds.end());
    EXPECT_EQ(std::find(g_seen.staticIds.begin(), g_seen.staticIds.end(), kOther), g_seen.staticIds.end());
}
