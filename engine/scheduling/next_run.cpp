#include "engine/scheduling/next_run.h"

#include "common/cron/next_cron_time.h"
#include "engine/jobs/skip_statement.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/start_test.h"
#include "engine/scheduling/time_specification.h"
#include "engine/scheduling/whole_seconds.h"
#include "engine/session/engine_session.h"
#include "platform/time/local_time_text.h"

#include <algorithm>
#include <map>
#include <optional>

namespace ob::engine {
namespace {

using datetime::DateParts;
using datetime::OleDate;
using datetime::OleDateSpan;

// Moments looked at in a row without a firing before the search gives up: with a
// daily start, over 27 years of skipped or suspended days.
constexpr std::size_t kMaxQuietTicks = 10000;

const OleDateSpan kOneSecond(0, 0, 0, 1);
const OleDateSpan kOneMinute(0, 0, 1, 0);

// The preview's surroundings: nothing is printed, and the cron fields of each
// statement text are read once (the preview assumes that variables keep their
// values). Keyed by text, as the test also runs on short-lived probe copies.
class PreviewContext final : public ScheduleContext {
public:
    void Note(std::string_view /*text*/, std::uint32_t /*bit*/) override {}
    bool Shows(std::uint32_t /*bit*/) override { return false; }
    void Error(std::string_view /*text*/) override {}
    bool Abandoned() override { return false; }
    const CronStatementFields* CronFieldsOf(const TimeStatement& statement) override {
        auto found = fields_.find(statement.Text());
        if (found == fields_.end()) {
            found = fields_
                        .emplace(statement.Text(),
                                 CronStatementFields::Find(statement.Text(), std::nullopt))
                        .first;
        }
        return found->second ? &*found->second : nullptr;
    }

private:
    std::map<std::string, std::optional<CronStatementFields>, std::less<>> fields_;
};

bool IsTimeKind(std::uint32_t kind) {
    return kind == KIND_START || kind == KIND_STOP || kind == KIND_SUSPEND || kind == KIND_RESUME;
}

OleDate StartOfMinute(const OleDate& moment) {
    DateParts parts;
    if (!moment.GetParts(parts)) {
        return moment;
    }
    return OleDate::FromParts(parts.year, parts.month, parts.day, parts.hour, parts.minute);
}

// The first tick at or after `tick` at which a cron start can fire.
std::optional<OleDate> NextCronTick(PreviewContext& context, const TimeStatement& start,
                                    const TickTime& tick) {
    // This very tick, asked of a copy through the scheduler's own test.
    TimeStatement probe(start);
    if (CheckTime(context, probe, tick, false) == 1) {
        return tick.now;
    }
    const CronStatementFields* found = context.CronFieldsOf(start);
    if (found == nullptr) {
        return std::nullopt;
    }
    // Otherwise the start of a later minute: the fields see nothing finer.
    const OleDate from = StartOfMinute(tick.now) + kOneMinute;
    const auto next = common::NextCronTime(start.cron, found->Fields(), from.Value());
    if (!next) {
        return std::nullopt;
    }
    return WholeSeconds(OleDate(*next));
}

// The first tick at or after `tick` at which a start statement's test can hold or
// change the statement; nothing when that never happens again.
std::optional<OleDate> NextDueTick(PreviewContext& context, const TimeStatement& start,
                                   const TickTime& tick) {
    if ((start.flags & STF_EXCEPT) != 0) {
        return tick.now; // holds whenever its own condition does not
    }
    if ((start.flags & STF_CRON) != 0) {
        auto cron = NextCronTick(context, start, tick);
        // A reminder snoozed to a time of its own fires then besides its fields.
        if (start.snoozed && start.next.IsValid() && (!cron || start.next < *cron)) {
            cron = std::max(tick.now, start.next);
        }
        return cron;
    }
    if (!start.next.IsValid()) {
        return std::nullopt;
    }
    const bool repeats = start.increment.GetStatus() == datetime::Status::Valid &&
                         start.increment.TotalSeconds() > 0;
    if ((start.flags & STF_FIRED) != 0 && !repeats) {
        return std::nullopt; // a one-shot start that has fired
    }
    return std::max(tick.now, start.next);
}

// The earliest moment at which any start statement can come due.
std::optional<OleDate> NextCandidate(PreviewContext& context, const StatementList& statements,
                                     const TickTime& tick) {
    std::optional<OleDate> earliest;
    for (const auto& statement : statements) {
        if (statement->Kind() != KIND_START) {
            continue;
        }
        const auto due = NextDueTick(context, static_cast<const TimeStatement&>(*statement), tick);
        if (due && (!earliest || *due < *earliest)) {
            earliest = due;
        }
    }
    return earliest;
}

bool HasStart(const StatementList& statements) {
    return std::any_of(statements.begin(), statements.end(),
                       [](const auto& statement) { return statement->Kind() == KIND_START; });
}

} // namespace

JobSnapshot JobSnapshot::Of(const Job& job) {
    JobSnapshot snapshot;
    snapshot.name = job.Name();
    snapshot.file = job.GetVariable("$FILENAME").value_or("");
    snapshot.expired = job.TestFlags(JF_EXPIRED);
    for (const auto& statement : job.Statements()) {
        const std::uint32_t kind = statement->Kind();
        if (IsTimeKind(kind)) {
            snapshot.statements.push_back(
                std::make_unique<TimeStatement>(static_cast<const TimeStatement&>(*statement)));
        } else if (kind == KIND_SKIP) {
            snapshot.statements.push_back(
                std::make_unique<SkipStatement>(static_cast<const SkipStatement&>(*statement)));
        }
    }
    return snapshot;
}

JobPreview PreviewJob(JobSnapshot snapshot, const PreviewOptions& options) {
    JobPreview preview;
    preview.name = std::move(snapshot.name);
    preview.file = std::move(snapshot.file);
    StatementList& statements = snapshot.statements;
    if (snapshot.expired) {
        preview.end = PreviewEnd::Expired;
        return preview;
    }
    if (!HasStart(statements)) {
        preview.end = PreviewEnd::NoStart;
        return preview;
    }
    PreviewContext context;
    if (options.reevaluate) {
        for (auto& statement : statements) {
            if (statement->Kind() != KIND_SKIP) {
                ReevaluateSpecification(context, static_cast<TimeStatement&>(*statement),
                                        WholeSeconds(options.from));
            }
        }
    }
    TickTime tick = TickTime::At(options.from);
    std::size_t quiet = 0;
    while (preview.times.size() < options.count) {
        const auto candidate = NextCandidate(context, statements, tick);
        if (!candidate) {
            preview.end = PreviewEnd::Spent;
            return preview;
        }
        if (++quiet > kMaxQuietTicks) {
            preview.end = PreviewEnd::NotFound;
            preview.searchedUntil = tick.now;
            return preview;
        }
        tick = TickTime::At(*candidate);
        const StartDecision decision = DecideStart(context, statements, tick);
        if (decision.fired != nullptr) {
            quiet = 0;
            preview.times.push_back(tick.now);
            // The run control after the run: -once, then the stop statements.
            bool expire = decision.expire;
            if (expire) {
                preview.end = PreviewEnd::Expires;
                return preview;
            }
            if (StopHolds(context, statements, tick, expire)) {
                preview.end = PreviewEnd::Stops;
                return preview;
            }
        } else if (decision.expire) {
            preview.end = PreviewEnd::Expires;
            return preview;
        }
        tick = TickTime::At(tick.now + kOneSecond);
    }
    return preview;
}

std::vector<JobSnapshot> SnapshotQueue(EngineSession& session) {
    std::vector<JobSnapshot> snapshots;
    SessionLock lock(session);
    snapshots.reserve(session.jobs.Size());
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        snapshots.push_back(JobSnapshot::Of(*session.jobs.At(i)));
    }
    return snapshots;
}

std::vector<JobPreview> PreviewSnapshots(std::vector<JobSnapshot> snapshots,
                                         const PreviewOptions& options) {
    std::vector<JobPreview> previews;
    previews.reserve(snapshots.size());
    for (JobSnapshot& snapshot : snapshots) {
        previews.push_back(PreviewJob(std::move(snapshot), options));
    }
    return previews;
}

std::vector<JobPreview> PreviewQueue(EngineSession& session, const PreviewOptions& options) {
    return PreviewSnapshots(SnapshotQueue(session), options);
}

std::string DescribeEnd(const JobPreview& preview) {
    const bool none = preview.times.empty();
    switch (preview.end) {
    case PreviewEnd::Complete:
        return {};
    case PreviewEnd::NoStart:
        return "never fires on its own: it has no start statement (other jobs may call it)";
    case PreviewEnd::Spent:
        return none ? "never fires: none of its start times can come due again"
                    : "fires no more after that";
    case PreviewEnd::Expires:
        return none ? "never fires: -once took it out of the queue"
                    : "then leaves the queue (-once)";
    case PreviewEnd::Stops:
        return "then leaves the queue: a stop statement holds after that run";
    case PreviewEnd::Expired:
        return "never fires: it has expired and leaves the queue at the next tick";
    case PreviewEnd::NotFound:
        return std::string(none ? "never fires" : "fires no more") + " up to " +
               datetime::FormatLocalDateTime(preview.searchedUntil) +
               ": it is skipped or suspended whenever it comes due";
    }
    return {};
}

} // namespace ob::engine
