// CTextList: a list of heap-allocated texts, each item carrying user data of one fixed size.
//
// Items are addressed by index from 0. Each item is one heap block holding its text length,
// its user data (8-byte aligned) and its text with a terminating NUL, so a text may be read
// as a C string. The list also keeps a maximum count and a find mode for the most-recently-
// used histories (SetLimit, MoveToFront): maximum 16 and exact comparison until set.
//
// Comparisons: "find mode" / "find flags" bit 0 (value 1) compares without regard to case
// (letters of code page 1252); 0 compares bytes exactly. Sorted lists are ordered by
// unsigned byte value, a text before every longer text that begins with it.
//
// Memory: every insertion that cannot get memory returns -1 and leaves the list unchanged.
#pragma once
#include <stdint.h>

#include "textlib/StrPrintf.h"

class CTextList
{
public:
    explicit CTextList(int dataSize = 0);
    ~CTextList();

    // Sets the user-data size; only while the list is empty. Returns the size, or -1 when
    // refused (items present or a negative size).
    int SetDataSize(int size);
    int GetDataSize() const { return m_dataSize; }

    // Inserts a copy of the text (NULL counts as empty) before `index` (negative: append;
    // above the count: append) with a copy of the user data (NULL: zeroed). Returns the
    // index of the new item, -1 without memory.
    int InsertText(const char* text, int index = -1, const void* data = nullptr);
    // The same with an explicit length (negative: up to the NUL); the copy also ends at a NUL
    // within the length.
    int InsertTextN(int length, const char* text, int index = -1, const void* data = nullptr);

    // Inserts the parts of `text` split at `separator`, from `index` on, each with the same
    // user data. Separator 0 reads the text as a list of terminated texts ended by an empty
    // one. With another separator empty parts between separators are kept, but a separator
    // at the very end adds no empty item. Returns the index of the first item, -1 for a NULL
    // or empty text (or without memory: then nothing is inserted).
    int InsertSplit(char separator, const char* text, int index = -1,
                    const void* data = nullptr);

    // Inserts into a list kept sorted (find flags: 1 ignores case) behind the items that
    // compare equal. Returns the index, -1 without memory.
    int InsertSorted(int length, const char* text, const void* data = nullptr, int flags = 0);

    // Binary search of a sorted list over [from, to) (to negative or above the count: the
    // count). Returns the index of the first item equal to the text (length negative: up to
    // the NUL), -1 when none.
    int FindSorted(int length, const char* text, int from = 0, int to = -1, int flags = 0) const;

    // Linear search over [from, to) (to negative or above the count: the count) for an item
    // equal to the text under the find mode. Returns the index or -1.
    int FindText(const char* text, int from = 0, int to = -1, int mode = 0) const;

    // Sets the maximum count (below 0: 16) and the find mode, removes the later duplicates
    // among the first maximum-count texts and cuts the items beyond the maximum.
    void SetLimit(int maxCount, int findMode = 0);

    // Moves the text to index 0 when it is among the first maximum-count items (compared by
    // the find mode) and returns 0; returns 1 when it is not there.
    int MoveToFront(const char* text);

    // A new heap block (malloc; the caller frees it) holding the texts of [from, to) as a
    // list of terminated texts ended by an empty one; empty texts are left out, since they
    // would end the list early. Returns the block's size (2 for an empty range: two NULs),
    // or 0 with *out NULL without memory.
    int JoinMultiString(int from, int to, char** out) const;

    int GetCount() const { return m_count; }

    // The item's text, NULL when the index is out of range.
    const char* GetText(int index) const;
    // The item's text and its length; NULL and 0 when out of range. `length` may be NULL.
    const char* GetTextAndLength(int index, int* length) const;
    // The length of the item's text, 0 when out of range.
    int GetTextLength(int index) const;

    // The item's user data, NULL when out of range (or when the data size is 0).
    void* GetItemDataPtr(int index) const;
    // The first 32-bit word of the user data; 0 when out of range or the data is shorter.
    uint32_t GetItemData(int index) const;
    // Sets the first 32-bit word; nonzero when done.
    int SetItemData(int index, uint32_t value);

    // Replaces the item's text (length negative: up to the NUL) and keeps its user data.
    // Nonzero when done; out of range or without memory the item stays as it was.
    int SetTextN(int length, const char* text, int index);

    // Appends the text formatted by the program's own printf engine. Returns its index, -1
    // on failure.
    int AddFormat(const char* format, ...) STRPRINTF_FORMAT(2, 3);

    // Frees the items [first, end) (first below 0 counts as 0, end is clamped to the count).
    // Returns the number removed.
    int RemoveRange(int first, int end);

    // Frees every item; returns 1.
    int Clear();

private:
    struct Item;

    CTextList(const CTextList&) = delete;
    CTextList& operator=(const CTextList&) = delete;

    Item* NewItem(const char* text, int length, const void* data) const;
    bool Reserve(int count);
    void InsertItems(Item** items, int n, int index);
    int LowerBound(const char* text, int length, int from, int to, bool noCase) const;
    int UpperBound(const char* text, int length, int from, int to, bool noCase) const;
    void ClampRange(int* from, int* to) const;

    Item** m_items;
    int m_count;
    int m_capacity;
    int m_dataSize;
    int m_maxCount;
    int m_findMode;
};
