// The application's resources, compiled into this test program from app/res/Sektorlupe.rc.
#include "app/res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

std::string LoadText(UINT id)
{
    char buffer[1024];
    int n = LoadStringA(Module(), id, buffer, sizeof(buffer));
    return std::string(buffer, n > 0 ? n : 0);
}

struct MenuItem {
    UINT id;
    std::string text;
    std::string popup;     // text of the top-level menu it sits in
    bool grayed;
};

void CollectItems(HMENU menu, const std::string& popupText, std::vector<MenuItem>* items)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        ASSERT_TRUE(GetMenuItemInfoA(menu, UINT(i), TRUE, &info));
        if (info.fType & MFT_SEPARATOR)
            continue;
        if (info.hSubMenu) {
            CollectItems(info.hSubMenu, popupText.empty() ? text : popupText, items);
            continue;
        }
        items->push_back({info.wID, text, popupText, (info.fState & MFS_GRAYED) != 0});
    }
}

std::vector<MenuItem> MainMenuItems()
{
    std::vector<MenuItem> items;
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_NE(nullptr, menu);
    if (menu) {
        CollectItems(menu, std::string(), &items);
        DestroyMenu(menu);
    }
    return items;
}

std::vector<ACCEL> Accelerators()
{
    std::vector<ACCEL> table;
    HACCEL accel = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_NE(nullptr, accel);
    if (!accel)
        return table;
    int count = CopyAcceleratorTableA(accel, nullptr, 0);
    table.resize(size_t(count));
    CopyAcceleratorTableA(accel, table.data(), count);
    DestroyAcceleratorTable(accel);
    return table;
}

// Reads the German key text after the tab of a menu item ("Strg+Einf", "Shift+F4", "F9",
// "Strg+A") into the flags and key of an accelerator entry.
bool ParseKeyText(const std::string& keyText, BYTE* flags, WORD* key)
{
    *flags = FVIRTKEY;
    *key = 0;
    size_t start = 0;
    while (start <= keyText.size()) {
        size_t plus = keyText.find('+', start);
        std::string part = keyText.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        if (part == "Strg")
            *flags |= FCONTROL;
        else if (part == "Shift")
            *flags |= FSHIFT;
        else if (part == "Alt")
            *flags |= FALT;
        else if (part == "Einf")
            *key = VK_INSERT;
        else if (part.size() >= 2 && part[0] == 'F' && isdigit((unsigned char)part[1]))
            *key = WORD(VK_F1 + atoi(part.c_str() + 1) - 1);
        else if (part.size() == 1 && isalnum((unsigned char)part[0]))
            *key = WORD(toupper((unsigned char)part[0]));
        else
            return false;
        if (plus == std::string::npos)
            break;
        start = plus + 1;
    }
    return *key != 0;
}

// Every item of the main menu: its text (accelerator part included) fits the record of 63
// characters and a NUL the frame draws it from, it has a status-bar prompt, and only the
// placeholder of the recent files is greyed.
TEST(ResourceMenu, ItemsFitTheirRecordHavePromptsAndOnlyTheRecentPlaceholderIsGrey)
{
    std::vector<MenuItem> items = MainMenuItems();
    ASSERT_GT(items.size(), 30u);
    for (const MenuItem& item : items) {
        EXPECT_LE(item.text.size(), 63u) << item.text;
        EXPECT_EQ(item.id == ID_FILE_MRU_FILE1, item.grayed) << item.text;
        std::string prompt = LoadText(item.id);
        size_t newline = prompt.find('\n');
        EXPECT_FALSE(prompt.empty()) << "no prompt for " << item.text;
        EXPECT_NE(0u, newline) << item.text;
        if (newline != std::string::npos) {
            EXPECT_LT(newline + 1, prompt.size()) << item.text;
        }
    }
    for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_LAST; ++id)
        EXPECT_FALSE(LoadText(id).empty()) << id;
}

// The .rc is UTF-8; each German letter must reach the ANSI functions as its single 1252 byte,
// never as the two bytes of its UTF-8 form.
TEST(ResourceMenu, GermanLettersArriveAsCodePage1252)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(nullptr, menu);
    char text[128] = "";
    GetMenuStringA(menu, ID_SELECT_DRIVE, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ("&Laufwerk ausw\xE4hlen", text);
    GetMenuStringA(menu, ID_MODULES_CLEAR, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ("Module &l\xF6schen", text);
    DestroyMenu(menu);
    EXPECT_EQ(0u, LoadText(ID_FILE_OPEN).find("\xD6" "ffnet"));
    std::vector<std::string> texts;
    for (const MenuItem& item : MainMenuItems()) {
        texts.push_back(item.text);
        texts.push_back(LoadText(item.id));
    }
    for (const std::string& t : texts)
        for (size_t i = 0; i + 1 < t.size(); ++i) {
            const unsigned char lead = t[i], next = t[i + 1];
            EXPECT_FALSE(lead >= 0xC2 && lead <= 0xDF && next >= 0x80 && next <= 0xBF) << t;
        }
}

TEST(ResourceAccelerators, MenuKeyTextsAndTableAgree)
{
    std::vector<ACCEL> table = Accelerators();
    std::vector<MenuItem> items = MainMenuItems();
    std::set<UINT> menuIds;
    for (const MenuItem& item : items) {
        menuIds.insert(item.id);
        size_t tab = item.text.find('\t');
        if (tab == std::string::npos)
            continue;
        BYTE flags;
        WORD key;
        ASSERT_TRUE(ParseKeyText(item.text.substr(tab + 1), &flags, &key)) << item.text;
        bool found = false;
        for (const ACCEL& a : table) {
            if (a.key == key && (a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)) == flags)
                found = found || a.cmd == item.id;
        }
        EXPECT_TRUE(found) << "no accelerator for " << item.text;
    }
    // Every key of the table leads to a menu command with a prompt, or to paste (which has
    // only its two keys, Ctrl+V and Shift+Ins); no key is used twice.
    std::set<std::pair<BYTE, WORD>> seen;
    int pasteKeys = 0;
    for (const ACCEL& a : table) {
        EXPECT_TRUE(a.fVirt & FVIRTKEY);
        EXPECT_TRUE(menuIds.count(a.cmd) || a.cmd == ID_EDIT_PASTE) << a.cmd;
        EXPECT_FALSE(LoadText(a.cmd).empty()) << a.cmd;
        EXPECT_TRUE(seen.insert(std::make_pair(BYTE(a.fVirt & (FCONTROL | FSHIFT | FALT)), a.key)).second)
            << "key used twice: " << a.key;
        pasteKeys += a.cmd == ID_EDIT_PASTE &&
                     ((a.key == 'V' && (a.fVirt & FCONTROL)) || (a.key == VK_INSERT && (a.fVirt & FSHIFT)));
    }
    EXPECT_EQ(2, pasteKeys);
}

INT_PTR CALLBACK CloseAtOnce(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(ResourceDialog, IconsAndTheAboutBoxLoad)
{
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                   size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, icon) << size;
        DestroyIcon(icon);
    }
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, CloseAtOnce, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(nullptr, GetDlgItem(dialog, IDOK));
    EXPECT_NE(0, SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
    char text[128] = "";
    GetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text, sizeof(text));
    EXPECT_EQ(std::string("QN Sektorlupe Version ") + SEKTORLUPE_VERSION_TEXT, text);
    DestroyWindow(dialog);
}

}  // namespace
