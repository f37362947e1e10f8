// The arithmetic of the document's long sector commands, apart from the document and any
// window: the chunk size of saving and loading a range, when a search needs the progress
// dialog, how the search's 1 MB window slides over the medium, and the search engine that
// runs a compiled pattern over that window.
#pragma once
#include <stdint.h>
#include "views/ValueSearch.h"

// Units (512 bytes) per chunk of a save or a load: a 128th of the medium, at most 512 and a
// 16th of the medium, at least two sectors; 8 units on drives A and B; always whole sectors
// (raw CD and 4Kn handles take aligned transfers only) and never more than the range.
uint32_t SectorChunkUnits(uint64_t sectorCount, uint32_t unitsPerSector, uint32_t driveCode, uint64_t rangeUnits);

// Whether a search over the remaining units runs behind the progress dialog: a short one on
// a hard disk (below 1024 units, on drive D and beyond or an image) and any below 16 units
// run at once under the wait cursor.
bool SearchNeedsProgressDialog(uint64_t remainingUnits, uint32_t driveCode);

enum { SEARCH_WINDOW_UNITS = 2048 };    // the window: 1 MB

// Units the window keeps from its end for the next one, so that a value or a group across
// the boundary is found: twice the group distance (entries may lie before and after the first
// one) plus room for a 256-byte entry, in whole units, at most half the window.
uint32_t SearchOverlapUnits(int distance);

// Which units of the medium the window holds: [base, base + units).
struct SearchWindowSpan {
    uint64_t base = 0;
    uint64_t units = 0;

    // The window is emptied (and based at the current unit) when that unit lies outside it.
    void Follow(uint64_t current);
    // Whether the window must be moved and filled before searching from `current`: it does
    // not reach current + overlap (or the end, when that comes first).
    bool NeedsRead(uint64_t current, uint64_t end, uint32_t overlap) const;
    // The bytes to search up to: the window's end, or the range's end when that comes first.
    uint64_t SearchEndUnit(uint64_t end) const { return base + units < end ? base + units : end; }
    // Where the search goes on after a window without a hit: its end, or overlap - 1 units
    // before that when the range goes on and the step is long enough.
    uint64_t NextUnit(uint64_t current, uint64_t end, uint32_t overlap) const;
};

// The move of a window before a read: units from `current` on go to the buffer's start, then
// `readUnits` units of the medium from `readUnit` follow them (up to the window's size and
// the range's end).
struct SearchRefill {
    uint64_t keepUnits;
    uint64_t readUnit;
    uint64_t readUnits;
};
SearchRefill PlanSearchRefill(const SearchWindowSpan& window, uint64_t current, uint64_t end);

enum { FTP_KEEP_ORDER = 0x8000 };       // FindTextPatterns: group entries in their order

// The search engine of one search command: the compiled pattern and the abort words that the
// cancel handler sets from the user-interface thread while the worker scans.
class CFileSearch {
public:
    // Compiles the pattern list; the number of entries (0: nothing to search).
    int SetPattern(const char* patternList);
    const SearchPattern& Pattern() const { return m_pattern; }
    int Distance() const { return m_pattern.distance; }
    // The bytes a hit covers: what the first entry compares. A mask line's count holds its
    // mask bytes too, so selecting that many would mark twice the bytes that were found.
    int MatchLength() const { return m_pattern.entryCount ? m_pattern.entries[0].size : 0; }

    // The first position p, start <= p, p + length <= end, at which the value matches in the
    // compare mode (SearchCompareMode); -1 when none does or on abort. A length below 1
    // gives the start.
    int FindByteSequence(const uint8_t* buffer, const uint8_t* value, int length, int start, int end, int mode);
    // The compiled pattern over [start, start + count) of the buffer: the offset of the
    // first entry's match whose group lies wholly in [max(m - distance, start),
    // min(m + distance, start + count)); flag FTP_KEEP_ORDER keeps the entries' order.
    int FindTextPatterns(const uint8_t* buffer, int start, int count, uint32_t flags);

    // The cancel handler: sets both abort words.
    static void OnCancel(void* engine);
    bool Aborted() const;

    // The byte position the last scan ended at (its hit, or its end).
    int64_t position = 0;

private:
    SearchPattern m_pattern = {};
    volatile long m_abort = 0;
    volatile long m_abortToo = 0;
};

