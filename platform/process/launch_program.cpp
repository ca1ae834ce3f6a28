#include "platform/process/launch_program.h"

#include "platform/env/environment.h"
#include "platform/error/win_error.h"
#include "platform/process/command_line.h"
#include "platform/process/resolve_program.h"
#include "platform/process/spawn_child.h"

#include <sys/types.h>

namespace ob::process {

bool PrepareCommand(const std::string& commandLine, ProgramCommand& command, std::uint32_t& error) {
    error = 0;
    command = ProgramCommand{};
    const std::string word = ProgramWord(commandLine);
    if (word.empty()) {
        return false;
    }
    command.arguments = SplitCommandLine(commandLine);
    if (command.arguments.empty()) {
        return false;
    }
    std::string application = NormaliseProgramPath(word);
    if (application.size() >= kMaxProgramWord) {
        // Windows then has no application name and no file it could find.
        error = 206;
        return false;
    }
    ResolveProgram(application);
    command.application = std::move(application);
    return true;
}

void FinishLaunch(std::uint32_t flags, ChildProcess& child, LaunchOutcome& outcome) {
    outcome.success = true;
    if ((flags & CP_ASYNC) != 0) {
        child.Release(); // CP_WAIT_IDLE: there is no input-idle state to wait for
        return;
    }
    outcome.exitCode = child.Wait();
}

void LaunchProgram(std::uint32_t flags, const std::string& commandLine, LaunchOutcome& outcome) {
    ProgramCommand command;
    std::uint32_t error = 0;
    if (!PrepareCommand(commandLine, command, error)) {
        if (error != 0) {
            outcome.Fail(error);
        } else {
            outcome.success = false;
        }
        return;
    }
    SpawnRequest request;
    request.path = command.application;
    request.arguments = std::move(command.arguments);
    request.environment = env::Block();
    request.detach = (flags & CP_DETACH) != 0;
    pid_t pid = 0;
    error = SpawnChild(request, pid);
    if (error != 0) {
        outcome.Fail(error);
        return;
    }
    ChildProcess child(pid);
    FinishLaunch(flags, child, outcome);
}

} // namespace ob::process
