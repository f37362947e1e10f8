// The list of module files the data window loads, kept in the registry under the application
// key: subkey "DataWindow" (or the section given), values "List1" to "List255" each holding
// a file's full path. No window here: the data window's commands call these.
#pragma once
#include <string>
#include <vector>

// Stores the file's full path under the first free "List" n: 2 stored, 1 already in the list
// (compared without regard to case), 0 when no n was free, the write failed or the key did
// not open.
int AddToModulList(const char* section, const char* path);

// Deletes the first "List" n holding the path (without regard to case): 1 deleted, 2 not in
// the list, 0 when the key did not open.
int RemoveFromModulList(const char* section, const char* path);

// The paths of every value whose name begins with "List" (case matters), in the key's
// order. False when the key cannot be opened.
bool ReadModulList(const char* section, std::vector<std::string>* paths);
