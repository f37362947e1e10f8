#include "services/OpenFile.h"

namespace {

// ntdll's file questions, looked up by name once: each is one cheap call, where
// GetFileInformationByHandle also asks the volume (the dear part under Wine).
struct IoStatus
{
    void* status;
    ULONG_PTR information;
};
typedef LONG(WINAPI* QueryFileFn)(HANDLE, IoStatus*, void*, ULONG, int);

const int kFileBasicInformation = 4;
const int kFileStandardInformation = 5;
const int kFileInternalInformation = 6;

struct BasicInformation
{
    LARGE_INTEGER creationTime;
    LARGE_INTEGER lastAccessTime;
    LARGE_INTEGER lastWriteTime;
    LARGE_INTEGER changeTime;
    ULONG attributes;
};

struct StandardInformation
{
    LARGE_INTEGER allocationSize;
    LARGE_INTEGER endOfFile;
    ULONG links;
    BOOLEAN deletePending;
    BOOLEAN directory;
};

QueryFileFn QueryFile()
{
    static bool looked = false;
    static QueryFileFn query = nullptr;
    if (!looked) {
        looked = true;
        if (HMODULE ntdll = GetModuleHandleA("ntdll"))
            query = reinterpret_cast<QueryFileFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")));
    }
    return query;
}

uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<uint64_t>(high) << 32) | low;
}

HandleQueries g_systemQueries;
HandleQueries* g_queries = &g_systemQueries;

}  // namespace

DWORD HandleQueries::FileType(HANDLE h)
{
    return GetFileType(h);
}

bool HandleQueries::Facts(HANDLE h, OpenFileFacts* facts)
{
    QueryFileFn query = QueryFile();
    if (!query) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(h, &info))
            return false;
        facts->attributes = info.dwFileAttributes;
        facts->lastWrite = Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
        facts->size = Join(info.nFileSizeHigh, info.nFileSizeLow);
        facts->index = Join(info.nFileIndexHigh, info.nFileIndexLow);
        return true;
    }
    IoStatus io;
    BasicInformation basic;
    StandardInformation standard;
    LARGE_INTEGER index;
    if (query(h, &io, &basic, sizeof basic, kFileBasicInformation) < 0 ||
        query(h, &io, &standard, sizeof standard, kFileStandardInformation) < 0 ||
        query(h, &io, &index, sizeof index, kFileInternalInformation) < 0)
        return false;
    facts->attributes = basic.attributes;
    facts->lastWrite = static_cast<uint64_t>(basic.lastWriteTime.QuadPart);
    facts->size = static_cast<uint64_t>(standard.endOfFile.QuadPart);
    facts->index = static_cast<uint64_t>(index.QuadPart);
    return true;
}

bool HandleQueries::AnswersDiskLength(HANDLE h)
{
    const DWORD kGetLengthInfo = 0x0007405C;        // IOCTL_DISK_GET_LENGTH_INFO
    LARGE_INTEGER length;
    DWORD returned = 0;
    return DeviceIoControl(h, kGetLengthInfo, nullptr, 0, &length, sizeof length, &returned, nullptr) != FALSE;
}

bool HandleQueries::AnswersDiskGeometry(HANDLE h)
{
    const DWORD kGetDriveGeometry = 0x00070000;     // IOCTL_DISK_GET_DRIVE_GEOMETRY, any access
    uint8_t geometry[24];                           // DISK_GEOMETRY
    DWORD returned = 0;
    return DeviceIoControl(h, kGetDriveGeometry, nullptr, 0, geometry, sizeof geometry, &returned, nullptr) != FALSE;
}

bool HandleQueries::VolumeSerial(HANDLE h, DWORD* serial)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info))
        return false;
    *serial = info.dwVolumeSerialNumber;
    return true;
}

namespace {

// A disk or volume answers the length question when the handle may read; a handle opened for
// writing only (a dump file) is refused that question by the system before any driver sees
// it, and is asked the geometry, which every disk and volume answers to any handle.
bool AnswersAsADisk(HANDLE h)
{
    if (g_queries->AnswersDiskLength(h))
        return true;
    return GetLastError() == ERROR_ACCESS_DENIED && g_queries->AnswersDiskGeometry(h);
}

}  // namespace

HandleQueries* SetHandleQueries(HandleQueries* queries)
{
    HandleQueries* previous = g_queries;
    g_queries = queries ? queries : &g_systemQueries;
    return previous;
}

bool IsDeviceHandle(HANDLE h, OpenFileFacts* facts)
{
    OpenFileFacts own;
    if (!facts)
        facts = &own;
    *facts = OpenFileFacts();
    if (h == INVALID_HANDLE_VALUE || !h)
        return false;
    // A character device or a pipe is no disk file; a disk or a volume is one to GetFileType,
    // but answers no file's questions (Wine) or answers a disk's (Windows).
    if (g_queries->FileType(h) != FILE_TYPE_DISK || !g_queries->Facts(h, facts) ||
        (facts->attributes & FILE_ATTRIBUTE_DEVICE) || AnswersAsADisk(h)) {
        *facts = OpenFileFacts();
        return true;
    }
    return false;
}

FileIdentity IdentityOf(const OpenFileFacts& facts)
{
    FileIdentity identity;
    identity.index = facts.index;
    identity.known = true;
    return identity;
}

bool CompleteIdentity(HANDLE h, FileIdentity* identity)
{
    if (identity->known && !identity->volumeKnown && g_queries->VolumeSerial(h, &identity->volume))
        identity->volumeKnown = true;
    return identity->known && identity->volumeKnown;
}

bool HandleLeadsToFile(HANDLE h, FileIdentity opened, const FileIdentity& known)
{
    return opened.known && known.known && opened.index == known.index && CompleteIdentity(h, &opened) &&
           opened.SameFileAs(known);
}

bool HandleMayLeadToFile(HANDLE h, const OpenFileFacts& opened, const FileIdentity& known,
                         const OpenFileFacts& knownContent)
{
    if (!known.known || opened.index != known.index)
        return false;
    if (opened.size == knownContent.size && opened.lastWrite == knownContent.lastWrite)
        return true;
    return HandleLeadsToFile(h, IdentityOf(opened), known);
}

bool GetFileIdentity(const char* path, FileIdentity* identity, OpenFileFacts* facts)
{
    *identity = FileIdentity();
    OpenFileFacts own;
    if (!facts)
        facts = &own;
    *facts = OpenFileFacts();
    if (!path || !*path)
        return false;
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    if (!IsDeviceHandle(h, facts)) {
        *identity = IdentityOf(*facts);
        CompleteIdentity(h, identity);
    }
    CloseHandle(h);
    if (!identity->volumeKnown) {
        *identity = FileIdentity();
        *facts = OpenFileFacts();
    }
    return identity->known;
}
