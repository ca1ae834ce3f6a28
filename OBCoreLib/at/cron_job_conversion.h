// Turning a script's cron expression into the AT job that runs a command at its
// times (NetScheduleJobAdd). Any thread.
//
// The expression is split as CheckTime splits it (5 to 8 fields). The month, year
// and day-of-year fields must be absent or wildcards ("30 2 * * *" is every day at
// 02:30): an AT job cannot be limited to some months, years or days of the year. Only the leading
// number of the minute, hour and second fields counts ("0,30" is minute 0); the day-of-month and
// weekday fields become bit masks through CronFieldMatcher, so they take lists, ranges and
// wildcards. The job is non-interactive unless NCP_INTERACTIVE is given.
//
// Two kinds of expression that never fire are refused rather than turned into a job
// that runs: a minute, hour or second outside its range (minute 60 would otherwise
// run at the next hour), and day fields that are given but select no day at all
// (day 32, weekday 9), which would otherwise leave both masks empty, the form of a
// job that runs every day.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <cstdint>
#include <string_view>

namespace ob::at {

/// Longest expression taken (a 1024-byte buffer less its terminator).
inline constexpr std::size_t kMaxCronText = 1023;

enum class [[nodiscard]] CronConversion{
    Converted,
    TooLong,          ///< over kMaxCronText characters
    FieldCount,       ///< fewer than 5 or more than 8 fields
    DateFieldPresent, ///< a month, year or day-of-year field is given and no wildcard
    TimeNotNumber,    ///< the minute, hour or a given second field starts with no digit
    TimeOutOfRange,   ///< minute or second above 59, hour above 23
    NoDay,            ///< day fields are given but select no day
};

/// Fills `job` (id 0, no next run) from the expression; `job` is left alone unless
/// the result is Converted.
CronConversion ConvertCronToAtJob(std::string_view expression, std::uint32_t methodFlags,
                                  std::string_view command, AtJobRecord& job);

} // namespace ob::at
