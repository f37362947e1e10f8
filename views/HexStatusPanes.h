// The texts of the hex view's two status-bar panes: " Adr: " with the cursor address and
// the selection, and " Wert: " with the value under the cursor (or the selection's first up
// to 4 bytes) in hex and decimal.
#pragma once
#include "views/HexCursor.h"

#include <stdint.h>

// Status mode bits ("StatusbarMode").
enum HexStatusMode : uint32_t
{
    HSM_VALUE_SIZE_MASK = 0x0003,  // index into {1, 2, 4, 4} bytes
    HSM_REFRESH = 0x1000,          // write both panes at the next refresh
    HSM_HEX_LENGTH = 0x2000,       // selection length in hex
    HSM_BIG_ENDIAN = 0x4000,       // the value read big-endian
    HSM_UNSIGNED = 0x8000,         // the value not sign-extended
};

enum { HEX_STATUS_TEXT_SIZE = 96 };

// Pane 0: " Adr: 0x1A2 / " and either "M: +" or "M: -" (the selection made forwards or
// backwards) with its length, or the address again in decimal.
int FormatHexAddressPane(const CHexModel& model, uint32_t statusMode, char* text, int size);

// Pane 1: " Wert: 0x" hex digits " / " decimal. Near the end of the data only the bytes
// that exist are read; with no byte to read the pane is " Wert:".
int FormatHexValuePane(const CHexModel& model, uint32_t statusMode, char* text, int size);
