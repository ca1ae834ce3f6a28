#include "mail/address.h"

#include <algorithm>

namespace ob::mail {
namespace {

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Characters of an unquoted local part (RFC 5322 atext), the dot, the "@" and the
// characters of domain literals ("[192.0.2.1]", "[IPv6:::1]").
bool IsAddressChar(char c) {
    return IsAlnum(c) ||
           std::string_view(".@!#$%&'*+-/=?^_`{|}~[]:").find(c) != std::string_view::npos;
}

bool IsHostChar(char c) {
    return IsAlnum(c) || c == '-' || c == '.' || c == '_' || c == ':';
}

} // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

Code ValidateAddress(std::string_view entry) {
    entry = Trim(entry);
    if (entry.empty()) {
        return Code::EmptyAddress;
    }
    const auto ats = std::count(entry.begin(), entry.end(), '@');
    if (ats == 0) {
        return Code::MissingAt;
    }
    if (ats > 1) {
        return Code::TooManyAt;
    }
    const auto open = entry.find('<');
    if (open == std::string_view::npos) {
        return Code::MissingOpenBracket;
    }
    const auto close = entry.find('>', open);
    if (close == std::string_view::npos) {
        return Code::MissingCloseBracket;
    }
    if (entry.find('>') < open || entry.find('>', close + 1) != std::string_view::npos) {
        return Code::StrayCloseBracket;
    }
    const auto inner = entry.substr(open + 1, close - open - 1);
    if (inner.find('@') == std::string_view::npos) {
        return Code::MissingAt;
    }
    if (!std::all_of(inner.begin(), inner.end(), IsAddressChar)) {
        return Code::BadAddressCharacter;
    }
    return Code::Ok;
}

std::string_view AngleAddress(std::string_view entry) {
    entry = Trim(entry);
    const auto open = entry.find('<');
    if (open == std::string_view::npos) {
        return entry;
    }
    const auto close = entry.find('>', open);
    return entry.substr(open, close == std::string_view::npos ? close : close - open + 1);
}

std::vector<std::string_view> SplitList(std::string_view list) {
    std::vector<std::string_view> entries;
    while (!list.empty()) {
        const auto end = list.find(';');
        const auto entry = Trim(list.substr(0, end));
        if (!entry.empty()) {
            entries.push_back(entry);
        }
        if (end == std::string_view::npos) {
            break;
        }
        list.remove_prefix(end + 1);
    }
    return entries;
}

Code ValidateServerName(std::string_view server) {
    if (server.empty()) {
        return Code::ServerNotSpecified;
    }
    return std::all_of(server.begin(), server.end(), IsHostChar) ? Code::Ok
                                                                 : Code::IllegalServerName;
}

std::string HeloDomain(std::string_view sender) {
    const auto at = sender.find('@');
    if (at != std::string_view::npos) {
        auto domain = sender.substr(at + 1);
        domain = domain.substr(0, domain.find('>'));
        domain = Trim(domain);
        if (!domain.empty()) {
            return std::string(domain);
        }
    }
    return "localhost";
}

} // namespace ob::mail
