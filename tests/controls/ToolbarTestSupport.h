// Helpers of the toolbar tests: bitmap strips made in memory, button records, and a toolbar
// block or window to drive.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "controls/ToolbarEx.h"
#include "controls/ToolbarExModel.h"

namespace tbtest {

// A 24-bit strip of `count` images of `width` x `height` on `background`, each image a
// filled square of its own colour inset by 2 pixels. The caller deletes it.
inline HBITMAP MakeStrip(int width, int count, int height, COLORREF background = RGB(192, 192, 192))
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width * count;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, width * count, height};
    HBRUSH bg = CreateSolidBrush(background);
    FillRect(dc, &all, bg);
    DeleteObject(bg);
    for (int i = 0; i < count; ++i) {
        RECT r = {i * width + 2, 2, (i + 1) * width - 2, height - 2};
        HBRUSH b = CreateSolidBrush(RGB(40 * i % 256, 200, 30));
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

inline TBBUTTON Button(int image, int command, BYTE state = TBSTATE_ENABLED, BYTE style = BTNS_BUTTON,
                       WORD own = 0, int string = -1)
{
    TBBUTTON b = {};
    b.iBitmap = image;
    b.idCommand = command;
    b.fsState = state;
    b.fsStyle = style;
    b.bReserved[0] = static_cast<BYTE>(own & 0xFF);
    b.bReserved[1] = static_cast<BYTE>(own >> 8);
    b.dwData = 0;
    b.iString = string;
    return b;
}

inline TBBUTTON Separator()
{
    return Button(-1, 0, 0, BTNS_SEP);
}

// A window-free toolbar block, freed at the end of the scope.
struct Block {
    Block() : b(TbxNewBlock()) {}
    ~Block()
    {
        TbxFreeBlock(b);
        for (HBITMAP s : strips)
            DeleteObject(s);
    }
    ToolbarExBlock* operator->() { return b; }
    operator ToolbarExBlock*() { return b; }
    // Adds a strip as a bitmap of the block; the index of its first image.
    int AddStrip(int width, int count, int height)
    {
        HBITMAP s = MakeStrip(width, count, height);
        strips.push_back(s);
        return TbxAddBitmap(b, nullptr, reinterpret_cast<UINT_PTR>(s), 0, count, 0, 256, nullptr, nullptr, nullptr);
    }
    bool Add(const TBBUTTON& button) { return TbxInsertButtons(b, b->buttonCount, &button, 1, true); }
    ToolbarExBlock* b;
    std::vector<HBITMAP> strips;
};

}  // namespace tbtest

namespace tbtest {

// A top-level parent that records what its toolbars tell it.
class ToolbarParent {
public:
    ToolbarParent()
    {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &ToolbarParent::Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "ToolbarTestParent";
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            RegisterClassA(&wc);
            registered = true;
        }
        hwnd = CreateWindowExA(0, "ToolbarTestParent", "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 200,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ToolbarParent()
    {
        if (hwnd)
            DestroyWindow(hwnd);
    }
    // A toolbar of our class (or `className`) as a visible child.
    HWND Toolbar(DWORD style = 0, const char* className = TOOLBAREX_CLASSNAME, int id = 100)
    {
        RegisterToolbarExClass(GetModuleHandleA(nullptr));
        return CreateWindowExA(0, className, nullptr, WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NOPARENTALIGN | style,
                               0, 0, 600, 60, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
    }
    // Dispatches what waits in the queue.
    static void Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    HWND hwnd = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    std::vector<int> notifyCodes;
    int contextMenus = 0;
    void (*onCommand)(ToolbarParent* self, WPARAM wParam, LPARAM lParam) = nullptr;
    void (*onNotify)(ToolbarParent* self, NMHDR* header) = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        ToolbarParent* self = reinterpret_cast<ToolbarParent*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self) {
            switch (msg) {
            case WM_COMMAND:
                self->commands.push_back({wp, lp});
                if (self->onCommand)
                    self->onCommand(self, wp, lp);
                return 0;
            case WM_NOTIFY:
                self->notifyCodes.push_back(static_cast<int>(reinterpret_cast<NMHDR*>(lp)->code));
                if (self->onNotify)
                    self->onNotify(self, reinterpret_cast<NMHDR*>(lp));
                return 0;
            case WM_CONTEXTMENU:
                ++self->contextMenus;
                return 0;
            default:
                break;
            }
        }
        return DefWindowProcA(h, msg, wp, lp);
    }
};

}  // namespace tbtest
