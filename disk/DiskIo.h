// The device access layer: whole 512-byte units between memory and a drive letter, a
// physical disk or one partition of a disk, plus the size, geometry and "which disk holds
// this letter" questions. No handle stays open between calls: every transfer opens the
// device, positions, transfers and closes. Image files are the document's business.
//
// Every call that reaches the system goes through a DeviceAccess object, so the rules of
// which path is tried first, which fallback follows and how the size candidates combine run
// unchanged over an image-backed stand-in for a physical disk.
#pragma once
#include <windows.h>
#include <winioctl.h>
#include <stdint.h>

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
// The same, but only while the units still hold `expected` (unitCount * 512 bytes): they are
// read again first, so that another disk or stick put in behind the same drive number or
// letter, or a sector changed by another program, is not written over. False without a write
// when the read fails, or when the units hold other bytes: last error ERROR_MEDIA_CHANGED and
// *changed (may be null) true.
BOOL DiskIoWriteIfUnchanged(uint32_t driveCode, uint32_t unitCount, uint64_t unitOffset, const void* buffer,
                            const void* expected, bool* changed);

// Size in 512-byte units, 0 when not found; *bytesPerSector (may be null) the sector size or 0.
uint64_t DiskIoGetSize(uint32_t driveCode, uint32_t* bytesPerSector);
// The same for physical drive n. Every candidate is counted in 512-byte units; without the
// geometry the length and the extended geometry's disk size still count, 0 only when no
// question is answered.
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
