#include "engine/scheduling/preview_mailbox.h"

#include <utility>

namespace ob::engine {

void PreviewMailbox::Put(std::shared_ptr<PreviewRequest> request) {
    std::lock_guard lock(mutex_);
    waiting_.push_back(std::move(request));
}

void PreviewMailbox::Answer(EngineSession& session) {
    std::vector<std::shared_ptr<PreviewRequest>> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(waiting_);
    }
    for (const auto& request : taken) {
        request->snapshots = SnapshotQueue(session);
        request->done.Set();
    }
}

} // namespace ob::engine
