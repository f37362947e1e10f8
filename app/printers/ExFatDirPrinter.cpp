// Printer of an exFAT directory sector: every 32-byte entry of the loaded bytes with a title
// that names its kind and its flag bits, and the fields of that kind. Entries are shown
// whether in use or not (deleted entries keep their bytes and are what a user looks for).
#include "app/printers/StructurePrinter.h"

#include <string.h>

#include "disk/OnDiskBytes.h"
#include "textlib/StrPrintf.h"

namespace {

const uint32_t kEntrySize = 32;
const uint32_t kNameChars = 15;   // UTF-16 characters in the 30 bytes from offset 2

// Entry type bits.
const uint8_t kTypeOptional = 0x20;    // importance: a secondary entry a reader may skip
const uint8_t kTypeContinued = 0x40;   // category: a secondary entry of a set
const uint8_t kTypeInUse = 0x80;

// A 16-bit name of at most 15 characters, ending at a zero character. The entry's 30 bytes
// are all there is: a name that fills them has no terminator, so it is copied out first.
void CopyEntryName(wchar_t* out, const uint8_t* entry)
{
    uint32_t n = 0;
    for (; n < kNameChars; ++n) {
        const wchar_t c = static_cast<wchar_t>(entry[2 + 2 * n] | (entry[3 + 2 * n] << 8));
        if (c == 0)
            break;
        out[n] = c;
    }
    out[n] = 0;
}

// The date and time of a file entry: date in the high word, time in the low one, with two
// seconds per step; the 10-ms increment adds up to 1.99 seconds.
void FormatExFatTime(char* out, uint32_t stamp, bool withIncrement, uint8_t increment)
{
    const uint32_t time = stamp & 0xFFFF;
    const uint32_t date = stamp >> 16;
    const int year = static_cast<int>((date >> 9) & 0x7F) + 1980;
    const int month = static_cast<int>((date >> 5) & 0x0F);
    const int day = static_cast<int>(date & 0x1F);
    const int hour = static_cast<int>((time >> 11) & 0x1F);
    const int minute = static_cast<int>((time >> 5) & 0x3F);
    int second = static_cast<int>(time & 0x1F) * 2;
    if (withIncrement) {
        second += increment / 100;
        StrPrintf(out, "%04i-%02i-%02i %02i:%02i:%02i.%03i", year, month, day, hour, minute, second,
                  (increment % 100) * 10);
    } else {
        StrPrintf(out, "%04i-%02i-%02i %02i:%02i:%02i.000", year, month, day, hour, minute, second);
    }
}

bool AllZero(const uint8_t* p, uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

}  // namespace

void CStructurePrinter::PrintExFatDirectory(const uint8_t* sector, uint32_t loadedSize)
{
    // Nothing loaded (a failed read) holds no entry: the buffer's bytes would be those of
    // another sector, so not even the first entry is shown.
    const uint32_t size = sector ? loadedSize : 0;
    if (size == 0)
        return;

    uint8_t colours[256];
    memset(colours, PC_NONE, 25);
    colours[25] = PC_GREEN;
    memset(colours + 26, PC_RED, 205 - 26);
    memset(colours + 205, PC_GREEN, 256 - 205);

    for (uint32_t off = 0; off < size; off += kEntrySize) {
        // The last entry of a short load is read as if its missing bytes were zero.
        uint8_t e[kEntrySize];
        CopyFieldBytes(e, sector, size, off, kEntrySize);
        const uint8_t type = e[0];
        const uint32_t code = type & 0x3F;

        char kind[32];
        const bool empty = code == 0 && AllZero(e, kEntrySize);
        switch (code) {
        case 0:
            StrPrintf(kind, empty ? "Empty" : "Fileinfo");
            break;
        case 1:
            StrPrintf(kind, (type & kTypeContinued) ? "Filename" : "Bitmap");
            break;
        case 2:
            StrPrintf(kind, "Upcase");
            break;
        case 3:
            StrPrintf(kind, "Label");
            break;
        case 5:
            StrPrintf(kind, "File");
            break;
        default:
            StrPrintf(kind, "Unknown Tag %i", static_cast<int>(code));
            break;
        }

        char title[128];
        const bool flagged = (type & (kTypeOptional | kTypeContinued | kTypeInUse)) != 0;
        int n = StrPrintf(title, "\n EXFAT %s  %s", kind, flagged ? "(" : "");
        // The column of the bracket (or of the second blank) in the title line.
        const int flagColumn = n - 2;   // the text after the leading "\n"
        if (type & kTypeOptional)
            n += StrPrintf(title + n, "OPTIONAL");
        if (type & kTypeContinued)
            n += StrPrintf(title + n, "%sCONTINUED", (type & kTypeOptional) ? " " : "");
        if (type & kTypeInUse)
            n += StrPrintf(title + n, "%sVALID", (type & (kTypeOptional | kTypeContinued)) ? " " : "");
        StrPrintf(title + n, "%s\n\n", flagged ? ")" : "");

        const int titleBase = PaneLineCount();
        AppendText(title);
        const int titleLine = titleBase + 1;
        AddFieldMark(off, kEntrySize, titleLine, 0, -1);

        auto field = [&](uint32_t at, uint32_t width, const char* format, auto... args) {
            AppendFieldLine(off + at, width, format, args...);
        };
        field(0, 1, "  Type                   : %02Xh", type);
        char text[64];
        wchar_t name[kNameChars + 1];
        switch (code) {
        case 0:
            if (!empty) {
                const uint8_t flags = e[1];
                text[0] = 0;
                if (flags != 0) {
                    StrPrintf(text, "(%s%s%s)", (flags & 1) ? "ALWAYS1" : "",
                              (flags & 2) ? ((flags & 1) ? " CONTIGUOUS" : "CONTIGUOUS") : "", "");
                }
                field(1, 1, "  Flags                  : %02Xh %s", flags, text);
                field(3, 1, "  NameLength             : %i", e[3]);
                field(4, 2, "  NameHash               : %04Xh", ReadU16(e, kEntrySize, 4));
                field(8, 8, "  ValidSize              : %I64u", ReadU64(e, kEntrySize, 8));
                field(20, 4, "  StartCluster           : %u", ReadU32(e, kEntrySize, 20));
                field(24, 8, "  FileSize               : %I64u", ReadU64(e, kEntrySize, 24));
            }
            break;
        case 1:
            if (type & kTypeContinued) {
                CopyEntryName(name, e);
                field(2, 30, "  Name                   : %.16S", name);
                AppendText("\n");
            } else {
                field(20, 4, "  StartCluster           : %u", ReadU32(e, kEntrySize, 20));
                field(24, 8, "  FileSize               : %I64u", ReadU64(e, kEntrySize, 24));
            }
            break;
        case 2:
            field(4, 4, "  CheckSum               : %08Xh", ReadU32(e, kEntrySize, 4));
            field(20, 4, "  StartCluster           : %u", ReadU32(e, kEntrySize, 20));
            field(24, 8, "  Size                   : %I64u", ReadU64(e, kEntrySize, 24));
            break;
        case 3:
            field(1, 1, "  Length                 : %i", e[1]);
            CopyEntryName(name, e);
            field(2, 30, "  Name                   : %.16S", name);
            break;
        case 5: {
            field(1, 1, "  Continuations          : %i", e[1]);
            field(2, 2, "  CheckSum               : %04Xh", ReadU16(e, kEntrySize, 2));
            const uint16_t attributes = ReadU16(e, kEntrySize, 4);
            text[0] = 0;
            if (attributes & 0x3F) {
                static const char* const words[6] = {"ReadOnly", "Hidden", "System", "Volume", "Dir", "Archive"};
                int t = StrPrintf(text, "(");
                bool any = false;
                for (int b = 0; b < 6; ++b) {
                    if (attributes & (1u << b)) {
                        t += StrPrintf(text + t, "%s%s", any ? " " : "", words[b]);
                        any = true;
                    }
                }
                StrPrintf(text + t, ")");
            }
            field(4, 2, "  Attributes             : %04Xh  %s", attributes, text);
            char stamp[40];
            FormatExFatTime(stamp, ReadU32(e, kEntrySize, 8), true, e[20]);
            field(8, 4, "  CreateTime             : %s", stamp);
            FormatExFatTime(stamp, ReadU32(e, kEntrySize, 12), true, e[21]);
            field(12, 4, "  WriteTime              : %s", stamp);
            FormatExFatTime(stamp, ReadU32(e, kEntrySize, 16), false, 0);
            field(16, 4, "  AccessTime             : %s", stamp);
            break;
        }
        default:
            break;
        }

        uint8_t titleColours[256];
        memset(titleColours, PC_BLUE, sizeof(titleColours));
        if (flagColumn >= 0 && flagColumn < 256)
            memset(titleColours + flagColumn, PC_GREEN, 256 - flagColumn);
        ColourLine(titleLine, titleColours, 256);
        ColourLinesWithStatus(titleBase + 3, PaneLineCount() - 1, colours, 256, SWS_AFTER_MARKER);
    }
}
