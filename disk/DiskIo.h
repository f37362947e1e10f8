// The device access layer: whole 512-byte units between memory and a drive letter, a
// physical disk or one partition of a disk, plus the size, geometry and "which disk holds
// this letter" questions. The free functions keep no handle open between calls: every
// transfer opens the device, positions, transfers and closes. The medium the document shows
// is the exception: a DeviceHold keeps its device open from the moment it is made current,
// so that its reads and writes reach that device and no other one put in behind the same
// letter or number later. Image files are the document's business.
//
// Every call that reaches the system goes through a DeviceAccess object, so the rules of
// which path is tried first, which fallback follows and how the size candidates combine run
// unchanged over an image-backed stand-in for a physical disk.
#pragma once
#include <windows.h>
#include <winioctl.h>
#include <stdint.h>
#include "services/OpenFile.h"

// The system calls of the layer. The default object passes them to the system; a stand-in
// may return handles of ordinary files (positioning, reading and writing then go to
// SetFilePointerEx/ReadFile/WriteFile of that handle through the members below).
class DeviceAccess
{
public:
    virtual ~DeviceAccess() {}

    virtual HANDLE Open(const char* path, DWORD access, DWORD share, DWORD flags);
    virtual void Close(HANDLE handle);
    // SetFilePointer semantics: low part in, high part in/out; the new low part returned.
    virtual DWORD Seek(HANDLE handle, LONG low, LONG* high);
    virtual BOOL Read(HANDLE handle, void* buffer, DWORD bytes, DWORD* done);
    virtual BOOL Write(HANDLE handle, const void* buffer, DWORD bytes, DWORD* done);
    virtual BOOL Control(HANDLE handle, DWORD code, void* out, DWORD outSize, DWORD* returned);
    // Total bytes of the volume with that root ("Q:"); false when refused.
    virtual BOOL TotalVolumeBytes(const char* root, uint64_t* total);
    // The target of an object-manager symbolic link, empty when there is none.
    virtual BOOL QuerySymbolicLink(const char* name, char* target, int size);
    // A control call that takes an input block (the storage property query).
    virtual BOOL Query(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* returned);
    // The size of the ordinary file a device path led to: Wine reads a drive letter or a
    // physical drive raw from the file its dosdevices link names, and such a handle answers no
    // disk question. False for a real device.
    virtual BOOL FileSize(HANDLE handle, uint64_t* size);
    // Which file such a handle reads (its whole identity); false for a real device.
    virtual bool FileBehind(HANDLE handle, FileIdentity* file);
};

// The object every call of the layer uses; null restores the system's own. Returns the
// previous one. Tests install their stand-in for the length of a test.
DeviceAccess* DiskIoSetAccess(DeviceAccess* access);
DeviceAccess& DiskIoAccess();

// The device path of a drive code and whether it has a fallback path ("...Partition0" of the
// same disk). False with last error 15 for a code that names no device.
bool DiskIoDevicePath(uint32_t driveCode, char* path, int size, char* fallback, int fallbackSize);

BOOL DiskIoRead(uint32_t driveCode, uint32_t unitCount, uint64_t unitOffset, void* buffer);
BOOL DiskIoWrite(uint32_t driveCode, uint32_t unitCount, uint64_t unitOffset, const void* buffer);

// Size in 512-byte units, 0 when not found; *bytesPerSector (may be null) the sector size or 0.
// A drive letter is measured by its partition, else by its own length, else (a drive Wine
// reads raw from a file) by that file, and only then by its volume's total bytes.
uint64_t DiskIoGetSize(uint32_t driveCode, uint32_t* bytesPerSector);
// The same for physical drive n. Every candidate is counted in 512-byte units; without the
// geometry the length and the extended geometry's disk size still count, and without any of
// them the size of the file a file-backed drive reads; 0 only when nothing answers.
uint64_t DiskIoGetPhysicalSize(uint32_t driveNumber, uint32_t* bytesPerSector);

// Presets 1023 cylinders, 255 tracks per cylinder, 63 sectors per track, then asks the
// drive. Nonzero when the drive answered.
BOOL DiskIoGetGeometry(uint32_t driveCode, DISK_GEOMETRY* geometry);

// The physical drive (0x8000 + disk number) that holds drive letter index (0 = A), or 0;
// *partition (may be null) the partition number behind the letter, -1 when not found.
uint32_t DiskIoLetterToPartition(int letter, int* partition);

// Target of an object-manager symbolic link through ntdll; false when empty or refused.
BOOL DiskIoQuerySymbolicLink(const char* name, char* target, int size);

// The drive codes the layer accepts for a read: a letter 0 to 25, a physical drive below 32,
// a partition code whose part below 0x4000 is under 1024.
bool DiskIoIsValidCode(uint32_t driveCode);

// What the system tells of the device behind a handle, to know it again by: the file a
// file-backed drive reads (Wine), the storage number of the disk (type, disk and partition
// number) and the disk's descriptor (vendor, product, revision and serial number). A part the
// system does not answer stays unknown; two identities agree only where both know the same
// parts and those parts are alike.
struct DeviceIdentity
{
    FileIdentity file;
    bool numberKnown = false;
    uint32_t deviceType = 0;
    uint32_t deviceNumber = 0;
    uint32_t partitionNumber = 0;
    bool descriptorKnown = false;
    char descriptor[160] = {};

    // Asks the handle.
    void Learn(HANDLE handle);
    bool SameDeviceAs(const DeviceIdentity& other) const;
};

// A drive letter, physical drive or partition held open from the moment it was made the
// medium shown. Every read and write of that medium goes through this one handle: a disk or
// stick swapped in behind the same letter or number later is a device object of its own,
// which the handle never reaches. Before a write the caller asks StillTheOneOpened, which
// compares what the system tells of the device now, behind the name and behind the handle,
// with what it told at the open (a card swapped in the same reader keeps the device object,
// and only its media change count tells).
class DeviceHold
{
public:
    DeviceHold();
    ~DeviceHold();
    DeviceHold(const DeviceHold&) = delete;
    DeviceHold& operator=(const DeviceHold&) = delete;

    // Opens the device of the drive code for reading and writing (for reading only where
    // writing is refused, a CD or a write-protected stick) and notes what the system tells of
    // it. False with the system's last error when it does not open.
    bool Open(uint32_t driveCode);
    void Release();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    uint32_t Code() const { return m_code; }
    // The held handle, for questions about the file behind a file-backed drive.
    HANDLE Handle() const { return m_handle; }

    // The transfers of DiskIoRead and DiskIoWrite through the held handle; writes go only to
    // drive letters and whole physical drives (last error 6 otherwise).
    BOOL Read(uint32_t unitCount, uint64_t unitOffset, void* buffer);
    BOOL Write(uint32_t unitCount, uint64_t unitOffset, const void* buffer);
    // The same, but only while the units still hold `expected` (unitCount * 512 bytes): they
    // are read again first, so that a sector changed by another program since it was read is
    // not written over. False without a write when the read fails, or when the units hold
    // other bytes: last error ERROR_MEDIA_CHANGED and *changed (may be null) true.
    BOOL WriteIfUnchanged(uint32_t unitCount, uint64_t unitOffset, const void* buffer, const void* expected,
                          bool* changed);
    // The medium's size in 512-byte units as DiskIoGetSize answers it, asked of the held handle.
    uint64_t Size(uint32_t* bytesPerSector);
    // Whether the name still leads to the device held (the same file behind a file-backed
    // drive, the same disk number and descriptor) and the device still holds the medium it
    // held at the open (its media change count, where it keeps one). False when the name
    // opens nothing now or the held handle no longer answers.
    bool StillTheOneOpened();

private:
    // One transfer through the held handle (a write only to a letter or whole physical drive).
    BOOL Transfer(bool write, uint32_t unitCount, uint64_t unitOffset, void* buffer);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    uint32_t m_code = 0xFFFFFFFFu;
    DeviceIdentity m_identity;
    bool m_changesKnown = false;
    uint32_t m_changes = 0;
    // The worker of a long command and the user-interface thread may both reach the handle;
    // a position and its transfer must not be split.
    CRITICAL_SECTION m_lock;
};

// Whether the medium of a drive code can be opened at all: its device opens and reads its
// first sector, or fails that read only as a damaged medium does (a bad sector 0 leaves the
// rest of the disk to be read). A drive letter Wine knows only as a folder, a physical drive
// that is not there and an empty drive fail.
bool DiskIoMediumOpens(uint32_t driveCode);
