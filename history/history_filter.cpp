#include "history/history_filter.h"

#include "common/regex/regex_program.h"
#include "platform/time/clock_changes.h"
#include "platform/time/local_time_text.h"

#include <charconv>
#include <limits>

namespace ob::history {
namespace {

constexpr std::int64_t kMsPerSecond = 1000;
// A span back from now of at most this many digits: far beyond any history.
constexpr std::size_t kMaxSpanDigits = 9;

std::optional<std::int64_t> SecondsPerUnit(char unit) {
    switch (unit) {
    case 's':
        return 1;
    case 'm':
        return 60;
    case 'h':
        return 3600;
    case 'd':
        return 86400;
    case 'w':
        return 7 * 86400;
    default:
        return std::nullopt;
    }
}

std::optional<std::int64_t> SpanBack(std::string_view text, std::int64_t nowMs) {
    if (text.size() < 2 || text.size() > kMaxSpanDigits + 1) {
        return std::nullopt;
    }
    const auto unit = SecondsPerUnit(text.back());
    std::int64_t count = 0;
    const std::string_view digits = text.substr(0, text.size() - 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (!unit || error != std::errc() || end != digits.data() + digits.size() || count < 0) {
        return std::nullopt;
    }
    return nowMs - count * *unit * kMsPerSecond;
}

bool IsTimeOfDay(std::string_view word) {
    return (word.size() == 5 || word.size() == 8) && word[2] == ':';
}

std::optional<std::uint32_t> ParseLimit(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value > kMaxLimit) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::int64_t> ParseSince(std::string_view text, std::int64_t nowMs) {
    if (const auto back = SpanBack(text, nowMs)) {
        return back;
    }
    const auto wall = datetime::ParseLocalDateTime(text);
    if (!wall) {
        return std::nullopt;
    }
    const auto instant = datetime::FirstInstantOf(*wall);
    if (!instant || *instant > std::numeric_limits<std::int64_t>::max() / kMsPerSecond) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*instant) * kMsPerSecond;
}

std::optional<HistoryRequest> ParseHistoryWords(const std::vector<std::string>& words,
                                                std::int64_t nowMs, bool allowJson,
                                                std::string& error) {
    HistoryRequest request;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--failed") {
            request.filter.failedOnly = true;
            continue;
        }
        if (word == "--json" && allowJson) {
            request.json = true;
            continue;
        }
        if (word != "--job" && word != "--since" && word != "--limit") {
            error = "unknown option " + word;
            return std::nullopt;
        }
        if (i + 1 >= words.size()) {
            error = word + " needs a value";
            return std::nullopt;
        }
        std::string value = words[++i];
        if (word == "--job") {
            std::string why;
            if (!common::CompileRegex(value, &why)) {
                error = "--job takes a regular expression: " + why;
                return std::nullopt;
            }
            request.filter.jobPattern = value;
        } else if (word == "--since") {
            if (i + 1 < words.size() && value.size() == 10 && IsTimeOfDay(words[i + 1])) {
                value += " " + words[++i];
            }
            const auto since = ParseSince(value, nowMs);
            if (!since) {
                error = "--since takes a local time (\"YYYY-MM-DD HH:MM:SS\") or a span such "
                        "as 90m, 12h or 7d, not '" +
                        value + "'";
                return std::nullopt;
            }
            request.filter.sinceMs = *since;
        } else {
            const auto limit = ParseLimit(value);
            if (!limit) {
                error = "--limit takes a whole number from 0 to " + std::to_string(kMaxLimit) +
                        ", not '" + value + "'";
                return std::nullopt;
            }
            request.filter.limit = *limit;
        }
    }
    return request;
}

} // namespace ob::history
