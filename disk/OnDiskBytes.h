// Little-endian field reads of the on-disk structures. Each takes the buffer's size and
// gives 0 for a field that does not lie wholly inside it, so a hostile offset read from the
// medium can never reach past the buffer.
#pragma once
#include <stdint.h>
#include <string.h>

inline uint8_t ReadU8(const uint8_t* buf, uint32_t size, uint32_t off)
{
    return off < size ? buf[off] : 0;
}

inline uint16_t ReadU16(const uint8_t* buf, uint32_t size, uint32_t off)
{
    if (size < 2 || off > size - 2)
        return 0;
    return static_cast<uint16_t>(buf[off] | (buf[off + 1] << 8));
}

inline uint32_t ReadU32(const uint8_t* buf, uint32_t size, uint32_t off)
{
    if (size < 4 || off > size - 4)
        return 0;
    return static_cast<uint32_t>(buf[off]) | (static_cast<uint32_t>(buf[off + 1]) << 8) |
           (static_cast<uint32_t>(buf[off + 2]) << 16) | (static_cast<uint32_t>(buf[off + 3]) << 24);
}

inline uint64_t ReadU64(const uint8_t* buf, uint32_t size, uint32_t off)
{
    if (size < 8 || off > size - 8)
        return 0;
    return static_cast<uint64_t>(ReadU32(buf, size, off)) | (static_cast<uint64_t>(ReadU32(buf, size, off + 4)) << 32);
}

// True when the bytes at the offset equal the text (without its NUL).
inline bool BytesAre(const uint8_t* buf, uint32_t size, uint32_t off, const char* text)
{
    uint32_t n = static_cast<uint32_t>(strlen(text));
    if (n > size || off > size - n)
        return false;
    return memcmp(buf + off, text, n) == 0;
}

// The boot signature 0x55 0xAA at bytes 510 and 511 of a 512-byte sector.
inline bool HasBootSignature(const uint8_t* sector)
{
    return sector[510] == 0x55 && sector[511] == 0xAA;
}
