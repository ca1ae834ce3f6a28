// OLE date values: calendar conversion, range, arithmetic and comparison.
//
// An OLE date is not a linear number below zero: -1.25 is one day before the epoch
// plus six hours, later than -1.0. Arithmetic and comparison therefore work on the
// linear form (days plus the time fraction counted forwards), which equals the
// value for non-negative dates.
#include "platform/time/ole_date.h"

#include "platform/time/civil_calendar.h"
#include "platform/time/clock.h"

#include <cmath>
#include <cstdint>

namespace ob::datetime {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;
// Linear bounds: 100-01-01 00:00:00 and 10000-01-01 00:00:00 (exclusive).
constexpr double kMinLinear = -657434.0;
constexpr double kEndLinear = 2958466.0;

double ToLinear(double value) {
    if (value >= 0) {
        return value;
    }
    const double day = std::ceil(value);
    return day - (value - day);
}

double FromLinear(double linear) {
    if (linear >= 0) {
        return linear;
    }
    const double day = std::floor(linear);
    return day + (day - linear);
}

bool InRange(double value) {
    if (!std::isfinite(value)) {
        return false;
    }
    const double linear = ToLinear(value);
    return linear >= kMinLinear && linear < kEndLinear;
}

} // namespace

OleDate::OleDate(double value) : value_(value) {
    status_ = InRange(value) ? Status::Valid : Status::Invalid;
}

OleDate OleDate::FromParts(int year, int month, int day, int hour, int minute, int second) {
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 ||
        day > calendar::DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59) {
        return InvalidDate();
    }
    const std::int64_t oleDay = calendar::OleDayFromCivil(year, month, day);
    const double fraction = static_cast<double>(hour * 3600 + minute * 60 + second) /
                            static_cast<double>(kSecondsPerDay);
    const double days = static_cast<double>(oleDay);
    OleDate date;
    date.value_ = oleDay >= 0 ? days + fraction : days - fraction;
    date.status_ = Status::Valid;
    return date;
}

OleDate OleDate::Now() {
    return FromTimeT(std::chrono::system_clock::to_time_t(ob::clock::Now()));
}

OleDate OleDate::FromTimeT(std::time_t t) {
    std::tm local{};
    if (::localtime_r(&t, &local) == nullptr) {
        return InvalidDate();
    }
    // A leap second shows as :60; an OLE date has no room for it.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    if (local.tm_year > kMaxYear - 1900 || local.tm_year < kMinYear - 1900) {
        return InvalidDate();
    }
    return FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min, second);
}

OleDate OleDate::Null() {
    OleDate date;
    date.status_ = Status::Null;
    return date;
}

OleDate OleDate::InvalidDate() {
    OleDate date;
    date.status_ = Status::Invalid;
    return date;
}

bool OleDate::GetParts(DateParts& parts) const {
    if (status_ != Status::Valid || !InRange(value_)) {
        return false;
    }
    const double linear = ToLinear(value_);
    const double wholeDays = std::floor(linear);
    const double fraction = linear - wholeDays;
    // Round the whole moment, not just the time: 23:59:59.6 is midnight of the next day.
    const std::int64_t seconds = static_cast<std::int64_t>(wholeDays) * kSecondsPerDay +
                                 std::llround(fraction * static_cast<double>(kSecondsPerDay));
    const std::int64_t oleDay = calendar::FloorDiv(seconds, kSecondsPerDay);
    const int secondOfDay = static_cast<int>(seconds - oleDay * kSecondsPerDay);
    const calendar::CivilDay civil = calendar::CivilFromOleDay(oleDay);
    if (civil.year < kMinYear || civil.year > kMaxYear) {
        return false;
    }
    parts.year = static_cast<int>(civil.year);
    parts.month = civil.month;
    parts.day = civil.day;
    parts.hour = secondOfDay / 3600;
    parts.minute = secondOfDay / 60 % 60;
    parts.second = secondOfDay % 60;
    parts.dayOfWeek = calendar::DayOfWeek(oleDay);
    parts.dayOfYear = static_cast<int>(oleDay - calendar::OleDayFromCivil(civil.year, 1, 1)) + 1;
    return true;
}

bool OleDate::ToTimeT(std::time_t& out) const {
    DateParts parts;
    if (!GetParts(parts)) {
        return false;
    }
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    // mktime returns -1 both for failure and for 1969-12-31 23:59:59 UTC; a
    // successful call always fills the day of the week.
    local.tm_wday = -1;
    const std::time_t t = std::mktime(&local);
    if (local.tm_wday < 0) {
        return false;
    }
    out = t;
    return true;
}

OleDate OleDate::operator+(const OleDateSpan& span) const {
    if (status_ == Status::Null || span.GetStatus() == Status::Null) {
        return Null();
    }
    if (status_ != Status::Valid || span.GetStatus() != Status::Valid) {
        return InvalidDate();
    }
    // The constructor marks a result outside the years 100..9999 invalid.
    return OleDate(FromLinear(ToLinear(value_) + span.Days()));
}

OleDate OleDate::operator-(const OleDateSpan& span) const {
    OleDateSpan negated(-span.Days());
    negated.SetStatus(span.GetStatus());
    return *this + negated;
}

OleDateSpan OleDate::operator-(const OleDate& other) const {
    OleDateSpan span;
    if (status_ == Status::Null || other.status_ == Status::Null) {
        span.SetStatus(Status::Null);
        return span;
    }
    if (status_ != Status::Valid || other.status_ != Status::Valid) {
        span.SetStatus(Status::Invalid);
        return span;
    }
    return OleDateSpan(ToLinear(value_) - ToLinear(other.value_));
}

bool OleDate::operator==(const OleDate& other) const {
    if (status_ != other.status_) {
        return false;
    }
    return status_ != Status::Valid || ToLinear(value_) == ToLinear(other.value_);
}

// Dates that are not valid have no order: every ordering comparison with one is false.
bool OleDate::operator<(const OleDate& other) const {
    return IsValid() && other.IsValid() && ToLinear(value_) < ToLinear(other.value_);
}

bool OleDate::operator<=(const OleDate& other) const {
    return IsValid() && other.IsValid() && ToLinear(value_) <= ToLinear(other.value_);
}

bool OleDate::operator>(const OleDate& other) const {
    return other < *this;
}

bool OleDate::operator>=(const OleDate& other) const {
    return other <= *this;
}

} // namespace ob::datetime
