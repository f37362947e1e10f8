// The real Sektorlupe.exe on a GPT disk image made by sgdisk, mkfs.fat, mkntfs, mke2fs and
// mkfs.exfat: it goes (F9, "Springe zu Sektor") to the master boot record, the FAT32 boot
// sector, the first MFT record and the ext4 superblock, reads the decoded-text pane back
// through select-all, copy and the clipboard, checks the status panes and closes. The
// sector numbers come from the image's own GPT and boot sectors, read here.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/res/resource.h"
#include "tests/app/support/ProcessWindow.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kAppKey[] = "Software\\QN\\Sektorlupe";
const int kHexViewId = 4098;
const int kTextPaneId = 4099;
const UINT kSelectAllCommand = 34890;   // the text editor's "select all"
// "Nächster Sektor" and "Vorherigen Sektor": toolbar buttons without a key of their own.
const UINT kNextSectorCommand = 32859;
const UINT kPrevSectorCommand = 32860;
const int kEntryEditId = 1008;          // the edit field of the text entry dialog

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

uint64_t Le(const uint8_t* p, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

// The first sector of the FAT32 cluster area (cluster 2) and the sectors per cluster, from
// the boot sector at `boot`: reserved sectors (0x0E) and FAT count (0x10) times the sectors
// per FAT (0x24).
bool LocateFat32ClusterArea(const std::string& image, uint64_t boot, uint64_t* dataStart, unsigned* perCluster)
{
    const std::vector<uint8_t> b = ReadImageBytes(image, boot * 512, 512);
    if (b.size() != 512 || Le(&b[0x0B], 2) != 512 || b[0x0D] == 0)
        return false;
    *perCluster = b[0x0D];
    *dataStart = boot + Le(&b[0x0E], 2) + b[0x10] * Le(&b[0x24], 4);
    return true;
}

// Where the structures of gpt.img lie, from its GPT (entries from LBA 2, 128 bytes each,
// the first LBA at +32) and the boot sectors of its partitions.
struct GptImageSectors {
    uint64_t fat32Boot = 0;
    uint64_t ntfsStart = 0;
    uint64_t mftRecord = 0;
    uint64_t extStart = 0;
    uint64_t extSuperblock = 0;
};

bool LocateSectors(const std::string& image, GptImageSectors* out)
{
    const std::vector<uint8_t> entries = ReadImageBytes(image, 2 * 512, 4 * 128);
    if (entries.size() != 4 * 128)
        return false;
    out->fat32Boot = Le(&entries[0 * 128 + 32], 8);
    out->ntfsStart = Le(&entries[1 * 128 + 32], 8);
    out->extStart = Le(&entries[2 * 128 + 32], 8);
    const std::vector<uint8_t> ntfs = ReadImageBytes(image, out->ntfsStart * 512, 512);
    if (ntfs.size() != 512 || Le(&ntfs[0x0B], 2) != 512)
        return false;
    // $MFT's first cluster (boot sector 0x30) times the sectors per cluster (0x0D).
    out->mftRecord = out->ntfsStart + Le(&ntfs[0x30], 8) * ntfs[0x0D];
    // The superblock lies 1024 bytes into the volume.
    out->extSuperblock = out->extStart + 2;
    return true;
}

class RunningProgram {
public:
    bool Start(const std::string& image)
    {
        const std::string exe = testsupport::BinaryDir() + "\\Sektorlupe.exe";
        if (!program.Start("\"" + exe + "\" \"" + image + "\""))
            return false;
        frame = program.WaitForWindow(nullptr, nullptr, 60000);
        if (!frame)
            return false;
        statusBar = testsupport::FindChildWindow(frame, "msctls_statusbar32");
        hexView = testsupport::FindChildWindow(frame, nullptr, kHexViewId);
        textPane = testsupport::FindChildWindow(frame, nullptr, kTextPaneId);
        return statusBar && hexView && textPane;
    }

    // The disk view's panes end the bar, behind the address and value panes of the focused
    // hex view: part 1 is the medium, 2 the position.
    std::string StatusText(int part) const
    {
        std::string text;
        testsupport::ReadStatusBarText(statusBar, testsupport::StatusBarPartCount(statusBar) - 3 + part, &text);
        return text;
    }

    // Waits until the medium pane shows the sector.
    bool WaitForSector(uint64_t sector) const
    {
        const std::string wanted = "(Img) Sektor " + std::to_string(sector) + " ";
        return testsupport::WaitUntil(
            [&] { return testsupport::StatusBarPartCount(statusBar) >= 3 && StatusText(1) == wanted; });
    }

    // F9 as the user presses it (the frame's accelerator turns it into "Springe zu Sektor"),
    // the number into the dialog's field, OK.
    bool GoTo(uint64_t sector)
    {
        PostMessageA(hexView, WM_KEYDOWN, VK_F9, 0x00430001);
        PostMessageA(hexView, WM_KEYUP, VK_F9, static_cast<LPARAM>(0xC0430001u));
        HWND dialog = program.WaitForWindow("#32770", "Springe zu Sektor", 20000);
        if (!dialog)
            return false;
        HWND edit = GetDlgItem(dialog, kEntryEditId);
        if (!edit)
            return false;
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::to_string(sector).c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return WaitForSector(sector);
    }

    // The decoded text: select all and copy in the pane, then the clipboard.
    std::string DecodedText() const
    {
        return testsupport::CopiedPaneText(textPane, { kSelectAllCommand, ID_EDIT_COPY });
    }

    // A step as the toolbar button sends it; returns once the frame has handled it.
    bool Step(UINT command) const
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(frame, WM_COMMAND, command, 0, SMTO_NORMAL, 20000, &result) != 0;
    }

    bool Close(DWORD* exitCode) { return program.CloseAndWait(frame, 30000, exitCode); }

    testsupport::ProcessWindow program;
    HWND frame = nullptr;
    HWND statusBar = nullptr;
    HWND hexView = nullptr;
    HWND textPane = nullptr;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ViewEndToEnd, GoesToStructuresOfAGptDiskAndShowsThemDecoded)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string image = testsupport::BinaryDir() + "\\fixtures\\gpt.img";
    GptImageSectors sectors;
    if (!LocateSectors(image, &sectors))
        GTEST_SKIP() << "gpt.img is missing";
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);

    RunningProgram run;
    ASSERT_TRUE(run.Start(image)) << "no main window with the view's panes";
    EXPECT_TRUE(Contains(testsupport::WindowText(run.frame), "Sektorlupe")) << testsupport::WindowText(run.frame);

    // Sector 0 at the start: the protective MBR that sgdisk wrote, one entry of type EE.
    ASSERT_TRUE(run.WaitForSector(0)) << run.StatusText(1);
    EXPECT_EQ(run.StatusText(2), " Rel.Sec 0");
    std::string text = run.DecodedText();
    EXPECT_TRUE(Contains(text, "MASTER-BOOT-RECORD")) << text;
    EXPECT_TRUE(Contains(text, "Type=EEh")) << text;
    // The focused hex view's panes come first: the cursor address, and the double word under
    // the cursor as the image holds it.
    std::string address;
    std::string value;
    testsupport::ReadStatusBarText(run.statusBar, 1, &address);
    testsupport::ReadStatusBarText(run.statusBar, 2, &value);
    EXPECT_EQ(address, " Adr: 0x0 / 0");
    const int32_t word = static_cast<int32_t>(Le(ReadImageBytes(image, 0, 4).data(), 4));
    char expected[64];
    snprintf(expected, sizeof(expected), " Wert: 0x%X / %d", static_cast<unsigned>(word), word);
    EXPECT_EQ(value, expected);

    ASSERT_TRUE(run.GoTo(sectors.fat32Boot));
    // The boot sector lies before the cluster area: the sector within its partition is 0.
    EXPECT_EQ(run.StatusText(2), " Rel.Sec 0");
    text = run.DecodedText();
    EXPECT_TRUE(Contains(text, "BOOT-SEKTOR FAT32")) << text;
    EXPECT_TRUE(Contains(text, "GPTFAT32")) << text;   // mkfs.fat -n GPTFAT32

    ASSERT_TRUE(run.GoTo(sectors.mftRecord));
    text = run.DecodedText();
    EXPECT_TRUE(Contains(text, "MASTER FILE TABLE ENTRY")) << text;
    EXPECT_TRUE(Contains(text, "$MFT")) << text;        // record 0 names itself
    // $MFT lies in the NTFS cluster area: cluster and sector within the partition.
    EXPECT_TRUE(Contains(run.StatusText(2), " Cl:")) << run.StatusText(2);
    EXPECT_TRUE(Contains(run.StatusText(2), " Sec " + std::to_string(sectors.mftRecord - sectors.ntfsStart)))
        << run.StatusText(2);

    ASSERT_TRUE(run.GoTo(sectors.extSuperblock));
    text = run.DecodedText();
    EXPECT_TRUE(Contains(text, "SUPERBLOCK")) << text;
    EXPECT_TRUE(Contains(text, "gptext4")) << text;     // mke2fs -L gptext4

    DWORD exitCode = 1;
    ASSERT_TRUE(run.Close(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
}

TEST(ViewEndToEnd, StepsToTheNextAndPreviousSectorAndFollowsInPanesAndText)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string image = testsupport::BinaryDir() + "\\fixtures\\gpt.img";
    GptImageSectors sectors;
    if (!LocateSectors(image, &sectors))
        GTEST_SKIP() << "gpt.img is missing";
    uint64_t dataStart = 0;
    unsigned perCluster = 0;
    ASSERT_TRUE(LocateFat32ClusterArea(image, sectors.fat32Boot, &dataStart, &perCluster));
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);

    RunningProgram run;
    ASSERT_TRUE(run.Start(image)) << "no main window with the view's panes";
    ASSERT_TRUE(run.WaitForSector(0)) << run.StatusText(1);
    EXPECT_TRUE(Contains(run.DecodedText(), "MASTER-BOOT-RECORD"));

    // Nothing lies before sector 0.
    ASSERT_TRUE(run.Step(kPrevSectorCommand));
    EXPECT_EQ(run.StatusText(1), "(Img) Sektor 0 ");

    // Sector 1 holds the GPT header that sgdisk wrote, and back again the MBR.
    ASSERT_TRUE(run.Step(kNextSectorCommand));
    ASSERT_TRUE(run.WaitForSector(1)) << run.StatusText(1);
    std::string text = run.DecodedText();
    EXPECT_TRUE(Contains(text, "GUID PARTITION TABLE")) << text;
    EXPECT_FALSE(Contains(text, "MASTER-BOOT-RECORD")) << text;
    ASSERT_TRUE(run.Step(kPrevSectorCommand));
    ASSERT_TRUE(run.WaitForSector(0)) << run.StatusText(1);
    EXPECT_TRUE(Contains(run.DecodedText(), "MASTER-BOOT-RECORD"));

    // In the FAT32 cluster area each step moves the sector within the partition by one and
    // the cluster number by one per cluster's worth of sectors.
    const uint64_t partitionStart = sectors.fat32Boot;
    const uint64_t from = dataStart + perCluster - 1;   // the last sector of cluster 2
    ASSERT_TRUE(run.GoTo(from));
    EXPECT_EQ(run.StatusText(2), " Cl:2 Sec " + std::to_string(from - partitionStart));
    ASSERT_TRUE(run.Step(kNextSectorCommand));
    ASSERT_TRUE(run.WaitForSector(from + 1)) << run.StatusText(1);
    EXPECT_EQ(run.StatusText(2), " Cl:3 Sec " + std::to_string(from + 1 - partitionStart));
    ASSERT_TRUE(run.Step(kPrevSectorCommand));
    ASSERT_TRUE(run.WaitForSector(from)) << run.StatusText(1);
    EXPECT_EQ(run.StatusText(2), " Cl:2 Sec " + std::to_string(from - partitionStart));
    // One step further back leaves the cluster area (when a cluster is one sector: the
    // second FAT's last sector) or stays in cluster 2.
    ASSERT_TRUE(run.Step(kPrevSectorCommand));
    ASSERT_TRUE(run.WaitForSector(from - 1)) << run.StatusText(1);
    if (perCluster == 1)
        EXPECT_EQ(run.StatusText(2), " Rel.Sec " + std::to_string(from - 1 - partitionStart));
    else
        EXPECT_EQ(run.StatusText(2), " Cl:2 Sec " + std::to_string(from - 1 - partitionStart));

    // Nothing lies after the last sector of the image.
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    ASSERT_TRUE(GetFileAttributesExA(image.c_str(), GetFileExInfoStandard, &attributes));
    const uint64_t last = ((static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow) / 512 - 1;
    ASSERT_TRUE(run.GoTo(last));
    ASSERT_TRUE(run.Step(kNextSectorCommand));
    EXPECT_EQ(run.StatusText(1), "(Img) Sektor " + std::to_string(last) + " ");

    DWORD exitCode = 1;
    ASSERT_TRUE(run.Close(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
}

// Keys as the user types them (posted key messages do not reach the accelerators the way
// typed ones do): the keys go down in order and up in reverse.
void TypeKeys(HWND window, std::vector<WORD> keys)
{
    ASSERT_TRUE(testsupport::BringToFront(window, nullptr));
    std::vector<INPUT> input;
    for (size_t i = 0; i < 2 * keys.size(); ++i) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = i < keys.size() ? keys[i] : keys[2 * keys.size() - 1 - i];
        in.ki.dwFlags = i < keys.size() ? 0 : KEYEVENTF_KEYUP;
        input.push_back(in);
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// Shift+F4 on an image with planted values: the range dialog from sector 2, "Wert suchen"
// with the text, and the hit's sector in the status bar; F4 goes on from one byte behind
// the hit: twice, past the second value in the same sector (search.img.exact.offsets, made
// by grep).
TEST(ViewEndToEnd, SearchesSectorsForAPlantedValueAndGoesOnWithF4)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string image = testsupport::BinaryDir() + "\\fixtures\\search.img";
    FILE* list = std::fopen((image + ".exact.offsets").c_str(), "r");
    if (!list)
        GTEST_SKIP() << "search.img is missing";
    std::vector<uint64_t> sectors;
    for (unsigned long long at; std::fscanf(list, "%llu", &at) == 1;)
        if (at >= 2 * 512)
            sectors.push_back(at / 512);
    std::fclose(list);
    ASSERT_GE(sectors.size(), 3u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);

    RunningProgram run;
    ASSERT_TRUE(run.Start(image)) << "no main window with the view's panes";
    ASSERT_TRUE(run.WaitForSector(0)) << run.StatusText(1);
    TypeKeys(run.frame, { VK_SHIFT, VK_F4 });
    HWND range = run.program.WaitForWindow("#32770", "Sektoren speichern", 20000);
    ASSERT_NE(range, nullptr);
    SendMessageA(GetDlgItem(range, 1042), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("2"));
    SendMessageA(GetDlgItem(range, 1043), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("32000"));
    PostMessageA(range, WM_COMMAND, IDOK, 0);
    HWND find = run.program.WaitForWindow("#32770", "Wert suchen", 20000);
    ASSERT_NE(find, nullptr);
    SendMessageA(GetDlgItem(find, 1014), BM_CLICK, 0, 0);           // "Als &Text"
    SendMessageA(GetDlgItem(find, 1001), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("SLMARKE"));
    PostMessageA(find, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(run.WaitForSector(sectors[0])) << run.StatusText(1);
    TypeKeys(run.frame, { VK_F4 });
    TypeKeys(run.frame, { VK_F4 });
    EXPECT_TRUE(run.WaitForSector(sectors[2])) << run.StatusText(1);

    DWORD exitCode = 1;
    ASSERT_TRUE(run.Close(&exitCode));
    EXPECT_EQ(exitCode, 0u);
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey);
}
