#include "tests/support/TestSupport.h"

#include <cstdlib>

namespace testsupport {

std::string HostPath(const std::string& unixPath)
{
    if (unixPath.empty() || unixPath[0] != '/')
        return unixPath;
    std::string out = "Z:";
    for (char c : unixPath)
        out += (c == '/') ? '\\' : c;
    return out;
}

std::string SourceDir()
{
    const char* s = getenv("SL_SOURCE_DIR");
    return s ? HostPath(s) : std::string();
}

std::string BinaryDir()
{
    const char* s = getenv("SL_BINARY_DIR");
    return s ? HostPath(s) : std::string();
}

ScratchKey::ScratchKey(const char* name) : m_path(std::string("Software\\SektorlupeTests\\") + name)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

ScratchKey::~ScratchKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

HKEY ScratchKey::Open() const
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

}  // namespace testsupport
