// CTextEdit: syntax definitions from the registry and the colouring engine that applies them
// line by line, the case and class tables the comparisons read, and the bracket highlight.
//
// A definition is a subkey of the view's key. Besides a fixed colour or colours by column it
// may describe classes of bytes ("Numbers", "Letters", "Separators", "Group1".."Group5"),
// words ("Words\<class>\"), delimited regions ("Until\<pair>\") and bytes with a fixed
// colour ("Fixed\<set>\"). The state a line leaves behind (group bits and an open region) is
// kept in the line, so an edit re-colours only the lines whose carried state changes.
#include "editor/TextEdit.h"

#include "services/Registry.h"

#include <stdio.h>
#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

// Mode bytes of a rule.
enum RuleModeByte
{
    RM_BEFORE_ANY = 0,    // classes one of which the byte before must have (0: any)
    RM_AFTER_ANY = 1,     // classes one of which the byte after the text must have (0: any)
    RM_EXTEND = 2,        // word: classes that extend the run; closing rule: escape classes
    RM_BEFORE_NOT = 3,    // classes the byte before must not have
    RM_GROUPS_ON = 4,     // group bits a match switches on
    RM_GROUPS_KEEP = 5,   // group bits a match keeps (the "off" bits inverted)
    RM_BEFORE_ALL = 6,    // classes all of which the byte before must have
    RM_COLOR = 7,         // colour index
    RM_KIND = 8,          // 1 word, 3 region to the line end, 4 region over line ends, 7 closing
    RM_CONTINUE = 9,      // closing rule: a line ending in this byte keeps a kind-4 region open
};

enum RuleKind : uint8_t
{
    RK_WORD = 1,
    RK_REGION_LINE = 3,
    RK_REGION = 4,
    RK_CLOSING = 7,
};

const int kMaxRules = 4096;
const int kMaxClassKeys = 256;
const int kMaxWords = 2048;
const uint8_t kGroupMask = 0xF8;   // group bits share the class bits 3..7 ("Group1".."Group5")

const char* const kClassNames[8] = { "Numbers", "Letters", "Separators", "Group1",
                                     "Group2",  "Group3",  "Group4",     "Group5" };

}  // namespace

struct SyntaxRule
{
    uint8_t mode[10];
    int pair;        // delimiter pair the rule belongs to (-1 for words)
    int partner;     // opening rule: index of its closing rule (-1 when the pair has none)
    int order;       // definition order, keeps the sort stable
    std::string text;
};

struct TextSyntax
{
    uint8_t caseTable[256];
    bool casePairs;
    uint8_t classes[256];
    uint8_t groupStart[256];
    uint8_t groupStop[256];
    uint8_t fixed[256];
    int groupColor[5];
    uint8_t groupColorMask;
    uint8_t groupChar;
    uint32_t groupContinue;
    uint32_t groups;
    std::vector<SyntaxRule> rules;
    uint16_t first[256];
    uint16_t count[256];
    char bracketOpen[6];
    char bracketClose[6];
    uint8_t bracketColor[2];
    uint8_t bracketExcluded[4];
    int excludedCount;
    uint32_t inUse[8];

    void Reset()
    {
        for (int i = 0; i < 256; ++i)
        {
            caseTable[i] = static_cast<uint8_t>((i >= 'a' && i <= 'z') ? i - 32 : i);
            classes[i] = 0;
            if (i >= '0' && i <= '9')
                classes[i] = 1;
            if ((i >= 'A' && i <= 'Z') || (i >= 'a' && i <= 'z'))
                classes[i] = 2;
        }
        classes[static_cast<int>('\t')] = classes[static_cast<int>('\n')] = 4;
        classes[static_cast<int>('\r')] = classes[static_cast<int>(' ')] = 4;
        casePairs = false;
        memset(groupStart, 0, sizeof(groupStart));
        memset(groupStop, 0xFF, sizeof(groupStop));
        memset(fixed, 0, sizeof(fixed));
        memset(groupColor, 0, sizeof(groupColor));
        groupColorMask = 0;
        groupChar = '\\';
        groupContinue = 0;
        groups = 0;
        rules.clear();
        memset(first, 0, sizeof(first));
        memset(count, 0, sizeof(count));
        memset(bracketOpen, 0, sizeof(bracketOpen));
        memset(bracketClose, 0, sizeof(bracketClose));
        memset(bracketColor, 0, sizeof(bracketColor));
        memset(bracketExcluded, 0, sizeof(bracketExcluded));
        excludedCount = 0;
        memset(inUse, 0, sizeof(inUse));
    }
    void MarkInUse(int index)
    {
        if (index >= 0 && index < 256)
            inUse[index >> 5] |= 1u << (index & 31);
    }
    uint8_t Key(unsigned char c) const { return casePairs ? caseTable[c] : c; }
};

// ---------------------------------------------------------------------------------------------
// Case table and comparisons

unsigned char CTextEdit::FoldChar(unsigned char c) const
{
    if (m_syntax)
        return m_syntax->caseTable[c];
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

int CTextEdit::CompareChar(unsigned char a, unsigned char b, int fold) const
{
    if (fold)
    {
        a = FoldChar(a);
        b = FoldChar(b);
    }
    return static_cast<int>(a) - static_cast<int>(b);
}

int CTextEdit::CompareFold(const char* a, const char* b, int length, int fold) const
{
    for (int i = 0; i < length; ++i)
    {
        int d = CompareChar(static_cast<unsigned char>(a[i]), static_cast<unsigned char>(b[i]), fold);
        if (d)
            return d;
    }
    return 0;
}

int CTextEdit::CompareWild(const char* pattern, const char* text, int length, int fold) const
{
    for (int i = 0; i < length; ++i)
    {
        if (pattern[i] == '?')
            continue;
        int d = CompareChar(static_cast<unsigned char>(pattern[i]), static_cast<unsigned char>(text[i]), fold);
        if (d)
            return d;
    }
    return 0;
}

int CTextEdit::GetSyntaxRuleCount() const
{
    return m_syntax ? static_cast<int>(m_syntax->rules.size()) : 0;
}

const uint32_t* CTextEdit::GetColorsInUse() const
{
    return HasSyntaxRules() ? m_syntax->inUse : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Reading a definition

namespace {

// An 8-byte mode value as the rule's first eight mode bytes; the "off" group bits are kept
// inverted so that a match can AND them in.
void ReadMode(CRegistry& reg, const char* name, const uint8_t* defaults, uint8_t* mode)
{
    uint8_t raw[8];
    memcpy(raw, defaults, 8);
    uint8_t read[8];
    memset(read, 0, sizeof(read));
    if (reg.ReadValue(read, sizeof(read), name, REG_BINARY))
    {
        DWORD size = reg.GetLastSize();
        memcpy(raw, read, size > 8 ? 8 : size);
    }
    memset(mode, 0, 10);
    memcpy(mode, raw, 8);
    mode[RM_GROUPS_ON] &= kGroupMask;
    mode[RM_GROUPS_KEEP] = static_cast<uint8_t>(~(raw[RM_GROUPS_KEEP] & kGroupMask));
}

// Walks the subkeys of the named subkey of the current key.
template <typename Visit>
void ForEachSubKey(CRegistry& reg, const char* name, Visit visit)
{
    if (!reg.OpenSubKey(name, 1))
        return;
    for (int n = 0; n < kMaxClassKeys && reg.OpenSubKey(REG_ENUM_NEXT, 1); ++n)
    {
        visit(n);
        reg.CloseSubKey();
    }
    reg.CloseSubKey();
}

std::string ReadText(CRegistry& reg, const char* name)
{
    void* data = nullptr;
    if (!reg.ReadValueAlloc(&data, name, REG_SZ) || !data)
        return std::string();
    std::string text(static_cast<const char*>(data));
    free(data);
    return text;
}

}  // namespace

void CTextEdit::ReadSyntaxRules(CRegistry& reg)
{
    TextSyntax& S = *m_syntax;
    DWORD value = 0;
    std::string pairs = ReadText(reg, "UpperLower");
    if (!pairs.empty())
    {
        // Byte pairs: a byte and its upper-case form (national letters the C table misses).
        for (size_t i = 0; i + 1 < pairs.size(); i += 2)
            S.caseTable[static_cast<uint8_t>(pairs[i])] = static_cast<uint8_t>(pairs[i + 1]);
        S.casePairs = true;
    }
    if (reg.ReadDword(&value, "GroupChar"))
        S.groupChar = static_cast<uint8_t>(value & 0xFF);
    if (reg.ReadDword(&value, "GroupContinue"))
        S.groupContinue = value;
    if (reg.ReadDword(&value, "Groups"))
        S.groups = value;
    if (reg.ReadDword(&value, "BracketOn"))
    {
        static const char kOpen[] = "([{<";
        static const char kClose[] = ")]}>";
        int pairCount = 0;
        for (int bit = 0; bit < 4 && pairCount < 2; ++bit)
        {
            if (value & (0x80000000u >> bit))
            {
                S.bracketOpen[pairCount] = kOpen[bit];
                S.bracketClose[pairCount] = kClose[bit];
                ++pairCount;
            }
        }
        for (int i = 0; i < 2; ++i)
        {
            int index = ColorIndex(static_cast<int>((value >> (8 * i)) & 0xFF));
            S.bracketColor[i] = static_cast<uint8_t>(index < 0 ? 0 : index);
            S.MarkInUse(S.bracketColor[i]);
        }
    }
    if (reg.ReadDword(&value, "BracketOff"))
    {
        // Brackets drawn in one of these colours (inside strings or comments, say) are none.
        for (int i = 0; i < 4; ++i)
        {
            int number = static_cast<int>((value >> (8 * i)) & 0xFF);
            if (number == 0)
                continue;
            int index = ColorIndex(number);
            S.bracketExcluded[S.excludedCount++] = static_cast<uint8_t>(index < 0 ? 0 : index);
        }
    }
    for (int bit = 0; bit < 8; ++bit)
    {
        std::string members = ReadText(reg, kClassNames[bit]);
        for (unsigned char c : members)
            S.classes[c] |= static_cast<uint8_t>(1u << bit);
        if (bit < 3)
            continue;
        char name[32];
        snprintf(name, sizeof(name), "%sOn", kClassNames[bit]);
        for (unsigned char c : ReadText(reg, name))
            S.groupStart[c] |= static_cast<uint8_t>(1u << bit);
        snprintf(name, sizeof(name), "%sOff", kClassNames[bit]);
        for (unsigned char c : ReadText(reg, name))
            S.groupStop[c] &= static_cast<uint8_t>(~(1u << bit));
        snprintf(name, sizeof(name), "%sColor", kClassNames[bit]);
        if (reg.ReadDword(&value, name))
        {
            int index = ColorIndex(static_cast<int>(value));
            S.groupColor[bit - 3] = index < 0 ? 0 : index;
            S.groupColorMask |= static_cast<uint8_t>(1u << (bit - 3));
            S.MarkInUse(S.groupColor[bit - 3]);
        }
    }

    int order = 0;
    auto addRule = [&](const uint8_t* mode, const std::string& text, int pair) {
        if (text.empty() || static_cast<int>(S.rules.size()) >= kMaxRules)
            return;
        SyntaxRule rule;
        memcpy(rule.mode, mode, 10);
        rule.pair = pair;
        rule.partner = -1;
        rule.order = order++;
        // The length is one byte in the rule record.
        rule.text = text.size() > 255 ? text.substr(0, 255) : text;
        S.rules.push_back(rule);
    };
    auto colorOf = [&](CRegistry& r) {
        DWORD number = 0;
        int index = r.ReadDword(&number, "Color") ? ColorIndex(static_cast<int>(number)) : 0;
        if (index < 0)
            index = 0;
        S.MarkInUse(index);
        return static_cast<uint8_t>(index);
    };

    static const uint8_t kWordMode[8] = { 4, 4, 0, 0, 0, 0, 0, 0 };
    ForEachSubKey(reg, "Words", [&](int) {
        uint8_t mode[10];
        ReadMode(reg, "Mode", kWordMode, mode);
        mode[RM_COLOR] = colorOf(reg);
        mode[RM_KIND] = RK_WORD;
        std::vector<std::string> names;
        for (int i = 0; i < kMaxWords * 2 && static_cast<int>(names.size()) < kMaxWords; ++i)
        {
            const char* name = reg.EnumValueName(i);
            if (!name)
                break;
            if (reg.GetLastType() == REG_SZ)
                names.emplace_back(name);
        }
        for (const std::string& name : names)
            addRule(mode, ReadText(reg, name.c_str()), -1);
    });

    static const uint8_t kRegionMode[8] = { 4, 4, 0, 0, 4, 4, 0, 0 };
    ForEachSubKey(reg, "Until", [&](int pair) {
        uint8_t open[10];
        uint8_t close[10];
        ReadMode(reg, "Mode1", kRegionMode, open);
        ReadMode(reg, "Mode2", kRegionMode, close);
        const uint8_t continuation = open[RM_EXTEND];
        uint8_t color = colorOf(reg);
        std::string opening = ReadText(reg, "Data1");
        std::string closing = ReadText(reg, "Data2");
        if (opening.empty())
            return;
        if (closing.empty())
        {
            // No closing text: a "*" that only a Group5 byte before and after could end.
            static const uint8_t kNever[8] = { 0x80, 0x80, 0, 0, 0, 0, 0, 0 };
            memset(close, 0, sizeof(close));
            memcpy(close, kNever, 8);
            close[RM_GROUPS_KEEP] = 0xFF;
            closing = "*";
        }
        open[RM_COLOR] = color;
        open[RM_KIND] = continuation ? RK_REGION : RK_REGION_LINE;
        close[RM_COLOR] = color;
        close[RM_KIND] = RK_CLOSING;
        close[RM_CONTINUE] = continuation;
        addRule(open, opening, pair);
        addRule(close, closing, pair);
    });

    ForEachSubKey(reg, "Fixed", [&](int) {
        DWORD number = 0;
        if (!reg.ReadDword(&number, "Color"))
            return;
        int index = ColorIndex(static_cast<int>(number));
        if (index < 0)
            index = 0;
        S.MarkInUse(index);
        for (unsigned char c : ReadText(reg, "Letters"))
            S.fixed[c] = static_cast<uint8_t>(index);
    });

    // Closing rules after all others by pair; the others by first byte, longer texts first,
    // so that "<=" is tried before "<".
    std::stable_sort(S.rules.begin(), S.rules.end(), [&S](const SyntaxRule& a, const SyntaxRule& b) {
        bool ca = a.mode[RM_KIND] == RK_CLOSING;
        bool cb = b.mode[RM_KIND] == RK_CLOSING;
        if (ca != cb)
            return cb;
        if (ca)
            return a.pair < b.pair;
        uint8_t ka = S.Key(static_cast<unsigned char>(a.text[0]));
        uint8_t kb = S.Key(static_cast<unsigned char>(b.text[0]));
        if (ka != kb)
            return ka < kb;
        return a.text.size() > b.text.size();
    });
    for (size_t i = 0; i < S.rules.size(); ++i)
    {
        SyntaxRule& rule = S.rules[i];
        if (rule.mode[RM_KIND] == RK_CLOSING)
            continue;
        uint8_t key = S.Key(static_cast<unsigned char>(rule.text[0]));
        if (S.count[key] == 0)
            S.first[key] = static_cast<uint16_t>(i);
        ++S.count[key];
        if (rule.pair >= 0)
        {
            for (size_t j = 0; j < S.rules.size(); ++j)
                if (S.rules[j].mode[RM_KIND] == RK_CLOSING && S.rules[j].pair == rule.pair)
                    rule.partner = static_cast<int>(j);
        }
    }
    if (S.casePairs)
    {
        for (int c = 0; c < 256; ++c)
        {
            if (S.caseTable[c] != c)
            {
                S.first[c] = S.first[S.caseTable[c]];
                S.count[c] = S.count[S.caseTable[c]];
            }
        }
    }
}

int CTextEdit::OpenDefinitionKey(CRegistry& reg, const char* name, bool hashNames, char* subkey, int size)
{
    char path[512];
    const char* viewName = Settings() && Settings()->viewName ? Settings()->viewName : "";
    GetRegistryPath(path, sizeof(path), viewName);
    if (!reg.Open(HKEY_LOCAL_MACHINE, path, REGISTRY_READ) && !reg.Open(HKEY_CURRENT_USER, path, REGISTRY_READ))
        return 0;
    // ".ext" (and "#name" where allowed) name a value whose text, in upper case, is the
    // definition's key.
    snprintf(subkey, static_cast<size_t>(size), "%s", name);
    if (name[0] == '.' || (hashNames && name[0] == '#'))
    {
        char value[257];
        if (!reg.ReadString(value, sizeof(value), name) || !value[0])
            return 0;
        for (char* p = value; *p; ++p)
            if (*p >= 'a' && *p <= 'z')
                *p = static_cast<char>(*p - 32);
        snprintf(subkey, static_cast<size_t>(size), "%s", value);
    }
    return reg.OpenSubKey(subkey, 1) ? 1 : 0;
}

int CTextEdit::LoadSyntaxColors(const char* name)
{
    if (!m_tableLent)
    {
        for (uint32_t i = 0; i < m_lineCount; ++i)
        {
            free(m_lines[i]->colors);
            m_lines[i]->colors = nullptr;
            m_lines[i]->groupBits = 0;
            m_lines[i]->openRule = 0;
        }
    }
    free(m_columnColors);
    m_columnColors = nullptr;
    delete m_syntax;
    m_syntax = nullptr;
    m_defaultColor = 0;
    m_syntaxName[0] = 0;
    m_bracketActive = false;
    Layout().RepaintWord() |= RP_ALL;
    if (!name || !*name)
        return 0;
    CRegistry reg;
    char subkey[260];
    if (!OpenDefinitionKey(reg, name, true, subkey, sizeof(subkey)))
        return 0;
    snprintf(m_syntaxName, sizeof(m_syntaxName), "%s", subkey);
    DWORD color = 0;
    bool hasColor = reg.ReadDword(&color, "Color") != 0;
    uint8_t columns[256];
    memset(columns, 0, sizeof(columns));
    if (reg.ReadValue(columns, sizeof(columns), "ColorArray", REG_BINARY))
    {
        int count = static_cast<int>(reg.GetLastSize());
        SetColumnColors(columns, count > 256 ? 256 : count, hasColor ? static_cast<int>(color) : 0);
        return 1;
    }
    if (hasColor)
    {
        SetDefaultColor(static_cast<int>(color));
        return 1;
    }
    m_syntax = new TextSyntax;
    m_syntax->Reset();
    m_defaultColor = -1;
    ReadSyntaxRules(reg);
    for (int l = 0; l < static_cast<int>(m_lineCount); l = ColorLine(l))
    {
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// The engine

int CTextEdit::CarriedColor(int line) const
{
    if (m_defaultColor >= 0)
        return m_defaultColor;
    if (!m_syntax || line < 1 || static_cast<uint32_t>(line) > m_lineCount)
        return 0;
    int open = m_lines[line - 1]->openRule;
    if (open < 1 || open > static_cast<int>(m_syntax->rules.size()))
        return 0;
    return m_syntax->rules[static_cast<size_t>(open - 1)].mode[RM_COLOR];
}

int CTextEdit::ColorLine(int line)
{
    if (line < 0)
        line = 0;
    const int count = static_cast<int>(m_lineCount);
    if (line >= count)
        return count + 1;
    if (m_defaultColor >= 0 || !m_syntax || m_tableLent)
        return line + 1;
    if (m_hooks[TEH_COLOR_LINE] && CallHook(TEH_COLOR_LINE, line, 0, 0))
        return line + 1;
    // The line after is always looked at too: after lines were removed it follows another
    // line than the one it was coloured after, even when this line's own state stays.
    int l = line;
    bool carry = true;
    while (l < count && (carry || l == line + 1))
        carry = ColorOneLine(l++);
    return l;
}

bool CTextEdit::ColorOneLine(int line)
{
    const TextSyntax& S = *m_syntax;
    TextLine* record = m_lines[line];
    const int length = record->length;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(record->text);
    const int ruleCount = static_cast<int>(S.rules.size());

    uint8_t groups = 0;
    int open = 0;   // opening rule + 1 of the region we are in
    if (line > 0)
    {
        const TextLine* before = m_lines[line - 1];
        uint32_t mask = S.groups;
        // A line ending in the group character (a backslash) hands on its continuing groups.
        if (before->length > 0 && static_cast<uint8_t>(before->text[before->length - 1]) == S.groupChar)
            mask |= S.groupContinue;
        groups = static_cast<uint8_t>(before->groupBits & mask & kGroupMask);
        open = before->openRule <= ruleCount ? before->openRule : 0;
    }
    const int carried = CarriedColor(line);

    auto bitsAt = [&](int i, uint8_t g) -> uint8_t {
        unsigned char c = i < length ? text[i] : '\n';
        return static_cast<uint8_t>(S.classes[c] | g);
    };
    auto textMatches = [&](const SyntaxRule& r, int i) {
        const int n = static_cast<int>(r.text.size());
        if (n > length - i)
            return false;
        for (int k = 0; k < n; ++k)
        {
            unsigned char a = static_cast<unsigned char>(r.text[static_cast<size_t>(k)]);
            unsigned char b = text[i + k];
            if (S.casePairs ? S.caseTable[a] != S.caseTable[b] : a != b)
                return false;
        }
        return true;
    };
    auto conditionsHold = [&](const SyntaxRule& r, int i, uint8_t before, uint8_t g) {
        const uint8_t* m = r.mode;
        if (m[RM_BEFORE_ANY] && !(before & m[RM_BEFORE_ANY]))
            return false;
        if (before & m[RM_BEFORE_NOT])
            return false;
        if ((before & m[RM_BEFORE_ALL]) != m[RM_BEFORE_ALL])
            return false;
        if (m[RM_AFTER_ANY] && !(bitsAt(i + static_cast<int>(r.text.size()), g) & m[RM_AFTER_ANY]))
            return false;
        return true;
    };

    std::vector<uint8_t> colors(static_cast<size_t>(length > 0 ? length : 1), static_cast<uint8_t>(carried));
    int textLeft = 0;           // bytes of a matched text still to colour
    int textColor = 0;
    bool closeAfterText = false;
    uint8_t extend = 0;         // classes that continue a word's run
    int runColor = 0;
    bool escaped = false;
    uint8_t before = S.classes[static_cast<int>('\n')];   // the line start counts as after a LF
    unsigned char previous = '\n';
    for (int i = 0; i <= length; ++i)
    {
        const unsigned char c = i < length ? text[i] : '\n';
        groups = static_cast<uint8_t>(((groups & S.groupStop[previous]) | S.groupStart[c]) & kGroupMask);
        const uint8_t bits = static_cast<uint8_t>(S.classes[c] | groups);
        int color = 0;
        bool decided = false;
        if (textLeft > 0)
        {
            color = textColor;
            decided = true;
            if (--textLeft == 0 && closeAfterText)
            {
                open = 0;
                closeAfterText = false;
            }
        }
        else if (extend)
        {
            if (i < length && (bits & extend))
            {
                color = runColor;
                decided = true;
            }
            else
            {
                extend = 0;
            }
        }
        if (!decided && i < length)
        {
            if (open)
            {
                const SyntaxRule& opening = S.rules[static_cast<size_t>(open - 1)];
                color = opening.mode[RM_COLOR];
                const SyntaxRule* closing = opening.partner >= 0 ? &S.rules[static_cast<size_t>(opening.partner)] : nullptr;
                if (closing && !escaped && textMatches(*closing, i) && conditionsHold(*closing, i, before, groups))
                {
                    groups = static_cast<uint8_t>((groups | closing->mode[RM_GROUPS_ON]) & closing->mode[RM_GROUPS_KEEP]);
                    textLeft = static_cast<int>(closing->text.size()) - 1;
                    textColor = color;
                    if (textLeft == 0)
                        open = 0;
                    else
                        closeAfterText = true;
                    escaped = false;
                }
                else
                {
                    escaped = !escaped && closing && (bits & closing->mode[RM_EXTEND]);
                }
            }
            else
            {
                for (int g = 0; g < 5; ++g)
                {
                    if ((bits & (8u << g)) && (S.groupColorMask & (1u << g)))
                    {
                        color = S.groupColor[g];
                        break;
                    }
                }
                if (S.fixed[c])
                    color = S.fixed[c];
                const int key = c;
                for (int r = S.first[key], end = S.first[key] + S.count[key]; r < end && r < ruleCount; ++r)
                {
                    const SyntaxRule& rule = S.rules[static_cast<size_t>(r)];
                    if (!textMatches(rule, i) || !conditionsHold(rule, i, before, groups))
                        continue;
                    color = rule.mode[RM_COLOR];
                    groups = static_cast<uint8_t>((groups | rule.mode[RM_GROUPS_ON]) & rule.mode[RM_GROUPS_KEEP]);
                    textLeft = static_cast<int>(rule.text.size()) - 1;
                    textColor = color;
                    closeAfterText = false;
                    if (rule.mode[RM_KIND] == RK_WORD)
                    {
                        extend = rule.mode[RM_EXTEND];
                        runColor = color;
                    }
                    else
                    {
                        open = r + 1;
                        escaped = false;
                    }
                    break;
                }
            }
        }
        if (i < length)
            colors[static_cast<size_t>(i)] = static_cast<uint8_t>(color);
        before = bits;
        previous = c;
    }
    groups &= S.groupStop[static_cast<int>('\n')];
    if (open)
    {
        const SyntaxRule& opening = S.rules[static_cast<size_t>(open - 1)];
        if (opening.mode[RM_KIND] != RK_REGION)
        {
            open = 0;
        }
        else if (opening.mode[RM_EXTEND] > 1)
        {
            // A region that continues only over lines ending in its continuation byte.
            if (length < 1 || text[length - 1] != opening.mode[RM_EXTEND])
                open = 0;
        }
    }

    // Colour bytes only where some byte differs from the colour the line starts with.
    bool uniform = true;
    for (int i = 0; i < length && uniform; ++i)
        uniform = colors[static_cast<size_t>(i)] == carried;
    bool changed;
    if (uniform)
    {
        changed = record->colors != nullptr;
        free(record->colors);
        record->colors = nullptr;
    }
    else
    {
        changed = !record->colors || memcmp(record->colors, colors.data(), static_cast<size_t>(length)) != 0;
        if (!record->colors)
            record->colors = static_cast<uint8_t*>(malloc(static_cast<size_t>(length)));
        if (record->colors)
            memcpy(record->colors, colors.data(), static_cast<size_t>(length));
    }
    const bool stateChanged = record->groupBits != groups || record->openRule != open;
    record->groupBits = groups;
    record->openRule = static_cast<uint16_t>(open);
    if (changed || stateChanged)
    {
        uint32_t& word = Layout().RepaintWord();
        if (line == Layout().CaretLine())
            word |= RP_CARET_LINE;
        else
            RepaintOneLine(word, line);
        // The next line starts from the state this one leaves.
        if (stateChanged && static_cast<uint32_t>(line + 1) < m_lineCount)
            RepaintOneLine(word, line + 1);
    }
    return stateChanged;
}

int CTextEdit::GetCharColor(int index, int line) const
{
    const TextLine* record = GetLine(line);
    if (record->colors && index >= 0 && index < record->length)
        return record->colors[index];
    if (m_defaultColor >= 0)
    {
        if (m_columnColors && index >= 0 && static_cast<uint32_t>(index) < m_maxLineLength)
            return m_columnColors[index];
        return m_defaultColor;
    }
    return CarriedColor(line);
}

// ---------------------------------------------------------------------------------------------
// Bracket highlight

namespace {

// +1 for an opening, -1 for a closing bracket of the definition, 0 for anything else.
int BracketSign(const TextSyntax& S, char c)
{
    if (!c)
        return 0;
    if (strchr(S.bracketOpen, c))
        return 1;
    if (strchr(S.bracketClose, c))
        return -1;
    return 0;
}

bool ExcludedColor(const TextSyntax& S, int color)
{
    for (int i = 0; i < S.excludedCount; ++i)
        if (S.bracketExcluded[i] == color)
            return true;
    return false;
}

}  // namespace

void CTextEdit::UpdateBracketHighlight()
{
    const bool wasActive = m_bracketActive;
    const int oldCaret = m_bracketCaretLine;
    const int oldPartner = m_bracketLine;
    const bool wholeWindow = (EditOptions & EO_BRACKETS_WINDOW) != 0;
    m_bracketActive = false;
    m_bracketDirection = 0;
    const int caretColumn = Layout().CaretColumn();
    const int caretLine = Layout().CaretLine();
    if ((EditOptions & EO_BRACKETS) && m_syntax && m_syntax->bracketOpen[0] && caretLine >= 0 &&
        static_cast<uint32_t>(caretLine) < m_lineCount)
    {
        const TextSyntax& S = *m_syntax;
        const TextLine* record = m_lines[caretLine];
        const int index = ColumnToIndex(caretColumn, record->text, record->length);
        int sign = 0;
        if (index < record->length && IndexToColumn(index, record->text, record->length) == caretColumn &&
            !ExcludedColor(S, GetCharColor(index, caretLine)))
            sign = BracketSign(S, record->text[index]);
        if (sign)
        {
            // The search stays within the lines on screen; without a window, within the text.
            int top = 0;
            int bottom = static_cast<int>(m_lineCount) - 1;
            if (GetSafeHwnd() && Layout().WindowLines() > 0)
            {
                top = std::max(0, Layout().ScrollLine());
                bottom = std::min(bottom, Layout().ScrollLine() + Layout().WindowLines() - 1);
            }
            int depth = 0;
            bool found = false;
            int line = caretLine;
            int i = index;
            while (!found)
            {
                const TextLine* r = m_lines[line];
                for (; i >= 0 && i < r->length; i += sign)
                {
                    int s = BracketSign(S, r->text[i]);
                    if (!s || ExcludedColor(S, GetCharColor(i, line)))
                        continue;
                    depth += s;
                    if (depth == 0)
                    {
                        found = true;
                        m_bracketColumn = IndexToColumn(i, r->text, r->length);
                        m_bracketLine = line;
                        break;
                    }
                }
                if (found)
                    break;
                line += sign;
                if (line < top || line > bottom || line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
                    break;
                i = sign > 0 ? 0 : m_lines[line]->length - 1;
            }
            if (found || wholeWindow)
            {
                if (!found)
                {
                    m_bracketColumn = 0;
                    m_bracketLine = sign > 0 ? bottom : top;
                }
                m_bracketActive = true;
                m_bracketDirection = wholeWindow ? sign : 0;
                m_bracketCaretColumn = caretColumn;
                m_bracketCaretLine = caretLine;
            }
        }
    }
    if (!wasActive && !m_bracketActive)
        return;
    if (wholeWindow)
    {
        Layout().RepaintWord() |= RP_ALL;
        return;
    }
    if (wasActive)
    {
        InvalidateLines(oldCaret, oldCaret);
        InvalidateLines(oldPartner, oldPartner);
    }
    if (m_bracketActive)
    {
        InvalidateLines(m_bracketCaretLine, m_bracketCaretLine);
        InvalidateLines(m_bracketLine, m_bracketLine);
    }
}

void CTextEdit::ApplyBracketHighlight(int line, int firstColumn, int count, uint16_t* words) const
{
    if (!m_bracketActive || !m_syntax || count < 1)
        return;
    if (firstColumn < 0)
        firstColumn = 0;
    const TextLine* record = GetLine(line);
    auto mark = [&](int column, uint8_t color) {
        int k = column - firstColumn;
        if (k >= 0 && k < count && words[k] != 1)
            words[k] = static_cast<uint16_t>((words[k] & 0xFF) | (color << 8));
    };
    if (m_bracketDirection == 0)
    {
        if (line == m_bracketCaretLine)
            mark(m_bracketCaretColumn, m_syntax->bracketColor[0]);
        if (line == m_bracketLine)
            mark(m_bracketColumn, m_syntax->bracketColor[0]);
        return;
    }
    // The range between the two, in 64-bit keys so that no line number wraps.
    int64_t a = (static_cast<int64_t>(m_bracketCaretLine) << 32) | static_cast<uint32_t>(m_bracketCaretColumn);
    int64_t b = (static_cast<int64_t>(m_bracketLine) << 32) | static_cast<uint32_t>(m_bracketColumn);
    if (a > b)
        std::swap(a, b);
    const int endLine = static_cast<int>(b >> 32);
    for (int k = 0; k < count; ++k)
    {
        int column = firstColumn + k;
        // Text cells, and the line break cell when the range goes on past it.
        if (column > record->width || (column == record->width && line >= endLine))
            continue;
        int64_t key = (static_cast<int64_t>(line) << 32) | static_cast<uint32_t>(column);
        if (key >= a && key <= b)
            mark(column, m_syntax->bracketColor[1]);
    }
}

// ---------------------------------------------------------------------------------------------
// The tables the find engine and the pattern matcher read

namespace {

const TextSyntax& DefaultSyntaxTables()
{
    static TextSyntax tables;
    static bool ready = (tables.Reset(), true);
    (void)ready;
    return tables;
}

}  // namespace

const uint8_t* CTextEdit::CaseTable() const
{
    return m_syntax ? m_syntax->caseTable : DefaultSyntaxTables().caseTable;
}

const uint8_t* CTextEdit::ClassTable() const
{
    return m_syntax ? m_syntax->classes : DefaultSyntaxTables().classes;
}
