#include "views/HexUndo.h"

#include <stdlib.h>
#include <string.h>

CHexUndoRing::CHexUndoRing()
    : m_current(0), m_newest(0), m_oldest(0)
{
    memset(m_entries, 0, sizeof(m_entries));
}

CHexUndoRing::~CHexUndoRing()
{
    Clear();
}

void CHexUndoRing::FreeEntry(int index)
{
    HexUndoEntry& entry = m_entries[index];
    free(entry.saved);
    memset(&entry, 0, sizeof(entry));
}

void CHexUndoRing::Clear()
{
    for (int i = 0; i < kEntries; ++i)
        FreeEntry(i);
    m_current = m_newest = m_oldest = 0;
}

int CHexUndoRing::UndoCount() const
{
    return (m_current - m_oldest + kEntries) & (kEntries - 1);
}

int CHexUndoRing::RedoCount() const
{
    return (m_newest - m_current + kEntries) & (kEntries - 1);
}

bool CHexUndoRing::Record(const uint8_t* data, int offset, int length, uint8_t hint, bool modifiedBefore)
{
    if (!data || offset < 0 || length <= 0)
        return false;
    uint8_t* saved = nullptr;
    if (length > 1)
    {
        saved = static_cast<uint8_t*>(malloc(static_cast<size_t>(length)));
        if (!saved)
            return false;
        memcpy(saved, data + offset, static_cast<size_t>(length));
    }
    // The slot may still hold an undone entry: its bytes go before the slot is reused, and
    // with them every later redo step.
    if (m_current != m_newest)
        for (int i = m_current; i != m_newest; i = Next(i))
            FreeEntry(i);
    HexUndoEntry& entry = m_entries[m_current];
    entry.saved = saved;
    entry.offset = offset;
    entry.length = length;
    entry.single = length == 1 ? data[offset] : 0;
    entry.hint = hint;
    entry.modifiedBefore = modifiedBefore ? 1 : 0;
    entry.spare = 0;
    m_current = m_newest = Next(m_current);
    if (m_newest == m_oldest)
    {
        FreeEntry(m_oldest);
        m_oldest = Next(m_oldest);
    }
    return true;
}

bool CHexUndoRing::SwapEntry(uint8_t* data, int size, int index)
{
    HexUndoEntry& entry = m_entries[index];
    entry.hint ^= 1;
    if (!data || entry.offset < 0 || entry.length <= 0 || entry.offset > size - entry.length)
        return false;
    if (entry.length == 1)
    {
        uint8_t b = data[entry.offset];
        data[entry.offset] = entry.single;
        entry.single = b;
        return true;
    }
    if (!entry.saved)
        return false;
    uint8_t* p = data + entry.offset;
    for (int i = 0; i < entry.length; ++i)
    {
        uint8_t b = p[i];
        p[i] = entry.saved[i];
        entry.saved[i] = b;
    }
    return true;
}

int CHexUndoRing::Step(uint8_t* data, int size, int direction, HexUndoStep* result)
{
    HexUndoStep r = { 0, 0, 0, 0, -1, false, false };
    int wanted = direction < 0 ? -direction : direction;
    while (r.steps < wanted)
    {
        int index;
        int hintBefore;
        if (direction < 0)
        {
            if (m_current == m_oldest)
                break;
            index = Previous(m_current);
            hintBefore = m_entries[index].hint;
        }
        else
        {
            if (m_current == m_newest)
                break;
            index = m_current;
            hintBefore = (m_entries[index].hint ^ 1) + 1;
        }
        const HexUndoEntry& entry = m_entries[index];
        if (SwapEntry(data, size, index))
        {
            if (r.lastChanged < 0 || entry.offset < r.firstChanged)
                r.firstChanged = entry.offset;
            if (entry.offset + entry.length - 1 > r.lastChanged)
                r.lastChanged = entry.offset + entry.length - 1;
        }
        r.offset = entry.offset;
        r.digits = hintBefore >= 3 ? hintBefore - 2 : 0;
        if (direction < 0)
        {
            m_current = index;
            r.clearModified = m_current == m_oldest && entry.modifiedBefore == 0;
        }
        else
        {
            m_current = Next(m_current);
            r.setModified = true;
        }
        ++r.steps;
    }
    if (result)
        *result = r;
    return r.steps;
}
