#include "engine/scheduling/tick_time.h"

#include "engine/scheduling/whole_seconds.h"
#include "platform/time/clock.h"

#include <chrono>

namespace ob::engine {
namespace {

// Cron times in a skipped span fire in the first minute after the change, as a
// matching minute fires only at a tick within that minute.
constexpr long kSkippedWindowSeconds = 60;

TickTime AtInstant(std::time_t instant) {
    TickTime tick;
    tick.now = datetime::OleDate::FromTimeT(instant);
    tick.skipped = datetime::SkippedShortlyBefore(instant, kSkippedWindowSeconds);
    return tick;
}

} // namespace

TickTime TickTime::At(const datetime::OleDate& wall) {
    const datetime::OleDate whole = WholeSeconds(wall);
    const auto instant = datetime::FirstInstantOf(whole);
    if (!instant) {
        return TickTime{whole, std::nullopt};
    }
    // A wall-clock time the clock skipped is reached at the change itself.
    return AtInstant(*instant);
}

TickTime TickTime::Current() {
    return AtInstant(std::chrono::system_clock::to_time_t(clock::Now()));
}

} // namespace ob::engine
