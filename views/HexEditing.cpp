#include "views/HexEditing.h"

#include "services/ByteUtils.h"
#include "textlib/CQuote.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchInput.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kPasteGivesNoBytes[] =
    "Der Text in der Zwischenablage ergibt keine Bytes für diese Stelle:\n"
    "eine Zahl, die nicht in den Platz bis zum Ende passt, oder Text hinter einer Zahl.\n"
    "Es wurde nichts eingefügt.";

int MinInt(int a, int b)
{
    return a < b ? a : b;
}

int HexDigitValue(unsigned ch)
{
    if (ch >= '0' && ch <= '9')
        return static_cast<int>(ch - '0');
    if (ch >= 'a' && ch <= 'f')
        return static_cast<int>(ch - 'a' + 10);
    if (ch >= 'A' && ch <= 'F')
        return static_cast<int>(ch - 'A' + 10);
    return -1;
}

// Hex text as people copy it from listings and C sources: "0x12, 0x34", "12:34", lines.
// A "0x" becomes two blanks wherever it begins a value, not only when the text begins with
// one: the reader would otherwise take its "0" for the byte 00 and stop at the "x", so
// "12, 0x34", or a copy that begins with a line end, wrote 00 where the text said 34.
int ParseHexText(const char* text, uint8_t* bytes, int capacity)
{
    size_t length = strlen(text);
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy)
        return 0;
    memcpy(copy, text, length + 1);
    const bool prefixed = copy[0] == '0' && (copy[1] == 'x' || copy[1] == 'X');
    for (char* p = copy; *p; ++p)
    {
        // Separators before p are blanks by now.
        const bool valueStart = p == copy || p[-1] == ' ' || p[-1] == '\t';
        if ((prefixed || valueStart) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        {
            p[0] = p[1] = ' ';
            ++p;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == ',' || c == ':' || c == 0xA0 || c == '\n' || c == '\r')
            *p = ' ';
    }
    // The reader takes at most 0xFFFF bytes a call; larger buffers are read in pieces.
    int n = 0;
    const char* p = copy;
    while (n < capacity)
    {
        int chunk = MinInt(capacity - n, static_cast<int>(HEXPARSE_CAPACITY_MASK));
        int used = 0;
        int got = HexPairsToBytes(bytes + n, static_cast<uint32_t>(chunk) | HEXPARSE_NO_COLON, p, &used);
        n += got;
        p += used;
        if (got < chunk || used <= 0)
            break;
    }
    free(copy);
    return n;
}

}  // namespace

int ParsePasteText(const char* text, int mode, uint8_t* bytes, int capacity)
{
    if (!text || !bytes || capacity < 1)
        return 0;
    if (mode == HEX_PASTE_HEX_TEXT)
        return ParseHexText(text, bytes, capacity);
    // The capacity word's bit 30 asks for UTF-16: a huge buffer must not set it by accident.
    uint32_t room = static_cast<uint32_t>(capacity) & (VS_CAPACITY_UTF16 - 1);
    int n = ParseSearchText(text, bytes, room, 0);
    return n > 0 ? n : 0;
}

char* MakeCopyText(const uint8_t* bytes, int count, bool textColumn, int* length)
{
    if (length)
        *length = 0;
    if (!bytes || count <= 0)
        return nullptr;
    bool plain = textColumn;
    for (int i = 0; plain && i < count; ++i)
        plain = bytes[i] >= 32;
    char* text = nullptr;
    int n = 0;
    if (plain)
    {
        text = static_cast<char*>(malloc(static_cast<size_t>(count) + 1));
        if (!text)
            return nullptr;
        memcpy(text, bytes, static_cast<size_t>(count));
        text[count] = 0;
        n = count;
    }
    else
    {
        int size = count * 3 + 2;
        text = static_cast<char*>(malloc(static_cast<size_t>(size)));
        if (!text)
            return nullptr;
        n = FormatAsInput(bytes, count, text, size, SIK_DUMP);
    }
    if (length)
        *length = n;
    return text;
}

char* MakeCStringText(const uint8_t* bytes, int count, int* length)
{
    if (length)
        *length = 0;
    if (!bytes || count < 0)
        return nullptr;
    // A byte takes at most six characters: \xHH and the "" that keeps a following hex
    // digit out of the escape.
    int size = count * 6 + 4;
    char* text = static_cast<char*>(malloc(static_cast<size_t>(size)));
    if (!text)
        return nullptr;
    text[0] = '"';
    int n = 1 + QuoteCString(text + 1, size - 3, bytes, count, CQF_NO_QUOTES | CQF_HEX_BYTES);
    text[n++] = '"';
    text[n] = 0;
    if (length)
        *length = n;
    return text;
}

// ---------------------------------------------------------------------------------------------

int CHexEditor::RecordUndo(int64_t offset, bool absolute, int length, uint8_t hint)
{
    if (Protected() || length <= 0)
        return 0;
    int64_t start = absolute ? offset - static_cast<int64_t>(m_model.Base()) : offset;
    int64_t end = start + length;
    int size = m_model.Size();
    if (start < 0)
        start = 0;
    if (end > size)
        end = size;
    if (start >= size || end <= start)
        return 0;
    int n = static_cast<int>(end - start);
    if (!m_ring.Record(m_model.Data(), static_cast<int>(start), n, hint, Modified()))
        return 0;
    return n;
}

int CHexEditor::StepUndo(int n)
{
    if (Protected() || n == 0)
        return 0;
    HexUndoStep step;
    int steps = m_ring.Step(m_model.WritableData(), m_model.Size(), n, &step);
    if (steps == 0)
        return 0;
    if (step.lastChanged >= 0)
        m_model.RepaintBytes(step.firstChanged, step.lastChanged);
    if (step.setModified)
        SetModified();
    if (step.clearModified)
        m_model.SetModeBits(0, HVM_MODIFIED);
    m_model.SetCursorAddress(step.offset, false);
    if (m_model.Area() == HEX_AREA_HEX && step.digits > 0)
        m_model.MoveCursor(step.digits, 0, MCF_RELATIVE);
    return steps;
}

void CHexEditor::CycleArea(bool backwards)
{
    const uint32_t hidden[3] = { HVM_NO_HEX, HVM_NO_TEXT, HVM_NO_ADDRESS };
    int area = m_model.Area();
    for (int i = 0; i < 3; ++i)
    {
        area = (area + (backwards ? 2 : 1)) % 3;
        if (!(m_model.Mode() & hidden[area]))
            break;
    }
    m_model.SetCursorArea(area);
}

int CHexEditor::TypeCharacter(unsigned character, bool shift, bool tabOut)
{
    const int area = m_model.Area();
    const uint32_t mode = m_model.Mode();
    if (character == '\t')
    {
        if (tabOut)
        {
            if (!shift && (area == HEX_AREA_TEXT || (area == HEX_AREA_HEX && (mode & HVM_NO_TEXT))))
                OnTabOut(0);
            else if (shift && area == HEX_AREA_ADDRESS)
                OnTabOut(1);
        }
        CycleArea(shift);
        return 0;
    }
    if (character == '\b')
    {
        m_model.MoveCursor(-1, 0, MCF_RELATIVE);
        return 0;
    }
    if (character < 32)
    {
        OnBeep();
        return 0;
    }
    if (area == HEX_AREA_ADDRESS)
    {
        OnBeep();
        return 0;
    }
    if ((mode & HVM_PROTECTED) || (area == HEX_AREA_HEX && (mode & HVM_NO_HEX)) ||
        (area == HEX_AREA_TEXT && (mode & HVM_NO_TEXT)))
        return 0;
    const int offset = m_model.Cursor();
    if (offset < 0 || offset >= m_model.Size())
    {
        OnBeep();
        return 0;
    }
    uint8_t* data = m_model.WritableData();
    const uint8_t old = data[offset];
    uint8_t value;
    uint8_t hint = 0;
    if (area == HEX_AREA_TEXT)
    {
        value = static_cast<uint8_t>(character);
    }
    else
    {
        int digit = HexDigitValue(character);
        if (digit < 0)
        {
            OnBeep();
            return 0;
        }
        if (m_model.FirstDigit())
        {
            value = static_cast<uint8_t>((old & 0x0F) | (digit << 4));
            hint = 2;
        }
        else
        {
            value = static_cast<uint8_t>((old & 0xF0) | digit);
            hint = 3;
        }
    }
    if (!RecordUndo(offset, false, 1, hint))
        return 0;
    data[offset] = value;
    if (value != old)
        SetModified();
    m_model.RepaintBytes(offset, offset);
    m_model.MoveCursor(1, 0, MCF_RELATIVE);
    return 1;
}

int CHexEditor::TargetOffset(int* room) const
{
    int length = 0;
    int size = m_model.Size();
    int offset = static_cast<int>(m_model.GetSelection(false, &length));
    int available = offset >= 0 && offset < size ? size - offset : 0;
    if (m_model.HasSelection())
        available = MinInt(available, length);
    *room = available;
    return offset;
}

int CHexEditor::WriteBytes(int offset, const uint8_t* bytes, int count)
{
    int n = RecordUndo(offset, false, count);
    if (n <= 0)
        return 0;
    memcpy(m_model.WritableData() + offset, bytes, static_cast<size_t>(n));
    SetModified();
    m_model.RepaintBytes(offset, offset + n - 1);
    return n;
}

int CHexEditor::Paste(const char* text, int mode)
{
    if (Protected())
    {
        OnBeep();
        return 0;
    }
    if (!text || !*text)
        return 0;
    int room = 0;
    int offset = TargetOffset(&room);
    if (room <= 0)
        return 0;
    uint8_t* bytes = static_cast<uint8_t*>(malloc(static_cast<size_t>(room)));
    if (!bytes)
        return 0;
    // A text that gives no bytes (a number too large for its room, text behind a number)
    // pastes nothing and says so. A number is never cut to the room left before the end:
    // its low bytes alone would write another value than the one pasted.
    int n = ParsePasteText(text, mode, bytes, room);
    int written = n > 0 ? WriteBytes(offset, bytes, n) : 0;
    free(bytes);
    if (n <= 0)
        OnRefused(kPasteGivesNoBytes);
    return written > 0 ? 1 : 0;
}

int CHexEditor::WriteValue(const uint8_t* bytes, int count, bool bigEndian)
{
    if (m_model.Size() <= 0 || m_model.Cursor() >= m_model.Size() || !bytes || count <= 0)
        return HVW_NOTHING;
    if (Protected())
        return HVW_PROTECTED;
    uint8_t value[8];
    count = MinInt(count, 8);
    for (int i = 0; i < count; ++i)
        value[i] = bytes[bigEndian ? count - 1 - i : i];
    // The value goes where the selection begins; only the end of the data cuts it.
    int length = 0;
    int offset = static_cast<int>(m_model.GetSelection(false, &length));
    count = MinInt(count, m_model.Size() - offset);
    if (count <= 0)
        return HVW_NOTHING;
    return WriteBytes(offset, value, count);
}
