// Character sets of the pattern language and the case folding IgnoreCase uses.
//
// A CharClass is a list of ranges plus the shorthand classes (\d \w \s and their
// negations) written inside it, optionally negated. IgnoreCase folds letters as
// UCase and LCase do (letter_case.h). Pure functions; any thread.
#pragma once

#include <utility>
#include <vector>

namespace ob::vbscript::regexp {

/// \d, \w and \s.
bool IsDigit(char32_t c);
bool IsWordChar(char32_t c);
bool IsSpace(char32_t c);

/// True when two characters are equal ignoring case (the folding of UCase / LCase).
bool SameIgnoringCase(char32_t a, char32_t b);

struct CharClass {
    enum Shorthand : unsigned {
        kDigit = 1,
        kNotDigit = 2,
        kWord = 4,
        kNotWord = 8,
        kSpace = 16,
        kNotSpace = 32,
    };
    bool negated = false;
    unsigned shorthands = 0; ///< Shorthand bits
    std::vector<std::pair<char32_t, char32_t>> ranges;

    /// True when the class admits the character (with `ignoreCase`, in either case).
    bool Matches(char32_t c, bool ignoreCase) const;

private:
    bool Contains(char32_t c) const;
};

} // namespace ob::vbscript::regexp
