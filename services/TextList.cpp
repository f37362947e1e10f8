#include "services/TextList.h"

#include "services/CaseFold.h"

#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

// One heap block per item: this header, the user data, the text and its NUL. The header is
// 8 bytes so that the user data keeps malloc's 8-byte alignment (records with 64-bit
// fields).
struct CTextList::Item
{
    int length;
    int reserved;

    unsigned char* Data() { return reinterpret_cast<unsigned char*>(this) + sizeof(Item); }
    char* Text(int dataSize) { return reinterpret_cast<char*>(Data()) + dataSize; }
};

namespace {

const int kDefaultMaxCount = 16;

// strnlen over at most `length` bytes (length negative: up to the NUL).
int BoundedLength(const char* text, int length)
{
    if (!text)
        return 0;
    if (length < 0) {
        size_t n = strlen(text);
        return n > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(n);
    }
    const void* nul = memchr(text, 0, static_cast<size_t>(length));
    return nul ? static_cast<int>(static_cast<const char*>(nul) - text) : length;
}

}  // namespace

CTextList::CTextList(int dataSize)
    : m_items(nullptr),
      m_count(0),
      m_capacity(0),
      m_dataSize(dataSize > 0 ? dataSize : 0),
      m_maxCount(kDefaultMaxCount),
      m_findMode(0)
{
}

CTextList::~CTextList()
{
    Clear();
    free(m_items);
}

int CTextList::SetDataSize(int size)
{
    if (m_count > 0 || size < 0)
        return -1;
    m_dataSize = size;
    return size;
}

CTextList::Item* CTextList::NewItem(const char* text, int length, const void* data) const
{
    if (length < 0 || length > INT_MAX / 2 || m_dataSize > INT_MAX / 2)
        return nullptr;
    size_t bytes = sizeof(Item) + static_cast<size_t>(m_dataSize) + static_cast<size_t>(length) + 1;
    Item* item = static_cast<Item*>(malloc(bytes));
    if (!item)
        return nullptr;
    item->length = length;
    item->reserved = 0;
    if (m_dataSize > 0) {
        if (data)
            memcpy(item->Data(), data, static_cast<size_t>(m_dataSize));
        else
            memset(item->Data(), 0, static_cast<size_t>(m_dataSize));
    }
    char* target = item->Text(m_dataSize);
    if (length > 0)
        memcpy(target, text, static_cast<size_t>(length));
    target[length] = '\0';
    return item;
}

bool CTextList::Reserve(int count)
{
    if (count <= m_capacity)
        return true;
    int capacity = m_capacity < 16 ? 16 : m_capacity;
    while (capacity < count) {
        if (capacity > INT_MAX / 2 / static_cast<int>(sizeof(Item*)))
            return false;
        capacity *= 2;
    }
    Item** grown = static_cast<Item**>(realloc(m_items, static_cast<size_t>(capacity) * sizeof(Item*)));
    if (!grown)
        return false;
    m_items = grown;
    m_capacity = capacity;
    return true;
}

// Places n prepared items at `index` (already clamped); the room must be reserved.
void CTextList::InsertItems(Item** items, int n, int index)
{
    memmove(m_items + index + n, m_items + index,
            static_cast<size_t>(m_count - index) * sizeof(Item*));
    memcpy(m_items + index, items, static_cast<size_t>(n) * sizeof(Item*));
    m_count += n;
}

int CTextList::InsertText(const char* text, int index, const void* data)
{
    return InsertTextN(-1, text, index, data);
}

int CTextList::InsertTextN(int length, const char* text, int index, const void* data)
{
    if (m_count == INT_MAX || !Reserve(m_count + 1))
        return -1;
    Item* item = NewItem(text ? text : "", BoundedLength(text, length), data);
    if (!item)
        return -1;
    if (index < 0 || index > m_count)
        index = m_count;
    InsertItems(&item, 1, index);
    return index;
}

int CTextList::InsertSplit(char separator, const char* text, int index, const void* data)
{
    if (!text || text[0] == '\0')
        return -1;

    // First the parts' count, so that all items can be made before the list changes.
    int parts = 0;
    if (separator == '\0') {
        for (const char* p = text; *p != '\0'; p += strlen(p) + 1)
            ++parts;
    } else {
        const char* p = text;
        while (*p != '\0') {
            const char* end = strchr(p, separator);
            ++parts;
            if (!end)
                break;
            p = end + 1;
        }
    }
    if (parts > INT_MAX - m_count || !Reserve(m_count + parts))
        return -1;
    Item** made = static_cast<Item**>(malloc(static_cast<size_t>(parts) * sizeof(Item*)));
    if (!made)
        return -1;

    int n = 0;
    const char* p = text;
    while (n < parts) {
        int length;
        if (separator == '\0') {
            length = BoundedLength(p, -1);
        } else {
            const char* end = strchr(p, separator);
            length = end ? static_cast<int>(end - p) : BoundedLength(p, -1);
        }
        made[n] = NewItem(p, length, data);
        if (!made[n])
            break;
        ++n;
        p += length + 1;
    }
    if (n < parts) {
        while (n > 0)
            free(made[--n]);
        free(made);
        return -1;
    }
    if (index < 0 || index > m_count)
        index = m_count;
    InsertItems(made, parts, index);
    free(made);
    return index;
}

void CTextList::ClampRange(int* from, int* to) const
{
    if (*to < 0 || *to > m_count)
        *to = m_count;
    if (*from < 0)
        *from = 0;
    if (*from > *to)
        *from = *to;
}

int CTextList::LowerBound(const char* text, int length, int from, int to, bool noCase) const
{
    while (from < to) {
        int middle = from + (to - from) / 2;
        Item* item = m_items[middle];
        if (CompareBytes1252(item->Text(m_dataSize), item->length, text, length, noCase) < 0)
            from = middle + 1;
        else
            to = middle;
    }
    return from;
}

int CTextList::UpperBound(const char* text, int length, int from, int to, bool noCase) const
{
    while (from < to) {
        int middle = from + (to - from) / 2;
        Item* item = m_items[middle];
        if (CompareBytes1252(item->Text(m_dataSize), item->length, text, length, noCase) <= 0)
            from = middle + 1;
        else
            to = middle;
    }
    return from;
}

int CTextList::InsertSorted(int length, const char* text, const void* data, int flags)
{
    int n = BoundedLength(text, length);
    int index = UpperBound(text ? text : "", n, 0, m_count, (flags & 1) != 0);
    return InsertTextN(n, text, index, data);
}

int CTextList::FindSorted(int length, const char* text, int from, int to, int flags) const
{
    ClampRange(&from, &to);
    if (!text)
        text = "";
    int n = BoundedLength(text, length);
    bool noCase = (flags & 1) != 0;
    int index = LowerBound(text, n, from, to, noCase);
    if (index < to) {
        Item* item = m_items[index];
        if (CompareBytes1252(item->Text(m_dataSize), item->length, text, n, noCase) == 0)
            return index;
    }
    return -1;
}

int CTextList::FindText(const char* text, int from, int to, int mode) const
{
    ClampRange(&from, &to);
    if (!text)
        text = "";
    int n = BoundedLength(text, -1);
    bool noCase = (mode & 1) != 0;
    for (int i = from; i < to; ++i) {
        Item* item = m_items[i];
        if (item->length == n &&
            CompareBytes1252(item->Text(m_dataSize), item->length, text, n, noCase) == 0)
            return i;
    }
    return -1;
}

void CTextList::SetLimit(int maxCount, int findMode)
{
    m_maxCount = maxCount < 0 ? kDefaultMaxCount : maxCount;
    m_findMode = findMode;
    bool noCase = (findMode & 1) != 0;
    for (int i = 0; i < m_count && i < m_maxCount; ++i) {
        Item* kept = m_items[i];
        int j = i + 1;
        while (j < m_count && j < m_maxCount) {
            Item* other = m_items[j];
            if (CompareBytes1252(kept->Text(m_dataSize), kept->length, other->Text(m_dataSize),
                                 other->length, noCase) == 0)
                RemoveRange(j, j + 1);
            else
                ++j;
        }
    }
    RemoveRange(m_maxCount, m_count);
}

int CTextList::MoveToFront(const char* text)
{
    int limit = m_count < m_maxCount ? m_count : m_maxCount;
    int index = FindText(text, 0, limit, m_findMode);
    if (index < 0)
        return 1;
    Item* item = m_items[index];
    memmove(m_items + 1, m_items, static_cast<size_t>(index) * sizeof(Item*));
    m_items[0] = item;
    return 0;
}

int CTextList::JoinMultiString(int from, int to, char** out) const
{
    if (!out)
        return 0;
    *out = nullptr;
    ClampRange(&from, &to);
    size_t size = 1;
    for (int i = from; i < to; ++i) {
        if (m_items[i]->length > 0)
            size += static_cast<size_t>(m_items[i]->length) + 1;
        if (size > INT_MAX)
            return 0;
    }
    if (size < 2)
        size = 2;
    char* block = static_cast<char*>(malloc(size));
    if (!block)
        return 0;
    char* p = block;
    for (int i = from; i < to; ++i) {
        Item* item = m_items[i];
        if (item->length == 0)
            continue;
        memcpy(p, item->Text(m_dataSize), static_cast<size_t>(item->length) + 1);
        p += item->length + 1;
    }
    while (p < block + size)
        *p++ = '\0';
    *out = block;
    return static_cast<int>(size);
}

const char* CTextList::GetText(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_items[index]->Text(m_dataSize);
}

const char* CTextList::GetTextAndLength(int index, int* length) const
{
    if (index < 0 || index >= m_count) {
        if (length)
            *length = 0;
        return nullptr;
    }
    if (length)
        *length = m_items[index]->length;
    return m_items[index]->Text(m_dataSize);
}

int CTextList::GetTextLength(int index) const
{
    if (index < 0 || index >= m_count)
        return 0;
    return m_items[index]->length;
}

void* CTextList::GetItemDataPtr(int index) const
{
    if (index < 0 || index >= m_count || m_dataSize == 0)
        return nullptr;
    return m_items[index]->Data();
}

uint32_t CTextList::GetItemData(int index) const
{
    if (index < 0 || index >= m_count || m_dataSize < 4)
        return 0;
    uint32_t value;
    memcpy(&value, m_items[index]->Data(), 4);
    return value;
}

int CTextList::SetItemData(int index, uint32_t value)
{
    if (index < 0 || index >= m_count || m_dataSize < 4)
        return 0;
    memcpy(m_items[index]->Data(), &value, 4);
    return 1;
}

int CTextList::SetTextN(int length, const char* text, int index)
{
    if (index < 0 || index >= m_count)
        return 0;
    Item* old = m_items[index];
    Item* item = NewItem(text ? text : "", BoundedLength(text, length), old->Data());
    if (!item)
        return 0;
    free(old);
    m_items[index] = item;
    return 1;
}

int CTextList::AddFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* text = nullptr;
    int length = StrVPrintfAlloc(&text, format, args);
    va_end(args);
    if (length < 0 || !text)
        return -1;
    int index = InsertTextN(length, text, -1, nullptr);
    free(text);
    return index;
}

int CTextList::RemoveRange(int first, int end)
{
    if (first < 0)
        first = 0;
    if (end > m_count)
        end = m_count;
    if (end <= first)
        return 0;
    for (int i = first; i < end; ++i)
        free(m_items[i]);
    memmove(m_items + first, m_items + end, static_cast<size_t>(m_count - end) * sizeof(Item*));
    m_count -= end - first;
    return end - first;
}

int CTextList::Clear()
{
    RemoveRange(0, m_count);
    return 1;
}
