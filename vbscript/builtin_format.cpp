#include "vbscript/builtin_format.h"

#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ob::vbscript {
namespace {

constexpr int kMaxDigits = 99;

// The tri-state arguments: vbTrue (-1), vbFalse (0) or vbUseDefault (-2).
bool TriState(const builtin::Args& a, std::size_t i, bool localeDefault) {
    if (!builtin::Given(a, i)) {
        return localeDefault;
    }
    switch (a[i].ToLong()) {
    case -1:
        return true;
    case 0:
        return false;
    case -2:
        return localeDefault;
    default:
        throw builtin::InvalidCall();
    }
}

// FormatNumber(expression[, digits[, leadingDigit[, parensNegative[, groupDigits]]]])
// and its two siblings take the same arguments.
NumberFormat ReadFormat(const builtin::Args& a) {
    NumberFormat format;
    if (builtin::Given(a, 1)) {
        const std::int32_t digits = a[1].ToLong();
        if (digits < -1 || digits > kMaxDigits) {
            throw builtin::InvalidCall();
        }
        format.digits = digits == -1 ? 2 : digits;
    }
    format.leadingDigit = TriState(a, 2, true);
    format.parensNegative = TriState(a, 3, false);
    format.groupDigits = TriState(a, 4, true);
    return format;
}

double NumberArgument(const Variant& v, double scale = 1.0) {
    if (v.IsNull()) {
        throw ScriptException(94);
    }
    const double value = v.ToDouble() * scale;
    if (!std::isfinite(value)) {
        throw ScriptException(err::kOverflow);
    }
    return value;
}

} // namespace

std::string FormatDecimal(double value, const NumberFormat& format, std::string_view prefix,
                          std::string_view suffix) {
    if (!std::isfinite(value)) {
        return {};
    }
    // The 15 significant digits of the value as a digit string and the position of
    // the decimal point in it.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string digits;
    const char* p = buffer;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            digits.push_back(*p);
        }
    }
    long point = std::strtol(p + 1, nullptr, 10) + 1;
    if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    const std::size_t keep =
        static_cast<std::size_t>(point) + static_cast<std::size_t>(format.digits);
    if (digits.size() <= keep) {
        digits.append(keep + 1 - digits.size(), '0');
    }
    // Half away from zero: the magnitude rounds up on a 5.
    const bool roundUp = digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        std::size_t i = keep;
        while (i > 0 && digits[i - 1] == '9') {
            digits[--i] = '0';
        }
        if (i == 0) {
            digits.insert(0, 1, '1');
            ++point;
        } else {
            ++digits[i - 1];
        }
    }
    std::string whole = digits.substr(0, static_cast<std::size_t>(point));
    const std::string fraction = digits.substr(static_cast<std::size_t>(point));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.empty() && (format.leadingDigit || fraction.empty())) {
        whole = "0";
    }
    if (format.groupDigits) {
        for (std::size_t i = whole.size(); i > 3; i -= 3) {
            whole.insert(i - 3, 1, ',');
        }
    }
    std::string body(prefix);
    body += whole;
    if (!fraction.empty()) {
        body += '.';
        body += fraction;
    }
    body += suffix;
    const bool negative = value < 0 && digits.find_first_not_of('0') != std::string::npos;
    if (!negative) {
        return body;
    }
    return format.parensNegative ? "(" + body + ")" : "-" + body;
}

namespace builtin {

Variant FormatNumber(Interpreter&, Args& a) {
    const double value = NumberArgument(a[0]);
    return Variant::String(FormatDecimal(value, ReadFormat(a)));
}

Variant FormatCurrency(Interpreter&, Args& a) {
    const double value = NumberArgument(a[0]);
    return Variant::String(FormatDecimal(value, ReadFormat(a), "$"));
}

Variant FormatPercent(Interpreter&, Args& a) {
    const double value = NumberArgument(a[0], 100.0);
    return Variant::String(FormatDecimal(value, ReadFormat(a), {}, "%"));
}

Variant FormatDateTime(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        throw ScriptException(94);
    }
    const double date = a[0].ToDate();
    const std::int32_t format = Given(a, 1) ? a[1].ToLong() : 0;
    if (format < 0 || format > 4) {
        throw InvalidCall();
    }
    const std::string text = FormatDateText(date, format);
    if (text.empty()) {
        throw ScriptException(err::kTypeMismatch);
    }
    return Variant::String(text);
}

std::span<const Builtin> FormatFunctions() {
    static const Builtin kFunctions[] = {
        {"FormatCurrency", 1, 5, FormatCurrency},
        {"FormatDateTime", 1, 2, FormatDateTime},
        {"FormatNumber", 1, 5, FormatNumber},
        {"FormatPercent", 1, 5, FormatPercent},
    };
    return kFunctions;
}

} // namespace builtin
} // namespace ob::vbscript
