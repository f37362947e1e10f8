// The "TreeList" window procedure: registration, creation and destruction, the lock around
// every message, the tree-view messages, the own messages, scroll bars, fonts, image lists,
// the check-box images, the tool tip and the deferred-work queue. The model does the work
// on items and columns; the other TreeList*.cpp files paint, take input, edit and drag.
#include "controls/TreeListImpl.h"

#include <new>
#include <stdlib.h>
#include <string.h>
#include "uihelpers/UiFonts.h"

namespace {

HPEN g_focusPen = nullptr;
HBITMAP g_patternBitmap = nullptr;
HBRUSH g_patternBrush = nullptr;
HCURSOR g_cursors[3] = {};

void MakeClassResources()
{
    LOGBRUSH lb = { BS_SOLID, GetSysColor(COLOR_BTNSHADOW), 0 };
    g_focusPen = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &lb, 0, nullptr);
    if (!g_focusPen)
        g_focusPen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    g_cursors[0] = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    g_cursors[1] = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    g_cursors[2] = LoadCursorA(nullptr, MAKEINTRESOURCEA(32648));
    static const WORD checker[8] = { 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA };
    g_patternBitmap = CreateBitmap(8, 8, 1, 1, checker);
    g_patternBrush = g_patternBitmap ? CreatePatternBrush(g_patternBitmap) : nullptr;
}

void FreeClassResources()
{
    if (g_focusPen) DeleteObject(g_focusPen);
    if (g_patternBrush) DeleteObject(g_patternBrush);
    if (g_patternBitmap) DeleteObject(g_patternBitmap);
    g_focusPen = nullptr;
    g_patternBrush = nullptr;
    g_patternBitmap = nullptr;
}

ControlClass& Class()
{
    static ControlClass c(TREELIST_CLASS, &TreeListProc, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)),
                          &MakeClassResources, &FreeClassResources);
    return c;
}

UINT Num(LPARAM v) { return static_cast<UINT>(v); }
HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

// --- the tool tip

// The tip names its control in its user data: a pop-up's owner is always a top-level
// window, so for a tree list inside a dialog or a frame the owner is not the control (a
// child tree list's tip once found no control there and never showed).
LRESULT CALLBACK TipProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND control = reinterpret_cast<HWND>(GetWindowLongPtrA(tip, GWLP_USERDATA));
    TreeListBlock* b = TreeListFromWindow(control);
    WNDPROC old = b ? b->tooltipProc : nullptr;
    if (b && message >= WM_MOUSEFIRST && message <= 0x209) {
        // The mouse over the tip is the mouse over the control beneath it.
        POINT pt = { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
        MapWindowPoints(tip, control, &pt, 1);
        return SendMessageA(control, message, wParam, MAKELPARAM(pt.x, pt.y));
    }
    if (b && message == WM_SETFOCUS && wParam) {
        SetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    return old ? CallWindowProcA(old, tip, message, wParam, lParam) : DefWindowProcA(tip, message, wParam, lParam);
}

void CreateTip(TreeListBlock* b)
{
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, b->window, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!tip)
        return;
    TTTOOLINFOA ti = {};
    ti.cbSize = 44;   // the record without the reserved fields of later versions
    ti.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    ti.hwnd = b->window;
    ti.uId = reinterpret_cast<UINT_PTR>(b->window);
    GetClientRect(b->window, &ti.rect);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    SendMessageA(tip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 10000);
    SetWindowLongPtrA(tip, GWLP_ID, kTipId);
    SetWindowLongPtrA(tip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b->window));
    b->tooltipProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TipProc)));
    b->tooltip = tip;
}

bool GrowTipText(TreeListBlock* b, int need)
{
    if (need <= b->tipSize)
        return true;
    int size = (need + 255) / 256 * 256;
    char* grown = static_cast<char*>(realloc(b->tipText, static_cast<size_t>(size)));
    if (!grown)
        return false;
    b->tipText = grown;
    b->tipSize = size;
    return true;
}

void DestroyOwnedList(HIMAGELIST list, bool owned)
{
    if (owned && list && list != reinterpret_cast<HIMAGELIST>(1))
        ImageList_Destroy(list);
}

// The room of a check box drawn by the theme: 16 x 16, or the box's part size when larger,
// 3 pixels wider, so that a large box keeps clear of the item image after it.
void ThemedCheckSlot(const TreeListBlock* b, int* w, int* h)
{
    *w = b->checkBox.cx + 3 > 16 ? b->checkBox.cx + 3 : 16;
    *h = b->checkBox.cy > 16 ? b->checkBox.cy : 16;
}

void ListSize(const TreeListBlock* b, HIMAGELIST list, int* w, int* h, bool* has)
{
    *w = *h = 0;
    *has = list != nullptr;
    if (list == reinterpret_cast<HIMAGELIST>(1)) {
        ThemedCheckSlot(b, w, h);
    } else if (list) {
        ImageList_GetIconSize(list, w, h);
    }
}

void RefreshImageFlags(TreeListBlock* b)
{
    TreeListModel& m = b->model;
    for (UINT n = 1; n <= m.capacity; ++n)
        if (TreeListItem* it = m.items[n]) {
            if (it->image != -2 && m.hasNormalList)
                it->flags |= TLIF_HASIMAGE;
            else
                it->flags &= static_cast<BYTE>(~TLIF_HASIMAGE);
        }
}

HIMAGELIST SetImageList(TreeListBlock* b, WPARAM kind, HIMAGELIST list)
{
    TreeListModel& m = b->model;
    const bool owned = list && !(kind & 0x40000000);
    HIMAGELIST old = nullptr;
    switch (kind & 0xFF) {
    case TVSIL_NORMAL:
        old = b->normalList;
        if (old != list)
            DestroyOwnedList(old, b->ownNormal && !(m.exStyle & TLX_KEEPIMAGELIST));
        b->normalList = list;
        b->ownNormal = owned;
        ListSize(b, list, &m.imageWidth, &m.imageHeight, &m.hasNormalList);
        if (!b->list5 && b->header)
            SendMessageA(b->header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
        if (!b->own4) {
            b->list4 = list;
            ListSize(b, list, &m.list4Width, &m.list4Height, &m.hasList4);
        }
        RefreshImageFlags(b);
        break;
    case TVSIL_STATE:
        old = b->stateList;
        if (old != list)
            DestroyOwnedList(old, b->ownState);
        b->stateList = list;
        b->ownState = owned && list != reinterpret_cast<HIMAGELIST>(1);
        ListSize(b, list, &m.stateWidth, &m.stateHeight, &m.hasStateList);
        if (list == reinterpret_cast<HIMAGELIST>(1) && !b->buttonTheme)
            TreeListBuildCheckImages(b, 0);
        else if (!list && (m.style & TVS_CHECKBOXES))
            TreeListBuildCheckImages(b, 0);
        break;
    case 3:
        old = b->list3;
        if (old != list)
            DestroyOwnedList(old, b->own3);
        b->list3 = list;
        b->own3 = owned && list != reinterpret_cast<HIMAGELIST>(1);
        ListSize(b, list, &m.list3Width, &m.list3Height, &m.hasList3);
        // Theme check boxes without a "BUTTON" theme are the classic ones, as in the state list.
        if (!b->buttonTheme && list == reinterpret_cast<HIMAGELIST>(1))
            TreeListBuildCheckImages(b, 1);
        break;
    case 4:
        old = b->list4;
        if (old != list && b->own4)
            DestroyOwnedList(old, true);
        b->list4 = list;
        b->own4 = owned;
        ListSize(b, list, &m.list4Width, &m.list4Height, &m.hasList4);
        break;
    case 5:
        old = b->list5;
        if (old != list)
            DestroyOwnedList(old, b->own5);
        b->list5 = list;
        b->own5 = owned;
        if (b->header)
            SendMessageA(b->header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list ? list : b->normalList));
        break;
    default:
        return nullptr;
    }
    m.ComputeRowHeight();
    TreeListUpdateVBar(b, true);
    InvalidateRect(b->window, nullptr, FALSE);
    return old;
}

HIMAGELIST GetImageList(TreeListBlock* b, WPARAM kind)
{
    switch (kind) {
    case TVSIL_NORMAL: return b->normalList;
    case TVSIL_STATE: return b->stateList;
    case 3: return b->list3;
    case 4: return b->list4;
    // Stale list mended: the header's list follows the normal list while none of its own is
    // set, answered from the normal list as it is now; a copy taken when that was set went
    // stale (destroyed, when owned) once the normal list was replaced.
    case 5: return b->list5 ? b->list5 : b->normalList;
    default: return nullptr;
    }
}

void OpenThemes(TreeListBlock* b)
{
    const ControlThemeApi& t = TreeListTheme();
    if (t.OpenThemeData) {
        b->treeTheme = t.OpenThemeData(b->window, L"TREEVIEW");
        b->buttonTheme = t.OpenThemeData(b->window, L"BUTTON");
    }
    b->model.themeOpen = b->treeTheme != nullptr;
    SIZE part = {};
    if (b->buttonTheme && t.GetThemePartSize &&
        SUCCEEDED(t.GetThemePartSize(b->buttonTheme, nullptr, kCheckBoxPart, 1, nullptr, TS_TRUE, &part)) &&
        part.cx > 0 && part.cy > 0 && part.cx <= 64 && part.cy <= 64)
        b->checkBox = part;
}

void CloseThemes(TreeListBlock* b)
{
    const ControlThemeApi& t = TreeListTheme();
    if (t.CloseThemeData) {
        if (b->treeTheme) t.CloseThemeData(b->treeTheme);
        if (b->buttonTheme) t.CloseThemeData(b->buttonTheme);
    }
    b->treeTheme = b->buttonTheme = nullptr;
    b->checkBox = { 13, 13 };
    b->model.themeOpen = false;
}

LRESULT OnCreate(HWND window, const CREATESTRUCTA* cs)
{
    TreeListBlock* b = new (std::nothrow) TreeListBlock;
    char* tip = static_cast<char*>(calloc(256, 1));
    if (!b || !tip) {
        delete b;
        free(tip);
        return -1;
    }
    Class().AddUser();
    SetControlBlock(window, b);
    b->window = window;
    b->tipText = tip;
    b->tipSize = 256;
    TreeListModel& m = b->model;
    m.style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    m.enabled = IsWindowEnabled(window) != FALSE;
    m.buttonHalf = GetSystemMetrics(SM_CYICON) / 8;
    m.UpdateLinesAtRoot();
    (void)cs;
    if (!(m.style & TVS_NOTOOLTIPS))
        CreateTip(b);
    TreeListSetFont(b, nullptr);
    m.ComputeRowHeight();
    m.DefaultColors();
    RECT rc;
    GetClientRect(window, &rc);
    m.SetClientSize(rc.right, rc.bottom);
    OpenThemes(b);
    if (m.style & TVS_CHECKBOXES)
        TreeListBuildCheckImages(b, 0);
    TreeListUpdateVBar(b, true);
    return 0;
}

void OnDestroy(TreeListBlock* b)
{
    TreeListLock lock(b);
    TreeListModel& m = b->model;
    if (m.dragItem && GetCapture() == b->window)
        ReleaseCapture();
    m.dragItem = 0;
    m.DeleteAll();
    if (b->ownBold && b->boldFont)
        DeleteObject(b->boldFont);
    b->boldFont = nullptr;
    if (b->editor) DestroyWindow(b->editor);
    if (b->header) DestroyWindow(b->header);
    if (b->tooltip) DestroyWindow(b->tooltip);
    b->editor = b->header = b->tooltip = nullptr;
    DestroyOwnedList(b->stateList, b->ownState);
    DestroyOwnedList(b->normalList, b->ownNormal && !(m.exStyle & TLX_KEEPIMAGELIST));
    DestroyOwnedList(b->list3, b->own3);
    DestroyOwnedList(b->list4, b->own4);
    DestroyOwnedList(b->list5, b->own5);
    b->stateList = b->normalList = b->list3 = b->list4 = b->list5 = nullptr;
    CloseThemes(b);
}

void FreeBlock(TreeListBlock* b)
{
    free(b->tipText);
    free(b->extents);
    b->tipText = nullptr;
    b->extents = nullptr;
    delete b;
    Class().ReleaseUser();
}

// A parent may destroy the control from a notification handler: the block then stays until
// the outermost message of the window returns, its items already gone, so that the code
// after the notification finds no item and ends.
void OnNcDestroy(HWND window, TreeListBlock* b)
{
    b->lock.Enter();
    SetControlBlock(window, nullptr);
    b->destroyed = true;
    b->lock.Leave(__LINE__, false);
}

// The button up over a pressed cell button: the button goes up, and when the cursor is still
// on its box the cell takes its click (as the caret's, which it is for that moment).
void ReleaseCellButton(TreeListBlock* b, POINT pt)
{
    TreeListModel& m = b->model;
    UINT item = m.pressedItem;
    int column = m.pressedColumn;
    m.pressedItem = 0;
    b->InvalidateCell(item, column);
    TVHITTESTINFO hit = {};
    m.HitTest(pt, &hit);
    if (reinterpret_cast<UINT_PTR>(hit.hItem) == item && (hit.flags & TLHT_ONCELLBOX) &&
        static_cast<int>(hit.flags >> 24) == column) {
        UINT caret = m.caret;
        int caretColumn = m.caretColumn;
        m.caret = item;
        m.caretColumn = column;
        TreeListColumnEdit(b, column, 0x10001, pt);
        if (m.Item(caret) && m.caret == item) {
            m.caret = caret;
            m.caretColumn = caretColumn;
        }
    }
}

void OnSize(TreeListBlock* b, int width, int height)
{
    TreeListModel& m = b->model;
    const int oldWidth = m.clientWidth, oldHeight = m.clientHeight;
    m.SetClientSize(width, height);
    if (width != oldWidth) {
        if (m.fillCount)
            m.ShareFill(width - oldWidth);
        int changed = m.ComputeEdges();
        if (changed >= 0)
            InvalidateRect(b->window, nullptr, FALSE);
        // Cut-off texts get their ellipsis drawn again.
        int from = (oldWidth < width ? oldWidth : width) - m.boldEllipsisWidth - 8;
        RECT strip = { from, 0, oldWidth > width ? oldWidth : width, height };
        InvalidateRect(b->window, &strip, FALSE);
        TreeListPlaceHeader(b);
        TreeListUpdateHBar(b);
        m.NotifyOwedGeometry();
    }
    if (height != oldHeight) {
        if (height > oldHeight && m.fullRows > 2 && m.firstVisible > 0 && m.rowCount - m.firstVisible < m.fullRows) {
            int f = m.rowCount - m.fullRows;
            m.firstVisible = f < 0 ? 0 : f;
            InvalidateRect(b->window, nullptr, FALSE);
        }
        TreeListUpdateVBar(b, true);
        if (height > oldHeight && b->header)
            RedrawWindow(b->header, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}

void OnFocus(TreeListBlock* b, bool gained)
{
    TreeListModel& m = b->model;
    if (m.hasFocus == gained)
        return;
    m.hasFocus = gained;
    if (gained)
        b->focusSeen = true;
    if (m.selectedCount <= 1) {
        if (m.Item(m.caret))
            b->InvalidateCell(m.caret, (m.exStyle & TLX_FULLROWSELECT) ? -1 : m.caretColumn);
    } else {
        b->InvalidateAll();
    }
    NMHDR hdr = {};
    b->Notify(&hdr, gained ? NM_SETFOCUS : NM_KILLFOCUS);
}

void OnStyleChanged(TreeListBlock* b, DWORD newStyle)
{
    TreeListModel& m = b->model;
    DWORD old = m.style;
    m.style = newStyle;
    DWORD changed = old ^ newStyle;
    if (changed & (TVS_CHECKBOXES | TVS_NONEVENHEIGHT)) {
        if (newStyle & TVS_CHECKBOXES) {
            if (!b->stateList)
                TreeListBuildCheckImages(b, 0);
        } else if (b->ownState || b->stateList == reinterpret_cast<HIMAGELIST>(1)) {
            DestroyOwnedList(b->stateList, b->ownState);
            b->stateList = nullptr;
            b->ownState = false;
            ListSize(b, nullptr, &m.stateWidth, &m.stateHeight, &m.hasStateList);
        }
        m.ComputeRowHeight();
        TreeListUpdateVBar(b, true);
    }
    if (changed & (TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | 0x40 | TVS_TRACKSELECT)) {
        m.UpdateLinesAtRoot();
        b->InvalidateAll();
    }
    if (changed & TVS_NOSCROLL) {
        TreeListUpdateVBar(b, true);
        TreeListUpdateHBar(b);
    }
    if (changed & TVS_NOTOOLTIPS) {
        if (!(newStyle & TVS_NOTOOLTIPS) && !b->tooltip)
            CreateTip(b);
        else if (newStyle & TVS_NOTOOLTIPS)
            TreeListHideTip(b);
    }
    if (changed & WS_DISABLED) {
        m.enabled = !(newStyle & WS_DISABLED);
        b->InvalidateAll();
        if (!m.enabled)
            TreeListHideTip(b);
    }
}

// A highlight set by message has no mouse move of its own to end it: the leaving mouse does.
int SetDropHiliteByMessage(TreeListBlock* b, UINT item, int column)
{
    const int result = b->model.SetDropHilite(item, column);
    if (b->model.dropHilite)
        TreeListTrackLeave(b);
    return result;
}

// The own code 12 scrolls to the position in bits 4-31, so only the low four bits name the
// code; the standard codes keep their position in the high word and fit there too.
int ScrollCode(WPARAM wParam)
{
    return (wParam & 0xF) == 12 ? 12 : LOWORD(wParam);
}

void RunVScroll(TreeListBlock* b, int code, int track)
{
    TreeListModel& m = b->model;
    if (m.editItem)
        return;
    int f = m.firstVisible;
    int page = m.fullRows - 1 > 1 ? m.fullRows - 1 : 1;
    switch (code) {
    case SB_LINEUP: f -= 1; break;
    case SB_LINEDOWN: f += 1; break;
    case SB_PAGEUP: f -= page; break;
    case SB_PAGEDOWN: f += page; break;
    case SB_TOP: f = 0; break;
    case SB_BOTTOM: f = m.rowCount; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        if (m.rowCount >= 0x7F00) {
            SCROLLINFO si = { sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0 };
            GetScrollInfo(b->window, SB_VERT, &si);
            f = si.nTrackPos;
        } else {
            f = track;
        }
        break;
    case 12:
        f = track;
        break;
    default:
        return;
    }
    f = m.ClampFirstRow(f);
    if (f != m.firstVisible)
        m.ScrollV(f, code | 0x10000);
}

void RunHScroll(TreeListBlock* b, int code, int track)
{
    TreeListModel& m = b->model;
    if (m.editItem)
        return;
    int x = m.hScroll;
    switch (code) {
    case SB_LINELEFT: x -= 16; break;
    case SB_LINERIGHT: x += 16; break;
    case SB_PAGELEFT: x -= m.clientWidth; break;
    case SB_PAGERIGHT: x += m.clientWidth; break;
    case SB_LEFT: x = 0; break;
    case SB_RIGHT: x = m.MaxHScroll(); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
    case 12: x = track; break;
    default: return;
    }
    int maxX = m.MaxHScroll();
    x = x > maxX ? maxX : x;
    x = x < 0 ? 0 : x;
    if (x != m.hScroll)
        m.ScrollH(x, code | 0x10000);
    b->InvalidateAll();
}

LRESULT OnColumnColor(TreeListBlock* b, UINT message, WPARAM wParam, LPARAM lParam)
{
    TreeListModel& m = b->model;
    switch (message) {
    case TLM_GETTEXTCOLOR:
        return static_cast<LRESULT>(m.GetItemColor(static_cast<UINT>(wParam), static_cast<int>(lParam), true));
    case TLM_GETBKCOLOR:
        return static_cast<LRESULT>(m.GetItemColor(static_cast<UINT>(wParam), static_cast<int>(lParam), false));
    case TLM_SETTEXTCOLOR:
    case TLM_SETBKCOLOR:
        return static_cast<LRESULT>(m.SetItemColor(static_cast<UINT>(wParam) & 0xFFFFFF, static_cast<int>(wParam >> 24),
                                                   static_cast<COLORREF>(lParam), message == TLM_SETTEXTCOLOR, false));
    case TLM_SETCOLORREC: {
        const TreeListColorRecord* r = reinterpret_cast<const TreeListColorRecord*>(lParam);
        if (!r)
            return -1;
        return static_cast<LRESULT>(m.SetItemColor(static_cast<UINT>(wParam), r->column, r->color, (r->flags & 1) != 0,
                                                   (r->flags & 2) != 0));
    }
    default:
        return 0;
    }
}

LRESULT OnOwnMessage(TreeListBlock* b, UINT message, WPARAM wParam, LPARAM lParam)
{
    TreeListModel& m = b->model;
    switch (message) {
    case TLM_COLUMNWORD: {
        UINT mode = static_cast<UINT>(wParam >> 16);
        return m.ColumnWord(static_cast<int>(wParam & 0xFFFF), mode == 1 ? 1 : (mode == 0 ? 0 : 2), static_cast<int>(lParam));
    }
    case TLM_SETITEMDATA:
        return m.SetItemData(Num(lParam), static_cast<LPARAM>(wParam));
    case TLM_COUNTITEMS:
        return m.CountItems(reinterpret_cast<const TreeListCount*>(lParam));
    case TLM_BEGINDRAG: {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(b->window, &pt);
        return TreeListBeginDrag(b, Num(lParam), static_cast<UINT>(wParam) | 0x80, pt);
    }
    case TLM_DRAGTIMER:
        return TreeListDragTimer(b, static_cast<UINT>(wParam), static_cast<UINT>(lParam));
    case TLM_RUNQUEUE:
        m.RunQueue();
        b->vbarQueued = false;   // also when the redraw's record could not be queued
        return 0;
    case TLM_SETDROPMARK: {
        UINT previous = m.SetDropMark(Num(lParam), static_cast<int>(wParam));
        if (m.dropMark)
            SetTimer(b->window, kDropMarkTimer, 500, nullptr);
        else
            KillTimer(b->window, kDropMarkTimer);
        return previous;
    }
    case TLM_SETITEMS:
        return m.GroupSet(reinterpret_cast<TVITEMA*>(lParam));
    case TLM_MOVEITEM:
    case TLM_MOVEITEM + 1:
    case TLM_MOVEITEM + 2:
    case TLM_MOVEITEM + 3:
        return m.Move(Num(lParam), static_cast<UINT>(wParam), static_cast<int>(message - TLM_MOVEITEM));
    case TLM_SETCOLUMNORDER:
        return TreeListSetOrder(b, wParam, reinterpret_cast<const int*>(lParam));
    case TLM_GETCOLUMNORDER:
        if (!b->header || !lParam)
            return 0;
        return SendMessageA(b->header, HDM_GETORDERARRAY, wParam, lParam);
    case TLM_SETFOCUSCELL:
        return m.SetFocusCell(static_cast<int>(wParam), Num(lParam));
    case TLM_GETVISIBILITY:
        return m.Visibility(Num(lParam), static_cast<int>(wParam));
    case TLM_SELECTRUN:
        return m.SelectRun(Num(lParam), static_cast<UINT>(wParam));
    case TLM_FINDITEM:
        return m.Find(static_cast<UINT>(wParam), reinterpret_cast<TreeListFind*>(lParam));
    case TLM_SETCOLUMNAUX:
        return m.SetColumnAux(wParam, lParam);
    case TLM_SETCOLUMNOPTIONS: {
        int r = m.SetColumnOptions(static_cast<UINT>(wParam));
        int kind = static_cast<int>((wParam >> 8) & 7);
        if (r && kind >= TLE_CHECK && !b->list3) {
            TreeListBuildCheckImages(b, 1);
            m.ComputeRowHeight();
        }
        return r;
    }
    case TLM_SORTITEMS:
        return m.SortItems(reinterpret_cast<const TreeListSort*>(lParam), wParam != 0);
    case TLM_GETEXTRA: {
        TreeListItem* it = m.Item(Num(lParam));
        return it && m.extraBytes ? reinterpret_cast<LRESULT>(it->Extra()) : 0;
    }
    case TLM_SETEXTRACOUNT:
        return m.SetExtraBytes(static_cast<int>(lParam));
    case TLM_GETCOLUMNWIDTH: {
        if (!b->header)
            return 0;
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH;
        if (!SendMessageA(b->header, HDM_GETITEMA, wParam, reinterpret_cast<LPARAM>(&hd)))
            return 0;
        return hd.cxy;
    }
    case TLM_SETCOLUMNWIDTH: {
        if (!b->header || lParam < 0 || static_cast<int>(wParam) >= m.columnCount)
            return 0;
        HDITEMA hd = {};
        hd.mask = HDI_WIDTH;
        hd.cxy = static_cast<int>(lParam);
        return SendMessageA(b->header, HDM_SETITEMA, wParam, reinterpret_cast<LPARAM>(&hd));
    }
    case TLM_GETCOLUMN:
        return TreeListGetColumn(b, static_cast<int>(wParam), reinterpret_cast<LVCOLUMNA*>(lParam));
    case TLM_SETCOLUMN:
        return TreeListSetColumn(b, static_cast<int>(wParam), reinterpret_cast<const LVCOLUMNA*>(lParam));
    case TLM_GETROWOFITEM: {
        const TreeListItem* it = m.Item(Num(lParam));
        return it && it->row ? static_cast<LRESULT>(it->row) - 1 : -1;
    }
    case TLM_GETITEMOFROW:
        return m.RowItem(static_cast<int>(lParam));
    case TLM_GETTEXTCOLOR:
    case TLM_SETTEXTCOLOR:
    case TLM_GETBKCOLOR:
    case TLM_SETBKCOLOR:
    case TLM_SETCOLORREC:
        return OnColumnColor(b, message, wParam, lParam);
    case TLM_SETDROPHILITE:
        return SetDropHiliteByMessage(b, Num(lParam), static_cast<int>(wParam));
    case TLM_SELECTCELL: {
        int column = (m.exStyle & TLX_CELLSELECT) ? static_cast<int>(wParam) : 0;
        return m.Select(Num(lParam), column, 0x8000) > 0 ? 1 : 0;
    }
    case TLM_INSERTCOLUMN:
        return TreeListInsertColumn(b, static_cast<int>(wParam), reinterpret_cast<const LVCOLUMNA*>(lParam));
    case TLM_DELETECOLUMN:
        return TreeListDeleteColumn(b, static_cast<int>(wParam));
    default:
        return 0;
    }
}

int DeleteMode(WPARAM wParam)
{
    switch (wParam) {
    case 0x87: return 0;
    case 0x88: return 2;
    case 0x89: return 5;
    case 0x8A: return 6;
    default: return 1;
    }
}

LRESULT OnTreeMessage(TreeListBlock* b, UINT message, WPARAM wParam, LPARAM lParam)
{
    TreeListModel& m = b->model;
    switch (message) {
    case TVM_INSERTITEMA:
        return m.Insert(reinterpret_cast<const TreeListInsert*>(lParam));
    case TVM_DELETEITEM: {
        LRESULT r = m.Delete(Num(lParam), DeleteMode(wParam));
        if (!m.editItem && b->editor && IsWindowVisible(b->editor))
            ShowWindow(b->editor, SW_HIDE);
        if (!m.dragItem && GetCapture() == b->window)
            ReleaseCapture();
        return r;
    }
    case TVM_EXPAND:
        return m.Expand(Num(lParam), static_cast<UINT>(wParam)) > 0 ? 1 : 0;
    case TVM_GETITEMRECT: {
        RECT* rc = reinterpret_cast<RECT*>(lParam);
        if (!rc)
            return 0;
        UINT item = static_cast<UINT>(rc->left);
        return m.ItemRect(item, static_cast<UINT>(wParam), rc);
    }
    case TVM_SETINDENT: {
        int old = m.SetIndent(static_cast<int>(wParam));
        TreeListUpdateHBar(b);
        return old;
    }
    case TVM_SETIMAGELIST:
        return reinterpret_cast<LRESULT>(SetImageList(b, wParam, reinterpret_cast<HIMAGELIST>(lParam)));
    case TVM_GETNEXTITEM:
        return m.GetNextItem(static_cast<UINT>(wParam), Num(lParam));
    case TVM_SELECTITEM:
        if (wParam == TVGN_CARET) {
            int r = m.Select(Num(lParam), 0, 0x8000);
            return r > 0 ? 1 : r;
        }
        if (wParam == TVGN_FIRSTVISIBLE) {
            // A closed ancestor the parent refused to open leaves the item out of the rows:
            // that is no success, though the scroll routine answers 0 for both.
            if (m.EnsureVisible(Num(lParam), -2) < 0)
                return 0;
            const TreeListItem* shown = m.Item(Num(lParam));
            return shown && shown->row ? 1 : 0;
        }
        if (wParam == TVGN_DROPHILITE)
            return SetDropHiliteByMessage(b, Num(lParam), 0);
        return 0;
    case TVM_GETITEMA:
        return m.GetItem(reinterpret_cast<TVITEMA*>(lParam));
    case TVM_SETITEMA:
        return m.SetItem(reinterpret_cast<TVITEMA*>(lParam));
    case TVM_EDITLABELA:
        if (!(m.style & TVS_EDITLABELS))
            return 0;
        if ((wParam >> 8) == 0xF5A5A5u)
            return TreeListRequestEdit(b, m.caret, static_cast<int>(wParam & 0xFF), 13, POINT{ 0, 0 });
        // A flag left over from an earlier edit would let an unchanged text pass for a typed one.
        b->textChanged = false;
        return reinterpret_cast<LRESULT>(TreeListStartEdit(b, Num(lParam), static_cast<UINT>(wParam)));
    case TVM_HITTEST: {
        TVHITTESTINFO* hit = reinterpret_cast<TVHITTESTINFO*>(lParam);
        if (!hit)
            return 0;
        m.HitTest(hit->pt, hit);
        return reinterpret_cast<LRESULT>(hit->hItem);
    }
    case TVM_CREATEDRAGIMAGE:
        return reinterpret_cast<LRESULT>(TreeListDragImage(b, Num(lParam), static_cast<int>(wParam)));
    case TVM_SORTCHILDREN:
        return m.SortChildren(Num(lParam), wParam != 0);
    case TVM_SORTCHILDRENCB:
        return m.SortChildrenCallback(reinterpret_cast<const TVSORTCB*>(lParam), wParam != 0);
    case TVM_ENSUREVISIBLE:
        return m.EnsureVisible(Num(lParam), static_cast<int>(wParam));
    case TVM_ENDEDITLABELNOW:
        return TreeListEndEdit(b, wParam ? 0 : 1);
    case TVM_GETISEARCHSTRINGA:
        return m.GetSearchString(reinterpret_cast<char*>(lParam), GetTickCount());
    case TVM_SETTOOLTIPS: {
        HWND old = b->tooltip;
        b->tooltip = reinterpret_cast<HWND>(wParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case TVM_SETINSERTMARK:
        return m.SetInsertMark(Num(lParam), wParam != 0);
    case TVM_GETITEMSTATE:
        return m.GetItemState(static_cast<UINT>(wParam));
    case TVM_SETITEMHEIGHT: {
        int old = m.SetItemHeight(static_cast<int>(wParam));
        TreeListUpdateVBar(b, true);
        return old;
    }
    case TVM_SETBKCOLOR:
        if (wParam >= TLCOL_COUNT)
            return -1;
        return static_cast<LRESULT>(m.SetColor(static_cast<int>(wParam), static_cast<COLORREF>(lParam)));
    case TVM_SETTEXTCOLOR:
        return static_cast<LRESULT>(m.SetColor(TLCOL_TEXT, static_cast<COLORREF>(lParam)));
    case TVM_SETINSERTMARKCOLOR:
        return static_cast<LRESULT>(m.SetColor(TLCOL_INSERTMARK, static_cast<COLORREF>(lParam)));
    case TVM_SETLINECOLOR:
        return static_cast<LRESULT>(m.SetColor(TLCOL_LINES, static_cast<COLORREF>(lParam)));
    case TVM_SETEXTENDEDSTYLE: {
        DWORD old = m.exStyle;
        DWORD now = m.SetExtendedStyle(static_cast<DWORD>(wParam), static_cast<DWORD>(lParam));
        DWORD changed = old ^ now;
        if (changed & TLX_HIDEHEADER)
            TreeListPlaceHeader(b);
        if (changed & (TLX_KEEPVSCROLL | TLX_GRIDLINES)) {
            if ((now & TLX_KEEPVSCROLL) && !(old & TLX_KEEPVSCROLL)) {
                // Range 0-100, page 10 brings a hidden bar up; the rows' own range replaces it
                // at once below. Left standing, it kept the bar enabled while every row fitted,
                // with a thumb a tenth of the bar long that stood for 100 rows whatever the
                // tree held, so that the thumb and the rows shown disagreed.
                SCROLLINFO si = { sizeof si, SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 100, 10, 0, 0 };
                SetScrollInfo(b->window, SB_VERT, &si, TRUE);
            }
            TreeListUpdateVBar(b, true);
            TreeListUpdateHBar(b);
        }
        return now;
    }
    default:
        return 0;
    }
}

}  // namespace

// --- shared pieces

TreeListBlock* TreeListFromWindow(HWND window) noexcept
{
    if (!window)
        return nullptr;
    ControlBlock* block = GetControlBlock(window);
    if (!block)
        return nullptr;
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, TREELIST_CLASS) == 0 ? static_cast<TreeListBlock*>(block) : nullptr;
}

const ControlThemeApi& TreeListTheme() noexcept { return Class().Theme(); }
ControlClass& TreeListClass() noexcept { return Class(); }
HPEN TreeListFocusPen() noexcept { return g_focusPen; }
HBRUSH TreeListPatternBrush() noexcept { return g_patternBrush; }
HCURSOR TreeListCursor(int which) noexcept { return which >= 0 && which < 3 ? g_cursors[which] : nullptr; }

int RegisterTreeListClass(HINSTANCE instance) noexcept
{
    return Class().Register(instance);
}

// --- the host side of the model

LRESULT TreeListBlock::Notify(NMHDR* record, int code)
{
    return ControlNotifyUnlocked(this, record, code, __LINE__, false);
}

int TreeListBlock::MeasureText(const char* text, int length, bool bold)
{
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    HGDIOBJ old = SelectObject(dc, bold && boldFont ? boldFont : font);
    RECT rc = { 0, 0, 0, 0 };
    DrawTextExA(dc, const_cast<char*>(text), length, &rc, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER, nullptr);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return rc.right - rc.left;
}

void TreeListBlock::InvalidateRows(int firstRow, int lastRow)
{
    if (model.redrawSuspended)
        return;
    int pinned = static_cast<int>(model.props[TLP_PINNEDROWS]);
    int screen = firstRow < pinned ? firstRow : firstRow - model.firstVisible;
    if (screen < 0)
        screen = firstRow < pinned ? 0 : pinned;
    RECT rc = { 0, model.headerHeight + screen * model.rowHeight, model.clientWidth, model.clientHeight };
    if (lastRow >= 0) {
        int last = lastRow < pinned ? lastRow : lastRow - model.firstVisible;
        rc.bottom = model.headerHeight + (last + 1) * model.rowHeight;
    }
    if (rc.top < rc.bottom)
        InvalidateRect(window, &rc, FALSE);
}

void TreeListBlock::InvalidateCell(UINT item, int column)
{
    if (model.redrawSuspended)
        return;
    const TreeListItem* it = model.Item(item);
    if (!it || !it->row)
        return;
    int top = model.RowTop(static_cast<int>(it->row) - 1);
    if (top < 0)
        return;
    RECT rc = { 0, top, model.clientWidth, top + model.rowHeight };
    if (column >= 0 && model.columnCount > 1 && column < model.columnCount) {
        rc.left = model.ColumnLeft(column) - model.hScroll;
        rc.right = model.ColumnRight(column) - model.hScroll;
        if (column == 0 || rc.right <= rc.left)
            rc.right = model.clientWidth;   // spans and the label's focus frame
    }
    InvalidateRect(window, &rc, FALSE);
}

void TreeListBlock::InvalidateAll()
{
    if (!model.redrawSuspended)
        InvalidateRect(window, nullptr, FALSE);
}

void TreeListBlock::InvalidateRightOf(int x)
{
    if (model.redrawSuspended)
        return;
    RECT rc = { x, 0, model.clientWidth, model.clientHeight };
    InvalidateRect(window, &rc, FALSE);
}

void TreeListBlock::ScrollBarsChanged(bool vertical, bool horizontal, bool force)
{
    if (vertical)
        TreeListUpdateVBar(this, force);
    if (horizontal)
        TreeListUpdateHBar(this);
}

void TreeListBlock::Scrolled(bool vertical)
{
    if (vertical) {
        SetScrollPos(window, SB_VERT, model.firstVisible, TRUE);
    } else {
        SetScrollPos(window, SB_HORZ, model.hScroll, TRUE);
        TreeListPlaceHeader(this);
    }
    TreeListHideTip(this);
    InvalidateAll();
}

void TreeListBlock::QueueWork()
{
    PostMessageA(window, TLM_RUNQUEUE, 0, 0);
}

void TreeListBlock::HeaderWidth(int column, int width)
{
    if (!header)
        return;
    HDITEMA hd = {};
    hd.mask = HDI_WIDTH;
    hd.cxy = width;
    SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&hd));
}

void TreeListBlock::RequestColumnWidth(int column, int width)
{
    SendMessageA(window, TLM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
}

void TreeListBlock::ReleaseLock() { lock.Leave(__LINE__, false); }
void TreeListBlock::TakeLock() { lock.Enter(); }

// --- scroll bars, fonts, check boxes, tips, focus

void TreeListUpdateVBar(TreeListBlock* b, bool force) noexcept
{
    TreeListModel& m = b->model;
    DWORD now = GetTickCount();
    if (!force && now - b->vbarTime < 201) {
        if (!b->vbarQueued) {
            b->vbarQueued = true;
            m.Queue(0, 0, TLW_VBAR);
        }
        return;
    }
    b->vbarTime = now;
    // The bar is drawn from the rows as they are now: a queued redraw that already ran (the
    // one that brought us here, or an earlier one) covers no later change, which must queue
    // its own (once the rows a deferred rebuild added after it never reached the bar).
    b->vbarQueued = false;
    int f = m.BarFirstRow(m.firstVisible);
    if (f != m.firstVisible) {
        m.firstVisible = f;
        b->InvalidateAll();
    }
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((m.exStyle & TLX_KEEPVSCROLL) ? SIF_DISABLENOSCROLL : 0);
    si.nMax = (m.style & TVS_NOSCROLL) ? 0 : m.rowCount;
    si.nPage = static_cast<UINT>(m.fullRows > 0 ? m.fullRows : 0);
    si.nPos = m.firstVisible;
    if (!(m.exStyle & TLX_KEEPVSCROLL) && m.rowCount < m.fullRows + 1)
        si.nMax = 0;
    SetScrollInfo(b->window, SB_VERT, &si, TRUE);
}

void TreeListUpdateHBar(TreeListBlock* b) noexcept
{
    TreeListModel& m = b->model;
    int total = m.columnCount ? m.ContentRight() : m.totalWidth;
    if (total <= m.clientWidth && m.hScroll != 0) {
        m.hScroll = 0;
        TreeListPlaceHeader(b);
        b->InvalidateAll();
    }
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = (m.exStyle & TLX_NOHSCROLL) || (m.style & TVS_NOSCROLL) || total <= m.clientWidth ? 0 : total - 1;
    si.nPage = static_cast<UINT>(m.clientWidth > 0 ? m.clientWidth : 0);
    si.nPos = m.hScroll;
    SetScrollInfo(b->window, SB_HORZ, &si, TRUE);
}

bool TreeListSetFont(TreeListBlock* b, HFONT font) noexcept
{
    TreeListModel& m = b->model;
    HFONT bold;
    bool ownBold = false;
    if (!font) {
        font = GetUiFont(UIFONT_NORMAL);
        bold = GetUiFont(UIFONT_BOLD);
    } else {
        // The bold twin is made from the font's whole record, not from its face name alone:
        // a face at the system's default size would give bold labels of another height than
        // the rest, measured and cut with widths that do not fit the row.
        LOGFONTA lf = {};
        GetObjectA(font, sizeof lf, &lf);
        lf.lfWeight = FW_BOLD;
        bold = CreateFontIndirectA(&lf);
        ownBold = bold != nullptr;
    }
    if (b->ownBold && b->boldFont && b->boldFont != bold)
        DeleteObject(b->boldFont);
    b->font = font;
    b->boldFont = bold ? bold : font;
    b->ownBold = ownBold;
    if (font == b->measuredFont)
        return false;
    b->measuredFont = font;
    HDC dc = GetDC(b->window);
    if (!dc)
        return false;
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm = {};
    GetTextMetricsA(dc, &tm);
    m.textHeight = tm.tmHeight;
    m.lineHeight = tm.tmHeight + 1;
    m.italic = tm.tmItalic != 0;
    SIZE size = {};
    GetTextExtentPoint32A(dc, "...", 3, &size);
    m.ellipsisWidth = size.cx;
    SelectObject(dc, b->boldFont);
    GetTextExtentPoint32A(dc, "...", 3, &size);
    m.boldEllipsisWidth = size.cx;
    SelectObject(dc, old);
    ReleaseDC(b->window, dc);
    for (UINT n = 1; n <= m.capacity; ++n) {
        if (TreeListItem* it = m.items[n])
            it->textWidth = 0;
        for (int c = 1; c < m.columnCount; ++c)
            if (m.cells[c] && m.cells[c][n])
                m.cells[c][n]->textWidth = 0;
    }
    return true;
}

void TreeListBuildCheckImages(TreeListBlock* b, int set) noexcept
{
    TreeListModel& m = b->model;
    HIMAGELIST list = nullptr;
    int width = 16, height = 16;
    if (b->buttonTheme) {
        list = reinterpret_cast<HIMAGELIST>(1);
        ThemedCheckSlot(b, &width, &height);
    } else {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 48, 16);
        ReleaseDC(nullptr, screen);
        if (dc && bitmap) {
            HGDIOBJ old = SelectObject(dc, bitmap);
            RECT all = { 0, 0, 48, 16 };
            FillRect(dc, &all, GetSysColorBrush(COLOR_HIGHLIGHT));
            RECT box = { 17, 2, 30, 15 };
            DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
            RECT box2 = { 33, 2, 46, 15 };
            DrawFrameControl(dc, &box2, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | DFCS_CHECKED);
            SelectObject(dc, old);
            list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 14);
            if (list)
                ImageList_AddMasked(list, bitmap, GetSysColor(COLOR_HIGHLIGHT));
        }
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    if (set == 0) {
        DestroyOwnedList(b->stateList, b->ownState);
        b->stateList = list;
        b->ownState = list && list != reinterpret_cast<HIMAGELIST>(1);
        m.hasStateList = list != nullptr;
        m.stateWidth = list ? width : 0;
        m.stateHeight = list ? height : 0;
    } else {
        DestroyOwnedList(b->list3, b->own3);
        b->list3 = list;
        b->own3 = list && list != reinterpret_cast<HIMAGELIST>(1);
        m.hasList3 = list != nullptr;
        m.list3Width = list ? width : 0;
        m.list3Height = list ? height : 0;
    }
    m.ComputeRowHeight();
}

void TreeListHideTip(TreeListBlock* b) noexcept
{
    if (!b->tipShown || !b->tooltip)
        return;
    TTTOOLINFOA ti = {};
    ti.cbSize = 44;
    ti.hwnd = b->window;
    ti.uId = reinterpret_cast<UINT_PTR>(b->window);
    SendMessageA(b->tooltip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
    KillTimer(b->window, kTipTimer);
    b->tipShown = false;
    b->tipItem = 0;
}

void TreeListTrackTip(TreeListBlock* b, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    if (!b->tooltip || (m.style & TVS_NOTOOLTIPS) || m.dragItem || m.editItem || !m.enabled)
        return;
    TVHITTESTINFO hit = {};
    m.HitTest(pt, &hit);
    UINT item = static_cast<UINT>(reinterpret_cast<UINT_PTR>(hit.hItem));
    int column = static_cast<int>(hit.flags >> 24);
    bool onLabel = (hit.flags & (TVHT_ONITEMLABEL | TLHT_ONCELLTEXT)) != 0;
    if (!item || !onLabel) {
        TreeListHideTip(b);
        return;
    }
    if (b->tipShown && item == b->tipItem && column == b->tipColumn)
        return;
    TreeListHideTip(b);
    RECT label;
    label.left = static_cast<LONG>(item);
    if (!m.ItemRect(item, column ? (0x80u | 0x1u | (static_cast<UINT>(column) << 24)) : 0x1u, &label))
        return;
    int length = 0;
    const char* text = m.ItemText(item, column, &length, 1);
    if (!text)
        return;
    int width = m.TextWidth(item, column);
    RECT space = label;
    if (column)
        space.right = m.ColumnRight(column) - m.hScroll;
    else
        space.right = m.ColumnRight(0) - m.hScroll;
    bool cutOff = width + 4 > space.right - space.left;
    bool infoTip = (m.style & TVS_INFOTIP) && !(m.exStyle & TLX_TIPOFFER);
    if (!cutOff && !infoTip && !(m.exStyle & TLX_TIPOFFER))
        return;
    if (!GrowTipText(b, length + 1))
        return;
    memcpy(b->tipText, text, static_cast<size_t>(length));
    b->tipText[length] = 0;
    if (m.exStyle & TLX_TIPOFFER) {
        NMTVDISPINFOA offer = {};
        m.Describe(&offer.item, item, column, 0x801C);
        offer.item.pszText = b->tipText;
        offer.item.cchTextMax = length;
        if (!b->Notify(&offer.hdr, TLN_TIPOFFER)) {
            if (!cutOff)
                return;
        } else if (offer.item.pszText && offer.item.pszText != b->tipText) {
            int n = static_cast<int>(strlen(offer.item.pszText));
            if (!GrowTipText(b, n + 1))
                return;
            memcpy(b->tipText, offer.item.pszText, static_cast<size_t>(n) + 1);
        }
    } else if (infoTip) {
        char buffer[1025];
        int n = length < 1024 ? length : 1024;
        memcpy(buffer, text, static_cast<size_t>(n));
        buffer[n] = 0;
        NMTVGETINFOTIPA info = {};
        info.pszText = buffer;
        info.cchTextMax = sizeof buffer - 1;
        info.hItem = Handle(item);
        info.lParam = m.Item(item) ? m.Item(item)->data : 0;
        b->Notify(&info.hdr, TVN_GETINFOTIPA);
        buffer[sizeof buffer - 1] = 0;
        int k = static_cast<int>(strlen(buffer));
        if (!GrowTipText(b, k + 1))
            return;
        memcpy(b->tipText, buffer, static_cast<size_t>(k) + 1);
    }
    if (!m.Item(item) || !b->tooltip)
        return;
    POINT at = { label.left, label.top };
    ClientToScreen(b->window, &at);
    HMONITOR monitor = MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
    MONITORINFO mi = { sizeof mi, {}, {}, 0 };
    if (GetMonitorInfoA(monitor, &mi)) {
        int right = at.x + width + 8;
        if (right > mi.rcWork.right) at.x -= right - mi.rcWork.right;
        if (at.x < mi.rcWork.left) at.x = mi.rcWork.left;
    }
    TTTOOLINFOA ti = {};
    ti.cbSize = 44;
    ti.hwnd = b->window;
    ti.uId = reinterpret_cast<UINT_PTR>(b->window);
    SendMessageA(b->tooltip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(b->tooltip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
    b->tipShown = true;
    b->tipItem = item;
    b->tipColumn = column;
    SetTimer(b->window, kTipTimer, 1500, nullptr);
}

bool TreeListTakeFocus(TreeListBlock* b) noexcept
{
    if (GetFocus() == b->window) {
        b->focusSeen = true;
        return true;
    }
    b->lock.Leave(__LINE__, false);
    SetFocus(b->window);
    b->lock.Enter();
    return GetFocus() == b->window;
}

// --- the window procedure

namespace {

LRESULT Dispatch(TreeListBlock* b, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace

LRESULT CALLBACK TreeListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TreeListBlock* b = static_cast<TreeListBlock*>(GetControlBlock(window));
    if (!b) {
        if (message == WM_CREATE)
            return OnCreate(window, reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    ++b->depth;
    LRESULT result = Dispatch(b, window, message, wParam, lParam);
    if (--b->depth == 0 && b->destroyed)
        FreeBlock(b);
    return result;
}

namespace {

LRESULT Dispatch(TreeListBlock* b, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TreeListModel& m = b->model;
    // Plain getters of one word, without the lock.
    switch (message) {
    case TVM_GETCOUNT: return m.count;
    case TVM_GETINDENT: return m.indent;
    case TVM_GETITEMHEIGHT: return m.rowHeight;
    case TVM_GETVISIBLECOUNT: return m.fullRows;
    case TVM_GETBKCOLOR: return wParam < TLCOL_COUNT ? static_cast<LRESULT>(m.colors[wParam]) : -1;
    case TVM_GETTEXTCOLOR: return static_cast<LRESULT>(m.colors[TLCOL_TEXT]);
    case TVM_GETLINECOLOR: return static_cast<LRESULT>(m.colors[TLCOL_LINES]);
    case TVM_GETINSERTMARKCOLOR: return static_cast<LRESULT>(m.colors[TLCOL_INSERTMARK]);
    case TVM_GETEXTENDEDSTYLE: return static_cast<LRESULT>(m.exStyle);
    case TVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(b->editor);
    case TVM_GETTOOLTIPS: return reinterpret_cast<LRESULT>(b->tooltip);
    case TVM_GETIMAGELIST: return reinterpret_cast<LRESULT>(GetImageList(b, wParam));
    case TLM_GETCOLUMNCOUNT: return m.columnCount;
    case TLM_GETHEADER: return reinterpret_cast<LRESULT>(b->header);
    case TLM_GETITEMDATA: { const TreeListItem* it = m.Item(Num(lParam)); return it ? it->data : 0; }
    case TLM_GETROWSFIT: return m.rowsFit;
    case TLM_GETEXTRACOUNT: return m.extraBytes;
    case TLM_GETROWCOUNT: return m.rowCount;
    case CCM_GETUNICODEFORMAT: return 0;
    case TLM_PROPERTY: {
        UINT number = static_cast<UINT>(wParam & 0x7FFFFFFF);
        if (number == TLP_WINDOWPROC)
            return reinterpret_cast<LRESULT>(&TreeListProc);
        bool write = (wParam & kPropertyWrite) != 0;
        // Reads, the hook's two words and writes of the value already there need no lock.
        if (!write || number == TLP_HOOK || number == TLP_HOOKCONTEXT || !m.PropertyWriteChanges(number, lParam))
            return m.Property(number, write, lParam);
        TreeListLock lock(b);
        return m.Property(number, true, lParam);
    }
    case WM_DESTROY:
        OnDestroy(b);
        return 0;
    case WM_NCDESTROY:
        OnNcDestroy(window, b);
        return 0;
    default:
        break;
    }
    if (message >= 0x1100 && message <= 0x1140) {
        TreeListLock lock(b);
        return OnTreeMessage(b, message, wParam, lParam);
    }
    if (message >= 0x114E && message <= 0x117F) {
        TreeListLock lock(b);
        return OnOwnMessage(b, message, wParam, lParam);
    }
    switch (message) {
    case WM_SIZE: {
        TreeListLock lock(b);
        OnSize(b, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        TreeListLock lock(b);
        OnFocus(b, message == WM_SETFOCUS);
        return 0;
    }
    case WM_ENABLE: {
        TreeListLock lock(b);
        m.enabled = wParam != 0;
        m.style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
        if (m.exStyle & TLX_DISABLEDCOLORS)
            b->InvalidateAll();
        return 0;
    }
    case WM_SETREDRAW: {
        TreeListLock lock(b);
        if (!wParam) {
            m.redrawSuspended = true;   // only the flag: the window stays shown
            return 0;
        }
        // Drawing that was never suspended has nothing to catch up on.
        if (!m.redrawSuspended)
            return 0;
        m.redrawSuspended = false;
        LRESULT r = DefWindowProcA(window, message, wParam, lParam);
        b->InvalidateAll();
        if (b->header)
            InvalidateRect(b->header, nullptr, TRUE);
        TreeListUpdateVBar(b, true);
        TreeListUpdateHBar(b);
        return r;
    }
    case WM_PAINT:
        if (wParam) {
            TreeListPaint(b, reinterpret_cast<HDC>(wParam), nullptr);
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            if (dc)
                TreeListPaint(b, dc, &ps.rcPaint);
            EndPaint(window, &ps);
        }
        return 0;
    case WM_SYSCOLORCHANGE: {
        TreeListLock lock(b);
        CloseThemes(b);
        OpenThemes(b);
        if (b->ownState || b->stateList == reinterpret_cast<HIMAGELIST>(1))
            TreeListBuildCheckImages(b, 0);
        if (b->own3 || b->list3 == reinterpret_cast<HIMAGELIST>(1))
            TreeListBuildCheckImages(b, 1);
        if (b->header)
            SendMessageA(b->header, WM_SYSCOLORCHANGE, 0, 0);
        m.DefaultColors();
        b->InvalidateAll();
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wParam) {
            TreeListLock lock(b);
            SCROLLINFO si = { sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0 };
            SetScrollInfo(window, SB_VERT, &si, FALSE);
            SetScrollInfo(window, SB_HORZ, &si, FALSE);
            TreeListUpdateVBar(b, true);
            TreeListUpdateHBar(b);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DRAWITEM:
        if (wParam == kHeaderId) {
            HWND parent = GetParent(window);
            return parent ? SendMessageA(parent, WM_DRAWITEM, static_cast<WPARAM>(GetDlgCtrlID(window)), lParam) : 0;
        }
        return 0;
    case WM_SETFONT: {
        TreeListLock lock(b);
        // New metrics are drawn at once, whatever the redraw flag says: rows laid out for
        // the old font would stay on screen until something else repaints them.
        if (TreeListSetFont(b, reinterpret_cast<HFONT>(wParam))) {
            m.ComputeRowHeight();
            TreeListUpdateVBar(b, true);
            b->InvalidateAll();   // lParam FALSE too
        }
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(b->font);
    case WM_NOTIFY: {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (!hdr)
            return 0;
        if (hdr->hwndFrom == b->tooltip && hdr->code == TTN_GETDISPINFOA) {
            NMTTDISPINFOA* di = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            di->lpszText = b->tipText;
            if (b->tipFont != b->font) {
                SendMessageA(b->tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(b->font), FALSE);
                b->tipFont = b->font;
            }
            return 0;
        }
        if (hdr->hwndFrom == b->header && hdr->hwndFrom) {
            TreeListLock lock(b);
            return TreeListHeaderNotify(b, hdr);
        }
        return 0;
    }
    case WM_STYLECHANGED:
        if (wParam == static_cast<WPARAM>(GWL_STYLE)) {
            TreeListLock lock(b);
            OnStyleChanged(b, reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew);
        }
        return 0;
    case WM_GETDLGCODE: {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN &&
            (msg->wParam == VK_RETURN || (msg->wParam == VK_ESCAPE && m.dragItem)))
            return DLGC_WANTALLKEYS;
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    }
    case WM_KEYDOWN: {
        TreeListLock lock(b);
        TreeListKeyDown(b, static_cast<UINT>(wParam), lParam);
        return 0;
    }
    case WM_KEYUP:
        return 0;
    case WM_CHAR: {
        TreeListLock lock(b);
        int repeat = LOWORD(lParam) ? LOWORD(lParam) : 1;
        for (int i = 0; i < repeat; ++i)
            TreeListChar(b, static_cast<UINT>(wParam), lParam);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kEditorId) {
            TreeListLock lock(b);
            TreeListEditorCommand(b, HIWORD(wParam));
        }
        return 0;
    case WM_TIMER: {
        TreeListLock lock(b);
        if (wParam == kDropMarkTimer) {
            TreeListOnDropMarkTimer(b);
        } else if (wParam == kDragTimer) {
            TreeListOnDragTimer(b);
        } else if (wParam == kTipTimer) {
            POINT pt;
            GetCursorPos(&pt);
            HWND under = WindowFromPoint(pt);
            if (under != window && under != b->tooltip)
                TreeListHideTip(b);
        }
        return 0;
    }
    case WM_HSCROLL: {
        TreeListLock lock(b);
        const int code = ScrollCode(wParam);
        // The thumb position is a 16-bit unsigned word: read signed, a drag past 32767 pixels
        // turned negative and snapped back to 0.
        RunHScroll(b, code, code == 12 ? static_cast<int>(wParam >> 4) : static_cast<int>(HIWORD(wParam)));
        return 0;
    }
    case WM_VSCROLL: {
        TreeListLock lock(b);
        const int code = ScrollCode(wParam);
        RunVScroll(b, code, code == 12 ? static_cast<int>(wParam >> 4) : HIWORD(wParam));
        return 0;
    }
    case WM_MOUSEWHEEL: {
        TreeListLock lock(b);
        WORD keys = LOWORD(wParam);
        if ((keys & (MK_RBUTTON | MK_MBUTTON)) || m.editItem || (m.style & TVS_NOSCROLL))
            return 1;
        if ((keys & MK_LBUTTON) && !m.dragItem)
            return 1;
        int rows = -static_cast<short>(HIWORD(wParam)) / 60;
        if (keys & MK_SHIFT) rows *= 3;
        if (keys & MK_CONTROL) rows *= 9;
        int f = m.ClampFirstRow(m.firstVisible + rows);
        if (f != m.firstVisible)
            m.ScrollV(f, SB_THUMBPOSITION | 0x10000);
        return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        TreeListLock lock(b);
        TreeListMouse(b, message, wParam, POINT{ static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) });
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        TreeListLock lock(b);
        POINT pt = { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
        if (m.dragItem) {
            TreeListDrop(b);
        } else if (message == WM_LBUTTONUP && (m.editArmed || m.clickPending)) {
            // A cell button pressed on an item already selected is released here as well:
            // it once stayed pressed, and the click never reached it.
            if (m.pressedItem)
                ReleaseCellButton(b, pt);
            TreeListMouse(b, message, wParam, pt);
        } else {
            if (message == WM_LBUTTONUP && m.pressedItem)
                ReleaseCellButton(b, pt);
            if (m.pressedCheck && m.hotItem)
                b->InvalidateCell(m.hotItem, m.hotColumn);   // the box is drawn released
            m.pressedCheck = false;
            m.downItem = 0;
            m.downKind = 0;
            TreeListButtonUp(b, message == WM_LBUTTONUP ? TLN_LBUTTONUP : TLN_RBUTTONUP, wParam, pt);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        TreeListLock lock(b);
        TreeListMouseMove(b, wParam, POINT{ static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) });
        return 0;
    }
    case WM_MOUSELEAVE: {
        TreeListLock lock(b);
        b->trackingLeave = false;
        m.SetDropHilite(0, 0);
        if (m.hotItem) {
            UINT hot = m.hotItem;
            m.hotItem = 0;
            b->InvalidateCell(hot, m.hotColumn);
        }
        return 0;
    }
    case WM_CAPTURECHANGED: {
        // Stuck drag mended: another window took the mouse, so no button up ends the drag
        // here (its mark and timer stayed, and the next click dropped); it ends now.
        TreeListLock lock(b);
        if (m.dragItem && reinterpret_cast<HWND>(lParam) != window)
            TreeListCancelDrag(b);
        return 0;
    }
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR: {
        TreeListLock lock(b);
        if (b->editor && IsWindowVisible(b->editor)) {
            PostMessageA(b->editor, message, wParam, lParam);
            return 0;
        }
        if (message == WM_PASTE)
            TreeListPaste(b);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace
