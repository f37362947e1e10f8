// What every structure printer shares: the colour numbers of the decoded-text pane, the
// status-word marker, the month names and the small value formatters.
//
// The formatters return the address of a static buffer of their own; the text stays valid
// until the next call of the same formatter, so a printer hands it straight to its next line
// format. Each buffer holds the longest text its formatter can produce, and no formatter
// reads more bytes than its field has. They run on the user-interface thread only.
#pragma once
#include <stdint.h>

// Colour numbers of the decoded-text pane's cells. 1 and 2 come with the editor; the view
// adds 10 to 15 when it creates the pane.
// wingdi.h has a PC_NONE of its own (a polygon capability); this name wins here.
#ifdef PC_NONE
#undef PC_NONE
#endif
enum PrinterColor : uint8_t {
    PC_NONE      = 0,    // the cell keeps the pane's standard colours
    PC_STANDARD  = 1,    // "Standard"
    PC_SELECTION = 2,    // "Markierung"
    PC_BLUE      = 10,   // "Blau"
    PC_RED       = 11,   // "Rot"
    PC_GREEN     = 12,   // "Grün"
    PC_CYAN      = 13,   // "Türkis"
    PC_ERROR     = 14,   // "Fehler"
    PC_OK        = 15    // "OK"
};

// The colour formats the view adds to the pane: number, name and text colour.
struct PrinterColorFormat {
    int number;
    const char* name;
    uint32_t rgb;   // COLORREF layout: 0x00BBGGRR
};
extern const PrinterColorFormat PrinterColorFormats[6];

// A no-break space of the 8-bit code page, put in a line just before a status word ("OK",
// "WRONG", "UNKNOWN") so that the colouring step can find the word without parsing the line.
const unsigned char StatusMarker = 0xA0;
// The marker as a one-character text, for line formats.
extern const char StatusMarkerText[2];

// Month names by the low four bits of a month number; 0 and 13 to 15 are placeholders.
extern const char* const MonthNameTable[16];

// Byte-order helpers for the big-endian halves of ISO 9660 and the tags of ECMA-167.
inline uint16_t SwapBytes16(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }
inline uint32_t SwapBytes32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// A GUID as Windows writes it: the first three groups little-endian, the last eight bytes
// in their order on disk ("%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X").
const char* FormatGuidText(const uint8_t* guid16);
// A UUID that is a string of 16 bytes (ext's volume and journal UUIDs): the bytes in their
// order on disk, as blkid and dumpe2fs show it, in the upper-case digits of a GUID's text.
// Read as a GUID's little-endian groups, the first eight bytes would come out swapped and the
// text would name no volume the tools know.
const char* FormatUuidText(const uint8_t* uuid16);
// Unsigned seconds since 1970 as local date and time text ("TT.MM.JJJJ hh:mm:ss"), the
// whole range of the field: times from 2038 to 2106 as well.
const char* FormatTimeValue(uint32_t seconds);
// The same local time in year-month-day order ("JJJJ-MM-TT hh:mm:ss"; 0 is
// "1970-01-01 00:00:00" in universal time); a time the run-time cannot convert keeps the
// dashes of FormatTimeValue.
const char* FormatTimeValueYmd(uint32_t seconds);
// "exponent  (size)" of a size stored as a power of two of a unit; "0  (---)" for 0 and 0.
// A unit of 0 counts as 1; an exponent of 64 or more gives the size 0.
const char* FormatLog2Size(uint32_t exponent, uint32_t unit);
// A name field: 16-bit big-endian text (00 xx 00 ...) becomes its low bytes, anything else
// is copied as 8-bit text; never more than `length` bytes are read.
const char* FormatNameText(const uint8_t* bytes, uint32_t length);
// The 17-byte digit date of an ISO 9660 volume descriptor; empty when it holds no digits.
const char* FormatDigitDate(const uint8_t* date17);
// Words for the DOS/NTFS attribute bits ("ARCHIVE READONLY "); empty for none.
const char* FormatAttributeFlags(uint32_t bits);
// A FILETIME (8 bytes, little-endian, 100 ns since 1601) as stored, without a change to
// local time; empty when it cannot be converted.
const char* FormatFileTimeText(const uint8_t* fileTime8);
// One summary line of an ISO 9660 directory record; `recordLength` bounds the identifier
// (0: no identifier). The record must have at least 33 readable bytes.
const char* FormatIsoDirEntry(const uint8_t* record, uint32_t recordLength);
// An OSTA compressed-unicode d-string or d-character field of `fieldLength` bytes.
const char* FormatDString(const uint8_t* field, uint32_t fieldLength);
// The information bytes 1 to 63 of a 64-byte charspec field (character set type and its information).
const char* FormatCharSpecText(const uint8_t* charSpec64);
// An ECMA-167 timestamp (12 bytes) as "JJJJ-MM-TT hh:mm:ss.cchhmm".
const char* FormatUdfTimestamp(const uint8_t* timestamp12);
// The identifier bytes 1 to 23 of an entity identifier (32 bytes).
const char* FormatEntityId(const uint8_t* entityId32);
// The length of a short or long allocation descriptor of ECMA-167: the low 30 bits of its
// first word. The top two bits are the extent's type (recorded, allocated but not recorded,
// neither, or the next extent of descriptors); taken as part of the length, an extent that is
// not recorded would be 2^30 or 2^31 bytes too long.
inline uint32_t ExtentLengthOf(uint32_t lengthField) { return lengthField & 0x3FFFFFFFu; }
// A long allocation descriptor (16 bytes): "length - location", the length without its
// extent type, the partition reference number in bits 32 to 47 of the location.
const char* FormatLongAd(const uint8_t* longAd16);
// An ICB tag (20 bytes): "#entries STyp FTyp F:flagsh".
const char* FormatIcbTag(const uint8_t* icbTag20);
// The file characteristics byte of a file identifier descriptor with its flag words.
const char* FormatFileCharacteristics(uint8_t characteristics);
// The 8-bit sum of a 16-byte descriptor tag without its own checksum byte (byte 4).
uint8_t TagChecksum(const uint8_t* tag16);
// CRC-16, polynomial 0x1021, start 0, most significant bit first: the descriptor CRC of
// ECMA-167.
uint16_t Crc16Ccitt(const uint8_t* bytes, uint32_t count);

// The colours of a line whose value ending at column `at` came out `by` columns longer than
// its usual width: cells before `at` keep their colours, `by` cells of `fill` follow, then the
// rest of `base`, moved right with its text. `base` and `out` hold `count` cells.
void ShiftColoursBehind(const uint8_t* base, uint8_t* out, int count, int at, int by, uint8_t fill);

// Copies a fixed-width text field into `out` (at least width + 1 bytes): it ends at the first
// zero byte or after `width` bytes, whichever comes first; bytes at or beyond `size` are not
// read. Returns `out`.
char* CopyFieldText(char* out, const uint8_t* buf, uint32_t size, uint32_t off, uint32_t width);
