// Bytes as hexadecimal text and back, digit by digit. Header only; any thread.
#pragma once

#include <cstddef>
#include <string>

namespace ob::text {

namespace detail {
inline std::string HexText(const unsigned char* bytes, std::size_t size, const char* digits) {
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}
} // namespace detail

/// Two upper-case hexadecimal digits a byte.
inline std::string UpperHex(const unsigned char* bytes, std::size_t size) {
    return detail::HexText(bytes, size, "0123456789ABCDEF");
}

/// Two lower-case hexadecimal digits a byte.
inline std::string LowerHex(const unsigned char* bytes, std::size_t size) {
    return detail::HexText(bytes, size, "0123456789abcdef");
}

/// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace ob::text
