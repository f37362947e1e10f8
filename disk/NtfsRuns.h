// What the NTFS recogniser and the master file table printer share about a record: the data
// runs of a non-resident attribute, and the update sequence put back into a record's strides.
#pragma once
#include <stdint.h>

// Decodes at most maxRuns runs of a run list of runBytes bytes into lengths (clusters) and
// absolute cluster numbers. Each run is a header byte (low nibble: bytes of the length, high
// nibble: bytes of the offset), the length little-endian, then the offset little-endian and
// signed, relative to the previous run's cluster. Decoding ends at a header byte 0, at the
// end of the bytes (a run cut off there is not counted), after maxRuns runs, or when the
// runs would hold more than clusterCount clusters (that run is not counted). A run without
// offset bytes keeps the previous cluster number. Returns the number of runs decoded.
// The offsets are read the way NTFS writes them (signed, each relative to the run before):
// taken as absolute and unsigned, every run after the first would name clusters somewhere
// else on the volume; and the bytes behind the end mark belong to no run at all.
// Cluster numbers and lengths stay 64-bit: a volume of 64 KiB clusters reaches cluster 2^32
// at 256 TiB, and a sparse file's holes are longer than 2^32 clusters far sooner.
int DecodeDataRuns(int64_t clusterCount, const uint8_t* runs, uint32_t runBytes, uint64_t* offsets,
                   uint64_t* lengths, int maxRuns);

// NTFS writes a record in 512-byte strides whose last two bytes it swaps for the update
// sequence number, keeping the bytes they held in the update sequence array (its offset is
// the u16 at 4 of the record, its count, the number itself and one entry per stride, the u16
// at 6). Every field that crosses such a place reads the sequence number until the bytes are
// put back. Puts back the bytes of each stride of the `size`-byte record whose last two
// bytes hold the sequence number; a stride that does not (a torn write, or damage) keeps its
// bytes, and a record whose array does not fit inside it, or lies over a stride's end, is
// left as it is. Returns the number of strides put back.
uint32_t PutBackUpdateSequence(uint8_t* record, uint32_t size);
