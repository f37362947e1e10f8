// What the progress dialog computes without a window: the bar's range and value, the
// throttle that keeps a busy worker from flooding the dialog with text lines, and the rule by
// which the taskbar button follows a bar that runs through several passes. Also the small
// interface through which long operations report their progress, so that they run alike
// behind the dialog and, in tests, behind a synchronous stand-in.
#pragma once
#include <windows.h>
#include <stdint.h>

// How a long operation talks to whoever shows its progress. The dialog's worker thread calls
// these; every call but AskUser returns at once.
class ProgressSink {
public:
    virtual ~ProgressSink() {}
    // Position within the range the owner set.
    virtual void SetPos(uint64_t position) = 0;
    // Text line 0 to 3 (null: empty); lines above 3 are ignored.
    virtual void SetText(int line, const char* text) = 0;
    // True once the user has cancelled.
    virtual bool IsCancelled() = 0;
    // A message box shown on the user-interface thread; the button pressed.
    virtual int AskUser(const char* text, const char* caption, UINT type) = 0;
};

// The bar: positions of the range [base, base + span) are shifted down to at most 1024
// steps, and a span of 513 or more gets a 1/256 extra so that the bar is full only at the
// very end.
class ProgressBarRange {
public:
    // span := end - start, read as signed; 0 or less becomes 1. Returns true when the bar
    // range changed (the window's bar then needs its new range).
    bool SetRange(uint64_t start, uint64_t end);
    // Returns true when the bar value changed (and stores it).
    bool SetPos(uint64_t position);
    // One position further than the last one given.
    bool Step() { return SetPos(m_base + m_position + 1); }

    uint64_t Base() const { return m_base; }
    uint64_t Span() const { return m_span; }
    uint64_t BarRange() const { return m_barRange; }
    uint32_t Shift() const { return m_shift; }
    uint32_t Value() const { return m_value; }
    // The top of the bar: BarRange() >> Shift(), at most 1024.
    uint32_t Maximum() const { return static_cast<uint32_t>(m_barRange >> m_shift); }

private:
    uint64_t m_base = 0;
    uint64_t m_span = 1;
    uint64_t m_barRange = 1;
    uint32_t m_shift = 0;
    uint64_t m_position = 0;        // relative to the base, at most the bar range
    uint32_t m_value = 0;
};

// Four text lines written by a worker and shown by the user-interface thread: a line shown
// less than 80 ms ago waits as pending, and one 50 ms flush timer shows whatever waits. The
// caller holds its lock around every call; `now` is a millisecond tick count.
class ProgressTextThrottle {
public:
    enum Action { NOTHING = 0, SHOW_NOW = 1, ARM_FLUSH = 5 };
    static const DWORD kMinInterval = 80;
    static const DWORD kFlushDelay = 50;

    // Every line counts as last shown a second before `now`.
    void Reset(DWORD now);
    // A new text for the line: SHOW_NOW (post "show" now), ARM_FLUSH (the line waits and
    // the flush timer must be started) or NOTHING (it waits for the timer already armed).
    Action TextChanged(int line, DWORD now);
    // The window showed the line.
    void Shown(int line, DWORD now) { m_lastShown[line & 3] = now; }
    // The flush timer fired: the lines to show (bit n for line n); the timer is disarmed.
    unsigned Flush();
    bool Armed() const { return m_armed; }

private:
    DWORD m_lastShown[4] = {};
    bool m_pending[4] = {};
    bool m_armed = false;
};

// The taskbar button follows the bar; with several passes over the bar (pass count above 1)
// each pass takes 1024 steps of one long range, a value below the last one shown is not
// shown, and a fall into the first 65 steps of a pass holds the button until the value lies
// above 1/32 and below 7/8 of the whole.
class TaskbarProgressRule {
public:
    void SetPasses(uint32_t count, uint32_t index)
    {
        m_passCount = count;
        m_passIndex = index;
    }
    // Bar value and bar maximum in; true with the taskbar's value and maximum when the
    // button is to be set.
    bool Next(uint32_t barValue, uint32_t barMaximum, uint64_t* value, uint64_t* maximum);

private:
    uint32_t m_passCount = 0;
    uint32_t m_passIndex = 0;
    uint64_t m_last = 0;
    bool m_hold = false;
};
