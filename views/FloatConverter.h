// The floating-point converter's rules without its window: 8 bytes are shown as a double
// (all 8 bytes), as a float (the first 4), as a hex dump and as the mantissa and exponent
// fields of both; editing any one field rewrites the bytes and so the others.
#pragma once
#include <stdint.h>

enum FloatField
{
    FF_DOUBLE = 0,
    FF_FLOAT,
    FF_HEX,
    FF_DOUBLE_MANTISSA,
    FF_DOUBLE_EXPONENT,
    FF_FLOAT_MANTISSA,
    FF_FLOAT_EXPONENT,
    FF_COUNT,
};

enum FloatSource
{
    FS_DOUBLE = 0,
    FS_FLOAT = 1,
    FS_BYTES = 2,
};

enum { FLOAT_FIELD_SIZE = 64 };   // every field text fits in 63 characters

class CFloatConverter
{
public:
    CFloatConverter();

    // Opening: kind 0 the 8 bytes as a double, 1 the first 4 as a float (count 4), any
    // other the bytes as both (count 8, or fewer given). The bytes beyond the count are
    // cleared.
    void Open(const uint8_t* bytes, int count, int kind);

    // The text of a field as it is shown.
    void FieldText(int field, char* text) const;

    // The user changed a field: its text is read and the bytes follow. False (the field is
    // shown red, the bytes keep their last good value) when the text does not parse or is
    // out of range.
    bool Edit(int field, const char* text);

    // The swap buttons: the bytes of each 16-bit pair, the 16-bit halves of each 32-bit
    // word, the two 32-bit halves.
    void SwapBytes();
    void SwapWords();
    void SwapQWords();

    // A mantissa or exponent field on entry: its text up to " >", so only the number is
    // edited. Other fields keep their text. Returns the length.
    static int TextOnEntry(int field, const char* text, char* out, int size);

    const uint8_t* Bytes() const { return m_bytes; }
    int Count() const { return m_count; }
    int Source() const { return m_source; }
    bool Valid(int field) const { return field >= 0 && field < FF_COUNT ? m_valid[field] : false; }
    double DoubleValue() const;
    float FloatValue() const;

private:
    void SetDoubleBits(uint64_t bits);
    void SetFloatBits(uint32_t bits);
    uint64_t DoubleBits() const;
    uint32_t FloatBits() const;

    uint8_t m_bytes[8];
    int m_count;
    int m_source;
    bool m_valid[FF_COUNT];
};
