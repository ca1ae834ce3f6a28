// Integer expressions of -set -eval, -test, -if and -while: 32-bit signed values
// with wrap-around arithmetic. Any thread.
//
// Operands: decimal numbers; "$" hexadecimal, "%" binary, "@" octal; character
// constants in single quotes; names (process variables read as decimal integers,
// only the first 8 characters significant); parentheses; unary - + ! ~.
// Binary operators from the highest precedence: * / %; + -; << >>; < <= > >=;
// == !=; &; ^; |; &&; ||. Evaluation stops at the first character after a complete
// operand that is not an operator.
//
// Choices where the rules leave room:
// - Decimal numbers go up to 2147483647; the one exception is 2147483648 as the
//   operand of a unary minus, so that -2147483648 (which this evaluator itself
//   produces) reads back. "$", "%" and "@" numbers may use all 32 bits ($FFFFFFFF
//   is -1). Larger numbers are a diagnostic and keep their low 32 bits.
// - A variable's value must be exactly an optional sign and decimal digits within
//   the 32-bit range; anything else (empty, blanks, other text) is a diagnostic.
// - Division truncates towards zero. The smallest value divided by -1 wraps to
//   itself and its remainder is 0; a division or remainder by zero is a diagnostic
//   with the value 0.
// - ">>" is an arithmetic shift (the sign is kept).
// - "&&" and "||" evaluate both sides, so a fault on either side is reported.
// - A "(" without its ")" is a malformed operand.
// - Parentheses and unary operators nest at most kMaxExpressionDepth levels.
// A malformed operand or too deep a nesting ends the evaluation with no value
// (`defined` false); other diagnostics are counted and evaluation goes on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::engine {

struct ExpressionResult {
    std::int32_t value = 0;
    bool defined = false; ///< a value was computed
    int diagnostics = 0;  ///< number of diagnostics; any makes the expression an error
    std::string message;  ///< the first diagnostic, for tests and traces
    bool ok() const { return defined && diagnostics == 0; }
};

/// Most levels of parentheses and unary operators around one operand.
inline constexpr int kMaxExpressionDepth = 256;

/// Evaluates `text`. Never throws (an allocation failure is a diagnostic).
ExpressionResult EvaluateExpression(std::string_view text);

} // namespace ob::engine
