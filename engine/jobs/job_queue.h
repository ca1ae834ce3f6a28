// The session's job queue: owns its jobs, in load order. Not synchronised: every
// use holds the session lock (see session_jobs.h for the locked operations).
#pragma once

#include "engine/jobs/job.h"
#include "platform/diagnostics/assert.h"

#include <cstddef>
#include <memory>
#include <unordered_set>
#include <vector>

namespace ob::engine {

class JobQueue {
public:
    void Append(std::unique_ptr<Job> job) {
        const bool added = members_.insert(job.get()).second;
        OB_ASSERT(added); // a job is queued once
        static_cast<void>(added);
        jobs_.push_back(std::move(job));
        OB_ASSERT(members_.size() == jobs_.size());
    }
    std::size_t Size() const { return jobs_.size(); }
    Job* At(std::size_t index) const { return jobs_[index].get(); }
    /// Constant time: the scheduler asks this several times per job and pass.
    bool Contains(const Job* job) const { return members_.count(job) != 0; }
    /// Jobs holding at least one start statement.
    std::size_t CountWithStart() const;
    /// Removes and deletes one job; false when it is not queued.
    bool Remove(const Job* job);
    void Clear() {
        members_.clear();
        jobs_.clear();
    }

private:
    std::vector<std::unique_ptr<Job>> jobs_;
    std::unordered_set<const Job*> members_;
};

} // namespace ob::engine
