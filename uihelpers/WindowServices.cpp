#include "uihelpers/WindowServices.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include "uihelpers/OwnMessageBox.h"

int OpenDebugConsole()
{
    static int opened = 0;
    if (opened)
        return opened;
    // A program started from a console has one already; it is used as it is.
    if (!AllocConsole() && GetLastError() != ERROR_ACCESS_DENIED)
        return 0;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!output || output == INVALID_HANDLE_VALUE)
        return 0;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(output), _O_TEXT);
    if (fd < 0)
        return 0;
    // The runtime's stdout keeps its FILE object; its descriptor now leads to the console.
    fflush(stdout);
    if (_dup2(fd, _fileno(stdout)) != 0)
        return 0;
    setvbuf(stdout, NULL, _IONBF, 0);
    opened = 1;
    return opened;
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
