// CRegistry: the settings store of the program, a thin object over the advapi32 registry
// functions with a stack of open key levels.
//
// One object is built on the stack for each load or save. Open (or OpenPath / OpenAppKey)
// opens a key as level 0; OpenSubKey descends, CloseSubKey goes back up; the destructor
// closes every level. The mode chosen at Open decides what the object may do:
//   0 read   (read access; writes and deletes are refused with REGISTRY_ERROR_MODE)
//   1 write  (full access; missing keys are not created)
//   2 create (full access; missing keys and subkeys are created)
// Higher flag bits of Open are added to the access mask (KEY_WOW64_32KEY and the like).
//
// Errors: every operation that fails leaves a code in GetLastError(): a Win32 code or one
// of the REGISTRY_ERROR_* codes below.
//
// Value names: NULL names the key's default value. REG_ENUM_NEXT ((const char*)-1) names
// the next value of the current level's enumeration when reading (the name lands in the
// value-name buffer, GetValueName) and "the value just read or enumerated" when writing or
// deleting. Names kept in the value-name buffer are cut to 256 characters; an enumerated
// name that is longer is still read, written and deleted under its full name.
#pragma once
#include <windows.h>
#include <stdint.h>

class CString;

#define REG_ENUM_NEXT ((const char*)(intptr_t)-1)

enum RegistryError : DWORD
{
    REGISTRY_ERROR_NOT_OPEN = 22549,    // no key open
    REGISTRY_ERROR_DEPTH = 22550,       // more than 12 levels
    REGISTRY_ERROR_MODE = 22551,        // opening failed, or the mode does not allow it
    REGISTRY_ERROR_NO_DATA = 22552,     // a write without data
};

enum RegistryMode
{
    REGISTRY_READ = 0,
    REGISTRY_WRITE = 1,
    REGISTRY_CREATE = 2,
};

class CRegistry
{
public:
    static const int kMaxLevels = 12;
    static const int kMaxValueName = 256;

    CRegistry();
    ~CRegistry();

    // Closes what is open, then opens `path` under `root` as level 0. The low six bits of
    // `flags` are the mode, the others are added to the access mask. Root 0 takes the root
    // from a root-key name at the start of the path ("HKEY_CURRENT_USER", "HKCU", ...; none
    // means HKEY_CURRENT_USER). A NULL path under HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE is
    // the application key (see AppIdentity.h), under any other root the root itself. Under
    // HKEY_LOCAL_MACHINE without higher flag bits the 64-bit view is asked for first.
    // A failure in read or write mode gives REGISTRY_ERROR_MODE; in create mode the Win32
    // code stays. Returns nonzero on success.
    int Open(HKEY root, const char* path, int flags);
    int OpenPath(const char* path, int flags);     // Open with root 0
    int OpenAppKey();                               // the application key in create mode

    // Closes every open level.
    void Close();

    // Opens the named subkey of the current key as the new current level (its enumeration
    // indexes start at 0). A NULL name or REG_ENUM_NEXT opens the next subkey of the current
    // key's enumeration (0, REGISTRY_ERROR_MODE, when none is left). In create mode a missing
    // subkey is created unless `noCreate` is set. Failures: REGISTRY_ERROR_NOT_OPEN,
    // REGISTRY_ERROR_DEPTH, ERROR_ACCESS_DENIED, else REGISTRY_ERROR_MODE.
    int OpenSubKey(const char* name, int noCreate = 0);

    // OpenSubKey that creates a missing subkey in write mode as well as in create mode; in
    // read mode it is refused with REGISTRY_ERROR_MODE.
    int CreateSubKey(const char* name);

    // Closes the current level; the level below becomes current (none after level 0).
    int CloseSubKey();

    // Reads a value into the buffer. The type given (not the stored one) decides the
    // termination: REG_SZ and REG_EXPAND_SZ end with one NUL, REG_MULTI_SZ with two, other
    // types get none; terminators the stored data already has are not doubled. The last size
    // counts the bytes up to and including the terminators. A text that leaves no room for
    // its terminators empties the buffer and fails with ERROR_MORE_DATA (234). A failed read
    // leaves a text buffer empty, a multi-string buffer with two NULs (as far as the size
    // allows), any other buffer unchanged, and the last size 0.
    int ReadValue(void* buffer, int size, const char* name, DWORD type);
    int ReadString(char* buffer, int size, const char* name);      // REG_SZ
    int ReadDword(DWORD* variable, const char* name);              // 4 bytes, REG_DWORD

    // Reads a whole value into a new heap block (malloc; the caller frees it) of the value's
    // size + 4 bytes; the 4 bytes behind the data are zero, so every text type is terminated.
    // *out is NULL first and stays NULL when no key is open or the value is missing.
    bool ReadValueAlloc(void** out, const char* name, DWORD type);

    // The class library's string forms (defined with the string class in classlib/).
    bool ReadCString(CString& string, const char* name);
    int WriteCString(const CString& string, const char* name);

    // Writes a value; REGISTRY_ERROR_MODE in read mode, REGISTRY_ERROR_NO_DATA for NULL data.
    int WriteValue(const void* data, int size, const char* name, DWORD type);
    // The text's length as REG_SZ, without the terminator; NULL is the empty text.
    int WriteString(const char* text, const char* name);
    int WriteDword(DWORD value, const char* name);
    // A list of terminated texts ended by an empty one, as REG_MULTI_SZ: every text with its
    // NUL and the final NUL; an empty list (or NULL) is stored as one NUL byte.
    int WriteMultiString(const char* list, const char* name);

    // Deletes a value; REG_ENUM_NEXT deletes the value just read or enumerated (and steps
    // the enumeration back, so that the next enumerated read does not skip a value).
    int DeleteValue(const char* name);

    // The name of the value at `index` among the current key's values (-1: the level's value
    // enumeration index, not advanced), in the value-name buffer; its type and data size
    // become the last type and size. NULL when there is no such value.
    const char* EnumValueName(int index);

    DWORD GetLastSize() const { return m_lastSize; }
    DWORD GetLastType() const { return m_lastType; }
    const char* GetValueName() const { return m_valueName; }
    DWORD GetLastError() const { return m_lastError; }
    HKEY GetKey() const { return m_key; }      // the current level's key, NULL when none
    int GetDepth() const { return m_depth; }   // the current level, -1 when nothing is open

private:
    struct Level
    {
        HKEY key;
        DWORD subKeyIndex;
        DWORD valueIndex;
        char name[kMaxValueName + 1];
    };

    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    int Fail(DWORD code);
    REGSAM LevelAccess() const;
    int OpenLevel(const char* name, bool create);
    void SetValueName(const char* name, bool enumerated);
    const char* ResolveName(const char* name) const;
    LONG EnumValueAt(DWORD index, DWORD* type, DWORD* size);
    void ClearLongName();
    void FailRead(void* buffer, int size, DWORD type);

    HKEY m_key;
    HKEY m_root;
    int m_depth;
    int m_mode;
    REGSAM m_extraAccess;
    DWORD m_lastError;
    DWORD m_lastType;
    DWORD m_lastSize;
    bool m_stepBackOnDelete;    // the value name came from an enumerated read that advanced
    char* m_longName;           // full enumerated name when it did not fit m_valueName
    char m_valueName[kMaxValueName + 1];
    Level m_levels[kMaxLevels];
};
