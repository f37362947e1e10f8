// The data window under Xvfb, on an MBR-like table decoded by a module with nested rows: the
// list items and their opening and closing, the cell texts with their glyph codes, copying,
// the saved state, a slot whose bytes went away or changed in the same buffer, modules loaded
// again after "Module löschen", the module list in the registry and the options dialog.
#include <gtest/gtest.h>

#include "datawindow/DataWnd.h"
#include "datawindow/DataWndDialogs.h"
#include "datawindow/ModulList.h"
#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/DataWindowTestSupport.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/UiFonts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kAppName[] = "DataWnd";

// Four 16-byte entries: a top-level byte, then per entry a heading with an indented flag and
// type, and below the type (two levels deep) start and count.
const char kTableModule[] =
    "MODUL \"Tabelle\"\n"
    "BYTE \"Vorspann\"\n"
    "SEEK -1\n"
    "MOV LOCAL_0 4\n"
    "LOOP LOCAL_0 entry\n"
    "EXIT\n"
    ":entry TEXT \"Eintrag\"\n"
    "DOWN\n"
    "BYTE \"Kennung\" #H\n"
    "SEEK 3\n"
    "BYTE \"Typ\" #H\n"
    "DOWN\n"
    "SEEK 3\n"
    "DWORD \"Start\"\n"
    "DWORD \"Anzahl\"\n"
    "UP\n"
    "UP\n"
    "RETURN\n";

std::string WriteModule(const char* name, const std::string& text)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
    return path;
}

// A cell as the list asks its owner for it: a request with 2043 as the length, which the
// data window must set, since the "Typ" text may begin with code bytes of 0.
std::string Cell(CDataWnd& w, uint32_t word, int column)
{
    CFastListCtrl* list = w.GetList(w.GetCurrentSlot());
    const FastListTextCallback callback =
        reinterpret_cast<FastListTextCallback>(list->SendMessage(FLM_PROPERTY, FLP_TEXTCALLBACK, 0));
    void* context = reinterpret_cast<void*>(list->SendMessage(FLM_PROPERTY, FLP_TEXTCONTEXT, 0));
    char text[2044] = {};
    FastListTextRequest request = {text, 2043, -2, 0, -1, -1};
    if (!callback)
        return "(kein Rückruf)";
    callback(context, word, column, column + 1, &request);
    return std::string(request.text, static_cast<size_t>(request.length));
}

// The shown popup menu window of this thread.
BOOL CALLBACK FindPopupMenu(HWND h, LPARAM lp)
{
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (!IsWindowVisible(h) || lstrcmpA(cls, "#32768") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = h;
    return FALSE;
}

class Prompts : public DataWndPrompts {
public:
    int Box(HWND, const char* text, const char* caption, UINT type) override
    {
        boxes.push_back(std::string(caption) + "|" + text);
        types.push_back(type);
        return answer;
    }
    void ShowErrors(HWND, const char* caption, const char* text) override
    {
        errors.push_back(std::string(caption) + "|" + text);
    }
    int answer = IDNO;
    std::vector<std::string> boxes, errors;
    std::vector<UINT> types;
};

class DataWndTest : public ::testing::Test {
protected:
    DataWndTest() : key(kAppName) {}

    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", kAppName);
        CDataWnd::SetPrompts(&prompts);
        host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 400, nullptr, nullptr, nullptr, nullptr);
        const RECT area = {0, 0, 800, 400};
        ASSERT_TRUE(window.Create(8, (0xF93 & ~(CDataWnd::DWS_LOAD_LIST | CDataWnd::DWS_STATE)) | CDataWnd::DWS_OFFSETS,
                                  area, CWnd::FromHandle(host), 291));
        modulePath = WriteModule("sl_table.dfm", kTableModule);
        ASSERT_EQ(window.LoadModul(modulePath.c_str(), nullptr), 1);
        for (int i = 0; i < 4; ++i) {
            uint8_t* e = table + 0x1BE + 16 * i;
            e[0] = i == 1 ? 0x80 : 0;
            e[4] = static_cast<uint8_t>(0x06 + i);
            const uint32_t start = 2048u * (i + 1), count = 4096u + i;
            memcpy(e + 8, &start, 4);
            memcpy(e + 12, &count, 4);
        }
        window.SetData(table, sizeof table, 0x1BE, 64, 0x1000, 0);
    }

    void TearDown() override
    {
        window.DestroyWindow();
        DestroyWindow(host);
        CDataWnd::SetPrompts(nullptr);
        DeleteFileA(modulePath.c_str());
    }

    testsupport::ScratchKey key;
    Prompts prompts;
    HWND host = nullptr;
    CDataWnd window;
    std::string modulePath;
    uint8_t table[512] = {};
};

TEST_F(DataWndTest, ItemsOpenCloseAndTheirTexts)
{
    const std::vector<uint32_t>& items = window.Items(0);
    // "Vorspann" and the four headings at the top, the headings collapsed over their rows.
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0], 0u);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(items[static_cast<size_t>(i)], static_cast<uint32_t>(1 + 5 * (i - 1)) | 0xC000) << i;
    EXPECT_EQ(window.GetList(0)->GetItemCount(), 5);

    ASSERT_TRUE(window.ToggleRow(2, 1));   // the second heading
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[3], 0x1014000u | 7) << "Kennung: a sibling follows";
    EXPECT_EQ(items[4], 0x100C000u | 8) << "Typ: the last sibling, collapsed over its rows";
    EXPECT_EQ(Cell(window, items[3], 0), std::string("\x03\x04Kennung", 9));
    EXPECT_EQ(Cell(window, items[4], 0), std::string("\x02\x14Typ", 5));
    EXPECT_EQ(Cell(window, items[3], 1), "0x80 ");
    ASSERT_TRUE(window.ToggleRow(4, 0));
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(Cell(window, items[5], 0), std::string("\x00\x03\x04Start", 8)) << "zero codes count in the length";
    EXPECT_EQ(Cell(window, items[6], 0), std::string("\x00\x02\x04" "Anzahl", 9));
    EXPECT_EQ(window.GetList(0)->GetItemCount(), 9);
    // Offsets: the top-level row from the cursor, rows inside the loop from their entry.
    EXPECT_EQ(Cell(window, items[0], 2), "0x0");
    EXPECT_EQ(Cell(window, items[5], 2), "0x8");
    EXPECT_EQ(Cell(window, items[5], 4), "0x11D6") << "address 0x1000 + data offset 0x1BE + 16 + 8";
    EXPECT_FALSE(window.ToggleRow(3, 0)) << "a leaf does not open";
    ASSERT_TRUE(window.ToggleRow(2, 2));
    EXPECT_EQ(items.size(), 5u);
    EXPECT_EQ(window.GetList(0)->GetItemCount(), 5);

    // Copying the focused row with every column shown: five fields.
    window.SetViewOptions(1, 1, 1, -1, -1, -1, true);
    window.GetList(0)->SendMessage(FLM_FOCUSSTATE, 0x40000000, 1);
    ClipboardSetText("vorher");
    window.SendMessage(WM_COPY);
    char* copied = ClipboardGetText();
    EXPECT_STREQ(copied, "Eintrag\t\t0x0\t0x00\t0x11BE");
    free(copied);
}

// The list's notifications: Enter and Space toggle the focused row once a press, as do its
// return and a press on a tree glyph (not on a line code); Ctrl+C copies the focused row.
TEST_F(DataWndTest, KeysAndGlyphsOpenCloseAndCopy)
{
    CFastListCtrl* list = window.GetList(0);
    const std::vector<uint32_t>& items = window.Items(0);
    list->SendMessage(FLM_FOCUSSTATE, 0x40000000, 1);
    auto key = [&](WORD vk) {
        NMLVKEYDOWN down = {};
        down.hdr = {list->m_hWnd, CDataWnd::IDC_LIST, static_cast<UINT>(LVN_KEYDOWN)};
        down.wVKey = vk;
        window.SendMessage(WM_NOTIFY, CDataWnd::IDC_LIST, reinterpret_cast<LPARAM>(&down));
    };
    // The keys as the list reports them: Enter as its return and then as a key down, each
    // press one toggle.
    const struct {
        WORD vk;
        size_t items;
    } presses[] = {{VK_RETURN, 7u}, {VK_RETURN, 5u}, {VK_SPACE, 7u}, {VK_SPACE, 5u}};
    for (const auto& press : presses) {
        list->SendMessage(WM_KEYDOWN, press.vk, 0);
        list->SendMessage(WM_KEYUP, press.vk, 0);
        EXPECT_EQ(items.size(), press.items) << press.vk;
    }
    key(VK_SPACE);
    EXPECT_EQ(items.size(), 7u);
    NMHDR ret = {list->m_hWnd, CDataWnd::IDC_LIST, static_cast<UINT>(NM_RETURN)};
    window.SendMessage(WM_NOTIFY, CDataWnd::IDC_LIST, reinterpret_cast<LPARAM>(&ret));
    EXPECT_EQ(items.size(), 5u);
    NMLISTVIEW glyph = {};
    glyph.hdr = {list->m_hWnd, CDataWnd::IDC_LIST, static_cast<UINT>(FLN_GLYPHCLICK)};
    glyph.iItem = 1;
    glyph.iSubItem = 7;
    window.SendMessage(WM_NOTIFY, CDataWnd::IDC_LIST, reinterpret_cast<LPARAM>(&glyph));
    EXPECT_EQ(items.size(), 5u) << "a line code, not the row's own glyph";
    glyph.iSubItem = 8;
    window.SendMessage(WM_NOTIFY, CDataWnd::IDC_LIST, reinterpret_cast<LPARAM>(&glyph));
    EXPECT_EQ(items.size(), 7u);

    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    ClipboardSetText("vorher");
    key('C');
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    char* copied = ClipboardGetText();
    EXPECT_STREQ(copied, "Eintrag\t\t0x0\t0x11BE") << "name, value, offset and the address column shown";
    free(copied);
}

TEST_F(DataWndTest, NineLevelsDeepDoesNotOpenFurther)
{
    std::string text = "BYTE \"0\"\n";
    for (int level = 1; level <= 10; ++level)
        text += "DOWN\nBYTE \"" + std::to_string(level) + "\"\n";
    const std::string path = WriteModule("sl_deep.dfm", text);
    ASSERT_EQ(window.LoadModul(path.c_str(), nullptr), 1);
    window.ChooseEntry(0, 1, window.Modules().GetEntryCount() - 1);
    window.Refresh(true);
    int item = 0;
    int opened = 0;
    while (window.ToggleRow(item, 1)) {
        ++opened;
        ++item;
    }
    EXPECT_EQ(opened, 9) << "rows at indent 0 to 8 turn open";
    const std::vector<uint32_t>& items = window.Items(0);
    ASSERT_EQ(items.size(), 9u) << "the row at indent 8 brings in no row at 9";
    // The row at indent 8 shows open (14) and closed (20) after its eight line codes; closing it
    // takes nothing away.
    const struct {
        int mode;
        bool changes;
        char glyph;
    } presses[] = {{1, false, 14}, {2, true, 20}, {2, false, 20}, {0, true, 14}, {0, true, 20}};
    for (const auto& press : presses) {
        EXPECT_EQ(window.ToggleRow(8, press.mode), press.changes) << press.mode;
        EXPECT_EQ(items.size(), 9u);
        EXPECT_EQ(window.GetList(0)->GetItemCount(), 9);
        EXPECT_EQ(Cell(window, items[8], 0).substr(8), std::string(1, press.glyph) + "8") << press.mode;
    }
    DeleteFileA(path.c_str());
}

TEST_F(DataWndTest, BytesThatWentAwayEmptyTheSlot)
{
    uint8_t* page = static_cast<uint8_t*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(page, nullptr);
    memcpy(page, table, sizeof table);
    window.SetData(page, 512, 0x1BE, 64, 0, 0);
    EXPECT_EQ(window.Items(0).size(), 5u);
    VirtualFree(page, 0, MEM_RELEASE);
    window.Refresh(true);
    EXPECT_TRUE(window.Items(0).empty());
    EXPECT_EQ(window.GetSlotData(0), nullptr);
}

TEST_F(DataWndTest, StateAndModuleListInTheRegistry)
{
    // A second module with a block that the first one lacks: a saved state naming the first
    // module with that block must not restore the second module's block.
    const std::string other = WriteModule("sl_other.dfm", "MODUL \"Andere\"\nBYTE\nBLOCK \"Nur hier\"\nBYTE\n");
    ASSERT_EQ(window.LoadModul(other.c_str(), nullptr), 1);
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenAppKey() && reg.OpenSubKey("DataWindow", 0));
        reg.WriteString("Tabelle", "Modulname1");
        reg.WriteString("Nur hier", "Blockname1");
        reg.WriteString("Andere", "Modulname2");
        reg.WriteString("Nur hier", "Blockname2");
        reg.WriteDword(0x20 | 0x200, "Style");
    }
    window.ChooseEntry(0, -1, -1);
    window.ChooseEntry(1, -1, -1);
    EXPECT_EQ(window.LoadState("DataWindow"), 1);
    EXPECT_EQ(window.GetChosenEntry(0), -1) << "the first module has no such block";
    EXPECT_STREQ(window.Modules().GetEntryName(window.GetChosenEntry(1)), "Nur hier");
    EXPECT_EQ(window.GetChosenSource(1), 1);
    window.ChooseEntry(0, 0, 0);
    EXPECT_EQ(window.SaveState("DataWindow"), 1);
    {
        CRegistry reg;
        char text[64] = {};
        ASSERT_TRUE(reg.OpenPath(nullptr, REGISTRY_READ) && reg.OpenSubKey("DataWindow", 1));
        EXPECT_TRUE(reg.ReadString(text, sizeof text, "Blockname1"));
        EXPECT_STREQ(text, "Modul - Tabelle");
    }

    // The list: the same file twice (in another case) is stored once; a gap is filled first;
    // every value whose name begins with "List" is loaded.
    EXPECT_EQ(AddToModulList("ModulListe", modulePath.c_str()), 2);
    std::string upper = modulePath;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(CDataWnd::AddToModulList(upper.c_str(), "ModulListe"), 1) << "the window's own form: path, then section";
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenAppKey() && reg.OpenSubKey("ModulListe", 0));
        reg.WriteString(other.c_str(), "List3");
        reg.WriteString(other.c_str(), "Liste");
    }
    EXPECT_EQ(AddToModulList("ModulListe", "C:\\nirgends\\neu.dfm"), 2);
    {
        CRegistry reg;
        char text[MAX_PATH] = {};
        ASSERT_TRUE(reg.OpenPath(nullptr, REGISTRY_READ) && reg.OpenSubKey("ModulListe", 1));
        EXPECT_TRUE(reg.ReadString(text, sizeof text, "List2"));
        EXPECT_STREQ(text, "C:\\nirgends\\neu.dfm");
    }
    std::vector<std::string> paths;
    ASSERT_TRUE(ReadModulList("ModulListe", &paths));
    EXPECT_EQ(paths.size(), 4u) << "List1, List2, List3 and Liste";
    prompts.boxes.clear();
    EXPECT_EQ(window.LoadModulList("ModulListe"), 3) << "the missing file fails, the loaded ones warn";
    EXPECT_EQ(prompts.boxes.size(), 4u);
    EXPECT_EQ(RemoveFromModulList("ModulListe", "c:\\NIRGENDS\\neu.dfm"), 1);
    EXPECT_EQ(CDataWnd::RemoveFromModulList("c:\\NIRGENDS\\neu.dfm", "ModulListe"), 2);
    DeleteFileA(other.c_str());
}

TEST_F(DataWndTest, OptionsDialog)
{
    class DialogPrompts : public Prompts {
    public:
        bool RunOptions(CDataOptionsDlg& dialog) override
        {
            testsupport::ModalScript script;
            HWND options = nullptr;
            message.clear();
            stayed = false;
            script.Add([&](HWND d) {
                options = d;
                char text[32] = {};
                GetDlgItemTextA(d, CDataOptionsDlg::IDC_OFFSET, text, sizeof text);
                shown = text;
                if (offset)
                    SetDlgItemTextA(d, CDataOptionsDlg::IDC_OFFSET, offset);
                SetDlgItemTextA(d, CDataOptionsDlg::IDC_MAX_ROWS, rows);
                return testsupport::Click(d, button);
            });
            if (refusal) {
                // The box that says why, in front of the dialog, which stays; Cancel then. (A tick
                // comes only after the posted OK was handled: no box by then is none at all.)
                script.Add([&](HWND) {
                    if (HWND box = testsupport::ThreadDialog(options)) {
                        message = testsupport::StaticTexts(box);
                        testsupport::Click(box, IDOK);
                    }
                    return true;
                });
                script.Add([&](HWND d) {
                    if (d != options || testsupport::ThreadDialog(options))
                        return false;
                    stayed = IsWindowVisible(d) != FALSE;
                    return testsupport::Click(d, IDCANCEL);
                });
            }
            // Left as shown, the offset is taken at once: a refusal would keep the dialog open
            // with its box until the watchdog ends both.
            return script.Run([&] { return dialog.DoModal(); }, offset ? 60000 : 5000) == IDOK;
        }
        const char* offset = "0x10";   // null: the offset as the dialog shows it
        std::string shown;
        const char* rows = "20000";
        int button = IDOK;
        bool refusal = false;
        bool stayed = false;
        std::string message;
    } dialogPrompts;
    CDataWnd::SetPrompts(&dialogPrompts);
    // Only a number past the int range keeps the dialog open, with a box that says so.
    dialogPrompts.refusal = true;
    for (const char* refused : {"99999999999", "2147483648", "-2147483649", "-4294967295", "-0xFFFFFFFFFFFFFFFF",
                                 "-18446744073709551614", "4294967291", "0x100000000", "-0xFFFFFFFB"}) {
        dialogPrompts.offset = refused;
        window.OnProperties();
        EXPECT_TRUE(dialogPrompts.stayed) << refused;
        EXPECT_EQ(dialogPrompts.message, "Bitte eine Zahl zwischen -2147483648 und 2147483647 eingeben.") << refused;
        EXPECT_EQ(window.GetSlotOffset(0), 0x1BE) << refused;
    }
    dialogPrompts.refusal = false;
    dialogPrompts.offset = "0x10";
    dialogPrompts.button = IDCANCEL;
    EXPECT_EQ(window.OnProperties(), 0);
    EXPECT_EQ(window.GetSlotOffset(0), 0x1BE) << "Cancel changes nothing";
    dialogPrompts.button = IDOK;
    window.OnProperties();
    EXPECT_EQ(window.GetSlotOffset(0), 16);
    EXPECT_EQ(window.GetMaxRows(), 16000) << "a list word holds the row in 14 bits";
    dialogPrompts.offset = "-2147483648";   // the smallest offset an int holds
    window.OnProperties();
    EXPECT_FALSE(dialogPrompts.stayed);
    EXPECT_EQ(window.GetSlotOffset(0), -2147483647 - 1);
    // Anything else is read as the number parser reads it: the number at the start, what
    // follows it left aside, 0 without a digit.
    const struct {
        const char* typed;
        int offset;
    } taken[] = {{"0x20 x", 0x20}, {"1.5", 1}, {" 0b101", 5}, {"abc", 0}, {"", 0},
                 // A number written with a radix prefix is read as 32 bits, as the dialog shows
                 // an offset: "0xFFFFFFFB" is -5, "0x80000000" the smallest int.
                 {"0xFFFFFFFB", -5}, {"0x80000000", -2147483647 - 1}, {" +0XFFFFFFFF", -1}, {"0o37777777773", -5},
                 {"0x7FFFFFFF", 2147483647}};
    for (const auto& t : taken) {
        dialogPrompts.offset = t.typed;
        window.OnProperties();
        EXPECT_FALSE(dialogPrompts.stayed) << t.typed;
        EXPECT_EQ(window.GetSlotOffset(0), t.offset) << t.typed;
    }
    // What the dialog shows it takes back: OK on an offset left as shown keeps it.
    for (const char* typed : {"-5", "-2147483648", "-1", "2147483647", "0"}) {
        dialogPrompts.offset = typed;
        window.OnProperties();
        const int offset = window.GetSlotOffset(0);
        dialogPrompts.offset = nullptr;
        window.OnProperties();
        EXPECT_EQ(window.GetSlotOffset(0), offset) << typed << " shown as " << dialogPrompts.shown;
    }
    CDataWnd::SetPrompts(&prompts);
}

// Slots: the strip's notification and the previous and next slot switch the shown list; a
// smaller count moves the current slot back to 0, added slots are labelled "Daten n".
TEST_F(DataWndTest, SlotsSwitchAndCount)
{
    LabelNotify notify = {};
    notify.hdr.hwndFrom = window.GetStrip().m_hWnd;
    notify.hdr.idFrom = CDataWnd::IDC_STRIP;
    notify.hdr.code = 1;
    notify.current = 5;
    window.SendMessage(WM_NOTIFY, CDataWnd::IDC_STRIP, reinterpret_cast<LPARAM>(&notify));
    EXPECT_EQ(window.GetCurrentSlot(), 5);
    EXPECT_EQ(window.Modules().GetCurrentSlot(), 5);
    window.SelectNextSlot();
    EXPECT_EQ(window.GetCurrentSlot(), 6);
    EXPECT_EQ(window.GetStrip().GetCurrentLabel(), 6);
    EXPECT_TRUE(window.GetList(6)->GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(window.GetList(5)->GetStyle() & WS_VISIBLE);
    window.SelectNextSlot();
    window.SelectNextSlot();
    EXPECT_EQ(window.GetCurrentSlot(), 7) << "not beyond the count";
    EXPECT_EQ(window.SetSlotCount(3), 8);
    EXPECT_EQ(window.GetCurrentSlot(), 0);
    EXPECT_EQ(window.GetStrip().GetLabelCount(), 3);
    window.SelectPreviousSlot();
    EXPECT_EQ(window.GetCurrentSlot(), 0);
    EXPECT_EQ(window.SetSlotCount(40), 3);
    EXPECT_EQ(window.GetSlotCount(), 16);
    EXPECT_STREQ(window.GetStrip().GetLabelText(3), "Daten 4");
    EXPECT_STREQ(window.GetStrip().GetLabelText(15), "Daten 16");
}

// The context menu's items in order, with the view options checked; the module commands
// through the prompts: files chosen in the dialog go into the list and load, their folder
// is kept, paths leave the list, and clearing the modules empties the lists.
TEST_F(DataWndTest, ContextMenuAndModuleCommands)
{
    std::vector<std::string> items;
    testsupport::ModalScript script;
    script.Add(testsupport::ModalScript::FreeStep([&]() {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &FindPopupMenu, reinterpret_cast<LPARAM>(&found));
        if (!found)
            return false;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(found, 0x01E1 /* MN_GETHMENU */, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = {};
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            items.push_back(std::string(text) + ((state & MF_CHECKED) ? "+" : ""));
        }
        EndMenu();
        return true;
    }));
    // The click lands in the "Inhalt" cell of the first row: "Feld kopieren" copies that field.
    CFastListCtrl* list = window.GetList(0);
    RECT row = {LVIR_BOUNDS, 0, 0, 0};
    list->SendMessage(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    POINT at = {static_cast<LONG>(list->SendMessage(LVM_GETCOLUMNWIDTH, DW_COL_TYPE)) + 4, (row.top + row.bottom) / 2};
    list->ClientToScreen(&at);
    SetCursorPos(at.x, at.y);
    NMHDR click = {list->m_hWnd, CDataWnd::IDC_LIST, static_cast<UINT>(NM_RCLICK)};
    script.Run([&] { return window.SendMessage(WM_NOTIFY, CDataWnd::IDC_LIST, reinterpret_cast<LPARAM>(&click)); });
    ClipboardSetText("vorher");
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_COPY_FIELD);
    char* field = ClipboardGetText();
    EXPECT_STREQ(field, "0 ") << "the byte at 0x1BE";
    free(field);
    const std::vector<std::string> expected = {
        "Feld kopieren", "", "&Modul laden", "Modulliste &laden", "Module lö&schen", "&Datei in Modulliste",
        "Datei a&us Modulliste", "", "&Adressen anzeigen+", "Län&gen anzeigen", "&Offsets anzeigen+",
        "Abwechselnde Farben", "Fixe Schrift+", "&Linien+", "", "&Aktualisieren", "&Eigenschaften"};
    EXPECT_EQ(items, expected);

    class FilePrompts : public Prompts {
    public:
        bool ChooseModuleFiles(HWND, const char* folder, std::vector<std::string>* paths) override
        {
            start = folder;
            *paths = files;
            return true;
        }
        bool ChoosePathsToRemove(HWND, const std::vector<std::string>& paths, std::vector<int>* chosen) override
        {
            offered = paths;
            chosen->push_back(0);
            return true;
        }
        std::string start;
        std::vector<std::string> files, offered;
    } files;
    files.files = {WriteModule("sl_eins.dfm", "MODUL \"Eins\"\nBYTE\n"), WriteModule("sl_zwei.dfm", "BYTE\n")};
    CDataWnd::SetPrompts(&files);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_ADD_TO_LIST);
    EXPECT_GE(window.Modules().FindSource("Eins"), 0);
    EXPECT_GE(window.Modules().FindSource("sl_zwei"), 0);
    std::vector<std::string> listed;
    ASSERT_TRUE(ReadModulList("DataWindow", &listed));
    EXPECT_EQ(listed.size(), 2u);
    char folder[MAX_PATH] = {};
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenPath(nullptr, REGISTRY_READ) && reg.OpenSubKey("DataWindow", 1));
        EXPECT_TRUE(reg.ReadString(folder, sizeof folder, "ModulPath"));
    }
    EXPECT_EQ(std::string(folder) + "\\sl_zwei.dfm", files.files[1]);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_LOAD_MODUL);
    EXPECT_EQ(files.start, folder) << "the dialog starts in the kept folder";
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REMOVE_FROM_LIST);
    EXPECT_EQ(files.offered.size(), 2u);
    ASSERT_TRUE(ReadModulList("DataWindow", &listed));
    EXPECT_EQ(listed.size(), 1u);
    EXPECT_GE(window.Modules().FindSource("Eins"), 0) << "loaded modules stay loaded";

    // Clearing: the lists empty, the slots keep their choice, a refresh shows nothing.
    const int entry = window.GetChosenEntry(0);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_CLEAR_MODULES);
    EXPECT_EQ(window.Modules().GetEntryCount(), 0);
    EXPECT_TRUE(window.Items(0).empty());
    EXPECT_EQ(window.GetChosenEntry(0), entry);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REFRESH);
    EXPECT_TRUE(window.Items(0).empty());

    // With the list empty, removing warns.
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REMOVE_FROM_LIST);
    files.boxes.clear();
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REMOVE_FROM_LIST);
    ASSERT_EQ(files.boxes.size(), 1u);
    EXPECT_EQ(files.boxes[0], "Warnung|Es sind keine Module geladen !");
    CDataWnd::SetPrompts(&prompts);
    for (const std::string& f : files.files)
        DeleteFileA(f.c_str());
}

// View options: the fixed font is the interface font of kind 1, column widths come from the
// height of "A" in it, a hidden column keeps its width for when it is shown again, and lines
// and alternating colours set the lists' extended style. The lists take every key.
TEST_F(DataWndTest, ViewOptionsFontsColumnsAndStyles)
{
    CFastListCtrl* list = window.GetList(0);
    EXPECT_EQ(list->SendMessage(WM_GETDLGCODE), static_cast<LRESULT>(DLGC_WANTALLKEYS));
    HFONT fixed = GetUiFont(1);
    EXPECT_EQ(reinterpret_cast<HFONT>(list->SendMessage(WM_GETFONT)), fixed);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fixed);
    SIZE a = {};
    GetTextExtentPoint32A(dc, "A", 1, &a);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int height = a.cy < 9 ? 9 : static_cast<int>(a.cy);
    EXPECT_EQ(list->SendMessage(LVM_GETCOLUMNWIDTH, DW_COL_TYPE), 250 * height / 12);
    EXPECT_EQ(list->SendMessage(LVM_GETCOLUMNWIDTH, DW_COL_OFFSET), 70 * height / 12);
    EXPECT_EQ(list->SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE), 0x20 | 1);

    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_FIXED_FONT);
    EXPECT_EQ(reinterpret_cast<HFONT>(window.GetList(9)->SendMessage(WM_GETFONT)), GetUiFont(0));
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_ALTERNATE);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_LINES);
    EXPECT_EQ(window.GetList(15)->SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE), 0x20 | 0x200000);

    const LRESULT width = list->SendMessage(LVM_GETCOLUMNWIDTH, DW_COL_OFFSET);
    EXPECT_EQ(window.SetViewOptions(0, -1, -1, -1, -1, -1, true), 1);
    EXPECT_EQ(window.SetViewOptions(0, -1, -1, -1, -1, -1, true), 0) << "no change, no column";
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_SHOW_OFFSETS);
    EXPECT_EQ(list->SendMessage(LVM_GETCOLUMNWIDTH, DW_COL_OFFSET), width) << "shown again at its width";
}

// A data window that keeps its state: the list loaded at creation, the chosen block and the
// view options written when it goes and found again by the next one.
TEST_F(DataWndTest, ModulesOptionsAndBlocksSurviveARestart)
{
    const std::string other = WriteModule("sl_neustart.dfm", "MODUL \"Neustart\"\nBYTE\nBLOCK \"Teil\"\nBYTE\n");
    ASSERT_EQ(AddToModulList("DataWindow", other.c_str()), 2);
    const DWORD style = 0xF93 | CDataWnd::DWS_OFFSETS;
    const RECT area = {0, 0, 400, 200};
    {
        CDataWnd first;
        ASSERT_TRUE(first.Create(8, style, area, CWnd::FromHandle(host), 292));
        const int source = first.Modules().FindSource("Neustart");
        ASSERT_GE(source, 0) << "loaded from the list";
        first.ChooseEntry(2, source, first.Modules().FindEntry("Modul - Neustart", source));
        first.SetViewOptions(-1, 1, 0, -1, -1, -1, false);
        first.DestroyWindow();
    }
    CDataWnd second;
    ASSERT_TRUE(second.Create(8, style, area, CWnd::FromHandle(host), 293));
    EXPECT_STREQ(second.Modules().GetEntryName(second.GetChosenEntry(2)), "Modul - Neustart");
    EXPECT_STREQ(second.GetStrip().GetLabelText(2), "Modul - Neustart") << "the label names the chosen entry";
    EXPECT_STREQ(second.GetStrip().GetLabelText(0), "Teil") << "the first entry, the block, for the others";
    std::vector<uint8_t> bytes(4, 7);
    second.SelectSlot(2);
    second.SetData(bytes.data(), 4, 0, 4, 0, 0);
    EXPECT_EQ(second.Items(2).size(), 2u) << "the module's two rows";
    second.DestroyWindow();
    CRegistry reg;
    DWORD saved = 0;
    ASSERT_TRUE(reg.OpenPath(nullptr, REGISTRY_READ) && reg.OpenSubKey("DataWindow", 1));
    ASSERT_TRUE(reg.ReadDword(&saved, "Style"));
    EXPECT_EQ(saved, 0x20u | 0x40 | 0x80 | 0x200) << "offsets, lengths, fixed font, lines";
    DeleteFileA(other.c_str());
}

// "Modul Fehler" takes the caption it is given and shows the error text; without a caption
// it keeps its own.
TEST_F(DataWndTest, ErrorDialogShowsCaptionAndText)
{
    for (const char* caption : {"Modulfehler in x.dfm", ""}) {
        CModulErrorDlg dialog(CWnd::FromHandle(host));
        dialog.m_caption = caption;
        dialog.m_text = "Fehler(3)\tUnbekannter Befehl\r\n";
        std::string title, text;
        testsupport::ModalScript script;
        script.Add([&](HWND d) {
            title = testsupport::WindowText(d);
            text = testsupport::WindowText(GetDlgItem(d, CModulErrorDlg::IDC_TEXT));
            return testsupport::Click(d, IDOK);
        });
        EXPECT_EQ(script.Run([&] { return dialog.DoModal(); }), IDOK);
        EXPECT_EQ(title, *caption ? caption : "Modul Fehler");
        EXPECT_EQ(text, "Fehler(3)\tUnbekannter Befehl\r\n");
    }
}

// SetData cuts a length that runs past the data, and runs the module only when a value
// changed: a module counting its runs in its PARAM_0 shows it.
TEST_F(DataWndTest, SetDataCutsTheLengthAndRunsOnChange)
{
    window.SetData(table, sizeof table, 500, 100, 0x1000, 0);
    EXPECT_EQ(window.GetSlotLength(0), 12);
    window.SetData(table, sizeof table, 600, 10, 0x1000, 0);
    EXPECT_EQ(window.GetSlotLength(0), 0) << "an offset past the data leaves nothing";
    window.SetData(table, -5, -7, 10, 0x1000, 0);
    EXPECT_EQ(window.GetSlotOffset(0), 0);
    EXPECT_EQ(window.GetSlotLength(0), 0);

    const std::string path = WriteModule("sl_zaehler.dfm", "MODUL \"Zaehler\"\nADD PARAM_0 1\nPRINT PARAM_0\n");
    ASSERT_EQ(window.LoadModul(path.c_str(), nullptr), 1);
    const int source = window.Modules().FindSource("Zaehler");
    window.ChooseEntry(0, source, window.Modules().GetSourceFirstEntry(source));
    int32_t runs = 0;
    window.SetData(table, sizeof table, 0, 10, 0x1000, 0);
    window.Modules().GetParam(source, 0, &runs);
    EXPECT_EQ(runs, 1);
    window.SetData(table, sizeof table, 0, 10, 0x1000, 0);
    window.Modules().GetParam(source, 0, &runs);
    EXPECT_EQ(runs, 1) << "the same values again run nothing";
    window.SetData(table, sizeof table, 0, 11, 0x1000, 0);
    window.Modules().GetParam(source, 0, &runs);
    EXPECT_EQ(runs, 2);
    DeleteFileA(path.c_str());
}

// The disk view hands every sector in the same buffer: other bytes in it count as a change
// for SetData, as other values do. After "Module löschen", loading the list or a module runs
// nothing; "Aktualisieren" shows what the module makes of the slot's bytes.
TEST_F(DataWndTest, OtherBytesInTheSameBufferAndReloadedModulesShowOnRefresh)
{
    auto first = [&] { return window.Items(0).empty() ? std::string() : Cell(window, window.Items(0)[0], DW_COL_VALUE); };
    EXPECT_EQ(first(), "0 ");
    table[0x1BE] = 0x42;
    window.SetData(table, sizeof table, 0x1BE, 64, 0x1000, 0);
    EXPECT_EQ(first(), "66 ");

    dwtest::ModuleChooser<Prompts> chooser(modulePath);
    CDataWnd::SetPrompts(&chooser);
    ASSERT_EQ(AddToModulList(CDataWnd::kSection, modulePath.c_str()), 2);
    for (UINT command : {CDataWnd::ID_DW_LOAD_LIST, CDataWnd::ID_DW_LOAD_MODUL}) {
        window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_CLEAR_MODULES);
        EXPECT_EQ(first(), "") << command;
        window.SendMessage(WM_COMMAND, command);
        EXPECT_EQ(window.Modules().GetEntryCount(), 1) << command;
        EXPECT_TRUE(window.Items(0).empty()) << command;
        window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REFRESH);
        EXPECT_EQ(window.Items(0).size(), 5u) << command;
        EXPECT_EQ(first(), "66 ") << command;
    }
    CDataWnd::SetPrompts(&prompts);
}

// A module load runs no slot; run again afterwards, each slot runs on what it was handed: where
// the view put a 512-byte sector into the buffer that held a 2048-byte one, on its copy of the
// bytes it was handed, never on the buffer's new bytes with the old size.
TEST_F(DataWndTest, AfterAModuleLoadEachSlotRunsOnTheBytesOfItsOwnLength)
{
    const std::string module = WriteModule("sl_far.dfm", "SEEK 4\nBYTE \"near\"\nSEEK 1000\nBYTE \"far\"\n");
    std::vector<uint8_t> buffer(2048);
    for (size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<uint8_t>(i * 7 + 1);
    const std::vector<uint8_t> handed = buffer;
    window.SetData(buffer.data(), 2048, 0, 2048, 0x8000, 0, 1);
    window.SetData(buffer.data(), 2048, 0, 2048, 0x8000, 0, 0);
    // The view goes on to a 512-byte sector in the same buffer; behind it the old bytes stay.
    for (size_t i = 0; i < 512; ++i)
        buffer[i] = static_cast<uint8_t>(i * 3 + 100);
    window.BytesReplaced(buffer.data());
    dwtest::ModuleChooser<Prompts> chooser(module);
    CDataWnd::SetPrompts(&chooser);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_CLEAR_MODULES);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_LOAD_MODUL);
    CDataWnd::SetPrompts(&prompts);
    const std::string mixture = dwtest::DecodedCopy(module, buffer.data(), 2048, 0);
    for (int slot : {0, 1}) {
        EXPECT_EQ(window.Modules().GetRowCount(slot), 0) << slot;
        window.Refresh(true, slot);
        EXPECT_EQ(dwtest::RowsOf(window.Modules(), slot), dwtest::DecodedCopy(module, handed.data(), 2048, 0)) << slot;
        EXPECT_NE(dwtest::RowsOf(window.Modules(), slot), mixture) << slot;
    }
    // Handed the new sector, the slot decodes it with its own length.
    window.SetData(buffer.data(), 512, 0, 512, 0x8000, 0, 0);
    EXPECT_EQ(dwtest::RowsOf(window.Modules(), 0), dwtest::DecodedCopy(module, buffer.data(), 512, 0));
    DeleteFileA(module.c_str());
}

// The window's own refresh shows the bytes as they are now, from the slot's own start offset:
// what the user typed into the sector (through "Aktualisieren" and through a change of the
// options) shows where it was shown. After the view went on to a 512-byte sector in the same
// 2048-byte buffer, a slot that was not handed it keeps decoding its copy of the old one,
// never the new bytes with the old length.
TEST_F(DataWndTest, TheWindowsOwnRefreshShowsTheBytesAsTheyAreNow)
{
    const std::string module = WriteModule("sl_far2.dfm", "SEEK 4\nBYTE \"near\"\nSEEK 1000\nBYTE \"far\"\n");
    class OptionPrompts : public Prompts {
    public:
        bool RunOptions(CDataOptionsDlg& dialog) override
        {
            dialog.m_startOffset = dialog.m_startOffset == 0 ? 1 : 0;
            return true;
        }
    } optionPrompts;
    dwtest::ModuleChooser<Prompts> chooser(module);
    CDataWnd::SetPrompts(&chooser);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_CLEAR_MODULES);
    window.SendMessage(WM_COMMAND, CDataWnd::ID_DW_LOAD_MODUL);
    CDataWnd::SetPrompts(&optionPrompts);

    enum Route { REFRESH, OPTIONS };
    for (Route route : {REFRESH, OPTIONS}) {
        SCOPED_TRACE(route);
        std::vector<uint8_t> buffer(2048);
        for (size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<uint8_t>(i * 7 + 1);
        const std::vector<uint8_t> handed = buffer;
        window.SetData(buffer.data(), 2048, 0, 2048, 0x8000, 0, 1);
        window.SetData(buffer.data(), 2048, 0, 2048, 0x8000, 0, 0);
        auto command = [&] {
            window.SendMessage(WM_COMMAND, route == OPTIONS ? CDataWnd::ID_DW_PROPERTIES : CDataWnd::ID_DW_REFRESH);
        };

        // Typed into the sector shown: the rows show the new bytes.
        for (size_t at : {4, 5, 1000, 1001})     // start 0 or 1 after a change of the options
            buffer[at] = static_cast<uint8_t>(0x5A + at);
        command();
        const int start = window.GetSlotOffset(0);
        EXPECT_EQ(start, route == OPTIONS ? 1 : 0) << "the slot's own start offset";
        EXPECT_EQ(dwtest::RowsOf(window.Modules(), 0), dwtest::DecodedCopy(module, buffer.data(), 2048, start));
        EXPECT_NE(dwtest::RowsOf(window.Modules(), 0), dwtest::DecodedCopy(module, handed.data(), 2048, start));
        window.Refresh(true, 1);
        EXPECT_EQ(dwtest::RowsOf(window.Modules(), 1), dwtest::DecodedCopy(module, buffer.data(), 2048, 0));

        // Another sector of 512 bytes in the same buffer.
        const std::vector<uint8_t> typed = buffer;
        for (size_t i = 0; i < 512; ++i)
            buffer[i] = static_cast<uint8_t>(i * 3 + 100);
        window.BytesReplaced(buffer.data());
        const std::string mixture = dwtest::DecodedCopy(module, buffer.data(), 2048, start);
        command();
        EXPECT_EQ(dwtest::RowsOf(window.Modules(), 0),
                  dwtest::DecodedCopy(module, typed.data(), 2048, window.GetSlotOffset(0)));
        EXPECT_NE(dwtest::RowsOf(window.Modules(), 0), mixture);
        window.Refresh(true, 1);
        EXPECT_EQ(dwtest::RowsOf(window.Modules(), 1), dwtest::DecodedCopy(module, typed.data(), 2048, 0));
        window.SetData(nullptr, 0, 0, 0, 0, 0, 0);
        window.SetData(nullptr, 0, 0, 0, 0, 0, 1);
    }
    CDataWnd::SetPrompts(&prompts);
    DeleteFileA(module.c_str());
}

// List values the data window cannot use: another type, a missing file; and a list whose
// 255 places are taken refuses one more path.
TEST_F(DataWndTest, ModuleListRefusesWhatItCannotUse)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenAppKey() && reg.OpenSubKey("Kaputt", 0));
        reg.WriteDword(0x41, "List1");
        reg.WriteString("C:\\nirgends\\fehlt.dfm", "List2");
        reg.WriteString(modulePath.c_str(), "List3");
    }
    HKEY binary = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (this->key.Path() + "\\Kaputt").c_str(), 0, KEY_SET_VALUE, &binary),
              ERROR_SUCCESS);
    RegSetValueExA(binary, "List4", 0, REG_BINARY, reinterpret_cast<const BYTE*>("xyz"), 3);
    RegCloseKey(binary);
    prompts.boxes.clear();
    prompts.answer = IDYES;
    EXPECT_EQ(window.LoadModulList("Kaputt"), 1) << "only the real file loads (again: a warning)";
    prompts.answer = IDNO;
    ASSERT_EQ(prompts.boxes.size(), 4u);
    int failed = 0;
    for (const std::string& box : prompts.boxes)
        failed += box.find("konnte nicht geladen werden !") != std::string::npos;
    EXPECT_EQ(failed, 3);
    for (UINT type : prompts.types)
        EXPECT_EQ(type, static_cast<UINT>(MB_YESNO | MB_ICONSTOP));
    const std::vector<std::string>& boxes = prompts.boxes;
    EXPECT_NE(std::find(boxes.begin(), boxes.end(),
                        "Modul Fehler|Modul C:\\nirgends\\fehlt.dfm konnte nicht geladen werden !\nFehler anzeigen ?"),
              boxes.end());
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), "Modul Fehler|Modul " + modulePath + " ist fehlerhaft\nFehler anzeigen ?"),
              boxes.end());
    const std::vector<std::string>& shown = prompts.errors;
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Modulfehler in fehlt.dfm|Fehler(0)\tKann Datei nicht öffnen.\r\n"),
              shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Modulfehler in sl_table.dfm|Warnung(0)\tModul ist bereits geladen.\r\n"),
              shown.end());
    EXPECT_EQ(window.LoadModulList("Fehlt"), 0) << "no such key";

    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenAppKey() && reg.OpenSubKey("Voll", 0));
        for (int n = 1; n <= 255; ++n)
            reg.WriteString(("C:\\m" + std::to_string(n) + ".dfm").c_str(), ("List" + std::to_string(n)).c_str());
    }
    EXPECT_EQ(AddToModulList("Voll", "C:\\neu.dfm"), 0);
    EXPECT_EQ(AddToModulList("Voll", "c:\\M255.DFM"), 1);
    EXPECT_EQ(RemoveFromModulList("Voll", "C:\\m7.dfm"), 1);
    EXPECT_EQ(AddToModulList("Voll", "C:\\neu.dfm"), 2);

    // A value too long to read is somebody's entry all the same: the new file goes to the
    // next place that holds nothing.
    const std::string longPath = "C:\\" + std::string(600, 'l') + ".dfm";
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenAppKey() && reg.OpenSubKey("Lang", 0));
        ASSERT_TRUE(reg.WriteString(longPath.c_str(), "List1"));
    }
    EXPECT_EQ(AddToModulList("Lang", "C:\\neu.dfm"), 2);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenPath(nullptr, REGISTRY_READ) && reg.OpenSubKey("Lang", 1));
    void* first = nullptr;
    ASSERT_TRUE(reg.ReadValueAlloc(&first, "List1", REG_SZ));
    EXPECT_EQ(std::string(static_cast<const char*>(first)), longPath);
    std::free(first);
    char second[MAX_PATH] = {};
    EXPECT_TRUE(reg.ReadString(second, sizeof second, "List2"));
    EXPECT_STREQ(second, "C:\\neu.dfm");
}

// The options dialog: another module chosen selects its first block; numbers that do not
// read are refused with a message and the dialog stays; a negative budget shows nothing.
TEST_F(DataWndTest, OptionsDialogChoicesAndBadNumbers)
{
    // A block name longer than the boxes' 60 characters of typing is listed whole.
    const std::string longName = "Zweiter Block, dessen Name weit über sechzig Zeichen hinausgeht und ganz bleibt";
    ASSERT_GT(longName.size(), 60u);
    const std::string other = WriteModule("sl_bloecke.dfm", "MODUL \"Andere\"\nBLOCK \"Zwei\"\nBYTE \"z\"\n"
                                                             "BLOCK \"Eins\"\nBYTE \"e\"\nBLOCK \""
                                                                 + longName + "\"\nBYTE \"l\"\n");
    ASSERT_EQ(window.LoadModul(other.c_str(), nullptr), 1);
    class ScriptPrompts : public Prompts {
    public:
        bool RunOptions(CDataOptionsDlg& dialog) override
        {
            testsupport::ModalScript script;
            for (auto& step : steps)
                script.Add(step);
            return script.Run([&] { return dialog.DoModal(); }) == IDOK;
        }
        std::vector<testsupport::ModalScript::Step> steps;
    } scripted;
    CDataWnd::SetPrompts(&scripted);

    auto chooseModule = [](HWND d, const char* name) {
        HWND combo = GetDlgItem(d, CDataOptionsDlg::IDC_MODULES);
        const LRESULT at = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(CDataOptionsDlg::IDC_MODULES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    };
    std::string blocks;
    std::vector<std::string> listed;
    scripted.steps.push_back([&](HWND d) {
        chooseModule(d, "Andere");
        char text[256] = {};
        GetDlgItemTextA(d, CDataOptionsDlg::IDC_BLOCKS, text, sizeof text);
        blocks = text;
        HWND combo = GetDlgItem(d, CDataOptionsDlg::IDC_BLOCKS);
        for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
            text[0] = 0;
            if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof text))
                SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            listed.push_back(text);
        }
        return testsupport::Click(d, IDOK);
    });
    window.OnProperties();
    EXPECT_EQ(blocks, "Eins") << "the first of the sorted blocks";
    EXPECT_EQ(listed, (std::vector<std::string>{"Eins", "Zwei", longName}));
    EXPECT_STREQ(window.Modules().GetEntryName(window.GetChosenEntry(0)), "Eins");
    EXPECT_STREQ(window.Modules().GetSourceName(window.GetChosenSource(0)), "Andere");

    // "0x" and a length beyond 32 bits: refused with a message each, then Cancel.
    std::vector<std::string> messages;
    HWND options = nullptr;
    scripted.steps.clear();
    for (const char* bad : {"0x", "99999999999"}) {
        scripted.steps.push_back([&, bad](HWND d) {
            options = d;
            SetDlgItemTextA(d, CDataOptionsDlg::IDC_LENGTH, bad);
            return testsupport::Click(d, IDOK);
        });
        scripted.steps.push_back([&](HWND) {
            HWND box = testsupport::ThreadDialog(options);
            if (!box)
                return false;
            messages.push_back(testsupport::StaticTexts(box));
            return testsupport::Click(box, IDOK);
        });
    }
    scripted.steps.push_back([&](HWND d) { return d == options && testsupport::Click(d, IDCANCEL); });
    const int length = window.GetSlotLength(0);
    EXPECT_EQ(window.OnProperties(), 0);
    ASSERT_EQ(messages.size(), 2u);
    for (const std::string& m : messages)
        EXPECT_NE(m.find("Zahl"), std::string::npos) << m;
    EXPECT_EQ(window.GetSlotLength(0), length);

    // A negative budget counts as 0, a negative offset is taken as typed: no rows, no fault.
    scripted.steps.clear();
    scripted.steps.push_back([&](HWND d) {
        SetDlgItemTextA(d, CDataOptionsDlg::IDC_MAX_ROWS, "-3");
        SetDlgItemTextA(d, CDataOptionsDlg::IDC_OFFSET, "-5");
        return testsupport::Click(d, IDOK);
    });
    window.OnProperties();
    EXPECT_EQ(window.GetMaxRows(), 0);
    EXPECT_EQ(window.GetSlotOffset(0), -5);
    EXPECT_TRUE(window.Items(0).empty());
    CDataWnd::SetPrompts(&prompts);
    DeleteFileA(other.c_str());
}

// Module files in the list that the window loads as it is created: one at the size limit
// loads, one a byte larger and one of 24 MB are refused with the question that names them
// and the reason in their error text, and the window comes up with the rest of the list.
// A module file of `size` empty lines.
void WriteEmptyLines(const std::string& path, long long size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string lines(1 << 20, '\n');
    for (long long left = size; left > 0; left -= static_cast<long long>(lines.size()))
        std::fwrite(lines.data(), 1, static_cast<size_t>(std::min<long long>(left, lines.size())), f);
    std::fclose(f);
}

TEST_F(DataWndTest, ModuleFilesBeyondTheLimitAreRefusedAtStart)
{
    struct Case {
        const char* name;
        long long size;   // bytes of empty lines
        bool loads;
    } cases[] = {
        {"sl_grenze.dfm", CModulSet::kMaxFileBytes, true},
        {"sl_drueber.dfm", CModulSet::kMaxFileBytes + 1LL, false},
        {"sl_riesig.dfm", 24LL << 20, false},
    };
    const std::string small = WriteModule("sl_klein.dfm", "MODUL \"Klein\"\nBYTE\n");
    std::vector<std::string> paths;
    for (const Case& c : cases) {
        paths.push_back(WriteModule(c.name, ""));
        ASSERT_NO_FATAL_FAILURE(WriteEmptyLines(paths.back(), c.size));
        ASSERT_EQ(AddToModulList("DataWindow", paths.back().c_str()), 2);
    }
    ASSERT_EQ(AddToModulList("DataWindow", small.c_str()), 2);
    prompts.boxes.clear();
    prompts.answer = IDYES;
    CDataWnd started;
    const RECT area = {0, 0, 400, 200};
    EXPECT_TRUE(started.Create(8, 0xF93, area, CWnd::FromHandle(host), 294));
    EXPECT_GE(started.Modules().FindSource("Klein"), 0) << "the list goes on after a refused file";
    const std::string reason = "Fehler(0)\tDatei ist zu groß für ein Modul (mehr als "
                               + std::to_string(CModulSet::kMaxFileBytes >> 20) + " MB).\r\n";
    for (size_t i = 0; i < paths.size(); ++i) {
        const Case& c = cases[i];
        const std::string source(c.name, std::string(c.name).find('.'));
        EXPECT_EQ(started.Modules().FindSource(source.c_str()) >= 0, c.loads) << c.name;
        const std::string question = "Modul Fehler|Modul " + paths[i] + " konnte nicht geladen werden !\nFehler anzeigen ?";
        EXPECT_EQ(std::count(prompts.boxes.begin(), prompts.boxes.end(), question), c.loads ? 0 : 1) << c.name;
        const std::string shown = "Modulfehler in " + std::string(c.name) + "|" + reason;
        EXPECT_EQ(std::count(prompts.errors.begin(), prompts.errors.end(), shown), c.loads ? 0 : 1) << c.name;
        DeleteFileA(paths[i].c_str());
    }
    prompts.answer = IDNO;
    started.DestroyWindow();
    DeleteFileA(small.c_str());
}

// The files of one list together are bounded too: once they hold the list's limit, a further
// file is refused, and "Modulliste laden" cannot hold the window for long either.
TEST_F(DataWndTest, AListOfLargeModulesIsBoundedAsAWhole)
{
    // The second fills the list's bytes exactly: one byte more is refused.
    const long long sizes[] = {CModulSet::kMaxFileBytes, CModulSet::kMaxListBytes - CModulSet::kMaxFileBytes, 1};
    std::vector<std::string> paths;
    for (size_t i = 0; i < 3; ++i) {
        paths.push_back(WriteModule(("sl_teil" + std::to_string(i) + ".dfm").c_str(), ""));
        ASSERT_NO_FATAL_FAILURE(WriteEmptyLines(paths.back(), sizes[i]));
        ASSERT_EQ(AddToModulList("DataWindow", paths.back().c_str()), 2);
    }
    prompts.boxes.clear();
    prompts.errors.clear();
    prompts.answer = IDYES;
    window.ClearModules();
    EXPECT_EQ(window.LoadModulList("DataWindow"), 2);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(window.Modules().FindSource(("sl_teil" + std::to_string(i)).c_str()) >= 0, i < 2) << i;
    const std::string shown = "Modulfehler in sl_teil2.dfm|Fehler(0)\tDie Module der Liste sind zusammen größer als " +
                              std::to_string(CModulSet::kMaxListBytes >> 20) + " MB.\r\n";
    EXPECT_EQ(prompts.errors, std::vector<std::string>{shown});
    // A single module loaded afterwards is bounded by its own limit alone.
    EXPECT_EQ(window.LoadModul(paths[2].c_str(), "Einzeln"), 1);
    prompts.answer = IDNO;
    for (const std::string& path : paths)
        DeleteFileA(path.c_str());
}

// Every slot's label names the entry its slot runs, or the slot's number when it runs none:
// after "Module löschen" none is left, and "Modulliste laden" fills the module list anew in
// the list's own order, in which a slot's place may hold another module's entry.
TEST_F(DataWndTest, SlotLabelsNameWhatTheSlotsRun)
{
    const std::string fat = WriteModule("sl_fat.dfm", "MODUL \"FAT\"\nBLOCK \"FAT Bootsektor\"\nBYTE\n");
    const std::string mbr = WriteModule("sl_mbr.dfm", "MODUL \"MBR\"\nBLOCK \"MBR Tabelle\"\nBYTE\n");
    ASSERT_EQ(window.LoadModul(fat.c_str(), nullptr), 1);
    ASSERT_EQ(window.LoadModul(mbr.c_str(), nullptr), 1);
    CModulSet& set = window.Modules();
    window.ChooseEntry(1, set.FindSource("FAT"), set.FindEntry("FAT Bootsektor", 0));
    window.ChooseEntry(2, set.FindSource("MBR"), set.FindEntry("MBR Tabelle", 0));
    ASSERT_STREQ(window.GetStrip().GetLabelText(1), "FAT Bootsektor");
    ASSERT_EQ(AddToModulList("DataWindow", mbr.c_str()), 2);
    ASSERT_EQ(AddToModulList("DataWindow", fat.c_str()), 2);
    ASSERT_EQ(AddToModulList("DataWindow", modulePath.c_str()), 2);
    for (UINT command : {CDataWnd::ID_DW_CLEAR_MODULES, CDataWnd::ID_DW_LOAD_LIST}) {
        window.SendMessage(WM_COMMAND, command);
        for (int slot = 0; slot < window.GetSlotCount(); ++slot) {
            const int entry = window.GetChosenEntry(slot);
            const char* name = set.GetEntryName(entry);
            const std::string expected = name ? name : "Daten " + std::to_string(slot + 1);
            EXPECT_EQ(window.GetStrip().GetLabelText(slot), expected) << "slot " << slot << " after " << command;
            if (const ModulEntry* e = set.GetEntry(entry)) {
                EXPECT_EQ(window.GetChosenSource(slot), e->source) << "slot " << slot << " after " << command;
            }
        }
    }
    EXPECT_STREQ(window.GetStrip().GetLabelText(1), "FAT Bootsektor") << "the list's second file is FAT again";
    EXPECT_STREQ(window.GetStrip().GetLabelText(2), "Modul - Tabelle");
    DeleteFileA(fat.c_str());
    DeleteFileA(mbr.c_str());
}

}  // namespace
