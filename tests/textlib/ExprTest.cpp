#include <gtest/gtest.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>
#include "textlib/Expr.h"

namespace {

// ---- Random expression trees, printed as text and evaluated by the compiler ----------

enum NodeKind { NUMBER, NAME, UNARY, BINARY, TERNARY };

struct BinaryOp { const char* text; int level; };
const BinaryOp kBinary[] = {
    { "*", 11 }, { "/", 11 }, { "%", 11 }, { "+", 10 }, { "-", 10 }, { "<<", 9 }, { ">>", 9 },
    { "<", 8 }, { "<=", 8 }, { ">", 8 }, { ">=", 8 }, { "==", 7 }, { "!=", 7 }, { "&", 6 },
    { "^", 5 }, { "|", 4 }, { "&&", 3 }, { "||", 2 },
};
const int kBinaryCount = sizeof kBinary / sizeof kBinary[0];

// Values of the names v0..v9 the symbol callback knows.
const long long kNames[10] = { 0, 1, -1, 7, 100, 0x7FFFFFFF, -0x80000000ll, 0x123456789ll, LLONG_MIN, 3 };

int NameCallback(void* context, const char* text, long long* value)
{
    ++*static_cast<int*>(context);
    if (text[0] != 'v' || text[1] < '0' || text[1] > '9')
        return 0;
    *value = kNames[text[1] - '0'];
    return 2;
}

template <typename T>
struct Tree
{
    typedef typename std::make_unsigned<T>::type U;
    static const int kBits = sizeof(T) * 8;

    struct Node
    {
        NodeKind kind;
        int op;          // unary: index into "+-~!"; binary: index into kBinary
        T value;         // NUMBER
        int name;        // NAME
        int a, b, c;     // children
    };
    std::vector<Node> nodes;
    std::mt19937_64& rng;

    explicit Tree(std::mt19937_64& r) : rng(r) {}

    T RandomLeafValue()
    {
        switch (rng() % 4)
        {
        case 0: return static_cast<T>(rng() % 20);
        case 1: return static_cast<T>(rng());
        case 2: return static_cast<T>(static_cast<U>(1) << (rng() % kBits));
        default: return static_cast<T>(static_cast<U>(rng()) >> (rng() % kBits));
        }
    }

    int Add(const Node& n)
    {
        nodes.push_back(n);
        return static_cast<int>(nodes.size()) - 1;
    }

    int Build(int depth)
    {
        const int r = static_cast<int>(rng() % 10);
        if (depth <= 0 || r < 3)
        {
            Node leaf = { NUMBER, 0, RandomLeafValue(), 0, -1, -1, -1 };
            if (rng() % 6 == 0)
            {
                leaf.kind = NAME;
                leaf.name = static_cast<int>(rng() % 10);
            }
            return Add(leaf);
        }
        if (r < 4)
        {
            const int child = Build(depth - 1);
            return Add(Node{ UNARY, static_cast<int>(rng() % 4), 0, 0, child, -1, -1 });
        }
        if (r < 9)
        {
            const int op = static_cast<int>(rng() % kBinaryCount);
            const int left = Build(depth - 1);
            int right;
            if (kBinary[op].level == 9 && rng() % 4)
                right = Add(Node{ NUMBER, 0, static_cast<T>(rng() % kBits), 0, -1, -1, -1 });
            else
                right = Build(depth - 1);
            return Add(Node{ BINARY, op, 0, 0, left, right, -1 });
        }
        const int cond = Build(depth - 1);
        const int whenTrue = Build(depth - 1);
        const int whenFalse = Build(depth - 1);
        return Add(Node{ TERNARY, 0, 0, 0, cond, whenTrue, whenFalse });
    }

    // The exact arithmetic the evaluator promises, in the compiler's 64-bit integers: every
    // value lies from -2^(w-1) to 2^w - 1 or is an overflow; the bit operators work on the
    // two's complement and give a number below -2^(w-1) back as its w-bit unsigned pattern.
    // `state` leaves EXACT on the first event in evaluation order: UNDEFINED where C has no
    // result (zero divisor, shift count outside the width), OVERFLOWED, or UNKNOWN where the
    // exact value leaves the 64-bit integers (64-bit trees only; such trees are not checked).
    enum State { EXACT, UNDEFINED, OVERFLOWED, UNKNOWN };
    static const long long kLow = kBits == 32 ? -(1ll << 31) : LLONG_MIN;
    static const bool kSignedLeaves = kBits == 64;

    long long Checked(long long v, bool wide, State& state) const
    {
        if (state != EXACT)
            return 0;
        if (wide)
            state = kBits == 32 ? OVERFLOWED : UNKNOWN;      // beyond int64: beyond 2^32 too
        else if (kBits == 32 && (v < kLow || v > 0xFFFFFFFFll))
            state = OVERFLOWED;
        return state == EXACT ? v : 0;
    }

    long long Folded(long long v) const { return kBits == 32 && v < kLow ? v + (1ll << 32) : v; }

    long long Leaf(const Node& n) const
    {
        if (n.kind == NAME)
            return static_cast<T>(kNames[n.name]);
        return kSignedLeaves ? static_cast<long long>(n.value) : static_cast<long long>(static_cast<U>(n.value));
    }

    long long Eval(int i, State& state) const
    {
        if (state != EXACT)
            return 0;
        const Node& n = nodes[i];
        long long r = 0;
        switch (n.kind)
        {
        case NUMBER:
        case NAME: return Leaf(n);
        case UNARY:
        {
            const long long x = Eval(n.a, state);
            switch (n.op)
            {
            case 0: return x;
            case 1: return Checked(-x, x == LLONG_MIN, state);
            case 2: return Folded(~x);
            default: return !x;
            }
        }
        case TERNARY:
        {
            const long long c = Eval(n.a, state);
            return c ? Eval(n.b, state) : Eval(n.c, state);
        }
        case BINARY: break;
        }
        const std::string op = kBinary[n.op].text;
        if (op == "&&")
        {
            const long long x = Eval(n.a, state);
            return x && Eval(n.b, state);
        }
        if (op == "||")
        {
            const long long x = Eval(n.a, state);
            return x || Eval(n.b, state);
        }
        const long long x = Eval(n.a, state);
        const long long y = Eval(n.b, state);
        if (state != EXACT)
            return 0;
        if (op == "*") return Checked(r, __builtin_mul_overflow(x, y, &r), state);
        if (op == "+") return Checked(r, __builtin_add_overflow(x, y, &r), state);
        if (op == "-") return Checked(r, __builtin_sub_overflow(x, y, &r), state);
        if (op == "/" || op == "%")
        {
            if (y == 0)
            {
                state = UNDEFINED;
                return 0;
            }
            if (x == LLONG_MIN && y == -1)
                return Checked(0, op == "/", state);
            return op == "/" ? Checked(x / y, false, state) : x % y;
        }
        if (op == "<<" || op == ">>")
        {
            if (y < 0 || y >= kBits)
            {
                state = UNDEFINED;
                return 0;
            }
            if (op == ">>")
                return x >> y;
            bool wide = false;
            r = x;
            for (long long k = 0; k < y && !wide; ++k)
                wide = __builtin_add_overflow(r, r, &r);
            return Checked(r, wide, state);
        }
        if (op == "<") return x < y;
        if (op == "<=") return x <= y;
        if (op == ">") return x > y;
        if (op == ">=") return x >= y;
        if (op == "==") return x == y;
        if (op == "!=") return x != y;
        if (op == "&") return Folded(x & y);
        if (op == "^") return Folded(x ^ y);
        return Folded(x | y);
    }

    int Level(int i) const
    {
        const Node& n = nodes[i];
        switch (n.kind)
        {
        case UNARY: return 12;
        case BINARY: return kBinary[n.op].level;
        case TERNARY: return 1;
        default: return 13;
        }
    }

    std::string Blank()
    {
        switch (rng() % 6)
        {
        case 0: return " ";
        case 1: return "\t";
        case 2: return "  ";
        default: return "";
        }
    }

    // A leaf as the evaluator reads it: its unsigned pattern, or (64-bit trees) its sign and
    // magnitude.
    std::string NumberText(T value)
    {
        if (kSignedLeaves && value < 0)
            return "(-" + UnsignedText(U(0) - static_cast<U>(value)) + ")";
        return UnsignedText(static_cast<U>(value));
    }

    std::string UnsignedText(U v)
    {
        char text[100];
        const unsigned long long w = v;
        switch (rng() % 8)
        {
        case 0: snprintf(text, sizeof text, "0x%llX", w); break;
        // Odd values without the leading 0: those that begin with a letter ("FFh") are
        // numbers too, once the name callback does not know them.
        case 1: snprintf(text, sizeof text, (w & 1) ? "%llXh" : "0%llXh", w); break;
        case 2: snprintf(text, sizeof text, "16#%llx", w); break;
        case 3: snprintf(text, sizeof text, "0o%llo", w); break;
        case 4:
        {
            std::string bits;
            for (unsigned long long k = w; k; k >>= 1)
                bits.insert(bits.begin(), static_cast<char>('0' + (k & 1)));
            if (bits.empty())
                bits = "0";
            return (rng() % 2) ? "0b" + bits : bits + "b";
        }
        case 5:
            if (w < 256)
            {
                if (w >= 32 && w < 127 && w != '\'' && w != '\\')
                    snprintf(text, sizeof text, "'%c'", static_cast<char>(w));
                else
                    snprintf(text, sizeof text, "'\\x%02llX'", w);
                break;
            }
            // fall through
        default: snprintf(text, sizeof text, "%llu", w); break;
        }
        return text;
    }

    std::string Print(int i)
    {
        const Node& n = nodes[i];
        std::string s;
        switch (n.kind)
        {
        case NUMBER: s = NumberText(n.value); break;
        case NAME: s = std::string("v") + static_cast<char>('0' + n.name); break;
        case UNARY: s = std::string(1, "+-~!"[n.op]) + Blank() + Wrap(n.a, Level(n.a) < 12); break;
        case BINARY:
        {
            const int level = kBinary[n.op].level;
            s = Wrap(n.a, Level(n.a) < level) + Blank() + kBinary[n.op].text + Blank() +
                Wrap(n.b, Level(n.b) <= level);
            break;
        }
        case TERNARY:
            s = Wrap(n.a, Level(n.a) < 2) + Blank() + "?" + Blank() + Print(n.b) + Blank() + ":" +
                Blank() + Print(n.c);
            break;
        }
        return s;
    }

    // Parentheses where C's precedence needs them, and now and then where it does not.
    std::string Wrap(int i, bool needed)
    {
        if (needed || rng() % 10 == 0)
            return "(" + Blank() + Print(i) + Blank() + ")";
        return Print(i);
    }
};

template <typename T>
int Evaluate(const char* text, T* value, ExprStatus* status, int precedence, ExprSymbolFn fn, void* context);

template <>
int Evaluate<int>(const char* text, int* value, ExprStatus* status, int precedence, ExprSymbolFn fn, void* context)
{
    return EvalIntExpression(text, value, status, precedence, fn, context);
}

template <>
int Evaluate<long long>(const char* text, long long* value, ExprStatus* status, int precedence, ExprSymbolFn fn, void* context)
{
    return EvalInt64Expression(text, value, status, precedence, fn, context);
}

template <typename T>
void RunRandomTrees(unsigned seed)
{
    typedef typename Tree<T>::State State;
    std::mt19937_64 rng(seed);
    int checked = 0, overflows = 0;
    for (int i = 0; i < 20000; ++i)
    {
        Tree<T> tree(rng);
        const int root = tree.Build(1 + static_cast<int>(rng() % 7));
        State state = Tree<T>::EXACT;
        const long long exact = tree.Eval(root, state);
        if (state == Tree<T>::UNDEFINED || state == Tree<T>::UNKNOWN)
            continue;
        const std::string text = tree.Blank() + tree.Print(root);
        T value = 0;
        ExprStatus status = 0;
        int calls = 0;
        const int consumed = Evaluate<T>(text.c_str(), &value, &status, EXPR_WHOLE, NameCallback, &calls);
        if (state == Tree<T>::OVERFLOWED)
        {
            // An overflow is an error and all ones, never the wrapped number.
            ASSERT_EQ(status, 0) << text;
            ASSERT_EQ(value, static_cast<T>(-1)) << text;
            ++overflows;
            continue;
        }
        ASSERT_EQ(value, static_cast<T>(exact)) << text;
        ASSERT_EQ(status, 1) << text;
        ASSERT_EQ(consumed, static_cast<int>(text.size())) << text;
        ++checked;
    }
    EXPECT_GT(checked, 5000);
    if (sizeof(T) == 4) {
        EXPECT_GT(overflows, 1000);
    }
}

template <typename T>
T Value(const char* text, int* status = nullptr, int* consumed = nullptr, int precedence = EXPR_WHOLE)
{
    T value = 12345;
    ExprStatus s = 0;
    const int n = Evaluate<T>(text, &value, &s, precedence, nullptr, nullptr);
    if (status)
        *status = s;
    if (consumed)
        *consumed = n;
    return value;
}

} // namespace

TEST(Expr, RandomTrees32) { RunRandomTrees<int>(41); }
TEST(Expr, RandomTrees64) { RunRandomTrees<long long>(42); }

TEST(Expr, EarlyEndsKeepTheValueSoFar)
{
    int status = -1, consumed = -1;
    EXPECT_EQ(Value<int>("5%", &status, &consumed), 5);      // missing divisor counts as 0
    EXPECT_EQ(status, 0);
    EXPECT_EQ(consumed, 1);
    EXPECT_EQ(Value<int>("5*", &status), 0);                 // missing factor counts as 0
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("12 GB", &status, &consumed), 12);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(consumed, 2);
    EXPECT_EQ(Value<long long>("100 KB", &status), 100);
    EXPECT_EQ(Value<int>("GB", &status, &consumed), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(consumed, 0);
    EXPECT_EQ(Value<int>("", &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("1 + 10/0 * 3", &status, &consumed), 11);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(consumed, 6);
    EXPECT_EQ(Value<int>("7 % (2-2)", &status), 7);
    EXPECT_EQ(Value<int>("-", &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("  42  ", &status, &consumed), 42);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(consumed, 4);
}

TEST(Expr, DivisionNeverTraps)
{
    int status = -1;
    EXPECT_EQ(Value<int>("(-2147483647-1) / -1", &status), INT_MIN);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<int>("0x80000000 % -1", &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<long long>("(-9223372036854775807-1) / -1", &status), LLONG_MIN);
    EXPECT_EQ(Value<long long>("0x8000000000000000 % -1", &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<long long>("-7 / 2"), -3);   // C truncates toward zero
    EXPECT_EQ(Value<long long>("-7 % 2"), -1);
    // Skipped operands are not evaluated, so their zero divisors are no error.
    EXPECT_EQ(Value<int>("0 && 1/0", &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<int>("1 || 1%0", &status), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<int>("0 ? 1/0 : 5", &status), 5);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<int>("1 ? 5 : 1/0", &status), 5);
    EXPECT_EQ(status, 1);
}

TEST(Expr, ShiftsOutsideTheWidth)
{
    int status = -1;
    EXPECT_EQ(Value<int>("1 << 32", &status), -1);           // shifted out: an overflow
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("1 << -1"), 0);
    EXPECT_EQ(Value<int>("-8 >> 40"), -1);
    EXPECT_EQ(Value<int>("8 >> 40"), 0);
    EXPECT_EQ(Value<long long>("1 << 63"), LLONG_MIN);
    EXPECT_EQ(Value<long long>("1 << 64", &status), -1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("-8 >> 1"), -4);
}

// Every number of an evaluation is exact from the smallest signed to the largest unsigned
// number of the width; a literal, an operand or a result beyond that is an error and all
// ones, whatever operator follows (a unary minus included), unless C would skip it.
TEST(Expr, OverflowsAreErrorsNeverWrappedNumbers)
{
    struct Case {
        const char* text;
        bool is64;
        long long value;        // with status 1; an overflow gives -1 and status 0
        bool overflow;
    } cases[] = {
        { "-4294967296", false, 0, true },
        { "-4294967295", false, 0, true },
        { "65536*65536+3", false, 0, true },
        { "0xFFFFFFFF + 1", false, 0, true },
        { "-2147483648 - 1", false, 0, true },
        { "-(0x80000001)", false, 0, true },
        { "2147483649 / -1", false, 0, true },
        { "2147483648 / -1", false, INT_MIN, false },
        { "3 << 31", false, 0, true },
        { "-18446744073709551616", true, 0, true },
        { "-18446744073709551615", true, 0, true },
        { "4294967296*4294967296", true, 0, true },
        { "36893488147419103232+5", true, 0, true },
        { "18446744073709551615+5", true, 0, true },
        { "-(9223372036854775807 + 2)", true, 0, true },
        { "-2147483648", false, INT_MIN, false },
        { "0x7FFFFFFF + 1", false, INT_MIN, false },
        { "4294967295 - 1", false, -2, false },
        { "1 << 31", false, INT_MIN, false },
        { "-1 << 31", false, INT_MIN, false },
        { "~0xFFFF0000", false, 0xFFFF, false },
        { "0 << 40", false, 0, false },
        { "0xFFFFFFFF >> 4", false, 0x0FFFFFFF, false },    // the number, not the pattern -1
        { "0xFFFFFFFF > 0", false, 1, false },
        { "-1 ^ 0xFFFFFFFF", false, 0, false },
        { "-9223372036854775808", true, LLONG_MIN, false },
        { "9223372036854775807 + 1", true, LLONG_MIN, false },
        { "18446744073709551615 - 18446744073709551615 + 7", true, 7, false },
        { "0 && 99999999999999999999999", true, 0, false },
        { "1 ? 5 : 1 << 70", true, 5, false },
    };
    for (const Case& c : cases)
    {
        int status = -1;
        const long long value = c.is64 ? Value<long long>(c.text, &status) : Value<int>(c.text, &status);
        EXPECT_EQ(status, c.overflow ? 0 : 1) << c.text;
        EXPECT_EQ(value, c.overflow ? -1 : c.value) << c.text;
    }
}

TEST(Expr, ParenthesesAndNesting)
{
    int status = -1, consumed = -1;
    EXPECT_EQ(Value<int>("(1+2", &status), 3);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("1+2)", &status, &consumed), 3);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(consumed, 3);
    EXPECT_EQ(Value<int>("()", &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("1 ? 2", &status), 2);   // missing ":"
    EXPECT_EQ(status, 0);

    const std::string deep = std::string(200, '(') + "7" + std::string(200, ')');
    EXPECT_EQ(Value<int>(deep.c_str(), &status), 7);
    EXPECT_EQ(status, 1);
    // "-(" costs three steps: 150 of them fit into the budget of 500.
    std::string unaryDeep;
    for (int i = 0; i < 150; ++i)
        unaryDeep += "-(";
    unaryDeep += "5" + std::string(150, ')');
    EXPECT_EQ(Value<long long>(unaryDeep.c_str(), &status), 5);
    EXPECT_EQ(status, 1);

    // Hostile nesting ends the evaluation instead of the stack.
    const std::string hostile[] = {
        std::string(100000, '('), std::string(100000, '-') + "1", std::string(100000, '!'),
        [] { std::string s; for (int i = 0; i < 30000; ++i) s += "1||1&&1|1^1&1==1<1<<1+1*("; return s; }(),
        [] { std::string s; for (int i = 0; i < 30000; ++i) s += "1?"; return s + "1"; }(),
        [] { std::string s; for (int i = 0; i < 30000; ++i) s += "0?1:"; return s + "1"; }(),
    };
    for (const std::string& text : hostile)
    {
        Value<int>(text.c_str(), &status);
        EXPECT_EQ(status, 0);
        Value<long long>(text.c_str(), &status);
        EXPECT_EQ(status, 0);
    }
    // A long flat chain needs no nesting at all.
    std::string chain = "1";
    for (int i = 0; i < 100000; ++i)
        chain += "+1";
    EXPECT_EQ(Value<int>(chain.c_str(), &status), 100001);
    EXPECT_EQ(status, 1);
}

TEST(Expr, OperandForms)
{
    EXPECT_EQ(Value<int>("'A' + 1"), 66);
    EXPECT_EQ(Value<int>("'\\n'"), 10);
    EXPECT_EQ(Value<int>("'\\x41'"), 0x41);
    EXPECT_EQ(Value<int>("'\xE4'"), 0xE4);        // unsigned, not C's signed char
    int status = -1;
    EXPECT_EQ(Value<int>("'A", &status), 'A');
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("''", &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("0FFh + 16#10 + 101b + 17o + 0d10 + 2#1"), 255 + 16 + 5 + 15 + 10 + 1);
    // The assembler forms that begin with a letter, read as the number parser reads them.
    int consumed = -1;
    EXPECT_EQ(Value<int>("FFh", &status, &consumed), 255);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(consumed, 3);
    EXPECT_EQ(Value<long long>("ABh+1", &status), 0xAC);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<int>("FF", &status), 0) << "no suffix: no number";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("4294967295"), -1);
    EXPECT_EQ(Value<long long>("0xFFFFFFFF"), 0xFFFFFFFFll);
    EXPECT_EQ(Value<long long>("!0 + !5 + ~0"), 0);
    EXPECT_EQ(Value<int>("-2147483648"), INT_MIN);
}

TEST(Expr, PrecedenceArgumentStopsAtWeakerOperators)
{
    int status = -1, consumed = -1;
    EXPECT_EQ(Value<int>("1+2*3", &status, &consumed, 10), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(consumed, 1);
    EXPECT_EQ(Value<int>("2*3+4", &status, &consumed, 10), 6);
    EXPECT_EQ(consumed, 3);
    EXPECT_EQ(Value<int>("1+2*3 < 8", &status, &consumed, 8), 7);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Value<int>("-5 * 2", &status, &consumed, 11), -5);
    EXPECT_EQ(consumed, 2);
    EXPECT_EQ(Value<int>("5 GB", &status, &consumed, 10), 5);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Value<int>("1?2:3", &status, nullptr, -1), 2);
    EXPECT_EQ(status, 1);
}

TEST(Expr, SymbolsAndNullArguments)
{
    int calls = 0;
    long long value = 0;
    ExprStatus status = 0;
    EXPECT_EQ(EvalInt64Expression("v3 * v4 + v1", &value, &status, EXPR_WHOLE, NameCallback, &calls), 12);
    EXPECT_EQ(value, 701);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(calls, 3);
    // A callback that claims more than the text holds is cut at the NUL.
    auto greedy = [](void*, const char*, long long* v) { *v = 9; return 1000; };
    EXPECT_EQ(EvalInt64Expression("1 + x", &value, &status, EXPR_WHOLE, greedy, nullptr), 5);
    EXPECT_EQ(value, 10);
    EXPECT_EQ(status, 1);
    // Unknown names: read as a number, which is missing.
    EXPECT_EQ(EvalInt64Expression("zz", &value, &status, EXPR_WHOLE, NameCallback, &calls), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(status, 0);

    value = 5;
    status = 1;
    EXPECT_EQ(EvalInt64Expression(nullptr, &value, &status, EXPR_WHOLE, nullptr, nullptr), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(EvalIntExpression("1+1", nullptr, nullptr, EXPR_WHOLE, nullptr, nullptr), 3);
}
