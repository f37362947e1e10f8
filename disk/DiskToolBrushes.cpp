#include "disk/DiskToolBrushes.h"

namespace {

struct SolidBrush {
    explicit SolidBrush(COLORREF color) : handle(::CreateSolidBrush(color)) {}
    ~SolidBrush() { ::DeleteObject(handle); }
    HBRUSH handle;
};

// Made when the program starts, so painting a field never has to create one.
const SolidBrush g_invalid(DiskToolBrushes::kInvalid);
const SolidBrush g_output(DiskToolBrushes::kOutput);

}  // namespace

HBRUSH DiskToolBrushes::Paint(HDC dc, COLORREF color)
{
    if (dc)
        ::SetBkColor(dc, color);
    return color == kOutput ? g_output.handle : g_invalid.handle;
}
