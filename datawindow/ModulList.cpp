#include "datawindow/ModulList.h"

#include "services/Registry.h"
#include "textlib/StrPrintf.h"

#include <windows.h>
#include <cstring>

namespace {

const int kMaxListEntries = 255;

std::string FullPath(const char* path)
{
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : std::string(path);
}

bool OpenSection(CRegistry& reg, const char* section, int mode)
{
    return reg.OpenPath(nullptr, mode) && reg.OpenSubKey(section, mode != REGISTRY_CREATE);
}

}  // namespace

int AddToModulList(const char* section, const char* path)
{
    CRegistry reg;
    if (!path || !OpenSection(reg, section, REGISTRY_CREATE))
        return 0;
    const std::string full = FullPath(path);
    int freeSlot = 0;
    for (int n = 1; n <= kMaxListEntries; ++n) {
        char name[16], value[MAX_PATH * 2];
        StrPrintf(name, "List%i", n);
        if (reg.ReadString(value, sizeof value, name)) {
            if (lstrcmpiA(value, full.c_str()) == 0)
                return 1;
        } else if (freeSlot == 0 && reg.GetLastError() == ERROR_FILE_NOT_FOUND) {
            // Only a missing value is a free place: one too long for the buffer is an entry
            // all the same, and writing there would lose it.
            freeSlot = n;
        }
    }
    if (freeSlot == 0)
        return 0;
    char name[16];
    StrPrintf(name, "List%i", freeSlot);
    return reg.WriteString(full.c_str(), name) ? 2 : 0;
}

int RemoveFromModulList(const char* section, const char* path)
{
    CRegistry reg;
    if (!path || !OpenSection(reg, section, REGISTRY_WRITE))
        return 0;
    const std::string full = FullPath(path);
    for (int n = 1; n <= kMaxListEntries; ++n) {
        char name[16], value[MAX_PATH * 2];
        StrPrintf(name, "List%i", n);
        if (reg.ReadString(value, sizeof value, name) && lstrcmpiA(value, full.c_str()) == 0)
            return reg.DeleteValue(name) ? 1 : 0;
    }
    return 2;
}

bool ReadModulList(const char* section, std::vector<std::string>* paths)
{
    paths->clear();
    CRegistry reg;
    if (!OpenSection(reg, section, REGISTRY_READ))
        return false;
    for (int index = 0;; ++index) {
        const char* name = reg.EnumValueName(index);
        if (!name)
            break;
        if (std::strncmp(name, "List", 4) != 0)
            continue;
        const std::string valueName = name;
        char value[MAX_PATH * 2];
        if (reg.ReadString(value, sizeof value, valueName.c_str()))
            paths->push_back(value);
    }
    return true;
}
