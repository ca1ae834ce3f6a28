#include "web/web_address.h"

#include <charconv>

namespace ob::web {
namespace {

constexpr const char* kLoopback = "127.0.0.1";

std::optional<std::uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::optional<WebEndpoint> ParseWebAddress(std::string_view text) {
    std::string_view host;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find("]:");
        if (close == std::string_view::npos || close == 1) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        // An IPv6 address needs its brackets; a name or IPv4 address has no colon.
        if (host.empty() || host.find(':') != std::string_view::npos) {
            return std::nullopt;
        }
    }
    if (host.find_first_of(" \t[]/") != std::string_view::npos) {
        return std::nullopt;
    }
    const auto number = ParsePort(port);
    if (!number) {
        return std::nullopt;
    }
    return WebEndpoint{host.empty() ? std::string(kLoopback) : std::string(host), *number};
}

std::string FormatWebAddress(const WebEndpoint& endpoint) {
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + std::to_string(endpoint.port);
}

} // namespace ob::web
