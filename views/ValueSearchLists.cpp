#include "views/ValueSearchLists.h"

#include "views/ValueSearch.h"

#include "services/ByteUtils.h"
#include "services/Registry.h"
#include "textlib/CQuote.h"
#include "textlib/StrPrintf.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kHistoryValue[] = "HexFind";
const char kGroupValue[] = "HexGroup";
const char kFlagsValue[] = "HexFindFlags";

// Reads a list value into a new block, NULL when it is missing or empty.
char* ReadListValue(CRegistry& registry, const char* name, int maxCount)
{
    char buffer[VS_REGISTRY_LIST_MAX + 2];
    if (!registry.ReadValue(buffer, VS_REGISTRY_LIST_MAX, name, REG_MULTI_SZ))
        return nullptr;
    // The reader terminates a multi-string with two NULs within its size; the two spare
    // bytes make sure of it even for a value that fills the buffer exactly.
    buffer[VS_REGISTRY_LIST_MAX] = 0;
    buffer[VS_REGISTRY_LIST_MAX + 1] = 0;
    if (!buffer[0])
        return nullptr;
    return MultiTextCopy(buffer, maxCount);
}

}  // namespace

const char* MultiTextAt(const char* list, int n)
{
    if (!list || n < 0)
        return nullptr;
    const char* p = list;
    for (int i = 0; *p; ++i)
    {
        if (i == n)
            return p;
        p += strlen(p) + 1;
    }
    return nullptr;
}

int MultiTextFind(const char* list, const char* text)
{
    if (!list || !text)
        return -1;
    const char* p = list;
    for (int i = 0; *p; ++i)
    {
        if (strcmp(p, text) == 0)
            return i;
        p += strlen(p) + 1;
    }
    return -1;
}

int MultiTextSize(const char* list)
{
    if (!list)
        return 0;
    const char* p = list;
    while (*p)
        p += strlen(p) + 1;
    return static_cast<int>(p - list) + 1;
}

int MultiTextCount(const char* list)
{
    if (!list)
        return 0;
    int count = 0;
    for (const char* p = list; *p; p += strlen(p) + 1)
        ++count;
    return count;
}

int MultiTextInsert(char** list, int n, const char* text)
{
    if (!list || !text || !*text)
        return -1;
    const int count = MultiTextCount(*list);
    if (n < 0 || n > count)
        n = count;
    const int oldSize = *list ? MultiTextSize(*list) : 1;
    const int length = static_cast<int>(strlen(text)) + 1;
    char* block = static_cast<char*>(malloc(oldSize + length));
    if (!block)
        return -1;
    int at = 0;
    if (*list)
    {
        const char* where = MultiTextAt(*list, n);
        at = where ? static_cast<int>(where - *list) : oldSize - 1;
        memcpy(block, *list, at);
        memcpy(block + at + length, *list + at, oldSize - at);
    }
    else
    {
        block[length] = 0;
    }
    memcpy(block + at, text, length);
    free(*list);
    *list = block;
    return n;
}

int MultiTextRemove(char* list, int n)
{
    char* at = const_cast<char*>(MultiTextAt(list, n));
    if (!at)
        return 0;
    const int length = static_cast<int>(strlen(at)) + 1;
    const int tail = MultiTextSize(list) - static_cast<int>(at - list) - length;
    memmove(at, at + length, tail);
    return 1;
}

void MultiTextFree(char** list)
{
    if (!list)
        return;
    free(*list);
    *list = nullptr;
}

char* MultiTextCopy(const char* list, int maxCount)
{
    int size = 1;
    if (list)
    {
        const char* p = list;
        for (int i = 0; *p && (maxCount < 0 || i < maxCount); ++i)
            p += strlen(p) + 1;
        size = static_cast<int>(p - list) + 1;
    }
    char* block = static_cast<char*>(malloc(size));
    if (!block)
        return nullptr;
    if (size > 1)
        memcpy(block, list, size - 1);
    block[size - 1] = 0;
    return block;
}

int AddToHistory(char** list, const char* text, int maxCount)
{
    if (!list || !text || !*text)
        return 0;
    for (int i = MultiTextFind(*list, text); i >= 0; i = MultiTextFind(*list, text))
        MultiTextRemove(*list, i);
    if (MultiTextInsert(list, 0, text) < 0)
        return 0;
    if (maxCount < 1)
        maxCount = VS_HISTORY_MAX;
    while (MultiTextCount(*list) > maxCount)
        MultiTextRemove(*list, maxCount);
    return 1;
}

int SelectionToSearchText(const uint8_t* bytes, int count, char* text)
{
    if (!text)
        return 0;
    text[0] = 0;
    if (!bytes || count < 1)
        return 0;
    if (count > VS_SELECTION_MAX)
        count = VS_SELECTION_MAX;
    bool printable = true;
    for (int i = 0; i < count; ++i)
        if (bytes[i] < 32 || bytes[i] > 127)
            printable = false;
    if (printable)
        return QuoteCString(text, VS_SELECTION_TEXT_SIZE, bytes, count, 0);
    return BytesToHexText(bytes, text, count,
                          HEXTEXT_LEADING_COLON | HEXTEXT_SEPARATOR(' ') | HEXTEXT_NO_TRAILING |
                              HEXTEXT_TERMINATE);
}

char* MakeSelectionPattern(const uint8_t* bytes, int count, uint32_t flags)
{
    if (!bytes || count < 1)
        return nullptr;
    if (count > VS_SELECTION_MAX)
        count = VS_SELECTION_MAX;
    char distance[16];
    int distanceLength = StrPrintf(distance, "%i", count);
    char line[16 + 2 * VS_SELECTION_MAX];
    memcpy(line, "T:0x        :", 13);
    char digits[8];
    StrPrintf(digits, "%04X", count);
    memcpy(line + 4, digits, 4);
    if (flags & VSF_IGNORE_CASE)
    {
        line[9] = '/';
        line[10] = 'G';
    }
    int lineLength = 13 + BytesToHexText(bytes, line + 13, count, HEXTEXT_TERMINATE);
    const int size = distanceLength + 1 + lineLength + 1 + 1;
    char* block = static_cast<char*>(malloc(size));
    if (!block)
        return nullptr;
    memcpy(block, distance, distanceLength + 1);
    memcpy(block + distanceLength + 1, line, lineLength + 1);
    block[size - 1] = 0;
    return block;
}

char* MakeSinglePattern(const char* entryLine)
{
    if (!entryLine || !*entryLine)
        return nullptr;
    const int length = static_cast<int>(strlen(entryLine));
    char* block = static_cast<char*>(malloc(length + 3));
    if (!block)
        return nullptr;
    block[0] = 0;
    memcpy(block + 1, entryLine, length + 1);
    block[length + 2] = 0;
    return block;
}

char* MakeGroupPattern(const char* groupList)
{
    if (MultiTextCount(groupList) < 2)
        return nullptr;
    return MultiTextCopy(groupList, 1 + VS_MAX_ENTRIES);
}

ValueSearchSettings& GetValueSearchSettings()
{
    static ValueSearchSettings settings = {nullptr, nullptr, nullptr, VSF_WRAP, 2, 0, 0, 0};
    return settings;
}

void ResetValueSearchSettings(ValueSearchSettings* settings)
{
    if (!settings)
        return;
    MultiTextFree(&settings->history);
    MultiTextFree(&settings->groups);
    MultiTextFree(&settings->pattern);
    settings->flags = VSF_WRAP;
    settings->byteCountChoice = 2;
    settings->dialogX = 0;
    settings->dialogY = 0;
    settings->dialogPlaced = 0;
}

int LoadValueSearchSettings(CRegistry& registry, ValueSearchSettings* settings)
{
    if (!settings)
        return 1;
    if (MultiTextCount(settings->history) == 0)
    {
        MultiTextFree(&settings->history);
        settings->history = ReadListValue(registry, kHistoryValue, VS_HISTORY_MAX);
    }
    if (MultiTextCount(settings->groups) == 0)
    {
        MultiTextFree(&settings->groups);
        settings->groups = ReadListValue(registry, kGroupValue, 1 + VS_MAX_ENTRIES);
    }
    DWORD flags = settings->flags;
    if (registry.ReadDword(&flags, kFlagsValue))
        settings->flags = flags;
    return 1;
}

int SaveValueSearchSettings(CRegistry& registry, const ValueSearchSettings& settings)
{
    int ok = 1;
    if (settings.history && !registry.WriteMultiString(settings.history, kHistoryValue))
        ok = 0;
    if (settings.groups && !registry.WriteMultiString(settings.groups, kGroupValue))
        ok = 0;
    if (!registry.WriteDword(settings.flags, kFlagsValue))
        ok = 0;
    return ok;
}
