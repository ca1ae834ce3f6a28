// A session's run history: once the host enables it (OB_EnableHistory), every run
// the scheduler starts (a start statement fired, or EM_RUN_JOB) becomes one
// record: start and end, run result and its control word, the statement that
// failed last with its message, and the output lines printed on the engine thread
// while it ran. Runs of jobs called in place belong to the run that called them.
// Records go to a HistoryWriter, which writes them on its own thread.
//
// Set once per session and kept as long as the session; the engine thread begins
// and ends recordings, PrintText (any thread) counts lines.
#pragma once

#include "engine/jobs/action_statement.h"
#include "engine/jobs/job.h"
#include "engine/scheduling/run_result.h"
#include "history/history_writer.h"
#include "history/retention.h"
#include "history/run_record.h"
#include "platform/msg/message.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;
struct ActionContext;

class RunHistory {
public:
    /// `settingsProblem`: what was wrong with the retention settings, reported at
    /// the first tick (empty: nothing).
    RunHistory(std::string path, history::Retention retention, std::string settingsProblem);

    const std::string& Path() const { return writer_.Path(); }
    history::HistoryWriter& Writer() { return writer_; }

    /// A run of `job` begins / ends with `result` (engine thread; nested runs nest).
    void Begin(const Job& job);
    void End(RunResult result);
    /// A statement failed in the innermost run (engine thread).
    void NoteFailure(const Job& job, const ActionStatement& statement, std::string_view message,
                     history::Failure failure);
    /// An output line was printed (any thread; counts on the recording thread).
    void NoteOutputLine();
    /// Problems to report: the settings' and the writer's.
    std::vector<std::string> TakeProblems();

    /// The retention from the persistent variables history_days and history_runs
    /// (section "History"), defaults where unset; a value that is not a whole
    /// number is reported in `problem` and the default used.
    static history::Retention RetentionSetting(std::string& problem);

private:
    struct Recording {
        history::RunRecord record;
        std::uint64_t linesAtStart = 0;
    };

    std::vector<Recording> running_;
    std::atomic<msg::ThreadId> thread_{0};
    std::atomic<std::uint64_t> lines_{0};
    std::vector<std::string> pending_; // engine thread, after construction
    history::HistoryWriter writer_;
};

/// Starts the session's run history at `path` (empty: history.db beside the
/// machine settings); false when it was enabled already.
bool EnableHistory(EngineSession& session, const std::string& path);

/// The file the session records to, or the default file when it records nothing.
std::string HistoryPathOf(EngineSession& session);

/// Prints the run history's problems as output lines (engine thread, each tick).
void ReportHistoryProblems(EngineSession& session);

/// Records one run of the scheduler, when the session records runs.
class RunRecording {
public:
    RunRecording(EngineSession& session, const Job& job);
    ~RunRecording();
    RunRecording(const RunRecording&) = delete;
    RunRecording& operator=(const RunRecording&) = delete;

    void Finish(RunResult result);

private:
    RunHistory* history_;
    bool finished_ = false;
};

/// Notes a failed statement for the run in progress (no-op without a history).
void NoteRunFailure(ActionContext& context, std::string_view message, history::Failure failure);

/// Counts an output line for the run in progress (no-op without a history).
void NoteOutputLine(EngineSession& session);

} // namespace ob::engine
