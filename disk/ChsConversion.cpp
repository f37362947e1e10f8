#include "disk/ChsConversion.h"

#include "services/Eval.h"
#include "textlib/StrPrintf.h"

#include <cstring>

namespace {

// The range each field may hold: the C/H/S address and the sector number are 32-bit on disk
// (a partition entry), heads are 1 to 255 and sectors 1 to 63 in the BIOS interface.
struct FieldRange {
    int64_t low;
    int64_t high;
};

const FieldRange kRanges[CHS_FIELD_COUNT] = {
    {1, 0xFFFFFFFFll}, {1, 255}, {1, 63}, {0, 0xFFFFFFFFll}, {0, 254}, {1, 63}, {0, 0xFFFFFFFFll},
};

uint64_t AsFactor(int64_t value)
{
    return value > 0 ? static_cast<uint64_t>(value) : 1;
}

}  // namespace

void ConvertChs(const char* const texts[CHS_FIELD_COUNT], int editedField, ChsConversion* out)
{
    std::memset(out, 0, sizeof(*out));
    // Each field counts with what its expression reads up to where it stops ("12x" is 12,
    // "abc" is 0); only the ranges and the geometry mark a field.
    for (int i = 0; i < CHS_FIELD_COUNT; ++i) {
        long long typed = 0;
        if (texts[i])
            EvalInt64(texts[i], &typed, nullptr);
        out->value[i] = typed;
    }
    const bool fromChs = editedField == CHS_C || editedField == CHS_H || editedField == CHS_S;
    // With the focus outside the fields nothing is being edited: every field keeps its value.
    const bool fromNumber = !fromChs && editedField >= 0 && editedField < CHS_FIELD_COUNT;

    const uint64_t cylinders = AsFactor(out->value[CHS_CYLINDERS]);
    const uint64_t heads = AsFactor(out->value[CHS_HEADS]);
    const uint64_t perTrack = AsFactor(out->value[CHS_SECTORS_PER_TRACK]);
    bool numberOverflow = false;

    if (fromChs) {
        // A negative part is marked below; the sum is taken from its 64-bit pattern, and a
        // sum that does not fit 64 bits is marked rather than shown wrapped.
        uint64_t number = 0;
        numberOverflow = __builtin_mul_overflow(static_cast<uint64_t>(out->value[CHS_C]), heads, &number)
                         || __builtin_add_overflow(number, static_cast<uint64_t>(out->value[CHS_H]), &number)
                         || __builtin_mul_overflow(number, perTrack, &number)
                         || __builtin_add_overflow(number, static_cast<uint64_t>(out->value[CHS_S]), &number);
        out->value[CHS_NUMBER] = static_cast<int64_t>(number - 1);
    } else if (fromNumber) {
        const uint64_t number = out->value[CHS_NUMBER] > 0 ? static_cast<uint64_t>(out->value[CHS_NUMBER]) : 0;
        out->value[CHS_S] = static_cast<int64_t>(number % perTrack + 1);
        out->value[CHS_H] = static_cast<int64_t>(number / perTrack % heads);
        out->value[CHS_C] = static_cast<int64_t>(number / perTrack / heads);
    }

    for (int i = 0; i < CHS_FIELD_COUNT; ++i)
        out->marked[i] = out->value[i] < kRanges[i].low || out->value[i] > kRanges[i].high;
    if (out->value[CHS_C] >= 0 && static_cast<uint64_t>(out->value[CHS_C]) >= cylinders)
        out->marked[CHS_C] = true;
    if (out->value[CHS_H] >= 0 && static_cast<uint64_t>(out->value[CHS_H]) >= heads)
        out->marked[CHS_H] = true;
    if (out->value[CHS_S] >= 0 && static_cast<uint64_t>(out->value[CHS_S]) > perTrack)
        out->marked[CHS_S] = true;
    uint64_t capacity = 0;
    const bool huge = __builtin_mul_overflow(perTrack, heads, &capacity)
                      || __builtin_mul_overflow(capacity, cylinders, &capacity);
    if (numberOverflow
        || (!huge && out->value[CHS_NUMBER] >= 0 && static_cast<uint64_t>(out->value[CHS_NUMBER]) > capacity))
        out->marked[CHS_NUMBER] = true;

    // A sector number past 64 bits has no value to show: its field stays empty (and marked)
    // rather than showing the part computed before the overflow.
    for (int i = 0; i < CHS_FIELD_COUNT; ++i)
        if (i != editedField && !(i == CHS_NUMBER && numberOverflow))
            StrNPrintf(out->text[i], sizeof(out->text[i]), "%I64i", static_cast<long long>(out->value[i]));
}
