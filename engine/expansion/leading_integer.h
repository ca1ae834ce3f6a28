// Reading a number from the front of a statement token the way the C runtime's
// atoi does: leading white space, an optional sign, then decimal digits; anything
// else ends the number, and a token without digits is 0. Unlike atoi, a value
// beyond the range of int saturates instead of being undefined. Header only; any
// thread.
#pragma once

#include "platform/text/blank.h"

#include <climits>
#include <cstddef>
#include <string_view>

namespace ob::engine {

/// A number read from the front of a text.
struct LeadingNumber {
    int value = 0;          ///< 0 when there are no digits; saturated to the range of int
    std::size_t length = 0; ///< characters read: white space, sign and digits
    bool hasDigits = false; ///< at least one digit was read
};

constexpr LeadingNumber ReadLeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text::IsBlank(text[i], text::kWhiteSpace)) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1; // saturate, keep reading digits
        }
    }
    LeadingNumber number;
    number.hasDigits = i > firstDigit;
    number.length = number.hasDigits ? i : 0;
    if (negative) {
        number.value = static_cast<int>(-value);
    } else {
        number.value = value > INT_MAX ? INT_MAX : static_cast<int>(value);
    }
    return number;
}

constexpr int LeadingInteger(std::string_view text) {
    return ReadLeadingNumber(text).value;
}

} // namespace ob::engine
