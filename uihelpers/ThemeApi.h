// The visual-styles library "UxTheme.dll", loaded by name once per process, with its entry
// points, six theme handles opened for the whole process on the desktop window ("ComboBox",
// "TreeView", "ToolBar", "Button", "Menu", "Edit") and the sizes of the check box and radio
// button glyphs. Whatever is missing stays null, and every themed drawing routine of the
// library then draws the classic form. A visual-style change while the program runs is not
// followed. User-interface thread only.
#pragma once
#include <windows.h>
#include <uxtheme.h>

struct ThemeApi {
    bool loaded;        // set after the first attempt, found or not
    HMODULE library;
    decltype(&::SetWindowTheme) SetWindowTheme;
    decltype(&::EndBufferedPaint) EndBufferedPaint;
    decltype(&::BeginBufferedPaint) BeginBufferedPaint;
    decltype(&::BufferedPaintInit) BufferedPaintInit;
    decltype(&::BufferedPaintUnInit) BufferedPaintUnInit;
    decltype(&::GetCurrentThemeName) GetCurrentThemeName;
    decltype(&::OpenThemeData) OpenThemeData;
    decltype(&::CloseThemeData) CloseThemeData;
    decltype(&::DrawThemeText) DrawThemeText;
    decltype(&::DrawThemeBackground) DrawThemeBackground;
    decltype(&::GetThemePartSize) GetThemePartSize;
    decltype(&::GetThemeBackgroundContentRect) GetThemeBackgroundContentRect;
    HTHEME comboBox;
    HTHEME treeView;
    HTHEME toolBar;
    HTHEME button;
    HTHEME menu;
    HTHEME edit;
    SIZE glyphSize[2];  // 0 check box, 1 radio button
};

// Loads once (a second call does nothing) and returns the table.
const ThemeApi& LoadThemeApi();

// Forgets what was loaded (the handles stay open) and makes the next LoadThemeApi load the
// named library instead (NULL: "UxTheme.dll"). The program never calls it; tests reach the
// classic drawing by naming a library that does not exist.
void ReloadThemeApi(const char* libraryName);
// Counts the reloads, so that values derived from the theme know when to ask again.
DWORD ThemeApiGeneration();

// The current visual style's file name: 1 when it is known and not empty, else 0 with an
// empty text. A size below 1 returns 0 and leaves the buffer alone. At most size - 1
// characters (255 at most) are copied; the 8-bit form keeps the low byte of each character.
int QueryThemeNameA(char* buffer, int size);
int QueryThemeNameW(wchar_t* buffer, int size);
