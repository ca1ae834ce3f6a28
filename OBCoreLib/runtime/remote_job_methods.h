// The runtime object's Net... methods: remote jobs on the queue a machine name
// stands for (OBCoreLib/at: "." and "" the local atd, names of Slurm partitions in
// the settings store), and the job-info (206) and job-list (207) objects that hand
// records to the script. Results follow the automation conventions: the failure
// result with S_FALSE when a queue refuses or a handle is not of its kind; the
// reason is not reported to the script. Thread of the calling script; the calls
// that reach a queue block while its tools run.
#pragma once

#include "OBCoreLib/at/at_job_record.h"
#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/automation/handle_table.h"

#include <string_view>
#include <vector>

namespace ob::corelib {

/// A job-info object: a copy of one record.
class JobInfoPayload final : public HandlePayload {
public:
    static constexpr HandleKind kKind = HandleKind::JobInfo;
    explicit JobInfoPayload(at::AtJobRecord job) : job_(std::move(job)) {}
    HandleKind Kind() const override { return kKind; }
    const at::AtJobRecord& Job() const { return job_; }

private:
    at::AtJobRecord job_;
};

/// A job-list object: copies of the records of one enumeration.
class JobListPayload final : public HandlePayload {
public:
    static constexpr HandleKind kKind = HandleKind::JobList;
    explicit JobListPayload(std::vector<at::AtJobRecord> jobs) : jobs_(std::move(jobs)) {}
    HandleKind Kind() const override { return kKind; }
    const std::vector<at::AtJobRecord>& Jobs() const { return jobs_; }

private:
    std::vector<at::AtJobRecord> jobs_;
};

/// NetCreateProcess (and NetCreateProcessAsUser, which has no use for its account):
/// the job id, -1 with S_FALSE when no job was placed.
I4Result NetCreateProcess(std::uint32_t flags, std::string_view server, std::string_view command);
/// NetScheduleJobAdd (and ...AsUser): the id of the job's first run, or -1.
I4Result NetScheduleJobAdd(std::uint32_t flags, std::string_view server,
                           std::string_view expression, std::string_view command);
/// NetScheduleJobDel: -1 when the jobs of the range were removed, else 0.
I4Result NetScheduleJobDel(std::string_view server, std::int32_t minId, std::int32_t maxId);
/// NetScheduleJobGetInfo: a new job-info object, or 0.
I4Result NetScheduleJobGetInfo(std::string_view server, std::int32_t jobId);
/// NetScheduleJobEnum: a new job-list object, or 0.
I4Result NetScheduleJobEnum(std::string_view server);
/// NetScheduleJobEnumCount: the number of records of a job-list object.
I4Result NetScheduleJobEnumCount(std::int32_t list);
/// NetScheduleJobEnumGet: a new job-info object with record `index` (1-based).
I4Result NetScheduleJobEnumGet(std::int32_t list, std::int32_t index);
/// NetScheduleJobGetInfoJobId: the id, -1 (S_OK) for a handle of another kind.
I4Result NetScheduleJobGetInfoJobId(std::int32_t info);
/// NetScheduleJobGetInfoError: -1 when the last run failed, else 0 (always S_OK).
I4Result NetScheduleJobGetInfoError(std::int32_t info);
/// NetScheduleJobGetInfoCommand: the command; "" with S_FALSE for another kind.
TextResult NetScheduleJobGetInfoCommand(std::int32_t info);
/// NetScheduleJobGetInfoTime: the job time as text; "" (S_OK) for another kind.
TextResult NetScheduleJobGetInfoTime(std::int32_t info);

} // namespace ob::corelib
