#include "platform/time/clock_changes.h"

#include <array>

namespace ob::datetime {
namespace {

// A day either side of a wall-clock time holds every instant that can show it:
// no zone's offset from UTC exceeds a day.
constexpr std::time_t kSearchSpan = 86400;

// The local wall-clock parts at an instant.
bool PartsAt(std::time_t instant, DateParts& parts) {
    return OleDate::FromTimeT(instant).GetParts(parts);
}

// Orders two wall-clock times given as parts: negative, zero or positive.
int Compare(const DateParts& a, const DateParts& b) {
    const std::array<int, 6> left = {a.year, a.month, a.day, a.hour, a.minute, a.second};
    const std::array<int, 6> right = {b.year, b.month, b.day, b.hour, b.minute, b.second};
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (left[i] != right[i]) {
            return left[i] < right[i] ? -1 : 1;
        }
    }
    return 0;
}

// The earliest instant in [low, high] whose wall-clock time is at or after
// `parts`, assuming the clock only moves forward in that range.
std::time_t FirstShowingAtOrAfter(const DateParts& parts, std::time_t low, std::time_t high) {
    while (low < high) {
        const std::time_t middle = low + (high - low) / 2;
        DateParts shown;
        if (PartsAt(middle, shown) && Compare(shown, parts) >= 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

long OffsetAt(std::time_t instant) {
    std::tm local{};
    if (::localtime_r(&instant, &local) == nullptr) {
        return 0;
    }
    return local.tm_gmtoff;
}

// The wall-clock time `parts` counted in seconds as if it were UTC.
std::optional<std::time_t> AsIfUtc(const DateParts& parts) {
    std::tm fields{};
    fields.tm_year = parts.year - 1900;
    fields.tm_mon = parts.month - 1;
    fields.tm_mday = parts.day;
    fields.tm_hour = parts.hour;
    fields.tm_min = parts.minute;
    fields.tm_sec = parts.second;
    fields.tm_wday = -1; // timegm fills it on success
    const std::time_t seconds = ::timegm(&fields);
    if (fields.tm_wday < 0) {
        return std::nullopt;
    }
    return seconds;
}

// The earliest instant at which the local clock shows `parts`; nothing inside a
// skipped span. An instant t shows the wall-clock time w exactly when t plus the
// offset in force at t is w, and every such t lies within a day of w. The offsets
// in force a day before, at and a day after w are all there are in that window
// unless the zone changed its offset three times in two days, so trying each as
// the one in force finds every instant. This asks the zone three to six times
// where mktime, asked once for standard and once for summer time, asks it dozens
// of times and rereads TZ twice.
std::optional<std::time_t> EarliestShowing(const DateParts& parts) {
    const auto wall = AsIfUtc(parts);
    if (!wall) {
        return std::nullopt;
    }
    ::tzset(); // take a changed TZ into account, as mktime would
    std::optional<std::time_t> earliest;
    for (const std::time_t probe : {*wall - kSearchSpan, *wall, *wall + kSearchSpan}) {
        const long offset = OffsetAt(probe);
        const std::time_t instant = *wall - offset;
        if ((!earliest || instant < *earliest) && OffsetAt(instant) == offset) {
            earliest = instant;
        }
    }
    DateParts shown;
    if (earliest && !PartsAt(*earliest, shown)) {
        return std::nullopt; // outside the dates the clock can show
    }
    return earliest;
}

} // namespace

bool OccursLocally(const OleDate& wall) {
    DateParts parts;
    if (!wall.GetParts(parts)) {
        return false;
    }
    return EarliestShowing(parts).has_value();
}

std::optional<std::time_t> FirstInstantOf(const OleDate& wall) {
    DateParts parts;
    if (!wall.GetParts(parts)) {
        return std::nullopt;
    }
    if (const auto instant = EarliestShowing(parts)) {
        return instant;
    }
    // Inside a skipped span: the instant of the change is the first one whose
    // clock shows a later time.
    std::time_t guess = 0;
    if (!wall.ToTimeT(guess)) {
        return std::nullopt;
    }
    return FirstShowingAtOrAfter(parts, guess - kSearchSpan, guess + kSearchSpan);
}

OleDate FirstOccurringAtOrAfter(const OleDate& wall) {
    if (!wall.IsValid() || OccursLocally(wall)) {
        return wall;
    }
    const auto change = FirstInstantOf(wall);
    return change ? OleDate::FromTimeT(*change) : wall;
}

std::optional<SkippedSpan> SkippedShortlyBefore(std::time_t instant, long windowSeconds) {
    const std::time_t earlier = instant - windowSeconds;
    const long before = OffsetAt(earlier);
    const long after = OffsetAt(instant);
    if (after <= before) {
        return std::nullopt; // no change, or the clock went back
    }
    // The first instant with the later offset is the change.
    std::time_t low = earlier + 1;
    std::time_t high = instant;
    while (low < high) {
        const std::time_t middle = low + (high - low) / 2;
        if (OffsetAt(middle) == after) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    const OleDate to = OleDate::FromTimeT(low);
    const OleDate from = OleDate::FromTimeT(low - 1) + OleDateSpan(0, 0, 0, 1);
    DateParts fromParts;
    DateParts toParts;
    if (!from.GetParts(fromParts) || !to.GetParts(toParts) || Compare(fromParts, toParts) >= 0) {
        return std::nullopt;
    }
    return SkippedSpan{OleDate::FromParts(fromParts.year, fromParts.month, fromParts.day,
                                          fromParts.hour, fromParts.minute, fromParts.second),
                       to};
}

std::string ZoneAbbreviation(std::time_t instant) {
    std::tm local{};
    if (::localtime_r(&instant, &local) == nullptr || local.tm_zone == nullptr) {
        return {};
    }
    return local.tm_zone;
}

} // namespace ob::datetime
