// OLE drag and drop and clipboard data, thin over ole32: a drop target that turns the
// IDropTarget calls into virtual members, a reader of IDataObject, and a data source that
// offers cached global blocks to a drag or to the clipboard. The application starts OLE
// (AfxOleInit) before any of these is used.
#pragma once
#include <windows.h>
#include <ole2.h>
#include "classlib/Geometry.h"

class CWnd;

typedef DWORD DROPEFFECT;

// Reads from a data object someone else offers (a drop, the clipboard).
class COleDataObject {
public:
    COleDataObject() noexcept;
    ~COleDataObject();
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    // Takes the interface; with bAutoRelease it is released by Release or the destructor.
    void Attach(LPDATAOBJECT lpDataObject, BOOL bAutoRelease = TRUE) noexcept;
    LPDATAOBJECT Detach() noexcept;
    void Release() noexcept;
    // Attaches the data object on the clipboard (OleGetClipboard).
    BOOL AttachClipboard() noexcept;
    LPDATAOBJECT GetIDataObject(BOOL bAddRef) noexcept;

    // Whether the data offers the format in any storage medium (or the one lpFormatEtc names).
    BOOL IsDataAvailable(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc = NULL) noexcept;
    // Raw fetch; the caller releases the medium (ReleaseStgMedium).
    BOOL GetData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium, LPFORMATETC lpFormatEtc = NULL) noexcept;
    // The data as a global block the caller owns and frees (GlobalFree); NULL when the
    // format is missing or not available as global memory.
    HGLOBAL GetGlobalData(CLIPFORMAT cfFormat, LPFORMATETC lpFormatEtc = NULL) noexcept;

protected:
    LPDATAOBJECT m_lpDataObject;
    BOOL m_bAutoRelease;
};

class COleDataSourceObject;   // the COM object behind a data source (Ole.cpp)

// Offers data to a drag or to the clipboard. The data lives in a reference-counted COM
// object; the clipboard keeps its own reference, so the C++ object may be deleted once
// SetClipboard has run.
class COleDataSource {
public:
    COleDataSource() noexcept;
    virtual ~COleDataSource();
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Offers hGlobal in the format; the source owns the block from now on (also when the call
    // fails) and frees it when emptied. A format offered twice keeps the newer block.
    void CacheGlobalData(CLIPFORMAT cfFormat, HGLOBAL hGlobal, LPFORMATETC lpFormatEtc = NULL) noexcept;
    // Offers any medium; the source owns it (released with ReleaseStgMedium).
    void CacheData(CLIPFORMAT cfFormat, LPSTGMEDIUM lpStgMedium, LPFORMATETC lpFormatEtc = NULL) noexcept;
    void Empty() noexcept;

    // Runs the OLE drag loop; the result is the effect the target chose, DROPEFFECT_NONE when
    // the drag was cancelled or could not start. The drag ends when the mouse buttons that
    // were down at the start are released, and is cancelled by Escape or the other button.
    DROPEFFECT DoDragDrop(DWORD dwEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK) noexcept;
    // Puts the cached data on the clipboard.
    BOOL SetClipboard() noexcept;

    LPDATAOBJECT GetDataObject(BOOL bAddRef) noexcept;

private:
    COleDataSourceObject* m_pObject;
};

// Drop target of one window. Derived classes override the On... members; the defaults accept
// nothing.
class COleDropTarget {
public:
    COleDropTarget() noexcept;
    virtual ~COleDropTarget();
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    BOOL Register(CWnd* pWnd) noexcept;
    virtual void Revoke() noexcept;

    // Points are client coordinates of the registered window; dwKeyState holds the MK_ bits.
    virtual DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD dwKeyState, CPoint point);
    // dropEffect is the effect of the last OnDragOver (or OnDragEnter); TRUE when the data
    // was taken.
    virtual BOOL OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point);
    virtual void OnDragLeave(CWnd* pWnd);
    // Asked before every OnDragOver; a result with DROPEFFECT_SCROLL answers the move by
    // itself (the target scrolled), any other result lets OnDragOver decide.
    virtual DROPEFFECT OnDragScroll(CWnd* pWnd, DWORD dwKeyState, CPoint point);

    HWND GetRegisteredWindow() const noexcept { return m_hWnd; }

    // The IDropTarget the window is registered with (tests feed it directly).
    IDropTarget* GetInterface() noexcept { return &m_xDropTarget; }

private:
    class XDropTarget : public IDropTarget {
    public:
        explicit XDropTarget(COleDropTarget* owner) noexcept : m_owner(owner), m_refs(0) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;
        STDMETHODIMP DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
        STDMETHODIMP DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
        STDMETHODIMP DragLeave() override;
        STDMETHODIMP Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    private:
        COleDropTarget* m_owner;
        LONG m_refs;
    };
    friend class XDropTarget;

    CWnd* TargetWindow() const noexcept;
    CPoint ToClient(POINTL pt) const noexcept;
    DROPEFFECT MoveEffect(DWORD grfKeyState, POINTL pt, DWORD allowed, BOOL entering) noexcept;

    XDropTarget m_xDropTarget;
    HWND m_hWnd;
    COleDataObject m_dataObject;     // the data of the drag in progress
    DROPEFFECT m_lastEffect;
};
