#include "engine/jobs/time_statement.h"

namespace ob::engine {

TimeStatement::TimeStatement(std::uint32_t kindValue, const datetime::OleDate& now)
    : lastFire(datetime::OleDate::InvalidDate()), cron(common::CronContext::Fresh(now.Value())),
      kindValue_(kindValue) {}

} // namespace ob::engine
