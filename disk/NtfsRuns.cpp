#include "disk/NtfsRuns.h"
#include "disk/OnDiskBytes.h"

int DecodeDataRuns(int64_t clusterCount, const uint8_t* runs, uint32_t runBytes, uint64_t* offsets,
                   uint64_t* lengths, int maxRuns)
{
    if (!runs || !offsets || !lengths)
        return 0;
    int decoded = 0;
    uint32_t pos = 0;
    int64_t cluster = 0;
    while (clusterCount > 0 && maxRuns > 0) {
        if (pos >= runBytes)
            break;
        uint8_t header = runs[pos];
        if (header == 0)
            break;                      // the end mark of the list
        uint32_t lenBytes = header & 0x0F;
        uint32_t offBytes = header >> 4;
        if (runBytes - pos - 1 < lenBytes + offBytes)
            break;                      // the run reaches past the attribute
        const uint8_t* p = runs + pos + 1;
        uint64_t length = 0;
        for (uint32_t i = 0; i < lenBytes; ++i)
            if (i < 8)
                length |= static_cast<uint64_t>(p[i]) << (8 * i);
        // Lengths are unsigned; one whose top bit is set counts as more than any volume.
        if (length > static_cast<uint64_t>(INT64_MAX) || static_cast<int64_t>(length) > clusterCount)
            break;
        clusterCount -= static_cast<int64_t>(length);
        p += lenBytes;
        uint64_t delta = 0;
        for (uint32_t i = 0; i < offBytes; ++i)
            if (i < 8)
                delta |= static_cast<uint64_t>(p[i]) << (8 * i);
        uint32_t signBytes = offBytes < 8 ? offBytes : 8;
        if (signBytes > 0 && signBytes < 8 && (p[signBytes - 1] & 0x80))
            delta |= ~0ull << (8 * signBytes);     // a backward step
        cluster = static_cast<int64_t>(static_cast<uint64_t>(cluster) + delta);
        lengths[decoded] = length;
        offsets[decoded] = static_cast<uint64_t>(cluster);
        ++decoded;
        --maxRuns;
        pos += 1 + lenBytes + offBytes;
    }
    return decoded;
}

uint32_t PutBackUpdateSequence(uint8_t* record, uint32_t size)
{
    const uint32_t kStride = 512;
    if (!record || size < kStride)
        return 0;
    const uint32_t arrayAt = ReadU16(record, size, 4);
    const uint32_t count = ReadU16(record, size, 6);
    // The number and one entry per stride; a count of 0 or 1 puts nothing back.
    if (count < 2 || (arrayAt & 1) || arrayAt < 8 || arrayAt > size || (size - arrayAt) / 2 < count)
        return 0;
    uint32_t strides = count - 1;
    if (strides > size / kStride)
        strides = size / kStride;
    // An array that ends on a stride's last bytes would be changed by its own put-back.
    for (uint32_t i = 1; i <= strides; ++i)
        if (arrayAt < i * kStride && arrayAt + 2 * count > i * kStride - 2)
            return 0;
    uint32_t putBack = 0;
    for (uint32_t i = 1; i <= strides; ++i) {
        uint8_t* end = record + i * kStride - 2;
        const uint8_t* entry = record + arrayAt + 2 * i;
        if (end[0] != record[arrayAt] || end[1] != record[arrayAt + 1])
            continue;
        end[0] = entry[0];
        end[1] = entry[1];
        ++putBack;
    }
    return putBack;
}
