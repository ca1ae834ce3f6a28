// Helpers for the message-layer tests: fresh threads (each with its own queue) and
// time-out guards, so that a regression that hangs fails instead of blocking the suite.
#pragma once

#include "platform/msg/thread.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace ob::msg::test {

/// Bound for anything that should happen promptly, generous for a loaded machine.
inline constexpr std::uint32_t kGuardMs = 20000;

/// Polls `done` until it holds or `timeoutMs` passes.
inline bool WaitFor(const std::function<bool()>& done, std::uint32_t timeoutMs = kGuardMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

/// Runs `body` on a new thread and waits for it; false when it did not end within
/// `timeoutMs` (the thread is then abandoned).
inline bool RunOnFreshThread(std::function<void()> body, std::uint32_t timeoutMs = kGuardMs) {
    Thread thread(
        [body = std::move(body)] {
            body();
            return 0u;
        },
        false);
    if (thread.JoinFor(timeoutMs)) {
        return true;
    }
    thread.Abandon();
    return false;
}

/// Milliseconds since `start` on the monotonic clock.
inline long long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

} // namespace ob::msg::test
