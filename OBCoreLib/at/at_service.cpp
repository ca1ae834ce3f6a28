#include "OBCoreLib/at/at_service.h"

#include "OBCoreLib/at/atd_queue.h"
#include "OBCoreLib/at/cluster_settings.h"
#include "OBCoreLib/at/cron_job_conversion.h"
#include "OBCoreLib/at/job_script.h"
#include "OBCoreLib/at/run_moments.h"
#include "OBCoreLib/at/slurm_queue.h"

#include <algorithm>

namespace ob::at {
namespace {

using datetime::OleDate;

// What the queue tells about a job's next run, in the record's own terms.
void CompleteRecord(AtJobRecord& job, const OleDate& now) {
    if (job.nextRun) {
        job.jobTime = JobTimeOf(*job.nextRun);
        if (SameDay(*job.nextRun, now)) {
            job.flags |= JOB_RUNS_TODAY;
        }
    }
}

AtStatus CheckCommand(std::string_view command) {
    if (JobWords(command).empty()) {
        return AtStatus::Failed(AtFailure::BadCommand, "the command line names no program");
    }
    return AtStatus::Success();
}

AtStatus Find(JobQueue& queue, std::uint32_t id, AtJobRecord& job) {
    AtStatus status = queue.Find(id, job);
    if (status.Ok()) {
        CompleteRecord(job, OleDate::Now());
    }
    return status;
}

} // namespace

AtStatus OpenJobQueue(std::string_view server, std::unique_ptr<JobQueue>& queue) {
    if (server.empty() || server == ".") {
        queue = std::make_unique<AtdQueue>();
        return AtStatus::Success();
    }
    if (auto cluster = FindCluster(server)) {
        queue = std::make_unique<SlurmQueue>(std::move(*cluster));
        return AtStatus::Success();
    }
    return AtStatus::Failed(AtFailure::Unreachable, "\"" + std::string(server) + "\"");
}

AtStatus AddJob(JobQueue& queue, const AtJobRecord& job, std::uint32_t& firstId) {
    if (AtStatus status = CheckCommand(job.command); !status.Ok()) {
        return status;
    }
    const std::vector<OleDate> runs = RunMoments(job, OleDate::Now());
    if (runs.empty()) {
        return AtStatus::Failed(AtFailure::BadTime, "the job time is not a time of day");
    }
    std::vector<std::uint32_t> placed;
    for (const OleDate& run : runs) {
        std::uint32_t id = 0;
        AtStatus status = queue.Place(job, run, id);
        if (!status.Ok()) {
            for (const std::uint32_t done : placed) {
                (void)queue.Remove(done);
            }
            return status;
        }
        placed.push_back(id);
    }
    firstId = placed.front();
    return AtStatus::Success();
}

AtStatus ScheduleJobAdd(std::uint32_t flags, std::string_view server, std::string_view expression,
                        std::string_view command, std::uint32_t& jobId) {
    AtJobRecord job;
    if (ConvertCronToAtJob(expression, flags, command, job) != CronConversion::Converted) {
        return AtStatus::Failed(AtFailure::BadExpression,
                                "\"" + std::string(expression) + "\" gives no AT job");
    }
    std::unique_ptr<JobQueue> queue;
    if (AtStatus status = OpenJobQueue(server, queue); !status.Ok()) {
        return status;
    }
    return AddJob(*queue, job, jobId);
}

AtStatus ScheduleJobDel(std::string_view server, std::int32_t minId, std::int32_t maxId) {
    std::unique_ptr<JobQueue> queue;
    std::vector<AtJobRecord> jobs;
    if (AtStatus status = OpenJobQueue(server, queue); !status.Ok()) {
        return status;
    }
    if (AtStatus status = queue->List(jobs); !status.Ok()) {
        return status;
    }
    AtStatus result =
        AtStatus::Failed(AtFailure::NoSuchJob,
                         "no job from " + std::to_string(minId) + " to " + std::to_string(maxId));
    bool removedAll = true;
    for (const AtJobRecord& job : jobs) {
        const auto id = static_cast<std::int64_t>(job.jobId);
        if (id < minId || id > maxId) {
            continue;
        }
        AtStatus removed = queue->Remove(job.jobId);
        if (!removed.Ok()) {
            result = std::move(removed);
            removedAll = false;
        } else if (removedAll) {
            result = AtStatus::Success();
        }
    }
    return result;
}

AtStatus ScheduleJobGetInfo(std::string_view server, std::int32_t jobId, AtJobRecord& job) {
    std::unique_ptr<JobQueue> queue;
    if (AtStatus status = OpenJobQueue(server, queue); !status.Ok()) {
        return status;
    }
    if (jobId < 0) {
        return AtStatus::Failed(AtFailure::NoSuchJob, "no job " + std::to_string(jobId));
    }
    return Find(*queue, static_cast<std::uint32_t>(jobId), job);
}

AtStatus ScheduleJobEnum(std::string_view server, std::vector<AtJobRecord>& jobs) {
    std::unique_ptr<JobQueue> queue;
    if (AtStatus status = OpenJobQueue(server, queue); !status.Ok()) {
        return status;
    }
    if (AtStatus status = queue->List(jobs); !status.Ok()) {
        return status;
    }
    const OleDate now = OleDate::Now();
    for (AtJobRecord& job : jobs) {
        CompleteRecord(job, now);
    }
    std::sort(jobs.begin(), jobs.end(),
              [](const AtJobRecord& a, const AtJobRecord& b) { return a.jobId < b.jobId; });
    return AtStatus::Success();
}

AtStatus CreateProcessJob(JobQueue& queue, std::uint32_t flags, std::string_view command,
                          std::uint32_t& jobId) {
    if (AtStatus status = CheckCommand(command); !status.Ok()) {
        return status;
    }
    AtJobRecord job;
    job.jobTime = JobTimeOf(OleDate::Now());
    job.flags = (flags & NCP_INTERACTIVE) != 0 ? 0 : JOB_NONINTERACTIVE;
    job.command = std::string(command);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const std::vector<OleDate> runs = RunMoments(job, OleDate::Now());
        if (runs.empty()) {
            return AtStatus::Failed(AtFailure::BadTime, "no time of day left for the job");
        }
        std::uint32_t id = 0;
        if (AtStatus status = queue.Place(job, runs.front(), id); !status.Ok()) {
            return status;
        }
        AtJobRecord placed;
        AtStatus found = Find(queue, id, placed);
        if (found.failure == AtFailure::NoSuchJob && SameDay(runs.front(), OleDate::Now())) {
            // A run of the current minute starts at once: it may be over already.
            jobId = id;
            return AtStatus::Success();
        }
        if (!found.Ok()) {
            return found;
        }
        if ((placed.flags & JOB_RUNS_TODAY) != 0) {
            jobId = id;
            return AtStatus::Success();
        }
        if (AtStatus status = queue.Remove(id); !status.Ok()) {
            return status;
        }
        job.jobTime += kCreateStepMilliseconds;
    }
    return AtStatus::Failed(AtFailure::OutOfAttempts, "no run today");
}

AtStatus NetCreateProcess(std::uint32_t flags, std::string_view server, std::string_view command,
                          std::uint32_t& jobId) {
    std::unique_ptr<JobQueue> queue;
    if (AtStatus status = OpenJobQueue(server, queue); !status.Ok()) {
        return status;
    }
    return CreateProcessJob(*queue, flags, command, jobId);
}

} // namespace ob::at
