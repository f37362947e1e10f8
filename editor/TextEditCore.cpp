// CTextEdit: construction, the line store, caret and selection, and the typed-character
// editing with its journal entries.
#include "editor/TextEdit.h"

#include "textlib/TextCopy.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>

uint32_t EditOptions = 0x1849;
int TabWidth = 4;

namespace {

int g_liveEditors = 0;
TextLine g_emptyLine;   // what lines past the end read as: zero length, no colours

int NextTabStop(int column)
{
    int tw = TabWidth < 1 ? 4 : TabWidth;
    return (column / tw + 1) * tw;
}

int64_t PositionKey(int column, int line)
{
    // Wide enough for 50,000 lines of 65,536 columns without wrapping into the next line.
    return (static_cast<int64_t>(line) << 32) + column;
}

}  // namespace

int TextCharClass(unsigned char c)
{
    if (c < 33)
        return 0;
    if (c == '_')
        return 2;
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c >= 221)
        return 3;
    if ((c >= 'A' && c <= 'Z') || (c >= 192 && c <= 220))
        return 4;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Construction

CTextEdit::CTextEdit(uint32_t maxLineLength, uint32_t maxLines, uint32_t flags, const char* viewName)
    : CAnsiView(viewName, 80, 0),
      m_lines(nullptr),
      m_lineCount(0),
      m_lineCapacity(512),
      m_tableLent(false),
      m_maxLineLength(maxLineLength < 1 ? 1 : maxLineLength),
      m_maxLines(maxLines < 1 ? 1 : maxLines),
      m_readOnly(static_cast<uint8_t>(flags & 1)),
      m_modified(0),
      m_replaying(false),
      m_anchorColumn(0),
      m_anchorLine(0),
      m_selectionMode(0),
      m_desiredColumn(0),
      m_findHistory(nullptr),
      m_findHistoryLength(0),
      m_wordStopMask(0x318F9C),
      m_lineNumberWidth(32),
      m_defaultColor(0),
      m_columnColors(nullptr),
      m_ctrlHandled(false),
      m_doubleClickTick(0),
      m_doubleClickColumn(0),
      m_doubleClickLine(0),
      m_dragAllowed(true),
      m_dragArmed(false),
      m_dropTarget(this)
{
    // A 16-bit length field would cap lines at 65,535 bytes; 1 MB is plenty and keeps the
    // column arithmetic (32 columns a TAB) inside 32 bits.
    if (m_maxLineLength > 0x100000)
        m_maxLineLength = 0x100000;
    m_lines = static_cast<TextLine**>(calloc(m_lineCapacity, sizeof(TextLine*)));
    memset(m_copySlots, 0, sizeof(m_copySlots));
    memset(m_keyTexts, 0, sizeof(m_keyTexts));
    m_dragPoint.x = m_dragPoint.y = 0;
    m_dragCell = m_dragPoint;
    m_contextCell = m_dragPoint;
    m_insertEnd = m_dragPoint;
    m_syntaxName[0] = 0;
    memset(m_hooks, 0, sizeof(m_hooks));
    memset(m_hookContexts, 0, sizeof(m_hookContexts));
    Layout().SetColumnCount(static_cast<int>(m_maxLineLength) + 1);
    if (Settings() && Settings()->formatCount < 2)
        AddColorFormat(0xFFFFFF, 0xFF0000, "Markierung", 2, 0);
    CreateFindDialogs();
    ++g_liveEditors;
    LoadSettings(nullptr);
    LoadSyntaxColors(nullptr);
    LoadAccel(nullptr);
    SetCaretMode(3);
}

CTextEdit::~CTextEdit()
{
    if (m_dropTarget.IsRegistered())
        m_dropTarget.Revoke();
    --g_liveEditors;
    if (EditOptions & EO_CHANGED)
    {
        EditOptions &= ~EO_CHANGED;
        SaveSettings(nullptr);
    }
    m_undo.Clear();
    LoadSyntaxColors(nullptr);
    LoadAccel(nullptr);
    for (CopySlot& slot : m_copySlots)
    {
        free(slot.text);
        slot.text = nullptr;
    }
    free(m_findHistory);
    free(m_lastSearch);
    free(m_lastReplace);
    free(m_columnColors);
    if (!m_tableLent)
    {
        for (uint32_t i = m_lineCount; i-- > 0;)
            FreeLine(m_lines[i]);
    }
    free(m_lines);
    DestroyFindDialogs();
}

bool CTextEdit::Refuse()
{
    AnsiViewBeep(MB_ICONASTERISK);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Line store

TextLine* CTextEdit::MakeLine(const char* text, int length)
{
    if (length < 0)
        length = 0;
    size_t rounded = (static_cast<size_t>(length) + 15) & ~static_cast<size_t>(15);
    TextLine* line = static_cast<TextLine*>(malloc(offsetof(TextLine, text) + rounded + 1));
    if (!line)
        return nullptr;
    line->state = 0;
    line->length = length;
    line->groupBits = 0;
    line->openRule = 0;
    line->colors = nullptr;
    if (length > 0 && text)
        memcpy(line->text, text, static_cast<size_t>(length));
    line->text[length] = 0;
    MeasureLine(line);
    // The caret may stand anywhere on the widest line; the layout clamps it to the columns.
    if (line->width + 1 > Layout().ColumnCount())
        Layout().SetColumnCount(line->width + 1);
    return line;
}

void CTextEdit::MeasureLine(TextLine* line)
{
    int column = 0;
    int i = 0;
    bool inIndent = true;
    for (; i < line->length; ++i)
    {
        char c = line->text[i];
        if (inIndent && c != ' ' && c != '\t')
        {
            line->indent = column;
            inIndent = false;
        }
        column = c == '\t' ? NextTabStop(column) : column + 1;
    }
    if (inIndent)
        line->indent = column;
    line->width = column;
}

void CTextEdit::FreeLine(TextLine* line)
{
    if (!line)
        return;
    free(line->colors);
    free(line);
}

int CTextEdit::ColumnToIndex(int column, const char* text, int length)
{
    int c = 0;
    int i = 0;
    while (c < column && i < length)
    {
        c = text[i] == '\t' ? NextTabStop(c) : c + 1;
        ++i;
    }
    return i;
}

int CTextEdit::IndexToColumn(int index, const char* text, int length)
{
    int c = 0;
    for (int i = 0; i < index && i < length; ++i)
        c = text[i] == '\t' ? NextTabStop(c) : c + 1;
    return c;
}

const TextLine* CTextEdit::GetLine(int line) const
{
    if (line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
        return &g_emptyLine;
    return m_lines[line];
}

int CTextEdit::InsertLine(int index, const char* text, int length)
{
    if (m_tableLent || m_lineCount >= m_maxLines)
        return 0;
    if (index < 0)
        index = 0;
    if (static_cast<uint32_t>(index) > m_lineCount)
        index = static_cast<int>(m_lineCount);
    if (length > static_cast<int>(m_maxLineLength))
        length = static_cast<int>(m_maxLineLength);
    if (m_lineCount >= m_lineCapacity)
    {
        uint32_t capacity = m_lineCapacity * 3 / 2 + 512;
        TextLine** table = static_cast<TextLine**>(realloc(m_lines, capacity * sizeof(TextLine*)));
        if (!table)
            return 0;
        m_lines = table;
        m_lineCapacity = capacity;
    }
    TextLine* made = MakeLine(text, length);
    if (!made)
        return 0;
    memmove(m_lines + index + 1, m_lines + index, (m_lineCount - static_cast<uint32_t>(index)) * sizeof(TextLine*));
    m_lines[index] = made;
    ++m_lineCount;
    ++m_textGeneration;
    Layout().SetLineCount(static_cast<int>(m_lineCount));
    CallHook(TEH_LINE_INSERTED, index, 0, 0);
    return 1;
}

int CTextEdit::SetLine(int index, const char* text, int length)
{
    if (m_tableLent)
        return 0;
    if (index < 0 || static_cast<uint32_t>(index) >= m_lineCount)
        return InsertLine(index, text, length);
    if (length > static_cast<int>(m_maxLineLength))
        length = static_cast<int>(m_maxLineLength);
    TextLine* made = MakeLine(text, length);
    if (!made)
        return 0;
    TextLine* old = m_lines[index];
    made->state = old->state;
    made->groupBits = old->groupBits;
    made->openRule = old->openRule;
    FreeLine(old);
    m_lines[index] = made;
    ++m_textGeneration;
    return 1;
}

int CTextEdit::DeleteLine(int index)
{
    if (m_tableLent)
        return 0;
    if (index < 0 || static_cast<uint32_t>(index) >= m_lineCount)
        return 1;
    CallHook(TEH_LINE_DELETING, index, 0, 0);
    FreeLine(m_lines[index]);
    memmove(m_lines + index, m_lines + index + 1, (m_lineCount - static_cast<uint32_t>(index) - 1) * sizeof(TextLine*));
    --m_lineCount;
    ++m_textGeneration;
    // Half the capacity plus 512 is only smaller from 1025 entries on: a smaller table is
    // left alone rather than grown by a deletion.
    if (m_lineCount < m_lineCapacity / 2 && m_lineCount < 4096 && m_lineCapacity > 1024)
    {
        uint32_t capacity = m_lineCapacity / 2 + 512;
        TextLine** table = static_cast<TextLine**>(realloc(m_lines, capacity * sizeof(TextLine*)));
        if (table)
        {
            m_lines = table;
            m_lineCapacity = capacity;
        }
    }
    Layout().SetLineCount(static_cast<int>(m_lineCount));
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Hooks

TextEditHook CTextEdit::SetHook(int kind, TextEditHook hook, void* context)
{
    if (kind < 1 || kind > 8)
        return nullptr;
    TextEditHook old = m_hooks[kind];
    m_hooks[kind] = hook;
    m_hookContexts[kind] = context;
    return old;
}

int CTextEdit::CallHook(int kind, int a, int b, int c)
{
    if (kind < 1 || kind > 8 || !m_hooks[kind])
        return 1;
    return m_hooks[kind](this, m_hookContexts[kind], a, b, c);
}

bool CTextEdit::AllowChange()
{
    return CallHook(TEH_BEFORE_CHANGE, Layout().CaretColumn(), Layout().CaretLine(), m_modified) != 0;
}

// ---------------------------------------------------------------------------------------------
// Caret and selection

void CTextEdit::SetCaretRaw(int column, int line)
{
    Layout().PlaceCaret(column, line, false);
}

int CTextEdit::MoveCursor(int column, int line, uint32_t flags)
{
    CTextLayout& L = Layout();
    const int oldColumn = L.CaretColumn();
    const int oldLine = L.CaretLine();
    const bool free = (EditOptions & EO_FREE_CARET) != 0;
    const bool relative = (flags & MCF_RELATIVE) != 0;
    const bool extend = (flags & MCF_EXTEND) != 0;
    const bool noWrap = (flags & 0x08) != 0;
    const int dColumn = relative ? column : 0;
    const int dLine = relative ? line : 0;
    bool keepDesired = false;
    if (relative)
    {
        if (column == 0 && line != 0 && !free)
        {
            column = m_desiredColumn;
            keepDesired = true;
        }
        else
        {
            column += oldColumn;
        }
        line += oldLine;
    }
    // A plain step out of a selection lands on its edge rather than one past the caret.
    if (m_selectionMode && !extend && relative)
    {
        bool caretAfter = PositionKey(oldColumn, oldLine) > PositionKey(m_anchorColumn, m_anchorLine);
        if (caretAfter && dColumn == -1 && dLine == 0)
            column = m_anchorColumn, line = m_anchorLine;
        else if (caretAfter && dColumn == 0 && dLine == -1)
            column = keepDesired ? column : m_anchorColumn, line = m_anchorLine - 1;
        else if (!caretAfter && dColumn == 1 && dLine == 0)
            column = m_anchorColumn, line = m_anchorLine;
        else if (!caretAfter && dColumn == 0 && dLine == 1)
            column = keepDesired ? column : m_anchorColumn, line = m_anchorLine + 1;
    }
    const int count = static_cast<int>(m_lineCount);
    if (line < 0)
        line = 0;
    if (column < 0)
    {
        if (line == 0 || noWrap)
            column = 0;
        else
        {
            --line;
            if (line >= count)
                line = count;
            column = GetLine(line)->width;
        }
    }
    if (line >= count)
    {
        if (!(free && oldLine < count))
            column = 0;
        line = count;
    }
    const TextLine* record = GetLine(line);
    if (column > record->width)
    {
        if (free)
        {
            // The caret may stand right of the text (after the last line too, where a move
            // down from the text keeps its column), but not past the widest line a line
            // may become: typing there fills the gap, and that must stay a line's worth.
            int reach = std::max(record->width, static_cast<int>(m_maxLineLength));
            if (column > reach)
                column = reach;
        }
        else if (relative && dColumn >= 1 && !noWrap && line < count)
        {
            ++line;
            column = 0;
            record = GetLine(line);
        }
        else
        {
            column = record->width;
        }
    }
    // Inside a TAB: snap to its start, or to the next stop when stepping right.
    int tw = TabWidth < 1 ? 4 : TabWidth;
    if (column <= record->width && column % tw != 0)
    {
        int index = ColumnToIndex(column, record->text, record->length);
        if (index > 0 && record->text[index - 1] == '\t' && IndexToColumn(index, record->text, record->length) != column)
        {
            if (relative && dColumn >= 1)
                column = IndexToColumn(index, record->text, record->length);
            else
                column = IndexToColumn(index - 1, record->text, record->length);
        }
    }
    uint32_t& word = L.RepaintWord();
    if (extend)
    {
        int mode = (column == m_anchorColumn && line == m_anchorLine) ? 0 : (line == m_anchorLine ? 1 : 2);
        m_selectionMode = mode;
        if (oldLine != line)
            RepaintLineRange(word, oldLine, line);
        else
            RepaintOneLine(word, line);
    }
    else
    {
        if (m_selectionMode)
        {
            if (m_selectionMode == 2)
                RepaintLineRange(word, m_anchorLine, oldLine);
            else
                RepaintOneLine(word, m_anchorLine);
        }
        m_selectionMode = 0;
        m_anchorColumn = column;
        m_anchorLine = line;
    }
    SetCaretRaw(column, line);
    word |= RP_CARET;
    if (column != oldColumn || line != oldLine)
        CallHook(TEH_CARET_MOVED, column, line, 0);
    if (!keepDesired)
        m_desiredColumn = column;
    if (m_bracketActive || ((EditOptions & EO_BRACKETS) && m_syntax))
        UpdateBracketHighlight();
    UpdateStatusBar();
    return 1;
}

POINT CTextEdit::SetCursorPos(int column, int line, int flags)
{
    // Resetting the caret (after a refill) must not turn the old anchor into a selection:
    // only an explicit extend flag extends.
    POINT old = GetCursorOrAnchor();
    uint32_t& word = Layout().RepaintWord();
    uint32_t batch = word & RP_BATCH;
    word |= RP_BATCH;
    MoveCursor(column, line, static_cast<uint32_t>(flags) & MCF_EXTEND);
    Layout().UpdateLayout(TLF_QUIET);
    word = (word & ~RP_BATCH) | batch;
    if (!batch && word)
        PaintLines(nullptr);
    return old;
}

POINT CTextEdit::GetCursorOrAnchor() const
{
    POINT p;
    if (m_selectionMode)
    {
        p.x = m_anchorColumn;
        p.y = m_anchorLine;
    }
    else
    {
        p.x = Layout().CaretColumn();
        p.y = Layout().CaretLine();
    }
    return p;
}

void CTextEdit::SelectAll()
{
    MoveCursor(0, 0, 0);
    SetCursorPos(0, static_cast<int>(m_lineCount), MCF_EXTEND);
}

bool CTextEdit::SelectionOrdered(int* c1, int* l1, int* c2, int* l2) const
{
    int ac = m_anchorColumn, al = m_anchorLine;
    int cc = Layout().CaretColumn(), cl = Layout().CaretLine();
    if (PositionKey(ac, al) <= PositionKey(cc, cl))
    {
        *c1 = ac, *l1 = al, *c2 = cc, *l2 = cl;
    }
    else
    {
        *c1 = cc, *l1 = cl, *c2 = ac, *l2 = al;
    }
    return m_selectionMode != 0;
}

int CTextEdit::IsInSelection(int column, int line) const
{
    if (!m_selectionMode)
        return 0;
    int c1, l1, c2, l2;
    SelectionOrdered(&c1, &l1, &c2, &l2);
    int64_t k = PositionKey(column, line);
    if (k < PositionKey(c1, l1) || k > PositionKey(c2, l2))
        return 0;
    return m_selectionMode == 1 ? 1 : 2;
}

int CTextEdit::GetSelectedLines(int* first, int* end) const
{
    int f = 0, e = 0;
    if (m_selectionMode == 2)
    {
        int c1, l1, c2, l2;
        SelectionOrdered(&c1, &l1, &c2, &l2);
        f = l1;
        e = c2 > 0 ? l2 + 1 : l2;
    }
    if (first)
        *first = f;
    if (end)
        *end = e;
    return e - f;
}

int CTextEdit::GetSelectionStart(int* column, int* line) const
{
    int c1 = 0, l1 = 0, c2, l2;
    if (m_selectionMode)
        SelectionOrdered(&c1, &l1, &c2, &l2);
    if (column)
        *column = c1;
    if (line)
        *line = l1;
    return m_selectionMode;
}

int CTextEdit::WordRun(int index, const char* text, int length, int leftward, int* outEnd) const
{
    if (!text || index < 0 || index > length)
        return 0;
    int lowest = (EditOptions & EO_UNDERSCORE_SEPARATES) ? 3 : 2;
    int n = 0;
    int i = index;
    if (leftward)
    {
        while (i > 0 && TextCharClass(static_cast<unsigned char>(text[i - 1])) >= lowest)
            --i, ++n;
    }
    else
    {
        while (i < length && TextCharClass(static_cast<unsigned char>(text[i])) >= lowest)
            ++i, ++n;
    }
    if (outEnd)
        *outEnd = i;
    return n;
}

int CTextEdit::PunctRun(int index, const char* text, int length, int leftward, int* outEnd) const
{
    if (!text || index < 0 || index > length)
        return 0;
    int n = 0;
    int i = index;
    if (leftward)
    {
        while (i > 0 && TextCharClass(static_cast<unsigned char>(text[i - 1])) == 1)
            --i, ++n;
    }
    else
    {
        while (i < length && TextCharClass(static_cast<unsigned char>(text[i])) == 1)
            ++i, ++n;
    }
    if (outEnd)
        *outEnd = i;
    return n;
}

// ---------------------------------------------------------------------------------------------
// Typed characters

void CTextEdit::SetRun(UndoEntry* entry, int cls, int column, int line, int nextColumn, int nextLine)
{
    entry->runClass = static_cast<uint8_t>(cls);
    entry->runPosition = PositionKey(column, line);
    entry->runNext = PositionKey(nextColumn, nextLine);
}

void CTextEdit::JournalTyping(int kind, int character, int key, int startColumn, int startLine, int endColumn,
                              int endLine, int runClass, int nextColumn)
{
    UndoEntry* e = m_undo.NewEntry();
    e->kind = static_cast<uint8_t>(kind);
    e->modified = m_modified;
    e->startColumn = startColumn;
    e->startLine = startLine;
    e->endColumn = endColumn;
    e->endLine = endLine;
    e->character = character;
    e->key = key;
    if (runClass)
        SetRun(e, runClass, startColumn, startLine, nextColumn, startLine);
    m_undo.SealGroup(e);
}

void CTextEdit::FillGap(std::string& out, int fromColumn, int toColumn) const
{
    if (toColumn <= fromColumn)
        return;
    // A gap is never more than a line can hold: a far-off column is clamped rather than
    // turned into megabytes of blanks.
    const int tw = TabWidth < 1 ? 4 : TabWidth;
    const int64_t reach = static_cast<int64_t>(fromColumn) + static_cast<int64_t>(m_maxLineLength) * tw;
    if (toColumn > reach)
        toColumn = static_cast<int>(reach);
    std::string buffer(static_cast<size_t>(toColumn - fromColumn) + 1, '\0');
    int n = FillColumnGap(&buffer[0], fromColumn, toColumn, TabWidth);
    out.append(buffer.data(), static_cast<size_t>(n));
}

int CTextEdit::InsertChar(int ch, int journal)
{
    if (m_readOnly)
        return Refuse();
    if (ch < 32 && ch != 7 && ch != 8 && ch != 9 && ch != 13)
        return 0;
    if (ch > 255)
        ch = 255;
    // A caller's hook may veto a change once the change is certain (not while the journal
    // replays it: the replay asked it already). Backspace and a TAB that only moves the free
    // caret are never asked.
    auto vetoed = [this] { return !m_replaying && !AllowChange(); };
    bool deletedSelection = false;
    if (m_selectionMode)
    {
        if (vetoed())
            return 0;
        deletedSelection = DeleteSelection(0) != 0;
        // A deletion that was refused (or vetoed) ends the key: the character would
        // otherwise land beside a selection that is still there.
        if (!deletedSelection && m_selectionMode)
            return 0;
        if (deletedSelection && (ch == 7 || ch == 8))
            return 1;
    }
    CTextLayout& L = Layout();
    int col = L.CaretColumn();
    int ln = L.CaretLine();
    bool grouped = false;
    // A line opened after the last one for this character is taken back (with its journal
    // entry) when the character then changes nothing: refused, or a TAB that only moves
    // the free caret. Otherwise the journal would hold half a group, and the text an empty
    // line that no undo removes.
    struct OpenedLine
    {
        CTextEdit* edit;
        const UndoEntry* entry = nullptr;
        int line = -1;
        uint8_t modified = 0;
        void Arm(const UndoEntry* e, int l, uint8_t m) { entry = e, line = l, modified = m; }
        ~OpenedLine()
        {
            if (line < 0 || !entry || edit->m_undo.Newest() != entry)
                return;
            const TextLine* record = edit->GetLine(line);
            if (record->length != 0 || static_cast<uint32_t>(line) + 1 != edit->m_lineCount)
                return;
            edit->m_undo.DiscardNewest(entry);
            edit->DeleteLine(line);
            edit->m_modified = modified;
            CTextLayout& layout = edit->Layout();
            if (layout.CaretLine() > line)
                edit->SetCaretRaw(layout.CaretColumn(), line);
            if (edit->m_anchorLine > line)
                edit->m_anchorLine = line;
        }
    } opening{ this };
    if (ln < 0)
        ln = 0;
    if (static_cast<uint32_t>(ln) >= m_lineCount)
    {
        // The caret stands after the last line: typing there first opens a line (an empty
        // editor has no line at all, and would otherwise take no text).
        if (ch == 7 || ch == 8 || m_tableLent)
        {
            if (ch == 8 && m_lineCount > 0)
                MoveCursor(GetLine(static_cast<int>(m_lineCount) - 1)->width, static_cast<int>(m_lineCount) - 1, 0);
            return ch == 8 ? 1 : Refuse();
        }
        if (m_lineCount >= m_maxLines)
            return Refuse();
        int last = static_cast<int>(m_lineCount) - 1;
        if (journal)
            JournalTyping(UK_REMOVE | UK_GROUP, 0, ch, last < 0 ? 0 : GetLine(last)->width, last < 0 ? 0 : last, 0,
                          last < 0 ? 1 : static_cast<int>(m_lineCount), 0, 0);
        if (!InsertLine(static_cast<int>(m_lineCount), "", 0))
        {
            if (journal)
                m_undo.DiscardNewest(m_undo.Newest());
            return Refuse();
        }
        opening.Arm(journal ? m_undo.Newest() : nullptr, static_cast<int>(m_lineCount) - 1, m_modified);
        m_modified = 1;
        ln = static_cast<int>(m_lineCount) - 1;
        // A free caret keeps its column on the new line; typing there fills the gap.
        if (!(EditOptions & EO_FREE_CARET) || col < 0)
            col = 0;
        SetCaretRaw(col, ln);
        m_anchorColumn = col;
        m_anchorLine = ln;
        grouped = journal != 0;
    }
    const int group = grouped ? UK_GROUP : 0;
    const uint8_t modifiedBefore = m_modified;
    const TextLine* record = GetLine(ln);
    std::string text(record->text, static_cast<size_t>(record->length));
    const int width = record->width;
    int index = ColumnToIndex(col, text.data(), static_cast<int>(text.size()));
    const int indexColumn = IndexToColumn(index, text.data(), static_cast<int>(text.size()));
    const int maxLen = static_cast<int>(m_maxLineLength);
    uint32_t& word = L.RepaintWord();
    const bool freeCaret = (EditOptions & EO_FREE_CARET) != 0;
    auto journalEntry = [&](int kind, int character, int key, int sc, int sl, int ec, int el, int run, int next) {
        if (!journal)
            return;
        JournalTyping(kind | group, character, key, sc, sl, ec, el, group ? 0 : run, next);
        m_undo.Newest()->modified = modifiedBefore;
    };

    if (ch == 13)
    {
        if (m_lineCount >= m_maxLines)
            return Refuse();
        if (vetoed())
            return 0;
        std::string indent;
        if (col >= record->indent && !m_replaying)
        {
            int tw = TabWidth < 1 ? 4 : TabWidth;
            indent.assign(static_cast<size_t>(record->indent / tw), '\t');
            indent.append(static_cast<size_t>(record->indent % tw), ' ');
        }
        std::string tail = text.substr(static_cast<size_t>(index));
        if (static_cast<int>(indent.size() + tail.size()) > maxLen)
            indent.clear();
        std::string next = indent + tail;
        if (!InsertLine(ln + 1, next.data(), static_cast<int>(next.size())))
            return Refuse();
        SetLine(ln, text.data(), index);
        int indentColumns = IndexToColumn(static_cast<int>(indent.size()), indent.data(), static_cast<int>(indent.size()));
        journalEntry(UK_REMOVE, 0, 13, indexColumn, ln, indentColumns, ln + 1, UR_NONE, 0);
        RepaintFromLine(word, ln);
        m_modified = 1;
        MoveCursor(indentColumns, ln + 1, 0);
        ColorLine(ln);
        return 1;
    }
    if (ch == 9)
    {
        int target = NextTabStop(col);
        if (col >= width && freeCaret && !m_replaying)
        {
            MoveCursor(target, ln, 0);
            return 1;
        }
        if (static_cast<int>(text.size()) + 1 > maxLen)
            return Refuse();
        if (vetoed())
            return 0;
        int tw = TabWidth < 1 ? 4 : TabWidth;
        int blanks = 0;
        if (!m_replaying)
        {
            int room = indexColumn % tw;
            while (blanks < room && index - blanks > 0 && text[static_cast<size_t>(index - blanks - 1)] == ' ')
                ++blanks;
        }
        if (blanks > 0)
        {
            // The blanks of this TAB cell become one TAB: two entries, undone together.
            int from = index - blanks;
            int fromColumn = IndexToColumn(from, text.data(), static_cast<int>(text.size()));
            if (journal)
            {
                JournalTyping(UK_INSERT | UK_GROUP, 0, 9, fromColumn, ln, indexColumn, ln, 0, 0);
                UndoEntry* e = m_undo.Newest();
                e->modified = modifiedBefore;
                char* kept = static_cast<char*>(malloc(static_cast<size_t>(blanks) + 1));
                memset(kept, ' ', static_cast<size_t>(blanks));
                kept[blanks] = 0;
                CUndoRing::SetText(e, kept, blanks);
                JournalTyping(UK_RETYPE | UK_GROUP, 7, 9, fromColumn, ln, fromColumn, ln, 0, 0);
                m_undo.Newest()->modified = 1;
            }
            text.replace(static_cast<size_t>(from), static_cast<size_t>(blanks), "\t");
            index = from;
        }
        else if (m_replaying && !(L.CaretMode() & 1) && index < static_cast<int>(text.size()))
        {
            journalEntry(UK_RETYPE | UK_OVERWRITE, static_cast<unsigned char>(text[static_cast<size_t>(index)]), 9,
                         indexColumn, ln, indexColumn, ln, UR_NONE, 0);
            text[static_cast<size_t>(index)] = '\t';
        }
        else
        {
            text.insert(static_cast<size_t>(index), 1, '\t');
            journalEntry(UK_RETYPE, 7, 9, indexColumn, ln, indexColumn, ln, UR_BLANK,
                         IndexToColumn(index + 1, text.data(), static_cast<int>(text.size())));
        }
        SetLine(ln, text.data(), static_cast<int>(text.size()));
        RepaintOneLine(word, ln);
        m_modified = 1;
        MoveCursor(IndexToColumn(index + 1, text.data(), static_cast<int>(text.size())), ln, 0);
        ColorLine(ln);
        return 1;
    }
    if (ch == 8)
    {
        if ((col > width && freeCaret) || m_tableLent)
        {
            MoveCursor(std::min(width, col - 1), ln, 0);
            return 1;
        }
        if (index == 0)
        {
            if (ln == 0)
                return Refuse();
            const TextLine* previous = GetLine(ln - 1);
            if (previous->length + record->length > maxLen)
                return Refuse();
            int previousWidth = previous->width;
            std::string joined(previous->text, static_cast<size_t>(previous->length));
            joined += text;
            journalEntry(UK_RETYPE, 13, 8, 0, ln, previousWidth, ln - 1, UR_NONE, 0);
            SetLine(ln - 1, joined.data(), static_cast<int>(joined.size()));
            DeleteLine(ln);
            RepaintFromLine(word, ln - 1);
            m_modified = 1;
            MoveCursor(previousWidth, ln - 1, 0);
            ColorLine(ln - 1);
            return 1;
        }
        unsigned char removed = static_cast<unsigned char>(text[static_cast<size_t>(index - 1)]);
        int removedColumn = IndexToColumn(index - 1, text.data(), static_cast<int>(text.size()));
        text.erase(static_cast<size_t>(index - 1), 1);
        journalEntry(UK_RETYPE, removed, 8, indexColumn, ln, removedColumn, ln, UR_BACKSPACE, removedColumn);
        SetLine(ln, text.data(), static_cast<int>(text.size()));
        RepaintOneLine(word, ln);
        m_modified = 1;
        MoveCursor(removedColumn, ln, 0);
        ColorLine(ln);
        return 1;
    }
    if (ch == 7)
    {
        if (m_tableLent || vetoed())
            return 0;
        if (index < static_cast<int>(text.size()))
        {
            unsigned char removed = static_cast<unsigned char>(text[static_cast<size_t>(index)]);
            text.erase(static_cast<size_t>(index), 1);
            journalEntry(UK_RETYPE | UK_CARET_START, removed, 7, indexColumn, ln, indexColumn, ln, UR_DELETE,
                         indexColumn);
            SetLine(ln, text.data(), static_cast<int>(text.size()));
            RepaintOneLine(word, ln);
            m_modified = 1;
            MoveCursor(indexColumn, ln, 0);
            ColorLine(ln);
            return 1;
        }
        if (static_cast<uint32_t>(ln + 1) >= m_lineCount)
            return Refuse();
        std::string gap;
        if (col > width)
            FillGap(gap, width, col);
        const TextLine* next = GetLine(ln + 1);
        if (static_cast<int>(text.size() + gap.size()) + next->length > maxLen)
            return Refuse();
        int joinColumn = width;
        if (!gap.empty())
        {
            std::string withGap = text + gap;
            joinColumn = IndexToColumn(static_cast<int>(withGap.size()), withGap.data(), static_cast<int>(withGap.size()));
            if (journal)
            {
                JournalTyping(UK_REMOVE | UK_GROUP, 0, 7, width, ln, joinColumn, ln, 0, 0);
                m_undo.Newest()->modified = modifiedBefore;
            }
        }
        std::string joined = text + gap + std::string(next->text, static_cast<size_t>(next->length));
        if (journal)
        {
            JournalTyping(UK_RETYPE | UK_CARET_START | (gap.empty() ? group : UK_GROUP), 13, 7, joinColumn, ln,
                          joinColumn, ln, 0, 0);
            m_undo.Newest()->modified = gap.empty() ? modifiedBefore : 1;
        }
        SetLine(ln, joined.data(), static_cast<int>(joined.size()));
        DeleteLine(ln + 1);
        RepaintFromLine(word, ln);
        m_modified = 1;
        MoveCursor(joinColumn, ln, 0);
        ColorLine(ln);
        return 1;
    }
    // A printable byte.
    if (m_tableLent)
        return 0;
    if (static_cast<int>(text.size()) >= maxLen)
        return Refuse();
    if (vetoed())
        return 0;
    int runClass = TextCharClass(static_cast<unsigned char>(ch)) >= 2 ? UR_WORD : (ch == ' ' ? UR_BLANK : UR_NONE);
    if (col > width)
    {
        std::string gap;
        FillGap(gap, width, col);
        if (static_cast<int>(text.size() + gap.size()) + 1 > maxLen)
            return Refuse();
        text += gap;
        text += static_cast<char>(ch);
        int end = IndexToColumn(static_cast<int>(text.size()), text.data(), static_cast<int>(text.size()));
        journalEntry(UK_REMOVE, 0, ch, width, ln, end, ln, UR_NONE, 0);
        SetLine(ln, text.data(), static_cast<int>(text.size()));
        RepaintOneLine(word, ln);
        m_modified = 1;
        MoveCursor(end, ln, 0);
        ColorLine(ln);
        return 1;
    }
    bool overwrite = !(L.CaretMode() & 1) && index < static_cast<int>(text.size()) && !deletedSelection;
    if (overwrite)
    {
        unsigned char old = static_cast<unsigned char>(text[static_cast<size_t>(index)]);
        text[static_cast<size_t>(index)] = static_cast<char>(ch);
        journalEntry(UK_RETYPE | UK_OVERWRITE, old, ch, indexColumn, ln, indexColumn, ln, runClass,
                     IndexToColumn(index + 1, text.data(), static_cast<int>(text.size())));
    }
    else
    {
        text.insert(static_cast<size_t>(index), 1, static_cast<char>(ch));
        journalEntry(UK_RETYPE, 7, ch, indexColumn, ln, indexColumn, ln, runClass,
                     IndexToColumn(index + 1, text.data(), static_cast<int>(text.size())));
    }
    SetLine(ln, text.data(), static_cast<int>(text.size()));
    RepaintOneLine(word, ln);
    m_modified = 1;
    MoveCursor(IndexToColumn(index + 1, text.data(), static_cast<int>(text.size())), ln, 0);
    ColorLine(ln);
    return 1;
}
