// Byte counts with unit prefixes.
#include "textlib/SiNumber.h"

#include <cstdint>
#include <cstring>

#include "textlib/StrPrintf.h"

namespace {

const int kLargestStep = 6;   // E: 1024^6 = 2^60 is the last power below 2^64

// The integer part of a "%f" text.
uint64_t LeadingInteger(const char* text)
{
    uint64_t value = 0;
    while (*text >= '0' && *text <= '9')
        value = value * 10 + static_cast<uint64_t>(*text++ - '0');
    return value;
}

}  // namespace

int FormatSiNumber(DWORD low, DWORD high, char* buffer, DWORD flags, int precision,
                   void* reserved)
{
    (void)reserved;
    if (buffer == NULL)
        return 0;
    uint64_t value = (static_cast<uint64_t>(high) << 32) | low;
    uint64_t step = (flags & SIN_BINARY_STEPS) ? 1024 : 1000;
    int decimals = 0;
    if (flags & SIN_USE_PRECISION)
        decimals = precision < 0 ? 0 : precision > 9 ? 9 : precision;

    int level = 0;
    uint64_t divisor = 1;
    while (level < kLargestStep && value / divisor >= step) {
        divisor *= step;
        level++;
    }

    char number[32];
    if (level == 0 && (flags & SIN_WHOLE_BELOW_STEP)) {
        StrPrintf(number, "%I64u", value);
    } else {
        for (;;) {
            // Both the value and the power of the step convert to double exactly or nearly
            // (1000^6 and 1024^6 are exact); the quotient is rounded once more by "%f".
            StrPrintf(number, "%.*f", decimals,
                      static_cast<double>(value) / static_cast<double>(divisor));
            if (level == kLargestStep || LeadingInteger(number) < step)
                break;
            divisor *= step;   // rounding reached the next step: "1024,0 KB" is "1,0 MB"
            level++;
        }
        if (flags & SIN_DECIMAL_COMMA) {
            char* point = strchr(number, '.');
            if (point != NULL)
                *point = ',';
        }
    }

    char unit[8] = "";
    if (level == 0) {
        if (flags & SIN_BYTE_UNIT)
            strcpy(unit, (value == 1 && (flags & SIN_WHOLE_BELOW_STEP)) ? "Byte" : "Bytes");
    } else {
        const char* prefixes = (flags & SIN_BINARY_STEPS) ? "KMGTPE" : "kMGTPE";
        unit[0] = prefixes[level - 1];
        unit[1] = (flags & SIN_BYTE_UNIT) ? 'B' : 0;
        unit[2] = 0;
    }
    const char* blank = (unit[0] != 0 && (flags & SIN_UNIT_BLANK)) ? " " : "";
    return StrPrintf(buffer, "%s%s%s", number, blank, unit);
}
