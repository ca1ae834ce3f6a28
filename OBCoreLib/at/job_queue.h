// A job queue that AT jobs are placed in: the local atd, or a Slurm partition.
// Each run of a job is one one-time job of the queue; the queue hands records back
// with their next run and with the tag fields (flags, masks, command) of our jobs.
// The caller's thread; every call runs the queue's tools and may block for seconds.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ob::at {

enum class AtFailure {
    None,
    Unreachable,   ///< the machine name is not "." or "" and names no cluster
    BadExpression, ///< the cron expression cannot be turned into a job
    BadCommand,    ///< the command line holds no program
    BadTime,       ///< the job time is not below a day, or no run falls in range
    NoSuchJob,     ///< no job with the id, or none in the range
    QueueFailed,   ///< a tool of the queue failed or answered what we cannot read
    OutOfAttempts, ///< NetCreateProcess found no run for today
};

struct [[nodiscard]] AtStatus {
    AtFailure failure = AtFailure::None;
    std::string detail; ///< what went wrong, for traces and tests

    bool Ok() const { return failure == AtFailure::None; }
    static AtStatus Success() { return {}; }
    static AtStatus Failed(AtFailure failure, std::string detail) {
        return {failure, std::move(detail)};
    }
};

/// The Windows error code that stands for a failure (53 ERROR_BAD_NETPATH for an
/// unreachable machine, 87 for bad arguments, 2 for an unknown job, 1 otherwise;
/// 0 for none).
std::uint32_t SystemCode(AtFailure failure);

/// The system's text of the failure's code ("The network path was not found."),
/// followed by the detail when there is one.
std::string FailureText(const AtStatus& status);

class JobQueue {
public:
    virtual ~JobQueue() = default;

    /// Places one run of `job` (its flags, masks and command) at the local moment
    /// `run`; the queue's id of it.
    virtual AtStatus Place(const AtJobRecord& job, const datetime::OleDate& run,
                           std::uint32_t& id) = 0;
    /// Every job of the queue that we may see, each with id and next run (when
    /// known) and, for our jobs, flags, masks and command.
    virtual AtStatus List(std::vector<AtJobRecord>& jobs) = 0;
    /// One job as List gives it; NoSuchJob when the queue does not hold it.
    virtual AtStatus Find(std::uint32_t id, AtJobRecord& job) = 0;
    /// Removes one job.
    virtual AtStatus Remove(std::uint32_t id) = 0;
};

} // namespace ob::at
