#include "services/AppIdentity.h"

namespace {

const int kIdentityChars = 128;

char g_registryKey[kIdentityChars];
char g_appName[kIdentityChars];

void CopyIdentityText(char* target, const char* text)
{
    int n = 0;
    if (text) {
        while (n < kIdentityChars - 1 && text[n] != '\0') {
            target[n] = text[n];
            ++n;
        }
    }
    target[n] = '\0';
}

// Appends `text` at *length, keeping room for the terminator.
void AppendPart(char* buffer, int size, int* length, const char* text)
{
    while (*text != '\0' && *length < size - 1)
        buffer[(*length)++] = *text++;
}

}  // namespace

void SetAppIdentity(const char* registryKey, const char* appName)
{
    CopyIdentityText(g_registryKey, registryKey);
    CopyIdentityText(g_appName, appName);
}

const char* GetAppRegistryKey()
{
    return g_registryKey;
}

const char* GetAppName()
{
    return g_appName;
}

int BuildAppKeyPath(char* buffer, int size)
{
    if (!buffer || size < 1)
        return 0;
    int length = 0;
    AppendPart(buffer, size, &length, "Software");
    const char* parts[2] = {g_registryKey, g_appName};
    for (const char* part : parts) {
        if (part[0] == '\0')
            continue;
        AppendPart(buffer, size, &length, "\\");
        AppendPart(buffer, size, &length, part);
    }
    buffer[length] = '\0';
    return length;
}
