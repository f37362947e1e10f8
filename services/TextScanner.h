// CTextScanner: a CDataStream read through a lookahead window, with the scanners the module
// compiler reads its text with.
//
// The window is the stream's own buffer (its size given to the constructor; the callers use
// 32768), so Read, Seek and Write of the stream and the scanners never disagree about the
// position. Every length below is measured from the current position and bounded by the
// window: a line (word, blank run, quoted string) longer than the window is reported with
// the window's length. None of them moves the position; SkipAndPeek and NextLine do.
//
// Word characters are those of the module language: letters, digits, "_" and every byte
// from 0x80 up (textlib's CCM_MODULEWORD); blanks are blank and TAB.
#pragma once
#include "services/DataStream.h"

class CTextScanner : public CDataStream
{
public:
    static const int kMaxQuoted = 256;

    explicit CTextScanner(int bufferSize = 32768);

    // Opens a file as CDataStream::Open does (STREAM_READ to read).
    int OpenEx(const char* path, int mode);

    // Moves `skip` bytes on (negative: back) and returns a pointer into the window at the new
    // position with at least `keep` bytes behind it (at most the window size) unless the
    // data ends first; GetPeekLength tells how many there are, and a NUL byte always follows
    // them. NULL at the end of the data (or when the move fails).
    const char* SkipAndPeek(int skip, int keep);

    // The bytes available in the window at the current position (as last peeked or scanned).
    int GetPeekLength() const { return Buffered(); }

    int WordLength();     // letters, digits, "_" and bytes from 0x80
    int BlankLength();    // blanks and TABs
    int LineLength();     // up to the CR or LF (or the end of the data)

    // A double-quoted string at the current position with both quotes; a backslash takes the
    // next byte with it (so \" does not end the string). 0 when no quote is there. A string
    // that the line end or the data end cuts off is reported up to there (the last byte is
    // then no quote).
    int QuotedLength();

    // Copies the text between the quotes of the string at the current position (escapes as
    // they stand) into the buffer: at most 256 bytes and size - 1, terminated. Returns the
    // bytes copied; 0 with an empty buffer when no quote is there.
    int GetQuoted(char* buffer, int size);

    // Moves past the end of the current line (CR LF, LF or CR), however long the line is.
    // Returns 1 when a line end was passed, 0 when the data ended first.
    int NextLine();

private:
    template <typename Predicate>
    int ScanRun(Predicate inRun);
};
