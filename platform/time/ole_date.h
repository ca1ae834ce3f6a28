// OLE Automation dates and spans: a double counting days since 1899-12-30 00:00
// (local wall-clock time) with the time of day as the fraction, and a status.
//
// Negative values follow the OLE convention: the integer part counts days before
// the epoch and the fraction still adds time forwards (-1.25 is 1899-12-29 06:00).
// The valid range is the years 100 to 9999. Value types; any thread.
#pragma once

#include "platform/export.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace ob::datetime {

struct DateParts {
    int year = 0;
    int month = 0;     // 1..12
    int day = 0;       // 1..31
    int hour = 0;      // 0..23
    int minute = 0;    // 0..59
    int second = 0;    // 0..59
    int dayOfWeek = 0; // 0 = Sunday (filled by conversions from a date)
    int dayOfYear = 0; // 1..366 (filled by conversions from a date)
};

enum class Status { Valid, Invalid, Null };

class OB_PLATFORM_API OleDateSpan {
public:
    OleDateSpan() = default;
    explicit OleDateSpan(double days) : days_(days) {}
    OleDateSpan(long days, int hours, int minutes, int seconds);

    double Days() const { return days_; }
    Status GetStatus() const { return status_; }
    void SetStatus(Status s) { status_ = s; }
    long TotalSeconds() const; ///< rounded to the nearest second
    // Components of the span rounded to whole seconds (negative spans: all negative).
    long GetDays() const;
    int GetHours() const;
    int GetMinutes() const;
    int GetSeconds() const;

private:
    double days_ = 0.0;
    Status status_ = Status::Valid;
};

class OB_PLATFORM_API OleDate {
public:
    OleDate() = default; ///< valid, value 0 (1899-12-30 00:00:00)
    explicit OleDate(double value);
    /// From calendar parts; invalid when out of range (month 13, 31 February ...).
    static OleDate FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                             int second = 0);
    /// The current local time from ob::clock, to the second.
    static OleDate Now();
    /// Local time of a Unix time.
    static OleDate FromTimeT(std::time_t t);
    static OleDate Null();
    static OleDate InvalidDate();

    double Value() const { return value_; }
    Status GetStatus() const { return status_; }
    bool IsValid() const { return status_ == Status::Valid; }

    /// Calendar parts (rounded to the nearest second); false when not valid or out of range.
    bool GetParts(DateParts& parts) const;
    /// Unix time of this local time (mktime semantics); false when not valid.
    bool ToTimeT(std::time_t& out) const;

    /// Text -> date in the manner of the OLE conversion: month/day/year, ISO
    /// year-month-day, month names ("March 14, 1995", "14 Mar 1995"), times with or
    /// without seconds and AM/PM, a time alone (day 0) or a date alone (midnight).
    /// Invalid on anything else.
    static OleDate Parse(std::string_view text);

    /// Default text form: "3/14/1995 12:41:29 PM" in a 12-hour locale, "3/14/1995
    /// 12:41:29" in a 24-hour one (the C locale); a value with no time part gives only
    /// the date, a value of day 0 only the time. Invalid gives "", null gives "".
    std::string Format() const;
    /// strftime with the Windows '#' flag (no leading zeros; "%#c" the long form
    /// "Tuesday, March 14, 1995 12:41:29", with AM/PM on a 12-hour clock; "%#x" the
    /// long date). Empty when invalid.
    std::string Format(std::string_view pattern) const;

    OleDate operator+(const OleDateSpan& span) const;
    OleDate operator-(const OleDateSpan& span) const;
    OleDateSpan operator-(const OleDate& other) const;
    bool operator==(const OleDate& other) const;
    bool operator<(const OleDate& other) const;
    bool operator<=(const OleDate& other) const;
    bool operator>(const OleDate& other) const;
    bool operator>=(const OleDate& other) const;

private:
    double value_ = 0.0;
    Status status_ = Status::Valid;
};

/// strftime with the Windows '#' flag applied to broken-down time (shared by OleDate
/// and the text expansion of job statements).
OB_PLATFORM_API std::string FormatTime(std::string_view pattern, const std::tm& tm);

/// True when the LC_TIME locale writes times on a 12-hour clock (its time format
/// uses %I, %r or %p); the C locale is 24-hour.
OB_PLATFORM_API bool LocaleUses12Hour();

/// The test behind LocaleUses12Hour for a given strftime time format: true when it
/// has a 12-hour conversion (%I, %l, %r, %p or %P, with or without flags).
OB_PLATFORM_API bool TimeFormatIs12Hour(std::string_view timeFormat);

} // namespace ob::datetime
