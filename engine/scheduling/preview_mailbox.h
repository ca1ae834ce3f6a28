// Schedule previews asked for from other threads. Only the engine thread may read
// a queued job's time statements while the scheduler runs, so another thread puts
// its request here, posts EM_PREVIEW and waits; between two of its messages the
// engine thread copies the queue's time statements for every waiting request. The
// asking thread then computes the preview from the copies, so a long preview never
// holds up the tick. Any thread may Put; Answer runs on the engine thread.
#pragma once

#include "engine/scheduling/next_run.h"
#include "platform/msg/event.h"

#include <memory>
#include <mutex>
#include <vector>

namespace ob::engine {

struct EngineSession;

struct PreviewRequest {
    std::vector<JobSnapshot> snapshots; ///< written by the engine thread before `done`
    msg::Event done{msg::Event::Reset::Manual};
};

class PreviewMailbox {
public:
    void Put(std::shared_ptr<PreviewRequest> request);
    /// Copies the queue for every waiting request and signals each (engine thread).
    void Answer(EngineSession& session);

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<PreviewRequest>> waiting_;
};

} // namespace ob::engine
