#include "disk/MbrLayout.h"

#include "services/Eval.h"
#include "textlib/StrPrintf.h"
#include "services/CaseFold.h"
#include "textlib/TextCopy.h"

#include <cstring>

namespace {

// Assembled from disk/boot/MbrBoot.asm at build time.
const uint8_t kBootCode[MBR_RECORD_SIZE] = {
#include "MbrBootCode.inc"
};

struct TypeChoice {
    const char* text;
    uint8_t code;
};

const TypeChoice kTypes[MBR_TYPE_CHOICES] = {
    {"FAT12", 0x01}, {"FAT16", 0x0E}, {"FAT32", 0x0C}, {"NTFS", 0x07},
    {"Linux Swap", 0x82}, {"Linux Native", 0x83}, {"", 0}, {"", 0},
};

const uint64_t kMaxU32 = 0xFFFFFFFFull;
const uint64_t kSectorsOf4KbRounding = 64;

// Products and sums of typed numbers saturate: a size too large for 64 bits simply does not
// fit on the disk, it never wraps into a small plausible one.
uint64_t Times(uint64_t a, uint64_t b)
{
    uint64_t r;
    return __builtin_mul_overflow(a, b, &r) ? UINT64_MAX : r;
}

uint64_t Plus(uint64_t a, uint64_t b)
{
    uint64_t r;
    return __builtin_add_overflow(a, b, &r) ? UINT64_MAX : r;
}

uint64_t NonNegative(long long value)
{
    return value > 0 ? static_cast<uint64_t>(value) : 0;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// One typed number: a whole expression, or nothing at all (an empty field counts as 0). False,
// with 0, for a text the evaluator cannot read whole: "abc", "1.5" or "12 x" is no number, and
// taking the part before the stop would lay out a partition nobody asked for.
bool ReadTyped(const char* text, int length, long long* value)
{
    *value = 0;
    while (length > 0 && IsBlank(*text)) {
        ++text;
        --length;
    }
    while (length > 0 && IsBlank(text[length - 1]))
        --length;
    if (length == 0)
        return true;
    char number[128];
    if (length >= static_cast<int>(sizeof number))
        return false;
    std::memcpy(number, text, length);
    number[length] = 0;
    ExprStatus status = 0;
    EvalInt64(number, value, &status);
    if (!status)
        *value = 0;
    return status != 0;
}

bool ReadTyped(const char* text, long long* value)
{
    return ReadTyped(text ? text : "", text ? static_cast<int>(std::strlen(text)) : 0, value);
}

enum SizeUnit { SIZE_MB, SIZE_KB, SIZE_GB, SIZE_PERCENT, SIZE_REST };

// A size field: a number with nothing, "MB", "KB", "GB" or "%" behind it (letters in either
// case), or "*" with or without a number before it. A fraction is read as the evaluator reads
// it, up to the point or comma ("1.5 GB" is 1 GB), and the size display beside the field shows
// what was taken. False for anything else: a unit the dialog does not know ("2 TB") or words
// behind the number would give a size the text does not name.
bool ReadSize(const char* text, long long* number, int* unit)
{
    static const struct { const char* suffix; int unit; } kSuffixes[] = {
        {"*", SIZE_REST}, {"%", SIZE_PERCENT}, {"GB", SIZE_GB}, {"KB", SIZE_KB}, {"MB", SIZE_MB},
    };
    *number = 0;
    *unit = SIZE_MB;
    if (!text)
        return true;
    int length = static_cast<int>(std::strlen(text));
    while (length > 0 && IsBlank(text[length - 1]))
        --length;
    for (const auto& s : kSuffixes) {
        const int n = static_cast<int>(std::strlen(s.suffix));
        if (length >= n && CompareBytes1252(text + length - n, n, s.suffix, n, true) == 0) {
            *unit = s.unit;
            length -= n;
            break;
        }
    }
    if (!ReadTyped(text, length, number)) {
        // "1.5": the whole part, when only digits follow the point or comma.
        int point = 0;
        while (point < length && text[point] != '.' && text[point] != ',')
            ++point;
        int rest = point + 1;
        while (rest < length && text[rest] >= '0' && text[rest] <= '9')
            ++rest;
        while (rest < length && IsBlank(text[rest]))
            ++rest;
        if (point == 0 || point >= length || rest != length || point + 1 == length ||
            !(text[point + 1] >= '0' && text[point + 1] <= '9') || !ReadTyped(text, point, number))
            return false;
        length = point;
    }
    // A unit needs its number; only "*" stands alone.
    int digits = 0;
    for (int i = 0; i < length; ++i)
        digits += !IsBlank(text[i]);
    return digits > 0 || *unit == SIZE_REST || (*unit == SIZE_MB && length == 0);
}

MbrChs ChsOf(uint64_t sector, uint64_t heads, uint64_t perTrack, uint64_t last)
{
    MbrChs chs;
    chs.cylinder = sector / Times(heads, perTrack);
    chs.head = sector / perTrack % heads;
    chs.sector = sector % perTrack + 1;
    chs.sectors = last;
    return chs;
}

// The three C/H/S bytes of an entry; cylinders from 1024 on do not fit and get the marker
// bytes the loaders know.
void PutChs(uint8_t* at, const MbrChs& chs, const uint8_t overflow[3])
{
    if (chs.cylinder >= 1024) {
        std::memcpy(at, overflow, 3);
        return;
    }
    at[0] = static_cast<uint8_t>(chs.head);
    at[1] = static_cast<uint8_t>(chs.sector | ((chs.cylinder >> 2) & 0xC0));
    at[2] = static_cast<uint8_t>(chs.cylinder & 0xFF);
}

void PutU32(uint8_t* at, uint64_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

const uint8_t* MbrBootCode()
{
    return kBootCode;
}

uint8_t MbrTypeCode(int choice)
{
    return choice >= 0 && choice < MBR_TYPE_CHOICES ? kTypes[choice].code : 0;
}

const char* MbrTypeText(int choice)
{
    return choice >= 0 && choice < MBR_TYPE_CHOICES ? kTypes[choice].text : "";
}

void ComputeMbrLayout(const MbrInput& input, MbrLayout* out)
{
    std::memset(out, 0, sizeof(*out));
    out->restPartition = -1;
    out->recordBlocker = -1;
    bool* marked = out->marked;

    // 1. The numbers as typed; a typed geometry makes the total its product. A field that
    // holds no readable number is marked and blocks the record until it is corrected.
    long long typedCylinders = 0, typedHeads = 0, typedPerTrack = 0, typedTotal = 0, typedStart = 0;
    const struct { const char* text; long long* value; int mark; } kFields[] = {
        {input.cylinders, &typedCylinders, MBR_MARK_CYLINDERS}, {input.heads, &typedHeads, MBR_MARK_HEADS},
        {input.sectorsPerTrack, &typedPerTrack, MBR_MARK_SECTORS}, {input.total, &typedTotal, MBR_MARK_TOTAL},
        {input.start, &typedStart, MBR_MARK_START},
    };
    int unreadable = -1;
    for (const auto& field : kFields) {
        if (!ReadTyped(field.text, field.value)) {
            marked[field.mark] = true;
            if (unreadable < 0)
                unreadable = field.mark;
        }
    }
    uint64_t cylinders = NonNegative(typedCylinders);
    uint64_t heads = NonNegative(typedHeads);
    uint64_t perTrack = NonNegative(typedPerTrack);
    uint64_t total = NonNegative(typedTotal);
    if (input.edited == MBR_EDIT_CYLINDERS || input.edited == MBR_EDIT_HEADS || input.edited == MBR_EDIT_SECTORS) {
        total = Times(Times(cylinders, heads), perTrack);
        typedTotal = total > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<long long>(total);
    }
    if (heads == 0)
        heads = 1;
    if (perTrack == 0)
        perTrack = 1;
    uint64_t start = NonNegative(typedStart);

    // 2. Sizes: a number of MB, "GB" or "KB" behind it, a percentage of the space behind the
    // start, or "*" for the rest.
    for (int i = 0; i < MBR_PARTITIONS; ++i) {
        long long typed = 0;
        int unit = SIZE_MB;
        if (!ReadSize(input.sizes[i], &typed, &unit)) {
            marked[MBR_MARK_SIZE1 + i] = true;
            if (unreadable < 0)
                unreadable = MBR_MARK_SIZE1 + i;
            continue;
        }
        if (typed < 0)
            marked[MBR_MARK_SIZE1 + i] = true;
        const uint64_t number = NonNegative(typed);
        if (unit == SIZE_PERCENT) {
            const uint64_t space = total > start ? total - start : 0;
            // (space × number) ÷ 100 without losing the high bits of a large disk.
            out->size[i] = Plus(Times(space / 100, number), Times(space % 100, number) / 100);
        } else if (unit == SIZE_REST) {
            out->restPartition = i;
        } else {
            uint64_t kb = Times(number, 1024);
            if (unit == SIZE_GB)
                kb = Times(kb, 1024);
            if (unit == SIZE_KB)
                kb /= 1024;
            out->size[i] = Times(kb, 2);
        }
    }
    if (out->restPartition >= 0)
        out->size[out->restPartition] = 0;

    // 3. The start sector lies on the disk and is never the MBR itself.
    if (start == 0) {
        start = 1;
        marked[MBR_MARK_START] = true;
    } else if (start >= total) {
        if (total > 0)
            start = total - 1;
        marked[MBR_MARK_START] = true;
    }

    // 4. The rounding unit.
    uint64_t unit = 0;
    switch (input.rounding) {
    case MBR_ROUND_CYLINDER:
        unit = Times(heads, perTrack);
        break;
    case MBR_ROUND_HEAD:
        unit = perTrack;
        break;
    case MBR_ROUND_4KB:
        unit = kSectorsOf4KbRounding;
        if (start % unit != 0) {
            start = Times(start / unit + 1, unit);
            marked[MBR_MARK_START] = true;
        }
        break;
    default:
        break;
    }

    // 5. Every given partition ends on a unit boundary, counted from sector 0. A partition of
    // size 0 is none and stays none.
    if (unit != 0) {
        for (int i = 0; i < MBR_PARTITIONS; ++i) {
            if (i == out->restPartition || out->size[i] == 0)
                continue;
            const uint64_t remainder = (i == 0 ? Plus(out->size[i], start) : out->size[i]) % unit;
            if (remainder != 0)
                out->size[i] = Plus(out->size[i], unit - remainder);
        }
    }

    // 6. The rest partition takes what the others leave, cut to end on a unit boundary.
    if (out->restPartition >= 0) {
        uint64_t rest = 0;
        if (start < total) {
            rest = total - start;
        } else {
            marked[MBR_MARK_TOTAL] = true;
        }
        uint64_t restStart = start;
        for (int i = 0; i < MBR_PARTITIONS; ++i) {
            if (i == out->restPartition)
                continue;
            if (out->size[i] <= rest)
                rest -= out->size[i];
            else
                rest = 0;
            if (i < out->restPartition)
                restStart = Plus(restStart, out->size[i]);
        }
        if (unit != 0) {
            const uint64_t cut = Plus(restStart, rest) % unit;
            rest = cut <= rest ? rest - cut : 0;
        }
        out->size[out->restPartition] = rest;
    }

    // 7. The geometry against the total, and the partitions end to end from the start.
    if (Times(Times(cylinders, heads), perTrack) > total)
        marked[MBR_MARK_TOTAL] = true;
    uint64_t next = start;
    bool beyond = false;
    for (int i = 0; i < MBR_PARTITIONS; ++i) {
        const uint64_t end = Plus(next, out->size[i]);
        if (beyond) {
            if (out->size[i] != 0 || i == out->restPartition)
                marked[MBR_MARK_SIZE1 + i] = true;
        } else if (end > total && (out->size[i] != 0 || i == out->restPartition)) {
            marked[MBR_MARK_SIZE1 + i] = true;
            beyond = true;
        }
        // 8. The two C/H/S ends of the entry.
        if (out->size[i] != 0) {
            out->first[i] = ChsOf(next, heads, perTrack, next);
            out->last[i] = ChsOf(end - 1, heads, perTrack, out->size[i]);
        }
        next = end;
    }

    // The parameters against their ranges.
    if (typedCylinders < 1 || static_cast<unsigned long long>(typedCylinders) > kMaxU32)
        marked[MBR_MARK_CYLINDERS] = true;
    if (typedHeads < 1 || typedHeads > 255)
        marked[MBR_MARK_HEADS] = true;
    if (typedPerTrack < 1 || typedPerTrack > 63)
        marked[MBR_MARK_SECTORS] = true;
    if (typedTotal < 1 || static_cast<unsigned long long>(typedTotal) > kMaxU32)
        marked[MBR_MARK_TOTAL] = true;

    out->cylinders = cylinders;
    out->heads = heads;
    out->sectorsPerTrack = perTrack;
    out->total = total;
    out->start = start;

    // A field without a readable number blocks the record first: the user corrects it before
    // anything is built from it. Then what the 16-byte entries cannot hold: the head is a
    // byte, the sector has six bits, first sector and count are 32-bit.
    if (unreadable >= 0)
        out->recordBlocker = unreadable;
    else if (heads > 256)
        out->recordBlocker = MBR_MARK_HEADS;
    else if (perTrack > 63)
        out->recordBlocker = MBR_MARK_SECTORS;
    for (int i = 0; i < MBR_PARTITIONS && out->recordBlocker < 0; ++i) {
        if (out->size[i] == 0)
            continue;
        if (out->first[i].sectors > kMaxU32)
            out->recordBlocker = MBR_MARK_TOTAL;
        else if (out->size[i] > kMaxU32)
            out->recordBlocker = MBR_MARK_SIZE1 + i;
    }
}

void FormatMbrSize(uint64_t sectors, char* text, int size)
{
    const uint64_t kb = sectors / 2;
    const uint64_t mb = kb / 1024;
    const unsigned long long kbPart = kb % 1024;
    const unsigned long long mbPart = mb % 1024;
    if (kb >= 1 && kb <= 1023)
        StrNPrintf(text, size, "%I64u kB", static_cast<unsigned long long>(kb));
    else if (kb < 102400)
        StrNPrintf(text, size, "%I64u.%02I64u MB", static_cast<unsigned long long>(mb), kbPart * 100 / 1024);
    else if (kb < 1024000)
        StrNPrintf(text, size, "%I64u.%01I64u MB", static_cast<unsigned long long>(mb), kbPart * 10 / 1024);
    else if (kb < 0x100000)
        StrNPrintf(text, size, "%I64u.%03I64u GB", static_cast<unsigned long long>(mb / 1024), mbPart * 1000 / 1024);
    else if (kb < 0xA00000)
        StrNPrintf(text, size, "%I64u.%02I64u GB", static_cast<unsigned long long>(mb / 1024), mbPart * 100 / 1024);
    else
        StrNPrintf(text, size, "%I64u.%01I64u GB", static_cast<unsigned long long>(mb / 1024), mbPart * 10 / 1024);
}

bool BuildMbrRecord(const MbrLayout& layout, int bootChoice, const int typeChoices[MBR_PARTITIONS],
                    uint8_t record[MBR_RECORD_SIZE])
{
    if (layout.recordBlocker >= 0)
        return false;
    static const uint8_t kFirstOverflow[3] = {0x00, 0xC1, 0xFF};
    static const uint8_t kLastOverflow[3] = {0xFE, 0xFF, 0xFF};
    std::memcpy(record, kBootCode, MBR_RECORD_SIZE);
    for (int i = 0; i < MBR_PARTITIONS; ++i) {
        if (layout.first[i].sectors == 0)
            continue;
        uint8_t* entry = record + MBR_TABLE_OFFSET + 16 * i;
        entry[0] = bootChoice == i + 1 ? 0x80 : 0x00;
        PutChs(entry + 1, layout.first[i], kFirstOverflow);
        entry[4] = MbrTypeCode(typeChoices ? typeChoices[i] : 0);
        PutChs(entry + 5, layout.last[i], kLastOverflow);
        PutU32(entry + 8, layout.first[i].sectors);
        PutU32(entry + 12, layout.last[i].sectors);
    }
    return true;
}
