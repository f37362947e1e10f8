// The drive selection dialog: the list built for a made-up machine (texts, kinds, sizes,
// filters, preselection, colours) without a window, the modal dialog driven by posted
// messages, and the list the running Wine system gives.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <map>
#include <string>
#include <vector>
#include "disk/DriveSelectDialog.h"
#include "tests/uihelpers/TestWindows.h"

using uitest::ModalSteps;

namespace {

// One drive letter or physical drive of the made-up machine.
struct FakeVolume {
    UINT type;
    std::string label;
    std::string fileSystem;
    uint64_t units;
    int disk;               // physical drive behind a letter, -1 none
    bool answers = true;    // false: no medium in the drive
};

class FakeDrives : public DriveQueries {
public:
    std::map<int, FakeVolume> letters;
    std::map<int, uint64_t> physical;   // drive number -> size in units
    int volumeCalls = 0;

    DWORD LogicalDrives() override
    {
        DWORD mask = 0;
        for (auto& v : letters) mask |= 1u << v.first;
        return mask;
    }
    UINT DriveType(int letter) override
    {
        auto it = letters.find(letter);
        return it == letters.end() ? DRIVE_NO_ROOT_DIR : it->second.type;
    }
    bool VolumeInfo(int letter, char* label, int labelSize, char* fs, int fsSize) override
    {
        ++volumeCalls;
        label[0] = fs[0] = 0;
        auto it = letters.find(letter);
        if (it == letters.end() || !it->second.answers) return false;
        lstrcpynA(label, it->second.label.c_str(), labelSize);
        lstrcpynA(fs, it->second.fileSystem.c_str(), fsSize);
        return true;
    }
    uint64_t MediumUnits(uint32_t code, uint32_t* bytesPerSector) override
    {
        *bytesPerSector = 0;
        if (code & 0x8000) {
            auto it = physical.find(static_cast<int>(code & 0x7FFF));
            if (it == physical.end()) return 0;
            *bytesPerSector = 512;
            return it->second;
        }
        auto it = letters.find(static_cast<int>(code));
        if (it == letters.end() || !it->second.answers) return 0;
        *bytesPerSector = it->second.type == DRIVE_CDROM ? 2048 : 512;
        return it->second.units;
    }
    uint32_t PhysicalDriveOfLetter(int letter) override
    {
        auto it = letters.find(letter);
        return it == letters.end() || it->second.disk < 0 ? 0 : 0x8000u + static_cast<uint32_t>(it->second.disk);
    }
    int IconIndex(const char* path, DWORD attributes) override
    {
        // Distinct, recognisable numbers: the drive root's letter, 100 for a folder, 200 for
        // a file asked by its extension.
        if (attributes == FILE_ATTRIBUTE_DIRECTORY) return 100;
        if (attributes) return 200;
        return path[0];
    }
};

const uint64_t kMB = 2048;   // units of one MiB

// A machine with every kind of entry: an empty floppy, a system disk and a data partition
// on physical drive 0, a CD, a 4 GB stick, a network share, a second small disk.
FakeDrives Machine()
{
    FakeDrives m;
    m.letters[0] = { DRIVE_REMOVABLE, "", "", 0, -1, false };
    m.letters[2] = { DRIVE_FIXED, "SYSTEM", "NTFS", 100000 * kMB, 0 };
    m.letters[3] = { DRIVE_FIXED, "Daten", "FAT32", 20000 * kMB, 0 };
    m.letters[4] = { DRIVE_CDROM, "audio cd", "CDFS", 600 * kMB, -1 };
    m.letters[5] = { DRIVE_REMOVABLE, "STICK", "FAT", 4000 * kMB, 1 };
    m.letters[6] = { DRIVE_REMOTE, "share", "NTFS", 50000 * kMB, -1 };
    m.letters[7] = { DRIVE_RAMDISK, "", "", 64 * kMB, -1 };
    m.physical[0] = 120000 * kMB;
    m.physical[1] = 4000 * kMB;
    m.physical[2] = 0;   // reports no size: left out
    return m;
}

struct Row {
    std::string text;
    DriveEntryData data;
};

std::vector<Row> Rows(const CTextList& list)
{
    std::vector<Row> rows;
    for (int i = 0; i < list.GetCount(); ++i) {
        const DriveEntryData* d = static_cast<const DriveEntryData*>(list.GetItemDataPtr(i));
        rows.push_back({ list.GetText(i), *d });
    }
    return rows;
}

// The size text worked out with floating point, as a cross-check of the integer arithmetic
// (truncation, not rounding, of the fraction).
std::string SizeText(uint64_t kib)
{
    char buf[64];
    // The GB fraction counts whole MB only.
    double mb = kib / 1024.0, gb = kib / 1048576.0, gbOfMb = (kib / 1024) / 1024.0;
    auto cut = [](double v, int digits) {
        double scale = digits == 2 ? 100.0 : 10.0;
        return static_cast<long long>(v * scale + 1e-9) % static_cast<long long>(scale);
    };
    if (kib < 10240) snprintf(buf, sizeof buf, "   (%d.%02lld MB)", static_cast<int>(mb), cut(mb, 2));
    else if (kib < 102400) snprintf(buf, sizeof buf, "   (%d.%01lld MB)", static_cast<int>(mb), cut(mb, 1));
    else if (kib < 1048576) snprintf(buf, sizeof buf, "   (%d MB)", static_cast<int>(mb));
    else if (kib < 10485760) snprintf(buf, sizeof buf, "   (%d.%02lld GB)", static_cast<int>(gb), cut(gbOfMb, 2));
    else if (kib < 104857600) snprintf(buf, sizeof buf, "   (%d.%01lld GB)", static_cast<int>(gb), cut(gbOfMb, 1));
    else snprintf(buf, sizeof buf, "   (%d GB)", static_cast<int>(gb));
    return buf;
}

}  // namespace

TEST(DriveListText, SizesAcrossEveryUnitBoundary)
{
    const uint64_t samples[] = { 0, 1, 1023, 1024, 1500, 10239, 10240, 10751, 102399, 102400, 1048575,
                                 1048576, 1572864, 10485759, 10485760, 15000000, 104857599, 104857600,
                                 2000000000ull, 4000000000ull };
    for (uint64_t kib : samples) {
        char text[64];
        FormatDriveSize(kib, text, sizeof text);
        EXPECT_EQ(SizeText(kib), text) << kib;
    }
    // A buffer too small is cut and terminated.
    char tiny[6];
    FormatDriveSize(1048576, tiny, sizeof tiny);
    EXPECT_EQ(5u, strlen(tiny));
}

TEST(DriveListText, LabelsInOneCaseBecomeTitleCase)
{
    struct { const char* in; const char* out; } cases[] = {
        { "SYSTEM", "System" },
        { "system disk", "System Disk" },
        { "MY_DATA-2X", "My_Data-2x" },      // '_' and '-' start words; a digit does not
        { "BACKUP[OLD]", "Backup[Old]" },
        { "MixedCase", "MixedCase" },       // written by hand: kept
        { "1234", "1234" },
        { "\xC4RGER \xDC" "BER", "\xC4rger \xDC" "ber" },   // Latin-1 letters fold too
        { "\xE4pfel \xFC" "ber", "\xC4pfel \xDC" "ber" },
        { "", "" },
    };
    for (auto& c : cases) {
        char buf[64];
        lstrcpynA(buf, c.in, sizeof buf);
        TitleCaseLabel(buf);
        EXPECT_STREQ(c.out, buf) << c.in;
    }
    TitleCaseLabel(nullptr);
}

TEST(DriveList, AllMediaWithTheImageEntry)
{
    FakeDrives m = Machine();
    CTextList list(sizeof(DriveEntryData));
    DriveListOptions o;
    o.imageEntry = 1;
    ASSERT_EQ(9, BuildDriveList(o, m, &list));
    std::vector<Row> r = Rows(list);

    // Letters first, in order; the network share is left out.
    EXPECT_EQ("Datentr\xE4ger (A:)   Disk  ---", r[0].text);
    EXPECT_EQ(0u, r[0].data.driveCode);
    EXPECT_EQ(static_cast<uint32_t>(DRIVEKIND_LETTER), r[0].data.kind);   // no size: no small bit
    EXPECT_EQ(static_cast<uint32_t>('A'), r[0].data.iconIndex);
    EXPECT_EQ("System (C:)   Harddisk  NTFS", r[1].text);
    EXPECT_EQ(static_cast<uint32_t>(DRIVEKIND_NTFS), r[1].data.kind);
    EXPECT_EQ(100000u, r[1].data.sizeMB);
    EXPECT_EQ("Daten (D:)   Harddisk  FAT32", r[2].text);
    EXPECT_EQ(static_cast<uint32_t>(DRIVEKIND_FAT), r[2].data.kind);
    EXPECT_EQ("Audio Cd (E:)   CD-ROM  CDFS", r[3].text);
    EXPECT_EQ(static_cast<uint32_t>(DRIVEKIND_CDROM), r[3].data.kind);   // small, but a CD
    EXPECT_EQ(600u, r[3].data.sizeMB);
    EXPECT_EQ("Stick (F:)   Disk  FAT", r[4].text);
    EXPECT_EQ(DRIVEKIND_FAT | DRIVEKIND_SMALL, r[4].data.kind);
    EXPECT_EQ(4000u, r[4].data.sizeMB);
    EXPECT_EQ("Datentr\xE4ger (H:)   RAM-Disk  ", r[5].text);
    EXPECT_EQ(DRIVEKIND_LETTER | DRIVEKIND_SMALL, r[5].data.kind);

    // Physical drives with their size and the letters that lie on them.
    EXPECT_EQ("PhysicalDrive0" + SizeText(120000 * kMB / 2) + "    [ C:  D: ]", r[6].text);
    EXPECT_EQ(0x8000u, r[6].data.driveCode);
    EXPECT_EQ(static_cast<uint32_t>(DRIVEKIND_PHYSICAL), r[6].data.kind);
    EXPECT_EQ(100u, r[6].data.iconIndex);
    EXPECT_EQ("PhysicalDrive1" + SizeText(4000 * kMB / 2) + "    [ F: ]", r[7].text);
    EXPECT_EQ(DRIVEKIND_PHYSICAL | DRIVEKIND_SMALL, r[7].data.kind);
    EXPECT_EQ(4000u, r[7].data.sizeMB);

    EXPECT_EQ("Image-Datei", r[8].text);
    EXPECT_EQ(0xC000u, r[8].data.driveCode);
    EXPECT_EQ(200u, r[8].data.iconIndex);
    EXPECT_EQ(0u, r[8].data.sizeMB);
}

TEST(DriveList, ModesAndFilters)
{
    FakeDrives m = Machine();
    CTextList list(sizeof(DriveEntryData));
    auto codes = [&]() {
        std::vector<uint32_t> c;
        for (auto& row : Rows(list)) c.push_back(row.data.driveCode);
        return c;
    };

    DriveListOptions physicalOnly;
    physicalOnly.mode = DRIVELIST_PHYSICAL;
    BuildDriveList(physicalOnly, m, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 0x8000, 0x8001 }), codes());

    // "Partitionen laden": letters only, no CD-ROM, no image entry.
    DriveListOptions letters;
    letters.mode = DRIVELIST_LETTERS;
    letters.noCdRom = 1;
    BuildDriveList(letters, m, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 0, 2, 3, 5, 7 }), codes());
    // Without the physical drives the letters' disks are not asked for.
    EXPECT_EQ(std::string::npos, Rows(list)[1].text.find('['));

    DriveListOptions fat;
    fat.fatOnly = 1;
    BuildDriveList(fat, m, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 3, 5 }), codes());

    DriveListOptions limited;
    limited.sizeLimitMB = 5000;
    limited.imageEntry = 1;
    BuildDriveList(limited, m, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 0, 4, 5, 7, 0x8001, 0xC000 }), codes());

    // A machine without readable physical drives lists only its letters.
    FakeDrives noRights = Machine();
    noRights.physical.clear();
    BuildDriveList(DriveListOptions(), noRights, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 0, 2, 3, 4, 5, 7 }), codes());

    // A NULL list is refused; the list is emptied before it is filled again.
    EXPECT_EQ(0, BuildDriveList(DriveListOptions(), m, nullptr));
    FakeDrives empty;
    EXPECT_EQ(0, BuildDriveList(DriveListOptions(), empty, &list));
    EXPECT_EQ(0, list.GetCount());
}

TEST(DriveList, PreselectionPrefersThePresetThenDriveC)
{
    FakeDrives m = Machine();
    CTextList list(sizeof(DriveEntryData));
    DriveListOptions o;
    o.imageEntry = 1;
    BuildDriveList(o, m, &list);
    auto codeAt = [&](int i) { return static_cast<const DriveEntryData*>(list.GetItemDataPtr(i))->driveCode; };
    EXPECT_EQ(2u, codeAt(PreselectedDriveEntry(list, -1)));
    EXPECT_EQ(2u, codeAt(PreselectedDriveEntry(list, 0x4012)));     // no such entry
    EXPECT_EQ(0u, codeAt(PreselectedDriveEntry(list, 0)));          // A: comes before C:
    EXPECT_EQ(3u, codeAt(PreselectedDriveEntry(list, 3)));
    EXPECT_EQ(0x8001u, codeAt(PreselectedDriveEntry(list, 0x8001)));
    EXPECT_EQ(0xC000u, codeAt(PreselectedDriveEntry(list, 0xC000)));
    CTextList empty(sizeof(DriveEntryData));
    EXPECT_EQ(-1, PreselectedDriveEntry(empty, 2));
}

TEST(DriveList, ColoursByKind)
{
    const COLORREF text = RGB(1, 2, 3);
    EXPECT_EQ(RGB(0, 0, 120), DriveEntryTextColor(DRIVEKIND_PHYSICAL, text));
    EXPECT_EQ(RGB(0, 0, 240), DriveEntryTextColor(DRIVEKIND_PHYSICAL | DRIVEKIND_SMALL, text));
    EXPECT_EQ(RGB(0, 100, 0), DriveEntryTextColor(DRIVEKIND_CDROM, text));
    EXPECT_EQ(RGB(70, 0, 30), DriveEntryTextColor(DRIVEKIND_FAT, text));
    EXPECT_EQ(RGB(140, 0, 60), DriveEntryTextColor(DRIVEKIND_FAT | DRIVEKIND_SMALL, text));
    EXPECT_EQ(text, DriveEntryTextColor(DRIVEKIND_NTFS, text));
    EXPECT_EQ(text, DriveEntryTextColor(DRIVEKIND_LETTER, text));
    EXPECT_EQ(RGB(2, 4, 6), DriveEntryTextColor(DRIVEKIND_LETTER | DRIVEKIND_SMALL, text));
}

namespace {

INT_PTR RunDialog(CDriveSelectDlg& dlg, ModalSteps& steps)
{
    steps.Start();
    INT_PTR r = dlg.DoModal();
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return r;
}

std::string ListText(HWND list, int i)
{
    char buf[512] = {};
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    return buf;
}

}  // namespace

TEST(DriveSelectDialog, FilledPreselectedAndOk)
{
    FakeDrives m = Machine();
    CDriveSelectDlg dlg;
    dlg.m_pQueries = &m;
    dlg.m_bImageEntry = 1;
    dlg.m_nDriveCode = 0x8000;
    int count = 0, shown = -1, itemHeight = 0;
    std::string caption, first, last;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND list = GetDlgItem(d, 1082);
        caption = uitest::WindowText(d);
        count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        shown = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        first = ListText(list, 0);
        last = ListText(list, count - 1);
        // The user picks the stick.
        SendMessageA(list, LB_SETCURSEL, 4, 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(dlg, steps));
    EXPECT_EQ("Laufwerk ausw\xE4hlen", caption);
    EXPECT_EQ(9, count);
    EXPECT_EQ(6, shown);
    EXPECT_GE(itemHeight, GetSystemMetrics(SM_CYSMICON) + 4);
    EXPECT_EQ(dlg.Entries().GetText(0), first);
    EXPECT_EQ("Image-Datei", last);
    EXPECT_EQ(5, dlg.m_nDriveCode);
    EXPECT_EQ(4000u, dlg.m_nChosenSize);
    EXPECT_STREQ("Stick (F:)   Disk  FAT", dlg.m_strChosenText);
}

TEST(DriveSelectDialog, DoubleClickChoosesAndCancelKeepsThePreset)
{
    FakeDrives m = Machine();
    CDriveSelectDlg dlg;
    dlg.m_pQueries = &m;
    dlg.m_bImageEntry = 1;
    ModalSteps steps;
    steps.Add([](HWND d) {
        HWND list = GetDlgItem(d, 1082);
        int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(n - 1), 0);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(1082, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(dlg, steps));
    EXPECT_EQ(0xC000, dlg.m_nDriveCode);
    EXPECT_STREQ("Image-Datei", dlg.m_strChosenText);

    CDriveSelectDlg cancelled;
    cancelled.m_pQueries = &m;
    cancelled.m_nDriveCode = 3;
    int shown = -1;
    ModalSteps cancel;
    cancel.Add([&](HWND d) {
        shown = static_cast<int>(SendMessageA(GetDlgItem(d, 1082), LB_GETCURSEL, 0, 0));
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(IDCANCEL, RunDialog(cancelled, cancel));
    EXPECT_EQ(2, shown);   // A:, C:, D:
    EXPECT_EQ(3, cancelled.m_nDriveCode);
    EXPECT_TRUE(cancelled.m_strChosenText.IsEmpty());
}

TEST(DriveSelectDialog, EmptyListAndNoSelection)
{
    FakeDrives none;
    CDriveSelectDlg empty;
    empty.m_pQueries = &none;
    empty.m_nDriveCode = 2;
    ModalSteps steps;
    steps.Add([](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); return true; });
    EXPECT_EQ(IDOK, RunDialog(empty, steps));
    EXPECT_EQ(-1, empty.m_nDriveCode);
    EXPECT_EQ(0u, empty.m_nChosenSize);
    EXPECT_STREQ("<kein Laufwerk gew\xE4hlt>", empty.m_strChosenText);

    // Nothing selected on a filled list: the first entry.
    FakeDrives m;
    m.letters[3] = { DRIVE_FIXED, "D1", "NTFS", 10 * kMB, -1 };
    m.letters[4] = { DRIVE_FIXED, "D2", "NTFS", 10 * kMB, -1 };
    CDriveSelectDlg first;
    first.m_pQueries = &m;
    first.m_nMode = DRIVELIST_LETTERS;
    ModalSteps clear;
    clear.Add([](HWND d) {
        SendMessageA(GetDlgItem(d, 1082), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(first, clear));
    EXPECT_EQ(3, first.m_nDriveCode);
    EXPECT_EQ(10u, first.m_nChosenSize);
}

TEST(DriveSelectDialog, TheRunningSystemListsItsDriveC)
{
    // Wine's C: is the prefix's drive_c folder, a fixed drive; no physical drive answers
    // without a device behind it, which must leave the list with the letters alone.
    SystemDriveQueries system;
    CTextList list(sizeof(DriveEntryData));
    DriveListOptions o;
    o.imageEntry = 1;
    int n = BuildDriveList(o, system, &list);
    ASSERT_GE(n, 2);
    int c = -1;
    for (int i = 0; i < n; ++i)
        if (static_cast<const DriveEntryData*>(list.GetItemDataPtr(i))->driveCode == 2) c = i;
    ASSERT_GE(c, 0);
    char label[MAX_PATH] = {}, fs[MAX_PATH] = {};
    GetVolumeInformationA("C:\\", label, sizeof label, nullptr, nullptr, nullptr, fs, sizeof fs);
    std::string text = list.GetText(c);
    EXPECT_NE(std::string::npos, text.find("(C:)   Harddisk  " + std::string(fs))) << text;
    EXPECT_EQ(c, PreselectedDriveEntry(list, -1));
    EXPECT_EQ("Image-Datei", std::string(list.GetText(n - 1)));
    // Every letter the system reports (but network drives) is listed.
    DWORD mask = GetLogicalDrives();
    int letters = 0;
    for (int l = 0; l < 26; ++l) {
        char root[4] = { static_cast<char>('A' + l), ':', '\\', 0 };
        if ((mask & (1u << l)) && GetDriveTypeA(root) != DRIVE_REMOTE) ++letters;
    }
    int listed = 0;
    for (int i = 0; i < n; ++i)
        if (static_cast<const DriveEntryData*>(list.GetItemDataPtr(i))->driveCode < 26) ++listed;
    EXPECT_EQ(letters, listed);
}

TEST(DriveSelectDialog, TypingALetterMovesToTheNextEntryWithIt)
{
    FakeDrives m = Machine();
    CDriveSelectDlg dlg;
    dlg.m_pQueries = &m;
    dlg.m_bImageEntry = 1;
    std::vector<int> selections;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND list = GetDlgItem(d, 1082);
        SetFocus(list);
        for (char c : { 'p', 'P', 'i', 'd' }) {
            SendMessageA(list, WM_CHAR, static_cast<WPARAM>(c), 0);
            selections.push_back(static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)));
        }
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, RunDialog(dlg, steps));
    // From C: (preselected) to both physical drives in turn, the image entry, then round to
    // the first "D...": the empty floppy's "Datentr\xE4ger (A:)".
    EXPECT_EQ((std::vector<int>{ 6, 7, 8, 0 }), selections);
    EXPECT_EQ(0, dlg.m_nDriveCode);
}
