// Small windows for the tests of uihelpers: a hidden modeless dialog holding one control of
// a given class, made from an in-memory template.
#pragma once
#include <windows.h>
#include <string>
#include "classlib/DlgTemplate.h"

namespace uitest {

inline INT_PTR CALLBACK QuietDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A hidden dialog with one control (id 100) of the given class and style.
class HostDialog {
public:
    HostDialog(LPCSTR controlClass, DWORD controlStyle)
    {
        CDlgTemplateBuilder b;
        b.Begin("Test", WS_POPUP | WS_CAPTION, 0, 0, 200, 150, "MS Sans Serif", 8, FALSE);
        b.AddControl(controlClass, 100, controlStyle, 0, 5, 5, 150, 100);
        m_dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), b.GetTemplate(), NULL, &QuietDlgProc, 0);
    }
    ~HostDialog() { if (m_dialog) DestroyWindow(m_dialog); }
    HWND Dialog() const { return m_dialog; }
    HWND Control() const { return GetDlgItem(m_dialog, 100); }
private:
    HWND m_dialog = nullptr;
};

}  // namespace uitest

#include <functional>
#include <vector>

namespace uitest {

inline BOOL CALLBACK FindVisibleDialog(HWND h, LPARAM lp)
{
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (IsWindowVisible(h) && lstrcmpA(cls, "#32770") == 0) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog of this thread (the modal one under test), or NULL.
inline HWND ThreadDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Steps run one after another from a thread timer inside the modal loop; each gets the
// dialog and returns true when done. A watchdog ends the dialog when the steps have not
// finished in time, so a broken dialog fails the test instead of hanging it.
class ModalSteps {
public:
    using Step = std::function<bool(HWND)>;
    void Add(Step s) { m_steps.push_back(std::move(s)); }
    void Start(DWORD timeoutMs = 10000)
    {
        s_active = this;
        m_deadline = GetTickCount() + timeoutMs;
        m_timer = SetTimer(nullptr, 0, 30, &ModalSteps::Tick);
    }
    ~ModalSteps() { Stop(); }
    void Stop()
    {
        if (m_timer) KillTimer(nullptr, m_timer);
        m_timer = 0;
        if (s_active == this) s_active = nullptr;
    }
    bool TimedOut() const { return m_timedOut; }
    bool Finished() const { return m_next >= m_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalSteps* s = s_active;
        if (!s || s->m_busy) return;
        s->m_busy = true;
        HWND dlg = ThreadDialog();
        if (static_cast<LONG>(GetTickCount() - s->m_deadline) > 0) {
            s->m_timedOut = true;
            if (dlg) EndDialog(dlg, IDABORT);
            s->m_next = s->m_steps.size();
        } else if (dlg && s->m_next < s->m_steps.size()) {
            if (s->m_steps[s->m_next](dlg)) ++s->m_next;
        }
        s->m_busy = false;
    }
    static inline ModalSteps* s_active = nullptr;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
    DWORD m_deadline = 0;
    bool m_busy = false;
    bool m_timedOut = false;
};

inline std::string WindowText(HWND w)
{
    char buf[512] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

inline int WindowWidth(HWND w)
{
    RECT rc;
    GetWindowRect(w, &rc);
    return rc.right - rc.left;
}

}  // namespace uitest
