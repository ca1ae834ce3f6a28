// The dashboard's log-in rate limit. A client address that failed kMaxFailures
// times within kWindow is refused until the oldest of those failures is kWindow
// old; a successful log-in clears its failures. At most kMaxChecks password checks
// run at once in the process (PAM sleeps after a wrong password, and every check
// holds a server thread). Thread-safe; times are passed in.
#pragma once

#include "web/login_sessions.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ob::web {

enum class LoginAdmission {
    Admitted, ///< go ahead; call Finish afterwards
    TooManyFailures,
    TooManyChecks,
};

class LoginLimiter {
public:
    static constexpr std::size_t kMaxFailures = 5;
    static constexpr std::chrono::minutes kWindow{5};
    static constexpr int kMaxChecks = 4;
    /// Addresses remembered at most; past that the one failing longest ago is forgotten.
    static constexpr std::size_t kMaxAddresses = 4096;

    /// Whether `address` may try a password now; on Admitted a check slot is taken.
    [[nodiscard]] LoginAdmission Admit(const std::string& address, SteadyTime now);
    /// Gives the slot back and records the outcome of the check.
    void Finish(const std::string& address, bool succeeded, SteadyTime now);
    /// Seconds until `address` may try again (0 when it may now).
    std::chrono::seconds RetryAfter(const std::string& address, SteadyTime now);

private:
    void Forget(SteadyTime now);

    std::mutex mutex_;
    int checks_ = 0;
    std::unordered_map<std::string, std::deque<SteadyTime>> failures_;
};

} // namespace ob::web
