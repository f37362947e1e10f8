// Drives modal loops (DoModal, message boxes) from the test: a thread timer runs the steps in
// order, each until it reports done, inside whatever modal loop is pumping at the time. A
// watchdog ends every dialog of the thread when the script does not finish in time, so a
// broken dialog fails the test instead of hanging it.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace modalscript {

struct DialogSearch {
    HWND except;
    HWND found;
};

inline BOOL CALLBACK FindDialogProc(HWND h, LPARAM lp)
{
    DialogSearch* s = reinterpret_cast<DialogSearch*>(lp);
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (h != s->except && IsWindowVisible(h) && lstrcmpA(cls, "#32770") == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog-class window of this thread other than `except` (a message box, say).
inline HWND FindThreadDialog(HWND except)
{
    DialogSearch s = { except, nullptr };
    EnumThreadWindows(GetCurrentThreadId(), &FindDialogProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The texts of a window's static children, joined by "|".
inline std::string StaticTexts(HWND h)
{
    std::string all;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") != 0) continue;
        char text[512] = {};
        GetWindowTextA(c, text, sizeof text);
        if (!text[0]) continue;
        if (!all.empty()) all += "|";
        all += text;
    }
    return all;
}

class Script {
public:
    using Step = std::function<bool()>;

    Script() = default;
    ~Script() { Stop(); }

    void Add(Step step) { m_steps.push_back(std::move(step)); }

    void Start(DWORD timeoutMs = 15000)
    {
        s_active = this;
        m_deadline = GetTickCount() + timeoutMs;
        m_timer = SetTimer(nullptr, 0, 20, &Script::Tick);
    }

    void Stop()
    {
        if (m_timer) KillTimer(nullptr, m_timer);
        m_timer = 0;
        if (s_active == this) s_active = nullptr;
    }

    bool Finished() const { return m_next >= m_steps.size(); }
    bool TimedOut() const { return m_timedOut; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Script* s = s_active;
        if (!s || s->m_busy) return;
        s->m_busy = true;
        if (static_cast<LONG>(GetTickCount() - s->m_deadline) > 0) {
            s->m_timedOut = true;
            // End whatever is still open, innermost first.
            for (int i = 0; i < 8; ++i) {
                HWND d = FindThreadDialog(nullptr);
                if (!d) break;
                EndDialog(d, IDABORT);
                ShowWindow(d, SW_HIDE);
            }
            s->m_next = s->m_steps.size();
        } else if (s->m_next < s->m_steps.size()) {
            if (s->m_steps[s->m_next]()) ++s->m_next;
        }
        s->m_busy = false;
    }

    static inline Script* s_active = nullptr;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
    DWORD m_deadline = 0;
    bool m_busy = false;
    bool m_timedOut = false;
};

}  // namespace modalscript
