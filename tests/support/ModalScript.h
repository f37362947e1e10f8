// Drives modal loops (DoModal, message boxes, menus) from the test: a thread timer runs the
// steps in order, each until it reports done, inside whatever modal loop is pumping at the
// time. A watchdog ends every dialog of the thread when the script does not finish in time,
// so a broken dialog fails the test instead of hanging it.
//
//   testsupport::ModalScript script;
//   script.Add([&](HWND d) { ...; return testsupport::Click(d, IDOK); });
//   EXPECT_EQ(IDOK, script.Run([&] { return dlg.DoModal(); }));
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

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
inline HWND ThreadDialog(HWND except = nullptr)
{
    DialogSearch s = { except, nullptr };
    EnumThreadWindows(GetCurrentThreadId(), &FindDialogProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

inline std::string WindowText(HWND w)
{
    char buf[512] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

// The texts of a window's static children, joined by "|".
inline std::string StaticTexts(HWND h)
{
    std::string all;
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") != 0)
            continue;
        const std::string text = WindowText(c);
        if (text.empty())
            continue;
        if (!all.empty())
            all += "|";
        all += text;
    }
    return all;
}

// The items of a list box.
inline std::vector<std::string> ListBoxTexts(HWND list)
{
    std::vector<std::string> texts;
    const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[512] = {};
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        texts.push_back(buf);
    }
    return texts;
}

// Posts the command of a button (or IDOK, IDCANCEL) to the dialog; true, so that it can end
// a step.
inline bool Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return true;
}

class ModalScript {
public:
    // A step that runs once a dialog of the thread is visible, and gets it.
    using Step = std::function<bool(HWND)>;
    // A step that runs on every tick, dialog or not (for message boxes and menus it finds itself).
    using FreeStep = std::function<bool()>;

    ModalScript() = default;
    ~ModalScript() { Stop(); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    void Add(Step step) { m_steps.push_back({ std::move(step), true }); }
    void Add(FreeStep step)
    {
        m_steps.push_back({ [s = std::move(step)](HWND) { return s(); }, false });
    }

    void Start(DWORD timeoutMs = 60000)
    {
        s_active = this;
        m_deadline = GetTickCount() + timeoutMs;
        m_timer = SetTimer(nullptr, 0, 20, &ModalScript::Tick);
    }

    void Stop()
    {
        if (m_timer)
            KillTimer(nullptr, m_timer);
        m_timer = 0;
        if (s_active == this)
            s_active = nullptr;
    }

    // Starts the script, runs the modal loop and stops the script; a script that timed out or
    // left steps undone fails the test.
    template <typename Loop>
    auto Run(Loop loop, DWORD timeoutMs = 60000) -> decltype(loop())
    {
        Start(timeoutMs);
        auto result = loop();
        Stop();
        EXPECT_FALSE(m_timedOut) << "the dialog was ended by the watchdog";
        EXPECT_TRUE(Finished()) << "steps left: " << m_steps.size() - m_next;
        return result;
    }

    bool Finished() const { return m_next >= m_steps.size(); }
    bool TimedOut() const { return m_timedOut; }

private:
    struct Entry {
        Step run;
        bool needsDialog;
    };

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalScript* s = s_active;
        if (!s || s->m_busy)
            return;
        s->m_busy = true;
        if (static_cast<LONG>(GetTickCount() - s->m_deadline) > 0) {
            s->m_timedOut = true;
            // End whatever is still open, innermost first.
            for (int i = 0; i < 8; ++i) {
                HWND d = ThreadDialog();
                if (!d)
                    break;
                EndDialog(d, IDABORT);
                ShowWindow(d, SW_HIDE);
            }
            s->m_next = s->m_steps.size();
        } else if (s->m_next < s->m_steps.size()) {
            const Entry& e = s->m_steps[s->m_next];
            HWND dialog = ThreadDialog();
            if ((dialog || !e.needsDialog) && e.run(dialog))
                ++s->m_next;
        }
        s->m_busy = false;
    }

    static inline ModalScript* s_active = nullptr;
    std::vector<Entry> m_steps;
    size_t m_next = 0;
    UINT_PTR m_timer = 0;
    DWORD m_deadline = 0;
    bool m_busy = false;
    bool m_timedOut = false;
};

}  // namespace testsupport
