// The undo journal's storage: a ring of 128 entries with the three positions that split it
// into the undoable part (oldest .. current) and the redoable part (current .. top). It
// knows nothing of text; CTextEdit fills the entries and replays them.
#pragma once
#include <stdint.h>

// Kind bits of an entry, in the order a replay applies them.
enum UndoKindBits : uint8_t
{
    UK_REMOVE = 1,      // remove start .. end (the removed text is kept for the way back)
    UK_INSERT = 2,      // insert the kept text at start
    UK_RETYPE = 4,      // re-type the character at end
    UK_OVERWRITE = 8,   // with UK_RETYPE: in overwrite mode
    UK_GROUP = 16,      // replayed together with its neighbour, which carries the bit too
    UK_CARET_START = 32,
    UK_CARET_END = 64,
};

// Typing runs that one undo step takes back together.
enum UndoRunClass : uint8_t
{
    UR_NONE = 0,
    UR_WORD = 1,     // word characters typed one after another
    UR_BLANK = 2,    // blanks and TABs typed one after another
    UR_BACKSPACE = 3,
    UR_DELETE = 4,
};

struct UndoEntry
{
    uint8_t kind;
    uint8_t modified;       // the editor's modified byte before the edit
    int32_t startColumn;
    int32_t startLine;
    int32_t endColumn;
    int32_t endLine;
    int32_t character;      // re-typed character, or 7, 8, 13 for Delete, Backspace, Enter
    int32_t key;            // the key that caused the entry
    char* text;             // heap (malloc), may be null
    int32_t textLength;
    // Run links, unchanged by replays: the entry continues the run of the one before it
    // when both have the same class and the earlier one's next position is this one's.
    uint8_t runClass;
    uint8_t groupRole;      // 1 first, 2 second entry of a group (both carry UK_GROUP)
    int64_t runPosition;
    int64_t runNext;
};

class CUndoRing
{
public:
    static constexpr int kCapacity = 128;

    CUndoRing();
    ~CUndoRing();

    // Frees every kept text, empties all entries, all positions 0.
    void Clear();

    // A new entry at the current position: the redo range is discarded, a full ring drops its
    // oldest entry. The entry is zeroed and counted as undoable at once; the caller fills it.
    UndoEntry* NewEntry();

    // The newest undoable entry (the one NewEntry returned last), null when none.
    UndoEntry* Newest();

    bool CanUndo() const { return m_current != m_oldest; }
    bool CanRedo() const { return m_top != m_current; }
    int UndoableCount() const { return static_cast<int>(m_current - m_oldest); }
    int RedoableCount() const { return static_cast<int>(m_top - m_current); }

    // Steps the current position: the entry to undo (moving back) or to redo (moving on),
    // null at the ends.
    UndoEntry* StepBack();
    UndoEntry* StepForward();
    // The entry a further step would take, without stepping; null at the ends.
    UndoEntry* PeekBack();
    UndoEntry* PeekForward();

    // Takes back the newest entry when it is `entry` and nothing lies ahead of it (an edit
    // that turned out to change nothing). Returns whether it was taken back.
    bool DiscardNewest(const UndoEntry* entry);

    // Gives a new entry carrying UK_GROUP its place in a pair: second when the entry before
    // it opened a pair, else first.
    void SealGroup(UndoEntry* entry);

    // Replaces an entry's kept text (the old one is freed; `text` is taken over).
    static void SetText(UndoEntry* entry, char* text, int length);

private:
    UndoEntry& Slot(int64_t position) { return m_entries[static_cast<int>(position % kCapacity)]; }
    void Empty(UndoEntry& entry);

    UndoEntry m_entries[kCapacity];
    int64_t m_current;
    int64_t m_top;
    int64_t m_oldest;
};
