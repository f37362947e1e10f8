// Shared segments of the editor tests: identity and scratch key, a beep counter on the text
// view's system seam, and an independent plain-text reference of what an edit should do.
#pragma once
#include "editor/MarkTextView.h"

#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace edittest {

inline int g_beeps = 0;
inline DWORD g_tick = 5000;
inline bool g_keys[256];
inline BOOL WINAPI CountBeep(UINT)
{
    ++g_beeps;
    return TRUE;
}
inline DWORD WINAPI FakeTick()
{
    return g_tick;
}
inline SHORT WINAPI FakeKeys(int key)
{
    return (key >= 0 && key < 256 && g_keys[key]) ? static_cast<SHORT>(0x8000) : 0;
}

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "Editor");
        g_beeps = 0;
        g_tick = 5000;
        memset(g_keys, 0, sizeof(g_keys));
        AnsiViewSystemSeam seam = { FakeKeys, FakeTick, CountBeep };
        SetAnsiViewSystemSeam(&seam);
        m_savedOptions = EditOptions;
        m_savedTab = TabWidth;
        EditOptions = 0x1849;
        TabWidth = 4;
    }
    void TearDown() override
    {
        EditOptions = m_savedOptions & ~EO_CHANGED;
        TabWidth = m_savedTab;
        SetAnsiViewSystemSeam(nullptr);
    }
    testsupport::ScratchKey m_scratch{ "Editor" };
    uint32_t m_savedOptions = 0;
    int m_savedTab = 4;
};

// A hidden top-level window of its own class (registered once) that stands in for a window
// the editor or its dialogs talk to.
inline HWND CreateStandInWindow(const char* className, WNDPROC procedure, int width = 640, int height = 400)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The editor's lines as strings.
inline std::vector<std::string> Lines(const CTextEdit& edit)
{
    std::vector<std::string> out;
    for (int l = 0; l < edit.GetLineCount(); ++l)
    {
        int length = 0;
        const char* text = edit.GetLineText(l, &length);
        out.emplace_back(text, static_cast<size_t>(length));
    }
    return out;
}

// Display column of a byte index with TAB stops every `tab` columns.
inline int RefColumn(const std::string& line, size_t index, int tab = 4)
{
    int c = 0;
    for (size_t i = 0; i < index && i < line.size(); ++i)
        c = line[i] == '\t' ? (c / tab + 1) * tab : c + 1;
    return c;
}

// Line breaks as the editor takes them: CR LF and CR CR LF are one break, CR and LF alone one.
inline std::vector<std::string> RefSplit(const std::string& text)
{
    std::vector<std::string> out(1);
    for (size_t i = 0; i < text.size(); ++i)
    {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i, out.emplace_back();
        else if (c == '\r' && i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n')
            i += 2, out.emplace_back();
        else if (c == '\r' || c == '\n')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// Inserting text at a byte position of an existing line.
inline void RefInsert(std::vector<std::string>& lines, size_t line, size_t index, const std::string& text)
{
    std::vector<std::string> segments = RefSplit(text);
    std::string head = lines[line].substr(0, index);
    std::string tail = lines[line].substr(index);
    if (segments.size() == 1)
    {
        lines[line] = head + segments[0] + tail;
        return;
    }
    lines[line] = head + segments[0];
    for (size_t i = 1; i < segments.size(); ++i)
        lines.insert(lines.begin() + static_cast<long>(line + i), segments[i] + (i + 1 == segments.size() ? tail : ""));
}

// Removing the bytes between two positions (ordered).
inline void RefErase(std::vector<std::string>& lines, size_t l1, size_t i1, size_t l2, size_t i2)
{
    std::string joined = lines[l1].substr(0, i1) + lines[l2].substr(i2);
    lines.erase(lines.begin() + static_cast<long>(l1) + 1, lines.begin() + static_cast<long>(l2) + 1);
    lines[l1] = joined;
}

}  // namespace edittest
