// Small readers shared by the parsers of the queue tools' answers. Pure functions;
// any thread.
#pragma once

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace ob::at {

/// True when all of `text` (not empty) is one decimal number that fits `value`.
template <typename Number> bool WholeNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

/// The lines of `text` without their "\n" (a last line without one counts) and
/// without a trailing "\r".
inline std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

} // namespace ob::at
