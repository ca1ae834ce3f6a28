// Test support: the fixed "now" that the action tests set with
// ob::clock::SetTestClock: Tuesday, March 14, 1995 12:41:29 local time (in the zone in
// force when it is called).
#pragma once

#include <chrono>
#include <ctime>

namespace ob::test {

inline std::chrono::system_clock::time_point FixedNow() {
    std::tm parts{};
    parts.tm_year = 95;
    parts.tm_mon = 2;
    parts.tm_mday = 14;
    parts.tm_hour = 12;
    parts.tm_min = 41;
    parts.tm_sec = 29;
    parts.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&parts));
}

} // namespace ob::test
