// The tables a volume scan leaves behind: which structure every sector range holds (the area
// table), how sector numbers map to cluster numbers in each recognised volume (the cluster
// regions) and where partitions begin. Plain fixed arrays with no allocation; the document
// owns one of each and the scan rebuilds them for every medium.
#pragma once
#include <stdint.h>

// How many partitions the partition walk can name: every GPT entry it looks at, and four for
// each partition-table sector of the MBR and EBR chain it reads.
const uint32_t kMaxGptEntriesWalked = 1024;
const uint32_t kMaxPartitionTableSectors = 32;
const uint32_t kMaxNamedPartitions = kMaxGptEntriesWalked + 4 * kMaxPartitionTableSectors;

// The structure a sector range holds; 0 is no structure.
enum InfoType : uint32_t
{
    INFO_NONE = 0,
    INFO_MBR = 1,               // master boot record or extended boot record
    INFO_FAT_BOOT = 2,          // FAT12/16 boot sector
    INFO_FAT32_BOOT = 3,        // FAT32 boot sector or its backup
    INFO_NTFS_BOOT = 4,
    INFO_EXFAT_BOOT = 5,
    INFO_FAT_DIRECTORY = 6,
    INFO_FAT32_INFO = 7,        // FAT32 file system info sector
    INFO_FAT12_TABLE = 8,
    INFO_FAT16_TABLE = 9,
    INFO_FAT32_TABLE = 10,
    INFO_EXFAT_TABLE = 11,
    INFO_ISO_DESCRIPTOR = 12,   // ISO 9660 volume descriptors
    INFO_ISO_PATH_TABLE = 13,
    INFO_ISO_DIRECTORY = 14,
    INFO_NTFS_MFT = 15,
    INFO_NTFS_MFT_MIRROR = 16,
    INFO_ECMA_TAG = 17,         // ECMA-167 (UDF) tagged descriptor
    INFO_GPT_HEADER = 18,       // primary or backup
    INFO_GPT_ENTRIES = 19,
    INFO_EXFAT_DIRECTORY = 20,
    INFO_EXT_SUPERBLOCK = 21,
    INFO_TYPE_COUNT = 22,       // first value that names no structure
};

// The name an area of this type is listed under when it has none of its own; "???" for a
// value that names no structure.
const char* DefaultAreaName(uint32_t type);

struct AreaTable
{
    static constexpr uint32_t kCapacity = 128;

    uint32_t count = 0;
    uint64_t first[kCapacity];          // first sector of the area
    uint64_t end[kCapacity];            // first sector behind it (end == first: matches nothing)
    uint32_t type[kCapacity];           // InfoType
    const char* name[kCapacity];        // constant text of the program, or null

    AreaTable() { Reset(); }

    // Count 0 and every name pointer cleared.
    void Reset();

    // Appends an area; refused (false) when the table is full.
    bool Add(uint64_t firstSector, uint64_t endSector, uint32_t infoType, const char* ownName = nullptr);

    bool IsFull() const { return count >= kCapacity; }

    // Orders the areas by first sector; areas with the same first sector keep the order in
    // which they were added, so the one added first still wins the lookup.
    void Sort();

    // Index of the first area with first <= sector < end, or -1.
    int Find(uint64_t sector) const;

    // InfoType of that area, 0 when no area holds the sector.
    uint32_t TypeAt(uint64_t sector) const;

    // True when an area begins exactly at the sector (a structure already scanned).
    bool HasAreaStartingAt(uint64_t sector) const;

    // The area's own name, else the default name of its type.
    const char* DisplayName(uint32_t index) const;
};

// One region per recognised volume with clusters. Kept ordered by region start whatever the
// order volumes are found in, so that the lookup from the top finds the right volume. A
// volume without its region would be counted in the clusters of the volume before it, so
// there is room for one region per partition the walk can name.
struct ClusterRegionTable
{
    static constexpr uint32_t kCapacity = kMaxNamedPartitions;
    static constexpr uint32_t kNoClusters = 0xFFFFFFFFu;   // sectors per cluster of an unused slot

    uint32_t count = 0;
    uint64_t clusterCount[kCapacity];
    uint32_t sectorsPerCluster[kCapacity];
    uint64_t dataStart[kCapacity];      // sector of the first numbered cluster
    uint64_t regionStart[kCapacity];    // first sector of the volume (the lookup key)
    uint64_t firstCluster[kCapacity];   // number of the cluster at dataStart

    ClusterRegionTable() { Reset(); }

    // Count 0; every slot back to "no cluster numbering".
    void Reset();

    bool IsFull() const { return count >= kCapacity; }

    // Inserts a region behind those whose start is at or below its own; false when full.
    bool Add(uint64_t start, uint64_t dataStartSector, uint32_t clusterSectors, uint64_t clusters,
             uint64_t firstClusterNumber);

    // The region of a sector: the last one from the top down to 1 whose start is at or
    // below it, else region 0; -1 when there is no region at all.
    int Find(uint64_t sector) const;

    // Sector of cluster c of region i: dataStart + (c - firstCluster) * sectorsPerCluster.
    uint64_t ClusterToSector(uint32_t region, uint64_t cluster) const;

    // True when the sector lies at or behind dataStart + sectorsPerCluster * clusterCount of
    // the region: the tail a volume leaves over at its end, and whatever follows the volume
    // on the disk (free space, a backup GPT), has no cluster number. False below the data
    // start and for a region of 0 sectors per cluster.
    bool IsBehindLastCluster(uint32_t region, uint64_t sector) const;
};

// Where the tables of each recognised FAT volume lie, in the scan's sector numbers. A disk may
// hold several FAT volumes, and a FAT12 sector can only be decoded from its place in its own
// FAT: the 12-bit entries of a sector begin at a byte position that depends on it.
struct FatVolumeTable
{
    static constexpr uint32_t kCapacity = kMaxNamedPartitions;

    uint32_t count = 0;
    uint64_t fatStart[kCapacity];       // first sector of the first FAT
    uint64_t fatEnd[kCapacity];         // first sector behind the last FAT
    uint32_t sectorsPerFat[kCapacity];  // one FAT's length

    FatVolumeTable() { Reset(); }
    void Reset();

    // Appends a volume; false when full.
    bool Add(uint64_t firstFatSector, uint64_t behindLastFat, uint32_t fatLength);

    // The volume whose FATs hold the sector, else the one with the last FAT start below it
    // (a sector shown as a FAT by the user's choice); -1 when there is none.
    int Find(uint64_t sector) const;
};

// Where partitions begin, kept ascending (also for starts added by hand). A partition whose
// start is missing would be counted from the start of the one before it, so the list holds
// every start the walk can name.
struct PartitionStartList
{
    static constexpr uint32_t kCapacity = kMaxNamedPartitions;

    uint32_t count = 0;
    uint64_t start[kCapacity];

    PartitionStartList() { Reset(); }
    void Reset();
    bool IsFull() const { return count >= kCapacity; }

    // Inserts in order (behind equal starts); false when full.
    bool Add(uint64_t startSector);

    // True when the start is listed.
    bool Contains(uint64_t startSector) const;

    // Start of the last partition at or below the sector, 0 when none.
    uint64_t StartOf(uint64_t sector) const;
};
