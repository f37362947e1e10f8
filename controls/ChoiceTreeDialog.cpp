#include "controls/ChoiceTreeDialog.h"

#include <algorithm>
#include <new>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <utility>
#include <vector>
#include "classlib/DlgTemplate.h"
#include "controls/TreeListCtrl.h"
#include "services/CaseFold.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/MessageBoxTexts.h"
#include "uihelpers/PopupHelpers.h"

namespace {

// Shared by all instances for the run: the last closing position, and the sort.
ChoicePlacement g_last = { { 0, 0 }, false };
int g_sortColumn = -1;
int g_sortDirection = 1;
int g_lastClicked = -1;
CChoiceTreeDialog* g_sorting = nullptr;

const DLGTEMPLATE* TreeTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        built = b.Begin("Auswahl", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 225, 184, "MS Sans Serif", 8,
                        FALSE)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 55, 165, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 120, 165, 50, 14)
            && b.AddStatic(CChoiceTreeDialog::IDC_CHOICE_PROMPT, "", SS_LEFT, 5, 3, 215, 8)
            && b.AddStatic(CChoiceTreeDialog::IDC_PLACEHOLDER, "", SS_LEFT, 0, 15, 225, 145);
        if (!built)
            return nullptr;
    }
    return b.GetTemplate();
}

int CompareTexts(const char* a, const char* b)
{
    int r = CompareBytes1252(a, static_cast<int>(strlen(a)), b, static_cast<int>(strlen(b)), true);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

char* DuplicateText(LPCSTR text)
{
    if (!text)
        text = "";
    size_t n = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(n));
    if (copy)
        memcpy(copy, text, n);
    return copy;
}

HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

}  // namespace

CChoiceTreeDialog::CChoiceTreeDialog(CWnd* pParent)
    : m_nResultValue(0), m_dwOptions(0), m_bCancelAllowed(1), m_bSizeChanged(0), m_nCurrent(-1), m_nSecond(-1),
      m_pColumns(nullptr), m_nColumnCapacity(0), m_nColumnCount(0), m_ppItems(nullptr), m_nItemCount(0), m_nCapacity(0),
      m_pFields(nullptr), m_nFieldCapacity(0), m_nFieldCount(0), m_nWidthFactor(0), m_nHeightFactor(0), m_bFocusList(0),
      m_nMenuItem(-1), m_nMenuColumn(0), m_pTree(nullptr)
{
    m_pParentWnd = pParent;
    InitModalIndirect(TreeTemplate(), pParent);
}

CChoiceTreeDialog::~CChoiceTreeDialog()
{
    delete m_pTree;
    FreeChoiceItems(m_ppItems, m_nItemCount);
    for (int i = 0; i < m_nFieldCount; ++i)
        free(m_pFields[i].text);
    free(m_pFields);
    for (int i = 0; i < m_nColumnCount; ++i)
        free(m_pColumns[i].text);
    free(m_pColumns);
}

// --- the tables

int CChoiceTreeDialog::AddColumn(LPCSTR text, WORD width, BYTE format, BYTE flag)
{
    // The tree list holds 32 columns: a further one was taken here and then refused by the
    // control, and its fields landed nowhere while the call said it was added.
    if (m_nItemCount > 0 || m_nColumnCount >= 32)
        return -1;
    if (m_nColumnCount == m_nColumnCapacity) {
        int grown = m_nColumnCapacity ? m_nColumnCapacity * 2 : 4;
        void* table = realloc(m_pColumns, static_cast<size_t>(grown) * sizeof(ChoiceTreeColumn));
        if (!table)
            return -1;
        m_pColumns = static_cast<ChoiceTreeColumn*>(table);
        m_nColumnCapacity = grown;
    }
    char* copy = DuplicateText(text);
    if (!copy)
        return -1;
    ChoiceTreeColumn& c = m_pColumns[m_nColumnCount];
    c.text = copy;
    c.width = static_cast<short>(width);
    c.format = format;
    c.flag = flag;
    return m_nColumnCount++;
}

int CChoiceTreeDialog::AddItem(int index, DWORD value, LPCSTR text, int selected)
{
    int at = InsertChoiceItem(&m_ppItems, &m_nItemCount, &m_nCapacity, index, value, text, selected);
    // Fields name their items by index: the items behind the new one moved one place on.
    // Left as they were, the further columns showed the texts of the neighbouring item.
    if (at >= 0 && at < m_nItemCount - 1)
        for (int i = 0; i < m_nFieldCount; ++i)
            if (m_pFields[i].item >= at)
                ++m_pFields[i].item;
    return at;
}

ChoiceTreeField* CChoiceTreeDialog::Field(int item, int column) const
{
    for (int i = 0; i < m_nFieldCount; ++i)
        if (m_pFields[i].item == item && m_pFields[i].column == column)
            return &m_pFields[i];
    return nullptr;
}

int CChoiceTreeDialog::SetItemText(int item, LPCSTR text)
{
    if (item < 0 || item >= m_nItemCount)
        return 0;
    if (!text)
        text = "";
    size_t n = strlen(text);
    ChoiceItem* old = m_ppItems[item];
    ChoiceItem* grown = static_cast<ChoiceItem*>(malloc(offsetof(ChoiceItem, text) + n + 1));
    if (!grown)
        return 0;
    grown->value = old->value;
    grown->selected = old->selected;
    memcpy(grown->text, text, n + 1);
    m_ppItems[item] = grown;
    free(old);
    return 1;
}

int CChoiceTreeDialog::SetFieldText(int item, LPCSTR text, int column)
{
    if (column == 0)
        return SetItemText(item, text);
    if (item < 0 || item >= m_nItemCount || item > 0xFFFF || column < 1 || column >= m_nColumnCount)
        return 0;
    char* copy = DuplicateText(text);
    if (!copy)
        return 0;
    if (ChoiceTreeField* f = Field(item, column)) {
        free(f->text);
        f->text = copy;
        return 1;
    }
    if (m_nFieldCount == m_nFieldCapacity) {
        int grown = m_nFieldCapacity + m_nFieldCapacity / 2 + 32;
        void* table = realloc(m_pFields, static_cast<size_t>(grown) * sizeof(ChoiceTreeField));
        if (!table) {
            free(copy);
            return 0;
        }
        m_pFields = static_cast<ChoiceTreeField*>(table);
        m_nFieldCapacity = grown;
    }
    ChoiceTreeField& f = m_pFields[m_nFieldCount++];
    f.text = copy;
    f.item = static_cast<WORD>(item);
    f.column = static_cast<BYTE>(column);
    return 1;
}

LPCSTR CChoiceTreeDialog::GetItemText(int item) const
{
    return item >= 0 && item < m_nItemCount ? m_ppItems[item]->text : nullptr;
}

LPCSTR CChoiceTreeDialog::GetFieldText(int item, int column) const
{
    if (item < 0 || item >= m_nItemCount)
        return nullptr;
    if (column == 0)
        return m_ppItems[item]->text;
    const ChoiceTreeField* f = Field(item, column);
    return f ? f->text : "";
}

int CChoiceTreeDialog::CopyFieldText(int item, int column, LPSTR buffer, int size) const
{
    LPCSTR text = GetFieldText(item, column);
    return text ? CopyTextToBuffer(text, buffer, size) : 0;
}

DWORD CChoiceTreeDialog::GetItemValue(int item) const
{
    return item >= 0 && item < m_nItemCount ? m_ppItems[item]->value : 0;
}

DWORD CChoiceTreeDialog::SetItemValue(int item, DWORD value)
{
    if (item < 0 || item >= m_nItemCount)
        return 0;
    DWORD old = m_ppItems[item]->value;
    m_ppItems[item]->value = value;
    return old;
}

int CChoiceTreeDialog::IsItemSelected(int item) const
{
    return item >= 0 && item < m_nItemCount ? m_ppItems[item]->selected : 0;
}

int CChoiceTreeDialog::FindItem(LPCSTR text, int ignoreCase)
{
    int at = FindChoiceItem(m_ppItems, m_nItemCount, text, ignoreCase);
    if (at >= 0)
        m_nCurrent = at;
    return at;
}

void CChoiceTreeDialog::SortItems(int(__cdecl* comparator)(const void*, const void*))
{
    if (!comparator || m_nItemCount < 2)
        return;
    // Fields follow their items to the new places; left behind, a sorted row showed the
    // further columns of another item.
    std::vector<std::pair<ChoiceItem*, int>> before;
    for (int i = 0; i < m_nItemCount; ++i)
        before.push_back({ m_ppItems[i], i });
    qsort(m_ppItems, static_cast<size_t>(m_nItemCount), sizeof(ChoiceItem*), comparator);
    std::sort(before.begin(), before.end());
    std::vector<int> moved(static_cast<size_t>(m_nItemCount));
    for (int j = 0; j < m_nItemCount; ++j) {
        auto at = std::lower_bound(before.begin(), before.end(), std::make_pair(m_ppItems[j], -1));
        moved[static_cast<size_t>(at->second)] = j;
    }
    for (int i = 0; i < m_nFieldCount; ++i)
        m_pFields[i].item = static_cast<WORD>(moved[m_pFields[i].item]);
}

int CChoiceTreeDialog::CopyText(LPSTR buffer, int size) const
{
    return CopyTextToBuffer(m_strResult, buffer, size);
}

BOOL CChoiceTreeDialog::GetLastPosition(POINT* position)
{
    if (!g_last.valid)
        return FALSE;
    if (position)
        *position = g_last.position;
    return TRUE;
}

// --- the control's rows

HWND CChoiceTreeDialog::Tree() const
{
    return m_pTree ? m_pTree->m_hWnd : nullptr;
}

HTREEITEM CChoiceTreeDialog::RowOfItem(int item) const
{
    return m_pTree && m_pTree->m_hWnd ? m_pTree->FindItem(TVI_ROOT, TLF_CHILDREN | TLF_DATA, 0, nullptr, item, 0, 0) : nullptr;
}

bool CChoiceTreeDialog::Ticked(HTREEITEM row) const
{
    HWND tree = Tree();
    UINT state = static_cast<UINT>(::SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(row), 0));
    if (m_dwOptions & OPT_CHECKBOXES)
        return (state & 0xF000) == 0x2000;
    return (state & TVIS_SELECTED) != 0;
}

void CChoiceTreeDialog::SetTick(HTREEITEM row, bool on)
{
    TVITEMA item = {};
    item.mask = TVIF_STATE;
    item.hItem = row;
    if (m_dwOptions & OPT_CHECKBOXES) {
        item.stateMask = 0xF000;
        item.state = on ? 0x2000 : 0x1000;
    } else {
        item.stateMask = TVIS_SELECTED;
        item.state = on ? TVIS_SELECTED : 0;
    }
    ::SendMessageA(Tree(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int CALLBACK CChoiceTreeDialog::CompareRows(HWND, UINT, UINT, LPARAM data1, LPARAM data2, LPARAM column)
{
    const CChoiceTreeDialog* self = g_sorting;
    if (!self)
        return 0;
    LPCSTR a = self->GetFieldText(static_cast<int>(data1), static_cast<int>(column));
    LPCSTR b = self->GetFieldText(static_cast<int>(data2), static_cast<int>(column));
    int r = CompareTexts(a ? a : "", b ? b : "") * g_sortDirection;
    if (r)
        return r;
    return data1 < data2 ? -1 : (data1 > data2 ? 1 : 0);   // ties keep the parameters' order
}

void CChoiceTreeDialog::SortByColumn(int column)
{
    if ((m_dwOptions & OPT_NOSORT) || !Tree())
        return;
    g_sortDirection = column == g_lastClicked ? -g_sortDirection : 1;
    g_lastClicked = column;
    g_sortColumn = column;
    TreeListSort sort = { TVI_ROOT, &CChoiceTreeDialog::CompareRows, column };
    g_sorting = this;
    ::SendMessageA(Tree(), TLM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&sort));
    g_sorting = nullptr;
}

void CChoiceTreeDialog::SetAll(bool on)
{
    HWND tree = Tree();
    if (!tree)
        return;
    for (UINT row = static_cast<UINT>(::SendMessageA(tree, TVM_GETNEXTITEM, 19, reinterpret_cast<LPARAM>(TVI_ROOT))); row;
         row = static_cast<UINT>(::SendMessageA(tree, TVM_GETNEXTITEM, 19, row)))
        SetTick(Handle(row), on);
}

void CChoiceTreeDialog::ShowContextMenu()
{
    HWND tree = Tree();
    if (!tree)
        return;
    TVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ::ScreenToClient(tree, &hit.pt);
    UINT row = static_cast<UINT>(reinterpret_cast<UINT_PTR>(
        reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)))));
    m_nMenuItem = row ? static_cast<int>(::SendMessageA(tree, TLM_GETITEMDATA, 0, row)) : -1;
    m_nMenuColumn = row ? static_cast<int>(hit.flags >> 24) : 0;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    LPCSTR copy = GetMessageBoxTextA(MBT_COPY_FIELD);
    AppendMenuA(menu, MF_STRING, ID_COPY_FIELD, copy ? copy : "");
    if (m_dwOptions & OPT_DELETEROW) {
        LPCSTR del = GetMessageBoxTextA(MBT_DELETE_LINE);
        AppendMenuA(menu, MF_STRING, ID_DELETE_ROW, del ? del : "");
    }
    if (m_dwOptions & OPT_CHECKBOXES) {
        LPCSTR all = GetMessageBoxTextA(MBT_SELECT_ALL);
        LPCSTR none = GetMessageBoxTextA(MBT_DESELECT_ALL);
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, ID_SELECT_ALL, all ? all : "");
        AppendMenuA(menu, MF_STRING, ID_DESELECT_ALL, none ? none : "");
    }
    POINT pt;
    GetCursorPos(&pt);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
}

// --- the dialog

BOOL CChoiceTreeDialog::OnInitDialog()
{
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_PLACEHOLDER), SW_HIDE);
    const bool checkboxes = (m_dwOptions & OPT_CHECKBOXES) != 0;
    const bool ticks = (m_dwOptions & OPT_TICKS) != 0;
    const bool untitled = m_nColumnCount == 0 && (m_dwOptions & (OPT_HEADER1 | OPT_DELETEROW));
    if (m_nColumnCount > 0 || untitled)
        m_dwOptions |= OPT_HEADER;
    m_pTree = new (std::nothrow) CTreeListCtrl;
    DWORD style = WS_TABSTOP | TVS_FULLROWSELECT | TVS_SHOWSELALWAYS | (checkboxes ? TVS_CHECKBOXES : 0);
    if (m_pTree && !m_pTree->CreateOverControl(WS_EX_CLIENTEDGE, style, IDC_PLACEHOLDER, this, IDC_TREE)) {
        delete m_pTree;
        m_pTree = nullptr;
    }
    HWND tree = Tree();
    std::vector<HTREEITEM> rows;
    if (tree) {
        DWORD ex = 0x10080000;
        if (ticks && !checkboxes)
            ex |= TLX_MULTISELECT;
        if (m_dwOptions & OPT_LINES)
            ex |= TLX_GRIDLINES | TLX_ALTROWS;
        ::SendMessageA(tree, TVM_SETEXTENDEDSTYLE, 0, static_cast<LPARAM>(ex));
        if (untitled) {
            m_pTree->InsertColumn(0, nullptr, -1, -1);
        } else {
            for (int c = 0; c < m_nColumnCount; ++c) {
                const ChoiceTreeColumn& col = m_pColumns[c];
                m_pTree->InsertColumn(c, col.text, col.format, col.width);
                if (col.flag & kColumnHidden)
                    m_pTree->SetColumnLayout(c, TRUE, -1, -1);
            }
        }
        for (int i = 0; i < m_nItemCount; ++i) {
            const ChoiceItem* item = m_ppItems[i];
            UINT mask = TVIF_TEXT | TVIF_PARAM, state = 0, stateMask = 0;
            if (ticks && checkboxes) {
                mask |= TVIF_STATE;
                state = item->selected ? 0x2000 : 0x1000;
                stateMask = 0xF000;
            } else if (ticks) {
                mask |= TVIF_STATE;
                state = item->selected ? TVIS_SELECTED : 0;
                stateMask = TVIS_SELECTED;
            }
            rows.push_back(m_pTree->InsertItem(mask, item->text, 0, 0, state, stateMask, i, TVI_ROOT, TVI_LAST));
        }
        for (int f = 0; f < m_nFieldCount; ++f) {
            const ChoiceTreeField& field = m_pFields[f];
            if (field.item >= rows.size() || !rows[field.item])
                continue;
            TVITEMA cell = {};
            cell.mask = TVIF_TEXT | TLIF_CELL;
            cell.hItem = rows[field.item];
            cell.pszText = field.text;
            cell.cChildren = field.column;
            ::SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&cell));
        }
    }
    m_layout.Measure(m_hWnd, tree, m_bCancelAllowed != 0);
    if (m_bFocusList && tree)
        PostMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree), TRUE);
    if (m_strPrompt.IsEmpty())
        m_layout.ShiftForEmptyPrompt();
    m_layout.Place(m_hWnd, g_last, m_nWidthFactor, m_nHeightFactor);
    if (!m_bCancelAllowed)
        ::ShowWindow(::GetDlgItem(m_hWnd, IDCANCEL), SW_HIDE);
    RECT client;
    GetClientRect(&client);
    m_layout.LayOut(m_hWnd, tree, client.right, client.bottom);

    if (!ticks) {
        // One choice: the flags are cleared, the last flagged item remembered.
        int flagged = -1;
        for (int i = 0; i < m_nItemCount; ++i) {
            if (m_ppItems[i]->selected)
                flagged = i;
            m_ppItems[i]->selected = 0;
        }
        if (m_nCurrent <= -2) {
            m_nCurrent = -1;
        } else {
            if (m_nCurrent < 0)
                m_nCurrent = flagged;
            if (m_nCurrent >= m_nItemCount || m_nCurrent == -1)
                m_nCurrent = 0;
            if (m_nCurrent >= m_nItemCount) {
                m_nCurrent = -1;
            } else {
                m_ppItems[m_nCurrent]->selected = 1;
                if (tree && static_cast<size_t>(m_nCurrent) < rows.size()) {
                    HTREEITEM row = rows[static_cast<size_t>(m_nCurrent)];
                    ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(row));
                    if (checkboxes)
                        SetTick(row, true);
                    ::SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(row));
                }
            }
        }
    }
    CDialog::OnInitDialog();
    SetChoiceTexts(m_hWnd, m_strCaption, m_strPrompt, IDC_CHOICE_PROMPT);
    return TRUE;
}

void CChoiceTreeDialog::OnOK()
{
    m_layout.Remember(m_hWnd, &g_last);
    HWND tree = Tree();
    int last = -1;
    if (tree) {
        // Rows deleted meanwhile keep no tick: an item whose row the user deleted came back
        // as chosen when it had been ticked before.
        for (int i = 0; i < m_nItemCount; ++i)
            m_ppItems[i]->selected = 0;
        for (UINT row = static_cast<UINT>(::SendMessageA(tree, TVM_GETNEXTITEM, 19, reinterpret_cast<LPARAM>(TVI_ROOT)));
             row; row = static_cast<UINT>(::SendMessageA(tree, TVM_GETNEXTITEM, 19, row))) {
            int item = static_cast<int>(::SendMessageA(tree, TLM_GETITEMDATA, 0, row));
            if (item < 0 || item >= m_nItemCount)
                continue;
            bool on = Ticked(Handle(row));
            m_ppItems[item]->selected = on ? 1 : 0;
            if (on)
                last = item;
        }
    }
    m_nCurrent = last;
    if (last >= 0) {
        m_strResult = m_ppItems[last]->text;
        m_nResultValue = m_ppItems[last]->value;
    } else {
        m_strResult.Empty();
        m_nResultValue = 0;
    }
    EndDialog(IDOK);
}

void CChoiceTreeDialog::OnCancel()
{
    if (!m_bCancelAllowed)
        return;
    m_layout.Remember(m_hWnd, &g_last);
    m_strResult.Empty();
    m_nCurrent = -1;
    EndDialog(IDCANCEL);
}

BOOL CChoiceTreeDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case ID_COPY_FIELD:
        if (m_nMenuItem >= 0) {
            LPCSTR text = GetFieldText(m_nMenuItem, m_nMenuColumn);
            if (text)
                ClipboardSetText(text);
        }
        return TRUE;
    case ID_DELETE_ROW:
        if ((m_dwOptions & OPT_DELETEROW) && m_nMenuItem >= 0) {
            if (HTREEITEM row = RowOfItem(m_nMenuItem))
                ::SendMessageA(Tree(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(row));
            m_nMenuItem = -1;
        }
        return TRUE;
    case ID_SELECT_ALL:
    case ID_DESELECT_ALL:
        if (m_dwOptions & OPT_CHECKBOXES)
            SetAll(LOWORD(wParam) == ID_SELECT_ALL);
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

BOOL CChoiceTreeDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (!hdr || hdr->idFrom != IDC_TREE || !Tree() || hdr->hwndFrom != Tree())
        return CDialog::OnNotify(wParam, lParam, pResult);
    LRESULT result = 0;
    switch (hdr->code) {
    case HDN_ITEMCLICKA:
        SortByColumn(reinterpret_cast<NMHEADERA*>(lParam)->iItem);
        break;
    case static_cast<UINT>(NM_DBLCLK): {
        NMTREEVIEWA* nm = reinterpret_cast<NMTREEVIEWA*>(lParam);
        HTREEITEM row = nm->itemNew.hItem;
        if (!row)
            break;
        if (m_dwOptions & OPT_CHECKBOXES)
            SetTick(row, !Ticked(row));
        else if (!(m_dwOptions & OPT_TICKS))
            OnOK();
        result = 1;   // no expand toggle
        break;
    }
    case static_cast<UINT>(NM_RETURN):
        OnOK();
        break;
    case static_cast<UINT>(NM_RCLICK):
        ShowContextMenu();
        result = 1;
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    if (pResult)
        *pResult = result;
    return TRUE;
}

LRESULT CChoiceTreeDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZING:
        m_layout.Sizing(wParam, reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_SIZE:
        if (m_layout.Measured()) {
            m_bSizeChanged = 1;
            m_layout.LayOut(m_hWnd, Tree(), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        }
        break;
    case WM_DESTROY:
        if (m_pTree) {
            m_pTree->DestroyWindow();
            delete m_pTree;
            m_pTree = nullptr;
        }
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
