// CTextEdit: putting text in by position, reading it back, deleting ranges, and the
// selection operations built on them (delete, copy, cut, paste, block indent).
#include "editor/TextEdit.h"

#include "uihelpers/ClipboardText.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <vector>

// One code unit of the source: bytes, UTF-8 sequences or UTF-16 units, each becoming one
// byte of the line (code points above 255 become 255; bytes of a broken UTF-8 sequence
// stand for themselves, so nothing is lost).
std::string DecodeSource(const char* text, int length, int flags)
{
    std::string out;
    if (!text || length < 1)
        return out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    if (flags & TIF_UTF16)
    {
        int units = length / 2;
        out.reserve(static_cast<size_t>(units));
        for (int i = 0; i < units; ++i)
        {
            unsigned u = s[2 * i] | (s[2 * i + 1] << 8);
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units)
            {
                unsigned low = s[2 * i + 2] | (s[2 * i + 3] << 8);
                if (low >= 0xDC00 && low <= 0xDFFF)
                    ++i;
            }
            out.push_back(static_cast<char>(u > 255 ? 255 : u));
        }
        return out;
    }
    if (flags & TIF_UTF8)
    {
        out.reserve(static_cast<size_t>(length));
        for (int i = 0; i < length;)
        {
            unsigned c = s[i];
            int extra = (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2 : (c >= 0xF0 && c <= 0xF4) ? 3 : 0;
            bool valid = extra > 0;
            if (valid)
            {
                for (int j = 1; j <= extra; ++j)
                    if (i + j >= length || (s[i + j] & 0xC0) != 0x80)
                        valid = false;
            }
            if (!valid)
            {
                out.push_back(static_cast<char>(c));
                ++i;
                continue;
            }
            unsigned cp = c & (0x3F >> extra);
            for (int j = 1; j <= extra; ++j)
                cp = (cp << 6) | (s[i + j] & 0x3F);
            out.push_back(static_cast<char>(cp > 255 ? 255 : cp));
            i += extra + 1;
        }
        return out;
    }
    out.assign(text, static_cast<size_t>(length));
    return out;
}

namespace {

// Splits at line breaks: CR, LF, CR LF and CR CR LF each count as one.
void SplitLines(const std::string& text, std::vector<std::string>* segments, bool* endsWithBreak)
{
    segments->clear();
    size_t start = 0;
    size_t i = 0;
    bool lastWasBreak = false;
    while (i < text.size())
    {
        char c = text[i];
        if (c != '\r' && c != '\n')
        {
            ++i;
            lastWasBreak = false;
            continue;
        }
        segments->push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            i += 2;
        else if (c == '\r' && i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n')
            i += 3;
        else
            ++i;
        start = i;
        lastWasBreak = true;
    }
    segments->push_back(text.substr(start));
    *endsWithBreak = lastWasBreak;
}

}  // namespace

// Stores a built line at `index` (replacing the line there or inserting a new one), cut into
// several lines when it is longer than a line may be: the cut backs off to a blank or TAB in
// the last quarter, but never into the first `keep` bytes (text that was on the line before
// and must stay where the journal expects it). Text is never dropped. `endOffset` (-1: none)
// is a byte offset into `text` whose position is reported. Returns the number of lines
// stored; `full` tells that the table filled up before all of it was stored (what fitted
// stays, and the count says how much that is).
int CTextEdit::StoreWrapped(int index, bool replace, const std::string& text, int endOffset, int* endColumn,
                            int* endLine, int keep, bool* full)
{
    *full = false;
    const size_t maxLen = m_maxLineLength;
    const size_t kept = keep < 0 ? 0 : std::min(static_cast<size_t>(keep), maxLen);
    size_t pos = 0;
    int stored = 0;
    do
    {
        size_t cut = text.size() - pos;
        if (cut > maxLen)
        {
            cut = maxLen;
            const size_t floor = pos == 0 ? kept : 0;
            for (size_t k = maxLen; k > maxLen - maxLen / 4 && k > floor; --k)
            {
                char c = text[pos + k - 1];
                if (c == ' ' || c == '\t')
                {
                    cut = k;
                    break;
                }
            }
        }
        int ok = (replace && stored == 0) ? SetLine(index, text.data() + pos, static_cast<int>(cut))
                                          : InsertLine(index + stored, text.data() + pos, static_cast<int>(cut));
        if (!ok)
        {
            Refuse();
            *full = true;
            return stored;
        }
        if (endOffset >= 0 && static_cast<size_t>(endOffset) >= pos &&
            (static_cast<size_t>(endOffset) <= pos + cut))
        {
            const TextLine* line = GetLine(index + stored);
            *endColumn = IndexToColumn(endOffset - static_cast<int>(pos), line->text, line->length);
            *endLine = index + stored;
            endOffset = -1;
        }
        pos += cut;
        ++stored;
    } while (pos < text.size());
    return stored;
}

int CTextEdit::InsertText(const char* text, int column, int line, int flags, int length)
{
    if (!text || length < 1)
    {
        if (!(flags & TIF_NEW_LINES))
            return 0;
        int at = line < 0 ? 0 : std::min(line, static_cast<int>(m_lineCount));
        if (!InsertLine(at, "", 0))
            return -1;
        RepaintFromLine(Layout().RepaintWord(), at);
        ColorLine(at);
        return 1;
    }
    if (flags & TIF_AT_CARET)
    {
        column = Layout().CaretColumn();
        line = Layout().CaretLine();
    }
    if (line < 0)
        line = 0;
    if (column < 0)
        column = 0;
    std::vector<std::string> segments;
    bool endsWithBreak = false;
    SplitLines(DecodeSource(text, length, flags), &segments, &endsWithBreak);

    const int countBefore = static_cast<int>(m_lineCount);
    int startColumn = 0, startLine = 0;
    int caretStartColumn = -1;              // where flag 2 puts the caret, when not startColumn
    bool intoLineHead = false;              // the caret's own line gave way from its column 0
    int caretColumn = 0, caretLine = 0;     // where flag 4 puts the caret
    int journalColumn = 0, journalLine = 0; // the end a removal of the inserted text needs
    int result = 0;
    bool failed = false;

    if (line < countBefore && !(flags & TIF_NEW_LINES))
    {
        const TextLine* record = GetLine(line);
        std::string old(record->text, static_cast<size_t>(record->length));
        int index = ColumnToIndex(column, old.data(), static_cast<int>(old.size()));
        std::string head = old.substr(0, static_cast<size_t>(index));
        std::string tail = old.substr(static_cast<size_t>(index));
        startLine = line;
        startColumn = IndexToColumn(index, old.data(), static_cast<int>(old.size()));
        intoLineHead = index == 0;
        if (column > record->width)
        {
            // The journal removes the filled gap with the text; the inserted text itself
            // starts at the column asked for.
            startColumn = record->width;
            caretStartColumn = column;
            FillGap(head, record->width, column);
        }
        // The new text goes between head and tail. Where it makes the line too long it is
        // wrapped inside the new text only, and the old tail stays whole: joined to the last
        // new line when it fits, else a line of its own. Removing the inserted range then
        // gives the old line back exactly, which is what the journal relies on.
        std::vector<std::string> newLines;
        newLines.push_back(head + segments[0]);
        for (size_t i = 1; i < segments.size(); ++i)
            newLines.push_back(segments[i]);
        int at = line;
        int lastLine = line;
        for (size_t i = 0; i < newLines.size(); ++i)
        {
            bool full = false;
            int n = StoreWrapped(at, i == 0, newLines[i], -1, nullptr, nullptr,
                                 i == 0 ? static_cast<int>(head.size()) : 0, &full);
            at += n;
            if (n > 0)
                lastLine = at - 1;
            if (full)
            {
                failed = true;
                break;
            }
        }
        const TextLine* last = GetLine(lastLine);
        std::string lastText(last->text, static_cast<size_t>(last->length));
        const size_t maxLen = m_maxLineLength;
        if (tail.empty())
        {
            caretColumn = IndexToColumn(static_cast<int>(lastText.size()), lastText.data(),
                                        static_cast<int>(lastText.size()));
            caretLine = lastLine;
        }
        else
        {
            bool ownLine = false;
            if (lastText.size() + tail.size() > maxLen)
            {
                ownLine = !failed && InsertLine(lastLine + 1, tail.data(), static_cast<int>(tail.size()));
                if (!ownLine)
                {
                    // A full table: the new text gives way, never the old tail (head and
                    // tail fitted one line before).
                    Refuse();
                    failed = true;
                    size_t room = maxLen - tail.size();
                    lastText.resize(lastLine == line ? std::max(room, head.size()) : room);
                }
            }
            if (ownLine)
            {
                caretColumn = 0;
                caretLine = lastLine + 1;
            }
            else
            {
                caretColumn = IndexToColumn(static_cast<int>(lastText.size()), lastText.data(),
                                            static_cast<int>(lastText.size()));
                caretLine = lastLine;
                lastText += tail;
                SetLine(lastLine, lastText.data(), static_cast<int>(lastText.size()));
            }
        }
        journalColumn = caretColumn;
        journalLine = caretLine;
    }
    else
    {
        if (endsWithBreak && segments.size() > 1)
            segments.pop_back();
        int at = std::min(line, countBefore);
        // The first new line starts at the column asked for, behind TABs and blanks (a paste
        // below the text keeps the caret's column); the lines after it start at column 0.
        std::string prefix;
        if (column > 0)
            FillGap(prefix, 0, column);
        startColumn = 0;
        startLine = at;
        caretColumn = 0;
        caretLine = at;
        for (const std::string& segment : segments)
        {
            bool full = false;
            int n = StoreWrapped(at, false, prefix + segment, static_cast<int>(prefix.size() + segment.size()), &caretColumn,
                                 &caretLine, 0, &full);
            prefix.clear();
            at += n;
            if (full)
            {
                failed = true;
                break;
            }
        }
        // Removing whole lines needs the position after them, also for the caller who reads
        // the inserted range back.
        journalColumn = 0;
        journalLine = at;
        if (flags & TIF_NEW_LINES)
        {
            caretColumn = 0;
            caretLine = at;
        }
    }
    result = static_cast<int>(m_lineCount) - countBefore;
    m_insertEnd.x = journalColumn;
    m_insertEnd.y = journalLine;
    uint32_t& word = Layout().RepaintWord();
    if (result > 0)
    {
        RepaintFromLine(word, startLine);
        // Caret and anchor below the insertion move down with their text.
        // Lines going in at column 0 of a line (or before it, as whole lines) push that
        // line down too.
        const bool startLineMoves = intoLineHead || startLine >= countBefore || (flags & TIF_NEW_LINES);
        int caretAt = Layout().CaretLine();
        if (caretAt > startLine || (caretAt == startLine && startLineMoves))
            SetCaretRaw(Layout().CaretColumn(), caretAt + result);
        if (m_anchorLine > startLine || (m_anchorLine == startLine && startLineMoves))
            m_anchorLine += result;
    }
    else
    {
        RepaintOneLine(word, startLine);
    }
    if (flags & TIF_CARET_START)
        MoveCursor(caretStartColumn < 0 ? startColumn : caretStartColumn, startLine, 0);
    if (flags & TIF_CARET_END)
        MoveCursor(caretColumn, caretLine, 0);
    if (flags & TIF_JOURNAL)
    {
        UndoEntry* e = nullptr;
        if (flags & TIF_COMMIT)
        {
            e = m_undo.NewEntry();
            e->kind = static_cast<uint8_t>(UK_REMOVE | ((flags & TIF_COMMIT_GROUP) ? UK_GROUP : 0));
            e->modified = m_modified;
            m_undo.SealGroup(e);
        }
        else
        {
            e = m_undo.Newest();
        }
        if (e)
        {
            e->startColumn = startColumn;
            e->startLine = startLine;
            e->endColumn = journalColumn;
            e->endLine = journalLine;
        }
    }
    for (int l = startLine; l < static_cast<int>(m_lineCount) && l <= startLine + result; l = ColorLine(l))
    {
    }
    if (flags & TIF_REPAINT)
        RequestUpdate(1);
    return failed ? -1 : result;
}

int CTextEdit::InsertString(const char* text, int column, int line, int flags)
{
    return InsertText(text, column, line, flags, text ? static_cast<int>(strlen(text)) : 0);
}

int CTextEdit::InsertAtCaret(const char* text, int flags)
{
    int insertFlags = ((EditOptions & EO_CARET_TO_START) ? 0x82 : 0x84) | flags;
    // The insertion is journaled on its own (kind 1): a replaced selection comes back with
    // the undo step after it. A selection that may not go (read-only, vetoed) takes no text
    // and the result says so: 1 would report a text that never went in.
    if (m_selectionMode && !DeleteSelection(1))
        return 0;
    // Whole lines go in at the start of the caret line, as a line-wise paste puts them. The
    // selection is gone by now: moving the caret first dropped it, and the text landed
    // above a selection that stayed in place.
    if (text && (EditOptions & EO_LINEWISE) && text[strcspn(text, "\r\n")])
    {
        insertFlags |= TIF_NEW_LINES;
        MoveCursor(0, Layout().CaretLine(), 0);
    }
    InsertText(text, 0, 0, insertFlags | TIF_AT_CARET | TIF_COMMIT, text ? static_cast<int>(strlen(text)) : 0);
    m_modified = 1;
    RequestUpdate(1);
    return 1;
}

int CTextEdit::SetLineText(const char* text, int line, int length, int flags)
{
    if (!text || length < 0)
        return -1;
    std::string decoded = DecodeSource(text, length, flags);
    if (decoded.size() > m_maxLineLength)
        decoded.resize(m_maxLineLength);
    int index = line;
    if (line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
    {
        index = static_cast<int>(m_lineCount);
        if (!InsertLine(index, decoded.data(), static_cast<int>(decoded.size())))
            return -1;
    }
    else if (!SetLine(index, decoded.data(), static_cast<int>(decoded.size())))
    {
        return -1;
    }
    RepaintOneLine(Layout().RepaintWord(), index);
    m_modified = 1;
    ColorLine(index);
    return index;
}

void CTextEdit::SetLineState(int line, int set, uint32_t value)
{
    if (set && line >= 0 && static_cast<uint32_t>(line) < m_lineCount && !m_tableLent)
        m_lines[line]->state = value;
}

// ---------------------------------------------------------------------------------------------
// Reading

int CTextEdit::GetTextRange(char** out, int column1, int line1, int column2, int line2, int flags)
{
    if (!out)
        return 0;
    *out = nullptr;
    if (flags & TRF_START_CARET)
    {
        column1 = Layout().CaretColumn();
        line1 = Layout().CaretLine();
    }
    if (flags & TRF_END_ANCHOR)
    {
        column2 = m_anchorColumn;
        line2 = m_anchorLine;
    }
    std::string text;
    if (flags & TRF_WORD)
    {
        if (line1 < 0 || static_cast<uint32_t>(line1) >= m_lineCount)
            return 0;
        const TextLine* record = GetLine(line1);
        int index = ColumnToIndex(column1, record->text, record->length);
        int from = 0, to = 0;
        int left = WordRun(index, record->text, record->length, 1, &from);
        int right = WordRun(index, record->text, record->length, 0, &to);
        if (left + right == 0)
            return 0;
        text.assign(record->text + from, static_cast<size_t>(to - from));
    }
    else
    {
        if (line1 > line2 || (line1 == line2 && column1 > column2))
        {
            std::swap(line1, line2);
            std::swap(column1, column2);
        }
        if (line1 < 0)
            line1 = 0, column1 = 0;
        const int count = static_cast<int>(m_lineCount);
        if (line1 < count && !(line1 == line2 && column1 == column2))
        {
            // An end on a line past the text is the position after the last line: the last
            // line comes with its line break, as a line past the text reads empty. Only one
            // such line is read; each further one would add an empty line the text does not
            // have (a range to line 1000 of a short text came out with hundreds of breaks).
            const bool pastEnd = line2 >= count;
            if (pastEnd)
            {
                line2 = count - 1;
                column2 = 0x7FFFFFFF;
            }
            for (int l = line1; l <= line2; ++l)
            {
                const TextLine* record = GetLine(l);
                int from = l == line1 ? ColumnToIndex(column1, record->text, record->length) : 0;
                int to = l == line2 ? ColumnToIndex(column2, record->text, record->length) : record->length;
                if (to > from)
                    text.append(record->text + from, static_cast<size_t>(to - from));
                if (l != line2 || pastEnd)
                    text += "\r\n";
            }
        }
    }
    std::string encoded;
    if (flags & TRF_UTF16)
    {
        for (unsigned char c : text)
        {
            encoded.push_back(static_cast<char>(c));
            encoded.push_back('\0');
        }
    }
    else if (flags & TRF_UTF8)
    {
        for (unsigned char c : text)
        {
            if (c < 128)
                encoded.push_back(static_cast<char>(c));
            else
            {
                encoded.push_back(static_cast<char>(0xC0 | (c >> 6)));
                encoded.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            }
        }
    }
    else
    {
        encoded.swap(text);
    }
    char* block = static_cast<char*>(malloc(encoded.size() + 10));
    if (!block)
        return 0;
    if (!encoded.empty())
        memcpy(block, encoded.data(), encoded.size());
    memset(block + encoded.size(), 0, 10);
    *out = block;
    return static_cast<int>(encoded.size());
}

int CTextEdit::GetRangeText(char* buffer, int size, int column1, int line1, int column2, int line2, int flags)
{
    if (!buffer || size < 1)
        return 0;
    char* text = nullptr;
    int length = GetTextRange(&text, column1, line1, column2, line2, flags);
    if (length > size - 1)
        length = size - 1;
    if (length > 0)
        memcpy(buffer, text, static_cast<size_t>(length));
    buffer[length < 0 ? 0 : length] = 0;
    free(text);
    return length < 0 ? 0 : length;
}

int CTextEdit::GetText(char* buffer, int size, int flags)
{
    return GetRangeText(buffer, size, 0, 0, 0, 0, flags);
}

const char* CTextEdit::GetLineText(int line, int* length) const
{
    if (line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
    {
        if (length)
            *length = 0;
        return nullptr;
    }
    if (length)
        *length = m_lines[line]->length;
    return m_lines[line]->text;
}

int CTextEdit::GetLineLength(int line)
{
    return GetLine(line)->width;
}

// ---------------------------------------------------------------------------------------------
// Deleting

int CTextEdit::DeleteText(int column1, int line1, int column2, int line2, int flags)
{
    if (flags & TRF_START_CARET)
    {
        column1 = Layout().CaretColumn();
        line1 = Layout().CaretLine();
    }
    if (flags & TRF_END_ANCHOR)
    {
        column2 = m_anchorColumn;
        line2 = m_anchorLine;
    }
    if (line1 > line2 || (line1 == line2 && column1 > column2))
    {
        std::swap(line1, line2);
        std::swap(column1, column2);
    }
    // A position above the first line is the start of the text: a range lying wholly above
    // it is empty, and must not join line 0 with nothing.
    if (line1 < 0)
        line1 = 0, column1 = 0;
    if (line2 < 0)
        line2 = 0, column2 = 0;
    if (column1 < 0)
        column1 = 0;
    if (column2 < 0)
        column2 = 0;
    const int count = static_cast<int>(m_lineCount);
    if (m_tableLent || (line1 == line2 && column1 >= column2) || line1 >= count)
        return 0;
    const TextLine* first = GetLine(line1);
    const int index1 = ColumnToIndex(column1, first->text, first->length);
    const int startColumn = IndexToColumn(index1, first->text, first->length);
    uint32_t& word = Layout().RepaintWord();

    // Where a position behind the removed range goes: lines shift up, and on the end line the
    // rest of the text moves to the start of the range.
    int caretColumn = Layout().CaretColumn();
    int caretLine = Layout().CaretLine();
    bool anchorGone = false;
    auto inRange = [&](int c, int l, int endColumn, int endLine) {
        if (l < line1 || (l == line1 && c <= startColumn))
            return false;
        return l < endLine || (l == endLine && c <= endColumn);
    };

    if (line2 >= count && index1 == 0)
    {
        // Everything from the start line on goes, whole lines and all: a refilled pane starts
        // empty, not with a leftover empty line.
        for (int l = count - 1; l >= line1; --l)
            DeleteLine(l);
        if (caretLine >= line1)
            caretColumn = 0, caretLine = line1;
        if (m_anchorLine >= line1)
            anchorGone = true;
        RepaintFromLine(word, line1);
    }
    else
    {
        if (line2 >= count)
        {
            line2 = count - 1;
            column2 = 0x7FFFFFFF;
        }
        const TextLine* last = GetLine(line2);
        int index2 = ColumnToIndex(column2, last->text, last->length);
        int endColumn = IndexToColumn(index2, last->text, last->length);
        if (line1 == line2 && index2 <= index1)
            return 0;
        std::string joined(first->text, static_cast<size_t>(index1));
        joined.append(last->text + index2, static_cast<size_t>(last->length - index2));
        // Joining a long head to a long tail would make a line longer than a line may be;
        // like a join by Backspace or Delete it is refused, so that nothing is cut and the
        // text put back by an undo lands exactly where it was.
        if (joined.size() > m_maxLineLength)
        {
            AnsiViewBeep(MB_ICONASTERISK);
            return 0;
        }
        const int removedLines = line2 - line1;
        auto follow = [&](int& c, int& l) {
            if (l > line2 || (l == line2 && c > endColumn))
            {
                if (l == line2)
                    c = startColumn + (c - endColumn);
                l -= removedLines;
            }
            else if (inRange(c, l, endColumn, line2))
            {
                c = startColumn;
                l = line1;
            }
        };
        if (m_selectionMode && inRange(m_anchorColumn, m_anchorLine, endColumn, line2))
            anchorGone = true;
        follow(caretColumn, caretLine);
        follow(m_anchorColumn, m_anchorLine);
        for (int l = line2; l > line1; --l)
            DeleteLine(l);
        SetLine(line1, joined.data(), static_cast<int>(joined.size()));
        if (removedLines > 0)
            RepaintFromLine(word, line1);
        else
            RepaintOneLine(word, line1);
    }
    if (caretLine > static_cast<int>(m_lineCount))
        caretLine = static_cast<int>(m_lineCount), caretColumn = 0;
    SetCaretRaw(caretColumn, caretLine);
    if (anchorGone || m_anchorLine > static_cast<int>(m_lineCount))
    {
        // The selection's fixed end went with the text: no selection is left behind.
        m_selectionMode = 0;
        m_anchorColumn = caretColumn;
        m_anchorLine = caretLine;
    }
    else if (m_selectionMode)
    {
        m_selectionMode = (m_anchorColumn == caretColumn && m_anchorLine == caretLine) ? 0
                          : m_anchorLine == caretLine                                  ? 1
                                                                                        : 2;
    }
    if (static_cast<uint32_t>(line1) < m_lineCount)
        ColorLine(line1);
    if (flags & TRF_CARET_MOVE)
        MoveCursor(0, 0, MCF_RELATIVE);
    if (flags & TRF_REPAINT)
        RequestUpdate(1);
    return 1;
}

int CTextEdit::ClearAll()
{
    if (!m_tableLent)
    {
        for (int l = static_cast<int>(m_lineCount) - 1; l >= 0; --l)
            DeleteLine(l);
    }
    m_lineCount = 0;
    ++m_textGeneration;
    Layout().SetLineCount(0);
    LoadSyntaxColors(nullptr);
    LoadAccel(nullptr);
    m_undo.Clear();
    m_selectionMode = 0;
    m_anchorColumn = m_anchorLine = 0;
    SetCaretRaw(0, 0);
    m_desiredColumn = 0;
    Layout().RepaintWord() |= RP_ALL;
    RequestUpdate(1);
    int old = m_modified;
    m_modified = 0;
    return old;
}

int CTextEdit::SetEditable(int editable)
{
    int old = m_readOnly ? 0 : 1;
    m_readOnly = editable ? 0 : 1;
    return old;
}

int CTextEdit::SetModified(int value)
{
    int old = m_modified;
    m_modified = static_cast<uint8_t>(value);
    return old;
}

// ---------------------------------------------------------------------------------------------
// Selection operations

int CTextEdit::DeleteSelection(int partOfLarger)
{
    if (!m_selectionMode)
        return 0;
    if (m_readOnly)
        return Refuse();
    if (!m_replaying && !AllowChange())
        return 0;
    int c1, l1, c2, l2;
    SelectionOrdered(&c1, &l1, &c2, &l2);
    if (m_selectionMode == 2 && (EditOptions & EO_LINEWISE))
    {
        int first = 0, end = 0;
        GetSelectedLines(&first, &end);
        c1 = 0, l1 = first, c2 = 0, l2 = end;
    }
    const TextLine* startLine = GetLine(l1);
    // From inside a line to past the text, the deletion keeps the start line and takes no
    // line break after the last line: the journal keeps the text without that break, so
    // that the undo puts back exactly the lines there were.
    if (l2 >= static_cast<int>(m_lineCount) && ColumnToIndex(c1, startLine->text, startLine->length) > 0)
    {
        l2 = static_cast<int>(m_lineCount) - 1;
        c2 = 0x7FFFFFFF;
    }
    char* text = nullptr;
    int length = GetTextRange(&text, c1, l1, c2, l2, 0);
    int startColumn = IndexToColumn(ColumnToIndex(c1, startLine->text, startLine->length), startLine->text,
                                    startLine->length);
    // A free caret right of the start line's text keeps its column: the text that moves up
    // from the end line is put there, behind TABs and blanks filling the gap.
    const bool fillGap = m_selectionMode == 2 && !(EditOptions & EO_LINEWISE) && c1 > startLine->width;
    uint8_t modifiedBefore = m_modified;
    if (!DeleteText(c1, l1, c2, l2, 0))
    {
        // Refused (the joined line would be too long): text, caret and selection stay.
        free(text);
        return 0;
    }
    int caretColumn = startColumn;
    bool filled = false;
    POINT filledEnd = { startColumn, l1 };
    // A range that ran to the end from the start of its line took that line too: there is
    // no line left to fill, and a filling inserted there would be a line of its own that the
    // journal does not know.
    if (fillGap && static_cast<uint32_t>(l1) < m_lineCount)
    {
        std::string gap;
        FillGap(gap, startColumn, c1);
        // The filling may push the text behind it onto a line of its own when the line
        // would get too long; its end is then on the next line, and the journal keeps it.
        if (!gap.empty() && InsertText(gap.data(), startColumn, l1, 0, static_cast<int>(gap.size())) >= 0 &&
            (m_insertEnd.y != l1 || m_insertEnd.x > startColumn))
        {
            filled = true;
            filledEnd = m_insertEnd;
            caretColumn = c1;
        }
    }
    UndoEntry* e = m_undo.NewEntry();
    uint8_t kind = static_cast<uint8_t>((EditOptions & EO_CARET_TO_START) ? UK_INSERT : (UK_INSERT | UK_CARET_START));
    if (filled)
    {
        // The way back also takes the filling out again; the caret then ends at the other end.
        kind = static_cast<uint8_t>((kind | UK_REMOVE) ^ (UK_CARET_START | UK_CARET_END));
    }
    e->kind = static_cast<uint8_t>(kind | (partOfLarger ? UK_GROUP : 0));
    e->modified = modifiedBefore;
    e->startColumn = startColumn;
    e->startLine = l1;
    e->endColumn = filled ? filledEnd.x : c2;
    e->endLine = filled ? filledEnd.y : l2;
    e->character = 0;
    e->key = 0;
    CUndoRing::SetText(e, text, length);
    m_undo.SealGroup(e);
    m_selectionMode = 0;
    MoveCursor(caretColumn, std::min(l1, static_cast<int>(m_lineCount)), 0);
    m_modified = 1;
    RequestUpdate(1);
    return 1;
}

int CTextEdit::CopySelection(int slot)
{
    if (!m_selectionMode)
        return 0;
    int c1, l1, c2, l2;
    SelectionOrdered(&c1, &l1, &c2, &l2);
    if (m_selectionMode == 2 && (EditOptions & EO_LINEWISE))
    {
        int first = 0, end = 0;
        GetSelectedLines(&first, &end);
        c1 = 0, l1 = first, c2 = 0, l2 = end;
    }
    char* text = nullptr;
    int length = GetTextRange(&text, c1, l1, c2, l2, 0);
    if (length == 0 && m_selectionMode == 1 && (EditOptions & EO_FREE_CARET) && c2 > c1)
    {
        free(text);
        length = c2 - c1;
        text = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
        memset(text, ' ', static_cast<size_t>(length));
        text[length] = 0;
    }
    if (slot >= 0 && slot <= 9)
    {
        free(m_copySlots[slot].text);
        m_copySlots[slot].text = text;
        m_copySlots[slot].length = length;
        if (length < 256)
            EditOptions |= EO_CHANGED;
        return length;
    }
    if (length > 0)
        ClipboardSetText(text, length);
    free(text);
    return length;
}

int CTextEdit::CutSelection(int slot)
{
    if (!m_selectionMode)
        return 0;
    // A read-only editor still hands its text out (the disk view's pane answers Ctrl+X and
    // Shift+Delete with a copy); only the deletion is refused, with its beep.
    int n = CopySelection(slot);
    DeleteSelection(0);
    return n;
}

int CTextEdit::Paste(int source)
{
    if (m_readOnly)
        return Refuse();
    char* owned = nullptr;
    const char* text = nullptr;
    int length = 0;
    if (source >= 0 && source <= 9)
    {
        if (!m_copySlots[source].text || m_copySlots[source].length < 2)
            return 0;
        text = m_copySlots[source].text;
        length = m_copySlots[source].length;
    }
    else if (source >= 48 && source <= 102)
    {
        text = m_keyTexts[source - 48];
        if (!text || !*text)
            return 0;
        length = static_cast<int>(strlen(text));
    }
    else
    {
        owned = ClipboardGetText(&length);
        text = owned;
        if (!text || length < 1)
        {
            free(owned);
            return 0;
        }
    }
    int flags = ((EditOptions & EO_CARET_TO_START) ? TIF_CARET_START : TIF_CARET_END) | TIF_AT_CARET | TIF_JOURNAL |
                TIF_COMMIT;
    if (EditOptions & EO_LINEWISE)
    {
        for (int i = 0; i < length; ++i)
            if (text[i] == '\r' || text[i] == '\n')
            {
                flags |= TIF_NEW_LINES;
                break;
            }
    }
    if (!AllowChange())
    {
        free(owned);
        return 0;
    }
    const int replacedMode = m_selectionMode;
    if (replacedMode)
    {
        if (!DeleteSelection(1))
        {
            free(owned);
            return 0;
        }
        // Only a selection inside one line makes the paste's entry a group member; the
        // deletion of a selection over several lines is undone on its own step.
        if (replacedMode == 1)
            flags |= TIF_COMMIT_GROUP;
    }
    if (flags & TIF_NEW_LINES)
        MoveCursor(0, Layout().CaretLine(), 0);
    uint8_t modifiedBefore = m_modified;
    InsertText(text, 0, 0, flags, length);
    if (UndoEntry* e = m_undo.Newest())
        e->modified = modifiedBefore;
    free(owned);
    m_modified = 1;
    RequestUpdate(1);
    return 1;
}

int CTextEdit::JournalLines(int line1, int line2)
{
    if (m_readOnly)
        return 0;
    if (line1 > line2)
        std::swap(line1, line2);
    line1 = std::max(0, std::min(line1, static_cast<int>(m_lineCount)));
    line2 = std::max(0, std::min(line2, static_cast<int>(m_lineCount)));
    if (line1 == line2)
        return 0;
    std::string text;
    for (int l = line1; l < line2; ++l)
    {
        text.append(m_lines[l]->text, static_cast<size_t>(m_lines[l]->length));
        text += "\r\n";
    }
    UndoEntry* e = m_undo.NewEntry();
    e->kind = UK_INSERT | UK_GROUP;
    e->modified = m_modified;
    e->startColumn = 0;
    e->startLine = line1;
    e->endColumn = 0;
    e->endLine = line2;
    char* kept = static_cast<char*>(malloc(text.size() + 1));
    memcpy(kept, text.c_str(), text.size() + 1);
    CUndoRing::SetText(e, kept, static_cast<int>(text.size()));
    m_undo.SealGroup(e);
    return line2 - line1;
}

int CTextEdit::JournalLineRange(int line1, int line2)
{
    if (m_readOnly)
        return 0;
    if (line1 > line2)
        std::swap(line1, line2);
    line1 = std::max(0, std::min(line1, static_cast<int>(m_lineCount)));
    line2 = std::max(0, std::min(line2, static_cast<int>(m_lineCount)));
    if (line1 == line2)
        return 0;
    UndoEntry* e = m_undo.NewEntry();
    e->kind = UK_REMOVE | UK_GROUP;
    e->modified = m_modified;
    e->startLine = line1;
    e->endLine = line2;
    m_undo.SealGroup(e);
    return line2 - line1;
}

int CTextEdit::IndentBlock(int unindent)
{
    if (m_readOnly)
        return Refuse();
    int first = 0, end = 0;
    if (GetSelectedLines(&first, &end) < 1)
        return 0;
    end = std::min(end, static_cast<int>(m_lineCount));
    if (end <= first || !AllowChange())
        return 0;
    // A line that the TAB would make too long refuses the whole indent, like any edit that
    // would pass the line length: the block is not indented by halves.
    if (!unindent)
    {
        for (int l = first; l < end; ++l)
            if (static_cast<uint32_t>(m_lines[l]->length) >= m_maxLineLength)
                return Refuse();
    }
    std::string text;
    int tw = TabWidth < 1 ? 4 : TabWidth;
    for (int l = first; l < end; ++l)
    {
        std::string line(m_lines[l]->text, static_cast<size_t>(m_lines[l]->length));
        if (!unindent)
        {
            line.insert(line.begin(), '\t');
        }
        else if (!line.empty() && line[0] == '\t')
        {
            line.erase(0, 1);
        }
        else
        {
            size_t n = 0;
            while (n < line.size() && n < static_cast<size_t>(tw) && line[n] == ' ')
                ++n;
            line.erase(0, n);
        }
        text += line;
        text += "\r\n";
    }
    uint8_t modifiedBefore = m_modified;
    // The old lines go into the journal first, so that undoing the indent brings them back.
    JournalLines(first, end);
    for (int l = end - 1; l >= first; --l)
        DeleteLine(l);
    m_selectionMode = 0;
    SetCaretRaw(0, first);
    m_anchorColumn = 0;
    m_anchorLine = first;
    InsertText(text.data(), 0, first, TIF_NEW_LINES | TIF_JOURNAL | TIF_COMMIT | TIF_COMMIT_GROUP,
               static_cast<int>(text.size()));
    if (UndoEntry* e = m_undo.Newest())
        e->modified = 1;
    (void)modifiedBefore;
    m_modified = 1;
    // The block stays selected as whole lines; the caret goes where a paste would leave it:
    // on the block's first line under "caret to the start", else after its last line.
    const bool caretToStart = (EditOptions & EO_CARET_TO_START) != 0;
    MoveCursor(0, caretToStart ? end : first, 0);
    MoveCursor(0, caretToStart ? first : end, MCF_EXTEND);
    RequestUpdate(1);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Words

int CTextEdit::GetWordAt(int column, int line, int copy)
{
    if (line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
        return 0;
    const TextLine* record = GetLine(line);
    int index = ColumnToIndex(column, record->text, record->length);
    int from = 0;
    int right = WordRun(index, record->text, record->length, 0, nullptr);
    int left = WordRun(index, record->text, record->length, 1, &from);
    if (copy && right + left > 0)
        ClipboardSetText(record->text + from, right + left);
    return right | (left << 16);
}

void CTextEdit::SelectWordAt(int column, int line)
{
    // The selection of a double click, without its memory: a click soon after the command
    // is an ordinary click, not the third of a triple click.
    const DWORD tick = m_doubleClickTick;
    const int clickColumn = m_doubleClickColumn;
    const int clickLine = m_doubleClickLine;
    PreLButtonDblClk(0, 0, 0, column, line);
    m_doubleClickTick = tick;
    m_doubleClickColumn = clickColumn;
    m_doubleClickLine = clickLine;
}
