// Changing the hex view's bytes without a window: typing hex digits and characters, paste,
// value input, and undo and redo through the view's undo ring. The window passes keys and
// clipboard texts in and turns the beeps and the Tab-out notice into sounds and messages;
// the bytes, the cursor and the "changed by the user" bit live in the model.
//
// Nothing is ever written outside the data, and nothing at all while the model is write
// protected (HVM_PROTECTED).
#pragma once
#include "views/HexCursor.h"
#include "views/HexUndo.h"

#include <stdint.h>

// Paste modes.
enum HexPasteMode
{
    HEX_PASTE_SEARCH_TEXT = 0,   // quoted text, numbers, hex dumps (the find dialog's forms)
    HEX_PASTE_HEX_TEXT = 1,      // hex pairs; "0x" prefixes, commas, colons and line ends skipped
};

// The bytes a pasted text stands for, at most `capacity`. Returns the count (0 for a text
// that gives none, a NULL text or a capacity below 1).
int ParsePasteText(const char* text, int mode, uint8_t* bytes, int capacity);

// The clipboard text of "copy" (a heap block from malloc, the caller frees it; *length its
// length): the bytes as they are when copied from the text column and none is below 32,
// otherwise a hex dump (":" and pairs). NULL for no bytes or without memory.
char* MakeCopyText(const uint8_t* bytes, int count, bool textColumn, int* length);

// The bytes as one quoted C literal with escapes (\xHH for bytes without a name), the
// quotes written here. A heap block as above.
char* MakeCStringText(const uint8_t* bytes, int count, int* length);

// Outcome of WriteValue.
enum HexValueWrite
{
    HVW_NOTHING = 0,      // the cursor is outside the data (count 0 counts as nothing too)
    HVW_PROTECTED = -1,   // "Die Daten sind schreibgeschützt !"
};

class CHexEditor
{
public:
    CHexEditor(CHexModel& model, CHexUndoRing& ring) : m_model(model), m_ring(ring) {}
    virtual ~CHexEditor() {}

    // Records the bytes at `offset` (relative, or absolute with `absolute`) about to change,
    // both ends clamped into the data. 0 when protected, outside the data, for a length
    // below 1 or without memory; else the length recorded.
    int RecordUndo(int64_t offset, bool absolute, int length, uint8_t hint = 0);

    // One step back (n < 0) or forwards (n > 0), |n| steps at most; 0 when protected or
    // nothing is left. The cursor goes to the last entry's byte: after undo on the digit that
    // was typed, after redo on the column behind it.
    int StepUndo(int n);

    // One typed character (WM_CHAR): Tab and Shift+Tab walk the columns (with `tabOut` the
    // ends of the cycle call OnTabOut first), Backspace moves left, hex digits and
    // characters replace the byte at the cursor. Returns 1 when a byte was written.
    int TypeCharacter(unsigned character, bool shift, bool tabOut);

    // Writes a pasted text at the cursor, or over the selection (cut to its length); cut at
    // the end of the data. Protected: beeps. A text that gives no bytes writes nothing and
    // says why (OnRefused). 1 when bytes were written.
    int Paste(const char* text, int mode);

    // Value input: `count` bytes (reversed with bigEndian) written at the selection's lower
    // end or the cursor, cut at the end of the data. Returns the bytes written or a
    // HexValueWrite code.
    int WriteValue(const uint8_t* bytes, int count, bool bigEndian);

    bool CanUndo() const { return m_ring.CanUndo(); }
    bool CanRedo() const { return m_ring.CanRedo(); }

protected:
    // Refused input: the information sound.
    virtual void OnBeep() {}
    // Tab left the column cycle: 0 forwards (from the text column), 1 backwards.
    virtual void OnTabOut(int /*backwards*/) {}
    // Input refused for a reason the user must read (a pasted text that gives no bytes).
    virtual void OnRefused(const char* /*text*/) {}

private:
    bool Protected() const { return (m_model.Mode() & HVM_PROTECTED) != 0; }
    bool Modified() const { return (m_model.Mode() & HVM_MODIFIED) != 0; }
    void SetModified() { m_model.SetModeBits(HVM_MODIFIED, HVM_MODIFIED); }
    void CycleArea(bool backwards);
    // Where pasted or entered bytes go and how many fit there.
    int TargetOffset(int* room) const;
    int WriteBytes(int offset, const uint8_t* bytes, int count);

    CHexModel& m_model;
    CHexUndoRing& m_ring;
};
