// "Partitions.txt": up to four FAT partitions of a physical disk described by hand, for a
// disk whose partition table is missing or damaged. The parser knows nothing of files or
// documents; it takes the text line by line.
//
//   [DRIVES]            any key line here gives the drive's size in sectors
//   [PARTITION0] ... [PARTITION3]
//   SECT=2048           start sector (decimal, or hexadecimal with 0x)
//   SIZE=0x100000       size; only tested for being nonzero
//   SHOW=1              kept, without effect
#pragma once
#include <stdint.h>

struct PartitionFileRecord
{
    uint64_t driveSize = 0;
    uint64_t sect[4] = {};
    uint64_t size[4] = {};
    uint32_t show[4] = {};
};

class PartitionFileParser
{
public:
    // Longest part of a line taken at once; a longer line is read in parts, each taken as
    // a line of its own.
    static constexpr int kLineChars = 346;

    // Section numbers: -1 none yet, 16 the drive section, 0 to 15 a partition section (only
    // 0 to 3 are stored).
    static constexpr int kNoSection = -1;
    static constexpr int kDriveSection = 16;

    // Takes one line (its line break may still be at its end).
    void Line(const char* text);

    const PartitionFileRecord& Record() const { return m_record; }
    int Section() const { return m_section; }

    // An unsigned 64-bit number as the file writes it: "0x"/"0X" and hexadecimal digits,
    // else decimal digits, up to the first other character; overflow wraps, no digits give 0.
    static uint64_t ParseNumber(const char* text);

private:
    PartitionFileRecord m_record;
    int m_section = kNoSection;
};
