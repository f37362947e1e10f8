// Data exchange between dialog fields and variables for the dialogs' DoDataExchange, beside
// the class library's DDX_ routines. The difference that matters: loading never rewrites a
// field whose text already equals the new text, so the caret, the selection and any typing
// in progress survive a reload, and no change notification is raised for nothing. Saving
// never fails: what does not parse reads as far as it goes.
#pragma once
#include <windows.h>

class CDataExchange;
class CString;

// Combo box text. Saving takes the selected item's text when an item is selected (a new
// selection is seen before the edit field has followed it), else the window text. Loading
// compares with the selected item's text, or the window text when none is selected (read up
// to 1023 characters), and sets the variable as the window text only when they differ.
void DdxComboText(CDataExchange* pDX, int id, CString& value);

// A 32-bit integer: saving reads the window text (at most 31 characters) with the C library's
// decimal conversion ("12abc" gives 12); loading writes it in decimal.
void DdxInt(CDataExchange* pDX, int id, int& value);

// A character buffer of `size` bytes (with the terminator): saving copies the window text
// into it, loading compares with the shown text (up to 259 characters).
void DdxText(CDataExchange* pDX, int id, char* buffer, int size);

// A decimal number with `decimals` (0-9) places: loading writes the value rounded to the
// places, its integer digits grouped in threes with blanks ("1 234 567.89", "-0.50"), at
// most four blanks; saving skips blanks anywhere, takes a leading "-", and a point or a
// comma before the places (at most `decimals` of them are read). A value whose digits do not
// fit in 64 bits, an infinity included, is shown as the largest 64-bit magnitude; a NaN as 0.
void DdxDouble(CDataExchange* pDX, int id, double& value, int decimals);
void DdxFloat(CDataExchange* pDX, int id, float& value, int decimals);
// The field shows value × factor; saving divides by the factor (a factor of 0 is taken as 1).
void DdxFloatScaled(CDataExchange* pDX, int id, float& value, double factor, int decimals);

// A value or a range, from the "from" edit `fromId` and the controls after it in the dialog's
// order, which have no ids of their own: an optional label, the "to" edit, an optional second
// label and a mode selector (a radio group, exchanged as its index, or a combo box). Mode 5
// is a range ("Von :" / "Bis :", both edits enabled), modes 1-4 a single value ("Wert :",
// the "to" edit disabled), mode 0 disables both edits. The selector index counts only the
// modes whose bit is set in `allowedModes`; an index past mode 5 means mode 0.
void DdxRange(CDataExchange* pDX, int fromId, int& from, int& to, int& mode, unsigned allowedModes);

// With an item selected, the combo box's text is written back into its edit field, keeping
// the edit selection.
void ComboRefreshEditText(HWND combo);

// The load direction's number text of DdxDouble, without a window (the buffer holds 40).
int FormatGroupedDecimal(double value, int decimals, char* text, int size);
// The save direction's reading of such a text.
double ParseGroupedDecimal(const char* text, int decimals);
