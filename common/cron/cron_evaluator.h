// Cron-style expressions: up to eight fields (minute, hour, day of month, month,
// day of week 1 = Sunday, year, day of year, second) matched against an instant.
//
// Field syntax: "_" first means the field is absent; "*" first is a wildcard
// (the rest is ignored); otherwise a list of decimal numbers and ranges a-b
// separated by single commas, with no blanks, steps or names. Any thread; the
// context belongs to the caller.
#pragma once

#include "common/cron/cron_context.h"

#include <array>
#include <cstdint>

namespace ob::common {

/// 0 no match (or a malformed field), 1 match, 2 wildcard. `field` may be null (0).
int CronFieldMatcher(const char* field, std::int32_t value);

/// Up to eight fields in position order; null entries are absent.
using CronFields = std::array<const char*, 8>;

/// Presence bits of the positions, in position order (CRON_MINUTE ... CRON_SECOND).
inline constexpr std::array<std::uint32_t, 8> kCronFieldBits = {
    CRON_MINUTE,  CRON_HOUR, CRON_DAY,     CRON_MONTH,
    CRON_WEEKDAY, CRON_YEAR, CRON_YEARDAY, CRON_SECOND};

/// True when `field` takes part: not null and not starting with "_".
inline bool CronFieldPresent(const char* field) {
    return field != nullptr && field[0] != '_';
}

/// The presence bits of the fields that take part.
std::uint32_t CronPresenceMask(const CronFields& fields);

/// 1 fires, 0 does not, -1 parameter error (context time 0.0; RS.LastError is
/// set). Updates the context only when it fires. A time without a calendar date
/// (not finite, or outside the years 100 to 9999) matches nothing: 0.
int CronEvaluator(CronContext& context, const CronFields& fields);

} // namespace ob::common
