#include "views/CppArrayFormat.h"

#include "services/ByteUtils.h"
#include "services/Registry.h"
#include "textlib/CQuote.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kHex[] = "0123456789ABCDEF";
const char kSizeLetters[] = "BBWDDQQQQ";
const char kKeyName[] = "CppCopyDlg";

// The output buffer: every piece goes in whole or not at all, and one byte always stays
// for the terminator.
class COutput
{
public:
    COutput(char* text, int capacity) : m_text(text), m_capacity(capacity), m_length(0) {}
    int Room() const { return m_capacity - 1 - m_length; }
    bool Fits(int n) const { return n <= Room(); }
    void Put(const char* text, int n)
    {
        memcpy(m_text + m_length, text, static_cast<size_t>(n));
        m_length += n;
    }
    void Put(const char* text) { Put(text, static_cast<int>(strlen(text))); }
    char* End() { return m_text + m_length; }
    void Advance(int n) { m_length += n; }
    int Finish()
    {
        m_text[m_length] = 0;
        return m_length;
    }

private:
    char* m_text;
    int m_capacity;
    int m_length;
};

// One value's hex digits: its bytes from the top down (little-endian), or in memory order.
int ValueDigits(const uint8_t* bytes, int count, int at, int size, bool bigEndian, char* out)
{
    int n = 0;
    for (int j = 0; j < size; ++j)
    {
        int index = at + (bigEndian ? j : size - 1 - j);
        uint8_t b = index < count ? bytes[index] : 0;
        out[n++] = kHex[b >> 4];
        out[n++] = kHex[b & 15];
    }
    return n;
}

int FormatValues(const uint8_t* bytes, int count, int size, bool bigEndian, bool assembler, int perLine,
                 COutput& out)
{
    int values = (count + size - 1) / size;
    for (int v = 0; v < values; ++v)
    {
        char piece[48];
        int n = 0;
        int column = v % perLine;
        bool lineEnd = column == perLine - 1;
        bool last = v == values - 1;
        if (assembler)
        {
            if (column == 0)
            {
                piece[n++] = 'D';
                piece[n++] = kSizeLetters[size];
                piece[n++] = '\t';
            }
            piece[n++] = '0';
            n += ValueDigits(bytes, count, v * size, size, bigEndian, piece + n);
            piece[n++] = 'h';
            // A full line ends in its line feed instead of the comma; a last line that
            // is not full keeps the comma.
            if (!lineEnd)
                piece[n++] = ',';
            if (lineEnd || last)
                piece[n++] = '\n';
        }
        else
        {
            piece[n++] = '0';
            piece[n++] = 'x';
            n += ValueDigits(bytes, count, v * size, size, bigEndian, piece + n);
            piece[n++] = ',';
            if (lineEnd || last)
                piece[n++] = '\n';
        }
        if (!out.Fits(n))
            break;
        out.Put(piece, n);
    }
    return out.Finish();
}

void FormatBase64(const uint8_t* bytes, int count, COutput& out)
{
    const int lineLength = 64;
    // Whole groups of four characters with the line feeds among them must fit.
    int room = out.Room();
    int groups = room / 4;
    while (groups > 0 && 4 * groups + (4 * groups) / lineLength > room)
        --groups;
    int n = count;
    if (n > 3 * groups)
        n = 3 * groups;
    if (n > 0)
        out.Advance(Base64Encode(bytes, n, out.End(), lineLength));
}

// '"' "\x01\x02" '"' lines.
void FormatHexStrings(const uint8_t* bytes, int count, int perLine, COutput& out)
{
    bool open = false;
    for (int i = 0; i < count; ++i)
    {
        bool lineEnd = i % perLine == perLine - 1 || i == count - 1;
        char piece[8];
        int n = 0;
        if (!open)
            piece[n++] = '"';
        piece[n++] = '\\';
        piece[n++] = 'x';
        piece[n++] = kHex[bytes[i] >> 4];
        piece[n++] = kHex[bytes[i] & 15];
        // Room for the closing quote and line feed is kept, so a cut text is closed too.
        if (!out.Fits(n + 2))
            break;
        out.Put(piece, n);
        open = true;
        if (lineEnd)
        {
            out.Put("\"\n", 2);
            open = false;
        }
    }
    if (open)
        out.Put("\"\n", 2);
}

// One C literal a line, with the escapes of QuoteCString and its own quotes.
void FormatCLiterals(const uint8_t* bytes, int count, int perLine, COutput& out)
{
    int longest = count < perLine ? count : perLine;
    char* line = static_cast<char*>(malloc(static_cast<size_t>(longest) * 6 + 4));
    if (!line)
        return;
    for (int start = 0; start < count; start += perLine)
    {
        int n = count - start < perLine ? count - start : perLine;
        int length = QuoteCString(line, longest * 6 + 4, bytes + start, n, CQF_NO_QUOTES | CQF_HEX_BYTES);
        if (out.Fits(length + 3))
        {
            out.Put("\"", 1);
            out.Put(line, length);
            out.Put("\"\n", 2);
            continue;
        }
        // The part of the line that fits, cut cleanly at an escape, then the end.
        if (out.Fits(4))
        {
            out.Put("\"", 1);
            out.Advance(QuoteCString(out.End(), out.Room() - 1, bytes + start, n, CQF_NO_QUOTES | CQF_HEX_BYTES));
            out.Put("\"\n", 2);
        }
        break;
    }
    free(line);
}

void FormatCharLiterals(const uint8_t* bytes, int count, int perLine, COutput& out)
{
    for (int i = 0; i < count; ++i)
    {
        char piece[12];
        int n = QuoteCChar(bytes[i], piece, 0);
        piece[n++] = ',';
        if (i % perLine == perLine - 1 || i == count - 1)
            piece[n++] = '\n';
        if (!out.Fits(n))
            break;
        out.Put(piece, n);
    }
}

void FormatDump(const uint8_t* bytes, int count, int size, bool bigEndian, int perLine, COutput& out)
{
    int group = size > 4 ? 4 : size;
    int log2 = group == 4 ? 2 : (group == 2 ? 1 : 0);
    uint32_t flags = HEXTEXT_SEPARATOR(' ') | HEXTEXT_GROUP(log2) | HEXTEXT_NO_TRAILING;
    if (!bigEndian && group > 1)
        flags |= HEXTEXT_REVERSE;
    int lineBytes = perLine;
    char* line = static_cast<char*>(malloc(static_cast<size_t>(lineBytes > count ? count : lineBytes) * 4 + 4));
    if (!line)
        return;
    for (int start = 0; start < count; start += lineBytes)
    {
        int n = count - start < lineBytes ? count - start : lineBytes;
        int length = BytesToHexText(bytes + start, line, n, flags);
        line[length++] = '\n';
        if (out.Fits(length))
        {
            out.Put(line, length);
            continue;
        }
        // The first groups of a line that does not fit whole.
        int cut = out.Room() - 1;
        while (cut > 0 && line[cut] != ' ')
            --cut;
        if (cut > 0)
        {
            out.Put(line, cut);
            out.Put("\n", 1);
        }
        break;
    }
    free(line);
}

}  // namespace

int FormatCppArray(const uint8_t* bytes, int count, int valueSize, uint32_t flags, int valuesPerLine,
                   char* output, int capacity)
{
    if (!output || capacity < 4)
        return 0;
    if (!bytes || count < 0)
        count = 0;
    if (valueSize != 1 && valueSize != 2 && valueSize != 4 && valueSize != 8)
        valueSize = 1;
    if (valuesPerLine < 1)
        valuesPerLine = 16;
    const bool bigEndian = (flags & CAF_BIG_ENDIAN) != 0;
    COutput out(output, capacity);
    switch (flags & CAF_FORMAT_MASK)
    {
    case CAF_C:
        return FormatValues(bytes, count, valueSize, bigEndian, false, valuesPerLine, out);
    case CAF_ASSEMBLER:
        return FormatValues(bytes, count, valueSize, bigEndian, true, valuesPerLine, out);
    case CAF_TEXT_FORMS:
        if (valueSize == 1)
            FormatBase64(bytes, count, out);
        else if (valueSize == 2)
            FormatHexStrings(bytes, count, valuesPerLine, out);
        else if (valueSize == 4)
            FormatCLiterals(bytes, count, valuesPerLine, out);
        else
            FormatCharLiterals(bytes, count, valuesPerLine, out);
        return out.Finish();
    default:
        FormatDump(bytes, count, valueSize, bigEndian, valuesPerLine, out);
        return out.Finish();
    }
}

int CppArrayCapacity(int count, int valueSize, int valuesPerLine)
{
    if (count < 0)
        count = 0;
    if (valueSize < 1 || valueSize > 8)
        valueSize = 1;
    if (valuesPerLine < 1)
        valuesPerLine = 16;
    // Per value at most 2 digits a byte and 4 more ("0x" or "0", "h", ","); per byte at most
    // 7 characters ('\x01', and the "" after an escape); per line a prefix, quotes, a line feed.
    int64_t values = (count + valueSize - 1) / valueSize;
    int64_t lines = values / valuesPerLine + count / 64 + 2;
    int64_t total = values * (2 * valueSize + 4) + static_cast<int64_t>(count) * 8 + lines * 8 + 16;
    return total > 0x7FFFFFF0 ? 0x7FFFFFF0 : static_cast<int>(total);
}

CppCopySettings DefaultCppCopySettings()
{
    CppCopySettings s = { 1, 16, CAF_C, 0 };
    return s;
}

void LoadCppCopySettings(CppCopySettings* settings)
{
    if (!settings)
        return;
    CRegistry registry;
    if (!registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ) || !registry.OpenSubKey(kKeyName, 1))
        return;
    DWORD value = 0;
    if (registry.ReadDword(&value, "ValueSize"))
        settings->valueSize = static_cast<int>(value);
    if (registry.ReadDword(&value, "LineSize"))
        settings->lineSize = static_cast<int>(value);
    if (registry.ReadDword(&value, "Format"))
        settings->format = static_cast<int>(value & CAF_FORMAT_MASK);
    if (registry.ReadDword(&value, "BigEndian"))
        settings->bigEndian = static_cast<int>(value);
    if (settings->valueSize != 1 && settings->valueSize != 2 && settings->valueSize != 4 && settings->valueSize != 8)
        settings->valueSize = 1;
}

int SaveCppCopySettings(const CppCopySettings& settings)
{
    CRegistry registry;
    if (!registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_CREATE) || !registry.OpenSubKey(kKeyName))
        return 0;
    registry.WriteDword(static_cast<DWORD>(settings.valueSize), "ValueSize");
    registry.WriteDword(static_cast<DWORD>(settings.lineSize), "LineSize");
    registry.WriteDword(static_cast<DWORD>(settings.format), "Format");
    registry.WriteDword(static_cast<DWORD>(settings.bigEndian), "BigEndian");
    return 1;
}
