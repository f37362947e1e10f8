#include "disk/SectorJobs.h"

#include <windows.h>

uint32_t SectorChunkUnits(uint64_t sectorCount, uint32_t unitsPerSector, uint32_t driveCode, uint64_t rangeUnits)
{
    const uint64_t u = unitsPerSector ? unitsPerSector : 1;
    uint64_t c = sectorCount / 128;
    if (c > 512)
        c = 512;
    if (c > sectorCount / 16)
        c = sectorCount / 16;
    if (c < 2 * u)
        c = 2 * u;
    if (driveCode <= 1 && c > 4096 / 512)
        c = 4096 / 512;                     // floppy drives take small transfers
    c -= c % u;
    if (c < u)
        c = u;
    if (rangeUnits && c > rangeUnits)
        c = rangeUnits;
    return static_cast<uint32_t>(c);
}

bool SearchNeedsProgressDialog(uint64_t remainingUnits, uint32_t driveCode)
{
    return !(remainingUnits < 1024 && (remainingUnits < 16 || driveCode >= 3));
}

uint32_t SearchOverlapUnits(int distance)
{
    uint64_t d = distance > 0 ? static_cast<uint64_t>(distance) : 0;
    uint64_t units = (2 * d + 2559) / 512;
    return static_cast<uint32_t>(units > SEARCH_WINDOW_UNITS / 2 ? SEARCH_WINDOW_UNITS / 2 : units);
}

void SearchWindowSpan::Follow(uint64_t current)
{
    if (current < base || current > base + units) {
        base = current;
        units = 0;
    }
}

bool SearchWindowSpan::NeedsRead(uint64_t current, uint64_t end, uint32_t overlap) const
{
    uint64_t need = current + overlap < end ? current + overlap : end;
    return base + units < need;
}

uint64_t SearchWindowSpan::NextUnit(uint64_t current, uint64_t end, uint32_t overlap) const
{
    const uint64_t windowEnd = SearchEndUnit(end);
    if (windowEnd < end && windowEnd - current >= overlap)
        return windowEnd - overlap + 1;
    return windowEnd;
}

SearchRefill PlanSearchRefill(const SearchWindowSpan& window, uint64_t current, uint64_t end)
{
    SearchRefill r;
    const uint64_t held = window.base + window.units;
    r.keepUnits = current >= window.base && current < held ? held - current : 0;
    if (r.keepUnits > SEARCH_WINDOW_UNITS)
        r.keepUnits = SEARCH_WINDOW_UNITS;
    r.readUnit = current + r.keepUnits;
    const uint64_t room = SEARCH_WINDOW_UNITS - r.keepUnits;
    r.readUnits = r.readUnit < end ? end - r.readUnit : 0;
    if (r.readUnits > room)
        r.readUnits = room;
    return r;
}

// ---------------------------------------------------------------- the engine

int CFileSearch::SetPattern(const char* patternList)
{
    return CompileSearchPattern(patternList, &m_pattern);
}

int CFileSearch::FindByteSequence(const uint8_t* buffer, const uint8_t* value, int length, int start, int end, int mode)
{
    if (length < 1)
        return start;
    if (end <= start) {
        position = end;
        return -1;
    }
    int found = SearchBytes(buffer, end, value, length, start, end - start, mode, &m_abort);
    position = found >= 0 ? found : end;
    return found;
}

int CFileSearch::FindTextPatterns(const uint8_t* buffer, int start, int count, uint32_t flags)
{
    if (!buffer || count < 0 || m_pattern.entryCount < 1)
        return -1;
    const int end = start + count;
    if (m_pattern.entryCount == 1) {
        const SearchEntry& e = m_pattern.entries[0];
        return FindByteSequence(buffer, e.value, e.size, start, end, e.mode);
    }
    const uint32_t order = (flags & FTP_KEEP_ORDER) ? static_cast<uint32_t>(VSF_KEEP_ORDER) : 0u;
    int found = MatchSearchPattern(buffer, end, m_pattern, start, count, order | VSF_WHOLE_ENTRIES, nullptr, &m_abort);
    position = found >= 0 ? found : end;
    return found;
}

void CFileSearch::OnCancel(void* engine)
{
    CFileSearch* self = static_cast<CFileSearch*>(engine);
    InterlockedExchange(&self->m_abort, 1);
    InterlockedExchange(&self->m_abortToo, 1);
}

bool CFileSearch::Aborted() const
{
    return m_abort != 0 || m_abortToo != 0;
}

