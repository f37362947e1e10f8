#include "uihelpers/FileDialogExRules.h"

#include <string.h>
#include "services/AppIdentity.h"
#include "services/CaseFold.h"
#include "services/PathUtils.h"
#include "textlib/StrPrintf.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Copies at most size - 1 characters and terminates; the length copied.
size_t CopyBounded(char* out, size_t size, const char* text, size_t length)
{
    if (size == 0)
        return 0;
    if (length > size - 1)
        length = size - 1;
    memcpy(out, text, length);
    out[length] = 0;
    return length;
}

// Copies a list of terminated texts ended by an empty one, reading at most `limit` bytes;
// the copy always ends with two NULs.
void CopyMultiString(char* out, size_t size, const char* list, size_t limit)
{
    size_t i = 0;
    while (i < limit && i + 2 < size) {
        if (list[i] == 0 && (i == 0 || list[i - 1] == 0))
            break;
        out[i] = list[i];
        ++i;
    }
    if (i > 0 && out[i - 1] != 0)
        out[i++] = 0;
    out[i] = 0;
}

unsigned char Upper1252(unsigned char ch)
{
    if ((ch >= 'a' && ch <= 'z') || (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7))
        return static_cast<unsigned char>(ch - 0x20);
    return ch;
}

bool KeyExists(const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

int LastSeparator(const char* text)
{
    int at = -1;
    for (int i = 0; text[i]; ++i)
        if (IsSeparator(text[i]))
            at = i;
    return at;
}

}  // namespace

void ParseOfnRequest(const OPENFILENAMEA* ofn, OfnRequest* r)
{
    memset(r, 0, sizeof *r);
    DWORD flags = ofn->Flags;
    if (!(flags & OFN_ENABLETEMPLATE))
        flags |= OFN_ENABLESIZING;
    r->filter = ofn->lpstrFilter;
    if (flags & OFNX_CAPTION) {
        const char* filter = ofn->lpstrFilter ? ofn->lpstrFilter : "";
        const char* at = strchr(filter, '@');
        CopyBounded(r->caption, sizeof r->caption, filter, at ? static_cast<size_t>(at - filter) : strlen(filter));
        r->hasCaption = true;
        if (at)
            r->filter = at + 1;
    }
    r->keySource = flags & OFNX_KEY_MASK;
    r->systemFlags = flags & ~(OFNX_CAPTION | OFNX_KEY_MASK);
    r->dropDefExt = ofn->lpstrDefExt && IsBadStringPtrA(ofn->lpstrDefExt, 256);

    const char* custom = ofn->lpstrCustomFilter ? ofn->lpstrCustomFilter : "";
    if (r->keySource < OFNX_KEY_FOLDER_LIST) {
        const char* ext = ofn->lpstrDefExt && !r->dropDefExt ? ofn->lpstrDefExt : "";
        CopyBounded(r->keyText, sizeof r->keyText, ext, strlen(ext));
    } else if (r->keySource == OFNX_KEY_FOLDER_LIST) {
        size_t limit = ofn->nMaxCustFilter ? ofn->nMaxCustFilter : sizeof r->keyText;
        CopyMultiString(r->keyText, sizeof r->keyText, custom, ofn->lpstrCustomFilter ? limit : 1);
    } else if (r->keySource != OFNX_KEY_NONE) {
        CopyBounded(r->keyText, sizeof r->keyText, custom, strlen(custom));
    }
    r->clearCustomFilter = r->keySource >= OFNX_KEY_FOLDER_LIST && r->keySource < OFNX_KEY_NONE;
}

void OfnHistoryValueName(const char* keyText, char* name, int size)
{
    const char* ext = keyText ? keyText : "";
    for (const char* p = ext; *p; ++p)
        if (*p == '.' || *p == '*' || *p == '?')
            ext = p + 1;
    char part[25];
    size_t n = CopyBounded(part, sizeof part, ext, strlen(ext));
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(part[i]);
        part[i] = static_cast<char>(i == 0 ? Upper1252(c) : FoldCase1252(c));
    }
    StrNPrintf(name, size, "OfnList%s", part);
}

BOOL ResolveOfnHistoryPlace(DWORD keySource, const char* keyText, char* keyPath, int keyPathSize,
                            char* valueName, int valueNameSize)
{
    keySource &= OFNX_KEY_MASK;
    if (keySource == OFNX_KEY_FOLDER_LIST || keySource == OFNX_KEY_NONE || keyPathSize < 1 || valueNameSize < 1)
        return FALSE;
    const char* text = keyText ? keyText : "";
    if (keySource >= OFNX_KEY_REGISTRY_PATH) {
        int split = -1;
        for (int i = 0; text[i]; ++i)
            if (text[i] == '\\')
                split = i;
        const char* value = text + split + 1;
        // A text that ends in a backslash names a key but no value: it keeps no history
        // rather than filling the key's default value, which belongs to whoever made the key.
        if (!*value)
            return FALSE;
        CopyBounded(keyPath, static_cast<size_t>(keyPathSize), text, split < 0 ? 0 : static_cast<size_t>(split));
        CopyBounded(valueName, static_cast<size_t>(valueNameSize), value,
                    strlen(value) < 31 ? strlen(value) : 31);
        return TRUE;
    }
    const char* maker = GetAppRegistryKey();
    const char* app = GetAppName();
    char probe[300];
    if (!*maker && *app) {
        StrNPrintf(probe, sizeof probe, "Software\\QN\\%s", app);
        if (KeyExists(probe))
            maker = "QN";
    }
    if (!*maker || !*app)
        StrNPrintf(keyPath, keyPathSize, "Software\\QN\\Common\\OfnList");
    else
        StrNPrintf(keyPath, keyPathSize, "Software\\%s\\%s", maker, app);
    OfnHistoryValueName(text, valueName, valueNameSize);
    return TRUE;
}

void ClassifyChosenPath(const char* path, DWORD keySource, bool saveMode, ChosenPath* out)
{
    memset(out, 0, sizeof *out);
    size_t n = path ? strlen(path) : 0;
    if (n == 0 || n > static_cast<size_t>(kOfnPathChars))
        return;
    char* p = out->text;
    memcpy(p, path, n + 1);
    if (n > 1 && IsSeparator(p[n - 1]))
        p[--n] = 0;
    DWORD keep = keySource & OFNX_KEEP_MASK;
    int type = GetPathTypeA(p);
    out->existingFile = type == PATH_FILE;
    if (type == PATH_MISSING && !saveMode && keep == 0) {
        // A name typed into an existing folder: the folder is what the history keeps.
        int cut = LastSeparator(p);
        if (cut > 0) {
            char parent[kOfnPathChars + 2];
            memcpy(parent, p, static_cast<size_t>(cut));
            parent[cut] = 0;
            if (cut == 2 && parent[1] == ':')
                parent[cut++] = '\\', parent[cut] = 0;
            int parentType = GetPathTypeA(parent);
            if (parentType != PATH_MISSING) {
                memcpy(p, parent, static_cast<size_t>(cut) + 1);
                n = static_cast<size_t>(cut);
                type = parentType;
            }
        }
    }
    bool exists = type != PATH_MISSING;
    bool folder = type == PATH_FOLDER || type == PATH_DRIVE_ROOT;
    if (exists && !folder && keep == 0) {
        int cut = LastSeparator(p);
        if (cut < 0)
            return;                 // a bare name: no folder to keep
        p[cut + 1] = 0;
        n = static_cast<size_t>(cut) + 1;
        folder = true;
    }
    if (exists && folder && !IsSeparator(p[n - 1])) {
        p[n++] = '\\';
        p[n] = 0;
    }
    switch (keep) {
    case 0:
        out->remember = exists && folder;
        break;
    case OFNX_KEY_DEFEXT_ANY:
        out->remember = exists || saveMode;
        break;
    case OFNX_KEY_DEFEXT_NONE:
        out->remember = false;
        break;
    default:
        out->remember = (exists && !folder) || (!exists && saveMode);
        break;
    }
}

// The folder listed is the one the typed text names, and only the typed name after its last
// separator is compared with the listed names. Listing only the dialog's current folder and
// comparing each name with the whole typed text offered nothing as soon as a path was
// typed ("C:\Daten\a" is the start of no name), and never the entries of a folder typed
// with its "\".
BOOL CompletionFolder(const char* currentFolder, const char* typed, char* folder, int folderSize, int* nameStart)
{
    const char* current = currentFolder ? currentFolder : "";
    const char* text = typed ? typed : "";
    int cut = LastSeparator(text);
    *nameStart = cut + 1;
    char built[2 * (kOfnPathChars + 1)];
    if (cut < 0) {
        StrNPrintf(built, sizeof built, "%s", current);
    } else {
        char dir[kOfnPathChars + 2];
        CopyBounded(dir, sizeof dir, text, static_cast<size_t>(cut) + 1);
        bool absolute = (dir[0] && dir[1] == ':') || (IsSeparator(dir[0]) && IsSeparator(dir[1]));
        if (absolute)
            StrNPrintf(built, sizeof built, "%s", dir);
        else if (IsSeparator(dir[0]))          // the root of the current folder's drive
            StrNPrintf(built, sizeof built, "%.2s%s", current[0] && current[1] == ':' ? current : "", dir);
        else if (*current)
            StrNPrintf(built, sizeof built, "%s%s%s", current,
                       IsSeparator(current[strlen(current) - 1]) ? "" : "\\", dir);
        else
            return FALSE;
    }
    size_t n = strlen(built);
    if (n == 0 || n > static_cast<size_t>(kOfnPathChars) || static_cast<int>(n) >= folderSize)
        return FALSE;
    memcpy(folder, built, n + 1);
    return TRUE;
}

BOOL NameMatchesTyped(const char* name, const char* typedName)
{
    size_t typedLength = strlen(typedName);
    size_t nameLength = strlen(name);
    return nameLength >= typedLength &&
           CompareBytes1252(name, static_cast<int>(typedLength), typedName, static_cast<int>(typedLength), true) == 0;
}

PathCompletion::PathCompletion(CompletionSink* sink, int maxNames)
    : m_sink(sink), m_search(INVALID_HANDLE_VALUE), m_maxNames(maxNames), m_nameStart(0), m_haveFolder(false), m_matched(0),
      m_suggested(0)
{
    m_current[0] = m_typed[0] = m_listed[0] = 0;
}

PathCompletion::~PathCompletion()
{
    CloseSearch();
}

void PathCompletion::CloseSearch()
{
    if (m_search != INVALID_HANDLE_VALUE)
        FindClose(m_search);
    m_search = INVALID_HANDLE_VALUE;
}

void PathCompletion::AddListed(const char* name)
{
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return;
    if (m_names.GetCount() >= m_maxNames || m_names.InsertText(name) < 0 || m_names.GetCount() >= m_maxNames)
        CloseSearch();
}

void PathCompletion::Update(const char* currentFolder, const char* typed)
{
    bool folderChanged = currentFolder != NULL;
    if (currentFolder)
        CopyBounded(m_current, sizeof m_current, currentFolder, strlen(currentFolder));
    if (typed)
        CopyBounded(m_typed, sizeof m_typed, typed, strlen(typed));
    char want[kOfnPathChars + 3];
    int nameStart = 0;
    bool haveFolder = CompletionFolder(m_current, m_typed, want, sizeof want - 2, &nameStart) != FALSE;
    m_nameStart = nameStart;
    m_matched = 0;
    m_suggested = 0;
    m_sink->Reset();
    if (haveFolder && !folderChanged && m_haveFolder && strcmp(want, m_listed) == 0)
        return;                     // the same folder: only the matching starts again
    CloseSearch();
    m_names.Clear();
    m_haveFolder = haveFolder;
    m_listed[0] = 0;
    if (!haveFolder)
        return;
    strcpy(m_listed, want);
    char pattern[kOfnPathChars + 3];
    StrNPrintf(pattern, sizeof pattern, "%s%s*", want, IsSeparator(want[strlen(want) - 1]) ? "" : "\\");
    WIN32_FIND_DATAA found;
    m_search = FindFirstFileA(pattern, &found);
    if (m_search != INVALID_HANDLE_VALUE)
        AddListed(found.cFileName);
}

bool PathCompletion::Step()
{
    bool worked = false;
    if (m_search != INVALID_HANDLE_VALUE) {
        WIN32_FIND_DATAA found;
        if (FindNextFileA(m_search, &found))
            AddListed(found.cFileName);
        else
            CloseSearch();
        worked = true;
    }
    if (!m_typed[0])
        return worked;
    const char* typedName = m_typed + m_nameStart;
    while (m_matched < m_names.GetCount() && m_suggested < kMaxSuggestions) {
        const char* name = m_names.GetText(m_matched++);
        worked = true;
        if (!NameMatchesTyped(name, typedName))
            continue;
        if (static_cast<size_t>(m_nameStart) + strlen(name) > static_cast<size_t>(kOfnPathChars))
            continue;               // too long to be typed
        char suggestion[kOfnPathChars + 1];
        StrNPrintf(suggestion, sizeof suggestion, "%.*s%s", m_nameStart, m_typed, name);
        if (m_sink->Add(suggestion) && ++m_suggested == 1)
            m_sink->Show();
    }
    return worked;
}
