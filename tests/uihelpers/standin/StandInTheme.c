/* A theme library of the tests' own, loaded by name in place of UxTheme.dll: every class
 * opens, the "Button" parts of the check box (3) and the radio button (2) answer sizes of
 * their own that no real style has, and each DrawThemeBackground call is noted (part, state,
 * rectangle) and fills its rectangle black, so that a test sees what was asked and where. */
#include <windows.h>

#define STANDIN_CHECK_CX 17
#define STANDIN_CHECK_CY 15
#define STANDIN_RADIO_CX 19
#define STANDIN_RADIO_CY 11

static int g_draws;
static int g_lastPart;
static int g_lastState;
static RECT g_lastRect;
static const wchar_t* const g_classes[] = {L"ComboBox", L"TreeView", L"ToolBar", L"Button", L"Menu", L"Edit"};

/* The handle of a class is its place in the list above plus 1, so that a test can tell them. */
HANDLE WINAPI OpenThemeData(HWND window, LPCWSTR name)
{
    (void)window;
    for (int i = 0; i < 6; ++i)
        if (name && !lstrcmpiW(name, g_classes[i]))
            return (HANDLE)(INT_PTR)(i + 1);
    return NULL;
}

HRESULT WINAPI CloseThemeData(HANDLE theme)
{
    (void)theme;
    return S_OK;
}

HRESULT WINAPI GetThemePartSize(HANDLE theme, HDC dc, int part, int state, const RECT* rect, int kind, SIZE* size)
{
    (void)dc;
    (void)state;
    (void)rect;
    (void)kind;
    if (theme != (HANDLE)4 || !size)
        return E_FAIL;
    if (part == 3)
    {
        size->cx = STANDIN_CHECK_CX;
        size->cy = STANDIN_CHECK_CY;
        return S_OK;
    }
    if (part == 2)
    {
        size->cx = STANDIN_RADIO_CX;
        size->cy = STANDIN_RADIO_CY;
        return S_OK;
    }
    return E_FAIL;
}

HRESULT WINAPI DrawThemeBackground(HANDLE theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip)
{
    (void)theme;
    (void)clip;
    if (!rect)
        return E_INVALIDARG;
    ++g_draws;
    g_lastPart = part;
    g_lastState = state;
    g_lastRect = *rect;
    FillRect(dc, rect, (HBRUSH)GetStockObject(BLACK_BRUSH));
    return S_OK;
}

/* For the tests: how many drawings so far, and the last one's part, state and rectangle. */
int WINAPI StandInThemeLastDraw(int* part, int* state, RECT* rect)
{
    if (part)
        *part = g_lastPart;
    if (state)
        *state = g_lastState;
    if (rect)
        *rect = g_lastRect;
    return g_draws;
}
