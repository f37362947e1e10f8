// The reading seam of the volume scan: whole 512-byte units from some medium. The scan and
// the recognisers read only through it, so they run the same over the document's medium,
// over an image file and over bytes in memory.
#pragma once
#include <windows.h>
#include <stdint.h>

struct SectorSource
{
    static constexpr uint32_t kUnitBytes = 512;

    virtual ~SectorSource() {}

    // Reads count units from unit firstUnit into the buffer (count * 512 bytes). True only
    // when every byte was read; on false the buffer's content is undefined.
    virtual bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) = 0;
};

// Units of bytes the caller owns (a test's image, a sector already in memory). A read that
// reaches past the end fails and copies nothing.
class MemorySectorSource : public SectorSource
{
public:
    MemorySectorSource(const void* bytes, uint64_t size) : m_bytes(static_cast<const uint8_t*>(bytes)), m_size(bytes ? size : 0) {}

    bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) override;

    // Reads answered so far, failed ones included (for tests that bound the scan's work).
    uint64_t ReadCalls() const { return m_calls; }
    uint64_t UnitsRead() const { return m_units; }

private:
    const uint8_t* m_bytes;
    uint64_t m_size;
    uint64_t m_calls = 0;
    uint64_t m_units = 0;
};

// An image file opened read-only with read and write sharing, so an image another program
// (or the document's own write handle) has open can still be scanned. Last-error words as
// the system leaves them.
class ImageFileSource : public SectorSource
{
public:
    ImageFileSource() {}
    ~ImageFileSource() override { Close(); }

    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }

    // Size in whole units (a tail shorter than 512 bytes is not counted); 0 on failure.
    uint64_t SizeInUnits() const;

    bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) override;

private:
    ImageFileSource(const ImageFileSource&) = delete;
    ImageFileSource& operator=(const ImageFileSource&) = delete;

    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
