// Proleptic Gregorian calendar arithmetic on day numbers, the ground on which OLE
// dates are converted to and from calendar parts. Internal to the platform
// library; pure functions, any thread.
#pragma once

#include <cstdint>

namespace ob::datetime::calendar {

/// Day number of 1899-12-30 counted from 1970-01-01.
inline constexpr std::int64_t kOleEpochUnixDay = -25569;

struct CivilDay {
    std::int64_t year;
    int month; // 1..12
    int day;   // 1..31
};

bool IsLeapYear(std::int64_t year);

/// Days in a month (1..12) of a year; 0 for a month out of range.
int DaysInMonth(std::int64_t year, int month);

/// Days since 1899-12-30 of a calendar day (any month/day in range, not checked).
std::int64_t OleDayFromCivil(std::int64_t year, int month, int day);

/// Calendar day of a day number counted from 1899-12-30.
CivilDay CivilFromOleDay(std::int64_t oleDay);

/// 0 = Sunday .. 6 = Saturday.
int DayOfWeek(std::int64_t oleDay);

/// Floor division (rounds towards negative infinity) for a positive divisor.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor);

} // namespace ob::datetime::calendar
