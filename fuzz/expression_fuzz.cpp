// Fuzz target for the integer expression evaluator: the input is the expression.
// Checks that no text faults (overflow, division, deep nesting) and that results
// are consistent: a value with no diagnostics is a clean result, and a result
// without a value always says why.
#include "engine/actions/expression_evaluator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ob::engine::ExpressionResult result = ob::engine::EvaluateExpression(text);
    if (result.diagnostics < 0) {
        std::abort();
    }
    if (result.diagnostics > 0 && result.message.empty()) {
        std::abort(); // a diagnostic always carries its text
    }
    if (!result.defined && (result.diagnostics == 0 || result.value != 0)) {
        std::abort(); // no value only after a diagnostic, and then 0
    }
    if (result.ok() != (result.defined && result.diagnostics == 0)) {
        std::abort();
    }
    // Evaluation is deterministic: the same text gives the same result.
    const ob::engine::ExpressionResult again = ob::engine::EvaluateExpression(text);
    if (again.value != result.value || again.defined != result.defined ||
        again.diagnostics != result.diagnostics || again.message != result.message) {
        std::abort();
    }
    // A clean value written back as decimal text reads back unchanged.
    if (result.ok()) {
        const ob::engine::ExpressionResult echo =
            ob::engine::EvaluateExpression(std::to_string(result.value));
        if (!echo.ok() || echo.value != result.value) {
            std::abort();
        }
    }
    return 0;
}
