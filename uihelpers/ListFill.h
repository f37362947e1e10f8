// Filling list boxes and combo boxes from separated text, and most-recent-first histories.
// A window of the class "ListBox" (the name compared without regard to case) is driven with
// the list box messages, every other window with the combo box messages.
#pragma once
#include <windows.h>

// Adds every non-empty segment of the text (split at the separator byte; separator 0 reads a
// list of NUL-ended texts ended by an empty one), cut to 255 bytes, with the add-string
// message, so a sorted box sorts them. With `clear` the box is emptied first. A selection
// the box had is set again (item 0 after clearing). Returns the number of items added.
int FillListFromText(HWND box, const char* text, char separator, BOOL clear);

// FillListFromText on a control of a dialog.
int FillDlgListFromText(HWND dialog, int controlId, const char* text, char separator, BOOL clear);

// Puts the text in front of the box's items and removes the other items equal to it
// (exactly with caseSensitive, otherwise without regard to case) and those beyond
// `maximum` entries. A selection the box had moves to item 0. Returns 0.
int AddToHistoryList(HWND box, const char* text, int maximum, BOOL caseSensitive);
