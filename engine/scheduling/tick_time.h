// The moment a scheduler tick (or a simulated one) looks at: the local wall-clock
// time, and the span of wall-clock times the clock skipped just before it when
// summer time began. Value type; any thread.
#pragma once

#include "platform/time/clock_changes.h"
#include "platform/time/ole_date.h"

#include <optional>

namespace ob::engine {

struct TickTime {
    /// Local wall-clock time, whole seconds.
    datetime::OleDate now;
    /// Set when the clock went forward within the minute up to `now`: the wall-clock
    /// times of that span never occurred, and cron times among them fire at this tick.
    std::optional<datetime::SkippedSpan> skipped;

    /// The tick at a wall-clock time (its first occurrence when it occurs twice).
    static TickTime At(const datetime::OleDate& wall);
    /// The tick at ob::clock's current time.
    static TickTime Current();
};

} // namespace ob::engine
