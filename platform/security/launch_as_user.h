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
#include "platform/process/launch_flags.h"

#include <string>

namespace ob::security {

/// `domain` empty counts as absent (this machine).
OB_PLATFORM_API void LaunchAsUser(std::uint32_t flags, const std::string& user,
                                  const std::string& domain, const std::string& password,
                                  const std::string& commandLine, process::LaunchOutcome& outcome);

} // namespace ob::security
