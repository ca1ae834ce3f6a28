// Work other threads hand to the engine thread. The job queue and its statements
// may only be walked and changed on the engine thread while the scheduler runs, so
// a caller on another thread puts its work here, posts EM_CALL and waits; the
// engine thread runs every waiting call between two of its messages.
//
// A caller that stops waiting withdraws its call unless the engine thread has
// already begun it, in which case the caller waits for its end: "timed out" always
// means that the work did not run and never will. Any thread may call
// RunOnEngineThread; RunWaiting runs on the engine thread.
#pragma once

#include "platform/msg/event.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ob::engine {

struct EngineSession;

enum class CallResult { Done, TimedOut };

class EngineCalls {
public:
    /// Runs `work` on the engine thread (at once when called there) and waits for
    /// it at most `timeoutMs`.
    [[nodiscard]] CallResult RunOnEngineThread(EngineSession& session,
                                               const std::function<void(EngineSession&)>& work,
                                               std::uint32_t timeoutMs);
    /// Runs every waiting call that was not withdrawn (engine thread).
    void RunWaiting(EngineSession& session);

private:
    enum State : int { kWaiting, kRunning, kWithdrawn };
    struct Call {
        std::function<void(EngineSession&)> work;
        std::atomic<int> state{kWaiting};
        msg::Event done{msg::Event::Reset::Manual};
    };

    std::mutex mutex_;
    std::vector<std::shared_ptr<Call>> waiting_;
};

} // namespace ob::engine
