// The date built-ins: the clock (Now, Date, Time, Timer), the parts of a date
// (Year ... Second, Weekday), DateSerial, TimeSerial, the month and day names, and
// the date arithmetic DateAdd, DateDiff, DatePart, DateValue and TimeValue. The
// arithmetic shares one parser of interval codes ("yyyy" "q" "m" "y" "d" "w" "ww" "h"
// "n" "s") and one week numbering (first day of week, first week of year).
#include "vbscript/builtins.h"

#include "vbscript/builtin_args.h"

#include "platform/text/ascii_case.h"
#include "platform/time/clock.h"
#include "platform/time/ole_date.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

namespace ob::vbscript::builtin {
namespace {

// Interval codes of DateAdd, DateDiff and DatePart. "y" (day of year) and "w"
// (weekday) count days in DateAdd; DateDiff counts days and whole weeks for them.
enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval ParseInterval(const Variant& v) {
    const std::string code = text::AsciiLower(v.ToString());
    static const std::pair<const char*, Interval> kCodes[] = {
        {"yyyy", Interval::Year},   {"q", Interval::Quarter}, {"m", Interval::Month},
        {"y", Interval::DayOfYear}, {"d", Interval::Day},     {"w", Interval::Weekday},
        {"ww", Interval::Week},     {"h", Interval::Hour},    {"n", Interval::Minute},
        {"s", Interval::Second},
    };
    for (const auto& [name, interval] : kCodes) {
        if (code == name) {
            return interval;
        }
    }
    throw InvalidCall();
}

// The first-week-of-year argument: vbUseSystem 0 (the system's rule, the week of
// January 1), vbFirstJan1 1, vbFirstFourDays 2, vbFirstFullWeek 3.
int FirstWeekOfYear(const Args& a, std::size_t i) {
    const std::int32_t rule = Given(a, i) ? a[i].ToLong() : 1;
    if (rule < 0 || rule > 3) {
        throw InvalidCall();
    }
    return rule == 0 ? 1 : rule;
}

// Days since 1899-12-30 of a proleptic Gregorian date (any year, so week numbers
// work next to the ends of the date range).
std::int64_t DayNumber(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    constexpr std::int64_t kEpoch = 693899; // 1899-12-30 counted from 0000-03-01
    return era * 146097 + dayOfEra - kEpoch;
}

// 0 = Sunday; day 0 (1899-12-30) was a Saturday.
int DayOfWeek(std::int64_t dayNumber) {
    return static_cast<int>(((dayNumber + 6) % 7 + 7) % 7);
}

// Days from the first day of the week to the given day.
int DaysIntoWeek(std::int64_t dayNumber, int firstDay) {
    return (DayOfWeek(dayNumber) - firstDay + 7) % 7;
}

std::int64_t WeekOneStart(std::int64_t year, int firstDay, int firstWeek) {
    const std::int64_t january1 = DayNumber(year, 1, 1);
    const int offset = DaysIntoWeek(january1, firstDay);
    switch (firstWeek) {
    case 2: // the first week with at least four days in the year
        return offset <= 3 ? january1 - offset : january1 - offset + 7;
    case 3: // the first full week
        return offset == 0 ? january1 : january1 - offset + 7;
    default: // the week of January 1
        return january1 - offset;
    }
}

int WeekOfYear(const datetime::DateParts& p, int firstDay, int firstWeek) {
    const std::int64_t day = DayNumber(p.year, p.month, p.day);
    const std::int64_t start = WeekOneStart(p.year, firstDay, firstWeek);
    if (day < start) { // the last week of the year before
        return static_cast<int>((day - WeekOneStart(p.year - 1, firstDay, firstWeek)) / 7 + 1);
    }
    // With the four-days rule the last days of December may open the next year's
    // first week (as the ISO week numbering counts them).
    if (firstWeek == 2 && day >= WeekOneStart(p.year + 1, firstDay, firstWeek)) {
        return 1;
    }
    return static_cast<int>((day - start) / 7 + 1);
}

// OLE dates before 1899-12-30 count days backwards but time forwards (-1.25 is
// 6:00 on 12/29/1899); these turn them into a straight line of days and back.
double LinearDays(double ole) {
    return ole >= 0 ? ole : std::trunc(ole) + std::fabs(ole - std::trunc(ole));
}

double FromLinearDays(double linear) {
    if (linear >= 0) {
        return linear;
    }
    const double day = std::floor(linear);
    return day - (linear - day);
}

Variant DateFromParts(std::int64_t month0, int day, const datetime::DateParts& time) {
    // month0 counts months from January of year 0; the day is clamped to the month.
    const std::int64_t y = month0 >= 0 ? month0 / 12 : (month0 - 11) / 12;
    const int m = static_cast<int>(month0 - y * 12) + 1;
    const datetime::OleDate first = datetime::OleDate::FromParts(static_cast<int>(y), m, 1);
    const datetime::OleDate next =
        m == 12 ? datetime::OleDate::FromParts(static_cast<int>(y) + 1, 1, 1)
                : datetime::OleDate::FromParts(static_cast<int>(y), m + 1, 1);
    if (!first.IsValid() || !next.IsValid()) {
        throw InvalidCall();
    }
    const int length = static_cast<int>(next.Value() - first.Value());
    const datetime::OleDate date = datetime::OleDate::FromParts(
        static_cast<int>(y), m, std::min(day, length), time.hour, time.minute, time.second);
    if (!date.IsValid()) {
        throw InvalidCall();
    }
    return Variant::Date(date.Value());
}

} // namespace

Variant DateAdd(Interpreter&, Args& a) {
    const Interval interval = ParseInterval(a[0]);
    const double count = std::trunc(a[1].ToDouble());
    if (a[2].IsNull()) {
        return Variant::Null();
    }
    const double date = a[2].ToDate();
    const datetime::DateParts parts = Parts(Variant::Date(date));
    auto addMonths = [&](double months) {
        if (std::fabs(months) > 120000) {
            throw InvalidCall();
        }
        const std::int64_t month0 = static_cast<std::int64_t>(parts.year) * 12 + (parts.month - 1) +
                                    static_cast<std::int64_t>(months);
        return DateFromParts(month0, parts.day, parts);
    };
    auto addDays = [&](double days) {
        const double result = FromLinearDays(LinearDays(date) + days);
        if (!(result >= -657434.0 && result < 2958466.0)) {
            throw InvalidCall();
        }
        return Variant::Date(result);
    };
    switch (interval) {
    case Interval::Year:
        return addMonths(count * 12);
    case Interval::Quarter:
        return addMonths(count * 3);
    case Interval::Month:
        return addMonths(count);
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday:
        return addDays(count);
    case Interval::Week:
        return addDays(count * 7);
    case Interval::Hour:
        return addDays(count / 24);
    case Interval::Minute:
        return addDays(count / 1440);
    case Interval::Second:
        return addDays(count / 86400);
    }
    return {};
}

Variant DateDiff(Interpreter&, Args& a) {
    const Interval interval = ParseInterval(a[0]);
    const int firstDay = FirstDayOfWeek(a, 3);
    // Week boundaries do not depend on where the first week of a year starts; the
    // argument is still checked.
    FirstWeekOfYear(a, 4);
    if (a[1].IsNull() || a[2].IsNull()) {
        return Variant::Null();
    }
    const double first = a[1].ToDate();
    const double second = a[2].ToDate();
    const datetime::DateParts p1 = Parts(Variant::Date(first));
    const datetime::DateParts p2 = Parts(Variant::Date(second));
    const double l1 = LinearDays(first);
    const double l2 = LinearDays(second);
    const std::int64_t d1 = DayNumber(p1.year, p1.month, p1.day);
    const std::int64_t d2 = DayNumber(p2.year, p2.month, p2.day);
    auto seconds = [](double linear) { return std::round(linear * 86400.0); };
    double result = 0;
    switch (interval) {
    case Interval::Year:
        result = p2.year - p1.year;
        break;
    case Interval::Quarter:
        result = (p2.year * 4 + (p2.month - 1) / 3) - (p1.year * 4 + (p1.month - 1) / 3);
        break;
    case Interval::Month:
        result = (p2.year * 12 + p2.month) - (p1.year * 12 + p1.month);
        break;
    case Interval::DayOfYear:
    case Interval::Day:
        result = static_cast<double>(d2 - d1);
        break;
    case Interval::Weekday: // whole weeks
        result = static_cast<double>((d2 - d1) / 7);
        break;
    case Interval::Week: // first days of the week crossed
        result = static_cast<double>(
            ((d2 - DaysIntoWeek(d2, firstDay)) - (d1 - DaysIntoWeek(d1, firstDay))) / 7);
        break;
    case Interval::Hour:
        result = std::floor(seconds(l2) / 3600) - std::floor(seconds(l1) / 3600);
        break;
    case Interval::Minute:
        result = std::floor(seconds(l2) / 60) - std::floor(seconds(l1) / 60);
        break;
    case Interval::Second:
        result = seconds(l2) - seconds(l1);
        break;
    }
    return Variant::Number(result);
}

Variant DatePart(Interpreter&, Args& a) {
    const Interval interval = ParseInterval(a[0]);
    const int firstDay = FirstDayOfWeek(a, 2);
    const int firstWeek = FirstWeekOfYear(a, 3);
    if (a[1].IsNull()) {
        return Variant::Null();
    }
    const datetime::DateParts p = Parts(a[1]);
    switch (interval) {
    case Interval::Year:
        return Variant::Integer(p.year);
    case Interval::Quarter:
        return Variant::Integer((p.month - 1) / 3 + 1);
    case Interval::Month:
        return Variant::Integer(p.month);
    case Interval::DayOfYear:
        return Variant::Integer(p.dayOfYear);
    case Interval::Day:
        return Variant::Integer(p.day);
    case Interval::Weekday:
        return Variant::Integer(DaysIntoWeek(DayNumber(p.year, p.month, p.day), firstDay) + 1);
    case Interval::Week:
        return Variant::Integer(WeekOfYear(p, firstDay, firstWeek));
    case Interval::Hour:
        return Variant::Integer(p.hour);
    case Interval::Minute:
        return Variant::Integer(p.minute);
    case Interval::Second:
        return Variant::Integer(p.second);
    }
    return {};
}

Variant DateValue(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const datetime::DateParts p = Parts(a[0]);
    return Variant::Date(datetime::OleDate::FromParts(p.year, p.month, p.day).Value());
}

Variant TimeValue(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const datetime::DateParts p = Parts(a[0]);
    return Variant::Date((p.hour * 3600.0 + p.minute * 60.0 + p.second) / 86400.0);
}

namespace {

Variant Now(Interpreter&, Args&) {
    return Variant::Date(datetime::OleDate::Now().Value());
}
Variant Today(Interpreter&, Args&) {
    return Variant::Date(std::floor(datetime::OleDate::Now().Value()));
}
Variant TimeOfDay(Interpreter&, Args&) {
    const double now = datetime::OleDate::Now().Value();
    return Variant::Date(now - std::floor(now));
}
Variant Timer(Interpreter&, Args&) {
    const auto now = clock::Now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const double fraction =
        std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(t)).count();
    return Variant::Single(tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + fraction);
}

template <int datetime::DateParts::*Field> Variant DateField(Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    return Variant::Integer(Parts(a[0]).*Field);
}

Variant Year(Interpreter&, Args& a) {
    return DateField<&datetime::DateParts::year>(a);
}
Variant Month(Interpreter&, Args& a) {
    return DateField<&datetime::DateParts::month>(a);
}
Variant Day(Interpreter&, Args& a) {
    return DateField<&datetime::DateParts::day>(a);
}
Variant Hour(Interpreter&, Args& a) {
    return DateField<&datetime::DateParts::hour>(a);
}
Variant Minute(Interpreter&, Args& a) {
    return DateField<&datetime::DateParts::minute>(a);
}
Variant Second(Interpreter&, Args& a) {
    return DateField<&datetime::DateParts::second>(a);
}

Variant Weekday(Interpreter&, Args& a) {
    if (a[0].IsNull()) {
        return Variant::Null();
    }
    const std::int32_t first = Given(a, 1) ? a[1].ToLong() : 1;
    if (first < 0 || first > 7) {
        throw InvalidCall();
    }
    const int sundayBased = Parts(a[0]).dayOfWeek; // 0 = Sunday
    const int start = first == 0 ? 0 : first - 1;
    return Variant::Integer((sundayBased - start + 7) % 7 + 1);
}

Variant DateSerial(Interpreter&, Args& a) {
    std::int64_t year = a[0].ToInteger();
    if (year >= 0 && year < 30) {
        year += 2000;
    } else if (year >= 30 && year < 100) {
        year += 1900;
    }
    const std::int64_t month0 = year * 12 + (a[1].ToInteger() - 1);
    const std::int64_t y = month0 >= 0 ? month0 / 12 : (month0 - 11) / 12;
    const int m = static_cast<int>(month0 - y * 12) + 1;
    const datetime::OleDate first = datetime::OleDate::FromParts(static_cast<int>(y), m, 1);
    if (!first.IsValid()) {
        throw InvalidCall();
    }
    return Variant::Date(first.Value() + (a[2].ToInteger() - 1));
}

Variant TimeSerial(Interpreter&, Args& a) {
    const double seconds = a[0].ToInteger() * 3600.0 + a[1].ToInteger() * 60.0 + a[2].ToInteger();
    return Variant::Date(seconds / 86400.0);
}

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

Variant MonthName(Interpreter&, Args& a) {
    const std::int32_t month = a[0].ToLong();
    if (month < 1 || month > 12) {
        throw InvalidCall();
    }
    const std::string name = kMonthNames[month - 1];
    return Variant::String(Given(a, 1) && a[1].ToBool() ? name.substr(0, 3) : name);
}

Variant WeekdayName(Interpreter&, Args& a) {
    const std::int32_t day = a[0].ToLong();
    const std::int32_t first = Given(a, 2) ? a[2].ToLong() : 1;
    if (day < 1 || day > 7 || first < 0 || first > 7) {
        throw InvalidCall();
    }
    const int start = first == 0 ? 0 : first - 1;
    const std::string name = kDayNames[(day - 1 + start) % 7];
    return Variant::String(Given(a, 1) && a[1].ToBool() ? name.substr(0, 3) : name);
}

} // namespace

std::span<const Builtin> DateFunctions() {
    static const Builtin kFunctions[] = {
        {"Date", 0, 0, Today},
        {"DateAdd", 3, 3, DateAdd},
        {"DateDiff", 3, 5, DateDiff},
        {"DatePart", 2, 4, DatePart},
        {"DateSerial", 3, 3, DateSerial},
        {"DateValue", 1, 1, DateValue},
        {"Day", 1, 1, Day},
        {"Hour", 1, 1, Hour},
        {"Minute", 1, 1, Minute},
        {"Month", 1, 1, Month},
        {"MonthName", 1, 2, MonthName},
        {"Now", 0, 0, Now},
        {"Second", 1, 1, Second},
        {"Time", 0, 0, TimeOfDay},
        {"Timer", 0, 0, Timer},
        {"TimeSerial", 3, 3, TimeSerial},
        {"TimeValue", 1, 1, TimeValue},
        {"Weekday", 1, 2, Weekday},
        {"WeekdayName", 1, 3, WeekdayName},
        {"Year", 1, 1, Year},
    };
    return kFunctions;
}

} // namespace ob::vbscript::builtin
