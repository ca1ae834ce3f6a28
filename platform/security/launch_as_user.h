// Launching a command line as another account (for "-spawn -user" and the
// automation library's CreateProcessAsUser). Any thread; waits for PAM, and for
// the program without CP_ASYNC.
//
// CP_NTI refuses at once, without an error code. The command line is split and
// its program resolved as launch_program.h does; the account is logged on with
// PAM (logon type 2, or 11 with CP_NET_CREDENTIALS_ONLY), granted the interactive
// desktop (desktop_access.h), and the child runs with the account's uid, gid and
// supplementary groups and the engine's environment. With CP_PROFILE, or when that
// direct start fails, the launch goes through LogonLaunch with a PAM session
// instead. Starting a program as someone else needs root; otherwise the start
// fails with "access denied". Waiting and releasing as in LaunchProgram.
#pragma once

#include "platform/export.h"
#include "platform/process/child_process.h"
#include "platform/process/launch_flags.h"
#include "platform/process/launch_program.h"
#include "platform/security/logon.h"

#include <string>

namespace ob::security {

/// Starts a prepared command as the account: directly with `token`'s ids when there
/// is a token and CP_PROFILE is not set; otherwise, or when that start fails,
/// through LogonLaunch (CP_PROFILE: with the account's profile; CP_NET_CREDENTIALS_ONLY:
/// network credentials only). CP_DETACH starts it in a new session. 0 with `child`
/// set, else the Windows error code.
OB_PLATFORM_API std::uint32_t StartAsAccount(std::uint32_t flags, const Token* token,
                                             const std::string& user, const std::string& domain,
                                             const std::string& password,
                                             process::ProgramCommand command,
                                             process::ChildProcess& child);

/// `domain` empty counts as absent (this machine).
OB_PLATFORM_API void LaunchAsUser(std::uint32_t flags, const std::string& user,
                                  const std::string& domain, const std::string& password,
                                  const std::string& commandLine, process::LaunchOutcome& outcome);

} // namespace ob::security
