#include "services/TextScanner.h"

#include "textlib/CharClass.h"

#include <cstring>

namespace {

inline bool IsLineEnd(unsigned char ch)
{
    return ch == '\r' || ch == '\n';
}

}  // namespace

CTextScanner::CTextScanner(int bufferSize) : CDataStream(bufferSize)
{
}

int CTextScanner::OpenEx(const char* path, int mode)
{
    return Open(path, mode);
}

const char* CTextScanner::SkipAndPeek(int skip, int keep)
{
    if (skip != 0 && Seek(skip, STREAM_CURRENT) < 0)
        return nullptr;
    int available = 0;
    return reinterpret_cast<const char*>(PeekBytes(keep, &available));
}

// The length of the run of bytes from the current position that `inRun` accepts; the
// window is refilled while the run reaches its end, up to the window's size.
template <typename Predicate>
int CTextScanner::ScanRun(Predicate inRun)
{
    int length = 0;
    for (;;) {
        int available = 0;
        const unsigned char* p = PeekBytes(length + 1, &available);
        if (!p || length >= available)
            return length;
        while (length < available && inRun(p[length]))
            ++length;
        if (length < available || available >= BufferSize())
            return length;
    }
}

int CTextScanner::WordLength()
{
    return ScanRun([](unsigned char ch) { return IsCharClass(ch, CCM_MODULEWORD) != 0; });
}

int CTextScanner::BlankLength()
{
    return ScanRun([](unsigned char ch) { return ch == ' ' || ch == '\t'; });
}

int CTextScanner::LineLength()
{
    return ScanRun([](unsigned char ch) { return !IsLineEnd(ch); });
}

int CTextScanner::QuotedLength()
{
    int available = 0;
    const unsigned char* p = PeekBytes(1, &available);
    if (!p || p[0] != '"')
        return 0;
    int length = 1;
    for (;;) {
        p = PeekBytes(length + 2, &available);
        if (length >= available)
            return length;   // the data ends inside the string
        unsigned char ch = p[length];
        if (ch == '"')
            return length + 1;
        if (IsLineEnd(ch))
            return length;   // the line ends inside the string
        if (ch == '\\' && length + 1 < available && !IsLineEnd(p[length + 1]))
            length += 2;
        else
            length += 1;
        if (length >= BufferSize())
            return BufferSize();
    }
}

int CTextScanner::GetQuoted(char* buffer, int size)
{
    if (!buffer || size < 1)
        return 0;
    buffer[0] = '\0';
    int length = QuotedLength();
    if (length < 1)
        return 0;
    int available = 0;
    const unsigned char* p = PeekBytes(length, &available);
    if (!p)
        return 0;
    if (length > available)
        length = available;
    int inner = length - 1;
    if (length >= 2 && p[length - 1] == '"') {
        // A closing quote, unless it is the escaped quote of a cut-off string.
        int backslashes = 0;
        while (length - 2 - backslashes >= 1 && p[length - 2 - backslashes] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            inner = length - 2;
    }
    int n = inner < kMaxQuoted ? inner : kMaxQuoted;
    if (n > size - 1)
        n = size - 1;
    memcpy(buffer, p + 1, static_cast<size_t>(n));
    buffer[n] = '\0';
    return n;
}

int CTextScanner::NextLine()
{
    for (;;) {
        int length = LineLength();
        const char* p = SkipAndPeek(length, 2);
        if (!p)
            return 0;
        if (p[0] == '\r') {
            SkipAndPeek(GetPeekLength() >= 2 && p[1] == '\n' ? 2 : 1, 1);
            return 1;
        }
        if (p[0] == '\n') {
            SkipAndPeek(1, 1);
            return 1;
        }
        // The line filled the whole window: go on with its next part.
    }
}
