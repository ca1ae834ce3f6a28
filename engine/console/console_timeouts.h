// The console's time-outs, which keep its four slots from being held for ever:
// a connection that has not logged in within `cs_login_timeout` seconds of
// connecting (default 60), and a logged-in one that has neither sent nor taken a
// byte for `cs_idle_timeout` seconds (default 1800), is told why and closed.
// Both are read like the other console settings (section "Communication",
// environment first, then the store), each time a client connects; 0 turns a
// time-out off. Times are monotonic, so a change of the wall clock closes nothing.
#pragma once

#include "engine/console/console_connection.h"

#include <chrono>
#include <string>

namespace ob::engine {

struct ConsoleTimeouts {
    static constexpr std::chrono::seconds kDefaultLogin{60};
    static constexpr std::chrono::seconds kDefaultIdle{30 * 60};

    std::chrono::seconds login = kDefaultLogin;
    std::chrono::seconds idle = kDefaultIdle;
};

/// The settings read now.
ConsoleTimeouts ConsoleTimeoutSettings();

/// Why a connection has run out of time; kNone while it may stay.
enum class Expiry { kNone, kLogin, kIdle };

/// Whether connection `c` has run out of time at `now`.
[[nodiscard]] Expiry CheckExpiry(const ConsoleConnection& c, const ConsoleTimeouts& timeouts,
                                 std::chrono::steady_clock::time_point now);

/// The line the client is sent before it is closed for `expiry` (not kNone).
std::string ExpiryNotice(Expiry expiry, const ConsoleTimeouts& timeouts);

} // namespace ob::engine
