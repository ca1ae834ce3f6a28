#include "common/ftp/ftp_listing_parser.h"

#include <array>
#include <ctime>
#include <vector>

namespace ob::common::ftp {
namespace {

struct Token {
    std::string_view text;
    std::size_t end; ///< offset just past the token in the line
};

std::vector<Token> Tokens(std::string_view line, std::size_t most) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size() && tokens.size() < most) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            tokens.push_back({line.substr(start, i - start), i});
        }
    }
    return tokens;
}

bool AllDigits(std::string_view text) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::uint64_t Number(std::string_view digits) {
    std::uint64_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

int Month(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths{
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() != 3) {
        return -1;
    }
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        bool same = true;
        for (std::size_t i = 0; i < 3; ++i) {
            const char c = static_cast<char>(name[i] | 0x20);
            same = same && c == kMonths[m][i];
        }
        if (same) {
            return static_cast<int>(m);
        }
    }
    return -1;
}

/// "HH:MM" as minutes of the day, or -1.
int ClockMinutes(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !AllDigits(text.substr(0, colon)) ||
        !AllDigits(text.substr(colon + 1)) || colon > 2 || text.size() - colon - 1 != 2) {
        return -1;
    }
    const auto hours = Number(text.substr(0, colon));
    const auto minutes = Number(text.substr(colon + 1));
    return hours < 24 && minutes < 60 ? static_cast<int>(hours * 60 + minutes) : -1;
}

std::time_t UtcTime(int year, int month, int day, int minutes) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month;
    fields.tm_mday = day;
    fields.tm_hour = minutes / 60;
    fields.tm_min = minutes % 60;
    const std::time_t t = ::timegm(&fields);
    return t < 0 ? 0 : t;
}

/// The name: what follows `token` after the one blank that separates it.
std::string_view NameAfter(std::string_view line, const Token& token) {
    std::string_view rest = line.substr(token.end);
    if (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
        rest.remove_prefix(1);
    }
    return rest;
}

std::optional<FtpListEntry> UnixLine(std::string_view line) {
    const char type = line.empty() ? '\0' : line.front();
    if (line.size() < 10 || std::string_view("-dlbcps").find(type) == std::string_view::npos) {
        return std::nullopt;
    }
    // Owner and group may be missing or hold blanks; the date is the anchor: a
    // month name, a day and a clock time or a year, with the size before it.
    const std::vector<Token> tokens = Tokens(line, 64);
    for (std::size_t i = 2; i + 2 < tokens.size(); ++i) {
        const int month = Month(tokens[i].text);
        if (month < 0 || !AllDigits(tokens[i - 1].text) || !AllDigits(tokens[i + 1].text) ||
            tokens[i + 1].text.size() > 2) {
            continue;
        }
        const int day = static_cast<int>(Number(tokens[i + 1].text));
        const std::string_view when = tokens[i + 2].text;
        int year = 0;
        int minutes = ClockMinutes(when);
        if (minutes < 0) {
            if (!AllDigits(when) || when.size() != 4) {
                continue;
            }
            year = static_cast<int>(Number(when));
            minutes = 0;
        } else {
            // A clock time means within the last half year.
            const std::time_t now = std::time(nullptr);
            std::tm today{};
            ::gmtime_r(&now, &today);
            year = today.tm_year + 1900 - (month > today.tm_mon ? 1 : 0);
        }
        std::string_view name = NameAfter(line, tokens[i + 2]);
        if (type == 'l') {
            name = name.substr(0, name.find(" -> "));
        }
        if (name.empty() || day < 1 || day > 31) {
            return std::nullopt;
        }
        FtpListEntry entry;
        entry.name = std::string(name);
        entry.directory = type == 'd';
        entry.symbolicLink = type == 'l';
        entry.size = Number(tokens[i - 1].text);
        entry.modified = UtcTime(year, month, day, minutes);
        return entry;
    }
    return std::nullopt;
}

std::optional<FtpListEntry> WindowsLine(std::string_view line) {
    const std::vector<Token> tokens = Tokens(line, 3);
    if (tokens.size() < 3) {
        return std::nullopt;
    }
    // MM-DD-YY or MM-DD-YYYY
    const std::string_view date = tokens[0].text;
    if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-' ||
        !AllDigits(date.substr(0, 2)) || !AllDigits(date.substr(3, 2)) ||
        !AllDigits(date.substr(6))) {
        return std::nullopt;
    }
    // HH:MMAM or HH:MMPM (or a 24-hour HH:MM)
    std::string_view clock = tokens[1].text;
    bool twelveHour = false;
    bool afternoon = false;
    if (clock.size() > 2) {
        const std::string_view half = clock.substr(clock.size() - 2);
        if (half == "AM" || half == "am" || half == "PM" || half == "pm") {
            twelveHour = true;
            afternoon = half[0] == 'P' || half[0] == 'p';
            clock.remove_suffix(2);
        }
    }
    int minutes = ClockMinutes(clock);
    if (minutes < 0) {
        return std::nullopt;
    }
    if (twelveHour) {
        minutes = minutes % (12 * 60) + (afternoon ? 12 * 60 : 0);
    }
    const bool directory = tokens[2].text == "<DIR>";
    if (!directory && !AllDigits(tokens[2].text)) {
        return std::nullopt;
    }
    std::string_view name = line.substr(tokens[2].end);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) {
        name.remove_prefix(1);
    }
    if (name.empty()) {
        return std::nullopt;
    }
    int year = static_cast<int>(Number(date.substr(6)));
    if (date.size() == 8) {
        year += year < 70 ? 2000 : 1900;
    }
    const int month = static_cast<int>(Number(date.substr(0, 2))) - 1;
    const int day = static_cast<int>(Number(date.substr(3, 2)));
    if (month < 0 || month > 11 || day < 1 || day > 31) {
        return std::nullopt;
    }
    FtpListEntry entry;
    entry.name = std::string(name);
    entry.directory = directory;
    entry.size = directory ? 0 : Number(tokens[2].text);
    entry.modified = UtcTime(year, month, day, minutes);
    return entry;
}

} // namespace

std::optional<FtpListEntry> ParseListingLine(std::string_view line) {
    if (auto entry = UnixLine(line)) {
        return entry;
    }
    return WindowsLine(line);
}

FtpListing ParseListing(std::string_view text) {
    FtpListing entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (auto entry = ParseListingLine(line)) {
            entries.push_back(std::move(*entry));
        }
    }
    return FtpListing(entries.rbegin(), entries.rend());
}

} // namespace ob::common::ftp
