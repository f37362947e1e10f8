// The frame of the own controls: the lock that catches a release it does not hold, and the
// theme library loaded once per class through an injected loader.
#include <gtest/gtest.h>
#include "controls/ControlFrame.h"
#include "controls/FastListImpl.h"
#include "controls/TreeList.h"
#include "controls/TreeListImpl.h"
#include "tests/controls/FastListTestSupport.h"

#include <atomic>
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
    ++g_loads;
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
    // A library that could not be loaded is tried again for the next first window.
    g_loads = 0;
    DestroyWindow(fltest::MakeFastList(parent.hwnd, 0, &texts));
    EXPECT_EQ(g_loads, 1);
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

// While another thread holds a tree list's lock, a property write of the value already there
// (as the property keeps it: flags as 0 or 1, property 10 as a signed byte), a read-only
// property and a number out of range come back at once with the old value; a write of a new
// value waits for the lock and then stores it.
TEST(ControlFrame, ATreeListPropertyWriteOfTheSameValueTakesNoLock)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_EQ(RegisterTreeListClass(instance), 1);
    HWND tree = CreateWindowExA(0, TREELIST_CLASS, nullptr, WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(tree, nullptr);
    TreeListBlock* block = TreeListFromWindow(tree);
    ASSERT_NE(block, nullptr);
    auto property = [&](UINT number) { return SendMessageA(tree, TLM_PROPERTY, number, 0); };
    SendMessageA(tree, TLM_PROPERTY, kPropertyWrite | TLP_UNSCROLLEDROW, 0x100);
    SendMessageA(tree, TLM_PROPERTY, kPropertyWrite | TLP_MINROWHEIGHT, 20);
    const LRESULT selected = property(TLP_SELECTEDCOUNT);
    // A direct call of the window procedure on a thread of its own; the result, or -77 while
    // the call still waits after `wait` ms (it is then waited for after the lock is free).
    WNDPROC proc = reinterpret_cast<WNDPROC>(property(TLP_WINDOWPROC));
    ASSERT_NE(proc, nullptr);
    const struct { UINT number; LPARAM value; LRESULT old; } same[] = {
        { TLP_CALLER1, 1, 1 },
        { TLP_UNSCROLLEDROW, 7, 1 },
        { TLP_PINNEDEDIT, 0, 0 },
        { TLP_MINROWHEIGHT, 0x100 + 20, 20 },
        { TLP_SCROLLMARGIN, 3, 3 },
        { TLP_SELECTEDCOUNT, selected + 5, selected },
        { 0, 9, 0 },
        { 17, 9, 0 },
    };
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        block->lock.Enter();
        SetEvent(taken);
        WaitForSingleObject(release, INFINITE);
        block->lock.Leave(__LINE__);
    });
    ASSERT_EQ(WaitForSingleObject(taken, 60000), WAIT_OBJECT_0);
    for (const auto& s : same) {
        std::atomic<LRESULT> result(-77);
        std::thread call([&] { result = proc(tree, TLM_PROPERTY, kPropertyWrite | s.number, s.value); });
        const DWORD start = GetTickCount();
        while (result == -77 && GetTickCount() - start < 60000)
            Sleep(1);
        EXPECT_EQ(result, s.old) << "property " << s.number << " waited for the lock";
        if (result == -77)
            SetEvent(release);   // let it finish rather than hang the suite
        call.join();
    }
    std::atomic<LRESULT> changed(-77);
    std::thread call([&] { changed = proc(tree, TLM_PROPERTY, kPropertyWrite | TLP_CALLER2, 42); });
    Sleep(200);
    EXPECT_EQ(changed, -77) << "a new value is written under the lock";
    SetEvent(release);
    call.join();
    holder.join();
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(property(TLP_CALLER2), 42);
    CloseHandle(taken);
    CloseHandle(release);
    DestroyWindow(tree);
}
