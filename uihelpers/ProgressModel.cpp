#include "uihelpers/ProgressModel.h"

bool ProgressBarRange::SetRange(uint64_t start, uint64_t end)
{
    m_base = start;
    int64_t span = static_cast<int64_t>(end - start);
    m_span = span <= 0 ? 1 : static_cast<uint64_t>(span);
    // The extra 1/256 keeps the last step for the end: a bar that looks full while the
    // last chunk is still being written would be a lie.
    uint64_t barRange = m_span >= 513 ? m_span + m_span / 256 : m_span;
    if (barRange == m_barRange)
        return false;
    m_barRange = barRange;
    m_shift = 0;
    while ((barRange >> m_shift) > 1024)
        ++m_shift;
    // A new range during a run: the value is worked out again on the new scale. Kept as it
    // was, the old value read against the new range would put the bar somewhere the work
    // is not.
    if (m_position > m_barRange)
        m_position = m_barRange;
    m_value = static_cast<uint32_t>(m_position >> m_shift);
    return true;
}

bool ProgressBarRange::SetPos(uint64_t position)
{
    uint64_t relative = position - m_base;
    // A position before the base wraps round to a huge number and shows as full, as one
    // past the end does.
    if (relative >= m_span)
        relative = m_barRange;
    m_position = relative;
    uint32_t value = static_cast<uint32_t>(relative >> m_shift);
    if (value == m_value)
        return false;
    m_value = value;
    return true;
}

void ProgressTextThrottle::Reset(DWORD now)
{
    for (int i = 0; i < 4; ++i) {
        m_lastShown[i] = now - 1000;
        m_pending[i] = false;
    }
    m_armed = false;
}

ProgressTextThrottle::Action ProgressTextThrottle::TextChanged(int line, DWORD now)
{
    line &= 3;
    if (now - m_lastShown[line] >= kMinInterval) {
        // Counted as shown from now on, so that a burst of texts right behind this one waits
        // for the flush instead of posting one "show" each. A flush still armed for an older
        // text of the line shows this one again, which costs nothing.
        m_lastShown[line] = now;
        m_pending[line] = false;
        return SHOW_NOW;
    }
    m_pending[line] = true;
    if (m_armed)
        return NOTHING;
    m_armed = true;
    return ARM_FLUSH;
}

unsigned ProgressTextThrottle::Flush()
{
    unsigned lines = 0;
    for (int i = 0; i < 4; ++i) {
        if (m_pending[i])
            lines |= 1u << i;
        m_pending[i] = false;
    }
    m_armed = false;
    return lines;
}

bool TaskbarProgressRule::Next(uint32_t barValue, uint32_t barMaximum, uint64_t* value, uint64_t* maximum)
{
    uint64_t v = barValue < barMaximum ? barValue : barMaximum;
    uint64_t m = barMaximum;
    if (m_passCount <= 1) {
        *value = v;
        *maximum = m;
        return true;
    }
    if (m == 0)
        m = 1;
    v = v * 1024 / m + static_cast<uint64_t>(m_passIndex) * 1024;
    m = static_cast<uint64_t>(m_passCount) * 1024;
    if (m_hold) {
        // A new run of the bar: the button waits until that run is clearly under way.
        if (!(v > m / 32 && v < m * 7 / 8))
            return false;
        m_hold = false;
    } else if (v < m_last) {
        if (v % 1024 < 65)
            m_hold = true;
        return false;
    }
    m_last = v;
    *value = v;
    *maximum = m;
    return true;
}
