#include "datawindow/DataWnd.h"

#include "classlib/FileDialog.h"
#include "datawindow/DataWndDialogs.h"
#include "datawindow/ModulList.h"
#include "services/DataStream.h"
#include "services/Registry.h"
#include "textlib/StrPrintf.h"
#include "uihelpers/ChoiceListDialog.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/UiFonts.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CDataWnd, CWnd)

BEGIN_MESSAGE_MAP(CDataWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_COPY, OnCopy)
END_MESSAGE_MAP()

const char CDataWnd::kSection[] = "DataWindow";

namespace {

const char kClassName[] = "DataWnd";
const int kMaxRowBudget = 16000;
const int kDefaultRowBudget = 8192;
const DWORD kListStyle = 0x200405;
const DWORD kStripStyle = 0x313;
const int kColumnWidths[DW_COLUMNS] = {250, -50, 70, 70, 99};
const char* const kColumnTitles[DW_COLUMNS] = {"Typ", "Inhalt", "Offset", "Größe", "Adresse"};
const int kMaxStateName = 63;

int g_windows = 0;
DataWndPrompts g_defaultPrompts;
DataWndPrompts* g_prompts = nullptr;

// The lists take every key: the dialog manager of a floating bar must not eat Enter or Tab.
LRESULT AllKeysFilter(WNDPROC previous, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, CWnd*)
{
    if (msg == WM_GETDLGCODE)
        return DLGC_WANTALLKEYS;
    return ::CallWindowProcA(previous, hwnd, msg, wp, lp);
}

// The interface font of the kind and the height of "A" in it (at least 9), taken once.
int FontHeight(HFONT font)
{
    static HFONT measured[2] = {nullptr, nullptr};
    static int heights[2] = {0, 0};
    for (int i = 0; i < 2; ++i)
        if (measured[i] == font && heights[i])
            return heights[i];
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(dc, "A", 1, &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    const int height = size.cy < 9 ? 9 : size.cy;
    const int slot = measured[0] == nullptr ? 0 : 1;
    measured[slot] = font;
    heights[slot] = height;
    return height;
}

DWORD ListExtendedStyle(int lines, int alternate)
{
    return 0x20 | (lines ? 1 : 0) | (alternate ? 0x200000 : 0);
}

// The label of a slot that runs no module: "Daten" and its number from 1.
void SlotNumberLabel(int slot, char (&text)[32])
{
    StrPrintf(text, "Daten %i", slot + 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Prompts

int DataWndPrompts::Box(HWND owner, const char* text, const char* caption, UINT type)
{
    return ::MessageBoxA(owner, text, caption, type);
}

bool DataWndPrompts::ChooseModuleFiles(HWND owner, const char* folder, std::vector<std::string>* paths)
{
    std::string initial = std::string(folder) + "\\*.dfm";
    CFileDialog dialog(TRUE, "*.dfm", initial.c_str(), OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                       "Daten Fenster Module (*.dfm)|*.dfm|Alle Dateien (*.*)|*.*|", CWnd::FromHandle(owner));
    std::vector<char> names(8192, 0);
    lstrcpynA(names.data(), initial.c_str(), static_cast<int>(names.size()));
    dialog.m_ofn.lpstrFile = names.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(names.size());
    if (dialog.DoModal() != IDOK)
        return false;
    for (POSITION pos = dialog.GetStartPosition(); pos;)
        paths->push_back(static_cast<const char*>(dialog.GetNextPathName(pos)));
    return true;
}

void DataWndPrompts::ShowErrors(HWND owner, const char* caption, const char* text)
{
    CModulErrorDlg dialog(CWnd::FromHandle(owner));
    dialog.m_caption = caption;
    dialog.m_text = text;
    dialog.DoModal();
}

bool DataWndPrompts::RunOptions(CDataOptionsDlg& dialog)
{
    return dialog.DoModal() == IDOK;
}

bool DataWndPrompts::ChoosePathsToRemove(HWND owner, const std::vector<std::string>& paths, std::vector<int>* chosen)
{
    CChoiceListDialog dialog(CWnd::FromHandle(owner));
    dialog.SetMode(CChoiceListDialog::MODE_MULTIPLE);
    dialog.SetCaption("Module löschen");
    for (size_t i = 0; i < paths.size(); ++i)
        dialog.AppendItem(static_cast<DWORD>(i), paths[i].c_str(), 0);
    dialog.SortItems(CompareChoiceText);
    if (dialog.DoModal() != IDOK)
        return false;
    for (int i = 0; i < dialog.GetItemCount(); ++i)
        if (dialog.IsItemSelected(i))
            chosen->push_back(static_cast<int>(dialog.GetItemValue(i)));
    return true;
}

DataWndPrompts* CDataWnd::SetPrompts(DataWndPrompts* prompts)
{
    DataWndPrompts* old = g_prompts;
    g_prompts = prompts;
    return old;
}

DataWndPrompts& CDataWnd::Prompts()
{
    return g_prompts ? *g_prompts : g_defaultPrompts;
}

// ---------------------------------------------------------------------------------------------
// Creation and layout

CDataWnd::CDataWnd()
    : m_clickPoint{0, 0}, m_width(0), m_height(0), m_style(0), m_slotCount(1), m_current(0), m_showOffsets(1),
      m_showLengths(0), m_showAddresses(0), m_fixedFont(1), m_lines(1), m_alternate(1), m_saveState(0),
      m_maxRows(kDefaultRowBudget), m_listsCreated(false), m_shown(false)
{
    for (int i = 0; i < kMaxSlots; ++i) {
        m_address[i] = 0;
        m_data[i] = nullptr;
        m_startOffset[i] = m_length[i] = m_size[i] = 0;
        m_entry[i] = m_source[i] = -1;
    }
    m_modules.SetErrorEcho(false);
}

CDataWnd::~CDataWnd()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL CDataWnd::Create(int slots, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    m_slotCount = slots < 1 ? 1 : slots > kMaxSlots ? kMaxSlots : slots;
    m_style = style & 0xFFFF;
    m_showOffsets = (m_style & DWS_OFFSETS) != 0;
    m_showLengths = (m_style & DWS_LENGTHS) != 0;
    m_showAddresses = (m_style & DWS_ADDRESSES) != 0;
    m_fixedFont = (m_style & DWS_FIXED_FONT) != 0;
    m_lines = (m_style & DWS_LINES) != 0;
    m_alternate = (m_style & DWS_ALTERNATE) != 0;
    m_saveState = (m_style & DWS_STATE) != 0;

    WNDCLASSA wc = {};
    if (!::GetClassInfoA(AfxGetInstanceHandle(), kClassName, &wc)) {
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = AfxGetInstanceHandle();
        wc.lpszClassName = kClassName;
        if (!::RegisterClassA(&wc))
            return FALSE;
    }
    if (!CWnd::CreateEx(0, kClassName, "DataWindow", style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return FALSE;
    ++g_windows;
    ::SetClassLongPtrA(m_hWnd, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(::GetStockObject(NULL_BRUSH)));

    CRect listRect = rect;
    if (m_style & DWS_LABELS) {
        const int bar = ::GetSystemMetrics(SM_CYHSCROLL) < 16 ? 16 : ::GetSystemMetrics(SM_CYHSCROLL);
        listRect.bottom -= bar;
    }
    const int height = FontHeight(GetUiFont(m_fixedFont ? 1 : 0));
    for (int i = 0; i < kMaxSlots; ++i) {
        CFastListCtrl& list = m_lists[i];
        if (!list.Create(kListStyle | ((m_style & DWS_BORDER) ? WS_BORDER : 0), listRect, this, IDC_LIST))
            return FALSE;
        for (int c = 0; c < DW_COLUMNS; ++c)
            list.InsertColumn(c, kColumnTitles[c], LVCFMT_LEFT, kColumnWidths[c] * height / 12);
        list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetUiFont(m_fixedFont ? 1 : 0)), FALSE);
        m_textContext[i].window = this;
        m_textContext[i].slot = i;
        list.SendMessage(FLM_PROPERTY, FLP_TEXTCONTEXT | FLP_WRITE, reinterpret_cast<LPARAM>(&m_textContext[i]));
        list.SendMessage(FLM_PROPERTY, FLP_TEXTCALLBACK | FLP_WRITE, reinterpret_cast<LPARAM>(&CDataWnd::GetRowText));
        list.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, ListExtendedStyle(m_lines, m_alternate));
        if (!m_showOffsets)
            list.SetColumnState(DW_COL_OFFSET, TRUE, -1, -1);
        if (!m_showLengths)
            list.SetColumnState(DW_COL_SIZE, TRUE, -1, -1);
        if (!m_showAddresses)
            list.SetColumnState(DW_COL_ADDRESS, TRUE, -1, -1);
        list.ShowWindow(SW_HIDE);
    }
    m_lists[m_current].ShowWindow(SW_SHOW);
    if (m_style & DWS_LABELS) {
        if (!m_strip.Create(m_slotCount, 0, "Daten", rect, this, kStripStyle, IDC_STRIP))
            return FALSE;
        m_strip.AttachWindows(kMaxSlots, m_lists, AllKeysFilter);
        m_strip.ShowWindow(SW_SHOW);
    }
    m_listsCreated = true;
    if (m_style & DWS_LOAD_LIST)
        LoadModulList(kSection);
    if (m_style & DWS_STATE)
        LoadState(kSection);
    LayOut();
    return TRUE;
}

void CDataWnd::OnDestroy()
{
    if (m_saveState)
        SaveState(kSection);
    m_shown = false;
    CWnd::OnDestroy();
    if (--g_windows == 0)
        ::UnregisterClassA(kClassName, AfxGetInstanceHandle());
}

void CDataWnd::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    m_width = cx;
    m_height = cy;
    if (cx <= 0 || cy <= 0)
        return;
    // Laid out from the first sizing on: the bar sizes its child once when it is first shown,
    // and a list left at its empty creation rectangle would stay invisible until the next one.
    m_shown = true;
    LayOut();
}

void CDataWnd::LayOut()
{
    if (!m_hWnd || !m_listsCreated)
        return;
    CRect client;
    GetClientRect(&client);
    if (m_style & DWS_LABELS) {
        const int bar = ::GetSystemMetrics(SM_CYHSCROLL) < 16 ? 16 : ::GetSystemMetrics(SM_CYHSCROLL);
        int listHeight = client.Height() - bar - 1;
        if (listHeight < 0)
            listHeight = 0;
        m_strip.SetChildArea(0, 0, client.Width(), listHeight);
        m_strip.MoveWindow(0, listHeight, client.Width(), client.Height() - listHeight, TRUE);
        m_lists[m_current].MoveWindow(0, 0, client.Width(), listHeight, TRUE);
    } else {
        m_lists[m_current].MoveWindow(0, 0, client.Width(), client.Height(), TRUE);
    }
}

// ---------------------------------------------------------------------------------------------
// Slots, data and refresh

DataSlotView CDataWnd::ViewOf(int slot) const
{
    DataSlotView view;
    view.slot = slot;
    view.address = m_address[slot];
    view.startOffset = m_startOffset[slot];
    return view;
}

bool CDataWnd::SetData(const uint8_t* data, int size, int startOffset, int length, uint32_t addressLow,
                       uint32_t addressHigh, int slot)
{
    if (slot < 0)
        slot = m_current;
    if (slot >= kMaxSlots)
        return false;
    if (size < 0)
        size = 0;
    if (startOffset < 0)
        startOffset = 0;
    if (static_cast<int64_t>(startOffset) + length >= size)
        length = size - startOffset;
    if (length < 0)
        length = 0;
    const uint64_t address = static_cast<uint64_t>(addressHigh) << 32 | addressLow;
    const bool changed = m_data[slot] != data || m_size[slot] != size || m_startOffset[slot] != startOffset
                         || m_length[slot] != length || m_address[slot] != address
                         || BytesChangedSinceRun(slot, data, size);
    m_data[slot] = data;
    m_size[slot] = size;
    m_startOffset[slot] = startOffset;
    m_length[slot] = length;
    m_address[slot] = address;
    m_replaced[slot] = false;
    if (changed) {
        m_handing = true;
        Refresh(true, slot);
        m_handing = false;
    }
    return changed;
}

bool CDataWnd::BytesChangedSinceRun(int slot, const uint8_t* data, int size) const
{
    if (!data)
        return false;
    // The whole buffer, not only the bytes from the start offset: a module seeks backwards
    // and to absolute places. Bytes that can no longer be read count as changed, so that the
    // refresh forgets them instead of reading them here.
    const std::vector<uint8_t>& ran = m_ranOn[slot];
    if (ran.size() != static_cast<size_t>(size) || ::IsBadReadPtr(data, static_cast<UINT_PTR>(size)))
        return true;
    return size > 0 && std::memcmp(ran.data(), data, static_cast<size_t>(size)) != 0;
}

void CDataWnd::BytesReplaced(const uint8_t* data)
{
    for (int slot = 0; slot < kMaxSlots; ++slot)
        if (data && m_data[slot] == data)
            m_replaced[slot] = true;
}

void CDataWnd::RefreshCurrentSlot()
{
    // The slot's own bytes at its own start offset, as they are now (the user's typing shows).
    Refresh(true, m_current);
}

void CDataWnd::RedrawList(int slot)
{
    if (m_listsCreated && m_lists[slot].m_hWnd)
        m_lists[slot].Invalidate(TRUE);
}

void CDataWnd::SyncItems(int slot)
{
    if (!m_listsCreated)
        return;
    CFastListCtrl& list = m_lists[slot];
    list.DeleteAllItems();
    const std::vector<uint32_t>& items = m_items[slot];
    if (!items.empty())
        list.SendMessage(FLM_APPENDARRAY, items.size(), reinterpret_cast<LPARAM>(items.data()));
}

void CDataWnd::Refresh(bool redraw, int slot)
{
    if (slot < 0)
        slot = m_current;
    if (slot >= kMaxSlots)
        return;
    // The module set runs on its current slot: it is pointed at the slot being refreshed for
    // the run and set back to the window's current one after it. Run on the window's current
    // slot instead, a refresh of another slot would write its rows over the shown slot's and
    // leave its own list pointing at rows that are not its own.
    m_modules.SelectSlot(slot);
    if (!m_data[slot] || m_length[slot] < 0) {
        m_ranOn[slot].clear();
        m_modules.ClearSlot(slot);
        m_items[slot].clear();
        SyncItems(slot);
        if (redraw && m_shown)
            RedrawList(slot);
        m_modules.SelectSlot(m_current);
        return;
    }
    if (::IsBadReadPtr(m_data[slot], static_cast<UINT_PTR>(m_size[slot]))) {
        // The bytes went away (a closed view, a freed page): forget them rather than read.
        m_data[slot] = nullptr;
        m_size[slot] = m_startOffset[slot] = m_length[slot] = 0;
        m_address[slot] = 0;
        m_ranOn[slot].clear();
        m_modules.ClearSlot(slot);
        m_items[slot].clear();
        SyncItems(slot);
        if (redraw)
            RedrawList(slot);
        m_modules.SelectSlot(m_current);
        return;
    }
    if (m_entry[slot] < 0) {
        m_entry[slot] = 0;
        ShowEntryLabel(slot);
    }
    m_modules.ClearSlot(slot);
    // Another sector in the buffer that the slot was not handed (the view went on in the same
    // buffer, perhaps to a sector of another size) is not what it was given: it runs on its
    // copy of its own sector, never on the new bytes with the old size. Bytes changed in its
    // own sector (the user's typing) are shown as they are now.
    const uint8_t* bytes = m_data[slot];
    const std::vector<uint8_t>& kept = m_ranOn[slot];
    if (!m_handing && m_replaced[slot] && kept.size() == static_cast<size_t>(m_size[slot]))
        bytes = kept.data();
    else
        m_ranOn[slot].assign(m_data[slot], m_data[slot] + m_size[slot]);
    m_modules.RunSlot(bytes, m_size[slot], m_entry[slot], m_maxRows, m_startOffset[slot]);
    BuildTopItems(m_modules, slot, &m_items[slot]);
    SyncItems(slot);
    if (redraw && slot == m_current)
        RedrawList(slot);
    m_modules.SelectSlot(m_current);
}

void CDataWnd::SelectSlot(int slot)
{
    if (slot < 0)
        slot = 0;
    if (slot > m_slotCount - 1)
        slot = m_slotCount - 1;
    if (slot == m_current)
        return;
    if (m_listsCreated)
        m_lists[m_current].ShowWindow(SW_HIDE);
    m_current = slot;
    m_modules.SelectSlot(slot);
    if (m_strip.m_hWnd)
        m_strip.SelectLabel(slot);
    if (m_listsCreated)
        m_lists[slot].ShowWindow(SW_SHOW);
    LayOut();
    RedrawList(slot);
}

int CDataWnd::SetSlotCount(int count)
{
    count = count < 1 ? 1 : count > kMaxSlots ? kMaxSlots : count;
    const int old = m_slotCount;
    if (m_current >= count)
        SelectSlot(0);
    for (int slot = count; slot < old; ++slot) {
        m_modules.ClearSlot(slot);
        m_items[slot].clear();
        SyncItems(slot);
        m_data[slot] = nullptr;
        m_size[slot] = m_startOffset[slot] = m_length[slot] = 0;
        m_address[slot] = 0;
        m_ranOn[slot].clear();
    }
    m_slotCount = count;
    if (m_strip.m_hWnd) {
        m_strip.SetLabelCount(count);
        for (int slot = old; slot < count; ++slot) {
            char text[32];
            SlotNumberLabel(slot, text);
            m_strip.SetLabelText(slot, text);
        }
    }
    return old;
}

int CDataWnd::SetMaxRows(int rows)
{
    const int old = m_maxRows;
    m_maxRows = rows < 0 ? 0 : rows > kMaxRowBudget ? kMaxRowBudget : rows;
    return old;
}

void CDataWnd::ShowEntryLabel(int slot)
{
    if (!(m_style & DWS_ENTRY_LABELS) || !m_strip.m_hWnd)
        return;
    // A slot whose entry is gone runs nothing: an old name there would promise a module.
    char number[32];
    const char* name = m_modules.GetEntryName(m_entry[slot]);
    if (!name)
        SlotNumberLabel(slot, number);
    m_strip.SetLabelText(slot, name ? name : number);
}

void CDataWnd::LabelSlotsByEntries()
{
    for (int slot = 0; slot < kMaxSlots; ++slot) {
        // The chosen entry is kept by its place in the module list, which the modules loaded
        // since the last clearing fill anew: the slot's source is the one that entry has now.
        if (const ModulEntry* e = m_modules.GetEntry(m_entry[slot]))
            m_source[slot] = e->source;
        ShowEntryLabel(slot);
    }
}

void CDataWnd::ChooseEntry(int slot, int source, int entry)
{
    if (slot < 0 || slot >= kMaxSlots)
        return;
    m_source[slot] = source;
    m_entry[slot] = entry;
    ShowEntryLabel(slot);
}

void CDataWnd::ApplyFont()
{
    HFONT font = GetUiFont(m_fixedFont ? 1 : 0);
    for (CFastListCtrl& list : m_lists)
        if (list.m_hWnd)
            list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

int CDataWnd::SetViewOptions(int offsets, int lengths, int addresses, int fixedFont, int lines, int alternate, bool redraw)
{
    bool columns = false;
    struct Column {
        int* option;
        int value;
        int column;
    } changes[] = {{&m_showOffsets, offsets, DW_COL_OFFSET}, {&m_showLengths, lengths, DW_COL_SIZE},
                   {&m_showAddresses, addresses, DW_COL_ADDRESS}};
    for (Column& c : changes) {
        if (c.value < 0 || (c.value != 0) == (*c.option != 0))
            continue;
        *c.option = c.value != 0;
        columns = true;
        for (CFastListCtrl& list : m_lists)
            if (list.m_hWnd)
                list.SetColumnState(c.column, *c.option ? FALSE : TRUE, *c.option ? FL_SAVEDWIDTH : -1, -1);
    }
    if (fixedFont >= 0 && (fixedFont != 0) != (m_fixedFont != 0)) {
        m_fixedFont = fixedFont != 0;
        ApplyFont();
    }
    bool styleChanged = false;
    if (lines >= 0 && (lines != 0) != (m_lines != 0)) {
        m_lines = lines != 0;
        styleChanged = true;
    }
    if (alternate >= 0 && (alternate != 0) != (m_alternate != 0)) {
        m_alternate = alternate != 0;
        styleChanged = true;
    }
    if (styleChanged)
        for (CFastListCtrl& list : m_lists)
            if (list.m_hWnd)
                list.SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, ListExtendedStyle(m_lines, m_alternate));
    if (redraw && m_shown) {
        if (columns)
            LayOut();
        RedrawList(m_current);
    }
    return columns ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Texts, rows and copying

void __stdcall CDataWnd::GetRowText(void* context, DWORD data, int column, int, FastListTextRequest* request)
{
    const TextContext* slot = static_cast<const TextContext*>(context);
    if (!slot || !slot->window || !request || !request->text)
        return;
    // The length is always set: the "Typ" text begins with glyph codes, some of them 0.
    request->length = FormatCell(slot->window->m_modules, slot->window->ViewOf(slot->slot), data, column,
                                 request->text, 2044);
}

bool CDataWnd::ToggleRow(int item, int mode)
{
    std::vector<uint32_t>& items = m_items[m_current];
    const size_t before = items.size();
    if (!ToggleItem(m_modules, m_current, &items, item, mode))
        return false;
    if (m_listsCreated) {
        CFastListCtrl& list = m_lists[m_current];
        list.SendMessage(FLM_SETITEMDATA, items[static_cast<size_t>(item)], item);
        if (items.size() < before) {
            list.SendMessage(FLM_DELETEITEMS, item + 1, static_cast<LPARAM>(before - items.size()));
        } else {
            for (size_t i = 0; i < items.size() - before; ++i)
                list.InsertItem(item + 1 + static_cast<int>(i), items[static_cast<size_t>(item) + 1 + i]);
        }
        list.Invalidate(TRUE);
    }
    return true;
}

int CDataWnd::FocusedItem() const
{
    const CFastListCtrl& list = m_lists[m_current];
    return list.m_hWnd ? static_cast<int>(::SendMessageA(list.m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED))
                       : -1;
}

void CDataWnd::CopyRow(int mode)
{
    CFastListCtrl& list = m_lists[m_current];
    if (!list.m_hWnd)
        return;
    int item;
    unsigned columns;
    if (mode == 1) {
        LVHITTESTINFO hit = {};
        hit.pt = m_clickPoint;
        item = static_cast<int>(list.SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item < 0)
            return;
        int column = 0, sum = 0;
        for (; column < DW_COLUMNS; ++column) {
            sum += static_cast<int>(list.SendMessage(LVM_GETCOLUMNWIDTH, column, 0));
            if (sum > m_clickPoint.x)
                break;
        }
        if (column >= DW_COLUMNS)
            return;
        columns = 1u << column;
    } else {
        item = FocusedItem();
        if (item < 0)
            return;
        columns = (1u << DW_COL_TYPE) | (1u << DW_COL_VALUE) | (m_showOffsets ? 1u << DW_COL_OFFSET : 0)
                  | (m_showLengths ? 1u << DW_COL_SIZE : 0) | (m_showAddresses ? 1u << DW_COL_ADDRESS : 0);
    }
    const DWORD word = static_cast<DWORD>(list.SendMessage(FLM_GETITEMDATA, 0, item));
    const std::string text = RowClipboardText(m_modules, ViewOf(m_current), word, columns);
    ClipboardSetText(text.c_str(), static_cast<int>(text.size()));
}

LRESULT CDataWnd::OnCopy(WPARAM, LPARAM)
{
    CopyRow(0);
    return 0;
}

void CDataWnd::PostGotoRow(int item)
{
    CFastListCtrl& list = m_lists[m_current];
    const DWORD word = static_cast<DWORD>(list.SendMessage(FLM_GETITEMDATA, 0, item));
    const OutputRow* row = m_modules.GetRow(m_current, static_cast<int>(word & DW_ROW_MASK), nullptr, nullptr,
                                            nullptr, nullptr);
    if (!row)
        return;
    const UINT id = static_cast<UINT>(GetDlgCtrlID());
    const UINT message = 0x4800 + (id & 0x3FF);
    const LPARAM lParam = static_cast<LPARAM>((id & 0xFFFF) | (static_cast<uint32_t>(row->size) <= 65535 ? row->size << 16 : 0));
    CWnd* main = AfxGetMainWnd();
    if (!main)
        return;
    if (main->IsKindOf(RUNTIME_CLASS(CFrameWnd))) {
        if (CView* view = static_cast<CFrameWnd*>(main)->GetActiveView())
            view->PostMessage(message, static_cast<WPARAM>(row->dataOffset), lParam);
    }
    main->PostMessage(message, static_cast<WPARAM>(row->dataOffset), lParam);
}

// ---------------------------------------------------------------------------------------------
// Notifications, menu and commands

BOOL CDataWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return CWnd::OnNotify(wParam, lParam, pResult);
    if (header->idFrom == IDC_STRIP && header->code == 1) {
        const LabelNotify* n = reinterpret_cast<const LabelNotify*>(lParam);
        SelectSlot(n->current);
        return TRUE;
    }
    if (header->idFrom != IDC_LIST || header->hwndFrom != m_lists[m_current].m_hWnd)
        return CWnd::OnNotify(wParam, lParam, pResult);
    switch (static_cast<int>(header->code)) {
    case static_cast<int>(NM_RCLICK): {
        POINT screen;
        ::GetCursorPos(&screen);
        m_clickPoint = screen;
        ::ScreenToClient(header->hwndFrom, &m_clickPoint);
        ShowContextMenu(screen);
        return TRUE;
    }
    case static_cast<int>(NM_RETURN):
        ToggleRow(FocusedItem(), 0);
        return TRUE;
    case static_cast<int>(LVN_KEYDOWN): {
        const NMLVKEYDOWN* key = reinterpret_cast<const NMLVKEYDOWN*>(lParam);
        const bool ctrl = (::GetKeyState(VK_CONTROL) & 0x8000) != 0;
        // Enter toggles through the list's return notification above alone: the list reports
        // the same press as this key down after it, and a second toggle here would close the
        // row Enter had just opened, so that Enter never opened or closed anything.
        if (key->wVKey == VK_SPACE)
            ToggleRow(FocusedItem(), 0);
        else if (ctrl && (key->wVKey == VK_INSERT || key->wVKey == 'C'))
            CopyRow(0);
        else if (key->wVKey == VK_TAB && FocusedItem() >= 0)
            PostGotoRow(FocusedItem());
        return TRUE;
    }
    case static_cast<int>(NM_DBLCLK): {
        const NMITEMACTIVATE* act = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        if (act->iItem >= 0)
            PostGotoRow(act->iItem);
        return TRUE;
    }
    case FLN_GLYPHCLICK: {
        const NMLISTVIEW* lv = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (lv->iSubItem > 7)
            ToggleRow(lv->iItem, 0);
        return TRUE;
    }
    default:
        break;
    }
    return CWnd::OnNotify(wParam, lParam, pResult);
}

void CDataWnd::ShowContextMenu(POINT screen)
{
    HMENU menu = ::CreatePopupMenu();
    auto item = [&](UINT id, const char* text, bool checked = false) {
        ::AppendMenuA(menu, MF_STRING | (checked ? MF_CHECKED : 0), id, text);
    };
    item(ID_DW_COPY_FIELD, "Feld kopieren");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    if (!(m_style & DWS_NO_MODULE_MENU)) {
        item(ID_DW_LOAD_MODUL, "&Modul laden");
        item(ID_DW_LOAD_LIST, "Modulliste &laden");
        item(ID_DW_CLEAR_MODULES, "Module lö&schen");
        item(ID_DW_ADD_TO_LIST, "&Datei in Modulliste");
        item(ID_DW_REMOVE_FROM_LIST, "Datei a&us Modulliste");
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    item(ID_DW_SHOW_ADDRESSES, "&Adressen anzeigen", m_showAddresses != 0);
    item(ID_DW_SHOW_LENGTHS, "Län&gen anzeigen", m_showLengths != 0);
    item(ID_DW_SHOW_OFFSETS, "&Offsets anzeigen", m_showOffsets != 0);
    item(ID_DW_ALTERNATE, "Abwechselnde Farben", m_alternate != 0);
    item(ID_DW_FIXED_FONT, "Fixe Schrift", m_fixedFont != 0);
    item(ID_DW_LINES, "&Linien", m_lines != 0);
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    item(ID_DW_REFRESH, "&Aktualisieren");
    if (!(m_style & DWS_NO_PROPERTIES))
        item(ID_DW_PROPERTIES, "&Eigenschaften");
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
}

BOOL CDataWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case ID_DW_SHOW_ADDRESSES: SetViewOptions(-1, -1, !m_showAddresses, -1, -1, -1, true); return TRUE;
    case ID_DW_SHOW_LENGTHS: SetViewOptions(-1, !m_showLengths, -1, -1, -1, -1, true); return TRUE;
    case ID_DW_SHOW_OFFSETS: SetViewOptions(!m_showOffsets, -1, -1, -1, -1, -1, true); return TRUE;
    case ID_DW_FIXED_FONT: SetViewOptions(-1, -1, -1, !m_fixedFont, -1, -1, true); return TRUE;
    case ID_DW_LINES: SetViewOptions(-1, -1, -1, -1, !m_lines, -1, true); return TRUE;
    case ID_DW_ALTERNATE: SetViewOptions(-1, -1, -1, -1, -1, !m_alternate, true); return TRUE;
    case ID_DW_REFRESH: RefreshCurrentSlot(); return TRUE;
    case ID_DW_PROPERTIES: OnProperties(); return TRUE;
    case ID_DW_COPY_FIELD: CopyRow(1); return TRUE;
    case ID_DW_LOAD_MODUL: OnLoadModul(false, kSection); return TRUE;
    case ID_DW_ADD_TO_LIST: OnLoadModul(true, kSection); return TRUE;
    case ID_DW_LOAD_LIST: LoadModulList(kSection); return TRUE;
    case ID_DW_REMOVE_FROM_LIST: OnRemoveFromModulList(); return TRUE;
    case ID_DW_CLEAR_MODULES: ClearModules(); return TRUE;
    default: break;
    }
    return CWnd::OnCommand(wParam, lParam);
}

int CDataWnd::OnProperties()
{
    CDataOptionsDlg dialog(this);
    dialog.m_showOffsets = m_showOffsets;
    dialog.m_showLengths = m_showLengths;
    dialog.m_showAddresses = m_showAddresses;
    dialog.m_fixedFont = m_fixedFont;
    dialog.m_lines = m_lines;
    dialog.m_maxRows = m_maxRows;
    dialog.m_length = m_length[m_current];
    dialog.m_modules = &m_modules;
    dialog.m_startOffset = m_startOffset[m_current];
    dialog.m_entry = m_entry[m_current];
    dialog.m_source = m_source[m_current];
    if (!Prompts().RunOptions(dialog))
        return 0;
    const bool layout = SetViewOptions(dialog.m_showOffsets, dialog.m_showLengths, dialog.m_showAddresses,
                                       dialog.m_fixedFont, dialog.m_lines, -1, false) != 0;
    // The budget as SetMaxRows keeps it: a list word holds the row in 14 bits.
    const int maxRows = dialog.m_maxRows < 0 ? 0 : dialog.m_maxRows > kMaxRowBudget ? kMaxRowBudget : dialog.m_maxRows;
    const int slot = m_current;
    if (dialog.m_startOffset != m_startOffset[slot] || dialog.m_length != m_length[slot] || maxRows != m_maxRows
        || dialog.m_entry != m_entry[slot] || dialog.m_source != m_source[slot]) {
        m_startOffset[slot] = dialog.m_startOffset;
        m_length[slot] = dialog.m_length;
        m_maxRows = maxRows;
        ChooseEntry(slot, dialog.m_source, dialog.m_entry);
        if (static_cast<int64_t>(m_startOffset[slot]) + m_length[slot] > m_size[slot])
            m_length[slot] = m_size[slot] - m_startOffset[slot];
        if (m_length[slot] < 0)
            m_length[slot] = 0;
        Refresh(true, slot);
    }
    if (layout) {
        LayOut();
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        return 2;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// State

int CDataWnd::SaveState(const char* section)
{
    CRegistry reg;
    if (!reg.OpenAppKey() || !reg.OpenSubKey(section, 0))
        return 0;
    for (int slot = 0; slot < m_slotCount; ++slot) {
        char name[32];
        const char* source = m_modules.GetSourceName(m_source[slot]);
        const char* entry = m_modules.GetEntryName(m_entry[slot]);
        StrPrintf(name, "Modulname%i", slot + 1);
        reg.WriteString(source ? source : "", name);
        StrPrintf(name, "Blockname%i", slot + 1);
        reg.WriteString(entry ? entry : "", name);
    }
    const DWORD style = (m_showOffsets ? 0x20 : 0) | (m_showLengths ? 0x40 : 0) | (m_showAddresses ? 0x10 : 0)
                        | (m_fixedFont ? 0x80 : 0) | (m_lines ? 0x200 : 0);
    return reg.WriteDword(style, "Style") ? 1 : 0;
}

int CDataWnd::LoadState(const char* section)
{
    CRegistry reg;
    if (!reg.OpenPath(nullptr, REGISTRY_READ) || !reg.OpenSubKey(section, 1))
        return 0;
    for (int slot = 0; slot < m_slotCount; ++slot) {
        char name[32], sourceName[kMaxStateName + 1], entryName[kMaxStateName + 1];
        StrPrintf(name, "Modulname%i", slot + 1);
        const bool haveSource = reg.ReadString(sourceName, sizeof sourceName, name) != 0;
        StrPrintf(name, "Blockname%i", slot + 1);
        const bool haveEntry = reg.ReadString(entryName, sizeof entryName, name) != 0;
        if (!haveSource || !haveEntry)
            continue;
        const int source = m_modules.FindSource(sourceName);
        if (source < 0)
            continue;
        // Within that source's own entries, source 0 too: another module may have a block of
        // the same name.
        const int first = m_modules.GetSourceFirstEntry(source);
        const int end = m_modules.GetSourceEndEntry(source);
        for (int e = first; e < end; ++e)
            if (std::strcmp(m_modules.GetEntryName(e), entryName) == 0) {
                ChooseEntry(slot, source, e);
                break;
            }
    }
    DWORD style = 0;
    if (!reg.ReadDword(&style, "Style"))
        return 0;
    SetViewOptions((style & 0x20) != 0, (style & 0x40) != 0, (style & 0x10) != 0, (style & 0x80) != 0,
                   (style & 0x200) != 0, 1, true);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Modules

int CDataWnd::LoadModul(const char* path, const char* name)
{
    CDataStream errors(4096);
    errors.OpenMemory(nullptr, 0, STREAM_CREATE);
    m_modules.SetErrorStream(&errors);
    const int result = m_modules.LoadFile(path, name);
    m_modules.SetErrorStream(nullptr);
    errors.Close();
    int size = 0;
    char* text = static_cast<char*>(errors.TakeMemoryBlock(&size));
    const char* filePart = path ? path : "";
    for (const char* p = filePart; *p; ++p)
        if (*p == '\\' || *p == '/')
            filePart = p + 1;
    char question[MAX_PATH + 80];
    char caption[MAX_PATH + 32];
    StrNPrintf(caption, sizeof caption, "Modulfehler in %s", filePart);
    if (result != 0) {
        if (m_modules.GetErrorCount() > 0) {
            StrNPrintf(question, sizeof question, "Modul %s ist fehlerhaft\nFehler anzeigen ?", path ? path : "");
            if (Prompts().Box(m_hWnd, question, "Modul Fehler", MB_YESNO | MB_ICONSTOP) == IDYES)
                Prompts().ShowErrors(m_hWnd, caption, text ? text : "");
        }
        for (int slot = 0; slot < kMaxSlots; ++slot)
            if (m_source[slot] == -1 || m_entry[slot] == -1) {
                m_source[slot] = 0;
                m_entry[slot] = 0;
            }
        LabelSlotsByEntries();
    } else {
        StrNPrintf(question, sizeof question, "Modul %s konnte nicht geladen werden !\nFehler anzeigen ?",
                   path ? path : "");
        if (Prompts().Box(m_hWnd, question, "Modul Fehler", MB_YESNO | MB_ICONSTOP) == IDYES)
            Prompts().ShowErrors(m_hWnd, caption, text ? text : "");
    }
    free(text);
    return result != 0 ? 1 : 0;
}

void CDataWnd::OnLoadModul(bool addToList, const char* section)
{
    char folder[MAX_PATH] = {};
    {
        CRegistry reg;
        if (!reg.OpenPath(nullptr, REGISTRY_READ) || !reg.OpenSubKey(section, 1)
            || !reg.ReadString(folder, sizeof folder, "ModulPath") || !folder[0])
            ::GetCurrentDirectoryA(sizeof folder, folder);
    }
    std::vector<std::string> paths;
    if (!Prompts().ChooseModuleFiles(m_hWnd, folder, &paths) || paths.empty())
        return;
    for (const std::string& path : paths) {
        if (addToList)
            AddToModulList(path.c_str(), section);
        LoadModul(path.c_str(), nullptr);
    }
    std::string last = paths.back();
    const size_t cut = last.find_last_of("\\/");
    if (cut != std::string::npos) {
        CRegistry reg;
        if (reg.OpenAppKey() && reg.OpenSubKey(section, 0))
            reg.WriteString(last.substr(0, cut).c_str(), "ModulPath");
    }
}

int CDataWnd::LoadModulList(const char* section)
{
    std::vector<std::string> paths;
    if (!ReadModulList(section, &paths))
        return 0;
    int loaded = 0;
    // Mends a frozen start: the list, loaded at every start, once held the window for minutes
    // over files that were each below the bound of one file.
    m_modules.LimitLoadedBytes(CModulSet::kMaxListBytes);
    for (const std::string& path : paths)
        loaded += LoadModul(path.c_str(), nullptr);
    m_modules.LimitLoadedBytes(-1);
    return loaded;
}

int CDataWnd::AddToModulList(const char* path, const char* section)
{
    return ::AddToModulList(section, path);
}

int CDataWnd::RemoveFromModulList(const char* path, const char* section)
{
    return ::RemoveFromModulList(section, path);
}

void CDataWnd::OnRemoveFromModulList()
{
    std::vector<std::string> paths;
    ReadModulList(kSection, &paths);
    if (paths.empty()) {
        Prompts().Box(m_hWnd, "Es sind keine Module geladen !", "Warnung", MB_OK | MB_ICONWARNING);
        return;
    }
    std::vector<int> chosen;
    if (!Prompts().ChoosePathsToRemove(m_hWnd, paths, &chosen))
        return;
    for (int i : chosen)
        if (i >= 0 && i < static_cast<int>(paths.size()))
            RemoveFromModulList(paths[static_cast<size_t>(i)].c_str(), kSection);
}

void CDataWnd::ClearModules()
{
    m_modules.RemoveAll();
    for (int slot = 0; slot < kMaxSlots; ++slot) {
        m_items[slot].clear();
        SyncItems(slot);
    }
    LabelSlotsByEntries();
}

LRESULT CDataWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // An exception must not unwind through the system's window procedure: that ends the
    // program. What failed is dropped; module loads and runs report their own failures.
    try {
        return CWnd::WindowProc(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}
