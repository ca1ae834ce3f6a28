#include "OBCoreLib/at/queue_tool.h"

#include "platform/env/environment.h"
#include "platform/process/piped_child.h"
#include "platform/process/resolve_program.h"

#include <cstring>

namespace ob::at {
namespace {

std::string_view NameOf(std::string_view assignment) {
    return assignment.substr(0, assignment.find('='));
}

std::vector<std::string> ToolEnvironment(const std::vector<std::string>& overrides) {
    std::vector<std::string> block = env::Block();
    for (const std::string& assignment : overrides) {
        std::erase_if(block, [&](const std::string& existing) {
            return NameOf(existing) == NameOf(assignment);
        });
        block.push_back(assignment);
    }
    return block;
}

} // namespace

ToolRun RunQueueTool(const std::string& tool, const std::vector<std::string>& arguments,
                     std::string_view input, const std::vector<std::string>& environment) {
    ToolRun run;
    process::SpawnRequest request;
    request.path = process::FindOnSearchPath(tool);
    if (request.path.empty()) {
        run.failure = tool + ": not found along PATH";
        return run;
    }
    request.arguments.push_back(tool);
    request.arguments.insert(request.arguments.end(), arguments.begin(), arguments.end());
    request.environment = ToolEnvironment(environment);

    process::PipedChild child(kMaxToolOutput);
    if (const int error = child.Start(request); error != 0) {
        run.failure = tool + ": " + std::strerror(error);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + kToolTimeLimit;
    if (!input.empty() && !child.Write(input, deadline)) {
        // A tool that stopped reading may still say why: collect its answer.
        run.failure = tool + ": its input could not be written";
    }
    const process::PipedExit exit = child.Finish(deadline);
    run.output = child.Output();
    if (exit == process::PipedExit::Exited && child.Status() == 0 && run.failure.empty()) {
        run.exitedZero = true;
    } else if (run.failure.empty()) {
        run.failure = tool + (exit == process::PipedExit::TimedOut ? ": timed out"
                              : exit == process::PipedExit::Exited
                                  ? ": exit status " + std::to_string(child.Status())
                                  : ": ended abnormally");
    }
    return run;
}

AtStatus ToolFailure(const ToolRun& run) {
    std::string detail = run.failure;
    if (!run.output.empty()) {
        detail += ": " + run.output.substr(0, 512);
    }
    return AtStatus::Failed(AtFailure::QueueFailed, std::move(detail));
}

} // namespace ob::at
