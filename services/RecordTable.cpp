#include "services/RecordTable.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

CRecordTable::CRecordTable(int recordSize, int growStep)
    : m_records(nullptr),
      m_count(0),
      m_capacity(0),
      m_recordSize(recordSize > 0 ? recordSize : 0),
      m_growStep(growStep > 0 ? growStep : 0)
{
}

CRecordTable::~CRecordTable()
{
    RemoveAll();
}

int CRecordTable::SetItemSize(int recordSize, int growStep)
{
    // The step only decides how the pointer array grows, so it may change at any time; the
    // size of the records already made may not.
    if (growStep >= 0)
        m_growStep = growStep;
    if (m_count > 0 || recordSize < 1)
        return 0;
    m_recordSize = recordSize;
    return 1;
}

bool CRecordTable::Grow(int n)
{
    long long needed = static_cast<long long>(m_count) + n;
    if (needed <= m_capacity)
        return true;
    long long base = static_cast<long long>(m_capacity) + n;
    long long capacity;
    if (m_growStep == 0) {
        capacity = base * 3 / 2;
        if (capacity < 16)
            capacity = 16;
    } else {
        capacity = (base / m_growStep + 1) * m_growStep;
    }
    if (capacity < needed)
        capacity = needed;
    if (capacity > INT_MAX / static_cast<int>(sizeof(void*)))
        return false;
    void** grown = static_cast<void**>(realloc(m_records, static_cast<size_t>(capacity) * sizeof(void*)));
    if (!grown)
        return false;
    m_records = grown;
    m_capacity = static_cast<int>(capacity);
    return true;
}

int CRecordTable::Insert(const void* record, int position, int count)
{
    if (count < 1 || m_recordSize < 1 || count > INT_MAX - m_count || !Grow(count))
        return -1;
    if (position < 0)
        position = 0;
    if (position > m_count)
        position = m_count;

    // The copies are made first into the free tail of the array, so that a failure leaves
    // the table unchanged.
    void** made = m_records + m_count;
    const unsigned char* source = static_cast<const unsigned char*>(record);
    for (int i = 0; i < count; ++i) {
        made[i] = malloc(static_cast<size_t>(m_recordSize));
        if (!made[i]) {
            while (i > 0)
                free(made[--i]);
            return -1;
        }
        if (source)
            memcpy(made[i], source + static_cast<size_t>(i) * m_recordSize, static_cast<size_t>(m_recordSize));
        else
            memset(made[i], 0, static_cast<size_t>(m_recordSize));
    }
    // Rotate the new pointers from the tail to the position.
    std::rotate(m_records + position, m_records + m_count, m_records + m_count + count);
    m_count += count;
    return position;
}

int CRecordTable::RemoveRange(int first, int end)
{
    if (first < 0)
        first = 0;
    if (end > m_count)
        end = m_count;
    if (end <= first)
        return 0;
    for (int i = first; i < end; ++i)
        free(m_records[i]);
    memmove(m_records + first, m_records + end, static_cast<size_t>(m_count - end) * sizeof(void*));
    m_count -= end - first;

    if (m_capacity > 64 && m_count < m_capacity / 4) {
        int capacity = m_count * 2 < 16 ? 16 : m_count * 2;
        void** shrunk = static_cast<void**>(realloc(m_records, static_cast<size_t>(capacity) * sizeof(void*)));
        if (shrunk) {   // keeping the larger array is harmless
            m_records = shrunk;
            m_capacity = capacity;
        }
    }
    return end - first;
}

void CRecordTable::RemoveAll()
{
    for (int i = 0; i < m_count; ++i)
        free(m_records[i]);
    free(m_records);
    m_records = nullptr;
    m_count = 0;
    m_capacity = 0;
}

int CRecordTable::FindSorted(uint32_t key, int first, int end, int fieldOffset, int flags) const
{
    if (fieldOffset < 0 || fieldOffset > m_recordSize - 4)
        return -1;
    if (first < 0)
        first = 0;
    if (end > m_count)
        end = m_count;
    if (first > end)
        return (flags & RECORD_FIND_INSERT) ? m_count : -1;

    bool isUnsigned = (flags & RECORD_FIND_UNSIGNED) != 0;
    auto compare = [&](int index) {   // field of the record against the key: -1, 0, 1
        uint32_t field;
        memcpy(&field, static_cast<const unsigned char*>(m_records[index]) + fieldOffset, 4);
        if (isUnsigned)
            return field < key ? -1 : (field > key ? 1 : 0);
        int32_t a = static_cast<int32_t>(field);
        int32_t b = static_cast<int32_t>(key);
        return a < b ? -1 : (a > b ? 1 : 0);
    };

    // Lower bound: the first record whose field is not below the key.
    int low = first;
    int high = end;
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (compare(middle) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    bool found = low < end && compare(low) == 0;
    if (!found)
        return (flags & RECORD_FIND_INSERT) ? low : -1;
    if (flags & RECORD_FIND_FIRST)
        return low;
    if (flags & RECORD_FIND_BEHIND) {
        int behind = low;
        int top = end;
        while (behind < top) {
            int middle = behind + (top - behind) / 2;
            if (compare(middle) <= 0)
                behind = middle + 1;
            else
                top = middle;
        }
        return behind;
    }
    return low;
}
