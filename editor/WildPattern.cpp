// The editor's search-pattern matcher. The pattern is cut into tokens first; matching then
// walks the tokens left to right. Behind a "*" group the next literal is tried at each later
// position and the rest of the pattern matched from there; behind a \|..| token the rest is
// tried at each position of the run. Those two are the only places that try more than one
// way, and each (token, text position) pair they reach is decided once and remembered, so a
// line of "a*a*a*a*b" on 2048 "a"s costs a few thousand steps rather than freezing the
// user-interface thread.
#include "editor/WildPattern.h"

#include "textlib/CQuote.h"
#include "textlib/CharClass.h"

#include <string.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

enum TokenKind : uint8_t
{
    TK_LITERAL,     // pattern bytes, "?" any byte, case option
    TK_GROUP,       // "*" and "?" run: `count` bytes, then any run
    TK_EXACT,       // \* \? \\ : the character, compared exactly
    TK_CHAR,        // a C escape: the character, case option
    TK_WORD,        // \w
    TK_NUMBER,      // \z
    TK_BLANKS,      // \_
    TK_BLANKS0,     // \.
    TK_LINE_START,  // \a
    TK_END,         // \e
    TK_WORD_END,    // \f
    TK_WORD_START,  // \g
    TK_LETTER,      // \m
    TK_DIGIT,       // \p
    TK_ALNUM,       // \o
    TK_SET_ONE,     // \[..]
    TK_SET_OPTIONAL,// \(..)
    TK_NOT_SET,     // \{..}
    TK_SET_RUN,     // \<..>
    TK_UNTIL_SET,   // \|..|
    TK_CLASS_RUN,   // \#hex#
    TK_CLASS_ONE,   // \&hex&
    TK_CLASS_OPTIONAL, // \$hex$
};

struct Token
{
    TokenKind kind;
    int start;          // literal: first pattern byte
    int length;         // literal: byte count; group: "?" count
    int character;      // TK_EXACT, TK_CHAR
    uint32_t mask;      // class tokens
    uint32_t set[8];    // set tokens: 256 bits (folded bytes with the case option)
};

uint64_t* g_stepCounter = nullptr;

inline void Step()
{
    if (g_stepCounter)
        ++*g_stepCounter;
}

// A C escape read from at most the bytes left of the pattern: the pattern has a length,
// not a terminator, so the escape is copied out before the decoder looks at it.
int DecodeBoundedEscape(const char* at, int left, int* consumed)
{
    char buffer[8] = {};
    int n = left < 7 ? left : 7;
    memcpy(buffer, at, static_cast<size_t>(n));
    int taken = 0;
    int character = DecodeCEscape(buffer, &taken);
    if (taken < 1)
        taken = 1;
    *consumed = taken;
    return character & 0xFF;
}

char ClosingOf(char opener)
{
    switch (opener)
    {
    case '[': return ']';
    case '(': return ')';
    case '{': return '}';
    case '<': return '>';
    case '|': return '|';
    case '#': return '#';
    case '&': return '&';
    case '$': return '$';
    default: return 0;
    }
}

// The decisions behind groups: value -2 unknown, -1 no match, else the end of the match.
class DecisionMemo
{
public:
    void Reset(int slots, int textLength)
    {
        m_width = static_cast<size_t>(textLength) + 1;
        const size_t cells = static_cast<size_t>(slots) * m_width;
        m_useMap = cells > (static_cast<size_t>(1) << 22);
        m_map.clear();
        if (m_useMap)
            return;
        if (m_stamps.size() < cells)
        {
            m_stamps.assign(cells, 0);
            m_values.resize(cells);
            m_epoch = 0;
        }
        if (++m_epoch == 0)
        {
            std::fill(m_stamps.begin(), m_stamps.end(), 0u);
            m_epoch = 1;
        }
    }
    int Get(int slot, int position) const
    {
        const size_t at = static_cast<size_t>(slot) * m_width + static_cast<size_t>(position);
        if (m_useMap)
        {
            auto found = m_map.find(at);
            return found == m_map.end() ? -2 : found->second;
        }
        return m_stamps[at] == m_epoch ? m_values[at] : -2;
    }
    void Set(int slot, int position, int value)
    {
        const size_t at = static_cast<size_t>(slot) * m_width + static_cast<size_t>(position);
        if (m_useMap)
        {
            m_map[at] = value;
            return;
        }
        m_stamps[at] = m_epoch;
        m_values[at] = value;
    }

private:
    size_t m_width = 1;
    bool m_useMap = false;
    uint32_t m_epoch = 0;
    std::vector<uint32_t> m_stamps;
    std::vector<int32_t> m_values;
    std::unordered_map<size_t, int32_t> m_map;
};

struct Scratch
{
    std::string pattern;            // the pattern the tokens were cut from
    bool fold = false;              // and its case option and table (sets hold folded bytes)
    const uint8_t* caseTable = nullptr;
    int slots = 0;
    std::vector<Token> tokens;
    std::vector<int> slotOf;        // token index -> memo slot, -1 for none
    std::vector<uint8_t> starAhead; // pattern position: the "*"/"?" run from here holds a "*"
    DecisionMemo memo;
};

Scratch& SharedScratch()
{
    static Scratch scratch;
    return scratch;
}

class Matcher
{
public:
    Matcher(const char* pattern, const uint8_t* text, int textLength, uint32_t flags, const WildPatternTables& tables,
            Scratch& scratch)
        : m_pattern(pattern), m_text(text), m_textLength(textLength), m_flags(flags),
          m_fold((flags & WPF_FOLD) != 0), m_case(tables.caseTable), m_class(tables.classTable),
          m_tokens(scratch.tokens), m_slotOf(scratch.slotOf), m_starAhead(scratch.starAhead), m_memo(scratch.memo)
    {
    }

    void Tokenize(int patternLength);
    void SetModes(bool lengthMode, bool needAll)
    {
        m_lengthMode = lengthMode;
        m_needAll = needAll;
    }
    int Run(size_t k, int at, bool top);

private:
    uint8_t Fold(uint8_t c) const { return m_fold ? m_case[c] : c; }
    bool IsWord(uint8_t c) const { return (m_class[c] & 3) != 0; }
    bool WordBefore(int at) const { return at > 0 ? IsWord(m_text[at - 1]) : (m_flags & WPF_WORD_BEFORE) != 0; }
    bool InSet(const Token& t, uint8_t c) const
    {
        uint8_t f = Fold(c);
        return (t.set[f >> 5] >> (f & 31)) & 1u;
    }
    bool LiteralAt(int start, int length, int at) const;
    bool Nullable(const Token& t, int at) const;
    // In yes/no mode a match must use up the text, so an end short of it is no match here and
    // the position after a "*" moves on to the next place its literal fits. Taking the first
    // fitting place and then failing on the text left over said "no" to texts that match:
    // "a*c" against "abcxc" stopped at the first "c".
    int Accept(int end) const { return (!m_needAll || end == m_textLength) ? end : -1; }
    void ReadSet(Token& t, int from, int to);
    template <typename TryAt>
    int FirstDecided(int slot, int from, int last, TryAt tryAt);
    int FirstAfterGroup(size_t k, int from);
    int FirstUntil(size_t k, int from, int stop);

    const char* m_pattern;
    const uint8_t* m_text;
    int m_textLength;
    uint32_t m_flags;
    bool m_fold;
    bool m_needAll = false;
    bool m_lengthMode = false;
    const uint8_t* m_case;
    const uint8_t* m_class;
    std::vector<Token>& m_tokens;
    std::vector<int>& m_slotOf;
    std::vector<uint8_t>& m_starAhead;
    DecisionMemo& m_memo;
};

void Matcher::ReadSet(Token& t, int from, int to)
{
    memset(t.set, 0, sizeof(t.set));
    const char closing = ClosingOf(m_pattern[from - 1]);
    int i = from;
    while (i < to)
    {
        int c = static_cast<uint8_t>(m_pattern[i]);
        int taken = 1;
        if (c == '\\' && i + 1 < to && m_pattern[i + 1] == closing)
        {
            c = static_cast<uint8_t>(closing);
            taken = 2;
        }
        else if (c == '\\')
        {
            c = DecodeBoundedEscape(m_pattern + i, to - i, &taken);
        }
        uint8_t f = Fold(static_cast<uint8_t>(c));
        t.set[f >> 5] |= 1u << (f & 31);
        i += taken;
    }
}

void Matcher::Tokenize(int patternLength)
{
    m_tokens.clear();
    const char* p = m_pattern;
    const int pl = patternLength;
    m_starAhead.assign(static_cast<size_t>(pl) + 1, 0);
    for (int i = pl - 1; i >= 0; --i)
    {
        if (p[i] == '*')
            m_starAhead[static_cast<size_t>(i)] = 1;
        else if (p[i] == '?')
            m_starAhead[static_cast<size_t>(i)] = m_starAhead[static_cast<size_t>(i) + 1];
    }
    int i = 0;
    while (i < pl)
    {
        Token t;
        memset(&t, 0, sizeof(t));
        const char c = p[i];
        if ((c == '*' || c == '?') && m_starAhead[static_cast<size_t>(i)])
        {
            t.kind = TK_GROUP;
            while (i < pl && (p[i] == '*' || p[i] == '?'))
            {
                if (p[i] == '?')
                    ++t.length;
                ++i;
            }
            m_tokens.push_back(t);
            continue;
        }
        if (c != '\\')
        {
            t.kind = TK_LITERAL;
            t.start = i;
            while (i < pl && p[i] != '*' && p[i] != '\\' && !(p[i] == '?' && m_starAhead[static_cast<size_t>(i)]))
                ++i;
            t.length = i - t.start;
            m_tokens.push_back(t);
            continue;
        }
        // A backslash token.
        const char name = i + 1 < pl ? p[i + 1] : 0;
        const char closing = ClosingOf(name);
        if (closing)
        {
            // The set or mask runs to the closing character; inside a set the closing
            // character behind a backslash stands for itself.
            int end = -1;
            for (int j = i + 2; j < pl; ++j)
            {
                if (p[j] == '\\' && closing != '#' && closing != '&' && closing != '$')
                {
                    ++j;
                    continue;
                }
                if (p[j] == closing)
                {
                    end = j;
                    break;
                }
            }
            if (end < 0)
            {
                // Not closed: the rest of the pattern is a literal.
                t.kind = TK_LITERAL;
                t.start = i;
                t.length = pl - i;
                m_tokens.push_back(t);
                break;
            }
            switch (name)
            {
            case '[': t.kind = TK_SET_ONE; break;
            case '(': t.kind = TK_SET_OPTIONAL; break;
            case '{': t.kind = TK_NOT_SET; break;
            case '<': t.kind = TK_SET_RUN; break;
            case '|': t.kind = TK_UNTIL_SET; break;
            case '#': t.kind = TK_CLASS_RUN; break;
            case '&': t.kind = TK_CLASS_ONE; break;
            default: t.kind = TK_CLASS_OPTIONAL; break;
            }
            if (closing == '#' || closing == '&' || closing == '$')
            {
                for (int j = i + 2; j < end; ++j)
                {
                    int v = HexDigitValue(static_cast<unsigned char>(p[j]));
                    if (v >= 0)
                        t.mask = (t.mask << 4) | static_cast<uint32_t>(v);
                }
            }
            else
            {
                ReadSet(t, i + 2, end);
            }
            m_tokens.push_back(t);
            i = end + 1;
            continue;
        }
        int taken = 2;
        switch (name)
        {
        case 'w': t.kind = TK_WORD; break;
        case 'z': t.kind = TK_NUMBER; break;
        case '_': t.kind = TK_BLANKS; break;
        case '.': t.kind = TK_BLANKS0; break;
        case 'a': t.kind = TK_LINE_START; break;
        case 'e': t.kind = TK_END; break;
        case 'f': t.kind = TK_WORD_END; break;
        case 'g': t.kind = TK_WORD_START; break;
        case 'm': t.kind = TK_LETTER; break;
        case 'p': t.kind = TK_DIGIT; break;
        case 'o': t.kind = TK_ALNUM; break;
        case '*':
        case '?':
        case '\\':
            t.kind = TK_EXACT;
            t.character = static_cast<uint8_t>(name);
            break;
        default:
            // A C escape; a backslash at the very end stands for itself.
            t.kind = TK_CHAR;
            t.character = DecodeBoundedEscape(p + i, pl - i, &taken);
            break;
        }
        m_tokens.push_back(t);
        i += taken;
    }
    m_slotOf.assign(m_tokens.size(), -1);
}

bool Matcher::LiteralAt(int start, int length, int at) const
{
    if (m_textLength - at < length)
        return false;
    const char* p = m_pattern + start;
    const uint8_t* t = m_text + at;
    for (int i = 0; i < length; ++i)
    {
        if (p[i] == '?')
            continue;
        if (Fold(static_cast<uint8_t>(p[i])) != Fold(t[i]))
            return false;
    }
    return true;
}

bool Matcher::Nullable(const Token& t, int at) const
{
    switch (t.kind)
    {
    case TK_GROUP: return t.length == 0;
    case TK_SET_OPTIONAL:
    case TK_SET_RUN:
    case TK_UNTIL_SET:
    case TK_END:
    case TK_BLANKS0:
        return true;
    case TK_WORD_END: return WordBefore(at);
    default: return false;
    }
}

// The first answer of `tryAt` at a position from `from` to `last` (-1 when none), for the
// memo slot of one group or \|..| token. A position decided before gives its answer at
// once; every position scanned gets the same answer, which later calls reuse.
template <typename TryAt>
int Matcher::FirstDecided(int slot, int from, int last, TryAt tryAt)
{
    int result = -1;
    int x = from;
    for (; x <= last; ++x)
    {
        Step();
        const int known = m_memo.Get(slot, x);
        if (known != -2)
        {
            result = known;
            break;
        }
        const int r = tryAt(x);
        if (r >= 0)
        {
            result = r;
            break;
        }
    }
    for (int y = from; y <= x && y <= last; ++y)
        m_memo.Set(slot, y, result);
    return result;
}

// The first match of "literal, then the rest" at a position from `from` on, for the group
// at token k.
int Matcher::FirstAfterGroup(size_t k, int from)
{
    size_t next = k + 1;
    int litStart = 0, litLength = 0;
    if (next < m_tokens.size() && m_tokens[next].kind == TK_LITERAL)
    {
        litStart = m_tokens[next].start;
        litLength = m_tokens[next].length;
        ++next;
    }
    return FirstDecided(m_slotOf[k], from, m_textLength - litLength, [&](int x) {
        if (!LiteralAt(litStart, litLength, x))
            return -1;
        return next >= m_tokens.size() ? Accept(x + litLength) : Run(next, x + litLength, false);
    });
}

// The first position in [from, stop] from which the rest after the \|..| token at k matches.
int Matcher::FirstUntil(size_t k, int from, int stop)
{
    return FirstDecided(m_slotOf[k], from, stop, [&](int x) { return Run(k + 1, x, false); });
}

int Matcher::Run(size_t k, int at, bool top)
{
    const uint8_t* t = m_text;
    const int tl = m_textLength;
    while (k < m_tokens.size())
    {
        Step();
        const Token& tok = m_tokens[k];
        if (at >= tl)
        {
            // The text is used up: what is left must be able to match nothing.
            for (; k < m_tokens.size(); ++k)
                if (!Nullable(m_tokens[k], tl))
                    return -1;
            return Accept(tl);
        }
        switch (tok.kind)
        {
        case TK_LITERAL:
            if (!LiteralAt(tok.start, tok.length, at))
                return -1;
            at += tok.length;
            break;
        case TK_GROUP:
            if (tl - at < tok.length)
                return -1;
            at += tok.length;
            // A group that ends the pattern: the rest of the text matches, and a length
            // counts its "?"s only (shortest first).
            if (k + 1 >= m_tokens.size())
                return m_lengthMode ? at : tl;
            return FirstAfterGroup(k, at);
        case TK_EXACT:
            if (t[at] != tok.character)
                return -1;
            ++at;
            break;
        case TK_CHAR:
            if (Fold(t[at]) != Fold(static_cast<uint8_t>(tok.character)))
                return -1;
            ++at;
            break;
        case TK_WORD:
        case TK_NUMBER:
        {
            if (WordBefore(at))
                return -1;
            if (tok.kind == TK_NUMBER && !(t[at] >= '0' && t[at] <= '9'))
                return -1;
            int run = SpanCharSet(reinterpret_cast<const char*>(t + at), SPAN_WORD, tl - at, m_class);
            if (run < 1)
                return -1;
            at += run;
            break;
        }
        case TK_BLANKS:
        case TK_BLANKS0:
        {
            int run = SpanCharSet(reinterpret_cast<const char*>(t + at), SPAN_BLANKS, tl - at, m_class);
            const bool lineStart = top && at == 0 && !(m_flags & WPF_NOT_LINE_START);
            if (tok.kind == TK_BLANKS && run < 1 && !lineStart)
                return -1;
            at += run;
            break;
        }
        case TK_LINE_START:
            if (!(top && at == 0 && !(m_flags & WPF_NOT_LINE_START)))
                return -1;
            break;
        case TK_END:
            return -1;   // the text is not used up here
        case TK_WORD_END:
            if (!WordBefore(at) || IsWord(t[at]))
                return -1;
            break;
        case TK_WORD_START:
            if (WordBefore(at) || !IsWord(t[at]))
                return -1;
            break;
        case TK_LETTER:
        case TK_DIGIT:
        case TK_ALNUM:
        {
            const uint8_t bits = tok.kind == TK_LETTER ? 2 : tok.kind == TK_DIGIT ? 1 : 3;
            if (!(m_class[t[at]] & bits))
                return -1;
            ++at;
            break;
        }
        case TK_SET_ONE:
            if (!InSet(tok, t[at]))
                return -1;
            ++at;
            break;
        case TK_SET_OPTIONAL:
            if (InSet(tok, t[at]))
                ++at;
            break;
        case TK_NOT_SET:
            if (InSet(tok, t[at]))
                return -1;
            ++at;
            break;
        case TK_SET_RUN:
            while (at < tl && InSet(tok, t[at]))
                ++at;
            break;
        case TK_UNTIL_SET:
        {
            int stop = at;
            while (stop < tl && !InSet(tok, t[stop]))
                ++stop;
            if (k + 1 >= m_tokens.size())
            {
                at = stop;
                break;
            }
            return FirstUntil(k, at, stop);
        }
        case TK_CLASS_RUN:
            while (at < tl && (CharClassTable[t[at]] & tok.mask))
                ++at;
            break;
        case TK_CLASS_ONE:
            if (!(CharClassTable[t[at]] & tok.mask))
                return -1;
            ++at;
            break;
        case TK_CLASS_OPTIONAL:
            if (CharClassTable[t[at]] & tok.mask)
                ++at;
            break;
        }
        ++k;
    }
    return Accept(at);
}

bool EscapedAt(const char* p, int i)
{
    int n = 0;
    while (i - 1 - n >= 0 && p[i - 1 - n] == '\\')
        ++n;
    return (n & 1) != 0;
}

}  // namespace

void SetWildPatternStepCounter(uint64_t* counter)
{
    g_stepCounter = counter;
}

int SpanCharSet(const char* text, uint32_t groups, int length, const uint8_t* classTable)
{
    if (!text || length < 1)
        return 0;
    const uint8_t* t = reinterpret_cast<const uint8_t*>(text);
    int n = 0;
    for (; n < length; ++n)
    {
        const uint8_t c = t[n];
        bool in = false;
        if (groups & 0x200)
            in = true;
        else if ((groups & 0x01) && c >= '0' && c <= '9')
            in = true;
        else if ((groups & 0x06) &&
                 ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (classTable && (classTable[c] & 2))))
            in = true;
        else if ((groups & 0x08) && c == '_')
            in = true;
        else if ((groups & 0x20) && (c == ' ' || c == '\t'))
            in = true;
        else if ((groups & 0x40) && (c == '\r' || c == '\n'))
            in = true;
        else if ((groups & 0x80) && (c == '"' || c == '\''))
            in = true;
        else if ((groups & 0x100) && ((c >= 33 && c <= 47) || (c >= 58 && c <= 64) || c > 122))
            in = true;
        else if ((groups & 0x1000) && (c == '(' || c == ')'))
            in = true;
        else if ((groups & 0x2000) && (c == '[' || c == ']'))
            in = true;
        else if ((groups & 0x4000) && (c == '{' || c == '}'))
            in = true;
        else if ((groups & 0x8000) && (c == '<' || c == '>'))
            in = true;
        // Bits 28 and 29 are the accented letters of the text functions' class table (its
        // word mask is 0x3000000F): without them "\w" would stop a German word at its first
        // umlaut whenever the syntax definition marks no letters above 127 (a wrong match).
        else if (CharClassTable[c] & groups & (CC_ACCENT1 | CC_ACCENT2))
            in = true;
        if (!in)
            break;
    }
    return n;
}

int MatchWildPattern(const char* pattern, int patternLength, const char* text, int textLength, uint32_t flags,
                     const WildPatternTables& tables)
{
    if (!pattern || patternLength < 1)
        return 0;
    const bool lengthMode = (flags & (WPF_LENGTH | WPF_LENGTH_OR_FAIL)) != 0;
    const int failure = (flags & WPF_LENGTH_OR_FAIL) ? -1 : lengthMode ? 0 : 1;
    if (!tables.caseTable || !tables.classTable)
        return failure;
    if (!text || textLength < 0)
        textLength = 0;
    int pl = patternLength;
    if ((flags & WPF_CUT_DOT_STAR) && pl >= 3 && pattern[pl - 2] == '.' && pattern[pl - 1] == '*')
        pl -= 2;
    bool starEnd = false;
    // An escaped "\*" at the end is a literal star: cutting it as a wildcard would leave a
    // lone backslash and let "a\*" match every text that starts with "a" (a wrong match).
    while (pl > 0 && pattern[pl - 1] == '*' && !EscapedAt(pattern, pl - 1))
    {
        --pl;
        starEnd = true;
    }
    if (pl == 0)
        return lengthMode ? textLength : 0;

    Scratch& scratch = SharedScratch();
    static const uint8_t kEmpty[1] = { 0 };
    Matcher m(pattern, text ? reinterpret_cast<const uint8_t*>(text) : kEmpty, textLength, flags, tables, scratch);
    // The find engine asks with one pattern at every candidate: its tokens are kept.
    const bool fold = (flags & WPF_FOLD) != 0;
    if (scratch.fold != fold || scratch.caseTable != tables.caseTable || scratch.pattern.size() != static_cast<size_t>(pl) ||
        memcmp(scratch.pattern.data(), pattern, static_cast<size_t>(pl)) != 0 || scratch.tokens.empty())
    {
        m.Tokenize(pl);
        scratch.slots = 0;
        for (size_t k = 0; k < scratch.tokens.size(); ++k)
            if (scratch.tokens[k].kind == TK_GROUP || scratch.tokens[k].kind == TK_UNTIL_SET)
                scratch.slotOf[k] = scratch.slots++;
        scratch.pattern.assign(pattern, static_cast<size_t>(pl));
        scratch.fold = fold;
        scratch.caseTable = tables.caseTable;
    }
    if (scratch.slots)
        scratch.memo.Reset(scratch.slots, textLength);
    m.SetModes(lengthMode, !lengthMode && !starEnd);
    const int end = m.Run(0, 0, true);
    if (end < 0)
        return failure;
    if (!lengthMode)
        return 0;
    return starEnd ? textLength : end;
}
