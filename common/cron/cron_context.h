// The state of a cron expression between evaluations: the instant to evaluate
// and what the expression last fired on, so that it fires once when the time
// enters a matching period and not again for the rest of that period.
#pragma once

#include <array>
#include <cstdint>

namespace ob::common {

// Presence bits of the eight field positions.
inline constexpr std::uint32_t CRON_MINUTE = 128;
inline constexpr std::uint32_t CRON_HOUR = 64;
inline constexpr std::uint32_t CRON_DAY = 32;
inline constexpr std::uint32_t CRON_MONTH = 16;
inline constexpr std::uint32_t CRON_WEEKDAY = 8;
inline constexpr std::uint32_t CRON_YEAR = 4;
inline constexpr std::uint32_t CRON_YEARDAY = 2;
inline constexpr std::uint32_t CRON_SECOND = 1;

struct CronContext {
    double time = 0.0;      ///< the instant to evaluate (OLE date); 0.0 is invalid
    std::uint32_t mask = 0; ///< presence bits of the expression that last fired
    // Calendar parts of the moment the context last fired or was created.
    std::int32_t minute = 0;
    std::int32_t hour = 0;
    std::int32_t day = 0;
    std::int32_t month = 0;
    std::int32_t dayOfWeek = 0; ///< 1 = Sunday .. 7 = Saturday
    std::int32_t year = 0;
    std::int32_t dayOfYear = 0; ///< 1 .. 366
    std::int32_t second = 0;

    /// A fresh context: mask 0, time `moment` (an OLE date) and its calendar parts
    /// (all 0 when `moment` has no calendar date).
    static CronContext Fresh(double moment);
};

/// Calendar values of a moment in field order: minute, hour, day of month, month,
/// day of week (1 = Sunday), year, day of year (1 = 1 January), second.
using CronValues = std::array<std::int32_t, 8>;

/// The calendar values of `moment` (an OLE date, rounded to the second); false when
/// it has no calendar date (not finite, or outside the years 100 to 9999).
bool CronValuesOf(double moment, CronValues& values);

/// The calendar parts kept in `context`, in the same order.
CronValues StoredValues(const CronContext& context);

/// Replaces the calendar parts kept in `context` (time and mask untouched).
void StoreValues(CronContext& context, const CronValues& values);

} // namespace ob::common
