// The settable wall clock.
#include "platform/time/clock.h"

#include <memory>
#include <mutex>
#include <new>
#include <utility>

namespace ob::clock {
namespace {

using ClockFn = std::function<std::chrono::system_clock::time_point()>;

// The test clock is held by shared pointer so that Now() can call it outside the
// lock while another thread replaces it.
struct ClockState {
    std::mutex lock;
    std::shared_ptr<const ClockFn> testClock;
};

ClockState& State() {
    // Built in static storage and never destroyed: threads may still ask for the
    // time while the process exits.
    alignas(ClockState) static unsigned char storage[sizeof(ClockState)];
    static ClockState* state = ::new (static_cast<void*>(storage)) ClockState;
    return *state;
}

} // namespace

std::chrono::system_clock::time_point Now() {
    std::shared_ptr<const ClockFn> clock;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        clock = State().testClock;
    }
    if (clock && *clock) {
        try {
            return (*clock)();
        } catch (...) {
            // A test clock that throws falls back to the real time.
        }
    }
    return std::chrono::system_clock::now();
}

void SetTestClock(std::function<std::chrono::system_clock::time_point()> clock) {
    std::shared_ptr<const ClockFn> replacement;
    if (clock) {
        try {
            replacement = std::make_shared<const ClockFn>(std::move(clock));
        } catch (...) {
            return;
        }
    }
    std::lock_guard<std::mutex> guard(State().lock);
    State().testClock = std::move(replacement);
}

} // namespace ob::clock
