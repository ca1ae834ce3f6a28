#include "engine/jobs/job_queue.h"

#include <algorithm>

namespace ob::engine {

std::size_t JobQueue::CountWithStart() const {
    return static_cast<std::size_t>(std::count_if(
        jobs_.begin(), jobs_.end(), [](const auto& j) { return j->HasStartStatement(); }));
}

bool JobQueue::Remove(const Job* job) {
    auto it =
        std::find_if(jobs_.begin(), jobs_.end(), [job](const auto& j) { return j.get() == job; });
    if (it == jobs_.end()) {
        return false;
    }
    const std::size_t erased = members_.erase(job);
    OB_ASSERT(erased == 1); // every queued job is a member
    static_cast<void>(erased);
    jobs_.erase(it);
    OB_ASSERT(members_.size() == jobs_.size());
    return true;
}

} // namespace ob::engine
