// Frames drawn from small built-in images: a 32-bit image with alpha is stretched to any
// size by nine parts (corners kept, edges and centre stretched) and blended into a
// 32-bit destination image. The toolbar draws its button frames this way.
#pragma once
#include <windows.h>
#include "uihelpers/DibImage.h"

// No background colour: the stretched image keeps its alpha.
const COLORREF kNineGridNoBackground = 0xFFFFFFFF;

// A new 32-bit image of width x height (1..65535) from the 32-bit `source`: first its pixels
// are blended over `background` by their alpha (then opaque) unless that is
// kNineGridNoBackground; then its corners (2 pixels, 3 when that side of the source has at
// least 7; half the target side when the target is smaller than twice that) are copied as
// they are and its edges and centre stretched between them. Null for a source that is no
// 32-bit image or a bad size. The caller frees the result with DibFree.
DibImage* StretchImageNineGrid(const DibImage* source, int width, int height, COLORREF background);

// Which built-in frame DrawFrameImage draws: bit 0 and the kind in bits 3-4.
enum : DWORD {
    FRAMEIMAGE_SUNKEN = 0x01,       // pressed or checked; without it raised (hot)
    FRAMEIMAGE_ON_COLOUR = 0x02,    // blend over the colour argument first
    FRAMEIMAGE_BUTTON = 0x00,       // a button's frame
    FRAMEIMAGE_DROPDOWN = 0x08,     // the frame of a button's drop-down part
    FRAMEIMAGE_HIGHLIGHT = 0x10,    // a filled, translucent highlight
    FRAMEIMAGE_DISABLED = 0x18,     // an etched frame of an inactive button
    FRAMEIMAGE_KIND_MASK = 0x18,
};

// Draws the built-in frame chosen by `flags` into the 32-bit `dest` at (x, y), stretched to
// width x height, blended by its alpha (over `colour` first with FRAMEIMAGE_ON_COLOUR).
// FALSE for a destination that is no 32-bit image or a bad size.
BOOL DrawFrameImage(DibImage* dest, int x, int y, int width, int height, DWORD flags, COLORREF colour = 0);

// The built-in frame image for flags (bit 0 and bits 3-4); owned by the library.
const DibImage* GetFrameImage(DWORD flags);
