// The module compiler: pass 1 collects the labels of a file, pass 2 turns every line into
// one ModulInstr. Faulty lines are reported with their line number and still compiled where
// they start with a keyword, so a module with errors loads and shows what it can.
#include "datawindow/ModulSet.h"

#include "services/CaseFold.h"
#include "services/TextScanner.h"
#include "textlib/CharClass.h"
#include "textlib/IntParse.h"
#include "textlib/StrPrintf.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

struct Keyword {
    const char* word;
    uint16_t code;
    uint16_t required;
    uint16_t forbidden;
};

// The matching order of the keywords; row 0 never matches.
const Keyword kKeywords[] = {
    {"", 0x100, 0, 0},
    {"BIT", 0x121, 0, 0x4E8},       {"BYTE", 0x191, 0, 0x4E8},     {"WORD", 0x192, 0, 0x4E8},
    {"DWORD", 0x194, 0, 0x4E8},     {"RWORD", 0x193, 0, 0x4E8},    {"QWORD", 0x1A8, 0, 0x4E8},
    {"FLOAT", 0x184, 0, 0x4E8},     {"DOUBLE", 0x188, 0, 0x4E8},   {"STRING", 0x110, 0, 0x4E8},
    {"STRING_P", 0x111, 0, 0x4E8},  {"STRING_D", 0x112, 0, 0x4E8}, {"STRING_B", 0x113, 0, 0x4E8},
    {"STRING_K", 0x114, 0, 0x4E8},  {"REST", 0x120, 0x010, 0x4CC}, {"OFFSET", 0x160, 0, 0x4E8},
    {"LEN", 0x161, 0, 0x5EC},       {"IF", 0x030, 0x044, 0x2002},  {"LOOP", 0x031, 0, 0x2568},
    {"BLOCK", 0x032, 0x002, 0x27CC}, {"MODUL", 0x038, 0x002, 0x27FC}, {"RETURN", 0x033, 0, 0x27FC},
    {"EXIT", 0x034, 0, 0x27FC},     {"SEEK", 0x035, 0, 0x25CA},    {"TEXT", 0x051, 0x002, 0x25FC},
    {"CALL", 0x036, 0x004, 0x25EA}, {"GOTO", 0x037, 0x004, 0x25EA}, {"PRINT", 0x152, 0x004, 0x4E8},
    {"SPRINT", 0x053, 0x084, 0x2468}, {"ADD", 0x041, 0x804, 0x254A}, {"MUL", 0x042, 0x804, 0x254A},
    {"SUB", 0x043, 0x804, 0x254A},  {"AND", 0x044, 0x804, 0x254A}, {"DIV", 0x047, 0x804, 0x254A},
    {"MOD", 0x048, 0x804, 0x254A},  {"BIN", 0x04A, 0x804, 0x254A}, {"MOV", 0x049, 0x804, 0x254A},
    {"DOWN", 0x055, 0, 0x25E8},     {"UP", 0x054, 0, 0x27FC},      {"RVA", 0x062, 0x804, 0x2148},
};
const int kKeywordCount = sizeof(kKeywords) / sizeof(kKeywords[0]);

const uint8_t kOpModul = 0x38;
const uint8_t kOpBlock = 0x32;
const uint8_t kOpSeek = 0x35;
const uint8_t kOpExit = 0x34;
const uint8_t kOpIf = 0x30;
const uint8_t kOpLoop = 0x31;
const uint8_t kOpCall = 0x36;
const uint8_t kOpGoto = 0x37;

struct Action {
    const char* word;
    uint32_t code;
    const char* refused;
};

const Action kActions[] = {
    {"EXIT", MA_EXIT, "EXIT ist nicht erlaubt."},       {"CALL", MA_CALL, "CALL ist nicht erlaubt."},
    {"SEEK", MA_SEEK, "SEEK ist nicht erlaubt."},       {"GOTO", MA_GOTO, "GOTO ist nicht erlaubt."},
    {"RETURN", MA_RETURN, "RETURN ist nicht erlaubt."}, {"MOV", MA_MOV, "MOV ist nicht erlaubt."},
    {"ADD", MA_ADD, "ADD ist nicht erlaubt."},
};

const char* const kComparisons[] = {"==", "!=", ">=", "<=", ">", "<", "&"};

struct FlagLetter {
    char letter;
    uint32_t bits;
};

const FlagLetter kFlagLetters[] = {
    {'A', MF_ABSOLUTE}, {'B', MF_BINARY},    {'C', MF_CHAR},      {'D', MF_DECREMENT},
    {'F', MF_SIGNED},   {'S', MF_SIGNED},    {'G', MF_GLOBAL},    {'H', MF_HEX},
    {'I', MF_INDEX},    {'J', MF_INDEX | MF_ABSOLUTE},            {'K', MF_NO_PREFIX},
    {'V', MF_NO_PREFIX}, {'M', MF_BIG_ENDIAN}, {'N', MF_HIDDEN},  {'O', MF_OCTAL},
    {'P', MF_AT},       {'R', MF_ALIGN},     {'Z', MF_ALIGN},     {'U', MF_UNSIGNED},
    {'X', MF_SUFFIX},
};

const int kMaxOperands = 10;
const int kMaxFlagChars = 15;
const uint32_t kSeekWidthLetters = 0x7F0000;
const int kMaxPatternChars = 256;
const int kMaxNameLength = 63;
// A line longer than the scanner's window was always taken up to the window's end.
const size_t kMaxLineLength = 32768;
const int kMaxEntryText = 255;
const int kMaxQuoted = 256;

// A text list answers a failed allocation with -1 rather than an exception. An instruction
// left out that way moved every later line up by one, so labels and jumps named other lines
// and the module loaded as if whole: the compile stops here as for any other want of memory.
int Kept(int index)
{
    if (index < 0)
        throw std::bad_alloc();
    return index;
}

bool IsWordChar(unsigned char c)
{
    return c != 0 && IsCharClass(c, CCM_MODULEWORD);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int WordLength(const char* s)
{
    int n = 0;
    while (IsWordChar(static_cast<unsigned char>(s[n])))
        ++n;
    return n;
}

int Upper(int c)
{
    return c >= 'a' && c <= 'z' ? c - 32 : c;
}

bool SameNoCase(const char* a, int length, const char* word)
{
    for (int i = 0; i < length; ++i)
        if (!word[i] || Upper(static_cast<unsigned char>(a[i])) != Upper(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

// A written keyword selects itself; any other word the first row it is a prefix of. The
// prefix rule alone would give "MOD" to "MODUL", an earlier row: the arithmetic line could not
// be written at all, and every "MOD" would compile as a nameless module heading.
int SelectKeyword(const char* word, int length)
{
    if (length <= 0)
        return 0;
    for (int i = 1; i < kKeywordCount; ++i)
        if (static_cast<int>(std::strlen(kKeywords[i].word)) == length && SameNoCase(word, length, kKeywords[i].word))
            return i;
    for (int i = 1; i < kKeywordCount; ++i)
        if (static_cast<int>(std::strlen(kKeywords[i].word)) >= length && SameNoCase(word, length, kKeywords[i].word))
            return i;
    return 0;
}

// An action word: the word followed by a blank, a TAB or the end of the line.
const Action* ActionAt(const char* s)
{
    const int length = WordLength(s);
    for (const Action& a : kActions)
        if (static_cast<int>(std::strlen(a.word)) == length && SameNoCase(s, length, a.word)
            && (s[length] == 0 || IsBlank(s[length])))
            return &a;
    return nullptr;
}

// The text up to the next double quote, a backslash as any other character ("C:\" is a
// name); `*length` the characters of the item with both quotes (the line end ends an unclosed
// one).
std::string Quoted(const char* s, int* length)
{
    std::string text;
    int i = 1;
    while (s[i] && s[i] != '"') {
        if (static_cast<int>(text.size()) < kMaxQuoted)
            text += s[i];
        ++i;
    }
    *length = s[i] == '"' ? i + 1 : i;
    return text;
}

int HexDigit(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Upper(c);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

}  // namespace

// One compile of one file into the set.
class ModulCompiler {
public:
    ModulCompiler(CModulSet& set) : m_set(set), m_labels(sizeof(int32_t)) {}

    int Compile(CTextScanner* scanner, const char* name);

private:
    void ReadLines(CTextScanner* scanner);
    void AddLabel(const char* name, int length, int32_t instr, int line = 0);
    void SortLabels();
    int FindLabel(const char* name, int length) const;
    int32_t LabelInstr(int labelIndex) const;
    void Report(const char* message, bool warning = false) { m_set.ReportError(message, warning); }
    void ReportName(const char* prefix, const char* name, int length);
    void CompileLine(const char* s, int lineInstr);
    int ParseFlags(const char* s, const Keyword& kw, ModulInstr* instr, bool take);
    int ParsePattern(const char* s, ModulInstr* instr);
    void RefuseJumpIntoVariable(ModulInstr* instr, const std::string names[2]);

    CModulSet& m_set;
    CTextList m_labels;                 // sorted without regard to case; data: instruction
    // The labels as pass 1 meets them, sorted into m_labels at once after it: inserting each
    // in its sorted place moves the whole list every time, which a file of a few hundred
    // thousand labels turns into minutes.
    struct PendingLabel {
        const char* name;   // in m_text, or one of the variables' names
        int length;
        int32_t instr;
        int line;
    };
    std::vector<PendingLabel> m_pending;
    // The text with a NUL in place of each line end, and where each line starts in it: one
    // block rather than a string per line, since a file may hold millions of empty lines.
    std::string m_text;
    std::vector<size_t> m_lines;
    std::string m_name;                 // from the "MODUL" line
    int m_source = 0;
    int m_firstInstr = 0;
    int m_firstBlock = -1;
};

void ModulCompiler::ReadLines(CTextScanner* scanner)
{
    // The whole text in one read: peeking line by line refills the scanner's window for
    // every line, which costs about a microsecond even for an empty one.
    char chunk[16384];
    for (int n; (n = scanner->Read(chunk, sizeof chunk)) > 0;)
        m_text.append(chunk, static_cast<size_t>(n));
    // CR LF, LF or CR end a line; text after the last line end is one more line.
    for (size_t at = 0; at < m_text.size();) {
        size_t end = m_text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = m_text.size();
        size_t next = end;
        if (next < m_text.size())
            next += m_text[next] == '\r' && next + 1 < m_text.size() && m_text[next + 1] == '\n' ? 2 : 1;
        if (end - at > kMaxLineLength)
            end = at + kMaxLineLength;
        if (end < m_text.size())
            m_text[end] = 0;
        m_lines.push_back(at);
        at = next;
    }
}

void ModulCompiler::AddLabel(const char* name, int length, int32_t instr, int line)
{
    m_pending.push_back({name, length < 0 ? static_cast<int>(std::strlen(name)) : length, instr, line});
}

// Sorts the labels without regard to case, equal names in the order they were defined, and
// reports every definition of a name defined before it, at its own line.
void ModulCompiler::SortLabels()
{
    std::stable_sort(m_pending.begin(), m_pending.end(), [](const PendingLabel& a, const PendingLabel& b) {
        return CompareBytes1252(a.name, a.length, b.name, b.length, true) < 0;
    });
    std::vector<const PendingLabel*> doubled;
    for (size_t i = 0; i < m_pending.size(); ++i) {
        const PendingLabel& label = m_pending[i];
        if (i > 0 && CompareBytes1252(m_pending[i - 1].name, m_pending[i - 1].length, label.name, label.length, true) == 0)
            doubled.push_back(&label);
        Kept(m_labels.InsertTextN(label.length, label.name, -1, &label.instr));
    }
    std::stable_sort(doubled.begin(), doubled.end(),
                     [](const PendingLabel* a, const PendingLabel* b) { return a->line < b->line; });
    for (const PendingLabel* label : doubled) {
        m_set.m_errorLine = label->line;
        char text[200];
        StrNPrintf(text, sizeof text, "Doppelte Marke '%.*s' gefunden", label->length > 100 ? 100 : label->length,
                   label->name);
        Report(text);
    }
    m_pending.clear();
}

int ModulCompiler::FindLabel(const char* name, int length) const
{
    return length > 0 ? m_labels.FindSorted(length, name, 0, -1, 1) : -1;
}

int32_t ModulCompiler::LabelInstr(int labelIndex) const
{
    const int32_t* instr = static_cast<const int32_t*>(m_labels.GetItemDataPtr(labelIndex));
    return instr ? *instr : -1;
}

void ModulCompiler::ReportName(const char* prefix, const char* name, int length)
{
    char text[160];
    StrNPrintf(text, sizeof text, "%s%.*s", prefix, length > 100 ? 100 : length, name);
    Report(text);
}

int ModulCompiler::Compile(CTextScanner* scanner, const char* name)
{
    CModulSet& set = m_set;
    // The shared variables, once; then this module's own four.
    if (set.m_instrs.GetCount() == 0)
        for (int i = 0; i < 4; ++i) {
            char text[16];
            StrPrintf(text, "LOCAL_%i", i);
            ModulInstr zero = {};
            zero.label = zero.target = zero.pattern = zero.names = zero.ownLabel = -1;
            Kept(set.m_instrs.InsertText(text, -1, &zero));
        }
    const int instrsBefore = set.m_instrs.GetCount();
    const int patternsBefore = set.m_patterns.GetCount();
    const int namesBefore = set.m_names.GetCount();
    const int entriesBefore = set.m_modules.GetCount();
    static const char* const kLocalNames[] = {"LOCAL_0", "LOCAL_1", "LOCAL_2", "LOCAL_3"};
    static const char* const kParamNames[] = {"PARAM_0", "PARAM_1", "PARAM_2", "PARAM_3"};
    for (int i = 0; i < 4; ++i)
        AddLabel(kLocalNames[i], -1, i);
    for (int i = 0; i < 4; ++i) {
        ModulInstr zero = {};
        zero.label = zero.target = zero.pattern = zero.names = zero.ownLabel = -1;
        const int index = Kept(set.m_instrs.InsertText(kParamNames[i], -1, &zero));
        AddLabel(kParamNames[i], -1, index);
    }
    m_firstInstr = set.m_instrs.GetCount();
    m_source = set.m_sources.GetCount();
    set.m_errorLine = 1;
    set.m_errorCount = 0;
    set.m_errorsLeftOut = 0;

    ReadLines(scanner);

    // Pass 1: the labels, each naming the instruction its line (or the next line) makes.
    int instr = m_firstInstr;
    for (size_t n = 0; n < m_lines.size(); ++n, ++set.m_errorLine) {
        const char* s = m_text.c_str() + m_lines[n];
        while (IsBlank(*s))
            ++s;
        if (*s == ':') {
            ++s;
            const int length = WordLength(s);
            if (length > 0)
                AddLabel(s, length, instr, set.m_errorLine);
            s += length;
            while (IsBlank(*s))
                ++s;
        }
        if (*s != ';' && SelectKeyword(s, WordLength(s)) != 0)
            ++instr;
    }
    SortLabels();

    // Pass 2: the instructions.
    set.m_errorLine = 1;
    instr = m_firstInstr;
    for (size_t n = 0; n < m_lines.size(); ++n, ++set.m_errorLine) {
        const int before = set.m_instrs.GetCount();
        CompileLine(m_text.c_str() + m_lines[n], instr);
        if (set.m_instrs.GetCount() > before)
            ++instr;
    }

    // The module's name: its "MODUL" line, else the name handed in (whole: the loader has cut
    // a file name already), else a number.
    std::string moduleName = m_name;
    if (moduleName.empty() && name && *name)
        moduleName = name;
    if (moduleName.empty())
        moduleName = std::to_string(set.m_sources.GetCount() + 1);

    if (set.FindSource(moduleName.c_str()) >= 0) {
        set.m_errorLine = 0;
        set.ReportError("Modul ist bereits geladen.", true, true);
        // Every list as it was before: the variables of this module, its instructions, its
        // patterns, value names and entries. Keeping this module's four "PARAM_" entries would
        // leave four dead variables behind every refused reload, and the instruction list
        // would grow with each one.
        set.m_instrs.RemoveRange(instrsBefore, set.m_instrs.GetCount());
        set.m_patterns.RemoveRange(patternsBefore, set.m_patterns.GetCount());
        set.m_names.RemoveRange(namesBefore, set.m_names.GetCount());
        set.m_modules.RemoveRange(entriesBefore, set.m_modules.GetCount());
        return 1;
    }

    const ModulInstr* first = set.Instr(m_firstInstr);
    const bool blockStarts = m_firstBlock == m_firstInstr + 1 && first && first->opcode == kOpModul;
    if (!blockStarts) {
        std::string text = "Modul - " + moduleName;
        if (text.size() > kMaxEntryText)
            text.resize(kMaxEntryText);
        ModulEntry entry = {m_firstInstr, m_source};
        Kept(set.m_modules.InsertText(text.c_str(), -1, &entry));
    }
    ModulInstr exit = {};
    exit.opcode = kOpExit;
    exit.label = exit.target = exit.pattern = exit.names = exit.ownLabel = -1;
    Kept(set.m_instrs.InsertText("", -1, &exit));
    ModulSource source = {entriesBefore, m_firstInstr, set.m_instrs.GetCount(), m_labels.GetCount()};
    Kept(set.m_sources.InsertText(moduleName.c_str(), -1, &source));
    return 2;
}

void ModulCompiler::CompileLine(const char* s, int lineInstr)
{
    CModulSet& set = m_set;
    while (IsBlank(*s))
        ++s;
    int ownLabel = -1;
    if (*s == ':') {
        ++s;
        const int length = WordLength(s);
        ownLabel = FindLabel(s, length);
        s += length;
        while (IsBlank(*s))
            ++s;
    }
    if (*s == ';' || *s == 0)
        return;
    const int wordLength = WordLength(s);
    if (wordLength == 0) {
        Report("Erwarte Befehl");
        return;
    }
    const int k = SelectKeyword(s, wordLength);
    if (k == 0) {
        Report("Unbekannter Befehl");
        return;
    }
    const Keyword& kw = kKeywords[k];
    s += wordLength;

    ModulInstr instr = {};
    instr.opcode = static_cast<uint8_t>(kw.code & 0xFF);
    instr.kind = static_cast<uint8_t>(kw.code >> 8);
    instr.label = instr.target = instr.pattern = instr.names = -1;
    instr.ownLabel = ownLabel;
    std::string name = "???";
    std::string referenceNames[2];   // the label and the target as written
    bool haveName = false, haveFlags = false, haveNot = false, haveCompare = false, havePattern = false;
    int numbers = 0, references = 0;
    uint32_t parts = 0;

    for (int item = 0; item < kMaxOperands; ++item) {
        while (IsBlank(*s))
            ++s;
        const char c = *s;
        if (c == 0 || c == ';')
            break;
        if (c == '"') {
            int length = 0;
            std::string text = Quoted(s, &length);
            s += length;
            if (haveName) {
                Report("Name ist bereits angegeben");
                continue;
            }
            name = text;
            haveName = true;
            parts |= MF_PART_NAME;
            continue;
        }
        const bool signedNumber = (c == '-' || c == '+') && s[1] >= '0' && s[1] <= '9';
        if ((c >= '0' && c <= '9') || signedNumber) {
            int consumed = 0;
            const int value = ParseInteger(c == '+' ? s + 1 : s, IPF_NO_LEADING_BLANKS | IPF_SIGN_ADJACENT, &consumed);
            s += (c == '+' ? 1 : 0) + (consumed > 0 ? consumed : 1);
            if (numbers == 0) {
                instr.number1 = value;
                parts |= MF_PART_NUMBER1;
            } else if (numbers == 1) {
                instr.number2 = value;
                parts |= MF_PART_NUMBER2;
            } else {
                Report("Zuviele Zahlen definiert");
            }
            ++numbers;
            continue;
        }
        if (c == '#') {
            s += 1 + ParseFlags(s + 1, kw, &instr, !haveFlags);
            if (haveFlags) {
                Report("Flags bereits definiert.");
            } else {
                haveFlags = true;
                parts |= MF_PART_FLAGS;
            }
            continue;
        }
        if (c == '!' && s[1] != '=') {
            ++s;
            if (haveNot)
                Report("Not Zeichen bereits definiert.");
            haveNot = true;
            parts |= MF_PART_NOT;
            continue;
        }
        int comparison = -1;
        for (int i = 0; i < 7 && comparison < 0; ++i)
            if (std::strncmp(s, kComparisons[i], std::strlen(kComparisons[i])) == 0)
                comparison = i;
        if (comparison >= 0) {
            s += std::strlen(kComparisons[comparison]);
            if (haveCompare) {
                Report("Unerlaubte Vergleichsfunktion.");
                continue;
            }
            haveCompare = true;
            instr.test = (instr.test & ~0xFu) | static_cast<uint32_t>(comparison);
            parts |= MF_PART_COMPARE;
            continue;
        }
        const int length = WordLength(s);
        if (length == 0) {
            Report("Unbekanntes Zeichen");
            break;
        }
        if (length == 5 && SameNoCase(s, 5, "UNTIL") && IsBlank(s[5])) {
            s += 5;
            if (havePattern) {
                // Read past, not kept: the first pattern stays the line's, and nothing refers to
                // this one.
                s += ParsePattern(s, nullptr);
                Report("Bis-Dump bereits definiert.");
                continue;
            }
            havePattern = true;
            s += ParsePattern(s, &instr);
            parts |= MF_PART_PATTERN;
            continue;
        }
        if (const Action* action = ActionAt(s)) {
            s += length;
            if (instr.test & 0xE0) {
                Report(action->refused);
                continue;
            }
            instr.test |= action->code;
            parts |= MF_PART_ACTION;
            continue;
        }
        // A label or variable.
        const int found = FindLabel(s, length);
        if (found < 0)
            ReportName("Unbekannte Marke :", s, length);
        const int32_t target = found >= 0 ? LabelInstr(found) : -1;
        if (numbers == 0)
            parts |= MF_PART_LABEL_FIRST;
        if (references < 2)
            referenceNames[references].assign(s, static_cast<size_t>(length));
        if (references == 0) {
            instr.label = target;
            parts |= MF_PART_LABEL;
        } else if (references == 1) {
            instr.target = target;
            parts |= MF_PART_TARGET;
        } else {
            Report("Zuviele Marken definiert");
        }
        ++references;
        s += length;
    }

    if (instr.opcode == kOpBlock && haveName) {
        const uint32_t mask = set.m_featureMask;
        const bool off = ((parts & MF_PART_NUMBER1) && instr.number1 != 0 && (instr.number1 & mask) != 0)
                         || ((parts & MF_PART_NUMBER2) && instr.number2 != 0 && (instr.number2 & mask) == 0);
        if (!off) {
            ModulEntry entry = {lineInstr, m_source};
            Kept(set.m_modules.InsertText(name.c_str(), -1, &entry));
            if (m_firstBlock < 0)
                m_firstBlock = lineInstr;
        }
    }
    if (instr.opcode == kOpModul && haveName)
        m_name = name.substr(0, kMaxNameLength);
    RefuseJumpIntoVariable(&instr, referenceNames);

    instr.flags |= parts & 0xFFF;
    Kept(set.m_instrs.InsertText(name.c_str(), -1, &instr));
    if ((parts & kw.required) != kw.required)
        Report("Syntaxfehler, fehlente Angaben");
    if (parts & kw.forbidden & 0xFFF)
        Report("Syntaxfehler, zuviele  Angaben");
}

// A jump, call or loop continues at the instruction its label names. The variables
// ("LOCAL_", "PARAM_") are entries of the instruction list without code: a run stepping into
// them would go on into whatever follows (another module's lines, or this module's start
// again). Such a target is reported and compiled as a label not found.
void ModulCompiler::RefuseJumpIntoVariable(ModulInstr* instr, const std::string names[2])
{
    int32_t* jump = nullptr;
    const std::string* name = nullptr;
    const uint32_t action = instr->test & 0xE0;
    if (instr->opcode == kOpGoto || instr->opcode == kOpCall) {
        jump = &instr->label;
        name = &names[0];
    } else if (instr->opcode == kOpLoop) {
        // As the run decides: a target found is the loop's, else the label is.
        const bool withTarget = instr->target >= 0;
        jump = withTarget ? &instr->target : &instr->label;
        name = withTarget ? &names[1] : &names[0];
    } else if (instr->opcode == kOpIf && (action == MA_GOTO || action == MA_CALL)) {
        // With a pattern the label is the action's target.
        const bool pattern = instr->pattern >= 0;
        jump = pattern ? &instr->label : &instr->target;
        name = pattern ? &names[0] : &names[1];
    }
    if (!jump || *jump < 0 || *jump >= m_firstInstr)
        return;
    ReportName("Sprungziel ist eine Variable :", name->data(), static_cast<int>(name->size()));
    *jump = -1;
}

// The letters, width digits, value-name text or target behind a "#"; returns the characters
// read. With `take` false (a second "#") the bits are read over but not kept.
int ModulCompiler::ParseFlags(const char* s, const Keyword& kw, ModulInstr* instr, bool take)
{
    const bool seek = (kw.code & 0xFF) == kOpSeek;
    uint32_t bits = 0;
    int i = 0;
    int examined = 0;
    while (examined < kMaxFlagChars) {
        const char c = s[i];
        const FlagLetter* letter = nullptr;
        for (const FlagLetter& f : kFlagLetters)
            if (Upper(static_cast<unsigned char>(c)) == f.letter)
                letter = &f;
        if (letter) {
            // A SEEK line's width runs on into bits 16-22: the letters there (O, D, H, X, S,
            // U, C) mean nothing to a seek and would only multiply its step.
            if (!seek || !(letter->bits & kSeekWidthLetters))
                bits |= letter->bits;
            ++i;
            ++examined;
            continue;
        }
        if (c >= '0' && c <= '9') {
            int width = c - '0';
            ++i;
            ++examined;
            if (s[i] >= '0' && s[i] <= '9' && examined < kMaxFlagChars) {
                width = width * 10 + (s[i] - '0');
                ++i;
                ++examined;
            }
            // The 4 bits hold the widths 1 to 16 (99 for SEEK): a width of 0 is taken as 1
            // and a wider one as the widest, rather than wrapping to some other width.
            if (width < 1)
                width = 1;
            if (seek) {
                bits = (bits & ~0x7FF000u) | (static_cast<uint32_t>(width - 1) << 12);
            } else {
                if (width > 16)
                    width = 16;
                bits = (bits & ~0xF000u) | (static_cast<uint32_t>(width - 1) << 12);
            }
            continue;
        }
        if (c == '"') {
            // The value names run to their closing quote, past the window of the letters.
            int end = i + 1;
            while (s[end] && s[end] != '"')
                ++end;
            if (take) {
                instr->names = Kept(m_set.m_names.InsertTextN(end - i - 1, s + i + 1));
                instr->flags |= bits;
            }
            return s[end] == '"' ? end + 1 : end;
        }
        if (c == '>') {
            ++i;
            const int length = WordLength(s + i);
            if (!take) {
                // A second "#" is only read over, but a second target in it is named: the
                // line would otherwise write into a row other than the one its writer meant.
                if (length > 0 && (instr->flags & MF_TARGET))
                    Report("Einen Marke ist in den Flags bereits definiert");
            } else if (kw.forbidden & MF_FORBID_FLAG_TARGET) {
                Report("Marken sind in den Flags nicht erlaubt");
            } else if (length == 0) {
                Report("Leere Marke in Flags");
            } else {
                const int found = FindLabel(s + i, length);
                if (found < 0)
                    ReportName("Unbekannte Marke :", s + i, length);
                instr->target = found >= 0 ? LabelInstr(found) : -1;
                bits |= MF_TARGET;
            }
            i += length;
            break;
        }
        break;
    }
    if (take)
        instr->flags |= bits;
    return i;
}

// A byte pattern: [">" [label] [offset]] bytes ["+" skip], added to the pattern list for
// `instr` (null: only read past). Returns the characters read.
int ModulCompiler::ParsePattern(const char* s, ModulInstr* instr)
{
    BytePattern p = {};
    p.label = -1;
    int i = 0;
    while (IsBlank(s[i]))
        ++i;
    bool skipGiven = false;
    if (s[i] == '>') {
        ++i;
        const int length = s[i] >= '0' && s[i] <= '9' ? 0 : WordLength(s + i);
        if (length > 0) {
            const int found = FindLabel(s + i, length);
            if (found < 0)
                ReportName("Unbekannte Marke :", s + i, length);
            p.label = found >= 0 ? LabelInstr(found) : -1;
            i += length;
        }
        if ((s[i] >= '0' && s[i] <= '9') || ((s[i] == '-' || s[i] == '+') && s[i + 1] >= '0' && s[i + 1] <= '9')) {
            int consumed = 0;
            p.offset = ParseInteger(s + i, IPF_NO_LEADING_BLANKS | IPF_SIGN_ADJACENT, &consumed);
            i += consumed > 0 ? consumed : 1;
        }
    }
    while (i < kMaxPatternChars) {
        while (IsBlank(s[i]))
            ++i;
        const char c = s[i];
        if (c == 0 || c == ';' || ActionAt(s + i))
            break;
        if (c == '+') {
            // The count may stand apart from its "+" as the pattern's bytes stand apart: read
            // only when it touched the "+", "+ 4" gave the skip 0 and left the 4 to the line.
            int consumed = 0;
            p.skip = ParseInteger(s + i + 1, IPF_NO_SIGN, &consumed);
            i += 1 + consumed;
            skipGiven = true;
            break;
        }
        if (c == '"') {
            ++i;
            while (s[i] && s[i] != '"' && i < kMaxPatternChars) {
                int ch = static_cast<unsigned char>(s[i++]);
                if (ch == '\\' && s[i]) {
                    const char e = s[i++];
                    ch = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'b' ? '\b' : e == 'v' ? '\v'
                                                                                         : static_cast<unsigned char>(e);
                }
                if (p.length < kMaxPatternBytes) {
                    p.value[p.length] = static_cast<uint8_t>(ch);
                    p.mask[p.length++] = 0xFF;
                }
            }
            if (s[i] == '"')
                ++i;
            continue;
        }
        if (c == '?' && (s[i + 1] == 0 || IsBlank(s[i + 1]))) {
            ++i;
            if (p.length < kMaxPatternBytes) {
                p.value[p.length] = 0;
                p.mask[p.length++] = 0;
            }
            continue;
        }
        if (c == '~') {
            ++i;
            uint8_t value = 0, mask = 0;
            for (int bit = 0; bit < 8 && (s[i] == '0' || s[i] == '1' || s[i] == '?'); ++bit, ++i) {
                value = static_cast<uint8_t>(value << 1 | (s[i] == '1'));
                mask = static_cast<uint8_t>(mask << 1 | (s[i] != '?'));
            }
            if (p.length < kMaxPatternBytes) {
                p.value[p.length] = value;
                p.mask[p.length++] = mask;
            }
            continue;
        }
        if (HexDigit(static_cast<unsigned char>(c)) >= 0) {
            unsigned value = 0;
            while (HexDigit(static_cast<unsigned char>(s[i])) >= 0)
                value = (value << 4 | static_cast<unsigned>(HexDigit(static_cast<unsigned char>(s[i++])))) & 0xFF;
            if (p.length < kMaxPatternBytes) {
                p.value[p.length] = static_cast<uint8_t>(value);
                p.mask[p.length++] = 0xFF;
            }
            continue;
        }
        break;
    }
    if (!skipGiven)
        p.skip = p.length;
    if (instr && p.length > 0)
        instr->pattern = Kept(m_set.m_patterns.InsertText("", -1, &p));
    return i;
}

int CModulSet::Compile(CTextScanner* scanner, const char* name)
{
    ForgetValueNames();
    const int instrs = m_instrs.GetCount(), patterns = m_patterns.GetCount(), names = m_names.GetCount();
    const int entries = m_modules.GetCount(), sources = m_sources.GetCount();
    int result = 0;
    try {
        ModulCompiler compiler(*this);
        result = compiler.Compile(scanner, name);
    } catch (...) {
        // Out of memory half-way through a file: the lists as they were before it, and the
        // file refused; nothing of it may reach the window that asked for it.
        m_instrs.RemoveRange(instrs, m_instrs.GetCount());
        m_patterns.RemoveRange(patterns, m_patterns.GetCount());
        m_names.RemoveRange(names, m_names.GetCount());
        m_modules.RemoveRange(entries, m_modules.GetCount());
        m_sources.RemoveRange(sources, m_sources.GetCount());
        ForgetValueNames();
        m_errorLine = 0;
        ReportError(kNoMemory, false);
        result = 0;
    }
    ReportErrorsLeftOut();
    return result;
}
