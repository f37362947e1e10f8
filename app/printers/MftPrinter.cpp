// Printer of an NTFS master file table record: one line per attribute, then the times of
// the standard information, the name, times, sizes and flags of the file name, and the
// clusters of the data attribute.
//
// A record is 1024 bytes, two sectors of a 512-byte medium, so the printer asks the
// document for the whole record. Every offset inside it (first attribute, attribute length,
// name, value and run list offsets) comes from the medium and may be damaged: each read is
// bounded by the record, and what lies behind its end reads as zeros. Within the record the
// bytes are shown as they are, also where a damaged offset points into another attribute.
//
// The walk and the values read the record with its update sequence put back (NTFS keeps the
// last two bytes of each 512-byte stride in the update sequence array and writes the sequence
// number in their place); the hex view shows the bytes as stored. Read as stored, an
// attribute whose header spans a stride's end would end the walk with a length made of the
// sequence number, and a value there would show it.
#include "app/printers/StructurePrinter.h"

#include <windows.h>
#include <initializer_list>
#include <string.h>

#include "disk/NtfsRuns.h"
#include "disk/OnDiskBytes.h"
#include "textlib/StrPrintf.h"

namespace {

const uint32_t kRecordSize = 1024;
const uint32_t kLastAttributeStart = 1000;   // an attribute header further in cannot fit
const uint32_t kMinAttributeLength = 22;
const uint32_t kMaxRuns = 8;
// The columns behind "DataSize=" and "DataOff=" with their four digits and 'h' on an
// attribute line (the second as it stands behind a DataSize of four digits).
const int kSizeEndColumn = 65;
const int kValueOffsetEndColumn = 79;

// Record header and attribute header fields.
const uint32_t kFirstAttributeField = 20;    // u16 in the record header
const uint32_t kAttrType = 0;                // u32
const uint32_t kAttrLength = 4;              // u32
const uint32_t kAttrNonResident = 8;         // u8
const uint32_t kAttrNameLength = 9;          // u8, UTF-16 characters
const uint32_t kAttrNameOffset = 10;         // u16
const uint32_t kAttrValueLength = 16;        // u32, resident form
const uint32_t kAttrFirstVcn = 16;           // u64, non-resident form
const uint32_t kAttrValueOffset = 20;        // u16, resident form
const uint32_t kAttrIndexed = 22;            // u16
const uint32_t kAttrLastVcn = 24;            // u64, non-resident form
const uint32_t kAttrRunListOffset = 32;      // u16, non-resident form
const uint32_t kAttrDataSize = 48;           // u64, non-resident form
const uint32_t kNonResidentHeader = 64;

const uint32_t kEndMarker = 0xFFFFFFFFu;
const uint32_t kTypeStandardInfo = 0x10;
const uint32_t kTypeFileName = 0x30;
const uint32_t kTypeData = 0x80;

// Standard information and file name values.
const uint32_t kStandardInfoSize = 32;       // the four times
const uint32_t kFileNameFixed = 66;          // up to the name
const uint32_t kFileNameLength = 64;         // u8
const uint32_t kFileNameFlags = 56;          // u32

const char* AttributeTypeName(uint32_t type)
{
    static const char* const names[16] = {
        "???",           "Standard Info", "AttributList",  "Filename",
        "Volume Version", "Security Deskr.", "Volume Name", "Volume Info",
        "Data",          "Index Root",    "Index Alloc",   "Bitmap",
        "Sympolic Link", "???",           "???",           "???"};
    if (type & ~0xF0u)
        return "???";
    return names[(type >> 4) & 15];
}

// The UTF-16 name of `chars` characters at `offset` of the record, in the ANSI code page;
// only the characters that lie wholly inside [0, limit) of the record are taken.
void ConvertName(char* out, int outSize, const uint8_t* record, uint32_t offset, uint32_t chars,
                 uint32_t limit)
{
    out[0] = 0;
    if (offset >= limit)
        return;
    const uint32_t fit = (limit - offset) / 2;
    if (chars > fit)
        chars = fit;
    if (chars == 0)
        return;
    WCHAR wide[256];
    if (chars > 255)
        chars = 255;
    for (uint32_t i = 0; i < chars; ++i)
        wide[i] = static_cast<WCHAR>(ReadU16(record, limit, offset + 2 * i));
    int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(chars), out, outSize - 1, nullptr, nullptr);
    if (n < 0)
        n = 0;
    out[n] = 0;
}

// Colours of a section line: label standard, column 20 blue, the colon green, the value in
// `value` up to column 201, blue from 202.
void BuildSectionColours(uint8_t colours[256], uint8_t value)
{
    memset(colours, PC_NONE, 20);
    colours[20] = PC_BLUE;
    colours[21] = PC_GREEN;
    memset(colours + 22, value, 202 - 22);
    memset(colours + 202, PC_BLUE, 256 - 202);
}

}  // namespace

void CStructurePrinter::PrintMftRecord(const uint8_t*, uint32_t)
{
    if (!HasPrinterDocument())
        return;
    AppendTitle("MASTER FILE TABLE ENTRY");
    ColourTitleLine(256);

    uint8_t record[kRecordSize];
    uint8_t* place = record;
    if (DocGetMftRecord(record, &place) != kRecordSize)
        return;
    PutBackUpdateSequence(record, kRecordSize);
    // Marks count from the start of the current sector, which is the record start or its
    // second half; fields before it get no mark.
    const uint32_t placeOffset =
        (place >= record && place < record + kRecordSize) ? static_cast<uint32_t>(place - record) : 0;
    auto markAt = [&](uint32_t recordOffset, uint32_t length, int line, int firstCol, int endCol) {
        if (recordOffset >= placeOffset)
            AddFieldMark(recordOffset - placeOffset, length, line, firstCol, endCol);
    };

    // What the sections show: the last attribute of each kind with a value that fits.
    bool haveStandardInfo = false;
    uint32_t standardInfo = 0;
    bool haveFileName = false;
    uint32_t fileName = 0;
    char fileNameText[256] = "";
    uint32_t runCount = 0;
    uint64_t runOffsets[kMaxRuns];
    uint64_t runLengths[kMaxRuns];
    bool runSparse[kMaxRuns] = {};

    uint8_t attrColours[256];
    memset(attrColours, PC_RED, sizeof(attrColours));   // values and the blanks after them
    memset(attrColours, PC_NONE, 20);
    attrColours[20] = PC_BLUE;
    attrColours[21] = PC_GREEN;
    static const struct {
        uint8_t first, last;
    } words[] = {{23, 25}, {31, 33}, {41, 43}, {51, 58}, {66, 72}, {80, 84}};
    for (const auto& w : words)
        memset(attrColours + w.first, PC_NONE, w.last - w.first + 1u);
    for (int col : {26, 34, 44, 59, 73, 85})
        attrColours[col] = PC_GREEN;
    memset(attrColours + 91, PC_CYAN, 136 - 91);
    memset(attrColours + 202, PC_BLUE, 256 - 202);

    uint32_t off = ReadU16(record, kRecordSize, kFirstAttributeField);
    bool first = true;
    while (off <= kLastAttributeStart) {
        const uint32_t type = ReadU32(record, kRecordSize, off + kAttrType);
        const uint32_t length = ReadU32(record, kRecordSize, off + kAttrLength);
        if (type == kEndMarker || length >= kRecordSize - off)
            break;
        if (first && length < kMinAttributeLength)
            break;
        first = false;
        // Fields, names, values and run lists are read inside the record.
        const uint32_t attrEnd = kRecordSize;

        // DataSize is the size of the attribute's data: of a resident one the value length,
        // of a non-resident one the data size in its header, whole. Where a resident value's
        // length stands, a non-resident header keeps its first VCN: read there, a file of
        // 5 GB would show 0000h, and a later extent 16 bits of its first VCN.
        const bool nonResident = ReadU8(record, attrEnd, off + kAttrNonResident) != 0;
        const uint32_t sizeField = nonResident ? kAttrDataSize : kAttrValueLength;
        const uint32_t sizeWidth = nonResident ? 8 : 4;
        const uint64_t dataSize = nonResident ? ReadU64(record, attrEnd, off + sizeField)
                                              : ReadU32(record, attrEnd, off + sizeField);
        // The value's place in the record: its offset in the attribute plus the attribute's
        // place, up to 0xFFFF + 1000 on a damaged record.
        const uint32_t valueStart = off + ReadU16(record, attrEnd, off + kAttrValueOffset);
        char line[400];
        int n = StrNPrintf(line, sizeof(line),
                           "  %-18s : Typ=%02Xh Len=%04Xh Off=%04Xh DataSize=%04I64Xh DataOff=%04Xh Index=%04Xh",
                           AttributeTypeName(type), type & 0xFF, length & 0xFFFF, off, dataSize, valueStart,
                           ReadU16(record, attrEnd, off + kAttrIndexed));
        // A size or a value offset of more than four digits moves the rest of the line, and
        // its marks and colours with it.
        int over = 0;
        for (uint64_t rest = dataSize >> 16; rest != 0; rest >>= 4)
            ++over;
        const int offOver = valueStart > 0xFFFF ? 1 : 0;
        const uint32_t nameChars = ReadU8(record, attrEnd, off + kAttrNameLength);
        if (nameChars != 0) {
            char name[256];
            ConvertName(name, sizeof(name), record, off + ReadU16(record, attrEnd, off + kAttrNameOffset),
                        nameChars, attrEnd);
            StrNPrintf(line + n, static_cast<int>(sizeof(line)) - n, " \"%s\"", name);
        }
        const int lineIndex = PaneLineCount();
        markAt(off + kAttrType, 1, lineIndex, 27, 30);
        markAt(off + kAttrLength, 2, lineIndex, 35, 40);
        markAt(kFirstAttributeField, 2, lineIndex, 45, 50);
        markAt(off + sizeField, sizeWidth, lineIndex, 60, 65 + over);
        markAt(off + kAttrValueOffset, 2, lineIndex, 74 + over, 79 + over + offOver);
        markAt(off + kAttrIndexed, 2, lineIndex, 86 + over + offOver, 91 + over + offOver);
        uint8_t sizeShifted[256];
        uint8_t lineColours[256];
        ShiftColoursBehind(attrColours, sizeShifted, 256, kSizeEndColumn, over, PC_RED);
        ShiftColoursBehind(sizeShifted, lineColours, 256, kValueOffsetEndColumn + over, offOver, PC_RED);
        ColourLine(AppendText(line), lineColours, 256);

        if (type == kTypeStandardInfo && !nonResident && valueStart <= attrEnd &&
            attrEnd - valueStart >= kStandardInfoSize) {
            haveStandardInfo = true;
            standardInfo = valueStart;
        } else if (type == kTypeFileName && !nonResident && valueStart <= attrEnd &&
                   attrEnd - valueStart >= kFileNameFixed) {
            haveFileName = true;
            fileName = valueStart;
            ConvertName(fileNameText, sizeof(fileNameText), record, valueStart + kFileNameFixed,
                        record[valueStart + kFileNameLength], attrEnd);
        } else if (type == kTypeData) {
            // Only a non-resident attribute has a run list; the bytes of a resident one are
            // the file's data, which decoded as runs would show clusters that do not exist.
            runCount = 0;
            const uint32_t runList = off + ReadU16(record, attrEnd, off + kAttrRunListOffset);
            if (nonResident && length >= kNonResidentHeader && runList < attrEnd) {
                const int64_t clusters = static_cast<int64_t>(ReadU64(record, attrEnd, off + kAttrLastVcn) -
                                                              ReadU64(record, attrEnd, off + kAttrFirstVcn) + 1);
                runCount = static_cast<uint32_t>(DecodeDataRuns(clusters, record + runList, attrEnd - runList,
                                                                runOffsets, runLengths, kMaxRuns));
                // A run without offset bytes is sparse: it has no clusters on the volume. Shown
                // as a cluster range it would name the previous run's clusters as the file's
                // data a second time, so it is shown as "Lücke(length)" instead.
                uint32_t pos = runList;
                memset(runSparse, 0, sizeof(runSparse));
                for (uint32_t i = 0; i < runCount && pos < attrEnd; ++i) {
                    const uint8_t header = record[pos];
                    runSparse[i] = (header >> 4) == 0;
                    pos += 1 + (header & 15) + (header >> 4);
                }
            }
        }

        if (length < kMinAttributeLength)
            break;
        off += length;
    }

    uint8_t timeColours[256];
    BuildSectionColours(timeColours, PC_RED);
    for (int col : {25, 29, 38, 41, 44})
        timeColours[col] = PC_GREEN;   // the separators of date and time
    static const char* const timeLabels[4] = {"  Access Time        : %s", "  Motify Time        : %s",
                                              "  Mft Motify Time    : %s", "  Access Time        : %s"};
    auto appendSectionTitle = [&](const char* title) {
        const int titleLine = PaneLineCount() + 1;
        AppendFormat("\n %s\n\n", title);
        uint8_t blue[256];
        memset(blue, PC_BLUE, sizeof(blue));
        ColourLine(titleLine, blue, 256);
    };
    auto appendMarked = [&](uint32_t recordOffset, uint32_t length, const uint8_t* colours, const char* text) {
        const int line = AppendText(text);
        markAt(recordOffset, length, line, 0, -1);
        ColourLine(line, colours, 256);
    };
    auto appendTimes = [&](uint32_t valueStart, uint32_t firstTime) {
        for (uint32_t i = 0; i < 4; ++i) {
            const uint32_t at = valueStart + firstTime + 8 * i;
            char text[128];
            StrNPrintf(text, sizeof(text), timeLabels[i], FormatFileTimeText(record + at));
            appendMarked(at, 8, timeColours, text);
        }
    };

    if (haveStandardInfo) {
        appendSectionTitle("Standard Info");
        appendTimes(standardInfo, 0);
    }

    if (haveFileName) {
        appendSectionTitle("Filename");
        char text[400];
        uint8_t colours[256];
        BuildSectionColours(colours, PC_CYAN);
        StrNPrintf(text, sizeof(text), "  Name               : \"%s\"", fileNameText);
        appendMarked(fileName + kFileNameFixed, 2u * record[fileName + kFileNameLength], colours, text);
        appendTimes(fileName, 8);
        BuildSectionColours(colours, PC_RED);
        // Unsigned 64-bit sizes, as NTFS keeps them.
        StrNPrintf(text, sizeof(text), "  Alloc Size         : %I64u", ReadU64(record, kRecordSize, fileName + 40));
        appendMarked(fileName + 40, 8, colours, text);
        StrNPrintf(text, sizeof(text), "  Data Size          : %I64u", ReadU64(record, kRecordSize, fileName + 48));
        appendMarked(fileName + 48, 8, colours, text);
        const uint32_t flags = ReadU32(record, kRecordSize, fileName + kFileNameFlags);
        memset(colours + 32, PC_CYAN, 192 - 32);
        StrNPrintf(text, sizeof(text), "  Flags              : %08Xh  %s", flags, FormatAttributeFlags(flags));
        appendMarked(fileName + kFileNameFlags, 4, colours, text);
    }

    if (runCount > 0) {
        appendSectionTitle("Data");
        // Absolute cluster numbers, first and last of each run, so that a user can go to
        // them; the run list itself stores each start relative to the previous run's.
        char text[400];
        int n = StrNPrintf(text, sizeof(text), "  Cluster Kette      :");
        for (uint32_t i = 0; i < runCount; ++i) {
            // Whole 64-bit cluster numbers and lengths: a hole is often longer than 2^32
            // clusters, and a volume of 64 KiB clusters has clusters past 2^32 from 256 TiB.
            if (runSparse[i])
                n += StrNPrintf(text + n, static_cast<int>(sizeof(text)) - n, " Lücke(%I64u) ,", runLengths[i]);
            else
                n += StrNPrintf(text + n, static_cast<int>(sizeof(text)) - n, " %I64u-%I64u ,", runOffsets[i],
                                runOffsets[i] + runLengths[i] - 1);
        }
        if (n > 0)
            text[n - 1] = 0;   // the last comma
        // The whole line, which grows past 256 cells with eight runs of large numbers: the
        // numbers behind that would keep the standard colour.
        uint8_t colours[sizeof(text)];
        memset(colours, PC_RED, sizeof(colours));
        memset(colours, PC_NONE, 20);
        colours[20] = PC_BLUE;
        colours[21] = PC_GREEN;
        for (int i = 22; i < n; ++i) {
            if (text[i] == '-' || text[i] == ',' || text[i] == '(' || text[i] == ')')
                colours[i] = PC_GREEN;
        }
        ColourLine(AppendText(text), colours, n > 256 ? n : 256);
    }
}
