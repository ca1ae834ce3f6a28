#include "platform/time/clock_changes.h"

#include <array>

namespace ob::datetime {
namespace {

// A day either side of a wall-clock time holds every instant that can show it:
// no zone's offset from UTC exceeds a day.
constexpr std::time_t kSearchSpan = 86400;

bool SameParts(const DateParts& a, const DateParts& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

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

// The instant mktime gives for `parts` read with the given summer-time flag, when
// the clock shows exactly `parts` at that instant.
std::optional<std::time_t> RoundTrip(const DateParts& parts, int isDst) {
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = isDst;
    local.tm_wday = -1; // mktime fills it on success; -1 is also a valid time_t
    const std::time_t instant = std::mktime(&local);
    DateParts shown;
    if (local.tm_wday < 0 || !PartsAt(instant, shown) || !SameParts(shown, parts)) {
        return std::nullopt;
    }
    return instant;
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

} // namespace

bool OccursLocally(const OleDate& wall) {
    DateParts parts;
    if (!wall.GetParts(parts)) {
        return false;
    }
    return RoundTrip(parts, 0).has_value() || RoundTrip(parts, 1).has_value();
}

std::optional<std::time_t> FirstInstantOf(const OleDate& wall) {
    DateParts parts;
    if (!wall.GetParts(parts)) {
        return std::nullopt;
    }
    const auto standard = RoundTrip(parts, 0);
    const auto summer = RoundTrip(parts, 1);
    if (standard && summer) {
        return std::min(*standard, *summer);
    }
    if (standard || summer) {
        return standard ? standard : summer;
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
