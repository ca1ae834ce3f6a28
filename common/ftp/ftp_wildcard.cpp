#include "common/ftp/ftp_wildcard.h"

namespace ob::common::ftp {

WildcardSpec SplitSpec(std::string_view wildcard) {
    const std::size_t slash = wildcard.rfind('/');
    if (slash == std::string_view::npos) {
        return {std::string(), std::string(wildcard)};
    }
    // "/x*" lies in the root directory, not in "".
    const std::size_t directoryLength = slash == 0 ? 1 : slash;
    return {std::string(wildcard.substr(0, directoryLength)),
            std::string(wildcard.substr(slash + 1))};
}

std::string WildcardToRegex(std::string_view pattern, bool sets) {
    std::string regex = "^";
    for (char c : pattern) {
        switch (c) {
        case '*':
            regex += ".*";
            break;
        case '?':
            regex += '.';
            break;
        case '[':
        case ']':
            if (!sets) {
                regex += '\\';
            }
            regex += c;
            break;
        case '.':
        case '+':
        case '(':
        case ')':
        case '|':
        case '^':
        case '$':
        case '\\':
            regex += '\\';
            regex += c;
            break;
        default:
            regex += c;
            break;
        }
    }
    regex += '$';
    return regex;
}

WildcardPattern::WildcardPattern(std::string_view pattern) {
    program_ = CompileRegex(WildcardToRegex(pattern, true));
    if (program_ == nullptr) {
        program_ = CompileRegex(WildcardToRegex(pattern, false));
    }
}

bool WildcardPattern::Matches(std::string_view name) const {
    return MatchRegex(program_.get(), name) == 1;
}

} // namespace ob::common::ftp
