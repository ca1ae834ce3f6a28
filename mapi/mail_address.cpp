#include "mapi/mail_address.h"

#include "platform/text/ascii_case.h"

#include <cstring>

namespace ob::mapi {
namespace {

constexpr std::size_t kMaxLocalPart = 64;
constexpr std::size_t kMaxLabel = 63;

bool IsAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

/// RFC 5322 atext.
bool IsAtext(char c) {
    return IsAlnum(c) || (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool IsPrintable(char c) {
    return c >= 0x20 && c <= 0x7E;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/// The input less blanks around it, and the offset of what is kept.
std::string_view Trim(std::string_view text, std::size_t& offset) {
    offset = 0;
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
        ++offset;
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

AddressParse Refuse(std::size_t at, std::string reason) {
    AddressParse result;
    result.errorAt = at;
    result.reason = std::move(reason);
    return result;
}

/// The reason a character cannot stand where it is.
std::string BadCharacter(char c) {
    if (c == '\r' || c == '\n') {
        return "a line break";
    }
    if (!IsPrintable(c)) {
        return "a control or non-ASCII character";
    }
    return std::string("the character '") + c + "' where it cannot stand";
}

/// Checks a dot-atom (local part or host name); the offset of the first fault, or
/// npos.
std::size_t CheckDotAtom(std::string_view text, bool hostName, std::string& reason) {
    std::size_t labelStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            const std::size_t length = i - labelStart;
            if (length == 0) {
                reason = "an empty part between dots";
                return i;
            }
            if (hostName && (text[labelStart] == '-' || text[i - 1] == '-')) {
                reason = "a host name part that begins or ends with '-'";
                return text[labelStart] == '-' ? labelStart : i - 1;
            }
            if (hostName && length > kMaxLabel) {
                reason = "a host name part longer than 63 characters";
                return labelStart;
            }
            labelStart = i + 1;
            continue;
        }
        const char c = text[i];
        if (hostName ? !(IsAlnum(c) || c == '-') : !IsAtext(c)) {
            reason = BadCharacter(c);
            return i;
        }
    }
    return std::string_view::npos;
}

/// Checks a quoted local part ("..." with backslash escapes); npos when sound.
std::size_t CheckQuoted(std::string_view text, std::string& reason) {
    if (text.size() < 2 || text.back() != '"') {
        reason = "an unterminated quoted string";
        return text.size();
    }
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (!IsPrintable(c)) {
            reason = BadCharacter(c);
            return i;
        }
        if (c == '\\') {
            ++i;
            if (i + 1 >= text.size() || !IsPrintable(text[i])) {
                reason =
                    i + 1 >= text.size() ? "an unterminated quoted string" : BadCharacter(text[i]);
                return i;
            }
        } else if (c == '"') {
            reason = "a quote inside a quoted string";
            return i;
        }
    }
    return std::string_view::npos;
}

/// Checks a bracketed domain literal; npos when sound.
std::size_t CheckLiteral(std::string_view text, std::string& reason) {
    if (text.size() < 3 || text.back() != ']') {
        reason = "an unterminated address literal";
        return text.size();
    }
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (!IsPrintable(c) || c == '[' || c == ']' || c == '\\' || c == ' ') {
            reason = BadCharacter(c);
            return i;
        }
    }
    return std::string_view::npos;
}

/// The '@' that separates local part from domain (outside a quoted local part), or
/// npos.
std::size_t FindAt(std::string_view text) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (quoted && text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == '@' && !quoted) {
            return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

AddressParse ParseAddress(std::string_view input) {
    std::size_t offset = 0;
    const std::string_view text = Trim(input, offset);
    if (text.empty()) {
        return Refuse(offset, "an empty address");
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            return Refuse(offset + i, "a line break");
        }
    }
    if (text.size() > kMaxAddress) {
        return Refuse(offset + kMaxAddress, "more than 254 characters");
    }
    const std::size_t at = FindAt(text);
    const std::string_view local = text.substr(0, at);
    std::string reason;
    if (local.size() > kMaxLocalPart) {
        return Refuse(offset + kMaxLocalPart, "a part before '@' longer than 64 characters");
    }
    const std::size_t localFault = !local.empty() && local.front() == '"'
                                       ? CheckQuoted(local, reason)
                                       : CheckDotAtom(local, false, reason);
    if (localFault != std::string_view::npos) {
        return Refuse(offset + localFault, reason);
    }
    if (at != std::string_view::npos) {
        const std::string_view domain = text.substr(at + 1);
        const std::size_t domainStart = offset + at + 1;
        if (domain.empty()) {
            return Refuse(domainStart, "no domain after '@'");
        }
        const std::size_t domainFault = domain.front() == '[' ? CheckLiteral(domain, reason)
                                                              : CheckDotAtom(domain, true, reason);
        if (domainFault != std::string_view::npos) {
            return Refuse(domainStart + domainFault, reason);
        }
    }
    AddressParse result;
    result.ok = true;
    result.address = std::string(text);
    return result;
}

AddressParse ParseRecipientAddress(std::string_view input) {
    std::size_t offset = 0;
    const std::string_view text = Trim(input, offset);
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && !text.empty() && text.front() != '"' &&
        text.find('@') > colon) {
        if (!text::EqualsIgnoringCase(text.substr(0, colon), "SMTP")) {
            return Refuse(offset, "an address type other than SMTP");
        }
        AddressParse result = ParseAddress(text.substr(colon + 1));
        result.errorAt += offset + colon + 1;
        return result;
    }
    AddressParse result = ParseAddress(text);
    result.errorAt += offset;
    return result;
}

AddressParse ParseMailbox(std::string_view input) {
    std::size_t offset = 0;
    const std::string_view text = Trim(input, offset);
    const std::size_t open = text.rfind('<');
    if (text.empty() || text.back() != '>' || open == std::string_view::npos) {
        return ParseRecipientAddress(input);
    }
    std::size_t nameOffset = 0;
    std::string_view rawName = Trim(text.substr(0, open), nameOffset);
    std::string name;
    const bool quoted = rawName.size() >= 2 && rawName.front() == '"' && rawName.back() == '"';
    if (quoted) {
        rawName = rawName.substr(1, rawName.size() - 2);
        ++nameOffset;
    }
    for (std::size_t i = 0; i < rawName.size(); ++i) {
        char c = rawName[i];
        if (quoted && c == '\\' && i + 1 < rawName.size()) {
            c = rawName[++i];
        } else if (quoted && c == '"') {
            return Refuse(offset + nameOffset + i, "a quote inside a quoted name");
        }
        // A name may hold UTF-8; it is encoded for the header. Controls may not.
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return Refuse(offset + nameOffset + i, BadCharacter(c));
        }
        name += c;
    }
    AddressParse result = ParseRecipientAddress(text.substr(open + 1, text.size() - open - 2));
    if (!result.ok) {
        result.errorAt += offset + open + 1;
        return result;
    }
    result.name = std::move(name);
    return result;
}

} // namespace ob::mapi
