#include "classlib/Object.h"
#include "classlib/Archive.h"

const CRuntimeClass CObject::classCObject = {
    "CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr };

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

CObject::~CObject()
{
}

void CObject::Serialize(CArchive&)
{
}

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const noexcept
{
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

CObject* CRuntimeClass::CreateObject() const noexcept
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const noexcept
{
    if (!base)
        return FALSE;
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass) {
        if (cls == base)
            return TRUE;
    }
    return FALSE;
}

UINT CArchive::Read(void* buffer, UINT count) noexcept
{
    DWORD done = 0;
    if (!m_hFile || m_hFile == INVALID_HANDLE_VALUE || !buffer || !IsLoading())
        return 0;
    if (!ReadFile(m_hFile, buffer, count, &done, nullptr))
        return 0;
    return done;
}

BOOL CArchive::Write(const void* buffer, UINT count) noexcept
{
    DWORD done = 0;
    if (!m_hFile || m_hFile == INVALID_HANDLE_VALUE || (!buffer && count) || !IsStoring())
        return FALSE;
    return WriteFile(m_hFile, buffer, count, &done, nullptr) && done == count;
}
