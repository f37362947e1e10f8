// CPtrTable: a table of pointers, each either borrowed (the caller keeps the object alive)
// or an owned heap copy made at insertion and freed with its entry. The shell icon cache
// keeps its per-extension records in one.
#pragma once

class CPtrTable
{
public:
    CPtrTable();
    ~CPtrTable();

    // Appends `pointer`; with copySize above 0 an owned heap copy of copySize bytes at
    // `pointer` is stored instead (NULL: a zeroed block). Returns the index, -1 without
    // memory.
    int Add(const void* pointer, int copySize = 0);

    // Inserts like Add before `index` (clamped to [0, count]).
    int Insert(int index, const void* pointer, int copySize = 0);

    // The pointer at the index (the copy for owned entries), NULL out of range.
    void* GetAt(int index) const;
    int GetCount() const { return m_count; }

    // Removes the entry (freeing an owned copy); nonzero when there was one.
    int RemoveAt(int index);
    // Removes every entry.
    void RemoveAll();

private:
    struct Entry
    {
        void* pointer;
        bool owned;
    };

    CPtrTable(const CPtrTable&) = delete;
    CPtrTable& operator=(const CPtrTable&) = delete;

    Entry* m_entries;
    int m_count;
    int m_capacity;
};
