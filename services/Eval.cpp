#include "services/Eval.h"

#include <cstdlib>

int EvalInt(const char* text, int* value, ExprStatus* status, ExprSymbolFn symbols, void* context)
{
    return EvalIntExpression(text ? text : "", value, status, EXPR_WHOLE, symbols, context);
}

int EvalInt64(const char* text, long long* value, ExprStatus* status, ExprSymbolFn symbols,
              void* context)
{
    return EvalInt64Expression(text ? text : "", value, status, EXPR_WHOLE, symbols, context);
}

int EvalIntValue(const char* text, ExprSymbolFn symbols, void* context)
{
    int value = 0;
    EvalInt(text, &value, nullptr, symbols, context);
    return value;
}

long long EvalInt64Value(const char* text, ExprSymbolFn symbols, void* context)
{
    long long value = 0;
    EvalInt64(text, &value, nullptr, symbols, context);
    return value;
}

double AsciiToDouble(const char* text)
{
    return text ? strtod(text, nullptr) : 0.0;
}
