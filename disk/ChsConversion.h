// The arithmetic of "CHS zu Sektor": cylinder/head/sector <-> sector number for a disk
// geometry, recomputed from the field texts as the user types. No window: the dialog hands
// in its seven texts and the field being edited, and shows what comes back.
#pragma once
#include <stdint.h>

enum ChsField {
    CHS_CYLINDERS = 0,        // cylinders of the disk
    CHS_HEADS = 1,            // heads of the disk
    CHS_SECTORS_PER_TRACK = 2,
    CHS_C = 3,                // the address: cylinder, head, sector
    CHS_H = 4,
    CHS_S = 5,
    CHS_NUMBER = 6,           // the sector number
    CHS_FIELD_COUNT = 7
};

struct ChsConversion {
    // The value of every field after the step (those computed, and those read as typed).
    int64_t value[CHS_FIELD_COUNT];
    // A field outside its range or not consistent with the geometry.
    bool marked[CHS_FIELD_COUNT];
    // The texts to show; the edited field keeps what the user typed (its text here is "").
    char text[CHS_FIELD_COUNT][24];
};

// Reads the seven texts as 64-bit expressions and converts from the edited field: from the
// sector number (also when a geometry field is edited) to C/H/S, or from C, H or S to the
// number; with no field edited (-1: the focus is outside them) nothing is converted and every
// field shows its value as read. Geometry values of 0 and below count as 1 in the formulas.
// The numbers are 64-bit throughout: a sector beyond 2 TiB is shown as it is and marked,
// never wrapped; a C/H/S that adds up past 64 bits marks the number and leaves its text empty.
void ConvertChs(const char* const texts[CHS_FIELD_COUNT], int editedField, ChsConversion* out);
