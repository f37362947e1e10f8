#include "views/HexView.h"

#include "views/FindValueDialog.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchInput.h"
#include "views/ValueSearchLists.h"

#include <stdlib.h>
#include <string.h>

namespace {

const int kLineCapacity = 2048;   // longest line: 8 address digits, 256 bytes with all blanks

int MinInt(int a, int b)
{
    return a < b ? a : b;
}

struct HexFormatRow
{
    COLORREF text;
    COLORREF background;
    const char* name;
    int id;
};

// The formats a new "Hex" group gets; the id is the colour index + 1.
const HexFormatRow kHexFormats[] = {
    { 0x0000FF, kSystemColor, "Adressen", 2 },
    { 0xFF0000, kSystemColor, "HEX-Bereich", 3 },
    { 0xFFFFFF, 0xFF0000, "Markierung", 4 },
    { 0xFFFFFF, 0xC86464, "Bereich", 5 },
    { 0xFF0000, 0xFFE6E6, "Bit-Marke", 6 },
    { 0x000000, 0xFFE6E6, "Bit-Marke-Text", 7 },
};

}  // namespace

CHexView::CHexView(uint32_t modeFlags)
    : CAnsiView("Hex", 80, 0),
      m_model(this),
      m_statusMode(0x1002),
      m_resizeDepth(0),
      m_bitMarks(nullptr),
      m_bitMarkCount(0)
{
    m_model.SetRepaintWord(&Layout().RepaintWord());
    uint32_t extra = modeFlags & HVM_PUBLIC_MASK & ~HVM_MODIFIED;
    m_model.SetModeBits(m_model.Mode() | extra, 0xFFFFFFFFu);
    if (Settings() && Settings()->useCount == 1)
        AddHexColorFormats();
    CAnsiView::SetMarginWidth(2);
    LoadSettings(nullptr);
    SyncBase();
}

CHexView::~CHexView()
{
    // The window goes first, while this class still answers its messages.
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
    if (m_model.Mode() & HVM_SAVE_SETTINGS)
        SaveSettings(nullptr);
}

void CHexView::AddHexColorFormats()
{
    for (const HexFormatRow& row : kHexFormats)
        AddColorFormat(row.text, row.background, row.name, row.id, 0);
}

// ---------------------------------------------------------------------------------------------
// Keeping the base in step

void CHexView::SyncBase()
{
    CTextLayout& L = Layout();
    L.SetColumnCount(m_model.Layout().LineLength());
    L.SetLineCount(m_model.LineCount());
    L.PlaceCaret(m_model.CaretColumn(), m_model.CaretLine(), false);
}

void CHexView::Finish(int layoutFlags)
{
    SyncBase();
    Layout().UpdateLayout(layoutFlags);
}

void CHexView::ApplyTopLine(int topLine)
{
    CTextLayout& L = Layout();
    SyncBase();
    L.SetOriginRaw(L.ScrollColumn(), topLine);
    // The origin was chosen on purpose: the caret, which may have moved to its new cell,
    // must not drag it back.
    L.MarkCaretLaidOut();
    L.UpdateLayout(0);
}

// ---------------------------------------------------------------------------------------------
// Data

int CHexView::SetData(const uint8_t* data, int size, uint32_t base, uint32_t flags)
{
    int previous = m_model.SetData(data, size, base, flags);
    if (!(flags & HDF_KEEP_POSITION))
        Layout().SetOriginRaw(0, 0);
    // The undo ring (editing) is emptied here once editing exists.
    Finish((flags & HDF_NO_REPAINT) ? TLF_NO_REPAINT : 0);
    return previous;
}

const uint8_t* CHexView::GetData(int* size, uint32_t* base) const
{
    if (size)
        *size = m_model.Size();
    if (base)
        *base = m_model.Base();
    return m_model.Data();
}

uint32_t CHexView::SetBaseAddress(uint32_t base)
{
    uint32_t old = m_model.SetBaseAddress(base);
    if (old != base)
        Finish(0);
    return old;
}

// ---------------------------------------------------------------------------------------------
// Cursor, selection, scrolling

int CHexView::SetCursorAddress(int64_t address, bool absolute)
{
    int result = m_model.SetCursorAddress(address, absolute);
    Finish(TLF_CENTRE_JUMP);
    return result;
}

int CHexView::SetSelectionEnd(int64_t address, bool absolute)
{
    int result = m_model.SetSelectionEnd(address, absolute);
    Finish(0);
    return result;
}

int CHexView::CopySelection(uint8_t* buffer, int capacity, int* count) const
{
    if (count)
        *count = 0;
    if (!buffer || capacity <= 0 || !m_model.HasSelection())
        return 0;
    int length = 0;
    int64_t start = m_model.GetSelection(false, &length);
    int n = MinInt(length, capacity);
    if (start < 0 || start >= m_model.Size())
        return 0;
    n = MinInt(n, m_model.Size() - static_cast<int>(start));
    if (n <= 0)
        return 0;
    memcpy(buffer, m_model.Data() + start, static_cast<size_t>(n));
    if (count)
        *count = n;
    return n;
}

int64_t CHexView::SetTopAddress(int64_t address, bool absolute)
{
    int top = Layout().ScrollLine();
    int64_t old = m_model.SetTopAddress(address, absolute, &top);
    ApplyTopLine(top);
    return old;
}

int CHexView::SetHighlightRange(int index, int start, int length)
{
    int result = m_model.SetHighlightRange(index, start, length);
    Finish(0);
    return result;
}

int CHexView::EnsureRangeVisible(int offset, int length)
{
    int top = Layout().ScrollLine();
    int scrolled = m_model.EnsureRangeVisible(offset, length, Layout().WindowLines(), &top);
    if (scrolled)
        ApplyTopLine(top);
    return scrolled;
}

int CHexView::ShowRange(int index)
{
    if (index < -1 || index >= HEX_HIGHLIGHT_COUNT)
        return 0;
    const HexRangeSlot& slot = m_model.Slots()[index + 1];
    if (!slot.active)
    {
        if (index != -1)
            return 0;
        return EnsureRangeVisible(m_model.Cursor(), 1);
    }
    int low = MinInt(slot.start, slot.end);
    int high = slot.start > slot.end ? slot.start : slot.end;
    return EnsureRangeVisible(low, high - low + 1);
}

int CHexView::SelectRange(int64_t address, int length, bool absolute)
{
    int top = Layout().ScrollLine();
    int result = m_model.SelectRange(address, length, absolute, Layout().WindowLines(), &top);
    if (top != Layout().ScrollLine())
        ApplyTopLine(top);
    else
        Finish(0);
    return result;
}

int CHexView::SetCursorArea(int area)
{
    int old = m_model.SetCursorArea(area);
    Finish(0);
    return old;
}

// ---------------------------------------------------------------------------------------------
// Mode and marks

uint32_t CHexView::SetModeFlags(uint32_t value, uint32_t mask)
{
    bool refused = false;
    uint32_t old = m_model.SetModeFlags(value, mask, &refused);
    if (refused)
        AnsiViewBeep(MB_ICONEXCLAMATION);
    if ((m_model.Mode() & HVM_PUBLIC_MASK) != old)
    {
        // Hidden or shown columns take effect at once here rather than at the next buffer.
        m_model.Relayout(-1, -1, -1, -1, -1, -1);
        SyncBase();
        NotifySharedViews(4);
        Finish(0);
    }
    return old;
}

int CHexView::SetBitMarks(const uint32_t* bitmap, int count)
{
    if (count < 0)
        count = m_model.Size();
    if (count > HEX_MAX_BIT_MARKS)
        count = HEX_MAX_BIT_MARKS;
    m_bitMarks = bitmap;
    m_bitMarkCount = bitmap ? count : 0;
    Layout().RepaintWord() |= RP_ALL;
    Finish(0);
    return count;
}

const uint32_t* CHexView::GetBitMarks(int* count) const
{
    if (count)
        *count = m_bitMarkCount;
    return m_bitMarks;
}

bool CHexView::SetModified(bool modified)
{
    bool old = IsModified();
    m_model.SetModeBits(modified ? static_cast<uint32_t>(HVM_MODIFIED) : 0u, HVM_MODIFIED);
    return old;
}

// ---------------------------------------------------------------------------------------------
// Settings

int CHexView::LoadSettings(const char* subkey)
{
    HexViewSettings settings = CollectHexViewSettings(m_model, m_statusMode);
    LoadHexViewSettings(&settings, subkey, nullptr);
    m_statusMode = settings.statusbarMode;
    ApplyHexViewSettings(m_model, settings);
    // Font and colours of the "Hex" group live under the same application key.
    char path[1024];
    if (GetRegistryPath(path, sizeof(path), subkey ? subkey : "") > 0)
    {
        CAnsiView::LoadSettings(path, 1);
        CAnsiView::LoadSettings(path, 0);
    }
    SyncBase();
    if (m_hWnd)
        Finish(0);
    return 1;
}

int CHexView::SaveSettings(const char* subkey)
{
    return SaveHexViewSettings(CollectHexViewSettings(m_model, m_statusMode), subkey, nullptr);
}

int CHexView::SetRasters(int width, int raster, uint32_t statusMode, int selectionRaster)
{
    int result = SetHexRasters(m_model, width, raster, &m_statusMode, statusMode, selectionRaster,
                               Layout().WindowColumns());
    Finish(0);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Commands. The dialogs and tools behind them (copy and paste, value search, number
// converter, checksum, go to address, settings dialog) come with the editing and tools
// work; until then each command is accepted and does nothing.

void CHexView::OnEditCopy() {}
void CHexView::OnEditPaste() {}
// ---------------------------------------------------------------------------------------------
// Value search

namespace {
const char kNotFound[] = "Bereich wurde nicht gefunden !";
const char kContinueFromStart[] = "Ende erreicht. Am Anfang weiter suchen ?";
}

int CHexView::FindPattern(const char* patternList, int start, int count, bool highlight)
{
    if (highlight)
        m_model.SetHighlightRange(-2, 0, 0);
    // About 4 KB: kept off the stack of a window procedure.
    SearchPattern* pattern = static_cast<SearchPattern*>(malloc(sizeof(SearchPattern)));
    if (!pattern)
        return -1;
    SearchMatch matches[VS_MAX_ENTRIES];
    int found = -1;
    int entries = CompileSearchPattern(patternList, pattern);
    if (entries > 0)
    {
        // A search over a whole disk image takes a while.
        ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
        found = MatchSearchPattern(m_model.Data(), m_model.Size(), *pattern, start, count,
                                   GetValueSearchSettings().flags, matches);
        ::SetCursor(::LoadCursor(NULL, IDC_ARROW));
    }
    free(pattern);
    if (found < 0)
    {
        Finish(0);
        return -1;
    }
    // The view has eight ranges; further entries of a group are found but not marked.
    for (int i = 0; highlight && i < entries && i < HEX_HIGHLIGHT_COUNT; ++i)
        m_model.SetHighlightRange(i, matches[i].offset, matches[i].length);
    int length = matches[0].length > 0 ? matches[0].length : 1;
    SelectRange(found, length, false);
    // Keep the match in the upper half of the window, where the eye looks first.
    int windowLines = Layout().WindowLines();
    int line = m_model.LineOfOffset(found);
    int top = Layout().ScrollLine();
    if (windowLines > 1 && (line < top || line - top >= (windowLines + 1) / 2))
    {
        int newTop = line - windowLines / 4;
        ApplyTopLine(newTop < 0 ? 0 : newTop);
    }
    Finish(0);
    return found;
}

int CHexView::FindWithDialog()
{
    ValueSearchSettings& s = GetValueSearchSettings();
    for (;;)
    {
        char text[VS_SELECTION_TEXT_SIZE];
        text[0] = 0;
        uint32_t flags = s.flags & ~static_cast<uint32_t>(VSF_HAS_SELECTION);
        int selectionLength = 0;
        int selectionStart = static_cast<int>(m_model.GetSelection(false, &selectionLength));
        if (!m_model.HasSelection())
            selectionLength = 0;
        if (selectionLength > 0)
        {
            flags |= VSF_HAS_SELECTION;
            if (selectionLength <= VS_SELECTION_MAX)
            {
                uint8_t bytes[VS_SELECTION_MAX];
                int n = 0;
                CopySelection(bytes, VS_SELECTION_MAX, &n);
                if (n > 0)
                    SelectionToSearchText(bytes, n, text);
            }
        }
        INT_PTR result = RunHexFindDialog(this, &s, flags, text[0] ? text : nullptr);
        if (result != IDOK && result != FIND_VALUE_AGAIN)
            return 0;
        int size = m_model.Size();
        FindRange range = ComputeFindRange(s.flags, m_model.Cursor(), size, selectionStart,
                                           selectionLength);
        int found = -1;
        if (s.pattern && range.count != 0)
            found = FindPattern(s.pattern, range.start, range.count, true);
        if (found < 0 && s.pattern && range.wrapCount != 0)
            found = FindPattern(s.pattern, range.wrapStart, range.wrapCount, true);
        if (found < 0)
        {
            ShowHexFindMessage(m_hWnd, kNotFound, MB_OK | MB_ICONINFORMATION);
            m_model.SetHighlightRange(-2, 0, 0);
            Finish(0);
        }
        if (result != FIND_VALUE_AGAIN)
            return found >= 0 ? 1 : 0;
    }
}

void CHexView::OnFind()
{
    FindWithDialog();
}

void CHexView::OnFindNext()
{
    ValueSearchSettings& s = GetValueSearchSettings();
    // A single value's pattern starts with its empty distance, so only NULL means none.
    if (!s.pattern)
    {
        FindWithDialog();
        return;
    }
    FindRange range = ComputeFindNextRange(m_model.Cursor(), m_model.Size());
    int found = range.count > 0 ? FindPattern(s.pattern, range.start, range.count, true) : -1;
    if (found < 0 && range.wrapCount != 0)
    {
        if (ShowHexFindMessage(m_hWnd, kContinueFromStart, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
            return;
        found = FindPattern(s.pattern, range.wrapStart, range.wrapCount, true);
    }
    if (found < 0)
        ShowHexFindMessage(m_hWnd, kNotFound, MB_OK | MB_ICONINFORMATION);
}

void CHexView::OnFindSelection()
{
    if (!m_model.HasSelection())
    {
        AnsiViewBeep(MB_ICONEXCLAMATION);
        return;
    }
    uint8_t bytes[VS_SELECTION_MAX];
    int n = 0;
    CopySelection(bytes, VS_SELECTION_MAX, &n);
    if (n <= 0)
        return;
    ValueSearchSettings& s = GetValueSearchSettings();
    char text[VS_SELECTION_TEXT_SIZE];
    SelectionToSearchText(bytes, n, text);
    AddToHistory(&s.history, text, VS_HISTORY_MAX);
    char* pattern = MakeSelectionPattern(bytes, n, s.flags);
    if (!pattern)
        return;
    MultiTextFree(&s.pattern);
    s.pattern = pattern;
    // A selection dragged forwards has the cursor on its upper end: from there the next
    // match would skip any that overlaps it.
    const HexRangeSlot& selection = m_model.Slots()[0];
    if (selection.start <= selection.end)
    {
        int length = 0;
        int low = static_cast<int>(m_model.GetSelection(false, &length));
        m_model.SetCursorAddress(low, false);
        Finish(0);
    }
    OnFindNext();
}
void CHexView::OnCopyCpp() {}
void CHexView::OnNumberConverter() {}
void CHexView::OnChecksum() {}

int CHexView::OnGotoAddress()
{
    return -1;
}

bool CHexView::RunCommand(UINT id)
{
    switch (id)
    {
    case ID_HEX_COPY: OnEditCopy(); return true;
    case ID_HEX_COPY_CPP: OnCopyCpp(); return true;
    case ID_HEX_PASTE: OnEditPaste(); return true;
    case ID_HEX_FIND: OnFind(); return true;
    case ID_HEX_FIND_NEXT: OnFindNext(); return true;
    case ID_HEX_FIND_SELECTION:
    case ID_HEX_FIND_SELECTION_ALT: OnFindSelection(); return true;
    case ID_HEX_GOTO: OnGotoAddress(); return true;
    case ID_HEX_CHECKSUM: OnChecksum(); return true;
    case ID_HEX_NUMBER_CALCULATOR: OnNumberConverter(); return true;
    case ID_HEX_COPY_CSTRING:
    case ID_HEX_PASTE_SECOND:
    case ID_HEX_UNDO:
    case ID_HEX_REDO:
    case ID_HEX_VALUE_INPUT:
    case ID_HEX_FLOAT_CONVERTER:
    case ID_HEX_CRC:
    case ID_HEX_SETTINGS:
        return true;   // the hex tools and the settings dialog
    default:
        return false;
    }
}

// The status panes of the main frame (cursor address and value): written once the frame's
// pane message is in place.
void CHexView::RefreshStatusPanes() {}
void CHexView::ShowStatusPanes(bool) {}

// ---------------------------------------------------------------------------------------------
// Overrides

void CHexView::OnSettingsChanged(int flags)
{
    if (flags & 4)
    {
        Layout().RepaintWord() |= RP_ALL;
        if (m_hWnd && !(Layout().RepaintWord() & RP_BATCH))
            PaintLines(nullptr);
    }
}

int CHexView::PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int count, int flags)
{
    if (!dc || line < 0 || line >= m_model.LineCount() || firstColumn < 0 || count <= 0)
        return 0;
    char text[kLineCapacity];
    uint8_t colors[kLineCapacity];
    HexLineSource source = { m_model.Data(), m_model.Size(), m_model.Base(), m_model.Alignment(),
                             m_model.Slots(), m_bitMarks, m_bitMarkCount };
    int length = ComposeHexLine(m_model.Layout(), source, line, flags & 1, text, colors, kLineCapacity);
    int end = MinInt(firstColumn + count, length);
    if (end <= firstColumn)
        return 0;
    int cw = Layout().CharWidth();
    AnsiViewSettings* settings = Settings();
    int rows[8];
    for (int i = 0; i < 8; ++i)
    {
        int row = settings ? FindColorFormat(settings->formats, nullptr, i + 1) : -1;
        rows[i] = row < 0 ? 0 : row;
    }
    INT advances[kLineCapacity];
    for (int i = 0; i < end - firstColumn; ++i)
        advances[i] = cw;
    int x = rect.left;
    for (int i = firstColumn; i < end;)
    {
        int j = i;
        while (j < end && colors[j] == colors[i])
            ++j;
        SelectColorFormat(dc, rows[colors[i] & 7]);
        RECT cell = { x, rect.top, x + (j - i) * cw, rect.bottom };
        ::ExtTextOutA(dc->m_hDC, x, rect.top, ETO_OPAQUE | ETO_CLIPPED, &cell, text + i, static_cast<UINT>(j - i),
                      advances);
        x += (j - i) * cw;
        i = j;
    }
    SelectColorFormat(dc, 0);
    return end - firstColumn;
}

void CHexView::PrintMargin(CDC* dc, const RECT& rect, int)
{
    if (dc)
        dc->FillSolidRect(&rect, RGB(0xFF, 0xFF, 0xFF));
}

void CHexView::OnContextMenu(int x, int y, HMENU menu)
{
    // The view's own items come first, then the base adds colours and fonts and tracks it.
    bool own = menu == nullptr;
    if (own)
        menu = ::CreatePopupMenu();
    if (!menu)
        return;
    UINT selected = HasSelection() ? static_cast<UINT>(MF_ENABLED) : static_cast<UINT>(MF_GRAYED);
    ::AppendMenuA(menu, MF_STRING, ID_HEX_CHECKSUM, "&Checksumme");
    ::AppendMenuA(menu, MF_STRING, ID_HEX_GOTO, "&Zu Adresse");
    ::AppendMenuA(menu, MF_STRING | selected, ID_HEX_COPY, "&Kopieren");
    ::AppendMenuA(menu, MF_STRING, ID_HEX_FIND, "&Suchen");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, ID_HEX_SETTINGS, "&Einstellungen");
    ::EnableMenuItem(menu, 57635, MF_BYCOMMAND | selected);
    CAnsiView::OnContextMenu(x, y, menu);
    if (own)
        ::DestroyMenu(menu);
}

int CHexView::MoveCursor(int column, int line, uint32_t flags)
{
    // The model's caret is the base's (SyncBase keeps them equal), so relative moves agree.
    // Empty data has no byte to select: a Shift move there only moves.
    if (m_model.Size() <= 0)
        flags &= ~MCF_EXTEND;
    m_model.MoveCursor(column, line, flags);
    SyncBase();
    return 1;
}

int CHexView::GetLineLength(int)
{
    return m_model.Layout().LineLength();
}

void CHexView::OnSizeChanged(int windowColumns, int, int, int)
{
    if (!(m_model.Mode() & HVM_AUTO_WIDTH) || m_resizeDepth >= 2)
        return;
    ++m_resizeDepth;
    int bytes = m_model.Layout().AutoBytesPerLine(windowColumns);
    int64_t top = m_model.GetTopAddress(false, Layout().ScrollLine());
    if (m_model.Relayout(bytes, -1, -1, -1, -1, -1))
    {
        int topLine = 0;
        m_model.SetTopAddress(top, false, &topLine);
        ApplyTopLine(topLine);
    }
    --m_resizeDepth;
}

int CHexView::OnCharInput(UINT character, UINT flags)
{
    // Typing into the buffer arrives with editing; until then the base's keys only.
    return CAnsiView::OnCharInput(character, flags);
}

int CHexView::OnKey(UINT key, UINT)
{
    if (!(m_keyState & 2))
        return 0;
    switch (key)
    {
    case 'F': OnFind(); return 1;
    case VK_INSERT:
    case 'C': OnEditCopy(); return 1;
    case 'V': OnEditPaste(); return 1;
    case 'Y': OnNumberConverter(); return 1;
    default: return 0;
    }
}

LRESULT CHexView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_HEXVIEW_QUERY:
    {
        int top = Layout().ScrollLine();
        intptr_t result = HexViewQuery(m_model, static_cast<unsigned>(wParam), static_cast<intptr_t>(lParam), &top);
        if (wParam == 2)
            ApplyTopLine(top);
        else if (wParam == 0 || wParam == 4 || wParam == 6)
            Finish(wParam == 0 ? TLF_CENTRE_JUMP : 0);
        return static_cast<LRESULT>(result);
    }
    case WM_SETFOCUS:
    {
        LRESULT r = CAnsiView::WindowProc(message, wParam, lParam);
        ShowStatusPanes(true);
        SendNotify(HEXVIEW_NOTIFY_SETFOCUS, 0, 0);
        return r;
    }
    case WM_KILLFOCUS:
    {
        LRESULT r = CAnsiView::WindowProc(message, wParam, lParam);
        ShowStatusPanes(false);
        SendNotify(HEXVIEW_NOTIFY_KILLFOCUS, 0, 0);
        return r;
    }
    case WM_COMMAND:
        if (lParam == 0 && RunCommand(LOWORD(wParam)))
            return 0;
        break;
    default:
        break;
    }
    return CAnsiView::WindowProc(message, wParam, lParam);
}
