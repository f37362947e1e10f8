#include "services/Registry.h"

#include "services/AppIdentity.h"
#include "services/CaseFold.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct RootName
{
    const char* name;
    HKEY root;
};

const RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {"HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},     {"HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {"HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},                   {"HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {"HKCC", HKEY_CURRENT_CONFIG},
};

// Takes a root-key name from the start of *path (followed by a backslash or the end) and
// moves *path behind it and its backslash; HKEY_CURRENT_USER when the path names none.
HKEY TakeRootName(const char** path)
{
    const char* text = *path;
    if (!text)
        return HKEY_CURRENT_USER;
    for (const RootName& entry : kRootNames) {
        int n = static_cast<int>(strlen(entry.name));
        int i = 0;
        while (i < n && text[i] != '\0' &&
               FoldCase1252(static_cast<unsigned char>(text[i])) ==
                   FoldCase1252(static_cast<unsigned char>(entry.name[i])))
            ++i;
        if (i == n && (text[n] == '\0' || text[n] == '\\')) {
            *path = text[n] == '\\' ? text + n + 1 : text + n;
            return entry.root;
        }
    }
    return HKEY_CURRENT_USER;
}

void CopyName(char* target, const char* name)
{
    int n = 0;
    if (name) {
        while (n < CRegistry::kMaxValueName && name[n] != '\0') {
            target[n] = name[n];
            ++n;
        }
    }
    target[n] = '\0';
}

int TerminatorCount(DWORD type)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return 1;
    if (type == REG_MULTI_SZ)
        return 2;
    return 0;
}

// How many NULs must be added behind `length` bytes so that they end in `terminators` NULs.
int MissingTerminators(const BYTE* data, DWORD length, int terminators)
{
    int have = 0;
    while (have < terminators && static_cast<DWORD>(have) < length && data[length - 1 - have] == 0)
        ++have;
    return terminators - have;
}

LONG OpenOrCreateKey(HKEY parent, const char* path, REGSAM access, bool create, HKEY* key)
{
    if (create)
        return RegCreateKeyExA(parent, path ? path : "", 0, nullptr, 0, access, nullptr, key,
                               nullptr);
    return RegOpenKeyExA(parent, path, 0, access, key);
}

const int kMaxEnumNameChars = 16383;   // the registry's own limit for value names

}  // namespace

CRegistry::CRegistry()
    : m_key(nullptr),
      m_root(nullptr),
      m_depth(-1),
      m_mode(REGISTRY_READ),
      m_extraAccess(0),
      m_lastError(0),
      m_lastType(REG_NONE),
      m_lastSize(0),
      m_stepBackOnDelete(false),
      m_longName(nullptr)
{
    m_valueName[0] = '\0';
}

CRegistry::~CRegistry()
{
    Close();
    ClearLongName();
}

int CRegistry::Fail(DWORD code)
{
    m_lastError = code;
    return 0;
}

REGSAM CRegistry::LevelAccess() const
{
    return (m_mode == REGISTRY_READ ? KEY_READ : KEY_ALL_ACCESS) | m_extraAccess;
}

void CRegistry::ClearLongName()
{
    free(m_longName);
    m_longName = nullptr;
}

void CRegistry::SetValueName(const char* name, bool enumerated)
{
    ClearLongName();
    CopyName(m_valueName, name);
    m_stepBackOnDelete = enumerated;
}

const char* CRegistry::ResolveName(const char* name) const
{
    if (name != REG_ENUM_NEXT)
        return name;
    return m_longName ? m_longName : m_valueName;
}

int CRegistry::Open(HKEY root, const char* path, int flags)
{
    Close();
    int mode = flags & 0x3F;
    REGSAM extra = static_cast<REGSAM>(flags) & ~static_cast<REGSAM>(0x3F);
    if (mode > REGISTRY_CREATE)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!root)
        root = TakeRootName(&path);

    char appPath[300];
    if (!path && (root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE)) {
        BuildAppKeyPath(appPath, sizeof(appPath));
        path = appPath;
    }

    m_mode = mode;
    m_extraAccess = extra;
    bool create = mode == REGISTRY_CREATE;
    HKEY key = nullptr;
    LONG rc;
    // A 32-bit program would otherwise see the WOW64 copy of HKEY_LOCAL_MACHINE\Software;
    // users without the right to the 64-bit view still get the key through the plain one.
    if (root == HKEY_LOCAL_MACHINE && extra == 0) {
        rc = OpenOrCreateKey(root, path, LevelAccess() | KEY_WOW64_64KEY, create, &key);
        if (rc == ERROR_SUCCESS)
            m_extraAccess = KEY_WOW64_64KEY;
        else if (rc == ERROR_ACCESS_DENIED)
            rc = OpenOrCreateKey(root, path, LevelAccess(), create, &key);
    } else {
        rc = OpenOrCreateKey(root, path, LevelAccess(), create, &key);
    }
    if (rc != ERROR_SUCCESS)
        return Fail(create ? static_cast<DWORD>(rc) : REGISTRY_ERROR_MODE);

    m_root = root;
    m_depth = 0;
    m_key = key;
    Level& level = m_levels[0];
    level.key = key;
    level.subKeyIndex = 0;
    level.valueIndex = 0;
    CopyName(level.name, path);
    m_lastError = ERROR_SUCCESS;
    return 1;
}

int CRegistry::OpenPath(const char* path, int flags)
{
    return Open(nullptr, path, flags);
}

int CRegistry::OpenAppKey()
{
    return Open(HKEY_CURRENT_USER, nullptr, REGISTRY_CREATE);
}

void CRegistry::Close()
{
    while (m_depth >= 0) {
        RegCloseKey(m_levels[m_depth].key);
        --m_depth;
    }
    m_key = nullptr;
}

int CRegistry::OpenLevel(const char* name, bool create)
{
    if (m_depth < 0)
        return Fail(REGISTRY_ERROR_NOT_OPEN);
    if (m_depth + 1 >= kMaxLevels)
        return Fail(REGISTRY_ERROR_DEPTH);
    Level& current = m_levels[m_depth];
    char enumName[kMaxValueName + 1];
    if (!name || name == REG_ENUM_NEXT) {
        DWORD length = sizeof(enumName);
        LONG rc = RegEnumKeyExA(m_key, current.subKeyIndex, enumName, &length, nullptr, nullptr,
                                nullptr, nullptr);
        // The end of the enumeration fails like any other open (REGISTRY_ERROR_MODE).
        if (rc != ERROR_SUCCESS)
            return Fail(rc == ERROR_ACCESS_DENIED ? static_cast<DWORD>(rc) : static_cast<DWORD>(REGISTRY_ERROR_MODE));
        ++current.subKeyIndex;
        name = enumName;
    }
    SetValueName(name, false);

    HKEY key = nullptr;
    LONG rc = OpenOrCreateKey(m_key, name, LevelAccess(), create, &key);
    if (rc != ERROR_SUCCESS)
        return Fail(rc == ERROR_ACCESS_DENIED ? static_cast<DWORD>(ERROR_ACCESS_DENIED)
                                              : static_cast<DWORD>(REGISTRY_ERROR_MODE));

    ++m_depth;
    Level& level = m_levels[m_depth];
    level.key = key;
    level.subKeyIndex = 0;
    level.valueIndex = 0;
    CopyName(level.name, name);
    m_key = key;
    m_lastError = ERROR_SUCCESS;
    return 1;
}

int CRegistry::OpenSubKey(const char* name, int noCreate)
{
    return OpenLevel(name, m_mode == REGISTRY_CREATE && !noCreate);
}

int CRegistry::CreateSubKey(const char* name)
{
    if (m_depth >= 0 && m_mode == REGISTRY_READ)
        return Fail(REGISTRY_ERROR_MODE);
    return OpenLevel(name, true);
}

int CRegistry::CloseSubKey()
{
    if (m_depth < 0)
        return Fail(REGISTRY_ERROR_NOT_OPEN);
    RegCloseKey(m_levels[m_depth].key);
    --m_depth;
    m_key = m_depth >= 0 ? m_levels[m_depth].key : nullptr;
    m_lastError = ERROR_SUCCESS;
    return 1;
}

LONG CRegistry::EnumValueAt(DWORD index, DWORD* type, DWORD* size)
{
    ClearLongName();
    m_stepBackOnDelete = false;
    DWORD length = sizeof(m_valueName);
    LONG rc = RegEnumValueA(m_key, index, m_valueName, &length, nullptr, type, nullptr, size);
    if (rc == ERROR_MORE_DATA) {
        // Only the name can be too long here (no data is asked for): fetch it whole so that
        // reads, writes and deletes reach the right value, and keep the cut copy for show.
        char* full = static_cast<char*>(malloc(kMaxEnumNameChars + 1));
        if (!full)
            return ERROR_NOT_ENOUGH_MEMORY;
        length = kMaxEnumNameChars + 1;
        rc = RegEnumValueA(m_key, index, full, &length, nullptr, type, nullptr, size);
        if (rc == ERROR_SUCCESS) {
            CopyName(m_valueName, full);
            m_longName = full;
        } else {
            free(full);
        }
    }
    if (rc != ERROR_SUCCESS)
        m_valueName[0] = '\0';
    return rc;
}

void CRegistry::FailRead(void* buffer, int size, DWORD type)
{
    m_lastSize = 0;
    if (!buffer || size < 1)
        return;
    char* text = static_cast<char*>(buffer);
    int terminators = TerminatorCount(type);
    if (terminators >= 1)
        text[0] = '\0';
    if (terminators == 2 && size >= 2)
        text[1] = '\0';
}

int CRegistry::ReadValue(void* buffer, int size, const char* name, DWORD type)
{
    if (!buffer || size < 0)
        size = 0;
    if (m_depth < 0) {
        FailRead(buffer, size, type);
        return Fail(REGISTRY_ERROR_NOT_OPEN);
    }
    if (name == REG_ENUM_NEXT) {
        DWORD storedType = 0;
        DWORD storedSize = 0;
        LONG rc = EnumValueAt(m_levels[m_depth].valueIndex, &storedType, &storedSize);
        if (rc != ERROR_SUCCESS) {
            FailRead(buffer, size, type);
            return Fail(static_cast<DWORD>(rc));
        }
        ++m_levels[m_depth].valueIndex;
        m_stepBackOnDelete = true;
    } else {
        SetValueName(name, false);
    }
    const char* queryName = ResolveName(name);
    int terminators = TerminatorCount(type);

    DWORD storedType = REG_NONE;
    if (terminators == 0) {
        // The size first: a value that does not fit must leave the caller's buffer as it
        // was, and RegQueryValueEx leaves it undefined after ERROR_MORE_DATA.
        DWORD needed = 0;
        LONG rc = RegQueryValueExA(m_key, queryName, nullptr, &storedType, nullptr, &needed);
        if (rc == ERROR_SUCCESS && needed > static_cast<DWORD>(size))
            rc = ERROR_MORE_DATA;
        if (rc != ERROR_SUCCESS) {
            FailRead(buffer, size, type);
            return Fail(static_cast<DWORD>(rc));
        }
    }
    DWORD got = static_cast<DWORD>(size);
    LONG rc = RegQueryValueExA(m_key, queryName, nullptr, &storedType,
                               size > 0 ? static_cast<BYTE*>(buffer) : nullptr, &got);
    if (rc == ERROR_SUCCESS && size == 0 && got > 0)
        rc = ERROR_MORE_DATA;   // a size query answered although no room was offered
    if (rc != ERROR_SUCCESS) {
        FailRead(buffer, size, type);
        return Fail(static_cast<DWORD>(rc));
    }
    // Terminators the stored data already carries (WriteValue stores texts with theirs, and
    // so do most other programs) count: adding them again would make a text need more room
    // than it holds, and a buffer sized for it would be emptied and the read refused.
    int missing = size > 0 ? MissingTerminators(static_cast<BYTE*>(buffer), got, terminators)
                           : terminators;
    if (got + missing > static_cast<DWORD>(size)) {
        FailRead(buffer, size, type);
        return Fail(ERROR_MORE_DATA);
    }
    memset(static_cast<BYTE*>(buffer) + got, 0, missing);
    m_lastType = storedType;
    m_lastSize = got + missing;
    m_lastError = ERROR_SUCCESS;
    return 1;
}

int CRegistry::ReadString(char* buffer, int size, const char* name)
{
    return ReadValue(buffer, size, name, REG_SZ);
}

int CRegistry::ReadDword(DWORD* variable, const char* name)
{
    return ReadValue(variable, variable ? 4 : 0, name, REG_DWORD);
}

bool CRegistry::ReadValueAlloc(void** out, const char* name, DWORD type)
{
    if (!out)
        return Fail(ERROR_INVALID_PARAMETER) != 0;
    *out = nullptr;
    if (m_depth < 0)
        return Fail(REGISTRY_ERROR_NOT_OPEN) != 0;
    if (name == REG_ENUM_NEXT) {
        DWORD storedType = 0;
        DWORD storedSize = 0;
        LONG rc = EnumValueAt(m_levels[m_depth].valueIndex, &storedType, &storedSize);
        if (rc != ERROR_SUCCESS)
            return Fail(static_cast<DWORD>(rc)) != 0;
        ++m_levels[m_depth].valueIndex;
        m_stepBackOnDelete = true;
    } else {
        SetValueName(name, false);
    }
    const char* queryName = ResolveName(name);

    DWORD storedType = REG_NONE;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(m_key, queryName, nullptr, &storedType, nullptr, &size);
    BYTE* block = nullptr;
    // The value may grow between the size query and the read; a few retries settle that.
    for (int attempt = 0; rc == ERROR_SUCCESS && attempt < 4; ++attempt) {
        if (size > 0x7FFFFFF0u) {
            rc = ERROR_NOT_ENOUGH_MEMORY;
            break;
        }
        BYTE* grown = static_cast<BYTE*>(realloc(block, size + 4));
        if (!grown) {
            rc = ERROR_NOT_ENOUGH_MEMORY;
            break;
        }
        block = grown;
        DWORD got = size;
        rc = RegQueryValueExA(m_key, queryName, nullptr, &storedType, block, &got);
        if (rc == ERROR_MORE_DATA) {
            size = got;
            rc = ERROR_SUCCESS;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        memset(block + got, 0, 4);
        m_lastType = storedType;
        m_lastSize = got + MissingTerminators(block, got, TerminatorCount(type));
        m_lastError = ERROR_SUCCESS;
        *out = block;
        return true;
    }
    free(block);
    if (rc == ERROR_SUCCESS)
        rc = ERROR_MORE_DATA;
    m_lastSize = 0;
    return Fail(static_cast<DWORD>(rc)) != 0;
}

int CRegistry::WriteValue(const void* data, int size, const char* name, DWORD type)
{
    if (m_depth < 0)
        return Fail(REGISTRY_ERROR_NOT_OPEN);
    if (m_mode == REGISTRY_READ)
        return Fail(REGISTRY_ERROR_MODE);
    if (!data)
        return Fail(REGISTRY_ERROR_NO_DATA);
    if (size < 0)
        return Fail(ERROR_INVALID_PARAMETER);
    if (name != REG_ENUM_NEXT)
        SetValueName(name, false);
    // A text value is stored with its terminating zero (an empty text as one zero byte): the
    // system's own tools and other programs read up to it, and some fail on a value of no bytes.
    // RegQueryValueEx hands the stored bytes out as they are, so a reader that relies on the
    // zero, as the system asks writers to store it, would run past the end of a text without.
    const BYTE* bytes = static_cast<const BYTE*>(data);
    std::vector<BYTE> terminated;
    const int missing = TerminatorCount(type) == 1 ? MissingTerminators(bytes, static_cast<DWORD>(size), 1) : 0;
    if (missing > 0) {
        terminated.assign(bytes, bytes + size);
        terminated.resize(static_cast<size_t>(size) + static_cast<size_t>(missing), 0);
        bytes = terminated.data();
        size += missing;
    }
    LONG rc = RegSetValueExA(m_key, ResolveName(name), 0, type, bytes, static_cast<DWORD>(size));
    if (rc != ERROR_SUCCESS)
        return Fail(static_cast<DWORD>(rc));
    m_lastError = ERROR_SUCCESS;
    return 1;
}

int CRegistry::WriteString(const char* text, const char* name)
{
    if (!text)
        text = "";
    return WriteValue(text, static_cast<int>(strlen(text)) + 1, name, REG_SZ);
}

int CRegistry::WriteDword(DWORD value, const char* name)
{
    return WriteValue(&value, 4, name, REG_DWORD);
}

int CRegistry::WriteMultiString(const char* list, const char* name)
{
    if (!list)
        list = "";
    const char* p = list;
    while (*p != '\0')
        p += strlen(p) + 1;
    // Every text with its NUL, then the final NUL; an empty list is the final NUL alone.
    return WriteValue(list, static_cast<int>(p - list) + 1, name, REG_MULTI_SZ);
}

int CRegistry::DeleteValue(const char* name)
{
    if (m_depth < 0)
        return Fail(REGISTRY_ERROR_NOT_OPEN);
    if (m_mode == REGISTRY_READ)
        return Fail(REGISTRY_ERROR_MODE);
    bool stepBack = name == REG_ENUM_NEXT && m_stepBackOnDelete;
    if (name != REG_ENUM_NEXT)
        SetValueName(name, false);
    LONG rc = RegDeleteValueA(m_key, ResolveName(name));
    if (rc != ERROR_SUCCESS)
        return Fail(static_cast<DWORD>(rc));
    // The values behind the deleted one move down by one index: without the step back the
    // next enumerated read would skip one of them.
    if (stepBack && m_levels[m_depth].valueIndex > 0)
        --m_levels[m_depth].valueIndex;
    m_stepBackOnDelete = false;
    m_lastError = ERROR_SUCCESS;
    return 1;
}

const char* CRegistry::EnumValueName(int index)
{
    if (m_depth < 0) {
        Fail(REGISTRY_ERROR_NOT_OPEN);
        return nullptr;
    }
    if (index < -1) {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD at = index == -1 ? m_levels[m_depth].valueIndex : static_cast<DWORD>(index);
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG rc = EnumValueAt(at, &type, &size);
    if (rc != ERROR_SUCCESS) {
        Fail(static_cast<DWORD>(rc));
        return nullptr;
    }
    m_lastType = type;
    m_lastSize = size;
    m_lastError = ERROR_SUCCESS;
    return m_valueName;
}
