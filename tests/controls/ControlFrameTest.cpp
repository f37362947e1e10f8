// The frame of the own controls: the lock that catches a release it does not hold, and the
// theme library loaded once per class through an injected loader.
#include <gtest/gtest.h>
#include "controls/ControlFrame.h"
#include "controls/FastListImpl.h"
#include "controls/TreeList.h"
#include "tests/controls/FastListTestSupport.h"

#include <thread>

namespace {

std::vector<int> g_reported;
void Record(int line)
{
    g_reported.push_back(line);
}

int g_loads = 0, g_inits = 0, g_uninits = 0;
HRESULT WINAPI FakeInit()
{
    ++g_inits;
    return S_OK;
}
HRESULT WINAPI FakeUnInit()
{
    ++g_uninits;
    return S_OK;
}
HMODULE WINAPI FakeLoad(LPCSTR)
{
    ++g_loads;
    return reinterpret_cast<HMODULE>(0x1234);
}
FARPROC WINAPI FakeResolve(HMODULE, LPCSTR name)
{
    if (!lstrcmpA(name, "BufferedPaintInit"))
        return reinterpret_cast<FARPROC>(&FakeInit);
    if (!lstrcmpA(name, "BufferedPaintUnInit"))
        return reinterpret_cast<FARPROC>(&FakeUnInit);
    return nullptr;   // everything else missing: classic drawing
}
HMODULE WINAPI NoLibrary(LPCSTR)
{
    return nullptr;
}

}  // namespace

TEST(ControlFrame, ReleasingALockNotHeldIsReportedAndSkipped)
{
    UnlockErrorReporter old = SetUnlockErrorReporter(&Record);
    g_reported.clear();
    ControlLock lock;
    // Each release in turn: the lines reported so far and the depth left after it. A lock
    // nobody holds is reported; one held by another thread is skipped without a report.
    const struct { const char* what; int line; bool check; bool enter, otherEnters; std::vector<int> reported; int depth; } steps[] = {
        { "enter", 0, true, true, false, {}, 1 },
        { "enter again", 0, true, true, false, {}, 2 },
        { "release", 10, true, false, false, {}, 1 },
        { "release the last level", 11, true, false, false, {}, 0 },
        { "release of a free lock", 12, true, false, false, { 12 }, 0 },
        { "unchecked release of a free lock", 15, false, false, false, { 12 }, 0 },
        { "release of another thread's lock", 13, true, false, true, { 12 }, 1 },
        { "unchecked release of another thread's lock", 14, false, false, false, { 12 }, 1 },
    };
    for (const auto& s : steps) {
        if (s.otherEnters) {
            std::thread other([&] { lock.Enter(); });
            other.join();
        }
        if (s.enter)
            lock.Enter();
        else if (s.line)
            lock.Leave(s.line, s.check);
        EXPECT_EQ(g_reported, s.reported) << s.what;
        EXPECT_EQ(lock.Depth(), s.depth) << s.what;
    }
    SetUnlockErrorReporter(old);
}

TEST(ControlFrame, TheThemeLibraryIsLoadedOnceAndBufferedPaintingBracketsTheLiveWindows)
{
    // No list may live now, so that the counts start from the first window.
    ASSERT_EQ(g_fastListClass.Users(), -1);
    g_fastListClass.ForgetForTests();
    ThemeLoader old = SetThemeLoader({&FakeLoad, &FakeResolve});
    g_loads = g_inits = g_uninits = 0;
    fltest::Parent parent;
    HWND a = fltest::MakeFastList(parent.hwnd, 0, nullptr);
    HWND b = fltest::MakeFastList(parent.hwnd, 0, nullptr);
    EXPECT_EQ(g_loads, 1);
    EXPECT_EQ(g_inits, 1);
    DestroyWindow(a);
    EXPECT_EQ(g_uninits, 0);
    DestroyWindow(b);
    EXPECT_EQ(g_uninits, 1);
    HWND c = fltest::MakeFastList(parent.hwnd, 0, nullptr);
    EXPECT_EQ(g_loads, 1);   // never loaded again
    EXPECT_EQ(g_inits, 2);
    DestroyWindow(c);
    EXPECT_EQ(g_uninits, 2);
    SetThemeLoader(old);
    g_fastListClass.ForgetForTests();
}

TEST(ControlFrame, WithoutTheThemeLibraryCheckBoxesComeFromTheListsOwnImages)
{
    ASSERT_EQ(g_fastListClass.Users(), -1);
    g_fastListClass.ForgetForTests();
    ThemeLoader old = SetThemeLoader({&NoLibrary, &FakeResolve});
    fltest::Parent parent;
    fltest::Texts texts;
    HWND classic = fltest::MakeFastList(parent.hwnd, 0, &texts);
    SendMessageA(classic, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    FastListBlock* block = FastListOf(classic);
    ASSERT_NE(block, nullptr);
    EXPECT_NE(block->images[FLIL_CHECK].list, nullptr);
    EXPECT_NE(block->images[FLIL_CHECK].list, kThemedBoxes);
    EXPECT_EQ(ImageList_GetImageCount(block->images[FLIL_CHECK].list), 2);
    DestroyWindow(classic);
    SetThemeLoader(old);
    g_fastListClass.ForgetForTests();
}

TEST(ControlFrame, AClassIsRegisteredOnceAndAFailedRegistrationIsTriedAgain)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA info = {sizeof info};
    // A class of that name made elsewhere first: RegisterClassExA fails, the result is 0.
    WNDCLASSA foreign = {};
    foreign.lpfnWndProc = &DefWindowProcA;
    foreign.hInstance = instance;
    foreign.lpszClassName = "ControlFrameTestClass";
    ASSERT_TRUE(RegisterClassA(&foreign));
    ControlClass cls("ControlFrameTestClass", &DefWindowProcA, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr,
                     nullptr);
    EXPECT_EQ(cls.Register(instance), 0);
    // Tried again, it registers with its own record.
    ASSERT_TRUE(UnregisterClassA("ControlFrameTestClass", instance));
    EXPECT_EQ(cls.Register(instance), 1);
    ASSERT_TRUE(GetClassInfoExA(instance, "ControlFrameTestClass", &info));
    EXPECT_EQ(info.style, static_cast<UINT>(CS_DBLCLKS));
    EXPECT_EQ(info.cbWndExtra, 4);
    EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // Once registered, it is not registered again: a class removed behind its back stays gone.
    ASSERT_TRUE(UnregisterClassA("ControlFrameTestClass", instance));
    EXPECT_EQ(cls.Register(instance), 1);
    EXPECT_FALSE(GetClassInfoExA(instance, "ControlFrameTestClass", &info));
}

TEST(ControlFrame, TheListPaintsEveryPixelAndTheTreeListHasAHollowBackground)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_EQ(RegisterFastListClass(instance), 1);
    ASSERT_EQ(RegisterTreeListClass(instance), 1);
    WNDCLASSEXA list = {sizeof list}, tree = {sizeof tree};
    ASSERT_TRUE(GetClassInfoExA(instance, "FastList", &list));
    ASSERT_TRUE(GetClassInfoExA(instance, "TreeList", &tree));
    EXPECT_EQ(list.hbrBackground, nullptr);
    EXPECT_EQ(tree.hbrBackground, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    for (const WNDCLASSEXA* c : {&list, &tree}) {
        EXPECT_EQ(c->style, static_cast<UINT>(CS_DBLCLKS));
        EXPECT_EQ(c->cbWndExtra, 4);
        EXPECT_EQ(c->hCursor, LoadCursorA(nullptr, IDC_ARROW));
    }
}
