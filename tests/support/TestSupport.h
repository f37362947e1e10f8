// Helpers shared by the test suites: where the sources and the build tree are, and a
// registry key of the Wine prefix that exists only for one test.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace testsupport {

// The source and build folders as Windows paths (Wine maps / to Z:\), from the
// environment CTest sets; empty when run by hand without it.
std::string SourceDir();
std::string BinaryDir();

// A Unix path of the build tree turned into a path Wine opens.
std::string HostPath(const std::string& unixPath);

// HKCU\Software\SektorlupeTests\<name>: removed with all its subkeys before and after use.
class ScratchKey {
public:
    explicit ScratchKey(const char* name);
    ~ScratchKey();
    const std::string& Path() const { return m_path; }   // relative to HKCU
    HKEY Open() const;                                    // caller closes
private:
    std::string m_path;
};

// Asks `done` every 50 ms until it answers true (true) or `timeoutMs` have passed (false):
// for what another process or a posted message brings, however busy the machine is.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 60000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

}  // namespace testsupport
