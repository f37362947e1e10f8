// CTextEdit: replaying the undo journal. A replayed entry is rewritten as its inverse, so
// the same entry serves undo and redo.
#include "editor/TextEdit.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>

void CTextEdit::ReplayEntry(UndoEntry* e)
{
    m_replaying = true;
    MoveCursor(e->startColumn, e->startLine, 0);
    bool removed = false;
    bool inserted = false;
    char* removedText = nullptr;
    int removedLength = 0;
    if (e->kind & UK_REMOVE)
    {
        removedLength = GetTextRange(&removedText, e->startColumn, e->startLine, e->endColumn, e->endLine, 0);
        DeleteText(e->startColumn, e->startLine, e->endColumn, e->endLine, 0);
        MoveCursor(e->startColumn, e->startLine, 0);
        removed = true;
    }
    if (e->kind & UK_INSERT)
    {
        if (e->text && e->textLength > 0)
        {
            InsertText(e->text, e->startColumn, e->startLine, TIF_CARET_END, e->textLength);
            // The inverse removes what went in: its end is where this insertion ended.
            e->endColumn = m_insertEnd.x;
            e->endLine = m_insertEnd.y;
        }
        else
        {
            // Nothing goes in (a match replaced by an empty text): the inverse removes nothing.
            // The old end left there made the next undo take the text behind the start.
            e->endColumn = e->startColumn;
            e->endLine = e->startLine;
        }
        inserted = true;
    }
    if (e->kind & UK_RETYPE)
    {
        MoveCursor(e->endColumn, e->endLine, 0);
        uint32_t mode = Layout().CaretMode();
        Layout().SetCaretMode((mode & ~1u) | ((e->kind & UK_OVERWRITE) ? 0u : 1u));
        InsertChar(e->character, 0);
        Layout().SetCaretMode(mode);
    }
    if (e->kind & UK_CARET_START)
        MoveCursor(e->startColumn, e->startLine, 0);
    if (e->kind & UK_CARET_END)
        MoveCursor(e->endColumn, e->endLine, 0);

    if (e->kind & (UK_REMOVE | UK_INSERT))
    {
        e->kind = static_cast<uint8_t>((e->kind & (UK_GROUP | UK_CARET_START)) | (removed ? UK_INSERT : 0) |
                                       (inserted ? UK_REMOVE : 0));
        CUndoRing::SetText(e, removedText, removedLength);
        removedText = nullptr;
    }
    else if (e->kind & UK_RETYPE)
    {
        std::swap(e->startColumn, e->endColumn);
        std::swap(e->startLine, e->endLine);
        std::swap(e->character, e->key);
    }
    free(removedText);
    uint8_t modified = m_modified;
    m_modified = e->modified;
    e->modified = modified;
    m_replaying = false;
}

int CTextEdit::Undo(int steps)
{
    if (steps == 0 || m_readOnly)
        return 0;
    const bool back = steps < 0;
    int replayed = 0;
    while (steps != 0)
    {
        if (!AllowChange())
            break;
        UndoEntry* e = back ? m_undo.StepBack() : m_undo.StepForward();
        if (!e)
            break;
        ReplayEntry(e);
        ++replayed;
        steps += back ? 1 : -1;
        if (e->kind & UK_GROUP)
        {
            // A group is two entries; its partner goes in the same step. The partner is told
            // by its role rather than taken blindly as the next entry: a lone entry with the
            // group bit (a selection deleted before an insertion journaled on its own) took
            // the unrelated edit beside it along.
            UndoEntry* partner = back ? m_undo.PeekBack() : m_undo.PeekForward();
            int wanted = back ? 1 : 2;
            if (partner && (partner->kind & UK_GROUP) && partner->groupRole == wanted && e->groupRole != wanted)
            {
                back ? m_undo.StepBack() : m_undo.StepForward();
                ReplayEntry(partner);
                ++replayed;
            }
            continue;
        }
        if (steps == 0 && e->runClass)
        {
            // A typed word, a run of blanks, of Backspaces or of Deletes goes back as one.
            UndoEntry* last = e;
            for (;;)
            {
                UndoEntry* next = back ? m_undo.PeekBack() : m_undo.PeekForward();
                if (!next || (next->kind & UK_GROUP))
                    break;
                const UndoEntry* earlier = back ? next : last;
                const UndoEntry* later = back ? last : next;
                if (!RunContinues(earlier, later))
                    break;
                back ? m_undo.StepBack() : m_undo.StepForward();
                ReplayEntry(next);
                ++replayed;
                last = next;
            }
        }
    }
    Layout().UpdateLayout(0);
    RequestUpdate(1);
    return replayed;
}

bool CTextEdit::RunContinues(const UndoEntry* earlier, const UndoEntry* later) const
{
    return earlier->runClass != UR_NONE && earlier->runClass == later->runClass &&
           earlier->runNext == later->runPosition;
}

BOOL CTextEdit::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo)
{
    if (code == CN_UPDATE_COMMAND_UI && !handlerInfo && extra)
    {
        CCmdUI* ui = static_cast<CCmdUI*>(extra);
        switch (id)
        {
        case ID_EDIT_UNDO: ui->Enable(CanUndo()); return TRUE;
        case ID_TEXTEDIT_REDO: ui->Enable(CanRedo()); return TRUE;
        case ID_EDIT_CUT:
        case ID_EDIT_COPY:
        case ID_EDIT_CLEAR: ui->Enable(m_selectionMode != 0); return TRUE;
        case ID_EDIT_PASTE: ui->Enable(!m_readOnly && ::IsClipboardFormatAvailable(CF_TEXT)); return TRUE;
        case ID_TEXTEDIT_FIND_NEXT: ui->Enable(m_lastSearch != nullptr); return TRUE;
        default: break;
        }
    }
    return CAnsiView::OnCmdMsg(id, code, extra, handlerInfo);
}
