// Every test program is linked with this file: a program that crashes fails its suite.
// Wine starts its debugger for an unhandled exception, and the exit code the debugger leaves
// is not always nonzero (after the system's file dialog had run in the process it was 0), so
// CTest counted a crashed suite as passed. This filter runs before the debugger would: it
// says what happened and ends the process with exit code 3.
#include <windows.h>
#include <stdio.h>

namespace {

LONG WINAPI EndCrashedTestProgram(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info ? info->ExceptionRecord : NULL;
    fflush(stdout);
    fprintf(stderr, "\nUnhandled exception 0x%08lX at %p: the test program ends here and fails\n",
            record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
            record ? record->ExceptionAddress : NULL);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct CrashFilter {
    CrashFilter() { SetUnhandledExceptionFilter(&EndCrashedTestProgram); }
} g_crashFilter;

}  // namespace
