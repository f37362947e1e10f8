#include "uihelpers/MessageBoxTexts.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct TextEntry {
    UINT id;
    const char* builtIn;   // code page 1252
    const char* a;         // the texts in use, inside the heap block
    const WCHAR* w;
    int lengthA;
    int lengthW;
};

TextEntry g_texts[] = {
    { MBT_INFORMATION, "Information", NULL, NULL, 0, 0 },
    { MBT_QUESTION, "Frage", NULL, NULL, 0, 0 },
    { MBT_WARNING, "Warnung", NULL, NULL, 0, 0 },
    { MBT_DELETE_LINE, "Zeile löschen", NULL, NULL, 0, 0 },
    { MBT_COPY_FIELD, "Feld kopieren", NULL, NULL, 0, 0 },
    { MBT_COPY, "&Kopieren", NULL, NULL, 0, 0 },
    { MBT_MARK_ALL, "&Alles markieren", NULL, NULL, 0, 0 },
    { MBT_SELECT_ALL, "&Alles auswählen", NULL, NULL, 0, 0 },
    { MBT_DESELECT_ALL, "&Alles abwählen", NULL, NULL, 0, 0 },
    { MBT_DELETE_ALL, "&Alles löschen", NULL, NULL, 0, 0 },
    { MBT_ALWAYS, "Immer", NULL, NULL, 0, 0 },
    { MBT_NEVER, "Niemals", NULL, NULL, 0, 0 },
};
const int kTextCount = sizeof g_texts / sizeof g_texts[0];

bool g_loaded = false;
void* g_block = NULL;

void FreeTexts()
{
    free(g_block);
    g_block = NULL;
    for (TextEntry& e : g_texts) {
        e.a = NULL;
        e.w = NULL;
    }
    // g_loaded stays set: a lookup during shutdown falls back to the built-in text.
}

TextEntry* Find(UINT id)
{
    for (TextEntry& e : g_texts)
        if (e.id == id)
            return &e;
    return NULL;
}

}  // namespace

BOOL LoadMessageBoxTexts(HMODULE module)
{
    if (g_loaded)
        return g_block != NULL;
    g_loaded = true;
    if (!module)
        module = GetModuleHandleA(NULL);
    // First the UTF-16 form of each text: the module's string, else the built-in one.
    const WCHAR* source[kTextCount];
    int sourceLength[kTextCount];
    WCHAR* converted[kTextCount] = {};
    size_t total = 0;
    for (int i = 0; i < kTextCount; ++i) {
        const WCHAR* res = NULL;
        int n = LoadStringW(module, g_texts[i].id, reinterpret_cast<LPWSTR>(&res), 0);
        if (n > 0 && res) {
            source[i] = res;
            sourceLength[i] = n;
        } else {
            int len = static_cast<int>(strlen(g_texts[i].builtIn));
            converted[i] = static_cast<WCHAR*>(malloc((static_cast<size_t>(len) + 1) * sizeof(WCHAR)));
            int m = converted[i] ? MultiByteToWideChar(1252, 0, g_texts[i].builtIn, len, converted[i], len) : 0;
            if (converted[i])
                converted[i][m] = 0;
            source[i] = converted[i] ? converted[i] : L"";
            sourceLength[i] = m;
        }
        int a = WideCharToMultiByte(CP_ACP, 0, source[i], sourceLength[i], NULL, 0, NULL, NULL);
        total += (static_cast<size_t>(sourceLength[i]) + 1) * sizeof(WCHAR) + static_cast<size_t>(a) + 1;
    }
    char* block = static_cast<char*>(malloc(total));
    if (block) {
        // UTF-16 forms first, so that they stay aligned, then the 8-bit forms.
        size_t wideBytes = 0;
        for (int i = 0; i < kTextCount; ++i)
            wideBytes += (static_cast<size_t>(sourceLength[i]) + 1) * sizeof(WCHAR);
        WCHAR* w = reinterpret_cast<WCHAR*>(block);
        char* a = block + wideBytes;
        char* end = block + total;
        for (int i = 0; i < kTextCount; ++i) {
            memcpy(w, source[i], static_cast<size_t>(sourceLength[i]) * sizeof(WCHAR));
            w[sourceLength[i]] = 0;
            g_texts[i].w = w;
            g_texts[i].lengthW = sourceLength[i];
            w += sourceLength[i] + 1;
            int room = static_cast<int>(end - a) - 1;
            int n = WideCharToMultiByte(CP_ACP, 0, source[i], sourceLength[i], a, room, NULL, NULL);
            if (n < 0)
                n = 0;
            a[n] = 0;
            g_texts[i].a = a;
            g_texts[i].lengthA = n;
            a += n + 1;
        }
        g_block = block;
        atexit(&FreeTexts);
    }
    for (WCHAR* c : converted)
        free(c);
    return g_block != NULL;
}

LPCSTR GetMessageBoxTextA(UINT id, int* length)
{
    if (!g_loaded)
        LoadMessageBoxTexts(NULL);
    TextEntry* e = Find(id);
    if (length)
        *length = 0;
    if (!e)
        return NULL;
    const char* text = e->a ? e->a : e->builtIn;
    if (length)
        *length = e->a ? e->lengthA : static_cast<int>(strlen(e->builtIn));
    return text;
}

LPCWSTR GetMessageBoxTextW(UINT id, int* length)
{
    if (!g_loaded)
        LoadMessageBoxTexts(NULL);
    TextEntry* e = Find(id);
    if (length)
        *length = e && e->w ? e->lengthW : 0;
    return e ? e->w : NULL;
}
