// The undo ring. Positions count up without wrapping (64 bits do not run out), so a full
// ring of 128 undoable entries is told apart from an empty one without a spare slot.
#include "editor/UndoRing.h"

#include <stdlib.h>
#include <string.h>

CUndoRing::CUndoRing() : m_current(0), m_top(0), m_oldest(0)
{
    memset(m_entries, 0, sizeof(m_entries));
}

CUndoRing::~CUndoRing()
{
    Clear();
}

void CUndoRing::Empty(UndoEntry& entry)
{
    free(entry.text);
    memset(&entry, 0, sizeof(entry));
}

void CUndoRing::Clear()
{
    for (UndoEntry& entry : m_entries)
        Empty(entry);
    m_current = m_top = m_oldest = 0;
}

UndoEntry* CUndoRing::NewEntry()
{
    // A new edit after undos: what could have been redone is gone.
    for (int64_t p = m_current; p < m_top; ++p)
        Empty(Slot(p));
    m_top = m_current;
    if (m_current - m_oldest >= kCapacity)
    {
        // The slot taken now is the oldest one: its entry (and its text) is dropped.
        ++m_oldest;
    }
    UndoEntry& entry = Slot(m_current);
    Empty(entry);
    ++m_current;
    m_top = m_current;
    return &entry;
}

UndoEntry* CUndoRing::Newest()
{
    return m_current > m_oldest ? &Slot(m_current - 1) : nullptr;
}

UndoEntry* CUndoRing::StepBack()
{
    if (m_current <= m_oldest)
        return nullptr;
    --m_current;
    return &Slot(m_current);
}

UndoEntry* CUndoRing::StepForward()
{
    if (m_current >= m_top)
        return nullptr;
    return &Slot(m_current++);
}

UndoEntry* CUndoRing::PeekBack()
{
    return m_current > m_oldest ? &Slot(m_current - 1) : nullptr;
}

UndoEntry* CUndoRing::PeekForward()
{
    return m_current < m_top ? &Slot(m_current) : nullptr;
}

void CUndoRing::SetText(UndoEntry* entry, char* text, int length)
{
    if (!entry)
    {
        free(text);
        return;
    }
    free(entry->text);
    entry->text = text;
    entry->textLength = text ? length : 0;
}

void CUndoRing::SealGroup(UndoEntry* entry)
{
    if (!entry || !(entry->kind & UK_GROUP))
        return;
    entry->groupRole = 1;
    if (m_current - 1 > m_oldest && entry == &Slot(m_current - 1))
    {
        const UndoEntry& before = Slot(m_current - 2);
        if ((before.kind & UK_GROUP) && before.groupRole == 1)
            entry->groupRole = 2;
    }
}

bool CUndoRing::DiscardNewest(const UndoEntry* entry)
{
    if (!entry || m_current <= m_oldest || m_top != m_current || entry != &Slot(m_current - 1))
        return false;
    Empty(Slot(m_current - 1));
    --m_current;
    m_top = m_current;
    return true;
}
