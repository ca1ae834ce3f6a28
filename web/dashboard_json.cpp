#include "web/dashboard_json.h"

#include <cctype>
#include <ctime>

namespace ob::web {
namespace {

std::string StateWord(std::uint32_t state) {
    if ((state & OB_JOB_EXPIRED) != 0) {
        return "expired";
    }
    if ((state & OB_JOB_RUNNING) != 0) {
        return "running";
    }
    return "";
}

std::string_view FailureWord(std::uint32_t failure) {
    switch (failure) {
    case OB_FAILURE_SOFT:
        return "soft";
    case OB_FAILURE_FATAL:
        return "fatal";
    default:
        return "none";
    }
}

} // namespace

std::string_view StatementKindWord(std::uint32_t kind) {
    switch (kind) {
    case OB_STATEMENT_START:
        return "start";
    case OB_STATEMENT_STOP:
        return "stop";
    case OB_STATEMENT_ACTION:
        return "action";
    case OB_STATEMENT_SKIP:
        return "skip";
    case OB_STATEMENT_SUSPEND:
        return "suspend";
    case OB_STATEMENT_RESUME:
        return "resume";
    case OB_STATEMENT_MATCH:
        return "match";
    default:
        return "other";
    }
}

std::string LocalTimeText(std::int64_t unixMs) {
    if (unixMs == 0) {
        return {};
    }
    const std::time_t seconds = static_cast<std::time_t>(unixMs / 1000);
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return {};
    }
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::optional<std::int64_t> ParseLocalTime(std::string_view text) {
    // Digits where the form has digits, the separators where it has them.
    static constexpr std::string_view kForm = "dddd-dd-dd dd:dd:dd";
    if (text.size() != 10 && text.size() != 16 && text.size() != 19) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char want = kForm[i];
        const char c = text[i];
        const bool fits = want == 'd'   ? std::isdigit(static_cast<unsigned char>(c)) != 0
                          : want == ' ' ? c == ' ' || c == 'T'
                                        : c == want;
        if (!fits) {
            return std::nullopt;
        }
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length && i < text.size(); ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    std::tm local{};
    local.tm_year = number(0, 4) - 1900;
    local.tm_mon = number(5, 2) - 1;
    local.tm_mday = number(8, 2);
    local.tm_hour = number(11, 2);
    local.tm_min = number(14, 2);
    local.tm_sec = number(17, 2);
    local.tm_isdst = -1;
    const int month = local.tm_mon;
    const int day = local.tm_mday;
    const std::time_t seconds = std::mktime(&local);
    // mktime moves an impossible date (February 30) on; such a date is refused.
    if (seconds == static_cast<std::time_t>(-1) || local.tm_mon != month || local.tm_mday != day ||
        local.tm_hour > 23 || local.tm_min > 59 || local.tm_sec > 60) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(seconds) * 1000;
}

std::string ExactNamePattern(std::string_view name) {
    std::string pattern = "^";
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            pattern.push_back('\\');
        }
        pattern.push_back(c);
    }
    pattern.push_back('$');
    return pattern;
}

nlohmann::json RunJson(const OB_HistoryRun& run) {
    return {
        {"id", run.id},
        {"job", run.job},
        {"file", run.file},
        {"start", LocalTimeText(run.startMs)},
        {"end", LocalTimeText(run.endMs)},
        {"startMs", run.startMs},
        {"endMs", run.endMs},
        {"result", run.result},
        {"control", run.control},
        {"failure", FailureWord(run.failure)},
        {"failedJob", run.failedJob},
        {"failedLine", run.failedLine},
        {"failedStatement", run.failedStatement},
        {"message", run.message},
        {"outputLines", run.outputLines},
    };
}

nlohmann::json JobSummary(const OB_JobInfo& job, const LastRuns& lastRuns) {
    nlohmann::json row = {
        {"name", job.name},
        {"file", job.file},
        {"state", StateWord(job.state)},
        {"nextRun", job.nextStart},
        {"lastRun", job.lastStart},
        {"lastOutcome", ""},
        {"timesCalled", job.timesCalled},
        {"totalRunMs", job.totalRunMs},
    };
    if (const auto it = lastRuns.find(job.name); it != lastRuns.end()) {
        const OB_HistoryRun& run = *it->second;
        row["lastRun"] = LocalTimeText(run.startMs);
        row["lastOutcome"] = run.failure == OB_FAILURE_NONE ? std::string(run.control) : "failed";
    }
    return row;
}

nlohmann::json JobDetail(const OB_JobInfo& job, const LastRuns& lastRuns,
                         const OB_JobPreview* preview, const OB_History* runs) {
    nlohmann::json detail = JobSummary(job, lastRuns);
    detail["created"] = job.created;
    auto& statements = detail["statements"] = nlohmann::json::array();
    for (std::uint32_t i = 0; i < job.statementCount; ++i) {
        const OB_JobStatement& s = job.statements[i];
        statements.push_back(
            {{"line", s.line}, {"kind", StatementKindWord(s.kind)}, {"text", s.text}});
    }
    nlohmann::json next = {{"times", nlohmann::json::array()}, {"note", ""}};
    if (preview != nullptr) {
        for (std::uint32_t i = 0; i < preview->count; ++i) {
            const OB_FireTime& time = preview->times[i];
            next["times"].push_back(
                {{"local", time.local}, {"zone", time.zone}, {"unixTime", time.unixTime}});
        }
        next["note"] = preview->note;
    }
    detail["next"] = std::move(next);
    auto& history = detail["history"] = nlohmann::json::array();
    if (runs != nullptr) {
        for (std::uint32_t i = 0; i < runs->count; ++i) {
            history.push_back(RunJson(runs->runs[i]));
        }
    }
    return detail;
}

} // namespace ob::web
