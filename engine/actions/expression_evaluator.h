// Integer expressions of -set -eval, -test, -if and -while: 32-bit signed values
// with wrap-around arithmetic. Any thread.
//
// Operands: decimal numbers; "$" hexadecimal, "%" binary, "@" octal; character
// constants in single quotes; names (process variables read as decimal integers,
// only the first 8 characters significant); parentheses; unary - + ! ~.
// Binary operators from the highest precedence: * / %; + -; << >>; < <= > >=;
// == !=; &; ^; |; &&; ||. Evaluation stops at the first character after a complete
// operand that is not an operator.
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

ExpressionResult EvaluateExpression(std::string_view text);

} // namespace ob::engine
