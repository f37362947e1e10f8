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
#include "tests/support/ModalScript.h"

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

    // "FAT only" sorts out drive letters; the whole disks stay, in every mode that lists them.
    DriveListOptions fat;
    fat.fatOnly = 1;
    BuildDriveList(fat, m, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 3, 5, 0x8000, 0x8001 }), codes());
    fat.mode = DRIVELIST_PHYSICAL;
    BuildDriveList(fat, m, &list);
    EXPECT_EQ((std::vector<uint32_t>{ 0x8000, 0x8001 }), codes());
    fat.mode = DRIVELIST_LETTERS;
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

// The modal dialog on the made-up machine: what it shows, and what each way of closing it
// hands back.
TEST(DriveSelectDialog, PresetChoiceDoubleClickCancelAndEmptyLists)
{
    FakeDrives machine = Machine(), none, twoDisks;
    twoDisks.letters[3] = { DRIVE_FIXED, "D1", "NTFS", 10 * kMB, -1 };
    twoDisks.letters[4] = { DRIVE_FIXED, "D2", "NTFS", 10 * kMB, -1 };
    // The machine, the preset, the entry shown selected, the entry picked (-1 none, -2 the
    // last), how the dialog ends, and the drive code, size and text handed back.
    const struct {
        FakeDrives* drives;
        int mode, preset, shown, pick;
        char ending;   // 'O' OK, 'C' Cancel, 'D' double click
        int code;
        uint32_t sizeMB;
        const char* text;
    } cases[] = {
        {&machine, 0, 0x8000, 6, 4, 'O', 5, 4000, "Stick (F:)   Disk  FAT"},
        {&machine, 0, -1, 1, -2, 'D', 0xC000, 0, "Image-Datei"},
        {&machine, 0, 3, 2, 0, 'C', 3, 0, ""},
        {&none, 0, 2, -1, -3, 'O', -1, 0, "<kein Laufwerk gew\xE4hlt>"},
        {&twoDisks, DRIVELIST_LETTERS, -1, -1, -1, 'O', 3, 10, "D1 (D:)   Harddisk  NTFS"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CDriveSelectDlg dlg;
        dlg.m_pQueries = c.drives;
        dlg.m_nMode = c.mode;
        dlg.m_bImageEntry = c.drives == &machine;
        dlg.m_nDriveCode = c.preset;
        int shown = -9, itemHeight = 0;
        std::vector<LRESULT> items;     // each item's data: the index of its entry
        testsupport::ModalScript script;
        script.Add([&](HWND d) {
            HWND list = GetDlgItem(d, 1082);
            const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i)
                items.push_back(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
            shown = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
            itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            if (c.pick != -3)
                SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(c.pick == -2 ? items.size() - 1 : c.pick), 0);
            if (c.ending == 'D')
                PostMessageA(d, WM_COMMAND, MAKEWPARAM(1082, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
            else
                testsupport::Click(d, c.ending == 'C' ? IDCANCEL : IDOK);
            return true;
        });
        EXPECT_EQ(c.ending == 'C' ? IDCANCEL : IDOK, script.Run([&] { return dlg.DoModal(); }));
        ASSERT_EQ(static_cast<size_t>(dlg.Entries().GetCount()), items.size());
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(static_cast<LRESULT>(i), items[i]);
        if (!items.empty()) {
            EXPECT_GE(itemHeight, GetSystemMetrics(SM_CYSMICON) + 4);
        }
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ(c.code, dlg.m_nDriveCode);
        EXPECT_EQ(c.sizeMB, dlg.m_nChosenSize);
        EXPECT_STREQ(c.text, dlg.m_strChosenText);
    }
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

// The list is owner-drawn from the entries and keeps no texts: of the list box styles only
// notify, owner-drawn fixed and no integral height (and the tab stop), so a typed letter
// finds no text to move to and the choice stays where it was.
TEST(DriveSelectDialog, TheListKeepsNoTextsAndTypingLeavesTheChoice)
{
    FakeDrives m = Machine();
    CDriveSelectDlg dlg;
    dlg.m_pQueries = &m;
    dlg.m_bImageEntry = 1;
    DWORD style = 0;
    int preselected = -9;
    std::vector<int> selections;
    testsupport::ModalScript steps;
    steps.Add([&](HWND d) {
        HWND list = GetDlgItem(d, 1082);
        style = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE));
        preselected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        SetFocus(list);
        for (char c : { 'p', 'P', 'i', 'd' }) {
            SendMessageA(list, WM_CHAR, static_cast<WPARAM>(c), 0);
            selections.push_back(static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)));
        }
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    EXPECT_EQ(IDOK, steps.Run([&] { return dlg.DoModal(); }));
    // The list box's own style bits (the border and scroll bar bits change as the list
    // draws its frame and scroll bar).
    EXPECT_EQ(static_cast<DWORD>(WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT),
              style & (WS_TABSTOP | 0xFFFF));
    // C: (preselected) stays chosen through every letter typed.
    EXPECT_EQ(1, preselected);
    EXPECT_EQ((std::vector<int>{ 1, 1, 1, 1 }), selections);
    EXPECT_EQ(2, dlg.m_nDriveCode);
}
