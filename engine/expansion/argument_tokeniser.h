// Splitting statement text into words. Any thread.
//
// Separators are blank and tab, and the comma unless TOKENISE_NO_COMMA is given;
// double quotes group separators into one word and are removed (there is no escape
// for a literal quote). With TOKENISE_EXPAND the %-expressions of the text are
// expanded first. A word made of quotes alone ("") is dropped, unless
// TOKENISE_KEEP_EMPTY asks for it as an empty word (the words given to services).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

inline constexpr std::uint32_t TOKENISE_EXPAND = 1;
inline constexpr std::uint32_t TOKENISE_NO_COMMA = 2;
inline constexpr std::uint32_t TOKENISE_KEEP_EMPTY = 4;

/// Room for separators that quotes protect, over the whole text.
inline constexpr std::size_t kQuotedSeparatorLimit = 8192;

enum class TokeniseResult {
    Ok,
    TooManyQuotedSeparators, ///< more than kQuotedSeparatorLimit quoted separators
};

/// Splits `text` into `words` (cleared first; left empty on failure). Blanks, tabs,
/// carriage returns and line feeds at the end of the text are dropped first; a
/// carriage return elsewhere is an ordinary character. Throws only std::bad_alloc.
TokeniseResult ArgumentTokeniser(std::string_view text, std::uint32_t mode,
                                 std::vector<std::string>& words);

/// The words from `first` on, each followed by a blank, without the white space at
/// the end: a path or a name that was given as several words.
std::string JoinWords(const std::vector<std::string>& words, std::size_t first);

} // namespace ob::engine
