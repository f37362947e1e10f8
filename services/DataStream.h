// CDataStream: a buffered byte stream over a file, a memory block, a resource of the running
// module or a pair of caller callbacks.
//
// A plain class: the constructor only sets fields; Open*, Read, Write, Seek, Tell and Close
// do the work and report failures through their results and GetLastError() (a Win32 code).
// Every source goes through one buffer, which CTextScanner also uses as its lookahead window.
//
// Sources and modes:
//   Open (path, mode)       a file through the C library's low-level functions (binary):
//                           STREAM_READ an existing file, read only; STREAM_UPDATE an
//                           existing file, read and write; STREAM_CREATE a new or emptied
//                           file, read and write.
//   OpenMemory (block, size, mode)
//                           STREAM_READ reads the caller's block (kept by the caller, not
//                           copied); STREAM_CREATE writes into a new block that grows (block
//                           and size are ignored except as a first capacity). TakeMemoryBlock
//                           hands that block to the caller.
//   OpenResource (name, type)  a resource of the running module (RT_RCDATA when type is
//                           NULL), read only.
//   OpenCallbacks (read, write, context)  the caller's functions; the stream moves through
//                           them only forward (Seek may skip ahead while reading).
#pragma once
#include <windows.h>

enum StreamMode
{
    STREAM_READ = 0,
    STREAM_UPDATE = 1,
    STREAM_CREATE = 2,
};

enum StreamOrigin
{
    STREAM_BEGIN = 0,
    STREAM_CURRENT = 1,
    STREAM_END = 2,
};

// Reads up to `count` bytes; returns the number read, 0 at the end of the data, below 0 on
// an error.
typedef int (*StreamReadFn)(void* context, void* buffer, int count);
// Writes `count` bytes; returns the number written (fewer is an error).
typedef int (*StreamWriteFn)(void* context, const void* data, int count);

class CDataStream
{
public:
    // The buffer size (at least 16 bytes; 4096 by default) is allocated when a stream opens.
    explicit CDataStream(int bufferSize = 4096);
    ~CDataStream();

    int Open(const char* path, int mode);
    int OpenMemory(const void* block, int size, int mode);
    int OpenResource(const char* name, const char* type = nullptr);
    int OpenCallbacks(StreamReadFn read, StreamWriteFn write, void* context);

    // Reads up to `count` bytes; returns the number read (fewer only at the end of the data
    // or after an error), -1 when nothing could be read because of an error.
    int Read(void* buffer, int count);

    // Writes `count` bytes; returns the number taken, -1 on an error before any was taken.
    // Read-only streams refuse with ERROR_ACCESS_DENIED.
    int Write(const void* data, int count);

    // Moves to offset from the origin (STREAM_BEGIN, STREAM_CURRENT, STREAM_END); returns
    // the new position, -1 on failure (ERROR_NEGATIVE_SEEK before the start,
    // ERROR_NOT_SUPPORTED backwards or from the end on a callback stream).
    long long Seek(long long offset, int origin);

    // The current position, -1 when not open.
    long long Tell() const;

    // Writes out buffered data; nonzero on success.
    int Flush();

    // Flushes and closes; nonzero on success (also when nothing was open). A growing memory
    // block stays with the object until it is taken, the stream is opened again, or the
    // object is destroyed.
    int Close();

    // The growing block of a STREAM_CREATE memory stream (open or closed): the caller takes
    // it and frees it with free(). A NUL byte always follows the data (not counted), so a
    // text stream can be used as a C string. *size (may be NULL) gets the data size. The
    // stream goes on with a new empty block. NULL for other streams.
    void* TakeMemoryBlock(int* size);

    bool IsOpen() const { return m_kind != KIND_NONE; }
    DWORD GetLastError() const { return m_lastError; }

protected:
    // The lookahead window at the current position: at least `keep` bytes (at most the
    // buffer size) unless the data ends first; *available gets the bytes there. NULL when no
    // byte is left (or on an error). A NUL byte always follows the available bytes.
    const unsigned char* PeekBytes(int keep, int* available);
    int BufferSize() const { return m_bufSize; }
    int Buffered() const { return m_bufLen - m_bufIdx; }

private:
    enum Kind
    {
        KIND_NONE,
        KIND_FILE,
        KIND_MEMORY,
        KIND_CALLBACKS,
    };

    CDataStream(const CDataStream&) = delete;
    CDataStream& operator=(const CDataStream&) = delete;

    bool Begin(Kind kind, bool writable);
    int Fail(DWORD code);
    void FailFromCrt();
    void Rebase(long long position);
    bool SeekFileTo(long long position);   // the file position, moved only when it differs
    int RawRead(long long position, void* buffer, int count);
    int RawWrite(long long position, const void* data, int count);
    long long RawSize();
    bool GrowMemory(long long needed);
    void FreeMemoryBlock();

    Kind m_kind;
    bool m_writable;
    DWORD m_lastError;

    // The buffer: bytes [m_bufStart, m_bufStart + m_bufLen) of the stream, the position at
    // m_bufStart + m_bufIdx, unwritten bytes in [m_dirtyLo, m_dirtyHi).
    unsigned char* m_buf;
    int m_bufSize;
    long long m_bufStart;
    int m_bufLen;
    int m_bufIdx;
    int m_dirtyLo;
    int m_dirtyHi;
    bool m_atEnd;            // the data ends at m_bufStart + m_bufLen

    int m_fd;
    long long m_rawPos;      // the file's or callbacks' own position

    unsigned char* m_mem;
    long long m_memSize;
    long long m_memCap;
    bool m_memOwned;

    StreamReadFn m_readFn;
    StreamWriteFn m_writeFn;
    void* m_context;
};
