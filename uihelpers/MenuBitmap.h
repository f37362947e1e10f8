// Menu-item pictures cut from bitmap strips, and the renderer behind them. A tile is cut
// from a bitmap handle, a bitmap resource, or a toolbar resource (type 241) by command id,
// drawn onto a background colour with one colour made transparent, and kept with what was
// loaded and selected for it in MenuBitmapCache: a process-wide table under a semaphore,
// usable from any thread, emptied when the program ends.
#pragma once
#include <windows.h>

class CMenu;

// Flags of RenderBitmapTile.
enum : DWORD {
    TILE_SOURCE_HANDLE = 0x00000000,      // source is an HBITMAP
    TILE_SOURCE_RESOURCE = 0x40000000,    // source is a bitmap resource name or id
    TILE_SOURCE_TOOLBAR = 0x80000000,     // source is a toolbar resource; x is a command id
    TILE_SOURCE_MASK = 0xC0000000,        // 0xC0000000 is no source kind (result NULL)
    TILE_TRANSPARENT_CORNER = 0x08000000, // transparent colour: the source's pixel (0, 0)
    TILE_TRANSPARENT_COLOR = 0x04000000,  // transparent colour: the flags' low 24 bits
    TILE_CACHE_TILE = 0x02000000,         // look up and keep the rendered tile
    TILE_CACHE_DC = 0x01000000,           // keep the source's memory device context
    TILE_FULL_HEIGHT = 65535              // height: the bitmap's own height
};

// The type of toolbar resources: version, item width, item height, item count, then the
// item ids (0 a separator), all 16-bit words.
const WORD kToolbarResourceType = 241;

// Renders a width x height tile at (x, y) of the source into a new bitmap (a 32-bit
// top-down DIB section with alpha on 32-bit screens, else a screen-compatible bitmap).
// Toolbar sources take the tile's size and place from the resource and the picture from
// the bitmap resource of the same name. NULL when the source is NULL, the kind is
// 0xC0000000, the size is below 1, the resource is missing or damaged (its item count
// runs past its end), or the toolbar has no item x. Bitmaps kept in the cache belong to
// it (freed at exit); others belong to the caller.
HBITMAP RenderBitmapTile(UINT_PTR source, int x, int y, int width, int height, DWORD flags,
                         COLORREF background);

// Sets tile `index` (of `tileWidth` pixels, the whole height) of the bitmap resource as the
// item's unchecked picture, its corner colour made transparent on the menu colour. A
// negative item is a position (item & 0x7FFFFFFF). The result of SetMenuItemBitmaps; FALSE
// when there is no menu or the tile cannot be rendered (the item is then left alone).
BOOL SetMenuItemImage(CMenu* menu, int item, LPCSTR bitmapResource, int index, int tileWidth);

// Where item `commandId` of a toolbar resource lies in its strip: x and the item size.
// FALSE when the block is too short for its own count, the sizes are 0, or no item has
// the id. No window needed.
BOOL ToolbarTilePlace(const void* data, DWORD size, WORD commandId, int* x, int* width, int* height);

// Number of records in MenuBitmapCache (tests watch what a call adds).
int MenuBitmapCacheCount();

// The screen depth the renderer decides by; a test may pretend another (0: ask the
// screen again). Returns the previous override.
int SetTileScreenBitsOverride(int bitsPerPixel);
