// CRecordTable: a table of owned heap copies of fixed-size records, kept as an array of
// pointers. Used by the marked text view (its mark ranges) and the menu-bitmap cache.
//
// The pointer array grows when count + n exceeds the capacity: with grow step 0 to
// (capacity + n) * 3 / 2, at least 16; otherwise to the next multiple of the step above
// capacity + n. It shrinks again in RemoveRange when fewer than a quarter of a capacity
// above 64 is in use (to twice the count, at least 16).
#pragma once
#include <stdint.h>

enum RecordFindFlags
{
    RECORD_FIND_UNSIGNED = 1,   // compare the field as an unsigned number
    RECORD_FIND_FIRST = 2,      // the first of equal records
    RECORD_FIND_BEHIND = 4,     // the position behind the last of equal records
    RECORD_FIND_INSERT = 8,     // the insertion point instead of -1
};

class CRecordTable
{
public:
    static const int kAppend = 0x7FFFFFFF;

    CRecordTable(int recordSize, int growStep = 0);
    ~CRecordTable();

    // Sets the record size (only while the table is empty) and the grow step (negative:
    // left as it is; taken also while records are there). Nonzero when the size was set; 0
    // for a non-empty table or a size below 1.
    int SetItemSize(int recordSize, int growStep);

    // Inserts heap copies of `count` consecutive records (NULL: zeroed records) at
    // `position` (clamped to [0, count]; kAppend appends). Returns the position, -1 for a
    // count below 1 or without memory (then nothing is inserted).
    int Insert(const void* record, int position = kAppend, int count = 1);

    // Frees the records [first, end) (first below 0 counts as 0, end clamped to the count).
    // Returns the number removed.
    int RemoveRange(int first, int end);

    // Frees every record and the pointer array.
    void RemoveAll();

    // Binary search over [first, end) (end clamped to the count; below first: an empty range)
    // of records sorted by the 32-bit field at `fieldOffset` (signed unless
    // RECORD_FIND_UNSIGNED). Returns the position of a record whose field equals the key
    // (the first with RECORD_FIND_FIRST, the position behind the last with RECORD_FIND_BEHIND)
    // or -1 when there is none; with RECORD_FIND_INSERT the insertion point instead of -1
    // (the count when first lies beyond the end). -1 as well when the field does not lie
    // inside the record.
    int FindSorted(uint32_t key, int first, int end, int fieldOffset, int flags) const;

    int GetCount() const { return m_count; }
    int GetCapacity() const { return m_capacity; }
    int GetItemSize() const { return m_recordSize; }
    // The record at the index, NULL past the end.
    void* GetAt(int index) const
    {
        return index >= 0 && index < m_count ? m_records[index] : nullptr;
    }

private:
    CRecordTable(const CRecordTable&) = delete;
    CRecordTable& operator=(const CRecordTable&) = delete;

    bool Grow(int n);

    void** m_records;
    int m_count;
    int m_capacity;
    int m_recordSize;
    int m_growStep;
};
