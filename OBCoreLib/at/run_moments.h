// When the queues run an AT job: the one-time runs that stand for one record.
//
// A job without day masks runs once, at the next occurrence of its time of day. A
// job with masks runs once on each day its bits select: for each day-of-month bit
// on the next date with that day (found within two months, which always hold it),
// for each weekday bit on the next date on that weekday; a date selected by several
// bits is one run. The queues run jobs only once, so each run is a job of its own.
// A run is still due today while its minute has not passed: the queues start a job
// of the current minute at once. Pure function; any thread.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <vector>

namespace ob::at {

/// Days searched for a day-of-month bit: any day 1 to 31 occurs within them.
inline constexpr int kMonthDayHorizon = 62;

/// The local moments of the runs of `job` after `now`, in order; none when the
/// job time is not below a day.
std::vector<datetime::OleDate> RunMoments(const AtJobRecord& job, const datetime::OleDate& now);

} // namespace ob::at
