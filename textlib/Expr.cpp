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

template <> struct IntTraits<int>
{
    typedef unsigned Unsigned;
    static const int kBits = 32;
    static int Parse(const char* text, int* consumed) { return ParseInteger(text, kNumberFlags, consumed); }
};

template <> struct IntTraits<long long>
{
    typedef unsigned long long Unsigned;
    static const int kBits = 64;
    static long long Parse(const char* text, int* consumed) { return ParseInteger64(text, kNumberFlags, consumed); }
};

template <typename T>
class Evaluator
{
    typedef typename IntTraits<T>::Unsigned U;
    static const int kBits = IntTraits<T>::kBits;

public:
    Evaluator(const char* text, ExprSymbolFn symbols, void* context)
        : text_(text), pos_(0), status_(1), stopped_(false), depth_(0), skipping_(0),
          symbols_(symbols), context_(context)
    {
    }

    T Run(int precedence)
    {
        const int minLevel = precedence <= 0 ? 0 : precedence;
        const T value = Expression(minLevel);
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

    int SkipBlanks(int pos) const
    {
        while (text_[pos] == ' ' || text_[pos] == '\t')
            ++pos;
        return pos;
    }

    // An expression whose binary operators all have a level above minLevel.
    T Expression(int minLevel)
    {
        DepthGuard guard(this);
        if (guard.Refused())
            return 0;
        T value = Operand();
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
            const bool skipRight = (op.code == OP_LAND && value == 0) || (op.code == OP_LOR && value != 0);
            if (skipRight)
                ++skipping_;
            const T right = Expression(op.level);
            if (skipRight)
                --skipping_;
            if ((op.code == OP_DIV || op.code == OP_MOD) && right == 0)
            {
                if (skipping_ == 0)
                {
                    // The text counts as ending before the operator: keep the left value.
                    if (!stopped_)
                        pos_ = at;
                    Fail(true);
                    break;
                }
                value = 0;   // not evaluated in C either; any value will do
                continue;
            }
            value = Apply(op.code, value, right);
        }
        return value;
    }

    // "? a : b" behind the condition; the "?" is consumed.
    T Conditional(T condition)
    {
        const bool chosen = condition != 0;
        if (!chosen)
            ++skipping_;
        const T whenTrue = Expression(0);
        if (!chosen)
            --skipping_;
        if (stopped_)
            return chosen ? whenTrue : 0;
        const int at = SkipBlanks(pos_);
        if (text_[at] != ':')
        {
            Fail(false);
            return chosen ? whenTrue : 0;
        }
        pos_ = at + 1;
        if (chosen)
            ++skipping_;
        const T whenFalse = Expression(0);
        if (chosen)
            --skipping_;
        return chosen ? whenTrue : whenFalse;
    }

    T Operand()
    {
        DepthGuard guard(this);
        if (guard.Refused())
            return 0;
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
            const T x = Operand();
            if (c == '-')
                return static_cast<T>(U(0) - static_cast<U>(x));
            if (c == '~')
                return static_cast<T>(~x);
            if (c == '!')
                return x == 0 ? 1 : 0;
            return x;
        }
        case '(':
        {
            pos_ = at + 1;
            const T x = Expression(0);
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
        if (c >= '0' && c <= '9')
        {
            int used = 0;
            const T x = IntTraits<T>::Parse(text_ + at, &used);
            pos_ = at + used;
            return x;
        }
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
                return static_cast<T>(symbolValue);
            }
        }
        // No operand here: it counts as 0.
        Fail(false);
        return 0;
    }

    T CharLiteral(int at)
    {
        int p = at + 1;
        T value = 0;
        if (text_[p] == 0 || text_[p] == '\'')
        {
            if (text_[p] == '\'')
                ++p;
            Fail(false);
            pos_ = p;
            return 0;
        }
        if (text_[p] == '\\')
        {
            int used = 1;
            value = static_cast<T>(DecodeCEscape(text_ + p, &used));
            p += used;
        }
        else
            value = static_cast<unsigned char>(text_[p++]);
        if (text_[p] == '\'')
            ++p;
        else
            Fail(false);
        pos_ = p;
        return value;
    }

    static T Apply(OpCode code, T a, T b)
    {
        const U ua = static_cast<U>(a);
        const U ub = static_cast<U>(b);
        switch (code)
        {
        case OP_MUL: return static_cast<T>(ua * ub);
        case OP_ADD: return static_cast<T>(ua + ub);
        case OP_SUB: return static_cast<T>(ua - ub);
        // x86 traps on the one quotient that does not fit: MIN / -1.
        case OP_DIV: return b == -1 ? static_cast<T>(U(0) - ua) : a / b;
        case OP_MOD: return b == -1 ? 0 : a % b;
        case OP_SHL: return (b < 0 || b >= kBits) ? 0 : static_cast<T>(ua << b);
        case OP_SHR:
            if (b < 0 || b >= kBits)
                return a < 0 ? -1 : 0;
            return a < 0 ? static_cast<T>(~(~ua >> b)) : static_cast<T>(ua >> b);
        case OP_LT: return a < b;
        case OP_LE: return a <= b;
        case OP_GT: return a > b;
        case OP_GE: return a >= b;
        case OP_EQ: return a == b;
        case OP_NE: return a != b;
        case OP_AND: return a & b;
        case OP_XOR: return a ^ b;
        case OP_OR: return a | b;
        case OP_LAND: return a != 0 && b != 0;
        case OP_LOR: return a != 0 || b != 0;
        default: return a;
        }
    }

    const char* text_;
    int pos_;
    int status_;
    bool stopped_;
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
