// The hex view's undo ring: 256 entries and three indexes (current, newest end, oldest end),
// all counted modulo 256, so at most 255 steps are kept. An entry holds the other version of
// the bytes it covers: before the change while it can be undone, after it while it can be
// redone. Undo and redo swap the entry's bytes with the data, so one copy serves both ways.
#pragma once
#include <stdint.h>

struct HexUndoEntry
{
    uint8_t* saved;          // the other version (malloc), NULL for a single byte
    int offset;              // first byte changed
    int length;              // bytes changed
    uint8_t single;          // the other version when length is 1
    uint8_t hint;            // 0 plain; 2 a first hex digit was typed, 3 a second; bit 0
                             // toggles with every swap
    uint8_t modifiedBefore;  // the view's "changed by the user" bit when the entry was made
    uint8_t spare;
};

// Where a step leaves the cursor: on `offset`, `digits` hex digits right of the byte's first.
struct HexUndoStep
{
    int steps;               // entries swapped (0: nothing to do)
    int offset;              // the last entry's offset
    int digits;              // 0, 1 or 2
    int firstChanged;        // lowest and highest byte swapped over all steps
    int lastChanged;
    bool setModified;        // a redo ran: the data is changed
    bool clearModified;      // undo reached the oldest entry and it was made on unchanged data
};

class CHexUndoRing
{
public:
    static const int kEntries = 256;

    CHexUndoRing();
    ~CHexUndoRing();
    CHexUndoRing(const CHexUndoRing&) = delete;
    CHexUndoRing& operator=(const CHexUndoRing&) = delete;

    // Frees every saved block; the ring is empty.
    void Clear();

    // Makes and commits an entry holding a copy of `length` bytes of `data` at `offset`
    // (the caller has clamped them into the data). A redo history is dropped; a full ring
    // drops its oldest entry. False, with nothing changed, when the copy cannot be allocated.
    bool Record(const uint8_t* data, int offset, int length, uint8_t hint, bool modifiedBefore);

    // Undoes (direction < 0) or redoes (> 0) up to |direction| steps on `data` of `size`
    // bytes. An entry that no longer fits the data is not swapped (the view empties the ring
    // whenever it gets other data, so that does not happen). Returns the steps done.
    int Step(uint8_t* data, int size, int direction, HexUndoStep* result);

    int UndoCount() const;
    int RedoCount() const;
    bool CanUndo() const { return UndoCount() > 0; }
    bool CanRedo() const { return RedoCount() > 0; }

private:
    static int Next(int index) { return (index + 1) & (kEntries - 1); }
    static int Previous(int index) { return (index + kEntries - 1) & (kEntries - 1); }
    void FreeEntry(int index);
    bool SwapEntry(uint8_t* data, int size, int index);

    HexUndoEntry m_entries[kEntries];
    int m_current;
    int m_newest;
    int m_oldest;
};
