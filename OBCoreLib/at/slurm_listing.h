// Reading what Slurm's tools answer: the job id that `sbatch --parsable` prints and
// the lines of `squeue --noheader --Format=JobID:|,EligibleTime:|,State:|,Comment:0`
// (id, the time the job may start, which is its begin time until it runs, state,
// comment), run with SLURM_TIME_FORMAT=standard. The eligible time, not the start
// time: squeue says N/A as the start of a pending job the scheduler has not looked
// at yet. Pure functions; any thread. Unreadable lines are skipped.
#pragma once

#include "platform/time/ole_date.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::at {

/// The format squeue is asked for.
inline constexpr std::string_view kSqueueFormat = "JobID:|,EligibleTime:|,State:|,Comment:0";

struct SqueueEntry {
    std::uint32_t id = 0;
    std::optional<datetime::OleDate> start; ///< eligible time; none when N/A
    std::string state;                      ///< PENDING, RUNNING, FAILED ...
    std::string comment;
};

std::vector<SqueueEntry> ParseSqueueListing(std::string_view text);

/// The job id of sbatch's answer "ID" or "ID;CLUSTER" (its last non-empty line;
/// warnings may come before it).
std::optional<std::uint32_t> ParseSbatchJobId(std::string_view output);

/// "2026-12-09T14:30:00" as a local date; invalid when it is not one.
datetime::OleDate ParseSlurmTime(std::string_view text);

/// True for the states of a job whose run failed (FAILED, TIMEOUT, NODE_FAIL,
/// OUT_OF_MEMORY, BOOT_FAIL, DEADLINE).
bool FailedState(std::string_view state);

} // namespace ob::at
