#include "disk/AreaTable.h"

const char* DefaultAreaName(uint32_t type)
{
    static const char* const kNames[INFO_TYPE_COUNT] = {
        "???",
        "MasterBootRecord",
        "Boot-Sektor FAT",
        "Boot-Sektor FAT32",
        "Boot-Sektor NTFS",
        "Boot-Sektor EXFAT",
        "Verzeichnis",
        "Info-Sektor",
        "FAT12",
        "FAT16",
        "FAT32",
        "FATEX",
        "VolumeDecriptor",
        "CD Pfad Tabelle",
        "CD Verzeichnis",
        "Master File Table",
        "Mirror MFT",
        "Ecma-Tag",
        "GUID Partitionstablle",
        "GUID Partitioneinträge",
        "EXFAT Verzeichniss",
        "EXT Superblock",
    };
    if (type == INFO_NONE || type >= INFO_TYPE_COUNT)
        return "???";
    return kNames[type];
}

void AreaTable::Reset()
{
    count = 0;
    for (uint32_t i = 0; i < kCapacity; ++i) {
        first[i] = 0;
        end[i] = 0;
        type[i] = INFO_NONE;
        name[i] = nullptr;
    }
}

bool AreaTable::Add(uint64_t firstSector, uint64_t endSector, uint32_t infoType, const char* ownName)
{
    if (count >= kCapacity)
        return false;
    first[count] = firstSector;
    end[count] = endSector;
    type[count] = infoType;
    name[count] = ownName;
    ++count;
    return true;
}

void AreaTable::Sort()
{
    // Insertion sort that moves an area only past areas with a greater first sector: stable,
    // and at most 128 entries, so no allocation and no recursion.
    for (uint32_t i = 1; i < count && i < kCapacity; ++i) {
        uint64_t f = first[i], e = end[i];
        uint32_t t = type[i];
        const char* n = name[i];
        uint32_t j = i;
        while (j > 0 && first[j - 1] > f) {
            first[j] = first[j - 1];
            end[j] = end[j - 1];
            type[j] = type[j - 1];
            name[j] = name[j - 1];
            --j;
        }
        first[j] = f;
        end[j] = e;
        type[j] = t;
        name[j] = n;
    }
}

int AreaTable::Find(uint64_t sector) const
{
    for (uint32_t i = 0; i < count && i < kCapacity; ++i)
        if (first[i] <= sector && sector < end[i])
            return static_cast<int>(i);
    return -1;
}

uint32_t AreaTable::TypeAt(uint64_t sector) const
{
    int i = Find(sector);
    return i < 0 ? INFO_NONE : type[i];
}

bool AreaTable::HasAreaStartingAt(uint64_t sector) const
{
    for (uint32_t i = 0; i < count && i < kCapacity; ++i)
        if (first[i] == sector)
            return true;
    return false;
}

const char* AreaTable::DisplayName(uint32_t index) const
{
    if (index >= count || index >= kCapacity)
        return DefaultAreaName(INFO_NONE);
    return name[index] ? name[index] : DefaultAreaName(type[index]);
}

void ClusterRegionTable::Reset()
{
    count = 0;
    for (uint32_t i = 0; i < kCapacity; ++i) {
        clusterCount[i] = 0;
        sectorsPerCluster[i] = kNoClusters;
        dataStart[i] = 0;
        regionStart[i] = 0;
        firstCluster[i] = 0;
    }
}

bool ClusterRegionTable::Add(uint64_t start, uint64_t dataStartSector, uint32_t clusterSectors,
                             uint64_t clusters, uint64_t firstClusterNumber)
{
    if (count >= kCapacity)
        return false;
    // A partition table need not list its partitions in disk order (and the GPT walk adds
    // after the MBR walk): keep the regions ordered so the lookup from the top is right.
    uint32_t at = count;
    while (at > 0 && regionStart[at - 1] > start) {
        clusterCount[at] = clusterCount[at - 1];
        sectorsPerCluster[at] = sectorsPerCluster[at - 1];
        dataStart[at] = dataStart[at - 1];
        regionStart[at] = regionStart[at - 1];
        firstCluster[at] = firstCluster[at - 1];
        --at;
    }
    clusterCount[at] = clusters;
    sectorsPerCluster[at] = clusterSectors;
    dataStart[at] = dataStartSector;
    regionStart[at] = start;
    firstCluster[at] = firstClusterNumber;
    ++count;
    return true;
}

int ClusterRegionTable::Find(uint64_t sector) const
{
    if (count == 0)
        return -1;
    uint32_t n = count < kCapacity ? count : kCapacity;
    for (uint32_t i = n - 1; i >= 1; --i)
        if (regionStart[i] <= sector)
            return static_cast<int>(i);
    return 0;
}

uint64_t ClusterRegionTable::ClusterToSector(uint32_t region, uint64_t cluster) const
{
    if (region >= kCapacity)
        return 0;
    return dataStart[region] + (cluster - firstCluster[region]) * sectorsPerCluster[region];
}

bool ClusterRegionTable::IsBehindLastCluster(uint32_t region, uint64_t sector) const
{
    if (region >= kCapacity || sector < dataStart[region] || sectorsPerCluster[region] == 0)
        return false;
    // Divided, not multiplied out: a damaged boot sector's count times its cluster size may
    // pass 2^64.
    return (sector - dataStart[region]) / sectorsPerCluster[region] >= clusterCount[region];
}

void FatVolumeTable::Reset()
{
    count = 0;
    for (uint32_t i = 0; i < kCapacity; ++i) {
        fatStart[i] = 0;
        fatEnd[i] = 0;
        sectorsPerFat[i] = 1;
    }
}

bool FatVolumeTable::Add(uint64_t firstFatSector, uint64_t behindLastFat, uint32_t fatLength)
{
    if (count >= kCapacity)
        return false;
    fatStart[count] = firstFatSector;
    fatEnd[count] = behindLastFat;
    sectorsPerFat[count] = fatLength;
    ++count;
    return true;
}

int FatVolumeTable::Find(uint64_t sector) const
{
    const uint32_t n = count < kCapacity ? count : kCapacity;
    int below = -1;
    for (uint32_t i = 0; i < n; ++i) {
        if (fatStart[i] <= sector && sector < fatEnd[i])
            return static_cast<int>(i);
        if (fatStart[i] <= sector && (below < 0 || fatStart[i] > fatStart[below]))
            below = static_cast<int>(i);
    }
    return below;
}

void PartitionStartList::Reset()
{
    count = 0;
    for (uint32_t i = 0; i < kCapacity; ++i)
        start[i] = 0;
}

bool PartitionStartList::Add(uint64_t startSector)
{
    if (count >= kCapacity)
        return false;
    uint32_t at = count;
    while (at > 0 && start[at - 1] > startSector) {
        start[at] = start[at - 1];
        --at;
    }
    start[at] = startSector;
    ++count;
    return true;
}

bool PartitionStartList::Contains(uint64_t startSector) const
{
    for (uint32_t i = 0; i < count && i < kCapacity; ++i)
        if (start[i] == startSector)
            return true;
    return false;
}

uint64_t PartitionStartList::StartOf(uint64_t sector) const
{
    uint32_t n = count < kCapacity ? count : kCapacity;
    for (uint32_t i = n; i > 0; --i)
        if (start[i - 1] <= sector)
            return start[i - 1];
    return 0;
}
