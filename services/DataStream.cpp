#include "services/DataStream.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace {

const int kMinBuffer = 16;
const int kMaxBuffer = 64 * 1024 * 1024;
const long long kMaxMemoryBlock = INT_MAX - 1;   // sizes are handed out as int

DWORD ErrnoToWin32(int error)
{
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EACCES: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace

CDataStream::CDataStream(int bufferSize)
    : m_kind(KIND_NONE),
      m_writable(false),
      m_lastError(0),
      m_buf(nullptr),
      m_bufSize(bufferSize < kMinBuffer ? kMinBuffer : (bufferSize > kMaxBuffer ? kMaxBuffer : bufferSize)),
      m_bufStart(0),
      m_bufLen(0),
      m_bufIdx(0),
      m_dirtyLo(0),
      m_dirtyHi(0),
      m_atEnd(false),
      m_fd(-1),
      m_rawPos(0),
      m_mem(nullptr),
      m_memSize(0),
      m_memCap(0),
      m_memOwned(false),
      m_readFn(nullptr),
      m_writeFn(nullptr),
      m_context(nullptr)
{
}

CDataStream::~CDataStream()
{
    Close();
    FreeMemoryBlock();
}

int CDataStream::Fail(DWORD code)
{
    m_lastError = code;
    return 0;
}

void CDataStream::FailFromCrt()
{
    // The Microsoft run-time keeps the operating system's own code in _doserrno.
    DWORD code = static_cast<DWORD>(_doserrno);
    m_lastError = code != 0 ? code : ErrnoToWin32(errno);
}

void CDataStream::FreeMemoryBlock()
{
    if (m_memOwned)
        free(m_mem);
    m_mem = nullptr;
    m_memSize = 0;
    m_memCap = 0;
    m_memOwned = false;
}

// Common start of every Open*: closes what is open and gets the buffer.
bool CDataStream::Begin(Kind kind, bool writable)
{
    Close();
    FreeMemoryBlock();
    m_buf = static_cast<unsigned char*>(malloc(static_cast<size_t>(m_bufSize) + 1));
    if (!m_buf) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    m_buf[0] = 0;
    m_kind = kind;
    m_writable = writable;
    m_rawPos = 0;
    m_dirtyLo = m_dirtyHi = 0;
    Rebase(0);
    m_lastError = ERROR_SUCCESS;
    return true;
}

int CDataStream::Open(const char* path, int mode)
{
    if (!path || path[0] == '\0' || mode < STREAM_READ || mode > STREAM_CREATE) {
        Close();
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!Begin(KIND_FILE, mode != STREAM_READ))
        return 0;
    int flags = _O_BINARY | _O_NOINHERIT;
    if (mode == STREAM_READ)
        flags |= _O_RDONLY;
    else if (mode == STREAM_UPDATE)
        flags |= _O_RDWR;
    else
        flags |= _O_RDWR | _O_CREAT | _O_TRUNC;
    _doserrno = 0;
    m_fd = _open(path, flags, _S_IREAD | _S_IWRITE);
    if (m_fd < 0) {
        FailFromCrt();
        DWORD code = m_lastError;
        Close();
        return Fail(code);
    }
    return 1;
}

int CDataStream::OpenMemory(const void* block, int size, int mode)
{
    if (size < 0 || (mode == STREAM_READ && !block && size > 0) ||
        (mode != STREAM_READ && mode != STREAM_CREATE)) {
        Close();
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!Begin(KIND_MEMORY, mode == STREAM_CREATE))
        return 0;
    if (mode == STREAM_READ) {
        m_mem = static_cast<unsigned char*>(const_cast<void*>(block));
        m_memSize = size;
        m_memCap = size;
        m_memOwned = false;
        return 1;
    }
    m_memOwned = true;
    if (!GrowMemory(size > 0 ? size : 256)) {
        Close();
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return 1;
}

int CDataStream::OpenResource(const char* name, const char* type)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = name ? FindResourceA(module, name, type ? type : RT_RCDATA) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        DWORD code = name ? ::GetLastError() : ERROR_INVALID_PARAMETER;
        Close();
        return Fail(code != 0 ? code : ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    DWORD size = SizeofResource(module, found);
    return OpenMemory(data, static_cast<int>(size > INT_MAX ? INT_MAX : size), STREAM_READ);
}

int CDataStream::OpenCallbacks(StreamReadFn read, StreamWriteFn write, void* context)
{
    if (!read && !write) {
        Close();
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!Begin(KIND_CALLBACKS, write != nullptr))
        return 0;
    m_readFn = read;
    m_writeFn = write;
    m_context = context;
    return 1;
}

void CDataStream::Rebase(long long position)
{
    m_bufStart = position;
    m_bufLen = 0;
    m_bufIdx = 0;
    m_atEnd = false;
}

bool CDataStream::GrowMemory(long long needed)
{
    // One byte more than the data for the NUL that TakeMemoryBlock promises.
    if (needed + 1 <= m_memCap)
        return true;
    if (needed > kMaxMemoryBlock)
        return false;
    long long capacity = m_memCap < 256 ? 256 : m_memCap;
    while (capacity < needed + 1)
        capacity *= 2;
    if (capacity > kMaxMemoryBlock + 1)
        capacity = kMaxMemoryBlock + 1;
    unsigned char* grown = static_cast<unsigned char*>(realloc(m_mem, static_cast<size_t>(capacity)));
    if (!grown)
        return false;
    m_mem = grown;
    m_memCap = capacity;
    m_mem[m_memSize] = 0;
    return true;
}

bool CDataStream::SeekFileTo(long long position)
{
    if (m_rawPos == position)
        return true;
    _doserrno = 0;
    if (_lseeki64(m_fd, position, SEEK_SET) < 0) {
        FailFromCrt();
        return false;
    }
    m_rawPos = position;
    return true;
}

int CDataStream::RawRead(long long position, void* buffer, int count)
{
    switch (m_kind) {
    case KIND_FILE: {
        if (!SeekFileTo(position))
            return -1;
        _doserrno = 0;
        int got = _read(m_fd, buffer, static_cast<unsigned>(count));
        if (got < 0) {
            FailFromCrt();
            return -1;
        }
        m_rawPos += got;
        return got;
    }
    case KIND_MEMORY: {
        if (position >= m_memSize)
            return 0;
        long long left = m_memSize - position;
        int n = left < count ? static_cast<int>(left) : count;
        memcpy(buffer, m_mem + position, static_cast<size_t>(n));
        return n;
    }
    case KIND_CALLBACKS: {
        if (!m_readFn) {
            Fail(ERROR_ACCESS_DENIED);
            return -1;
        }
        if (position != m_rawPos) {
            Fail(ERROR_NOT_SUPPORTED);
            return -1;
        }
        int got = m_readFn(m_context, buffer, count);
        if (got < 0) {
            Fail(ERROR_READ_FAULT);
            return -1;
        }
        if (got > count)   // a callback that claims more than it was offered
            got = count;
        m_rawPos += got;
        return got;
    }
    default:
        Fail(ERROR_INVALID_HANDLE);
        return -1;
    }
}

int CDataStream::RawWrite(long long position, const void* data, int count)
{
    switch (m_kind) {
    case KIND_FILE: {
        if (!SeekFileTo(position))
            return -1;
        _doserrno = 0;
        int written = _write(m_fd, data, static_cast<unsigned>(count));
        if (written < 0) {
            FailFromCrt();
            m_rawPos = -1;   // unknown: seek again next time
            return -1;
        }
        m_rawPos += written;
        if (written < count) {
            Fail(ERROR_DISK_FULL);
            return -1;
        }
        return written;
    }
    case KIND_MEMORY: {
        long long end = position + count;
        if (!m_memOwned || !GrowMemory(end)) {
            Fail(m_memOwned ? ERROR_NOT_ENOUGH_MEMORY : ERROR_ACCESS_DENIED);
            return -1;
        }
        if (position > m_memSize)   // a gap left by a seek beyond the end
            memset(m_mem + m_memSize, 0, static_cast<size_t>(position - m_memSize));
        memcpy(m_mem + position, data, static_cast<size_t>(count));
        if (end > m_memSize) {
            m_memSize = end;
            m_mem[m_memSize] = 0;
        }
        return count;
    }
    case KIND_CALLBACKS: {
        if (!m_writeFn) {
            Fail(ERROR_ACCESS_DENIED);
            return -1;
        }
        if (position != m_rawPos) {
            Fail(ERROR_NOT_SUPPORTED);
            return -1;
        }
        int written = m_writeFn(m_context, data, count);
        if (written > 0)
            m_rawPos += written < count ? written : count;
        if (written < count) {
            Fail(ERROR_WRITE_FAULT);
            return -1;
        }
        return count;
    }
    default:
        Fail(ERROR_INVALID_HANDLE);
        return -1;
    }
}

long long CDataStream::RawSize()
{
    switch (m_kind) {
    case KIND_FILE: {
        _doserrno = 0;
        long long size = _lseeki64(m_fd, 0, SEEK_END);
        if (size < 0) {
            FailFromCrt();
            m_rawPos = -1;
            return -1;
        }
        m_rawPos = size;
        return size;
    }
    case KIND_MEMORY:
        return m_memSize;
    default:
        Fail(ERROR_NOT_SUPPORTED);
        return -1;
    }
}

int CDataStream::Flush()
{
    if (m_kind == KIND_NONE)
        return Fail(ERROR_INVALID_HANDLE);
    if (m_dirtyHi > m_dirtyLo) {
        int n = m_dirtyHi - m_dirtyLo;
        if (RawWrite(m_bufStart + m_dirtyLo, m_buf + m_dirtyLo, n) < 0)
            return 0;
        m_dirtyLo = m_dirtyHi = 0;
    }
    return 1;
}

int CDataStream::Read(void* buffer, int count)
{
    if (m_kind == KIND_NONE) {
        Fail(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (count < 0 || (!buffer && count > 0)) {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    unsigned char* out = static_cast<unsigned char*>(buffer);
    int total = 0;
    while (total < count) {
        int available = m_bufLen - m_bufIdx;
        if (available > 0) {
            int n = count - total < available ? count - total : available;
            memcpy(out + total, m_buf + m_bufIdx, static_cast<size_t>(n));
            m_bufIdx += n;
            total += n;
            continue;
        }
        if (!Flush())
            return total > 0 ? total : -1;
        long long position = m_bufStart + m_bufIdx;
        int got;
        if (count - total >= m_bufSize) {
            // A large read goes straight into the caller's buffer.
            got = RawRead(position, out + total, count - total);
            if (got < 0)
                return total > 0 ? total : -1;
            Rebase(position + got);
            total += got;
        } else {
            Rebase(position);
            got = RawRead(position, m_buf, m_bufSize);
            if (got < 0)
                return total > 0 ? total : -1;
            m_bufLen = got;
        }
        if (got == 0) {
            m_atEnd = true;
            break;
        }
    }
    return total;
}

int CDataStream::Write(const void* data, int count)
{
    if (m_kind == KIND_NONE) {
        Fail(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!m_writable) {
        Fail(ERROR_ACCESS_DENIED);
        return -1;
    }
    if (count < 0 || (!data && count > 0)) {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const unsigned char* in = static_cast<const unsigned char*>(data);
    int total = 0;
    while (total < count) {
        if (m_dirtyHi <= m_dirtyLo && count - total >= m_bufSize) {
            // Nothing waits in the buffer: a large write goes straight out.
            long long position = m_bufStart + m_bufIdx;
            if (RawWrite(position, in + total, count - total) < 0)
                return total > 0 ? total : -1;
            Rebase(position + (count - total));
            total = count;
            break;
        }
        int room = m_bufSize - m_bufIdx;
        if (room == 0) {
            if (!Flush())
                return total > 0 ? total : -1;
            Rebase(m_bufStart + m_bufIdx);
            room = m_bufSize;
        }
        int n = count - total < room ? count - total : room;
        memcpy(m_buf + m_bufIdx, in + total, static_cast<size_t>(n));
        if (m_dirtyHi <= m_dirtyLo) {
            m_dirtyLo = m_bufIdx;
            m_dirtyHi = m_bufIdx + n;
        } else {
            if (m_bufIdx < m_dirtyLo)
                m_dirtyLo = m_bufIdx;
            if (m_bufIdx + n > m_dirtyHi)
                m_dirtyHi = m_bufIdx + n;
        }
        m_bufIdx += n;
        if (m_bufIdx > m_bufLen)
            m_bufLen = m_bufIdx;
        total += n;
    }
    return total;
}

long long CDataStream::Seek(long long offset, int origin)
{
    if (m_kind == KIND_NONE) {
        Fail(ERROR_INVALID_HANDLE);
        return -1;
    }
    long long base;
    if (origin == STREAM_BEGIN) {
        base = 0;
    } else if (origin == STREAM_CURRENT) {
        base = m_bufStart + m_bufIdx;
    } else if (origin == STREAM_END) {
        if (!Flush())
            return -1;
        base = RawSize();   // the flush has put every written byte into the data
        if (base < 0)
            return -1;
    } else {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if ((offset > 0 && base > LLONG_MAX - offset) || base + offset < 0) {
        Fail(ERROR_NEGATIVE_SEEK);
        return -1;
    }
    long long target = base + offset;
    if (target >= m_bufStart && target <= m_bufStart + m_bufLen) {
        m_bufIdx = static_cast<int>(target - m_bufStart);
        return target;
    }
    if (!Flush())
        return -1;
    if (m_kind == KIND_CALLBACKS) {
        // Callbacks only go forward: skip by reading what lies between.
        if (target < m_rawPos || !m_readFn) {
            Fail(ERROR_NOT_SUPPORTED);
            return -1;
        }
        while (m_rawPos < target) {
            long long left = target - m_rawPos;
            int n = left < m_bufSize ? static_cast<int>(left) : m_bufSize;
            int got = RawRead(m_rawPos, m_buf, n);
            if (got <= 0) {
                Rebase(m_rawPos);
                m_atEnd = got == 0;
                Fail(got == 0 ? ERROR_HANDLE_EOF : m_lastError);
                return -1;
            }
        }
    }
    if (m_kind == KIND_MEMORY && target > kMaxMemoryBlock) {
        Fail(ERROR_INVALID_PARAMETER);
        return -1;
    }
    Rebase(target);
    return target;
}

long long CDataStream::Tell() const
{
    if (m_kind == KIND_NONE)
        return -1;
    return m_bufStart + m_bufIdx;
}

int CDataStream::Close()
{
    if (m_kind == KIND_NONE)
        return 1;
    int ok = Flush();
    DWORD code = m_lastError;
    if (m_kind == KIND_FILE && m_fd >= 0) {
        _doserrno = 0;
        if (_close(m_fd) != 0 && ok) {
            FailFromCrt();
            code = m_lastError;
            ok = 0;
        }
    }
    m_fd = -1;
    free(m_buf);
    m_buf = nullptr;
    if (m_kind == KIND_MEMORY && !m_memOwned) {
        m_mem = nullptr;   // the caller's block or the resource: not ours
        m_memSize = m_memCap = 0;
    }
    m_kind = KIND_NONE;
    m_writable = false;
    m_readFn = nullptr;
    m_writeFn = nullptr;
    m_context = nullptr;
    m_dirtyLo = m_dirtyHi = 0;
    Rebase(0);
    m_lastError = ok ? ERROR_SUCCESS : code;
    return ok;
}

void* CDataStream::TakeMemoryBlock(int* size)
{
    if (size)
        *size = 0;
    if (!m_memOwned) {
        Fail(ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    if (m_kind == KIND_MEMORY && !Flush())
        return nullptr;
    unsigned char* block = m_mem;
    long long dataSize = m_memSize;
    m_mem = nullptr;
    m_memSize = 0;
    m_memCap = 0;
    if (!block) {
        block = static_cast<unsigned char*>(malloc(1));
        if (!block) {
            Fail(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        block[0] = 0;
    }
    if (m_kind == KIND_MEMORY) {
        m_dirtyLo = m_dirtyHi = 0;
        Rebase(0);
    } else {
        m_memOwned = false;
    }
    if (size)
        *size = static_cast<int>(dataSize);
    return block;
}

const unsigned char* CDataStream::PeekBytes(int keep, int* available)
{
    *available = 0;
    if (m_kind == KIND_NONE) {
        Fail(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (keep > m_bufSize)
        keep = m_bufSize;
    if (keep < 1)
        keep = 1;
    if (m_bufLen - m_bufIdx < keep && !m_atEnd) {
        if (!Flush())
            return nullptr;
        // Keep the unread bytes, moved to the front, and fill the rest of the window.
        if (m_bufIdx > 0) {
            memmove(m_buf, m_buf + m_bufIdx, static_cast<size_t>(m_bufLen - m_bufIdx));
            m_bufStart += m_bufIdx;
            m_bufLen -= m_bufIdx;
            m_bufIdx = 0;
        }
        while (m_bufLen < keep) {
            int got = RawRead(m_bufStart + m_bufLen, m_buf + m_bufLen, m_bufSize - m_bufLen);
            if (got < 0)
                break;
            if (got == 0) {
                m_atEnd = true;
                break;
            }
            m_bufLen += got;
        }
    }
    m_buf[m_bufLen] = 0;
    *available = m_bufLen - m_bufIdx;
    return *available > 0 ? m_buf + m_bufIdx : nullptr;
}
