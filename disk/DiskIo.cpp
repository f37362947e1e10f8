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

BOOL DeviceAccess::Query(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned)
{
    DWORD dummy = 0;
    return DeviceIoControl(handle, code, const_cast<void*>(in), inSize, out, outSize, returned ? returned : &dummy,
                           nullptr);
}

BOOL DeviceAccess::FileSize(HANDLE handle, uint64_t* size)
{
    OpenFileFacts facts;
    if (IsDeviceHandle(handle, &facts))
        return FALSE;
    *size = facts.size;
    return TRUE;
}

bool DeviceAccess::FileBehind(HANDLE handle, FileIdentity* file)
{
    *file = FileIdentity();
    OpenFileFacts facts;
    if (IsDeviceHandle(handle, &facts))
        return false;
    *file = IdentityOf(facts);
    if (CompleteIdentity(handle, file))
        return true;
    *file = FileIdentity();
    return false;
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

namespace {

// Whole units at a unit offset of an open device, with the positioning rules of a read: a
// position counts only when both halves came back as asked.
BOOL ReadUnitsAt(DeviceAccess& io, HANDLE h, uint32_t unitCount, uint64_t unitOffset, void* buffer)
{
    uint64_t byteOffset = unitOffset * 512;
    LONG low = static_cast<LONG>(byteOffset & 0xFFFFFFFFu);
    LONG high = static_cast<LONG>(byteOffset >> 32);
    LONG highIn = high;
    DWORD reached = io.Seek(h, low, &high);
    // A position counts only when both halves came back as asked: the invalid-position
    // value is also a legal low half, so the value alone says nothing.
    if (reached != static_cast<DWORD>(low) || high != highIn) {
        if (GetLastError() == 0)
            SetLastError(ERROR_SEEK);
        return FALSE;
    }
    DWORD bytes = unitCount * 512;
    DWORD done = 0;
    BOOL ok = io.Read(h, buffer, bytes, &done) && done == bytes;
    DWORD err = GetLastError();
    // A short read at the end of a device fails without an error of its own; the caller
    // must not find "success" in the last error of a failed read.
    if (!ok && err == 0)
        err = ERROR_HANDLE_EOF;
    SetLastError(ok ? 0 : err);
    return ok;
}

BOOL WriteUnitsAt(DeviceAccess& io, HANDLE h, uint32_t unitCount, uint64_t unitOffset, const void* buffer)
{
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
        if (GetLastError() == 0)
            SetLastError(ERROR_SEEK);
        return FALSE;
    }
    DWORD bytes = unitCount * 512;
    DWORD done = 0;
    BOOL ok = io.Write(h, buffer, bytes, &done) && done == bytes;
    DWORD err = GetLastError();
    if (!ok && err == 0)
        err = ERROR_WRITE_FAULT;
    SetLastError(ok ? 0 : err);
    return ok;
}

// Writes go only to letters and whole physical drives: a partition path is for reading.
bool WritableCode(uint32_t code)
{
    const bool physical = (code & kPhysicalBit) && (code & ~kPhysicalBit) < kMaxPhysical;
    return physical || code <= 25;
}

// One transfer through a handle of its own: the code's device opened for it (its path, then
// the fallback), the units moved and the handle closed again, with the transfer's last error.
// A write goes only to a letter or a whole physical drive.
BOOL TransferOnce(uint32_t code, bool write, uint32_t unitCount, uint64_t unitOffset, void* buffer)
{
    if (write && !WritableCode(code)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    char path[80], fallback[80];
    if (!DiskIoDevicePath(code, path, sizeof path, fallback, sizeof fallback) || !TransferFits(unitCount, unitOffset))
        return FALSE;
    DeviceAccess& io = DiskIoAccess();
    const DWORD access = write ? GENERIC_WRITE : GENERIC_READ;
    HANDLE h = OpenWithFallback(path, fallback, access, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL ok = write ? WriteUnitsAt(io, h, unitCount, unitOffset, buffer)
                    : ReadUnitsAt(io, h, unitCount, unitOffset, buffer);
    DWORD err = GetLastError();
    io.Close(h);
    SetLastError(ok ? 0 : err);
    return ok;
}

}  // namespace

BOOL DiskIoRead(uint32_t code, uint32_t unitCount, uint64_t unitOffset, void* buffer)
{
    return TransferOnce(code, false, unitCount, unitOffset, buffer);
}

BOOL DiskIoWrite(uint32_t code, uint32_t unitCount, uint64_t unitOffset, const void* buffer)
{
    return TransferOnce(code, true, unitCount, unitOffset, const_cast<void*>(buffer));
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

namespace {

// The size of a physical drive, asked of an open handle of it.
uint64_t PhysicalUnits(DeviceAccess& io, HANDLE h, uint32_t* bytesPerSector)
{
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
    // Wine reaches a physical drive whose dosdevices link names a file as that file, which
    // answers no disk question: its size is the file's. Without it every range on the drive
    // would be refused as running past a medium of no sectors.
    uint64_t fileBytes = 0;
    if (best == 0 && !haveGeometry && io.FileSize(h, &fileBytes) && fileBytes / 512 != 0) {
        best = fileBytes / 512;
        sectorBytes = 512;
    }
    if (bytesPerSector)
        *bytesPerSector = sectorBytes;
    return best;
}

// The size of drive letter `code`, asked of an open handle of it.
uint64_t LetterUnits(DeviceAccess& io, HANDLE h, uint32_t code, uint32_t* bytesPerSector)
{
    if (bytesPerSector)
        *bytesPerSector = 0;
    char root[3] = { static_cast<char>('A' + code), ':', 0 };
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    BOOL haveGeometry = io.Control(h, kGetDriveGeometry, &g, sizeof g, nullptr);
    PartitionInfoAnswer part;
    memset(&part, 0, sizeof part);
    if (io.Control(h, kGetPartitionInfo, &part, sizeof part, nullptr)) {
        if (bytesPerSector)
            *bytesPerSector = haveGeometry ? g.BytesPerSector : 512;
        return part.partitionLength > 0 ? static_cast<uint64_t>(part.partitionLength) / 512 : 0;
    }
    if (!haveGeometry)
        haveGeometry = io.Control(h, kCdromGetDriveGeometry, &g, sizeof g, nullptr);
    // The device's own length comes before what its volume says of itself: the volume's total
    // is the file system's size, and a range up to it may run past the last sector.
    int64_t length = 0;
    if (io.Control(h, kGetLengthInfo, &length, sizeof length, nullptr) && length > 0) {
        if (bytesPerSector)
            *bytesPerSector = haveGeometry && g.BytesPerSector ? g.BytesPerSector : 512;
        return static_cast<uint64_t>(length) / 512;
    }
    // Wine reads a drive letter whose "x::" link names a file raw from that file; its volume
    // answers with the size of the host's file system (for a 16 MB file some 270 GB), behind
    // which every write grows the file.
    uint64_t fileBytes = 0;
    if (io.FileSize(h, &fileBytes)) {
        if (bytesPerSector)
            *bytesPerSector = 512;
        return fileBytes / 512;
    }
    uint64_t total = 0;
    if (haveGeometry) {
        if (bytesPerSector)
            *bytesPerSector = g.BytesPerSector;
        if (io.TotalVolumeBytes(root, &total))
            return total / 512;
        return GeometryUnits(g);
    }
    // Neither geometry nor partition: what the volume says about its size (Wine's drives
    // mapped onto a host folder end here).
    if (io.TotalVolumeBytes(root, &total)) {
        if (bytesPerSector)
            *bytesPerSector = 512;
        return total / 512;
    }
    return 0;
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
    const uint64_t units = PhysicalUnits(io, h, bytesPerSector);
    io.Close(h);
    return units;
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
    HANDLE h = io.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (h == INVALID_HANDLE_VALUE)
        h = io.Open(path, 0, FILE_SHARE_READ, 0);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    const uint64_t units = LetterUnits(io, h, code, bytesPerSector);
    io.Close(h);
    return units;
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

// ---------------------------------------------------------------- the medium held open

namespace {

const DWORD kStorageGetDeviceNumber = 0x002D1080;   // IOCTL_STORAGE_GET_DEVICE_NUMBER
const DWORD kStorageQueryProperty = 0x002D1400;     // IOCTL_STORAGE_QUERY_PROPERTY
const DWORD kStorageCheckVerify2 = 0x002D0800;      // IOCTL_STORAGE_CHECK_VERIFY2, any access

#pragma pack(push, 1)
struct DeviceNumberAnswer           // STORAGE_DEVICE_NUMBER
{
    uint32_t deviceType;
    uint32_t deviceNumber;
    uint32_t partitionNumber;
};
struct PropertyQuery                // STORAGE_PROPERTY_QUERY: the device's own descriptor
{
    uint32_t propertyId;            // 0: the device
    uint32_t queryType;             // 0: its value
    uint8_t additional[4];
};
#pragma pack(pop)

// Where STORAGE_DEVICE_DESCRIPTOR keeps the offsets of its four texts: vendor, product,
// revision, serial number. An offset of 0 names no text.
const DWORD kDescriptorTextOffsets[] = { 12, 16, 20, 24 };

// Appends the descriptor's text at `offset` (bounded by the bytes answered) and a separator.
void AppendDescriptorText(const uint8_t* answer, DWORD answered, DWORD offset, char* out, size_t size)
{
    size_t n = strlen(out);
    if (offset != 0 && offset < answered) {
        for (DWORD i = offset; i < answered && answer[i] != 0 && n + 2 < size; ++i)
            out[n++] = static_cast<char>(answer[i]);
    }
    if (n + 1 < size)
        out[n++] = '|';
    out[n] = 0;
}

// Media errors of a sector: the medium is there and the rest of it may read.
bool IsMediumFault(DWORD error)
{
    return error == ERROR_CRC || error == ERROR_SEEK || error == ERROR_SECTOR_NOT_FOUND ||
           error == ERROR_READ_FAULT || error == ERROR_IO_DEVICE || error == 483;   // ERROR_DEVICE_HARDWARE_ERROR
}

}  // namespace

void DeviceIdentity::Learn(HANDLE handle)
{
    *this = DeviceIdentity();
    DeviceAccess& io = DiskIoAccess();
    if (!io.FileBehind(handle, &file))
        file = FileIdentity();
    DeviceNumberAnswer number;
    memset(&number, 0, sizeof number);
    DWORD returned = 0;
    if (io.Control(handle, kStorageGetDeviceNumber, &number, sizeof number, &returned) && returned >= sizeof number) {
        numberKnown = true;
        deviceType = number.deviceType;
        deviceNumber = number.deviceNumber;
        partitionNumber = number.partitionNumber;
    }
    PropertyQuery query;
    memset(&query, 0, sizeof query);
    uint8_t answer[1024];
    memset(answer, 0, sizeof answer);
    returned = 0;
    if (io.Query(handle, kStorageQueryProperty, &query, sizeof query, answer, sizeof answer, &returned) &&
        returned >= 28) {
        const DWORD answered = returned < sizeof answer ? returned : static_cast<DWORD>(sizeof answer);
        descriptorKnown = true;
        for (DWORD at : kDescriptorTextOffsets) {
            uint32_t offset = 0;
            memcpy(&offset, answer + at, sizeof offset);
            AppendDescriptorText(answer, answered, offset, descriptor, sizeof descriptor);
        }
    }
}

bool DeviceIdentity::SameDeviceAs(const DeviceIdentity& other) const
{
    // What one side was told and the other not is no agreement: a device that no longer
    // answers (pulled, powered off) is not the one that did.
    if (file.known != other.file.known || (file.known && !file.SameFileAs(other.file)))
        return false;
    if (numberKnown != other.numberKnown ||
        (numberKnown && (deviceType != other.deviceType || deviceNumber != other.deviceNumber ||
                         partitionNumber != other.partitionNumber)))
        return false;
    if (descriptorKnown != other.descriptorKnown || (descriptorKnown && strcmp(descriptor, other.descriptor) != 0))
        return false;
    return true;
}

DeviceHold::DeviceHold()
{
    InitializeCriticalSection(&m_lock);
}

DeviceHold::~DeviceHold()
{
    Release();
    DeleteCriticalSection(&m_lock);
}

bool DeviceHold::Open(uint32_t code)
{
    Release();
    char path[80], fallback[80];
    if (!DiskIoDevicePath(code, path, sizeof path, fallback, sizeof fallback))
        return false;
    DeviceAccess& io = DiskIoAccess();
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (WritableCode(code))
        h = OpenWithFallback(path, fallback, GENERIC_READ | GENERIC_WRITE, share, 0);
    if (h == INVALID_HANDLE_VALUE)
        h = OpenWithFallback(path, fallback, GENERIC_READ, share, 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m_handle = h;
    m_code = code;
    m_identity.Learn(h);
    uint32_t changes = 0;
    DWORD returned = 0;
    m_changesKnown = io.Control(h, kStorageCheckVerify2, &changes, sizeof changes, &returned) &&
                     returned >= sizeof changes;
    m_changes = m_changesKnown ? changes : 0;
    SetLastError(0);
    return true;
}

void DeviceHold::Release()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        DiskIoAccess().Close(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    m_code = 0xFFFFFFFFu;
    m_identity = DeviceIdentity();
    m_changesKnown = false;
    m_changes = 0;
}

BOOL DeviceHold::Transfer(bool write, uint32_t unitCount, uint64_t unitOffset, void* buffer)
{
    if (!IsOpen() || (write && !WritableCode(m_code))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!TransferFits(unitCount, unitOffset))
        return FALSE;
    EnterCriticalSection(&m_lock);
    // A drive that Wine reads raw from a file is never grown: the file may have been cut
    // short since it was measured, and a write behind its end now would make it longer again,
    // as no disk ever becomes.
    uint64_t fileSize = 0;
    if (write && DiskIoAccess().FileSize(m_handle, &fileSize) && (unitOffset + unitCount) * 512 > fileSize) {
        LeaveCriticalSection(&m_lock);
        SetLastError(ERROR_HANDLE_EOF);
        return FALSE;
    }
    const BOOL ok = write ? WriteUnitsAt(DiskIoAccess(), m_handle, unitCount, unitOffset, buffer)
                          : ReadUnitsAt(DiskIoAccess(), m_handle, unitCount, unitOffset, buffer);
    const DWORD err = GetLastError();
    LeaveCriticalSection(&m_lock);
    SetLastError(err);
    return ok;
}

BOOL DeviceHold::Read(uint32_t unitCount, uint64_t unitOffset, void* buffer)
{
    return Transfer(false, unitCount, unitOffset, buffer);
}

BOOL DeviceHold::Write(uint32_t unitCount, uint64_t unitOffset, const void* buffer)
{
    return Transfer(true, unitCount, unitOffset, const_cast<void*>(buffer));
}

BOOL DeviceHold::WriteIfUnchanged(uint32_t unitCount, uint64_t unitOffset, const void* buffer, const void* expected,
                                  bool* changed)
{
    if (changed)
        *changed = false;
    // What no write may reach is refused before anything is read.
    if (!IsOpen() || !WritableCode(m_code)) {
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
    if (!Read(unitCount, unitOffset, now)) {
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
    return Write(unitCount, unitOffset, buffer);
}

uint64_t DeviceHold::Size(uint32_t* bytesPerSector)
{
    if (bytesPerSector)
        *bytesPerSector = 0;
    if (!IsOpen())
        return 0;
    DeviceAccess& io = DiskIoAccess();
    if (m_code & kPhysicalBit)
        return PhysicalUnits(io, m_handle, bytesPerSector);
    if (m_code <= 25)
        return LetterUnits(io, m_handle, m_code, bytesPerSector);
    return 0;                           // partition codes have no size of their own
}

bool DeviceHold::StillTheOneOpened()
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DeviceAccess& io = DiskIoAccess();
    // A card swapped in the same reader is the same device object: only the count of media
    // changes the reader keeps tells the new card from the old one.
    if (m_changesKnown) {
        uint32_t changes = 0;
        DWORD returned = 0;
        if (!io.Control(m_handle, kStorageCheckVerify2, &changes, sizeof changes, &returned) ||
            returned < sizeof changes || changes != m_changes) {
            SetLastError(ERROR_MEDIA_CHANGED);
            return false;
        }
    }
    // The held device as it answers now: a device pulled out answers nothing any more.
    DeviceIdentity held;
    held.Learn(m_handle);
    // And the device the name leads to now: another disk behind the same number or letter
    // answers as another device (another file behind Wine's link, another disk number or
    // serial number).
    char path[80], fallback[80];
    if (!DiskIoDevicePath(m_code, path, sizeof path, fallback, sizeof fallback))
        return false;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE h = OpenWithFallback(path, fallback, GENERIC_READ, share, 0);
    if (h == INVALID_HANDLE_VALUE)
        h = OpenWithFallback(path, fallback, 0, share, 0);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_MEDIA_CHANGED);
        return false;
    }
    DeviceIdentity named;
    named.Learn(h);
    io.Close(h);
    if (!held.SameDeviceAs(m_identity) || !named.SameDeviceAs(m_identity)) {
        SetLastError(ERROR_MEDIA_CHANGED);
        return false;
    }
    return true;
}

bool DiskIoMediumOpens(uint32_t code)
{
    DeviceHold hold;
    if (!hold.Open(code))
        return false;
    // One whole sector of the medium's own size: a CD takes no shorter read.
    uint32_t bytesPerSector = 0;
    hold.Size(&bytesPerSector);
    uint32_t units = bytesPerSector / 512;
    units = units < 1 ? 1 : (units > 128 ? 128 : units);
    uint8_t* sector = static_cast<uint8_t*>(malloc(static_cast<size_t>(units) * 512));
    if (!sector)
        return false;
    const bool read = hold.Read(units, 0, sector) != FALSE;
    const DWORD err = GetLastError();
    free(sector);
    return read || IsMediumFault(err);
}
