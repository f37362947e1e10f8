#include "views/ValueSearchInput.h"

#include "views/ValueSearch.h"

#include "services/ByteUtils.h"
#include "textlib/CQuote.h"
#include "textlib/IntFormat.h"
#include "textlib/IntParse.h"
#include "textlib/TextCopy.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kTypeLetters[] = "DHBOTUMN";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsTextKind(int kind)
{
    return kind == SIK_TEXT || kind == SIK_UTF16_TEXT;
}

bool IsNumberKind(int kind)
{
    return kind >= SIK_DECIMAL && kind <= SIK_OCTAL;
}

void ReverseBytes(uint8_t* bytes, int count)
{
    for (int i = 0, j = count - 1; i < j; ++i, --j)
    {
        uint8_t t = bytes[i];
        bytes[i] = bytes[j];
        bytes[j] = t;
    }
}

// Appends text to a line under construction; false when it does not fit (the line is then
// left terminated at its old length).
bool Append(char* line, int size, int* length, const char* text, int textLength = -1)
{
    if (textLength < 0)
        textLength = static_cast<int>(strlen(text));
    if (*length + textLength + 1 > size)
        return false;
    memcpy(line + *length, text, textLength);
    *length += textLength;
    line[*length] = 0;
    return true;
}

// Values and masks of a masked text: the value bytes, then as many mask bytes.
int ParseMaskText(const char* text, uint8_t* bytes)
{
    const int half = VS_SLOT_SIZE / 2;
    int n = HexTextToBytes(bytes, bytes + half, half | HEXPARSE_QUOTED, text, nullptr);
    if (n <= 0)
        return 0;
    memmove(bytes + n, bytes + half, n);
    return 2 * n;
}

}  // namespace

int ByteCountLimit(int byteCountChoice)
{
    switch (byteCountChoice)
    {
    case SBC_BYTE:
        return 1;
    case SBC_WORD:
        return 2;
    case SBC_DWORD:
        return 4;
    default:
        return VS_SLOT_SIZE;
    }
}

int InputKindOfText(const char* text)
{
    if (!text)
        return SIK_TEXT;
    while (IsBlank(*text))
        ++text;
    if (*text == '"')
        return SIK_TEXT;
    if (*text == ':')
        return LooksMasked(text) ? SIK_MASK : SIK_DUMP;
    bool negative = *text == '-';
    const char* p = text + (negative ? 1 : 0);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        return SIK_HEX;
    if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B'))
        return SIK_BINARY;
    if (p[0] == '0' && (p[1] == 'o' || p[1] == 'O'))
        return SIK_OCTAL;
    if (negative || (*p >= '0' && *p <= '9'))
        return SIK_DECIMAL;
    return SIK_TEXT;
}

const char* InputKindPrefix(int kind)
{
    switch (kind)
    {
    case SIK_HEX:
        return "0x";
    case SIK_BINARY:
        return "0b";
    case SIK_OCTAL:
        return "0o";
    case SIK_TEXT:
    case SIK_UTF16_TEXT:
        return "\"";
    case SIK_DUMP:
    case SIK_MASK:
        return ":";
    default:
        return "";
    }
}

int FormatAsInput(const uint8_t* bytes, int count, char* output, int size, int kind)
{
    if (!output || size < 1)
        return 0;
    output[0] = 0;
    if (!bytes || count < 1)
        count = 0;
    // Every byte takes at least one character, so more than `size` bytes never show (a
    // mask keeps its count: its halves are values and masks).
    if (count > size && kind != SIK_MASK)
        count = size;
    if (IsNumberKind(kind))
    {
        if (count == 0)
            return 0;
        int n = count < 4 ? count : 4;
        uint32_t value = 0;
        for (int i = 0; i < n; ++i)
            value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
        if (n < 4 && (bytes[n - 1] & 0x80))
            value |= 0xFFFFFFFFu << (8 * n);
        char number[INT_FORMAT_MAX_TEXT];
        FormatInteger(static_cast<int>(value), number, static_cast<unsigned>(kind));
        return CopyTextLimited(output, number, size);
    }
    if (kind == SIK_TEXT)
    {
        while (count > 0 && bytes[count - 1] == 0)
            --count;
        return QuoteCString(output, size, bytes, count, 0);
    }
    if (kind == SIK_UTF16_TEXT)
    {
        int units = count / 2;
        // The bytes need not be aligned for 16-bit reads.
        wchar_t* wide = static_cast<wchar_t*>(malloc((units + 1) * sizeof(wchar_t)));
        if (!wide)
            return 0;
        for (int i = 0; i < units; ++i)
            wide[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        while (units > 0 && wide[units - 1] == 0)
            --units;
        int length = QuoteCString(output, size, wide, units, CQF_UTF16);
        free(wide);
        return length;
    }
    if (kind == SIK_MASK)
    {
        int half = count / 2;
        return MaskedBytesToHexText(output, size, bytes, bytes + half, half,
                                    HEXTEXT_LEADING_COLON | HEXTEXT_SEPARATOR(' ') |
                                        HEXTEXT_NO_TRAILING | HEXTEXT_TERMINATE);
    }
    // A hex dump: BytesToHexText takes no size, so it writes into a block of its largest
    // output first.
    char* hex = static_cast<char*>(malloc(count * 4 + 2));
    if (!hex)
        return 0;
    BytesToHexText(bytes, hex, count,
                   HEXTEXT_LEADING_COLON | HEXTEXT_SEPARATOR(' ') | HEXTEXT_NO_TRAILING | HEXTEXT_TERMINATE);
    int length = CopyTextLimited(output, hex, size);
    free(hex);
    return length;
}

int BuildEntryLine(const char* text, const EntryLineOptions& options, char* line, int size)
{
    if (!line || size < 1)
        return 0;
    line[0] = 0;
    if (!text)
        return 0;
    int kind = options.kind;
    if (kind < SIK_DECIMAL || kind > SIK_UTF16_TEXT)
        kind = SIK_TEXT;
    const bool utf16 = kind == SIK_UTF16_TEXT || (kind == SIK_TEXT && options.unicode);
    // Text, dumps and masks always take "Variabel"; only numbers are cut to the choice.
    const int limit = IsNumberKind(kind) ? ByteCountLimit(options.byteCountChoice) : VS_SLOT_SIZE;
    uint8_t bytes[VS_SLOT_SIZE];
    int n;
    if (kind == SIK_MASK)
        n = ParseMaskText(text, bytes);
    else
        n = ParseSearchText(text, bytes, static_cast<uint32_t>(limit) | (utf16 ? static_cast<uint32_t>(VS_CAPACITY_UTF16) : 0u), 0);
    if (n <= 0)
        return 0;
    const bool reversed = options.motorola && IsNumberKind(kind) && (n == 2 || n == 4);
    if (reversed)
        ReverseBytes(bytes, n);
    const bool ignoreCase = options.ignoreCase && IsTextKind(kind);

    char head[32];
    int headLength = 0;
    head[headLength++] = kTypeLetters[utf16 ? SIK_UTF16_TEXT : kind];
    head[headLength++] = ':';
    char number[INT_FORMAT_MAX_TEXT];
    FormatInteger(n, number, IFF_SIGNED);
    int length = 0;
    char hex[VS_SLOT_SIZE * 4 + 2];
    BytesToHexText(bytes, hex, n, HEXTEXT_SEPARATOR(' ') | HEXTEXT_NO_TRAILING | HEXTEXT_TERMINATE);
    const int tabs = 6 - (n < 3) - (n < 7) - (n < 10) - (n < 13);
    while (IsBlank(*text))
        ++text;
    if (!Append(line, size, &length, head, headLength) || !Append(line, size, &length, number) ||
        (ignoreCase && !Append(line, size, &length, " /G")) ||
        (reversed && !Append(line, size, &length, " /B")) || !Append(line, size, &length, "\t:") ||
        !Append(line, size, &length, hex) || !Append(line, size, &length, "\t\t\t\t\t\t", tabs) ||
        !Append(line, size, &length, "(") || !Append(line, size, &length, text) ||
        !Append(line, size, &length, ")"))
    {
        line[0] = 0;
        return 0;
    }
    return length;
}

const char kNumberExceedsByteCount[] = "Die Zahl passt nicht in die gewählte Byte-Anzahl !";

bool NumberExceedsByteCount(const char* text, const EntryLineOptions& options)
{
    if (!text || !IsNumberKind(options.kind))
        return false;
    const int limit = ByteCountLimit(options.byteCountChoice);
    if (limit >= VS_SLOT_SIZE)
        return false;
    // A number the parser reads at its own width but not at the chosen one: it lost digits
    // the user typed. Text that is no number at all reads at neither.
    uint8_t bytes[VS_SLOT_SIZE];
    return ParseSearchText(text, bytes, VS_SLOT_SIZE, 0) > 0 &&
           ParseSearchText(text, bytes, static_cast<uint32_t>(limit), 0) <= 0;
}

const char kTextIsNoNumber[] = "Die Eingabe ist keine Zahl. Text bitte in Anführungszeichen eingeben.";
const char kTextGivesNoValue[] = "Die Eingabe ergibt keinen Suchwert.";

namespace {

// The digits at the text's start stand for a number beyond 64 bits (or, after "-", below the
// smallest signed one): too large for any byte count, whatever follows them.
bool NumberBeyond64Bits(const char* text)
{
    text += strspn(text, " \t");
    const bool negative = *text == '-';
    const char* digits = text + (negative ? 1 : 0);
    int consumed = 0;
    bool overflow = false;
    const unsigned long long value = static_cast<unsigned long long>(
        ParseInteger64Overflow(digits, IPF_NO_SIGN | IPF_NO_LEADING_BLANKS, &consumed, &overflow));
    return consumed > 0 && (overflow || (negative && value > (1ull << 63)));
}

}  // namespace

const char* SearchTextRefusal(const char* text, const EntryLineOptions& options)
{
    if (!text || !text[strspn(text, " \t\r\n")])
        return nullptr;
    if (NumberExceedsByteCount(text, options))
        return kNumberExceedsByteCount;
    char line[VS_ENTRY_LINE_SIZE];
    if (BuildEntryLine(text, options, line, sizeof line) > 0)
        return nullptr;
    // The text's own form says how the parser read it, whatever kind the radio buttons show.
    if (IsNumberKind(InputKindOfText(text)))
        return NumberBeyond64Bits(text) ? kNumberExceedsByteCount : kTextIsNoNumber;
    return kTextGivesNoValue;
}

int GroupDistanceOfText(const char* text)
{
    const int kDefaultDistance = 1000;
    if (!text)
        return kDefaultDistance;
    int consumed = 0;
    bool overflow = false;
    const long long typed = ParseInteger64Overflow(text, 10, &consumed, &overflow);
    if (consumed <= 0 || (!overflow && typed < 1))
        return kDefaultDistance;
    if (overflow || typed > INT_MAX)
        return text[strspn(text, " \t")] == '-' ? kDefaultDistance : INT_MAX;
    return static_cast<int>(typed);
}

int DecodeEntryLine(const char* line, DecodedEntryLine* decoded)
{
    if (!decoded)
        return 0;
    decoded->kind = SIK_DUMP;
    decoded->byteCountChoice = SBC_VARIABLE;
    decoded->unicode = false;
    decoded->ignoreCase = false;
    decoded->reversed = false;
    decoded->text[0] = 0;
    if (!line)
        return 0;
    while (IsBlank(*line))
        ++line;
    const char letter = *line;
    const char* countText = letter ? strchr(line, ':') : nullptr;
    if (!countText)
        return 0;
    ++countText;
    int consumed = 0;
    const int declared = ParseInteger(countText, IPF_RADIX_AUTO, &consumed);
    const char* valueText = strchr(countText + consumed, ':');
    if (!valueText)
        return 0;
    bool ignoreCase = false, reversed = false;
    for (const char* p = countText + consumed; p < valueText; ++p)
    {
        if (*p == 'G')
            ignoreCase = true;
        if (p[0] == '/' && p[1] == 'B')
            reversed = true;
    }
    int kind = SIK_DUMP;
    bool unicode = false;
    switch (letter)
    {
    case 'D': kind = SIK_DECIMAL; break;
    case 'H': kind = SIK_HEX; break;
    case 'B': kind = SIK_BINARY; break;
    case 'O': kind = SIK_OCTAL; break;
    case 'T': kind = SIK_TEXT; break;
    case 'M': kind = SIK_MASK; break;
    case 'N': kind = SIK_TEXT; unicode = true; break;
    default: break;
    }
    uint8_t bytes[VS_SLOT_SIZE];
    int parsed = ParseSearchText(valueText, bytes, VS_SLOT_SIZE, kind == SIK_MASK ? 1 : 0);
    if (parsed <= 0)
        return 0;
    // The same rule as the matcher: never more than the declared count, never more than the
    // value actually gave.
    int n;
    if (kind == SIK_MASK)
    {
        int half = parsed / 2;
        int values = declared / 2 < half ? declared / 2 : half;
        if (values < 1)
            return 0;
        memmove(bytes + values, bytes + (parsed - half), values);
        n = 2 * values;
    }
    else
    {
        n = declared < parsed ? declared : parsed;
        if (n < 1)
            return 0;
    }
    if (reversed)
        ReverseBytes(bytes, n);
    if (unicode)
    {
        for (int i = 0; 2 * i < n; ++i)
            bytes[i] = bytes[2 * i];
        n = (n + 1) / 2;
    }
    decoded->kind = kind;
    decoded->unicode = unicode;
    decoded->ignoreCase = ignoreCase;
    decoded->reversed = reversed;
    if (IsNumberKind(kind))
        decoded->byteCountChoice = declared == 1 ? SBC_BYTE : declared == 2 ? SBC_WORD : declared == 4 ? SBC_DWORD : SBC_VARIABLE;
    FormatAsInput(bytes, n, decoded->text, sizeof decoded->text, kind);
    return 1;
}

FindRange ComputeFindRange(uint32_t flags, int cursor, int dataSize, int selectionStart,
                           int selectionLength)
{
    FindRange range = {0, 0, 0, 0};
    if (dataSize < 1)
        return range;
    if (cursor < 0)
        cursor = 0;
    if (cursor > dataSize - 1)
        cursor = dataSize - 1;
    const bool backwards = (flags & VSF_BACKWARDS) != 0;
    if (flags & VSF_FROM_START)
    {
        range.count = dataSize;
        return range;
    }
    if ((flags & VSF_SELECTION_ONLY) && selectionLength > 0)
    {
        long long first = selectionStart < 0 ? 0 : selectionStart;
        long long end = static_cast<long long>(selectionStart) + selectionLength;
        if (end > dataSize)
            end = dataSize;
        if (end <= first)
            return range;
        int length = static_cast<int>(end - first);
        range.start = backwards ? static_cast<int>(end) - 1 : static_cast<int>(first);
        range.count = backwards ? -length : length;
        return range;
    }
    if (backwards)
    {
        range.start = cursor - 1;
        range.count = -dataSize;
        if (flags & VSF_WRAP)
        {
            range.wrapStart = dataSize - 1;
            range.wrapCount = -(dataSize - cursor);
        }
    }
    else
    {
        range.start = cursor + 1;
        range.count = dataSize;
        if (flags & VSF_WRAP)
        {
            range.wrapStart = 0;
            range.wrapCount = cursor + 1;
        }
    }
    return range;
}

FindRange ComputeFindNextRange(int cursor, int dataSize)
{
    FindRange range = {0, 0, 0, 0};
    if (dataSize < 1)
        return range;
    if (cursor < 0)
        cursor = 0;
    if (cursor > dataSize - 1)
        cursor = dataSize - 1;
    range.start = cursor + 1;
    range.count = dataSize - cursor - 1;
    range.wrapStart = 0;
    range.wrapCount = cursor + 1;
    return range;
}
