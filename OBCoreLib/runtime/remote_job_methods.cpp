#include "OBCoreLib/runtime/remote_job_methods.h"

#include "OBCoreLib/at/at_service.h"
#include "OBCoreLib/at/job_time_text.h"

namespace ob::corelib {
namespace {

I4Result Refused(std::int32_t value) {
    return {HResult::False, value};
}

// A new handle for `payload`; refused (0) when the table is full.
I4Result NewHandle(std::shared_ptr<HandlePayload> payload) {
    const std::int32_t handle = HandleTable::Process().Add(std::move(payload));
    return handle == 0 ? Refused(0) : I4Result{HResult::Ok, handle};
}

I4Result JobId(const at::AtStatus& status, std::uint32_t id) {
    return status.Ok() ? I4Result{HResult::Ok, static_cast<std::int32_t>(id)} : Refused(-1);
}

} // namespace

I4Result NetCreateProcess(std::uint32_t flags, std::string_view server, std::string_view command) {
    std::uint32_t id = 0;
    const at::AtStatus status = at::NetCreateProcess(flags, server, command, id);
    return JobId(status, id);
}

I4Result NetScheduleJobAdd(std::uint32_t flags, std::string_view server,
                           std::string_view expression, std::string_view command) {
    std::uint32_t id = 0;
    const at::AtStatus status = at::ScheduleJobAdd(flags, server, expression, command, id);
    return JobId(status, id);
}

I4Result NetScheduleJobDel(std::string_view server, std::int32_t minId, std::int32_t maxId) {
    return at::ScheduleJobDel(server, minId, maxId).Ok() ? I4Result{HResult::Ok, Truth(true)}
                                                         : Refused(0);
}

I4Result NetScheduleJobGetInfo(std::string_view server, std::int32_t jobId) {
    at::AtJobRecord job;
    if (!at::ScheduleJobGetInfo(server, jobId, job).Ok()) {
        return Refused(0);
    }
    return NewHandle(std::make_shared<JobInfoPayload>(std::move(job)));
}

I4Result NetScheduleJobEnum(std::string_view server) {
    std::vector<at::AtJobRecord> jobs;
    if (!at::ScheduleJobEnum(server, jobs).Ok()) {
        return Refused(0);
    }
    return NewHandle(std::make_shared<JobListPayload>(std::move(jobs)));
}

I4Result NetScheduleJobEnumCount(std::int32_t list) {
    const auto jobs = HandleTable::Process().FindAs<JobListPayload>(list);
    if (!jobs) {
        return Refused(0);
    }
    return {HResult::Ok, static_cast<std::int32_t>(jobs->Jobs().size())};
}

I4Result NetScheduleJobEnumGet(std::int32_t list, std::int32_t index) {
    const auto jobs = HandleTable::Process().FindAs<JobListPayload>(list);
    if (!jobs || index < 1 || static_cast<std::size_t>(index) > jobs->Jobs().size()) {
        return Refused(0);
    }
    return NewHandle(
        std::make_shared<JobInfoPayload>(jobs->Jobs()[static_cast<std::size_t>(index) - 1]));
}

I4Result NetScheduleJobGetInfoJobId(std::int32_t info) {
    const auto job = HandleTable::Process().FindAs<JobInfoPayload>(info);
    return {HResult::Ok, job ? static_cast<std::int32_t>(job->Job().jobId) : -1};
}

I4Result NetScheduleJobGetInfoError(std::int32_t info) {
    const auto job = HandleTable::Process().FindAs<JobInfoPayload>(info);
    return {HResult::Ok, Truth(job && (job->Job().flags & at::JOB_EXEC_ERROR) != 0)};
}

TextResult NetScheduleJobGetInfoCommand(std::int32_t info) {
    const auto job = HandleTable::Process().FindAs<JobInfoPayload>(info);
    if (!job) {
        return {HResult::False, {}};
    }
    return {HResult::Ok, job->Job().command};
}

TextResult NetScheduleJobGetInfoTime(std::int32_t info) {
    const auto job = HandleTable::Process().FindAs<JobInfoPayload>(info);
    if (!job) {
        return {HResult::Ok, {}};
    }
    return {HResult::Ok, at::JobTimeText(job->Job(), datetime::OleDate::Now())};
}

} // namespace ob::corelib
