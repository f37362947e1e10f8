// CTextEdit: what faces the user outside the text: the context menu, the two status panes
// while the editor has the focus, the key texts of "Accel", and dragging text out of and
// dropping it into the editor.
#include "editor/TextEdit.h"

#include "services/Registry.h"
#include "textlib/CQuote.h"
#include "textlib/TextCopy.h"
#include "uihelpers/DibImage.h"
#include "uihelpers/DibPixels.h"
#include "uihelpers/MenuBitmap.h"
#include "uihelpers/StatusPane.h"
#include "uihelpers/WindowServices.h"

#include <algorithm>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

CTextEdit* g_dropEditor = nullptr;

// The bitmap strip of the menu pictures: cut, paste, copy, delete, find, 13 pixels each.
const int kMenuBitmapId = 192;
const int kMenuTileWidth = 13;

const int kMenuTileCount = 5;

// Disabled items show their picture greyed as the main menus do: the tile's own pixels
// recoloured toward this light grey, its background left alone. The system draws an item's
// own bitmap as it is, even when the item is disabled: "Einfügen" with nothing to paste, or
// "Ausschneiden" in the read-only decoded text, would keep a full-colour picture and look
// as if it could be chosen beside the greyed items of the main menus.
const COLORREF kGreyTarget = RGB(223, 223, 223);

struct GreyedTile
{
    DibImage* image;
    COLORREF background;
};
GreyedTile g_greyedTiles[kMenuTileCount];

void FreeGreyedTiles()
{
    for (GreyedTile& tile : g_greyedTiles)
    {
        if (tile.image)
            DibFree(tile.image);
        tile.image = nullptr;
    }
}

// The greyed twin of tile `index`, kept for the process as the tiles themselves are (made
// again only when the menu colour changed); NULL when the tile cannot be rendered.
HBITMAP GreyedMenuTile(int index)
{
    if (index < 0 || index >= kMenuTileCount)
        return nullptr;
    const COLORREF background = ::GetSysColor(COLOR_MENU);
    GreyedTile& slot = g_greyedTiles[index];
    if (slot.image && slot.background == background)
        return DibGetBitmap(slot.image);
    HBITMAP tile = RenderBitmapTile(reinterpret_cast<UINT_PTR>(MAKEINTRESOURCEA(kMenuBitmapId)), index * kMenuTileWidth,
                                    0, kMenuTileWidth, TILE_FULL_HEIGHT,
                                    TILE_SOURCE_RESOURCE | TILE_TRANSPARENT_CORNER | TILE_CACHE_TILE | TILE_CACHE_DC,
                                    background);
    void* bits = nullptr;
    DibImage* image = tile ? DibFromBitmap(nullptr, tile, &bits) : nullptr;
    if (!image)
        return nullptr;
    // Bit 31: on a tile with alpha the see-through pixels stay as they are.
    DibColorize(image, DibGetBits(image), kGreyTarget, background | 0x80000000u);
    static bool registered = false;
    if (!registered)
        registered = atexit(&FreeGreyedTiles) == 0;
    if (slot.image)
        DibFree(slot.image);
    slot.image = image;
    slot.background = background;
    return DibGetBitmap(image);
}

// The keys whose texts follow "Z" in the key-text table (index 43 + position).
const char kPunctuationKeyNames[] = "üöä+-,.#ß<´";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Status panes

int FormatTextStatus(const TextStatusState& s, char* text, int size)
{
    if (!text || size < 1)
        return 0;
    int n = snprintf(text, static_cast<size_t>(size), " Zeile: %d  Spalte: %d", s.caretLine + 1, s.caretColumn + 1);
    if (n < 0 || n >= size)
        return static_cast<int>(strlen(text));
    if (s.selectionMode && (s.caretLine != s.anchorLine || s.caretColumn != s.anchorColumn))
    {
        int distance;
        const char* axis;
        if (s.caretLine != s.anchorLine)
        {
            axis = "Y:";
            distance = s.caretLine > s.anchorLine ? s.caretLine - s.anchorLine : s.anchorLine - s.caretLine;
            // The lower end counts its line too when the selection reaches into it.
            const int lowerColumn = s.caretLine > s.anchorLine ? s.caretColumn : s.anchorColumn;
            if (lowerColumn > 0)
                ++distance;
        }
        else
        {
            axis = "X:";
            distance = s.caretColumn > s.anchorColumn ? s.caretColumn - s.anchorColumn : s.anchorColumn - s.caretColumn;
        }
        snprintf(text + n, static_cast<size_t>(size - n), " (%s%i)", axis, distance);
    }
    return static_cast<int>(strlen(text));
}

const char* TextStatusModeText(uint32_t caretMode)
{
    return (caretMode & 1) ? "Einf." : "Über.";
}

int CTextEdit::UpdateStatusBar()
{
    if (!HasWindow() || !m_statusActive)
        return 0;
    TextStatusState state;
    state.caretColumn = Layout().CaretColumn();
    state.caretLine = Layout().CaretLine();
    state.anchorColumn = m_anchorColumn;
    state.anchorLine = m_anchorLine;
    state.selectionMode = m_selectionMode;
    state.caretMode = Layout().CaretMode();
    if (!m_hooks[TEH_STATUS])
    {
        // The whole state decides, not a key folded from it: a key of column and line alone
        // missed a selection cleared by a click on the caret's own cell. An unchanged state
        // is known before any text is made: the timer asks three times a second.
        if (m_statusValid && state == m_statusState)
            return 0;
        m_statusState = state;
        m_statusValid = true;
    }
    char text[kTextStatusTextSize];
    FormatTextStatus(state, text, sizeof(text));
    if (m_hooks[TEH_STATUS])
    {
        TextEditStatusHook hook = reinterpret_cast<TextEditStatusHook>(reinterpret_cast<void (*)()>(m_hooks[TEH_STATUS]));
        const int key = hook(this, m_hookContexts[TEH_STATUS], state.caretColumn, state.caretLine, m_statusHookKey, text);
        text[sizeof(text) - 1] = 0;
        if (key == m_statusHookKey)
            return 0;
        m_statusHookKey = key;
    }
    if (HWND target = StatusPaneFrame(m_hWnd))
    {
        SendStatusPaneText(target, 0, text);
        SendStatusPaneText(target, 1, TextStatusModeText(state.caretMode));
    }
    return 1;
}

void CTextEdit::OnStatusFocus()
{
    if (HWND target = StatusPaneFrame(m_hWnd))
    {
        uint32_t ids[2] = { 0, 0 };
        int32_t widths[2] = { -22, -4 };
        StatusPaneRequest request = {};
        request.ids = ids;
        request.widths = widths;
        request.count = 2;
        ::SendMessageA(target, WM_STATUSPANE, StatusPaneSetBase, reinterpret_cast<LPARAM>(&request));
    }
    m_statusValid = false;
    m_statusHookKey = -1;
    m_statusActive = 1;
    UpdateStatusBar();
    if (HasWindow())
        ::SetTimer(m_hWnd, kTextStatusTimer, 330, nullptr);
}

void CTextEdit::OnStatusUnfocus()
{
    if (HWND target = StatusPaneFrame(m_hWnd))
    {
        StatusPaneRequest request = {};
        ::SendMessageA(target, WM_STATUSPANE, StatusPaneSetBase, reinterpret_cast<LPARAM>(&request));
    }
    if (HasWindow())
        ::KillTimer(m_hWnd, kTextStatusTimer);
    m_statusActive = 0;
    m_statusValid = false;
    m_statusHookKey = -1;
}

// ---------------------------------------------------------------------------------------------
// Context menu

void CTextEdit::AddEditMenuItems(HMENU menu, int x, int y)
{
    if (!menu)
        return;
    const bool selection = m_selectionMode != 0;
    UINT copyId = ID_EDIT_COPY;
    const char* copyText = "&Kopieren";
    bool word = false;
    if (!selection)
    {
        int column = 0, line = 0;
        HitTest(x, y, &column, &line, 0);
        m_contextCell.x = column;
        m_contextCell.y = line;
        word = GetWordAt(column, line, 0) != 0;
        copyId = ID_TEXTEDIT_COPY_WORD;
        copyText = word ? "&Kopiere Wort" : "&Kopieren";
    }
    ::AppendMenuA(menu, MF_STRING, ID_EDIT_CUT, "&Ausschneiden");
    ::AppendMenuA(menu, MF_STRING, copyId, copyText);
    ::AppendMenuA(menu, MF_STRING, ID_EDIT_PASTE, "&Einfügen");
    ::AppendMenuA(menu, MF_STRING, ID_EDIT_CLEAR, "&Löschen");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, ID_EDIT_FIND, "&Suchen");
    ::AppendMenuA(menu, MF_STRING, ID_EDIT_REPLACE, "&Erset&zen");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, ID_TEXTEDIT_OPTIONS, "&Einstellungen");

    CMenu* wrapper = CMenu::FromHandle(menu);
    const UINT pictured[kMenuTileCount] = { ID_EDIT_CUT, ID_EDIT_PASTE, copyId, ID_EDIT_CLEAR, ID_EDIT_FIND };
    for (int i = 0; i < kMenuTileCount; ++i)
        SetMenuItemImage(wrapper, static_cast<int>(pictured[i]), MAKEINTRESOURCEA(kMenuBitmapId), i, kMenuTileWidth);

    if (!selection)
    {
        if (!word)
            ::EnableMenuItem(menu, copyId, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(menu, ID_EDIT_CUT, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(menu, ID_EDIT_CLEAR, MF_BYCOMMAND | MF_GRAYED);
    }
    if (m_readOnly)
        ::EnableMenuItem(menu, ID_EDIT_REPLACE, MF_BYCOMMAND | MF_GRAYED);
    if (m_readOnly || !::IsClipboardFormatAvailable(CF_TEXT))
        ::EnableMenuItem(menu, ID_EDIT_PASTE, MF_BYCOMMAND | MF_GRAYED);
    for (int i = 0; i < kMenuTileCount; ++i)
    {
        if (!(::GetMenuState(menu, pictured[i], MF_BYCOMMAND) & MF_GRAYED))
            continue;
        if (HBITMAP greyed = GreyedMenuTile(i))
            ::SetMenuItemBitmaps(menu, pictured[i], MF_BYCOMMAND, greyed, nullptr);
    }
}

void CTextEdit::OnContextMenu(int x, int y, HMENU menu)
{
    const bool own = menu == nullptr;
    if (own)
        menu = ::CreatePopupMenu();
    if (!menu)
        return;
    if (m_hooks[TEH_CONTEXT_MENU])
    {
        TextEditMenuHook hook =
            reinterpret_cast<TextEditMenuHook>(reinterpret_cast<void (*)()>(m_hooks[TEH_CONTEXT_MENU]));
        const POINT press = GetRightClickCell();
        if (hook(this, m_hookContexts[TEH_CONTEXT_MENU], menu, press.x, press.y, 0))
        {
            if (own)
                ::DestroyMenu(menu);
            return;
        }
    }
    AddEditMenuItems(menu, x, y);
    CAnsiView::OnContextMenu(x, y, menu);
    if (own)
        ::DestroyMenu(menu);
}

// ---------------------------------------------------------------------------------------------
// Key texts

void CTextEdit::FreeKeyTexts()
{
    for (char*& text : m_keyTexts)
    {
        free(text);
        text = nullptr;
    }
}

int CTextEdit::LoadAccel(const char* name)
{
    FreeKeyTexts();
    if (!name || !*name)
        return 0;
    CRegistry reg;
    char subkey[260];
    if (!OpenDefinitionKey(reg, name, false, subkey, sizeof(subkey)) || !reg.OpenSubKey("Accel", 1))
        return 0;
    for (int i = 0; i < 256; ++i)
    {
        const char* valueName = reg.EnumValueName(i);
        if (!valueName)
            break;
        if (reg.GetLastType() != REG_SZ)
            continue;
        char nameCopy[260];
        snprintf(nameCopy, sizeof(nameCopy), "%s", valueName);
        void* data = nullptr;
        if (!reg.ReadValueAlloc(&data, nameCopy, REG_SZ) || !data)
            continue;
        const char* text = static_cast<const char*>(data);
        int index = -1;
        if (text[0] && text[1] == ':' && text[2])
        {
            const char* punctuation = strchr(kPunctuationKeyNames, text[0]);
            if (punctuation)
                index = 43 + static_cast<int>(punctuation - kPunctuationKeyNames);
            else if (text[0] >= '0' && text[0] <= 'Z')
                index = text[0] - '0';
        }
        if (index >= 0 && index < 55)
        {
            const size_t room = strlen(text + 2) + 1;
            char* parsed = static_cast<char*>(malloc(room));
            if (parsed)
            {
                ParseCStringLiteral(parsed, static_cast<unsigned>(room) | CLM_NO_OPENING_QUOTE, text + 2, nullptr);
                free(m_keyTexts[index]);
                m_keyTexts[index] = parsed;
            }
        }
        free(data);
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

int CTextEdit::StartDrag()
{
    if (!m_dragAllowed || !m_selectionMode)
        return 0;
    char* text = nullptr;
    const int length = GetTextAlloc(&text, TRF_SELECTION);
    int result = 0;
    if (text && length > 0)
    {
        m_dragSource = 1;
        result = DoDragText(text, length, 0);
        m_dragSource = 0;
    }
    free(text);
    return result;
}

CTextEdit* CTextEdit::CurrentDropEditor()
{
    return g_dropEditor;
}

bool CTextEdit::RecordDropWindow(CWnd* window)
{
    m_dropWindow = window;
    if (m_dropDisabled)
    {
        m_dropEffect = DROPEFFECT_NONE;
        g_dropEditor = nullptr;
        return false;
    }
    g_dropEditor = this;
    return true;
}

DROPEFFECT CTextEdit::DropEffectFor(CWnd* window, COleDataObject* data)
{
    if (!RecordDropWindow(window))
        return DROPEFFECT_NONE;
    DROPEFFECT effect = DROPEFFECT_MOVE;
    if (m_readOnly || !m_acceptDrops || !data ||
        !(data->IsDataAvailable(CF_TEXT) || data->IsDataAvailable(CF_UNICODETEXT)))
        effect = DROPEFFECT_NONE;
    else if (m_dragSource && (AnsiViewKeyState(VK_CONTROL) & 0x8000))
        effect = DROPEFFECT_COPY;
    m_dropEffect = effect;
    return effect;
}

DROPEFFECT CTextEdit::DropScroll(CWnd* window)
{
    RecordDropWindow(window);
    return m_dropEffect;
}

void CTextEdit::DropLeave(CWnd* window)
{
    RecordDropWindow(window);
    g_dropEditor = nullptr;
    m_dropEffect = DROPEFFECT_NONE;
}

BOOL CTextEdit::DropData(CWnd* window, COleDataObject* data, CPoint point)
{
    if (!RecordDropWindow(window))
        return FALSE;
    if (m_readOnly || !m_acceptDrops || m_dropEffect == DROPEFFECT_NONE || !data)
        return FALSE;
    int column = 0, line = 0;
    HitTest(point.x, point.y, &column, &line, 0);
    const int count = static_cast<int>(m_lineCount);
    if (line < 0)
        line = 0;
    if (line > count)
        line = count;
    if (column < 0)
        column = 0;
    if (column > GetLine(line)->width)
        column = GetLine(line)->width;
    if (!CallHook(TEH_BEFORE_CHANGE, column, line, m_modified))
        return FALSE;
    if (m_dragSource && m_selectionMode && IsInSelection(column, line))
    {
        // Dropped onto its own selection: nothing to move.
        m_dropEffect = DROPEFFECT_NONE;
        return FALSE;
    }

    // The text first, so that a move never removes the selection for nothing.
    bool wide = true;
    HGLOBAL block = data->GetGlobalData(CF_UNICODETEXT);
    if (!block)
    {
        wide = false;
        block = data->GetGlobalData(CF_TEXT);
    }
    if (!block)
        return FALSE;
    std::string text;
    if (const char* p = static_cast<const char*>(::GlobalLock(block)))
    {
        // Bounded by the block: a text without its terminator ends with the block.
        const int size = static_cast<int>(std::min<SIZE_T>(::GlobalSize(block), INT_MAX));
        const int bytes = wide ? 2 * TextLengthLimitedW(reinterpret_cast<const wchar_t*>(p), size / 2)
                               : TextLengthLimited(p, size);
        text.assign(p, static_cast<size_t>(bytes));
        ::GlobalUnlock(block);
    }
    ::GlobalFree(block);
    if (text.empty())
        return FALSE;

    int flags = (wide ? 0x98C : 0x18C);
    if (m_dragSource && m_selectionMode && !(AnsiViewKeyState(VK_CONTROL) & 0x8000))
    {
        // A move inside the editor: the drop cell as it will be once the selection is gone.
        int c1, l1, c2, l2;
        SelectionOrdered(&c1, &l1, &c2, &l2);
        if (line == l2 && column > c2)
        {
            if (l1 == l2)
                column -= c2 - c1;
            else
                column = c1 + (column - c2);
        }
        if (line >= l2)
            line -= l2 - l1;
        if (!DeleteSelection(1))
            return FALSE;
        m_modified = 1;
        flags |= TIF_COMMIT_GROUP;
    }
    const int added = InsertText(text.data(), column, line, flags, static_cast<int>(text.size()));
    m_modified = 1;
    for (int l = line; l < static_cast<int>(m_lineCount) && l <= line + (added > 0 ? added : 0); l = ColorLine(l))
    {
    }
    m_dropEffect = DROPEFFECT_NONE;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// CTextDropTarget

BOOL CTextDropTarget::Register(CTextEdit* edit)
{
    m_edit = edit;
    if (!edit || !edit->m_hWnd)
        return FALSE;
    return COleDropTarget::Register(edit);
}

DROPEFFECT CTextDropTarget::OnDragEnter(CWnd* pWnd, COleDataObject* pDataObject, DWORD, CPoint)
{
    return m_edit ? m_edit->DropEffectFor(pWnd, pDataObject) : DROPEFFECT_NONE;
}

DROPEFFECT CTextDropTarget::OnDragOver(CWnd* pWnd, COleDataObject* pDataObject, DWORD, CPoint)
{
    return m_edit ? m_edit->DropEffectFor(pWnd, pDataObject) : DROPEFFECT_NONE;
}

BOOL CTextDropTarget::OnDrop(CWnd* pWnd, COleDataObject* pDataObject, DROPEFFECT, CPoint point)
{
    return m_edit ? m_edit->DropData(pWnd, pDataObject, point) : FALSE;
}

void CTextDropTarget::OnDragLeave(CWnd* pWnd)
{
    if (m_edit)
        m_edit->DropLeave(pWnd);
}

DROPEFFECT CTextDropTarget::OnDragScroll(CWnd* pWnd, DWORD, CPoint)
{
    return m_edit ? m_edit->DropScroll(pWnd) : DROPEFFECT_NONE;
}
