// Names that compare without regard to case (environment variables, settings keys
// and values, window classes, registered messages, month names): ASCII letters fold,
// every other byte (UTF-8 included) compares as it is, so the result never depends
// on the locale. Header only; any thread.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace ob::text {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return AsciiLower(c); });
    return lower;
}

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

/// Hash and equality for unordered containers keyed without regard to case;
/// transparent, so lookups by string_view need no temporary string.
struct CaseBlindHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        std::size_t hash = 14695981039346656037ull; // FNV-1a over the folded bytes
        for (char c : text) {
            hash ^= static_cast<unsigned char>(AsciiLower(c));
            hash *= 1099511628211ull;
        }
        return hash;
    }
};

struct CaseBlindEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        return EqualsIgnoringCase(a, b);
    }
};

} // namespace ob::text
