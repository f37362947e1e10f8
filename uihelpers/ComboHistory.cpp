#include "uihelpers/ComboHistory.h"

#include <stdlib.h>
#include <string.h>
#include "classlib/String.h"
#include "services/Registry.h"
#include "uihelpers/ListFill.h"

namespace {

const int kMaxHistory = 16;
const char kCurrentMark = 0x02;

// A growing byte list of NUL-ended texts; after a failed allocation it stays failed.
class TextListBuilder {
public:
    ~TextListBuilder() { free(m_data); }
    bool Add(const char* text, size_t length, bool marked)
    {
        if (!Reserve(length + 2))
            return false;
        if (marked)
            m_data[m_size++] = kCurrentMark;
        memcpy(m_data + m_size, text, length);
        m_size += length;
        m_data[m_size++] = 0;
        return true;
    }
    // The list with its final NUL, or NULL after a failure.
    const char* Finish()
    {
        if (!Reserve(1))
            return NULL;
        m_data[m_size] = 0;
        return m_data;
    }
private:
    bool Reserve(size_t extra)
    {
        if (m_failed)
            return false;
        if (m_size + extra + 1 > m_capacity) {
            size_t want = (m_size + extra + 1) * 2;
            char* grown = static_cast<char*>(realloc(m_data, want));
            if (!grown) {
                m_failed = true;
                return false;
            }
            m_data = grown;
            m_capacity = want;
        }
        return true;
    }
    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
    bool m_failed = false;
};

// The text of a combo box item in a heap block (caller frees), NULL when it cannot be read.
char* ComboItemText(HWND combo, int index)
{
    LRESULT len = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len < 0)
        return NULL;
    char* text = static_cast<char*>(malloc(static_cast<size_t>(len) + 1));
    if (!text)
        return NULL;
    text[0] = 0;
    LRESULT got = SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    text[got >= 0 && got <= len ? got : 0] = 0;
    return text;
}

char* WindowTextAlloc(HWND wnd)
{
    int len = GetWindowTextLengthA(wnd);
    if (len < 0)
        len = 0;
    char* text = static_cast<char*>(malloc(static_cast<size_t>(len) + 1));
    if (!text)
        return NULL;
    text[0] = 0;
    int got = GetWindowTextA(wnd, text, len + 1);
    text[got >= 0 && got <= len ? got : 0] = 0;
    return text;
}

}  // namespace

int OpenHistoryKey(CRegistry& registry, const char* keyPath, int mode)
{
    if (keyPath && keyPath[0] == '#') {
        if (!registry.Open(HKEY_CURRENT_USER, NULL, mode))
            return 0;
        if (keyPath[1] == 0)
            return 1;
        return registry.OpenSubKey(keyPath + 1, mode == REGISTRY_CREATE ? 0 : 1);
    }
    return registry.Open(HKEY_CURRENT_USER, keyPath, mode);
}

int LoadComboHistory(HWND dialog, int controlId, const char* valueName, const char* keyPath,
                     char* buffer, int size)
{
    CRegistry registry;
    if (!OpenHistoryKey(registry, keyPath, REGISTRY_READ))
        return 0;
    return LoadComboHistoryFrom(dialog, controlId, valueName, registry, buffer, size);
}

int LoadComboHistoryFrom(HWND dialog, int controlId, const char* valueName, CRegistry& registry,
                         char* buffer, int size)
{
    HWND combo = GetDlgItem(dialog, controlId);
    if (!combo || !registry.GetKey())
        return 0;
    bool withCurrent = valueName && valueName[0] == '#';
    void* block = NULL;
    // The block ends in added terminators (two NULs for a multi-string), so the walks below
    // stop inside it whatever the value holds.
    if (!registry.ReadValueAlloc(&block, withCurrent ? valueName + 1 : valueName, REG_MULTI_SZ) || !block)
        return 0;
    const char* data = static_cast<const char*>(block);
    const char* list = data;
    if (withCurrent) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        if (data[0] == kCurrentMark) {
            SetWindowTextA(combo, data + 1);
            list = data + strlen(data) + 1;
        }
    } else {
        while (SendMessageA(combo, CB_DELETESTRING, 0, 0) >= 0) {
        }
    }
    if (buffer && size > 0) {
        const char* first = data[0] == kCurrentMark ? data + 1 : data;
        size_t n = strlen(first);
        if (n > static_cast<size_t>(size - 1))
            n = static_cast<size_t>(size - 1);
        memcpy(buffer, first, n);
        buffer[n] = 0;
    }
    int added = 0;
    if (list[0] == kCurrentMark) {
        // A list saved with its current text in front (by a "*" or "#" save, read here
        // without "#"): that text is the newest entry, and its older copies go.
        TextListBuilder rebuilt;
        const char* first = list + 1;
        // A "*" save keeps an empty edit text as a lone mark; taken as an entry, its empty text
        // ended the list before the first history entry, and nothing was loaded.
        if (first[0])
            rebuilt.Add(first, strlen(first), false);
        for (const char* p = list + strlen(list) + 1; *p; p += strlen(p) + 1) {
            if (strcmp(p, first) != 0)
                rebuilt.Add(p, strlen(p), false);
        }
        const char* joined = rebuilt.Finish();
        if (joined)
            added = FillListFromText(combo, joined, 0, FALSE);
    } else {
        added = FillListFromText(combo, list, 0, FALSE);
    }
    free(block);
    return added;
}

int LoadComboHistory(HWND dialog, int controlId, const char* valueName, const char* keyPath,
                     CString& first)
{
    char* buffer = first.GetBuffer(2048);
    if (!buffer)
        return LoadComboHistory(dialog, controlId, valueName, keyPath, NULL, 0);
    int added = LoadComboHistory(dialog, controlId, valueName, keyPath, buffer, 2048);
    first.ReleaseBuffer();
    return added;
}

int LoadComboHistoryFrom(HWND dialog, int controlId, const char* valueName, CRegistry& registry,
                         CString& first)
{
    char* buffer = first.GetBuffer(2048);
    if (!buffer)
        return LoadComboHistoryFrom(dialog, controlId, valueName, registry, NULL, 0);
    int added = LoadComboHistoryFrom(dialog, controlId, valueName, registry, buffer, 2048);
    first.ReleaseBuffer();
    return added;
}

int SaveComboHistory(HWND dialog, int controlId, const char* valueName, const char* keyPath)
{
    CRegistry registry;
    if (!OpenHistoryKey(registry, keyPath, REGISTRY_CREATE))
        return 0;
    return SaveComboHistoryTo(dialog, controlId, valueName, registry);
}

int SaveComboHistoryTo(HWND dialog, int controlId, const char* valueName, CRegistry& registry)
{
    HWND combo = GetDlgItem(dialog, controlId);
    if (!combo || !registry.GetKey())
        return 0;
    int flags = 0;
    const char* name = valueName;
    if (name && name[0] == '*') {
        flags |= 2;
        ++name;
    }
    if (name && name[0] == '#') {
        flags |= 1;
        ++name;
    }
    LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    char* current = WindowTextAlloc(combo);
    if (!current)
        return 0;
    if (!current[0] && selected >= 0) {
        char* item = ComboItemText(combo, static_cast<int>(selected));
        if (item) {
            free(current);
            current = item;
        }
    }
    if (!(flags & 2) && !current[0]) {
        free(current);
        return 0;
    }
    const size_t currentLength = strlen(current);
    TextListBuilder all;        // what is written
    TextListBuilder history;    // the same without the marked current text
    if (flags)
        all.Add(current, currentLength, true);
    int entries = 0;
    // The current text is the first of the 16 history entries, an empty one too. An empty
    // text would end the multi-string early and cut off every entry behind it, so an empty
    // current text (possible with "*") is kept only in its marked form: it takes its place
    // among the 16 without being written there.
    int places = 1;
    if (current[0]) {
        all.Add(current, currentLength, false);
        history.Add(current, currentLength, false);
        ++entries;
    }
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count && places < kMaxHistory; ++i) {
        char* item = ComboItemText(combo, i);
        if (!item)
            continue;
        if (item[0] && strcmp(item, current) != 0) {
            all.Add(item, strlen(item), false);
            history.Add(item, strlen(item), false);
            ++entries;
            ++places;
        }
        free(item);
    }
    free(current);
    const char* list = all.Finish();
    const char* historyList = history.Finish();
    if (!list || !historyList || !registry.WriteMultiString(list, name))
        return 0;
    if (selected < 0)
        FillListFromText(combo, historyList, 0, TRUE);
    return entries;
}
