// A combo box's history in the registry: a REG_MULTI_SZ value of texts, newest first, at
// most 16 entries. A value name that begins with "#" (when saving also "*", then "#") is
// stored without that prefix, and its first text is the combo box's edit text marked with a
// leading 0x02 byte, followed by the history entries.
//
// Key paths: "#rest" is the subkey "rest" of the application key ("#" alone is the
// application key itself); any other path is opened from HKEY_CURRENT_USER unchanged.
// Loading opens the key for reading, saving in create mode.
#pragma once
#include <windows.h>

class CRegistry;
class CString;

// Fills the combo box `controlId` of the dialog from the value; the first text of the value
// (without its mark) is copied into the buffer when one is given (size above 0), cut to
// size - 1 characters. Returns the number of items added; 0 when the key or the value
// cannot be read (the combo box is then left as it was).
int LoadComboHistory(HWND dialog, int controlId, const char* valueName, const char* keyPath,
                     char* buffer, int size);
int LoadComboHistoryFrom(HWND dialog, int controlId, const char* valueName, CRegistry& registry,
                         char* buffer, int size);
// The same with the first text in a string object (2048 characters reserved in it; the
// string keeps its text when the value cannot be read).
int LoadComboHistory(HWND dialog, int controlId, const char* valueName, const char* keyPath,
                     CString& first);
int LoadComboHistoryFrom(HWND dialog, int controlId, const char* valueName, CRegistry& registry,
                         CString& first);

// Stores the combo box's current text and its items as the value. Without "*" an empty
// current text stores nothing. When no item was selected, the drop-down list is rebuilt
// from the stored entries, so the current text now stands in it. Returns the number of
// history entries written; 0 when nothing was written.
int SaveComboHistory(HWND dialog, int controlId, const char* valueName, const char* keyPath);
int SaveComboHistoryTo(HWND dialog, int controlId, const char* valueName, CRegistry& registry);

// The key path rule above on a registry object; mode REGISTRY_READ or REGISTRY_CREATE.
int OpenHistoryKey(CRegistry& registry, const char* keyPath, int mode);
