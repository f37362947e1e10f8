// Icons of files in the shell's small system image list.
#pragma once

enum FileIconFlags
{
    FILEICON_BY_EXTENSION = 16,   // ask by the extension alone; cached per extension
};

// The index of the path's icon in the system's small image list, -1 when the shell gives
// none. With FILEICON_BY_EXTENSION the file need not exist: the shell is asked for the
// icon of the extension (behind the last "." of the file-name part; none is an extension of
// its own), and the answer is kept per extension (compared without regard to case) for the
// rest of the run. A drive root ("C:", "C:\") is always asked by its letter, uncached.
// The cache belongs to the user-interface thread; it is freed at exit.
int GetFileIconIndexA(const char* path, int flags);
