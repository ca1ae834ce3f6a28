#include "vbscript/regexp/char_class.h"

#include "vbscript/letter_case.h"

namespace ob::vbscript::regexp {

bool IsDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

bool IsWordChar(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
}

bool IsSpace(char32_t c) {
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
    case 0xFEFF:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

bool SameIgnoringCase(char32_t a, char32_t b) {
    return a == b || UpperLetter(a) == UpperLetter(b);
}

bool CharClass::Contains(char32_t c) const {
    for (const auto& [from, to] : ranges) {
        if (c >= from && c <= to) {
            return true;
        }
    }
    if (shorthands == 0) {
        return false;
    }
    const bool digit = IsDigit(c);
    const bool word = IsWordChar(c);
    const bool space = IsSpace(c);
    return ((shorthands & kDigit) && digit) || ((shorthands & kNotDigit) && !digit) ||
           ((shorthands & kWord) && word) || ((shorthands & kNotWord) && !word) ||
           ((shorthands & kSpace) && space) || ((shorthands & kNotSpace) && !space);
}

bool CharClass::Matches(char32_t c, bool ignoreCase) const {
    bool in = Contains(c);
    if (!in && ignoreCase) {
        const char32_t upper = UpperLetter(c);
        const char32_t lower = LowerLetter(c);
        in = (upper != c && Contains(upper)) || (lower != c && Contains(lower));
    }
    return in != negated;
}

} // namespace ob::vbscript::regexp
