#include "uihelpers/MenuBitmap.h"

#include <stdlib.h>
#include <string.h>
#include <new>
#include "classlib/Controls.h"
#include "classlib/WinApp.h"
#include "services/RecordTable.h"

namespace {

// One cache record: seven key words and the handle they name.
//   rendered tile:    hash,             kind,       x | y << 16, w | h << 16, source, see, back
//   bitmap resource:  source,           0,          0,           0,           source, 0,   0
//   toolbar resource: source ^ kind,    0x80000000, 0,           0,           source, 0,   0
//   memory DC:        bitmap ^ 0xC0..., 0xC0000000, 0,           0,           bitmap, 0,   0
// A rendered tile always has a nonzero fourth word, so it never meets the other kinds.
// `see` is the tile's transparency (its flags & 0x0CFFFFFF) and `back` the background, both
// 0 for an opaque tile. The hash mixes them by XOR only, so without these two words a red
// key on green and a green key on red made one key, and the second tile got the first
// one's picture.
const int kKeyWords = 7;
struct TileRecord {
    DWORD key[kKeyWords];
    void* handle;
};

const DWORD kDcKind = 0xC0000000;

CRecordTable* g_table = NULL;
HANDLE volatile g_lock = NULL;
int g_screenBitsOverride = 0;

HANDLE CacheLock(bool create)
{
    HANDLE lock = g_lock;
    if (lock || !create)
        return lock;
    HANDLE made = CreateSemaphoreA(NULL, 1, 0x7FFFFFFF, NULL);
    if (!made)
        return NULL;
    if (InterlockedCompareExchangePointer(const_cast<PVOID volatile*>(&g_lock), made, NULL) != NULL)
        CloseHandle(made);
    return g_lock;
}

class CacheGuard {
public:
    explicit CacheGuard(HANDLE lock) : m_lock(lock) { if (m_lock) WaitForSingleObject(m_lock, INFINITE); }
    ~CacheGuard() { if (m_lock) ReleaseSemaphore(m_lock, 1, NULL); }
    bool Held() const { return m_lock != NULL; }
private:
    HANDLE m_lock;
};

// Caller holds the lock.
int FindRecord(const DWORD key[kKeyWords])
{
    if (!g_table)
        return -1;
    int count = g_table->GetCount();
    int at = g_table->FindSorted(key[0], 0, count, 0, RECORD_FIND_UNSIGNED | RECORD_FIND_FIRST);
    if (at < 0)
        return -1;
    for (; at < count; ++at) {
        const TileRecord* r = static_cast<const TileRecord*>(g_table->GetAt(at));
        if (r->key[0] != key[0])
            break;
        if (memcmp(r->key, key, sizeof r->key) == 0)
            return at;
    }
    return -1;
}

void* CacheLookup(const DWORD key[kKeyWords])
{
    CacheGuard guard(CacheLock(false));
    if (!guard.Held())
        return NULL;
    int at = FindRecord(key);
    return at < 0 ? NULL : static_cast<const TileRecord*>(g_table->GetAt(at))->handle;
}

void CleanUpCache()
{
    HANDLE lock = CacheLock(false);
    if (!lock)
        return;
    {
        CacheGuard guard(lock);
        if (g_table) {
            // Device contexts first: the bitmaps selected into them can only be deleted
            // once they are out.
            for (int pass = 0; pass < 2; ++pass) {
                for (int i = 0; i < g_table->GetCount(); ++i) {
                    const TileRecord* r = static_cast<const TileRecord*>(g_table->GetAt(i));
                    if (pass == 0 && r->key[1] == kDcKind)
                        DeleteDC(static_cast<HDC>(r->handle));
                    // Loaded bitmaps only: a rendered tile of a bitmap handle also has a
                    // second word of 0, but it was handed to a menu that may still show it.
                    else if (pass == 1 && r->key[1] == 0 && r->key[3] == 0)
                        DeleteObject(static_cast<HGDIOBJ>(r->handle));
                }
            }
            delete g_table;
            g_table = NULL;
        }
    }
    g_lock = NULL;
    CloseHandle(lock);
}

// Puts the handle into the cache under the key; when another thread was quicker, its
// handle is returned and `handle` is not stored (the caller disposes of it).
void* CacheInsert(const DWORD key[kKeyWords], void* handle)
{
    CacheGuard guard(CacheLock(true));
    if (!guard.Held())
        return handle;
    if (!g_table) {
        g_table = new (std::nothrow) CRecordTable(sizeof(TileRecord));
        if (!g_table)
            return handle;
        atexit(&CleanUpCache);
    }
    int existing = FindRecord(key);
    if (existing >= 0)
        return static_cast<const TileRecord*>(g_table->GetAt(existing))->handle;
    TileRecord record;
    memcpy(record.key, key, sizeof record.key);
    record.handle = handle;
    int at = g_table->FindSorted(key[0], 0, g_table->GetCount(), 0,
                                 RECORD_FIND_UNSIGNED | RECORD_FIND_FIRST | RECORD_FIND_INSERT);
    g_table->Insert(&record, at < 0 ? CRecordTable::kAppend : at);
    return handle;
}

void SetKey(DWORD key[kKeyWords], DWORD a, DWORD b, DWORD c, DWORD d, DWORD e, DWORD f = 0, DWORD g = 0)
{
    key[0] = a; key[1] = b; key[2] = c; key[3] = d; key[4] = e; key[5] = f; key[6] = g;
}

DWORD HandleWord(HBITMAP bitmap)
{
    return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(bitmap));
}

DWORD TileHash(DWORD source, int x, int y, int width, int height, DWORD flags, COLORREF background)
{
    DWORD t1 = static_cast<DWORD>(width) + static_cast<DWORD>(height) * 19;
    DWORD t2 = t1 * 61 + static_cast<DWORD>(y);
    DWORD hash = (t2 * 2011 + static_cast<DWORD>(x)) ^ (flags & TILE_SOURCE_MASK) ^ source;
    if (flags & (TILE_TRANSPARENT_CORNER | TILE_TRANSPARENT_COLOR))
        hash ^= (flags & 0x0CFFFFFF) ^ background;
    return hash;
}

HINSTANCE ProgramResources()
{
    return AfxGetResourceHandle();
}

HBITMAP LoadResourceBitmap(UINT_PTR name)
{
    DWORD key[kKeyWords];
    SetKey(key, static_cast<DWORD>(name), 0, 0, 0, static_cast<DWORD>(name));
    if (void* cached = CacheLookup(key))
        return static_cast<HBITMAP>(cached);
    HBITMAP loaded = LoadBitmapA(ProgramResources(), reinterpret_cast<LPCSTR>(name));
    if (!loaded)
        return NULL;
    void* kept = CacheInsert(key, loaded);
    if (kept != loaded)
        DeleteObject(loaded);
    return static_cast<HBITMAP>(kept);
}

// The header's count of item ids fits the block, and the item size is not empty.
bool ToolbarShapeOk(const WORD* words, DWORD size)
{
    return words && size >= 8 && 8 + static_cast<DWORD>(words[3]) * 2 <= size && words[1] != 0 && words[2] != 0;
}

// The toolbar resource's words, checked once when loaded: a block whose count runs past
// its end is treated as missing and not cached.
const WORD* LoadToolbarResource(UINT_PTR name, DWORD* size)
{
    HINSTANCE module = ProgramResources();
    HRSRC info = FindResourceA(module, reinterpret_cast<LPCSTR>(name), MAKEINTRESOURCEA(kToolbarResourceType));
    if (!info)
        return NULL;
    *size = SizeofResource(module, info);
    DWORD key[kKeyWords];
    SetKey(key, static_cast<DWORD>(name) ^ TILE_SOURCE_TOOLBAR, TILE_SOURCE_TOOLBAR, 0, 0, static_cast<DWORD>(name));
    if (void* cached = CacheLookup(key))
        return static_cast<const WORD*>(cached);
    HGLOBAL block = LoadResource(module, info);
    const WORD* data = block ? static_cast<const WORD*>(LockResource(block)) : NULL;
    if (!data || !ToolbarShapeOk(data, *size))
        return NULL;
    return static_cast<const WORD*>(CacheInsert(key, const_cast<WORD*>(data)));
}

int ScreenBits()
{
    if (g_screenBitsOverride)
        return g_screenBitsOverride;
    HDC screen = GetDC(NULL);
    int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(NULL, screen);
    return bits;
}

HBITMAP CreateTarget(int width, int height, DWORD** pixels)
{
    *pixels = NULL;
    if (ScreenBits() == 32) {
        BITMAPV4HEADER header;
        ZeroMemory(&header, sizeof header);
        header.bV4Size = sizeof header;     // 108 bytes: room for the alpha mask
        header.bV4Width = width;
        header.bV4Height = -height;         // top-down
        header.bV4Planes = 1;
        header.bV4BitCount = 32;
        header.bV4V4Compression = BI_BITFIELDS;
        header.bV4RedMask = 0x00FF0000;
        header.bV4GreenMask = 0x0000FF00;
        header.bV4BlueMask = 0x000000FF;
        header.bV4AlphaMask = 0xFF000000;
        void* bits = NULL;
        HBITMAP dib = CreateDIBSection(NULL, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, NULL, 0);
        if (dib) {
            *pixels = static_cast<DWORD*>(bits);
            return dib;
        }
    }
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(NULL, screen);
    return bitmap;
}

// DIB pixels are 0x00RRGGBB, COLORREF is 0x00BBGGRR.
DWORD ToPixel(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

}  // namespace

BOOL ToolbarTilePlace(const void* data, DWORD size, WORD commandId, int* x, int* width, int* height)
{
    const WORD* words = static_cast<const WORD*>(data);
    if (!ToolbarShapeOk(words, size))
        return FALSE;
    DWORD count = words[3];
    int offset = 0;
    for (DWORD i = 0; i < count; ++i) {
        WORD id = words[4 + i];
        if (id == 0)
            continue;                       // a separator takes no room in the strip
        if (id == commandId) {
            *x = offset;
            *width = words[1];
            *height = words[2];
            return TRUE;
        }
        offset += words[1];
    }
    return FALSE;
}

HBITMAP RenderBitmapTile(UINT_PTR source, int x, int y, int width, int height, DWORD flags,
                         COLORREF background)
{
    DWORD kind = flags & TILE_SOURCE_MASK;
    if (!source || kind == TILE_SOURCE_MASK)
        return NULL;
    // Asked for an empty tile, every kind gives none, also a toolbar's whose item size
    // the resource gives.
    if (width < 1 || height < 1)
        return NULL;

    DWORD tileKey[kKeyWords];
    if (flags & TILE_CACHE_TILE) {
        flags |= TILE_CACHE_DC;
        const DWORD see = flags & (TILE_TRANSPARENT_CORNER | TILE_TRANSPARENT_COLOR) ? flags & 0x0CFFFFFF : 0;
        SetKey(tileKey, TileHash(static_cast<DWORD>(source), x, y, width, height, flags, background), kind,
               (static_cast<DWORD>(x) & 0xFFFF) | (static_cast<DWORD>(y) << 16),
               (static_cast<DWORD>(width) & 0xFFFF) | (static_cast<DWORD>(height) << 16),
               static_cast<DWORD>(source), see, see ? static_cast<DWORD>(background) : 0);
        if (void* cached = CacheLookup(tileKey))
            return static_cast<HBITMAP>(cached);
    }

    HBITMAP bitmap = NULL;
    if (kind == TILE_SOURCE_HANDLE) {
        bitmap = reinterpret_cast<HBITMAP>(source);
    } else {
        if (kind == TILE_SOURCE_TOOLBAR) {
            DWORD size = 0;
            const WORD* toolbar = LoadToolbarResource(source, &size);
            if (!toolbar || !ToolbarTilePlace(toolbar, size, static_cast<WORD>(x), &x, &width, &height))
                return NULL;
        }
        bitmap = LoadResourceBitmap(source);
    }
    if (!bitmap)
        return NULL;
    if (height == TILE_FULL_HEIGHT) {
        BITMAP info;
        if (!GetObjectA(bitmap, sizeof info, &info))
            return NULL;
        height = info.bmHeight;
    }

    // The source's memory DC. A bitmap can sit in one DC only, so one already kept for it
    // is used even when this call does not ask to keep it.
    DWORD dcKey[kKeyWords];
    SetKey(dcKey, HandleWord(bitmap) ^ kDcKind, kDcKind, 0, 0, HandleWord(bitmap));
    HDC sourceDc = static_cast<HDC>(CacheLookup(dcKey));
    HGDIOBJ oldSource = NULL;
    bool ownDc = false;
    if (!sourceDc) {
        sourceDc = CreateCompatibleDC(NULL);
        if (!sourceDc)
            return NULL;
        oldSource = SelectObject(sourceDc, bitmap);
        if (!oldSource) {
            DeleteDC(sourceDc);
            return NULL;
        }
        if (flags & TILE_CACHE_DC) {
            HDC kept = static_cast<HDC>(CacheInsert(dcKey, sourceDc));
            if (kept != sourceDc) {
                SelectObject(sourceDc, oldSource);
                DeleteDC(sourceDc);
                sourceDc = kept;
            }
        } else {
            ownDc = true;
        }
    }

    DWORD* pixels = NULL;
    HBITMAP target = CreateTarget(width, height, &pixels);
    HDC targetDc = target ? CreateCompatibleDC(NULL) : NULL;
    if (targetDc) {
        HGDIOBJ oldTarget = SelectObject(targetDc, target);
        bool transparent = (flags & (TILE_TRANSPARENT_CORNER | TILE_TRANSPARENT_COLOR)) != 0;
        COLORREF key = (flags & TILE_TRANSPARENT_CORNER) ? GetPixel(sourceDc, 0, 0) : (flags & 0x00FFFFFF);
        if (!transparent) {
            BitBlt(targetDc, 0, 0, width, height, sourceDc, x, y, SRCCOPY);
        } else if (pixels) {
            BitBlt(targetDc, 0, 0, width, height, sourceDc, x, y, SRCCOPY);
            GdiFlush();
            DWORD keyPixel = ToPixel(key);
            DWORD backPixel = ToPixel(background);
            for (long i = 0, n = static_cast<long>(width) * height; i < n; ++i) {
                DWORD p = pixels[i] & 0x00FFFFFF;
                pixels[i] = p == keyPixel ? backPixel : p | 0xFF000000;
            }
        } else {
            HBRUSH brush = CreateSolidBrush(background);
            RECT all = { 0, 0, width, height };
            FillRect(targetDc, &all, brush);
            DeleteObject(brush);
            TransparentBlt(targetDc, 0, 0, width, height, sourceDc, x, y, width, height, key);
        }
        SelectObject(targetDc, oldTarget);
        DeleteDC(targetDc);
    } else if (target) {
        DeleteObject(target);
        target = NULL;
    }
    if (ownDc) {
        SelectObject(sourceDc, oldSource);
        DeleteDC(sourceDc);
    }
    if (target && (flags & TILE_CACHE_TILE)) {
        HBITMAP kept = static_cast<HBITMAP>(CacheInsert(tileKey, target));
        if (kept != target) {
            DeleteObject(target);
            target = kept;
        }
    }
    return target;
}

BOOL SetMenuItemImage(CMenu* menu, int item, LPCSTR bitmapResource, int index, int tileWidth)
{
    HMENU handle = menu ? menu->GetSafeHmenu() : NULL;
    if (!handle)
        return FALSE;
    HBITMAP tile = RenderBitmapTile(reinterpret_cast<UINT_PTR>(bitmapResource), index * tileWidth, 0, tileWidth,
                                    TILE_FULL_HEIGHT,
                                    TILE_SOURCE_RESOURCE | TILE_TRANSPARENT_CORNER | TILE_CACHE_TILE | TILE_CACHE_DC,
                                    GetSysColor(COLOR_MENU));
    // No picture, no call: SetMenuItemBitmaps with a null bitmap succeeds and takes the
    // item's picture away, so a tile that could not be made would be reported as set.
    if (!tile)
        return FALSE;
    UINT byWhat = MF_BYCOMMAND;
    UINT position = static_cast<UINT>(item);
    if (item < 0) {
        position = static_cast<UINT>(item) & 0x7FFFFFFF;
        byWhat = MF_BYPOSITION;
    }
    return SetMenuItemBitmaps(handle, position, byWhat, tile, NULL);
}

int MenuBitmapCacheCount()
{
    CacheGuard guard(CacheLock(false));
    return guard.Held() && g_table ? g_table->GetCount() : 0;
}

int SetTileScreenBitsOverride(int bitsPerPixel)
{
    int previous = g_screenBitsOverride;
    g_screenBitsOverride = bitsPerPixel;
    return previous;
}
