// CreateProcess and ShellExecute: the launches of "-spawn" (platform/process) with
// the script's CP flags. A program waited for gives its exit code, an asynchronous
// one 0, a failed launch -1 with S_FALSE. Programs start with the process's
// identity even while the thread impersonates. Thread of the calling script.
#pragma once

#include "OBCoreLib/automation/automation_object.h"

#include "platform/process/launch_flags.h"

#include <string>

namespace ob::corelib {

I4Result CreateProcess(std::uint32_t flags, const std::string& commandLine);

/// `verb` and `parameters` empty: absent.
I4Result ShellExecute(std::uint32_t flags, const std::string& verb, const std::string& file,
                      const std::string& parameters);

/// The result of a finished launch as the launch methods answer it.
I4Result LaunchResult(std::uint32_t flags, const process::LaunchOutcome& outcome);

} // namespace ob::corelib
