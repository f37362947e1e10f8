#include "services/PathUtils.h"

#include "services/CaseFold.h"
#include "services/OpenFile.h"

#include <cstring>

namespace {

// "X:" optionally followed by one "\" or "/": the root of drive X (0-25), else -1.
int DriveRootLetter(const char* path)
{
    unsigned char letter = static_cast<unsigned char>(path[0]);
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) || path[1] != ':')
        return -1;
    if (path[2] == '\0' || ((path[2] == '\\' || path[2] == '/') && path[3] == '\0'))
        return FoldCase1252(letter) - 'a';
    return -1;
}

}  // namespace

int GetPathTypeA(const char* path)
{
    if (!path || path[0] == '\0')
        return PATH_MISSING;
    int drive = DriveRootLetter(path);
    if (drive >= 0)
        return (GetLogicalDrives() >> drive) & 1 ? PATH_DRIVE_ROOT : PATH_MISSING;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PATH_MISSING;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PATH_FOLDER : PATH_FILE;
}

namespace {

bool IsSlash(char c)
{
    return c == '\\' || c == '/';
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "\\?\C:\dir\file" and "\\?\UNC\server\share\file" are long forms of ordinary paths;
// everything else behind "\\?\" is a device or volume ("\\?\GLOBALROOT\...", "\\?\Volume{...}",
// "\\?\C:" alone).
bool IsLongFilePath(const char* rest)
{
    if (IsLetter(rest[0]) && rest[1] == ':' && IsSlash(rest[2]) && rest[3] != '\0')
        return true;
    return _strnicmp(rest, "UNC\\", 4) == 0 && rest[4] != '\0';
}

// The names the system gives to devices in every folder, with or without an extension.
bool IsReservedDeviceName(const char* name)
{
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    int length = 0;
    while (name[length] && name[length] != '.')
        ++length;
    while (length > 0 && (name[length - 1] == ' ' || name[length - 1] == ':'))
        --length;
    for (const char* reserved : kNames) {
        const int n = static_cast<int>(strlen(reserved));
        if (length == n && CompareBytes1252(name, n, reserved, n, true) == 0)
            return true;
    }
    // COM1 .. COM9 and LPT1 .. LPT9.
    return length == 4 && name[3] >= '1' && name[3] <= '9' &&
           (CompareBytes1252(name, 3, "COM", 3, true) == 0 || CompareBytes1252(name, 3, "LPT", 3, true) == 0);
}

// A name whose last part ends in ":" once the trailing dots and blanks the system drops are
// gone: "r::" and "r:" are Wine's links of a raw drive and of its folder, "C:" a drive.
bool EndsInColon(const char* path)
{
    size_t n = strlen(path);
    while (n > 0 && (path[n - 1] == '.' || path[n - 1] == ' '))
        --n;
    return n > 0 && path[n - 1] == ':';
}

}  // namespace

bool IsDeviceNameA(const char* path)
{
    if (!path || path[0] == '\0')
        return false;
    // "\\.\", "\\?\" and the NT prefix "\??\", which the system passes through unchanged.
    const bool win32Prefix = IsSlash(path[0]) && IsSlash(path[1]) && (path[2] == '.' || path[2] == '?') && IsSlash(path[3]);
    const bool ntPrefix = IsSlash(path[0]) && path[1] == '?' && path[2] == '?' && IsSlash(path[3]);
    if ((win32Prefix || ntPrefix) && !(path[2] == '?' && IsLongFilePath(path + 4)))
        return true;
    if (IsLetter(path[0]) && path[1] == ':' && (path[2] == '\0' || (IsSlash(path[2]) && path[3] == '\0')))
        return true;
    return IsReservedDeviceName(GetFileNamePart(path)) || EndsInColon(path);
}

bool IsDevicePathA(const char* path)
{
    if (IsDeviceNameA(path))
        return true;
    if (!path || path[0] == '\0')
        return false;
    // No access asked: the question works beside any other program's handles. A disk under
    // Wine has no attributes, so the handle is asked whatever the name's attributes say.
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;                       // not there yet: the write's own open asks again
    const bool device = IsDeviceHandle(h);
    CloseHandle(h);
    return device;
}

DWORD GetFileSize64A(const char* path, unsigned long long* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || path[0] == '\0' || !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (size)
            *size = ~0ull;
        return 0xFFFFFFFFu;
    }
    if (size)
        *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return data.nFileSizeLow == 0xFFFFFFFFu ? 0xFFFFFFFEu : data.nFileSizeLow;
}

int MatchExtensionListA(const char* path, const char* list, int pathLength)
{
    if (!path || !list)
        return 0;
    int length = 0;
    while ((pathLength < 0 || length < pathLength) && path[length] != '\0')
        ++length;
    int nameStart = 0;
    int dot = -1;
    for (int i = 0; i < length; ++i) {
        char ch = path[i];
        if (ch == '\\' || ch == '/' || ch == ':') {
            nameStart = i + 1;
            dot = -1;
        } else if (ch == '.') {
            dot = i;
        }
    }
    if (dot < nameStart || dot + 1 >= length)
        return 0;
    const char* extension = path + dot + 1;
    int extensionLength = length - dot - 1;

    int index = 1;
    const char* entry = list;
    for (;;) {
        const char* end = strchr(entry, ';');
        int entryLength = end ? static_cast<int>(end - entry) : static_cast<int>(strlen(entry));
        if (entryLength == extensionLength &&
            CompareBytes1252(entry, entryLength, extension, extensionLength, true) == 0)
            return index;
        if (!end)
            return 0;
        entry = end + 1;
        ++index;
    }
}

const char* GetFileNamePart(const char* path, int* length)
{
    if (!path)
        path = "";
    const char* name = path;
    const char* p = path;
    for (; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    if (length)
        *length = static_cast<int>(p - name);
    return name;
}

int AddPathSeparatorA(char* path, int length)
{
    if (!path)
        return 0;
    if (length < 0)
        length = static_cast<int>(strlen(path));
    // An empty folder is the current one: a backslash would turn it into the root of the
    // current drive, and a file put behind it would land there instead of where it was meant.
    if (length > 0 && path[length - 1] != '\\' && path[length - 1] != '/') {
        path[length++] = '\\';
        path[length] = '\0';
    }
    return length;
}
