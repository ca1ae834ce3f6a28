// The AT operations behind the runtime object's Net... methods, on the queue a
// machine name stands for: "." and "" the local atd, a name the settings store
// maps to a Slurm partition (cluster_settings.h) that partition, any other name
// unreachable (53, "The network path was not found."). The caller's thread; each
// call runs the queue's tools and may take seconds.
//
// A record's run times are local times of this machine (atd and the cluster's
// login tools share its clock and zone). Records read back carry the queue's next
// run, their time of day from it, and JOB_RUNS_TODAY when that run is today.
#pragma once

#include "OBCoreLib/at/at_job_record.h"
#include "OBCoreLib/at/job_queue.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace ob::at {

/// Attempts of NetCreateProcess, and the step by which each moves the job time.
inline constexpr int kCreateAttempts = 120000;
inline constexpr std::uint32_t kCreateStepMilliseconds = 15000;

/// The queue a machine name stands for.
AtStatus OpenJobQueue(std::string_view server, std::unique_ptr<JobQueue>& queue);

/// Places every run of `job` (run_moments.h) in `queue`; the id of the first. When
/// one placement fails, the runs already placed are removed again.
AtStatus AddJob(JobQueue& queue, const AtJobRecord& job, std::uint32_t& firstId);

/// NetScheduleJobAdd: converts the cron expression and adds the job.
AtStatus ScheduleJobAdd(std::uint32_t flags, std::string_view server, std::string_view expression,
                        std::string_view command, std::uint32_t& jobId);

/// NetScheduleJobDel: removes every job with an id from `minId` to `maxId`.
/// NoSuchJob when the range holds none; a failed removal fails the call (the
/// others are still removed).
AtStatus ScheduleJobDel(std::string_view server, std::int32_t minId, std::int32_t maxId);

/// NetScheduleJobGetInfo.
AtStatus ScheduleJobGetInfo(std::string_view server, std::int32_t jobId, AtJobRecord& job);

/// NetScheduleJobEnum: the records in order of id.
AtStatus ScheduleJobEnum(std::string_view server, std::vector<AtJobRecord>& jobs);

/// NetCreateProcess: a one-time job at the current time of day, moved on by 15
/// seconds while the queue would not run it today; its id.
AtStatus CreateProcessJob(JobQueue& queue, std::uint32_t flags, std::string_view command,
                          std::uint32_t& jobId);
AtStatus NetCreateProcess(std::uint32_t flags, std::string_view server, std::string_view command,
                          std::uint32_t& jobId);

} // namespace ob::at
