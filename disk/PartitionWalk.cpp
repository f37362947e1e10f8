// The partition walk of a whole disk or image: superfloppy tests, the master boot record,
// the chain of extended boot records, and the GUID partition table.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"

namespace {

const uint32_t kSector = 512;

// Partition entries of an MBR or EBR: four of 16 bytes from offset 446.
const uint32_t kFirstEntry = 446;
const uint32_t kEntrySize = 16;
const uint32_t kEntryType = 4;           // u8
const uint32_t kEntryStart = 8;          // u32, relative
const uint32_t kEntryCount = 12;         // u32

// GPT header and entry fields.
const uint32_t kGptAlternate = 32;       // u64
const uint32_t kGptEntryStart = 72;      // u64
const uint32_t kGptEntryNumber = 80;     // u32
const uint32_t kGptEntryBytes = 128;     // taken as fixed: four entries a sector
const uint32_t kGptFirstLba = 32;        // u64 in an entry
const uint32_t kGptLastLba = 40;         // u64 in an entry

// The queue of partition-table sectors still to read.
const uint32_t kEbrQueueSize = kMaxPartitionTableSectors;
static_assert(PartitionStartList::kCapacity >= VolumeScanner::kMaxGptEntries + 4 * kEbrQueueSize,
              "the start list holds every partition the walk can name");

bool IsFatPartitionType(uint8_t t)
{
    switch (t) {
    case 0x01: case 0x04: case 0x06: case 0x0B: case 0x0C: case 0x0E:
    case 0x11: case 0x14: case 0x16: case 0x1B: case 0x1C: case 0x1E:
        return true;
    default:
        return false;
    }
}

// Sector numbers in 64 bits: an extended partition may start just below 2^32 and reach
// 2 TiB further, and the EBRs and logical partitions behind 2^32 sectors are counted from
// their own table. Summed in 32 bits they would wrap to the start of the disk.
struct EbrQueueEntry
{
    uint64_t sector;        // relative to the walk's base
    uint64_t alternative;   // tried when the sector has no boot signature; 0 = none
    uint64_t extendedBase;  // start of the MBR's extended partition the table lies in
};

}  // namespace

void VolumeScanner::NotePartitionStart(uint64_t start)
{
    // Two entries may name one partition (an EBR linking back to itself names its own
    // sector once more): it is one start.
    PartitionStartList& starts = m_res.partitionStarts;
    if (!starts.IsFull() && !starts.Contains(start))
        starts.Add(start);
}

uint32_t VolumeScanner::AnalyzePartitions(uint64_t base)
{
    uint8_t sec[kSector];

    if (base == 0) {
        // A medium without a partition table: a bare volume at sector 0.
        if (!ReadVolumeUnits(0, 1, sec))
            return 0;
        if (HasBootSignature(sec)) {
            if (BytesAre(sec, kSector, 54, "FAT") || BytesAre(sec, kSector, 82, "FAT"))
                return AnalyzeFat(0);
            if (BytesAre(sec, kSector, 3, "NTFS    "))
                return AnalyzeNtfs(0);
            // An exFAT boot sector has no "FAT" at 54 or 82 and would pass for an MBR whose
            // partition entries are boot code.
            if (BytesAre(sec, kSector, 3, "EXFAT   "))
                return AnalyzeExFat(0);
        }
        // Byte 32768 is where 2048-byte sector 16 of a CD or DVD image begins.
        if (ReadVolumeUnits(64, 1, sec) &&
            ((sec[0] == 0x01 && BytesAre(sec, kSector, 1, "CD001")) ||
             (sec[0] == 0x00 && BytesAre(sec, kSector, 1, "BEA01"))))
            return AnalyzeIso();
        uint8_t sb[1024];
        if (ReadVolumeUnits(2, 2, sb) && ReadU16(sb, sizeof sb, 56) == 0xEF53)
            return AnalyzeExt(0);
    }

    // MBR and EBR chain.
    EbrQueueEntry queue[kEbrQueueSize];
    uint32_t queued = 1;
    queue[0].sector = 0;
    queue[0].alternative = 0;
    queue[0].extendedBase = 0;
    // The table sectors walked so far. A link back to one of them (an EBR naming itself or
    // an earlier EBR) would only repeat its partitions: the chain ends there.
    uint64_t walked[kEbrQueueSize];
    uint32_t walkedCount = 0;
    auto wasWalked = [&](uint64_t sector) {
        for (uint32_t i = 0; i < walkedCount; ++i)
            if (walked[i] == sector)
                return true;
        return false;
    };
    for (uint32_t q = 0; q < queued && q < kEbrQueueSize; ++q) {
        EbrQueueEntry& e = queue[q];
        if (wasWalked(e.sector))
            continue;
        bool read = ReadVolumeUnits(base + e.sector, 1, sec);
        // A sector that does not read or has no signature may be a link counted from the
        // wrong place: try the other reading once.
        if ((!read || !HasBootSignature(sec)) && e.alternative != 0 && e.alternative != e.sector) {
            e.sector = e.alternative;
            e.alternative = 0;
            if (wasWalked(e.sector))
                continue;
            read = ReadVolumeUnits(base + e.sector, 1, sec);
        }
        // One unreadable table sector costs only its own partitions. Ending the whole analysis
        // there would leave every partition behind it (and a GPT behind the MBR) without its
        // areas and clusters, for a single bad sector: their structures shown undecoded and
        // "Springe zu Cluster" refused.
        if (!read || !HasBootSignature(sec))
            continue;
        walked[walkedCount++] = e.sector;
        // A full area table stops the recognisers, not the naming of partitions: a partition
        // without its start would count its sectors from the partition before it.
        AddArea(base + e.sector, base + e.sector + 1, INFO_MBR);
        const uint64_t here = e.sector;
        // Every entry of the MBR counts from the MBR, a second extended entry too (a table
        // written by hand or by another tool may have two); only the links of an EBR count
        // from the extended partition the EBR lies in.
        const bool inEbr = q > 0;
        uint64_t previousEnd = 0;
        for (uint32_t k = 0; k < 4; ++k) {
            uint32_t off = kFirstEntry + k * kEntrySize;
            uint8_t type = ReadU8(sec, kSector, off + kEntryType);
            uint32_t start = ReadU32(sec, kSector, off + kEntryStart);
            uint32_t count = ReadU32(sec, kSector, off + kEntryCount);
            const uint64_t behindPrevious = previousEnd;
            previousEnd = here + start + count;
            if (start == 0 || count == 0)
                continue;
            bool link = type == 0x05 || type == 0x0F;
            // A nested extended partition (the link to the next EBR) counts from the
            // extended partition of the MBR, every other entry from the table it stands in.
            const uint64_t rel = link && inEbr ? e.extendedBase + start : here + start;
            uint64_t at = base + rel;
            NotePartitionStart(at);
            const bool room = !m_res.areas.IsFull();
            if (type == 0x07 || type == 0x17) {
                if (room)
                    AnalyzeNtfs(at);        // also hands exFAT on
            } else if (IsFatPartitionType(type)) {
                if (room)
                    AnalyzeFat(at);
            } else if (type == 0x83) {
                if (room)
                    AnalyzeExt(at);
            } else if (link) {
                if (queued >= kEbrQueueSize)
                    continue;
                EbrQueueEntry& next = queue[queued++];
                if (!inEbr) {
                    // An extended partition of the MBR: its start counts from the MBR, and
                    // the links of its EBRs count from it.
                    next.sector = here + start;
                    next.alternative = k > 0 ? behindPrevious : 0;
                    next.extendedBase = here + start;
                } else {
                    // A nested link counts from its extended partition; the reading
                    // relative to this EBR is the fallback.
                    next.sector = e.extendedBase + start;
                    next.alternative = here + start;
                    next.extendedBase = e.extendedBase;
                }
            }
        }
    }

    // GUID partition table (its areas only while there is room, its partitions always).
    if (ReadVolumeUnits(base + 1, 1, sec) && BytesAre(sec, kSector, 0, "EFI PART")) {
        AddArea(base + 1, base + 2, INFO_GPT_HEADER);
        uint64_t alternate = ReadU64(sec, kSector, kGptAlternate);
        uint64_t entryStart = ReadU64(sec, kSector, kGptEntryStart);
        uint32_t entries = ReadU32(sec, kSector, kGptEntryNumber);
        if (alternate != 0)
            AddArea(alternate, alternate + 1, INFO_GPT_HEADER);
        if (entryStart != 0 && entries != 0) {
            uint64_t n = (static_cast<uint64_t>(entries) + 3) / 4;    // no 32-bit wrap
            AddArea(entryStart, entryStart + n, INFO_GPT_ENTRIES);
            // The backup entries lie in front of the backup header; a header too near the
            // start for them (or a count too large) has no such place.
            if (alternate != 0 && alternate >= n)
                AddArea(alternate - n, alternate, INFO_GPT_ENTRIES);
        }
        uint32_t looked = entries < kMaxGptEntries ? entries : kMaxGptEntries;
        uint8_t boot[4 * kSector];
        for (uint32_t j = 0; j < looked; ++j) {
            if (j % 4 == 0 && !ReadVolumeUnits(base + entryStart + j / 4, 1, sec))
                break;
            uint32_t off = (j % 4) * kGptEntryBytes;
            uint64_t firstLba = ReadU64(sec, kSector, off + kGptFirstLba);
            uint64_t lastLba = ReadU64(sec, kSector, off + kGptLastLba);
            if (lastLba <= firstLba)
                continue;
            uint64_t at = base + firstLba;
            if (m_res.areas.HasAreaStartingAt(at))
                continue;           // already scanned through the MBR
            NotePartitionStart(at);
            if (m_res.areas.IsFull() || !ReadVolumeUnits(at, 4, boot))
                continue;
            if (HasBootSignature(boot)) {
                if (BytesAre(boot, sizeof boot, 3, "NTFS    "))
                    AnalyzeNtfs(at);
                else if (BytesAre(boot, sizeof boot, 3, "EXFAT   "))
                    AnalyzeExFat(at);
                else
                    AnalyzeFat(at);
            }
            if (ReadU16(boot, sizeof boot, 1080) == 0xEF53)
                AnalyzeExt(at);
        }
    }

    // The list is kept in order as it is filled; nothing left to sort.
    return 1;
}
