// What the benchmark programs share: a clock, the median of rounds, and a settings key of
// their own whose open mode opens nothing when a document is made.
#pragma once
#include "services/AppIdentity.h"
#include <windows.h>
#include <algorithm>
#include <vector>

namespace bench {

inline double Now()
{
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline void PrepareSettings()
{
    SetAppIdentity("SektorlupeBench", "Bench");
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SektorlupeBench\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        DWORD mode = 2;
        RegSetValueExA(key, "OpenMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode), sizeof mode);
        RegCloseKey(key);
    }
}

inline void ForgetSettings()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SektorlupeBench");
}

}  // namespace bench
