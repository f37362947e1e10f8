#include "classlib/Sync.h"

IMPLEMENT_DYNAMIC(CSyncObject, CObject)
IMPLEMENT_DYNAMIC(CSemaphore, CSyncObject)

CSyncObject::~CSyncObject()
{
    if (m_hObject)
        ::CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD dwTimeout)
{
    if (!m_hObject)
        return FALSE;
    return ::WaitForSingleObject(m_hObject, dwTimeout) == WAIT_OBJECT_0;
}

CSemaphore::CSemaphore(LONG lInitialCount, LONG lMaxCount, LPCSTR pstrName,
                       LPSECURITY_ATTRIBUTES lpsaAttributes) noexcept
{
    if (lMaxCount < 1)
        lMaxCount = 1;
    if (lInitialCount < 0)
        lInitialCount = 0;
    if (lInitialCount > lMaxCount)
        lInitialCount = lMaxCount;
    m_hObject = ::CreateSemaphoreA(lpsaAttributes, lInitialCount, lMaxCount, pstrName);
}

BOOL CSemaphore::Unlock()
{
    return Unlock(1, nullptr);
}

BOOL CSemaphore::Unlock(LONG lCount, LPLONG lpPrevCount)
{
    if (!m_hObject || lCount < 1)
        return FALSE;
    return ::ReleaseSemaphore(m_hObject, lCount, lpPrevCount);
}
