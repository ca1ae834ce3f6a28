// Where the web dashboard listens: "ADDRESS:PORT", "[IPv6]:PORT" or a bare PORT,
// which means the loopback address 127.0.0.1. A name ("localhost") is looked up by
// the server when it binds. Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ob::web {

struct WebEndpoint {
    std::string host; ///< without brackets
    std::uint16_t port = 0;

    bool operator==(const WebEndpoint&) const = default;
};

/// The endpoint written in `text`; nothing when it is not one of the forms above
/// or the port is not a whole number 0..65535 (0: any free port).
std::optional<WebEndpoint> ParseWebAddress(std::string_view text);

/// "host:port", or "[host]:port" for an IPv6 address.
std::string FormatWebAddress(const WebEndpoint& endpoint);

} // namespace ob::web
