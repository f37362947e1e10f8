// A parent window that records the notifications of its child lists, and a list whose texts
// come from a callback of the test's own.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>
#include "controls/FastList.h"

namespace fltest {

struct Note {
    int code;
    int item;
    int column;
    UINT newState;
    UINT oldState;
    UINT changed;
    LPARAM data;
};

class Parent {
public:
    Parent()
    {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &Parent::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "FastListTestParent";
            RegisterClassA(&wc);
            registered = true;
        }
        hwnd = CreateWindowExA(0, "FastListTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Parent()
    {
        if (hwnd)
            DestroyWindow(hwnd);
    }
    // Notes of the list-view codes; others go to `other`.
    std::vector<Note> notes;
    std::vector<int> codes;
    std::function<LRESULT(NMHDR*)> react;
    HWND hwnd = nullptr;

    std::vector<Note> Of(int code) const
    {
        std::vector<Note> out;
        for (const Note& n : notes)
            if (n.code == code)
                out.push_back(n);
        return out;
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        Parent* self = reinterpret_cast<Parent*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (msg == WM_NOTIFY && self && lp) {
            NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
            const int code = static_cast<int>(hdr->code);
            self->codes.push_back(code);
            Note n = {code, -1, -1, 0, 0, 0, 0};
            const UINT c = hdr->code;
            if (c == LVN_ITEMCHANGING || c == LVN_ITEMCHANGED || c == LVN_INSERTITEM || c == LVN_DELETEITEM ||
                code == FLN_CHECKCHANGED || code == FLN_GLYPHCLICK) {
                const NMLISTVIEW* nm = reinterpret_cast<const NMLISTVIEW*>(lp);
                n = {code, nm->iItem, nm->iSubItem, nm->uNewState, nm->uOldState, nm->uChanged, nm->lParam};
            }
            self->notes.push_back(n);
            if (self->react)
                return self->react(hdr);
            return 0;
        }
        return DefWindowProcA(h, msg, wp, lp);
    }
};

// Texts of a data word: "Item <data>" for column 0, "<data>.<column>" for the others; a mode
// of the test's own may replace them.
struct Texts {
    std::function<void(DWORD data, int column, FastListTextRequest* r)> custom;
    int calls = 0;
    static void __stdcall Callback(void* context, DWORD data, int column, int, FastListTextRequest* r)
    {
        Texts* self = static_cast<Texts*>(context);
        ++self->calls;
        if (self->custom) {
            self->custom(data, column, r);
            return;
        }
        if (column == 0)
            std::snprintf(r->text, 2044, "Item %lu", static_cast<unsigned long>(data));
        else
            std::snprintf(r->text, 2044, "%lu.%d", static_cast<unsigned long>(data), column);
    }
};

inline HWND MakeFastList(HWND parent, DWORD style, Texts* texts, int x = 0, int y = 0, int w = 400, int h = 300)
{
    RegisterFastListClass(GetModuleHandleA(nullptr));
    HWND list = CreateWindowExA(0, "FastList", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | style, x, y, w, h,
                                parent, reinterpret_cast<HMENU>(77), GetModuleHandleA(nullptr), nullptr);
    if (list && texts) {
        SendMessageA(list, FLM_PROPERTY, FLP_TEXTCONTEXT | FLP_WRITE, reinterpret_cast<LPARAM>(texts));
        SendMessageA(list, FLM_PROPERTY, FLP_TEXTCALLBACK | FLP_WRITE, reinterpret_cast<LPARAM>(&Texts::Callback));
    }
    return list;
}

inline int InsertData(HWND list, int at, DWORD data, UINT mask = 0, UINT state = 0, UINT stateMask = 0)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM | mask;
    item.iItem = at;
    item.lParam = static_cast<LPARAM>(data);
    item.state = state;
    item.stateMask = stateMask;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

inline int AddColumn(HWND list, int at, int width, const char* text = "")
{
    LVCOLUMNA col = {};
    col.mask = LVCF_WIDTH | LVCF_TEXT;
    col.cx = width;
    col.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&col)));
}

inline BOOL SetState(HWND list, int item, UINT state, UINT mask)
{
    LVITEMA lv = {};
    lv.state = state;
    lv.stateMask = mask;
    return static_cast<BOOL>(SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv)));
}

// The header's divider right of `column` double-clicked, as the header tells the list.
inline void DoubleClickDivider(HWND list, int column)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    NMHEADERA nm = {};
    nm.hdr.hwndFrom = header;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(header));
    nm.hdr.code = HDN_DIVIDERDBLCLICKA;
    nm.iItem = column;
    SendMessageA(list, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

inline void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

}  // namespace fltest
