#include "services/IconCache.h"

#include "services/CaseFold.h"
#include "services/PathUtils.h"
#include "services/PtrTable.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const int kMaxExtension = 63;   // longer extensions are asked for but not cached

// One cached answer: the icon index and the extension (without the dot), terminated.
struct ExtensionIcon
{
    int iconIndex;
    char extension[kMaxExtension + 1];
};

CPtrTable* g_extensionIcons = nullptr;

void FreeExtensionIcons()
{
    delete g_extensionIcons;
    g_extensionIcons = nullptr;
}

CPtrTable* ExtensionIcons()
{
    if (!g_extensionIcons) {
        g_extensionIcons = new (std::nothrow) CPtrTable();
        if (g_extensionIcons)
            atexit(FreeExtensionIcons);
    }
    return g_extensionIcons;
}

int AskShell(const char* path, DWORD attributes, UINT extraFlags)
{
    SHFILEINFOA info;
    memset(&info, 0, sizeof(info));
    DWORD_PTR list = SHGetFileInfoA(path, attributes, &info, sizeof(info),
                                    SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extraFlags);
    return list ? info.iIcon : -1;
}

bool IsDriveRoot(const char* path)
{
    unsigned char letter = static_cast<unsigned char>(path[0]);
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) || path[1] != ':')
        return false;
    return path[2] == '\0' || ((path[2] == '\\' || path[2] == '/') && path[3] == '\0');
}

int IconByExtension(const char* path)
{
    int nameLength = 0;
    const char* name = GetFileNamePart(path, &nameLength);
    const char* dot = strrchr(name, '.');
    const char* extension = dot ? dot + 1 : name + nameLength;
    int extensionLength = static_cast<int>(name + nameLength - extension);

    CPtrTable* cache = extensionLength <= kMaxExtension ? ExtensionIcons() : nullptr;
    if (cache) {
        for (int i = 0; i < cache->GetCount(); ++i) {
            const ExtensionIcon* entry = static_cast<const ExtensionIcon*>(cache->GetAt(i));
            if (CompareBytes1252(entry->extension, static_cast<int>(strlen(entry->extension)),
                                 extension, extensionLength, true) == 0)
                return entry->iconIndex;
        }
    }

    // A made-up name with that extension: the shell looks only at the name when it is told
    // the attributes, so the file need not exist.
    char probe[8 + 1 + 260];
    int n = 0;
    probe[n++] = 'x';
    if (dot) {
        probe[n++] = '.';
        int copy = extensionLength < 260 ? extensionLength : 260;
        memcpy(probe + n, extension, static_cast<size_t>(copy));
        n += copy;
    }
    probe[n] = '\0';
    int icon = AskShell(probe, FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES);
    if (cache && icon >= 0) {
        ExtensionIcon entry;
        memset(&entry, 0, sizeof(entry));
        entry.iconIndex = icon;
        memcpy(entry.extension, extension, static_cast<size_t>(extensionLength));
        cache->Add(&entry, sizeof(entry));
    }
    return icon;
}

}  // namespace

int GetFileIconIndexA(const char* path, int flags)
{
    if (!path)
        path = "";
    if (IsDriveRoot(path)) {
        char root[4] = {path[0], ':', '\\', '\0'};
        return AskShell(root, 0, 0);
    }
    if (flags & FILEICON_BY_EXTENSION)
        return IconByExtension(path);
    return AskShell(path, 0, 0);
}
