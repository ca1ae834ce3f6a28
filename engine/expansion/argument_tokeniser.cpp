#include "engine/expansion/argument_tokeniser.h"

#include "engine/expansion/expand_text.h"
#include "platform/text/blank.h"

namespace ob::engine {

// The words come out in one pass over the (trimmed, perhaps expanded) copy: a double
// quote toggles the quoted state and is dropped, a separator inside quotes is kept
// as part of the word, and a run of separators outside quotes ends the word when it
// has any characters. That gives the words of the placeholder scheme (quoted separators
// parked as carriage returns with the originals in a side buffer, quotes removed,
// split, placeholders restored in order) without its flaw: a carriage return that
// was already in the text stays a carriage return instead of taking the place of a
// quoted separator. The side buffer's size remains the limit on quoted separators.
TokeniseResult ArgumentTokeniser(std::string_view text, std::uint32_t mode,
                                 std::vector<std::string>& words) {
    words.clear();
    std::string copy(text::TrimRight(text, text::kLineBlanks));
    if ((mode & TOKENISE_EXPAND) != 0) {
        ExpandText(copy);
    }
    const bool commaSeparates = (mode & TOKENISE_NO_COMMA) == 0;
    const bool keepEmpty = (mode & TOKENISE_KEEP_EMPTY) != 0;
    bool quoted = false;
    bool hadQuote = false; // the current word contains a quote: "" is a word of its own
    std::size_t quotedSeparators = 0;
    std::string word;
    for (const char c : copy) {
        if (c == '"') {
            quoted = !quoted;
            hadQuote = true;
            continue;
        }
        const bool separator = c == ' ' || c == '\t' || (c == ',' && commaSeparates);
        if (!separator) {
            word += c;
        } else if (quoted) {
            if (++quotedSeparators > kQuotedSeparatorLimit) {
                words.clear();
                return TokeniseResult::TooManyQuotedSeparators;
            }
            word += c;
        } else {
            if (!word.empty() || (keepEmpty && hadQuote)) {
                words.push_back(std::move(word));
                word.clear();
            }
            hadQuote = false;
        }
    }
    if (!word.empty() || (keepEmpty && hadQuote)) {
        words.push_back(std::move(word));
    }
    return TokeniseResult::Ok;
}

std::string JoinWords(const std::vector<std::string>& words, std::size_t first) {
    std::string joined;
    for (std::size_t i = first; i < words.size(); ++i) {
        joined.append(words[i]).append(" ");
    }
    return std::string(text::TrimRight(joined, text::kWhiteSpace));
}

} // namespace ob::engine
