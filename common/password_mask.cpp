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

// The runtime object's methods that take a password, and which argument it is
// (counted from 0). Refused methods are here too: their statements are shown
// like any other.
struct PasswordArgument {
    std::string_view method;
    std::size_t index;
};
constexpr PasswordArgument kPasswordArguments[] = {
    {"LogonUser", 2},
    {"CreateProcessAsUser", 3},
    {"NetCreateProcessAsUser", 3},
    {"NetScheduleJobAddAsUser", 3},
    {"FtpConnect", 3},
};

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Which password argument the identifier `name` takes; npos for other names.
std::size_t PasswordIndex(std::string_view name) {
    for (const PasswordArgument& known : kPasswordArguments) {
        if (EqualsIgnoringCase(name, known.method)) {
            return known.index;
        }
    }
    return std::string_view::npos;
}

struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The argument `index` of the call whose arguments start at `at` (after the name),
// in parentheses or, as a call statement, up to the end of the line or a ':'.
// Arguments are split at commas outside string literals ("..." with "" inside) and
// nested parentheses; the span leaves out surrounding blanks. An empty span when
// there is no such argument.
Span ArgumentSpan(std::string_view text, std::size_t at, std::size_t index) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    const bool parenthesised = at < text.size() && text[at] == '(';
    if (parenthesised) {
        ++at;
    }
    std::size_t argument = 0;
    std::size_t start = at;
    int depth = 0;
    bool quoted = false;
    std::size_t i = at;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                ++i;
            } else if (c == '"') {
                quoted = false;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if (depth == 0 &&
                   (c == ')' || c == '\r' || c == '\n' || (c == ':' && !parenthesised))) {
            break;
        } else if (depth == 0 && c == ',') {
            if (argument == index) {
                break;
            }
            ++argument;
            start = i + 1;
        }
    }
    if (argument != index) {
        return {};
    }
    Span span{start, i};
    while (span.begin < span.end && (text[span.begin] == ' ' || text[span.begin] == '\t')) {
        ++span.begin;
    }
    while (span.end > span.begin && (text[span.end - 1] == ' ' || text[span.end - 1] == '\t')) {
        --span.end;
    }
    return span;
}

// Masks the password argument of every call of a method in kPasswordArguments.
std::string MaskPasswordArguments(std::string text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (!IsIdentifierChar(text[i]) || (i > 0 && IsIdentifierChar(text[i - 1]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && IsIdentifierChar(text[end])) {
            ++end;
        }
        // Methods are always called on an object: `OBCtrl.LogonUser(...)`.
        const bool method = i > 0 && text[i - 1] == '.';
        const std::string_view name = std::string_view(text).substr(i, end - i);
        std::size_t index = method ? PasswordIndex(name) : std::string_view::npos;
        std::size_t at = end;
        if (method && index == std::string_view::npos && EqualsIgnoringCase(name, "Password")) {
            // The Password property of the FTP and e-mail objects: `ftp.Password = p`.
            while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
                ++at;
            }
            if (at < text.size() && text[at] == '=') {
                index = 0;
                ++at;
            }
        }
        i = end;
        if (index == std::string_view::npos) {
            continue;
        }
        const Span span = ArgumentSpan(text, at, index);
        if (span.begin < span.end &&
            std::string_view(text).substr(span.begin, span.end - span.begin) != kPasswordMask) {
            text.replace(span.begin, span.end - span.begin, kPasswordMask);
            i = span.begin + kPasswordMask.size();
        }
    }
    return text;
}

} // namespace

std::string MaskPasswords(std::string_view text) {
    if (!MentionsPassword(text)) {
        return MaskPasswordArguments(std::string(text));
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
    return MaskPasswordArguments(std::move(masked));
}

} // namespace ob::common
