// The font measurements a view and its callers ask for without drawing anything.
#include "views/AnsiView.h"

#include "services/Registry.h"

#include <string.h>

namespace {

// Average character width, height and 1 for a vector font, read through a device context.
bool ReadFontMetrics(HDC dc, HFONT font, int metrics[3])
{
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICA tm;
    const bool read = ::GetTextMetricsA(dc, &tm) != FALSE;
    ::SelectObject(dc, old);
    if (!read)
        return false;
    metrics[0] = tm.tmAveCharWidth;
    metrics[1] = tm.tmHeight;
    metrics[2] = (tm.tmPitchAndFamily & TMPF_VECTOR) ? 1 : 0;
    return true;
}

}  // namespace

int CAnsiView::GetFontMetrics(HFONT font, int metrics[3], HDC dc)
{
    metrics[0] = metrics[1] = metrics[2] = 0;
    if (!font)
        return 0;
    HWND owner = nullptr;
    HDC measuring = dc;
    if (!measuring) {
        owner = HasWindow() ? m_hWnd : nullptr;
        measuring = ::GetDC(owner);
        if (!measuring)
            return 0;
    }
    const bool read = ReadFontMetrics(measuring, font, metrics);
    if (!dc)
        ::ReleaseDC(owner, measuring);
    if (!read)
        metrics[0] = metrics[1] = metrics[2] = 0;
    return read ? 1 : 0;
}

int CAnsiView::GetStoredFontCellSize(const char* path, int* width, int* height)
{
    *width = 0;
    *height = 0;
    AnsiFontInfo info = {};
    if (!path) {
        info.height = 15;
        info.flags = AFF_FIXED_PITCH;
        strcpy(info.faceName, "Courier");
    } else {
        // The user's own setting wins over one the administrator stored for the machine.
        bool found = false;
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            CRegistry reg;
            if (reg.Open(root, path, 0) && reg.ReadValue(&info, sizeof(info), "Font", REG_BINARY) &&
                reg.GetLastSize() == sizeof(info)) {
                found = true;
                break;
            }
        }
        if (!found)
            return 0;
        info.faceName[sizeof(info.faceName) - 1] = '\0';
    }
    HFONT font = CreateAnsiFont(info);
    if (!font)
        return 0;
    HDC screen = ::GetDC(nullptr);
    int metrics[3] = {0, 0, 0};
    if (screen) {
        ReadFontMetrics(screen, font, metrics);
        ::ReleaseDC(nullptr, screen);
    }
    ::DeleteObject(font);
    if (metrics[0] <= 0 || metrics[1] <= 0)
        return 0;
    *width = metrics[0];
    *height = metrics[1];
    return 1;
}
