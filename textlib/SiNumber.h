// A byte count as short text with a unit prefix ("512 Bytes", "4,0 KB", "1,5 GB"), as the
// structure printers show sector, cluster and block sizes.
#pragma once
#include <windows.h>

// Flag bits of FormatSiNumber; other bits are ignored. The printers pass
// SIN_PRINTER_SIZE (0x8000830C) with precision 1.
enum SiNumberFlags : DWORD {
    SIN_BINARY_STEPS    = 0x00000004,   // steps of 1024 and prefix "K"; else 1000 and "k"
    SIN_BYTE_UNIT       = 0x00000008,   // the unit is the byte: "KB", "MB", ...; "Bytes"
                                        // below the first step; else prefixes alone
    SIN_UNIT_BLANK      = 0x00000100,   // a blank between the number and its unit
    SIN_DECIMAL_COMMA   = 0x00000200,   // "," before the decimals, as German text has it; else "."
    SIN_USE_PRECISION   = 0x00008000,   // the precision gives the decimals (0 to 9, clamped);
                                        // without it no decimals
    SIN_WHOLE_BELOW_STEP = 0x80000000,  // below the first step the exact count without
                                        // decimals ("512 Bytes", "1 Byte")
    SIN_PRINTER_SIZE    = 0x8000830C
};

// Writes the 64-bit value (low and high word) into `buffer` and terminates it; returns the
// length. The prefixes run k/K, M, G, T, P, E (E at most). The largest step the value reaches
// is taken, the value divided by it and rounded to the decimals as "%.*f" rounds (half to
// even on the exact binary quotient); if rounding reaches the next step ("1024,0 KB"), the
// next prefix is taken ("1,0 MB"). The singular "Byte" is used only for the exact count 1.
// Examples with SIN_PRINTER_SIZE and precision 1: 0 "0 Bytes", 1 "1 Byte", 1023
// "1023 Bytes", 1024 "1,0 KB", 1536 "1,5 KB", 2^40 "1,0 TB", 2^64 - 1 "16,0 EB".
// At most 20 characters and the terminator ("1023,000000000 Bytes"); a buffer of 24 is
// always enough. A NULL buffer gives 0. `reserved` is not used (pass NULL).
int FormatSiNumber(DWORD low, DWORD high, char* buffer, DWORD flags, int precision,
                   void* reserved);
