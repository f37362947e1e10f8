// The two members of CRegistry that take the class library's string.
#include "services/Registry.h"
#include "classlib/String.h"

#include <cstdlib>
#include <cstring>

bool CRegistry::ReadCString(CString& string, const char* name)
{
    void* block = nullptr;
    if (!ReadValueAlloc(&block, name, REG_SZ))
        return false;   // the string keeps its value
    // The block is terminated behind the data; a stored NUL ends the text earlier.
    string = static_cast<const char*>(block);
    free(block);
    return true;
}

int CRegistry::WriteCString(const CString& string, const char* name)
{
    return WriteValue(static_cast<LPCSTR>(string), string.GetLength() + 1, name, REG_SZ);
}
