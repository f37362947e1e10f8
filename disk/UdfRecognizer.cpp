// UDF (ECMA-167): the tagged descriptors reachable from the anchor at sector 256, the
// partition as a cluster region and the root directory's entry. Counts 2048-byte sectors.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"

namespace {

const uint32_t kCdSector = 2048;
const uint32_t kUnitsPerCdSector = 4;
const uint32_t kAnchorSector = 256;
const uint32_t kQueueSize = 129;
const uint32_t kSequenceSectors = 32;   // further sectors read of a descriptor sequence

const uint32_t kTagId = 0;               // u16
const uint32_t kTagChecksum = 4;         // u8

// Fields by descriptor.
const uint32_t kPvdAbstract = 332;       // u32: volume abstract extent location
const uint32_t kPvdNotice = 340;         // u32: copyright notice extent location
const uint32_t kAvdpMain = 20;           // u32: main volume descriptor sequence location
const uint32_t kAvdpReserve = 28;        // u32: reserve sequence location
const uint32_t kPdStart = 188;           // u32: partition starting location
const uint32_t kPdLength = 192;          // u32: partition length
const uint32_t kFsdRootLength = 400;     // u32: root directory ICB extent length and type
const uint32_t kFsdRootBlock = 404;      // u32: its logical block
// An allocation descriptor's length is its low 30 bits; the top two are the extent's type.
// Counted in, the type of an extent not recorded would make the root 2^30 or 2^31 bytes long.
const uint32_t kExtentLengthMask = 0x3FFFFFFFu;

struct UdfQueueEntry
{
    uint32_t location;
    uint32_t remaining;     // further sectors of the same sequence
};

}  // namespace

uint8_t UdfTagChecksum(const uint8_t* tag)
{
    if (!tag)
        return 0;
    uint32_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4)
            sum += tag[i];
    return static_cast<uint8_t>(sum);
}

const char* UdfTagName(uint16_t tagId)
{
    switch (tagId) {
    case 1: return "Emca-Primary Volume";
    case 2: return "Emca-Volume Desc.";
    case 3: return "Emca-Descriptor";
    case 4: return "Emca-Implementation Use.";
    case 5: return "Emca-Partition Desc.";
    case 6: return "Emca-Logical Volume";
    case 7: return "Emca-Unallocated Scace";
    case 8: return "Emca-Terminating Desc.";
    case 9: return "Emca-Logical Volume Int.";
    case 256: return "Emca-File Set";
    case 257: return "Emca-File Identifier";
    case 258: return "Emca-Allocation Extent";
    case 259: return "Emca-Indirect Entry";
    case 260: return "Emca-Terminal Entry";
    case 261: return "Emca-File Entry";
    case 262: return "Emca-Extended Attribute";
    case 263: return "Emca-Unallocated Space";
    case 264: return "Emca-Space Bitmap";
    case 265: return "Emca-Partition Integrity";
    case 266: return "Emca-Extended File";
    default: return "Emca-Tag";
    }
}

uint32_t VolumeScanner::AnalyzeUdf()
{
    UdfQueueEntry queue[kQueueSize];
    uint32_t queued = 1;
    queue[0].location = kAnchorSector;
    queue[0].remaining = 0;
    uint8_t d[kCdSector];
    uint32_t taken = 0;

    for (uint32_t q = 0; q < queued; ++q) {
        UdfQueueEntry& e = queue[q];
        ++taken;
        // Sectors of this entry read so far; the file set descriptor counts its root
        // directory from the start of its sequence.
        uint32_t run = 0;
        if (m_res.areas.HasAreaStartingAt(e.location))
            continue;                                   // reached through another pointer
        for (;;) {
            if (!ReadVolumeUnits(static_cast<uint64_t>(e.location) * kUnitsPerCdSector, kUnitsPerCdSector, d))
                return taken > 0 ? 1 : 0;
            uint16_t tag = ReadU16(d, kCdSector, kTagId);
            if (tag == 0 || UdfTagChecksum(d) != d[kTagChecksum])
                break;                                  // no descriptor: not followed
            AddCdArea(e.location, static_cast<uint64_t>(e.location) + 1, INFO_ECMA_TAG, UdfTagName(tag));
            switch (tag) {
            case 1: {
                uint32_t abstract = ReadU32(d, kCdSector, kPvdAbstract);
                if (abstract != 0 && queued < kQueueSize)
                    queue[queued++] = { abstract, 0 };
                uint32_t notice = ReadU32(d, kCdSector, kPvdNotice);
                if (notice != 0 && queued < kQueueSize)
                    queue[queued++] = { notice, 0 };
                break;
            }
            case 2:
                if (queued < kQueueSize)
                    queue[queued++] = { ReadU32(d, kCdSector, kAvdpMain), kSequenceSectors };
                if (queued < kQueueSize)
                    queue[queued++] = { ReadU32(d, kCdSector, kAvdpReserve), kSequenceSectors };
                break;
            case 5: {
                uint32_t start = ReadU32(d, kCdSector, kPdStart);
                if (start != 0) {
                    if (queued < kQueueSize)
                        queue[queued++] = { start, kSequenceSectors };
                    m_res.regions.Add(start, start, 1, ReadU32(d, kCdSector, kPdLength), 0);
                }
                break;
            }
            case 256: {
                uint32_t length = ReadU32(d, kCdSector, kFsdRootLength) & kExtentLengthMask;
                uint32_t block = ReadU32(d, kCdSector, kFsdRootBlock);
                if (length != 0 && block != 0) {
                    uint64_t first = static_cast<uint64_t>(e.location) - run + block;
                    AddCdArea(first, first + (static_cast<uint64_t>(length) + kCdSector - 1) / kCdSector,
                              INFO_ECMA_TAG, "Root-Verzeichnis");
                }
                break;
            }
            case 8:
                e.remaining = 0;
                break;
            default:
                break;
            }
            if (e.remaining == 0)
                break;
            --e.remaining;
            ++e.location;
            ++run;
        }
    }
    return taken > 0 ? 1 : 0;
}
