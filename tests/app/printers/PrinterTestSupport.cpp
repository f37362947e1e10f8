#include "PrinterTestSupport.h"

#include <string.h>

#include "tests/support/TestSupport.h"
#include "textlib/StrPrintf.h"

#include <gtest/gtest.h>

namespace printertest {

TestPrinter::TestPrinter() : pane(2048, 50000, 0, "Text")
{
    pane.SetEditable(0);
    AddPrinterColorFormats(&pane);
    SetPrinterPane(&pane);
}

TestPrinter::~TestPrinter()
{
    if (m_image)
        fclose(m_image);
}

void TestPrinter::Run(int infoType, const uint8_t* data, uint32_t size)
{
    pane.ClearText();
    pane.ClearMarks();
    pane.SetMarkLimit(size);
    loadedSize = size;
    PrintStructure(infoType, data, size);
}

std::string TestPrinter::Line(int line) const
{
    int length = 0;
    const char* text = pane.GetLineText(line, &length);
    return text ? std::string(text, static_cast<size_t>(length)) : std::string();
}

std::string TestPrinter::Text() const
{
    std::string all;
    for (int i = 0; i < LineCount(); ++i)
        all += Line(i) + "\n";
    return all;
}

int TestPrinter::FindLine(const std::string& text, int from) const
{
    for (int i = from < 0 ? 0 : from; i < LineCount(); ++i) {
        if (Line(i).find(text) != std::string::npos)
            return i;
    }
    return -1;
}

bool TestPrinter::CellHasColour(int line, int column, int colourNumber)
{
    return pane.GetCharColor(column, line) == pane.ColorIndex(colourNumber);
}

bool TestPrinter::OpenImage(const std::string& path)
{
    if (m_image)
        fclose(m_image);
    m_image = fopen(path.c_str(), "rb");
    return m_image != nullptr;
}

bool TestPrinter::RunImageSector(int infoType, const std::string& path, uint64_t sector)
{
    std::vector<uint8_t> bytes;
    if (!LoadBytes(path, sector * 512, 512, &bytes))
        return false;
    currentSector = sector;
    Run(infoType, bytes);
    return true;
}

bool TestPrinter::DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const
{
    reads.push_back(std::make_pair(firstUnit, count));
    if (failReads || !m_image)
        return false;
    if (_fseeki64(m_image, static_cast<int64_t>(firstUnit * 512), SEEK_SET) != 0)
        return false;
    return fread(buffer, 512, count, m_image) == count;
}

uint32_t TestPrinter::DocGetMftRecord(uint8_t* record1024, uint8_t** place) const
{
    // The record is the pair of 512-byte sectors around the current one, as the document
    // finds it on a medium whose records start at even sectors.
    if (failReads || !m_image)
        return 0;
    const uint64_t first = currentSector & ~1ull;
    if (!DocReadUnits(first * unitsPerSector, 2, record1024))
        return 0;
    if (place)
        *place = record1024 + ((currentSector & 1) ? 512 : 0);
    return 1024;
}

std::string FixturePath(const std::string& name)
{
    const std::string dir = testsupport::BinaryDir();
    return dir.empty() ? std::string() : dir + "\\fixtures\\" + name;
}

bool FileExists(const std::string& path)
{
    if (path.empty())
        return false;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    fclose(f);
    return true;
}

bool LoadText(const std::string& path, std::string* text)
{
    FILE* f = path.empty() ? nullptr : fopen(path.c_str(), "rb");
    if (!f)
        return false;
    text->clear();
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0)
        text->append(chunk, n);
    fclose(f);
    return true;
}

bool LoadBytes(const std::string& path, uint64_t offset, uint32_t size, std::vector<uint8_t>* bytes)
{
    FILE* f = path.empty() ? nullptr : fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->assign(size, 0);
    bool ok = _fseeki64(f, static_cast<int64_t>(offset), SEEK_SET) == 0 &&
              fread(bytes->data(), 1, size, f) == size;
    fclose(f);
    return ok;
}

bool NumberAfter(const std::string& text, const std::string& label, uint64_t* value, size_t from)
{
    size_t at = text.find(label, from);
    if (at == std::string::npos)
        return false;
    at += label.size();
    while (at < text.size() && strchr(" \t=:\"", text[at]))
        ++at;
    int base = 10;
    if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        base = 16;
        at += 2;
    }
    uint64_t v = 0;
    size_t digits = 0;
    for (; at < text.size(); ++at, ++digits) {
        char c = text[at];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        v = v * base + d;
    }
    if (digits == 0)
        return false;
    *value = v;
    return true;
}

bool TextAfter(const std::string& text, const std::string& label, std::string* value, size_t from)
{
    size_t at = text.find(label, from);
    if (at == std::string::npos)
        return false;
    at += label.size();
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    size_t end = text.find_first_of("\r\n", at);
    *value = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    return true;
}

uint64_t Need(const std::string& report, const char* label)
{
    uint64_t v = 0;
    EXPECT_TRUE(NumberAfter(report, label, &v)) << "no \"" << label << "\" in the report";
    return v;
}

std::string NeedText(const std::string& report, const char* label)
{
    std::string v;
    EXPECT_TRUE(TextAfter(report, label, &v)) << "no \"" << label << "\" in the report";
    return v;
}

std::string Format(const char* format, uint64_t value)
{
    char text[64];
    StrPrintf(text, format, value);
    return text;
}

uint32_t BitwiseCrc32(const uint8_t* bytes, size_t count)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
    }
    return ~crc;
}

void PutU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v)
{
    PutU16(p, v & 0xFFFF);
    PutU16(p + 2, v >> 16);
}

void PutU64(uint8_t* p, uint64_t v)
{
    PutU32(p, static_cast<uint32_t>(v));
    PutU32(p + 4, static_cast<uint32_t>(v >> 32));
}

std::string FieldValue(const std::string& line)
{
    size_t at = line.find(" : ");
    return at == std::string::npos ? std::string() : line.substr(at + 3);
}

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace printertest
