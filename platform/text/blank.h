// Blanks at the ends of a text. Every caller names the characters it counts as
// blank: the job language separates words by blank and tab only, while statement
// texts and file lines also drop carriage returns, line feeds and form feeds.
// Header only; any thread.
#pragma once

#include <string_view>

namespace ob::text {

/// Blank and tab: the separators of console command lines and of C runtime words.
inline constexpr std::string_view kBlankTab = " \t";
/// Blank, tab, carriage return and line feed: what ends a line of statement text.
inline constexpr std::string_view kLineBlanks = " \t\r\n";
/// White space of the C locale (isspace): blank, tab, CR, LF, vertical tab, form feed.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

/// True when `c` is one of `blanks`.
constexpr bool IsBlank(char c, std::string_view blanks) {
    return blanks.find(c) != std::string_view::npos;
}

/// True when every character of `text` is one of `blanks` (also for "").
constexpr bool IsBlank(std::string_view text, std::string_view blanks) {
    return text.find_first_not_of(blanks) == std::string_view::npos;
}

/// `text` without the `blanks` at its start.
constexpr std::string_view TrimLeft(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

/// `text` without the `blanks` at its end.
constexpr std::string_view TrimRight(std::string_view text, std::string_view blanks) {
    const std::size_t last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

/// `text` without the `blanks` at either end.
constexpr std::string_view Trim(std::string_view text, std::string_view blanks) {
    return TrimRight(TrimLeft(text, blanks), blanks);
}

} // namespace ob::text
