// ISO 9660 volume descriptors, path tables and root directories, and the volume recognition
// sequence that announces UDF. Counts 2048-byte sectors.
#include "disk/VolumeScan.h"
#include "disk/OnDiskBytes.h"

namespace {

const uint32_t kCdSector = 2048;
const uint32_t kUnitsPerCdSector = 4;
const uint32_t kFirstDescriptor = 16;
const uint32_t kMaxDescriptors = 16;

// Primary and supplementary volume descriptor fields.
const uint32_t kPathTableSize = 132;     // u32
const uint32_t kPathTableL = 140;        // u32
const uint32_t kPathTableOptL = 144;     // u32
const uint32_t kRootExtent = 156 + 2;    // u32 in the root directory record at 156
const uint32_t kRootLength = 156 + 10;   // u32

uint64_t CdSectorsFor(uint32_t bytes)
{
    return (static_cast<uint64_t>(bytes) + kCdSector - 1) / kCdSector;
}

}  // namespace

uint32_t VolumeScanner::AnalyzeIso()
{
    uint32_t code = m_res.driveCode;
    if (code != DRIVECODE_NONE && (code & (DRIVECODE_PHYSICAL | DRIVECODE_PARTITION)) && m_res.bytesPerSector != kCdSector) {
        m_res.sectorCount /= kUnitsPerCdSector;
        m_res.unitsPerSector = kUnitsPerCdSector;
        m_res.bytesPerSector = kCdSector;
    }

    uint8_t vd[kCdSector];
    uint32_t i = 0;
    for (; i < kMaxDescriptors; ++i) {
        if (!ReadVolumeUnits((kFirstDescriptor + i) * kUnitsPerCdSector, kUnitsPerCdSector, vd) ||
            !BytesAre(vd, kCdSector, 1, "CD001"))
            break;
        uint8_t type = vd[0];
        if (type == 255) {          // the set terminator belongs to the descriptors
            ++i;
            break;
        }
        if (type == 1 || type == 2) {
            // The path table is recorded twice (little- and big-endian), so the area spans
            // twice its sectors from the little-endian copy.
            uint64_t tableSectors = 2 * CdSectorsFor(ReadU32(vd, kCdSector, kPathTableSize));
            uint32_t l = ReadU32(vd, kCdSector, kPathTableL);
            if (l != 0)
                AddCdArea(l, l + tableSectors, INFO_ISO_PATH_TABLE);
            uint32_t optL = ReadU32(vd, kCdSector, kPathTableOptL);
            if (optL != 0)
                AddCdArea(optL, optL + tableSectors, INFO_ISO_PATH_TABLE);
            uint32_t root = ReadU32(vd, kCdSector, kRootExtent);
            AddCdArea(root, root + CdSectorsFor(ReadU32(vd, kCdSector, kRootLength)), INFO_ISO_DIRECTORY);
        }
    }

    // The volume recognition sequence of ECMA-167: "BEA01", then descriptors such as "NSR02"
    // or "NSR03" that name UDF, then "TEA01".
    bool udf = false;
    bool firstOfSequence = true;
    for (; i < kMaxDescriptors; ++i) {
        if (!ReadVolumeUnits((kFirstDescriptor + i) * kUnitsPerCdSector, kUnitsPerCdSector, vd))
            break;
        if (vd[0] != 0 || vd[6] != 1 || vd[1] < 'A' || vd[1] > 'Z')
            break;
        bool zero = false;
        for (uint32_t b = 1; b <= 5; ++b)
            if (vd[b] == 0)
                zero = true;
        if (zero)
            break;
        if (firstOfSequence && !BytesAre(vd, kCdSector, 1, "BEA01"))
            break;
        firstOfSequence = false;
        if (BytesAre(vd, kCdSector, 1, "TEA01"))
            break;
        if (BytesAre(vd, kCdSector, 1, "NSR"))
            udf = true;
    }

    // Listed also when nothing was counted: an empty area that names where the descriptors
    // were looked for and matches no sector.
    AddCdArea(kFirstDescriptor, kFirstDescriptor + i, INFO_ISO_DESCRIPTOR);
    if (udf)
        AnalyzeUdf();
    return i > 0 ? 1 : 0;
}
