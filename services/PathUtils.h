// Path and file queries of the 8-bit (ANSI) Windows API. NULL paths count as empty.
#pragma once
#include <windows.h>

enum PathType
{
    PATH_MISSING = 0,
    PATH_FILE = 1,
    PATH_FOLDER = 2,
    PATH_DRIVE_ROOT = 3,
};

// 0 missing, 1 file, 2 folder, 3 drive root ("C:", "C:\" or "C:/", whose letter must be
// among the logical drives present).
int GetPathTypeA(const char* path);

// The file's size in *size (may be NULL). Returns the low 32 bits of the size, or -1
// (0xFFFFFFFF, *size all ones) when the path is missing or a folder; a file whose low
// 32 bits are all ones gives -2 (0xFFFFFFFE), so that -1 always means failure.
DWORD GetFileSize64A(const char* path, unsigned long long* size);

// True when the name alone says device or volume: "\\.\R:", "\\.\PhysicalDrive0",
// "\\?\GLOBALROOT\...", "\\?\Volume{...}", the NT form "\??\R:", a drive's root, the reserved
// names CON, NUL, COM1 ... in any folder, and a name that ends in ":" (Wine's raw-drive links
// "dosdevices\r::"). The long forms "\\?\C:\dir\file", "\??\C:\dir\file" and their UNC forms are
// files. Asks nothing of the system.
bool IsDeviceNameA(const char* path);

// True when the path names a device or volume rather than a file: a device name as above, or
// an existing path that opens as anything but an ordinary file or folder (a disk reached as
// "Z:\dev\sdb" under Wine, through a link or in any other spelling). Opening such a name for
// writing writes to the device itself.
bool IsDevicePathA(const char* path);

// The 1-based index of the path's extension (behind the last "." of the file-name part) in
// the list of extensions separated by ";" ("bin;img;iso;fat"), compared without regard to
// case; 0 when it is not in the list or the path has none. `pathLength` -1: up to the NUL.
int MatchExtensionListA(const char* path, const char* list, int pathLength = -1);

// The file-name part of the path: behind the last "\", "/" or ":". *length (may be NULL)
// gets its length. A NULL path gives an empty text.
const char* GetFileNamePart(const char* path, int* length = nullptr);
inline char* GetFileNamePart(char* path, int* length = nullptr)
{
    return const_cast<char*>(GetFileNamePart(static_cast<const char*>(path), length));
}
inline const char* FindPathNameA(const char* path)
{
    return GetFileNamePart(path);
}
inline char* FindPathNameA(char* path)
{
    return GetFileNamePart(path);
}

// Appends "\" unless the path is empty or already ends in "\" or "/"; the buffer must have
// room for one more character and the NUL. `length` -1 measures the path. Returns the new
// length (0 for NULL).
int AddPathSeparatorA(char* path, int length = -1);
