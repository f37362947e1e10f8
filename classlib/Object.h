// CObject and the run-time class records: each class that declares itself dynamic gets one
// CRuntimeClass with its name, size, base class and (for dynamic creation) a factory, so the
// document template can build documents, frames and views from a class record and code can
// ask IsKindOf without compiler RTTI.
#pragma once
#include <windows.h>

class CObject;
class CArchive;

#ifndef AFX_POSITION_DEFINED
#define AFX_POSITION_DEFINED
// An opaque iterator position, NULL at the end.
struct __POSITION {};
typedef __POSITION* POSITION;
#endif

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                        // 0xFFFF: not serialisable
    CObject* (*m_pfnCreateObject)();       // null unless declared with DECLARE_DYNCREATE
    const CRuntimeClass* m_pBaseClass;     // null for CObject

    // A new object of this class, or null when the class cannot be created dynamically
    // or the heap refuses.
    CObject* CreateObject() const noexcept;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const noexcept;
};

class CObject {
public:
    static const CRuntimeClass classCObject;
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();

    // True when this object's class is cls or derives from it; false for a null cls.
    BOOL IsKindOf(const CRuntimeClass* cls) const noexcept;
    BOOL IsSerializable() const noexcept { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
    virtual void Serialize(CArchive& ar);

protected:
    CObject() noexcept {}

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(class_name) \
    (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name) \
public: \
    static const CRuntimeClass class##class_name; \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name) \
    static CObject* CreateObject();

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, factory) \
    const CRuntimeClass class_name::class##class_name = { \
        #class_name, static_cast<int>(sizeof(class_name)), schema, factory, \
        RUNTIME_CLASS(base_class_name) }; \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* class_name::CreateObject() { return new (std::nothrow) class_name; } \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

// DYNAMIC_DOWNCAST: the pointer when the object is of that class, else null.
#define DYNAMIC_DOWNCAST(class_name, object) \
    (AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object)) \
         ? static_cast<class_name*>(static_cast<CObject*>(object)) : nullptr)

inline bool AfxDynamicDownCast(const CRuntimeClass* cls, const CObject* object) noexcept
{
    return object != nullptr && object->IsKindOf(cls);
}

#include <new>
