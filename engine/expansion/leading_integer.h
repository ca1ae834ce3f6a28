// Reading a number from the front of a statement token the way the C runtime's
// atoi does: leading blanks, an optional sign, then decimal digits; anything else
// ends the number, and a token without digits is 0. Unlike atoi, a value beyond
// the range of int saturates instead of being undefined. Header only; any thread.
#pragma once

#include <climits>
#include <string_view>

namespace ob::engine {

constexpr int LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1; // saturate, keep reading digits
        }
    }
    if (negative) {
        return static_cast<int>(-value);
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

} // namespace ob::engine
