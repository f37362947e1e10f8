// Helpers shared by the window tests of the text views: the system seam under the test's
// control (keys held, clock, beeps), a hidden parent that records the WM_NOTIFY blocks its
// children send, a memory surface to paint into, and the fixture that sets them up. The
// parent stays hidden: mapping a window costs Wine seconds per test, and focus, keys and
// painting into a memory context work without it.
#pragma once
#include "views/AnsiView.h"

#include "services/AppIdentity.h"
#include "tests/support/PlainPainter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace viewtest {

// --- the system seam: keys held, clock and beeps under the test's control
inline bool g_keyDown[256];
inline DWORD g_tick = 1000;
inline int g_beeps = 0;

inline SHORT WINAPI FakeKeyState(int key)
{
    return (key >= 0 && key < 256 && g_keyDown[key]) ? static_cast<SHORT>(0x8000) : 0;
}
inline DWORD WINAPI FakeTick()
{
    return g_tick;
}
inline BOOL WINAPI FakeBeep(UINT)
{
    ++g_beeps;
    return TRUE;
}

struct Notice
{
    UINT code;
    int32_t values[3];
};

// A parent that keeps every WM_NOTIFY its children send.
class CRecordingParent : public CWnd
{
public:
    std::vector<Notice> notices;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NOTIFY && lParam)
        {
            const AnsiViewNotify* n = reinterpret_cast<const AnsiViewNotify*>(lParam);
            Notice notice;
            notice.code = n->header.code;
            memcpy(notice.values, n->values, sizeof(notice.values));
            notices.push_back(notice);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
    const Notice* Last(UINT code) const
    {
        for (size_t i = notices.size(); i-- > 0;)
            if (notices[i].code == code)
                return &notices[i];
        return nullptr;
    }
    int Count(UINT code) const
    {
        int n = 0;
        for (const Notice& notice : notices)
            n += notice.code == code ? 1 : 0;
        return n;
    }
};


// A 32-bit top-down DIB selected into a memory context, for drawing checks.
class CMemorySurface : public plainpaint::Surface
{
public:
    CMemorySurface(int width, int height) : Surface(width, height, 0x55555555u) {}
};

// Identity, seam and parent for each test; the scratch key takes whatever a view saves.
class ViewWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "Views");
        memset(g_keyDown, 0, sizeof(g_keyDown));
        g_tick = 1000;
        g_beeps = 0;
        AnsiViewSystemSeam seam = { FakeKeyState, FakeTick, FakeBeep };
        SetAnsiViewSystemSeam(&seam);
        ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "Ansicht-Test", WS_POPUP, 0, 0, 640, 400, nullptr,
                                      nullptr));
    }
    void TearDown() override
    {
        m_parent.DestroyWindow();
        SetAnsiViewSystemSeam(nullptr);
    }

    testsupport::ScratchKey m_scratch{ "Views" };
    CRecordingParent m_parent;
};

}  // namespace viewtest
