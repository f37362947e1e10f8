// The size options of the library's popup dialogs. A factor whose upper 16 bits are 0x1234
// names the new size directly, size x (lower 16 bits) / divisor; any other factor adds
// size x factor / divisor. The text and number entry dialogs divide by 354, the selection
// dialogs by 347 (width) and 301 (height).
#pragma once

const int kEntryWidthDivisor = 354;
const int kChoiceWidthDivisor = 347;
const int kChoiceHeightDivisor = 301;

// The change of `size` (pixels) that `factor` asks for, rounded toward zero. Computed in
// 64 bits and kept so that the new size stays within 0..32767 pixels, whatever the factor.
int PopupSizeDelta(int size, int factor, int divisor);
