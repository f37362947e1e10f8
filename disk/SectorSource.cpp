#include "disk/SectorSource.h"
#include <string.h>

bool MemorySectorSource::ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer)
{
    ++m_calls;
    if (!buffer && count)
        return false;
    // Compare in units so that a huge unit number cannot wrap the byte offset.
    uint64_t unitsHere = m_size / kUnitBytes;
    if (firstUnit > unitsHere || count > unitsHere - firstUnit)
        return false;
    if (count)
        memcpy(buffer, m_bytes + firstUnit * kUnitBytes, static_cast<size_t>(count) * kUnitBytes);
    m_units += count;
    return true;
}

bool ImageFileSource::Open(const char* path)
{
    Close();
    if (!path || !*path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    m_handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return m_handle != INVALID_HANDLE_VALUE;
}

void ImageFileSource::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
}

uint64_t ImageFileSource::SizeInUnits() const
{
    LARGE_INTEGER size;
    if (m_handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(m_handle, &size) || size.QuadPart < 0)
        return 0;
    return static_cast<uint64_t>(size.QuadPart) / kUnitBytes;
}

bool ImageFileSource::ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer)
{
    if (m_handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // ReadFile takes a 32-bit length; unit numbers beyond 2^54 have no byte offset.
    if (!buffer || count > 0xFFFFFFFFu / kUnitBytes || firstUnit > (0x7FFFFFFFFFFFFFFFull / kUnitBytes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(firstUnit * kUnitBytes);
    if (!SetFilePointerEx(m_handle, offset, nullptr, FILE_BEGIN))
        return false;
    DWORD want = count * kUnitBytes;
    DWORD got = 0;
    if (!ReadFile(m_handle, buffer, want, &got, nullptr))
        return false;
    if (got != want) {
        SetLastError(ERROR_HANDLE_EOF);
        return false;
    }
    return true;
}
