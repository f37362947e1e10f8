// A buffer whose end touches a page without access: a text placed at the end of it makes
// any read past its last byte an access violation, so the tests see it as a failure
// instead of as a lucky read of whatever lies behind.
#pragma once
#include <windows.h>
#include <cstring>

class GuardedPage
{
public:
    GuardedPage()
    {
        base_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (base_)
            VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &old);
    }
    ~GuardedPage()
    {
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;

    bool Ok() const { return base_ != nullptr; }

    // Copies `size` bytes so that the last one is the last readable byte.
    char* Place(const void* data, size_t size)
    {
        char* p = base_ + kPage - size;
        memcpy(p, data, size);
        return p;
    }
    // A terminated text with its NUL as the last readable byte.
    char* PlaceText(const char* text) { return Place(text, strlen(text) + 1); }
    wchar_t* PlaceWide(const wchar_t* text, size_t units)
    {
        return reinterpret_cast<wchar_t*>(Place(text, units * sizeof(wchar_t)));
    }

private:
    static const size_t kPage = 4096;
    char* base_;
};
