#include "engine/scheduling/tick_time.h"

#include "engine/scheduling/whole_seconds.h"
#include "platform/time/clock.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>

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
    // A pass asks once per job within the same second: the time zone's answers are
    // kept for the second (and the TZ setting) they were found for.
    struct Kept {
        std::time_t instant = 0;
        std::string zone;
        TickTime tick;
        bool valid = false;
    };
    thread_local Kept kept;
    const std::time_t instant = std::chrono::system_clock::to_time_t(clock::Now());
    const char* zone = std::getenv("TZ");
    const std::string_view zoneText = zone != nullptr ? zone : "";
    if (!kept.valid || kept.instant != instant || kept.zone != zoneText) {
        kept.tick = AtInstant(instant);
        kept.instant = instant;
        kept.zone.assign(zoneText);
        kept.valid = true;
    }
    return kept.tick;
}

} // namespace ob::engine
