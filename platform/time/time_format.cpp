// Date and time text: strftime with the Windows '#' flag, the locale's 12/24-hour
// choice, and the default text form of OLE dates.
//
// glibc gives '#' a meaning of its own (swap the letter case), so '#' never reaches
// the C library: the conversions it changes are written here, every other
// conversion goes to strftime as it is.
#include "platform/time/ole_date.h"

#include <langinfo.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ob::datetime {
namespace {

constexpr std::size_t kMaxConversionOutput = 64 * 1024;
// '#' applied to the locale's own formats (%#r, %#X) goes one level deep at most.
constexpr int kMaxDepth = 2;

/// One strftime conversion (or any strftime pattern); "" when it produces nothing.
std::string Strftime(const std::string& pattern, const std::tm& tm) {
    // A leading character tells an empty result apart from a buffer that is too
    // small (strftime returns 0 for both).
    const std::string format = " " + pattern;
    std::vector<char> buffer(128);
    while (buffer.size() <= kMaxConversionOutput) {
        const std::size_t n = std::strftime(buffer.data(), buffer.size(), format.c_str(), &tm);
        if (n > 0) {
            return std::string(buffer.data() + 1, n - 1);
        }
        buffer.resize(buffer.size() * 4);
    }
    return std::string();
}

/// Drops padding: leading blanks, then leading zeros before another digit.
std::string StripLeadingZeros(std::string text) {
    std::size_t k = 0;
    while (k < text.size() && text[k] == ' ') {
        ++k;
    }
    while (k + 1 < text.size() && text[k] == '0' && text[k + 1] >= '0' && text[k + 1] <= '9') {
        ++k;
    }
    text.erase(0, k);
    return text;
}

/// Adds the '#' flag to every conversion of a strftime pattern.
std::string WithHashFlags(std::string_view pattern) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        out += pattern[i];
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == '%') {
                out += '%';
                ++i;
            } else if (pattern[i + 1] != '#') {
                out += '#';
            }
        }
    }
    return out;
}

std::string FormatPattern(std::string_view pattern, const std::tm& tm, int depth);

std::string LocaleString(nl_item item, const char* fallback) {
    const char* value = ::nl_langinfo(item);
    return value != nullptr && *value != '\0' ? value : fallback;
}

/// The time of day as the default text form writes it: "12:41:29 PM" on a
/// 12-hour clock, "12:41:29" on a 24-hour one (hours of two digits).
std::string ClockTime(int hour, int minute, int second) {
    char buffer[32];
    if (LocaleUses12Hour()) {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d ", hour12, minute, second);
        return buffer + LocaleString(hour < 12 ? AM_STR : PM_STR, hour < 12 ? "AM" : "PM");
    }
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
    return buffer;
}

/// "Tuesday, March 14, 1995" (names from the locale).
std::string LongDate(const std::tm& tm) {
    return FormatPattern("%A, %B %#d, %Y", tm, kMaxDepth);
}

/// A conversion written with the '#' flag; `plain` is the same conversion
/// without it (other flags kept).
std::string HashConversion(char conversion, const std::string& plain, const std::tm& tm,
                           int depth) {
    switch (conversion) {
    case 'c':
        return LongDate(tm) + " " + ClockTime(tm.tm_hour, tm.tm_min, tm.tm_sec);
    case 'x':
        return LongDate(tm);
    case 'd':
    case 'e':
    case 'H':
    case 'I':
    case 'j':
    case 'k':
    case 'l':
    case 'm':
    case 'M':
    case 'S':
    case 'U':
    case 'V':
    case 'w':
    case 'W':
    case 'y':
    case 'Y':
        return StripLeadingZeros(Strftime(plain, tm));
    default:
        break;
    }
    if (depth < kMaxDepth) {
        // Composite conversions lose the leading zeros of each of their numbers.
        switch (conversion) {
        case 'D':
            return FormatPattern("%#m/%#d/%#y", tm, depth + 1);
        case 'F':
            return FormatPattern("%#Y-%#m-%#d", tm, depth + 1);
        case 'R':
            return FormatPattern("%#H:%#M", tm, depth + 1);
        case 'T':
            return FormatPattern("%#H:%#M:%#S", tm, depth + 1);
        case 'r':
            return FormatPattern(WithHashFlags(LocaleString(T_FMT_AMPM, "%I:%M:%S %p")), tm,
                                 depth + 1);
        case 'X':
            return FormatPattern(WithHashFlags(LocaleString(T_FMT, "%H:%M:%S")), tm, depth + 1);
        default:
            break;
        }
    }
    // Names, AM/PM, zones and the like have no leading zeros: '#' changes nothing.
    return Strftime(plain, tm);
}

bool IsFlag(char c) {
    return c == '#' || c == '_' || c == '-' || c == '0' || c == '^';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string FormatPattern(std::string_view pattern, const std::tm& tm, int depth) {
    std::string out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        // "%" [flags] [width] [E|O] conversion
        std::string plain = "%";
        bool hash = false;
        std::size_t j = i + 1;
        while (j < pattern.size() && IsFlag(pattern[j])) {
            if (pattern[j] == '#') {
                hash = true;
            } else {
                plain += pattern[j];
            }
            ++j;
        }
        while (j < pattern.size() && IsDigit(pattern[j])) {
            plain += pattern[j++];
        }
        if (j < pattern.size() && (pattern[j] == 'E' || pattern[j] == 'O')) {
            plain += pattern[j++];
        }
        if (j >= pattern.size()) {
            // An unfinished conversion at the end is kept as text.
            out += plain;
            break;
        }
        const char conversion = pattern[j];
        plain += conversion;
        out += hash ? HashConversion(conversion, plain, tm, depth) : Strftime(plain, tm);
        i = j + 1;
    }
    return out;
}

} // namespace

std::string FormatTime(std::string_view pattern, const std::tm& tm) {
    try {
        return FormatPattern(pattern, tm, 0);
    } catch (...) {
        return std::string();
    }
}

bool TimeFormatIs12Hour(std::string_view timeFormat) {
    for (std::size_t i = 0; i < timeFormat.size(); ++i) {
        if (timeFormat[i] != '%') {
            continue;
        }
        std::size_t j = i + 1;
        while (j < timeFormat.size() && (IsFlag(timeFormat[j]) || IsDigit(timeFormat[j]) ||
                                         timeFormat[j] == 'E' || timeFormat[j] == 'O')) {
            ++j;
        }
        if (j >= timeFormat.size()) {
            return false;
        }
        const char conversion = timeFormat[j];
        if (conversion == 'I' || conversion == 'l' || conversion == 'r' || conversion == 'p' ||
            conversion == 'P') {
            return true;
        }
        i = j; // "%%" ends here too, so its second '%' starts nothing
    }
    return false;
}

bool LocaleUses12Hour() {
    const char* format = ::nl_langinfo(T_FMT);
    return format != nullptr && TimeFormatIs12Hour(format);
}

std::string OleDate::Format() const {
    DateParts parts;
    if (!GetParts(parts)) {
        return std::string();
    }
    try {
        const std::string time = ClockTime(parts.hour, parts.minute, parts.second);
        if (parts.year == 1899 && parts.month == 12 && parts.day == 30) {
            return time; // day 0: a time of day alone
        }
        std::string date = std::to_string(parts.month) + "/" + std::to_string(parts.day) + "/" +
                           std::to_string(parts.year);
        if (parts.hour == 0 && parts.minute == 0 && parts.second == 0) {
            return date;
        }
        return date + " " + time;
    } catch (...) {
        return std::string();
    }
}

std::string OleDate::Format(std::string_view pattern) const {
    DateParts parts;
    if (!GetParts(parts)) {
        return std::string();
    }
    std::tm tm{};
    tm.tm_year = parts.year - 1900;
    tm.tm_mon = parts.month - 1;
    tm.tm_mday = parts.day;
    tm.tm_hour = parts.hour;
    tm.tm_min = parts.minute;
    tm.tm_sec = parts.second;
    tm.tm_wday = parts.dayOfWeek;
    tm.tm_yday = parts.dayOfYear - 1;
    tm.tm_isdst = -1;
    // The zone conversions (%Z, %z) need the local zone in force at that moment;
    // mktime works it out. The calendar fields stay ours (mktime would move a time
    // that falls into a daylight-saving gap).
    std::tm zone = tm;
    zone.tm_wday = -1;
    std::mktime(&zone);
    if (zone.tm_wday >= 0) {
        tm.tm_isdst = zone.tm_isdst;
        tm.tm_gmtoff = zone.tm_gmtoff;
        tm.tm_zone = zone.tm_zone;
    } else {
        tm.tm_isdst = 0;
    }
    return FormatTime(pattern, tm);
}

} // namespace ob::datetime
