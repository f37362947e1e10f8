#include "views/ViewSettings.h"

#include "textlib/IntParse.h"

#include "services/AppIdentity.h"
#include "services/Registry.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kMaxGroups = 256;
const int kMaxFormatSubkeys = 256;
const int kMaxFormatName = 1024;

AnsiViewSettings* g_groups[kMaxGroups];
int g_groupCount = 0;
int g_nextGroupId = 0;

char* CopyOf(const char* text)
{
    if (!text)
        text = "";
    size_t n = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(n));
    if (copy)
        memcpy(copy, text, n);
    return copy;
}

void FreeFonts(AnsiViewSettings* s)
{
    for (int i = 0; i < 8; ++i)
    {
        if (s->styleFonts[i] && s->styleFonts[i] != s->normalFont)
        {
            // The same variant may sit in several slots: delete it once.
            HFONT f = s->styleFonts[i];
            for (int j = i; j < 8; ++j)
                if (s->styleFonts[j] == f)
                    s->styleFonts[j] = nullptr;
            DeleteObject(f);
        }
        s->styleFonts[i] = nullptr;
    }
    if (s->normalFont)
        DeleteObject(s->normalFont);
    s->normalFont = nullptr;
}

void FreeFormats(AnsiViewSettings* s)
{
    if (s->formats)
        for (int i = 0; i < s->formatCount; ++i)
            free(s->formats[i].name);
    free(s->formats);
    s->formats = nullptr;
    s->formatCount = 0;
    free(s->formatMap);
    s->formatMap = nullptr;
}

// A subkey name read as an integer in the number forms the program reads everywhere ("0x1F"
// is 31, "012" decimal 12), up to where the number stops ("12x" is 12); a name
// without digits is 0, and one past the int range reads as all ones or another negative
// number. The caller takes only ids above 0.
int ParseFormatId(const char* name)
{
    return name ? ParseInteger(name, IPF_RADIX_AUTO, nullptr) : 0;
}

// Adds `part` behind what the buffer holds (with a "\" when it holds anything), when it is
// not empty and fits with its terminator. False when it did not fit: the path ends there.
bool AppendPart(char* buffer, int size, int* length, const char* part)
{
    if (!part || !*part)
        return true;
    int partLength = static_cast<int>(strlen(part));
    int separator = *length > 0 ? 1 : 0;
    if (*length + separator + partLength + 1 > size)
        return false;
    if (separator)
        buffer[(*length)++] = '\\';
    memcpy(buffer + *length, part, partLength);
    *length += partLength;
    buffer[*length] = 0;
    return true;
}

}  // namespace

AnsiViewSettings* JoinSettingsGroup(const char* viewName)
{
    if (!viewName)
        viewName = "";
    for (int i = 0; i < g_groupCount; ++i)
        if (strcmp(g_groups[i]->viewName, viewName) == 0)
        {
            ++g_groups[i]->useCount;
            return g_groups[i];
        }
    if (g_groupCount >= kMaxGroups)
        return nullptr;
    AnsiViewSettings* s = static_cast<AnsiViewSettings*>(calloc(1, sizeof(AnsiViewSettings)));
    if (!s)
        return nullptr;
    // The group keeps its own copy: a view may be built from a name that lives shorter than
    // the other views of the group.
    s->viewName = CopyOf(viewName);
    if (!s->viewName)
    {
        free(s);
        return nullptr;
    }
    s->useCount = 1;
    s->groupId = g_nextGroupId++;
    s->font.flags = AFF_FIXED_PITCH;
    if (AddColorFormat(s, kSystemColor, kSystemColor, "Standard", 1, 0) < 0)
    {
        free(s->viewName);
        free(s);
        return nullptr;
    }
    g_groups[g_groupCount++] = s;
    return s;
}

void LeaveSettingsGroup(AnsiViewSettings* settings)
{
    if (!settings || --settings->useCount > 0)
        return;
    for (int i = 0; i < g_groupCount; ++i)
        if (g_groups[i] == settings)
        {
            g_groups[i] = g_groups[--g_groupCount];
            break;
        }
    FreeFonts(settings);
    FreeFormats(settings);
    free(settings->registryPath);
    free(settings->viewName);
    free(settings);
}

int SettingsGroupCount()
{
    return g_groupCount;
}

int AddColorFormat(AnsiViewSettings* settings, COLORREF text, COLORREF background, const char* name, int id,
                   uint32_t style)
{
    if (!settings)
        return -1;
    if (id < 0)
    {
        // A negative id asks for the row of its positive twin (-5: the row of id 5).
        id = id == INT_MIN ? 0 : -id;
        int row = settings->formats ? FindColorFormat(settings->formats, nullptr, id) : -1;
        if (row >= 0 || id == 0)
            return row;
    }
    if (settings->formats && id != 0 && FindColorFormat(settings->formats, nullptr, id) >= 0)
        id = 0;
    char* copy = CopyOf(name);
    if (!copy)
        return -1;
    int count = settings->formatCount;
    ColorFormat* table = static_cast<ColorFormat*>(realloc(settings->formats, (count + 2) * sizeof(ColorFormat)));
    if (!table)
    {
        free(copy);
        return -1;
    }
    table[count] = ColorFormat{ background, text, id, style, copy };
    table[count + 1] = ColorFormat{ 0, 0, 0, 0, nullptr };
    settings->formats = table;
    settings->formatCount = count + 1;
    free(settings->formatMap);
    settings->formatMap = nullptr;
    return count;
}

int GetColorFormat(const AnsiViewSettings* settings, int index, COLORREF* text, COLORREF* background,
                   uint32_t* style)
{
    if (!settings || index < 0 || index >= settings->formatCount)
        return 0;
    const ColorFormat& row = settings->formats[index];
    if (text)
        *text = row.text;
    if (background)
        *background = row.background;
    if (style)
        *style = row.style;
    return 1;
}

int FindColorFormat(const ColorFormat* table, const char* name, int id)
{
    if (!table)
        return -1;
    for (int i = 0; table[i].name; ++i)
    {
        if (id != 0 ? table[i].id == id : (name && strcmp(table[i].name, name) == 0))
            return i;
    }
    return -1;
}

int UpdateColorFormat(ColorFormat* table, COLORREF text, COLORREF background, const char* name, int id,
                      uint32_t style)
{
    int row = FindColorFormat(table, name, id);
    if (row < 0)
        return 0;
    table[row].text = text;
    table[row].background = background;
    // A row found by its name keeps its id: id 0 would leave it out of the saved settings.
    table[row].id = id != 0 ? id : table[row].id;
    table[row].style = style;
    return 1;
}

uint8_t* BuildColorFormatMap(const ColorFormat* table)
{
    uint8_t* map = static_cast<uint8_t*>(calloc(256, 1));
    if (!map || !table)
        return map;
    for (int i = 0; i < 257 && table[i].name; ++i)
        if (table[i].id >= 0 && table[i].id < 256)
            map[table[i].id] = static_cast<uint8_t>(i + 1);
    return map;
}

int FormatPairTextRow(const AnsiViewSettings* settings, int pair)
{
    int row = pair & 0xFF;
    return (!settings || row >= settings->formatCount) ? 0 : row;
}

int FormatPairBackgroundRow(const AnsiViewSettings* settings, int pair)
{
    int row = (pair >> 8) & 0xFF;
    if (row == 0)
        row = pair & 0xFF;
    return (!settings || row >= settings->formatCount) ? 0 : row;
}

HFONT CreateAnsiFont(const AnsiFontInfo& info)
{
    char face[32];
    memcpy(face, info.faceName, sizeof face);
    face[31] = 0;   // a description read from the registry need not be terminated
    return CreateFontA(info.height, info.width, 0, 0, (info.flags & AFF_BOLD) ? 700 : 400,
                       (info.flags & AFF_ITALIC) ? TRUE : FALSE, (info.flags & AFF_UNDERLINE) ? TRUE : FALSE, FALSE,
                       ANSI_CHARSET, 6, (info.flags & AFF_CLIP_STROKE) ? 15 : 2, 0,
                       (info.flags & AFF_FIXED_PITCH) ? FIXED_PITCH : VARIABLE_PITCH, face);
}

int FontCandidates(int height, const char* face, const AnsiFontInfo& stored, AnsiFontInfo* request,
                   const char* faces[5])
{
    AnsiFontInfo r = stored;
    r.faceName[31] = 0;
    if (height != 0)
    {
        r.height = height < 6 ? 6 : (height > 48 ? 48 : height);
        r.width = 0;
        r.flags = AFF_FIXED_PITCH;
        memset(r.faceName, 0, sizeof r.faceName);
        if (face)
            strncpy(r.faceName, face, sizeof r.faceName - 1);
    }
    if (request)
        *request = r;
    // The stored face of a description read from the registry is terminated on loading.
    faces[0] = height != 0 ? (face ? face : "") : stored.faceName;
    faces[1] = "Courier";
    faces[2] = "Terminal";
    faces[3] = "Fixedsys";
    faces[4] = "";
    return 5;
}

// "Software" \ application key \ profile name \ name; an own path replaces the first three.
// A name beginning with "#" is the whole path.
int GetViewRegistryPath(char* buffer, int size, const char* name, const char* ownPath)
{
    if (!buffer || size < 1)
        return 0;
    buffer[0] = 0;
    if (name && name[0] == '#')
    {
        int n = static_cast<int>(strlen(name + 1));
        if (n + 1 > size)
            return 0;
        memcpy(buffer, name + 1, n + 1);
        return n;
    }
    int length = 0;
    if (ownPath && *ownPath)
    {
        if (!AppendPart(buffer, size, &length, ownPath))
            return length;
    }
    else
    {
        if (!AppendPart(buffer, size, &length, "Software") ||
            !AppendPart(buffer, size, &length, GetAppRegistryKey()) ||
            !AppendPart(buffer, size, &length, GetAppName()))
            return length;
    }
    AppendPart(buffer, size, &length, name);
    return length;
}

int LoadViewSettings(AnsiViewSettings* settings, const char* path, int machine, const char* ownPath,
                     bool* fontLoaded)
{
    if (fontLoaded)
        *fontLoaded = false;
    if (!settings || !path)
        return 0;
    char* key = nullptr;
    if (ownPath && *ownPath)
    {
        key = CopyOf(ownPath);
    }
    else
    {
        size_t n = strlen(path);
        if (n > 0 && path[n - 1] == '\\')
            --n;
        size_t nameLength = strlen(settings->viewName);
        key = static_cast<char*>(malloc(n + 1 + nameLength + 1));
        if (key)
        {
            memcpy(key, path, n);
            key[n] = '\\';
            memcpy(key + n + 1, settings->viewName, nameLength + 1);
            free(settings->registryPath);
            settings->registryPath = CopyOf(key);
        }
    }
    if (!key)
        return 0;
    CRegistry registry;
    int opened = registry.Open(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key, REGISTRY_READ);
    free(key);
    if (!opened)
        return 0;

    AnsiFontInfo info;
    if (registry.ReadValue(&info, sizeof info, "Font", REG_BINARY) && registry.GetLastSize() == sizeof info)
    {
        info.faceName[31] = 0;
        settings->font = info;
        if (fontLoaded)
            *fontLoaded = true;
    }

    if (!registry.OpenSubKey("Colors"))
        return 0;
    for (int visited = 0; visited < kMaxFormatSubkeys; ++visited)
    {
        // The end of the enumeration and a subkey that cannot be opened fail alike: both are
        // passed over, and the visit count ends the loop.
        if (!registry.OpenSubKey(REG_ENUM_NEXT))
            continue;
        int id = ParseFormatId(registry.GetValueName());
        char name[kMaxFormatName];
        if (id > 0 && registry.ReadString(name, sizeof name, "Name"))
        {
            DWORD background = kSystemColor, text = kSystemColor, style = 0;
            registry.ReadDword(&background, "BG");
            registry.ReadDword(&text, "TX");
            registry.ReadDword(&style, "Font");
            int row = FindColorFormat(settings->formats, nullptr, id);
            if (row >= 0)
            {
                settings->formats[row].background = background;
                settings->formats[row].text = text;
                settings->formats[row].style = style;
            }
            else
            {
                AddColorFormat(settings, text, background, name, id, style);
            }
        }
        registry.CloseSubKey();
    }
    return 1;
}

int SaveViewSettings(const AnsiViewSettings* settings, const char* path, const char* ownPath)
{
    if (!settings)
        return 0;
    const char* key = path ? path : ((ownPath && *ownPath) ? ownPath : settings->registryPath);
    if (!key || !*key)
        return 0;
    CRegistry registry;
    if (!registry.Open(HKEY_CURRENT_USER, key, REGISTRY_CREATE))
        return 0;
    registry.WriteValue(&settings->font, sizeof settings->font, "Font", REG_BINARY);
    if (!registry.CreateSubKey("Colors"))
        return 0;
    for (int i = 0; i < settings->formatCount; ++i)
    {
        const ColorFormat& row = settings->formats[i];
        if (row.id == 0)
            continue;   // a duplicate id has no key of its own
        char id[16];
        snprintf(id, sizeof id, "%d", static_cast<int>(row.id));
        if (!registry.CreateSubKey(id))
            continue;
        registry.WriteDword(row.background, "BG");
        registry.WriteDword(row.text, "TX");
        registry.WriteString(row.name, "Name");
        registry.WriteDword(row.style, "Font");
        registry.CloseSubKey();
    }
    return 1;
}
