#include "controls/ControlFrame.h"

#include <cstdio>

// --- the lock

ControlLock::ControlLock() noexcept
{
    ::InitializeCriticalSection(&m_cs);
}

ControlLock::~ControlLock()
{
    ::DeleteCriticalSection(&m_cs);
}

void ControlLock::Enter() noexcept
{
    ::EnterCriticalSection(&m_cs);
    m_owner = ::GetCurrentThreadId();
    ++m_depth;
}

bool ControlLock::HeldByCaller() const noexcept
{
    return m_depth > 0 && m_owner == ::GetCurrentThreadId();
}

void ControlLock::Leave(int line, bool check) noexcept
{
    if (!HeldByCaller()) {
        // Releasing a lock this thread does not hold would corrupt it, so it is skipped. Only
        // a lock that nobody holds is reported; one held by another thread is that thread's
        // to release and says nothing about this release site.
        if (check && m_depth == 0)
            ReportUnlockError(line);
        return;
    }
    if (--m_depth == 0)
        m_owner = 0;
    ::LeaveCriticalSection(&m_cs);
}

namespace {

void ShowUnlockErrorBox(int line)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", line);
    ::MessageBoxA(nullptr, text, "Unlock Error", MB_OK);
}

UnlockErrorReporter g_reporter = &ShowUnlockErrorBox;

HMODULE WINAPI LoadByName(LPCSTR name)
{
    return ::LoadLibraryA(name);
}

FARPROC WINAPI ResolveByName(HMODULE module, LPCSTR name)
{
    return ::GetProcAddress(module, name);
}

ThemeLoader g_loader = {&LoadByName, &ResolveByName};

}  // namespace

UnlockErrorReporter SetUnlockErrorReporter(UnlockErrorReporter reporter) noexcept
{
    UnlockErrorReporter old = g_reporter;
    g_reporter = reporter ? reporter : &ShowUnlockErrorBox;
    return old;
}

void ReportUnlockError(int line) noexcept
{
    g_reporter(line);
}

// --- notifications

LRESULT ControlNotifyParent(HWND window, NMHDR* record, int code) noexcept
{
    if (!record || !window)
        return 0;
    const int id = static_cast<int>(::GetWindowLongA(window, GWL_ID));
    record->hwndFrom = window;
    record->idFrom = static_cast<UINT_PTR>(id);
    record->code = static_cast<UINT>(code);
    HWND parent = ::GetParent(window);
    if (!parent)
        return 0;
    return ::SendMessageA(parent, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(record));
}

LRESULT ControlNotifyUnlocked(ControlBlock* block, NMHDR* record, int code, int line, bool check) noexcept
{
    if (!block)
        return 0;
    HWND window = block->window;
    ControlUnlocked unlocked(block->lock, line, check);
    return ControlNotifyParent(window, record, code);
}

// --- the theme library

ThemeLoader SetThemeLoader(const ThemeLoader& loader) noexcept
{
    ThemeLoader old = g_loader;
    g_loader = loader.load && loader.resolve ? loader : ThemeLoader{&LoadByName, &ResolveByName};
    return old;
}

ControlClass::ControlClass(const char* name, WNDPROC proc, HBRUSH background, void (*makeResources)(),
                           void (*freeResources)()) noexcept
    : m_name(name), m_proc(proc), m_background(background), m_makeResources(makeResources),
      m_freeResources(freeResources)
{
}

int ControlClass::Register(HINSTANCE instance) noexcept
{
    if (m_registered)
        return 1;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = m_proc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = m_background;
    wc.lpszClassName = m_name;
    if (!::RegisterClassExA(&wc))
        return 0;
    m_registered = 1;
    return 1;
}

void ControlClass::AddUser() noexcept
{
    if (::InterlockedIncrement(&m_users) > 0)
        return;
    // The first live window: the class's drawing resources and the theme library, until it
    // has been loaded once (it stays loaded; a failed load is tried again).
    if (m_makeResources)
        m_makeResources();
    if (!m_theme.module) {
        m_theme = ControlThemeApi();
        m_theme.module = g_loader.load("UxTheme.dll");
        if (HMODULE m = m_theme.module) {
            // Through void*: the entry points have their own types, GetProcAddress one for all.
            auto get = [m](LPCSTR name) { return reinterpret_cast<void*>(g_loader.resolve(m, name)); };
            m_theme.SetWindowTheme = reinterpret_cast<SetWindowThemeFn>(get("SetWindowTheme"));
            m_theme.EndBufferedPaint = reinterpret_cast<EndBufferedPaintFn>(get("EndBufferedPaint"));
            m_theme.BeginBufferedPaint = reinterpret_cast<BeginBufferedPaintFn>(get("BeginBufferedPaint"));
            m_theme.BufferedPaintInit = reinterpret_cast<BufferedPaintInitFn>(get("BufferedPaintInit"));
            m_theme.BufferedPaintUnInit = reinterpret_cast<BufferedPaintUnInitFn>(get("BufferedPaintUnInit"));
            m_theme.OpenThemeData = reinterpret_cast<OpenThemeDataFn>(get("OpenThemeData"));
            m_theme.CloseThemeData = reinterpret_cast<CloseThemeDataFn>(get("CloseThemeData"));
            m_theme.DrawThemeBackground = reinterpret_cast<DrawThemeBackgroundFn>(get("DrawThemeBackground"));
            m_theme.GetThemePartSize = reinterpret_cast<GetThemePartSizeFn>(get("GetThemePartSize"));
            m_theme.GetThemeBackgroundContentRect =
                reinterpret_cast<GetThemeBackgroundContentRectFn>(get("GetThemeBackgroundContentRect"));
        }
    }
    if (m_theme.BufferedPaintInit)
        m_theme.BufferedPaintInit();
}

void ControlClass::ReleaseUser() noexcept
{
    if (::InterlockedDecrement(&m_users) >= 0)
        return;
    // The last window is gone; the library itself stays loaded.
    if (m_freeResources)
        m_freeResources();
    if (m_theme.BufferedPaintUnInit)
        m_theme.BufferedPaintUnInit();
}

void ControlClass::ForgetForTests() noexcept
{
    m_theme = ControlThemeApi();
}
