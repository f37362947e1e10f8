// Shared by the data window's own tests and the main frame's: a stand-in for the module file
// dialog, a slot's rows as one text, and what a module set of its own makes of a copy of bytes.
#pragma once
#include "datawindow/DataWnd.h"
#include "datawindow/ModulSet.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dwtest {

// The prompts `Base`, with the open-file dialog for modules answered by one path.
template <class Base>
class ModuleChooser : public Base {
public:
    explicit ModuleChooser(const std::string& path) : file(path) {}
    bool ChooseModuleFiles(HWND, const char*, std::vector<std::string>* paths) override
    {
        paths->push_back(file);
        return true;
    }
    std::string file;
};

// A slot's rows as "name=value|...".
inline std::string RowsOf(const CModulSet& set, int slot)
{
    std::string rows;
    for (int r = 0; r < set.GetRowCount(slot); ++r) {
        const char* name;
        const char* value;
        set.GetRow(slot, r, &name, &value, nullptr, nullptr);
        rows += (r ? "|" : "") + std::string(name) + "=" + value;
    }
    return rows;
}

// What a set of its own makes of a copy of `size` bytes from `start`.
inline std::string DecodedCopy(const std::string& module, const uint8_t* bytes, int size, int start)
{
    CModulSet set;
    set.SetErrorEcho(false);
    EXPECT_EQ(set.LoadFile(module.c_str(), nullptr), 2);
    const std::vector<uint8_t> copy(bytes, bytes + size);
    set.Run(0, copy.data(), size, 0, 8192, start);
    return RowsOf(set, 0);
}

}  // namespace dwtest
