// The schedule preview: the next times each job will fire. It runs the scheduler's
// own start and stop tests (start_test.h) on copies of a job's time statements,
// jumping from one moment at which a start statement can come due to the next
// instead of ticking every second, so what it shows is what the scheduler does:
// summer-time changes, skip days, suspend windows, -once, -except and stop
// statements included. It assumes that every run ends with "continue" and that
// variables used in the statements keep their values.
#pragma once

#include "engine/jobs/job.h"
#include "platform/time/ole_date.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace ob::engine {

struct EngineSession;

/// Why a preview holds fewer times than asked for.
enum class PreviewEnd {
    Complete, ///< as many times as asked for
    NoStart,  ///< no start statement: the job runs only when another job calls it
    Spent,    ///< none of its start statements can come due again
    Expires,  ///< -once held: the job leaves the queue after the last time shown
    Stops,    ///< a stop statement holds after the last time shown
    Expired,  ///< the job has expired and leaves the queue at the next tick
    NotFound, ///< whenever a start came due within the search, the day was skipped or
              ///< the job suspended
};

struct PreviewOptions {
    /// The first moment looked at (local wall-clock time).
    datetime::OleDate from;
    /// How many times to find for each job.
    std::size_t count = 1;
    /// Evaluate the time statements afresh at `from`, as if the job had been loaded
    /// then (for a preview of jobs just loaded, from another moment).
    bool reevaluate = false;
};

/// The times one job fires, as local wall-clock times of the ticks that fire it.
struct JobPreview {
    std::string name;
    std::string file;
    std::vector<datetime::OleDate> times;
    PreviewEnd end = PreviewEnd::Complete;
    /// With NotFound: the last moment the search reached.
    datetime::OleDate searchedUntil;
};

/// What a preview needs of a job, copied so that the job may change meanwhile.
struct JobSnapshot {
    std::string name;
    std::string file;
    bool expired = false;
    std::vector<std::unique_ptr<Statement>> statements; ///< time and skip statements

    /// Copies the job (its statements must not change meanwhile: the engine thread,
    /// or a session whose scheduler is not enabled, under the session lock).
    static JobSnapshot Of(const Job& job);
};

/// Previews one job; any thread (the snapshot is its own).
JobPreview PreviewJob(JobSnapshot snapshot, const PreviewOptions& options);

/// Copies every queued job, in queue order. On the engine thread, or while the
/// session's scheduler is not enabled; takes the session lock for the copies.
std::vector<JobSnapshot> SnapshotQueue(EngineSession& session);

/// Previews the copies, in order; any thread.
std::vector<JobPreview> PreviewSnapshots(std::vector<JobSnapshot> snapshots,
                                         const PreviewOptions& options);

/// SnapshotQueue, then PreviewSnapshots (with SnapshotQueue's thread rule).
std::vector<JobPreview> PreviewQueue(EngineSession& session, const PreviewOptions& options);

/// What a preview's end means, in a sentence without a full stop; empty for Complete.
std::string DescribeEnd(const JobPreview& preview);

} // namespace ob::engine
