// Integer expression evaluators for the numbers users type into the program's fields:
// "0x3F * 512", "(16#100 + 'A') << 2", "LBA - 63" with names a caller knows.
//
// Syntax, with the operators and precedence of C (levels: higher binds tighter):
//   11  * / %        10  + -          9  << >>         8  < <= > >=
//    7  == !=         6  &             5  ^             4  |
//    3  &&            2  ||            1  ?:  (right-associative)
// The binary operators are left-associative. An operand is
//   - a number, read as ParseInteger reads radix mode 252 (0x1F, 0b101, 0o17, 0d99, 16#1F,
//     2#101, 1Fh, 101b, 17o; no sign: "-" is the operator); one that begins with a letter
//     ("FFh", "ABh") is a number when the symbol callback does not know it as a name;
//   - a character literal in single quotes with C escapes ('A', '\n', '\x41'); its value is
//     the unsigned byte (or the escape's value), a missing closing quote clears the status;
//   - a parenthesised expression;
//   - unary + - ~ ! before an operand;
//   - anything else first goes to the symbol callback (at the operand's first character);
//     it returns the characters it took (never counted beyond the text's NUL) and the value,
//     or 0 or less when it knows no such name. It is asked in operands that "&&", "||" or
//     "?:" skip as well, since only it knows how long a name is.
// Blanks and TABs between tokens are skipped.
//
// Arithmetic is exact: every literal, operand and result must lie between the smallest
// signed number of the width (-2^31, -2^63) and the largest unsigned one (2^32 - 1,
// 2^64 - 1), so "0xFFFFFFFF" and "0x7FFFFFFF + 1" are fine in 32 bits; the value handed out is
// the number's two's-complement pattern ("4294967295" and "-1" both give -1). Anything
// beyond that range is an overflow, whatever operator produced it: "65536*65536", "1 << 32",
// "-4294967296" and "-(0x80000001)" in 32 bits. An overflow never wraps into a small number.
// INT_MIN / -1 is 2^31, which the unsigned range holds (pattern INT_MIN); % takes the
// dividend's sign and C's truncation toward zero. A negative shift count gives 0 for "<<";
// ">>" is arithmetic (it rounds down) and a count outside 0..width-1 gives 0 or -1 by the
// sign. The bit operators work on the two's complement; a result that would lie below the
// signed range is taken as its unsigned pattern ("~0xFFFF0000" is 0xFFFF). "&&" and "||" give
// 0 or 1 and, like "?:", do not evaluate the operand C would skip: a zero divisor or an
// overflow there is no error. Comparisons compare the numbers ("0xFFFFFFFF > 0" is 1).
//
// Status (ExprStatus, may be NULL): set to 1 on entry, cleared to 0 by any error. Ending
// the expression early leaves the value computed so far, as if the text ended there:
//   - a character that continues no expression ("12 GB", a stray ")") ends it and clears
//     the status: "12 GB" gives 12;
//   - a missing or unreadable operand counts as 0 and clears the status: "5*" gives 0;
//   - a zero divisor of "/" or "%" ends the evaluation before that operator and clears
//     the status: "5%" gives 5, "1 + 10/0" gives 11;
//   - a missing ")" or ":" clears the status;
//   - an overflow (see above) ends the evaluation, clears the status and makes the value all
//     ones (-1), as the number parsers do with a literal too large for them;
//   - nesting beyond 500 recursion steps (each parenthesis costs two, each unary operator,
//     pending operator of higher level and conditional branch one; 200 nested parentheses
//     always fit) ends the evaluation there and clears the status, so a hostile text cannot
//     exhaust the stack.
// Result: the characters consumed, up to the end of the last token taken (trailing blanks
// not counted; after a zero divisor, up to that operator). A NULL text gives 0 consumed,
// value 0 and status 0. `value` may be NULL.
//
// precedence: the evaluation reads one operand and then only the binary operators of a
// level above this value (so 10 stops before "+" and "-"); 0 or less, -2 by convention,
// evaluates the whole expression. Stopping at an operator of a lower level is no error;
// when the whole expression is asked for, anything left but the end of the text clears the
// status.
#pragma once

typedef int ExprStatus;
typedef int (*ExprSymbolFn)(void* context, const char* text, long long* value);   // chars consumed, <=0 unknown

enum { EXPR_WHOLE = -2, EXPR_MAX_DEPTH = 500 };

int EvalIntExpression(const char* text, int* value, ExprStatus* status, int precedence, ExprSymbolFn symbols, void* context);
int EvalInt64Expression(const char* text, long long* value, ExprStatus* status, int precedence, ExprSymbolFn symbols, void* context);
