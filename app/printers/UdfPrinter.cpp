// Printer of the descriptors of ECMA-167, the volume and file structure of UDF media: the
// 16-byte descriptor tag with the verdicts of its checksum and CRC, then the fields of the
// descriptor kind. A directory sector that begins with a file identifier descriptor is
// followed descriptor by descriptor, so that it lists all its names; so is a directory's file
// entry that carries its file identifiers inside.
//
// Lengths inside a descriptor (CRC length, implementation use and identifier lengths, the
// allocation descriptor length) come from the medium: a field that does not lie wholly
// inside the loaded bytes gets no line, and a text field is read for its own width only.
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "textlib/StrPrintf.h"

namespace {

const uint32_t kTagSize = 16;
const uint32_t kMaxFollowing = 32;   // file identifier descriptors listed after the first

enum UdfFieldKind : uint8_t {
    UF_U8,
    UF_U16,
    UF_U32,
    UF_U64,        // an 8-byte number, whole
    UF_DSTRING,    // OSTA compressed text of the field's width (not 512 bytes, which would
                   // run on into the fields behind a 32- or 128-byte identifier), its last
                   // byte the length
    UF_CHARSPEC,   // 64-byte charspec field (character set type and information)
    UF_TIMESTAMP,  // 12 bytes
    UF_ENTITY,     // 32-byte entity identifier
    UF_LONG_AD,    // 16-byte long allocation descriptor
    UF_ICB_TAG,    // 20 bytes
    UF_FILE_CHAR   // the file characteristics byte
};

struct UdfField {
    uint16_t offset;
    uint16_t width;
    UdfFieldKind kind;
    const char* format;
};

const UdfField kPrimaryVolumeFields[] = {
    {16, 4, UF_U32, "  Volume Descriptor      : %04Xh"},
    {20, 4, UF_U32, "  Pri. Volume Desc.      : %04Xh"},
    {24, 32, UF_DSTRING, "  Identifier String      : %s"},
    {56, 2, UF_U16, "  Volume Sequence        : %u"},
    {58, 2, UF_U16, "  Max. Volume Sequ.      : %u"},
    {60, 2, UF_U16, "  Interchange Level      : %u"},
    {62, 2, UF_U16, "  Max.Interchange Level  : %u"},
    {64, 4, UF_U32, "  Character Set List     : %u"},
    {68, 4, UF_U32, "  Max.Char. Set List     : %u"},
    {72, 128, UF_DSTRING, "  Volume Set Ident.      : %s"},
    {200, 64, UF_CHARSPEC, "  Descriptor Char.Set    : %s"},
    {264, 64, UF_CHARSPEC, "  Explanatory Charset    : %s"},
    {328, 4, UF_U32, "  Volume Abstract Len    : %u"},
    {332, 4, UF_U32, "  Volume Abstract Loc    : %u"},
    {336, 4, UF_U32, "  Copyright Len          : %u"},
    {340, 4, UF_U32, "  Copyright Loc          : %u"},
    {344, 32, UF_ENTITY, "  Application Id         : %s"},
    {376, 12, UF_TIMESTAMP, "  Recording Time         : %s"},
    {388, 32, UF_ENTITY, "  Implementation Id      : %s"},
    {484, 4, UF_U32, "  Predecessor Volume     : %u"},
    {488, 2, UF_U16, "  Flags                  : %04Xh"},
};

const UdfField kAnchorFields[] = {
    {16, 4, UF_U32, "  Main Volume Len        : %u"},
    {20, 4, UF_U32, "  Main Volume Loc        : %u"},
    {24, 4, UF_U32, "  Reserve Volume Len     : %u"},
    {28, 4, UF_U32, "  Reserve Volume Loc     : %u"},
};

const UdfField kPointerFields[] = {
    {16, 4, UF_U32, "  Sequence Number        : %u"},
    {20, 4, UF_U32, "  Sequence Len           : %u"},
    {24, 4, UF_U32, "  Sequence Loc           : %u"},
};

const UdfField kImplementationUseFields[] = {
    {16, 4, UF_U32, "  Sequence Number        : %u"},
    {20, 32, UF_ENTITY, "  Implementation Id.     : %s"},
};

const UdfField kPartitionFields[] = {
    {16, 4, UF_U32, "  Sequence Number        : %u"},
    {20, 2, UF_U16, "  Partition Flags        : %04Xh"},
    {22, 2, UF_U16, "  Partition Number       : %u"},
    {24, 32, UF_ENTITY, "  Partition Contents     : %s"},
    {184, 4, UF_U32, "  Access Type            : %08Xh"},
    {188, 4, UF_U32, "  Partition Location     : %u"},
    {192, 4, UF_U32, "  Partition Length       : %u"},
    {196, 32, UF_ENTITY, "  Implementation Ident.  : %s"},
};

const UdfField kLogicalVolumeFields[] = {
    {16, 4, UF_U32, "  Sequence Number        : %u"},
    {20, 64, UF_CHARSPEC, "  Character Set          : %s"},
    {84, 128, UF_DSTRING, "  Volume Identifier      : %s"},
    {212, 4, UF_U32, "  Logical Block Size     : %u"},
    {216, 32, UF_ENTITY, "  Domain Identifier      : %s"},
    {264, 4, UF_U32, "  Map Table Length       : %u"},
    {268, 4, UF_U32, "  Number of Maps         : %u"},
    {272, 32, UF_ENTITY, "  Implementation Ident.  : %s"},
    {432, 4, UF_U32, "  Integrity Sequence Len : %u"},
    {436, 4, UF_U32, "  Integrity Sequence Loc : %u"},
};

const UdfField kUnallocatedSpaceFields[] = {
    {16, 4, UF_U32, "  Sequence Number        : %u"},
    {20, 4, UF_U32, "  Number of Allocations  : %u"},
};

const UdfField kIntegrityFields[] = {
    {16, 12, UF_TIMESTAMP, "  Recording Time         : %s"},
    {28, 4, UF_U32, "  Integrity Type         : %04Xh"},
    {32, 4, UF_U32, "  Next Integrity Len     : %u"},
    {36, 4, UF_U32, "  Next Integrity Loc     : %u"},
    {72, 4, UF_U32, "  Number of Partitions   : %u"},
    {76, 4, UF_U32, "  Length of Implement.   : %u"},
};

const UdfField kFileSetFields[] = {
    {16, 12, UF_TIMESTAMP, "  Recording Time         : %s"},
    {28, 2, UF_U16, "  Interchange Level      : %u"},
    {30, 2, UF_U16, "  Max.Interchange Level  : %u"},
    {32, 4, UF_U32, "  Character Set List     : %u"},
    {36, 4, UF_U32, "  Max.Char. Set List     : %u"},
    {40, 4, UF_U32, "  File Set Number        : %u"},
    {44, 4, UF_U32, "  File Set Desc. Number  : %u"},
    {48, 64, UF_CHARSPEC, "  Volume Identifier CS.  : %s"},
    {112, 128, UF_DSTRING, "  Volume Identifier      : %s"},
    {240, 64, UF_CHARSPEC, "  File Set Character Set : %s"},
    {304, 32, UF_DSTRING, "  File Set Identifier    : %s"},
    {336, 32, UF_DSTRING, "  Copyright Identifier   : %s"},
    {368, 32, UF_DSTRING, "  Abstract Identifier    : %s"},
    {400, 16, UF_LONG_AD, "  Root Directory ICB     : %s"},
    {416, 32, UF_ENTITY, "  Domain Identifier      : %s"},
    {448, 16, UF_LONG_AD, "  Next Extent ICB        : %s"},
    {464, 16, UF_LONG_AD, "  System Stream Dir ICB  : %s"},
};

const UdfField kFileIdentifierFields[] = {
    {16, 2, UF_U16, "  File Version Number    : %u"},
    {18, 1, UF_FILE_CHAR, "  File Characteristics   : %s"},
    {19, 1, UF_U8, "  Length of File Id      : %u"},
    {20, 16, UF_LONG_AD, "  File ICB               : %s"},
    {36, 2, UF_U16, "  Length of Implement.   : %u"},
};

const UdfField kAllocationExtentFields[] = {
    {16, 4, UF_U32, "  Previous Allocation    : %u"},
    {20, 4, UF_U32, "  Length of Allocation   : %u"},
};

const UdfField kIndirectEntryFields[] = {
    {16, 20, UF_ICB_TAG, "  ICB Tag                : %s"},
    {36, 16, UF_LONG_AD, "  File ICB               : %s"},
};

const UdfField kTerminalEntryFields[] = {
    {16, 20, UF_ICB_TAG, "  ICB Tag                : %s"},
};

const UdfField kFileEntryFields[] = {
    {16, 20, UF_ICB_TAG, "  ICB Tag                : %s"},
    {36, 4, UF_U32, "  UID                    : %08Xh"},
    {40, 4, UF_U32, "  GID                    : %08Xh"},
    {44, 4, UF_U32, "  Permissions            : %08Xh"},
    {48, 2, UF_U16, "  File Link Count        : %u"},
    {50, 1, UF_U8, "  Record Format          : %u"},
    {51, 1, UF_U8, "  Display Attributes     : %02Xh"},
    {52, 4, UF_U32, "  Record Length          : %u"},
    {56, 8, UF_U64, "  Information Length     : %I64u"},
    {64, 8, UF_U64, "  Blocks Recorded        : %I64u"},
    {72, 12, UF_TIMESTAMP, "  Access Time            : %s"},
    {84, 12, UF_TIMESTAMP, "  Modification Time      : %s"},
    {96, 12, UF_TIMESTAMP, "  Attribute Time         : %s"},
    {108, 4, UF_U32, "  Checkpoint             : %u"},
    {112, 16, UF_LONG_AD, "  Extended Attribute ICB : %s"},
    {128, 32, UF_ENTITY, "  Implementation Ident.  : %s"},
    {160, 8, UF_U64, "  Unique Id              : %I64u"},
    {168, 4, UF_U32, "  Length of Ex.Attrib    : %u"},
    {172, 4, UF_U32, "  Length of Allocation   : %u"},
};

const UdfField kExtendedAttributeHeaderFields[] = {
    {16, 4, UF_U32, "  Impl.Attributes Loc    : %u"},
    {20, 4, UF_U32, "  Appl.Attributes Loc    : %u"},
};

struct UdfKind {
    uint16_t tagId;
    const char* title;
    const UdfField* fields;
    uint8_t fieldCount;
};

#define UDF_FIELDS(table) table, static_cast<uint8_t>(sizeof(table) / sizeof(table[0]))

const UdfKind kUdfKinds[] = {
    {1, " ECMA PRIMARY VOLUME DESCRIPTOR", UDF_FIELDS(kPrimaryVolumeFields)},
    {2, " ECMA ANCHOR VOLUME DESCRIPTOR", UDF_FIELDS(kAnchorFields)},
    {3, " ECMA VOLUME DESCRIPTOR POINTER", UDF_FIELDS(kPointerFields)},
    {4, " ECMA IMPLEMENTATION USE VOLUME DESCRIPTOR", UDF_FIELDS(kImplementationUseFields)},
    {5, " ECMA PARTITION DESCRIPTOR", UDF_FIELDS(kPartitionFields)},
    {6, " ECMA LOGICAL VOLUME DESCRIPTOR", UDF_FIELDS(kLogicalVolumeFields)},
    {7, " ECMA UNALLOCATED SPACE DESCRIPTOR", UDF_FIELDS(kUnallocatedSpaceFields)},
    {8, " ECMA TERMINATING DESCRIPTOR", nullptr, 0},
    {9, " ECMA LOGICAL VOLUME INTEGRITY", UDF_FIELDS(kIntegrityFields)},
    {256, " ECMA FILE SET DESCRIPTOR", UDF_FIELDS(kFileSetFields)},
    {257, " ECMA FILE IDENTIFIER DESCRIPTOR", UDF_FIELDS(kFileIdentifierFields)},
    {258, " ECMA ALLOCATION EXTENT DESCRIPTOR", UDF_FIELDS(kAllocationExtentFields)},
    {259, " ECMA INDIRECT ENTRY", UDF_FIELDS(kIndirectEntryFields)},
    {260, " ECMA TERMINAL ENTRY", UDF_FIELDS(kTerminalEntryFields)},
    {261, " ECMA FILE ENTRY", UDF_FIELDS(kFileEntryFields)},
    {262, " ECMA EXTENDED ATTRIBUTE HEADER DESCRIPTOR", UDF_FIELDS(kExtendedAttributeHeaderFields)},
    {263, " ECMA UNALLOCATED SPACE ENTRY", nullptr, 0},
    {264, " ECMA SPACE BITMAP DESCRIPTOR", nullptr, 0},
    {265, " ECMA PARTITION INTEGRITY ENTRY", nullptr, 0},
    {266, " ECMA EXTENDED FILE ENTRY", nullptr, 0},
};

const UdfKind kUnknownKind = {0, " ECMA TAG", nullptr, 0};

const uint16_t kTagFileIdentifier = 257;
const uint16_t kTagFileEntry = 261;
const uint16_t kTagUnallocatedSpace = 7;

// ICB tag values of a file entry.
const uint32_t kFileTypeDirectory = 4;
const uint32_t kFileTypeStreamDirectory = 13;
const uint32_t kAllocationEmbedded = 3;

const UdfKind& KindOf(uint16_t tagId)
{
    for (const UdfKind& k : kUdfKinds) {
        if (k.tagId == tagId)
            return k;
    }
    return kUnknownKind;
}

// The bytes of a d-string field that hold its text, compression identifier included: the
// field's last byte counts them. A name that fills its field would otherwise end in that count
// as one more character. A count of 0 or one that claims the length byte itself (damage, or a
// writer that leaves it out) bounds the text by the bytes before the length byte.
uint32_t DStringUsedBytes(const uint8_t* field, uint32_t width)
{
    if (width < 2)
        return 0;
    const uint32_t used = field[width - 1];
    return used != 0 && used < width ? used : width - 1;
}

inline bool FieldInside(uint32_t off, uint32_t width, uint32_t size)
{
    return width <= size && off <= size - width;
}

// Whether a following file identifier descriptor may be listed: a tag that names a
// descriptor, whose checksum holds and whose bytes all lie before `end` (the end of the
// loaded data, or of the area that holds the identifiers).
bool AcceptFollowing(const uint8_t* s, uint32_t end, uint32_t pos)
{
    if (pos >= end || end - pos <= kTagSize)
        return false;
    const uint8_t* tag = s + pos;
    const uint32_t crcLength = ReadU16(tag, kTagSize, 10);
    return ReadU16(tag, kTagSize, 0) != 0 && TagChecksum(tag) == tag[4] &&
           crcLength <= end - pos - kTagSize;
}

// Fills steps[1..] with the sizes of the file identifier descriptors that follow each
// other from `pos` up to `end`, at most kMaxFollowing of them, and ends the list after the
// last one (steps[0], the way to the first, is the caller's; it becomes 0 when none follows).
void FillFollowingSteps(const uint8_t* s, uint32_t end, uint32_t pos, uint32_t* steps)
{
    uint32_t accepted = 0;
    while (accepted < kMaxFollowing && AcceptFollowing(s, end, pos)) {
        const uint32_t step = ReadU16(s + pos, kTagSize, 10) + kTagSize;
        steps[++accepted] = step;
        pos += step;
    }
    steps[accepted] = 0;
}

// A small directory (or stream directory) keeps its file identifiers inside its own file
// entry instead of in blocks of their own (allocation type 3, "data in the ICB"): they fill
// the allocation descriptor area behind the extended attributes. Gives that area's first
// byte and its end, cut at the loaded size. (An extended file entry shows its tag alone.)
bool EmbeddedIdentifierArea(const uint8_t* d, uint32_t size, uint32_t* first, uint32_t* end)
{
    // The file entry's header is 176 bytes; the two lengths stand just before the area.
    const uint32_t header = 176;
    if (size < header)
        return false;
    const uint32_t fileType = d[16 + 11];
    const uint32_t allocationType = ReadU16(d, size, 16 + 18) & 7;
    if ((fileType != kFileTypeDirectory && fileType != kFileTypeStreamDirectory) ||
        allocationType != kAllocationEmbedded)
        return false;
    const uint32_t eaLength = ReadU32(d, size, header - 8);
    const uint32_t adLength = ReadU32(d, size, header - 4);
    if (eaLength > size - header)
        return false;
    *first = header + eaLength;
    *end = adLength > size - *first ? size : *first + adLength;
    return true;
}

}  // namespace

void CStructurePrinter::PrintUdfDescriptor(const uint8_t* sector, uint32_t loadedSize)
{
    const uint32_t size = sector ? loadedSize : 0;

    // Distance from each printed descriptor to the next; 0 ends the listing.
    uint32_t steps[kMaxFollowing + 1];
    steps[0] = 0;
    uint32_t stepIndex = 0;

    uint8_t colours[256];
    memset(colours, PC_NONE, 25);
    colours[25] = PC_GREEN;
    memset(colours + 26, PC_RED, 205 - 26);
    memset(colours + 205, PC_BLUE, 256 - 205);
    uint8_t titleColours[256];
    memset(titleColours, PC_BLUE, sizeof(titleColours));

    uint32_t off = 0;
    for (;;) {
        const uint8_t* d = sector ? sector + off : nullptr;
        const uint32_t left = size - off;
        uint8_t tag[kTagSize];
        CopyFieldBytes(tag, d, left, 0, kTagSize);
        const uint16_t tagId = ReadU16(tag, kTagSize, 0);
        const uint32_t crcLength = ReadU16(tag, kTagSize, 10);
        const UdfKind& kind = KindOf(tagId);

        const int titleBase = PaneLineCount();
        AppendFormat("\n%s\n\n", kind.title);
        AddFieldMark(off, crcLength + kTagSize, titleBase + 1, 0, -1);

        const bool checksumOk = tagId != 0 && TagChecksum(tag) == tag[4];
        // A CRC length that reaches beyond the loaded bytes gets the CRC of no bytes.
        const uint32_t crcBytes = (left >= kTagSize && crcLength <= left - kTagSize) ? crcLength : 0;
        const bool crcOk = tagId != 0 && Crc16Ccitt(crcBytes ? d + kTagSize : tag, crcBytes) == ReadU16(tag, kTagSize, 8);
        char verdict[16];
        char idText[40];
        if (off == 0)
            StrPrintf(idText, "(%u)", tagId);
        else
            StrPrintf(idText, "(%u) at %u", tagId, off);
        AppendFieldLine(off + 0, 2, "  Tag Identifier         : %04Xh%s", tagId, idText);
        AppendFieldLine(off + 2, 2, "  Descriptor Version     : %04Xh", ReadU16(tag, kTagSize, 2));
        StrPrintf(verdict, "%s%s", StatusMarkerText, checksumOk ? "OK" : "WRONG");
        AppendFieldLine(off + 4, 1, "  Header CRC             : %02Xh  %s", tag[4], verdict);
        AppendFieldLine(off + 6, 2, "  Serial Number          : %04Xh", ReadU16(tag, kTagSize, 6));
        StrPrintf(verdict, "%s%s", StatusMarkerText, crcOk ? "OK" : "WRONG");
        AppendFieldLine(off + 8, 2, "  Descriptor CRC         : %04Xh%s", ReadU16(tag, kTagSize, 8), verdict);
        AppendFieldLine(off + 10, 2, "  Descriptor Len         : %u", crcLength);
        AppendFieldLine(off + 12, 4, "  Location               : %u", ReadU32(tag, kTagSize, 12));
        AppendText("\n");

        // The fields of the kind; those beyond the loaded bytes are left out.
        for (uint32_t i = 0; i < kind.fieldCount; ++i) {
            const UdfField& f = kind.fields[i];
            if (!FieldInside(f.offset, f.width, left))
                continue;
            const uint8_t* p = d + f.offset;
            const uint32_t at = off + f.offset;
            switch (f.kind) {
            case UF_U8:
                AppendFieldLine(at, f.width, f.format, p[0]);
                break;
            case UF_U16:
                AppendFieldLine(at, f.width, f.format, ReadU16(p, 2, 0));
                break;
            case UF_U32:
                AppendFieldLine(at, f.width, f.format, ReadU32(p, 4, 0));
                break;
            case UF_U64:
                // Whole: by its low 32 bits a file of 4 GiB or more would show its size
                // modulo 4 GiB.
                AppendFieldLine(at, f.width, f.format, ReadU64(p, 8, 0));
                break;
            case UF_DSTRING:
                AppendFieldLine(at, f.width, f.format, FormatDString(p, DStringUsedBytes(p, f.width)));
                break;
            case UF_CHARSPEC:
                AppendFieldLine(at, f.width, f.format, FormatCharSpecText(p));
                break;
            case UF_TIMESTAMP:
                AppendFieldLine(at, f.width, f.format, FormatUdfTimestamp(p));
                break;
            case UF_ENTITY:
                AppendFieldLine(at, f.width, f.format, FormatEntityId(p));
                break;
            case UF_LONG_AD:
                AppendFieldLine(at, f.width, f.format, FormatLongAd(p));
                break;
            case UF_ICB_TAG:
                AppendFieldLine(at, f.width, f.format, FormatIcbTag(p));
                break;
            case UF_FILE_CHAR:
                AppendFieldLine(at, f.width, f.format, FormatFileCharacteristics(p[0]));
                break;
            }
        }

        if (tagId == kTagUnallocatedSpace) {
            // Extents of 8 bytes from offset 24: length, then location.
            const uint32_t count = ReadU32(d, left, 20);
            for (uint32_t i = 0; i < count && i < 16; ++i) {
                const uint32_t ext = 24 + 8 * i;
                if (!FieldInside(ext, 8, left))
                    break;
                AppendFieldLine(off + ext + 4, 4, "    Loc[%02u]              : %u", i, ReadU32(d, left, ext + 4));
                AppendFieldLine(off + ext, 4, "    Len[%02u]              : %u", i, ReadU32(d, left, ext));
            }
        } else if (tagId == kTagFileIdentifier && FieldInside(36, 2, left)) {
            const uint32_t idLength = d[19];
            const uint32_t idStart = 38 + ReadU16(d, left, 36);
            if (FieldInside(idStart, idLength, left))
                AppendFieldLine(off + idStart, idLength, "  Filename               : %s", FormatDString(d + idStart, idLength));
        } else if (tagId == kTagFileEntry && FieldInside(172, 4, left)) {
            // The allocation descriptors of an entry without extended attributes stand at 176;
            // an entry with extended attributes lists none. Short ones (type 0) are length and
            // position; long ones (type 1) add the partition reference and are shown as one
            // descriptor each rather than as two made-up short ones. A length is its low 30
            // bits: the top two are the extent's type, for which the line has no place (the
            // mark leads to it).
            const uint32_t eaLength = ReadU32(d, left, 168);
            const uint32_t adLength = ReadU32(d, left, 172);
            const uint32_t adType = ReadU16(d, left, 16 + 18) & 7;
            const uint32_t entrySize = adType == 0 ? 8 : 16;
            if (adLength >= 8 && adType <= 1 && left >= 176 && eaLength == 0) {
                const uint32_t area = 176;
                const uint32_t count = adLength / entrySize;
                bool first = true;
                for (uint32_t i = 0; i < count; ++i) {
                    const uint32_t ad = area + entrySize * i;
                    if (!FieldInside(ad, entrySize, left))
                        break;
                    if (first)
                        AppendText("\n");
                    first = false;
                    if (adType == 0) {
                        AppendFieldLine(off + ad, 4, "  Length  [%i]            : %u", static_cast<int>(i),
                                        ExtentLengthOf(ReadU32(d, left, ad)));
                        AppendFieldLine(off + ad + 4, 4, "  Location[%i]            : %u", static_cast<int>(i),
                                        ReadU32(d, left, ad + 4));
                    } else {
                        AppendFieldLine(off + ad, 16, "  Long AD [%i]            : %s", static_cast<int>(i), FormatLongAd(d + ad));
                    }
                }
            }
        }

        ColourLine(titleBase + 1, titleColours, 256);
        ColourLinesWithStatus(titleBase + 3, PaneLineCount() - 1, colours, 256, SWS_AFTER_MARKER);

        // A directory sector: the file identifiers that follow the first are listed too, as
        // are those a directory's own entry holds.
        if (off == 0 && tagId == kTagFileIdentifier) {
            steps[0] = crcLength + kTagSize;
            FillFollowingSteps(sector, size, steps[0], steps);
        } else if (off == 0 && tagId == kTagFileEntry) {
            // The names of a directory held inside its entry; nothing behind the area is
            // listed.
            uint32_t first = 0, end = 0;
            if (EmbeddedIdentifierArea(sector, size, &first, &end)) {
                steps[0] = first;
                FillFollowingSteps(sector, end, first, steps);
            }
        }
        const uint32_t step = steps[stepIndex];
        if (step == 0 || left < kTagSize || step >= left)
            break;
        off += step;
        ++stepIndex;
        if (stepIndex > kMaxFollowing)
            break;
    }
}
