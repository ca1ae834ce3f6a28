// Summer-time changes of the local clock, seen from local wall-clock times (the
// OLE dates schedules are written in). When the clock goes forward, a span of
// wall-clock times never occurs; when it goes back, a span occurs twice. These
// functions tell the two apart and find the instants behind a wall-clock time,
// using the process's time zone (TZ). Any thread.
#pragma once

#include "platform/export.h"
#include "platform/time/ole_date.h"

#include <ctime>
#include <optional>
#include <string>

namespace ob::datetime {

/// Wall-clock times [from, to) that did not occur because the clock went forward;
/// `to` is the wall-clock time at the instant of the change.
struct SkippedSpan {
    OleDate from;
    OleDate to;
};

/// True when the local clock shows `wall` at some instant (false inside a skipped
/// span, and for an invalid date).
OB_PLATFORM_API bool OccursLocally(const OleDate& wall);

/// The first instant at which the local clock shows `wall`: for a wall-clock time
/// that occurs twice, its first occurrence; for one inside a skipped span, the
/// instant of the change. Nothing for an invalid date or one outside time_t.
OB_PLATFORM_API std::optional<std::time_t> FirstInstantOf(const OleDate& wall);

/// `wall` itself when it occurs, else the end of the skipped span it lies in (the
/// first wall-clock time after the change).
OB_PLATFORM_API OleDate FirstOccurringAtOrAfter(const OleDate& wall);

/// The span the clock skipped when it went forward at an instant in
/// (instant - windowSeconds, instant]; nothing when it did not.
OB_PLATFORM_API std::optional<SkippedSpan> SkippedShortlyBefore(std::time_t instant,
                                                                long windowSeconds);

/// The time zone's abbreviation at an instant ("CET", "CEST"); empty when unknown.
OB_PLATFORM_API std::string ZoneAbbreviation(std::time_t instant);

} // namespace ob::datetime
