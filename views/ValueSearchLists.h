// The texts the value search keeps between searches: the search history, the group list and
// the current pattern, each a single heap block (malloc) of NUL-terminated texts ended by an
// empty text; the search flags; and their registry values "HexFind", "HexGroup" and
// "HexFindFlags". Also the texts made from a selection for "search for the selection".
//
// A NULL block is an empty list. The functions trust a block to end with an empty text;
// every block made here or read from the registry does.
#pragma once
#include <stdint.h>

class CRegistry;

enum
{
    VS_HISTORY_MAX = 16,          // texts of the search history
    VS_REGISTRY_LIST_MAX = 2048,  // bytes of "HexFind" and "HexGroup" that are read
    VS_SELECTION_MAX = 64,        // selected bytes that become a search text
    // Buffer sizes of the selection texts for up to 64 bytes.
    VS_SELECTION_TEXT_SIZE = 4 * VS_SELECTION_MAX + 4,
};

// The n-th text, NULL past the end (or for a negative n).
const char* MultiTextAt(const char* list, int n);
// The index of a text equal to `text` (exact compare), -1 when absent.
int MultiTextFind(const char* list, const char* text);
// The size in bytes including the final empty text (0 for NULL).
int MultiTextSize(const char* list);
// The number of texts.
int MultiTextCount(const char* list);
// Inserts a copy of the text before index n (a negative n or one past the count appends);
// the block is reallocated. An empty or NULL text cannot be inserted, since it would end
// the list. Returns the index, -1 when refused or without memory (the list stays).
int MultiTextInsert(char** list, int n, const char* text);
// Removes the n-th text; the block keeps its size. Returns 1, or 0 when there is none.
int MultiTextRemove(char* list, int n);
// Frees the block and sets the pointer to NULL.
void MultiTextFree(char** list);
// A copy of a list: at most `maxCount` texts (negative: all). NULL without memory.
char* MultiTextCopy(const char* list, int maxCount);

// Puts the text at the top of a history: an equal text is removed first, texts beyond
// `maxCount` are dropped. Returns 1, 0 when refused (empty text) or without memory.
int AddToHistory(char** list, const char* text, int maxCount);

// The text "search for the selection" offers for up to 64 selected bytes (more are cut):
// a quoted C literal when all bytes are 32..127, else ":" and upper-case hex pairs separated
// by blanks. `text` holds at least VS_SELECTION_TEXT_SIZE bytes. Returns the length.
int SelectionToSearchText(const uint8_t* bytes, int count, char* text);

// The pattern of "search for the selection" for up to 64 bytes: first text the count in
// decimal, then the entry line "T:0x<count as 4 hex digits>" with " /G" when `flags` has
// VSF_IGNORE_CASE, ":" at character 12 and the hex of the bytes from character 13. A new
// heap block, NULL without memory or without bytes.
char* MakeSelectionPattern(const uint8_t* bytes, int count, uint32_t flags);

// The pattern of a single value (an empty distance and the one entry line), or of a group
// (the group list itself, distance first). New heap blocks, NULL without memory or entries.
char* MakeSinglePattern(const char* entryLine);
char* MakeGroupPattern(const char* groupList);

// Settings shared by all hex views of the process.
struct ValueSearchSettings
{
    char* history;          // search texts, newest first
    char* groups;           // group list: distance, then entry lines
    char* pattern;          // current pattern (what find next runs)
    uint32_t flags;         // ValueSearchFlags, default VSF_WRAP
    int byteCountChoice;    // last "Byte-Anzahl" choice: 0 Byte, 1 Word, 2 DWord, 3 Variabel
    int dialogX, dialogY;   // last dialog position
    int dialogPlaced;       // nonzero when the position is known
};

// The one set of the process (user-interface thread only).
ValueSearchSettings& GetValueSearchSettings();

// Sets the defaults (no lists, flags VSF_WRAP, DWord, no position); frees what is held.
void ResetValueSearchSettings(ValueSearchSettings* settings);

// Reads "HexFind" and "HexGroup" (up to 2048 bytes each) from the registry's current key,
// each only while the list is still empty, and "HexFindFlags" when it exists. A history
// longer than 16 texts is cut, as is a group list beyond its distance and 16 entries.
// Returns 1.
int LoadValueSearchSettings(CRegistry& registry, ValueSearchSettings* settings);

// Writes the two lists (when present) and "HexFindFlags" to the current key. Returns 1 when
// every write succeeded.
int SaveValueSearchSettings(CRegistry& registry, const ValueSearchSettings& settings);
