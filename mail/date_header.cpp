#include "mail/date_header.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace ob::mail {

std::string DateHeaderValue(std::chrono::system_clock::time_point when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    // The zone's whole offset, minutes included (+0530), daylight time counted in.
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long magnitude = std::labs(offsetMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %d:%02d:%02d %c%02ld%02ld",
                  kDays[local.tm_wday % 7], local.tm_mday, kMonths[local.tm_mon % 12],
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  offsetMinutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

} // namespace ob::mail
