// OLE drags of a file and of a text: the data goes into global blocks offered by a
// COleDataSource, then the drag loop runs.
#include "uihelpers/WindowServices.h"

#include <shlobj.h>
#include <string.h>
#include <wchar.h>
#include "classlib/Ole.h"
#include "textlib/Utf.h"

namespace {

const DWORD kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

DWORD RunDragLoop(COleDataSource* source, DWORD allowedEffects)
{
    return source->DoDragDrop(allowedEffects);
}

DragRunner g_runner = &RunDragLoop;

// A zeroed shareable block of `bytes`, or NULL.
HGLOBAL NewBlock(SIZE_T bytes)
{
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, bytes);
}

// A block holding `bytes` of data and a zero terminator of `unit` bytes.
HGLOBAL BlockWith(const void* data, SIZE_T bytes, SIZE_T unit)
{
    HGLOBAL block = NewBlock(bytes + unit);
    if (!block)
        return NULL;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return NULL;
    }
    if (bytes)
        memcpy(p, data, bytes);
    GlobalUnlock(block);
    return block;
}

// A block filled by `convert` (called with the locked memory and its size in units), or
// NULL. The conversion's terminator is inside the block, which is zeroed.
template <typename Unit, typename Convert>
HGLOBAL ConvertedBlock(int units, Convert convert)
{
    HGLOBAL block = NewBlock(static_cast<SIZE_T>(units + 1) * sizeof(Unit));
    Unit* p = block ? static_cast<Unit*>(GlobalLock(block)) : NULL;
    if (!p) {
        if (block)
            GlobalFree(block);
        return NULL;
    }
    convert(p, units + 1);
    GlobalUnlock(block);
    return block;
}

}  // namespace

DragRunner SetDragRunner(DragRunner runner)
{
    DragRunner previous = g_runner;
    g_runner = runner ? runner : &RunDragLoop;
    return previous;
}

int DoDragFile(LPCSTR path)
{
    if (!path || !*path)
        return 0;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, NULL);
    if (length == 0 || length >= MAX_PATH || GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES)
        return 0;
    // DROPFILES, the path, its NUL and the NUL that ends the list.
    HGLOBAL block = NewBlock(sizeof(DROPFILES) + length + 4);
    BYTE* p = block ? static_cast<BYTE*>(GlobalLock(block)) : NULL;
    if (!p) {
        if (block)
            GlobalFree(block);
        return 0;
    }
    DROPFILES* header = reinterpret_cast<DROPFILES*>(p);
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    memcpy(p + sizeof(DROPFILES), full, length);
    GlobalUnlock(block);
    COleDataSource source;
    source.CacheGlobalData(CF_HDROP, block);
    g_runner(&source, kAllEffects);
    return 1;
}

int DoDragText(const void* text, int length, int mode)
{
    if (!text || length == 0)
        return 0;
    COleDataSource source;
    if (mode == 2) {
        const wchar_t* wide = static_cast<const wchar_t*>(text);
        int units = length < 0 ? static_cast<int>(wcslen(wide)) : length;
        source.CacheGlobalData(CF_UNICODETEXT, BlockWith(wide, static_cast<SIZE_T>(units) * sizeof(wchar_t),
                                                         sizeof(wchar_t)));
        source.CacheGlobalData(CF_TEXT, ConvertedBlock<char>(units, [&](char* out, int size) {
            WideToLatin1N(out, wide, size, units);
        }));
    } else {
        const char* bytes = static_cast<const char*>(text);
        int count = length < 0 ? static_cast<int>(strlen(bytes)) : length;
        source.CacheGlobalData(CF_TEXT, BlockWith(bytes, static_cast<SIZE_T>(count), 1));
        // A UTF-8 text has at most as many UTF-16 units as bytes.
        if (mode == 1)
            source.CacheGlobalData(CF_UNICODETEXT, ConvertedBlock<wchar_t>(count, [&](wchar_t* out, int size) {
                Utf8ToWideN(out, bytes, size, count);
            }));
    }
    g_runner(&source, kAllEffects);
    return 1;
}
