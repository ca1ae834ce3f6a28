// Launching a program from a command line, for "-spawn" and the automation
// library's CreateProcess. Any thread; a waited launch blocks the caller until the
// program ends.
//
// The program word (found as the engine's tokeniser finds it: an unquoted comma
// ends it) is normalised (NormaliseProgramPath) and resolved (ResolveProgram); a
// word of 260 characters or more, or one that the search does not find, is
// executed as it stands. The argument vector is the whole command line split by
// the C runtime's rules (SplitCommandLine). The child gets the environment table
// (ob::env::Block()), this process's current directory and the rest of
// SpawnChild's set-up; CP_DETACH starts it in a new session. CP_HIDE, CP_MINIMIZE
// and CP_WAIT_IDLE have no meaning for a Linux program and change nothing.
// Without CP_ASYNC the launch waits without limit and reports the exit code; with
// it the child goes to the background reaper (child_reaper.h), so it never
// remains a zombie.
#pragma once

#include "platform/export.h"
#include "platform/process/child_process.h"
#include "platform/process/launch_flags.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ob::process {

/// Program words this long or longer are not resolved (206 "too long" when exec
/// refuses them).
inline constexpr std::size_t kMaxProgramWord = 260;

/// What a command line asks to execute.
struct ProgramCommand {
    std::string application; ///< resolved path, or the normalised word; empty: none
    std::vector<std::string> arguments;
};

/// Splits a command line and resolves its program; false when the line holds no
/// word or the program word is too long to be a file name (`error` then holds
/// the code, 0 for an empty line).
OB_PLATFORM_API bool PrepareCommand(const std::string& commandLine, ProgramCommand& command,
                                    std::uint32_t& error);

/// Waits for `child` (without CP_ASYNC, exit code into `outcome`) or releases it.
OB_PLATFORM_API void FinishLaunch(std::uint32_t flags, ChildProcess& child, LaunchOutcome& outcome);

/// Launches a command line; `outcome` as in launch_flags.h.
OB_PLATFORM_API void LaunchProgram(std::uint32_t flags, const std::string& commandLine,
                                   LaunchOutcome& outcome);

} // namespace ob::process
