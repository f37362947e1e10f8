// Small windows for the tests of uihelpers: a hidden modeless dialog holding one control of
// a given class, made from an in-memory template. The modal scripts come from
// tests/support/ModalScript.h.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <string>
#include "classlib/DlgTemplate.h"
#include "tests/support/ModalScript.h"
#include "uihelpers/SuggestList.h"

namespace uitest {

using ModalSteps = testsupport::ModalScript;
using testsupport::ThreadDialog;
using testsupport::WindowText;

// Runs a modal loop (`loop` returns its result) under the script; the watchdog ending it
// fails the test.
template <typename Loop>
auto RunWatched(ModalSteps& steps, Loop loop) -> decltype(loop())
{
    steps.Start();
    auto result = loop();
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    return result;
}

inline INT_PTR CALLBACK QuietDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A hidden dialog with one control (id 100) of the given class and style.
class HostDialog {
public:
    HostDialog(LPCSTR controlClass, DWORD controlStyle)
    {
        CDlgTemplateBuilder b;
        b.Begin("Test", WS_POPUP | WS_CAPTION, 0, 0, 200, 150, "MS Sans Serif", 8, FALSE);
        b.AddControl(controlClass, 100, controlStyle, 0, 5, 5, 150, 100);
        m_dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), b.GetTemplate(), NULL, &QuietDlgProc, 0);
    }
    ~HostDialog() { if (m_dialog) DestroyWindow(m_dialog); }
    HWND Dialog() const { return m_dialog; }
    HWND Control() const { return GetDlgItem(m_dialog, 100); }
private:
    HWND m_dialog = nullptr;
};

// Suggestion texts posted to a popup and not yet freed.
inline int SuggestTextsAllocated()
{
    HANDLE heap = SuggestTextHeap();
    int n = 0;
    PROCESS_HEAP_ENTRY e = {};
    HeapLock(heap);
    while (HeapWalk(heap, &e))
        if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++n;
    HeapUnlock(heap);
    return n;
}

inline int WindowWidth(HWND w)
{
    RECT rc;
    GetWindowRect(w, &rc);
    return rc.right - rc.left;
}

// Files and folders of the tests that need real ones: an empty file, and a whole tree
// removed quietly (no error when it is missing).
inline void Touch(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

inline void RemoveTree(const std::string& path)
{
    std::string from = path + std::string(2, '\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

}  // namespace uitest
