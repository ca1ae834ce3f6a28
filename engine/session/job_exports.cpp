// The job queue's exports for hosts (obrenta/jobs.h): copies made on the engine
// thread and handed out as records the caller frees.

#include "common/regex/regex_program.h"
#include "engine/jobs/session_jobs.h"
#include "engine/jobs/time_statement.h"
#include "engine/scheduling/next_run.h"
#include "engine/session/engine_session.h"
#include "engine/session/with_session.h"
#include "obrenta/jobs.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ob::engine {
namespace {

// "YYYY-MM-DD HH:MM:SS" from the date's own calendar parts: no strftime, which
// consults the time zone file for every call, and 10 000 jobs have three dates each.
std::string LocalTimeText(const datetime::OleDate& date) {
    datetime::DateParts parts;
    if (!date.GetParts(parts)) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month,
                  parts.day, parts.hour, parts.minute, parts.second);
    return text;
}

// One job as copied on the engine thread.
struct JobCopy {
    std::string name;
    std::string file;
    std::uint32_t state = 0;
    std::string created;
    std::string lastStart;
    std::string nextStart;
    std::uint32_t timesCalled = 0;
    std::uint32_t totalRunMs = 0;
    struct Line {
        std::uint32_t kind;
        std::uint32_t line;
        std::string text;
    };
    std::vector<Line> statements;
    /// Its time statements, previewed off the engine thread for `nextStart`.
    std::optional<JobSnapshot> schedule;
};

// The time the scheduler fires each job next, as the console's `list -t` shows it
// (skip days, suspend windows and every start statement considered). The preview
// runs on the caller's thread: for 10 000 jobs it takes long enough to delay ticks.
void FindNextStarts(std::vector<JobCopy>& copies) {
    PreviewOptions options;
    options.from = datetime::OleDate::Now();
    for (JobCopy& copy : copies) {
        if (copy.schedule) {
            const JobPreview preview = PreviewJob(std::move(*copy.schedule), options);
            copy.schedule.reset();
            if (!preview.times.empty()) {
                copy.nextStart = LocalTimeText(preview.times.front());
            }
        }
    }
}

// The storage behind an OB_JobList: the records and every text they point to.
struct JobListBlock {
    OB_JobList head{};
    std::vector<OB_JobInfo> jobs;
    std::vector<std::vector<OB_JobStatement>> statements;
    std::vector<JobCopy> copies; // the texts; not resized once records point into it
};

struct LogBlock {
    OB_LogLines head{};
    std::vector<std::string> texts;
    std::vector<const char*> lines;
};

JobCopy CopyJob(const EngineSession& session, const Job& job) {
    JobCopy copy;
    copy.name = job.Name();
    copy.file = job.GetVariable("$FILENAME").value_or("");
    const auto& running = session.runningJobs;
    if (std::find(running.begin(), running.end(), &job) != running.end()) {
        copy.state |= OB_JOB_RUNNING;
    }
    if (job.TestFlags(JF_EXPIRED)) {
        copy.state |= OB_JOB_EXPIRED;
    }
    if (job.TestFlags(JF_INTERNAL)) {
        copy.state |= OB_JOB_INTERNAL;
    }
    const JobEnvironment& env = job.Env();
    copy.created = LocalTimeText(env.created);
    copy.timesCalled = env.timesCalled;
    copy.totalRunMs = env.totalRunMs;
    if (const auto* start = dynamic_cast<const TimeStatement*>(job.FindStatement(KIND_START))) {
        // A start that never fired has no valid last time (or one before day 1).
        if (start->lastFire.IsValid() && start->lastFire.Value() >= 1.0) {
            copy.lastStart = LocalTimeText(start->lastFire);
        }
    }
    if (job.HasStartStatement() && !job.TestFlags(JF_EXPIRED)) {
        copy.schedule = JobSnapshot::Of(job);
    }
    for (const auto& statement : job.Statements()) {
        if (statement->Kind() != KIND_ENVIRONMENT) {
            copy.statements.push_back({statement->Kind(), statement->line, statement->Text()});
        }
    }
    return copy;
}

// Engine thread: the named jobs of the queue that `program` (null: any) matches, in order.
std::vector<JobCopy> CopyQueue(EngineSession& session, common::RegexProgram* program) {
    std::vector<JobCopy> copies;
    SessionLock lock(session);
    copies.reserve(session.jobs.Size());
    for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
        const Job& job = *session.jobs.At(i);
        if (job.GetVariable("$NAME") &&
            (program == nullptr || common::MatchRegex(program, job.Name()) == 1)) {
            copies.push_back(CopyJob(session, job));
        }
    }
    return copies;
}

OB_JobList* Publish(std::vector<JobCopy> copies) {
    auto block = std::make_unique<JobListBlock>();
    block->copies = std::move(copies);
    block->jobs.reserve(block->copies.size());
    block->statements.reserve(block->copies.size());
    for (const JobCopy& copy : block->copies) {
        auto& lines = block->statements.emplace_back();
        lines.reserve(copy.statements.size());
        for (const auto& line : copy.statements) {
            lines.push_back({line.kind, line.line, line.text.c_str()});
        }
        OB_JobInfo info{};
        info.name = copy.name.c_str();
        info.file = copy.file.c_str();
        info.state = copy.state;
        info.created = copy.created.c_str();
        info.lastStart = copy.lastStart.c_str();
        info.nextStart = copy.nextStart.c_str();
        info.timesCalled = copy.timesCalled;
        info.totalRunMs = copy.totalRunMs;
        info.statementCount = static_cast<uint32_t>(lines.size());
        info.statements = lines.data();
        block->jobs.push_back(info);
    }
    block->head.count = static_cast<uint32_t>(block->jobs.size());
    block->head.jobs = block->jobs.data();
    block->head.reserved = block.get();
    return &block.release()->head;
}

// Engine thread: kills every job named exactly `name`.
std::uint32_t KillNamed(EngineSession& session, const std::string& name) {
    std::vector<Job*> named;
    {
        SessionLock lock(session);
        for (std::size_t i = 0; i < session.jobs.Size(); ++i) {
            Job* job = session.jobs.At(i);
            if (!job->TestFlags(JF_EXPIRED) && job->GetVariable("$NAME") && job->Name() == name) {
                named.push_back(job);
            }
        }
    }
    std::uint32_t killed = 0;
    for (Job* job : named) {
        killed += KillJob(session, job) ? 1 : 0;
    }
    return killed;
}

} // namespace
} // namespace ob::engine

extern "C" {

OB_EXPORT uint32_t OB_ListJobs(OB_SESSION handle, const char* pattern, uint32_t timeoutMs,
                               OB_JobList** list) {
    using namespace ob::engine;
    if (list == nullptr) {
        return OB_INVALID;
    }
    *list = nullptr;
    std::unique_ptr<ob::common::RegexProgram> program;
    if (pattern != nullptr && *pattern != '\0') {
        program = ob::common::CompileRegex(pattern);
        if (!program) {
            return OB_INVALID;
        }
    }
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        std::vector<JobCopy> copies;
        bool copied = false;
        const auto work = [&](EngineSession& engine) {
            copies = CopyQueue(engine, program.get());
            copied = true;
        };
        if (s.calls.RunOnEngineThread(s, work, timeoutMs) != CallResult::Done) {
            return OB_WAIT_TIMEOUT;
        }
        if (!copied) {
            return OB_FAILED;
        }
        FindNextStarts(copies);
        *list = Publish(std::move(copies));
        return OB_OK;
    });
}

OB_EXPORT void OB_ReleaseJobList(OB_JobList* list) {
    if (list != nullptr) {
        delete static_cast<ob::engine::JobListBlock*>(list->reserved);
    }
}

OB_EXPORT uint32_t OB_KillJob(OB_SESSION handle, const char* name, uint32_t timeoutMs,
                              uint32_t* killed) {
    using namespace ob::engine;
    if (killed != nullptr) {
        *killed = 0;
    }
    if (name == nullptr || *name == '\0') {
        return OB_INVALID;
    }
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        const std::string wanted(name);
        std::uint32_t count = 0;
        const auto work = [&](EngineSession& engine) { count = KillNamed(engine, wanted); };
        if (s.calls.RunOnEngineThread(s, work, timeoutMs) != CallResult::Done) {
            return OB_WAIT_TIMEOUT;
        }
        if (killed != nullptr) {
            *killed = count;
        }
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_ReadLog(OB_SESSION handle, uint32_t tail, OB_LogLines** lines) {
    using namespace ob::engine;
    if (lines == nullptr) {
        return OB_INVALID;
    }
    *lines = nullptr;
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        auto block = std::make_unique<LogBlock>();
        {
            SessionLock lock(s);
            const std::size_t size = s.log.Size();
            const std::size_t shown = std::min<std::size_t>(size, tail);
            block->texts.reserve(shown);
            for (std::size_t i = size - shown; i < size; ++i) {
                block->texts.push_back(s.log.At(i));
            }
        }
        for (const std::string& text : block->texts) {
            block->lines.push_back(text.c_str());
        }
        block->head.count = static_cast<uint32_t>(block->lines.size());
        block->head.lines = block->lines.data();
        block->head.reserved = block.get();
        *lines = &block.release()->head;
        return OB_OK;
    });
}

OB_EXPORT void OB_ReleaseLogLines(OB_LogLines* lines) {
    if (lines != nullptr) {
        delete static_cast<ob::engine::LogBlock*>(lines->reserved);
    }
}

} // extern "C"
