#include "vbscript/date_text.h"

#include "platform/time/ole_date.h"

#include <cmath>
#include <cstdio>

namespace ob::vbscript {
namespace {

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

std::string ShortDate(const datetime::DateParts& p) {
    return std::to_string(p.month) + "/" + std::to_string(p.day) + "/" + std::to_string(p.year);
}

std::string LongDate(const datetime::DateParts& p) {
    return std::string(kDayNames[p.dayOfWeek]) + ", " + kMonthNames[p.month - 1] + " " +
           std::to_string(p.day) + ", " + std::to_string(p.year);
}

std::string LongTime(const datetime::DateParts& p) {
    char buffer[32];
    const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour12, p.minute, p.second,
                  p.hour < 12 ? "AM" : "PM");
    return buffer;
}

std::string ShortTime(const datetime::DateParts& p) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", p.hour, p.minute);
    return buffer;
}

} // namespace

std::string FormatDateText(double oleDate, int format) {
    datetime::DateParts p;
    if (!datetime::OleDate(oleDate).GetParts(p)) {
        return {};
    }
    switch (format) {
    case 1:
        return LongDate(p);
    case 2:
        return ShortDate(p);
    case 3:
        return LongTime(p);
    case 4:
        return ShortTime(p);
    default: {
        const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
        if (std::trunc(oleDate) == 0) {
            return LongTime(p);
        }
        return hasTime ? ShortDate(p) + " " + LongTime(p) : ShortDate(p);
    }
    }
}

} // namespace ob::vbscript
