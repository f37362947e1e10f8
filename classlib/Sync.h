// Synchronisation objects over the kernel's handles.
#pragma once
#include <windows.h>
#include "classlib/Object.h"

class CSyncObject : public CObject {
    DECLARE_DYNAMIC(CSyncObject)
public:
    ~CSyncObject() override;

    HANDLE m_hObject = nullptr;
    operator HANDLE() const noexcept { return m_hObject; }

    // TRUE when the object was acquired within the time-out (INFINITE: wait for ever);
    // FALSE on a time-out, an abandoned wait or without a handle.
    virtual BOOL Lock(DWORD dwTimeout = INFINITE);
    virtual BOOL Unlock() = 0;

protected:
    CSyncObject() noexcept {}
};

class CSemaphore : public CSyncObject {
    DECLARE_DYNAMIC(CSemaphore)
public:
    // Counts start at lInitialCount and never exceed lMaxCount (at least 1). With a name
    // the semaphore is shared with other processes that open the same name.
    explicit CSemaphore(LONG lInitialCount = 1, LONG lMaxCount = 1, LPCSTR pstrName = nullptr,
                        LPSECURITY_ATTRIBUTES lpsaAttributes = nullptr) noexcept;

    BOOL Unlock() override;
    // Adds lCount (at least 1); the previous count when lpPrevCount is given.
    BOOL Unlock(LONG lCount, LPLONG lpPrevCount = nullptr);
};
