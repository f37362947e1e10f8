#include "DiskDocTestSupport.h"
#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>

namespace doctest {

int ScriptedPrompts::Box(const char* text, const char* caption, UINT type)
{
    boxes.push_back({ text ? text : "", caption ? caption : "", type });
    if (boxAnswers.empty()) {
        ++unexpected;
        return IDCANCEL;
    }
    int a = boxAnswers.front();
    boxAnswers.pop_front();
    return a;
}

bool ScriptedPrompts::AskText(const char* caption, const char* prompt, CString* text, bool hidden)
{
    typed.push_back({ prompt ? prompt : "", caption ? caption : "", static_cast<UINT>(hidden) });
    if (typedAnswers.empty()) {
        ++unexpected;
        return false;
    }
    Typed t = typedAnswers.front();
    typedAnswers.pop_front();
    if (t.ok)
        *text = t.text.c_str();
    return t.ok;
}

// ---------------------------------------------------------------- the stand-in disk

namespace {

const DWORD kGetDriveGeometry = 0x00070000;
const DWORD kGetLengthInfo = 0x0007405C;
const DWORD kGetDriveGeometryEx = 0x000700A0;

}  // namespace

HANDLE FakeDiskAccess::Open(const char* path, DWORD access, DWORD, DWORD)
{
    opened.push_back(path);
    auto it = files.find(path);
    if (refusedPaths.count(path) || it == files.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // A query-only open (no access rights) of a disk still answers the control codes.
    DWORD fileAccess = access & (GENERIC_READ | GENERIC_WRITE);
    if (fileAccess == 0)
        fileAccess = GENERIC_READ;
    HANDLE h = CreateFileA(it->second.c_str(), fileAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        handles[h] = std::make_pair(std::string(path), it->second);
    return h;
}

void FakeDiskAccess::Close(HANDLE handle)
{
    handles.erase(handle);
    DeviceAccess::Close(handle);
}

BOOL FakeDiskAccess::Query(HANDLE handle, DWORD code, const void*, DWORD, void* out, DWORD outSize, DWORD* returned)
{
    const DWORD kStorageQueryProperty = 0x002D1400;
    auto it = handles.find(handle);
    if (code != kStorageQueryProperty || !storageNumbers || it == handles.end() || outSize < 64) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    // STORAGE_DEVICE_DESCRIPTOR: the serial number's offset at 24, the text behind the header.
    const std::string serial = it->second.second.substr(it->second.second.find_last_of('\\') + 1);
    memset(out, 0, outSize);
    const uint32_t at = 40;
    const uint32_t length = static_cast<uint32_t>(std::min<size_t>(serial.size(), outSize - at - 1));
    memcpy(static_cast<uint8_t*>(out) + 24, &at, 4);
    memcpy(static_cast<uint8_t*>(out) + at, serial.data(), length);
    if (returned)
        *returned = at + length + 1;
    return TRUE;
}

BOOL FakeDiskAccess::FileSize(HANDLE handle, uint64_t* size)
{
    LARGE_INTEGER bytes;
    if (!fileBacked || !GetFileSizeEx(handle, &bytes)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    *size = static_cast<uint64_t>(bytes.QuadPart);
    return TRUE;
}

bool FakeDiskAccess::FileBehind(HANDLE handle, FileIdentity* file)
{
    *file = FileIdentity();
    return !storageNumbers && DeviceAccess::FileBehind(handle, file);
}

DWORD FakeDiskAccess::Seek(HANDLE handle, LONG low, LONG* high)
{
    position = (static_cast<uint64_t>(high ? static_cast<DWORD>(*high) : 0) << 32) | static_cast<DWORD>(low);
    return DeviceAccess::Seek(handle, low, high);
}

bool FakeDiskAccess::FailsNow(DWORD bytes)
{
    for (auto& unit : failingUnits)
        if (unit.second != 0 && unit.first >= position / 512 && unit.first < (position + bytes + 511) / 512) {
            if (unit.second > 0)
                --unit.second;
            SetLastError(failingError);
            return true;
        }
    return false;
}

BOOL FakeDiskAccess::Read(HANDLE handle, void* buffer, DWORD bytes, DWORD* done)
{
    if (FailsNow(bytes)) {
        *done = 0;
        return FALSE;
    }
    return DeviceAccess::Read(handle, buffer, bytes, done);
}

BOOL FakeDiskAccess::Write(HANDLE handle, const void* buffer, DWORD bytes, DWORD* done)
{
    ++writes;
    if (FailsNow(bytes)) {
        *done = 0;
        return FALSE;
    }
    if (refuseWrites) {
        *done = 0;
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    const BOOL written = DeviceAccess::Write(handle, buffer, bytes, done);
    if (written && afterWrite)
        afterWrite();
    return written;
}

BOOL FakeDiskAccess::Control(HANDLE handle, DWORD code, void* out, DWORD outSize, DWORD* returned)
{
    const DWORD kGetVolumeDiskExtents = 0x00560000;
    const DWORD kGetPartitionInfo = 0x00074004;
    const DWORD kStorageGetDeviceNumber = 0x002D1080;
    const DWORD kStorageCheckVerify2 = 0x002D0800;
    const auto device = handles.find(handle);
    if (code == kStorageCheckVerify2) {
        // The media change count of the path's device, where the test set one.
        const auto changes = device == handles.end() ? mediaChanges.end() : mediaChanges.find(device->second.first);
        if (changes == mediaChanges.end() || outSize < 4) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        }
        memcpy(out, &changes->second, 4);
        if (returned)
            *returned = 4;
        return TRUE;
    }
    if (code == kStorageGetDeviceNumber) {
        if (!storageNumbers || device == handles.end() || outSize < 12) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        }
        // A disk (type 7) whose number the path gives, partition 0.
        const std::string& path = device->second.first;
        const size_t digits = path.find_first_of("0123456789");
        const uint32_t number[3] = { 7, digits == std::string::npos ? 0u : static_cast<uint32_t>(atoi(path.c_str() + digits)), 0 };
        memcpy(out, number, sizeof number);
        if (returned)
            *returned = 12;
        return TRUE;
    }
    if (code == kGetPartitionInfo) {
        // PARTITION_INFORMATION: starting offset, then the length.
        if (partitionLength < 0 || outSize < 32) {
            SetLastError(partitionLength < 0 ? ERROR_NOT_SUPPORTED : ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        memset(out, 0, 32);
        memcpy(static_cast<uint8_t*>(out) + 8, &partitionLength, 8);
        if (returned)
            *returned = 32;
        return TRUE;
    }
    if (code == kGetVolumeDiskExtents) {
        if (extentsDisk < 0 || outSize < 32) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        // One extent: count, padding, then disk number, offset and length.
        memset(out, 0, 32);
        uint32_t one = 1, disk = static_cast<uint32_t>(extentsDisk);
        memcpy(out, &one, 4);
        memcpy(static_cast<uint8_t*>(out) + 8, &disk, 4);
        if (returned)
            *returned = 32;
        return TRUE;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    g.MediaType = FixedMedia;
    g.TracksPerCylinder = 255;
    g.SectorsPerTrack = 63;
    g.BytesPerSector = 512;
    g.Cylinders.QuadPart = size.QuadPart / (255 * 63 * 512);
    DWORD n = 0;
    if (code == kGetLengthInfo && !refuseLength && outSize >= 8) {
        memcpy(out, &size.QuadPart, 8);
        n = 8;
    } else if (code == kGetDriveGeometry && !refuseGeometry && outSize >= sizeof g) {
        memcpy(out, &g, sizeof g);
        n = sizeof g;
    } else if (code == kGetDriveGeometryEx && !refuseGeometryEx && outSize >= sizeof g + 8) {
        memcpy(out, &g, sizeof g);
        memcpy(static_cast<uint8_t*>(out) + sizeof g, &size.QuadPart, 8);
        n = sizeof g + 8;
    } else {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (returned)
        *returned = n;
    return TRUE;
}

BOOL FakeDiskAccess::TotalVolumeBytes(const char*, uint64_t* total)
{
    if (!volumeBytes)
        return FALSE;
    *total = volumeBytes;
    return TRUE;
}

BOOL FakeDiskAccess::QuerySymbolicLink(const char*, char* target, int size)
{
    if (size > 0)
        target[0] = 0;
    return FALSE;
}

// ---------------------------------------------------------------- files

std::string TempPath(const std::string& name)
{
    std::string dir = testsupport::BinaryDir();
    if (dir.empty()) {
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        dir = tmp;
    }
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    dir += "doctest-tmp";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\" + name;
}

bool CopyFileTo(const std::string& from, const std::string& to)
{
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool MakeSparseDisk(const std::string& from, const std::string& to, uint64_t size)
{
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(to.c_str());
    if (!from.empty() && !CopyFileTo(from, to))
        return false;
    HANDLE h = CreateFileA(to.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    // Growing by the end-of-file mark writes nothing: the host keeps the file sparse.
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(size);
    bool ok = SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    return ok;
}

bool ReadFileBytes(const std::string& path, uint64_t offset, uint32_t count, std::vector<uint8_t>* bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bytes->assign(count, 0);
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    DWORD done = 0;
    bool ok = SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && ReadFile(h, bytes->data(), count, &done, nullptr);
    CloseHandle(h);
    bytes->resize(done);
    return ok && done == count;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    CloseHandle(h);
    return ReadFileBytes(path, 0, static_cast<uint32_t>(size.QuadPart), bytes);
}

uint64_t HashOutside(const std::string& path, uint64_t skipFrom, uint64_t skipCount, uint64_t limit)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    // FNV-1a over 8-byte words: a 1 GB sparse disk is hashed in well under a second.
    uint64_t hash = 14695981039346656037ull;
    std::vector<uint8_t> chunk(1 << 20);
    uint64_t at = 0;
    DWORD done = 0;
    while (at < limit && ReadFile(h, chunk.data(), static_cast<DWORD>(chunk.size()), &done, nullptr) && done > 0) {
        if (done % 8)
            memset(chunk.data() + done, 0, 8 - done % 8);
        for (DWORD i = 0; i < done; i += 8, at += 8) {
            uint64_t word;
            memcpy(&word, chunk.data() + i, 8);
            if (at + 8 > skipFrom && at < skipFrom + skipCount) {
                // Mask out the bytes of the skipped range inside this word.
                for (int b = 0; b < 8; ++b)
                    if (at + b >= skipFrom && at + b < skipFrom + skipCount)
                        word &= ~(0xFFull << (8 * b));
            }
            hash = (hash ^ word) * 1099511628211ull;
        }
        at -= (8 - done % 8) % 8;
        if (done % 8)
            hash ^= done;   // a tail shorter than a word still counts its length
    }
    CloseHandle(h);
    return hash;
}

// ---------------------------------------------------------------- the test program's settings

namespace {

// The document reads and writes its settings under the application key: give the test
// program a key of its own, and let a new document open nothing (open mode 2).
class DocumentSettingsEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "DiskDocTest");
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\DiskDocTest");
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\DiskDocTest", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            DWORD mode = 2;
            RegSetValueExA(key, "OpenMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode), sizeof mode);
            RegCloseKey(key);
        }
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\DiskDocTest"); }
};

::testing::Environment* const g_settings = ::testing::AddGlobalTestEnvironment(new DocumentSettingsEnvironment);

}  // namespace

CDiskDoc* NewDocument()
{
    return new CDiskDoc;
}

FILETIME LastWriteOf(const std::string& path)
{
    FILETIME t = {};
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    return t;
}

void SetLastWriteOf(const std::string& path, const FILETIME& time)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &time);
    CloseHandle(h);
}

uint64_t SizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return ~0ull;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ChangeOutside(OutsideChange change, const std::string& path, const std::string& source,
                   testsupport::OneFileAsADevice& device, int salt)
{
    const FILETIME before = LastWriteOf(path);
    auto writeAt = [&](uint64_t offset) {
        const std::vector<uint8_t> bytes(512, static_cast<uint8_t>(0xA0 + salt));
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER pos;
        pos.QuadPart = static_cast<LONGLONG>(offset);
        DWORD done = 0;
        const bool written = h != INVALID_HANDLE_VALUE && SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) &&
                             WriteFile(h, bytes.data(), 512, &done, nullptr) && done == 512;
        CloseHandle(h);
        SetLastWriteOf(path, before);
        return written;
    };
    switch (change) {
    case RENAMED_ONTO:
        return CopyFileTo(source, path + ".new") &&
               MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    case TIME_MOVED: {
        FILETIME later = before;
        later.dwHighDateTime += 1 + salt;       // some minutes on
        SetLastWriteOf(path, later);
        return true;
    }
    case SIZE_GROWN:
        return writeAt(SizeOf(path));
    case BYTES_CHANGED_TIME_KEPT:
        return writeAt(5 * 512);
    case NOW_A_DEVICE: {
        FileIdentity file;
        if (!GetFileIdentity(path.c_str(), &file))
            return false;
        device.index = file.index;
        device.armed = true;
        return true;
    }
    case RENAMED_AWAY:
        return MoveFileExA(path.c_str(), (path + ".away").c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    case DELETED:
        return DeleteFileA(path.c_str()) != FALSE;
    }
    return false;
}

std::string OutsideChangeText(OutsideChange change, const std::string& path)
{
    const std::string open = "\nBitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren ";
    switch (change) {
    case RENAMED_ONTO:
        return "Die Image-Datei wurde außerhalb des Programms durch eine andere Datei ersetzt:\n" + path + open +
               "gelesen oder geschrieben.";
    case NOW_A_DEVICE:
        return "Der Name der Image-Datei führt jetzt zu einem Laufwerk oder Gerät:\n" + path + open +
               "gelesen oder geschrieben.";
    case RENAMED_AWAY:
    case DELETED:
        return "Die Image-Datei wurde außerhalb des Programms gelöscht oder umbenannt:\n" + path + open +
               "gelesen oder geschrieben.";
    default:
        return "Die Image-Datei wurde außerhalb des Programms verändert:\n" + path + open + "in sie geschrieben.";
    }
}

}  // namespace doctest
