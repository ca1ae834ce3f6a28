// The record of one job of a job queue, as the AT methods of the runtime object hand
// it to scripts (inside job-info and job-list objects): the queue's id, the time of
// day it runs at, the days it runs on, its AT flags and its command line. Value
// type; any thread.
//
// The queues behind it (the local atd, a Slurm cluster) know the exact moment of a
// job's next run; a record read back from a queue keeps it in `nextRun`, so the job
// time as text gives the date the queue will really run the job on.
#pragma once

#include "platform/time/ole_date.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ob::at {

// AT flags (the `flags` member).
inline constexpr std::uint8_t JOB_RUN_PERIODICALLY = 0x01;
inline constexpr std::uint8_t JOB_EXEC_ERROR = 0x02; ///< the last run failed
inline constexpr std::uint8_t JOB_RUNS_TODAY = 0x04;
inline constexpr std::uint8_t JOB_ADD_CURRENT_DATE = 0x08;
inline constexpr std::uint8_t JOB_NONINTERACTIVE = 0x10;

/// The `flags` argument of the methods: the job may use the user's display.
inline constexpr std::uint32_t NCP_INTERACTIVE = 1;

/// Milliseconds in a day: job times are below it.
inline constexpr std::uint32_t kDayMilliseconds = 86400000;

/// All 31 day-of-month bits and all seven weekday bits.
inline constexpr std::uint32_t kAllMonthDays = 0x7FFFFFFF;
inline constexpr std::uint8_t kAllWeekdays = 0x7F;

/// The weekday bit of a day of week counted 0 = Sunday .. 6 = Saturday (bit 0
/// Monday ... bit 5 Saturday, bit 6 Sunday).
constexpr std::uint8_t WeekdayBit(int dayOfWeekFromSunday) {
    return static_cast<std::uint8_t>(1u << ((dayOfWeekFromSunday + 6) % 7));
}

struct AtJobRecord {
    std::uint32_t jobId = 0;
    std::uint32_t jobTime = 0;     ///< milliseconds after local midnight
    std::uint32_t daysOfMonth = 0; ///< bit n-1 for day n
    std::uint8_t daysOfWeek = 0;   ///< bit 0 Monday ... bit 6 Sunday
    std::uint8_t flags = 0;
    std::string command;
    /// The local date and time of the next run, when the queue told it.
    std::optional<datetime::OleDate> nextRun;

    bool operator==(const AtJobRecord&) const = default;
};

/// The time-of-day part of a local moment in milliseconds after midnight (whole
/// seconds).
std::uint32_t JobTimeOf(const datetime::OleDate& moment);

/// True when `moment` falls on the same local calendar day as `today`.
bool SameDay(const datetime::OleDate& moment, const datetime::OleDate& today);

} // namespace ob::at
