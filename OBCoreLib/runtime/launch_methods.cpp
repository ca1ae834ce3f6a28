#include "OBCoreLib/runtime/launch_methods.h"

#include "OBCoreLib/runtime/thread_identity.h"

#include "platform/process/launch_program.h"
#include "platform/process/launch_shell.h"

namespace ob::corelib {

I4Result LaunchResult(std::uint32_t flags, const process::LaunchOutcome& outcome) {
    if (!outcome.success) {
        return {HResult::False, -1};
    }
    if ((flags & process::CP_ASYNC) != 0) {
        return {HResult::Ok, 0};
    }
    return {HResult::Ok, outcome.exitCode};
}

I4Result CreateProcess(std::uint32_t flags, const std::string& commandLine) {
    const SuspendedImpersonation ownIdentity;
    process::LaunchOutcome outcome;
    process::LaunchProgram(flags, commandLine, outcome);
    return LaunchResult(flags, outcome);
}

I4Result ShellExecute(std::uint32_t flags, const std::string& verb, const std::string& file,
                      const std::string& parameters) {
    const SuspendedImpersonation ownIdentity;
    process::LaunchOutcome outcome;
    process::LaunchShell(flags, verb, file, parameters, outcome);
    return LaunchResult(flags, outcome);
}

} // namespace ob::corelib
