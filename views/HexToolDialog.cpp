#include "views/HexToolDialog.h"

namespace {

// Program-wide brushes; the system frees them with the process.
HBRUSH g_resultBrush = nullptr;
HBRUSH g_errorBrush = nullptr;

}  // namespace

HBRUSH HexToolResultBrush()
{
    if (!g_resultBrush)
        g_resultBrush = ::CreateSolidBrush(kHexToolResultColor);
    return g_resultBrush;
}

HBRUSH HexToolErrorBrush()
{
    if (!g_errorBrush)
        g_errorBrush = ::CreateSolidBrush(kHexToolErrorColor);
    return g_errorBrush;
}

void PlaceToolDialog(HWND dialog, const ToolDialogPosition& position)
{
    if (!dialog || !position.known)
        return;
    int width = ::GetSystemMetrics(SM_CXSCREEN);
    int height = ::GetSystemMetrics(SM_CYSCREEN);
    // A position from a larger screen than there is now is not restored.
    if (position.x >= -99 && position.x < width - 100 && position.y >= -9 && position.y < height - 100)
        ::SetWindowPos(dialog, nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RememberToolDialog(HWND dialog, ToolDialogPosition* position)
{
    RECT rect;
    if (!dialog || !position || !::GetWindowRect(dialog, &rect))
        return;
    position->x = rect.left;
    position->y = rect.top;
    position->known = true;
}

HBRUSH PaintToolField(HDC dc, bool error)
{
    COLORREF color = error ? kHexToolErrorColor : kHexToolResultColor;
    ::SetBkColor(dc, color);
    return error ? HexToolErrorBrush() : HexToolResultBrush();
}
