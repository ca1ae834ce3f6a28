// Day-number conversions of the proleptic Gregorian calendar (the era-based
// method: 400-year eras of 146097 days, years starting in March so that the leap
// day comes last).
#include "platform/time/civil_calendar.h"

namespace ob::datetime::calendar {

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    std::int64_t q = value / divisor;
    if (value % divisor != 0 && value < 0) {
        --q;
    }
    return q;
}

std::int64_t OleDayFromCivil(std::int64_t year, int month, int day) {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yearOfEra = y - era * 400;                          // 0..399
    const std::int64_t shiftedMonth = month > 2 ? month - 3 : month + 9;   // March = 0
    const std::int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1; // 0..365
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t unixDay = era * 146097 + dayOfEra - 719468;
    return unixDay - kOleEpochUnixDay;
}

CivilDay CivilFromOleDay(std::int64_t oleDay) {
    const std::int64_t z = oleDay + kOleEpochUnixDay + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097; // 0..146096
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365; // 0..399
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153; // March = 0
    const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return CivilDay{year, month, day};
}

int DayOfWeek(std::int64_t oleDay) {
    // 1899-12-30 was a Saturday.
    return static_cast<int>((oleDay + 6) - FloorDiv(oleDay + 6, 7) * 7);
}

} // namespace ob::datetime::calendar
