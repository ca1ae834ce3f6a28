#include "common/password_mask.h"

#include <cctype>

namespace ob::common {
namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

// The end of the word that starts at `begin`: the first separator outside double
// quotes, or the end of the text.
std::size_t WordEnd(std::string_view text, std::size_t begin) {
    bool quoted = false;
    std::size_t i = begin;
    for (; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && IsSeparator(text[i])) {
            break;
        }
    }
    return i;
}

bool IsPasswordOption(std::string_view word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
        word = word.substr(1, word.size() - 2);
    }
    constexpr std::string_view kOption = "-password";
    if (word.size() != kOption.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(word[i])) != kOption[i]) {
            return false;
        }
    }
    return true;
}

bool MentionsPassword(std::string_view text) {
    constexpr std::string_view kWord = "password";
    for (std::size_t i = 0; i + kWord.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < kWord.size() &&
               std::tolower(static_cast<unsigned char>(text[i + j])) == kWord[j]) {
            ++j;
        }
        if (j == kWord.size()) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string MaskPasswords(std::string_view text) {
    if (!MentionsPassword(text)) {
        return std::string(text);
    }
    std::string masked;
    masked.reserve(text.size());
    std::size_t i = 0;
    bool maskNext = false;
    while (i < text.size()) {
        if (IsSeparator(text[i])) {
            masked.push_back(text[i++]);
            continue;
        }
        const std::size_t end = WordEnd(text, i);
        const std::string_view word = text.substr(i, end - i);
        if (maskNext && word.substr(0, kPasswordMask.size()) != kPasswordMask) {
            masked.append(kPasswordMask);
        } else {
            masked.append(word);
        }
        maskNext = !maskNext && IsPasswordOption(word);
        i = end;
    }
    return masked;
}

} // namespace ob::common
