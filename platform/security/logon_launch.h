// Starting a program for an account after logging it on (the launch that loads
// the account's profile). Any thread; PAM modules may sleep.
//
// The account is checked through PAM (logon.h). With LOGON_WITH_PROFILE a full PAM
// session is opened (pam_setcred, pam_open_session) and the child's environment
// is the engine's, with HOME, USER, LOGNAME and SHELL of the account and then the
// session's variables (pam_getenvlist) over it; the session is closed once the
// child has been collected (by a waiting caller, or by the background reaper).
// Without it the child gets the engine's environment. The child runs with the
// account's uid, gid and supplementary groups (spawn_child.h).
#pragma once

#include "platform/export.h"
#include "platform/process/child_process.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::security {

inline constexpr std::uint32_t LOGON_WITH_PROFILE = 1;
/// Network credentials only: the password is checked the same way; a Linux child
/// has no separate network identity, so the launch is otherwise unchanged.
inline constexpr std::uint32_t LOGON_NETCREDENTIALS_ONLY = 2;

struct LogonLaunchRequest {
    std::string domain;
    std::string user;
    std::string password;
    std::uint32_t logonFlags = 0;
    std::string application;            ///< the program file
    std::vector<std::string> arguments; ///< argv
    bool detach = false;                ///< new session (setsid)
};

/// 0 with `child` set, else the Windows error code.
OB_PLATFORM_API std::uint32_t LogonLaunch(const LogonLaunchRequest& request,
                                          process::ChildProcess& child);

} // namespace ob::security
