#include "platform/time/local_time_text.h"

#include <cstdio>

namespace ob::datetime {
namespace {

// Reads `width` decimal digits at `at`; false when any is not a digit.
bool Digits(std::string_view text, std::size_t at, std::size_t width, int& value) {
    if (at + width > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<OleDate> ParseLocalDateTime(std::string_view text) {
    // Offsets in "YYYY-MM-DD HH:MM:SS".
    constexpr std::size_t kDateLength = 10;
    constexpr std::size_t kMinuteLength = 16;
    constexpr std::size_t kSecondLength = 19;
    if (text.size() != kDateLength && text.size() != kMinuteLength &&
        text.size() != kSecondLength) {
        return std::nullopt;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!Digits(text, 0, 4, year) || text[4] != '-' || !Digits(text, 5, 2, month) ||
        text[7] != '-' || !Digits(text, 8, 2, day) || year < 1000) {
        return std::nullopt;
    }
    if (text.size() > kDateLength) {
        if ((text[10] != ' ' && text[10] != 'T') || !Digits(text, 11, 2, hour) || text[13] != ':' ||
            !Digits(text, 14, 2, minute)) {
            return std::nullopt;
        }
        if (text.size() == kSecondLength && (text[16] != ':' || !Digits(text, 17, 2, second))) {
            return std::nullopt;
        }
    }
    if (hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    // FromParts refuses days a month does not have.
    const OleDate date = OleDate::FromParts(year, month, day, hour, minute, second);
    if (!date.IsValid()) {
        return std::nullopt;
    }
    return date;
}

std::string FormatLocalDateTime(const OleDate& date) {
    DateParts parts;
    if (!date.GetParts(parts)) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month,
                  parts.day, parts.hour, parts.minute, parts.second);
    return text;
}

} // namespace ob::datetime
