// The formatting built-ins FormatNumber, FormatCurrency, FormatPercent and
// FormatDateTime. There is one locale, US English (1033): "." decimal point, ","
// thousands separator, "$" currency symbol, month and day names in English; the
// defaults of the tri-state arguments are that locale's: leading zero, no
// parentheses for negative numbers, grouping on. Numbers round half away from
// zero (FormatNumber(2.5, 0) is "3"), after taking the 15 significant digits a
// double holds reliably (FormatNumber(1.005, 2) is "1.01").
// The functions run on the interpreter's thread; FormatDecimal is pure.
#pragma once

#include "vbscript/date_text.h"
#include "vbscript/variant.h"
#include "vbscript/vbscript_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::vbscript {
class Interpreter;

struct NumberFormat {
    int digits = 2;              ///< digits after the decimal point
    bool leadingDigit = true;    ///< "0.5" rather than ".5"
    bool parensNegative = false; ///< "(1.00)" rather than "-1.00"
    bool groupDigits = true;     ///< "1,000.00" rather than "1000.00"
};

/// The value written with the format, `prefix` and `suffix` around the digits
/// (inside the sign or parentheses): FormatDecimal(-1234.5, {}, "$", "") is
/// "-$1,234.50". Zero after rounding has no sign. Empty for infinity and NaN.
OB_VBSCRIPT_API std::string FormatDecimal(double value, const NumberFormat& format,
                                          std::string_view prefix = {},
                                          std::string_view suffix = {});

} // namespace ob::vbscript

namespace ob::vbscript::builtin {

Variant FormatNumber(Interpreter& in, std::vector<Variant>& a);
Variant FormatCurrency(Interpreter& in, std::vector<Variant>& a);
Variant FormatPercent(Interpreter& in, std::vector<Variant>& a);
Variant FormatDateTime(Interpreter& in, std::vector<Variant>& a);

} // namespace ob::vbscript::builtin
