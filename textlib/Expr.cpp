#include "textlib/Expr.h"
#include "textlib/CQuote.h"
#include "textlib/IntParse.h"

namespace {

// Operand numbers: the assembler and radix forms, no sign (the evaluator's unary minus
// does that) and no blanks (the evaluator skips them itself).
const unsigned kNumberFlags = IPF_RADIX_ASM | IPF_NO_SIGN | IPF_NO_LEADING_BLANKS;

enum OpCode
{
    OP_NONE, OP_MUL, OP_DIV, OP_MOD, OP_ADD, OP_SUB, OP_SHL, OP_SHR, OP_LT, OP_LE, OP_GT,
    OP_GE, OP_EQ, OP_NE, OP_AND, OP_XOR, OP_OR, OP_LAND, OP_LOR, OP_COND
};

struct Operator
{
    OpCode code;
    int level;    // 0: no operator here
    int length;
};

const int kLevelConditional = 1;

// The binary operator (or the "?" of a conditional) that starts at p.
Operator PeekOperator(const char* p)
{
    const char c = p[0];
    const char d = c ? p[1] : 0;
    switch (c)
    {
    case '*': return Operator{ OP_MUL, 11, 1 };
    case '/': return Operator{ OP_DIV, 11, 1 };
    case '%': return Operator{ OP_MOD, 11, 1 };
    case '+': return Operator{ OP_ADD, 10, 1 };
    case '-': return Operator{ OP_SUB, 10, 1 };
    case '<':
        if (d == '<') return Operator{ OP_SHL, 9, 2 };
        if (d == '=') return Operator{ OP_LE, 8, 2 };
        return Operator{ OP_LT, 8, 1 };
    case '>':
        if (d == '>') return Operator{ OP_SHR, 9, 2 };
        if (d == '=') return Operator{ OP_GE, 8, 2 };
        return Operator{ OP_GT, 8, 1 };
    case '=':
        if (d == '=') return Operator{ OP_EQ, 7, 2 };
        break;
    case '!':
        if (d == '=') return Operator{ OP_NE, 7, 2 };
        break;
    case '&':
        if (d == '&') return Operator{ OP_LAND, 3, 2 };
        return Operator{ OP_AND, 6, 1 };
    case '^': return Operator{ OP_XOR, 5, 1 };
    case '|':
        if (d == '|') return Operator{ OP_LOR, 2, 2 };
        return Operator{ OP_OR, 4, 1 };
    case '?': return Operator{ OP_COND, kLevelConditional, 1 };
    default: break;
    }
    return Operator{ OP_NONE, 0, 0 };
}

template <typename T> struct IntTraits;

// The literal's magnitude; `overflow` when it does not fit the width unsigned.
template <> struct IntTraits<int>
{
    typedef unsigned Unsigned;
    static const int kBits = 32;
    static Unsigned Parse(const char* text, int* consumed, bool* overflow)
    {
        const unsigned long long m =
            static_cast<unsigned long long>(ParseInteger64Overflow(text, kNumberFlags, consumed, overflow));
        if (m > 0xFFFFFFFFull)
            *overflow = true;
        return static_cast<Unsigned>(m);
    }
};

template <> struct IntTraits<long long>
{
    typedef unsigned long long Unsigned;
    static const int kBits = 64;
    static Unsigned Parse(const char* text, int* consumed, bool* overflow)
    {
        return static_cast<Unsigned>(ParseInteger64Overflow(text, kNumberFlags, consumed, overflow));
    }
};

template <typename T>
class Evaluator
{
    typedef typename IntTraits<T>::Unsigned U;
    static const int kBits = IntTraits<T>::kBits;
    static const U kTop = static_cast<U>(U(1) << (kBits - 1));

    // A value of the evaluation, exact from the smallest signed number of the width
    // (-2^(w-1)) to the largest unsigned one (2^w - 1): the w-bit pattern and a sign bit above
    // it, value = bits - neg * 2^w. A negative value therefore always has its top bit set.
    // The result handed out is the pattern, so 0xFFFFFFFF and -1 give the same word; but
    // only the exact value counts for the arithmetic, and a result outside the range is an
    // overflow, never a wrapped, plausible number.
    struct Num
    {
        U bits;
        bool neg;
    };

    static Num Signed(T v) { return Num{ static_cast<U>(v), v < 0 }; }
    static Num Unsigned(U v) { return Num{ v, false }; }
    static Num Truth(bool b) { return Num{ b ? U(1) : U(0), false }; }
    static bool IsZero(Num n) { return !n.neg && n.bits == 0; }
    static U Magnitude(Num n) { return n.neg ? static_cast<U>(U(0) - n.bits) : n.bits; }

public:
    Evaluator(const char* text, ExprSymbolFn symbols, void* context)
        : text_(text), pos_(0), status_(1), stopped_(false), overflowed_(false), depth_(0), skipping_(0),
          symbols_(symbols), context_(context)
    {
    }

    T Run(int precedence)
    {
        const int minLevel = precedence <= 0 ? 0 : precedence;
        const Num result = Expression(minLevel);
        // An overflow gives all ones, as an overflowing literal does: never a small number.
        const T value = overflowed_ ? static_cast<T>(~U(0)) : static_cast<T>(result.bits);
        if (!stopped_)
        {
            const int rest = SkipBlanks(pos_);
            const char c = text_[rest];
            if (precedence <= 0)
            {
                if (c != 0)
                    status_ = 0;
            }
            else if (c != 0 && c != ')' && c != ':')
            {
                // Stopping at an operator that binds less tightly is what was asked for.
                const Operator op = PeekOperator(text_ + rest);
                if (op.level == 0 || op.level > minLevel)
                    status_ = 0;
            }
        }
        return value;
    }

    int Consumed() const { return pos_; }
    int Status() const { return status_; }

private:
    // Counts one recursion step; past the limit the evaluation ends where it stands.
    class DepthGuard
    {
    public:
        explicit DepthGuard(Evaluator* e) : e_(e)
        {
            if (++e_->depth_ > EXPR_MAX_DEPTH)
                e_->Fail(true);
        }
        ~DepthGuard() { --e_->depth_; }
        bool Refused() const { return e_->depth_ > EXPR_MAX_DEPTH; }

    private:
        Evaluator* e_;
    };

    void Fail(bool stop)
    {
        status_ = 0;
        if (stop)
            stopped_ = true;
    }

    // A number that does not fit ends the evaluation as an error, unless C would not evaluate
    // it (a skipped operand of &&, || or ?:). The value is of no account then.
    Num Overflow()
    {
        if (skipping_ == 0)
        {
            overflowed_ = true;
            Fail(true);
        }
        return Num{ 0, false };
    }

    // The exact value from its sign and magnitude, or an overflow.
    Num FromMagnitude(bool negative, U magnitude)
    {
        if (!negative || magnitude == 0)
            return Unsigned(magnitude);
        if (magnitude > kTop)
            return Overflow();
        return Num{ static_cast<U>(U(0) - magnitude), true };
    }

    // bits - k * 2^w for a carry word k of -2..1 from an addition or subtraction.
    Num FromCarry(U bits, int k)
    {
        if (k == 0)
            return Unsigned(bits);
        if (k == -1 && (bits & kTop))
            return Num{ bits, true };
        return Overflow();
    }

    // A pattern of the bit operators: a sign bit whose number would not fit is dropped, so
    // that ~0xFFFF0000 is 0xFFFF as in the width's own unsigned arithmetic.
    static Num Folded(U bits, bool neg) { return Num{ bits, neg && (bits & kTop) != 0 }; }

    static int Compare(Num a, Num b)
    {
        if (a.neg != b.neg)
            return a.neg ? -1 : 1;
        return a.bits < b.bits ? -1 : (a.bits > b.bits ? 1 : 0);
    }

    int SkipBlanks(int pos) const
    {
        while (text_[pos] == ' ' || text_[pos] == '\t')
            ++pos;
        return pos;
    }

    // An expression whose binary operators all have a level above minLevel.
    Num Expression(int minLevel)
    {
        DepthGuard guard(this);
        if (guard.Refused())
            return Num{ 0, false };
        Num value = Operand();
        while (!stopped_)
        {
            const int at = SkipBlanks(pos_);
            const Operator op = PeekOperator(text_ + at);
            if (op.level == 0 || op.level <= minLevel)
                break;
            pos_ = at + op.length;
            if (op.code == OP_COND)
            {
                value = Conditional(value);
                continue;
            }
            // C evaluates no right side of && and || that cannot change the result.
            const bool skipRight = (op.code == OP_LAND && IsZero(value)) || (op.code == OP_LOR && !IsZero(value));
            if (skipRight)
                ++skipping_;
            const Num right = Expression(op.level);
            if (skipRight)
                --skipping_;
            if ((op.code == OP_DIV || op.code == OP_MOD) && IsZero(right))
            {
                if (skipping_ == 0)
                {
                    // The text counts as ending before the operator: keep the left value.
                    if (!stopped_)
                        pos_ = at;
                    Fail(true);
                    break;
                }
                value = Num{ 0, false };   // not evaluated in C either; any value will do
                continue;
            }
            value = Apply(op.code, value, right);
        }
        return value;
    }

    // "? a : b" behind the condition; the "?" is consumed.
    Num Conditional(Num condition)
    {
        const bool chosen = !IsZero(condition);
        if (!chosen)
            ++skipping_;
        const Num whenTrue = Expression(0);
        if (!chosen)
            --skipping_;
        if (stopped_)
            return chosen ? whenTrue : Num{ 0, false };
        const int at = SkipBlanks(pos_);
        if (text_[at] != ':')
        {
            Fail(false);
            return chosen ? whenTrue : Num{ 0, false };
        }
        pos_ = at + 1;
        if (chosen)
            ++skipping_;
        const Num whenFalse = Expression(0);
        if (chosen)
            --skipping_;
        return chosen ? whenTrue : whenFalse;
    }

    Num Operand()
    {
        DepthGuard guard(this);
        if (guard.Refused())
            return Num{ 0, false };
        const int at = SkipBlanks(pos_);
        const unsigned char c = static_cast<unsigned char>(text_[at]);
        switch (c)
        {
        case '+':
        case '-':
        case '~':
        case '!':
        {
            pos_ = at + 1;
            const Num x = Operand();
            if (c == '-')
                return FromMagnitude(!x.neg, Magnitude(x));
            if (c == '~')
                return Folded(static_cast<U>(~x.bits), !x.neg);
            if (c == '!')
                return Truth(IsZero(x));
            return x;
        }
        case '(':
        {
            pos_ = at + 1;
            const Num x = Expression(0);
            if (!stopped_)
            {
                const int close = SkipBlanks(pos_);
                if (text_[close] == ')')
                    pos_ = close + 1;
                else
                    Fail(false);
            }
            return x;
        }
        case '\'':
            return CharLiteral(at);
        default:
            break;
        }
        Num number;
        if (c >= '0' && c <= '9' && ReadNumber(at, &number))   // a digit always starts one
            return number;
        if (symbols_ && c != 0)
        {
            long long symbolValue = 0;
            int used = symbols_(context_, text_ + at, &symbolValue);
            if (used > 0)
            {
                // Whatever the callback claims, nothing beyond the NUL is taken.
                for (int i = 0; i < used; ++i)
                    if (text_[at + i] == 0)
                    {
                        used = i;
                        break;
                    }
                pos_ = at + used;
                return Signed(static_cast<T>(symbolValue));
            }
        }
        // A name nobody knows may still be a number of the assembler forms that begin with a
        // letter: "FFh" is 255 to the number parser, and the same text as an operand should
        // not be 0 with nothing read.
        if (ReadNumber(at, &number))
            return number;
        // No operand here: it counts as 0.
        Fail(false);
        return Num{ 0, false };
    }

    // The number that stands at `at`, taken into *value; false, with nothing taken, where
    // none does.
    bool ReadNumber(int at, Num* value)
    {
        int used = 0;
        bool overflow = false;
        const U x = IntTraits<T>::Parse(text_ + at, &used, &overflow);
        if (used == 0)
            return false;
        pos_ = at + used;
        *value = overflow ? Overflow() : Unsigned(x);
        return true;
    }

    Num CharLiteral(int at)
    {
        int p = at + 1;
        U value = 0;
        if (text_[p] == 0 || text_[p] == '\'')
        {
            if (text_[p] == '\'')
                ++p;
            Fail(false);
            pos_ = p;
            return Num{ 0, false };
        }
        if (text_[p] == '\\')
        {
            int used = 1;
            value = static_cast<U>(DecodeCEscape(text_ + p, &used));
            p += used;
        }
        else
            value = static_cast<unsigned char>(text_[p++]);
        if (text_[p] == '\'')
            ++p;
        else
            Fail(false);
        pos_ = p;
        return Unsigned(value);
    }

    Num Apply(OpCode code, Num a, Num b)
    {
        switch (code)
        {
        case OP_MUL:
        {
            U product = 0;
            if (__builtin_mul_overflow(Magnitude(a), Magnitude(b), &product))
                return Overflow();
            return FromMagnitude(a.neg != b.neg, product);
        }
        case OP_ADD:
        {
            const U sum = static_cast<U>(a.bits + b.bits);
            return FromCarry(sum, (sum < a.bits ? 1 : 0) - a.neg - b.neg);
        }
        case OP_SUB:
        {
            const U difference = static_cast<U>(a.bits - b.bits);
            return FromCarry(difference, -(a.bits < b.bits ? 1 : 0) - a.neg + b.neg);
        }
        // C truncates toward zero; the remainder takes the dividend's sign. MIN / -1 is the
        // largest signed number plus one, which the unsigned range holds.
        case OP_DIV: return FromMagnitude(a.neg != b.neg, Magnitude(a) / Magnitude(b));
        case OP_MOD: return FromMagnitude(a.neg, Magnitude(a) % Magnitude(b));
        case OP_SHL:
        {
            // A negative count shifts nothing in and gives 0, as before; a bit shifted out of
            // the width is an overflow.
            if (b.neg || IsZero(a))
                return Num{ 0, false };
            const U m = Magnitude(a);
            if (b.bits >= static_cast<U>(kBits) || m > (static_cast<U>(~U(0)) >> b.bits))
                return Overflow();
            return FromMagnitude(a.neg, static_cast<U>(m << b.bits));
        }
        case OP_SHR:
            if (b.neg || b.bits >= static_cast<U>(kBits))
                return a.neg ? Num{ static_cast<U>(~U(0)), true } : Num{ 0, false };
            if (!a.neg)
                return Unsigned(static_cast<U>(a.bits >> b.bits));
            // Arithmetic: the sign fills the top, the value rounds down.
            return Num{ static_cast<U>((a.bits >> b.bits) | ~(static_cast<U>(~U(0)) >> b.bits)), true };
        case OP_LT: return Truth(Compare(a, b) < 0);
        case OP_LE: return Truth(Compare(a, b) <= 0);
        case OP_GT: return Truth(Compare(a, b) > 0);
        case OP_GE: return Truth(Compare(a, b) >= 0);
        case OP_EQ: return Truth(Compare(a, b) == 0);
        case OP_NE: return Truth(Compare(a, b) != 0);
        case OP_AND: return Folded(a.bits & b.bits, a.neg && b.neg);
        case OP_XOR: return Folded(a.bits ^ b.bits, a.neg != b.neg);
        case OP_OR: return Folded(a.bits | b.bits, a.neg || b.neg);
        case OP_LAND: return Truth(!IsZero(a) && !IsZero(b));
        case OP_LOR: return Truth(!IsZero(a) || !IsZero(b));
        default: return a;
        }
    }

    const char* text_;
    int pos_;
    int status_;
    bool stopped_;
    bool overflowed_;
    int depth_;
    int skipping_;
    ExprSymbolFn symbols_;
    void* context_;
};

template <typename T>
int Evaluate(const char* text, T* value, ExprStatus* status, int precedence, ExprSymbolFn symbols, void* context)
{
    if (!text)
    {
        if (value)
            *value = 0;
        if (status)
            *status = 0;
        return 0;
    }
    Evaluator<T> evaluator(text, symbols, context);
    const T result = evaluator.Run(precedence);
    if (value)
        *value = result;
    if (status)
        *status = evaluator.Status();
    return evaluator.Consumed();
}

} // namespace

int EvalIntExpression(const char* text, int* value, ExprStatus* status, int precedence, ExprSymbolFn symbols, void* context)
{
    return Evaluate<int>(text, value, status, precedence, symbols, context);
}

int EvalInt64Expression(const char* text, long long* value, ExprStatus* status, int precedence, ExprSymbolFn symbols, void* context)
{
    return Evaluate<long long>(text, value, status, precedence, symbols, context);
}
