#include "app/ExpandLongPath.h"

#include <windows.h>
#include <string.h>

namespace {

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// "D:", "D:\" or "D:/": the drive itself, which the document opens as a volume.
bool IsDriveSpec(const char* path)
{
    char c = path[0];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) || path[1] != ':')
        return false;
    return path[2] == '\0' || (IsPathSeparator(path[2]) && path[3] == '\0');
}

// "\\.\..." and "\\?\...": the name goes to the object manager as typed; expanding it
// would search the disk for a folder named "." or "?".
bool IsDevicePath(const char* path)
{
    return IsPathSeparator(path[0]) && IsPathSeparator(path[1]) &&
           (path[2] == '.' || path[2] == '?') && IsPathSeparator(path[3]);
}

// The bare name by which the document opens a physical drive ("Physical" and one or two
// characters, "Physical1", "PhysicalC"), which exists nowhere on disk. A file of that name in
// the current folder, or any path with a folder in front ("physical backup.img" was meant
// too), is a file: it is expanded like every other, so that the document opens the file and
// the recent list keeps its full path.
bool NamesPhysicalDrive(const char* path)
{
    static const char kPhysical[] = "physical";
    for (int i = 0; kPhysical[i]; ++i) {
        if (LowerAscii(path[i]) != kPhysical[i])
            return false;
    }
    const char* rest = path + sizeof kPhysical - 1;
    const size_t length = strlen(rest);
    if (length < 1 || length > 2)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (IsPathSeparator(rest[i]) || rest[i] == ':' || rest[i] == '.')
            return false;
    }
    const DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HasWildcard(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '*' || text[i] == '?')
            return true;
    }
    return false;
}

// An output buffer that refuses to grow past its capacity instead of truncating.
class PathBuilder {
public:
    PathBuilder(char* buffer, size_t capacity) : m_buffer(buffer), m_capacity(capacity) { m_buffer[0] = '\0'; }

    bool Append(const char* text, size_t length)
    {
        if (length >= m_capacity - m_length)
            return false;
        memcpy(m_buffer + m_length, text, length);
        m_length += length;
        m_buffer[m_length] = '\0';
        return true;
    }
    bool Append(const char* text) { return Append(text, strlen(text)); }
    void Truncate(size_t length) { m_length = length; m_buffer[length] = '\0'; }
    size_t Length() const { return m_length; }
    const char* Text() const { return m_buffer; }

private:
    char* m_buffer;
    size_t m_capacity;
    size_t m_length = 0;
};

// Frees the work buffer on every way out.
class HeapBlock {
public:
    explicit HeapBlock(size_t size) : m_data(static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size))) {}
    ~HeapBlock() { if (m_data) HeapFree(GetProcessHeap(), 0, m_data); }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    char* Data() const { return m_data; }

private:
    char* m_data;
};

// The root of a full path: everything up to the first separator and the run of separators
// after it ("C:\" of a drive path, the two backslashes of a UNC path). Returns its end.
const char* SkipRoot(const char* full)
{
    const char* p = full;
    while (*p && !IsPathSeparator(*p))
        ++p;
    while (IsPathSeparator(*p))
        ++p;
    return p;
}

// The component walk on a full path; the root is copied as it stands. Returns false when
// the result does not fit.
bool ExpandComponents(const char* full, PathBuilder& out)
{
    const char* rest = SkipRoot(full);
    if (!out.Append(full, size_t(rest - full)))
        return false;

    while (*rest) {
        size_t length = 0;
        while (rest[length] && !IsPathSeparator(rest[length]))
            ++length;
        // A wildcard, or the empty component between doubled separators, cannot name one
        // entry: the rest stays as it stands.
        if (length == 0 || HasWildcard(rest, length))
            return out.Append(rest);

        size_t before = out.Length();
        if (!out.Append(rest, length))
            return false;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(out.Text(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            // Not there: the document reports on the path itself, so the rest stays as the
            // user wrote it.
            out.Truncate(before);
            return out.Append(rest);
        }
        FindClose(search);
        // A name the ANSI code page cannot show comes back with "?" in it, which would turn
        // into a wildcard on the next search: keep the component as typed then.
        size_t foundLength = strlen(found.cFileName);
        if (!HasWildcard(found.cFileName, foundLength)) {
            out.Truncate(before);
            if (!out.Append(found.cFileName, foundLength))
                return false;
        }
        rest += length;
        if (!*rest)
            break;
        ++rest;  // exactly one separator; a second one makes an empty component
        if (!out.Append("\\", 1))
            return false;
    }
    return true;
}

}  // namespace

bool ExpandLongPath(const char* path, char* out, int outSize)
{
    if (!path || !*path || !out || outSize <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (IsDriveSpec(path) || IsDevicePath(path) || NamesPhysicalDrive(path)) {
        SetLastError(ERROR_SUCCESS);
        return false;
    }

    char full[kExpandPathBufferSize];
    DWORD fullLength = GetFullPathNameA(path, sizeof(full), full, nullptr);
    if (fullLength == 0)
        return false;
    if (fullLength >= sizeof(full)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    // The full form may still be a device path (after ".." steps), and with nothing after
    // the root there is nothing to expand.
    if (IsDevicePath(full) || !*SkipRoot(full)) {
        SetLastError(ERROR_SUCCESS);
        return false;
    }

    return ExpandFullPathComponents(full, out, outSize);
}

bool ExpandFullPathComponents(const char* fullPath, char* out, int outSize)
{
    if (!fullPath || !*fullPath || !out || outSize <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    HeapBlock work(static_cast<size_t>(outSize));
    if (!work.Data()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    PathBuilder builder(work.Data(), static_cast<size_t>(outSize));
    if (!ExpandComponents(fullPath, builder)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    memcpy(out, builder.Text(), builder.Length() + 1);
    return true;
}
