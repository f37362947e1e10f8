#include "views/HexView.h"

#include "uihelpers/ClipboardText.h"
#include "uihelpers/StatusPane.h"
#include "views/CppArrayFormat.h"
#include "views/CrcCalcDialog.h"
#include "views/FindValueDialog.h"
#include "views/HexConfigDialog.h"
#include "views/HexStatusPanes.h"
#include "views/HexToolDialogs.h"
#include "views/HexTools.h"
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

// The hex views alive: the value search's texts are shared by all of them and go with the
// last one (its settings were saved just before).
int g_hexViewCount = 0;

}  // namespace

CHexView::CHexView(uint32_t modeFlags)
    : CAnsiView("Hex", 80, 0),
      m_model(this),
      m_editor(this, m_model, m_undo),
      m_addressHistory(nullptr),
      m_tabOut(false),
      m_swallowChar(false),
      m_statusActive(false),
      m_statusMode(0x1002),
      m_resizeDepth(0),
      m_bitMarks(nullptr),
      m_bitMarkCount(0),
      m_rowsTable(nullptr),
      m_rowsTableCount(-1),
      m_rows{}
{
    m_paneText[0][0] = m_paneText[1][0] = 0;
    ++g_hexViewCount;
    m_model.SetRepaintWord(&Layout().RepaintWord());
    uint32_t extra = modeFlags & ~HVM_MODIFIED;
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
    m_undo.Clear();
    MultiTextFree(&m_addressHistory);
    if (--g_hexViewCount == 0)
    {
        ValueSearchSettings& search = GetValueSearchSettings();
        MultiTextFree(&search.history);
        MultiTextFree(&search.groups);
        MultiTextFree(&search.pattern);
    }
}

void CHexView::ForgetUndo()
{
    // The addresses typed into go to address stay offered: the user moves between sectors
    // and comes back to them.
    m_undo.Clear();
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
    // The model emptied the undo ring (OnDataAttached).
    Finish((flags & HDF_NO_REPAINT) ? TLF_NO_REPAINT : 0);
    RefreshStatusPanes();
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
    {
        Finish(0);
        RefreshStatusPanes();
    }
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
    // The cursor stays, so the model reports no move: the address pane must still learn the
    // selection's length, as it does after a selection made with the mouse or the keys.
    RefreshStatusPanes();
    return result;
}

int CHexView::MoveCursorToAddress(int64_t address, bool absolute, bool extend)
{
    int result = m_model.MoveCursorToAddress(address, absolute, extend);
    Finish(TLF_CENTRE_JUMP);
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
    int64_t topAddress = 0;
    const int top = Layout().ScrollLine();
    if (!m_model.EnsureRangeVisible(offset, length, Layout().WindowLines(), top, &topAddress))
        return 0;
    const int64_t before = m_model.GetTopAddress(false, top);
    SetTopAddress(topAddress, false);
    return m_model.GetTopAddress(false, Layout().ScrollLine()) != before;
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
        // Hidden or shown columns take effect at the next layout, which every SetData runs.
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
    // The search history, groups and flags are kept with the view's own values.
    LoadHexViewSettings(&settings, subkey, &GetValueSearchSettings());
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
    return SaveHexViewSettings(CollectHexViewSettings(m_model, m_statusMode), subkey, &GetValueSearchSettings());
}

int CHexView::SetRasters(int width, int raster, uint32_t statusMode, int selectionRaster)
{
    int result = SetHexRasters(m_model, width, raster, &m_statusMode, statusMode, selectionRaster,
                               Layout().WindowColumns());
    Finish(0);
    RefreshStatusPanes();
    return result;
}

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
        // Only a selection that becomes the search text offers "only within the selection".
        if (selectionLength > 0 && selectionLength <= VS_SELECTION_MAX)
        {
            flags |= VSF_HAS_SELECTION;
            uint8_t bytes[VS_SELECTION_MAX];
            int n = 0;
            CopySelection(bytes, VS_SELECTION_MAX, &n);
            if (n > 0)
                SelectionToSearchText(bytes, n, text);
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
// ---------------------------------------------------------------------------------------------
// Editing and the clipboard

namespace {
const int kMaxCopy = 0x400000;          // bytes "copy" takes at most
const int kMaxSourceCopy = 32768;       // bytes copied as a C string or as source
}

const uint8_t* CHexView::SelectedBytes(int maximum, int* count) const
{
    *count = 0;
    if (!m_model.HasSelection())
        return nullptr;
    int length = 0;
    int64_t start = m_model.GetSelection(false, &length);
    if (start < 0 || start >= m_model.Size())
        return nullptr;
    int n = MinInt(MinInt(length, maximum), m_model.Size() - static_cast<int>(start));
    if (n <= 0)
        return nullptr;
    *count = n;
    return m_model.Data() + start;
}

bool CHexView::ClipboardHasText() const
{
    return ::IsClipboardFormatAvailable(CF_TEXT) != FALSE;
}

int CHexView::RecordUndo(int64_t offset, bool absolute, int length)
{
    return m_editor.RecordUndo(offset, absolute, length);
}

int CHexView::StepUndo(int n)
{
    int steps = m_editor.StepUndo(n);
    if (steps)
        Finish(0);
    return steps;
}

void CHexView::CViewEditor::OnRefused(const char* text)
{
    ShowHexFindMessage(m_view->m_hWnd, text, MB_OK | MB_ICONEXCLAMATION);
}

int CHexView::PasteFromClipboard(int mode)
{
    if (m_model.Mode() & HVM_PROTECTED)
    {
        AnsiViewBeep(MB_ICONASTERISK);
        return 0;
    }
    char* text = ClipboardGetText(nullptr);
    if (!text)
        return 0;
    int written = m_editor.Paste(text, mode);
    free(text);
    Finish(0);
    RefreshStatusPanes();
    return written;
}

namespace {
// Puts a heap text made from `count` bytes on the clipboard and frees it; the bytes copied.
int HandToClipboard(char* text, int length, int count)
{
    if (!text)
        return 0;
    int put = ClipboardSetText(text, length);
    free(text);
    return put > 0 ? count : 0;
}
}  // namespace

int CHexView::CopyToClipboard()
{
    int count = 0;
    const uint8_t* bytes = SelectedBytes(kMaxCopy, &count);
    if (!bytes)
        return 0;
    int length = 0;
    char* text = MakeCopyText(bytes, count, m_model.Area() == HEX_AREA_TEXT, &length);
    return HandToClipboard(text, length, count);
}

int CHexView::CopyAsCString()
{
    int count = 0;
    const uint8_t* bytes = SelectedBytes(kMaxSourceCopy, &count);
    if (!bytes)
        return 0;
    int length = 0;
    char* text = MakeCStringText(bytes, count, &length);
    return HandToClipboard(text, length, count);
}

void CHexView::OnEditCopy()
{
    CopyToClipboard();
}

void CHexView::OnEditPaste()
{
    PasteFromClipboard(HEX_PASTE_SEARCH_TEXT);
}

void CHexView::OnPasteHexText()
{
    PasteFromClipboard(HEX_PASTE_HEX_TEXT);
}

void CHexView::OnCopyCString()
{
    CopyAsCString();
}

void CHexView::OnUndo()
{
    StepUndo(-1);
}

void CHexView::OnRedo()
{
    StepUndo(1);
}

// ---------------------------------------------------------------------------------------------
// The hex tools

namespace {
const char kProtectedMessage[] = "Die Daten sind schreibgeschützt !";
const int kMaxToolBytes = 0x100000;     // checksum and CRC without a selection
}

const uint8_t* CHexView::ToolBytes(int* count) const
{
    const uint8_t* bytes = SelectedBytes(kMaxCopy, count);
    if (bytes)
        return bytes;
    *count = MinInt(m_model.Size(), kMaxToolBytes);
    return m_model.Data();
}

void CHexView::OnCopyCpp()
{
    int count = 0;
    const uint8_t* bytes = SelectedBytes(kMaxSourceCopy, &count);
    if (!bytes)
        return;
    CppCopySettings settings = DefaultCppCopySettings();
    LoadCppCopySettings(&settings);
    bool bigEndian = false;
    CValueInputDlg dialog(this);
    if (dialog.RunFormat(bytes, count, &settings, &bigEndian) != IDOK)
        return;
    SaveCppCopySettings(settings);
    uint32_t flags = static_cast<uint32_t>(settings.format) | (bigEndian ? CAF_BIG_ENDIAN : 0u);
    int capacity = CppArrayCapacity(count, settings.valueSize, settings.lineSize);
    char* text = static_cast<char*>(malloc(static_cast<size_t>(capacity)));
    if (!text)
        return;
    int length = FormatCppArray(bytes, count, settings.valueSize, flags, settings.lineSize, text, capacity);
    if (length > 0)
        ClipboardSetText(text, length);
    free(text);
}

void CHexView::OnValueInput()
{
    uint8_t value[8] = { 0 };
    int count = 0;
    const uint8_t* selected = SelectedBytes(8, &count);
    if (selected)
    {
        memcpy(value, selected, static_cast<size_t>(count));
    }
    else
    {
        // The 4 bytes at the cursor; beyond the end of the data they read as 0.
        count = 4;
        int cursor = m_model.Cursor();
        for (int i = 0; i < 4; ++i)
            if (cursor + i >= 0 && cursor + i < m_model.Size())
                value[i] = m_model.Data()[cursor + i];
    }
    bool bigEndian = false;
    CValueInputDlg dialog(this);
    if (dialog.Run(value, &count, &bigEndian) != IDOK)
        return;
    int written = m_editor.WriteValue(value, count, bigEndian);
    if (written == HVW_PROTECTED)
        ShowHexFindMessage(m_hWnd, kProtectedMessage, MB_OK | MB_ICONEXCLAMATION);
    Finish(0);
    RefreshStatusPanes();
}

void CHexView::OnNumberConverter()
{
    int count = 0;
    const uint8_t* selected = SelectedBytes(4, &count);
    CNumberCalcDlg dialog(this);
    dialog.Run(selected, count, false, false);
}

void CHexView::OnChecksum()
{
    int count = 0;
    const uint8_t* bytes = ToolBytes(&count);
    CChecksumDlg dialog(this);
    dialog.Run(bytes, count, true);
}

void CHexView::OnFloatConverter()
{
    int count = 0;
    const uint8_t* bytes = SelectedBytes(8, &count);
    if (!bytes)
    {
        int cursor = m_model.Cursor();
        count = cursor >= 0 && cursor < m_model.Size() ? MinInt(8, m_model.Size() - cursor) : 0;
        bytes = count > 0 ? m_model.Data() + cursor : nullptr;
    }
    CFloatConvDlg dialog(this);
    dialog.Run(bytes, count, FS_BYTES);
}

void CHexView::OnCrcCalculator()
{
    int count = 0;
    const uint8_t* bytes = ToolBytes(&count);
    RunCrcDialog(this, bytes, count);
}

void CHexView::OnSettingsDialog()
{
    RunHexConfigDialog(this);
}

int CHexView::OnGotoAddress()
{
    int64_t value = GetCursorAddress(true);
    if (m_model.HasSelection())
    {
        int count = 0;
        const uint8_t* bytes = SelectedBytes(8, &count);
        value = AddressFromSelection(bytes, count, m_model.Base());
    }
    CAddressInputDlg dialog(this);
    if (dialog.Run("Cursor setzen", "Neue Adresse :", &value, ADF_HEX, &m_addressHistory) != IDOK)
        return -1;
    SetCursorAddress(value, true);
    return static_cast<int>(value);
}

// ---------------------------------------------------------------------------------------------
// The command table

bool CHexView::IsCommandEnabled(UINT id) const
{
    switch (id)
    {
    case ID_HEX_COPY:
    case ID_HEX_COPY_CPP:
    case ID_HEX_COPY_CSTRING:
        return m_model.HasSelection();
    case ID_HEX_PASTE:
    case ID_HEX_PASTE_SECOND:
        return m_model.Size() > 0 && !(m_model.Mode() & HVM_PROTECTED) && ClipboardHasText();
    case ID_HEX_UNDO:
        return m_undo.CanUndo();
    case ID_HEX_REDO:
        return m_undo.CanRedo();
    case ID_HEX_FIND_NEXT:
        return GetValueSearchSettings().pattern != nullptr;
    default:
        return true;
    }
}

bool CHexView::RunCommand(UINT id)
{
    switch (id)
    {
    case ID_HEX_COPY: OnEditCopy(); return true;
    case ID_HEX_COPY_CPP: OnCopyCpp(); return true;
    case ID_HEX_COPY_CSTRING: OnCopyCString(); return true;
    case ID_HEX_PASTE: OnEditPaste(); return true;
    case ID_HEX_PASTE_SECOND: OnPasteHexText(); return true;
    case ID_HEX_UNDO: OnUndo(); return true;
    case ID_HEX_REDO: OnRedo(); return true;
    case ID_HEX_FIND: OnFind(); return true;
    case ID_HEX_FIND_NEXT: OnFindNext(); return true;
    case ID_HEX_FIND_SELECTION:
    case ID_HEX_FIND_SELECTION_ALT: OnFindSelection(); return true;
    case ID_HEX_GOTO: OnGotoAddress(); return true;
    case ID_HEX_CHECKSUM: OnChecksum(); return true;
    case ID_HEX_NUMBER_CALCULATOR: OnNumberConverter(); return true;
    case ID_HEX_VALUE_INPUT: OnValueInput(); return true;
    case ID_HEX_FLOAT_CONVERTER: OnFloatConverter(); return true;
    case ID_HEX_CRC: OnCrcCalculator(); return true;
    case ID_HEX_SETTINGS: OnSettingsDialog(); return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Status panes

void CHexView::SendStatusText(int pane, const char* text)
{
    // The status bar draws the new text with its next paint, together with whatever else
    // changes in the same message (a new sector rewrites the frame's panes too): each
    // immediate update of the themed bar costs Wine more than a pane of text.
    if (HWND target = StatusPaneFrame(m_hWnd))
        SendStatusPaneText(target, pane, text, 0);
}

void CHexView::RefreshStatusPanes()
{
    if (!m_statusActive)
        return;
    const bool force = (m_statusMode & HSM_REFRESH) != 0;
    m_statusMode &= ~static_cast<uint32_t>(HSM_REFRESH);
    char text[2][HEX_STATUS_TEXT_SIZE];
    FormatHexAddressPane(m_model, m_statusMode, text[0], HEX_STATUS_TEXT_SIZE);
    FormatHexValuePane(m_model, m_statusMode, text[1], HEX_STATUS_TEXT_SIZE);
    for (int pane = 0; pane < 2; ++pane)
    {
        if (!force && strcmp(text[pane], m_paneText[pane]) == 0)
            continue;
        strcpy(m_paneText[pane], text[pane]);
        SendStatusText(pane, text[pane]);
    }
}

void CHexView::ShowStatusPanes(bool show)
{
    HWND target = StatusPaneFrame(m_hWnd);
    m_statusMode |= HSM_REFRESH;
    if (!target)
        return;
    uint32_t ids[2] = { 0, 0 };
    int32_t widths[2] = { -20, -23 };
    StatusPaneRequest request = {};
    if (show)
    {
        request.ids = ids;
        request.widths = widths;
        request.count = 2;
    }
    m_statusActive = false;
    ::SendMessageA(target, WM_STATUSPANE, StatusPaneSetBase, reinterpret_cast<LPARAM>(&request));
    if (show)
    {
        m_statusActive = true;
        RefreshStatusPanes();
    }
}

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

const int* CHexView::ColorRows()
{
    // Rows are only ever appended to a table (which moves or grows it); the ids of its rows
    // stay.
    AnsiViewSettings* settings = Settings();
    const ColorFormat* table = settings ? settings->formats : nullptr;
    const int count = settings ? settings->formatCount : 0;
    if (table != m_rowsTable || count != m_rowsTableCount)
    {
        for (int i = 0; i < 8; ++i)
        {
            int row = table ? FindColorFormat(table, nullptr, i + 1) : -1;
            m_rows[i] = row < 0 ? 0 : row;
        }
        m_rowsTable = table;
        m_rowsTableCount = count;
    }
    return m_rows;
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
    const int* rows = ColorRows();
    int x = rect.left;
    for (int i = firstColumn; i < end;)
    {
        int j = i;
        while (j < end && colors[j] == colors[i])
            ++j;
        SelectColorFormat(dc, rows[colors[i] & 7]);
        RECT cell = { x, rect.top, x + (j - i) * cw, rect.bottom };
        ::ExtTextOutA(dc->m_hDC, x, rect.top, ETO_OPAQUE | ETO_CLIPPED, &cell, text + i, static_cast<UINT>(j - i),
                      CellAdvances());
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
    struct Item
    {
        UINT id;
        const char* text;
    };
    // Undo, redo and the tools without a key of their own are reached from here.
    static const Item kItems[] = {
        { ID_HEX_CHECKSUM, "&Checksumme" },
        { ID_HEX_GOTO, "&Zu Adresse" },
        { ID_HEX_COPY, "&Kopieren" },
        { ID_HEX_FIND, "&Suchen" },
        { ID_HEX_UNDO, "Rückgängig" },
        { ID_HEX_REDO, "Wiederherstellen" },
        { 0, nullptr },
        { ID_HEX_COPY_CSTRING, "Als C-String kopieren" },
        { ID_HEX_PASTE_SECOND, "Hex-Text einfügen" },
        { ID_HEX_VALUE_INPUT, "Wert eingeben" },
        { ID_HEX_FLOAT_CONVERTER, "Flieskommakonverter" },
        { ID_HEX_CRC, "CRC-Summe berechnen" },
        { 0, nullptr },
        { ID_HEX_SETTINGS, "&Einstellungen" },
    };
    for (const Item& item : kItems)
    {
        if (!item.text)
        {
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT state = IsCommandEnabled(item.id) ? static_cast<UINT>(MF_ENABLED) : static_cast<UINT>(MF_GRAYED);
        ::AppendMenuA(menu, MF_STRING | state, item.id, item.text);
    }
    UINT selected = HasSelection() ? static_cast<UINT>(MF_ENABLED) : static_cast<UINT>(MF_GRAYED);
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

int CHexView::OnCharInput(UINT character, UINT)
{
    // Ctrl+C and its kind arrive once more as control characters: no input, no beep.
    if (m_swallowChar)
    {
        m_swallowChar = false;
        if (character < 32)
            return 1;
    }
    const bool shift = (AnsiViewKeyState(VK_SHIFT) & 0x8000) != 0;
    m_editor.TypeCharacter(character, shift, m_tabOut);
    Finish(0);
    return 1;
}

int CHexView::OnKey(UINT key, UINT)
{
    m_swallowChar = false;
    if (!(m_keyState & 2))
        return 0;
    switch (key)
    {
    case 'F': OnFind(); break;
    case VK_INSERT:
    case 'C': OnEditCopy(); break;
    case 'V': OnEditPaste(); break;
    case 'Y': OnNumberConverter(); break;
    // Strg+X is redo's key ("Wiederherstellen"); the view answers it itself, so that it
    // redoes wherever the view has the focus, also where no frame accelerator turns it into
    // the command.
    case 'X': OnRedo(); break;
    default: return 0;
    }
    m_swallowChar = key != VK_INSERT;
    return 1;
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
        RefreshStatusPanes();
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
