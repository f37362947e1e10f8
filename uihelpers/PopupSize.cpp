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
    // A window wider than the coordinate space is no use to anyone, and a negative factor
    // must not turn the size inside out.
    if (s + delta > 32767)
        delta = 32767 - s;
    if (s + delta < 0)
        delta = -s;
    return static_cast<int>(delta);
}
