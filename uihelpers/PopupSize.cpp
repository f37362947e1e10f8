#include "uihelpers/PopupSize.h"

int PopupSizeDelta(int size, int factor, int divisor)
{
    if (factor == 0 || divisor == 0)
        return 0;
    long long s = size;
    long long delta;
    if ((static_cast<unsigned>(factor) >> 16) == 0x1234)
        delta = s * (static_cast<unsigned>(factor) & 0xFFFF) / divisor - s;
    else
        delta = s * factor / divisor;
    // The product is taken in 64 bits: in 32 it overflowed for large factors and widened by
    // a size of the wrong sign. The result stays within 0..32767: the size words of WM_SIZE
    // read a larger one as negative, and a negative factor beyond the size gave a negative
    // width, both laying the dialog's controls out outside it.
    if (s + delta > 32767)
        delta = 32767 - s;
    if (s + delta < 0)
        delta = -s;
    return static_cast<int>(delta);
}
