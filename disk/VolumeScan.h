// The volume scan: a walk over master boot record, extended boot records and GUID partition
// table, and the recognisers of the single file systems (FAT12/16/32, exFAT, NTFS, ext2/3/4,
// ISO 9660, UDF), which name the sectors of a medium in an area table. No window and no
// document: everything is read through a SectorSource and left in a VolumeScanResult, which
// the sector document owns.
//
// Sector numbers of the partition walk and of the FAT, NTFS, exFAT and ext recognisers are
// 512-byte unit numbers; the ISO and UDF recognisers count 2048-byte sectors.
// A damaged medium gives a smaller table: every read is bounded by its buffer, every loop by
// a fixed count, and whatever was found before a recogniser gave up stays.
#pragma once
#include "disk/AreaTable.h"
#include "disk/SectorSource.h"
#include <stdint.h>

// Drive codes as the document uses them.
const uint32_t DRIVECODE_NONE = 0xFFFFFFFFu;
const uint32_t DRIVECODE_PHYSICAL = 0x8000u;      // + drive number
const uint32_t DRIVECODE_PARTITION = 0x4000u;     // + 16 * disk + partition
const uint32_t DRIVECODE_IMAGE = 0xC000u;

struct VolumeScanResult
{
    AreaTable areas;
    ClusterRegionTable regions;
    PartitionStartList partitionStarts;

    // Left by the FAT recogniser: the last FAT volume found (first FAT sector and one FAT's
    // length in scan sectors), and the place of every FAT volume for the FAT printers.
    uint64_t fatStart = 0;
    uint32_t sectorsPerFat = 1;
    FatVolumeTable fatVolumes;

    // The medium as the document knows it; the ISO recogniser switches a physical drive or
    // an image to 2048-byte sectors.
    uint32_t driveCode = DRIVECODE_NONE;
    uint64_t sectorCount = 0;
    uint32_t bytesPerSector = 512;
    uint32_t unitsPerSector = 1;

    // What GetVolumeInformationA told about a drive letter (empty otherwise).
    char volumeName[64] = {};
    uint32_t volumeSerial = 0;
    uint32_t maxComponentLength = 0;
    uint32_t fileSystemFlags = 0;
    char fileSystemName[33] = {};

    // Empties the tables and the volume fields; the medium fields stay.
    void Reset();

    // The first FAT sector and one FAT's length of the FAT volume a sector belongs to (see
    // FatVolumeTable::Find); without one, the last volume's (0 and 1 before any).
    uint64_t FatStartOf(uint64_t sector) const;
    uint32_t SectorsPerFatOf(uint64_t sector) const;
};

class VolumeScanner
{
public:
    VolumeScanner(SectorSource& source, VolumeScanResult& result) : m_src(source), m_res(result) {}

    // The scan driver: resets the result and chooses by the drive code: a physical drive or
    // an image is walked from sector 0, a drive letter is scanned by the file-system name the
    // system reports for it, anything else is not scanned. Nonzero when something was found.
    uint32_t AnalyzeVolume();

    // The same for a drive letter whose file-system name is already known (the driver asks
    // GetVolumeInformationA for it).
    uint32_t AnalyzeByFileSystemName(const char* fileSystemName);

    // The partition walk from a base sector (the scan uses 0).
    uint32_t AnalyzePartitions(uint64_t base);

    // The recognisers, each for a volume that begins at the base sector; nonzero when the
    // file system was recognised.
    uint32_t AnalyzeFat(uint64_t base);
    uint32_t AnalyzeNtfs(uint64_t base);
    uint32_t AnalyzeExFat(uint64_t base);
    uint32_t AnalyzeExt(uint64_t base);
    uint32_t AnalyzeIso();      // always at the start of the medium
    uint32_t AnalyzeUdf();      // the anchor at 2048-byte sector 256

    // Bound of the GPT entry loop: a header's entry count is taken at most this large, so a
    // corrupt count cannot keep the scan reading for hours.
    static constexpr uint32_t kMaxGptEntries = kMaxGptEntriesWalked;

private:
    // Every read of the scan: false leaves the buffer undefined, and no caller looks at it.
    bool ReadVolumeUnits(uint64_t unit, uint32_t count, void* buffer);
    // Reads the first sector at or after `sector` that ends in 0x55 0xAA, searching no
    // further than sector 1024 of the medium; its number goes to *found. With `inHand` the
    // buffer already holds `sector` and the search begins with it, without reading it again.
    bool FindBootSector(uint64_t sector, uint8_t* buffer, uint64_t* found, bool inHand = false);
    // Areas in 512-byte units (AddArea) and in 2048-byte sectors (AddCdArea), each checked
    // against the medium: cut at its end, left out when it begins behind it.
    bool AddArea(uint64_t first, uint64_t end, uint32_t type, const char* name = nullptr);
    bool AddCdArea(uint64_t first, uint64_t end, uint32_t type, const char* name = nullptr);
    bool AddAreaWithin(uint64_t limit, uint64_t first, uint64_t end, uint32_t type, const char* name);
    // Lists a partition's start once, while the list has room.
    void NotePartitionStart(uint64_t start);
    // Records a FAT volume's tables for the printers (the last one also as the default).
    void NoteFatVolume(uint64_t fatStart, uint64_t behindFats, uint64_t unitsPerFat);
    void WalkMftRecord(const uint8_t* record, uint64_t bootSector, uint32_t spc);

    SectorSource& m_src;
    VolumeScanResult& m_res;
};

// The tag checksum of an ECMA-167 descriptor tag (16 bytes): the sum modulo 256 of bytes 0
// to 3 and 5 to 15.
uint8_t UdfTagChecksum(const uint8_t* tag);

// The area name of an ECMA-167 descriptor by its tag identifier.
const char* UdfTagName(uint16_t tagId);
