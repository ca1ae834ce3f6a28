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
    members_.erase(job);
    jobs_.erase(it);
    return true;
}

} // namespace ob::engine
