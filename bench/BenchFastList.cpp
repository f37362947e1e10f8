// The list benchmark: 200,000 items appended to a "FastList" one by one and in one run
// (0x10A6), then scrolled to the end and painted; the same one by one with the system's own
// list view holding callback texts, in the same run. Prints the times, their ratios and the
// memory each list takes per item.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "controls/FastList.h"

namespace {

const int kItems = 200000;

const int kColumns = 5;

double Now()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    // Committed private memory; Wine leaves PrivateUsage at 0 and reports it here.
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

void __stdcall Texts(void*, DWORD data, int column, int, FastListTextRequest* r)
{
    r->length = std::snprintf(r->text, 2044, "%lu/%d", static_cast<unsigned long>(data), column);
}

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NOTIFY && lp) {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == LVN_GETDISPINFOA) {
            NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(lp);
            if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0)
                std::snprintf(info->item.pszText, info->item.cchTextMax, "%d/%d", info->item.iItem, info->item.iSubItem);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void AddColumns(HWND list)
{
    for (int c = 0; c < kColumns; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_WIDTH | LVCF_TEXT;
        col.cx = 80;
        col.pszText = const_cast<char*>("Spalte");
        SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
}

// Scrolls to the last item and paints the list into a memory picture.
double ScrollAndPaint(HWND list)
{
    const double t0 = Now();
    SendMessageA(list, LVM_ENSUREVISIBLE, kItems - 1, FALSE);
    RECT r;
    GetClientRect(list, &r);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, std::max(1L, r.right), std::max(1L, r.bottom));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SendMessageA(list, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    GdiFlush();
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return Now() - t0;
}

}  // namespace

int main()
{
    InitCommonControls();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ParentProc;
    wc.hInstance = instance;
    wc.lpszClassName = "ListBenchParent";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "ListBenchParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                                  instance, nullptr);
    RegisterFastListClass(instance);

    // FastList, one by one.
    SIZE_T before = PrivateBytes();
    HWND fl = CreateWindowExA(0, "FastList", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, 0, 0, 600, 400, parent,
                              nullptr, instance, nullptr);
    SendMessageA(fl, FLM_PROPERTY, FLP_TEXTCALLBACK | FLP_WRITE, reinterpret_cast<LPARAM>(&Texts));
    AddColumns(fl);
    double t0 = Now();
    for (int i = 0; i < kItems; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        item.lParam = i;
        SendMessageA(fl, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    const double flOne = Now() - t0;
    const double flBytes = static_cast<double>(PrivateBytes() - before) / kItems;
    const double flPaint = ScrollAndPaint(fl);
    // FastList, one run.
    SendMessageA(fl, LVM_DELETEALLITEMS, 0, 0);
    t0 = Now();
    SendMessageA(fl, FLM_APPENDRUN, kItems, 0);
    const double flRun = Now() - t0;
    DestroyWindow(fl);

    // The system's list view with callback texts, one by one.
    before = PrivateBytes();
    HWND lv = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400, parent, nullptr,
                              instance, nullptr);
    AddColumns(lv);
    t0 = Now();
    for (int i = 0; i < kItems; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.lParam = i;
        item.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    const double lvOne = Now() - t0;
    const double lvBytes = static_cast<double>(PrivateBytes() - before) / kItems;
    const double lvPaint = ScrollAndPaint(lv);
    DestroyWindow(lv);
    DestroyWindow(parent);

    std::printf("items                 %d, %d columns of callback texts\n", kItems, kColumns);
    std::printf("FastList one by one  %9.3f ms\n", flOne * 1000);
    std::printf("FastList one run     %9.3f ms\n", flRun * 1000);
    std::printf("FastList end + paint %9.3f ms\n", flPaint * 1000);
    std::printf("list view one by one %9.3f ms\n", lvOne * 1000);
    std::printf("list view end + paint%9.3f ms\n", lvPaint * 1000);
    std::printf("ratio one by one     %9.3f (FastList / list view)\n", lvOne > 0 ? flOne / lvOne : 0.0);
    std::printf("ratio one run        %9.3f (FastList run / list view one by one)\n", lvOne > 0 ? flRun / lvOne : 0.0);
    std::printf("ratio end + paint    %9.3f\n", lvPaint > 0 ? flPaint / lvPaint : 0.0);
    std::printf("bytes per item       %9.1f FastList, %.1f list view\n", flBytes, lvBytes);
    return 0;
}
