// What the worker does to the progress dialog: steps that move the bar from the base of the
// range, a burst of positions that reaches the window as one command and still ends on the
// last value, and a cancel the worker asks for itself, carried out on the window's thread.
#include "uihelpers/ProgressDialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include "tests/support/TestSupport.h"

namespace {

// The bar's top and value for a position, worked out from the range the way the dialog
// promises it: a span of 513 or more gets 1/256 extra, then halved until 1024 steps or fewer
// are left; a position at or past the end is the full bar.
struct BarExpectation {
    uint32_t top, value;
};

BarExpectation ExpectedBar(uint64_t start, uint64_t end, uint64_t position)
{
    uint64_t span = end > start ? end - start : 1;
    uint64_t range = span >= 513 ? span + span / 256 : span;
    int shift = 0;
    while ((range >> shift) > 1024)
        ++shift;
    uint64_t relative = position - start;
    if (relative >= span)
        relative = range;
    return { static_cast<uint32_t>(range >> shift), static_cast<uint32_t>(relative >> shift) };
}

HWND Bar(CProgressDialog* dialog)
{
    return ::GetDlgItem(dialog->m_hWnd, IDC_PROGRESS_BAR);
}

// Read from the worker: the window's thread answers while it runs its modal loop.
uint32_t BarPos(CProgressDialog* dialog)
{
    return static_cast<uint32_t>(::SendMessageA(Bar(dialog), PBM_GETPOS, 0, 0));
}

uint32_t BarTop(CProgressDialog* dialog)
{
    return static_cast<uint32_t>(::SendMessageA(Bar(dialog), PBM_GETRANGE, FALSE, 0));
}

// A dialog that counts the position commands it is posted, and may hold its thread in a
// timer callback until the worker lets it go.
class CountingProgress : public CProgressDialog {
public:
    volatile LONG positionCommands = 0;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (LOWORD(wParam) == PROGRESS_CMD_OPCODE && (lParam & 0xFF) == 2)
            InterlockedIncrement(&positionCommands);
        return CProgressDialog::OnCommand(wParam, lParam);
    }
};

// ---------------------------------------------------------------- steps

struct StepRun {
    uint64_t start, end;
    int steps;
    uint32_t wantTop = 0, wantValue = 0;
    uint32_t top = 0, value = 0;
    bool shown = false;
};

UINT StepAndLook(ProgressSink*, const DWORD_PTR* params)
{
    CProgressDialog* dialog = reinterpret_cast<CProgressDialog*>(params[0]);
    StepRun* run = reinterpret_cast<StepRun*>(params[1]);
    for (int i = 0; i < run->steps; ++i)
        dialog->Step();
    run->shown = testsupport::WaitUntil([&] { return BarPos(dialog) == run->wantValue; });
    run->value = BarPos(dialog);
    run->top = BarTop(dialog);
    return 0;
}

// ---------------------------------------------------------------- a burst of positions

struct BurstRun {
    HANDLE uiHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE burstDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int distinctValues = 0;
    LONG commandsBefore = 0;
    uint32_t wantValue = 0, value = 0;
    bool shown = false;
    ~BurstRun()
    {
        CloseHandle(uiHeld);
        CloseHandle(burstDone);
    }
};

// The window's thread, on its first timer tick: held until the worker's burst is over, so
// that every position of the burst is given while no command can be handled.
void HoldWindowThread(void* argument)
{
    BurstRun* run = static_cast<BurstRun*>(argument);
    if (WaitForSingleObject(run->uiHeld, 0) == WAIT_OBJECT_0)
        return;
    SetEvent(run->uiHeld);
    WaitForSingleObject(run->burstDone, 60000);
}

UINT BurstOfPositions(ProgressSink* progress, const DWORD_PTR* params)
{
    CountingProgress* dialog = reinterpret_cast<CountingProgress*>(params[0]);
    BurstRun* run = reinterpret_cast<BurstRun*>(params[1]);
    if (WaitForSingleObject(run->uiHeld, 60000) != WAIT_OBJECT_0)
        return 1;
    run->commandsBefore = InterlockedCompareExchange(&dialog->positionCommands, 0, 0);
    uint32_t last = 0;
    for (uint64_t p = 1; p <= 1000; ++p) {
        progress->SetPos(p);
        const uint32_t v = ExpectedBar(0, 1024, p).value;
        if (v != last)
            ++run->distinctValues;
        last = v;
    }
    run->wantValue = last;
    SetEvent(run->burstDone);
    run->shown = testsupport::WaitUntil([&] { return BarPos(dialog) == run->wantValue; });
    run->value = BarPos(dialog);
    return 0;
}

// ---------------------------------------------------------------- the worker cancels

struct CancelRun {
    DWORD uiThread = 0;
    DWORD handlerThread = 0;
    volatile LONG handlerCalls = 0;
    bool cancelledAtOnce = false;
    bool handled = false;
    bool buttonDisabled = false;
};

void NoteCancel(void* argument)
{
    CancelRun* run = static_cast<CancelRun*>(argument);
    run->handlerThread = GetCurrentThreadId();
    InterlockedIncrement(&run->handlerCalls);
}

UINT CancelFromTheWorker(ProgressSink* progress, const DWORD_PTR* params)
{
    CProgressDialog* dialog = reinterpret_cast<CProgressDialog*>(params[0]);
    CancelRun* run = reinterpret_cast<CancelRun*>(params[1]);
    dialog->Cancel();
    run->cancelledAtOnce = progress->IsCancelled();
    dialog->Cancel();
    HWND button = ::GetDlgItem(dialog->m_hWnd, IDCANCEL);
    run->handled = testsupport::WaitUntil([&] {
        return InterlockedCompareExchange(&run->handlerCalls, 0, 0) >= 1 && !::IsWindowEnabled(button);
    });
    run->buttonDisabled = !::IsWindowEnabled(button);
    return 5;
}

class ProgressWorker : public ::testing::Test {
protected:
    static HRESULT NoTaskbar(ITaskbarList3** out)
    {
        *out = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    void SetUp() override
    {
        ResetProgressTaskbarState();
        SetProgressTaskbarFactory(&NoTaskbar);
    }
    void TearDown() override
    {
        SetProgressTaskbarFactory(nullptr);
        ResetProgressTaskbarState();
    }
};

}  // namespace

// Each step is one position further from the base the owner set, on bars with and without
// a shift.
TEST_F(ProgressWorker, StepsMoveTheBarFromTheBaseOfTheRange)
{
    StepRun runs[] = {
        { 1000, 1100, 37 },             // small span: one step is one bar unit
        { 5000, 105000, 1000 },         // shift 7: 1000 steps are 7 units
        { 0, 300, 300 },                // every step to the end: the bar is full
    };
    for (StepRun& run : runs) {
        SCOPED_TRACE(run.start);
        const BarExpectation want = ExpectedBar(run.start, run.end, run.start + static_cast<uint64_t>(run.steps));
        run.wantTop = want.top;
        run.wantValue = want.value;
        CProgressDialog dialog;
        dialog.SetRange(run.start, run.end);
        dialog.SetWorker(&StepAndLook, reinterpret_cast<DWORD_PTR>(&dialog), reinterpret_cast<DWORD_PTR>(&run));
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_TRUE(run.shown) << "the bar never showed the stepped position";
        EXPECT_EQ(run.wantValue, run.value);
        EXPECT_EQ(run.wantTop, run.top);
    }
}

// A worker that moves faster than the window can follow: while a position is on its way no
// other is posted, and the one that arrives shows the latest value.
TEST_F(ProgressWorker, ABurstOfPositionsIsOneCommandThatShowsTheLast)
{
    BurstRun run;
    CountingProgress dialog;
    dialog.SetRange(0, 1024);
    dialog.SetTimerCallback(&HoldWindowThread, 10, &run);
    dialog.SetWorker(&BurstOfPositions, reinterpret_cast<DWORD_PTR>(&dialog), reinterpret_cast<DWORD_PTR>(&run));
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetWorkerResult(), 0u);
    ASSERT_GT(run.distinctValues, 100);
    EXPECT_TRUE(run.shown) << "the last position never reached the bar";
    EXPECT_EQ(run.wantValue, run.value);
    // Every position command was posted before the worker's end, so all were handled by now.
    const LONG commandsForBurst = dialog.positionCommands - run.commandsBefore;
    EXPECT_GE(commandsForBurst, 1);
    EXPECT_LE(commandsForBurst, 2) << "each position of the burst was posted on its own";
}

// Cancel() called by the worker cancels as the button does: at once for the worker, and on
// the window's thread the handler runs once and the button is disabled; the dialog still
// waits for the worker and then ends with IDCANCEL.
TEST_F(ProgressWorker, CancelFromTheWorkerRunsTheHandlerOnTheWindowsThreadOnce)
{
    CancelRun run;
    run.uiThread = GetCurrentThreadId();
    CProgressDialog dialog;
    dialog.SetRange(0, 100);
    dialog.SetCancelHandler(&NoteCancel, &run);
    dialog.SetWorker(&CancelFromTheWorker, reinterpret_cast<DWORD_PTR>(&dialog), reinterpret_cast<DWORD_PTR>(&run));
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.GetWorkerResult(), 5u) << "the worker was not waited for";
    EXPECT_TRUE(run.cancelledAtOnce);
    EXPECT_TRUE(run.handled) << "the cancel never reached the window";
    EXPECT_TRUE(run.buttonDisabled);
    EXPECT_EQ(run.handlerThread, run.uiThread);
    // Both cancels were posted before the worker's end, so both were handled by now.
    EXPECT_EQ(run.handlerCalls, 1);
}

// The bar's own arithmetic for steps, without a window.
TEST(ProgressBarRange, StepCountsFromTheBase)
{
    const struct { uint64_t start, end; int steps; } cases[] = {
        { 0, 10, 3 }, { 1000, 1100, 99 }, { 1000, 1100, 100 }, { 5000, 105000, 128 }, { 1ull << 40, (1ull << 40) + 4096, 20 },
    };
    for (const auto& c : cases) {
        ProgressBarRange bar;
        bar.SetRange(c.start, c.end);
        int changes = 0;
        uint32_t last = 0;
        for (int i = 1; i <= c.steps; ++i) {
            const uint32_t want = ExpectedBar(c.start, c.end, c.start + static_cast<uint64_t>(i)).value;
            EXPECT_EQ(want != last, bar.Step()) << c.start << " step " << i;
            changes += want != last ? 1 : 0;
            last = want;
            EXPECT_EQ(want, bar.Value()) << c.start << " step " << i;
        }
        EXPECT_EQ(changes > 0, last > 0);
    }
}
