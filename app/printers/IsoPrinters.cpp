// Printers of ISO 9660 media: a volume descriptor, the records of a path table and the
// records of a directory.
//
// Path table and directory sectors carry no header that says where the first record starts
// (a 512-byte sector of an image may begin in the middle of one), so both printers first
// look for the first offset that has the shape of a record, then list from there.
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "textlib/StrPrintf.h"

namespace {

// True when `width` bytes at `off` lie inside the loaded bytes.
inline bool FieldInside(uint32_t off, uint32_t width, uint32_t size)
{
    return width <= size && off <= size - width;
}

// --- volume descriptor ----------------------------------------------------------------

enum IsoFieldKind : uint8_t {
    IF_NUMBER,    // 1, 2 or 4 bytes little-endian (the first half of a both-endian pair)
    IF_NAME,      // identifier bytes through FormatNameText
    IF_DATE,      // 17-byte digit date
    IF_ROOT       // the 34-byte directory record of the root
};

struct IsoVdField {
    uint16_t offset;
    uint8_t width;
    IsoFieldKind kind;
    const char* format;
};

const IsoVdField kIsoHeaderFields[] = {
    {0, 1, IF_NUMBER, "  Descriptor Type    : %02Xh"},
    {1, 5, IF_NAME, "  Descriptor ID      : %s"},
    {6, 1, IF_NUMBER, "  Descriptor Version : %u"},
    {7, 1, IF_NUMBER, "  Volume Flags       : %02Xh"},
};

// Only the primary and the supplementary (Joliet) descriptor have these fields.
const IsoVdField kIsoVolumeFields[] = {
    {8, 32, IF_NAME, "  System Identifier  : %s"},
    {40, 32, IF_NAME, "  Volume Identifier  : %s"},
    {80, 4, IF_NUMBER, "  Volume Size        : %u"},
    {88, 32, IF_NAME, "  Escape Sequences   : %s"},
    {120, 2, IF_NUMBER, "  VolumeSet Size     : %u"},
    {124, 2, IF_NUMBER, "  VolumeSet Seq.Nr.  : %u"},
    {128, 2, IF_NUMBER, "  Logical Block Size : %u"},
    {132, 4, IF_NUMBER, "  PathTable Size     : %u"},
    {140, 4, IF_NUMBER, "  PathTable 1        : %u"},
    {144, 4, IF_NUMBER, "  PathTable 2        : %u"},
    {156, 34, IF_ROOT, "  Root Directory     : %s"},
    {190, 128, IF_NAME, "  VolumeSet ID       : %s"},
    {318, 128, IF_NAME, "  Publisher ID       : %s"},
    {446, 128, IF_NAME, "  DataPreparer ID    : %s"},
    {574, 128, IF_NAME, "  Application ID     : %s"},
    {702, 37, IF_NAME, "  Copyright File ID  : %s"},
    {739, 37, IF_NAME, "  Abstract File ID   : %s"},
    {776, 37, IF_NAME, "  Bibliographic ID   : %s"},
    {813, 17, IF_DATE, "  Volume Creation    : %s"},
    {830, 17, IF_DATE, "  Volume Modifiy     : %s"},
    {847, 17, IF_DATE, "  Volume Expiration  : %s"},
    {864, 17, IF_DATE, "  Volume Effective   : %s"},
    {881, 1, IF_NUMBER, "  FileStructure Ver. : %02Xh"},
};

const uint32_t kIsoDirRecordMin = 33;   // the fixed part of a directory record
const uint32_t kIsoPathRecordMin = 8;   // the fixed part of a path table record

// Record lines are coloured from line 3 to line 203.
const int kFirstRecordLine = 3;
const int kLastRecordLine = 203;
const int kRecordLines = kLastRecordLine - kFirstRecordLine + 1;
const int kRecordColourCells = 400;
// "  Ex=%3i Sec=%7u": the sector number's seven columns end here.
const int kSectorValueEnd = 20;

// Notes for a record line the columns by which an extent location of more than seven digits
// (2^24 sectors and more lie 32 GiB into a disc) pushes the rest of the line to the right.
// `over` holds one count per coloured record line; a line past them is left alone.
void NoteSectorColumnsOver(uint8_t* over, int line, uint32_t location)
{
    if (line < kFirstRecordLine || line > kLastRecordLine)
        return;
    int digits = 1;
    for (; location >= 10; location /= 10)
        ++digits;
    over[line - kFirstRecordLine] = static_cast<uint8_t>(digits > 7 ? digits - 7 : 0);
}

// An identifier of a record candidate holds no NUL within the loaded bytes: 8-bit names
// byte by byte, and names whose first byte is 0 (16-bit big-endian, Joliet) every second
// byte from the low byte on. The caller has checked that the first byte is loaded.
bool IdentifierHasNoNul(const uint8_t* s, uint32_t size, uint32_t first, uint32_t length)
{
    uint32_t end = first + length;
    if (end > size)
        end = size;
    const uint32_t step = s[first] != 0 ? 1 : 2;
    for (uint32_t i = s[first] != 0 ? first : first + 1; i < end; i += step) {
        if (s[i] == 0)
            return false;
    }
    return true;
}

}  // namespace

void CStructurePrinter::PrintIsoVolumeDescriptor(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* s = sector;
    const uint32_t size = sector ? loadedSize : 0;
    // A field that does not lie wholly inside the loaded bytes (a 512-byte sector of an
    // image shown as a descriptor, or a short read) gets no line: a value made of zeros
    // would look like one the medium holds.
    auto appendFields = [&](const IsoVdField* fields, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const IsoVdField& f = fields[i];
            if (!FieldInside(f.offset, f.width, size))
                continue;
            const uint8_t* p = s + f.offset;
            switch (f.kind) {
            case IF_NUMBER: {
                // The first half of a both-endian pair, unsigned: a volume of 2^31 sectors or
                // more (a 4 TiB image) would show a negative size.
                uint32_t v = f.width == 1 ? p[0] : f.width == 2 ? ReadU16(p, 2, 0) : ReadU32(p, 4, 0);
                AppendFieldLine(f.offset, f.width, f.format, v);
                break;
            }
            case IF_NAME:
                AppendFieldLine(f.offset, f.width, f.format, FormatNameText(p, f.width));
                break;
            case IF_DATE:
                AppendFieldLine(f.offset, f.width, f.format, FormatDigitDate(p));
                break;
            case IF_ROOT:
                AppendFieldLine(f.offset, f.width, f.format, FormatIsoDirEntry(p, f.width));
                break;
            }
        }
    };

    AppendTitle("VOLUME DESKRIPTOR");
    appendFields(kIsoHeaderFields, sizeof(kIsoHeaderFields) / sizeof(kIsoHeaderFields[0]));
    const uint8_t type = ReadU8(s, size, 0);
    if (size > 0 && (type == 1 || type == 2))
        appendFields(kIsoVolumeFields, sizeof(kIsoVolumeFields) / sizeof(kIsoVolumeFields[0]));

    ColourTitleLine(256);
    uint8_t colours[256];
    memset(colours, PC_NONE, 20);
    colours[20] = PC_BLUE;
    colours[21] = PC_GREEN;
    memset(colours + 22, PC_RED, 202 - 22);
    memset(colours + 202, PC_BLUE, 256 - 202);
    ColourLines(3, 33, colours, 256);
}

// --- path table -------------------------------------------------------------------------

namespace {

// Whether a record of a path table starts at `off`: the fields must be those of a record
// of a type L or a type M table, and the identifier must have no zero byte (a 16-bit
// identifier none in its low bytes). Needs the 8 fixed bytes and one more.
bool LooksLikePathRecord(const uint8_t* s, uint32_t size, uint32_t off)
{
    const uint8_t* r = s + off;
    const uint32_t lenDi = r[0];
    if ((off & 1) || lenDi == 0 || r[1] > 1)
        return false;
    const uint32_t l = ReadU32(r, 8, 2);
    const uint16_t p = ReadU16(r, 8, 6);
    if (l < SwapBytes32(l)) {
        // Type L: the location's top byte and the parent's high byte are small.
        if (p > SwapBytes16(p) || r[5] != 0 || r[7] >= 64)
            return false;
    } else {
        if (SwapBytes16(p) > p || r[2] != 0 || r[6] >= 64)
            return false;
    }
    return IdentifierHasNoNul(s, size, off + kIsoPathRecordMin, lenDi);
}

}  // namespace

// A sector number of more than seven digits moves the rest of its line, colours too.
void CStructurePrinter::ColourIsoRecordLines(const uint8_t* colours, const uint8_t* over)
{
    const int lineCount = PaneLineCount();
    uint8_t shifted[kRecordColourCells];
    for (int line = kFirstRecordLine; line <= kLastRecordLine && line < lineCount; ++line) {
        ShiftColoursBehind(colours, shifted, kRecordColourCells, kSectorValueEnd, over[line - kFirstRecordLine], PC_RED);
        ColourLine(line, shifted, kRecordColourCells);
    }
}

void CStructurePrinter::PrintIsoPathTable(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* s = sector;
    const uint32_t size = sector ? loadedSize : 0;
    AppendTitle("CD PFAD TABELLE");
    uint8_t over[kRecordLines] = {};

    // A record needs its 8 fixed bytes and one byte of identifier; a shorter (or failed)
    // load holds none, and the bound must not wrap below 0.
    uint32_t off = 0;
    bool found = false;
    for (; off + kIsoPathRecordMin < size; ++off) {
        if (LooksLikePathRecord(s, size, off)) {
            found = true;
            break;
        }
    }
    while (found && off + kIsoPathRecordMin < size && s[off] != 0) {
        const uint8_t* r = s + off;
        const uint32_t lenDi = r[0];
        uint32_t location = ReadU32(r, 8, 2);
        uint32_t parent = ReadU16(r, 8, 6);
        if (SwapBytes32(location) < location) {
            // A type M table: both numbers big-endian.
            location = SwapBytes32(location);
            parent = SwapBytes16(static_cast<uint16_t>(parent));
        }
        uint32_t idLength = lenDi;
        if (idLength > size - off - kIsoPathRecordMin)
            idLength = size - off - kIsoPathRecordMin;
        // The whole extent location: cut to 24 bits, a directory 32 GiB or more into the disc
        // would name a sector near its start.
        const int line = AppendFormat("  Ex=%3i Sec=%7u Parent=%5u  %s", r[1], location, parent,
                                      FormatNameText(r + kIsoPathRecordMin, idLength));
        NoteSectorColumnsOver(over, line, location);
        // An odd identifier length is followed by a padding byte.
        off += kIsoPathRecordMin + lenDi + (lenDi & 1);
    }

    ColourTitleLine(256);
    uint8_t colours[kRecordColourCells];
    memset(colours, PC_CYAN, sizeof(colours));   // the identifier from column 35 on
    static const struct {
        uint16_t first, last;
        uint8_t colour;
    } runs[] = {{0, 1, PC_RED},   {2, 3, PC_NONE},   {4, 4, PC_GREEN},  {5, 8, PC_RED},
                {9, 11, PC_NONE}, {12, 12, PC_GREEN}, {13, 20, PC_RED}, {21, 26, PC_NONE},
                {27, 27, PC_GREEN}, {28, 34, PC_RED}};
    for (const auto& r : runs)
        memset(colours + r.first, r.colour, r.last - r.first + 1u);
    ColourIsoRecordLines(colours, over);
}

// --- directory --------------------------------------------------------------------------

namespace {

// Whether a directory record starts at `off` (which leaves at least the fixed part and one
// identifier byte inside the loaded bytes): both-endian pairs that agree, a plausible date
// (a directory may carry none), an identifier without zero bytes.
bool LooksLikeDirRecord(const uint8_t* s, uint32_t size, uint32_t off)
{
    const uint8_t* r = s + off;
    if ((off & 1) || r[0] < kIsoDirRecordMin + 1 || r[1] > 1)
        return false;
    if (ReadU32(r, 34, 2) != SwapBytes32(ReadU32(r, 34, 6)) ||
        ReadU32(r, 34, 10) != SwapBytes32(ReadU32(r, 34, 14)) ||
        ReadU16(r, 34, 28) != SwapBytes16(ReadU16(r, 34, 30)))
        return false;
    const bool undatedDirectory =
        (r[25] & 2) && r[18] == 0 && r[19] == 0 && r[20] == 0 && r[21] == 0 && r[22] == 0 && r[23] == 0;
    if (!undatedDirectory) {
        if (r[18] < 50 || r[19] < 1 || r[19] > 12 || r[20] < 1 || r[20] > 31 || r[21] > 23 ||
            r[22] > 59 || r[23] > 59)
            return false;
    }
    return IdentifierHasNoNul(s, size, off + kIsoDirRecordMin, r[32]);
}

}  // namespace

void CStructurePrinter::PrintIsoDirectory(const uint8_t* sector, uint32_t loadedSize)
{
    const uint8_t* s = sector;
    const uint32_t size = sector ? loadedSize : 0;
    AppendTitle("CD VERZEICHNIS");
    uint8_t over[kRecordLines] = {};

    // The tests look at the fixed 33 bytes and the first identifier byte of a candidate.
    uint32_t off = 0;
    bool found = false;
    for (; off + kIsoDirRecordMin < size; ++off) {
        if (LooksLikeDirRecord(s, size, off)) {
            found = true;
            break;
        }
    }
    while (found && off + kIsoDirRecordMin < size && s[off] != 0) {
        const uint8_t* r = s + off;
        uint32_t length = r[0];
        if (length > size - off)
            length = size - off;
        if (length < kIsoDirRecordMin)
            break;
        // The first two records of every directory name the directory itself (0x00) and its
        // parent (0x01); they carry no name, so they get the usual "." and "..". The other way
        // round, the line of the directory's own extent would be labelled as its parent and
        // the parent's as the directory itself.
        int line;
        if (r[32] == 1 && r[33] == 0)
            line = AppendFormat("  %s.", FormatIsoDirEntry(r, 0));
        else if (r[32] == 1 && r[33] == 1)
            line = AppendFormat("  %s..", FormatIsoDirEntry(r, 0));
        else
            line = AppendFormat("  %s", FormatIsoDirEntry(r, length));
        NoteSectorColumnsOver(over, line, ReadU32(r, kIsoDirRecordMin, 2));
        off += length + (length & 1);
    }

    ColourTitleLine(256);
    uint8_t colours[kRecordColourCells];
    memset(colours, PC_CYAN, sizeof(colours));   // the identifier from column 66 on
    static const struct {
        uint16_t first, last;
        uint8_t colour;
    } runs[] = {{0, 1, PC_RED},    {2, 3, PC_NONE},   {4, 4, PC_GREEN},   {5, 8, PC_RED},
                {9, 11, PC_NONE},  {12, 12, PC_GREEN}, {13, 20, PC_RED},  {21, 23, PC_NONE},
                {24, 24, PC_GREEN}, {25, 40, PC_RED},  {41, 41, PC_NONE}, {42, 44, PC_RED},
                {45, 45, PC_NONE}, {46, 53, PC_RED},   {54, 54, PC_NONE}, {55, 56, PC_RED},
                {57, 57, PC_NONE}, {58, 61, PC_RED},   {62, 63, PC_NONE}, {64, 65, PC_RED}};
    for (const auto& r : runs)
        memset(colours + r.first, r.colour, r.last - r.first + 1u);
    ColourIsoRecordLines(colours, over);
}
