// Time stamps as German date and time text.
#include "textlib/DateTime.h"

#include <ctime>

#include "textlib/StrPrintf.h"

int FormatDateTime(char* buffer, int seconds, DWORD flags)
{
    if (buffer == NULL)
        return 0;

    // 32-bit time: the printers hand over 32-bit on-disk fields. msvcrt gives NULL for a
    // negative time (and any run-time for a time it cannot convert); reading the fields of
    // that NULL would crash the printer on a damaged time stamp, so such a time is written
    // as dashes. Negative times are refused here on every run-time, so the text is the same.
    struct tm parts;
    bool valid = false;
    if (seconds >= 0) {
        __time32_t time = seconds;
        const struct tm* converted = (flags & DTF_UTC) ? _gmtime32(&time) : _localtime32(&time);
        if (converted != NULL) {
            parts = *converted;   // the run-time's buffer is reused by the next call
            valid = parts.tm_year >= 0 && parts.tm_year <= 9999 - 1900;   // fits "JJJJ"
        }
    }

    int length = 0;
    if (flags & DTF_DATE) {
        bool fullYear = (flags & DTF_YEAR4) != 0;
        if (valid) {
            int year = parts.tm_year + 1900;
            length += StrPrintf(buffer + length, "%02i.%02i.%0*i", parts.tm_mday,
                                parts.tm_mon + 1, fullYear ? 4 : 2, fullYear ? year : year % 100);
        } else {
            length += StrPrintf(buffer + length, fullYear ? "--.--.----" : "--.--.--");
        }
    }
    if (flags & DTF_TIME) {
        if (length > 0)
            buffer[length++] = ' ';
        bool withSeconds = (flags & DTF_SECONDS) != 0;
        if (valid) {
            length += StrPrintf(buffer + length, "%02i:%02i", parts.tm_hour, parts.tm_min);
            if (withSeconds)
                length += StrPrintf(buffer + length, ":%02i", parts.tm_sec);
        } else {
            length += StrPrintf(buffer + length, withSeconds ? "--:--:--" : "--:--");
        }
    }
    buffer[length] = 0;
    return length;
}
