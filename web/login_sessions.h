// The dashboard's logged-in browsers. A log-in gets a random session token (the
// cookie) and a random CSRF token that every writing request must carry. Sessions
// end after 30 minutes without a request, 12 hours after the log-in, on log-out, or
// when more than kMaxSessions are open (the least recently used goes first).
// Thread-safe: every member takes the object's mutex. Times are passed in, so that
// tests choose them.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ob::web {

using SteadyTime = std::chrono::steady_clock::time_point;

struct Login {
    std::string user;
    std::string csrfToken;
};

class LoginSessions {
public:
    static constexpr std::size_t kMaxSessions = 256;
    static constexpr std::chrono::minutes kIdleLimit{30};
    static constexpr std::chrono::hours kLifetime{12};

    /// Opens a session for `user`; returns its token. An empty text when the
    /// system's random source failed (no session is opened then).
    std::string Open(const std::string& user, SteadyTime now);
    /// The session of `token` when it is open and not past its limits; a found
    /// session counts as used at `now`.
    std::optional<Login> Find(std::string_view token, SteadyTime now);
    void Close(std::string_view token);
    std::size_t Size();

private:
    struct Entry {
        Login login;
        SteadyTime opened;
        SteadyTime lastUsed;
    };
    void DropOldest();

    std::mutex mutex_;
    std::unordered_map<std::string, Entry> sessions_;
};

/// A token of 32 random bytes from the kernel's source, in hexadecimal; empty when
/// the source failed.
std::string RandomToken();

/// Compares two secrets in time that depends on their lengths only.
bool SecretsEqual(std::string_view a, std::string_view b);

} // namespace ob::web
