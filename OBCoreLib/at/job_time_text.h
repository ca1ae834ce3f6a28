// The job time as text (NetScheduleJobGetInfoTime). Pure function; any thread.
//
// A job without day masks gives its time of day alone. A job with masks gives the
// date of its next run and the time of day, separated by one blank, each in the
// locale's default form ("3/14/1995 2:30:00"). The date is the one the queue
// reported for the job; a record without one (not read from a queue) takes the
// first day from today whose day-of-month bit is set (at most 31 days ahead) or
// whose weekday bit is set (at most 7 days ahead), the earlier of the two.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <string>

namespace ob::at {

std::string JobTimeText(const AtJobRecord& job, const datetime::OleDate& today);

} // namespace ob::at
