// The data window in the main frame: shown, hidden and shown again in place (32801), handed
// the hex view's bytes from the cursor (32808), floated and docked (32873), a double click
// on a row selecting its bytes in the hex view and showing their length in the address pane;
// a refresh after a step to the next sector, in the view's one buffer; and the real program
// decoding a module of its list, copied from outside.
#include <gtest/gtest.h>

#include "tests/app/DiskViewTestSupport.h"
#include "tests/app/support/ProcessWindow.h"
#include "tests/support/DataWindowTestSupport.h"
#include "uihelpers/ClipboardText.h"

#include <cstdio>
#include <string>
#include <vector>

using diskviewtest::DrainQueue;
using dwtest::DecodedCopy;
using dwtest::RowsOf;

namespace {

// The check mark the frame's update handler gives a command.
class CCheckRecorder : public CCmdUI {
public:
    int checked = -1;
    void SetCheck(int check) override { checked = check; }
};

int CheckOf(CMainFrame* frame, UINT id)
{
    CCheckRecorder ui;
    ui.m_nID = id;
    EXPECT_TRUE(frame->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui, nullptr));
    return ui.checked;
}

const char kTestAppName[] = "DataWindowFrame";

std::string TempModule(const char* name, const char* text)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs(text, f);
        std::fclose(f);
    }
    return path;
}

class DataWindowFrameTest : public diskviewtest::FrameOnFat16<CWinApp, DiskDocPrompts> {
protected:
    DataWindowFrameTest() : FrameOnFat16(kTestAppName) {}

    void SetUp() override
    {
        FrameOnFat16::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        // PARAM_0 counts the runs; ADD makes no row.
        module = TempModule("sl_frame.dfm", "BYTE \"a\" 4\nWORD \"b\"\nADD PARAM_0 1\n");
        ASSERT_EQ(frame->m_wndDataWnd.LoadModul(module.c_str(), nullptr), 1);
        DrainQueue();
    }

    void TearDown() override
    {
        FrameOnFat16::TearDown();
        DeleteFileA(module.c_str());
    }

    void Command(UINT id)
    {
        frame->SendMessage(WM_COMMAND, id);
        DrainQueue();
    }

    std::string module;
};

TEST_F(DataWindowFrameTest, ShowRefreshDockAndGoToARow)
{
    CChildBar& bar = frame->m_wndChildBar;
    CDataWnd& data = frame->m_wndDataWnd;
    ASSERT_FALSE(bar.IsVisible());
    EXPECT_EQ(CheckOf(frame, ID_DATA_WINDOW), 0);
    Command(ID_DATA_WINDOW);
    ASSERT_TRUE(bar.IsVisible());
    EXPECT_EQ(CheckOf(frame, ID_DATA_WINDOW), 1);
    // Once shown, the current list fills the window but for the label strip.
    CRect client, list, strip;
    data.GetClientRect(&client);
    data.GetList(0)->GetWindowRect(&list);
    data.GetStrip().GetWindowRect(&strip);
    EXPECT_GT(client.Height(), 0);
    EXPECT_EQ(list.Width(), client.Width());
    EXPECT_EQ(list.Height() + strip.Height(), client.Height());
    CRect shown;
    bar.GetWindowRect(&shown);
    Command(ID_DATA_WINDOW);
    EXPECT_FALSE(bar.IsVisible());
    EXPECT_EQ(CheckOf(frame, ID_DATA_WINDOW), 0);
    Command(ID_DATA_WINDOW);
    CRect again;
    bar.GetWindowRect(&again);
    EXPECT_EQ(again, shown) << "shown again in its former place";

    // 32808: ten selected bytes, or the rest of the sector from the cursor.
    CHexView* hex = view->GetHexView();
    hex->SetCursorAddress(100, false);
    hex->SetSelectionEnd(110, false);
    Command(ID_REFRESH_DATA_WINDOW);
    EXPECT_EQ(data.GetSlotOffset(0), 100);
    EXPECT_EQ(data.GetSlotLength(0), 10);
    // A selection made backwards (from 110 down to 100, as Shift+Left makes it) is decoded
    // from its lower end too.
    hex->SetCursorAddress(110, false);
    hex->MoveCursorToAddress(100, false, true);
    int backwards = 0;
    const int64_t lower = hex->GetSelection(false, &backwards);
    ASSERT_GT(backwards, 0);
    Command(ID_REFRESH_DATA_WINDOW);
    EXPECT_EQ(data.GetSlotOffset(0), lower);
    EXPECT_EQ(data.GetSlotLength(0), backwards);
    hex->SetCursorAddress(20, false);
    Command(ID_REFRESH_DATA_WINDOW);
    EXPECT_EQ(data.GetSlotOffset(0), 20);
    EXPECT_EQ(data.GetSlotLength(0), 512 - 20);
    ASSERT_EQ(data.GetList(0)->GetItemCount(), 2);

    // A double click on row "b" selects its two bytes behind the four of "a".
    NMITEMACTIVATE activate = {};
    activate.hdr.hwndFrom = data.GetList(0)->m_hWnd;
    activate.hdr.idFrom = CDataWnd::IDC_LIST;
    activate.hdr.code = NM_DBLCLK;
    activate.iItem = 1;
    data.SendMessage(WM_NOTIFY, CDataWnd::IDC_LIST, reinterpret_cast<LPARAM>(&activate));
    MSG posted = {};
    ASSERT_TRUE(PeekMessageA(&posted, frame->m_hWnd, 0x4923, 0x4923, PM_NOREMOVE));
    EXPECT_EQ(posted.wParam, 24u) << "the row's data offset";
    EXPECT_EQ(posted.lParam, 291 | 2 << 16) << "the window id and the row's size";
    DrainQueue();
    int length = 0;
    EXPECT_EQ(hex->GetSelection(false, &length), 24);
    EXPECT_EQ(length, 2);
    // The hex view's address pane tells the selection as after one made with the mouse.
    uint32_t base = 0;
    hex->GetData(nullptr, &base);
    char pane[64];
    snprintf(pane, sizeof pane, " Adr: 0x%X / M: +%d", base + 24, 2);
    EXPECT_EQ(std::string(frame->m_wndStatusBar.GetPaneText(1)), pane);

    // 32873 floats the docked bar at (100, 100), then docks it on the right.
    Command(ID_DOCK_DATA_WINDOW);
    ASSERT_TRUE(bar.IsFloating());
    CRect floating;
    bar.GetParent()->GetParent()->GetWindowRect(&floating);
    EXPECT_NEAR(floating.left, 100, 16);
    EXPECT_NEAR(floating.top, 100, 40);
    Command(ID_DOCK_DATA_WINDOW);
    ASSERT_TRUE(bar.IsDocked());
    EXPECT_EQ(bar.GetParent()->GetDlgCtrlID(), AFX_IDW_DOCKBAR_RIGHT);

    // Without an active view the refresh does nothing.
    frame->SetActiveView(nullptr);
    hex->SetCursorAddress(30, false);
    Command(ID_REFRESH_DATA_WINDOW);
    EXPECT_EQ(data.GetSlotOffset(0), 20);
}

// The disk view hands every sector in one buffer: after a step, the refresh command shows
// what the module makes of the new sector's bytes. The command runs the module every time,
// whether or not anything changed.
TEST_F(DataWindowFrameTest, RefreshFollowsTheSectorInTheViewsBuffer)
{
    CDataWnd& data = frame->m_wndDataWnd;
    CHexView* hex = view->GetHexView();
    Command(ID_DATA_WINDOW);
    int size = 0;
    const uint8_t* buffer = hex->GetData(&size, nullptr);
    const int cursor = static_cast<int>(hex->GetCursorAddress(false));
    auto shown = [&] { return RowsOf(data.Modules(), data.GetCurrentSlot()); };
    Command(ID_REFRESH_DATA_WINDOW);
    const std::string sector0 = shown();
    EXPECT_EQ(sector0, DecodedCopy(module, buffer, size, cursor));
    Command(ID_REFRESH_DATA_WINDOW);
    int32_t runs = 0;
    data.Modules().GetParam(data.Modules().FindSource("sl_frame"), 0, &runs);
    EXPECT_EQ(runs, 2);

    Command(ID_NEXT_SECTOR);
    ASSERT_EQ(doc->GetCurrentSector(), 1u);
    ASSERT_EQ(hex->GetData(nullptr, nullptr), buffer) << "the same buffer";
    ASSERT_EQ(hex->GetCursorAddress(false), cursor);
    Command(ID_REFRESH_DATA_WINDOW);
    EXPECT_EQ(shown(), DecodedCopy(module, buffer, size, cursor));
    EXPECT_NE(shown(), sector0);
}

// A 2048-byte sector of an ISO image was decoded, then the FAT16 image's 512-byte sector 0 is
// shown in the same buffer: after "Modul laden", the data window's "Aktualisieren" decodes the
// ISO sector the slot was handed, never the 512 new bytes with 1536 left from the ISO sector
// behind them; the frame's refresh command hands it the 512 bytes under the cursor.
TEST_F(DataWindowFrameTest, AfterAModuleLoadNoSlotDecodesTheNewSectorWithTheOldLength)
{
    const std::string iso = diskviewtest::FixtureImage("iso9660.img");
    const std::string fat16 = diskviewtest::FixtureImage("fat16.img");
    if (iso.empty())
        GTEST_SKIP() << "iso9660.img is missing";
    CDataWnd& data = frame->m_wndDataWnd;
    CHexView* hex = view->GetHexView();
    Command(ID_DATA_WINDOW);
    ASSERT_TRUE(doc->OnOpenDocument(iso.c_str()));
    doc->SetCurrentSector(16);              // the primary volume descriptor: bytes throughout
    doc->LoadSector(0, 0);
    DrainQueue();
    Command(ID_REFRESH_DATA_WINDOW);
    int size = 0;
    const uint8_t* buffer = hex->GetData(&size, nullptr);
    ASSERT_EQ(size, 2048);
    const std::vector<uint8_t> isoSector(buffer, buffer + 2048);
    const int isoCursor = data.GetSlotOffset(data.GetCurrentSlot());
    ASSERT_TRUE(doc->OnOpenDocument(fat16.c_str()));
    DrainQueue();
    ASSERT_EQ(hex->GetData(&size, nullptr), buffer) << "the same buffer";
    ASSERT_EQ(size, 512);
    const int cursor = static_cast<int>(hex->GetCursorAddress(false));

    const std::string farModule = TempModule("sl_far.dfm", "SEEK 4\nBYTE \"near\"\nSEEK 1000\nBYTE \"far\"\n");
    dwtest::ModuleChooser<DataWndPrompts> chooser(farModule);
    CDataWnd::SetPrompts(&chooser);
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_CLEAR_MODULES);
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_LOAD_MODUL);
    CDataWnd::SetPrompts(nullptr);
    DrainQueue();
    const int slot = data.GetCurrentSlot();
    EXPECT_EQ(data.Modules().GetRowCount(slot), 0) << "a module load runs nothing";
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REFRESH);
    EXPECT_EQ(RowsOf(data.Modules(), slot), DecodedCopy(farModule, isoSector.data(), 2048, isoCursor));
    EXPECT_NE(RowsOf(data.Modules(), slot), DecodedCopy(farModule, buffer, 2048, isoCursor));
    Command(ID_REFRESH_DATA_WINDOW);
    EXPECT_EQ(data.GetSlotLength(slot), 512 - cursor);
    EXPECT_EQ(RowsOf(data.Modules(), slot), DecodedCopy(farModule, buffer, 512, cursor));
    DeleteFileA(farModule.c_str());
}

// The data window's own "Aktualisieren" shows the byte the user just typed into the sector, with
// the rows where they were (the slot's start offset, not the cursor that typing moved on);
// after the view went on to the next sector, a slot handed the old sector (and not the new
// one) keeps decoding its own copy of it, through "Aktualisieren" too.
TEST_F(DataWindowFrameTest, ItsOwnRefreshShowsTypedBytesAndSlotsKeepTheirSector)
{
    CDataWnd& data = frame->m_wndDataWnd;
    CHexView* hex = view->GetHexView();
    Command(ID_DATA_WINDOW);
    hex->SetCursorAddress(0, false);
    const std::string farModule = TempModule("sl_typed.dfm", "SEEK 3\nBYTE \"oem\"\nSEEK 500\nBYTE \"late\"\n");
    dwtest::ModuleChooser<DataWndPrompts> chooser(farModule);
    CDataWnd::SetPrompts(&chooser);
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_CLEAR_MODULES);
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_LOAD_MODUL);
    CDataWnd::SetPrompts(nullptr);
    Command(ID_REFRESH_DATA_WINDOW);
    data.SelectSlot(1);
    Command(ID_REFRESH_DATA_WINDOW);
    data.SelectSlot(0);
    DrainQueue();
    uint8_t* sector = doc->GetSectorBuffer();
    const std::vector<uint8_t> sector0(sector, sector + 512);

    hex->SetModeFlags(0, HVM_PROTECTED);
    hex->SetCursorArea(HEX_AREA_HEX);
    hex->SetCursorAddress(3, false);
    ::SetFocus(hex->m_hWnd);
    const uint8_t typed = static_cast<uint8_t>(sector0[3] ^ 0x21);
    static const char digits[] = "0123456789abcdef";
    ::SendMessageA(hex->m_hWnd, WM_CHAR, static_cast<WPARAM>(digits[typed >> 4]), 1);
    ::SendMessageA(hex->m_hWnd, WM_CHAR, static_cast<WPARAM>(digits[typed & 15]), 1);
    DrainQueue();
    ASSERT_EQ(sector[3], typed);
    ASSERT_EQ(hex->GetCursorAddress(false), 4) << "the typed byte moved the cursor on";
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REFRESH);
    EXPECT_EQ(data.GetSlotOffset(0), 0);
    EXPECT_EQ(RowsOf(data.Modules(), 0), DecodedCopy(farModule, sector, 512, 0));
    EXPECT_NE(RowsOf(data.Modules(), 0), DecodedCopy(farModule, sector0.data(), 512, 0));
    const std::vector<uint8_t> typedSector0(sector, sector + 512);
    hex->SetModeFlags(HVM_PROTECTED, HVM_PROTECTED);

    doc->SetCurrentSector(1);
    doc->LoadSector(0, 0);
    DrainQueue();
    ASSERT_NE(DecodedCopy(farModule, sector, 512, 0), DecodedCopy(farModule, sector0.data(), 512, 0));
    data.Refresh(true, 1);
    EXPECT_EQ(RowsOf(data.Modules(), 1), DecodedCopy(farModule, sector0.data(), 512, 0)) << "its own sector";
    data.SendMessage(WM_COMMAND, CDataWnd::ID_DW_REFRESH);
    EXPECT_EQ(RowsOf(data.Modules(), 0), DecodedCopy(farModule, typedSector0.data(), 512, 0)) << "its own copy";
    EXPECT_NE(RowsOf(data.Modules(), 0), DecodedCopy(farModule, sector, 512, 0));
    DeleteFileA(farModule.c_str());
}

// The real program with a module in its list: shown and refreshed by command, the first row
// focused and copied from outside.
TEST(DataWindowEndToEnd, DecodesTheCursorBytesWithAListedModule)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string image = diskviewtest::FixtureImage("fat16.img");
    if (image.empty())
        GTEST_SKIP() << "fat16 fixture missing";
    const std::string path = TempModule("sl_e2e.dfm", "MODUL \"Kopf\"\nSEEK 11\nWORD \"BytesPerSector\"\n");
    const char kSection[] = "Software\\QN\\Sektorlupe\\DataWindow";
    HKEY section = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSection, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &section, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(section, "List1", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(section);

    testsupport::ProcessWindow program;
    ASSERT_TRUE(program.Start("\"" + testsupport::BinaryDir() + "\\Sektorlupe.exe\" \"" + image + "\""));
    HWND frame = program.WaitForWindow(nullptr, nullptr, 60000);
    ASSERT_NE(frame, nullptr);
    SendMessageA(frame, WM_COMMAND, ID_DATA_WINDOW, 0);
    SendMessageA(frame, WM_COMMAND, ID_REFRESH_DATA_WINDOW, 0);
    HWND dataWnd = testsupport::FindChildWindow(frame, "DataWnd");
    ASSERT_NE(dataWnd, nullptr);
    HWND list = nullptr;
    for (const testsupport::ChildWindowInfo& child : testsupport::ListChildWindows(dataWnd))
        if (child.className == "FastList" && child.visible)
            list = child.hwnd;
    ASSERT_NE(list, nullptr);
    SendMessageA(list, FLM_FOCUSSTATE, 0x40000000, 0);
    ClipboardSetText("vorher");
    SendMessageA(dataWnd, WM_COPY, 0, 0);
    char* copied = ClipboardGetText();
    EXPECT_STREQ(copied, "BytesPerSector\t512 \t0x0B") << "name, value and the address column the frame shows";
    free(copied);
    DWORD exitCode = 1;
    EXPECT_TRUE(program.CloseAndWait(frame, 30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSection);
    DeleteFileA(path.c_str());
}

}  // namespace
