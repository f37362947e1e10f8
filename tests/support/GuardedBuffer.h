// Bytes fenced by pages without access on both sides: data placed flush against the upper
// fence makes a read past its last byte an access violation, data placed against the lower
// fence does the same for a read before its first byte. The tests then see a stray read as
// a crash instead of as a lucky read of whatever lies next to the data.
#pragma once
#include <windows.h>
#include <cstring>

class GuardedBuffer
{
public:
    // Room for `size` bytes between the fences.
    explicit GuardedBuffer(size_t size = 4096)
    {
        m_usable = (size + kPage - 1) / kPage * kPage;
        if (m_usable == 0)
            m_usable = kPage;
        m_base = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, m_usable + 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (m_base)
        {
            VirtualProtect(m_base, kPage, PAGE_NOACCESS, &old);
            VirtualProtect(m_base + kPage + m_usable, kPage, PAGE_NOACCESS, &old);
        }
    }
    ~GuardedBuffer()
    {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    bool Ok() const { return m_base != nullptr; }

    // The data ends at the upper fence.
    unsigned char* AtEnd(const void* data, size_t size)
    {
        unsigned char* p = m_base + kPage + m_usable - size;
        if (size)
            memcpy(p, data, size);
        return p;
    }
    // The data begins at the lower fence.
    unsigned char* AtStart(const void* data, size_t size)
    {
        unsigned char* p = m_base + kPage;
        if (size)
            memcpy(p, data, size);
        return p;
    }
    // A terminated text whose NUL is the last readable byte.
    char* TextAtEnd(const char* text) { return reinterpret_cast<char*>(AtEnd(text, strlen(text) + 1)); }
    // `units` UTF-16 units whose last one ends at the upper fence.
    wchar_t* WideAtEnd(const wchar_t* text, size_t units)
    {
        return reinterpret_cast<wchar_t*>(AtEnd(text, units * sizeof(wchar_t)));
    }
    // Whether an address lies in one of the two fences (for a crash handler's report).
    bool IsFence(const void* address) const
    {
        const unsigned char* a = static_cast<const unsigned char*>(address);
        return m_base && ((a >= m_base && a < m_base + kPage) ||
                          (a >= m_base + kPage + m_usable && a < m_base + 2 * kPage + m_usable));
    }
    // A writable area of `size` bytes ending at the upper fence.
    unsigned char* OutputAtEnd(size_t size) { return m_base + kPage + m_usable - size; }

private:
    static const size_t kPage = 4096;
    unsigned char* m_base = nullptr;
    size_t m_usable = 0;
};
