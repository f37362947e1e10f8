// A time stamp as German date and time text ("06.12.2026 21:48:12"), as the structure
// printers show the times of file systems that count seconds since 1970.
#pragma once
#include <windows.h>

// Flag bits of FormatDateTime; other bits are ignored. The printers pass DTF_PRINTER_TIME
// (114), with DTF_UTC added for universal time.
enum DateTimeFlags : DWORD {
    DTF_DATE         = 0x0002,   // the date "TT.MM.JJ"
    DTF_YEAR4        = 0x0010,   // with a four-digit year "TT.MM.JJJJ"
    DTF_TIME         = 0x0020,   // the time of day "hh:mm", after the date and a blank
    DTF_SECONDS      = 0x0040,   // with seconds "hh:mm:ss"
    DTF_UTC          = 0x0100,   // universal time (gmtime); else local time (localtime)
    DTF_PRINTER_TIME = 0x0072
};

// Writes the time `seconds` since 1 January 1970 00:00 UTC into `buffer`, terminated, and
// returns the length: at most 19 characters and the terminator ("TT.MM.JJJJ hh:mm:ss"), so a
// buffer of 20 is enough. The conversion is the C run-time's (32-bit time): a time it cannot
// convert, every negative one among them (msvcrt refuses times before 1970), gives the same
// shape with dashes for digits, "--.--.---- --:--:--". Neither DTF_DATE nor DTF_TIME gives an
// empty text. A NULL buffer gives 0.
int FormatDateTime(char* buffer, int seconds, DWORD flags);
