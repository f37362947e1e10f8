// A parent window that records the notifications of its tree child ("TreeList" or Wine's
// "SysTreeView32") and may answer them, for the tree-list window tests.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <vector>
#include "controls/TreeList.h"

namespace tltest {

struct Note {
    int code;
    UINT action;
    HTREEITEM oldItem;
    HTREEITEM newItem;
    LPARAM newData;
};

class Parent {
public:
    // A hidden top-level window with a tree child of the class, 300 x 400 client pixels.
    Parent(const char* treeClass, DWORD style, int width = 300, int height = 400)
    {
        static bool registered = false;
        if (!registered) {
            INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES };
            InitCommonControlsEx(&icc);
            RegisterTreeListClass(GetModuleHandleA(nullptr));
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &Parent::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TreeListTestParent";
            wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
            RegisterClassA(&wc);
            registered = true;
        }
        RECT rc = { 0, 0, width, height };
        AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
        m_window = CreateWindowA("TreeListTestParent", "Tree", WS_OVERLAPPEDWINDOW, 10, 10, rc.right - rc.left,
                                 rc.bottom - rc.top, nullptr, nullptr, GetModuleHandleA(nullptr), this);
        m_tree = CreateWindowExA(0, treeClass, nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0, width, height, m_window,
                                 reinterpret_cast<HMENU>(77), GetModuleHandleA(nullptr), nullptr);
    }
    ~Parent() { DestroyWindow(m_window); }
    Parent(const Parent&) = delete;
    Parent& operator=(const Parent&) = delete;

    HWND Window() const { return m_window; }
    HWND Tree() const { return m_tree; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageA(m_tree, message, wParam, lParam);
    }
    HTREEITEM Insert(HTREEITEM parent, HTREEITEM after, const char* text, LPARAM data = 0) const
    {
        TVINSERTSTRUCTA ins = {};
        ins.hParent = parent;
        ins.hInsertAfter = after;
        ins.item.mask = TVIF_TEXT | TVIF_PARAM;
        ins.item.pszText = const_cast<char*>(text);
        ins.item.lParam = data;
        return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    }

    std::vector<Note> notes;
    std::function<LRESULT(NMHDR*)> answer;   // the parent's result; 0 when unset
    bool recording = true;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(w, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        Parent* self = reinterpret_cast<Parent*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (message == WM_NOTIFY && self) {
            NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
            int code = static_cast<int>(hdr->code);
            // Custom draw (-12) and tool tips (-520, -530) are left out; records of the tree
            // notifications -401 to -415 (but their text and key forms) and of the clicks
            // and the control's own -433, -434, -440 carry items.
            if (self->recording && hdr->hwndFrom == self->m_tree && code != -12 && code != -520 && code != -530) {
                Note n = { code, 0, nullptr, nullptr, 0 };
                if ((code <= -401 && code >= -415) || code == -2 || code == -3 || code == -5 || code == TLN_DROP ||
                    code == TLN_CHECKED || code == TLN_CYCLED) {
                    const NMTREEVIEWA* nm = reinterpret_cast<const NMTREEVIEWA*>(lParam);
                    if (code != -403 && code != -404 && code != -412 && code != -410 && code != -411) {
                        n.action = nm->action;
                        n.oldItem = nm->itemOld.hItem;
                        n.newItem = nm->itemNew.hItem;
                        n.newData = nm->itemNew.lParam;
                    }
                }
                self->notes.push_back(n);
            }
            if (self->answer)
                return self->answer(hdr);
            return 0;
        }
        return DefWindowProcA(w, message, wParam, lParam);
    }

    HWND m_window = nullptr;
    HWND m_tree = nullptr;
};

inline std::vector<int> Codes(const std::vector<Note>& notes)
{
    std::vector<int> v;
    for (const Note& n : notes)
        v.push_back(n.code);
    return v;
}

// TVM_SETITEMA of the item (column 0) or of its cell in the column.
inline void SetItem(const Parent& p, HTREEITEM item, int column, UINT mask, UINT state, UINT stateMask, int image = 0)
{
    TVITEMA set = {};
    set.mask = mask | (column ? TLIF_CELL : 0);
    set.hItem = item;
    set.cChildren = column;
    set.state = state;
    set.stateMask = stateMask;
    set.iImage = set.iSelectedImage = image;
    p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set));
}

// A 32-bit memory bitmap the control paints into (WM_PAINT with the DC in wParam).
struct Pixels {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    DWORD* bits = nullptr;
    int width, height;
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;
    Pixels(int w, int h) : width(w), height(h)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<DWORD*>(p);
        SelectObject(dc, bitmap);
    }
    ~Pixels()
    {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    COLORREF At(int x, int y) const
    {
        DWORD v = bits[y * width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    void Paint(const tltest::Parent& p) { p.Send(WM_PAINT, reinterpret_cast<WPARAM>(dc)); }
};

// n fixed columns of the same width; how many the control took.
inline int AddColumns(const Parent& p, int n, int width)
{
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH;
    col.cx = width;
    int added = 0;
    for (int i = 0; i < n; ++i)
        added += p.Send(TLM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col)) == i;
    return added;
}

// Window helpers of the tree-list window tests: addresses as message words, the window shown
// with the focus on the tree, an item's or cell's rectangle, a cell's text.
inline LPARAM Ptr(const void* p) { return reinterpret_cast<LPARAM>(p); }
inline LPARAM Num(HTREEITEM item) { return reinterpret_cast<LPARAM>(item); }

inline void ShowAndFocus(const Parent& p)
{
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    ShowWindow(p.Window(), SW_SHOW);
    SetForegroundWindow(p.Window());
    SetFocus(p.Tree());
}

// The item's row, or with a column the cell (its left edge is the cell's left edge less
// the horizontal scroll).
inline RECT ItemOrCellRect(const Parent& p, HTREEITEM item, int column = -1, BOOL textOnly = FALSE)
{
    RECT rc = {};
    rc.left = static_cast<LONG>(Num(item));
    WPARAM flags = column < 0 ? static_cast<WPARAM>(textOnly) : (0x80u | (static_cast<UINT>(column) << 24));
    p.Send(TVM_GETITEMRECT, flags, Ptr(&rc));
    return rc;
}

inline void SetCellText(const Parent& p, HTREEITEM item, int column, const char* text)
{
    TVITEMA set = {};
    set.mask = TLIF_CELL | TVIF_TEXT;
    set.hItem = item;
    set.cChildren = column;
    set.pszText = const_cast<char*>(text);
    p.Send(TVM_SETITEMA, 0, Ptr(&set));
}

}  // namespace tltest
