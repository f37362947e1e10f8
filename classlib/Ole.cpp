#include "classlib/Ole.h"
#include "classlib/Wnd.h"
#include <shlobj.h>
#include <new>

namespace {

// Every storage medium a receiver might ask for; QueryGetData only needs one of them to match.
const DWORD kAnyTymed = TYMED_HGLOBAL | TYMED_FILE | TYMED_ISTREAM | TYMED_ISTORAGE |
                        TYMED_GDI | TYMED_MFPICT | TYMED_ENHMF;

FORMATETC MakeFormatEtc(CLIPFORMAT cf, const FORMATETC* given, DWORD tymed) noexcept
{
    if (given) return *given;
    FORMATETC fe;
    fe.cfFormat = cf;
    fe.ptd = NULL;
    fe.dwAspect = DVASPECT_CONTENT;
    fe.lindex = -1;
    fe.tymed = tymed;
    return fe;
}

// A global block of the same contents; the source stays the caller's.
HGLOBAL CopyGlobal(HGLOBAL src) noexcept
{
    SIZE_T size = GlobalSize(src);
    const void* from = GlobalLock(src);
    if (!from) return NULL;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (copy) {
        void* to = GlobalLock(copy);
        if (to) {
            CopyMemory(to, from, size);
            GlobalUnlock(copy);
        } else {
            GlobalFree(copy);
            copy = NULL;
        }
    }
    GlobalUnlock(src);
    return copy;
}

// The drop source of DoDragDrop: the drag ends when the buttons that started it are let go.
class DragSource : public IDropSource {
public:
    explicit DragSource(DWORD startButtons) noexcept : m_refs(1), m_startButtons(startButtons) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
            *ppv = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    // Lives on the stack of DoDragDrop, which outlasts every reference OLE takes.
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(InterlockedDecrement(&m_refs)); }
    STDMETHODIMP QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) override
    {
        const DWORD buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
        if (fEscapePressed) return DRAGDROP_S_CANCEL;
        DWORD held = grfKeyState & buttons;
        if (held & ~m_startButtons) return DRAGDROP_S_CANCEL;   // another button pressed
        if ((held & m_startButtons) == 0) return DRAGDROP_S_DROP;
        return S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
private:
    LONG m_refs;
    DWORD m_startButtons;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The COM data object of a COleDataSource.

class COleDataSourceObject final : public IDataObject {
public:
    COleDataSourceObject() noexcept : m_refs(1), m_entries(NULL), m_count(0), m_capacity(0) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *ppv = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    STDMETHODIMP GetData(FORMATETC* pfe, STGMEDIUM* pmed) override
    {
        if (!pfe || !pmed) return E_INVALIDARG;
        ZeroMemory(pmed, sizeof *pmed);
        const Entry* e = Find(*pfe);
        if (!e) return DV_E_FORMATETC;
        return CopyMedium(e->medium, pmed);
    }

    STDMETHODIMP GetDataHere(FORMATETC* pfe, STGMEDIUM* pmed) override
    {
        if (!pfe || !pmed) return E_INVALIDARG;
        const Entry* e = Find(*pfe);
        if (!e) return DV_E_FORMATETC;
        if (e->medium.tymed != TYMED_HGLOBAL || pmed->tymed != TYMED_HGLOBAL || !pmed->hGlobal)
            return DV_E_TYMED;
        SIZE_T size = GlobalSize(e->medium.hGlobal);
        if (GlobalSize(pmed->hGlobal) < size) return STG_E_MEDIUMFULL;
        const void* from = GlobalLock(e->medium.hGlobal);
        void* to = GlobalLock(pmed->hGlobal);
        HRESULT hr = (from && to) ? S_OK : E_OUTOFMEMORY;
        if (from && to) CopyMemory(to, from, size);
        if (to) GlobalUnlock(pmed->hGlobal);
        if (from) GlobalUnlock(e->medium.hGlobal);
        return hr;
    }

    STDMETHODIMP QueryGetData(FORMATETC* pfe) override
    {
        if (!pfe) return E_INVALIDARG;
        return Find(*pfe) ? S_OK : DV_E_FORMATETC;
    }

    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pfeOut) override
    {
        if (pfeOut) pfeOut->ptd = NULL;
        return DATA_S_SAMEFORMATETC;
    }

    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }

    STDMETHODIMP EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenum) override
    {
        if (!ppenum) return E_POINTER;
        *ppenum = NULL;
        if (dwDirection != DATADIR_GET) return E_NOTIMPL;
        FORMATETC* list = m_count ? new (std::nothrow) FORMATETC[m_count] : NULL;
        if (m_count && !list) return E_OUTOFMEMORY;
        for (UINT i = 0; i < m_count; ++i) list[i] = m_entries[i].format;
        HRESULT hr = SHCreateStdEnumFmtEtc(m_count, list, ppenum);
        delete[] list;
        return hr;
    }

    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    // Takes over the medium in every case.
    void Cache(const FORMATETC& fe, STGMEDIUM* medium) noexcept
    {
        for (UINT i = 0; i < m_count; ++i) {
            if (m_entries[i].format.cfFormat == fe.cfFormat &&
                m_entries[i].format.dwAspect == fe.dwAspect &&
                m_entries[i].format.lindex == fe.lindex) {
                ReleaseStgMedium(&m_entries[i].medium);
                m_entries[i].format = fe;
                m_entries[i].format.ptd = NULL;
                m_entries[i].format.tymed = medium->tymed;
                m_entries[i].medium = *medium;
                return;
            }
        }
        if (m_count == m_capacity) {
            UINT cap = m_capacity ? m_capacity * 2 : 4;
            Entry* grown = new (std::nothrow) Entry[cap];
            if (!grown) {
                ReleaseStgMedium(medium);
                return;
            }
            for (UINT i = 0; i < m_count; ++i) grown[i] = m_entries[i];
            delete[] m_entries;
            m_entries = grown;
            m_capacity = cap;
        }
        Entry& e = m_entries[m_count++];
        e.format = fe;
        e.format.ptd = NULL;
        e.format.tymed = medium->tymed;
        e.medium = *medium;
    }

    void Empty() noexcept
    {
        for (UINT i = 0; i < m_count; ++i) ReleaseStgMedium(&m_entries[i].medium);
        m_count = 0;
    }

private:
    struct Entry {
        FORMATETC format;
        STGMEDIUM medium;
    };

    ~COleDataSourceObject()
    {
        Empty();
        delete[] m_entries;
    }

    const Entry* Find(const FORMATETC& fe) const noexcept
    {
        for (UINT i = 0; i < m_count; ++i) {
            const FORMATETC& have = m_entries[i].format;
            if (have.cfFormat == fe.cfFormat && (have.tymed & fe.tymed) &&
                (have.dwAspect == fe.dwAspect) && (fe.lindex == -1 || have.lindex == fe.lindex))
                return &m_entries[i];
        }
        return NULL;
    }

    // Hands out a copy the receiver owns, so it may free it whenever it likes.
    static HRESULT CopyMedium(const STGMEDIUM& from, STGMEDIUM* to) noexcept
    {
        to->tymed = from.tymed;
        to->pUnkForRelease = NULL;
        switch (from.tymed) {
        case TYMED_HGLOBAL:
            to->hGlobal = CopyGlobal(from.hGlobal);
            return to->hGlobal ? S_OK : E_OUTOFMEMORY;
        case TYMED_ISTREAM:
            to->pstm = from.pstm;
            if (to->pstm) to->pstm->AddRef();
            return S_OK;
        case TYMED_ISTORAGE:
            to->pstg = from.pstg;
            if (to->pstg) to->pstg->AddRef();
            return S_OK;
        case TYMED_GDI:
            to->hBitmap = static_cast<HBITMAP>(OleDuplicateData(from.hBitmap, CF_BITMAP, 0));
            return to->hBitmap ? S_OK : E_OUTOFMEMORY;
        case TYMED_ENHMF:
            to->hEnhMetaFile = static_cast<HENHMETAFILE>(OleDuplicateData(from.hEnhMetaFile, CF_ENHMETAFILE, 0));
            return to->hEnhMetaFile ? S_OK : E_OUTOFMEMORY;
        default:
            to->tymed = TYMED_NULL;
            return DV_E_TYMED;
        }
    }

    LONG m_refs;
    Entry* m_entries;
    UINT m_count;
    UINT m_capacity;
};

// ---------------------------------------------------------------------------------------------
// COleDataObject

COleDataObject::COleDataObject() noexcept : m_lpDataObject(NULL), m_bAutoRelease(TRUE)
{
}

COleDataObject::~COleDataObject()
{
    Release();
}

void COleDataObject::Attach(LPDATAOBJECT lpDataObject, BOOL bAutoRelease) noexcept
{
    Release();
    m_lpDataObject = lpDataObject;
    m_bAutoRelease = bAutoRelease;
}

LPDATAOBJECT COleDataObject::Detach() noexcept
{
    LPDATAOBJECT p = m_lpDataObject;
    m_lpDataObject = NULL;
    return p;
}

void COleDataObject::Release() noexcept
{
    if (m_lpDataObject && m_bAutoRelease) m_lpDataObject->Release();
    m_lpDataObject = NULL;
    m_bAutoRelease = TRUE;
}

BOOL COleDataObject::AttachClipboard() noexcept
{
    LPDATAOBJECT p = NULL;
    if (FAILED(OleGetClipboard(&p)) || !p) return FALSE;
    Attach(p, TRUE);
    return TRUE;
}

LPDATAOBJECT COleDataObject::GetIDataObject(BOOL bAddRef) noexcept
{
    if (m_lpDataObject && bAddRef) m_lpDataObject->AddRef();
    return m_lpDataObject;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc) noexcept
{
    if (!m_lpDataObject) return FALSE;
    FORMATETC fe = MakeFormatEtc(cfFormat, lpFormatEtc, kAnyTymed);
    return m_lpDataObject->QueryGetData(&fe) == S_OK;
}

BOOL COleDataObject::GetData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium, LPFORMATETC lpFormatEtc) noexcept
{
    if (!lpStgMedium) return FALSE;
    ZeroMemory(lpStgMedium, sizeof *lpStgMedium);
    if (!m_lpDataObject) return FALSE;
    FORMATETC fe = MakeFormatEtc(cfFormat, lpFormatEtc, kAnyTymed);
    if (FAILED(m_lpDataObject->GetData(&fe, lpStgMedium))) {
        ZeroMemory(lpStgMedium, sizeof *lpStgMedium);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc) noexcept
{
    if (!m_lpDataObject) return NULL;
    FORMATETC fe = MakeFormatEtc(cfFormat, lpFormatEtc, TYMED_HGLOBAL);
    fe.tymed = TYMED_HGLOBAL;
    STGMEDIUM med;
    ZeroMemory(&med, sizeof med);
    if (FAILED(m_lpDataObject->GetData(&fe, &med))) return NULL;
    if (med.tymed != TYMED_HGLOBAL || !med.hGlobal) {
        ReleaseStgMedium(&med);
        return NULL;
    }
    // Without a release object the block is ours to keep; otherwise the provider still owns
    // it, and the caller gets a copy.
    if (!med.pUnkForRelease) return med.hGlobal;
    HGLOBAL copy = CopyGlobal(med.hGlobal);
    ReleaseStgMedium(&med);
    return copy;
}

// ---------------------------------------------------------------------------------------------
// COleDataSource

COleDataSource::COleDataSource() noexcept : m_pObject(new (std::nothrow) COleDataSourceObject)
{
}

COleDataSource::~COleDataSource()
{
    if (m_pObject) m_pObject->Release();
}

void COleDataSource::CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal, LPFORMATETC lpFormatEtc) noexcept
{
    if (!hGlobal) return;
    STGMEDIUM med;
    ZeroMemory(&med, sizeof med);
    med.tymed = TYMED_HGLOBAL;
    med.hGlobal = hGlobal;
    CacheData(cfFormat, &med, lpFormatEtc);
}

void COleDataSource::CacheData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium, LPFORMATETC lpFormatEtc) noexcept
{
    if (!lpStgMedium) return;
    if (!m_pObject || lpStgMedium->tymed == TYMED_NULL) {
        ReleaseStgMedium(lpStgMedium);
        return;
    }
    FORMATETC fe = MakeFormatEtc(cfFormat, lpFormatEtc, lpStgMedium->tymed);
    m_pObject->Cache(fe, lpStgMedium);
}

void COleDataSource::Empty() noexcept
{
    if (m_pObject) m_pObject->Empty();
}

LPDATAOBJECT COleDataSource::GetDataObject(BOOL bAddRef) noexcept
{
    if (m_pObject && bAddRef) m_pObject->AddRef();
    return m_pObject;
}

DROPEFFECT COleDataSource::DoDragDrop(DWORD dwEffects) noexcept
{
    if (!m_pObject) return DROPEFFECT_NONE;
    DWORD buttons = 0;
    if (GetKeyState(VK_LBUTTON) < 0) buttons |= MK_LBUTTON;
    if (GetKeyState(VK_RBUTTON) < 0) buttons |= MK_RBUTTON;
    if (GetKeyState(VK_MBUTTON) < 0) buttons |= MK_MBUTTON;
    if (!buttons) buttons = MK_LBUTTON;
    DragSource source(buttons);
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = ::DoDragDrop(m_pObject, &source, dwEffects, &effect);
    return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

BOOL COleDataSource::SetClipboard() noexcept
{
    if (!m_pObject) return FALSE;
    return SUCCEEDED(OleSetClipboard(m_pObject));
}

// ---------------------------------------------------------------------------------------------
// COleDropTarget

COleDropTarget::COleDropTarget() noexcept
    : m_xDropTarget(this), m_hWnd(NULL), m_lastEffect(DROPEFFECT_NONE)
{
}

COleDropTarget::~COleDropTarget()
{
    if (m_hWnd) RevokeDragDrop(m_hWnd);
    m_hWnd = NULL;
}

BOOL COleDropTarget::Register(CWnd* pWnd) noexcept
{
    if (!pWnd || !pWnd->m_hWnd || m_hWnd) return FALSE;
    if (FAILED(RegisterDragDrop(pWnd->m_hWnd, &m_xDropTarget))) return FALSE;
    m_hWnd = pWnd->m_hWnd;
    return TRUE;
}

void COleDropTarget::Revoke() noexcept
{
    if (m_hWnd) RevokeDragDrop(m_hWnd);
    m_hWnd = NULL;
    m_dataObject.Release();
    m_lastEffect = DROPEFFECT_NONE;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint)
{
    return FALSE;
}

void COleDropTarget::OnDragLeave(CWnd*)
{
}

DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint)
{
    return DROPEFFECT_NONE;
}

CWnd* COleDropTarget::TargetWindow() const noexcept
{
    return m_hWnd ? CWnd::FromHandle(m_hWnd) : NULL;
}

CPoint COleDropTarget::ToClient(POINTL pt) const noexcept
{
    POINT p = { pt.x, pt.y };
    if (m_hWnd) ::ScreenToClient(m_hWnd, &p);
    return CPoint(p);
}

DROPEFFECT COleDropTarget::MoveEffect(DWORD grfKeyState, POINTL pt, DWORD allowed, BOOL entering) noexcept
{
    CWnd* pWnd = TargetWindow();
    CPoint point = ToClient(pt);
    DROPEFFECT effect;
    if (entering) {
        effect = OnDragEnter(pWnd, &m_dataObject, grfKeyState, point);
    } else {
        effect = OnDragScroll(pWnd, grfKeyState, point);
        if (!(effect & DROPEFFECT_SCROLL))
            effect = OnDragOver(pWnd, &m_dataObject, grfKeyState, point);
    }
    // The target may only answer with what the source allows (plus the scroll marker).
    effect &= allowed | DROPEFFECT_SCROLL;
    m_lastEffect = effect & ~DROPEFFECT_SCROLL;
    return effect;
}

STDMETHODIMP COleDropTarget::XDropTarget::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *ppv = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

// The interface is part of the C++ object, whose owner decides its lifetime; the count only
// serves COM's bookkeeping.
STDMETHODIMP_(ULONG) COleDropTarget::XDropTarget::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) COleDropTarget::XDropTarget::Release()
{
    LONG n = InterlockedDecrement(&m_refs);
    return static_cast<ULONG>(n > 0 ? n : 0);
}

STDMETHODIMP COleDropTarget::XDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect) return E_INVALIDARG;
    DWORD allowed = *pdwEffect;
    *pdwEffect = DROPEFFECT_NONE;
    if (!pDataObj) return E_INVALIDARG;
    pDataObj->AddRef();
    m_owner->m_dataObject.Attach(pDataObj, TRUE);
    *pdwEffect = m_owner->MoveEffect(grfKeyState, pt, allowed, TRUE);
    return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect) return E_INVALIDARG;
    DWORD allowed = *pdwEffect;
    *pdwEffect = DROPEFFECT_NONE;
    if (!m_owner->m_dataObject.GetIDataObject(FALSE)) return S_OK;
    *pdwEffect = m_owner->MoveEffect(grfKeyState, pt, allowed, FALSE);
    return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::DragLeave()
{
    m_owner->OnDragLeave(m_owner->TargetWindow());
    m_owner->m_dataObject.Release();
    m_owner->m_lastEffect = DROPEFFECT_NONE;
    return S_OK;
}

STDMETHODIMP COleDropTarget::XDropTarget::Drop(IDataObject* pDataObj, DWORD, POINTL pt, DWORD* pdwEffect)
{
    if (!pdwEffect) return E_INVALIDARG;
    DWORD allowed = *pdwEffect;
    *pdwEffect = DROPEFFECT_NONE;
    COleDropTarget* owner = m_owner;
    if (pDataObj) {
        pDataObj->AddRef();
        owner->m_dataObject.Attach(pDataObj, TRUE);
    }
    CWnd* pWnd = owner->TargetWindow();
    DROPEFFECT effect = owner->m_lastEffect & allowed;
    if (effect != DROPEFFECT_NONE && owner->m_dataObject.GetIDataObject(FALSE) &&
        owner->OnDrop(pWnd, &owner->m_dataObject, effect, owner->ToClient(pt)))
        *pdwEffect = effect;
    else
        owner->OnDragLeave(pWnd);
    owner->m_dataObject.Release();
    owner->m_lastEffect = DROPEFFECT_NONE;
    return S_OK;
}
