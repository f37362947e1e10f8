#include "services/PtrTable.h"

#include <climits>
#include <cstdlib>
#include <cstring>

CPtrTable::CPtrTable() : m_entries(nullptr), m_count(0), m_capacity(0)
{
}

CPtrTable::~CPtrTable()
{
    RemoveAll();
}

int CPtrTable::Add(const void* pointer, int copySize)
{
    return Insert(m_count, pointer, copySize);
}

int CPtrTable::Insert(int index, const void* pointer, int copySize)
{
    if (m_count == m_capacity) {
        if (m_capacity > INT_MAX / 2 / static_cast<int>(sizeof(Entry)))
            return -1;
        int capacity = m_capacity < 8 ? 8 : m_capacity * 2;
        Entry* grown = static_cast<Entry*>(realloc(m_entries, static_cast<size_t>(capacity) * sizeof(Entry)));
        if (!grown)
            return -1;
        m_entries = grown;
        m_capacity = capacity;
    }
    Entry entry;
    entry.owned = copySize > 0;
    if (entry.owned) {
        entry.pointer = malloc(static_cast<size_t>(copySize));
        if (!entry.pointer)
            return -1;
        if (pointer)
            memcpy(entry.pointer, pointer, static_cast<size_t>(copySize));
        else
            memset(entry.pointer, 0, static_cast<size_t>(copySize));
    } else {
        entry.pointer = const_cast<void*>(pointer);
    }
    if (index < 0)
        index = 0;
    if (index > m_count)
        index = m_count;
    memmove(m_entries + index + 1, m_entries + index, static_cast<size_t>(m_count - index) * sizeof(Entry));
    m_entries[index] = entry;
    ++m_count;
    return index;
}

void* CPtrTable::GetAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_entries[index].pointer;
}

int CPtrTable::RemoveAt(int index)
{
    if (index < 0 || index >= m_count)
        return 0;
    if (m_entries[index].owned)
        free(m_entries[index].pointer);
    memmove(m_entries + index, m_entries + index + 1, static_cast<size_t>(m_count - index - 1) * sizeof(Entry));
    --m_count;
    return 1;
}

void CPtrTable::RemoveAll()
{
    for (int i = 0; i < m_count; ++i) {
        if (m_entries[i].owned)
            free(m_entries[i].pointer);
    }
    free(m_entries);
    m_entries = nullptr;
    m_count = 0;
    m_capacity = 0;
}
