#include "uihelpers/WindowServices.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include "uihelpers/OwnMessageBox.h"

namespace {

ConsoleAllocator g_allocConsole = ::AllocConsole;
bool g_consoleTried = false;

}  // namespace

ConsoleAllocator SetConsoleAllocator(ConsoleAllocator allocator)
{
    ConsoleAllocator previous = g_allocConsole;
    g_allocConsole = allocator ? allocator : ::AllocConsole;
    g_consoleTried = false;
    return previous;
}

int OpenDebugConsole()
{
    // Only the first call tries; a console that could not be had is not asked for again, and
    // the answer is nonzero either way: the console is a debugging aid, and nothing the
    // program does depends on it.
    if (g_consoleTried)
        return 1;
    g_consoleTried = true;
    // A program started from a console has one already; it is used as it is.
    if (!g_allocConsole() && GetLastError() != ERROR_ACCESS_DENIED)
        return 1;   // no console to be had: still nonzero
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE)
        return 1;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(output), _O_TEXT);
    if (fd < 0)
        return 1;
    // The runtime's stdout keeps its FILE object; its descriptor now leads to the console.
    fflush(stdout);
    if (_dup2(fd, _fileno(stdout)) == 0)
        setvbuf(stdout, NULL, _IONBF, 0);
    return 1;
}

BOOL BringWindowToFront(HWND window)
{
    DWORD own = GetCurrentThreadId();
    HWND foreground = GetForegroundWindow();
    DWORD other = foreground ? GetWindowThreadProcessId(foreground, NULL) : 0;
    bool attach = other != 0 && other != own && AttachThreadInput(own, other, TRUE);
    BringWindowToTop(window);
    BOOL shown = ShowWindow(window, IsZoomed(window) ? SW_SHOWMAXIMIZED : SW_RESTORE);
    if (attach)
        return AttachThreadInput(own, other, FALSE);
    return shown;
}

int RecycleFile(LPCSTR path)
{
    if (!path || !*path)
        return 0;
    // Only the file named, whole: a path cut to 259 characters may name another file, and a
    // wildcard would recycle every file it matches.
    if (strlen(path) > MAX_PATH - 1 || strpbrk(path, "*?"))
        return 0;
    char from[MAX_PATH + 1];           // 259 characters and two NULs
    memset(from, 0, sizeof from);
    strncpy(from, path, MAX_PATH - 1);
    SHFILEOPSTRUCTA op;
    memset(&op, 0, sizeof op);
    op.wFunc = FO_DELETE;
    op.pFrom = from;
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted ? 1 : 0;
}

int ShowMessageBoxParams(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    MessageBoxParams params;
    memset(&params, 0, sizeof params);
    params.cbSize = sizeof params;
    params.hwndOwner = owner;
    params.lpszText = text;
    params.lpszCaption = caption;
    params.dwStyle = style;
    return ShowMessageBox(&params, 0, 0);
}
