#include "uihelpers/ThemeApi.h"

#include <string.h>

namespace {

ThemeApi g_theme;
const char* g_libraryName = "UxTheme.dll";
DWORD g_generation = 0;

template <typename Fn>
void Bind(HMODULE library, const char* name, Fn* slot)
{
    *slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// The style's name into a 256-unit buffer; 0 when there is none.
int CurrentThemeName(wchar_t (&name)[256])
{
    name[0] = 0;
    const ThemeApi& api = LoadThemeApi();
    if (!api.GetCurrentThemeName || FAILED(api.GetCurrentThemeName(name, 256, NULL, 0, NULL, 0)))
    {
        name[0] = 0;
        return 0;
    }
    name[255] = 0;
    return static_cast<int>(wcslen(name));
}

}  // namespace

const ThemeApi& LoadThemeApi()
{
    if (g_theme.loaded)
        return g_theme;
    // Without the library the glyphs keep these sizes.
    g_theme.glyphSize[0].cx = 13 * ::GetSystemMetrics(SM_CXICON) / 32;
    g_theme.glyphSize[0].cy = 13;
    g_theme.glyphSize[1].cx = 13;
    g_theme.glyphSize[1].cy = 13;
    g_theme.loaded = true;
    if (!g_theme.library)
        g_theme.library = ::LoadLibraryA(g_libraryName);
    HMODULE lib = g_theme.library;
    if (!lib)
        return g_theme;
    Bind(lib, "SetWindowTheme", &g_theme.SetWindowTheme);
    Bind(lib, "EndBufferedPaint", &g_theme.EndBufferedPaint);
    Bind(lib, "BeginBufferedPaint", &g_theme.BeginBufferedPaint);
    Bind(lib, "BufferedPaintInit", &g_theme.BufferedPaintInit);
    Bind(lib, "BufferedPaintUnInit", &g_theme.BufferedPaintUnInit);
    Bind(lib, "GetCurrentThemeName", &g_theme.GetCurrentThemeName);
    Bind(lib, "OpenThemeData", &g_theme.OpenThemeData);
    Bind(lib, "CloseThemeData", &g_theme.CloseThemeData);
    Bind(lib, "DrawThemeText", &g_theme.DrawThemeText);
    Bind(lib, "DrawThemeBackground", &g_theme.DrawThemeBackground);
    Bind(lib, "GetThemePartSize", &g_theme.GetThemePartSize);
    Bind(lib, "GetThemeBackgroundContentRect", &g_theme.GetThemeBackgroundContentRect);
    if (g_theme.OpenThemeData)
    {
        HWND desktop = ::GetDesktopWindow();
        g_theme.comboBox = g_theme.OpenThemeData(desktop, L"ComboBox");
        g_theme.treeView = g_theme.OpenThemeData(desktop, L"TreeView");
        g_theme.toolBar = g_theme.OpenThemeData(desktop, L"ToolBar");
        g_theme.button = g_theme.OpenThemeData(desktop, L"Button");
        g_theme.menu = g_theme.OpenThemeData(desktop, L"Menu");
        g_theme.edit = g_theme.OpenThemeData(desktop, L"Edit");
    }
    if (g_theme.button && g_theme.GetThemePartSize)
    {
        // Part 3 is the check box, part 2 the radio button; state 1 is the normal look.
        RECT r = {0, 0, 3, 3};
        SIZE size;
        if (SUCCEEDED(g_theme.GetThemePartSize(g_theme.button, NULL, 3, 1, &r, TS_TRUE, &size)))
            g_theme.glyphSize[0] = size;
        if (SUCCEEDED(g_theme.GetThemePartSize(g_theme.button, NULL, 2, 1, &r, TS_TRUE, &size)))
            g_theme.glyphSize[1] = size;
    }
    return g_theme;
}

void ReloadThemeApi(const char* libraryName)
{
    memset(&g_theme, 0, sizeof g_theme);
    g_libraryName = libraryName ? libraryName : "UxTheme.dll";
    ++g_generation;
}

DWORD ThemeApiGeneration()
{
    return g_generation;
}

namespace {

template <typename Char>
int CopyThemeName(Char* buffer, int size)
{
    if (!buffer || size < 1)
        return 0;
    wchar_t name[256];
    const int known = CurrentThemeName(name);
    const int length = known > size - 1 ? size - 1 : known;
    for (int i = 0; i < length; ++i)
        buffer[i] = static_cast<Char>(name[i]);  // the 8-bit form keeps the low byte
    buffer[length] = 0;
    return known > 0;
}

}  // namespace

int QueryThemeNameW(wchar_t* buffer, int size)
{
    return CopyThemeName(buffer, size);
}

int QueryThemeNameA(char* buffer, int size)
{
    return CopyThemeName(buffer, size);
}
