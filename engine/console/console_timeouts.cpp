#include "engine/console/console_timeouts.h"

#include "engine/session/seconds_setting.h"

namespace ob::engine {

ConsoleTimeouts ConsoleTimeoutSettings() {
    ConsoleTimeouts timeouts;
    timeouts.login =
        SecondsSetting("Communication", "cs_login_timeout", ConsoleTimeouts::kDefaultLogin);
    timeouts.idle =
        SecondsSetting("Communication", "cs_idle_timeout", ConsoleTimeouts::kDefaultIdle);
    return timeouts;
}

Expiry CheckExpiry(const ConsoleConnection& c, const ConsoleTimeouts& timeouts,
                   std::chrono::steady_clock::time_point now) {
    if (c.loginState != kLoggedIn) {
        // Counted from the connection, not from the last byte: a client that types
        // slowly, or fails and tries again, cannot hold a slot without logging in.
        return timeouts.login.count() > 0 && now - c.connectedAt >= timeouts.login ? Expiry::kLogin
                                                                                   : Expiry::kNone;
    }
    return timeouts.idle.count() > 0 && now - c.lastActivity >= timeouts.idle ? Expiry::kIdle
                                                                              : Expiry::kNone;
}

std::string ExpiryNotice(Expiry expiry, const ConsoleTimeouts& timeouts) {
    if (expiry == Expiry::kLogin) {
        return "\r\nLogin timed out after " + std::to_string(timeouts.login.count()) +
               " seconds.\r\n";
    }
    return "\r\nIdle for " + std::to_string(timeouts.idle.count()) +
           " seconds: connection closed.\r\n";
}

} // namespace ob::engine
