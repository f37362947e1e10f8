// Choosing another medium: a drive letter, a physical drive or an image file through the
// drive selection and the open-file dialog, the write-back of an edited sector on the medium
// it came from, the start options through the registry into the next start, and
// "Partitionen laden" on a physical drive made of an image file.
#include "NavTestSupport.h"
#include "disk/DiskCommands.h"
#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"
#include "tests/uihelpers/TestWindows.h"
#include <stdio.h>
#include <string.h>
#include <memory>

using namespace navtest;

namespace {

const char kDrive3[] = "\\\\.\\PhysicalDrive3";

std::string Dec(uint64_t v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(v));
    return buf;
}

std::string NamePart(const std::string& path)
{
    size_t p = path.find_last_of("\\/:");
    return p == std::string::npos ? path : path.substr(p + 1);
}

bool SameBytes(const std::string& file, uint64_t sector, const uint8_t* bytes)
{
    std::vector<uint8_t> b;
    return doctest::ReadFileBytes(file, sector * 512, 512, &b) && memcmp(b.data(), bytes, 512) == 0;
}

class NavMedium : public ::testing::Test
{
protected:
    void SetUp() override { Attach(new TestDoc); }
    void TearDown() override
    {
        EXPECT_EQ(0, prompts.unexpected);
        EXPECT_EQ(0, dialogs.unexpected);
        Detach();
    }
    void Attach(TestDoc* d)
    {
        doc.reset(d);
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
    }
    void Detach()
    {
        if (doc) {
            doc->SetPrompts(nullptr);
            doc->SetNavDialogs(nullptr);
        }
        doc.reset();
    }
    // A private copy of a fixture image; empty when the fixture was not made.
    std::string Copy(const char* image, const char* name)
    {
        std::string from = scantest::FixturePath(image);
        if (!scantest::FileExists(from))
            return std::string();
        std::string to = doctest::TempPath(name);
        return doctest::CopyFileTo(from, to) ? to : std::string();
    }
    // Switches protection off and changes the first bytes of the shown sector.
    void EditSector()
    {
        prompts.boxAnswers.push_back(IDOK);
        doc->OnWriteProtect();
        ASSERT_TRUE(doc->IsWriteEnabled());
        memcpy(doc->GetSectorBuffer(), "EDITED!!", 8);
    }

    Prompts prompts;
    ScriptedDialogs dialogs;
    std::unique_ptr<TestDoc> doc;
};

}  // namespace

TEST_F(NavMedium, SelectDriveOpensPhysicalDrivesAndLetters)
{
    std::string disk = Copy("mbr.img", "nav-physical.img");
    std::string ntfs = Copy("ntfs.img", "nav-letter.img");
    if (disk.empty() || ntfs.empty())
        GTEST_SKIP() << "mbr.img or ntfs.img was not made";
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    fake.files["\\\\.\\Q:"] = ntfs;
    doctest::AccessScope scope(&fake);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(doctest::ReadWholeFile(disk, &bytes));

    ASSERT_TRUE(doc->OnOpenDocument(ntfs.c_str()));
    dialogs.drives.push_back(0x8003);
    doc->OnSelectDrive();
    ASSERT_EQ(1u, dialogs.driveRuns.size());
    EXPECT_EQ(0xC000, dialogs.driveRuns[0].preset);
    EXPECT_EQ(0, dialogs.driveRuns[0].mode);
    EXPECT_EQ(1, dialogs.driveRuns[0].imageEntry);
    EXPECT_EQ(0x8003u, doc->GetDriveCode());
    EXPECT_EQ(bytes.size() / 512, doc->GetSectorCount());
    EXPECT_EQ(0u, doc->GetCurrentSector());
    EXPECT_TRUE(SameBytes(disk, 0, doc->GetSectorBuffer()));
    EXPECT_STREQ("Physical_3 :\\", doc->GetTitle());
    ASSERT_EQ(1u, dialogs.recent.size());
    EXPECT_EQ("Physical3", dialogs.recent[0]);
    EXPECT_EQ(1, EnabledState(*doc, ID_LOAD_PARTITIONS));
    EXPECT_GT(doc->GetPartitionStarts().count, 0u);

    // A drive letter: its device, from sector 0.
    prompts.Type("100");
    doc->OnGotoSector();
    dialogs.drives.push_back(16);
    doc->OnSelectDrive();
    EXPECT_EQ(0x8003, dialogs.driveRuns[1].preset);
    EXPECT_EQ(16u, doc->GetDriveCode());
    EXPECT_EQ(0u, doc->GetCurrentSector());
    EXPECT_TRUE(SameBytes(ntfs, 0, doc->GetSectorBuffer()));
    EXPECT_STREQ("Q :\\", doc->GetTitle());
    EXPECT_EQ("Q:\\", dialogs.recent.back());
    EXPECT_EQ(0, EnabledState(*doc, ID_LOAD_PARTITIONS));

    // Cancel, or OK on an empty list, changes nothing.
    dialogs.drives.push_back(-2);
    dialogs.drives.push_back(-1);
    doc->OnSelectDrive();
    doc->OnSelectDrive();
    EXPECT_EQ(16u, doc->GetDriveCode());
    EXPECT_EQ(2u, dialogs.recent.size());

    // A letter without a medium behind it: chosen, shown as unreadable, nothing said.
    dialogs.drives.push_back(10);
    doc->OnSelectDrive();
    EXPECT_EQ(10u, doc->GetDriveCode());
    EXPECT_EQ(0u, doc->GetSectorCount());
    EXPECT_NE(LOADSTATE_LOADED, doc->GetLoadState());
    EXPECT_EQ(0, EnabledState(*doc, ID_GOTO_SECTOR));
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(NavMedium, TheDriveListProbesPhysicalDrivesThroughTheDeviceLayer)
{
    std::string disk = Copy("mbr.img", "nav-list-disk.img");
    if (disk.empty())
        GTEST_SKIP() << "mbr.img was not made";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(doctest::ReadWholeFile(disk, &bytes));
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    fake.files["\\\\.\\Q:"] = disk;     // a volume whose extents name disk 3
    fake.extentsDisk = 3;
    doctest::AccessScope scope(&fake);
    SystemDriveQueries system;
    CTextList list(sizeof(DriveEntryData));
    int n = BuildDriveList(DriveListOptions(), system, &list);
    int found = -1;
    for (int i = 0; i < n; ++i)
        if (static_cast<const DriveEntryData*>(list.GetItemDataPtr(i))->driveCode == 0x8003) found = i;
    ASSERT_GE(found, 0);
    char size[40];
    FormatDriveSize(bytes.size() / 1024, size, sizeof size);
    const bool qPresent = (GetLogicalDrives() & (1u << 16)) != 0;
    EXPECT_EQ(std::string("PhysicalDrive3") + size + (qPresent ? "    [ Q: ]" : ""), list.GetText(found));
    const DriveEntryData* d = static_cast<const DriveEntryData*>(list.GetItemDataPtr(found));
    EXPECT_EQ(bytes.size() / (1024 * 1024), d->sizeMB);
    EXPECT_EQ(static_cast<uint32_t>(DRIVEKIND_PHYSICAL | DRIVEKIND_SMALL), d->kind);
    // The other physical drives do not open: not listed.
    for (int i = 0; i < n; ++i) {
        uint32_t code = static_cast<const DriveEntryData*>(list.GetItemDataPtr(i))->driveCode;
        EXPECT_TRUE(code < 26 || code == 0x8003) << code;
    }
}

TEST_F(NavMedium, TheWineDriveBackedByAnImage)
{
    // Q: of the test prefix: a host folder whose raw device is a copy of the NTFS image.
    std::string raw = testsupport::BinaryDir() + "\\fixtures\\qdrive-raw.img";
    if (!(GetLogicalDrives() & (1u << 16)) || !scantest::FileExists(raw))
        GTEST_SKIP() << "the prefix has no drive Q: backed by an image";
    SystemDriveQueries system;
    CTextList list(sizeof(DriveEntryData));
    DriveListOptions options;
    options.imageEntry = 1;
    int n = BuildDriveList(options, system, &list);
    int q = -1;
    for (int i = 0; i < n; ++i)
        if (static_cast<const DriveEntryData*>(list.GetItemDataPtr(i))->driveCode == 16) q = i;
    ASSERT_GE(q, 0);
    EXPECT_NE(nullptr, strstr(list.GetText(q), "(Q:)   "));

    dialogs.drives.push_back(16);
    doc->OnSelectDrive();
    EXPECT_EQ(16u, doc->GetDriveCode());
    EXPECT_EQ(LOADSTATE_LOADED, doc->GetLoadState());
    EXPECT_TRUE(SameBytes(raw, 0, doc->GetSectorBuffer()));
    EXPECT_EQ(0, memcmp(doc->GetSectorBuffer() + 3, "NTFS    ", 8));
    prompts.Type("1");
    doc->OnGotoSector();
    EXPECT_TRUE(SameBytes(raw, 1, doc->GetSectorBuffer()));
}

TEST_F(NavMedium, ImageFilesThroughBothCommands)
{
    std::string a = Copy("fat16.img", "nav-image-a.img");
    std::string b = Copy("fat12.img", "nav-image-b.img");
    if (a.empty() || b.empty())
        GTEST_SKIP() << "fat16.img or fat12.img was not made";
    ASSERT_TRUE(doc->OnOpenDocument(a.c_str()));

    // "Eine Image-Datei laden" starts at the open image and opens the chosen one.
    dialogs.imageFiles.push_back(b);
    doc->OnLoadImage();
    ASSERT_EQ(1u, dialogs.imageStarts.size());
    EXPECT_EQ(a, dialogs.imageStarts[0]);
    EXPECT_EQ(0xC000u, doc->GetDriveCode());
    EXPECT_STREQ(b.c_str(), doc->GetImagePath());
    EXPECT_TRUE(SameBytes(b, 0, doc->GetSectorBuffer()));
    EXPECT_EQ(NamePart(b), static_cast<LPCSTR>(doc->GetTitle()));
    EXPECT_EQ(b, dialogs.recent.back());
    // Cancelled: nothing changes.
    prompts.Type("3");
    doc->OnGotoSector();
    dialogs.imageFiles.push_back("");
    doc->OnLoadImage();
    EXPECT_STREQ(b.c_str(), doc->GetImagePath());
    EXPECT_EQ(3u, doc->GetCurrentSector());
    EXPECT_TRUE(SameBytes(b, 3, doc->GetSectorBuffer()));

    // The image entry of the drive selection: the chosen file.
    dialogs.drives.push_back(0xC000);
    dialogs.imageFiles.push_back(a);
    doc->OnSelectDrive();
    EXPECT_EQ(b, dialogs.imageStarts.back());
    EXPECT_STREQ(a.c_str(), doc->GetImagePath());
    EXPECT_TRUE(SameBytes(a, 0, doc->GetSectorBuffer()));
    EXPECT_EQ(NamePart(a), static_cast<LPCSTR>(doc->GetTitle()));
    EXPECT_EQ(a, dialogs.recent.back());
    // ...and with the file dialog cancelled, the image there was, opened again from sector 0.
    prompts.Type("9");
    doc->OnGotoSector();
    dialogs.drives.push_back(0xC000);
    dialogs.imageFiles.push_back("");
    doc->OnSelectDrive();
    EXPECT_STREQ(a.c_str(), doc->GetImagePath());
    EXPECT_EQ(0u, doc->GetCurrentSector());
    EXPECT_TRUE(SameBytes(a, 0, doc->GetSectorBuffer()));

    // An image that vanished since it was chosen shows as unreadable; nothing is reported.
    std::string gone = doctest::TempPath("nav-vanished.img");
    DeleteFileA(gone.c_str());
    dialogs.imageFiles.push_back(gone);
    doc->OnLoadImage();
    EXPECT_EQ(0xC000u, doc->GetDriveCode());
    EXPECT_EQ(0u, doc->GetSectorCount());
    EXPECT_NE(LOADSTATE_LOADED, doc->GetLoadState());
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(NavMedium, ImageEntryWithoutAnImageBeforeChangesNothingWhenCancelled)
{
    std::string disk = Copy("mbr.img", "nav-physical2.img");
    if (disk.empty())
        GTEST_SKIP() << "mbr.img was not made";
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    doctest::AccessScope scope(&fake);
    ASSERT_TRUE(doc->OnOpenDocument("Physical3"));
    ASSERT_TRUE(doc->GetImagePath().IsEmpty());
    prompts.Type("5");
    doc->OnGotoSector();
    dialogs.drives.push_back(0xC000);
    dialogs.imageFiles.push_back("");
    doc->OnSelectDrive();
    EXPECT_EQ(0x8003u, doc->GetDriveCode());
    EXPECT_EQ(5u, doc->GetCurrentSector());
    EXPECT_TRUE(dialogs.recent.empty());
}

TEST_F(NavMedium, AnEditedSectorIsWrittenToTheMediumItCameFrom)
{
    std::string a = Copy("fat16.img", "nav-edit-a.img");
    std::string b = Copy("fat12.img", "nav-edit-b.img");
    if (a.empty() || b.empty())
        GTEST_SKIP() << "fat16.img or fat12.img was not made";
    const uint64_t hashB = doctest::HashOutside(b, 0, 0);

    // Through "Eine Image-Datei laden", answered Yes: sector 5 of the old image changes.
    ASSERT_TRUE(doc->OnOpenDocument(a.c_str()));
    prompts.Type("5");
    doc->OnGotoSector();
    EditSector();
    std::vector<uint8_t> edited(doc->GetSectorBuffer(), doc->GetSectorBuffer() + 512);
    prompts.boxAnswers.push_back(IDYES);
    dialogs.imageFiles.push_back(b);
    doc->OnLoadImage();
    ASSERT_EQ(2u, prompts.boxes.size());
    EXPECT_EQ("Der Sektor wurde ver\xE4ndert ?\nSoll ergeschrieben werden ?", prompts.boxes[1].text);
    EXPECT_EQ("Schreibschutz", prompts.boxes[1].caption);
    EXPECT_TRUE(SameBytes(a, 5, edited.data()));
    EXPECT_EQ(hashB, doctest::HashOutside(b, 0, 0));
    EXPECT_STREQ(b.c_str(), doc->GetImagePath());
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_TRUE(SameBytes(b, 0, doc->GetSectorBuffer()));

    // Through the drive selection's image entry, answered No: nothing is written anywhere.
    const uint64_t hashA = doctest::HashOutside(a, 0, 0);
    prompts.Type("7");
    doc->OnGotoSector();
    EditSector();
    prompts.boxAnswers.push_back(IDNO);
    dialogs.drives.push_back(0xC000);
    dialogs.imageFiles.push_back(a);
    doc->OnSelectDrive();
    EXPECT_EQ(hashB, doctest::HashOutside(b, 0, 0));
    EXPECT_EQ(hashA, doctest::HashOutside(a, 0, 0));
    EXPECT_STREQ(a.c_str(), doc->GetImagePath());
    EXPECT_TRUE(SameBytes(a, 0, doc->GetSectorBuffer()));
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(NavMedium, AFailedWriteBackKeepsTheEditAndTheMedium)
{
    std::string a = Copy("fat16.img", "nav-fail-a.img");
    std::string b = Copy("fat12.img", "nav-fail-b.img");
    std::string disk = Copy("mbr.img", "nav-fail-disk.img");
    if (a.empty() || b.empty() || disk.empty())
        GTEST_SKIP() << "fixture images were not made";
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    doctest::AccessScope scope(&fake);
    ASSERT_TRUE(doc->OnOpenDocument(a.c_str()));
    const uint64_t hashA = doctest::HashOutside(a, 0, 0);
    prompts.Type("5");
    doc->OnGotoSector();
    EditSector();
    // Another program holds the image and lets nobody write to it (a read-only attribute
    // would not stop an administrator).
    HANDLE holder = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);

    // Yes, but the image refuses the write: the error, and every command leaves the medium.
    for (int command = 0; command < 3; ++command) {
        prompts.boxAnswers.push_back(IDYES);
        prompts.boxAnswers.push_back(IDOK);
        size_t boxes = prompts.boxes.size();
        if (command == 0) {
            dialogs.imageFiles.push_back(b);
            doc->OnLoadImage();
        } else if (command == 1) {
            dialogs.drives.push_back(0x8003);
            doc->OnSelectDrive();
        } else {
            dialogs.drives.push_back(0xC000);
            dialogs.imageFiles.push_back(b);
            doc->OnSelectDrive();
        }
        ASSERT_EQ(boxes + 2, prompts.boxes.size()) << command;
        EXPECT_EQ("Der Sektor konnte nicht geschrieben werden!", prompts.boxes.back().text);
        EXPECT_EQ(0xC000u, doc->GetDriveCode()) << command;
        EXPECT_STREQ(a.c_str(), doc->GetImagePath()) << command;
        EXPECT_EQ(5u, doc->GetCurrentSector());
        EXPECT_TRUE(doc->IsWriteEnabled());
        EXPECT_EQ(0, memcmp(doc->GetSectorBuffer(), "EDITED!!", 8));
    }
    CloseHandle(holder);
    EXPECT_EQ(hashA, doctest::HashOutside(a, 0, 0));

    // Writable again: Yes writes sector 5 of the old image, then the disk opens.
    prompts.boxAnswers.push_back(IDYES);
    dialogs.drives.push_back(0x8003);
    doc->OnSelectDrive();
    EXPECT_EQ(0x8003u, doc->GetDriveCode());
    std::vector<uint8_t> now;
    ASSERT_TRUE(doctest::ReadFileBytes(a, 5 * 512, 8, &now));
    EXPECT_EQ(0, memcmp(now.data(), "EDITED!!", 8));
    EXPECT_TRUE(SameBytes(disk, 0, doc->GetSectorBuffer()));
}

namespace {

// Runs the test under an application identity of its own, so the document's settings go to
// a scratch key; the previous identity comes back afterwards.
class IdentityScope {
public:
    explicit IdentityScope(const char* name) : m_key(name), m_oldKey(GetAppRegistryKey()), m_oldName(GetAppName())
    {
        SetAppIdentity("SektorlupeTests", name);
    }
    ~IdentityScope() { SetAppIdentity(m_oldKey.c_str(), m_oldName.c_str()); }
    DWORD ReadDword(const char* name) const
    {
        CRegistry reg;
        DWORD v = 0xDEADBEEF;
        if (reg.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ))
            reg.ReadDword(&v, name);
        return v;
    }
    std::string ReadString(const char* name) const
    {
        CRegistry reg;
        CString s;
        if (reg.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ))
            reg.ReadCString(s, name);
        return static_cast<LPCSTR>(s);
    }
    void WriteDword(const char* name, DWORD value) const
    {
        CRegistry reg;
        if (reg.OpenAppKey())
            reg.WriteDword(value, name);
    }

private:
    testsupport::ScratchKey m_key;
    std::string m_oldKey, m_oldName;
};

}  // namespace

TEST_F(NavMedium, StartOptionsGoThroughTheRegistryIntoTheNextStart)
{
    std::string image = Copy("fat16.img", "nav-start.img");
    if (image.empty())
        GTEST_SKIP() << "fat16.img was not made";
    Detach();
    IdentityScope identity("NavStart");
    identity.WriteDword("OpenMode", 2);
    Attach(new TestDoc);
    EXPECT_EQ(0xFFFFFFFFu, doc->GetDriveCode());
    EXPECT_EQ(2u, doc->GetOpenMode());

    // Cancel, and OK without a choice, keep the mode; OK with one takes it.
    dialogs.startModes = { -2, -1, 3 };
    doc->OnStartOptions();
    doc->OnStartOptions();
    EXPECT_EQ(2u, doc->GetOpenMode());
    doc->OnStartOptions();
    EXPECT_EQ((std::vector<int>{ 2, 2, 2 }), dialogs.startPresets);
    EXPECT_EQ(3u, doc->GetOpenMode());
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    Detach();
    EXPECT_EQ(3u, identity.ReadDword("OpenMode"));
    EXPECT_EQ(0xC000u, identity.ReadDword("LastDrive"));
    EXPECT_EQ(image, identity.ReadString("LastImageFile"));

    // The next start opens the last image.
    Attach(new TestDoc);
    EXPECT_EQ(0xC000u, doc->GetDriveCode());
    EXPECT_STREQ(image.c_str(), doc->GetImagePath());
    EXPECT_TRUE(SameBytes(image, 0, doc->GetSectorBuffer()));
    dialogs.startPresets.clear();
    dialogs.startModes = { -2 };
    doc->OnStartOptions();
    EXPECT_EQ((std::vector<int>{ 3 }), dialogs.startPresets);
    Detach();

    // The image vanished since: nothing opens, and nothing is said (a box would be caught).
    ASSERT_TRUE(DeleteFileA(image.c_str()));
    bool sawDialog = false;
    uitest::ModalSteps watch;
    watch.Add([&](HWND d) {
        sawDialog = true;
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    watch.Start(3000);
    Attach(new TestDoc);
    MSG msg;
    for (int i = 0; i < 10; ++i)
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    watch.Stop();
    EXPECT_FALSE(sawDialog);
    EXPECT_EQ(0xFFFFFFFFu, doc->GetDriveCode());
    EXPECT_NE(LOADSTATE_LOADED, doc->GetLoadState());

    // Modes 0 and 1 open drives C and D, 2 nothing.
    dialogs.startModes = { 0 };
    doc->OnStartOptions();
    Detach();
    EXPECT_EQ(0u, identity.ReadDword("OpenMode"));
    Attach(new TestDoc);
    EXPECT_EQ(2u, doc->GetDriveCode());
    dialogs.startModes = { 1 };
    doc->OnStartOptions();
    Detach();
    Attach(new TestDoc);
    EXPECT_EQ(3u, doc->GetDriveCode());
    dialogs.startModes = { 2 };
    doc->OnStartOptions();
    Detach();
    Attach(new TestDoc);
    EXPECT_EQ(0xFFFFFFFFu, doc->GetDriveCode());
    // The document saves its settings when it goes: still under the scratch identity.
    Detach();
}

namespace {

// A physical disk without a partition table that holds the FAT16 fixture at sector 2048.
bool MakeUnpartitionedDisk(const std::string& fat16, const std::string& disk, uint64_t* sectors)
{
    std::vector<uint8_t> volume;
    if (!doctest::ReadWholeFile(fat16, &volume))
        return false;
    *sectors = 2048 + volume.size() / 512 + 2048;
    if (!doctest::MakeSparseDisk("", disk, *sectors * 512))
        return false;
    HANDLE h = CreateFileA(disk.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = 2048 * 512;
    DWORD done = 0;
    bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
              WriteFile(h, volume.data(), static_cast<DWORD>(volume.size()), &done, nullptr) && done == volume.size();
    CloseHandle(h);
    return ok;
}

bool WriteText(const char* path, const std::string& text)
{
    FILE* f = fopen(path, "wb");
    if (!f)
        return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

const char kPartitionFile[] = "P:\\Partitions.txt";

}  // namespace

TEST_F(NavMedium, PartitionsFromTheDescriptionFile)
{
    std::string fat16 = scantest::FixturePath("fat16.img");
    std::string report;
    uint64_t clusterArea = 0;
    if (!scantest::FileExists(fat16) || !scantest::LoadText(fat16 + ".fsstat.txt", &report) ||
        !scantest::NumberAfter(report, "Cluster Area:", &clusterArea))
        GTEST_SKIP() << "fat16.img or its report was not made";
    if (GetFileAttributesA("P:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the prefix has no drive P:";
    std::string disk = doctest::TempPath("nav-partitions.img");
    uint64_t sectors = 0;
    ASSERT_TRUE(MakeUnpartitionedDisk(fat16, disk, &sectors));
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    doctest::AccessScope scope(&fake);
    ASSERT_TRUE(doc->OnOpenDocument("Physical3"));
    ASSERT_EQ(sectors, doc->GetSectorCount());
    ASSERT_EQ(0u, doc->GetPartitionStarts().count);
    ASSERT_EQ(0, EnabledState(*doc, ID_GOTO_CLUSTER));

    // Lines that do not parse are skipped without a word: lower-case keys, keys without
    // "=", a blank behind "=", sections above 3, a partition without a size.
    ASSERT_TRUE(WriteText(kPartitionFile, "; made by hand\r\n"
                                          "[DRIVES]\r\n"
                                          "SIZE=" + Dec(sectors) + "\r\n"
                                          "[PARTITION1]\r\n"
                                          "sect=4096\r\n"
                                          "SIZE=100\r\n"
                                          "[PARTITION2]\r\n"
                                          "SECT 4096\r\n"
                                          "SECT= 4096\r\n"
                                          "SIZE=100\r\n"
                                          "[PARTITION5]\r\n"
                                          "SECT=4096\r\n"
                                          "SIZE=100\r\n"
                                          "[PARTITION3]\r\n"
                                          "SECT=4096\r\n"
                                          "garbage line without meaning\r\n"
                                          "[PARTITION0]\r\n"
                                          "  SECT\t=\t0x800\r\n"
                                          "SIZE=" + Dec(sectors - 4096) + "\r\n"
                                          "SHOW=1\r\n"));
    dialogs.drives.push_back(15);
    prompts.boxAnswers.push_back(IDOK);
    doc->OnLoadPartitions();
    ASSERT_EQ(1u, dialogs.driveRuns.size());
    EXPECT_EQ(2, dialogs.driveRuns[0].mode);
    EXPECT_EQ(0, dialogs.driveRuns[0].imageEntry);
    EXPECT_EQ(1, dialogs.driveRuns[0].noCdRom);
    ASSERT_EQ(1u, prompts.boxes.size());
    EXPECT_EQ("Es wurden 1 Partitionen eingef\xFCgt.", prompts.boxes[0].text);
    EXPECT_EQ("Information", prompts.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), prompts.boxes[0].type);
    ASSERT_EQ(1u, doc->GetPartitionStarts().count);
    EXPECT_EQ(2048u, doc->GetPartitionStarts().start[0]);
    const AreaTable& areas = doc->GetAreas();
    ASSERT_GT(areas.count, 1u);
    for (uint32_t i = 1; i < areas.count; ++i)
        EXPECT_LE(areas.first[i - 1], areas.first[i]) << "areas not sorted";
    EXPECT_EQ(static_cast<uint32_t>(INFO_FAT_BOOT), areas.TypeAt(2048));
    // The partition's clusters can be reached now: cluster 2 where fsstat puts it.
    EXPECT_EQ(1, EnabledState(*doc, ID_GOTO_CLUSTER));
    prompts.Type("2");
    doc->OnGotoCluster();
    EXPECT_EQ(2048 + clusterArea, doc->GetCurrentSector());

    // The same file again adds nothing.
    dialogs.drives.push_back(15);
    prompts.boxAnswers.push_back(IDOK);
    doc->OnLoadPartitions();
    EXPECT_EQ("Es wurden 0 Partitionen eingef\xFCgt.", prompts.boxes.back().text);
    EXPECT_EQ(1u, doc->GetPartitionStarts().count);
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(NavMedium, PartitionFileQuestionsAndFailures)
{
    std::string fat16 = scantest::FixturePath("fat16.img");
    if (!scantest::FileExists(fat16))
        GTEST_SKIP() << "fat16.img was not made";
    if (GetFileAttributesA("P:\\") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the prefix has no drive P:";
    std::string disk = doctest::TempPath("nav-partitions2.img");
    uint64_t sectors = 0;
    ASSERT_TRUE(MakeUnpartitionedDisk(fat16, disk, &sectors));
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    doctest::AccessScope scope(&fake);
    ASSERT_TRUE(doc->OnOpenDocument("Physical3"));

    // A file for another disk: the warning; Cancel adds nothing and says nothing more.
    ASSERT_TRUE(WriteText(kPartitionFile, "[DRIVES]\nSIZE=12345\n[PARTITION0]\nSECT=2048\nSIZE=1000\n"));
    dialogs.drives.push_back(15);
    prompts.boxAnswers.push_back(IDCANCEL);
    doc->OnLoadPartitions();
    ASSERT_EQ(1u, prompts.boxes.size());
    EXPECT_EQ("Warnung", prompts.boxes[0].caption);
    EXPECT_EQ("Die Gr\xF6\xDF" "e in P:\\Partitions.txt:\n    12345\nstimmt nicht mit der Gr\xF6\xDF"
              "e des physikalischen Laufwerks 3:\n    " + Dec(sectors) + "\n\xFC" "berein, trotzdem weiter machen ?",
              prompts.boxes[0].text);
    EXPECT_EQ(0u, doc->GetPartitionStarts().count);
    // OK goes on.
    dialogs.drives.push_back(15);
    prompts.boxAnswers.push_back(IDOK);
    prompts.boxAnswers.push_back(IDOK);
    doc->OnLoadPartitions();
    EXPECT_EQ("Es wurden 1 Partitionen eingef\xFCgt.", prompts.boxes.back().text);

    // No file, a bad drive choice, a cancelled choice.
    DeleteFileA(kPartitionFile);
    struct { int drive; const char* text; } failures[] = {
        { 15, "Partitionsdatei nicht gefunden !" },
        { -1, "Ein falsches Laufwerk wurde gew\xE4hlt !" },
    };
    for (auto& f : failures) {
        dialogs.drives.push_back(f.drive);
        prompts.boxAnswers.push_back(IDOK);
        doc->OnLoadPartitions();
        EXPECT_EQ(f.text, prompts.boxes.back().text);
        EXPECT_EQ("Fehler", prompts.boxes.back().caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), prompts.boxes.back().type);
    }
    size_t boxes = prompts.boxes.size();
    dialogs.drives.push_back(-2);
    doc->OnLoadPartitions();
    EXPECT_EQ(boxes, prompts.boxes.size());

    // Not a physical drive (the command is disabled, but a stray call is refused).
    std::string image = scantest::FixturePath("fat16.img");
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    dialogs.drives.push_back(15);
    prompts.boxAnswers.push_back(IDOK);
    doc->OnLoadPartitions();
    EXPECT_EQ("Kein physikalisches Laufwerk aktiv !", prompts.boxes.back().text);
}

// The document's path follows the medium a command switched to, so that the recent file
// entry of the medium shown before is not taken for the open document and can reopen it.
TEST_F(NavMedium, ThePathNameFollowsTheMediumShown)
{
    std::string a = Copy("fat16.img", "nav-path-a.img");
    std::string b = Copy("fat12.img", "nav-path-b.img");
    std::string disk = Copy("mbr.img", "nav-path-physical.img");
    if (a.empty() || b.empty() || disk.empty())
        GTEST_SKIP() << "fat16.img, fat12.img or mbr.img was not made";
    doctest::FakeDiskAccess fake;
    fake.files[kDrive3] = disk;
    fake.files["\\\\.\\Q:"] = b;
    doctest::AccessScope scope(&fake);

    ASSERT_TRUE(doc->OnOpenDocument(a.c_str()));
    doc->SetPathName(a.c_str(), FALSE);     // what the framework does after a good open

    dialogs.imageFiles.push_back(b);
    doc->OnLoadImage();
    EXPECT_EQ(b, static_cast<LPCSTR>(doc->GetPathName()));
    EXPECT_EQ(NamePart(b), static_cast<LPCSTR>(doc->GetTitle()));
    EXPECT_NE(0, doc->GetPathName().CompareNoCase(a.c_str())) << "a would count as already open";

    dialogs.drives.push_back(0x8003);
    doc->OnSelectDrive();
    EXPECT_EQ("Physical3", std::string(doc->GetPathName()));
    EXPECT_STREQ("Physical_3 :\\", doc->GetTitle());

    dialogs.drives.push_back(16);
    doc->OnSelectDrive();
    EXPECT_EQ("Q:\\", std::string(doc->GetPathName()));
    EXPECT_STREQ("Q :\\", doc->GetTitle());

    // The names the path takes open the same media again by path, as a recent file pick does.
    std::unique_ptr<TestDoc> again(new TestDoc);
    again->SetPrompts(&prompts);
    EXPECT_TRUE(again->OnOpenDocument(doc->GetPathName()));
    EXPECT_EQ(16u, again->GetDriveCode());
    EXPECT_TRUE(again->OnOpenDocument("Physical3"));
    EXPECT_EQ(0x8003u, again->GetDriveCode());
    again->SetPrompts(nullptr);

    // A switch refused because the edit could not be written keeps the path with the medium.
    dialogs.drives.push_back(0x8003);
    doc->OnSelectDrive();
    EditSector();
    fake.refuseWrites = true;
    prompts.boxAnswers.push_back(IDYES);    // write it back?
    if (doc->GetAskBeforeWrite())
        prompts.typedAnswers.push_back({ true, "ok" });
    prompts.boxAnswers.push_back(IDOK);     // the write failed
    dialogs.drives.push_back(16);
    doc->OnSelectDrive();
    EXPECT_EQ(0x8003u, doc->GetDriveCode());
    EXPECT_EQ("Physical3", std::string(doc->GetPathName()));
    EXPECT_TRUE(doc->IsWriteEnabled());
    // Dropping the edit lets the switch go on.
    prompts.boxAnswers.push_back(IDNO);
    dialogs.drives.push_back(16);
    doc->OnSelectDrive();
    EXPECT_EQ(16u, doc->GetDriveCode());
    EXPECT_EQ("Q:\\", std::string(doc->GetPathName()));
}
