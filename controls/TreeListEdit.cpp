// TreeList in-place editing: the "EDIT" or "COMBOBOX" editor over a label or cell, its
// subclass (Enter, Escape, arrow keys that leave it, the wheel in an open list), the end of
// an edit with the parent's veto, edit requests to the parent (-435) and the columns' own
// editors, including the cycling and check-box cells.
#include "controls/TreeListImpl.h"

#include <string.h>
#include <string>
#include <vector>

namespace {

HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

LRESULT CALLBACK EditorProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND parent = GetParent(w);
    TreeListBlock* b = TreeListFromWindow(parent);
    HWND editor = w;
    WNDPROC old;
    if (b) {
        old = b->editorProc;
    } else {
        // The edit field of a combo box: its old procedure is in its user data.
        editor = parent;
        b = TreeListFromWindow(GetParent(parent));
        old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_USERDATA));
    }
    if (!old)
        return DefWindowProcA(w, message, wParam, lParam);
    if (!b)
        return CallWindowProcA(old, w, message, wParam, lParam);
    HWND control = b->window;
    const WPARAM commit = MAKEWPARAM(kEditorId, kEditorCommit);
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            SendMessageA(control, WM_COMMAND, MAKEWPARAM(kEditorId, wParam == VK_RETURN ? kEditorCommit : kEditorCancel),
                         reinterpret_cast<LPARAM>(editor));
            return 0;
        }
        if ((b->model.exStyle & TLX_KEEPODDHEIGHT) && GetKeyState(VK_SHIFT) >= 0 &&
            (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN)) {
            bool leave = false;
            const bool isEdit = b->editorKind == 0;
            if (wParam == VK_LEFT || wParam == VK_RIGHT) {
                if (isEdit || w != editor) {
                    DWORD start = 0, end = 0;
                    CallWindowProcA(old, w, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                    // The caret is the selection's end: a text selected whole leaves to the right.
                    if (wParam == VK_LEFT)
                        leave = start == 0 && end == 0;
                    else
                        leave = static_cast<LRESULT>(end) >= CallWindowProcA(old, w, EM_LINELENGTH, 0, 0);
                }
            } else {
                leave = isEdit;
            }
            if (leave) {
                PostMessageA(control, WM_COMMAND, commit, reinterpret_cast<LPARAM>(editor));
                PostMessageA(control, WM_KEYDOWN, wParam, 0x500001);
                PostMessageA(control, WM_KEYUP, wParam, 0x500001);
                return 0;
            }
        }
        if (wParam == VK_DOWN && b->editorKind != 0 && !SendMessageA(editor, CB_GETDROPPEDSTATE, 0, 0)) {
            SendMessageA(editor, CB_SHOWDROPDOWN, TRUE, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE)
            return 0;
        break;
    case WM_COMMAND:
        if (w == editor && (HIWORD(wParam) == kEditorCommit || HIWORD(wParam) == kEditorCancel))
            return SendMessageA(control, WM_COMMAND, wParam, lParam);
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_SETTEXT: {
        LRESULT r = CallWindowProcA(old, w, message, wParam, lParam);
        SendMessageA(control, WM_COMMAND, MAKEWPARAM(kEditorId, kEditorChanged), reinterpret_cast<LPARAM>(editor));
        return r;
    }
    case WM_MOUSEWHEEL:
        if (b->editorKind != 0 && SendMessageA(editor, CB_GETDROPPEDSTATE, 0, 0)) {
            int top = static_cast<int>(SendMessageA(editor, CB_GETTOPINDEX, 0, 0));
            top -= static_cast<short>(HIWORD(wParam)) / 120;
            SendMessageA(editor, CB_SETTOPINDEX, static_cast<WPARAM>(top < 0 ? 0 : top), 0);
            return 0;
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(old, w, message, wParam, lParam);
}

BOOL CALLBACK SubclassChild(HWND child, LPARAM)
{
    LONG_PTR old = SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorProc));
    SetWindowLongPtrA(child, GWLP_USERDATA, old);
    return TRUE;
}

// The entries of a column's choice list (a string cut at its separator, or an array).
std::vector<std::string> ColumnChoices(const TreeListColumn& col)
{
    std::vector<std::string> out;
    if (col.choices == -1 || col.choices == 0)
        return out;
    const size_t most = 1024;   // no column is given a smaller count: its list is read to its end
    if (col.editFlags & TLO_ARRAY) {
        const char* const* a = reinterpret_cast<const char* const*>(col.choices);
        for (size_t i = 0; i < most && a[i]; ++i)
            out.emplace_back(a[i], strnlen(a[i], 1023));
        return out;
    }
    const char* s = reinterpret_cast<const char*>(col.choices);
    const char sep = static_cast<char>(col.separator);
    while (out.size() < most) {
        if (sep) {
            const char* end = strchr(s, sep);
            size_t n = end ? static_cast<size_t>(end - s) : strlen(s);
            out.emplace_back(s, n > 1023 ? 1023 : n);
            if (!end)
                break;
            s = end + 1;
        } else {
            size_t n = strlen(s);
            if (n == 0)
                break;   // entries end at zero bytes, the list at an empty entry
            out.emplace_back(s, n > 1023 ? 1023 : n);
            s += n + 1;
        }
    }
    return out;
}

// The index of the text among the entries: the last equal one of an array, the first of a
// string; -1 when none is equal.
int FindChoice(const std::vector<std::string>& entries, const char* text, bool array)
{
    int found = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == text) {
            found = static_cast<int>(i);
            if (!array)
                break;
        }
    return found;
}

// Fills the combo box and selects the entry equal to the current text, case and all, by the
// rule the saved edit finds its image by. CB_FINDSTRINGEXACT ignores case: it chose "abc"
// for "ABC", and a list-only box then saved "abc" unasked.
void FillCombo(HWND editor, const std::vector<std::string>& entries, const char* current, bool array)
{
    for (const std::string& e : entries)
        SendMessageA(editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
    int at = FindChoice(entries, current, array);
    if (at >= 0)
        SendMessageA(editor, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

HWND TypingTarget(HWND editor)
{
    HWND field = GetWindow(editor, GW_CHILD);
    return field ? field : editor;
}

UINT ClickCaretCode(TreeListBlock* b, UINT item, int column, POINT pt)
{
    RECT rc;
    rc.left = static_cast<LONG>(item);
    UINT flags = column ? (0x81u | (static_cast<UINT>(column) << 24)) : 0x1u;
    if (!b->model.ItemRect(item, flags, &rc))
        return 0;
    int offset = pt.x - rc.left - 2;
    if (offset < 0)
        offset = 0;
    return (1u << 26) | ((static_cast<UINT>(offset) & 0x3FFFF) << 8);
}

}  // namespace

HWND TreeListStartEdit(TreeListBlock* b, UINT item, UINT code) noexcept
{
    TreeListModel& m = b->model;
    const int column = static_cast<int>(code & 0xFF);
    if ((column != 0 && column >= m.columnCount) || !m.Item(item))
        return nullptr;
    if (!(item == m.caret && column == m.caretColumn)) {
        m.Select(item, (m.exStyle & TLX_CELLSELECT) ? column : 0, 0);
        if (!m.Item(item))
            return nullptr;
        m.EnsureVisible(item, column);
    }
    if (b->editor) {
        DestroyWindow(b->editor);
        b->editor = nullptr;
    }
    const int kind = static_cast<int>((code >> 29) & 3) == 3 ? 0 : static_cast<int>((code >> 29) & 3);
    const bool fill = (code & 0x80000000u) != 0;
    const TreeListColumn& col = m.columns[column];
    DWORD style;
    const char* cls = "COMBOBOX";
    if (kind == 1) {
        style = 0x40A00042;
    } else if (kind == 2) {
        style = 0x40A00043;
    } else {
        cls = "EDIT";
        style = 0x40800080;
        if (fill)
            style |= col.editAlign == 1 ? ES_CENTER : (col.editAlign == 2 ? ES_RIGHT : 0);
    }
    HWND editor = CreateWindowExA(0, cls, nullptr, style, 0, 0, 0, 0, b->window, reinterpret_cast<HMENU>(kEditorId),
                                  GetModuleHandleA(nullptr), nullptr);
    if (!editor)
        return nullptr;
    b->editor = editor;
    b->editorKind = kind;
    SendMessageA(editor, kind ? CB_LIMITTEXT : EM_LIMITTEXT, 2048, 0);
    const ControlThemeApi& t = TreeListTheme();
    if (t.module && t.SetWindowTheme)
        t.SetWindowTheme(editor, L"", L"");
    b->editorProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorProc)));
    SetWindowLongPtrA(editor, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(b));
    EnumChildWindows(editor, &SubclassChild, 0);
    b->callbackText = false;
    if (kind)
        SendMessageA(editor, CB_RESETCONTENT, 0, 0);
    // Where, with which text.
    TreeListItem* it = m.Item(item);
    RECT rc;
    rc.left = static_cast<LONG>(item);
    std::string text;
    int width;
    HFONT font = b->font;
    if (column == 0) {
        m.ItemRect(item, 0x1, &rc);
        if (it->callback & TLCB_TEXT)
            b->callbackText = true;
        int length = 0;
        const char* t0 = m.ItemText(item, 0, &length, 0);
        if (!t0 || !(it = m.Item(item)))
            return nullptr;
        text.assign(t0, static_cast<size_t>(length));
        width = m.TextWidth(item, 0) + 10;
        if (m.TextBold(item, 0))
            font = b->boldFont;
    } else {
        m.ItemRect(item, fill ? (0x80u | (static_cast<UINT>(column) << 24)) : (0x81u | (static_cast<UINT>(column) << 24)), &rc);
        TreeListCell* c = m.Cell(item, column);
        if (col.editKind >= TLE_CHECK && fill) {
            int box = m.list3Width ? m.list3Width : 16;
            if (c && (c->state & 0x80))
                rc.right -= box;
            else
                rc.left += box;
        }
        if (rc.right > m.clientWidth)
            rc.right = m.clientWidth;
        if (c) {
            if (c->callback & TLCB_TEXT)
                b->callbackText = true;
            int length = 0;
            const char* t0 = m.ItemText(item, column, &length, 0);
            if (!t0 || !m.Item(item))
                return nullptr;
            text.assign(t0, static_cast<size_t>(length));
            width = m.TextWidth(item, column) + 10;
            if (m.TextBold(item, column))
                font = b->boldFont;
        } else {
            b->emptyText[0] = 0;
            text = b->emptyText;
            width = rc.right - rc.left + 10;
        }
    }
    const int minimum = kind ? 60 : 48;
    if (fill) {
        width = rc.right - rc.left - 2;
    } else {
        if (width < minimum)
            width = minimum;
        width += static_cast<int>(text.size()) + (kind ? GetSystemMetrics(SM_CXHSCROLL) : 0);
    }
    if (width < minimum)
        width = minimum;
    int left = rc.left;
    if (!fill && column > 0) {
        // The editor's alignment is the column's option (bits 25-26), not its text's.
        if (col.editAlign == 1)
            left = (rc.left + rc.right - width) / 2;
        else if (col.editAlign == 2)
            left = rc.right - width;
    }
    // The parent may refuse the edit.
    NMTVDISPINFOA begin = {};
    m.Describe(&begin.item, item, column, 0x801D);
    begin.item.pszText = const_cast<char*>(text.c_str());
    begin.item.cchTextMax = static_cast<int>(text.size());
    if (b->Notify(&begin.hdr, TVN_BEGINLABELEDITA) || !m.Item(item)) {
        if (b->editor == editor) {
            DestroyWindow(editor);
            b->editor = nullptr;
        }
        return nullptr;
    }
    if (b->editor != editor)
        return nullptr;
    TreeListHideTip(b);
    b->lock.Leave(__LINE__, false);
    SetFocus(editor);
    b->lock.Enter();
    if (b->editor != editor || !m.Item(item))
        return nullptr;
    if (kind == 0)
        SetWindowPos(editor, HWND_TOP, left + 2, rc.top + 1, width, m.textHeight + 4, SWP_SHOWWINDOW);
    else
        SetWindowPos(editor, HWND_TOP, left + 2, rc.top, width, 260, SWP_SHOWWINDOW);
    SendMessageA(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const bool changed = b->textChanged;
    SetWindowTextA(editor, text.c_str());
    b->textChanged = changed;
    b->editOriginal = text;
    // Where the caret goes.
    const int length = static_cast<int>(text.size());
    DWORD selection = MAKELONG(0, length);
    const UINT mode = (code >> 26) & 3;
    const UINT arg = (code >> 8) & 0x3FFFF;
    if (mode == 1) {
        int offset = static_cast<int>(arg);
        if (offset >= 5)
            offset -= 4;
        HDC dc = GetDC(b->window);
        HGDIOBJ old = SelectObject(dc, font);
        int fit = 0;
        SIZE size = {};
        std::vector<int> extents(static_cast<size_t>(length) + 1);
        GetTextExtentExPointA(dc, text.c_str(), length, offset, &fit, extents.data(), &size);
        if (fit < length) {
            // The measuring call fills the extents of the characters that fit, no more: the
            // next character's end is measured on its own. Read from the unfilled entry, its
            // width came out negative and put the caret characters left of the click.
            SIZE through = {};
            GetTextExtentPoint32A(dc, text.c_str(), fit + 1, &through);
            int next = through.cx - (fit ? extents[static_cast<size_t>(fit) - 1] : 0);
            GetTextExtentExPointA(dc, text.c_str(), length, offset + next / 2, &fit, extents.data(), &size);
        }
        SelectObject(dc, old);
        ReleaseDC(b->window, dc);
        if (size.cx > offset)
            selection = MAKELONG(fit, fit);
    } else if (mode == 2) {
        int at = static_cast<int>(arg) > length ? length : static_cast<int>(arg);
        selection = MAKELONG(at, at);
    } else if (mode == 3) {
        selection = MAKELONG(arg & 0x1FF, (arg >> 9) & 0x1FF);
    }
    if (kind == 0)
        SendMessageA(editor, EM_SETSEL, LOWORD(selection), HIWORD(selection));
    else if (kind == 1)
        SendMessageA(editor, CB_SETEDITSEL, 0, static_cast<LPARAM>(selection));
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    m.editItem = item;
    m.editColumn = column;
    b->editSelection = selection;
    return editor;
}

int TreeListEndEdit(TreeListBlock* b, int mode) noexcept
{
    TreeListModel& m = b->model;
    const UINT item = m.editItem;
    const int column = m.editColumn;
    const bool callback = b->callbackText;
    m.editItem = 0;
    m.editColumn = 0;
    b->callbackText = false;
    if (!m.Item(item) || !m.ValidColumn(column)) {
        if (b->editor)
            ShowWindow(b->editor, SW_HIDE);
        return 0;
    }
    char text[2052] = {};
    NMTVDISPINFOA end = {};
    m.Describe(&end.item, item, column, 0);
    if (mode) {
        if (b->editor && b->editorKind == 2 && !b->textChanged) {
            // A list-only box shows only its entries: a text that is none of them reads back
            // empty. Nothing was chosen, so the text stays as it was (it once came back
            // emptied, or as the entry equal to it but for case).
            lstrcpynA(text, b->editOriginal.c_str(), sizeof text - 1);
        } else if (b->editor) {
            GetWindowTextA(b->editor, text, sizeof text);
        }
        end.item.mask = 0x801D | (b->textChanged ? 0x20000000u : 0) | (mode == 2 ? 0x10000000u : 0);
        end.item.pszText = text;
        end.item.cchTextMax = 2051;
    } else {
        end.item.mask = 0x100801C;
        end.item.pszText = nullptr;
        end.item.cchTextMax = 0;
    }
    int selected = b->editor && b->editorKind ? static_cast<int>(SendMessageA(b->editor, CB_GETCURSEL, 0, 0)) : -1;
    if (b->editor)
        ShowWindow(b->editor, SW_HIDE);
    LRESULT refused = b->Notify(&end.hdr, TVN_ENDLABELEDITA);
    if (refused || !mode || !m.Item(item) || !m.ValidColumn(column))
        return 0;
    if (callback) {
        NMTVDISPINFOA set = {};
        m.Describe(&set.item, item, column, 0x801D);
        set.item.stateMask = 0xFFFFFF1D;
        set.item.pszText = text;
        set.item.cchTextMax = static_cast<int>(strlen(text));
        b->Notify(&set.hdr, TVN_SETDISPINFOA);
        return 1;
    }
    const TreeListColumn& col = m.columns[column];
    bool moveDown = false;
    if ((col.editFlags & TLO_ENTERMOVES) && mode == 2 && col.editKind != TLE_NONE && col.editKind != TLE_CYCLE) {
        int length = 0;
        const char* old = m.ItemText(item, column, &length, 0);
        if (!old || !m.Item(item))
            return 0;
        if (!b->textChanged && strcmp(old, text) == 0)
            return 1;
        moveDown = true;
    }
    TVITEMA set = {};
    set.mask = TVIF_TEXT | (column ? TLIF_CELL : 0);
    set.hItem = Handle(item);
    set.pszText = text;
    set.cChildren = column;
    if (col.imageBase != -1 && col.editKind != TLE_NONE) {
        int index = -1;
        if ((col.editKind == TLE_COMBO || col.editKind == TLE_LIST) && selected >= 0)
            index = selected;
        else
            index = FindChoice(ColumnChoices(col), text, (col.editFlags & TLO_ARRAY) != 0);
        set.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        set.iImage = set.iSelectedImage = col.imageBase + index;
    }
    m.SetItem(&set);
    if (moveDown && m.Item(item) && m.Item(item)->row) {
        UINT next = m.RowItem(static_cast<int>(m.Item(item)->row));
        if (next)
            m.Select(next, column, (TVC_BYKEYBOARD << 8) | 0x8000);
    }
    return 1;
}

void TreeListEditorCommand(TreeListBlock* b, UINT code) noexcept
{
    switch (code) {
    case EN_KILLFOCUS:
    case CBN_KILLFOCUS:
        if (b->model.editItem)
            TreeListEndEdit(b, 1);
        break;
    case kEditorCommit:
    case kEditorCancel: {
        if (b->model.editItem)
            TreeListEndEdit(b, code == kEditorCommit ? 2 : 0);
        // The focus comes back only from the hidden editor (an EDIT as well as a combo box):
        // after a combo box's CBN_KILLFOCUS it went where the user sent it, and taking it
        // back would steal it from that window.
        HWND focus = GetFocus();
        if (b->editor && (focus == b->editor || IsChild(b->editor, focus))) {
            b->lock.Leave(__LINE__, false);
            SetFocus(b->window);
            b->lock.Enter();
        }
        break;
    }
    case EN_CHANGE:
    case CBN_EDITCHANGE:
    case CBN_SELCHANGE:
    case kEditorChanged:
        b->textChanged = true;
        break;
    default:
        break;
    }
}

int TreeListRequestEdit(TreeListBlock* b, UINT item, int column, UINT key, POINT pt) noexcept
{
    TreeListModel& m = b->model;
    if (!(m.style & TVS_EDITLABELS) || !m.Item(item) || !m.ValidColumn(column) || m.editItem)
        return 0;
    if (key < 32 && key != 13)
        return 0;
    if ((key & 0x1000000) && (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0))
        return 0;
    int length = 0;
    const char* current = column && !m.Cell(item, column) ? "" : m.ItemText(item, column, &length, 0);
    if (!current)
        return 0;
    std::string text(current, static_cast<size_t>(length));
    TreeListEditRequest r = {};
    m.Describe(&r.item, item, column, 0x801C);
    r.item.pszText = const_cast<char*>(text.c_str());
    r.item.cchTextMax = static_cast<int>(text.size());
    r.key = key;
    r.choiceCount = 255;
    r.x = pt.x;
    r.y = pt.y;
    const UINT answer = static_cast<UINT>(b->Notify(&r.hdr, TLN_EDITREQUEST));
    auto release = [&]() {
        if ((answer & TLR_ALLOCATED) && r.choices) {
            TreeListFreeChoices(r.choices);
            r.choices = nullptr;
        }
    };
    if (!answer || !m.Item(item) || !m.ValidColumn(column)) {
        release();
        return 0;
    }
    UINT kind = 0;
    if ((answer & TLR_COMBO) && (answer & TLR_LISTONLY))
        kind = 2;
    else if (answer & TLR_COMBO)
        kind = 1;
    UINT code = static_cast<UINT>(column) | (answer & TLR_FILLCELL) | (kind << 29);
    if (key == 0x10002 && !(m.exStyle & 0x80000000u))
        code |= ClickCaretCode(b, item, column, pt);
    if (key == 13)
        key = 0x10000;
    HWND editor = TreeListStartEdit(b, item, code);
    if (!editor) {
        release();
        return 0;
    }
    if (kind) {
        std::vector<std::string> entries;
        size_t most = r.choiceCount > 0 ? static_cast<size_t>(r.choiceCount) : 0;
        if (r.choiceArray) {
            for (size_t i = 0; i < most && r.choiceArray[i]; ++i)
                entries.emplace_back(r.choiceArray[i], strnlen(r.choiceArray[i], 1023));
        } else if (r.choices) {
            const char sep = static_cast<char>((answer >> 8) & 0xFF);
            const char* s = r.choices;
            while (entries.size() < most && *s) {
                const char* e = sep ? strchr(s, sep) : nullptr;
                size_t n = e ? static_cast<size_t>(e - s) : strlen(s);
                entries.emplace_back(s, n > 1023 ? 1023 : n);
                if (!e)
                    break;
                s = e + 1;
            }
        }
        FillCombo(editor, entries, text.c_str(), r.choiceArray != nullptr);
        release();
        if (r.dropWidth)
            SendMessageA(editor, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(r.dropWidth), 0);
        if (answer & TLR_DROPNOW)
            SendMessageA(editor, CB_SHOWDROPDOWN, TRUE, 0);
        if (!(answer & TLR_LISTONLY)) {
            SetWindowTextA(editor, text.c_str());
            SendMessageA(editor, CB_SETEDITSEL, 0, static_cast<LPARAM>(b->editSelection));
        }
    } else {
        release();
    }
    if (key & 0x1000000) {
        b->textChanged = false;
        SendMessageA(TypingTarget(editor), WM_CHAR, key & 0xFFFF, 1);
    } else if (key == 0x10004 && !(answer & TLR_LISTONLY)) {
        b->textChanged = false;
        PostMessageA(TypingTarget(editor), WM_PASTE, 0, 0);
    } else if (key >= 0x10000) {
        b->textChanged = false;
    } else {
        MSG msg = { editor, WM_KEYDOWN, key, 0, 0, {} };
        TranslateMessage(&msg);
        b->textChanged = true;
    }
    return 1;
}

int TreeListColumnEdit(TreeListBlock* b, int column, UINT key, POINT pt, UINT target) noexcept
{
    TreeListModel& m = b->model;
    if (m.editItem || !m.ValidColumn(column))
        return 0;
    const TreeListColumn& col = m.columns[column];
    const int kind = col.editKind;
    if (kind == TLE_NONE)
        return 0;
    if (!(m.style & TVS_EDITLABELS) && !(key == 0x10001 && kind >= TLE_CHECK))
        return 0;
    const UINT item = target ? target : m.caret;
    TreeListItem* it = m.Item(item);
    if (!it)
        return 0;
    TreeListCell* cell = column ? m.Cell(item, column) : nullptr;
    UINT state = column ? (cell ? cell->state : 0) : it->state;
    if ((col.editFlags & TLO_READONLYBIT) && (state & 0x8000))
        return 0;
    if (m.props[TLP_PINNEDEDIT] && (!it->row || static_cast<int>(it->row) > m.props[TLP_PINNEDROWS]))
        return 0;
    // This edit starts unchanged, whatever the last one left in the flag.
    b->textChanged = false;
    const bool typing = (key & 0x1000000) != 0;
    if (typing) {
        UINT ch = key & 0xFFFF;
        if (!(kind == TLE_TEXT || kind == TLE_COMBO || kind == TLE_TEXTORCYCLE || kind == TLE_CHECKORTEXT) ||
            (col.editFlags & TLO_NOTYPING) || ch < 33)
            return 0;
        b->textChanged = true;
    }
    const bool asText = kind == TLE_TEXT || kind == TLE_COMBO || kind == TLE_LIST ||
                        ((kind == TLE_TEXTORCYCLE || kind == TLE_CHECKORTEXT) && key != 0x10001);
    std::vector<std::string> entries = ColumnChoices(col);
    if (asText) {
        UINT editorKind = kind == TLE_COMBO ? 1 : (kind == TLE_LIST ? 2 : 0);
        UINT code = static_cast<UINT>(column) | (editorKind << 29) | ((col.editFlags & TLO_FILLCELL) ? 0x80000000u : 0);
        if (key == 0x10002 && !(m.exStyle & 0x80000000u))
            code |= ClickCaretCode(b, item, column, pt);
        const bool changed = b->textChanged;
        HWND editor = TreeListStartEdit(b, item, code);
        if (!editor)
            return 0;
        b->textChanged = changed;
        if (editorKind) {
            int length = 0;
            const char* text = m.ItemText(item, column, &length, 0);
            FillCombo(editor, entries, text ? text : "", (col.editFlags & TLO_ARRAY) != 0);
            if (col.editFlags & TLO_DROPNOW)
                SendMessageA(editor, CB_SHOWDROPDOWN, TRUE, 0);
        }
        if (typing && key != 0x10002)
            SendMessageA(TypingTarget(editor), WM_CHAR, key & 0xFFFF, 1);
        else if (key == 0x10004)
            PostMessageA(TypingTarget(editor), WM_PASTE, 0, 0);
        return 1;
    }
    // Cycling cells and check boxes.
    int length = 0;
    const char* current = column && !cell ? "" : m.ItemText(item, column, &length, 0);
    if (!current || !m.Item(item))
        return 0;
    TVITEMA set = {};
    set.mask = column ? TLIF_CELL : 0;
    set.hItem = Handle(item);
    set.cChildren = column;
    std::string next;
    const bool buttonCell = cell && (cell->state & 0x40);
    if (!entries.empty()) {
        int i = FindChoice(entries, current, (col.editFlags & TLO_ARRAY) != 0);
        int n = i < 0 || i + 1 >= static_cast<int>(entries.size()) ? 0 : i + 1;
        next = entries[static_cast<size_t>(n)];
        if (next.empty() && (kind == TLE_CYCLE || kind == TLE_TEXTORCYCLE))
            return 0;
        set.mask |= TVIF_TEXT;
        set.pszText = const_cast<char*>(next.c_str());
        if (col.imageBase != -1) {
            set.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
            set.iImage = set.iSelectedImage = col.imageBase + (buttonCell ? 2 * n : n);
        }
    } else if (kind == TLE_CYCLE || kind == TLE_TEXTORCYCLE) {
        return 0;
    }
    if (kind == TLE_CHECK || kind == TLE_CHECKORTEXT) {
        UINT image;
        if (m.exStyle & TLX_CHECKBIT)
            image = (state ^ 0x1000) & 0xF000;
        else
            image = (state & 0x1000) ? 0x2000u : 0x1000u;
        UINT keep = ((col.editFlags & TLO_READONLYBIT) ? 0x8000u : 0) | ((m.exStyle & TLX_HIDDENITEMS) ? 0x4000u : 0);
        set.mask |= TVIF_STATE | (column ? TLIF_CELLSTATE : 0);
        set.stateMask = 0xF000 & ~keep;
        set.state = image;
    }
    if (!column)
        set.mask &= ~static_cast<UINT>(TLIF_CELL);
    m.SetItem(&set);
    if (!m.Item(item))
        return 1;
    NMTREEVIEWA nm = {};
    nm.action = key;
    m.Describe(&nm.itemNew, item, column, 0x801D);
    int textLength = 0;
    const char* now = m.ItemText(item, column, &textLength, 0);
    if (!now)
        return 1;
    std::string shown(now, static_cast<size_t>(textLength));
    nm.itemNew.pszText = const_cast<char*>(shown.c_str());
    nm.itemNew.cchTextMax = textLength;
    nm.ptDrag = pt;
    b->Notify(&nm.hdr, kind >= TLE_CHECK ? TLN_CHECKED : TLN_CYCLED);
    return 1;
}
