// The console's login check: the user name and password a client typed are
// checked against the local accounts (a batch logon) and the account must be an
// administrator (root or a member of the group named by `cs_admin_group`).
//
// PAM may sleep for seconds after a wrong password, so the check runs on a
// short-lived worker thread, never on the engine thread. The worker writes the
// outcome into a LogonAttempt shared with the connection slot and posts
// EM_CONSOLE_LOGON to the engine thread, which then finishes the login there. A
// slot closed meanwhile simply drops its reference; the worker's post then finds
// nothing waiting for it.
#pragma once

#include "platform/msg/message.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ob::engine {

/// What a login check found.
struct LogonOutcome {
    std::uint32_t error = 0;    ///< 0 when the password was right, else a Windows error code
    bool administrator = false; ///< meaningful when error is 0
};

/// An account check: user, password, administrator group ("" = the default).
/// Called on a worker thread.
using LogonCheck = std::function<LogonOutcome(const std::string& user, const std::string& password,
                                              const std::string& adminGroup)>;

/// The check against PAM (LogonUser with a batch logon on ".", then IsAdministrator).
LogonOutcome PamLogonCheck(const std::string& user, const std::string& password,
                           const std::string& adminGroup);

/// One check in flight.
struct LogonAttempt {
    std::atomic<bool> done{false};
    LogonOutcome outcome; ///< written by the worker before `done`
};

/// Most checks in flight in the process. Clients that connect, send a password
/// and hang up again and again would otherwise pile up sleeping workers.
inline constexpr int kMaxLogonWorkers = 16;

/// Starts `check` on a detached worker thread. When it returns, the outcome is
/// stored, `done` set, and EM_CONSOLE_LOGON posted to `engineThread` with
/// `connection`. Returns null when no thread could be started or
/// kMaxLogonWorkers are already running.
std::shared_ptr<LogonAttempt> StartLogon(const LogonCheck& check, std::string user,
                                         std::string password, std::string adminGroup,
                                         msg::ThreadId engineThread, std::size_t connection);

/// The administrator group setting: `cs_admin_group` in "Communication"
/// (persistent), or "" for the default.
std::string AdminGroupSetting();

} // namespace ob::engine
