// Expansion of a path typed or passed on the command line into its full long form: every
// component becomes the name stored on disk (long name, stored letter case), so that a short
// name such as C:\PROGRA~1\X.IMG shows and is remembered as the real path.
#pragma once

// The size of the work buffer of the command-line step; a full path that does not fit into
// it is left as given.
const int kExpandPathBufferSize = 516;

// Expands `path` into `out` (room for `outSize` bytes including the NUL).
// Returns true when `out` holds the expanded path. Returns false and leaves `out` untouched
// when there is nothing to expand or the result would not fit; the caller keeps its path.
// Left as given (false, last error ERROR_SUCCESS): drive names such as "D:", "D:\" and "D:/"
// (the full path of "D:" would be that drive's current folder, and the drive itself is what
// the user means), device paths "\\.\..." and "\\?\...", and the bare names of physical
// drives ("Physical" and one or two characters, in any letter case) while no file of that
// name is in the current folder; also a path with nothing after its root. Other failures:
// ERROR_INVALID_PARAMETER (null or empty text, no buffer), ERROR_INSUFFICIENT_BUFFER (the
// full path needs kExpandPathBufferSize bytes or more, or the result does not fit into
// `out`), ERROR_NOT_ENOUGH_MEMORY.
// A component holding "*" or "?", or one that is not found, ends the expansion; the rest of
// the path is then copied as it stands.
bool ExpandLongPath(const char* path, char* out, int outSize);

// The component walk of ExpandLongPath alone, on a path that is already full: the root
// (everything up to the first separator and the separators after it) is copied as it
// stands, then each component is looked up in turn; exactly one separator is skipped after
// a component, so a doubled separator leaves an empty component, which ends the expansion
// like a missing one. Same result and buffer rules as ExpandLongPath.
bool ExpandFullPathComponents(const char* fullPath, char* out, int outSize);

// The command-line step on a string record (anything readable as const char* and assignable
// from one, such as the class library's CString): the record is replaced by the expanded
// path, and stays unchanged whenever ExpandLongPath returns false.
template <class Text>
bool ExpandLongPathOf(Text& fileName)
{
    char expanded[kExpandPathBufferSize];
    const char* current = fileName;
    if (!ExpandLongPath(current, expanded, kExpandPathBufferSize))
        return false;
    fileName = expanded;
    return true;
}
