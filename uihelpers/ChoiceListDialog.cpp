#include "uihelpers/ChoiceListDialog.h"

#include <commctrl.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include "classlib/DlgTemplate.h"
#include "services/CaseFold.h"
#include "uihelpers/MessageBoxTexts.h"
#include "uihelpers/PopupHelpers.h"

namespace {

// Shared by all instances for the whole run.
ChoicePlacement g_last = { { 0, 0 }, false };
HPEN g_darkGreenPen = NULL;     // the check mark's 2-pixel stroke
HPEN g_greenPen = NULL;         // its 1-pixel highlight
bool g_inWheel = false;         // the list hands unused wheel turns back to its parent

void DeletePens()
{
    if (g_darkGreenPen)
        DeleteObject(g_darkGreenPen);
    if (g_greenPen)
        DeleteObject(g_greenPen);
    g_darkGreenPen = g_greenPen = NULL;
}

void CreatePens()
{
    if (g_darkGreenPen || g_greenPen)
        return;
    g_darkGreenPen = CreatePen(PS_SOLID, 2, RGB(0, 128, 0));
    g_greenPen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
    atexit(&DeletePens);
}

const DLGTEMPLATE* ChoiceTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        const DWORD list = WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        built = b.Begin("Auswahl", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 227, 171,
                        "MS Sans Serif", 8, FALSE)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 150, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 125, 150, 50, 14)
            && b.AddStatic(CChoiceListDialog::IDC_CHOICE_PROMPT, "", SS_LEFT, 5, 7, 215, 8)
            && b.AddListBox(CChoiceListDialog::IDC_CHOICE_LIST, list, 5, 20, 215, 125)
            && b.AddListBox(CChoiceListDialog::IDC_CHOICE_MULTI, list | LBS_MULTIPLESEL, 5, 20, 215, 125)
            && b.AddListBox(CChoiceListDialog::IDC_CHOICE_CHECK_ONE, list | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                            5, 20, 215, 125)
            && b.AddListBox(CChoiceListDialog::IDC_CHOICE_CHECK_MANY, list | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                            5, 20, 215, 125);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

int ListIdOfMode(int mode)
{
    switch (mode) {
    case CChoiceListDialog::MODE_MULTIPLE: return CChoiceListDialog::IDC_CHOICE_MULTI;
    case CChoiceListDialog::MODE_CHECK_ONE: return CChoiceListDialog::IDC_CHOICE_CHECK_ONE;
    case CChoiceListDialog::MODE_CHECK_MANY: return CChoiceListDialog::IDC_CHOICE_CHECK_MANY;
    default: return CChoiceListDialog::IDC_CHOICE_LIST;
    }
}

int CompareTexts(const char* a, const char* b)
{
    int r = CompareBytes1252(a, static_cast<int>(strlen(a)), b, static_cast<int>(strlen(b)), true);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// Type-ahead folds only these: a-z and the small accented letters of code page 1252.
unsigned char FoldTypeAhead(unsigned char ch)
{
    if ((ch >= 'a' && ch <= 'z') || (ch >= 0xE0 && ch <= 0xFE))
        return static_cast<unsigned char>(ch - 32);
    return ch;
}

bool BeginsWithFolded(const char* text, const char* prefix, DWORD count)
{
    for (DWORD i = 0; i < count; ++i) {
        unsigned char t = static_cast<unsigned char>(text[i]);
        if (t == 0 || FoldTypeAhead(t) != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

}  // namespace

int __cdecl CompareChoiceText(const void* a, const void* b)
{
    const ChoiceItem* x = *static_cast<const ChoiceItem* const*>(a);
    const ChoiceItem* y = *static_cast<const ChoiceItem* const*>(b);
    return CompareTexts(x->text, y->text);
}

int __cdecl CompareChoiceValue(const void* a, const void* b)
{
    const ChoiceItem* x = *static_cast<const ChoiceItem* const*>(a);
    const ChoiceItem* y = *static_cast<const ChoiceItem* const*>(b);
    return x->value < y->value ? -1 : (x->value > y->value ? 1 : 0);
}

CChoiceListDialog::CChoiceListDialog(CWnd* pParent)
    : m_nResultValue(0), m_nMode(MODE_PLAIN), m_bCancelAllowed(1), m_nListId(IDC_CHOICE_LIST),
      m_nCurrent(-1), m_ppItems(NULL), m_nItemCount(0), m_nCapacity(0), m_nWidthFactor(0),
      m_nHeightFactor(0), m_bFocusList(0), m_dwTypeTime(0), m_nTypeCount(0)
{
    memset(m_szTypeBuffer, 0, sizeof m_szTypeBuffer);
    m_pParentWnd = pParent;
    InitModalIndirect(ChoiceTemplate(), pParent);
}

CChoiceListDialog::~CChoiceListDialog()
{
    FreeChoiceItems(m_ppItems, m_nItemCount);
}

static bool GrowChoiceTable(ChoiceItem*** items, int count, int* capacity)
{
    if (count < *capacity)
        return true;
    int grown = *capacity ? *capacity * 3 / 2 : 16;
    if (grown <= *capacity)
        grown = *capacity + 16;
    ChoiceItem** table = static_cast<ChoiceItem**>(realloc(*items, static_cast<size_t>(grown) * sizeof(ChoiceItem*)));
    if (!table)
        return false;
    *items = table;
    *capacity = grown;
    return true;
}

int InsertChoiceItem(ChoiceItem*** items, int* count, int* capacity, int index, DWORD value, LPCSTR text,
                     int selected)
{
    if (!text)
        text = "";
    size_t length = strlen(text);
    ChoiceItem* item = static_cast<ChoiceItem*>(malloc(offsetof(ChoiceItem, text) + length + 1));
    if (!item || !GrowChoiceTable(items, *count, capacity)) {
        free(item);
        return -1;
    }
    item->value = value;
    item->selected = selected ? 1 : 0;
    memcpy(item->text, text, length + 1);
    ChoiceItem** table = *items;
    int n = *count;
    int at = n;
    if (index == CChoiceListDialog::INSERT_BY_TEXT) {
        for (int i = 0; i < n; ++i)
            if (CompareTexts(table[i]->text, item->text) > 0) {
                at = i;
                break;
            }
    } else if (index == CChoiceListDialog::INSERT_BY_VALUE) {
        for (int i = 0; i < n; ++i)
            if (table[i]->value > value) {
                at = i;
                break;
            }
    } else if (index >= 0 && index <= n) {
        at = index;
    }
    memmove(table + at + 1, table + at, static_cast<size_t>(n - at) * sizeof(ChoiceItem*));
    table[at] = item;
    *count = n + 1;
    return at;
}

int FindChoiceItem(ChoiceItem* const* items, int count, LPCSTR text, int ignoreCase)
{
    if (!text)
        return -1;
    for (int i = 0; i < count; ++i) {
        const char* t = items[i]->text;
        if (ignoreCase ? CompareTexts(t, text) == 0 : strcmp(t, text) == 0)
            return i;
    }
    return -1;
}

void FreeChoiceItems(ChoiceItem** items, int count)
{
    for (int i = 0; i < count; ++i)
        free(items[i]);
    free(items);
}

int CChoiceListDialog::AddItem(int index, DWORD value, LPCSTR text, int selected)
{
    return InsertChoiceItem(&m_ppItems, &m_nItemCount, &m_nCapacity, index, value, text, selected);
}

LPCSTR CChoiceListDialog::GetItemText(int index) const
{
    return index >= 0 && index < m_nItemCount ? m_ppItems[index]->text : NULL;
}

int CChoiceListDialog::CopyItemText(int index, LPSTR buffer, int size) const
{
    LPCSTR text = GetItemText(index);
    return text ? CopyTextToBuffer(text, buffer, size) : 0;
}

DWORD CChoiceListDialog::GetItemValue(int index) const
{
    return index >= 0 && index < m_nItemCount ? m_ppItems[index]->value : 0;
}

int CChoiceListDialog::IsItemSelected(int index) const
{
    return index >= 0 && index < m_nItemCount ? m_ppItems[index]->selected : 0;
}

void CChoiceListDialog::SetItemSelected(int index, int flag)
{
    if (index >= 0 && index < m_nItemCount)
        m_ppItems[index]->selected = flag ? 1 : 0;
}

int CChoiceListDialog::CopyText(LPSTR buffer, int size) const
{
    return CopyTextToBuffer(m_strResult, buffer, size);
}

int CChoiceListDialog::FindItem(LPCSTR text, int ignoreCase)
{
    int at = FindChoiceItem(m_ppItems, m_nItemCount, text, ignoreCase);
    if (at >= 0)
        m_nCurrent = at;
    return at;
}

void CChoiceListDialog::SortItems(int (__cdecl* comparator)(const void*, const void*))
{
    if (comparator && m_nItemCount > 1)
        qsort(m_ppItems, static_cast<size_t>(m_nItemCount), sizeof(ChoiceItem*), comparator);
}

BOOL CChoiceListDialog::GetLastPosition(POINT* position)
{
    if (!g_last.valid)
        return FALSE;
    if (position)
        *position = g_last.position;
    return TRUE;
}

int CChoiceListDialog::TypeAheadStep(unsigned char key, DWORD now, int current)
{
    key = FoldTypeAhead(key);
    DWORD timeout = m_nTypeCount == 0 ? 500 : (m_nTypeCount <= 2 ? 750 : 1000);
    if (now - m_dwTypeTime > timeout || m_nTypeCount >= sizeof m_szTypeBuffer
        || (m_nTypeCount == 1 && static_cast<unsigned char>(m_szTypeBuffer[0]) == key))
        m_nTypeCount = 0;
    m_dwTypeTime = now;
    m_szTypeBuffer[m_nTypeCount++] = static_cast<char>(key);
    if (m_nItemCount <= 0)
        return -1;
    for (int pass = 0; pass < 2; ++pass) {
        // Several keys refine the match at the current item; a single key moves on.
        int start = current < 0 || current >= m_nItemCount ? 0
                    : (m_nTypeCount >= 2 ? current : (current + 1) % m_nItemCount);
        for (int n = 0; n < m_nItemCount; ++n) {
            int i = (start + n) % m_nItemCount;
            if (BeginsWithFolded(m_ppItems[i]->text, m_szTypeBuffer, m_nTypeCount))
                return i;
        }
        if (m_nTypeCount < 2)
            break;
        m_nTypeCount = 1;
        m_szTypeBuffer[0] = static_cast<char>(key);
    }
    return -1;
}

int CChoiceListDialog::ListCurrent() const
{
    HWND list = List();
    if (!list)
        return -1;
    UINT msg = m_nListId == IDC_CHOICE_MULTI ? LB_GETCARETINDEX : LB_GETCURSEL;
    return static_cast<int>(::SendMessageA(list, msg, 0, 0));
}

void CChoiceListDialog::SelectInList(int index)
{
    HWND list = List();
    if (!list)
        return;
    // In the multiple-selection list a selection is a tick: type-ahead moves the caret.
    // LB_SETCURSEL, which a multiple-selection list refuses, left type-ahead doing nothing
    // there, and setting a selection would have ticked the item the user only looked for.
    if (m_nListId == IDC_CHOICE_MULTI)
        ::SendMessageA(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    else
        ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

BOOL CChoiceListDialog::OnInitDialog()
{
    if (m_nMode < MODE_PLAIN || m_nMode > MODE_CHECK_MANY)
        m_nMode = MODE_PLAIN;
    m_nListId = ListIdOfMode(m_nMode);
    HWND list = List();

    m_layout.Measure(m_hWnd, list, m_bCancelAllowed != 0);

    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, kWindowUserData);
    CreatePens();
    if (m_bFocusList && list)
        PostMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);

    if (m_strPrompt.IsEmpty())
        m_layout.ShiftForEmptyPrompt();
    m_layout.Place(m_hWnd, g_last, m_nWidthFactor, m_nHeightFactor);

    for (int id = IDC_CHOICE_LIST; id <= IDC_CHOICE_CHECK_MANY; ++id)
        if (id != m_nListId)
            ::ShowWindow(::GetDlgItem(m_hWnd, id), SW_HIDE);
    if (!m_bCancelAllowed)
        ::ShowWindow(::GetDlgItem(m_hWnd, IDCANCEL), SW_HIDE);
    RECT client;
    GetClientRect(&client);
    m_layout.LayOut(m_hWnd, list, client.right, client.bottom);

    int flagged = -1;
    for (int i = 0; i < m_nItemCount; ++i) {
        ChoiceItem* item = m_ppItems[i];
        if (list)
            ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->text));
        if (m_nMode == MODE_MULTIPLE) {
            if (item->selected && list)
                ::SendMessageA(list, LB_SETSEL, TRUE, i);
        } else if (m_nMode != MODE_CHECK_MANY) {
            if (item->selected)
                flagged = i;
            item->selected = 0;
        }
    }

    if (m_nCurrent <= -2) {
        m_nCurrent = -1;
    } else if (m_nMode == MODE_PLAIN || m_nMode == MODE_CHECK_ONE) {
        if (m_nCurrent < 0)
            m_nCurrent = flagged;
        if (m_nCurrent >= m_nItemCount || m_nCurrent == -1)
            m_nCurrent = 0;
        // An empty list has no item 0 to select or flag: flagging it wrote past the empty
        // item table.
        if (m_nCurrent >= m_nItemCount) {
            m_nCurrent = -1;
        } else {
            SelectInList(m_nCurrent);
            m_ppItems[m_nCurrent]->selected = 1;
        }
    }

    if (list) {
        ::ShowWindow(list, SW_SHOW);
        if (m_nMode != MODE_PLAIN)
            SetWindowSubclass(list, &CChoiceListDialog::ListSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    CDialog::OnInitDialog();
    SetChoiceTexts(m_hWnd, m_strCaption, m_strPrompt, IDC_CHOICE_PROMPT);
    return TRUE;
}

void CChoiceListDialog::OnOK()
{
    m_layout.Remember(m_hWnd, &g_last);
    HWND list = List();
    if (m_nMode == MODE_PLAIN || m_nMode == MODE_MULTIPLE)
        m_nCurrent = ListCurrent();
    if (m_nCurrent >= 0 && m_nCurrent < m_nItemCount) {
        m_strResult = m_ppItems[m_nCurrent]->text;
        m_nResultValue = m_ppItems[m_nCurrent]->value;
    } else {
        m_strResult.Empty();
        m_nResultValue = 0;
    }
    if ((m_nMode == MODE_PLAIN || m_nMode == MODE_MULTIPLE) && list) {
        for (int i = 0; i < m_nItemCount; ++i)
            m_ppItems[i]->selected = ::SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0 ? 1 : 0;
    }
    EndDialog(IDOK);
}

void CChoiceListDialog::OnCancel()
{
    if (!m_bCancelAllowed)
        return;
    m_layout.Remember(m_hWnd, &g_last);
    m_strResult.Empty();
    m_nCurrent = -1;
    EndDialog(IDCANCEL);
}

void CChoiceListDialog::RepaintItem(int index)
{
    RECT rc;
    HWND list = List();
    if (list && ::SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc)) != LB_ERR)
        ::InvalidateRect(list, &rc, TRUE);
}

void CChoiceListDialog::OnListDoubleClick()
{
    int item = ListCurrent();
    switch (m_nMode) {
    case MODE_PLAIN:
        OnOK();
        break;
    case MODE_CHECK_ONE:
        if (item >= 0 && item < m_nItemCount && !m_ppItems[item]->selected) {
            if (m_nCurrent >= 0 && m_nCurrent < m_nItemCount) {
                m_ppItems[m_nCurrent]->selected = 0;
                RepaintItem(m_nCurrent);
            }
            m_ppItems[item]->selected = 1;
            RepaintItem(item);
            m_nCurrent = item;
        }
        break;
    case MODE_CHECK_MANY:
        if (item >= 0 && item < m_nItemCount) {
            m_ppItems[item]->selected ^= 1;
            ::InvalidateRect(List(), NULL, TRUE);
        }
        break;
    default:
        break;
    }
}

void CChoiceListDialog::SetAll(int flag)
{
    HWND list = List();
    bool changed = false;
    for (int i = m_nItemCount - 1; i >= 0; --i) {
        if (list && m_nMode == MODE_MULTIPLE)
            ::SendMessageA(list, LB_SETSEL, flag, i);
        if (m_nMode == MODE_CHECK_MANY && m_ppItems[i]->selected != flag) {
            m_ppItems[i]->selected = static_cast<BYTE>(flag);
            changed = true;
        }
    }
    if (changed && list)
        ::InvalidateRect(list, NULL, TRUE);
}

void CChoiceListDialog::ShowContextMenu()
{
    if (m_nMode != MODE_MULTIPLE && m_nMode != MODE_CHECK_MANY)
        return;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    LPCSTR selectAll = GetMessageBoxTextA(MBT_SELECT_ALL);
    LPCSTR deselectAll = GetMessageBoxTextA(MBT_DESELECT_ALL);
    AppendMenuA(menu, MF_STRING, ID_CHOICE_SELECT_ALL, selectAll ? selectAll : "");
    AppendMenuA(menu, MF_STRING, ID_CHOICE_DESELECT_ALL, deselectAll ? deselectAll : "");
    POINT pt;
    GetCursorPos(&pt);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, NULL);
    DestroyMenu(menu);
}

void CChoiceListDialog::DrawItem(const DRAWITEMSTRUCT* dis)
{
    HDC dc = dis->hDC;
    RECT rc = dis->rcItem;
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    FillRect(dc, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    int index = static_cast<int>(dis->itemID);
    if (index < 0 || index >= m_nItemCount)
        return;
    const int left = rc.left, top = rc.top;
    RECT box = { left + 3, top + 2, left + 14, top + 13 };
    FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (m_ppItems[index]->selected && g_darkGreenPen && g_greenPen) {
        HGDIOBJ old = SelectObject(dc, g_darkGreenPen);
        MoveToEx(dc, left + 2, top + 6, NULL);
        LineTo(dc, left + 6, top + 10);
        LineTo(dc, left + 16, top + 3);
        SelectObject(dc, g_greenPen);
        MoveToEx(dc, left + 3, top + 5, NULL);
        LineTo(dc, left + 6, top + 8);
        LineTo(dc, left + 16, top + 3);
        SelectObject(dc, old);
    }
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT textRect = rc;
    textRect.left = left + 30;
    DrawTextA(dc, m_ppItems[index]->text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
}

BOOL CChoiceListDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (id == m_nListId && code == LBN_DBLCLK) {
        OnListDoubleClick();
        return TRUE;
    }
    switch (id) {
    case ID_CHOICE_CONTEXT_MENU:
        ShowContextMenu();
        return TRUE;
    case ID_CHOICE_SELECT_ALL:
        if (m_nMode == MODE_MULTIPLE || m_nMode == MODE_CHECK_MANY)
            SetAll(1);
        return TRUE;
    case ID_CHOICE_DESELECT_ALL:
        if (m_nMode == MODE_MULTIPLE || m_nMode == MODE_CHECK_MANY)
            SetAll(0);
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

LRESULT CChoiceListDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis && mis->CtlType == ODT_LISTBOX
            && (mis->CtlID == IDC_CHOICE_CHECK_ONE || mis->CtlID == IDC_CHOICE_CHECK_MANY)) {
            // Room for the 11-pixel box 2 pixels down and for the text of the dialog font.
            TEXTMETRICA tm;
            int height = 16;
            HDC dc = ::GetDC(m_hWnd);
            HFONT font = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
            HGDIOBJ old = font ? SelectObject(dc, font) : NULL;
            if (GetTextMetricsA(dc, &tm) && tm.tmHeight + 2 > height)
                height = tm.tmHeight + 2;
            if (old)
                SelectObject(dc, old);
            ::ReleaseDC(m_hWnd, dc);
            mis->itemHeight = static_cast<UINT>(height);
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis && dis->CtlType == ODT_LISTBOX
            && (dis->CtlID == IDC_CHOICE_CHECK_ONE || dis->CtlID == IDC_CHOICE_CHECK_MANY)) {
            DrawItem(dis);
            return TRUE;
        }
        break;
    }
    case WM_CHAR: {
        int index = TypeAheadStep(static_cast<unsigned char>(wParam), GetTickCount(), ListCurrent());
        if (index >= 0)
            SelectInList(index);
        return 0;
    }
    case WM_SIZING:
        m_layout.Sizing(wParam, reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_SIZE:
        if (m_layout.Measured())
            m_layout.LayOut(m_hWnd, List(), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        break;
    case WM_MOUSEWHEEL:
        if (!g_inWheel) {
            HWND list = List();
            if (list) {
                g_inWheel = true;
                ::SendMessageA(list, WM_MOUSEWHEEL, wParam, lParam);
                g_inWheel = false;
            }
        }
        return 0;
    case WM_NCDESTROY:
        if (HWND list = List())
            RemoveWindowSubclass(list, &CChoiceListDialog::ListSubclassProc, 1);
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

LRESULT CALLBACK CChoiceListDialog::ListSubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                     UINT_PTR, DWORD_PTR refData)
{
    CChoiceListDialog* self = reinterpret_cast<CChoiceListDialog*>(refData);
    const int id = ::GetDlgCtrlID(hWnd);
    const bool multi = id == IDC_CHOICE_MULTI;
    const int x = static_cast<short>(LOWORD(lParam));
    switch (message) {
    case WM_LBUTTONDOWN:
        // A click in the check box column ticks at once, as a double click would.
        if (x < 20 || multi) {
            DefSubclassProc(hWnd, WM_LBUTTONDOWN, wParam, lParam);
            return DefSubclassProc(hWnd, WM_LBUTTONDBLCLK, wParam, lParam);
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (x < 20 || multi)
            return 0;
        break;
    case WM_RBUTTONDOWN:
        if (self && self->m_hWnd)
            ::SendMessageA(self->m_hWnd, WM_COMMAND, ID_CHOICE_CONTEXT_MENU, 0);
        break;
    case WM_KEYDOWN:
        // The list's own toggle on the space key would undo the one of WM_CHAR below.
        if (wParam == VK_SPACE && multi)
            return 0;
        break;
    case WM_CHAR:
        if (wParam == ' ') {
            if (multi) {
                int caret = static_cast<int>(DefSubclassProc(hWnd, LB_GETCARETINDEX, 0, 0));
                if (caret >= 0) {
                    LRESULT sel = DefSubclassProc(hWnd, LB_GETSEL, static_cast<WPARAM>(caret), 0);
                    DefSubclassProc(hWnd, LB_SETSEL, sel > 0 ? FALSE : TRUE, caret);
                }
            } else if (self && self->m_hWnd) {
                ::SendMessageA(self->m_hWnd, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(hWnd));
            }
            return 0;
        }
        if (wParam > ' ' && self && self->m_hWnd)
            ::SendMessageA(self->m_hWnd, WM_CHAR, wParam, lParam);
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hWnd, &CChoiceListDialog::ListSubclassProc, 1);
        break;
    default:
        break;
    }
    return DefSubclassProc(hWnd, message, wParam, lParam);
}
