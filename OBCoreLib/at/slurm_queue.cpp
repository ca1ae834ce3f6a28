#include "OBCoreLib/at/slurm_queue.h"

#include "OBCoreLib/at/job_script.h"
#include "OBCoreLib/at/job_tag.h"
#include "OBCoreLib/at/queue_tool.h"
#include "OBCoreLib/at/slurm_listing.h"

namespace ob::at {
namespace {

// The states squeue shows by default, and the failed ones the controller keeps
// for a while after the run.
constexpr std::string_view kListedStates =
    "PENDING,RUNNING,SUSPENDED,CONFIGURING,COMPLETING,FAILED,TIMEOUT,NODE_FAIL,"
    "OUT_OF_MEMORY,BOOT_FAIL,DEADLINE";

} // namespace

std::vector<std::string> SlurmQueue::ToolEnvironment() const {
    // Times as 2026-12-09T14:30:00 whatever the user's setting.
    std::vector<std::string> environment = {"SLURM_TIME_FORMAT=standard"};
    if (!cluster_.conf.empty()) {
        environment.push_back("SLURM_CONF=" + cluster_.conf);
    }
    return environment;
}

AtStatus SlurmQueue::Place(const AtJobRecord& job, const datetime::OleDate& run,
                           std::uint32_t& id) {
    const std::string begin = run.Format("%Y-%m-%dT%H:%M:%S");
    if (begin.empty()) {
        return AtStatus::Failed(AtFailure::BadTime, "no date for the run");
    }
    std::vector<std::string> arguments = {
        "--parsable",         "--partition=" + cluster_.partition, "--begin=" + begin,
        "--job-name=obrenta", "--comment=" + JobTag(job),          "--output=/dev/null"};
    if (!cluster_.account.empty()) {
        arguments.push_back("--account=" + cluster_.account);
    }
    const ToolRun placed = RunQueueTool("sbatch", arguments, JobScript(job), ToolEnvironment());
    const auto number = ParseSbatchJobId(placed.output);
    if (!placed.exitedZero || !number) {
        return ToolFailure(placed);
    }
    id = *number;
    return AtStatus::Success();
}

AtStatus SlurmQueue::List(std::vector<AtJobRecord>& jobs) {
    const ToolRun run = RunQueueTool("squeue",
                                     {"--noheader", "--me", "--partition=" + cluster_.partition,
                                      "--states=" + std::string(kListedStates),
                                      "--Format=" + std::string(kSqueueFormat)},
                                     {}, ToolEnvironment());
    if (!run.exitedZero) {
        return ToolFailure(run);
    }
    jobs.clear();
    for (const SqueueEntry& entry : ParseSqueueListing(run.output)) {
        AtJobRecord job;
        if (!ParseJobTag(entry.comment, job)) {
            continue;
        }
        job.jobId = entry.id;
        job.nextRun = entry.start;
        if (FailedState(entry.state)) {
            job.flags |= JOB_EXEC_ERROR;
        }
        jobs.push_back(std::move(job));
    }
    return AtStatus::Success();
}

AtStatus SlurmQueue::Find(std::uint32_t id, AtJobRecord& job) {
    std::vector<AtJobRecord> jobs;
    if (AtStatus status = List(jobs); !status.Ok()) {
        return status;
    }
    for (AtJobRecord& listed : jobs) {
        if (listed.jobId == id) {
            job = std::move(listed);
            return AtStatus::Success();
        }
    }
    return AtStatus::Failed(AtFailure::NoSuchJob,
                            cluster_.name + " holds no job " + std::to_string(id));
}

AtStatus SlurmQueue::Remove(std::uint32_t id) {
    const ToolRun run = RunQueueTool("scancel", {std::to_string(id)}, {}, ToolEnvironment());
    return run.exitedZero ? AtStatus::Success() : ToolFailure(run);
}

} // namespace ob::at
