// Running the command-line tools of a job queue (at, atq, atrm, sbatch, squeue,
// scancel): found along PATH, given the caller's input, answered with their exit
// status and what they wrote. The caller's thread; a call blocks until the tool ends
// or its time is up.
#pragma once

#include "OBCoreLib/at/job_queue.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ob::at {

/// How long one tool may take before it is killed.
inline constexpr std::chrono::seconds kToolTimeLimit{60};
/// Output kept of one tool (standard output and error together).
inline constexpr std::size_t kMaxToolOutput = std::size_t{16} << 20;

struct ToolRun {
    bool exitedZero = false; ///< ran and ended with status 0
    std::string output;      ///< standard output and error together
    std::string failure;     ///< why it did not exit 0, for reports
};

/// Runs `tool` with `arguments` (without argv[0]) and `input` on its standard input.
/// Its environment is the environment table with `environment` ("NAME=value")
/// replacing or adding variables.
ToolRun RunQueueTool(const std::string& tool, const std::vector<std::string>& arguments,
                     std::string_view input, const std::vector<std::string>& environment);

/// QueueFailed with the tool's failure and the start of what it said.
AtStatus ToolFailure(const ToolRun& run);

} // namespace ob::at
