// Whole-expression evaluation of the numbers users type (sector numbers, sizes, counts), on
// textlib's evaluators, and the decimal text to double conversion.
#pragma once
#include "textlib/Expr.h"

// The whole 32-bit (64-bit) expression: textlib's evaluator at EXPR_WHOLE. Returns the
// characters consumed; `value` and `status` may be NULL, as may the symbol callback.
int EvalInt(const char* text, int* value, ExprStatus* status, ExprSymbolFn symbols = nullptr,
            void* context = nullptr);
int EvalInt64(const char* text, long long* value, ExprStatus* status,
              ExprSymbolFn symbols = nullptr, void* context = nullptr);

// The value of the whole expression, starting from 0 and keeping what the evaluation
// computed before it stopped: a text without a number gives 0, "12 GB" and "50%" give the
// number, "20*" gives 0 (the missing factor counts as 0), a number that does not fit gives
// all ones (-1), never a wrapped one.
int EvalIntValue(const char* text, ExprSymbolFn symbols = nullptr, void* context = nullptr);
long long EvalInt64Value(const char* text, ExprSymbolFn symbols = nullptr,
                         void* context = nullptr);

// The C library's conversion of a decimal text to a double (leading white space skipped,
// conversion up to the first character that does not fit); NULL gives 0.
double AsciiToDouble(const char* text);
