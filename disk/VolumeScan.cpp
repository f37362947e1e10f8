// The scan driver and the helpers the partition walk and the recognisers share.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"
#include "services/CaseFold.h"
#include <string.h>

void VolumeScanResult::Reset()
{
    areas.Reset();
    regions.Reset();
    partitionStarts.Reset();
    fatStart = 0;
    sectorsPerFat = 1;
    fatVolumes.Reset();
    volumeName[0] = 0;
    volumeSerial = 0;
    maxComponentLength = 0;
    fileSystemFlags = 0;
    fileSystemName[0] = 0;
}

bool VolumeScanner::ReadVolumeUnits(uint64_t unit, uint32_t count, void* buffer)
{
    return m_src.ReadUnits(unit, count, buffer);
}

uint64_t VolumeScanResult::FatStartOf(uint64_t sector) const
{
    int i = fatVolumes.Find(sector);
    return i < 0 ? fatStart : fatVolumes.fatStart[i];
}

uint32_t VolumeScanResult::SectorsPerFatOf(uint64_t sector) const
{
    int i = fatVolumes.Find(sector);
    return i < 0 ? sectorsPerFat : fatVolumes.sectorsPerFat[i];
}

bool VolumeScanner::AddAreaWithin(uint64_t limit, uint64_t first, uint64_t end, uint32_t type, const char* name)
{
    // A damaged field may place a structure behind the medium's end, or make its end wrap
    // past 2^64: no area may name a sector the medium does not have, since choosing it in
    // "Bereich auswählen" would make that sector current, and every step from there reads
    // behind the end. A medium of unknown size (0) is taken as it comes.
    if (end < first)
        end = ~0ull;
    if (limit != 0) {
        if (first >= limit)
            return false;
        if (end > limit)
            end = limit;
    }
    // A structure reached twice (two entries naming one partition, an extended table that
    // links back to itself) is listed once: the copies would fill the 128 places of the table
    // and leave the volumes behind them without their areas.
    const AreaTable& a = m_res.areas;
    for (uint32_t i = 0; i < a.count && i < AreaTable::kCapacity; ++i)
        if (a.first[i] == first && a.end[i] == end && a.type[i] == type && a.name[i] == name)
            return false;
    return m_res.areas.Add(first, end, type, name);
}

bool VolumeScanner::AddArea(uint64_t first, uint64_t end, uint32_t type, const char* name)
{
    return AddAreaWithin(m_res.sectorCount * m_res.unitsPerSector, first, end, type, name);
}

bool VolumeScanner::AddCdArea(uint64_t first, uint64_t end, uint32_t type, const char* name)
{
    const uint64_t cdSectors = m_res.sectorCount * m_res.unitsPerSector / 4;
    // A medium smaller than one 2048-byte sector has none: nothing of a CD fits on it.
    if (m_res.sectorCount != 0 && cdSectors == 0)
        return false;
    return AddAreaWithin(cdSectors, first, end, type, name);
}

bool VolumeScanner::FindBootSector(uint64_t sector, uint8_t* buffer, uint64_t* found, bool inHand)
{
    // A volume may begin with sectors of its own before the boot sector; the search stops at
    // sector 1024 of the medium, whatever the base, so it never wanders through a disk.
    const uint64_t kLastSearched = 1024;
    if (!inHand && !ReadVolumeUnits(sector, 1, buffer))
        return false;
    while (!HasBootSignature(buffer)) {
        ++sector;
        if (sector > kLastSearched || !ReadVolumeUnits(sector, 1, buffer))
            return false;
    }
    *found = sector;
    return true;
}

uint32_t VolumeScanner::AnalyzeVolume()
{
    m_res.Reset();
    uint32_t code = m_res.driveCode;
    if (code == DRIVECODE_NONE)
        return 0;
    if (code & DRIVECODE_PHYSICAL)          // a physical drive, or 0xC000 an image file
        return AnalyzePartitions(0);
    if (code <= 25) {
        char root[4] = { static_cast<char>('A' + code), ':', '\\', 0 };
        char volumeName[64] = {};
        char fsName[33] = {};
        DWORD serial = 0, maxComponent = 0, flags = 0;
        if (!GetVolumeInformationA(root, volumeName, 63, &serial, &maxComponent, &flags, fsName, 32))
            return 0;
        memcpy(m_res.volumeName, volumeName, sizeof m_res.volumeName);
        m_res.volumeName[sizeof m_res.volumeName - 1] = 0;
        m_res.volumeSerial = serial;
        m_res.maxComponentLength = maxComponent;
        m_res.fileSystemFlags = flags;
        return AnalyzeByFileSystemName(fsName);
    }
    return 0;                               // a partition code: opened, not scanned
}

static bool SameNameNoCase(const char* a, const char* b)
{
    return CompareBytes1252(a, static_cast<int>(strlen(a)), b, static_cast<int>(strlen(b)), true) == 0;
}

uint32_t VolumeScanner::AnalyzeByFileSystemName(const char* fileSystemName)
{
    const char* name = fileSystemName ? fileSystemName : "";
    size_t n = strlen(name);
    if (n > 32)
        n = 32;
    memcpy(m_res.fileSystemName, name, n);
    m_res.fileSystemName[n] = 0;
    const char* fs = m_res.fileSystemName;
    if (SameNameNoCase(fs, "FAT") || SameNameNoCase(fs, "FAT32"))
        return AnalyzeFat(0);
    if (SameNameNoCase(fs, "NTFS"))
        return AnalyzeNtfs(0);
    if (SameNameNoCase(fs, "CDFS"))
        return AnalyzeIso();
    if (SameNameNoCase(fs, "EXFAT"))
        return AnalyzeExFat(0);
    // Whatever the system calls it, an ext volume is known by its superblock.
    return AnalyzeExt(0);
}
