#include "engine/time_atom.h"

namespace ob::engine {

timeAtom::timeAtom(std::uint32_t kindValue, const datetime::OleDate& now)
    : lastFire(datetime::OleDate::InvalidDate()), cron(common::CronContext::Fresh(now.Value())),
      kindValue_(kindValue) {}

} // namespace ob::engine
