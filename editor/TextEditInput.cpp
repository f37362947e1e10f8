// CTextEdit: keys, typed characters, mouse, commands, focus notifications and the settings
// in the registry.
#include "editor/TextEdit.h"

#include "services/Registry.h"
#include "textlib/IntFormat.h"
#include "textlib/CQuote.h"
#include "textlib/CharClass.h"
#include "textlib/IntParse.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/ControlSubclass.h"

#include <algorithm>
#include <stdlib.h>
#include <string.h>

namespace {

// The OEM punctuation keys whose key texts follow the letters (index 91 + position).
const UINT kPunctuationKeys[11] = { 0xBA, 0xC0, 0xDE, 0xBB, 0xBD, 0xBC, 0xBE, 0xBF, 0xDB, 0xE2, 0xDD };

}  // namespace

// ---------------------------------------------------------------------------------------------
// Helpers of the find and replace dialogs

int FindClassChar(const char* text, unsigned mask, int length)
{
    if (!text)
        return -1;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; i < length; ++i)
    {
        // The NUL ends a pattern: nothing behind it is looked at, and a class that takes
        // the NUL does not count it as a find.
        if (p[i] == 0)
            return -1;
        if (CharClassTable[p[i]] & mask)
            return i;
    }
    return -1;
}

int SubclassDlgItem(HWND dialog, int id, WNDPROC proc)
{
    HWND control = dialog ? ::GetDlgItem(dialog, id) : nullptr;
    if (!control || !proc)
        return 0;
    return InstallSubclass(control, proc);
}

int CTextEdit::DecodeEscape(const char* text, int* outLength)
{
    int consumed = 0;
    int character = DecodeCEscape(text, &consumed);
    if (outLength)
        *outLength = consumed;
    return character;
}

// ---------------------------------------------------------------------------------------------
// Notifications and commands

void CTextEdit::NotifyParent(UINT code)
{
    int32_t values[3] = { 0, 0, 0 };
    SendNotifyValues(code, values, 3);
}

void CTextEdit::OnSelectWord()
{
    SelectWordAt(Layout().CaretColumn(), Layout().CaretLine());
}

void CTextEdit::OnCopyWord()
{
    GetWordAt(m_contextCell.x, m_contextCell.y, 1);
}

LRESULT CTextEdit::AnswerPositionQuery(WPARAM code, LPARAM value)
{
    int column = 0;
    int line = 0;
    UnpackTextPosition(static_cast<uint32_t>(value), &column, &line);
    POINT result = { 0, 0 };
    switch (code)
    {
    case 0:
        // The answer is the caret before the move, also while a selection was active (code 4
        // answers with the anchor then).
        result = GetCursorPos();
        SetCursorPos(column, line, 0);
        break;
    case 1: result = GetCursorPos(); break;
    case 5: result = GetCursorOrAnchor(); break;
    case 2: result = SetScrollOrigin(column, line); break;
    case 3: result = GetScrollOrigin(); break;
    case 4: result = SetCursorPos(column, line, MCF_EXTEND); break;
    default: return 0;
    }
    return static_cast<LRESULT>(PackTextPosition(result.x, result.y));
}

LRESULT CTextEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
    {
        LRESULT r = CAnsiView::WindowProc(message, wParam, lParam);
        if (r != -1)
        {
            m_dragArmed = false;
            m_dragAllowed = true;
            m_dropTarget.Register(this);
        }
        return r;
    }
    case WM_DESTROY:
        if (m_dropTarget.IsRegistered())
            m_dropTarget.Revoke();
        if (m_statusActive)
            OnStatusUnfocus();
        break;
    case WM_TIMER:
        if (static_cast<UINT_PTR>(wParam) == kTextStatusTimer)
        {
            UpdateStatusBar();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        CAnsiView::WindowProc(message, wParam, lParam);
        OnStatusFocus();
        NotifyParent(TEXTEDIT_NOTIFY_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        CAnsiView::WindowProc(message, wParam, lParam);
        OnStatusUnfocus();
        NotifyParent(TEXTEDIT_NOTIFY_KILLFOCUS);
        return 0;
    case WM_TEXTEDIT_QUERY:
        if (wParam <= 5 || (wParam >= 16 && wParam <= 23))
            return AnswerTextEditQuery(wParam, lParam);
        break;
    case WM_COMMAND:
    {
        UINT id = LOWORD(wParam);
        const uint32_t outer = BeginRepaintBatch();
        bool handled = true;
        switch (id)
        {
        case ID_TEXTEDIT_COPY_WORD: OnCopyWord(); break;
        case ID_TEXTEDIT_REDO: OnEditRedo(); break;
        case ID_EDIT_UNDO: OnEditUndo(); break;
        case ID_EDIT_CUT: OnEditCut(); break;
        case ID_EDIT_COPY: OnEditCopy(); break;
        case ID_EDIT_CLEAR: OnEditClear(); break;
        case ID_EDIT_PASTE: OnEditPaste(); break;
        case ID_TEXTEDIT_SELECT_ALL: SelectAll(); break;
        case ID_TEXTEDIT_SELECT_WORD: OnSelectWord(); break;
        case ID_EDIT_FIND: OpenFindDialog(nullptr, 0); break;
        case ID_EDIT_REPLACE: OpenReplaceDialog(nullptr, nullptr, 0); break;
        case ID_TEXTEDIT_FIND_NEXT: OnFindNext(); break;
        case ID_TEXTEDIT_FIND_WORD: OnFindWord(); break;
        case ID_TEXTEDIT_OPTIONS: OnEditOptions(); break;
        default: handled = false; break;
        }
        EndRepaintBatch(outer);
        if (handled)
            return 0;
        break;
    }
    default:
        break;
    }
    return CAnsiView::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Keys

int CTextEdit::OnKey(UINT key, UINT flags)
{
    CTextLayout& L = Layout();
    m_ctrlHandled = false;
    const bool shift = (m_keyState & 1) != 0;
    const bool ctrl = (m_keyState & 2) != 0;
    const uint32_t extend = shift ? MCF_EXTEND : 0;
    const int col = L.CaretColumn();
    const int ln = L.CaretLine();
    if (ctrl && !(flags & 0x2000))
    {
        if (key >= 48 && key <= 90)
        {
            m_ctrlHandled = true;
            if (m_keyTexts[key - 48] && !shift)
            {
                Paste(static_cast<int>(key));
                return 0;
            }
            switch (key)
            {
            case 'X': OnEditCut(); return 1;
            case 'C': OnEditCopy(); return 1;
            case 'V': OnEditPaste(); return 1;
            case 'F': OpenFindDialog(nullptr, 0); return 1;
            case 'H': OpenReplaceDialog(nullptr, nullptr, 0); return 1;
            case 'A': SelectAll(); return 1;
            case 'Y': Undo(1); return 1;
            case 'Z': Undo(-1); return 1;
            default: return 0;
            }
        }
        if (key == VK_TAB)
        {
            // Ctrl+TAB belongs to the pane switching of the base view, never to the text.
            CAnsiView::OnCharInput(VK_TAB, shift ? 1u : 0u);
            return 1;
        }
        for (int p = 0; p < 11; ++p)
            if (kPunctuationKeys[p] == (key & 0xFF) && m_keyTexts[91 + p - 48])
                Paste(91 + p);
    }
    switch (key)
    {
    case VK_INSERT:
        if (ctrl)
            OnEditCopy();
        else if (shift)
            OnEditPaste();
        else
        {
            SetCaretMode((L.CaretMode() ^ 1u) | 2u);
            UpdateStatusBar();
        }
        return 1;
    case VK_DELETE:
        if (shift)
            OnEditCut();
        else
            InsertChar(7, 1);
        return 1;
    case VK_END:
        if (ctrl)
            return 0;
        MoveCursor(GetLine(ln)->width, ln, extend);
        return 1;
    case VK_HOME:
    {
        if (ctrl)
            return 0;
        int target = GetLine(ln)->indent;
        if (col <= target && col != 0)
            target = 0;
        MoveCursor(target, ln, extend);
        if (L.CaretColumn() < col && L.CaretColumn() < 9 && L.WindowColumns() > 16)
            L.SetOriginRaw(0, L.ScrollLine());
        return 1;
    }
    case VK_UP:
    case VK_DOWN:
        if (!shift && !ctrl && m_selectionMode)
        {
            int c1, l1, c2, l2;
            SelectionOrdered(&c1, &l1, &c2, &l2);
            if (key == VK_UP)
                MoveCursor(c1, l1, 0);
            else
                MoveCursor(c2, l2, 0);
            m_leftMode = 0;
            return 1;
        }
        return 0;
    case VK_LEFT:
        if (ctrl)
        {
            if (col == 0 && ln > 0)
            {
                MoveCursor(GetLine(ln - 1)->width, ln - 1, extend);
                return 1;
            }
            const TextLine* record = GetLine(ln);
            int i = ColumnToIndex(col, record->text, record->length) - 1;
            while (i > 0)
            {
                int a = TextCharClass(static_cast<unsigned char>(record->text[i - 1]));
                int b = TextCharClass(static_cast<unsigned char>(record->text[i]));
                if (m_wordStopMask & (1u << (a + 5 * b)))
                    break;
                --i;
            }
            MoveCursor(IndexToColumn(std::max(i, 0), record->text, record->length), ln, extend | 0x08);
            return 1;
        }
        if (!shift && m_selectionMode)
        {
            int c1, l1, c2, l2;
            SelectionOrdered(&c1, &l1, &c2, &l2);
            MoveCursor(c1, l1, 0);
            return 1;
        }
        return 0;
    case VK_RIGHT:
        if (ctrl && static_cast<uint32_t>(ln) < m_lineCount)
        {
            const TextLine* record = GetLine(ln);
            if (col < record->width)
            {
                int i = ColumnToIndex(col, record->text, record->length) + 1;
                while (i < record->length)
                {
                    int a = TextCharClass(static_cast<unsigned char>(record->text[i - 1]));
                    int b = TextCharClass(static_cast<unsigned char>(record->text[i]));
                    if (m_wordStopMask & (1u << (a * 5 + b)))
                        break;
                    ++i;
                }
                MoveCursor(IndexToColumn(std::min(i, record->length), record->text, record->length), ln, extend);
            }
            else
            {
                MoveCursor(0, ln + 1, extend);
            }
            return 1;
        }
        if (!ctrl && !shift && m_selectionMode)
        {
            int c1, l1, c2, l2;
            SelectionOrdered(&c1, &l1, &c2, &l2);
            MoveCursor(c2, l2, 0);
            return 1;
        }
        return 0;
    case VK_CLEAR:
        if ((shift || ctrl) && m_selectionMode != 2)
            return PasteOneLineDown(ctrl && shift);
        return 0;
    default:
        return 0;
    }
}

// Clear with Shift or Ctrl: paste the clipboard and select the same columns one line down,
// so that repeated presses fill a column. With both, a number on the clipboard is counted
// up for the next line, keeping its digit count ("009" gives "010", "0x0F" gives "0x10").
int CTextEdit::PasteOneLineDown(bool countUp)
{
    CTextLayout& L = Layout();
    const int anchorColumn = m_anchorColumn;
    const int caretColumn = L.CaretColumn();
    const int line = L.CaretLine();
    char next[INT_FORMAT_MAX_TEXT] = "";
    if (countUp && m_selectionMode == 1)
    {
        int length = 0;
        char* clip = ClipboardGetText(&length);
        if (clip && length >= 1 && length <= 15 && clip[0] >= '0' && clip[0] <= '9')
        {
            int consumed = 0;
            int value = ParseInteger(clip, IPF_RADIX_AUTO, &consumed);
            if (consumed > 0)
            {
                bool hex = length > 2 && clip[0] == '0' && (clip[1] == 'x' || clip[1] == 'X');
                unsigned digits = static_cast<unsigned>(hex ? length - 2 : length);
                FormatInteger(value + 1, next, (hex ? IFF_HEX : IFF_SIGNED) | IFF_DIGITS(digits) | IFF_DIGITS_MAX);
            }
        }
        free(clip);
    }
    if (!Paste(-1))
        return 1;
    int top = L.ScrollLine();
    int reach = L.WindowLines() - 7;
    if (reach < 1)
        reach = L.WindowLines() * 3 / 4;
    if (line - top >= reach)
        L.ScrollBy(0, 1);
    MoveCursor(anchorColumn, line + 1, 0);
    MoveCursor(caretColumn, line + 1, MCF_EXTEND);
    if (next[0])
        ClipboardSetText(next);
    return 1;
}

int CTextEdit::OnCharInput(UINT character, UINT)
{
    if (character == 9 && m_selectionMode && Layout().CaretLine() != m_anchorLine)
    {
        IndentBlock((m_keyState & 1) ? 1 : 0);
        return 1;
    }
    if (character < 32 && m_ctrlHandled)
        return 1;
    if (character == 127)
        character = 8;
    InsertChar(static_cast<int>(character), 1);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Mouse

int CTextEdit::PreLButtonDblClk(UINT, int, int, int column, int line)
{
    if (line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
        return 0;
    m_doubleClickTick = AnsiViewTickCount();
    if (m_doubleClickTick == 0)
        m_doubleClickTick = 1;
    m_doubleClickColumn = column;
    m_doubleClickLine = line;
    const TextLine* record = GetLine(line);
    // The cell right after the line's last character still takes the word that ends there;
    // only a cell further right is past the text.
    if (column > record->width)
        return 0;
    int index = ColumnToIndex(column, record->text, record->length);
    int right = WordRun(index, record->text, record->length, 0, nullptr);
    int left = WordRun(index, record->text, record->length, 1, nullptr);
    if (right + left == 0)
    {
        right = PunctRun(index, record->text, record->length, 0, nullptr);
        left = PunctRun(index, record->text, record->length, 1, nullptr);
        if (right + left == 0)
            return 0;
    }
    MoveCursor(IndexToColumn(index - left, record->text, record->length), line, 0);
    MoveCursor(IndexToColumn(index + right, record->text, record->length), line, MCF_EXTEND);
    return 1;
}

int CTextEdit::PreLButtonDown(UINT keyFlags, int x, int y, int column, int line)
{
    if (m_doubleClickTick)
    {
        DWORD elapsed = AnsiViewTickCount() - m_doubleClickTick;
        bool sameCell = column == m_doubleClickColumn && line == m_doubleClickLine;
        m_doubleClickTick = 0;
        if (sameCell && elapsed < 301 && line >= 0 && static_cast<uint32_t>(line) < m_lineCount)
        {
            // The third click of a triple click takes the whole line.
            MoveCursor(0, line, 0);
            MoveCursor(GetLine(line)->width, line, MCF_EXTEND);
            m_leftMode = 0;
            Layout().RepaintWord() |= RP_ALL;
            return 1;
        }
    }
    if (m_dragAllowed && keyFlags == MK_LBUTTON && !m_dragArmed && IsInSelection(column, line))
    {
        m_dragPoint.x = x;
        m_dragPoint.y = y;
        m_dragCell.x = column;
        m_dragCell.y = line;
        m_dragArmed = true;
        return 1;
    }
    return 0;
}

int CTextEdit::PreMouseMove(UINT, int, int, int column, int line)
{
    if (m_dragArmed && (column != m_dragCell.x || line != m_dragCell.y))
    {
        m_dragArmed = false;
        if (!StartDrag())
            HandleLButtonDown(0x401, m_dragPoint.x, m_dragPoint.y);
    }
    return 0;
}

int CTextEdit::PreLButtonUp(UINT, int, int, int, int)
{
    if (m_dragArmed)
    {
        // A click inside the selection without a move: the press takes effect now.
        m_dragArmed = false;
        HandleLButtonDown(0x401, m_dragPoint.x, m_dragPoint.y);
    }
    return 0;
}

void CTextEdit::OnLayoutChanged()
{
    // The partner search is bounded by the lines on screen, so a scroll may find (or lose) the
    // partner: place the caret again. One editor's placement may scroll another sharing the
    // layout call chain, hence one guard for the process.
    static bool s_following = false;
    if (!m_bracketActive || s_following)
        return;
    s_following = true;
    MoveCursor(0, 0, MCF_RELATIVE | (m_selectionMode ? MCF_EXTEND : 0u));
    s_following = false;
}

// ---------------------------------------------------------------------------------------------
// Settings

void CTextEdit::RecomputeWordStopMask()
{
    uint32_t mask;
    if (EditOptions & 0x8000)
        mask = 0x73E318 | ((EditOptions & 0x1000) ? 0x426 : 0);
    else
        mask = 0x318F9C | ((EditOptions & 0x1000) ? 0x22 : 0);
    if (EditOptions & 0x4000)
        mask |= 0x84000;
    if (EditOptions & 0x2000)
        mask &= 0x8639E;
    m_wordStopMask = mask;
}

int CTextEdit::LoadSettings(const char* viewName)
{
    char path[1024];
    const char* name = viewName ? viewName : (Settings() && Settings()->viewName ? Settings()->viewName : "");
    GetRegistryPath(path, sizeof(path), name);
    // Font and colours live below the same key as the editor's own values (the view group's
    // name under it): the machine-wide defaults first, then the user's own over them.
    CAnsiView::LoadSettings(path, 1);
    CAnsiView::LoadSettings(path, 0);
    CRegistry reg;
    if (!reg.Open(HKEY_CURRENT_USER, path, REGISTRY_READ))
        return 0;
    DWORD value = 0;
    if (reg.ReadDword(&value, "Flags"))
    {
        uint32_t mask = 0x800C0000u | ((EditOptions & 0x80000u) ? 0u : 0x300000u);
        EditOptions = (EditOptions & mask) | (value & ~mask);
    }
    if (reg.ReadDword(&value, "Tabualtor"))
        TabWidth = (value < 1 || value > 32) ? 4 : static_cast<int>(value);
    if (!m_findHistory)
    {
        void* history = nullptr;
        if (reg.ReadValueAlloc(&history, "Find", REG_MULTI_SZ) && history)
        {
            m_findHistory = static_cast<char*>(history);
            m_findHistoryLength = static_cast<int>(reg.GetLastSize());
        }
    }
    RecomputeWordStopMask();
    for (int slot = 0; slot < 10; ++slot)
    {
        char valueName[8] = "Copy0";
        valueName[4] = static_cast<char>('0' + slot);
        void* text = nullptr;
        if (reg.ReadValueAlloc(&text, valueName, REG_SZ) && text)
        {
            free(m_copySlots[slot].text);
            m_copySlots[slot].text = static_cast<char*>(text);
            m_copySlots[slot].length = static_cast<int>(strlen(static_cast<char*>(text)));
        }
    }
    ApplyMargin();
    EditOptions &= ~EO_CHANGED;
    return 1;
}

int CTextEdit::SaveSettings(const char* viewName)
{
    char path[512];
    const char* name = viewName ? viewName : (Settings() && Settings()->viewName ? Settings()->viewName : "");
    GetRegistryPath(path, sizeof(path), name);
    CRegistry reg;
    if (!reg.Open(HKEY_CURRENT_USER, path, REGISTRY_CREATE))
        return 0;
    reg.WriteDword(EditOptions, "Flags");
    reg.WriteDword(static_cast<DWORD>(TabWidth), "Tabualtor");
    if (m_findHistory)
        reg.WriteMultiString(m_findHistory, "Find");
    for (int slot = 0; slot < 10; ++slot)
    {
        const CopySlot& copy = m_copySlots[slot];
        if (!copy.text || copy.length < 1 || copy.length > 256)
            continue;
        char valueName[8] = "Copy0";
        valueName[4] = static_cast<char>('0' + slot);
        std::string text(copy.text, static_cast<size_t>(copy.length));
        reg.WriteString(text.c_str(), valueName);
    }
    return 1;
}
