// A thread that can be created suspended, resumed, and joined with a time-out.
//
// A suspended thread that is destroyed or abandoned before Resume() never runs
// its body. When the body ends, the thread's queue is closed (its windows go, sends
// still waiting for it fail) before JoinFor reports the end.
//
// Linux cannot kill one thread safely. When JoinFor times out the owner may
// Abandon() the thread: the Thread object can then be destroyed while the thread
// runs on; whatever the thread still uses must be kept alive by the thread itself
// (capture shared_ptrs in the function). Destroying a Thread that still runs and was
// not abandoned waits for it.
#pragma once

#include "platform/export.h"
#include "platform/msg/message.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace ob::msg {

/// ExitCode() of a thread that has not ended yet.
inline constexpr std::uint32_t kStillActive = 259;
/// ExitCode() of a thread whose body ended with an exception, or that could not start.
inline constexpr std::uint32_t kThreadFailed = 0xFFFFFFFFu;

class OB_PLATFORM_API Thread {
public:
    /// Starts `body` on a new thread; with `suspended` the body waits for Resume().
    /// The thread's id is known when Start returns.
    Thread(std::function<std::uint32_t()> body, bool suspended);
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    ThreadId Id() const;
    void Resume();
    /// True when the thread has ended within `timeoutMs`; it is then joined.
    bool JoinFor(std::uint32_t timeoutMs);
    bool Running() const;
    /// The body's result once the thread has ended, kStillActive before.
    std::uint32_t ExitCode() const;
    /// Gives the thread up: it is detached and runs to its end unobserved.
    void Abandon();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ob::msg
