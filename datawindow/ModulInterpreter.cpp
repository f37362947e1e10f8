// The module interpreter: runs one entry of the module list over a byte buffer and fills an
// output slot with rows. Every read is bounded by the data, positions are 64-bit, and a run
// ends at its row budget, its step budget, an "EXIT", a position outside the data or a
// fault ("Programmfehler", "CALL Überlauf !!!").
#include "datawindow/ModulSet.h"

#include "textlib/CQuote.h"
#include "textlib/IntFormat.h"
#include "textlib/IntParse.h"
#include "textlib/StrPrintf.h"
#include "textlib/Utf.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kStringLimit = 4096;
const int kRoomForValue = 60;
const int kFloatTextLimit = 983;
const int kStringJoinLimit = 1000;
const int64_t kSectionTableBytes = 640;
const int kSections = 16;
const char kProgramFault[] = "Programmfehler";
const char kCallOverflow[] = "CALL Überlauf !!!";
const uint8_t kOpSeek = 0x35;

int32_t Wrap32(int64_t value)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// A float or double as the line's 32-bit value: truncated; NaN counts as 0 and values
// beyond the range saturate.
int32_t TruncatedValue(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

uint64_t ReadLittle(const uint8_t* p, int bytes)
{
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

uint64_t ReverseBytes(uint64_t value, int bytes)
{
    uint64_t out = 0;
    for (int i = 0; i < bytes; ++i, value >>= 8)
        out = out << 8 | (value & 0xFF);
    return out;
}

int Width(uint32_t flags)
{
    return static_cast<int>((flags >> 12) & 0xF) + 1;
}

// The digits of `value` in a radix (upper-case), at least `width` of them.
int Digits(uint64_t value, int radix, int width, char* out)
{
    char reversed[70];
    int n = 0;
    do {
        const int d = static_cast<int>(value % static_cast<unsigned>(radix));
        reversed[n++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    int length = 0;
    for (int i = n; i < width; ++i)
        out[length++] = '0';
    while (n > 0)
        out[length++] = reversed[--n];
    out[length] = 0;
    return length;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Formatting

// The pairs of a value-name text ("value:name:value:name:...", "?" for any value), read at
// the first use: a run formats many values against the same text.
const std::vector<CModulSet::ValueName>& CModulSet::ValueNames(int index) const
{
    static const std::vector<ValueName> kNone;
    const char* names = m_names.GetText(index);
    if (!names)
        return kNone;
    const size_t at = static_cast<size_t>(index);
    if (m_valueNames.size() <= at) {
        m_valueNames.resize(at + 1);
        m_valueNamesRead.resize(at + 1, false);
    }
    std::vector<ValueName>& pairs = m_valueNames[at];
    if (m_valueNamesRead[at])
        return pairs;
    m_valueNamesRead[at] = true;
    const char* p = names;
    while (*p) {
        const char* colon = std::strchr(p, ':');
        if (!colon)
            break;
        ValueName pair = {};
        if (*p == '?') {
            pair.any = true;
        } else {
            int consumed = 0;
            pair.value = static_cast<uint64_t>(ParseInteger64(p, 0, &consumed));
            pair.value32 = static_cast<uint32_t>(ParseInteger(p, 0, nullptr));
            pair.valid = consumed > 0;
        }
        const char* nameStart = colon + 1;
        const char* nameEnd = std::strchr(nameStart, ':');
        if (!nameEnd)
            nameEnd = nameStart + std::strlen(nameStart);
        pair.nameStart = static_cast<int>(nameStart - names);
        pair.nameEnd = static_cast<int>(nameEnd - names);
        pairs.push_back(pair);
        p = *nameEnd ? nameEnd + 1 : nameEnd;
    }
    return pairs;
}

int CModulSet::FormatValue(const ModulInstr& instr, uint32_t value, int bytes, int* count, char* text,
                           int length, int64_t* work) const
{
    return FormatValue64(instr, value, bytes < 1 ? 1 : bytes > 4 ? 4 : bytes, count, text, length, work);
}

int CModulSet::FormatValue64(const ModulInstr& instr, uint64_t value, int bytes, int* count, char* text,
                             int length, int64_t* work) const
{
    const uint32_t flags = instr.flags;
    if (bytes < 1)
        bytes = 1;
    if (bytes > 8)
        bytes = 8;
    if (((flags & MF_HIDDEN) && !(flags & MF_TARGET)) || kTextSize - length < kRoomForValue)
        return length;
    std::string out;
    if (flags & MF_AT)
        out += "@";
    if (flags & MF_BIG_ENDIAN)
        value = ReverseBytes(value, bytes);
    if (bytes < 8)
        value &= (uint64_t(1) << (8 * bytes)) - 1;
    if (*count > 1)
        out.insert(0, ", ");
    *count = 0;
    const bool prefix = !(flags & (MF_NO_PREFIX | MF_SUFFIX));
    const int width = Width(flags);
    struct Radix {
        uint32_t flag;
        int radix;
        const char* prefix;
        const char* suffix;
    } radixes[] = {{MF_HEX, 16, "0x", "h"}, {MF_BINARY, 2, "0b", "b"}, {MF_OCTAL, 8, "0o", "o"}};
    char digits[80];
    for (const Radix& r : radixes) {
        if (!(flags & r.flag))
            continue;
        if (prefix)
            out += r.prefix;
        Digits(value, r.radix, width, digits);
        out += digits;
        if (flags & MF_SUFFIX)
            out += r.suffix;
        out += ' ';
        ++*count;
    }
    if (flags & MF_CHAR) {
        char literal[8];
        QuoteCChar(static_cast<int>(value & 0xFF), literal, 0);
        out += literal;
        out += ' ';
        ++*count;
    }
    if (flags & MF_UNSIGNED) {
        StrPrintf(digits, "%I64u ", static_cast<unsigned long long>(value));
        out += digits;
        ++*count;
    }
    // The value names: "value:name:value:name:...", "?" matching any value.
    std::string chosen;
    if (instr.names >= 0) {
        const std::vector<ValueName>& pairs = ValueNames(instr.names);
        size_t looked = 0;
        for (const ValueName& pair : pairs) {
            ++looked;
            // The shown number and the written one compared as whole numbers: "256" names no
            // byte, and "-1" names a DWORD of all ones but not the byte 255.
            const bool equal = bytes >= 8 ? pair.value == value : pair.value32 == value;
            if (pair.any || (pair.valid && equal)) {
                const char* names = m_names.GetText(instr.names);
                chosen.assign(names + pair.nameStart, names + pair.nameEnd);
                ++*count;
                break;
            }
        }
        if (work)
            *work += static_cast<int64_t>(looked);
    }
    if (*count == 0 || (flags & MF_SIGNED)) {
        long long decimal;
        if (bytes >= 8)
            decimal = static_cast<long long>(value);
        else if (bytes == 4)
            decimal = static_cast<int32_t>(static_cast<uint32_t>(value));
        else
            decimal = static_cast<long long>(value);   // 1 to 3 bytes: unsigned
        StrPrintf(digits, "%I64i ", decimal);
        out += digits;
        ++*count;
    }
    const int room = kTextSize - 1 - length;
    int n = static_cast<int>(out.size());
    if (n > room)
        n = room;
    std::memcpy(text + length, out.data(), static_cast<size_t>(n));
    length += n;
    int nameRoom = kTextSize - 1 - length;
    int nameLength = static_cast<int>(chosen.size());
    if (nameLength > nameRoom)
        nameLength = nameRoom;
    std::memcpy(text + length, chosen.data(), static_cast<size_t>(nameLength));
    length += nameLength;
    text[length] = 0;
    if (work)
        *work += kFormatWork + n + nameLength;
    return length;
}

// ---------------------------------------------------------------------------------------------
// Running

class ModulRun {
public:
    ModulRun(CModulSet& set, int slot, const uint8_t* data, int size) : m_set(set), m_slot(slot), m_data(data), m_size(size) {}

    void Execute(int first, int maxRows, int startOffset, int labelCount);
    int64_t Work() const { return m_work; }
    int64_t Budget() const { return m_workBudget; }

private:
    struct Frame {
        int returnIndex;
        int64_t base;
        int loopCounter;
        int indent;
        int loopTarget;
        bool keepBase;
    };

    ModulInstr* Instr(int index) const { return m_set.Instr(index); }
    int32_t Value(int index) const { return m_set.ValueOf(index); }
    void SetValue(int index, int32_t value) { m_set.SetValueOf(index, value); }
    int64_t FieldPosition(int index) const
    {
        const ModulInstr* i = Instr(index);
        return i ? i->position : 0;
    }
    int64_t Absolute() const { return m_base + m_pos; }
    int64_t Left() const { return m_size - Absolute(); }
    void RoundToByte()
    {
        if (m_bit != 0) {
            m_pos += (m_bit + 7) / 8;
            m_bit = 0;
        }
    }
    bool PatternMatches(const BytePattern& p, int64_t at);
    // Where a pattern is tested for the field at the position: ">label+offset" moves it.
    int64_t PatternStart(const BytePattern& p) { return Absolute() + p.offset + (p.label >= 0 ? Value(p.label) : 0); }
    bool OverBudget() const { return m_work > m_workBudget; }
    bool FirstShown(int64_t at, int bytes);
    void SetRowText(int row, const char* text, int length);
    void AddRow(const char* text, int32_t nameRef, int32_t size, int32_t offset, int32_t dataOffset);
    void AddRowFor(int index, const ModulInstr& instr, const char* text, int64_t fieldStart);
    bool Call(int index, int target, int count, bool keepBase);
    bool Return();
    void Seek(const ModulInstr& instr, int label, int32_t number1);
    void RunString(ModulInstr& instr, char* text, int* length, bool* hidden);
    void RunNumbers(ModulInstr& instr, char* text, int* length, bool* hidden);
    void RunBits(ModulInstr& instr, char* text, int* length, bool* hidden);
    bool RunRva(ModulInstr& instr, char* text, int* length, bool* hidden);
    void Arithmetic(int index, ModulInstr& instr);

    CModulSet& m_set;
    int m_slot;
    const uint8_t* m_data;
    int64_t m_size;
    int64_t m_base = 0;
    int64_t m_pos = 0;
    int m_bit = 0;
    int m_indent = 0;
    int m_index = 0;
    int m_rowsLeft = 0;
    bool m_stop = false;
    std::vector<Frame> m_frames;
    std::vector<int> m_rowOfLabel;
    int m_count = 0;   // representations of the current line
    int64_t m_work = 0;        // bytes read and compared, value names looked at, rows made
    int64_t m_workBudget = 0;
    std::vector<uint8_t> m_shown;   // one bit a data byte: a value was formatted from it
};

// Whether no value of this run was formatted from any of the bytes yet; marks them. Values
// first shown from their own bytes are what the module is for: their formatting is earned
// (a run can show each byte so only once, so this stays bounded by the data).
bool ModulRun::FirstShown(int64_t at, int bytes)
{
    if (at < 0 || bytes <= 0 || at + bytes > m_size)
        return false;
    if (m_shown.empty())
        m_shown.assign(static_cast<size_t>((m_size + 7) / 8), 0);
    bool fresh = true;
    for (int64_t b = at; b < at + bytes; ++b) {
        uint8_t& bits = m_shown[static_cast<size_t>(b / 8)];
        const uint8_t bit = static_cast<uint8_t>(1u << (b % 8));
        if (bits & bit)
            fresh = false;
        bits |= bit;
    }
    return fresh;
}

bool ModulRun::PatternMatches(const BytePattern& p, int64_t at)
{
    ++m_work;
    if (p.length <= 0 || at < 0 || at + p.length > m_size)
        return false;
    // The bytes compared are counted once, after the loop: up to and with the first that differs.
    int i = 0;
    while (i < p.length && (m_data[at + i] & p.mask[i]) == p.value[i])
        ++i;
    m_work += i < p.length ? i + 1 : i;
    return i == p.length;
}

// Rewrites a row's text (SPRINT, a line with a target); the copy counts as work.
void ModulRun::SetRowText(int row, const char* text, int length)
{
    m_work += CModulSet::kRowWork + length;
    m_set.m_rows[m_slot].SetTextN(length, text, row);
}

void ModulRun::AddRow(const char* text, int32_t nameRef, int32_t size, int32_t offset, int32_t dataOffset)
{
    OutputRow row = {};
    row.nameRef = nameRef;
    row.indent = static_cast<int16_t>(m_indent > 32767 ? 32767 : m_indent);
    row.size = size;
    row.offset = offset;
    row.dataOffset = dataOffset;
    m_set.m_rows[m_slot].InsertText(text, -1, &row);
    --m_rowsLeft;
}

void ModulRun::AddRowFor(int index, const ModulInstr& instr, const char* text, int64_t fieldStart)
{
    int32_t nameRef = index;
    if (instr.flags & MF_INDEX) {
        const char* name = m_set.m_instrs.GetText(index);
        // The index's width: 16 digits hold every 32-bit index; a wider one would only make
        // each generated name a huge text.
        const int width = (instr.flags & MF_PART_NUMBER1) && instr.number1 > 0 ? (instr.number1 > 16 ? 16 : instr.number1) : 1;
        const int32_t element = Value(instr.label);
        const int at = (instr.flags & MF_ABSOLUTE) ? m_set.m_rowNames[m_slot].AddFormat("%s[%0*Xh]", name ? name : "", width, element)
                                                   : m_set.m_rowNames[m_slot].AddFormat("%s[%0*i]", name ? name : "", width, element);
        nameRef = at > 0 ? -at : index;
        m_work += CModulSet::kRowWork;
    }
    int32_t size = Wrap32(m_pos - fieldStart);
    int32_t offset = Wrap32(fieldStart);
    int32_t dataOffset = Wrap32(m_base + fieldStart);
    if (instr.opcode == 0x52 && (instr.flags & MF_PART_NUMBER1)) {
        offset = dataOffset = Wrap32(FieldPosition(instr.label));
        size = instr.number1;
    }
    AddRow(text, nameRef, size, offset, dataOffset);
    if (instr.ownLabel >= 0 && instr.ownLabel < static_cast<int>(m_rowOfLabel.size()))
        m_rowOfLabel[static_cast<size_t>(instr.ownLabel)] = m_set.m_rows[m_slot].GetCount();
}

bool ModulRun::Call(int index, int target, int count, bool keepBase)
{
    if (static_cast<int>(m_frames.size()) >= CModulSet::kFrames) {
        AddRow(kCallOverflow, 0, 0, 0, 0);
        return false;
    }
    Frame f = {index + 1, m_base, count, m_indent, target, keepBase};
    m_frames.push_back(f);
    if (!keepBase) {
        m_base += m_pos;
        m_pos = 0;
    }
    m_index = target;
    return true;
}

bool ModulRun::Return()
{
    if (m_frames.empty())
        return false;
    Frame& top = m_frames.back();
    if (top.loopCounter >= 1) {
        --top.loopCounter;
        m_index = top.loopTarget;
        if (!top.keepBase) {
            m_base += m_pos;
            m_pos = 0;
        }
        return true;
    }
    const Frame f = top;
    m_frames.pop_back();
    m_index = f.returnIndex;
    m_indent = f.indent;
    if (!f.keepBase) {
        m_pos += m_base - f.base;
        m_base = f.base;
    }
    return true;
}

void ModulRun::Seek(const ModulInstr& instr, int label, int32_t number1)
{
    const uint32_t flags = instr.flags;
    const bool byField = (flags & MF_BIG_ENDIAN) && label >= 0;
    int64_t amount = label >= 0 ? (byField ? FieldPosition(label) : Value(label)) : 0;
    amount += number1;
    // Only a SEEK line keeps its width in 11 bits; on an IF line bits 16-22 are its letters
    // (U and D count the variable, not the seek) and its width has the 4 bits of any line.
    const int64_t width = (flags >> 12) & (instr.opcode == kOpSeek ? 0x7FF : 0xF);
    if (width != 0)
        amount *= width + 1;
    RoundToByte();
    if ((flags & MF_ABSOLUTE) || byField) {
        m_pos = amount - ((flags & MF_GLOBAL) || byField ? m_base : 0);
        if (m_pos < -m_base)
            m_pos = -m_base;
    } else if (flags & MF_ALIGN) {
        const int64_t step = amount < 1 ? 1 : amount;
        int64_t p = m_pos;
        if (flags & MF_HIDDEN) {
            --p;
            --m_pos;
        }
        // Aligned to the data start with G: the reference gains the base, the position not.
        // Adding the base to the position as well threw a block's seek a whole base further than
        // the boundary (a sub at 0x200 aligning 16 landed at 0x410, not 0x210), often past the data.
        if (flags & MF_GLOBAL)
            p += m_base;
        int64_t remainder = p % step;
        if (remainder < 0)
            remainder += step;
        m_pos += step - remainder;
    } else {
        m_pos += amount;
        if (m_pos < -m_base)
            m_pos = -m_base;
    }
    if ((flags & MF_BINARY) && (Absolute() > m_size || Absolute() < 0))
        m_pos = -m_base;
}

void ModulRun::RunString(ModulInstr& instr, char* text, int* length, bool* hidden)
{
    const uint32_t flags = instr.flags;
    const bool wide = (flags & MF_UNSIGNED) != 0;
    const int64_t unit = wide ? 2 : 1;
    RoundToByte();
    const int64_t leftBytes = Left() > 0 ? Left() : 0;
    const int64_t leftUnits = leftBytes / unit;
    const int64_t limit = kStringLimit < leftUnits ? kStringLimit : leftUnits;
    bool given = false;
    int64_t count = 0;
    if (flags & MF_INDEX) {
        count = 1;
        given = true;
    } else if (flags & MF_PART_NUMBER1) {
        count = instr.number1;
        given = true;
    } else if (instr.label >= 0) {
        count = Value(instr.label);
        given = true;
    }
    if (count < 0)
        count = 0;
    if (given && count > leftUnits)
        count = leftUnits;
    int64_t skip = 0;
    if (const BytePattern* p = static_cast<const BytePattern*>(m_set.m_patterns.GetItemDataPtr(instr.pattern))) {
        const int64_t end = given ? count : limit;
        // The pattern's ">label+offset" moves every test by that distance, as it does for IF.
        const int64_t first = PatternStart(*p);
        for (int64_t at = 0; at <= end && !OverBudget(); ++at)
            if (PatternMatches(*p, first + at * unit)) {
                count = at;
                skip = p->skip;
                given = true;
                break;
            }
    }
    const uint8_t* start = m_data + Absolute();
    // One character (unit) at a byte offset from the field start; -1 beyond the data.
    auto unitAt = [&](int64_t offset) -> int {
        if (offset < 0 || offset + unit > leftBytes)
            return -1;
        if (!wide)
            return start[offset];
        const uint8_t* u = start + offset;
        return (flags & MF_BIG_ENDIAN) ? (u[0] << 8 | u[1]) : (u[1] << 8 | u[0]);
    };
    const int64_t span = given ? count : limit;
    std::vector<int> chars;
    std::string joined;
    int64_t size = 0;
    int64_t value = 0;
    const uint8_t op = instr.opcode;
    if (op == 0x10 || op == 0x12) {
        const int stop = op == 0x10 ? 0 : '$';
        int64_t n = 0;
        for (int u; n < span && (u = unitAt(n * unit)) >= 0 && u != stop; ++n)
            chars.push_back(u);
        m_work += (n + 1) * unit;
        value = n;
        size = given ? count * unit : (n + 1) * unit;
    } else if (op == 0x11 || op == 0x13) {
        // A counted text: a 16-bit count (STRING_P) or a count byte (STRING_B) in front.
        const int64_t countBytes = op == 0x11 ? 2 : 1;
        int64_t c = 0;
        if (leftBytes >= countBytes)
            c = countBytes == 2 ? (start[0] | start[1] << 8) : start[0];
        int64_t total = countBytes + c * unit;
        if (given && total > count * unit)
            total = count * unit;
        for (int64_t offset = countBytes; offset + unit <= total; offset += unit) {
            const int u = unitAt(offset);
            if (u < 0)
                break;
            chars.push_back(u);
        }
        m_work += countBytes + static_cast<int64_t>(chars.size()) * unit;
        value = op == 0x11 ? (wide ? c + 1 : c + 2) : c + 1;
        size = given ? count * unit : total;
    } else {
        // Texts each ended by a NUL, the list by an empty text.
        int64_t n = 0;
        bool ended = false;
        std::string piece;
        char quoted[CModulSet::kTextSize];
        for (int u; n < span && (u = unitAt(n * unit)) >= 0;) {
            ++n;
            if (u != 0) {
                // UTF-16 units outside 32..255 show as ".", as in the other wide strings.
                piece += static_cast<char>(wide && (u < 32 || u > 255) ? '.' : u);
                continue;
            }
            if (piece.empty()) {
                ended = true;
                break;
            }
            if (joined.size() <= static_cast<size_t>(kStringJoinLimit)) {
                if (!joined.empty())
                    joined += "  ,  ";
                if (wide) {
                    joined += '"' + piece + '"';
                } else {
                    QuoteCString(quoted, sizeof quoted, piece.data(), static_cast<int>(piece.size()),
                                 (flags & MF_NO_PREFIX) ? 0x80000000u : 0);
                    joined += quoted;
                }
            }
            piece.clear();
        }
        m_work += n * unit;
        value = n;
        size = given ? count * unit : (ended ? n : limit + 1) * unit;
    }

    if (op == 0x14) {
        *length = static_cast<int>(joined.copy(text, CModulSet::kTextSize - 1));
    } else if (wide) {
        std::string shown = "\"";
        for (int c : chars) {
            if (shown.size() >= static_cast<size_t>(CModulSet::kTextSize - 2))
                break;
            shown += static_cast<char>(c >= 32 && c <= 255 ? c : '.');
        }
        shown += "\"";
        *length = static_cast<int>(shown.copy(text, CModulSet::kTextSize - 1));
    } else {
        std::string bytes(chars.begin(), chars.end());
        *length = QuoteCString(text, CModulSet::kTextSize, bytes.data(), static_cast<int>(bytes.size()),
                               (flags & MF_NO_PREFIX) ? 0x80000000u : 0);
    }
    text[*length] = 0;
    // S and F decode 8-bit text as UTF-8; UTF-16 text already shows its units as characters.
    if ((flags & MF_SIGNED) && !wide) {
        char decoded[CModulSet::kTextSize];
        *length = Utf8ToLatin1(decoded, text, sizeof decoded);
        std::memcpy(text, decoded, static_cast<size_t>(*length) + 1);
    }
    // The quoting (and decoding) wrote the text once more.
    m_work += *length;
    if (flags & MF_HIDDEN)
        *hidden = true;
    instr.value = Wrap32(value);
    m_pos += size + skip;
}

void ModulRun::RunNumbers(ModulInstr& instr, char* text, int* length, bool* hidden)
{
    const uint32_t flags = instr.flags;
    RoundToByte();
    const uint8_t op = instr.opcode;
    const bool isFloat = op == 0x84 || op == 0x88;
    const int elementSize = op == 0x84 ? 4 : op == 0x88 ? 8 : (op & 0x0F) == 8 ? 8 : (op & 0x0F);
    const BytePattern* pattern = static_cast<const BytePattern*>(m_set.m_patterns.GetItemDataPtr(instr.pattern));
    int64_t count;
    if (flags & MF_INDEX)
        count = 1;
    else if (flags & MF_PART_NUMBER1)
        count = instr.number1;
    else if (instr.label >= 0)
        count = Value(instr.label);
    else
        count = pattern ? 0 : 1;
    if (count == 0 && pattern)
        count = kStringLimit;
    uint64_t last = 0;
    double lastFloat = 0;
    // The budget is looked at per element too: one line over a megabyte is a run's work.
    for (int64_t i = 0; i < count && !OverBudget(); ++i) {
        if (pattern && PatternMatches(*pattern, PatternStart(*pattern))) {
            m_pos += pattern->skip;
            break;
        }
        if (Left() < elementSize) {
            *hidden = true;
            break;
        }
        const int64_t at = Absolute();
        const uint64_t raw = ReadLittle(m_data + at, elementSize);
        m_pos += elementSize;
        m_work += elementSize + CModulSet::kElementWork;
        last = raw;
        if (!isFloat) {
            const int64_t before = m_work;
            *length = elementSize == 8 ? m_set.FormatValue64(instr, raw, 8, &m_count, text, *length, &m_work)
                                       : m_set.FormatValue(instr, static_cast<uint32_t>(raw), elementSize, &m_count,
                                                           text, *length, &m_work);
            if (m_work > before && FirstShown(at, elementSize))
                m_workBudget += CModulSet::kFormatWork;
            continue;
        }
        if (elementSize == 4) {
            float f;
            const uint32_t bits = static_cast<uint32_t>(raw);
            std::memcpy(&f, &bits, 4);
            lastFloat = f;
        } else {
            std::memcpy(&lastFloat, &raw, 8);
        }
        if (*hidden || (flags & MF_HIDDEN) || *length >= kFloatTextLimit)
            continue;
        char number[64];
        StrNPrintf(number, sizeof number, "%s%e", i > 0 ? "  ,  " : "", lastFloat);
        m_work += CModulSet::kFloatWork;
        if (FirstShown(at, elementSize))
            m_workBudget += CModulSet::kFloatWork;
        const int n = static_cast<int>(std::strlen(number));
        if (*length + n < CModulSet::kTextSize) {
            std::memcpy(text + *length, number, static_cast<size_t>(n) + 1);
            *length += n;
        }
    }
    instr.value = isFloat ? TruncatedValue(lastFloat) : static_cast<int32_t>(static_cast<uint32_t>(last));
}

void ModulRun::RunBits(ModulInstr& instr, char* text, int* length, bool* hidden)
{
    m_pos += m_bit / 8;
    m_bit %= 8;
    // A width or a byte count of 0 or below means the default (1 bit, 4 bytes): a negative
    // one has no field to read.
    int64_t width;
    if (instr.opcode == 0x21) {
        width = instr.number1 > 0 ? instr.number1 : 1;
    } else {
        const int64_t n = instr.number1 > 0 ? instr.number1 : 4;
        const int64_t p = m_pos + ((instr.flags & MF_GLOBAL) ? m_base : 0);
        int64_t into = (p - instr.number2) % n;
        if (into < 0)
            into += n;
        width = 8 * (n - into) - m_bit;
    }
    // The 32-bit word at the position; bytes beyond the data read as 0.
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i) {
        const int64_t at = Absolute() + i;
        word = word << 8 | (at >= 0 && at < m_size ? m_data[at] : 0);
    }
    uint32_t value = word >> m_bit;
    if (width < 32)
        value &= (1u << width) - 1;
    const int64_t bits = m_bit + width;
    const int bytes = static_cast<int>((bits + 7) / 8 > 8 ? 8 : (bits + 7) / 8);
    m_pos += bits / 8;
    m_bit = static_cast<int>(bits % 8);
    if (Absolute() > m_size)
        *hidden = true;
    m_work += 4;
    *length = m_set.FormatValue(instr, value, bytes, &m_count, text, *length, &m_work);
    instr.value = static_cast<int32_t>(value);
}

bool ModulRun::RunRva(ModulInstr& instr, char* text, int* length, bool* hidden)
{
    const uint32_t flags = instr.flags;
    RoundToByte();
    int64_t address;
    if (instr.target >= 0) {
        address = Value(instr.target);
    } else if (flags & MF_PART_NUMBER1) {
        address = instr.number1;
    } else if (Left() >= 4) {
        address = static_cast<int64_t>(ReadLittle(m_data + Absolute(), 4));
        m_pos += 4;
    } else {
        address = 0;
        *hidden = true;
    }
    if (flags & MF_GLOBAL)
        address += m_base;
    const uint32_t rva = static_cast<uint32_t>(address);
    if (!(flags & MF_SIGNED))
        *length = m_set.FormatValue(instr, rva, 4, &m_count, text, *length, &m_work);
    // The section table of a PE image at the label's field.
    uint32_t mapped = 0;
    const int64_t table = instr.label >= 0 ? FieldPosition(instr.label) : -1;
    if (table >= 0 && table + kSectionTableBytes <= m_size) {
        m_work += kSectionTableBytes;
        for (int s = 0; s < kSections; ++s) {
            const uint8_t* section = m_data + table + 40 * s;
            const uint32_t size = static_cast<uint32_t>(ReadLittle(section + 8, 4));
            const uint32_t virtualAddress = static_cast<uint32_t>(ReadLittle(section + 12, 4));
            const uint32_t raw = static_cast<uint32_t>(ReadLittle(section + 20, 4));
            const uint64_t end = uint64_t(virtualAddress) + ((uint64_t(size) + 511) / 512 * 512);
            if (virtualAddress <= rva && rva < end) {
                mapped = rva - virtualAddress + raw;
                break;
            }
        }
    }
    if (flags & MF_SIGNED)
        *length = m_set.FormatValue(instr, mapped, 4, &m_count, text, *length, &m_work);
    if ((flags & MF_ABSOLUTE) && instr.target >= 0)
        SetValue(instr.target, static_cast<int32_t>(mapped));
    instr.value = static_cast<int32_t>(mapped);
    return true;
}

void ModulRun::Arithmetic(int index, ModulInstr& instr)
{
    const uint32_t flags = instr.flags;
    const bool positions = (flags & MF_OCTAL) != 0;
    auto operand = [&](int at) -> int32_t {
        if (!positions)
            return Value(at);
        return Wrap32(FieldPosition(at) - ((flags & MF_GLOBAL) ? 0 : m_base));
    };
    int32_t a, b;
    const bool haveNumber = (flags & MF_PART_NUMBER1) != 0;
    if (instr.target < 0) {
        a = operand(instr.label);
        b = instr.number1;
    } else if (haveNumber) {
        a = operand(instr.target);
        b = instr.number1;
    } else {
        a = operand(instr.label);
        b = operand(instr.target);
    }
    const uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    int32_t result = 0;
    switch (instr.opcode) {
    case 0x41: result = static_cast<int32_t>(ua + ub); break;
    case 0x42: result = static_cast<int32_t>(ua * ub); break;
    case 0x43: result = static_cast<int32_t>(ua - ub); break;
    case 0x44: result = static_cast<int32_t>(ua & ub); break;
    case 0x45: result = static_cast<int32_t>(ua | ub); break;
    case 0x46: result = static_cast<int32_t>(ua ^ ub); break;
    case 0x47:
    case 0x48: {
        // "DIV" and "MOD" both give the signed quotient: modules written for this language
        // count on "MOD" dividing, so it is no remainder here.
        const int32_t divisor = b == 0 ? 1 : b;
        // INT_MIN / -1 does not fit: the quotient keeps INT_MIN.
        result = a == INT32_MIN && divisor == -1 ? INT32_MIN : a / divisor;
        break;
    }
    case 0x49: result = b; break;
    case 0x4A: result = static_cast<int32_t>((1u << (ub & 31)) + static_cast<uint32_t>(instr.number1)); break;
    default: break;
    }
    if (flags & MF_ABSOLUTE)
        SetValue(index, result);
    else
        SetValue(instr.label, result);
}

void ModulRun::Execute(int first, int maxRows, int startOffset, int labelCount)
{
    m_index = first;
    m_pos = startOffset;
    m_rowsLeft = maxRows;
    m_rowOfLabel.assign(static_cast<size_t>(labelCount > 0 ? labelCount : 0) + 1, 0);
    long steps = CModulSet::kStepBudget;
    m_workBudget = CModulSet::WorkBudget(m_size);
    char text[CModulSet::kTextSize];
    while (m_rowsLeft >= 1 && Absolute() >= 0 && Absolute() <= m_size) {
        ModulInstr* ip = Instr(m_index);
        if (!ip || --steps < 0 || OverBudget()) {
            AddRow(kProgramFault, 0, 0, m_index, 0);
            return;
        }
        m_work += CModulSet::kStepWork;
        ModulInstr& in = *ip;
        const int index = m_index;
        in.position = Wrap32(Absolute());
        const int64_t fieldStart = m_pos;
        int length = 0;
        text[0] = 0;
        bool hidden = (in.flags & MF_HIDDEN) != 0;
        bool makesRow = false;
        int indentChange = 0;
        m_count = 0;
        int next = index + 1;
        const uint8_t op = in.opcode;
        switch (op >> 4) {
        case 0x1:
            RunString(in, text, &length, &hidden);
            makesRow = true;
            break;
        case 0x2:
            RunBits(in, text, &length, &hidden);
            makesRow = true;
            break;
        case 0x8:
        case 0x9:
        case 0xA:
            RunNumbers(in, text, &length, &hidden);
            makesRow = true;
            break;
        case 0x3:
            switch (op) {
            case 0x30: {
                // IF: the test, then the action.
                bool result;
                int label = in.label, target = in.target;
                int32_t number = in.number1;
                const BytePattern* p = static_cast<const BytePattern*>(m_set.m_patterns.GetItemDataPtr(in.pattern));
                if (p) {
                    result = PatternMatches(*p, PatternStart(*p)) != ((in.flags & MF_PART_NOT) != 0);
                    m_pos += p->skip;
                    target = in.label;
                } else {
                    const int32_t v = Value(in.label);
                    switch (in.test & 0xF) {
                    case 1: result = v != in.number1; break;
                    case 2: result = v >= in.number1; break;
                    case 3: result = v <= in.number1; break;
                    case 4: result = v > in.number1; break;
                    case 5: result = v < in.number1; break;
                    case 6: result = (v & in.number1) != 0; break;
                    default: result = v == in.number1; break;
                    }
                    if (in.flags & MF_PART_NOT)
                        result = !result;
                    if (in.flags & MF_UNSIGNED)
                        SetValue(in.label, static_cast<int32_t>(static_cast<uint32_t>(v) + 1));
                    if (in.flags & MF_DECREMENT)
                        SetValue(in.label, static_cast<int32_t>(static_cast<uint32_t>(v) - 1));
                }
                if (!result)
                    break;
                const uint32_t action = in.test & 0xE0;
                if (!p && (action == MA_SEEK || action == MA_MOV || action == MA_ADD)) {
                    label = in.target;
                    number = in.number2;
                }
                switch (action) {
                case MA_EXIT: return;
                case MA_CALL:
                    if (!Call(index, target, 0, (in.flags & MF_GLOBAL) != 0))
                        return;
                    next = m_index;
                    break;
                case MA_RETURN:
                    if (!Return())
                        return;
                    next = m_index;
                    break;
                case MA_GOTO: next = target; break;
                case MA_SEEK: Seek(in, label, number); break;
                case MA_MOV:
                    SetValue(label, number);
                    next = index;
                    break;
                case MA_ADD:
                    SetValue(label, static_cast<int32_t>(static_cast<uint32_t>(Value(label)) + static_cast<uint32_t>(number)));
                    next = index;
                    break;
                default: break;
                }
                break;
            }
            case 0x31: {
                // LOOP: the lines from its label (or target) run the count of times.
                const bool withTarget = in.target >= 0;
                const int32_t count = withTarget ? Value(in.label) : in.number1;
                const int loopTarget = withTarget ? in.target : in.label;
                if (count < 1)
                    break;
                if (!Call(index, loopTarget, count - 1, (in.flags & MF_GLOBAL) != 0))
                    return;
                next = m_index;
                break;
            }
            case 0x33:
                if (!Return())
                    return;
                next = m_index;
                break;
            case 0x34:
                return;
            case kOpSeek:
                Seek(in, in.label, in.number1);
                break;
            case 0x36:
                if (!Call(index, in.label, 0, (in.flags & MF_GLOBAL) != 0))
                    return;
                next = m_index;
                break;
            case 0x37:
                next = in.label;
                break;
            default:   // BLOCK, MODUL
                break;
            }
            break;
        case 0x4:
            Arithmetic(index, in);
            break;
        case 0x5:
            switch (op) {
            case 0x51:
                makesRow = true;
                break;
            case 0x52:
            case 0x53: {
                ModulInstr plain = in;
                plain.flags &= ~MF_TARGET;
                length = m_set.FormatValue(plain, static_cast<uint32_t>(Value(in.label)), 4, &m_count, text, 0, &m_work);
                if (op == 0x52) {
                    makesRow = true;
                    break;
                }
                const ModulInstr* target = Instr(in.target);
                const int row = target && target->ownLabel >= 0 && target->ownLabel < static_cast<int>(m_rowOfLabel.size())
                                    ? m_rowOfLabel[static_cast<size_t>(target->ownLabel)] : 0;
                if (row > 0) {
                    if (in.flags & MF_ALIGN) {
                        if (OutputRow* r = static_cast<OutputRow*>(m_set.m_rows[m_slot].GetItemDataPtr(row - 1)))
                            r->size = Value(in.label);
                    } else {
                        SetRowText(row - 1, text, length);
                    }
                }
                break;
            }
            case 0x54:
            case 0x55:
                // The line's own row stands at the level it leaves; the change is for the
                // rows that follow.
                indentChange = op == 0x55 ? 1 : -1;
                makesRow = (in.flags & MF_PART_NAME) != 0;
                break;
            default:
                break;
            }
            break;
        case 0x6: {
            int64_t value = 0;
            if (op == 0x60) {
                value = in.label >= 0 ? FieldPosition(in.label) - m_base : m_pos + ((in.flags & MF_GLOBAL) ? m_base : 0);
                value += in.number1;
            } else if (op == 0x61) {
                value = (in.flags & MF_ABSOLUTE) ? m_size : (in.flags & MF_GLOBAL) ? m_size - m_base : m_size - Absolute();
                value += in.number1;
            }
            if (op == 0x62) {
                RunRva(in, text, &length, &hidden);
            } else {
                in.value = Wrap32(value);
                length = m_set.FormatValue(in, static_cast<uint32_t>(in.value), 4, &m_count, text, 0, &m_work);
            }
            makesRow = true;
            break;
        }
        default:
            break;
        }

        if (makesRow) {
            m_work += CModulSet::kRowWork + length;
            text[length] = 0;
            if (!hidden) {
                AddRowFor(index, in, text, fieldStart);
                // Every row shown brings its own share of lines and work: a module that shows
                // what it computes ends at its row budget, never at the one for hidden work.
                // A row the budget cut short earns nothing: it would let the line go on.
                if (!OverBudget()) {
                    steps += CModulSet::kRowSteps;
                    m_workBudget += CModulSet::kRowAllowance;
                }
            }
            // A line with a target writes its text into the target's row.
            const ModulInstr* target = Instr(in.target);
            if ((in.flags & MF_TARGET) && in.kind == 1 && length > 0 && target && target->ownLabel >= 0
                && target->ownLabel < static_cast<int>(m_rowOfLabel.size())) {
                const int row = m_rowOfLabel[static_cast<size_t>(target->ownLabel)];
                if (row > 0)
                    SetRowText(row - 1, text, length);
            }
        }
        if (indentChange != 0)
            m_indent = indentChange > 0 ? m_indent + 1 : (m_indent > 0 ? m_indent - 1 : 0);
        m_index = next;
    }
}

// ---------------------------------------------------------------------------------------------

int CModulSet::Run(int slot, const uint8_t* data, int size, int entry, int maxRows, int startOffset)
{
    const ModulEntry* e = GetEntry(entry);
    m_lastRunWork = 0;
    m_lastRunBudget = 0;
    if (slot < 0 || slot >= kSlots || size <= 0 || !data || !e)
        return 0;
    const ModulSource* source = static_cast<const ModulSource*>(m_sources.GetItemDataPtr(e->source));
    for (int i = 0; i < 4; ++i)
        SetValueOf(i, 0);
    m_rows[slot].Clear();
    m_rowNames[slot].Clear();
    m_rowNames[slot].InsertText("");
    ModulRun run(*this, slot, data, size);
    try {
        run.Execute(e->firstInstr, maxRows, startOffset, source ? source->labelCount : 0);
    } catch (...) {
        // Out of memory in a run: the rows made so far, and the fault as the last one.
        OutputRow fault = {};
        m_rows[slot].InsertText(kProgramFault, -1, &fault);
    }
    m_lastRunWork = run.Work();
    m_lastRunBudget = run.Budget();
    return m_rows[slot].GetCount();
}
