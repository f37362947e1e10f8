// The frame shared by the library's own window controls (the list "FastList", the tree list
// "TreeList" and the toolbar "ToolbarExWindow32"): class registration, the per-window state
// block hung on the window's extra bytes, a recursive lock around every message that
// changes the block, notifications to the parent sent with the lock released, and the theme
// library loaded on demand.
//
// The lock records its owner thread and depth itself, so a release that would find it free
// is caught before it happens: the "Unlock Error" reporter is told the source line of that
// release (a message box by default) and the release is skipped.
#pragma once
#include <windows.h>
#include <uxtheme.h>

// --- the lock

class ControlLock {
public:
    ControlLock() noexcept;
    ~ControlLock();
    ControlLock(const ControlLock&) = delete;
    ControlLock& operator=(const ControlLock&) = delete;

    void Enter() noexcept;
    // Releases one level. When the calling thread does not hold the lock nothing is released,
    // and when no thread holds it the reporter gets `line`. `check` false (the tree list)
    // skips the report.
    void Leave(int line, bool check = true) noexcept;
    bool HeldByCaller() const noexcept;
    bool Held() const noexcept { return m_depth > 0; }
    int Depth() const noexcept { return m_depth; }
    DWORD Owner() const noexcept { return m_owner; }

private:
    CRITICAL_SECTION m_cs;
    volatile DWORD m_owner = 0;
    volatile LONG m_depth = 0;
};

// Told of a release that found the lock free. The default shows MessageBoxA with no owner,
// caption "Unlock Error" and the line number as text.
typedef void (*UnlockErrorReporter)(int line);
UnlockErrorReporter SetUnlockErrorReporter(UnlockErrorReporter reporter) noexcept;
void ReportUnlockError(int line) noexcept;

// Leaves the lock for the length of a scope (a notification to the parent) and takes it
// again after.
class ControlUnlocked {
public:
    ControlUnlocked(ControlLock& lock, int line, bool check = true) noexcept : m_lock(lock) { lock.Leave(line, check); }
    ~ControlUnlocked() { m_lock.Enter(); }
    ControlUnlocked(const ControlUnlocked&) = delete;
    ControlUnlocked& operator=(const ControlUnlocked&) = delete;

private:
    ControlLock& m_lock;
};

// --- the state block

// The start of every control's block: its window and its lock.
struct ControlBlock {
    HWND window = nullptr;
    ControlLock lock;
};

// The block hung on a window (extra bytes, index 0), or null.
inline ControlBlock* GetControlBlock(HWND window) noexcept
{
    return window ? reinterpret_cast<ControlBlock*>(::GetWindowLongPtrA(window, 0)) : nullptr;
}
inline void SetControlBlock(HWND window, ControlBlock* block) noexcept
{
    ::SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(block));
}

// Fills hwndFrom and idFrom of the record and sends it to the window's parent as WM_NOTIFY;
// the parent's answer comes back unchanged.
LRESULT ControlNotifyParent(HWND window, NMHDR* record, int code) noexcept;
// The same with the block's lock released around the sending (and its release checked).
LRESULT ControlNotifyUnlocked(ControlBlock* block, NMHDR* record, int code, int line, bool check = true) noexcept;

// --- the theme library

typedef HRESULT(WINAPI* SetWindowThemeFn)(HWND, LPCWSTR, LPCWSTR);
typedef HRESULT(WINAPI* EndBufferedPaintFn)(HPAINTBUFFER, BOOL);
typedef HPAINTBUFFER(WINAPI* BeginBufferedPaintFn)(HDC, const RECT*, BP_BUFFERFORMAT, BP_PAINTPARAMS*, HDC*);
typedef HRESULT(WINAPI* BufferedPaintInitFn)();
typedef HRESULT(WINAPI* BufferedPaintUnInitFn)();
typedef HTHEME(WINAPI* OpenThemeDataFn)(HWND, LPCWSTR);
typedef HRESULT(WINAPI* CloseThemeDataFn)(HTHEME);
typedef HRESULT(WINAPI* DrawThemeBackgroundFn)(HTHEME, HDC, int, int, const RECT*, const RECT*);
typedef HRESULT(WINAPI* GetThemePartSizeFn)(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*);
typedef HRESULT(WINAPI* GetThemeBackgroundContentRectFn)(HTHEME, HDC, int, int, const RECT*, RECT*);

// The ten entry points; each may be missing (null), and every use tests it first.
struct ControlThemeApi {
    HMODULE module = nullptr;
    SetWindowThemeFn SetWindowTheme = nullptr;
    EndBufferedPaintFn EndBufferedPaint = nullptr;
    BeginBufferedPaintFn BeginBufferedPaint = nullptr;
    BufferedPaintInitFn BufferedPaintInit = nullptr;
    BufferedPaintUnInitFn BufferedPaintUnInit = nullptr;
    OpenThemeDataFn OpenThemeData = nullptr;
    CloseThemeDataFn CloseThemeData = nullptr;
    DrawThemeBackgroundFn DrawThemeBackground = nullptr;
    GetThemePartSizeFn GetThemePartSize = nullptr;
    GetThemeBackgroundContentRectFn GetThemeBackgroundContentRect = nullptr;
};

// How a control class finds the theme library: LoadLibraryA and GetProcAddress, unless a
// test puts other functions in place (a null loader result means no library: classic
// drawing everywhere).
struct ThemeLoader {
    HMODULE(WINAPI* load)(LPCSTR name);
    FARPROC(WINAPI* resolve)(HMODULE module, LPCSTR name);
};
ThemeLoader SetThemeLoader(const ThemeLoader& loader) noexcept;

// --- a control class

// One per control class: its registration, its count of live windows and its theme library.
// The class resources (GDI objects, shared theme handles) are made by the first live window
// and freed after the last one.
class ControlClass {
public:
    ControlClass(const char* name, WNDPROC proc, HBRUSH background, void (*makeResources)(),
                 void (*freeResources)()) noexcept;

    // 1 when the class is (now or already) registered, 0 when RegisterClassExA fails (tried
    // again next time).
    int Register(HINSTANCE instance) noexcept;
    // A window of the class comes (before its block is hung on it) or goes.
    void AddUser() noexcept;
    void ReleaseUser() noexcept;
    const ControlThemeApi& Theme() const noexcept { return m_theme; }
    // Live windows minus one.
    LONG Users() const noexcept { return m_users; }
    const char* Name() const noexcept { return m_name; }
    // Forgets the theme library (without unloading it), so that a test can watch it being
    // loaded again through another loader.
    void ForgetForTests() noexcept;

private:
    const char* m_name;
    WNDPROC m_proc;
    HBRUSH m_background;
    void (*m_makeResources)();
    void (*m_freeResources)();
    volatile LONG m_registered = 0;
    volatile LONG m_users = -1;
    ControlThemeApi m_theme;
};
