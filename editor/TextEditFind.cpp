// CTextEdit: the find and replace engine, the shared options and tab width as the dialogs set
// them, and the answers to WM_TEXTEDIT_QUERY. Everything here works on a windowless editor;
// only the dialog commands need a window.
#include "editor/TextEdit.h"

#include "editor/TextFindDialogs.h"
#include "editor/TextOptionsDlg.h"
#include "services/TextList.h"
#include "textlib/TextCopy.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>

std::string DecodeSource(const char* text, int length, int flags);

namespace {

int64_t IndexKey(int line, int index)
{
    return (static_cast<int64_t>(line) << 32) + index;
}

// A text handed to a dialog: at most size - 1 bytes and a terminator; UTF-8 decoded to one
// byte a character first when asked.
void CopyForDialog(char* buffer, int size, const char* text, bool utf8)
{
    if (utf8 && text)
    {
        const std::string decoded = DecodeSource(text, static_cast<int>(strlen(text)), TIF_UTF8);
        CopyTextLimited(buffer, decoded.c_str(), size);
        return;
    }
    CopyTextLimited(buffer, text, size);
}

// Where a position lands when the match [from, to) on matchLine is replaced by a text that
// ends at (endLine, endIndex): behind the match on its line it keeps its distance from the
// match's end; on a later line it moves down by the lines the replacement added; inside the
// match it goes to the match's start, so that nothing of the replacement lies before it.
void MovePastReplacement(int* line, int* index, int matchLine, int from, int to, int endLine, int endIndex)
{
    if (*line > matchLine)
    {
        *line += endLine - matchLine;
    }
    else if (*line == matchLine && *index >= to)
    {
        *line = endLine;
        *index = endIndex + (*index - to);
    }
    else if (*line == matchLine && *index > from)
    {
        *index = from;
    }
}

// Records the replacement of the match [from, to) on matchLine by a text that ends at
// (endLine, endIndex): the first one recorded moves with it, it becomes the latest.
void NoteReplacement(ReplacedText* text, int matchLine, int from, int to, int endLine, int endIndex)
{
    const ReplacedText::Span now = { matchLine, from, endLine, endIndex };
    ReplacedText::Span& first = text->first;
    if (text->any)
    {
        MovePastReplacement(&first.line, &first.from, matchLine, from, to, endLine, endIndex);
        MovePastReplacement(&first.endLine, &first.end, matchLine, from, to, endLine, endIndex);
    }
    else
    {
        first = now;
        text->any = true;
    }
    text->last = now;
}

// Whether a match [from, to) on a line takes a byte of a replacement, or spans the place of
// an empty one.
bool TouchesReplacedText(const ReplacedText& text, int line, int from, int to)
{
    const int64_t start = IndexKey(line, from);
    const int64_t end = IndexKey(line, to);
    auto touches = [&](const ReplacedText::Span& s) {
        return start < IndexKey(s.endLine, s.end) && end > IndexKey(s.line, s.from);
    };
    return text.any && (touches(text.first) || touches(text.last));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Options and tab width

uint32_t CTextEdit::SetOptionFlags(uint32_t value, uint32_t mask)
{
    const uint32_t old = EditOptions;
    const uint32_t now = (value & mask) | (old & ~mask);
    const uint32_t changed = (old ^ now) & mask;
    if (!changed)
        return old;
    EditOptions = now;
    if (changed & EO_LINE_NUMBERS)
        ApplyMargin();
    if (changed & (EO_LINE_NUMBERS | EO_BRACKETS | EO_LINEWISE))
    {
        m_bracketActive = false;
        Layout().RepaintWord() |= RP_ALL;
        UpdateSharedViews();
    }
    if (changed & 0xF000)
        RecomputeWordStopMask();
    EditOptions = now | EO_CHANGED;
    return old;
}

int CTextEdit::SetTabWidth(int width)
{
    const int old = TabWidth;
    if (width < 1 || width > 32 || width == TabWidth)
        return old;
    TabWidth = width;
    NotifySharedViews(1);
    UpdateSharedViews();
    EditOptions |= EO_CHANGED;
    return old;
}

// ---------------------------------------------------------------------------------------------
// Search text and history

void CTextEdit::SetSearchText(const char* text)
{
    if (!text || !*text)
        return;
    if (text != m_lastSearch)
    {
        char* copy = strdup(text);
        if (!copy)
            return;
        free(m_lastSearch);
        m_lastSearch = copy;
    }
    if (m_findHistory && strcmp(m_findHistory, m_lastSearch) == 0)
        return;
    CTextList list;
    if (m_findHistory && *m_findHistory)
        list.InsertSplit(0, m_findHistory);
    list.SetLimit(16, 0);
    if (list.MoveToFront(m_lastSearch) != 0)
    {
        list.InsertText(m_lastSearch, 0);
        list.SetLimit(16, 0);
    }
    char* joined = nullptr;
    const int length = list.JoinMultiString(0, list.GetCount(), &joined);
    if (joined)
    {
        // An open find or replace dialog fills its empty combo box from the list at every data
        // exchange, and a search from it lands here: it reads the new list from now on. Left
        // on the freed one, a second "Weitersuchen" after a start with an empty list filled
        // the combo box with whatever the heap had put there.
        for (CTextSearchDlgBase* dialog : { static_cast<CTextSearchDlgBase*>(m_findDlg),
                                            static_cast<CTextSearchDlgBase*>(m_replaceDlg) })
            if (dialog && dialog->m_history == m_findHistory)
                dialog->m_history = joined;
        free(m_findHistory);
        m_findHistory = joined;
        m_findHistoryLength = length;
    }
    EditOptions |= EO_CHANGED;
}

// ---------------------------------------------------------------------------------------------
// Saved range

int CTextEdit::SetSavedRange(int column1, int line1, int column2, int line2)
{
    if (line1 > line2 || (line1 == line2 && column1 > column2))
    {
        std::swap(column1, column2);
        std::swap(line1, line2);
    }
    m_savedFirstColumn = column1;
    m_savedFirstLine = line1;
    m_savedEndColumn = column2;
    m_savedLastLine = line2;
    if (line1 != line2)
        return 2;
    return column1 != column2 ? 1 : 0;
}

int CTextEdit::SaveSelectionRange()
{
    const POINT caret = GetCaretPos();
    if (!m_selectionMode)
    {
        SetSavedRange(caret.x, caret.y, caret.x, caret.y);
        m_savedCaretAtStart = 1;
        return 0;
    }
    int c1, l1, c2, l2;
    SelectionOrdered(&c1, &l1, &c2, &l2);
    SetSavedRange(c1, l1, c2, l2);
    m_savedCaretAtStart = (caret.x == c1 && caret.y == l1) ? 1 : 0;
    return m_selectionMode;
}

int CTextEdit::InSavedRange(int column, int line) const
{
    if (line < m_savedFirstLine || line > m_savedLastLine)
        return 0;
    if (line == m_savedFirstLine && column < m_savedFirstColumn)
        return 0;
    if (line == m_savedLastLine && column >= m_savedEndColumn)
        return 0;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// The pass of searches that carry on from each other

bool CTextEdit::PassHolds() const
{
    const POINT caret = GetCaretPos();
    return m_pass.valid && m_pass.generation == m_textGeneration && m_pass.caret.x == caret.x &&
           m_pass.caret.y == caret.y && m_pass.selectionMode == m_selectionMode &&
           (!m_selectionMode || (m_pass.anchor.x == m_anchorColumn && m_pass.anchor.y == m_anchorLine));
}

void CTextEdit::KeepPassState(bool answered)
{
    m_pass.caret = GetCaretPos();
    m_pass.anchor.x = m_anchorColumn;
    m_pass.anchor.y = m_anchorLine;
    m_pass.selectionMode = m_selectionMode;
    m_pass.generation = m_textGeneration;
    m_pass.answered = answered;
    m_pass.valid = true;
}

// ---------------------------------------------------------------------------------------------
// Matcher access

int CTextEdit::MatchWildPattern(const char* pattern, int patternLength, const char* text, int textLength,
                                uint32_t flags) const
{
    WildPatternTables tables = { CaseTable(), ClassTable() };
    return ::MatchWildPattern(pattern, patternLength, text, textLength, flags, tables);
}

int CTextEdit::SpanCharSet(const char* text, uint32_t groups, int length) const
{
    return ::SpanCharSet(text, groups, length, ClassTable());
}

// ---------------------------------------------------------------------------------------------
// Find

bool CTextEdit::MatchAt(const char* text, int textLength, bool pattern, bool forward, const TextLine* record,
                        int index, int* matchLength) const
{
    const bool fold = (EditOptions & EO_FIND_IGNORE_CASE) != 0;
    const char* line = record->text;
    const int length = record->length;
    int n = 0;
    if (!pattern)
    {
        if (length - index < textLength || CompareFold(text, line + index, textLength, fold) != 0)
            return false;
        n = textLength;
    }
    else
    {
        const bool wordBefore = index > 0 && IsWordChar(static_cast<unsigned char>(line[index - 1]));
        // A leading "*" would match at every byte of a word; it starts only at word starts.
        if (forward && text[0] == '*' && (wordBefore || !IsWordChar(static_cast<unsigned char>(line[index]))))
            return false;
        uint32_t flags = (fold ? WPF_FOLD : 0u) | (forward ? WPF_LENGTH : WPF_LENGTH | WPF_LENGTH_OR_FAIL) |
                         (index > 0 ? WPF_NOT_LINE_START : 0u) | (wordBefore ? WPF_WORD_BEFORE : 0u);
        n = MatchWildPattern(text, textLength, line + index, length - index, flags);
        if (n < 1)
            return false;
    }
    if (EditOptions & EO_FIND_WHOLE_WORDS)
    {
        if (index > 0 && IsWordChar(static_cast<unsigned char>(line[index - 1])))
            return false;
        if (index + n < length && IsWordChar(static_cast<unsigned char>(line[index + n])))
            return false;
    }
    *matchLength = n;
    return true;
}

int CTextEdit::FindText(const char* text, uint32_t flags)
{
    if (!text)
    {
        text = m_lastSearch;
        if (!text)
            return 0;
        flags &= 0xFF;
    }
    std::string decoded;
    if (flags & FTF_UTF8)
    {
        decoded = DecodeSource(text, static_cast<int>(strlen(text)), TIF_UTF8);
        if (decoded.size() > m_maxLineLength)
            decoded.resize(m_maxLineLength);
        decoded.resize(strlen(decoded.c_str()));
        text = decoded.c_str();
    }
    if (m_lineCount == 0 || !text[0])
        return 0;
    if (!(flags & FTF_NO_HISTORY))
        SetSearchText(text);

    const bool pattern = (EditOptions & EO_FIND_PATTERN) != 0;
    int textLength = static_cast<int>(strlen(text));
    m_findWork.assign(text, static_cast<size_t>(textLength));
    if (pattern && (EditOptions & EO_FIND_WHOLE_WORDS) && textLength + 3 < static_cast<int>(m_maxLineLength) &&
        !(textLength >= 2 && text[textLength - 2] == '\\' && text[textLength - 1] == 'f'))
    {
        // Whole words in a pattern: a pattern that ends in a word character (or a wildcard)
        // must end at a word end.
        const unsigned char last = static_cast<unsigned char>(text[textLength - 1]);
        const bool escaped = textLength >= 2 && text[textLength - 2] == '\\';
        if (!escaped && (last == '*' || last == '?' || CharClass(last) >= 2))
            m_findWork += "\\f";
    }
    const char* what = m_findWork.c_str();
    const int whatLength = static_cast<int>(m_findWork.size());

    const int count = static_cast<int>(m_lineCount);
    const bool forward = !(EditOptions & EO_FIND_BACKWARD);
    const bool wrapAllowed = (EditOptions & EO_FIND_WRAP) != 0;
    const bool raw = (flags & FTF_SELECT_RAW) != 0;
    const bool inRange = (flags & FTF_IN_RANGE) != 0;
    const uint32_t searchOptions = EditOptions & (EO_FIND_IGNORE_CASE | EO_FIND_BACKWARD | EO_FIND_WRAP |
                                                  EO_FIND_WHOLE_WORDS | EO_FIND_PATTERN);
    // Replace-all keeps its own count of wraps, and find next (always behind the caret) is a
    // search of its own: only the answers of an interactive replace carry a pass on. Letting
    // every search carry it on made find next stop with "nothing more" after each round.
    const bool answer = !(flags & FTF_AFTER_CARET) && ((flags & FTF_RIGHT_OF_CARET) || m_pass.answered);
    const bool continuing = !raw && answer && PassHolds() && m_pass.text == m_findWork &&
                            m_pass.options == searchOptions && m_pass.inRange == inRange;
    m_pass.valid = false;
    const POINT caret = GetCaretPos();
    int column = caret.x;
    int line = caret.y;
    bool selectionAhead = m_selectionMode != 0;
    bool wrapped = continuing && m_pass.wrapped;
    if (inRange && !continuing)
    {
        // A search inside the saved range starts at the range's near end, wherever the caret
        // stands: from the end of a selection made downwards a forward search found nothing
        // of what the selection holds.
        column = forward ? m_savedFirstColumn : m_savedEndColumn;
        line = forward ? m_savedFirstLine : m_savedLastLine;
        selectionAhead = false;
        flags &= ~static_cast<uint32_t>(FTF_AFTER_CARET | FTF_RIGHT_OF_CARET | FTF_LEFT_OF_CARET);
    }
    if (line >= count)
    {
        line = forward ? 0 : count - 1;
        column = forward ? 0 : 100000;
    }
    if (flags & FTF_RIGHT_OF_CARET)
    {
        ++column;
        if (column > GetLine(line)->width)
        {
            column = 0;
            if (++line >= count)
            {
                line = 0;
                // Within a pass, going round the end is its wrap.
                if (continuing && (wrapped || !wrapAllowed))
                    return 0;
                wrapped = wrapped || continuing;
            }
        }
    }
    else if ((flags & FTF_LEFT_OF_CARET) && column > 0)
    {
        --column;
    }
    const TextLine* record = GetLine(line);
    const int index = ColumnToIndex(column, record->text, record->length);
    int foundLine = -1, foundIndex = 0, foundLength = 0;
    // Text the replacements of this run wrote is no candidate's: a replace-all's, or the
    // interactive pass's this search carries on.
    const ReplacedText* written = m_replaceAllText ? m_replaceAllText : continuing ? &m_pass.replaced : nullptr;
    // A match at one candidate, inside the saved range when asked: kept as the find.
    auto tryAt = [&](const TextLine* candidateLine, int lineIndex, int i, bool forwards) {
        int n = 0;
        if (!MatchAt(what, whatLength, pattern, forwards, candidateLine, i, &n))
            return false;
        if (written && TouchesReplacedText(*written, lineIndex, i, i + n))
            return false;
        if ((flags & FTF_IN_RANGE) &&
            !(InSavedRange(IndexToColumn(i, candidateLine->text, candidateLine->length), lineIndex) &&
              InSavedRange(IndexToColumn(i + n - 1, candidateLine->text, candidateLine->length), lineIndex)))
            return false;
        foundLine = lineIndex, foundIndex = i, foundLength = n;
        return true;
    };

    // After a wrap the search ends where its pass began: forward before the first candidate
    // it tried, backward after it (a candidate tried once gives the same answer again).
    int limitLine = line;
    int limitIndex = 0;
    if (forward)
    {
        const bool after = (flags & FTF_AFTER_CARET) || (selectionAhead && !(caret.x < m_anchorColumn));
        int candidate = after ? index + 1 : index;
        if (continuing)
            candidate = std::max(candidate, m_pass.bound);
        limitIndex = candidate;
        if (continuing)
            limitLine = m_pass.originLine, limitIndex = m_pass.originIndex;
        for (;;)
        {
            if (wrapped && line > limitLine)
                break;
            record = GetLine(line);
            for (int i = candidate; i < record->length; ++i)
            {
                if (wrapped && line == limitLine && i >= limitIndex)
                    break;
                if (tryAt(record, line, i, true))
                    break;
            }
            if (foundLine >= 0 || (wrapped && line == limitLine))
                break;
            candidate = 0;
            if (++line >= count)
            {
                if (!wrapAllowed || wrapped)
                    break;
                wrapped = true;
                line = 0;
            }
        }
    }
    else
    {
        const bool before = (flags & FTF_AFTER_CARET) || (selectionAhead && !(caret.x > m_anchorColumn));
        int candidate = std::min(before ? index - 1 : index, record->length - 1);
        if (continuing)
            candidate = std::min(candidate, m_pass.bound);
        limitIndex = candidate;
        if (continuing)
            limitLine = m_pass.originLine, limitIndex = m_pass.originIndex;
        for (;;)
        {
            if (wrapped && line < limitLine)
                break;
            record = GetLine(line);
            for (int i = std::min(candidate, record->length - 1); i >= 0; --i)
            {
                if (wrapped && line == limitLine && i <= limitIndex)
                    break;
                if (tryAt(record, line, i, false))
                    break;
            }
            if (foundLine >= 0 || (wrapped && line == limitLine))
                break;
            candidate = 0x7FFFFFFF;
            if (--line < 0)
            {
                if (!wrapAllowed || wrapped)
                    break;
                wrapped = true;
                line = count - 1;
            }
        }
    }
    if (foundLine < 0)
        return 0;

    record = GetLine(foundLine);
    const int startColumn = IndexToColumn(foundIndex, record->text, record->length);
    const int endColumn = IndexToColumn(foundIndex + foundLength, record->text, record->length);
    m_matchStart.x = foundIndex;
    m_matchStart.y = foundLine;
    m_matchEnd.x = foundIndex + foundLength;
    m_matchEnd.y = foundLine;
    if (flags & FTF_SELECT_RAW)
    {
        SetCaretRaw(startColumn, foundLine);
        m_anchorColumn = endColumn;
        m_anchorLine = foundLine;
        m_selectionMode = endColumn != startColumn ? 1 : 0;
        return 1;
    }
    MoveCursor(endColumn, foundLine, 0);
    MoveCursor(startColumn, foundLine, MCF_EXTEND);
    if (!continuing)
    {
        m_pass.replaced = ReplacedText();
        m_pass.text = m_findWork;
        m_pass.options = searchOptions;
        m_pass.inRange = inRange;
        m_pass.originLine = limitLine;
        m_pass.originIndex = limitIndex;
    }
    m_pass.wrapped = wrapped;
    // The next search of the pass moves on from this match, also where the match stays as it
    // is (a "Nein", or a replacement a read-only editor refused).
    m_pass.bound = forward ? foundIndex + 1 : foundIndex - 1;
    KeepPassState(false);
    Layout().UpdateLayout(0);
    RequestUpdate(1);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Replace

int CTextEdit::ReplaceSelection(const char* replacement, int length)
{
    const POINT caret = GetCaretPos();
    if (!m_selectionMode || caret.y != m_anchorLine || caret.x == m_anchorColumn)
        return 0;
    const bool inPass = PassHolds();
    const int line = caret.y;
    const TextLine* record = GetLine(line);
    const int caretColumn = static_cast<int>(caret.x);
    const int from = ColumnToIndex(std::min(caretColumn, m_anchorColumn), record->text, record->length);
    const int to = ColumnToIndex(std::max(caretColumn, m_anchorColumn), record->text, record->length);
    const TextLine* savedLast = GetLine(m_savedLastLine);
    int savedEndLine = m_savedLastLine;
    int savedEnd = ColumnToIndex(m_savedEndColumn, savedLast->text, savedLast->length);
    const uint8_t modifiedBefore = m_modified;
    POINT end = { IndexToColumn(from, record->text, record->length), line };
    bool done = true;
    if (length < 1)
    {
        done = DeleteSelection(0) != 0;
    }
    else if ((done = DeleteSelection(1) != 0))
    {
        const int flags = ((EditOptions & EO_FIND_BACKWARD) ? TIF_CARET_START : TIF_CARET_END) | TIF_AT_CARET |
                          TIF_JOURNAL | TIF_COMMIT | TIF_COMMIT_GROUP;
        if (InsertText(replacement, 0, 0, flags, length) >= 0)
            end = m_insertEnd;
        if (UndoEntry* e = m_undo.Newest())
        {
            e->kind = static_cast<uint8_t>(e->kind | UK_CARET_START);
            e->modified = modifiedBefore;
        }
    }
    if (!done)
    {
        // A refused replacement (a hook that said no) still answers the match: the pass goes
        // on behind it instead of finding it again.
        if (inPass)
            m_pass.answered = true;
        return 0;
    }
    // Positions behind the replacement move with it, down by the lines it added: the saved
    // range's end, and the origin of the pass the replacement belongs to.
    const TextLine* endRecord = GetLine(end.y);
    const int endIndex = length < 1 ? from : ColumnToIndex(end.x, endRecord->text, endRecord->length);
    if (end.y != line || endIndex != to)
    {
        MovePastReplacement(&savedEndLine, &savedEnd, line, from, to, end.y, endIndex);
        const TextLine* now = GetLine(savedEndLine);
        m_savedLastLine = savedEndLine;
        m_savedEndColumn = IndexToColumn(savedEnd, now->text, now->length);
    }
    if (inPass)
    {
        // The pass goes on behind the replacement (forward) or before it (backward), so that
        // it never finds the search text inside its own replacement. Backwards, once wrapped,
        // it searches what lies behind its origin: an origin on the match goes to the
        // replacement's last character, so that nothing of the replacement is searched again.
        const bool forward = !(EditOptions & EO_FIND_BACKWARD);
        if (!forward && m_pass.originLine == line && m_pass.originIndex >= from && m_pass.originIndex < to)
            m_pass.originLine = end.y, m_pass.originIndex = endIndex - 1;
        else
            MovePastReplacement(&m_pass.originLine, &m_pass.originIndex, line, from, to, end.y, endIndex);
        m_pass.bound = forward ? endIndex : from - 1;
        NoteReplacement(&m_pass.replaced, line, from, to, end.y, endIndex);
        KeepPassState(true);
    }
    else
    {
        m_pass.valid = false;
    }
    m_modified = 1;
    RepaintOneLine(Layout().RepaintWord(), Layout().CaretLine());
    RequestUpdate(1);
    return 1;
}

int CTextEdit::ReplaceAll(const char* find, const char* replacement, int length, uint32_t flags)
{
    const bool inRange = (flags & RTF_IN_RANGE) != 0;
    const bool restore = (flags & RTF_RESTORE_SELECTION) != 0;
    // The start point: the caret, or for a replacement inside the saved range that range's
    // start, so that the whole range is covered wherever the caret stood in it. Kept as a
    // byte index, so that replacements left of it move it by their change in bytes.
    int startLine, startIndex;
    {
        int column = inRange ? m_savedFirstColumn : Layout().CaretColumn();
        startLine = inRange ? m_savedFirstLine : Layout().CaretLine();
        const TextLine* r = GetLine(startLine);
        startIndex = ColumnToIndex(column, r->text, r->length);
    }
    int rangeEndLine = m_savedLastLine;
    int rangeEndIndex = 0;
    if (inRange)
    {
        const TextLine* r = GetLine(m_savedLastLine);
        rangeEndIndex = ColumnToIndex(m_savedEndColumn, r->text, r->length);
    }
    const uint32_t backward = EditOptions & EO_FIND_BACKWARD;
    EditOptions &= ~static_cast<uint32_t>(EO_FIND_BACKWARD);
    m_selectionMode = 0;
    {
        const TextLine* r = GetLine(startLine);
        const int column = IndexToColumn(startIndex, r->text, r->length);
        SetCaretRaw(column, startLine);
        m_anchorColumn = column;
        m_anchorLine = startLine;
    }

    ReplacedText written;
    m_replaceAllText = &written;
    int64_t previous = IndexKey(startLine, startIndex) - 1;
    int wraps = 0;
    int replaced = 0;
    // The first search records the text; the others would only copy it again.
    uint32_t findFlags = FTF_SELECT_RAW;
    while (replaced < kReplaceAllLimit)
    {
        if (!FindText(find, findFlags))
            break;
        findFlags |= FTF_NO_HISTORY;
        const int line = m_matchStart.y;
        const int from = m_matchStart.x;
        const int to = m_matchEnd.x;
        const int64_t key = IndexKey(line, from);
        if (key <= previous)
            ++wraps;
        if (wraps >= 2 || (wraps == 1 && key >= IndexKey(startLine, startIndex)))
            break;
        previous = key;
        const TextLine* record = GetLine(line);
        const int fromColumn = IndexToColumn(from, record->text, record->length);
        const int toColumn = IndexToColumn(to, record->text, record->length);
        if (!CallHook(TEH_BEFORE_CHANGE, fromColumn, line, m_modified))
            break;
        if (inRange && !(InSavedRange(fromColumn, line) &&
                         InSavedRange(IndexToColumn(to - 1, record->text, record->length), line)))
        {
            // Outside the range: step over its first byte and go on.
            m_selectionMode = 0;
            const int next = IndexToColumn(from + 1, record->text, record->length);
            SetCaretRaw(next, line);
            m_anchorColumn = next;
            m_anchorLine = line;
            continue;
        }
        char* old = nullptr;
        const int oldLength = GetTextRange(&old, fromColumn, line, toColumn, line, 0);
        const uint8_t modifiedBefore = m_modified;
        m_selectionMode = 0;
        DeleteText(fromColumn, line, toColumn, line, 0);
        POINT end = { fromColumn, line };
        if (length > 0)
        {
            // A full line table takes only part of a replacement with line breaks, and the
            // end of that part is what the undo entry must remove; taking the start as the end
            // left the part in the text when the match came back.
            InsertText(replacement, fromColumn, line, 0, length);
            end = m_insertEnd;
        }
        UndoEntry* e = m_undo.NewEntry();
        e->kind = UK_REMOVE | UK_INSERT | UK_CARET_START;
        e->modified = modifiedBefore;
        e->startColumn = fromColumn;
        e->startLine = line;
        e->endColumn = end.x;
        e->endLine = end.y;
        CUndoRing::SetText(e, old, oldLength);
        m_modified = 1;
        ++replaced;
        // Only a replacement before the start point (or the range's end) moves it, down by
        // the lines it added or along its line; one at the start point itself leaves it, so
        // the wrap stops there. A start point left behind a line break made the wrap stop at
        // the first match past its old place, with matches after it left unreplaced.
        {
            const TextLine* now = GetLine(end.y);
            const int endIndex = ColumnToIndex(end.x, now->text, now->length);
            MovePastReplacement(&startLine, &startIndex, line, from, to, end.y, endIndex);
            NoteReplacement(&written, line, from, to, end.y, endIndex);
            if (inRange)
            {
                MovePastReplacement(&rangeEndLine, &rangeEndIndex, line, from, to, end.y, endIndex);
                const TextLine* last = GetLine(rangeEndLine);
                m_savedLastLine = rangeEndLine;
                m_savedEndColumn = IndexToColumn(rangeEndIndex, last->text, last->length);
            }
        }
        int caretColumn = end.x, caretLine = end.y;
        // The step back lets the next search begin on the replacement's last byte. A match
        // there takes a byte the run wrote itself, which the run refuses (above): left to
        // take it, "a" -> "ba" went on replacing its own replacement until the count ran out.
        // So the step back moves the caret only; it finds nothing the plain run would not.
        if (flags & RTF_STEP_BACK)
        {
            if (caretColumn > 0)
                --caretColumn;
            else if (caretLine > 0)
                --caretLine, caretColumn = 10000;
        }
        SetCaretRaw(caretColumn, caretLine);
        m_anchorColumn = caretColumn;
        m_anchorLine = caretLine;
        RepaintOneLine(Layout().RepaintWord(), line);
        // The search goes on from the caret: a match there is the next one, not a wrap (a
        // deletion leaves the caret where the next match may start).
        const TextLine* at = GetLine(caretLine);
        previous = IndexKey(caretLine, ColumnToIndex(caretColumn, at->text, at->length)) - 1;
    }

    m_replaceAllText = nullptr;
    if (restore)
    {
        const bool atStart = m_savedCaretAtStart != 0;
        const int caretColumn = atStart ? m_savedFirstColumn : m_savedEndColumn;
        const int caretLine = atStart ? m_savedFirstLine : m_savedLastLine;
        m_anchorColumn = atStart ? m_savedEndColumn : m_savedFirstColumn;
        m_anchorLine = atStart ? m_savedLastLine : m_savedFirstLine;
        SetCaretRaw(caretColumn, caretLine);
        m_selectionMode = m_savedFirstLine != m_savedLastLine ? 2 : (m_savedFirstColumn != m_savedEndColumn ? 1 : 0);
    }
    EditOptions |= backward;
    Layout().RepaintWord() |= RP_ALL;
    if (!restore)
    {
        m_selectionMode = 0;
        const TextLine* r = GetLine(startLine);
        MoveCursor(IndexToColumn(startIndex, r->text, r->length), startLine, 0);
    }
    Layout().UpdateLayout(0);
    RequestUpdate(1);
    return replaced;
}

int CTextEdit::ReplaceText(const char* find, const char* replacement, uint32_t flags)
{
    if (m_readOnly)
    {
        // The refusal answers the match an interactive replace asked about: its next search
        // goes on behind the match instead of asking about it again.
        const int32_t mode = static_cast<int32_t>((flags & RTF_UTF8) ? (flags & 0xFF) : flags);
        if (mode <= 1 && PassHolds())
            KeepPassState(true);
        return Refuse() ? 1 : 0;
    }
    if (!replacement)
    {
        if (!m_lastReplace)
            return 0;
        replacement = m_lastReplace;
        flags &= ~0x3000u;
    }
    else if (replacement != m_lastReplace)
    {
        char* copy = strdup(replacement);
        if (!copy)
            return 0;
        free(m_lastReplace);
        m_lastReplace = copy;
        replacement = m_lastReplace;
    }
    int32_t mode = static_cast<int32_t>(flags);
    std::string text(replacement);
    if (flags & RTF_UTF8)
    {
        text = DecodeSource(replacement, static_cast<int>(strlen(replacement)), TIF_UTF8);
        mode = static_cast<int32_t>(flags & 0xFF);
    }
    // A line's worth at most of the decoded text, which is held like a line. A plain
    // replacement goes in whole: the insertion wraps it where it is longer than a line, as it
    // wraps any text put in.
    if ((flags & RTF_UTF8) && text.size() > m_maxLineLength)
        text.resize(m_maxLineLength);
    // The text to find may be the stored search text, which the next line frees.
    std::string findCopy;
    if (find && find == m_lastSearch)
    {
        findCopy = find;
        find = findCopy.c_str();
    }
    if (!text.empty())
        SetSearchText(text.c_str());
    const int length = static_cast<int>(text.size());
    if (mode <= 1)
    {
        // A find that fails leaves the selection alone: it is not the text asked for.
        if (mode == 1 && !FindText(find, 0))
            return 0;
        return ReplaceSelection(text.data(), length);
    }
    return ReplaceAll(find, text.data(), length, flags);
}

// ---------------------------------------------------------------------------------------------
// Commands

int CTextEdit::OnFindNext()
{
    int found = 0;
    {
        CWaitCursor wait;
        found = FindText(m_lastSearch, FTF_AFTER_CARET);
    }
    if (!found)
        AnsiViewBeep(MB_ICONASTERISK);
    return found;
}

int CTextEdit::OnFindWord()
{
    char* text = nullptr;
    const POINT caret = GetCaretPos();
    const bool oneLine = m_selectionMode == 1;
    if (oneLine)
        GetTextAlloc(&text, TRF_SELECTION);
    else
        GetTextRange(&text, caret.x, caret.y, 0, 0, TRF_WORD);
    int result = 0;
    if (text && *text)
    {
        uint32_t flags = FTF_AFTER_CARET;
        if (oneLine && caret.y == m_anchorLine && caret.x > m_anchorColumn)
            flags |= FTF_LEFT_OF_CARET;
        if ((EditOptions & EO_FIND_BACKWARD) && m_selectionMode && m_anchorColumn < caret.x)
        {
            // Searching backwards from a selection made to the right: start at its left end.
            const int anchor = m_anchorColumn;
            m_anchorColumn = caret.x;
            SetCaretRaw(anchor, caret.y);
        }
        result = FindText(text, flags);
    }
    else
    {
        result = OpenFindDialog(m_lastSearch, 0);
    }
    free(text);
    if (Layout().RepaintWord())
        RequestUpdate(1);
    return result;
}

// The text a dialog offers: the given one, else a one-line selection, else the word at the
// caret (the find dialog only without a selection, the replace dialog also beside a
// selection over several lines), else the last search text.
void CTextEdit::SearchTextForDialog(char* buffer, int size, const char* given, bool utf8, bool wordBesideLines)
{
    if (given)
    {
        CopyForDialog(buffer, size, given, utf8);
        return;
    }
    char* text = nullptr;
    const POINT caret = GetCaretPos();
    if (m_selectionMode == 1)
        GetTextAlloc(&text, TRF_SELECTION);
    else if (m_selectionMode == 0 || wordBesideLines)
        GetTextRange(&text, caret.x, caret.y, 0, 0, TRF_WORD);
    if (text && *text)
        CopyForDialog(buffer, size, text, false);
    else
        CopyForDialog(buffer, size, m_lastSearch, false);
    free(text);
}

int CTextEdit::OpenFindDialog(const char* text, int flags)
{
    if (!m_findDlg || !HasWindow())
        return 0;
    // The dialog copies back up to 259 characters and a terminator: the buffer holds them.
    char buffer[kFindTextSize];
    SearchTextForDialog(buffer, sizeof(buffer), text, (flags & FTF_UTF8) != 0, false);
    const int result = static_cast<int>(m_findDlg->Run(m_hWnd, buffer, sizeof(buffer), EditOptions, m_findHistory));
    SetCaretMode(5);
    return result;
}

int CTextEdit::OpenReplaceDialog(const char* find, const char* replacement, uint32_t flags)
{
    if (!m_replaceDlg || !HasWindow())
        return 0;
    char findBuffer[kFindTextSize];
    char replaceBuffer[kFindTextSize];
    SearchTextForDialog(findBuffer, sizeof(findBuffer), find, (flags & 0x100) != 0, true);
    CopyForDialog(replaceBuffer, sizeof(replaceBuffer), replacement ? replacement : m_lastReplace,
                  replacement && (flags & 0x1000));
    const POINT caret = GetCaretPos();
    if (m_selectionMode && caret.y != m_anchorLine)
        EditOptions |= EO_REPLACE_SELECTION;
    else
        EditOptions &= ~static_cast<uint32_t>(EO_REPLACE_SELECTION);
    SaveSelectionRange();
    const int result = static_cast<int>(m_replaceDlg->Run(m_hWnd, findBuffer, sizeof(findBuffer), replaceBuffer,
                                                          sizeof(replaceBuffer), EditOptions, m_findHistory));
    SetCaretMode(5);
    return result;
}

int CTextEdit::OnEditOptions()
{
    if (!HasWindow())
        return 0;
    CTextOptionsDlg dialog(this);
    const int result = static_cast<int>(dialog.Run(m_hWnd, EditOptions, TabWidth));
    SetCaretMode(5);
    return result;
}

void CTextEdit::CreateFindDialogs()
{
    if (!m_findDlg)
        m_findDlg = new CTextFindDlg(this);
    if (!m_replaceDlg)
        m_replaceDlg = new CTextReplaceDlg(this);
}

void CTextEdit::DestroyFindDialogs()
{
    delete m_replaceDlg;
    m_replaceDlg = nullptr;
    delete m_findDlg;
    m_findDlg = nullptr;
}

// ---------------------------------------------------------------------------------------------
// WM_TEXTEDIT_QUERY

LRESULT CTextEdit::AnswerTextEditQuery(WPARAM code, LPARAM value)
{
    switch (code)
    {
    case 16:
    {
        const OptionMask* m = reinterpret_cast<const OptionMask*>(value);
        return static_cast<LRESULT>(m ? SetOptionFlags(m->value, m->mask) : EditOptions);
    }
    case 17:
        return static_cast<LRESULT>(EditOptions);
    case 18:
    {
        const FindRequest* r = reinterpret_cast<const FindRequest*>(value);
        return r ? FindText(r->text, r->flags) : 0;
    }
    case 19:
    {
        const ReplaceRequest* r = reinterpret_cast<const ReplaceRequest*>(value);
        return r ? ReplaceText(r->find, r->replacement, r->flags) : 0;
    }
    case 20:
    {
        // The cell size, so that a dialog can keep clear of the found text.
        const POINT cell = GetCellSize();
        return static_cast<LRESULT>(PackTextPosition(cell.x, cell.y));
    }
    case 21:
        return SetTabWidth(static_cast<int>(value));
    case 22:
    case 23:
        return 0;
    default:
        return AnswerPositionQuery(code, value);
    }
}
