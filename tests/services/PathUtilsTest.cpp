#include "services/IconCache.h"
#include "services/OpenFile.h"
#include "services/PathUtils.h"
#include "tests/support/DeviceAnswers.h"
#include "services/SystemInfo.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

namespace {

// A folder of its own in the temp folder with one file of a known size.
class TempFolder
{
public:
    TempFolder()
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "slpath" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        m_file = m_folder + "\\data.bin";
        HANDLE file = CreateFileA(m_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        std::string bytes(12345, 'z');
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        m_empty = m_folder + "\\empty.txt";
        file = CreateFileA(m_empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
    }
    ~TempFolder()
    {
        DeleteFileA(m_file.c_str());
        DeleteFileA(m_empty.c_str());
        RemoveDirectoryA(m_folder.c_str());
    }
    std::string m_folder;
    std::string m_file;
    std::string m_empty;
};

int ShellIcon(const char* path, DWORD attributes, UINT flags)
{
    SHFILEINFOA info;
    memset(&info, 0, sizeof(info));
    if (!SHGetFileInfoA(path, attributes, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | flags))
        return -1;
    return info.iIcon;
}

}  // namespace

TEST(PathUtils, PathTypesOfRealFilesAndFolders)
{
    TempFolder temp;
    EXPECT_EQ(GetPathTypeA(temp.m_file.c_str()), PATH_FILE);
    EXPECT_EQ(GetPathTypeA(temp.m_folder.c_str()), PATH_FOLDER);
    EXPECT_EQ(GetPathTypeA((temp.m_folder + "\\").c_str()), PATH_FOLDER);
    EXPECT_EQ(GetPathTypeA((temp.m_folder + "\\missing.bin").c_str()), PATH_MISSING);
    EXPECT_EQ(GetPathTypeA(""), PATH_MISSING);
    EXPECT_EQ(GetPathTypeA(nullptr), PATH_MISSING);

    // Drive roots, checked against the drives the system reports.
    DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        char forms[3][4] = {{static_cast<char>('A' + letter), ':', 0, 0},
                            {static_cast<char>('a' + letter), ':', '\\', 0},
                            {static_cast<char>('A' + letter), ':', '/', 0}};
        int expected = (drives >> letter) & 1 ? PATH_DRIVE_ROOT : PATH_MISSING;
        for (auto& form : forms)
            EXPECT_EQ(GetPathTypeA(form), expected) << form;
    }
}

// Device and volume names are never files to write a dump into; files, their long forms and
// names not there yet are. Under Wine "Z:\dev\null" and "Z:\dev\zero" are character devices
// whose names say nothing: only their handles tell.
TEST(PathUtils, DeviceNamesAreNoFiles)
{
    TempFolder temp;
    const std::string devices[] = {"\\\\.\\C:", "\\\\.\\PhysicalDrive0", "//./c:", "\\\\?\\GLOBALROOT\\Device\\Harddisk0\\Partition1",
                                   "\\\\?\\Volume{0}\\", "\\\\?\\C:", "C:", "c:\\", "NUL", "con.txt",
                                   temp.m_folder + "\\LPT1", temp.m_folder + "\\aux.bin", "COM9",
                                   "\\??\\R:", "/?\?/r:", "\\??\\PhysicalDrive0", "\\??\\R:\\",
                                   temp.m_folder + "\\dosdevices\\r::", temp.m_folder + "\\r::. ", "Z:\\dev\\null",
                                   "Z:\\dev\\zero", "\\\\?\\UNC\\"};
    for (const std::string& name : devices)
        EXPECT_TRUE(IsDevicePathA(name.c_str())) << name;
    const std::string files[] = {temp.m_file, "\\\\?\\" + temp.m_file, "\\??\\" + temp.m_file, temp.m_folder + "\\new.bin",
                                 temp.m_folder, temp.m_folder + "\\COM10", temp.m_folder + "\\console.bin", "com0.bin",
                                 "\\\\?\\UNC\\server\\share\\image.bin", ""};
    for (const std::string& name : files)
        EXPECT_FALSE(IsDevicePathA(name.c_str())) << name;
    EXPECT_FALSE(IsDevicePathA(nullptr));
    EXPECT_FALSE(IsDeviceNameA("Z:\\dev\\null")) << "the name of a character device is an ordinary name";
}

// Whatever a handle answers as a device answers makes the file a device, every answer alone.
TEST(PathUtils, TheHandleDecidesWhatAFileIs)
{
    TempFolder temp;
    using testsupport::DeviceAnswers;
    for (DeviceAnswers::Kind kind : {DeviceAnswers::CHARACTER, DeviceAnswers::PIPE, DeviceAnswers::NO_FILE_FACTS,
                                     DeviceAnswers::DEVICE_ATTRIBUTE, DeviceAnswers::DISK_LENGTH,
                                     DeviceAnswers::READ_GUARDED_DISK}) {
        DeviceAnswers answers(kind);
        EXPECT_TRUE(IsDevicePathA(temp.m_file.c_str())) << kind;
        FileIdentity identity;
        EXPECT_FALSE(GetFileIdentity(temp.m_file.c_str(), &identity)) << kind;
        // Every handle is asked, whatever rights it was opened with (a dump opens for writing
        // alone; the question of a disk's length needs the right to read).
        for (DWORD access : {DWORD(0), DWORD(GENERIC_READ), DWORD(GENERIC_WRITE), DWORD(GENERIC_READ | GENERIC_WRITE)}) {
            HANDLE h = CreateFileA(temp.m_file.c_str(), access, 7, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            EXPECT_TRUE(IsDeviceHandle(h)) << kind << ", access " << std::hex << access;
            CloseHandle(h);
        }
    }
    // The file as it is: its facts and its whole identity, the same under another spelling.
    HANDLE h = CreateFileA(temp.m_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    OpenFileFacts facts;
    EXPECT_FALSE(IsDeviceHandle(h, &facts));
    EXPECT_EQ(facts.size, 12345u);
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(h, &info));
    CloseHandle(h);
    EXPECT_EQ(facts.index, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
    EXPECT_EQ(facts.lastWrite,
              (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    FileIdentity plain, longForm, other;
    ASSERT_TRUE(GetFileIdentity(temp.m_file.c_str(), &plain));
    ASSERT_TRUE(GetFileIdentity(("\\\\?\\" + temp.m_file).c_str(), &longForm));
    ASSERT_TRUE(GetFileIdentity(temp.m_empty.c_str(), &other));
    EXPECT_EQ(plain.volume, info.dwVolumeSerialNumber);
    EXPECT_TRUE(plain.SameFileAs(longForm));
    EXPECT_FALSE(plain.SameFileAs(other));
    FileIdentity half = plain;
    half.volumeKnown = false;
    EXPECT_FALSE(half.SameFileAs(plain)) << "an identity without its volume matched";
    // For a refusal the file is the known one by its number on its volume, or by its number,
    // size and last-write time whatever the volume says.
    FileIdentity elsewhere = plain;
    elsewhere.volume ^= 0x5A5A;
    const struct {
        const FileIdentity* known;
        uint64_t size, lastWrite;
        bool same;
    } cases[] = {
        {&plain, facts.size, facts.lastWrite, true},       {&plain, facts.size + 1, facts.lastWrite + 1, true},
        {&elsewhere, facts.size, facts.lastWrite, true},   {&elsewhere, facts.size - 1, facts.lastWrite, false},
        {&elsewhere, facts.size, facts.lastWrite - 1, false}, {&half, facts.size, facts.lastWrite, true},
        {&half, facts.size, facts.lastWrite + 1, false},   {&other, facts.size, facts.lastWrite, false},
    };
    h = CreateFileA(temp.m_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    for (const auto& c : cases) {
        OpenFileFacts known;
        known.size = c.size;
        known.lastWrite = c.lastWrite;
        EXPECT_EQ(HandleMayLeadToFile(h, facts, *c.known, known), c.same)
            << &c - cases << ": volume " << c.known->volume << (c.known->volumeKnown ? "" : " (not known)");
    }
    CloseHandle(h);
}

TEST(PathUtils, FileSizes)
{
    TempFolder temp;
    unsigned long long size = 0;
    EXPECT_EQ(GetFileSize64A(temp.m_file.c_str(), &size), 12345u);
    EXPECT_EQ(size, 12345u);
    EXPECT_EQ(GetFileSize64A(temp.m_empty.c_str(), &size), 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(GetFileSize64A(temp.m_folder.c_str(), &size), 0xFFFFFFFFu);
    EXPECT_EQ(size, ~0ull);
    size = 0;
    EXPECT_EQ(GetFileSize64A((temp.m_folder + "\\missing").c_str(), &size), 0xFFFFFFFFu);
    EXPECT_EQ(size, ~0ull);
    EXPECT_EQ(GetFileSize64A(temp.m_file.c_str(), nullptr), 12345u);
    EXPECT_EQ(GetFileSize64A(nullptr, nullptr), 0xFFFFFFFFu);
}

TEST(PathUtils, ExtensionLists)
{
    const char* list = "bin;img;iso;fat";
    EXPECT_EQ(MatchExtensionListA("C:\\images\\disk.IMG", list), 2);
    EXPECT_EQ(MatchExtensionListA("x.fat", list), 4);
    EXPECT_EQ(MatchExtensionListA("backup.tar.bin", list), 1);
    EXPECT_EQ(MatchExtensionListA("noext", list), 0);
    EXPECT_EQ(MatchExtensionListA("dir.bin\\file", list), 0);   // the dot is in a folder name
    EXPECT_EQ(MatchExtensionListA("C:.iso", list), 3);
    EXPECT_EQ(MatchExtensionListA("file.", list), 0);
    EXPECT_EQ(MatchExtensionListA("file.bi", list), 0);
    EXPECT_EQ(MatchExtensionListA("a.binary", list, 5), 1);     // only "a.bin" is looked at
    EXPECT_EQ(MatchExtensionListA("a.iso", "bin;;iso"), 3);
    EXPECT_EQ(MatchExtensionListA("a.ÄBC", "x;äbc"), 2);
    EXPECT_EQ(MatchExtensionListA(nullptr, list), 0);
    EXPECT_EQ(MatchExtensionListA("a.bin", nullptr), 0);
}

TEST(PathUtils, FileNamePartAndSeparator)
{
    const char* path = "C:\\dir/sub\\name.txt";
    int length = -1;
    EXPECT_EQ(GetFileNamePart(path, &length), path + 11);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(FindPathNameA(path), path + 11);
    EXPECT_STREQ(GetFileNamePart("C:name"), "name");
    EXPECT_STREQ(GetFileNamePart("dir\\", &length), "");
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(GetFileNamePart(static_cast<const char*>(nullptr), &length), "");
    EXPECT_EQ(length, 0);
    char writable[] = "a\\b";
    char* name = FindPathNameA(writable);
    *name = 'c';
    EXPECT_STREQ(writable, "a\\c");

    char buffer[32] = "C:\\dir";
    EXPECT_EQ(AddPathSeparatorA(buffer), 7);
    EXPECT_STREQ(buffer, "C:\\dir\\");
    EXPECT_EQ(AddPathSeparatorA(buffer), 7);
    strcpy(buffer, "a/");
    EXPECT_EQ(AddPathSeparatorA(buffer, 2), 2);
    EXPECT_STREQ(buffer, "a/");
    strcpy(buffer, "abcdef");
    EXPECT_EQ(AddPathSeparatorA(buffer, 3), 4);   // the given length decides where
    EXPECT_STREQ(buffer, "abc\\");
    buffer[0] = '\0';
    EXPECT_EQ(AddPathSeparatorA(buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(AddPathSeparatorA(nullptr), 0);
}

TEST(IconCache, AgreesWithTheShell)
{
    TempFolder temp;
    int byExtension = GetFileIconIndexA("some\\where\\x.txt", FILEICON_BY_EXTENSION);
    EXPECT_EQ(byExtension, ShellIcon("other.txt", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES));
    EXPECT_GE(byExtension, 0);
    // Cached per extension without regard to case.
    EXPECT_EQ(GetFileIconIndexA("Y.TXT", FILEICON_BY_EXTENSION), byExtension);
    EXPECT_EQ(GetFileIconIndexA("noext", FILEICON_BY_EXTENSION),
              ShellIcon("x", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES));
    EXPECT_EQ(GetFileIconIndexA(temp.m_file.c_str(), 0), ShellIcon(temp.m_file.c_str(), 0, 0));
    EXPECT_EQ(GetFileIconIndexA(temp.m_folder.c_str(), 0), ShellIcon(temp.m_folder.c_str(), 0, 0));
    // Drive roots by their letter, with either flag.
    int drive = ShellIcon("C:\\", 0, 0);
    EXPECT_EQ(GetFileIconIndexA("C:", 0), drive);
    EXPECT_EQ(GetFileIconIndexA("c:\\", FILEICON_BY_EXTENSION), drive);
    // Odd input gives an answer, not a crash.
    GetFileIconIndexA(nullptr, FILEICON_BY_EXTENSION);
    GetFileIconIndexA(std::string(1000, 'e').insert(0, "a.").c_str(), FILEICON_BY_EXTENSION);
}

TEST(SystemInfo, BitmapSize)
{
    HBITMAP bitmap = CreateBitmap(13, 7, 1, 32, nullptr);
    ASSERT_NE(bitmap, nullptr);
    int width = 0, height = 0, bits = 0;
    EXPECT_EQ(GetBitmapSize(bitmap, &width, &height, &bits), 1);
    EXPECT_EQ(width, 13);
    EXPECT_EQ(height, 7);
    EXPECT_EQ(bits, 32);
    EXPECT_EQ(GetBitmapSize(bitmap, nullptr, &height, nullptr), 1);
    DeleteObject(bitmap);
    width = height = bits = 5;
    EXPECT_EQ(GetBitmapSize(nullptr, &width, &height, &bits), 0);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(bits, 0);
    width = 5;
    EXPECT_EQ(GetBitmapSize(bitmap, &width, nullptr, nullptr), 0);   // deleted by now
    EXPECT_EQ(width, 0);
}

TEST(SystemInfo, WindowsVersionMatchesTheSharedUserData)
{
    DWORD version = GetWindowsVersion();
    EXPECT_EQ(GetWindowsVersion(), version);
    // The kernel's own copy of the version, in the page every process maps at 0x7FFE0000
    // (NtMajorVersion at 0x26C, NtMinorVersion at 0x270).
    const volatile DWORD* shared = reinterpret_cast<const volatile DWORD*>(0x7FFE0000);
    DWORD major = shared[0x26C / 4];
    DWORD minor = shared[0x270 / 4];
    EXPECT_EQ(version, (major << 16) | minor);
    EXPECT_GE(version >> 16, 5u);
}
