// Handle maps of the non-window wrappers (GDI objects, device contexts, menus, image
// lists): which C++ object owns a handle (permanent, entered by Attach), and the temporary
// wrappers FromHandle makes for handles nobody owns. Both are per thread, like the windows'
// maps; the temporaries are deleted at the thread's next idle time (AfxDeleteTempMaps),
// their handles left alone.
#pragma once
#include <windows.h>
#include <new>
#include <unordered_map>

void AfxRegisterTempMapCleanup(void (*cleanup)());

// TBase: the wrapper base class with a public handle member; Traits supplies
//   static THandle& HandleOf(TBase*)   the object's handle member
template<class TBase, class THandle, class Traits>
class CObjectHandleMap {
public:
    static TBase* LookupPermanent(THandle h) noexcept
    {
        Maps& m = ThreadMaps();
        auto it = m.permanent.find(h);
        return it == m.permanent.end() ? nullptr : it->second;
    }

    static void SetPermanent(THandle h, TBase* object) noexcept
    {
        if (h) ThreadMaps().permanent[h] = object;
    }

    static void RemovePermanent(THandle h, TBase* object) noexcept
    {
        Maps& m = ThreadMaps();
        auto it = m.permanent.find(h);
        if (it != m.permanent.end() && it->second == object) m.permanent.erase(it);
    }

    // The owner of h, or its temporary wrapper (made as TObject when there is none yet).
    template<class TObject>
    static TBase* FromHandle(THandle h) noexcept
    {
        if (!h) return nullptr;
        Maps& m = ThreadMaps();
        auto it = m.permanent.find(h);
        if (it != m.permanent.end()) return it->second;
        auto jt = m.temporary.find(h);
        if (jt != m.temporary.end()) {
            // A wrapper whose handle was deleted through it may meet the value reused.
            Traits::HandleOf(jt->second) = h;
            return jt->second;
        }
        RegisterCleanupOnce();
        TObject* object = new (std::nothrow) TObject;
        if (!object) return nullptr;
        Traits::HandleOf(object) = h;
        m.temporary[h] = object;
        return object;
    }

    static bool IsTemporary(const TBase* object) noexcept
    {
        if (!object) return false;
        Maps& m = ThreadMaps();
        auto it = m.temporary.find(Traits::HandleOf(const_cast<TBase*>(object)));
        return it != m.temporary.end() && it->second == object;
    }

    static void DeleteTemporaries() noexcept
    {
        ThreadMaps().DeleteTemporaries();
    }

private:
    struct Maps {
        std::unordered_map<THandle, TBase*> permanent;
        std::unordered_map<THandle, TBase*> temporary;
        void DeleteTemporaries() noexcept
        {
            // Swap first: a destructor must not find itself in the map it is removed from.
            std::unordered_map<THandle, TBase*> doomed;
            doomed.swap(temporary);
            for (auto& entry : doomed) {
                Traits::HandleOf(entry.second) = nullptr;   // the handle is not ours to free
                delete entry.second;
            }
        }
    };

    // One registration per map (not per wrapper type made through it).
    static void RegisterCleanupOnce() noexcept
    {
        static const bool registered = (AfxRegisterTempMapCleanup(&DeleteTemporaries), true);
        (void)registered;
    }

    // A thread-local object with a destructor would be destroyed by mingw's emulated TLS
    // after the C runtime has begun to tear the heap down, and free() then faults at exit.
    // So each thread's maps are made on first use and deliberately never freed: one small
    // block per thread that ever wrapped a handle (its temporaries still go at idle time).
    static Maps& ThreadMaps() noexcept
    {
        thread_local Maps* maps = nullptr;
        if (!maps)
            maps = new Maps;
        return *maps;
    }
};
