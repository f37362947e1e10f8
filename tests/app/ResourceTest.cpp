// The application's resources, compiled into this test program from app/res/Sektorlupe.rc.
#include "app/res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <map>
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

std::vector<std::string> TopLevelMenus()
{
    std::vector<std::string> names;
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    if (!menu)
        return names;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, UINT(i), text, sizeof(text), MF_BYPOSITION);
        names.push_back(text);
    }
    DestroyMenu(menu);
    return names;
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

TEST(ResourceMenu, TopLevelMenusInOrder)
{
    std::vector<std::string> expected = {"&Datei", "&Bearbeiten", "&Ansicht", "Module", "&Hilfe"};
    EXPECT_EQ(expected, TopLevelMenus());
}

TEST(ResourceMenu, ItemsCarryTheirTextsAndIds)
{
    // Texts and ids as the program's commands name them; "\t" and the key after it included.
    struct Expected { UINT id; const char* popup; const char* text; };
    const Expected expected[] = {
        {ID_SELECT_DRIVE, "&Datei", "&Laufwerk auswählen"},
        {ID_LOAD_IMAGE, "&Datei", "Eine Image-Datei laden"},
        {ID_FILE_MRU_FILE1, "&Datei", "Letzte Datei"},
        {ID_APP_EXIT, "&Datei", "&Beenden"},
        {ID_EDIT_COPY, "&Bearbeiten", "&Kopieren\tStrg+Einf"},
        {ID_COPY_CPP, "&Bearbeiten", "&C++ Kopieren\tStrg+A"},
        {ID_EDIT_FIND, "&Bearbeiten", "&Suchen\tShift+F3"},
        {ID_FIND_NEXT, "&Bearbeiten", "&Weitersuchen\tF3"},
        {ID_FIND_WORD, "&Bearbeiten", "Suche Wor&t\tStrg+F3"},
        {ID_GOTO_SECTOR, "&Bearbeiten", "Springe zu Sektor\tF9"},
        {ID_GOTO_CLUSTER, "&Bearbeiten", "Springe zu Cluster\tF7"},
        {ID_GOTO_AREA, "&Bearbeiten", "Springe zu Bereich\tF8"},
        {ID_GOTO_ADDRESS, "&Bearbeiten", "&Springe zu Adresse\tF10"},
        {ID_SEARCH_SECTORS, "&Bearbeiten", "Suche in Sektoren\tShift+F4"},
        {ID_CONTINUE_SEARCH, "&Bearbeiten", "Weiter in Sekoren\tF4"},
        {ID_SAVE_SECTORS, "&Bearbeiten", "Sektoren speichern"},
        {ID_LOAD_SECTORS, "&Bearbeiten", "Sektoren laden"},
        {ID_NUMBER_CONVERTER, "&Bearbeiten", "Zahlen Rechner\tStrg+Y"},
        {ID_CHECKSUM, "&Bearbeiten", "&Check -Summe\tF5"},
        {ID_CREATE_MBR, "&Bearbeiten", "MBR erstellen\tStrg+M"},
        {ID_WRITE_PROTECT, "&Bearbeiten", "Schreibschutz"},
        {ID_START_OPTIONS, "&Bearbeiten", "Startoptionen"},
        {ID_LOAD_PARTITIONS, "&Bearbeiten", "Partitionen laden"},
        {ID_VIEW_TOOLBAR, "&Ansicht", "&Symbolleiste"},
        {ID_VIEW_STATUS_BAR, "&Ansicht", "S&tatusleiste"},
        {ID_FLAT_TOOLBAR, "&Ansicht", "&Flache Symbolleiste"},
        {ID_DATA_WINDOW, "&Ansicht", "&Datenfenster"},
        {ID_DATA_WINDOW, "Module", "&Datenfenster"},
        {ID_REFRESH_DATA_WINDOW, "Module", "Datenfenster &aktuallisieren"},
        {ID_MODULE_LOAD, "Module", "&Modul laden"},
        {ID_MODULE_LIST_LOAD, "Module", "Modulliste &laden"},
        {ID_MODULES_CLEAR, "Module", "Module &löschen"},
        {ID_MODULE_FILE_TO_LIST, "Module", "&Datei in Modulliste"},
        {ID_DATA_WINDOW_PROPERTIES, "Module", "Datenfenster &Eigenschaften"},
        {ID_APP_ABOUT, "&Hilfe", "Inf&o über Sektorlupe...\tF1"},
    };
    std::vector<MenuItem> items = MainMenuItems();
    EXPECT_EQ(sizeof(expected) / sizeof(expected[0]), items.size());
    for (const Expected& e : expected) {
        bool found = false;
        for (const MenuItem& item : items) {
            if (item.id == e.id && item.popup == e.popup) {
                EXPECT_EQ(e.text, item.text) << "command " << e.id;
                found = true;
            }
        }
        EXPECT_TRUE(found) << "command " << e.id << " missing in " << e.popup;
    }
}

TEST(ResourceMenu, RecentFilePlaceholderIsGrayed)
{
    for (const MenuItem& item : MainMenuItems()) {
        if (item.id == ID_FILE_MRU_FILE1) {
            EXPECT_TRUE(item.grayed);
        } else {
            EXPECT_FALSE(item.grayed) << item.text;
        }
    }
}

TEST(ResourceMenu, TextsFitTheOwnerDrawnItemRecord)
{
    // The frame draws its menu items itself and keeps each text, accelerator part included,
    // in a record of 63 characters and a NUL.
    for (const MenuItem& item : MainMenuItems())
        EXPECT_LE(item.text.size(), 63u) << item.text;
}

TEST(ResourceMenu, GermanLettersArriveAsCodePage1252)
{
    // The .rc is UTF-8; each letter must reach the ANSI functions as its single 1252 byte
    // (ä E4, ö F6, ü FC, ß DF, Ö D6, Ä C4), not as two UTF-8 bytes read as 1252.
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(nullptr, menu);
    char text[128] = "";
    GetMenuStringA(menu, ID_SELECT_DRIVE, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ("&Laufwerk ausw\xE4hlen", text);
    GetMenuStringA(menu, ID_MODULES_CLEAR, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ("Module &l\xF6schen", text);
    GetMenuStringA(menu, ID_APP_ABOUT, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ("Inf&o \xFC" "ber Sektorlupe...\tF1", text);
    DestroyMenu(menu);

    EXPECT_NE(std::string::npos, LoadText(ID_INFO_VIEW).find("au\xDF" "erhalb"));
    EXPECT_EQ(0u, LoadText(ID_FILE_OPEN).find("\xD6" "ffnet"));
    EXPECT_EQ(0u, LoadText(ID_FILE_PRINT_SETUP).find("\xC4" "ndert"));
}

TEST(ResourceStrings, EveryMenuCommandHasAPrompt)
{
    for (const MenuItem& item : MainMenuItems()) {
        std::string prompt = LoadText(item.id);
        EXPECT_FALSE(prompt.empty()) << "no prompt for " << item.id << " " << item.text;
        size_t newline = prompt.find('\n');
        // The status-bar half comes first and is not empty; a tooltip half, when there
        // is one, is not empty either.
        EXPECT_NE(0u, newline) << item.id;
        if (newline != std::string::npos) {
            EXPECT_LT(newline + 1, prompt.size()) << item.id;
        }
    }
}

TEST(ResourceStrings, ApplicationTitleIdleMessageAndTemplate)
{
    EXPECT_EQ("Sektorlupe", LoadText(AFX_IDS_APP_TITLE));
    EXPECT_EQ("Bereit", LoadText(AFX_IDS_IDLEMESSAGE));
    EXPECT_EQ("Sektorlupe\n\nSektorlupe\n\n\nSektorlupe.Document\nSektorlupe Document",
              LoadText(IDR_MAINFRAME));
}

TEST(ResourceStrings, PromptsGivenWordForWord)
{
    EXPECT_EQ("Daten Fenster ein/aus schalten\nDaten Fenster", LoadText(ID_DATA_WINDOW));
    EXPECT_EQ("Erneuert die Anzeige im Daten Fenster.\nDaten anzeigen", LoadText(ID_REFRESH_DATA_WINDOW));
    EXPECT_EQ("Schaltet zwischen dem hervorgehobenen und flachen Stil um.\nFlache Symbolleiste",
              LoadText(ID_FLAT_TOOLBAR));
    EXPECT_EQ("Daten Fenster an/abdocken.", LoadText(ID_DOCK_DATA_WINDOW));

    // The document's commands: the second half of each string is the given text.
    const std::pair<UINT, const char*> secondHalves[] = {
        {ID_NEXT_SECTOR, "N\xE4" "chster Sektor"}, {ID_PREV_SECTOR, "Vorherigen Sektor"},
        {ID_GOTO_SECTOR, "Springe zu Sektor"}, {ID_SELECT_DRIVE, "Laufwerk ausw\xE4hlen"},
        {ID_GOTO_CLUSTER, "Springe zu Cluster"}, {ID_GOTO_AREA, "Springe zu Bereich"},
        {ID_START_OPTIONS, "Startoptionen"}, {ID_LOAD_PARTITIONS, "Partitionen laden"},
        {ID_LOAD_IMAGE, "Image-Datei laden"},
    };
    for (const auto& entry : secondHalves) {
        std::string text = LoadText(entry.first);
        size_t newline = text.find('\n');
        ASSERT_NE(std::string::npos, newline) << entry.first;
        EXPECT_EQ(entry.second, text.substr(newline + 1)) << entry.first;
    }
    // Tooltips of toolbar-only and accelerator-only commands.
    auto tooltip = [](UINT id) {
        std::string text = LoadText(id);
        size_t newline = text.find('\n');
        return newline == std::string::npos ? std::string() : text.substr(newline + 1);
    };
    EXPECT_EQ("CHS zu Sektor", tooltip(ID_CHS_CONVERT));
    EXPECT_EQ("Info Ansicht", tooltip(ID_INFO_VIEW));
    EXPECT_EQ("Einf\xFCgen", tooltip(ID_EDIT_PASTE));
}

TEST(ResourceStrings, RecentFileCommandsHavePrompts)
{
    for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_LAST; ++id)
        EXPECT_FALSE(LoadText(id).empty()) << id;
}

TEST(ResourceAccelerators, TableLoadsWithTheNamedKeys)
{
    std::vector<ACCEL> table = Accelerators();
    ASSERT_FALSE(table.empty());
    auto has = [&](BYTE flags, WORD key, WORD cmd) {
        for (const ACCEL& a : table) {
            if (a.key == key && a.cmd == cmd && (a.fVirt & (FVIRTKEY | FCONTROL | FSHIFT | FALT)) == flags)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(has(FVIRTKEY, VK_F9, ID_GOTO_SECTOR));
    EXPECT_TRUE(has(FVIRTKEY, VK_F7, ID_GOTO_CLUSTER));
    EXPECT_TRUE(has(FVIRTKEY, VK_F8, ID_GOTO_AREA));
    EXPECT_TRUE(has(FVIRTKEY, VK_F1, ID_APP_ABOUT));
    // Paste has no menu item, only its two keys.
    EXPECT_TRUE(has(FVIRTKEY | FCONTROL, 'V', ID_EDIT_PASTE));
    EXPECT_TRUE(has(FVIRTKEY | FSHIFT, VK_INSERT, ID_EDIT_PASTE));
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
    // Every key of the table leads to a menu command with a prompt, or to paste.
    std::map<std::pair<BYTE, WORD>, WORD> seen;
    for (const ACCEL& a : table) {
        EXPECT_TRUE(a.fVirt & FVIRTKEY);
        EXPECT_TRUE(menuIds.count(a.cmd) || a.cmd == ID_EDIT_PASTE) << a.cmd;
        EXPECT_FALSE(LoadText(a.cmd).empty()) << a.cmd;
        auto key = std::make_pair(BYTE(a.fVirt & (FCONTROL | FSHIFT | FALT)), a.key);
        EXPECT_EQ(0u, seen.count(key)) << "key used twice: " << a.key;
        seen[key] = a.cmd;
    }
}

TEST(ResourceManifest, AsksForAdministratorAndCommonControls6)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(nullptr, found);
    DWORD size = SizeofResource(Module(), found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(Module(), found)));
    ASSERT_NE(nullptr, data);
    std::string manifest(data, size);
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(std::string::npos, controls);
    size_t end = manifest.find("/>", controls);
    std::string identity = manifest.substr(controls, end - controls);
    EXPECT_NE(std::string::npos, identity.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, identity.find("processorArchitecture=\"x86\""));
}

TEST(ResourceIcon, BothSizesLoad)
{
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                   size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, icon) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        EXPECT_EQ(size, bitmap.bmWidth);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    // The group names exactly the two sizes.
    HRSRC group = FindResourceA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(nullptr, group);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(Module(), group)));
    ASSERT_NE(nullptr, dir);
    ASSERT_EQ(2, dir[4] | (dir[5] << 8));
    std::set<int> widths = {dir[6], dir[6 + 14]};
    EXPECT_EQ((std::set<int>{16, 32}), widths);
}

// Reads the header of a DIALOG template: caption and font (size and face).
struct DialogHeader {
    DWORD style = 0;
    int items = 0;
    std::wstring caption;
    int pointSize = 0;
    std::wstring face;
};

const WORD* SkipNameOrOrdinal(const WORD* p)
{
    if (*p == 0xFFFF)
        return p + 2;
    while (*p)
        ++p;
    return p + 1;
}

bool ReadDialogHeader(UINT id, DialogHeader* header)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found)
        return false;
    const DLGTEMPLATE* dlg = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(Module(), found)));
    if (!dlg || HIWORD(dlg->style) == 0xFFFF)   // a DIALOGEX would start with 1, 0xFFFF
        return false;
    header->style = dlg->style;
    header->items = dlg->cdit;
    const WORD* p = reinterpret_cast<const WORD*>(dlg + 1);
    p = SkipNameOrOrdinal(p);   // menu
    p = SkipNameOrOrdinal(p);   // class
    header->caption = reinterpret_cast<const wchar_t*>(p);
    p += header->caption.size() + 1;
    if (dlg->style & DS_SETFONT) {
        header->pointSize = *p++;
        header->face = reinterpret_cast<const wchar_t*>(p);
    }
    return true;
}

TEST(ResourceDialog, AboutBoxTemplate)
{
    DialogHeader header;
    ASSERT_TRUE(ReadDialogHeader(IDD_ABOUTBOX, &header));
    EXPECT_EQ(L"Info \x00FC" L"ber Sektorlupe", header.caption);
    EXPECT_EQ(8, header.pointSize);
    EXPECT_EQ(L"MS Sans Serif", header.face);
    EXPECT_EQ(5, header.items);
}

INT_PTR CALLBACK CloseAtOnce(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(ResourceDialog, AboutBoxCreatesWithIconTextsAndOk)
{
    HWND dialog = CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_ABOUTBOX), nullptr, CloseAtOnce, 0);
    ASSERT_NE(nullptr, dialog);
    char text[128] = "";
    GetWindowTextA(dialog, text, sizeof(text));
    EXPECT_STREQ("Info \xFC" "ber Sektorlupe", text);
    HWND ok = GetDlgItem(dialog, IDOK);
    ASSERT_NE(nullptr, ok);
    GetWindowTextA(ok, text, sizeof(text));
    EXPECT_STREQ("OK", text);
    EXPECT_NE(nullptr, GetDlgItem(dialog, IDC_ABOUT_ICON));
    EXPECT_NE(0, SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
    GetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text, sizeof(text));
    EXPECT_EQ(std::string("QN Sektorlupe Version ") + SEKTORLUPE_VERSION_TEXT, text);
    DestroyWindow(dialog);
}

TEST(ResourceVersion, ProductNameAndVersion)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));  // RT_VERSION
    ASSERT_NE(nullptr, found);
    DWORD size = SizeofResource(Module(), found);
    const void* data = LockResource(LoadResource(Module(), found));
    ASSERT_NE(nullptr, data);
    // VerQueryValue wants a writable copy of the block.
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    copy.resize(size * 3);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(DWORD(MAKELONG(SEKTORLUPE_VERSION_MINOR, SEKTORLUPE_VERSION_MAJOR)), fixed->dwFileVersionMS);
    char* name = nullptr;
    ASSERT_TRUE(VerQueryValueA(copy.data(), "\\StringFileInfo\\040704E4\\ProductName",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_STREQ("Sektorlupe", name);
}

}  // namespace
