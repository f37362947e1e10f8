// ext2/3/4: the superblock at byte 1024 of the volume and the block numbering.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"

namespace {

const uint32_t kBlocksCountLo = 4;       // u32
const uint32_t kLogBlockSize = 24;       // u32: block size is 1024 << value
const uint32_t kMagic = 56;              // u16, 0xEF53
const uint32_t kFeaturesIncompat = 96;   // u32
const uint32_t kBlocksCountHi = 336;     // u32 (64-bit volumes)

const uint32_t kIncompat64Bit = 0x80;

const uint16_t kExtMagic = 0xEF53;

}  // namespace

uint32_t VolumeScanner::AnalyzeExt(uint64_t base)
{
    uint8_t sb[1024];
    if (!ReadVolumeUnits(base + 2, 2, sb) || ReadU16(sb, sizeof sb, kMagic) != kExtMagic)
        return 0;
    AddArea(base + 2, base + 4, INFO_EXT_SUPERBLOCK);
    if (m_res.regions.IsFull())
        return 1;
    // Block size in 512-byte units; a shift field of 31 (mod 32) overflows to 0 and leaves
    // no block numbering to offer.
    uint32_t upb = 2u << (ReadU32(sb, sizeof sb, kLogBlockSize) & 31);
    if (upb == 0)
        return 0;
    // The high word counts only on a volume with the 64bit feature; without it the field is
    // no part of the count (e2fsprogs reads it the same way).
    uint64_t blocks = ReadU32(sb, sizeof sb, kBlocksCountLo);
    if (ReadU32(sb, sizeof sb, kFeaturesIncompat) & kIncompat64Bit)
        blocks |= static_cast<uint64_t>(ReadU32(sb, sizeof sb, kBlocksCountHi)) << 32;
    // Block 1 lies one block from the start, so block b lies at base + b * upb; numbered
    // from 1, the blocks 1 to count - 1 end exactly where the volume ends.
    m_res.regions.Add(base, base + upb, upb, blocks ? blocks - 1 : 0, 1);
    return 1;
}
