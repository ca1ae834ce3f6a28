#include "OBCoreLib/at/atd_queue.h"

#include "OBCoreLib/at/atd_listing.h"
#include "OBCoreLib/at/job_script.h"
#include "OBCoreLib/at/queue_tool.h"

namespace ob::at {
namespace {

// Listings are read in the C locale: English month names.
const std::vector<std::string> kListingEnvironment = {"LC_ALL=C"};

AtStatus ReadQueue(std::vector<AtqEntry>& entries) {
    const ToolRun run = RunQueueTool("atq", {}, {}, kListingEnvironment);
    if (!run.exitedZero) {
        return ToolFailure(run);
    }
    entries = ParseAtqListing(run.output);
    return AtStatus::Success();
}

// The record of a listed job; false when its script could not be read (it ended
// meanwhile, or it belongs to another user).
bool ReadJob(const AtqEntry& entry, AtJobRecord& job) {
    const ToolRun run =
        RunQueueTool("at", {"-c", std::to_string(entry.id)}, {}, kListingEnvironment);
    if (!run.exitedZero) {
        return false;
    }
    job = AtJobRecord{};
    job.jobId = entry.id;
    job.nextRun = entry.when;
    ReadAtJobText(run.output, job);
    return true;
}

} // namespace

AtStatus AtdQueue::Place(const AtJobRecord& job, const datetime::OleDate& run, std::uint32_t& id) {
    const std::string when = run.Format("%Y%m%d%H%M");
    if (when.empty()) {
        return AtStatus::Failed(AtFailure::BadTime, "no date for the run");
    }
    // at keeps the environment it runs in for the job: the environment table's.
    const ToolRun placed = RunQueueTool("at", {"-t", when}, JobScript(job), {});
    const auto number = ParseAtJobNumber(placed.output);
    if (!placed.exitedZero || !number) {
        return ToolFailure(placed);
    }
    id = *number;
    return AtStatus::Success();
}

AtStatus AtdQueue::List(std::vector<AtJobRecord>& jobs) {
    std::vector<AtqEntry> entries;
    if (AtStatus status = ReadQueue(entries); !status.Ok()) {
        return status;
    }
    jobs.clear();
    for (const AtqEntry& entry : entries) {
        AtJobRecord job;
        if (ReadJob(entry, job)) {
            jobs.push_back(std::move(job));
        }
    }
    return AtStatus::Success();
}

AtStatus AtdQueue::Find(std::uint32_t id, AtJobRecord& job) {
    std::vector<AtqEntry> entries;
    if (AtStatus status = ReadQueue(entries); !status.Ok()) {
        return status;
    }
    for (const AtqEntry& entry : entries) {
        if (entry.id == id && ReadJob(entry, job)) {
            return AtStatus::Success();
        }
    }
    return AtStatus::Failed(AtFailure::NoSuchJob, "atd holds no job " + std::to_string(id));
}

AtStatus AtdQueue::Remove(std::uint32_t id) {
    const ToolRun run = RunQueueTool("atrm", {std::to_string(id)}, {}, {});
    return run.exitedZero ? AtStatus::Success() : ToolFailure(run);
}

} // namespace ob::at
