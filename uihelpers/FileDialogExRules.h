// The parts of the extended file dialog that need no window: the program's own bits of
// OPENFILENAMEA.Flags and what they take from the record, where a folder history lives in
// the registry, which chosen paths the history keeps, and the path completion that lists
// a folder and matches the typed name against it.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include "services/TextList.h"

// Own bits of OPENFILENAMEA.Flags, read and removed before the system's dialog runs.
enum : DWORD {
    // The filter's first text starts with a caption for the read-only check box, ended by
    // "@"; with GetSaveFileNameEx the open dialog is shown in save mode.
    OFNX_CAPTION = 0x80000000,
    // Where the history key comes from (flags & OFNX_KEY_MASK):
    OFNX_KEY_MASK = 0x70000000,
    OFNX_KEY_DEFEXT = 0x00000000,         // the default extension names the value; folders kept
    OFNX_KEY_DEFEXT_ANY = 0x10000000,     //   ... whatever exists is kept (in save mode all)
    OFNX_KEY_DEFEXT_NONE = 0x20000000,    //   ... nothing is kept
    OFNX_KEY_FOLDER_LIST = 0x30000000,    // lpstrCustomFilter: a fixed double-NUL list of folders
    OFNX_KEY_REGISTRY_PATH = 0x40000000,  // lpstrCustomFilter: "key path\value name" (to 0x60000000)
    OFNX_KEY_NONE = 0x70000000,           // no history and no suggestions
    OFNX_KEEP_MASK = 0x30000000           // which chosen paths are kept (see ClassifyChosenPath)
};

const int kOfnHistoryBytes = 4096;   // a stored history with its final NUL
const int kOfnHistorySaved = 16;
const int kOfnHistoryLoaded = 32;
const int kOfnPathChars = 259;       // the longest path a history entry or a typed text holds

// What GetOpenFileNameEx takes from the caller's record before the system's dialog runs.
struct OfnRequest {
    DWORD systemFlags;        // the flags the system's dialog gets
    const char* filter;       // the filter it gets (past the caption's "@")
    char caption[kOfnPathChars + 1];
    bool hasCaption;
    DWORD keySource;          // flags & OFNX_KEY_MASK
    char keyText[kOfnHistoryBytes];   // extension, folder list (double NUL) or registry path
    bool clearCustomFilter;   // the custom-filter buffer held the key; the system gets none
    bool dropDefExt;          // the default extension was no readable text
};

// Reads the record's own bits, caption and key; the record itself is not changed. A
// filter without "@" is the caption as a whole and stays the filter; texts are cut to their
// buffers; a custom filter pointer that is null counts as an empty text.
void ParseOfnRequest(const OPENFILENAMEA* ofn, OfnRequest* request);

// "OfnList" followed by the key text's extension: the part after its last ".", "*" or "?"
// (the whole text when it has none), at most 24 characters, the first upper-case and the
// rest lower-case; an empty key text gives "OfnList".
void OfnHistoryValueName(const char* keyText, char* name, int size);

// Where a history lives below HKEY_CURRENT_USER: FALSE for the key sources that store
// nothing (the fixed folder list, no history). The application key is
// Software\<registry key>\<profile name>; without a registry key "QN" is taken when
// Software\QN\<profile name> exists; still without one of them, Software\QN\Common\OfnList.
// A registry-path key text splits at its last backslash (value name at most 31 characters).
BOOL ResolveOfnHistoryPlace(DWORD keySource, const char* keyText, char* keyPath, int keyPathSize,
                            char* valueName, int valueNameSize);

// A path the user chose and what the history does with it.
struct ChosenPath {
    char text[kOfnPathChars + 2];   // the path as it is kept (folders end in "\")
    bool remember;                  // goes to the top of the history
    bool existingFile;              // the chosen path was an existing file
};

// The rules of the chosen path (trailing separator removed; missing paths tried by their
// parent in open mode with the extension key; existing folders end in "\"; files cut to
// their folder with the extension key), then whether the key source keeps it. Paths longer
// than 259 characters are never kept.
void ClassifyChosenPath(const char* path, DWORD keySource, bool saveMode, ChosenPath* out);

// The typed text split for completion: the folder to list (the current folder, or the
// typed folder part, absolute or relative to the current folder) and where the typed name
// begins. FALSE when there is nothing to list or the folder would exceed 259 characters.
BOOL CompletionFolder(const char* currentFolder, const char* typed, char* folder, int folderSize,
                      int* nameStart);

// Whether a listed name begins with the typed name (without regard to case).
BOOL NameMatchesTyped(const char* name, const char* typedName);

// What the completion worker does with its results.
class CompletionSink {
public:
    virtual ~CompletionSink() {}
    virtual void Reset() = 0;                      // the popup forgets its suggestions
    virtual bool Add(const char* suggestion) = 0;  // false: could not be handed on
    virtual void Show() = 0;                       // the first suggestion of a typed text
};

// The completion model: lists the folder that the current folder and the typed text name,
// and offers at most 100 names that begin with the typed name. One Step does one round of
// work; the worker thread calls it in a loop. No window needed.
class PathCompletion {
public:
    static constexpr int kMaxNames = 2000;
    static constexpr int kMaxSuggestions = 100;

    // `maxNames`: how many names of a folder are listed at most.
    explicit PathCompletion(CompletionSink* sink, int maxNames = kMaxNames);
    ~PathCompletion();
    PathCompletion(const PathCompletion&) = delete;
    PathCompletion& operator=(const PathCompletion&) = delete;

    // New texts from the dialog (either may be null: unchanged). An empty typed text
    // offers nothing.
    void Update(const char* currentFolder, const char* typed);
    // One round: a name listed, then the names not yet matched; false when idle.
    bool Step();
    int ListedCount() const { return m_names.GetCount(); }
    int SuggestionCount() const { return m_suggested; }

private:
    void Restart();
    void CloseSearch();
    void AddListed(const char* name);

    CompletionSink* m_sink;
    CTextList m_names;
    HANDLE m_search;
    int m_maxNames;
    char m_current[kOfnPathChars + 1];
    char m_typed[kOfnPathChars + 1];
    char m_listed[kOfnPathChars + 3];   // folder being listed, with room for "\*"
    int m_nameStart;                    // where the typed name begins in m_typed
    bool m_haveFolder;
    int m_matched;                      // names compared so far
    int m_suggested;
};
