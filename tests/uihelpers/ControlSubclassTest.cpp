// The combo-box and file-name subclass procedures on real controls of a dialog whose
// procedure records what reaches it.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>
#include "classlib/DlgTemplate.h"
#include "uihelpers/ControlSubclass.h"
#include "TestWindows.h"

namespace {

const int kCombo = 200;
const int kOther = 201;
const int kPartner = kCombo ^ CE_PARTNER_XOR;

struct Seen {
    std::vector<std::pair<int, int>> commands;   // (id, code)
    std::vector<int> colouredIds;                // ids of WM_CTLCOLOREDIT requests
    std::vector<UINT> keys;                      // keys offered by WM_NOTIFY
    bool markHandled = false;
};
Seen g_seen;

INT_PTR CALLBACK RecordingDlgProc(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        g_seen.commands.push_back({LOWORD(wParam), HIWORD(wParam)});
        return TRUE;
    case WM_CTLCOLOREDIT:
        g_seen.colouredIds.push_back(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        return FALSE;
    case WM_NOTIFY: {
        NMKEY* key = reinterpret_cast<NMKEY*>(lParam);
        g_seen.keys.push_back(key->nVKey);
        if (g_seen.markHandled) key->hdr.idFrom = CE_KEY_HANDLED;
        return FALSE;
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
        m_dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), b.GetTemplate(), NULL, &RecordingDlgProc, 0);
        ShowWindow(GetDlgItem(m_dialog, kPartner), SW_HIDE);
        SetForegroundWindow(m_dialog);
    }
    ~SubclassDialog() { DestroyWindow(m_dialog); }
    HWND Combo() const { return GetDlgItem(m_dialog, kCombo); }
    HWND Edit() const { return FindWindowExA(Combo(), NULL, "Edit", NULL); }
    HWND Partner() const { return GetDlgItem(m_dialog, kPartner); }
    HWND Other() const { return GetDlgItem(m_dialog, kOther); }
    HWND Dialog() const { return m_dialog; }
    void AddItems(std::initializer_list<const char*> items) const
    {
        for (const char* s : items) SendMessageA(Combo(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
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

}  // namespace

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
