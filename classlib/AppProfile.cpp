// The application's profile settings: HKEY_CURRENT_USER\Software\<registry key>\<profile
// name>\<section> once SetRegistryKey was called, else the .INI file m_pszProfileName.
#include "classlib/WinApp.h"
#include "services/Registry.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// "Software\<key>\<profile>[\<section>]"; empty when the application has no registry key.
CString SectionPath(const CWinApp* app, LPCSTR section)
{
    CString path;
    if (!app->m_pszRegistryKey || !app->m_pszProfileName)
        return path;
    path = "Software\\";
    path += app->m_pszRegistryKey;
    path += "\\";
    path += app->m_pszProfileName;
    if (section && *section) {
        path += "\\";
        path += section;
    }
    return path;
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

// Opens the key of a profile path below HKEY_CURRENT_USER, creating what is missing.
HKEY CreateProfileKey(const CString& path)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace

HKEY CWinApp::GetAppRegistryKey()
{
    CString path = SectionPath(this, nullptr);
    if (path.IsEmpty())
        return nullptr;
    return CreateProfileKey(path);
}

HKEY CWinApp::GetSectionKey(LPCSTR lpszSection)
{
    if (!lpszSection || !*lpszSection)
        return nullptr;
    CString path = SectionPath(this, lpszSection);
    if (path.IsEmpty())
        return nullptr;
    return CreateProfileKey(path);
}

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    if (!lpszSection || !lpszEntry)
        return static_cast<UINT>(nDefault);
    if (m_pszRegistryKey) {
        CRegistry reg;
        DWORD value = 0;
        if (reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_READ) &&
            reg.ReadDword(&value, lpszEntry) && reg.GetLastType() == REG_DWORD)
            return value;
        return static_cast<UINT>(nDefault);
    }
    return ::GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault, m_pszProfileName);
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    if (!lpszSection || !lpszEntry)
        return FALSE;
    if (m_pszRegistryKey) {
        CRegistry reg;
        return reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_CREATE) &&
               reg.WriteDword(static_cast<DWORD>(nValue), lpszEntry);
    }
    char text[16];
    snprintf(text, sizeof(text), "%d", nValue);
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, text, m_pszProfileName);
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    CString value(lpszDefault);
    if (!lpszSection || !lpszEntry)
        return value;
    if (m_pszRegistryKey) {
        CRegistry reg;
        if (reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_READ))
            reg.ReadCString(value, lpszEntry);   // keeps the default when the value is missing
        return value;
    }
    // The profile API cannot tell "missing" from "empty", so it is given the default.
    char buffer[4096];
    ::GetPrivateProfileStringA(lpszSection, lpszEntry, lpszDefault ? lpszDefault : "", buffer,
                               sizeof(buffer), m_pszProfileName);
    return CString(buffer);
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    if (!lpszSection)
        return FALSE;
    if (m_pszRegistryKey) {
        if (!lpszEntry) {
            HKEY appKey = GetAppRegistryKey();
            if (!appKey)
                return FALSE;
            LONG rc = ::RegDeleteTreeA(appKey, lpszSection);
            ::RegCloseKey(appKey);
            return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
        }
        CRegistry reg;
        if (!lpszValue) {
            if (!reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_WRITE))
                return TRUE;   // no section: nothing to delete
            return reg.DeleteValue(lpszEntry) || reg.GetLastError() == ERROR_FILE_NOT_FOUND;
        }
        return reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_CREATE) &&
               reg.WriteString(lpszValue, lpszEntry);
    }
    return ::WritePrivateProfileStringA(lpszSection, lpszEntry, lpszValue, m_pszProfileName);
}

BOOL CWinApp::GetProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, BYTE** ppData, UINT* pBytes)
{
    if (ppData)
        *ppData = nullptr;
    if (pBytes)
        *pBytes = 0;
    if (!lpszSection || !lpszEntry || !ppData || !pBytes)
        return FALSE;
    if (m_pszRegistryKey) {
        CRegistry reg;
        void* block = nullptr;
        if (!reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_READ) ||
            !reg.ReadValueAlloc(&block, lpszEntry, REG_BINARY))
            return FALSE;
        UINT size = reg.GetLastSize();
        BYTE* data = new (std::nothrow) BYTE[size ? size : 1];
        if (!data) {
            free(block);
            return FALSE;
        }
        memcpy(data, block, size);
        free(block);
        *ppData = data;
        *pBytes = size;
        return TRUE;
    }
    // In an .INI file the bytes are kept as hexadecimal text.
    CString text = GetProfileString(lpszSection, lpszEntry, "");
    int length = text.GetLength();
    if (length == 0 || (length & 1))
        return FALSE;
    BYTE* data = new (std::nothrow) BYTE[length / 2];
    if (!data)
        return FALSE;
    for (int i = 0; i < length / 2; ++i) {
        int high = HexValue(text[2 * i]);
        int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            delete[] data;
            return FALSE;
        }
        data[i] = static_cast<BYTE>(high * 16 + low);
    }
    *ppData = data;
    *pBytes = static_cast<UINT>(length / 2);
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCSTR lpszSection, LPCSTR lpszEntry, LPBYTE pData, UINT nBytes)
{
    if (!lpszSection || !lpszEntry || (!pData && nBytes))
        return FALSE;
    static const BYTE kNothing = 0;
    if (!pData)
        pData = const_cast<LPBYTE>(&kNothing);
    if (m_pszRegistryKey) {
        if (nBytes > 0x7FFFFFF0u)
            return FALSE;
        CRegistry reg;
        return reg.Open(HKEY_CURRENT_USER, SectionPath(this, lpszSection), REGISTRY_CREATE) &&
               reg.WriteValue(pData, static_cast<int>(nBytes), lpszEntry, REG_BINARY);
    }
    if (nBytes > 0x3FFFFFF0u / 2)
        return FALSE;
    CString text;
    char* out = text.GetBufferSetLength(static_cast<int>(nBytes * 2));
    if (!out)
        return FALSE;
    static const char kDigits[] = "0123456789ABCDEF";
    for (UINT i = 0; i < nBytes; ++i) {
        out[2 * i] = kDigits[pData[i] >> 4];
        out[2 * i + 1] = kDigits[pData[i] & 15];
    }
    text.ReleaseBuffer(static_cast<int>(nBytes * 2));
    return WriteProfileString(lpszSection, lpszEntry, text);
}
