// The CRC calculator without its window: presets, the three table-driven algorithms, the
// polynomial formula, and the recalculation that keeps the dialog's texts (width, both
// polynomial forms, formula, start value) in step and gives the nine results.
//
// Polynomials come in two forms: "reflected" (bit 0 is the coefficient of x^(width-1), the
// form of right-shifting CRCs such as CRC-32's 0xEDB88320) and "normal" (bit i is the
// coefficient of x^i, 0x04C11DB7). Algorithm A shifts right with the reflected form,
// B shifts left with the normal form, C shifts one bit at a time and suits widths under 8.
// All arithmetic is unsigned 64-bit; a shift by 64 or more gives 0.
#pragma once
#include <stdint.h>

#include "classlib/String.h"

struct CrcPreset
{
    const char* name;
    uint32_t width;
    uint64_t polynomial;   // reflected form
};

const int kCrcPresetCount = 19;
extern const CrcPreset CrcPresetTable[kCrcPresetCount];

enum CrcAlgorithm
{
    CRC_ALGO_NONE = 0,
    CRC_ALGO_A = 1,
    CRC_ALGO_B = 2,
    CRC_ALGO_C = 3,
};

uint64_t CrcShiftLeft(uint64_t value, unsigned count);
uint64_t CrcShiftRight(uint64_t value, unsigned count);
// All ones in the low `width` bits (all 64 for 64).
uint64_t CrcMask(unsigned width);
// "0x" and at least (width + 3) / 4 upper-case hexadecimal digits; the length (out holds 19).
int FormatCrcValue(uint64_t value, unsigned width, char* out);

void BuildCrcTableA(uint64_t reflected, uint64_t table[256]);
// Algorithm B is the CRC most significant bit first at every width: each entry is what one
// byte entering at the register's top bit leaves in an empty register.
void BuildCrcTableB(uint64_t normal, unsigned width, uint64_t table[256]);
// Entries are kept to the width: below 7 bits the index bits above it would otherwise
// stay in every entry and every result.
void BuildCrcTableC(uint64_t normal, unsigned width, uint64_t table[256]);
uint64_t RunCrcA(const uint64_t table[256], uint64_t crc, const uint8_t* data, int count);
uint64_t RunCrcB(const uint64_t table[256], unsigned width, uint64_t crc, const uint8_t* data, int count);
uint64_t RunCrcC(const uint64_t table[256], uint64_t crc, const uint8_t* data, int count);

// A polynomial typed as powers of x ("x^16 + x^12 + x^5 + 1", "x'3+x+1", "x3+x+1",
// exponents also in braces); an "=" ends it. `bits` holds the terms below x^64, `width`
// the highest exponent (at least 1).
struct CrcFormula
{
    unsigned width;
    uint64_t bits;
    bool error;
};
CrcFormula ParseCrcFormula(const char* text);
// The formula of a reflected polynomial: "x^w", then " + x^i" for each term, " + x", " + 1".
CString CrcFormulaText(uint64_t reflected, unsigned width);

// The C source of one algorithm (A, B or C): register type, the table as computed, the
// calculation with the start value built in and a table generator that builds the same
// table. Lines end with CR LF. The POLYNOM of A is `reflectedText`, that of B `normalText`:
// the texts the two polynomial fields hold.
CString BuildCrcSource(int algorithm, unsigned width, uint64_t start, const char* reflectedText,
                       const char* normalText, uint64_t normal, const uint64_t table[256]);

// What set off a recalculation: the field the user changed.
enum CrcTrigger
{
    CRC_TRIGGER_ALL = -1,
    CRC_TRIGGER_PRESET = 0,
    CRC_TRIGGER_WIDTH = 1,
    CRC_TRIGGER_REFLECTED = 2,
    CRC_TRIGGER_NORMAL = 3,
    CRC_TRIGGER_FORMULA = 4,
    CRC_TRIGGER_START = 5,
};

// The fields a recalculation asks the dialog to write (the results always).
enum CrcWrite : unsigned
{
    CRCW_PRESET = 0x01,
    CRCW_WIDTH = 0x02,
    CRCW_REFLECTED = 0x04,
    CRCW_NORMAL = 0x08,
    CRCW_FORMULA = 0x10,
    CRCW_START = 0x20,
    CRCW_SOURCE = 0x40,
    CRCW_FORMULA_COLOR = 0x80,   // the formula field changes between red and normal
    CRCW_FIELD_COLOR = 0x100,    // a typed width or value field changes between red and normal
};

class CCrcCalculator
{
public:
    CCrcCalculator();

    // The dialog's exchanged fields.
    int invert;                // "Ergebniss invertieren"
    int algorithm;             // CrcAlgorithm of the source
    int preset;                // row of CrcPresetTable
    CString widthText;
    CString normalText;
    CString reflectedText;
    CString startText;
    CString formulaText;

    // The values behind them.
    uint64_t reflected;
    uint64_t normal;
    uint64_t mask;
    uint64_t start;
    unsigned width;

    const uint8_t* data;       // borrowed, never written
    int length;

    // A with the start value, from 0 and from all ones; then B, then C.
    uint64_t results[9];
    uint64_t tables[3][256];
    CString source;            // the text of the last source written (CRCW_SOURCE)
    int formulaError;
    // The typed field (CRCW_WIDTH, CRCW_REFLECTED, CRCW_NORMAL or CRCW_START) that holds no
    // whole number of the width ("12 x", "0x1FFFF" for 16 bits), shown red; 0 for none. It
    // mends results standing unmarked beside a field whose text is not the number they used
    // (the field is only rewritten when it is left).
    unsigned fieldError;

    // Forgets the tables so that the next recalculation builds them (and the source).
    void ClearCache();
    // The source is written again at the next recalculation.
    void ForgetCachedWidth() { m_cachedWidth = 0; }

    // Reads the texts, brings the other forms in step with the one the user changed,
    // computes the results and sets the texts to write; returns the CrcWrite bits.
    unsigned Recalculate(int trigger);

    // The result text of results[index], in the width's format.
    void ResultText(int index, char* out) const { FormatCrcValue(results[index], width, out); }

private:
    void UpdateRemembered(int trigger);

    int m_rememberedPoly;
    int m_rememberedStart;
    CString m_rememberedPolyText;
    CString m_rememberedStartText;
    uint64_t m_cachedReflected;
    unsigned m_cachedWidth;
};
