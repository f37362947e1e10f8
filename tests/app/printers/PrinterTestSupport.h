// What the structure printer tests share: a printer with a windowless pane and a medium of
// its own (an image file, or nothing), the fixture images and the tools' reports about them.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "app/printers/StructurePrinter.h"
#include "disk/DiskDoc.h"
#include "editor/MarkTextView.h"

namespace printertest {

// A printer writing into its own read-only pane. Its medium answers as the test sets it:
// by default there is a document with nothing open (reads fail).
class TestPrinter : public CStructurePrinter {
public:
    TestPrinter();
    ~TestPrinter() override;

    // Clears the pane and its marks, sets the mark limit to the size and runs the printer of
    // the type, as the disk view does.
    void Run(int infoType, const uint8_t* data, uint32_t size);
    void Run(int infoType, const std::vector<uint8_t>& data) { Run(infoType, data.data(), static_cast<uint32_t>(data.size())); }

    int LineCount() const { return pane.GetLineCount(); }
    std::string Line(int line) const;
    // All lines joined with "\n", for failure messages.
    std::string Text() const;
    // The index of the first line that contains the text at or after `from`; -1 when none.
    int FindLine(const std::string& text, int from = 0) const;
    // The colour number a cell was given (as the pane maps numbers to its own indices).
    bool CellHasColour(int line, int column, int colourNumber);
    // The mark covering a cell; null when none.
    const MarkRange* MarkAt(int line, int column) const { return pane.FindMark(column, line); }

    // Opens an image file as the medium (512-byte units from its start).
    bool OpenImage(const std::string& path);
    // Runs the printer of the type on the 512 bytes of a sector of an image file, which
    // becomes the current sector; false when the sector cannot be read.
    bool RunImageSector(int infoType, const std::string& path, uint64_t sector);

    CMarkTextView pane;
    bool hasDocument = true;
    uint64_t currentSector = 0;
    uint64_t fatStart = 0;
    uint32_t sectorsPerFat = 1;
    uint32_t unitsPerSector = 1;
    uint32_t loadedSize = 0;
    bool failReads = false;
    // The reads asked of the medium: first unit and count.
    mutable std::vector<std::pair<uint64_t, uint32_t>> reads;

    // Exposed for the tests of the frame.
    using CStructurePrinter::AppendFieldLine;
    using CStructurePrinter::AppendText;
    using CStructurePrinter::ColourLinesWithStatus;

protected:
    bool HasPrinterDocument() const override { return hasDocument; }
    uint64_t DocCurrentSector() const override { return currentSector; }
    uint32_t DocLoadedSize() const override { return loadedSize; }
    uint64_t DocFatStart() const override { return fatStart; }
    uint32_t DocSectorsPerFat() const override { return sectorsPerFat; }
    uint32_t DocUnitsPerSector() const override { return unitsPerSector; }
    bool DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const override;
    uint32_t DocGetMftRecord(uint8_t* record1024, uint8_t** place) const override;

private:
    FILE* m_image = nullptr;
};

// The path of a fixture image made by tests/disk/make-images.sh; empty without a build tree.
std::string FixturePath(const std::string& name);
bool FileExists(const std::string& path);
bool LoadText(const std::string& path, std::string* text);
// Reads `size` bytes at a byte offset of a file.
bool LoadBytes(const std::string& path, uint64_t offset, uint32_t size, std::vector<uint8_t>* bytes);

// The number (decimal, or hexadecimal after "0x") that follows the label in the text,
// skipping blanks, tabs, '=' and ':'; false when the label is not there.
bool NumberAfter(const std::string& text, const std::string& label, uint64_t* value, size_t from = 0);
// The rest of the line after the label (blanks after the label skipped, the line end cut).
bool TextAfter(const std::string& text, const std::string& label, std::string* value, size_t from = 0);
// A tool's number or text after the label; a missing label fails the test (the result is 0, "").
uint64_t Need(const std::string& report, const char* label);
std::string NeedText(const std::string& report, const char* label);
// One 64-bit value through a format of the printers' engine ("%I64u", "%02I64Xh").
std::string Format(const char* format, uint64_t value);
inline std::string Dec(uint64_t value) { return Format("%I64u", value); }
// Reflected CRC-32 (zlib's crc32), bit by bit: the GPT checksums worked out apart from the
// printer's table.
uint32_t BitwiseCrc32(const uint8_t* bytes, size_t count);
// Little-endian stores into made-up structures.
void PutU16(uint8_t* p, uint32_t v);
void PutU32(uint8_t* p, uint32_t v);
void PutU64(uint8_t* p, uint64_t v);
// The value part of a field line: everything after " : ".
std::string FieldValue(const std::string& line);
std::string Upper(std::string text);

// Answers every question of the document with OK and counts them: printing asks none, so a
// test expects the count to stay 0.
class QuietPrompts : public DiskDocPrompts {
public:
    int Box(const char*, const char*, UINT) override
    {
        ++asked;
        return IDOK;
    }
    bool AskText(const char*, const char*, CString*, bool) override
    {
        ++asked;
        return false;
    }
    int asked = 0;
};

}  // namespace printertest

// Skips the test when the fixture (or one of its reports) was not made on this machine.
#define NEED_FIXTURE(path)                                                                 \
    do {                                                                                   \
        if (!printertest::FileExists(path))                                                \
            GTEST_SKIP() << path << " was not made (tool missing)";                        \
    } while (0)
#define NEED_REPORT(path, textVar)                                                         \
    do {                                                                                   \
        if (!printertest::LoadText(path, &textVar))                                        \
            GTEST_SKIP() << "no report " << path;                                          \
    } while (0)
