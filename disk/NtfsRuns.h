// The data runs of a non-resident NTFS attribute.
#pragma once
#include <stdint.h>

// Decodes at most maxRuns runs of a run list of runBytes bytes into lengths (clusters) and
// absolute cluster numbers. Each run is a header byte (low nibble: bytes of the length, high
// nibble: bytes of the offset), the length little-endian, then the offset little-endian and
// signed, relative to the previous run's cluster. Decoding ends at a header byte 0, at the
// end of the bytes (a run cut off there is not counted), after maxRuns runs, or when the
// runs would hold more than clusterCount clusters (that run is not counted). A run without
// offset bytes keeps the previous cluster number. Lengths beyond 32 bits keep their low 32
// bits. Returns the number of runs decoded.
// The offsets are read the way NTFS writes them (signed, each relative to the run before):
// taken as absolute and unsigned, every run after the first would name clusters somewhere
// else on the volume; and the bytes behind the end mark belong to no run at all.
int DecodeDataRuns(int64_t clusterCount, const uint8_t* runs, uint32_t runBytes, uint32_t* offsets,
                   uint32_t* lengths, int maxRuns);
