// The JSON answers of the dashboard's API, built from the engine's records (see
// docs/web.md for their shapes). Pure functions; any thread.
#pragma once

#include "obrenta/history.h"
#include "obrenta/jobs.h"
#include "obrenta/preview.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ob::web {

/// The newest recorded run of each job, by name.
using LastRuns = std::unordered_map<std::string, const OB_HistoryRun*>;

/// "start", "stop", "action", ... for an OB_STATEMENT_* kind.
std::string_view StatementKindWord(std::uint32_t kind);

/// One row of the job list: name, file, state, next and last run, the last run's
/// outcome (from `lastRuns` when the job ran since history was kept), statistics.
nlohmann::json JobSummary(const OB_JobInfo& job, const LastRuns& lastRuns);

/// One job's page: its summary, its statements, `preview`'s times (null: none
/// available) and `runs` (its history, oldest first).
nlohmann::json JobDetail(const OB_JobInfo& job, const LastRuns& lastRuns,
                         const OB_JobPreview* preview, const OB_History* runs);

/// One recorded run.
nlohmann::json RunJson(const OB_HistoryRun& run);

/// A Unix time in milliseconds as local time "YYYY-MM-DD HH:MM:SS"; "" for 0.
std::string LocalTimeText(std::int64_t unixMs);

/// The Unix time in milliseconds of a local time "YYYY-MM-DD[ HH:MM[:SS]]" (a "T"
/// may stand for the blank); nothing when the text is not such a time.
std::optional<std::int64_t> ParseLocalTime(std::string_view text);

/// A regular expression (the console's syntax) that matches exactly `name`, which
/// holds no NUL (the expressions are C strings).
std::string ExactNamePattern(std::string_view name);

} // namespace ob::web
