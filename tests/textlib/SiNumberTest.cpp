#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "textlib/SiNumber.h"

namespace {

std::string Format(uint64_t value, DWORD flags = SIN_PRINTER_SIZE, int precision = 1)
{
    char buffer[64];
    memset(buffer, '#', sizeof(buffer));
    int length = FormatSiNumber(static_cast<DWORD>(value), static_cast<DWORD>(value >> 32), buffer,
                                flags, precision, NULL);
    EXPECT_EQ(length, static_cast<int>(strlen(buffer)));
    EXPECT_LE(length, 20);
    return buffer;
}

// The printers' text computed another way: the C library's "%.1f" of the double quotient,
// moving to the next prefix while the rounded number reaches 1024.
std::string ExpectedPrinterSize(uint64_t value)
{
    if (value < 1024)
        return std::to_string(value) + (value == 1 ? " Byte" : " Bytes");
    const char* prefixes = "KMGTPE";
    int level = 0;
    double divisor = 1.0;
    while (level < 6 && static_cast<double>(value) / divisor >= 1024.0) {
        divisor = ldexp(1.0, 10 * (level + 1));
        level++;
    }
    char number[64];
    for (;;) {
        __mingw_snprintf(number, sizeof(number), "%.1f", static_cast<double>(value) / divisor);
        if (level == 6 || atof(number) < 1024.0)
            break;
        level++;
        divisor = ldexp(1.0, 10 * level);
    }
    for (char* c = number; *c; c++)
        if (*c == '.')
            *c = ',';
    return std::string(number) + " " + prefixes[level - 1] + "B";
}

}  // namespace

TEST(SiNumber, PrinterSizesOnBoundaries)
{
    const uint64_t values[] = { 0, 1, 2, 512, 1023, 1024, 1025, 1536, 2047, 2048, 4096,
                                1048575, 1048576, 1073741823, 1073741824, 1ULL << 40,
                                (1ULL << 40) - 1, 1ULL << 50, 1ULL << 60, (1ULL << 60) - 1,
                                0x8000000000000000ULL, UINT64_MAX };
    for (uint64_t value : values)
        EXPECT_EQ(Format(value), ExpectedPrinterSize(value)) << value;
    // By hand: 1536 / 1024 = 1.5; 1048575 / 1024 = 1023.999 rounds up to the next prefix;
    // 2^64 - 1 is 2^64 as a double, 2^64 / 2^60 = 16.
    EXPECT_EQ(Format(0), "0 Bytes");
    EXPECT_EQ(Format(1), "1 Byte");
    EXPECT_EQ(Format(1023), "1023 Bytes");
    EXPECT_EQ(Format(1024), "1,0 KB");
    EXPECT_EQ(Format(1536), "1,5 KB");
    EXPECT_EQ(Format(1048575), "1,0 MB");
    EXPECT_EQ(Format(1ULL << 40), "1,0 TB");
    EXPECT_EQ(Format(UINT64_MAX), "16,0 EB");
}

TEST(SiNumber, PrinterSizesOnRandomValues)
{
    std::mt19937_64 random(1234);
    for (int i = 0; i < 20000; i++) {
        uint64_t value = random() >> (random() % 64);
        ASSERT_EQ(Format(value), ExpectedPrinterSize(value)) << value;
    }
    for (int shift = 0; shift < 64; shift++) {   // the sizes the printers meet: powers of two
        uint64_t value = 1ULL << shift;
        ASSERT_EQ(Format(value), ExpectedPrinterSize(value)) << value;
    }
}

TEST(SiNumber, OtherFlagCombinations)
{
    // Steps of 1000, prefixes alone, decimal point, no blank: 1500 / 1000 = 1.5.
    EXPECT_EQ(Format(1500, SIN_USE_PRECISION, 2), "1.50k");
    EXPECT_EQ(Format(999, SIN_USE_PRECISION, 2), "999.00");
    EXPECT_EQ(Format(999, SIN_USE_PRECISION | SIN_WHOLE_BELOW_STEP, 2), "999");
    EXPECT_EQ(Format(2500000, SIN_BYTE_UNIT | SIN_UNIT_BLANK), "2 MB");   // 2.5 rounds to even
    EXPECT_EQ(Format(3500000, SIN_BYTE_UNIT | SIN_UNIT_BLANK), "4 MB");
    EXPECT_EQ(Format(512, SIN_BYTE_UNIT | SIN_UNIT_BLANK | SIN_USE_PRECISION, 1), "512.0 Bytes");
    EXPECT_EQ(Format(1, SIN_BYTE_UNIT | SIN_UNIT_BLANK | SIN_USE_PRECISION, 1), "1.0 Bytes");
    EXPECT_EQ(Format(3ULL << 30, SIN_BINARY_STEPS | SIN_DECIMAL_COMMA | SIN_USE_PRECISION, 3), "3,000G");
    EXPECT_EQ(Format(1000000000000000000ULL, SIN_BYTE_UNIT | SIN_USE_PRECISION, 1), "1.0EB");
    // The precision is clamped to 0..9; unknown bits change nothing.
    EXPECT_EQ(Format(1023, SIN_USE_PRECISION | SIN_UNIT_BLANK | SIN_BYTE_UNIT | SIN_BINARY_STEPS, 40),
              "1023.000000000 Bytes");
    EXPECT_EQ(Format(1536, SIN_PRINTER_SIZE, -3), "2 KB");
    EXPECT_EQ(Format(1536, SIN_PRINTER_SIZE | 0x7F0000F3, 1), "1,5 KB");
}

TEST(SiNumber, NullBufferAndReservedPointer)
{
    EXPECT_EQ(FormatSiNumber(1024, 0, NULL, SIN_PRINTER_SIZE, 1, NULL), 0);
    char buffer[32];
    int ignored = 0;
    EXPECT_EQ(FormatSiNumber(2048, 0, buffer, SIN_PRINTER_SIZE, 1, &ignored), 6);
    EXPECT_STREQ(buffer, "2,0 KB");
}
