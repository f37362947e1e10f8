// Who the running program is, as far as its settings are concerned: the registry key of its
// maker and its own name. The application sets both once at start-up ("QN", "Sektorlupe");
// CRegistry builds the application key "Software\<key>\<name>" under HKEY_CURRENT_USER (or
// HKEY_LOCAL_MACHINE) from them. Test programs set names of their own so that they never
// touch the real settings.
#pragma once

// Copies both texts (each cut to 127 characters); NULL counts as empty.
void SetAppIdentity(const char* registryKey, const char* appName);

// The texts last set; empty until SetAppIdentity was called. Never NULL.
const char* GetAppRegistryKey();
const char* GetAppName();

// Writes "Software\<key>\<name>" into the buffer (empty parts are left out together with
// their backslash), cut to the size and terminated when the size is at least 1. Returns the
// length written.
int BuildAppKeyPath(char* buffer, int size);
