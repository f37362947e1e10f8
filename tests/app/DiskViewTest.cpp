// The disk view in its frame, on images made by Debian's tools: the hex view and the decoded
// text of each loaded sector, the two status panes, the update hints, "Info Ansicht" for
// sectors outside every area, the selected number for the go-to commands, marks, layout,
// dropped files, and the panes going with the view.
#include <gtest/gtest.h>

#include "app/DiskView.h"
#include "app/DiskViewModel.h"
#include "app/MainFrm.h"
#include "app/res/resource.h"
#include "disk/DiskDoc.h"
#include "disk/InfoTypeDialog.h"
#include "services/AppIdentity.h"
#include "tests/app/support/ProcessWindow.h"
#include "tests/support/TestSupport.h"

#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/DiskViewTestSupport.h"

using diskviewtest::DrainQueue;
using diskviewtest::FileExists;

namespace {

const char kTestAppName[] = "DiskView";

std::string FixturePath(const char* name)
{
    return testsupport::BinaryDir() + "\\fixtures\\" + name;
}

// `count` bytes of the image file at a byte offset, read here apart from the document.
std::vector<uint8_t> ReadImageBytes(const std::string& path, uint64_t offset, size_t count)
{
    std::vector<uint8_t> bytes(count);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return {};
    const bool ok = _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0 &&
                    std::fread(bytes.data(), 1, count, file) == count;
    std::fclose(file);
    return ok ? bytes : std::vector<uint8_t>();
}

unsigned Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

// Every question of the document is answered "no" and counted, so nothing waits for a user.
class CountingPrompts : public DiskDocPrompts {
public:
    int Box(const char* text, const char*, UINT) override
    {
        boxes.push_back(text ? text : "");
        return IDNO;
    }
    bool AskText(const char* caption, const char*, CString* text, bool) override
    {
        asked.push_back(std::string(caption ? caption : "") + "=" + (text ? static_cast<LPCSTR>(*text) : ""));
        return false;
    }
    std::vector<std::string> boxes;
    std::vector<std::string> asked;   // caption=proposed text
};

// The lines of a pane, for comparisons.
std::vector<std::string> PaneLines(const CMarkTextView& pane)
{
    std::vector<std::string> lines;
    for (int i = 0; i < pane.GetLineCount(); ++i) {
        int length = 0;
        const char* text = pane.GetLineText(i, &length);
        lines.push_back(text ? std::string(text, static_cast<size_t>(length)) : std::string());
    }
    return lines;
}

// What the printer of `infoType` writes for the document's current sector, printed into a
// pane without a window of its own.
std::vector<std::string> ReferencePrint(CDiskDoc* doc, int infoType)
{
    CMarkTextView pane(2048, 50000, 0, "Text");
    pane.SetEditable(0);
    pane.SetMarkLimit(doc->GetLoadedSize());
    CStructurePrinter printer;
    printer.SetPrinterPane(&pane);
    printer.SetPrinterDocument(doc);
    pane.DeleteText(0, 0, 0, TE_LINE_ALL, 0);
    printer.PrintStructure(infoType, doc->GetSectorBuffer(), doc->GetLoadedSize());
    return PaneLines(pane);
}

class DiskViewTest : public ::testing::Test {
protected:
    DiskViewTest() : key(kTestAppName) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, kTestAppName, &prompts, &doc, &frame, &view));
    }

    void TearDown() override
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
        EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.front();
    }

    // Opens a fixture image as the program does; false (the test skips) when it is missing.
    bool OpenImage(const char* name)
    {
        path = FixturePath(name);
        if (testsupport::BinaryDir().empty() || !FileExists(path))
            return false;
        EXPECT_TRUE(doc->OnOpenDocument(path.c_str()));
        return doc->GetLoadedSize() != 0;
    }

    void GoTo(uint64_t sector)
    {
        doc->SetCurrentSector(sector);
        doc->LoadSector(0, 0);
    }

    std::string StatusText(int part)
    {
        HWND bar = ::GetDlgItem(frame->m_hWnd, AFX_IDW_STATUS_BAR);
        std::string text;
        testsupport::ReadStatusBarText(bar, part, &text);
        return text;
    }

    int StatusParts()
    {
        HWND bar = ::GetDlgItem(frame->m_hWnd, AFX_IDW_STATUS_BAR);
        return testsupport::StatusBarPartCount(bar);
    }

    // Drops the path on the view in a DROPFILES block as Explorer makes it: the header, the
    // path, two zeros. The view frees the block.
    void Drop(const std::string& file)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + file.size() + 2);
        ASSERT_NE(block, nullptr);
        DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(block));
        drop->pFiles = sizeof(DROPFILES);
        std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), file.c_str(), file.size());
        GlobalUnlock(block);
        view->SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(block));
    }

    testsupport::ScratchKey key;
    CWinApp app{"DiskViewTest"};
    CountingPrompts prompts;
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;
    std::string path;
};

}  // namespace

#define REQUIRE_IMAGE(name) \
    if (!OpenImage(name)) GTEST_SKIP() << name << " is missing (run through ctest)"

TEST_F(DiskViewTest, ChildrenExistFromTheStartAndTheFirstUpdateMakesThePanes)
{
    ASSERT_NE(view->GetHexView()->m_hWnd, nullptr);
    ASSERT_NE(view->GetTextPane()->m_hWnd, nullptr);
    EXPECT_TRUE(view->GetTextPane()->IsReadOnly());
    EXPECT_TRUE(view->GetExStyle() & WS_EX_ACCEPTFILES);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrA(view->m_hWnd, GCLP_HBRBACKGROUND)), GetStockObject(NULL_BRUSH));
    // ... and no other window of the library's classes gets that cursor.
    EXPECT_NE(reinterpret_cast<HCURSOR>(GetClassLongPtrA(frame->m_hWnd, GCLP_HCURSOR)), LoadCursor(nullptr, IDC_SIZENS));

    // Nothing open, no partitions: the refresh without printing makes the two panes, writes
    // the position of sector 0 and leaves the decoded text alone.
    CMarkTextView* pane = view->GetTextPane();
    pane->AppendText("kept line\n");
    const std::vector<std::string> before = PaneLines(*pane);
    view->OnUpdate(nullptr, 0x100000, nullptr);
    EXPECT_TRUE(view->StatusPanesCreated());
    ASSERT_EQ(StatusParts(), 3);
    EXPECT_EQ(StatusText(2), " Rel.Sec 0");
    EXPECT_EQ(PaneLines(*pane), before);
    // A second update keeps the one group.
    view->OnUpdate(nullptr, 0x100000, nullptr);
    EXPECT_EQ(StatusParts(), 3);
}

// Colours a user saved for the decoded text come back as they were: the printer colours are
// not added a second time behind them (a second row of an id gets id 0 and would colour every
// label cell).
TEST_F(DiskViewTest, SavedColoursComeBackWithEachPrinterColourOnce)
{
    auto rows = [](CMarkTextView* pane) {
        std::vector<std::pair<std::string, int>> table;
        const AnsiViewSettings* settings = pane->Settings();
        for (int i = 0; settings && i < settings->formatCount; ++i)
            table.emplace_back(settings->formats[i].name, settings->formats[i].id);
        return table;
    };
    const auto before = rows(view->GetTextPane());
    for (const PrinterColorFormat& format : PrinterColorFormats)
        EXPECT_EQ(std::count(before.begin(), before.end(), std::make_pair(std::string(format.name), format.number)), 1)
            << format.name;
    view->GetTextPane()->CAnsiView::SaveSettings(nullptr);   // as "Farben einstellen" saves
    app.m_pMainWnd->SendMessage(WM_CLOSE);
    DrainQueue();
    ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, kTestAppName, &prompts, &doc, &frame, &view));
    EXPECT_EQ(rows(view->GetTextPane()), before);
    EXPECT_EQ(view->GetTextPane()->ColorIndex(0), -1);
}

TEST_F(DiskViewTest, ImageSectorZeroShowsHexDecodedTextAndStatus)
{
    REQUIRE_IMAGE("mbr.img");
    int size = 0;
    uint32_t base = 1;
    const uint8_t* data = view->GetHexView()->GetData(&size, &base);
    EXPECT_EQ(data, doc->GetSectorBuffer());
    EXPECT_EQ(size, 512);
    EXPECT_EQ(base, 0u);
    // Freshly loaded sectors are write-protected in the hex view.
    EXPECT_EQ(view->GetHexView()->GetModeFlags() & 1u, 1u);

    EXPECT_EQ(StatusText(1), "(Img) Sektor 0 ");
    EXPECT_EQ(StatusText(2), " Rel.Sec 0");

    ASSERT_EQ(doc->GetAreaType(), 1u);   // the scan puts the MBR there
    const std::vector<std::string> expected = ReferencePrint(doc, 1);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), expected);
    EXPECT_GT(expected.size(), 3u);
    EXPECT_EQ(view->GetTextPane()->GetMarkLimit(), 512u);
}

TEST_F(DiskViewTest, PositionPaneCountsClustersOfTheFatDataArea)
{
    REQUIRE_IMAGE("mbr.img");
    // The first partition's start (MBR entry 0, LBA at 0x1C6) and its FAT16 boot sector, as
    // mkfs.fat wrote them.
    const std::vector<uint8_t> mbr = ReadImageBytes(path, 0, 512);
    ASSERT_EQ(mbr.size(), 512u);
    const uint64_t start = Le32(&mbr[0x1C6]);
    const std::vector<uint8_t> boot = ReadImageBytes(path, start * 512, 512);
    ASSERT_EQ(boot.size(), 512u);
    const unsigned perCluster = boot[0x0D];
    const unsigned reserved = Le16(&boot[0x0E]);
    const unsigned fats = boot[0x10];
    const unsigned rootEntries = Le16(&boot[0x11]);
    const unsigned perFat = Le16(&boot[0x16]);
    ASSERT_GT(perCluster, 0u);
    const uint64_t dataStart = start + reserved + fats * perFat + (rootEntries * 32 + 511) / 512;

    const uint64_t sector = dataStart + 3 * perCluster + perCluster - 1;
    GoTo(sector);
    EXPECT_EQ(StatusText(1), "(Img) Sektor " + std::to_string(sector) + " ");
    EXPECT_EQ(StatusText(2), " Cl:5 Sec " + std::to_string(sector - start));

    // A sector of the first FAT of the same partition: no cluster.
    GoTo(start + reserved + 1);
    EXPECT_EQ(StatusText(2), " Rel.Sec " + std::to_string(reserved + 1));
}

// On a disk of twelve partitions the twelfth counts its sectors from its own start (mmls) and
// its clusters as fsstat numbers them there.
TEST_F(DiskViewTest, TwelfthPartitionOfAGptDiskIsCountedFromItsOwnStart)
{
    REQUIRE_IMAGE("gpt12.img");
    auto text = [this](const char* report) {
        std::ifstream in((path + report).c_str());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string mmls = text(".mmls.txt"), fsstat = text(".fsstat12.txt");
    const char* report = fsstat.c_str();
    unsigned long long starts[12] = {}, area = 0, clusterBytes = 0, first = 0, last = 0;
    std::string line;
    for (std::istringstream rows(mmls); std::getline(rows, line);) {
        unsigned slot = 0;
        unsigned long long at = 0;
        if (sscanf(line.c_str(), "%*u: %u %llu", &slot, &at) == 2 && slot < 12)
            starts[slot] = at;
    }
    const unsigned long long start = starts[11];
    ASSERT_GT(start, starts[10]) << "mmls names no twelfth partition";
    ASSERT_TRUE(strstr(report, "Cluster Area:") && strstr(report, "Cluster Size:") && strstr(report, "Cluster Range:"));
    sscanf(strstr(report, "Cluster Area:"), "Cluster Area: %llu", &area);
    sscanf(strstr(report, "Cluster Size:"), "Cluster Size: %llu", &clusterBytes);
    sscanf(strstr(report, "Cluster Range:"), "Cluster Range: %llu - %llu", &first, &last);
    const unsigned long long perCluster = clusterBytes / 512;
    ASSERT_GT(perCluster, 0u);
    for (unsigned long long cluster : { first, first + 777, last }) {
        const unsigned long long relative = area + (cluster - first) * perCluster + perCluster - 1;
        GoTo(start + relative);
        EXPECT_EQ(StatusText(2), " Cl:" + std::to_string(cluster) + " Sec " + std::to_string(relative));
    }
    GoTo(start + area - 1);
    EXPECT_EQ(StatusText(2), " Rel.Sec " + std::to_string(area - 1));
    // The empty eleventh partition behind the exFAT of the ninth has no clusters of its own.
    GoTo(start - 1);
    EXPECT_EQ(StatusText(2), " Rel.Sec " + std::to_string(start - 1 - starts[10]));
}

// The exFAT volume of a larger GPT disk: its last cluster (fsstat, counted from the partition
// start sgdisk names) is the last sector with a cluster number; the free space behind it and
// the backup GPT header in the disk's last sector have none.
TEST_F(DiskViewTest, ClusterNumbersEndWithTheVolume)
{
    REQUIRE_IMAGE("gptexfat.img");
    std::ifstream sgdisk((path + ".sgdisk1.txt").c_str()), fsstat((path + ".fsstat.txt").c_str());
    const std::string report = std::string(std::istreambuf_iterator<char>(sgdisk), {}) +
                               std::string(std::istreambuf_iterator<char>(fsstat), {});
    unsigned long long start = 0, heap = 0, clusterBytes = 0, first = 0, last = 0;
    for (const char* label : { "First sector:", "Cluster Heap:", "Cluster Size:", "Cluster Range:" })
        ASSERT_TRUE(strstr(report.c_str(), label)) << label;
    sscanf(strstr(report.c_str(), "First sector:"), "First sector: %llu", &start);
    sscanf(strstr(report.c_str(), "Cluster Heap:"), "Cluster Heap: %llu", &heap);
    sscanf(strstr(report.c_str(), "Cluster Size:"), "Cluster Size: %llu", &clusterBytes);
    sscanf(strstr(report.c_str(), "Cluster Range:"), "Cluster Range: %llu - %llu", &first, &last);
    const unsigned long long end = heap + (last - first + 1) * (clusterBytes / 512);   // behind the last cluster
    ASSERT_GT(clusterBytes, 511u);
    GoTo(start + end - 1);
    EXPECT_EQ(StatusText(2), " Cl:" + std::to_string(last) + " Sec " + std::to_string(end - 1));
    GoTo(start + end);
    EXPECT_EQ(StatusText(2), " Rel.Sec " + std::to_string(end));
    std::ifstream image(path.c_str(), std::ios::binary | std::ios::ate);
    const uint64_t backupHeader = static_cast<uint64_t>(image.tellg()) / 512 - 1;
    GoTo(backupHeader);
    ASSERT_EQ(doc->GetAreaType(), 18u);
    EXPECT_EQ(StatusText(2), " Rel.Sec " + std::to_string(backupHeader - start));
}

TEST_F(DiskViewTest, HintsSelectProtectOrRefreshWithoutPrinting)
{
    REQUIRE_IMAGE("mbr.img");
    CHexView* hex = view->GetHexView();

    // Same sector, new selection: the partition table's first entry.
    doc->UpdateAllViews(nullptr, static_cast<LPARAM>(0x80000000u | (0x1BEu << 8) | 16u));
    int length = 0;
    EXPECT_EQ(hex->GetSelection(false, &length), 0x1BE);
    EXPECT_EQ(length, 16);

    // A load with a range selects it too.
    doc->LoadSector(0x1FE, 2);
    EXPECT_EQ(hex->GetSelection(false, &length), 0x1FE);
    EXPECT_EQ(length, 2);

    doc->UpdateAllViews(nullptr, static_cast<LPARAM>(0xFFFFF100u));
    EXPECT_EQ(hex->GetModeFlags() & 1u, 0u);
    doc->UpdateAllViews(nullptr, static_cast<LPARAM>(0xFFFFF200u));
    EXPECT_EQ(hex->GetModeFlags() & 1u, 1u);

    // 0x100000: buffer and status panes, the decoded text stays as it is.
    CMarkTextView* pane = view->GetTextPane();
    pane->AppendText("kept line\n");
    const std::vector<std::string> before = PaneLines(*pane);
    doc->SetCurrentSector(7);
    doc->UpdateAllViews(nullptr, static_cast<LPARAM>(0x100000));
    EXPECT_EQ(PaneLines(*pane), before);
    EXPECT_EQ(StatusText(1), "(Img) Sektor 7 ");
}

TEST_F(DiskViewTest, InfoViewChoiceGovernsSectorsOutsideEveryArea)
{
    REQUIRE_IMAGE("mbr.img");
    // Sectors between the MBR and the first partition belong to no area.
    GoTo(100);
    ASSERT_EQ(doc->GetAreaType(), 0u);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 0));

    view->ApplyInfoViewChoice(6);   // "FAT16"
    EXPECT_EQ(view->GetChosenInfoType(), 9);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 9));
    GoTo(101);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 9));

    // Sectors inside an area keep their own printer.
    GoTo(0);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 1));

    // No selection in the dialog: nothing printed, the choice stays.
    GoTo(101);
    view->ApplyInfoViewChoice(-1);
    EXPECT_EQ(view->GetChosenInfoType(), 9);

    view->ApplyInfoViewChoice(0);   // "<default>"
    EXPECT_EQ(view->GetChosenInfoType(), 0);
    GoTo(102);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 0));
}

TEST_F(DiskViewTest, ALongListingLeavesNoLineBelowTheNextPrint)
{
    REQUIRE_IMAGE("mbr.img");
    // More lines than the first thousand stand in the pane (a FAT sector of a large-sector
    // medium prints that many); each way of printing again must leave only its own lines.
    struct Case {
        const char* what;
        uint64_t sector;
        int choice;       // "Info Ansicht" list position; -2: a full update of the sector
        int printedType;  // what the pane must hold afterwards
    };
    const Case cases[] = {
        {"full update of the MBR", 0, -2, 1},
        {"Info Ansicht FAT16 outside every area", 100, 6, 9},
        {"Info Ansicht <default> on the MBR", 0, 0, 1},
        {"Info Ansicht without a choice", 0, -1, 0},
    };
    std::string stale;
    for (int line = 0; line < 1500; ++line)
        stale += "stale line " + std::to_string(line) + "\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GoTo(c.sector);
        view->GetTextPane()->AppendText(stale.c_str());
        ASSERT_GE(view->GetTextPane()->GetLineCount(), 1500);
        if (c.choice == -2)
            view->OnUpdate(nullptr, 0, nullptr);
        else
            view->ApplyInfoViewChoice(c.choice);
        EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, c.printedType));
    }
}

namespace {

// Answers the "Info Ansicht" dialog from a second thread: notes the preselected position,
// picks `choice` (or nothing for -1) and presses OK.
struct InfoDialogAnswer {
    DWORD uiThread = 0;
    int choice = 0;
    int preselected = -100;
    bool answered = false;
};

BOOL CALLBACK FindDialogOfThread(HWND hwnd, LPARAM lParam)
{
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI AnswerInfoDialog(void* context)
{
    InfoDialogAnswer* answer = static_cast<InfoDialogAnswer*>(context);
    HWND dialog = nullptr;
    if (!testsupport::WaitUntil([&] {
            EnumThreadWindows(answer->uiThread, FindDialogOfThread, reinterpret_cast<LPARAM>(&dialog));
            return dialog != nullptr;
        }))
        return 0;
    HWND list = GetDlgItem(dialog, CInfoTypeDlg::IDC_INFO_LIST);
    if (!list)
        return 0;
    answer->preselected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(answer->choice), 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    answer->answered = true;
    return 0;
}

}  // namespace

TEST_F(DiskViewTest, InfoViewCommandPreselectsTheAreaTypeAndPrintsTheChoice)
{
    REQUIRE_IMAGE("mbr.img");
    ASSERT_EQ(doc->GetAreaType(), 1u);
    InfoDialogAnswer answer;
    answer.uiThread = GetCurrentThreadId();
    answer.choice = 9;   // "Verzeichnis": the FAT directory printer
    HANDLE helper = CreateThread(nullptr, 0, AnswerInfoDialog, &answer, 0, nullptr);
    ASSERT_NE(helper, nullptr);
    view->SendMessage(WM_COMMAND, ID_INFO_VIEW);
    WaitForSingleObject(helper, 15000);
    CloseHandle(helper);
    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(answer.preselected, 11);   // "MasterBootRecord" for the MBR's own sector
    EXPECT_EQ(view->GetChosenInfoType(), 6);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 6));
}

TEST_F(DiskViewTest, SelectedNumberFromHexBytesOrFromTheDecodedText)
{
    REQUIRE_IMAGE("mbr.img");
    uint64_t number = 99;
    CHexView* hex = view->GetHexView();
    hex->SetCursorAddress(0, false);
    EXPECT_FALSE(view->GetSelectedNumber(&number));
    EXPECT_EQ(number, 99u);

    // The first partition's start sector, as sfdisk wrote it, from four selected bytes.
    const std::vector<uint8_t> mbr = ReadImageBytes(path, 0, 512);
    ASSERT_EQ(mbr.size(), 512u);
    hex->SetCursorAddress(0x1C6, false);
    hex->SetSelectionEnd(0x1CA, false);
    ASSERT_TRUE(view->GetSelectedNumber(&number));
    EXPECT_EQ(number, Le32(&mbr[0x1C6]));
    // Two bytes: only those.
    hex->SetCursorAddress(0x1FE, false);
    hex->SetSelectionEnd(0x200, false);
    ASSERT_TRUE(view->GetSelectedNumber(&number));
    EXPECT_EQ(number, 0xAA55u);
    // Eight bytes, the width of a GPT or NTFS sector number: here the entry's start and size
    // as one number past 2^32. A longer selection gives its first eight.
    const uint64_t eight = Le32(&mbr[0x1C6]) | (static_cast<uint64_t>(Le32(&mbr[0x1CA])) << 32);
    ASSERT_NE(eight >> 32, 0u);
    for (int end : {0x1CE, 0x1D2}) {
        hex->SetCursorAddress(0x1C6, false);
        hex->SetSelectionEnd(end, false);
        ASSERT_TRUE(view->GetSelectedNumber(&number));
        EXPECT_EQ(number, eight) << end;
    }

    // "Springe zu Sektor" proposes the selected number (the first partition's start).
    hex->SetCursorAddress(0x1C6, false);
    hex->SetSelectionEnd(0x1CA, false);
    frame->SendMessage(WM_COMMAND, ID_GOTO_SECTOR);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "Springe zu Sektor=" + std::to_string(Le32(&mbr[0x1C6])));

    // A number selected in the decoded text, while that pane has the focus and the hex view
    // nothing selected, is evaluated as an expression.
    hex->SetCursorAddress(0, false);
    frame->ShowWindow(SW_SHOW);
    DrainQueue();
    CMarkTextView* pane = view->GetTextPane();
    pane->ClearText();
    pane->AppendText("0x800\n");
    pane->SetFocus();
    DrainQueue();
    if (::GetFocus() != pane->m_hWnd)
        GTEST_SKIP() << "the display gives no focus to the test's window";
    EXPECT_EQ(view->GetFocusedPane(), 1);
    pane->SelectWordAt(2, 0);
    ASSERT_TRUE(pane->HasSelection());
    ASSERT_TRUE(view->GetSelectedNumber(&number));
    EXPECT_EQ(number, 0x800u);
    // With the focus elsewhere (here an edit of the test's own, as the data window's list
    // would hold it) the text's selection is no number of the user's.
    HWND elsewhere = CreateWindowA("EDIT", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, frame->m_hWnd, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(elsewhere, nullptr);
    ::SetFocus(elsewhere);
    DrainQueue();
    ASSERT_EQ(::GetFocus(), elsewhere);
    ASSERT_TRUE(pane->HasSelection());
    number = 99;
    EXPECT_FALSE(view->GetSelectedNumber(&number));
    EXPECT_EQ(number, 99u);
    DestroyWindow(elsewhere);
}

TEST_F(DiskViewTest, MarkRangeCommandSelectsTheMarkedBytes)
{
    REQUIRE_IMAGE("mbr.img");
    CMarkTextView* pane = view->GetTextPane();
    if (pane->GetMarkCount() == 0)
        GTEST_SKIP() << "the MBR printer sets no marks";
    const MarkRange* mark = pane->GetMark(pane->GetMarkCount() - 1);
    ASSERT_NE(mark, nullptr);
    ASSERT_GT(pane->ChooseMarkAt(mark->firstColumn, mark->line), 0u);
    uint32_t offset = 0;
    const uint32_t length = pane->GetChosenMark(&offset);
    view->SendMessage(WM_COMMAND, ID_MARKTEXT_MARK_RANGE);
    int selected = 0;
    EXPECT_EQ(view->GetHexView()->GetSelection(false, &selected), static_cast<int64_t>(offset));
    EXPECT_EQ(selected, static_cast<int>(length));
}

TEST_F(DiskViewTest, LayoutFollowsTheViewSize)
{
    view->MoveWindow(0, 0, 600, 500, TRUE);
    CRect client;
    view->GetClientRect(&client);
    CRect hex;
    CRect text;
    view->GetHexView()->GetWindowRect(&hex);
    view->GetTextPane()->GetWindowRect(&text);
    view->ScreenToClient(&hex);
    view->ScreenToClient(&text);
    DiskViewLayout expected;
    ASSERT_TRUE(ComputeDiskViewLayout(client.Width(), client.Height(), view->GetSplitPosition(), &expected));
    EXPECT_EQ(hex.bottom, expected.hexBottom);
    EXPECT_EQ(text.top, expected.textTop);
    EXPECT_EQ(text.bottom, client.bottom);
    EXPECT_EQ(text.right, client.right);

    // Less than 100 pixels: all of it for the hex view.
    view->MoveWindow(0, 0, 600, 80, TRUE);
    view->GetClientRect(&client);
    view->GetHexView()->GetWindowRect(&hex);
    view->ScreenToClient(&hex);
    EXPECT_EQ(hex.bottom, client.bottom);
    EXPECT_EQ(view->GetSplitPosition(), client.bottom);
}

TEST_F(DiskViewTest, DroppedImageOpens)
{
    REQUIRE_IMAGE("mbr.img");
    const std::string other = FixturePath("fat16.img");
    if (!FileExists(other))
        GTEST_SKIP() << "fat16.img is missing";
    Drop(other);

    EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), other.c_str());
    EXPECT_EQ(doc->GetCurrentSector(), 0u);
    EXPECT_EQ(doc->GetAreaType(), 2u);   // a FAT16 boot sector
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 2));
}

TEST_F(DiskViewTest, StatusPanesGoWithTheView)
{
    REQUIRE_IMAGE("mbr.img");
    ASSERT_EQ(StatusParts(), 3);
    const int records = CStatusPaneBar::LiveRecordCount();
    frame->SetActiveView(nullptr);
    view->DestroyWindow();
    EXPECT_EQ(StatusParts(), 1);
    EXPECT_EQ(CStatusPaneBar::LiveRecordCount(), records);
}

TEST_F(DiskViewTest, DroppedPathThatDoesNotOpenIsReportedAndTheMediumStays)
{
    REQUIRE_IMAGE("mbr.img");
    GoTo(5);
    const std::string missing = testsupport::BinaryDir() + "\\fixtures\\no-such-image-" +
                                std::to_string(GetCurrentProcessId()) + ".img";
    ASSERT_FALSE(FileExists(missing));
    Drop(missing);

    // The document says so in one German message that names the path ...
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].find("Das Medium konnte nicht geöffnet werden"), 0u) << prompts.boxes[0];
    EXPECT_NE(prompts.boxes[0].find(missing), std::string::npos) << prompts.boxes[0];
    prompts.boxes.clear();
    // ... and the medium shown before stays, on the same sector.
    EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), path.c_str());
    EXPECT_EQ(doc->GetCurrentSector(), 5u);
    EXPECT_EQ(StatusText(1), "(Img) Sektor 5 ");
}

TEST_F(DiskViewTest, DataWindowRowsGoToTheirBytesInTheHexView)
{
    REQUIRE_IMAGE("mbr.img");
    CHexView* hex = view->GetHexView();
    frame->SetActiveView(view);
    // A row of 16 bytes (the first partition entry); the sender's id in the low half of
    // lParam must not matter.
    frame->SendMessage(WM_GOTOHEXOFFSET, 0x1BE, static_cast<LPARAM>((16u << 16) | 291u));
    int length = 0;
    EXPECT_TRUE(hex->HasSelection());
    EXPECT_EQ(hex->GetSelection(false, &length), 0x1BE);
    EXPECT_EQ(length, 16);

    // Sizes 0 and 256 only move the cursor.
    frame->SendMessage(WM_GOTOHEXOFFSET, 0x40, static_cast<LPARAM>(0u << 16));
    EXPECT_FALSE(hex->HasSelection());
    EXPECT_EQ(hex->GetCursorAddress(false), 0x40);
    frame->SendMessage(WM_GOTOHEXOFFSET, 0x1FE, static_cast<LPARAM>((256u << 16) | 0xFFFFu));
    EXPECT_FALSE(hex->HasSelection());
    EXPECT_EQ(hex->GetCursorAddress(false), 0x1FE);

    // Without an active view nothing happens.
    frame->SetActiveView(nullptr);
    frame->SendMessage(WM_GOTOHEXOFFSET, 0x10, static_cast<LPARAM>(4u << 16));
    EXPECT_EQ(hex->GetCursorAddress(false), 0x1FE);
}

TEST_F(DiskViewTest, OpenedOrRecentPathThatDoesNotOpenIsReportedAndTheFrameStays)
{
    REQUIRE_IMAGE("mbr.img");
    // "Datei öffnen" and the recent-file list open through the application, which hands the
    // path to the one document.
    const std::string missing = testsupport::BinaryDir() + "\\fixtures\\gone-" +
                                std::to_string(GetCurrentProcessId()) + ".img";
    EXPECT_EQ(app.OpenDocumentFile(missing.c_str()), nullptr);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_NE(prompts.boxes[0].find(missing), std::string::npos) << prompts.boxes[0];
    prompts.boxes.clear();
    EXPECT_EQ(app.m_pMainWnd, frame);
    EXPECT_TRUE(::IsWindow(frame->m_hWnd));
    EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), path.c_str());
    EXPECT_EQ(StatusText(1), "(Img) Sektor 0 ");
}

TEST_F(DiskViewTest, ReadErrorShowsNoBytesKeepsNoMarksAndStillPrints)
{
    REQUIRE_IMAGE("mbr.img");
    // A sector past the end of the file cannot be read: the loaded size is 0.
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes));
    const uint64_t sectors = ((static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow) / 512;
    // The FAT12 table printer for sectors in no area, the one with the most to read.
    GoTo(100);
    view->ApplyInfoViewChoice(5);
    ASSERT_EQ(view->GetChosenInfoType(), 8);
    GoTo(sectors + 3);
    ASSERT_EQ(doc->GetLoadedSize(), 0u);
    ASSERT_EQ(doc->GetAreaType(), 0u);
    int size = -1;
    uint32_t base = 1;
    view->GetHexView()->GetData(&size, &base);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(view->GetTextPane()->GetMarkLimit(), 0u);
    EXPECT_EQ(view->GetTextPane()->GetMarkCount(), 0);
    EXPECT_EQ(PaneLines(*view->GetTextPane()), ReferencePrint(doc, 8));
    EXPECT_EQ(StatusText(1), "(Img) Sektor " + std::to_string(sectors + 3) + " ");
}

TEST_F(DiskViewTest, FocusOnTheViewGoesToThePaneThatHadItLast)
{
    frame->ShowWindow(SW_SHOW);
    DrainQueue();
    view->SetFocus();
    DrainQueue();
    if (::GetFocus() != view->GetHexView()->m_hWnd)
        GTEST_SKIP() << "the display gives no focus to the test's window";
    EXPECT_EQ(view->GetFocusedPane(), 0);

    // The decoded text takes the focus; the view learns it from the pane's notification ...
    view->GetTextPane()->SetFocus();
    DrainQueue();
    EXPECT_EQ(view->GetFocusedPane(), 1);
    // ... and hands the focus back there when it gets it again.
    frame->SetFocus();
    DrainQueue();
    view->SetFocus();
    DrainQueue();
    EXPECT_EQ(::GetFocus(), view->GetTextPane()->m_hWnd);

    view->GetHexView()->SetFocus();
    DrainQueue();
    EXPECT_EQ(view->GetFocusedPane(), 0);
}
