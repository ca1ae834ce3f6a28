#include "engine/session/engine_calls.h"

#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "platform/msg/message_queue.h"

#include <utility>

namespace ob::engine {

CallResult EngineCalls::RunOnEngineThread(EngineSession& session,
                                          const std::function<void(EngineSession&)>& work,
                                          std::uint32_t timeoutMs) {
    if (msg::GetCurrentThreadId() == session.engineThreadId) {
        work(session);
        return CallResult::Done;
    }
    auto call = std::make_shared<Call>();
    call->work = work;
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(call);
    }
    if (msg::PostThreadMessage(session.engineThreadId, EM_CALL, 0, 0) &&
        call->done.Wait(timeoutMs)) {
        return CallResult::Done;
    }
    int expected = kWaiting;
    if (call->state.compare_exchange_strong(expected, kWithdrawn)) {
        return CallResult::TimedOut;
    }
    // Begun already: the work is short once it runs, and its caller must know that
    // it happened.
    call->done.Wait(msg::kInfinite);
    return CallResult::Done;
}

void EngineCalls::RunWaiting(EngineSession& session) {
    std::vector<std::shared_ptr<Call>> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(waiting_);
    }
    for (const auto& call : taken) {
        int expected = kWaiting;
        if (!call->state.compare_exchange_strong(expected, kRunning)) {
            continue;
        }
        try {
            call->work(session);
        } catch (...) {
            // The caller's own work reports its failures through what it writes;
            // nothing thrown may end the engine thread.
        }
        call->done.Set();
    }
}

} // namespace ob::engine
