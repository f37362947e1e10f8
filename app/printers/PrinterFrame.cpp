// The shared value formatters of the structure printers.
#include "app/printers/PrinterFrame.h"

#include <windows.h>
#include <string.h>
#include <time.h>

#include "textlib/DateTime.h"
#include "textlib/SiNumber.h"
#include "textlib/StrPrintf.h"

namespace {

// Reads of fields whose whole width the caller vouches for (the formatters take fixed-size
// structures).
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

const PrinterColorFormat PrinterColorFormats[6] = {
    {PC_BLUE, "Blau", 0x00FF0000u},
    {PC_RED, "Rot", 0x00000080u},
    {PC_GREEN, "Grün", 0x00008000u},
    {PC_CYAN, "Türkis", 0x00808000u},
    {PC_ERROR, "Fehler", 0x000000FFu},
    {PC_OK, "OK", 0x0000C000u},
};

const char StatusMarkerText[2] = {static_cast<char>(StatusMarker), 0};

const char* const MonthNameTable[16] = {
    "000", "Jan", "Feb", "Mar", "Apr", "Mai", "Jun", "Jul",
    "Aug", "Sep", "Okt", "Nov", "Dec", "???", "???", "???"};

char* CopyFieldText(char* out, const uint8_t* buf, uint32_t size, uint32_t off, uint32_t width)
{
    uint32_t n = 0;
    while (n < width && off < size && n < size - off && buf[off + n] != 0) {
        out[n] = static_cast<char>(buf[off + n]);
        ++n;
    }
    out[n] = 0;
    return out;
}

void ShiftColoursBehind(const uint8_t* base, uint8_t* out, int count, int at, int by, uint8_t fill)
{
    for (int i = 0; i < count; ++i)
        out[i] = i < at ? base[i] : i < at + by ? fill : base[i - by];
}

const char* FormatGuidText(const uint8_t* g)
{
    static char text[40];
    StrPrintf(text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", Le32(g), Le16(g + 4),
              Le16(g + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

const char* FormatUuidText(const uint8_t* u)
{
    static char text[40];
    StrPrintf(text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", u[0], u[1], u[2], u[3],
              u[4], u[5], u[6], u[7], u[8], u[9], u[10], u[11], u[12], u[13], u[14], u[15]);
    return text;
}

const char* FormatTimeValue(uint32_t seconds)
{
    static char text[32];
    if (seconds <= 0x7FFFFFFFu) {
        FormatDateTime(text, static_cast<int>(seconds), DTF_PRINTER_TIME);
        return text;
    }
    // The fields are unsigned: ext counts its times to 2106. From 2038 on they no longer fit
    // the date formatter's signed 32-bit time, which would read them as times before 1970 and
    // show dashes where dumpe2fs shows the date; a 64-bit time takes them as they are.
    __time64_t time = seconds;
    const struct tm* parts = _localtime64(&time);
    if (parts == NULL)
        StrPrintf(text, "--.--.---- --:--:--");
    else
        StrPrintf(text, "%02i.%02i.%04i %02i:%02i:%02i", parts->tm_mday, parts->tm_mon + 1,
                  parts->tm_year + 1900, parts->tm_hour, parts->tm_min, parts->tm_sec);
    return text;
}

const char* FormatTimeValueYmd(uint32_t seconds)
{
    // One conversion for both orders: the parts are taken from the "TT.MM.JJJJ hh:mm:ss"
    // text, so the local time, the years it can show and the dashes stay those of the date
    // formatter.
    static char text[32];
    const char* dmy = FormatTimeValue(seconds);
    if (strlen(dmy) != 19) {
        StrPrintf(text, "%s", dmy);
        return text;
    }
    StrPrintf(text, "%.4s-%.2s-%.2s%s", dmy + 6, dmy + 3, dmy, dmy + 10);
    return text;
}

const char* FormatLog2Size(uint32_t exponent, uint32_t unit)
{
    static char text[48];
    if (exponent == 0 && unit == 0) {
        StrPrintf(text, "0  (---)");
        return text;
    }
    // A shift by 64 or more is undefined in C++; such a size does not fit and shows as 0.
    uint64_t size = exponent >= 64 ? 0 : (static_cast<uint64_t>(unit ? unit : 1) << exponent);
    char sizeText[24];
    FormatSiNumber(static_cast<DWORD>(size), static_cast<DWORD>(size >> 32), sizeText,
                   SIN_PRINTER_SIZE, 1, nullptr);
    StrPrintf(text, "%u  (%s)", exponent, sizeText);
    return text;
}

const char* FormatNameText(const uint8_t* bytes, uint32_t length)
{
    static char text[1024];
    const uint32_t maxChars = sizeof(text) - 1;
    uint32_t n = 0;
    if (length >= 3 && bytes[0] == 0 && bytes[1] != 0 && bytes[2] == 0) {
        // Joliet and other 16-bit names are big-endian: the low byte is the odd one.
        for (uint32_t i = 1; i < length && n < length / 2 && n < maxChars; i += 2) {
            if (bytes[i] == 0)
                break;
            text[n++] = static_cast<char>(bytes[i]);
        }
    } else {
        while (n < length && n < maxChars && bytes[n] != 0) {
            text[n] = static_cast<char>(bytes[n]);
            ++n;
        }
    }
    text[n] = 0;
    return text;
}

const char* FormatDigitDate(const uint8_t* d)
{
    static char text[48];
    text[0] = 0;
    if (!IsDigit(d[0]))
        return text;
    int month = (d[4] - '0') * 10 + (d[5] - '0');
    StrPrintf(text, "%.2s.%s.%.4s  %.2s:%.2s:%.2s.%.2s0", reinterpret_cast<const char*>(d + 6),
              MonthNameTable[month & 15], reinterpret_cast<const char*>(d),
              reinterpret_cast<const char*>(d + 8), reinterpret_cast<const char*>(d + 10),
              reinterpret_cast<const char*>(d + 12), reinterpret_cast<const char*>(d + 14));
    return text;
}

const char* FormatAttributeFlags(uint32_t bits)
{
    static char text[96];
    static const struct {
        uint32_t bit;
        const char* word;
    } words[] = {{0x20, "ARCHIVE "},   {0x800, "COMPRESSED "}, {0x10, "DIRECTORY "},
                 {0x2, "HIDDEN "},     {0x1, "READONLY "},     {0x4, "SYSTEM "},
                 {0x4000, "ENCRYPTED "}};
    text[0] = 0;
    for (const auto& w : words) {
        if (bits & w.bit)
            strcat(text, w.word);
    }
    return text;
}

const char* FormatFileTimeText(const uint8_t* fileTime8)
{
    static char text[48];
    text[0] = 0;
    FILETIME ft;
    ft.dwLowDateTime = Le32(fileTime8);
    ft.dwHighDateTime = Le32(fileTime8 + 4);
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ft, &st))
        return text;
    StrPrintf(text, "%.2i.%s.%.4i  %.2i:%.2i:%.2i.%.3i", st.wDay, MonthNameTable[st.wMonth & 15],
              st.wYear, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    return text;
}

const char* FormatIsoDirEntry(const uint8_t* r, uint32_t recordLength)
{
    static char text[400];
    // The identifier is copied out first: FormatNameText's buffer is shared with the caller's
    // other fields.
    char name[260];
    name[0] = 0;
    if (recordLength > 33) {
        uint32_t n = r[32];
        if (n > recordLength - 33)
            n = recordLength - 33;
        if (n >= 1) {
            const char* t = FormatNameText(r + 33, n);
            size_t len = strlen(t);
            if (len >= sizeof(name))
                len = sizeof(name) - 1;
            memcpy(name, t, len);
            name[len] = 0;
            // ";1" is the version number that nearly every file carries; it says nothing.
            if (len > 2 && name[len - 2] == ';' && name[len - 1] == '1')
                name[len - 2] = 0;
        }
    }
    // Extent and data length are unsigned 32-bit, and whole: a file of 2 GB or more, or an
    // extent 2^24 sectors (32 GiB) or more into a DVD or BD image, is what the medium holds.
    StrPrintf(text, "Ex=%3i Sec=%7u Len=%12u  %02i.%s.%04i  %02i:%02i:%02i  %c%c  %s", r[1], Le32(r + 2),
              Le32(r + 10), r[20], MonthNameTable[r[19] & 15], r[18] + 1900, r[21], r[22], r[23],
              (r[25] & 1) ? 'H' : '_', (r[25] & 2) ? 'D' : '_', name);
    return text;
}

const char* FormatDString(const uint8_t* field, uint32_t fieldLength)
{
    static char text[520];
    text[0] = 0;
    // No d-string of ECMA-167 is longer; a field beyond that is damage, not text.
    uint32_t length = fieldLength > 512 ? 512 : fieldLength;
    if (length == 0)
        return text;
    uint32_t n = 0;
    if (field[0] == 16) {
        uint32_t count = (length - 1) / 2;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t hi = field[1 + 2 * i];
            const uint8_t lo = field[2 + 2 * i];
            const uint8_t c = hi == 0 ? lo : 0xFF;
            if (c == 0)
                break;
            text[n++] = static_cast<char>(c);
        }
    } else if (field[0] == 8) {
        uint32_t start = 1;
        if (length > 1 && field[1] == 0)
            start = 2;
        for (uint32_t i = start; i < length && field[i] != 0; ++i)
            text[n++] = static_cast<char>(field[i]);
    } else {
        StrPrintf(text, "???");
        return text;
    }
    text[n] = 0;
    return text;
}

const char* FormatCharSpecText(const uint8_t* charSpec64)
{
    static char text[64];
    uint32_t n = 0;
    while (n < 63 && charSpec64[1 + n] != 0) {
        text[n] = static_cast<char>(charSpec64[1 + n]);
        ++n;
    }
    text[n] = 0;
    return text;
}

const char* FormatUdfTimestamp(const uint8_t* t)
{
    static char text[64];
    StrPrintf(text, "%04u-%02u-%02u %02u:%02u:%02u.%02u%02u%02u", Le16(t + 2), t[4], t[5], t[6],
              t[7], t[8], t[9], t[10], t[11]);
    return text;
}

const char* FormatEntityId(const uint8_t* entityId32)
{
    static char text[24];
    uint32_t n = 0;
    while (n < 23 && entityId32[1 + n] != 0) {
        text[n] = static_cast<char>(entityId32[1 + n]);
        ++n;
    }
    text[n] = 0;
    return text;
}

const char* FormatLongAd(const uint8_t* ad)
{
    static char text[48];
    uint64_t location = Le32(ad + 4) | (static_cast<uint64_t>(Le16(ad + 8)) << 32);
    // The length without the extent type in its top two bits; the line has no place for the
    // type, which stands in the marked bytes.
    StrPrintf(text, "%u - %I64u", ExtentLengthOf(Le32(ad)), location);
    return text;
}

const char* FormatIcbTag(const uint8_t* tag)
{
    static char text[64];
    StrPrintf(text, "#%u STyp%u FTyp%u F:%04Xh", Le32(tag), Le16(tag + 4), tag[11], Le16(tag + 18));
    return text;
}

const char* FormatFileCharacteristics(uint8_t c)
{
    static char text[64];
    StrPrintf(text, "%02Xh  ", c);
    static const char* const words[5] = {"NOTEXIST ", "DIR ", "DELETED ", "PARENT ", "METADATA "};
    for (int i = 0; i < 5; ++i) {
        if (c & (1 << i))
            strcat(text, words[i]);
    }
    return text;
}

uint8_t TagChecksum(const uint8_t* tag16)
{
    uint8_t sum = 0;
    for (int i = 0; i < 16; ++i) {
        if (i != 4)
            sum = static_cast<uint8_t>(sum + tag16[i]);
    }
    return sum;
}

uint16_t Crc16Ccitt(const uint8_t* bytes, uint32_t count)
{
    static uint16_t table[256];
    static bool tableReady = false;
    if (!tableReady) {
        for (int i = 0; i < 256; ++i) {
            uint16_t v = static_cast<uint16_t>(i << 8);
            for (int b = 0; b < 8; ++b)
                v = static_cast<uint16_t>((v & 0x8000) ? ((v << 1) ^ 0x1021) : (v << 1));
            table[i] = v;
        }
        tableReady = true;
    }
    uint16_t crc = 0;
    for (uint32_t i = 0; i < count; ++i)
        crc = static_cast<uint16_t>((crc << 8) ^ table[((crc >> 8) ^ bytes[i]) & 0xFF]);
    return crc;
}
