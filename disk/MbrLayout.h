// The arithmetic of "MBR erstellen": up to four primary partitions laid out on a disk of
// given geometry, the texts the dialog shows for them, and the 512-byte master boot record
// built from them with the program's own boot code. No window: the dialog hands in its field
// texts, the field being edited and its choices, and shows what comes back.
#pragma once
#include <stdint.h>

enum { MBR_PARTITIONS = 4, MBR_RECORD_SIZE = 512, MBR_TABLE_OFFSET = 446 };

// The error marks, one per input field.
enum MbrMark {
    MBR_MARK_CYLINDERS = 0,
    MBR_MARK_HEADS = 1,
    MBR_MARK_SECTORS = 2,
    MBR_MARK_TOTAL = 3,
    MBR_MARK_SIZE1 = 4,       // .. MBR_MARK_SIZE1 + 3
    MBR_MARK_START = 8,
    MBR_MARK_COUNT = 9
};

enum MbrRounding {
    MBR_ROUND_CYLINDER = 0,   // "Auf Zylinder runden"
    MBR_ROUND_HEAD = 1,       // "Auf Köpfe runden"
    MBR_ROUND_4KB = 2,        // "Auf 4kB runden": 64 sectors
    MBR_ROUND_NONE = 3,       // "Nicht runden"
};

// Which of the geometry fields the user is typing in: the total then follows the product.
enum MbrEditedField {
    MBR_EDIT_OTHER = 0,
    MBR_EDIT_CYLINDERS,
    MBR_EDIT_HEADS,
    MBR_EDIT_SECTORS,
    MBR_EDIT_TOTAL,
};

struct MbrInput {
    const char* cylinders;
    const char* heads;
    const char* sectorsPerTrack;
    const char* total;
    const char* start;                 // first sector of partition 1
    const char* sizes[MBR_PARTITIONS]; // "*", a number of MB, "GB", "KB" or "%" behind it
    int edited;                        // MbrEditedField
    int rounding;                      // MbrRounding
};

// One end of a partition as the table stores it: C/H/S, and the first sector (start end)
// or the sector count (end end).
struct MbrChs {
    uint64_t cylinder;
    uint64_t head;
    uint64_t sector;
    uint64_t sectors;
};

struct MbrLayout {
    // The geometry as used (heads and sectors per track 0 taken as 1) and the total.
    uint64_t cylinders;
    uint64_t heads;
    uint64_t sectorsPerTrack;
    uint64_t total;
    uint64_t start;                    // partition 1's first sector after rounding
    uint64_t size[MBR_PARTITIONS];     // sectors
    MbrChs first[MBR_PARTITIONS];      // zero for a partition of size 0
    MbrChs last[MBR_PARTITIONS];
    int restPartition;                 // -1 when no size field holds "*"
    bool marked[MBR_MARK_COUNT];
    // A field holds no readable number ("abc", "1.5 GB", "2 TB"), or the record cannot hold
    // this layout (a head above 255, a sector above 63, a start or count above 0xFFFFFFFF):
    // the mark of the field to correct, else -1.
    int recordBlocker;
};

// Steps 1 to 8 of the recomputation: reads the texts as whole 64-bit expressions (sizes with
// "MB", "KB", "GB", "%" or "*" behind) and lays the partitions out end to end from the start
// sector.
void ComputeMbrLayout(const MbrInput& input, MbrLayout* layout);

// The size display of a partition or the disk: "512 kB", "15.99 MB", "1.953 GB" ...
void FormatMbrSize(uint64_t sectors, char* text, int size);

// The built-in boot code: 512 bytes, the table area zero, 55 AA at the end.
const uint8_t* MbrBootCode();

// The partition type codes of the type choices, by their position in the combo box; and
// their texts (empty for the two positions without a type).
enum { MBR_TYPE_CHOICES = 8 };
uint8_t MbrTypeCode(int choice);
const char* MbrTypeText(int choice);

// The record: the boot code, and the entry of every partition whose first sector is not 0:
// the boot flag 0x80 for partition `bootChoice` (1 to 4; 0 none), C/H/S (or the bytes
// 0, C1, FF and FE, FF, FF from cylinder 1024 on), the type, the first sector and the count.
// False (and nothing written) when the layout has a record blocker.
bool BuildMbrRecord(const MbrLayout& layout, int bootChoice, const int typeChoices[MBR_PARTITIONS],
                    uint8_t record[MBR_RECORD_SIZE]);
