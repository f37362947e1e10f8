// Queries of the running system: bitmap dimensions and the Windows version.
#pragma once
#include <windows.h>

// The bitmap's width, height and bits per pixel (each out pointer may be NULL). Returns 1,
// or 0 with the three values set to 0 when the bitmap cannot be read.
int GetBitmapSize(HBITMAP bitmap, int* width, int* height, int* bitsPerPixel);

// The running Windows version as major * 65536 + minor. Asked of the system once (from
// ntdll's RtlGetVersion, which reports the real version whatever the manifest says, else
// from GetVersionEx) and kept; the value serves the user-interface thread.
DWORD GetWindowsVersion();
