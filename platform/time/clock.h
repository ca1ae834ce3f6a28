// The one place time-dependent code takes "now" from.
//
// Schedules use local wall-clock time; tests set a fixed or stepped clock so that
// they never sleep. Timers and time-outs use the monotonic clock instead (see
// thread_timer.h) and are not affected. Any thread.
#pragma once

#include "platform/export.h"

#include <chrono>
#include <ctime>
#include <functional>

namespace ob::clock {

/// Current wall-clock time (UTC-based system clock); the test clock when one is set.
OB_PLATFORM_API std::chrono::system_clock::time_point Now();

/// Replaces the clock (nullptr restores the real one). For tests.
OB_PLATFORM_API void SetTestClock(std::function<std::chrono::system_clock::time_point()> clock);

} // namespace ob::clock
