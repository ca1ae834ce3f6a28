#include "engine/console/job_listing.h"

#include "common/regex/regex_program.h"
#include "engine/expansion/expand_text.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/next_run.h"
#include "engine/session/engine_session.h"

namespace ob::engine {
namespace {

constexpr const char* kLongDateTime = "%#c";

std::string LongDate(const datetime::OleDate& date) {
    return date.Format(kLongDateTime);
}

// The next time the scheduler fires the job, as the schedule preview finds it (skip
// days, suspend windows and every start statement considered), or "(Never)".
std::string NextFiring(const Job& job) {
    PreviewOptions options;
    options.from = datetime::OleDate::Now();
    const JobPreview preview = PreviewJob(JobSnapshot::Of(job), options);
    return preview.times.empty() ? std::string("(Never)") : LongDate(preview.times.front());
}

void AppendTriggers(const Job& job, std::vector<std::string>& out) {
    const std::string created = LongDate(job.Env().created);
    const auto* start = dynamic_cast<const TimeStatement*>(job.FindStatement(KIND_START));
    if (start == nullptr) {
        out.push_back("\tCreated: " + created + "\r\n");
        out.push_back("\tSchedule Last: (Subroutine)\r\n");
        out.push_back("\tSchedule Next: (Subroutine)\r\n");
        return;
    }
    // A start that never fired has no valid last time (or one before day 1).
    const bool neverFired = !start->lastFire.IsValid() || start->lastFire.Value() < 1.0;
    out.push_back("\tCreated: " + created + "\r\n");
    out.push_back("\tSchedule Last: " +
                  (neverFired ? std::string("(NEW)") : LongDate(start->lastFire)) + "\r\n");
    out.push_back("\tSchedule Next: " + NextFiring(job) + "\r\n");
}

void AppendStatistics(const Job& job, std::vector<std::string>& out) {
    out.push_back("\tTimes called: " + std::to_string(job.Env().timesCalled) + "\r\n");
    out.push_back("\tTotal time in Job: " + FormatRunTime(job.Env().totalRunMs) + "\r\n");
}

} // namespace

std::string FormatRunTime(std::uint32_t totalMs) {
    const std::uint32_t days = totalMs / 86'400'000u;
    const std::uint32_t hours = totalMs / 3'600'000u % 24;
    const std::uint32_t minutes = totalMs / 60'000u % 60;
    const std::uint32_t seconds = totalMs / 1000u % 60;
    // Always the remainder below a second: a whole minute plus a fraction must not
    // show the entire total again in the milliseconds field.
    const std::uint32_t millis = totalMs % 1000u;
    return "Dys=" + std::to_string(days) + ", Hrs=" + std::to_string(hours) +
           ", Mns=" + std::to_string(minutes) + ", Sds=" + std::to_string(seconds) +
           ", Ms=" + std::to_string(millis);
}

std::vector<std::string> ListJobs(EngineSession& session, std::string_view options,
                                  std::string_view pattern) {
    if (pattern.empty() || pattern.front() == '-') {
        pattern = ".*";
    }
    const bool triggers = options.find('t') != std::string_view::npos;
    const bool statistics = options.find('s') != std::string_view::npos;
    auto program = common::CompileRegex(pattern);

    std::vector<std::string> out;
    std::size_t count = 0;
    SessionLock lock(session);
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        const Job& job = *session.jobs.At(i);
        if (job.TestFlags(JF_EXPIRED)) {
            continue;
        }
        auto name = job.GetVariable("$NAME");
        if (!name) {
            continue;
        }
        ExpandText(*name);
        if (common::MatchRegex(program.get(), *name) != 1) {
            continue;
        }
        ++count;
        out.push_back(*name + ": \r\n");
        if (triggers) {
            AppendTriggers(job, out);
        }
        if (statistics) {
            AppendStatistics(job, out);
        }
    }
    out.push_back(std::to_string(count) + " Job(s)\r\n");
    return out;
}

} // namespace ob::engine
