// Pixel operations on a DibImage or on any packed DIB given as an information header plus a
// bits pointer: recolouring, area-averaging resize, alpha blending, colour replacement, 3-D
// grey mapping, blending onto a colour, AND masks, smoothing, drawing into another image
// and single pixels.
//
// Pixels are bytes blue, green, red, alpha (24 bits: blue, green, red); colours given as
// COLORREF (0x00BBGGRR) are turned into that order before they are compared. Rows are
// bottom-up: a y counted from the top is row height - 1 - y. Images wider or taller than
// 65535 are refused, and so is a null header or bits pointer (0, nothing changed); where a
// bits pointer may be null it is taken from the DibImage.
//
// The main window and the controls know some of these under other names; each exists once,
// here: MapClassicGrey is MapSysColor3d; DibGetCornerPixel is DibGetTopLeftColor (the first
// pixel of the last stored row); DibReplaceColour is DibReplaceColor with its rectangle;
// DibStretch and DibAlphaBlend with 16.16 scales are the rectangle forms below (the caller
// turns a scale into a size: a scaled blend is a DibStretch into a 32-bit image of the
// scaled size, then DibAlphaBlend of that image). DibCopyRect copies pixels as they are:
// the toolbar takes a 32-bit picture's images with it, since drawing through GDI is not bound
// to keep the fourth byte, and a picture with alpha of its own would lose its transparency.
#pragma once
#include <windows.h>
#include "uihelpers/DibImage.h"

// Recolours toward `colour` every palette entry or 24/32-bit pixel not equal to
// `transparent` (24 bits: its three bytes; otherwise all four). Luminance
// L = (B*128 + G*85 + R*44) / 256; above 192 each channel moves toward white by
// (256 - c) * ((L - 192) / 4) / 64, else becomes (L / 3 + 192) * c / 256. With bit 31 of
// `transparent` only 32-bit pixels of non-zero alpha change; alpha never does. 1 done, 0 for
// a null argument or a depth other than 1-8, 24, 32.
int DibColorize(BITMAPINFOHEADER* header, void* bits, COLORREF colour, COLORREF transparent);

// Area-averaging resize of a source rectangle into a destination rectangle of a 32-bit
// image; a source of another depth is converted for the call. Colours average over the
// pixels of non-zero alpha (a source without any alpha counts as opaque); a destination
// pixel covering only transparent pixels gets colour 0 and alpha 0. 1 done, 0 refused.
int DibStretch(DibImage* dest, void* destBits, const BITMAPINFOHEADER* source, const void* sourceBits,
               UINT sourceX, UINT sourceY, UINT sourceWidth, UINT sourceHeight,
               UINT destX, UINT destY, UINT destWidth, UINT destHeight);

// Blends the source rectangle into the 32-bit destination at (x, y) by the source alpha a:
// 0 keeps, 255 copies, else (dest * (256 - a) + source * (a + 1)) / 256 per colour; the
// destination's alpha stays. The rectangle is cut to both images. 1 done, 0 refused.
int DibAlphaBlend(DibImage* dest, void* destBits, UINT x, UINT y, const BITMAPINFOHEADER* source,
                  const void* sourceBits, UINT sourceX, UINT sourceY, UINT width, UINT height);

// Replaces the colour `oldColour` by `newColour`. Option bits of oldColour: top byte 0x80 on
// a 1- to 8-bit image names a palette index in the low byte; 32 bits: the replaced pixels
// take newColour's top byte as alpha unless bit 31 is set, and with bit 30 every other pixel
// gets alpha 255. 1- to 8-bit images change their palette; 24 and 32 bits their pixels, within
// `rect` (top-down, cut to the image; null = the whole image). A palette image refuses a
// rectangle that does not cover it whole. 1 done (also when old equals new), 0 refused.
int DibReplaceColor(BITMAPINFOHEADER* header, void* bits, COLORREF oldColour, COLORREF newColour,
                    const RECT* rect = NULL);

// The greys 0x808080, 0xC0C0C0, 0xDFDFDF (palette entries, or 24- and 32-bit pixels) become
// COLOR_BTNSHADOW, COLOR_BTNFACE and COLOR_3DLIGHT; a 32-bit pixel keeps its alpha.
int DibMap3dColors(BITMAPINFOHEADER* header, void* bits);
COLORREF MapSysColor3d(COLORREF colour);

// 32 bits only: alpha 255 stays; alpha 0 becomes the background with alpha 0; otherwise each
// channel becomes (c * a + (255 - a) * background) * 257 / 65536, alpha unchanged.
int DibBlendOnColor(BITMAPINFOHEADER* header, void* bits, COLORREF background);

// Applies a 1-bit AND mask of the image's size (rows padded to 4 bytes, bottom-up): a set bit
// makes the pixel `colour` (32 bits: with alpha 0, and every other pixel gets alpha 255;
// 1, 4, 8 bits: the palette index of the colour, or the index in the low byte when the top
// byte is 0x80). 0 when the mask is unreadable, the depth unsupported or the colour (or
// index) not in the colour table.
int DibApplyMask(BITMAPINFOHEADER* header, void* bits, const void* mask, COLORREF colour);

// 3 x 3 smoothing (52 for the centre, 2 for each side, 1 for each corner, / 64) of a
// rectangle of a 32-bit image, all four channels; neighbours outside the image repeat the
// edge pixel.
int DibSmooth(DibImage* image, void* bits, UINT x, UINT y, UINT width, UINT height);

// Draws the whole image, or a part (source x, y from the top; cut to the image), into the
// target image's memory DC at (x, y). 0 without a target DC or for a part starting outside.
int DibDraw(const BITMAPINFOHEADER* header, const void* bits, int x, int y, DibImage* target);
int DibDrawPart(const BITMAPINFOHEADER* header, const void* bits, int x, int y, UINT sourceX, UINT sourceY,
                UINT width, UINT height, DibImage* target);

// Sets a pixel (y from the top): 32 bits store the value as it is given (a pixel word
// 0xAARRGGBB), 24 bits its low three bytes, 1 to 8 bits the palette index of the colour
// (COLORREF) or the index given as 0x80000000 + index. 0 when the colour or index is not in
// the colour table (biClrUsed entries) or the point lies outside.
int DibSetPixel(BITMAPINFOHEADER* header, void* bits, COLORREF colour, UINT x, UINT y);

// The top-left pixel as COLORREF: 32 bits with its alpha in the top byte, 24 bits with top
// byte 0, 1 to 8 bits its palette entry; 0x80000000 for other depths or bad arguments.
COLORREF DibGetTopLeftColor(const BITMAPINFOHEADER* header, const void* bits);

// Copies a rectangle of pixels between two images of one depth: from (sourceX, sourceY) of
// `source` to (x, y) of `dest`, y counted from the top, cut to both images. Flags 0 copies;
// no other value is defined and is refused. 1 done, 0 on bad arguments.
int DibCopyRect(const DibImage* source, DibImage* dest, UINT x, UINT y, UINT width, UINT height,
                UINT sourceX, UINT sourceY, DWORD flags);
