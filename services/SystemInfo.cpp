#include "services/SystemInfo.h"

#include <cstring>

int GetBitmapSize(HBITMAP bitmap, int* width, int* height, int* bitsPerPixel)
{
    BITMAP info;
    memset(&info, 0, sizeof(info));
    int ok = bitmap && GetObjectA(bitmap, sizeof(info), &info) != 0;
    if (!ok)
        memset(&info, 0, sizeof(info));
    if (width)
        *width = info.bmWidth;
    if (height)
        *height = info.bmHeight;
    if (bitsPerPixel)
        *bitsPerPixel = info.bmBitsPixel * (info.bmPlanes ? info.bmPlanes : 1);
    return ok ? 1 : 0;
}

DWORD GetWindowsVersion()
{
    static DWORD s_version = 0;
    if (s_version != 0)
        return s_version;

    // GetVersionEx lies to programs without a compatibility manifest (it reports 6.2 on
    // every later Windows); RtlGetVersion does not.
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    RtlGetVersionFn rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFn>(
                    reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
              : nullptr;
    OSVERSIONINFOW wide;
    memset(&wide, 0, sizeof(wide));
    wide.dwOSVersionInfoSize = sizeof(wide);
    if (rtlGetVersion && rtlGetVersion(&wide) == 0) {
        s_version = (wide.dwMajorVersion << 16) | (wide.dwMinorVersion & 0xFFFF);
    } else {
        OSVERSIONINFOA info;
        memset(&info, 0, sizeof(info));
        info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (GetVersionExA(&info))
            s_version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
#pragma GCC diagnostic pop
    }
    return s_version;
}
