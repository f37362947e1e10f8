// The device access layer over the system's device paths.
#include "disk/DiskIo.h"
#include "textlib/StrPrintf.h"
#include <stdlib.h>
#include <string.h>

// ---------------------------------------------------------------- the system's own calls

HANDLE DeviceAccess::Open(const char* path, DWORD access, DWORD share, DWORD flags)
{
    return CreateFileA(path, access, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

void DeviceAccess::Close(HANDLE handle)
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

DWORD DeviceAccess::Seek(HANDLE handle, LONG low, LONG* high)
{
    return SetFilePointer(handle, low, high, FILE_BEGIN);
}

BOOL DeviceAccess::Read(HANDLE handle, void* buffer, DWORD bytes, DWORD* done)
{
    return ReadFile(handle, buffer, bytes, done, nullptr);
}

BOOL DeviceAccess::Write(HANDLE handle, const void* buffer, DWORD bytes, DWORD* done)
{
    return WriteFile(handle, buffer, bytes, done, nullptr);
}

BOOL DeviceAccess::Control(HANDLE handle, DWORD code, void* out, DWORD outSize, DWORD* returned)
{
    DWORD dummy = 0;
    return DeviceIoControl(handle, code, nullptr, 0, out, outSize, returned ? returned : &dummy, nullptr);
}

BOOL DeviceAccess::TotalVolumeBytes(const char* root, uint64_t* total)
{
    ULARGE_INTEGER avail, all, freeBytes;
    if (!GetDiskFreeSpaceExA(root, &avail, &all, &freeBytes))
        return FALSE;
    *total = all.QuadPart;
    return TRUE;
}

// ntdll's object-manager calls, looked up by name once; they are not in the import
// libraries of every tool chain and the program must start where they are missing.
namespace {

struct CountedWide
{
    USHORT length;
    USHORT maximumLength;
    WCHAR* buffer;
};

struct ObjectAttributes
{
    ULONG length;
    HANDLE rootDirectory;
    CountedWide* objectName;
    ULONG attributes;
    void* securityDescriptor;
    void* securityQualityOfService;
};

typedef LONG(WINAPI* OpenLinkFn)(HANDLE*, ACCESS_MASK, ObjectAttributes*);
typedef LONG(WINAPI* QueryLinkFn)(HANDLE, CountedWide*, ULONG*);

const ULONG kObjCaseInsensitive = 0x40;
const ACCESS_MASK kSymbolicLinkQuery = 1;

OpenLinkFn g_openLink = nullptr;
QueryLinkFn g_queryLink = nullptr;
bool g_linkCallsLooked = false;

}  // namespace

BOOL DeviceAccess::QuerySymbolicLink(const char* name, char* target, int size)
{
    if (size < 1)
        return FALSE;
    target[0] = 0;
    if (!g_linkCallsLooked) {
        g_linkCallsLooked = true;
        HMODULE ntdll = GetModuleHandleA("ntdll");
        if (ntdll) {
            g_openLink = reinterpret_cast<OpenLinkFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenSymbolicLinkObject")));
            g_queryLink = reinterpret_cast<QueryLinkFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySymbolicLinkObject")));
        }
    }
    if (!g_openLink || !g_queryLink)
        return FALSE;
    WCHAR wideName[260];
    int n = 0;
    while (name[n] && n < 259) {
        wideName[n] = static_cast<unsigned char>(name[n]);
        ++n;
    }
    wideName[n] = 0;
    CountedWide objectName = { static_cast<USHORT>(n * 2), static_cast<USHORT>(n * 2 + 2), wideName };
    ObjectAttributes attributes = { sizeof(ObjectAttributes), nullptr, &objectName, kObjCaseInsensitive, nullptr, nullptr };
    HANDLE link = nullptr;
    if (g_openLink(&link, kSymbolicLinkQuery, &attributes) < 0)
        return FALSE;
    WCHAR answer[255];
    CountedWide targetName = { 0, sizeof answer, answer };
    ULONG returned = 0;
    if (g_queryLink(link, &targetName, &returned) < 0)
        targetName.length = 0;
    CloseHandle(link);
    // The answer never holds more than its buffer, whatever length comes back with it.
    int chars = targetName.length / 2;
    if (chars > static_cast<int>(sizeof answer / sizeof answer[0]))
        chars = static_cast<int>(sizeof answer / sizeof answer[0]);
    if (chars > size - 1)
        chars = size - 1;
    for (int i = 0; i < chars; ++i)
        target[i] = static_cast<char>(answer[i]);
    target[chars] = 0;
    return chars > 0;
}

namespace {
DeviceAccess g_systemAccess;
DeviceAccess* g_access = &g_systemAccess;
}  // namespace

DeviceAccess* DiskIoSetAccess(DeviceAccess* access)
{
    DeviceAccess* previous = g_access;
    g_access = access ? access : &g_systemAccess;
    return previous;
}

DeviceAccess& DiskIoAccess()
{
    return *g_access;
}

// ---------------------------------------------------------------- drive codes and paths

namespace {

const uint32_t kPhysicalBit = 0x8000;
const uint32_t kPartitionBit = 0x4000;
const uint32_t kMaxPhysical = 32;

void PhysicalPath(uint32_t disk, char* path, int size)
{
    StrNPrintf(path, size, "\\\\.\\PhysicalDrive%i", static_cast<int>(disk));
}

void Partition0Path(uint32_t disk, char* path, int size)
{
    StrNPrintf(path, size, "\\\\?\\GLOBALROOT\\Device\\Harddisk%i\\Partition0", static_cast<int>(disk));
}

void LetterPath(uint32_t letter, char* path, int size)
{
    StrNPrintf(path, size, "\\\\.\\%c:", static_cast<int>('A' + letter));
}

// Opens the first of path and fallback (when there is one) that opens.
HANDLE OpenWithFallback(const char* path, const char* fallback, DWORD access, DWORD share, DWORD flags)
{
    DeviceAccess& io = DiskIoAccess();
    HANDLE h = io.Open(path, access, share, flags);
    if (h == INVALID_HANDLE_VALUE && fallback[0])
        h = io.Open(fallback, access, share, flags);
    return h;
}

// A transfer whose byte length does not fit the 32 bits of one ReadFile/WriteFile, or whose
// byte offset does not fit the signed 64 bits of the positioning call, would wrap to another
// length or place: a wrapped length of 0 would even "succeed" without moving a byte.
bool TransferFits(uint32_t unitCount, uint64_t unitOffset)
{
    const uint64_t kMaxUnitOffset = 0x7FFFFFFFFFFFFFFFull / 512;
    if (unitCount > 0xFFFFFFFFu / 512 || unitOffset > kMaxUnitOffset - unitCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

}  // namespace

bool DiskIoIsValidCode(uint32_t code)
{
    if (code & kPhysicalBit)
        return (code & ~kPhysicalBit) < kMaxPhysical;
    if (code & kPartitionBit)
        return (code & ~kPartitionBit) < 1024;
    return code <= 25;
}

bool DiskIoDevicePath(uint32_t code, char* path, int size, char* fallback, int fallbackSize)
{
    path[0] = 0;
    fallback[0] = 0;
    if (!DiskIoIsValidCode(code)) {
        SetLastError(ERROR_INVALID_DRIVE);
        return false;
    }
    if (code & kPhysicalBit) {
        uint32_t disk = code & ~kPhysicalBit;
        PhysicalPath(disk, path, size);
        Partition0Path(disk, fallback, fallbackSize);
    } else if (code & kPartitionBit) {
        uint32_t disk = (code & ~kPartitionBit) >> 4;
        uint32_t partition = code & 15;
        if (partition == 0) {           // the whole disk: the physical drive
            PhysicalPath(disk, path, size);
            Partition0Path(disk, fallback, fallbackSize);
        } else {
            StrNPrintf(path, size, "\\\\?\\GLOBALROOT\\Device\\Harddisk%i\\Partition%i", static_cast<int>(disk),
                      static_cast<int>(partition));
        }
    } else {
        LetterPath(code, path, size);
    }
    return true;
}

// ---------------------------------------------------------------- transfers

BOOL DiskIoRead(uint32_t code, uint32_t unitCount, uint64_t unitOffset, void* buffer)
{
    char path[80], fallback[80];
    if (!DiskIoDevicePath(code, path, sizeof path, fallback, sizeof fallback) || !TransferFits(unitCount, unitOffset))
        return FALSE;
    DeviceAccess& io = DiskIoAccess();
    HANDLE h = OpenWithFallback(path, fallback, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    uint64_t byteOffset = unitOffset * 512;
    LONG low = static_cast<LONG>(byteOffset & 0xFFFFFFFFu);
    LONG high = static_cast<LONG>(byteOffset >> 32);
    LONG highIn = high;
    DWORD reached = io.Seek(h, low, &high);
    // A position counts only when both halves came back as asked: the invalid-position
    // value is also a legal low half, so the value alone says nothing.
    if (reached != static_cast<DWORD>(low) || high != highIn) {
        io.Close(h);
        return FALSE;
    }
    DWORD bytes = unitCount * 512;
    DWORD done = 0;
    BOOL ok = io.Read(h, buffer, bytes, &done) && done == bytes;
    DWORD err = GetLastError();
    io.Close(h);
    // A short read at the end of a device fails without an error of its own; the caller
    // must not find "success" in the last error of a failed read.
    if (!ok && err == 0)
        err = ERROR_HANDLE_EOF;
    SetLastError(ok ? 0 : err);
    return ok;
}

BOOL DiskIoWrite(uint32_t code, uint32_t unitCount, uint64_t unitOffset, const void* buffer)
{
    // Writes go only to letters and whole physical drives: a partition path is for reading.
    bool physical = (code & kPhysicalBit) && (code & ~kPhysicalBit) < kMaxPhysical;
    if (!physical && code > 25) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    char path[80], fallback[80];
    if (!DiskIoDevicePath(code, path, sizeof path, fallback, sizeof fallback) || !TransferFits(unitCount, unitOffset))
        return FALSE;
    DeviceAccess& io = DiskIoAccess();
    HANDLE h = OpenWithFallback(path, fallback, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    uint64_t byteOffset = unitOffset * 512;
    LONG low = static_cast<LONG>(byteOffset & 0xFFFFFFFFu);
    LONG highIn = static_cast<LONG>(byteOffset >> 32);
    LONG high = highIn;
    SetLastError(0);
    DWORD reached = io.Seek(h, low, &high);
    // Besides a refused position, a position other than the one asked for ends the write: a
    // driver that lands elsewhere without an error would have the sector written over
    // another one the user never saw.
    if ((reached == INVALID_SET_FILE_POINTER && GetLastError() != 0) || reached != static_cast<DWORD>(low) ||
        high != highIn) {
        io.Close(h);
        return FALSE;
    }
    DWORD bytes = unitCount * 512;
    DWORD done = 0;
    BOOL ok = io.Write(h, buffer, bytes, &done) && done == bytes;
    DWORD err = GetLastError();
    io.Close(h);
    SetLastError(ok ? 0 : err);
    return ok;
}

BOOL DiskIoWriteIfUnchanged(uint32_t code, uint32_t unitCount, uint64_t unitOffset, const void* buffer,
                            const void* expected, bool* changed)
{
    if (changed)
        *changed = false;
    // What no write may reach is refused before anything is read.
    bool physical = (code & kPhysicalBit) && (code & ~kPhysicalBit) < kMaxPhysical;
    if (!physical && code > 25) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!TransferFits(unitCount, unitOffset))
        return FALSE;
    const DWORD bytes = unitCount * 512;
    uint8_t* now = static_cast<uint8_t*>(malloc(bytes ? bytes : 1));
    if (!now) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    // A medium that no longer reads is no medium the user confirmed either.
    if (!DiskIoRead(code, unitCount, unitOffset, now)) {
        const DWORD err = GetLastError();
        free(now);
        SetLastError(err);
        return FALSE;
    }
    const bool same = memcmp(now, expected, bytes) == 0;
    free(now);
    if (!same) {
        if (changed)
            *changed = true;
        SetLastError(ERROR_MEDIA_CHANGED);
        return FALSE;
    }
    return DiskIoWrite(code, unitCount, unitOffset, buffer);
}

// ---------------------------------------------------------------- sizes and geometry

namespace {

// The control codes, spelled out so the layer does not depend on which of them a tool
// chain's headers happen to define.
const DWORD kGetDriveGeometry = 0x00070000;      // IOCTL_DISK_GET_DRIVE_GEOMETRY
const DWORD kGetPartitionInfo = 0x00074004;      // IOCTL_DISK_GET_PARTITION_INFO
const DWORD kGetLengthInfo = 0x0007405C;         // IOCTL_DISK_GET_LENGTH_INFO
const DWORD kGetDriveGeometryEx = 0x000700A0;    // IOCTL_DISK_GET_DRIVE_GEOMETRY_EX
const DWORD kCdromGetDriveGeometry = 0x0002404C; // IOCTL_CDROM_GET_DRIVE_GEOMETRY
const DWORD kGetVolumeDiskExtents = 0x00560000;  // IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS

#pragma pack(push, 1)
struct PartitionInfoAnswer          // PARTITION_INFORMATION with its tail padding: 32 bytes,
{                                   // or the driver answers "buffer too small"
    int64_t startingOffset;
    int64_t partitionLength;
    uint32_t hiddenSectors;
    uint32_t partitionNumber;
    uint8_t partitionType;
    uint8_t bootIndicator;
    uint8_t recognizedPartition;
    uint8_t rewritePartition;
    uint8_t padding[4];
};
static_assert(sizeof(PartitionInfoAnswer) == 32, "PARTITION_INFORMATION is 32 bytes");

struct GeometryExAnswer             // DISK_GEOMETRY_EX up to the disk size, 40 bytes asked
{
    DISK_GEOMETRY geometry;
    int64_t diskSize;
    uint8_t data[8];
};
static_assert(sizeof(GeometryExAnswer) == 40, "the extended geometry is asked with 40 bytes");
#pragma pack(pop)

uint64_t GeometryUnits(const DISK_GEOMETRY& g)
{
    if (g.Cylinders.QuadPart < 0)
        return 0;
    return static_cast<uint64_t>(g.Cylinders.QuadPart) * g.TracksPerCylinder * g.SectorsPerTrack * g.BytesPerSector / 512;
}

}  // namespace

uint64_t DiskIoGetPhysicalSize(uint32_t drive, uint32_t* bytesPerSector)
{
    if (bytesPerSector)
        *bytesPerSector = 0;
    DeviceAccess& io = DiskIoAccess();
    char path[80], fallback[80];
    PhysicalPath(drive, path, sizeof path);
    Partition0Path(drive, fallback, sizeof fallback);
    HANDLE h = io.Open(path, GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_WRITE_THROUGH);
    if (h == INVALID_HANDLE_VALUE)
        h = io.Open(path, 0, FILE_SHARE_READ, FILE_FLAG_WRITE_THROUGH);
    if (h == INVALID_HANDLE_VALUE)
        h = io.Open(fallback, GENERIC_READ, FILE_SHARE_READ, FILE_FLAG_WRITE_THROUGH);
    if (h == INVALID_HANDLE_VALUE)
        h = io.Open(fallback, 0, FILE_SHARE_READ, FILE_FLAG_WRITE_THROUGH);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    int64_t length = 0;
    if (!io.Control(h, kGetLengthInfo, &length, sizeof length, nullptr))
        length = 0;
    GeometryExAnswer ex;
    memset(&ex, 0, sizeof ex);
    if (!io.Control(h, kGetDriveGeometryEx, &ex, sizeof ex, nullptr))
        ex.diskSize = 0;
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    BOOL haveGeometry = io.Control(h, kGetDriveGeometry, &g, sizeof g, nullptr);
    io.Close(h);
    // All three candidates in 512-byte units: the layer never counts in anything else, the
    // document turns units into its own sectors once.
    uint64_t best = haveGeometry ? GeometryUnits(g) : 0;
    uint64_t fromLength = length > 0 ? static_cast<uint64_t>(length) / 512 : 0;
    uint64_t fromDiskSize = ex.diskSize > 0 ? static_cast<uint64_t>(ex.diskSize) / 512 : 0;
    if (fromLength > best)
        best = fromLength;
    if (fromDiskSize > best)
        best = fromDiskSize;
    // A drive that refuses the geometry but tells its length still has that size: answering 0
    // would pass it off as a small disk that needs no typed "OK" before a write. Its sector
    // size is then that of the extended geometry, else 512.
    uint32_t sectorBytes = g.BytesPerSector;
    if (!haveGeometry) {
        sectorBytes = 0;
        if (best != 0)
            sectorBytes = ex.diskSize > 0 && ex.geometry.BytesPerSector ? ex.geometry.BytesPerSector : 512;
    }
    if (bytesPerSector)
        *bytesPerSector = sectorBytes;
    return best;
}

uint64_t DiskIoGetSize(uint32_t code, uint32_t* bytesPerSector)
{
    // 0xC000, the image file, is measured by the document; a drive number no code can name
    // (32 and above) has no device to ask.
    if ((code & kPhysicalBit) && code != 0xC000u) {
        if ((code & ~kPhysicalBit) >= kMaxPhysical) {
            if (bytesPerSector)
                *bytesPerSector = 0;
            SetLastError(ERROR_INVALID_DRIVE);
            return 0;
        }
        return DiskIoGetPhysicalSize(code & ~kPhysicalBit, bytesPerSector);
    }
    if (bytesPerSector)
        *bytesPerSector = 0;
    if (code > 25) {                    // partition codes have no size of their own
        SetLastError(ERROR_INVALID_DRIVE);
        return 0;
    }
    DeviceAccess& io = DiskIoAccess();
    char path[16];
    LetterPath(code, path, sizeof path);
    char root[3] = { static_cast<char>('A' + code), ':', 0 };
    HANDLE h = io.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE)
        h = io.Open(path, 0, FILE_SHARE_READ, 0);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    BOOL haveGeometry = io.Control(h, kGetDriveGeometry, &g, sizeof g, nullptr);
    PartitionInfoAnswer part;
    memset(&part, 0, sizeof part);
    if (io.Control(h, kGetPartitionInfo, &part, sizeof part, nullptr)) {
        io.Close(h);
        if (bytesPerSector)
            *bytesPerSector = haveGeometry ? g.BytesPerSector : 512;
        return part.partitionLength > 0 ? static_cast<uint64_t>(part.partitionLength) / 512 : 0;
    }
    if (!haveGeometry)
        haveGeometry = io.Control(h, kCdromGetDriveGeometry, &g, sizeof g, nullptr);
    uint64_t total = 0;
    if (haveGeometry) {
        io.Close(h);
        if (bytesPerSector)
            *bytesPerSector = g.BytesPerSector;
        if (io.TotalVolumeBytes(root, &total))
            return total / 512;
        return GeometryUnits(g);
    }
    io.Close(h);
    // Neither geometry nor partition: what the volume says about its size (Wine's drives
    // mapped onto a host folder or file end here).
    if (io.TotalVolumeBytes(root, &total)) {
        if (bytesPerSector)
            *bytesPerSector = 512;
        return total / 512;
    }
    return 0;
}

BOOL DiskIoGetGeometry(uint32_t code, DISK_GEOMETRY* geometry)
{
    geometry->Cylinders.QuadPart = 1023;
    geometry->TracksPerCylinder = 255;
    geometry->SectorsPerTrack = 63;
    bool physical = (code & kPhysicalBit) != 0;
    uint32_t number = code & ~kPhysicalBit;
    if (number > 25) {
        SetLastError(ERROR_INVALID_DRIVE);
        return FALSE;
    }
    char path[80], fallback[80];
    fallback[0] = 0;
    if (physical) {
        PhysicalPath(number, path, sizeof path);
        Partition0Path(number, fallback, sizeof fallback);
    } else {
        LetterPath(number, path, sizeof path);
    }
    DeviceAccess& io = DiskIoAccess();
    HANDLE h = OpenWithFallback(path, fallback, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    // The answer goes to a copy: a refused query must leave the presets standing.
    DISK_GEOMETRY answer = *geometry;
    BOOL ok = io.Control(h, kGetDriveGeometry, &answer, sizeof answer, nullptr);
    DWORD err = GetLastError();
    io.Close(h);
    if (ok)
        *geometry = answer;
    SetLastError(ok ? 0 : err);
    return ok;
}

BOOL DiskIoQuerySymbolicLink(const char* name, char* target, int size)
{
    if (size < 1)
        return FALSE;
    return DiskIoAccess().QuerySymbolicLink(name, target, size);
}

uint32_t DiskIoLetterToPartition(int letter, int* partition)
{
    if (partition)
        *partition = -1;
    if (letter < 0 || letter > 25) {
        SetLastError(ERROR_INVALID_DRIVE);
        return 0;
    }
    DeviceAccess& io = DiskIoAccess();
    char path[16];
    LetterPath(static_cast<uint32_t>(letter), path, sizeof path);
    HANDLE h = io.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    // VOLUME_DISK_EXTENTS: count, padding, then 24-byte extents starting with the disk number.
    uint8_t extents[200];
    memset(extents, 0, sizeof extents);
    BOOL ok = io.Control(h, kGetVolumeDiskExtents, extents, sizeof extents, nullptr);
    io.Close(h);
    uint32_t count = 0, disk = 0;
    memcpy(&count, extents, 4);
    memcpy(&disk, extents + 8, 4);
    // A disk number the drive codes cannot name (32 and above) is no answer either.
    if (!ok || count == 0 || disk >= kMaxPhysical) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    if (partition) {
        char linkName[32], letterTarget[64], partTarget[64];
        StrNPrintf(linkName, sizeof linkName, "\\GLOBAL??\\%c:", 'A' + letter);
        if (DiskIoQuerySymbolicLink(linkName, letterTarget, sizeof letterTarget)) {
            for (int i = 0; i < 8; ++i) {
                StrNPrintf(linkName, sizeof linkName, "\\Device\\Harddisk%i\\Partition%i", static_cast<int>(disk), i);
                if (DiskIoQuerySymbolicLink(linkName, partTarget, sizeof partTarget) &&
                    lstrcmpiA(partTarget, letterTarget) == 0) {
                    *partition = i;
                    break;
                }
            }
        }
    }
    return kPhysicalBit + disk;
}
