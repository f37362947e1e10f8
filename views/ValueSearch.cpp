#include "views/ValueSearch.h"

#include "services/ByteUtils.h"
#include "textlib/CQuote.h"
#include "textlib/IntParse.h"

#include <emmintrin.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The literal reader wants its size below the mode bits, and nobody types a search text of
// megabytes: larger capacities are simply not used in full.
const int kMaxTextCapacity = 0x00FFFFFF;
// The hex dump readers take their capacity in 16 bits.
const int kMaxDumpCapacity = 0xFFFF;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

int MinInt(int a, int b)
{
    return a < b ? a : b;
}

long long MinLL(long long a, long long b)
{
    return a < b ? a : b;
}

long long MaxLL(long long a, long long b)
{
    return a > b ? a : b;
}

// Quoted text, or plain text read as if it stood in quotes. The literal reader keeps room
// for its terminator, which the search bytes do not need, so it reads into a scratch
// buffer two bytes larger and only the bytes that fit the caller's capacity are copied.
int ParseTextForm(const char* text, bool quoted, uint8_t* buffer, int capacity, bool utf16)
{
    if (capacity > kMaxTextCapacity)
        capacity = kMaxTextCapacity;
    uint8_t local[VS_SLOT_SIZE + 2];
    uint8_t* scratch = local;
    const int scratchSize = capacity + 2;
    if (scratchSize > static_cast<int>(sizeof local))
    {
        scratch = static_cast<uint8_t*>(malloc(scratchSize));
        if (!scratch)
            return 0;
    }
    unsigned mode = (quoted ? 0u : CLM_NO_OPENING_QUOTE) | (utf16 ? CLM_UTF16 : 0u);
    int n = ParseCStringLiteral(scratch, static_cast<unsigned>(scratchSize) | mode, text, nullptr);
    if (n < 0)
        n = 0;
    int limit = utf16 ? (capacity & ~1) : capacity;
    if (n > limit)
        n = limit;
    memcpy(buffer, scratch, n);
    if (scratch != local)
        free(scratch);
    return n;
}

int ParseDumpForm(const char* text, uint8_t* buffer, int capacity, int maskFlag)
{
    if (maskFlag && LooksMasked(text))
    {
        // Values in the lower half, masks in the upper half, then the masks are moved down
        // so that they stand right behind the values.
        int half = MinInt(capacity / 2, kMaxDumpCapacity);
        if (half < 1)
            return 0;
        int n = HexTextToBytes(buffer, buffer + half, static_cast<uint32_t>(half), text, nullptr);
        if (n <= 0)
            return 0;
        if (n > half)
            n = half;
        memmove(buffer + n, buffer + half, n);
        return 2 * n;
    }
    int n = HexPairsToBytes(buffer, static_cast<uint32_t>(MinInt(capacity, kMaxDumpCapacity)), text,
                            nullptr);
    return n < 0 ? 0 : n;
}

// Does the number keep its meaning in `bytes` bytes? A negative one (`value` its two's
// complement) must lie in the signed range. Any other in the unsigned range, or, typed in hex,
// binary or octal, as the bit pattern of a negative 32-bit (64-bit) number: "0xFFFFFFF1" is how
// the search dialog itself shows the byte F1.
bool FitsBytes(unsigned long long value, bool negative, bool pattern, int bytes)
{
    if (bytes >= 8)
        return true;
    const int bits = 8 * bytes;
    const long long lowest = -(1LL << (bits - 1));
    if (negative)
        return static_cast<long long>(value) >= lowest;
    if (value >> bits == 0)
        return true;
    if (!pattern)
        return false;
    const long long patterned = value >> 32 == 0 ? static_cast<int32_t>(static_cast<uint32_t>(value))
                                                 : static_cast<long long>(value);
    return patterned < 0 && patterned >= lowest;
}

// A number is the whole text: what stands behind it (but blanks and line ends) makes it no
// number, and so does one that does not fit 64 bits or the capacity. Nothing is written then
// (0): a pasted "-99999999999999999999" must not become 01 00 00 00 00 00 00 00, "300" for a
// byte must not search for 2C, and "12 GB" must not search for the number 12.
int ParseNumberForm(const char* text, uint8_t* buffer, int capacity)
{
    bool negative = *text == '-';
    const char* digits = text + (negative ? 1 : 0);
    int consumed = 0;
    bool overflow = false;
    // No sign and no blanks: the sign was taken above, and "- 5" is no number.
    unsigned long long value = static_cast<unsigned long long>(
        ParseInteger64Overflow(digits, IPF_NO_SIGN | IPF_NO_LEADING_BLANKS, &consumed, &overflow));
    if (consumed <= 0 || overflow)
        return 0;
    for (const char* rest = digits + consumed; *rest; ++rest)
        if (!IsBlank(*rest) && *rest != '\r' && *rest != '\n')
            return 0;
    int prefix = 0;
    if (digits[0] == '0' && digits[1] && strchr("xXbBoOdD", digits[1]) && consumed > 2)
        prefix = 2;
    // The most negative 64-bit number is the largest magnitude a sign may stand before.
    if (negative && value > (1ull << 63))
        return 0;
    if (negative)
        value = 0 - value;
    int width = consumed - prefix > 8 ? 8 : 4;
    int n = MinInt(width, capacity);
    if (!FitsBytes(value, negative && value != 0, prefix != 0 && !strchr("dD", digits[1]), n))
        return 0;
    for (int i = 0; i < n; ++i)
        buffer[i] = static_cast<uint8_t>(value >> (8 * i));
    return n;
}

inline uint8_t FoldAsciiLetter(uint8_t c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
}

bool MatchesAt(const uint8_t* data, const uint8_t* value, int size, int mode)
{
    switch (mode)
    {
    case SEARCH_IGNORE_CASE:
        for (int i = 0; i < size; ++i)
            if (FoldAsciiLetter(data[i]) != FoldAsciiLetter(value[i]))
                return false;
        return true;
    case SEARCH_MASKED:
    {
        const uint8_t* mask = value + size;
        for (int i = 0; i < size; ++i)
            if ((data[i] ^ value[i]) & mask[i])
                return false;
        return true;
    }
    default:
        return memcmp(data, value, size) == 0;
    }
}

// Positions tested between two looks at the abort word: even when every position is a
// candidate for a full compare of 256 bytes this is well under a millisecond.
const int kAbortBlock = 4096;

// A byte a forward scan keys on: position p is a candidate only when
// ((data[p + index] & mask) | fold) == want.
struct KeyByte
{
    int index;
    uint8_t mask, fold, want;
};

// The key of value byte i: folded to both cases when it is a letter and case is ignored
// ('A' | 0x20 == 'a', and nothing else gives 'a'); masked by its mask byte.
KeyByte KeyAt(const uint8_t* value, int size, int mode, int i)
{
    KeyByte key = {i, 0xFF, 0, value[i]};
    const uint8_t c = FoldAsciiLetter(value[i]);
    if (mode == SEARCH_IGNORE_CASE && c >= 'a' && c <= 'z')
    {
        key.fold = 0x20;
        key.want = c;
    }
    if (mode == SEARCH_MASKED)
    {
        key.mask = value[size + i];
        key.want = static_cast<uint8_t>(value[i] & key.mask);
    }
    return key;
}

// The two bytes a forward scan keys on: the first and the last; for a masked value the
// first and the last with a full mask, else with any mask bit (the same byte twice when
// there is only one). False when every mask bit is 0 (every position matches).
bool ChooseKeys(const uint8_t* value, int size, int mode, KeyByte keys[2])
{
    int first = 0, last = size - 1;
    if (mode == SEARCH_MASKED)
    {
        const uint8_t* mask = value + size;
        first = last = -1;
        for (int full = 1; full >= 0 && first < 0; --full)
            for (int i = 0; i < size; ++i)
                if (full ? mask[i] == 0xFF : mask[i] != 0)
                {
                    if (first < 0)
                        first = i;
                    last = i;
                }
        if (first < 0)
            return false;
    }
    keys[0] = KeyAt(value, size, mode, first);
    keys[1] = KeyAt(value, size, mode, last);
    return true;
}

bool HasSse2()
{
    static const bool present = IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE;
    return present;
}

struct KeyVectors
{
    __m128i mask, fold, want;
};

__attribute__((target("sse2"))) inline KeyVectors VectorsOf(const KeyByte& key)
{
    return {_mm_set1_epi8(static_cast<char>(key.mask)), _mm_set1_epi8(static_cast<char>(key.fold)),
            _mm_set1_epi8(static_cast<char>(key.want))};
}

// The candidates among 16 positions from `at` as a byte mask (0xFF where the key fits); a
// plain key needs neither its mask nor its fold.
template <bool Plain>
__attribute__((target("sse2"))) inline __m128i KeyFits16(const uint8_t* at, const KeyVectors& k)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    if (Plain)
        return _mm_cmpeq_epi8(bytes, k.want);
    return _mm_cmpeq_epi8(_mm_or_si128(_mm_and_si128(bytes, k.mask), k.fold), k.want);
}

// Tests the candidates of 16 positions from q in order: the first that matches, or -1.
inline int CompareCandidates(const uint8_t* data, const uint8_t* value, int size, int mode, int q, unsigned bits)
{
    while (bits)
    {
        const int at = q + __builtin_ctz(bits);
        if (MatchesAt(data + at, value, size, mode))
            return at;
        bits &= bits - 1;
    }
    return -1;
}

// Scans 16 positions at a time from *p while all 16 lie at or before `blockEnd` (the loads
// then stay below blockEnd + key index + 16, inside the data), 32 at a time while nothing
// fits: the first position that matches, or -1 with *p where the scan stopped. The stack is
// aligned on entry: a thread of the system (the progress worker) may start on a stack that is
// not 16-byte aligned, and the vectors spilled there need it.
template <bool Plain>
__attribute__((target("sse2"), force_align_arg_pointer)) int ScanBlockSse2(const uint8_t* data, const uint8_t* value,
                                                                           int size, int mode, const KeyByte keys[2],
                                                                           int* p, int blockEnd)
{
    const KeyVectors k0 = VectorsOf(keys[0]), k1 = VectorsOf(keys[1]);
    const uint8_t* at0 = data + keys[0].index;
    const uint8_t* at1 = data + keys[1].index;
    int q = *p;
    for (; q + 63 <= blockEnd; q += 64)
    {
        __m128i fits[4];
        for (int i = 0; i < 4; ++i)
            fits[i] = _mm_and_si128(KeyFits16<Plain>(at0 + q + 16 * i, k0), KeyFits16<Plain>(at1 + q + 16 * i, k1));
        if (!_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(fits[0], fits[1]), _mm_or_si128(fits[2], fits[3]))))
            continue;
        for (int i = 0; i < 4; ++i)
        {
            const int found = CompareCandidates(data, value, size, mode, q + 16 * i,
                                                static_cast<unsigned>(_mm_movemask_epi8(fits[i])));
            if (found >= 0)
                return found;
        }
    }
    for (; q + 15 <= blockEnd; q += 16)
    {
        const __m128i a = _mm_and_si128(KeyFits16<Plain>(at0 + q, k0), KeyFits16<Plain>(at1 + q, k1));
        const int found = CompareCandidates(data, value, size, mode, q, static_cast<unsigned>(_mm_movemask_epi8(a)));
        if (found >= 0)
            return found;
    }
    *p = q;
    return -1;
}

// The forward search over the positions [first, last], each of which leaves room for the
// whole value inside the data.
int ScanForward(const uint8_t* data, const uint8_t* value, int size, int first, int last, int mode,
                const volatile long* abort)
{
    KeyByte keys[2];
    if (!ChooseKeys(value, size, mode, keys))
        return (abort && *abort) ? -1 : first;
    const KeyByte& key = keys[0];
    const bool vector = HasSse2();
    int p = first;
    while (p <= last)
    {
        if (abort && *abort)
            return -1;
        const int blockEnd = last - p >= kAbortBlock ? p + kAbortBlock - 1 : last;
        if (vector)
        {
            const bool plain = key.mask == 0xFF && key.fold == 0 && keys[1].mask == 0xFF && keys[1].fold == 0;
            const int found = plain ? ScanBlockSse2<true>(data, value, size, mode, keys, &p, blockEnd)
                                    : ScanBlockSse2<false>(data, value, size, mode, keys, &p, blockEnd);
            if (found >= 0)
                return found;
        }
        for (; p <= blockEnd; ++p)
            if (((data[p + key.index] & key.mask) | key.fold) == key.want && MatchesAt(data + p, value, size, mode))
                return p;
    }
    return -1;
}

// Searches entry `e` over the inclusive position range [lo, hi], upwards or downwards.
int SearchEntryIn(const uint8_t* data, int dataSize, const SearchEntry& e, long long lo,
                  long long hi, bool downwards, const volatile long* abort)
{
    if (lo < 0)
        lo = 0;
    if (hi > static_cast<long long>(dataSize) - 1)
        hi = static_cast<long long>(dataSize) - 1;
    if (lo > hi)
        return -1;
    int count = static_cast<int>(hi - lo + 1);
    if (downwards)
        return SearchBytes(data, dataSize, e.value, e.size, static_cast<int>(hi), -count, e.mode, abort);
    return SearchBytes(data, dataSize, e.value, e.size, static_cast<int>(lo), count, e.mode, abort);
}

// Tests whether the further entries of the pattern lie near the first entry's match at m.
// [rangeLo, rangeHi] are the positions the whole search covers.
bool GroupAround(const uint8_t* data, int dataSize, const SearchPattern& pattern, int m,
                 long long rangeLo, long long rangeHi, uint32_t flags, SearchMatch* found,
                 const volatile long* abort)
{
    const long long distance = pattern.distance;
    const bool whole = (flags & VSF_WHOLE_ENTRIES) != 0;
    const long long farEnd = MinLL(static_cast<long long>(m) + distance, rangeHi + (whole ? 1 : 0));
    // Bounded by the lower end of the range in either direction: a backward search starts at
    // its upper end, and bounding by that start would leave no room before the first match.
    const long long nearStart = MaxLL(static_cast<long long>(m) - distance, rangeLo);
    long long previousEnd = static_cast<long long>(m) + pattern.entries[0].size;
    for (int i = 1; i < pattern.entryCount; ++i)
    {
        const SearchEntry& e = pattern.entries[i];
        // Whole entries: the last start is the one whose bytes end at the window's end, and
        // an entry before the first match ends before it.
        const long long lastStart = whole ? farEnd - e.size : farEnd;
        int p;
        if (flags & VSF_KEEP_ORDER)
        {
            // An ordered group reaches the distance past its first entry whatever the range:
            // find next and the wrap split the data at the cursor, and a group whose later
            // entry lay behind that split was never found. A byte window keeps its bounds.
            const long long orderedLast = whole ? lastStart : static_cast<long long>(m) + distance;
            p = SearchEntryIn(data, dataSize, e, previousEnd, orderedLast, false, abort);
        }
        else
        {
            p = SearchEntryIn(data, dataSize, e, static_cast<long long>(m) + pattern.entries[0].size,
                              lastStart, false, abort);
            if (p < 0)
                p = SearchEntryIn(data, dataSize, e, nearStart,
                                  static_cast<long long>(m) - (whole ? e.size : 1), true, abort);
        }
        if (p < 0)
            return false;
        found[i].offset = p;
        found[i].length = e.size;
        previousEnd = static_cast<long long>(p) + e.size;
    }
    return true;
}

// One entry line: type letter, ":", count, options, ":" and the value text.
bool CompileEntry(const char* line, SearchEntry* entry)
{
    while (IsBlank(*line))
        ++line;
    if (!*line)
        return false;
    entry->type = *line;
    const char* countText = strchr(line, ':');
    if (!countText)
        return false;
    ++countText;
    int consumed = 0;
    int declared = ParseInteger(countText, IPF_RADIX_AUTO, &consumed);
    const char* valueText = strchr(countText + consumed, ':');
    if (!valueText)
        return false;
    bool ignoreCase = false;
    for (const char* p = countText + consumed; p < valueText; ++p)
        if (*p == 'G')
            ignoreCase = true;
    bool masked = entry->type == 'M';
    entry->declaredCount = declared;
    // The mask reading is asked for only by mask entries: any other entry whose hex text
    // happened to hold a "#" would otherwise compare its mask bytes as data.
    int parsed = ParseSearchText(valueText, entry->value, VS_SLOT_SIZE, masked ? 1 : 0);
    if (parsed <= 0)
        return false;
    // The declared count may come from an old or hand-edited registry value; the compare
    // never reaches past the bytes the value text actually gave.
    if (masked)
    {
        int half = parsed / 2;
        int size = MinInt(declared / 2, half);
        if (size < 1)
            return false;
        memmove(entry->value + size, entry->value + (parsed - half), size);
        entry->size = size;
        entry->mode = SEARCH_MASKED;
    }
    else
    {
        int size = MinInt(declared, parsed);
        if (size < 1)
            return false;
        entry->size = size;
        entry->mode = ignoreCase ? SEARCH_IGNORE_CASE : SEARCH_EXACT;
    }
    return true;
}

}  // namespace

bool LooksMasked(const char* colon)
{
    for (const char* p = colon + 1; *p; ++p)
    {
        if (*p == '(')
            return false;
        if (*p == ':' || *p == '#')
            return true;
    }
    return false;
}

int ParseSearchText(const char* text, uint8_t* buffer, uint32_t capacityAndFlags, int maskFlag)
{
    if (!text)
        return -1;
    const bool utf16 = (capacityAndFlags & VS_CAPACITY_UTF16) != 0;
    const uint32_t rawCapacity = capacityAndFlags & ~static_cast<uint32_t>(VS_CAPACITY_UTF16);
    const int capacity = (rawCapacity & 0x80000000u) ? 0 : static_cast<int>(rawCapacity);
    while (IsBlank(*text))
        ++text;
    if (!*text)
        return -1;
    if (!buffer || capacity < 1)
        return 0;
    if (*text == '"')
        return ParseTextForm(text, true, buffer, capacity, utf16);
    if (*text == ':')
        return ParseDumpForm(text, buffer, capacity, maskFlag);
    if (*text == '-' || IsDecimalDigit(*text))
        return ParseNumberForm(text, buffer, capacity);
    return ParseTextForm(text, false, buffer, capacity, utf16);
}

int SearchBytes(const uint8_t* data, int dataSize, const uint8_t* value, int size, int start,
                int count, int mode, const volatile long* abort)
{
    if (size < 1)
        return start;
    if (!data || !value || dataSize < size || count == 0)
        return -1;
    // Inclusive range of the positions asked for, cut to the starts at which the whole value
    // lies inside the data. 64-bit, so that start + count cannot wrap.
    long long lo, hi;
    if (count > 0)
    {
        lo = start;
        hi = static_cast<long long>(start) + count - 1;
    }
    else
    {
        hi = start;
        lo = static_cast<long long>(start) + count + 1;
    }
    if (lo < 0)
        lo = 0;
    const long long last = static_cast<long long>(dataSize) - size;
    if (hi > last)
        hi = last;
    if (lo > hi)
        return -1;
    const int firstStart = static_cast<int>(lo);
    const int lastStart = static_cast<int>(hi);
    if (count > 0)
        return ScanForward(data, value, size, firstStart, lastStart, mode, abort);
    else
    {
        for (int p = lastStart; p >= firstStart; --p)
        {
            if (abort && ((lastStart - p) & (kAbortBlock - 1)) == 0 && *abort)
                return -1;
            if (MatchesAt(data + p, value, size, mode))
                return p;
        }
    }
    return -1;
}

int CompileSearchPattern(const char* patternList, SearchPattern* pattern)
{
    if (!pattern)
        return 0;
    pattern->distance = 0;
    pattern->entryCount = 0;
    if (!patternList)
        return 0;
    // The first text is the distance; it is always there, even when empty, so the entries
    // begin behind its NUL.
    int distance = ParseInteger(patternList, IPF_RADIX_AUTO, nullptr);
    const char* line = patternList + strlen(patternList) + 1;
    int count = 0;
    while (*line && count < VS_MAX_ENTRIES)
    {
        if (!CompileEntry(line, &pattern->entries[count]))
            return 0;
        ++count;
        line += strlen(line) + 1;
    }
    pattern->distance = distance < 0 ? 0 : distance;
    pattern->entryCount = count;
    return count;
}

int MatchSearchPattern(const uint8_t* data, int dataSize, const SearchPattern& pattern, int start,
                       int count, uint32_t flags, SearchMatch* matches, const volatile long* abort)
{
    if (!data || dataSize < 1 || count == 0 || pattern.entryCount < 1 ||
        pattern.entryCount > VS_MAX_ENTRIES)
        return -1;
    for (int i = 0; i < pattern.entryCount; ++i)
    {
        const SearchEntry& e = pattern.entries[i];
        int bytes = e.mode == SEARCH_MASKED ? 2 * e.size : e.size;
        if (e.size < 1 || bytes > VS_SLOT_SIZE)
            return -1;
    }
    const bool backwards = count < 0;
    long long rangeLo, rangeHi;
    if (backwards)
    {
        rangeHi = start;
        rangeLo = static_cast<long long>(start) + count + 1;
    }
    else
    {
        rangeLo = start;
        rangeHi = static_cast<long long>(start) + count - 1;
    }
    rangeLo = MaxLL(rangeLo, 0);
    rangeHi = MinLL(rangeHi, static_cast<long long>(dataSize) - 1);
    if (rangeLo > rangeHi)
        return -1;

    const SearchEntry& first = pattern.entries[0];
    SearchMatch found[VS_MAX_ENTRIES];
    long long lo = rangeLo;
    long long hi = rangeHi;
    while (lo <= hi)
    {
        int m = SearchEntryIn(data, dataSize, first, lo, hi, backwards, abort);
        if (m < 0)
            return -1;
        found[0].offset = m;
        found[0].length = first.size;
        if (GroupAround(data, dataSize, pattern, m, rangeLo, rangeHi, flags, found, abort))
        {
            if (matches)
                memcpy(matches, found, pattern.entryCount * sizeof found[0]);
            return m;
        }
        if (backwards)
            hi = static_cast<long long>(m) - 1;
        else
            lo = static_cast<long long>(m) + 1;
    }
    return -1;
}

int FindPatternInData(const uint8_t* data, int dataSize, const char* patternList, int start,
                      int count, uint32_t flags, SearchMatch* matches, const volatile long* abort)
{
    SearchPattern pattern;
    if (CompileSearchPattern(patternList, &pattern) < 1)
        return -1;
    return MatchSearchPattern(data, dataSize, pattern, start, count, flags, matches, abort);
}
