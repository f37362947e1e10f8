// MessageBoxTexts: the German standard texts of the library's dialogs (captions, context
// menu items, the two extra message-box buttons), each with a string id. A string of that
// id in the given module replaces the built-in text. Loaded once; the 8-bit and UTF-16 forms
// of all texts live in one heap block that is freed at exit. User-interface thread only.
#pragma once
#include <windows.h>

enum MessageBoxTextId : UINT {
    MBT_INFORMATION = 1287,     // "Information"
    MBT_QUESTION = 1288,        // "Frage"
    MBT_WARNING = 1289,         // "Warnung"
    MBT_DELETE_LINE = 1290,     // "Zeile löschen"
    MBT_COPY_FIELD = 1291,      // "Feld kopieren"
    MBT_COPY = 1292,            // "&Kopieren"
    MBT_MARK_ALL = 1293,        // "&Alles markieren"
    MBT_SELECT_ALL = 1294,      // "&Alles auswählen"
    MBT_DESELECT_ALL = 1295,    // "&Alles abwählen"
    MBT_DELETE_ALL = 1296,      // "&Alles löschen"
    MBT_NEVER = 1297,           // "Niemals"
    MBT_ALWAYS = 1298           // "Immer"
};

// Loads the texts from the module (NULL: the program itself) unless they are loaded
// already. FALSE only when the heap block could not be made (lookups then give the
// built-in 8-bit texts and no UTF-16 forms).
BOOL LoadMessageBoxTexts(HMODULE module);

// The text of an id, NULL for an id not in the table; *length (when given) receives its
// length in characters (0 for an unknown id). The texts are loaded from the program on the
// first lookup when LoadMessageBoxTexts was not called.
LPCSTR GetMessageBoxTextA(UINT id, int* length = NULL);
LPCWSTR GetMessageBoxTextW(UINT id, int* length = NULL);
