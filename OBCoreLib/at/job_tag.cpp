#include "OBCoreLib/at/job_tag.h"

#include "platform/text/base64.h"

#include <charconv>
#include <optional>

namespace ob::at {
namespace {

// Flags a tag may carry: the ones a script's job is made with.
constexpr std::uint8_t kStoredFlags = JOB_NONINTERACTIVE;

// The next decimal field before a ":" (advancing `rest`), at most `limit`.
std::optional<std::uint32_t> TakeNumber(std::string_view& rest, std::uint32_t limit) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    const char* end = rest.data() + colon;
    const auto [at, error] = std::from_chars(rest.data(), end, value);
    if (error != std::errc() || at != end || value > limit) {
        return std::nullopt;
    }
    rest.remove_prefix(colon + 1);
    return value;
}

} // namespace

std::string JobTag(const AtJobRecord& job) {
    return std::string(kJobTagPrefix) + std::to_string(job.flags & kStoredFlags) + ":" +
           std::to_string(job.daysOfMonth & kAllMonthDays) + ":" +
           std::to_string(job.daysOfWeek & kAllWeekdays) + ":" + text::Base64Encode(job.command);
}

bool ParseJobTag(std::string_view text, AtJobRecord& job) {
    if (!text.starts_with(kJobTagPrefix)) {
        return false;
    }
    std::string_view rest = text.substr(kJobTagPrefix.size());
    const auto flags = TakeNumber(rest, kStoredFlags);
    const auto monthDays = TakeNumber(rest, kAllMonthDays);
    const auto weekdays = TakeNumber(rest, kAllWeekdays);
    if (!flags || !monthDays || !weekdays ||
        rest.find_first_of(" \t\r\n") != std::string_view::npos) {
        return false;
    }
    auto command = text::Base64Decode(rest);
    if (!command || (*flags & ~kStoredFlags) != 0) {
        return false;
    }
    job.flags = static_cast<std::uint8_t>(*flags);
    job.daysOfMonth = *monthDays;
    job.daysOfWeek = static_cast<std::uint8_t>(*weekdays);
    job.command = std::move(*command);
    return true;
}

} // namespace ob::at
