// Which runs a history listing shows, as `obrenta history` and the console's
// `history` command take it from their words:
//   --job PATTERN   runs of jobs whose name the regular expression matches anywhere
//   --since TIME    runs that started at or after TIME: a local date and time
//                   ("2024-03-04", "2024-03-04 10:00", "2024-03-04 10:00:30") or a
//                   span back from now: a whole number and s, m, h, d or w ("90m", "2d")
//   --failed        runs in which a statement failed, or that aborted
//   --limit N       the newest N runs (0: all; default 50)
//   --json          (where allowed) JSON instead of the table
// Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::history {

/// Most runs one listing may ask for.
inline constexpr std::uint32_t kMaxLimit = 1000000;
inline constexpr std::uint32_t kDefaultLimit = 50;

struct HistoryFilter {
    std::string jobPattern;   ///< empty: every job
    std::int64_t sinceMs = 0; ///< Unix milliseconds; 0: from the first run kept
    bool failedOnly = false;
    std::uint32_t limit = kDefaultLimit; ///< 0: every run
};

struct HistoryRequest {
    HistoryFilter filter;
    bool json = false;
};

/// Parses the words (without the command word); `nowMs` is the Unix time spans
/// count back from. A date and a time given as two words ("--since 2024-03-04
/// 10:00", as a console line splits them) are read together. Nothing, with a
/// message in `error`, for an unknown word, a missing value, a value out of range
/// or a pattern that does not compile; "--json" is unknown unless `allowJson`.
std::optional<HistoryRequest> ParseHistoryWords(const std::vector<std::string>& words,
                                                std::int64_t nowMs, bool allowJson,
                                                std::string& error);

/// The moment of a --since value in Unix milliseconds, or nothing.
std::optional<std::int64_t> ParseSince(std::string_view text, std::int64_t nowMs);

} // namespace ob::history
